// The image widget without a window: each row of the drawing table against a recording
// context, source rect and frames, the frame clock, the fade-in on exact time steps, and the
// image's references in the resource manager (shared, cloned, registered when unknown).
#include <gtest/gtest.h>
#include <inttypes.h>
#include <stdio.h>

#include "tests/ui/UiTestSupport.h"
#include "ui/widgets/ImageWidget.h"

namespace {

using uitest::Counted;
using uitest::R;
using uitest::SameRect;

class ImageWidgetTest : public uitest::ManagerTest {
protected:
    void SetUp() override
    {
        uitest::g_deletedSurfaces = 0;
        ASSERT_EQ(VORTAN_OK, widget.Startup(nullptr, &manager, R(10, 20, 110, 70)));
        image = Counted(&app, 40, 20);
        widget.SetImage(image); // unknown to the manager: registered, count 1
    }
    void TearDown() override { widget.Shutdown(); }
    // One drawing of the widget at its rect; the calls it made.
    std::vector<uitest::DrawCall> Draw(const CVortanRect& at)
    {
        gc.calls.clear();
        EXPECT_EQ(VORTAN_OK, widget.Render(&gc, at));
        return gc.calls;
    }

    CImageWidget widget;
    CVortanSurface* image = nullptr;
    uitest::RecordingGC gc;
};

TEST_F(ImageWidgetTest, DrawingTableRows)
{
    const CVortanRect at = R(10, 20, 110, 70);
    // Stretch with the plain colour.
    auto calls = Draw(at);
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ("stretch", calls[0].kind);
    EXPECT_TRUE(SameRect(calls[0].dst, 10, 20, 110, 70));
    EXPECT_TRUE(SameRect(calls[0].src, 0, 0, 40, 20));
    EXPECT_EQ((u32)VORTAN_BLIT_ALPHA, calls[0].flags);
    EXPECT_EQ(image, calls[0].source);
    // Drawn wholly within the clip in force: the clip stays as it is.
    EXPECT_TRUE(SameRect(calls[0].clip, 0, 0, 800, 480));
    EXPECT_FALSE(calls[0].clipOff);

    // A colour with alpha: tinted with the colour; alpha 0: nothing.
    widget.SetColor(0x80FF0000);
    calls = Draw(at);
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ("tinted", calls[0].kind);
    EXPECT_EQ(0x80FF0000u, calls[0].color);
    EXPECT_EQ((u32)VORTAN_BLIT_ALPHA, calls[0].flags);
    widget.SetColor(0x00FFFFFF);
    EXPECT_TRUE(Draw(at).empty());
    widget.SetColor(0xFFFFFFFF);

    // No mode bits: unscaled at the rect's corner.
    widget.SetImageFlags(0);
    calls = Draw(at);
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ("blit", calls[0].kind);
    EXPECT_EQ(10, calls[0].dst.left);
    EXPECT_EQ(20, calls[0].dst.top);
    EXPECT_EQ((u32)VORTAN_BLIT_ALPHA, calls[0].flags);
    // An unscaled image larger than the rect is clipped to it, and the clip put back.
    calls = Draw(R(10, 20, 30, 30));
    ASSERT_EQ(1u, calls.size());
    EXPECT_TRUE(SameRect(calls[0].clip, 10, 20, 30, 30));
    EXPECT_TRUE(SameRect(gc.GetClipRect(), 0, 0, 800, 480));

    // Without stretch any other bit draws nothing.
    widget.SetImageFlags(IMAGE_KEEP_ASPECT);
    EXPECT_TRUE(Draw(at).empty());
    widget.SetImageFlags(IMAGE_UNCLIPPED);
    EXPECT_TRUE(Draw(at).empty());

    // Keep aspect: a 2:1 image in a 100 x 50 rect fills it; in a 100 x 100 rect it is
    // centred vertically (25 above and below).
    widget.SetImageFlags(IMAGE_STRETCH | IMAGE_KEEP_ASPECT);
    calls = Draw(R(0, 0, 100, 100));
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ("stretch", calls[0].kind);
    EXPECT_TRUE(SameRect(calls[0].dst, 0, 25, 100, 75));

    // Fading without keep aspect: tinted with the colour, alpha-only mix.
    widget.SetImageFlags(IMAGE_STRETCH | IMAGE_FADING);
    widget.SetColor(0x40FFFFFF);
    calls = Draw(at);
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ("tinted", calls[0].kind);
    EXPECT_EQ(0x40FFFFFFu, calls[0].color);
    EXPECT_EQ((u32)(VORTAN_BLIT_ALPHA | VORTAN_BLIT_ALPHAONLY), calls[0].flags);
    // Fading with keep aspect: the keep-aspect row wins.
    widget.SetImageFlags(IMAGE_STRETCH | IMAGE_FADING | IMAGE_KEEP_ASPECT);
    calls = Draw(at);
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ("stretch", calls[0].kind);
    widget.SetColor(0xFFFFFFFF);

    // The drawing call's answer is the widget's (reported, and the walk stops).
    widget.SetImageFlags(IMAGE_STRETCH);
    gc.result = VORTAN_E_ARGUMENT;
    testing::internal::CaptureStderr();
    EXPECT_EQ(VORTAN_E_ARGUMENT, widget.Render(&gc, at));
    EXPECT_EQ("ERROR: 2\n", testing::internal::GetCapturedStderr());
}

TEST_F(ImageWidgetTest, WholeOnlyAndUnclipped)
{
    widget.SetImageFlags(IMAGE_STRETCH | IMAGE_WHOLE_ONLY);
    EXPECT_EQ(1u, Draw(R(0, 0, 800, 480)).size()); // exactly the target: drawn
    EXPECT_TRUE(Draw(R(-1, 0, 99, 50)).empty());   // partly off the left edge
    EXPECT_TRUE(Draw(R(0, -5, 100, 45)).empty());
    EXPECT_TRUE(Draw(R(750, 0, 801, 50)).empty());
    EXPECT_TRUE(Draw(R(0, 440, 100, 481)).empty());

    // Unclipped: clipping is off while drawing, and the saved clip comes back.
    CVortanRect narrow = R(30, 30, 60, 60);
    gc.SetClipRect(&narrow);
    widget.SetImageFlags(IMAGE_STRETCH | IMAGE_UNCLIPPED);
    auto calls = Draw(R(10, 20, 110, 70));
    ASSERT_EQ(1u, calls.size());
    EXPECT_TRUE(calls[0].clipOff);
    EXPECT_TRUE(SameRect(gc.GetClipRect(), 30, 30, 60, 60));
    // Clipped: the intersection of the saved clip with the rect.
    widget.SetImageFlags(IMAGE_STRETCH);
    calls = Draw(R(10, 20, 50, 70));
    ASSERT_EQ(1u, calls.size());
    EXPECT_FALSE(calls[0].clipOff);
    EXPECT_TRUE(SameRect(calls[0].clip, 30, 30, 50, 60));
}

TEST_F(ImageWidgetTest, SourceRectFramesAndTheFrameClock)
{
    // A 2 x 2 sheet of 20 x 10 frames.
    image->SetFrameSize(20, 10);
    EXPECT_EQ(4, widget.GetFrameCount());
    widget.SetFrameDuration(0.1f);
    std::vector<int> frames;
    std::vector<CVortanRect> sources;
    for (int i = 0; i < 5; ++i) {
        frames.push_back(widget.GetFrame());
        auto calls = Draw(widget.GetRect());
        ASSERT_EQ(1u, calls.size());
        sources.push_back(calls[0].src);
        widget.Update(0.1f);
    }
    EXPECT_EQ((std::vector<int>{0, 1, 2, 3, 0}), frames);
    EXPECT_TRUE(SameRect(sources[1], 20, 0, 40, 10));
    EXPECT_TRUE(SameRect(sources[2], 0, 10, 20, 20));
    EXPECT_TRUE(SameRect(sources[3], 20, 10, 40, 20));

    // A source rect replaces the frame.
    widget.SetSourceRect(R(5, 6, 15, 16));
    auto calls = Draw(widget.GetRect());
    ASSERT_EQ(1u, calls.size());
    EXPECT_TRUE(SameRect(calls[0].src, 5, 6, 15, 16));
    widget.ClearSourceRect();

    // Stopped: the frame stays.
    widget.SetFrame(2);
    widget.SetImageFlags(IMAGE_STRETCH | IMAGE_ANIMATION_STOPPED);
    widget.Update(0.1f);
    EXPECT_EQ(2, widget.GetFrame());
    widget.SetImageFlags(IMAGE_STRETCH);

    // A long frame resets the clock instead of skipping cycles.
    widget.SetFrame(1);
    widget.Update(10.0f);
    EXPECT_EQ(0.0f, widget.GetAnimationClock());
    EXPECT_EQ(0, widget.GetFrame());

    // SetFrame takes the index modulo the count and answers the whole cycles.
    EXPECT_EQ(2, widget.SetFrame(9));
    EXPECT_EQ(1, widget.GetFrame());

    // No animation without a duration.
    widget.SetFrameDuration(0.0f);
    EXPECT_EQ(0, widget.GetFrame());
}

TEST_F(ImageWidgetTest, FrameCountBelowOneCountsAsOne)
{
    // A grid larger than the image gives no whole frame.
    image->SetFrameSize(80, 80);
    EXPECT_EQ(0, image->GetFrameColumns());
    EXPECT_EQ(1, widget.GetFrameCount());
    widget.SetFrameDuration(0.1f);
    EXPECT_EQ(3, widget.SetFrame(3)); // 3 whole cycles of one frame
    widget.Update(0.25f);
    EXPECT_EQ(0, widget.GetFrame());
    // A released surface: no frames at all.
    image->Release();
    EXPECT_EQ(1, widget.GetFrameCount());
    widget.Update(0.25f);
    EXPECT_EQ(0, widget.GetFrame());
    EXPECT_TRUE(Draw(widget.GetRect()).empty()); // width 0: nothing drawn
}

TEST_F(ImageWidgetTest, FadeInOverOneSecond)
{
    CImageWidget* child = new CImageWidget();
    ASSERT_EQ(VORTAN_OK, child->Startup(nullptr, &manager, R(0, 0, 10, 10)));
    CImageWidget* hidden = new CImageWidget();
    ASSERT_EQ(VORTAN_OK, hidden->Startup(nullptr, &manager, R(0, 0, 10, 10)));
    hidden->SetVisible(false);
    widget.AddChild(child);
    widget.AddChild(hidden);

    widget.StartFadeIn();
    EXPECT_TRUE(widget.GetImageFlags() & IMAGE_FADING);
    EXPECT_TRUE(child->GetImageFlags() & IMAGE_FADING);
    EXPECT_FALSE(hidden->GetImageFlags() & IMAGE_FADING);

    // alpha = floor(0.5 + (1 - time left) x 255), by hand: 0.25 s -> 64, 0.5 s -> 128,
    // 0.75 s -> 191; at 1.0 s the fade is over and the colour is white again.
    const u32 expected[] = {64, 128, 191};
    for (u32 alpha : expected) {
        widget.Update(0.25f);
        EXPECT_EQ((alpha << 24) | 0xFFFFFFu, widget.GetColor());
        EXPECT_EQ(widget.GetColor(), child->GetColor());
    }
    auto calls = Draw(widget.GetRect());
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ("tinted", calls[0].kind);
    EXPECT_EQ(0xBFFFFFFFu, calls[0].color);
    widget.Update(0.25f);
    EXPECT_EQ(0xFFFFFFFFu, widget.GetColor());
    EXPECT_FALSE(widget.GetImageFlags() & IMAGE_FADING);

    // Hiding ends a running fade at full opacity.
    widget.StartFadeIn();
    widget.Update(0.5f);
    EXPECT_EQ(0x80FFFFFFu, child->GetColor());
    widget.SetVisible(false);
    EXPECT_EQ(0xFFFFFFFFu, widget.GetColor());
    EXPECT_EQ(0xFFFFFFFFu, child->GetColor());
    EXPECT_FALSE(child->GetImageFlags() & IMAGE_FADING);
    EXPECT_EQ(0.0f, widget.GetFadeTimeLeft());
    // A hidden widget does not start one.
    widget.StartFadeIn();
    EXPECT_FALSE(widget.GetImageFlags() & IMAGE_FADING);
}

TEST_F(ImageWidgetTest, SharedImagesFollowTheManagersCounts)
{
    // The widget registered the unknown image: the manager finds it under its address name.
    char name[48];
    snprintf(name, sizeof(name), "image@0x%016" PRIxPTR, (uintptr_t)image);
    CVortanSurface* found = manager.FindSurface(CVortanString(name));
    ASSERT_EQ(image, found);
    manager.ReleaseSurface(found);

    // Two widgets and a clone share it; each shutdown drops one reference; the last one
    // deletes the surface, once.
    CImageWidget* other = new CImageWidget();
    ASSERT_EQ(VORTAN_OK, other->Startup(nullptr, &manager, R(0, 0, 10, 10)));
    other->SetImage(image);
    CWidget* clone = widget.Clone();
    ASSERT_NE(nullptr, clone);
    EXPECT_EQ(image, static_cast<CImageWidget*>(clone)->GetImage());
    clone->Shutdown();
    delete clone;
    other->Shutdown();
    delete other;
    EXPECT_EQ(0, uitest::g_deletedSurfaces);
    widget.SetImage(nullptr);
    EXPECT_EQ(1, uitest::g_deletedSurfaces);
    EXPECT_EQ(nullptr, manager.FindSurface(CVortanString(name)));

    // An image from the manager: a widget holds its own reference besides the caller's.
    CVortanSurface* made = Counted(&app, 8, 8);
    ASSERT_EQ(1, manager.AddSurface(CVortanString("pic"), made));   // the maker's reference
    CVortanSurface* got = manager.GetSurface(CVortanString("pic")); // 2
    widget.SetImage(got);                                           // 3
    manager.ReleaseSurface(got);
    manager.ReleaseSurface(made);
    EXPECT_EQ(1, uitest::g_deletedSurfaces);
    widget.SetImage(nullptr);
    EXPECT_EQ(2, uitest::g_deletedSurfaces);
}

TEST_F(ImageWidgetTest, PackImagesGoBackToTheManagerWhenEveryTreeIsShutDown)
{
    vtest::TempDir dir;
    rtest::WritePack(dir.File("p.dmp"), {{"/p.png", rtest::MakePng(8, 8, "#ff0000")}});
    ASSERT_EQ(1, manager.OpenPack(rtest::S(dir.File("p.dmp")), 1));
    CVortanSurface* loaded = manager.GetSurface(CVortanString("p.png"));
    ASSERT_NE(nullptr, loaded);
    CWidget* tree = new CWidget();
    tree->Startup(nullptr, &manager, R(0, 0, 100, 100));
    for (int i = 0; i < 2; ++i) {
        CImageWidget* leaf = new CImageWidget();
        leaf->Startup(nullptr, &manager, R(0, 0, 10, 10));
        leaf->SetImage(loaded);
        tree->AddChild(leaf);
    }
    manager.ReleaseSurface(loaded); // the widgets hold theirs
    CWidget* copy = tree->Clone();
    ASSERT_NE(nullptr, copy);
    tree->Shutdown();
    delete tree;
    CVortanSurface* still = manager.FindSurface(CVortanString("p.png"));
    EXPECT_NE(nullptr, still); // the copy keeps it loaded
    manager.ReleaseSurface(still);
    copy->Shutdown();
    delete copy;
    // No reference is left: the image is unloaded (and loads afresh on request).
    EXPECT_EQ(nullptr, manager.FindSurface(CVortanString("p.png")));
}

TEST(ImageWidgetAlone, WithoutAManagerTheWidgetDeletesItsImage)
{
    rtest::ScreenApp app(800, 480);
    uitest::g_deletedSurfaces = 0;
    CImageWidget widget;
    CVortanRect rect;
    rect.Set(0, 0, 10, 10);
    ASSERT_EQ(VORTAN_OK, widget.Startup(nullptr, nullptr, rect));
    EXPECT_TRUE(widget.IsPassThrough());
    widget.SetImage(Counted(&app, 4, 4));
    widget.SetImage(Counted(&app, 4, 4));
    EXPECT_EQ(1, uitest::g_deletedSurfaces);
    widget.Shutdown();
    EXPECT_EQ(2, uitest::g_deletedSurfaces);
}

} // namespace
