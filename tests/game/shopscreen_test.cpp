// The shop and my-items pages on screen (GLES2 on Mesa under Xvfb, the menu's built packs):
// coins, group headers, rows with names and prices, and an open my-items row with its buttons.
// The frames are kept with VEX_SHOTS for a person to look at.
#include <gtest/gtest.h>

#include "online/menu/OrloMenuState.h"
#include "online/protocol/ASN1Records.h"
#include "platform/OrloLanguage.h"
#include "platform/OrloStatsStore.h"
#include "tests/game/GLGameSupport.h"
#include "tests/platform/GameStateStub.h"
#include "ui/Widget.h"
#include "ui/WidgetCast.h"
#include "ui/layouts/InfiniteList.h"
#include "ui/widgets/Expandable.h"

namespace {

gtest_graphics::GLEnvironment* const g_env =
    vtest::AddDisplayEnvironment<gtest_graphics::GLEnvironment>(800, 480);

// The program's application on the test window, with settings, texts and the menu's packs.
class ShopScreenApp : public gltest::GLGameApp {
public:
    explicit ShopScreenApp(unsigned long window, const std::string& home)
        : gltest::GLGameApp(window)
    {
        setenv("HOME", home.c_str(), 1);
        m_settings = new COrloStatsStore();
        CVortanString path;
        GetUserDataPath(path, CVortanString("stats.dat"));
        m_settings->Open(path);
        GetUserDataPath(path, CVortanString("orlolanguage_0000.dmp"));
        vtest::WriteWholeFile(VortanUTF8Of(path),
                              vtest::ReadWholeFile(vtest::BinaryDir() + "/orlolanguage_0000.dmp"));
        m_language = new COrloLanguage();
        m_language->Init(this, CVortanString("orlolanguage"));
        for (const char* p : {"orlofonts_480", "orlolobby_480", "orlolayouts"})
            OpenPack(CVortanString((vtest::BinaryDir() + "/" + p + ".dmp").c_str()), 1);
        m_gameState = new ptest::GameStateStub();
    }
    ~ShopScreenApp() override
    {
        m_gameState = nullptr; // the menu deleted it
        delete m_settings;
        m_settings = nullptr;
        delete m_language;
        m_language = nullptr;
    }
};

class ScreenMenu : public COrloMenuState {
public:
    int Build() { return BuildMenu(800, 480, nullptr); }
};

SShopGroupData Group(int id, const char* name, int kind, int count)
{
    SShopGroupData g;
    g.id = id;
    g.name = CVortanString(name);
    g.kind = kind;
    g.itemCount = count;
    return g;
}

SShopItemData Item(int id, const char* name, const char* shown, int price, int group, int count,
                   int enabled)
{
    SShopItemData s;
    s.id = id;
    s.name = CVortanString(name);
    s.shortText = CVortanString("A fine thing for a match.");
    s.fullText = CVortanString("It is kept in your items and used in the next online battle.");
    s.price = price;
    s.giftPrice = price - 20;
    s.refillPrice = 15;
    s.groupId = group;
    s.count = count;
    s.enabled = enabled;
    s.shownName = CVortanString(shown);
    return s;
}

void Frames(COrloMenuState& menu, int n)
{
    for (int i = 0; i < n; ++i)
        menu.Update(0.05f);
}

TEST(ShopScreen, TheShopAndMyItemsPages)
{
    ASSERT_TRUE(g_env->window);
    vtest::TempDir home;
    ShopScreenApp app(g_env->window->Id(), home.Path());
    ASSERT_TRUE(app.created);
    ScreenMenu* menu = new ScreenMenu();
    ASSERT_EQ(VORTAN_OK, menu->Init(&app));
    ASSERT_EQ(1, menu->Build());

    menu->OnCoinBalance(1000);
    menu->ShowPage(CVortanString("shop_root"), 1);
    Frames(*menu, 10);
    CVortanArray<SShopGroupData> groups;
    groups.SetAtGrow(0, Group(2, "Hats", 2, 2));
    groups.SetAtGrow(1, Group(4, "Bombs", 4, 2));
    menu->OnShopGroups(0, groups);
    Frames(*menu, 3);
    CVortanArray<SShopItemData> items;
    items.SetAtGrow(0, Item(21, "Red hat", "Red woollen hat", 120, 2, 1, 0));
    items.SetAtGrow(1, Item(22, "Top hat", "", 150, 2, 1, 0));
    items.SetAtGrow(2, Item(41, "Snow bomb", "", 40, 4, 5, 0));
    items.SetAtGrow(3, Item(51, "Cluster bomb", "", 60, 4, 3, 0));
    menu->OnShopItems(0, 0, items);
    Frames(*menu, 10);
    menu->Render();
    const gltest::Rgb shop = gltest::ReadFrame();
    gltest::Keep(shop, "shop_page");
    // The rows are drawn where the list is: its background differs from the page's.
    EXPECT_NE(gltest::At(shop, 400, 60), gltest::At(shop, 400, 200));

    menu->ShowPage(CVortanString("my_items_root"), 1);
    Frames(*menu, 10);
    menu->OnShopGroups(1, groups);
    Frames(*menu, 3);
    items[0].enabled = 1;
    items[2].enabled = 1;
    menu->OnShopItems(1, 0, items);
    Frames(*menu, 10);
    CInfiniteList* list = WidgetCast<CInfiniteList>(
        menu->GetRoot()->FindByPath(CVortanString("//my_items_page_list")));
    ASSERT_NE(nullptr, list);
    CWidget* bomb = nullptr;
    for (int i = 0; i < list->GetChildCount(); ++i)
        if (list->GetChild(i)->GetTag() == 41)
            bomb = list->GetChild(i);
    ASSERT_NE(nullptr, bomb);
    menu->RunEvent("expand_shop_item", bomb);
    Frames(*menu, 20);
    menu->Render();
    const gltest::Rgb mine = gltest::ReadFrame();
    gltest::Keep(mine, "my_items_open");
    EXPECT_EQ(1, WidgetCast<CExpandable>(bomb)->GetState());

    // The server offers the bomb without players to choose: the confirmation page.
    menu->OnBuyItemPlayers(41, 256, CVortanString(), CVortanArray<SBuyItemPlayerInfo>());
    Frames(*menu, 20);
    menu->Render();
    const gltest::Rgb confirm = gltest::ReadFrame();
    gltest::Keep(confirm, "confirm_buy");
    EXPECT_EQ(CVortanString("confirm_buy_dialog"), menu->GetCurrentPageName());
    delete menu;
}

} // namespace
