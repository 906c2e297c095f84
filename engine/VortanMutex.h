// CVortanMutex: an error-checking, non-recursive mutex; CVortanMutexLock holds one for the
// lifetime of a block.
//
// The thread that holds it must not lock it again. If it does, Lock reports the self-deadlock
// on stderr and returns VORTAN_E_FAIL at once without taking the mutex a second time (the
// mutex stays held by that thread, once).
//
// Every lock of the program is a CVortanMutex or the process-wide CVortanCriticalSection
// (which is built on one). The worker thread's suspend handshake waits on a CVortanMutex
// through CVortanCondition, the one condition variable of the program.
#pragma once
#include <pthread.h>

#include <atomic>

#include "engine/VortanTypes.h"

class CVortanMutex {
public:
    CVortanMutex();
    virtual ~CVortanMutex();

    static CVortanMutex* Create();

    // VORTAN_OK when locked; VORTAN_E_FAIL when the caller already holds it (self-deadlock) or the
    // system reports another error.
    int Lock();
    // VORTAN_OK when unlocked; VORTAN_E_FAIL (reported) when the caller does not hold it.
    int Unlock();

private:
    friend class CVortanCondition;

    CVortanMutex(const CVortanMutex&) = delete;
    CVortanMutex& operator=(const CVortanMutex&) = delete;

    pthread_mutex_t m_mutex;
    // The holding thread (0 when free); only the holder writes its own id here, so a thread
    // can tell reliably whether it holds the mutex itself.
    std::atomic<pthread_t> m_owner;
};

// Locks a CVortanMutex on construction and unlocks it on destruction (or at Unlock). When
// the lock fails (the thread already holds the mutex) the guard holds nothing: callers test
// IsLocked before touching what the mutex guards.
class CVortanMutexLock {
public:
    explicit CVortanMutexLock(CVortanMutex& mutex);
    ~CVortanMutexLock();

    // 1 while this guard holds the mutex.
    int IsLocked() const { return m_locked; }
    // Releases the mutex before the end of the block; later calls do nothing.
    void Unlock();

private:
    CVortanMutexLock(const CVortanMutexLock&) = delete;
    CVortanMutexLock& operator=(const CVortanMutexLock&) = delete;

    CVortanMutex& m_mutex;
    int m_locked;
};
