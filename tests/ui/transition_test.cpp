// Transitions and their holder: right and left slides with and without moving the other
// widget at chosen times (positions worked out by hand on a linear curve), the finish, a
// duration of 0, and the holder's one-per-type rule.
#include <gtest/gtest.h>

#include "tests/ui/WidgetTestSupport.h"
#include "ui/Widget.h"
#include "ui/anim/EasingCurve.h"
#include "ui/anim/Transition.h"
#include "ui/anim/Transitionable.h"

namespace {

using uitest::R;

// A linear curve that counts its deletions.
int g_curvesDeleted = 0;
class CountedLinear : public IEasingCurve {
public:
    ~CountedLinear() override { ++g_curvesDeleted; }
    float Evaluate(float t) const override { return t; }
    IEasingCurve* Clone() const override { return new CountedLinear(); }
};

// Two 200 x 100 pages of a 200-wide view.
class TransitionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_curvesDeleted = 0;
        ASSERT_EQ(VORTAN_OK, outgoing.Startup(nullptr, nullptr, R(0, 10, 200, 110)));
        ASSERT_EQ(VORTAN_OK, incoming.Startup(nullptr, nullptr, R(0, 10, 200, 110)));
        incoming.SetVisible(false);
        outgoing.SetEnabled(false);
        incoming.SetEnabled(false);
    }
    void TearDown() override
    {
        outgoing.Shutdown();
        incoming.Shutdown();
    }
    CTransition* Make(int direction, int type, bool moveOther, float duration)
    {
        CTransition* t = new CTransition();
        t->Setup(moveOther, direction, type, duration);
        t->SetEasingIn(new CountedLinear());
        t->SetEasingOut(new CountedLinear());
        return t;
    }

    CWidget outgoing, incoming;
};

TEST_F(TransitionTest, RightStepSlidesTheIncomingPageInAndPushesTheOtherOut)
{
    CTransition* t = Make(TRANSITION_RIGHT, TRANSITION_IN, true, 1.0f);
    t->SetWidgets(&outgoing, &incoming);
    t->Start();
    // distance = left + right = 200; x = max(floor(200 - e x 200 + 0.5), 0).
    struct Step {
        float dt;
        int x;
        float offset;
    } steps[] = {{0.25f, 150, 50.0f}, {0.5f, 50, 150.0f}, {0.125f, 25, 175.0f}};
    for (const Step& s : steps) {
        t->Update(s.dt);
        EXPECT_TRUE(incoming.IsVisible());
        EXPECT_EQ(s.x, incoming.GetRect().left) << s.dt;
        EXPECT_EQ(10, incoming.GetRect().top);
        EXPECT_EQ(s.x - 200, outgoing.GetRect().left); // just left of the incoming page
        EXPECT_EQ(s.offset, t->GetOffset());
        EXPECT_TRUE(t->IsRunning());
    }
    // The last step overshoots the duration: capped, at the start, then finished.
    t->Update(0.5f);
    EXPECT_FALSE(t->IsRunning());
    EXPECT_EQ(0, incoming.GetRect().left);
    EXPECT_EQ(-200, outgoing.GetRect().left);
    EXPECT_FALSE(outgoing.IsVisible());
    EXPECT_TRUE(incoming.IsVisible());
    EXPECT_TRUE(outgoing.IsEnabled());
    EXPECT_TRUE(incoming.IsEnabled());
    EXPECT_EQ(nullptr, t->GetOutgoing());
    EXPECT_EQ(0.0f, t->GetOffset());
    EXPECT_EQ(0.0f, t->GetElapsed());
    delete t;
    EXPECT_EQ(2, g_curvesDeleted);
}

TEST_F(TransitionTest, LeftStepSlidesTheOutgoingPageOutToTheRight)
{
    // Without move-other the incoming page does not move.
    CTransition* t = Make(TRANSITION_LEFT, TRANSITION_OUT, false, 0.5f);
    t->SetWidgets(&outgoing, &incoming);
    t->Start();
    t->Update(0.125f); // e = 0.25: x = min(floor(0.25 x 200 + 0 + 0.5), 200) = 50
    EXPECT_EQ(50, outgoing.GetRect().left);
    EXPECT_EQ(0, incoming.GetRect().left);
    EXPECT_FALSE(incoming.IsVisible());
    t->Update(0.5f);
    EXPECT_EQ(200, outgoing.GetRect().left);
    EXPECT_FALSE(t->IsRunning());
    EXPECT_FALSE(outgoing.IsVisible());
    delete t;

    // With move-other the incoming page starts one width to the left and follows.
    outgoing.SetPosition(0, 10);
    outgoing.SetVisible(true);
    incoming.SetVisible(false);
    t = Make(TRANSITION_LEFT, TRANSITION_OUT, true, 0.5f);
    t->SetWidgets(&outgoing, &incoming);
    t->Start();
    t->Update(0.0f);
    EXPECT_TRUE(incoming.IsVisible());
    EXPECT_EQ(-200, incoming.GetRect().left);
    EXPECT_EQ(0, outgoing.GetRect().left);
    t->Update(0.375f); // e = 0.75: x = 150
    EXPECT_EQ(150, outgoing.GetRect().left);
    EXPECT_EQ(-50, incoming.GetRect().left);
    t->Update(0.125f);
    EXPECT_EQ(0, incoming.GetRect().left);
    EXPECT_FALSE(t->IsRunning());
    delete t;
}

TEST_F(TransitionTest, MismatchedStepsMoveNothingButSwapVisibility)
{
    // A right step on an "out" transition and a left one on an "in" transition.
    const int pairs[][2] = {{TRANSITION_RIGHT, TRANSITION_OUT},
                            {TRANSITION_LEFT, TRANSITION_IN},
                            {TRANSITION_UP, TRANSITION_IN},
                            {TRANSITION_CENTER, TRANSITION_OUT}};
    for (const auto& p : pairs) {
        outgoing.SetVisible(true);
        incoming.SetVisible(false);
        CTransition* t = Make(p[0], p[1], true, 0.2f);
        t->SetWidgets(&outgoing, &incoming);
        t->Start();
        t->Update(0.1f);
        EXPECT_EQ(0, outgoing.GetRect().left);
        EXPECT_EQ(0, incoming.GetRect().left);
        EXPECT_FALSE(incoming.IsVisible());
        t->Update(0.1f);
        EXPECT_FALSE(t->IsRunning());
        EXPECT_TRUE(incoming.IsVisible());
        EXPECT_FALSE(outgoing.IsVisible());
        delete t;
    }
}

TEST_F(TransitionTest, MissingCurvesDurationZeroDirectionAndSkip)
{
    // No curves: the first update finishes without motion.
    CTransition bare;
    bare.Setup(true, TRANSITION_RIGHT, TRANSITION_IN, 1.0f);
    bare.SetWidgets(&outgoing, &incoming);
    bare.Start();
    bare.Update(0.01f);
    EXPECT_FALSE(bare.IsRunning());
    EXPECT_TRUE(incoming.IsVisible());
    EXPECT_FALSE(outgoing.IsVisible());
    EXPECT_EQ(0, incoming.GetRect().left);

    // Duration 0: one step with e = 1 (the incoming page in place), then finished.
    outgoing.SetVisible(true);
    incoming.SetVisible(false);
    CTransition* t = Make(TRANSITION_RIGHT, TRANSITION_IN, true, 0.0f);
    t->SetWidgets(&outgoing, &incoming);
    t->Start();
    t->Update(0.0f);
    EXPECT_FALSE(t->IsRunning());
    EXPECT_EQ(0, incoming.GetRect().left);
    EXPECT_EQ(-200, outgoing.GetRect().left);
    EXPECT_EQ(0.0f, t->GetOffset());
    // So does a negative one.
    t->Setup(false, TRANSITION_LEFT, TRANSITION_OUT, -1.0f);
    outgoing.SetPosition(0, 10);
    t->SetWidgets(&outgoing, &incoming);
    t->Start();
    t->Update(0.016f);
    EXPECT_FALSE(t->IsRunning());
    EXPECT_EQ(200, outgoing.GetRect().left);

    // The direction cannot change while running.
    t->Setup(false, TRANSITION_NONE, TRANSITION_IN, 1.0f);
    t->SetWidgets(&outgoing, &incoming);
    t->Start();
    t->SetDirection(TRANSITION_RIGHT);
    EXPECT_EQ(TRANSITION_NONE, t->GetDirection());
    // Skipping: the next update takes the last step and finishes.
    t->SkipToEnd();
    EXPECT_EQ(1.0f, t->GetElapsed());
    t->Update(0.0f);
    EXPECT_FALSE(t->IsRunning());
    t->SetDirection(TRANSITION_RIGHT);
    EXPECT_EQ(TRANSITION_RIGHT, t->GetDirection());
    // Skipped and started again before its finish: it completes on its next update.
    t->SetWidgets(&outgoing, &incoming);
    t->Start();
    t->SkipToEnd();
    t->Start();
    t->Update(0.0f);
    EXPECT_FALSE(t->IsRunning());
    delete t;
}

TEST_F(TransitionTest, HolderKeepsOnePerTypeAndStartsByType)
{
    CTransitionable* holder = new CTransitionable();
    holder->Startup();
    holder->AddTransition(Make(TRANSITION_RIGHT, TRANSITION_IN, true, 1.0f));
    CTransition* out = Make(TRANSITION_LEFT, TRANSITION_OUT, true, 1.0f);
    holder->AddTransition(out);
    CTransition* in = Make(TRANSITION_RIGHT, TRANSITION_IN, false, 0.5f);
    holder->AddTransition(in); // replaces the first "in", deleting it and its curves
    EXPECT_EQ(2, g_curvesDeleted);
    EXPECT_EQ(2, holder->GetTransitionCount());
    EXPECT_EQ(in, holder->FindTransition(TRANSITION_IN));
    EXPECT_EQ(out, holder->FindTransition(TRANSITION_OUT));
    EXPECT_EQ(nullptr, holder->FindTransition(TRANSITION_NO_TYPE));

    // A type the holder lacks: nothing starts, visibility stays.
    holder->BeginTransitions(TRANSITION_NO_TYPE, &outgoing, &incoming);
    EXPECT_FALSE(holder->IsTransitionRunning());
    holder->Update(0.1f);
    EXPECT_FALSE(incoming.IsVisible());
    EXPECT_TRUE(outgoing.IsVisible());

    holder->BeginTransitions(TRANSITION_IN, &outgoing, &incoming);
    EXPECT_TRUE(in->IsRunning());
    EXPECT_FALSE(out->IsRunning());
    holder->Update(0.125f); // e = 0.25, offset 50
    EXPECT_EQ(150, incoming.GetRect().left);
    EXPECT_EQ(50.0f, in->GetOffset());
    // The holder's offset is its first transition's: the idle "out" one since the
    // replacement went to the end of the list.
    EXPECT_EQ(0.0f, holder->GetTransitionOffset());
    holder->FinishTransitions();
    holder->Update(0.0f);
    EXPECT_FALSE(holder->IsTransitionRunning());
    EXPECT_EQ(0, incoming.GetRect().left);

    holder->Shutdown();
    EXPECT_EQ(0, holder->GetTransitionCount());
    EXPECT_EQ(6, g_curvesDeleted);
    EXPECT_EQ(0.0f, holder->GetTransitionOffset());
    delete holder;
}

} // namespace
