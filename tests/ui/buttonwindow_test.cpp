// A widget tree hosted by a test screen of the real application under Xvfb (GLES2 on Mesa):
// the tree placed by an alignment and a divider is read back and compared with a picture that
// ImageMagick builds from the same PNGs; a click by xdotool shows the button's pressed look and
// fires after its delay on the stand-in clock; after a lost context the tree draws the same.
#include <GLES2/gl2.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "engine/VortanTimer.h"
#include "platform/OrloState.h"
#include "platform/OrlogateApplication.h"
#include "tests/platform/GameStateStub.h"
#include "tests/platform/ResourceTestSupport.h"
#include "tests/shell/ApplicationTestSupport.h"
#include "tests/support/GraphicsTestWindow.h"
#include "tests/support/WindowAppSupport.h"
#include "ui/layouts/Alignment.h"
#include "ui/layouts/Divider.h"
#include "ui/widgets/Button.h"

namespace {

using winapp::H;
using winapp::Rgb;
using winapp::W;

typedef winapp::BesideBuildApp TestApp;

int g_clicks = 0;
int CountClick(CWidget*, void*, intptr_t, intptr_t)
{
    ++g_clicks;
    return 1;
}

CVortanRect Rect(int l, int t, int r, int b)
{
    CVortanRect rect;
    rect.Set(l, t, r, b);
    return rect;
}

// The screen that hosts the tree: it draws it with the application's graphics, updates it
// with the frame time and hands it the pointer.
class TreeScreen : public IOrloState {
public:
    int Init(COrloApplication* application) override
    {
        m_application = application;
        COrloResourceManager* resources = application;
        root = new CWidget();
        root->Startup(application, resources, Rect(0, 0, W, H));
        auto image = [&](const char* name) {
            CImageWidget* widget = new CImageWidget();
            widget->Startup(application, resources, Rect(0, 0, 1, 1));
            CVortanSurface* surface = resources->GetSurface(CVortanString(name));
            widget->SetImage(surface);
            resources->ReleaseSurface(surface);
            return widget;
        };

        // A 200 x 100 button 40 px from the top left corner: up and pressed looks.
        CAlignment* corner = new CAlignment();
        corner->Startup(application, resources, Rect(0, 0, W, 200));
        corner->SetMargin(ALIGN_MARGIN_LEFT, 40);
        corner->SetMargin(ALIGN_MARGIN_TOP, 40);
        button = new CButton();
        button->Startup(application, resources, Rect(0, 0, 200, 100));
        button->AddChild(image("up.png"));
        CImageWidget* down = image("down.png");
        down->SetVisible(false);
        button->AddChild(down);
        button->SetLayoutWidgets(true);
        button->SetOnClick(CUIDelegate(CountClick, nullptr));
        corner->AddChild(button);
        root->AddChild(corner);

        // Below it a divider: a square part and the rest, the latter with an image of aspect
        // 2 fitted in.
        CDivider* split = new CDivider();
        split->Startup(application, resources, Rect(0, 200, W, H));
        split->AddChild(image("green.png"));
        CImageWidget* wide = image("wide.png");
        wide->SetImageFlags(IMAGE_STRETCH | IMAGE_KEEP_ASPECT);
        split->AddChild(wide);
        root->AddChild(split);

        // A 2 x 2 sheet of 64 x 64 frames: the last frame by the frame clock, and the second
        // by a source rect.
        CImageWidget* frame = image("sheet.png");
        frame->GetImage()->SetFrameSize(64, 64);
        frame->SetRect(Rect(300, 40, 400, 140));
        frame->SetImageFlags(IMAGE_STRETCH | IMAGE_ANIMATION_STOPPED);
        frame->SetFrameDuration(1.0f);
        frame->SetFrame(3);
        root->AddChild(frame);
        CImageWidget* part = image("sheet.png");
        part->SetRect(Rect(420, 40, 520, 140));
        part->SetSourceRect(Rect(64, 0, 128, 64));
        root->AddChild(part);
        root->Update(0.0f);
        return VORTAN_OK;
    }
    void Release() override
    {
        root->Shutdown();
        delete root;
        root = nullptr;
    }
    int Load() override { return VORTAN_OK; }
    void Unload() override {}
    int Update(float seconds) override
    {
        root->Update(seconds);
        return 1;
    }
    void Render() override { root->RenderAt(m_application->GetGraphics()); }
    int OnPointerDown(int b, int x, int y) override
    {
        root->DispatchPointerDown(b, x, y);
        return 1;
    }
    int OnPointerMove(int b, int x, int y) override
    {
        root->DispatchPointerMove(b, x, y);
        return 1;
    }
    int OnPointerUp(int b, int x, int y) override
    {
        root->DispatchPointerUp(b, x, y);
        return 1;
    }

    CWidget* root = nullptr;
    CButton* button = nullptr;
};

const char* kUp = "#2060c0";
const char* kDown = "#e0a020";
const char* kGreen = "#30b040";
const char* kWide = "#c03080";

// The expected screen: black with flat blocks, built by ImageMagick from the same PNGs.
Rgb Expected(const vtest::TempDir& dir, bool pressed)
{
    std::vector<std::string> argv{"convert",
                                  "-size",
                                  "800x480",
                                  "xc:black",
                                  "(",
                                  dir.File(pressed ? "down.png" : "up.png"),
                                  "-resize",
                                  "200x100!",
                                  ")",
                                  "-geometry",
                                  "+40+40",
                                  "-composite",
                                  "(",
                                  dir.File("green.png"),
                                  "-resize",
                                  "280x280!",
                                  ")",
                                  "-geometry",
                                  "+0+200",
                                  "-composite",
                                  "(",
                                  dir.File("wide.png"),
                                  "-resize",
                                  "520x260!",
                                  ")",
                                  "-geometry",
                                  "+280+210",
                                  "-composite",
                                  "(",
                                  dir.File("sheet.png"),
                                  "-crop",
                                  "64x64+64+64",
                                  "+repage",
                                  "-resize",
                                  "100x100!",
                                  ")",
                                  "-geometry",
                                  "+300+40",
                                  "-composite",
                                  "(",
                                  dir.File("sheet.png"),
                                  "-crop",
                                  "64x64+64+0",
                                  "+repage",
                                  "-resize",
                                  "100x100!",
                                  ")",
                                  "-geometry",
                                  "+420+40",
                                  "-composite",
                                  "-depth",
                                  "8",
                                  "rgb:-"};
    std::string out;
    EXPECT_EQ(0, vtest::RunProgram(argv, &out));
    EXPECT_EQ((size_t)W * H * 3, out.size());
    return Rgb(out.begin(), out.end());
}

// Pixels that differ by more than 2 in a channel, leaving out a 2-pixel band around the
// edges of the blocks.
int Mismatches(const Rgb& got, const Rgb& want)
{
    if (got.size() != want.size())
        return -1;
    const int edgesX[] = {0, 40, 240, 280, 300, 400, 420, 520, 800};
    const int edgesY[] = {0, 40, 140, 200, 210, 470, 480};
    auto nearEdge = [](int v, const int* edges, int n) {
        for (int i = 0; i < n; ++i)
            if (abs(v - edges[i]) <= 2)
                return true;
        return false;
    };
    int bad = 0;
    for (int y = 0; y < H; ++y) {
        if (nearEdge(y, edgesY, sizeof(edgesY) / sizeof(edgesY[0])))
            continue;
        for (int x = 0; x < W; ++x) {
            if (nearEdge(x, edgesX, sizeof(edgesX) / sizeof(edgesX[0])))
                continue;
            for (int c = 0; c < 3; ++c) {
                size_t i = ((size_t)y * W + x) * 3 + c;
                if (abs((int)got[i] - (int)want[i]) > 2) {
                    ++bad;
                    break;
                }
            }
        }
    }
    return bad;
}

class ButtonWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        xvfb = new gtest_graphics::Xvfb("800x480x24");
        ASSERT_TRUE(xvfb->Ok());
        home = new vtest::TempDir();
        setenv("HOME", home->Path().c_str(), 1);
        const std::string pack = home->File("widgets.dmp");
        // The sheet: red, cyan / blue, yellow quadrants.
        ASSERT_EQ(0,
                  vtest::RunProgram({"convert", "(", "-size", "64x64", "xc:#e02020", "xc:#20c0c0",
                                     "+append", ")", "(", "-size", "64x64", "xc:#2030e0",
                                     "xc:#e0e020", "+append", ")", "-append", "-define",
                                     "png:color-type=6", "PNG32:" + home->File("sheet.png")}));
        const std::string sheet = vtest::ReadWholeFile(home->File("sheet.png"));
        rtest::WritePack(pack, {{"/sheet.png", sheet},
                                {"/up.png", rtest::MakePng(20, 10, kUp)},
                                {"/down.png", rtest::MakePng(20, 10, kDown)},
                                {"/green.png", rtest::MakePng(16, 16, kGreen)},
                                {"/wide.png", rtest::MakePng(40, 20, kWide)}});
        // The reference pictures are made from the same files.
        vtest::WriteWholeFile(home->File("up.png"), rtest::MakePng(20, 10, kUp));
        vtest::WriteWholeFile(home->File("down.png"), rtest::MakePng(20, 10, kDown));
        vtest::WriteWholeFile(home->File("green.png"), rtest::MakePng(16, 16, kGreen));
        vtest::WriteWholeFile(home->File("wide.png"), rtest::MakePng(40, 20, kWide));

        VortanTestClock::Set(5000000000ull);
        app = new TestApp();
        ASSERT_EQ(VORTAN_OK, app->Create(nullptr, W, H, new ptest::GameStateStub()));
        while (app->GetStateCount() > 0)
            app->RemoveState(app->GetStateAt(0));
        ASSERT_EQ(1, app->OpenPack(rtest::S(pack), 1));
        screen = new TreeScreen();
        ASSERT_EQ(VORTAN_OK, app->PushState(screen));
        g_clicks = 0;
        Step(0.0f);
    }
    void TearDown() override
    {
        delete app;
        VortanTestClock::Clear();
        delete home;
        delete xvfb;
    }
    void Step(float dt)
    {
        VortanTestClock::Advance((u64)(dt * 1e9));
        app->Frame();
    }

    gtest_graphics::Xvfb* xvfb = nullptr;
    vtest::TempDir* home = nullptr;
    TestApp* app = nullptr;
    TreeScreen* screen = nullptr;
};

TEST_F(ButtonWindowTest, ClickShowsThePressedLookAndFiresAfterTheDelay)
{
    Step(0.1f);
    EXPECT_EQ(0, Mismatches(app->frame, Expected(*home, false)));

    ASSERT_EQ(0, vtest::Xdo({"mousemove", "--sync", "140", "90", "mousedown", "1"}));
    vtest::Pump(app);
    Step(0.1f);
    EXPECT_TRUE(screen->button->IsPressed());
    EXPECT_EQ(0, Mismatches(app->frame, Expected(*home, true)));

    ASSERT_EQ(0, vtest::Xdo({"mouseup", "1"}));
    vtest::Pump(app);
    EXPECT_FALSE(screen->button->IsPressed());
    EXPECT_EQ(0, g_clicks);
    Step(0.1f);
    EXPECT_EQ(0, g_clicks);
    Step(0.1f);
    EXPECT_EQ(1, g_clicks);
    // The fade of the click has run its second: the up look as before.
    for (int i = 0; i < 10; ++i)
        Step(0.1f);
    EXPECT_EQ(0, Mismatches(app->frame, Expected(*home, false)));
    EXPECT_EQ(1, g_clicks);
}

TEST_F(ButtonWindowTest, TreeDrawsTheSameAfterALostContext)
{
    Step(0.1f);
    const Rgb before = app->frame;
    ASSERT_EQ(0, Mismatches(before, Expected(*home, false)));
    ASSERT_EQ(VORTAN_OK, app->UnloadAllSurfaceTextures());
    ASSERT_EQ(VORTAN_OK, app->RestoreGraphics());
    Step(0.1f); // the reload screen
    Step(0.1f); // the textures again
    Step(0.1f);
    EXPECT_EQ(0, Mismatches(app->frame, before));
}

} // namespace
