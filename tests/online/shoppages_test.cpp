// The shop pages on the menu's real widget tree (menu_root.xml from the built layout pack):
// coins, groups and markers, rows filled from the server's records, the my-items kind table on
// recycled rows, the enable switch and its answer, icons and the large icon's fade.
#include <math.h>

#include "engine/graphics/VortanSurface.h"
#include "tests/online/ShopTestSupport.h"
#include "tests/support/TestSupport.h"
#include "ui/Widget.h"
#include "ui/WidgetCast.h"
#include "ui/layouts/InfiniteList.h"
#include "ui/layouts/PageView.h"
#include "ui/widgets/Expandable.h"
#include "ui/widgets/ImageWidget.h"
#include "ui/widgets/TextWidget.h"
#include "ui/widgets/ToggleButton.h"

namespace {

using stest::Ber;
using stest::TagOf;

// The menu with its tree built as the screen builds it, without logging in.
class TreeMenu : public COrloMenuState {
public:
    int Build() { return BuildMenu(800, 480, nullptr); }
};

class ShopPagesTest : public stest::ShopFixture {
protected:
    // Runs frames until the lobby peer receives the message (or, with a tag, any message of
    // that tag, which must then be the one expected); what comes before it is dropped.
    // Runs frames until the lobby peer has received the message; with a tag, the first message
    // of that tag is taken and must be the one expected. Other messages stay for later waits.
    bool WaitFor(const std::vector<u8>& expected, int tag = -1)
    {
        std::vector<u8> found;
        vtest::WaitUntil([&]() {
            Frame();
            ntest::ReadSome(peer, &streams[0], 2);
            for (const auto& m : ntest::SplitMessages(streams[0]))
                inbox.push_back(m);
            for (size_t i = 0; i < inbox.size() && found.empty(); ++i) {
                if (inbox[i] == expected || (tag >= 0 && TagOf(inbox[i]) == tag)) {
                    found = inbox[i];
                    inbox.erase(inbox.begin() + (long)i);
                }
            }
            return !found.empty();
        });
        EXPECT_EQ(expected, found);
        return found == expected;
    }
    std::vector<std::vector<u8>> inbox;
    COrloMenuState* MakeMenu() override { return new TreeMenu(); }
    void SetUp() override
    {
        stest::ShopFixture::SetUp();
        for (const char* pack : {"orlofonts_480.dmp", "orlolobby_480.dmp", "orlolayouts.dmp"})
            EXPECT_EQ(1, app->OpenPack(CVortanString((vtest::BinaryDir() + "/" + pack).c_str()), 1))
                << pack;

        ASSERT_EQ(1, static_cast<TreeMenu*>(menu)->Build());
    }
    CWidget* Find(const char* path) { return menu->GetRoot()->FindByPath(CVortanString(path)); }
    std::string TextOf(CWidget* widget)
    {
        CTextWidget* text = WidgetCast<CTextWidget>(widget);
        return text ? VortanUTF8Of(text->GetText()) : "<none>";
    }
};

// A full shop item record.
Ber Record(int id, const std::string& name, const std::string& shown, int price, int gift,
           int refill, int group, int count, int enabled)
{
    return Ber(0)
        .Int(0, id)
        .Text(1, name)
        .Text(2, "short " + name)
        .Text(3, "full " + name)
        .Int(4, price)
        .Int(5, gift)
        .Int(6, refill)
        .Int(7, group)
        .Int(8, 0)
        .Int(9, count)
        .Int(10, 0)
        .Int(11, enabled)
        .Int(12, 0)
        .Text(13, shown)
        .Int(14, 0);
}

Ber KindGroup(int id, const std::string& name, int kind, int count)
{
    return Ber(0).Int(0, id).Text(1, name).Int(2, kind).Int(3, 0).Int(4, 0).Int(5, count);
}

TEST_F(ShopPagesTest, CoinsGroupsAndShopRows)
{
    Serve(Ber(91).Int(0, 1234).Build());
    ASSERT_TRUE(vtest::WaitUntil([&]() {
        Frame();
        return menu->GetCoins() == 1234;
    }));
    EXPECT_EQ("1234", TextOf(Find("//shop_root//orlocoins_amount")));
    EXPECT_EQ("1234", TextOf(Find("//list_me//orlocoins_amount")));

    // Showing the page asks for the coins and the list.
    menu->ShowPage(CVortanString("shop_root"), 1);
    ASSERT_TRUE(WaitFor(Ber(90).Build()));
    ASSERT_TRUE(WaitFor(Ber(92).Int(0, 0).Build()));
    EXPECT_TRUE(Find("//shop_root//loading")->IsVisible());

    // No groups: "no_results" and not "loading".
    Serve(Groups(0, {}));
    ASSERT_TRUE(vtest::WaitUntil([&]() {
        Frame();
        return Find("//shop_root//no_results")->IsVisible();
    }));
    EXPECT_FALSE(Find("//shop_root//loading")->IsVisible());

    Serve(Groups(0, {KindGroup(2, "Hats", 2, 2), KindGroup(4, "Bombs", 4, 1)}));
    // The list loads its rows and asks for their batch.
    ASSERT_TRUE(WaitFor(Request(0, 3, 0), 96));
    EXPECT_TRUE(Find("//shop_root//loading")->IsVisible());
    EXPECT_FALSE(Find("//shop_root//no_results")->IsVisible());
    Serve(Items(0, 0,
                {Record(21, "Red hat", "Red woollen hat", 120, 100, 0, 2, 1, 0),
                 Record(22, "Top hat", "", 150, 120, 0, 2, 1, 0),
                 Record(41, "Snow bomb", "", 40, 35, 0, 4, 5, 0)}));
    // One small icon request per item without image.
    std::vector<std::vector<u8>> icons = Receive(3);
    ASSERT_EQ(3u, icons.size());
    for (const auto& m : icons)
        EXPECT_EQ(99, TagOf(m));
    EXPECT_FALSE(Find("//shop_root//loading")->IsVisible());
    EXPECT_EQ(3, menu->GetItemRecords().GetSize());
    CInfiniteList* list = WidgetCast<CInfiniteList>(Find("//shop_root//shop_page_list"));
    ASSERT_NE(nullptr, list);
    std::vector<std::string> names, prices, labels;
    for (int i = 0; i < list->GetChildCount(); ++i) {
        CWidget* row = list->GetChild(i);
        if (CInfiniteList::IsGroupHeader(row)) {
            labels.push_back(TextOf(row->FindChild(CVortanString("label"), -1)));
            continue;
        }
        names.push_back(TextOf(row->FindByPath(CVortanString("//list_item_small//item_name"))));
        prices.push_back(TextOf(row->FindByPath(CVortanString("//list_item_small//price-value"))));
    }
    EXPECT_EQ((std::vector<std::string>{"Hats", "Bombs"}), labels);
    EXPECT_EQ((std::vector<std::string>{"Red woollen hat", "Top hat", "Snow bomb"}), names);
    EXPECT_EQ((std::vector<std::string>{"120", "150", "40"}), prices);
}

class MyItemsTest : public ShopPagesTest {
protected:
    // The loaded my-items row that shows the item.
    CWidget* Row(int itemId)
    {
        CInfiniteList* list =
            WidgetCast<CInfiniteList>(Find("//my_items_root//my_items_page_list"));
        for (int i = 0; list && i < list->GetChildCount(); ++i) {
            if (!CInfiniteList::IsGroupHeader(list->GetChild(i)) &&
                list->GetChild(i)->GetTag() == itemId)
                return list->GetChild(i);
        }
        return nullptr;
    }
    // The grid's buttons as "name" or "name(hidden)", in order.
    std::string Grid(CWidget* row)
    {
        CWidget* grid =
            row ? row->FindByPath(CVortanString("//list_item_big//button-grid")) : nullptr;
        std::string out;
        for (int i = 0; grid && i < grid->GetChildCount(); ++i) {
            CWidget* b = grid->GetChild(i);
            out += (out.empty() ? "" : " ") + VortanUTF8Of(b->GetName()) +
                   (b->IsVisible() ? "" : "(hidden)");
        }
        return out;
    }
    int Toggle(CWidget* row, const char* face)
    {
        CWidget* w =
            row->FindByPath(CVortanString((std::string("//") + face + "//enable-item").c_str()));
        CToggleButton* t = WidgetCast<CToggleButton>(w);
        return t ? t->GetState() : -1;
    }
    // Opens my items with the groups and answers the first batch with the records.
    void Open(const std::vector<Ber>& groups, const std::vector<Ber>& records)
    {
        // Showing the page asks for its list.
        menu->ShowPage(CVortanString("my_items_root"), 1);
        ASSERT_TRUE(WaitFor(Ber(92).Int(0, 1).Build()));
        Serve(Groups(1, groups));
        ASSERT_TRUE(WaitFor(Request(1, 5, 0), 96));
        Serve(Items(1, 0, records));
        ASSERT_TRUE(vtest::WaitUntil([&]() {
            Frame();
            return Row(records.size() > 0 ? 11 : 0) != nullptr;
        }));
        Quiet();
        streams[0].clear();
        inbox.clear();
    }
};

TEST_F(MyItemsTest, EachKindShowsItsButtonsAndRecycledRowsGetThemBack)
{
    Open({KindGroup(1, "Trophies", 1, 1), KindGroup(2, "Hats", 2, 2), KindGroup(4, "Bombs", 4, 1),
          KindGroup(5, "Cluster", 5, 1)},
         {Record(11, "Cup", "", 300, 250, 0, 1, 1, 0),
          Record(21, "Red hat", "", 120, 100, 0, 2, 1, 1),
          Record(22, "Top hat", "", 150, 120, 0, 2, 1, 0),
          Record(41, "Snow bomb", "", 40, 35, 0, 4, 5, 1),
          Record(51, "Cluster bomb", "", 60, 50, 7, 5, 3, 1)});
    ASSERT_NE(nullptr, Row(11));
    ASSERT_NE(nullptr, Row(21));
    ASSERT_NE(nullptr, Row(41));
    EXPECT_EQ("gift-button", Grid(Row(11)));
    EXPECT_EQ(-1, Toggle(Row(11), "list_item_small"));
    EXPECT_EQ("enable-item gift-button", Grid(Row(21)));
    EXPECT_EQ(1, Toggle(Row(21), "list_item_big"));
    EXPECT_EQ(1, Toggle(Row(21), "list_item_small"));
    EXPECT_EQ("enable-item gift-button buy-button", Grid(Row(41)));
    EXPECT_EQ("x5", TextOf(Row(41)->FindByPath(CVortanString("//list_item_small//value_pcs"))));
    EXPECT_EQ("x5", TextOf(Row(41)->FindByPath(CVortanString("//list_item_big//info_message"))));
    EXPECT_EQ("", TextOf(Row(21)->FindByPath(CVortanString("//list_item_small//value_pcs"))));
    if (Row(51)) {
        EXPECT_EQ("enable-item gift-button refill-button", Grid(Row(51)));
        EXPECT_EQ("7", TextOf(Row(51)->FindByPath(CVortanString("//refill-button//refill_price"))));
    }

    // The same rows filled again with other kinds: what the trophy's row lost comes back.
    CWidget* first = Row(11);
    Serve(Items(1, 0,
                {Record(61, "Frozen lake", "", 500, 450, 300, 9, 1, 1),
                 Record(21, "Red hat", "", 120, 100, 0, 2, 1, 1)}));
    ASSERT_TRUE(vtest::WaitUntil([&]() {
        Frame();
        return Row(61) != nullptr;
    }));
    EXPECT_EQ(first, Row(61));
    // An unknown kind: every button, the gift hidden.
    EXPECT_EQ("enable-item gift-button(hidden) buy-button refill-button", Grid(Row(61)));
    EXPECT_EQ(1, Toggle(Row(61), "list_item_small"));

    // The switch: the record and the server learn the new state.
    CWidget* toggle =
        Row(22) ? Row(22)->FindByPath(CVortanString("//list_item_big//enable-item")) : nullptr;
    if (toggle) {
        WidgetCast<CToggleButton>(toggle)->SetState(1);
        menu->RunEvent("enable_item", toggle);
        std::vector<u8> sent;
        for (int i = 0; i < 10 && sent.empty(); ++i) {
            for (const auto& m : Receive(1))
                if (TagOf(m) != 99) // the refilled rows' icons
                    sent = m;
        }
        EXPECT_EQ(Ber(98).Int(0, 22).Int(1, 1).Build(), sent);
        EXPECT_EQ(
            1, menu->GetItemRecords().ElementAt(menu->GetItemRecords().FindKey(22)).value.enabled);
        // The answer switches the hat on and names the other one, which goes off.
        Serve(Ber(106).Int(0, 22).Int(1, 1).Text(2, "").Int(3, 21).Build());
        ASSERT_TRUE(vtest::WaitUntil([&]() {
            Frame();
            return Toggle(Row(21), "list_item_big") == 0;
        }));
        EXPECT_EQ(0, Toggle(Row(21), "list_item_small"));
        EXPECT_EQ(1, Toggle(Row(22), "list_item_small"));
    }
}

} // namespace
