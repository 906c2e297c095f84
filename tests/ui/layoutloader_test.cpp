// The layout loader over test packs: placement and its rounding, templates, flags, the types'
// attributes, events bound by class, actions grouped as written, imports with their
// conditions and coordinates, and rebuilding over an old tree.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/VortanXMLDataNode.h"
#include "engine/graphics/VortanBitmapFont.h"
#include "engine/graphics/VortanSurface.h"
#include "tests/ui/LoaderTestSupport.h"
#include "ui/WidgetCast.h"
#include "ui/anim/Transition.h"
#include "ui/layouts/Alignment.h"
#include "ui/layouts/AspectLayout.h"
#include "ui/layouts/Divider.h"
#include "ui/layouts/RatioDivider.h"
#include "ui/widgets/Bubble.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/Expandable.h"
#include "ui/widgets/TextWidget.h"
#include "ui/widgets/ToggleButton.h"
#include "ui/widgets/WebButton.h"

using ltest::Find;
using ltest::Layout;

namespace {

int g_hits = 0;
int Hit(CWidget*, void*, intptr_t, intptr_t)
{
    ++g_hits;
    return 1;
}

std::string RectOf(CWidget* w)
{
    if (!w)
        return "none";
    const CVortanRect& x = w->GetRect();
    return std::to_string(x.left) + "," + std::to_string(x.top) + "," + std::to_string(x.right) +
           "," + std::to_string(x.bottom);
}

// Names of the children, in order.
std::string Children(CWidget* w)
{
    std::string out;
    for (int i = 0; w && i < w->GetChildCount(); ++i)
        out += (i ? " " : "") + VortanUTF8Of(w->GetChild(i)->GetName());
    return out;
}

struct Loader : ltest::LoaderCase {};

} // namespace

TEST_F(Loader, PlacementRoundsSizesTruncatesPositionsAndAlignsOnTheReferenceSize)
{
    Pack({{"placement.xml", Layout("placement.xml")}});
    CWidget* root = NewRoot();
    ASSERT_EQ(Build(root, "placement.xml"), VORTAN_OK);
    // 0.3333 x 800 = 266.64: a left of 266, a width of 267; 0.25 x 480 = 120.
    EXPECT_EQ(RectOf(Find(root, "half")), "266,120,666,360");
    EXPECT_EQ(RectOf(Find(root, "third")), "0,0,267,48");
    // 0.37625 x 800 = 301 wide, centred: (800 - 301) / 2 = 249; 30 high: (480 - 30) / 2 = 225.
    EXPECT_EQ(RectOf(Find(root, "centred")), "249,225,550,255");
    EXPECT_EQ(RectOf(Find(root, "corner")), "600,360,800,480");
    // Unknown words leave both axes to "position".
    EXPECT_EQ(RectOf(Find(root, "unknownwords")), "100,60,300,180");
    // Children are placed in their parent's space with the same reference size.
    EXPECT_EQ(RectOf(Find(root, "inner")), "8,4,88,52");

    CWidget* flagged = Find(root, "flagged");
    ASSERT_NE(flagged, nullptr);
    EXPECT_FALSE(flagged->IsEnabled());
    EXPECT_TRUE(flagged->IsPassThrough());
    EXPECT_TRUE(flagged->IsVisible());                 // "flags" is read after "$display"
    EXPECT_TRUE(Find(root, "half")->IsPassThrough());  // a new image
    EXPECT_TRUE(Find(root, "third")->IsPassThrough()); // a plain widget

    // Templates sit in a holder of their name; "template_row" is none.
    CWidget* holder = root->FindChild(uitest::S("row_template"), 0);
    ASSERT_NE(holder, nullptr);
    ASSERT_EQ(holder->GetChildCount(), 1);
    EXPECT_EQ(holder->GetChild(0)->GetName(), uitest::S("row_template"));
    CWidget* holder1 = root->FindChild(uitest::S("cell_template1"), 0);
    ASSERT_NE(holder1, nullptr);
    EXPECT_EQ(holder1->GetChildCount(), 1);
    EXPECT_EQ(root->FindChild(uitest::S("template_row"), 0)->GetChildCount(), 0);
    // A nested template keeps its rectangle in its parent's space, as does its holder.
    CWidget* innerHolder = Find(root, "outer")->FindChild(uitest::S("inner_template"), 0);
    ASSERT_NE(innerHolder, nullptr);
    EXPECT_EQ(RectOf(innerHolder), "16,9,96,57");
    EXPECT_EQ(RectOf(innerHolder->GetChild(0)), "16,9,96,57");

    // "web_view" makes nothing: the element and what it holds are skipped.
    EXPECT_EQ(Find(root, "gone"), nullptr);
    EXPECT_EQ(Find(root, "undergone"), nullptr);
    EXPECT_EQ(Children(root), "half third centred corner unknownwords flagged row_template "
                              "cell_template1 template_row outer");
    ltest::Drop(root);
}

TEST_F(Loader, TypesReadTheirAttributes)
{
    // A 64 x 32 sheet of 4 x 2 frames (16 x 16 each).
    Pack({{"types.xml", Layout("types.xml")}, {"sheet.png", rtest::MakePng(64, 32, "#336699")}});
    CWidget* root = NewRoot();
    ASSERT_EQ(Build(root, "types.xml"), VORTAN_OK);

    CButton* b = WidgetCast<CButton>(Find(root, "b"));
    ASSERT_NE(b, nullptr);
    ASSERT_NE(b->GetImage(), nullptr);
    EXPECT_EQ(b->GetImage()->GetFrameWidth(), 16);
    EXPECT_EQ(b->GetImage()->GetFrameHeight(), 16);
    EXPECT_FLOAT_EQ(b->GetFrameDuration(), 0.25f); // 2 s over 8 frames
    EXPECT_EQ(b->GetFrame(), 5);
    EXPECT_EQ(b->GetImageFlags() & (IMAGE_ANIMATION_STOPPED | IMAGE_KEEP_ASPECT),
              (u32)(IMAGE_ANIMATION_STOPPED | IMAGE_KEEP_ASPECT));
    EXPECT_FALSE(b->IsCancellable());
    EXPECT_FLOAT_EQ(b->GetHitAreaScale(), 1.5f);
    EXPECT_FLOAT_EQ(b->GetHitAreaExtra(), 0.5f);
    EXPECT_FLOAT_EQ(b->GetClickDelay(), 0.3f);
    EXPECT_FALSE(b->IsPassThrough());
    EXPECT_NE(WidgetCast<CToggleButton>(Find(root, "t")), nullptr);

    CWebButton* w = WidgetCast<CWebButton>(Find(root, "w"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(VortanUTF8Of(w->GetUrl()), "http://x.org/?a=1&amp;b=LANGUAGE&amp;c=LANGUAGE");
    EXPECT_EQ(WidgetCast<CBubble>(Find(root, "bub"))->GetArrow(), BUBBLE_ARROW_BOTTOM_RIGHT);
    EXPECT_EQ(WidgetCast<CBubble>(Find(root, "bub2"))->GetArrow(), BUBBLE_ARROW_NONE);

    CImageWidget* img = WidgetCast<CImageWidget>(Find(root, "img"));
    ASSERT_NE(img->GetImage(), nullptr);
    EXPECT_EQ(img->GetImage()->GetFrameColumns(), 4); // the surface is shared with "b"
    EXPECT_FLOAT_EQ(img->GetFrameDuration(), 1.0f);   // no duration: 1 s a frame
    EXPECT_NE(img->GetImageFlags() & IMAGE_UNCLIPPED, 0u);
    EXPECT_EQ(img->GetImageFlags() & IMAGE_ANIMATION_STOPPED, 0u);
    // 1000 frames across a 64-pixel sheet would be under a pixel: the cut is not made.
    EXPECT_NE(WidgetCast<CImageWidget>(Find(root, "img2"))->GetImage(), nullptr);
    CImageWidget* img3 = WidgetCast<CImageWidget>(Find(root, "img3"));
    EXPECT_EQ(img3->GetImage(), nullptr);
    EXPECT_FLOAT_EQ(img3->GetFrameDuration(), 0.0f);

    CTextWidget* txt = WidgetCast<CTextWidget>(Find(root, "txt"));
    ASSERT_NE(txt, nullptr);
    EXPECT_EQ(txt->GetTextColor(), 0xFFFF8800u);
    EXPECT_EQ(txt->GetEmptyTextColor(), 0x80FF8800u);
    EXPECT_EQ(txt->GetDrawFlags(), 0x80300u); // centre both ways, multiline
    ASSERT_NE(txt->GetFont(), nullptr);       // "nofont.fnt" is missing: the default font
    EXPECT_TRUE(txt->IsPassThrough());
    CTextWidget* txt2 = WidgetCast<CTextWidget>(Find(root, "txt2"));
    EXPECT_EQ(txt2->GetTextColor(), 0xFFFF8800u); // "0x" does not count as a digit
    EXPECT_EQ(txt2->GetEmptyTextColor(), 0xFFFF8800u);
    EXPECT_TRUE(txt2->IsPassword());
    EXPECT_TRUE(txt2->IsInputEnabled());
    EXPECT_EQ(txt2->GetMaxLength(), 64);
    EXPECT_EQ(txt2->GetTitleKey(), 4);
    EXPECT_FALSE(txt2->IsPassThrough());
    CTextWidget* txt3 = WidgetCast<CTextWidget>(Find(root, "txt3"));
    EXPECT_EQ(txt3->GetMaxLength(), 255);
    EXPECT_EQ(txt3->GetDrawFlags(), 0u);
    EXPECT_EQ(txt3->GetTextColor(), 0xFFFFFFFFu);

    CDivider* div = WidgetCast<CDivider>(Find(root, "div"));
    EXPECT_EQ(div->GetMode(), DIVIDER_SIZED_BOTTOM);
    EXPECT_FLOAT_EQ(div->GetAspect(), 2.0f);
    EXPECT_EQ(div->GetMaxItemWidth(), 200);
    CRatioDivider* ratio = WidgetCast<CRatioDivider>(Find(root, "ratio"));
    EXPECT_EQ(ratio->GetOrientation(), RATIO_SPLIT_HEIGHT);
    EXPECT_FLOAT_EQ(ratio->GetRatio(), 0.5f);
    EXPECT_EQ(ratio->GetMinFirstItemSize(), 48); // fractions of H = 480
    EXPECT_EQ(ratio->GetMaxFirstItemSize(), 240);
    CWidget* aspect = Find(root, "aspect"); // "$name" replaces the made name
    ASSERT_NE(WidgetCast<CAspectLayout>(aspect), nullptr);
    EXPECT_FLOAT_EQ(WidgetCast<CAspectLayout>(aspect)->GetPosition(), 0.25f);
    CAlignment* anchor = WidgetCast<CAlignment>(Find(root, "alignment(0)"));
    ASSERT_NE(anchor, nullptr); // named with its code before the attributes
    EXPECT_EQ(anchor->GetAlignFlags(), ALIGN_BOTTOM + ALIGN_CENTER_X);
    EXPECT_EQ(anchor->GetMargin(0), 16); // "$left" 0.02 x 800
    EXPECT_EQ(anchor->GetMargin(1), 48); // "$height" 0.1 x 480
    EXPECT_EQ(anchor->GetMargin(2), 8);  // "$width" 0.01 x 800
    EXPECT_EQ(anchor->GetMargin(3), 48);
    CExpandable* exp = WidgetCast<CExpandable>(Find(root, "exp"));
    ASSERT_NE(exp, nullptr);
    EXPECT_EQ(exp->GetStateCount(), 2);
    EXPECT_EQ(exp->GetStateHeight(1), 240);
    EXPECT_FLOAT_EQ(exp->GetTransitionTime(), 0.5f);
    EXPECT_FALSE(exp->IsPassThrough());
    CWidget* plain = Find(root, "plain");
    ASSERT_NE(plain, nullptr);
    EXPECT_TRUE(plain->GetTypeInfo()->Matches(CWidget::StaticTypeInfo()));
    EXPECT_TRUE(plain->IsPassThrough());
    ltest::Drop(root);
    // The loader gave back its own references: with the tree gone nothing holds the sheet
    // or the font any more, and the manager has freed both.
    EXPECT_EQ(app.FindSurface(uitest::S("sheet.png")), nullptr);
    EXPECT_EQ(app.FindFont(uitest::S("default")), nullptr);
}

TEST_F(Loader, ColoursForceAlphaByHexDigits)
{
    u32 c = 0;
    EXPECT_EQ(CUIXMLLoader::ParseColor("FF8800", 1, &c), 1);
    EXPECT_EQ(c, 0xFFFF8800u);
    EXPECT_EQ(CUIXMLLoader::ParseColor("0xFF8800", 1, &c), 1);
    EXPECT_EQ(c, 0xFFFF8800u);
    EXPECT_EQ(CUIXMLLoader::ParseColor("80FF8800", 1, &c), 1);
    EXPECT_EQ(c, 0x80FF8800u);
    EXPECT_EQ(CUIXMLLoader::ParseColor("0x00FF8800", 1, &c), 1);
    EXPECT_EQ(c, 0x00FF8800u);
    EXPECT_EQ(CUIXMLLoader::ParseColor("123", 0, &c), 1);
    EXPECT_EQ(c, 0x123u);
    c = 7;
    EXPECT_EQ(CUIXMLLoader::ParseColor("zz", 1, &c), 0);
    EXPECT_EQ(CUIXMLLoader::ParseColor(nullptr, 1, &c), 0);
    EXPECT_EQ(c, 7u);
}

TEST_F(Loader, ATextColourThatDoesNotReadIsOpaqueWhite)
{
    Pack({{"c.xml", "<l>"
                    "<element name='bad' type='text'><text color='nothex'/></element>"
                    "<element name='long' type='text'><text color='zzzzzzzz'/></element>"
                    "<element name='none' type='text'><text/></element>"
                    "<element name='shown' type='text'><text color='-' displaycolor='80102030'/>"
                    "</element></l>"}});
    CWidget* root = NewRoot();
    ASSERT_EQ(Build(root, "c.xml"), VORTAN_OK);
    for (const char* name : {"bad", "long", "none"}) {
        CTextWidget* text = WidgetCast<CTextWidget>(Find(root, name));
        ASSERT_NE(text, nullptr) << name;
        EXPECT_EQ(text->GetTextColor(), 0xFFFFFFFFu) << name;
        EXPECT_EQ(text->GetEmptyTextColor(), 0xFFFFFFFFu) << name; // it follows the text's
    }
    CTextWidget* shown = WidgetCast<CTextWidget>(Find(root, "shown"));
    EXPECT_EQ(shown->GetTextColor(), 0xFFFFFFFFu);
    EXPECT_EQ(shown->GetEmptyTextColor(), 0x80102030u);
    ltest::Drop(root);
}

namespace {

// A button that notes every change of its pressed state.
class PressLogButton : public CButton {
public:
    CWidget* CreateInstance() const override { return new PressLogButton(); }
    void SetPressed(bool pressed) override
    {
        log += pressed ? "down " : "up ";
        CButton::SetPressed(pressed);
    }
    std::string log;
};

CWidget* MakePressLogButton(CUIXMLLoader* loader, CVortanXMLDataNode* element, CWidget* parent,
                            CWidget*)
{
    PressLogButton* button = new PressLogButton();
    button->Startup(loader->GetApplication(), nullptr, parent->GetClientRect());
    loader->ParseButtonCommon(element, button);
    return button;
}

} // namespace

TEST_F(Loader, LayoutWidgetsPressesTheButtonThereAndBack)
{
    Pack({{"p.xml", "<l><element name='on' type='logbutton'><layout_widgets value='1'/></element>"
                    "<element name='off' type='logbutton'><layout_widgets value='0'/></element>"
                    "<element name='unset' type='logbutton'/></l>"}});
    CUIWidgetTypeList extra;
    extra.SetAtGrow(0, CUIWidgetType{CHashString(uitest::S("logbutton")), MakePressLogButton});
    CWidget* root = NewRoot();
    ASSERT_EQ(Build(root, "p.xml", nullptr, &extra), VORTAN_OK);
    PressLogButton* on = static_cast<PressLogButton*>(Find(root, "on"));
    PressLogButton* off = static_cast<PressLogButton*>(Find(root, "off"));
    PressLogButton* unset = static_cast<PressLogButton*>(Find(root, "unset"));
    ASSERT_TRUE(on && off && unset);
    EXPECT_TRUE(on->HasLayoutWidgets());
    EXPECT_EQ(on->log, "down up ");
    EXPECT_FALSE(on->IsPressed());
    EXPECT_FALSE(off->HasLayoutWidgets());
    EXPECT_EQ(off->log, "");
    EXPECT_EQ(unset->log, "");
    ltest::Drop(root);
}

TEST_F(Loader, EventsBindOnlyOnTheClassThatOwnsThemAndOnlyWithARegistry)
{
    Pack({{"events.xml", Layout("events.xml")}});
    registry.Register(uitest::S("hit"), CUIDelegate(Hit, nullptr), 0);
    CWidget* root = NewRoot();
    ASSERT_EQ(Build(root, "events.xml", &registry), VORTAN_OK);
    CButton* b = WidgetCast<CButton>(Find(root, "b"));
    EXPECT_TRUE(b->GetOnClick().IsSet());
    EXPECT_TRUE(b->GetOnShow().IsSet());
    EXPECT_FALSE(b->GetOnHide().IsSet());  // an action the registry does not know
    EXPECT_FALSE(b->GetOnClone().IsSet()); // no "$action"
    CExpandable* e = WidgetCast<CExpandable>(Find(root, "e"));
    EXPECT_TRUE(e->GetOnClick().IsSet()); // an expandable is a button
    EXPECT_TRUE(e->GetOnBeginExpand().IsSet());
    EXPECT_FALSE(e->GetOnEndExpand().IsSet());
    CTextWidget* t = WidgetCast<CTextWidget>(Find(root, "t"));
    EXPECT_TRUE(t->GetOnChanged().IsSet());
    EXPECT_TRUE(t->GetOnFinished().IsSet());
    ltest::Drop(root);

    root = NewRoot();
    ASSERT_EQ(Build(root, "events.xml", nullptr), VORTAN_OK);
    EXPECT_FALSE(WidgetCast<CButton>(Find(root, "b"))->GetOnClick().IsSet());
    ltest::Drop(root);
}

TEST_F(Loader, ActionsComeFirstAndGroupTheirEntriesAsWritten)
{
    Pack({{"actions.xml", Layout("actions.xml")}});
    registry.Register(uitest::S("hit"), CUIDelegate(Hit, nullptr), 0);
    registry.Register(uitest::S("seq1"), CUIDelegate(Hit, nullptr), 1); // "app:seq1" too
    CWidget* root = NewRoot();
    ASSERT_EQ(Build(root, "actions.xml", &registry), VORTAN_OK);
    EXPECT_EQ(Children(root), "before imported after");
    ASSERT_EQ(sequences.GetCount(), 2);
    CUIActionSequence* s1 = sequences.GetAt(0);
    EXPECT_EQ(VortanUTF8Of(s1->GetName()), "seq1");
    // Triggers: "hit" at 0.5, "app:seq1" at 1 (its own name), "nobody" dropped, then from the
    // "vibrate" on the siblings are triggers without "$action" except "hit" at 3.
    EXPECT_EQ(s1->GetCallbackCount(), 3);
    EXPECT_EQ(s1->GetSoundCount(), 0);     // no sound engine: nothing loads
    EXPECT_EQ(s1->GetVibrationCount(), 3); // "vibrate", the trigger and the sound after it
    CUIActionSequence* s2 = sequences.GetAt(1);
    EXPECT_EQ(s2->GetCallbackCount(), 1);
    EXPECT_EQ(s2->GetVibrationCount(), 3); // from the first "vibrate": all three
    EXPECT_EQ(s1->GetOwner(), &app);
    ltest::Drop(root);
}

TEST_F(Loader, ImportsReadTheirFileThenTheirOwnContentUnderTheirConditions)
{
    Pack({{"imports.xml", Layout("imports.xml")}, {"sub.xml", Layout("sub.xml")}});
    COrloDevice device;
    device.GetInfo()[ORLO_DEVICE_OS_NAME] = uitest::S("Maemo");
    app.SetDevice(&device);
    CWidget* root = NewRoot();
    ASSERT_EQ(Build(root, "imports.xml"), VORTAN_OK);
    CWidget* host = Find(root, "host"); // 400 x 240
    EXPECT_EQ(Children(host), "fromfile inline fromfile rootsized square afterbad");
    EXPECT_EQ(RectOf(host->GetChild(0)), "0,0,200,120");
    EXPECT_EQ(RectOf(Find(root, "inline")), "0,0,200,120");
    EXPECT_EQ(RectOf(host->GetChild(2)), "0,0,400,240"); // the root's 800 x 480
    EXPECT_EQ(RectOf(Find(root, "square")), "0,0,240,240");
    // "$use_parent": under the named widget, moved by the import's own parent's left and top
    // (deeper at 80,48; fractions of deeper's 400 x 240).
    EXPECT_EQ(Children(Find(root, "target")), "moved");
    EXPECT_EQ(RectOf(Find(root, "moved")), "84,52,84,52");
    EXPECT_EQ(Find(root, "ontop")->GetParent(), root);
    EXPECT_EQ(Children(Find(root, "deeper")), "");
    const char* expected[] = {"p135", "pnot12", "gl2", "maemo"};
    for (const char* name : expected)
        EXPECT_NE(root->FindChild(uitest::S(name), 0), nullptr) << name;
    const char* skipped[] = {"p13", "pnot3", "GL2upper", "symbian", "both"};
    for (const char* name : skipped)
        EXPECT_EQ(Find(root, name), nullptr) << name;
    ltest::Drop(root);
    app.SetDevice(nullptr);
}

TEST_F(Loader, SelfAndMutualImportsStopAfterSixteenLevels)
{
    Pack({{"self.xml", Layout("self.xml")},
          {"ping.xml", Layout("ping.xml")},
          {"pong.xml", Layout("pong.xml")}});
    CWidget* root = NewRoot();
    ASSERT_EQ(Build(root, "self.xml"), VORTAN_OK);
    EXPECT_EQ(root->GetChildCount(), 1 + UI_LOADER_MAX_IMPORT_DEPTH);
    ltest::Drop(root);
    root = NewRoot();
    ASSERT_EQ(Build(root, "ping.xml"), VORTAN_OK);
    ASSERT_EQ(root->GetChildCount(), 1 + UI_LOADER_MAX_IMPORT_DEPTH);
    EXPECT_EQ(VortanUTF8Of(root->GetChild(16)->GetName()), "ping");
    ltest::Drop(root);
}

TEST_F(Loader, LoadFileFailuresLeaveTheTreeAndACreatedRootGoesAtUnload)
{
    Pack({{"broken.xml", "no element at all"}, {"empty.xml", ""}});
    CWidget* root = NewRoot();
    EXPECT_EQ(Build(root, "missing.xml"), VORTAN_E_MISSING);
    EXPECT_EQ(Build(root, "empty.xml"), VORTAN_E_MISSING);
    EXPECT_EQ(Build(root, "broken.xml"), VORTAN_E_MALFORMED); // the parser's code
    EXPECT_EQ(root->GetChildCount(), 0);
    ltest::Drop(root);

    CUIXMLLoader loader;
    loader.Load(&app, nullptr, nullptr, nullptr, nullptr, nullptr);
    CWidget* made = loader.GetRoot();
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(VortanUTF8Of(made->GetName()), "rootwidget");
    EXPECT_EQ(RectOf(made), "0,0,800,480");
    EXPECT_TRUE(made->IsPassThrough());
    EXPECT_EQ(loader.GetReferenceWidth(), 800);
    loader.Unload();
    EXPECT_EQ(loader.GetRoot(), nullptr);
}

namespace {

CWidget* MakeMarker(CUIXMLLoader* loader, CVortanXMLDataNode*, CWidget* parent, CWidget*)
{
    CWidget* w = new CWidget();
    w->Startup(loader->GetApplication(), nullptr, parent->GetClientRect());
    w->SetTag(42);
    return w;
}

} // namespace

TEST_F(Loader, ExtraTypesNeverReplaceBuiltInsAndTheFirstOfTwoNamesWins)
{
    Pack({{"x.xml", "<l><element name='b' type='button'/><element name='m' type='marker'/></l>"}});
    CUIWidgetTypeList extra;
    extra.SetAtGrow(0, CUIWidgetType{CHashString(uitest::S("button")), MakeMarker});
    extra.SetAtGrow(1, CUIWidgetType{CHashString(uitest::S("marker")), MakeMarker});
    extra.SetAtGrow(2, CUIWidgetType{CHashString(uitest::S("marker")), ltest::NoWidget});
    CWidget* root = NewRoot();
    ASSERT_EQ(Build(root, "x.xml", nullptr, &extra), VORTAN_OK);
    EXPECT_NE(WidgetCast<CButton>(Find(root, "b")), nullptr);
    ASSERT_NE(Find(root, "m"), nullptr);
    EXPECT_EQ(Find(root, "m")->GetTag(), 42);
    ltest::Drop(root);
}

TEST_F(Loader, ARebuildKeepsUniquelyNamedWidgetsWithNewChildren)
{
    Pack({{"rebuild1.xml", Layout("rebuild1.xml")}, {"rebuild2.xml", Layout("rebuild2.xml")}});
    CWidget* old = NewRoot();
    old->SetUniqueName(uitest::S("keep_root")); // a root is never kept
    ASSERT_EQ(Build(old, "rebuild1.xml"), VORTAN_OK);
    CWidget* a = Find(old, "a");
    CWidget* p = Find(old, "p");
    CWidget* nested = Find(old, "nested");
    CWidget* orphan = Find(old, "orphan");
    ASSERT_TRUE(a && p && nested && orphan);
    CWidgetLife* orphanLife = orphan->AcquireLife();
    CWidgetLife* xLife = Find(old, "x")->AcquireLife();
    CWidgetLife* oldLife = old->AcquireLife();
    CWidgetLife* pLife = p->AcquireLife();
    WidgetCast<CButton>(a)->SetClickDelay(0.9f); // state that must survive

    CWidget* root = NewRoot();
    CUIXMLLoader loader;
    loader.Load(&app, nullptr, nullptr, root, nullptr, old);
    EXPECT_FALSE(oldLife->alive); // the old root went at once
    EXPECT_TRUE(orphanLife->alive);
    ASSERT_EQ(loader.LoadFile(uitest::S("rebuild2.xml")), VORTAN_OK);
    EXPECT_EQ(Find(root, "a2"), a); // the same object, renamed, with the new child only
    EXPECT_EQ(Children(a), "a_new_child");
    EXPECT_FLOAT_EQ(WidgetCast<CButton>(a)->GetClickDelay(), 0.9f);
    EXPECT_EQ(Find(root, "p2"), p); // plain and of an unknown type: re-used, not restarted
    EXPECT_EQ(Children(p), "p_new_child");
    EXPECT_TRUE(pLife->alive);
    EXPECT_EQ(Find(root, "nested2"), nested); // inside an import the map is borrowed
    // "keep_x" was a button and is claimed by a text: the button goes, a text comes.
    EXPECT_FALSE(xLife->alive);
    EXPECT_NE(WidgetCast<CTextWidget>(Find(root, "x2")), nullptr);
    EXPECT_TRUE(orphanLife->alive); // unclaimed until Unload
    loader.Unload();
    EXPECT_FALSE(orphanLife->alive);
    for (CWidgetLife* life : {orphanLife, xLife, oldLife, pLife})
        CWidget::ReleaseLife(life);
    ltest::Drop(root);
}

TEST_F(Loader, TransitionsAreFoundByTypeAmongTheirSiblings)
{
    CUIXMLLoader loader;
    loader.Load(&app, nullptr, nullptr, nullptr, nullptr, nullptr);
    std::string text = "<r><p><history max-size='3'/><transition type='in' direction='left' "
                       "duration='0.5' move_other='1'><easing_in curve='pow2' param1='1' "
                       "param2='2'/></transition><other type='out' direction='sideways'/>"
                       "</p><q><transition direction='up'/><transition type='in'/></q></r>";
    std::vector<char> buffer(text.begin(), text.end());
    ASSERT_EQ(loader.LoadMemory(buffer.data(), (int)buffer.size()), VORTAN_OK);
    CVortanXMLDataNode* p = CXMLLoaderWrapper::FindChildElement(loader.GetRootElement(), "p");
    CVortanXMLDataNode* q = CXMLLoaderWrapper::FindChildElement(loader.GetRootElement(), "q");
    ASSERT_TRUE(p && q);
    CTransition* in = loader.ParseTransition(p, "in");
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(in->GetType(), TRANSITION_IN);
    EXPECT_EQ(in->GetDirection(), TRANSITION_LEFT);
    EXPECT_FLOAT_EQ(in->GetDuration(), 0.5f);
    EXPECT_TRUE(in->GetMoveOther());
    EXPECT_NE(in->GetEasingIn(), nullptr);
    EXPECT_NE(in->GetEasingOut(), nullptr); // linear when not given
    // A sibling of another name counts: the "out" one is found, its unknown direction none.
    CTransition* out = loader.ParseTransition(p, "out");
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->GetType(), TRANSITION_OUT);
    EXPECT_EQ(out->GetDirection(), TRANSITION_NONE);
    EXPECT_EQ(loader.ParseTransition(p, "sideways"), nullptr);
    // A first "transition" without "$type" gives none of either kind.
    EXPECT_EQ(loader.ParseTransition(q, "in"), nullptr);
    delete in;
    delete out;
    loader.Unload();
}
