// The online battle between two games over the loopback channel: the start of a match, a shot
// played back alike on both devices, and the end of a match.
#include <gtest/gtest.h>

#include "game/VexChatBubbles.h"
#include "platform/OrloChatRecord.h"
#include "platform/OrloStatsStore.h"
#include "tests/game/BattleMatchSupport.h"

namespace {

using btest::Match;

std::vector<std::string> g_digests[2];

void Record(CVexPlayState* battle, void* context)
{
    (void)context;
    g_digests[battle->GetLocalSide()].push_back(btest::Digest(battle));
}

TEST(BattleOnline, OneShotIsPlayedBackAlikeOnBothDevices)
{
    Match match;
    match.Start();
    ASSERT_TRUE(match.A() && match.B());
    g_digests[0].clear();
    g_digests[1].clear();
    match.A()->SetPlaybackHook(Record, nullptr);
    match.B()->SetPlaybackHook(Record, nullptr);
    ASSERT_TRUE(match.RunUntil([&] { return match.ReadyShooter() != nullptr; }, 400));
    CVexPlayState* shooter = match.ReadyShooter();
    Match::Fire(shooter, VEX_WEAPON_BOMB, CVortanVector2(0.2f, -0.2f));
    ASSERT_TRUE(
        match.RunUntil([&] { return g_digests[0].size() >= 1 && g_digests[1].size() >= 1; }, 3000));
    EXPECT_EQ(g_digests[0][0], g_digests[1][0]);
}

} // namespace

namespace {

TEST(BattleOnline, ChatLinesBecomeBubblesAndTheFirstOwnLineIsRemembered)
{
    Match match;
    match.Start();
    ASSERT_TRUE(match.RunUntil([&] { return match.ReadyShooter() != nullptr; }, 600));
    CVexChatBubbles* bubbles = match.gameA.GetChatBubbles();
    bubbles->Clear();
    EXPECT_EQ(0, match.gameA.OnGameMessage(nullptr));
    COrloChatRecord notice(1, CVortanString("left"), 202);
    EXPECT_EQ(0, match.gameA.OnGameMessage(&notice));
    EXPECT_EQ(0, bubbles->GetCount());
    COrloChatRecord theirs(2, CVortanString("hello"), 202);
    EXPECT_EQ(1, match.gameA.OnGameMessage(&theirs));
    ASSERT_EQ(1, bubbles->GetCount());
    EXPECT_EQ(CVortanString("Opponent"), *bubbles->GetAt(0)->name);
    EXPECT_EQ(0, match.gameA.IsChatHelpShown());
    COrloChatRecord mine(2, CVortanString("hi"), 101);
    EXPECT_EQ(1, match.gameA.OnGameMessage(&mine));
    ASSERT_EQ(2, bubbles->GetCount());
    EXPECT_EQ(CVortanString("Me"), *bubbles->GetAt(1)->name);
    EXPECT_EQ(1, match.gameA.IsChatHelpShown());
    EXPECT_NE(nullptr, match.appA.GetSettings()->Find(CVortanString("zorbix_chathelpplayed")));
}

TEST(BattleOnline, TheTurnClockIsTheOwnTurnsTimeLeft)
{
    Match match;
    EXPECT_EQ(0.0f, match.gameA.GetTurnClock());
    match.Start();
    ASSERT_TRUE(match.RunUntil([&] { return match.ReadyShooter() != nullptr; }, 600));
    CVexPlayState* shooter = match.ReadyShooter();
    vtest::CTestMatchGame& own = shooter == match.A() ? match.gameA : match.gameB;
    vtest::CTestMatchGame& other = shooter == match.A() ? match.gameB : match.gameA;
    for (int i = 0; i < 300; ++i)
        match.Tick();
    const float left = own.GetTurnClock();
    EXPECT_GT(left, 0.6f);
    EXPECT_LT(left, 0.7f); // about 10 s of 30 gone
    EXPECT_EQ(0.0f, other.GetTurnClock());
}

TEST(BattleOnline, ALostConnectionEndsTheBattle)
{
    Match match;
    match.Start();
    ASSERT_TRUE(match.RunUntil([&] { return match.ReadyShooter() != nullptr; }, 600));
    match.gameA.OnConnectionLost(3);
    EXPECT_EQ(1, match.gameA.IsConnectionLost());
    EXPECT_TRUE(match.A()->IsLeaveRequested());
    ASSERT_TRUE(match.RunUntil([&] { return match.A() == nullptr; }, 100));
    EXPECT_NE(nullptr, match.B());
}

TEST(BattleOnline, TheChatPageIsHarmlessWithoutAMenu)
{
    htest::HostApp app;
    app.ShowChat();
    EXPECT_EQ(nullptr, app.GetMenuState());
}

} // namespace
