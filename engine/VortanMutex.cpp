#include "engine/VortanMutex.h"

#include <stdio.h>

CVortanMutex::CVortanMutex() : m_owner(pthread_t())
{
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_ERRORCHECK);
    pthread_mutex_init(&m_mutex, &attr);
    pthread_mutexattr_destroy(&attr);
}

CVortanMutex::~CVortanMutex()
{
    pthread_mutex_destroy(&m_mutex);
}

CVortanMutex* CVortanMutex::Create()
{
    return new CVortanMutex();
}

int CVortanMutex::Lock()
{
    pthread_t self = pthread_self();
    if (pthread_equal(m_owner.load(), self)) {
        fprintf(stderr, "CVortanMutex: lock of a mutex this thread already holds "
                        "(self-deadlock refused)\n");
        return VORTAN_E_FAIL;
    }
    int rc = pthread_mutex_lock(&m_mutex);
    if (rc != 0) {
        fprintf(stderr, "CVortanMutex: lock failed (error %d)\n", rc);
        return VORTAN_E_FAIL;
    }
    m_owner.store(self);
    return VORTAN_OK;
}

int CVortanMutex::Unlock()
{
    if (!pthread_equal(m_owner.load(), pthread_self())) {
        fprintf(stderr, "CVortanMutex: unlock of a mutex this thread does not hold\n");
        return VORTAN_E_FAIL;
    }
    m_owner.store(pthread_t());
    int rc = pthread_mutex_unlock(&m_mutex);
    if (rc != 0) {
        fprintf(stderr, "CVortanMutex: unlock failed (error %d)\n", rc);
        return VORTAN_E_FAIL;
    }
    return VORTAN_OK;
}

CVortanMutexLock::CVortanMutexLock(CVortanMutex& mutex)
    : m_mutex(mutex), m_locked(mutex.Lock() == VORTAN_OK ? 1 : 0)
{}

CVortanMutexLock::~CVortanMutexLock()
{
    Unlock();
}

void CVortanMutexLock::Unlock()
{
    if (m_locked) {
        m_locked = 0;
        m_mutex.Unlock();
    }
}
