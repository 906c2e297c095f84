#include "engine/VortanCriticalSection.h"

#include <pthread.h>
#include <stdio.h>

#include <atomic>

namespace {

// The one mutex of every critical section. Error-checking, so that a thread entering a
// second critical section is told so instead of hanging; otherwise a plain mutex.
pthread_mutex_t* ProcessMutex()
{
    static pthread_mutex_t* mutex = [] {
        static pthread_mutex_t m;
        pthread_mutexattr_t attr;
        pthread_mutexattr_init(&attr);
        pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_ERRORCHECK);
        pthread_mutex_init(&m, &attr);
        pthread_mutexattr_destroy(&attr);
        return &m;
    }();
    return mutex;
}

// The holding thread (0 when free); only the holder writes its own id here.
std::atomic<pthread_t> g_owner{pthread_t()};

} // namespace

CVortanCriticalSection::CVortanCriticalSection()
{
    ProcessMutex();
}

CVortanCriticalSection::~CVortanCriticalSection() {}

CVortanCriticalSection* CVortanCriticalSection::Create()
{
    return new CVortanCriticalSection();
}

int CVortanCriticalSection::Lock()
{
    pthread_t self = pthread_self();
    if (pthread_equal(g_owner.load(), self)) {
        fprintf(stderr, "CVortanCriticalSection: this thread already holds a critical section "
                        "(self-deadlock refused)\n");
        return VORTAN_E_FAIL;
    }
    int rc = pthread_mutex_lock(ProcessMutex());
    if (rc != 0) {
        fprintf(stderr, "CVortanCriticalSection: lock failed (error %d)\n", rc);
        return VORTAN_E_FAIL;
    }
    g_owner.store(self);
    return VORTAN_OK;
}

int CVortanCriticalSection::Unlock()
{
    if (!pthread_equal(g_owner.load(), pthread_self())) {
        fprintf(stderr, "CVortanCriticalSection: unlock without holding the critical section\n");
        return VORTAN_E_FAIL;
    }
    g_owner.store(pthread_t());
    int rc = pthread_mutex_unlock(ProcessMutex());
    if (rc != 0) {
        fprintf(stderr, "CVortanCriticalSection: unlock failed (error %d)\n", rc);
        return VORTAN_E_FAIL;
    }
    return VORTAN_OK;
}
