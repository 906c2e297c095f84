// The physics world against tests/game/physics_model.py, a model that rounds to single
// precision after every operation: each scenario runs as one script through both, and the
// body states, statistics, contact reports and query answers must agree bit for bit.
#include <gtest/gtest.h>
#include <string.h>

#include <sstream>
#include <string>
#include <vector>

#include "game/VexPhysicsWorld.h"
#include "tests/support/TestSupport.h"

namespace {

std::string Bits(float v)
{
    u32 b;
    memcpy(&b, &v, 4);
    char text[16];
    snprintf(text, sizeof(text), "%08x", b);
    return text;
}

float Unbits(const std::string& text)
{
    u32 b = (u32)strtoul(text.c_str(), nullptr, 16);
    float v;
    memcpy(&v, &b, 4);
    return v;
}

// A scenario: the script lines both sides run.
class Script {
public:
    Script& Init(float stepSeconds, int subSteps)
    {
        m_lines.push_back("init " + Bits(stepSeconds) + " " + std::to_string(subSteps));
        return *this;
    }
    // A body; velocity and mask as given (the mask in hex).
    Script& Body(float px, float py, float hx, float hy, int kind, float weight, float rest,
                 float friction, float vx = 0.0f, float vy = 0.0f, u32 mask = 0xFFFFFFFFu,
                 int group = 1)
    {
        char maskText[16];
        snprintf(maskText, sizeof(maskText), "%08x", mask);
        m_lines.push_back("body " + Bits(px) + " " + Bits(py) + " " + Bits(hx) + " " + Bits(hy) +
                          " " + std::to_string(kind) + " " + std::to_string(group) + " 0 " +
                          Bits(weight) + " " + Bits(rest) + " " + Bits(friction) + " " + maskText +
                          " " + Bits(vx) + " " + Bits(vy));
        return *this;
    }
    Script& Listen()
    {
        m_lines.push_back("listen");
        return *this;
    }
    Script& Step(int n)
    {
        m_lines.push_back("step " + std::to_string(n));
        return *this;
    }
    Script& Point(float x, float y, u32 kinds, u32 groups)
    {
        m_lines.push_back("point " + Bits(x) + " " + Bits(y) + " " + std::to_string(kinds) + " " +
                          std::to_string(groups));
        return *this;
    }
    Script& Radius(float x, float y, float r)
    {
        m_lines.push_back("radius " + Bits(x) + " " + Bits(y) + " " + Bits(r));
        return *this;
    }
    Script& Sweep(float sx, float sy, float hx, float hy, float dx, float dy)
    {
        m_lines.push_back("sweep " + Bits(sx) + " " + Bits(sy) + " " + Bits(hx) + " " + Bits(hy) +
                          " " + Bits(dx) + " " + Bits(dy));
        return *this;
    }
    std::string Text() const
    {
        std::string text;
        for (const std::string& line : m_lines)
            text += line + "\n";
        return text;
    }
    const std::vector<std::string>& Lines() const { return m_lines; }

private:
    std::vector<std::string> m_lines;
};

// Records contacts in the text form of the model.
class Recorder : public CVexPhysicsListener {
public:
    explicit Recorder(CVexPhysicsWorld* world) : m_world(world) {}
    void OnContact(const CVexPhysicsContact& c) override
    {
        lines.push_back("contact " + std::to_string(m_world->FindBody(c.a)) + " " +
                        std::to_string(m_world->FindBody(c.b)) + " " + Bits(c.position.x) + " " +
                        Bits(c.position.y) + " " + Bits(c.normal.x) + " " + Bits(c.normal.y) + " " +
                        Bits(c.impulse));
    }
    std::vector<std::string> lines;

private:
    CVexPhysicsWorld* m_world;
};

// Runs the script on the game's world and prints what the model prints; exhaustive: every
// step tests every body instead of going through the grid of standing bodies.
std::string RunWorld(const Script& script, int exhaustive = 0)
{
    CVexPhysicsWorld world;
    world.SetExhaustive(exhaustive);
    Recorder recorder(&world);
    std::ostringstream out;
    for (const std::string& line : script.Lines()) {
        std::istringstream in(line);
        std::vector<std::string> w;
        for (std::string word; in >> word;)
            w.push_back(word);
        if (w[0] == "init") {
            world.Init(Unbits(w[1]), std::stoi(w[2]));
        } else if (w[0] == "body") {
            CVexPhysicsBodyDesc desc;
            desc.position.Set(Unbits(w[1]), Unbits(w[2]));
            desc.halfSize.Set(Unbits(w[3]), Unbits(w[4]));
            desc.kind = (u32)std::stoul(w[5]);
            desc.group = (u32)std::stoul(w[6]);
            desc.id = (u32)std::stoul(w[7]);
            desc.weight = Unbits(w[8]);
            desc.restitution = Unbits(w[9]);
            desc.friction = Unbits(w[10]);
            CVexPhysicsBody* body = world.AddBody(desc);
            body->mask = (u32)std::stoul(w[11], nullptr, 16);
            body->velocity.Set(Unbits(w[12]), Unbits(w[13]));
        } else if (w[0] == "listen") {
            world.AddListener(&recorder);
        } else if (w[0] == "step") {
            for (int i = std::stoi(w[1]); i > 0; --i)
                world.Step();
            out << "stats " << world.GetPairTests() << " " << world.GetContacts() << "\n";
            for (const std::string& c : recorder.lines)
                out << c << "\n";
            recorder.lines.clear();
            for (int i = 0; i < world.GetBodyCount(); ++i) {
                const CVexPhysicsBody* b = world.GetBody(i);
                out << "body " << i;
                const float values[] = {
                    b->position.x,  b->position.y,  b->previous.x,         b->previous.y,
                    b->stepStart.x, b->stepStart.y, b->stepDisplacement.x, b->stepDisplacement.y,
                    b->velocity.x,  b->velocity.y,  b->impulseSum.x,       b->impulseSum.y};
                for (float v : values)
                    out << " " << Bits(v);
                out << " " << b->asleep << " " << Bits(b->restTime) << "\n";
            }
        } else if (w[0] == "point") {
            CVexPhysicsBody* hit = world.QueryPoint(CVortanVector2(Unbits(w[1]), Unbits(w[2])),
                                                    (u32)std::stoul(w[3]), (u32)std::stoul(w[4]));
            out << "point " << world.FindBody(hit) << "\n";
        } else if (w[0] == "radius") {
            world.QueryRadius(CVortanVector2(Unbits(w[1]), Unbits(w[2])), Unbits(w[3]));
            out << "radius\n";
            for (int i = 0; i < world.GetRadiusResultCount(); ++i) {
                const CVexRadiusResult* r = world.GetRadiusResult(i);
                out << "hit " << world.FindBody(r->body) << " " << Bits(r->closest.x) << " "
                    << Bits(r->closest.y) << " " << Bits(r->offset.x) << " " << Bits(r->offset.y)
                    << " " << Bits(r->distance) << "\n";
            }
        } else if (w[0] == "sweep") {
            world.QuerySweep(CVortanVector2(Unbits(w[1]), Unbits(w[2])),
                             CVortanVector2(Unbits(w[3]), Unbits(w[4])),
                             CVortanVector2(Unbits(w[5]), Unbits(w[6])));
            out << "sweep";
            for (int i = 0; i < world.GetSweepResultCount(); ++i)
                out << " " << world.FindBody(world.GetSweepResult(i));
            out << "\n";
        }
    }
    return out.str();
}

std::string RunModel(const Script& script)
{
    std::string out;
    int status =
        vtest::RunProgram({vtest::Python(), vtest::SourceDir() + "/tests/game/physics_model.py"},
                          &out, script.Text());
    EXPECT_EQ(status, 0) << "the model failed";
    return out;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Both sides agree line for line, the world stepping either way; reports the first
// difference.
void ExpectAgree(const Script& script)
{
    const std::vector<std::string> model = SplitLines(RunModel(script));
    ASSERT_FALSE(model.empty());
    for (int exhaustive = 0; exhaustive <= 1; ++exhaustive) {
        const std::vector<std::string> game = SplitLines(RunWorld(script, exhaustive));
        for (size_t i = 0; i < game.size() && i < model.size(); ++i)
            ASSERT_EQ(model[i], game[i]) << "first difference at output line " << i + 1
                                         << (exhaustive ? " (every body)" : "");
        ASSERT_EQ(model.size(), game.size());
    }
}

// The output lines that start with the prefix.
std::vector<std::string> Grep(const std::string& text, const std::string& prefix)
{
    std::vector<std::string> out;
    for (const std::string& line : SplitLines(text))
        if (line.compare(0, prefix.size(), prefix) == 0)
            out.push_back(line);
    return out;
}

const float kStep = 1.0f / 30.0f;

TEST(PhysicsModel, FreeFallAndResting)
{
    // A box falls from 0.5 onto a floor of restitution 0, settles and falls asleep.
    Script script;
    script.Init(kStep, 4)
        .Body(0.0f, -0.1f, 1.0f, 0.1f, VEX_BODY_STATIC, 0.0f, 0.0f, 0.5f)
        .Body(0.1f, 0.5f, 0.05f, 0.05f, VEX_BODY_DYNAMIC, 20.0f, 0.0f, 0.5f, 0.002f, 0.0f);
    for (int i = 0; i < 12; ++i)
        script.Step(5);
    ExpectAgree(script);
    // Resting: the body is asleep with rest time 2.0 at the end.
    const std::vector<std::string> last = Grep(RunWorld(script), "body 1 ");
    ASSERT_FALSE(last.empty());
    EXPECT_EQ(last.back().substr(last.back().size() - 10), "1 40000000");
}

TEST(PhysicsModel, TiesTouchingEdgesAndMasks)
{
    // No Init: no gravity and no epsilon. Equal penetration on both axes, edges that touch,
    // and a pair whose masks share no bit.
    Script script;
    script.Body(0.0f, 0.0f, 0.25f, 0.25f, VEX_BODY_STATIC, 0.0f, 0.5f, 0.5f)
        .Body(0.375f, 0.375f, 0.25f, 0.25f, VEX_BODY_DYNAMIC, 1.0f, 0.5f, 0.5f)
        .Body(2.0f, 0.0f, 0.25f, 0.25f, VEX_BODY_STATIC, 0.0f, 0.5f, 0.5f)
        .Body(2.5f, 0.0f, 0.25f, 0.25f, VEX_BODY_DYNAMIC, 1.0f, 0.5f, 0.5f)
        .Body(4.0f, 0.0f, 0.25f, 0.25f, VEX_BODY_STATIC, 0.0f, 0.5f, 0.5f, 0, 0, 0x10)
        .Body(4.1f, 0.0f, 0.25f, 0.25f, VEX_BODY_DYNAMIC, 1.0f, 0.5f, 0.5f, 0, 0, 0x01);
    script.Step(1);
    ExpectAgree(script);
    // Body 1 was pushed up (the tie goes to y), body 3 (touching) and body 5 (masks) stayed.
    const std::string out = RunWorld(script);
    // Pair tests per sub-step: bodies 1 and 3 meet all five others, body 5 the four whose
    // masks share its bit; four sub-steps.
    EXPECT_EQ(Grep(out, "stats ")[0], "stats 56 1");
    EXPECT_EQ(Grep(out, "body 1 ")[0].substr(7, 17), Bits(0.375f) + " " + Bits(0.5f));
    EXPECT_EQ(Grep(out, "body 3 ")[0].substr(7, 17), Bits(2.5f) + " " + Bits(0.0f));
}

TEST(PhysicsModel, ZeroWeightAndDynamicPairs)
{
    Script script;
    script
        .Init(kStep, 4)
        // Two weightless boxes pass through each other.
        .Body(-1.0f, 0.5f, 0.05f, 0.05f, VEX_BODY_DYNAMIC, 0.0f, 0.5f, 0.5f, 0.02f, 0.003f)
        .Body(-0.8f, 0.5f, 0.05f, 0.05f, VEX_BODY_DYNAMIC, 0.0f, 0.5f, 0.5f, -0.02f, 0.003f)
        // A heavy box meets a light one head on; both on a shared floor.
        .Body(0.0f, -0.1f, 2.0f, 0.1f, VEX_BODY_STATIC, 0.0f, 0.3f, 0.6f)
        .Body(0.3f, 0.06f, 0.05f, 0.05f, VEX_BODY_DYNAMIC, 5.0f, 0.8f, 0.2f, -0.01f, 0.0f)
        .Body(0.0f, 0.06f, 0.06f, 0.06f, VEX_BODY_DYNAMIC, 40.0f, 0.1f, 0.9f, 0.015f, 0.0f)
        // A stack of three on the floor.
        .Body(1.0f, 0.05f, 0.05f, 0.05f, VEX_BODY_DYNAMIC, 20.0f, 0.05f, 0.5f)
        .Body(1.01f, 0.16f, 0.05f, 0.05f, VEX_BODY_DYNAMIC, 15.0f, 0.2f, 0.5f)
        .Body(0.99f, 0.27f, 0.05f, 0.05f, VEX_BODY_DYNAMIC, 20.0f, 0.05f, 0.5f);
    for (int i = 0; i < 20; ++i)
        script.Step(3);
    ExpectAgree(script);
    // The weightless pair crossed: body 0 ends to the right of body 1.
    const std::string out = RunWorld(script);
    const float x0 = Unbits(Grep(out, "body 0 ").back().substr(7, 8));
    const float x1 = Unbits(Grep(out, "body 1 ").back().substr(7, 8));
    EXPECT_GT(x0, x1);
}

TEST(PhysicsModel, SpeedClampAndListenerContacts)
{
    // A heavy fast box strikes a light one at rest: the light one's response would exceed
    // the pair's speeds and is clamped. A kinematic body and a bouncy projectile add
    // contacts of every kind.
    Script script;
    script.Init(kStep, 4)
        .Listen()
        .Body(0.0f, 0.3f, 0.05f, 0.05f, VEX_BODY_DYNAMIC, 1.0f, 1.0f, 0.5f, 0.0f, 0.0f)
        .Body(-0.2f, 0.3f, 0.05f, 0.05f, VEX_BODY_DYNAMIC, 100.0f, 1.0f, 0.5f, 0.05f, 0.0f)
        .Body(0.5f, 0.1f, 0.1f, 0.1f, VEX_BODY_KINEMATIC, 2.0f, 0.5f, 0.5f, 0.3f, 0.3f)
        .Body(0.5f, 0.5f, 0.025f, 0.025f, VEX_BODY_DYNAMIC, 15.0f, 0.2f, 0.5f, 0.0f, -0.01f)
        .Body(0.0f, -0.1f, 2.0f, 0.1f, VEX_BODY_STATIC, 0.0f, 0.5f, 0.5f);
    for (int i = 0; i < 45; ++i)
        script.Step(1);
    ExpectAgree(script);
    const std::string out = RunWorld(script);
    EXPECT_GT(Grep(out, "contact ").size(), 5u);
    // The light box is struck in the second step. Unclamped it would leave at about
    // 0.05 x (100/101)^2 x 2 = 0.098 per step; the clamp holds it to the pair's speeds,
    // 0.05 + the little it had fallen.
    const std::vector<std::string> light = Grep(out, "body 0 ");
    const float vx = Unbits(light[1].substr(7 + 9 * 8, 8));
    EXPECT_GT(vx, 0.05f);
    EXPECT_LT(vx, 0.057f);
}

TEST(PhysicsModel, Queries)
{
    Script script;
    script.Init(kStep, 4)
        .Body(0.0f, 0.0f, 0.2f, 0.2f, VEX_BODY_STATIC, 0.0f, 0.5f, 0.5f, 0, 0, ~0u, 1)
        .Body(0.1f, 0.1f, 0.2f, 0.2f, VEX_BODY_STATIC, 0.0f, 0.5f, 0.5f, 0, 0, ~0u, 2)
        .Body(0.05f, 0.05f, 0.05f, 0.05f, VEX_BODY_DYNAMIC, 20.0f, 0.5f, 0.5f, 0, 0, ~0u, 1)
        .Body(1.0f, 0.0f, 0.1f, 0.3f, VEX_BODY_KINEMATIC, 0.0f, 0.5f, 0.5f)
        .Body(-1.0f, 0.5f, 0.1f, 0.1f, VEX_BODY_STATIC, 0.0f, 0.5f, 0.5f);
    script
        .Point(0.05f, 0.05f, 7, 0xFF)                 // the last added of three
        .Point(0.05f, 0.05f, 1, 0xFF)                 // statics only
        .Point(0.05f, 0.05f, 7, 1)                    // group 1 only
        .Point(0.2f, 0.0f, 1, 1)                      // on the edge of body 0: not inside
        .Point(3.0f, 3.0f, 7, 0xFF)                   // nothing
        .Radius(0.0f, 0.0f, 0.5f)                     // at body 0's centre, inside 1 and 2
        .Radius(0.7f, 0.45f, 0.35f)                   // outside everything, near body 3's corner
        .Radius(-1.0f, 0.5f, 0.01f)                   // exactly at a centre
        .Radius(0.0f, 1.0f, 0.1f)                     // nothing
        .Sweep(-2.0f, 0.0f, 0.05f, 0.05f, 0.0f, 0.0f) // zero direction
        .Sweep(-2.0f, 0.0f, 0.05f, 0.05f, 4.0f, 0.0f)
        .Sweep(-1.3f, 0.55f, 0.04f, 0.06f, 2.6f, -0.55f)
        .Sweep(2.0f, 0.0f, 0.0f, 0.1f, -5.0f, 0.0f); // zero step: 1002 positions at the start
    ExpectAgree(script);
    const std::string out = RunWorld(script);
    EXPECT_EQ(Grep(out, "point "),
              (std::vector<std::string>{"point 2", "point 1", "point 2", "point -1", "point -1"}));
    EXPECT_EQ(Grep(out, "sweep"),
              (std::vector<std::string>{"sweep", "sweep 0 1 2 3", "sweep 4 1 0 3", "sweep"}));
}

// A pseudo-random scene: static and kinematic blocks, many dynamic boxes of mixed weights,
// restitutions, frictions and masks, with a listener, for 240 steps.
TEST(PhysicsModel, MixedSceneOverManySteps)
{
    u32 seed = 12345u;
    auto next = [&seed](float lo, float hi) {
        seed = seed * 1664525u + 1013904223u;
        return lo + (hi - lo) * (float)(seed >> 8) * (1.0f / 16777216.0f);
    };
    Script script;
    script.Init(kStep, 4).Listen();
    for (int i = 0; i < 30; ++i)
        script.Body(next(-3.0f, 3.0f), next(0.0f, 1.5f), next(0.025f, 0.15f), next(0.025f, 0.15f),
                    i % 7 == 3 ? VEX_BODY_KINEMATIC : VEX_BODY_STATIC, next(0.0f, 5.0f),
                    next(0.0f, 0.9f), next(0.1f, 0.9f), 0.0f, 0.0f, 0x11111111u);
    const u32 masks[] = {0xFFFFFFFFu, 0x11101u, 0x11110u, 0x10u, 0x1u, 0x100u};
    for (int i = 0; i < 12; ++i)
        script.Body(next(-2.0f, 2.0f), next(1.0f, 2.5f), next(0.02f, 0.08f), next(0.02f, 0.08f),
                    VEX_BODY_DYNAMIC, i == 5 ? 0.0f : next(5.0f, 40.0f), next(0.0f, 0.9f),
                    next(0.1f, 0.9f), next(-0.05f, 0.05f), next(-0.05f, 0.05f), masks[i % 6]);
    for (int i = 0; i < 24; ++i)
        script.Step(10);
    ExpectAgree(script);
}

} // namespace
