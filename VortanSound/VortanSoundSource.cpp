#include "VortanSound/VortanSoundSource.h"

#include "VortanSound/VortanSoundEngine.h"

// No operation takes the lock while it holds it, so the guard's lock cannot meet a
// self-deadlock.
typedef CVortanMutexLock SourceGuard;

IVortanSoundSource::IVortanSoundSource() : m_dataSize(0) {}

IVortanSoundSource::~IVortanSoundSource()
{
    ReleaseBuffers();
}

CVortanSoundBuffer* IVortanSoundSource::BufferAt(int index) const
{
    if (index < 0 || index >= m_buffers.GetCount())
        return nullptr;
    return static_cast<CVortanSoundBuffer*>(m_buffers.GetAt(index));
}

int IVortanSoundSource::Play(u32 playFlags, int index, int mode)
{
    (void)mode;
    SourceGuard guard(m_lock);
    CVortanSoundBuffer* buffer = BufferAt(index);
    if (!buffer)
        return VORTAN_E_ARGUMENT;
    return buffer->Play(playFlags);
}

int IVortanSoundSource::Stop(int index)
{
    SourceGuard guard(m_lock);
    CVortanSoundBuffer* buffer = BufferAt(index);
    if (!buffer)
        return VORTAN_E_RANGE;
    return buffer->Stop();
}

int IVortanSoundSource::Pause(int index)
{
    SourceGuard guard(m_lock);
    CVortanSoundBuffer* buffer = BufferAt(index);
    if (!buffer)
        return VORTAN_E_RANGE;
    return buffer->Stop();
}

int IVortanSoundSource::IsPlaying(int index)
{
    SourceGuard guard(m_lock);
    CVortanSoundBuffer* buffer = BufferAt(index);
    return buffer ? buffer->IsPlaying() : 0;
}

int IVortanSoundSource::SetPosition(i64 position, int index)
{
    SourceGuard guard(m_lock);
    CVortanSoundBuffer* buffer = BufferAt(index);
    if (!buffer)
        return VORTAN_E_RANGE;
    return buffer->SetPosition(position);
}

int IVortanSoundSource::GetPosition(u32* position, int index)
{
    SourceGuard guard(m_lock);
    CVortanSoundBuffer* buffer = BufferAt(index);
    if (!buffer)
        return VORTAN_E_RANGE;
    if (!position)
        return VORTAN_E_ARGUMENT;
    *position = buffer->GetPosition();
    return VORTAN_OK;
}

int IVortanSoundSource::GetTypeId()
{
    return 0;
}

int IVortanSoundSource::GetStatus()
{
    return 0;
}

int IVortanSoundSource::Replay(u32 playFlags, int index, int mode)
{
    if (Stop(index) == VORTAN_E_RANGE)
        return VORTAN_E_ARGUMENT;
    return Play(playFlags, index, mode);
}

CVortanSoundFormat IVortanSoundSource::GetFormat()
{
    SourceGuard guard(m_lock);
    return m_format;
}

int IVortanSoundSource::GetDataSize()
{
    SourceGuard guard(m_lock);
    return m_dataSize;
}

int IVortanSoundSource::GetDuplicateCount()
{
    SourceGuard guard(m_lock);
    int count = m_buffers.GetCount();
    return count > 0 ? count - 1 : 0;
}

int IVortanSoundSource::GetBufferCount()
{
    SourceGuard guard(m_lock);
    return m_buffers.GetCount();
}

int IVortanSoundSource::SetPan(i32 pan, int index)
{
    SourceGuard guard(m_lock);
    CVortanSoundBuffer* buffer = BufferAt(index);
    if (!buffer)
        return VORTAN_E_RANGE;
    if (pan < -10000)
        pan = -10000;
    if (pan > 10000)
        pan = 10000;
    return buffer->SetPan(pan);
}

int IVortanSoundSource::SetVolume(i32 volume, int index)
{
    SourceGuard guard(m_lock);
    CVortanSoundBuffer* buffer = BufferAt(index);
    if (!buffer)
        return VORTAN_E_RANGE;
    if (volume < -10000)
        volume = -10000;
    if (volume > 0)
        volume = 0;
    return buffer->SetVolume(volume);
}

int IVortanSoundSource::SetFrequency(u32 frequency, int index)
{
    SourceGuard guard(m_lock);
    CVortanSoundBuffer* buffer = BufferAt(index);
    if (!buffer)
        return VORTAN_E_RANGE;
    if (frequency < 1000)
        frequency = 1000;
    if (frequency > 88200)
        frequency = 88200;
    return buffer->SetFrequency(frequency);
}

i32 IVortanSoundSource::GetPan(int index)
{
    SourceGuard guard(m_lock);
    CVortanSoundBuffer* buffer = BufferAt(index);
    return buffer ? buffer->GetPan() : 0;
}

i32 IVortanSoundSource::GetVolume(int index)
{
    SourceGuard guard(m_lock);
    CVortanSoundBuffer* buffer = BufferAt(index);
    return buffer ? buffer->GetVolume() : 0;
}

u32 IVortanSoundSource::GetFrequency(int index)
{
    SourceGuard guard(m_lock);
    CVortanSoundBuffer* buffer = BufferAt(index);
    return buffer ? buffer->GetFrequency() : 0;
}

CVortanSoundBuffer* IVortanSoundSource::GetBuffer(int index)
{
    SourceGuard guard(m_lock);
    return BufferAt(index);
}

int IVortanSoundSource::Set3DParameters(const CVortanSound3DParameters* params, int index)
{
    SourceGuard guard(m_lock);
    CVortanSoundBuffer* buffer = BufferAt(index);
    if (!buffer)
        return VORTAN_E_RANGE;
    return buffer->Set3DParameters(params);
}

int IVortanSoundSource::Update3D(const CVortanVector3& velocity, const CVortanMatrix& source,
                                 const CVortanVector3& listenerVelocity,
                                 const CVortanMatrix& listener, int index)
{
    SourceGuard guard(m_lock);
    CVortanSoundBuffer* buffer = BufferAt(index);
    if (!buffer)
        return VORTAN_E_RANGE;
    return buffer->Update3D(velocity, source, listenerVelocity, listener);
}

void IVortanSoundSource::ReleaseList(CVortanPtrArray& buffers)
{
    // Every buffer leaves the engine before any data is freed, so the mixer never reads the
    // shared data of a duplicate whose owner is already gone.
    for (int i = 0; i < buffers.GetCount(); ++i) {
        CVortanSoundBuffer* buffer = static_cast<CVortanSoundBuffer*>(buffers.GetAt(i));
        buffer->Stop();
        if (CVortanSoundEngine* engine = buffer->GetEngine()) {
            engine->RemoveNotifyHandler(buffer);
            engine->RemoveBuffer(buffer);
        }
    }
    for (int i = buffers.GetCount() - 1; i >= 0; --i) {
        CVortanSoundBuffer* buffer = static_cast<CVortanSoundBuffer*>(buffers.GetAt(i));
        buffer->Release();
        delete buffer;
    }
    buffers.RemoveAll();
}

void IVortanSoundSource::ReleaseBuffers()
{
    CVortanPtrArray taken;
    {
        SourceGuard guard(m_lock);
        taken = std::move(m_buffers);
        m_dataSize = 0;
    }
    // Outside the source's lock: releasing takes the engine's lock.
    ReleaseList(taken);
}

int IVortanSoundSource::PublishBuffers(CVortanPtrArray& buffers)
{
    SourceGuard guard(m_lock);
    for (int i = 0; i < buffers.GetCount(); ++i) {
        if (m_buffers.Add(buffers.GetAt(i)) != VORTAN_OK) {
            // Take back what was added from this list and leave it to the caller.
            for (int j = 0; j < i; ++j)
                m_buffers.RemoveAt(m_buffers.GetCount() - 1);
            return VORTAN_E_NOMEMORY;
        }
    }
    buffers.RemoveAll();
    CVortanSoundBuffer* first = BufferAt(0);
    if (first) {
        m_format = first->GetFormat();
        m_dataSize = static_cast<int>(first->GetSize());
    }
    return VORTAN_OK;
}
