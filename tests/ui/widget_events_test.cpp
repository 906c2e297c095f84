// The widget tree's event routing: hit testing, focus, the pointer capture and key routing.
#include <gtest/gtest.h>

#include "tests/ui/WidgetTestSupport.h"

using namespace uitest;

namespace {

struct Events : ::testing::Test {
    std::vector<std::string> log;
    LogWidget* root = nullptr;
    void SetUp() override { root = Make(&log, nullptr, "root", R(0, 0, 200, 200)); }
    void TearDown() override
    {
        CWidget::SetCapture(nullptr);
        Drop(root);
    }
    std::vector<std::string> Take()
    {
        std::vector<std::string> out;
        out.swap(log);
        return out;
    }
};

typedef std::vector<std::string> Log;

// A widget that takes the capture on a press and gives it up on the release.
struct Dragger : LogWidget {
    using LogWidget::LogWidget;
    void OnPointerDown(int b, int x, int y) override
    {
        LogWidget::OnPointerDown(b, x, y);
        SetCapture(this);
    }
    void OnPointerUp(int b, int x, int y) override
    {
        LogWidget::OnPointerUp(b, x, y);
        SetCapture(nullptr);
    }
};

} // namespace

TEST_F(Events, HitTestTakesTheTopmostChildInItsOwnSpace)
{
    Make(&log, root, "low", R(10, 10, 110, 110));
    LogWidget* high = Make(&log, root, "high", R(50, 50, 150, 150));
    Make(&log, high, "inner", R(10, 10, 20, 20));
    EXPECT_EQ(root->ChildAt(60, 60)->GetName(), S("inner")); // (10,10) in high: edge inclusive
    EXPECT_EQ(root->ChildAt(70, 70)->GetName(), S("inner")); // (20,20) likewise
    EXPECT_EQ(root->ChildAt(71, 71)->GetName(), S("high"));
    EXPECT_EQ(root->ChildAt(20, 20)->GetName(), S("low"));
    EXPECT_EQ(root->ChildAt(150, 150)->GetName(), S("high"));
    EXPECT_EQ(root->ChildAt(151, 151), nullptr);

    Take();
    root->DispatchPointerDown(0, 65, 68);
    EXPECT_EQ(Take(), (Log{"inner:gained(null)", "inner:down(0,5,8)"}));
}

TEST_F(Events, PassThroughInterceptAndTheDisabledChildThatSwallows)
{
    LogWidget* low = Make(&log, root, "low", R(0, 0, 100, 100));
    LogWidget* glass = Make(&log, root, "glass", R(0, 0, 100, 100));
    glass->SetPassThrough(true);
    EXPECT_EQ(root->ChildAt(50, 50), low);
    LogWidget* knob = Make(&log, glass, "knob", R(40, 40, 60, 60));
    EXPECT_EQ(root->ChildAt(50, 50), knob); // a pass-through widget's children still claim
    EXPECT_EQ(root->ChildAt(10, 10), low);

    glass->SetIntercept(true);
    glass->SetPassThrough(false);
    EXPECT_EQ(root->ChildAt(50, 50), glass);
    glass->SetIntercept(false);

    knob->SetEnabled(false);
    EXPECT_EQ(root->ChildAt(50, 50), knob);
    Take();
    root->DispatchPointerDown(0, 50, 50);
    root->DispatchPointerUp(0, 50, 50);
    // The disabled knob takes the focus but none of its pointer hooks run, and nothing below it
    // sees the press.
    EXPECT_EQ(Take(), (Log{"knob:gained(null)"}));

    root->SetEnabled(false);
    root->DispatchPointerDown(0, 10, 10);
    root->DispatchKeyDown(4);
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(root->ChildAt(10, 10), nullptr);
}

TEST_F(Events, FocusMovesInPairsAndAPressOnEmptySpaceClearsIt)
{
    LogWidget* a = Make(&log, root, "a", R(0, 0, 50, 50));
    Make(&log, root, "b", R(100, 0, 150, 50));
    Take();
    root->DispatchPointerDown(0, 10, 10);
    EXPECT_EQ(Take(), (Log{"a:gained(null)", "a:down(0,10,10)"}));
    root->DispatchPointerDown(0, 10, 12);
    EXPECT_EQ(Take(), (Log{"a:lost(a)", "a:gained(a)", "a:down(0,10,12)"}));
    root->DispatchPointerDown(0, 110, 20);
    EXPECT_EQ(Take(), (Log{"a:lost(b)", "b:gained(a)", "b:down(0,10,20)"}));
    root->DispatchKeyDown(9);
    root->DispatchChar('x');
    EXPECT_EQ(Take(), (Log{"b:key(9)", "b:char(120)"}));
    root->DispatchPointerDown(0, 70, 70);
    EXPECT_EQ(Take(), (Log{"b:lost(null)", "root:down(0,70,70)"}));
    EXPECT_EQ(root->GetFocusChild(), nullptr);
    root->DispatchKeyDown(3);
    EXPECT_EQ(Take(), (Log{"root:key(3)"}));
    (void)a;
}

TEST_F(Events, ARemovedDeletedOrShutDownFocusChildIsNoLongerTheFocus)
{
    LogWidget* a = Make(&log, root, "a", R(0, 0, 50, 50));
    root->DispatchPointerDown(0, 10, 10);
    ASSERT_EQ(root->GetFocusChild(), a);
    root->RemoveChild(a);
    EXPECT_EQ(root->GetFocusChild(), nullptr);
    root->AddChild(a);

    root->DispatchPointerDown(0, 10, 10);
    ASSERT_EQ(root->GetFocusChild(), a);
    a->Shutdown();
    EXPECT_EQ(root->GetFocusChild(), nullptr);
    root->DeleteChild(a);

    LogWidget* b = Make(&log, root, "b", R(0, 0, 50, 50));
    root->DispatchPointerDown(0, 10, 10);
    ASSERT_EQ(root->GetFocusChild(), b);
    EXPECT_TRUE(root->DeleteChild(b));
    EXPECT_EQ(root->GetFocusChild(), nullptr);
    Take();
    root->DispatchPointerDown(0, 150, 150); // no OnFocusLost on the deleted widget
    EXPECT_EQ(Take(), (Log{"root:down(0,150,150)"}));

    LogWidget* c = Make(&log, root, "c", R(0, 0, 50, 50));
    root->DispatchPointerDown(0, 10, 10);
    delete c; // a plain delete still takes it out of its parent
    EXPECT_EQ(root->GetFocusChild(), nullptr);
    EXPECT_EQ(root->GetChildCount(), 0);

    // The focus may lie deeper than a child: leaving from anywhere below still clears it.
    LogWidget* box = Make(&log, root, "box", R(0, 0, 50, 50));
    LogWidget* inner = Make(&log, box, "inner", R(0, 0, 10, 10));
    root->DispatchPointerDown(0, 5, 5);
    ASSERT_EQ(root->GetFocusChild(), inner);
    EXPECT_TRUE(box->DeleteChild(inner));
    EXPECT_EQ(root->GetFocusChild(), nullptr);
}

TEST_F(Events, TheCaptureHolderGetsEveryPointerEventInItsOwnSpace)
{
    LogWidget* panel = Make(&log, root, "panel", R(20, 30, 120, 130));
    Dragger* drag = new Dragger(&log);
    drag->Startup(nullptr, nullptr, R(5, 5, 25, 25));
    drag->SetName(S("drag"));
    panel->AddChild(drag);
    Make(&log, root, "other", R(150, 150, 200, 200));
    Take();

    root->DispatchPointerDown(0, 30, 40); // (5,5) in drag
    EXPECT_EQ(CWidget::GetCapture(), drag);
    Take();
    root->DispatchPointerMove(0, 190, 180); // over "other", outside drag
    root->DispatchKeyDown(7);
    root->CancelPointer();
    root->DispatchPointerUp(0, 0, 0);
    EXPECT_EQ(Take(),
              (Log{"drag:move(0,165,145)", "drag:key(7)", "drag:cancel()", "drag:up(0,-25,-35)"}));
    EXPECT_EQ(CWidget::GetCapture(), nullptr);

    // Without the capture the same move reaches the widget under the point.
    root->DispatchPointerMove(0, 190, 180);
    EXPECT_EQ(Take(), (Log{"other:move(0,40,30)"}));

    // Re-parenting, removing or shutting down the holder clears the capture.
    CWidget::SetCapture(drag);
    root->AddChild(drag);
    EXPECT_EQ(CWidget::GetCapture(), nullptr);
    CWidget::SetCapture(drag);
    root->RemoveChild(drag);
    EXPECT_EQ(CWidget::GetCapture(), nullptr);
    CWidget::SetCapture(drag);
    Drop(drag);
    EXPECT_EQ(CWidget::GetCapture(), nullptr);
}

TEST_F(Events, CancelReachesEveryWidgetWhateverItsFlags)
{
    LogWidget* a = Make(&log, root, "a", R(0, 0, 10, 10));
    LogWidget* b = Make(&log, a, "b", R(0, 0, 10, 10));
    a->SetVisible(false);
    b->SetEnabled(false);
    Take();
    root->CancelPointer();
    EXPECT_EQ(Take(), (Log{"root:cancel()", "a:cancel()", "b:cancel()"}));
}

TEST_F(Events, ConvertPointThroughADeepTree)
{
    // 1000 levels, each 1 pixel right and 2 down of its parent: far past any fixed chain.
    CWidget* chain[1001];
    chain[0] = root;
    root->SetRect(R(3, 4, 5000, 5000));
    for (int i = 1; i <= 1000; ++i)
        chain[i] = Make(nullptr, chain[i - 1], "n", R(1, 2, 5000, 5000));
    int x = 2000, y = 3000;
    chain[1000]->ConvertPoint(nullptr, x, y); // from the screen
    EXPECT_EQ(x, 2000 - 3 - 1000);
    EXPECT_EQ(y, 3000 - 4 - 2000);
    chain[0]->ConvertPoint(chain[1000], x, y); // back into the root's space
    EXPECT_EQ(x, 2000 - 3);
    EXPECT_EQ(y, 3000 - 4);
    int u = 0, v = 0;
    chain[500]->ConvertPointTo(chain[700], u, v);
    EXPECT_EQ(u, -200);
    EXPECT_EQ(v, -400);
    // A widget of another tree: through the screen.
    LogWidget* other = Make(nullptr, nullptr, "other", R(50, 60, 70, 80));
    u = 0, v = 0;
    other->ConvertPoint(chain[10], u, v);
    EXPECT_EQ(u, 3 + 10 - 50);
    EXPECT_EQ(v, 4 + 20 - 60);
    Drop(other);
}
