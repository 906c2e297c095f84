// Surfaces without GL: creation in every format, native pixels, clip, frames, colour key,
// the stretch core's refusals and extreme rectangles (its pixels are checked against the
// model in softdraw_test) and the X drawable bridge.
#include <gtest/gtest.h>
#include <string.h>

#include "engine/graphics/VortanSurface.h"
#include "engine/platform/VortanApplication.h"
#include "tests/graphics/SurfacePixels.h"
#include "tests/support/GraphicsTestWindow.h"

namespace {

using gtest_graphics::SetWord;
using gtest_graphics::Word;

gtest_graphics::GLEnvironment* const g_env =
    vtest::AddDisplayEnvironment<gtest_graphics::GLEnvironment>();

using gtest_graphics::PaletteApp;

CVortanSurfaceDesc Desc(int w, int h, int format, u32 flags = 0)
{
    return CVortanSurfaceDesc{w, h, 12345, format, flags}; // the pitch is ignored by Create
}

u16 Half(CVortanSurface& s, int x, int y)
{
    return ((u16*)(s.GetPixels() + (size_t)y * s.GetPitch()))[x];
}

} // namespace

TEST(SurfaceCreate, EveryFormatGetsItsPitchZeroedPixelsClipAndOneFrame)
{
    const int bytes[8] = {0, 1, 2, 2, 2, 3, 4, 4};
    for (int format = VORTAN_PIXEL_PALETTE8; format <= VORTAN_PIXEL_ABGR8888; ++format) {
        CVortanSurface s;
        CVortanSurfaceDesc d = Desc(13, 5, format);
        ASSERT_EQ(VORTAN_OK, s.Create(nullptr, &d)) << format;
        EXPECT_EQ(13 * bytes[format], s.GetPitch());
        ASSERT_EQ((u32)(5 * 13 * bytes[format]), s.GetDataSize());
        for (u32 i = 0; i < s.GetDataSize(); ++i)
            ASSERT_EQ(0, s.GetPixels()[i]) << "format " << format << " byte " << i;
        EXPECT_EQ(5, s.GetClipRect().bottom);
        s.Release();
        EXPECT_EQ(nullptr, s.GetPixels());
    }
}

TEST(SurfaceCreate, FormatZeroIsTheDisplayFormatAndBadDescriptionsAreRefused)
{
    CVortanSurface s;
    CVortanSurfaceDesc d = Desc(4, 4, VORTAN_PIXEL_DISPLAY);
    ASSERT_EQ(VORTAN_OK, s.Create(nullptr, &d));
    EXPECT_EQ(VORTAN_PIXEL_ABGR8888, s.GetPixelFormat());
    PaletteApp app;
    ASSERT_EQ(VORTAN_OK, s.Create(&app, &d));
    // No back buffer yet: VORTAN_PIXEL_DISPLAY reads as VORTAN_PIXEL_ABGR8888.
    EXPECT_EQ(VORTAN_PIXEL_ABGR8888, s.GetPixelFormat());

    for (CVortanSurfaceDesc bad :
         {Desc(0, 4, VORTAN_PIXEL_ABGR8888), Desc(4, 0, VORTAN_PIXEL_ABGR8888)})
        EXPECT_EQ(VORTAN_E_ARGUMENT, s.Create(nullptr, &bad));
    EXPECT_EQ(VORTAN_E_ARGUMENT, s.Create(nullptr, nullptr));
    d = Desc(4, 4, 9);
    EXPECT_EQ(VORTAN_E_VERSION, s.Create(&app, &d));
    EXPECT_EQ(nullptr, s.GetPixels());
    s.Release();
}

TEST(SurfaceCreate, OnBufferComputesAMissingPitchAndNeverFreesTheBuffer)
{
    u32 buffer[6 * 3];
    for (int i = 0; i < 18; ++i)
        buffer[i] = 0x11111111u * (u32)(i % 15);
    CVortanSurface s;
    CVortanSurfaceDesc d = Desc(6, 3, VORTAN_PIXEL_ABGR8888);
    d.pitch = 0;
    ASSERT_EQ(VORTAN_OK, s.CreateOnBuffer(nullptr, &d, buffer));
    EXPECT_EQ(24, s.GetPitch());
    EXPECT_EQ((u8*)buffer, s.GetPixels());
    EXPECT_EQ(0x11111111u * 7, Word(s, 1, 1));
    ASSERT_EQ(VORTAN_OK, s.Clear(0, nullptr));
    EXPECT_EQ(0u, buffer[17]);
    s.Release(); // the buffer is the caller's: a free here would be caught by ASan
    buffer[0] = 5;
    EXPECT_EQ(VORTAN_E_ARGUMENT, s.CreateOnBuffer(nullptr, &d, nullptr));
}

TEST(SurfacePixels, NativePixelsAndReadBackAreExact)
{
    CVortanSurface s;
    CVortanSurfaceDesc d = Desc(4, 4, VORTAN_PIXEL_RGB565);
    ASSERT_EQ(VORTAN_OK, s.Create(nullptr, &d));
    EXPECT_EQ(0x1546u, s.ToNativePixel(0xFF12AB34));
    ((u16*)s.GetPixels())[1] = 0x1546;
    EXPECT_EQ(0xFF10A830u, s.GetPixel(1, 0));
    EXPECT_EQ(0xFFF8FCF8u, (((u16*)s.GetPixels())[2] = 0xFFFF, s.GetPixel(2, 0)));
    ASSERT_EQ(VORTAN_OK, s.CreateAlphaPlane());
    s.GetAlphaPlane()[1] = 0x40;
    EXPECT_EQ(0x4010A830u, s.GetPixel(1, 0));
    EXPECT_EQ(0u, s.GetPixel(4, 0));
    EXPECT_EQ(0u, s.GetPixel(-1, 0));
    s.SetLockFlags(0);
    s.GetPixel(0, 0);
    EXPECT_EQ(1u, s.GetLockFlags()); // reading never uploads

    d = Desc(2, 2, VORTAN_PIXEL_ABGR8888);
    ASSERT_EQ(VORTAN_OK, s.Create(nullptr, &d));
    SetWord(s, 0, 0, s.ToNativePixel(0x80112233));
    const u8 bytes[4] = {0x11, 0x22, 0x33, 0x80}; // memory R, G, B, A
    EXPECT_EQ(0, memcmp(bytes, s.GetPixels(), 4));
    EXPECT_EQ(0x80112233u, s.GetPixel(0, 0));

    for (int format : {VORTAN_PIXEL_RGB444, VORTAN_PIXEL_RGB555, VORTAN_PIXEL_RGB888}) {
        d = Desc(2, 2, format);
        ASSERT_EQ(VORTAN_OK, s.Create(nullptr, &d));
        EXPECT_EQ(0xFFFFFFFFu, s.ToNativePixel(0xFF123456)) << format;
    }
    // 16- and 24-bit pixels read back as the colours they hold.
    d = Desc(2, 1, VORTAN_PIXEL_RGB444);
    ASSERT_EQ(VORTAN_OK, s.Create(nullptr, &d));
    ((u16*)s.GetPixels())[0] = 0x0F5A;
    EXPECT_EQ(0xFFFF55AAu, s.GetPixel(0, 0)); // nibbles widened
    d = Desc(2, 1, VORTAN_PIXEL_RGB555);
    ASSERT_EQ(VORTAN_OK, s.Create(nullptr, &d));
    ((u16*)s.GetPixels())[0] = (u16)((31 << 10) | (1 << 5) | 2);
    EXPECT_EQ(0xFFFF0810u, s.GetPixel(0, 0)); // 5 bits widened
    d = Desc(2, 1, VORTAN_PIXEL_RGB888);
    ASSERT_EQ(VORTAN_OK, s.Create(nullptr, &d));
    s.PutPixel(1, 0, 0xFF102030);
    EXPECT_EQ(0x10, s.GetPixels()[3]);
    EXPECT_EQ(0x30, s.GetPixels()[5]);
    EXPECT_EQ(0xFF102030u, s.GetPixel(1, 0));
    s.Release();
}

TEST(SurfacePixels, PaletteFormatGoesThroughTheApplicationsLookup)
{
    PaletteApp app;
    CVortanSurface s;
    CVortanSurfaceDesc d = Desc(4, 1, VORTAN_PIXEL_PALETTE8);
    ASSERT_EQ(VORTAN_OK, s.Create(&app, &d));
    // 3-3-2 palette: pure red is entry 7 << 5 = 224, pure blue 3; white 255.
    EXPECT_EQ(224u, s.ToNativePixel(0xFFFF0000));
    EXPECT_EQ(255u, s.ToNativePixel(0xFFFFFFFF));
    s.GetPixels()[2] = 224;
    EXPECT_EQ(0xFFFF0000u, s.GetPixel(2, 0));
    s.PutPixel(3, 0, 0xFF0000FF);
    EXPECT_EQ(3, s.GetPixels()[3]);
    s.Release();
}

TEST(SurfacePixels, ColorKeyTakesTheLow24BitsOfThePixel)
{
    CVortanSurface s;
    EXPECT_EQ(VORTAN_E_RANGE, s.SetColorKeyFromPixel(0, 0));
    CVortanSurfaceDesc d = Desc(2, 2, VORTAN_PIXEL_ARGB8888);
    ASSERT_EQ(VORTAN_OK, s.Create(nullptr, &d));
    SetWord(s, 1, 0, 0x7F00FF00u);
    EXPECT_EQ(VORTAN_OK, s.SetColorKeyFromPixel(1, 0));
    EXPECT_EQ(0x00FF00u, s.GetColorKey());
    EXPECT_EQ(1u, s.GetLockFlags());
    EXPECT_EQ(VORTAN_OK, s.SetColorKeyFromPixel(5, 5));
    EXPECT_EQ(0u, s.GetColorKey());
    d = Desc(2, 2, VORTAN_PIXEL_RGB888);
    ASSERT_EQ(VORTAN_OK, s.Create(nullptr, &d));
    s.GetPixels()[0] = 1;
    s.GetPixels()[1] = 2;
    s.GetPixels()[2] = 3;
    EXPECT_EQ(VORTAN_OK, s.SetColorKeyFromPixel(0, 0));
    EXPECT_EQ(0x030201u, s.GetColorKey());
    s.Release();
}

TEST(SurfaceClip, ClipIsClampedIntoTheSurface)
{
    CVortanSurface s;
    CVortanSurfaceDesc d = Desc(20, 10, VORTAN_PIXEL_ABGR8888);
    ASSERT_EQ(VORTAN_OK, s.Create(nullptr, &d));
    CVortanRect r = {-5, -5, 25, 15};
    s.SetClipRect(&r);
    EXPECT_EQ(0, s.GetClipRect().top);
    EXPECT_EQ(20, s.GetClipRect().right);
    r.Set(30, 2, 4, 3);
    s.SetClipRect(&r);
    EXPECT_EQ(20, s.GetClipRect().left); // right <= left: draws nothing
    EXPECT_EQ(4, s.GetClipRect().right);
    s.Release();
}

TEST(SurfaceFrames, GridAndWholeSurfaceFallbacks)
{
    CVortanSurface s;
    CVortanSurfaceDesc d = Desc(64, 48, VORTAN_PIXEL_ABGR8888);
    ASSERT_EQ(VORTAN_OK, s.Create(nullptr, &d));
    CVortanRect r;
    s.GetFrameRect(3, &r); // 1 x 1 grid
    EXPECT_EQ(64, r.right);
    s.SetFrameSize(0, 16); // ignored
    EXPECT_EQ(1, s.GetFrameColumns());
    s.SetFrameSize(16, 16);
    EXPECT_EQ(3, s.GetFrameRows());
    s.GetFrameRect(5, &r);
    EXPECT_EQ(16, r.left);
    EXPECT_EQ(32, r.bottom);
    s.GetFrameRect(12, &r);
    EXPECT_EQ(0, r.left);
    EXPECT_EQ(48, r.bottom);
    s.GetFrameRect(-1, &r);
    EXPECT_EQ(64, r.right);
    CVortanFloatRect u;
    s.GetFrameRectUnit(5, &u);
    EXPECT_FLOAT_EQ(1.0f / 3.0f, u.top);
    s.Release();
    CVortanSurface empty;
    empty.GetFrameRect(0, &r); // unset grid
    EXPECT_EQ(0, r.right);
}

TEST(SurfaceClear, RectangleIsClampedAndFillsTheAlphaPlane)
{
    CVortanSurface s;
    CVortanSurfaceDesc d = Desc(8, 4, VORTAN_PIXEL_RGB565);
    ASSERT_EQ(VORTAN_OK, s.Create(nullptr, &d));
    ASSERT_EQ(VORTAN_OK, s.CreateAlphaPlane());
    CVortanRect clip = {0, 0, 1, 1};
    s.SetClipRect(&clip); // Clear ignores the clip
    CVortanRect r = {6, -3, 20, 2};
    ASSERT_EQ(VORTAN_OK, s.Clear(0x80FFFFFF, &r));
    EXPECT_EQ(0xFFFF, Half(s, 7, 1));
    EXPECT_EQ(0x80, s.GetAlphaPlane()[1 * 8 + 7]);
    EXPECT_EQ(0, Half(s, 5, 1));
    EXPECT_EQ(0, Half(s, 7, 2));
    r.Set(9, 0, 12, 4); // wholly outside
    EXPECT_EQ(VORTAN_OK, s.Clear(0xFFFFFFFF, &r));
    ASSERT_EQ(VORTAN_OK, s.Clear(0, nullptr));
    EXPECT_EQ(0, Half(s, 7, 1));
    EXPECT_EQ(0, s.GetAlphaPlane()[15]);
    s.Release();
    EXPECT_EQ(VORTAN_E_RANGE, s.Clear(0, nullptr));
}

// --- stretch core ---------------------------------------------------------------------------

class Stretch : public ::testing::Test {
protected:
    void Make(CVortanSurface& s, int w, int h, int format)
    {
        CVortanSurfaceDesc d = Desc(w, h, format);
        ASSERT_EQ(VORTAN_OK, s.Create(nullptr, &d));
    }
    // Source pixel (x, y) = 0xFF00yyxx.
    void Numbered(CVortanSurface& s, int w, int h, int format)
    {
        Make(s, w, h, format);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                SetWord(s, x, y, 0xFF000000u | (u32)(y << 8) | (u32)x);
    }
    void TearDown() override
    {
        src.Release();
        dst.Release();
    }
    CVortanSurface src, dst;
};

TEST_F(Stretch, AnotherSourceFormatIsRefusedOnTheNearestPath)
{
    Numbered(src, 4, 4, VORTAN_PIXEL_ARGB8888);
    Make(dst, 4, 4, VORTAN_PIXEL_ABGR8888);
    EXPECT_EQ(VORTAN_E_VERSION, dst.BlitStretch(nullptr, &src, nullptr, 0));
    EXPECT_EQ(0u, Word(dst, 1, 1));
    EXPECT_EQ(VORTAN_E_ARGUMENT, dst.BlitStretch(nullptr, nullptr, nullptr, 0));
}

TEST_F(Stretch, RectanglesAtTheEndsOfTheIntRangeAreRefusedOrCutSafely)
{
    const int kMin = -2147483647 - 1, kMax = 2147483647;
    Numbered(src, 10, 10, VORTAN_PIXEL_ABGR8888);
    Make(dst, 20, 20, VORTAN_PIXEL_ABGR8888);
    CVortanRect huge = {kMin, 0, kMax, 10}; // 2^32 - 1 wide: no int holds its width
    EXPECT_EQ(VORTAN_E_ARGUMENT, dst.BlitStretch(&huge, &src, nullptr, 0));
    EXPECT_EQ(VORTAN_E_ARGUMENT, dst.BlitStretch(nullptr, &src, &huge, 0));
    EXPECT_EQ(VORTAN_E_ARGUMENT, dst.BlitStretchTinted(&huge, &src, nullptr, 0xFF808080u, 0));
    huge.Set(0, kMin, 10, kMax);
    EXPECT_EQ(VORTAN_E_ARGUMENT, dst.BlitStretch(&huge, &src, nullptr, 0));

    // Narrow rectangles far out: the distances to the clip and the source need 64 bits.
    CVortanRect far[4];
    far[0].Set(kMin, 0, kMin + 10, 10);
    far[1].Set(kMax - 10, 0, kMax, 10);
    far[2].Set(0, kMin, 10, kMin + 10);
    far[3].Set(0, kMax - 10, 10, kMax);
    for (const CVortanRect& r : far) {
        EXPECT_EQ(VORTAN_OK, dst.BlitStretch(&r, &src, nullptr, 0));
        EXPECT_EQ(VORTAN_OK,
                  dst.BlitStretch(&r, &src, nullptr, VORTAN_BLIT_MIRROR_X | VORTAN_BLIT_MIRROR_Y));
        // A source part outside the source.
        EXPECT_EQ(VORTAN_OK, dst.BlitStretch(nullptr, &src, &r, 0));
        EXPECT_EQ(VORTAN_OK,
                  dst.BlitStretch(nullptr, &src, &r, VORTAN_BLIT_MIRROR_X | VORTAN_BLIT_MIRROR_Y));
    }
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(0u, Word(dst, x, y)) << x << "," << y;

    // A one-pixel source rectangle at the far right of the int range is cut to nothing.
    CVortanRect from, to;
    from.Set(kMax - 1, 0, kMax, 1);
    EXPECT_EQ(VORTAN_OK, dst.BlitStretch(nullptr, &src, &from, 0));
    from.Set(0, 0, 3, 1);
    to.Set(kMin, 0, 5, 1);
    EXPECT_EQ(VORTAN_E_ARGUMENT, dst.BlitStretch(&to, &src, &from, 0)); // 2^31 + 5 wide
    // Three source columns over 3 * 2^29 target columns from -2^30: the 2^30 columns left
    // of the surface drop source columns 0 and 1; the 2^29 - 20 right of it (2^29 - 32 as a
    // float) drop none. Every drawn column shows source column 2.
    to.Set(-(1 << 30), 0, 1 << 29, 1);
    EXPECT_EQ(VORTAN_OK, dst.BlitStretch(&to, &src, &from, 0));
    for (int x = 0; x < 20; ++x)
        EXPECT_EQ(0xFF000002u, Word(dst, x, 0)) << x;
    EXPECT_EQ(0u, Word(dst, 0, 1));
}

// --- X drawable bridge -------------------------------------------------------------------

TEST(SurfaceBridge, PixelsGoThroughAnXPixmapAndBack)
{
    PaletteApp app;
    CVortanSurface s;
    CVortanSurfaceDesc d = Desc(6, 4, VORTAN_PIXEL_ARGB8888);
    ASSERT_EQ(VORTAN_OK, s.Create(&app, &d));
    SetWord(s, 2, 1, 0x00123456u);
    _XGC* gc = nullptr;
    ASSERT_EQ(VORTAN_OK, s.LockDrawable(&gc));
    ASSERT_NE(nullptr, gc);
    _XGC* second = nullptr;
    EXPECT_EQ(VORTAN_E_BRIDGE_BUSY, s.LockDrawable(&second));
    Display* display = app.GetDisplay();
    XSetForeground(display, gc, 0x00ABCDEF);
    XFillRectangle(display, s.GetDrawablePixmap(), gc, 4, 0, 2, 4);
    SetWord(s, 0, 0, 0x00777777u); // overwritten by the copy-back
    s.UnlockDrawable(gc, 1);
    EXPECT_EQ(nullptr, gc);
    EXPECT_EQ(0x00123456u, Word(s, 2, 1) & 0xFFFFFF);
    EXPECT_EQ(0x00ABCDEFu, Word(s, 5, 3) & 0xFFFFFF);
    EXPECT_EQ(0u, Word(s, 0, 0) & 0xFFFFFF);
    // Without copy-back the pixels stay.
    ASSERT_EQ(VORTAN_OK, s.LockDrawable(&gc));
    SetWord(s, 0, 0, 0x00777777u);
    s.UnlockDrawable(gc, 0);
    EXPECT_EQ(0x00777777u, Word(s, 0, 0));
    s.Release();
    EXPECT_EQ(VORTAN_E_RANGE, s.LockDrawable(&gc));
}

TEST(SurfaceBridge, FailuresAreCodesNotExits)
{
    CVortanSurface s;
    CVortanSurfaceDesc d = Desc(4, 4, VORTAN_PIXEL_ARGB8888);
    ASSERT_EQ(VORTAN_OK, s.Create(nullptr, &d));
    _XGC* gc = nullptr;
    EXPECT_EQ(VORTAN_E_BRIDGE_FAILED, s.LockDrawable(&gc)); // no application, no display
    PaletteApp app;
    EXPECT_EQ(VORTAN_E_ARGUMENT, s.CreateFromDrawable(&app, &d, 0));
    // A drawable id that does not exist: the X error is trapped.
    EXPECT_EQ(VORTAN_E_BRIDGE_FAILED, s.CreateFromDrawable(&app, &d, 0x3FFFFF1));
    s.Release();
}

TEST(SurfaceBridge, FromDrawableDerivesTheMissingSide)
{
    PaletteApp app;
    Display* display = app.GetDisplay();
    Pixmap pixmap = XCreatePixmap(display, DefaultRootWindow(display), 200, 100, 24);
    CVortanSurface s;
    CVortanSurfaceDesc d = Desc(51, 0, VORTAN_PIXEL_ARGB8888, VORTAN_SURFACE_KEEP_ASPECT);
    ASSERT_EQ(VORTAN_OK, s.CreateFromDrawable(&app, &d, pixmap));
    EXPECT_EQ(52, s.GetWidth()); // odd width made even
    EXPECT_EQ(25, s.GetHeight());
    d = Desc(0, 0, VORTAN_PIXEL_ARGB8888);
    ASSERT_EQ(VORTAN_OK, s.CreateFromDrawable(&app, &d, pixmap));
    EXPECT_EQ(200, s.GetWidth());
    EXPECT_EQ(100, s.GetHeight());
    s.Release();
    XFreePixmap(display, pixmap);
}
