// The infinite and running lists without a window: the window of loaded rows through 100,000
// items, forget before every re-use, rows standing still across loads below and above, the
// event records, groups, batch sizes, invalidation, clones; the running list's naming, limit,
// growth upward and clearing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/WidgetTestSupport.h"
#include "ui/layouts/InfiniteList.h"
#include "ui/layouts/RunningList.h"

namespace {

using uitest::R;
using uitest::S;

struct Journal {
    std::vector<std::string> lines;
    CInfiniteList* list = nullptr;
    int loads = 0;
    int maxChildren = 0;
};
Journal g;

int OnLoad(CWidget* w, void*, intptr_t, intptr_t)
{
    ++g.loads;
    // The handler finds the list from the item, and the list knows the item's number.
    EXPECT_EQ(g.list, w->GetParent());
    const int k = g.list->GetItemIndex(w);
    EXPECT_EQ(VortanUTF8Of(w->GetName()), std::to_string(k));
    g.lines.push_back("load " + std::to_string(k));
    return 1;
}
int OnForget(CWidget* w, void*, intptr_t, intptr_t)
{
    g.lines.push_back("forget " + VortanUTF8Of(w->GetName()));
    return 1;
}
int OnBatch(CWidget* w, void*, intptr_t, intptr_t)
{
    EXPECT_EQ(g.list, w);
    int count = 0, first = 0;
    g.list->GetBatchRange(count, first);
    g.lines.push_back("batch " + std::to_string(count) + "@" + std::to_string(first));
    if (g.list->GetChildCount() > g.maxChildren)
        g.maxChildren = g.list->GetChildCount();
    return 1;
}
int OnGroup(CWidget* w, void*, intptr_t, intptr_t)
{
    g.lines.push_back("group " + std::to_string(g.list->GetItemIndex(w)) + " " +
                      VortanUTF8Of(w->GetName()));
    return 1;
}

// A list 400 high with items 40 high (and group headers 20 high when asked).
class InfiniteListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g = Journal();
        list = new CInfiniteList();
        ASSERT_EQ(VORTAN_OK, list->Startup(nullptr, nullptr, R(0, 0, 200, 400)));
        g.list = list;
        list->SetScrollEnabled(true);
        list->SetOnLoadItem(CUIDelegate(OnLoad, nullptr));
        list->SetOnForgetItem(CUIDelegate(OnForget, nullptr));
        list->SetOnLoadItemBatch(CUIDelegate(OnBatch, nullptr));
        list->SetOnLoadGroup(CUIDelegate(OnGroup, nullptr));
        Template("item_template", 40);
    }
    void TearDown() override { uitest::Drop(list); }
    void Template(const char* name, int height)
    {
        CWidget* t = new CWidget();
        t->Startup(nullptr, nullptr, R(0, 0, 200, height));
        t->SetName(S(name));
        list->AddChild(t);
    }
    // The content y of the item named k, or -1.
    int TopOf(int k)
    {
        CWidget* w = list->FindChild(S(std::to_string(k).c_str()), 0);
        return w ? w->GetRect().top : -1;
    }
    CInfiniteList* list = nullptr;
};

TEST_F(InfiniteListTest, FirstUpdateFillsTheWindow)
{
    list->SetItemCount(1000);
    list->Update(0.0f);
    EXPECT_EQ(50, list->GetChildCount()); // batch 10: five batches
    EXPECT_EQ(1, std::count(g.lines.begin(), g.lines.end(), "batch 50@0"));
    EXPECT_EQ("load 0", g.lines.front());
    EXPECT_EQ(0, TopOf(0));
    EXPECT_EQ(40 * 49, TopOf(49));
    // Nothing more while the view stays at the top.
    g.lines.clear();
    list->Update(0.1f);
    EXPECT_TRUE(g.lines.empty());
}

TEST_F(InfiniteListTest, LoadBelowForgetsBeforeReuseAndRowsStandStill)
{
    list->SetItemCount(1000);
    list->Update(0.0f);
    // Scroll so that row 45 is at the top of the view: fewer than a batch remain below.
    list->ScrollBy(0, 45 * 40);
    const int screenBefore = TopOf(45) - list->GetVisibleY();
    g.lines.clear();
    list->Update(0.0f);
    ASSERT_EQ(21u, g.lines.size());
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ("forget " + std::to_string(i), g.lines[2 * i]);
        EXPECT_EQ("load " + std::to_string(50 + i), g.lines[2 * i + 1]);
    }
    EXPECT_EQ("batch 10@50", g.lines.back());
    EXPECT_EQ(10, list->GetFirstLoadedPosition());
    EXPECT_EQ(50, list->GetChildCount());
    EXPECT_EQ(screenBefore, TopOf(45) - list->GetVisibleY());

    // Back up: rows load above and again stand still.
    list->ScrollBy(0, -(list->GetScrollY()));
    list->SetScrollY(2 * 40); // item 12 at the top of the view
    const int before = TopOf(12) - list->GetVisibleY();
    g.lines.clear();
    list->Update(0.0f);
    ASSERT_FALSE(g.lines.empty());
    EXPECT_EQ("forget 59", g.lines[0]);
    EXPECT_EQ("load 9", g.lines[1]);
    EXPECT_EQ("batch 10@0", g.lines.back());
    EXPECT_EQ(0, list->GetFirstLoadedPosition());
    EXPECT_EQ(before, TopOf(12) - list->GetVisibleY());
}

TEST_F(InfiniteListTest, HundredThousandItemsNeverHoldMoreThanTheWindow)
{
    list->SetItemCount(100000);
    list->Update(0.0f);
    int frames = 0;
    while (list->GetFirstLoadedPosition() + list->GetChildCount() < 100000 && frames < 100000) {
        list->ScrollBy(0, 200);
        list->Update(0.016f);
        ASSERT_LE(list->GetChildCount(), 50);
        ++frames;
    }
    EXPECT_EQ(100000, list->GetFirstLoadedPosition() + list->GetChildCount());
    EXPECT_EQ(50, g.maxChildren);
    EXPECT_EQ(99950, list->GetFirstLoadedPosition());
    EXPECT_NE(nullptr, list->FindChild(S("99999"), 0));
    EXPECT_EQ(100000 - 50 + 50, g.loads); // every item loaded once on the way down
}

TEST_F(InfiniteListTest, GroupsPutHeadersBeforeTheirItems)
{
    Template("group_template", 20);
    CVortanArray<int> sizes;
    sizes.SetAtGrow(0, 2);
    sizes.SetAtGrow(1, 3);
    list->SetGroups(sizes);
    EXPECT_EQ(7, list->GetItemCount());
    list->Update(0.0f);
    EXPECT_EQ((std::vector<std::string>{"group 0 group", "load 0", "load 1", "group 1 group",
                                        "load 2", "load 3", "load 4", "batch 5@0"}),
              g.lines);
    EXPECT_EQ(20, list->GetChild(0)->GetHeight());
    EXPECT_TRUE(CInfiniteList::IsGroupHeader(list->GetChild(3)));
    EXPECT_EQ(60, list->GetChild(2)->GetRect().top); // 20 + 40
}

TEST_F(InfiniteListTest, GroupsWithoutTemplateOnlySum)
{
    CVortanArray<int> sizes;
    sizes.SetAtGrow(0, 2);
    sizes.SetAtGrow(1, 3);
    list->SetGroups(sizes);
    EXPECT_EQ(5, list->GetItemCount());
    EXPECT_EQ(0, list->GetHeaderPositions().GetSize());
}

TEST_F(InfiniteListTest, BatchSizes)
{
    list->SetBatchSize(1);
    EXPECT_EQ(3, list->GetBatchSize());
    list->SetBatchSize(0x7FFFFFFF);
    EXPECT_EQ((int)CInfiniteList::MAX_BATCH, list->GetBatchSize());
    list->SetBatchSize(-1);
    EXPECT_EQ(-1, list->GetBatchSize());
    // 400 / 90 = 4, plus 1.
    list->FindChild(S("item_template"), 0)->SetRect(R(0, 0, 200, 90));
    list->SetItemCount(-5);
    EXPECT_EQ(0, list->GetItemCount());
    list->Update(0.0f);
    EXPECT_EQ(5, list->GetBatchSize());
    list->SetBatchSize(-1); // ignored once the templates are known
    EXPECT_EQ(5, list->GetBatchSize());
    EXPECT_EQ(0, list->GetChildCount());
}

TEST_F(InfiniteListTest, InvalidateActsOnTheNextFrame)
{
    list->InvalidateItems(); // templates not looked up yet: ignored
    list->SetItemCount(20);
    list->Update(0.0f);
    ASSERT_EQ(20, list->GetChildCount());
    list->InvalidateItems();
    EXPECT_EQ(20, list->GetChildCount());
    g.lines.clear();
    list->Update(0.0f);
    EXPECT_EQ(0, list->GetChildCount());
    EXPECT_EQ(0, list->GetItemCount());
    EXPECT_EQ("forget 19", g.lines.front());
    EXPECT_EQ(20u, g.lines.size());
    list->SetItemCount(3);
    list->Update(0.0f);
    EXPECT_EQ(3, list->GetChildCount());
}

TEST_F(InfiniteListTest, CloneStartsEmptyAndLoadsItsOwnRows)
{
    list->SetItemCount(30);
    list->SetBatchSize(4);
    list->Update(0.0f);
    CWidget* copy = list->Clone();
    ASSERT_TRUE(copy->IsKindOf(CInfiniteList::StaticTypeInfo()));
    CInfiniteList* other = static_cast<CInfiniteList*>(copy);
    EXPECT_EQ(0, other->GetChildCount());
    EXPECT_NE(nullptr, other->GetItemTemplate());
    EXPECT_NE(list->GetItemTemplate(), other->GetItemTemplate());
    EXPECT_EQ(4, other->GetBatchSize());
    g.list = other;
    other->Update(0.0f);
    EXPECT_EQ(20, other->GetChildCount());
    g.list = list;
    uitest::Drop(copy);
}

// A running list 300 wide inside a 300 x 200 parent, at its bottom.
class RunningListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        parent = new CWidget();
        parent->Startup(nullptr, nullptr, R(0, 0, 300, 200));
        list = new CRunningList();
        ASSERT_EQ(VORTAN_OK, list->Startup(nullptr, nullptr, R(0, 190, 300, 200)));
        parent->AddChild(list);
        list->SetScrollEnabled(true);
    }
    void TearDown() override { uitest::Drop(parent); }
    CWidget* Item(int h)
    {
        CWidget* w = new CWidget();
        w->Startup(nullptr, nullptr, R(0, 0, 300, h));
        return w;
    }
    CWidget* parent = nullptr;
    CRunningList* list = nullptr;
};

TEST_F(RunningListTest, GrowsUpwardAndScrollsToTheNewest)
{
    list->SetItemSpacingY(2);
    list->AddItem(nullptr);
    EXPECT_EQ(0, list->GetItemCounter());
    list->AddItem(Item(30));
    EXPECT_EQ("1", VortanUTF8Of(list->GetChild(0)->GetName()));
    EXPECT_EQ(158, list->GetRect().top); // 190 - (30 + 2)
    for (int i = 0; i < 10; ++i)
        list->AddItem(Item(30));
    EXPECT_LE(list->GetRect().top, 0);
    EXPECT_EQ(list->GetRect().top, list->GetRect().bottom - list->GetHeight());
    list->Update(0.0f);
    // The newest item stands at the bottom of the view; scrolled back, the first at the top of
    // the parent (the list grew no taller than it).
    CWidget* newest = list->GetChild(list->GetChildCount() - 1);
    EXPECT_EQ("11", VortanUTF8Of(newest->GetName()));
    EXPECT_EQ(list->GetHeight(), newest->GetRect().bottom - list->GetVisibleY());
    list->ScrollTo(0, 0, 0.0f);
    list->Update(0.0f);
    EXPECT_EQ(0, list->GetRect().top + list->GetChild(0)->GetRect().top - list->GetVisibleY());
}

TEST_F(RunningListTest, LimitKeepsMaximumPlusOne)
{
    list->SetMaxItemCount(20);
    for (int i = 0; i < 21; ++i)
        list->AddItem(Item(10));
    EXPECT_EQ(21, list->GetChildCount());
    list->AddItem(Item(10));
    EXPECT_EQ(21, list->GetChildCount());
    EXPECT_EQ("2", VortanUTF8Of(list->GetChild(0)->GetName()));
    EXPECT_EQ("22", VortanUTF8Of(list->GetChild(20)->GetName()));
}

TEST_F(RunningListTest, NewestFirstWhenNotGrowingUpward)
{
    list->SetGrowUpward(false);
    list->AddItem(Item(10));
    list->AddItem(Item(10));
    EXPECT_EQ("2", VortanUTF8Of(list->GetChild(0)->GetName()));
    EXPECT_EQ(190, list->GetRect().top);
}

TEST_F(RunningListTest, TemplateFoundClearsAndClearItemsShrinks)
{
    list->SetItemSpacingY(3);
    list->AddItem(Item(10));
    CWidget* t = Item(25);
    t->SetName(S("item_template"));
    list->AddChild(t);
    list->Update(0.0f);
    EXPECT_EQ(0, list->GetChildCount());
    EXPECT_NE(nullptr, list->GetItemTemplate());
    EXPECT_EQ(194, list->GetRect().top); // bottom 200 - 2 x 3
    list->AddItem(Item(10));
    list->ClearItems();
    EXPECT_EQ(0, list->GetChildCount());
    EXPECT_EQ(0, list->GetScrollY());
}

} // namespace
