// The login controller against a scripted loopback lobby: settings at first start, guest and
// challenge logins with what they store, registration logging in with the hash, the relogin
// waits (1 s, 10 s, 10 s, then 1 s after an acknowledged connect), cancelling, redirects, and a
// lobby that stops reading: given up, and the guest logged in again.
#include <stdlib.h>

#include "engine/VortanTimer.h"
#include "online/login/LoginController.h"
#include "platform/OrloStatsStore.h"
#include "tests/online/LoginTestSupport.h"
#include "tests/online/SentFields.h"

using ntest::Ber;
using ntest::Controller;
using ntest::LoginApp;
using ntest::TagOf;

namespace {

class LoginControllerTest : public ntest::FactoryTest {
protected:
    void SetUp() override
    {
        setenv("ORLO_LOBBY", ("127.0.0.1:" + std::to_string(lobby.port)).c_str(), 1);
        CLoginController::SetReloginDelay(1.0f);
        app = new LoginApp();
        controller = new Controller();
        app->controller = controller;
        ASSERT_EQ(1, controller->LoadSettings(app));
    }
    void TearDown() override
    {
        if (peer >= 0)
            close(peer);
        controller->Release();
        delete controller;
        delete app;
        unsetenv("ORLO_LOBBY");
        VortanTestClock::Clear();
    }
    COrloNetworkSession* Session() const
    {
        return dynamic_cast<COrloNetworkSession*>(app->GetNetworkSession());
    }
    // One frame of what the application runs: engines, the session's update, the timer.
    void Frame(float dt = 0.016f)
    {
        app->DropRetired();
        if (Session()) {
            Session()->GetLobbyEngine()->Run(dt);
            if (Session())
                Session()->GetGameEngine()->Run(dt);
            if (Session())
                Session()->Update(dt);
        }
        CLoginController::ReloginTimer* timer = controller->GetReloginTimer();
        if (timer && timer->IsAttached())
            timer->Run(dt);
    }
    bool FrameUntil(const std::function<bool()>& condition)
    {
        return vtest::WaitUntil([&]() {
            Frame();
            return condition();
        });
    }
    // Accepts the client's connection and reads its connect request.
    void AcceptClient(ntest::Listener& listener)
    {
        if (peer >= 0)
            close(peer);
        stream.clear();
        peer = -1;
        ASSERT_TRUE(FrameUntil([&]() {
            pollfd wait = {listener.fd, POLLIN, 0};
            if (poll(&wait, 1, 0) > 0)
                peer = accept4(listener.fd, nullptr, nullptr, SOCK_CLOEXEC);
            return peer >= 0;
        }));
        ASSERT_EQ(0, TagOf(Next()));
    }
    // The client's next message.
    std::vector<u8> Next()
    {
        std::vector<std::vector<u8>> got;
        FrameUntil([&]() {
            ntest::ReadSome(peer, &stream, 1);
            got = ntest::SplitMessages(stream);
            return !got.empty();
        });
        if (got.empty())
            return {};
        for (size_t i = 1; i < got.size(); ++i)
            pending.push_back(got[i]);
        if (!pending.empty()) {
            pending.push_back(got[0]);
            std::vector<u8> first = pending.front();
            pending.erase(pending.begin());
            return first;
        }
        return got[0];
    }
    void Serve(const std::vector<u8>& message) { ntest::WriteAll(peer, message); }
    // A guest login on the lobby, answered: the controller logged in.
    void GuestLoggedIn()
    {
        controller->LoginAsGuest();
        AcceptClient(lobby);
        Acknowledge();
        ASSERT_EQ(5, TagOf(Next()));
        Serve(Ber(6).Int(0, 12).Text(1, "tok").Text(3, "g").Build());
        ASSERT_TRUE(FrameUntil([&]() { return controller->GetLoginState() == 2; }));
    }
    void Acknowledge() { Serve(Ber(2).Text(0, "").Int(1, 0).Text(2, "").Int(3, 0).Build()); }
    COrloStatsEntry* Entry(const char* name)
    {
        return app->GetSettings()->Find(CVortanString(name));
    }
    std::string Md5(const std::string& text)
    {
        std::string out;
        vtest::RunProgram(
            {vtest::Python(), "-c",
             "import hashlib,sys;print(hashlib.md5(sys.argv[1].encode()).hexdigest())", text},
            &out);
        while (!out.empty() && out.back() == '\n')
            out.pop_back();
        return out;
    }
    // The texts of a login message (tag 5): name and password.
    ntest::Listener lobby;
    LoginApp* app = nullptr;
    Controller* controller = nullptr;
    int peer = -1;
    std::vector<u8> stream;
    std::vector<std::vector<u8>> pending;
};

TEST_F(LoginControllerTest, FirstStartCreatesTheLoginSettings)
{
    ASSERT_NE(nullptr, Entry("__Orlo_AutoLogin"));
    EXPECT_EQ(0, Entry("__Orlo_AutoLogin")->boolValue);
    EXPECT_TRUE(Entry("__Orlo_UserName")->stringValue.IsEmpty());
    EXPECT_TRUE(Entry("__Orlo_Password")->stringValue.IsEmpty());
    EXPECT_EQ(1, Entry("__Orlo_FirstRun")->boolValue);
    EXPECT_EQ(0, Entry("__Orlo_GuestCounter")->intValue);
    EXPECT_EQ(nullptr, Entry("__Orlo_TimesLoggedIn"));
    EXPECT_TRUE(vtest::Exists(home.Path() + "/.PlatformTest/stats.dat") ||
                vtest::Exists(home.Path()));
    EXPECT_EQ(lobby.port, controller->GetServerPort());
    EXPECT_FALSE(controller->CanAutoLogin());
    // A stored name without a password is emptied and auto-login switched off.
    Entry("__Orlo_UserName")->SetString(CVortanString("ann"));
    Entry("__Orlo_AutoLogin")->SetBool(1);
    ASSERT_EQ(1, controller->LoadSettings(app));
    EXPECT_TRUE(Entry("__Orlo_UserName")->stringValue.IsEmpty());
    EXPECT_EQ(0, Entry("__Orlo_AutoLogin")->boolValue);
}

TEST_F(LoginControllerTest, GuestLoginSendsTheCounterAndAdvancesItOnSuccessOnly)
{
    controller->LoginAsGuest();
    AcceptClient(lobby);
    Acknowledge();
    std::vector<u8> login = Next();
    ASSERT_EQ(5, TagOf(login));
    // The guest name, the counter as the password, 1, an empty text.
    EXPECT_EQ("5: [0]='guest' [1]='0' [2]=1 [3]=''", sentfields::Fields(login, "ttit"));
    // A second guest login while one is under way does nothing.
    controller->LoginAsGuest();
    Serve(Ber(6).Int(0, 12).Text(1, "tok").Text(3, "guest_12").Build());
    ASSERT_TRUE(FrameUntil([&]() { return controller->Has("succeeded guest_12 tok 0"); }));
    EXPECT_EQ(2, controller->GetLoginState());
    EXPECT_EQ(1, Entry("__Orlo_GuestCounter")->intValue);
    EXPECT_EQ(1, Entry("__Orlo_TimesLoggedIn")->intValue);
    EXPECT_TRUE(Entry("__Orlo_UserName")->stringValue.IsEmpty());
    EXPECT_EQ(28, TagOf(Next()));
}

TEST_F(LoginControllerTest, ChallengeLoginSendsTheHashAndStoresItForAutoLogin)
{
    controller->Login(CVortanString("alice"), CVortanString("pw"), true);
    AcceptClient(lobby);
    Acknowledge();
    std::vector<u8> request = Next();
    ASSERT_EQ(57, TagOf(request));
    EXPECT_EQ("57: [0]='alice'", sentfields::Fields(request, "t"));
    Serve(Ber(58).Text(0, "s4lt").Build());
    std::vector<u8> login = Next();
    ASSERT_EQ(5, TagOf(login));
    const std::string hash = Md5("pws4lt");
    EXPECT_EQ("5: [0]='alice' [1]='" + hash + "' [2]=1 [3]=''", sentfields::Fields(login, "ttit"));
    Serve(Ber(6).Int(0, 3).Text(1, "t").Text(3, "Alice").Build());
    ASSERT_TRUE(FrameUntil([&]() { return controller->Has("succeeded Alice t 0"); }));
    EXPECT_EQ("alice", VortanUTF8Of(Entry("__Orlo_UserName")->stringValue));
    EXPECT_EQ(hash, VortanUTF8Of(Entry("__Orlo_Password")->stringValue));
    EXPECT_TRUE(controller->CanAutoLogin());
    // The stored login is sent unchanged by the next start's reconnect.
    ASSERT_EQ(1, controller->LoadSettings(app));
    EXPECT_EQ(0, controller->GetChallengeFlag());
    EXPECT_EQ(hash, VortanUTF8Of(controller->GetPassword()));
}

TEST_F(LoginControllerTest, RegistrationLogsInWithTheHashAndNoChallenge)
{
    controller->ValidateUserName(CVortanString("abc"));
    controller->ValidateUserName(CVortanString("with space"));
    EXPECT_EQ((std::vector<std::string>{"name refused", "name refused"}), controller->calls);
    EXPECT_EQ(nullptr, Session()); // no connection was made for those

    controller->ValidateUserName(CVortanString("newbie"));
    AcceptClient(lobby);
    Acknowledge();
    std::vector<u8> name = Next();
    ASSERT_EQ(107, TagOf(name));
    EXPECT_EQ("107: [0]='newbie'", sentfields::Fields(name, "t"));
    Serve(Ber(108).Int(0, 0).Text(1, "salt9").Build());
    ASSERT_TRUE(FrameUntil([&]() { return controller->Has("name ok"); }));
    EXPECT_EQ("newbie", VortanUTF8Of(controller->GetConfirmedUserName()));
    controller->CreateAccount(CVortanString("newbie"), CVortanString("pw"), CVortanString("e@x"));
    std::vector<u8> account = Next();
    ASSERT_EQ(109, TagOf(account));
    const std::string hash = Md5("pwsalt9");
    // The name, the e-mail address, the hash of the password and the name's salt, 0 for an own
    // account, no external token or id.
    EXPECT_EQ("109: [0]='newbie' [1]='e@x' [2]='" + hash + "' [3]=0 [4]='' [5]=''",
              sentfields::Fields(account, "tttitt"));
    // The answer reconnects from inside the session's own delivery: a new session logs in.
    Serve(Ber(110).Int(0, 0).Text(1, "newbie").Build());
    AcceptClient(lobby);
    Acknowledge();
    std::vector<u8> login = Next();
    ASSERT_EQ(5, TagOf(login));
    EXPECT_EQ("5: [0]='newbie' [1]='" + hash + "' [2]=1 [3]=''", sentfields::Fields(login, "ttit"));
    Serve(Ber(6).Int(0, 9).Text(1, "t").Text(3, "newbie").Build());
    ASSERT_TRUE(FrameUntil([&]() { return controller->Has("succeeded newbie t 1"); }));
}

TEST_F(LoginControllerTest, ReloginWaitsOneThenTenThenTenSecondsAndOneAfterAnAcknowledgement)
{
    ASSERT_NO_FATAL_FAILURE(GuestLoggedIn());

    const float waits[] = {1.0f, 10.0f, 10.0f};
    for (int round = 0; round < 3; ++round) {
        close(peer);
        peer = -1;
        ASSERT_TRUE(FrameUntil([&]() { return controller->GetReloginTimer()->IsAttached(); }));
        // The frame that armed it has already run it once.
        const float left = controller->GetReloginTimer()->GetCountdown();
        EXPECT_NEAR(waits[round], left, 0.05f);
        controller->calls.clear();
        Frame(left - 0.1f);
        EXPECT_FALSE(controller->Has("reconnecting"));
        Frame(0.2f);
        EXPECT_TRUE(controller->Has("reconnecting"));
        AcceptClient(lobby); // connected but not acknowledged
    }
    // An acknowledged connection brings the wait back to 1 s.
    Acknowledge();
    ASSERT_EQ(5, TagOf(Next()));
    close(peer);
    peer = -1;
    ASSERT_TRUE(FrameUntil([&]() { return controller->GetReloginTimer()->IsAttached(); }));
    EXPECT_NEAR(1.0f, controller->GetReloginTimer()->GetCountdown(), 0.05f);
    // Cancelling stops it: nothing is shown and no connection is made.
    controller->SetReloginTimer(0.0f);
    controller->calls.clear();
    for (int i = 0; i < 5; ++i)
        Frame(1.0f);
    EXPECT_FALSE(controller->Has("reconnecting"));
}

TEST_F(LoginControllerTest, ARedirectIsUsedUntilALoginError)
{
    ntest::Listener second;
    controller->LoginAsGuest();
    AcceptClient(lobby);
    Serve(
        Ber(2).Text(0, "").Int(1, -3).Text(2, "127.0.0.1:" + std::to_string(second.port)).Build());
    ASSERT_TRUE(FrameUntil([&]() { return controller->IsUsingRedirect() == 1; }));
    Frame(1.1f);
    AcceptClient(second);
    Acknowledge();
    ASSERT_EQ(5, TagOf(Next()));
    Serve(Ber(6).Int(0, -5).Text(1, "no").Build());
    ASSERT_TRUE(FrameUntil([&]() { return controller->IsUsingRedirect() == 0; }));
    EXPECT_EQ(0, controller->GetLoginState());
}

TEST_F(LoginControllerTest, ALobbyThatStopsReadingIsGivenUpAndTheGuestLogsInAgain)
{
    const u64 second = 1000000000ull;
    VortanTestClock::Set(100 * second);
    ASSERT_NO_FATAL_FAILURE(GuestLoggedIn());

    // Small buffers on both sides, then 20,000 pings that each want an answer, and the lobby
    // reads nothing more: the answers stop moving once the buffers are full.
    int small = 4096;
    const int client = ntest::FindClientSocket(lobby.port);
    ASSERT_GE(client, 0);
    ASSERT_EQ(0, setsockopt(client, SOL_SOCKET, SO_SNDBUF, &small, sizeof(small)));
    ASSERT_EQ(0, setsockopt(peer, SOL_SOCKET, SO_RCVBUF, &small, sizeof(small)));
    std::vector<u8> pings;
    for (int i = 0; i < 20000; ++i) {
        std::vector<u8> one = Ber(44).Int(0, i).Build();
        pings.insert(pings.end(), one.begin(), one.end());
    }
    Serve(pings);
    CSocketEngine* engine = Session()->GetLobbyEngine();
    ASSERT_TRUE(FrameUntil([&]() { return engine->GetOutboundCount() > 1000; }));
    EXPECT_FALSE(controller->GetReloginTimer() && controller->GetReloginTimer()->IsAttached());

    // 31 s by the clock without a byte read (moved on until the send thread has seen them
    // pass after its last write): the lobby is given up and the relogin armed, 1 s.
    ASSERT_TRUE(vtest::WaitUntil([&]() {
        VortanTestClock::Advance(31 * second);
        Frame(0.0f);
        return controller->GetReloginTimer() && controller->GetReloginTimer()->IsAttached();
    }));
    EXPECT_NEAR(1.0f, controller->GetReloginTimer()->GetCountdown(), 0.05f);
    Frame(1.1f);
    EXPECT_TRUE(controller->Has("reconnecting"));
    // A new connection and the guest's login again, on the new session.
    AcceptClient(lobby);
    Acknowledge();
    EXPECT_EQ(5, TagOf(Next()));
}

} // namespace
