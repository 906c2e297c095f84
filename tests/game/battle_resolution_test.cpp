// Shot resolution on a battlefield laid out by hand: blast damage by material and the
// quantised-y rule, the cluster bomb's own blast, the snow bomb's freeze and its delay, the
// whip's damage, squashed squibs, the cluster burst, and squibs in the water.
#include <gtest/gtest.h>

#include "game/VexAssetTables.h"
#include "game/VexMessageBatch.h"
#include "game/VexPhysicsWorld.h"
#include "game/VexProjectile.h"
#include "tests/game/BattleMatchSupport.h"

namespace {

using btest::Match;
using btest::Training;

class Resolution : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(t.Start(12));
        b = t.Battle();
        scene = b->GetLiveScene();
        CVexBlockList* blocks = scene->GetBlocks();
        while (blocks->GetCount() > 0)
            blocks->RemoveById(blocks->GetAt(0)->id);
        // The squibs far away from what is tested.
        Place(0, -3.0f, 3.0f);
        Place(1, 3.0f, 3.0f);
        b->GetExecutionQueue()->Clear();
    }
    void Place(int side, float x, float y)
    {
        b->Player(side).body->position.Set(x, y);
        b->Player(side).body->velocity.Set(0.0f, 0.0f);
    }
    CVexBlock* Block(float x, float y, int material, u32 shape = 1)
    {
        return scene->GetBlocks()->AddBlock(shape, CVortanVector2(x, y), (u8)material, 0, 1);
    }
    CVexProjectile* Shot(u32 type, float x, float y, int slot = 0)
    {
        CVexProjectile* p = scene->CreateProjectile(0, type, slot);
        p->body->position.Set(x, y);
        return p;
    }
    // The records posted since the last call, oldest first.
    std::vector<CVexMessage*> Posted()
    {
        std::vector<CVexMessage*> out;
        for (int i = 0; i < b->GetExecutionQueue()->Count(); ++i)
            out.push_back(b->GetExecutionQueue()->At(i));
        return out;
    }
    template <class T>
    std::vector<T> Of(const std::vector<CVexMessage*>& records)
    {
        std::vector<T> out;
        for (CVexMessage* r : records) {
            T body;
            if (r->type == T::kType && VexReadMessage(r, body) == VORTAN_OK)
                out.push_back(body);
        }
        return out;
    }

    Training t;
    CVexPlayState* b = nullptr;
    CVexScene* scene = nullptr;
};

TEST_F(Resolution, BlastDamageByMaterial)
{
    // Four blocks side by side, each with a bomb resting on top.
    const int materials[4] = {VEX_MATERIAL_PAPER, VEX_MATERIAL_METAL, VEX_MATERIAL_ICE,
                              VEX_MATERIAL_BOUNCY};
    CVexBlock* blocks[4];
    for (int i = 0; i < 4; ++i) {
        blocks[i] = Block(-1.5f + i, 0.5f, materials[i]);
        Shot(VEX_PROJECTILE_BOMB, -1.5f + i, 0.62f, i);
    }
    b->ResolveHits(0);
    const auto posted = Posted();
    ASSERT_FALSE(posted.empty());
    EXPECT_EQ(VEX_MSG_SETTLE_POSITIONS, posted.front()->type);
    EXPECT_EQ(VEX_MSG_SQUASH_CHECK, posted.back()->type);
    const auto states = Of<CVexMsgBlockState>(posted);
    const auto destroyed = Of<CVexMsgBlockDestroyed>(posted);
    // Paper 255 - 160 = 95, metal 175, bouncy untouched at 255; ice (15) is destroyed.
    ASSERT_EQ(3u, states.size());
    EXPECT_EQ(blocks[0]->id, states[0].id);
    EXPECT_EQ(95u, states[0].hitPoints);
    EXPECT_EQ(175u, states[1].hitPoints);
    EXPECT_EQ(255u, states[2].hitPoints);
    ASSERT_EQ(1u, destroyed.size());
    EXPECT_EQ(blocks[2]->id, destroyed[0].id);
    // Pushed down by f x 0.3 x 0.5 with f = (0.3 - 0.02) / 0.3: from 0.5 to about 0.36, which
    // is step 14 of 1/40.
    EXPECT_EQ(14, states[0].y);
}

TEST_F(Resolution, MetalSurvivesTwoHitsPaperOne)
{
    CVexBlock* metal = Block(0.0f, 0.5f, VEX_MATERIAL_METAL);
    CVexBlock* paper = Block(2.0f, 0.5f, VEX_MATERIAL_PAPER);
    metal->hitPoints = 175;
    paper->hitPoints = 95;
    Shot(VEX_PROJECTILE_BOMB, 0.0f, 0.62f, 0);
    Shot(VEX_PROJECTILE_BOMB, 2.0f, 0.62f, 1);
    b->ResolveHits(0);
    auto posted = Posted();
    ASSERT_EQ(1u, Of<CVexMsgBlockState>(posted).size());
    EXPECT_EQ(95u, Of<CVexMsgBlockState>(posted)[0].hitPoints); // metal's second hit
    ASSERT_EQ(1u, Of<CVexMsgBlockDestroyed>(posted).size());
    EXPECT_EQ(paper->id, Of<CVexMsgBlockDestroyed>(posted)[0].id);
}

TEST_F(Resolution, APushThatLeavesTheQuantisedYTakesNoDamageButAClusterBombAlwaysDamages)
{
    // At the rim of the blast the push is a fraction of one 1/40 step: nothing happens.
    Block(0.0f, 0.52f, VEX_MATERIAL_PAPER);
    Shot(VEX_PROJECTILE_BOMB, 0.0f, 0.915f, 0);
    b->ResolveHits(0);
    auto posted = Posted();
    EXPECT_TRUE(Of<CVexMsgBlockState>(posted).empty());
    EXPECT_TRUE(Of<CVexMsgBlockDestroyed>(posted).empty());
    b->GetExecutionQueue()->Clear();
    scene->RemoveProjectile(0, 0);
    // The cluster bomb's own blast damages the block without moving it.
    CVexBlock* block = Block(2.0f, 0.5f, VEX_MATERIAL_METAL);
    Shot(VEX_PROJECTILE_CLUSTER, 2.0f, 0.62f, 1);
    b->ResolveHits(0);
    posted = Posted();
    const auto states = Of<CVexMsgBlockState>(posted);
    ASSERT_EQ(1u, states.size());
    EXPECT_EQ(block->id, states[0].id);
    EXPECT_EQ(175u, states[0].hitPoints);
    EXPECT_EQ(20, states[0].y); // 0.5 x 40, unmoved
    EXPECT_EQ(80, states[0].x);
}

TEST_F(Resolution, ASnowBombFreezesWithoutDamageAndTheIceComesAfterTheDelay)
{
    CVexBlock* block = Block(0.0f, 0.5f, VEX_MATERIAL_PAPER);
    Shot(VEX_PROJECTILE_SNOW, 0.0f, 0.62f, 0);
    b->ResolveHits(0);
    const auto posted = Posted();
    EXPECT_TRUE(Of<CVexMsgBlockState>(posted).empty());
    const auto sticks = Of<CVexMsgBlockStick>(posted);
    ASSERT_EQ(1u, sticks.size());
    EXPECT_EQ(255u, sticks[0].hitPoints);
    EXPECT_EQ(VEX_MATERIAL_ICE, sticks[0].material);
    EXPECT_FLOAT_EQ(0.75f, sticks[0].friction);
    EXPECT_FLOAT_EQ(0.15f, sticks[0].restitution);
    // f = (0.6 - 0.02) / 0.6: the delay is (1 - f) x -2.
    EXPECT_NEAR(-2.0f * (1.0f - 0.58f / 0.6f), sticks[0].delay, 1e-5f);
    // Executed: the block waits, then turns to ice once the delay has run up past 0.
    scene->RemoveProjectile(0, 0);
    b->GetExecutionQueue()->Clear();
    const CVexMsgBlockStick stick = sticks[0];
    b->PostPhysicsSwitch(1); // as in a shot: the blocks animate
    // A zero push (a record with a non-finite one is dropped), and a friction and restitution
    // unlike the paper block's own 0.75 and 0.15, so that the freeze is seen to take them.
    b->PostBlockStick(stick.id, 255, VEX_MATERIAL_ICE, 0, CVortanVector2(0.0f, 0.0f), 0.25f, 0.4f,
                      -0.5f);
    t.Tick();
    EXPECT_EQ(1u, block->pending);
    EXPECT_EQ(VEX_MATERIAL_PAPER, block->material);
    EXPECT_FLOAT_EQ(0.75f, block->body->friction);
    EXPECT_FLOAT_EQ(0.15f, block->body->restitution);
    for (int i = 0; i < 16; ++i)
        t.Tick();
    EXPECT_EQ(0u, block->pending);
    EXPECT_EQ(VEX_MATERIAL_ICE, block->material);
    EXPECT_FLOAT_EQ(0.25f, block->body->friction);
    EXPECT_FLOAT_EQ(0.4f, block->body->restitution);
}

TEST_F(Resolution, TheWhipDealsItsLengthInDamageUpTo25)
{
    Place(0, 0.0f, 2.0f);
    Place(1, 0.12f, 2.0f);
    b->ResolveExplosion(0, CVortanVector2(0.4f, 0.0f));
    auto damage = Of<CVexMsgPlayerDamage>(Posted());
    ASSERT_EQ(1u, damage.size());
    EXPECT_EQ(1, damage[0].side);
    EXPECT_EQ(25u, damage[0].damage); // 26 capped
    EXPECT_EQ(75, damage[0].health);
    EXPECT_EQ(1u, Of<CVexMsgPlayerKnock>(Posted()).size());
    b->GetExecutionQueue()->Clear();
    b->ResolveExplosion(0, CVortanVector2(0.2f, 0.0f));
    damage = Of<CVexMsgPlayerDamage>(Posted());
    ASSERT_EQ(1u, damage.size());
    EXPECT_EQ(13u, damage[0].damage);
    // More than is left leaves 0: the squib is out, not knocked.
    b->GetExecutionQueue()->Clear();
    b->Player(1).health = 10;
    b->ResolveExplosion(0, CVortanVector2(0.2f, 0.0f));
    damage = Of<CVexMsgPlayerDamage>(Posted());
    ASSERT_EQ(1u, damage.size());
    EXPECT_EQ(0, damage[0].health);
    EXPECT_EQ(1u, Of<CVexMsgPlayerOut>(Posted()).size());
    EXPECT_EQ(0u, Of<CVexMsgPlayerKnock>(Posted()).size());
}

// A blast's damage to a squib is trunc(f x the projectile's damage), f = (0.3 - d) / 0.3 with d
// the distance between the centres while they overlap (half widths 0.05 and the projectile's),
// else the distance to the squib's box; the shooter's own squib is not spared.
TEST_F(Resolution, ABlastDamagesSquibsByDistanceAndTheProjectilesDamage)
{
    // A bomb (60) 0.0425 from B's centre: f = 0.2575 / 0.3, 51.5 -> 51. A sticky bomb (30)
    // 0.2125 from A's centre, 0.1625 from its box: f = 0.1375 / 0.3, 13.75 -> 13.
    Place(1, 0.0425f, 2.0f);
    Shot(VEX_PROJECTILE_BOMB, 0.0f, 2.0f, 0);
    Place(0, -2.2125f, 2.0f);
    Shot(VEX_PROJECTILE_STICKY, -2.0f, 2.0f, 1);
    b->ResolveHits(0);
    auto posted = Posted();
    auto damage = Of<CVexMsgPlayerDamage>(posted);
    ASSERT_EQ(2u, damage.size());
    EXPECT_EQ(1, damage[0].side);
    EXPECT_EQ(51u, damage[0].damage);
    EXPECT_EQ(49, damage[0].health);
    EXPECT_EQ(0, damage[1].side);
    EXPECT_EQ(13u, damage[1].damage);
    EXPECT_EQ(87, damage[1].health);
    EXPECT_EQ(2u, Of<CVexMsgPlayerKnock>(posted).size());
    EXPECT_TRUE(Of<CVexMsgPlayerOut>(posted).empty());

    // A bomb on B's centre deals all 60: from 50 health B is out (mode 0) with its explosion;
    // the damage message carries the health floored at 0.
    b->GetExecutionQueue()->Clear();
    scene->RemoveProjectile(0, 0);
    scene->RemoveProjectile(0, 1);
    b->Player(1).health = 50;
    Place(0, -3.0f, 3.0f);
    Shot(VEX_PROJECTILE_BOMB, 0.0425f, 2.0f, 0);
    b->ResolveHits(0);
    posted = Posted();
    damage = Of<CVexMsgPlayerDamage>(posted);
    ASSERT_EQ(1u, damage.size());
    EXPECT_EQ(60u, damage[0].damage);
    EXPECT_EQ(0, damage[0].health);
    const auto outs = Of<CVexMsgPlayerOut>(posted);
    ASSERT_EQ(1u, outs.size());
    EXPECT_EQ(1, outs[0].side);
    EXPECT_EQ(0, outs[0].mode);
    EXPECT_EQ(1u, Of<CVexMsgExplosion>(posted).size());
}

// Each weapon fired in one small scene. A (the shooter) at (-0.15, 1.1125) and B at (0.15,
// 1.1125) stand on a metal floor (half size 0.3 x 0.05, centre (0.0125, 1.0125)); an ice block
// (half 0.05) stands between them at x 0.0125, a paper one right of B at x 0.2625. A bomb flies
// off at aim x -6.9 / 15 and comes to rest on the ice at P = (0.0125, 1.1875). Its blast,
// radius 0.3: f = (0.3 - d) / 0.3, d from P to the body's box; a squib's velocity is unit offset
// x f x 0.12 x 6.9 / 20, its damage trunc(f x 60, or 30 sticky); a block drops f x 0.15 (x 2
// sticky) on the 1/40 grid, loses its material's hit points and takes unit offset x 2f.
//   A: offset (-0.1125, -0.025), f 0.615852: (-0.024889, -0.005531), 36 or 18.
//   B: offset (0.0875, -0.025), f 0.696662: (0.027732, -0.007923), 41 or 20.
//   floor: offset (0, -0.125), f 0.583333: step 40.5 -> 37 (33), 255 - 80, (0, -1.166667).
//   ice: 255 - 240: broken. paper: offset (0.2, -0.025), f 0.328145: step 44.5 -> 42 (40), 95,
//   (0.651222, -0.081403).
// The whip strikes along -aim = (0.38, 0.05): trunc(0.3833 / 0.4 x 26) = 24 to B, knocked by
// the strike x 0.35 x 6.9 / 20; its 0.0375 box sweeps the ice (broken) and the paper block
// (0.15 lower: step 38, 95, the strike as velocity), not the floor. A jump: aim x -6.9 / 20.
struct WeaponRow {
    const char* name;
    int weapon;
    float aim[2], fired[2]; // the bomb's velocity, or the whip's vector
    float squibs[2][3];     // A, B: velocity, health
    float blocks[3][4];     // floor, ice, paper: hit points (0: broken), y, velocity
    friend void PrintTo(const WeaponRow& row, std::ostream* os) { *os << row.name; }
};
// clang-format off
const WeaponRow kWeaponRows[] = {
    {"Bomb", VEX_WEAPON_BOMB, {-0.2f, -0.1f}, {0.092f, 0.046f},
     {{-0.024889f, -0.005531f, 64}, {0.027732f, -0.007923f, 59}},
     {{175, 0.925f, 0.0f, -1.166667f}, {0}, {95, 1.05f, 0.651222f, -0.081403f}}},
    {"Sticky", VEX_WEAPON_STICKY, {-0.2f, -0.1f}, {0.092f, 0.046f},
     {{-0.024889f, -0.005531f, 82}, {0.027732f, -0.007923f, 80}},
     {{175, 0.825f, 0.0f, -1.166667f}, {0}, {95, 1.0f, 0.651222f, -0.081403f}}},
    {"Whip", VEX_WEAPON_WHIP, {-0.38f, -0.05f}, {-0.38f, -0.05f},
     {{0.0f, 0.0f, 100}, {0.045885f, 0.0060375f, 76}},
     {{255, 1.0125f, 0.0f, 0.0f}, {0}, {95, 0.95f, 0.38f, 0.05f}}},
    {"Jump", VEX_WEAPON_JUMP, {0.1f, -0.3f}, {0.0f, 0.0f},
     {{-0.0345f, 0.1035f, 100}, {0.0f, 0.0f, 100}},
     {{255, 1.0125f, 0.0f, 0.0f}, {255, 1.1125f, 0.0f, 0.0f}, {255, 1.1125f, 0.0f, 0.0f}}},
};
// clang-format on
class Weapons : public Resolution, public ::testing::WithParamInterface<WeaponRow> {};

TEST_P(Weapons, EachPushesAwayFromItsStrikeAndMovesOrBreaksTheBlocksItReaches)
{
    const WeaponRow& row = GetParam();
    Place(0, -0.15f, 1.1125f);
    Place(1, 0.15f, 1.1125f);
    const int ids[3] = {Block(0.0125f, 1.0125f, VEX_MATERIAL_METAL, 10)->id,
                        Block(0.0125f, 1.1125f, VEX_MATERIAL_ICE, 0)->id,
                        Block(0.2625f, 1.1125f, VEX_MATERIAL_PAPER, 0)->id};
    CVexPlayer& a = b->Player(0);
    Match::Fire(b, row.weapon, CVortanVector2(row.aim[0], row.aim[1]));
    b->HandleMessages();
    const CVortanVector2 fired = a.GetSlot(0) ? a.GetSlot(0)->body->velocity : a.whipBase;
    EXPECT_NEAR(row.fired[0], fired.x, 1e-5f);
    EXPECT_NEAR(row.fired[1], fired.y, 1e-5f);
    if (CVexProjectile* bomb = a.GetSlot(0)) { // at rest on the ice block: it goes off
        bomb->body->position.Set(0.0125f, 1.1875f);
        bomb->body->asleep = a.body->asleep = b->Player(1).body->asleep = 1;
    }
    a.whipPhase = 1.6f; // past pi/2: a whip strikes
    b->CheckWaterAndSettle();
    b->HandleMessages();
    for (int side = 0; side < 2; ++side) {
        const float* squib = row.squibs[side];
        EXPECT_NEAR(squib[0], b->Player(side).body->velocity.x, 1e-5f) << side;
        EXPECT_NEAR(squib[1], b->Player(side).body->velocity.y, 1e-5f) << side;
        EXPECT_EQ((int)squib[2], b->Player(side).health) << side;
    }
    for (int i = 0; i < 3; ++i) {
        const float* hit = row.blocks[i];
        const CVexBlock* block = scene->GetBlocks()->FindById(ids[i]);
        ASSERT_EQ(hit[0] == 0.0f, block == nullptr) << i;
        if (block) {
            EXPECT_EQ((int)hit[0], block->hitPoints) << i;
            EXPECT_NEAR(hit[1], block->body->position.y, 1e-5f) << i;
            EXPECT_NEAR(hit[2], block->body->impulseSum.x, 1e-5f) << i;
            EXPECT_NEAR(hit[3], block->body->impulseSum.y, 1e-5f) << i;
        }
    }
}
INSTANTIATE_TEST_SUITE_P(Fired, Weapons, ::testing::ValuesIn(kWeaponRows),
                         [](const ::testing::TestParamInfo<WeaponRow>& row) {
                             return row.param.name;
                         });

TEST_F(Resolution, ASquibBetweenABlockAboveAndOneBelowIsSquashed)
{
    Place(0, 0.0f, 0.5f);
    Block(0.0f, 0.38f, VEX_MATERIAL_METAL); // top 0.48, inside the squib's bottom
    Block(0.0f, 0.56f, VEX_MATERIAL_METAL); // bottom 0.46: below the lower block's top
    scene->FindBlocksAroundPlayers();
    b->CheckSquash(0);
    const auto outs = Of<CVexMsgPlayerOut>(Posted());
    ASSERT_EQ(1u, outs.size());
    EXPECT_EQ(0, outs[0].side);
    EXPECT_EQ(2, outs[0].mode);
    EXPECT_EQ(1u, Of<CVexMsgExplosion>(Posted()).size());
    // Nothing above: nothing happens.
    b->GetExecutionQueue()->Clear();
    Place(1, 2.0f, 0.5f);
    Block(2.0f, 0.38f, VEX_MATERIAL_METAL);
    scene->FindBlocksAroundPlayers();
    b->CheckSquash(1);
    EXPECT_TRUE(Posted().empty());
}

// Through a whole fast-forwarded shot: the cluster bomb bursts into three pieces in new slots.
TEST(ResolutionShot, AClusterBombBurstsIntoThreePiecesInNewSlots)
{
    Training t;
    ASSERT_TRUE(t.Start(9));
    CVexPlayState* b = t.Battle();
    ASSERT_EQ((u32)VEX_WEAPON_CLUSTER, b->Player(0).weapon);
    b->SetAim(CVortanVector2(0.05f, 0.1f));
    b->FireShot();
    ASSERT_TRUE(t.RunUntil([&] { return b->IsShotFinished(); }, 2000));
    // The batch still waits on the execution queue for its forwarding.
    CVexMessage* batch = nullptr;
    for (int i = 0; i < b->GetExecutionQueue()->Count(); ++i)
        if (b->GetExecutionQueue()->At(i)->type == VEX_MSG_BATCH)
            batch = b->GetExecutionQueue()->At(i);
    ASSERT_NE(nullptr, batch);
    CVexGameContext context;
    CVexMessageQueue entries(&context);
    ASSERT_EQ(VORTAN_OK, CVexMessageBatch::UnpackBatch(batch->payload, batch->size, entries));
    std::vector<int> pieces, gone;
    for (int i = 0; i < entries.Count(); ++i) {
        CVexMsgSpawnProjectile spawn;
        if (VexReadMessage(entries.At(i), spawn) == VORTAN_OK &&
            spawn.projectileType == VEX_PROJECTILE_CLUSTER_PIECE)
            pieces.push_back(spawn.slot);
        CVexMsgProjectileGone g;
        if (VexReadMessage(entries.At(i), g) == VORTAN_OK && g.value == 0)
            gone.push_back(g.slot);
    }
    EXPECT_EQ((std::vector<int>{1, 2, 3}), pieces);
    ASSERT_FALSE(gone.empty());
    EXPECT_EQ(0, gone[0]); // the bomb itself goes; the pieces stay until their own rest
}

// A squib sinking in the water is out after one simulated second, and so is one asleep on a
// block under the water line: the shot waits for it.
TEST(ResolutionShot, ASinkingSquibAndOneAsleepUnderWaterAreOut)
{
    for (int asleep = 0; asleep < 2; ++asleep) {
        Training t;
        ASSERT_TRUE(t.Start(12));
        CVexPlayState* b = t.Battle();
        CVexScene* scene = b->GetLiveScene();
        CVexPhysicsBody* body = b->Player(1).body;
        if (asleep) {
            scene->GetBlocks()->AddBlock(8, CVortanVector2(4.0f, -0.6f), VEX_MATERIAL_METAL, 0, 1);
            body->position.Set(4.0f, -0.5f);
            body->asleep = 1;
            body->restTime = 2.0f;
        } else {
            body->position.Set(4.0f, -0.3f);
        }
        Match::Fire(b, VEX_WEAPON_WHIP, CVortanVector2(0.0f, 0.001f));
        ASSERT_TRUE(t.RunUntil([&] { return b->GetPlaybackCount() > 0; }, 3000)) << asleep;
        t.Tick();
        EXPECT_EQ(0u, b->Player(1).inPlay) << asleep;
    }
}

} // namespace
