// The two-copy runs' shorter battle timers: read from the environment only when they hold a
// whole number of seconds from 5 to 30, and a battle started with one takes it as its turn.
#include <gtest/gtest.h>
#include <stdlib.h>

#include "game/VexTestTimers.h"
#include "tests/game/BattleMatchSupport.h"

namespace {

using btest::Match;

// Sets a variable for one test and takes it away again.
struct Variable {
    const char* name;
    Variable(const char* n, const char* value) : name(n) { setenv(name, value, 1); }
    ~Variable() { unsetenv(name); }
};

TEST(TestTimers, OnlyWholeSecondsFromFiveToThirtyCount)
{
    unsetenv("ORLO_TURN_SECONDS");
    unsetenv("ORLO_UNACKED_HOLD_SECONDS");
    EXPECT_EQ(30.0f, VexTurnLimitSeconds());
    EXPECT_EQ(30.0f, VexUnackedHoldSeconds());
    const struct {
        const char* text;
        float seconds;
    } cases[] = {{"12", 12.0f},
                 {"5", 5.0f},
                 {"30", 30.0f},
                 {"4", 30.0f},
                 {"31", 30.0f},
                 {"", 30.0f},
                 {"12x", 30.0f},
                 {"x", 30.0f},
                 {"-12", 30.0f},
                 {"1e1", 30.0f},
                 {"99999999999999999999", 30.0f}};
    for (const auto& c : cases) {
        Variable turn("ORLO_TURN_SECONDS", c.text);
        Variable hold("ORLO_UNACKED_HOLD_SECONDS", c.text);
        EXPECT_EQ(c.seconds, VexTurnLimitSeconds()) << c.text;
        EXPECT_EQ(c.seconds, VexUnackedHoldSeconds()) << c.text;
    }
}

TEST(TestTimers, ABattleStartedWithAShorterTurnRunsItsTimerOnIt)
{
    Variable turn("ORLO_TURN_SECONDS", "8");
    Match match;
    match.Start();
    ASSERT_TRUE(match.RunUntil([&] { return match.ReadyShooter() != nullptr; }, 600));
    CVexPlayState* b = match.ReadyShooter();
    EXPECT_EQ(8.0f, b->GetTurnLimit());
    // Half the turn gone after 4 s (the turn began at most a step ago).
    for (int i = 0; i < 4000 / 33; ++i)
        match.Tick();
    EXPECT_NEAR(0.5f, b->GetTurnTimeLeft(), 0.02f);
}

} // namespace
