// The physics world's rules that have exact answers worked out by hand (a landing cancelled
// exactly, rest detection, kinematic bodies, the box tests), and its bookkeeping: who is told
// when a body goes, and which pointers it clears.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/VexGameContext.h"
#include "game/VexPhysicsWorld.h"
#include "tests/game/BattlefieldScene.h"

namespace {

CVexPhysicsBodyDesc Desc(float x, float y, float hx, float hy, u32 kind, float weight = 20.0f,
                         float restitution = 0.5f, float friction = 0.5f)
{
    CVexPhysicsBodyDesc desc;
    desc.position.Set(x, y);
    desc.halfSize.Set(hx, hy);
    desc.kind = kind;
    desc.weight = weight;
    desc.restitution = restitution;
    desc.friction = friction;
    return desc;
}

class Contacts : public CVexPhysicsListener {
public:
    void OnContact(const CVexPhysicsContact& contact) override { seen.push_back(contact); }
    std::vector<CVexPhysicsContact> seen;
};

class Watcher : public IVexBodyWatcher {
public:
    void OnBodyRemoved(CVexPhysicsWorld*, CVexPhysicsBody* body) override
    {
        removed.push_back(body);
    }
    void OnWorldDestroyed(CVexPhysicsWorld* world) override { gone.push_back(world); }
    std::vector<CVexPhysicsBody*> removed;
    std::vector<CVexPhysicsWorld*> gone;
};

TEST(PhysicsWorld, InitWritesTheSubStepIntoTheContextAndKeepsOneSubStepAtLeast)
{
    CVexGameContext context;
    context.SetSubStep(-1.0f);
    CVexPhysicsWorld world(&context);
    EXPECT_EQ(context.GetSubStep(), -1.0f); // only Init writes the copy
    world.AddBody(Desc(0, 0, 1, 1, VEX_BODY_STATIC));
    world.Init(1.0f / 30.0f, 3);
    EXPECT_EQ(world.GetBodyCount(), 0);
    EXPECT_EQ(context.GetSubStep(), 1.0f / 3.0f);
    // No sub-steps would divide by zero and never move: one is the least.
    world.Init(1.0f / 30.0f, 0);
    EXPECT_EQ(world.GetSubSteps(), 1);
    EXPECT_EQ(context.GetSubStep(), 1.0f);
}

// No Init: no gravity, no epsilon, dt 1/4. A box of half size 0.1 at y 0.3 falls at 0.4 per
// step onto a static box at 0: the first sub-step ends with the edges touching (no contact),
// the second overlaps by 0.1 and pushes it back up.
TEST(PhysicsWorld, ALandingWithoutRestitutionCancelsTheNormalVelocityExactly)
{
    CVexPhysicsWorld world;
    Contacts contacts;
    world.AddListener(&contacts);
    CVexPhysicsBody* floor = world.AddBody(Desc(0, 0, 0.1f, 0.1f, VEX_BODY_STATIC, 0, 0, 0.5f));
    CVexPhysicsBody* box =
        world.AddBody(Desc(0, 0.3f, 0.1f, 0.1f, VEX_BODY_DYNAMIC, 20.0f, 0.0f, 0.5f));
    box->velocity.Set(0.0f, -0.4f);
    world.Step();

    EXPECT_EQ(box->velocity.y, 0.0f);
    EXPECT_EQ(box->velocity.x, 0.0f);
    EXPECT_FLOAT_EQ(box->position.y, 0.2f);
    // Twice the impulse (0, 0.4) on the box, the opposite on the floor.
    EXPECT_EQ(box->impulseSum.y, 0.8f);
    EXPECT_EQ(floor->impulseSum.y, -0.8f);
    EXPECT_EQ(world.GetContacts(), 1);
    EXPECT_EQ(world.GetPairTests(), 4);
    ASSERT_EQ(contacts.seen.size(), 1u);
    EXPECT_EQ(contacts.seen[0].a, box);
    EXPECT_EQ(contacts.seen[0].b, floor);
    EXPECT_EQ(contacts.seen[0].normal.x, 0.0f);
    EXPECT_EQ(contacts.seen[0].normal.y, 1.0f);
    EXPECT_EQ(contacts.seen[0].impulse, 0.4f * 0.4f);
    EXPECT_EQ(box->previous.y, box->position.y);
    EXPECT_FLOAT_EQ(box->stepDisplacement.y, -0.1f);

    // A slow contact (mixed speed squared 5e-6 or less) is not reported.
    world.Init(1.0f, 4);
    world.SetGravity(CVortanVector2(0, 0));
    world.AddBody(Desc(0, 0, 0.1f, 0.1f, VEX_BODY_STATIC, 0, 0, 0.5f));
    CVexPhysicsBody* slow = world.AddBody(Desc(0, 0.2f, 0.1f, 0.1f, VEX_BODY_DYNAMIC, 20, 0, 0));
    slow->velocity.Set(0.0f, -0.002f);
    contacts.seen.clear();
    world.Step();
    EXPECT_EQ(world.GetContacts(), 1);
    EXPECT_TRUE(contacts.seen.empty());
}

TEST(PhysicsWorld, ABodyMovingLessThanAHundredthPerStepSleepsAfterMoreThanASecond)
{
    CVexPhysicsWorld world;
    world.Init(1.0f / 30.0f, 4);
    world.SetGravity(CVortanVector2(0, 0));
    CVexPhysicsBody* still = world.AddBody(Desc(-1, 1, 0.05f, 0.05f, VEX_BODY_DYNAMIC));
    CVexPhysicsBody* creeping = world.AddBody(Desc(0, 1, 0.05f, 0.05f, VEX_BODY_DYNAMIC));
    CVexPhysicsBody* moving = world.AddBody(Desc(1, 1, 0.05f, 0.05f, VEX_BODY_DYNAMIC));
    creeping->velocity.Set(0.009f, 0.0f);
    moving->velocity.Set(0.0f, 0.011f);
    // Thirty additions of 1/30 in single precision first exceed 1.0 at the thirtieth.
    for (int step = 1; step <= 29; ++step)
        world.Step();
    EXPECT_EQ(still->asleep, 0u);
    world.Step();
    EXPECT_EQ(still->asleep, 1u);
    EXPECT_EQ(still->restTime, 2.0f);
    EXPECT_EQ(creeping->asleep, 1u);
    EXPECT_EQ(moving->asleep, 0u);
    EXPECT_EQ(moving->restTime, 0.0f);
    // Asleep is only a flag: the body still moves, and moving wakes it.
    still->velocity.Set(0.0f, -0.5f);
    world.Step();
    EXPECT_EQ(still->asleep, 0u);
    EXPECT_EQ(still->restTime, 0.0f);
}

TEST(PhysicsWorld, KinematicBodiesStandStillAndOnlyWeightedOnesRest)
{
    CVexPhysicsWorld world;
    world.Init(0.5f, 4);
    CVexPhysicsBody* weighted = world.AddBody(Desc(0, 0, 0.1f, 0.1f, VEX_BODY_KINEMATIC, 2.0f));
    CVexPhysicsBody* light = world.AddBody(Desc(1, 0, 0.1f, 0.1f, VEX_BODY_KINEMATIC, 0.0f));
    weighted->velocity.Set(0.3f, 0.3f);
    world.Step();
    EXPECT_EQ(weighted->velocity.x, 0.0f);
    EXPECT_EQ(weighted->position.x, 0.0f);
    EXPECT_EQ(weighted->restTime, 0.5f);
    world.Step();
    EXPECT_EQ(weighted->asleep, 0u); // 1.0 is not above 1.0
    world.Step();
    EXPECT_EQ(weighted->asleep, 1u);
    EXPECT_EQ(weighted->restTime, 2.0f);
    EXPECT_EQ(light->restTime, 0.0f);
    EXPECT_EQ(light->asleep, 0u);
}

TEST(PhysicsWorld, BoxTests)
{
    const float a[4] = {0, 0, 1, 1};
    const float touching[4] = {1, 0, 2, 1};
    const float corner[4] = {1, 1, 2, 2};
    const float inside[4] = {0.25f, 0.25f, 0.75f, 0.75f};
    const float deep[4] = {0.998f, 0.5f, 2, 2};  // overlaps 0.002 by 0.5
    const float shallow[4] = {0.9995f, 0, 2, 2}; // overlaps 0.0005 on x
    EXPECT_FALSE(CVexPhysicsWorld::BoxesOverlap(a, touching));
    EXPECT_FALSE(CVexPhysicsWorld::BoxesOverlap(touching, a));
    EXPECT_FALSE(CVexPhysicsWorld::BoxesOverlap(a, corner));
    EXPECT_TRUE(CVexPhysicsWorld::BoxesOverlap(a, inside));
    EXPECT_TRUE(CVexPhysicsWorld::BoxesOverlap(inside, a));
    EXPECT_TRUE(CVexPhysicsWorld::BoxesOverlap(a, shallow));
    EXPECT_FALSE(CVexPhysicsWorld::BoxesOverlapMargin(a, shallow));
    EXPECT_TRUE(CVexPhysicsWorld::BoxesOverlapMargin(a, deep));
    EXPECT_TRUE(CVexPhysicsWorld::BoxesOverlapMargin(a, inside));

    CVexPhysicsWorld world;
    CVexPhysicsBody* p = world.AddBody(Desc(0, 0, 0.5f, 0.5f, VEX_BODY_STATIC));
    CVexPhysicsBody* q = world.AddBody(Desc(1, 0, 0.5f, 0.5f, VEX_BODY_STATIC));
    CVexPhysicsBody* r = world.AddBody(Desc(0.9f, 0.9f, 0.5f, 0.5f, VEX_BODY_STATIC));
    EXPECT_FALSE(CVexPhysicsWorld::BodiesOverlap(*p, *q));
    EXPECT_TRUE(CVexPhysicsWorld::BodiesOverlap(*p, *r));
    EXPECT_TRUE(CVexPhysicsWorld::BodiesOverlap(*r, *q));
}

TEST(PhysicsWorld, RadiusQueryClearsPushesAndWritesEveryBodysBounds)
{
    CVexPhysicsWorld world;
    CVexPhysicsBody* near = world.AddBody(Desc(0, 0, 0.25f, 0.5f, VEX_BODY_STATIC));
    CVexPhysicsBody* far = world.AddBody(Desc(5, 5, 0.5f, 0.25f, VEX_BODY_DYNAMIC));
    near->push.Set(1, 2);
    far->push.Set(3, 4);
    far->position.Set(6, 5); // moved since its bounds were last written
    EXPECT_EQ(world.QueryRadius(CVortanVector2(0.5f, 0), 0.5f), 1);
    EXPECT_EQ(far->push.x, 0.0f);
    EXPECT_EQ(near->push.y, 0.0f);
    EXPECT_EQ(far->bounds[VEX_BOUND_MIN_X], 5.5f);
    EXPECT_EQ(far->bounds[VEX_BOUND_MAX_Y], 5.25f);
    const CVexRadiusResult* hit = world.GetRadiusResult(0);
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit->body, near);
    EXPECT_EQ(hit->closest.x, 0.25f);
    EXPECT_EQ(hit->offset.x, -0.25f);
    EXPECT_EQ(hit->distance, 0.25f);
    EXPECT_EQ(world.GetRadiusResult(1), nullptr);
    EXPECT_EQ(world.GetRadiusResult(-1), nullptr);
}

TEST(PhysicsWorld, LeavingBodiesAreForgottenByTheWorldAndItsWatchers)
{
    Watcher watcher;
    CVexPhysicsBody* a;
    CVexPhysicsBody* b;
    CVexPhysicsBody* c;
    {
        CVexPhysicsWorld world;
        world.AddWatcher(&watcher);
        world.AddWatcher(&watcher); // once only
        a = world.AddBody(Desc(0, 0, 0.5f, 0.5f, VEX_BODY_STATIC));
        b = world.AddBody(Desc(0.2f, 0, 0.5f, 0.5f, VEX_BODY_DYNAMIC));
        c = world.AddBody(Desc(0.4f, 0, 0.5f, 0.5f, VEX_BODY_DYNAMIC));

        // A body not in the world is left alone, and so is the list.
        CVexPhysicsWorld other;
        CVexPhysicsBody* stranger = other.AddBody(Desc(0, 0, 1, 1, VEX_BODY_STATIC));
        world.RemoveBody(stranger);
        world.RemoveBody(nullptr);
        EXPECT_EQ(world.GetBodyCount(), 3);
        EXPECT_TRUE(watcher.removed.empty());

        world.SetActiveBody(c);
        EXPECT_EQ(world.QueryRadius(CVortanVector2(0.2f, 0), 1.0f), 3);
        EXPECT_EQ(world.QuerySweep(CVortanVector2(0.2f, 0), CVortanVector2(0.1f, 0.1f),
                                   CVortanVector2(0, 0)),
                  3);
        world.RemoveBody(b);
        EXPECT_EQ(world.GetActiveBody(), c); // another body's removal keeps it
        EXPECT_EQ(world.GetBodyCount(), 2);
        EXPECT_EQ(world.GetBody(1), c);
        EXPECT_EQ(world.FindBody(b), -1);
        // Query answers keep their places; the one that named the body is emptied.
        EXPECT_EQ(world.GetRadiusResult(1)->body, nullptr);
        EXPECT_EQ(world.GetRadiusResult(2)->body, c);
        EXPECT_EQ(world.GetSweepResult(1), nullptr);
        EXPECT_EQ(world.GetSweepResult(2), c);

        world.RemoveBody(c);
        EXPECT_EQ(world.GetActiveBody(), nullptr);
        EXPECT_EQ(watcher.removed, (std::vector<CVexPhysicsBody*>{b, c}));

        world.SetActiveBody(a);
        world.Clear();
        EXPECT_EQ(world.GetActiveBody(), nullptr);
        EXPECT_EQ(world.GetRadiusResultCount(), 0);
        EXPECT_EQ(world.GetSweepResultCount(), 0);
        EXPECT_EQ(watcher.removed.back(), a);

        CVexPhysicsBody* d = world.AddBody(Desc(0, 0, 1, 1, VEX_BODY_DYNAMIC));
        world.SetActiveBody(d);
        world.Init(1.0f / 30.0f, 4);
        EXPECT_EQ(world.GetActiveBody(), nullptr);
        EXPECT_EQ(watcher.removed.back(), d);

        world.AddBody(Desc(0, 0, 1, 1, VEX_BODY_DYNAMIC));
        watcher.removed.clear();
        EXPECT_TRUE(watcher.gone.empty());
    }
    // The world's destruction deletes its last body, then says it is gone.
    EXPECT_EQ(watcher.removed.size(), 1u);
    EXPECT_EQ(watcher.gone.size(), 1u);

    // A watcher that unregistered hears nothing more.
    Watcher quiet;
    CVexPhysicsWorld world;
    world.AddWatcher(&quiet);
    world.RemoveWatcher(&quiet);
    world.RemoveBody(world.AddBody(Desc(0, 0, 1, 1, VEX_BODY_STATIC)));
    EXPECT_TRUE(quiet.removed.empty());
}

TEST(PhysicsWorld, ListenersAreKeptOnceAndCalledInOrder)
{
    class Tagged : public CVexPhysicsListener {
    public:
        Tagged(std::string* log, char tag) : m_log(log), m_tag(tag) {}
        void OnContact(const CVexPhysicsContact&) override { *m_log += m_tag; }

    private:
        std::string* m_log;
        char m_tag;
    };
    std::string log;
    Tagged first(&log, 'a'), second(&log, 'b');
    CVexPhysicsWorld world;
    world.AddListener(&first);
    world.AddListener(&second);
    world.AddListener(&first);
    world.AddBody(Desc(0, 0, 0.1f, 0.1f, VEX_BODY_STATIC));
    CVexPhysicsBody* box = world.AddBody(Desc(0, 0.25f, 0.1f, 0.1f, VEX_BODY_DYNAMIC));
    box->velocity.Set(0, -0.2f);
    world.Step();
    EXPECT_EQ(log, "ab");
    world.RemoveListener(&first);
    box->velocity.Set(0, -0.2f);
    world.Step();
    EXPECT_EQ(log, "abb");
}

// A body that mirrors another (the snapshot world's copy) keeps its own owner and world.
TEST(PhysicsWorld, CopyStateKeepsTheOwnerAndTheWorld)
{
    CVexPhysicsWorld live, snapshot;
    CVexPhysicsBody* from = live.AddBody(Desc(1, 2, 0.1f, 0.2f, VEX_BODY_DYNAMIC, 7, 0.1f, 0.2f));
    from->velocity.Set(0.5f, -0.5f);
    from->mask = 0x10;
    from->asleep = 1;
    from->ownerValue = 20;
    int liveOwner = 0, copyOwner = 0;
    from->owner = &liveOwner;
    CVexPhysicsBody* to = snapshot.AddBody(Desc(0, 0, 1, 1, VEX_BODY_STATIC));
    to->owner = &copyOwner;
    to->CopyState(*from);
    EXPECT_EQ(to->position.y, 2.0f);
    EXPECT_EQ(to->velocity.x, 0.5f);
    EXPECT_EQ(to->halfSize.y, 0.2f);
    EXPECT_EQ(to->kind, (u32)VEX_BODY_DYNAMIC);
    EXPECT_EQ(to->mask, 0x10u);
    EXPECT_EQ(to->asleep, 1u);
    EXPECT_EQ(to->ownerValue, 20u);
    EXPECT_EQ(to->weight, 7.0f);
    EXPECT_EQ(to->owner, &copyOwner);
    EXPECT_EQ(to->world, &snapshot);
}

} // namespace

namespace {

// A listener that does what the battle's listener may: it changes the two bodies of the
// contact it is told of. Every few contacts it makes a standing B dynamic, makes A stick
// (kinematic, at rest), moves or reshapes B, or changes B's mask.
class Meddler : public CVexPhysicsListener {
public:
    void OnContact(const CVexPhysicsContact& c) override
    {
        ++m_calls;
        if (m_calls % 3 == 0 && c.b->kind == VEX_BODY_STATIC) {
            c.b->kind = VEX_BODY_DYNAMIC;
            c.b->weight = 30.0f;
        } else if (m_calls % 7 == 0) {
            c.a->kind = VEX_BODY_KINEMATIC;
            c.a->velocity.Set(0.0f, 0.0f);
        } else if (m_calls % 11 == 0 && c.b->kind != VEX_BODY_DYNAMIC) {
            c.b->position.x = c.b->position.x + 0.03f;
        } else if (m_calls % 13 == 0) {
            c.b->halfSize.y = c.b->halfSize.y * 1.5f;
        } else if (m_calls % 17 == 0) {
            c.b->mask = 0x1u;
        }
    }

private:
    int m_calls = 0;
};

// The battlefield with extra falling boxes, a meddling listener, and owners that move,
// remove and add bodies between steps; every step's state, statistics included.
std::string Play(int exhaustive)
{
    CVexPhysicsWorld world;
    world.SetExhaustive(exhaustive);
    world.Init(1.0f / 30.0f, 4);
    Meddler meddler;
    world.AddListener(&meddler);
    vexscene::Populate(world, vexscene::Battlefield());
    u32 seed = 99u;
    auto next = [&seed](float lo, float hi) {
        seed = seed * 1664525u + 1013904223u;
        return lo + (hi - lo) * (float)(seed >> 8) * (1.0f / 16777216.0f);
    };
    for (int i = 0; i < 24; ++i) {
        CVexPhysicsBody* body = world.AddBody(
            Desc(next(-3.0f, 3.0f), next(1.2f, 2.5f), next(0.02f, 0.06f), next(0.02f, 0.06f),
                 VEX_BODY_DYNAMIC, i % 9 == 4 ? 0.0f : next(5.0f, 30.0f), next(0.0f, 0.9f),
                 next(0.1f, 0.9f)));
        body->velocity.Set(next(-0.06f, 0.06f), next(-0.02f, 0.08f));
        body->mask = i % 5 == 0 ? 0x11101u : 0x11111111u;
    }
    std::string out;
    for (int step = 0; step < 200; ++step) {
        if (step == 40)
            world.GetBody(10)->position.y += 0.2f; // a block pushed by a message
        if (step == 60)
            world.RemoveBody(world.GetBody(50));
        if (step == 80)
            world.AddBody(Desc(0.0f, 2.0f, 0.3f, 0.05f, VEX_BODY_STATIC));
        if (step == 100)
            world.GetBody(world.GetBodyCount() - 3)->kind = VEX_BODY_KINEMATIC;
        if (step == 120)
            world.GetBody(30)->mask = 0x10u;
        if (step == 150) { // a block from the far right moved under the first box still dynamic
            for (int i = 0; i < world.GetBodyCount(); ++i) {
                const CVexPhysicsBody* box = world.GetBody(i);
                if (box->kind == VEX_BODY_DYNAMIC && box->position.y > 0.0f &&
                    box->position.x < 0.0f) {
                    world.GetBody(200)->position.Set(box->position.x, box->position.y - 0.05f);
                    break;
                }
            }
        }
        world.Step();
        vexscene::AppendState(world, out);
        out += std::to_string(world.GetPairTests()) + "/" + std::to_string(world.GetContacts());
    }
    return out;
}

TEST(PhysicsWorld, TheGridOfStandingBodiesAnswersAsTestingEveryBody)
{
    const std::string grid = Play(0);
    const std::string every = Play(1);
    ASSERT_EQ(grid.size(), every.size());
    EXPECT_TRUE(grid == every);
}

} // namespace
