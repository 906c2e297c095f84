// The area loader: areas listed in aspect order, the first of two equal sizes kept, sizes not
// above 0 ignored, every selection rule, and screens built and rebuilt from an area file.
#include <gtest/gtest.h>

#include <string>

#include "tests/ui/LoaderTestSupport.h"
#include "ui/WidgetCast.h"
#include "ui/loader/GameXMLLoader.h"
#include "ui/widgets/TextWidget.h"

using ltest::Find;
using ltest::Layout;

namespace {

struct Areas : ltest::LoaderCase {
    CGameXMLLoader areas;
    Areas() { areas.Init(&app, &registry, nullptr); }
    ~Areas() override { areas.Unload(); }
    // Lists areas of the sizes "WxH" from a file made of them.
    void List(const std::vector<std::string>& sizes)
    {
        std::string text = "<a>";
        for (const std::string& s : sizes) {
            const size_t x = s.find('x');
            text += "<area name='" + s + "' width='" + s.substr(0, x) + "' height='" +
                    s.substr(x + 1) + "'/>";
        }
        const std::string name = "list" + std::to_string(packs) + ".xml"; // one per pack
        Pack({{name, text + "</a>"}});
        ASSERT_EQ(areas.LoadAreas(uitest::S(name.c_str())), VORTAN_OK);
    }
    std::string Pick(int width, int height)
    {
        const CGameXMLArea* area = areas.SelectArea(width, height);
        return area ? VortanUTF8Of(area->name) : "none";
    }
};

} // namespace

TEST_F(Areas, TheFileListsItsAreasInAspectOrder)
{
    Pack({{"areas.xml", Layout("areas.xml")}});
    ASSERT_EQ(areas.LoadAreas(uitest::S("areas.xml")), VORTAN_OK);
    // "duplicate" repeats 800 x 480 and "flat" has no width: neither is listed.
    ASSERT_EQ(areas.GetAreaCount(), 3);
    EXPECT_EQ(VortanUTF8Of(areas.GetArea(0)->name), "tall");
    EXPECT_EQ(VortanUTF8Of(areas.GetArea(1)->name), "rootwidget"); // 1024 x 768 has no name
    EXPECT_EQ(VortanUTF8Of(areas.GetArea(2)->name), "wide");
    EXPECT_FLOAT_EQ(areas.GetArea(2)->aspect, 800.0f / 480.0f);
    EXPECT_EQ(areas.LoadAreas(uitest::S("none.xml")), VORTAN_E_MISSING);
    EXPECT_EQ(areas.GetAreaCount(), 0);
}

TEST_F(Areas, SelectionRules)
{
    List({"800x480", "480x800"});
    EXPECT_EQ(Pick(800, 480), "800x480");
    EXPECT_EQ(Pick(854, 480), "800x480"); // 1.78: the widest not wider
    EXPECT_EQ(Pick(0, 480), "none");
    EXPECT_EQ(Pick(480, 854), "480x800"); // 0.56: none as narrow, the middle one
    areas.Unload();

    List({"800x480", "1024x768"});
    EXPECT_EQ(Pick(640, 480), "1024x768");
    areas.Unload();

    List({"480x800", "600x800"});
    EXPECT_EQ(Pick(800, 480), "480x800"); // only portraits for a landscape: the middle
    EXPECT_EQ(Pick(480, 640), "600x800"); // 0.75: the narrowest not narrower
    areas.Unload();

    List({"300x800", "400x800", "500x800"});
    EXPECT_EQ(Pick(800, 200), "400x800"); // three, none fits: index 1
    areas.Unload();
    List({"300x800", "400x800", "500x800", "600x800"});
    EXPECT_EQ(Pick(800, 200), "400x800"); // four: index 1
    areas.Unload();

    List({"500x500", "800x480", "480x800"});
    EXPECT_EQ(Pick(600, 600), "500x500"); // a square screen takes the portrait rule
    EXPECT_EQ(Pick(700, 700), "500x500");
    areas.Unload();

    // Equal aspects sort the newer first; equal sizes keep the first.
    List({"400x240", "800x480", "400x240"});
    ASSERT_EQ(areas.GetAreaCount(), 2);
    EXPECT_EQ(VortanUTF8Of(areas.GetArea(0)->name), "800x480");
    EXPECT_EQ(Pick(1600, 960), "400x240"); // the landscape walk starts at the last
}

TEST_F(Areas, AScreenIsBuiltAndRebuiltKeepingItsUniqueWidgets)
{
    Pack({{"areas.xml", Layout("areas.xml")},
          {"screen.xml", "<a><area width='800' height='480' name='menu'>"
                         "<element name='field' uniquename='field' type='text'>"
                         "<text type='input'/></element><element name='other'/></area></a>"}});
    ASSERT_EQ(areas.LoadAreas(uitest::S("areas.xml")), VORTAN_OK);
    CWidget* root = areas.CreateWidgetTree(800, 480, nullptr);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(VortanUTF8Of(root->GetName()), "wide");
    EXPECT_EQ(root->GetWidth(), 800);
    EXPECT_NE(Find(root, "label"), nullptr);
    ltest::Drop(root);
    root = areas.CreateWidgetTree(1024, 768, nullptr);
    EXPECT_EQ(VortanUTF8Of(root->GetName()), "rootwidget");
    EXPECT_NE(Find(root, "four_three"), nullptr);
    areas.Unload();

    ASSERT_EQ(areas.LoadAreas(uitest::S("screen.xml")), VORTAN_OK);
    CWidget* first = areas.CreateWidgetTree(800, 480, root); // the old screen goes
    CTextWidget* field = WidgetCast<CTextWidget>(Find(first, "field"));
    ASSERT_NE(field, nullptr);
    field->SetText(uitest::S("typed"));
    CWidget* second = areas.CreateWidgetTree(800, 480, first);
    EXPECT_EQ(Find(second, "field"), field);
    EXPECT_EQ(VortanUTF8Of(field->GetText()), "typed");
    ltest::Drop(second);
    areas.Unload();

    Pack({{"empty.xml", "<a><screen/></a>"}});
    ASSERT_EQ(areas.LoadAreas(uitest::S("empty.xml")), VORTAN_OK);
    EXPECT_EQ(areas.CreateWidgetTree(800, 480, nullptr), nullptr);
}
