// IOrloGameState: the platform services a game may call, with their default bodies.
#include "platform/OrloState.h"

#include "engine/VortanDateTime.h"
#include "platform/OrloAchievementInterfaces.h"
#include "platform/OrloLanguage.h"
#include "platform/OrloLobbyInterface.h"
#include "platform/OrloMenuStateInterface.h"
#include "platform/OrloNetworkSessionInterface.h"
#include "platform/OrlogateApplication.h"

namespace {

IOrloNetworkSession* SessionOf(COrlogateApplication* application)
{
    return application ? application->GetNetworkSession() : nullptr;
}

IOrloAchievement* FindAchievement(COrlogateApplication* application, int gameNumber, int id)
{
    IOrloAchievementStation* station = application ? application->GetAchievements() : nullptr;
    IOrloAchievementList* list = station ? station->FindList(gameNumber) : nullptr;
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
    IOrloNetworkSession* session = SessionOf(application);
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
    IOrloNetworkSession* session = SessionOf(m_gateApplication);
    if (session)
        session->SendLeave();
}

void IOrloGameState::SendGameData(const u8* bytes, int length, int a, int b)
{
    // The two words are the game's own; the message carries the bytes alone.
    (void)a;
    (void)b;
    IOrloNetworkSession* session = SessionOf(m_gateApplication);
    if (session)
        session->SendGameData(bytes, length);
}

void IOrloGameState::ReportMatchEnd(const CVortanArray<i32>* ids, const CVortanArray<i32>* places,
                                    int flag)
{
    if (m_gateApplication)
        m_gateApplication->EndMatch(ids, places, flag);
}

void IOrloGameState::GetOwnPlayerName(CVortanString& out)
{
    IOrloNetworkSession* session = SessionOf(m_gateApplication);
    if (session)
        session->GetPlayerName(out);
    else
        out.Empty();
}

int IOrloGameState::GetOwnPlayerId()
{
    IOrloNetworkSession* session = SessionOf(m_gateApplication);
    return session ? session->GetOwnPlayerId() : -1;
}

int IOrloGameState::GetLobbyPlayerCount()
{
    IOrloNetworkSession* session = SessionOf(m_gateApplication);
    IOrloLobby* lobby = session ? session->GetLobby() : nullptr;
    return lobby ? lobby->GetPlayerCount() : 0;
}

COrloPlayer* IOrloGameState::GetLobbyPlayer(int index)
{
    IOrloNetworkSession* session = SessionOf(m_gateApplication);
    IOrloLobby* lobby = session ? session->GetLobby() : nullptr;
    if (!lobby || index < 0 || index >= lobby->GetPlayerCount())
        return nullptr;
    return lobby->GetPlayer(index);
}

int IOrloGameState::UnlockAchievement(int id)
{
    IOrloAchievement* achievement = FindAchievement(m_gateApplication, GetGameNumber(), id);
    if (!achievement)
        return 0;
    if (achievement->IsUnlocked())
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
    IOrloAchievement* achievement = FindAchievement(m_gateApplication, GetGameNumber(), id);
    return achievement ? achievement->IsUnlocked() : 0;
}
