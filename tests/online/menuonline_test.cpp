// The online menu in the application's own frame loop with the stand-in lobby: a window under a
// private Xvfb with the null graphics extension, the program's layout, font, picture and language
// packs, frames timed by the stand-in clock. The menu logs in as a guest, shows the loading page
// and then hides over the game; the stand-in gets the requests that follow a login; a stopped
// lobby brings the menu back and, restarted, is logged in to again; without a lobby the login
// error page shows. Without a widget tree the toggle's browser link carries the check value
// Python's MD5 gives for the session's values.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/graphics/VortanGraphicsExt_Null.h"
#include "online/menu/OrloMenuState.h"
#include "platform/OrloLanguage.h"
#include "platform/OrloResourceManager.h"
#include "platform/OrloStatsStore.h"
#include "platform/OrlogateApplication.h"
#include "tests/online/LoginTestSupport.h"
#include "tests/online/StandInProcess.h"
#include "tests/platform/GameStateStub.h"
#include "tests/support/TestSupport.h"
#include "tests/support/VirtualDisplay.h"
#include "ui/WidgetCast.h"
#include "ui/layouts/PageView.h"
#include "ui/widgets/TextWidget.h"

namespace {

vtest::DisplayEnvironment* const g_env = vtest::AddDisplayEnvironment();

CVortanString Built(const char* name)
{
    return CVortanString((vtest::BinaryDir() + "/" + name).c_str());
}

// The program's application on its own window with the built packs; the online factory makes
// the real menu, session and connection.
class OnlineApp : public COrlogateApplication {
public:
    explicit OnlineApp(const std::string& home)
    {
        ReplaceGraphicsExt(new CVortanGraphicsExt_Null());
        CVortanWindowSettings settings;
        IVortanApplication::GetDefaultSettings(&settings);
        created = CreateWindow(nullptr, &settings) == VORTAN_OK;
        COrloResourceManager::Init(this, nullptr);
        m_settings = new COrloStatsStore();
        m_settings->Open(CVortanString((home + "/stats.dat").c_str()));
        m_language = new COrloLanguage();
        packs = m_language->Init(this, CVortanString("orlolanguage")) == VORTAN_OK &&
                OpenPack(Built("orlolayouts.dmp"), 1) && OpenPack(Built("orlofonts_480.dmp"), 1) &&
                OpenPack(Built("orlolobby_480.dmp"), 1);
        m_gameState = new ptest::GameStateStub();
        m_ownsGameState = 1;
    }
    ~OnlineApp() override { OnExit(); }
    int OnCreate() override { return VORTAN_OK; }
    void SleepMs(int) override {}
    void GetResourcePath(CVortanString& out, const CVortanString& fileName) override
    {
        out = CVortanString((vtest::BinaryDir() + "/").c_str());
        out.Append(fileName);
    }
    COrloMenuState* Menu() const { return dynamic_cast<COrloMenuState*>(GetMenuState()); }

    bool created = false;
    bool packs = false;
};

class MenuOnline : public ntest::FrameClockTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(g_env->display && g_env->display->Ok()) << "Xvfb did not start";
    }
    void Start(bool withLobby)
    {
        std::string lobby = "127.0.0.1:1";
        if (withLobby) {
            server.reset(new ntest::StandIn(state.Path(), 0, 0, {}, state.File("lobby.log")));
            ASSERT_GT(server->lobby, 0);
            lobby = "127.0.0.1:" + std::to_string(server->lobby);
        }
        setenv("ORLO_LOBBY", lobby.c_str(), 1);
        looped = app = new OnlineApp(home.Path());
        ASSERT_TRUE(app->created);
        ASSERT_TRUE(app->packs);
        ASSERT_EQ(VORTAN_OK, app->CreateSessionAndMenu());
        ASSERT_NE(nullptr, app->Menu());
        ASSERT_NE(nullptr, app->Menu()->GetRoot())
            << app->IsQuitRequested() << " " << app->GetGraphics()->GetWidth();
    }
    void TearDown() override
    {
        delete app;
        server.reset();
    }
    std::string Page() const { return VortanUTF8Of(app->Menu()->GetCurrentPageName()); }
    std::string Shown(const char* path) const
    {
        CTextWidget* text =
            WidgetCast<CTextWidget>(app->Menu()->GetPageRoot()->FindByPath(CVortanString(path)));
        return text ? VortanUTF8Of(text->GetDisplayText()) : std::string("(none)");
    }
    std::string Language(int index) const
    {
        return VortanUTF8Of(app->GetLanguage()->GetText(index));
    }
    bool LoggedInAndHidden() const
    {
        COrloMenuState* menu = app->Menu();
        return menu->GetLoginState() == 2 && !menu->IsMenuShown() && !menu->IsLoading() &&
               menu->GetOrloButtonRoot()->IsVisible();
    }
    // Frames until the stand-in's log, read as it runs, holds `what` `times` times.
    bool FramesUntilLogged(const std::string& what, int times)
    {
        return FramesUntil(
            [&]() { return Count(vtest::ReadWholeFile(state.File("lobby.log")), what) >= times; });
    }
    // The stand-in's log, once it has stopped.
    std::string LobbyLog()
    {
        server->Stop();
        return vtest::ReadWholeFile(state.File("lobby.log"));
    }
    static int Count(const std::string& text, const std::string& what)
    {
        int n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    }

    vtest::TempDir state;
    OnlineApp* app = nullptr;
    std::unique_ptr<ntest::StandIn> server;
};

TEST_F(MenuOnline, AGuestLoginShowsLoadingThenHidesTheMenuOverTheGame)
{
    ASSERT_NO_FATAL_FAILURE(Start(true));
    // Connecting: the loading page over the game, the Orlo button hidden.
    EXPECT_EQ("loading_dialog", Page());
    EXPECT_TRUE(app->Menu()->IsMenuShown());
    EXPECT_FALSE(app->Menu()->GetOrloButtonRoot()->IsVisible());
    EXPECT_EQ(Language(35), Shown("//loading_dialog//text_title"));
    ASSERT_TRUE(FramesUntil([&]() { return LoggedInAndHidden(); }));
    // After the login the loading page said 33 and 34, unless the lobby's language switch has
    // since refreshed the layout's own texts (35 and 34).
    const std::string title = Shown("//loading_dialog//text_title");
    EXPECT_TRUE(title == Language(33) || title == Language(35)) << title;
    EXPECT_EQ(Language(34), Shown("//loading_dialog//text_description"));
    // A guest's home is the login page.
    EXPECT_EQ("loginscreen_root", Page());
    EXPECT_EQ(1, app->Menu()->IsGuest());

    // The Orlo button shows the menu at its page and hides it again.
    app->Menu()->RunEvent("toggle_orlo_menu", nullptr);
    EXPECT_TRUE(app->Menu()->IsMenuShown());
    EXPECT_EQ("loginscreen_root", Page());
    app->Menu()->RunEvent("toggle_orlo_menu", nullptr);
    EXPECT_FALSE(app->Menu()->IsMenuShown());

    // The requests that follow a login reach the stand-in.
    EXPECT_TRUE(FramesUntilLogged("< 51 ", 2));
    const std::string log = LobbyLog();
    EXPECT_EQ(1, Count(log, "< 92 ")) << log;
    EXPECT_EQ(2, Count(log, "< 51 ")) << log;
    // Both texts of each, as the stand-in's own reader took them.
    EXPECT_EQ(1, Count(log, "two texts 'moregames' ''\n")) << log;
    EXPECT_EQ(1, Count(log, "two texts 'tournaments' ''\n")) << log;
}

TEST_F(MenuOnline, TheErrorPageAsksForCoinsAndTheDialogButtonLeavesOnlyAJoinedGame)
{
    ASSERT_NO_FATAL_FAILURE(Start(true));
    ASSERT_TRUE(FramesUntil([&]() { return LoggedInAndHidden(); }));
    COrloMenuState* menu = app->Menu();
    // Code 0: the error page alone; -1: the coins page, and the balance is asked for.
    menu->ShowShopError(0, CVortanString("zero"));
    EXPECT_EQ("generic_error_dialog", Page());
    menu->ShowShopError(-1, CVortanString("minus one"));
    EXPECT_EQ("generic_error_dialog_more_coins", Page());
    // Not joined to a game: the dialog's button sends nothing.
    EXPECT_EQ(1, menu->RunEvent("dialog_button", nullptr));
    EXPECT_TRUE(FramesUntilLogged("> 91 ", 1));
    const std::string log = LobbyLog();
    EXPECT_EQ(1, Count(log, "< 90 ")) << log;
    EXPECT_EQ(0, Count(log, "< 9 ")) << log;
}

TEST_F(MenuOnline, AStoppedLobbyIsReconnectedToAndTheMenuHidesAgain)
{
    ASSERT_NO_FATAL_FAILURE(Start(true));
    ASSERT_TRUE(FramesUntil([&]() { return LoggedInAndHidden(); }));
    const int lobbyPort = server->lobby, gamePort = server->game;
    server->Stop();
    // The lost lobby is reconnected to at once; that is refused, and the failed-login page
    // comes over the game with the round button, while the next attempt waits behind it.
    ASSERT_TRUE(FramesUntil([&]() {
        return app->Menu()->GetReloginTimer()->IsAttached() && app->Menu()->IsMenuShown() &&
               Page() == "loginscreen_error";
    }));
    EXPECT_TRUE(app->Menu()->GetOrloButtonRoot()->IsVisible());
    server.reset(new ntest::StandIn(state.Path(), lobbyPort, gamePort));
    ASSERT_EQ(lobbyPort, server->lobby);
    ASSERT_TRUE(FramesUntil([&]() { return LoggedInAndHidden(); }, 250));
}

TEST_F(MenuOnline, WithoutALobbyTheLoginErrorPageShowsAndTheLoginIsTriedAgain)
{
    ASSERT_NO_FATAL_FAILURE(Start(false));
    ASSERT_TRUE(FramesUntil([&]() { return Page() == "loginscreen_error"; }));
    EXPECT_TRUE(app->Menu()->IsMenuShown());
    EXPECT_TRUE(app->Menu()->GetOrloButtonRoot()->IsVisible());
    // One notice: the connection that could not be made, as the controller saw it first.
    EXPECT_EQ(Language(14), Shown("//loginscreen_error//loginerror_title"));
    EXPECT_EQ(Language(3), Shown("//loginscreen_error//loginerror_message"));
    // The controller tries again by itself after a second.
    CLoginController::ReloginTimer* timer = app->Menu()->GetReloginTimer();
    ASSERT_TRUE(FramesUntil([&]() { return timer->IsAttached(); }));
    ASSERT_TRUE(
        FramesUntil([&]() { return timer->IsAttached() && timer->GetCountdown() > 5.0f; }, 100));
    EXPECT_EQ("loginscreen_error", Page());
}

TEST_F(MenuOnline, WithoutATreeTheToggleLinksTheGamePageWithItsMd5Check)
{
    ASSERT_NO_FATAL_FAILURE(Start(true));
    ASSERT_TRUE(FramesUntil([&]() { return LoggedInAndHidden(); }));
    COrloMenuState* menu = app->Menu();
    // A rebuild without the layout leaves no tree.
    ASSERT_EQ(1, app->ClosePack(Built("orlolayouts.dmp"), 1));
    EXPECT_EQ(0, menu->OnResize(800, 480));
    ASSERT_EQ(nullptr, menu->GetPageRoot());
    menu->ToggleMenu(); // this application has no device: nothing opens, nothing breaks
    EXPECT_FALSE(menu->IsMenuShown());

    IOrloNetworkSession* session = app->GetNetworkSession();
    const std::string id = std::to_string(session->GetOwnPlayerId());
    const std::string token = VortanUTF8Of(session->GetLoginToken());
    const std::string release = std::to_string(session->GetReleaseId());
    ASSERT_FALSE(token.empty());
    // Own id, the game's secret ("x"), the login token, the IMEI (none here), the release.
    std::string md5;
    ASSERT_EQ(0, vtest::RunProgram({vtest::Python(), "-c",
                                    "import hashlib, sys; "
                                    "print(hashlib.md5(sys.argv[1].encode()).hexdigest(), end='')",
                                    id + "x" + token + release},
                                   &md5));
    ASSERT_EQ(32u, md5.size());
    CVortanString link;
    menu->BuildGamePageLink(link);
    const std::string text = VortanUTF8Of(link);
    EXPECT_EQ(0u, text.find("https://")) << text;
    EXPECT_NE(std::string::npos, text.find("?link=orlo_game&token=" + token + "&check=" + md5 +
                                           "&game=64&release=" + release + "&rid="))
        << text;
}

} // namespace
