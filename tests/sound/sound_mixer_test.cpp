// The mixer, driven one period at a time through Update (no thread): levels, pan, clipping,
// resampling, loops and ends inside a period, master gain, mute, pause, the output formats,
// 3-D placement, notifications and the free-buffer play mode.
#include <gtest/gtest.h>

#include <math.h>

#include <memory>
#include <vector>

#include "VortanSound/VortanSoundEngine.h"
#include "VortanSound/VortanSoundWave.h"
#include "tests/sound/SoundTestSupport.h"

namespace {

const int kFrames = 2096;  // output frames per period at 44100 Hz, 16-bit stereo

// floor(v / 2^15), written out rather than trusting the shift of negative numbers.
int64_t Shift15(int64_t v)
{
    return v >= 0 ? v >> 15 : -((-v + 32767) >> 15);
}

// Output of one full-volume source sample through a full-volume master: both gains are
// (32767 x 32767) >> 15 = 32766.
int Unity(int s)
{
    return static_cast<int>(Shift15(32766 * Shift15(32766LL * s)));
}

class Mixer {
public:
    explicit Mixer(u32 channels = 2, u32 bits = 16, u32 rate = 44100)
    {
        stest::SetUpCapture();
        EXPECT_EQ(1, engine.Open(nullptr, rate, bits, channels, 0, VORTAN_SOUNDENGINE_NO_THREAD, 0));
    }

    // A sound from PCM data, loaded through a RIFF/WAVE image.
    std::unique_ptr<CVortanSoundWave> Sound(u32 channels, u32 rate, u32 bits, const std::string& data,
                                            int duplicates = 0, u32 flags = 0)
    {
        std::unique_ptr<CVortanSoundWave> wave(CVortanSoundWave::CreateInstance());
        std::string image = stest::PcmWave(channels, rate, bits, data);
        EXPECT_EQ(1, wave->LoadFromMemory(&engine, &image[0], static_cast<int>(image.size()), flags, duplicates));
        return wave;
    }

    // One period; the primary buffer's bytes.
    std::string Period()
    {
        EXPECT_EQ(1, engine.Update());
        CVortanSoundBuffer* primary = engine.GetPrimaryBuffer();
        return std::string(reinterpret_cast<const char*>(primary->GetData()), primary->GetSize());
    }
    std::vector<int16_t> Period16() { return stest::ToSamples16(Period()); }

    CVortanSoundEngine engine;
};

std::vector<int> Ramp(int count, int start, int step)
{
    std::vector<int> v;
    for (int i = 0; i < count; ++i)
        v.push_back(start + i * step);
    return v;
}

TEST(SoundMixer, UnityLevelsAndPan)
{
    Mixer mixer;
    auto sound = mixer.Sound(1, 44100, 16, stest::Samples16(std::vector<int>(5 * kFrames, 16384)));
    ASSERT_EQ(1, sound->Play(0));
    std::vector<int16_t> out = mixer.Period16();
    EXPECT_EQ(16382, out[0]);
    EXPECT_EQ(16382, out[1]);

    // Pan -10000: the right side by 2^10 (gain 31), the left untouched; a mono sound too.
    sound->SetPan(-10000);
    out = mixer.Period16();
    EXPECT_EQ(16382, out[0]);
    EXPECT_EQ(14, out[1]);
    sound->SetPan(10000);
    out = mixer.Period16();
    EXPECT_EQ(14, out[0]);
    EXPECT_EQ(16382, out[1]);

    sound->SetPan(0);
    sound->SetVolume(-1000);  // half the amplitude
    out = mixer.Period16();
    EXPECT_EQ(8190, out[0]);
    EXPECT_EQ(8190, out[1]);
}

TEST(SoundMixer, LoudSourcesClipInsteadOfWrapping)
{
    Mixer mixer;
    auto high = mixer.Sound(1, 44100, 16, stest::Samples16(std::vector<int>(kFrames, 30000)), 2);
    auto low = mixer.Sound(2, 44100, 16, stest::Samples16(std::vector<int>(2 * kFrames, -30000)), 2);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(1, high->Play(0, i));
        ASSERT_EQ(1, low->Play(0, i));
    }
    // Three of each nearly cancel: 3 x 29998 - 3 x 29999 (negative products round down).
    std::vector<int16_t> out = mixer.Period16();
    EXPECT_EQ(-3, out[0]);
    for (int i = 0; i < 3; ++i) {
        high->Replay(0, i);
        low->Stop(i);
    }
    out = mixer.Period16();
    for (int i = 0; i < 2 * kFrames; ++i)
        ASSERT_EQ(32767, out[i]) << i;
    for (int i = 0; i < 3; ++i) {
        high->Stop(i);
        low->Replay(0, i);
    }
    out = mixer.Period16();
    for (int i = 0; i < 2 * kFrames; ++i)
        ASSERT_EQ(-32768, out[i]) << i;
}

TEST(SoundMixer, PlayPositionRunsOnWithoutDroppingFrames)
{
    Mixer mixer;
    std::vector<int> ramp = Ramp(4 * kFrames, -20000, 7);
    auto sound = mixer.Sound(1, 44100, 16, stest::Samples16(ramp));
    ASSERT_EQ(1, sound->Play(0));
    std::vector<int16_t> out;
    for (int p = 0; p < 3; ++p) {
        std::vector<int16_t> period = mixer.Period16();
        out.insert(out.end(), period.begin(), period.end());
    }
    for (int i = 0; i < 3 * kFrames; ++i) {
        ASSERT_EQ(Unity(ramp[i]), out[2 * i]) << "frame " << i;
        ASSERT_EQ(Unity(ramp[i]), out[2 * i + 1]) << "frame " << i;
    }
    u32 position = 0;
    sound->GetPosition(&position);
    EXPECT_EQ(3u * kFrames * 2, position);

    // The device received the same periods.
    mixer.engine.Close();
    std::vector<int16_t> captured = stest::ToSamples16(stest::ReadCapture());
    ASSERT_EQ(out.size(), captured.size());
    EXPECT_TRUE(out == captured);
}

TEST(SoundMixer, LoopContinuesFromTheStartInsideThePeriod)
{
    Mixer mixer;
    std::vector<int> ramp = Ramp(100, 1000, 100);
    auto sound = mixer.Sound(1, 44100, 16, stest::Samples16(ramp));
    ASSERT_EQ(1, sound->Play(1));
    std::vector<int16_t> first = mixer.Period16();
    std::vector<int16_t> second = mixer.Period16();
    for (int i = 0; i < kFrames; ++i) {
        ASSERT_EQ(Unity(ramp[i % 100]), first[2 * i]) << i;
        ASSERT_EQ(Unity(ramp[(kFrames + i) % 100]), second[2 * i]) << i;
    }
    EXPECT_EQ(1, sound->IsPlaying());
}

TEST(SoundMixer, EndStopsInsideThePeriod)
{
    Mixer mixer;
    std::vector<int> ramp = Ramp(1000, -5000, 9);
    auto sound = mixer.Sound(1, 44100, 16, stest::Samples16(ramp));
    ASSERT_EQ(1, sound->Play(0));
    std::vector<int16_t> out = mixer.Period16();
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(Unity(ramp[i]), out[2 * i]) << i;
    for (int i = 1000; i < kFrames; ++i)
        ASSERT_EQ(0, out[2 * i]) << i;
    EXPECT_EQ(0, sound->IsPlaying());
    u32 position = 1;
    sound->GetPosition(&position);
    EXPECT_EQ(0u, position);
}

TEST(SoundMixer, ResamplesInEightDotEightSteps)
{
    Mixer mixer;
    std::vector<int> ramp = Ramp(6000, -15000, 5);
    auto sound = mixer.Sound(1, 44100, 16, stest::Samples16(ramp));

    struct Case {
        u32 frequency;
        u32 step;  // (f << 8) / 44100
    } cases[] = {{22050, 128}, {88200, 512}, {33075, 192}, {30000, 174}};
    for (const Case& c : cases) {
        sound->Stop();
        sound->SetFrequency(c.frequency);
        ASSERT_EQ(1, sound->Play(1));
        std::vector<int16_t> first = mixer.Period16();
        std::vector<int16_t> second = mixer.Period16();
        // The second period starts where the first one's steps ended.
        size_t next = (static_cast<size_t>(kFrames) * c.step) >> 8;
        for (size_t i = 0; i < kFrames; ++i) {
            size_t a = (i * c.step) >> 8;
            size_t b = (next + ((i * c.step) >> 8)) % 6000;
            if (next + ((i * c.step) >> 8) >= 6000)
                break;  // the wrap is covered by the loop test
            ASSERT_EQ(Unity(ramp[a]), first[2 * i]) << c.frequency << " frame " << i;
            ASSERT_EQ(Unity(ramp[b]), second[2 * i]) << c.frequency << " frame " << i;
        }
    }
    // The source clamps to 1000..88200; the mixer clamps what a buffer holds.
    sound->SetFrequency(500);
    EXPECT_EQ(1000u, sound->GetFrequency());
    sound->GetBuffer(0)->SetFrequency(200000);
    sound->Stop();
    sound->Play(0);
    std::vector<int16_t> out = mixer.Period16();
    EXPECT_EQ(Unity(ramp[2 * 100]), out[2 * 100]);
}

TEST(SoundMixer, MisalignedPositionStartsAtItsFrame)
{
    Mixer mixer;
    std::vector<int> ramp = Ramp(3000, 100, 10);
    auto sound = mixer.Sound(1, 44100, 16, stest::Samples16(ramp));
    sound->SetPosition(7);  // inside frame 3
    sound->Play(0);
    std::vector<int16_t> out = mixer.Period16();
    EXPECT_EQ(Unity(ramp[3]), out[0]);
    EXPECT_EQ(Unity(ramp[4]), out[2]);
}

TEST(SoundMixer, MasterVolumePanAndMute)
{
    Mixer mixer;
    auto sound = mixer.Sound(1, 44100, 16, stest::Samples16(std::vector<int>(20000, 16384)));
    sound->Play(0);
    mixer.engine.SetVolume(-1000);
    std::vector<int16_t> out = mixer.Period16();
    EXPECT_EQ(8190, out[0]);  // (16382 x 16383) >> 15
    EXPECT_EQ(8190, out[1]);
    mixer.engine.SetVolume(0);
    mixer.engine.SetPan(10000);
    out = mixer.Period16();
    EXPECT_EQ(14, out[0]);  // master left (32767 x 31) >> 15 = 30; (30 x 16383) >> 15
    EXPECT_EQ(16382, out[1]);
    mixer.engine.SetPan(0);

    u32 before = 0;
    sound->GetPosition(&before);
    mixer.engine.SetMute(true);
    out = mixer.Period16();
    EXPECT_EQ(std::vector<int16_t>(2 * kFrames, 0), out);
    u32 after = 0;
    sound->GetPosition(&after);
    EXPECT_EQ(before + 2 * kFrames, after);  // muted sounds keep advancing
    mixer.engine.SetMute(false);
    out = mixer.Period16();
    EXPECT_EQ(16382, out[0]);
}

TEST(SoundMixer, PauseStopsEverySoundAndResumeMixesAgain)
{
    Mixer mixer;
    auto sound = mixer.Sound(1, 44100, 16, stest::Samples16(std::vector<int>(20000, 16384)), 1);
    sound->Play(0, 0);
    sound->Play(0, 1);
    ASSERT_EQ(1, mixer.engine.SetPaused(true));
    EXPECT_EQ(1, mixer.engine.IsPaused());
    EXPECT_EQ(0, sound->IsPlaying(0));
    EXPECT_EQ(0, sound->IsPlaying(1));
    EXPECT_EQ(0, mixer.engine.Update());
    ASSERT_EQ(1, mixer.engine.SetPaused(false));
    EXPECT_TRUE(mixer.engine.IsDeviceOpen());
    EXPECT_FALSE(mixer.engine.HasThread());  // Update drives it still
    sound->Play(0);
    std::vector<int16_t> out = mixer.Period16();
    EXPECT_EQ(16382, out[0]);
}

TEST(SoundMixer, EightBitAndMonoOutputs)
{
    std::string loud = stest::Samples16(std::vector<int>(kFrames, 30000));
    std::string quiet = stest::Samples16(std::vector<int>(kFrames, 16384));
    {
        Mixer mixer(2, 8, 44100);  // gains 32766: ((32766 x 16383) >> 23) + 128 = 191
        auto sound = mixer.Sound(1, 44100, 16, quiet);
        sound->Play(0);
        std::string out = mixer.Period();
        ASSERT_EQ(static_cast<size_t>(mixer.engine.GetPeriodBytes()), out.size());
        EXPECT_EQ(191, static_cast<u8>(out[0]));
        EXPECT_EQ(191, static_cast<u8>(out[1]));
        auto more = mixer.Sound(1, 44100, 16, loud, 2);
        for (int i = 0; i < 3; ++i)
            more->Play(0, i);
        out = mixer.Period();
        EXPECT_EQ(255, static_cast<u8>(out[0]));
        more->Stop(0);
        more->Stop(1);
        more->Stop(2);
        out = mixer.Period();  // silence once nothing plays
        EXPECT_EQ(128, static_cast<u8>(out[0]));
    }
    {
        Mixer mixer(1, 16, 44100);  // (32766 x (16383 + 16383)) >> 16 = 16382
        auto sound = mixer.Sound(1, 44100, 16, quiet);
        sound->Play(0);
        std::vector<int16_t> out = mixer.Period16();
        EXPECT_EQ(16382, out[0]);
        auto more = mixer.Sound(1, 44100, 16, loud, 2);
        for (int i = 0; i < 3; ++i)
            more->Play(0, i);
        out = mixer.Period16();
        EXPECT_EQ(32767, out[0]);  // clamped, not wrapped
    }
    {
        Mixer mixer(1, 8, 44100);  // ((32766 x 32766) >> 24) + 128 = 191
        auto sound = mixer.Sound(1, 44100, 16, quiet);
        sound->Play(0);
        std::string out = mixer.Period();
        EXPECT_EQ(191, static_cast<u8>(out[0]));
        auto more = mixer.Sound(1, 44100, 8, std::string(kFrames, '\x01'), 2);  // 8-bit -127 x 256
        for (int i = 0; i < 3; ++i)
            more->Play(0, i);
        sound->Stop();
        out = mixer.Period();
        EXPECT_EQ(0, static_cast<u8>(out[0]));
        mixer.engine.Close();
        // 44100 / 24 + 1024 = 2861 -> 2864 one-byte frames per period, both in the device.
        std::string captured = stest::ReadCapture();
        ASSERT_EQ(2u * 2864u, captured.size());
        EXPECT_EQ(191, static_cast<u8>(captured[0]));
        EXPECT_EQ(0, static_cast<u8>(captured[2864]));
    }
}

} // namespace
