// IOrloGameState: the platform services a game may call, with their default bodies.
#include "platform/OrloState.h"

#include "engine/VortanDateTime.h"
#include "online/OrloAchievements.h"
#include "online/OrloLobby.h"
#include "online/OrloMenuState.h"
#include "online/OrloNetworkSession.h"
#include "platform/OrloLanguage.h"
#include "platform/OrlogateApplication.h"

namespace {

COrloNetworkSession* SessionOf(COrlogateApplication* application)
{
    return application ? application->GetNetworkSession() : nullptr;
}

COrloAchievement* FindAchievement(COrlogateApplication* application, int gameNumber, int id)
{
    COrloAchievementStation* station = application ? application->GetAchievements() : nullptr;
    COrloAchievementList* list = station ? station->FindList(gameNumber) : nullptr;
    return list ? list->Find(id) : nullptr;
}

} // namespace

int IOrloGameState::SetLanguage(const CVortanString& nameOrCode)
{
    if (!m_language)
        return VORTAN_E_RANGE;
    return m_language->SetLanguage(nameOrCode);
}

void IOrloGameState::LeaveGame()
{
    COrlogateApplication* application = m_gateApplication;
    if (application && application->GetMenuState())
        application->GetMenuState()->LeaveGameToLobby();
    COrloNetworkSession* session = SessionOf(application);
    if (session)
        session->CloseGameSocket();
    if (!session || !(session->GetStatus() & 1)) {
        OnLeaveGame();
        if (application)
            application->ReturnToMenu(true);
    } else {
        session->SendJoin(1, GetMaxPlayers());
    }
}

void IOrloGameState::SendLeave()
{
    COrloNetworkSession* session = SessionOf(m_gateApplication);
    if (session)
        session->SendLeave();
}

void IOrloGameState::SendGameData(const u8* bytes, int length, int a, int b)
{
    COrloNetworkSession* session = SessionOf(m_gateApplication);
    if (session)
        session->SendGameData(bytes, length, a, b);
}

void IOrloGameState::ReportMatchEnd(const CVortanArray<i32>* ids, const CVortanArray<i32>* places,
                                    int flag)
{
    if (m_gateApplication)
        m_gateApplication->EndMatch(ids, places, flag);
}

void IOrloGameState::GetOwnPlayerName(CVortanString& out)
{
    COrloNetworkSession* session = SessionOf(m_gateApplication);
    if (session)
        session->GetPlayerName(out);
    else
        out.Empty();
}

int IOrloGameState::GetOwnPlayerId()
{
    COrloNetworkSession* session = SessionOf(m_gateApplication);
    return session ? session->GetOwnPlayerId() : -1;
}

int IOrloGameState::GetLobbyPlayerCount()
{
    COrloNetworkSession* session = SessionOf(m_gateApplication);
    COrloLobby* lobby = session ? session->GetLobby() : nullptr;
    return lobby ? lobby->GetPlayerCount() : 0;
}

COrloPlayer* IOrloGameState::GetLobbyPlayer(int index)
{
    COrloNetworkSession* session = SessionOf(m_gateApplication);
    COrloLobby* lobby = session ? session->GetLobby() : nullptr;
    if (!lobby || index < 0 || index >= lobby->GetPlayerCount())
        return nullptr;
    return lobby->GetPlayer(index);
}

int IOrloGameState::UnlockAchievement(int id)
{
    COrloAchievement* achievement = FindAchievement(m_gateApplication, GetGameNumber(), id);
    if (!achievement)
        return 0;
    if (achievement->unlocked)
        return 1;
    achievement->SetUnlocked(1);
    CVortanDateTime now;
    now.SetNow();
    achievement->SetUnlockTime(now);
    m_gateApplication->GetAchievements()->SaveUnlocks();
    return 1;
}

int IOrloGameState::IsAchievementUnlocked(int id)
{
    COrloAchievement* achievement = FindAchievement(m_gateApplication, GetGameNumber(), id);
    return achievement ? achievement->unlocked : 0;
}
