#include "VortanSound/VortanSoundBuffer.h"

#include <stdlib.h>
#include <string.h>

#include <new>

#include "VortanSound/VortanSoundEngine.h"
#include "engine/VortanMatrix.h"
#include "engine/VortanString.h"
#include "engine/VortanVector.h"

CVortanSound3DParameters::CVortanSound3DParameters()
    : m_minDistance(20.0f), m_maxDistance(100.0f), m_dopplerFactor(1.0f), m_insideConeAngle(360),
      m_outsideConeAngle(360), m_outsideConeVolume(0)
{
    for (int i = 0; i < 3; ++i) {
        m_position[i] = 0.0f;
        m_velocity[i] = 0.0f;
        m_orientation[i] = 0.0f;
    }
    m_orientation[2] = 1.0f;
}

CVortanSoundBuffer::CVortanSoundBuffer()
    : m_data(nullptr), m_size(0), m_flags(0), m_shared(0), m_playing(0), m_pan(0), m_volume(0),
      m_frequency(0), m_position(0), m_playFlags(0), m_locked(0), m_ends(0), m_minDistance(0.0f),
      m_maxDistance(0.0f), m_dopplerFactor(0.0f), m_insideConeAngle(0), m_outsideConeAngle(0),
      m_outsideConeVolume(0), m_previousPlaying(0), m_seenEnds(0)
{
    for (int i = 0; i < 3; ++i) {
        m_position3D[i].store(0.0f);
        m_velocity3D[i].store(0.0f);
        m_orientation3D[i].store(0.0f);
    }
}

CVortanSoundBuffer::~CVortanSoundBuffer()
{
    Release();
}

CVortanSoundBuffer* CVortanSoundBuffer::CreateInstance()
{
    return new (std::nothrow) CVortanSoundBuffer();
}

int CVortanSoundBuffer::Register(CVortanSoundEngine* engine)
{
    m_engine = engine;
    int rc = engine->AddBuffer(this);
    if (rc != VORTAN_OK && rc != 0)
        return rc;
    if (m_flags & VORTAN_SOUNDBUFFER_NOTIFY) {
        rc = engine->AddNotifyHandler(this);
        if (rc != VORTAN_OK)
            return rc;
    }
    return VORTAN_OK;
}

int CVortanSoundBuffer::Create(CVortanSoundEngine* engine, const CVortanSoundFormat* format,
                               int size, u32 flags)
{
    Release();
    if (!engine || size <= 0)
        return VORTAN_E_ARGUMENT;
    CVortanSoundFormat chosen = format ? *format : engine->GetFormat();
    if (!chosen.IsMixable())
        return VORTAN_E_ARGUMENT;
    u8* data = static_cast<u8*>(TrackAllocation(malloc(static_cast<size_t>(size)),
                                                static_cast<size_t>(size),
                                                "VortanSound/VortanSoundBuffer", __LINE__));
    if (!data)
        return VORTAN_E_NOMEMORY;
    memset(data, chosen.m_bitsPerSample == 8 ? 0x80 : 0, static_cast<size_t>(size));
    return Adopt(engine, chosen, data, size, flags);
}

int CVortanSoundBuffer::CreateFromData(CVortanSoundEngine* engine, const CVortanSoundFormat& format,
                                       void* data, int size, u32 flags)
{
    Release();
    if (!engine || !data || size <= 0 || !format.IsMixable()) {
        free(data);
        return VORTAN_E_ARGUMENT;
    }
    return Adopt(engine, format, static_cast<u8*>(data), size, flags);
}

int CVortanSoundBuffer::Adopt(CVortanSoundEngine* engine, const CVortanSoundFormat& chosen,
                              u8* data, int size, u32 flags)
{
    m_data = data;
    m_format = chosen;
    m_frequency.store(chosen.m_samplesPerSec);
    m_size = static_cast<u32>(size);
    m_flags = flags;
    m_pan.store(0);
    m_volume.store(0);
    m_playFlags.store(0);
    if (flags & VORTAN_SOUNDBUFFER_3D)
        Init3D();
    int rc = Register(engine);
    if (rc != VORTAN_OK) {
        Release();
        return rc;
    }
    return VORTAN_OK;
}

int CVortanSoundBuffer::Duplicate(CVortanSoundBuffer* source)
{
    Release();
    if (!source || !source->m_data || !source->m_engine)
        return VORTAN_E_ARGUMENT;
    // Shared before anything can fail, so that a failure never frees the source's data.
    m_shared = 1;
    // The owner's lock is taken over; the mixer's hold on the source for its current pass
    // is not (the copy would stay locked for good).
    m_locked.store(source->m_locked.load() == LOCKED_BY_OWNER ? LOCKED_BY_OWNER : 0);
    return Adopt(source->m_engine, source->GetFormat(), source->m_data,
                 static_cast<int>(source->m_size), source->m_flags);
}

void CVortanSoundBuffer::Release()
{
    m_playing.store(0);
    // Off the engine's lists first: once these return, the mixer no longer reads the data.
    if (m_engine) {
        m_engine->RemoveNotifyHandler(this);
        m_engine->RemoveBuffer(this);
    }
    ClearNotifies();
    if (m_data && !m_shared)
        free(m_data);
    m_data = nullptr;
    m_shared = 0;
    m_size = 0;
    m_position.store(0);
    m_locked.store(0);
    m_engine = nullptr;
}

int CVortanSoundBuffer::Play(u32 playFlags)
{
    m_playFlags.store(playFlags);
    m_playing.store(1);
    return VORTAN_OK;
}

int CVortanSoundBuffer::Stop()
{
    m_playing.store(0);
    return VORTAN_OK;
}

int CVortanSoundBuffer::SetPosition(i64 position)
{
    if (position < 0 || m_size == 0)
        position = 0;
    else if (position > static_cast<i64>(m_size) - 1)
        position = static_cast<i64>(m_size) - 1;
    m_position.store(static_cast<u32>(position));
    return VORTAN_OK;
}

int CVortanSoundBuffer::Lock(u32 offset, u32 length, void** data, u32* bytes, int whole)
{
    if (!data || !bytes)
        return VORTAN_E_ARGUMENT;
    i32 expected = 0;
    if (!m_locked.compare_exchange_strong(expected, LOCKED_BY_OWNER)) {
        *data = nullptr;
        *bytes = 0;
        return VORTAN_E_LOCKED;
    }
    if (!m_data) {
        m_locked.store(0);
        *data = nullptr;
        *bytes = 0;
        return VORTAN_E_RANGE;
    }
    if (whole) {
        *data = m_data;
        *bytes = m_size;
        return VORTAN_OK;
    }
    if (offset > m_size)
        offset = m_size;
    if (length > m_size - offset)
        length = m_size - offset;
    *data = m_data + offset;
    *bytes = length;
    return VORTAN_OK;
}

int CVortanSoundBuffer::Unlock()
{
    m_locked.store(0);
    return VORTAN_OK;
}

int CVortanSoundBuffer::Set3DParameters(const CVortanSound3DParameters* params)
{
    CVortanSound3DParameters defaults;
    if (!params)
        params = &defaults;
    m_minDistance.store(params->m_minDistance);
    m_maxDistance.store(params->m_maxDistance);
    m_dopplerFactor.store(params->m_dopplerFactor);
    m_insideConeAngle.store(params->m_insideConeAngle);
    m_outsideConeAngle.store(params->m_outsideConeAngle);
    m_outsideConeVolume.store(params->m_outsideConeVolume);
    for (int i = 0; i < 3; ++i) {
        m_position3D[i].store(params->m_position[i]);
        m_velocity3D[i].store(params->m_velocity[i]);
        m_orientation3D[i].store(params->m_orientation[i]);
    }
    return VORTAN_OK;
}

void CVortanSoundBuffer::Get3DParameters(CVortanSound3DParameters* params) const
{
    if (!params)
        return;
    params->m_minDistance = m_minDistance.load();
    params->m_maxDistance = m_maxDistance.load();
    params->m_dopplerFactor = m_dopplerFactor.load();
    params->m_insideConeAngle = m_insideConeAngle.load();
    params->m_outsideConeAngle = m_outsideConeAngle.load();
    params->m_outsideConeVolume = m_outsideConeVolume.load();
    for (int i = 0; i < 3; ++i) {
        params->m_position[i] = m_position3D[i].load();
        params->m_velocity[i] = m_velocity3D[i].load();
        params->m_orientation[i] = m_orientation3D[i].load();
    }
}

int CVortanSoundBuffer::Update3D(const CVortanVector3& velocity, const CVortanMatrix& source,
                                 const CVortanVector3& listenerVelocity,
                                 const CVortanMatrix& listener)
{
    m_position3D[0].store(source[3] - listener[3]);
    m_position3D[1].store(source[7] - listener[7]);
    m_position3D[2].store(source[11] - listener[11]);
    float vx = velocity.x - listenerVelocity.x;
    float vy = velocity.y - listenerVelocity.y;
    float vz = velocity.z - listenerVelocity.z;
    for (int row = 0; row < 3; ++row)
        m_velocity3D[row].store(listener[4 * row] * vx + listener[4 * row + 1] * vy +
                                listener[4 * row + 2] * vz);
    return VORTAN_OK;
}

void CVortanSoundBuffer::Init3D()
{
    Set3DParameters(nullptr);
    for (int i = 0; i < 3; ++i) {
        m_position3D[i].store(0.0f);
        m_velocity3D[i].store(0.0f);
    }
}

CVortanSoundFormat CVortanSoundBuffer::GetFormat() const
{
    CVortanSoundFormat format = m_format;
    format.m_samplesPerSec = m_frequency.load();
    return format;
}

void CVortanSoundBuffer::ProcessNotifications(CVortanSoundNotifyCalls& due)
{
    if (!(m_flags & VORTAN_SOUNDBUFFER_NOTIFY))
        return;
    int playing = IsPlaying();
    u32 position = GetPosition();
    u32 ends = m_ends.load();
    int wrapped = ends != m_seenEnds;
    m_seenEnds = ends;
    if (playing || wrapped)
        FireNotify(VORTAN_SOUND_NOTIFY_POSITION, position, due, wrapped, m_size);
    else
        SyncNotifyPositions(position); // stopped, paused or moved by hand: no crossing
    if (playing != m_previousPlaying)
        FireNotify(playing ? VORTAN_SOUND_NOTIFY_STARTED : VORTAN_SOUND_NOTIFY_STOPPED, position,
                   due);
    m_previousPlaying = playing;
}
