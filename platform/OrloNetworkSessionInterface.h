// IOrloNetworkSession: the online client's single view of the online service (the lobby and
// game connections and their messages) as the application drives it, with the observer
// interfaces through which the session reports to the application. The online client's
// COrloNetworkSession implements it.
//
// Main thread only.
#pragma once
#include "engine/VortanArray.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"

class COrlogateApplication;
class IOrloLobby;
struct COrloChatRecord;
// The online client's message records (passed through here unopened).
struct SAchievementInfo;
struct SBuyItemPlayerInfo;
struct SItemData;
struct SMatchResult;
struct SShopGroupData;
struct SShopItemData;

class IOrloNetworkSession {
public:
    // Lobby state (status bits 0-7) and game state (bits 8-15).
    enum { LOBBY_CLOSED = 0, LOBBY_CONNECTED = 1, GAME_UP = 0x100 };

    class StatusObserver {
    public:
        virtual ~StatusObserver() {}
        virtual void OnLobbyStateChanged(IOrloNetworkSession* session, int state) = 0;
        virtual void OnGameStateChanged(IOrloNetworkSession* session, int state) = 0;
        // A notification (tag 45): its kind, its value and its text.
        virtual void OnNotification(IOrloNetworkSession* session, int kind, int value,
                                    const CVortanString& text) = 0;
    };
    // The lobby's messages (player lists, challenges, shop, achievements...), each with the
    // values of its message; byte arrays and lists are the session's, valid during the call.
    // An observer overrides the ones it takes.
    class LobbyObserver {
    public:
        virtual ~LobbyObserver() {}
        virtual void OnPlayerListUpdate(IOrloNetworkSession*, int, int, int) {}
        virtual void OnLobbyEvent1(IOrloNetworkSession*) {}
        virtual void OnPlayerStatus(IOrloNetworkSession*, int playerId, int kind, int value,
                                    const CVortanString&, const CVortanString&)
        {
            (void)playerId, (void)kind, (void)value;
        }
        virtual void OnMatchResults(IOrloNetworkSession*, int index, const SMatchResult&)
        {
            (void)index;
        }
        virtual void OnChallengeReceived(IOrloNetworkSession*, int challengerId,
                                         const CVortanString& name, const CVortanString& text, int,
                                         int)
        {
            (void)challengerId, (void)name, (void)text;
        }
        virtual void OnChallengeReply(IOrloNetworkSession*, int playerId, const CVortanString&,
                                      const CVortanString&, int answer)
        {
            (void)playerId, (void)answer;
        }
        virtual void OnPlayerAvatar(IOrloNetworkSession*, int playerId, const u8*, int)
        {
            (void)playerId;
        }
        virtual void OnGameStatus(int flags) { (void)flags; }
        virtual void OnItemData(const CVortanArray<SItemData>&) {}
        virtual void OnItemPackData(int item, int offset, const u8*, int length, int remaining)
        {
            (void)item, (void)offset, (void)length, (void)remaining;
        }
        virtual void OnCoinBalance(int balance) { (void)balance; }
        virtual void OnShopGroups(int parent, const CVortanArray<SShopGroupData>&) { (void)parent; }
        virtual void OnShopItems(int group, int, const CVortanArray<SShopItemData>&)
        {
            (void)group;
        }
        virtual void OnShopItemImage(int, int, const u8*, int) {}
        virtual void OnBuyItemPlayers(int, int, const CVortanString&,
                                      const CVortanArray<SBuyItemPlayerInfo>&)
        {}
        virtual void OnConfirmBuyItemResponse(int, int, const CVortanString&) {}
        virtual void OnUpdateItemStateResponse(int, int, const CVortanString&, int) {}
        virtual void OnPlayerGiftItems(int, const CVortanString&,
                                       const CVortanArray<SShopItemData>&)
        {}
        virtual void OnConfirmBuyPlayerItemsResponse(int, int, const CVortanString&) {}
        virtual void OnAchievementList(int, int, int, const CVortanArray<SAchievementInfo>&, int) {}
        virtual void OnImageAndLink(const CVortanString& name, int length, const u8*,
                                    const CVortanString&, const CVortanString&,
                                    const CVortanString&)
        {
            (void)name, (void)length;
        }
    };
    class GameObserver {
    public:
        virtual ~GameObserver() {}
        virtual void OnGameData(IOrloNetworkSession* session, const u8* bytes, int length) = 0;
        virtual void OnGameStart(IOrloNetworkSession* session, int game, int opener) = 0;
        virtual void OnPlayerLeft(IOrloNetworkSession* session, int playerId) = 0;
    };
    // The server's advertisement (tag 80): its ten values in field order, the image as bytes
    // and length.
    class AdvertisementObserver {
    public:
        virtual ~AdvertisementObserver() {}
        virtual void OnAdvertisementInfo(const CVortanString&, const CVortanString&, const u8*, int,
                                         int, int, const CVortanArray<i32>*, const CVortanString&,
                                         int, const CVortanString&, const CVortanString&)
        {}
    };

    // The application deletes the session after Shutdown.
    virtual ~IOrloNetworkSession() {}

    // Keeps the application and registers the status observer. 1 on success; any other
    // result is a failure.
    virtual int Init(COrlogateApplication* application, StatusObserver* statusObserver) = 0;
    // Removes every observer, forgets the application and closes both connections.
    virtual void Shutdown() = 0;
    // 1 while the session is delivering a message or a status (its own callbacks are on the
    // stack): it may then be shut down, but not deleted before the delivery returns.
    virtual int IsDelivering() const { return 0; }
    // The per-frame time-outs.
    virtual void Update(float seconds) = 0;

    virtual void AddLobbyObserver(LobbyObserver* observer) = 0;
    virtual void AddGameObserver(GameObserver* observer) = 0;
    virtual void AddAdvertisementObserver(AdvertisementObserver* observer) = 0;

    // Bits 0-7 the lobby state, bits 8-15 the game state.
    virtual int GetStatus() const = 0;
    virtual void CloseGameSocket() = 0;
    // The game the game connection is for (0 before the first): a new game's begin changes it
    // before its connection opens.
    virtual i64 GetGameId() const { return 0; }
    // Asks the lobby for a game (mode, maximum players) and marks the session joined.
    virtual void SendJoin(int mode, int maxPlayers) = 0;
    virtual void SendLeave() = 0;
    // The game's bytes, delivered whole and in order to the opponent's game observer.
    virtual void SendGameData(const u8* bytes, int length) = 0;
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
