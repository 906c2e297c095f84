// The lock guards and the condition variable of the suspend handshake, run under
// ThreadSanitizer too.
#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "engine/VortanCondition.h"
#include "engine/VortanCriticalSection.h"
#include "engine/VortanMutex.h"

namespace {

TEST(MutexLock, AGuardOverAHeldMutexHoldsNothingAndLeavesTheHoldAlone)
{
    CVortanMutex m;
    ASSERT_EQ(1, m.Lock());
    {
        CVortanMutexLock inner(m);
        EXPECT_EQ(0, inner.IsLocked());
    }
    EXPECT_EQ(1, m.Unlock());             // still held once by the outer Lock
    EXPECT_EQ(VORTAN_E_FAIL, m.Unlock()); // and not a second time

    CVortanMutexLock early(m);
    early.Unlock();
    EXPECT_EQ(0, early.IsLocked());
    early.Unlock(); // nothing left to release
    int otherThread = 0;
    std::thread([&] {
        otherThread = m.Lock();
        m.Unlock();
    }).join();
    EXPECT_EQ(1, otherThread);
}

TEST(CriticalSectionLock, ANestedGuardHoldsNothingAndTheOuterOneStillExcludes)
{
    // Two instances share one process-wide mutex (CriticalSection.TwoInstancesExcludeEachOther).
    CVortanCriticalSection first, second;
    CVortanCriticalSectionLock outer(first);
    ASSERT_EQ(1, outer.IsLocked());
    {
        CVortanCriticalSectionLock nested(second);
        EXPECT_EQ(0, nested.IsLocked());
    }
    // The outer guard is still inside: another thread cannot enter until it leaves.
    std::atomic<bool> entered(false);
    std::thread other([&] {
        CVortanCriticalSectionLock lock(second);
        entered.store(lock.IsLocked() == 1);
    });
    outer.Unlock();
    other.join();
    EXPECT_TRUE(entered.load());
}

TEST(Condition, WaitReleasesTheMutexAndHoldsItAgainOnReturn)
{
    CVortanMutex m;
    CVortanCondition condition;
    EXPECT_EQ(VORTAN_E_FAIL, condition.Wait(m)); // not held: nothing to wait with

    bool ready = false; // guarded by m
    std::atomic<bool> waiting(false);
    int unlockedByWaiter = 0;
    std::thread waiter([&] {
        ASSERT_EQ(1, m.Lock());
        waiting.store(true);
        while (!ready)
            ASSERT_EQ(1, condition.Wait(m));
        unlockedByWaiter = m.Unlock(); // 1 only when the wait gave the mutex back to it
    });
    while (!waiting.load())
        std::this_thread::yield();
    // The waiter holds the mutex until it sleeps in Wait; this Lock gets it only then.
    ASSERT_EQ(1, m.Lock());
    ready = true;
    condition.Broadcast();
    // Woken, the waiter needs the mutex back first: it does not own it meanwhile.
    ASSERT_EQ(1, m.Unlock());
    waiter.join();
    EXPECT_EQ(1, unlockedByWaiter);
}

} // namespace
