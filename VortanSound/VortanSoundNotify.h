// Play-position, start and stop notifications of sound buffers.
//
// A notify handler (every sound buffer is one) keeps a list of notification records; the
// sound engine calls ProcessNotifications on every registered handler after each mixed
// period, on the mixer thread (or inside the engine's Update when it runs without a thread).
// Listeners are called with the handler's list lock held, so once RemoveNotify or
// ClearNotifies has returned, the removed listeners are never called again. A listener may
// add or remove notifications of the same handler from inside Notify.
#pragma once
#include <mutex>

#include "engine/VortanPtrArray.h"
#include "engine/VortanTypes.h"

class CVortanSoundBuffer;
class CVortanSoundEngine;

// Notification types.
enum {
    VORTAN_SOUND_NOTIFY_POSITION = 0, // the play position passed the target
    VORTAN_SOUND_NOTIFY_STOPPED = 1,
    VORTAN_SOUND_NOTIFY_STARTED = 2
};

// The object told about a notification.
class IVortanSoundNotifyListener {
public:
    virtual ~IVortanSoundNotifyListener() {}
    // buffer: the buffer concerned; id: the record's id; position: the play position in bytes
    // at the time of the pass; user: the value given to AddNotify.
    virtual void Notify(CVortanSoundBuffer* buffer, u32 type, u32 id, u32 position, u32 user) = 0;
};

// One notification record.
class CVortanSoundNotification {
public:
    CVortanSoundNotification()
        : m_type(0), m_id(0), m_listener(nullptr), m_lastPosition(0), m_targetPosition(0),
          m_user(0), m_pass(0)
    {}

    u32 m_type;
    u32 m_id;
    IVortanSoundNotifyListener* m_listener;
    u32 m_lastPosition;
    u32 m_targetPosition;
    u32 m_user;
    u32 m_pass; // the firing pass that last looked at the record
};

class IVortanSoundNotifyHandler {
public:
    IVortanSoundNotifyHandler();
    virtual ~IVortanSoundNotifyHandler();

    // Called by the engine after each mixed period.
    virtual void ProcessNotifications() = 0;

    // Adds a record; its id comes from the engine's counter (the handler's own engine when
    // `engine` is null). Returns the id, or -1 when no engine is known or memory runs out.
    int AddNotify(CVortanSoundEngine* engine, IVortanSoundNotifyListener* listener, u32 type,
                  u32 targetPosition, u32 user);
    // VORTAN_OK when removed, VORTAN_E_MISSING when no record has that id.
    int RemoveNotify(u32 id);
    void ClearNotifies();
    int GetNotifyCount();

    // Calls the listeners of every record of this type. Stopped and started records are
    // always called. A position record is called when the play position passed its target
    // since the last pass: last < target <= position; or, when the buffer reached its end in
    // between (`wrapped`), last < target <= end or target <= position. Every record's last
    // position becomes `position`.
    void FireNotify(u32 type, u32 position, int wrapped = 0, u32 end = 0);
    // Sets the last position of every record without calling anyone (a jump, not a crossing).
    void SyncNotifyPositions(u32 position);

    CVortanSoundEngine* GetEngine() const { return m_engine; }

protected:
    CVortanSoundEngine* m_engine; // not owned

private:
    IVortanSoundNotifyHandler(const IVortanSoundNotifyHandler&) = delete;
    IVortanSoundNotifyHandler& operator=(const IVortanSoundNotifyHandler&) = delete;

    CVortanPtrArray m_notifications; // owned CVortanSoundNotification records
    std::recursive_mutex m_notifyLock;
    u32 m_firePass;
    u32 m_generation; // changes whenever the list changes
};
