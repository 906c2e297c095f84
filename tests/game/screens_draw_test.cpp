// The game's screens drawn by the real program's game and packs (GLES2 on Mesa under Xvfb,
// stand-in clock): the menu, the credits roll at a given time (rows where the roll puts them,
// darkened behind), the intro strip at given times (black left of the strip, the picture on
// it, the closing fade), the training hint darkening the screen, and the editor's gradient
// and limit lines. With VEX_SHOTS set the frames are kept as pictures.
#include <gtest/gtest.h>

#include "engine/graphics/VortanBitmapFont.h"
#include "game/VexButton.h"
#include "game/VexButtonManager.h"
#include "game/VexEditState.h"
#include "game/VexIntroState.h"
#include "game/VexMenuState.h"
#include "game/VexTrainingState.h"
#include "tests/game/GLGameSupport.h"
#include "tests/game/GameHostSupport.h"

using gltest::At;
using gltest::Rgb;

namespace {

gtest_graphics::GLEnvironment* const g_env =
    vtest::AddDisplayEnvironment<gtest_graphics::GLEnvironment>(800, 480);

// The game whose lobby looks for an opponent (and finds none) when asked.
class WaitingGame : public CStateGame {
public:
    void LeaveGame() override {}
    void SendLeave() override {}
};

class ScreensDrawn : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(g_env->window);
        app = new gltest::GLGameApp(g_env->window->Id());
        ASSERT_TRUE(app->created);
        // The game's packs as the build made them.
        for (int i = 0; i < VEX_PACK_COUNT; ++i) {
            const std::string path =
                vtest::BinaryDir() + "/" + VortanUTF8Of(CVexAssetTables::Get().PackName(i));
            ASSERT_EQ(1, app->OpenPack(CVortanString(path.c_str()), 1)) << path;
        }
        ASSERT_EQ(VORTAN_OK, game.Init(app));
        ASSERT_EQ(VORTAN_OK, game.Load());
    }
    void TearDown() override
    {
        game.Release();
        delete app;
    }
    // One step and one frame, read back.
    Rgb Frame(const char* keep = nullptr)
    {
        clock.AdvanceMs(VEX_STEP_MS);
        game.Update(0.0f);
        game.Render();
        Rgb rgb = gltest::ReadFrame();
        if (keep)
            gltest::Keep(rgb, keep);
        return rgb;
    }
    // One step, drawn or not (the pictures checked are the frames Frame() reads back).
    void Step(bool draw)
    {
        clock.AdvanceMs(VEX_STEP_MS);
        game.Update(0.0f);
        if (draw)
            game.Render();
    }
    // `s` seconds of steps, every fourth drawn: the screen passes through all it shows on
    // the way, at a quarter of the drawing.
    void Seconds(float s)
    {
        for (int i = 0; i < (int)(s * 1000.0f / VEX_STEP_MS + 0.5f); ++i)
            Step(i % 4 == 3);
    }
    void Tap(float x, float y, int id = 0)
    {
        game.OnPointerDown(id, (int)x, (int)y);
        Frame();
        game.OnPointerUp(id, (int)x, (int)y);
        Frame();
    }
    CVexMenuState* Menu() { return dynamic_cast<CVexMenuState*>(game.GetState(VEX_STATE_MENU)); }
    void LoadMenu()
    {
        for (int i = 0; i < 300 && !(Menu() && Menu()->IsReady()); ++i)
            Frame();
        ASSERT_TRUE(Menu() && Menu()->IsReady());
    }
    void TapButton(int id)
    {
        CVexButton* b = Menu()->GetButtons()->FindButton(id);
        ASSERT_NE(nullptr, b);
        Tap(b->centre.x, b->centre.y + b->bobOffset.y);
    }
    // Mean brightness (0..255) of a box.
    static double Mean(const Rgb& f, int l, int t, int r, int b)
    {
        double sum = 0;
        for (int y = t; y < b; ++y)
            for (int x = l; x < r; ++x)
                for (int c = 0; c < 3; ++c)
                    sum += f[((size_t)y * 800 + x) * 3 + c];
        return sum / ((r - l) * (b - t) * 3);
    }
    // Brightest channel value in a box.
    static int Max(const Rgb& f, int l, int t, int r, int b)
    {
        int m = 0;
        for (int y = t; y < b; ++y)
            for (int x = l; x < r; ++x)
                for (int c = 0; c < 3; ++c)
                    m = std::max(m, (int)f[((size_t)y * 800 + x) * 3 + c]);
        return m;
    }

    htest::DrivenClock clock;
    gltest::GLGameApp* app = nullptr;
    WaitingGame game;
};

TEST_F(ScreensDrawn, TheMenuLoadsThenShowsItsButtonsAndTheCreditsRoll)
{
    Rgb loading = Frame("menu_loading");
    LoadMenu();
    Rgb menu = Frame("menu");
    // The spinner's darkening is gone once loaded.
    EXPECT_GT(Mean(menu, 0, 0, 800, 480), Mean(loading, 0, 0, 800, 480) * 2);
    // The same frame with every picture drawn whole, clear margins and all: the same pixels.
    game.GetRenderer()->SetLeaveOutClear(0);
    game.Render();
    const Rgb whole = gltest::ReadFrame();
    game.GetRenderer()->SetLeaveOutClear(1);
    game.Render();
    EXPECT_EQ(0, gltest::Differences(whole, menu, {0, 0, 800, 480}, 0, 0));
    EXPECT_EQ(0, gltest::Differences(gltest::ReadFrame(), menu, {0, 0, 800, 480}, 0, 0));

    TapButton(VEX_MENU_BUTTON_CREDITS);
    Seconds(3.0f);
    Rgb roll = Frame("credits_3s");
    const float line = (float)game.GetRenderer()->GetFont()->GetLineHeight();
    ASSERT_GT(line, 0.0f);
    // Row i at y = H - W / 15 + scroll - L + i L; the notice row (0) and "- Credits -" (2).
    const float scroll = Menu()->GetCreditsScroll();
    EXPECT_NEAR(-48.0f * 3.0f, scroll, 48.0f * 0.1f);
    const int row0 = (int)(480.0f - 800.0f / 15.0f + scroll - line);
    EXPECT_GT(Max(roll, 100, row0, 700, row0 + (int)line), 200);
    // Above the first row nothing but the darkened menu.
    EXPECT_LT(Max(roll, 0, row0 - 40, 800, row0 - 4), 70);

    // Near the end the legal rows (row 106 on) come in the smaller second style: row 106 at
    // y = 300, its text narrower than a row of the same length in the first style would be.
    const float want = 300.0f - (480.0f - 800.0f / 15.0f) + line - 106.0f * line;
    Seconds((Menu()->GetCreditsScroll() - want) / 48.0f);
    Rgb end = Frame("credits_end");
    const int y106 =
        (int)(480.0f - 800.0f / 15.0f + Menu()->GetCreditsScroll() - line + 106.0f * line);
    EXPECT_NEAR(300, y106, 4);
    EXPECT_GT(Max(end, 100, y106, 700, y106 + (int)line), 150);
    Seconds(20.0f);
    EXPECT_FALSE(Menu()->IsCreditsOpen());
}

TEST_F(ScreensDrawn, TheIntroStripAtGivenTimesAndItsFadeToBlack)
{
    LoadMenu();
    TapButton(VEX_MENU_BUTTON_INTRO);
    CVexIntroState* intro = nullptr;
    for (int i = 0; i < 20 && !intro; ++i) {
        Frame();
        intro = dynamic_cast<CVexIntroState*>(game.GetState(VEX_STATE_INTRO));
    }
    ASSERT_NE(nullptr, intro);
    Seconds(2.0f);
    Rgb early = Frame("intro_2s");
    const int left = (int)intro->GetPanelLeft(0);
    ASSERT_GT(left, 300);
    ASSERT_LT(left, 560);
    EXPECT_LT(Max(early, 0, 60, left - 4, 360), 8); // black left of the strip
    EXPECT_GT(Mean(early, left + 20, 60, 790, 420), 40.0);
    Seconds(10.0f);
    Frame("intro_12s");
    Seconds(20.0f);
    Frame("intro_32s");
    for (int i = 0; i < 3000 && !intro->IsStopped(); ++i)
        Step(i % 4 == 3);
    Rgb last = Frame("intro_last");
    Seconds(2.9f); // 1.5 s, then about half way to black
    Rgb fading = Frame("intro_fading");
    EXPECT_LT(Mean(fading, 100, 60, 700, 420), Mean(last, 100, 60, 700, 420) * 0.75);
}

TEST_F(ScreensDrawn, TheTrainingHintDarkensTheScreenAroundItsText)
{
    LoadMenu();
    Rgb menu = Frame();
    TapButton(VEX_MENU_BUTTON_TRAINING);
    Seconds(0.5f);
    ASSERT_NE(nullptr, game.GetState(VEX_STATE_TRAINING));
    Rgb hint = Frame("training_hint");
    // The band around the text is darker than the rest, the text itself bright.
    EXPECT_GT(Max(hint, 150, 215, 650, 265), 200);
    Seconds(5.0f);
    Rgb picker = Frame("training");
    EXPECT_GT(Mean(picker, 0, 0, 800, 100), Mean(hint, 0, 0, 800, 100) * 1.25);
    (void)menu;
}

TEST_F(ScreensDrawn, TheWaitingScreenCountsDownInItsSpinner)
{
    LoadMenu();
    Rgb menu = Frame();
    TapButton(VEX_MENU_BUTTON_BATTLE);
    Seconds(0.5f);
    ASSERT_NE(nullptr, game.GetState(VEX_STATE_CONNECTING));
    Rgb early = Frame("connecting");
    Seconds(10.0f);
    Rgb later = Frame("connecting_10s");
    // The darkened title, the waiting text above the spinner and the count inside it.
    EXPECT_LT(Mean(early, 0, 0, 800, 100), Mean(menu, 0, 0, 800, 100) * 0.4);
    EXPECT_GT(Max(early, 200, 180, 600, 210), 200);
    EXPECT_GT(Max(later, 385, 280, 415, 300), 200);
}

TEST_F(ScreensDrawn, TheEditorsGradientAndLimitLines)
{
    CVexButton editorButton;
    editorButton.id = VEX_MENU_BUTTON_EDITOR;
    Menu()->OnButtonClicked(&editorButton);
    Frame();
    Frame();
    CVexEditState* editor = dynamic_cast<CVexEditState*>(game.GetState(VEX_STATE_EDIT));
    ASSERT_NE(nullptr, editor);
    game.OnPointerDown(1, 300, 300);
    Frame();
    game.OnPointerUp(1, 300, 300);
    Frame();
    Seconds(1.0f);
    Rgb f = Frame("editor");
    // The sky colour at the top, the sand colour at the bottom (outside the lines).
    EXPECT_TRUE(gltest::Close(0x1FBCD3, At(f, 3, 1), 6)) << std::hex << At(f, 3, 1);
    // Red, green and blue lines are on the screen.
    int red = 0, green = 0, blue = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 800; ++x) {
            const u32 p = At(f, x, y);
            red += p == 0xFF0000;
            green += p == 0x00FF00;
            blue += p == 0x0000FF;
        }
    EXPECT_GT(red, 400);
    EXPECT_GT(green, 100);
    EXPECT_GT(blue, 100);
}

} // namespace
