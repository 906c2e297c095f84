// System-font text painted into surfaces (Pango), the bitmap font's cache of such texts, and
// the colour multiplication of pixel rectangles.
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "engine/graphics/VortanBitmapFont.h"
#include "engine/graphics/VortanSurface.h"
#include "engine/graphics/VortanTextSurface.h"
#include "tests/graphics/SurfacePixels.h"

// fontconfig keeps the configuration it loads for the life of the process; leak checking in
// the sanitizer build must not count it.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

namespace {

using gtest_graphics::Desc;
using gtest_graphics::Word;

const CVortanString kFamily("DejaVu Sans");

std::vector<u8> Bytes(CVortanSurface& s)
{
    return std::vector<u8>(s.GetPixels(), s.GetPixels() + (size_t)s.GetPitch() * s.GetHeight());
}

// Bounding box of the pixels that differ between two snapshots (right/bottom exclusive).
struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, count = 0;
};
Box Changed(CVortanSurface& s, const std::vector<u8>& before)
{
    Box b;
    int bytes = CVortanSurface::BytesPerPixel(s.GetPixelFormat());
    for (int y = 0; y < s.GetHeight(); ++y) {
        for (int x = 0; x < s.GetWidth(); ++x) {
            size_t o = (size_t)y * s.GetPitch() + (size_t)x * bytes;
            if (memcmp(&before[o], s.GetPixels() + o, (size_t)bytes) != 0) {
                b.left = x < b.left ? x : b.left;
                b.top = y < b.top ? y : b.top;
                b.right = x + 1 > b.right ? x + 1 : b.right;
                b.bottom = y + 1 > b.bottom ? y + 1 : b.bottom;
                ++b.count;
            }
        }
    }
    return b;
}

class TextSurface : public ::testing::Test {
protected:
    void SetUp() override
    {
        CVortanSurfaceDesc d = Desc(200, 100, VORTAN_PIXEL_ARGB8888);
        ASSERT_EQ(VORTAN_OK, s.Create(nullptr, &d));
        s.Clear(0xFF000000, nullptr);
    }
    void TearDown() override { s.Release(); }
    CVortanSurface s;
};

} // namespace

TEST_F(TextSurface, NothingIsDoneForTinySizesEmptyTextOrEmptyRectangles)
{
    std::vector<u8> before = Bytes(s);
    CVortanRect r = {10, 10, 190, 90};
    EXPECT_EQ(0, s.DrawText(&r, kFamily, 2, CVortanString("abc"), 0xFFFFFFFF, 0));
    EXPECT_EQ(0, s.DrawText(&r, kFamily, 12, CVortanString(""), 0xFFFFFFFF, 0));
    CVortanRect flat = {10, 10, 10, 90};
    EXPECT_EQ(0, s.DrawText(&flat, kFamily, 12, CVortanString("abc"), 0xFFFFFFFF, 0));
    EXPECT_EQ(0, s.DrawText(nullptr, kFamily, 12, CVortanString("abc"), 0xFFFFFFFF, 0));
    CVortanSurface empty;
    EXPECT_EQ(0, empty.DrawText(&r, kFamily, 12, CVortanString("abc"), 0xFFFFFFFF, 0));
    EXPECT_TRUE(before == Bytes(s));
}

TEST_F(TextSurface, MeasuringSetsTheBottomAndLeavesThePixels)
{
    std::vector<u8> before = Bytes(s);
    CVortanRect r = {10, 7, 190, 90};
    int h = s.DrawText(&r, kFamily, 12, CVortanString("abc"), 0xFFFFFFFF, VORTAN_TEXT_MEASURE);
    EXPECT_GT(h, 8);
    EXPECT_LT(h, 40);
    EXPECT_EQ(7 + h, r.bottom);
    EXPECT_TRUE(before == Bytes(s));
    // Wrapped into a narrow rectangle the same words take more lines.
    CVortanRect narrow = {0, 0, 40, 100};
    int tall = s.DrawText(&narrow, kFamily, 12, CVortanString("abc def ghi jkl"), 0xFFFFFFFF,
                          VORTAN_TEXT_MEASURE);
    EXPECT_GE(tall, 3 * h);
    EXPECT_TRUE(before == Bytes(s));
}

TEST_F(TextSurface, PaintsOnlyInsideTheRectangleInTheColour)
{
    std::vector<u8> before = Bytes(s);
    CVortanRect r = {20, 30, 120, 45}; // shorter than the text is tall: cut at the bottom
    int h = s.DrawText(&r, kFamily, 14, CVortanString("Wg Wg Wg Wg"), 0x80FF0000, 0);
    EXPECT_GT(h, 15);
    Box b = Changed(s, before);
    ASSERT_GT(b.count, 20);
    EXPECT_GE(b.left, 20);
    EXPECT_GE(b.top, 30);
    EXPECT_LE(b.right, 120);
    EXPECT_LE(b.bottom, 45);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x) // red text on black: no green, no blue, opaque
            EXPECT_EQ(0xFF000000u, Word(s, x, y) & 0xFF00FFFFu) << x << "," << y;
    EXPECT_EQ(20, r.left); // the rectangle is kept when painting
    EXPECT_EQ(45, r.bottom);
}

TEST_F(TextSurface, AlignmentFlagsMoveTheText)
{
    CVortanRect r = {0, 10, 200, 90};
    std::vector<u8> blank = Bytes(s);
    s.DrawText(&r, kFamily, 12, CVortanString("IIII"), 0xFFFFFFFF, 0);
    Box left = Changed(s, blank);
    s.Clear(0xFF000000, nullptr);
    s.DrawText(&r, kFamily, 12, CVortanString("IIII"), 0xFFFFFFFF, VORTAN_TEXT_CENTER_X);
    Box centre = Changed(s, blank);
    s.Clear(0xFF000000, nullptr);
    s.DrawText(&r, kFamily, 12, CVortanString("IIII"), 0xFFFFFFFF, VORTAN_TEXT_RIGHT);
    Box right = Changed(s, blank);
    s.Clear(0xFF000000, nullptr);
    s.DrawText(&r, kFamily, 12, CVortanString("IIII"), 0xFFFFFFFF,
               VORTAN_TEXT_RIGHT | VORTAN_TEXT_CENTER_X);
    Box both = Changed(s, blank);
    ASSERT_GT(left.count, 0);
    EXPECT_LT(left.left, 5);
    EXPECT_GT(right.right, 195);
    EXPECT_NEAR(100, (centre.left + centre.right) / 2, 3);
    EXPECT_EQ(centre.left, both.left); // centring wins over right alignment
    EXPECT_EQ(left.right - left.left, right.right - right.left);
}

TEST(TextFormats, Rgb565AndAbgrSurfacesGetTheirOwnPacking)
{
    for (int format : {VORTAN_PIXEL_RGB565, VORTAN_PIXEL_ABGR8888}) {
        CVortanSurface s;
        CVortanSurfaceDesc d = Desc(80, 30, format);
        ASSERT_EQ(VORTAN_OK, s.Create(nullptr, &d));
        CVortanRect r = {0, 0, 80, 30};
        EXPECT_GT(s.DrawText(&r, kFamily, 16, CVortanString("MMM"), 0xFF0000FF, 0), 0);
        int blue = 0;
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 80; ++x) {
                if (format == VORTAN_PIXEL_RGB565) {
                    u16 p = ((u16*)(s.GetPixels() + y * s.GetPitch()))[x];
                    EXPECT_EQ(0, p & 0xFFE0); // only the blue field
                    blue += (p & 31) == 31;
                } else {
                    const u8* p = s.GetPixels() + y * s.GetPitch() + x * 4;
                    EXPECT_EQ(0, p[0]);
                    EXPECT_EQ(0, p[1]);
                    blue += p[2] == 255 && p[3] == 255;
                }
            }
        }
        EXPECT_GT(blue, 10) << format;
        s.Release();
    }
}

// --- the cache
// ------------------------------------------------------------------------------------

TEST(TextCache, SameTextAndColourIsRenderedOnce)
{
    CVortanSurface target;
    CVortanSurfaceDesc d = Desc(200, 100, VORTAN_PIXEL_ABGR8888);
    ASSERT_EQ(VORTAN_OK, target.Create(nullptr, &d));
    target.Clear(0xFF000000, nullptr);
    CVortanBitmapFont font;
    font.ClearTextCache(); // without an atlas: nothing to do
    CVortanRect r = {10, 10, 150, 60};
    EXPECT_EQ(0,
              font.DrawSystemText(&target, r, kFamily, 12, CVortanString("Hello"), 0xFFFFFFFF, 0));
    ASSERT_NE(nullptr, font.GetTextAtlas());
    EXPECT_EQ(VORTAN_PIXEL_ABGR8888, font.GetTextAtlas()->GetPixelFormat()); // the target's
    EXPECT_EQ(1, font.GetTextCacheCount());
    std::vector<u8> first = Bytes(target);
    int lit = 0;
    for (int y = 10; y < 60; ++y)
        for (int x = 10; x < 150; ++x)
            lit += (Word(target, x, y) & 0xFF) > 100;
    EXPECT_GT(lit, 10);

    target.Clear(0xFF000000, nullptr);
    font.DrawSystemText(&target, r, kFamily, 12, CVortanString("Hello"), 0xFFFFFFFF, 0);
    EXPECT_EQ(1, font.GetTextCacheCount());
    EXPECT_TRUE(first == Bytes(target));
    font.DrawSystemText(&target, r, kFamily, 12, CVortanString("Hello"), 0xFFFF0000, 0);
    EXPECT_EQ(2, font.GetTextCacheCount());
    // Font, size, flags and wrap width are part of the key too.
    font.DrawSystemText(&target, r, kFamily, 14, CVortanString("Hello"), 0xFFFFFFFF, 0);
    font.DrawSystemText(&target, r, kFamily, 12, CVortanString("Hello"), 0xFFFFFFFF,
                        VORTAN_TEXT_CENTER_X);
    CVortanRect wide = {10, 10, 190, 60};
    font.DrawSystemText(&target, wide, kFamily, 12, CVortanString("Hello"), 0xFFFFFFFF, 0);
    font.DrawSystemText(&target, r, CVortanString("DejaVu Serif"), 12, CVortanString("Hello"),
                        0xFFFFFFFF, 0);
    EXPECT_EQ(6, font.GetTextCacheCount());

    target.Clear(0xFF000000, nullptr);
    EXPECT_EQ(1, font.DrawCachedSystemText(&target, r, CVortanString("Hello"), 0xFFFFFFFF, 0));
    EXPECT_TRUE(first == Bytes(target));
    EXPECT_EQ(0, font.DrawCachedSystemText(&target, r, CVortanString("Other"), 0xFFFFFFFF, 0));

    font.ClearTextCache();
    EXPECT_EQ(0, font.GetTextCacheCount());
    font.Unload();
    EXPECT_EQ(nullptr, font.GetTextAtlas());
    target.Release();
}

TEST(TextCache, ATallCellEmptiesTheCacheAndTheAtlasStaysWithin1024)
{
    CVortanSurface target;
    CVortanSurfaceDesc d = Desc(64, 64, VORTAN_PIXEL_ARGB8888);
    ASSERT_EQ(VORTAN_OK, target.Create(nullptr, &d));
    CVortanBitmapFont font;
    CVortanRect r = {0, 0, 500, 64};
    for (int i = 0; i < 3; ++i) {
        std::string text = "line " + std::to_string(i);
        font.DrawSystemText(&target, r, kFamily, 12, CVortanString(text.c_str()), 0xFFFFFFFF, 0);
    }
    EXPECT_EQ(3, font.GetTextCacheCount());
    // 24 lines of 12-point text fit the 512-pixel atlas, but not below the three rows.
    std::string tall;
    for (int i = 0; i < 24; ++i)
        tall += "row\n";
    CVortanSurface probe;
    CVortanSurfaceDesc pd = Desc(8, 8, VORTAN_PIXEL_ARGB8888);
    ASSERT_EQ(VORTAN_OK, probe.Create(nullptr, &pd));
    CVortanRect m = {0, 0, 500, 10};
    int h = probe.DrawText(&m, kFamily, 12, CVortanString(tall.c_str()), 0xFFFFFFFF,
                           VORTAN_TEXT_MEASURE);
    probe.Release();
    ASSERT_GT(h, 512 - 3 * 14);
    ASSERT_LE(h, 512);
    font.DrawSystemText(&target, r, kFamily, 12, CVortanString(tall.c_str()), 0xFFFFFFFF, 0);
    EXPECT_EQ(1, font.GetTextCacheCount());
    EXPECT_EQ(512, font.GetTextAtlas()->GetHeight());
    // Taller than the atlas: it grows, but not beyond 1024.
    std::string taller;
    for (int i = 0; i < 40; ++i)
        taller += "row\n";
    font.DrawSystemText(&target, r, kFamily, 40, CVortanString(taller.c_str()), 0xFFFFFFFF, 0);
    EXPECT_EQ(1, font.GetTextCacheCount());
    EXPECT_EQ(1024, font.GetTextAtlas()->GetHeight());
    // Wider than any atlas: the cell is cut to 1024.
    CVortanRect huge = {0, 0, 3000, 64};
    font.DrawSystemText(&target, huge, kFamily, 12, CVortanString("wide"), 0xFFFFFFFF, 0);
    EXPECT_EQ(1024, font.GetTextAtlas()->GetWidth());
    EXPECT_LE(font.GetTextAtlas()->GetHeight(), 1024);
    font.Unload();
    target.Release();
}

// --- tinting
// ---------------------------------------------------------------------------------------

TEST(TintPixels, MultipliesEachChannelAndStaysInTheBuffer)
{
    u32 pixels[4 * 3];
    for (int i = 0; i < 12; ++i)
        pixels[i] = 0xFF808040;
    CVortanRect r = {1, 1, 10, 10}; // reaches past the 4 x 3 buffer
    TintPixels(VORTAN_PIXEL_ARGB8888, (u8*)pixels, 16, 4, 3, r, 0x80FF0040);
    EXPECT_EQ(0xFF808040u, pixels[0]);
    EXPECT_EQ(0xFF808040u, pixels[4]);
    // A: 255*128/255 = 128, R: 128*255/255, G: 128*0, B: 64*64/255 = 16
    EXPECT_EQ(0x80800010u, pixels[5]);
    EXPECT_EQ(0x80800010u, pixels[11]);
    // Format VORTAN_PIXEL_ABGR8888: the colour's red multiplies the red byte (bits 0-7).
    u32 abgr = 0xFF4080C0;
    CVortanRect one = {0, 0, 1, 1};
    TintPixels(VORTAN_PIXEL_ABGR8888, (u8*)&abgr, 4, 1, 1, one, 0xFF0000FF);
    EXPECT_EQ(0xFF400000u, abgr);
    // Other formats are left alone; rectangles wholly outside do nothing.
    u32 keep = 0x12345678;
    TintPixels(VORTAN_PIXEL_RGB565, (u8*)&keep, 4, 1, 1, one, 0);
    CVortanRect outside = {-5, -5, 0, 0};
    TintPixels(VORTAN_PIXEL_ARGB8888, (u8*)&keep, 4, 1, 1, outside, 0);
    EXPECT_EQ(0x12345678u, keep);
}
