// The game's state dump: off without its environment variable; in a headless training battle
// its lines match the battle's own state (screen points worked out here from the camera's
// fields), a drag aimed from the dumped squib point wins the first scene, and the digest line
// is the one taken as the shot's playback ended; unchanged frames are not written again; a
// reader polling the file while the game runs never sees a partial dump; sections add lines.
// A match's end stays in the dump once its battle has gone.
#include <gtest/gtest.h>
#include <math.h>
#include <stdlib.h>

#include <atomic>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "game/VexBlock.h"
#include "game/VexBlockList.h"
#include "game/VexCamera.h"
#include "game/VexPhysicsBody.h"
#include "game/VexPlayState.h"
#include "game/VexRenderer.h"
#include "game/VexScene.h"
#include "game/VexStateDump.h"
#include "tests/game/BattleMatchSupport.h"

namespace {

typedef std::map<std::string, std::vector<std::string>> Dump;

// Each line's key and its values.
Dump Parse(const std::string& text)
{
    Dump out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string key, word;
        words >> key;
        std::vector<std::string>& values = out[key];
        values.clear();
        while (words >> word)
            values.push_back(word);
    }
    return out;
}

// The environment variable set for the games made while it lives.
class DumpVariable {
public:
    explicit DumpVariable(const std::string& path) { setenv("ORLO_STATE_DUMP", path.c_str(), 1); }
    ~DumpVariable() { unsetenv("ORLO_STATE_DUMP"); }
};

class DumpedTraining : public ::testing::Test {
protected:
    std::string Path() const { return dir.File("state.txt"); }
    Dump Read() const { return Parse(vtest::ReadWholeFile(Path())); }
    // Ticks until the dump has stayed as it is for 30 ticks.
    bool ViewAtRest(btest::DrawnTraining& t)
    {
        std::string last;
        int still = 0;
        return t.RunUntil(
            [&] {
                const std::string now = vtest::ReadWholeFile(Path());
                still = now == last ? still + 1 : 0;
                last = now;
                return still >= 30;
            },
            900);
    }

    vtest::TempDir dir;
};

TEST_F(DumpedTraining, OffWithoutTheVariable)
{
    unsetenv("ORLO_STATE_DUMP");
    btest::DrawnTraining t;
    EXPECT_EQ(nullptr, t.game.GetStateDump());
    ASSERT_TRUE(t.Start(0));
    EXPECT_NE(0, access(Path().c_str(), F_OK));
}

TEST_F(DumpedTraining, BattleLinesMatchTheBattleAndADragFromThemWins)
{
    DumpVariable variable(Path());
    btest::DrawnTraining t;
    ASSERT_NE(nullptr, t.game.GetStateDump());
    ASSERT_TRUE(t.Start(0));
    ASSERT_TRUE(ViewAtRest(t));

    CVexPlayState* b = t.Battle();
    Dump d = Read();
    EXPECT_EQ(std::vector<std::string>({"play"}), d["screens"]);
    EXPECT_EQ(std::vector<std::string>({"800", "480"}), d["view"]);
    EXPECT_EQ(std::vector<std::string>({"0"}), d["local_side"]);
    EXPECT_EQ(std::vector<std::string>({"0"}), d["turn_side"]);
    EXPECT_EQ(std::vector<std::string>({std::to_string(VEX_ROUND_OWN_TURN)}), d["round_state"]);
    EXPECT_EQ(std::vector<std::string>({"1"}), d["turn_active"]);
    EXPECT_EQ(std::vector<std::string>({"1"}), d["training"]);
    EXPECT_EQ(std::vector<std::string>({"0"}), d["shots"]);
    EXPECT_EQ(0u, d.count("digest"));
    // A fresh training battle: nobody has won or left, both squibs at full health with their
    // three strikes and no hat.
    EXPECT_EQ(std::vector<std::string>({"0", "winner", std::to_string(VEX_WINNER_DRAW)}),
              d["game_over"]);
    EXPECT_EQ(
        std::vector<std::string>({"left", "0", "timed_out", "0", "leaving", "0", "confirm", "0"}),
        d["ended"]);
    // No banner before the match ends.
    EXPECT_EQ(std::vector<std::string>({"-1", "-1", "reason", "-1"}), d["banner"]);
    for (const char* key : {"player0", "player1"})
        EXPECT_EQ(std::vector<std::string>({"health", "100", "strikes", "3", "hat", "0", "0"}),
                  d[key])
            << key;

    // The camera's point and each squib's, by the view's arithmetic done here in double.
    const CVexCamera& camera = t.game.GetRenderer()->GetCamera();
    const double hx = 400.0, hy = 240.0, zoom = camera.GetZoom();
    const double ox = camera.GetOffset().x, oy = camera.GetOffset().y;
    ASSERT_EQ(3u, d["camera"].size());
    // Four decimals: a tenth of a pixel across the view at the nearest zoom.
    EXPECT_NEAR(-ox, atof(d["camera"][0].c_str()), 0.51e-4);
    EXPECT_NEAR(oy, atof(d["camera"][1].c_str()), 0.51e-4);
    EXPECT_NEAR(zoom, atof(d["camera"][2].c_str()), 0.51e-4);
    for (int side = 0; side < 2; ++side) {
        const std::string key = "squib" + std::to_string(side);
        const CVexPhysicsBody* body = b->GetLiveScene()->GetPlayer(side).body;
        ASSERT_NE(nullptr, body);
        ASSERT_EQ(2u, d[key + "_world"].size()) << key;
        // Nine digits read back to the very float.
        EXPECT_EQ(body->position.x, strtof(d[key + "_world"][0].c_str(), nullptr));
        EXPECT_EQ(body->position.y, strtof(d[key + "_world"][1].c_str(), nullptr));
        const double sx = hx + (body->position.x + ox) * zoom * hx;
        const double sy = hy - (body->position.y - oy) * zoom * hx;
        ASSERT_EQ(2u, d[key + "_screen"].size());
        EXPECT_EQ(lround(sx), atol(d[key + "_screen"][0].c_str())) << sx;
        EXPECT_EQ(lround(sy), atol(d[key + "_screen"][1].c_str())) << sy;
    }

    // Nothing moves while the player thinks: no new writes.
    const int writes = t.game.GetStateDump()->GetWriteCount();
    for (int i = 0; i < 20; ++i)
        t.Tick();
    EXPECT_EQ(writes, t.game.GetStateDump()->GetWriteCount());

    // The digest at the moment the playback ends, seen by a hook put in front of the dump's.
    struct Seen {
        CVexPlayState::PlaybackHook next;
        void* context;
        std::vector<std::string> digests;
    } seen{b->GetPlaybackHook(), b->GetPlaybackContext(), {}};
    ASSERT_NE(nullptr, seen.next);
    b->SetPlaybackHook(
        [](CVexPlayState* battle, void* context) {
            Seen* s = static_cast<Seen*>(context);
            s->digests.push_back(btest::Digest(battle));
            s->next(battle, s->context);
        },
        &seen);

    // The first scene's winning jump, dragged back from the dumped squib point; the squib's
    // touch radius is its label's half width, a quarter of the view's width gives full power.
    const int x0 = atoi(d["squib0_screen"][0].c_str()), y0 = atoi(d["squib0_screen"][1].c_str());
    float aimX = 0.0f, aimY = 0.0f;
    ASSERT_TRUE(vtest::FirstWinningAim(aimX, aimY));
    const float aim = hypotf(aimX, aimY);
    const float drag = aim * 200.0f / 0.75f + b->Player(0).labelSize.x;
    const int x1 = (int)lroundf(x0 + aimX / aim * drag), y1 = (int)lroundf(y0 - aimY / aim * drag);
    b->ClickButton(VEX_BTN_JUMP);
    t.game.OnPointerDown(0, x0, y0);
    EXPECT_EQ(std::vector<std::string>({"0", "0", "0"}), Read()["touch0"]);
    t.Tick();
    EXPECT_EQ(std::vector<std::string>({std::to_string(x0), std::to_string(y0), "1"}),
              Read()["touch0"]);
    for (int k = 1; k <= 4; ++k) {
        t.game.OnPointerMove(0, x0 + (x1 - x0) * k / 4, y0 + (y1 - y0) * k / 4);
        t.Tick();
    }
    // Held: the squib shows aimed and stretched, with the aim the scene's line names (the drag
    // lands on whole pixels), and nothing is in flight yet.
    t.Tick();
    Dump held = Read();
    ASSERT_EQ(4u, held["aim0"].size());
    EXPECT_EQ("1", held["aim0"][0]);
    EXPECT_EQ("1", held["aim0"][1]);
    EXPECT_NEAR(aimX, atof(held["aim0"][2].c_str()), 0.01);
    EXPECT_NEAR(aimY, atof(held["aim0"][3].c_str()), 0.01);
    EXPECT_EQ(std::vector<std::string>({"0", "0", "0.0000", "0.0000"}), held["aim1"]);
    EXPECT_EQ(0u, held.count("projectile"));
    // The finger where the last step saw it, the point the aim was taken from.
    EXPECT_EQ(std::vector<std::string>({std::to_string(x1), std::to_string(y1), "1"}),
              held["touch0"]);
    t.game.OnPointerUp(0, x1, y1);
    ASSERT_TRUE(t.RunUntil([&] { return b->IsShotInProgress(); }, 30));
    ASSERT_TRUE(t.RunUntil([&] { return b->IsGameOver() || t.Ready(); }, 3000));
    EXPECT_TRUE(b->IsGameOver());
    EXPECT_EQ(0, b->GetWinner());

    d = Read();
    ASSERT_GE(seen.digests.size(), 1u);
    EXPECT_EQ(std::vector<std::string>({std::to_string(b->GetPlaybackCount())}), d["shots"]);
    EXPECT_EQ((int)seen.digests.size(), b->GetPlaybackCount());
    std::string digest = seen.digests.back();
    while (!digest.empty() && digest.back() == ' ')
        digest.pop_back();
    std::string line;
    for (const std::string& word : d["digest"])
        line += (line.empty() ? "" : " ") + word;
    EXPECT_EQ(digest, line);
    EXPECT_EQ(std::vector<std::string>({std::to_string(VEX_ROUND_GAME_OVER)}), d["round_state"]);

    // The battle gone, the match's end stays: its last frame's lines, each with "last_" before
    // it; a battle that goes before its match is over leaves none.
    t.game.DeleteState(b);
    t.Tick();
    Dump after = Read();
    EXPECT_EQ(0u, after.count("game_over"));
    for (const char* key : {"game_over", "banner", "shots", "digest", "player1"})
        EXPECT_EQ(d[key], after[std::string("last_") + key]) << key;
    ASSERT_TRUE(t.Start(0));
    t.game.DeleteState(t.Battle());
    t.Tick();
    EXPECT_EQ(std::string::npos, vtest::ReadWholeFile(Path()).find("last_"));
}

// The list of freeze texts: numbers of at most four digits separated by commas; a word that
// is not one is left out and the rest kept.
TEST(FreezeTexts, TheListIsReadFromTheEnvironment)
{
    unsetenv("ORLO_FREEZE_TEXTS");
    EXPECT_TRUE(CVexStateDump::FreezeTextsFromEnvironment().empty());
    setenv("ORLO_FREEZE_TEXTS", "16,0,2", 1);
    EXPECT_EQ(std::vector<int>({16, 0, 2}), CVexStateDump::FreezeTextsFromEnvironment());
    setenv("ORLO_FREEZE_TEXTS", "1,,x,3,99999,12a,-4,7,", 1);
    EXPECT_EQ(std::vector<int>({1, 3, 7}), CVexStateDump::FreezeTextsFromEnvironment());
    setenv("ORLO_FREEZE_TEXTS", "", 1);
    EXPECT_TRUE(CVexStateDump::FreezeTextsFromEnvironment().empty());
    unsetenv("ORLO_FREEZE_TEXTS");
}

// With ORLO_DUMP_FRAMES=1 each frame is written with its number and the steps run so far, also
// while nothing else moves; without it there are no such lines.
TEST_F(DumpedTraining, FrameLinesNumberEveryFrameAndCountTheSteps)
{
    DumpVariable variable(Path());
    setenv("ORLO_DUMP_FRAMES", "1", 1);
    btest::DrawnTraining t;
    unsetenv("ORLO_DUMP_FRAMES");
    ASSERT_TRUE(t.Start(0));
    Dump d = Read();
    ASSERT_EQ(1u, d["frame"].size());
    ASSERT_EQ(1u, d["steps"].size());
    const long frame = std::stol(d["frame"][0]), steps = std::stol(d["steps"][0]);
    const int writes = t.game.GetStateDump()->GetWriteCount();
    for (int i = 0; i < 10; ++i)
        t.Tick();
    d = Read();
    // One frame and one 33 ms step per tick, each frame written.
    EXPECT_EQ(frame + 10, std::stol(d["frame"][0]));
    EXPECT_EQ(steps + 10, std::stol(d["steps"][0]));
    EXPECT_EQ(writes + 10, t.game.GetStateDump()->GetWriteCount());

    setenv("ORLO_DUMP_FRAMES", "0", 1);
    EXPECT_EQ(0, CVexStateDump::FrameLinesFromEnvironment());
    unsetenv("ORLO_DUMP_FRAMES");
    EXPECT_EQ(0, CVexStateDump::FrameLinesFromEnvironment());
    btest::DrawnTraining plain;
    ASSERT_TRUE(plain.Start(0));
    plain.Tick();
    d = Read();
    EXPECT_EQ(0u, d.count("frame"));
    EXPECT_EQ(0u, d.count("steps"));
}

// Freeze texts 1 and 16 (the test pack's "T1" and "T16") in a training battle: a frame that
// draws one of them opaque stops the process once, at the next frame, with a dump that names
// it and still lists the text as drawn; the frames that keep it on go on, a faint one does not
// count, and after a frame without it it stops the process again. Another text stops nothing.
TEST_F(DumpedTraining, AFreezeTextStopsTheProcessAsItAppears)
{
    DumpVariable variable(Path());
    setenv("ORLO_FREEZE_TEXTS", "1,16", 1);
    btest::DrawnTraining t;
    unsetenv("ORLO_FREEZE_TEXTS");
    CVexStateDump* dump = t.game.GetStateDump();
    ASSERT_NE(nullptr, dump);
    std::vector<std::string> stops;
    struct Context {
        std::string path;
        std::vector<std::string>* stops;
    } context{Path(), &stops};
    dump->SetStopHook(
        [](void* c) {
            Context* s = static_cast<Context*>(c);
            s->stops->push_back(vtest::ReadWholeFile(s->path));
        },
        &context);
    ASSERT_TRUE(t.Start(0));
    CVexRenderer* renderer = t.game.GetRenderer();
    // One frame drawn with the texts given (colour, text), then the next frame's dump.
    auto frame = [&](const std::vector<std::pair<u32, const char*>>& texts) {
        for (const auto& text : texts)
            renderer->LogText({10, 20, 60, 40, text.first, CVortanString(text.second)});
        t.game.Update(0.0f);
        t.game.Render();
    };
    frame({{0xFFFFFFFFu, "T2"}, {0x80FFFFFFu, "T1"}});
    EXPECT_TRUE(stops.empty()) << "another text or a faint one";
    frame({{0xFFFFFFFFu, "T1"}});
    ASSERT_EQ(1u, stops.size());
    EXPECT_EQ(std::vector<std::string>({"1", "1"}), Parse(stops[0])["frozen"]);
    EXPECT_NE(std::string::npos, stops[0].find("\ngametext 10 20 60 40 ffffffff T1\n"));
    frame({{0xFFFFFFFFu, "T1"}});
    frame({{0xFFFFFFFFu, "T1"}, {0xFFFFFFFFu, "T16"}});
    ASSERT_EQ(2u, stops.size()) << "T1 stayed on; T16 came";
    EXPECT_EQ(std::vector<std::string>({"2", "16"}), Parse(stops[1])["frozen"]);
    frame({});
    EXPECT_EQ(0u, Read().count("frozen")) << "the next dump goes without the line";
    frame({{0xFFFFFFFFu, "T16"}, {0xFFFFFFFFu, "T1"}});
    ASSERT_EQ(3u, stops.size());
    EXPECT_EQ(std::vector<std::string>({"3", "1", "16"}), Parse(stops[2])["frozen"]);
    EXPECT_EQ(3u, dump->GetFreezeCount());
}

// A section that makes every frame differ and the dump large, then a last line.
void Padding(void* context, std::string& out)
{
    int& count = *static_cast<int*>(context);
    out += "pad " + std::string(60000, 'x') + "\n";
    out += "end " + std::to_string(++count) + "\n";
}

// The battle's touch buttons at rest: the jump button's square (image 50) centred at
// (w / 2 - 6 s, 1.5 s) with s = w / 30; the confirmation's answers only while it is open.
TEST_F(DumpedTraining, TheTouchButtonsAreWhereTheyAreDrawn)
{
    DumpVariable variable(Path());
    btest::DrawnTraining t;
    ASSERT_TRUE(t.Start(0));
    ASSERT_TRUE(ViewAtRest(t));
    auto button = [&](int id) {
        std::istringstream in(vtest::ReadWholeFile(Path()));
        for (std::string line; std::getline(in, line);) {
            std::istringstream words(line);
            std::string key;
            int which = -1, image = -1, l = 0, top = 0, r = 0, b = 0;
            words >> key >> which >> image >> l >> top >> r >> b;
            if (key == "gamebutton" && which == id)
                return std::vector<int>{image, l, top, r, b};
        }
        return std::vector<int>();
    };
    const double s = 800.0 / 30.0;
    const std::vector<int> jump = button(VEX_BTN_JUMP);
    ASSERT_EQ(5u, jump.size());
    EXPECT_EQ(50, jump[0]);
    EXPECT_NEAR(400.0 - 7.0 * s, jump[1], 1.0);
    EXPECT_NEAR(0.5 * s, jump[2], 1.0);
    EXPECT_NEAR(400.0 - 5.0 * s, jump[3], 1.0);
    EXPECT_NEAR(2.5 * s, jump[4], 1.0);
    EXPECT_TRUE(button(VEX_BTN_YES).empty());
    t.Battle()->OnBack(0);
    t.Tick();
    t.Tick();
    EXPECT_EQ(5u, button(VEX_BTN_YES).size());
    EXPECT_EQ(5u, button(VEX_BTN_NO).size());
}

// A snow bomb's freeze reaches both copies at the same step but takes effect a while later; a
// copy whose playback ends a step sooner must not be told apart from one that saw the freeze
// take effect, and a freeze must still tell two battles apart.
TEST_F(DumpedTraining, APendingFreezeDigestsAsTheChangeItWillMake)
{
    btest::DrawnTraining t;
    ASSERT_TRUE(t.Start(0));
    CVexScene* scene = t.Battle()->GetLiveScene();
    CVexBlockList* blocks = scene->GetBlocks();
    ASSERT_GT(blocks->GetCount(), 0);
    CVexBlock* block = blocks->GetAt(0);
    std::string before;
    VexBattleDigest(t.Battle(), before);

    block->pending = 1;
    block->delayCounter = -0.5f;
    block->pendingMaterial = (u8)(block->material + 1);
    block->pendingVariant = (u8)(block->variant + 1);
    block->pendingHitPoints = block->hitPoints - 40;
    std::string waiting;
    VexBattleDigest(t.Battle(), waiting);
    EXPECT_NE(before, waiting);

    // The scene's own step makes the change once the delay has run.
    scene->SetBlockAnimation(1);
    for (int i = 0; i < 30 && block->pending; ++i)
        scene->Step(1.0f / 30.0f);
    ASSERT_EQ(0u, block->pending);
    std::string made;
    VexBattleDigest(t.Battle(), made);
    EXPECT_EQ(waiting, made);
}

TEST_F(DumpedTraining, AReaderNeverSeesAPartialDumpAndSectionsAddTheirLines)
{
    int composed = 0;
    ASSERT_EQ(VORTAN_E_ARGUMENT, CVexStateDump::AddSection(nullptr, nullptr));
    ASSERT_EQ(VORTAN_OK, CVexStateDump::AddSection(&Padding, &composed));
    ASSERT_EQ(VORTAN_OK, CVexStateDump::AddSection(&Padding, &composed)); // once only
    DumpVariable variable(Path());
    std::atomic<bool> stop(false);
    std::atomic<int> reads(0), partial(0);
    std::thread reader([&] {
        while (!stop) {
            const std::string text = vtest::ReadWholeFile(Path());
            if (text.empty())
                continue; // not there yet
            ++reads;
            const size_t end = text.rfind("end ");
            if (text.compare(0, 8, "screens ") != 0 || end == std::string::npos ||
                text.back() != '\n' || text.find('\n', end) != text.size() - 1 ||
                text.find("\npad ") == std::string::npos)
                ++partial;
        }
    });
    {
        btest::DrawnTraining t;
        t.Start(0);
        for (int i = 0; i < 200; ++i)
            t.Tick();
        EXPECT_EQ(composed, t.game.GetStateDump()->GetWriteCount());
        const Dump d = Read();
        EXPECT_EQ(std::vector<std::string>({std::to_string(composed)}), d.at("end"));
        EXPECT_EQ(60000u, d.at("pad").at(0).size());
    }
    stop = true;
    reader.join();
    CVexStateDump::RemoveSection(&Padding, &composed);
    EXPECT_GT(reads.load(), 20);
    EXPECT_EQ(0, partial.load());
    // Removed: the dump carries no section lines any more.
    const int before = composed;
    btest::DrawnTraining again;
    again.Tick();
    EXPECT_EQ(std::string::npos, vtest::ReadWholeFile(Path()).find("\nend "));
    EXPECT_EQ(before, composed);
}

} // namespace
