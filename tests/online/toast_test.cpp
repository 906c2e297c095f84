// The toast over the shipped layout on a window-less application: icons per kind, the queue,
// the strip's slide positions by the formulas of the slide, taps, and rebuilds.
#include <gtest/gtest.h>
#include <math.h>

#include <string>

#include "online/popups/OrloToastNotification.h"
#include "tests/ui/LoaderTestSupport.h"
#include "ui/WidgetCast.h"
#include "ui/widgets/TextWidget.h"

namespace {

struct Toast : ltest::LoaderCase {
    COrloToastNotification toast;

    void Start(bool withLayout = true)
    {
        if (withLayout)
            Pack({{"toast-root.xml",
                   vtest::ReadWholeFile(vtest::SourceDir() + "/data/layouts/toast-root.xml")}});
        ASSERT_EQ(withLayout ? VORTAN_OK : VORTAN_E_MISSING, toast.Init(&app));
    }
    ~Toast() override { toast.Release(); }
    bool Visible(const char* name)
    {
        CWidget* w = ltest::Find(toast.GetRoot(), name);
        return w && w->IsVisible();
    }
    std::string Icon()
    {
        std::string out;
        for (const char* n :
             {"toast_icon_message", "toast_icon_challenge", "toast_icon_achievement"})
            if (Visible(n))
                out += std::string(out.empty() ? "" : "+") + (n + 11);
        return out.empty() ? "none" : out;
    }
    std::string Message()
    {
        CTextWidget* t = WidgetCast<CTextWidget>(ltest::Find(toast.GetRoot(), "toast_message"));
        return t ? VortanUTF8Of(t->GetText()) : "?";
    }
    int Top() { return toast.GetHitArea()->GetRect().top; }
    int BackgroundTop() { return ltest::Find(toast.GetRoot(), "toast_bg")->GetRect().top; }
    // The strip's top by the slide's formulas for a toast of the duration (bottom 480).
    static int Expected(float t, float duration, float h, float bottom = 480.0f)
    {
        double y;
        if (t <= 0.5)
            y = bottom - h * 2.0 * t;
        else if (t <= duration - 0.5)
            y = bottom - h;
        else
            y = bottom - h * (1.0 - 2.0 * (t - (duration - 0.5)));
        return (int)floor(y + 0.5);
    }
    void Tap(int x, int y)
    {
        toast.OnPointerDown(0, x, y);
        toast.OnPointerUp(0, x, y);
    }
};

CVortanString S(const char* text)
{
    return CVortanString(text);
}

} // namespace

TEST_F(Toast, EachKindShowsItsIcon)
{
    Start();
    const struct {
        int kind;
        const char* icon;
        int reported;
    } cases[] = {{0, "message", 1},     {1, "message", 1},     {3, "challenge", 3},
                 {-1, "challenge", -1}, {4, "achievement", 4}, {7, "none", 7}};
    int n = 0;
    for (const auto& c : cases) {
        const std::string text = "text " + std::to_string(n++);
        toast.AddMessage(S(text.c_str()), 0.0f, c.kind);
        EXPECT_EQ(c.icon, Icon()) << c.kind;
        EXPECT_EQ(c.reported, toast.GetCurrentKind());
        EXPECT_TRUE(toast.IsShowing());
        if (c.kind == 4) {
            EXPECT_EQ(text + "\n\nAchievement unlocked!", Message());
        } else {
            EXPECT_EQ(text, Message());
        }
        toast.Update(3.0f); // ends it
        EXPECT_FALSE(toast.IsShowing());
    }
}

TEST_F(Toast, TheQueueHoldsEachWaitingTextOnce)
{
    Start();
    toast.AddMessage(S("A"), 0.0f, 1);
    toast.AddMessage(S("B"), 0.0f, 1);
    toast.AddMessage(S("B"), 0.0f, 1);
    EXPECT_EQ(1, toast.GetQueueCount());
    toast.AddMessage(S("A"), 0.0f, 1); // the toast on screen is not compared
    EXPECT_EQ(2, toast.GetQueueCount());
    EXPECT_EQ(1, toast.GetShownCount());
    toast.Update(3.0f);
    EXPECT_EQ("B", Message());
    toast.Update(3.0f);
    EXPECT_EQ("A", Message());
    toast.Update(3.0f);
    EXPECT_FALSE(toast.IsShowing());
    EXPECT_EQ(3, toast.GetShownCount());
    EXPECT_EQ(-1.0f, toast.GetElapsed());
}

TEST_F(Toast, TheStripSlidesInHoldsAndSlidesOut)
{
    Start();
    toast.AddMessage(S("slide"), 0.0f, 1);
    const float h = 72.0f; // 0.15 of 480
    ASSERT_EQ((int)h, toast.GetHitArea()->GetHeight());
    for (int step = 1; step < 12; ++step) {
        toast.Update(0.25f);
        const float t = 0.25f * step;
        EXPECT_EQ(Expected(t, 3.0f, h), Top()) << t;
        EXPECT_EQ(Top(), BackgroundTop());
        EXPECT_EQ(0, toast.GetHitArea()->GetRect().left);
    }
    toast.Update(0.1f); // 2.85: sliding out
    EXPECT_EQ(Expected(2.85f, 3.0f, h), Top());
    toast.Update(0.15f); // 3.0: gone
    EXPECT_FALSE(toast.IsShowing());
}

TEST_F(Toast, ATapShortensTheToastOnceAndOnlyOnTheStrip)
{
    Start();
    toast.AddMessage(S("tap"), 0.0f, 1);
    toast.Update(0.5f);
    toast.Update(0.5f);                             // 1.0 s, fully up: the strip spans y 408..480
    EXPECT_EQ(0, toast.OnPointerDown(0, 400, 300)); // beside the strip: not consumed
    EXPECT_EQ(0, toast.OnPointerUp(0, 400, 300));
    EXPECT_NEAR(1.0f, toast.GetElapsed(), 1e-6);
    EXPECT_EQ(1, toast.OnPointerDown(0, 400, 440));
    EXPECT_EQ(1, toast.OnPointerUp(0, 400, 440)); // the click
    EXPECT_NEAR(2.5f, toast.GetElapsed(), 1e-6);
    toast.Update(0.25f);
    EXPECT_TRUE(toast.IsShowing());
    Tap(400, Top() + 5); // during the slide-out: nothing changes
    EXPECT_NEAR(2.75f, toast.GetElapsed(), 1e-6);
    toast.Update(0.25f); // 1.5 s after it appeared
    EXPECT_FALSE(toast.IsShowing());
    EXPECT_EQ(0, toast.OnPointerDown(0, 400, 440)); // nothing shows: nothing consumed
}

TEST_F(Toast, TheNextEntryStartsInTheFrameTheChallengeEnds)
{
    Start();
    toast.AddMessage(S("challenge"), 20.0f, 3);
    toast.AddMessage(S("one"), 0.0f, 1);
    toast.AddMessage(S("two"), 6.0f, 1);
    for (int i = 0; i < 79; ++i)
        toast.Update(0.25f);
    EXPECT_EQ("challenge", Message());
    toast.Update(0.25f);
    EXPECT_EQ("one", Message());
    EXPECT_EQ(0.0f, toast.GetElapsed());
    EXPECT_EQ(1, toast.GetCurrentKind());
    EXPECT_EQ(1, toast.GetQueueCount());
}

TEST_F(Toast, EndingAKindTakesItOffTheScreenAndOutOfTheQueue)
{
    Start();
    toast.AddMessage(S("challenge"), 20.0f, 3);
    toast.AddMessage(S("news"), 0.0f, 1);
    toast.AddMessage(S("second challenge"), 20.0f, 3);
    toast.AddMessage(S("more news"), 6.0f, 1);
    toast.Update(2.0f);
    toast.EndKind(3);
    // The next message of another kind comes up at once, from the start of its slide.
    EXPECT_TRUE(toast.IsShowing());
    EXPECT_EQ("news", Message());
    EXPECT_EQ("message", Icon());
    EXPECT_EQ(0.0f, toast.GetElapsed());
    EXPECT_EQ(1, toast.GetQueueCount());
    // A kind not on screen: only the queue changes.
    toast.AddMessage(S("third challenge"), 20.0f, 3);
    toast.EndKind(3);
    EXPECT_EQ("news", Message());
    EXPECT_EQ(1, toast.GetQueueCount());
    for (int i = 0; i < 13; ++i)
        toast.Update(0.25f);
    EXPECT_EQ("more news", Message());
    toast.EndKind(1);
    EXPECT_FALSE(toast.IsShowing());
    EXPECT_EQ(-1.0f, toast.GetElapsed());
    EXPECT_EQ(0, toast.GetQueueCount());
}

TEST_F(Toast, ARebuildContinuesAnExplicitDurationAndEndsADefaultOne)
{
    Start();
    toast.AddMessage(S("six"), 6.0f, 3);
    toast.AddMessage(S("next"), 0.0f, 1);
    toast.Update(1.25f);
    ASSERT_EQ(VORTAN_OK, toast.Build(480, 800));
    EXPECT_TRUE(toast.IsShowing());
    EXPECT_EQ("six", Message());
    EXPECT_EQ(1, toast.GetShownCount()); // shown again after the rebuild: still the one
    EXPECT_EQ("challenge", Icon());
    EXPECT_NEAR(1.25f, toast.GetElapsed(), 1e-6);
    EXPECT_EQ(800 - 80, Top()); // the portrait strip, 0.1 of 800, fully up
    toast.Update(4.75f);
    EXPECT_EQ("next", Message()); // default duration: cut by the next rebuild
    toast.Update(0.5f);
    toast.OnResize(800, 480);
    EXPECT_FALSE(toast.IsShowing());
    EXPECT_EQ(-1.0f, toast.GetElapsed());
}

TEST_F(Toast, WithoutItsLayoutTheToastIsSilent)
{
    Start(false);
    toast.AddMessage(S("lost"), 0.0f, 1);
    EXPECT_FALSE(toast.IsShowing());
    EXPECT_EQ(0, toast.OnPointerDown(0, 10, 470));
    toast.Update(1.0f);
    toast.Render();
}

TEST_F(Toast, AFailedRebuildEndsTheToastOnScreen)
{
    Start();
    toast.AddMessage(S("explicit"), 5.0f, 1);
    toast.Update(1.0f);
    ASSERT_EQ(1, app.ClosePack(CVortanString(dir.File("p0.dmp").c_str()), 1));
    EXPECT_NE(VORTAN_OK, toast.Build(800, 480));
    EXPECT_FALSE(toast.IsShowing());
    EXPECT_EQ(nullptr, toast.GetRoot());
    toast.Update(1.0f);
    EXPECT_EQ(0, toast.OnPointerDown(0, 10, 470));
}
