// Two games on the loopback channel choose an online battle from their menus: both show the
// waiting screen counting down from 10 to 1 while their lobby looks for an opponent, then the
// service's start of the match (opener 1 on one, 0 on the other) starts one battle on both:
// the same level, one side to play.
#include <gtest/gtest.h>

#include <algorithm>

#include "game/VexButton.h"
#include "game/VexButtonManager.h"
#include "game/VexConnectingState.h"
#include "game/VexMenuState.h"
#include "game/VexPlayState.h"
#include "tests/game/BattleMatchSupport.h"

namespace {

CVexMenuState* MenuOf(vtest::CTestMatchGame& game)
{
    return dynamic_cast<CVexMenuState*>(game.GetState(VEX_STATE_MENU));
}

CVexConnectingState* WaitingOf(vtest::CTestMatchGame& game)
{
    return dynamic_cast<CVexConnectingState*>(game.GetState(VEX_STATE_CONNECTING));
}

// Both games drawn and stepped: the menus load behind their first frames.
void Frame(btest::Match& m)
{
    m.Tick();
    m.gameA.Render();
    m.gameB.Render();
}

void Tap(vtest::CTestMatchGame& game, btest::Match& m, const CVexButton* button)
{
    const int x = (int)(button->centre.x + button->bobOffset.x);
    const int y = (int)(button->centre.y + button->bobOffset.y);
    game.OnPointerDown(0, x, y);
    Frame(m);
    game.OnPointerUp(0, x, y);
    Frame(m);
}

TEST(ConnectingMatch, BothWaitCountingDownThenTheStartedMatchIsOneBattleOnBoth)
{
    btest::Match m;
    ASSERT_EQ(VORTAN_OK, m.gameA.Load());
    ASSERT_EQ(VORTAN_OK, m.gameB.Load());
    for (int i = 0; i < 300 && !(MenuOf(m.gameA)->IsReady() && MenuOf(m.gameB)->IsReady()); ++i)
        Frame(m);
    ASSERT_TRUE(MenuOf(m.gameA)->IsReady() && MenuOf(m.gameB)->IsReady());

    for (vtest::CTestMatchGame* game : {&m.gameA, &m.gameB})
        Tap(*game, m, MenuOf(*game)->GetButtons()->FindButton(VEX_MENU_BUTTON_BATTLE));
    ASSERT_TRUE(m.RunUntil([&] { return WaitingOf(m.gameA) && WaitingOf(m.gameB); }, 30));
    // Each asked its lobby for an opponent once.
    EXPECT_EQ(1, m.gameA.leaves);
    EXPECT_EQ(1, m.gameB.leaves);

    // 15 s of waiting: every number from 10 down to 5 or so, never 0 or 11.
    int lowest = 11;
    for (int i = 0; i < 450; ++i) {
        Frame(m);
        for (vtest::CTestMatchGame* game : {&m.gameA, &m.gameB}) {
            ASSERT_NE(nullptr, WaitingOf(*game)) << i;
            const int c = WaitingOf(*game)->GetCountdown();
            ASSERT_GE(c, 1);
            ASSERT_LE(c, 10);
            lowest = std::min(lowest, c);
        }
    }
    EXPECT_LE(lowest, 3);

    // The service starts the match: A opens.
    m.Start(1);
    ASSERT_TRUE(m.RunUntil([&] { return m.ReadyShooter() != nullptr; }, 600));
    ASSERT_NE(nullptr, m.A());
    ASSERT_NE(nullptr, m.B());
    EXPECT_EQ(nullptr, WaitingOf(m.gameA));
    EXPECT_EQ(nullptr, WaitingOf(m.gameB));
    EXPECT_EQ(m.A()->GetLevelIndex(), m.B()->GetLevelIndex());
    EXPECT_NE(m.A()->GetLocalSide(), m.B()->GetLocalSide());
    // One side plays: exactly one of the two has its turn.
    const int turns = (m.A()->GetRoundState() == VEX_ROUND_OWN_TURN && m.A()->IsTurnActive()) +
                      (m.B()->GetRoundState() == VEX_ROUND_OWN_TURN && m.B()->IsTurnActive());
    EXPECT_EQ(1, turns);
    // No leave message went out meanwhile.
    EXPECT_EQ(1, m.gameA.leaves);
    EXPECT_EQ(1, m.gameB.leaves);
}

} // namespace
