// Ogg Vorbis decoding of CVortanSoundWave: the whole stream through libogg and libvorbis
// into one 16-bit interleaved buffer.
#include <ogg/ogg.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <stdlib.h>
#include <string.h>
#include <vorbis/codec.h>

#include "VortanSound/VortanSoundEngine.h"
#include "VortanSound/VortanSoundWave.h"

namespace {

const int kReadSize = 4096;
const size_t kGrowStep = 1048576;

// The decoded PCM, grown as it fills.
class COggOutput {
public:
    COggOutput() : m_data(nullptr), m_size(0), m_capacity(0) {}
    ~COggOutput() { free(m_data); }

    // Room for `more` bytes: VORTAN_OK; VORTAN_E_NOMEMORY when the sound grows too large or memory
    // runs out.
    int Reserve(size_t more)
    {
        if (m_size + more <= m_capacity)
            return VORTAN_OK;
        if (m_size + more > VORTAN_SOUND_MAX_DECODED_BYTES)
            return VORTAN_E_NOMEMORY;
        size_t capacity = m_capacity + (m_capacity / 2 > kGrowStep ? m_capacity / 2 : kGrowStep);
        while (capacity < m_size + more)
            capacity += kGrowStep;
        if (capacity > VORTAN_SOUND_MAX_DECODED_BYTES)
            capacity = VORTAN_SOUND_MAX_DECODED_BYTES;
        u8* grown = static_cast<u8*>(realloc(m_data, capacity));
        if (!grown)
            return VORTAN_E_NOMEMORY;
        m_data = grown;
        m_capacity = capacity;
        return VORTAN_OK;
    }

    u8* m_data;
    size_t m_size;
    size_t m_capacity;
};

// floor(x * 32767 + 0.5), clamped to the 16-bit range (a NaN gives -32768).
inline i16 ToSample(float x)
{
    float v = x * 32767.0f + 0.5f;
    v = v > -32768.0f ? v : -32768.0f;
    v = v < 32767.0f ? v : 32767.0f;
    i32 s = static_cast<i32>(v);
    s -= static_cast<float>(s) > v;
    return static_cast<i16>(s);
}

#if defined(__SSE2__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
// Four samples at once, the same arithmetic as ToSample.
inline __m128i ToSamples4(const float* x)
{
    __m128 v = _mm_add_ps(_mm_mul_ps(_mm_loadu_ps(x), _mm_set1_ps(32767.0f)), _mm_set1_ps(0.5f));
    v = _mm_min_ps(_mm_max_ps(v, _mm_set1_ps(-32768.0f)), _mm_set1_ps(32767.0f)); // NaN -> -32768
    __m128i t = _mm_cvttps_epi32(v);
    __m128 above = _mm_cmpgt_ps(_mm_cvtepi32_ps(t), v); // truncated upwards: one less
    return _mm_add_epi32(t, _mm_castps_si128(above));
}
#define VORTAN_OGG_SSE2 1
#endif

// One decoded block of m frames, interleaved by channel into little-endian 16-bit samples.
void Interleave(float** pcm, int channels, int m, u8* out)
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    i16* dst = reinterpret_cast<i16*>(out);
    int j = 0;
    if (channels == 1) {
        const float* src = pcm[0];
#ifdef VORTAN_OGG_SSE2
        for (; j + 8 <= m; j += 8) {
            __m128i packed = _mm_packs_epi32(ToSamples4(src + j), ToSamples4(src + j + 4));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + j), packed);
        }
#endif
        for (; j < m; ++j)
            dst[j] = ToSample(src[j]);
        return;
    }
    const float* left = pcm[0];
    const float* right = pcm[1];
#ifdef VORTAN_OGG_SSE2
    for (; j + 4 <= m; j += 4) {
        __m128i l = ToSamples4(left + j);
        __m128i r = ToSamples4(right + j);
        __m128i both = _mm_unpacklo_epi16(_mm_packs_epi32(l, l), _mm_packs_epi32(r, r));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 2 * j), both);
    }
#endif
    for (; j < m; ++j) {
        dst[2 * j] = ToSample(left[j]);
        dst[2 * j + 1] = ToSample(right[j]);
    }
#else
    for (int c = 0; c < channels; ++c) {
        const float* src = pcm[c];
        u8* p = out + 2 * c;
        for (int j = 0; j < m; ++j) {
            i32 s = ToSample(src[j]);
            p[0] = static_cast<u8>(s & 0xff);
            p[1] = static_cast<u8>((s >> 8) & 0xff);
            p += 2 * channels;
        }
    }
#endif
}

// Feeds up to 4096 more bytes of the stream into the sync layer; returns the bytes read.
int Feed(ogg_sync_state* sync, CVortanSoundStream& stream)
{
    char* area = ogg_sync_buffer(sync, kReadSize);
    if (!area)
        return 0;
    int got = stream.Read(area, kReadSize);
    ogg_sync_wrote(sync, got);
    return got;
}

} // namespace

int CVortanSoundWave::DecodeOggVorbis(CVortanSoundEngine* engine, CVortanSoundStream& stream,
                                      u32 flags, CVortanSoundBuffer** out)
{
    *out = nullptr;
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    COggOutput pcmOut;
    int rc = pcmOut.Reserve(kGrowStep);
    CVortanSoundFormat format;
    int haveFormat = 0;
    int lastRead = 0;

    // One pass per logical stream (chained streams follow each other).
    while (rc == VORTAN_OK) {
        ogg_page page;
        ogg_packet packet;
        lastRead = Feed(&sync, stream);
        if (ogg_sync_pageout(&sync, &page) != 1)
            break;

        ogg_stream_state os;
        vorbis_info info;
        vorbis_comment comment;
        ogg_stream_init(&os, ogg_page_serialno(&page));
        vorbis_info_init(&info);
        vorbis_comment_init(&comment);

        if (ogg_stream_pagein(&os, &page) < 0 || ogg_stream_packetout(&os, &packet) != 1 ||
            vorbis_synthesis_headerin(&info, &comment, &packet) < 0)
            rc = VORTAN_E_VERSION;

        if (rc == VORTAN_OK) {
            if (info.channels < 1 || info.channels > 2 || info.rate <= 0)
                rc = VORTAN_E_FAIL; // the mixer plays mono and stereo only
            else if (haveFormat && (format.m_channels != static_cast<u32>(info.channels) ||
                                    format.m_samplesPerSec != static_cast<u32>(info.rate)))
                rc = VORTAN_E_FAIL; // a chained stream of another layout cannot share the buffer
        }

        // The comment and codebook headers.
        int headers = 0;
        while (rc == VORTAN_OK && headers < 2) {
            while (rc == VORTAN_OK && headers < 2) {
                int result = ogg_sync_pageout(&sync, &page);
                if (result == 0)
                    break;
                if (result == 1) {
                    ogg_stream_pagein(&os, &page);
                    while (headers < 2) {
                        result = ogg_stream_packetout(&os, &packet);
                        if (result == 0)
                            break;
                        if (result < 0 || vorbis_synthesis_headerin(&info, &comment, &packet) < 0) {
                            rc = VORTAN_E_VERSION;
                            break;
                        }
                        ++headers;
                    }
                }
            }
            if (rc != VORTAN_OK)
                break;
            lastRead = Feed(&sync, stream);
            if (lastRead == 0 && headers < 2)
                rc = VORTAN_E_MALFORMED;
        }

        if (rc == VORTAN_OK) {
            const int channels = info.channels;
            vorbis_dsp_state dsp;
            vorbis_block block;
            if (vorbis_synthesis_init(&dsp, &info) != 0) {
                rc = VORTAN_E_VERSION;
            } else {
                vorbis_block_init(&dsp, &block);
                int eos = 0;
                while (!eos && rc == VORTAN_OK) {
                    while (!eos && rc == VORTAN_OK) {
                        int result = ogg_sync_pageout(&sync, &page);
                        if (result == 0)
                            break;
                        if (result < 0)
                            continue; // a hole in the data: go on with the next page
                        ogg_stream_pagein(&os, &page);
                        for (;;) {
                            result = ogg_stream_packetout(&os, &packet);
                            if (result == 0)
                                break;
                            if (result < 0)
                                continue;
                            if (vorbis_synthesis(&block, &packet) == 0)
                                vorbis_synthesis_blockin(&dsp, &block);
                            float** pcm = nullptr;
                            int samples;
                            while (rc == VORTAN_OK &&
                                   (samples = vorbis_synthesis_pcmout(&dsp, &pcm)) > 0) {
                                int m =
                                    samples < kReadSize / channels ? samples : kReadSize / channels;
                                rc = pcmOut.Reserve(static_cast<size_t>(m) * channels * 2);
                                if (rc != VORTAN_OK)
                                    break;
                                Interleave(pcm, channels, m, pcmOut.m_data + pcmOut.m_size);
                                pcmOut.m_size += static_cast<size_t>(m) * channels * 2;
                                vorbis_synthesis_read(&dsp, m);
                            }
                            if (rc != VORTAN_OK)
                                break;
                        }
                        if (ogg_page_eos(&page))
                            eos = 1;
                    }
                    if (!eos && rc == VORTAN_OK) {
                        lastRead = Feed(&sync, stream);
                        if (lastRead == 0)
                            eos = 1;
                    }
                }
                vorbis_block_clear(&block);
                vorbis_dsp_clear(&dsp);
            }
        }
        if (rc == VORTAN_OK) {
            format.Set(static_cast<u32>(info.channels), static_cast<u32>(info.rate), 16);
            haveFormat = 1;
        }
        ogg_stream_clear(&os);
        vorbis_comment_clear(&comment);
        vorbis_info_clear(&info);
    }
    ogg_sync_clear(&sync);
    if (rc != VORTAN_OK)
        return rc;
    // Only a stream read to its end counts; data that stops being Ogg is refused.
    if (lastRead >= kReadSize || !haveFormat)
        return VORTAN_E_VERSION;
    if (pcmOut.m_size == 0)
        return VORTAN_E_MALFORMED;

    CVortanSoundBuffer* buffer = CVortanSoundBuffer::CreateInstance();
    if (!buffer)
        return VORTAN_E_NOMEMORY;
    // The buffer takes the decoded bytes over, trimmed to their size.
    u8* data = static_cast<u8*>(realloc(pcmOut.m_data, pcmOut.m_size));
    if (data)
        pcmOut.m_data = data;
    rc = buffer->CreateFromData(engine, format, pcmOut.m_data, static_cast<int>(pcmOut.m_size),
                                flags);
    pcmOut.m_data = nullptr;
    if (rc != VORTAN_OK) {
        delete buffer;
        return VORTAN_E_NOMEMORY;
    }
    *out = buffer;
    return VORTAN_OK;
}

// This file's macros end here (the build may compile it together with others).
#undef VORTAN_OGG_SSE2
