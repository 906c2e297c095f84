// CVortanSoundBuffer: one playable block of PCM data registered with the sound engine.
//
// Buffer 0 of a sound owns its data; duplicates share it (shared flag) so the same sound can
// play several times at once. The mixer thread reads the buffer while the main thread plays,
// stops and adjusts it: every field that both sides touch after registration is an atomic.
// The data pointer, size and layout are set before the buffer is registered and stay fixed
// until it is released.
#pragma once
#include <atomic>

#include "VortanSound/VortanSoundFormat.h"
#include "VortanSound/VortanSoundNotify.h"
#include "engine/VortanTypes.h"

class CVortanMatrix;
class CVortanVector3;

// Creation flags.
enum {
    VORTAN_SOUNDBUFFER_3D = 1,    // placed in space (position, velocity, distances)
    VORTAN_SOUNDBUFFER_NOTIFY = 2 // registered as a notify handler too
};

// The 3-D parameter record: fifteen 32-bit words in this order.
class CVortanSound3DParameters {
public:
    CVortanSound3DParameters(); // the defaults

    float m_minDistance;     // 20
    float m_maxDistance;     // 100
    float m_dopplerFactor;   // 1
    u32 m_insideConeAngle;   // 360
    u32 m_outsideConeAngle;  // 360
    i32 m_outsideConeVolume; // 0
    float m_position[3];     // (0, 0, 0)
    float m_velocity[3];     // (0, 0, 0)
    float m_orientation[3];  // (0, 0, 1)
};

class CVortanSoundBuffer : public IVortanSoundNotifyHandler {
public:
    CVortanSoundBuffer();
    virtual ~CVortanSoundBuffer();

    // A new zeroed buffer.
    static CVortanSoundBuffer* CreateInstance();

    // Allocates `size` bytes of silence in the given format (the engine's output format when
    // null) and registers with the engine (and as a notify handler with flag 2). VORTAN_E_ARGUMENT
    // without an engine, a usable format or a positive size; VORTAN_E_NOMEMORY when the data cannot
    // be allocated; any failure releases the buffer.
    int Create(CVortanSoundEngine* engine, const CVortanSoundFormat* format, int size, u32 flags);
    // As Create, but the buffer takes over `data` (malloc'd, `size` bytes of PCM) instead of
    // allocating silence; on failure the data is freed too.
    int CreateFromData(CVortanSoundEngine* engine, const CVortanSoundFormat& format, void* data,
                       int size, u32 flags);
    // Shares the source buffer's data, format, size, engine, flags and lock state; position 0.
    int Duplicate(CVortanSoundBuffer* source);
    // Unregisters from the engine first (waiting for a listener of this buffer that runs on
    // another thread), then deletes the notification records and frees the data unless it
    // is shared.
    void Release();

    // Stores the play flags (non-zero loops) and starts playing from the current position.
    int Play(u32 playFlags);
    int Stop();
    int IsPlaying() const { return m_playing.load(); }

    int SetPan(i32 pan)
    {
        m_pan.store(pan);
        return VORTAN_OK;
    }
    i32 GetPan() const { return m_pan.load(); }
    int SetVolume(i32 volume)
    {
        m_volume.store(volume);
        return VORTAN_OK;
    }
    i32 GetVolume() const { return m_volume.load(); }
    int SetFrequency(u32 frequency)
    {
        m_frequency.store(frequency);
        return VORTAN_OK;
    }
    u32 GetFrequency() const { return m_frequency.load(); }

    // Clamped to 0..size - 1.
    int SetPosition(i64 position);
    u32 GetPosition() const { return m_position.load(); }

    // Locks the data for writing: the whole data (whole != 0) or `length` bytes from
    // `offset`, both clamped to the data. VORTAN_E_ARGUMENT when an out argument is null;
    // VORTAN_E_LOCKED (outputs null and 0) when already locked; VORTAN_E_RANGE when there is no
    // data.
    int Lock(u32 offset, u32 length, void** data, u32* bytes, int whole);
    int Unlock();
    int IsLocked() const { return m_locked.load(); }

    // Copies the record, or sets the defaults for null.
    int Set3DParameters(const CVortanSound3DParameters* params);
    void Get3DParameters(CVortanSound3DParameters* params) const;
    // Position = source translation - listener translation; velocity = the listener
    // matrix's 3 x 3 part applied to (velocity - listener velocity).
    int Update3D(const CVortanVector3& velocity, const CVortanMatrix& source,
                 const CVortanVector3& listenerVelocity, const CVortanMatrix& listener);
    // Defaults, then position and velocity (0, 0, 0).
    void Init3D();

    // With flag 2: position notices while playing (and for the last period of a sound that
    // reached its end), then started/stopped on a change of the playing state; the calls
    // are appended to `due` in that order.
    void ProcessNotifications(CVortanSoundNotifyCalls& due) override;

    // The format; its samples per second is the current playback frequency.
    CVortanSoundFormat GetFormat() const;
    u32 GetSize() const { return m_size; }
    u32 GetFlags() const { return m_flags; }
    u32 GetPlayFlags() const { return m_playFlags.load(); }
    int IsShared() const { return m_shared; }
    u8* GetData() const { return m_data; }

private:
    friend class CVortanSoundEngine;

    CVortanSoundBuffer(const CVortanSoundBuffer&) = delete;
    CVortanSoundBuffer& operator=(const CVortanSoundBuffer&) = delete;

    int Register(CVortanSoundEngine* engine);
    // After Release: takes the data over (shared when m_shared is set), sets the fields up and
    // registers (released on failure).
    int Adopt(CVortanSoundEngine* engine, const CVortanSoundFormat& format, u8* data, int size,
              u32 flags);

    // Mixer side: moves the position from `expected` to `next` unless the main thread changed
    // it meanwhile (false then).
    bool AdvancePosition(u32 expected, u32 next)
    {
        return m_position.compare_exchange_strong(expected, next);
    }
    // Mixer side: the buffer played to its end (looped or stopped).
    void MarkEnd() { m_ends.fetch_add(1); }
    // Mixer side: holds the data for one pass unless its owner has it locked.
    bool LockForMix()
    {
        i32 expected = 0;
        return m_locked.compare_exchange_strong(expected, LOCKED_BY_MIXER);
    }
    void UnlockForMix() { m_locked.store(0); }

    // Values of m_locked: the owner's Lock, or the mixer reading the data for one pass
    // (which a duplicate made meanwhile must not inherit).
    enum { LOCKED_BY_OWNER = 1, LOCKED_BY_MIXER = 2 };

    u8* m_data;
    CVortanSoundFormat m_format; // layout; the frequency lives in m_frequency
    u32 m_size;
    u32 m_flags;
    int m_shared;

    // Shared with the mixer thread.
    std::atomic<i32> m_playing;
    std::atomic<i32> m_pan;
    std::atomic<i32> m_volume;
    std::atomic<u32> m_frequency;
    std::atomic<u32> m_position;
    std::atomic<u32> m_playFlags;
    std::atomic<i32> m_locked;
    std::atomic<u32> m_ends; // how often the mixer reached the end

    // 3-D parameters (written by the main thread, read by the mixer).
    std::atomic<float> m_minDistance;
    std::atomic<float> m_maxDistance;
    std::atomic<float> m_dopplerFactor;
    std::atomic<u32> m_insideConeAngle;
    std::atomic<u32> m_outsideConeAngle;
    std::atomic<i32> m_outsideConeVolume;
    std::atomic<float> m_position3D[3];
    std::atomic<float> m_velocity3D[3];
    std::atomic<float> m_orientation3D[3];

    // Seen by the notification pass only.
    int m_previousPlaying;
    u32 m_seenEnds;
};
