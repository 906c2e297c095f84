// Notifications (position crossings, start, stop) and the free-buffer play mode, driven one
// period at a time through the engine's Update.
#include <gtest/gtest.h>

#include <vector>

#include "VortanSound/VortanSoundEngine.h"
#include "VortanSound/VortanSoundWave.h"
#include "tests/sound/SoundTestSupport.h"

namespace {

using stest::EngineTest;
const u32 kPeriodBytes = 2096 * 2; // one period of a 16-bit mono sound at the output rate

struct Call {
    u32 type, id, position, user;
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

// Passes (1-based) in which a looping sound of `size` bytes, advancing kPeriodBytes a pass
// from 0, carries its play position across `target` (byte positions target + k x size).
std::vector<int> CrossingPasses(u32 size, u32 target, int passes)
{
    std::vector<int> out;
    for (int p = 1; p <= passes; ++p) {
        u64 before = static_cast<u64>(p - 1) * kPeriodBytes,
            after = static_cast<u64>(p) * kPeriodBytes;
        u64 point = target;
        while (point <= before)
            point += size;
        if (point <= after)
            out.push_back(p);
    }
    return out;
}

TEST_F(EngineTest, PositionFiresOncePerCrossingAlsoAfterWrapping)
{
    auto sound = stest::Constant(&engine, 5000, 1000, 0, VORTAN_SOUNDBUFFER_NOTIFY); // 10000 bytes
    Recorder recorder;
    CVortanSoundBuffer* buffer = sound->GetBuffer(0);
    int early = buffer->AddNotify(&engine, &recorder, VORTAN_SOUND_NOTIFY_POSITION, 1000, 77);
    int late = buffer->AddNotify(nullptr, &recorder, VORTAN_SOUND_NOTIFY_POSITION, 9000, 88);
    ASSERT_GT(early, 0);
    ASSERT_GT(late, early);
    sound->Play(1);
    std::vector<int> seenEarly, seenLate;
    for (int p = 1; p <= 30; ++p) {
        recorder.calls.clear();
        engine.Update();
        for (const Call& c : recorder.calls) {
            ASSERT_EQ(VORTAN_SOUND_NOTIFY_POSITION, c.type);
            (c.user == 77 ? seenEarly : seenLate).push_back(p);
            EXPECT_EQ(buffer, recorder.lastBuffer);
        }
    }
    EXPECT_EQ(CrossingPasses(10000, 1000, 30), seenEarly);
    EXPECT_EQ(CrossingPasses(10000, 9000, 30), seenLate);
    EXPECT_GE(seenEarly.size(), 10u);
}

TEST_F(EngineTest, StartAndStopFireOnceEach)
{
    auto sound =
        stest::Constant(&engine, 3000, 1000, 0, VORTAN_SOUNDBUFFER_NOTIFY); // ends in period 2
    Recorder recorder;
    CVortanSoundBuffer* buffer = sound->GetBuffer(0);
    buffer->AddNotify(&engine, &recorder, VORTAN_SOUND_NOTIFY_STARTED, 0, 1);
    buffer->AddNotify(&engine, &recorder, VORTAN_SOUND_NOTIFY_STOPPED, 0, 2);
    // Crossed in the last period although the sound has stopped by the time of the pass.
    buffer->AddNotify(&engine, &recorder, VORTAN_SOUND_NOTIFY_POSITION, 5000, 3);
    engine.Update();
    EXPECT_TRUE(recorder.calls.empty()); // not playing: nothing to tell
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
    engine.Update(); // 0 -> 4192
    sound->Stop();   // rewinds
    engine.Update();
    sound->Play(0);
    engine.Update(); // 0 -> 4192 again
    EXPECT_EQ(0, recorder.Count(VORTAN_SOUND_NOTIFY_POSITION));
    EXPECT_EQ(2, recorder.Count(VORTAN_SOUND_NOTIFY_STARTED));
    EXPECT_EQ(1, recorder.Count(VORTAN_SOUND_NOTIFY_STOPPED));

    // A buffer made without the notify flag stays quiet.
    auto quiet = stest::Constant(&engine, 20000, 1000);
    Recorder other;
    quiet->GetBuffer(0)->AddNotify(&engine, &other, VORTAN_SOUND_NOTIFY_STARTED, 0, 0);
    quiet->Play(0);
    engine.Update();
    EXPECT_TRUE(other.calls.empty());
}

TEST_F(EngineTest, ListenersMayRemoveThemselves)
{
    auto sound = stest::Constant(&engine, 20000, 1000, 0, VORTAN_SOUNDBUFFER_NOTIFY);
    Recorder recorder;
    recorder.removeOnCall = true;
    CVortanSoundBuffer* buffer = sound->GetBuffer(0);
    for (u32 user : {1u, 2u, 3u})
        buffer->AddNotify(&engine, &recorder, VORTAN_SOUND_NOTIFY_POSITION,
                          user == 3 ? 30000 : 100 * user, user);
    sound->Play(0);
    engine.Update();
    ASSERT_EQ(2u, recorder.calls.size());
    EXPECT_EQ(1u, recorder.calls[0].user);
    EXPECT_EQ(2u, recorder.calls[1].user);
    EXPECT_EQ(1, buffer->GetNotifyCount());
    EXPECT_EQ(VORTAN_E_MISSING, buffer->RemoveNotify(recorder.calls[0].id));
}

TEST_F(EngineTest, FreeBufferModeTakesTheFirstIdleBuffer)
{
    auto sound = stest::Constant(&engine, 20000, 1000, 2);
    EXPECT_EQ(VORTAN_OK, sound->Play(0, 0, VORTAN_SOUND_PLAY_FREE_BUFFER));
    EXPECT_EQ(1, sound->IsPlaying(0));
    EXPECT_EQ(0, sound->IsPlaying(1));
    EXPECT_EQ(VORTAN_OK, sound->Play(0, 0, VORTAN_SOUND_PLAY_FREE_BUFFER));
    EXPECT_EQ(1, sound->IsPlaying(1));
    engine.Update();
    u32 position = 0;
    sound->Pause(0);
    EXPECT_EQ(VORTAN_OK, sound->Replay(0, 0, VORTAN_SOUND_PLAY_FREE_BUFFER)); // buffer 0, rewound
    sound->GetPosition(&position, 0);
    EXPECT_EQ(0u, position);
    EXPECT_EQ(VORTAN_OK, sound->Play(0, 0, VORTAN_SOUND_PLAY_FREE_BUFFER));
    EXPECT_EQ(1, sound->IsPlaying(2));
    // All three play: nothing changes.
    EXPECT_EQ(VORTAN_E_MISSING, sound->Play(0, 0, VORTAN_SOUND_PLAY_FREE_BUFFER));
    EXPECT_EQ(VORTAN_E_MISSING, sound->Replay(0, 0, VORTAN_SOUND_PLAY_FREE_BUFFER));
    sound->GetPosition(&position, 1);
    EXPECT_EQ(kPeriodBytes, position);
    // The three copies sound together: three times 999 (1000 through the unity gain).
    EXPECT_EQ((32766 * 2997) >> 15, stest::Period16(engine)[0]);
}

} // namespace
