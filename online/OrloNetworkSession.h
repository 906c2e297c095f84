// COrloNetworkSession: the client's single view of the online service (lobby and game
// connections, their messages and the observers that receive them).
//
// Until the online client's session is built, this is a stand-in: a session that never
// connects (what the client is while offline). Init succeeds, nothing is ever sent or
// received, and the queries answer as a session that has not logged in (own player id -1,
// release id 0, empty texts).
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "online/OrloLobby.h"
#include "platform/OrloChatRecord.h"
#include "platform/OrloNetworkSessionInterface.h"

class COrlogateApplication;

// The observer interfaces (StatusObserver, LobbyObserver, GameObserver,
// AdvertisementObserver) and the state values are the platform's, inherited.
class COrloNetworkSession : public IOrloNetworkSession {
public:
    COrloNetworkSession()
        : m_application(nullptr), m_status(0), m_ownPlayerId(-1), m_releaseId(0), m_joined(0)
    {}
    virtual ~COrloNetworkSession() { Shutdown(); }

    // Keeps the application; VORTAN_OK. The session stays unconnected.
    int Init(COrlogateApplication* application, StatusObserver* statusObserver) override
    {
        (void)statusObserver;
        m_application = application;
        return VORTAN_OK;
    }
    void Shutdown() override
    {
        m_lobby.Clear();
        m_application = nullptr;
    }
    void Update(float seconds) override { (void)seconds; }

    void AddStatusObserver(StatusObserver* observer) { (void)observer; }
    void AddLobbyObserver(LobbyObserver* observer) override { (void)observer; }
    void AddGameObserver(GameObserver* observer) override { (void)observer; }
    void AddAdvertisementObserver(AdvertisementObserver* observer) override { (void)observer; }

    // Bits 0-7 the lobby state, bits 8-15 the game state.
    int GetStatus() const override { return m_status; }
    void CloseGameSocket() override { m_status &= 0xFF; }
    void SendJoin(int mode, int maxPlayers) override
    {
        (void)mode;
        (void)maxPlayers;
        m_joined = 1;
    }
    void SendLeave() override { m_joined = 0; }
    void SendGameData(const u8* bytes, int length, int a, int b) override
    {
        (void)bytes, (void)length, (void)a, (void)b;
    }
    void SendChatMessage(const COrloChatRecord& record) override { (void)record; }
    void SendChangeLanguage(const CVortanString& language) override { (void)language; }
    void SendGameResult(const void* ids, const void* places, int flag) override
    {
        (void)ids, (void)places, (void)flag;
    }
    void SendRematchReply(int answer) override { (void)answer; }

    void GetPlayerName(CVortanString& out) const override { out = m_playerName; }
    const CVortanString& BuildLinkToken() override { return m_linkToken; }
    const CVortanString& GetLoginToken() const override { return m_loginToken; }
    COrloLobby* GetLobby() override { return &m_lobby; }
    int GetOwnPlayerId() const override { return m_ownPlayerId; }
    int GetReleaseId() const override { return m_releaseId; }
    int IsJoined() const { return m_joined; }

private:
    COrloNetworkSession(const COrloNetworkSession&) = delete;
    COrloNetworkSession& operator=(const COrloNetworkSession&) = delete;

    COrlogateApplication* m_application;
    int m_status;
    int m_ownPlayerId;
    int m_releaseId;
    int m_joined;
    CVortanString m_playerName;
    CVortanString m_linkToken;
    CVortanString m_loginToken;
    COrloLobby m_lobby;
};
