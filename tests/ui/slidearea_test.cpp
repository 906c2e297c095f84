// The slide area without a window: clamping, taps, drags past the threshold, flings and their
// limits, glides stopped by a press or by a second ScrollTo, the scrolling switch, arrows and
// the fading scrollbar, and children drawn clipped at the scrolled offset.
#include <gtest/gtest.h>
#include <math.h>

#include <string>
#include <vector>

#include "tests/ui/UiTestSupport.h"
#include "tests/ui/WidgetTestSupport.h"
#include "ui/layouts/SlideArea.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/ImageWidget.h"

namespace {

using uitest::Make;
using uitest::R;
using uitest::S;

std::vector<std::string> g_events;
int NoteBegin(CWidget*, void*, intptr_t, intptr_t)
{
    g_events.push_back("begin");
    return 1;
}
int NoteEnd(CWidget*, void*, intptr_t, intptr_t)
{
    g_events.push_back("end");
    return 1;
}

// A root 800 x 480 holding a 200 x 200 area at (100, 50) with rows of 100 pixels.
class SlideAreaTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_events.clear();
        root = new CWidget();
        root->Startup(nullptr, nullptr, R(0, 0, 800, 480));
        area = new CSlideArea();
        ASSERT_EQ(VORTAN_OK, area->Startup(nullptr, nullptr, R(100, 50, 300, 250)));
        root->AddChild(area);
        area->SetScrollEnabled(true);
        area->SetOnBeginScroll(CUIDelegate(NoteBegin, nullptr));
        area->SetOnEndScroll(CUIDelegate(NoteEnd, nullptr));
    }
    void TearDown() override { uitest::Drop(root); }
    void Rows(int n)
    {
        for (int i = 0; i < n; ++i)
            Make(&log, area, ("row" + std::to_string(i)).c_str(),
                 R(0, i * 100, 200, i * 100 + 100));
    }
    void Down(int x, int y) { root->DispatchPointerDown(1, x, y); }
    void Move(int x, int y) { root->DispatchPointerMove(1, x, y); }
    void Up(int x, int y) { root->DispatchPointerUp(1, x, y); }

    CWidget* root = nullptr;
    CSlideArea* area = nullptr;
    std::vector<std::string> log;
};

TEST_F(SlideAreaTest, ClampingKeepsTheOffsetInsideTheContent)
{
    Rows(5); // content 500 high, area 200: 0..300
    EXPECT_EQ(0, area->ClampScrollY(-40));
    EXPECT_EQ(300, area->ClampScrollY(1000));
    EXPECT_EQ(0, area->ClampScrollX(55));
    area->ScrollBy(0, 1000);
    EXPECT_EQ(300, area->GetScrollY());
    EXPECT_TRUE(uitest::SameRect(area->GetViewRect(), 0, 300, 200, 500));

    // A child above the top: repeated zero scrolls leave the offset where it is.
    area->ScrollBy(0, -1000);
    Make(&log, area, "above", R(0, -50, 200, -10));
    EXPECT_EQ(-50, area->GetContentRect().top);
    for (int i = 0; i < 3; ++i)
        area->ScrollBy(0, 0);
    EXPECT_EQ(0, area->GetScrollY());

    // A live offset beyond the end is clamped where it is drawn.
    area->SetScrollY(900);
    EXPECT_EQ(900, area->GetScrollY());
    EXPECT_EQ(300, area->GetVisibleY());
}

TEST_F(SlideAreaTest, ContentAboveTheTopIsReachable)
{
    Rows(5); // 0..500
    Make(&log, area, "above", R(0, -50, 200, -10));
    Make(nullptr, area, "scrollbar_vertical_template", R(190, 10, 200, 50));
    area->Update(0.0f);
    ASSERT_EQ(-50, area->GetContentRect().top);
    // The offset runs from the content's top, -50, to 500 - 200.
    EXPECT_EQ(-30, area->ClampScrollY(-30));
    EXPECT_EQ(-50, area->ClampScrollY(-100));
    EXPECT_EQ(0, area->ClampScrollY(0));
    EXPECT_EQ(300, area->ClampScrollY(1000));
    area->ScrollBy(0, -1000);
    EXPECT_EQ(-50, area->GetScrollY());
    EXPECT_TRUE(uitest::SameRect(area->GetViewRect(), 0, -50, 200, 150));
    for (int i = 0; i < 3; ++i)
        area->ScrollBy(0, 0);
    EXPECT_EQ(-50, area->GetScrollY());
    // The bar's room is 200 - 40 - 2 x 10 = 140 over the 350 pixels of offset.
    EXPECT_EQ(0, area->GetScrollbarOffset());
    area->ScrollBy(0, 175); // 125: half way
    EXPECT_EQ(70, area->GetScrollbarOffset());
    area->ScrollBy(0, 1000);
    EXPECT_EQ(140, area->GetScrollbarOffset());

    // Scrolled to the top, a tap there reaches the child above 0.
    area->ScrollBy(0, -1000);
    log.clear();
    Down(150, 55);
    Up(150, 55);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ("above:down(1,50,5)", log[0]);
}

TEST_F(SlideAreaTest, ShortContentNeverScrolls)
{
    Rows(1);
    CWidget* arrow = Make(nullptr, area, "arrow_bottom_template", R(0, 180, 200, 200));
    (void)arrow;
    area->Update(0.0f);
    ASSERT_NE(nullptr, area->GetDecoration(SLIDE_ARROW_BOTTOM));
    EXPECT_FALSE(area->GetDecoration(SLIDE_ARROW_BOTTOM)->IsVisible());
    Down(150, 200);
    Move(150, 100);
    EXPECT_EQ(0, area->GetVisibleY());
    Up(150, 100);
    EXPECT_EQ(0, area->GetScrollY());
}

TEST_F(SlideAreaTest, TapReachesTheChildAndLeavesTheOffset)
{
    Rows(5);
    area->SetScrollThreshold(CVortanVector2(0.0f, 10.0f));
    area->ScrollBy(0, 120);
    log.clear();
    Down(150, 100); // area y 50 + scroll 120: row1 at its y 70
    Move(153, 104); // inside the threshold: the child gets the move
    Up(153, 104);
    EXPECT_EQ(
        (std::vector<std::string>{"row1:down(1,50,70)", "row1:move(1,53,74)", "row1:up(1,53,74)"}),
        log);
    EXPECT_EQ(120, area->GetScrollY());
    EXPECT_EQ(nullptr, CWidget::GetCapture());
}

TEST_F(SlideAreaTest, DragPastTheThresholdCancelsTheChild)
{
    Rows(5);
    area->SetScrollThreshold(CVortanVector2(0.0f, 10.0f));
    log.clear();
    Down(150, 200);
    Move(150, 195);
    EXPECT_EQ(0, area->GetScrollY()); // not yet past the threshold
    Move(150, 150);
    EXPECT_TRUE(area->IsDragging());
    EXPECT_EQ(50, area->GetScrollY()); // the whole distance at once
    Up(150, 140);
    EXPECT_EQ(60, area->GetScrollY());
    ASSERT_FALSE(log.empty());
    EXPECT_EQ("row1:down(1,50,50)", log[0]);
    EXPECT_NE(std::find(log.begin(), log.end(), "row1:cancel()"), log.end());
    for (const std::string& line : log)
        EXPECT_EQ(std::string::npos, line.find(":up("));
}

TEST_F(SlideAreaTest, FlingsOnlyWhenQuickEnough)
{
    Rows(30);
    // 300 pixels up in 0.5 s: 600 px/s, a further 120 pixels over one second.
    Down(150, 240);
    area->Update(0.25f);
    area->Update(0.25f);
    Move(150, -60);
    Up(150, -60);
    EXPECT_EQ(300, area->GetScrollY());
    EXPECT_TRUE(area->IsGliding());
    g_events.clear();
    for (int i = 0; i < 10; ++i)
        area->Update(0.1f);
    EXPECT_EQ(420, area->GetScrollY());
    EXPECT_FALSE(area->IsGliding());
    EXPECT_EQ((std::vector<std::string>{"end"}), g_events);

    // The same drag over 1.5 s ends without a fling.
    area->ScrollTo(0, 0, 0.0f);
    Down(150, 240);
    for (int i = 0; i < 3; ++i)
        area->Update(0.5f);
    Move(150, -60);
    g_events.clear();
    Up(150, -60);
    EXPECT_FALSE(area->IsGliding());
    EXPECT_EQ((std::vector<std::string>{"end"}), g_events);

    // Press and release in one frame: a drag time of 0 ends without a fling.
    area->ScrollTo(0, 0, 0.0f);
    Down(150, 240);
    Move(150, 100);
    Up(150, 100);
    EXPECT_FALSE(area->IsGliding());
    EXPECT_EQ(140, area->GetScrollY());
}

TEST_F(SlideAreaTest, PressStopsAGlideWhereItStands)
{
    Rows(30);
    area->ScrollTo(0, 1000, 1.0f);
    area->Update(0.5f);
    // e = 1 - 0.5^5 = 0.96875: 968.75 pixels so far.
    EXPECT_EQ(969, area->GetScrollY());
    g_events.clear();
    Down(150, 100);
    EXPECT_EQ((std::vector<std::string>{"end", "begin"}), g_events);
    EXPECT_FALSE(area->IsGliding());
    EXPECT_EQ(969, area->GetScrollY());
    Up(150, 100);
    area->Update(1.0f);
    EXPECT_EQ(969, area->GetScrollY());
}

TEST_F(SlideAreaTest, SecondScrollToGlidesFromWhereTheFirstStands)
{
    Rows(30);
    area->ScrollTo(0, 400, 1.0f);
    area->Update(0.5f);
    const int halfway = area->GetScrollY();
    area->ScrollTo(0, 400, 1.0f);
    int last = area->GetScrollY();
    EXPECT_EQ(halfway, last);
    for (int i = 0; i < 12; ++i) {
        area->Update(0.1f);
        EXPECT_GE(area->GetScrollY(), last);
        EXPECT_LE(area->GetScrollY(), 400);
        last = area->GetScrollY();
    }
    EXPECT_EQ(400, area->GetScrollY());
}

TEST_F(SlideAreaTest, ScrollSwitchDecidesWhoIsHit)
{
    Rows(2);
    area->SetScrollEnabled(false);
    EXPECT_FALSE(area->IsIntercept());
    EXPECT_TRUE(area->IsPassThrough());
    EXPECT_EQ(area->GetChild(0), root->ChildAt(150, 100));
    // The press reaches the child directly; no scroll, no capture.
    log.clear();
    Down(150, 100);
    EXPECT_EQ((std::vector<std::string>{"row0:gained(null)", "row0:down(1,50,50)"}), log);
    EXPECT_EQ(nullptr, CWidget::GetCapture());
    Up(150, 100);

    area->SetScrollEnabled(true);
    EXPECT_TRUE(area->IsIntercept());
    EXPECT_FALSE(area->IsPassThrough());
    EXPECT_EQ(area, root->ChildAt(150, 100));
}

int CountCall(CWidget*, void* context, intptr_t, intptr_t)
{
    ++*static_cast<int*>(context);
    return 1;
}

TEST_F(SlideAreaTest, ArrowTapClicksWithScrollingOff)
{
    Rows(5);
    area->SetScrollEnabled(false);
    CButton* arrow = new CButton();
    ASSERT_EQ(VORTAN_OK, arrow->Startup(nullptr, nullptr, R(0, 180, 200, 200)));
    arrow->SetName(S("arrow_bottom_template"));
    arrow->SetClickDelay(0.0f);
    int clicks = 0, cancels = 0;
    arrow->SetOnClick(CUIDelegate(CountCall, &clicks));
    arrow->SetOnCancel(CUIDelegate(CountCall, &cancels));
    area->AddChild(arrow);
    area->Update(0.0f);
    ASSERT_EQ(arrow, area->GetDecoration(SLIDE_ARROW_BOTTOM));
    ASSERT_TRUE(arrow->IsVisible());
    // The primary button, as a finger gives it.
    auto Tap = [&](int x0, int y0, int x1, int y1) {
        root->DispatchPointerDown(0, x0, y0);
        root->DispatchPointerMove(0, x1, y1);
        root->DispatchPointerUp(0, x1, y1);
    };

    // Screen (150, 240) is (50, 190) in the area, (50, 10) on the arrow: a tap there clicks.
    root->DispatchPointerDown(0, 150, 240);
    EXPECT_TRUE(arrow->IsPressed());
    root->DispatchPointerMove(0, 152, 238);
    root->DispatchPointerUp(0, 152, 238);
    EXPECT_EQ(1, clicks);
    EXPECT_EQ(0, cancels);
    EXPECT_FALSE(arrow->IsPressed());
    EXPECT_EQ(nullptr, CWidget::GetCapture());

    // Also with the content scrolled (the arrows stay where they are), and a release that
    // leaves the arrow cancels.
    area->ScrollBy(0, 120);
    Tap(150, 240, 150, 240);
    EXPECT_EQ(2, clicks);
    Tap(150, 240, 150, 100);
    EXPECT_EQ(2, clicks);
    EXPECT_EQ(1, cancels);
    EXPECT_EQ(nullptr, CWidget::GetCapture());

    // The rows under the arrow still get their taps directly elsewhere.
    log.clear();
    Tap(150, 100, 150, 100);
    EXPECT_NE(std::find(log.begin(), log.end(), "row1:down(0,50,70)"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "row1:up(0,50,70)"), log.end());
}

TEST_F(SlideAreaTest, ArrowsAndTheFadingScrollbar)
{
    Rows(5);
    Make(nullptr, area, "arrow_top_template", R(0, 0, 200, 20));
    Make(nullptr, area, "arrow_bottom_template", R(0, 180, 200, 200));
    Make(nullptr, area, "scrollbar_vertical_template", R(190, 10, 200, 50));
    area->Update(0.0f);
    CWidget* top = area->GetDecoration(SLIDE_ARROW_TOP);
    CWidget* bottom = area->GetDecoration(SLIDE_ARROW_BOTTOM);
    CWidget* bar = area->GetDecoration(SLIDE_SCROLLBAR_VERTICAL);
    ASSERT_TRUE(top && bottom && bar);
    EXPECT_EQ(5, area->GetChildCount()); // the templates left the children
    EXPECT_FALSE(top->IsVisible());
    EXPECT_TRUE(bottom->IsVisible());
    EXPECT_EQ(0, area->GetScrollbarOffset());

    area->ScrollBy(0, 300);
    area->Update(0.0f);
    EXPECT_TRUE(top->IsVisible());
    EXPECT_FALSE(bottom->IsVisible());
    // (200 - 40 - 2 x 10) x 300 / 300.
    EXPECT_EQ(140, area->GetScrollbarOffset());
    area->ScrollBy(0, -150);
    EXPECT_EQ(70, area->GetScrollbarOffset());

    // A press on empty space shows the bar; it fades over two seconds, mostly at the end.
    area->OnPointerDown(1, 10, 10000);
    area->OnPointerUp(1, 10, 10000);
    EXPECT_EQ(255, area->GetScrollbarAlpha());
    area->Update(1.0f);
    EXPECT_EQ((int)(255.0f * (1.0f - powf(0.5f, 8.0f))), area->GetScrollbarAlpha());
    area->Update(1.0f);
    EXPECT_EQ(0, area->GetScrollbarAlpha());
    area->Update(1.0f);
    EXPECT_EQ(0.0f, area->GetScrollbarTimer());
}

TEST_F(SlideAreaTest, ContentFitsScrollbarStays)
{
    Rows(1);
    Make(nullptr, area, "scrollbar_vertical_template", R(190, 10, 200, 50));
    area->Update(0.0f);
    EXPECT_EQ(0, area->GetScrollbarOffset());
}

// Children are drawn at the scrolled offset, clipped to the area; those outside are skipped.
class SlideAreaDrawTest : public uitest::ManagerTest {};

TEST_F(SlideAreaDrawTest, ChildrenClippedToTheArea)
{
    CSlideArea area;
    ASSERT_EQ(VORTAN_OK, area.Startup(nullptr, &manager, R(100, 50, 300, 250)));
    area.SetScrollEnabled(true);
    CVortanSurface* surface = uitest::MakeSurface(&app, 10, 10);
    for (int i = 0; i < 5; ++i) {
        CImageWidget* row = new CImageWidget();
        row->Startup(nullptr, &manager, R(0, i * 100, 200, i * 100 + 100));
        row->SetImage(surface);
        area.AddChild(row);
    }
    area.ScrollBy(0, 150);
    uitest::RecordingGC gc;
    ASSERT_EQ(VORTAN_OK, area.Render(&gc, area.GetRect()));
    // The window is 150..350 of the content: rows 1, 2 and 3 (row 0 ends at 100, row 4
    // starts at 400).
    ASSERT_EQ(3u, gc.calls.size());
    EXPECT_TRUE(uitest::SameRect(gc.calls[0].dst, 100, 0, 300, 100));
    EXPECT_TRUE(uitest::SameRect(gc.calls[0].clip, 100, 50, 300, 100));
    EXPECT_TRUE(uitest::SameRect(gc.calls[1].dst, 100, 100, 300, 200));
    EXPECT_TRUE(uitest::SameRect(gc.calls[2].clip, 100, 200, 300, 250));
    EXPECT_TRUE(uitest::SameRect(gc.GetClipRect(), 0, 0, 800, 480));
    area.Shutdown();
}

} // namespace
