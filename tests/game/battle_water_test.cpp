// Squibs under water at the edges of every level the packs hold: one falling in during the
// shot, one that went under before the shot (its in-water flag already set) and one asleep
// under the water line are all out once the shot has played, by the water, and two devices
// agree on it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "game/VexAssetTables.h"
#include "tests/game/BattleMatchSupport.h"

namespace {

using btest::Match;
using btest::Training;

enum Placement { kFallsIn, kUnderBefore, kAsleepUnder };

struct Extent {
    float left = 1e9f, right = -1e9f, top = -1e9f;
    CVortanVector2 highest{0.0f, 0.0f}; // centre of the block with the highest top
    float highestHalf = 0.0f;
};

Extent Extents(CVexScene* scene)
{
    Extent e;
    CVexBlockList* blocks = scene->GetBlocks();
    for (int i = 0; i < blocks->GetCount(); ++i) {
        const CVexPhysicsBody* body = blocks->GetAt(i)->body;
        if (!body)
            continue;
        e.left = std::min(e.left, body->position.x - body->halfSize.x);
        e.right = std::max(e.right, body->position.x + body->halfSize.x);
        if (body->position.y + body->halfSize.y > e.top) {
            e.top = body->position.y + body->halfSize.y;
            e.highest = body->position;
            e.highestHalf = body->halfSize.y;
        }
    }
    return e;
}

void Put(CVexPhysicsBody* body, float x, float y, int asleep)
{
    body->position.Set(x, y);
    body->velocity.Set(0.0f, 0.0f);
    body->asleep = asleep;
    body->restTime = asleep ? 2.0f : 0.0f;
}

// Training on scene 12 with the named level loaded instead; side 1's squib beyond the left or
// right edge as placed; side 0 on the highest block strikes the air. Side 1's in-play flag
// once the shot has played (-1 when it never played), and whether the water put it out (a
// squash shows the lost health as a damage number; the air strike deals none).
std::pair<int, int> AfterShot(const CVortanString& level, int right, Placement placement)
{
    Training t;
    if (!t.Start(12))
        return {-2, -2};
    CVexPlayState* b = t.Battle();
    CVexScene* scene = b->GetLiveScene();
    if (scene->LoadScene(level) != 1)
        return {-3, -3};
    const Extent e = Extents(scene);
    Put(b->Player(0).body, e.highest.x, e.highest.y + e.highestHalf + 0.06f, 0);
    const float x = right ? e.right + 0.3f : e.left - 0.3f;
    CVexPlayer& victim = b->Player(1);
    switch (placement) {
    case kFallsIn:
        Put(victim.body, x, e.top + 0.3f, 0);
        break;
    case kUnderBefore:
        Put(victim.body, x, -1.0f, 0);
        victim.inWater = 1;
        break;
    case kAsleepUnder:
        Put(victim.body, x, -0.5f, 1);
        break;
    }
    b->GetExecutionQueue()->Clear();
    Match::Fire(b, VEX_WEAPON_WHIP, CVortanVector2(0.0f, 0.001f));
    if (!t.RunUntil([&] { return b->GetPlaybackCount() > 0; }, 3000))
        return {-1, -1};
    t.Tick();
    // A squib is heard falling in when the shot put it there or woke it there, not again.
    EXPECT_EQ(placement != kUnderBefore,
              t.game.Heard().find("pelaaja_veteen01.wav") != std::string::npos);
    return {(int)victim.inPlay, victim.showDamage ? 0 : 1};
}

TEST(WaterAtTheEdges, EverySquibUnderWaterIsOutOnEveryLevel)
{
    const CVexAssetTables& tables = CVexAssetTables::Get();
    std::vector<CVortanString> levels;
    for (int i = 0; i < VEX_LEVEL_COUNT; ++i)
        levels.push_back(tables.LevelName(i));
    for (int i = 0; i < VEX_TRAINING_COUNT; ++i)
        levels.push_back(tables.TrainingName(i));
    int index = 0;
    for (const CVortanString& level : levels) {
        // Each level's both edges, the three ways a squib ends up under water spread over them.
        for (int right = 0; right < 2; ++right) {
            const Placement placement = (Placement)((index + right * 2) % 3);
            const std::pair<int, int> got = AfterShot(level, right, placement);
            EXPECT_EQ(0, got.first)
                << "level " << index << (right ? " right" : " left") << " placement " << placement;
            EXPECT_EQ(1, got.second) << "level " << index << " placement " << placement;
        }
        ++index;
    }
}

// A squib under water from before the shot (its in-water flag set on both devices, as the
// playback's water sounds leave it): the opponent's next shot puts it out on both devices,
// and their digests agree.
TEST(WaterAtTheEdges, ASquibUnderWaterBeforeTheShotIsOutOnBothDevices)
{
    Match match;
    match.Start();
    CVexPlayState* shooter = nullptr;
    ASSERT_TRUE(match.RunUntil([&] { return (shooter = match.ReadyShooter()) != nullptr; }, 600));
    const int victim = 1 - shooter->GetLocalSide();
    for (CVexPlayState* b : {match.A(), match.B()}) {
        CVexPlayer& p = b->Player(victim);
        const Extent e = Extents(b->GetLiveScene());
        Put(p.body, e.right + 0.4f, -0.8f, 0);
        p.inWater = 1;
    }
    // Each device's digest when it has played the shot back.
    std::string digests[2];
    for (int side = 0; side < 2; ++side)
        match.Battle(side)->SetPlaybackHook(
            [](CVexPlayState* battle, void* context) {
                std::string* out = static_cast<std::string*>(context);
                if (out->empty())
                    *out = btest::Digest(battle);
            },
            &digests[side]);
    Match::Fire(shooter, VEX_WEAPON_WHIP, CVortanVector2(0.0f, 0.001f));
    ASSERT_TRUE(match.RunUntil(
        [&] { return !digests[0].empty() && !digests[1].empty() && match.channel.IsIdle(); },
        4000));
    EXPECT_EQ(0u, match.A()->Player(victim).inPlay);
    EXPECT_EQ(0u, match.B()->Player(victim).inPlay);
    EXPECT_EQ(digests[0], digests[1]);
    // The round goes to the shooter on both.
    ASSERT_TRUE(
        match.RunUntil([&] { return match.A()->IsGameOver() && match.B()->IsGameOver(); }, 600));
    EXPECT_EQ(shooter->GetLocalSide(), match.A()->GetWinner());
    EXPECT_EQ(shooter->GetLocalSide(), match.B()->GetWinner());
}

} // namespace
