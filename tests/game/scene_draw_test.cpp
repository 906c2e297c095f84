// Drawing a battlefield through the game's renderer on Mesa GLES2 under Xvfb: the draw
// statistics of the batching cases, block shade by displayed hit points and the shadows of
// upper layers against an ImageMagick reference, squibs idle (breathing) and stretched, the
// aim-dot count, markers and the labels over and under the squibs; a built level drawn whole.
#include <gtest/gtest.h>
#include <math.h>

#include <string>

#include "engine/graphics/VortanSurface.h"
#include "game/VexPhysicsWorld.h"
#include "game/VexScene.h"
#include "tests/game/GLGameSupport.h"

using gltest::At;
using gltest::Close;
using gltest::Differences;
using gltest::Magick;
using gltest::Rgb;

namespace {

gtest_graphics::GLEnvironment* const g_env =
    vtest::AddDisplayEnvironment<gtest_graphics::GLEnvironment>(800, 480);

const u32 kGrey = 0x404040;
const u32 kStyle = 0xC0C0C0;  // every block style, solid
const u32 kShadow = 0x303030; // the amount a shadow takes away
const u32 kMarker = 0xF0E010;

u32 MaterialColour(int m, int v)
{
    return (u32)((60 + 50 * m) << 16 | (200 - 40 * v) << 8 | (40 + 60 * v));
}
u32 SquibColour(int player, int column)
{
    return (u32)((20 + 22 * column) << 16 | (player ? 40 : 220) << 8 | (250 - 20 * column));
}
const u32 kStretchColour[2] = {0x30A0F0, 0xF0A030};

std::string Hex(u32 c)
{
    char s[16];
    snprintf(s, sizeof(s), "#%06x", c);
    return s;
}

std::string Solid(int w, int h, u32 colour)
{
    return gltest::Png({"-size", std::to_string(w) + "x" + std::to_string(h), "xc:" + Hex(colour)});
}

// A strip of `cells` columns of 16 x 16, column c in colour(c).
template <class F>
std::string Strip(int cells, F colour)
{
    std::vector<std::string> args{"-size", std::to_string(16 * cells) + "x16", "xc:black"};
    for (int c = 0; c < cells; ++c)
        args.insert(args.end(), {"-fill", Hex(colour(c)), "-draw",
                                 "rectangle " + std::to_string(16 * c) + ",0 " +
                                     std::to_string(16 * c + 15) + ",15"});
    return gltest::Png(args);
}

// Digits and '-' as white 6 x 10 blocks advancing 8; line height 12.
std::string Font()
{
    std::string chars;
    const char* codes = "-0123456789";
    for (int i = 0; codes[i]; ++i)
        chars += "<char id=\"" + std::to_string((int)codes[i]) +
                 "\" x=\"0\" y=\"0\" width=\"6\" height=\"10\" xoffset=\"0\" yoffset=\"0\" "
                 "xadvance=\"8\" page=\"0\"/>";
    return "<font><common lineHeight=\"12\"/><pages><page id=\"0\" file=\"foo_0.png\"/></pages>"
           "<chars count=\"11\">" +
           chars + "</chars></font>";
}

// World to view pixels for the default camera (offset (0, 0.5), zoom 1): both axes by the
// half width.
int PX(float x)
{
    return (int)lroundf(400.0f + x * 400.0f);
}
int PY(float y)
{
    return (int)lroundf(240.0f - (y - 0.5f) * 400.0f);
}

class SceneDraw : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(g_env->window);
        g = new gltest::GameOnWindow(g_env->window->Id());
        ASSERT_TRUE(g->app.created);
        using G = gltest::GameOnWindow;
        static rtest::Entries* entries = nullptr;
        if (!entries) {
            entries = new rtest::Entries();
            for (int m = 0; m < 4; ++m) {
                entries->push_back({G::Name(29 + m), Solid(16, 16, kStyle)});
                for (int v = 0; v < 3; ++v)
                    entries->push_back(
                        {G::Name(33 + 3 * m + v), Solid(16, 16, MaterialColour(m, v))});
            }
            entries->push_back({G::Name(49), Solid(16, 16, kShadow)});
            entries->push_back({G::Name(5), Strip(10, [](int c) { return SquibColour(0, c); })});
            entries->push_back({G::Name(6), Strip(10, [](int c) { return SquibColour(1, c); })});
            entries->push_back({G::Name(10), Solid(64, 160, kStretchColour[0])});
            entries->push_back({G::Name(11), Solid(64, 160, kStretchColour[1])});
            entries->push_back({G::Name(62), Strip(16, [](int) { return kMarker; })});
            entries->push_back({G::Name(0), Solid(8, 16, 0xFFFFFF)});
            entries->push_back({"/foo.fnt", Font()});
        }
        ASSERT_TRUE(g->OpenPack(*entries));
        std::vector<int> ids{5, 6, 10, 11, 49, 62};
        for (int i = 29; i <= 44; ++i)
            ids.push_back(i);
        ASSERT_TRUE(g->Load(ids));
        world = new CVexPhysicsWorld(g->game.GetGameContext());
        world->Init(1.0f / 30.0f, 4);
        scene = new CVexScene();
        scene->Init(&g->game, &g->renderer, world, 0);
        scene->SetDrawTimeMs(0);
        g->Clear(0xFF404040u);
    }
    void TearDown() override
    {
        delete scene;
        delete world;
        delete g;
    }
    CVexBlock* Add(u32 shape, float x, float y, int material, int variant, int layer)
    {
        CVexBlock* b = scene->GetBlocks()->AddBlock(shape, CVortanVector2(x, y), (u8)material,
                                                    (u8)variant, (u8)layer);
        EXPECT_NE(nullptr, b);
        return b;
    }
    void Stats(int upper, int batches, int calls)
    {
        EXPECT_EQ(upper, scene->GetUpperLayersDrawn());
        EXPECT_EQ(batches, scene->GetBatchesDrawn());
        EXPECT_EQ(calls, scene->GetDrawCalls());
    }
    // Squib p's body where it is drawn from (the previous position is its last step's end).
    void Place(int p, float x, float y)
    {
        CVexPhysicsBody* body = scene->GetPlayer(p).body;
        body->position.Set(x, y);
        body->previous.Set(x, y);
    }

    gltest::GameOnWindow* g = nullptr;
    CVexPhysicsWorld* world = nullptr;
    CVexScene* scene = nullptr;
};

} // namespace

TEST_F(SceneDraw, BatchingFollowsOverlapsLayersAndVariants)
{
    scene->DrawWorld(1);
    Stats(0, 0, 0); // no blocks: nothing at all

    // Shape 1 has half size 0.1. Two paper blocks overlapping: two batches.
    Add(1, 0.0f, 0.5f, 0, 0, 0);
    CVexBlock* second = Add(1, 0.15f, 0.5f, 0, 0, 0);
    scene->DrawWorld(1);
    Stats(0, 2, 2);
    EXPECT_EQ(1, scene->GetBatchSize(0));
    EXPECT_EQ(1, scene->GetBatchSize(1));
    // Touching, and overlapping by 0.001 or less: one batch.
    second->body->position.Set(0.2f, 0.5f);
    scene->DrawWorld(1);
    Stats(0, 1, 1);
    EXPECT_EQ(2, scene->GetBatchSize(0));
    second->body->position.Set(0.1995f, 0.5f);
    scene->DrawWorld(1);
    Stats(0, 1, 1);
    second->body->position.Set(0.198f, 0.5f);
    scene->DrawWorld(1);
    Stats(0, 2, 2);

    // Layer byte 4 is never drawn; variant 3 is gathered into a batch that draws nothing.
    scene->ClearScene();
    Add(1, 0.0f, 0.5f, 0, 0, 4);
    scene->DrawWorld(1);
    Stats(0, 0, 0);
    Add(1, 0.5f, 0.5f, 1, 3, 0);
    scene->DrawWorld(1);
    Stats(0, 1, 0);

    // Upper layers: their non-ice blocks cast one shadow pass each; an all-ice layer casts
    // none but counts; without shadows only the blocks draw.
    scene->ClearScene();
    Add(5, 0.0f, 0.5f, 0, 0, 0);
    Add(1, 0.1f, 0.6f, 1, 1, 1);
    Add(1, -0.1f, 0.6f, 0, 2, 1);
    Add(1, 0.0f, 0.9f, 2, 0, 2);
    scene->DrawWorld(1);
    Stats(2, 4, 5); // 4 block batches + the shadow pass of layer 1
    scene->DrawWorld(0);
    Stats(2, 4, 4);
}

// Block colours are style x material x displayed hit points / 255; the upper layer's shadow
// (0.05 lower, 0.02 wider each side) takes its amount from what lies below; ice casts none.
TEST_F(SceneDraw, BlocksShadeByHitPointsAndUpperLayersCastShadows)
{
    CVexBlock* a = Add(5, 0.0f, 0.5f, 0, 0, 0);  // 0.3 half
    CVexBlock* b = Add(1, 0.25f, 0.7f, 1, 1, 1); // 0.1 half, half hit points shown
    CVexBlock* c = Add(1, -0.5f, 0.5f, 2, 2, 1); // ice: no shadow
    CVexBlock* d = Add(1, -0.5f, 0.9f, 3, 0, 0); // no hit points shown: black
    b->displayedHitPoints = 128;
    c->displayedHitPoints = 300; // clamped to 1
    d->displayedHitPoints = -5;  // clamped to 0
    (void)a;
    scene->DrawWorld(1);
    const Rgb frame = gltest::ReadFrame();
    gltest::Keep(frame, "blocks");

    auto product = [](u32 s, u32 m, float shade) {
        u32 out = 0;
        for (int sh = 0; sh < 24; sh += 8) {
            const float v = (float)((s >> sh) & 255) / 255.0f * (float)((m >> sh) & 255) / 255.0f *
                            shade * 255.0f;
            out |= (u32)lroundf(v) << sh;
        }
        return out;
    };
    auto minus = [](u32 x, u32 k) {
        u32 out = 0;
        for (int sh = 0; sh < 24; sh += 8) {
            const int v = (int)((x >> sh) & 255) - (int)((k >> sh) & 255);
            out |= (u32)(v < 0 ? 0 : v) << sh;
        }
        return out;
    };
    const u32 colourA = product(kStyle, MaterialColour(0, 0), 1.0f);
    const u32 colourB = product(kStyle, MaterialColour(1, 1), 128.0f / 255.0f);
    const u32 colourC = product(kStyle, MaterialColour(2, 2), 1.0f);
    auto rect = [](float l, float t, float r, float b) {
        return "rectangle " + std::to_string(PX(l)) + "," + std::to_string(PY(t)) + " " +
               std::to_string(PX(r) - 1) + "," + std::to_string(PY(b) - 1);
    };
    // B's shadow: centre (0.25, 0.65), half (0.12, 0.1): over A (x to 0.3) and over the grey.
    const Rgb ref =
        Magick({"-size", "800x480", "xc:" + Hex(kGrey),
                // layer 0
                "-fill", Hex(colourA), "-draw", rect(-0.3f, 0.8f, 0.3f, 0.2f), "-fill", "#000000",
                "-draw", rect(-0.6f, 1.0f, -0.4f, 0.8f),
                // layer 1's shadow
                "-fill", Hex(minus(colourA, kShadow)), "-draw", rect(0.13f, 0.75f, 0.3f, 0.55f),
                "-fill", Hex(minus(kGrey, kShadow)), "-draw", rect(0.3f, 0.75f, 0.37f, 0.55f),
                // layer 1
                "-fill", Hex(colourB), "-draw", rect(0.15f, 0.8f, 0.35f, 0.6f), "-fill",
                Hex(colourC), "-draw", rect(-0.6f, 0.6f, -0.4f, 0.4f)});
    // Compared away from every edge of the reference's rectangles (2 px).
    const float xs[] = {-0.6f, -0.4f, -0.3f, 0.13f, 0.15f, 0.3f, 0.35f, 0.37f, 1.0f};
    const float ys[] = {1.0f, 0.8f, 0.75f, 0.6f, 0.55f, 0.4f, 0.2f, -0.09f};
    int bad = 0;
    for (int i = 0; i + 1 < 9; ++i)
        for (int j = 0; j + 1 < 8; ++j)
            bad += Differences(frame, ref, {PX(xs[i]), PY(ys[j]), PX(xs[i + 1]), PY(ys[j + 1])}, 2);
    EXPECT_EQ(0, bad);
    EXPECT_TRUE(Close(colourB, At(frame, PX(0.25f), PY(0.7f)))) << std::hex << At(frame, 500, 160);
}

TEST_F(SceneDraw, SquibsBreatheIdleAndStretchWithTheirAimDots)
{
    Place(0, -0.4f, 0.1f);
    Place(1, 0.4f, 0.1f);
    scene->GetPlayer(0).facingFrame = 3;
    scene->GetPlayer(1).facingFrame = 6;
    // At t = 0 player 0 breathes at scale 1, player 1 at 1 + 0.18 sin(3 pi / 4).
    scene->DrawPlayers();
    Rgb frame = gltest::ReadFrame();
    gltest::Keep(frame, "squibs_idle");
    const float half = 0.05f * 1.75f, cy = 0.1f + 0.05f / 5.0f;
    const float top1 = cy + half * (1.0f + 0.18f * sinf(2.3561945f));
    EXPECT_TRUE(Close(SquibColour(0, 3), At(frame, PX(-0.4f), PY(cy))));
    EXPECT_TRUE(Close(SquibColour(1, 6), At(frame, PX(0.4f), PY(cy))));
    EXPECT_TRUE(Close(SquibColour(1, 6), At(frame, PX(0.4f), PY(top1) + 2)));
    EXPECT_EQ(kGrey, At(frame, PX(-0.4f), PY(cy + half) - 2)); // player 0's top is not raised
    EXPECT_EQ(kGrey, At(frame, PX(0.4f), PY(top1) - 2));
    EXPECT_EQ(kGrey, At(frame, PX(-0.4f), PY(cy - half) + 2));
    EXPECT_EQ(0, scene->GetAimDotsDrawn(0));

    // Stretched and aiming: the stretch image; dots away from the pull, one per 0.04 of
    // stretch plus one, at most ten.
    g->Clear(0xFF404040u);
    CVexPlayer& p1 = scene->GetPlayer(1);
    p1.stretching = 1;
    p1.aiming = 1;
    p1.stretch.Set(0.0f, -0.2f);
    p1.aim.Set(0.0f, -1.0f);
    scene->DrawPlayer(1);
    EXPECT_EQ(6, scene->GetAimDotsDrawn(1));
    frame = gltest::ReadFrame();
    gltest::Keep(frame, "squib_stretched");
    EXPECT_TRUE(Close(kStretchColour[1], At(frame, PX(0.4f), PY(0.1f) + 20)));
    // The first dot 0.1 above the body, the sixth 0.4 above; none further.
    EXPECT_TRUE(Close(kMarker, At(frame, PX(0.4f), PY(0.2f))));
    EXPECT_TRUE(Close(kMarker, At(frame, PX(0.4f), PY(0.5f))));
    EXPECT_EQ(kGrey, At(frame, PX(0.4f), PY(0.55f)));
    p1.stretch.Set(0.4f, 0.0f);
    scene->DrawPlayer(1);
    EXPECT_EQ(10, scene->GetAimDotsDrawn(1));
    p1.stretch.Set(0.0f, 0.0f);
    scene->DrawPlayer(1);
    EXPECT_EQ(1, scene->GetAimDotsDrawn(1));
    // No aim at all: every dot at the squib, no NaN anywhere.
    g->Clear(0xFF404040u);
    p1.aim.Set(0.0f, 0.0f);
    p1.stretch.Set(0.2f, 0.0f);
    scene->DrawPlayer(1);
    EXPECT_EQ(6, scene->GetAimDotsDrawn(1));
    frame = gltest::ReadFrame();
    EXPECT_TRUE(Close(kMarker, At(frame, PX(0.4f), PY(0.1f))));
    // A squib out of play is not drawn.
    g->Clear(0xFF404040u);
    scene->GetPlayer(0).inPlay = 0;
    scene->DrawPlayer(0);
    EXPECT_EQ(kGrey, At(gltest::ReadFrame(), PX(-0.4f), PY(cy)));
}

TEST_F(SceneDraw, MarkersAndLabels)
{
    scene->AddMarker(CVortanVector2(-0.5f, 0.9f), CVortanVector2(0.03f, 0.03f));
    scene->DrawMarkers();
    // Damage 12 and 7 over player 0, health 88 under it.
    Place(0, -0.1f, 0.1f);
    CVexPlayer& p = scene->GetPlayer(0);
    p.showDamage = 1;
    p.labelRise = 0.1f;
    p.damageNumbers[0] = 12;
    p.damageNumbers[3] = 7;
    p.health = 88;
    scene->DrawPlayerLabels();
    const Rgb frame = gltest::ReadFrame();
    gltest::Keep(frame, "labels");
    EXPECT_TRUE(Close(kMarker, At(frame, PX(-0.5f), PY(0.9f))));
    EXPECT_EQ(kGrey, At(frame, PX(-0.5f) + 14, PY(0.9f)));
    // The point: (anchor x, y + half height + rise) = (-0.1, 0.25) -> (360, 340). "-12" is
    // 24 wide, its bottom one line (12) above the point; "-7" one line higher; "88" hangs from
    // (360, 440). Each glyph is a 6 x 10 block with its shadow 1 px lower.
    std::vector<std::string> steps{"-size", "800x480", "xc:" + Hex(kGrey)};
    // Then the dark outline one pixel all round, then the glyph.
    auto text = [&](int x, int y, int glyphs) {
        auto block = [&](const char* fill, int dx, int dy) {
            for (int k = 0; k < glyphs; ++k)
                steps.insert(steps.end(), {"-fill", fill, "-draw",
                                           "rectangle " + std::to_string(x + dx + 8 * k) + "," +
                                               std::to_string(y + dy) + " " +
                                               std::to_string(x + dx + 8 * k + 5) + "," +
                                               std::to_string(y + dy + 9)});
        };
        block("rgba(0,0,0,0.498)", 0, 1);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (dx || dy)
                    block("rgba(16,16,16,0.8745)", dx, dy);
        block("#ffffff", 0, 0);
    };
    text(348, 316, 3);
    text(352, 304, 2);
    text(352, 440, 2);
    const Rgb ref = Magick(steps);
    EXPECT_EQ(0, Differences(frame, ref, {330, 290, 400, 335}, 0, 3));
    EXPECT_EQ(0, Differences(frame, ref, {330, 430, 400, 460}, 0, 3));

    // A squib at the view's left edge (x 2 px): its labels, which would start left of the view,
    // start at its edge ("-12" 24 wide, "88" 16); one at the right edge ends at it; a squib
    // beyond the view keeps its labels out of it.
    auto boxes = [&](float x) {
        Place(0, x, 0.1f);
        g->renderer.ClearTextLog();
        g->renderer.SetTextLog(true);
        scene->DrawPlayerLabels();
        g->renderer.SetTextLog(false);
        std::vector<std::pair<int, int>> out;
        for (const auto& t : g->renderer.GetTextLog())
            out.push_back({t.left, t.right});
        return out;
    };
    const float edge = 2.0f / 400.0f - 1.0f;
    EXPECT_EQ((std::vector<std::pair<int, int>>{{0, 24}, {0, 16}, {0, 16}}), boxes(edge));
    EXPECT_EQ((std::vector<std::pair<int, int>>{{776, 800}, {784, 800}, {784, 800}}), boxes(-edge));
    EXPECT_EQ((std::vector<std::pair<int, int>>{{-62, -38}, {-58, -42}, {-58, -42}}),
              boxes(-1.125f));
}

// A built level (the game's first battlefield) drawn whole with shadows: every block
// gathered, batches no larger than the layer, the block and shadow passes counted.
TEST_F(SceneDraw, ABuiltLevelDrawsEveryBlock)
{
    ASSERT_EQ(1,
              g->app.OpenPack(CVortanString((vtest::BinaryDir() + "/dataScenes.dmp").c_str()), 1));
    ASSERT_EQ(1, scene->LoadScene(CVexAssetTables::Get().LevelName(2)));
    const int blocks = scene->GetBlocks()->GetCount();
    ASSERT_GT(blocks, 10);
    int drawable = 0, upper[4] = {0, 0, 0, 0}, upperNonIce[4] = {0, 0, 0, 0};
    for (int i = 0; i < blocks; ++i) {
        const CVexBlock* b = scene->GetBlocks()->GetAt(i);
        if (b->layer < 4) {
            ++drawable;
            ++upper[b->layer];
            upperNonIce[b->layer] += b->material != VEX_MATERIAL_ICE;
        }
    }
    // The whole battlefield in view.
    g->renderer.GetCamera().SetZoom(0.3f);
    g->renderer.GetCamera().SetTargetZoom(0.3f);
    g->renderer.GetCamera().SetOffset(CVortanVector2(0.0f, 1.2f));
    g->renderer.UpdateCamera(0.0f);
    scene->DrawWorld(1);
    int gathered = 0;
    for (int k = 0; k < scene->GetBatchesDrawn(); ++k)
        gathered += scene->GetBatchSize(k);
    EXPECT_EQ(drawable, gathered);
    int layers = 0, shadowPasses = 0;
    for (int L = 1; L < 4; ++L) {
        layers += upper[L] > 0;
        shadowPasses += upperNonIce[L] > 0;
    }
    EXPECT_EQ(layers, scene->GetUpperLayersDrawn());
    EXPECT_LE(scene->GetDrawCalls(), scene->GetBatchesDrawn() + shadowPasses);
    EXPECT_GE(scene->GetDrawCalls(), shadowPasses);
    gltest::Keep(gltest::ReadFrame(), "level");
}

// A battle frame with the game's own images and font (every pack of the game): water,
// blocks with shadows, both squibs (one aiming), an explosion, labels and a HUD text. What a
// person sees is kept with VEX_SHOTS; here only what must hold whatever the pictures are.
TEST(SceneDrawGameData, ABattleFrameWithTheGameImages)
{
    ASSERT_TRUE(g_env->window);
    gltest::GameOnWindow g(g_env->window->Id());
    ASSERT_TRUE(g.app.created);
    const char* packs[] = {"dataEffects", "dataPlayers", "dataScenes", "dataTextures", "dataUI"};
    for (const char* p : packs)
        ASSERT_EQ(1,
                  g.app.OpenPack(CVortanString((vtest::BinaryDir() + "/" + p + ".dmp").c_str()), 1))
            << p;
    std::vector<int> ids;
    for (int id = 0; id < VEX_IMAGE_COUNT; ++id)
        ids.push_back(id);
    EXPECT_TRUE(g.Load(ids));
    CVexPhysicsWorld world(g.game.GetGameContext());
    world.Init(1.0f / 30.0f, 4);
    {
        CVexScene scene;
        scene.Init(&g.game, &g.renderer, &world, 0);
        ASSERT_EQ(1, scene.LoadScene(CVexAssetTables::Get().LevelName(2)));
        for (int i = 0; i < 30; ++i) {
            world.Step();
            scene.Step(1.0f / 30.0f);
        }
        CVexPlayer& p0 = scene.GetPlayer(0);
        p0.stretching = p0.aiming = 1;
        p0.stretch.Set(-0.15f, -0.1f);
        p0.aim = p0.stretch;
        scene.GetPlayer(1).showDamage = 1;
        scene.GetPlayer(1).damageNumbers[0] = 25;
        g.renderer.GetCamera().SetZoom(0.45f);
        g.renderer.GetCamera().SetTargetZoom(0.45f);
        g.renderer.GetCamera().SetOffset(CVortanVector2(0.0f, 0.9f));
        g.renderer.UpdateCamera(0.5f);
        g.Clear(0xFF000000u);
        g.renderer.DrawBackgroundImage(CVortanVector2(0.0f, 1.5f), CVortanVector2(3.4f, 2.0f),
                                       g.renderer.GetImage(3), 0xFFFFFFFFu);
        scene.DrawWorld(1);
        scene.DrawPlayers();
        g.renderer.DrawWorldFrame(CVortanVector2(0.4f, 0.9f), CVortanVector2(0.2f, 0.2f),
                                  0xFFFFFFFFu, 1, 1, 4, 4, g.renderer.GetImage(25));
        g.renderer.DrawWater(0);
        scene.DrawPlayerLabels();
        g.renderer.DrawText(400, 12, CVortanString("Round 1"), 0xFFFFFFFFu, VEX_TEXT_CENTER_X);
        EXPECT_GT(scene.GetBatchesDrawn(), 0);
        EXPECT_GE(scene.GetDrawCalls(), scene.GetBatchesDrawn());
        EXPECT_EQ(5, scene.GetAimDotsDrawn(0)); // 1 + 0.18 / 0.4 x 10
        const Rgb frame = gltest::ReadFrame();
        gltest::Keep(frame, "battle");
        // The water covers the bottom of the view.
        EXPECT_NE(0u, At(frame, 400, 475));
    }
}
