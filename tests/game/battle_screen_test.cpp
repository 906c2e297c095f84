// The training battle on screen (GLES2 on Mesa under Xvfb, the game's own packs): the start of
// a turn (the get-ready text and the scene's name about the middle), the HUD of a turn, an aim
// drag with its dots, and the snapshot held while the shot is fast-forwarded. The frames are
// kept with VEX_SHOTS for a person to look at.
#include <gtest/gtest.h>
#include <math.h>

#include <algorithm>

#include "engine/graphics/VortanBitmapFont.h"
#include "game/VexButton.h"
#include "game/VexButtonManager.h"
#include "game/VexPhysicsWorld.h"
#include "game/VexRenderer.h"
#include "game/VexScene.h"
#include "platform/OrloLanguage.h"
#include "tests/game/BattleMatchSupport.h"
#include "tests/game/GLGameSupport.h"

namespace {

gtest_graphics::GLEnvironment* const g_env =
    vtest::AddDisplayEnvironment<gtest_graphics::GLEnvironment>(800, 480);

// The program's application on the test window; the game's packs from the build.
class ScreenApp : public gltest::GLGameApp {
public:
    explicit ScreenApp(unsigned long window) : gltest::GLGameApp(window)
    {
        for (const char* p : {"dataEffects", "dataPlayers", "dataScenes", "dataTextures", "dataUI"})
            OpenPack(CVortanString((vtest::BinaryDir() + "/" + p + ".dmp").c_str()), 1);
    }
};

TEST(BattleScreen, TheTrainingHudAnAimDragAndTheSnapshotHeld)
{
    ASSERT_TRUE(g_env->window);
    htest::DrivenClock clock;
    ScreenApp app(g_env->window->Id());
    ASSERT_TRUE(app.created);
    btest::TrainingGame game;
    ASSERT_EQ(VORTAN_OK, game.Init(&app));
    game.Begin(10);
    auto step = [&] {
        clock.AdvanceMs(33);
        game.Update(0.0f);
    };
    CVexPlayState* b = nullptr;
    bool started = false;
    for (int i = 0; i < 200; ++i) {
        step();
        b = game.GetBattle();
        if (b && !started && !b->IsTurnActive() && i > 40) {
            // The start of the turn: the scene's name on a darkened band.
            started = true;
            CVexRenderer* renderer = game.GetRenderer();
            renderer->ClearTextLog();
            renderer->SetTextLog(true);
            game.Render();
            renderer->SetTextLog(false);
            // "Get ready" half a line above the middle, the scene's name half a line below.
            ASSERT_NE(nullptr, renderer->GetFont());
            const float line = (float)renderer->GetFont()->GetLineHeight();
            const CVortanString ready = game.GetLanguageObject()->GetText(0);
            const CVortanString name = b->GetLiveScene()->GetName();
            ASSERT_FALSE(ready.IsEmpty());
            ASSERT_FALSE(name.IsEmpty());
            int found = 0;
            for (const CVexRenderer::TextRecord& r : renderer->GetTextLog()) {
                const float middle = 0.5f * (float)(r.top + r.bottom);
                if (r.text == ready) {
                    EXPECT_NEAR(240.0f - 0.5f * line, middle, 1.0f);
                    found |= 1;
                } else if (r.text == name) {
                    EXPECT_NEAR(240.0f + 0.5f * line, middle, 1.0f);
                    found |= 2;
                }
            }
            EXPECT_EQ(3, found);
            const gltest::Rgb band = gltest::ReadFrame();
            gltest::Keep(band, "battle_start");
            EXPECT_LT(gltest::At(band, 20, 240) & 0xFF, gltest::At(band, 20, 150) & 0xFF);
        }
        if (b && b->IsTurnActive() && b->GetRoundState() == VEX_ROUND_OWN_TURN)
            break;
    }
    ASSERT_NE(nullptr, b);
    for (int i = 0; i < 45; ++i) // the camera settles on the squib
        step();
    game.Render();
    const gltest::Rgb hud = gltest::ReadFrame();
    gltest::Keep(hud, "battle_hud");
    // The sky's gradient at the top left, not black.
    EXPECT_NE(0u, gltest::At(hud, 200, 60));
    // One gradient over the whole view, the style's upper colour at the top and its lower
    // colour at the bottom: at the right edge, between the timer and the water, row y has
    // upper + (lower - upper) (y + 0.5) / 480 (+-2 a channel).
    const u32 styles[10][2] = {{0x20BCD2, 0xFEA800}, {0x002F5F, 0x20BCD2}, {0x20BCD2, 0xFF75AC},
                               {0x74DDFF, 0xC6F6FF}, {0x38005B, 0x8BCFFF}, {0xB764B0, 0x8BCFFF},
                               {0xB764B0, 0xFFDC71}, {0x003391, 0xFFDC71}, {0x002C51, 0x008AFF},
                               {0xC63D00, 0xFFEA00}};
    const int style = b->GetBackgroundStyle();
    ASSERT_TRUE(style >= 0 && style < 10) << style;
    for (int y = 140; y < 320; y += 9) {
        u32 want = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
            const float u = (float)((styles[style][0] >> shift) & 0xFF),
                        l = (float)((styles[style][1] >> shift) & 0xFF);
            want |= (u32)lroundf(u + (l - u) * ((float)y + 0.5f) / 480.0f) << shift;
        }
        EXPECT_TRUE(gltest::Close(want, gltest::At(hud, 795, y), 2))
            << "row " << y << ": " << std::hex << gltest::At(hud, 795, y) << " not " << want;
    }
    // The chosen weapon (the bomb) stands in a bright ring; the others do not.
    auto ringLeftOf = [&](const gltest::Rgb& frame, int id) {
        const CVexButton* button = b->GetButtons()->FindButton(id);
        int brightest = 0;
        const int cx = (int)button->centre.x, cy = (int)button->centre.y;
        const int half = (int)button->halfSize.x;
        for (int x = cx - 13 * half / 10; x <= cx - 11 * half / 10; ++x) {
            const u32 p = gltest::At(frame, x, cy);
            const int low = std::min({(int)(p >> 16) & 0xFF, (int)(p >> 8) & 0xFF, (int)p & 0xFF});
            brightest = std::max(brightest, low);
        }
        return brightest;
    };
    ASSERT_EQ((u32)VEX_WEAPON_BOMB, b->Player(0).weapon);
    EXPECT_GT(ringLeftOf(hud, VEX_BTN_BOMB), 220);
    EXPECT_LT(ringLeftOf(hud, VEX_BTN_WHIP), 200);
    EXPECT_LT(ringLeftOf(hud, VEX_BTN_STICKY), 200);

    // A drag from the squib down and to the left stretches it.
    CVortanVector2 squib;
    app.ext->GetWidth();
    game.GetRenderer()->GetCamera().WorldToScreen(b->Player(0).body->position, squib);
    game.OnPointerDown(0, (int)squib.x, (int)squib.y);
    step();
    for (int k = 1; k <= 6; ++k) {
        game.OnPointerMove(0, (int)squib.x - 8 * k, (int)squib.y + 10 * k);
        step();
    }
    EXPECT_EQ(1u, b->Player(0).aiming);
    EXPECT_GT(b->Player(0).aim.Length(), 0.0f);
    EXPECT_LE(b->Player(0).aim.Length(), 0.4f + 1e-6f);
    game.Render();
    const gltest::Rgb aim = gltest::ReadFrame();
    gltest::Keep(aim, "battle_aim");
    // The same frame with every picture drawn whole, clear margins and all: the same pixels.
    game.GetRenderer()->SetLeaveOutClear(0);
    game.Render();
    const gltest::Rgb whole = gltest::ReadFrame();
    game.GetRenderer()->SetLeaveOutClear(1);
    EXPECT_EQ(0, gltest::Differences(whole, aim, {0, 0, 800, 480}, 0, 0));
    EXPECT_GT(game.GetBattle()->GetLiveScene()->GetAimDotsDrawn(0), 0);

    // Let go: the shot is fast-forwarded while the saved scene is shown.
    const CVortanVector2 before = b->Player(0).body->position;
    game.OnPointerUp(0, (int)squib.x - 48, (int)squib.y + 60);
    step();
    step();
    ASSERT_TRUE(b->IsFastForwarding());
    EXPECT_EQ(0,
              memcmp(&before, &b->GetSnapshotScene()->GetPlayer(0).body->position, sizeof before));
    game.Render();
    const gltest::Rgb held = gltest::ReadFrame();
    gltest::Keep(held, "battle_snapshot");
    EXPECT_NE(0u, gltest::At(held, 200, 60));

    // The exit confirmation darkens everything behind its question, the weapon bar too, but
    // not its two answers.
    b->OnBack(0);
    game.GetRenderer()->ClearTextLog();
    game.GetRenderer()->SetTextLog(true);
    game.Render();
    game.GetRenderer()->SetTextLog(false);
    // Its question and what leaving costs, one after the other, in the English pack's words.
    std::string said;
    for (const CVexRenderer::TextRecord& r : game.GetRenderer()->GetTextLog())
        said += VortanUTF8Of(r.text) + "\n";
    EXPECT_NE(std::string::npos, said.find("Leave the match?\nLeaving counts as a loss.\n"))
        << said;
    const gltest::Rgb asked = gltest::ReadFrame();
    gltest::Keep(asked, "battle_confirm");
    EXPECT_LT(gltest::At(asked, 200, 60) & 0xFF, gltest::At(held, 200, 60) & 0xFF);
    auto brightness = [](const gltest::Rgb& frame, const CVexButton* button) {
        long sum = 0;
        const int cx = (int)button->centre.x, cy = (int)(button->centre.y + button->bobOffset.y);
        for (int y = cy - 4; y <= cy + 4; ++y)
            for (int x = cx - 4; x <= cx + 4; ++x) {
                const u32 p = gltest::At(frame, x, y);
                sum += ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
            }
        return sum / (81 * 3);
    };
    const CVexButton* jump = b->GetButtons()->FindButton(VEX_BTN_JUMP);
    EXPECT_LT(brightness(asked, jump) * 2, brightness(held, jump));
    const CVexButton* yes = b->GetButtons()->FindButton(VEX_BTN_YES);
    ASSERT_TRUE(yes->visible);
    EXPECT_GT(brightness(asked, yes), 100);
    game.Release();
}

} // namespace
