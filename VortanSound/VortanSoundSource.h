// IVortanSoundSource: a playable sound holding one or more sound buffers: buffer 0 owns the
// PCM data, the others are duplicates sharing it.
//
// Every per-buffer operation takes the buffer index. An index at or above the buffer count
// gives VORTAN_E_RANGE from the setters, Stop, Pause and GetPosition; 0 from IsPlaying and the pan,
// volume and frequency getters; VORTAN_E_ARGUMENT from Play and Replay; null from GetBuffer.
//
// The buffer list is guarded by the source's own lock: a sound decoded on a loader thread is
// published in one step, complete, while the main thread may already query it. The lock is
// taken once per operation (an operation never calls another locked one while it holds it)
// and never held while the engine's critical section is taken.
#pragma once
#include "engine/VortanMutex.h"

#include "VortanSound/VortanSoundBuffer.h"
#include "VortanSound/VortanSoundFormat.h"
#include "engine/VortanID.h"
#include "engine/VortanPtrArray.h"
#include "engine/VortanTypes.h"

class IVortanSoundSource : public CVortanID {
public:
    IVortanSoundSource();
    virtual ~IVortanSoundSource(); // releases the buffers

    virtual int Play(u32 playFlags, int index = 0, int mode = 0);
    virtual int Stop(int index = 0);
    virtual int Pause(int index = 0);
    virtual int IsPlaying(int index = 0);
    virtual int SetPosition(i64 position, int index = 0);
    virtual int GetPosition(u32* position, int index = 0);
    virtual int GetTypeId();
    virtual int GetStatus();
    // Stop, then Play (each taking the lock on its own).
    virtual int Replay(u32 playFlags, int index = 0, int mode = 0);
    virtual CVortanSoundFormat GetFormat();
    virtual int GetDataSize();
    // Buffer count - 1 (0 without buffers).
    virtual int GetDuplicateCount();
    // Clamped to -10000..10000, -10000..0 and 1000..88200.
    virtual int SetPan(i32 pan, int index = 0);
    virtual int SetVolume(i32 volume, int index = 0);
    virtual int SetFrequency(u32 frequency, int index = 0);
    virtual i32 GetPan(int index = 0);
    virtual i32 GetVolume(int index = 0);
    virtual u32 GetFrequency(int index = 0);
    virtual CVortanSoundBuffer* GetBuffer(int index);

    // Forwarded to the indexed buffer (VORTAN_E_RANGE when it does not exist).
    int Set3DParameters(const CVortanSound3DParameters* params, int index = 0);
    int Update3D(const CVortanVector3& velocity, const CVortanMatrix& source,
                 const CVortanVector3& listenerVelocity, const CVortanMatrix& listener,
                 int index = 0);

    // Unregisters every buffer from the engine, then deletes them (duplicates before the
    // buffer that owns the data); data size 0.
    void ReleaseBuffers();
    int GetBufferCount();

protected:
    // Appends complete buffers (buffer 0 first when the source is empty) in one step and
    // takes buffer 0's format and size; the list is emptied.
    int PublishBuffers(CVortanPtrArray& buffers);
    // Releases and deletes a private list of buffers that was never published.
    static void ReleaseList(CVortanPtrArray& buffers);

    // Callers hold m_lock.
    CVortanSoundBuffer* BufferAt(int index) const;

    CVortanMutex m_lock;
    CVortanSoundFormat m_format;
    CVortanPtrArray m_buffers; // owned CVortanSoundBuffer objects
    int m_dataSize;

private:
    IVortanSoundSource(const IVortanSoundSource&) = delete;
    IVortanSoundSource& operator=(const IVortanSoundSource&) = delete;
};
