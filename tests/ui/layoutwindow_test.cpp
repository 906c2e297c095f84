// A screen built from an area file in a data pack, hosted by the real application under Xvfb
// (GLES2 on Mesa): the speech bubble's pieces and the expandable's clipped content are read
// back and compared with pictures ImageMagick places from flat-colour frames; a password
// field is tapped and typed into with xdotool and shows one block of the test font for each
// character; after a lost context the screen draws the same.
#include <GLES2/gl2.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/graphics/VortanGraphicsContext.h"
#include "tests/ui/LoaderTestSupport.h"
#include "tests/ui/TreeWindowSupport.h"
#include "ui/WidgetCast.h"
#include "ui/loader/GameXMLLoader.h"
#include "ui/widgets/Expandable.h"
#include "ui/widgets/TextWidget.h"

namespace {

using winapp::H;
using winapp::Rgb;
using winapp::W;

// The application of the window tests, whose language and game the tests may take over.
class TestApp : public winapp::BesideBuildApp {
public:
    // Puts the language in place of the application's own; returns the one it replaced.
    COrloLanguage* SwapLanguage(COrloLanguage* language)
    {
        COrloLanguage* old = m_language;
        m_language = language;
        return old;
    }
    void ForgetGame()
    {
        m_gameState = nullptr;
        m_ownsGameState = 0;
    }
};

// The screen: its tree comes from "screen.xml" through the area loader.
class LayoutScreen : public uiwin::RootScreen {
public:
    int Init(COrloApplication* application) override
    {
        m_application = application;
        CGameXMLLoader areas;
        areas.Init(application, nullptr, nullptr);
        if (areas.LoadAreas(CVortanString("screen.xml")) != VORTAN_OK)
            return VORTAN_E_MISSING;
        root = areas.CreateWidgetTree(W, H, nullptr);
        areas.Unload();
        return root ? VORTAN_OK : VORTAN_E_MISSING;
    }
    void Release() override
    {
        CWidget::Destroy(root);
        root = nullptr;
    }
    int OnChar(unsigned short c) override
    {
        root->DispatchChar(c);
        return 1;
    }
    CWidget* Find(const char* name) { return root->FindChild(CVortanString(name), -1); }
};

// The frame sheet: nine 20 x 20 colours, frame i at column i % 3, row i / 3.
const char* kFrame[9] = {"#ff0000", "#00ff00", "#0000ff", "#ffff00", "#ff00ff",
                         "#00ffff", "#804000", "#008040", "#400080"};
// The arrow sheets: four 20 x 20 colours each, frame i at column i % 2, row i / 2.
const char* kSide[4] = {"#ff8080", "#80ff80", "#8080ff", "#ffff80"};
const char* kTops[4] = {"#c0c0c0", "#606060", "#a0a000", "#00a0a0"};
const char* kContent = "#30b040";

const char* kScreen = R"XML(<screen>
  <area width="800" height="480" name="main">
    <element name="bubble" type="bubble">
      <position x="0.375" y="0.0833334"/>
      <size w="0.25" h="0.2083334"/>
      <arrow value="left-up"/>
      <element name="bg0_template" type="image"><size w="0.025" h="0.0416667"/>
        <image path="frame.png" frames_x="3" frames_y="3"/></element>
      <element name="bg1_template" type="image"><size w="0.025" h="0.0416667"/>
        <image path="side.png" frames_x="2" frames_y="2"/></element>
      <element name="bg2_template" type="image"><size w="0.025" h="0.0416667"/>
        <image path="tops.png" frames_x="2" frames_y="2"/></element>
    </element>
    <element name="exp" type="expand_layout">
      <position x="0.05" y="0.5"/>
      <size w="0.25" h="0.0625"/>
      <width value="0.25"/><height value="0.0625"/><height value="0.25"/>
      <element name="inside">
        <element name="content" type="image"><size w="0.375" h="0.625"/>
          <image path="content.png"/></element>
      </element>
    </element>
    <element name="label" type="text">
      <position x="0.05" y="0.25"/>
      <size w="0.25" h="0.0833334"/>
      <text font="blocks" local="0" color="00FF00" displaycolor="FF0000"/>
    </element>
    <element name="field" type="text">
      <position x="0.05" y="0.0833334"/>
      <size w="0.25" h="0.0833334"/>
      <text font="blocks" type="password" color="FFFFFF"/>
    </element>
  </area>
</screen>)XML";

// Block glyphs: every printable code is a 10 x 16 block advancing 12, "|" a 2 x 16 bar.
std::string BlockFont()
{
    std::string chars;
    int count = 0;
    for (int code = 33; code < 127; ++code, ++count) {
        const int width = code == '|' ? 2 : 10;
        chars += "<char id=\"" + std::to_string(code) + "\" x=\"0\" y=\"0\" width=\"" +
                 std::to_string(width) +
                 "\" height=\"16\" xoffset=\"0\" yoffset=\"0\" "
                 "xadvance=\"" +
                 std::to_string(code == '|' ? 2 : 12) + "\" page=\"0\"/>";
    }
    return "<font><common lineHeight=\"16\" base=\"16\"/><pages><page id=\"0\" "
           "file=\"blocks.png\"/></pages><chars count=\"" +
           std::to_string(count) + "\">" + chars + "</chars></font>";
}

// A sheet of 20 x 20 squares, `columns` across, from the colours in order.
std::string Sheet(const vtest::TempDir& dir, const char* const* colours, int columns, int rows,
                  const std::string& name)
{
    std::vector<std::string> argv{"convert"};
    for (int r = 0; r < rows; ++r) {
        argv.push_back("(");
        argv.push_back("-size");
        argv.push_back("20x20");
        for (int c = 0; c < columns; ++c)
            argv.push_back(std::string("xc:") + colours[r * columns + c]);
        argv.push_back("+append");
        argv.push_back(")");
    }
    argv.insert(argv.end(), {"-append", "-define", "png:color-type=6", "PNG32:" + dir.File(name)});
    EXPECT_EQ(0, vtest::RunProgram(argv));
    return vtest::ReadWholeFile(dir.File(name));
}

// One flat rectangle of the expected picture; `band` pixels along its edges are not compared
// (a frame stretched from a sprite sheet takes a few pixels of its neighbours' colours at its
// ends, as the texture is sampled between texels).
struct Block {
    int x, y, w, h;
    std::string colour;
    int band;
};

// The expected screen: black with the blocks placed by ImageMagick, in order.
Rgb Expected(const std::vector<Block>& blocks)
{
    std::vector<std::string> argv{"convert", "-size", "800x480", "xc:black"};
    for (const Block& b : blocks) {
        argv.insert(argv.end(),
                    {"-fill", b.colour, "-draw",
                     "rectangle " + std::to_string(b.x) + "," + std::to_string(b.y) + " " +
                         std::to_string(b.x + b.w - 1) + "," + std::to_string(b.y + b.h - 1)});
    }
    argv.insert(argv.end(), {"-depth", "8", "rgb:-"});
    std::string out;
    EXPECT_EQ(0, vtest::RunProgram(argv, &out));
    EXPECT_EQ((size_t)W * H * 3, out.size());
    return Rgb(out.begin(), out.end());
}

// The bubble's pieces as the arrangement places them for "left-up" on 200 x 100 at (300, 40)
// with 20 x 20 corners: centre, corners, the arrow and its short edge, three full edges.
std::vector<Block> BubbleBlocks()
{
    const int X = 300, Y = 40;
    return {{X + 20, Y + 20, 160, 60, kFrame[4], 6}, {X, Y, 20, 20, kFrame[0], 1},
            {X + 180, Y, 20, 20, kFrame[2], 1},      {X, Y + 80, 20, 20, kFrame[6], 1},
            {X + 180, Y + 80, 20, 20, kFrame[8], 1}, {X, Y + 20, 20, 20, kSide[0], 1},
            {X, Y + 40, 20, 40, kFrame[3], 3},       {X + 180, Y + 20, 20, 60, kFrame[5], 4},
            {X + 20, Y, 160, 20, kFrame[1], 6},      {X + 20, Y + 80, 160, 20, kFrame[7], 6}};
}

// Pixels that differ by more than 2 in a channel, leaving out each block's band along its
// edges (and one pixel outside them).
int Mismatches(const Rgb& got, const Rgb& want, const std::vector<Block>& blocks)
{
    if (got.size() != want.size())
        return -1;
    std::vector<char> skip((size_t)W * H, 0);
    for (const Block& b : blocks) {
        for (int y = b.y - 1; y <= b.y + b.h; ++y)
            for (int x = b.x - 1; x <= b.x + b.w; ++x)
                if (x >= 0 && y >= 0 && x < W && y < H &&
                    (x < b.x + b.band || y < b.y + b.band || x >= b.x + b.w - b.band ||
                     y >= b.y + b.h - b.band))
                    skip[(size_t)y * W + x] = 1;
    }
    int bad = 0;
    for (size_t p = 0; p < (size_t)W * H; ++p) {
        if (skip[p])
            continue;
        for (int c = 0; c < 3; ++c) {
            if (abs((int)got[p * 3 + c] - (int)want[p * 3 + c]) > 2) {
                ++bad;
                break;
            }
        }
    }
    return bad;
}

class LayoutWindowTest : public winapp::WindowFixture<TestApp> {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(StartDisplay());
        const std::string pack = home->File("screen.dmp");
        rtest::WritePack(pack, {{"/screen.xml", kScreen},
                                {"/frame.png", Sheet(*home, kFrame, 3, 3, "frame.png")},
                                {"/side.png", Sheet(*home, kSide, 2, 2, "side.png")},
                                {"/tops.png", Sheet(*home, kTops, 2, 2, "tops.png")},
                                {"/content.png", rtest::MakePng(30, 50, kContent)},
                                {"/blocks.png", rtest::MakePng(16, 16, "white")},
                                {"/blocks.fnt", BlockFont()}});
        app = new TestApp();
        game = new ptest::GameStateStub();
        ASSERT_EQ(VORTAN_OK, app->Create(nullptr, W, H, game));
        while (app->GetStateCount() > 0)
            app->RemoveState(app->GetStateAt(0));
        ASSERT_EQ(1, app->OpenPack(rtest::S(pack), 1));
        // The test's languages ("Hello" in English, "Olleh" right-aligned), in place before the
        // screen is built.
        ltest::WriteLanguagePacks(*home);
        ltest::LanguageHost* host = new ltest::LanguageHost(*home);
        hosts.reset(host);
        language = new COrloLanguage();
        ASSERT_EQ(VORTAN_OK, language->Init(host, CVortanString("lang")));
        ownLanguage = app->SwapLanguage(language);
        screen = new LayoutScreen();
        ASSERT_EQ(VORTAN_OK, app->PushState(screen));
        Step(0.0f);
    }
    void TearDown() override
    {
        // The hosted game is the test's to delete (the application would only at a full
        // shut-down of its loop).
        if (app) {
            app->ForgetGame();
            if (ownLanguage)
                app->SwapLanguage(ownLanguage);
        }
        delete language;
        WindowFixture::TearDown();
        delete game;
    }
    // The bubble, the expandable at its height and the label "Hello": five red blocks at the
    // left (the empty-text colour: the label has no text of its own).
    std::vector<Block> Screen(int expandedHeight)
    {
        std::vector<Block> blocks = BubbleBlocks();
        blocks.push_back({40, 240, 200, expandedHeight, kContent, 1});
        for (int i = 0; i < 5; ++i)
            blocks.push_back({40 + 12 * i, 120, 10, 16, "#ff0000", 1});
        return blocks;
    }

    LayoutScreen* screen = nullptr;
    ptest::GameStateStub* game = nullptr;
    COrloLanguage* language = nullptr;    // the test's languages, while in place
    COrloLanguage* ownLanguage = nullptr; // the application's, while replaced
    std::unique_ptr<ltest::LanguageHost> hosts;
};

TEST_F(LayoutWindowTest, TheBubbleAndTheClippedExpandableDrawAsPlaced)
{
    Step(0.1f);
    Step(0.1f);
    EXPECT_EQ(0, Mismatches(app->frame, Expected(Screen(30)), Screen(30)));
    CExpandable* exp = WidgetCast<CExpandable>(screen->Find("exp"));
    ASSERT_NE(exp, nullptr);
    exp->SetStateAnimated(1);
    for (int i = 0; i < 4; ++i)
        Step(0.1f);
    EXPECT_EQ(exp->GetHeight(), 120);
    EXPECT_EQ(0, Mismatches(app->frame, Expected(Screen(120)), Screen(120)));
    if (getenv("VORTAN_KEEP_SHOTS"))
        vtest::WriteWholeFile(std::string(getenv("VORTAN_KEEP_SHOTS")) + "/layout.rgb",
                              std::string(app->frame.begin(), app->frame.end()));
}

TEST_F(LayoutWindowTest, APasswordFieldTakesTypedTextAndShowsStars)
{
    Step(0.1f);
    ASSERT_EQ(0, vtest::MovePointer(100, 55));
    ASSERT_EQ(0, vtest::Xdo({"click", "1"}));
    vtest::Pump(app);
    Step(0.05f);
    CTextWidget* field = WidgetCast<CTextWidget>(screen->Find("field"));
    ASSERT_NE(field, nullptr);
    ASSERT_NE(field->GetTextInput(), nullptr);
    ASSERT_EQ(0, vtest::Xdo({"type", "--delay", "20", "abc"}));
    vtest::Pump(app);
    Step(0.05f);
    EXPECT_EQ(VortanUTF8Of(field->GetText()), "abc");
    EXPECT_EQ(VortanUTF8Of(field->GetDisplayText()), "***");
    // Three blocks and the caret bar after them, white, in the field's top-left corner.
    std::vector<Block> blocks = Screen(30);
    for (int i = 0; i < 3; ++i)
        blocks.push_back({40 + 12 * i, 40, 10, 16, "white", 1});
    blocks.push_back({76, 40, 2, 16, "white", 0});
    EXPECT_EQ(0, Mismatches(app->frame, Expected(blocks), blocks));
    if (getenv("VORTAN_KEEP_SHOTS"))
        vtest::WriteWholeFile(std::string(getenv("VORTAN_KEEP_SHOTS")) + "/field.rgb",
                              std::string(app->frame.begin(), app->frame.end()));

    // Twenty characters are wider than the field: the end of the text stays in view, drawn
    // right-aligned before the caret at the right edge.
    ASSERT_EQ(0, vtest::Xdo({"type", "--delay", "10", "defghijklmnopqrst"}));
    vtest::Pump(app);
    Step(0.05f);
    EXPECT_EQ(field->GetText().GetLength(), 20);
    // 20 blocks end at 236 with the caret at 238..240: the blocks from 46 on show whole, the
    // one before shows its last four columns from the field's left edge at 40.
    blocks = Screen(30);
    blocks.push_back({40, 40, 4, 16, "white", 1});
    for (int i = 0; i < 16; ++i)
        blocks.push_back({46 + 12 * i, 40, 10, 16, "white", 1});
    blocks.push_back({238, 40, 2, 16, "white", 0});
    EXPECT_EQ(0, Mismatches(app->frame, Expected(blocks), blocks));
    if (getenv("VORTAN_KEEP_SHOTS"))
        vtest::WriteWholeFile(std::string(getenv("VORTAN_KEEP_SHOTS")) + "/wide.rgb",
                              std::string(app->frame.begin(), app->frame.end()));
}

TEST_F(LayoutWindowTest, ALabelFollowsTheLanguageAndItsAlignment)
{
    Step(0.1f);
    EXPECT_EQ(0, Mismatches(app->frame, Expected(Screen(30)), Screen(30)));
    ASSERT_EQ(VORTAN_OK, language->SetLanguage(CVortanString("rt")));
    screen->root->RefreshLocalizedText();
    Step(0.1f);
    EXPECT_EQ(VortanUTF8Of(WidgetCast<CTextWidget>(screen->Find("label"))->GetDisplayText()),
              "Olleh");
    // Right-aligned: the five blocks (60 pixels of advance) end at the field's right edge.
    std::vector<Block> blocks = BubbleBlocks();
    blocks.push_back({40, 240, 200, 30, kContent, 1});
    for (int i = 0; i < 5; ++i)
        blocks.push_back({180 + 12 * i, 120, 10, 16, "#ff0000", 1});
    EXPECT_EQ(0, Mismatches(app->frame, Expected(blocks), blocks));
    if (getenv("VORTAN_KEEP_SHOTS"))
        vtest::WriteWholeFile(std::string(getenv("VORTAN_KEEP_SHOTS")) + "/label.rgb",
                              std::string(app->frame.begin(), app->frame.end()));
}

TEST_F(LayoutWindowTest, TheScreenDrawsTheSameAfterALostContext)
{
    Step(0.1f);
    Step(0.1f);
    const Rgb before = app->frame;
    ASSERT_EQ(0, Mismatches(before, Expected(Screen(30)), Screen(30)));
    ASSERT_EQ(VORTAN_OK, app->UnloadAllSurfaceTextures());
    ASSERT_EQ(VORTAN_OK, app->RestoreGraphics());
    Step(0.1f);
    Step(0.1f);
    Step(0.1f);
    if (getenv("VORTAN_KEEP_SHOTS"))
        vtest::WriteWholeFile(std::string(getenv("VORTAN_KEEP_SHOTS")) + "/lost.rgb",
                              std::string(app->frame.begin(), app->frame.end()));
    EXPECT_EQ(0, Mismatches(app->frame, before, Screen(30)));
}

} // namespace
