#include "engine/VortanThread.h"

#include <errno.h>
#include <sched.h>
#include <stdio.h>
#include <time.h>

namespace {

// The thread object whose body runs on the calling thread (null on other threads).
thread_local IVortanThread* t_currentBody = nullptr;

} // namespace

IVortanThread::IVortanThread()
    : m_running(0), m_thread(), m_hasThread(false), m_suspended(0), m_alive(0), m_priority(0)
{}

IVortanThread::~IVortanThread()
{
    if (m_hasThread.load() && m_alive.load() != 0 && t_currentBody != this)
        fprintf(stderr, "IVortanThread: a running thread reached the base destructor; "
                        "its class must call Stop in its own destructor\n");
    Stop();
}

void* IVortanThread::ThreadEntry(void* arg)
{
    IVortanThread* self = static_cast<IVortanThread*>(arg);
    t_currentBody = self;
    self->Run();
    self->m_running.store(0);
    self->m_alive.store(0);
    t_currentBody = nullptr;
    return nullptr;
}

int IVortanThread::Start()
{
    // A body cannot replace its own thread: that would leave it never joined.
    if (t_currentBody == this)
        return 0;
    if (m_hasThread.load())
        Stop();
    m_running.store(1);
    m_alive.store(-1);
    m_suspended.store(0);
    m_hasThread.store(true);
    int rc = pthread_create(&m_thread, nullptr, &IVortanThread::ThreadEntry, this);
    if (rc != 0) {
        m_running.store(0);
        m_alive.store(0);
        m_hasThread.store(false);
        m_thread = pthread_t();
        return 0;
    }
    return 1;
}

void IVortanThread::Stop()
{
    if (t_currentBody == this) {
        // From the body itself: it ends when it next checks IsRunning; the owner joins it.
        m_running.store(0);
        return;
    }
    if (m_hasThread.load()) {
        m_running.store(0);
        // Wake a body that waits in Suspend (always under the mutex, so a body that is just
        // about to wait sees the cleared running flag instead of missing the wake-up).
        WakeSuspended();

        if (pthread_join(m_thread, nullptr) != 0) {
            for (int step = 0; step < 200 && m_alive.load() != 0; ++step) {
                m_running.store(0);
                VortanSleep(10);
            }
        }
        m_thread = pthread_t();
        m_hasThread.store(false);
    }
    m_alive.store(0);
    m_running.store(0);
    m_suspended.store(0);
}

void IVortanThread::Suspend()
{
    if (!m_hasThread.load())
        return;
    CVortanMutexLock lock(m_suspendLock);
    if (!lock.IsLocked())
        return;
    m_suspended.store(1);
    // Waits in a predicate loop: spurious wake-ups go back to sleep.
    while (m_suspended.load() != 0 && m_running.load() != 0) {
        if (m_resumed.Wait(m_suspendLock) != VORTAN_OK)
            break;
    }
    m_suspended.store(0);
}

void IVortanThread::Resume()
{
    if (!m_hasThread.load())
        return;
    WakeSuspended();
}

void IVortanThread::WakeSuspended()
{
    CVortanMutexLock lock(m_suspendLock);
    m_suspended.store(0);
    m_resumed.Broadcast();
}

int IVortanThread::SetPriority(int priority)
{
    m_priority.store(priority);
    if (!m_hasThread.load())
        return 0;
    struct sched_param param = {};
    param.sched_priority = priority;
    pthread_t target = (t_currentBody == this) ? pthread_self() : m_thread;
    // Policy 0 is the normal time-sharing policy; the system refuses other priorities
    // there, and a refused priority leaves the thread as it was.
    return pthread_setschedparam(target, SCHED_OTHER, &param) == 0 ? 1 : 0;
}

int IVortanThread::WaitUntilDone()
{
    while (m_running.load() != 0)
        VortanSleep(1000);
    return 0;
}

void VortanSleep(int ms)
{
    if (ms <= 0)
        return;
    struct timespec req;
    req.tv_sec = ms / 1000;
    req.tv_nsec = (long)(ms % 1000) * 1000000L;
    struct timespec rem;
    while (nanosleep(&req, &rem) != 0 && errno == EINTR)
        req = rem;
}

pthread_t VortanGetCurrentThread()
{
    return pthread_self();
}
