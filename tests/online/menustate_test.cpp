// The online menu built from the program's own layout pack, on a GLES2 window under Xvfb: what
// it finds in the tree, the routing of frames and input while shown and hidden, the loading
// page, the Back key, the Orlo button's toggle, hints, turn clock and shake, the error pages,
// and rebuilding for a new screen size (also when the layout is gone).
#include <stdlib.h>

#include <set>
#include <string>
#include <vector>

#include "engine/platform/VortanApplication.h"
#include "online/menu/OrloMenuState.h"
#include "platform/OrloAdvertisementInterface.h"
#include "platform/OrloStatsEntry.h"
#include "tests/online/MenuPagesSupport.h"
#include "ui/WidgetCast.h"
#include "ui/layouts/PageView.h"
#include "ui/widgets/Bubble.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/ImageWidget.h"
#include "ui/widgets/PieWidget.h"
#include "ui/widgets/TextWidget.h"

namespace {

gtest_graphics::GLEnvironment* const g_env =
    vtest::AddDisplayEnvironment<gtest_graphics::GLEnvironment>(800, 480);

// The pages tests' application (the built packs, a settings file of the test's own) with its
// advert and quit request within reach.
class MenuApp : public mtest::PagesApp {
public:
    using PagesApp::PagesApp;
    void SetAdvertisement(IOrloAdvertisement* advert) { m_advertisement = advert; }
    void ClearQuit() { m_quitRequested = 0; }
};

// A game that records what reaches it.
class LoggingGame : public ptest::GameStateStub {
public:
    int Update(float) override
    {
        log.push_back("update");
        return 1;
    }
    void Render() override { log.push_back("render"); }
    int OnPointerDown(int, int, int) override
    {
        log.push_back("down");
        return 1;
    }
    int OnKeyDown(int) override
    {
        log.push_back("key");
        return 1;
    }
    int OnChar(unsigned short) override
    {
        log.push_back("char");
        return 1;
    }
    int OnResize(int, int) override
    {
        log.push_back("resize");
        return 1;
    }
    int SetLanguage(const CVortanString&) override
    {
        log.push_back("language");
        return VORTAN_OK;
    }
    void OnMenuShown() override { log.push_back("shown"); }
    void OnMenuHidden() override { log.push_back("hidden"); }
    float GetTurnClock() override { return turnClock; }
    int IsPlaying() override { return playing; }
    int GetEditionFlag() override { return edition; }
    int Count(const char* what) const
    {
        int n = 0;
        for (const std::string& s : log)
            n += s == what;
        return n;
    }
    std::vector<std::string> log;
    float turnClock = 0.0f;
    int playing = 0;
    int edition = 0;
};

// An advert that only counts the calls leaving the program makes.
class ExitAdvert : public IOrloAdvertisement {
public:
    int Show(const CVortanString&, const CVortanString&, int, const u8*, int, int,
             const CVortanArray<i32>*, const CVortanString&, int, const CVortanString&,
             const CVortanString&) override
    {
        return 1;
    }
    void ShowOnExit() override { ++onExit; }
    int IsShown() const override { return 0; }
    void SetShown(int) override {}
    int onExit = 0;
};

// The menu with its build step and login state within reach.
class TestMenu : public COrloMenuState {
public:
    using COrloMenuState::BuildMenu;
    using COrloMenuState::DestroyMenuUI;
    void SetLogin(int state, int guest)
    {
        m_loginState = state;
        m_guest = guest;
    }
};

class MenuState : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(g_env->window);
        setenv("HOME", home.Path().c_str(), 1);
        app = new MenuApp(g_env->window->Id(), home.Path());
        ASSERT_TRUE(app->created);
        ASSERT_TRUE(app->packs);
        game = new LoggingGame();
        app->SetGame(game);
        menu = new TestMenu();
        ASSERT_EQ(VORTAN_OK, menu->Init(app));
        ASSERT_EQ(1, menu->BuildMenu(800, 480, nullptr));
        game->log.clear();
    }
    void TearDown() override
    {
        delete menu; // releases and deletes the game
        app->SetGame(nullptr);
        delete app;
    }
    CWidget* Find(const char* name) { return menu->GetRoot()->FindChild(CVortanString(name), -1); }
    std::string Page() const { return VortanUTF8Of(menu->GetCurrentPageName()); }
    void Go(const char* page) { menu->GetPageRoot()->NavigateTo(CVortanString(page)); }
    std::string Text(const char* path)
    {
        CTextWidget* text =
            WidgetCast<CTextWidget>(menu->GetPageRoot()->FindByPath(CVortanString(path)));
        // What the widget shows: its text, or its language text.
        return text ? VortanUTF8Of(text->GetDisplayText()) : std::string();
    }
    // The whole frame the menu draws over black, as RGBA bytes.
    std::vector<unsigned char> Frame()
    {
        app->ext->Clear(0xFF000000, nullptr);
        menu->Render();
        glFinish();
        std::vector<unsigned char> pixels(800 * 480 * 4);
        glReadPixels(0, 0, 800, 480, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }
    std::string Language(int index) { return VortanUTF8Of(app->GetLanguage()->GetText(index)); }

    vtest::TempDir home;
    MenuApp* app = nullptr;
    LoggingGame* game = nullptr;
    TestMenu* menu = nullptr;
};

TEST_F(MenuState, TheLayoutHoldsEveryWidgetAndPageTheMenuNamesInBothAreas)
{
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            ASSERT_EQ(1, menu->OnResize(480, 800));
        }
        EXPECT_NE(nullptr, menu->GetPageRoot());
        EXPECT_NE(nullptr, menu->GetOrloButton());
        EXPECT_NE(nullptr, menu->GetJoinBubble());
        EXPECT_NE(nullptr, menu->GetReturnGameBubble());
        for (const char* name : {"orlo-image",
                                 "orlo-timer",
                                 "orlo-turn-clock",
                                 "dialog_box",
                                 "confirm_box",
                                 "shop_page_list",
                                 "my_items_page_list",
                                 "loginscreen_root",
                                 "loading_dialog",
                                 "loginscreen_error",
                                 "loginscreen_thank",
                                 "loginscreen_nameconflict",
                                 "loginscreen_playername",
                                 "generic_error_dialog",
                                 "generic_error_dialog_more_coins",
                                 "startscreen_root",
                                 "exit-button",
                                 "user_login",
                                 "user_password",
                                 "user_autologin",
                                 "loginerror_title",
                                 "loginerror_message",
                                 "button_recover",
                                 "button_update",
                                 "button_tryagain",
                                 "label_tryagain",
                                 "error-text",
                                 "coins-value"})
            EXPECT_NE(nullptr, Find(name)) << name << " in pass " << pass;
        // Page 0 is the login page: a step back from a lone page shows it.
        EXPECT_EQ(CVortanString("loginscreen_root"), menu->GetPageRoot()->GetChild(0)->GetName());
    }
}

TEST_F(MenuState, TheEventTableRegistersTheNamesInOrderOnceEach)
{
    int count = 0;
    const COrloMenuState::EventRow* rows = COrloMenuState::GetEventTable(&count);
    ASSERT_EQ(122, count);
    std::set<std::string> names;
    for (int i = 0; i < count; ++i) {
        names.insert(rows[i].name);
        ASSERT_NE(nullptr, rows[i].handler) << rows[i].name;
    }
    EXPECT_EQ(122u, names.size());
    EXPECT_STREQ("login_orlogate", rows[0].name);
    EXPECT_STREQ("thank_you_close", rows[17].name);
    EXPECT_STREQ("toggle_orlo_menu", rows[48].name);
    EXPECT_STREQ("dialog_button", rows[55].name);
    EXPECT_STREQ("dialog_close", rows[56].name);
    EXPECT_STREQ("show_me", rows[120].name);
    EXPECT_STREQ("exit_app", rows[121].name);
    EXPECT_EQ(rows[55].handler, rows[56].handler);
    EXPECT_EQ(0, menu->RunEvent("no_such_event", nullptr));
    EXPECT_EQ(1, menu->RunEvent("show_shop", nullptr));
}

TEST_F(MenuState, EachSwitchTellsTheGameOnceAndRoutesFramesAndInput)
{
    // Built hidden: the game is drawn and gets the input.
    EXPECT_FALSE(menu->IsMenuShown());
    menu->Render();
    menu->OnPointerDown(0, 400, 300);
    menu->OnKeyDown('a');
    menu->OnChar('a');
    menu->Update(0.016f);
    EXPECT_EQ(std::vector<std::string>({"render", "down", "key", "char", "update"}), game->log);

    game->log.clear();
    menu->SetMenuShown(true);
    menu->SetMenuShown(true);
    menu->Render();
    menu->OnPointerDown(0, 400, 300);
    menu->OnKeyDown('a');
    menu->OnChar('a');
    menu->Update(0.016f);
    // Shown: still updated, neither drawn nor given input.
    EXPECT_EQ(std::vector<std::string>({"shown", "update"}), game->log);
    menu->SetMenuShown(false);
    menu->SetMenuShown(false);
    EXPECT_EQ(1, game->Count("hidden"));

    // A visible dialog counts as shown, without a switch of the pages.
    game->log.clear();
    Find("dialog_box")->SetVisible(true);
    EXPECT_TRUE(menu->IsMenuShown());
    menu->Render();
    EXPECT_EQ(0, game->Count("render"));
    EXPECT_EQ(1, COrloMenuState::OnDialogButton(nullptr, menu));
    EXPECT_FALSE(Find("dialog_box")->IsVisible());
    Find("confirm_box")->SetVisible(true);
    EXPECT_TRUE(menu->IsMenuShown());
    EXPECT_EQ(std::vector<std::string>({}), game->log);
}

TEST_F(MenuState, TheLoadingPageKeepsItsFirstTextsAndClosesAfterThirtySeconds)
{
    // No texts of the layout's own (the call gives them); the page view starts on page 0.
    EXPECT_EQ("", Text("//loading_dialog//text_title"));
    EXPECT_EQ("", Text("//loading_dialog//text_description"));
    EXPECT_EQ("loginscreen_root", Page());
    menu->ShowLoading(CVortanString("A"), CVortanString("B"));
    EXPECT_EQ("loading_dialog", Page());
    EXPECT_EQ("A", Text("//loading_dialog//text_title"));
    EXPECT_FALSE(menu->GetOrloButtonRoot()->IsVisible());
    // A step back from a lone page shows page 0.
    menu->GetPageRoot()->ClearHistory();
    menu->HideLoading();
    // Not logged in: no Orlo button.
    EXPECT_EQ("loginscreen_root", Page());
    EXPECT_FALSE(menu->GetOrloButtonRoot()->IsVisible());

    // From a page: the texts are set; a second call keeps them and the saved state.
    menu->SetMenuShown(false);
    menu->ShowLoading(CVortanString("first"), CVortanString("one"));
    menu->ShowLoading(CVortanString("second"), CVortanString("two"));
    EXPECT_EQ("first", Text("//loading_dialog//text_title"));
    EXPECT_EQ("one", Text("//loading_dialog//text_description"));
    EXPECT_TRUE(menu->IsMenuShown());
    menu->SetLogin(2, 1);
    menu->HideLoading();
    EXPECT_EQ("loginscreen_root", Page());
    EXPECT_FALSE(menu->IsMenuShown());
    EXPECT_TRUE(menu->GetOrloButtonRoot()->IsVisible());

    // The time-out: 30 s of frames close it, and not a frame earlier.
    menu->ShowLoading(CVortanString("t"), CVortanString("d"));
    for (int i = 0; i < 29; ++i)
        menu->Update(1.0f);
    EXPECT_EQ(1, menu->IsLoading());
    EXPECT_EQ("loading_dialog", Page());
    menu->Update(1.0f);
    EXPECT_EQ(0, menu->IsLoading());
    EXPECT_EQ("loginscreen_root", Page());

    // Another page on top: the flags clear, nothing navigates.
    menu->ShowLoading(CVortanString("t"), CVortanString("d"));
    Go("generic_error_dialog");
    menu->HideLoading();
    EXPECT_EQ(0, menu->IsLoading());
    EXPECT_EQ(0.0f, menu->GetLoadingTimeout());
    EXPECT_EQ("generic_error_dialog", Page());
}

TEST_F(MenuState, TheJoinHintFollowsTheLoginCountAndWaitsForTheGame)
{
    COrloStatsEntry* times = app->GetSettings()->AddEntry(CVortanString("__Orlo_TimesLoggedIn"));
    times->SetInt(3);
    menu->ShowLoading(CVortanString("t"), CVortanString("d"));
    menu->HideLoading();
    EXPECT_EQ(1, menu->GetShowJoinHint());
    game->playing = 1;
    menu->Update(0.016f);
    EXPECT_FALSE(menu->GetJoinBubble()->IsVisible());
    game->playing = 0;
    menu->Update(0.016f);
    EXPECT_TRUE(menu->GetJoinBubble()->IsVisible());
    EXPECT_EQ(0, menu->GetShowJoinHint());
    // The button's click hides it for good.
    menu->SetLogin(2, 1);
    COrloMenuState::OnToggleOrloMenu(nullptr, menu);
    EXPECT_FALSE(menu->GetJoinBubble()->IsVisible());
    EXPECT_EQ(1, menu->IsJoinHintDismissed());
    menu->ShowLoading(CVortanString("t"), CVortanString("d"));
    menu->HideLoading();
    EXPECT_EQ(0, menu->GetShowJoinHint());

    // Four logins and more: no hint.
    TearDown();
    SetUp();
    app->GetSettings()->Find(CVortanString("__Orlo_TimesLoggedIn"))->SetInt(4);
    menu->ShowLoading(CVortanString("t"), CVortanString("d"));
    menu->HideLoading();
    EXPECT_EQ(0, menu->GetShowJoinHint());
}

TEST_F(MenuState, TheBackKeyFollowsThePageAndTheOrloButton)
{
    // Hidden menu: Back is the game's.
    menu->HandleKeyDown('b', ORLO_KEY_BACK);
    EXPECT_EQ(1, game->Count("key"));

    // On the loading page nothing happens.
    menu->ShowLoading(CVortanString("t"), CVortanString("d"));
    menu->HandleKeyDown(0, ORLO_KEY_BACK);
    EXPECT_EQ("loading_dialog", Page());
    menu->HideLoading();

    // Another page with the Orlo button hidden: a step back.
    menu->SetMenuShown(true);
    Go("generic_error_dialog");
    menu->HandleKeyDown(0, ORLO_KEY_BACK);
    EXPECT_EQ("loginscreen_root", Page());
    EXPECT_EQ(0, app->IsQuitRequested());
    // The login page has its exit button: Back leaves the program.
    menu->HandleKeyDown(0, ORLO_KEY_BACK);
    EXPECT_EQ(1, app->IsQuitRequested());

    // With the Orlo button shown, Back toggles the menu.
    menu->SetLogin(2, 0);
    menu->GetOrloButtonRoot()->SetVisible(true);
    menu->HandleKeyDown(0, ORLO_KEY_BACK);
    EXPECT_FALSE(menu->IsMenuShown());

    // The device's Back key as the platform delivers it (Escape on a desktop) is Back; the
    // keysyms of Escape itself, Return and "M" (the Back code taken for a keysym) are not.
    EXPECT_EQ(ORLO_KEY_BACK, COrloMenuState::MapKey((int)VORTAN_XKEYSYM_BACK));
    EXPECT_EQ(VORTAN_KEY_ESCAPE, COrloMenuState::MapKey(0xFF1B));
    menu->SetMenuShown(true);
    for (int key : {0xFF1B, 0xFF0D, (int)ORLO_KEY_BACK})
        menu->OnKeyDown(key);
    EXPECT_TRUE(menu->IsMenuShown());
    menu->OnKeyDown((int)VORTAN_XKEYSYM_BACK);
    EXPECT_FALSE(menu->IsMenuShown());
    // Hidden, the menu hands the key to the game; Back again does not bring the menu back.
    game->log.clear();
    menu->OnKeyDown((int)VORTAN_XKEYSYM_BACK);
    EXPECT_EQ(std::vector<std::string>({"key"}), game->log);
    EXPECT_FALSE(menu->IsMenuShown());
    // On a challenge page Back rejects the challenge and steps back.
    menu->SetMenuShown(true);
    Go("startscreen_root");
    Go("challenge_received");
    menu->OnKeyDown((int)VORTAN_XKEYSYM_BACK);
    EXPECT_EQ("startscreen_root", Page());
    EXPECT_TRUE(menu->IsMenuShown());
}

TEST_F(MenuState, LeavingQuitsAtOnceOrHandsOverToTheAdvertByEdition)
{
    // No advert: quit.
    EXPECT_EQ(1, menu->RunEvent("exit_app", nullptr));
    EXPECT_EQ(1, app->IsQuitRequested());
    // An advert waits: it shows on the way out instead of quitting.
    app->ClearQuit();
    ExitAdvert* advert = new ExitAdvert();
    app->SetAdvertisement(advert); // the application deletes it
    EXPECT_EQ(1, menu->RunEvent("exit_app", nullptr));
    EXPECT_EQ(1, advert->onExit);
    EXPECT_EQ(0, app->IsQuitRequested());
    // An edition without adverts quits at once, advert or not.
    game->edition = 2;
    EXPECT_EQ(1, menu->RunEvent("exit_app", nullptr));
    EXPECT_EQ(1, advert->onExit);
    EXPECT_EQ(1, app->IsQuitRequested());
}

TEST_F(MenuState, TheToggleDependsOnTheLoginTheUserAndTheMatch)
{
    // Not logged in: it only shows.
    menu->ToggleMenu();
    EXPECT_TRUE(menu->IsMenuShown());
    menu->ToggleMenu();
    EXPECT_TRUE(menu->IsMenuShown());
    // An account toggles; so does a guest outside a match.
    menu->SetLogin(2, 0);
    menu->ToggleMenu();
    EXPECT_FALSE(menu->IsMenuShown());
    menu->SetLogin(2, 1);
    menu->ToggleMenu();
    EXPECT_TRUE(menu->IsMenuShown());
    // A guest in a match opens the chat page.
    menu->SetInMatch(1);
    menu->ToggleMenu();
    EXPECT_FALSE(menu->IsMenuShown());
    Go("startscreen_root");
    menu->ToggleMenu();
    EXPECT_TRUE(menu->IsMenuShown());
    EXPECT_EQ("chat_root", Page());
    EXPECT_EQ(2, game->Count("hidden"));
}

TEST_F(MenuState, TheReturnGameHintShowsOnTheFirstThreeReturnsToTheStartPageInAMatch)
{
    menu->SetLogin(2, 0);
    menu->SetInMatch(1);
    Go("startscreen_root");
    std::vector<bool> shown;
    for (int i = 0; i < 5; ++i) {
        menu->SetMenuShown(false);
        COrloMenuState::OnToggleOrloMenu(nullptr, menu); // shows the start page
        shown.push_back(menu->GetReturnGameBubble()->IsVisible());
        COrloMenuState::OnToggleOrloMenu(nullptr, menu); // hides: no hint
        EXPECT_FALSE(menu->GetReturnGameBubble()->IsVisible());
    }
    EXPECT_EQ(std::vector<bool>({true, true, true, false, false}), shown);
    COrloStatsEntry* times = app->GetSettings()->Find(CVortanString("__Orlo_TimesReturnGame"));
    ASSERT_NE(nullptr, times);
    EXPECT_EQ(5, times->intValue);
    // Outside a match the count goes on but no bubble shows.
    menu->SetInMatch(0);
    menu->SetMenuShown(false);
    COrloMenuState::OnToggleOrloMenu(nullptr, menu);
    EXPECT_FALSE(menu->GetReturnGameBubble()->IsVisible());
}

TEST_F(MenuState, TheTurnClockShowsOnlyWithTheMenuShownAndATurnRunning)
{
    CWidget* image = Find("orlo-image");
    CWidget* timer = Find("orlo-timer");
    CPieWidget* pie = WidgetCast<CPieWidget>(Find("orlo-turn-clock"));
    ASSERT_NE(nullptr, pie);
    game->turnClock = 0.25f;
    menu->Update(0.016f);
    EXPECT_TRUE(image->IsVisible());
    EXPECT_FALSE(timer->IsVisible());
    menu->SetMenuShown(true);
    menu->Update(0.016f);
    EXPECT_FALSE(image->IsVisible());
    EXPECT_TRUE(timer->IsVisible());
    EXPECT_FLOAT_EQ(0.25f * 6.2831855f, pie->GetAngle());
    game->turnClock = 0.0f;
    menu->Update(0.016f);
    EXPECT_TRUE(image->IsVisible());
    EXPECT_FALSE(timer->IsVisible());
}

TEST_F(MenuState, AGuestsButtonRestsFiveSecondsThenShakesWithinItsAmplitude)
{
    menu->SetLogin(2, 1);
    IVortanApplication::SeedRandomValue(7);
    CButton* button = menu->GetOrloButton();
    const CVortanRect home = button->GetRect();
    menu->Update(2.5f);
    menu->Update(2.5f);
    EXPECT_EQ(0, menu->GetShakeState());
    menu->Update(0.1f);
    ASSERT_EQ(1, menu->GetShakeState());
    // The amplitude: a 32nd of the width, scaled by the phase's rise and fall.
    const int most = (home.right - home.left) / 32;
    bool moved = false;
    for (int i = 0; i < 60; ++i) {
        menu->Update(0.01f);
        const CVortanRect r = button->GetRect();
        EXPECT_LE(abs(r.left - home.left), most);
        EXPECT_LE(abs(r.top - home.top), most);
        EXPECT_EQ(home.right - home.left, r.right - r.left);
        moved = moved || r.left != home.left || r.top != home.top;
    }
    EXPECT_TRUE(moved);
    // A click stops it for good once the running shake ends (the phase passes 2 after 1.1 s).
    button->Click();
    for (int i = 0; i < 200; ++i)
        menu->Update(0.01f);
    EXPECT_EQ(0, menu->GetShakeState());
    EXPECT_EQ(home.left, button->GetRect().left);
    EXPECT_EQ(home.top, button->GetRect().top);

    // A registered user's button never shakes.
    TearDown();
    SetUp();
    menu->SetLogin(2, 0);
    for (int i = 0; i < 20; ++i)
        menu->Update(1.0f);
    EXPECT_EQ(0, menu->GetShakeState());
}

TEST_F(MenuState, TheErrorPagesShowTheirTexts)
{
    menu->ShowShopError(-1, CVortanString("no coins"));
    EXPECT_EQ("generic_error_dialog_more_coins", Page());
    EXPECT_EQ("no coins", Text("//generic_error_dialog_more_coins//error-text"));
    menu->ShowShopError(0, CVortanString("broken"));
    EXPECT_EQ("generic_error_dialog", Page());
    EXPECT_EQ("broken", Text("//generic_error_dialog//error-text"));
    // The login error: try again with text 10 for bit 1, else 11; a link shows the update.
    menu->ShowLoginError(CVortanString("T"), CVortanString("M"), 3, nullptr);
    EXPECT_EQ("loginscreen_error", Page());
    EXPECT_TRUE(menu->IsMenuShown());
    EXPECT_EQ("T", Text("//loginscreen_error//loginerror_title"));
    EXPECT_EQ("M", Text("//loginscreen_error//loginerror_message"));
    EXPECT_TRUE(Find("button_recover")->IsVisible());
    EXPECT_TRUE(Find("button_tryagain")->IsVisible());
    EXPECT_FALSE(Find("button_update")->IsVisible());
    EXPECT_EQ(Language(10), Text("//loginscreen_error//label_tryagain"));
    const CVortanString link("https://example.invalid/update");
    menu->ShowConnectionError(link);
    EXPECT_FALSE(Find("button_recover")->IsVisible());
    EXPECT_FALSE(Find("button_tryagain")->IsVisible());
    EXPECT_TRUE(Find("button_update")->IsVisible());
    EXPECT_EQ(Language(12), Text("//loginscreen_error//loginerror_title"));
    EXPECT_EQ(Language(13), Text("//loginscreen_error//loginerror_message"));
    // The login screen hides the Orlo button and the join hint for good.
    menu->GetOrloButtonRoot()->SetVisible(true);
    menu->ShowLoginScreen();
    EXPECT_EQ("loginscreen_root", Page());
    EXPECT_FALSE(menu->GetOrloButtonRoot()->IsVisible());
    EXPECT_EQ(1, menu->IsJoinHintDismissed());
    // No challenge is pending at the start.
    EXPECT_EQ(-1, menu->GetPendingChallenger());
    // The thank-you page's button hides the menu.
    EXPECT_EQ(1, menu->RunEvent("thank_you_close", nullptr));
    EXPECT_FALSE(menu->IsMenuShown());
}

TEST_F(MenuState, AResizeRebuildsOverTheOldTreeKeepingHistoryAndShownState)
{
    Go("startscreen_root");
    Go("generic_error_dialog");
    menu->SetMenuShown(true);
    CWidget* button = menu->GetOrloButton();
    CWidget* login = Find("user_login");
    game->log.clear();
    ASSERT_EQ(1, menu->OnResize(480, 800));
    EXPECT_EQ(800, menu->GetRoot()->GetHeight());
    EXPECT_EQ(button, menu->GetOrloButton());
    EXPECT_EQ(login, Find("user_login"));
    EXPECT_TRUE(menu->IsMenuShown());
    EXPECT_EQ("generic_error_dialog", Page());
    menu->GetPageRoot()->NavigateTo(CVortanString(":back"));
    EXPECT_EQ("startscreen_root", Page());
    // The game sized once; no extra switch.
    EXPECT_EQ(std::vector<std::string>({"resize"}), game->log);
    EXPECT_EQ(menu->GetOrloButton()->GetRect().left, menu->GetShakeHomeRect().left);

    // The rebuilt buttons reach the menu's handlers (registered by the build before), again
    // after a second rebuild and after a build on a destroyed tree.
    for (int pass = 0; pass < 3; ++pass) {
        if (pass == 1) {
            ASSERT_EQ(1, menu->OnResize(800, 480));
        } else if (pass == 2) {
            menu->DestroyMenuUI();
            ASSERT_EQ(1, menu->BuildMenu(800, 480, nullptr));
        }
        Find("dialog_box")->SetVisible(true);
        CButton* close = WidgetCast<CButton>(Find("dialog_button"));
        ASSERT_NE(nullptr, close) << pass;
        close->Click();
        EXPECT_FALSE(Find("dialog_box")->IsVisible()) << pass;
    }
}

TEST_F(MenuState, TheTreesFontsAndPicturesStayLoadedUntilTheMenuGoes)
{
    CTextWidget* text = WidgetCast<CTextWidget>(Find("loginerror_title"));
    CImageWidget* image = WidgetCast<CImageWidget>(Find("orlo-image"));
    ASSERT_TRUE(text && text->GetFont() && image && image->GetImage());
    CVortanBitmapFont* font = text->GetFont();
    CVortanSurface* picture = image->GetImage();
    // Without the tree the resource manager still holds both: a new build decodes nothing.
    menu->DestroyMenuUI();
    CVortanBitmapFont* fontHandle = font;
    CVortanSurface* pictureHandle = picture;
    EXPECT_TRUE(app->AddRefFont(font) && app->ReleaseFont(fontHandle));
    EXPECT_TRUE(app->AddRefSurface(picture) && app->ReleaseSurface(pictureHandle));
    ASSERT_EQ(1, menu->BuildMenu(800, 480, nullptr));
    EXPECT_EQ(font, WidgetCast<CTextWidget>(Find("loginerror_title"))->GetFont());
    EXPECT_EQ(picture, WidgetCast<CImageWidget>(Find("orlo-image"))->GetImage());
    // The menu gone, nothing holds them any more.
    delete menu;
    menu = nullptr;
    EXPECT_FALSE(app->AddRefFont(font));
    EXPECT_FALSE(app->AddRefSurface(picture));
}

TEST_F(MenuState, AfterALostContextTheMenuDrawsTheSameFramesShownAndHidden)
{
    menu->GetOrloButtonRoot()->SetVisible(true); // hidden, the Orlo button draws over the game
    for (bool shown : {true, false}) {
        menu->SetMenuShown(shown);
        menu->Update(0.016f);
        const std::vector<unsigned char> before = Frame();
        int lit = 0;
        for (size_t i = 0; i < before.size(); i += 4)
            lit += before[i] > 40 || before[i + 1] > 40 || before[i + 2] > 40;
        EXPECT_GT(lit, 500) << "nothing drawn, shown " << shown;
        // The application drops every texture and tells the menu, then builds them again.
        ASSERT_EQ(VORTAN_OK, app->UnloadAllSurfaceTextures());
        ASSERT_EQ(VORTAN_OK, menu->OnContextLost());
        ASSERT_EQ(VORTAN_OK, app->ReloadAllSurfaceTextures());
        ASSERT_EQ(VORTAN_OK, menu->OnContextRestored());
        menu->Update(0.016f);
        EXPECT_TRUE(before == Frame()) << "shown " << shown;
    }
}

TEST_F(MenuState, WithoutItsLayoutARebuildLeavesNoTreeAndEveryStepCopes)
{
    ASSERT_EQ(1, app->ClosePack(MenuApp::Built("orlolayouts.dmp"), 1));
    game->log.clear();
    EXPECT_EQ(0, menu->OnResize(480, 800));
    EXPECT_EQ(nullptr, menu->GetRoot());
    EXPECT_EQ(nullptr, menu->GetPageRoot());
    EXPECT_EQ(nullptr, menu->GetOrloButton());
    // Everything still runs, and the game gets it all.
    EXPECT_EQ(1, menu->Update(0.016f));
    menu->Render();
    menu->OnPointerDown(0, 1, 1);
    menu->HandleKeyDown(0, ORLO_KEY_BACK);
    menu->ShowLoading(CVortanString("t"), CVortanString("d"));
    menu->HideLoading();
    menu->ShowLoginError(CVortanString("T"), CVortanString("M"), 0, nullptr);
    menu->ShowLoginScreen();
    menu->ToggleMenu();
    COrloMenuState::OnToggleOrloMenu(nullptr, menu);
    // Without a tree a language change is refused and reaches nothing.
    EXPECT_EQ(3, menu->SetLanguage(CVortanString("en")));
    EXPECT_EQ(std::vector<std::string>({"resize", "update", "render", "down", "key"}), game->log);
}

} // namespace
