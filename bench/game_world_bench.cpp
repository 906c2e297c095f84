// World step on a battlefield like the largest level (220 static blocks, two squibs, three
// projectiles), first while the projectiles fly (each run of 30 steps starts again from the
// shot) and then once everything has settled, against Box2D 2.4.1 on the same scene: static
// boxes, dynamic fixed-rotation boxes of the same sizes and masses, the same 1/30 s step and
// gravity (-0.003 units per step per step = -2.7 units/s^2). Box2D is set to do the work our
// world does: our step is 4 sub-steps, each moving the bodies and resolving each contact once,
// with no continuous collision, no rotation and no sleeping; so Box2D takes 4 steps of 1/120 s
// with 1 velocity and 1 position iteration each, continuous physics off, fixed rotation and
// sleeping off (a sleeping body would skip the settled scene's work that ours does).
#include <benchmark/benchmark.h>

#include <box2d/box2d.h>

#include <vector>

#include "tests/game/BattlefieldScene.h"

namespace {

const float kStep = 1.0f / 30.0f;
const int kFlight = 30;
const int kSettle = 300;
const int kSubSteps = 4; // as our world's Init(kStep, 4)

// The world's 32-bit masks use one bit per nibble; Box2D's filters have 16 bits.
uint16 Filter(u32 mask)
{
    uint16 bits = 0;
    for (int i = 0; i < 8; ++i)
        if (mask & (1u << (4 * i)))
            bits |= (uint16)(1u << i);
    return bits;
}

class OurScene {
public:
    OurScene()
    {
        world.Init(kStep, kSubSteps);
        vexscene::Populate(world, vexscene::Battlefield());
        start.Init(kStep, kSubSteps);
        vexscene::Populate(start, vexscene::Battlefield());
    }
    void Restart()
    {
        for (int i = vexscene::kBlocks; i < world.GetBodyCount(); ++i)
            world.GetBody(i)->CopyState(*start.GetBody(i));
    }
    CVexPhysicsWorld world;
    CVexPhysicsWorld start;
};

class Box2DScene {
public:
    Box2DScene() : world(b2Vec2(0.0f, -0.003f * 30.0f * 30.0f))
    {
        world.SetContinuousPhysics(false);
        world.SetAllowSleeping(false);
        boxes = vexscene::Battlefield();
        for (const vexscene::Box& box : boxes) {
            b2BodyDef def;
            def.type = box.kind == VEX_BODY_DYNAMIC ? b2_dynamicBody : b2_staticBody;
            def.position.Set(box.x, box.y);
            def.fixedRotation = true;
            def.linearVelocity.Set(box.vx * 30.0f, box.vy * 30.0f);
            b2Body* body = world.CreateBody(&def);
            b2PolygonShape shape;
            shape.SetAsBox(box.hx, box.hy);
            b2FixtureDef fixture;
            fixture.shape = &shape;
            fixture.density = box.weight > 0.0f ? box.weight / (4.0f * box.hx * box.hy) : 0.0f;
            fixture.friction = box.friction;
            fixture.restitution = box.restitution;
            fixture.filter.categoryBits = Filter(box.mask);
            fixture.filter.maskBits = Filter(box.mask);
            body->CreateFixture(&fixture);
            bodies.push_back(body);
        }
    }
    void Restart()
    {
        for (size_t i = vexscene::kBlocks; i < bodies.size(); ++i) {
            bodies[i]->SetTransform(b2Vec2(boxes[i].x, boxes[i].y), 0.0f);
            bodies[i]->SetLinearVelocity(b2Vec2(boxes[i].vx * 30.0f, boxes[i].vy * 30.0f));
            bodies[i]->SetAwake(true);
        }
    }
    void Step()
    {
        for (int i = 0; i < kSubSteps; ++i)
            world.Step(kStep / (float)kSubSteps, 1, 1);
    }

    b2World world;
    std::vector<vexscene::Box> boxes;
    std::vector<b2Body*> bodies;
};

void BM_WorldStepInFlight(benchmark::State& state)
{
    OurScene scene;
    int n = 0;
    for (auto _ : state) {
        if (n++ % kFlight == 0)
            scene.Restart();
        scene.world.Step();
    }
    benchmark::DoNotOptimize(scene.world.GetBody(vexscene::kBlocks)->position.x);
}
BENCHMARK(BM_WorldStepInFlight);

void BM_Box2DStepInFlight(benchmark::State& state)
{
    Box2DScene scene;
    int n = 0;
    for (auto _ : state) {
        if (n++ % kFlight == 0)
            scene.Restart();
        scene.Step();
    }
    benchmark::DoNotOptimize(scene.bodies.back()->GetPosition().x);
}
BENCHMARK(BM_Box2DStepInFlight);

void BM_WorldStepSettled(benchmark::State& state)
{
    OurScene scene;
    for (int i = 0; i < kSettle; ++i)
        scene.world.Step();
    for (auto _ : state)
        scene.world.Step();
    benchmark::DoNotOptimize(scene.world.GetBody(vexscene::kBlocks)->position.x);
}
BENCHMARK(BM_WorldStepSettled);

void BM_Box2DStepSettled(benchmark::State& state)
{
    Box2DScene scene;
    for (int i = 0; i < kSettle; ++i)
        scene.Step();
    for (auto _ : state)
        scene.Step();
    benchmark::DoNotOptimize(scene.bodies.back()->GetPosition().x);
}
BENCHMARK(BM_Box2DStepSettled);

} // namespace
