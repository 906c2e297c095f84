// CVortanCriticalSection: every instance locks the same process-wide, non-recursive mutex,
// so two critical sections never run at the same time anywhere in the process. Code that
// holds a critical section must not enter another one: that self-deadlock is reported on
// stderr and Lock returns VORTAN_E_FAIL at once.
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
