// CVortanCriticalSection: every instance locks the same process-wide, non-recursive mutex,
// so two critical sections never run at the same time anywhere in the process. Code that
// holds a critical section must not enter another one: that self-deadlock is reported on
// stderr and Lock returns VORTAN_E_FAIL at once. CVortanCriticalSectionLock holds one for the
// lifetime of a block.
#pragma once
#include "engine/VortanTypes.h"

class CVortanCriticalSection {
public:
    CVortanCriticalSection();
    virtual ~CVortanCriticalSection();

    static CVortanCriticalSection* Create();

    // VORTAN_OK when the process-wide mutex is taken; VORTAN_E_FAIL when the calling thread already
    // holds it.
    int Lock();
    // VORTAN_OK when released; VORTAN_E_FAIL (reported) when the calling thread does not hold it.
    int Unlock();
};

// Enters a critical section on construction and leaves it on destruction (or at Unlock).
// When entering fails (the thread is already inside one) the guard holds nothing: callers
// test IsLocked before touching what the critical section guards.
class CVortanCriticalSectionLock {
public:
    explicit CVortanCriticalSectionLock(CVortanCriticalSection& section);
    ~CVortanCriticalSectionLock();

    // 1 while this guard is inside the critical section.
    int IsLocked() const { return m_locked; }
    // Leaves the critical section before the end of the block; later calls do nothing.
    void Unlock();

private:
    CVortanCriticalSectionLock(const CVortanCriticalSectionLock&) = delete;
    CVortanCriticalSectionLock& operator=(const CVortanCriticalSectionLock&) = delete;

    CVortanCriticalSection& m_section;
    int m_locked;
};
