// COrloNetworkSession: the client's single view of the online service: the lobby and game
// connections, their reassembled messages, the connection state and the observers.
#pragma once
#include <map>
#include <vector>

#include "engine/VortanArray.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "online/net/OrloLobby.h"
#include "online/net/SocketEngine.h"
#include "platform/OrloChatRecord.h"
#include "platform/OrloNetworkSessionInterface.h"

struct SPlayerListItem;
struct SGroupListItem;
struct SPlayerRecord;

// Lobby states (status bits 0-7).
enum {
    LOBBY_STATE_CLOSED = 0,
    LOBBY_STATE_REQUEST_SENT = 1,
    LOBBY_STATE_CONNECTING = 2,
    LOBBY_STATE_ACKNOWLEDGED = 3,
    LOBBY_STATE_LOGIN_SENT = 4,
    LOBBY_STATE_LOGGED_IN = 5
};

class COrloNetworkSession : public IOrloNetworkSession, public ISocketEngineObserver {
public:
    // The answers to the one pending login-type request.
    class LoginObserver {
    public:
        virtual ~LoginObserver() {}
        virtual void OnConnectRefused(COrloNetworkSession* session, const CVortanString& text) = 0;
        virtual void OnLoginError(COrloNetworkSession* session, const CVortanString& text) = 0;
        // The service did not answer: the connection could not be made or the login timed
        // out. An observer that does not tell the two apart takes it as a login error.
        virtual void OnLoginUnanswered(COrloNetworkSession* session, const CVortanString& text)
        {
            OnLoginError(session, text);
        }
        virtual void OnLoginChallenge(COrloNetworkSession* session,
                                      const CVortanString& challenge) = 0;
        virtual void OnLoginSuccess(COrloNetworkSession* session, int playerId,
                                    const CVortanString& playerName,
                                    const CVortanString& loginToken, const CVortanString& text2,
                                    const CVortanString& text5, int value4) = 0;
        virtual void OnConfirmUserNameAck(COrloNetworkSession* session, int result,
                                          const CVortanString& text) = 0;
        virtual void OnConfirmEmailAck(COrloNetworkSession* session, int result,
                                       const CVortanString& text) = 0;
        virtual void OnUnused6() {}
        virtual void OnUnused7() {}
        virtual void ShowPlayerNameScreen() {}
    };

    // A player-list request's callback: (context, selector, index, value0, groups or null,
    // player or null, image bytes, image length).
    typedef void (*PlayerListCallback)(void* context, int selector, int index, int value0,
                                       const CVortanArray<SGroupListItem>* groups,
                                       const SPlayerListItem* player, const u8* image,
                                       int imageLength);
    struct Callback {
        PlayerListCallback function;
        void* context;
    };

    // The game engine's observer: forwards to the session.
    class GameSocketObserver : public ISocketEngineObserver {
    public:
        GameSocketObserver() : m_session(nullptr) {}
        void SetSession(COrloNetworkSession* session) { m_session = session; }
        void OnSocketStatus(int code, int detail) override;
        void OnSocketData(const unsigned char* bytes, int length) override;

    private:
        COrloNetworkSession* m_session;
    };

    COrloNetworkSession();
    ~COrloNetworkSession() override;

    // --- lobby engine ---------------------------------------------------------------------
    void OnSocketStatus(int code, int detail) override;
    void OnSocketData(const unsigned char* bytes, int length) override;

    // --- lifecycle --------------------------------------------------------------------------
    int Init(COrlogateApplication* application, StatusObserver* statusObserver) override;
    void Shutdown() override;
    int IsDelivering() const override { return m_delivering; }
    void Update(float seconds) override;
    int ConnectLobby(const CVortanString& host, int port, LoginObserver* observer);
    void CloseLobbySocket();
    void CloseGameSocket() override;
    void CloseSockets();

    // --- observers --------------------------------------------------------------------------
    void AddStatusObserver(StatusObserver* observer);
    void RemoveStatusObserver(StatusObserver* observer);
    void AddLobbyObserver(LobbyObserver* observer) override;
    void RemoveLobbyObserver(LobbyObserver* observer);
    void AddGameObserver(GameObserver* observer) override;
    void RemoveGameObserver(GameObserver* observer);
    void AddAdvertisementObserver(AdvertisementObserver* observer) override;
    void RemoveAdvertisementObserver(AdvertisementObserver* observer);
    void OnGameSocketStatus(int code, int detail);
    void OnGameSocketData(const unsigned char* bytes, int length);

    // --- connection and login requests (OrloNetworkSession_Requests.cpp) ----------------------
    void SendConnectRequest();
    bool SendLoginChallengeRequest(const CVortanString& name, LoginObserver* observer);
    bool SendLogin(const CVortanString& name, const CVortanString& password,
                   LoginObserver* observer);
    bool SendExternalLogin(int mode, const CVortanString& id, const CVortanString& token,
                           const CVortanString& text, const CVortanString& email,
                           LoginObserver* observer);
    void SendLoginAcknowledge();
    void SendLogout();
    bool SendConfirmUserName(const CVortanString& name, LoginObserver* observer);
    bool SendConfirmEmail(const CVortanString& name, const CVortanString& email,
                          const CVortanString& password, int kind, const CVortanString& token,
                          const CVortanString& id, LoginObserver* observer);
    static CVortanString MakeLoginResponse(const CVortanString& a, const CVortanString& b);
    // min + random mod (max - min + 1) characters of the 64-character alphabet, from the
    // system's random source.
    static CVortanString GenerateRandomString(int min, int max, int seed);

    // --- game socket ------------------------------------------------------------------------
    void SendGameData(const u8* bytes, int length) override;
    void SendGameReady();
    void SendGameResult(const void* ids, const void* places, int flag) override;
    void SendRematchReply(int answer) override;
    void SendChatMessage(const COrloChatRecord& record) override;
    void SendPing();

    // --- lobby requests of the menu -----------------------------------------------------------
    void SendJoin(int a, int b) override;
    void SendLeave() override;
    i64 SendPlayerListRequest(int selector, const CVortanString& text, int c, int d, int firstIndex,
                              int e, PlayerListCallback callback, void* context);
    void SendGameAcknowledge(PlayerListCallback callback, void* context);
    void SendChallengeReply(int challenger, int answer, const CVortanString& text);
    void SendPlayerRelation(int playerId, int value, const CVortanString& text);
    void SendOwnPageRequest(int a, int b);
    void SendChallengeRequest(const CVortanArray<i32>* ids, const CVortanString& text);
    void SendShortIntMessage(int value);
    void SendPlayerGiftRequest(int value);
    void SendUpdateItemState(int item, int on);
    void SendValuePair(int a, int b);
    void SendBuyItemRequest(int a, int b);
    void SendGetShopItems(int group, int count, int first);
    void SendGetItemPackChunk(int item, int offset, int size);
    void SendGetCoinBalance();
    void SendShopDone();
    void SendAdvertisementRequest();
    void SendGetAchievementList(int value0, int value1, int value2);
    void SendGetLanguagePack(const CVortanString& code, const CVortanString& name);
    void SendChangeLanguage(const CVortanString& code) override;
    void SendString2Message(const CVortanString& a, const CVortanString& b);
    void SendBlockUser(int playerId, int block);
    void SendGetShopItemImage(const CVortanArray<i32>* itemIds, int value1);
    void SendConfirmBuyItem(int value0, int value1, const CVortanArray<i32>* selection);
    void SendConfirmBuyPlayerItems(int value0, int value1, const CVortanArray<i32>* values);
    void ClearPlayerListRequests();
    static i64 MakeRequestKey(int selector, int firstIndex);

    // --- web-link texts -----------------------------------------------------------------------
    void AppendGameQuery();
    const CVortanString& BuildLinkToken() override;

    // --- queries ------------------------------------------------------------------------------
    int GetStatus() const override { return m_status; }
    void GetPlayerName(CVortanString& out) const override { out = m_playerName; }
    const CVortanString& GetLoginToken() const override { return m_loginToken; }
    COrloLobby* GetLobby() override { return m_lobby; }
    int GetOwnPlayerId() const override { return m_ownPlayerId; }
    int GetReleaseId() const override { return m_releaseId; }
    int IsJoined() const { return m_joined; }
    const CVortanString& GetGameQuery() const { return m_gameQuery; }
    int GetLobbyPort() const { return m_lobbyEngine ? m_lobbyEngine->GetPort() : 0; }
    i64 GetGameId() const override { return m_gameId; }
    int IsGameLeft() const { return m_gameLeft; }
    int GetMatchFlag() const { return m_matchFlag; }
    float GetLoginTimer() const { return m_loginTimer; }
    // Seconds since the last whole message from either server (the connections close at 60).
    float GetIdleTime() const { return m_idleTime; }
    // The last non-negative ping a server sent (0 lobby, 1 game), or -1: the service answers a
    // ping as it comes among the other messages, so a test waits for its own ping's echo to
    // know the answers to what it sent before have come.
    i32 GetLastPing(int channel) const { return m_lastPing[channel & 1]; }
    LoginObserver* GetLoginObserver() const { return m_loginObserver; }
    CSocketEngine* GetLobbyEngine() const { return m_lobbyEngine; }
    CSocketEngine* GetGameEngine() const { return m_gameEngine; }
    int GetChannelCapacity(int channel) const { return m_channels[channel & 1].capacity; }
    int GetPendingPlayerListCount() const { return (int)m_playerListRequests.size(); }

    // Reassembles one channel's chunk into whole messages and dispatches each (0 lobby, 1 game).
    void ReassembleSocketData(int channel, const u8* bytes, int length);

private:
    COrloNetworkSession(const COrloNetworkSession&) = delete;
    COrloNetworkSession& operator=(const COrloNetworkSession&) = delete;

    struct Channel {
        u8* buffer;
        int capacity;
        int held;
        int pending;
    };

    void SetStatus(int word);
    void SetLobbyState(int state) { SetStatus(state | (m_status & ~0xFF)); }
    void SetGameState(int state) { SetStatus(state | (m_status & ~0xFF00)); }
    // Forgets what the channel holds and closes its connection (both for the lobby).
    void CloseChannel(int channel);
    // Reallocates the channel buffer keeping what it holds; false when memory runs out.
    bool ResizeChannel(int channel, int capacity);
    // Dispatches one whole message of a channel.
    void Dispatch(int channel, const u8* bytes, int length);
    void HandleLobbyMessage(const u8* bytes, int length);
    void HandleGameMessage(const u8* bytes, int length);
    void HandleConnectAck(const u8* bytes, int length);
    void HandleLoginReply(const u8* bytes, int length);
    void HandleGameBegin(const u8* bytes, int length);
    void HandlePlayerList(const u8* bytes, int length);
    void HandlePlayerImage(const u8* bytes, int length);
    void HandleLanguages(const u8* bytes, int length);
    void HandleLanguagePack(const u8* bytes, int length);
    void HandleShopMessage(int tag, const u8* bytes, int length);
    void FillRegistry(const CVortanArray<SPlayerRecord>& players);
    // Takes the pending login observer (cleared); null when none.
    LoginObserver* TakeLoginObserver();
    const CVortanString& Text(int index) const;
    // Encodes a message into a fresh buffer and hands it to the engine.
    void SendMessage(CSocketEngine* engine, const u8* bytes, int length);
    // The lobby engine when it exists and is connected (with report); null otherwise.
    CSocketEngine* CheckedLobby(bool report);
    bool LoginObserverFree(LoginObserver* observer) const;
    // Sends a message of ints only under `tag`.
    void SendInts(CSocketEngine* engine, int tag, const i32* values, int count);

    COrlogateApplication* m_application;
    CSocketEngine* m_lobbyEngine;
    CSocketEngine* m_gameEngine;
    COrloLobby* m_lobby;
    u8* m_payload;
    int m_status;
    LoginObserver* m_loginObserver;
    std::vector<StatusObserver*> m_statusObservers;
    std::vector<LobbyObserver*> m_lobbyObservers;
    std::vector<GameObserver*> m_gameObservers;
    std::vector<AdvertisementObserver*> m_advertObservers;
    GameSocketObserver m_gameSocketObserver;
    int m_ownPlayerId;
    i64 m_gameId;
    // The other player left the current game: its connection only waits to be closed, and a
    // new game (a challenge, a game start) takes its place.
    int m_gameLeft = 0;
    int m_matchFlag;
    int m_releaseId;
    float m_loginTimer;
    CVortanString m_gameQuery;
    CVortanString m_loginToken;
    CVortanString m_playerName;
    CVortanString m_linkToken;
    std::map<i64, Callback> m_playerListRequests;
    std::map<i64, Callback> m_playerImageRequests;
    int m_challengerId;
    i32 m_lastPing[2];
    Channel m_channels[2];
    int m_joined;
    float m_idleTime;
    int m_delivering;
    int m_retired;
};
