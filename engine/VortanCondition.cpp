#include "engine/VortanCondition.h"

CVortanCondition::CVortanCondition()
{
    pthread_cond_init(&m_condition, nullptr);
}

CVortanCondition::~CVortanCondition()
{
    pthread_cond_destroy(&m_condition);
}

int CVortanCondition::Wait(CVortanMutex& mutex)
{
    pthread_t self = pthread_self();
    if (!pthread_equal(mutex.m_owner.load(), self))
        return VORTAN_E_FAIL;
    // The mutex is free while the caller sleeps: nobody holds it as far as the owner field
    // knows, and the caller holds it again once the wait returns.
    mutex.m_owner.store(pthread_t());
    int rc = pthread_cond_wait(&m_condition, &mutex.m_mutex);
    mutex.m_owner.store(self);
    return rc == 0 ? VORTAN_OK : VORTAN_E_FAIL;
}

void CVortanCondition::Broadcast()
{
    pthread_cond_broadcast(&m_condition);
}
