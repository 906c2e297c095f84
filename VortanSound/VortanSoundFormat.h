// CVortanSoundFormat: a PCM format record {channels, samples per second, bits per sample,
// block align}, copied by value between the engine, its buffers, the sources and the codecs.
#pragma once
#include "engine/VortanTypes.h"

class CVortanSoundFormat {
public:
    CVortanSoundFormat() : m_channels(0), m_samplesPerSec(0), m_bitsPerSample(0), m_blockAlign(0) {}
    CVortanSoundFormat(u32 channels, u32 samplesPerSec, u32 bitsPerSample, u32 blockAlign)
        : m_channels(channels), m_samplesPerSec(samplesPerSec), m_bitsPerSample(bitsPerSample),
          m_blockAlign(blockAlign)
    {}

    // Sets the three values and recomputes the block align (bits x channels / 8).
    void Set(u32 channels, u32 samplesPerSec, u32 bitsPerSample)
    {
        m_channels = channels;
        m_samplesPerSec = samplesPerSec;
        m_bitsPerSample = bitsPerSample;
        m_blockAlign = bitsPerSample * channels / 8;
    }

    // True for the PCM layouts the mixer reads: 1 or 2 channels of 8 or 16 bits, frames
    // packed without gaps.
    bool IsMixable() const
    {
        return (m_channels == 1 || m_channels == 2) &&
               (m_bitsPerSample == 8 || m_bitsPerSample == 16) &&
               m_blockAlign == m_channels * m_bitsPerSample / 8;
    }

    bool operator==(const CVortanSoundFormat& o) const
    {
        return m_channels == o.m_channels && m_samplesPerSec == o.m_samplesPerSec &&
               m_bitsPerSample == o.m_bitsPerSample && m_blockAlign == o.m_blockAlign;
    }
    bool operator!=(const CVortanSoundFormat& o) const { return !(*this == o); }

    u32 m_channels;
    u32 m_samplesPerSec;
    u32 m_bitsPerSample;
    u32 m_blockAlign;
};
