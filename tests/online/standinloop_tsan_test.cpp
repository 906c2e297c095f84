// Two clients against the stand-in lobby and game server: both log in, join, get the game
// start, connect to the game server and pass game data both ways; when the lobby is killed and
// restarted they log in again by themselves, after waits of 1 s and then 10 s (the frames' time
// is driven, so the test does not wait those seconds).
#include "tests/online/LoginTestSupport.h"
#include "tests/online/StandInProcess.h"

namespace {

using ntest::StandIn;

// A client: its application and controller, with a game observer.
struct Client {
    Client()
    {
        app.controller = &controller;
        EXPECT_EQ(1, controller.LoadSettings(&app));
    }
    ~Client() { controller.Release(); }
    COrloNetworkSession* Session()
    {
        return dynamic_cast<COrloNetworkSession*>(app.GetNetworkSession());
    }
    // Observes the current session's game (again after each new session).
    void Observe()
    {
        if (Session() && Session() != observed) {
            Session()->AddGameObserver(&log);
            observed = Session();
        }
    }
    ntest::LoginApp app;
    ntest::Controller controller;
    ntest::SessionLog log;
    COrloNetworkSession* observed = nullptr;
};

class StandInLoopTest : public ntest::FactoryTest {
protected:
    void SetUp() override { CLoginController::SetReloginDelay(1.0f); }
    void TearDown() override { unsetenv("ORLO_LOBBY"); }
    void Frame(Client& a, Client& b, float dt = 0.016f)
    {
        ntest::RunFrame(a.app, a.controller, dt);
        ntest::RunFrame(b.app, b.controller, dt);
        a.Observe();
        b.Observe();
    }
    bool FrameUntil(Client& a, Client& b, const std::function<bool()>& condition,
                    int timeoutMs = 15000)
    {
        return vtest::WaitUntil(
            [&]() {
                Frame(a, b);
                return condition();
            },
            timeoutMs);
    }
};

TEST_F(StandInLoopTest, TwoClientsPlayAndLogInAgainAfterTheLobbyRestarts)
{
    vtest::TempDir state;
    std::unique_ptr<StandIn> server(new StandIn(state.Path(), 0, 0));
    ASSERT_GT(server->lobby, 0);
    const int lobbyPort = server->lobby, gamePort = server->game;
    setenv("ORLO_LOBBY", ("127.0.0.1:" + std::to_string(lobbyPort)).c_str(), 1);
    Client a, b;
    a.controller.Login(CVortanString("alice"), CVortanString("wonderland"), false);
    b.controller.Login(CVortanString("bobcat"), CVortanString("builder42"), false);
    ASSERT_TRUE(FrameUntil(
        a, b,
        [&]() { return a.controller.GetLoginState() == 2 && b.controller.GetLoginState() == 2; }))
        << a.controller.calls.size() << " " << b.controller.calls.size();
    EXPECT_TRUE(
        a.controller.Has("succeeded alice " + VortanUTF8Of(a.Session()->GetLoginToken()) + " 0"));
    EXPECT_EQ(101, a.Session()->GetOwnPlayerId());

    // Both join: the lobby starts the game and both connect to the game server.
    a.Session()->SendJoin(1, 2);
    b.Session()->SendJoin(1, 2);
    ASSERT_TRUE(FrameUntil(a, b, [&]() {
        return (a.Session()->GetStatus() & 0x100) && (b.Session()->GetStatus() & 0x100);
    }));
    EXPECT_GT(a.Session()->GetGameId(), 0xFFFFFFFFll);
    EXPECT_EQ(a.Session()->GetGameId(), b.Session()->GetGameId());
    EXPECT_EQ(1, a.Session()->GetMatchFlag() + b.Session()->GetMatchFlag());
    EXPECT_EQ(2, a.Session()->GetLobby()->GetPlayerCount());
    a.Session()->SendGameReady();
    b.Session()->SendGameReady();
    ASSERT_TRUE(FrameUntil(a, b, [&]() {
        return a.log.Has("start 101 " + std::to_string(a.Session()->GetMatchFlag())) &&
               b.log.Has("start 102 " + std::to_string(b.Session()->GetMatchFlag()));
    }));
    // Game data both ways.
    const u8 hello[] = {'h', 'i', 0, 255};
    a.Session()->SendGameData(hello, 4);
    const u8 back[] = {'y', 'o'};
    b.Session()->SendGameData(back, 2);
    ASSERT_TRUE(
        FrameUntil(a, b, [&]() { return !a.log.gameData.empty() && !b.log.gameData.empty(); }));
    EXPECT_EQ(std::vector<u8>(hello, hello + 4), b.log.gameData[0]);
    EXPECT_EQ(std::vector<u8>(back, back + 2), a.log.gameData[0]);

    // The lobby goes away: both lose it and arm their relogin timers at 1 s.
    server->Stop();
    ASSERT_TRUE(FrameUntil(a, b, [&]() {
        return a.controller.GetReloginTimer()->IsAttached() &&
               b.controller.GetReloginTimer()->IsAttached();
    }));
    a.controller.calls.clear();
    b.controller.calls.clear();
    // After 1 s the first attempts run (and are refused: nothing listens yet)...
    Frame(a, b, 1.0f);
    EXPECT_TRUE(a.controller.Has("reconnecting"));
    EXPECT_TRUE(b.controller.Has("reconnecting"));
    ASSERT_TRUE(FrameUntil(a, b, [&]() {
        return a.controller.GetReloginTimer()->IsAttached() &&
               b.controller.GetReloginTimer()->IsAttached() &&
               a.controller.GetReloginTimer()->GetCountdown() > 5.0f;
    }));
    EXPECT_NEAR(10.0f, a.controller.GetReloginTimer()->GetCountdown(), 0.1f);
    // ...the lobby comes back on its port, and 10 s later both log in again by themselves.
    server.reset(new StandIn(state.Path(), lobbyPort, gamePort));
    ASSERT_EQ(lobbyPort, server->lobby);
    Frame(a, b, 9.5f);
    EXPECT_NE(2, a.controller.GetLoginState());
    Frame(a, b, 0.6f);
    ASSERT_TRUE(FrameUntil(a, b, [&]() {
        return a.controller.GetLoginState() == 2 && b.controller.GetLoginState() == 2;
    }));
    EXPECT_EQ(101, a.Session()->GetOwnPlayerId());
    EXPECT_EQ(102, b.Session()->GetOwnPlayerId());
    EXPECT_FLOAT_EQ(1.0f, CLoginController::GetReloginDelay());
}

// A session alone against the stand-in in one of its fault modes.
class FaultTest : public ntest::SessionFixture {
protected:
    void Start(const std::vector<std::string>& fault)
    {
        server.reset(new StandIn(state.Path(), 0, 0, fault));
        ASSERT_GT(server->lobby, 0);
    }
    void Connect()
    {
        ASSERT_EQ(1, session->ConnectLobby(CVortanString("127.0.0.1"), server->lobby, &log));
    }
    // Connects and logs in as a new guest; true when the login succeeded.
    bool GuestLogin()
    {
        Connect();
        if (!FrameUntil([&]() { return (session->GetStatus() & 0xFF) == 3; }))
            return false;
        session->SendLogin(CVortanString("guest"), CVortanString("0"), &log);
        return FrameUntil([&]() { return (session->GetStatus() & 0xFF) == 5; });
    }
    vtest::TempDir state;
    std::unique_ptr<StandIn> server;
};

TEST_F(FaultTest, OneByteWritesAndCoalescedMessagesStillLogIn)
{
    Start({"--fault", "one-byte-writes"});
    EXPECT_TRUE(GuestLogin());
    server.reset();
    session->CloseSockets();
    Start({"--fault", "coalesce"});
    EXPECT_TRUE(GuestLogin());
}

TEST_F(FaultTest, ACloseMidMessageGivesOneCloseAfterTheDataAndNoLogin)
{
    Start({"--fault", "close-mid-message"});
    Connect();
    ASSERT_TRUE(FrameUntil([&]() { return (session->GetStatus() & 0xFF) == 3; }));
    session->SendLogin(CVortanString("guest"), CVortanString("0"), &log);
    ASSERT_TRUE(FrameUntil([&]() { return (session->GetStatus() & 0xFF) == 0; }));
    int closes = 0;
    for (size_t i = 0; i < log.events.size(); ++i) {
        closes += log.events[i] == "lobby 0";
        EXPECT_NE(0u, log.events[i].find("success")) << "the cut reply was dispatched";
    }
    EXPECT_EQ(1, closes);
}

TEST_F(FaultTest, AnOversizedLengthClosesTheChannelAllocatingNothing)
{
    Start({"--fault", "oversized-length"});
    Connect();
    ASSERT_TRUE(FrameUntil([&]() { return (session->GetStatus() & 0xFF) == 0; }));
    EXPECT_EQ(65536, session->GetChannelCapacity(0));
}

TEST_F(FaultTest, ASilentServerTimesTheReceiveOut)
{
    Start({"--fault", "silent"});
    session->GetLobbyEngine()->SetTimeouts(40, 1000);
    Connect();
    EXPECT_EQ(1, session->GetStatus() & 0xFF);
    ASSERT_TRUE(FrameUntil([&]() { return (session->GetStatus() & 0xFF) == 0; }));
}

TEST_F(FaultTest, RefusalsAndARedirectWithoutAPort)
{
    Start({"--fault", "refuse"});
    Connect();
    ASSERT_TRUE(FrameUntil([&]() {
        for (size_t i = 0; i < log.events.size(); ++i) {
            if (log.events[i].compare(0, 8, "refused ") == 0)
                return true;
        }
        return false;
    }));
    EXPECT_EQ(0, session->GetStatus() & 0xFF);
    server.reset();
    Start({"--redirect-to", "127.0.0.1"});
    Connect();
    ASSERT_TRUE(FrameUntil([&]() { return (session->GetStatus() & 0xFF) == 0; }));
    EXPECT_TRUE(app.redirects.empty());
}

} // namespace
