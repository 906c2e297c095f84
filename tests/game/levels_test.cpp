// The game's twenty battlefields and fifteen training scenes, loaded from the built
// dataScenes.dmp through the game's resource manager: every pair of spawn points gives two
// squibs that come to rest on blocks above the water, inside the battlefield, touching no
// block and not each other; the scene saves back as it was loaded; and the set is varied.
#include <gtest/gtest.h>

#include <math.h>

#include <set>
#include <string>
#include <vector>

#include "tests/game/SceneTestSupport.h"

namespace {

using scenetest::S;

const int kMaxSteps = 600; // 20 s of game time: a dropped squib settles long before

struct SceneName {
    CVortanString name;
    bool training;
};

std::vector<SceneName> AllScenes()
{
    const CVexAssetTables& tables = CVexAssetTables::Get();
    std::vector<SceneName> names;
    for (int i = 0; i < VEX_LEVEL_COUNT; ++i)
        names.push_back({tables.LevelName(i), false});
    for (int i = 0; i < VEX_TRAINING_COUNT; ++i)
        names.push_back({tables.TrainingName(i), true});
    return names;
}

// The file as the writer makes it from the loaded scene: the same bytes, but each squib's three
// spawn entries are all its spawn entry 2 (where it stands after loading).
std::string AsSavedAfterLoad(std::string bytes)
{
    const size_t players = 85;
    for (int p = 0; p < 2; ++p) {
        const size_t base = players + 18 * p;
        for (int k = 0; k < 2; ++k)
            bytes.replace(base + 6 * k, 6, bytes.substr(base + 12, 6));
    }
    return bytes;
}

class Levels : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!vtest::Exists(vtest::BinaryDir() + "/dataScenes.dmp"))
            GTEST_SKIP() << "the data packs are not built (target datapacks)";
        ASSERT_TRUE(battle.OpenScenes());
    }

    // Drops both squibs at their spawn points and steps until both sleep; false when they do
    // not within the bound.
    bool Settle(int spawn0, int spawn1)
    {
        const int spawns[2] = {spawn0, spawn1};
        for (int p = 0; p < 2; ++p) {
            CVexPhysicsBody* body = battle.scene.GetPlayer(p).body;
            body->position = battle.scene.GetSpawn(p, spawns[p]);
            body->velocity.Set(0.0f, 0.0f);
            body->asleep = 0;
            body->restTime = 0.0f;
        }
        for (int step = 0; step < kMaxSteps; ++step) {
            battle.scene.Step(1.0f / 30.0f);
            battle.world.Step();
            if (battle.scene.GetPlayer(0).body->asleep && battle.scene.GetPlayer(1).body->asleep)
                return true;
        }
        return false;
    }

    // What is wrong with where squib p came to rest, or "".
    std::string RestProblem(int p)
    {
        const CVexPhysicsBody& squib = *battle.scene.GetPlayer(p).body;
        const CVexPhysicsBody& other = *battle.scene.GetPlayer(1 - p).body;
        const float scale = battle.renderer.GetCamera().GetWorldScale();
        char where[96];
        snprintf(where, sizeof where, " (squib %d at %.4f, %.4f)", p, squib.position.x,
                 squib.position.y);
        if (!(squib.position.x >= -scale && squib.position.x <= scale))
            return std::string("outside the battlefield") + where;
        if (squib.position.y + 2.0f * squib.halfSize.y < 0.0f)
            return std::string("under water") + where;
        if (CVexPhysicsWorld::BodiesOverlap(squib, other))
            return std::string("on the other squib") + where;
        bool standing = false;
        CVexBlockList* blocks = battle.scene.GetBlocks();
        for (int i = 0; i < blocks->GetCount(); ++i) {
            const CVexPhysicsBody& block = *blocks->GetAt(i)->body;
            if (CVexPhysicsWorld::BodiesOverlap(squib, block))
                return "inside block " + std::to_string(blocks->GetAt(i)->id) + where;
            bool under = block.MinX() < squib.MaxX() && squib.MinX() < block.MaxX() &&
                         fabsf(squib.MinY() - block.MaxY()) < 0.005f;
            standing = standing || (under && block.MaxY() > 0.0f);
        }
        return standing ? "" : std::string("not standing on a block above the water") + where;
    }

    scenetest::Battle battle;
    vtest::TempDir tmp;
};

} // namespace

TEST_F(Levels, EverySpawnPointSettlesOnABlockAndTheSceneSavesBack)
{
    int loaded = 0;
    for (const SceneName& scene : AllScenes()) {
        const std::string name = VortanUTF8Of(scene.name);
        SCOPED_TRACE(name);
        const std::string packed = battle.ReadEntry(scene.name);
        ASSERT_FALSE(packed.empty());
        ASSERT_EQ(1, battle.scene.LoadScene(scene.name));
        ++loaded;
        const int blocks = battle.scene.GetBlocks()->GetCount();
        EXPECT_GT(blocks, 0);
        EXPECT_LE(blocks, 223);
        // Every record became a block: the file's count byte is the list's count.
        EXPECT_EQ((unsigned char)packed[85 + 36], (unsigned)blocks);

        // Saved as loaded (squibs on spawn point 2), then again after a load of that save.
        const std::string saved = tmp.File("saved.scn");
        ASSERT_EQ(1, battle.scene.SaveSceneTo(S(saved)));
        const std::string expected = AsSavedAfterLoad(packed);
        EXPECT_EQ(expected, vtest::ReadWholeFile(saved));

        // Every pair of spawn points: both squibs come to rest where they may stand.
        for (int a = 0; a < 3; ++a) {
            for (int b = 0; b < 3; ++b) {
                SCOPED_TRACE("spawn points " + std::to_string(a) + ", " + std::to_string(b));
                ASSERT_TRUE(Settle(a, b)) << "the squibs do not come to rest";
                EXPECT_EQ("", RestProblem(0));
                EXPECT_EQ("", RestProblem(1));
            }
        }

        // Back on spawn point 2, the simulated scene saves the same bytes: the blocks never
        // moved.
        for (int p = 0; p < 2; ++p)
            battle.scene.GetPlayer(p).body->position = battle.scene.GetSpawn(p, 2);
        ASSERT_EQ(1, battle.scene.SaveSceneTo(S(saved)));
        EXPECT_EQ(expected, vtest::ReadWholeFile(saved));
    }
    EXPECT_EQ(35, loaded);
}

// Together the scenes use every material, texture variant and drawing layer; one level comes
// close to the block list's 223; the spawn points of each side are three distinct places.
TEST_F(Levels, TheSetIsVaried)
{
    std::set<int> materials, variants, layers;
    int largest = 0;
    std::string largestName;
    for (const SceneName& scene : AllScenes()) {
        SCOPED_TRACE(VortanUTF8Of(scene.name));
        ASSERT_EQ(1, battle.scene.LoadScene(scene.name));
        CVexBlockList* blocks = battle.scene.GetBlocks();
        for (int i = 0; i < blocks->GetCount(); ++i) {
            materials.insert(blocks->GetAt(i)->material);
            variants.insert(blocks->GetAt(i)->variant);
            layers.insert(blocks->GetAt(i)->layer);
        }
        // Side 0 starts left of side 1.
        for (int k = 0; k < 3; ++k) {
            for (int j = 0; j < 3; ++j)
                EXPECT_LT(battle.scene.GetSpawn(0, k).x, battle.scene.GetSpawn(1, j).x);
        }
        if (!scene.training && blocks->GetCount() > largest) {
            largest = blocks->GetCount();
            largestName = VortanUTF8Of(scene.name);
        }
        for (int p = 0; p < 2; ++p) {
            for (int k = 0; k < 3; ++k) {
                for (int j = k + 1; j < 3; ++j) {
                    const CVortanVector2& a = battle.scene.GetSpawn(p, k);
                    const CVortanVector2& b = battle.scene.GetSpawn(p, j);
                    EXPECT_FALSE(a.x == b.x && a.y == b.y)
                        << "side " << p << ": " << k << ", " << j;
                }
            }
        }
    }
    EXPECT_EQ((std::set<int>{0, 1, 2, 3}), materials);
    EXPECT_EQ((std::set<int>{0, 1, 2, 3}), variants);
    EXPECT_EQ((std::set<int>{0, 1, 2, 3}), layers);
    EXPECT_GE(largest, 215) << largestName;
    EXPECT_EQ("Polis.scn", largestName);
}
