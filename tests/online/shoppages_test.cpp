// The shop pages on the menu's real widget tree (menu_root.xml from the built layout pack):
// coins, groups and markers, rows filled from the server's records, the my-items kind table on
// recycled rows, the enable switch and its answer, icons and the large icon's fade.
#include <math.h>

#include <functional>
#include <sstream>

#include "engine/graphics/VortanSurface.h"
#include "tests/online/SentFields.h"
#include "tests/online/ShopTestSupport.h"
#include "tests/support/TestSupport.h"
#include "ui/Widget.h"
#include "ui/WidgetCast.h"
#include "ui/layouts/InfiniteList.h"
#include "ui/layouts/PageView.h"
#include "ui/widgets/Button.h"
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
    // Runs frames until an answer has made a purchase pending on the confirmation page (the
    // page may still show from the purchase before).
    bool WaitForConfirmation()
    {
        return vtest::WaitUntil([&]() {
            Frame();
            return menu->HasPendingPurchase() &&
                   menu->GetCurrentPageName() == CVortanString("confirm_buy_dialog");
        });
    }
    std::vector<std::vector<u8>> inbox;
    COrloMenuState* MakeMenu() override { return new TreeMenu(); }
    void SetUp() override
    {
        // No GL context here: textures are names only.
        CVortanSurface::SetNullTextures(1);
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

    // Groups without items count as none: no bare headings, "no_results".
    Serve(Groups(0, {KindGroup(1, "Trophies", 1, 0), KindGroup(3, "Boosts", 3, 0)}));
    ASSERT_TRUE(vtest::WaitUntil([&]() {
        Frame();
        return Find("//shop_root//no_results")->IsVisible();
    }));
    EXPECT_FALSE(Find("//shop_root//loading")->IsVisible());
    CInfiniteList* shopList = WidgetCast<CInfiniteList>(Find("//shop_root//shop_page_list"));
    ASSERT_NE(nullptr, shopList);
    EXPECT_EQ(0, shopList->GetItemCount());

    // No groups: "no_results" and not "loading".
    Serve(Groups(0, {}));
    ASSERT_TRUE(vtest::WaitUntil([&]() {
        Frame();
        return Find("//shop_root//no_results")->IsVisible();
    }));
    EXPECT_FALSE(Find("//shop_root//loading")->IsVisible());

    // An empty group between two others: its heading is left out, the others keep their names.
    Serve(Groups(0, {KindGroup(2, "Hats", 2, 2), KindGroup(3, "Boosts", 3, 0),
                     KindGroup(4, "Bombs", 4, 1)}));
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
    // Each row's item id as a one-element list, 0 for the small icon.
    EXPECT_EQ(std::vector<std::string>(
                  {"99: [0]={21} [1]=0", "99: [0]={22} [1]=0", "99: [0]={41} [1]=0"}),
              sentfields::Lines(icons));
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

    // Icons: bytes that do not decode, a PNG claiming a huge size and a size other than 0 or 1
    // show nothing; a real PNG shows on the item's row in both faces, its placeholder hidden.
    const std::vector<u8> png = {
        0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44,
        0x52, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x08, 0x06, 0x00, 0x00, 0x00, 0x72,
        0xb6, 0x0d, 0x24, 0x00, 0x00, 0x00, 0x11, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0xf8,
        0xcf, 0xc0, 0xf0, 0x1f, 0x84, 0x41, 0x08, 0x0c, 0x01, 0x45, 0xcc, 0x07, 0xf9, 0xca, 0x27,
        0x19, 0xcf, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};
    std::vector<u8> huge = png;
    huge[17] = 0x7f; // width 0x7F0002
    Serve(Ber(100).Int(0, 22).Int(1, 0).Bytes(2, {1, 2, 3, 4}).Build());
    Serve(Ber(100).Int(0, 22).Int(1, 0).Bytes(2, huge).Build());
    Serve(Ber(100).Int(0, 22).Int(1, 2).Bytes(2, png).Build());
    Serve(Ber(100).Int(0, 21).Int(1, 0).Bytes(2, png).Build());
    CWidget* hat = nullptr;
    for (int i = 0; i < list->GetChildCount(); ++i)
        if (list->GetChild(i)->GetTag() == 21)
            hat = list->GetChild(i);
    ASSERT_NE(nullptr, hat);
    CImageWidget* icon =
        WidgetCast<CImageWidget>(hat->FindByPath(CVortanString("//list_item_small//icon-item")));
    ASSERT_NE(nullptr, icon);
    ASSERT_TRUE(vtest::WaitUntil([&]() {
        Frame();
        return icon->GetImage() != nullptr;
    }));
    EXPECT_EQ(2, icon->GetImage()->GetWidth());
    EXPECT_FALSE(icon->GetChild(0)->IsVisible());
    EXPECT_NE(nullptr,
              WidgetCast<CImageWidget>(hat->FindByPath(CVortanString("//list_item_big//icon-item")))
                  ->GetImage());
    for (int i = 0; i < list->GetChildCount(); ++i) {
        CWidget* row = list->GetChild(i);
        if (row->GetTag() != 22)
            continue;
        EXPECT_EQ(nullptr, WidgetCast<CImageWidget>(
                               row->FindByPath(CVortanString("//list_item_small//icon-item")))
                               ->GetImage());
        EXPECT_FALSE(row->FindChild(CVortanString("large-icon-item"), -1)->IsVisible());
    }

    // The large icon: asked for after the item stayed open 5 s, then it fades in over 1 s as
    // 1 - t^4 of the time left (alphas computed in Python).
    menu->RunEvent("expand_shop_item", hat);
    menu->RunEvent("shop_item_end_expand", hat);
    EXPECT_EQ(hat, menu->GetLargeIconItem());
    menu->Update(4.9f);
    EXPECT_TRUE(Quiet().empty());
    menu->Update(0.2f);
    std::vector<std::vector<u8>> ask = Receive(1);
    ASSERT_EQ(1u, ask.size());
    EXPECT_EQ(99, TagOf(ask[0]));
    EXPECT_EQ("99: [0]={21} [1]=1", sentfields::Fields(ask[0], "li")); // 1: the large icon
    Serve(Ber(100).Int(0, 21).Int(1, 1).Bytes(2, png).Build());
    CWidget* large = hat->FindChild(CVortanString("large-icon-item"), -1);
    ASSERT_TRUE(vtest::WaitUntil([&]() {
        ntest::ReadSome(peer, &streams[0], 1);
        if (session->GetLobbyEngine())
            session->GetLobbyEngine()->Run(0.0f);
        return large->IsVisible();
    }));
    EXPECT_EQ(0x00FFFFFFu, large->GetColor());
    const std::pair<float, u32> steps[] = {{0.25f, 175}, {0.25f, 240}, {0.25f, 255}, {0.25f, 255}};
    for (const auto& step : steps) {
        menu->Update(step.first);
        EXPECT_EQ(step.second, large->GetColor() >> 24);
        EXPECT_EQ(0x00FFFFFFu, large->GetColor() & 0x00FFFFFFu);
    }
    EXPECT_EQ(0.0f, menu->GetIconFade());
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

// The program's English text of the number, read from the language source.
std::string English(int index, int n = -1)
{
    std::istringstream in(
        vtest::ReadWholeFile(vtest::SourceDir() + "/data/language/orlolanguage_0000.txt"));
    std::string line, prefix = std::to_string(index) + "=";
    while (std::getline(in, line)) {
        if (line.compare(0, prefix.size(), prefix) != 0)
            continue;
        std::string text = line.substr(prefix.size());
        const size_t at = text.find("%d");
        if (at != std::string::npos)
            text.replace(at, 2, std::to_string(n));
        return text;
    }
    return "<missing " + std::to_string(index) + ">";
}

TEST_F(ShopPagesTest, TimeLeftAtTheUnitsEdges)
{
    ASSERT_TRUE(app->LoadLanguage());
    const struct {
        int seconds;
        std::string text;
    } cases[] = {{-5, English(184)},
                 {0, English(184)},
                 {1, English(185)},
                 {59, English(185)},
                 {60, English(186)},
                 {119, English(186)},
                 {120, English(193, 2)},
                 {3599, English(193, 59)},
                 {3600, English(187)},
                 {7200, English(194, 2)},
                 {86399, English(194, 23)},
                 {86400, English(188)},
                 {604799, English(195, 6)},
                 {604800, English(189)},
                 {2627999, English(196, 4)},
                 {2628000, English(190)},
                 {31535999, English(197, 11)},
                 {31536000, English(191)},
                 {2147483647, English(191)}};
    for (const auto& c : cases) {
        CVortanString text;
        menu->TimeLeftText(c.seconds, text);
        EXPECT_EQ(c.text, VortanUTF8Of(text)) << c.seconds;
    }
}

TEST(ShopPrices, ThePurposeIsTheCodesLowByteAndPricesAreComputedWide)
{
    SShopItemData item;
    item.price = 120;
    item.giftPrice = 50;
    item.refillPrice = 0;
    EXPECT_EQ(120, COrloMenuState::PriceFor(item, 0, 0));
    EXPECT_EQ(120, COrloMenuState::PriceFor(item, 256, 0));
    EXPECT_EQ(150, COrloMenuState::PriceFor(item, 1, 3));
    EXPECT_EQ(150, COrloMenuState::PriceFor(item, 257, 3));
    // A refill priced 0 shows the item's price; a real refill price shows itself.
    EXPECT_EQ(120, COrloMenuState::PriceFor(item, 258, 0));
    item.refillPrice = 15;
    EXPECT_EQ(15, COrloMenuState::PriceFor(item, 258, 0));
    EXPECT_EQ(0, COrloMenuState::PriceFor(item, 3, 0));
    // Price times players beyond int.
    item.giftPrice = 2000000000;
    EXPECT_EQ(0x7FFFFFFF, COrloMenuState::PriceFor(item, 1, 3));
    item.giftPrice = -2000000000;
    EXPECT_EQ(-0x7FFFFFFF, COrloMenuState::PriceFor(item, 1, 3));
}

class BuyingTest : public ShopPagesTest {
protected:
    // The shop page with a hat (gift price 50) and a bomb loaded.
    CWidget* OpenShop()
    {
        menu->ShowPage(CVortanString("shop_root"), 1);
        EXPECT_TRUE(WaitFor(Ber(92).Int(0, 0).Build()));
        Serve(Groups(0, {KindGroup(2, "Hats", 2, 2)}));
        EXPECT_TRUE(WaitFor(Request(0, 2, 0), 96));
        Serve(Items(0, 0,
                    {Record(21, "Red hat", "Red woollen hat", 120, 50, 0, 2, 1, 0),
                     Record(22, "Top hat", "", 150, 120, 0, 2, 1, 0)}));
        CWidget* hat = nullptr;
        vtest::WaitUntil([&]() {
            Frame();
            CWidget* list = Find("//shop_root//shop_page_list");
            for (int i = 0; list && i < list->GetChildCount(); ++i)
                if (list->GetChild(i)->GetTag() == 21)
                    hat = list->GetChild(i);
            return hat != nullptr;
        });
        Quiet();
        streams[0].clear();
        inbox.clear();
        return hat;
    }
    std::vector<u8> Sent(int tag)
    {
        std::vector<u8> m;
        WaitFor(std::vector<u8>(), tag);
        return m;
    }
    static std::vector<u8> BuyAnswer(int item, int code, const std::string& text,
                                     const std::vector<Ber>& players)
    {
        Ber message(103);
        return ListOf(message.Int(0, item).Int(1, code).Text(2, text), 3, players).Build();
    }
};

TEST_F(BuyingTest, ABuyWithoutPlayersGoesToTheConfirmationAndRefreshesTheList)
{
    CWidget* hat = OpenShop();
    ASSERT_NE(nullptr, hat);
    // A refill with too few coins: the coin page and a fresh balance.
    menu->RunEvent("refill_item", hat);
    ASSERT_TRUE(WaitFor(Ber(102).Int(0, 21).Int(1, 258).Build()));
    Serve(Ber(105).Int(0, 21).Int(1, -1).Text(2, "Not enough coins.").Build());
    ASSERT_TRUE(WaitFor(Ber(90).Build(), 90));
    EXPECT_EQ(CVortanString("generic_error_dialog_more_coins"), menu->GetCurrentPageName());
    EXPECT_EQ("Not enough coins.", TextOf(Find("//generic_error_dialog_more_coins//error-text")));
    // A refill the service offers: its confirmation carries the refill's mode back,
    // BF 68 07 | 80 01 15 | 81 02 01 02 (258), not a plain buy's 0 or 256.
    menu->RunEvent("refill_item", hat);
    ASSERT_TRUE(WaitFor(Ber(102).Int(0, 21).Int(1, 258).Build()));
    Serve(BuyAnswer(21, 258, "", {}));
    ASSERT_TRUE(WaitForConfirmation());
    menu->RunEvent("ok_buy_confirm", nullptr);
    ASSERT_TRUE(WaitFor({0xBF, 0x68, 0x07, 0x80, 0x01, 0x15, 0x81, 0x02, 0x01, 0x02}, 104));
    EXPECT_EQ(0, menu->HasPendingPurchase());

    // The purchase refreshes the list (its rows go), so it comes last.
    menu->RunEvent("buy_item", hat);
    ASSERT_TRUE(WaitFor(Ber(102).Int(0, 21).Int(1, 0).Build()));
    Serve(BuyAnswer(21, 0, "", {}));
    ASSERT_TRUE(WaitForConfirmation());
    EXPECT_EQ("Red woollen hat", TextOf(Find("//confirm_buy_dialog//item-name")));
    EXPECT_EQ("120", TextOf(Find("//confirm_buy_dialog//value_price")));
    menu->RunEvent("ok_buy_confirm", nullptr);
    // No players: the two-field form, BF 68 06 | 80 01 15 | 81 01 00.
    ASSERT_TRUE(WaitFor({0xBF, 0x68, 0x06, 0x80, 0x01, 0x15, 0x81, 0x01, 0x00}, 104));
    EXPECT_EQ(0, menu->HasPendingPurchase());
    // A second "ok" without a pending purchase sends nothing.
    menu->RunEvent("ok_buy_confirm", nullptr);
    Serve(Ber(105).Int(0, 21).Int(1, 0).Text(2, "").Build());
    ASSERT_TRUE(WaitFor(Ber(92).Int(0, 0).Build(), 92));
    for (const auto& m : inbox)
        EXPECT_NE(104, TagOf(m));
    EXPECT_TRUE(Quiet().empty());
}

TEST_F(BuyingTest, AGiftForThreePlayersShowsThreeTimesTheGiftPrice)
{
    CWidget* hat = OpenShop();
    ASSERT_NE(nullptr, hat);
    menu->RunEvent("buy_gift", hat);
    ASSERT_TRUE(WaitFor(Ber(102).Int(0, 21).Int(1, 1).Build(), 102));
    Serve(BuyAnswer(21, 1, "",
                    {Ber(0).Int(0, 7).Text(1, "bobcat").Text(2, ""),
                     Ber(0).Int(0, 8).Text(1, "carol_k").Text(2, ""),
                     Ber(0).Int(0, 9).Text(1, "dora").Text(2, "")}));
    CInfiniteList* list = nullptr;
    ASSERT_TRUE(vtest::WaitUntil([&]() {
        Frame();
        list = WidgetCast<CInfiniteList>(Find("//dialog_list_selection//selection_list_content"));
        return list && list->GetChildCount() == 3;
    }));
    EXPECT_EQ(3, menu->GetPlayerChoiceCount());
    std::vector<std::string> names;
    for (int i = 0; i < 3; ++i) {
        CWidget* row = list->GetChild(i);
        names.push_back(TextOf(row->FindChild(CVortanString("item-name"), -1)));
        CWidget* select = row->FindChild(CVortanString("select-button"), -1);
        ASSERT_NE(nullptr, select);
        // Twice is off again; a third time on.
        menu->RunEvent("select_list_item", select);
        menu->RunEvent("select_list_item", select);
        EXPECT_FALSE(select->FindChild(CVortanString("selected"), -1)->IsVisible());
        menu->RunEvent("select_list_item", select);
        EXPECT_TRUE(select->FindChild(CVortanString("selected"), -1)->IsVisible());
    }
    EXPECT_EQ((std::vector<std::string>{"bobcat", "carol_k", "dora"}), names);
    menu->RunEvent("ok_list_selection", nullptr);
    menu->ShowPage(CVortanString("confirm_buy_dialog"), 1);
    ASSERT_TRUE(vtest::WaitUntil([&]() {
        Frame();
        return TextOf(Find("//confirm_buy_dialog//value_price")) == "150";
    }));
    menu->RunEvent("ok_buy_confirm", nullptr);
    ASSERT_TRUE(WaitFor(Ber(104)
                            .Int(0, 21)
                            .Int(1, 1)
                            .Raw({0x82, 0x09, 0x02, 0x01, 0x07, 0x02, 0x01, 0x08, 0x02, 0x01, 0x09})
                            .Build(),
                        104));
    EXPECT_EQ(0, menu->GetPlayerChoiceCount());
}

TEST_F(BuyingTest, OpeningAShopItemClosesTheOtherAndScrollsItIntoView)
{
    menu->ShowPage(CVortanString("shop_root"), 1);
    ASSERT_TRUE(WaitFor(Ber(92).Int(0, 0).Build()));
    Serve(Groups(0, {KindGroup(2, "Hats", 2, 6)}));
    ASSERT_TRUE(WaitFor(Request(0, 6, 0), 96));
    std::vector<Ber> records;
    for (int i = 0; i < 6; ++i)
        records.push_back(Record(21 + i, "Hat " + std::to_string(i), "", 100, 50, 0, 2, 1, 0));
    Serve(Items(0, 0, records));
    CInfiniteList* list = WidgetCast<CInfiniteList>(Find("//shop_root//shop_page_list"));
    ASSERT_NE(nullptr, list);
    auto row = [&](int id) -> CExpandable* {
        for (int i = 0; i < list->GetChildCount(); ++i)
            if (list->GetChild(i)->GetTag() == id)
                return WidgetCast<CExpandable>(list->GetChild(i));
        return nullptr;
    };
    ASSERT_TRUE(vtest::WaitUntil([&]() {
        Frame();
        return row(21) && row(25);
    }));
    CExpandable* first = row(21);
    CExpandable* fifth = row(25);
    // The rows share the players' expanded item: opening one closes the other.
    menu->RunEvent("expand_shop_item", first);
    EXPECT_EQ(first, menu->GetExpandedItem());
    for (int i = 0; i < 60; ++i)
        menu->Update(0.016f);
    menu->RunEvent("expand_shop_item", fifth);
    EXPECT_EQ(fifth, menu->GetExpandedItem());
    for (int i = 0; i < 90; ++i)
        menu->Update(0.016f);
    EXPECT_EQ(0, first->GetState());
    EXPECT_EQ(1, fifth->GetState());
    // The fifth row, opened below the list's bottom edge, is scrolled fully into view.
    ASSERT_GT(fifth->GetRect().top + fifth->GetStateHeight(), list->GetHeight());
    EXPECT_GT(list->GetScrollY(), 0);
    EXPECT_LE(fifth->GetRect().top + fifth->GetStateHeight(),
              list->GetScrollY() + list->GetHeight());
    EXPECT_GE(fifth->GetRect().top, list->GetScrollY());
    // A reopened list forgets it.
    menu->RunEvent("show_shop_items", nullptr);
    EXPECT_EQ(nullptr, menu->GetExpandedItem());
}

TEST_F(BuyingTest, BuyingInAMatchIsAllowed)
{
    CWidget* hat = OpenShop();
    ASSERT_NE(nullptr, hat);
    menu->OnGameStart(1, 0);
    ASSERT_EQ(1, menu->IsInMatch());
    menu->RunEvent("buy_item", hat);
    ASSERT_TRUE(WaitFor(Ber(102).Int(0, 21).Int(1, 0).Build(), 102));
    Serve(BuyAnswer(21, 0, "", {}));
    ASSERT_TRUE(vtest::WaitUntil([&]() {
        Frame();
        return menu->HasPendingPurchase() == 1;
    }));
    menu->RunEvent("ok_buy_confirm", nullptr);
    ASSERT_TRUE(WaitFor({0xBF, 0x68, 0x06, 0x80, 0x01, 0x15, 0x81, 0x01, 0x00}, 104));
}

class GiftTest : public BuyingTest {
protected:
    void TearDown() override
    {
        if (entry)
            CWidget::Destroy(entry);
        delete dora;
        BuyingTest::TearDown();
    }
    // An entry of the players' list as the list makes it from its template, its tag its own
    // record; its gift button's event as the layout binds it.
    CButton* GiftButton()
    {
        menu->ShowPage(CVortanString("players_root"), 1);
        CInfiniteList* players = nullptr;
        vtest::WaitUntil([&]() {
            Frame();
            players = WidgetCast<CInfiniteList>(Find("//players_root//playerlist_global"));
            return players && players->GetItemTemplate();
        });
        if (!players || !players->GetItemTemplate())
            return nullptr;
        dora = new SMenuPlayer();
        dora->id = 9;
        dora->name = CVortanString("dora");
        entry = players->GetItemTemplate()->Clone();
        entry->SetTag((intptr_t)dora);
        return WidgetCast<CButton>(entry->FindChild(CVortanString("button_gift"), -1));
    }
    static std::vector<u8> GiftAnswer(int recipient, const std::string& text,
                                      const std::vector<Ber>& items)
    {
        Ber message(114);
        return ListOf(message.Int(0, recipient).Text(1, text), 2, items).Build();
    }
    // The gift list's rows as "name price".
    std::vector<std::string> Rows(CInfiniteList* list)
    {
        std::vector<std::string> out;
        for (int i = 0; i < list->GetChildCount(); ++i) {
            CWidget* row = list->GetChild(i);
            out.push_back(TextOf(row->FindChild(CVortanString("item-name"), -1)) + " " +
                          TextOf(row->FindChild(CVortanString("price-value"), -1)));
        }
        return out;
    }
    bool OnPage(const char* page)
    {
        return vtest::WaitUntil([&]() {
            Frame();
            return menu->GetCurrentPageName() == CVortanString(page);
        });
    }
    SMenuPlayer* dora = nullptr;
    CWidget* entry = nullptr;
};

TEST_F(GiftTest, APlayersGiftIsChosenConfirmedAndAnswered)
{
    CButton* gift = GiftButton();
    ASSERT_NE(nullptr, gift);
    gift->Click();
    ASSERT_TRUE(WaitFor(Ber(113).Int(0, 9).Build(), 113));
    // Nothing is pending yet: "ok" sends nothing.
    menu->RunEvent("ok_buy_player_gift_confirm", nullptr);

    // An answer offering items, left by Back, then a second one: only the second's items.
    Serve(GiftAnswer(9, "", {Record(31, "Cup", "", 300, 250, 0, 1, 1, 0)}));
    ASSERT_TRUE(OnPage("dialog_gift_list_selection"));
    Serve(GiftAnswer(9, "",
                     {Record(21, "Red hat", "Red woollen hat", 120, 50, 0, 2, 1, 0),
                      Record(22, "Top hat", "", 150, 2000000000, 0, 2, 1, 0),
                      Record(41, "Snow bomb", "", 40, 2000000000, 0, 4, 5, 0)}));
    CInfiniteList* list = nullptr;
    ASSERT_TRUE(vtest::WaitUntil([&]() {
        Frame();
        list = WidgetCast<CInfiniteList>(
            Find("//dialog_gift_list_selection//selection_gift_list_content"));
        return list && list->GetChildCount() == 3 && menu->GetGiftChoiceCount() == 3;
    }));
    EXPECT_EQ((std::vector<std::string>{"Red woollen hat 50", "Top hat 2000000000",
                                        "Snow bomb 2000000000"}),
              Rows(list));
    // All three: the total is summed wide and shown within int.
    for (int i = 0; i < 3; ++i) {
        CWidget* select = list->GetChild(i)->FindChild(CVortanString("select-button"), -1);
        ASSERT_NE(nullptr, select);
        menu->RunEvent("select_gift_list_item", select);
        EXPECT_TRUE(select->FindChild(CVortanString("selected"), -1)->IsVisible());
        EXPECT_FALSE(select->FindChild(CVortanString("unselected"), -1)->IsVisible());
    }
    menu->RunEvent("ok_gift_list_selection", nullptr);
    EXPECT_EQ(0x7FFFFFFF, menu->GetGiftTotal());
    // The top hat and the bomb off again: the hat alone.
    for (int i = 1; i < 3; ++i)
        menu->RunEvent("select_gift_list_item",
                       list->GetChild(i)->FindChild(CVortanString("select-button"), -1));
    menu->RunEvent("ok_gift_list_selection", nullptr);
    menu->ShowPage(CVortanString("confirm_buy_player_gift_dialog"), 1);
    ASSERT_TRUE(vtest::WaitUntil([&]() {
        Frame();
        return TextOf(Find("//confirm_buy_player_gift_dialog//value_price")) == "50";
    }));
    EXPECT_EQ("dora", TextOf(Find("//confirm_buy_player_gift_dialog//player-name")));
    // No avatar of dora's yet: the placeholder shows.
    EXPECT_TRUE(Find("//confirm_buy_player_gift_dialog//player-icon")->GetChild(0)->IsVisible());

    menu->RunEvent("ok_buy_player_gift_confirm", nullptr);
    ASSERT_TRUE(
        WaitFor(Ber(115).Int(0, 9).Int(1, 0).Raw({0x82, 0x03, 0x02, 0x01, 0x15}).Build(), 115));
    EXPECT_EQ(0, menu->HasPendingGift());
    EXPECT_EQ(0, menu->GetGiftChoiceCount());
    for (const auto& m : inbox)
        EXPECT_NE(115, TagOf(m)) << "a second gift confirmation";

    // The answers: refused for want of coins (the coin page and a fresh balance), refused for
    // another reason (the plain error page).
    Serve(Ber(116).Int(0, 9).Int(1, -1).Text(2, "Not enough coins.").Build());
    ASSERT_TRUE(WaitFor(Ber(90).Build(), 90));
    EXPECT_EQ(CVortanString("generic_error_dialog_more_coins"), menu->GetCurrentPageName());
    Serve(Ber(116).Int(0, 9).Int(1, 2).Text(2, "Nothing to give.").Build());
    ASSERT_TRUE(OnPage("generic_error_dialog"));
    EXPECT_EQ("Nothing to give.", TextOf(Find("//generic_error_dialog//error-text")));
    // A gift answer with an error: negative is the coin page.
    Serve(GiftAnswer(-1, "Not enough coins.", {}));
    ASSERT_TRUE(OnPage("generic_error_dialog_more_coins"));
    EXPECT_EQ(0, menu->HasPendingGift());
    EXPECT_TRUE(Quiet().size() <= 1); // at most the balance request

    // Each answer's refusal shows the service's text: a negative code on the coin page, any
    // other on the plain page (a buy, its confirmation, a gift, its confirmation); an item's
    // switch always on the plain page.
    const std::function<void(int, const CVortanString&)> answers[] = {
        [&](int c, const CVortanString& t) { menu->OnBuyItemPlayers(21, c, t, {}); },
        [&](int c, const CVortanString& t) { menu->OnConfirmBuyItemResponse(0, c, t); },
        [&](int c, const CVortanString& t) { menu->OnPlayerGiftItems(c, t, {}); },
        [&](int c, const CVortanString& t) { menu->OnConfirmBuyPlayerItemsResponse(0, c, t); },
        [&](int, const CVortanString& t) { menu->OnUpdateItemStateResponse(21, 0, t, 0); }};
    for (int code : {-1, 0})
        for (int a = 0; a < 5; ++a) {
            const std::string said = "refused " + std::to_string(code) + " " + std::to_string(a);
            answers[a](code, CVortanString(said.c_str()));
            const std::string page = code < 0 && a < 4 ? "_more_coins//" : "//";
            EXPECT_EQ(said, TextOf(Find(("//generic_error_dialog" + page + "error-text").c_str())));
        }
}

TEST_F(ShopPagesTest, TheCoinLinkIsSignedAsTheServiceChecksIt)
{
    ASSERT_TRUE(app->LoadLanguage());
    Serve(Ber(2).Text(0, "").Int(1, 0).Text(2, "").Int(3, 7).Build());
    ASSERT_TRUE(vtest::WaitUntil([&]() {
        Frame();
        return session->GetReleaseId() == 7;
    }));
    // Not logged in: player id -1 and no token; no IMEI without a device.
    std::string check;
    ASSERT_EQ(0, vtest::RunProgram({vtest::Python(), "-c",
                                    "import hashlib,sys\n"
                                    "print(hashlib.md5(sys.argv[1].encode()).hexdigest(),end='')",
                                    "-10123456789abcdef0123456789ABCDE7"},
                                   &check));
    ASSERT_EQ(32u, check.size());
    CVortanString store;
    app->GetStoreName(store);
    CVortanString link;
    menu->BuildCoinsLink(link);
    EXPECT_EQ("https://www.orlogate.invalid/api/forward.php?link=add_coins&token=&check=" + check +
                  "&game=" + std::to_string(app->GetGameNumber()) +
                  "&release=7&rid=" + VortanUTF8Of(store) + "&lang=en",
              VortanUTF8Of(link));
}

} // namespace
