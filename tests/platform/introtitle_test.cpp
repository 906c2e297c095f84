// The intro and title screens in the real application under Xvfb (GLES2 on Mesa), driven
// frame by frame on the stand-in clock. Every frame is read back before it is presented and
// compared with pictures that ImageMagick makes from the same logo, background and title
// files: the cross-fade at 0.5 s, the fade to black ending at 2.0 s, the title's placement
// and its fades, the start of the online part at 2.5 s, and the reload screen.
#include <GLES2/gl2.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/VortanTimer.h"
#include "engine/graphics/VortanSurface.h"
#include "platform/OrloIntroState.h"
#include "platform/OrloState.h"
#include "platform/OrloTitleState.h"
#include "platform/OrlogateApplication.h"
#include "tests/platform/GameStateStub.h"
#include "tests/support/GraphicsTestWindow.h"
#include "tests/support/TestSupport.h"
#include "tests/support/WindowAppSupport.h"

namespace {

using winapp::H;
using winapp::ReadScreen;
using winapp::Rgb;
using winapp::W;

// The window tests' application with the online part replaced by a counter.
class TestApp : public winapp::BesideBuildApp {
public:
    int CreateSessionAndMenu() override
    {
        ++menuRequests;
        menuRequestTime = title ? title->GetTime() : -1.0f;
        return menuResult;
    }
    // A title pack that cannot be opened, when set before the application is created.
    int OpenPack(const CVortanString& name, int flags) override
    {
        if (refuseTitlePack && name == CVortanString("title.dmp"))
            return 0;
        return winapp::BesideBuildApp::OpenPack(name, flags);
    }
    int menuRequests = 0;
    int menuResult = VORTAN_OK;
    float menuRequestTime = -1.0f;
    bool refuseTitlePack = false;
    COrloTitleState* title = nullptr;
};

// A picture made by ImageMagick, as raw 8-bit RGB.
Rgb Magick(const std::vector<std::string>& args, int width, int height)
{
    std::vector<std::string> argv{"convert"};
    argv.insert(argv.end(), args.begin(), args.end());
    argv.insert(argv.end(), {"-depth", "8", "rgb:-"});
    std::string out;
    EXPECT_EQ(0, vtest::RunProgram(argv, &out));
    EXPECT_EQ((size_t)width * height * 3, out.size());
    return Rgb(out.begin(), out.end());
}

std::string Packed(const std::string& pack, const std::string& file)
{
    return vtest::BinaryDir() + "/datapacks/" + pack + "/" + file;
}

// Largest channel difference, the share of channels that differ by more than `tolerance`,
// and the mean difference.
struct Diff {
    int largest = 256;
    double over = 1.0, mean = 256.0;
};
Diff Compare(const Rgb& a, const Rgb& b, int tolerance)
{
    Diff d;
    if (a.size() != b.size() || a.empty())
        return d;
    size_t over = 0;
    double sum = 0.0;
    d.largest = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        int delta = abs((int)a[i] - (int)b[i]);
        d.largest = std::max(delta, d.largest);
        over += delta > tolerance;
        sum += delta;
    }
    d.over = (double)over / (double)a.size();
    d.mean = sum / (double)a.size();
    return d;
}

Rgb Scaled(const Rgb& a, double factor)
{
    Rgb out(a.size());
    for (size_t i = 0; i < a.size(); ++i)
        out[i] = (unsigned char)(a[i] * factor);
    return out;
}

const Rgb kBlack((size_t)W* H * 3, 0);

// The 420 x 280 logo frame (a raw RGB picture) centred on a black screen.
Rgb OnBlackScreen(const Rgb& logo)
{
    const int lw = 420, lh = 280;
    const int left = (W - lw) / 2, top = (H - lh) / 2;
    Rgb screen((size_t)W * H * 3, 0);
    for (int y = 0; y < lh; ++y)
        for (int i = 0; i < lw * 3; ++i)
            screen[((size_t)(top + y) * W + left) * 3 + i] = logo[(size_t)y * lw * 3 + i];
    return screen;
}

class IntroTitleTest : public winapp::WindowFixture<TestApp> {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(StartDisplay());
        app = new TestApp();
        app->refuseTitlePack = refuseTitlePack;
        ASSERT_EQ(VORTAN_OK, app->Create(nullptr, 960, 640, new ptest::GameStateStub()));
        ASSERT_EQ(2, app->GetStateCount());
        intro = dynamic_cast<COrloIntroState*>(app->GetStateAt(0));
        app->title = dynamic_cast<COrloTitleState*>(app->GetStateAt(1));
        ASSERT_NE(nullptr, intro);
        ASSERT_NE(nullptr, app->title);
    }
    // One frame of `dt` seconds on the stand-in clock.
    void Step(float dt = 0.125f)
    {
        VortanTestClock::Advance((u64)(dt * 1e9));
        app->Frame();
    }
    void Steps(int n)
    {
        for (int i = 0; i < n; ++i)
            Step();
    }
    // Frames until the intro has gone and the title is the front screen (the last of them:
    // the intro leaves, the title is loaded, updated and drawn).
    void RunIntro()
    {
        Steps(22);
        ASSERT_EQ(app->title, app->GetStateAt(0));
    }
    // Frames until the title's time reaches `seconds`; false, at once, when the title has left
    // the front or the application has stopped (its time would never get there, and the title
    // may be gone), or when the frames that the time needs have not brought it there.
    bool StepTitleTo(float seconds)
    {
        COrloTitleState* title = app->title;
        const int frames = (int)(seconds / 0.125f) + 1;
        for (int i = 0; i <= frames; ++i) {
            if (!app->IsCreated() || app->GetStateAt(0) != title)
                return false;
            if (title->GetTime() >= seconds)
                return true;
            Step();
        }
        return false;
    }

    COrloIntroState* intro = nullptr;
    bool refuseTitlePack = false;
};

TEST_F(IntroTitleTest, IntroCrossFadesAndFadesToBlackOnCountedTime)
{
    // The first five updates after loading do not count.
    Steps(5);
    EXPECT_EQ(0.0f, intro->GetTime());
    Step();
    EXPECT_EQ(0.125f, intro->GetTime());
    Steps(3);
    ASSERT_EQ(0.5f, intro->GetTime());

    // 0.5 s: logo 6 with logo 7 over it at alpha 127.
    Rgb logo6 = Magick({Packed("orlointro", "orlogate_logo6.jpg")}, 420, 280);
    Rgb logo7 = Magick({Packed("orlointro", "orlogate_logo7.jpg")}, 420, 280);
    Rgb mixed(logo6.size());
    for (size_t i = 0; i < mixed.size(); ++i)
        mixed[i] = (unsigned char)(logo6[i] + (logo7[i] - logo6[i]) * 127.0 / 255.0 + 0.5);
    Diff d = Compare(app->frame, OnBlackScreen(mixed), 3);
    EXPECT_LT(d.over, 0.001) << "largest " << d.largest;
    // Neither frame alone is what is shown.
    EXPECT_GT(Compare(app->frame, OnBlackScreen(logo6), 3).over, 0.005);
    EXPECT_GT(Compare(app->frame, OnBlackScreen(logo7), 3).over, 0.005);

    // 1.5 s: the last frame, not darkened yet; 1.75 s: at half brightness.
    Steps(8);
    ASSERT_EQ(1.5f, intro->GetTime());
    Rgb logo12 = Magick({Packed("orlointro", "orlogate_logo12.jpg")}, 420, 280);
    d = Compare(app->frame, OnBlackScreen(logo12), 3);
    EXPECT_LT(d.over, 0.001) << "largest " << d.largest;
    Steps(2);
    d = Compare(app->frame, OnBlackScreen(Scaled(logo12, 0.5)), 3);
    EXPECT_LT(d.over, 0.001) << "largest " << d.largest;

    // 2.0 s: black, and the intro has finished.
    Steps(2);
    EXPECT_EQ(2.0f, intro->GetTime());
    EXPECT_EQ(0, Compare(app->frame, kBlack, 0).largest);
    EXPECT_EQ(1, intro->IsFinished());
}

TEST_F(IntroTitleTest, TitleIsPlacedFadesAndStartsTheOnlinePartOnce)
{
    RunIntro();
    COrloTitleState* title = app->title;
    EXPECT_EQ(0.125f, title->GetTime());

    // 0.25 s: half brightness of the full picture at 1.0 s.
    Step();
    Rgb early = app->frame;
    Steps(6);
    ASSERT_EQ(1.0f, title->GetTime());
    Rgb full = app->frame, halfOfFull = Scaled(full, 0.5);
    EXPECT_LE(Compare(early, halfOfFull, 2).largest, 2);

    // The background (1024 x 640) covers the screen at 800 x 500, 10 pixels above the top;
    // the title (460 x 150) sits unscaled in the centre.
    auto titleAt = [](const char* crop, const char* geometry) {
        return Magick({Packed("title", "background-horizontal.jpg"), "-resize", "800x500!", "-crop",
                       crop, "+repage", Packed("title", "title.png"), "-geometry", geometry,
                       "-composite"},
                      W, H);
    };
    Diff placed = Compare(full, titleAt("800x480+0+10", "+170+165"), 24);
    EXPECT_LT(placed.mean, 2.0);
    EXPECT_LT(placed.over, 0.005);
    EXPECT_GT(Compare(full, titleAt("800x480+0+0", "+170+175"), 24).mean, placed.mean * 2);

    // 2.5 s: the online part starts (once); 2.75 s: half brightness; 3.0 s: black; then the
    // title has finished and, with no other screen, the application ends.
    ASSERT_TRUE(StepTitleTo(2.5f));
    EXPECT_EQ(1, app->menuRequests);
    EXPECT_EQ(2.5f, app->menuRequestTime);
    Steps(2);
    ASSERT_EQ(2.75f, title->GetTime());
    EXPECT_LE(Compare(app->frame, halfOfFull, 2).largest, 2);
    Steps(2);
    ASSERT_EQ(3.0f, title->GetTime());
    EXPECT_EQ(0, Compare(app->frame, kBlack, 0).largest);
    Step();
    EXPECT_EQ(1, app->menuRequests);
    EXPECT_EQ(0, app->GetStateCount());
    EXPECT_EQ(0, app->IsCreated());
}

TEST_F(IntroTitleTest, TitleStaysWhenTheOnlinePartCannotStart)
{
    app->menuResult = VORTAN_E_FAIL;
    RunIntro();
    COrloTitleState* title = app->title;
    Steps(6);
    Rgb full = app->frame;
    ASSERT_TRUE(StepTitleTo(4.0f));
    EXPECT_EQ(1, app->menuRequests);
    EXPECT_EQ(1, title->IsHolding());
    EXPECT_EQ(0, title->IsFinished());
    EXPECT_EQ(title, app->GetStateAt(0));
    EXPECT_LE(Compare(app->frame, full, 1).largest, 1);
}

TEST_F(IntroTitleTest, TitleTakesThePortraitBackgroundWhenTheScreenTurns)
{
    RunIntro();
    COrloTitleState* title = app->title;
    ASSERT_NE(nullptr, title->GetBackground());
    EXPECT_EQ(1024, title->GetBackground()->GetWidth());
    title->OnResize(480, 800);
    ASSERT_NE(nullptr, title->GetBackground());
    EXPECT_EQ(640, title->GetBackground()->GetWidth());
    EXPECT_EQ(1024, title->GetBackground()->GetHeight());
    title->OnResize(800, 480);
    EXPECT_EQ(1024, title->GetBackground()->GetWidth());
}

TEST_F(IntroTitleTest, ReloadScreenShowsThePictureInTheBottomRightCorner)
{
    Step();
    app->DrawReloadScreen();
    Rgb shown = ReadScreen();
    Rgb expected = Magick({"-size", "800x480", "xc:black", Packed("reload", "reload.png"),
                           "-geometry", "+744+424", "-composite"},
                          W, H);
    Diff d = Compare(shown, expected, 3);
    EXPECT_LE(d.largest, 3);
    // Something is drawn there at all.
    EXPECT_GT(Compare(expected, kBlack, 0).over, 0.0);
}

// Without its pack the title has nothing to show: it ends on its first update, and the
// application, with no screen left, stops. Waiting for the title's time then ends at once.
class IntroTitleWithoutTitlePackTest : public IntroTitleTest {
protected:
    void SetUp() override
    {
        refuseTitlePack = true;
        IntroTitleTest::SetUp();
    }
};

TEST_F(IntroTitleWithoutTitlePackTest, TitleEndsAtOnceAndWaitingForItsTimeStops)
{
    RunIntro();
    EXPECT_EQ(1, app->title->IsFinished());
    EXPECT_EQ(0.0f, app->title->GetTime());
    EXPECT_FALSE(StepTitleTo(2.5f));
    EXPECT_EQ(0, app->GetStateCount());
    EXPECT_EQ(0, app->IsCreated());
    EXPECT_EQ(1, app->menuRequests);
}

} // namespace
