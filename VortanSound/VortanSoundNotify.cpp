#include "VortanSound/VortanSoundNotify.h"

#include <new>

#include "VortanSound/VortanSoundBuffer.h"
#include "VortanSound/VortanSoundEngine.h"

IVortanSoundNotifyHandler::IVortanSoundNotifyHandler() : m_engine(nullptr) {}

IVortanSoundNotifyHandler::~IVortanSoundNotifyHandler()
{
    // A buffer has left its engine in Release before it is destroyed: no pass sees it.
    CVortanMutexLock lock(m_notifyLock);
    DeleteRecords();
}

void IVortanSoundNotifyHandler::DeleteRecords()
{
    for (int i = 0; i < m_notifications.GetCount(); ++i)
        delete static_cast<CVortanSoundNotification*>(m_notifications.GetAt(i));
    m_notifications.RemoveAll();
}

int IVortanSoundNotifyHandler::AddNotify(CVortanSoundEngine* engine,
                                         IVortanSoundNotifyListener* listener, u32 type,
                                         u32 targetPosition, u32 user)
{
    if (!engine)
        engine = m_engine;
    if (!engine)
        return -1;
    CVortanSoundNotification* record = new (std::nothrow) CVortanSoundNotification();
    if (!record)
        return -1;
    record->m_type = type;
    record->m_id = engine->NextNotifyId();
    record->m_listener = listener;
    record->m_lastPosition = 0;
    record->m_targetPosition = targetPosition;
    record->m_user = user;
    CVortanMutexLock lock(m_notifyLock);
    if (!lock.IsLocked() || m_notifications.Add(record) != VORTAN_OK) {
        delete record;
        return -1;
    }
    return static_cast<int>(record->m_id);
}

int IVortanSoundNotifyHandler::RemoveNotify(u32 id)
{
    int rc = VORTAN_E_MISSING;
    {
        CVortanMutexLock lock(m_notifyLock);
        if (!lock.IsLocked())
            return VORTAN_E_FAIL;
        for (int i = 0; i < m_notifications.GetCount(); ++i) {
            CVortanSoundNotification* record =
                static_cast<CVortanSoundNotification*>(m_notifications.GetAt(i));
            if (record && record->m_id == id) {
                m_notifications.RemoveAt(i);
                delete record;
                rc = VORTAN_OK;
                break;
            }
        }
    }
    // The record is gone, so no later call is made for it; a call already under way on the
    // mixer thread is waited for.
    if (rc == VORTAN_OK && m_engine)
        m_engine->WaitForListeners(this);
    return rc;
}

void IVortanSoundNotifyHandler::ClearNotifies()
{
    {
        CVortanMutexLock lock(m_notifyLock);
        if (!lock.IsLocked())
            return;
        DeleteRecords();
    }
    if (m_engine)
        m_engine->WaitForListeners(this);
}

int IVortanSoundNotifyHandler::GetNotifyCount()
{
    CVortanMutexLock lock(m_notifyLock);
    return lock.IsLocked() ? m_notifications.GetCount() : 0;
}

int IVortanSoundNotifyHandler::HasNotify(u32 id)
{
    CVortanMutexLock lock(m_notifyLock);
    if (!lock.IsLocked())
        return 0;
    for (int i = 0; i < m_notifications.GetCount(); ++i) {
        if (static_cast<CVortanSoundNotification*>(m_notifications.GetAt(i))->m_id == id)
            return 1;
    }
    return 0;
}

void IVortanSoundNotifyHandler::SyncNotifyPositions(u32 position)
{
    CVortanMutexLock lock(m_notifyLock);
    if (!lock.IsLocked())
        return;
    for (int i = 0; i < m_notifications.GetCount(); ++i)
        static_cast<CVortanSoundNotification*>(m_notifications.GetAt(i))->m_lastPosition = position;
}

void IVortanSoundNotifyHandler::FireNotify(u32 type, u32 position, CVortanSoundNotifyCalls& due,
                                           int wrapped, u32 end)
{
    CVortanMutexLock lock(m_notifyLock);
    if (!lock.IsLocked())
        return;
    CVortanSoundBuffer* buffer = dynamic_cast<CVortanSoundBuffer*>(this);
    for (int i = 0; i < m_notifications.GetCount(); ++i) {
        CVortanSoundNotification* record =
            static_cast<CVortanSoundNotification*>(m_notifications.GetAt(i));
        bool call = false;
        if (record->m_listener && record->m_type == type) {
            if (type == VORTAN_SOUND_NOTIFY_STOPPED || type == VORTAN_SOUND_NOTIFY_STARTED) {
                call = true;
            } else if (type == VORTAN_SOUND_NOTIFY_POSITION) {
                u32 last = record->m_lastPosition;
                u32 target = record->m_targetPosition;
                if (wrapped)
                    call = (last < target && target <= end) || target <= position;
                else
                    call = last < target && target <= position;
            }
        }
        record->m_lastPosition = position;
        if (!call)
            continue;
        CVortanSoundNotifyCall entry;
        entry.m_handler = this;
        entry.m_buffer = buffer;
        entry.m_listener = record->m_listener;
        entry.m_type = type;
        entry.m_id = record->m_id;
        entry.m_position = position;
        entry.m_user = record->m_user;
        due.SetAtGrow(due.GetSize(), entry); // out of memory: this call is lost
    }
}
