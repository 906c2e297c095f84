// The asset tables: the rows other Parts index by arithmetic, the training names, the block
// sizes with their repeated rows, and the credits' groups.
#include <gtest/gtest.h>

#include <string>

#include "game/VexAssetLoader.h"
#include "game/VexAssetTables.h"
#include "game/VexGameContext.h"
#include "platform/OrloResourceManager.h"
#include "tests/game/SceneTestSupport.h"
#include "tests/platform/ResourceTestSupport.h"

namespace {

const CVexAssetTables& T()
{
    return CVexAssetTables::Get();
}

} // namespace

TEST(AssetTables, NamesByIdAndTheGroupsIndexedByArithmetic)
{
    EXPECT_EQ("Orlo_War.scn", VortanUTF8Of(T().LevelName(17)));
    EXPECT_EQ("01.scn", VortanUTF8Of(T().TrainingName(0)));
    EXPECT_EQ("15.scn", VortanUTF8Of(T().TrainingName(14)));
    EXPECT_EQ(0, T().Level(17).value);
    EXPECT_EQ(0, T().Training(3).value);
    EXPECT_EQ("Texture_Bounce03.png", VortanUTF8Of(T().ImageName(44)));
    EXPECT_EQ("water_base.png", VortanUTF8Of(T().ImageName(45)));
    // Projectiles 18..21, bombs 22..24, styles 29..32, textures in runs of three per material.
    EXPECT_EQ("projectile_red.png", VortanUTF8Of(T().ImageName(18)));
    EXPECT_EQ("bomb_none.png", VortanUTF8Of(T().ImageName(24)));
    EXPECT_EQ("blockstyle04.png", VortanUTF8Of(T().ImageName(29 + 3)));
    EXPECT_EQ("Texture_Ice02.png", VortanUTF8Of(T().ImageName(33 + 3 * 2 + 1)));
    for (int id = 0; id < VEX_IMAGE_COUNT; ++id)
        EXPECT_EQ(id, T().Image(id).value);
    EXPECT_EQ(23, T().Sound(23).value);
    EXPECT_EQ("Kuva01.jpg", VortanUTF8Of(T().IntroSlideName(0)));
    EXPECT_EQ("Kuva11.jpg", VortanUTF8Of(T().IntroSlideName(10)));
}

TEST(AssetTables, BlockSizes)
{
    EXPECT_EQ(0.05f, T().BlockSize(0).x);
    EXPECT_EQ(0.25f, T().BlockSize(39).x);
    EXPECT_EQ(0.30f, T().BlockSize(39).y);
    // Repeated sizes keep their own rows.
    const int pairs[][2] = {{20, 29}, {24, 31}, {17, 32}, {26, 35}, {19, 36}, {23, 38}};
    for (const auto& p : pairs) {
        EXPECT_EQ(T().BlockSize(p[0]).x, T().BlockSize(p[1]).x) << p[0];
        EXPECT_EQ(T().BlockSize(p[0]).y, T().BlockSize(p[1]).y) << p[0];
    }
    // No other two rows are alike.
    int same = 0;
    for (int a = 0; a < VEX_BLOCK_SHAPE_COUNT; ++a)
        for (int b = a + 1; b < VEX_BLOCK_SHAPE_COUNT; ++b)
            same += T().BlockSize(a).x == T().BlockSize(b).x &&
                    T().BlockSize(a).y == T().BlockSize(b).y;
    EXPECT_EQ(6, same);
}

// Groups: a heading and its names under one key, one blank row (key 0) between groups; the
// legal block of four rows under 666 closes the roll.
TEST(AssetTables, CreditsGroups)
{
    struct Group {
        int first, last, key;
        const char* heading;
    } groups[] = {{2, 2, 10, "- Credits -"},
                  {4, 6, 20, "Executive Producers"},
                  {11, 14, 40, "Original Idea & Game Design"},
                  {40, 47, 120, "Testing"},
                  {54, 54, 0, "***"},
                  {56, 56, 140, "Orlo Social Lounge"},
                  {86, 87, 215, "Build Manager"},
                  {101, 102, 250, "Testers:"},
                  {104, 104, 260, "Thank you all!"}};
    for (const Group& g : groups) {
        EXPECT_EQ(g.heading, VortanUTF8Of(T().Credits(g.first).text)) << g.first;
        for (int r = g.first; r <= g.last; ++r) {
            EXPECT_EQ(g.key, T().Credits(r).key) << r;
            EXPECT_FALSE(T().Credits(r).text.IsEmpty()) << r;
        }
    }
    const int blank[] = {1,  3,  7,  10, 15, 18, 21, 24, 27, 32, 36, 39,  48,  53,
                         55, 57, 61, 65, 71, 74, 81, 85, 88, 92, 97, 100, 103, 105};
    int blanks = 0;
    for (int r : blank) {
        EXPECT_TRUE(T().Credits(r).text.IsEmpty()) << r;
        EXPECT_EQ(0, T().Credits(r).key) << r;
        ++blanks;
    }
    int legal = 0, empty = 0;
    for (int r = 0; r < VEX_CREDITS_COUNT; ++r) {
        legal += T().Credits(r).key == VEX_CREDITS_LEGAL_KEY;
        empty += T().Credits(r).text.IsEmpty();
    }
    EXPECT_EQ(4, legal);
    EXPECT_EQ(VEX_CREDITS_LEGAL_KEY, T().Credits(106).key);
    EXPECT_EQ(VEX_CREDITS_LEGAL_KEY, T().Credits(109).key);
    EXPECT_EQ(blanks, empty);
    EXPECT_EQ(0, T().Credits(0).key);
}

// Loading by id takes the table's name into the id's slot; loading a slot again gives the old
// handle back first (the surface is not held twice); ids outside the tables are refused.
TEST(AssetLoader, IdsLoadTheirTableNamesIntoTheirSlots)
{
    vtest::TempDir dir;
    scenetest::HeadlessApp app;
    rtest::WritePack(dir.File("images.dmp"), {{"/foo_0.png", rtest::MakePng(2, 2, "#ff0000")},
                                              {"/marker.png", rtest::MakePng(4, 4, "#00ff00")}});
    ASSERT_EQ(1, app.OpenPack(rtest::S(dir.File("images.dmp")), 1));
    CVexGameContext context;
    EXPECT_EQ(VORTAN_OK, CVexAssetLoader::LoadImage(&context, &app, 62));
    CVortanSurface* marker = context.GetImage(62);
    ASSERT_NE(nullptr, marker);
    EXPECT_EQ(4, marker->GetWidth());
    EXPECT_EQ(nullptr, context.GetImage(0));
    EXPECT_EQ(VORTAN_OK, CVexAssetLoader::LoadImage(&context, &app, 62));
    // The first handle went back before the second load: one reference is left, and one
    // release unloads it.
    CVortanSurface* held = context.GetImage(62);
    EXPECT_EQ(1, app.ReleaseSurface(held));
    EXPECT_EQ(nullptr, held);
    *context.ImageSlot(62) = nullptr;

    EXPECT_EQ(VORTAN_OK, CVexAssetLoader::LoadImage(&context, &app, 0));
    EXPECT_EQ(0, CVexAssetLoader::LoadImage(&context, &app, 1)); // not in the pack
    EXPECT_EQ(nullptr, context.GetImage(1));
    EXPECT_EQ(0, CVexAssetLoader::LoadFont(&context, &app));
    EXPECT_EQ(VORTAN_E_ARGUMENT, CVexAssetLoader::LoadImage(&context, &app, 70));
    EXPECT_EQ(VORTAN_E_ARGUMENT, CVexAssetLoader::LoadImage(&context, &app, -1));
    EXPECT_EQ(VORTAN_E_ARGUMENT, CVexAssetLoader::LoadSound(&context, &app, 24));
    EXPECT_EQ(VORTAN_E_ARGUMENT, CVexAssetLoader::LoadImage(nullptr, &app, 0));
    context.ReleaseHandles(&app);
}
