// COrloMenuState: the online menu, the screen the application pushes after the title. It builds
// its widget tree from "menu_root.xml", is the login controller's face, and hosts the game:
// while its pages are hidden the game is drawn and gets the input, with the Orlo button over it.
//
// Main thread only.
#pragma once
#include "engine/VortanPtrArray.h"
#include "engine/VortanRect.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "online/login/LoginController.h"
#include "platform/OrloChatRecord.h"
#include "platform/OrloMenuStateInterface.h"

class CBubble;
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
// The engine's code of the Back key; no X key maps to it on a desktop.
#define ORLO_KEY_BACK 77

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

    // The key as the platform reported it and its engine code (0: none). 1.
    int HandleKeyDown(int key, int engineKey);
    // The engine's code of an X key; 0 for every key on a desktop (it has no Back key).
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

    // --- the application's calls -----------------------------------------------------------------
    void LeaveGameToLobby() override;
    void ResetToStartPage() override;
    void UpdateChatButtons(bool enable) override { (void)enable; }
    void AddChatLine(const COrloChatRecord& record, bool incoming) override
    {
        (void)record;
        (void)incoming;
    }
    void OnChatMessage(const COrloChatRecord& record, bool incoming) override
    {
        (void)record;
        (void)incoming;
    }
    void OnGameStart(int game, int opener) override
    {
        (void)game;
        (void)opener;
    }
    void OnLobbyStateChanged(int state) override { (void)state; }
    void OnGameStateChanged(int state) override;
    using CLoginController::OnGameStateChanged;
    using CLoginController::OnLobbyStateChanged;
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
    static int OnLoadSelf(CWidget* sender, COrloMenuState* menu);
    static int OnUnloadSelf(CWidget* sender, COrloMenuState* menu);
    static int OnRefreshSelf(CWidget* sender, COrloMenuState* menu);
    static int OnShowMe(CWidget* sender, COrloMenuState* menu);
    void OnAchievementList(const CVortanArray<SAchievementInfo>& records);
    void OnImageAndLink(const CVortanString& name, int length, const u8* bytes,
                        const CVortanString& text2, const CVortanString& text3);
    void OnMatchResults(int index, const SMatchResult& record);
    // The player-list request's answers for the own entry (the session's callback).
    static void OnSelfEntry(void* context, int selector, int index, int value0,
                            const CVortanArray<SGroupListItem>* groups,
                            const SPlayerListItem* player, const u8* image, int imageLength);
    // Fills a player item's faces from its record.
    void FillPlayerList(CWidget* item, const SPlayerListItem& record);
    // 0 lost, 1 tied, 2 won, for any result the service sends.
    static int ResultIndex(int result);
    CWidget* GetSelfItem() const { return m_selfItem; }
    // The session's answers for these pages reach the menu through this observer.
    void AttachPagesObserver();
    void DetachPagesObserver();

    // --- player lists, challenges, chat --------------------------------------------------------------

    // --- shop, buying, coins and gifts, item data packs ----------------------------------------------

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
    void ForgetWidgets();
    // The widget at the path from the page root, or null.
    CWidget* FindFromPages(const char* path) const;
    CWidget* FindInTree(const char* name) const;
    void SetTextOf(CWidget* widget, const CVortanString& text);
    const CVortanString& MenuText(int index) const;
    void UpdateTurnClock();
    void UpdateOrloButtonAnimation(float dt);
    void RunItemCheck();
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
    CVortanPtrArray m_items;
    BoundEvent m_bound[ORLO_MENU_EVENT_COUNT];

    // login and registration, settings and language, start page, about, own page
    class PagesObserver : public IOrloNetworkSession::LobbyObserver {
    public:
        COrloMenuState* menu = nullptr;
        void OnAchievementList(int, int, int, const CVortanArray<SAchievementInfo>& list,
                               int) override;
        void OnImageAndLink(const CVortanString& name, int length, const u8* bytes,
                            const CVortanString& text2, const CVortanString& text3,
                            const CVortanString& text4) override;
        void OnMatchResults(IOrloNetworkSession*, int index, const SMatchResult& record) override;
    };
    // Goes back to the first page of the user (login page for a guest, else start page).
    void ReturnToFirstPage();
    PagesObserver m_pagesObserver;
    COrloNetworkSession* m_pagesObserverSession = nullptr;
    CWidget* m_selfItem = nullptr; // the own entry's item widget
    int m_initialisingSlider = 0;  // a slider takes the stored volume: no write back

    // player lists, challenges, chat

    // shop, buying, coins and gifts, item data packs

private:
    COrloMenuState(const COrloMenuState&) = delete;
    COrloMenuState& operator=(const COrloMenuState&) = delete;
};
