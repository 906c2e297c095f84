// COrloMenuState: its lifecycle, building the widget tree, the frame, drawing and input routing.
#include "online/menu/OrloMenuState.h"

#include <algorithm>
#include <new>
#include <stdio.h>
#include <stdlib.h>

#include "engine/graphics/VortanGraphicsContext.h"
#include "online/net/OrloNetworkSession.h"
#include "platform/OrloLanguage.h"
#include "platform/OrlogateApplication.h"
#include "ui/Widget.h"
#include "ui/WidgetCast.h"
#include "ui/anim/EasingCurve.h"
#include "ui/anim/UIActionRegistry.h"
#include "ui/anim/UIActionSequence.h"
#include "ui/layouts/InfiniteList.h"
#include "ui/layouts/PageView.h"
#include "ui/loader/GameXMLLoader.h"
#include "ui/widgets/Bubble.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/ImageWidget.h"
#include "ui/widgets/TextWidget.h"

COrloMenuState::COrloMenuState()
    : m_game(nullptr), m_uiRoot(nullptr), m_pageRoot(nullptr), m_orloButtonRoot(nullptr),
      m_orloButton(nullptr), m_shopList(nullptr), m_myItemsList(nullptr), m_joinBubble(nullptr),
      m_returnGameBubble(nullptr), m_chatSubmitBubble(nullptr), m_sequences(nullptr),
      m_savedShown(0), m_inMatch(0), m_joinHintDismissed(0), m_showJoinHint(0), m_loading(0),
      m_loadingTimeout(0.0f), m_itemCheckPending(0), m_shakeState(0), m_shakeClock(0.0f),
      m_shakePhase(0.0f), m_shakeHomeRect(), m_selectedLanguage(0), m_workBuffer(nullptr),
      m_iconFadeCurve(nullptr), m_iconFade(0.0f), m_iconDelay(-1.0f), m_searchCountdown(0.0f),
      m_pendingChallenger(-1), m_rebuilding(0), m_expandedItem(nullptr), m_selfItem(nullptr),
      m_avatarsShown(0), m_ownChallengeOpen(0), m_challengeReceived(0), m_challengeTimer(0.0f),
      m_rematchAvailable(0), m_panelPlayer(nullptr)
{
    for (int i = 0; i < ORLO_MENU_EVENT_COUNT; ++i) {
        m_bound[i].menu = nullptr;
        m_bound[i].handler = nullptr;
    }
    m_menuActions = nullptr;
}

COrloMenuState::~COrloMenuState()
{
    Release();
}

COrlogateApplication* COrloMenuState::Gate() const
{
    return m_gate;
}

int COrloMenuState::Init(COrloApplication* application)
{
    m_application = application;
    COrlogateApplication* gate = dynamic_cast<COrlogateApplication*>(application);
    m_extStatus.Empty();
    m_extId.Empty();
    m_extToken.Empty();
    int result = LoadSettings(gate);
    if (result != 1) {
        fprintf(stderr, "ERROR: %d\n", result);
        return result;
    }
    if (m_sequences) {
        m_sequences->DeleteAll();
        delete m_sequences;
    }
    m_sequences = new (std::nothrow) CUIActionSequenceList();
    if (!m_sequences)
        return VORTAN_E_NOMEMORY;
    m_sequences->Init();

    m_uiRoot = nullptr;
    m_pageRoot = nullptr;
    m_itemCheckPending = 0;
    IOrloGameState* game = gate ? gate->GetGameState() : nullptr;
    if (!game)
        return VORTAN_E_ARGUMENT;
    // The game knows the application before its own Init.
    game->SetApplication(gate);
    result = game->Init(application);
    if (result != VORTAN_OK)
        return result;
    m_game = game;

    m_iconFade = 0.0f;
    m_searchCountdown = 0.0f;
    m_iconDelay = -1.0f;
    delete m_iconFadeCurve;
    m_iconFadeCurve = CEasingCurveOneMinusPow4::Create(0, nullptr);
    delete[] m_workBuffer;
    m_workBuffer = new (std::nothrow) u8[ORLO_MENU_WORK_BUFFER];
    return VORTAN_OK;
}

void COrloMenuState::Release()
{
    CLoginController::Release();
    if (m_game) {
        IOrloGameState* game = m_game;
        m_game = nullptr;
        game->Release();
        delete game;
    }
    if (m_sequences) {
        m_sequences->DeleteAll();
        delete m_sequences;
        m_sequences = nullptr;
    }
    DestroyMenuUI();
    ReleaseKeptResources();
    delete m_panelPlayer;
    m_panelPlayer = nullptr;
    ClearContentItems();
    delete m_iconFadeCurve;
    m_iconFadeCurve = nullptr;
    delete[] m_workBuffer;
    m_workBuffer = nullptr;
}

int COrloMenuState::Load()
{
    IVortanGraphicsContext* gc = m_application ? m_application->GetGraphics() : nullptr;
    const int width = gc ? gc->GetWidth() : 800;
    const int height = gc ? gc->GetHeight() : 480;
    int result = BuildMenu(width, height, nullptr);
    if (result != 1) {
        if (m_application)
            m_application->RequestQuit();
        return result;
    }
    if (m_game)
        m_game->Load();
    ShowLoading(MenuText(35), MenuText(34));
    if (m_pageRoot)
        m_pageRoot->FinishTransitions();
    RestoreLoginFields();
    if (CanAutoLogin())
        CLoginController::Reconnect();
    else
        LoginAsGuest();
    return 1;
}

void COrloMenuState::Unload()
{
    if (m_game)
        m_game->Unload();
    DestroyMenuUI();
}

void COrloMenuState::ForgetWidgets()
{
    m_pageRoot = nullptr;
    m_orloButtonRoot = nullptr;
    m_orloButton = nullptr;
    m_shopList = nullptr;
    m_myItemsList = nullptr;
    m_joinBubble = nullptr;
    m_returnGameBubble = nullptr;
    m_chatSubmitBubble = nullptr;
    ForgetShopWidgets();
}

void COrloMenuState::DestroyMenuUI()
{
    FreeItemRecords();
    if (m_uiRoot) {
        CWidget* root = m_uiRoot;
        m_uiRoot = nullptr;
        CWidget::Destroy(root);
    }
    ForgetWidgets();
    delete m_menuActions;
    m_menuActions = nullptr;
}

void COrloMenuState::RegisterMenuActions(CUIActionRegistry* registry)
{
    int count = 0;
    const EventRow* rows = GetEventTable(&count);
    // The widgets' delegates point at the menu's bound rows, which live as long as the menu.
    for (int i = 0; i < count && i < ORLO_MENU_EVENT_COUNT; ++i) {
        m_bound[i].menu = this;
        m_bound[i].handler = rows[i].handler;
        registry->Register(CVortanString(rows[i].name), CUIDelegate(&CallBound, &m_bound[i]), 1);
    }
}

const CUIActionRegistry* COrloMenuState::MenuActions()
{
    if (!m_menuActions) {
        m_menuActions = new (std::nothrow) CUIActionRegistry();
        if (m_menuActions)
            RegisterMenuActions(m_menuActions);
    }
    return m_menuActions;
}

const CVortanString& COrloMenuState::MenuText(int index) const
{
    return Text(index);
}

CWidget* COrloMenuState::FindInTree(const char* name) const
{
    return m_uiRoot ? m_uiRoot->FindChild(CVortanString(name), -1) : nullptr;
}

CWidget* COrloMenuState::FindFromPages(const char* path) const
{
    return m_pageRoot ? m_pageRoot->FindByPath(CVortanString(path)) : nullptr;
}

int COrloMenuState::CallBound(CWidget* sender, void* context, intptr_t arg1, intptr_t arg2)
{
    (void)arg1;
    (void)arg2;
    const BoundEvent* bound = (const BoundEvent*)context;
    return bound->handler(sender, bound->menu);
}

int COrloMenuState::BuildMenu(int width, int height, CWidget* previousRoot)
{
    if (m_uiRoot) {
        ClearPlayerSearch();
        return 1;
    }
    // The layout's sequences are registered for this build only, over the menu's own actions,
    // which a rebuild over the old tree finds registered by the build before.
    CUIActionRegistry registry;
    registry.Init(m_sequences);
    const CUIActionRegistry* actions = MenuActions();
    if (actions)
        registry.SetBase(actions);
    else
        RegisterMenuActions(&registry);

    CGameXMLLoader loader;
    loader.Init(m_application, &registry, nullptr);
    CWidget* root = nullptr;
    if (loader.LoadAreas(CVortanString(ORLO_MENU_LAYOUT)) == VORTAN_OK)
        root = loader.CreateWidgetTree(width, height, previousRoot);
    if (!root && previousRoot) {
        // A failed rebuild consumes the old tree all the same: no widget is left whose
        // delegates point at the menu.
        CWidget::Destroy(previousRoot);
    }
    loader.Unload();
    registry.RemoveAll();
    m_uiRoot = root;
    if (!m_uiRoot)
        return 8;

    m_pageRoot = WidgetCast<CPageView>(FindInTree("menu_root"));
    m_orloButtonRoot = FindInTree("orlo_button_root");
    m_orloButton = WidgetCast<CButton>(FindInTree("orlo_button"));
    m_shopList = WidgetCast<CInfiniteList>(FindInTree("shop_page_list"));
    m_myItemsList = WidgetCast<CInfiniteList>(FindInTree("my_items_page_list"));
    m_joinBubble =
        WidgetCast<CBubble>(m_uiRoot->FindByPath(CVortanString("//orlo_button_root//bubble_join")));
    m_returnGameBubble = WidgetCast<CBubble>(
        m_uiRoot->FindByPath(CVortanString("//orlo_button_root//bubble_return_game")));
    m_chatSubmitBubble =
        WidgetCast<CBubble>(m_uiRoot->FindByPath(CVortanString("//chat_root//bubble_chat_submit")));
    if (!m_pageRoot || !m_orloButtonRoot || !m_shopList || !m_myItemsList || !m_orloButton) {
        DestroyMenuUI();
        return 8;
    }
    CWidget* backlog = m_uiRoot->FindByPath(CVortanString("//chat_root//chat_backlog"));
    if (backlog)
        backlog->Update(0.0f);
    KeepTreeResources(m_uiRoot);
    SetMenuShown(false);
    ClearPlayerSearch();
    return 1;
}

void COrloMenuState::KeepTreeResources(CWidget* widget)
{
    COrloResourceManager* manager = m_application;
    if (!widget || !manager)
        return;
    CTextWidget* text = WidgetCast<CTextWidget>(widget);
    CVortanBitmapFont* font = text ? text->GetFont() : nullptr;
    if (font && std::find(m_keptFonts.begin(), m_keptFonts.end(), font) == m_keptFonts.end() &&
        manager->AddRefFont(font))
        m_keptFonts.push_back(font);
    CImageWidget* image = WidgetCast<CImageWidget>(widget);
    CVortanSurface* surface = image ? image->GetImage() : nullptr;
    if (surface &&
        std::find(m_keptSurfaces.begin(), m_keptSurfaces.end(), surface) == m_keptSurfaces.end() &&
        manager->AddRefSurface(surface))
        m_keptSurfaces.push_back(surface);
    const int count = widget->GetChildCount();
    for (int i = 0; i < count; ++i)
        KeepTreeResources(widget->GetChild(i));
}

void COrloMenuState::ReleaseKeptResources()
{
    COrloResourceManager* manager = m_application;
    for (CVortanBitmapFont* font : m_keptFonts)
        if (manager)
            manager->ReleaseFont(font);
    for (CVortanSurface* surface : m_keptSurfaces)
        if (manager)
            manager->ReleaseSurface(surface);
    m_keptFonts.clear();
    m_keptSurfaces.clear();
}

int COrloMenuState::Update(float seconds)
{
    if (m_showJoinHint && !m_itemCheckPending && !(m_game && m_game->IsPlaying())) {
        if (m_joinBubble)
            m_joinBubble->SetVisible(true);
        m_showJoinHint = 0;
    }
    if (m_loading && m_application)
        m_application->ResetIdle();
    if (m_loadingTimeout > 0.0f) {
        m_loadingTimeout -= seconds;
        if (m_loadingTimeout <= 0.0f)
            HideLoading();
    }
    UpdateLoginWatch(seconds);
    RunItemCheck(seconds);
    UpdateTurnClock();
    UpdateShopIcons(seconds);
    RunChallengeTimer(seconds);
    if (m_sequences)
        m_sequences->AdvanceAll(seconds);
    if (m_game)
        m_game->Update(seconds);
    if (m_uiRoot)
        m_uiRoot->Update(seconds);
    FeedChatBacklog();
    UpdateOrloButtonAnimation(seconds);
    return 1;
}

void COrloMenuState::Render()
{
    if (!IsMenuShown() && m_game)
        m_game->Render();
    IVortanGraphicsContext* gc = m_application ? m_application->GetGraphics() : nullptr;
    if (!gc || !m_uiRoot)
        return;
    gc->SetClipRect(nullptr);
    m_uiRoot->RenderAt(gc);
}

int COrloMenuState::OnContextRestored()
{
    return m_game ? m_game->OnContextRestored() : VORTAN_OK;
}

int COrloMenuState::OnContextLost()
{
    return m_game ? m_game->OnContextLost() : VORTAN_OK;
}

int COrloMenuState::OnPointerDown(int button, int x, int y)
{
    if (m_uiRoot)
        m_uiRoot->DispatchPointerDown(button, x, y);
    if (m_game && !IsMenuShown())
        m_game->OnPointerDown(button, x, y);
    return 1;
}

int COrloMenuState::OnPointerMove(int button, int x, int y)
{
    if (m_uiRoot)
        m_uiRoot->DispatchPointerMove(button, x, y);
    if (m_game && !IsMenuShown())
        m_game->OnPointerMove(button, x, y);
    return 1;
}

int COrloMenuState::OnPointerUp(int button, int x, int y)
{
    if (m_uiRoot)
        m_uiRoot->DispatchPointerUp(button, x, y);
    if (m_game && !IsMenuShown())
        m_game->OnPointerUp(button, x, y);
    return 1;
}

int COrloMenuState::OnChar(unsigned short character)
{
    if (IsMenuShown()) {
        if (m_uiRoot)
            m_uiRoot->DispatchChar(character);
    } else if (m_game) {
        m_game->OnChar(character);
    }
    return 1;
}

int COrloMenuState::MapKey(int key)
{
    return KeyFromDeviceKeysym((unsigned long)(unsigned int)key);
}

// A test seam no player sees: with ORLO_HOME_KEY set, the Home key shows the start page of a
// logged-in user from any page of the shown menu. During a match nothing else leads there (the
// match opens on its chat), so tests reach the match's start page this way.
static bool HomeKeyShowsStartPage()
{
    static const int enabled = [] {
        const char* value = getenv("ORLO_HOME_KEY");
        return value && value[0] && value[0] != '0' ? 1 : 0;
    }();
    return enabled != 0;
}

// The X keysym of the Home key (the platform reports keys as X keysyms).
static const int kXKeyHome = 0xff50;

int COrloMenuState::OnKeyDown(int key)
{
    if (key == kXKeyHome && IsMenuShown() && m_pageRoot && !IsGuest() && GetLoginState() == 2 &&
        HomeKeyShowsStartPage()) {
        m_pageRoot->NavigateTo(CVortanString("startscreen_root"));
        return 1;
    }
    return HandleKeyDown(key, MapKey(key));
}

int COrloMenuState::HandleKeyDown(int key, int engineKey)
{
    if (!IsMenuShown()) {
        if (m_game)
            m_game->OnKeyDown(key);
        return 1;
    }
    if (m_uiRoot)
        m_uiRoot->DispatchKeyDown(key);
    if (engineKey != ORLO_KEY_BACK || !m_pageRoot || !m_pageRoot->GetCurrentPage())
        return 1;
    const CVortanString page = GetCurrentPageName();
    if (!m_orloButtonRoot || !m_orloButtonRoot->IsVisible()) {
        if (page == CVortanString("loginscreen_root")) {
            if (m_pageRoot->GetCurrentPage()->FindChild(CVortanString("exit-button"), -1))
                OnExitApp(nullptr, this);
        } else if (page != CVortanString("loading_dialog")) {
            m_pageRoot->NavigateTo(CVortanString(":back"));
        }
        return 1;
    }
    if (page == CVortanString("challenge_received") || page == CVortanString("challenge_waiting")) {
        RunEvent("reject_challenge", nullptr);
        if (m_pageRoot)
            m_pageRoot->NavigateTo(CVortanString(":back"));
    } else {
        ToggleMenu();
    }
    return 1;
}

int COrloMenuState::SetLanguage(const CVortanString& nameOrCode)
{
    if (!m_uiRoot)
        return 3;
    m_uiRoot->RefreshLocalizedText();
    if (m_game)
        m_game->SetLanguage(nameOrCode);
    return 1;
}

int COrloMenuState::OnResize(int width, int height)
{
    CVortanStringArray history;
    if (m_pageRoot)
        m_pageRoot->GetHistory(history);
    const bool shown = IsMenuShown();
    // The Orlo button over the game stays as it was (shown once logged in).
    const bool buttonShown = m_orloButtonRoot && m_orloButtonRoot->IsVisible();
    CWidget* previous = m_uiRoot;
    // The rebuilt tree starts with empty lists and no one invited; the old rows go without
    // their unload events.
    FreeItemRecords();
    m_invited.clear();
    m_uiRoot = nullptr;
    ForgetWidgets();
    m_rebuilding = 1;
    const int built = BuildMenu(width, height, previous);
    if (m_pageRoot) {
        m_pageRoot->SetHistory(history);
        SetMenuShown(shown);
        m_orloButtonRoot->SetVisible(buttonShown);
    }
    m_rebuilding = 0;
    // Without a new tree the menu counts as hidden from now on.
    if (shown && !IsMenuShown() && m_game)
        m_game->OnMenuHidden();
    int result = (built == 1 && m_game && m_game->OnResize(width, height)) ? 1 : 0;
    if (built != 1 && m_game)
        m_game->OnResize(width, height);
    if (m_orloButton)
        m_shakeHomeRect = m_orloButton->GetRect();
    return result;
}

CVortanString COrloMenuState::GetCurrentPageName() const
{
    CWidget* page = m_pageRoot ? m_pageRoot->GetCurrentPage() : nullptr;
    return page ? page->GetName() : CVortanString();
}

void COrloMenuState::OnGameStateChanged(int state)
{
    if (!m_game)
        return;
    if (state == 0) {
        m_game->OnConnectionLost(0);
        m_inMatch = 0;
    } else if (state == IOrloNetworkSession::GAME_UP) {
        // A new game connection starts a new conversation.
        ResetChatBacklog();
    }
}

void COrloMenuState::SendValuePair(int a, int b)
{
    COrloNetworkSession* session = GetSession();
    if (session)
        session->SendValuePair(a, b);
}

int COrloMenuState::GetItemDataPath(int itemId, CVortanString& out)
{
    out.Empty();
    if (!m_application || !m_game)
        return VORTAN_E_FAIL;
    char name[64];
    snprintf(name, sizeof(name), "data_%d_%d.dmp", m_game->GetGameNumber(), itemId);
    return m_application->GetUserDataPath(out, CVortanString(name)) == VORTAN_OK ? VORTAN_OK
                                                                                 : VORTAN_E_FAIL;
}
