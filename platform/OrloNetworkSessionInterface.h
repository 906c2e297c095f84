// IOrloNetworkSession: the online client's single view of the online service (the lobby and
// game connections and their messages) as the application drives it, with the observer
// interfaces through which the session reports to the application. The online client's
// COrloNetworkSession implements it.
//
// Main thread only.
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"

class COrlogateApplication;
class IOrloLobby;
struct COrloChatRecord;

class IOrloNetworkSession {
public:
    // Lobby state (status bits 0-7) and game state (bits 8-15).
    enum { LOBBY_CLOSED = 0, LOBBY_CONNECTED = 1, GAME_UP = 0x100 };

    class StatusObserver {
    public:
        virtual ~StatusObserver() {}
        virtual void OnLobbyStateChanged(IOrloNetworkSession* session, int state) = 0;
        virtual void OnGameStateChanged(IOrloNetworkSession* session, int state) = 0;
        virtual void OnNotification(IOrloNetworkSession* session, int reserved, int kind,
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
        virtual void OnGameData(IOrloNetworkSession* session, const u8* bytes, int length) = 0;
        virtual void OnGameStart(IOrloNetworkSession* session, int game, int opener) = 0;
        virtual void OnPlayerLeft(IOrloNetworkSession* session, int playerId) = 0;
    };
    // The server's advertisement record; its operation comes with the online client's
    // message records.
    class AdvertisementObserver {
    public:
        virtual ~AdvertisementObserver() {}
    };

    // The application deletes the session after Shutdown.
    virtual ~IOrloNetworkSession() {}

    // Keeps the application and registers the status observer. 1 on success; any other
    // result is a failure.
    virtual int Init(COrlogateApplication* application, StatusObserver* statusObserver) = 0;
    // Removes every observer, forgets the application and closes both connections.
    virtual void Shutdown() = 0;
    // The per-frame time-outs.
    virtual void Update(float seconds) = 0;

    virtual void AddLobbyObserver(LobbyObserver* observer) = 0;
    virtual void AddGameObserver(GameObserver* observer) = 0;
    virtual void AddAdvertisementObserver(AdvertisementObserver* observer) = 0;

    // Bits 0-7 the lobby state, bits 8-15 the game state.
    virtual int GetStatus() const = 0;
    virtual void CloseGameSocket() = 0;
    // Asks the lobby for a game (mode, maximum players) and marks the session joined.
    virtual void SendJoin(int mode, int maxPlayers) = 0;
    virtual void SendLeave() = 0;
    // The game's bytes, delivered whole and in order to the opponent's game observer.
    virtual void SendGameData(const u8* bytes, int length, int a, int b) = 0;
    virtual void SendChatMessage(const COrloChatRecord& record) = 0;
    virtual void SendChangeLanguage(const CVortanString& language) = 0;
    virtual void SendGameResult(const void* ids, const void* places, int flag) = 0;
    virtual void SendRematchReply(int answer) = 0;

    // The own player name.
    virtual void GetPlayerName(CVortanString& out) const = 0;
    // The web-link token and the login token.
    virtual const CVortanString& BuildLinkToken() = 0;
    virtual const CVortanString& GetLoginToken() const = 0;
    // The player registry.
    virtual IOrloLobby* GetLobby() = 0;
    // -1 before the login reply.
    virtual int GetOwnPlayerId() const = 0;
    // The release number received at connect; 0 before.
    virtual int GetReleaseId() const = 0;
};
