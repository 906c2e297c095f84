// COrloNetworkSession: the client's single view of the online service (lobby and game
// connections, their messages and the observers that receive them).
//
// Until the online client's session is built, this is a stand-in: Init reports that the
// service is not available (VORTAN_E_FAIL), nothing is ever sent or received, and the queries
// answer as a session that has not logged in (own player id -1, release id 0, empty texts).
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "online/OrloLobby.h"

class COrlogateApplication;

// A chat line as the session, the application and the menu exchange it.
struct COrloChatRecord {
    COrloChatRecord() : kind(0), playerId(-1) {}
    COrloChatRecord(int k, const CVortanString& t, int id) : kind(k), text(t), playerId(id) {}

    i32 kind; // 2 a chat line, 4 rematch accepted, 5 left, 1 declined
    CVortanString text;
    i32 playerId;
};

class COrloNetworkSession {
public:
    // Lobby state (status bits 0-7) and game state (bits 8-15).
    enum { LOBBY_CLOSED = 0, LOBBY_CONNECTED = 1, GAME_UP = 0x100 };

    class StatusObserver {
    public:
        virtual ~StatusObserver() {}
        virtual void OnLobbyStateChanged(COrloNetworkSession* session, int state) = 0;
        virtual void OnGameStateChanged(COrloNetworkSession* session, int state) = 0;
        virtual void OnNotification(COrloNetworkSession* session, int reserved, int kind,
                                    const CVortanString& text) = 0;
    };
    // The lobby's messages (player lists, challenges, shop, achievements...); their
    // operations come with the online client's message records.
    class LobbyObserver {
    public:
        virtual ~LobbyObserver() {}
    };
    class GameObserver {
    public:
        virtual ~GameObserver() {}
        virtual void OnGameData(COrloNetworkSession* session, const u8* bytes, int length) = 0;
        virtual void OnGameStart(COrloNetworkSession* session, int game, int opener) = 0;
        virtual void OnPlayerLeft(COrloNetworkSession* session, int playerId) = 0;
    };
    // The server's advertisement record; its operation comes with the online client's
    // message records.
    class AdvertisementObserver {
    public:
        virtual ~AdvertisementObserver() {}
    };

    COrloNetworkSession()
        : m_application(nullptr), m_status(0), m_ownPlayerId(-1), m_releaseId(0), m_joined(0)
    {}
    virtual ~COrloNetworkSession() { Shutdown(); }

    // VORTAN_OK on success; VORTAN_E_FAIL: the online service is not available in this build.
    int Init(COrlogateApplication* application, StatusObserver* statusObserver)
    {
        (void)application;
        (void)statusObserver;
        return VORTAN_E_FAIL;
    }
    void Shutdown()
    {
        m_lobby.Clear();
        m_application = nullptr;
    }
    void Update(float seconds) { (void)seconds; }

    void AddStatusObserver(StatusObserver* observer) { (void)observer; }
    void AddLobbyObserver(LobbyObserver* observer) { (void)observer; }
    void AddGameObserver(GameObserver* observer) { (void)observer; }
    void AddAdvertisementObserver(AdvertisementObserver* observer) { (void)observer; }

    // Bits 0-7 the lobby state, bits 8-15 the game state.
    int GetStatus() const { return m_status; }
    void CloseGameSocket() { m_status &= 0xFF; }
    void SendJoin(int mode, int maxPlayers)
    {
        (void)mode;
        (void)maxPlayers;
        m_joined = 1;
    }
    void SendLeave() { m_joined = 0; }
    void SendGameData(const u8* bytes, int length, int a, int b)
    {
        (void)bytes, (void)length, (void)a, (void)b;
    }
    void SendChatMessage(const COrloChatRecord& record) { (void)record; }
    void SendChangeLanguage(const CVortanString& language) { (void)language; }
    void SendGameResult(const void* ids, const void* places, int flag)
    {
        (void)ids, (void)places, (void)flag;
    }
    void SendRematchReply(int answer) { (void)answer; }

    void GetPlayerName(CVortanString& out) const { out = m_playerName; }
    const CVortanString& BuildLinkToken() { return m_linkToken; }
    const CVortanString& GetLoginToken() const { return m_loginToken; }
    COrloLobby* GetLobby() { return &m_lobby; }
    int GetOwnPlayerId() const { return m_ownPlayerId; }
    int GetReleaseId() const { return m_releaseId; }
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
