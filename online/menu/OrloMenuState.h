// COrloMenuState: the online menu, the screen the application pushes after the title. It builds
// its widget tree from "menu_root.xml", is the login controller's face, and hosts the game:
// while its pages are hidden the game is drawn and gets the input, with the Orlo button over it.
//
// Main thread only.
#pragma once
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/VortanMap.h"
#include "engine/VortanPtrArray.h"
#include "engine/VortanRect.h"
#include "engine/VortanString.h"
#include "engine/VortanStringArray.h"
#include "engine/VortanTypes.h"
#include "engine/platform/VortanKeys.h"
#include "online/login/LoginController.h"
#include "online/menu/OrloMenuPlayerRecord.h"
#include "online/protocol/ASN1Records.h"
#include "platform/OrloChatRecord.h"
#include "platform/OrloMenuStateInterface.h"

class CBubble;
class CVortanBitmapFont;
class CVortanSurface;
class CButton;
class CInfiniteList;
class CPageView;
class CUIActionRegistry;
class CUIActionSequenceList;
class CWidget;
class IEasingCurve;

// The layout file of the menu.
#define ORLO_MENU_LAYOUT "menu_root.xml"
// The loading page closes by itself after this many seconds.
#define ORLO_MENU_LOADING_TIMEOUT 30.0f
// The size of the work buffer (item pack hashing).
#define ORLO_MENU_WORK_BUFFER 16384
// The events the menu registers.
#define ORLO_MENU_EVENT_COUNT 122
// The engine's code of the Back key (Escape on a desktop).
#define ORLO_KEY_BACK VORTAN_KEY_BACK

class COrloMenuState : public IOrloMenuState, public CLoginController {
public:
    // One handler of the menu's event table: the sending widget and the menu; 1 as a rule.
    typedef int (*Handler)(CWidget* sender, COrloMenuState* menu);
    struct EventRow {
        const char* name;
        Handler handler;
    };
    // A row as the widgets' delegates carry it.
    struct BoundEvent {
        COrloMenuState* menu;
        Handler handler;
    };

    COrloMenuState();
    // Releases everything (Release).
    virtual ~COrloMenuState();

    // --- the screen -------------------------------------------------------------------------
    int Init(COrloApplication* application) override;
    // Also the login controller's Release.
    void Release() override;
    int Load() override;
    void Unload() override;
    int Update(float seconds) override;
    void Render() override;
    // 1 when the menu was rebuilt and the game took the size, else 0.
    int OnResize(int width, int height) override;
    int OnContextRestored() override;
    int OnContextLost() override;
    int OnPointerDown(int button, int x, int y) override;
    int OnPointerMove(int button, int x, int y) override;
    int OnPointerUp(int button, int x, int y) override;
    // Maps the X key to the engine's code (MapKey) and goes on in HandleKeyDown.
    int OnKeyDown(int key) override;
    int OnChar(unsigned short character) override;
    // 3 without a widget tree (the game is told all the same), else 1.
    int SetLanguage(const CVortanString& nameOrCode) override;

    // The key as the platform reported it and its engine code (VORTAN_KEY_NONE: none). 1.
    int HandleKeyDown(int key, int engineKey);
    // The engine's code of a key as the platform reports it (the device's Back key included),
    // VORTAN_KEY_NONE for a key without one.
    static int MapKey(int key);

    // --- showing -------------------------------------------------------------------------------
    bool IsMenuShown();
    void SetMenuShown(bool shown);
    void ShowPage(const CVortanString& page, int shown) override;
    void GoToHomePage();
    void ToggleMenu();
    // A toast of kind 0.
    void ShowNotice(const CVortanString& text);

    // --- dialogs and loading --------------------------------------------------------------------
    virtual void ShowLoading(const CVortanString& title, const CVortanString& description);
    virtual void HideLoading();
    void ShowShopError(int code, const CVortanString& text);

    // --- the login controller's callbacks ------------------------------------------------------
    void OnLoginSucceeded(const CVortanString& playerName, const CVortanString& token,
                          int justRegistered) override;
    void ShowLoginError(const CVortanString& title, const CVortanString& message, int optionBits,
                        const CVortanString* updateLink) override;
    void ShowConnectionError(const CVortanString& text) override;
    void ShowLoginScreen() override;
    void OnUserNameChecked(bool accepted, const CVortanString& text) override;
    void ShowReconnecting() override;
    void ShowPlayerNameScreen() override;
    // Fills the login form from the stored credentials.
    void RestoreLoginFields();
    // The failed-login page is the current page.
    bool IsOnLoginErrorPage();

    // --- the application's calls -----------------------------------------------------------------
    void LeaveGameToLobby() override;
    void ResetToStartPage() override;
    void UpdateChatButtons(bool enable) override;
    void AddChatLine(const COrloChatRecord& record, bool incoming) override;
    void OnChatMessage(const COrloChatRecord& record, bool incoming) override;
    void OnGameStart(int game, int opener) override;
    void OnLobbyStateChanged(int state) override { (void)state; }
    void OnGameStateChanged(int state) override;
    // The own page's achievements and the start page's image-and-link adverts.
    void OnAchievementList(int value0, int value1, int value2,
                           const CVortanArray<SAchievementInfo>& records, int value4) override
    {
        (void)value0, (void)value1, (void)value2, (void)value4;
        OnAchievementList(records);
    }
    void OnImageAndLink(const CVortanString& name, int length, const u8* bytes,
                        const CVortanString& text2, const CVortanString& text3,
                        const CVortanString& text4) override
    {
        (void)text4;
        OnImageAndLink(name, length, bytes, text2, text3);
    }
    using CLoginController::OnGameStateChanged;
    // The login controller's reaction to the lobby state, then the end of the challenges that
    // came in the session before: a lost connection (0) and a completed login (5) end them.
    void OnLobbyStateChanged(IOrloNetworkSession* session, int state) override;
    // The two-int request tag 101.
    void SendValuePair(int a, int b) override;
    int GetItemDataPath(int itemId, CVortanString& out) override;
    CVortanPtrArray* GetItemList() override { return &m_items; }
    void Reconnect(int argument) override
    {
        (void)argument;
        CLoginController::Reconnect();
    }
    void Reconnect() override { CLoginController::Reconnect(); }
    void Logout() override { CLoginController::Logout(); }
    void GetUserName(CVortanString& out) override { out = CLoginController::GetUserName(); }
    const CVortanString& GetUserName() override { return CLoginController::GetUserName(); }
    void ScheduleReconnect(const CVortanString& host, int port) override
    {
        CLoginController::ScheduleReconnect(host, port);
    }

    // --- the event table ---------------------------------------------------------------------------
    static const EventRow* GetEventTable(int* count);
    // Runs the named handler of the table with the sender; 0 when the name is not in it.
    int RunEvent(const char* name, CWidget* sender);
    // The handlers this screen owns.
    static int OnToggleOrloMenu(CWidget* sender, COrloMenuState* menu);
    static int OnDialogButton(CWidget* sender, COrloMenuState* menu);
    static int OnThankYouClose(CWidget* sender, COrloMenuState* menu);
    static int OnCancelAutoRelogin(CWidget* sender, COrloMenuState* menu);
    static int OnExitApp(CWidget* sender, COrloMenuState* menu);

    // --- login and registration, settings and language, start page, about, own page ------------------
    // The name and e-mail checks; a failure shows the login error page.
    bool ValidatePlayerName(const CVortanString& name);
    bool ValidateEmail(const CVortanString& email);
    static int OnLoginOrlogate(CWidget* sender, COrloMenuState* menu);
    static int OnValidateUser(CWidget* sender, COrloMenuState* menu);
    static int OnValidateEmail(CWidget* sender, COrloMenuState* menu);
    static int OnUserNameChanged(CWidget* sender, COrloMenuState* menu);
    static int OnLoginShow(CWidget* sender, COrloMenuState* menu);
    static int OnPlayerNameShow(CWidget* sender, COrloMenuState* menu);
    static int OnConfirmShow(CWidget* sender, COrloMenuState* menu);
    static int OnAutoLoginToggled(CWidget* sender, COrloMenuState* menu);
    static int OnGoogleShow(CWidget* sender, COrloMenuState* menu);
    static int OnGoogleCookie(CWidget* sender, COrloMenuState* menu);
    static int OnGoogleLoaded(CWidget* sender, COrloMenuState* menu);
    static int OnCheckTos(CWidget* sender, COrloMenuState* menu);
    static int OnTosShow(CWidget* sender, COrloMenuState* menu);
    static int OnInitRegisterName(CWidget* sender, COrloMenuState* menu);
    static int OnInitLoginName(CWidget* sender, COrloMenuState* menu);
    // The external login's steps as a web view would report them: a cookie, a loaded page.
    void OnExternalCookie(const CVortanString& name, const CVortanString& value);
    int OnExternalPageLoaded();
    void ClearExternalLogin();
    const CVortanString& GetExternalStatus() const { return m_extStatus; }

    static int OnInitSounds(CWidget* sender, COrloMenuState* menu);
    static int OnToggleSounds(CWidget* sender, COrloMenuState* menu);
    static int OnToggleSoundEffects(CWidget* sender, COrloMenuState* menu);
    static int OnInitMusic(CWidget* sender, COrloMenuState* menu);
    static int OnToggleMusic(CWidget* sender, COrloMenuState* menu);
    static int OnInitVibration(CWidget* sender, COrloMenuState* menu);
    static int OnToggleVibration(CWidget* sender, COrloMenuState* menu);
    static int OnInitSoundsSlider(CWidget* sender, COrloMenuState* menu);
    static int OnSoundsSliderChanged(CWidget* sender, COrloMenuState* menu);
    static int OnInitMusicSlider(CWidget* sender, COrloMenuState* menu);
    static int OnMusicSliderChanged(CWidget* sender, COrloMenuState* menu);
    static int OnUpdateLanguageLabel(CWidget* sender, COrloMenuState* menu);
    static int OnShowLanguageChooser(CWidget* sender, COrloMenuState* menu);
    static int OnLoadLanguageItem(CWidget* sender, COrloMenuState* menu);
    static int OnSelectLanguageItem(CWidget* sender, COrloMenuState* menu);
    static int OnChooseLanguage(CWidget* sender, COrloMenuState* menu);
    static int OnUnloadLanguageItem(CWidget* sender, COrloMenuState* menu);
    // Slider value 0..1 and volume in hundredths of a decibel, -10000..0.
    static int SliderToVolume(float value);
    static float VolumeToSlider(int volume);
    int GetSelectedLanguage() const { return m_selectedLanguage; }

    // The start page's variant by the in-match flag.
    void ShowStartScreen();
    static int OnAboutGameInfo(CWidget* sender, COrloMenuState* menu);
    void OnAchievementList(const CVortanArray<SAchievementInfo>& records);
    void OnImageAndLink(const CVortanString& name, int length, const u8* bytes,
                        const CVortanString& text2, const CVortanString& text3);
    void OnMatchResults(int index, const SMatchResult& record) override;
    // 0 lost, 1 tied, 2 won, for any result the service sends.
    static int ResultIndex(int result);
    CWidget* GetSelfItem() const { return m_selfItem; }

    // --- player lists, challenges, chat --------------------------------------------------------------
    // Lobby messages of the player pages and challenges (the application passes them on).
    void OnPlayerListUpdate(int reason, int game, int count) override;
    void OnPlayerStatus(int playerId, int kind, int value) override;
    void OnChallengeReceived(int challengerId, const CVortanString& name, int rank,
                             int score) override;
    void OnChallengeReply(int playerId, const CVortanString& name, int answer) override;
    void OnPlayerAvatar(int playerId, const u8* bytes, int length) override;
    void OnGameStatus(int flags) override;
    // The chat line of the record: its text and colour; the result says whether it counts as
    // news (1) or not (0). Lines that make no text are not queued.
    int AddChatLineResult(const COrloChatRecord& record, bool incoming);
    // The query steps of "filter_players" (also run by a rebuild and the login page).
    void NewPlayerQuery();
    void ClearPlayerLists();
    // Empties both search fields and the filter text the list requests carry.
    void ClearPlayerSearch();
    void FillPlayerList(CWidget* item, const SMenuPlayer& player);
    void RunChallengeTimer(float seconds);
    // The challenges of a session that ended end with it, as withdrawn ones: the waiting and
    // the join stop, the challenge toasts and pages go, the one challenged is told.
    void EndSessionChallenges();
    // Back from the page of a challenge received, then from the waiting page, when current.
    void LeaveChallengePages();
    // Takes the challenge toasts off the screen and out of the queue.
    void EndChallengeToasts();
    void FeedChatBacklog();
    void ResetChatBacklog();
    // The panel is closed as by the return to the start page.
    void CloseChatPanel();
    // Frees the records of every loaded item (rows, participants, own entry); the tree is about
    // to go without unload events.
    void FreeItemRecords();
    // Player-list answers (the menu as context).
    static void OnPlayerListResult(void* context, int selector, int index, int total,
                                   const CVortanArray<SGroupListItem>* groups,
                                   const SPlayerListItem* player, const u8* image, int imageLength);
    static void OnSelfResult(void* context, int selector, int index, int total,
                             const CVortanArray<SGroupListItem>* groups,
                             const SPlayerListItem* player, const u8* image, int imageLength);
    static void OnParticipantsResult(void* context, int selector, int index, int total,
                                     const CVortanArray<SGroupListItem>* groups,
                                     const SPlayerListItem* player, const u8* image,
                                     int imageLength);
    static int OnShowPlayersRoot(CWidget* sender, COrloMenuState* menu);
    static int OnShowPlayerlistItems(CWidget* sender, COrloMenuState* menu);
    static int OnShowFollowItems(CWidget* sender, COrloMenuState* menu);
    static int OnFilterPlayers(CWidget* sender, COrloMenuState* menu);
    static int OnLoadPlayerlistItem(CWidget* sender, COrloMenuState* menu);
    static int OnLoadFollowItem(CWidget* sender, COrloMenuState* menu);
    static int OnUnloadPlayerlistItem(CWidget* sender, COrloMenuState* menu);
    static int OnUnloadFollowItem(CWidget* sender, COrloMenuState* menu);
    static int OnLoadPlayerlistBatch(CWidget* sender, COrloMenuState* menu);
    static int OnLoadFollowBatch(CWidget* sender, COrloMenuState* menu);
    static int OnLoadPlayerlistGroup(CWidget* sender, COrloMenuState* menu);
    static int OnLoadFollowGroup(CWidget* sender, COrloMenuState* menu);
    static int OnLoadSelf(CWidget* sender, COrloMenuState* menu);
    static int OnUnloadSelf(CWidget* sender, COrloMenuState* menu);
    static int OnRefreshSelf(CWidget* sender, COrloMenuState* menu);
    static int OnShowMe(CWidget* sender, COrloMenuState* menu);
    static int OnExpandListItem(CWidget* sender, COrloMenuState* menu);
    static int OnEndExpandListItem(CWidget* sender, COrloMenuState* menu);
    static int OnExpandNastyButtons(CWidget* sender, COrloMenuState* menu);
    static int OnPlayerDetails(CWidget* sender, COrloMenuState* menu);
    static int OnFollow(CWidget* sender, COrloMenuState* menu);
    static int OnUnfollow(CWidget* sender, COrloMenuState* menu);
    static int OnBlock(CWidget* sender, COrloMenuState* menu);
    static int OnBlockChat(CWidget* sender, COrloMenuState* menu);
    static int OnNoPlayerAction(CWidget* sender, COrloMenuState* menu);
    static int OnSendChallenge(CWidget* sender, COrloMenuState* menu);
    static int OnAcceptChallenge(CWidget* sender, COrloMenuState* menu);
    static int OnRejectChallenge(CWidget* sender, COrloMenuState* menu);
    static int OnChatTextfieldChanged(CWidget* sender, COrloMenuState* menu);
    static int OnChatSend(CWidget* sender, COrloMenuState* menu);
    static int OnChatRematch(CWidget* sender, COrloMenuState* menu);
    static int OnChatExit(CWidget* sender, COrloMenuState* menu);
    static int OnStartChangePageChat(CWidget* sender, COrloMenuState* menu);
    static int OnLoadChatItem(CWidget* sender, COrloMenuState* menu);
    static int OnUnloadChatItem(CWidget* sender, COrloMenuState* menu);
    static int OnExpandChatItem(CWidget* sender, COrloMenuState* menu);
    static int OnChatEndExpand(CWidget* sender, COrloMenuState* menu);
    static int OnExpandChatNastyButtons(CWidget* sender, COrloMenuState* menu);
    // Queries for the pages' helpers, tests and tools.
    const CVortanString& GetFilterText() const { return m_filterText; }
    COrlogateApplication* GetGate() const { return m_gate; }
    COrloNetworkSession* GetNetSession() const { return GetSession(); }
    const CVortanString& GetText(int index) const { return Text(index); }
    static int GetListMode();
    static void SetListMode(int mode);
    int GetPendingChatLineCount() const { return (int)m_chatPending.size(); }
    const CVortanString& GetPendingChatText(int i) const { return m_chatPending[i].text; }
    u32 GetPendingChatColor(int i) const { return m_chatPending[i].color; }
    int IsOwnChallengeOpen() const { return m_ownChallengeOpen; }
    float GetChallengeTimer() const { return m_challengeTimer; }
    int IsRematchAvailable() const { return m_rematchAvailable; }
    CWidget* GetExpandedItem() const { return m_expandedItem; }
    int GetLoadedItemCount(int follow) const
    {
        return (int)(follow ? m_followItems.size() : m_globalItems.size());
    }
    int GetInvitedCount() const { return (int)m_invited.size(); }
    int GetChatPanelRecordId() const { return m_panelPlayer ? m_panelPlayer->id : -1; }

    // --- shop, buying, coins and gifts, item data packs ----------------------------------------------
    // The most content items and content groups kept (a hostile server cannot grow them further).
    enum { CONTENT_ITEMS_MAX = 4096, CONTENT_GROUPS_MAX = 4096 };
    // The fields of an item list entry, seven ints.
    enum {
        ITEM_ENABLED,
        ITEM_ID,
        ITEM_COUNT,
        ITEM_DATA_ID,
        ITEM_GROUP_COUNT,
        ITEM_LAST,
        ITEM_GROUP_VALUE,
        ITEM_FIELDS
    };
    // Lobby messages of the shop (the application passes them on).
    void OnShopGroups(int parent, const CVortanArray<SShopGroupData>& groups) override;
    void OnShopItems(int group, int first, const CVortanArray<SShopItemData>& items) override;
    // 1 for the group ids of game content (512-767 and 1024-1279).
    static int IsContentGroup(int groupId);
    // Frees the entries of the item list.
    void ClearContentItems();
    int GetContentExpected() const { return m_contentExpected; }
    int GetContentGroupCount() const { return m_contentGroups.GetSize(); }

    // Shop pages.
    enum { SHOP_GROUPS_MAX = 256, SHOP_RECORDS_MAX = 4096 };
    void OnCoinBalance(int coins) override;
    void OnShopItemImage(int itemId, int size, const u8* bytes, int length) override;
    void OnUpdateItemStateResponse(int itemId, int state, const CVortanString& text,
                                   int otherId) override;
    static int OnShowShop(CWidget* sender, COrloMenuState* menu);
    static int OnShowShopItems(CWidget* sender, COrloMenuState* menu);
    static int OnShowMyItems(CWidget* sender, COrloMenuState* menu);
    static int OnLoadShopItem(CWidget* sender, COrloMenuState* menu);
    static int OnLoadMyItem(CWidget* sender, COrloMenuState* menu);
    static int OnUnloadShopItem(CWidget* sender, COrloMenuState* menu);
    static int OnUnloadMyItem(CWidget* sender, COrloMenuState* menu);
    static int OnLoadShopItemBatch(CWidget* sender, COrloMenuState* menu);
    static int OnLoadMyItemBatch(CWidget* sender, COrloMenuState* menu);
    static int OnLoadShopGroup(CWidget* sender, COrloMenuState* menu);
    int ShownShopGroup(int header) const;
    static int OnShopItemEndExpand(CWidget* sender, COrloMenuState* menu);
    static int OnShopItemShowLargeIcon(CWidget* sender, COrloMenuState* menu);
    static int OnShopItemHideLargeIcon(CWidget* sender, COrloMenuState* menu);
    static int OnEnableItem(CWidget* sender, COrloMenuState* menu);
    // The time left of a timed item in words (language texts 184-197).
    void TimeLeftText(int seconds, CVortanString& out) const;
    int GetCoins() const { return m_coins; }
    const CVortanMap<i32, SShopItemData>& GetItemRecords() const { return m_itemRecords; }
    CWidget* GetLargeIconItem() const { return m_largeIconItem; }
    float GetIconFade() const { return m_iconFade; }
    // The large icon's countdown and fade, each frame.
    void UpdateShopIcons(float seconds);
    // A rebuilt tree: every loaded row is gone.
    void ForgetShopWidgets();

    // Buying.
    enum { PLAYER_CHOICES_MAX = 1000 };
    struct PlayerChoice {
        i32 id = 0;
        CVortanString name;
        i32 selected = 0;
    };
    void OnBuyItemPlayers(int itemId, int code, const CVortanString& text,
                          const CVortanArray<SBuyItemPlayerInfo>& players) override;
    void OnConfirmBuyItemResponse(int result, int code, const CVortanString& text) override;
    static int OnBuyItem(CWidget* sender, COrloMenuState* menu);
    static int OnRefillItem(CWidget* sender, COrloMenuState* menu);
    static int OnBuyGift(CWidget* sender, COrloMenuState* menu);
    static int OnLoadSelectionItem(CWidget* sender, COrloMenuState* menu);
    static int OnUnloadSelectionItem(CWidget* sender, COrloMenuState* menu);
    static int OnSelectListItem(CWidget* sender, COrloMenuState* menu);
    static int OnOkListSelection(CWidget* sender, COrloMenuState* menu);
    static int OnCancelListSelection(CWidget* sender, COrloMenuState* menu);
    static int OnShowConfirmBuyDialog(CWidget* sender, COrloMenuState* menu);
    static int OnOkBuyConfirm(CWidget* sender, COrloMenuState* menu);
    static int OnNothing(CWidget* sender, COrloMenuState* menu);
    // The price a purchase shows: by the purpose (the code's low byte) the price, the gift
    // price times the players, or the refill price (the price when the refill price is below
    // 1); computed wide and held within int.
    static int PriceFor(const SShopItemData& record, int code, int players);
    int HasPendingPurchase() const { return m_hasPendingPurchase; }
    int GetPlayerChoiceCount() const { return m_playerChoices.GetSize(); }

    // Gifts for a player and coins.
    struct GiftChoice {
        i32 id = 0;
        i32 giftPrice = 0;
        CVortanString name;
        i32 selected = 0;
    };
    void OnPlayerGiftItems(int recipient, const CVortanString& text,
                           const CVortanArray<SShopItemData>& items) override;
    void OnConfirmBuyPlayerItemsResponse(int result, int code, const CVortanString& text) override;
    static int OnBuyPlayerGift(CWidget* sender, COrloMenuState* menu);
    static int OnLoadSelectionGiftItem(CWidget* sender, COrloMenuState* menu);
    static int OnSelectGiftListItem(CWidget* sender, COrloMenuState* menu);
    static int OnOkGiftListSelection(CWidget* sender, COrloMenuState* menu);
    static int OnCancelGiftListSelection(CWidget* sender, COrloMenuState* menu);
    static int OnShowConfirmPlayerGiftDialog(CWidget* sender, COrloMenuState* menu);
    static int OnOkPlayerGiftConfirm(CWidget* sender, COrloMenuState* menu);
    static int OnBuyCoins(CWidget* sender, COrloMenuState* menu);
    // The coin page's link: the forward page with the login token, its check, the game, the
    // release, the store and the language.
    void BuildCoinsLink(CVortanString& out);
    int HasPendingGift() const { return m_hasPendingGift; }
    int GetGiftChoiceCount() const { return m_giftChoices.GetSize(); }
    int GetGiftTotal() const { return m_giftTotal; }

    // Item data packs: one cache entry per data id, checked by digest and fetched in chunks.
    struct ItemPack {
        i32 id;
        i32 version;
        u8 digest[16];
        i32 size;
        i32 valid;       // 1: the local file is known to be complete and correct
        i32 state;       // PACK_UNCHECKED, PACK_DOWNLOADING or PACK_READY
        i32 downloads;   // downloads started since the last pack list
        i32 askedOffset; // the chunk asked for last
        i32 askedLength;
        float idle; // seconds since the last chunk that counted
    };
    // A download that gets no chunk it asked for in this time starts again.
    static constexpr float PACK_STALL_SECONDS = 5.0f;
    enum { PACK_UNCHECKED = -1, PACK_DOWNLOADING = 0, PACK_READY = 1 };
    enum {
        PACK_CHUNK = 16384,
        PACK_DOWNLOADS_MAX = 3,
        PACKS_MAX = 1024,
        PACK_SIZE_MAX = 64 * 1024 * 1024
    };
    void OnItemData(const CVortanArray<SItemData>& packs) override;
    void OnItemPackData(int dataId, int offset, const u8* bytes, int length,
                        int remaining) override;
    const CVortanArray<ItemPack>& GetItemPacks() const { return m_packs; }
    // Where a download is written until its digest matches.
    int GetItemTempPath(int dataId, CVortanString& out);

    // --- the state dump ------------------------------------------------------------------------------
    // Appends the menu's lines to the program's state dump (listed in OrloMenuState_Dump.cpp).
    void DumpState(std::string& out);
    // The dump section the program registers, with the application as its context: the lines
    // of the application's online menu, none without one.
    static void DumpSection(void* application, std::string& out);

    // --- queries for the application, tools and tests ----------------------------------------------
    IOrloGameState* GetGame() const { return m_game; }
    CWidget* GetRoot() const { return m_uiRoot; }
    CPageView* GetPageRoot() const { return m_pageRoot; }
    CWidget* GetOrloButtonRoot() const { return m_orloButtonRoot; }
    CButton* GetOrloButton() const { return m_orloButton; }
    CBubble* GetJoinBubble() const { return m_joinBubble; }
    CBubble* GetReturnGameBubble() const { return m_returnGameBubble; }
    // The current page's name; empty without one.
    CVortanString GetCurrentPageName() const;
    int IsLoading() const { return m_loading; }
    float GetLoadingTimeout() const { return m_loadingTimeout; }
    int IsInMatch() const { return m_inMatch; }
    void SetInMatch(int on) { m_inMatch = on; }
    int IsItemCheckPending() const { return m_itemCheckPending; }
    int GetShowJoinHint() const { return m_showJoinHint; }
    int IsJoinHintDismissed() const { return m_joinHintDismissed; }
    int GetShakeState() const { return m_shakeState; }
    const CVortanRect& GetShakeHomeRect() const { return m_shakeHomeRect; }
    int GetPendingChallenger() const { return m_pendingChallenger; }
    // The browser link the toggle opens without a widget tree.
    void BuildGamePageLink(CVortanString& out);

protected:
    // Builds the tree (over `previousRoot` when given); 1, or 8 when the layout or a required
    // widget is missing (the tree is then gone).
    int BuildMenu(int width, int height, CWidget* previousRoot);
    // Deletes the widget tree and forgets every widget pointer.
    void DestroyMenuUI();
    // The menu's named actions (its event table), registered once for a tree and its
    // rebuilds; null when out of memory.
    const CUIActionRegistry* MenuActions();
    void RegisterMenuActions(CUIActionRegistry* registry);
    void ForgetWidgets();
    // The widget at the path from the page root, or null.
    CWidget* FindFromPages(const char* path) const;
    CWidget* FindInTree(const char* name) const;
    void SetTextOf(CWidget* widget, const CVortanString& text);
    const CVortanString& MenuText(int index) const;
    // Holds a reference to every font and picture of the built tree not yet held, so that a
    // rebuild (or the next Load) finds them loaded; ReleaseKeptResources lets them go.
    void KeepTreeResources(CWidget* widget);
    void ReleaseKeptResources();
    void UpdateTurnClock();
    void UpdateOrloButtonAnimation(float dt);
    void RunItemCheck(float seconds);
    COrlogateApplication* Gate() const;
    static int CallBound(CWidget* sender, void* context, intptr_t arg1, intptr_t arg2);

    IOrloGameState* m_game;
    CWidget* m_uiRoot;
    CPageView* m_pageRoot;
    CWidget* m_orloButtonRoot;
    CButton* m_orloButton;
    CInfiniteList* m_shopList;
    CInfiniteList* m_myItemsList;
    CBubble* m_joinBubble;
    CBubble* m_returnGameBubble;
    CBubble* m_chatSubmitBubble;
    CUIActionSequenceList* m_sequences;
    int m_savedShown;
    int m_inMatch;
    int m_joinHintDismissed;
    int m_showJoinHint;
    int m_loading;
    float m_loadingTimeout;
    int m_itemCheckPending;
    int m_shakeState;
    float m_shakeClock;
    float m_shakePhase;
    CVortanRect m_shakeHomeRect;
    CVortanString m_extStatus;
    CVortanString m_extId;
    CVortanString m_extToken;
    int m_selectedLanguage;
    u8* m_workBuffer;
    IEasingCurve* m_iconFadeCurve;
    float m_iconFade;
    float m_iconDelay;
    float m_searchCountdown;
    int m_pendingChallenger; // the challenge the user sent and waits on; -1 none
    int m_rebuilding;        // set while a resize rebuilds the tree
    CVortanPtrArray m_items;
    BoundEvent m_bound[ORLO_MENU_EVENT_COUNT];
    CUIActionRegistry* m_menuActions; // made by the first build, gone with the tree
    std::vector<CVortanBitmapFont*> m_keptFonts;
    std::vector<CVortanSurface*> m_keptSurfaces;

    // login and registration, settings and language, start page, about, own page
    // Goes back to the first page of the user (login page for a guest, else start page).
    void ReturnToFirstPage();
    int m_initialisingSlider = 0; // a slider takes the stored volume: no write back

    // player lists, challenges, chat
    struct ChatLine {
        CVortanString text;
        u32 color;
    };
    CVortanString m_filterText;
    CWidget* m_expandedItem;
    std::map<int, CWidget*> m_globalItems;
    std::map<int, CWidget*> m_followItems;
    std::map<int, CWidget*> m_participants;
    CVortanStringArray m_globalGroups;
    CVortanStringArray m_followGroups;
    std::set<int> m_invited;
    CWidget* m_selfItem;
    int m_avatarsShown;      // avatar pictures the player list has shown (the state dump's)
    int m_ownChallengeOpen;  // the user's own challenge waits on its answer
    int m_challengeReceived; // a challenge received waits on its answer, withdrawal or game
    float m_challengeTimer;
    std::deque<ChatLine> m_chatPending;
    std::vector<int> m_departed;
    int m_rematchAvailable;
    int m_greeted = 0;          // this match's greeting line has been added to the chat
    SMenuPlayer* m_panelPlayer; // the participant panel's own copy

    // shop, buying, coins and gifts, item data packs
    // Content groups by id, the number of content items announced and the parent whose items are
    // still coming (0: none; an answer for no pending list is stale).
    CVortanMap<i32, SShopGroupData> m_contentGroups;
    int m_contentExpected = 0;
    int m_contentPending = 0;
    CVortanArray<ItemPack> m_packs;
    int m_coins = 0;
    CVortanArray<SShopGroupData> m_shopGroups;
    CVortanMap<i32, SShopItemData> m_itemRecords;
    CVortanMap<i32, CWidget*> m_shopItems; // loaded rows by item index
    CVortanMap<i32, CWidget*> m_myItems;
    CWidget* m_largeIconItem = nullptr;
    void OnShopListGroups(int parent, const CVortanArray<SShopGroupData>& groups);
    void OnShopListItems(int group, int first, const CVortanArray<SShopItemData>& items);
    void OpenShopList(int list);
    void LoadShopRow(CWidget* row, int list);
    void UnloadShopRow(CWidget* row, int list);
    void LoadShopBatch(CWidget* sender, int list);
    void ForgetExpandedShopItem(CWidget* row);
    int GroupKind(int groupId) const;
    void FillShopRow(CWidget* row, const SShopItemData& record, int list);
    void RequestLargeIcon(int itemId);
    int m_hasPendingPurchase = 0;
    int m_pendingItem = 0;
    int m_pendingCode = 0;
    CVortanArray<i32> m_pendingPlayers;
    CVortanArray<PlayerChoice> m_playerChoices;
    void SendBuy(CWidget* sender, int purpose);
    void ShowConfirmBuy();
    void ShowConfirmPlayerGift();
    int m_hasPendingGift = 0;
    int m_giftRecipient = 0;
    int m_giftTotal = 0;
    CVortanArray<i32> m_giftItems;
    CVortanArray<GiftChoice> m_giftChoices;
    CVortanString m_giftRecipientName;
    int m_packLoadingShown = 0; // the loading page was shown in this check run

private:
    COrloMenuState(const COrloMenuState&) = delete;
    COrloMenuState& operator=(const COrloMenuState&) = delete;
};
