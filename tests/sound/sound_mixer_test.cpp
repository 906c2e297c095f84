// The mixer, driven one period at a time through Update (no thread): levels, pan, clipping,
// resampling, loops and ends inside a period, master gain, mute, pause and the output formats.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "VortanSound/VortanSoundEngine.h"
#include "VortanSound/VortanSoundWave.h"
#include "tests/sound/SoundTestSupport.h"

namespace {

using stest::EngineTest;
const int kFrames = 2096; // output frames per period at 44100 Hz, 16-bit stereo

// floor(v / 2^15), written out rather than trusting the shift of negative numbers.
int64_t Shift15(int64_t v)
{
    return v >= 0 ? v >> 15 : -((-v + 32767) >> 15);
}

// One full-volume source sample through a full-volume master: both gains are 32766.
int Unity(int s)
{
    return static_cast<int>(Shift15(32766 * Shift15(32766LL * s)));
}

std::vector<int> Ramp(int count, int start, int step)
{
    std::vector<int> v;
    for (int i = 0; i < count; ++i)
        v.push_back(start + i * step);
    return v;
}

std::unique_ptr<CVortanSoundWave> RampSound(CVortanSoundEngine* e, const std::vector<int>& ramp)
{
    return stest::Load(e, stest::PcmWave(1, 44100, 16, stest::Samples16(ramp)));
}

TEST_F(EngineTest, LevelsPanMasterGainAndMute)
{
    auto sound = stest::Constant(&engine, 20000, 16384);
    ASSERT_EQ(VORTAN_OK, sound->Play(0));
    const struct {
        int volume, pan, masterVolume, masterPan, left, right;
    } steps[] = {
        {0, 0, 0, 0, 16382, 16382},
        {0, -10000, 0, 0, 16382, 14}, // the right side by 2^10 (gain 31); a mono sound too
        {0, 10000, 0, 0, 14, 16382},
        {-1000, 0, 0, 0, 8190, 8190}, // half the amplitude
        {0, 0, -1000, 0, 8190, 8190}, // (16382 x 16383) >> 15
        {0, 0, 0, 10000, 14, 16382},  // master left (32767 x 31) >> 15 = 30; (30 x 16383) >> 15
    };
    for (const auto& s : steps) {
        sound->SetVolume(s.volume);
        sound->SetPan(s.pan);
        engine.SetVolume(s.masterVolume);
        engine.SetPan(s.masterPan);
        std::vector<int16_t> out = stest::Period16(engine);
        EXPECT_EQ(s.left, out[0]) << s.volume << " " << s.pan << " " << s.masterVolume << " "
                                  << s.masterPan;
        EXPECT_EQ(s.right, out[1])
            << s.volume << " " << s.pan << " " << s.masterVolume << " " << s.masterPan;
    }
    engine.SetPan(0);
    u32 before = 0, after = 0;
    sound->GetPosition(&before);
    engine.SetMute(true);
    EXPECT_EQ(std::vector<int16_t>(2 * kFrames, 0), stest::Period16(engine));
    sound->GetPosition(&after);
    EXPECT_EQ(before + 2 * kFrames, after); // muted sounds keep advancing
    engine.SetMute(false);
    EXPECT_EQ(16382, stest::Period16(engine)[0]);
}

TEST_F(EngineTest, LoudSourcesClipInsteadOfWrapping)
{
    auto high = stest::Constant(&engine, kFrames, 30000, 2);
    std::string loud = stest::Samples16(std::vector<int>(2 * kFrames, -30000));
    auto low = stest::Load(&engine, stest::PcmWave(2, 44100, 16, loud), 0, 2);
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(VORTAN_OK, high->Play(0, i));
        ASSERT_EQ(VORTAN_OK, low->Play(0, i));
    }
    // Three of each nearly cancel: 3 x 29998 - 3 x 29999 (negative products round down).
    EXPECT_EQ(-3, stest::Period16(engine)[0]);
    for (int i = 0; i < 3; ++i)
        high->Replay(0, i), low->Stop(i);
    EXPECT_EQ(std::vector<int16_t>(2 * kFrames, 32767), stest::Period16(engine));
    for (int i = 0; i < 3; ++i)
        high->Stop(i), low->Replay(0, i);
    EXPECT_EQ(std::vector<int16_t>(2 * kFrames, -32768), stest::Period16(engine));
}

TEST_F(EngineTest, PlayPositionRunsOnWithoutDroppingFrames)
{
    std::vector<int> ramp = Ramp(4 * kFrames, -20000, 7);
    auto sound = RampSound(&engine, ramp);
    ASSERT_EQ(VORTAN_OK, sound->Play(0));
    std::vector<int16_t> out;
    for (int p = 0; p < 3; ++p) {
        std::vector<int16_t> period = stest::Period16(engine);
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
    engine.Close();
    EXPECT_TRUE(out == stest::ToSamples16(stest::ReadCapture()));
}

TEST_F(EngineTest, EverySourceFrameSoundsAcrossPeriodBoundaries)
{
    // At the output rate every source frame sounds once, at twice the rate every second one:
    // the next period starts right after the last frame the previous one used.
    std::vector<int> ramp = Ramp(8 * kFrames + 16, -25000, 1);
    auto sound = RampSound(&engine, ramp);
    for (int every : {1, 2}) {
        sound->Stop();
        sound->SetFrequency(44100u * every);
        ASSERT_EQ(VORTAN_OK, sound->Play(0));
        std::vector<int16_t> out;
        for (int p = 0; p < 4; ++p) {
            std::vector<int16_t> period = stest::Period16(engine);
            out.insert(out.end(), period.begin(), period.end());
        }
        for (int i = 0; i < 4 * kFrames; ++i)
            ASSERT_EQ(Unity(ramp[every * i]), out[2 * i]) << every << " frame " << i;
        u32 position = 0;
        sound->GetPosition(&position);
        EXPECT_EQ(static_cast<u32>(every * 4 * kFrames * 2), position) << every;
    }
}

TEST_F(EngineTest, LoopWrapsAndEndStopsInsideThePeriod)
{
    std::vector<int> ramp = Ramp(100, 1000, 100);
    auto loop = RampSound(&engine, ramp);
    ASSERT_EQ(VORTAN_OK, loop->Play(1));
    std::vector<int16_t> first = stest::Period16(engine);
    std::vector<int16_t> second = stest::Period16(engine);
    for (int i = 0; i < kFrames; ++i) {
        ASSERT_EQ(Unity(ramp[i % 100]), first[2 * i]) << i;
        ASSERT_EQ(Unity(ramp[(kFrames + i) % 100]), second[2 * i]) << i;
    }
    EXPECT_EQ(1, loop->IsPlaying());
    loop->Stop();

    std::vector<int> once = Ramp(1000, -5000, 9);
    auto sound = RampSound(&engine, once);
    ASSERT_EQ(VORTAN_OK, sound->Play(0));
    std::vector<int16_t> out = stest::Period16(engine);
    for (int i = 0; i < kFrames; ++i)
        ASSERT_EQ(i < 1000 ? Unity(once[i]) : 0, out[2 * i]) << i;
    EXPECT_EQ(0, sound->IsPlaying());
    u32 position = 1;
    sound->GetPosition(&position);
    EXPECT_EQ(0u, position);
}

TEST_F(EngineTest, ResamplesInEightDotEightSteps)
{
    std::vector<int> ramp = Ramp(6000, -15000, 5);
    auto sound = RampSound(&engine, ramp);
    // step = (f << 8) / 44100
    const u32 cases[][2] = {{22050, 128}, {88200, 512}, {33075, 192}, {30000, 174}};
    for (const auto& c : cases) {
        sound->Stop();
        sound->SetFrequency(c[0]);
        ASSERT_EQ(VORTAN_OK, sound->Play(1));
        std::vector<int16_t> first = stest::Period16(engine);
        std::vector<int16_t> second = stest::Period16(engine);
        // The second period starts where the first one's steps ended.
        size_t next = (static_cast<size_t>(kFrames) * c[1]) >> 8;
        for (size_t i = 0; i < kFrames && next + ((i * c[1]) >> 8) < 6000; ++i) {
            ASSERT_EQ(Unity(ramp[(i * c[1]) >> 8]), first[2 * i]) << c[0] << " frame " << i;
            ASSERT_EQ(Unity(ramp[next + ((i * c[1]) >> 8)]), second[2 * i])
                << c[0] << " frame " << i;
        }
    }
    // The source clamps to 1000..88200; the mixer clamps what a buffer holds.
    sound->SetFrequency(500);
    EXPECT_EQ(1000u, sound->GetFrequency());
    sound->GetBuffer(0)->SetFrequency(200000);
    sound->Stop();
    sound->Play(0);
    EXPECT_EQ(Unity(ramp[2 * 100]), stest::Period16(engine)[2 * 100]);
}

TEST_F(EngineTest, MisalignedPositionStartsAtItsFrame)
{
    std::vector<int> ramp = Ramp(3000, 100, 10);
    auto sound = RampSound(&engine, ramp);
    sound->SetPosition(7); // inside frame 3
    sound->Play(0);
    std::vector<int16_t> out = stest::Period16(engine);
    EXPECT_EQ(Unity(ramp[3]), out[0]);
    EXPECT_EQ(Unity(ramp[4]), out[2]);
}

TEST_F(EngineTest, PauseStopsEverySoundAndResumeMixesAgain)
{
    auto sound = stest::Constant(&engine, 20000, 16384, 1);
    sound->Play(0, 0);
    sound->Play(0, 1);
    ASSERT_EQ(VORTAN_OK, engine.SetPaused(true));
    EXPECT_EQ(0, sound->IsPlaying(0));
    EXPECT_EQ(0, sound->IsPlaying(1));
    EXPECT_EQ(0, engine.Update());
    ASSERT_EQ(VORTAN_OK, engine.SetPaused(false));
    EXPECT_TRUE(engine.IsDeviceOpen());
    sound->Play(0);
    EXPECT_EQ(16382, stest::Period16(engine)[0]);
}

TEST(SoundMixer, EightBitAndMonoOutputsClampToo)
{
    stest::SetUpCapture();
    const struct {
        u32 channels, bits;
        int quiet, loud; // first output sample of one quiet source, then of three loud ones
    } cases[] = {
        {2, 8, 191, 255},      // ((32766 x 16383) >> 23) + 128
        {1, 16, 16382, 32767}, // (32766 x (16383 + 16383)) >> 16; clamped, not wrapped
        {1, 8, 191, 0},        // ((32766 x 32766) >> 24) + 128; three 8-bit -127 x 256
    };
    for (const auto& c : cases) {
        CVortanSoundEngine engine;
        ASSERT_EQ(
            1, engine.Open(nullptr, 44100, c.bits, c.channels, 0, VORTAN_SOUNDENGINE_NO_THREAD, 0));
        auto read = [&] {
            EXPECT_EQ(VORTAN_OK, engine.Update());
            std::string out = stest::Bytes(engine.GetPrimaryBuffer());
            return c.bits == 8 ? static_cast<u8>(out[0]) : stest::ToSamples16(out)[0];
        };
        auto sound = stest::Constant(&engine, kFrames, 16384);
        sound->Play(0);
        EXPECT_EQ(c.quiet, read()) << c.channels << " " << c.bits;
        const bool eight = c.channels == 1 && c.bits == 8;
        std::string loud = eight ? std::string(kFrames, '\x01')
                                 : stest::Samples16(std::vector<int>(kFrames, 30000));
        auto more = stest::Load(&engine, stest::PcmWave(1, 44100, eight ? 8 : 16, loud), 0, 2);
        for (int i = 0; i < 3; ++i)
            more->Play(0, i);
        sound->Stop();
        EXPECT_EQ(c.loud, read()) << c.channels << " " << c.bits;
        if (c.bits == 8 && c.channels == 2) {
            for (int i = 0; i < 3; ++i)
                more->Stop(i);
            EXPECT_EQ(128, read()); // silence once nothing plays
        }
        if (eight) {
            engine.Close();
            // 44100 / 24 + 1024 = 2861 -> 2864 one-byte frames per period, both in the device.
            std::string captured = stest::ReadCapture();
            ASSERT_EQ(2u * 2864u, captured.size());
            EXPECT_EQ(191, static_cast<u8>(captured[0]));
            EXPECT_EQ(0, static_cast<u8>(captured[2864]));
        }
    }
}

} // namespace
