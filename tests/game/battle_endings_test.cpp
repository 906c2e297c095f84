// The ways an online battle ends while its shooter is fast-forwarding a shot (the connection
// closed, the connection lost, the battle deleted): the host is left as a new battle finds it,
// with its own clock running for the screens that come next. And the match hooks' marks: the
// side that starts, and the players who left.
#include <gtest/gtest.h>

#include <functional>

#include "game/VexConnectingState.h"
#include "game/VexPhysicsWorld.h"
#include "tests/game/BattleMatchSupport.h"

namespace {

using btest::Match;

// The shooter's game, mid-way through a shot that never comes to rest (no gravity, no blocks).
vtest::CTestMatchGame* FastForwardingShooter(Match& match)
{
    if (!match.RunUntil([&] { return match.ReadyShooter() != nullptr; }, 600))
        return nullptr;
    CVexPlayState* b = match.ReadyShooter();
    vtest::CTestMatchGame* game = b == match.A() ? &match.gameA : &match.gameB;
    game->GetPhysicsWorld()->SetGravity(CVortanVector2(0.0f, 0.0f));
    CVexBlockList* blocks = b->GetLiveScene()->GetBlocks();
    while (blocks->GetCount() > 0)
        blocks->RemoveById(blocks->GetAt(0)->id);
    Match::Fire(b, VEX_WEAPON_JUMP, CVortanVector2(0.0f, -0.4f));
    match.Tick();
    if (!b->IsFastForwarding() || !game->IsFastForwarding())
        return nullptr;
    return game;
}

// The host's clock runs with time again, and a waiting screen made now counts down.
void ExpectTheHostRunsAgain(Match& match, vtest::CTestMatchGame* game)
{
    EXPECT_EQ(0, game->IsFastForwarding());
    game->DeleteAllStates();
    ASSERT_EQ(VORTAN_OK, game->SetState(VEX_STATE_CONNECTING));
    const int before = game->GetGameClock();
    for (int i = 0; i < 100; ++i) // 3.3 s
        match.Tick();
    EXPECT_GE(game->GetGameClock() - before, 3000);
    auto* connecting = dynamic_cast<CVexConnectingState*>(game->GetState(VEX_STATE_CONNECTING));
    ASSERT_NE(nullptr, connecting);
    // 3.3 s of 20: int(16.7 / 20 * 10) + 1.
    EXPECT_EQ(9, connecting->GetCountdown());
}

TEST(BattleEndings, AClosedConnectionDropsTheShotAndLeavesTheHostClear)
{
    Match match;
    match.Start();
    vtest::CTestMatchGame* game = FastForwardingShooter(match);
    ASSERT_NE(nullptr, game);
    game->OnGameClosed();
    match.Tick();
    CVexPlayState* b = game->GetBattle();
    ASSERT_NE(nullptr, b);
    EXPECT_FALSE(b->IsFastForwarding());
    EXPECT_FALSE(b->IsShotInProgress());
    EXPECT_EQ(VEX_ROUND_GAME_OVER, b->GetRoundState());
    ExpectTheHostRunsAgain(match, game);
}

TEST(BattleEndings, ALostConnectionEndsTheBattleAndLeavesTheHostClear)
{
    Match match;
    match.Start();
    vtest::CTestMatchGame* game = FastForwardingShooter(match);
    ASSERT_NE(nullptr, game);
    game->OnConnectionLost(3);
    ASSERT_TRUE(match.RunUntil([&] { return game->GetBattle() == nullptr; }, 100));
    ExpectTheHostRunsAgain(match, game);
}

TEST(BattleEndings, ABattleDeletedMidShotLeavesTheHostClear)
{
    Match match;
    match.Start();
    vtest::CTestMatchGame* game = FastForwardingShooter(match);
    ASSERT_NE(nullptr, game);
    game->DeleteStateByType(VEX_STATE_PLAY);
    EXPECT_EQ(nullptr, game->GetBattle());
    ExpectTheHostRunsAgain(match, game);
}

// --- the match hooks' marks ------------------------------------------------------------------

TEST(MatchHooks, TheOpenersSideIsMarkedAsTheOneThatStartsOnBothDevices)
{
    // A is player 101 (side 0), B player 202 (side 1).
    for (int openerA : {1, 0}) {
        Match match;
        match.Start(openerA);
        const int starter = openerA ? 0 : 1;
        for (CVexPlayState* b : {match.A(), match.B()}) {
            ASSERT_NE(nullptr, b);
            EXPECT_EQ(starter == 0 ? 1 : 0, b->IsStartingSide(0)) << openerA;
            EXPECT_EQ(starter == 1 ? 1 : 0, b->IsStartingSide(1)) << openerA;
        }
    }
}

TEST(MatchHooks, APlayerWhoLeavesARunningBattleIsCountedOnceOthersAreNot)
{
    Match match;
    match.Start();
    ASSERT_TRUE(match.RunUntil([&] { return match.ReadyShooter() != nullptr; }, 600));
    EXPECT_EQ(0, match.gameA.OnPlayerLeft(999)); // of neither side
    EXPECT_EQ(0, match.gameA.GetPlayersLeft());
    EXPECT_FALSE(match.A()->HasEnded());
    EXPECT_EQ(1, match.gameA.OnPlayerLeft(202));
    EXPECT_EQ(1, match.gameA.GetPlayersLeft());
    // The battle has ended: a second notice is not counted.
    EXPECT_EQ(0, match.gameA.OnPlayerLeft(202));
    EXPECT_EQ(1, match.gameA.GetPlayersLeft());
    EXPECT_EQ(0, match.gameB.GetPlayersLeft());
}

} // namespace
