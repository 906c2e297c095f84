#include "VortanSound/VortanSoundWave.h"

#include <stdlib.h>
#include <string.h>

#include <new>

#include "VortanSound/VortanSoundCodec.h"
#include "VortanSound/VortanSoundEngine.h"
#include "engine/VortanDataScrambler.h"
#include "engine/VortanMediaPack.h"

typedef CVortanMutexLock SourceGuard;

CVortanSoundWave::CVortanSoundWave() {}

CVortanSoundWave::~CVortanSoundWave()
{
    ReleaseBuffers();
}

CVortanSoundWave* CVortanSoundWave::CreateInstance()
{
    return new (std::nothrow) CVortanSoundWave();
}

int CVortanSoundWave::Play(u32 playFlags, int index, int mode)
{
    SourceGuard guard(m_lock);
    if (mode & VORTAN_SOUND_PLAY_FREE_BUFFER) {
        for (int i = 0; i < m_buffers.GetCount(); ++i) {
            CVortanSoundBuffer* buffer = BufferAt(i);
            if (!buffer->IsPlaying()) {
                buffer->Stop();
                return buffer->Play(playFlags);
            }
        }
        return VORTAN_E_MISSING;
    }
    CVortanSoundBuffer* buffer = BufferAt(index);
    if (!buffer)
        return VORTAN_E_ARGUMENT;
    return buffer->Play(playFlags);
}

int CVortanSoundWave::Replay(u32 playFlags, int index, int mode)
{
    SourceGuard guard(m_lock);
    if (mode & VORTAN_SOUND_PLAY_FREE_BUFFER) {
        for (int i = 0; i < m_buffers.GetCount(); ++i) {
            CVortanSoundBuffer* buffer = BufferAt(i);
            if (!buffer->IsPlaying()) {
                StopAndRewind(buffer);
                return buffer->Play(playFlags);
            }
        }
        return VORTAN_E_MISSING;
    }
    CVortanSoundBuffer* buffer = BufferAt(index);
    if (!buffer)
        return VORTAN_E_ARGUMENT;
    StopAndRewind(buffer);
    return buffer->Play(playFlags);
}

int CVortanSoundWave::Stop(int index)
{
    SourceGuard guard(m_lock);
    CVortanSoundBuffer* buffer = BufferAt(index);
    if (!buffer)
        return VORTAN_E_RANGE;
    return StopAndRewind(buffer);
}

int CVortanSoundWave::StopAndRewind(CVortanSoundBuffer* buffer)
{
    buffer->Stop();
    return buffer->SetPosition(0);
}

int CVortanSoundWave::Pause(int index)
{
    SourceGuard guard(m_lock);
    CVortanSoundBuffer* buffer = BufferAt(index);
    if (!buffer)
        return VORTAN_E_RANGE;
    return buffer->Stop();
}

int CVortanSoundWave::AddDuplicates(CVortanSoundBuffer* first, int count, CVortanPtrArray& out)
{
    for (int i = 0; i < count; ++i) {
        CVortanSoundBuffer* buffer = CVortanSoundBuffer::CreateInstance();
        if (!buffer)
            return VORTAN_E_NOMEMORY;
        if (buffer->Duplicate(first) != VORTAN_OK || out.Add(buffer) != VORTAN_OK) {
            buffer->Release();
            delete buffer;
            return VORTAN_E_NOMEMORY;
        }
    }
    return VORTAN_OK;
}

int CVortanSoundWave::PublishSound(CVortanSoundBuffer* first, int duplicates)
{
    CVortanPtrArray list;
    if (list.Add(first) != VORTAN_OK) {
        first->Release();
        delete first;
        ReleaseBuffers();
        return VORTAN_E_NOMEMORY;
    }
    int rc = AddDuplicates(first, duplicates, list);
    if (rc == VORTAN_OK) {
        ReleaseBuffers(); // whatever the sound held before
        rc = PublishBuffers(list);
    }
    if (rc != VORTAN_OK) {
        ReleaseList(list);
        ReleaseBuffers();
    }
    return rc;
}

int CVortanSoundWave::LoadStreamBuffer(CVortanSoundEngine* engine, CVortanFile* file, int length,
                                       u32 flags, CVortanSoundBuffer** buffer)
{
    *buffer = nullptr;
    if (!engine || !file)
        return VORTAN_E_ARGUMENT;
    CVortanSoundStream stream(file, length);
    u8 magic[4] = {0, 0, 0, 0};
    int got = stream.Read(magic, 4);
    stream.Seek(0);
    if (got < 4)
        return VORTAN_E_ARGUMENT; // too short to say what kind of sound it is
    int rc = VORTAN_E_FAIL;
    if (memcmp(magic, "OggS", 4) == 0)
        rc = DecodeOggVorbis(engine, stream, flags, buffer);
    else if (memcmp(magic, "RIFF", 4) == 0)
        rc = LoadRiffWave(engine, stream, flags, buffer);
    if (rc != VORTAN_OK) {
        *buffer = nullptr;
        return VORTAN_E_FAIL;
    }
    return VORTAN_OK;
}

int CVortanSoundWave::LoadFromStream(CVortanSoundEngine* engine, CVortanFile* file, int length,
                                     u32 flags)
{
    CVortanSoundBuffer* first = nullptr;
    int rc = LoadStreamBuffer(engine, file, length, flags, &first);
    if (rc != VORTAN_OK) {
        ReleaseBuffers();
        return rc;
    }
    CVortanPtrArray list;
    if (list.Add(first) != VORTAN_OK || PublishBuffers(list) != VORTAN_OK) {
        first->Release();
        delete first;
        ReleaseBuffers();
        return VORTAN_E_NOMEMORY;
    }
    return VORTAN_OK;
}

int CVortanSoundWave::LoadFromMemory(CVortanSoundEngine* engine, void* bytes, int length, u32 flags,
                                     int duplicates)
{
    if (!engine || !bytes || length <= 0) {
        ReleaseBuffers();
        return VORTAN_E_ARGUMENT;
    }
    CVortanFile file;
    int rc = file.OpenMemory(bytes, length, VORTAN_FILE_READ);
    CVortanSoundBuffer* first = nullptr;
    if (rc == VORTAN_OK)
        rc = LoadStreamBuffer(engine, &file, length, flags, &first);
    file.Close();
    if (rc != VORTAN_OK) {
        ReleaseBuffers();
        return rc;
    }
    return PublishSound(first, duplicates);
}

int CVortanSoundWave::LoadFromFile(CVortanSoundEngine* engine, const CVortanString& fileName,
                                   u32 flags, int duplicates)
{
    if (!engine) {
        ReleaseBuffers();
        return VORTAN_E_ARGUMENT;
    }
    CVortanFile file;
    int rc = file.Open(fileName, VORTAN_FILE_READ);
    CVortanSoundBuffer* first = nullptr;
    if (rc == VORTAN_OK)
        rc = LoadStreamBuffer(engine, &file, file.GetSize(), flags, &first);
    file.Close();
    if (rc != VORTAN_OK) {
        ReleaseBuffers();
        return rc;
    }
    return PublishSound(first, duplicates);
}

int CVortanSoundWave::LoadFromPack(CVortanSoundEngine* engine, CVortanMediaPack* pack,
                                   const CVortanString& name, int index, u32 flags, int duplicates)
{
    if (!pack || !engine) {
        ReleaseBuffers();
        return VORTAN_E_ARGUMENT;
    }
    int size = pack->GetEntry(name, index);
    if (size <= 0) {
        ReleaseBuffers();
        return VORTAN_E_MISSING;
    }
    const CVortanString* key = pack->GetKey();
    if (key && !key->IsEmpty()) {
        // A keyed pack: read the entry, unscramble it, decode from memory.
        u8* bytes = static_cast<u8*>(malloc(static_cast<size_t>(size)));
        if (!bytes) {
            ReleaseBuffers();
            return VORTAN_E_NOMEMORY;
        }
        int got = pack->GetFile()->Read(bytes, size);
        int rc = VORTAN_E_MALFORMED;
        if (got == size) {
            CVortanDataScrambler scrambler;
            scrambler.Process(*key, bytes, size);
            rc = LoadFromMemory(engine, bytes, size, flags, duplicates);
        } else {
            ReleaseBuffers();
        }
        free(bytes);
        return rc;
    }
    CVortanFile file;
    file.Attach(pack->GetFile());
    CVortanSoundBuffer* first = nullptr;
    int rc = LoadStreamBuffer(engine, &file, size, flags, &first);
    file.Close();
    if (rc != VORTAN_OK) {
        ReleaseBuffers();
        return rc;
    }
    return PublishSound(first, duplicates);
}

int CVortanSoundWave::CreateDuplicates(int count)
{
    CVortanSoundBuffer* first = GetBuffer(0);
    if (!first)
        return VORTAN_E_RANGE;
    CVortanPtrArray list;
    int rc = AddDuplicates(first, count, list);
    if (rc == VORTAN_OK)
        rc = PublishBuffers(list);
    if (rc != VORTAN_OK) {
        ReleaseList(list);
        ReleaseBuffers();
    }
    return rc;
}

int CVortanSoundWave::CreateFromFormat(CVortanSoundEngine* engine, const CVortanSoundFormat& format,
                                       int size, u32 flags, int duplicates)
{
    CVortanSoundBuffer* first = CVortanSoundBuffer::CreateInstance();
    if (!first) {
        ReleaseBuffers();
        return VORTAN_E_NOMEMORY;
    }
    int rc = first->Create(engine, &format, size, flags);
    if (rc != VORTAN_OK) {
        delete first;
        ReleaseBuffers();
        return rc;
    }
    return PublishSound(first, duplicates);
}
