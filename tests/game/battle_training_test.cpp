// The battle against the computer and the shots of the battle: the weapons each training scene
// allows, the scene's name, restarts, a won scene, bombs that are not spent, and the
// fast-forward: at most 31 steps a frame, the snapshot on screen, a shot that never settles
// dropped after 30 s simulated.
#include <gtest/gtest.h>

#include "engine/platform/VortanKeys.h"
#include "game/VexButton.h"
#include "game/VexButtonManager.h"
#include "game/VexCamera.h"
#include "game/VexPhysicsWorld.h"
#include "game/VexRenderer.h"
#include "tests/game/BattleMatchSupport.h"

namespace {

using btest::Match;
using btest::Training;

struct Row {
    int scene;
    std::vector<int> enabled;
    int weapon;
    int snow, cluster;
};

TEST(BattleTraining, EachSceneAllowsItsWeaponsAndIsNamedAfterItsText)
{
    const std::vector<Row> rows = {
        {0, {2}, 0, 0, 0},
        {1, {2, 5}, 0, 0, 0},
        {2, {3}, 1, 0, 0},
        {4, {3}, 1, 0, 0},
        {5, {4}, 2, 0, 0},
        {7, {4}, 2, 0, 0},
        {8, {2, 5, 3, 4, 8}, 4, 1, 0},
        {9, {2, 5, 3, 4, 8}, 5, 0, 1},
        {10, {2, 5, 3, 4}, 1, 0, 0},
        {14, {2, 5, 3, 4}, 1, 0, 0},
    };
    for (const Row& row : rows) {
        Training t;
        ASSERT_TRUE(t.Start(row.scene)) << row.scene;
        CVexPlayState* b = t.Battle();
        EXPECT_EQ(row.scene, b->GetLevelIndex());
        for (int id : {2, 5, 3, 4, 8}) {
            CVexButton* button = b->GetButtons()->FindButton(id);
            ASSERT_NE(nullptr, button);
            const bool enabled =
                std::find(row.enabled.begin(), row.enabled.end(), id) != row.enabled.end();
            EXPECT_EQ(enabled ? 0 : 1, button->locked) << "scene " << row.scene << " button " << id;
        }
        const CVexPlayer& p = b->Player(0);
        EXPECT_EQ((u32)row.weapon, p.weapon) << row.scene;
        EXPECT_EQ((u32)row.snow, p.snowBombOwned);
        EXPECT_EQ((u32)row.cluster, p.clusterBombOwned);
        // Texts 1..21 are the screens'; the scene names follow from 101.
        EXPECT_EQ(htest::S("T" + std::to_string(101 + row.scene)), b->GetSceneName());
        EXPECT_EQ(htest::S("T50"), b->GetHint(0));
        EXPECT_EQ(htest::S("T55"), b->GetHint(5));
    }
}

TEST(BattleTraining, TheRestartButtonReplaysTheSceneAtOnce)
{
    Training t;
    ASSERT_TRUE(t.Start(3));
    CVexPlayState* b = t.Battle();
    b->Player(0).body->position.x += 0.5f;
    b->ClickButton(VEX_BTN_RESTART);
    t.Tick();
    t.Tick();
    // The same scene, the turn active at once (no start-of-turn delay).
    EXPECT_EQ(3, b->GetLevelIndex());
    EXPECT_TRUE(b->IsTurnActive());
    EXPECT_EQ(VEX_ROUND_OWN_TURN, b->GetRoundState());
    EXPECT_NEAR(b->GetLiveScene()->GetSpawn(0, 0).x, b->Player(0).body->position.x, 0.05f);
}

TEST(BattleTraining, AWonSceneGivesResultOneAndIsMarkedCleared)
{
    Training t;
    ASSERT_TRUE(t.Start(4));
    CVexPlayState* b = t.Battle();
    Match::Fire(b, VEX_WEAPON_WHIP, CVortanVector2(0.0f, 0.001f));
    b->PostPlayerOut(1, 1);
    const bool over = t.RunUntil([&] { return b->IsGameOver(); }, 2000);
    ASSERT_TRUE(over);
    EXPECT_EQ(0, b->GetWinner());
    EXPECT_EQ(1, b->GetResult());
    // Button 12 shows after 1 s; it ends the battle, and the training screen comes back.
    ASSERT_TRUE(t.RunUntil(
        [&] {
            CVexButton* next = b->GetButtons()->FindButton(VEX_BTN_LEAVE);
            return next && next->visible;
        },
        100));
    b->ClickButton(VEX_BTN_LEAVE);
    ASSERT_TRUE(t.RunUntil([&] { return t.Battle() == nullptr; }, 100));
    EXPECT_EQ(1, t.game.IsSceneCleared(4));
    EXPECT_NE(nullptr, t.game.GetState(VEX_STATE_TRAINING));
    EXPECT_EQ(0, t.game.sends);
}

TEST(BattleTraining, ADrawRestartsTheSceneAfterThreeSeconds)
{
    Training t;
    ASSERT_TRUE(t.Start(2));
    CVexPlayState* b = t.Battle();
    Match::Fire(b, VEX_WEAPON_BOMB, CVortanVector2(0.0f, 0.01f));
    b->PostPlayerOut(0, 1);
    b->PostPlayerOut(1, 1);
    ASSERT_TRUE(t.RunUntil([&] { return b->GetRoundState() == VEX_ROUND_BETWEEN; }, 2000));
    const long drawn = t.ticks;
    ASSERT_TRUE(t.RunUntil([&] { return t.Ready(); }, 300));
    const float seconds = (t.ticks - drawn) * 0.033f;
    EXPECT_GT(seconds, 2.9f);
    EXPECT_LT(seconds, 3.3f);
    EXPECT_EQ(1u, b->Player(0).inPlay);
    EXPECT_EQ(1u, b->Player(1).inPlay);
}

TEST(BattleTraining, AShopBombInTrainingIsNeverSpent)
{
    Training t;
    ASSERT_TRUE(t.Start(8));
    CVexPlayState* b = t.Battle();
    b->ClickButton(VEX_BTN_SHOP_BOMB);
    EXPECT_EQ((u32)VEX_WEAPON_SNOW, b->Player(0).weapon);
    b->SetAim(CVortanVector2(0.05f, 0.2f));
    b->FireShot();
    ASSERT_TRUE(t.RunUntil([&] { return b->IsShotFinished() || !b->IsShotInProgress(); }, 2000));
    EXPECT_TRUE(t.app.spends.empty());
    EXPECT_EQ(0u, b->Player(0).bombUsed);
}

TEST(BattleShots, AFastForwardRunsAtMost31StepsAFrameAndShowsTheSnapshot)
{
    Training t;
    ASSERT_TRUE(t.Start(12));
    CVexPlayState* b = t.Battle();
    const CVortanVector2 before = b->Player(0).body->position;
    Match::Fire(b, VEX_WEAPON_JUMP, CVortanVector2(0.1f, -0.4f));
    t.Tick();
    ASSERT_TRUE(b->IsFastForwarding());
    EXPECT_EQ(31, b->GetLastFrameSteps());
    EXPECT_EQ(1, t.game.IsFastForwarding());
    // The screen's scene is the snapshot, still where the squib stood.
    EXPECT_EQ(0,
              memcmp(&before, &b->GetSnapshotScene()->GetPlayer(0).body->position, sizeof before));
    // The timer frame keeps its range while the shot runs.
    EXPECT_GE(b->GetTimerFrame(), 0);
    EXPECT_LE(b->GetTimerFrame(), 15);
}

TEST(BattleShots, AShotThatNeverSettlesIsDroppedAfterThirtySimulatedSeconds)
{
    Match match;
    match.Start();
    ASSERT_TRUE(match.RunUntil([&] { return match.ReadyShooter() != nullptr; }, 600));
    CVexPlayState* b = match.ReadyShooter();
    CVexPlayState* other = b == match.A() ? match.B() : match.A();
    const int batchesBefore = other->GetAcceptedCount();
    // Without gravity and blocks a jump never comes to rest.
    CVexPhysicsWorld* world = (b == match.A() ? match.gameA : match.gameB).GetPhysicsWorld();
    world->SetGravity(CVortanVector2(0.0f, 0.0f));
    CVexBlockList* blocks = b->GetLiveScene()->GetBlocks();
    while (blocks->GetCount() > 0)
        blocks->RemoveById(blocks->GetAt(0)->id);
    Match::Fire(b, VEX_WEAPON_JUMP, CVortanVector2(0.0f, -0.4f));
    int frames = 0;
    while (b->IsFastForwarding() && frames < 100) {
        match.Tick();
        ++frames;
    }
    EXPECT_FALSE(b->IsFastForwarding());
    EXPECT_EQ(1, b->GetDroppedShots());
    EXPECT_FALSE(b->IsShotInProgress());
    EXPECT_GT(b->GetFastForwardTime(), 30.0f);
    EXPECT_GE(frames, 29);
    // Nothing was sent for it, and the turn goes on.
    match.Tick();
    EXPECT_EQ(batchesBefore, other->GetAcceptedCount());
    EXPECT_EQ(VEX_ROUND_OWN_TURN, b->GetRoundState());
    EXPECT_GT(b->GetTurnTimeLeft(), 0.0f);
}

} // namespace

namespace {

TEST(BattleShots, AShotWhoseBatchWouldNotFitOneMessageIsDroppedLikeOneThatNeverSettles)
{
    btest::Match match;
    match.Start();
    ASSERT_TRUE(match.RunUntil([&] { return match.ReadyShooter() != nullptr; }, 600));
    CVexPlayState* b = match.ReadyShooter();
    CVexPlayState* other = b == match.A() ? match.B() : match.A();
    const int acceptedBefore = other->GetAcceptedCount();
    btest::Match::Fire(b, VEX_WEAPON_JUMP, CVortanVector2(0.0f, 0.001f));
    // 1100 explosions of 33 bytes each in the batch: more than 32,768 bytes.
    for (int i = 0; i < 1100; ++i)
        b->PostExplosion(CVortanVector2(5.0f, 5.0f), 0.01f, 0, 0xFF000000u, 1);
    ASSERT_TRUE(match.RunUntil([&] { return !b->IsFastForwarding(); }, 200));
    EXPECT_EQ(1, b->GetDroppedShots());
    EXPECT_FALSE(b->IsShotInProgress());
    EXPECT_FALSE(b->IsShotFinished());
    for (int i = 0; i < 5; ++i)
        match.Tick();
    EXPECT_EQ(acceptedBefore, other->GetAcceptedCount());
    EXPECT_EQ(VEX_ROUND_OWN_TURN, b->GetRoundState());
    EXPECT_EQ(VEX_ROUND_OTHER_TURN, other->GetRoundState());
}

} // namespace

namespace {

TEST(BattleTraining, TheBackKeyAndTheExitConfirmation)
{
    btest::Training t;
    ASSERT_TRUE(t.Start(11));
    CVexPlayState* b = t.Battle();
    EXPECT_EQ(1, b->OnChar('x')); // every character counts as handled
    EXPECT_FALSE(b->IsExitConfirmationShown());
    t.game.OnKeyDown((int)VORTAN_XKEYSYM_BACK); // the device's Back key
    EXPECT_TRUE(b->IsExitConfirmationShown());
    // Weapons still select while it is open; "no" closes it; the back key toggles it.
    b->ClickButton(VEX_BTN_JUMP);
    EXPECT_EQ((u32)VEX_WEAPON_JUMP, b->Player(0).weapon);
    b->ClickButton(VEX_BTN_NO);
    EXPECT_FALSE(b->IsExitConfirmationShown());
    b->ClickButton(VEX_BTN_EXIT);
    EXPECT_TRUE(b->IsExitConfirmationShown());
    t.game.OnKeyDown((int)VORTAN_XKEYSYM_BACK);
    EXPECT_FALSE(b->IsExitConfirmationShown());
    // "Yes" forfeits: the battle ends and the training screen comes back, nothing marked.
    b->ClickButton(VEX_BTN_EXIT);
    b->ClickButton(VEX_BTN_YES);
    EXPECT_EQ(VEX_ROUND_LEFT, b->GetRoundState());
    ASSERT_TRUE(t.RunUntil([&] { return t.Battle() == nullptr; }, 100));
    EXPECT_EQ(0, t.game.IsSceneCleared(11));
    EXPECT_NE(nullptr, t.game.GetState(VEX_STATE_TRAINING));
}

// A jump aimed with the finger: the squib springs back to its round shape while the shot runs
// and stays so through the flight, the landing and a restart of the scene.
TEST(BattleShots, TheSquibSpringsBackAfterAJumpAndARestartShowsItUnstretched)
{
    Training t;
    ASSERT_TRUE(t.Start(12));
    CVexPlayState* b = t.Battle();
    b->ClickButton(VEX_BTN_JUMP);
    ASSERT_EQ((u32)VEX_WEAPON_JUMP, b->Player(0).weapon);
    for (int i = 0; i < 45; ++i) // the camera settles
        t.Tick();
    CVortanVector2 squib;
    t.game.GetRenderer()->GetCamera().WorldToScreen(b->Player(0).body->position, squib);
    t.game.OnPointerDown(0, (int)squib.x, (int)squib.y);
    t.Tick();
    for (int k = 1; k <= 6; ++k) {
        t.game.OnPointerMove(0, (int)squib.x - 10 * k, (int)squib.y + 12 * k);
        t.Tick();
    }
    ASSERT_EQ(1u, b->Player(0).stretching);
    ASSERT_GT(b->Player(0).stretch.Length(), 0.1f);
    t.game.OnPointerUp(0, (int)squib.x - 60, (int)squib.y + 72);
    ASSERT_TRUE(t.RunUntil([&] { return b->IsShotInProgress(); }, 5));
    // Springing back at 0.06 a step takes at most seven steps from the longest aim.
    for (int i = 0; i < 8; ++i)
        t.Tick();
    const CVexPlayer& shown =
        (b->IsFastForwarding() ? b->GetSnapshotScene() : b->GetLiveScene())->GetPlayer(0);
    EXPECT_EQ(0u, shown.stretching);
    EXPECT_EQ(0.0f, shown.stretch.Length());
    // The jump played back: the squib flies and lands round.
    ASSERT_TRUE(t.RunUntil([&] { return b->IsShotFinished(); }, 3000));
    for (int i = 0; i < 60; ++i) {
        t.Tick();
        ASSERT_EQ(0u, b->Player(0).stretching) << i;
    }

    // An aim held when the scene restarts: the new scene's squib stands unstretched.
    b->SetAim(CVortanVector2(-0.2f, 0.3f));
    b->ClickButton(VEX_BTN_RESTART);
    t.Tick();
    t.Tick();
    EXPECT_EQ(0u, b->Player(0).stretching);
    EXPECT_EQ(0u, b->Player(0).aiming);
    EXPECT_EQ(0.0f, b->Player(0).stretch.Length());
}

} // namespace
