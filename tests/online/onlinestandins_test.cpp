// The online client's factory as the program registers it: it makes the client's objects
// behind the platform's interfaces (their names as the client's own classes still reach the
// observer interfaces), and an application started with it goes on from the title into the
// game: the session starts and does not connect before a login, and the menu hosts the game with its pages
// hidden (every screen call reaches the game; the menu releases and deletes it).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <type_traits>
#include <vector>

#include "online/OrloOnlineFactory.h"
#include "online/achievements/OrloAchievementStation.h"
#include "online/menu/OrloMenuState.h"
#include "online/net/OrloNetConnection.h"
#include "online/net/OrloNetworkSession.h"
#include "online/popups/OrloAdvertisement.h"
#include "online/popups/OrloToastNotification.h"
#include "platform/OrloStatsStore.h"
#include "platform/OrlogateApplication.h"
#include "tests/platform/GameStateStub.h"
#include "tests/support/TestSupport.h"

namespace {

// The observer interfaces keep their names under the client's session class.
static_assert(
    std::is_same<COrloNetworkSession::StatusObserver, IOrloNetworkSession::StatusObserver>::value,
    "status observer");
static_assert(
    std::is_same<COrloNetworkSession::LobbyObserver, IOrloNetworkSession::LobbyObserver>::value,
    "lobby observer");
static_assert(
    std::is_same<COrloNetworkSession::GameObserver, IOrloNetworkSession::GameObserver>::value,
    "game observer");
static_assert(std::is_same<COrloNetworkSession::AdvertisementObserver,
                           IOrloNetworkSession::AdvertisementObserver>::value,
              "advertisement observer");
static_assert(std::is_base_of<CLoginController, COrloMenuState>::value, "login controller");

TEST(OnlineStandIns, TheFactoryMakesTheClientsObjects)
{
    COrloOnlineFactory factory;
    IOrloNetConnection* connection = factory.CreateNetConnection();
    IOrloNetworkSession* session = factory.CreateNetworkSession();
    IOrloMenuState* menu = factory.CreateMenuState();
    IOrloToastNotification* toast = factory.CreateToastNotification();
    IOrloAdvertisement* advert = factory.CreateAdvertisement();
    IOrloAchievementStation* station = factory.CreateAchievementStation();
    EXPECT_NE(nullptr, dynamic_cast<COrloNetConnection*>(connection));
    EXPECT_NE(nullptr, dynamic_cast<COrloNetworkSession*>(session));
    EXPECT_NE(nullptr, dynamic_cast<COrloMenuState*>(menu));
    EXPECT_NE(nullptr, dynamic_cast<COrloToastNotification*>(toast));
    EXPECT_NE(nullptr, dynamic_cast<COrloAdvertisement*>(advert));
    EXPECT_NE(nullptr, dynamic_cast<COrloAchievementStation*>(station));

    // Before Init the session has no registry and no own player.
    EXPECT_EQ(nullptr, session->GetLobby());
    EXPECT_EQ(-1, session->GetOwnPlayerId());
    session->Shutdown();
    delete connection;
    delete session;
    delete menu;
    delete toast;
    delete advert;
    delete station;
}

// A game that logs the calls the menu passes on.
class LoggingGame : public ptest::GameStateStub {
public:
    explicit LoggingGame(std::vector<std::string>* log, int initResult = VORTAN_OK)
        : m_log(log), m_initResult(initResult)
    {}
    ~LoggingGame() override { m_log->push_back("delete"); }
    int Init(COrloApplication* app) override
    {
        m_log->push_back("init");
        m_application = app;
        return m_initResult;
    }
    void Release() override { m_log->push_back("release"); }
    int Load() override { return Note("load", VORTAN_OK); }
    void Unload() override { Note("unload", 0); }
    int Update(float) override { return Note("update", 0); }
    void Render() override { Note("render", 0); }
    int OnResize(int, int) override { return Note("resize", 1); }
    int OnContextLost() override { return Note("lost", 1); }
    int OnContextRestored() override { return Note("restored", 1); }
    int OnPointerDown(int, int, int) override { return Note("down", 1); }
    int OnPointerMove(int, int, int) override { return Note("move", 1); }
    int OnPointerUp(int, int, int) override { return Note("up", 1); }
    int OnKeyDown(int) override { return Note("key", 0); }
    int OnChar(unsigned short) override { return Note("char", 1); }
    int SetLanguage(const CVortanString&) override { return Note("language", VORTAN_OK); }

private:
    int Note(const char* what, int result)
    {
        m_log->push_back(what);
        return result;
    }
    std::vector<std::string>* m_log;
    int m_initResult;
};

class GameApp : public COrlogateApplication {
public:
    explicit GameApp(IOrloGameState* game)
    {
        m_gameState = game;
        m_ownsGameState = 1;
        // The login settings the menu's Init needs, in a file of the test's own.
        m_settings = new COrloStatsStore();
        m_settings->Open(CVortanString((home.Path() + "/stats.dat").c_str()));
    }
    ~GameApp() override
    {
        delete m_settings;
        m_settings = nullptr;
    }
    vtest::TempDir home;
};

TEST(OnlineStandIns, WithoutItsLayoutTheMenuAsksToQuitAndStillHostsTheGame)
{
    unsetenv("DISPLAY");
    COrloOnlineFactory factory;
    COrlogateApplication::RegisterOnlineFactory(&factory);
    std::vector<std::string> log;
    {
        GameApp app(new LoggingGame(&log));
        // The session starts (and never connects); the menu takes the game in.
        ASSERT_EQ(VORTAN_OK, app.CreateSessionAndMenu());
        EXPECT_NE(nullptr, dynamic_cast<COrloNetConnection*>(app.GetNetConnection()));
        EXPECT_NE(nullptr, dynamic_cast<COrloNetworkSession*>(app.GetNetworkSession()));
        EXPECT_EQ(0, app.GetNetworkSession()->GetStatus());
        COrloMenuState* menu = dynamic_cast<COrloMenuState*>(app.GetMenuState());
        ASSERT_NE(nullptr, menu);
        EXPECT_EQ(app.GetGameState(), menu->GetGame());
        EXPECT_EQ(&app, menu->GetGame()->GetApplication());
        ASSERT_EQ(1, app.GetStateCount());

        // No layout pack here: the menu cannot build its tree, asks the application to quit
        // and never loads the game. With no pages every screen call still reaches the game.
        EXPECT_EQ(1, app.IsQuitRequested());
        EXPECT_EQ(nullptr, menu->GetRoot());
        EXPECT_FALSE(menu->IsMenuShown());
        EXPECT_EQ(1, menu->Update(0.033f));
        menu->Render();
        EXPECT_EQ(0, menu->OnResize(800, 480));
        menu->OnContextLost();
        menu->OnContextRestored();
        EXPECT_EQ(1, menu->OnPointerDown(0, 1, 2));
        EXPECT_EQ(1, menu->OnPointerMove(0, 1, 2));
        EXPECT_EQ(1, menu->OnPointerUp(0, 1, 2));
        EXPECT_EQ(1, menu->OnKeyDown('a'));
        EXPECT_EQ(1, menu->OnChar('a'));
        // Without a tree a language change is refused and reaches nothing.
        EXPECT_EQ(3, menu->SetLanguage(CVortanString("en")));
        EXPECT_EQ(std::vector<std::string>({"init", "update", "render", "resize", "lost",
                                            "restored", "down", "move", "up", "key", "char"}),
                  log);
        log.clear();
        // The shutdown unloads the menu, which releases and deletes the game once.
        app.OnExit();
        EXPECT_EQ(std::vector<std::string>({"unload", "release", "delete"}), log);
        EXPECT_EQ(nullptr, app.GetGameState());
    }
    EXPECT_EQ(3u, log.size());

    // A game that cannot start stays the application's: no menu, deleted once at the end.
    log.clear();
    {
        GameApp app(new LoggingGame(&log, VORTAN_E_MISSING));
        EXPECT_EQ(VORTAN_E_MISSING, app.CreateSessionAndMenu());
        EXPECT_EQ(nullptr, app.GetMenuState());
        EXPECT_EQ(0, app.GetStateCount());
    }
    EXPECT_EQ(std::vector<std::string>({"init", "delete"}), log);
    COrlogateApplication::RegisterOnlineFactory(nullptr);
}

} // namespace
