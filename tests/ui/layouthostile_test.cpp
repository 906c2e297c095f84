// Hostile layout files: deep nesting, a hundred thousand siblings, a megabyte attribute,
// numbers out of every range, unknown words everywhere and a seeded run of mutations of a
// valid layout. Each builds what it can and returns; the sanitizer runs check the memory.
#include <gtest/gtest.h>

#include <limits.h>
#include <random>
#include <string>

#include "engine/VortanXMLDataNode.h"
#include "tests/ui/LoaderTestSupport.h"
#include "ui/WidgetCast.h"
#include "ui/layouts/RatioDivider.h"
#include "ui/widgets/Expandable.h"

using ltest::Find;
using ltest::Layout;

namespace {

struct Hostile : ltest::LoaderCase {
    // Builds the text as a file over a new root; returns the root.
    CWidget* BuildText(const std::string& text, const vtest::PackEntries& more = {})
    {
        vtest::PackEntries entries = {{"h.xml", text}};
        entries.insert(entries.end(), more.begin(), more.end());
        Pack(entries);
        CWidget* root = NewRoot();
        EXPECT_EQ(Build(root, "h.xml", &registry), VORTAN_OK);
        return root;
    }
};

int CountWidgets(CWidget* w)
{
    int n = 1;
    for (int i = 0; i < w->GetChildCount(); ++i)
        n += CountWidgets(w->GetChild(i));
    return n;
}

} // namespace

TEST_F(Hostile, NestingBeyondTheParsersCapBuildsTheLevelsItKeeps)
{
    std::string text;
    const int levels = VORTAN_XML_MAX_DEPTH + 200;
    for (int i = 0; i < levels; ++i)
        text += "<element name='n'><size w='1' h='1'/>";
    for (int i = 0; i < levels; ++i)
        text += "</element>";
    CWidget* root = BuildText("<l>" + text + "</l>");
    const int built = CountWidgets(root) - 1;
    EXPECT_GT(built, 100);
    EXPECT_LT(built, VORTAN_XML_MAX_DEPTH);
    ltest::Drop(root);
}

TEST_F(Hostile, AFileImportingItselfTwiceStopsAtTheImportBudget)
{
    // Depth alone would read it 2^16 times.
    CWidget* root = BuildText("<l><element name='x'/><import path='h.xml'/>"
                              "<import path='h.xml'/></l>");
    EXPECT_EQ(root->GetChildCount(), 1 + UI_LOADER_MAX_IMPORTS);
    ltest::Drop(root);
}

TEST_F(Hostile, AHundredThousandSiblings)
{
    std::string text = "<l>";
    for (int i = 0; i < 100000; ++i)
        text += "<element/>";
    text += "</l>";
    CWidget* root = BuildText(text);
    EXPECT_EQ(root->GetChildCount(), 100000);
    ltest::Drop(root);
}

TEST_F(Hostile, AMegabyteAttributeAndNumbersOutOfEveryRange)
{
    const std::string big(1 << 20, '9'); // read as infinity: absent
    const std::string huge = "99999999999";
    std::string text = "<l>"
                       "<element name='big' type='" +
                       big + "'><position x='" + huge + "' y='-" + huge + "'/><size w='" + big +
                       "' h='1e39'/></element>"
                       "<element name='nan' uniquename=''><position x='nan' y='inf'/>"
                       "<size w='-inf' h='NaN'/><align v='center' h='bottom'/></element>"
                       "<element name='neg'><size w='-0.5' h='-2.5'/></element>"
                       "<element name='r' type='ratio_layout' orientation='vertical' "
                       "min_first_item_size='" +
                       huge + "' max_first_item_size='-" + huge +
                       "' ratio='nan'/>"
                       "<element name='e' type='expand_layout'><width value='" +
                       huge +
                       "'/>"
                       "<height value='-" +
                       huge +
                       "'/><transition-time value='-4'/></element>"
                       "<element name='i' type='image'><image path='x.png' frames_x='" +
                       big +
                       "' frames_y='-5' animation_duration='inf' frame='2147483647'/>"
                       "<animation_frame value='-2147483648'/></element>"
                       "<element name='t' type='text'><text color='" +
                       big +
                       "' local='99999999999' title='-7' type='password'/></element>"
                       "<import aspect='-1e30' use_root_coordinates='" +
                       big +
                       "'/>"
                       "<import aspect='nan'><element name='inside'/></import>"
                       "</l>";
    CWidget* root = BuildText(text, {{"x.png", rtest::MakePng(8, 8, "red")}});
    CWidget* big1 = Find(root, "big");
    ASSERT_NE(big1, nullptr);
    EXPECT_EQ(big1->GetRect().left, INT_MAX);
    EXPECT_EQ(big1->GetRect().top, INT_MIN);
    CWidget* nan = Find(root, "nan");
    ASSERT_NE(nan, nullptr);
    // Not finite counts as absent: a 0 x 0 widget, aligned on the reference size.
    EXPECT_EQ(nan->GetRect().left, 400);
    EXPECT_EQ(nan->GetRect().top, 480);
    EXPECT_EQ(nan->GetWidth(), 0);
    EXPECT_EQ(Find(root, "neg")->GetHeight(), -1200); // -2.5 x 480, rounded away from zero
    CRatioDivider* r = WidgetCast<CRatioDivider>(Find(root, "r"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->GetMinFirstItemSize(), INT_MAX);
    CExpandable* e = WidgetCast<CExpandable>(Find(root, "e"));
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->GetStateHeight(0), INT_MIN);
    EXPECT_NE(Find(root, "inside"), nullptr);
    for (int i = 0; i < 3; ++i)
        root->Update(0.1f); // the expandable's change with no time ends at once
    ltest::Drop(root);
}

TEST_F(Hostile, UnknownWordsEverywhere)
{
    CWidget* root = BuildText(
        "<l><actions><action><trigger/></action><action name='q'><sound path=''/><foo/>"
        "</action></actions><bogus/><element type='text' name='t'><text align='up' type='x' "
        "font='' color='' displaycolor='g'/><events><onclick action='q'/><x action='q'/>"
        "</events><flags enabled='yes' transparent='' visible='-1'/></element>"
        "<element type='anchor_layout' vertical='?' horizontal='!'/><element type='bubble'>"
        "<arrow/></element><element type='divider_layout' orientation='diagonal'/>"
        "<import platform_id='' platform_id_not=''/><import use_parent='nobody'>"
        "<element name='stray'/></import><element type='button'><image/><hitarea/>"
        "<clickdelay/></element></l>");
    EXPECT_NE(Find(root, "t"), nullptr);
    EXPECT_NE(Find(root, "stray"), nullptr);
    EXPECT_EQ(sequences.GetCount(), 1); // the nameless action makes none
    ltest::Drop(root);
}

TEST_F(Hostile, SeededMutationsOfAValidLayout)
{
    const std::string base = Layout("types.xml");
    Pack({{"sheet.png", rtest::MakePng(64, 32, "#336699")}});
    std::mt19937 random(20261206);
    const char pieces[] = "<>/=\"' &;$_-.0123456789eE";
    CWidget* previous = nullptr;
    for (int round = 0; round < 3000; ++round) {
        std::string text = base;
        const int edits = 1 + (int)(random() % 8);
        for (int k = 0; k < edits && !text.empty(); ++k) {
            const size_t at = random() % text.size();
            switch (random() % 4) {
            case 0:
                text.erase(at, 1 + random() % 16);
                break;
            case 1:
                text.insert(at, 1, pieces[random() % (sizeof(pieces) - 1)]);
                break;
            case 2:
                text[at] = (char)(random() % 256);
                break;
            default:
                text.insert(at, text.substr(random() % text.size(), random() % 64));
                break;
            }
        }
        std::vector<char> buffer(text.begin(), text.end());
        CWidget* root = NewRoot();
        CUIXMLLoader loader;
        loader.Load(&app, &registry, nullptr, root, nullptr, previous);
        if (loader.LoadMemory(buffer.data(), (int)buffer.size()) == VORTAN_OK)
            loader.ParseDocument(loader.GetRootElement());
        loader.Unload();
        root->Update(0.05f);
        previous = root; // the next round rebuilds over it
    }
    ltest::Drop(previous);
}
