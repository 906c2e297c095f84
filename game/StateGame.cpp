// CStateGame: the platform's calls on the game.
#include "game/StateGame.h"

#include "platform/OrloApplication.h"

CStateGame::CStateGame() : m_host(nullptr), m_sessionFlag(0), m_gameClosed(0), m_connectionLost(0)
{}

CStateGame::~CStateGame()
{
    Release();
}

int CStateGame::Init(COrloApplication* application)
{
    m_host = application;
    m_application = application;
    return VORTAN_OK;
}

void CStateGame::Release()
{
    if (!m_host)
        return;
    m_host->StopMusic();
    m_context.ReleaseHandles(m_host);
    m_host = nullptr;
}

int CStateGame::Load()
{
    if (m_host)
        m_host->SetAppName(CVortanString("Zorbix"));
    m_sessionFlag = 0;
    m_gameClosed = 0;
    return VORTAN_OK;
}

void CStateGame::Unload()
{
    if (m_host)
        m_host->StopMusic();
}

int CStateGame::Update(float seconds)
{
    (void)seconds;
    return 1;
}

void CStateGame::Render()
{
    // The game always runs at full frame rate.
    if (m_host)
        m_host->ResetIdle();
}

int CStateGame::OnConnectionLost(int code)
{
    (void)code;
    m_connectionLost = 1;
    return 0;
}

int CStateGame::OnPlayerLeft(int playerId)
{
    (void)playerId;
    return 0;
}

void CStateGame::OnGameData(const u8* bytes, int length)
{
    (void)bytes;
    (void)length;
}
