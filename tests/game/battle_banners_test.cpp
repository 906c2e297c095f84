// The turn banner on both devices of an online battle, read from what each device draws: "Your
// turn" on the device whose turn it is, "Opponent's turn" on the other, and "Time out!" above it
// on the device whose turn ran out, over turns of shots and time-outs by both sides.
#include <gtest/gtest.h>
#include <math.h>

#include <string>
#include <vector>

#include "game/VexRenderer.h"
#include "platform/OrloLanguage.h"
#include "tests/game/BattleMatchSupport.h"

namespace {

using btest::Match;

// The words of the program's English pack, as data/language/zorbixlanguage_0000.txt has them.
const std::string kYourTurn = "Your turn";
const std::string kTheirTurn = "Opponent's turn";
const std::string kTimeOut = "Time out!";

// Both devices with the program's English texts and its font, as the build packs them.
void UseProgramTexts(Match& match)
{
    const std::string pack = vtest::ReadWholeFile(vtest::BinaryDir() + "/zorbixlanguage_0000.dmp");
    ASSERT_FALSE(pack.empty());
    for (int side = 0; side < 2; ++side) {
        vtest::CTestMatchApp& app = side == 0 ? match.appA : match.appB;
        ASSERT_TRUE(vtest::WriteWholeFile(app.dir.File("zorbixlanguage_0000.dmp"), pack));
        ASSERT_EQ(1, app.OpenPack(htest::S(vtest::BinaryDir() + "/dataUI.dmp"), 1));
        CStateGame& game = side == 0 ? (CStateGame&)match.gameA : match.gameB;
        ASSERT_EQ(VORTAN_OK, game.GetLanguageObject()->ReloadPacks());
    }
}

// What one device drew in one frame on the banner's rows, centred across the view: the line at
// 0.4 of the height (the turn banner) with its alpha, and the line at 0.3 above it.
struct Banner {
    std::string turn, above;
    unsigned alpha = 0;
};

Banner DrawFrame(vtest::CTestMatchGame& game)
{
    CVexRenderer* r = game.GetRenderer();
    r->ClearTextLog();
    r->SetTextLog(true);
    game.Render();
    r->SetTextLog(false);
    const float w = r->GetViewWidth(), h = r->GetViewHeight();
    Banner drawn;
    for (const CVexRenderer::TextRecord& t : r->GetTextLog()) {
        const float across = 0.5f * (float)(t.left + t.right),
                    down = 0.5f * (float)(t.top + t.bottom);
        if (fabsf(across - 0.5f * w) > 1.0f)
            continue;
        if (fabsf(down - 0.4f * h) <= 1.0f) {
            drawn.turn = VortanUTF8Of(t.text);
            drawn.alpha = t.colour >> 24;
        } else if (fabsf(down - 0.3f * h) <= 1.0f) {
            drawn.above = VortanUTF8Of(t.text);
        }
    }
    return drawn;
}

// A shot that changes nothing: a jump with almost no stretch.
void Harmless(CVexPlayState* b)
{
    Match::Fire(b, VEX_WEAPON_JUMP, CVortanVector2(0.0f, 0.001f));
}

TEST(BattleBanners, EachDeviceSeesWhoseTurnItIsOverShotsAndTimeOuts)
{
    Match match;
    UseProgramTexts(match);
    match.Start();
    // The turns in order (the sides alternate): a shot while the turn's banner is still up, a
    // shot once it has gone, a turn of each side run out, and shots after the time-outs.
    enum Play { AT_ONCE, LATER, IDLE };
    const std::vector<Play> plan = {AT_ONCE, LATER, IDLE, IDLE, AT_ONCE, LATER};
    std::vector<int> sides; // whose each turn was, as the turns came
    bool fired[2] = {false, false}, idled[2] = {false, false}; // in the side's latest turn
    // Each device's own count of turns (from its turn side), and per turn and device the frames
    // with the banner opaque and those with "Time out!" above it.
    int seen[2] = {-1, -1}, seenSide[2] = {-1, -1};
    std::vector<std::vector<int>> opaque(plan.size() + 1, std::vector<int>(2, 0));
    std::vector<std::vector<int>> timeOuts = opaque;
    Banner last[2];
    while (sides.size() <= plan.size() && match.ticks < 20000) {
        if (CVexPlayState* ready = match.ReadyShooter()) {
            const int side = ready->GetLocalSide();
            if (sides.empty() || sides.back() != side) { // a new turn
                sides.push_back(side);
                if (sides.size() > plan.size())
                    break;
                fired[side] = false;
                idled[side] = plan[sides.size() - 1] == IDLE;
            }
            // A later shot waits until the shooter's banner has gone.
            const Play play = plan[sides.size() - 1];
            if (play == AT_ONCE || (play == LATER && last[side].turn.empty())) {
                Harmless(ready);
                fired[side] = true;
            }
        }
        match.Tick();
        for (int side = 0; side < 2; ++side) {
            CVexPlayState* b = match.Battle(side);
            ASSERT_NE(nullptr, b);
            ASSERT_FALSE(b->IsGameOver());
            if (b->GetTurnSide() != seenSide[side] && b->GetTurnSide() >= 0)
                ++seen[side], seenSide[side] = b->GetTurnSide();
            const Banner drawn = last[side] = DrawFrame(side == 0 ? match.gameA : match.gameB);
            const std::string where = "turn " + std::to_string(seen[side]) + " of side " +
                                      std::to_string(b->GetTurnSide()) + ", device of side " +
                                      std::to_string(side) + ", tick " +
                                      std::to_string(match.ticks);
            if (drawn.turn.empty()) {
                ASSERT_EQ("", drawn.above) << where;
                continue;
            }
            // Once its shot has played out, the shooter's view goes back to the opponent, who
            // plays next.
            const bool own = b->GetTurnSide() == side && !(fired[side] && b->IsPlaybackDone());
            ASSERT_EQ(own ? kYourTurn : kTheirTurn, drawn.turn) << where;
            // "Time out!" with the banner of the device whose turn ran out, until its next
            // turn; none where no turn has run out.
            if (!own) {
                ASSERT_EQ(idled[side] ? kTimeOut : "", drawn.above) << where;
            } else if (!idled[1 - side]) {
                ASSERT_EQ("", drawn.above) << where;
            }
            if (seen[side] >= 0 && seen[side] <= (int)plan.size()) {
                opaque[seen[side]][side] += drawn.alpha == 0xFF;
                timeOuts[seen[side]][side] += drawn.above == kTimeOut;
            }
        }
    }
    ASSERT_EQ(plan.size() + 1, sides.size()) << "the turns did not all come";
    for (size_t t = 0; t < plan.size(); ++t) {
        // Each turn's banner was seen whole on both devices; after a turn that ran out, the
        // device that let it run out said so.
        EXPECT_GT(opaque[t][0], 0) << "turn " << t;
        EXPECT_GT(opaque[t][1], 0) << "turn " << t;
        if (t > 0 && plan[t - 1] == IDLE) {
            EXPECT_GT(timeOuts[t][sides[t - 1]], 0) << "turn " << t;
        }
    }
}

} // namespace
