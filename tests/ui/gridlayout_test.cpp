// The grid layout's three modes worked out by hand: cells row by row and column by column,
// invisible children, stacked and uniform lists, partial rows, cell sizes of empty counts and
// the settings that wait for the next layout.
#include <gtest/gtest.h>

#include "tests/ui/WidgetTestSupport.h"
#include "ui/layouts/GridLayout.h"

namespace {

using uitest::R;
using uitest::SameRect;

class GridTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(VORTAN_OK, grid.Startup(nullptr, nullptr, R(0, 0, 310, 320)));
    }
    void TearDown() override { grid.Shutdown(); }
    CWidget* Add(int w, int h, bool visible = true)
    {
        CWidget* child = new CWidget();
        child->Startup(nullptr, nullptr, R(0, 0, w, h));
        child->SetVisible(visible);
        grid.AddChild(child);
        return child;
    }
    CGridLayout grid;
};

TEST_F(GridTest, FreshGridPlacesNothing)
{
    EXPECT_EQ(GRID_MODE_GRID, grid.GetLayoutMode());
    CWidget* a = Add(30, 40);
    EXPECT_TRUE(SameRect(a->GetRect(), 0, 0, 30, 40));
    EXPECT_EQ(0, grid.GetCellWidth());
    EXPECT_EQ(0, grid.GetCellHeight());
    grid.SetColumnCount(-3);
    EXPECT_EQ(0, grid.GetColumnCount());
    EXPECT_EQ(0, grid.GetCellWidth());
}

TEST_F(GridTest, ThreeColumnsRowByRow)
{
    grid.SetBorder(0, 5);
    grid.SetBorder(1, 10);
    grid.SetBorder(2, 5);
    grid.SetBorder(3, 10);
    grid.SetItemSpacingX(6);
    grid.SetItemSpacingY(4);
    grid.SetColumnCount(3);
    for (int i = 0; i < 7; ++i)
        Add(1, 1);
    // Width (310 - 10 - 12) / 3 = 96; rows ceil(7 / 3) = 3: (320 - 20 - 8) / 3 = 97.
    EXPECT_EQ(96, grid.GetCellWidth());
    EXPECT_EQ(97, grid.GetCellHeight());
    grid.Update(0.0f);
    EXPECT_TRUE(SameRect(grid.GetChild(0)->GetRect(), 5, 10, 101, 107));
    EXPECT_TRUE(SameRect(grid.GetChild(2)->GetRect(), 209, 10, 305, 107));
    EXPECT_TRUE(SameRect(grid.GetChild(4)->GetRect(), 107, 111, 203, 208));
    EXPECT_TRUE(SameRect(grid.GetChild(6)->GetRect(), 5, 212, 101, 309));
    EXPECT_TRUE(SameRect(grid.GetContentRect(), 0, 0, 310, 320));
}

TEST_F(GridTest, RowsOnlyFillColumnByColumnAndSkipInvisible)
{
    grid.SetRowCount(2);
    CWidget* a = Add(1, 1);
    CWidget* hidden = Add(1, 1, false);
    CWidget* b = Add(1, 1);
    CWidget* c = Add(1, 1);
    CWidget* d = Add(1, 1);
    // Columns ceil(5 / 2) = 3, counting the invisible child: 310 / 3 = 103; 320 / 2 = 160.
    EXPECT_EQ(103, grid.GetCellWidth());
    EXPECT_TRUE(SameRect(a->GetRect(), 0, 0, 103, 160));
    EXPECT_TRUE(SameRect(b->GetRect(), 0, 160, 103, 320));
    EXPECT_TRUE(SameRect(c->GetRect(), 103, 0, 206, 160));
    EXPECT_TRUE(SameRect(d->GetRect(), 103, 160, 206, 320));
    EXPECT_TRUE(SameRect(hidden->GetRect(), 0, 0, 1, 1));
}

TEST_F(GridTest, ListStacksAtOwnSizes)
{
    grid.SetLayoutMode(GRID_MODE_LIST);
    grid.SetBorder(1, 7);
    grid.SetItemSpacingY(3);
    grid.SetColumnCount(1);
    CWidget* a = Add(100, 50);
    CWidget* hidden = Add(100, 999, false);
    CWidget* b = Add(80, 30);
    CWidget* c = Add(90, 400);
    EXPECT_TRUE(SameRect(a->GetRect(), 0, 7, 100, 57));
    EXPECT_TRUE(SameRect(b->GetRect(), 0, 60, 80, 90));
    EXPECT_TRUE(SameRect(c->GetRect(), 0, 93, 90, 493));
    EXPECT_TRUE(SameRect(hidden->GetRect(), 0, 0, 100, 999));
    EXPECT_TRUE(SameRect(grid.GetContentRect(), 0, 0, 310, 999));
}

TEST_F(GridTest, PartialLastRowIsPlaced)
{
    grid.SetLayoutMode(GRID_MODE_LIST);
    grid.SetItemSpacingX(10);
    grid.SetColumnCount(2);
    CWidget* a = Add(50, 20);
    CWidget* b = Add(60, 40);
    CWidget* c = Add(70, 30);
    EXPECT_TRUE(SameRect(a->GetRect(), 0, 0, 50, 20));
    EXPECT_TRUE(SameRect(b->GetRect(), 60, 0, 120, 40));
    EXPECT_TRUE(SameRect(c->GetRect(), 0, 40, 70, 70));

    // Uniform: the pitch of the widest and tallest child.
    grid.SetLayoutMode(GRID_MODE_UNIFORM_LIST);
    grid.SetRowCount(5); // more rows than needed: placing stops, the content is computed
    grid.Update(0.0f);
    EXPECT_TRUE(SameRect(b->GetRect(), 80, 0, 140, 40));
    EXPECT_TRUE(SameRect(c->GetRect(), 0, 40, 70, 70));
    EXPECT_TRUE(SameRect(grid.GetContentRect(), 0, 0, 310, 320));
}

TEST_F(GridTest, SettingsWaitForTheNextLayout)
{
    grid.SetColumnCount(1);
    CWidget* a = Add(1, 1);
    grid.Update(0.0f);
    EXPECT_TRUE(SameRect(a->GetRect(), 0, 0, 310, 320));
    grid.SetBorder(0, 20);
    grid.SetItemSpacingY(5);
    grid.SetLayoutMode(GRID_MODE_GRID);
    grid.Update(0.0f);
    EXPECT_TRUE(SameRect(a->GetRect(), 0, 0, 310, 320));
    grid.SetRect(R(0, 0, 300, 300));
    grid.Update(0.0f);
    EXPECT_TRUE(SameRect(a->GetRect(), 20, 0, 300, 300));
}

TEST_F(GridTest, CloneKeepsTheSettings)
{
    grid.SetLayoutMode(GRID_MODE_LIST);
    grid.SetColumnCount(2);
    grid.SetBorder(3, 9);
    grid.SetItemSpacingX(4);
    CWidget* copy = grid.Clone();
    CGridLayout* g = static_cast<CGridLayout*>(copy);
    ASSERT_TRUE(copy->IsKindOf(CGridLayout::StaticTypeInfo()));
    EXPECT_EQ(GRID_MODE_LIST, g->GetLayoutMode());
    EXPECT_EQ(2, g->GetColumnCount());
    EXPECT_EQ(9, g->GetBorder(3));
    EXPECT_EQ(4, g->GetItemSpacingX());
    uitest::Drop(copy);
}

} // namespace
