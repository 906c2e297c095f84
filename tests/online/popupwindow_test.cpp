// The toast and the advert in the real application window under Xvfb (GLES2 on Mesa), over a
// flat screen, with the shipped layout and pictures: the strip's top edge at the heights the
// slide's formulas give, each kind's icon colour, taps beside the strip reaching the screen,
// one vibration request per toast, and the advert's panel taking every tap.
#include <GLES2/gl2.h>
#include <gtest/gtest.h>
#include <math.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "engine/VortanTimer.h"
#include "engine/graphics/VortanGraphicsContext.h"
#include "online/OrloOnlineFactory.h"
#include "online/popups/OrloAdvertisement.h"
#include "online/popups/OrloToastNotification.h"
#include "platform/OrloState.h"
#include "platform/OrlogateApplication.h"
#include "tests/platform/GameStateStub.h"
#include "tests/platform/OnlineStubs.h"
#include "tests/support/GraphicsTestWindow.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WindowAppSupport.h"

namespace {

using winapp::H;
using winapp::Near;
using winapp::Pixel;
using winapp::Rgb;
using winapp::W;

const unsigned kBelow = 0x406080; // the screen under the pop-ups

// A flat screen that counts the taps that reach it.
class FlatScreen : public IOrloState {
public:
    int Init(COrloApplication* application) override
    {
        m_application = application;
        return VORTAN_OK;
    }
    void Release() override {}
    int Load() override { return VORTAN_OK; }
    void Unload() override {}
    int Update(float) override { return 1; }
    void Render() override { m_application->GetGraphics()->Clear(0xFF000000 | kBelow, nullptr); }
    int OnPointerDown(int, int, int) override
    {
        ++taps;
        return 1;
    }
    int taps = 0;
};

// The window tests' application with the online client's toast and advert.
class PopupApp : public winapp::BesideBuildApp {
public:
    COrloToastNotification* Toast() { return dynamic_cast<COrloToastNotification*>(m_toast); }
    void SetMenu(IOrloMenuState* menu) { m_menu = menu; }
    COrloAdvertisement* Advert() { return dynamic_cast<COrloAdvertisement*>(m_advertisement); }
};

// The online menu as a flat screen that records the pages asked for and the taps it gets.
class FlatMenu : public ptest::MenuStateStub {
public:
    void Render() override { m_application->GetGraphics()->Clear(0xFF000000 | kBelow, nullptr); }
    void ShowPage(const CVortanString& page, int shown) override
    {
        pages.push_back(VortanUTF8Of(page) + " " + std::to_string(shown));
    }
    int OnPointerDown(int, int, int) override
    {
        ++taps;
        return 1;
    }
    std::vector<std::string> pages;
    int taps = 0;
};

COrloOnlineFactory g_factory;

class PopupWindow : public winapp::WindowFixture<PopupApp> {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(StartDisplay());
        COrlogateApplication::RegisterOnlineFactory(&g_factory);
        app = new PopupApp();
        COrlogateApplication::RegisterOnlineFactory(nullptr);
        ASSERT_EQ(VORTAN_OK, app->Create(nullptr, W, H, new ptest::GameStateStub()));
        while (app->GetStateCount() > 0)
            app->RemoveState(app->GetStateAt(0));
        screen = new FlatScreen();
        ASSERT_EQ(VORTAN_OK, app->PushState(screen));
        ASSERT_NE(nullptr, app->Toast());
        Step(0.0f);
    }
    void TearDown() override
    {
        const char* keep = getenv("VORTAN_KEEP_SHOTS");
        if (keep && app)
            vtest::WriteWholeFile(
                std::string(keep) + "/" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".rgb",
                std::string(app->frame.begin(), app->frame.end()));
        WindowFixture::TearDown();
    }
    void Step(float dt)
    {
        VortanTestClock::Advance((u64)llround(dt * 1e9));
        app->Frame();
    }
    // The first row from the top, at column x, whose colour is not the screen's.
    int StripTop(int x = 4)
    {
        for (int y = 0; y < H; ++y)
            if (!Near(Pixel(app->frame, x, y), kBelow, 6))
                return y;
        return H;
    }
    // Keeps the frame as "<dir>/<name>.rgb" when VORTAN_KEEP_SHOTS names a directory.
    void Shot(const std::string& name)
    {
        const char* keep = getenv("VORTAN_KEEP_SHOTS");
        if (keep)
            vtest::WriteWholeFile(std::string(keep) + "/" + name + ".rgb",
                                  std::string(app->frame.begin(), app->frame.end()));
    }
    static int Expected(double t, double duration, double h = 72.0)
    {
        double y;
        if (t <= 0.5)
            y = H - h * 2.0 * t;
        else if (t <= duration - 0.5)
            y = H - h;
        else
            y = H - h * (1.0 - 2.0 * (t - (duration - 0.5)));
        return (int)floor(y + 0.5);
    }

    FlatScreen* screen = nullptr;
};

} // namespace

TEST_F(PopupWindow, TheStripSlidesUpHoldsAndGoes)
{
    app->ShowToast(CVortanString("Hello there"), 0.0f, 1);
    const double times[] = {0.125, 0.25, 0.5, 1.0, 2.0, 2.625, 2.875};
    double t = 0.0;
    for (double at : times) {
        Step((float)(at - t));
        t = at;
        EXPECT_EQ(Expected(at, 3.0), StripTop()) << at;
    }
    Step(0.125f); // 3.0: gone
    EXPECT_EQ(H, StripTop());
}

TEST_F(PopupWindow, EachKindShowsAnIconOfItsOwnColour)
{
    // Sampled inside each icon's shape (the icon lies 12 pixels into the strip): below the
    // balloon's dots, beside the crossed blades, within the star.
    const struct {
        int kind;
        unsigned colour;
    } kinds[] = {{1, 0x3D8BEB}, {3, 0x8A1C1C}, {4, 0xF2C21F}};
    int n = 0;
    for (const auto& k : kinds) {
        app->ShowToast(CVortanString(("kind " + std::to_string(n++)).c_str()), 0.0f, k.kind);
        Step(0.25f);
        Step(0.75f);
        Shot("toast_kind" + std::to_string(k.kind));
        const unsigned got = Pixel(app->frame, 12 + 24, H - 72 + 12 + 30);
        EXPECT_TRUE(Near(got, k.colour, 40)) << k.kind << " " << std::hex << got;
        for (int i = 0; i < 4; ++i)
            Step(0.5f); // to 3.0 s: gone
        EXPECT_FALSE(app->Toast()->IsShowing());
    }
}

TEST_F(PopupWindow, ATapBesideTheStripReachesTheScreenAndOnItIsTaken)
{
    app->ShowToast(CVortanString("Tap me"), 0.0f, 1);
    Step(0.5f);
    Step(0.5f);
    app->OnPointerDown(0, 400, 100);
    app->OnPointerUp(0, 400, 100);
    EXPECT_EQ(1, screen->taps);
    app->OnPointerDown(0, 400, H - 30);
    app->OnPointerUp(0, 400, H - 30);
    EXPECT_EQ(1, screen->taps);
    Step(0.25f); // sliding out from 2.5: a quarter of the way
    EXPECT_EQ(Expected(2.75, 3.0), StripTop());
    Step(0.25f);
    EXPECT_EQ(H, StripTop());
}

TEST_F(PopupWindow, AShownAdvertTakesEveryTap)
{
    CVortanArray<i32> frames;
    app->OnAdvertisementInfo(CVortanString("first"), CVortanString("http://click"), nullptr, 0,
                             1000, 5000, &frames, CVortanString("http://ok"), 0,
                             CVortanString("Play the full game"), CVortanString());
    ASSERT_NE(nullptr, app->Advert());
    Step(0.5f);
    Step(0.5f);
    EXPECT_TRUE(app->Advert()->IsShown());
    Shot("advert_countdown");
    app->OnPointerDown(0, 10, 10);
    app->OnPointerUp(0, 10, 10);
    EXPECT_EQ(0, screen->taps);
    // The panel's card covers the middle of the screen.
    EXPECT_FALSE(Near(Pixel(app->frame, 400, 240), kBelow, 6));
    EXPECT_TRUE(Near(Pixel(app->frame, 20, 20), kBelow, 6));
}

TEST_F(PopupWindow, TheAdvertsStripCountdownAndCloseButtonDraw)
{
    // Three 240 x 150 frames, red, green and blue, one above the other.
    std::string png;
    ASSERT_EQ(0, vtest::RunProgram({"convert", "-size", "240x150", "xc:#ff0000", "xc:#00ff00",
                                    "xc:#0000ff", "-append", "png:-"},
                                   &png));
    CVortanArray<i32> frames;
    frames.SetAtGrow(0, 1000);
    frames.SetAtGrow(1, 500);
    frames.SetAtGrow(2, 500);
    app->OnAdvertisementInfo(CVortanString("first"), CVortanString("http://click"),
                             (const u8*)png.data(), (int)png.size(), 1000, 5000, &frames,
                             CVortanString("http://ok"), 0, CVortanString("Play the full game"),
                             CVortanString());
    ASSERT_NE(nullptr, app->Advert());
    // The picture's middle: the panel (400 x 300) is centred, the picture 80 and 52 into it.
    const int cx = (W - 400) / 2 + 80 + 120, cy = (H - 300) / 2 + 52 + 75;
    const struct {
        float step;
        unsigned colour;
    } seen[] = {
        {0.25f, 0xFF0000}, {0.5f, 0xFF0000}, {0.5f, 0x00FF00}, {0.5f, 0x0000FF}, {0.5f, 0xFF0000}};
    for (const auto& s : seen) {
        Step(s.step);
        EXPECT_TRUE(Near(Pixel(app->frame, cx, cy), s.colour, 8))
            << std::hex << Pixel(app->frame, cx, cy) << " " << s.colour;
    }
    Shot("advert_strip");
    const int closeX = (W - 400) / 2 + 400 - 52 + 20 - 12, // beside the cross
        closeY = (H - 300) / 2 + 8 + 20;
    EXPECT_FALSE(Near(Pixel(app->frame, closeX, closeY), 0xD83030, 40));
    for (int i = 0; i < 6; ++i)
        Step(0.5f); // 5.25 s
    EXPECT_TRUE(Near(Pixel(app->frame, closeX, closeY), 0xD83030, 40))
        << std::hex << Pixel(app->frame, closeX, closeY);
    Shot("advert_closable");
}

TEST_F(PopupWindow, TheAdvertsPictureDrawsTheSameAfterALostContext)
{
    std::string png;
    ASSERT_EQ(0, vtest::RunProgram(
                     {"convert", "-size", "240x150", "gradient:#ff8000-#0040ff", "png:-"}, &png));
    CVortanArray<i32> frames;
    app->OnAdvertisementInfo(CVortanString("first"), CVortanString("http://click"),
                             (const u8*)png.data(), (int)png.size(), 1000, 60000, &frames,
                             CVortanString("http://ok"), 0, CVortanString("Title"),
                             CVortanString());
    Step(0.25f);
    Step(0.25f);
    const int left = (W - 400) / 2 + 80, top = (H - 300) / 2 + 52;
    std::vector<unsigned> before;
    for (int y = top + 2; y < top + 148; y += 7)
        before.push_back(Pixel(app->frame, left + 120, y));
    ASSERT_NE(nullptr, app->Advert()->GetSurface());
    ASSERT_EQ(VORTAN_OK, app->UnloadAllSurfaceTextures());
    ASSERT_EQ(VORTAN_OK, app->RestoreGraphics());
    Step(0.0f);
    Step(0.0f);
    Step(0.0f);
    std::vector<unsigned> after;
    for (int y = top + 2; y < top + 148; y += 7)
        after.push_back(Pixel(app->frame, left + 120, y));
    EXPECT_EQ(before, after);
    EXPECT_FALSE(Near(before.front(), before.back(), 40)); // the gradient was drawn
}

TEST_F(PopupWindow, AShowingToastKeepsTheFramePacingAwake)
{
    app->ShowToast(CVortanString("A long one"), 20.0f, 3);
    for (int i = 0; i < 10; ++i)
        Step(0.5f);
    EXPECT_EQ(0, app->IsIdle()); // 5 s without input, but a toast shows
    for (int i = 0; i < 32; ++i)
        Step(0.5f);
    EXPECT_FALSE(app->Toast()->IsShowing());
    for (int i = 0; i < 10; ++i)
        Step(0.5f);
    EXPECT_EQ(1, app->IsIdle()); // gone for 5 s: idle
}

TEST_F(PopupWindow, ATapOnAChallengeToastOpensTheMenusChallengeDialog)
{
    app->RemoveState(screen);
    screen = nullptr;
    FlatMenu* menu = new FlatMenu();
    ASSERT_EQ(VORTAN_OK, app->PushState(menu));
    app->SetMenu(menu);
    app->ShowToast(CVortanString("A duel?"), 20.0f, 3);
    Step(0.5f);
    Step(0.5f);
    app->OnPointerDown(0, 400, 100); // beside the strip: the menu's
    app->OnPointerUp(0, 400, 100);
    EXPECT_EQ(1, menu->taps);
    EXPECT_TRUE(menu->pages.empty());
    app->OnPointerDown(0, 400, H - 30);
    app->OnPointerUp(0, 400, H - 30);
    EXPECT_EQ(1, menu->taps);
    EXPECT_EQ(std::vector<std::string>{"challenge_received 1"}, menu->pages);
    for (int i = 0; i < 2; ++i)
        Step(0.5f); // the tapped toast has gone
    app->ShowToast(CVortanString("Just a message"), 0.0f, 1);
    Step(0.5f);
    Step(0.5f);
    app->OnPointerDown(0, 400, H - 30);
    app->OnPointerUp(0, 400, H - 30);
    EXPECT_EQ(1u, menu->pages.size());
    app->SetMenu(nullptr);
}
