// COrlogateApplication: starting the online part (its objects made by the online factory)
// and passing the session's events on to the online menu, the game and the toast. Every
// call tolerates a missing session, menu or toast.
#include "platform/OrlogateApplication.h"

#include "platform/OrloAdvertisementInterface.h"
#include "platform/OrloChatRecord.h"
#include "platform/OrloDevice.h"
#include "platform/OrloLanguage.h"
#include "platform/OrloMenuStateInterface.h"
#include "platform/OrloNetConnectionInterface.h"
#include "platform/OrloOnlineFactoryInterface.h"
#include "platform/OrloState.h"
#include "platform/OrloStatsStore.h"
#include "platform/OrloToastNotificationInterface.h"

int COrlogateApplication::CreateSessionAndMenu()
{
    if (m_menu)
        return VORTAN_OK;

    if (!m_netConnection) {
        m_netConnection = m_onlineFactory ? m_onlineFactory->CreateNetConnection() : nullptr;
        if (!m_netConnection)
            return VORTAN_E_NOMEMORY;
    }
    int connected = m_netConnection->Open();

    if (!m_session) {
        int result = OpenSession();
        if (result != VORTAN_OK)
            return result;
    }

    IOrloMenuState* menu = m_onlineFactory ? m_onlineFactory->CreateMenuState() : nullptr;
    if (!menu)
        return VORTAN_E_NOMEMORY;
    m_menu = menu; // the menu's Init takes the game in through the application
    int result = PushState(menu);
    if (result != VORTAN_OK) {
        m_menu = nullptr;
        return result;
    }
    m_ownsGameState = 0;

    if (!connected && m_language)
        OnNotification(m_session, 0, 0, m_language->GetText(3));
    return VORTAN_OK;
}

void COrlogateApplication::RecreateSession()
{
    if (m_netConnection)
        m_netConnection->EnsureConnected();
    if (m_session) {
        m_session->Shutdown();
        // A session whose delivery is on the stack is deleted once it has returned.
        if (!m_session->IsDelivering() || m_retiredSessions.Add(m_session) != VORTAN_OK)
            delete m_session;
        m_session = nullptr;
    }
    if (OpenSession() != VORTAN_OK)
        RequestQuit();
}

void COrlogateApplication::DeleteRetiredSessions()
{
    for (int i = 0; i < m_retiredSessions.GetCount(); ++i)
        delete (IOrloNetworkSession*)m_retiredSessions.GetAt(i);
    m_retiredSessions.RemoveAll();
}

void COrlogateApplication::Reconnect(const CVortanString& host, int port)
{
    if (m_menu)
        m_menu->ScheduleReconnect(host, port);
}

int COrlogateApplication::OpenSession()
{
    IOrloNetworkSession* session =
        m_onlineFactory ? m_onlineFactory->CreateNetworkSession() : nullptr;
    if (!session)
        return VORTAN_E_NOMEMORY;
    int result = session->Init(this, this);
    if (result != VORTAN_OK) {
        session->Shutdown();
        delete session;
        return result;
    }
    m_session = session;
    m_session->AddLobbyObserver(this);
    m_session->AddGameObserver(this);
    m_session->AddAdvertisementObserver(this);
    return VORTAN_OK;
}

void COrlogateApplication::ReturnToMenu(bool logout)
{
    if (m_returnGuard)
        return;
    m_returnGuard = 1;
    if (m_menu) {
        if (logout)
            m_menu->Logout();
        else
            m_menu->Reconnect(0);
        RequestBringToFront(m_menu);
    }
    m_returnGuard = 0;
}

void COrlogateApplication::ReturnToMenuReconnect(int argument)
{
    if (m_returnGuard)
        return;
    m_returnGuard = 1;
    if (m_menu) {
        m_menu->Reconnect(argument);
        RequestBringToFront(m_menu);
    }
    m_returnGuard = 0;
}

void COrlogateApplication::ShowMenu()
{
    if (m_menu)
        m_menu->ResetToStartPage();
}

void COrlogateApplication::ShowChat()
{
    if (m_menu && m_inGame)
        m_menu->ShowPage(CVortanString("chat_root"), 1);
}

// --- status observer ------------------------------------------------------------------------------

static bool IsFront(const CVortanPtrArray& states, const void* screen)
{
    return screen && states.GetAt(0) == screen;
}

void COrlogateApplication::OnLobbyStateChanged(IOrloNetworkSession* session, int state)
{
    (void)session;
    bool menuFront = IsFront(m_states, (IOrloState*)m_menu);
    if (state == IOrloNetworkSession::LOBBY_CLOSED) {
        m_lobbyConnected = 0;
        // The lobby is gone: there is nobody to ask for the next advert.
        if (!m_returnGuard && m_advertisement)
            m_advertisement->Hide(false);
        IOrloGameState* game = GetReadyGameState();
        if (menuFront && game)
            game->SetSessionFlag(m_returnGuard);
    } else if (state == IOrloNetworkSession::LOBBY_CONNECTED) {
        m_lobbyConnected = 1;
    }
    if (menuFront)
        m_menu->OnLobbyStateChanged(state);
}

void COrlogateApplication::OnGameStateChanged(IOrloNetworkSession* session, int state)
{
    (void)session;
    bool menuFront = IsFront(m_states, (IOrloState*)m_menu);
    if (state == 0) {
        m_inGame = 0;
        IOrloGameState* game = GetReadyGameState();
        if (menuFront && game)
            game->OnGameClosed();
    } else if (state == IOrloNetworkSession::GAME_UP) {
        m_inGame = 1;
    }
    if (menuFront)
        m_menu->OnGameStateChanged(state);
    if (m_settings)
        m_settings->Save();
}

void COrlogateApplication::OnNotification(IOrloNetworkSession* session, int kind, int value,
                                          const CVortanString& text)
{
    (void)session;
    (void)value;
    ShowToast(text, 0.0f, kind);
}

void COrlogateApplication::ShowToast(const CVortanString& text, float duration, int kind)
{
    if (!m_toast)
        return;
    m_toast->AddMessage(text, duration, kind);
    if (m_device)
        m_device->Vibrate(0);
}

// --- the advertisement ---------------------------------------------------------------------------

void COrlogateApplication::OnAdvertisementInfo(const CVortanString& firstText,
                                               const CVortanString& clickLink, const u8* image,
                                               int imageLength, int delayMs, int closeCountdownMs,
                                               const CVortanArray<i32>* frameTimesMs,
                                               const CVortanString& okLink, int flags,
                                               const CVortanString& title,
                                               const CVortanString& titleLink)
{
    if (!m_advertisement) {
        IOrloAdvertisement* advert =
            m_onlineFactory ? m_onlineFactory->CreateAdvertisement() : nullptr;
        if (!advert)
            return;
        if (advert->Init(this) != VORTAN_OK) {
            advert->Release();
            delete advert;
            return;
        }
        m_advertisement = advert;
    }
    m_advertisement->Show(firstText, clickLink, imageLength, image, delayMs, closeCountdownMs,
                          frameTimesMs, okLink, flags, title, titleLink);
}

void COrlogateApplication::ExitApplication(bool quit)
{
    if (!m_advertisement) {
        if (quit)
            RequestQuit();
        return;
    }
    if (quit)
        m_advertisement->ShowOnExit();
    else
        m_advertisement->SetShown(1);
}

int COrlogateApplication::IsInGame()
{
    if (m_inGame)
        return 1;
    IOrloGameState* game = GetReadyGameState();
    return game && game->IsPlaying() ? 1 : 0;
}

int COrlogateApplication::ShowsAdvertisements()
{
    const int edition = GetEditionFlag();
    return (edition == 0 || edition == 1) ? 1 - edition : 0;
}

// --- chat -------------------------------------------------------------------------------------

void COrlogateApplication::OnChatMessage(const COrloChatRecord& record, bool incoming)
{
    if (m_menu)
        m_menu->OnChatMessage(record, incoming);
}

void COrlogateApplication::SendChatMessage(const CVortanString& text, int kind)
{
    if (!m_session)
        return;
    COrloChatRecord record(kind, text, m_session->GetOwnPlayerId());
    m_session->SendChatMessage(record);
    if (m_menu)
        m_menu->AddChatLine(record, false);
}

void COrlogateApplication::SendChatNotice(int kind)
{
    SendChatMessage(CVortanString(), kind);
}

// --- game observer ------------------------------------------------------------------------------

void COrlogateApplication::OnGameData(IOrloNetworkSession* session, const u8* bytes, int length)
{
    (void)session;
    IOrloGameState* game = GetReadyGameState();
    if (game)
        game->OnGameData(bytes, length);
}

void COrlogateApplication::OnGameStart(IOrloNetworkSession* session, int game, int opener)
{
    m_rematchChoice = -1;
    // A new match (a rematch keeps the game): its own result, its own opponent.
    m_resultSent = 0;
    m_matchClosed = 0;
    m_matchGame = session ? session->GetGameId() : 0;
    if (m_menu)
        m_menu->OnGameStart(game, opener);
    IOrloGameState* hosted = GetReadyGameState();
    if (hosted)
        hosted->StartMatch(opener);
    if (m_device)
        m_device->Vibrate(0);
}

void COrlogateApplication::OnPlayerLeft(IOrloNetworkSession* session, int playerId)
{
    if (session && playerId == session->GetOwnPlayerId())
        return;
    m_matchClosed = 1;
    OnChatMessage(COrloChatRecord(5, CVortanString(), playerId), true);
    IOrloGameState* game = GetReadyGameState();
    if (game)
        game->OnPlayerLeft(playerId);
}

// --- the end of a match ---------------------------------------------------------------------------

void COrlogateApplication::EndMatch(const CVortanArray<i32>* ids, const CVortanArray<i32>* places,
                                    int flag)
{
    m_endReportPending = 1;
    // Leaving after the game reported the match adds no second result for it.
    if (m_session && !m_resultSent) {
        m_session->SendGameResult(ids, places, flag);
        m_resultSent = 1;
    }
    if (m_menu)
        m_menu->UpdateChatButtons(true);
    if (flag) {
        AnswerRematch(false, true);
        if (m_menu)
            m_menu->ResetToStartPage();
    } else if (m_rematchChoice >= 0) {
        int choice = m_rematchChoice;
        AnswerRematch((choice & 1) != 0, (choice & 2) != 0);
        if (!(choice & 1) && m_menu)
            m_menu->ResetToStartPage();
    }
    m_rematchChoice = -1;
}

void COrlogateApplication::AnswerRematch(bool accept, bool leave)
{
    if (m_endReportPending) {
        if (m_menu)
            m_menu->UpdateChatButtons(false);
        if (m_matchClosed) {
            // The match is over on the game server: nobody to answer; a refusal only lets
            // the game connection go, unless a new game has begun on it meanwhile (the battle
            // of the finished match may report the old connection's close that late).
            if (!accept) {
                if (m_session && m_session->GetGameId() == m_matchGame)
                    m_session->CloseGameSocket();
                if (m_menu)
                    m_menu->ResetToStartPage();
            }
        } else if (accept) {
            SendChatNotice(4);
            if (m_session)
                m_session->SendRematchReply(1);
        } else {
            SendChatNotice(leave ? 5 : 1);
            if (m_session)
                m_session->SendRematchReply(0);
            m_matchClosed = 1;
            if (m_menu)
                m_menu->ResetToStartPage();
        }
        m_endReportPending = 0;
    } else if (m_rematchChoice < 0) {
        m_rematchChoice = (accept ? 1 : 0) | (leave ? 2 : 0);
    }
}
