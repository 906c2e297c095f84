// The application and the online client's objects it gets from the registered factory: the
// session, connection and menu made when the online part starts (observers registered, a
// failing session freed), a session made anew, the shutdown order, no online objects
// without a factory, and the game's achievements through the achievement interfaces.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "engine/VortanDateTime.h"
#include "platform/OrloAchievementInterfaces.h"
#include "platform/OrloLobbyInterface.h"
#include "platform/OrloNetConnectionInterface.h"
#include "platform/OrloNetworkSessionInterface.h"
#include "platform/OrloOnlineFactoryInterface.h"
#include "platform/OrlogateApplication.h"
#include "tests/platform/GameStateStub.h"
#include "tests/platform/OnlineStubs.h"

namespace {

typedef std::vector<std::string> Log;

class FakeConnection : public IOrloNetConnection {
public:
    explicit FakeConnection(Log* log) : log(log) {}
    ~FakeConnection() override { log->push_back("connection delete"); }
    int Open() override
    {
        log->push_back("connection open");
        return 1;
    }
    void Close() override { log->push_back("connection close"); }
    int EnsureConnected() override
    {
        log->push_back("connection ensure");
        return 1;
    }
    Log* log;
};

class FakeSession : public ptest::SessionStub {
public:
    FakeSession(Log* log, int initResult) : log(log), initResult(initResult)
    {
        ownPlayerId = 7;
        releaseId = 3;
    }
    ~FakeSession() override { log->push_back("session delete"); }
    int Init(COrlogateApplication* app, StatusObserver* observer) override
    {
        application = app;
        status = observer;
        log->push_back("session init");
        return initResult;
    }
    void Shutdown() override { log->push_back("session shutdown"); }
    void Update(float) override { log->push_back("session update"); }
    void AddLobbyObserver(LobbyObserver* observer) override { lobby = observer; }
    void AddGameObserver(GameObserver* observer) override { game = observer; }
    void AddAdvertisementObserver(AdvertisementObserver* observer) override { advert = observer; }

    Log* log;
    int initResult;
    COrlogateApplication* application = nullptr;
    StatusObserver* status = nullptr;
    LobbyObserver* lobby = nullptr;
    GameObserver* game = nullptr;
    AdvertisementObserver* advert = nullptr;
};

class FakeMenu : public ptest::MenuStateStub {
public:
    explicit FakeMenu(Log* log) : log(log) {}
    ~FakeMenu() override { log->push_back("menu delete"); }
    int Init(COrloApplication* app) override
    {
        log->push_back("menu init");
        return ptest::MenuStateStub::Init(app);
    }
    Log* log;
};

// Makes the fakes above, logging each request; the session's Init answers `sessionResult`.
class FakeFactory : public IOrloOnlineFactory {
public:
    IOrloNetConnection* CreateNetConnection() override
    {
        log.push_back("create connection");
        return new FakeConnection(&log);
    }
    IOrloNetworkSession* CreateNetworkSession() override
    {
        log.push_back("create session");
        lastSession = new FakeSession(&log, sessionResult);
        return lastSession;
    }
    IOrloMenuState* CreateMenuState() override
    {
        log.push_back("create menu");
        return new FakeMenu(&log);
    }
    IOrloToastNotification* CreateToastNotification() override { return nullptr; }
    IOrloAdvertisement* CreateAdvertisement() override { return nullptr; }
    IOrloAchievementStation* CreateAchievementStation() override { return nullptr; }

    Log log;
    int sessionResult = 1;
    FakeSession* lastSession = nullptr;
};

class OnlineFactory : public ::testing::Test {
protected:
    void SetUp() override
    {
        unsetenv("DISPLAY");
        COrlogateApplication::RegisterOnlineFactory(&factory);
    }
    void TearDown() override { COrlogateApplication::RegisterOnlineFactory(nullptr); }
    Log Take()
    {
        Log out;
        out.swap(factory.log);
        return out;
    }
    FakeFactory factory;
};

TEST_F(OnlineFactory, TheOnlinePartIsMadeByTheRegisteredFactory)
{
    COrlogateApplication app;
    ASSERT_EQ(1, app.CreateSessionAndMenu());
    EXPECT_EQ((Log{"create connection", "connection open", "create session", "session init",
                   "create menu", "menu init"}),
              Take());
    FakeSession* session = factory.lastSession;
    EXPECT_EQ(session, app.GetNetworkSession());
    ASSERT_NE(nullptr, app.GetMenuState());
    EXPECT_EQ(app.GetMenuState(), app.GetStateAt(0));
    // The application is all four observers.
    EXPECT_EQ(&app, session->application);
    EXPECT_EQ(static_cast<IOrloNetworkSession::StatusObserver*>(&app), session->status);
    EXPECT_EQ(static_cast<IOrloNetworkSession::LobbyObserver*>(&app), session->lobby);
    EXPECT_EQ(static_cast<IOrloNetworkSession::GameObserver*>(&app), session->game);
    EXPECT_EQ(static_cast<IOrloNetworkSession::AdvertisementObserver*>(&app), session->advert);
    EXPECT_EQ(3, app.GetReleaseId());

    // Once the menu exists nothing is made again.
    EXPECT_EQ(1, app.CreateSessionAndMenu());
    EXPECT_TRUE(Take().empty());

    // A new session: the connection checked, the old session shut down and deleted.
    app.RecreateSession();
    EXPECT_EQ((Log{"connection ensure", "session shutdown", "session delete", "create session",
                   "session init"}),
              Take());
    EXPECT_EQ(factory.lastSession, app.GetNetworkSession());
    EXPECT_EQ(static_cast<IOrloNetworkSession::GameObserver*>(&app), factory.lastSession->game);
    EXPECT_EQ(0, app.IsQuitRequested());

    // The shutdown: the session, then the connection, then the screens.
    app.OnExit();
    EXPECT_EQ((Log{"session shutdown", "session delete", "connection close", "connection delete",
                   "menu delete"}),
              Take());
    EXPECT_EQ(nullptr, app.GetNetworkSession());
    EXPECT_EQ(nullptr, app.GetNetConnection());
}

TEST_F(OnlineFactory, AFailingSessionIsFreedAndItsCodeReturned)
{
    COrlogateApplication app;
    factory.sessionResult = 9;
    EXPECT_EQ(9, app.CreateSessionAndMenu());
    EXPECT_EQ((Log{"create connection", "connection open", "create session", "session init",
                   "session shutdown", "session delete"}),
              Take());
    EXPECT_EQ(nullptr, app.GetNetworkSession());
    EXPECT_EQ(nullptr, app.GetMenuState());
    EXPECT_NE(nullptr, app.GetNetConnection());

    // A new session that cannot be made quits the application.
    app.RecreateSession();
    EXPECT_EQ(1, app.IsQuitRequested());
    EXPECT_EQ(nullptr, app.GetNetworkSession());
}

TEST_F(OnlineFactory, WithoutAFactoryNothingOnlineIsMade)
{
    COrlogateApplication::RegisterOnlineFactory(nullptr);
    COrlogateApplication app;
    COrlogateApplication::RegisterOnlineFactory(&factory); // only later applications see it
    EXPECT_EQ(7, app.CreateSessionAndMenu());
    EXPECT_EQ(nullptr, app.GetNetConnection());
    EXPECT_EQ(nullptr, app.GetNetworkSession());
    EXPECT_EQ(0, app.GetStateCount());
    EXPECT_TRUE(Take().empty());
}

// Achievements reached by the game through the application's achievement station.
class FakeAchievement : public IOrloAchievement {
public:
    int IsUnlocked() const override { return unlocked; }
    void SetUnlocked(int value) override { unlocked = value; }
    void SetUnlockTime(const CVortanDateTime& time) override
    {
        stamped = true;
        year = time.GetYear();
    }
    int unlocked = 0;
    bool stamped = false;
    int year = 0;
};

class FakeList : public IOrloAchievementList {
public:
    IOrloAchievement* Find(int id) const override
    {
        return id == 5 ? const_cast<FakeAchievement*>(&five) : nullptr;
    }
    FakeAchievement five;
};

class FakeStation : public IOrloAchievementStation {
public:
    int Init(IVortanApplication*, int, const CVortanString&) override { return 1; }
    void Clear() override {}
    IOrloAchievementList* FindList(int gameId) override { return gameId == 64 ? &list : nullptr; }
    int SaveUnlocks() override { return ++saves; }
    FakeList list;
    int saves = 0;
};

class StationApp : public COrlogateApplication {
public:
    explicit StationApp(IOrloAchievementStation* station) { m_achievements = station; }
};

TEST_F(OnlineFactory, TheGameUnlocksAchievementsThroughTheStation)
{
    FakeStation* station = new FakeStation(); // the application deletes it at exit
    StationApp app(station);
    ptest::GameStateStub game; // game number 64
    game.SetApplication(&app);
    EXPECT_EQ(0, game.IsAchievementUnlocked(5));
    EXPECT_EQ(0, game.UnlockAchievement(6)); // no such achievement
    EXPECT_EQ(1, game.UnlockAchievement(5));
    EXPECT_EQ(1, station->list.five.unlocked);
    EXPECT_TRUE(station->list.five.stamped);
    EXPECT_GE(station->list.five.year, 2024);
    EXPECT_EQ(1, station->saves);
    EXPECT_EQ(1, game.IsAchievementUnlocked(5));
    // Already unlocked: 1, and the unlocks are not saved again.
    EXPECT_EQ(1, game.UnlockAchievement(5));
    EXPECT_EQ(1, station->saves);
    app.OnExit();
    EXPECT_EQ(nullptr, app.GetAchievements());
}

} // namespace
