// The battle's background sounds on the seeded random source: the timers are drawn in their
// ranges, the loop is asked for on every update, one long update plays one common and one
// rare sound, and empty lists still run and redraw their timers.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/platform/VortanApplication.h"
#include "game/VexAmbientSounds.h"
#include "tests/game/GameHostSupport.h"

namespace {

// A host that logs the sounds asked for.
class SoundLog : public htest::TestGame {
public:
    void PlaySound(int soundId, u32 playFlags, int frequency) override
    {
        (void)playFlags;
        (void)frequency;
        played.push_back(soundId);
    }
    std::vector<int> played;
};

void Fill(CVexAmbientSounds& ambient)
{
    for (int id : {17, 18, 19})
        ambient.AddCommonSound(id);
    for (int id : {20, 21, 22})
        ambient.AddRareSound(id);
    ambient.SetLoopSound(23);
}

TEST(AmbientSounds, TimersLoopAndOneSoundOfEachListPerUpdate)
{
    SoundLog game;
    IVortanApplication::SeedRandomValue(7);
    CVexAmbientSounds ambient;
    EXPECT_EQ(10.0f, ambient.GetCommonTimer());
    EXPECT_EQ(10.0f, ambient.GetRareTimer());
    Fill(ambient);
    ambient.Init(&game);
    for (int i = 0; i < 50; ++i) {
        EXPECT_GE(ambient.GetCommonTimer(), 7.0f);
        EXPECT_LE(ambient.GetCommonTimer(), 15.0f);
        EXPECT_GE(ambient.GetRareTimer(), 20.0f);
        EXPECT_LE(ambient.GetRareTimer(), 30.0f);
        ambient.ResetCommonTimer();
        ambient.ResetRareTimer();
    }

    // Short updates: only the loop, each time.
    const float common = ambient.GetCommonTimer();
    ambient.Update(common - 0.5f);
    ambient.Update(0.25f);
    EXPECT_EQ(std::vector<int>({23, 23}), game.played);

    // One update of 31 s: one common, one rare, then the loop; both timers redrawn.
    game.played.clear();
    ambient.Update(31.0f);
    ASSERT_EQ(3u, game.played.size());
    EXPECT_GE(game.played[0], 17);
    EXPECT_LE(game.played[0], 19);
    EXPECT_GE(game.played[1], 20);
    EXPECT_LE(game.played[1], 22);
    EXPECT_EQ(23, game.played[2]);
    EXPECT_GE(ambient.GetCommonTimer(), 7.0f);
    EXPECT_GE(ambient.GetRareTimer(), 20.0f);

    // Over many intervals every common sound comes up.
    game.played.clear();
    for (int i = 0; i < 60; ++i)
        ambient.Update(15.0f);
    for (int id : {17, 18, 19, 20, 21, 22})
        EXPECT_NE(game.played.end(), std::find(game.played.begin(), game.played.end(), id)) << id;

    // The same seed gives the same timers.
    IVortanApplication::SeedRandomValue(7);
    CVexAmbientSounds again;
    again.Init(&game);
    IVortanApplication::SeedRandomValue(7);
    CVexAmbientSounds third;
    third.Init(&game);
    EXPECT_EQ(again.GetCommonTimer(), third.GetCommonTimer());
    EXPECT_EQ(again.GetRareTimer(), third.GetRareTimer());
}

TEST(AmbientSounds, EmptyListsPlayOnlyTheLoopAndStillRedrawTheirTimers)
{
    SoundLog game;
    CVexAmbientSounds ambient;
    ambient.SetLoopSound(23);
    ambient.Init(&game);
    ambient.Update(31.0f);
    EXPECT_EQ(std::vector<int>({23}), game.played);
    EXPECT_GE(ambient.GetCommonTimer(), 7.0f);
    EXPECT_LE(ambient.GetCommonTimer(), 15.0f);
    EXPECT_GE(ambient.GetRareTimer(), 20.0f);

    // Without a game nothing is played and nothing breaks.
    CVexAmbientSounds alone;
    Fill(alone);
    alone.Update(40.0f);
    alone.StopAll();
}

} // namespace
