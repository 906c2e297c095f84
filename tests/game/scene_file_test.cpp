// Scene files: the untagged, "v100" and "v110" forms written byte by byte here and read from a
// pack through the resource manager; the empty scene's 123 bytes; save, load, save; spawn
// points as authored; files cut short, with extra players or refused blocks; the display name;
// the marker count byte; and the writer's temporary file, its failures and its fallback to the
// user-data directory.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdint.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <dirent.h>

#include <string>
#include <vector>

#include "game/VexSceneFile.h"
#include "tests/game/SceneTestSupport.h"
#include "tests/support/PackWriter.h"

namespace {

using scenetest::S;

// A scene file laid out from the format alone.
struct Spawn {
    int x, y;
};
struct Block {
    int x, y, shape, material, variant, layer;
};

std::string SceneBytes(const std::string& tag, const std::vector<uint32_t>& words,
                       const std::vector<std::vector<Spawn>>& players,
                       const std::vector<Block>& blocks, const std::vector<Spawn>* markers)
{
    std::string out = tag;
    for (uint32_t w : words)
        vtest::PutU32(&out, w);
    out += (char)players.size();
    for (size_t p = 0; p < players.size(); ++p) {
        for (const Spawn& s : players[p]) {
            out += (char)(int8_t)s.x;
            out += (char)(int8_t)s.y;
            vtest::PutU32(&out, 0xFF000000u + (uint32_t)p);
        }
    }
    out += (char)blocks.size();
    for (const Block& b : blocks) {
        for (int v : {b.x, b.y, b.shape, b.material, b.variant, b.layer})
            out += (char)v;
    }
    if (markers) {
        out += (char)markers->size();
        for (const Spawn& m : *markers) {
            out += (char)(int8_t)m.x;
            out += (char)(int8_t)m.y;
        }
    }
    return out;
}

std::vector<uint32_t> Words(uint32_t base)
{
    std::vector<uint32_t> words;
    for (uint32_t i = 0; i < 20; ++i)
        words.push_back(base + i);
    return words;
}

const std::vector<std::vector<Spawn>> kPlayers = {{{-100, 20}, {-80, 30}, {-60, 40}},
                                                  {{100, 20}, {80, 30}, {60, 40}}};
const std::vector<Block> kBlocks = {
    {-80, 8, 10, 0, 1, 1}, {80, 8, 24, 3, 2, 0}, {0, -4, 39, 1, 0, 3}};
const std::vector<Spawn> kMarkers = {{-10, 50}, {12, -3}};

// Grid value q as a world position (q / 128 of the scale 3.2).
float Grid(int q)
{
    return (float)q * (1.0f / 128.0f) * 3.2f;
}

class SceneFiles : public ::testing::Test {
protected:
    // Packs the files and opens the pack through the game's resource manager.
    void Pack(const std::vector<std::pair<std::string, std::string>>& files)
    {
        vtest::PackEntries entries;
        for (const auto& f : files)
            entries.push_back({"/" + f.first, f.second});
        ASSERT_TRUE(vtest::WriteWholeFile(tmp.File("scenes.dmp"), vtest::MakePack(entries)));
        ASSERT_EQ(1, battle.app.OpenPack(S(tmp.File("scenes.dmp")), 1));
    }
    std::string Save()
    {
        EXPECT_EQ(1, battle.scene.SaveSceneTo(S(tmp.File("out.scn"))));
        return vtest::ReadWholeFile(tmp.File("out.scn"));
    }
    void ExpectBlocks(const std::vector<Block>& blocks)
    {
        CVexBlockList* list = battle.scene.GetBlocks();
        ASSERT_EQ((int)blocks.size(), list->GetCount());
        for (size_t i = 0; i < blocks.size(); ++i) {
            const CVexBlock* b = list->GetAt((int)i);
            EXPECT_EQ(32 + (int)i, b->id);
            EXPECT_EQ(Grid(blocks[i].x), b->body->position.x);
            EXPECT_EQ(Grid(blocks[i].y), b->body->position.y);
            EXPECT_EQ((u32)blocks[i].shape, b->shape);
            EXPECT_EQ(blocks[i].material, b->material);
            EXPECT_EQ(blocks[i].variant, b->variant);
            EXPECT_EQ(blocks[i].layer, b->layer);
        }
    }

    vtest::TempDir tmp;
    scenetest::Battle battle;
};

} // namespace

// The three forms, read from a pack; the header words are kept and written back; only "v110"
// has markers; the untagged form gets the default words.
TEST_F(SceneFiles, UntaggedV100AndV110Forms)
{
    std::vector<uint32_t> defaults = {0, 1, 2, 3};
    for (int i = 0; i < 16; ++i)
        defaults.push_back((uint32_t)(i % 4));
    Pack({{"plain.scn", SceneBytes("", {}, kPlayers, kBlocks, nullptr)},
          {"old.scn", SceneBytes("v100", Words(0xA0000000u), kPlayers, kBlocks, nullptr)},
          {"new.scn", SceneBytes("v110", Words(0xB0000000u), kPlayers, kBlocks, &kMarkers)}});
    struct Case {
        const char* name;
        std::vector<uint32_t> words;
        size_t markers;
    } cases[] = {{"plain.scn", defaults, 0},
                 {"old.scn", Words(0xA0000000u), 0},
                 {"new.scn", Words(0xB0000000u), 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(1, battle.scene.LoadScene(S(c.name)));
        ExpectBlocks(kBlocks);
        ASSERT_EQ((int)c.markers, battle.scene.GetMarkerCount());
        for (size_t i = 0; i < c.markers; ++i) {
            const CVexMarker* m = battle.scene.GetMarker((int)i);
            EXPECT_EQ(Grid(kMarkers[i].x), m->centre.x);
            EXPECT_EQ(Grid(kMarkers[i].y), m->centre.y);
            EXPECT_EQ(0.03f, m->halfSize.x);
            EXPECT_EQ(0.03f, m->halfSize.y);
        }
        // Saved: always "v110", the words kept, three entries of spawn point 2 per squib with
        // the team colour, the blocks, the markers.
        std::vector<std::vector<Spawn>> standing = {
            {kPlayers[0][2], kPlayers[0][2], kPlayers[0][2]},
            {kPlayers[1][2], kPlayers[1][2], kPlayers[1][2]}};
        std::vector<Spawn> markers(kMarkers.begin(), kMarkers.begin() + c.markers);
        std::string want = SceneBytes("v110", c.words, standing, kBlocks, &markers);
        for (int p = 0; p < 2; ++p) {
            for (int k = 0; k < 3; ++k) {
                uint32_t colour = p == 0 ? 0xFFFF5D37u : 0xFF3A92FFu;
                for (int b = 0; b < 4; ++b)
                    want[85 + 18 * p + 6 * k + 2 + b] = (char)(colour >> (8 * b));
            }
        }
        EXPECT_EQ(want, Save());
    }
}

// Only "v100" and "v110" are tags: other first bytes are the untagged form read from offset 0,
// whose first byte is then the player count.
TEST_F(SceneFiles, OtherFirstBytesAreUntagged)
{
    for (const char* tag : {"v101", "V110", "v120", "x110", "v11 "}) {
        SCOPED_TRACE(tag);
        std::string bytes = SceneBytes(tag, Words(0), kPlayers, kBlocks, &kMarkers);
        CVexSceneFile file;
        file.Parse((const u8*)bytes.data(), (int)bytes.size());
        EXPECT_EQ(VEX_SCENE_UNTAGGED, file.version);
        EXPECT_EQ((unsigned char)tag[0], (unsigned)file.playerCount);
        EXPECT_EQ((int8_t)tag[1], file.spawns[0][0].x);
        EXPECT_EQ((int8_t)tag[2], file.spawns[0][0].y);
        EXPECT_EQ(0u, file.wordsA[0]);
        EXPECT_EQ(3u, file.wordsB[15]);
    }
}

// A scene with no blocks and no markers: 84 + 1 + 36 + 1 + 1 bytes.
TEST_F(SceneFiles, EmptySceneIs123Bytes)
{
    battle.scene.ClearScene();
    std::string bytes = Save();
    ASSERT_EQ(123u, bytes.size());
    EXPECT_EQ("v110", bytes.substr(0, 4));
    EXPECT_EQ(2, bytes[84]);
    // The squibs stand where ResetPlayers puts them: (-0.1, 0.1) is (-4, 4), (0.1, 0.1) (4, 4).
    EXPECT_EQ(-4, (int8_t)bytes[85]);
    EXPECT_EQ(4, (int8_t)bytes[86]);
    EXPECT_EQ(4, (int8_t)bytes[85 + 18]);
    EXPECT_EQ(0, bytes[121]);
    EXPECT_EQ(0, bytes[122]);
}

// Distinct spawn points load as authored; each squib then stands on its spawn point 2; save,
// load, save gives the same bytes. In the editor the points are not kept.
TEST_F(SceneFiles, SpawnPointsAsAuthoredAndSaveLoadSave)
{
    std::string bytes = SceneBytes("v110", Words(7), kPlayers, kBlocks, &kMarkers);
    ASSERT_EQ(VORTAN_OK, battle.scene.LoadSceneBytes((const u8*)bytes.data(), (int)bytes.size()));
    for (int p = 0; p < 2; ++p) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(Grid(kPlayers[p][k].x), battle.scene.GetSpawn(p, k).x) << p << k;
            EXPECT_EQ(Grid(kPlayers[p][k].y), battle.scene.GetSpawn(p, k).y) << p << k;
        }
        EXPECT_EQ(Grid(kPlayers[p][2].x), battle.scene.GetPlayer(p).body->position.x);
        EXPECT_EQ(Grid(kPlayers[p][2].y), battle.scene.GetPlayer(p).body->position.y);
    }
    std::string first = Save();
    ASSERT_EQ(VORTAN_OK, battle.scene.LoadSceneBytes((const u8*)first.data(), (int)first.size()));
    EXPECT_EQ(first, Save());

    CVexScene editor;
    editor.Init(&battle.game, &battle.renderer, &battle.world, 1);
    editor.ResetPlayers();
    editor.LoadSceneBytes((const u8*)bytes.data(), (int)bytes.size());
    EXPECT_EQ(0.0f, editor.GetSpawn(0, 1).x);
    EXPECT_EQ(Grid(kPlayers[1][2].x), editor.GetPlayer(1).body->position.x);
}

// A file cut short loads what is whole; players past two are stepped over; blocks that the list
// refuses are skipped and the ids go on from 32.
TEST_F(SceneFiles, ShortFilesExtraPlayersAndRefusedBlocks)
{
    std::string whole = SceneBytes("v110", Words(0), kPlayers, kBlocks, &kMarkers);
    const int blocksAt = 84 + 1 + 36 + 1;
    // Cut inside the third block: two blocks, no markers.
    std::string cut = whole.substr(0, blocksAt + 6 * 2 + 3);
    EXPECT_EQ(VORTAN_E_MALFORMED,
              battle.scene.LoadSceneBytes((const u8*)cut.data(), (int)cut.size()));
    ExpectBlocks({kBlocks[0], kBlocks[1]});
    EXPECT_EQ(0, battle.scene.GetMarkerCount());
    // Cut inside player 1's second spawn entry: its first entry is taken, no blocks.
    cut = whole.substr(0, 85 + 18 + 6 + 2);
    battle.scene.LoadSceneBytes((const u8*)cut.data(), (int)cut.size());
    EXPECT_EQ(Grid(kPlayers[1][0].x), battle.scene.GetSpawn(1, 0).x);
    EXPECT_EQ(Grid(kPlayers[1][0].x), battle.scene.GetPlayer(1).body->position.x);
    EXPECT_EQ(0.0f, battle.scene.GetSpawn(1, 1).x);
    EXPECT_EQ(0, battle.scene.GetBlocks()->GetCount());
    // Tagged but shorter than the header: the default words, nothing else.
    cut = whole.substr(0, 40);
    EXPECT_EQ(VORTAN_E_MALFORMED,
              battle.scene.LoadSceneBytes((const u8*)cut.data(), (int)cut.size()));
    EXPECT_EQ(1u, battle.scene.GetHeaderA()[1]);

    // Five players: the three past the second are stepped over.
    std::vector<std::vector<Spawn>> five = kPlayers;
    for (int i = 0; i < 3; ++i)
        five.push_back({{1, 1}, {2, 2}, {3, 3}});
    std::vector<Block> blocks = {
        {-8, 8, 40, 0, 0, 0}, {8, 8, 1, 0, 0, 0}, {16, 8, 255, 0, 0, 0}, {24, 8, 2, 2, 1, 1}};
    std::string bytes = SceneBytes("v110", Words(0), five, blocks, &kMarkers);
    ASSERT_EQ(VORTAN_OK, battle.scene.LoadSceneBytes((const u8*)bytes.data(), (int)bytes.size()));
    EXPECT_EQ(Grid(kPlayers[1][2].x), battle.scene.GetPlayer(1).body->position.x);
    ExpectBlocks({blocks[1], blocks[3]});
    EXPECT_EQ(2, battle.scene.GetMarkerCount());
}

// The display name drops ".scn" and shows "_" as spaces; a name shorter than four characters
// stays whole. A name no pack holds loads nothing and leaves the cleared scene.
TEST_F(SceneFiles, DisplayNameAndMissingFile)
{
    Pack({{"Cave_In.scn", SceneBytes("v110", Words(0), kPlayers, kBlocks, &kMarkers)}});
    ASSERT_EQ(1, battle.scene.LoadScene(S("Cave_In.scn")));
    EXPECT_TRUE(battle.scene.GetName() == CVortanString("Cave In"));
    EXPECT_EQ(0, battle.scene.LoadScene(S("a_b")));
    EXPECT_TRUE(battle.scene.GetName() == CVortanString("a b"));
    EXPECT_EQ(0, battle.scene.GetBlocks()->GetCount());
    EXPECT_EQ(0, battle.scene.LoadScene(S(".scn")));
    EXPECT_TRUE(battle.scene.GetName().IsEmpty());
}

// More than 255 markers: the count byte says 255 and 255 markers follow.
TEST_F(SceneFiles, MarkerCountStopsAt255)
{
    battle.scene.ClearScene();
    for (int i = 0; i < 300; ++i)
        battle.scene.AddMarker(CVortanVector2(Grid(i % 200 - 100), Grid(i / 200)),
                               CVortanVector2(0.03f, 0.03f));
    std::string bytes = Save();
    ASSERT_EQ(123u + 255 * 2, bytes.size());
    EXPECT_EQ(255, (unsigned char)bytes[122]);
    battle.scene.LoadSceneBytes((const u8*)bytes.data(), (int)bytes.size());
    EXPECT_EQ(255, battle.scene.GetMarkerCount());
}

// The writer replaces the file through a temporary file: a failed write (the file size limit
// of the process) keeps the old file and leaves nothing behind; a file that cannot be made
// anywhere is 10.
TEST_F(SceneFiles, FailedWritesKeepTheOldFile)
{
    std::string bytes = SceneBytes("v110", Words(0), kPlayers, kBlocks, &kMarkers);
    battle.scene.LoadSceneBytes((const u8*)bytes.data(), (int)bytes.size());
    for (int i = 0; i < 100; ++i)
        battle.scene.AddMarker(CVortanVector2(0.0f, 0.0f), CVortanVector2(0.03f, 0.03f));
    const std::string path = tmp.File("keep.scn");
    ASSERT_TRUE(vtest::WriteWholeFile(path, "old contents"));

    struct rlimit saved;
    ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &saved));
    void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 200;
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
    int result = battle.scene.SaveSceneTo(S(path));
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(VORTAN_E_FAIL, result);
    EXPECT_EQ("old contents", vtest::ReadWholeFile(path));
    int files = 0;
    if (DIR* dir = opendir(tmp.Path().c_str())) {
        while (struct dirent* entry = readdir(dir))
            files += entry->d_name[0] != '.';
        closedir(dir);
    }
    EXPECT_EQ(1, files) << "a temporary file was left behind";

    EXPECT_EQ(VORTAN_OK, battle.scene.SaveSceneTo(S(path)));
    EXPECT_EQ(123u + 3 * 6 + 102 * 2, vtest::ReadWholeFile(path).size());
    EXPECT_EQ(VORTAN_E_OPEN, battle.scene.SaveSceneTo(S(tmp.File("no/such/dir/x.scn"))));
}

// SaveScene writes beside the program; where no file can be made there, in the user-data
// directory; LoadSceneFile reads beside the program.
TEST_F(SceneFiles, SavedBesideTheProgramElseInTheUserData)
{
    std::string bytes = SceneBytes("v110", Words(0), kPlayers, kBlocks, &kMarkers);
    battle.scene.LoadSceneBytes((const u8*)bytes.data(), (int)bytes.size());
    CVortanString beside;
    battle.app.GetResourcePath(beside, S("scene_file_test.scn"));
    std::string besidePath;
    for (int i = 0; i < beside.GetLength(); ++i)
        besidePath += (char)beside.GetAt(i);
    ASSERT_EQ(VORTAN_OK, battle.scene.SaveScene(S("scene_file_test.scn")));
    std::string saved = vtest::ReadWholeFile(besidePath);
    EXPECT_EQ(123u + 3 * 6 + 2 * 2, saved.size());
    battle.scene.ClearScene();
    EXPECT_EQ(1, battle.scene.LoadSceneFile(S("scene_file_test.scn")));
    ExpectBlocks(kBlocks);
    unlink(besidePath.c_str());
    EXPECT_EQ(0, battle.scene.LoadSceneFile(S("scene_file_test.scn")));

    // A directory that does not exist beside the program does in the user data.
    battle.scene.LoadSceneBytes((const u8*)bytes.data(), (int)bytes.size());
    const char* home = getenv("HOME");
    std::string oldHome = home ? home : "";
    setenv("HOME", tmp.Path().c_str(), 1);
    battle.app.SetAppName(S("Zorbix"));
    ASSERT_EQ(0, mkdir(tmp.File(".Zorbix").c_str(), 0700));
    ASSERT_EQ(0, mkdir(tmp.File(".Zorbix/levels").c_str(), 0700));
    int result = battle.scene.SaveScene(S("levels/mine.scn"));
    std::string mine = vtest::ReadWholeFile(tmp.File(".Zorbix/levels/mine.scn"));
    if (home)
        setenv("HOME", oldHome.c_str(), 1);
    else
        unsetenv("HOME");
    EXPECT_EQ(VORTAN_OK, result);
    EXPECT_EQ(saved, mine);
}
