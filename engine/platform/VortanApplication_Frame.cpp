// The frame of the engine application: timers, the frame delta, the runnables, the
// application's update, presenting and the pacing of the loop.
#include <new>

#include "engine/VortanRunnable.h"
#include "engine/graphics/VortanGraphicsExt.h"
#include "engine/platform/VortanApplication.h"

u32 IVortanApplication::NowMs() const
{
    return m_frameTimer.GetTimeMs();
}

namespace {
// The refresh period of a 60 Hz display, in microseconds.
const u64 kDisplayPeriodUs = 16667;
} // namespace

void IVortanApplication::Frame()
{
    if (!m_active || !m_created)
        return;
    const u64 frameStartUs = m_frameTimer.GetTimeUs();

    // At most one due timer per frame, the earliest listed first.
    u32 now = NowMs();
    for (int i = 0; i < m_timers.GetCount(); ++i) {
        CVortanTimerRecord* record = (CVortanTimerRecord*)m_timers.GetAt(i);
        if ((u32)(now - record->lastFire) >= record->interval) {
            record->lastFire = now;
            OnTimer((int)record->id);
            break;
        }
    }

    UpdateFrameTimer();

    // Runnables in registration order. One that unregisters itself from its own Run does
    // not make the next one miss the frame.
    for (int i = 0; i < m_runnables.GetCount();) {
        IVortanRunnable* runnable = (IVortanRunnable*)m_runnables.GetAt(i);
        runnable->Run(m_frameDelta);
        if (i < m_runnables.GetCount() && m_runnables.GetAt(i) == runnable)
            ++i;
    }

    Update();

    if (m_active && m_created) {
        if (m_graphicsExt)
            m_graphicsExt->Present();
        else if (m_present)
            (this->*m_present)();
    }

    switch (m_pacingMode) {
    case 1: {
        // The last frame's delta in whole milliseconds (capped like the delta itself).
        int elapsed = m_frameTimer.GetDeltaMs();
        if (elapsed > 1000)
            elapsed = 1000;
        int wait = m_pacingMs - elapsed;
        if (wait > 0)
            SleepMs(wait);
        break;
    }
    case 2:
        if (m_idle)
            SleepMs(250);
        else if ((u32)(NowMs() - m_lastInputMs) >= (u32)m_pacingMs)
            m_idle = 1;
        else
            HoldActiveRate(frameStartUs);
        break;
    default:
        break;
    }
}

void IVortanApplication::HoldActiveRate(u64 frameStartUs)
{
    // "Full speed" was meant to be the display's rate: on the phone the buffer swap waits for
    // the display. A swap that returns at once (a virtual X server, software rendering)
    // would let the loop spin as fast as it can draw; there the rate is held to 60 frames
    // per second. A frame whose swap waited for a 60 Hz display took a whole period and
    // sleeps nothing (differences under half a millisecond are jitter).
    u64 spent = m_frameTimer.GetTimeUs() - frameStartUs;
    if (spent >= kDisplayPeriodUs)
        return;
    int wait = (int)((kDisplayPeriodUs - spent + 500) / 1000);
    if (wait > 0)
        SleepMs(wait);
}

void IVortanApplication::UpdateFrameTimer()
{
    m_frameTimer.Update();
    float delta = m_frameTimer.GetDeltaSeconds();
    if (delta > 1.0f)
        delta = 1.0f;
    m_frameDelta = delta;
    m_frameTimer.Start();
}

void IVortanApplication::SetFramePacing(int mode, int ms)
{
    m_pacingMode = mode;
    m_pacingMs = mode == 0 ? 10 : ms;
    m_lastInputMs = NowMs();
    m_idle = 0;
}

void IVortanApplication::ResetIdle()
{
    if (!m_created || m_pacingMode != 2)
        return;
    // The idle time must not enter the next frame's delta.
    if (m_idle)
        m_frameTimer.Start();
    m_lastInputMs = NowMs();
    m_idle = 0;
}

void IVortanApplication::AddTimer(int id, int intervalMs)
{
    CVortanTimerRecord* record = new (std::nothrow) CVortanTimerRecord;
    if (!record)
        return;
    record->id = (u32)id;
    record->lastFire = NowMs();
    record->interval = (u32)intervalMs;
    if (m_timers.Add(record) != VORTAN_OK)
        delete record;
}

void IVortanApplication::RemoveTimer(int id)
{
    for (int i = 0; i < m_timers.GetCount(); ++i) {
        CVortanTimerRecord* record = (CVortanTimerRecord*)m_timers.GetAt(i);
        if (record->id == (u32)id) {
            m_timers.RemoveAt(i);
            delete record;
            return;
        }
    }
}

void IVortanApplication::AddListener(IVortanRunnable* runnable)
{
    if (!runnable)
        return;
    runnable->SetAttached(1);
    if (m_runnables.IndexOf(runnable) >= 0)
        return;
    if (m_runnables.Add(runnable) != VORTAN_OK)
        runnable->SetAttached(0);
}

void IVortanApplication::RemoveListener(IVortanRunnable* runnable)
{
    const int i = m_runnables.IndexOf(runnable);
    if (i < 0)
        return;
    runnable->SetAttached(0);
    m_runnables.RemoveAt(i);
}
