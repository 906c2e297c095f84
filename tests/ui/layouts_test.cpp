// The layout base and the four simple layouts: placements worked out by hand, the aspect fit,
// sizes beyond the int range, and the dirty flag consumed by one layout pass per frame.
#include <gtest/gtest.h>
#include <math.h>

#include <limits>

#include "tests/ui/WidgetTestSupport.h"
#include "ui/layouts/Alignment.h"
#include "ui/layouts/AspectLayout.h"
#include "ui/layouts/Divider.h"
#include "ui/layouts/LayoutMath.h"
#include "ui/layouts/RatioDivider.h"

namespace {

using uitest::R;
using uitest::SameRect;

CWidget* Child(int w, int h)
{
    CWidget* child = new CWidget();
    child->Startup(nullptr, nullptr, R(0, 0, w, h));
    return child;
}

// An alignment that counts its layout passes.
class CountingAlignment : public CAlignment {
public:
    void DoLayout() override
    {
        ++passes;
        CAlignment::DoLayout();
    }
    int passes = 0;
};

template <class T>
struct Started : T {
    explicit Started(const CVortanRect& rect) { T::Startup(nullptr, nullptr, rect); }
    ~Started() { T::Shutdown(); }
};

TEST(FitRectToAspect, ExamplesAndRefusals)
{
    CVortanRect r = R(0, 0, 300, 100);
    ASSERT_TRUE(FitRectToAspect(r, 1.0f, 0.5f));
    EXPECT_TRUE(SameRect(r, 100, 0, 200, 100));
    r = R(0, 0, 300, 100);
    ASSERT_TRUE(FitRectToAspect(r, 1.0f, 0.0f));
    EXPECT_TRUE(SameRect(r, 0, 0, 100, 100));
    r = R(0, 0, 300, 100);
    ASSERT_TRUE(FitRectToAspect(r, 1.0f, 1.0f));
    EXPECT_TRUE(SameRect(r, 200, 0, 300, 100));
    // Too tall: the height shrinks; 100 / 3 rounds to 33, leftover 67 split 34 / 33.
    r = R(10, 10, 110, 110);
    ASSERT_TRUE(FitRectToAspect(r, 3.0f, 0.5f));
    EXPECT_TRUE(SameRect(r, 10, 44, 110, 77));

    const float bad[] = {0.0f, -1.0f, std::numeric_limits<float>::infinity(),
                         std::numeric_limits<float>::quiet_NaN()};
    for (float aspect : bad) {
        r = R(0, 0, 300, 100);
        EXPECT_FALSE(FitRectToAspect(r, aspect, 0.5f)) << aspect;
        EXPECT_TRUE(SameRect(r, 0, 0, 300, 100));
    }
    r = R(5, 5, 5, 100);
    EXPECT_FALSE(FitRectToAspect(r, 1.0f, 0.5f));
    // An extreme aspect leaves a line.
    r = R(0, 0, 100, 100);
    ASSERT_TRUE(FitRectToAspect(r, 1e30f, 0.5f));
    EXPECT_TRUE(SameRect(r, 0, 50, 100, 50));
}

TEST(Alignment, CodesAndMargins)
{
    Started<CAlignment> layout(R(50, 50, 250, 150)); // client rect 200 x 100
    EXPECT_TRUE(layout.IsPassThrough());
    CWidget* child = Child(40, 20);
    layout.SetMargin(ALIGN_MARGIN_LEFT, 3);
    layout.SetMargin(ALIGN_MARGIN_TOP, 4);
    layout.SetMargin(ALIGN_MARGIN_RIGHT, 5);
    layout.SetMargin(ALIGN_MARGIN_BOTTOM, 6);
    layout.AddChild(child);
    EXPECT_TRUE(SameRect(child->GetRect(), 3, 4, 43, 24)); // left, top: laid out on adding

    struct Case {
        int code, l, t, r, b;
    } cases[] = {
        {ALIGN_CENTER_X | ALIGN_CENTER_Y, 80, 40, 120, 60}, // margins do not apply
        {ALIGN_STRETCH_X | ALIGN_STRETCH_Y, 3, 4, 195, 94}, // both sides
        {ALIGN_RIGHT | ALIGN_BOTTOM, 155, 74, 195, 94},
        {ALIGN_CENTER_X | ALIGN_STRETCH_Y, 80, 4, 120, 94},
    };
    for (const Case& c : cases) {
        child->SetRect(R(0, 0, 40, 20));
        layout.SetAlignFlags(c.code);
        layout.Update(0.0f);
        EXPECT_TRUE(SameRect(child->GetRect(), c.l, c.t, c.r, c.b)) << c.code;
    }

    // A centred child wider than the client rect overflows by half on each side.
    child->SetRect(R(0, 0, 260, 130));
    layout.SetAlignFlags(ALIGN_CENTER_X | ALIGN_CENTER_Y);
    layout.Update(0.0f);
    EXPECT_TRUE(SameRect(child->GetRect(), -30, -15, 230, 115));

    // Cloning keeps code and margins.
    CWidget* clone = layout.Clone();
    CAlignment* copy = static_cast<CAlignment*>(clone);
    EXPECT_EQ(ALIGN_CENTER_X | ALIGN_CENTER_Y, copy->GetAlignFlags());
    EXPECT_EQ(6, copy->GetMargin(ALIGN_MARGIN_BOTTOM));
    clone->Shutdown();
    delete clone;
}

TEST(Layout, DirtyFlagIsConsumedOncePerFrame)
{
    CountingAlignment* layout = new CountingAlignment();
    layout->Startup(nullptr, nullptr, R(0, 0, 100, 100));
    CWidget* a = Child(10, 10);
    CWidget* b = Child(10, 10);
    layout->AddChild(a); // adding lays out at once
    layout->AddChild(b);
    EXPECT_EQ(2, layout->passes);
    EXPECT_FALSE(layout->IsLayoutDirty());

    // Several changes in one frame: one pass in the next update, none in the one after.
    layout->SetAlignFlags(ALIGN_RIGHT);
    layout->SetMargin(ALIGN_MARGIN_RIGHT, 1);
    a->SetRect(R(0, 0, 20, 20));
    EXPECT_EQ(2, layout->passes);
    layout->Update(0.016f);
    EXPECT_EQ(3, layout->passes);
    EXPECT_FALSE(layout->IsLayoutDirty()); // the pass's own SetRect calls do not re-mark it
    EXPECT_TRUE(SameRect(a->GetRect(), 79, 0, 99, 20));
    layout->Update(0.016f);
    EXPECT_EQ(3, layout->passes);

    // SetPosition on a child does not mark the layout; SetRect does.
    a->SetPosition(5, 5);
    EXPECT_FALSE(layout->IsLayoutDirty());
    a->SetRect(R(5, 5, 25, 26));
    EXPECT_TRUE(layout->IsLayoutDirty());
    layout->Update(0.016f);

    // Own rect: only a real change marks it; removing a child marks it.
    layout->SetRect(layout->GetRect());
    EXPECT_FALSE(layout->IsLayoutDirty());
    layout->SetRect(R(0, 0, 120, 100));
    EXPECT_TRUE(layout->IsLayoutDirty());
    layout->Update(0.016f);
    layout->RemoveChild(b);
    EXPECT_TRUE(layout->IsLayoutDirty());
    layout->Update(0.016f);
    EXPECT_EQ(6, layout->passes);

    // Zero width: no pass, but the flag is consumed; only a further change marks it again.
    layout->SetRect(R(0, 0, 0, 100));
    layout->Update(0.016f);
    EXPECT_EQ(6, layout->passes);
    EXPECT_FALSE(layout->IsLayoutDirty());
    layout->Update(0.016f);
    EXPECT_EQ(6, layout->passes);
    layout->SetRect(R(0, 0, 50, 100));
    layout->Update(0.016f);
    EXPECT_EQ(7, layout->passes);

    // An invisible layout is not updated: the flag waits.
    layout->SetMargin(ALIGN_MARGIN_RIGHT, 2);
    layout->SetVisible(false);
    layout->Update(0.016f);
    EXPECT_TRUE(layout->IsLayoutDirty());

    b->Shutdown();
    delete b;
    layout->Shutdown();
    delete layout;
}

TEST(AspectLayout, FitsEveryChildOrLeavesThem)
{
    Started<CAspectLayout> layout(R(0, 0, 300, 100));
    EXPECT_EQ(1.0f, layout.GetAspect());
    EXPECT_EQ(0.5f, layout.GetPosition());
    CWidget* a = Child(1, 1);
    CWidget* b = Child(2, 2);
    layout.AddChild(a);
    layout.AddChild(b);
    EXPECT_TRUE(SameRect(a->GetRect(), 100, 0, 200, 100));
    EXPECT_TRUE(SameRect(b->GetRect(), 100, 0, 200, 100));
    layout.SetAspect(2.0f);
    layout.SetPosition(0.0f);
    layout.Update(0.0f);
    EXPECT_TRUE(SameRect(a->GetRect(), 0, 0, 200, 100));
    EXPECT_TRUE(SameRect(layout.GetFittedRect(), 0, 0, 200, 100));

    // An empty rect: the children stay where they were.
    layout.SetRect(R(0, 0, 300, 0));
    layout.DoLayout();
    EXPECT_TRUE(SameRect(a->GetRect(), 0, 0, 200, 100));
    // So does a non-finite aspect.
    layout.SetRect(R(0, 0, 300, 100));
    layout.SetAspect(std::numeric_limits<float>::infinity());
    layout.Update(0.0f);
    EXPECT_TRUE(SameRect(a->GetRect(), 0, 0, 200, 100));
}

TEST(Divider, ModesDealChildrenByParity)
{
    Started<CDivider> layout(R(0, 0, 400, 100));
    CWidget* c[3] = {Child(1, 1), Child(1, 1), Child(1, 1)};
    for (CWidget* w : c)
        layout.AddChild(w);
    layout.SetAspect(1.5f); // sized part: 150 x 100
    layout.Update(0.0f);
    EXPECT_TRUE(SameRect(c[0]->GetRect(), 0, 0, 150, 100));
    EXPECT_TRUE(SameRect(c[1]->GetRect(), 150, 0, 400, 100));
    EXPECT_TRUE(SameRect(c[2]->GetRect(), 0, 0, 150, 100)); // the third lies over the first

    layout.SetMode(DIVIDER_SIZED_RIGHT);
    layout.SetMaxItemWidth(120);
    layout.SetMaxItemHeight(80);
    layout.Update(0.0f);
    EXPECT_TRUE(SameRect(c[0]->GetRect(), 0, 0, 280, 80));
    EXPECT_TRUE(SameRect(c[1]->GetRect(), 280, 0, 400, 80));

    layout.SetRect(R(0, 0, 100, 400));
    layout.SetMaxItemWidth(2147483647);
    layout.SetMaxItemHeight(2147483647);
    layout.SetMode(DIVIDER_SIZED_TOP);
    layout.SetAspect(0.5f); // sized part: 100 x 200
    layout.Update(0.0f);
    EXPECT_TRUE(SameRect(c[0]->GetRect(), 0, 0, 100, 200));
    EXPECT_TRUE(SameRect(c[1]->GetRect(), 0, 200, 100, 400));
    layout.SetMode(DIVIDER_SIZED_BOTTOM);
    layout.SetAspect(4.0f); // 25 high
    layout.Update(0.0f);
    EXPECT_TRUE(SameRect(c[0]->GetRect(), 0, 0, 100, 375));
    EXPECT_TRUE(SameRect(c[1]->GetRect(), 0, 375, 100, 400));

    // Huge sizes stay in the int range; bad aspects and modes change nothing.
    layout.SetMode(DIVIDER_SIZED_TOP);
    layout.SetAspect(1e-30f);
    layout.Update(0.0f);
    EXPECT_TRUE(SameRect(c[0]->GetRect(), 0, 0, 100, 2147483647));
    layout.SetAspect(-1.0f);
    layout.Update(0.0f);
    EXPECT_TRUE(SameRect(c[0]->GetRect(), 0, 0, 100, 2147483647));
    layout.SetAspect(1.0f);
    layout.SetMode(4);
    layout.Update(0.0f);
    EXPECT_TRUE(SameRect(c[0]->GetRect(), 0, 0, 100, 2147483647));
}

TEST(RatioDivider, RatioWithinMinimumAndMaximum)
{
    Started<CRatioDivider> layout(R(0, 0, 400, 60));
    CWidget* c[3] = {Child(1, 1), Child(1, 1), Child(7, 7)};
    for (CWidget* w : c)
        layout.AddChild(w);
    layout.SetRatio(0.25f);
    layout.SetMinFirstItemSize(150);
    layout.Update(0.0f);
    EXPECT_TRUE(SameRect(c[0]->GetRect(), 0, 0, 150, 60));
    EXPECT_TRUE(SameRect(c[1]->GetRect(), 150, 0, 400, 60));
    EXPECT_TRUE(SameRect(c[2]->GetRect(), 0, 0, 7, 7)); // not placed

    // The maximum wins over the minimum; a negative maximum means none.
    layout.SetMaxFirstItemSize(120);
    layout.Update(0.0f);
    EXPECT_EQ(120, c[0]->GetRect().right);
    layout.SetMaxFirstItemSize(-1);
    EXPECT_EQ(1073741824, layout.GetMaxFirstItemSize());
    layout.SetMinFirstItemSize(-5);
    EXPECT_EQ(0, layout.GetMinFirstItemSize());
    layout.Update(0.0f);
    EXPECT_EQ(100, c[0]->GetRect().right);

    layout.SetOrientation(RATIO_SPLIT_HEIGHT);
    layout.SetRatio(0.5f);
    layout.Update(0.0f);
    EXPECT_TRUE(SameRect(c[0]->GetRect(), 0, 0, 400, 30));
    EXPECT_TRUE(SameRect(c[1]->GetRect(), 0, 30, 400, 60));

    // A ratio beyond the int range is clamped, then limited by the maximum.
    layout.SetRatio(1e30f);
    layout.Update(0.0f);
    EXPECT_EQ(1073741824, c[0]->GetRect().bottom);
    // A ratio of 0 or an unknown orientation: nothing moves.
    layout.SetRatio(0.0f);
    layout.Update(0.0f);
    EXPECT_EQ(1073741824, c[0]->GetRect().bottom);
    layout.SetRatio(0.5f);
    layout.SetOrientation(2);
    layout.Update(0.0f);
    EXPECT_EQ(1073741824, c[0]->GetRect().bottom);
}

TEST(LayoutClampToInt, LimitsAndNaN)
{
    EXPECT_EQ(2147483647, LayoutClampToInt(3e9f));
    EXPECT_EQ(-2147483647 - 1, LayoutClampToInt(-3e9f));
    EXPECT_EQ(0, LayoutClampToInt(std::numeric_limits<float>::quiet_NaN()));
    EXPECT_EQ(-3, LayoutClampToInt(-3.7f));
}

} // namespace
