// The online battle between two games over the loopback channel: the start of a match, a shot
// played back alike on both devices, and the end of a match.
#include <gtest/gtest.h>

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
