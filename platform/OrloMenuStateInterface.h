// IOrloMenuState: the online menu as the application calls it. The menu is the screen the
// application pushes after the title; it hosts the game (while its own pages are hidden it
// passes update, drawing and input to the game's state) and is the login controller. The
// online client's COrloMenuState implements it.
//
// Main thread only.
#pragma once
#include "engine/VortanArray.h"
#include "platform/OrloState.h"

class CVortanPtrArray;
class CVortanString;
struct COrloChatRecord;
struct SAchievementInfo;
struct SBuyItemPlayerInfo;
struct SItemData;
struct SMatchResult;
struct SShopGroupData;
struct SShopItemData;

class IOrloMenuState : public IOrloState {
public:
    virtual ~IOrloMenuState() {}

    // Reports the game's players to the application and shows the login or start page.
    virtual void LeaveGameToLobby() = 0;
    // Collapses the chat, hides the menu and shows the login page for a guest, else the start
    // page; tells the hosted game that the connection is lost.
    virtual void ResetToStartPage() = 0;
    // Navigates to the page and shows (non-zero) or hides the menu.
    virtual void ShowPage(const CVortanString& page, int shown) = 0;
    // Shows or hides the rematch and back buttons of the chat page.
    virtual void UpdateChatButtons(bool enable) = 0;
    virtual void AddChatLine(const COrloChatRecord& record, bool incoming) = 0;
    // Offers a chat line to the hosted game first, then adds it to the chat.
    virtual void OnChatMessage(const COrloChatRecord& record, bool incoming) = 0;
    // Hides the menu for the match and resets its chat page.
    virtual void OnGameStart(int game, int opener) = 0;
    virtual void OnLobbyStateChanged(int state) = 0;
    virtual void OnGameStateChanged(int state) = 0;
    // Sends a two-integer request to the service.
    virtual void SendValuePair(int a, int b) = 0;
    // The user-data path of "data_<game>_<item>.dmp"; 1, or a failure code.
    virtual int GetItemDataPath(int itemId, CVortanString& out) = 0;
    // The menu's item records.
    virtual CVortanPtrArray* GetItemList() = 0;

    // The shop's lobby messages, as the application passes them on (the values of the lobby
    // observer's calls; lists and bytes are valid during the call). A menu without a shop
    // ignores them.
    virtual void OnShopGroups(int parent, const CVortanArray<SShopGroupData>& groups)
    {
        (void)parent, (void)groups;
    }
    virtual void OnShopItems(int group, int first, const CVortanArray<SShopItemData>& items)
    {
        (void)group, (void)first, (void)items;
    }
    virtual void OnCoinBalance(int coins) { (void)coins; }
    virtual void OnShopItemImage(int itemId, int size, const u8* bytes, int length)
    {
        (void)itemId, (void)size, (void)bytes, (void)length;
    }
    virtual void OnUpdateItemStateResponse(int itemId, int state, const CVortanString& text,
                                           int otherId)
    {
        (void)itemId, (void)state, (void)text, (void)otherId;
    }
    virtual void OnBuyItemPlayers(int itemId, int code, const CVortanString& text,
                                  const CVortanArray<SBuyItemPlayerInfo>& players)
    {
        (void)itemId, (void)code, (void)text, (void)players;
    }
    virtual void OnConfirmBuyItemResponse(int result, int code, const CVortanString& text)
    {
        (void)result, (void)code, (void)text;
    }
    virtual void OnPlayerGiftItems(int recipient, const CVortanString& text,
                                   const CVortanArray<SShopItemData>& items)
    {
        (void)recipient, (void)text, (void)items;
    }
    virtual void OnConfirmBuyPlayerItemsResponse(int result, int code, const CVortanString& text)
    {
        (void)result, (void)code, (void)text;
    }
    virtual void OnItemData(const CVortanArray<SItemData>& packs) { (void)packs; }
    virtual void OnItemPackData(int dataId, int offset, const u8* bytes, int length, int remaining)
    {
        (void)dataId, (void)offset, (void)bytes, (void)length, (void)remaining;
    }

    // The lobby's player and challenge messages, as the application passes them on (the
    // values of the lobby observer's calls; bytes are valid during the call).
    virtual void OnPlayerListUpdate(int reason, int game, int count)
    {
        (void)reason, (void)game, (void)count;
    }
    virtual void OnPlayerStatus(int playerId, int kind, int value)
    {
        (void)playerId, (void)kind, (void)value;
    }
    virtual void OnChallengeReceived(int challengerId, const CVortanString& name, int rank,
                                     int score)
    {
        (void)challengerId, (void)name, (void)rank, (void)score;
    }
    virtual void OnChallengeReply(int playerId, const CVortanString& name, int answer)
    {
        (void)playerId, (void)name, (void)answer;
    }
    virtual void OnPlayerAvatar(int playerId, const u8* bytes, int length)
    {
        (void)playerId, (void)bytes, (void)length;
    }
    virtual void OnGameStatus(int flags) { (void)flags; }

    // The lobby's remaining messages: the own page's results and achievements, the start page's image-and-link adverts, and an event nobody uses.
    virtual void OnLobbyEvent1() {}
    virtual void OnMatchResults(int index, const SMatchResult& record)
    {
        (void)index, (void)record;
    }
    virtual void OnAchievementList(int value0, int value1, int value2,
                                   const CVortanArray<SAchievementInfo>& records, int value4)
    {
        (void)value0, (void)value1, (void)value2, (void)records, (void)value4;
    }
    virtual void OnImageAndLink(const CVortanString& name, int length, const u8* bytes,
                                const CVortanString& text2, const CVortanString& text3,
                                const CVortanString& text4)
    {
        (void)name, (void)length, (void)bytes, (void)text2, (void)text3, (void)text4;
    }

    // The login controller's operations.
    virtual void Reconnect(int argument) = 0;
    virtual void Logout() = 0;
    virtual void GetUserName(CVortanString& out) = 0;
    // The server redirected the client to another lobby server.
    virtual void ScheduleReconnect(const CVortanString& host, int port) = 0;
};
