// The application's frame: due timers, the measured delta, runnables, update, present and
// pacing, driven by the test clock (no wall-clock time is measured).
#include <gtest/gtest.h>

#include <memory>

#include "engine/VortanRunnable.h"
#include "tests/shell/ApplicationTestSupport.h"
#include "tests/support/VirtualDisplay.h"

using namespace vtest;

namespace {

DisplayEnvironment* const g_env = AddDisplayEnvironment();

const u64 kMs = 1000000ull;

class LoggingRunnable : public IVortanRunnable {
public:
    LoggingRunnable(const char* name, std::vector<std::string>* log) : m_name(name), m_log(log) {}
    void Run(float delta) override
    {
        m_log->push_back(Fmt("run %s %.4f", m_name, delta));
        if (onRun)
            onRun();
    }
    std::function<void()> onRun;

private:
    const char* m_name;
    std::vector<std::string>* m_log;
};

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(g_env->display && g_env->display->Ok()) << "Xvfb did not start";
        VortanTestClock::Set(5000 * kMs);
        app.reset(new RecordingApp);
        app->ReplaceGraphicsExt(new RecordingExt(&app->log));
        CVortanWindowSettings settings;
        IVortanApplication::GetDefaultSettings(&settings);
        ASSERT_EQ(VORTAN_OK, app->CreateWindow(nullptr, &settings));
        app->log.clear();
    }
    void TearDown() override
    {
        app.reset();
        VortanTestClock::Clear();
    }
    void Advance(u64 ms) { VortanTestClock::Advance(ms * kMs); }

    std::unique_ptr<RecordingApp> app;
};

} // namespace

TEST_F(FrameTest, DeltaIsTheTimeSinceThePreviousFrameCappedAtOneSecond)
{
    Advance(16);
    app->Frame();
    EXPECT_FLOAT_EQ(0.016f, app->GetFrameDelta());
    Advance(40);
    app->Frame();
    EXPECT_FLOAT_EQ(0.040f, app->GetFrameDelta());
    Advance(2500);
    app->Frame();
    EXPECT_EQ(1.0f, app->GetFrameDelta());
    // No time at all still moves the frame on by a microsecond.
    app->Frame();
    EXPECT_FLOAT_EQ(1e-6f, app->GetFrameDelta());
    EXPECT_EQ(4, app->updates);
}

TEST_F(FrameTest, RunnablesRunInRegistrationOrderBeforeUpdateThenTheFrameIsPresented)
{
    LoggingRunnable a("a", &app->log), b("b", &app->log);
    app->AddListener(&b);
    app->AddListener(&a);
    EXPECT_TRUE(a.IsAttached());
    Advance(20);
    app->Frame();
    EXPECT_EQ((std::vector<std::string>{"run b 0.0200", "run a 0.0200", "update", "present"}),
              app->log);

    // Registering twice does not run it twice; removing unlists it and clears its flag.
    app->AddListener(&b);
    EXPECT_EQ(2, app->GetListenerCount());
    app->RemoveListener(&b);
    app->RemoveListener(&b); // absent: ignored
    EXPECT_FALSE(b.IsAttached());
    EXPECT_EQ(1, app->GetListenerCount());
    app->log.clear();
    app->Frame();
    EXPECT_EQ((std::vector<std::string>{"run a 0.0000", "update", "present"}), app->log);
    app->RemoveListener(&a);
}

TEST_F(FrameTest, ARunnableThatUnregistersItselfDoesNotMakeTheNextOneMissTheFrame)
{
    LoggingRunnable a("a", &app->log), b("b", &app->log), c("c", &app->log);
    a.onRun = [&] { app->RemoveListener(&a); };
    app->AddListener(&a);
    app->AddListener(&b);
    app->AddListener(&c);
    Advance(10);
    app->Frame();
    EXPECT_EQ((std::vector<std::string>{"run a 0.0100", "run b 0.0100", "run c 0.0100"}),
              app->Only({"run "}));
    EXPECT_EQ(2, app->GetListenerCount());
    app->RemoveListener(&b);
    app->RemoveListener(&c);
}

TEST_F(FrameTest, AtMostOneDueTimerFiresEachFrameEarlierListedFirst)
{
    app->AddTimer(1, 100);
    app->AddTimer(2, 100);
    app->AddTimer(3, 500);
    Advance(99);
    app->Frame();
    EXPECT_TRUE(app->Only({"timer"}).empty());

    Advance(1);
    app->log.clear();
    app->Frame();
    EXPECT_EQ((std::vector<std::string>{"timer 1", "update", "present"}), app->log);
    app->log.clear();
    app->Frame();
    app->Frame();
    EXPECT_EQ((std::vector<std::string>{"timer 2"}), app->Only({"timer"}));

    Advance(400); // 500 ms: every timer is due
    app->log.clear();
    for (int i = 0; i < 4; ++i)
        app->Frame();
    EXPECT_EQ((std::vector<std::string>{"timer 1", "timer 2", "timer 3"}), app->Only({"timer"}));

    app->RemoveTimer(1);
    app->RemoveTimer(7); // absent: ignored
    EXPECT_EQ(2, app->GetTimerCount());
    Advance(100);
    app->log.clear();
    app->Frame();
    EXPECT_EQ((std::vector<std::string>{"timer 2"}), app->Only({"timer"}));

    // Shutdown deletes the timers.
    app->Shutdown();
    EXPECT_EQ(0, app->GetTimerCount());
}

TEST_F(FrameTest, IdleThrottleAfterTheDelayThenQuarterSecondSleepsUntilInput)
{
    // Every frame here takes no time of its own: while not idle, each is held to a 60 Hz
    // display's period (17 ms slept, which moves the test clock on).
    app->SetFramePacing(2, 3000);
    Advance(2982);
    app->Frame();
    EXPECT_FALSE(app->IsIdle());
    EXPECT_EQ((std::vector<int>{17}), app->sleeps);
    Advance(1);
    app->Frame();
    // The frame that notices the idle time does not sleep.
    EXPECT_TRUE(app->IsIdle());
    EXPECT_EQ(1u, app->sleeps.size());
    app->Frame();
    app->Frame();
    EXPECT_EQ((std::vector<int>{17, 250, 250}), app->sleeps);

    // ResetIdle restores full speed, and the idle time does not enter the next delta.
    Advance(5000);
    app->ResetIdle();
    EXPECT_FALSE(app->IsIdle());
    Advance(20);
    app->Frame();
    EXPECT_FLOAT_EQ(0.020f, app->GetFrameDelta());
    EXPECT_EQ(4u, app->sleeps.size());

    // Any X event does the same.
    Advance(3000);
    app->Frame();
    EXPECT_TRUE(app->IsIdle());
    XEvent event;
    memset(&event, 0, sizeof(event));
    event.type = MotionNotify;
    event.xmotion.display = app->GetDisplay();
    event.xmotion.window = app->GetWindow();
    app->HandleXEvent(&event);
    EXPECT_FALSE(app->IsIdle());
    app->Frame();
    EXPECT_EQ((std::vector<int>{17, 250, 250, 17, 17}), app->sleeps);
}

// A frame whose update and present take the time given to the test clock.
class TimedFrameApp : public RecordingApp {
public:
    u64 frameMs = 0;
    void Update() override
    {
        RecordingApp::Update();
        VortanTestClock::Advance(frameMs * 1000000ull);
    }
};

TEST(FramePacing, ActiveFramesThatDidNotWaitForTheDisplayAreHeldTo60PerSecond)
{
    ASSERT_TRUE(g_env->display && g_env->display->Ok()) << "Xvfb did not start";
    VortanTestClock::Set(5000 * kMs);
    {
        TimedFrameApp app;
        app.ReplaceGraphicsExt(new RecordingExt(&app.log));
        CVortanWindowSettings settings;
        IVortanApplication::GetDefaultSettings(&settings);
        ASSERT_EQ(1, app.CreateWindow(nullptr, &settings));
        app.SetFramePacing(2, 3000);
        // The rest of 16.667 ms, to the nearest millisecond.
        const struct {
            u64 frameMs;
            std::vector<int> sleeps;
        } cases[] = {{0, {17}}, {4, {13}}, {10, {7}}, {16, {1}}, {17, {}}, {40, {}}};
        for (const auto& c : cases) {
            app.sleeps.clear();
            app.frameMs = c.frameMs;
            app.ResetIdle();
            app.Frame();
            EXPECT_EQ(c.sleeps, app.sleeps) << c.frameMs << " ms";
        }
        // Other modes keep their own rules.
        app.SetFramePacing(0, 0);
        app.sleeps.clear();
        app.Frame();
        EXPECT_TRUE(app.sleeps.empty());
    }
    VortanTestClock::Clear();
}

TEST_F(FrameTest, TargetFrameTimeSleepsTheRemainder)
{
    app->SetFramePacing(1, 33);
    Advance(10);
    app->Frame();
    EXPECT_EQ((std::vector<int>{23}), app->sleeps);
    Advance(40);
    app->Frame(); // 23 ms slept + 40 ms: nothing left to wait
    EXPECT_EQ(1u, app->sleeps.size());
}

TEST_F(FrameTest, NoPacingNeverSleeps)
{
    app->SetFramePacing(0, 500);
    EXPECT_EQ(10, app->GetPacingMs());
    for (int i = 0; i < 3; ++i) {
        Advance(5000);
        app->Frame();
    }
    EXPECT_TRUE(app->sleeps.empty());
    EXPECT_FALSE(app->IsIdle());
}

TEST_F(FrameTest, NoFrameRunsUnlessCreatedAndActive)
{
    app->SetActive(false);
    app->Frame();
    EXPECT_EQ(0, app->updates);
    app->SetActive(true);
    app->Frame();
    EXPECT_EQ(1, app->updates);

    RecordingApp fresh;
    fresh.ReplaceGraphicsExt(nullptr);
    fresh.Frame();
    EXPECT_EQ(0, fresh.updates);
    fresh.SetFramePacing(2, 100);
    Advance(1000);
    fresh.ResetIdle(); // no window yet: nothing to do
    EXPECT_FALSE(fresh.IsIdle());
}
