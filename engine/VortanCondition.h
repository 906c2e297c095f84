// CVortanCondition: a condition variable that waits on a CVortanMutex.
//
// The worker thread's suspend handshake (IVortanThread::Suspend and Resume) is the one place
// where a thread sleeps until another wakes it; it keeps the mutex of that handshake a
// CVortanMutex, like every other lock of the program, and waits on it through this class.
#pragma once
#include <pthread.h>

#include "engine/VortanMutex.h"
#include "engine/VortanTypes.h"

class CVortanCondition {
public:
    CVortanCondition();
    virtual ~CVortanCondition();

    // The caller holds `mutex`: releases it, sleeps until Broadcast (or a spurious wake-up,
    // so callers wait in a loop over their own condition) and holds it again on return.
    // 1; VORTAN_E_FAIL (nothing waited) when the caller does not hold the mutex.
    int Wait(CVortanMutex& mutex);
    // Wakes every thread waiting on the condition.
    void Broadcast();

private:
    CVortanCondition(const CVortanCondition&) = delete;
    CVortanCondition& operator=(const CVortanCondition&) = delete;

    pthread_cond_t m_condition;
};
