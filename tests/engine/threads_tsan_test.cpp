// Worker threads, the mutex, the critical section and the timer's shared base,
// run under ThreadSanitizer too.
#include <time.h>

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/VortanCriticalSection.h"
#include "engine/VortanMutex.h"
#include "engine/VortanThread.h"
#include "engine/VortanTimer.h"
#include "tests/support/TestSupport.h"

namespace {

// A worker that counts passes until stopped, suspends itself on request, and stops in its
// own destructor.
class CountingWorker : public IVortanThread {
public:
    ~CountingWorker() override { Stop(); }

    void Run() override
    {
        tid.store(vtest::CurrentThreadId());
        if (active.fetch_add(1) != 0)
            overlapped.store(true);
        starts.fetch_add(1);
        while (IsRunning()) {
            passes.fetch_add(1);
            data += 1; // touched only by the body: any second body would race here
            if (suspendRequest.exchange(false))
                Suspend();
            if (stopSelf.load())
                Stop(); // from the body: only clears the running flag
            std::this_thread::yield();
        }
        active.fetch_sub(1);
        ends.fetch_add(1);
    }

    std::atomic<int> tid{0}; // kernel id of the thread running the body
    std::atomic<int> passes{0};
    std::atomic<int> starts{0};
    std::atomic<int> ends{0};
    std::atomic<int> active{0};
    std::atomic<bool> overlapped{false};
    std::atomic<bool> suspendRequest{false};
    std::atomic<bool> stopSelf{false};
    long data = 0;
};

// A body that returns by itself after a number of passes.
class ShortWorker : public IVortanThread {
public:
    explicit ShortWorker(int sleepMs) : m_sleepMs(sleepMs) {}
    ~ShortWorker() override { Stop(); }
    void Run() override
    {
        VortanSleep(m_sleepMs);
        done.store(true);
    }
    std::atomic<bool> done{false};

private:
    int m_sleepMs;
};

} // namespace

TEST(Timer, ConcurrentFirstReadingsShareOneBase)
{
    // Several threads take their first reading together; they must all agree on the base.
    const int n = 8;
    std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    std::vector<u64> readings(n);
    std::vector<i64> clocks(n);
    std::vector<std::thread> threads;
    for (int i = 0; i < n; ++i) {
        threads.emplace_back([&, i] {
            ready.fetch_add(1);
            while (!go.load())
                ;
            CVortanTimer t;
            readings[i] = t.GetTimeNs();
            struct timespec ts;
            clock_gettime(CLOCK_MONOTONIC, &ts);
            clocks[i] = (i64)ts.tv_sec * 1000000000LL + ts.tv_nsec;
        });
    }
    while (ready.load() < n)
        ;
    go.store(true);
    for (auto& th : threads)
        th.join();
    // clock - reading = base + (the time between the two reads): the bases all agree to the
    // whole second.
    i64 base = (clocks[0] - (i64)readings[0]) / 1000000000LL;
    for (int i = 1; i < n; ++i)
        EXPECT_EQ((clocks[i] - (i64)readings[i]) / 1000000000LL, base) << i;
}

TEST(Thread, StartStopAndRestart)
{
    CountingWorker w;
    w.Stop(); // never started: only flags, and no suspend wait
    w.Suspend();
    w.Resume();
    EXPECT_EQ(w.starts.load(), 0);
    ASSERT_EQ(w.Start(), 1);
    EXPECT_EQ(w.IsAlive(), -1);
    ASSERT_TRUE(vtest::WaitUntil([&] { return w.passes.load() > 10; }));
    // Start on a running thread replaces it: the first body ended (joined) before the second began.
    ASSERT_EQ(w.Start(), 1);
    EXPECT_EQ(w.ends.load(), 1);
    ASSERT_TRUE(vtest::WaitUntil([&] { return w.starts.load() == 2; }));
    w.Stop();
    EXPECT_EQ(w.ends.load(), 2);
    EXPECT_FALSE(w.overlapped.load());
    EXPECT_EQ(w.IsRunning(), 0);
    EXPECT_EQ(w.IsAlive(), 0);
    EXPECT_FALSE(w.HasThread());
    long data = w.data; // the joined bodies' writes are visible here
    EXPECT_EQ(data, (long)w.passes.load());
}

TEST(Thread, SuspendBlocksTheBodyUntilResumeOrStop)
{
    CountingWorker w;
    ASSERT_EQ(w.Start(), 1);
    ASSERT_TRUE(vtest::WaitUntil([&] { return w.passes.load() > 0; }));
    w.suspendRequest.store(true);
    ASSERT_TRUE(vtest::WaitUntil([&] { return w.IsSuspended() == 1; }));
    int frozen = w.passes.load();
    // Blocked, not spinning: the kernel has the thread asleep (a spinning body would stay
    // runnable and never be seen so), and it made no pass meanwhile.
    EXPECT_TRUE(vtest::WaitUntil([&] { return vtest::IsThreadBlocked(w.tid.load()); }));
    EXPECT_EQ(w.passes.load(), frozen);
    w.Resume();
    ASSERT_TRUE(vtest::WaitUntil([&] { return w.passes.load() > frozen; }));
    EXPECT_EQ(w.IsSuspended(), 0);
    // Stop wakes a suspended worker.
    w.suspendRequest.store(true);
    ASSERT_TRUE(vtest::WaitUntil([&] { return w.IsSuspended() == 1; }));
    w.Stop();
    EXPECT_EQ(w.ends.load(), 1);
    EXPECT_EQ(w.IsSuspended(), 0);
}

TEST(Thread, ManySuspendResumeRoundsLoseNoWakeUp)
{
    CountingWorker w;
    ASSERT_EQ(w.Start(), 1);
    for (int round = 0; round < 200; ++round) {
        w.suspendRequest.store(true);
        ASSERT_TRUE(vtest::WaitUntil([&] { return w.IsSuspended() == 1; })) << round;
        int frozen = w.passes.load();
        w.Resume();
        ASSERT_TRUE(vtest::WaitUntil([&] { return w.passes.load() > frozen; })) << round;
    }
    w.Stop();
}

TEST(Thread, ARefusedPriorityIsIgnored)
{
    CountingWorker w;
    EXPECT_EQ(w.SetPriority(5), 0); // no thread: stored only
    EXPECT_EQ(w.GetPriority(), 5);
    ASSERT_EQ(w.Start(), 1);
    // The normal policy accepts only priority 0; 252 is refused and the thread runs on.
    EXPECT_EQ(w.SetPriority(252), 0);
    EXPECT_EQ(w.GetPriority(), 252);
    int before = w.passes.load();
    ASSERT_TRUE(vtest::WaitUntil([&] { return w.passes.load() > before; }));
    EXPECT_EQ(w.SetPriority(0), 1);
}

TEST(Thread, StopFromTheBodyEndsItWithoutSelfJoin)
{
    CountingWorker w;
    w.stopSelf.store(true);
    ASSERT_EQ(w.Start(), 1);
    ASSERT_TRUE(vtest::WaitUntil([&] { return w.ends.load() == 1; }));
    EXPECT_EQ(w.IsRunning(), 0);
    EXPECT_TRUE(w.HasThread()); // not joined yet
    w.Stop();
    EXPECT_FALSE(w.HasThread());
}

TEST(Thread, ABodyThatReturnsClearsTheFlagsAndWaitUntilDoneReturns)
{
    ShortWorker quick(0);
    ASSERT_EQ(quick.Start(), 1);
    ASSERT_TRUE(vtest::WaitUntil([&] { return quick.IsAlive() == 0; }));
    EXPECT_EQ(quick.IsRunning(), 0);
    EXPECT_EQ(quick.WaitUntilDone(), 0); // at once
    ShortWorker slow(50);
    ASSERT_EQ(slow.Start(), 1);
    EXPECT_EQ(slow.WaitUntilDone(), 0); // polls once a second until the body has ended
    EXPECT_TRUE(slow.done.load());
}

TEST(Thread, DestroyingARunningWorkerStopsIt)
{
    auto* w = new CountingWorker();
    ASSERT_EQ(w->Start(), 1);
    ASSERT_TRUE(vtest::WaitUntil([&] { return w->passes.load() > 0; }));
    delete w; // its own destructor stops and joins before its members go (ASan/TSan watch)
}

// ---- mutex ----

TEST(Mutex, ExcludesOtherThreads)
{
    CVortanMutex* m = CVortanMutex::Create();
    long counter = 0; // plain: only the mutex protects it
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                ASSERT_EQ(m->Lock(), VORTAN_OK);
                ++counter;
                ASSERT_EQ(m->Unlock(), VORTAN_OK);
            }
        });
    }
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(counter, 80000);
    delete m;
}

TEST(Mutex, ASelfDeadlockFailsAtOnceKeepsTheLockOnceAndOnlyTheOwnerUnlocks)
{
    CVortanMutex m;
    ASSERT_EQ(m.Lock(), VORTAN_OK);
    EXPECT_EQ(m.Lock(), VORTAN_E_FAIL); // reported, not retried forever
    // Still held exactly once: another thread cannot take it until one Unlock. That thread
    // is seen asleep in Lock (not merely late), and it gets the lock only after the release.
    std::atomic<int> otherTid{0};
    std::atomic<bool> taken{false};
    std::atomic<bool> released{false};
    bool takenAfterRelease = false;
    std::thread other([&] {
        otherTid.store(vtest::CurrentThreadId());
        EXPECT_EQ(m.Lock(), VORTAN_OK);
        takenAfterRelease = released.load();
        taken.store(true);
        EXPECT_EQ(m.Unlock(), VORTAN_OK);
    });
    ASSERT_TRUE(vtest::WaitUntil([&] { return otherTid.load() != 0; }));
    EXPECT_TRUE(
        vtest::WaitUntil([&] { return taken.load() || vtest::IsThreadBlocked(otherTid.load()); }));
    EXPECT_FALSE(taken.load());
    int result = 0; // another thread cannot unlock it either
    std::thread([&] { result = m.Unlock(); }).join();
    EXPECT_EQ(result, VORTAN_E_FAIL);
    released.store(true);
    EXPECT_EQ(m.Unlock(), VORTAN_OK);
    other.join();
    EXPECT_TRUE(taken.load());
    EXPECT_TRUE(takenAfterRelease);
    EXPECT_EQ(m.Unlock(), VORTAN_E_FAIL); // not held
}

// ---- critical section ----

TEST(CriticalSection, TwoInstancesExcludeEachOther)
{
    CVortanCriticalSection* a = CVortanCriticalSection::Create();
    CVortanCriticalSection b;
    long counter = 0; // plain: guarded only by the shared process-wide mutex
    std::atomic<bool> inside{false};
    std::atomic<bool> overlap{false};
    auto work = [&](CVortanCriticalSection* cs) {
        for (int i = 0; i < 20000; ++i) {
            ASSERT_EQ(cs->Lock(), VORTAN_OK);
            if (inside.exchange(true))
                overlap.store(true);
            ++counter;
            inside.store(false);
            ASSERT_EQ(cs->Unlock(), VORTAN_OK);
        }
    };
    std::thread t1(work, a), t2(work, &b);
    t1.join();
    t2.join();
    EXPECT_EQ(counter, 40000);
    EXPECT_FALSE(overlap.load());
    delete a;
}

TEST(CriticalSection, EnteringASecondOneWhileHoldingOneFailsAtOnce)
{
    CVortanCriticalSection a, b;
    ASSERT_EQ(a.Lock(), VORTAN_OK);
    EXPECT_EQ(b.Lock(), VORTAN_E_FAIL);
    EXPECT_EQ(a.Lock(), VORTAN_E_FAIL);
    EXPECT_EQ(b.Unlock(), VORTAN_OK); // the same mutex: either instance releases it
    EXPECT_EQ(a.Unlock(), VORTAN_E_FAIL);
}
