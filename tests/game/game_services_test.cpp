// What the game host offers its screens, through the real sound engine (its output captured by
// ALSA's file plugin) and the real music pipeline: sounds that are muted, already playing or
// played at another frequency, the looping music track, the game clock on the stand-in clock,
// the per-scene settings, and the chat records the game takes.
#include <gtest/gtest.h>
#include <unistd.h>

#include "VortanSound/VortanMusicElements.h"
#include "VortanSound/VortanSoundEngine.h"
#include "VortanSound/VortanSoundWave.h"
#include "game/VexAssetTables.h"
#include "platform/OrloChatRecord.h"
#include "platform/OrloStatsEntry.h"
#include "platform/OrloStatsStore.h"
#include "tests/game/GameHostSupport.h"
#include "tests/sound/SoundTestSupport.h"

using htest::DrivenClock;
using htest::HostApp;
using htest::S;

namespace {

const int kSound = 5;
const int kFrames = 4410; // 0.1 s at 44.1 kHz

// Lengths of the runs of non-silent stereo frames in 16-bit PCM.
std::vector<int> LoudRuns(const std::string& pcm)
{
    std::vector<int16_t> samples = stest::ToSamples16(pcm);
    std::vector<int> runs;
    int run = 0;
    for (size_t i = 0; i + 1 < samples.size(); i += 2) {
        if (samples[i] != 0 || samples[i + 1] != 0) {
            ++run;
        } else if (run) {
            runs.push_back(run);
            run = 0;
        }
    }
    if (run)
        runs.push_back(run);
    return runs;
}

TEST(GameSounds, MutedNotRestartedAndAtTheAskedFrequency)
{
    stest::SetUpCapture();
    CVortanSoundEngine* engine = new CVortanSoundEngine();
    ASSERT_EQ(VORTAN_OK, engine->Open(nullptr, 44100, 16, 2, 0, 0, 0));
    HostApp app(800, 480, engine); // the application closes and deletes the engine
    const std::string name = VortanUTF8Of(CVexAssetTables::Get().SoundName(kSound));
    const std::string pack = app.dir.File("sounds.dmp");
    ASSERT_TRUE(vtest::WriteWholeFile(
        pack,
        vtest::MakePack(
            {{"/" + name,
              stest::PcmWave(1, 44100, 16, stest::Samples16(std::vector<int>(kFrames, 8000)))}})));
    ASSERT_EQ(1, app.OpenPack(S(pack), 1));
    CVortanSoundWave* wave = app.GetSound(S(name), ORLO_SOUND_LOAD_NOW);
    ASSERT_NE(nullptr, wave);

    htest::TestGame game;
    ASSERT_EQ(VORTAN_OK, game.Init(&app));

    // Muted, or while a shot is fast-forwarded: nothing starts.
    app.SetSoundsMute(true);
    game.PlaySound(kSound, 0, 0);
    EXPECT_EQ(0, wave->IsPlaying());
    app.SetSoundsMute(false);
    game.SetFastForward(1);
    game.PlaySound(kSound, 0, 0);
    EXPECT_EQ(0, wave->IsPlaying());
    game.SetFastForward(0);

    // Played; asked again while it plays, it goes on instead of starting over.
    game.PlaySound(kSound, 0, 0);
    EXPECT_EQ(wave, game.GetGameContext()->GetSound(kSound)); // the handle is kept
    u32 before = 0, after = 0;
    ASSERT_TRUE(vtest::WaitUntil([&] {
        wave->GetPosition(&before);
        return before > 0 || !wave->IsPlaying();
    }));
    game.PlaySound(kSound, 0, 0);
    wave->GetPosition(&after);
    EXPECT_GE(after, before);
    ASSERT_TRUE(vtest::WaitUntil([&] { return !wave->IsPlaying(); }));

    // At half its rate it lasts twice as long.
    game.PlaySound(kSound, 0, 22050);
    ASSERT_TRUE(vtest::WaitUntil([&] { return !wave->IsPlaying(); }));
    game.Release();
    app.ReleaseSound(wave);
    engine->Close();

    std::vector<int> runs = LoudRuns(stest::ReadCapture());
    ASSERT_EQ(2u, runs.size());
    EXPECT_NEAR(kFrames, runs[0], 8);
    EXPECT_NEAR(2 * kFrames, runs[1], 16);
}

TEST(GameMusic, ATrackLoopsTheLooseFileBesideTheProgram)
{
    HostApp app;
    const std::string name = VortanUTF8Of(CVexAssetTables::Get().MusicName(0));
    // A 0.3 s tune, made with sox and lame.
    const std::string wav = app.dir.File("tune.wav");
    ASSERT_EQ(0, vtest::RunProgram({"sox", "-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth",
                                    "0.3", "sine", "440"}));
    ASSERT_EQ(0, vtest::RunProgram({"lame", "--quiet", "-b", "128", wav, app.dir.File(name)}));
    htest::TestGame game;
    ASSERT_EQ(VORTAN_OK, game.Init(&app));
    // The output is a file: it takes the stream as fast as it comes.
    const std::string out = app.dir.File("music.raw");
    const std::string sink = "audioconvert ! audio/x-raw,format=S16LE,channels=2,rate=44100 ! "
                             "filesink append=true location=" +
                             out;
    CVortanMusicElements::SetOverride(VORTAN_MUSIC_SINK, sink.c_str());

    game.PlayMusicTrack(0);
    ASSERT_NE(nullptr, app.GetMusicPlayer());
    // Three times the tune's bytes reach the output: it started again at its end.
    const size_t tune = 44100 * 4 * 3 / 10;
    EXPECT_TRUE(vtest::WaitUntil(
        [&] {
            app.RunFrame(0.01f);
            usleep(5000);
            return vtest::ReadWholeFile(out).size() > 3 * tune;
        },
        20000));
    EXPECT_NE(nullptr, app.GetMusicPlayer());
    game.Release(); // stops the music
    EXPECT_EQ(nullptr, app.GetMusicPlayer());
    CVortanMusicElements::SetOverride(VORTAN_MUSIC_SINK, nullptr);
}

TEST(GameServices, TheGameClockFollowsItsTimer)
{
    DrivenClock clock;
    HostApp app;
    htest::TestGame game;
    ASSERT_EQ(VORTAN_OK, game.Init(&app));
    game.ResetGameClock();
    EXPECT_EQ(0, game.GetGameClock());
    clock.AdvanceMs(1234);
    EXPECT_EQ(1234, game.GetGameClock());
    // Back in time: the clock restarts from there.
    clock.SetMs(2000);
    EXPECT_EQ(0, game.GetGameClock());
    clock.AdvanceMs(10);
    EXPECT_EQ(10, game.GetGameClock());
}

TEST(GameServices, ClearedScenesAreSettingsThatExist)
{
    HostApp app;
    htest::TestGame game;
    ASSERT_EQ(VORTAN_OK, game.Init(&app));
    COrloStatsStore* settings = app.GetSettings();
    const std::string file = app.dir.File("stats.dat");

    // A new key is created as true and saved.
    EXPECT_EQ(0, game.IsSceneCleared(3));
    game.SetSceneCleared(3);
    EXPECT_EQ(1, game.IsSceneCleared(3));
    EXPECT_EQ(1, settings->Find(S("scene_3_cleared"))->boolValue);
    const std::string saved = vtest::ReadWholeFile(file);
    COrloStatsStore reread;
    reread.Open(S(file));
    ASSERT_EQ(VORTAN_OK, reread.Load());
    ASSERT_NE(nullptr, reread.Find(S("scene_3_cleared")));
    EXPECT_EQ(1, reread.Find(S("scene_3_cleared"))->boolValue);

    // A key that exists counts even when false; setting it does not save.
    settings->AddEntry(S("scene_12_cleared"))->SetBool(0);
    EXPECT_EQ(1, game.IsSceneCleared(12));
    game.SetSceneCleared(12);
    EXPECT_EQ(1, settings->Find(S("scene_12_cleared"))->boolValue);
    EXPECT_EQ(saved, vtest::ReadWholeFile(file));
}

TEST(GameServices, ChatLinesAreTakenAndTheChatHelpIsRemembered)
{
    HostApp app;
    htest::TestGame game;
    ASSERT_EQ(VORTAN_OK, game.Init(&app));
    EXPECT_EQ(0, game.IsChatHelpShown());
    COrloChatRecord line(2, S("hi"), 1), other(1, S("x"), 1);
    EXPECT_EQ(1, game.OnGameMessage(&line));
    EXPECT_EQ(0, game.OnGameMessage(&other));
    game.Release();

    app.GetSettings()->AddEntry(S("zorbix_chathelpplayed"))->SetBool(1);
    htest::TestGame again;
    ASSERT_EQ(VORTAN_OK, again.Init(&app));
    EXPECT_EQ(1, again.IsChatHelpShown());
    // The platform's hooks that need a battle leave the flags they own.
    EXPECT_EQ(0, again.OnConnectionLost(0));
    EXPECT_EQ(1, again.IsConnectionLost());
    again.SetSessionFlag(0);
    EXPECT_EQ(1, again.GetSessionFlag());
    again.OnGameClosed();
    EXPECT_EQ(1, again.IsGameClosed());
}

} // namespace

TEST(GameServices, TheGameRecordsNoAchievements)
{
    HostApp app;
    htest::TestGame game;
    ASSERT_EQ(VORTAN_OK, game.Init(&app));
    EXPECT_EQ(0, game.UnlockAchievement(1));
    EXPECT_EQ(0, game.IsAchievementUnlocked(1));
}
