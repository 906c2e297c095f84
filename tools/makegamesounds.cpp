// makegamesounds: synthesises the game's sounds and tunes as RIFF WAVE files (PCM, 16 bits,
// stereo, 44100 Hz).
//
//   makegamesounds effects OUTDIR      the 24 sounds of the asset tables, under their names;
//                                      "ambient_loop_00.wav" joins its end to its start
//   makegamesounds tune theme OUT.wav  the menu tune (loops: eight bars)
//   makegamesounds tune intro OUT.wav  the story intro's tune (loops: eight slower bars)
//
// The build encodes the tunes as MP3 with lame. Exit status: 0 success, 1 failure, 2 bad
// arguments.
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "tools/ToolSynth.h"

namespace {

using namespace toolsynth;

// The loop: surf and wind as noise through low-pass filters run round the loop twice, so
// that the filter state at the start is the state at the end; its swells repeat a whole
// number of times in the loop's eight seconds.
Track SeaLoop()
{
    const float seconds = 8.0f;
    Track t(seconds);
    size_t n = t.size();
    for (int channel = 0; channel < 2; ++channel) {
        std::vector<float>& out = channel ? t.right : t.left;
        Noise noise(101 + channel);
        std::vector<float> white(n);
        for (float& v : white)
            v = noise.Next();
        float k1 = 1 - expf(-2 * (float)M_PI * 500 / kRate);
        float k2 = 1 - expf(-2 * (float)M_PI * 140 / kRate);
        float a = 0, b = 0;
        for (int pass = 0; pass < 2; ++pass) {
            for (size_t i = 0; i < n; ++i) {
                a += k1 * (white[i] - a);
                b += k2 * (a - b);
                if (pass == 1) {
                    double phase = 2 * M_PI * i / n;
                    float swell = 0.6f + 0.25f * (float)sin(2 * phase + channel) +
                                  0.15f * (float)sin(3 * phase + 1.0);
                    out[i] = (b * 2.5f + (a - b) * 0.25f) * swell;
                }
            }
        }
    }
    Normalise(t, 0.5f);
    return t;
}

// A seagull: three falling cries.
Track Gull()
{
    Track t(1.4f);
    for (int i = 0; i < 3; ++i) {
        float s = i * 0.38f;
        Tone(t, s, 0.3f, 2100, 1300, kTriangle, 0.6f, 0.03f, 0.25f, 0.3f, 0.02f);
        Tone(t, s, 0.3f, 4200, 2600, kSine, 0.15f, 0.03f, 0.2f, 0.3f);
    }
    return t;
}

Track Chirps()
{
    Track t(1.0f);
    for (int i = 0; i < 5; ++i)
        Tone(t, i * 0.16f + (i % 2) * 0.03f, 0.08f, 3200, 4600, kSine, 0.5f, 0.005f, 0.05f, -0.4f);
    return t;
}

Track Bell()
{
    Track t(3.2f);
    const float partials[] = {1.0f, 2.0f, 2.76f, 5.4f};
    for (int strike = 0; strike < 2; ++strike)
        for (int p = 0; p < 4; ++p)
            Tone(t, strike * 1.1f, 2.0f, 520 * partials[p], 520 * partials[p], kSine,
                 0.5f / (p + 1), 0.002f, 0.9f / (p + 1), -0.3f);
    return t;
}

bool Effects(const std::string& dir)
{
    bool ok = true;
    auto save = [&](Track t, const char* name, float peak = 0.8f) {
        Normalise(t, peak);
        ok = ok && Write(t, dir + "/" + name);
    };
    {
        Track t(0.07f);
        Tone(t, 0, 0.07f, 900, 700, kSine, 1, 0.001f, 0.02f);
        NoiseBurst(t, 0, 0.02f, 3000, 3000, 0.4f, 0.0005f, 0.005f, 1);
        save(t, "buttondown.wav", 0.6f);
    }
    {
        Track t(0.07f);
        Tone(t, 0, 0.07f, 1300, 1600, kSine, 1, 0.001f, 0.02f);
        save(t, "buttonup.wav", 0.6f);
    }
    {
        Track t(0.4f);
        NoiseBurst(t, 0, 0.35f, 4000, 300, 1, 0.005f, 0.1f, 2);
        Tone(t, 0, 0.3f, 160, 60, kSine, 0.8f, 0.003f, 0.08f);
        save(t, "ammunta01.wav");
    }
    {
        Track t(0.18f);
        Tone(t, 0, 0.18f, 420, 260, kSine, 1, 0.002f, 0.05f);
        save(t, "ammus_pomppu01.wav", 0.7f);
    }
    {
        Track t(0.5f);
        NoiseBurst(t, 0, 0.45f, 2500, 500, 1, 0.01f, 0.12f, 3);
        for (int i = 0; i < 4; ++i)
            Tone(t, 0.08f + i * 0.07f, 0.06f, 500 + 150 * i, 900 + 150 * i, kSine, 0.3f, 0.002f,
                 0.03f);
        save(t, "ammus_veteen01.wav", 0.7f);
    }
    {
        Track t(1.5f);
        NoiseBurst(t, 0, 1.5f, 3000, 150, 1, 0.004f, 0.35f, 4);
        Tone(t, 0, 1.2f, 70, 35, kSine, 0.9f, 0.005f, 0.3f);
        save(t, "explosio01.wav", 0.9f);
    }
    {
        Track t(0.32f);
        Tone(t, 0, 0.32f, 280, 900, kSine, 1, 0.005f, 0.2f);
        Tone(t, 0, 0.32f, 560, 1800, kSine, 0.2f, 0.005f, 0.1f);
        save(t, "hyppy01.wav", 0.7f);
    }
    {
        Track t(0.3f);
        Tone(t, 0, 0.3f, 200, 110, kSine, 1, 0.003f, 0.1f, 0, 0.08f);
        save(t, "pelaaja_pomppu01.wav", 0.7f);
    }
    {
        Track t(1.0f);
        NoiseBurst(t, 0, 0.95f, 1800, 250, 1, 0.02f, 0.3f, 5);
        for (int i = 0; i < 7; ++i)
            Tone(t, 0.15f + i * 0.09f, 0.07f, 350 + 60 * (i % 3), 700 + 60 * (i % 3), kSine, 0.25f,
                 0.002f, 0.03f, (i % 2) ? 0.3f : -0.3f);
        save(t, "pelaaja_veteen01.wav");
    }
    {
        Track t(0.45f);
        Tone(t, 0, 0.45f, 140, 320, kSaw, 0.6f, 0.05f, 1.0f, 0, 0.04f);
        save(t, "venytys01.wav", 0.5f);
    }
    {
        Track t(0.35f);
        NoiseBurst(t, 0, 0.25f, 800, 6000, 0.8f, 0.15f, 1.0f, 6, true);
        NoiseBurst(t, 0.24f, 0.1f, 8000, 8000, 1, 0.0005f, 0.02f, 7, true);
        save(t, "squibwhip.wav");
    }
    {
        Track t(1.1f);
        const int notes[] = {60, 64, 67, 72};
        for (int i = 0; i < 4; ++i)
            Tone(t, i * 0.14f, 1.1f - i * 0.14f, Note(notes[i]), Note(notes[i]), kSquare, 0.4f,
                 0.005f, i == 3 ? 0.4f : 0.12f);
        save(t, "startgame.wav", 0.7f);
    }
    {
        Track t(1.8f);
        const int notes[] = {60, 64, 67, 72, 67, 72};
        const float at[] = {0, 0.12f, 0.24f, 0.36f, 0.6f, 0.72f};
        for (int i = 0; i < 6; ++i)
            Pluck(t, at[i], 1.8f - at[i], Note(notes[i]), 0.5f);
        for (int n : {72, 76, 79})
            Tone(t, 0.72f, 1.08f, Note(n), Note(n), kTriangle, 0.25f, 0.02f, 0.6f);
        save(t, "wingame.wav", 0.75f);
    }
    {
        Track t(1.6f);
        const int notes[] = {67, 66, 65, 64};
        for (int i = 0; i < 4; ++i)
            Tone(t, i * 0.3f, i == 3 ? 0.7f : 0.3f, Note(notes[i]),
                 Note(notes[i]) * (i == 3 ? 0.97f : 1), kSaw, 0.5f, 0.02f, i == 3 ? 0.6f : 0.5f, 0,
                 i == 3 ? 0.02f : 0);
        save(t, "losegame.wav", 0.6f);
    }
    {
        Track t(1.0f);
        Pluck(t, 0, 0.5f, Note(67), 0.6f);
        Pluck(t, 0.35f, 0.65f, Note(67), 0.6f);
        save(t, "tiegame.wav", 0.6f);
    }
    {
        Track t(0.16f);
        Tone(t, 0, 0.16f, 880, 880, kSine, 1, 0.003f, 0.5f);
        Tone(t, 0, 0.16f, 1760, 1760, kSine, 0.3f, 0.003f, 0.5f);
        save(t, "timeralert.wav", 0.7f);
    }
    {
        Track t(0.7f);
        Tone(t, 0, 0.3f, 220, 220, kSquare, 1, 0.005f, 2);
        Tone(t, 0.35f, 0.35f, 196, 196, kSquare, 1, 0.005f, 2);
        save(t, "timerend.wav", 0.6f);
    }
    save(Gull(), "ambient_common_00.wav", 0.5f);
    {
        Track t(2.6f);
        NoiseBurst(t, 0, 2.6f, 700, 1500, 1, 1.2f, 1.0f, 8, false, -0.2f);
        save(t, "ambient_common_01.wav", 0.45f);
    }
    save(Chirps(), "ambient_common_02.wav", 0.4f);
    {
        Track t(3.0f);
        Tone(t, 0, 3.0f, 92, 90, kSaw, 1, 0.3f, 3.0f);
        Tone(t, 0, 3.0f, 184, 180, kSine, 0.4f, 0.3f, 3.0f);
        save(t, "ambient_rare_00.wav", 0.5f);
    }
    save(Bell(), "ambient_rare_01.wav", 0.45f);
    {
        Track t(3.5f);
        NoiseBurst(t, 0, 3.5f, 260, 90, 1, 0.25f, 1.2f, 9);
        NoiseBurst(t, 0.4f, 2.5f, 180, 80, 0.8f, 0.1f, 0.8f, 10, false, 0.3f);
        save(t, "ambient_rare_02.wav", 0.6f);
    }
    ok = ok && Write(SeaLoop(), dir + "/ambient_loop_00.wav");
    return ok;
}

// A tune of eight bars over the chords `chords` (root notes, major or minor by `minor`),
// melody notes per eighth (0: rest), with bass, pad, pluck melody and drums.
Track Tune(float bpm, const int* chords, const bool* minor, const int* melody, bool drums)
{
    float beat = 60.0f / bpm;
    Track t(32 * beat);
    for (int bar = 0; bar < 8; ++bar) {
        float at = bar * 4 * beat;
        int root = chords[bar];
        int third = root + (minor[bar] ? 3 : 4);
        for (int b = 0; b < 4; ++b) {
            Pluck(t, at + b * beat, beat, Note(root - 12 + (b % 2 ? 7 : 0)), 0.5f, -0.1f);
            if (drums) {
                if (b % 2 == 0)
                    Kick(t, at + b * beat, 0.7f);
                Hat(t, at + b * beat + beat / 2, 0.12f, bar * 4 + b);
            }
        }
        for (int n : {root + 12, third + 12, root + 19})
            Tone(t, at, 4 * beat, Note(n), Note(n), kTriangle, 0.07f, 0.3f, 6.0f, 0.2f);
        for (int e = 0; e < 8; ++e) {
            int m = melody[bar * 8 + e];
            if (m)
                Pluck(t, at + e * beat / 2, beat * 0.9f, Note(m), 0.35f, 0.15f);
        }
    }
    Normalise(t, 0.8f);
    return t;
}

Track Theme()
{
    const int chords[8] = {60, 57, 65, 67, 60, 57, 65, 67};
    const bool minor[8] = {false, true, false, false, false, true, false, false};
    const int melody[64] = {
        72, 0,  76, 0,  79, 76, 74, 72, 69, 0, 72, 0, 76, 0, 74, 0, //
        77, 0,  76, 74, 72, 0,  69, 0,  71, 0, 74, 0, 79, 0, 0,  0, //
        72, 0,  76, 0,  79, 81, 79, 76, 81, 0, 79, 0, 76, 0, 72, 0, //
        77, 76, 74, 72, 69, 0,  72, 0,  74, 0, 71, 0, 67, 0, 0,  0, //
    };
    return Tune(120, chords, minor, melody, true);
}

Track Intro()
{
    const int chords[8] = {57, 53, 60, 55, 57, 53, 52, 52};
    const bool minor[8] = {true, false, false, false, true, false, false, false};
    const int melody[64] = {
        69, 0, 0,  72, 76, 0, 0, 0, 77, 0, 76, 0, 72, 0, 0, 0, //
        72, 0, 0,  76, 79, 0, 0, 0, 74, 0, 0,  0, 71, 0, 0, 0, //
        69, 0, 0,  72, 76, 0, 0, 0, 77, 0, 81, 0, 77, 0, 0, 0, //
        76, 0, 72, 0,  71, 0, 0, 0, 68, 0, 0,  0, 64, 0, 0, 0, //
    };
    return Tune(84, chords, minor, melody, false);
}

int Usage()
{
    fprintf(stderr, "usage:\n"
                    "  makegamesounds effects OUTDIR\n"
                    "  makegamesounds tune theme|intro OUT.wav\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    bool ok;
    if (argc == 3 && strcmp(argv[1], "effects") == 0) {
        ok = Effects(argv[2]);
    } else if (argc == 4 && strcmp(argv[1], "tune") == 0) {
        if (strcmp(argv[2], "theme") == 0)
            ok = Write(Theme(), argv[3]);
        else if (strcmp(argv[2], "intro") == 0)
            ok = Write(Intro(), argv[3]);
        else
            return Usage();
    } else {
        return Usage();
    }
    if (!ok) {
        fprintf(stderr, "makegamesounds: cannot write the sounds\n");
        return 1;
    }
    return 0;
}
