// The sound engine's set-up: output format choice, period sizes, mute and the gain curve.
#include <gtest/gtest.h>

#include "VortanSound/VortanSoundEngine.h"
#include "tests/sound/SoundTestSupport.h"

namespace {

using stest::EngineTest;

TEST(SoundFormatChoice, PicksTheClosestCandidateFirstOnTies)
{
    const struct {
        u32 channels, rate, bits;
        CVortanSoundFormat expected;
    } cases[] = {
        {2, 44100, 16, {2, 44100, 16, 4}},
        {2, 48000, 16, {2, 44100, 16, 4}},
        {1, 22050, 8, {1, 22050, 8, 1}},
        {1, 44100, 8, {1, 44100, 8, 1}},
        {2, 8000, 16, {2, 11025, 16, 4}},
        {1, 16000, 16, {1, 22050, 16, 2}}, // between 11025 (1.45) and 22050 (1.38)
        {6, 44100, 24, {2, 44100, 16, 4}}, // 3 x 1.5 for stereo 16-bit beats 6 x 1.5 for mono
    };
    for (const auto& c : cases) {
        CVortanSoundFormat wanted, chosen;
        wanted.Set(c.channels, c.rate, c.bits);
        EXPECT_EQ(VORTAN_OK, CVortanSoundEngine::ChooseFormat(wanted, &chosen));
        EXPECT_EQ(c.expected, chosen) << c.channels << " " << c.rate << " " << c.bits;
    }
    CVortanSoundEngine engine;
    CVortanPtrArray formats;
    ASSERT_EQ(VORTAN_OK, engine.EnumFormats(formats));
    EXPECT_EQ(12, formats.GetCount());
    CVortanSoundEngine::FreeFormats(formats);
}

TEST(SoundFormatChoice, NothingFitsAZeroFormat)
{
    CVortanSoundFormat wanted, chosen;
    wanted.Set(0, 44100, 16);
    EXPECT_EQ(VORTAN_E_VERSION, CVortanSoundEngine::ChooseFormat(wanted, &chosen));
    wanted.Set(2, 0, 16);
    EXPECT_EQ(VORTAN_E_VERSION, CVortanSoundEngine::ChooseFormat(wanted, &chosen));
    CVortanSoundEngine engine;
    EXPECT_EQ(VORTAN_E_RANGE, engine.Mix()); // not open
    EXPECT_EQ(VORTAN_E_VERSION,
              engine.Open(nullptr, 44100, 16, 0, 0, VORTAN_SOUNDENGINE_NO_THREAD, 0));
    EXPECT_FALSE(engine.IsDeviceOpen());
}

TEST(SoundEngine, PeriodsFollowTheRateRuleRoundedToSixteenBytes)
{
    stest::SetUpCapture();
    // rate x frame bytes / 24 + 1024, rounded up to 16 bytes (or the requested size).
    const struct {
        u32 rate, bits, channels, request;
        int bytes, frames, mixSamples;
    } cases[] = {
        {44100, 16, 2, 0, 8384, 2096, 4192},
        {22050, 8, 1, 0, 1952, 1952, 3904},
        {44100, 16, 2, 1001, 1008, 252, 504},
        {11025, 16, 1, 0, 1952, 976, 1952}, // mono: two mix samples per output frame
    };
    CVortanSoundEngine engine;
    for (const auto& c : cases) {
        ASSERT_EQ(VORTAN_OK, engine.Open(nullptr, c.rate, c.bits, c.channels, 0,
                                         VORTAN_SOUNDENGINE_NO_THREAD, c.request));
        EXPECT_EQ(c.bytes, engine.GetPeriodBytes()) << c.rate;
        EXPECT_EQ(c.frames, engine.GetPeriodFrames()) << c.rate;
        EXPECT_EQ(c.mixSamples, engine.GetMixSamples()) << c.rate;
    }
    engine.Close();
    EXPECT_FALSE(engine.IsDeviceOpen());
}

TEST_F(EngineTest, MuteKeepsTheVolumeSetting)
{
    engine.SetVolume(-2000);
    engine.SetMute(true);
    EXPECT_EQ(-2000, engine.GetVolume()); // the setting survives a mute
    engine.SetVolume(-3000);              // changed while muted
    EXPECT_EQ(-3000, engine.GetVolume());
    EXPECT_EQ(-2000, engine.GetPrimaryBuffer()->GetVolume());
    engine.SetMute(false);
    EXPECT_EQ(-3000, engine.GetPrimaryBuffer()->GetVolume());
    engine.SetMute(false); // no change
    EXPECT_EQ(-3000, engine.GetVolume());
    engine.SetVolume(500);
    EXPECT_EQ(0, engine.GetVolume());
    engine.SetVolume(-20000);
    EXPECT_EQ(-10000, engine.GetVolume());
}

TEST(SoundGainCurve, HalfTheAmplitudePerThousand)
{
    // floor(32767 / 2^(v / -1000)), worked out independently.
    const int expected[][2] = {{0, 32767},     {-1, 32744},    {-100, 30572}, {-500, 23169},
                               {-1000, 16383}, {-1500, 11584}, {-2000, 8191}, {-3333, 3251},
                               {-6000, 511},   {-9999, 32},    {-10000, 31},  {400, 32767},
                               {-30000, 31}};
    for (const auto& e : expected)
        EXPECT_EQ(e[1], CVortanSoundEngine::VolumeToGain(e[0])) << e[0];
    EXPECT_EQ(31, CVortanSoundEngine::PanToGain(-10000));
    EXPECT_EQ(31, CVortanSoundEngine::PanToGain(10000));
    EXPECT_EQ(16383, CVortanSoundEngine::PanToGain(1000));
}

TEST(SoundEngine, ThreadedEngineWritesWholeSilentPeriods)
{
    stest::SetUpCapture();
    CVortanSoundEngine engine;
    ASSERT_EQ(VORTAN_OK, engine.Open(nullptr, 44100, 16, 2, 0, 0, 0));
    EXPECT_EQ(1, engine.IsRunning());
    EXPECT_EQ(0, engine.Update()); // only without a thread
    // The thread writes periods on its own: wait until the device has taken one.
    const size_t period = (size_t)engine.GetPeriodBytes();
    EXPECT_TRUE(vtest::WaitUntil([&] { return stest::ReadCapture().size() >= period; }));
    engine.Close();
    EXPECT_EQ(0, engine.IsRunning());
    std::string pcm = stest::ReadCapture();
    EXPECT_GT(pcm.size(), 0u);
    EXPECT_EQ(0u, pcm.size() % 8384);
    EXPECT_EQ(std::string::npos, pcm.find_first_not_of('\0'));
}

} // namespace
