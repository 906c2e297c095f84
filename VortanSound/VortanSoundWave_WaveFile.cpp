// RIFF/WAVE reading of CVortanSoundWave: the header, the chunk walk and the PCM or IMA ADPCM
// data of buffer 0.
#include <stdlib.h>
#include <string.h>

#include <new>

#include "VortanSound/VortanSoundCodec.h"
#include "VortanSound/VortanSoundEngine.h"
#include "VortanSound/VortanSoundWave.h"

namespace {

const u32 kTagPcm = 1;
const u32 kTagImaAdpcm = 17;
const int kMaxChunkText = 1024;

u32 Le16(const u8* p)
{
    return static_cast<u32>(p[0]) | (static_cast<u32>(p[1]) << 8);
}

bool IsId(const u8* id, const char* name)
{
    return memcmp(id, name, 4) == 0;
}

// Chunks are padded to an even size.
i64 Padded(u32 size)
{
    return static_cast<i64>(size) + (size & 1);
}

// Reads a NUL-terminated text of at most kMaxChunkText bytes. VORTAN_OK when the NUL came,
// VORTAN_E_FAIL for an overlong text, 0 when the data ended first.
int SkipChunkText(CVortanSoundStream& stream)
{
    for (int i = 0; i < kMaxChunkText; ++i) {
        u8 c;
        if (stream.Read(&c, 1) != 1)
            return 0;
        if (c == 0)
            return VORTAN_OK;
    }
    return VORTAN_E_FAIL;
}

// Walks the sub-chunks of a "LIST" of type "adtl" that starts at `start` (after its size)
// and holds `size` bytes. VORTAN_OK, VORTAN_E_FAIL for an overlong text, 0 when the data ended.
int WalkLabels(CVortanSoundStream& stream, i64 start, u32 size)
{
    i64 consumed = 4; // the list type
    while (consumed < static_cast<i64>(size)) {
        stream.Seek(start + consumed);
        u8 id[4];
        u32 subSize = 0;
        if (stream.Read(id, 4) != 4 || !stream.ReadU32(&subSize))
            return 0;
        if (!IsId(id, "labl") && !IsId(id, "note"))
            return VORTAN_OK; // anything else ends the list
        u32 cueId = 0;
        if (!stream.ReadU32(&cueId))
            return 0;
        int rc = SkipChunkText(stream);
        if (rc != VORTAN_OK)
            return rc;
        consumed += 8 + Padded(subSize);
    }
    return VORTAN_OK;
}

} // namespace

CVortanWaveInfo::CVortanWaveInfo()
    : m_formatTag(0), m_formatChunk(nullptr), m_formatChunkSize(0), m_dataOffset(0), m_dataSize(0),
      m_hasData(0), m_codec(nullptr)
{}

CVortanWaveInfo::~CVortanWaveInfo()
{
    free(m_formatChunk);
    delete m_codec;
}

int CVortanSoundWave::ParseChunks(CVortanSoundStream& stream, CVortanWaveInfo* info)
{
    for (;;) {
        u8 id[4];
        if (stream.Read(id, 4) != 4)
            break;
        u32 size = 0;
        if (IsId(id, "PrMr")) {
            stream.Skip(4);
            continue;
        }
        if (!stream.ReadU32(&size))
            break;
        i64 start = stream.Tell();
        if (IsId(id, "data")) {
            info->m_dataOffset = start;
            // A size beyond the end of the file is cut to what is there.
            i64 available = stream.Remaining();
            info->m_dataSize =
                static_cast<i64>(size) > available ? static_cast<u32>(available) : size;
            info->m_hasData = 1;
        } else if (IsId(id, "LIST")) {
            u8 type[4];
            if (size >= 4 && stream.Read(type, 4) == 4 && IsId(type, "adtl")) {
                int rc = WalkLabels(stream, start, size);
                if (rc == VORTAN_E_FAIL)
                    return rc;
                if (rc == 0)
                    break;
            }
        }
        // "fact", "data", "LIST", "cue " and every other chunk: on to the next, past the pad
        // byte of an odd size.
        stream.Seek(start + Padded(size));
    }
    return info->m_hasData ? VORTAN_OK : VORTAN_E_FAIL;
}

int CVortanSoundWave::ParseRiffWave(CVortanSoundStream& stream, CVortanWaveInfo* info)
{
    if (!info)
        return VORTAN_E_ARGUMENT;
    const i64 p0 = stream.Tell();
    u8 header[20];
    if (stream.Read(header, 20) != 20)
        return VORTAN_E_ARGUMENT;
    if (!IsId(header, "RIFF") || !IsId(header + 8, "WAVE") || !IsId(header + 12, "fmt "))
        return VORTAN_E_VERSION;
    const u32 formatSize = VortanReadLE32(header + 16);
    if (formatSize < 16)
        return VORTAN_E_FAIL; // too short for the format fields

    u8 word[2];
    if (stream.Read(word, 2) != 2)
        return VORTAN_E_ARGUMENT;
    const u32 tag = Le16(word);
    u32 extra = 0;
    if (tag != kTagPcm) {
        stream.Seek(p0 + 36);
        if (formatSize >= 18 && stream.Read(word, 2) == 2)
            extra = Le16(word);
        if (extra > formatSize - 18)
            extra = formatSize >= 18 ? formatSize - 18 : 0; // never beyond the chunk
    }
    info->m_formatChunkSize = 18 + extra;
    info->m_formatChunk = static_cast<u8*>(calloc(1, info->m_formatChunkSize));
    if (!info->m_formatChunk)
        return VORTAN_E_NOMEMORY;
    stream.Seek(p0 + 20);
    u32 wanted = info->m_formatChunkSize < formatSize ? info->m_formatChunkSize : formatSize;
    if (stream.Read(info->m_formatChunk, wanted) != static_cast<int>(wanted))
        return VORTAN_E_ARGUMENT;
    const u8* chunk = info->m_formatChunk;
    info->m_formatTag = tag;
    info->m_sourceFormat.m_channels = Le16(chunk + 2);
    info->m_sourceFormat.m_samplesPerSec = VortanReadLE32(chunk + 4);
    info->m_sourceFormat.m_blockAlign = Le16(chunk + 12);
    info->m_sourceFormat.m_bitsPerSample = Le16(chunk + 14);

    stream.Seek(p0 + 20 + Padded(formatSize));
    int rc = ParseChunks(stream, info);
    if (rc != VORTAN_OK)
        return rc;

    const CVortanSoundFormat& source = info->m_sourceFormat;
    if (source.m_channels < 1 || source.m_channels > 2 || source.m_samplesPerSec == 0)
        return VORTAN_E_FAIL;
    if (tag == kTagPcm) {
        if ((source.m_bitsPerSample != 8 && source.m_bitsPerSample != 16) ||
            source.m_blockAlign != source.m_channels * source.m_bitsPerSample / 8)
            return VORTAN_E_FAIL;
        info->m_destinationFormat = source;
        return VORTAN_OK;
    }
    if (tag == kTagImaAdpcm) {
        // A block must at least hold the channel headers.
        if (source.m_bitsPerSample != 4 || source.m_blockAlign < 4 * source.m_channels)
            return VORTAN_E_FAIL;
        info->m_destinationFormat.Set(source.m_channels, source.m_samplesPerSec, 16);
        CVortanSoundCodecImaAdpcm* codec = new (std::nothrow) CVortanSoundCodecImaAdpcm();
        if (!codec)
            return VORTAN_E_NOMEMORY;
        info->m_codec = codec;
        return codec->SetFormats(&info->m_destinationFormat, &info->m_sourceFormat);
    }
    return VORTAN_E_FAIL;
}

int CVortanSoundWave::LoadRiffWave(CVortanSoundEngine* engine, CVortanSoundStream& stream,
                                   u32 flags, CVortanSoundBuffer** out)
{
    *out = nullptr;
    CVortanWaveInfo info;
    int rc = ParseRiffWave(stream, &info);
    if (rc != VORTAN_OK)
        return rc;
    const u32 blockAlign = info.m_sourceFormat.m_blockAlign;
    if (blockAlign == 0)
        return VORTAN_E_FAIL;
    const u32 blocks = info.m_dataSize / blockAlign;
    if (blocks == 0)
        return VORTAN_E_MALFORMED; // not one whole block of data
    u64 bufferSize = info.m_codec ? info.m_codec->DecodedSize(info.m_dataSize) : info.m_dataSize;
    if (bufferSize == 0 || bufferSize > VORTAN_SOUND_MAX_DECODED_BYTES)
        return VORTAN_E_NOMEMORY;

    CVortanSoundBuffer* buffer = CVortanSoundBuffer::CreateInstance();
    if (!buffer)
        return VORTAN_E_NOMEMORY;
    rc = buffer->Create(engine, &info.m_destinationFormat, static_cast<int>(bufferSize), flags);
    if (rc != VORTAN_OK) {
        delete buffer;
        return rc;
    }
    void* data = nullptr;
    u32 bytes = 0;
    rc = buffer->Lock(0, 0, &data, &bytes, 1);
    if (rc == VORTAN_OK) {
        const u32 wholeBytes = blocks * blockAlign;
        stream.Seek(info.m_dataOffset);
        if (!info.m_codec) {
            if (stream.Read(data, wholeBytes) <= 0)
                rc = VORTAN_E_MALFORMED;
        } else {
            u8* encoded = static_cast<u8*>(malloc(info.m_dataSize));
            if (!encoded) {
                rc = VORTAN_E_NOMEMORY;
            } else {
                int got = stream.Read(encoded, wholeBytes);
                if (got <= 0)
                    rc = VORTAN_E_MALFORMED;
                else
                    rc = info.m_codec->Decode(encoded, static_cast<u32>(got), data, bytes);
                free(encoded);
            }
        }
        buffer->Unlock();
    }
    if (rc != VORTAN_OK) {
        buffer->Release();
        delete buffer;
        return rc;
    }
    *out = buffer;
    return VORTAN_OK;
}
