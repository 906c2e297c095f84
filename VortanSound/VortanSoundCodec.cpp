// IVortanSoundCodec and the IMA ADPCM block decoder.
#include <new>

#include "VortanSound/VortanSoundCodec.h"

namespace {

const i32 kStepTable[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

const i32 kIndexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

inline i32 ClampIndex(i32 index)
{
    return index < 0 ? 0 : (index > 88 ? 88 : index);
}

inline void PutSample(u8* out, size_t index, i32 value)
{
    out[2 * index] = static_cast<u8>(value & 0xff);
    out[2 * index + 1] = static_cast<u8>((value >> 8) & 0xff);
}

} // namespace

IVortanSoundCodec::IVortanSoundCodec() : m_source(nullptr), m_destination(nullptr) {}

IVortanSoundCodec::~IVortanSoundCodec()
{
    delete m_source;
    delete m_destination;
}

int IVortanSoundCodec::SetFormats(const CVortanSoundFormat* destination,
                                  const CVortanSoundFormat* source)
{
    if (!destination || !source)
        return VORTAN_E_ARGUMENT;
    CVortanSoundFormat* d = new (std::nothrow) CVortanSoundFormat(*destination);
    CVortanSoundFormat* s = new (std::nothrow) CVortanSoundFormat(*source);
    if (!d || !s) {
        delete d;
        delete s;
        return VORTAN_E_NOMEMORY;
    }
    delete m_destination;
    delete m_source;
    m_destination = d;
    m_source = s;
    return VORTAN_OK;
}

u32 CVortanSoundCodecImaAdpcm::SamplesPerBlock(u32 blockAlign, u32 channels)
{
    if (channels == 0 || blockAlign < 4 * channels)
        return 0;
    return 1 + 8 * (blockAlign / (4 * channels) - 1);
}

u32 CVortanSoundCodecImaAdpcm::DecodedSize(u32 encodedBytes)
{
    if (!m_source || m_source->m_blockAlign == 0)
        return 0;
    u64 blockAlign = m_source->m_blockAlign;
    if (4 * blockAlign < 14)
        return 0;
    u64 size = (encodedBytes / blockAlign) * (4 * blockAlign - 14);
    if (m_source->m_channels == 2)
        size += 2;
    return size > 0xffffffffull ? 0xffffffffu : static_cast<u32>(size);
}

int CVortanSoundCodecImaAdpcm::Decode(const u8* source, u32 sourceBytes, void* destination,
                                      u32 destinationBytes)
{
    if (!m_source || !m_destination)
        return VORTAN_E_RANGE;
    if (!source || !destination)
        return VORTAN_E_ARGUMENT;
    const u32 channels = m_source->m_channels;
    const u32 blockAlign = m_source->m_blockAlign;
    if (channels < 1 || channels > 2 || blockAlign < 4 * channels)
        return VORTAN_E_FAIL;
    const u32 blocks = sourceBytes / blockAlign;
    const u32 wordsPerChannel = blockAlign / (4 * channels) - 1;
    const u32 perChannel = SamplesPerBlock(blockAlign, channels);
    const u64 needed = static_cast<u64>(blocks) * perChannel * channels * 2;
    if (needed > destinationBytes)
        return VORTAN_E_ARGUMENT;

    u8* out = static_cast<u8*>(destination);
    size_t base = 0; // first output sample of the block
    for (u32 b = 0; b < blocks; ++b) {
        const u8* block = source + static_cast<size_t>(b) * blockAlign;
        i32 predictor[2];
        i32 index[2];
        for (u32 c = 0; c < channels; ++c) {
            const u8* header = block + 4 * c;
            predictor[c] = static_cast<i16>(static_cast<u16>(header[0] | (header[1] << 8)));
            index[c] = ClampIndex(header[2]);
            PutSample(out, base + c, predictor[c]);
        }
        for (u32 w = 0; w < wordsPerChannel; ++w) {
            for (u32 c = 0; c < channels; ++c) {
                const u8* word = block + 4 * channels + 4 * (w * channels + c);
                for (u32 nibble = 0; nibble < 8; ++nibble) {
                    u32 n = (word[nibble >> 1] >> ((nibble & 1) * 4)) & 0x0f;
                    i32 step = kStepTable[index[c]];
                    i32 diff = step >> 3;
                    if (n & 4)
                        diff += step;
                    if (n & 2)
                        diff += step >> 1;
                    if (n & 1)
                        diff += step >> 2;
                    i32 value = (n & 8) ? predictor[c] - diff : predictor[c] + diff;
                    if (value < -32768)
                        value = -32768;
                    if (value > 32767)
                        value = 32767;
                    predictor[c] = value;
                    PutSample(out, base + (1 + 8 * w + nibble) * channels + c, value);
                    index[c] = ClampIndex(index[c] + kIndexTable[n]);
                }
            }
        }
        base += static_cast<size_t>(perChannel) * channels;
    }
    return VORTAN_OK;
}
