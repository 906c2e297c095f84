// The game host driven by the stand-in clock: the fixed step (5 steps for 165 ms, 1 for a
// stall, none when the clock goes back), the touch table and the pinch, the sound button,
// switching between screens, the background loading, a lost and restored context, and
// the lifecycle (Init without texts, Release twice, the exit to the platform's menu), and the
// device's Back key for the front screen.
#include <gtest/gtest.h>

#include "engine/graphics/VortanSurface.h"
#include "engine/platform/VortanKeys.h"
#include "game/VexAssetTables.h"
#include "game/VexRenderer.h"
#include "platform/OrloLanguage.h"
#include "tests/game/GameHostSupport.h"
#include "tests/platform/ResourceTestSupport.h"

using htest::DrivenClock;
using htest::HostApp;
using htest::Log;
using htest::TestGame;
using htest::TestScreen;

namespace {

class GameHost : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(VORTAN_OK, game.Init(&app));
        ASSERT_EQ(VORTAN_OK, game.Load());
        menu = game.Screen(VEX_STATE_MENU);
        ASSERT_NE(nullptr, menu);
    }
    void TearDown() override { game.Release(); }
    // One call of the host's Update after the clock moved on.
    void After(u64 ms)
    {
        clock.AdvanceMs(ms);
        game.Update(0.0f);
    }

    DrivenClock clock;
    HostApp app;
    Log log;
    TestGame game{&log};
    TestScreen* menu = nullptr;
};

TEST_F(GameHost, TheFixedStepRunsDueStepsUpToFiveAndDropsAStall)
{
    EXPECT_EQ(std::vector<std::string>({"0:init", "0:reset"}), log);
    After(165);
    EXPECT_EQ(5, menu->updates);
    EXPECT_FLOAT_EQ(0.033f, menu->lastDt);
    After(198); // six steps due: one runs, the rest is dropped
    EXPECT_EQ(6, menu->updates);
    After(32);
    EXPECT_EQ(6, menu->updates);
    After(1); // the remainder was kept
    EXPECT_EQ(7, menu->updates);
    After(20);
    clock.SetMs(1000); // the clock goes back: no steps, counting starts afresh
    game.Update(0.0f);
    EXPECT_EQ(7, menu->updates);
    After(32);
    EXPECT_EQ(7, menu->updates);
    After(1);
    EXPECT_EQ(8, menu->updates);
    EXPECT_EQ(8, game.GetStepCount());

    // A full second later the counts of the second are kept and start again.
    After(1000);
    EXPECT_EQ(9, game.GetStepsLastSecond());
    EXPECT_EQ(0, game.GetStepCount());
}

TEST_F(GameHost, TheTouchTableSeesDownUpMovesAndDrags)
{
    const CVexTouchTable& t = game.GetTouchTable();
    EXPECT_EQ(1, game.OnPointerDown(2, 100, 200));
    After(33);
    EXPECT_EQ(1, t.Get(2).pressed);
    EXPECT_EQ(1, t.Get(2).justDown);
    EXPECT_EQ(1, t.AnyJustDown());
    EXPECT_EQ(0, t.Get(2).moved);
    EXPECT_EQ(1u, t.GetDownCount());

    game.OnPointerMove(2, 103, 196);
    After(33);
    EXPECT_EQ(0, t.Get(2).justDown);
    EXPECT_EQ(0, t.AnyJustDown());
    EXPECT_EQ(1, t.Get(2).moved);
    EXPECT_EQ(3.0f, t.Get(2).delta.x);
    EXPECT_EQ(-4.0f, t.Get(2).delta.y);
    game.OnPointerMove(2, 106, 196);
    After(33);
    EXPECT_EQ(3.0f, t.Get(2).delta.x);
    EXPECT_EQ(6.0f, t.Get(2).drag.x); // from where it went down
    EXPECT_EQ(-4.0f, t.Get(2).drag.y);
    After(33); // no motion
    EXPECT_EQ(0, t.Get(2).moved);

    game.OnPointerUp(2, 106, 196);
    After(33);
    EXPECT_EQ(0, t.Get(2).pressed);
    EXPECT_EQ(1, t.Get(2).justUp);
    After(33);
    EXPECT_EQ(0, t.Get(2).justUp);

    // Down and up within one step: neither mark.
    game.OnPointerDown(5, 10, 10);
    game.OnPointerUp(5, 10, 10);
    After(33);
    EXPECT_EQ(0, t.Get(5).justDown);
    EXPECT_EQ(0, t.Get(5).justUp);
    EXPECT_EQ(0, t.Get(5).pressed);
    EXPECT_EQ(1u, t.GetDownCount()) << "a tap no step saw is not counted";

    // Ids outside 0..15 change nothing but count as taken.
    EXPECT_EQ(1, game.OnPointerDown(16, 1, 1));
    EXPECT_EQ(1, game.OnPointerDown(-1, 1, 1));
    EXPECT_EQ(1, game.OnPointerMove(1000, 1, 1));
    EXPECT_EQ(1, game.OnPointerUp(16, 1, 1));
    After(33);
    for (int id = 0; id < VEX_TOUCH_COUNT; ++id)
        EXPECT_EQ(0, t.Get(id).pressed) << id;
    EXPECT_EQ(0, t.AnyJustDown());
}

TEST_F(GameHost, TwoFingersPinch)
{
    const CVexTouchTable& t = game.GetTouchTable();
    game.OnPointerDown(0, 100, 100);
    After(33);
    EXPECT_EQ(0, t.IsPinching());
    game.OnPointerDown(1, 130, 140); // 50 px apart
    After(33);
    EXPECT_EQ(1, t.IsPinching());
    EXPECT_EQ(0.0f, t.GetPinchChange());
    EXPECT_FLOAT_EQ(50.0f, t.GetPinchDistance());
    game.OnPointerMove(1, 160, 180); // 100 px apart
    After(33);
    EXPECT_FLOAT_EQ(50.0f, t.GetPinchChange());
    After(33);
    EXPECT_EQ(0.0f, t.GetPinchChange());
    game.OnPointerUp(0, 100, 100);
    After(33);
    EXPECT_EQ(0, t.IsPinching());
    // A new pinch starts at change 0 again.
    game.OnPointerDown(0, 0, 0);
    After(33);
    EXPECT_EQ(1, t.IsPinching());
    EXPECT_EQ(0.0f, t.GetPinchChange());
}

TEST_F(GameHost, TheSoundButtonMutesAndUnmutesEverything)
{
    // 800 px wide: the button is 64 x 64 in the top right corner.
    auto tap = [&](int x, int y) {
        game.OnPointerDown(0, x, y);
        After(33);
        game.OnPointerUp(0, x, y);
        After(33);
    };
    tap(735, 30); // just outside
    EXPECT_FALSE(app.GetSoundsMute());
    EXPECT_EQ(2.0f, game.GetSoundButtonScale());
    tap(736, 64); // the corner inside
    EXPECT_TRUE(app.GetSoundsMute());
    EXPECT_TRUE(app.GetMusicMute());
    EXPECT_EQ(-1.0f, game.GetSoundButtonScale());
    tap(799, 0);
    EXPECT_FALSE(app.GetSoundsMute());
    EXPECT_FALSE(app.GetMusicMute());
    EXPECT_EQ(2.0f, game.GetSoundButtonScale());

    // Only one of the two muted: the button mutes both.
    app.SetMusicMute(true);
    tap(770, 30);
    EXPECT_TRUE(app.GetSoundsMute());
    EXPECT_TRUE(app.GetMusicMute());
}

TEST_F(GameHost, ScreensSwitchAsTheyReportAndTwoDoneInOneStepBothSwitch)
{
    // The menu opens the editor; the editor and a second screen finish in the same step.
    menu->Finish(VEX_STATE_EDIT);
    After(33);
    ASSERT_EQ(nullptr, game.GetState(VEX_STATE_MENU));
    TestScreen* editor = game.Screen(VEX_STATE_EDIT);
    ASSERT_NE(nullptr, editor);
    EXPECT_EQ(1, editor->updates); // it takes part in the step it came in
    ASSERT_EQ(VORTAN_OK, game.SetState(VEX_STATE_CONNECTING));
    editor->Finish(VEX_STATE_MENU);
    game.Screen(VEX_STATE_CONNECTING)->Finish(VEX_STATE_MENU);
    log.clear();
    After(33);
    EXPECT_EQ(std::vector<std::string>({"1:release", "1:delete", "0:init", "0:reset", "3:release",
                                        "3:delete", "0:reset"}),
              log);
    ASSERT_EQ(1, game.GetActiveCount());
    EXPECT_EQ(VEX_STATE_MENU, game.GetActive(0)->GetTypeId());

    // The menu's other ways out.
    const int nexts[] = {VEX_STATE_TRAINING, VEX_STATE_PLAY, VEX_STATE_INTRO};
    const int reached[] = {VEX_STATE_TRAINING, VEX_STATE_CONNECTING, VEX_STATE_INTRO};
    for (int i = 0; i < 3; ++i) {
        game.DeleteAllStates();
        game.SetState(VEX_STATE_MENU);
        game.Screen(VEX_STATE_MENU)->Finish(nexts[i]);
        After(33);
        ASSERT_EQ(1, game.GetActiveCount()) << i;
        EXPECT_EQ(reached[i], game.GetActive(0)->GetTypeId()) << i;
    }
    // The intro and the connecting screen count as playing only for the intro.
    EXPECT_EQ(1, game.IsPlaying());
    game.Screen(VEX_STATE_INTRO)->Finish(VEX_STATE_MENU);
    After(33);
    EXPECT_EQ(0, game.IsPlaying());
    // The platform's leave marks the connecting screen done; it goes back to the menu.
    game.DeleteAllStates();
    game.SetState(VEX_STATE_CONNECTING);
    game.OnLeaveGame();
    After(33);
    EXPECT_EQ(VEX_STATE_MENU, game.GetActive(0)->GetTypeId());
}

TEST_F(GameHost, ATrainingBattleWonMarksItsSceneAndABattleFreesTheOtherScreens)
{
    menu->Finish(VEX_STATE_TRAINING);
    After(33);
    TestScreen* training = game.Screen(VEX_STATE_TRAINING);
    ASSERT_NE(nullptr, training);
    ASSERT_EQ(VORTAN_OK, game.SetState(VEX_STATE_EDIT)); // another screen lingers
    training->SetResult(7);
    training->Finish(VEX_STATE_PLAY);
    After(33);
    // While the battle runs no other screen is kept.
    ASSERT_NE(nullptr, game.GetState(VEX_STATE_PLAY));
    for (int type : {0, 1, 3, 4, 5})
        EXPECT_EQ(nullptr, game.GetState(type)) << type;
    EXPECT_EQ(1, game.IsPlaying());

    // Lost: back to training, nothing marked.
    game.Screen(VEX_STATE_PLAY)->Finish(VEX_STATE_TRAINING);
    After(33);
    EXPECT_EQ(0, game.IsSceneCleared(7));
    training = game.Screen(VEX_STATE_TRAINING);
    training->SetResult(7);
    training->Finish(VEX_STATE_PLAY);
    After(33);
    // Won: scene 7 is marked and the training screen opens.
    game.Screen(VEX_STATE_PLAY)->SetResult(1);
    game.Screen(VEX_STATE_PLAY)->Finish(VEX_STATE_TRAINING);
    After(33);
    EXPECT_EQ(1, game.IsSceneCleared(7));
    EXPECT_EQ(0, game.IsSceneCleared(6));
    EXPECT_NE(nullptr, game.GetState(VEX_STATE_TRAINING));
    EXPECT_EQ(nullptr, game.GetState(VEX_STATE_PLAY));
}

// Images 0..9 of the asset table, 2 x 2 each except image 5 (4 x 2), in a pack.
void WriteImagePack(HostApp& app, const std::string& path)
{
    rtest::Entries entries;
    for (int id = 0; id < 10; ++id) {
        const std::string name = VortanUTF8Of(CVexAssetTables::Get().ImageName(id));
        entries.push_back({"/" + name, rtest::MakePng(id == 5 ? 4 : 2, 2, "#808080")});
    }
    rtest::WritePack(path, entries);
    ASSERT_EQ(1, app.OpenPack(rtest::S(path), 1));
}

TEST_F(GameHost, TheBackgroundLoadingLoadsOneItemAStepBehindTheMenu)
{
    WriteImagePack(app, app.dir.File("images.dmp"));
    After(33 * 3);
    EXPECT_EQ(1, game.GetLoadingProgress()); // the menu does not want it yet
    EXPECT_EQ(0, game.GetLoadingIndex());

    game.menuWantsAssets = 1;
    CVexGameContext* context = game.GetGameContext();
    std::vector<int> progress;
    for (int step = 0; step < 200 && !game.IsLoadingDone(); ++step) {
        After(33);
        progress.push_back(game.GetLoadingProgress());
    }
    ASSERT_TRUE(game.IsLoadingDone());
    // 94 items less images 3 and 4: 92 steps; progress items * 100 / 94, from 1 to 100.
    ASSERT_EQ(92u, progress.size());
    EXPECT_EQ(1, progress[0]);
    EXPECT_EQ(2, progress[1]);
    EXPECT_EQ(3, progress[2]);
    EXPECT_EQ(6, progress[3]); // item 5, after the skipped two
    EXPECT_EQ(100, progress.back());
    EXPECT_EQ(0, game.GetLoadingIndex());
    for (int id : {0, 1, 2, 5, 9})
        EXPECT_NE(nullptr, context->GetImage(id)) << id;
    EXPECT_EQ(nullptr, context->GetImage(3));
    EXPECT_EQ(nullptr, context->GetImage(4));
    EXPECT_EQ(nullptr, context->GetImage(10));
    // Seven 2 x 2 images and one 4 x 2, four bytes a pixel.
    EXPECT_EQ(7u * 16u + 32u, game.GetTextureBytes());

    // Done: nothing more is loaded.
    After(33);
    EXPECT_EQ(100, game.GetLoadingProgress());

    // The context goes: the images and the loading state go with it; the screens' graphics
    // come back with the restore, which reloads every image at once.
    game.SetState(VEX_STATE_TRAINING);
    game.menuWantsAssets = 0;
    for (int i = 0; i < VEX_SHADER_COUNT; ++i)
        ASSERT_NE(nullptr, game.GetRenderer()->GetShader(i)) << i;
    EXPECT_EQ(1, game.OnContextLost());
    for (int i = 0; i < VEX_SHADER_COUNT; ++i)
        EXPECT_EQ(nullptr, game.GetRenderer()->GetShader(i)) << i;
    EXPECT_EQ(nullptr, context->GetImage(0));
    EXPECT_EQ(0, game.IsLoadingDone());
    EXPECT_EQ(1, game.GetLoadingProgress());
    EXPECT_EQ(nullptr, app.FindSurface(CVexAssetTables::Get().ImageName(0)));
    log.clear();
    EXPECT_EQ(1, game.OnContextRestored());
    for (int i = 0; i < VEX_SHADER_COUNT; ++i)
        EXPECT_NE(nullptr, game.GetRenderer()->GetShader(i)) << i;
    EXPECT_TRUE(game.IsLoadingDone());
    EXPECT_NE(nullptr, context->GetImage(0));
    EXPECT_EQ(std::vector<std::string>({"0:reload", "5:reload"}), log);

    // The intro takes the images away and starts the loading again.
    game.DeleteAllStates();
    game.SetState(VEX_STATE_MENU);
    game.Screen(VEX_STATE_MENU)->Finish(VEX_STATE_INTRO);
    After(33);
    EXPECT_EQ(nullptr, context->GetImage(0));
    EXPECT_EQ(0, game.IsLoadingDone());
    // With the intro up, a restore leaves the loading to the menu.
    game.OnContextLost();
    game.OnContextRestored();
    EXPECT_EQ(0, game.IsLoadingDone());
}

TEST_F(GameHost, RenderKeepsTheFrameRateAwakeAndDrawsEveryActiveScreen)
{
    game.SetState(VEX_STATE_TRAINING);
    app.MakeIdle();
    ASSERT_EQ(1, app.IsIdle());
    game.Render();
    EXPECT_EQ(0, app.IsIdle());
    EXPECT_EQ(1, menu->renders);
    EXPECT_EQ(1, game.Screen(VEX_STATE_TRAINING)->renders);
    // Without a screen it still runs (it clears the target).
    game.DeleteAllStates();
    app.MakeIdle();
    game.Render();
    EXPECT_EQ(0, app.IsIdle());
    EXPECT_EQ(2, game.GetFrameCount());

    // Characters go to every active screen.
    game.SetState(VEX_STATE_MENU);
    game.SetState(VEX_STATE_EDIT);
    log.clear();
    EXPECT_EQ(1, game.OnChar('a'));
    EXPECT_EQ(std::vector<std::string>({"0:char 97", "1:char 97"}), log);
    EXPECT_EQ(0, game.OnKeyDown('a'));
}

TEST_F(GameHost, TheBackKeyGoesToTheFrontScreenAloneAndNoOtherKeyToAny)
{
    const int back = (int)VORTAN_XKEYSYM_BACK;
    // The editor over the menu: Back is the editor's.
    game.SetState(VEX_STATE_EDIT);
    log.clear();
    EXPECT_EQ(0, game.OnKeyDown(back));
    EXPECT_EQ(Log{"1:back"}, log);
    // Escape's own keysym, Return, a letter, the Back key's engine code taken for a keysym
    // ("M") and a negative value are no Back key.
    log.clear();
    for (int key : {0xff1b, 0xff0d, (int)'a', 77, -1})
        EXPECT_EQ(0, game.OnKeyDown(key)) << key;
    EXPECT_EQ(Log{}, log);
    // A front screen on its way out takes no Back, and the one behind it gets none either.
    game.Screen(VEX_STATE_EDIT)->Finish(VEX_STATE_MENU);
    game.OnKeyDown(back);
    EXPECT_EQ(Log{}, log);
    // Without a screen nothing happens.
    game.DeleteAllStates();
    log.clear();
    EXPECT_EQ(0, game.OnKeyDown(back));
    EXPECT_EQ(Log{}, log);
}

TEST_F(GameHost, AnExitToThePlatformDropsEveryScreen)
{
    game.SetState(VEX_STATE_EDIT);
    game.RequestExitToPlatform();
    After(1);
    EXPECT_EQ(0, game.GetActiveCount());
    EXPECT_EQ(nullptr, game.GetState(VEX_STATE_MENU));
    EXPECT_EQ(1, app.returnsToMenu);
    After(33);
    EXPECT_EQ(1, app.returnsToMenu);
}

TEST(GameHostLifecycle, ReleaseRunsOnceAndInitNeedsTheTexts)
{
    DrivenClock clock;
    HostApp app;
    Log log;
    {
        TestGame game(&log);
        ASSERT_EQ(VORTAN_OK, game.Init(&app));
        ASSERT_NE(nullptr, game.GetLanguageObject());
        EXPECT_EQ("T2", VortanUTF8Of(game.GetLanguageObject()->GetText(2)));
        EXPECT_NE(nullptr, game.GetRenderer());
        EXPECT_NE(nullptr, game.GetPhysicsWorld());
        game.Load();
        game.Release();
        EXPECT_EQ(nullptr, game.GetLanguageObject());
        EXPECT_EQ(nullptr, game.GetRenderer());
        EXPECT_EQ(nullptr, game.GetPhysicsWorld());
        EXPECT_EQ(std::vector<std::string>({"0:init", "0:reset", "0:release", "0:delete"}), log);
        game.Release(); // and the destructor once more
    }
    EXPECT_EQ(4u, log.size());

    // Without the game's language pack Init fails with the packs' code; the half-made game
    // is still released cleanly.
    unlink(app.dir.File("zorbixlanguage_0000.dmp").c_str());
    TestGame bare;
    EXPECT_EQ(VORTAN_E_MISSING, bare.Init(&app));
}

} // namespace
