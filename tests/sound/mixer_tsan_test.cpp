// The threaded engine under load from the main thread, and sounds decoded on a loader thread
// while the main thread already uses them: run under ThreadSanitizer too.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "VortanSound/VortanSoundEngine.h"
#include "VortanSound/VortanSoundWave.h"
#include "engine/VortanThread.h"
#include "tests/sound/SoundTestSupport.h"

namespace {

class Counter : public IVortanSoundNotifyListener {
public:
    void Notify(CVortanSoundBuffer*, u32 type, u32, u32, u32) override
    {
        ++calls[type < 3 ? type : 0];
    }
    std::atomic<int> calls[3] = {};
};

std::string Image(int frames, int channels, int value)
{
    return stest::PcmWave(
        static_cast<unsigned>(channels), 22050, 16,
        stest::Samples16(std::vector<int>(static_cast<size_t>(frames * channels), value)));
}

TEST(MixerThreads, MainThreadDrivesSoundsWhileTheMixerRuns)
{
    stest::SetUpCapture();
    CVortanSoundEngine engine;
    ASSERT_EQ(VORTAN_OK, engine.Open(nullptr, 44100, 16, 2, 0, 0, 0));
    ASSERT_TRUE(engine.HasThread());

    Counter counter;
    std::vector<std::unique_ptr<CVortanSoundWave>> sounds;
    for (int i = 0; i < 4; ++i) {
        auto wave =
            stest::Load(&engine, Image(3000 + 500 * i, 1 + i % 2, 8000),
                        VORTAN_SOUNDBUFFER_NOTIFY | (i == 3 ? VORTAN_SOUNDBUFFER_3D : 0), 2);
        wave->GetBuffer(0)->AddNotify(&engine, &counter, VORTAN_SOUND_NOTIFY_STARTED, 0, 0);
        wave->GetBuffer(0)->AddNotify(&engine, &counter, VORTAN_SOUND_NOTIFY_STOPPED, 0, 0);
        wave->GetBuffer(1)->AddNotify(&engine, &counter, VORTAN_SOUND_NOTIFY_POSITION, 100, 0);
        sounds.push_back(std::move(wave));
    }

    for (int round = 0; round < 300; ++round) {
        CVortanSoundWave* s = sounds[static_cast<size_t>(round) % sounds.size()].get();
        s->Replay(round % 3 == 0 ? 1 : 0, 0, round % 4 == 0 ? VORTAN_SOUND_PLAY_FREE_BUFFER : 0);
        s->SetVolume(-(round % 5) * 500, 0);
        s->SetPan((round % 7 - 3) * 1000, 0);
        s->SetFrequency(11025 + 1000 * static_cast<u32>(round % 30), 0);
        s->SetPosition(round * 13, 1);
        s->Play(0, 1);
        if (round % 10 == 0)
            s->Stop(1);
        if (round % 25 == 0) {
            CVortanSound3DParameters params;
            params.m_position[0] = static_cast<float>(round % 9);
            params.m_velocity[2] = -5.0f;
            sounds[3]->Set3DParameters(&params, 0);
        }
        int id = s->GetBuffer(2)->AddNotify(&engine, &counter, VORTAN_SOUND_NOTIFY_POSITION, 50, 0);
        if (round % 2)
            s->GetBuffer(2)->RemoveNotify(static_cast<u32>(id));
        engine.SetVolume(-(round % 3) * 300);
        engine.SetPan((round % 3 - 1) * 2000);
        if (round % 40 == 0)
            engine.SetMute(round % 80 == 0);
        if (round == 150) {
            // A sound released while it plays.
            sounds[0]->Play(1, 0);
            sounds[0]->Play(1, 1);
            sounds[0]->ReleaseBuffers();
            sounds[0] = stest::Load(&engine, Image(4000, 2, -9000), VORTAN_SOUNDBUFFER_NOTIFY, 2);
        }
        if (round == 200) {
            engine.SetPaused(true);
            VortanSleep(20);
            engine.SetPaused(false);
            EXPECT_TRUE(engine.HasThread());
            EXPECT_TRUE(engine.IsDeviceOpen());
        }
        VortanSleep(1);
    }
    engine.SetMute(false);
    // The stress run ends once both kinds of notification and some sound have come out.
    EXPECT_TRUE(vtest::WaitUntil([&] {
        return counter.calls[VORTAN_SOUND_NOTIFY_STARTED].load() > 0 &&
               counter.calls[VORTAN_SOUND_NOTIFY_STOPPED].load() > 0 &&
               !stest::ReadCapture().empty();
    }));
    engine.Close();
    sounds.clear();

    // Closing while paused ends the thread, and the engine opens again afterwards.
    ASSERT_EQ(VORTAN_OK, engine.Open(nullptr, 44100, 16, 2, 0, 0, 0));
    VortanSleep(10);
    ASSERT_EQ(VORTAN_OK, engine.SetPaused(true));
    VortanSleep(10);
    engine.Close();
    EXPECT_EQ(0, engine.IsRunning());
    ASSERT_EQ(VORTAN_OK, engine.Open(nullptr, 44100, 16, 2, 0, 0, 0));
    EXPECT_EQ(0, engine.IsPaused());
    engine.Close();
}

TEST(MixerThreads, LoaderThreadPublishesOnlyWholeSounds)
{
    stest::SetUpCapture();
    CVortanSoundEngine engine;
    ASSERT_EQ(VORTAN_OK, engine.Open(nullptr, 44100, 16, 2, 0, 0, 0));
    for (int attempt = 0; attempt < 20; ++attempt) {
        CVortanSoundWave wave;
        std::string image = Image(20000 + 100 * attempt, 2, 1234);
        std::atomic<bool> done(false);
        std::thread loader([&] {
            EXPECT_EQ(
                1, wave.LoadFromMemory(&engine, &image[0], static_cast<int>(image.size()), 0, 3));
            done = true;
        });
        // The main thread queries and plays it while it loads: no buffers, or all four whole.
        bool sawComplete = false;
        while (!done || !sawComplete) {
            int count = wave.GetBufferCount();
            ASSERT_TRUE(count == 0 || count == 4) << count;
            if (count == 4 && !sawComplete) {
                EXPECT_EQ(3, wave.GetDuplicateCount());
                EXPECT_EQ(80000 + 400 * attempt, wave.GetDataSize());
                EXPECT_EQ(VORTAN_OK, wave.Play(0, 0, VORTAN_SOUND_PLAY_FREE_BUFFER));
                sawComplete = true;
            } else if (count == 0) {
                // It may be published between the calls: either answer is fine here.
                int played = wave.Play(0);
                EXPECT_TRUE(played == 2 || played == 1) << played;
                wave.IsPlaying();
            }
        }
        loader.join();
        VortanSleep(2);
    }
    engine.Close();
}

TEST(MixerThreads, DuplicatesMadeWhileTheSourceIsMixedStartUnlocked)
{
    // The mixer holds a playing buffer's lock while it reads it; a duplicate made at that
    // moment must not inherit that lock (it would never play and never lock for its owner).
    stest::SetUpCapture();
    CVortanSoundEngine engine;
    ASSERT_EQ(VORTAN_OK,
              engine.Open(nullptr, 44100, 16, 2, 0, VORTAN_SOUNDENGINE_NO_THREAD, 16384));
    auto sound = stest::Load(&engine, Image(200000, 2, 500));
    CVortanSoundWave& wave = *sound;
    ASSERT_EQ(VORTAN_OK, wave.SetFrequency(88200, 0));
    ASSERT_EQ(VORTAN_OK, wave.Play(1, 0));
    std::atomic<bool> stop(false);
    std::thread mixer([&] {
        while (!stop)
            engine.Update();
    });
    int locked = 0;
    for (int i = 0; i < 300; ++i) {
        // Out of step with the mixer's passes, so that some copies fall inside one.
        std::this_thread::sleep_for(std::chrono::microseconds(37 * (i % 29)));
        ASSERT_EQ(VORTAN_OK, wave.CreateDuplicates(1));
        CVortanSoundBuffer* copy = wave.GetBuffer(wave.GetBufferCount() - 1);
        if (copy->IsLocked())
            ++locked;
    }
    stop = true;
    mixer.join();
    EXPECT_EQ(0, locked);
    engine.Close();
}

} // namespace
