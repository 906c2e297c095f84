// The sound engine's set-up: output format choice, period sizes, the device, the lists,
// the master volume with mute, and the gain curve.
#include <gtest/gtest.h>

#include "VortanSound/VortanSoundEngine.h"
#include "engine/VortanString.h"
#include "tests/sound/SoundTestSupport.h"

namespace {

CVortanSoundFormat Pick(u32 channels, u32 rate, u32 bits)
{
    CVortanSoundFormat wanted;
    wanted.Set(channels, rate, bits);
    CVortanSoundFormat chosen;
    EXPECT_EQ(1, CVortanSoundEngine::ChooseFormat(wanted, &chosen));
    return chosen;
}

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override { stest::SetUpCapture(); }
};

TEST(SoundFormatChoice, PicksTheClosestCandidateFirstOnTies)
{
    EXPECT_EQ(CVortanSoundFormat(2, 44100, 16, 4), Pick(2, 44100, 16));
    EXPECT_EQ(CVortanSoundFormat(2, 44100, 16, 4), Pick(2, 48000, 16));
    EXPECT_EQ(CVortanSoundFormat(1, 22050, 8, 1), Pick(1, 22050, 8));
    EXPECT_EQ(CVortanSoundFormat(1, 44100, 8, 1), Pick(1, 44100, 8));
    EXPECT_EQ(CVortanSoundFormat(2, 11025, 16, 4), Pick(2, 8000, 16));
    // 16 kHz lies between 11025 (1.45) and 22050 (1.38).
    EXPECT_EQ(CVortanSoundFormat(1, 22050, 16, 2), Pick(1, 16000, 16));
    // Six channels of 24 bits: 3 x 1.5 for stereo 16-bit beats 6 x 1.5 for mono.
    EXPECT_EQ(CVortanSoundFormat(2, 44100, 16, 4), Pick(6, 44100, 24));
}

TEST(SoundFormatChoice, NothingFitsAZeroFormat)
{
    CVortanSoundFormat wanted;
    wanted.Set(0, 44100, 16);
    CVortanSoundFormat chosen;
    EXPECT_EQ(11, CVortanSoundEngine::ChooseFormat(wanted, &chosen));
    wanted.Set(2, 0, 16);
    EXPECT_EQ(11, CVortanSoundEngine::ChooseFormat(wanted, &chosen));
    CVortanSoundEngine engine;
    EXPECT_EQ(11, engine.Open(nullptr, 44100, 16, 0, 0, VORTAN_SOUNDENGINE_NO_THREAD, 0));
    EXPECT_FALSE(engine.IsDeviceOpen());
}

TEST(SoundFormatChoice, EnumeratesTwelveFormatsAndOneDevice)
{
    CVortanSoundEngine engine;
    CVortanPtrArray formats;
    ASSERT_EQ(1, engine.EnumFormats(formats));
    ASSERT_EQ(12, formats.GetCount());
    EXPECT_EQ(CVortanSoundFormat(2, 44100, 16, 4), *static_cast<CVortanSoundFormat*>(formats.GetAt(0)));
    EXPECT_EQ(CVortanSoundFormat(1, 11025, 8, 1), *static_cast<CVortanSoundFormat*>(formats.GetAt(11)));
    CVortanSoundEngine::FreeFormats(formats);
    EXPECT_EQ(0, formats.GetCount());

    CVortanPtrArray devices;
    ASSERT_EQ(1, engine.EnumDevices(devices));
    ASSERT_EQ(1, devices.GetCount());
    EXPECT_TRUE(*static_cast<CVortanString*>(devices.GetAt(0)) == CVortanString("ALSA VortanSound device for Linux"));
    CVortanSoundEngine::FreeDevices(devices);
}

TEST_F(EngineTest, DefaultPeriodAtCdQuality)
{
    CVortanSoundEngine engine;
    int owner = 0;
    ASSERT_EQ(1, engine.Open(&owner, 44100, 16, 2, 0, VORTAN_SOUNDENGINE_NO_THREAD, 0));
    EXPECT_EQ(&owner, engine.GetOwner());
    EXPECT_EQ(8384, engine.GetPeriodBytes());
    EXPECT_EQ(2096, engine.GetPeriodFrames());
    EXPECT_EQ(4192, engine.GetMixSamples());
    EXPECT_EQ(12576u, engine.GetDeviceBufferFrames());
    EXPECT_EQ(8384u, engine.GetPrimaryBuffer()->GetSize());
    // The primary buffer is not among the buffers that are mixed.
    EXPECT_EQ(0, engine.GetBufferCount());
    EXPECT_FALSE(engine.HasThread());
    engine.Close();
    EXPECT_EQ(nullptr, engine.GetOwner());
    EXPECT_FALSE(engine.IsDeviceOpen());
}

TEST_F(EngineTest, PeriodsRoundUpToSixteenBytes)
{
    CVortanSoundEngine engine;
    // 22050 Hz mono 8-bit: 22050 / 24 + 1024 = 1942 -> 1952 bytes, one byte per frame.
    ASSERT_EQ(1, engine.Open(nullptr, 22050, 8, 1, 0, VORTAN_SOUNDENGINE_NO_THREAD, 0));
    EXPECT_EQ(1952, engine.GetPeriodBytes());
    EXPECT_EQ(1952, engine.GetPeriodFrames());
    EXPECT_EQ(3904, engine.GetMixSamples());
    ASSERT_EQ(1, engine.Open(nullptr, 44100, 16, 2, 0, VORTAN_SOUNDENGINE_NO_THREAD, 1001));
    EXPECT_EQ(1008, engine.GetPeriodBytes());
    EXPECT_EQ(252, engine.GetPeriodFrames());
    // Mono 16-bit: two mix samples per output frame all the same.
    ASSERT_EQ(1, engine.Open(nullptr, 11025, 16, 1, 0, VORTAN_SOUNDENGINE_NO_THREAD, 0));
    EXPECT_EQ(1952, engine.GetPeriodBytes());  // 11025 x 2 / 24 + 1024 = 1942
    EXPECT_EQ(engine.GetPeriodBytes(), engine.GetMixSamples());
}

TEST_F(EngineTest, MixWithoutOpeningIsRefused)
{
    CVortanSoundEngine engine;
    EXPECT_EQ(3, engine.Mix());
    EXPECT_EQ(0, engine.Update());
}

TEST_F(EngineTest, BufferAndHandlerRegistration)
{
    CVortanSoundEngine engine;
    ASSERT_EQ(1, engine.Open(nullptr, 44100, 16, 2, 0, VORTAN_SOUNDENGINE_NO_THREAD, 0));
    CVortanSoundBuffer buffer;
    EXPECT_EQ(2, engine.AddBuffer(nullptr));
    EXPECT_EQ(1, engine.AddBuffer(&buffer));
    EXPECT_EQ(0, engine.AddBuffer(&buffer));
    EXPECT_EQ(1, engine.GetBufferCount());
    EXPECT_EQ(1, engine.RemoveBuffer(&buffer));
    EXPECT_EQ(8, engine.RemoveBuffer(&buffer));
    EXPECT_EQ(2, engine.RemoveBuffer(nullptr));
    EXPECT_EQ(1, engine.AddNotifyHandler(&buffer));
    EXPECT_EQ(1, engine.RemoveNotifyHandler(&buffer));
    EXPECT_EQ(8, engine.RemoveNotifyHandler(&buffer));
    EXPECT_EQ(1u, engine.NextNotifyId());
    EXPECT_EQ(2u, engine.NextNotifyId());
}

TEST_F(EngineTest, MuteKeepsTheVolumeSetting)
{
    CVortanSoundEngine engine;
    ASSERT_EQ(1, engine.Open(nullptr, 44100, 16, 2, 0, VORTAN_SOUNDENGINE_NO_THREAD, 0));
    engine.SetVolume(-2000);
    EXPECT_EQ(-2000, engine.GetVolume());
    engine.SetMute(true);
    EXPECT_EQ(-2000, engine.GetVolume());  // the setting survives a mute
    engine.SetVolume(-3000);                // changed while muted
    EXPECT_EQ(-3000, engine.GetVolume());
    EXPECT_EQ(-2000, engine.GetPrimaryBuffer()->GetVolume());
    engine.SetMute(false);
    EXPECT_EQ(-3000, engine.GetVolume());
    EXPECT_EQ(-3000, engine.GetPrimaryBuffer()->GetVolume());
    engine.SetMute(false);  // no change
    EXPECT_EQ(-3000, engine.GetVolume());

    engine.SetVolume(500);
    EXPECT_EQ(0, engine.GetVolume());
    engine.SetVolume(-20000);
    EXPECT_EQ(-10000, engine.GetVolume());
    engine.SetPan(-12000);
    EXPECT_EQ(-10000, engine.GetPan());
    engine.SetPan(300);
    EXPECT_EQ(300, engine.GetPan());
}

TEST(SoundGainCurve, HalfTheAmplitudePerThousand)
{
    // floor(32767 / 2^(v / -1000)), worked out independently.
    const int expected[][2] = {{0, 32767},     {-1, 32744},    {-100, 30572}, {-500, 23169},
                               {-1000, 16383}, {-1500, 11584}, {-2000, 8191}, {-3333, 3251},
                               {-6000, 511},   {-9999, 32},    {-10000, 31}};
    for (const auto& e : expected)
        EXPECT_EQ(e[1], CVortanSoundEngine::VolumeToGain(e[0])) << e[0];
    EXPECT_EQ(32767, CVortanSoundEngine::VolumeToGain(400));
    EXPECT_EQ(31, CVortanSoundEngine::VolumeToGain(-30000));
    EXPECT_EQ(31, CVortanSoundEngine::PanToGain(-10000));
    EXPECT_EQ(31, CVortanSoundEngine::PanToGain(10000));
    EXPECT_EQ(16383, CVortanSoundEngine::PanToGain(1000));
}

TEST_F(EngineTest, ThreadedEngineStartsAndStops)
{
    CVortanSoundEngine engine;
    ASSERT_EQ(1, engine.Open(nullptr, 44100, 16, 2, 0, 0, 0));
    EXPECT_TRUE(engine.HasThread());
    EXPECT_EQ(1, engine.IsRunning());
    EXPECT_EQ(0, engine.Update());  // only without a thread
    VortanSleep(30);
    engine.Close();
    EXPECT_EQ(0, engine.IsRunning());
    // The thread wrote whole silent periods into the device.
    std::string pcm = stest::ReadCapture();
    EXPECT_GT(pcm.size(), 0u);
    EXPECT_EQ(0u, pcm.size() % 8384);
    EXPECT_EQ(std::string::npos, pcm.find_first_not_of('\0'));
}

} // namespace
