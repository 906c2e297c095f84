// Play-position, start and stop notifications of sound buffers.
//
// A notify handler (every sound buffer is one) keeps a list of notification records. After
// each mixed period the sound engine asks every registered handler, inside its critical
// section, which notifications are due (ProcessNotifications); the handler appends one call
// per due record to the engine's list, in the order the events happened. The engine then
// leaves the critical section and calls the listeners one after the other on the mixer
// thread (or inside its Update when it runs without a thread).
//
// So a listener holds no lock of the sound system while it runs: it may take any lock of the
// program (the critical section, a sound's lock, its own mutexes), play or stop sounds and
// add or remove notifications, its own included. A record removed before its turn in the
// list is not called; a record added during the calls waits for the next period. Once
// RemoveNotify, ClearNotifies or the buffer's Release has returned, the removed listeners are
// never called again: called from another thread while one of the handler's listeners runs,
// they wait until that call has returned (so the caller must not hold a lock that the
// listener takes). From inside a listener they return at once.
#pragma once
#include "engine/VortanArray.h"
#include "engine/VortanMutex.h"
#include "engine/VortanPtrArray.h"
#include "engine/VortanTypes.h"

class CVortanSoundBuffer;
class CVortanSoundEngine;
class IVortanSoundNotifyHandler;

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
        : m_type(0), m_id(0), m_listener(nullptr), m_lastPosition(0), m_targetPosition(0), m_user(0)
    {}

    u32 m_type;
    u32 m_id;
    IVortanSoundNotifyListener* m_listener;
    u32 m_lastPosition;
    u32 m_targetPosition;
    u32 m_user;
};

// One listener call found due by a notification pass, made once the engine has left its lock.
class CVortanSoundNotifyCall {
public:
    CVortanSoundNotifyCall()
        : m_handler(nullptr), m_buffer(nullptr), m_listener(nullptr), m_type(0), m_id(0),
          m_position(0), m_user(0)
    {}

    IVortanSoundNotifyHandler* m_handler; // the record's handler
    CVortanSoundBuffer* m_buffer;         // the same object as a buffer (null otherwise)
    IVortanSoundNotifyListener* m_listener;
    u32 m_type;
    u32 m_id;
    u32 m_position;
    u32 m_user;
};

// The calls of one notification pass, in the order they are made.
typedef CVortanArray<CVortanSoundNotifyCall> CVortanSoundNotifyCalls;

class IVortanSoundNotifyHandler {
public:
    IVortanSoundNotifyHandler();
    virtual ~IVortanSoundNotifyHandler();

    // Called by the engine after each mixed period, inside its critical section: appends the
    // calls that are due to `due` (it must not call anyone).
    virtual void ProcessNotifications(CVortanSoundNotifyCalls& due) = 0;

    // Adds a record; its id comes from the engine's counter (the handler's own engine when
    // `engine` is null). Returns the id, or -1 when no engine is known or memory runs out.
    int AddNotify(CVortanSoundEngine* engine, IVortanSoundNotifyListener* listener, u32 type,
                  u32 targetPosition, u32 user);
    // VORTAN_OK when removed, VORTAN_E_MISSING when no record has that id.
    int RemoveNotify(u32 id);
    void ClearNotifies();
    int GetNotifyCount();
    // 1 while a record with that id exists.
    int HasNotify(u32 id);

    // Appends to `due` a call for every record of this type with a listener. Stopped and
    // started records are always called. A position record is called when the play position
    // passed its target since the last pass: last < target <= position; or, when the buffer
    // reached its end in between (`wrapped`), last < target <= end or target <= position.
    // Every record's last position becomes `position`.
    void FireNotify(u32 type, u32 position, CVortanSoundNotifyCalls& due, int wrapped = 0,
                    u32 end = 0);
    // Sets the last position of every record without calling anyone (a jump, not a crossing).
    void SyncNotifyPositions(u32 position);

    CVortanSoundEngine* GetEngine() const { return m_engine; }

protected:
    CVortanSoundEngine* m_engine; // not owned

private:
    IVortanSoundNotifyHandler(const IVortanSoundNotifyHandler&) = delete;
    IVortanSoundNotifyHandler& operator=(const IVortanSoundNotifyHandler&) = delete;

    // Deletes every record; the caller holds m_notifyLock.
    void DeleteRecords();

    CVortanPtrArray m_notifications; // owned CVortanSoundNotification records
    CVortanMutex m_notifyLock;       // guards m_notifications and the records
};
