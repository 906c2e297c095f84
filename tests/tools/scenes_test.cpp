// The battlefield sources and their tool: every scene file in the built dataScenes.dmp is read
// by the tests' own reader (scnread.py) and matches its text source in data/scenes; the pack
// holds the scenes of the asset tables and nothing else; makescene refuses sources that would
// give a wrong or unreadable file.
#include <gtest/gtest.h>
#include <stdio.h>
#include <unistd.h>

#include <dirent.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace {

const std::string kPackTool = vtest::BinaryDir() + "/tools/vortanpack";
const std::string kTool = vtest::BinaryDir() + "/tools/makescene";
const std::string kReader = vtest::SourceDir() + "/tests/tools/scnread.py";
const std::string kSources = vtest::SourceDir() + "/data/scenes";

std::vector<std::string> SourceNames()
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(kSources.c_str())) {
        while (struct dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".txt") == 0)
                names.push_back(name.substr(0, name.size() - 4));
        }
        closedir(dir);
    }
    return names;
}

class Scenes : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!vtest::Exists(vtest::BinaryDir() + "/dataScenes.dmp") || !vtest::Exists(kTool))
            GTEST_SKIP() << "the data packs are not built (target datapacks)";
    }
    // Runs makescene on a source text; the exit status, its messages in `errors`.
    int Make(const std::string& text, std::string* out = nullptr)
    {
        const std::string in = tmp.File("in.txt"), scn = tmp.File("out.scn");
        unlink(scn.c_str());
        EXPECT_TRUE(vtest::WriteWholeFile(in, text));
        int status = vtest::RunProgram({kTool, in, scn});
        if (out)
            *out = vtest::ReadWholeFile(scn);
        EXPECT_EQ(status == 0, vtest::Exists(scn));
        return status;
    }
    vtest::TempDir tmp;
};

const char* kSpawns = "spawn 0 -1 1\nspawn 0 -1.5 1\nspawn 0 -2 1\n"
                      "spawn 1 1 1\nspawn 1 1.5 1\nspawn 1 2 1\n";

} // namespace

TEST_F(Scenes, EveryBuiltSceneMatchesItsSource)
{
    const std::string dir = tmp.File("scenes");
    ASSERT_EQ(
        0, vtest::RunProgram({kPackTool, "extract", vtest::BinaryDir() + "/dataScenes.dmp", dir}));
    std::vector<std::string> names = SourceNames();
    std::set<std::string> expected;
    for (int i = 1; i <= 15; ++i) {
        char name[8];
        snprintf(name, sizeof name, "%02d", i);
        expected.insert(name);
    }
    for (const char* level : {"Balconies",
                              "Bridge",
                              "Castle",
                              "Cave_In",
                              "Farm",
                              "Golden_Stairs",
                              "Graveyard",
                              "Henge",
                              "Jungle",
                              "Land_Ahoy",
                              "Medieval_Madness",
                              "Old_Mill",
                              "Paradise",
                              "Piece_of_Cake",
                              "Pillars",
                              "Polis",
                              "Siege",
                              "Orlo_War",
                              "Tower",
                              "Underground"})
        expected.insert(level);
    EXPECT_EQ(expected, std::set<std::string>(names.begin(), names.end()));

    std::string listing;
    ASSERT_EQ(0, vtest::RunProgram({kPackTool, "list", vtest::BinaryDir() + "/dataScenes.dmp"},
                                   &listing));
    int entries = 0;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);)
        entries += !line.empty();
    EXPECT_EQ(35, entries);

    for (const std::string& name : names) {
        std::string out;
        EXPECT_EQ(0, vtest::RunProgram({vtest::Python(), kReader, "--check",
                                        kSources + "/" + name + ".txt", dir + "/" + name + ".scn"},
                                       &out))
            << name << ": " << out;
        EXPECT_EQ("ok\n", out) << name;
    }
}

// The edges of the packed byte: -3.2 is -128, the largest value below 3.2 is 127; 3.2 and
// anything below -3.2 do not fit. Values are floored onto the 1/128 grid.
TEST_F(Scenes, PositionsPackedByTheCamerasRule)
{
    std::string out;
    ASSERT_EQ(0, Make(std::string(kSpawns) +
                          "block -3.2 3.19 0 paper 0 0\nblock -0.0125 0.0375 39 bouncy 3 3\n"
                          "marker 3.175 -3.2\n",
                      &out));
    // 84 header bytes, 2 players, 2 blocks, 1 marker.
    ASSERT_EQ(84u + 1 + 36 + 1 + 12 + 1 + 2, out.size());
    const size_t blocks = 84 + 1 + 36 + 1;
    EXPECT_EQ(-128, (signed char)out[blocks]);
    EXPECT_EQ(127, (signed char)out[blocks + 1]);
    EXPECT_EQ(-1, (signed char)out[blocks + 6]); // -0.4 of a step floors to -1
    EXPECT_EQ(1, (signed char)out[blocks + 7]);  // 1.5 steps floor to 1
    EXPECT_EQ(39, out[blocks + 8]);
    EXPECT_EQ(3, out[blocks + 9]);
    EXPECT_EQ(127, (signed char)out[blocks + 13]);
    EXPECT_EQ(-128, (signed char)out[blocks + 14]);
    EXPECT_EQ(-40, (signed char)out[85]); // spawn -1.0: 40 steps of 0.025
    EXPECT_EQ(std::string("\x37\x5d\xff\xff", 4), out.substr(87, 4));
    EXPECT_EQ(std::string("\xff\x92\x3a\xff", 4), out.substr(85 + 18 + 2, 4));
}

TEST_F(Scenes, BadSourcesAreRefused)
{
    std::string blocks223, markers256;
    for (int i = 0; i < 224; ++i)
        blocks223 += "block 0 1 0 paper 0 0\n";
    for (int i = 0; i < 256; ++i)
        markers256 += "marker 0 1\n";
    struct Case {
        const char* what;
        std::string text;
    } cases[] = {
        {"x at the scale", "block 3.2 1 0 paper 0 0\n"},
        {"y below minus the scale", "block 0 -3.2001 0 paper 0 0\n"},
        {"not a number", "block 0 1x 0 paper 0 0\n"},
        {"nan", "marker nan 1\n"},
        {"infinity", "marker 0 inf\n"},
        {"shape 40", "block 0 1 40 paper 0 0\n"},
        {"shape -1", "block 0 1 -1 paper 0 0\n"},
        {"material", "block 0 1 0 wood 0 0\n"},
        {"variant 4", "block 0 1 0 metal 4 0\n"},
        {"layer 4", "block 0 1 0 metal 0 4\n"},
        {"missing value", "block 0 1 0 metal 0\n"},
        {"extra value", "marker 0 1 2\n"},
        {"side 2", "spawn 2 0 1\n"},
        {"unknown item", "tree 0 1\n"},
        {"224 blocks", blocks223},
        {"256 markers", markers256},
    };
    for (const Case& c : cases)
        EXPECT_EQ(1, Make(std::string(kSpawns) + c.text)) << c.what;
    // Spawn points: three per side.
    EXPECT_EQ(1, Make("spawn 0 -1 1\nspawn 0 -1 1\nspawn 1 1 1\nspawn 1 1 1\nspawn 1 1 1\n"));
    EXPECT_EQ(1, Make(std::string(kSpawns) + "spawn 1 1 1\n"));
    // The limits themselves are fine (223 blocks, 255 markers); comments and blank lines are
    // skipped.
    std::string blocks = blocks223.substr(2 * std::string("block 0 1 0 paper 0 0\n").size());
    std::string out;
    EXPECT_EQ(0, Make("# a comment\n\n" + std::string(kSpawns) + blocks + markers256.substr(11) +
                          "block 0 1 0 ice 2 3 # trailing comment\n",
                      &out));
    EXPECT_EQ(84u + 1 + 36 + 1 + 223 * 6 + 1 + 255 * 2, out.size());
}
