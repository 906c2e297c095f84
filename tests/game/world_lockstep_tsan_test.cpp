// Lockstep: the world computes the same bits wherever it runs. A scripted battle on a large
// battlefield (220 blocks, two squibs, three projectiles, 300 steps) gives the digest recorded
// below in every build of the suite (optimised, debug with sanitizers, thread-sanitized), in
// two runs, in two worlds stepped in turn, in two threads at once, and in a snapshot world
// that mirrors the live one body by body.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "game/VexGameContext.h"
#include "tests/game/BattlefieldScene.h"

namespace {

// MD5 over the bytes of every body's state after each step, and over every contact report.
const char kRecordedDigest[] = "03b7b7f4f33f37826a3c808a573951f3";
const int kSteps = 300;

class ContactLog : public CVexPhysicsListener {
public:
    explicit ContactLog(const CVexPhysicsWorld* world) : m_world(world) {}
    void OnContact(const CVexPhysicsContact& c) override
    {
        const float values[] = {c.position.x, c.position.y, c.normal.x, c.normal.y, c.impulse};
        const int indices[] = {m_world->FindBody(c.a), m_world->FindBody(c.b)};
        bytes.append((const char*)indices, sizeof(indices));
        bytes.append((const char*)values, sizeof(values));
        ++count;
    }
    std::string bytes;
    int count = 0;

private:
    const CVexPhysicsWorld* m_world;
};

struct Outcome {
    std::string digest;
    int contacts = 0;
    int asleep = 0;
};

class Battle {
public:
    Battle() : world(&context), log(&world)
    {
        world.Init(1.0f / 30.0f, 4);
        world.AddListener(&log);
        vexscene::Populate(world, vexscene::Battlefield());
        MD5Init(&md5);
    }
    void Step()
    {
        world.Step();
        std::string state;
        vexscene::AppendState(world, state);
        MD5Update(&md5, state.data(), (unsigned int)state.size());
        MD5Update(&md5, log.bytes.data(), (unsigned int)log.bytes.size());
        log.bytes.clear();
    }
    Outcome Finish()
    {
        MD5Final(&md5);
        Outcome run;
        static const char kHex[] = "0123456789abcdef";
        for (int i = 0; i < 16; ++i) {
            run.digest.push_back(kHex[md5.digest[i] >> 4]);
            run.digest.push_back(kHex[md5.digest[i] & 15]);
        }
        run.contacts = log.count;
        for (int i = 0; i < world.GetBodyCount(); ++i)
            run.asleep += (int)world.GetBody(i)->asleep;
        return run;
    }

    CVexGameContext context;
    CVexPhysicsWorld world;
    ContactLog log;
    MD5Context md5;
};

Outcome Play()
{
    Battle battle;
    for (int i = 0; i < kSteps; ++i)
        battle.Step();
    return battle.Finish();
}

TEST(WorldLockstep, TheScriptedBattleGivesTheRecordedDigestInEveryRun)
{
    const Outcome first = Play();
    const Outcome second = Play();
    EXPECT_EQ(first.digest, kRecordedDigest);
    EXPECT_EQ(second.digest, first.digest);
    // The script is a real battle: things hit things, both squibs and two projectiles come to
    // rest on the blocks, and the third projectile falls through a gap into the water.
    EXPECT_GT(first.contacts, 50);
    EXPECT_EQ(first.asleep, 4);
}

TEST(WorldLockstep, TwoWorldsSteppedInTurnStayEqual)
{
    Battle a, b;
    for (int i = 0; i < kSteps; ++i) {
        a.Step();
        b.Step();
        std::string stateA, stateB;
        vexscene::AppendState(a.world, stateA);
        vexscene::AppendState(b.world, stateB);
        ASSERT_EQ(stateA, stateB) << "after step " << i + 1;
    }
    EXPECT_EQ(a.Finish().digest, kRecordedDigest);
    EXPECT_EQ(b.Finish().digest, kRecordedDigest);
    EXPECT_EQ(a.context.GetSubStep(), 0.25f);
}

TEST(WorldLockstep, TwoThreadsStepTheirOwnWorldsAtOnce)
{
    Outcome left, right;
    std::thread one([&left] { left = Play(); });
    std::thread two([&right] { right = Play(); });
    one.join();
    two.join();
    EXPECT_EQ(left.digest, kRecordedDigest);
    EXPECT_EQ(right.digest, kRecordedDigest);
}

// The battle's fast-forward: a second world built body for body like the live one, given each
// body's state mid-flight, continues exactly as the live world does.
TEST(WorldLockstep, ASnapshotWorldContinuesAsTheLiveOne)
{
    Battle live;
    for (int i = 0; i < 20; ++i)
        live.Step();
    CVexPhysicsWorld snapshot;
    snapshot.Init(1.0f / 30.0f, live.world.GetSubSteps());
    vexscene::Populate(snapshot, vexscene::Battlefield());
    ASSERT_EQ(snapshot.GetBodyCount(), live.world.GetBodyCount());
    for (int i = 0; i < snapshot.GetBodyCount(); ++i)
        snapshot.GetBody(i)->CopyState(*live.world.GetBody(i));
    for (int i = 0; i < 100; ++i) {
        live.Step();
        snapshot.Step();
    }
    std::string a, b;
    vexscene::AppendState(live.world, a);
    vexscene::AppendState(snapshot, b);
    EXPECT_EQ(a, b);
}

} // namespace
