// The page view and page buttons without a window: the history and its limit, the back
// grammar (":back", ":back#n", ":back:name"), which changes run the "in" and "out"
// transitions, a change during a running transition, and page buttons that follow the
// shown page and navigate only when their handler agrees.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/UiTestSupport.h"
#include "tests/ui/WidgetTestSupport.h"
#include "ui/anim/EasingCurve.h"
#include "ui/anim/Transition.h"
#include "ui/layouts/PageView.h"
#include "ui/widgets/PageButton.h"

namespace {

using uitest::R;
using uitest::S;

CTransition* Slide(int direction, int type)
{
    CTransition* t = new CTransition();
    t->Setup(true, direction, type, 0.5f);
    t->SetEasingIn(CEasingCurveLinear::Create(0, nullptr));
    t->SetEasingOut(CEasingCurveLinear::Create(0, nullptr));
    return t;
}

// A 400 x 300 view named "pages" under a root, with six pages p0 .. p5 and both slides.
class PageViewTest : public ::testing::Test {
protected:
    void SetUp() override { Build(0); }
    // The tree again with a history of the size (kept from the first page on).
    void Build(int history)
    {
        uitest::Drop(root);
        root = new CWidget();
        root->Startup(nullptr, nullptr, R(0, 0, 800, 480));
        view = new CPageView();
        ASSERT_EQ(VORTAN_OK, view->Startup(nullptr, nullptr, R(0, 0, 400, 300)));
        view->SetName(S("pages"));
        view->SetHistoryMaxSize(history);
        root->AddChild(view);
        for (int i = 0; i < 6; ++i)
            uitest::Make(nullptr, view, ("p" + std::to_string(i)).c_str(), R(0, 0, 10, 10));
        view->AddTransition(Slide(TRANSITION_RIGHT, TRANSITION_IN));
        view->AddTransition(Slide(TRANSITION_LEFT, TRANSITION_OUT));
    }
    void TearDown() override { uitest::Drop(root); }
    std::vector<int> History()
    {
        std::vector<int> out;
        for (int i = 0; i < view->GetHistoryIndices().GetSize(); ++i)
            out.push_back(view->GetHistoryIndices()[i]);
        return out;
    }
    CTransition* Running()
    {
        for (int i = 0; i < view->GetTransitionCount(); ++i)
            if (view->GetTransitionAt(i)->IsRunning())
                return view->GetTransitionAt(i);
        return nullptr;
    }
    // Runs transitions out and lays the pages out.
    void Settle()
    {
        for (int i = 0; i < 10; ++i)
            view->Update(0.1f);
    }
    void Go(const char* path) { view->NavigateTo(S(path)); }

    CWidget* root = nullptr;
    CPageView* view = nullptr;
};

TEST_F(PageViewTest, FirstChildShownOthersHidden)
{
    EXPECT_EQ(0, view->GetCurrentPageIndex());
    EXPECT_TRUE(view->GetChild(0)->IsVisible());
    EXPECT_FALSE(view->GetChild(3)->IsVisible());
    view->Update(0.0f);
    EXPECT_TRUE(uitest::SameRect(view->GetChild(3)->GetRect(), 0, 0, 400, 300));
}

TEST_F(PageViewTest, HistoryKeepsTheNewestEntries)
{
    Build(3);
    for (int i = 1; i <= 4; ++i) {
        view->ShowPage(i);
        Settle();
    }
    EXPECT_EQ((std::vector<int>{2, 3, 4}), History());
    CVortanStringArray names;
    view->GetHistory(names);
    ASSERT_EQ(3, names.GetCount());
    EXPECT_EQ("p2", VortanUTF8Of(names.GetAt(0)));
    EXPECT_EQ("p4", VortanUTF8Of(names.GetAt(2)));

    CVortanStringArray paths;
    paths.Add(S("p1"));
    paths.Add(S("nothing"));
    paths.Add(S("p5"));
    view->SetHistory(paths);
    EXPECT_EQ((std::vector<int>{1, 5}), History());
}

TEST_F(PageViewTest, ForwardRunsInExceptToPageZero)
{
    Build(10);
    Go("p2");
    CTransition* t = Running();
    ASSERT_NE(nullptr, t);
    EXPECT_EQ(TRANSITION_IN, t->GetType());
    EXPECT_EQ(view->GetChild(0), t->GetOutgoing());
    EXPECT_EQ(view->GetChild(2), t->GetIncoming());
    Settle();
    EXPECT_EQ(nullptr, Running());
    EXPECT_TRUE(view->GetChild(2)->IsVisible());
    EXPECT_FALSE(view->GetChild(0)->IsVisible());
    Go("p0");
    EXPECT_EQ(nullptr, Running());
    EXPECT_EQ(0, view->GetCurrentPageIndex());
}

TEST_F(PageViewTest, BackGrammar)
{
    Build(10);
    Go("p2");
    Go("p5");
    Settle();
    ASSERT_EQ((std::vector<int>{0, 2, 5}), History());
    CWidget* shown = view->NavigateTo(S(":back"));
    EXPECT_EQ(view->GetChild(2), shown);
    ASSERT_NE(nullptr, Running());
    EXPECT_EQ(TRANSITION_OUT, Running()->GetType());
    EXPECT_EQ((std::vector<int>{0, 2}), History());
    Settle();

    Go("p5");
    Settle();
    shown = view->NavigateTo(S(":back#2"));
    EXPECT_EQ(view->GetChild(0), shown);
    EXPECT_EQ(TRANSITION_OUT, Running()->GetType());
    EXPECT_EQ((std::vector<int>{0}), History());
    Settle();

    // A single entry: page 0 without a transition.
    shown = view->NavigateTo(S(":back"));
    EXPECT_EQ(view->GetChild(0), shown);
    EXPECT_EQ(nullptr, Running());

    // Back to a named page of the history: pages above it hidden, one backward slide.
    Go("p1");
    Go("p3");
    Go("p4");
    Settle();
    shown = view->NavigateTo(S(":back:p1"));
    EXPECT_EQ(view->GetChild(1), shown);
    EXPECT_EQ((std::vector<int>{0, 1}), History());
    ASSERT_NE(nullptr, Running());
    EXPECT_EQ(TRANSITION_OUT, Running()->GetType());
    EXPECT_FALSE(view->GetChild(3)->IsVisible());
    Settle();

    // Not in the history: back one page, then forward to it.
    Go("p2");
    Settle();
    shown = view->NavigateTo(S(":back:p5"));
    EXPECT_EQ(view->GetChild(5), shown);
    EXPECT_EQ((std::vector<int>{0, 1, 5}), History());
    ASSERT_NE(nullptr, Running());
    EXPECT_EQ(TRANSITION_IN, Running()->GetType());

    view->GoBack(0);
    view->GoBack(-2);
    EXPECT_EQ((std::vector<int>{0, 1, 5}), History());
}

TEST_F(PageViewTest, WithoutHistoryBackIsAPlainPath)
{
    EXPECT_EQ(nullptr, view->NavigateTo(S(":back")));
    EXPECT_EQ(view->GetChild(4), view->NavigateTo(S("p4")));
    EXPECT_EQ(nullptr, Running()); // no history: shown by the next layout pass
    view->Update(0.0f);
    EXPECT_TRUE(view->GetChild(4)->IsVisible());
    EXPECT_FALSE(view->GetChild(0)->IsVisible());
    EXPECT_EQ(nullptr, view->NavigateTo(S("not_a_page")));
}

TEST_F(PageViewTest, ChangeDuringASlideEndsItAndTheNextCompletesAtOnce)
{
    Build(10);
    Go("p1");
    view->Update(0.1f);
    ASSERT_NE(nullptr, Running());
    Go("p2");
    view->Update(0.01f);
    EXPECT_EQ(nullptr, Running());
    EXPECT_TRUE(view->GetChild(2)->IsVisible());
    EXPECT_EQ(0, view->GetChild(2)->GetRect().left);
    EXPECT_FALSE(view->GetChild(1)->IsVisible());
    view->Update(0.01f); // the layout pass after it shows only the current page
    EXPECT_FALSE(view->GetChild(0)->IsVisible());
}

int g_answer = 1;
int g_clicks = 0;
int Answer(CWidget*, void*, intptr_t, intptr_t)
{
    ++g_clicks;
    return g_answer;
}

TEST_F(PageViewTest, PageButtonsFollowAndNavigate)
{
    Build(10);
    CPageButton* button = new CPageButton();
    ASSERT_EQ(VORTAN_OK, button->Startup(nullptr, nullptr, R(500, 0, 600, 50)));
    button->SetTarget(S("../pages"));
    button->SetPage(S("p3"));
    button->SetOnClick(CUIDelegate(Answer, nullptr));
    root->AddChild(button);
    root->Update(0.0f);
    ASSERT_EQ(view, button->GetPageView());
    EXPECT_EQ(1, view->GetPageButtonCount());
    EXPECT_EQ(0, button->GetState());

    // A handler that answers 0 stops the navigation.
    g_answer = 0;
    g_clicks = 0;
    button->Click();
    EXPECT_EQ(1, g_clicks);
    EXPECT_EQ(0, view->GetCurrentPageIndex());

    g_answer = 1;
    button->Click();
    EXPECT_EQ(3, view->GetCurrentPageIndex());
    Settle();
    EXPECT_EQ(1, button->GetState());
    Go("p1");
    Settle();
    EXPECT_EQ(0, button->GetState());

    button->Shutdown();
    EXPECT_EQ(0, view->GetPageButtonCount());
    root->RemoveChild(button);
    delete button;
}

TEST_F(PageViewTest, ShutdownDetachesButtons)
{
    CPageButton* button = new CPageButton();
    button->Startup(nullptr, nullptr, R(0, 0, 1, 1));
    button->SetPageView(view);
    EXPECT_EQ(1, view->GetPageButtonCount());
    root->RemoveChild(view);
    uitest::Drop(view);
    view = nullptr;
    EXPECT_EQ(nullptr, button->GetPageView());
    uitest::Drop(button);
}

} // namespace
