// Scrolling and paging in the real application window under Xvfb: a slide area dragged and
// flung by xdotool with the stand-in clock advanced between moves, its scrollbar shown and
// faded; an infinite list whose rows stand still on screen across a load; a page view
// caught mid-slide at a chosen clock time after a page button was clicked, and on the way
// back. Frames are compared with ImageMagick pictures of flat blocks.
#include "tests/ui/TreeWindowSupport.h"
#include "ui/WidgetCast.h"
#include "ui/anim/EasingCurve.h"
#include "ui/anim/Transition.h"
#include "ui/layouts/InfiniteList.h"
#include "ui/layouts/PageView.h"
#include "ui/layouts/SlideArea.h"
#include "ui/widgets/PageButton.h"

namespace {

using uitest::R;

const char* const kColours[4] = {"#d03030", "#30d030", "#3030d0", "#d0d030"};
const char* const kFiles[4] = {"c0.png", "c1.png", "c2.png", "c3.png"};

COrloApplication* g_app = nullptr;
int LoadRow(CWidget* item, void*, intptr_t, intptr_t)
{
    CInfiniteList* list = WidgetCast<CInfiniteList>(item->GetParent());
    CImageWidget* image = WidgetCast<CImageWidget>(item);
    if (!list || !image)
        return 1;
    const int k = list->GetItemIndex(item);
    CVortanSurface* s = g_app->GetSurface(CVortanString(kFiles[k % 4]));
    image->SetImage(s);
    g_app->ReleaseSurface(s);
    return 1;
}

class ScrollWindowTest : public uiwin::WindowTest {
protected:
    Files Colours()
    {
        Files files;
        for (int i = 0; i < 4; ++i)
            files.push_back({kFiles[i], rtest::MakePng(8, 8, kColours[i])});
        files.push_back({"white.png", rtest::MakePng(8, 8, "#ffffff")});
        files.push_back({"grey.png", rtest::MakePng(8, 8, "#707070")});
        return files;
    }
    // A slide area 300 x 400 at (100, 40) with 20 rows of 100 pixels, and an infinite list
    // 300 x 400 at (450, 40) of 1000 rows of 40 pixels.
    void StartScrolling()
    {
        Start(Colours(), [this](COrloApplication* app, CWidget* root) {
            g_app = app;
            area = new CSlideArea();
            area->Startup(app, app, R(100, 40, 400, 440));
            root->AddChild(area);
            area->SetScrollEnabled(true);
            area->SetScrollThreshold(CVortanVector2(0.0f, 8.0f));
            for (int i = 0; i < 20; ++i)
                area->AddChild(uiwin::Image(app, kFiles[i % 4], R(0, i * 100, 300, i * 100 + 100)));
            CImageWidget* bar = uiwin::Image(app, "white.png", R(290, 10, 298, 50));
            bar->SetName(CVortanString("scrollbar_vertical_template"));
            area->AddChild(bar);

            list = new CInfiniteList();
            list->Startup(app, app, R(450, 40, 750, 440));
            root->AddChild(list);
            list->SetScrollEnabled(true);
            CImageWidget* item = uiwin::Image(app, "grey.png", R(0, 0, 300, 40));
            item->SetName(CVortanString("item_template"));
            list->AddChild(item);
            list->SetOnLoadItem(CUIDelegate(LoadRow, nullptr));
            list->SetItemCount(1000);
        });
    }
    // The expected screen: the area's rows at the offset, the list's rows at its offset and,
    // when given, the scrollbar at its place.
    uiwin::Rgb Scrolled(int areaY, int listY, int barY)
    {
        std::vector<std::string> argv{"-size", "800x480", "xc:black"};
        auto block = [&](int x, int y, int w, int h, const char* colour, int clipTop,
                         int clipBottom) {
            int top = y < clipTop ? clipTop : y;
            int bottom = y + h > clipBottom ? clipBottom : y + h;
            if (bottom <= top)
                return;
            argv.insert(argv.end(),
                        {"(", "-size", std::to_string(w) + "x" + std::to_string(bottom - top),
                         std::string("xc:") + colour, ")", "-geometry",
                         "+" + std::to_string(x) + "+" + std::to_string(top), "-composite"});
        };
        for (int i = 0; i < 20; ++i)
            block(100, 40 + i * 100 - areaY, 300, 100, kColours[i % 4], 40, 440);
        for (int k = 0; k < 1000; ++k)
            block(450, 40 + k * 40 - listY, 300, 40, kColours[k % 4], 40, 440);
        if (barY >= 0)
            block(390, 40 + 10 + barY, 8, 40, "#ffffff", 40, 440);
        return Picture(argv);
    }
    // Blocks that lie wholly inside one row of the area (rows of 100 at the offset) and of
    // the list (rows of 40), away from the scrollbar.
    std::vector<CVortanRect> RowBlocks(int areaY, int listY)
    {
        std::vector<CVortanRect> blocks;
        for (int i = 0; i < 20; ++i) {
            int top = 40 + i * 100 - areaY, bottom = top + 100;
            top = top < 40 ? 40 : top;
            bottom = bottom > 440 ? 440 : bottom;
            if (bottom - top > 8)
                blocks.push_back(R(100, top, 380, bottom));
        }
        for (int k = 0; k < 1000; ++k) {
            int top = 40 + k * 40 - listY, bottom = top + 40;
            top = top < 40 ? 40 : top;
            bottom = bottom > 440 ? 440 : bottom;
            if (bottom - top > 8)
                blocks.push_back(R(450, top, 750, bottom));
        }
        return blocks;
    }
    void Xdo(const std::vector<std::string>& args)
    {
        ASSERT_EQ(0, vtest::Xdo(args));
        vtest::Pump(app);
    }
    void MoveTo(int x, int y)
    {
        ASSERT_EQ(0, vtest::MovePointer(x, y));
        vtest::Pump(app);
    }

    CSlideArea* area = nullptr;
    CInfiniteList* list = nullptr;
};

TEST_F(ScrollWindowTest, DragAndFlingUnderTheRealPointer)
{
    StartScrolling();
    Step(0.1f);
    EXPECT_EQ(0, Mismatches(app->frame, Scrolled(0, 0, -1), RowBlocks(0, 0)));

    // A slow drag of 200 pixels up over 1.2 s: the content follows, no fling.
    MoveTo(250, 400);
    Xdo({"mousedown", "1"});
    for (int i = 1; i <= 4; ++i) {
        MoveTo(250, 400 - 50 * i);
        Step(0.3f);
    }
    EXPECT_EQ(200, area->GetScrollY());
    // The scrollbar, opaque while dragging: (400 - 40 - 20) x 200 / 1600 = 42.5, rounded up.
    EXPECT_EQ(43, area->GetScrollbarOffset());
    EXPECT_EQ(0, Mismatches(app->frame, Scrolled(200, 0, 43), RowBlocks(200, 0)));
    EXPECT_EQ(0, Mismatches(app->frame, Scrolled(200, 0, 43), {R(390, 93, 398, 133)}));
    Xdo({"mouseup", "1"});
    Step(0.1f);
    EXPECT_FALSE(area->IsGliding());
    EXPECT_EQ(200, area->GetScrollY());

    // A quick drag of 150 pixels in 0.2 s: 750 px/s, a further 150 over one second.
    MoveTo(250, 400);
    Xdo({"mousedown", "1"});
    Step(0.1f);
    MoveTo(250, 320);
    Step(0.1f);
    MoveTo(250, 250);
    Xdo({"mouseup", "1"});
    EXPECT_EQ(350, area->GetScrollY());
    EXPECT_TRUE(area->IsGliding());
    for (int i = 0; i < 12; ++i)
        Step(0.1f);
    EXPECT_FALSE(area->IsGliding());
    EXPECT_EQ(500, area->GetScrollY());
    // The bar has faded out two seconds after the last move.
    Step(1.0f);
    EXPECT_EQ(0, area->GetScrollbarAlpha());
    EXPECT_EQ(0, Mismatches(app->frame, Scrolled(500, 0, -1), RowBlocks(500, 0)));
    EXPECT_EQ(0, Mismatches(app->frame, Scrolled(500, 0, -1), {R(380, 40, 400, 440)}));
}

TEST_F(ScrollWindowTest, ListRowsStandStillAcrossALoad)
{
    StartScrolling();
    Step(0.1f);
    ASSERT_EQ(50, list->GetChildCount());
    // Rows 32 .. 42 in view: fewer than a batch remain loaded below, so this frame loads.
    list->ScrollBy(0, 1300);
    Step(0.1f);
    EXPECT_EQ(10, list->GetFirstLoadedPosition());
    EXPECT_EQ(50, list->GetChildCount());
    EXPECT_EQ(1300 - 400, list->GetScrollY()); // ten rows of 40 went from the top
    // On screen the rows are where they were before the load.
    EXPECT_EQ(0, Mismatches(app->frame, Scrolled(0, 1300, -1), RowBlocks(0, 1300)));
    // And back above: a load at the top keeps them still too.
    list->SetScrollY(100);
    Step(0.1f);
    EXPECT_EQ(0, list->GetFirstLoadedPosition());
    EXPECT_EQ(500, list->GetScrollY());
    EXPECT_EQ(0, Mismatches(app->frame, Scrolled(0, 500, -1), RowBlocks(0, 500)));
}

CTransition* Slide(int direction, int type)
{
    CTransition* t = new CTransition();
    t->Setup(true, direction, type, 1.0f);
    t->SetEasingIn(CEasingCurveLinear::Create(0, nullptr));
    t->SetEasingOut(CEasingCurveLinear::Create(0, nullptr));
    return t;
}

TEST_F(ScrollWindowTest, PageButtonSlidesThePageIn)
{
    CPageView* view = nullptr;
    CPageButton* button = nullptr;
    Start(Colours(), [&](COrloApplication* app, CWidget* root) {
        view = new CPageView();
        view->Startup(app, app, R(0, 0, 800, 400));
        view->SetName(CVortanString("pages"));
        view->SetHistoryMaxSize(5);
        view->AddTransition(Slide(TRANSITION_RIGHT, TRANSITION_IN));
        view->AddTransition(Slide(TRANSITION_LEFT, TRANSITION_OUT));
        root->AddChild(view);
        for (int i = 0; i < 3; ++i) {
            CImageWidget* page = uiwin::Image(app, kFiles[i], R(0, 0, 800, 400));
            page->SetName(CVortanString(("p" + std::to_string(i)).c_str()));
            view->AddChild(page);
        }
        button = new CPageButton();
        button->Startup(app, app, R(350, 420, 450, 470));
        button->SetTarget(CVortanString("../pages"));
        button->SetPage(CVortanString("p2"));
        button->AddChild(uiwin::Image(app, "grey.png", R(0, 0, 100, 50)));
        button->AddChild(uiwin::Image(app, "white.png", R(0, 0, 100, 50)));
        button->SetLayoutWidgets(true);
        root->AddChild(button);
    });
    Step(0.1f);
    ASSERT_EQ(view, button->GetPageView());
    auto picture = [&](int split, const char* left, const char* right, const char* look) {
        std::vector<std::string> argv{"-size", "800x480", "xc:black"};
        if (split > 0)
            argv.insert(argv.end(),
                        {"(", "-size", std::to_string(split) + "x400", std::string("xc:") + left,
                         ")", "-geometry", "+0+0", "-composite"});
        if (split < 800)
            argv.insert(argv.end(), {"(", "-size", std::to_string(800 - split) + "x400",
                                     std::string("xc:") + right, ")", "-geometry",
                                     "+" + std::to_string(split) + "+0", "-composite"});
        argv.insert(argv.end(), {"(", "-size", "100x50", std::string("xc:") + look, ")",
                                 "-geometry", "+350+420", "-composite"});
        return Picture(argv);
    };
    const std::vector<CVortanRect> halves = {R(0, 0, 400, 400), R(400, 0, 800, 400),
                                             R(350, 420, 450, 470)};
    EXPECT_EQ(0, Mismatches(app->frame, picture(800, kColours[0], "", "#707070"), halves));

    MoveTo(400, 445);
    Xdo({"click", "1"});
    Step(0.1f);
    Step(0.1f); // the click fires after its delay; the slide starts
    EXPECT_EQ(2, view->GetCurrentPageIndex());
    // Half a second into the slide of one second: the new page has come half way in,
    // pushing the old one out to the left.
    Step(0.5f);
    EXPECT_EQ(400, view->GetChild(2)->GetRect().left);
    // (The button is fading in its pressed look meanwhile.)
    EXPECT_EQ(0, Mismatches(app->frame, picture(400, kColours[0], kColours[2], "#707070"),
                            {halves[0], halves[1]}));
    Step(0.5f);
    Step(0.1f);
    EXPECT_EQ(0, Mismatches(app->frame, picture(0, "", kColours[2], "#ffffff"), halves));

    // Back: the shown page slides out to the right, the previous one follows it in.
    view->NavigateTo(CVortanString(":back"));
    Step(0.25f);
    EXPECT_EQ(0, Mismatches(app->frame, picture(200, kColours[0], kColours[2], "#ffffff"),
                            {R(0, 0, 200, 400), R(200, 0, 800, 400)}));
    Step(0.75f);
    Step(0.1f);
    EXPECT_EQ(0, Mismatches(app->frame, picture(800, kColours[0], "", "#707070"), halves));
}

} // namespace
