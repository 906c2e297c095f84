// CVortanTimer: process-wide base, deltas, and the stand-in clock for tests.
#include <time.h>

#include <gtest/gtest.h>

#include "engine/VortanThread.h"
#include "engine/VortanTimer.h"

namespace {

// The first clock reading of this process, taken before any test runs.
u64 g_firstReadingNs = ~0ull;

class FirstReading : public ::testing::Environment {
public:
    void SetUp() override
    {
        CVortanTimer t;
        t.Init();
        g_firstReadingNs = t.GetTimeNs();
    }
};

const ::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new FirstReading());

i64 MonotonicNs()
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (i64)ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

// Every test leaves the real clock in place.
class TestClock : public ::testing::Test {
protected:
    void TearDown() override { VortanTestClock::Clear(); }
};

} // namespace

TEST(Timer, ReadingsFollowTheMonotonicClockFromOneFixedWholeSecondBase)
{
    ASSERT_NE(g_firstReadingNs, ~0ull);
    EXPECT_LT(g_firstReadingNs, 1000000000ull);
    EXPECT_LT(g_firstReadingNs / 1000000ull, 1000ull);
    CVortanTimer t;
    t.Init();
    // For each reading there is a whole number k of seconds with before <= t + k <= after;
    // k is the base and must be the same every time.
    i64 base = -1;
    u64 last = 0;
    for (int i = 0; i < 2000; ++i) {
        i64 before = MonotonicNs();
        u64 now = t.GetTimeNs();
        i64 after = MonotonicNs();
        ASSERT_GE(now, last);
        last = now;
        i64 k = (after - (i64)now) / 1000000000LL; // candidate base
        ASSERT_GE((i64)now + k * 1000000000LL, before) << i;
        ASSERT_LE((i64)now + k * 1000000000LL, after) << i;
        if (base < 0)
            base = k;
        ASSERT_EQ(k, base);
    }
    // Milliseconds and microseconds come from the same reading scale.
    u64 ns1 = t.GetTimeNs(), us = t.GetTimeUs();
    u32 ms = t.GetTimeMs();
    u64 ns2 = t.GetTimeNs();
    EXPECT_TRUE(us >= ns1 / 1000 && us <= ns2 / 1000) << us;
    EXPECT_TRUE(ms >= (u32)(us / 1000) && ms <= (u32)(ns2 / 1000000)) << ms;
}

TEST_F(TestClock, UpdateMeasuresFromTheSameStartUntilTheNextStart)
{
    VortanTestClock::Set(1000000000ull);
    CVortanTimer t;
    t.Init();
    t.Start();
    t.Update(); // a zero interval gives one microsecond
    EXPECT_EQ(t.GetDeltaSeconds(), 1e-6f);
    EXPECT_EQ(t.GetDeltaMs(), 0);
    EXPECT_EQ(t.GetDeltaUs(), 1.0f);
    VortanTestClock::Advance(1500000); // 1.5 ms
    t.Update();
    EXPECT_FLOAT_EQ(t.GetDeltaSeconds(), 0.0015f);
    EXPECT_EQ(t.GetDeltaMs(), 1); // truncated
    EXPECT_FLOAT_EQ(t.GetDeltaUs(), 1500.0f);
    VortanTestClock::Advance(2000000);
    t.Update();
    EXPECT_FLOAT_EQ(t.GetDeltaSeconds(), 0.0035f);
    t.Start();
    VortanTestClock::Advance(33000000);
    t.Update();
    EXPECT_FLOAT_EQ(t.GetDeltaSeconds(), 0.033f);
    EXPECT_EQ(t.GetDeltaMs(), 33);
}

TEST_F(TestClock, TimeReadersConvertTheStandInClock)
{
    CVortanTimer t;                 // also without Init (a seed source)
    VortanTestClock::Advance(1000); // no effect while unset
    EXPECT_FALSE(VortanTestClock::IsSet());
    VortanTestClock::Set(123456789012ull);
    EXPECT_EQ(t.GetTimeNs(), 123456789012ull);
    EXPECT_EQ(t.GetTimeUs(), 123456789ull);
    EXPECT_EQ(t.GetTimeMs(), 123456u);
    // Milliseconds are a 32-bit count: 5,000,000,000 ms wraps to 5e9 mod 2^32.
    VortanTestClock::Set(5000000000ull * 1000000ull);
    EXPECT_EQ(t.GetTimeMs(), (u32)(5000000000ull % 4294967296ull));
    VortanTestClock::Clear();
    EXPECT_LT(t.GetTimeNs(), 5000000000ull * 1000000ull);
}

TEST(Timer, RealDeltaCoversASleep)
{
    CVortanTimer t;
    t.Init();
    t.Start();
    VortanSleep(20);
    t.Update();
    EXPECT_GE(t.GetDeltaMs(), 20);
}
