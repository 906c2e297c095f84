// A widget tree hosted by a test screen of the real application under Xvfb (GLES2 on Mesa):
// the tree placed by an alignment and a divider is read back and compared with a picture that
// ImageMagick builds from the same PNGs; a click by xdotool shows the button's pressed look and
// fires after its delay on the stand-in clock; after a lost context the tree draws the same.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "tests/platform/ResourceTestSupport.h"
#include "tests/shell/ApplicationTestSupport.h"
#include "tests/ui/TreeWindowSupport.h"
#include "ui/layouts/Alignment.h"
#include "ui/layouts/Divider.h"
#include "ui/widgets/Button.h"

namespace {

using uitest::R;
using uiwin::H;
using uiwin::Rgb;
using uiwin::W;

int g_clicks = 0;
int CountClick(CWidget*, void*, intptr_t, intptr_t)
{
    ++g_clicks;
    return 1;
}

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
int MismatchesOffEdges(const Rgb& got, const Rgb& want)
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

// The tree: an alignment with the button, a divider with two images, and two views of a
// sprite sheet.
void BuildTree(COrloApplication* app, CWidget* root, CButton** button)
{
    auto image = [app](const char* name) { return uiwin::Image(app, name, R(0, 0, 1, 1)); };

    // A 200 x 100 button 40 px from the top left corner: up and pressed looks.
    CAlignment* corner = new CAlignment();
    corner->Startup(app, app, R(0, 0, W, 200));
    corner->SetMargin(ALIGN_MARGIN_LEFT, 40);
    corner->SetMargin(ALIGN_MARGIN_TOP, 40);
    *button = new CButton();
    (*button)->Startup(app, app, R(0, 0, 200, 100));
    (*button)->AddChild(image("up.png"));
    CImageWidget* down = image("down.png");
    down->SetVisible(false);
    (*button)->AddChild(down);
    (*button)->SetLayoutWidgets(true);
    (*button)->SetOnClick(CUIDelegate(CountClick, nullptr));
    corner->AddChild(*button);
    root->AddChild(corner);

    // Below it a divider: a square part and the rest, the latter with an image of aspect
    // 2 fitted in.
    CDivider* split = new CDivider();
    split->Startup(app, app, R(0, 200, W, H));
    split->AddChild(image("green.png"));
    CImageWidget* wide = image("wide.png");
    wide->SetImageFlags(IMAGE_STRETCH | IMAGE_KEEP_ASPECT);
    split->AddChild(wide);
    root->AddChild(split);

    // A 2 x 2 sheet of 64 x 64 frames: the last frame by the frame clock, and the second
    // by a source rect.
    CImageWidget* frame = image("sheet.png");
    frame->GetImage()->SetFrameSize(64, 64);
    frame->SetRect(R(300, 40, 400, 140));
    frame->SetImageFlags(IMAGE_STRETCH | IMAGE_ANIMATION_STOPPED);
    frame->SetFrameDuration(1.0f);
    frame->SetFrame(3);
    root->AddChild(frame);
    CImageWidget* part = image("sheet.png");
    part->SetRect(R(420, 40, 520, 140));
    part->SetSourceRect(R(64, 0, 128, 64));
    root->AddChild(part);
}

class ButtonWindowTest : public uiwin::WindowTest {
protected:
    void SetUp() override
    {
        // The sheet: red, cyan / blue, yellow quadrants.
        ASSERT_EQ(0,
                  vtest::RunProgram({"convert", "(", "-size", "64x64", "xc:#e02020", "xc:#20c0c0",
                                     "+append", ")", "(", "-size", "64x64", "xc:#2030e0",
                                     "xc:#e0e020", "+append", ")", "-append", "-define",
                                     "png:color-type=6", "PNG32:" + pictures.File("sheet.png")}));
        const std::string sheet = vtest::ReadWholeFile(pictures.File("sheet.png"));
        // The reference pictures are made from the same files.
        vtest::WriteWholeFile(pictures.File("up.png"), rtest::MakePng(20, 10, kUp));
        vtest::WriteWholeFile(pictures.File("down.png"), rtest::MakePng(20, 10, kDown));
        vtest::WriteWholeFile(pictures.File("green.png"), rtest::MakePng(16, 16, kGreen));
        vtest::WriteWholeFile(pictures.File("wide.png"), rtest::MakePng(40, 20, kWide));
        g_clicks = 0;
        Start({{"sheet.png", sheet},
               {"up.png", rtest::MakePng(20, 10, kUp)},
               {"down.png", rtest::MakePng(20, 10, kDown)},
               {"green.png", rtest::MakePng(16, 16, kGreen)},
               {"wide.png", rtest::MakePng(40, 20, kWide)}},
              [this](COrloApplication* app, CWidget* root) { BuildTree(app, root, &button); });
    }

    vtest::TempDir pictures;
    CButton* button = nullptr;
};

TEST_F(ButtonWindowTest, ClickShowsThePressedLookAndFiresAfterTheDelay)
{
    Step(0.1f);
    EXPECT_EQ(0, MismatchesOffEdges(app->frame, Expected(pictures, false)));

    ASSERT_EQ(0, vtest::MovePointer(140, 90));
    ASSERT_EQ(0, vtest::Xdo({"mousedown", "1"}));
    vtest::Pump(app);
    Step(0.1f);
    EXPECT_TRUE(button->IsPressed());
    EXPECT_EQ(0, MismatchesOffEdges(app->frame, Expected(pictures, true)));

    ASSERT_EQ(0, vtest::Xdo({"mouseup", "1"}));
    vtest::Pump(app);
    EXPECT_FALSE(button->IsPressed());
    EXPECT_EQ(0, g_clicks);
    Step(0.1f);
    EXPECT_EQ(0, g_clicks);
    Step(0.1f);
    EXPECT_EQ(1, g_clicks);
    // The fade of the click has run its second: the up look as before.
    for (int i = 0; i < 10; ++i)
        Step(0.1f);
    EXPECT_EQ(0, MismatchesOffEdges(app->frame, Expected(pictures, false)));
    EXPECT_EQ(1, g_clicks);
}

TEST_F(ButtonWindowTest, TreeDrawsTheSameAfterALostContext)
{
    Step(0.1f);
    const Rgb before = app->frame;
    ASSERT_EQ(0, MismatchesOffEdges(before, Expected(pictures, false)));
    ASSERT_EQ(VORTAN_OK, app->UnloadAllSurfaceTextures());
    ASSERT_EQ(VORTAN_OK, app->RestoreGraphics());
    Step(0.1f); // the reload screen
    Step(0.1f); // the textures again
    Step(0.1f);
    EXPECT_EQ(0, MismatchesOffEdges(app->frame, before));
}

} // namespace
