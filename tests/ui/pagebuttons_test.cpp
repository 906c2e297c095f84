// The page buttons of the shipped layouts, on the trees the menu builds from them (both screen
// shapes): every button finds its page view, a tap on it shows its page (or goes back for
// ":back"), and it shows itself pressed while its page is the one shown.
#include <gtest/gtest.h>

#include <dirent.h>

#include <string>
#include <vector>

#include "tests/ui/LoaderTestSupport.h"
#include "ui/WidgetCast.h"
#include "ui/layouts/PageView.h"
#include "ui/loader/GameXMLLoader.h"
#include "ui/widgets/PageButton.h"

namespace {

void CollectPageButtons(CWidget* widget, std::vector<CPageButton*>& out)
{
    if (CPageButton* button = WidgetCast<CPageButton>(widget))
        out.push_back(button);
    for (int i = 0; i < widget->GetChildCount(); ++i)
        CollectPageButtons(widget->GetChild(i), out);
}

std::string NameOf(const CWidget* widget)
{
    return widget ? VortanUTF8Of(widget->GetName()) : "<none>";
}

struct ShippedLayouts : ltest::LoaderCase {
    CGameXMLLoader areas;
    CWidget* root = nullptr;

    void SetUp() override
    {
        // Every layout file as the layout pack holds it.
        const std::string folder = std::string(VORTAN_SOURCE_DIR) + "/data/layouts/";
        vtest::PackEntries entries;
        DIR* dir = opendir(folder.c_str());
        ASSERT_NE(dir, nullptr);
        while (dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".xml") == 0)
                entries.push_back({name, vtest::ReadWholeFile(folder + name)});
        }
        closedir(dir);
        ASSERT_GE(entries.size(), 10u);
        Pack(entries);
        areas.Init(&app, &registry, nullptr);
    }
    void TearDown() override
    {
        CWidget::Destroy(root);
        areas.Unload();
    }
    bool Build(const char* file, int width, int height)
    {
        CWidget::Destroy(root);
        root = nullptr;
        if (areas.LoadAreas(uitest::S(file)) != VORTAN_OK)
            return false;
        root = areas.CreateWidgetTree(width, height, nullptr);
        return root != nullptr;
    }
    // Frames long enough for every page transition to end and the layout pass after it.
    void Settle()
    {
        for (int i = 0; i < 4; ++i)
            root->Update(0.5f);
    }
    // Shows, in every page view above the widget, the page that holds it, and the parts that
    // the menu shows only at times (the in-game start screen, a tournament's button).
    void ShowPagesAbove(CWidget* widget)
    {
        for (CWidget* w = widget; w && w->GetParent(); w = w->GetParent())
            if (!WidgetCast<CPageView>(w->GetParent()))
                w->SetVisible(true);
        std::vector<std::pair<CPageView*, int>> chain;
        for (CWidget* w = widget; w && w->GetParent(); w = w->GetParent())
            if (CPageView* view = WidgetCast<CPageView>(w->GetParent()))
                chain.insert(chain.begin(), {view, view->IndexOfChild(w)});
        for (const auto& step : chain) {
            step.first->ShowPage(step.second);
            Settle();
        }
    }
    // A tap at the middle of the widget, as the screen hands it to the root, and the frames
    // that let the click fire and the pages settle.
    void Tap(CWidget* widget)
    {
        int x = widget->GetWidth() / 2, y = widget->GetHeight() / 2;
        root->ConvertPoint(widget, x, y);
        root->DispatchPointerDown(0, x, y);
        root->DispatchPointerUp(0, x, y);
        Settle();
    }
    // The page that the button's view shows now, and whether its own page is the one shown.
    void CheckButtons(const char* file, int width, int height, int expected)
    {
        ASSERT_TRUE(Build(file, width, height)) << file;
        std::vector<CPageButton*> buttons;
        CollectPageButtons(root, buttons);
        EXPECT_EQ((int)buttons.size(), expected) << file << " " << width << "x" << height;
        for (CPageButton* button : buttons) {
            const std::string name = NameOf(button);
            const std::string page = VortanUTF8Of(button->GetPage());
            // For ":back" another page is shown first, so that there is somewhere to go back to.
            CPageView* outer = nullptr;
            for (CWidget* w = button->GetParent(); w; w = w->GetParent())
                if (CPageView* v = WidgetCast<CPageView>(w))
                    outer = v;
            ASSERT_NE(outer, nullptr) << name;
            CWidget* before = outer->GetChild(0);
            for (CWidget* w = button; w; w = w->GetParent())
                if (w->GetParent() == outer && w == before)
                    before = outer->GetChild(1);
            outer->NavigateTo(before->GetName());
            Settle();
            ShowPagesAbove(button);
            ASSERT_NE(button->GetPageView(), nullptr) << name << ": no page view";
            CPageView* view = button->GetPageView();
            if (page.compare(0, 5, ":back") == 0) {
                CWidget* shown = view->GetCurrentPage();
                Tap(button);
                EXPECT_NE(view->GetCurrentPage(), shown) << name << " did not go back";
                if (view == outer) {
                    EXPECT_EQ(view->GetCurrentPage(), before) << name;
                }
                continue;
            }
            CWidget* target = view->FindByPath(button->GetPage());
            ASSERT_NE(target, nullptr) << name << ": no page " << page;
            ASSERT_NE(view->IndexOfChild(target), -1) << name << ": " << page;
            Tap(button);
            EXPECT_EQ(view->GetCurrentPage(), target)
                << name << " shows " << NameOf(view->GetCurrentPage()) << ", not " << page;
            EXPECT_TRUE(target->IsVisible()) << name;
            EXPECT_EQ(button->GetState(), 1) << name << " is not shown pressed";
        }
    }
};

TEST_F(ShippedLayouts, EveryPageButtonShowsItsPage)
{
    CheckButtons("menu_root.xml", 800, 480, 40);
    CheckButtons("menu_root.xml", 480, 800, 40);
    CheckButtons("toast-root.xml", 800, 480, 0);
    CheckButtons("ad-root.xml", 800, 480, 0);
}

TEST_F(ShippedLayouts, PlayerListPagesFollowTheirButtons)
{
    for (int portrait = 0; portrait < 2; ++portrait) {
        ASSERT_TRUE(portrait ? Build("menu_root.xml", 480, 800) : Build("menu_root.xml", 800, 480));
        CPageView* menu = WidgetCast<CPageView>(root->FindByPath(uitest::S("//menu_root")));
        ASSERT_NE(menu, nullptr);
        menu->NavigateTo(uitest::S("players_root"));
        Settle();
        CPageView* pages =
            WidgetCast<CPageView>(root->FindByPath(uitest::S("//players_content_root")));
        CPageButton* everyone =
            WidgetCast<CPageButton>(root->FindByPath(uitest::S("//players_root//show_global")));
        CPageButton* following =
            WidgetCast<CPageButton>(root->FindByPath(uitest::S("//players_root//show_follow")));
        ASSERT_TRUE(pages && everyone && following);
        EXPECT_EQ(NameOf(pages->GetCurrentPage()), "global_page");
        EXPECT_EQ(everyone->GetState(), 1);
        EXPECT_EQ(following->GetState(), 0);

        Tap(following);
        EXPECT_EQ(NameOf(pages->GetCurrentPage()), "follow_page");
        EXPECT_TRUE(pages->GetCurrentPage()->IsVisible());
        EXPECT_FALSE(pages->GetChild(0)->IsVisible());
        EXPECT_EQ(everyone->GetState(), 0);
        EXPECT_EQ(following->GetState(), 1);
        // The pressed look is the button's last child, the other look the one before it.
        const int n = following->GetChildCount();
        ASSERT_GE(n, 2);
        EXPECT_TRUE(following->GetChild(n - 1)->IsVisible());
        EXPECT_FALSE(following->GetChild(n - 2)->IsVisible());

        Tap(everyone);
        EXPECT_EQ(NameOf(pages->GetCurrentPage()), "global_page");
        EXPECT_EQ(everyone->GetState(), 1);
        EXPECT_EQ(following->GetState(), 0);
        EXPECT_FALSE(following->GetChild(n - 1)->IsVisible());
        EXPECT_TRUE(following->GetChild(n - 2)->IsVisible());
    }
}

} // namespace
