// The expandable: states from two cycling target lists, the eased animation and its delegate
// pairs, immediate changes, children filling it, drawing clipped to it and copies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/UiTestSupport.h"
#include "tests/ui/WidgetTestSupport.h"
#include "ui/widgets/Expandable.h"

using uitest::R;

namespace {

std::vector<std::string> g_log;
int LogBegin(CWidget* w, void*, intptr_t, intptr_t)
{
    g_log.push_back("begin " + std::to_string(w->GetHeight()));
    return 1;
}
int LogEnd(CWidget* w, void*, intptr_t, intptr_t)
{
    g_log.push_back("end " + std::to_string(w->GetHeight()));
    return 1;
}

CVortanArray<i32>& List(CVortanArray<i32>& out, std::initializer_list<int> values)
{
    out.SetSize(0);
    for (int v : values)
        out.SetAtGrow(out.GetSize(), v);
    return out;
}

struct Expand : ::testing::Test {
    CExpandable* e = nullptr;
    CVortanArray<i32> widths, heights;
    void SetUp() override
    {
        g_log.clear();
        e = new CExpandable();
        ASSERT_EQ(e->Startup(nullptr, nullptr, R(10, 20, 110, 40)), VORTAN_OK);
        e->SetOnBeginExpand(CUIDelegate(LogBegin, nullptr));
        e->SetOnEndExpand(CUIDelegate(LogEnd, nullptr));
    }
    void TearDown() override { uitest::Drop(e); }
    void Targets(std::initializer_list<int> w, std::initializer_list<int> h)
    {
        e->SetTargets(List(widths, w), List(heights, h));
    }
};

} // namespace

TEST_F(Expand, StatesCycleTheListsAndTheFirstUpdateReachesStateZeroAtOnce)
{
    Targets({300}, {60, 240});
    EXPECT_EQ(e->GetState(), -1);
    EXPECT_EQ(e->GetStateHeight(), 20); // before the first update: the current height
    EXPECT_EQ(e->GetStateHeight(-3), 20);
    EXPECT_EQ(e->GetStateHeight(1), 240);
    EXPECT_EQ(e->GetStateHeight(2), 20); // beyond the states
    e->Update(0.04f);                    // the first state is due within half the frame's time
    EXPECT_EQ(e->GetState(), 0);
    EXPECT_TRUE(uitest::SameRect(e->GetRect(), 10, 20, 310, 80));
    EXPECT_EQ(g_log, (std::vector<std::string>{"begin 20", "end 60"}));
    e->SetStateAnimated(3); // 3 modulo 2
    EXPECT_EQ(e->GetState(), 1);
    e->SetStateAnimated(1); // the current state: nothing
    EXPECT_EQ(g_log.size(), 3u);
    e->Update(0.125f); // halfway: 60 + 0.25 x 180
    EXPECT_EQ(e->GetHeight(), 105);
    EXPECT_EQ(e->GetWidth(), 300);
    e->Update(0.125f);
    EXPECT_EQ(e->GetHeight(), 240);
    EXPECT_EQ(g_log, (std::vector<std::string>{"begin 20", "end 60", "begin 60", "end 240"}));
    e->SetStateAnimated(-5); // negative: state 0
    EXPECT_EQ(e->GetState(), 0);
}

// A state chosen before the first update is kept: the first update only picks state 0 for an
// expandable that has none yet.
TEST_F(Expand, AStateChosenBeforeTheFirstUpdateIsKept)
{
    Targets({300}, {60, 240});
    e->SetStateAnimated(1); // opened by its owner before any frame
    for (int i = 0; i < 10; ++i)
        e->Update(0.05f);
    EXPECT_EQ(e->GetState(), 1);
    EXPECT_TRUE(uitest::SameRect(e->GetRect(), 10, 20, 310, 260));
    EXPECT_EQ(g_log, (std::vector<std::string>{"begin 20", "end 240"}));

    CExpandable* other = new CExpandable();
    ASSERT_EQ(other->Startup(nullptr, nullptr, R(0, 0, 100, 20)), VORTAN_OK);
    other->SetTargets(List(widths, {}), List(heights, {50, 70, 90}));
    other->SetState(2); // at once, before any frame
    other->Update(0.016f);
    EXPECT_EQ(other->GetState(), 2);
    EXPECT_EQ(other->GetHeight(), 90);
    uitest::Drop(other);
}

TEST_F(Expand, AStateBeyondTheHeightListAnswersTheCurrentHeight)
{
    Targets({300, 400, 500}, {60});
    EXPECT_EQ(e->GetStateHeight(0), 60);
    EXPECT_EQ(e->GetStateHeight(2), 20); // a state, but past the one height
    e->SetState(2);
    EXPECT_EQ(e->GetHeight(), 60); // the state's own target cycles the list
    EXPECT_EQ(e->GetWidth(), 500);
}

TEST_F(Expand, WithoutTargetsNothingMovesAndNothingFires)
{
    for (int i = 0; i < 5; ++i)
        e->Update(0.1f);
    e->SetStateAnimated(1);
    e->SetState(2);
    EXPECT_TRUE(uitest::SameRect(e->GetRect(), 10, 20, 110, 40));
    EXPECT_TRUE(g_log.empty());
    EXPECT_EQ(e->GetState(), -1);
}

TEST_F(Expand, AnImmediateChangeAndATransitionTimeOfZero)
{
    Targets({}, {50, 70, 90});
    e->SetState(2);
    EXPECT_EQ(e->GetHeight(), 90);
    EXPECT_EQ(e->GetWidth(), 100); // an empty width list keeps the width
    EXPECT_EQ(g_log, (std::vector<std::string>{"begin 20", "end 90"}));
    e->SetTransitionTime(0.0f);
    e->SetStateAnimated(1); // no time to run: at its target at once, both fired
    EXPECT_EQ(e->GetHeight(), 70);
    EXPECT_EQ(g_log.size(), 4u);
    e->SetTransitionTime(-1.0f);
    e->SetStateAnimated(0);
    EXPECT_EQ(e->GetHeight(), 50);
    EXPECT_EQ(g_log.back(), "end 50");
}

TEST_F(Expand, ChildrenFillItAndItsDrawingIsClipped)
{
    CImageWidget* content = new CImageWidget();
    content->Startup(nullptr, nullptr, R(0, 0, 500, 500));
    e->AddChild(content);
    EXPECT_TRUE(uitest::SameRect(content->GetRect(), 0, 0, 100, 20));
    Targets({}, {60});
    e->SetState(0);
    EXPECT_TRUE(uitest::SameRect(content->GetRect(), 0, 0, 100, 60));

    uitest::RecordingGC gc;
    CVortanRect full = R(0, 0, 800, 480);
    gc.SetClipRect(&full);
    EXPECT_EQ(e->Render(&gc, R(10, 20, 110, 80)), 1);
    EXPECT_TRUE(uitest::SameRect(gc.GetClipRect(), 0, 0, 800, 480)); // set back
}

TEST_F(Expand, ACopyReplacesTheTargetsInsteadOfGrowingThem)
{
    Targets({100, 200}, {10});
    e->SetTransitionTime(0.75f);
    CExpandable* copy = static_cast<CExpandable*>(e->Clone());
    ASSERT_NE(copy, nullptr);
    copy->CopyFrom(e); // a refresh from the template
    EXPECT_EQ(copy->GetWidthTargetCount(), 2);
    EXPECT_EQ(copy->GetHeightTargetCount(), 1);
    EXPECT_FLOAT_EQ(copy->GetTransitionTime(), 0.75f);
    EXPECT_EQ(copy->GetState(), -1);
    EXPECT_TRUE(copy->GetOnEndExpand() == e->GetOnEndExpand());
    uitest::Drop(copy);
}
