// Widget type records: the whole tree of kinds, the casts, and the kind no widget has.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tests/ui/WidgetTestSupport.h"
#include "ui/WidgetCast.h"

using namespace uitest;

namespace {

// Stand-ins for widget classes, derived as the real ones are: each reports one record.
#define STAND_IN(Class, Base, Record)                                                              \
    struct Class : Base {                                                                          \
        static const TypeInfo& StaticTypeInfo() { return CWidgetTypes::Record(); }                 \
        const TypeInfo* GetTypeInfo() const override { return &CWidgetTypes::Record(); }           \
        CWidget* CreateInstance() const override { return new Class(); }                           \
    };
STAND_IN(Image, CWidget, Image)
STAND_IN(Button, Image, Button)
STAND_IN(ToggleButton, Button, ToggleButton)
STAND_IN(PageButton, ToggleButton, PageButton)
STAND_IN(Expandable, Button, Expandable)
STAND_IN(Layout, CWidget, Layout)
STAND_IN(SlideArea, Layout, SlideArea)
STAND_IN(GridLayout, SlideArea, GridLayout)
STAND_IN(InfiniteList, GridLayout, InfiniteList)
STAND_IN(TextWidget, CWidget, TextWidget)
#undef STAND_IN

std::string Chain(const CWidgetTypeInfo& record)
{
    std::string out;
    for (const CWidgetTypeInfo* r = &record; r; r = r->GetParent())
        out += (out.empty() ? "" : " < ") + VortanUTF8Of(r->GetName().GetString());
    return out;
}

} // namespace

TEST(WidgetTypes, TheWholeTreeOfRecords)
{
    const std::map<std::string, const CWidgetTypeInfo*> records = {
        {"widget", &CWidgetTypes::Widget()},
        {"image < widget", &CWidgetTypes::Image()},
        {"button < image < widget", &CWidgetTypes::Button()},
        {"toggle_button < button < image < widget", &CWidgetTypes::ToggleButton()},
        {"page_button < toggle_button < button < image < widget", &CWidgetTypes::PageButton()},
        {"expandable < button < image < widget", &CWidgetTypes::Expandable()},
        {"web_button < button < image < widget", &CWidgetTypes::WebButton()},
        {"bubble < button < image < widget", &CWidgetTypes::Bubble()},
        {"frame < image < widget", &CWidgetTypes::Frame()},
        {"gradient < image < widget", &CWidgetTypes::Gradient()},
        {"progressbar < image < widget", &CWidgetTypes::ProgressBar()},
        {"rotating_image < image < widget", &CWidgetTypes::RotatingImage()},
        {"layout < widget", &CWidgetTypes::Layout()},
        {"slide_area < layout < widget", &CWidgetTypes::SlideArea()},
        {"grid_layout < slide_area < layout < widget", &CWidgetTypes::GridLayout()},
        {"infinite_list < grid_layout < slide_area < layout < widget",
         &CWidgetTypes::InfiniteList()},
        {"running_list < grid_layout < slide_area < layout < widget", &CWidgetTypes::RunningList()},
        {"page_layout < layout < widget", &CWidgetTypes::PageView()},
        {"alignment < layout < widget", &CWidgetTypes::Alignment()},
        {"aspect_layout < layout < widget", &CWidgetTypes::AspectLayout()},
        {"divider < layout < widget", &CWidgetTypes::Divider()},
        {"ratio_divider_layout < layout < widget", &CWidgetTypes::RatioDivider()},
        {"text_widget < widget", &CWidgetTypes::TextWidget()},
        {"slider < widget", &CWidgetTypes::Slider()},
        {"pie < widget", &CWidgetTypes::Pie()},
        {"web_view < widget", &CWidgetTypes::WebView()},
    };
    for (const auto& entry : records)
        EXPECT_EQ(Chain(*entry.second), entry.first);
    // One record per class: asking again gives the same object, with its hash cached.
    EXPECT_EQ(&CWidgetTypes::Divider(), &CWidgetTypes::Divider());
    EXPECT_EQ(CWidgetTypes::Divider().GetName().GetHash(), CHashString(L"divider").GetHash());
}

TEST(WidgetTypes, KindsFollowTheChainAndMatchByParentAndName)
{
    const CWidgetTypeInfo& page = CWidgetTypes::PageButton();
    for (auto kind : {&CWidgetTypes::PageButton, &CWidgetTypes::ToggleButton, &CWidgetTypes::Button,
                      &CWidgetTypes::Image, &CWidgetTypes::Widget})
        EXPECT_TRUE(page.IsKindOf(kind()));
    EXPECT_FALSE(page.IsKindOf(CWidgetTypes::Layout()));
    EXPECT_FALSE(page.IsKindOf(CWidgetTypes::Expandable()));
    EXPECT_FALSE(CWidgetTypes::Button().IsKindOf(CWidgetTypes::PageButton()));
    for (auto kind : {&CWidgetTypes::GridLayout, &CWidgetTypes::SlideArea, &CWidgetTypes::Layout})
        EXPECT_TRUE(CWidgetTypes::InfiniteList().IsKindOf(kind()));
    EXPECT_FALSE(CWidgetTypes::InfiniteList().IsKindOf(CWidgetTypes::RunningList()));

    // A record equal in parent and name matches though it is another object; the same name
    // under another parent does not.
    CWidgetTypeInfo twin(&CWidgetTypes::Widget(), L"layout");
    CWidgetTypeInfo stray(&CWidgetTypes::Image(), L"layout");
    EXPECT_TRUE(CWidgetTypes::Divider().IsKindOf(twin));
    EXPECT_FALSE(CWidgetTypes::Divider().IsKindOf(stray));
}

TEST(WidgetTypes, CastsAndAncestorsByKind)
{
    CWidget plain;
    PageButton page;
    Button button;
    TextWidget text;
    EXPECT_EQ(WidgetCast<CWidget>(&plain), &plain);
    EXPECT_EQ(WidgetCast<Button>(&plain), nullptr);
    EXPECT_EQ(WidgetCast<Button>(&page), &page);
    EXPECT_EQ(WidgetCast<PageButton>(&button), nullptr);
    EXPECT_EQ(WidgetCast<TextWidget>(&button), nullptr);
    EXPECT_EQ(WidgetCast<TextWidget>(&text), &text);
    EXPECT_EQ(WidgetCast<Button>((CWidget*)nullptr), nullptr);
    for (CWidget* w : {&plain, (CWidget*)&page, (CWidget*)&button, (CWidget*)&text})
        EXPECT_EQ(WidgetCast<CWebView>(w), nullptr);
    EXPECT_TRUE(page.IsKindOf(CWidgetTypes::Image()));

    // An item finds its list; a button inside an expandable finds it, not itself.
    InfiniteList* list = new InfiniteList();
    list->Startup(nullptr, nullptr, R(0, 0, 10, 10));
    Expandable* expander = new Expandable();
    expander->Startup(nullptr, nullptr, R(0, 0, 10, 10));
    list->AddChild(expander);
    Expandable* inner = new Expandable();
    inner->Startup(nullptr, nullptr, R(0, 0, 10, 10));
    expander->AddChild(inner);
    EXPECT_EQ(FindAncestor<InfiniteList>(inner), list);
    EXPECT_EQ(FindAncestor<Expandable>(inner), expander);
    EXPECT_EQ(FindAncestor<Expandable>(expander), nullptr);
    EXPECT_EQ(FindAncestor<InfiniteList>(nullptr), nullptr);

    // Trees of different kinds are not equal; a clone keeps the kind.
    CWidget* copy = inner->Clone();
    EXPECT_EQ(WidgetCast<Expandable>(copy), copy);
    EXPECT_TRUE(copy->TreesEqual(inner));
    EXPECT_FALSE(copy->TreesEqual(list));
    Drop(copy);
    Drop(list);
}
