// The camera: packing positions into bytes and back, screen and world conversions, the two
// follow modes with their zoom goals, the clamps and easing, the view matrix, and letting go
// of bodies and worlds that are gone. Expected values are worked out by hand in the comments.
#include <gtest/gtest.h>
#include <math.h>

#include <set>

#include "game/VexCamera.h"
#include "game/VexPhysicsWorld.h"

namespace {

const float kScale = 3.2f;

// The battlefield as the camera sees it: the bodies it says are in play.
class Scene : public IVexCameraScene {
public:
    int IsBodyInPlay(const CVexPhysicsBody* body) const override
    {
        return inPlay.count(body) ? 1 : 0;
    }
    std::set<const CVexPhysicsBody*> inPlay;
};

CVexPhysicsBody* Add(CVexPhysicsWorld& world, float x, float y, float half, u32 kind)
{
    CVexPhysicsBodyDesc desc;
    desc.position.Set(x, y);
    desc.halfSize.Set(half, half);
    desc.kind = kind;
    desc.weight = 20.0f;
    return world.AddBody(desc);
}

int Q(const CVexCamera& camera, float v)
{
    i8 x, y;
    camera.QuantizePosition(CVortanVector2(v, 0.0f), x, y);
    EXPECT_EQ(y, 0);
    return x;
}

TEST(Camera, QuantisesByFloorAndClamps)
{
    CVexCamera camera;
    EXPECT_EQ(camera.GetWorldScale(), kScale);
    const float unit = kScale / 128.0f;
    EXPECT_EQ(Q(camera, -0.5f * unit), -1);
    EXPECT_EQ(Q(camera, 0.5f * unit), 0);
    EXPECT_EQ(Q(camera, 0.0f), 0);
    EXPECT_EQ(Q(camera, 10.5f * unit), 10);
    EXPECT_EQ(Q(camera, -10.5f * unit), -11);
    EXPECT_EQ(Q(camera, kScale), 127);
    EXPECT_EQ(Q(camera, 1000.0f), 127);
    EXPECT_EQ(Q(camera, -1.5f * kScale), -128);
    EXPECT_EQ(Q(camera, -1e30f), -128);
    EXPECT_EQ(Q(camera, INFINITY), 127);
    EXPECT_EQ(Q(camera, -INFINITY), -128);
    EXPECT_EQ(Q(camera, NAN), 0);
    // The floor is the truncation of 65536 + t in single precision, whose step just below
    // 65536 is 1/256: a hair below zero (t = -0.0016, nearer 65536 than 65536 - 1/256)
    // packs as 0, t = -0.004 as -1.
    EXPECT_EQ(Q(camera, -0.00004f), 0);
    EXPECT_EQ(Q(camera, -0.0001f), -1);

    CVortanVector2 back;
    camera.DequantizePosition(127, -128, back);
    EXPECT_FLOAT_EQ(back.x, 127.0f / 128.0f * kScale);
    EXPECT_FLOAT_EQ(back.y, -kScale);
    CVortanVector2 snapped;
    camera.SnapFloor(CVortanVector2(2.0f * kScale, -0.5f * unit), snapped);
    EXPECT_FLOAT_EQ(snapped.x, 127.0f / 128.0f * kScale);
    EXPECT_FLOAT_EQ(snapped.y, -unit);
}

TEST(Camera, EveryByteSurvivesDequantiseThenQuantise)
{
    CVexCamera camera;
    for (int q = -128; q <= 127; ++q) {
        CVortanVector2 v, floorSnap, roundSnap;
        camera.DequantizePosition((i8)q, (i8)(-1 - q), v);
        i8 x, y;
        camera.QuantizePosition(v, x, y);
        ASSERT_EQ(x, q);
        ASSERT_EQ(y, -1 - q);
        camera.SnapFloor(v, floorSnap);
        camera.SnapRound(v, roundSnap);
        ASSERT_EQ(floorSnap.x, v.x);
        ASSERT_EQ(roundSnap.y, v.y);
    }
}

TEST(Camera, SnapRoundTakesHalvesUp)
{
    CVexCamera camera;
    const float unit = kScale / 128.0f;
    CVortanVector2 out;
    camera.SnapRound(CVortanVector2(10.52f * unit, 10.48f * unit), out);
    EXPECT_FLOAT_EQ(out.x, 11.0f * unit);
    EXPECT_FLOAT_EQ(out.y, 10.0f * unit);
    camera.SnapRound(CVortanVector2(-1.48f * unit, -1.52f * unit), out);
    EXPECT_FLOAT_EQ(out.x, -1.0f * unit);
    EXPECT_FLOAT_EQ(out.y, -2.0f * unit);
    camera.SnapRound(CVortanVector2(126.9f * unit, NAN), out);
    EXPECT_FLOAT_EQ(out.x, 127.0f * unit);
    EXPECT_EQ(out.y, 0.0f);

    int n = -1;
    CVexCamera::RoundToNearest(2.5f, n);
    EXPECT_EQ(n, 3);
    CVexCamera::RoundToNearest(-2.5f, n);
    EXPECT_EQ(n, -2);
    CVexCamera::RoundToNearest(2.49f, n);
    EXPECT_EQ(n, 2);
    CVexCamera::RoundToNearest(-2.51f, n);
    EXPECT_EQ(n, -3);
    CVexCamera::RoundToNearest(NAN, n);
    EXPECT_EQ(n, 0);
    CVexCamera::RoundToNearest(1e20f, n);
    EXPECT_EQ(n, 2147483520);
    CVexCamera::RoundToNearest(-1e20f, n);
    EXPECT_EQ(n, -2147483647 - 1);
}

TEST(Camera, ScreenAndWorldConvertBothWays)
{
    CVexCamera camera;
    camera.SetScreenSize(800.0f, 480.0f);
    EXPECT_EQ(camera.GetHalfScreen().x, 400.0f);
    EXPECT_EQ(camera.GetHalfScreen().y, 240.0f);
    camera.SetZoom(0.5f);
    camera.SetOffset(CVortanVector2(0.3f, 1.2f));
    // x = 400 + (1 + 0.3) x 0.5 x 400 = 660; y = 240 - (2 - 1.2) x 0.5 x 400 = 80.
    CVortanVector2 screen, world;
    camera.WorldToScreen(CVortanVector2(1.0f, 2.0f), screen);
    EXPECT_FLOAT_EQ(screen.x, 660.0f);
    EXPECT_FLOAT_EQ(screen.y, 80.0f);
    camera.ScreenToWorld(screen, world);
    EXPECT_NEAR(world.x, 1.0f, 1e-6f);
    EXPECT_NEAR(world.y, 2.0f, 1e-6f);
    // The screen centre shows (-offset.x, offset.y).
    camera.ScreenToWorld(CVortanVector2(400.0f, 240.0f), world);
    EXPECT_FLOAT_EQ(world.x, -0.3f);
    EXPECT_FLOAT_EQ(world.y, 1.2f);
    for (float x = -3.0f; x <= 3.0f; x += 0.37f) {
        for (float y = 0.0f; y <= 4.0f; y += 0.53f) {
            camera.WorldToScreen(CVortanVector2(x, y), screen);
            camera.ScreenToWorld(screen, world);
            ASSERT_NEAR(world.x, x, 1e-5f);
            ASSERT_NEAR(world.y, y, 1e-5f);
        }
    }
}

TEST(Camera, FollowingOneBody)
{
    CVexPhysicsWorld world;
    Scene scene;
    CVexPhysicsBody* squib = Add(world, 1.0f, 0.8f, 0.05f, VEX_BODY_DYNAMIC);
    squib->velocity.Set(0.012f, 0.016f); // speed 0.02: zoom goal 2 - 75 x 0.02 = 0.5
    scene.inPlay.insert(squib);
    CVexCamera camera;
    camera.SetScreenSize(800.0f, 480.0f);
    camera.SetScene(&scene);
    camera.FollowBody(squib);
    EXPECT_EQ(camera.GetMode(), (u32)VEX_CAMERA_FOLLOW_BODY);
    camera.Update();
    EXPECT_FLOAT_EQ(camera.GetTargetZoom(), 0.5f);
    // A sixth of the way to (-1, 0.8); zoom 1 + (0.5 - 1) / 10.
    EXPECT_FLOAT_EQ(camera.GetOffset().x, -1.0f / 6.0f);
    EXPECT_FLOAT_EQ(camera.GetOffset().y, 0.8f / 6.0f);
    EXPECT_FLOAT_EQ(camera.GetZoom(), 0.95f);
    const CVortanMatrix& m = camera.GetMatrix();
    const float aspect = 800.0f / 480.0f;
    EXPECT_FLOAT_EQ(camera.GetAspect(), aspect);
    EXPECT_FLOAT_EQ(m[0], 0.95f);
    EXPECT_FLOAT_EQ(m[5], aspect * 0.95f);
    EXPECT_EQ(m[10], 1.0f);
    EXPECT_EQ(m[15], 1.0f);
    EXPECT_FLOAT_EQ(m[3], -1.0f / 6.0f * 0.95f);
    EXPECT_FLOAT_EQ(m[7], -(0.8f / 6.0f * aspect) * 0.95f);
    EXPECT_EQ(m[1], 0.0f);
    EXPECT_EQ(m[11], 0.0f);

    // A slower body does not raise the goal again.
    squib->velocity.Set(0.0f, 0.0f);
    camera.Update();
    EXPECT_FLOAT_EQ(camera.GetTargetZoom(), 0.5f);

    // In the water (y below 0) or out of play, the target stays; the offset still eases.
    const CVortanVector2 target = camera.GetTarget();
    squib->position.Set(2.0f, -0.1f);
    const float before = camera.GetOffset().x;
    camera.Update();
    EXPECT_EQ(camera.GetTarget().x, target.x);
    EXPECT_FLOAT_EQ(camera.GetOffset().x, before + (-1.0f - before) / 6.0f);
    squib->position.Set(2.0f, 0.5f);
    scene.inPlay.clear();
    camera.Update();
    EXPECT_EQ(camera.GetTarget().x, target.x);
    scene.inPlay.insert(squib);
    camera.Update();
    EXPECT_EQ(camera.GetTarget().x, 2.0f);

    // Without a scene nothing is followed at all.
    camera.SetScene(nullptr);
    const CVortanVector2 offset = camera.GetOffset();
    camera.Update();
    EXPECT_EQ(camera.GetOffset().x, offset.x);
}

TEST(Camera, FollowingTheMovingBodiesOfAWorld)
{
    CVexPhysicsWorld world;
    Scene scene;
    CVexPhysicsBody* left = Add(world, -1.0f, 0.5f, 0.05f, VEX_BODY_DYNAMIC);
    CVexPhysicsBody* right = Add(world, 1.5f, 0.3f, 0.05f, VEX_BODY_KINEMATIC);
    CVexPhysicsBody* block = Add(world, 3.0f, 3.0f, 0.5f, VEX_BODY_STATIC);
    CVexPhysicsBody* sunk = Add(world, 0.0f, -0.5f, 0.05f, VEX_BODY_DYNAMIC);
    Add(world, -3.0f, 1.0f, 0.05f, VEX_BODY_DYNAMIC); // not in play
    scene.inPlay = {left, right, block, sunk};
    CVexCamera camera;
    camera.SetScreenSize(800.0f, 480.0f);
    camera.SetScene(&scene);
    camera.FollowWorld(&world);
    EXPECT_EQ(camera.GetMode(), (u32)VEX_CAMERA_FOLLOW_WORLD);
    camera.Update();
    // Bounds x -1.05..1.55, y 0.25..0.55; centre (0.25, 0.4); width the larger of 2.6 and
    // 1.8 (the least aspect) x 0.3; goal 1 - 0.2 x 2.6 = 0.48; a tenth of the way there.
    EXPECT_FLOAT_EQ(camera.GetTargetZoom(), 0.48f);
    EXPECT_FLOAT_EQ(camera.GetOffset().x, -0.025f);
    EXPECT_FLOAT_EQ(camera.GetOffset().y, 0.04f);
    EXPECT_FLOAT_EQ(camera.GetZoom(), 1.0f + (0.48f - 1.0f) / 10.0f);

    // Tall and wide spreads are cut to the battlefield: x -3.2..3.2, y 0..6.4. Goal
    // 1 - 0.2 x max(6.4, 1.8 x 6.4) is below 0.3; the zoom eases down to its floor.
    left->position.Set(-10.0f, 20.0f);
    right->position.Set(10.0f, 0.01f);
    camera.SetOffset(CVortanVector2(0, 0));
    camera.Update();
    EXPECT_FLOAT_EQ(camera.GetTargetZoom(), 1.0f - 0.2f * 1.8f * 6.4f);
    EXPECT_FLOAT_EQ(camera.GetOffset().y, 3.2f / 10.0f);
    for (int i = 0; i < 100; ++i)
        camera.Update();
    EXPECT_EQ(camera.GetZoom(), 0.3f);

    // Nothing counts: offset and goal stay, the zoom still eases and is clamped.
    scene.inPlay.clear();
    camera.SetOffset(CVortanVector2(0.5f, 1.0f));
    camera.SetTargetZoom(0.9f);
    camera.SetZoom(0.8f);
    camera.Update();
    EXPECT_EQ(camera.GetOffset().x, 0.5f);
    EXPECT_EQ(camera.GetOffset().y, 1.0f);
    EXPECT_EQ(camera.GetTargetZoom(), 0.9f);
    EXPECT_FLOAT_EQ(camera.GetZoom(), 0.81f);
    camera.SetTargetZoom(5.0f);
    camera.SetZoom(0.95f);
    camera.Update();
    EXPECT_EQ(camera.GetZoom(), 1.0f);
}

TEST(Camera, OffsetIsClampedToTheBattlefield)
{
    CVexCamera camera;
    camera.SetScreenSize(800.0f, 480.0f);
    camera.SetOffset(CVortanVector2(-5.0f, 10.0f));
    camera.Update();
    EXPECT_EQ(camera.GetOffset().x, -kScale);
    EXPECT_FLOAT_EQ(camera.GetOffset().y, 1.2f * kScale);
    camera.SetOffset(CVortanVector2(5.0f, -1.0f));
    camera.Update();
    EXPECT_EQ(camera.GetOffset().x, kScale);
    EXPECT_EQ(camera.GetOffset().y, 0.0f);
}

TEST(Camera, FollowsNothingOnceItsBodyOrWorldIsGone)
{
    Scene scene;
    CVexCamera camera;
    camera.SetScene(&scene);
    {
        CVexPhysicsWorld world;
        CVexPhysicsBody* kept = Add(world, 0, 1, 0.05f, VEX_BODY_DYNAMIC);
        CVexPhysicsBody* body = Add(world, 1, 1, 0.05f, VEX_BODY_DYNAMIC);
        scene.inPlay = {kept, body};
        camera.FollowBody(body);
        world.RemoveBody(kept); // another body: still followed
        EXPECT_EQ(camera.GetFollowedBody(), body);
        world.RemoveBody(body);
        EXPECT_EQ(camera.GetFollowedBody(), nullptr);
        EXPECT_EQ(camera.GetMode(), (u32)VEX_CAMERA_FREE);
        camera.Update();

        body = Add(world, 1, 1, 0.05f, VEX_BODY_DYNAMIC);
        camera.FollowBody(body);
        world.Clear();
        EXPECT_EQ(camera.GetFollowedBody(), nullptr);

        body = Add(world, 1, 1, 0.05f, VEX_BODY_DYNAMIC);
        camera.FollowBody(body);
        world.Init(1.0f / 30.0f, 4);
        EXPECT_EQ(camera.GetFollowedBody(), nullptr);

        camera.FollowBody(Add(world, 1, 1, 0.05f, VEX_BODY_DYNAMIC));
    } // the world and its last body go
    EXPECT_EQ(camera.GetFollowedBody(), nullptr);
    EXPECT_EQ(camera.GetMode(), (u32)VEX_CAMERA_FREE);

    {
        CVexPhysicsWorld world;
        camera.FollowWorld(&world);
        camera.Update();
    }
    EXPECT_EQ(camera.GetFollowedWorld(), nullptr);
    EXPECT_EQ(camera.GetMode(), (u32)VEX_CAMERA_FREE);
    camera.Update();

    // A camera that goes first leaves the world nothing to call.
    CVexPhysicsWorld world;
    {
        CVexCamera brief;
        brief.FollowBody(Add(world, 0, 0, 0.05f, VEX_BODY_DYNAMIC));
    }
    world.Clear();
    // A camera moving from one world to another leaves the first.
    CVexPhysicsWorld other;
    CVexPhysicsBody* here = Add(world, 0, 0, 0.05f, VEX_BODY_DYNAMIC);
    camera.FollowBody(here);
    camera.FollowWorld(&other);
    world.RemoveBody(here);
    EXPECT_EQ(camera.GetFollowedWorld(), &other);
    EXPECT_EQ(camera.GetMode(), (u32)VEX_CAMERA_FOLLOW_WORLD);
    camera.FollowNone();
}

TEST(Camera, CopyTakesTheViewAndFollowsNothing)
{
    CVexPhysicsWorld world;
    Scene scene;
    CVexCamera camera, copy;
    camera.SetScreenSize(640.0f, 480.0f);
    camera.SetScene(&scene);
    camera.SetOffset(CVortanVector2(0.5f, 1.5f));
    camera.SetTargetZoom(0.6f);
    camera.FollowBody(Add(world, 0, 1, 0.05f, VEX_BODY_DYNAMIC));
    camera.Update();
    copy.CopyFrom(camera);
    EXPECT_EQ(copy.GetMode(), (u32)VEX_CAMERA_FREE);
    EXPECT_EQ(copy.GetFollowedBody(), nullptr);
    EXPECT_EQ(copy.GetScene(), &scene);
    EXPECT_EQ(copy.GetTargetZoom(), 0.6f);
    EXPECT_EQ(copy.GetHalfScreen().y, 240.0f);
    EXPECT_EQ(copy.GetMatrix()[7], camera.GetMatrix()[7]);
    EXPECT_EQ(camera.GetMode(), (u32)VEX_CAMERA_FOLLOW_BODY);
    world.Clear();
    EXPECT_EQ(camera.GetFollowedBody(), nullptr);
}

} // namespace
