// makesound: synthesises the platform's sounds as RIFF WAVE files (PCM, 16 bits, stereo,
// 44100 Hz, the sound engine's own format).
//
//   makesound welcome OUT.wav     the welcome chime of the intro ("sl-welcome.wav")
//
// Exit status: 0 success, 1 failure, 2 bad arguments.
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "tools/ToolWave.h"

namespace {

using toolwave::kRate;
using toolwave::WriteWave;

struct Note {
    float start;     // seconds
    float frequency; // Hz
    float pan;       // -1 left .. 1 right
    float level;
};

// A rising four-note chime; each note a bell-like tone (fundamental, two overtones) with a
// short attack and an exponential decay.
void Welcome(std::vector<float>* left, std::vector<float>* right)
{
    const float length = 1.8f;
    const Note notes[] = {
        {0.00f, 523.25f, -0.4f, 0.8f}, // C5
        {0.12f, 659.25f, -0.1f, 0.8f}, // E5
        {0.24f, 783.99f, 0.2f, 0.8f},  // G5
        {0.36f, 1046.50f, 0.4f, 1.0f}, // C6
    };
    size_t n = (size_t)(length * kRate);
    left->assign(n, 0.0f);
    right->assign(n, 0.0f);
    for (const Note& note : notes) {
        float gainL = sqrtf(0.5f * (1.0f - note.pan)), gainR = sqrtf(0.5f * (1.0f + note.pan));
        size_t first = (size_t)(note.start * kRate);
        for (size_t i = first; i < n; ++i) {
            float t = (float)(i - first) / kRate;
            float attack = t < 0.008f ? t / 0.008f : 1.0f;
            float env = attack * expf(-t / 0.45f) * note.level;
            double phase = 2.0 * M_PI * note.frequency * t;
            float v = (float)(sin(phase) + 0.30 * sin(2.0 * phase) * exp(-t / 0.2) +
                              0.12 * sin(3.0 * phase) * exp(-t / 0.1));
            (*left)[i] += v * env * gainL;
            (*right)[i] += v * env * gainR;
        }
    }
    // Fade out over the last 60 ms, then scale to a peak of 0.7.
    size_t fade = (size_t)(0.06f * kRate);
    for (size_t i = n - fade; i < n; ++i) {
        float k = (float)(n - i) / fade;
        (*left)[i] *= k;
        (*right)[i] *= k;
    }
    float peak = 0.0f;
    for (size_t i = 0; i < n; ++i)
        peak = fmaxf(peak, fmaxf(fabsf((*left)[i]), fabsf((*right)[i])));
    float scale = peak > 0.0f ? 0.7f / peak : 1.0f;
    for (size_t i = 0; i < n; ++i) {
        (*left)[i] *= scale;
        (*right)[i] *= scale;
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || strcmp(argv[1], "welcome") != 0) {
        fprintf(stderr, "usage: makesound welcome OUT.wav\n");
        return 2;
    }
    std::vector<float> left, right;
    Welcome(&left, &right);
    if (!WriteWave(argv[2], left, right)) {
        fprintf(stderr, "makesound: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
