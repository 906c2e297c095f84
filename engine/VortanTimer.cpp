#include "engine/VortanTimer.h"

#include <time.h>

#include <atomic>

namespace {

// Marks a base that has not been taken yet (a real base may legitimately be 0 seconds).
const i64 kNoBase = INT64_MIN;

// One base per clock selector: whole seconds of CLOCK_MONOTONIC at the first reading.
std::atomic<i64> g_bases[2] = {{kNoBase}, {kNoBase}};

std::atomic<bool> g_testClockSet{false};
std::atomic<u64> g_testClockNs{0};

i64 ReadNow(int selector)
{
    if (g_testClockSet.load(std::memory_order_acquire))
        return (i64)g_testClockNs.load(std::memory_order_acquire);

    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    std::atomic<i64>& base = g_bases[selector & 1];
    i64 b = base.load(std::memory_order_acquire);
    if (b == kNoBase) {
        // The first reader wins; every other thread adopts its base.
        i64 expected = kNoBase;
        if (base.compare_exchange_strong(expected, (i64)ts.tv_sec, std::memory_order_acq_rel))
            b = (i64)ts.tv_sec;
        else
            b = expected;
    }
    return ((i64)ts.tv_sec - b) * 1000000000LL + (i64)ts.tv_nsec;
}

} // namespace

CVortanTimer::CVortanTimer()
    : m_secondsScale(0), m_msScale(0), m_usScale(0), m_deltaSeconds(0), m_deltaMs(0), m_deltaUs(0),
      m_selector(0), m_start(0)
{
    // A timer is usable without Init: reading the clock through zero scales would give 0.
    Init();
}

CVortanTimer::~CVortanTimer() {}

CVortanTimer* CVortanTimer::Create()
{
    return new CVortanTimer();
}

void CVortanTimer::Init()
{
    m_secondsScale = 1e-9;
    m_msScale = 1e-6;
    m_usScale = 1e-3;
    m_selector = 0;
}

i64 CVortanTimer::Now() const
{
    return ReadNow(m_selector);
}

void CVortanTimer::Start()
{
    m_start = Now();
}

void CVortanTimer::Update()
{
    i64 now = Now();
    if (now == m_start) {
        m_deltaSeconds = 1e-6f;
        m_deltaMs = 0.0f;
        m_deltaUs = 1.0f;
        return;
    }
    double d = (double)(now - m_start);
    m_deltaSeconds = (float)(d * m_secondsScale);
    m_deltaMs = (float)(d * m_msScale);
    m_deltaUs = (float)(d * m_usScale);
}

void CVortanTimer::Stop() {}

u32 CVortanTimer::GetTimeMs() const
{
    double ms = (double)Now() * m_msScale;
    if (!(ms > 0.0))
        return 0;
    // Through 64 bits so that the conversion is defined; the 32-bit value wraps.
    return (u32)(u64)ms;
}

u64 CVortanTimer::GetTimeUs() const
{
    double us = (double)Now() * m_usScale;
    return us > 0.0 ? (u64)us : 0;
}

u64 CVortanTimer::GetTimeNs() const
{
    i64 now = Now();
    return now > 0 ? (u64)now : 0;
}

namespace VortanTestClock {

void Set(u64 nowNs)
{
    g_testClockNs.store(nowNs, std::memory_order_release);
    g_testClockSet.store(true, std::memory_order_release);
}

void Advance(u64 ns)
{
    if (g_testClockSet.load(std::memory_order_acquire))
        g_testClockNs.fetch_add(ns, std::memory_order_acq_rel);
}

void Clear()
{
    g_testClockSet.store(false, std::memory_order_release);
}

bool IsSet()
{
    return g_testClockSet.load(std::memory_order_acquire);
}

} // namespace VortanTestClock
