// Hostile scene files: the game's own scenes from the built pack, cut at every length, with
// seeded random bit flips and with their count bytes set to 255 (and 0), are read by the parser
// and loaded into a scene over a live world. Under the sanitizers nothing reads outside the
// buffer; every load leaves a scene within its limits whose saved file reads back as saved.
// The number of inputs is fixed and reported.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include <random>
#include <string>
#include <vector>

#include "game/VexSceneFile.h"
#include "tests/game/SceneTestSupport.h"

namespace {

const int kFlipsPerFile = 120;
const unsigned kSeed = 20261206;

class SceneFuzz : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!vtest::Exists(vtest::BinaryDir() + "/dataScenes.dmp"))
            GTEST_SKIP() << "the data packs are not built (target datapacks)";
        ASSERT_TRUE(battle.OpenScenes());
        const CVexAssetTables& tables = CVexAssetTables::Get();
        for (int i = 0; i < VEX_LEVEL_COUNT; ++i)
            files.push_back(battle.ReadEntry(tables.LevelName(i)));
        for (int i = 0; i < VEX_TRAINING_COUNT; ++i)
            files.push_back(battle.ReadEntry(tables.TrainingName(i)));
        for (const std::string& f : files)
            ASSERT_GT(f.size(), 123u);
    }

    // One input through the parser and the scene; checks what must hold whatever the bytes.
    void Run(const std::string& bytes)
    {
        ++inputs;
        const u8* data = (const u8*)bytes.data();
        const int size = (int)bytes.size();
        CVexSceneFile file;
        int parsed = file.Parse(data, size);
        ASSERT_TRUE(parsed == VORTAN_OK || parsed == VORTAN_E_MALFORMED ||
                    (size == 0 && parsed == VORTAN_E_ARGUMENT));
        ASSERT_LE(file.blockCount, 255);
        ASSERT_LE(file.markerCount, 255);

        ASSERT_EQ(parsed, battle.scene.LoadSceneBytes(data, size));
        CVexBlockList* blocks = battle.scene.GetBlocks();
        ASSERT_LE(blocks->GetCount(), 223);
        ASSERT_LE(blocks->GetCount(), file.blockCount);
        for (int i = 0; i < blocks->GetCount(); ++i) {
            ASSERT_LT(blocks->GetAt(i)->shape, 40u);
            ASSERT_NE(nullptr, blocks->GetAt(i)->body);
        }
        ASSERT_EQ(file.markerCount, battle.scene.GetMarkerCount());
        // The world holds the squibs and the blocks, nothing else.
        ASSERT_EQ(2 + blocks->GetCount(), battle.world.GetBodyCount());

        // What the scene would save reads back as itself.
        CVexSceneFile made, again;
        battle.scene.MakeSceneFile(made);
        u8 out[VEX_SCENE_MAX_WRITE_BYTES];
        int written = made.Write(out);
        ASSERT_EQ(VORTAN_OK, again.Parse(out, written));
        ASSERT_EQ(made.blockCount, again.blockCount);
        ASSERT_EQ(made.markerCount, again.markerCount);
        u8 twice[VEX_SCENE_MAX_WRITE_BYTES];
        ASSERT_EQ(written, again.Write(twice));
        ASSERT_EQ(0, memcmp(out, twice, (size_t)written));
    }

    scenetest::Battle battle;
    std::vector<std::string> files;
    int inputs = 0;
};

} // namespace

TEST_F(SceneFuzz, CutFlippedAndCountedFiles)
{
    std::mt19937 random(kSeed);
    for (const std::string& original : files) {
        // Every length, from nothing to the whole file.
        for (size_t n = 0; n <= original.size(); ++n) {
            Run(original.substr(0, n));
            if (HasFatalFailure())
                return;
        }
        // Count bytes: players at 84, blocks after two players, markers after the blocks.
        const size_t blockCount = 84 + 1 + 36;
        const size_t markerCount = blockCount + 1 + 6 * (unsigned char)original[blockCount];
        for (size_t at : {(size_t)84, blockCount, markerCount}) {
            for (int value : {255, 0, 3}) {
                std::string changed = original;
                changed[at] = (char)value;
                Run(changed);
                if (HasFatalFailure())
                    return;
            }
        }
        // Random bit flips, one to eight per input, anywhere (the tag included).
        for (int i = 0; i < kFlipsPerFile; ++i) {
            std::string changed = original;
            const int flips = 1 + (int)(random() % 8);
            for (int f = 0; f < flips; ++f)
                changed[random() % changed.size()] ^= (char)(1u << (random() % 8));
            Run(changed);
            if (HasFatalFailure())
                return;
        }
    }
    // Fixed by the files, the seed and the counts above; printed for the record.
    printf("scene fuzz: %d inputs\n", inputs);
    RecordProperty("inputs", inputs);
    EXPECT_GT(inputs, 10000);
}
