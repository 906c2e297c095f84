// Squib records, the block list and the battlefield scene over a real physics world: slots and
// facing, block ids and bodies, the squibs' start, projectiles and their masks, the whip, the
// block animation with pending changes, the block lists around the squibs, the snapshot copies,
// and bodies that the scene, its list or its world give up.
#include <gtest/gtest.h>

#include <math.h>

#include "game/VexPhysicsWorld.h"
#include "tests/game/SceneTestSupport.h"

namespace {

const float kStep = 1.0f / 30.0f;

// A world with gravity and the camera's default scale, and a battle scene over it.
class Scene : public ::testing::Test {
protected:
    Scene() { battle.scene.ClearScene(); }
    CVexScene& scene() { return battle.scene; }
    CVexPhysicsWorld& world() { return battle.world; }
    CVexBlockList& blocks() { return *battle.scene.GetBlocks(); }
    CVexBlock* Add(u32 shape, float x, float y, u8 material = 0)
    {
        return blocks().AddBlock(shape, CVortanVector2(x, y), material, 0, 1);
    }

    scenetest::Battle battle;
};

} // namespace

TEST(Player, SlotsItemsAndFacing)
{
    CVexPlayer player;
    for (int i = 0; i < 33; ++i)
        EXPECT_EQ(i % 32, player.NextSlot());
    EXPECT_EQ(nullptr, player.GetSlot(-1));
    EXPECT_EQ(nullptr, player.GetSlot(32));
    player.hasHat = 1;
    player.bombItem = 7;
    player.clusterBombOwned = 1;
    player.health = 55;
    player.ResetItems();
    EXPECT_EQ(0u, player.hasHat);
    EXPECT_EQ(0, player.bombItem);
    EXPECT_EQ(0u, player.clusterBombOwned);
    EXPECT_EQ(55, player.health);

    // The direction to the look-at body at degrees a (counter-clockwise from +x) gives the
    // facing angle a and frame trunc((a + 22.5) / 45) mod 8.
    CVexPhysicsWorld world;
    CVexPhysicsBodyDesc desc;
    desc.halfSize.Set(0.05f, 0.05f);
    player.body = world.AddBody(desc);
    player.UpdateFacing(); // no look-at body: nothing
    EXPECT_EQ(0, player.facingFrame);
    CVexPhysicsBody* target = world.AddBody(desc);
    player.SetLookAt(target);
    struct Case {
        double degrees;
        int frame;
    } cases[] = {{0.0, 0},   {22.0, 0},  {23.0, 1},  {90.0, 2}, {180.0, 4},
                 {270.0, 6}, {337.0, 7}, {338.0, 0}, {359.0, 0}};
    for (const Case& c : cases) {
        const double r = c.degrees * M_PI / 180.0;
        target->position.Set((float)cos(r), (float)sin(r));
        player.UpdateFacing();
        EXPECT_NEAR(c.degrees, player.facingAngle, 0.01) << c.degrees;
        EXPECT_EQ(c.frame, player.facingFrame) << c.degrees;
    }
}

// Ids: the smallest free from 32; 223 blocks fill 32..254. Shapes are tested whole. Bodies:
// static, the table's size, restitution 0.8 for bouncy blocks else 0.15, friction 0.75, the
// block as owner and its id as owner value.
TEST_F(Scene, BlockIdsShapesAndBodies)
{
    for (int i = 0; i < 4; ++i)
        Add(1, 0.3f * (float)i, 1.0f);
    blocks().RemoveById(34);
    EXPECT_EQ(34, Add(2, 0.0f, 2.0f)->id);
    EXPECT_EQ(36, Add(2, 0.5f, 2.0f)->id);
    EXPECT_EQ(nullptr, Add(40, 0.0f, 2.0f));
    EXPECT_EQ(nullptr, Add(256 + 3, 0.0f, 2.0f));
    EXPECT_EQ(nullptr, Add(0xFFFFFFFFu, 0.0f, 2.0f));

    // Removing an absent id changes nothing; a present one keeps the others' order and takes
    // its body out of the world.
    const int bodies = world().GetBodyCount();
    blocks().RemoveById(99);
    EXPECT_EQ(5, blocks().GetCount());
    EXPECT_EQ(bodies, world().GetBodyCount());
    blocks().RemoveById(33);
    const int order[] = {32, 35, 34, 36};
    ASSERT_EQ(4, blocks().GetCount());
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(order[i], blocks().GetAt(i)->id);
    EXPECT_EQ(bodies - 1, world().GetBodyCount());

    CVexBlock* bouncy = Add(39, -1.0f, 0.5f, 3);
    CVexBlock* metal = Add(29, 1.0f, 0.5f, 1);
    const CVexPhysicsBody& b = *bouncy->body;
    EXPECT_EQ(0.25f, b.halfSize.x);
    EXPECT_EQ(0.30f, b.halfSize.y);
    EXPECT_EQ(0.8f, b.restitution);
    EXPECT_EQ(0.15f, metal->body->restitution);
    EXPECT_EQ(0.75f, b.friction);
    EXPECT_EQ(0.75f, metal->body->friction);
    EXPECT_EQ(0.20f, metal->body->halfSize.x); // shape 29: the size of shape 20, its own index
    EXPECT_EQ(29u, metal->shape);
    EXPECT_EQ(bouncy, b.owner);
    EXPECT_EQ((u32)bouncy->id, b.ownerValue);
    EXPECT_EQ(0x11111111u, b.mask);
    EXPECT_EQ(255, bouncy->hitPoints);

    // Full: ids 32..254.
    while (blocks().GetCount() < 223)
        ASSERT_NE(nullptr, Add(0, 0.0f, 3.0f));
    EXPECT_EQ(nullptr, Add(0, 0.0f, 3.0f));
    blocks().RemoveById(100);
    EXPECT_EQ(100, Add(0, 0.0f, 3.0f)->id);
}

// Bodies the world lets go of are forgotten by the list and the scene: a cleared or destroyed
// world leaves no dangling body behind.
TEST(SceneBodies, WorldClearedOrGoneFirst)
{
    scenetest::Battle battle;
    CVexBlock* block = battle.scene.GetBlocks()->AddBlock(1, CVortanVector2(0.0f, 0.5f), 0, 0, 0);
    ASSERT_NE(nullptr, battle.scene.CreateProjectile(0, VEX_PROJECTILE_BOMB, 3));
    battle.world.Clear();
    EXPECT_EQ(nullptr, block->body);
    EXPECT_EQ(nullptr, battle.scene.GetPlayer(0).body);
    EXPECT_EQ(nullptr, battle.scene.GetPlayer(0).GetSlot(3)->body);
    battle.scene.GetBlocks()->RemoveById(32);
    battle.scene.RemoveProjectile(0, 3);
    battle.scene.Step(kStep);
    battle.scene.FindBlocksAroundPlayers();

    CVexPhysicsWorld* world = new CVexPhysicsWorld();
    world->Init(kStep, 4);
    {
        CVexScene scene;
        scene.Init(&battle.game, &battle.renderer, world, 0);
        scene.GetBlocks()->AddBlock(1, CVortanVector2(0.0f, 0.5f), 0, 0, 0);
        scene.CreateProjectile(1, VEX_PROJECTILE_STICKY, 0);
        delete world;
        EXPECT_EQ(nullptr, scene.GetWorld());
        EXPECT_EQ(nullptr, scene.GetPlayer(1).body);
        EXPECT_EQ(nullptr, scene.GetBlocks()->GetAt(0)->body);
        EXPECT_EQ(nullptr, scene.GetPlayer(1).GetSlot(0)->body);
        EXPECT_EQ(nullptr, scene.CreateProjectile(0, VEX_PROJECTILE_BOMB, 1));
        scene.Step(kStep);
    }
}

// The scene's destructor takes its block, squib and projectile bodies out of the world; a
// body of someone else stays.
TEST(SceneBodies, DestructorRemovesItsBodies)
{
    scenetest::Battle battle;
    CVexPhysicsBodyDesc desc;
    battle.world.AddBody(desc);
    const int before = battle.world.GetBodyCount();
    {
        CVexScene scene;
        scene.Init(&battle.game, &battle.renderer, &battle.world, 0);
        scene.GetBlocks()->AddBlock(3, CVortanVector2(0.0f, 0.5f), 1, 0, 0);
        scene.CreateProjectile(0, VEX_PROJECTILE_SNOW, 31);
        EXPECT_EQ(before + 2 + 1 + 1, battle.world.GetBodyCount());
        EXPECT_EQ(&scene, battle.renderer.GetCamera().GetScene());
    }
    EXPECT_EQ(before, battle.world.GetBodyCount());
    EXPECT_EQ(nullptr, battle.renderer.GetCamera().GetScene());
}

// ResetPlayers: bodies at (-0.1, 0.1) and (0.1, 0.1) with the squib's description, the side's
// owner value and mask, looking at each other; colours, health, label size; the camera lets go.
TEST_F(Scene, SquibsStart)
{
    battle.renderer.GetCamera().FollowWorld(&world());
    scene().GetPlayer(0).health = 3;
    scene().ResetPlayers();
    const u32 masks[2] = {0x11101u, 0x11110u};
    const u32 colours[2] = {0xFFFF5D37u, 0xFF3A92FFu};
    for (int p = 0; p < 2; ++p) {
        const CVexPlayer& player = scene().GetPlayer(p);
        const CVexPhysicsBody& body = *player.body;
        EXPECT_EQ(p == 0 ? -0.1f : 0.1f, body.position.x);
        EXPECT_EQ(0.1f, body.position.y);
        EXPECT_EQ((u32)VEX_BODY_DYNAMIC, body.kind);
        EXPECT_EQ((u32)p, body.ownerValue);
        EXPECT_EQ(masks[p], body.mask);
        EXPECT_EQ(scene().GetPlayer(1 - p).body, player.lookAt);
        EXPECT_EQ(colours[p], player.colour.ToARGB());
        EXPECT_EQ(100, player.health);
        EXPECT_EQ(p, player.index);
        EXPECT_EQ(0.2f, player.labelSize.x);
    }
    EXPECT_EQ((u32)VEX_CAMERA_FREE, battle.renderer.GetCamera().GetMode());
    // The two squibs meet each other (masks share 0x11100); only player 1's shots meet
    // player 0.
    EXPECT_NE(0u, masks[0] & masks[1]);
    EXPECT_EQ(0u, masks[0] & 0x10u);
    EXPECT_NE(0u, masks[0] & 0x1u);
    // A second start replaces the bodies instead of adding more.
    const int bodies = world().GetBodyCount();
    scene().ResetPlayers();
    EXPECT_EQ(bodies, world().GetBodyCount());
}

// Projectiles: slots outside 0..31 and sides other than 0 and 1 are refused; an occupied slot
// is emptied first; blast values by type; the owner's mask, or a cluster piece's by slot.
TEST_F(Scene, ProjectileSlotsAndMasks)
{
    const int bodies = world().GetBodyCount();
    EXPECT_EQ(nullptr, scene().CreateProjectile(0, 0, -1));
    EXPECT_EQ(nullptr, scene().CreateProjectile(0, 0, 32));
    EXPECT_EQ(nullptr, scene().CreateProjectile(0, 0, (int)(i8)-128));
    EXPECT_EQ(nullptr, scene().CreateProjectile(2, 0, 0));
    EXPECT_EQ(nullptr, scene().CreateProjectile(-1, 0, 0));
    EXPECT_EQ(bodies, world().GetBodyCount());
    scene().RemoveProjectile(0, -1);
    scene().RemoveProjectile(1, 32);

    scene().GetPlayer(1).body->position.Set(1.5f, 2.0f);
    CVexProjectile* first = scene().CreateProjectile(1, VEX_PROJECTILE_BOMB, 5);
    ASSERT_NE(nullptr, first);
    CVexPhysicsBody* firstBody = first->body;
    EXPECT_EQ(1.5f, firstBody->position.x);
    EXPECT_EQ(2.0f, firstBody->position.y);
    EXPECT_EQ(0x1u, firstBody->mask);
    EXPECT_EQ(20, first->ownerTag);
    EXPECT_EQ(20u, firstBody->ownerValue);
    EXPECT_EQ(first, firstBody->owner);
    EXPECT_EQ(-1, first->link);
    EXPECT_EQ(firstBody, world().GetActiveBody());
    CVexProjectile* second = scene().CreateProjectile(1, VEX_PROJECTILE_SNOW, 5);
    EXPECT_EQ(second, scene().GetPlayer(1).GetSlot(5));
    EXPECT_EQ(bodies + 1, world().GetBodyCount());
    EXPECT_EQ(0.6f, second->blastRadius);
    EXPECT_EQ(30.0f, second->blastDamage);

    struct Case {
        u32 type;
        float radius, damage;
    } cases[] = {{0, 0.3f, 60.0f}, {1, 0.3f, 30.0f}, {2, 0.3f, 30.0f}, {3, 0.3f, 30.0f}};
    for (const Case& c : cases) {
        CVexProjectile* p = scene().CreateProjectile(0, c.type, 10);
        EXPECT_EQ(c.radius, p->blastRadius) << c.type;
        EXPECT_EQ(c.damage, p->blastDamage) << c.type;
        EXPECT_EQ(10, p->ownerTag);
    }
    EXPECT_EQ(0x10u, scene().CreateProjectile(0, VEX_PROJECTILE_STICKY, 0)->body->mask);
    const u32 pieces[3] = {0x100u, 0x1000u, 0x10000u};
    for (int slot = 3; slot < 9; ++slot)
        EXPECT_EQ(pieces[slot % 3],
                  scene().CreateProjectile(0, VEX_PROJECTILE_CLUSTER_PIECE, slot)->body->mask);
    scene().RemoveProjectile(0, 4);
    EXPECT_EQ(nullptr, scene().GetPlayer(0).GetSlot(4));
}

// A projectile keeps its owner's mask while it overlaps its own squib (touching edges count as
// apart); a cluster piece keeps its piece mask while it overlaps a sibling; the squibs look at
// the last live projectile in slot order.
TEST_F(Scene, ProjectilesLeaveTheirSquibAndSiblings)
{
    CVexPhysicsBody* squib = scene().GetPlayer(0).body;
    squib->position.Set(0.0f, 1.0f);
    CVexProjectile* shot = scene().CreateProjectile(0, VEX_PROJECTILE_BOMB, 0);
    shot->body->position.Set(0.07f, 1.0f); // overlaps by 0.005
    scene().UpdateContacts();
    EXPECT_EQ(0x10u, shot->body->mask);
    shot->body->position.Set(0.075f, 1.0f); // edges touch
    scene().UpdateContacts();
    EXPECT_EQ(0x11111111u, shot->body->mask);

    CVexProjectile* a = scene().CreateProjectile(1, VEX_PROJECTILE_CLUSTER_PIECE, 4);
    CVexProjectile* b = scene().CreateProjectile(1, VEX_PROJECTILE_CLUSTER_PIECE, 5);
    a->body->position.Set(2.0f, 2.0f);
    b->body->position.Set(2.01f, 2.0f);
    scene().UpdateContacts();
    EXPECT_EQ(0x1000u, a->body->mask);
    EXPECT_EQ(0x10000u, b->body->mask);
    EXPECT_EQ(b->body, scene().GetPlayer(0).lookAt);
    EXPECT_EQ(b->body, scene().GetPlayer(1).lookAt);
    b->body->position.Set(2.1f, 2.0f);
    scene().UpdateContacts();
    EXPECT_EQ(0x11111111u, a->body->mask);
    EXPECT_EQ(0x11111111u, b->body->mask);
    // With no projectile the squibs face each other again.
    scene().RemoveProjectile(0, 0);
    scene().RemoveProjectile(1, 4);
    scene().RemoveProjectile(1, 5);
    scene().UpdateContacts();
    EXPECT_EQ(scene().GetPlayer(1).body, scene().GetPlayer(0).lookAt);
}

// The whip swings with phase += dt x 12 and stretches along -base x sin(phase); it ends at the
// first step where sin(phase) < 0 (the eighth at 1/30 s: 8 x 0.4 > pi), with a zero stretch.
// Damage numbers rise 0.0025 a step and clear past 0.3.
TEST_F(Scene, WhipAndDamageLabels)
{
    CVexPlayer& player = scene().GetPlayer(1);
    player.whip = 1;
    player.whipBase.Set(0.2f, -0.1f);
    for (int step = 1; step <= 7; ++step) {
        player.body->asleep = 1;
        scene().Step(kStep);
        EXPECT_EQ(0u, player.body->asleep);
        ASSERT_EQ(1u, player.whip) << step;
        EXPECT_EQ(1u, player.stretching);
        const double s = sin(0.4 * step);
        EXPECT_NEAR(-0.2 * s, player.stretch.x, 1e-5) << step;
        EXPECT_NEAR(0.1 * s, player.stretch.y, 1e-5) << step;
    }
    scene().Step(kStep);
    EXPECT_EQ(0u, player.whip);
    EXPECT_EQ(0u, player.stretching);
    EXPECT_EQ(0.0f, player.stretch.x);
    EXPECT_EQ(0.0f, player.stretch.y);

    player.showDamage = 1;
    player.damageNumbers[0] = 12;
    player.labelRise = 0.29f;
    scene().Step(kStep);
    EXPECT_EQ(12, player.damageNumbers[0]);
    for (int i = 0; i < 4 && player.showDamage; ++i)
        scene().Step(kStep);
    EXPECT_EQ(0u, player.showDamage);
    EXPECT_EQ(0, player.damageNumbers[0]);
    EXPECT_EQ(0.3001f, player.labelRise);
    // Label size follows the view: 800 pixels / 20.
    EXPECT_EQ(40.0f, player.labelSize.x);
}

// With the block animation on: the wobble takes 0.8 of the contact impulses and eases back
// (y faster), clamped to 0.1; shown hit points follow a tenth of the gap; a pending change
// waits for its delay counter to pass 0.
TEST_F(Scene, BlockAnimationAndPendingChanges)
{
    CVexBlock* block = Add(1, 0.0f, 2.0f);
    CVexBlock* big = Add(1, 1.0f, 2.0f);
    block->hitPoints = 95;
    block->body->impulseSum.Set(0.01f, 0.01f);
    big->body->impulseSum.Set(0.5f, -0.5f);
    scene().Step(kStep); // animation off: nothing moves
    EXPECT_EQ(0.0f, block->wobble.x);
    EXPECT_EQ(255, block->displayedHitPoints);

    scene().SetBlockAnimation(1);
    block->pending = 1;
    block->delayCounter = -0.05f;
    block->pendingMaterial = VEX_MATERIAL_ICE;
    block->pendingVariant = 2;
    block->pendingHitPoints = 250;
    block->pendingFriction = 0.75f;
    block->pendingRestitution = 0.15f;
    block->body->restitution = 0.5f;
    scene().Step(kStep);
    EXPECT_FLOAT_EQ(0.01f * 0.8f * 0.9f, block->wobble.x);
    EXPECT_FLOAT_EQ(0.01f * 0.8f * 0.9f * 0.7f, block->wobble.y);
    EXPECT_EQ(0.1f, big->wobble.x);
    EXPECT_EQ(-0.1f, big->wobble.y);
    EXPECT_EQ(255 - 16, block->displayedHitPoints);
    EXPECT_EQ(1u, block->pending);
    EXPECT_EQ(VEX_MATERIAL_PAPER, block->material);
    scene().Step(kStep);
    EXPECT_EQ(0u, block->pending);
    EXPECT_EQ(VEX_MATERIAL_ICE, block->material);
    EXPECT_EQ(2, block->variant);
    EXPECT_EQ(250, block->hitPoints);
    EXPECT_EQ(0.75f, block->body->friction);
    EXPECT_EQ(0.15f, block->body->restitution);
}

// The blocks around a squib: those overlapping a full-height column a hair narrower than the
// squib; above when their centre is above the squib's top, below when under its centre.
TEST_F(Scene, BlocksAroundTheSquibs)
{
    CVexPhysicsBody* squib = scene().GetPlayer(0).body;
    squib->position.Set(0.0f, 1.0f);
    scene().GetPlayer(1).body->position.Set(2.0f, 1.0f);
    const int above = Add(6, 0.1f, 1.5f)->id;       // centre above the top (1.05)
    const int below = Add(0, 0.0f, 0.9f)->id;       // centre below the centre
    Add(0, 0.0f, 1.02f);                            // centre between: neither
    Add(0, -0.09999f, 5.0f);                        // edge 1e-5 inside the squib, not the probe
    Add(0, 0.1f, 0.5f);                             // touches the squib's edge
    const int far = Add(0, 0.0f, 1.0f - 6.35f)->id; // just inside 2 scales below
    Add(0, 0.0f, 1.0f - 6.6f);                      // beyond
    scene().GetPlayer(0).above.SetAtGrow(0, 99);    // stale entries go
    scene().FindBlocksAroundPlayers();
    const CVexPlayer& p0 = scene().GetPlayer(0);
    ASSERT_EQ(1, p0.above.GetSize());
    EXPECT_EQ(above, p0.above[0]);
    ASSERT_EQ(2, p0.below.GetSize());
    EXPECT_EQ(below, p0.below[0]);
    EXPECT_EQ(far, p0.below[1]);
    EXPECT_EQ(0, scene().GetPlayer(1).above.GetSize());

    scene().GetPlayer(1).body->position.Set(0.0f, 0.7f);
    scene().FindBlocksAroundPlayers();
    ASSERT_EQ(3, scene().GetPlayer(1).above.GetSize()); // above, below and the one between
    EXPECT_EQ(below, scene().GetPlayer(1).above[1]);
    scene().ForgetBlock(below);
    EXPECT_EQ(1, scene().GetPlayer(0).below.GetSize());
    EXPECT_EQ(far, scene().GetPlayer(0).below[0]);
    for (int i = 0; i < scene().GetPlayer(1).above.GetSize(); ++i)
        EXPECT_NE(below, scene().GetPlayer(1).above[i]);
}

// Snapshot copies between two scenes over two worlds: the player record without its slots,
// whip state, look-at body and lists; the copy stops aiming; bodies take the state but keep
// their owners; a copied block's body comes to rest.
TEST_F(Scene, SnapshotCopies)
{
    CVexPhysicsWorld snapshotWorld;
    snapshotWorld.Init(kStep, 4);
    CVexScene snapshot;
    snapshot.Init(&battle.game, &battle.renderer, &snapshotWorld, 0);

    CVexPlayer& live = scene().GetPlayer(0);
    live.health = 42;
    live.name = "Ada";
    live.weapon = VEX_WEAPON_SNOW;
    live.aiming = 1;
    live.stretching = 1;
    live.whip = 1;
    live.whipPhase = 1.0f;
    live.slotCounter = 9;
    live.above.SetAtGrow(0, 40);
    live.body->position.Set(0.4f, 0.7f);
    live.body->velocity.Set(0.01f, -0.02f);
    scene().CreateProjectile(0, VEX_PROJECTILE_BOMB, 2);
    CVexPlayer& copy = snapshot.GetPlayer(0);
    CVexPhysicsBody* copyBody = copy.body;
    void* copyOwner = copyBody->owner;
    CVexScene::CopyPlayer(copy, live);
    EXPECT_EQ(42, copy.health);
    EXPECT_TRUE(copy.name == CVortanString("Ada"));
    EXPECT_EQ((u32)VEX_WEAPON_SNOW, copy.weapon);
    EXPECT_EQ(0u, copy.aiming);
    EXPECT_EQ(1u, copy.stretching);
    EXPECT_EQ(0u, copy.whip);
    EXPECT_EQ(0.0f, copy.whipPhase);
    EXPECT_EQ(0, copy.slotCounter);
    EXPECT_EQ(nullptr, copy.GetSlot(2));
    EXPECT_EQ(0, copy.above.GetSize());
    EXPECT_EQ(snapshot.GetPlayer(1).body, copy.lookAt);
    EXPECT_EQ(copyBody, copy.body);
    EXPECT_EQ(copyOwner, copyBody->owner);
    EXPECT_EQ(&snapshotWorld, copyBody->world);
    EXPECT_EQ(0.4f, copyBody->position.x);
    EXPECT_EQ(-0.02f, copyBody->velocity.y);

    CVexBlock* block = Add(5, -1.0f, 0.4f, 1);
    block->hitPoints = 95;
    block->displayedHitPoints = 120;
    block->wobble.Set(0.05f, 0.05f);
    block->body->velocity.Set(0.3f, 0.3f);
    block->body->impulseSum.Set(0.1f, 0.2f);
    block->body->previous.Set(7.0f, 7.0f);
    CVexBlock* copied = snapshot.GetBlocks()->AddBlock(5, CVortanVector2(-1.0f, 0.4f), 1, 0, 1);
    copied->wobble.Set(0.02f, 0.02f);
    CVexScene::CopyBlock(*copied, *block);
    EXPECT_EQ(block->id, copied->id);
    EXPECT_EQ(95, copied->hitPoints);
    EXPECT_EQ(120, copied->displayedHitPoints);
    EXPECT_EQ(0.0f, copied->wobble.x);
    EXPECT_EQ(copied, copied->body->owner);
    EXPECT_EQ(0.0f, copied->body->velocity.x);
    EXPECT_EQ(0.0f, copied->body->impulseSum.y);
    EXPECT_EQ(-1.0f, copied->body->previous.x);
    EXPECT_EQ(0.4f, copied->body->previous.y);

    battle.renderer.GetCamera().SetZoom(0.45f);
    battle.renderer.GetCamera().FollowWorld(&world());
    CVexCamera cameraCopy;
    CVexScene::CopyCamera(cameraCopy, battle.renderer.GetCamera());
    EXPECT_EQ(0.45f, cameraCopy.GetZoom());
    EXPECT_EQ((u32)VEX_CAMERA_FREE, cameraCopy.GetMode());
}

// Markers: boxes with their edges included; removing one removes every entry of it. The camera
// counts squibs in play and projectiles.
TEST_F(Scene, MarkersAndBodiesInPlay)
{
    CVexMarker* m = scene().AddMarker(CVortanVector2(1.0f, 1.0f), CVortanVector2(0.25f, 0.5f));
    scene().AddMarker(CVortanVector2(1.0f, 1.0f), CVortanVector2(1.0f, 1.0f));
    EXPECT_EQ(m, scene().FindMarkerAt(CVortanVector2(1.25f, 1.5f)));
    EXPECT_NE(m, scene().FindMarkerAt(CVortanVector2(1.26f, 1.0f)));
    EXPECT_EQ(nullptr, scene().FindMarkerAt(CVortanVector2(3.0f, 1.0f)));
    scene().RemoveMarker(m);
    EXPECT_EQ(1, scene().GetMarkerCount());

    CVexPlayer& player = scene().GetPlayer(0);
    EXPECT_TRUE(scene().IsBodyInPlay(player.body));
    player.inPlay = 0;
    EXPECT_FALSE(scene().IsBodyInPlay(player.body));
    CVexProjectile* shot = scene().CreateProjectile(0, VEX_PROJECTILE_BOMB, 30);
    EXPECT_TRUE(scene().IsBodyInPlay(shot->body));
    EXPECT_FALSE(scene().IsBodyInPlay(Add(0, 0.0f, 1.0f)->body));
}
