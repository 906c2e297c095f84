// Music player: volume mapping onto the output, mute, fades driven by frame ticks, looping at the
// end of the stream, seek, pause and resume, missing elements and pipeline errors. Test MP3s are
// made here with sox and lame; the audio output is replaced by a fake or file sink.
#include "VortanSound/VortanMusicElements.h"
#include "VortanSound/VortanMusicPlayer.h"
#include "tests/support/TestSupport.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Player = CVortanSoundMusicPlayer;

// Stands in for the application: keeps its runnables and runs them once per "frame".
class FakeOwner {
public:
    void AddListener(IVortanRunnable* runnable)
    {
        runnable->SetAttached(1);
        list.push_back(runnable);
    }
    void RemoveListener(IVortanRunnable* runnable)
    {
        auto it = std::find(list.begin(), list.end(), runnable);
        if (it != list.end()) {
            runnable->SetAttached(0);
            list.erase(it);
        }
    }
    void Tick(float dt)
    {
        for (size_t i = 0; i < list.size(); i++)
            list[i]->Run(dt);
    }
    // Frames with no fade time, 5 ms apart.
    void Idle(int frames)
    {
        for (int i = 0; i < frames; i++) {
            Tick(0.0f);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    std::vector<IVortanRunnable*> list;
};

const long kQuarterSecond = 44100 * 2 * 2 / 4; // bytes of 44.1 kHz stereo 16-bit

// Watches what a pipeline posts, in the posting thread, and lets every message through to
// the player: the end of the stream, and the pipeline's own state changes (a restart).
class BusWatch {
public:
    explicit BusWatch(GstElement* pipeline)
        : m_pipeline(pipeline), m_bus(gst_element_get_bus(pipeline))
    {
        gst_bus_set_sync_handler(m_bus, &BusWatch::Posted, this, nullptr);
    }
    ~BusWatch()
    {
        gst_bus_set_sync_handler(m_bus, nullptr, nullptr, nullptr);
        gst_object_unref(m_bus);
    }
    bool Pending() const { return gst_bus_have_pending(m_bus); }

    std::atomic<int> ends{0};
    std::atomic<int> stateChanges{0};

private:
    static GstBusSyncReply Posted(GstBus*, GstMessage* message, gpointer self)
    {
        BusWatch* watch = static_cast<BusWatch*>(self);
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS)
            watch->ends++;
        else if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_STATE_CHANGED &&
                 GST_MESSAGE_SRC(message) == GST_OBJECT(watch->m_pipeline))
            watch->stateChanges++;
        return GST_BUS_PASS;
    }
    GstElement* m_pipeline;
    GstBus* m_bus;
};

class MusicTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new vtest::TempDir();
        s_short = MakeMp3("short", 0.25, 440);
        s_long = MakeMp3("long", 3.0, 330);
        s_garbage = s_dir->File("garbage.mp3");
        std::string noise;
        uint32_t x = 12345;
        for (int i = 0; i < 64 * 1024; i++) {
            x = x * 1103515245u + 12345u;
            noise.push_back((x >> 24) == 0xFF ? 0x7F
                                              : (char)(x >> 24)); // nothing like a frame sync
        }
        ASSERT_TRUE(vtest::WriteWholeFile(s_garbage, noise));
    }
    static void TearDownTestSuite() { delete s_dir; }

    static std::string MakeMp3(const std::string& name, double seconds, int frequency)
    {
        const std::string wav = s_dir->File(name + ".wav"), mp3 = s_dir->File(name + ".mp3");
        EXPECT_EQ(0, vtest::RunProgram({"sox", "-n", "-r", "44100", "-c", "2", "-b", "16", wav,
                                        "synth", std::to_string(seconds), "sine",
                                        std::to_string(frequency), "vol", "0.5"}));
        EXPECT_EQ(0, vtest::RunProgram({"lame", "--quiet", "-b", "128", wav, mp3}));
        return mp3;
    }

    void SetUp() override
    {
        CVortanMusicElements::SetOverride(VORTAN_MUSIC_SINK, "fakesink sync=true");
    }
    void TearDown() override
    {
        for (int role = 0; role < VORTAN_MUSIC_ELEMENT_COUNT; role++)
            CVortanMusicElements::SetOverride(role, nullptr);
    }

    static int Open(Player& player, FakeOwner* owner, const std::string& path)
    {
        return player.CreatePipeline(owner, CVortanString(path.c_str()));
    }

    // Raw 16-bit stereo output appended to a file, as fast as the decoder runs.
    std::string CaptureToFile(const std::string& name)
    {
        const std::string path = s_dir->File(name);
        unlink(path.c_str());
        const std::string sink = "audioconvert ! audio/x-raw,format=S16LE,channels=2,rate=44100 ! "
                                 "filesink append=true location=" +
                                 path;
        CVortanMusicElements::SetOverride(VORTAN_MUSIC_SINK, sink.c_str());
        return path;
    }

    static long FileSize(const std::string& path)
    {
        struct stat st;
        return stat(path.c_str(), &st) == 0 ? (long)st.st_size : 0;
    }

    // Runs frames (no fade time passes) until the condition holds; false after 8 s.
    static bool PollFrames(FakeOwner& owner, const std::function<bool()>& done)
    {
        for (int i = 0; i < 1600; i++, owner.Idle(1))
            if (done())
                return true;
        return false;
    }

    static double OutputLevel(Player& player)
    {
        GstElement* volume = gst_bin_get_by_name(GST_BIN(player.GetPipeline()), "music-volume");
        EXPECT_NE(nullptr, volume);
        gdouble level = -1.0;
        if (volume) {
            g_object_get(volume, "volume", &level, nullptr);
            gst_object_unref(volume);
        }
        return level;
    }

    static double MeanAbs(const std::string& bytes)
    {
        double sum = 0.0;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2)
            sum += std::fabs((double)(int16_t)((uint8_t)bytes[i] | ((uint8_t)bytes[i + 1] << 8)));
        return sum / (double)std::max<size_t>(1, bytes.size() / 2);
    }

    static vtest::TempDir* s_dir;
    static std::string s_short, s_long, s_garbage;
};

vtest::TempDir* MusicTest::s_dir = nullptr;
std::string MusicTest::s_short, MusicTest::s_long, MusicTest::s_garbage;

TEST_F(MusicTest, MissingElementsGiveFourAndOwnersAreLeft)
{
    for (int role : {VORTAN_MUSIC_PARSER, VORTAN_MUSIC_DECODER, VORTAN_MUSIC_SINK}) {
        CVortanMusicElements::SetOverride(role, "no-such-element-here");
        FakeOwner owner;
        {
            Player player;
            EXPECT_EQ(VORTAN_E_MALFORMED, Open(player, &owner, s_long)) << role;
            EXPECT_EQ(Player::STATE_CLOSED, player.GetState());
            EXPECT_EQ(VORTAN_E_RANGE, player.Play(0));
        }
        EXPECT_TRUE(owner.list.empty()) << "a deleted player must leave its owner";
        CVortanMusicElements::SetOverride(role, nullptr);
    }
    // A sink description naming an element that does not exist is missing too.
    CVortanMusicElements::SetOverride(VORTAN_MUSIC_SINK, "audioconvert ! no-such-sink");
    Player player;
    EXPECT_EQ(VORTAN_E_MALFORMED, Open(player, nullptr, s_long));
    // The machine's own choice of every element exists here.
    CVortanMusicElements::SetOverride(VORTAN_MUSIC_SINK, nullptr);
    EXPECT_EQ(VORTAN_OK, Open(player, nullptr, s_long));
    EXPECT_EQ(Player::STATE_STOPPED, player.GetState());

    // Opening again registers once; a closed player leaves its owner and refuses everything.
    FakeOwner owner;
    ASSERT_EQ(VORTAN_OK, Open(player, &owner, s_long));
    ASSERT_EQ(VORTAN_OK, Open(player, &owner, s_short));
    EXPECT_EQ(1u, owner.list.size());
    player.Close();
    EXPECT_TRUE(owner.list.empty());
    EXPECT_FALSE(player.IsAttached());
    EXPECT_EQ(VORTAN_E_RANGE, player.Play(0));
    EXPECT_EQ(VORTAN_E_RANGE, player.Pause());
    EXPECT_EQ(VORTAN_E_RANGE, player.Seek(1.0f));
    EXPECT_EQ(0.0f, player.GetPosition());
}

TEST_F(MusicTest, VolumeMapsLinearlyAndReadsBackExactly)
{
    Player player;
    ASSERT_EQ(VORTAN_OK, Open(player, nullptr, s_long));
    EXPECT_EQ(0, player.GetVolume());
    EXPECT_DOUBLE_EQ(1.0, OutputLevel(player));
    player.SetVolume(-2000);
    // Reading and writing back again and again does not drift.
    for (int i = 0; i < 50; i++)
        player.SetVolume(player.GetVolume());
    EXPECT_EQ(-2000, player.GetVolume());
    EXPECT_NEAR(0.8, OutputLevel(player), 1e-6);
    player.SetVolume(500);
    EXPECT_EQ(1.0, OutputLevel(player));
    EXPECT_EQ(0, player.GetVolume());
    player.SetVolume(-20000);
    EXPECT_EQ(0.0, OutputLevel(player));
    EXPECT_EQ(-10000, player.GetVolume());
    // Every volume of the range comes back as itself.
    int wrong = 0;
    for (int v = -10000; v <= 0; v++) {
        player.SetVolume(v);
        if (player.GetVolume() != v ||
            std::fabs(OutputLevel(player) - (v + 10000) / 10000.0) > 1e-6)
            wrong++;
    }
    EXPECT_EQ(0, wrong);
}

TEST_F(MusicTest, MuteSilencesKeepsTheVolumeAndOutlastsAFade)
{
    FakeOwner owner;
    Player player;
    player.SetMute(1); // not opened: no effect
    EXPECT_EQ(0, player.GetMute());
    ASSERT_EQ(VORTAN_OK, Open(player, &owner, s_long));
    player.SetVolume(-3000);
    player.SetMute(1);
    EXPECT_EQ(0.0, OutputLevel(player));
    EXPECT_EQ(-3000, player.GetVolume());
    player.SetVolume(-1000); // while muted: remembered, still silent
    EXPECT_EQ(0.0, OutputLevel(player));
    EXPECT_EQ(-1000, player.GetVolume());
    player.SetMute(0);
    EXPECT_NEAR(0.9, OutputLevel(player), 1e-6);

    // A fade-in while muted stays silent; unmuted afterwards, the volume is whole.
    player.SetVolume(-4000);
    player.SetMute(1);
    player.FadeIn(1.0f);
    for (int i = 0; i < 5; i++) {
        owner.Tick(0.1f);
        EXPECT_EQ(0.0, OutputLevel(player));
    }
    owner.Tick(1.0f);
    EXPECT_EQ(0.0, OutputLevel(player));
    player.SetMute(0);
    EXPECT_NEAR(0.6, OutputLevel(player), 1e-6);
}

TEST_F(MusicTest, DecodedOutputIsScaledByTheVolume)
{
    double level[3];
    const int volumes[3] = {0, -2000, -10000};
    for (int i = 0; i < 3; i++) {
        const std::string path = CaptureToFile("scaled" + std::to_string(i) + ".raw");
        Player player;
        ASSERT_EQ(VORTAN_OK, Open(player, nullptr, s_short));
        player.SetVolume(volumes[i]);
        ASSERT_EQ(VORTAN_OK, player.Play(0));
        FakeOwner frames;
        frames.AddListener(&player);
        // The quarter second of sound comes out whole (the encoder's padding is removed).
        ASSERT_TRUE(PollFrames(frames, [&] { return FileSize(path) >= kQuarterSecond; }));
        frames.RemoveListener(&player);
        player.Close();
        const std::string pcm = vtest::ReadWholeFile(path);
        EXPECT_EQ((size_t)kQuarterSecond, pcm.size());
        level[i] = MeanAbs(pcm);
    }
    // A 0.5 full-scale sine averages 0.5 * 2/pi of full scale in absolute value.
    EXPECT_NEAR(32767 * 0.5 * 2 / M_PI, level[0], 32767 * 0.02);
    EXPECT_NEAR(0.8, level[1] / level[0], 0.01);
    EXPECT_LT(level[2], 1.0);
}

TEST_F(MusicTest, FadesFollowTheTicks)
{
    FakeOwner owner;
    Player player;
    ASSERT_EQ(VORTAN_OK, Open(player, &owner, s_long));
    player.SetVolume(-2000);
    ASSERT_EQ(VORTAN_OK, player.Play(0));
    player.FadeOut(2.0f); // -2000 to -10000 at 4000 per second
    EXPECT_EQ(-2000, player.GetVolume()) << "a running fade reports its target";
    owner.Tick(0.5f);
    EXPECT_NEAR(0.6, OutputLevel(player), 1e-4);
    owner.Tick(0.5f);
    EXPECT_NEAR(0.4, OutputLevel(player), 1e-4);
    for (int i = 0; i < 9; i++)
        owner.Tick(0.1f);
    EXPECT_NEAR(0.04, OutputLevel(player), 1e-3);
    EXPECT_EQ(Player::STATE_PLAYING, player.GetState());
    player.FadeIn(1.0f); // ignored while a fade runs
    EXPECT_NEAR(0.04, OutputLevel(player), 1e-3);
    owner.Tick(0.2f); // past the end: paused, at the volume again
    EXPECT_EQ(Player::STATE_PAUSED, player.GetState());
    EXPECT_NEAR(0.8, OutputLevel(player), 1e-6);
    EXPECT_EQ(-2000, player.GetVolume());
    owner.Tick(1.0f); // finished fades stay finished
    EXPECT_EQ(Player::STATE_PAUSED, player.GetState());

    ASSERT_EQ(VORTAN_OK, player.Play(0));
    player.FadeIn(1.0f); // -10000 to -2000 at 8000 per second
    EXPECT_EQ(0.0, OutputLevel(player));
    EXPECT_EQ(-2000, player.GetVolume());
    owner.Tick(0.25f);
    EXPECT_NEAR(0.2, OutputLevel(player), 1e-4);
    owner.Tick(0.5f);
    EXPECT_NEAR(0.6, OutputLevel(player), 1e-4);
    owner.Tick(0.5f);
    EXPECT_NEAR(0.8, OutputLevel(player), 1e-6);
    EXPECT_EQ(Player::STATE_PLAYING, player.GetState());
}

TEST_F(MusicTest, ZeroOrNegativeFadeTimeAppliesAtOnce)
{
    for (float t : {0.0f, -1.0f, NAN}) {
        FakeOwner owner;
        Player player;
        ASSERT_EQ(VORTAN_OK, Open(player, &owner, s_long));
        player.SetVolume(-2000);
        ASSERT_EQ(VORTAN_OK, player.Play(0));
        player.FadeIn(t);
        EXPECT_NEAR(0.8, OutputLevel(player), 1e-6) << t;
        owner.Tick(0.5f);
        EXPECT_NEAR(0.8, OutputLevel(player), 1e-6) << t;
        EXPECT_EQ(Player::STATE_PLAYING, player.GetState()) << t;
        player.FadeOut(t);
        EXPECT_EQ(Player::STATE_PAUSED, player.GetState()) << t;
        EXPECT_NEAR(0.8, OutputLevel(player), 1e-6) << t;
        EXPECT_EQ(-2000, player.GetVolume()) << t;
        // A later fade works normally: nothing was left running.
        ASSERT_EQ(VORTAN_OK, player.Play(0));
        player.FadeOut(1.0f);
        owner.Tick(0.5f);
        EXPECT_NEAR(0.4, OutputLevel(player), 1e-4) << t;
    }
}

TEST_F(MusicTest, LoopingRestartsFromTheStartAtTheEnd)
{
    const std::string path = CaptureToFile("loop.raw");
    FakeOwner owner;
    Player player;
    ASSERT_EQ(VORTAN_OK, Open(player, &owner, s_short));
    ASSERT_EQ(VORTAN_OK, player.Play(1));
    ASSERT_TRUE(PollFrames(owner, [&] { return FileSize(path) >= 3 * kQuarterSecond; }));
    EXPECT_EQ(Player::STATE_PLAYING, player.GetState());
    player.Stop();
    const std::string pcm = vtest::ReadWholeFile(path);
    ASSERT_GE((long)pcm.size(), 3 * kQuarterSecond);
    // Each pass is the whole file from its first sample.
    EXPECT_TRUE(pcm.compare(0, kQuarterSecond, pcm, kQuarterSecond, kQuarterSecond) == 0);
    EXPECT_TRUE(pcm.compare(0, kQuarterSecond, pcm, 2 * kQuarterSecond, kQuarterSecond) == 0);
}

TEST_F(MusicTest, WithoutLoopTheFilePlaysOnceAndStaysPlaying)
{
    for (int withOwner = 0; withOwner < 2; withOwner++) {
        const std::string path = CaptureToFile("once" + std::to_string(withOwner) + ".raw");
        FakeOwner owner;
        Player player;
        // Without an owner nobody would run the loop, so the loop flag is not taken.
        ASSERT_EQ(VORTAN_OK, Open(player, withOwner ? &owner : nullptr, s_short));
        BusWatch watch(player.GetPipeline());
        ASSERT_EQ(VORTAN_OK, player.Play(withOwner ? 0 : 1));
        if (!withOwner)
            owner.AddListener(&player);
        // Until the player has taken the end of the stream off the bus; a looping player
        // restarts the pipeline in the frames after that, and a restart changes its state.
        ASSERT_TRUE(PollFrames(owner, [&] { return watch.ends.load() > 0 && !watch.Pending(); }));
        const int changes = watch.stateChanges.load();
        for (int i = 0; i < 5; i++)
            owner.Tick(0.0f);
        EXPECT_EQ(changes, watch.stateChanges.load());
        EXPECT_EQ(kQuarterSecond, FileSize(path));
        EXPECT_EQ(Player::STATE_PLAYING, player.GetState());
        // Every frame empties the pipeline's message queue, looping or not.
        EXPECT_FALSE(watch.Pending());
        if (!withOwner)
            owner.list.clear();
    }
}

TEST_F(MusicTest, SeekPauseResumeAndStop)
{
    FakeOwner owner;
    Player player;
    ASSERT_EQ(VORTAN_OK, Open(player, &owner, s_long));
    EXPECT_EQ(VORTAN_E_FAIL, player.Seek(1.0f)) << "a stopped pipeline cannot jump";
    ASSERT_EQ(VORTAN_OK, player.Play(0));
    // Right after Play, as the application does when it resumes music.
    EXPECT_EQ(VORTAN_OK, player.Seek(2.0f));
    float first = 0.0f;
    ASSERT_TRUE(PollFrames(owner, [&] { return (first = player.GetPosition()) > 0.0f; }));
    EXPECT_GE(first, 1.99f) << "the first position reported is already past the jump";
    EXPECT_NEAR(3.0f, player.GetDuration(), 0.05f);
    // Backwards: the position can only come into this window through the jump.
    EXPECT_EQ(VORTAN_OK, player.Seek(0.5f));
    ASSERT_TRUE(PollFrames(
        owner, [&] { return player.GetPosition() >= 0.5f && player.GetPosition() < 1.5f; }));

    EXPECT_EQ(VORTAN_OK, player.Pause());
    EXPECT_EQ(Player::STATE_PAUSED, player.GetState());
    const float paused = player.GetPosition();
    for (int i = 0; i < 20; i++)
        owner.Tick(0.0f);
    // The pipeline itself is paused (the state change complete), so the position holds.
    GstState current = GST_STATE_VOID_PENDING;
    EXPECT_EQ(GST_STATE_CHANGE_SUCCESS,
              gst_element_get_state(player.GetPipeline(), &current, nullptr, 5 * GST_SECOND));
    EXPECT_EQ(GST_STATE_PAUSED, current);
    EXPECT_NEAR(paused, player.GetPosition(), 0.002f);
    EXPECT_EQ(VORTAN_OK, player.Play(0));
    EXPECT_EQ(Player::STATE_PLAYING, player.GetState());
    ASSERT_TRUE(PollFrames(owner, [&] { return player.GetPosition() > paused + 0.05f; }));

    EXPECT_EQ(VORTAN_OK, player.Stop());
    EXPECT_EQ(Player::STATE_STOPPED, player.GetState());
    EXPECT_EQ(0.0f, player.GetPosition());
    EXPECT_EQ(VORTAN_OK, player.Stop());
    ASSERT_EQ(VORTAN_OK, player.Play(0));
    ASSERT_TRUE(PollFrames(owner, [&] { return player.GetPosition() > 0.0f; }));
    EXPECT_LT(player.GetPosition(), paused);
}

TEST_F(MusicTest, PipelineErrorsStopThePlayer)
{
    FakeOwner owner;
    {
        // Not MP3 at all: the stream fails inside the pipeline and the next frames notice it.
        Player player;
        ASSERT_EQ(VORTAN_OK, Open(player, &owner, s_garbage));
        player.Play(1);
        ASSERT_TRUE(PollFrames(owner, [&] { return player.GetState() == Player::STATE_STOPPED; }));
        // It stays stopped: the loop flag does not bring a failed stream back.
        for (int i = 0; i < 20; i++)
            owner.Tick(0.0f);
        EXPECT_EQ(Player::STATE_STOPPED, player.GetState());
    }
    {
        // A file that cannot be opened refuses to play at once.
        Player player;
        ASSERT_EQ(VORTAN_OK, Open(player, &owner, s_dir->File("absent.mp3")));
        EXPECT_EQ(VORTAN_E_FAIL, player.Play(0));
        owner.Tick(0.0f);
        EXPECT_EQ(Player::STATE_STOPPED, player.GetState());
    }
    EXPECT_TRUE(owner.list.empty());
}

TEST_F(MusicTest, FileNameIsHandedOverAsItsBytes)
{
    // A file name carries the file system's bytes one per unit (as the engine's paths do):
    // a folder named with UTF-8 bytes must be found.
    const std::string folder = s_dir->File("m\xc3\xbasica");
    ASSERT_EQ(0, vtest::RunProgram({"mkdir", "-p", folder}));
    ASSERT_EQ(0, vtest::RunProgram({"cp", s_short, folder + "/short.mp3"}));
    Player player;
    ASSERT_EQ(VORTAN_OK, Open(player, nullptr, folder + "/short.mp3"));
    EXPECT_EQ(VORTAN_OK, player.Play(0));
    EXPECT_EQ(Player::STATE_PLAYING, player.GetState());
    player.Close();
}

} // namespace
