// Picking the online level of a round: no level twice until every one has been played, the
// reset after a thousand draws of played levels, and draws outside 0..19 kept in range.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "game/StateGame.h"
#include "game/VexLevelPicker.h"

namespace {

// Draws from a script, then repeats its last value; counts the draws.
class ScriptedPicker : public CVexLevelPicker {
public:
    std::vector<int> script;
    size_t next = 0;
    int draws = 0;

protected:
    int RandomValue(int min, int max) override
    {
        EXPECT_EQ(0, min);
        ++draws;
        (void)max;
        int v = next < script.size() ? script[next++] : script.back();
        return v;
    }
};

TEST(LevelPicker, EveryLevelOnceThenTheListStartsAfresh)
{
    ScriptedPicker picker;
    // Repeats between the new levels are drawn again.
    for (int level = 19; level >= 0; --level) {
        picker.script.push_back(level);
        picker.script.push_back(19);
    }
    for (int level = 19; level >= 0; --level)
        EXPECT_EQ(level, picker.PickRandomLevel());
    EXPECT_EQ(20, picker.GetPlayedLevels().GetSize());
    EXPECT_EQ(39, picker.draws);

    // All played: a thousand draws, the list emptied, and the next draw is the pick.
    picker.draws = 0;
    picker.script = {7};
    picker.next = 0;
    EXPECT_EQ(7, picker.PickRandomLevel());
    EXPECT_EQ(1001, picker.draws);
    ASSERT_EQ(1, picker.GetPlayedLevels().GetSize());
    EXPECT_EQ(7, picker.GetPlayedLevels()[0]);
}

TEST(LevelPicker, DrawsOutsideTheTableAreBroughtIntoIt)
{
    ScriptedPicker picker;
    picker.script = {45, -3, 20, 19};
    EXPECT_EQ(5, picker.PickRandomLevel());  // 45 mod 20
    EXPECT_EQ(0, picker.PickRandomLevel());  // below: 0
    EXPECT_EQ(19, picker.PickRandomLevel()); // 20 mod 20 = 0 is played: 19 next
    picker.script = {-1, 7};
    picker.next = 0;
    EXPECT_EQ(0, picker.RandomSide());
    EXPECT_EQ(1, picker.RandomSide());
    picker.script = {9};
    picker.next = 0;
    EXPECT_EQ(2, picker.RandomSpawnPoint());
}

TEST(LevelPicker, TheGamesGeneratorGivesTwentyDifferentLevels)
{
    // The game keeps the played list for its whole life.
    CStateGame game;
    CVexLevelPicker& picker = *game.GetLevelPicker();
    std::set<int> seen;
    for (int i = 0; i < 20; ++i) {
        int level = picker.PickRandomLevel();
        EXPECT_TRUE(level >= 0 && level < 20);
        seen.insert(level);
    }
    EXPECT_EQ(20u, seen.size());
    EXPECT_EQ(20, game.GetLevelPicker()->GetPlayedLevels().GetSize());
    for (int i = 0; i < 30; ++i) {
        int side = picker.RandomSide(), spawn = picker.RandomSpawnPoint();
        EXPECT_TRUE(side == 0 || side == 1);
        EXPECT_TRUE(spawn >= 0 && spawn <= 2);
    }
}

} // namespace
