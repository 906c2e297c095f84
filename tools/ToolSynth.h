// A small additive synthesiser for the sound tools: stereo float tracks, tones with glides and
// envelopes, filtered noise, plucked notes and a kick drum, and peak normalising.
#pragma once
#include <math.h>
#include <stdint.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "tools/ToolWave.h"

namespace toolsynth {

using toolwave::kRate;

struct Track {
    std::vector<float> left, right;
    explicit Track(float seconds)
        : left((size_t)(seconds * kRate), 0.0f), right((size_t)(seconds * kRate), 0.0f)
    {}
    size_t size() const { return left.size(); }
    void Add(size_t i, float v, float pan)
    {
        if (i >= left.size())
            return;
        left[i] += v * sqrtf(0.5f * (1.0f - pan));
        right[i] += v * sqrtf(0.5f * (1.0f + pan));
    }
};

// Deterministic white noise in -1..1.
class Noise {
public:
    explicit Noise(uint32_t seed) : m_state(seed * 2654435761u + 1) {}
    float Next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return (m_state & 0xFFFFFF) / 8388608.0f - 1.0f;
    }

private:
    uint32_t m_state;
};

enum Wave { kSine, kSquare, kSaw, kTriangle };

inline float Oscillator(Wave wave, double phase)
{
    double p = phase - floor(phase);
    switch (wave) {
    case kSquare:
        return p < 0.5 ? 0.6f : -0.6f;
    case kSaw:
        return (float)(2 * p - 1) * 0.6f;
    case kTriangle:
        return (float)(p < 0.5 ? 4 * p - 1 : 3 - 4 * p);
    default:
        return (float)sin(2 * M_PI * p);
    }
}

// A tone from f0 to f1 (exponential glide) with a linear attack and an exponential decay
// (`decay` seconds to fall by e), cut at `length`.
inline void Tone(Track& t, float start, float length, float f0, float f1, Wave wave, float level,
                 float attack, float decay, float pan = 0, float vibrato = 0)
{
    size_t first = (size_t)(start * kRate), n = (size_t)(length * kRate);
    double phase = 0;
    for (size_t i = 0; i < n; ++i) {
        float s = (float)i / kRate;
        float f = f0 * powf(f1 / f0, s / length);
        if (vibrato > 0)
            f *= 1 + vibrato * sinf(2 * (float)M_PI * 5.5f * s);
        phase += f / kRate;
        float env = (attack > 0 && s < attack ? s / attack : 1.0f) * expf(-s / decay);
        float release = std::min(1.0f, (length - s) / 0.01f);
        t.Add(first + i, Oscillator(wave, phase) * env * release * level, pan);
    }
}

// Noise through a one-pole low-pass whose cut-off moves from c0 to c1 Hz, with the envelope
// of `Tone`; `highpass` keeps what the low-pass takes away instead.
inline void NoiseBurst(Track& t, float start, float length, float c0, float c1, float level,
                       float attack, float decay, uint32_t seed, bool highpass = false,
                       float pan = 0)
{
    Noise noise(seed);
    size_t first = (size_t)(start * kRate), n = (size_t)(length * kRate);
    float low = 0;
    for (size_t i = 0; i < n; ++i) {
        float s = (float)i / kRate;
        float cutoff = c0 * powf(c1 / c0, s / length);
        float k = 1 - expf(-2 * (float)M_PI * cutoff / kRate);
        float x = noise.Next();
        low += k * (x - low);
        float v = highpass ? x - low : low;
        float env = (attack > 0 && s < attack ? s / attack : 1.0f) * expf(-s / decay);
        float release = std::min(1.0f, (length - s) / 0.01f);
        t.Add(first + i, v * env * release * level, pan);
    }
}

// A plucked note: a few harmonics that die away, the upper ones sooner.
inline void Pluck(Track& t, float start, float length, float frequency, float level, float pan = 0)
{
    for (int h = 1; h <= 4; ++h)
        Tone(t, start, length, frequency * h, frequency * h, kSine, level / (h * h * 0.7f + 0.3f),
             0.004f, 0.35f / h, pan);
}

inline void Kick(Track& t, float start, float level)
{
    Tone(t, start, 0.25f, 140, 45, kSine, level, 0.002f, 0.08f);
}

inline void Hat(Track& t, float start, float level, uint32_t seed)
{
    NoiseBurst(t, start, 0.06f, 6000, 6000, level, 0.001f, 0.015f, seed, true, 0.2f);
}

// MIDI note number to Hz.
inline float Note(int midi)
{
    return 440.0f * powf(2.0f, (midi - 69) / 12.0f);
}

// Scales the track to the given peak; a silent track stays silent.
inline void Normalise(Track& t, float peak)
{
    float top = 0;
    for (size_t i = 0; i < t.size(); ++i)
        top = std::max(top, std::max(fabsf(t.left[i]), fabsf(t.right[i])));
    if (top <= 0)
        return;
    for (size_t i = 0; i < t.size(); ++i) {
        t.left[i] *= peak / top;
        t.right[i] *= peak / top;
    }
}

inline bool Write(const Track& t, const std::string& path)
{
    return toolwave::WriteWave(path, t.left, t.right);
}

} // namespace toolsynth
