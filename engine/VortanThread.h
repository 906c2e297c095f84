// IVortanThread: a worker thread whose body is the subclass's Run, plus the engine's
// millisecond sleep and current-thread query.
//
// The body loops while IsRunning() is 1 and returns when Stop clears it. Stop must come from
// another thread (it joins). Suspend is called by the body on itself; Resume and Stop come
// from other threads.
//
// Every concrete subclass calls Stop() in its own destructor: by the time the base
// destructor runs, the subclass part of the object is gone while its body may still be
// running on the worker. The base destructor stops the thread as a last resort only (and
// reports that it had to).
//
// The suspend handshake is guarded by a CVortanMutex like every other lock of the program;
// the body sleeps in Suspend on a CVortanCondition over that mutex, which Resume and Stop
// broadcast. It is the program's only condition variable.
#pragma once
#include <pthread.h>

#include <atomic>

#include "engine/VortanCondition.h"
#include "engine/VortanMutex.h"
#include "engine/VortanTypes.h"

class IVortanThread {
public:
    IVortanThread();
    virtual ~IVortanThread();

    // The thread's body.
    virtual void Run() = 0;

    // Stops a thread that exists, then starts a new one running Run. 1, or 0 when the
    // system refuses to create the thread (the flags are then cleared).
    int Start();
    // Clears the running flag, wakes a suspended body and joins the thread. Called from the
    // body itself it only clears the running flag (a thread cannot join itself).
    void Stop();
    // Called by the body: blocks until Resume or Stop. Does nothing when no thread exists.
    void Suspend();
    // Wakes a body that waits in Suspend. Does nothing when no thread exists.
    void Resume();
    // Stores the priority and, with a thread, asks the system for (SCHED_OTHER, priority).
    // 1 when the system applied it; 0 when it was refused or no thread exists (a refused
    // priority is ignored: the thread runs on unchanged).
    int SetPriority(int priority);
    int GetPriority() const { return m_priority.load(); }
    // Returns at once when the body has ended, otherwise checks once a second until it has.
    int WaitUntilDone();

    // 1 from Start until the body returns or Stop clears it; the body polls it.
    int IsRunning() const { return m_running.load(); }
    // 1 while the body waits in Suspend.
    int IsSuspended() const { return m_suspended.load(); }
    // -1 from Start until the body has returned, then 0.
    int IsAlive() const { return m_alive.load(); }
    bool HasThread() const { return m_hasThread.load(); }

private:
    IVortanThread(const IVortanThread&) = delete;
    IVortanThread& operator=(const IVortanThread&) = delete;

    static void* ThreadEntry(void* self);
    // Under the handshake mutex: suspended = 0 and every waiter woken.
    void WakeSuspended();

    std::atomic<i32> m_running;
    CVortanMutex m_suspendLock; // guards the suspend handshake
    CVortanCondition m_resumed; // broadcast by Resume and Stop
    pthread_t m_thread;
    std::atomic<bool> m_hasThread;
    std::atomic<i32> m_suspended;
    std::atomic<i32> m_alive;
    std::atomic<i32> m_priority;
};

// Sleeps for `ms` milliseconds (resumes after signals until the time has passed).
void VortanSleep(int ms);
// The calling thread's handle.
pthread_t VortanGetCurrentThread();
