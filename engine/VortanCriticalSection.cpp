#include "engine/VortanCriticalSection.h"

#include "engine/VortanMutex.h"

namespace {

// The one mutex of every critical section; error-checking, so that a thread entering a second
// critical section is told so instead of hanging. Never destroyed: a thread may still be
// inside a critical section while the process exits.
CVortanMutex* ProcessMutex()
{
    static CVortanMutex* mutex = new CVortanMutex();
    return mutex;
}

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
    return ProcessMutex()->Lock();
}

int CVortanCriticalSection::Unlock()
{
    return ProcessMutex()->Unlock();
}

CVortanCriticalSectionLock::CVortanCriticalSectionLock(CVortanCriticalSection& section)
    : m_section(section), m_locked(section.Lock() == VORTAN_OK ? 1 : 0)
{}

CVortanCriticalSectionLock::~CVortanCriticalSectionLock()
{
    Unlock();
}

void CVortanCriticalSectionLock::Unlock()
{
    if (m_locked) {
        m_locked = 0;
        m_section.Unlock();
    }
}
