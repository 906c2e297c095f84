// Notification listeners that take other locks of the program (the critical section, a
// sound's lock, their own mutex), play, stop and remove themselves while the mixer thread
// runs; removals and releases that meet a running listener. Run under ThreadSanitizer too.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "VortanSound/VortanSoundEngine.h"
#include "VortanSound/VortanSoundWave.h"
#include "engine/VortanCriticalSection.h"
#include "engine/VortanMutex.h"
#include "engine/VortanThread.h"
#include "tests/sound/SoundTestSupport.h"

namespace {

using stest::EngineTest;

struct Event {
    u32 type;
    u32 user;
    bool operator==(const Event& other) const { return type == other.type && user == other.user; }
};

std::string Describe(const std::vector<Event>& events)
{
    std::string out;
    for (const Event& e : events)
        out += "(" + std::to_string(e.type) + "," + std::to_string(e.user) + ")";
    return out;
}

// A counter shared by the main thread and the listeners, guarded only by the critical section.
long g_sectionCounter = 0;

// Records its sound's events. Inside every call it enters the critical section, asks its
// sound through the sound's own lock and takes its own mutex, which the main thread takes
// too; on the stopped event it plays the sound again until `replays` runs out.
class LockingListener : public IVortanSoundNotifyListener {
public:
    void Notify(CVortanSoundBuffer*, u32 type, u32, u32, u32 user) override
    {
        CVortanCriticalSection section;
        if (section.Lock() == VORTAN_OK) {
            ++g_sectionCounter;
            section.Unlock();
        } else {
            failures.fetch_add(1);
        }
        u32 position = 0;
        if (sound->GetPosition(&position, 0) != VORTAN_OK || sound->SetVolume(-100, 0) != VORTAN_OK)
            failures.fetch_add(1);
        bool again = false;
        {
            CVortanMutexLock lock(mutex);
            if (!lock.IsLocked()) {
                failures.fetch_add(1);
                return;
            }
            events.push_back({type, user});
            again = type == VORTAN_SOUND_NOTIFY_STOPPED && replays-- > 0;
        }
        if (again && sound->Replay(0, 0) != VORTAN_OK)
            failures.fetch_add(1);
    }

    size_t EventCount()
    {
        CVortanMutexLock lock(mutex);
        return events.size();
    }

    CVortanSoundWave* sound = nullptr;
    CVortanMutex mutex;
    std::vector<Event> events; // guarded by mutex
    int replays = 0;           // guarded by mutex
    std::atomic<int> failures{0};
};

// Counts its calls; with `removeSelf` it takes its record away in its first call, and with
// `other` it stops and plays that sound from inside every call.
class OneShotListener : public IVortanSoundNotifyListener {
public:
    void Notify(CVortanSoundBuffer* buffer, u32, u32 id, u32, u32) override
    {
        calls.fetch_add(1);
        if (removeSelf && buffer->RemoveNotify(id) != VORTAN_OK)
            failures.fetch_add(1);
        if (other && (other->Stop(0) != VORTAN_OK || other->Play(1, 0) != VORTAN_OK))
            failures.fetch_add(1);
    }
    bool removeSelf = false;
    CVortanSoundWave* other = nullptr;
    std::atomic<int> calls{0};
    std::atomic<int> failures{0};
};

// A mono 16-bit 44.1 kHz sound of `frames` frames: the threaded mixer (44.1 kHz stereo,
// default period of 2096 frames) moves its play position 4192 bytes a period.
std::unique_ptr<CVortanSoundWave> Sound(CVortanSoundEngine* engine, int frames)
{
    return stest::Constant(engine, frames, 1000, 0, VORTAN_SOUNDBUFFER_NOTIFY);
}

TEST(NotifyLocks, ListenersTakeOtherLocksWhileTheMixerRunsAndKeepTheOrderOfEvents)
{
    stest::SetUpCapture();
    CVortanSoundEngine engine;
    ASSERT_EQ(1, engine.Open(nullptr, 44100, 16, 2, 0, 0, 0));
    ASSERT_TRUE(engine.HasThread());

    // 24000 bytes: six periods, the last one reaching the end.
    auto tracked = Sound(&engine, 12000);
    LockingListener listener;
    listener.sound = tracked.get();
    listener.replays = 3;
    CVortanSoundBuffer* buffer = tracked->GetBuffer(0);
    buffer->AddNotify(&engine, &listener, VORTAN_SOUND_NOTIFY_STARTED, 0, 1);
    buffer->AddNotify(&engine, &listener, VORTAN_SOUND_NOTIFY_POSITION, 20000, 2);
    buffer->AddNotify(&engine, &listener, VORTAN_SOUND_NOTIFY_POSITION, 19000, 3);
    buffer->AddNotify(&engine, &listener, VORTAN_SOUND_NOTIFY_POSITION, 9000, 4);
    buffer->AddNotify(&engine, &listener, VORTAN_SOUND_NOTIFY_STOPPED, 0, 5);
    buffer->AddNotify(&engine, &listener, VORTAN_SOUND_NOTIFY_POSITION, 23900, 6);

    // Looping sounds whose listeners remove themselves, and stop and play another sound.
    auto looping = Sound(&engine, 3000);
    auto restarted = Sound(&engine, 3000);
    OneShotListener oneShot, restarter;
    oneShot.removeSelf = true;
    restarter.other = restarted.get();
    looping->GetBuffer(0)->AddNotify(&engine, &oneShot, VORTAN_SOUND_NOTIFY_POSITION, 100, 0);
    looping->GetBuffer(0)->AddNotify(&engine, &restarter, VORTAN_SOUND_NOTIFY_POSITION, 5000, 0);
    ASSERT_EQ(1, looping->Play(1, 0));
    ASSERT_EQ(1, tracked->Play(0, 0));

    // Meanwhile the main thread takes the same locks over and over.
    const size_t kPerPlay = 6;
    CVortanCriticalSection section;
    long mainEntries = 0;
    ASSERT_TRUE(vtest::WaitUntil(
        [&] {
            for (int i = 0; i < 50; ++i) {
                CVortanCriticalSectionLock lock(section);
                EXPECT_EQ(1, lock.IsLocked());
                ++g_sectionCounter;
                ++mainEntries;
            }
            tracked->IsPlaying(0);
            restarted->GetVolume(0);
            return listener.EventCount() == 4 * kPerPlay && restarter.calls.load() >= 4;
        },
        30000))
        << listener.EventCount();
    ASSERT_EQ(1, tracked->Stop(0));
    ASSERT_EQ(1, looping->Stop(0));

    EXPECT_EQ(0, listener.failures.load());
    EXPECT_EQ(0, oneShot.failures.load());
    EXPECT_EQ(0, restarter.failures.load());
    EXPECT_EQ(1, oneShot.calls.load()); // it crossed its target on every loop, but left after one
    EXPECT_EQ(1, looping->GetBuffer(0)->GetNotifyCount());

    // Periods of 4192 bytes: started in the first, 9000 in the third, 20000 and 19000 both in
    // the fifth (in the order they were added), 23900 and the stop in the sixth, the end.
    std::vector<Event> onePlay = {
        {VORTAN_SOUND_NOTIFY_STARTED, 1},  {VORTAN_SOUND_NOTIFY_POSITION, 4},
        {VORTAN_SOUND_NOTIFY_POSITION, 2}, {VORTAN_SOUND_NOTIFY_POSITION, 3},
        {VORTAN_SOUND_NOTIFY_POSITION, 6}, {VORTAN_SOUND_NOTIFY_STOPPED, 5}};
    std::vector<Event> expected;
    for (int play = 0; play < 4; ++play)
        expected.insert(expected.end(), onePlay.begin(), onePlay.end());
    engine.Close(); // the mixer has ended: its writes are visible
    EXPECT_EQ(Describe(expected), Describe(listener.events));
    EXPECT_GT(mainEntries, 0);
    EXPECT_GE(g_sectionCounter, mainEntries + static_cast<long>(expected.size()));
}

// Holds its call open until the main thread has begun a removal, a little longer, then reads
// its buffer: a removal or release that did not wait for it would let it read a freed buffer.
class SlowListener : public IVortanSoundNotifyListener {
public:
    void Notify(CVortanSoundBuffer* buffer, u32, u32, u32, u32) override
    {
        calls.fetch_add(1);
        if (!hold.load())
            return;
        inside.store(true);
        vtest::WaitUntil([&] { return removing.load(); }, 30000);
        VortanSleep(20);
        positionSeen.store(buffer->GetPosition());
        inside.store(false);
    }
    std::atomic<bool> hold{false};
    std::atomic<bool> inside{false};
    std::atomic<bool> removing{false};
    std::atomic<int> calls{0};
    std::atomic<u32> positionSeen{0};
};

class PassCounter : public IVortanSoundNotifyListener {
public:
    void Notify(CVortanSoundBuffer*, u32, u32, u32, u32) override { passes.fetch_add(1); }
    std::atomic<int> passes{0};
};

TEST(NotifyLocks, RemovalsAndReleasesWaitForARunningListenerOfTheirBuffer)
{
    stest::SetUpCapture();
    CVortanSoundEngine engine;
    ASSERT_EQ(1, engine.Open(nullptr, 44100, 16, 2, 0, 0, 0));

    // A looping sound that crosses 100 on every loop (every second period), and a clock: a
    // looping sound whose notice comes every period.
    auto sound = Sound(&engine, 4000);
    auto clock = Sound(&engine, 1000);
    SlowListener slow;
    PassCounter counter;
    clock->GetBuffer(0)->AddNotify(&engine, &counter, VORTAN_SOUND_NOTIFY_POSITION, 100, 0);
    int id = sound->GetBuffer(0)->AddNotify(&engine, &slow, VORTAN_SOUND_NOTIFY_POSITION, 100, 0);
    ASSERT_GT(id, 0);
    ASSERT_EQ(1, clock->Play(1, 0));
    ASSERT_EQ(1, sound->Play(1, 0));

    // RemoveNotify returns only after the running call has returned, and no call follows.
    slow.hold.store(true);
    ASSERT_TRUE(vtest::WaitUntil([&] { return slow.inside.load(); }, 30000));
    slow.removing.store(true);
    EXPECT_EQ(1, sound->GetBuffer(0)->RemoveNotify(static_cast<u32>(id)));
    EXPECT_FALSE(slow.inside.load());
    int calls = slow.calls.load();
    int passes = counter.passes.load();
    ASSERT_TRUE(vtest::WaitUntil([&] { return counter.passes.load() >= passes + 6; }, 30000));
    EXPECT_EQ(calls, slow.calls.load());

    // Releasing the sound while its listener runs: the release waits, the buffer stays whole
    // until the listener has read it.
    slow.removing.store(false);
    sound->GetBuffer(0)->AddNotify(&engine, &slow, VORTAN_SOUND_NOTIFY_POSITION, 100, 0);
    ASSERT_TRUE(vtest::WaitUntil([&] { return slow.inside.load(); }, 30000));
    slow.removing.store(true);
    sound->ReleaseBuffers();
    EXPECT_FALSE(slow.inside.load());
    sound.reset();
    calls = slow.calls.load();
    passes = counter.passes.load();
    ASSERT_TRUE(vtest::WaitUntil([&] { return counter.passes.load() >= passes + 6; }, 30000));
    EXPECT_EQ(calls, slow.calls.load());
    engine.Close();
}

// Without a mixer thread: a listener called from Update uses the engine's locked operations
// (its critical section) and the sound's lock, and stops its own sound.
class EngineUser : public IVortanSoundNotifyListener {
public:
    void Notify(CVortanSoundBuffer*, u32, u32, u32, u32) override
    {
        bufferCounts.push_back(engine->GetBufferCount());
        playing.push_back(sound->IsPlaying(0));
        sound->Stop(0); // ends the sound from its own start notice
    }
    CVortanSoundEngine* engine = nullptr;
    CVortanSoundWave* sound = nullptr;
    std::vector<int> bufferCounts;
    std::vector<int> playing;
};

TEST_F(EngineTest, ListenersUseTheEngineAndStopTheirSoundFromInsideUpdate)
{
    auto sound = stest::Constant(&engine, 20000, 1000, 1, VORTAN_SOUNDBUFFER_NOTIFY);
    EngineUser user;
    user.engine = &engine;
    user.sound = sound.get();
    sound->GetBuffer(0)->AddNotify(&engine, &user, VORTAN_SOUND_NOTIFY_STARTED, 0, 0);
    sound->GetBuffer(0)->AddNotify(&engine, &user, VORTAN_SOUND_NOTIFY_STOPPED, 0, 0);
    ASSERT_EQ(1, sound->Play(0, 0));
    testing::internal::CaptureStderr();
    engine.Update(); // started: the listener stops the sound
    engine.Update(); // stopped
    engine.Update(); // nothing
    std::string complaints = testing::internal::GetCapturedStderr();
    EXPECT_EQ("", complaints);                              // no lock was refused
    EXPECT_EQ((std::vector<int>{2, 2}), user.bufferCounts); // buffer 0 and its duplicate
    EXPECT_EQ((std::vector<int>{1, 0}), user.playing);
}

// Takes away, from inside its call, a record and a whole sound whose calls are due later in
// the same period.
class Remover : public IVortanSoundNotifyListener {
public:
    void Notify(CVortanSoundBuffer* buffer, u32, u32, u32, u32 user) override
    {
        users.push_back(user);
        if (user == 1) {
            EXPECT_EQ(1, buffer->RemoveNotify(laterId));
            doomed->ReleaseBuffers();
        }
    }
    u32 laterId = 0;
    CVortanSoundWave* doomed = nullptr;
    std::vector<u32> users;
};

TEST_F(EngineTest, CallsTakenAwayByAnEarlierListenerOfThePeriodAreNotMade)
{
    auto first = stest::Constant(&engine, 20000, 1000, 0, VORTAN_SOUNDBUFFER_NOTIFY);
    auto doomed = stest::Constant(&engine, 20000, 1000, 0, VORTAN_SOUNDBUFFER_NOTIFY);
    Remover remover;
    remover.doomed = doomed.get();
    first->GetBuffer(0)->AddNotify(&engine, &remover, VORTAN_SOUND_NOTIFY_STARTED, 0, 1);
    remover.laterId = static_cast<u32>(
        first->GetBuffer(0)->AddNotify(&engine, &remover, VORTAN_SOUND_NOTIFY_STARTED, 0, 2));
    first->GetBuffer(0)->AddNotify(&engine, &remover, VORTAN_SOUND_NOTIFY_STARTED, 0, 3);
    doomed->GetBuffer(0)->AddNotify(&engine, &remover, VORTAN_SOUND_NOTIFY_STARTED, 0, 4);
    ASSERT_EQ(1, first->Play(0, 0));
    ASSERT_EQ(1, doomed->Play(0, 0));
    engine.Update();
    EXPECT_EQ((std::vector<u32>{1, 3}), remover.users);
    EXPECT_EQ(0, doomed->GetBufferCount());
    EXPECT_EQ(1, engine.GetBufferCount());
}

} // namespace
