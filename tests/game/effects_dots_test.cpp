// Explosion effects and background dots on the test clock and a seeded random source, and
// the shaders of a game whose application has no GLES2 extension.
#include <gtest/gtest.h>
#include <math.h>

#include "engine/platform/VortanApplication.h"
#include "game/VexDotField.h"
#include "game/VexEffectList.h"
#include "game/VexShader.h"
#include "tests/game/SceneTestSupport.h"

namespace {

const float kStep = 1.0f / 30.0f;

} // namespace

TEST(Effects, FramesRunAtTwentyASecondAndTheLastOneDrops)
{
    CVexEffectList effects;
    effects.Add(CVortanVector2(0.1f, 0.2f), 0.3f, 7, 0xFFFFFFFFu);
    effects.Add(CVortanVector2(0.0f, 0.0f), 0.1f, 0, 0xFF00FF00u);
    ASSERT_EQ(2, effects.GetCount());
    EXPECT_FLOAT_EQ(0.3f, effects.GetAt(0)->halfSize.y);

    // One second at once: frame 20, gone before it is ever drawn; both go in one pass.
    effects.Update(1.0f);
    EXPECT_EQ(0, effects.GetCount());

    // Steps of 1/30 s: each frame shows for about 1.5 steps; frame 15 is the last; the
    // effect leaves at the step that takes its age to 0.8 s.
    effects.Add(CVortanVector2(0.0f, 0.0f), 0.1f, 0, 0xFFFFFFFFu);
    int seen[16] = {0};
    int steps = 0;
    while (effects.GetCount() > 0 && steps < 100) {
        ++seen[effects.GetAt(0)->frame];
        effects.Update(kStep);
        ++steps;
    }
    EXPECT_EQ(24, steps); // 24 x 1/30 = 0.8 s
    for (int f = 0; f < 16; ++f)
        EXPECT_TRUE(seen[f] == 1 || seen[f] == 2) << f;

    // Frame 5 is the cell in column 1, row 1 of the 4 x 4 sheet.
    effects.Add(CVortanVector2(0.0f, 0.0f), 0.1f, 0, 0xFFFFFFFFu);
    effects.Update(0.26f);
    EXPECT_EQ(5, effects.GetAt(0)->frame);
    EXPECT_EQ(1, effects.GetAt(0)->frame % 4);
    EXPECT_EQ(1, effects.GetAt(0)->frame / 4);
    effects.Clear();
    EXPECT_EQ(0, effects.GetCount());
}

class Dots : public ::testing::Test {
protected:
    void SetUp() override
    {
        IVortanApplication::SeedRandomValue(1234);
        dots.Init(&battle.game, &battle.renderer);
    }
    scenetest::Battle battle;
    CVexDotField dots;
};

TEST_F(Dots, AreaComesFromTheViewAndSpawningStopsAt256)
{
    EXPECT_FLOAT_EQ(400.0f, dots.GetCentre().x);
    EXPECT_FLOAT_EQ(240.0f * 0.33f, dots.GetCentre().y);
    EXPECT_FLOAT_EQ(200.0f, dots.GetHalfExtents().x);
    EXPECT_FLOAT_EQ(60.0f, dots.GetHalfExtents().y);
    for (int i = 0; i < 256; ++i) {
        CVexDot* d = dots.Spawn();
        ASSERT_NE(nullptr, d);
        EXPECT_LE(fabsf(d->position.x - 400.0f), 0.75f * 200.0f + 1e-3f);
        EXPECT_LE(fabsf(d->position.y - 79.2f), 0.75f * 60.0f + 1e-3f);
        EXPECT_FLOAT_EQ(0.018f * 800.0f, d->fullSize.x);
    }
    EXPECT_EQ(nullptr, dots.Spawn());
    EXPECT_EQ(256, dots.GetCount());
}

TEST_F(Dots, AlphaIsOpaqueForASecondThenFadesOverThree)
{
    EXPECT_EQ(0xFFFFFFFFu, CVexDotField::ColourForFade(0.0f, 4.0f));
    EXPECT_EQ(0xFFFFFFFFu, CVexDotField::ColourForFade(1.0f, 4.0f));
    EXPECT_EQ(0x7FFFFFFFu, CVexDotField::ColourForFade(2.5f, 4.0f));
    EXPECT_EQ(0x00FFFFFFu, CVexDotField::ColourForFade(4.0f, 4.0f));
    EXPECT_EQ(0x00FFFFFFu, CVexDotField::ColourForFade(5.0f, 4.0f));
}

TEST_F(Dots, ATrailDotEveryThirteenStepsLivesFourSeconds)
{
    CVexDot* spark = dots.Spawn();
    ASSERT_NE(nullptr, spark);
    int firstTrailStep = -1;
    for (int step = 1; step <= 13; ++step) {
        dots.Update(kStep);
        if (dots.GetCount() > 1 && firstTrailStep < 0)
            firstTrailStep = step;
    }
    EXPECT_EQ(13, firstTrailStep);
    CVexDot* trail = dots.GetAt(1);
    ASSERT_TRUE(trail->trail);
    EXPECT_EQ(VEX_DOT_TRAIL_IMAGE, trail->image);
    EXPECT_EQ(spark, trail->link);
    // The trail's full size is the spark's drawn size times 0.1 .. 0.5.
    EXPECT_GE(trail->fullSize.x, spark->drawnSize.x * 0.1f - 1e-4f);
    EXPECT_LE(trail->fullSize.x, spark->drawnSize.x * 0.5f + 1e-4f);
    // It dies once its fade passes the lifetime: 4 s = 120 steps after it appeared.
    int lived = 0;
    while (lived < 200) {
        bool present = false;
        for (int i = 0; i < dots.GetCount(); ++i)
            present = present || dots.GetAt(i) == trail;
        if (!present)
            break;
        dots.Update(kStep);
        ++lived;
    }
    EXPECT_GE(lived, 120);
    EXPECT_LE(lived, 122);
}

TEST_F(Dots, ASparkOutsideTheAreaFadesOutAndIsReplaced)
{
    CVexDot* spark = dots.Spawn();
    ASSERT_NE(nullptr, spark);
    spark->position.Set(-10000.0f, -10000.0f); // far outside: it cannot wander back
    spark->fade = 0.0f;
    int steps = 0;
    bool gone = false;
    while (steps < 200 && !gone) {
        dots.Update(kStep);
        ++steps;
        gone = true;
        for (int i = 0; i < dots.GetCount(); ++i)
            gone = gone && dots.GetAt(i) != spark;
    }
    // 4 s of fade from 0 (the fade passes 4.0 at the 121st step).
    EXPECT_GE(steps, 120);
    EXPECT_LE(steps, 122);
    int sparks = 0;
    for (int i = 0; i < dots.GetCount(); ++i)
        sparks += !dots.GetAt(i)->trail;
    EXPECT_EQ(1, sparks); // the replacement
    for (int i = 0; i < dots.GetCount(); ++i)
        EXPECT_NE(spark, dots.GetAt(i)->link); // no trail points at the dead spark
}

TEST_F(Dots, InsideTheAreaTheFadeGrowsToOneAndStays)
{
    CVexDot* spark = dots.Spawn();
    ASSERT_NE(nullptr, spark);
    // Kept in the middle of the area for a second and a half.
    for (int step = 0; step < 45; ++step) {
        spark->position = dots.GetCentre();
        dots.Update(kStep);
    }
    EXPECT_GE(spark->fade, 1.0f);
    EXPECT_LT(spark->fade, 1.0f + kStep + 1e-4f);
    EXPECT_FLOAT_EQ(spark->fullSize.x, spark->drawnSize.x);
}

// Without a GLES2 extension nothing is compiled: each shader says so once, with program 0.
TEST(ShadersWithoutGles2, EveryShaderHoldsTheOneText)
{
    scenetest::Battle battle;
    for (int i = 0; i < VEX_SHADER_COUNT; ++i) {
        CVexShader* shader = battle.renderer.GetShader(i);
        ASSERT_NE(nullptr, shader) << i;
        EXPECT_EQ(0u, shader->GetProgram());
        EXPECT_TRUE(shader->GetMessages() == CVortanString("NULL Extension \n")) << i;
    }
    // The helpers and the scene's drawing then draw nothing and do not fail.
    battle.renderer.DrawWater(0);
    battle.renderer.DrawText(0, 0, CVortanString("x"), 0xFFFFFFFFu, 0);
    battle.scene.DrawWorld(1);
    battle.scene.DrawPlayers();
    EXPECT_EQ(0, battle.scene.GetDrawCalls());
}
