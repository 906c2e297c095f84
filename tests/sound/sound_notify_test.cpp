// Notifications (position crossings, start, stop) and the free-buffer play mode, driven one
// period at a time through the engine's Update.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "VortanSound/VortanSoundEngine.h"
#include "VortanSound/VortanSoundWave.h"
#include "tests/sound/SoundTestSupport.h"

namespace {

const u32 kPeriodBytes = 2096 * 2;  // one period of a 16-bit mono sound at the output rate

struct Call {
    u32 type;
    u32 id;
    u32 position;
    u32 user;
};

class Recorder : public IVortanSoundNotifyListener {
public:
    void Notify(CVortanSoundBuffer* buffer, u32 type, u32 id, u32 position, u32 user) override
    {
        lastBuffer = buffer;
        calls.push_back({type, id, position, user});
        if (removeOnCall && buffer)
            buffer->RemoveNotify(id);
    }
    int Count(u32 type) const
    {
        int n = 0;
        for (const Call& c : calls)
            n += c.type == type;
        return n;
    }
    std::vector<Call> calls;
    CVortanSoundBuffer* lastBuffer = nullptr;
    bool removeOnCall = false;
};

class NotifyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        stest::SetUpCapture();
        ASSERT_EQ(1, engine.Open(nullptr, 44100, 16, 2, 0, VORTAN_SOUNDENGINE_NO_THREAD, 0));
    }
    std::unique_ptr<CVortanSoundWave> Sound(int frames, int duplicates = 0, u32 flags = VORTAN_SOUNDBUFFER_NOTIFY)
    {
        std::unique_ptr<CVortanSoundWave> wave(CVortanSoundWave::CreateInstance());
        std::string image = stest::PcmWave(1, 44100, 16, stest::Samples16(std::vector<int>(frames, 1000)));
        EXPECT_EQ(1, wave->LoadFromMemory(&engine, &image[0], static_cast<int>(image.size()), flags, duplicates));
        return wave;
    }
    CVortanSoundEngine engine;
};

// Passes (1-based) in which a looping sound of `size` bytes, advancing kPeriodBytes a pass
// from 0, carries its play position across `target` (byte positions target + k x size).
std::vector<int> CrossingPasses(u32 size, u32 target, int passes)
{
    std::vector<int> out;
    for (int p = 1; p <= passes; ++p) {
        u64 before = static_cast<u64>(p - 1) * kPeriodBytes;
        u64 after = static_cast<u64>(p) * kPeriodBytes;
        for (u64 point = target; point <= after; point += size)
            if (point > before) {
                out.push_back(p);
                break;
            }
    }
    return out;
}

TEST_F(NotifyTest, PositionFiresOncePerCrossingAlsoAfterWrapping)
{
    const int frames = 5000;  // 10000 bytes: wraps every 2 to 3 periods
    auto sound = Sound(frames);
    Recorder recorder;
    CVortanSoundBuffer* buffer = sound->GetBuffer(0);
    int early = buffer->AddNotify(&engine, &recorder, VORTAN_SOUND_NOTIFY_POSITION, 1000, 77);
    int late = buffer->AddNotify(nullptr, &recorder, VORTAN_SOUND_NOTIFY_POSITION, 9000, 88);
    ASSERT_GT(early, 0);
    ASSERT_GT(late, early);
    sound->Play(1);

    const int passes = 30;
    std::vector<int> seenEarly;
    std::vector<int> seenLate;
    for (int p = 1; p <= passes; ++p) {
        recorder.calls.clear();
        engine.Update();
        for (const Call& c : recorder.calls) {
            if (c.type != VORTAN_SOUND_NOTIFY_POSITION)
                continue;
            if (c.user == 77)
                seenEarly.push_back(p);
            if (c.user == 88)
                seenLate.push_back(p);
            EXPECT_EQ(buffer, recorder.lastBuffer);
        }
    }
    EXPECT_EQ(CrossingPasses(10000, 1000, passes), seenEarly);
    EXPECT_EQ(CrossingPasses(10000, 9000, passes), seenLate);
    EXPECT_GE(seenEarly.size(), 10u);
}

TEST_F(NotifyTest, StartAndStopFireOnceEach)
{
    auto sound = Sound(3000);  // ends in the second period
    Recorder recorder;
    CVortanSoundBuffer* buffer = sound->GetBuffer(0);
    buffer->AddNotify(&engine, &recorder, VORTAN_SOUND_NOTIFY_STARTED, 0, 1);
    buffer->AddNotify(&engine, &recorder, VORTAN_SOUND_NOTIFY_STOPPED, 0, 2);
    // Crossed in the last period although the sound has stopped by the time of the pass.
    buffer->AddNotify(&engine, &recorder, VORTAN_SOUND_NOTIFY_POSITION, 5000, 3);
    engine.Update();
    EXPECT_TRUE(recorder.calls.empty());  // not playing: nothing to tell
    sound->Play(0);
    engine.Update();
    EXPECT_EQ(1, recorder.Count(VORTAN_SOUND_NOTIFY_STARTED));
    EXPECT_EQ(0, recorder.Count(VORTAN_SOUND_NOTIFY_STOPPED));
    engine.Update();
    EXPECT_EQ(1, recorder.Count(VORTAN_SOUND_NOTIFY_STOPPED));
    EXPECT_EQ(1, recorder.Count(VORTAN_SOUND_NOTIFY_POSITION));
    for (int i = 0; i < 3; ++i)
        engine.Update();
    EXPECT_EQ(3u, recorder.calls.size());

    // Stopping by hand mid-way and replaying crosses nothing that was not played.
    recorder.calls.clear();
    sound->Play(0);
    engine.Update();  // 0 -> 4192
    sound->Stop();    // rewinds
    engine.Update();
    sound->Play(0);
    engine.Update();  // 0 -> 4192 again
    EXPECT_EQ(0, recorder.Count(VORTAN_SOUND_NOTIFY_POSITION));
    EXPECT_EQ(2, recorder.Count(VORTAN_SOUND_NOTIFY_STARTED));
    EXPECT_EQ(1, recorder.Count(VORTAN_SOUND_NOTIFY_STOPPED));
}

TEST_F(NotifyTest, ListenersMayRemoveThemselves)
{
    auto sound = Sound(20000);
    Recorder recorder;
    recorder.removeOnCall = true;
    CVortanSoundBuffer* buffer = sound->GetBuffer(0);
    buffer->AddNotify(&engine, &recorder, VORTAN_SOUND_NOTIFY_POSITION, 100, 1);
    buffer->AddNotify(&engine, &recorder, VORTAN_SOUND_NOTIFY_POSITION, 200, 2);
    buffer->AddNotify(&engine, &recorder, VORTAN_SOUND_NOTIFY_POSITION, 30000, 3);
    sound->Play(0);
    engine.Update();
    ASSERT_EQ(2u, recorder.calls.size());
    EXPECT_EQ(1u, recorder.calls[0].user);
    EXPECT_EQ(2u, recorder.calls[1].user);
    EXPECT_EQ(1, buffer->GetNotifyCount());
    EXPECT_EQ(8, buffer->RemoveNotify(recorder.calls[0].id));
    buffer->ClearNotifies();
    EXPECT_EQ(0, buffer->GetNotifyCount());
}

TEST_F(NotifyTest, BuffersWithoutTheFlagAreQuiet)
{
    auto sound = Sound(20000, 0, 0);
    Recorder recorder;
    sound->GetBuffer(0)->AddNotify(&engine, &recorder, VORTAN_SOUND_NOTIFY_STARTED, 0, 0);
    sound->Play(0);
    engine.Update();
    EXPECT_TRUE(recorder.calls.empty());
}

TEST_F(NotifyTest, FreeBufferModeTakesTheFirstIdleBuffer)
{
    auto sound = Sound(20000, 2, 0);
    ASSERT_EQ(2, sound->GetDuplicateCount());
    EXPECT_EQ(1, sound->Play(0, 0, VORTAN_SOUND_PLAY_FREE_BUFFER));
    EXPECT_EQ(1, sound->IsPlaying(0));
    EXPECT_EQ(0, sound->IsPlaying(1));
    EXPECT_EQ(1, sound->Play(0, 0, VORTAN_SOUND_PLAY_FREE_BUFFER));
    EXPECT_EQ(1, sound->IsPlaying(1));
    engine.Update();
    u32 position = 0;
    sound->GetPosition(&position, 1);
    EXPECT_EQ(kPeriodBytes, position);
    sound->Pause(0);
    EXPECT_EQ(1, sound->Replay(0, 0, VORTAN_SOUND_PLAY_FREE_BUFFER));  // buffer 0, rewound
    sound->GetPosition(&position, 0);
    EXPECT_EQ(0u, position);
    EXPECT_EQ(1, sound->Play(0, 0, VORTAN_SOUND_PLAY_FREE_BUFFER));
    EXPECT_EQ(1, sound->IsPlaying(2));
    // All three play: nothing changes.
    EXPECT_EQ(8, sound->Play(0, 0, VORTAN_SOUND_PLAY_FREE_BUFFER));
    EXPECT_EQ(8, sound->Replay(0, 0, VORTAN_SOUND_PLAY_FREE_BUFFER));
    sound->GetPosition(&position, 1);
    EXPECT_EQ(kPeriodBytes, position);
    // The three copies sound together: three times 999 (1000 through the unity gain).
    engine.Update();
    const i16* out = reinterpret_cast<const i16*>(engine.GetPrimaryBuffer()->GetData());
    EXPECT_EQ((32766 * 2997) >> 15, out[0]);
}

} // namespace
