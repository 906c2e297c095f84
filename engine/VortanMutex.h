// CVortanMutex: an error-checking, non-recursive mutex.
//
// The thread that holds it must not lock it again. If it does, Lock reports the self-deadlock
// on stderr and returns VORTAN_E_FAIL at once without taking the mutex a second time (the
// mutex stays held by that thread, once).
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
    CVortanMutex(const CVortanMutex&) = delete;
    CVortanMutex& operator=(const CVortanMutex&) = delete;

    pthread_mutex_t m_mutex;
    // The holding thread (0 when free); only the holder writes its own id here, so a thread
    // can tell reliably whether it holds the mutex itself.
    std::atomic<pthread_t> m_owner;
};
