// Buttons driven through the root's dispatch on exact time steps: the delayed click, the
// enlarged hit area while pressed, cancel, lock, the up and pressed looks, toggles, the click
// fade, and handlers that delete the button.
#include <gtest/gtest.h>

#include "tests/ui/UiTestSupport.h"
#include "ui/WidgetCast.h"
#include "ui/layouts/Alignment.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/ToggleButton.h"

namespace {

using uitest::R;

struct Log {
    int clicks = 0;
    int cancels = 0;
    int answer = 1;
    int stateAtClick = -1;
};

int OnClick(CWidget* sender, void* context, intptr_t, intptr_t)
{
    Log* log = (Log*)context;
    ++log->clicks;
    if (CToggleButton* toggle = WidgetCast<CToggleButton>(sender))
        log->stateAtClick = toggle->GetState();
    return log->answer;
}

int OnCancel(CWidget*, void* context, intptr_t, intptr_t)
{
    ++((Log*)context)->cancels;
    return 1;
}

// A 400 x 300 root with a 100 x 40 button at (100, 100).
class ButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(VORTAN_OK, root.Startup(nullptr, nullptr, R(0, 0, 400, 300)));
        button = Make<CButton>(R(100, 100, 200, 140));
        root.AddChild(button);
    }
    void TearDown() override
    {
        root.Shutdown();
        CWidget::SetCapture(nullptr);
    }
    template <class T>
    T* Make(const CVortanRect& rect)
    {
        T* b = new T();
        EXPECT_EQ(VORTAN_OK, b->Startup(nullptr, nullptr, rect));
        b->SetOnClick(CUIDelegate(OnClick, &log));
        b->SetOnCancel(CUIDelegate(OnCancel, &log));
        return b;
    }
    void Press(int x, int y) { root.DispatchPointerDown(0, x, y); }
    void Release(int x, int y) { root.DispatchPointerUp(0, x, y); }

    CWidget root;
    CButton* button = nullptr;
    Log log;
};

TEST_F(ButtonTest, PressAndReleaseInsideClickOnceAfterTheDelay)
{
    EXPECT_FALSE(button->IsPassThrough());
    Press(150, 120);
    EXPECT_TRUE(button->IsPressed());
    EXPECT_EQ(button, CWidget::GetCapture());
    Release(150, 120);
    EXPECT_FALSE(button->IsPressed());
    EXPECT_EQ(nullptr, CWidget::GetCapture());
    EXPECT_EQ(0, log.clicks);
    root.Update(0.1f);
    EXPECT_EQ(0, log.clicks);
    root.Update(0.1f); // the first frame at or after 0.15 s
    EXPECT_EQ(1, log.clicks);
    EXPECT_EQ(1, button->GetClickCount());
    root.Update(1.0f);
    EXPECT_EQ(1, log.clicks);
    // Exactly 0.15 s in one frame is enough.
    Press(150, 120);
    Release(150, 120);
    root.Update(0.15f);
    EXPECT_EQ(2, log.clicks);

    // Delay 0: the click comes with the release.
    button->SetClickDelay(0.0f);
    Press(150, 120);
    Release(150, 120);
    EXPECT_EQ(3, log.clicks);
    // Other pointer buttons do not press it.
    root.DispatchPointerDown(1, 150, 120);
    EXPECT_FALSE(button->IsPressed());
}

TEST_F(ButtonTest, TheHitAreaGrowsWhilePressed)
{
    // Pressed: 1.25 x the button, 12.5 px (of 100) beyond each side, 5 px (of 40) above
    // and below.
    Press(150, 120);
    EXPECT_EQ(1.25f, button->GetHitAreaScale());
    EXPECT_TRUE(uitest::SameRect(button->GetHitRect(), -13, -5, 113, 45));
    Release(210, 120); // 10 % beyond the right edge: still a click
    root.Update(0.2f);
    EXPECT_EQ(1, log.clicks);
    EXPECT_EQ(0, log.cancels);
    EXPECT_TRUE(uitest::SameRect(button->GetHitRect(), 0, 0, 100, 40));

    Press(150, 120);
    Release(220, 120); // 20 % beyond: cancelled
    root.Update(0.2f);
    EXPECT_EQ(1, log.clicks);
    EXPECT_EQ(1, log.cancels);

    // Without cancelling, a release anywhere clicks.
    button->SetCancellable(false);
    Press(150, 120);
    Release(390, 290);
    root.Update(0.2f);
    EXPECT_EQ(2, log.clicks);
    EXPECT_EQ(1, log.cancels);
}

TEST_F(ButtonTest, PressedAndReleasedScalesDoNotDrift)
{
    // An odd scale and extra: a thousand presses leave the base exactly.
    button->SetHitAreaScale(1.1f);
    button->SetHitAreaExtra(0.3f);
    for (int i = 0; i < 1000; ++i) {
        button->SetPressed(true);
        button->SetPressed(false);
    }
    EXPECT_EQ(1.1f, button->GetHitAreaScale());
    // An extra that would take the scale below 0 is lost to the clamp only while pressed.
    button->SetHitAreaScale(0.1f);
    button->SetHitAreaExtra(-0.25f);
    button->SetPressed(true);
    EXPECT_EQ(0.0f, button->GetHitAreaScale());
    EXPECT_TRUE(uitest::SameRect(button->GetHitRect(), 50, 20, 50, 20));
    button->SetPressed(false);
    EXPECT_EQ(0.1f, button->GetHitAreaScale());

    // A clone of a pressed button has the base area.
    button->SetHitAreaExtra(0.25f);
    button->SetHitAreaScale(1.0f);
    button->SetPressed(true);
    CButton* copy = static_cast<CButton*>(button->Clone());
    ASSERT_NE(nullptr, copy);
    EXPECT_FALSE(copy->IsPressed());
    EXPECT_EQ(1.0f, copy->GetHitAreaScale());
    EXPECT_TRUE(uitest::SameRect(copy->GetHitRect(), 0, 0, 100, 40));
    EXPECT_EQ(0.15f, copy->GetClickDelay());
    EXPECT_TRUE(copy->GetOnClick() == button->GetOnClick());
    EXPECT_FALSE(copy->GetOnCancel().IsSet()); // not copied
    copy->Shutdown();
    delete copy;
    button->SetPressed(false);
}

TEST_F(ButtonTest, ClickAnswersTheHandler)
{
    log.answer = 0;
    EXPECT_EQ(0, button->Click());
    log.answer = 7;
    EXPECT_EQ(7, button->Click());
    EXPECT_EQ(2, button->GetClickCount());
    button->SetOnClick(CUIDelegate());
    EXPECT_EQ(1, button->Click());
    EXPECT_EQ(2, button->GetClickCount()); // counted only with a handler
}

TEST_F(ButtonTest, InputLockIgnoresPressesUntilItRunsOut)
{
    button->SetInputLockTime(1.0f);
    Press(150, 120);
    EXPECT_FALSE(button->IsPressed());
    Release(150, 120);
    root.Update(0.5f);
    Press(150, 120);
    EXPECT_FALSE(button->IsPressed());
    Release(150, 120);
    root.Update(0.5f);
    EXPECT_EQ(0, log.clicks);
    Press(150, 120);
    EXPECT_TRUE(button->IsPressed());
    Release(150, 120);
    root.Update(0.15f);
    EXPECT_EQ(1, log.clicks);

    // A lock that starts while the button is held swallows the click at the release.
    button->SetInputLockTime(0.0f);
    Press(150, 120);
    button->SetInputLockTime(0.5f);
    Release(150, 120);
    root.Update(0.2f);
    EXPECT_EQ(1, log.clicks);
}

TEST_F(ButtonTest, CancelPointerReleasesAndCancels)
{
    Press(150, 120);
    root.CancelPointer();
    EXPECT_FALSE(button->IsPressed());
    EXPECT_EQ(1, log.cancels);
    CWidget::SetCapture(nullptr);
    root.Update(0.2f);
    EXPECT_EQ(0, log.clicks);
}

TEST_F(ButtonTest, LayoutWidgetsShowTheUpAndPressedLooks)
{
    // Image widgets let the press through to the button.
    CWidget* up = new CImageWidget();
    CWidget* down = new CImageWidget();
    up->Startup(nullptr, nullptr, R(0, 0, 1, 1));
    down->Startup(nullptr, nullptr, R(0, 0, 1, 1));
    down->SetVisible(false);
    button->AddChild(up);
    button->AddChild(down);
    button->SetLayoutWidgets(true);
    button->SetRect(R(100, 100, 200, 150));
    EXPECT_TRUE(uitest::SameRect(up->GetRect(), 0, 0, 100, 50));
    EXPECT_TRUE(uitest::SameRect(down->GetRect(), 0, 0, 100, 50));

    Press(150, 120);
    EXPECT_FALSE(up->IsVisible());
    EXPECT_TRUE(down->IsVisible());
    Release(150, 120);
    EXPECT_TRUE(up->IsVisible());
    EXPECT_FALSE(down->IsVisible());
}

TEST_F(ButtonTest, ToggleShowsItsLastTwoChildren)
{
    CToggleButton* toggle = Make<CToggleButton>(R(0, 0, 50, 50));
    root.AddChild(toggle);
    CWidget* kids[3];
    for (CWidget*& k : kids) {
        k = new CWidget();
        k->Startup(nullptr, nullptr, R(0, 0, 10, 10));
    }
    kids[0]->SetVisible(false);
    toggle->AddChild(kids[0]); // forced refresh: made visible
    EXPECT_TRUE(kids[0]->IsVisible());
    kids[0]->SetVisible(false);
    toggle->AddChild(kids[1]);
    toggle->AddChild(kids[2]);
    EXPECT_TRUE(kids[0]->IsVisible()); // forced again by the adding
    EXPECT_TRUE(kids[1]->IsVisible());
    EXPECT_FALSE(kids[2]->IsVisible());

    kids[0]->SetVisible(false);
    toggle->SetState(1);
    EXPECT_FALSE(kids[0]->IsVisible()); // keeps its own visibility
    EXPECT_FALSE(kids[1]->IsVisible());
    EXPECT_TRUE(kids[2]->IsVisible());

    // A click in state 1 turns it to 0 before onclick runs.
    EXPECT_EQ(1, toggle->Click());
    EXPECT_EQ(0, toggle->GetState());
    EXPECT_EQ(0, log.stateAtClick);
    EXPECT_TRUE(kids[1]->IsVisible());
    EXPECT_FALSE(kids[2]->IsVisible());
    // Removing a child forces visibility again.
    toggle->RemoveChild(kids[2]);
    EXPECT_TRUE(kids[0]->IsVisible());
    EXPECT_FALSE(kids[1]->IsVisible());
    kids[2]->Shutdown();
    delete kids[2];
}

TEST_F(ButtonTest, AButtonWithoutImageFadesTheImagesInside)
{
    CImageWidget* shown = new CImageWidget();
    CImageWidget* hidden = new CImageWidget();
    CWidget* box = new CWidget();
    CImageWidget* deep = new CImageWidget();
    for (CWidget* w : {(CWidget*)shown, (CWidget*)hidden, box, (CWidget*)deep})
        w->Startup(nullptr, nullptr, R(0, 0, 10, 10));
    hidden->SetVisible(false);
    button->AddChild(shown);
    button->AddChild(hidden);
    button->AddChild(box);
    box->AddChild(deep);
    Press(150, 120);
    Release(150, 120);
    EXPECT_TRUE(shown->GetImageFlags() & IMAGE_FADING);
    EXPECT_TRUE(deep->GetImageFlags() & IMAGE_FADING);
    EXPECT_FALSE(hidden->GetImageFlags() & IMAGE_FADING);
    EXPECT_FALSE(button->GetImageFlags() & IMAGE_FADING);
    root.Update(0.5f);
    EXPECT_EQ(0x80FFFFFFu, deep->GetColor());
}

// A click handler that deletes its own button (through the tree's deferred deletion).
int DeleteSender(CWidget* sender, void* context, intptr_t, intptr_t)
{
    ++((Log*)context)->clicks;
    CWidget::Destroy(sender);
    return 1;
}

TEST_F(ButtonTest, AHandlerMayDeleteItsButton)
{
    button->SetOnClick(CUIDelegate(DeleteSender, &log));
    button->SetClickDelay(0.0f);
    Press(150, 120);
    Release(150, 120); // the click runs inside the release's dispatch
    EXPECT_EQ(1, log.clicks);
    EXPECT_EQ(0, root.GetChildCount());

    CButton* second = Make<CButton>(R(0, 0, 50, 50));
    second->SetOnClick(CUIDelegate(DeleteSender, &log));
    root.AddChild(second);
    Press(25, 25);
    Release(25, 25);
    root.Update(0.2f); // the click runs inside the update walk
    EXPECT_EQ(2, log.clicks);
    EXPECT_EQ(0, root.GetChildCount());
}

} // namespace

namespace {

TEST(ButtonInLayout, PressReachesAButtonBelowAPassThroughLayout)
{
    Log log;
    CWidget root;
    root.Startup(nullptr, nullptr, R(0, 0, 800, 480));
    CAlignment* corner = new CAlignment();
    corner->Startup(nullptr, nullptr, R(0, 0, 800, 200));
    corner->SetMargin(ALIGN_MARGIN_LEFT, 40);
    corner->SetMargin(ALIGN_MARGIN_TOP, 40);
    CButton* button = new CButton();
    button->Startup(nullptr, nullptr, R(0, 0, 200, 100));
    button->SetOnClick(CUIDelegate(OnClick, &log));
    button->SetClickDelay(0.0f);
    corner->AddChild(button);
    root.AddChild(corner);
    root.DispatchPointerDown(0, 140, 90);
    EXPECT_TRUE(button->IsPressed());
    root.DispatchPointerUp(0, 140, 90);
    EXPECT_EQ(1, log.clicks);
    root.Shutdown();
}

} // namespace
