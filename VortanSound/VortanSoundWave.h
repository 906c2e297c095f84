// CVortanSoundWave: the sound source of sound effects. It decodes the whole sound at load
// time into buffer 0 (8- or 16-bit PCM) and adds duplicate buffers sharing the data.
// Readable inputs: RIFF/WAVE with PCM (8 or 16 bits) or IMA ADPCM, and Ogg Vorbis.
//
// Loading builds the buffers privately and publishes them only when the sound is complete,
// so a sound loaded on a worker thread can be queried from the main thread meanwhile (it
// simply has no buffers until then).
#pragma once
#include "VortanSound/VortanSoundSource.h"
#include "VortanSound/VortanSoundStream.h"
#include "engine/VortanFile.h"
#include "engine/VortanString.h"

class CVortanMediaPack;
class CVortanSoundEngine;
class IVortanSoundCodec;

// Play mode bit: play the first buffer that is not playing.
enum { VORTAN_SOUND_PLAY_FREE_BUFFER = 8 };

// Largest decoded sound accepted (bytes of PCM).
#define VORTAN_SOUND_MAX_DECODED_BYTES (128 * 1024 * 1024)

// What the RIFF/WAVE parser learns about a file; used while loading, then freed.
class CVortanWaveInfo {
public:
    CVortanWaveInfo();
    ~CVortanWaveInfo();

    CVortanSoundFormat m_sourceFormat;
    u32 m_formatTag;
    u8* m_formatChunk; // 18 + extra bytes, owned
    u32 m_formatChunkSize;
    CVortanSoundFormat m_destinationFormat;
    i64 m_dataOffset; // within the stream
    u32 m_dataSize;   // clamped to what the stream holds
    int m_hasData;
    IVortanSoundCodec* m_codec; // owned; null for PCM

private:
    CVortanWaveInfo(const CVortanWaveInfo&) = delete;
    CVortanWaveInfo& operator=(const CVortanWaveInfo&) = delete;
};

class CVortanSoundWave : public IVortanSoundSource {
public:
    CVortanSoundWave();
    virtual ~CVortanSoundWave();

    static CVortanSoundWave* CreateInstance();

    // Mode VORTAN_SOUND_PLAY_FREE_BUFFER takes the first buffer that is not playing
    // (VORTAN_E_MISSING when all play), stops it and plays it; otherwise the indexed buffer plays
    // (VORTAN_E_ARGUMENT when out of range).
    int Play(u32 playFlags, int index = 0, int mode = 0) override;
    // As Play, but the chosen buffer is first stopped and rewound.
    int Replay(u32 playFlags, int index = 0, int mode = 0) override;
    // Stops and rewinds to 0.
    int Stop(int index = 0) override;
    // Stops where it is.
    int Pause(int index = 0) override;
    int GetTypeId() override { return 6; }
    int GetStatus() override { return 0; }

    // Loads a whole file image held in memory, then adds the duplicates. Any failure leaves
    // the sound without buffers.
    int LoadFromMemory(CVortanSoundEngine* engine, void* bytes, int length, u32 flags,
                       int duplicates);
    // Loads a pack entry (by name, or by index with an empty name); VORTAN_E_ARGUMENT without a
    // pack, VORTAN_E_MISSING when the entry is missing. Entries of a pack with a key are
    // unscrambled first.
    int LoadFromPack(CVortanSoundEngine* engine, CVortanMediaPack* pack, const CVortanString& name,
                     int index, u32 flags, int duplicates);
    int LoadFromFile(CVortanSoundEngine* engine, const CVortanString& fileName, u32 flags,
                     int duplicates);
    // Reads at most `length` bytes from the file's position: "OggS" is decoded as Ogg
    // Vorbis, "RIFF" as RIFF/WAVE; buffer 0 is appended. VORTAN_E_ARGUMENT without an engine or
    // file; VORTAN_E_FAIL for anything else and for any failure of either decoder.
    int LoadFromStream(CVortanSoundEngine* engine, CVortanFile* file, int length, u32 flags);
    // Adds `count` duplicates of buffer 0: VORTAN_OK; VORTAN_E_RANGE without buffer 0;
    // VORTAN_E_NOMEMORY (all buffers released) when one cannot be made.
    int CreateDuplicates(int count);
    // Buffer 0 of that size filled with silence, plus the duplicates.
    int CreateFromFormat(CVortanSoundEngine* engine, const CVortanSoundFormat& format, int size,
                         u32 flags, int duplicates);

    // RIFF/WAVE header and chunk walk. VORTAN_OK; VORTAN_E_ARGUMENT for a header shorter than 20
    // bytes; VORTAN_E_VERSION not RIFF/WAVE with "fmt " first; VORTAN_E_FAIL unsupported format or
    // missing "data"; VORTAN_E_NOMEMORY out of memory.
    static int ParseRiffWave(CVortanSoundStream& stream, CVortanWaveInfo* info);
    static int ParseChunks(CVortanSoundStream& stream, CVortanWaveInfo* info);

private:
    // The decoders: on success *buffer is a complete, registered buffer 0.
    static int LoadRiffWave(CVortanSoundEngine* engine, CVortanSoundStream& stream, u32 flags,
                            CVortanSoundBuffer** buffer);
    static int DecodeOggVorbis(CVortanSoundEngine* engine, CVortanSoundStream& stream, u32 flags,
                               CVortanSoundBuffer** buffer);
    static int LoadStreamBuffer(CVortanSoundEngine* engine, CVortanFile* file, int length,
                                u32 flags, CVortanSoundBuffer** buffer);
    static int AddDuplicates(CVortanSoundBuffer* first, int count, CVortanPtrArray& out);
    // Publishes buffer 0 and its duplicates, replacing whatever the sound held.
    int PublishSound(CVortanSoundBuffer* first, int duplicates);
    // Stop's work on one buffer, for callers that already hold the lock.
    static int StopAndRewind(CVortanSoundBuffer* buffer);
};
