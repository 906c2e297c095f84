// COrloMenuState: the stand-in menu that hosts the game with its pages hidden.
#include "online/OrloMenuState.h"

#include "platform/OrlogateApplication.h"

COrloMenuState::~COrloMenuState()
{
    Release();
}

int COrloMenuState::Init(COrloApplication* application)
{
    m_application = application;
    COrlogateApplication* gate = static_cast<COrlogateApplication*>(application);
    IOrloGameState* game = gate ? gate->GetGameState() : nullptr;
    if (!game)
        return VORTAN_E_ARGUMENT;
    int result = game->Init(application);
    if (result != VORTAN_OK)
        return result;
    game->SetApplication(gate);
    m_game = game;
    LoadSettings(dynamic_cast<COrlogateApplication*>(application));
    return VORTAN_OK;
}

void COrloMenuState::Release()
{
    CLoginController::Release();
    if (!m_game)
        return;
    IOrloGameState* game = m_game;
    m_game = nullptr;
    game->Release();
    delete game;
}

int COrloMenuState::Load()
{
    return m_game ? m_game->Load() : VORTAN_OK;
}

void COrloMenuState::Unload()
{
    if (m_game)
        m_game->Unload();
}

int COrloMenuState::Update(float seconds)
{
    if (m_game)
        m_game->Update(seconds);
    return 1;
}

void COrloMenuState::Render()
{
    if (m_game)
        m_game->Render();
}

int COrloMenuState::OnResize(int width, int height)
{
    return m_game && m_game->OnResize(width, height) ? 1 : 0;
}

int COrloMenuState::OnContextRestored()
{
    return m_game ? m_game->OnContextRestored() : VORTAN_OK;
}

int COrloMenuState::OnContextLost()
{
    return m_game ? m_game->OnContextLost() : VORTAN_OK;
}

int COrloMenuState::OnPointerDown(int button, int x, int y)
{
    if (m_game)
        m_game->OnPointerDown(button, x, y);
    return 1;
}

int COrloMenuState::OnPointerMove(int button, int x, int y)
{
    if (m_game)
        m_game->OnPointerMove(button, x, y);
    return 1;
}

int COrloMenuState::OnPointerUp(int button, int x, int y)
{
    if (m_game)
        m_game->OnPointerUp(button, x, y);
    return 1;
}

int COrloMenuState::OnKeyDown(int key)
{
    if (m_game)
        m_game->OnKeyDown(key);
    return 1;
}

int COrloMenuState::OnChar(unsigned short character)
{
    if (m_game)
        m_game->OnChar(character);
    return 1;
}

int COrloMenuState::SetLanguage(const CVortanString& nameOrCode)
{
    return m_game ? m_game->SetLanguage(nameOrCode) : VORTAN_E_RANGE;
}
