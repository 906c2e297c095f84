// The online client in the application's own frame loop: a window under a private Xvfb with the
// null graphics extension, frames timed by the stand-in clock. The engines run as the frame's
// runnables, the session's update in the application's, and the relogin timer waits 1 s and
// then 10 s of frame time after the stand-in lobby goes away, then logs in again by itself.
#include "engine/graphics/VortanGraphicsExt_Null.h"
#include "tests/online/LoginTestSupport.h"
#include "tests/online/StandInProcess.h"
#include "tests/support/VirtualDisplay.h"

namespace {

vtest::DisplayEnvironment* const g_env = vtest::AddDisplayEnvironment();

// The application with only what the online client needs: settings, a screen to keep the
// stack from running empty, and the login controller.
class FrameApp : public ntest::LoginApp {
public:
    int OnCreate() override { return VORTAN_OK; }
    void OnExit() override {}
    void SleepMs(int) override {}
};

class FrameLoopTest : public ntest::FrameClockTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(g_env->display && g_env->display->Ok()) << "Xvfb did not start";
        looped = app = new FrameApp();
        app->ReplaceGraphicsExt(new CVortanGraphicsExt_Null());
        CVortanWindowSettings settings;
        IVortanApplication::GetDefaultSettings(&settings);
        ASSERT_EQ(VORTAN_OK, app->CreateWindow(nullptr, &settings));
        ASSERT_EQ(VORTAN_OK, app->PushState(new ptest::GameStateStub()));
        // The lobby's address is read when a controller is made: the server comes first.
        server.reset(new ntest::StandIn(state.Path(), 0, 0));
        ASSERT_GT(server->lobby, 0);
        setenv("ORLO_LOBBY", ("127.0.0.1:" + std::to_string(server->lobby)).c_str(), 1);
        owned.reset(new ntest::Controller());
        app->controller = owned.get();
        ASSERT_EQ(1, controller().LoadSettings(app));
    }
    void TearDown() override
    {
        if (owned)
            owned->Release();
        delete app;
        owned.reset();
    }
    void Frames(int count, u64 ms)
    {
        for (int i = 0; i < count; ++i) {
            VortanTestClock::Advance(ms * kMs);
            app->Frame();
        }
    }

    vtest::TempDir state;
    FrameApp* app = nullptr;
    std::unique_ptr<ntest::StandIn> server;
    std::unique_ptr<ntest::Controller> owned;
    ntest::Controller& controller() { return *owned; }
};

TEST_F(FrameLoopTest, TheFrameLoopLogsInAndReconnectsAfterOneThenTenSeconds)
{
    const int lobbyPort = server->lobby, gamePort = server->game;
    controller().LoginAsGuest();
    ASSERT_TRUE(FramesUntil([&]() { return controller().GetLoginState() == 2; }));
    // The session's engines are the frame's runnables.
    EXPECT_GE(app->GetListenerCount(), 2);

    server->Stop();
    ASSERT_TRUE(FramesUntil([&]() { return controller().GetReloginTimer()->IsAttached(); }));
    controller().calls.clear();
    // Nothing before a second of frames; then a refused attempt, and the next wait is 10 s.
    Frames(50, 16);
    EXPECT_FALSE(controller().Has("reconnecting"));
    Frames(20, 16);
    EXPECT_TRUE(controller().Has("reconnecting"));
    ASSERT_TRUE(FramesUntil([&]() {
        return controller().GetReloginTimer()->IsAttached() &&
               controller().GetReloginTimer()->GetCountdown() > 5.0f;
    }));
    // The refused attempt was told (the failed-login page); the retries behind it go on
    // without covering it with the reconnecting page.
    EXPECT_EQ(1, (int)controller().IsLoginUnanswered());
    server.reset(new ntest::StandIn(state.Path(), lobbyPort, gamePort));
    ASSERT_EQ(lobbyPort, server->lobby);
    controller().calls.clear();
    Frames(9, 1000);
    EXPECT_EQ(0, controller().GetLoginState());
    Frames(2, 1000);
    EXPECT_NE(0, controller().GetLoginState());
    ASSERT_TRUE(FramesUntil([&]() { return controller().GetLoginState() == 2; }));
    EXPECT_FALSE(controller().Has("reconnecting"));
    EXPECT_FALSE(controller().Has("login screen"));
    EXPECT_FLOAT_EQ(1.0f, CLoginController::GetReloginDelay());
}

} // namespace
