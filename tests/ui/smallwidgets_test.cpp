// The small widgets without a window: pie vertices and limits, the slider's track mapping,
// commit, cancel and clones, gradients and their fade, progress bar parts and images shared
// through the manager, and the rotating image's angle and drawing.
#include <gtest/gtest.h>
#include <math.h>

#include "tests/ui/UiTestSupport.h"
#include "tests/ui/WidgetTestSupport.h"
#include "ui/layouts/SlideArea.h"
#include "ui/widgets/FrameWidget.h"
#include "ui/widgets/GradientWidget.h"
#include "ui/widgets/PieWidget.h"
#include "ui/widgets/ProgressBar.h"
#include "ui/widgets/RotatingImageWidget.h"
#include "ui/widgets/Slider.h"

namespace {

using uitest::R;
using uitest::S;
using uitest::SameRect;

// The recording context, also keeping gradient fills and rotated blits.
class RecordingGC2 : public uitest::RecordingGC {
public:
    struct Fill {
        u32 c[4];
        CVortanRect rect;
        CVortanRect clip;
    };
    struct Rotated {
        int x, y, size;
        float angle;
        u32 flags;
        bool clipOff;
    };
    int FillGradient(u32 c0, u32 c1, u32 c2, u32 c3, const CVortanRect* rect) override
    {
        fills.push_back(Fill{{c0, c1, c2, c3}, *rect, GetClipRect()});
        return VORTAN_OK;
    }
    int BlitRotated(int x, int y, IVortanGraphicsContext*, float angle, int size,
                    u32 flags) override
    {
        rotated.push_back(Rotated{x, y, size, angle, flags, clipOff});
        return VORTAN_OK;
    }
    void SetClipRect(const CVortanRect* rect) override
    {
        clipOff = rect == nullptr;
        uitest::RecordingGC::SetClipRect(rect);
    }
    std::vector<Fill> fills;
    std::vector<Rotated> rotated;
    bool clipOff = false;
};

TEST(PieWidget, LimitsAndVertices)
{
    CPieWidget pie;
    ASSERT_EQ(VORTAN_OK, pie.Startup(nullptr, nullptr, R(0, 0, 100, 100)));
    pie.SetSegments(2);
    EXPECT_EQ(6, pie.GetSegments());
    pie.SetSegments(1000);
    EXPECT_EQ(256, pie.GetSegments());
    pie.SetAngle(-1.0f);
    EXPECT_EQ(0.0f, pie.GetAngle());
    pie.SetAngle(7.0f);
    EXPECT_EQ(6.2831855f, pie.GetAngle());

    // A 200 x 100 target, the rect its left half: clip x -1..0, y -1..1.
    pie.SetSegments(9);
    pie.SetPieColor(0x80FF4000);
    pie.SetAngle(0.0f);
    ASSERT_TRUE(pie.BuildVertices(200.0f, 100.0f, R(0, 0, 100, 100)));
    const float* v = pie.GetVertices();
    EXPECT_FLOAT_EQ(-0.5f, v[0]);
    EXPECT_FLOAT_EQ(0.0f, v[1]);
    for (int k = 1; k <= 9; ++k) { // every rim point at the top centre
        EXPECT_NEAR(-0.5f, v[k * 7 + 0], 1e-6f);
        EXPECT_NEAR(1.0f, v[k * 7 + 1], 1e-6f);
    }
    EXPECT_FLOAT_EQ(1.0f, v[3]);
    EXPECT_FLOAT_EQ(64.0f / 255.0f, v[4]);
    EXPECT_FLOAT_EQ(0.0f, v[5]);
    EXPECT_FLOAT_EQ(128.0f / 255.0f, v[6]);

    // Half a turn: the rim runs down the left side; step 2 pi / 8: point 3 at a quarter turn.
    pie.SetAngle(3.1415927f);
    ASSERT_TRUE(pie.BuildVertices(200.0f, 100.0f, R(0, 0, 100, 100)));
    EXPECT_NEAR(-1.0f, v[3 * 7 + 0], 1e-5f);
    EXPECT_NEAR(0.0f, v[3 * 7 + 1], 1e-5f);
    for (int k = 5; k <= 9; ++k) { // at or beyond half a turn: the bottom centre
        EXPECT_NEAR(-0.5f, v[k * 7 + 0], 1e-5f);
        EXPECT_NEAR(-1.0f, v[k * 7 + 1], 1e-5f);
    }
    // No GL context: nothing drawn, success.
    uitest::RecordingGC gc;
    EXPECT_EQ(VORTAN_OK, pie.Render(&gc, pie.GetRect()));
    pie.Shutdown();
}

int g_changes = 0;
int CountChange(CWidget*, void*, intptr_t, intptr_t)
{
    ++g_changes;
    return 1;
}

class SliderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_changes = 0;
        slider = new CSlider();
        ASSERT_EQ(VORTAN_OK, slider->Startup(nullptr, nullptr, R(0, 0, 200, 40)));
        slider->SetOnValueChanged(CUIDelegate(CountChange, nullptr));
        uitest::Make(nullptr, slider, "knob_template", R(0, 0, 20, 40));
        slider->Update(0.0f);
    }
    void TearDown() override { uitest::Drop(slider); }
    CSlider* slider = nullptr;
};

TEST_F(SliderTest, TrackMappingAndCommitOnRelease)
{
    ASSERT_NE(nullptr, slider->GetKnob());
    EXPECT_EQ(0, slider->GetChildCount());
    CWidget::SetCapture(slider);
    slider->OnPointerDown(1, 50, 10);
    EXPECT_NEAR(40.0f / 180.0f, slider->GetPosition(), 1e-6f);
    EXPECT_FLOAT_EQ(0.5f, slider->GetCommittedPosition());
    slider->OnPointerMove(1, 300, 10);
    EXPECT_EQ(1.0f, slider->GetPosition());
    EXPECT_EQ(0, g_changes);
    slider->OnPointerUp(1, 110, 10);
    CWidget::SetCapture(nullptr);
    EXPECT_NEAR(0.5556f, slider->GetValue(), 1e-4f);
    EXPECT_NEAR(0.5556f, slider->GetCommittedPosition(), 1e-4f);
    EXPECT_EQ(1, g_changes);

    // The same value again fires nothing.
    slider->SetValue(slider->GetValue());
    EXPECT_EQ(1, g_changes);
}

TEST_F(SliderTest, CancelAndReleaseWithoutCaptureGoBack)
{
    slider->SetValue(0.25f);
    g_changes = 0;
    CWidget::SetCapture(slider);
    slider->OnPointerDown(1, 150, 10);
    slider->OnPointerCancel();
    CWidget::SetCapture(nullptr);
    EXPECT_FLOAT_EQ(0.25f, slider->GetValue());
    EXPECT_FLOAT_EQ(0.25f, slider->GetCommittedPosition());

    slider->OnPointerDown(1, 150, 10);
    slider->OnPointerUp(1, 150, 10); // no capture: nothing committed, the knob goes back
    EXPECT_FLOAT_EQ(0.25f, slider->GetValue());
    EXPECT_EQ(0, g_changes);
}

TEST_F(SliderTest, RangeChangesAndClone)
{
    slider->SetMaximum(0.5f); // lowered: nothing until the next SetValue
    EXPECT_EQ(0, g_changes);
    slider->SetMaximum(10.0f); // raised: moves to the new maximum
    EXPECT_EQ(1, g_changes);
    EXPECT_FLOAT_EQ(10.0f, slider->GetValue());
    slider->SetMinimum(2.0f);
    slider->SetValue(6.0f);
    CWidget* copy = slider->Clone();
    CSlider* other = static_cast<CSlider*>(copy);
    ASSERT_TRUE(copy->IsKindOf(CSlider::StaticTypeInfo()));
    EXPECT_FLOAT_EQ(6.0f, other->GetValue());
    EXPECT_FLOAT_EQ(2.0f, other->GetMinimum());
    EXPECT_NE(nullptr, other->GetKnob());
    EXPECT_NE(slider->GetKnob(), other->GetKnob());
    g_changes = 0;
    other->SetValue(3.0f);
    EXPECT_EQ(1, g_changes); // the delegate came along
    uitest::Drop(copy);
}

TEST_F(SliderTest, InsideASlideAreaTheCaptureIsLent)
{
    CWidget* root = new CWidget();
    root->Startup(nullptr, nullptr, R(0, 0, 800, 480));
    CSlideArea* area = new CSlideArea();
    area->Startup(nullptr, nullptr, R(100, 100, 400, 300));
    area->SetScrollEnabled(true);
    area->SetScrollThreshold(CVortanVector2(0.0f, 20.0f));
    root->AddChild(area);
    slider->SetRect(R(0, 0, 200, 40));
    area->AddChild(slider);
    slider->SetValue(0.0f);
    g_changes = 0;
    root->DispatchPointerDown(1, 150, 110);
    root->DispatchPointerMove(1, 200, 112); // along the track, inside the threshold
    EXPECT_NEAR(90.0f / 180.0f, slider->GetPosition(), 1e-6f);
    root->DispatchPointerUp(1, 210, 112);
    EXPECT_NEAR(100.0f / 180.0f, slider->GetValue(), 1e-6f);
    EXPECT_EQ(1, g_changes);
    area->RemoveChild(slider);
    uitest::Drop(root);
}

TEST(Slider, KnobDrawnAlongTheTrack)
{
    std::vector<std::string> log;
    CSlider* slider = new CSlider();
    slider->Startup(nullptr, nullptr, R(10, 20, 210, 60));
    uitest::Make(&log, slider, "knob", R(0, 0, 20, 40))->SetName(S("knob_template"));
    slider->Update(0.0f);
    slider->GetKnob()->SetName(S("knob"));
    slider->SetValue(0.5f);
    log.clear();
    uitest::RecordingGC gc;
    EXPECT_EQ(VORTAN_OK, slider->Render(&gc, slider->GetRect()));
    // 0.5 x (200 - 20) = 90 along the track, then the slider's own place.
    EXPECT_EQ((std::vector<std::string>{"knob:render(100,20,120,60)"}), log);
    uitest::Drop(slider);
}

class GradientTest : public uitest::ManagerTest {};

TEST_F(GradientTest, ColoursDirectionsAndFade)
{
    CGradientWidget g;
    ASSERT_EQ(VORTAN_OK, g.Startup(nullptr, &manager, R(0, -50, 100, 50)));
    EXPECT_TRUE(g.IsPassThrough());
    g.SetColor1(0x00FF0000);
    EXPECT_EQ(0xFFFF0000u, g.GetColor1());
    g.SetColor2(0x120000FF);
    RecordingGC2 gc;
    ASSERT_EQ(VORTAN_OK, g.Render(&gc, g.GetRect()));
    ASSERT_EQ(1u, gc.fills.size());
    const auto& f = gc.fills[0];
    EXPECT_EQ(0xFFFF0000u, f.c[0]);
    EXPECT_EQ(0xFFFF0000u, f.c[1]);
    EXPECT_EQ(0xFF0000FFu, f.c[2]);
    EXPECT_EQ(0xFF0000FFu, f.c[3]);
    // Half outside the screen: clipped to the visible part.
    EXPECT_TRUE(SameRect(f.clip, 0, 0, 100, 50));
    EXPECT_TRUE(SameRect(gc.GetClipRect(), 0, 0, 800, 480));

    g.SetImageFlags(GRADIENT_HORIZONTAL);
    gc.fills.clear();
    g.Render(&gc, g.GetRect());
    ASSERT_EQ(1u, gc.fills.size());
    EXPECT_EQ(0xFFFF0000u, gc.fills[0].c[0]);
    EXPECT_EQ(0xFF0000FFu, gc.fills[0].c[1]);
    EXPECT_EQ(0xFFFF0000u, gc.fills[0].c[3]);

    // Fading: alpha 0 gives the widget colour, alpha 255 the own colours.
    g.SetImageFlags(GRADIENT_HORIZONTAL | IMAGE_FADING);
    g.SetColor(0x0040C080);
    gc.fills.clear();
    g.Render(&gc, g.GetRect());
    EXPECT_EQ(0xFF40C080u, gc.fills[0].c[0]);
    EXPECT_EQ(0xFF40C080u, gc.fills[0].c[1]);
    g.SetColor(0xFF40C080);
    gc.fills.clear();
    g.Render(&gc, g.GetRect());
    EXPECT_EQ(0xFFFF0000u, gc.fills[0].c[0]);

    // Radial without an image, and an unknown direction: nothing.
    g.SetImageFlags(GRADIENT_RADIAL);
    gc.fills.clear();
    gc.calls.clear();
    g.Render(&gc, g.GetRect());
    g.SetImageFlags(0x30000000);
    g.Render(&gc, g.GetRect());
    EXPECT_TRUE(gc.fills.empty());
    EXPECT_TRUE(gc.calls.empty());
    g.Shutdown();
}

using uitest::Counted;

class ProgressTest : public uitest::ManagerTest {
protected:
    void SetUp() override
    {
        uitest::g_deletedSurfaces = 0;
        ASSERT_EQ(VORTAN_OK, bar.Startup(nullptr, &manager, R(0, 0, 200, 20)));
    }
    CProgressBar bar;
};

TEST_F(ProgressTest, SidesLimitsAndImages)
{
    bar.SetSide(7);
    EXPECT_EQ(3, bar.GetSide());
    bar.SetSide(-2);
    EXPECT_EQ(0, bar.GetSide());
    bar.SetLowLimit(-1.0f);
    EXPECT_EQ(0.0f, bar.GetLowLimit());
    bar.SetLowLimit(3.0f);
    EXPECT_EQ(1.0f, bar.GetLowLimit());
    bar.SetValue(1.5f);
    EXPECT_EQ(1.0f, bar.GetValue());

    CVortanSurface* progress = Counted(&app, 100, 10);
    CVortanSurface* low = Counted(&app, 100, 10);
    bar.SetProgressImage(progress);
    bar.SetProgressLowImage(low);
    bar.SetSide(2);
    bar.SetLowLimit(0.0f);
    bar.SetValue(0.5f);
    uitest::RecordingGC gc;
    ASSERT_EQ(VORTAN_OK, bar.Render(&gc, bar.GetRect()));
    ASSERT_EQ(1u, gc.calls.size());
    EXPECT_EQ(progress, gc.calls[0].source);
    EXPECT_TRUE(SameRect(gc.calls[0].dst, 100, 0, 200, 20));
    EXPECT_TRUE(SameRect(gc.calls[0].src, 50, 0, 100, 10));
    EXPECT_EQ((u32)VORTAN_BLIT_ALPHA, gc.calls[0].flags);

    bar.SetLowLimit(0.25f);
    bar.SetValue(0.2f);
    bar.SetSide(3);
    gc.calls.clear();
    bar.Render(&gc, bar.GetRect());
    ASSERT_EQ(1u, gc.calls.size());
    EXPECT_EQ(low, gc.calls[0].source);
    EXPECT_TRUE(SameRect(gc.calls[0].dst, 0, 16, 200, 20));
    EXPECT_TRUE(SameRect(gc.calls[0].src, 0, 8, 100, 10));
    bar.SetValue(0.3f);
    gc.calls.clear();
    bar.Render(&gc, bar.GetRect());
    EXPECT_EQ(progress, gc.calls[0].source);
    bar.SetValue(0.0f);
    gc.calls.clear();
    bar.Render(&gc, bar.GetRect());
    EXPECT_TRUE(gc.calls.empty());

    // A clone shares both images; replacing one gives the old one back without a leak.
    CWidget* copy = bar.Clone();
    CProgressBar* other = static_cast<CProgressBar*>(copy);
    EXPECT_EQ(progress, other->GetProgressImage());
    EXPECT_EQ(low, other->GetProgressLowImage());
    EXPECT_EQ(0.25f, other->GetLowLimit());
    bar.SetProgressImage(nullptr);
    EXPECT_EQ(0, uitest::g_deletedSurfaces); // the clone still holds it
    uitest::Drop(copy);
    EXPECT_EQ(1, uitest::g_deletedSurfaces);
    bar.Shutdown();
    EXPECT_EQ(2, uitest::g_deletedSurfaces);
}

TEST_F(ProgressTest, WithoutManagerTheBarOwnsItsImages)
{
    CProgressBar own;
    own.Startup(nullptr, nullptr, R(0, 0, 10, 10));
    own.SetProgressImage(Counted(&app, 4, 4));
    own.SetProgressImage(Counted(&app, 4, 4));
    EXPECT_EQ(1, uitest::g_deletedSurfaces);
    own.Shutdown();
    EXPECT_EQ(2, uitest::g_deletedSurfaces);
    bar.Shutdown();
}

class RotatingTest : public uitest::ManagerTest {};

TEST_F(RotatingTest, AngleStepsAndDrawing)
{
    CRotatingImageWidget spinner;
    EXPECT_TRUE(spinner.GetImageFlags() & IMAGE_UNCLIPPED);
    ASSERT_EQ(VORTAN_OK, spinner.Startup(nullptr, &manager, R(10, 20, 110, 80)));
    spinner.Update(0.1f);
    EXPECT_NEAR(-0.314159f, spinner.GetAngle(), 1e-5f);
    for (int i = 0; i < 1000; ++i) {
        spinner.Update(0.1f);
        ASSERT_GE(spinner.GetAngle(), -6.2831855f);
    }
    spinner.SetSteps(8);
    spinner.SetAngle(-1.0f);
    EXPECT_NEAR(-0.785398f, spinner.GetDrawnAngle(), 1e-5f);
    spinner.SetAngle(-0.7f);
    EXPECT_EQ(0.0f, spinner.GetDrawnAngle());

    RecordingGC2 gc;
    ASSERT_EQ(VORTAN_OK, spinner.Render(&gc, spinner.GetRect()));
    EXPECT_TRUE(gc.rotated.empty()); // no image yet
    spinner.SetImage(uitest::MakeSurface(&app, 32, 32));
    spinner.SetAngle(-1.0f);
    ASSERT_EQ(VORTAN_OK, spinner.Render(&gc, spinner.GetRect()));
    ASSERT_EQ(1u, gc.rotated.size());
    EXPECT_EQ(10, gc.rotated[0].x);
    EXPECT_EQ(20, gc.rotated[0].y);
    EXPECT_EQ(60, gc.rotated[0].size);
    EXPECT_NEAR(-0.785398f, gc.rotated[0].angle, 1e-5f);
    EXPECT_EQ((u32)VORTAN_BLIT_ALPHA, gc.rotated[0].flags);
    EXPECT_TRUE(gc.rotated[0].clipOff);

    CWidget* copy = spinner.Clone();
    CRotatingImageWidget* other = static_cast<CRotatingImageWidget*>(copy);
    EXPECT_EQ(0.0f, other->GetStepAngle());
    EXPECT_FLOAT_EQ(-1.0f, other->GetAngle());
    uitest::Drop(copy);
    spinner.Shutdown();
}

class FrameSlicesTest : public uitest::ManagerTest {};

TEST_F(FrameSlicesTest, NineSliceGeometry)
{
    CVortanSurface* background = uitest::MakeSurface(&app, 40, 20);
    CVortanSurface* border = uitest::MakeSurface(&app, 48, 48);
    border->SetFrameSize(16, 16);
    CVortanRect inner, insets;
    // 200 x 100: corners of 16; insets 16 / 200 x 40 = 3.2 -> 3 and 16 / 100 x 20 = 3.2 -> 3.
    CFrameWidget::ComputeSlices(R(10, 20, 210, 120), background, border, inner, insets);
    EXPECT_TRUE(SameRect(inner, 26, 36, 194, 104));
    EXPECT_TRUE(SameRect(insets, 3, 3, 37, 17));
    // Narrower than two corners: the inner rect turns over, as computed.
    CFrameWidget::ComputeSlices(R(0, 0, 20, 100), background, border, inner, insets);
    EXPECT_TRUE(SameRect(inner, 16, 16, 4, 84));
    EXPECT_EQ(32, insets.left); // 16 / 20 x 40
    // No width or height: no division, no insets.
    CFrameWidget::ComputeSlices(R(5, 5, 5, 5), background, border, inner, insets);
    EXPECT_TRUE(SameRect(insets, 0, 0, 40, 20));
    background->Release();
    delete background;
    border->Release();
    delete border;

    // Without an application the frame does not start; its key holds each handle in full.
    CFrameWidget frame;
    EXPECT_EQ(0, frame.Startup(nullptr, &manager, R(0, 0, 200, 100)));
    frame.SetRect(R(0, 0, 200, 100));
    EXPECT_EQ("frame:0:0:0:200:100", VortanUTF8Of(frame.MakeCacheKey()));
}

} // namespace
