// The resource manager's asynchronous sound loader under ThreadSanitizer: the main thread
// polls, queries, plays and releases sounds while a worker decodes them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "VortanSound/VortanSoundEngine.h"
#include "VortanSound/VortanSoundWave.h"
#include "engine/VortanThread.h"
#include "platform/OrloResourceManager.h"
#include "platform/OrloSoundLoader.h"
#include "tests/platform/ResourceTestSupport.h"

using rtest::Entries;
using rtest::MakeWav;
using rtest::S;

namespace {

class SoundLoaderTest : public ::testing::Test {
protected:
    SoundLoaderTest() : app(800, 480)
    {
        engine = CVortanSoundEngine::Create();
        manager.Init(&app, engine);
        Entries entries;
        for (int i = 0; i < kSounds; ++i)
            entries.push_back({"/fx" + std::to_string(i) + ".wav", MakeWav(20000 + 100 * i)});
        rtest::WritePack(dir.File("fx.dmp"), entries);
        EXPECT_EQ(manager.OpenPack(S(dir.File("fx.dmp")), 1), 1);
    }
    ~SoundLoaderTest() override
    {
        manager.ReleaseAll();
        delete engine;
    }
    static std::string Name(int i) { return "fx" + std::to_string(i) + ".wav"; }

    static const int kSounds = 6;
    vtest::TempDir dir;
    rtest::ScreenApp app;
    CVortanSoundEngine* engine;
    COrloResourceManager manager;
};

TEST_F(SoundLoaderTest, MainThreadUsesSoundsWhileTheyDecode)
{
    std::vector<CVortanSoundWave*> sounds;
    for (int i = 0; i < kSounds; ++i) {
        sounds.push_back(manager.GetSound(S(Name(i))));
        ASSERT_NE(sounds.back(), nullptr);
    }
    int frames = 0;
    while (manager.GetPendingSoundLoads() > 0 && frames < 10000) {
        manager.PollAsyncSounds();
        for (CVortanSoundWave* s : sounds) {
            // A sound is either empty or complete (the worker may publish between two
            // calls, so each check reads the later state second); only a complete one plays.
            int buffers = s->GetBufferCount();
            EXPECT_LE(buffers, 1);
            EXPECT_TRUE(buffers == 0 || s->GetDataSize() > 0);
            if (s->Play(0) == VORTAN_OK) {
                EXPECT_EQ(s->GetBufferCount(), 1);
                s->Stop();
            }
            s->SetVolume(-100);
            s->IsPlaying();
        }
        ++frames;
        VortanSleep(1);
    }
    EXPECT_EQ(manager.GetPendingSoundLoads(), 0);
    for (int i = 0; i < kSounds; ++i) {
        EXPECT_EQ(sounds[i]->GetDataSize(), 2 * (20000 + 100 * i));
        EXPECT_EQ(sounds[i]->Play(0), VORTAN_OK);
        sounds[i]->Stop();
        manager.ReleaseSound(sounds[i]);
    }
}

TEST_F(SoundLoaderTest, ReleaseWhileDecodingJoinsTheWorker)
{
    for (int round = 0; round < 20; ++round) {
        CVortanSoundWave* s = manager.GetSound(S(Name(round % kSounds)));
        ASSERT_NE(s, nullptr);
        manager.PollAsyncSounds();
        manager.PollAsyncSounds(); // started (the first poll ever is skipped)
        if (round % 3)
            VortanSleep(round % 7);
        EXPECT_EQ(manager.ReleaseSound(s), 1);
        EXPECT_EQ(s, nullptr);
        EXPECT_EQ(manager.GetPendingSoundLoads(), 0);
    }
}

TEST_F(SoundLoaderTest, ReleaseAllStopsRunningAndQueuedLoaders)
{
    for (int i = 0; i < kSounds; ++i)
        ASSERT_NE(manager.GetSound(S(Name(i))), nullptr);
    manager.PollAsyncSounds();
    manager.PollAsyncSounds();
    manager.ReleaseAll();
    EXPECT_EQ(manager.GetPendingSoundLoads(), 0);
}

TEST_F(SoundLoaderTest, LoaderPublishesItsResultThroughTheDoneFlag)
{
    std::string wav = MakeWav(30000);
    u8* data = new u8[wav.size()];
    memcpy(data, wav.data(), wav.size());
    CVortanSoundWave* sound = CVortanSoundWave::CreateInstance();
    COrloResourceManager::CAsyncSoundLoader loader(&manager, engine, data, (int)wav.size(), sound,
                                                   S("/x.wav"));
    EXPECT_EQ(loader.IsDone(), 0);
    ASSERT_EQ(loader.Start(), 1);
    while (!loader.IsDone())
        sound->GetBufferCount();
    EXPECT_EQ(loader.GetResult(), VORTAN_OK);
    EXPECT_EQ(sound->GetDataSize(), 60000);
    loader.Stop();
    loader.FreeData();

    // Without a target sound the loader reports malformed input and still finishes.
    u8* more = new u8[4]();
    COrloResourceManager::CAsyncSoundLoader empty(&manager, engine, more, 4, nullptr, S("/y.wav"));
    ASSERT_EQ(empty.Start(), 1);
    while (!empty.IsDone())
        VortanSleep(1);
    EXPECT_EQ(empty.GetResult(), VORTAN_E_MALFORMED);
    sound->ReleaseBuffers();
    delete sound;
}

} // namespace
