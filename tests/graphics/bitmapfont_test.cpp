// Bitmap fonts: description checks, measuring and wrapping, the software coverage path
// (exact pixels), GL runs, GLES2 drawing under Xvfb, packs and the built-in default font.
#include <cairo.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/VortanMediaPack.h"
#include "engine/VortanXMLDataNode.h"
#include "engine/graphics/VortanBitmapFont.h"
#include "engine/graphics/VortanGraphicsExt_GLES2.h"
#include "engine/graphics/VortanGraphicsExt_Null.h"
#include "engine/graphics/VortanSurface.h"
#include "tests/graphics/SurfacePixels.h"
#include "tests/platform/ResourceTestSupport.h"
#include "tests/support/GraphicsTestWindow.h"
#include "tests/support/PackWriter.h"
#include "tests/support/TestSupport.h"

using gtest_graphics::Near;
using gtest_graphics::ReadPixel;

namespace {

using gtest_graphics::Desc;
using gtest_graphics::Word;

gtest_graphics::GLEnvironment* const g_env =
    vtest::AddDisplayEnvironment<gtest_graphics::GLEnvironment>(800, 480);

// Coverage of the test pages: page 0 is 32 x 16 with this pattern, page 1 is 8 x 8 and solid.
int Coverage0(int x, int y)
{
    if ((x + y) % 5 == 0)
        return 0;
    return (x * 37 + y * 11 + 20) % 256;
}

// Writes a page PNG: white, alpha = coverage.
void WritePage(const std::string& path, int w, int h, int (*coverage)(int, int))
{
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_surface_flush(s);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ((u32*)(cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s)))[x] =
                0x01010101u * (u32)coverage(x, y);
    cairo_surface_mark_dirty(s);
    ASSERT_EQ(CAIRO_STATUS_SUCCESS, cairo_surface_write_to_png(s, path.c_str()));
    cairo_surface_destroy(s);
}

// The test font: line height 12.
//   'A' 4x6 at (0,0) offsets (1,2) advance 6      'B' 5x7 at (4,0) offsets (0,1) advance 7
//   'C' 3x3 at (9,0) advance 4                     ' ' no image, advance 3
//   'Z' 2x2 on page 1, advance 5                   256 2x2 at (12,0) advance 9
//   a second 'A' (advance 99; the first one wins) 'D' at (30,10) 8x8, cut to 2x6 by the page
const char* kFontXml =
    "<?xml version=\"1.0\"?>\n"
    "<font>\n"
    "  <info face=\"test\"/>\n"
    "  <common lineHeight=\"12\" base=\"9\"/>\n"
    "  <pages>\n"
    "    <page id=\"0\" file=\"test_0.png\"/>\n"
    "    <page id=\"1\" file=\"test_1.png\"/>\n"
    "  </pages>\n"
    "  <chars count=\"8\">\n"
    "    <char id=\"65\" x=\"0\" y=\"0\" width=\"4\" height=\"6\" xoffset=\"1\" yoffset=\"2\" "
    "xadvance=\"6\" page=\"0\"/>\n"
    "    <char id=\"66\" x=\"4\" y=\"0\" width=\"5\" height=\"7\" xoffset=\"0\" yoffset=\"1\" "
    "xadvance=\"7\" page=\"0\"/>\n"
    "    <char id=\"67\" x=\"9\" y=\"0\" width=\"3\" height=\"3\" xoffset=\"0\" yoffset=\"0\" "
    "xadvance=\"4\" page=\"0\"/>\n"
    "    <char id=\"32\" x=\"0\" y=\"0\" width=\"0\" height=\"0\" xoffset=\"0\" yoffset=\"0\" "
    "xadvance=\"3\" page=\"0\"/>\n"
    "    <char id=\"90\" x=\"0\" y=\"0\" width=\"2\" height=\"2\" xoffset=\"0\" yoffset=\"0\" "
    "xadvance=\"5\" page=\"1\"/>\n"
    "    <char id=\"256\" x=\"12\" y=\"0\" width=\"2\" height=\"2\" xoffset=\"0\" yoffset=\"0\" "
    "xadvance=\"9\" page=\"0\"/>\n"
    "    <char id=\"65\" x=\"20\" y=\"0\" width=\"1\" height=\"1\" xadvance=\"99\" page=\"0\"/>\n"
    "    <char id=\"68\" x=\"30\" y=\"10\" width=\"8\" height=\"8\" xadvance=\"4\" page=\"0\"/>\n"
    "    <char id=\"69\" x=\"0\" y=\"0\" width=\"1\" height=\"1\" xadvance=\"1\" page=\"0\"/>\n"
    "  </chars>\n"
    "</font>\n";

class FontFiles {
public:
    FontFiles()
    {
        WritePage(dir.File("test_0.png"), 32, 16, Coverage0);
        WritePage(dir.File("test_1.png"), 8, 8, [](int, int) { return 255; });
        vtest::WriteWholeFile(dir.File("test.fnt"), kFontXml);
    }
    std::string Description() const { return dir.File("test.fnt"); }
    vtest::TempDir dir;
};

int ParseXml(CVortanXMLDataNode& root, const std::string& text)
{
    std::vector<char> buffer(text.begin(), text.end());
    return root.LoadMemory(buffer.data(), (int)buffer.size());
}

// A font loaded into a software target (format VORTAN_PIXEL_ARGB8888, 64 x 32, opaque black).
class SoftFont : public ::testing::Test {
protected:
    void SetUp() override
    {
        CVortanSurfaceDesc d = Desc(64, 32, VORTAN_PIXEL_ARGB8888);
        ASSERT_EQ(VORTAN_OK, target.Create(nullptr, &d));
        target.Clear(0xFF000000, nullptr);
        ASSERT_EQ(VORTAN_OK,
                  font.LoadFromFile(&target, CVortanString(files.Description().c_str())));
    }
    void TearDown() override { font.Unload(), target.Release(); }
    // Expected pixel of glyph A (page rectangle (0,0)) drawn at (x, y) in `color`, plain.
    void ExpectGlyphA(int x, int y, u32 color, u32 background = 0xFF000000)
    {
        for (int j = 0; j < 6; ++j)
            for (int i = 0; i < 4; ++i)
                EXPECT_EQ(Coverage0(i, j) ? color : background, Word(target, x + i, y + j))
                    << i << "," << j;
    }
    FontFiles files;
    CVortanSurface target;
    CVortanBitmapFont font;
};

} // namespace

// --- the description ---------------------------------------------------------------------------

TEST(FontDescription, MissingPartsAndBadCountsAreRefused)
{
    struct Case {
        const char* xml;
        int result;
    } cases[] = {
        {"<font><common lineHeight=\"10\"/><pages><page file=\"a\"/></pages></font>",
         VORTAN_E_MISSING},
        {"<font><common lineHeight=\"10\"/><chars count=\"1\"><char id=\"1\"/></chars></font>",
         VORTAN_E_MISSING},
        {"<font><common lineHeight=\"10\"/><pages/><chars count=\"1\"><char/></chars></font>",
         VORTAN_E_MISSING},
        {"<font><pages><page file=\"a\"/></pages><chars count=\"1\"><char/></chars></font>",
         VORTAN_E_MISSING},
        {"<font><common lineHeight=\"0\"/><pages><page file=\"a\"/></pages><chars "
         "count=\"1\"><char/></chars></font>",
         VORTAN_E_MISSING},
        {"<font><common/><pages><page file=\"a\"/></pages><chars "
         "count=\"1\"><char/></chars></font>",
         VORTAN_E_MISSING},
        {"<font><common lineHeight=\"10\"/><pages><page file=\"a\"/></pages><chars "
         "count=\"0\"><char/></chars></font>",
         VORTAN_E_MALFORMED},
        {"<font><common lineHeight=\"10\"/><pages><page "
         "file=\"a\"/></pages><chars><char/></chars></font>",
         VORTAN_E_MALFORMED},
        {"<font><common lineHeight=\"-3\"/><pages><page file=\"a\"/></pages><chars "
         "count=\"1\"><char/></chars></font>",
         VORTAN_E_MALFORMED},
        {"<font><common lineHeight=\"10\"/><pages><page file=\"a\"/></pages><chars "
         "count=\"1\"><char page=\"1\"/></chars></font>",
         VORTAN_E_MALFORMED},
        {"<font><common lineHeight=\"10\"/><pages><page file=\"a\"/></pages><chars "
         "count=\"1\"><char page=\"-1\"/></chars></font>",
         VORTAN_E_MALFORMED},
    };
    for (const Case& c : cases) {
        CVortanXMLDataNode root;
        ASSERT_EQ(VORTAN_OK, ParseXml(root, c.xml)) << c.xml;
        CVortanBitmapFont font;
        EXPECT_EQ(c.result, font.LoadXML(&root)) << c.xml;
        font.Unload();
    }
}

TEST(FontDescription, MoreCharsThanTheCountAreIgnoredAndDefaultsApply)
{
    CVortanXMLDataNode root;
    ASSERT_EQ(
        1, ParseXml(
               root,
               "<font><common lineHeight=\"7\"/><pages><page file=\"a\"/><page file=\"b\"/></pages>"
               "<chars count=\"2\"><char/><char id=\"66\" xadvance=\"3\" page=\"1\"/>"
               "<char id=\"67\"/><char id=\"68\"/></chars></font>"));
    CVortanBitmapFont font;
    ASSERT_EQ(VORTAN_OK, font.LoadXML(&root));
    EXPECT_EQ(2, font.GetGlyphCount());
    EXPECT_EQ(-1, font.GetGlyph(0)->width);
    EXPECT_EQ(1, font.FindGlyph('B')->page);
    EXPECT_EQ(nullptr, font.FindGlyph('C'));

    // A declared count far above what the file holds allocates only what is there.
    CVortanXMLDataNode big;
    ASSERT_EQ(VORTAN_OK,
              ParseXml(big, "<font><common lineHeight=\"7\"/><pages><page file=\"a\"/></pages>"
                            "<chars count=\"2000000000\"><char id=\"65\"/></chars></font>"));
    ASSERT_EQ(VORTAN_OK, font.LoadXML(&big));
    EXPECT_EQ(1, font.GetGlyphCount());
    font.Unload();
}

TEST_F(SoftFont, LoadsPagesGlyphsAndQuads)
{
    EXPECT_EQ(Coverage0(5, 3), font.GetPage(0)->alpha[3 * 32 + 5]);
    // The rectangle reaching outside its page is cut to the page.
    const CVortanGlyph* d = font.FindGlyph('D');
    ASSERT_NE(nullptr, d);
    EXPECT_EQ(30, d->x);
    EXPECT_EQ(2, d->width);
    EXPECT_EQ(6, d->height);
    // Quad of B: (0, 0), (0, -14), (10, -14), (10, 0); u 4/32 .. 9/32, v 0 .. 7/16.
    const CVortanGlyphQuad* q = font.GetQuad(font.FindGlyph('B')->index);
    EXPECT_FLOAT_EQ(-14.0f, q->corner[1][1]);
    EXPECT_FLOAT_EQ(10.0f, q->corner[2][0]);
    EXPECT_FLOAT_EQ(4.0f / 32.0f, q->corner[0][2]);
    EXPECT_FLOAT_EQ(7.0f / 16.0f, q->corner[2][3]);
    EXPECT_EQ(0u, font.GetPage(0)->texture); // none for a software target
}

TEST(FontLoad, MissingPageOrDescriptionGiveTheLoadersCodes)
{
    FontFiles files;
    CVortanSurface target;
    CVortanSurfaceDesc d = Desc(8, 8, VORTAN_PIXEL_ABGR8888);
    ASSERT_EQ(VORTAN_OK, target.Create(nullptr, &d));
    CVortanBitmapFont font;
    EXPECT_EQ(VORTAN_E_ARGUMENT,
              font.LoadFromFile(nullptr, CVortanString(files.Description().c_str())));
    EXPECT_EQ(VORTAN_E_OPEN,
              font.LoadFromFile(&target, CVortanString(files.dir.File("none.fnt").c_str())));
    unlink(files.dir.File("test_1.png").c_str());
    EXPECT_EQ(VORTAN_E_OPEN,
              font.LoadFromFile(&target, CVortanString(files.Description().c_str())));
    EXPECT_EQ(0, font.GetPageCount());
    font.ClearTextCache(); // no atlas: nothing to do
    target.Release();
}

// --- glyphs and measuring ------------------------------------------------------------------------

TEST_F(SoftFont, FindGlyphUsesTheDirectTableAndSearchesAbove255)
{
    EXPECT_EQ(6, font.FindGlyph('A')->xadvance); // the first of two records
    EXPECT_EQ(9, font.FindGlyph(256)->xadvance);
    EXPECT_EQ(nullptr, font.FindGlyph(0x263A));
    EXPECT_EQ(nullptr, font.FindGlyph('a'));
    EXPECT_TRUE(CVortanBitmapFont::HasCodesAbove255(CVortanString(L"ab\x0100")));
    EXPECT_FALSE(CVortanBitmapFont::HasCodesAbove255(CVortanString(L"ab\x00ff")));
}

TEST_F(SoftFont, TextWidthSkipsTagsCountsLinesAndScales)
{
    EXPECT_EQ(13, font.GetTextWidth(CVortanString(L"AB"), 0));
    EXPECT_EQ(12, font.GetTextWidth(CVortanString(L"A$COLOR=0xFF00FF00A"), 0));
    // As text the tag's characters count where they have glyphs: here only its "C" (4).
    EXPECT_EQ(16, font.GetTextWidth(CVortanString(L"A$COLOR=0xFF00FF00A"), VORTAN_TEXT_NO_TAGS));
    // A malformed tag is text.
    EXPECT_EQ(16, font.GetTextWidth(CVortanString(L"A$COLOR=0xFF00FG00A"), 0));
    EXPECT_EQ(17, font.GetTextWidth(CVortanString(L"AB\nC"), 0)); // no glyph for LF
    EXPECT_EQ(13, font.GetTextWidth(CVortanString(L"AB\nC"), VORTAN_TEXT_MULTILINE));
    EXPECT_EQ(13, font.GetTextWidth(CVortanString(L"C\r\nAB"), VORTAN_TEXT_MULTILINE));
    EXPECT_EQ(9, font.GetTextWidth(CVortanString(L"a\x0100"), 0));
    font.SetScale(0.5f);
    EXPECT_EQ(6, font.GetTextWidth(CVortanString(L"AB"), 0));
    EXPECT_EQ(6, font.GetLineHeight());
}

TEST_F(SoftFont, WrapTextBreaksAtTheLastSpace)
{
    CVortanRect r = {0, 0, 20, 100};
    CVortanString out;
    font.WrapText(CVortanString(L"AB AB AB"), out, r, VORTAN_TEXT_MULTILINE);
    EXPECT_EQ(CVortanString(L"AB\nAB\nAB"), out);
    // No space before the overflowing character: the line stays unbroken.
    font.WrapText(CVortanString(L"ABABAB AB"), out, r, VORTAN_TEXT_MULTILINE);
    EXPECT_EQ(CVortanString(L"ABABAB\nAB"), out);
    // Without multi-line mode nothing wraps and line ends become spaces.
    font.WrapText(CVortanString(L"AB AB AB\nA"), out, r, 0);
    EXPECT_EQ(CVortanString(L"AB AB AB A"), out);
    // Existing line ends restart the pen.
    font.WrapText(CVortanString(L"AB\nAB AB"), out, r, VORTAN_TEXT_MULTILINE);
    EXPECT_EQ(CVortanString(L"AB\nAB\nAB"), out);
    // Tags are skipped; the rectangle's left edge counts.
    CVortanRect shifted = {10, 0, 30, 100};
    font.WrapText(CVortanString(L"AB $COLOR=0xFFFFFFFFAB AB"), out, shifted, VORTAN_TEXT_MULTILINE);
    EXPECT_EQ(CVortanString(L"AB\n$COLOR=0xFFFFFFFFAB\nAB"), out);
    // Scaled metrics: at scale 2 "AB AB" needs 2 lines in 20 pixels.
    font.SetScale(2.0f);
    font.WrapText(CVortanString(L"AB AB"), out, r, VORTAN_TEXT_MULTILINE);
    EXPECT_EQ(CVortanString(L"AB\nAB"), out);
}

TEST_F(SoftFont, MeasureWrappedTextCountsScaledLinesAndEnds)
{
    CVortanRect r = {0, 5, 20, 0};
    EXPECT_EQ(8, font.MeasureWrappedText(r, CVortanString(L"AB AB AB")));
    EXPECT_EQ(5 + 36, r.bottom);
    r = {0, 0, 20, 0};
    font.MeasureWrappedText(r, CVortanString(L"A\nA"));
    EXPECT_EQ(24, r.bottom);
    // A word wider than the rectangle after a break: the walk must end.
    r = {0, 0, 10, 0};
    font.MeasureWrappedText(r, CVortanString(L"ABABAB ABABABAB ABAB"));
    EXPECT_EQ(36, r.bottom);
    r = {0, 0, 5, 0};
    font.MeasureWrappedText(r, CVortanString(L"ABABABAB"));
    EXPECT_EQ(12, r.bottom);
    font.SetScale(2.0f);
    r = {0, 0, 20, 0};
    font.MeasureWrappedText(r, CVortanString(L"AB AB"));
    EXPECT_EQ(48, r.bottom);
}

// --- software drawing ----------------------------------------------------------------------------

TEST_F(SoftFont, GlyphCoverageIsCopiedInTheColour)
{
    CVortanRect r = {2, 3, 64, 32};
    EXPECT_EQ(VORTAN_OK, font.DrawText(r, &target, CVortanString(L"AB"), 0xFFFF8000, 0));
    ExpectGlyphA(3, 5, 0xFFFF8000);
    // B at pen 6, offsets (0, 1), page rectangle from (4, 0).
    for (int j = 0; j < 7; ++j)
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(Coverage0(4 + i, j) ? 0xFFFF8000u : 0xFF000000u, Word(target, 8 + i, 4 + j));
    EXPECT_EQ(0xFF000000u, Word(target, 2, 3));
    EXPECT_EQ(0xFF000000u, Word(target, 13, 5));
    // A colour tag changes the colour of what follows, and starts a new GL run.
    target.Clear(0xFF000000, nullptr);
    CVortanTextLayout layout;
    font.DrawText(r, &target, CVortanString(L"A$COLOR=0xFF00FF00A"), 0xFFFF0000, 0, &layout);
    ExpectGlyphA(3, 5, 0xFFFF0000);
    ExpectGlyphA(9, 5, 0xFF00FF00);
    ASSERT_EQ(2, layout.GetRunCount());
    EXPECT_EQ(0xFF00FF00u, layout.GetRun(1)->color);
}

TEST_F(SoftFont, BlendFlagMixesByCoverageTimesAlpha)
{
    CVortanRect r = {0, 0, 64, 32};
    target.Clear(0xFF204060, nullptr);
    EXPECT_EQ(VORTAN_OK,
              font.DrawText(r, &target, CVortanString(L"A"), 0x80FFFFFF, VORTAN_TEXT_BLEND));
    for (int j = 0; j < 6; ++j) {
        for (int i = 0; i < 4; ++i) {
            int cov = Coverage0(i, j);
            // target + (colour - target) x cov x 128 / (255 x 255), per channel (16.16)
            long long f = (long long)cov * 128 * 65536 / 65025;
            auto mix = [&](int d, int c) { return (u32)(d + (((long long)(c - d) * f) >> 16)); };
            u32 expected = (mix(0xFF, 0x80) << 24) | (mix(0x20, 0xFF) << 16) |
                           (mix(0x40, 0xFF) << 8) | mix(0x60, 0xFF);
            EXPECT_EQ(expected, Word(target, 1 + i, 2 + j)) << i << "," << j;
        }
    }
}

TEST_F(SoftFont, AlignmentFlagsPlaceTheLines)
{
    CVortanRect r = {0, 0, 40, 20};
    font.DrawText(r, &target, CVortanString(L"AB"), 0xFFFFFFFF,
                  VORTAN_TEXT_RIGHT); // right: x = 40 - 13
    ExpectGlyphA(28, 2, 0xFFFFFFFF);
    target.Clear(0xFF000000, nullptr);
    font.DrawText(r, &target, CVortanString(L"AB"), 0xFFFFFFFF,
                  VORTAN_TEXT_CENTER_X | VORTAN_TEXT_RIGHT); // centre wins: 20 - 6
    ExpectGlyphA(15, 2, 0xFFFFFFFF);
    target.Clear(0xFF000000, nullptr);
    font.DrawText(r, &target, CVortanString(L"A"), 0xFFFFFFFF,
                  VORTAN_TEXT_CENTER_Y); // y = 10 - 12 / 2
    ExpectGlyphA(1, 6, 0xFFFFFFFF);
    target.Clear(0xFF000000, nullptr);
    // Two lines centred vertically in 32: y = 16 - 24 / 2 = 4; the second line 12 below.
    CVortanRect all = {0, 0, 64, 32};
    font.DrawText(all, &target, CVortanString(L"A\nA"), 0xFFFFFFFF,
                  VORTAN_TEXT_MULTILINE | VORTAN_TEXT_CENTER_Y);
    ExpectGlyphA(1, 6, 0xFFFFFFFF);
    ExpectGlyphA(1, 18, 0xFFFFFFFF);
}

TEST_F(SoftFont, OnlyPixelsInsideTheRectangleAndClipChange)
{
    CVortanRect r = {2, 3, 5, 7};
    font.DrawText(r, &target, CVortanString(L"AB"), 0xFFFFFFFF, 0);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 64; ++x) {
            bool inside = x >= 2 && x < 5 && y >= 3 && y < 7;
            u32 expected = 0xFF000000;
            if (inside && x >= 3 && y >= 5 && Coverage0(x - 3, y - 5))
                expected = 0xFFFFFFFF;
            EXPECT_EQ(expected, Word(target, x, y)) << x << "," << y;
        }
    }
    // A rectangle outside the clip draws nothing.
    CVortanRect clip = {40, 0, 64, 32};
    target.SetClipRect(&clip);
    CVortanRect left = {0, 0, 30, 32};
    target.Clear(0xFF000000, nullptr);
    font.DrawText(left, &target, CVortanString(L"AB"), 0xFFFFFFFF, 0);
    for (int x = 0; x < 64; ++x)
        EXPECT_EQ(0xFF000000u, Word(target, x, 4));
}

TEST_F(SoftFont, ScaleTwoDoublesGlyphsAndPositions)
{
    font.SetScale(2.0f);
    CVortanRect r = {2, 3, 64, 32};
    font.DrawText(r, &target, CVortanString(L"AA"), 0xFFFFFFFF, 0);
    for (int glyph = 0; glyph < 2; ++glyph) {
        int x0 = 2 + (glyph * 6 + 1) * 2, y0 = 3 + 2 * 2;
        for (int j = 0; j < 12; ++j)
            for (int i = 0; i < 8; ++i)
                EXPECT_EQ(Coverage0(i / 2, j / 2) ? 0xFFFFFFFFu : 0xFF000000u,
                          Word(target, x0 + i, y0 + j))
                    << glyph << ":" << i << "," << j;
    }
}

TEST(FontHostile, HugeMetricsSaturateAndDrawOnlyWhatFits)
{
    // Advances and offsets near the int limit (a damaged or hostile description): widths
    // saturate instead of wrapping round, and aligned text lands far off the target.
    FontFiles files;
    vtest::WriteWholeFile(
        files.dir.File("huge.fnt"),
        "<font><common lineHeight=\"2000000000\"/><pages><page file=\"test_1.png\"/></pages>"
        "<chars count=\"2\">"
        "<char id=\"65\" x=\"0\" y=\"0\" width=\"2\" height=\"2\" xadvance=\"2000000000\"/>"
        "<char id=\"66\" x=\"0\" y=\"0\" width=\"2\" height=\"2\" xoffset=\"2147483000\" "
        "yoffset=\"-2147483000\" xadvance=\"1\"/>"
        "</chars></font>");
    CVortanSurface target;
    CVortanSurfaceDesc d = Desc(16, 16, VORTAN_PIXEL_ARGB8888);
    ASSERT_EQ(VORTAN_OK, target.Create(nullptr, &d));
    target.Clear(0xFF000000, nullptr);
    CVortanBitmapFont font;
    ASSERT_EQ(VORTAN_OK,
              font.LoadFromFile(&target, CVortanString(files.dir.File("huge.fnt").c_str())));
    EXPECT_EQ(0x7FFFFFFF, font.GetTextWidth(CVortanString(L"AA"), 0));
    font.SetScale(4.0f);
    EXPECT_EQ(0x7FFFFFFF, font.GetLineHeight());
    EXPECT_EQ(0x7FFFFFFF, font.GetTextWidth(CVortanString(L"A"), 0));
    CVortanRect r = {0, 0, 16, 16};
    for (u32 flags : std::initializer_list<u32>{0x0u, VORTAN_TEXT_CENTER_X, VORTAN_TEXT_RIGHT,
                                                VORTAN_TEXT_CENTER_Y | VORTAN_TEXT_MULTILINE,
                                                VORTAN_TEXT_RIGHT | VORTAN_TEXT_BLEND}) {
        EXPECT_EQ(VORTAN_OK, font.DrawText(r, &target, CVortanString(L"AABA B"), 0xFFFFFFFF, flags))
            << flags;
        CVortanRect m = r;
        font.MeasureWrappedText(m, CVortanString(L"A A B"));
        EXPECT_EQ(0x7FFFFFFF, m.bottom);
    }
    // Only the first glyph, at the left edge, is on the target.
    font.SetScale(1.0f);
    target.Clear(0xFF000000, nullptr);
    font.DrawText(r, &target, CVortanString(L"AAB"), 0xFFFFFFFF, 0);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(x < 2 && y < 2 ? 0xFFFFFFFFu : 0xFF000000u, Word(target, x, y))
                << x << "," << y;
    font.Unload();
    target.Release();
}

TEST(FontSoftFormats, Rgb565AndAbgrTargetsGetTheirOwnPacking)
{
    FontFiles files;
    for (int format : {VORTAN_PIXEL_RGB565, VORTAN_PIXEL_ABGR8888}) {
        CVortanSurface target;
        CVortanSurfaceDesc d = Desc(16, 16, format);
        ASSERT_EQ(VORTAN_OK, target.Create(nullptr, &d));
        CVortanBitmapFont font;
        ASSERT_EQ(VORTAN_OK,
                  font.LoadFromFile(&target, CVortanString(files.Description().c_str())));
        CVortanRect r = {0, 0, 16, 16};
        font.DrawText(r, &target, CVortanString(L"Z"), 0xFF336699, 0); // solid 2 x 2 on page 1
        if (format == VORTAN_PIXEL_RGB565)
            EXPECT_EQ((0x33 >> 3) << 11 | (0x66 >> 2) << 5 | (0x99 >> 3),
                      ((u16*)target.GetPixels())[0]);
        else // memory R, G, B, A
            EXPECT_EQ(0xFF996633u, Word(target, 1, 1));
        font.Unload();
        target.Release();
    }
}

// --- GL runs without GL
// ------------------------------------------------------------------------------

TEST(FontRuns, RunsHold64GlyphsOfOnePageAndScaledOffsetsDoNotDrift)
{
    FontFiles files;
    CVortanGraphicsExt_Null ext;
    ASSERT_EQ(VORTAN_OK, ext.Create(0));
    ASSERT_EQ(VORTAN_OK, ext.Resize(800, 480));
    CVortanBitmapFont font;
    ASSERT_EQ(VORTAN_OK, font.LoadFromFile(&ext, CVortanString(files.Description().c_str())));
    EXPECT_NE(font.GetPage(0)->texture, font.GetPage(1)->texture);

    std::wstring text(150, L'C');
    text[70] = L'Z'; // on page 1: a run of its own
    CVortanTextLayout layout;
    CVortanRect r = {0, 0, 800, 480};
    EXPECT_EQ(VORTAN_OK,
              font.DrawText(r, &ext, CVortanString(text.c_str()), 0xFFFFFFFF, 0, &layout));
    ASSERT_EQ(5, layout.GetRunCount());
    EXPECT_EQ(64, layout.GetRun(0)->count);
    EXPECT_EQ(6, layout.GetRun(1)->count);
    EXPECT_EQ(1, layout.GetRun(2)->count);
    EXPECT_EQ(font.GetPage(1)->texture, layout.GetRun(2)->texture);
    EXPECT_EQ(64, layout.GetRun(3)->count);
    EXPECT_EQ(15, layout.GetRun(4)->count);
    EXPECT_EQ(63 * 4 + 3, layout.GetRun(0)->indices[63 * 6 + 5]);

    // At scale 2 each glyph sits at the line's x plus the scaled pen and offset.
    font.SetScale(2.0f);
    CVortanRect at = {10, 20, 800, 480};
    EXPECT_EQ(VORTAN_OK, font.DrawText(at, &ext, CVortanString(L"AA"), 0xFF00FF00, 0, &layout));
    ASSERT_EQ(1, layout.GetRunCount());
    const CVortanTextRun* run = layout.GetRun(0);
    ASSERT_EQ(2, run->count);
    EXPECT_EQ(0xFF00FF00u, run->color);
    const float* v = run->vertices;
    EXPECT_FLOAT_EQ(2.0f * (12.0f / 800.0f) - 1.0f, v[4]);
    EXPECT_FLOAT_EQ(1.0f - 2.0f * (20.0f / 480.0f + (2.0f / 480.0f) * 2.0f), v[5]);
    EXPECT_FLOAT_EQ(2.0f * (24.0f / 800.0f) - 1.0f, v[4 * 6 + 4]);
    EXPECT_FLOAT_EQ(-12.0f, v[6 + 1]); // A's scaled corner from the quad table
    EXPECT_EQ(7, run->indices[11]);
    font.Unload();
    ext.Close();
}

// --- GLES2 -----------------------------------------------------------------------------------

class GlFont : public gtest_graphics::GLES2Test {
protected:
    void TearDown() override { font.Unload(), GLES2Test::TearDown(); }
    // Glyph A drawn white at (x, y) reads back as its coverage in grey, within a fifth of the
    // way towards the right/lower neighbours (Mesa's linear filter; one pixel off fails).
    void ExpectGlyphA(int x, int y)
    {
        for (int j = 0; j < 6; ++j) {
            for (int i = 0; i < 4; ++i) {
                int e = Coverage0(i, j), lo = e, hi = e;
                for (int n : {Coverage0(i + 1, j), Coverage0(i, j + 1), Coverage0(i + 1, j + 1)})
                    lo = std::min(lo, n), hi = std::max(hi, n);
                u32 p = ReadPixel(x + i, y + j);
                int got = (int)(p & 0xFF);
                EXPECT_TRUE(got >= lo - 2 && got <= hi + 2 && abs(got - e) <= (hi - lo) / 5 + 3)
                    << i << "," << j << " coverage " << e << " got " << got;
                EXPECT_EQ((p >> 16) & 0xFF, p & 0xFF); // white: grey levels
            }
        }
    }
    FontFiles files;
    CVortanBitmapFont font;
};

TEST_F(GlFont, DrawsCoverageThroughTheTextProgram)
{
    ASSERT_EQ(VORTAN_OK, font.LoadFromFile(&ext, CVortanString(files.Description().c_str())));
    EXPECT_EQ(ext.GetProgram(CVortanGraphicsExt_GLES2::PROGRAM_TEXT_A), font.GetProgram());
    CVortanRect r = {100, 100, 800, 480};
    EXPECT_EQ(VORTAN_OK, font.DrawText(r, &ext, CVortanString(L"AB"), 0xFFFFFFFF, 0));
    ExpectGlyphA(101, 102);
    EXPECT_TRUE(Near(0xFF000000u, ReadPixel(100, 100)));
    // A second line, in red through a tag.
    ext.Clear(0xFF000000, nullptr);
    EXPECT_EQ(VORTAN_OK, font.DrawText(r, &ext, CVortanString(L"C\n$COLOR=0xFFFF0000A"), 0xFFFFFFFF,
                                       VORTAN_TEXT_MULTILINE));
    u32 red = ReadPixel(102, 100 + 12 + 2 + 2); // A's texel (1, 2) on the second line, in red
    EXPECT_NEAR(Coverage0(1, 2), (int)((red >> 16) & 0xFF), 12);
    EXPECT_EQ(0u, red & 0xFFFF);
}

TEST_F(GlFont, TexturesComeBackAfterAContextLoss)
{
    ASSERT_EQ(VORTAN_OK, font.LoadFromFile(&ext, CVortanString(files.Description().c_str())));
    font.ReleaseTextures();
    EXPECT_EQ(0u, font.GetPage(0)->texture);
    ASSERT_EQ(VORTAN_OK, ext.Restore());
    ASSERT_EQ(VORTAN_OK, ext.Resize(800, 480));
    ext.Clear(0xFF000000, nullptr);
    ASSERT_EQ(VORTAN_OK, font.RestoreTextures());
    EXPECT_NE(0u, font.GetPage(0)->texture);
    CVortanRect r = {200, 50, 800, 480};
    EXPECT_EQ(VORTAN_OK, font.DrawText(r, &ext, CVortanString(L"A"), 0xFFFFFFFF, 0));
    ExpectGlyphA(201, 52);
}

TEST_F(GlFont, KeepColourUsesThePagesOwnTexturesAndProgramB)
{
    ASSERT_EQ(VORTAN_OK, font.LoadFromFile(&ext, CVortanString(files.Description().c_str()),
                                           VORTAN_FONT_KEEP_COLOR));
    EXPECT_EQ(ext.GetProgram(CVortanGraphicsExt_GLES2::PROGRAM_TEXT_B), font.GetProgram());
    EXPECT_EQ(font.GetPage(0)->surface->GetTexture(), font.GetPage(0)->texture);
    CVortanRect r = {300, 300, 800, 480};
    EXPECT_EQ(VORTAN_OK, font.DrawText(r, &ext, CVortanString(L"A"), 0xFFFFFFFF, 0));
    ExpectGlyphA(301, 302);
}

TEST_F(GlFont, DefaultFontHas218GlyphsOfCodes32To255)
{
    ASSERT_EQ(VORTAN_OK, font.LoadDefault(&ext))
        << "no default font data: the root CMakeLists must include cmake/DefaultFont.cmake";
    EXPECT_EQ(218, font.GetGlyphCount());
    EXPECT_EQ(10, font.GetLineHeight());
    EXPECT_EQ(CVortanString("default_font_image.png"), font.GetPage(0)->file);
    int present = 0;
    for (int code = 0; code < 256; ++code)
        present += font.FindGlyph((u32)code) ? 1 : 0;
    EXPECT_EQ(218, present);
    EXPECT_EQ(nullptr, font.FindGlyph(31));
    EXPECT_EQ(nullptr, font.FindGlyph(127));
    EXPECT_GT(font.GetTextWidth(CVortanString(L"Hello"), 0), 15);
    CVortanRect r = {10, 10, 800, 480};
    EXPECT_EQ(VORTAN_OK, font.DrawText(r, &ext, CVortanString(L"HHHH"), 0xFFFFFFFF, 0));
    int lit = 0;
    for (int y = 10; y < 20; ++y)
        for (int x = 10; x < 40; ++x)
            lit += (ReadPixel(x, y) & 0xFF) > 128 ? 1 : 0;
    EXPECT_GT(lit, 20);
}

// --- data packs --------------------------------------------------------------------------------

TEST(FontPack, DescriptionAndPagesLoadFromAPack)
{
    FontFiles files;
    rtest::Entries entries;
    for (const char* n : {"test.fnt", "test_0.png", "test_1.png"})
        entries.emplace_back(std::string("/") + n, vtest::ReadWholeFile(files.dir.File(n)));
    ASSERT_TRUE(vtest::WriteWholeFile(files.dir.File("fonts.dmp"), vtest::MakePack(entries)));
    CVortanMediaPack media;
    ASSERT_EQ(VORTAN_OK, media.Open(CVortanString(files.dir.File("fonts.dmp").c_str())));
    CVortanSurface target;
    CVortanSurfaceDesc d = Desc(32, 32, VORTAN_PIXEL_ARGB8888);
    ASSERT_EQ(VORTAN_OK, target.Create(nullptr, &d));
    CVortanBitmapFont font;
    ASSERT_EQ(VORTAN_OK, font.LoadFromPack(&target, &media, CVortanString("/test.fnt")));
    EXPECT_EQ(8, font.GetGlyphCount());
    EXPECT_EQ(Coverage0(3, 4), font.GetPage(0)->alpha[4 * 32 + 3]);
    EXPECT_EQ(VORTAN_E_MISSING, font.LoadFromPack(&target, &media, CVortanString("/missing.fnt")));
    font.Unload();
    target.Release();
}

// --- fonts made by tools/makefont ----------------------------------------------------------------

TEST(FontFromTool, MakefontOutputLoadsMeasuresAndDraws)
{
    std::string tool = vtest::BinaryDir() + "/tools/makefont";
    if (access(tool.c_str(), X_OK) != 0)
        GTEST_SKIP() << "tools/makefont is not built";
    vtest::TempDir dir;
    ASSERT_EQ(0, vtest::RunProgram({tool, "--size", "16", dir.File("ui.fnt")}));
    CVortanSurface target;
    CVortanSurfaceDesc d = Desc(200, 40, VORTAN_PIXEL_ARGB8888);
    ASSERT_EQ(VORTAN_OK, target.Create(nullptr, &d));
    target.Clear(0xFF000000, nullptr);
    CVortanBitmapFont font;
    // The page is found next to the description.
    ASSERT_EQ(VORTAN_OK, font.LoadFromFile(&target, CVortanString(dir.File("ui.fnt").c_str())));
    EXPECT_EQ(191, font.GetGlyphCount());
    ASSERT_NE(nullptr, font.FindGlyph('_'));
    int w = font.GetTextWidth(CVortanString(L"Hello"), 0);
    EXPECT_TRUE(w > 30 && w < 60) << w;
    CVortanRect r = {0, 0, 200, 40};
    font.DrawText(r, &target, CVortanString(L"Hello"), 0xFFFFFFFF, VORTAN_TEXT_BLEND);
    int lit = 0, right = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x)
            if ((Word(target, x, y) & 0xFF) > 128)
                ++lit, right = x > right ? x : right;
    EXPECT_GT(lit, 40);
    EXPECT_LE(right, w + 2);
    font.Unload();
    target.Release();
}
