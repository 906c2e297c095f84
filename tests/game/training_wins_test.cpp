// Every training scene is won with the weapons it allows: each scene's winning line (weapon
// button and aim per turn, kept as "# win:" lines beside the scene's source) is played through
// the game host as the picker starts it, and gives result 1; the next button returns to the
// picker, the scene is marked cleared and the next one opens; fifteen in sequence, each turn
// heard (button, stretch, weapon, bounces, blasts, splashes) with each scene's start and win.
// A case that only LINES_SEARCH=1 brings in searches for lines (when a scene changes;
// LINES_SCENE picks one scene, LINES_DEPTH and LINES_WIDTH widen the search).
#include <gtest/gtest.h>
#include <math.h>

#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "game/VexAssetTables.h"
#include "game/VexButton.h"
#include "game/VexButtonManager.h"
#include "game/VexPlayState.h"
#include "game/VexRenderer.h"
#include "game/VexTrainingState.h"
#include "tests/game/BattleMatchSupport.h"

namespace {

struct Turn {
    int button;
    float x, y;
};

const int kWeaponButtons[] = {VEX_BTN_JUMP, VEX_BTN_WHIP, VEX_BTN_BOMB, VEX_BTN_STICKY,
                              VEX_BTN_SHOP_BOMB};

// A tap on a button through the game's touch entries (down in one step, up in the next).
template <class T>
void TapButton(T& t, const CVexButton* button)
{
    const int x = (int)(button->centre.x + button->bobOffset.x);
    const int y = (int)(button->centre.y + button->bobOffset.y);
    t.game.OnPointerDown(0, x, y);
    t.Tick();
    t.game.OnPointerUp(0, x, y);
    t.Tick();
}

// Taps every locked weapon button; false when one of them changed the weapon.
template <class T>
bool TapLockedWeapons(T& t)
{
    CVexPlayState* b = t.Battle();
    bool kept = true;
    for (int id : kWeaponButtons) {
        CVexButton* weapon = b->GetButtons()->FindButton(id);
        if (!weapon || !weapon->locked)
            continue;
        const u32 before = b->Player(0).weapon;
        TapButton(t, weapon);
        kept = kept && before == b->Player(0).weapon;
    }
    return kept;
}

// One turn: a tap on the weapon's button, the aim as a drag leaves it, the shot, then until
// the shot and its turn are over. 1 when the scene is won, 0 when the player's turn comes
// again, -1 when lost or stuck.
template <class T>
int Shoot(T& t, const Turn& turn, bool byDrag = false)
{
    CVexPlayState* b = t.Battle();
    TapButton(t, b->GetButtons()->FindButton(turn.button));
    if (byDrag) {
        // The finger goes down on the squib and is pulled back: the drag d from the finger to
        // the squib gives the aim (-d.x, d.y) x (|d| - r) x 0.75 / q, r the squib's touch
        // radius and q a quarter of the screen's width.
        const CVexPlayer& p = b->Player(0);
        CVexCamera& camera = t.game.GetRenderer()->GetCamera();
        // As a person does, after a second and once the view has come to rest.
        CVortanVector2 at, before(-1.0f, -1.0f);
        for (int i = 0; i < 150; ++i) {
            camera.WorldToScreen(p.body->position, at);
            if (i >= 30 && fabsf(at.x - before.x) < 0.01f && fabsf(at.y - before.y) < 0.01f)
                break;
            before = at;
            t.Tick();
        }
        const float q = 0.5f * camera.GetHalfScreen().x;
        const float aim = hypotf(turn.x, turn.y);
        const float drag = aim * q / 0.75f + p.labelSize.x;
        const int x0 = (int)lroundf(at.x), y0 = (int)lroundf(at.y);
        const int x1 = (int)lroundf(at.x + turn.x / aim * drag);
        const int y1 = (int)lroundf(at.y - turn.y / aim * drag);
        t.game.OnPointerDown(0, x0, y0);
        t.Tick();
        for (int k = 1; k <= 4; ++k) {
            t.game.OnPointerMove(0, x0 + (x1 - x0) * k / 4, y0 + (y1 - y0) * k / 4);
            t.Tick();
        }
        t.game.OnPointerUp(0, x1, y1);
        // The shot leaves on the release, in the next step or the one after.
        t.RunUntil([&] { return b->IsShotInProgress() || b->IsGameOver(); }, 30);
    } else {
        b->SetAim(CVortanVector2(turn.x, turn.y));
        b->FireShot();
    }
    t.Tick();
    const bool settled = t.RunUntil([&] { return b->IsGameOver() || t.Ready(); }, 3000);
    if (!settled)
        return -1;
    if (b->IsGameOver())
        return b->GetWinner() == 0 && b->GetResult() == 1 ? 1 : -1;
    return 0;
}

// The scene started afresh as the picker starts it, the locked weapons tried, then the
// turns; the last turn's outcome (as Shoot), or -1 when a turn before it did not give the
// turn back.
int Replay(btest::DrawnTraining& t, int scene, const std::vector<Turn>& line)
{
    t.game.DeleteAllStates();
    if (!t.Start(scene))
        return -1;
    TapLockedWeapons(t);
    int r = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        r = Shoot(t, line[i], true);
        if (r != 0 && i + 1 < line.size())
            return -1;
    }
    return r;
}

// How promising a position is: damage dealt, the opponent moved, the squib close to it.
float Score(btest::DrawnTraining& t, const CVortanVector2& opponentStart)
{
    CVexPlayState* b = t.Battle();
    const CVortanVector2 me = b->Player(0).body->position, them = b->Player(1).body->position;
    const float moved = hypotf(them.x - opponentStart.x, them.y - opponentStart.y);
    const float apart = hypotf(them.x - me.x, them.y - me.y);
    return (float)(100 - b->Player(1).health) + 200.0f * moved - 20.0f * apart;
}

class Search : public ::testing::Test {
    void TestBody() override;
};
const bool searchAsked = getenv("LINES_SEARCH") &&
                         ::testing::RegisterTest("TrainingLines", "Search", nullptr, nullptr,
                                                 __FILE__, __LINE__, [] { return new Search; });

void Search::TestBody()
{
    const char* only = getenv("LINES_SCENE");
    for (int scene = 0; scene < 15; ++scene) {
        if (only && atoi(only) != scene + 1)
            continue;
        btest::DrawnTraining t;
        ASSERT_TRUE(t.Start(scene));
        std::vector<int> buttons;
        for (int id : kWeaponButtons)
            if (!t.Battle()->GetButtons()->FindButton(id)->locked)
                buttons.push_back(id);
        const CVortanVector2 opponentStart = t.Battle()->Player(1).body->position;
        std::vector<Turn> turns;
        for (int id : buttons)
            for (float length : {0.4f, 0.3f, 0.2f, 0.1f, 0.05f})
                for (int a = 0; a < 48; ++a) {
                    const float angle = (float)a * 7.5f * 3.14159265f / 180.0f;
                    turns.push_back({id, length * cosf(angle), length * sinf(angle)});
                }
        std::vector<std::vector<Turn>> beam = {{}};
        std::vector<Turn> won;
        const int depths = getenv("LINES_DEPTH") ? atoi(getenv("LINES_DEPTH")) : 4;
        const size_t width = getenv("LINES_WIDTH") ? (size_t)atoi(getenv("LINES_WIDTH")) : 6;
        for (int depth = 0; depth < depths && won.empty(); ++depth) {
            std::vector<std::pair<float, std::vector<Turn>>> next;
            for (const auto& prefix : beam) {
                for (const Turn& turn : turns) {
                    std::vector<Turn> line = prefix;
                    line.push_back(turn);
                    const int r = Replay(t, scene, line);
                    if (r == 1) {
                        won = line;
                        break;
                    }
                    if (r == 0)
                        next.push_back({Score(t, opponentStart), line});
                }
                if (!won.empty())
                    break;
            }
            std::sort(next.begin(), next.end(),
                      [](const auto& a, const auto& b) { return a.first > b.first; });
            beam.clear();
            for (size_t i = 0; i < next.size() && i < width; ++i)
                beam.push_back(next[i].second);
        }
        if (won.empty())
            printf("scene %02d: no win found\n", scene + 1);
        for (const Turn& turn : won)
            printf("scene %02d: # win: %d %.9g %.9g\n", scene + 1, turn.button, turn.x, turn.y);
        fflush(stdout);
    }
}

// The "# win: <button> <aim x> <aim y>" lines beside a scene's source, one per turn.
std::vector<Turn> WinningLine(int scene)
{
    char name[32];
    snprintf(name, sizeof name, "/data/scenes/%02d.txt", scene + 1);
    std::ifstream in(std::string(VORTAN_SOURCE_DIR) + name);
    std::vector<Turn> line;
    for (std::string text; std::getline(in, text);) {
        std::istringstream words(text);
        std::string hash, tag;
        Turn turn;
        if (words >> hash >> tag && hash == "#" && tag == "win:" &&
            words >> turn.button >> turn.x >> turn.y)
            line.push_back(turn);
    }
    return line;
}

// The game with its real screens, the scenes' pack and the texts the battle shows.
class Sequence : public ::testing::Test, public btest::Stepper {
public:
    void SetUp() override
    {
        htest::WriteGameLanguage(app.dir.Path(), 120);
        ASSERT_EQ(VORTAN_OK, game.Init(&app));
        game.Update(0.0f);
    }
    void TearDown() override { game.Release(); }
    // One step, drawn (the view follows the battle as on the screen).
    void Tick() override
    {
        clock.AdvanceMs(33);
        game.Update(0.0f);
        game.Render();
    }
    void Tap(const CVexButton* button)
    {
        const int x = (int)(button->centre.x + button->bobOffset.x);
        const int y = (int)(button->centre.y + button->bobOffset.y);
        game.OnPointerDown(0, x, y);
        Tick();
        game.OnPointerUp(0, x, y);
        Tick();
    }
    CVexTrainingState* Picker()
    {
        return dynamic_cast<CVexTrainingState*>(game.GetState(VEX_STATE_TRAINING));
    }
    CVexPlayState* Battle() { return game.GetBattle(); }
    bool Ready() { return btest::Aiming(Battle()); }

    htest::DrivenClock clock;
    vtest::CTestMatchApp app;
    vtest::CTestMatchGame game{101, 0};
};

TEST_F(Sequence, EveryTrainingSceneIsWonWithItsWeaponsOneAfterTheOther)
{
    game.SetState(VEX_STATE_TRAINING);
    Tick();
    for (int scene = 0; scene < VEX_TRAINING_COUNT; ++scene) {
        SCOPED_TRACE("scene " + std::to_string(scene + 1));
        const std::vector<Turn> line = WinningLine(scene);
        ASSERT_FALSE(line.empty()) << "no winning line beside the scene's source";
        ASSERT_NE(nullptr, Picker());
        // The hint (before the first win) runs out first.
        ASSERT_TRUE(RunUntil([&] { return Picker()->GetMessageTime() <= 0.0f; }, 200));
        CVexButton* button = Picker()->GetSceneButton(scene);
        ASSERT_EQ(0, button->locked);
        const size_t sceneFrom = game.cues.size();
        Tap(button);
        ASSERT_TRUE(RunUntil([&] { return Ready(); }, 300));
        CVexPlayState* b = Battle();
        EXPECT_EQ(scene, b->GetLevelIndex());

        // Only the scene's weapons: a locked weapon button leaves the weapon as it is.
        EXPECT_TRUE(TapLockedWeapons(*this));
        for (size_t i = 0; i < line.size() && !b->IsGameOver(); ++i) {
            ASSERT_TRUE(Ready()) << "turn " << i;
            const size_t from = game.cues.size();
            ASSERT_NE(-1, Shoot(*this, line[i], true)) << "turn " << i;
            // The weapon's button, the drag's stretch, then the weapon: a jump that lands, a
            // whip, or a shot whose bomb bounces or sticks and explodes.
            const bool jump = line[i].button == VEX_BTN_JUMP, whip = line[i].button == VEX_BTN_WHIP;
            const std::string heard = game.Heard(from);
            const std::string weapon = jump ? "hyppy01" : whip ? "squibwhip" : "ammunta01";
            SCOPED_TRACE(heard);
            EXPECT_EQ(0u, heard.find("buttondown.wav buttonup.wav venytys01.wav " + weapon));
            EXPECT_EQ(!jump && !whip, heard.find("ammus_pomppu01") != std::string::npos);
            EXPECT_TRUE(jump || whip || heard.find("explosio01") != std::string::npos);
            EXPECT_TRUE(!jump || heard.find("pelaaja_pomppu01") != std::string::npos);
        }
        // The scene starts and is won with a sound each, and nothing else of a match's course.
        EXPECT_EQ("startgame.wav wingame.wav", game.Heard(sceneFrom, {11, 12, 13, 14, 16}));
        ASSERT_TRUE(b->IsGameOver());
        EXPECT_EQ(0, b->GetWinner());
        EXPECT_EQ(1, b->GetResult());
        // Button 12 returns to a new picker, the scene cleared and the next one open.
        ASSERT_TRUE(RunUntil(
            [&] {
                CVexButton* next = b->GetButtons()->FindButton(VEX_BTN_LEAVE);
                return next && next->visible;
            },
            100));
        Tap(b->GetButtons()->FindButton(VEX_BTN_LEAVE));
        ASSERT_TRUE(RunUntil([&] { return Battle() == nullptr && Picker(); }, 100));
        EXPECT_EQ(1, game.IsSceneCleared(scene));
        if (scene + 1 < VEX_TRAINING_COUNT) {
            EXPECT_EQ(0, Picker()->GetSceneButton(scene + 1)->locked);
        }
    }
    // Bombs fell in the water too, and were heard doing so.
    EXPECT_NE(std::string::npos, game.Heard().find("ammus_veteen01.wav"));
    // The battles' ambient loop sounded, and no sound beyond it.
    int last = 0;
    for (const auto& cue : game.cues)
        last = std::max(last, cue.first);
    EXPECT_EQ(23, last);
    // The last one cleared: the completion message.
    EXPECT_TRUE(Picker()->IsFirstCleared());
    EXPECT_GT(Picker()->GetMessageTime(), 4.0f);
}

} // namespace
