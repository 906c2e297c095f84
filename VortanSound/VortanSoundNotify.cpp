#include "VortanSound/VortanSoundNotify.h"

#include <new>

#include "VortanSound/VortanSoundBuffer.h"
#include "VortanSound/VortanSoundEngine.h"

IVortanSoundNotifyHandler::IVortanSoundNotifyHandler()
    : m_engine(nullptr), m_firePass(0), m_generation(0)
{}

IVortanSoundNotifyHandler::~IVortanSoundNotifyHandler()
{
    ClearNotifies();
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
    std::lock_guard<std::recursive_mutex> guard(m_notifyLock);
    // A record added while a pass runs waits for the next pass.
    record->m_pass = m_firePass;
    if (m_notifications.Add(record) != VORTAN_OK) {
        delete record;
        return -1;
    }
    ++m_generation;
    return static_cast<int>(record->m_id);
}

int IVortanSoundNotifyHandler::RemoveNotify(u32 id)
{
    std::lock_guard<std::recursive_mutex> guard(m_notifyLock);
    for (int i = 0; i < m_notifications.GetCount(); ++i) {
        CVortanSoundNotification* record =
            static_cast<CVortanSoundNotification*>(m_notifications.GetAt(i));
        if (record && record->m_id == id) {
            m_notifications.RemoveAt(i);
            ++m_generation;
            delete record;
            return VORTAN_OK;
        }
    }
    return VORTAN_E_MISSING;
}

void IVortanSoundNotifyHandler::ClearNotifies()
{
    std::lock_guard<std::recursive_mutex> guard(m_notifyLock);
    for (int i = 0; i < m_notifications.GetCount(); ++i)
        delete static_cast<CVortanSoundNotification*>(m_notifications.GetAt(i));
    m_notifications.RemoveAll();
    ++m_generation;
}

int IVortanSoundNotifyHandler::GetNotifyCount()
{
    std::lock_guard<std::recursive_mutex> guard(m_notifyLock);
    return m_notifications.GetCount();
}

void IVortanSoundNotifyHandler::SyncNotifyPositions(u32 position)
{
    std::lock_guard<std::recursive_mutex> guard(m_notifyLock);
    for (int i = 0; i < m_notifications.GetCount(); ++i)
        static_cast<CVortanSoundNotification*>(m_notifications.GetAt(i))->m_lastPosition = position;
}

void IVortanSoundNotifyHandler::FireNotify(u32 type, u32 position, int wrapped, u32 end)
{
    std::lock_guard<std::recursive_mutex> guard(m_notifyLock);
    u32 pass = ++m_firePass;
    int i = 0;
    while (i < m_notifications.GetCount()) {
        CVortanSoundNotification* record =
            static_cast<CVortanSoundNotification*>(m_notifications.GetAt(i));
        if (record->m_pass == pass) {
            ++i;
            continue;
        }
        record->m_pass = pass;
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
        if (!call) {
            ++i;
            continue;
        }
        u32 generation = m_generation;
        record->m_listener->Notify(dynamic_cast<CVortanSoundBuffer*>(this), type, record->m_id,
                                   position, record->m_user);
        // The listener changed the list: look again from the start; the records already
        // handled in this pass carry its stamp.
        if (generation != m_generation)
            i = 0;
        else
            ++i;
    }
}
