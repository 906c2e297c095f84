// The layout types of the scrolling, paging and drawing widgets read from a layout file: each
// type's attributes with their defaults and clamps, the drag threshold rounded up to tens,
// the page view's transitions only with a history, and the events bound by class.
#include <gtest/gtest.h>

#include "tests/ui/LoaderTestSupport.h"
#include "ui/WidgetCast.h"
#include "ui/anim/Transition.h"
#include "ui/layouts/GridLayout.h"
#include "ui/layouts/InfiniteList.h"
#include "ui/layouts/PageView.h"
#include "ui/layouts/RunningList.h"
#include "ui/widgets/GradientWidget.h"
#include "ui/widgets/PageButton.h"
#include "ui/widgets/PieWidget.h"
#include "ui/widgets/ProgressBar.h"
#include "ui/widgets/RotatingImageWidget.h"
#include "ui/widgets/Slider.h"

namespace {

using ltest::Find;

int g_hits = 0;
int Hit(CWidget*, void*, intptr_t, intptr_t)
{
    ++g_hits;
    return 1;
}

class ScrollLoader : public ltest::LoaderCase {
protected:
    void SetUp() override
    {
        Pack({{"scrolling.xml", ltest::Layout("scrolling.xml")},
              {"p.png", rtest::MakePng(10, 4, "#102030")}});
        registry.Register(uitest::S("hit"), CUIDelegate(Hit, nullptr), 0);
        root = NewRoot();
        ASSERT_EQ(Build(root, "scrolling.xml", &registry), VORTAN_OK);
        g_hits = 0;
    }
    void TearDown() override { ltest::Drop(root); }
    template <class T>
    T* Get(const char* name)
    {
        T* widget = WidgetCast<T>(Find(root, name));
        EXPECT_NE(nullptr, widget) << name;
        return widget;
    }
    CWidget* root = nullptr;
};

TEST_F(ScrollLoader, SlideAreasAndGrids)
{
    CSlideArea* area = Get<CSlideArea>("area");
    ASSERT_TRUE(area);
    EXPECT_TRUE(area->IsScrollEnabled());
    // 0.02875 x 800 = 23 -> 30; |-0.041666| x 480 = 20 -> 30.
    EXPECT_FLOAT_EQ(30.0f, area->GetScrollThreshold().x);
    EXPECT_FLOAT_EQ(30.0f, area->GetScrollThreshold().y);
    // Begin and end of scroll bound; onloaditem is not the slide area's.
    area->OnBeginScroll();
    area->OnEndScroll();
    EXPECT_EQ(2, g_hits);

    CSlideArea* quiet = Get<CSlideArea>("quiet");
    ASSERT_TRUE(quiet);
    EXPECT_FALSE(quiet->IsScrollEnabled());
    EXPECT_TRUE(quiet->IsPassThrough());
    EXPECT_FLOAT_EQ(10.0f, quiet->GetScrollThreshold().y); // 0.48 -> 10

    CGridLayout* grid = Get<CGridLayout>("grid");
    ASSERT_TRUE(grid);
    EXPECT_EQ(3, grid->GetColumnCount());
    EXPECT_EQ(0, grid->GetRowCount());
    EXPECT_EQ(GRID_MODE_UNIFORM_LIST, grid->GetLayoutMode());
    EXPECT_EQ(8, grid->GetItemSpacingX());
    EXPECT_EQ(6, grid->GetItemSpacingY());
    EXPECT_EQ(16, grid->GetBorder(0)); // 0.02 x 800
    EXPECT_EQ(48, grid->GetBorder(1)); // 0.1 x 480
    EXPECT_EQ(8, grid->GetBorder(2));
    EXPECT_EQ(GRID_MODE_GRID, Get<CGridLayout>("grid2")->GetLayoutMode());
}

TEST_F(ScrollLoader, Lists)
{
    CInfiniteList* list = Get<CInfiniteList>("list");
    ASSERT_TRUE(list);
    EXPECT_EQ(3, list->GetBatchSize());
    EXPECT_EQ(GRID_MODE_LIST, list->GetLayoutMode());
    EXPECT_EQ(1, list->GetColumnCount());
    list->SetItemCount(2);
    // The four list events are bound (onvaluechanged is not the list's).
    CWidget* item = new CWidget();
    item->Startup(nullptr, nullptr, uitest::R(0, 0, 10, 10));
    item->SetName(uitest::S("item_template"));
    list->AddChild(item);
    list->Update(0.0f);
    EXPECT_EQ(2, list->GetChildCount());
    EXPECT_EQ(3, g_hits); // two items and their batch

    CRunningList* log = Get<CRunningList>("log");
    ASSERT_TRUE(log);
    EXPECT_EQ(20, log->GetMaxItemCount());
    EXPECT_FALSE(log->GetGrowUpward());
    EXPECT_FALSE(log->GetAutoscroll());
    EXPECT_FLOAT_EQ(0.5f, log->GetAutoscrollTime());
    CRunningList* log2 = Get<CRunningList>("log2");
    ASSERT_TRUE(log2);
    EXPECT_TRUE(log2->GetGrowUpward());
    EXPECT_EQ(0, log2->GetMaxItemCount());
    EXPECT_TRUE(log2->GetAutoscroll());
}

TEST_F(ScrollLoader, PagesAndPageButtons)
{
    CPageView* pages = Get<CPageView>("pages");
    ASSERT_TRUE(pages);
    EXPECT_EQ(4, pages->GetHistoryMaxSize());
    EXPECT_TRUE(pages->IsPassThrough());
    CTransition* in = pages->FindTransition(TRANSITION_IN);
    CTransition* out = pages->FindTransition(TRANSITION_OUT);
    ASSERT_TRUE(in && out);
    EXPECT_EQ(TRANSITION_RIGHT, in->GetDirection());
    EXPECT_TRUE(in->GetMoveOther());
    EXPECT_FLOAT_EQ(0.5f, in->GetDuration());
    EXPECT_EQ(TRANSITION_LEFT, out->GetDirection());
    EXPECT_FLOAT_EQ(0.25f, out->GetDuration());
    // Without a history no transition is read.
    EXPECT_EQ(0, Get<CPageView>("pages2")->GetTransitionCount());

    CPageButton* go = Get<CPageButton>("go");
    ASSERT_TRUE(go);
    EXPECT_EQ("../pages", VortanUTF8Of(go->GetTarget()));
    EXPECT_EQ("menu", VortanUTF8Of(go->GetPage()));
    EXPECT_FLOAT_EQ(0.3f, go->GetClickDelay());
    EXPECT_FALSE(go->IsPassThrough());
    root->Update(0.0f);
    EXPECT_EQ(pages, go->GetPageView());
}

TEST_F(ScrollLoader, DrawingTypes)
{
    CSlider* slider = Get<CSlider>("slider");
    ASSERT_TRUE(slider);
    EXPECT_FLOAT_EQ(2.0f, slider->GetMinimum());
    EXPECT_FLOAT_EQ(4.0f, slider->GetMaximum());
    EXPECT_FLOAT_EQ(3.5f, slider->GetValue());
    EXPECT_FALSE(slider->IsPassThrough());
    slider->SetValue(2.5f);
    EXPECT_EQ(1, g_hits);

    CPieWidget* pie = Get<CPieWidget>("pie");
    ASSERT_TRUE(pie);
    EXPECT_EQ(0x80102030u, pie->GetPieColor());
    EXPECT_EQ(256, pie->GetSegments());
    EXPECT_FLOAT_EQ(1.5f, pie->GetAngle());
    EXPECT_TRUE(pie->IsPassThrough());

    CGradientWidget* grad = Get<CGradientWidget>("grad");
    ASSERT_TRUE(grad);
    EXPECT_EQ((u32)GRADIENT_HORIZONTAL, grad->GetImageFlags() & GRADIENT_DIRECTION_MASK);
    EXPECT_EQ(0xFF112233u, grad->GetColor1());
    EXPECT_EQ(0xFF000000u, grad->GetColor2());
    EXPECT_EQ((u32)GRADIENT_VERTICAL,
              Get<CGradientWidget>("grad2")->GetImageFlags() & GRADIENT_DIRECTION_MASK);

    CProgressBar* bar = Get<CProgressBar>("bar");
    ASSERT_TRUE(bar);
    ASSERT_NE(nullptr, bar->GetProgressImage());
    EXPECT_EQ(bar->GetProgressImage(), bar->GetProgressLowImage());
    EXPECT_EQ(1.0f, bar->GetLowLimit());
    EXPECT_EQ(3, bar->GetSide());

    CRotatingImageWidget* spin = Get<CRotatingImageWidget>("spin");
    ASSERT_TRUE(spin);
    EXPECT_FLOAT_EQ(2.0f, spin->GetSpeed());
    EXPECT_FLOAT_EQ(0.5f, spin->GetAngle());
    EXPECT_NEAR(0.785398f, spin->GetStepAngle(), 1e-5f);
    CRotatingImageWidget* spin2 = Get<CRotatingImageWidget>("spin2");
    ASSERT_TRUE(spin2);
    EXPECT_FLOAT_EQ(3.1415927f, spin2->GetSpeed());
}

} // namespace
