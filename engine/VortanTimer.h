// CVortanTimer: the monotonic clock of the whole program.
//
// Times are counted from a process-wide base (the whole seconds of CLOCK_MONOTONIC at the
// first reading), so that they stay small: GetTimeMs right after start-up is below 1000.
// The bases are taken once, safely from any thread; every timer object reads the same base.
#pragma once
#include "engine/VortanTypes.h"

class CVortanTimer {
public:
    CVortanTimer();
    virtual ~CVortanTimer();

    static CVortanTimer* Create();

    // Sets the scales and selects the default process-wide base.
    void Init();
    // Remembers the current time as the start of the interval.
    void Start();
    // Measures now - start into the three delta fields (start is kept, so the delta grows
    // until the next Start). A zero interval gives 1e-6 s, 0 ms and 1 us.
    void Update();
    // Does nothing; kept for the owners that call it before deleting the timer.
    void Stop();

    float GetDeltaSeconds() const { return m_deltaSeconds; }
    int GetDeltaMs() const { return (int)m_deltaMs; }
    float GetDeltaUs() const { return m_deltaUs; }

    // Milliseconds since the process-wide base (wraps after about 49 days).
    u32 GetTimeMs() const;
    u64 GetTimeUs() const;
    u64 GetTimeNs() const;

private:
    i64 Now() const;

    double m_secondsScale;
    double m_msScale;
    double m_usScale;
    float m_deltaSeconds;
    float m_deltaMs;
    float m_deltaUs;
    i32 m_selector;
    i64 m_start;
};

// Test seam: a process-wide stand-in clock for the tests of time-driven code. While it is
// set, every timer reads its value (nanoseconds since the base) instead of CLOCK_MONOTONIC,
// so a test can step time exactly. The program itself never sets it.
namespace VortanTestClock {
// Replaces the monotonic clock with a fixed time (nanoseconds since the base).
void Set(u64 nowNs);
// Moves the stand-in clock forward; does nothing while no stand-in clock is set.
void Advance(u64 ns);
// Goes back to the real monotonic clock.
void Clear();
bool IsSet();
} // namespace VortanTestClock
