// The drawing widgets in the real application window under Xvfb (GLES2 on Mesa), read back and
// compared with ImageMagick pictures: a half-turn pie against the polygon of vertices worked
// out in Python and an empty pie of angle 0, gradients against ImageMagick gradients, a half
// progress bar, a spinner at sample points of a four-colour image after half a second on the
// stand-in clock, and nine-slice frames with premultiplied blending; image drawing after a
// frame is unharmed and the screen is the same after a lost context.
#include <inttypes.h>
#include <stdio.h>

#include "engine/graphics/VortanBitmapFont.h"
#include "tests/ui/TreeWindowSupport.h"
#include "tests/ui/WidgetTestSupport.h"
#include "ui/WidgetCast.h"
#include "ui/loader/UIXMLLoader.h"
#include "ui/widgets/FrameWidget.h"
#include "ui/widgets/GradientWidget.h"
#include "ui/widgets/PieWidget.h"
#include "ui/widgets/ProgressBar.h"
#include "ui/widgets/RotatingImageWidget.h"
#include "ui/widgets/Slider.h"
#include "ui/widgets/TextWidget.h"

namespace {

using uitest::R;
using uiwin::Near;
using uiwin::Pixel;

struct Tree {
    CPieWidget* pie = nullptr;
    CRotatingImageWidget* spinner = nullptr;
    CFrameWidget* frame = nullptr;
    CFrameWidget* plain = nullptr;
    CSlider* slider = nullptr;
};

std::string Convert(const vtest::TempDir& dir, const std::string& name,
                    const std::vector<std::string>& args)
{
    std::vector<std::string> argv{"convert"};
    argv.insert(argv.end(), args.begin(), args.end());
    argv.push_back("-define");
    argv.push_back("png:color-type=6");
    argv.push_back("PNG32:" + dir.File(name));
    EXPECT_EQ(0, vtest::RunProgram(argv));
    return vtest::ReadWholeFile(dir.File(name));
}

class DrawWindowTest : public uiwin::WindowTest {
protected:
    void SetUp() override
    {
        vtest::TempDir images;
        Files files = {
            {"four.png",
             Convert(images, "four.png",
                     {"(", "-size", "32x32", "xc:#e02020", "xc:#20c0c0", "+append", ")", "(",
                      "-size", "32x32", "xc:#2030e0", "xc:#e0e020", "+append", ")", "-append"})},
            {"border.png",
             Convert(images, "border.png",
                     {"-size", "48x48", "xc:#c00000", "(", "-size", "16x16", "xc:none", ")",
                      "-geometry", "+16+16", "-compose", "copy", "-composite"})},
            {"mask.png", Convert(images, "mask.png",
                                 {"-size", "48x48", "xc:white", "(", "-size", "16x16", "xc:none",
                                  ")", "-geometry", "+0+0", "-compose", "copy", "-composite"})},
            {"blue.png", rtest::MakePng(40, 40, "#0000c0")},
            {"grey.png", rtest::MakePng(4, 4, "#808080")},
            {"dark.png", rtest::MakePng(4, 4, "#404040")},
            {"orange.png", rtest::MakePng(100, 10, "#e08020")},
            {"green.png", rtest::MakePng(8, 8, "#30b040")},
            {"white.png", rtest::MakePng(8, 8, "#ffffff")},
            {"drawing.xml",
             vtest::ReadWholeFile(vtest::SourceDir() + "/tests/ui/layouts/drawing.xml")},
        };
        const bool fromLayout =
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())
                .find("Layout") != std::string::npos;
        Start(files, [this, fromLayout](COrloApplication* app, CWidget* root) {
            if (fromLayout)
                Load(app, root);
            else
                Build(app, root);
        });
    }

    // The same screen from a layout file.
    void Load(COrloApplication* app, CWidget* root)
    {
        CUIXMLLoader loader;
        loader.Load(app, nullptr, nullptr, root, nullptr, nullptr);
        EXPECT_EQ(VORTAN_OK, loader.LoadFile(CVortanString("drawing.xml")));
        loader.Unload();
        auto find = [root](const char* name) { return root->FindChild(CVortanString(name), -1); };
        tree.pie = WidgetCast<CPieWidget>(find("pie"));
        tree.spinner = WidgetCast<CRotatingImageWidget>(find("spinner"));
        tree.frame = WidgetCast<CFrameWidget>(find("frame"));
        tree.plain = WidgetCast<CFrameWidget>(find("plain"));
        tree.slider = WidgetCast<CSlider>(find("slider"));
        CProgressBar* bar = WidgetCast<CProgressBar>(find("bar"));
        ASSERT_TRUE(tree.pie && tree.spinner && tree.frame && tree.plain && tree.slider && bar);
        bar->SetValue(0.5f);
    }

    // A text in the default font.
    static CTextWidget* Text(COrloApplication* app, const CVortanRect& rect)
    {
        CTextWidget* text = new CTextWidget();
        text->Startup(app, app, rect);
        CVortanBitmapFont* font = app->GetFont(CVortanString("default"));
        text->SetFont(font);
        app->ReleaseFont(font);
        text->SetTextColor(0xFFFFFFFF);
        text->SetText(CVortanString("Frames 0123"));
        return text;
    }

    void Build(COrloApplication* app, CWidget* root)
    {
        root->AddChild(Text(app, R(20, 440, 280, 475))); // drawn before any frame
        tree.pie = new CPieWidget();
        tree.pie->Startup(app, app, R(20, 20, 140, 140));
        tree.pie->SetPieColor(0xFF20C040);
        tree.pie->SetAngle(3.1415927f);
        root->AddChild(tree.pie);
        CPieWidget* empty = new CPieWidget();
        empty->Startup(app, app, R(160, 20, 280, 140));
        empty->SetAngle(0.0f);
        root->AddChild(empty);

        CGradientWidget* vertical = new CGradientWidget();
        vertical->Startup(app, app, R(300, 20, 400, 276));
        vertical->SetColor1(0xFFFF0000);
        vertical->SetColor2(0xFF0000FF);
        root->AddChild(vertical);
        CGradientWidget* horizontal = new CGradientWidget();
        horizontal->Startup(app, app, R(420, 20, 676, 120));
        horizontal->SetImageFlags(GRADIENT_HORIZONTAL);
        root->AddChild(horizontal); // white to black by default

        CProgressBar* bar = new CProgressBar();
        bar->Startup(app, app, R(20, 300, 220, 340));
        CVortanSurface* s = app->GetSurface(CVortanString("grey.png"));
        bar->SetImage(s);
        app->ReleaseSurface(s);
        s = app->GetSurface(CVortanString("orange.png"));
        bar->SetProgressImage(s);
        app->ReleaseSurface(s);
        bar->SetValue(0.5f);
        root->AddChild(bar);

        tree.spinner = new CRotatingImageWidget();
        tree.spinner->Startup(app, app, R(560, 300, 660, 420));
        s = app->GetSurface(CVortanString("four.png"));
        tree.spinner->SetImage(s);
        app->ReleaseSurface(s);
        root->AddChild(tree.spinner);

        root->AddChild(uiwin::Image(app, "dark.png", R(300, 300, 520, 420)));
        tree.frame = new CFrameWidget();
        EXPECT_EQ(VORTAN_OK, tree.frame->Startup(app, app, R(310, 310, 510, 410)));
        s = app->GetSurface(CVortanString("blue.png"));
        tree.frame->SetImage(s);
        app->ReleaseSurface(s);
        s = app->GetSurface(CVortanString("border.png"));
        s->SetFrameSize(16, 16);
        tree.frame->SetBorderImage(s);
        app->ReleaseSurface(s);
        s = app->GetSurface(CVortanString("mask.png"));
        tree.frame->SetMaskImage(s);
        app->ReleaseSurface(s);
        root->AddChild(tree.frame);

        tree.plain = new CFrameWidget();
        tree.plain->Startup(app, app, R(700, 300, 780, 340));
        s = app->GetSurface(CVortanString("blue.png"));
        tree.plain->SetImage(s);
        app->ReleaseSurface(s);
        root->AddChild(tree.plain);
        // Drawn after the frames.
        root->AddChild(uiwin::Image(app, "green.png", R(680, 360, 780, 460)));
        root->AddChild(Text(app, R(420, 440, 680, 475)));
    }

    // The pie's polygon in screen pixels, from Python: the centre, then the twelve rim points.
    std::string PiePolygon()
    {
        std::string out;
        EXPECT_EQ(
            0, vtest::RunProgram({vtest::Python(), "-c",
                                  "import math\n"
                                  "cx, cy, r, angle, n = 80.0, 80.0, 60.0, 3.1415927, 12\n"
                                  "step = 6.2831855 / (n - 1)\n"
                                  "pts = [(cx, cy)]\n"
                                  "for k in range(n):\n"
                                  "    a = min(k * step, angle)\n"
                                  "    pts.append((cx - math.sin(a) * r, cy - math.cos(a) * r))\n"
                                  "print(' '.join('%.3f,%.3f' % p for p in pts), end='')\n"},
                                 &out));
        return out;
    }

    uiwin::Rgb Expected()
    {
        return Picture(
            {"-size", "800x480", "xc:black", "-fill", "#20c040", "-draw", "polygon " + PiePolygon(),
             "(", "-size", "100x256", "gradient:#ff0000-#0000ff", ")", "-geometry", "+300+20",
             "-composite", "(", "-size", "100x256", "gradient:white-black", "-rotate", "-90", ")",
             "-geometry", "+420+20", "-composite", "(", "-size", "100x40", "xc:#e08020", ")",
             "-geometry", "+20+300", "-composite", "(", "-size", "100x40", "xc:#808080", ")",
             "-geometry", "+120+300", "-composite", "(", "-size", "220x120", "xc:#404040", ")",
             "-geometry", "+300+300", "-composite",
             // The frame: the border's colour where it is opaque, the background
             // inside; where the mask is clear the premultiplied colour adds.
             "(", "-size", "200x100", "xc:#c00000", ")", "-geometry", "+310+310", "-composite", "(",
             "-size", "168x68", "xc:#0000c0", ")", "-geometry", "+326+326", "-composite", "(",
             "-size", "16x16", "xc:#ff4040", ")", "-geometry", "+310+310", "-composite", "(",
             "-size", "80x40", "xc:#0000c0", ")", "-geometry", "+700+300", "-composite", "(",
             "-size", "100x100", "xc:#30b040", ")", "-geometry", "+680+360", "-composite"});
    }

    Tree tree;
};

// Filtered sampling blends a stretched slice with its neighbour over a few pixels.
const int kMargin = 6;
const std::vector<CVortanRect> kBlocks = {
    R(160, 20, 280, 140), // the empty pie
    R(300, 20, 400, 276),  R(420, 20, 676, 120),  R(20, 300, 120, 340),  R(120, 300, 220, 340),
    R(300, 300, 520, 310), R(310, 310, 326, 326), R(326, 310, 510, 326), R(310, 326, 326, 410),
    R(326, 326, 494, 394), R(494, 326, 510, 410), R(326, 394, 494, 410), R(700, 300, 780, 340),
    R(680, 360, 780, 460)};

// The checks of the screen half a second after the start.
class DrawChecks : public DrawWindowTest {
protected:
    void CheckScreen();
};

TEST_F(DrawChecks, WidgetsMatchTheirReferences)
{
    CheckScreen();
    // The text drawn after the frames is the same as the one drawn before them (up to the
    // filtering of glyphs at another place on the screen).
    int differ = 0, lit = 0;
    for (int y = 440; y < 475; ++y)
        for (int x = 0; x < 260; ++x) {
            const u32 before = Pixel(app->frame, 20 + x, y), after = Pixel(app->frame, 420 + x, y);
            differ += !Near(before, after, 40);
            lit += before != 0;
        }
    EXPECT_GT(lit, 50);
    EXPECT_EQ(0, differ);
}

TEST_F(DrawChecks, LayoutFileDrawsTheSame)
{
    CheckScreen();
    ASSERT_NE(nullptr, tree.slider);
    EXPECT_FLOAT_EQ(5.0f, tree.slider->GetValue());
    ASSERT_NE(nullptr, tree.slider->GetKnob());
    const CVortanRect k = tree.slider->GetKnob()->GetRect();
    EXPECT_TRUE(k.left == 0 && k.top == 0 && k.right == 20 && k.bottom == 40)
        << k.left << "," << k.top << "," << k.right << "," << k.bottom;
    // The knob, 20 x 40, half way along the 200-pixel track at (20, 380).
    EXPECT_TRUE(Near(Pixel(app->frame, 120, 400), 0xFFFFFF));
    EXPECT_TRUE(Near(Pixel(app->frame, 105, 400), 0x000000));
    EXPECT_TRUE(Near(Pixel(app->frame, 135, 400), 0x000000));
}

void DrawChecks::CheckScreen()
{
    Step(0.25f);
    Step(0.25f);
    ASSERT_NEAR(-1.5707964f, tree.spinner->GetAngle(), 1e-4f);
    const uiwin::Rgb want = Expected();
    const uiwin::Rgb& got = app->frame;
    EXPECT_EQ(0, Mismatches(got, want, kBlocks, kMargin, 3));
    // The pie: the left half filled, the rim within a pixel of the reference polygon.
    EXPECT_LE(Mismatches(got, want, {R(20, 20, 140, 140)}, 0, 3), 3 * 360);
    EXPECT_TRUE(Near(Pixel(got, 50, 80), 0x20C040));
    EXPECT_TRUE(Near(Pixel(got, 110, 80), 0x000000));
    EXPECT_TRUE(Near(Pixel(got, 78, 30), 0x20C040));
    // The spinner turned a quarter clockwise: the top-left quadrant is now at the top right.
    // Drawn at the size of the smaller side (100), centred on (610, 350).
    EXPECT_TRUE(Near(Pixel(got, 635, 325), 0xE02020));
    EXPECT_TRUE(Near(Pixel(got, 635, 375), 0x20C0C0));
    EXPECT_TRUE(Near(Pixel(got, 585, 375), 0xE0E020));
    EXPECT_TRUE(Near(Pixel(got, 585, 325), 0x2030E0));
    // The cache key holds the three handles at full width.
    char key[160];
    snprintf(key, sizeof(key), "frame:%" PRIuPTR ":%" PRIuPTR ":%" PRIuPTR ":200:100",
             (uintptr_t)tree.frame->GetImage(), (uintptr_t)tree.frame->GetBorderImage(),
             (uintptr_t)tree.frame->GetMaskImage());
    EXPECT_EQ(std::string(key), VortanUTF8Of(tree.frame->MakeCacheKey()));
    // A clone shares the images and the program through the manager.
    CWidget* copy = tree.frame->Clone();
    CFrameWidget* other = static_cast<CFrameWidget*>(copy);
    copy->Update(0.0f);
    EXPECT_EQ(tree.frame->GetMaskImage(), other->GetMaskImage());
    EXPECT_EQ(tree.frame->GetBorderImage(), other->GetBorderImage());
    EXPECT_EQ(tree.frame->GetShader(), other->GetShader());
    CWidget::Destroy(copy);
    // One program shared through the manager.
    ASSERT_NE(nullptr, tree.frame->GetShader());
    EXPECT_EQ(tree.frame->GetShader(), tree.plain->GetShader());
    EXPECT_EQ(tree.frame->GetShader(), app->FindProgram(CVortanString("framewidget_shader")));
}

TEST_F(DrawChecks, SameScreenAfterALostContext)
{
    tree.spinner->SetSpeed(0.0f);
    Step(0.1f);
    const uiwin::Rgb before = app->frame;
    ASSERT_EQ(0, Mismatches(before, Expected(), kBlocks, kMargin, 3));
    ASSERT_EQ(VORTAN_OK, app->UnloadAllSurfaceTextures());
    ASSERT_EQ(VORTAN_OK, app->RestoreGraphics());
    Step(0.1f); // the reload screen
    Step(0.1f); // the textures again
    Step(0.1f);
    EXPECT_EQ(0, Mismatches(app->frame, before, {R(0, 0, 800, 480)}, 0, 1));
}

} // namespace
