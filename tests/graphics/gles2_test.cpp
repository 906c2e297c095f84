// The GLES2 drawing extension on Mesa (llvmpipe) under Xvfb: EGL set-up and restore, every
// drawing operation read back with glReadPixels (+-2 per channel), clip and scissor,
// binding caches and counters; the surfaces' texture mirrors; the GL-free extension.
#include <gtest/gtest.h>
#include <math.h>
#include <stdio.h>

#include <tuple>
#include <vector>

#include "engine/graphics/Vortan3DProgram.h"
#include "engine/graphics/VortanGraphicsExt_GLES2.h"
#include "engine/graphics/VortanGraphicsExt_Null.h"
#include "engine/graphics/VortanSurface.h"
#include "tests/support/GraphicsTestWindow.h"

using gtest_graphics::Near;
using gtest_graphics::ReadPixel;

namespace {

gtest_graphics::GLEnvironment* const g_env =
    vtest::AddDisplayEnvironment<gtest_graphics::GLEnvironment>(800, 480);

std::string Hex(u32 v)
{
    char text[16];
    snprintf(text, sizeof(text), "%08X", v);
    return text;
}

#define EXPECT_PIXEL(expected, x, y)                                                               \
    do {                                                                                           \
        u32 got_ = ReadPixel((x), (y));                                                            \
        EXPECT_TRUE(Near((expected), got_)) << "at " << (x) << "," << (y) << " expected "          \
                                            << Hex(expected) << " got " << Hex(got_);              \
    } while (0)

// Several {colour, x, y} expectations at once.
#define EXPECTS(...)                                                                               \
    do {                                                                                           \
        for (const auto& e_ : std::vector<std::tuple<u32, int, int>> __VA_ARGS__)                  \
            EXPECT_PIXEL(std::get<0>(e_), std::get<1>(e_), std::get<2>(e_));                       \
    } while (0)

class Gles2 : public gtest_graphics::GLES2Test {
protected:
    void TearDown() override
    {
        for (CVortanSurface* s : surfaces) {
            s->Release();
            delete s;
        }
        GLES2Test::TearDown();
    }
    // A textured surface filled with one colour (format VORTAN_PIXEL_ABGR8888 unless told
    // otherwise).
    CVortanSurface* Solid(int w, int h, u32 color, int format = VORTAN_PIXEL_ABGR8888)
    {
        CVortanSurface* s = new CVortanSurface();
        surfaces.push_back(s);
        CVortanSurfaceDesc d = {w, h, 0, format, VORTAN_SURFACE_TEXTURE};
        EXPECT_EQ(VORTAN_OK, s->Create(nullptr, &d));
        s->Clear(color, nullptr);
        return s;
    }
    // A surface of the format without a texture yet, with an alpha plane when asked.
    struct FormatCase {
        int format;
        bool alphaPlane;
    };
    static ::testing::AssertionResult Plain(CVortanSurface& s, int w, int h, const FormatCase& c)
    {
        CVortanSurfaceDesc d = {w, h, 0, c.format, 0};
        if (s.Create(nullptr, &d) != VORTAN_OK)
            return ::testing::AssertionFailure() << "no surface of format " << c.format;
        if (c.alphaPlane && s.CreateAlphaPlane() != VORTAN_OK)
            return ::testing::AssertionFailure() << "no alpha plane for format " << c.format;
        return ::testing::AssertionSuccess();
    }
    // Left half one colour, right half another.
    CVortanSurface* Halves(int w, int h, u32 left, u32 right)
    {
        CVortanSurface* s = Solid(w, h, left);
        CVortanRect r = {w / 2, 0, w, h};
        s->Clear(right, &r);
        return s;
    }

    std::vector<CVortanSurface*> surfaces;
};

} // namespace

TEST_F(Gles2, CreateBuildsTheContextAndTheSevenPrograms)
{
    EXPECT_EQ(7, ext.GetProgramListSize());
    for (int role = 0; role < CVortanGraphicsExt_GLES2::PROGRAM_COUNT; ++role) {
        ASSERT_NE(nullptr, ext.GetProgram(role));
        EXPECT_NE(0u, ext.GetProgram(role)->GetProgramId());
    }
    EXPECT_EQ(8, ext.GetRedBits()); // the config matches the window's 24-bit visual
    ext.Clear(0xFF123456, nullptr);
    EXPECTS({{0xFF123456u, 0, 0}, {0xFF123456u, 799, 479}});
    EXPECT_EQ(1, ext.Present());
}

TEST_F(Gles2, FailedCreateLeavesNothingAliveAndCreateAgainWorks)
{
    ext.Close();
    EXPECT_EQ(0, ext.Present());
    EXPECT_EQ(VORTAN_E_FAIL, ext.Create(0x3FFFFF1)); // no such window
    EXPECT_EQ(nullptr, ext.GetEGLDisplay());
    EXPECT_EQ(nullptr, ext.GetEGLSurface());
    EXPECT_EQ(nullptr, ext.GetEGLContext());
    EXPECT_EQ(0, ext.GetProgramListSize());
    ASSERT_EQ(VORTAN_OK, ext.Create(g_env->window->Id()));
    ASSERT_EQ(VORTAN_OK, ext.Resize(800, 480));
    ext.Clear(0xFF00FF00, nullptr);
    EXPECT_PIXEL(0xFF00FF00u, 10, 10);
}

TEST_F(Gles2, RestoreReplacesTheContextAndTexturesComeBackIdentical)
{
    CVortanSurface* s = Solid(16, 16, 0xFF204060);
    CVortanRect r = {8, 0, 16, 8};
    s->Clear(0xFFC08040, &r);
    ASSERT_EQ(VORTAN_OK, ext.Blit(100, 100, s, nullptr, 0));
    std::vector<u32> before;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            before.push_back(ReadPixel(100 + x, 100 + y));
    for (int round = 0; round < 2; ++round) {
        // What the resource manager does around a lost context.
        s->DeleteTexture();
        EXPECT_EQ(0u, s->GetTexture());
        ASSERT_EQ(VORTAN_OK, ext.Restore()) << round;
        ASSERT_EQ(VORTAN_OK, ext.Resize(800, 480));
        EXPECT_EQ(7, ext.GetProgramListSize());
        ASSERT_EQ(VORTAN_OK, s->RecreateTexture());
        ext.Clear(0xFF000000, nullptr);
        ASSERT_EQ(VORTAN_OK, ext.Blit(100, 100, s, nullptr, 0));
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(before[(size_t)(y * 16 + x)], ReadPixel(100 + x, 100 + y))
                    << x << "," << y;
    }
    CVortanSurface never;
    EXPECT_EQ(VORTAN_E_MALFORMED, never.RecreateTexture());
}

TEST_F(Gles2, ClearWithARectangleTouchesOnlyItAndRestoresTheClip)
{
    CVortanRect r = {10, 20, 30, 40};
    ASSERT_EQ(VORTAN_OK, ext.Clear(0xFFFF0000, &r));
    EXPECTS({{0xFFFF0000u, 10, 20},
             {0xFFFF0000u, 29, 39},
             {0xFF000000u, 9, 20},
             {0xFF000000u, 30, 39},
             {0xFF000000u, 10, 40}});

    CVortanRect clip = {100, 100, 200, 150};
    ext.SetClipRect(&clip);
    ASSERT_EQ(VORTAN_OK, ext.Clear(0xFF00FF00, &r));
    EXPECT_PIXEL(0xFF00FF00u, 15, 25);
    // The clip, not the cleared rectangle, cuts what is drawn next (a fill and a blit).
    ext.FillGradient(0xFF0000FF, 0xFF0000FF, 0xFF0000FF, 0xFF0000FF, nullptr);
    EXPECTS({{0xFF0000FFu, 100, 100},
             {0xFF0000FFu, 199, 149},
             {0xFF000000u, 200, 149},
             {0xFF000000u, 150, 99},
             {0xFF00FF00u, 15, 25}});
    ext.Clear(0xFF000000, nullptr);
    ext.Clear(0xFF00FF00, &r);
    CVortanSurface* s = Solid(300, 200, 0xFFFF0000);
    ASSERT_EQ(VORTAN_OK, ext.Blit(0, 0, s, nullptr, 0));
    EXPECTS({{0xFFFF0000u, 100, 100},
             {0xFFFF0000u, 199, 149},
             {0xFF000000u, 200, 100},
             {0xFF000000u, 100, 150},
             {0xFF00FF00u, 15, 25}});
}

TEST_F(Gles2, ClipRectangleIsClampedToTheTarget)
{
    CVortanRect clip = {900, -20, 1000, 100};
    ext.SetClipRect(&clip);
    EXPECT_EQ(800, ext.GetClipRect().left);
    EXPECT_EQ(0, ext.GetClipRect().top);
    ext.FillGradient(0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, nullptr);
    EXPECT_PIXEL(0xFF000000u, 799, 50); // an empty clip draws nothing
    clip.Set(50, 60, 40, 30);           // right and bottom below left and top
    ext.SetClipRect(&clip);
    EXPECT_EQ(50, ext.GetClipRect().right);
    EXPECT_EQ(60, ext.GetClipRect().bottom);
    ext.SetClipRect(nullptr);
    EXPECT_EQ(480, ext.GetClipRect().bottom);
    ext.FillGradient(0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, nullptr);
    EXPECTS({{0xFFFFFFFFu, 0, 0}, {0xFFFFFFFFu, 799, 479}});
}

// The clip is held back while what is drawn lies within it; it must still cut whatever would
// reach outside, whichever clip was in force before, including the GL drawing of others.
TEST_F(Gles2, HeldBackClipStillCutsEveryDrawingThatReachesOutsideIt)
{
    CVortanSurface* s = Solid(100, 100, 0xFFFF0000);
    CVortanRect wide = {0, 0, 400, 300}, narrow = {50, 50, 120, 90};
    // Within the wide clip: drawn whole.
    ext.SetClipRect(&wide);
    ASSERT_EQ(VORTAN_OK, ext.Blit(10, 10, s, nullptr, 0));
    EXPECTS({{0xFFFF0000u, 10, 10}, {0xFFFF0000u, 109, 109}, {0xFF000000u, 110, 110}});
    // A blit reaching past the narrow clip is cut to it.
    ext.Clear(0xFF000000, nullptr);
    ext.SetClipRect(&narrow);
    ext.Blit(40, 40, s, nullptr, 0);
    EXPECTS({{0xFFFF0000u, 50, 50},
             {0xFFFF0000u, 119, 89},
             {0xFF000000u, 49, 60},
             {0xFF000000u, 120, 60},
             {0xFF000000u, 60, 90}});
    // Back to the wide clip: a blit inside the wide clip but past the narrow one is whole.
    ext.SetClipRect(&wide);
    ext.Blit(200, 150, s, nullptr, 0);
    EXPECTS({{0xFFFF0000u, 200, 150}, {0xFFFF0000u, 299, 249}});
    // A blit touching the wide clip's edges exactly is whole; one past them is cut.
    ext.Clear(0xFF000000, nullptr);
    ext.SetClipRect(&narrow);
    ext.Blit(40, 40, s, nullptr, 0); // the narrow box into GL
    ext.SetClipRect(&wide);
    CVortanRect edge = {300, 200, 400, 300};
    ext.BlitStretch(&edge, s, nullptr, 0);
    EXPECTS({{0xFFFF0000u, 300, 200}, {0xFFFF0000u, 399, 299}});
    ext.Blit(350, 250, s, nullptr, 0);
    EXPECTS({{0xFFFF0000u, 399, 299}, {0xFF000000u, 400, 299}, {0xFF000000u, 399, 300}});
    // No clip after a narrow one: whole.
    ext.SetClipRect(&narrow);
    ext.Blit(40, 40, s, nullptr, 0);
    ext.SetClipRect(nullptr);
    ext.Blit(600, 300, s, nullptr, 0);
    EXPECTS({{0xFFFF0000u, 600, 300}, {0xFFFF0000u, 699, 399}});
    // Another's GL drawing after PrepareDraw: cut to the clip in force.
    ext.Clear(0xFF000000, nullptr);
    ext.SetClipRect(&narrow);
    ext.PrepareDraw();
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECTS({{0xFF0000FFu, 50, 50}, {0xFF000000u, 49, 50}, {0xFF000000u, 200, 200}});
    ext.SetClipRect(nullptr);
}

TEST_F(Gles2, BlitPlacesTheSourceAtItsPixelPosition)
{
    CVortanSurface* s = Solid(64, 32, 0xFFFF0000);
    ASSERT_EQ(VORTAN_OK, ext.Blit(10, 20, s, nullptr, 0));
    EXPECTS({{0xFFFF0000u, 10, 20},
             {0xFFFF0000u, 73, 51},
             {0xFF000000u, 9, 20},
             {0xFF000000u, 74, 20},
             {0xFF000000u, 10, 52}});
    // Centred on the target whatever the position.
    ext.Clear(0xFF000000, nullptr);
    ASSERT_EQ(VORTAN_OK,
              ext.BlitUnit(0.9f, 0.9f, s, nullptr, VORTAN_BLIT_CENTER_X | VORTAN_BLIT_CENTER_Y));
    EXPECTS({{0xFFFF0000u, 368, 224},
             {0xFFFF0000u, 431, 255},
             {0xFF000000u, 367, 224},
             {0xFF000000u, 432, 256}});
}

TEST_F(Gles2, UnusableSourcesAreRefusedAndDrawNothing)
{
    CVortanSurface plain;
    CVortanSurfaceDesc d = {8, 8, 0, VORTAN_PIXEL_ABGR8888, 0};
    ASSERT_EQ(VORTAN_OK, plain.Create(nullptr, &d));
    plain.Clear(0xFFFFFFFF, nullptr);
    EXPECT_EQ(VORTAN_E_ARGUMENT, ext.Blit(0, 0, &plain, nullptr, 0));
    EXPECT_EQ(VORTAN_E_ARGUMENT, ext.Blit(0, 0, &ext, nullptr, 0));
    EXPECT_EQ(VORTAN_E_ARGUMENT, ext.Blit(0, 0, nullptr, nullptr, 0));
    EXPECT_EQ(VORTAN_E_ARGUMENT, ext.BlitStretch(nullptr, &plain, nullptr, 0));
    EXPECT_EQ(VORTAN_E_ARGUMENT, ext.BlitRotated(0, 0, &plain, 0.0f, 8, 0));
    EXPECT_EQ(VORTAN_E_ARGUMENT, ext.BlitTinted(0, 0, &plain, nullptr, 0xFFFFFFFF, 0));
    EXPECT_EQ(VORTAN_E_ARGUMENT, ext.BlitStretchTinted(nullptr, &plain, nullptr, 0xFFFFFFFF, 0));
    EXPECTS({{0xFF000000u, 2, 2}, {0xFF000000u, 400, 240}});
    plain.Release();
}

TEST_F(Gles2, StretchWithNullRectanglesCoversTheTargetWithTheWholeTexture)
{
    CVortanSurface* s = Solid(2, 2, 0xFFFF0000);
    s->Lock(nullptr, 1);
    s->PutPixel(1, 0, 0xFF00FF00);
    s->PutPixel(0, 1, 0xFF0000FF);
    s->PutPixel(1, 1, 0xFFFFFFFF);
    s->Unlock();
    s->SetLockFlags(0);
    s->UploadTexture();
    ASSERT_EQ(VORTAN_OK, ext.BlitStretchUnit(nullptr, s, nullptr, 0));
    EXPECTS({{0xFFFF0000u, 5, 5},
             {0xFF00FF00u, 795, 5},
             {0xFF0000FFu, 5, 475},
             {0xFFFFFFFFu, 795, 475}});
    // Mirrored both ways.
    ASSERT_EQ(VORTAN_OK,
              ext.BlitStretch(nullptr, s, nullptr, VORTAN_BLIT_MIRROR_X | VORTAN_BLIT_MIRROR_Y));
    EXPECTS({{0xFFFFFFFFu, 5, 5}, {0xFFFF0000u, 795, 475}});
    // A pixel source rectangle selects texels; a pixel target rectangle places them.
    ext.Clear(0xFF000000, nullptr);
    CVortanRect from, to;
    from.Set(1, 0, 2, 1);
    to.Set(100, 100, 140, 120);
    ASSERT_EQ(VORTAN_OK, ext.BlitStretch(&to, s, &from, 0));
    // (Linear filtering mixes in the neighbours toward the rectangle's left and bottom.)
    EXPECTS({{0xFF00FF00u, 139, 101}, {0xFF00FF00u, 132, 101}});
    EXPECT_NE(0xFF000000u, ReadPixel(100, 119));
    EXPECTS({{0xFF000000u, 140, 119}, {0xFF000000u, 99, 100}});
}

TEST_F(Gles2, SourceRectangleOfABlitSetsTheSize)
{
    CVortanSurface* s = Halves(64, 32, 0xFFFF0000, 0xFF0000FF);
    CVortanRect right = {32, 0, 64, 32};
    ASSERT_EQ(VORTAN_OK, ext.Blit(0, 0, s, &right, 0));
    EXPECTS({{0xFF0000FFu, 1, 1}, {0xFF0000FFu, 30, 30}, {0xFF000000u, 33, 1}});
    ext.Clear(0xFF000000, nullptr);
    ASSERT_EQ(VORTAN_OK, ext.Blit(0, 0, s, nullptr, VORTAN_BLIT_MIRROR_X));
    EXPECTS({{0xFF0000FFu, 2, 5}, {0xFFFF0000u, 61, 5}});
}

TEST_F(Gles2, BlendTablesOfTheBlits)
{
    // Premultiplied: red 128 at alpha 128 over blue -> (128, 0, 255 * 127 / 255).
    CVortanSurface* half = Solid(8, 8, 0x80800000);
    ext.Clear(0xFF0000FF, nullptr);
    ASSERT_EQ(VORTAN_OK, ext.Blit(0, 0, half, nullptr, VORTAN_BLIT_ALPHA));
    EXPECT_PIXEL(0xFF80007Fu, 4, 4);
    // Without a blend flag the pixels are copied, alpha and all.
    ASSERT_EQ(VORTAN_OK, ext.Blit(20, 0, half, nullptr, 0));
    EXPECT_PIXEL(0xFF800000u, 24, 4);
    // Flag VORTAN_BLIT_HALFBLEND multiplies: (255, 128, 0) x (100, 200, 50).
    CVortanSurface* orange = Solid(8, 8, 0xFFFF8000);
    ext.Clear(0xFF64C832, nullptr);
    ASSERT_EQ(VORTAN_OK, ext.Blit(0, 0, orange, nullptr, VORTAN_BLIT_HALFBLEND));
    EXPECT_PIXEL(0xFF646400u, 4, 4);
    // Rotated blits take flag VORTAN_BLIT_COLORKEY as premultiplied blending too.
    ext.Clear(0xFF0000FF, nullptr);
    ASSERT_EQ(VORTAN_OK, ext.BlitRotated(100, 100, half, 0.0f, 8, VORTAN_BLIT_COLORKEY));
    EXPECT_PIXEL(0xFF80007Fu, 104, 104);
}

TEST_F(Gles2, TintedBlitsBlendWithTheColoursAlpha)
{
    CVortanSurface* white = Solid(8, 8, 0xFFFFFFFF);
    ext.Clear(0xFF000000, nullptr);
    ASSERT_EQ(VORTAN_OK, ext.BlitTinted(0, 0, white, nullptr, 0x80FF8000, 0));
    EXPECT_PIXEL(0xFF804000u, 4, 4);
    CVortanRect to = {100, 100, 150, 120};
    ASSERT_EQ(VORTAN_OK, ext.BlitStretchTinted(&to, white, nullptr, 0xFF00FF00, 0));
    EXPECTS({{0xFF00FF00u, 100, 100}, {0xFF00FF00u, 149, 119}, {0xFF000000u, 150, 119}});
    // Colour mix: vertex alpha 0 shows the vertex colour, alpha 255 the texture.
    CVortanSurface* red = Solid(8, 8, 0xFFFF0000);
    ASSERT_EQ(VORTAN_OK, ext.BlitTinted(200, 0, red, nullptr, 0x0000FF00, VORTAN_BLIT_ALPHAONLY));
    EXPECT_PIXEL(0xFF00FF00u, 204, 4);
    ASSERT_EQ(VORTAN_OK, ext.BlitTinted(220, 0, red, nullptr, 0xFF00FF00, VORTAN_BLIT_ALPHAONLY));
    EXPECT_PIXEL(0xFFFF0000u, 224, 4);
}

TEST_F(Gles2, RotatedBlitScalesAndTurnsAboutTheBoxCentre)
{
    CVortanSurface* s = Solid(64, 32, 0xFFFF0000);
    // Size 32 over the larger side 64: scale 0.5, a 32 x 16 box from (100, 100).
    ASSERT_EQ(VORTAN_OK, ext.BlitRotated(100, 100, s, 0.0f, 32, 0));
    EXPECTS({{0xFFFF0000u, 100, 100},
             {0xFFFF0000u, 131, 115},
             {0xFF000000u, 132, 108},
             {0xFF000000u, 116, 116}});
    // A quarter turn about the box centre (116, 108): 16 wide, 32 tall.
    ext.Clear(0xFF000000, nullptr);
    ASSERT_EQ(VORTAN_OK, ext.BlitRotated(100, 100, s, (float)M_PI / 2.0f, 32, 0));
    EXPECTS({{0xFFFF0000u, 116, 93},
             {0xFFFF0000u, 109, 122},
             {0xFF000000u, 102, 108},
             {0xFF000000u, 130, 108}});
    // Centre flags turn it about the target's centre.
    ext.Clear(0xFF000000, nullptr);
    ASSERT_EQ(VORTAN_OK,
              ext.BlitRotated(0, 0, s, 0.0f, 64, VORTAN_BLIT_CENTER_X | VORTAN_BLIT_CENTER_Y));
    EXPECTS({{0xFFFF0000u, 369, 225},
             {0xFFFF0000u, 430, 254},
             {0xFF000000u, 366, 240},
             {0xFF000000u, 400, 258}});
}

TEST_F(Gles2, ColouredQuadsGradientAdditiveDarkenAndLines)
{
    ext.FillGradient(0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, nullptr);
    EXPECTS({{0xFFFF0000u, 0, 0},
             {0xFF00FF00u, 799, 0},
             {0xFF0000FFu, 799, 479},
             {0xFFFFFFFFu, 0, 479}});
    // Additive: 100 + 255 * 128 / 255.
    ext.Clear(0xFF646464, nullptr);
    CVortanRect r = {10, 10, 20, 20};
    ASSERT_EQ(VORTAN_OK, ext.FillAdditive(0x80FF0000, &r));
    EXPECTS({{0xFFE46464u, 15, 15}, {0xFF646464u, 20, 15}});
    // Darken multiplies by the amount.
    ext.Clear(0xFFC86432, nullptr);
    ASSERT_EQ(VORTAN_OK, ext.Darken(nullptr, 0.5f));
    EXPECT_PIXEL(0xFF643219u, 300, 300);
    ASSERT_EQ(VORTAN_OK, ext.DarkenUnit(nullptr, 0.0f));
    EXPECT_PIXEL(0xFF000000u, 300, 300);
    // A horizontal line: colour 0 at its start, colour 1 at its end.
    ext.Clear(0xFF000000, nullptr);
    glDisable(GL_BLEND);
    ASSERT_EQ(VORTAN_OK, ext.DrawLine(10, 100, 410, 100, 0xFFFFFFFF, 0xFF000000));
    // The line lies on the edge between rows 99 and 100: either may hold it.
    u32 start = ReadPixel(12, 100) == 0xFF000000u ? ReadPixel(12, 99) : ReadPixel(12, 100);
    u32 middle = ReadPixel(210, 100) == 0xFF000000u ? ReadPixel(210, 99) : ReadPixel(210, 100);
    EXPECT_TRUE(Near(0xFFFEFEFEu, start, 3)) << Hex(start);
    EXPECT_TRUE(Near(0xFF7F7F7Fu, middle, 3)) << Hex(middle);
    EXPECT_PIXEL(0xFF000000u, 210, 110);
}

TEST_F(Gles2, BindingCachesAndCountersResetByPresent)
{
    CVortanSurface* s = Solid(8, 8, 0xFFFFFFFF);
    CVortanSurface* t = Solid(8, 8, 0xFF000000);
    ext.Present();
    ASSERT_EQ(VORTAN_OK, ext.Blit(0, 0, s, nullptr, 0));
    ASSERT_EQ(VORTAN_OK, ext.Blit(10, 0, s, nullptr, 0));
    EXPECT_EQ(1, ext.GetTextureBinds());
    EXPECT_LE(ext.GetProgramSwitches(), 1);
    ASSERT_EQ(VORTAN_OK, ext.Blit(20, 0, t, nullptr, 0));
    EXPECT_EQ(2, ext.GetTextureBinds());
    ASSERT_EQ(VORTAN_OK, ext.BlitTinted(30, 0, t, nullptr, 0xFFFFFFFF, 0));
    EXPECT_EQ(2, ext.GetTextureBinds());
    EXPECT_EQ(2, ext.GetProgramSwitches());
    ext.FillAdditive(0x10FFFFFF, nullptr); // unbinds the texture
    EXPECT_EQ(3, ext.GetTextureBinds());
    EXPECT_EQ(3, ext.GetProgramSwitches());
    EXPECT_EQ(1, ext.Present());
    EXPECT_EQ(0, ext.GetTextureBinds());
    EXPECT_EQ(0, ext.GetProgramSwitches());

    CVortan3DProgram* texture = ext.GetProgram(CVortanGraphicsExt_GLES2::PROGRAM_TEXTURE);
    float vertices[20] = {0};
    EXPECT_EQ(1, ext.UseProgram(texture, vertices));
    EXPECT_EQ(0, ext.UseProgram(texture, vertices));
    EXPECT_EQ(0, ext.UseProgram(texture, nullptr));
    EXPECT_EQ(1, ext.UseProgram(texture, vertices + 5));
    EXPECT_EQ(1, ext.BindTexture(GL_TEXTURE0, s->GetTexture()));
    EXPECT_EQ(0, ext.BindTexture(GL_TEXTURE0, s->GetTexture()));
    // A program switched behind the extension's back is noticed.
    glUseProgram(0);
    EXPECT_EQ(1, ext.UseProgram(texture, vertices + 5));
}

// --- texture mirrors of surfaces ------------------------------------------------------------

TEST_F(Gles2, EveryFormatUploadsItsRealColours)
{
    const FormatCase cases[] = {{VORTAN_PIXEL_RGB444, false},  {VORTAN_PIXEL_RGB444, true},
                                {VORTAN_PIXEL_RGB555, false},  {VORTAN_PIXEL_RGB555, true},
                                {VORTAN_PIXEL_RGB565, false},  {VORTAN_PIXEL_RGB565, true},
                                {VORTAN_PIXEL_RGB888, false},  {VORTAN_PIXEL_ARGB8888, false},
                                {VORTAN_PIXEL_ABGR8888, false}};
    const u32 colours[4] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    int x = 0;
    for (const FormatCase& c : cases) {
        CVortanSurface s;
        ASSERT_TRUE(Plain(s, 4, 1, c));
        for (int i = 0; i < 4; ++i) {
            s.WritePixel(i, 0, colours[i]);
            if (c.alphaPlane)
                s.GetAlphaPlane()[i] = i == 3 ? 0 : 255;
        }
        ASSERT_EQ(VORTAN_OK, s.CreateTextureForFormat(0)) << c.format;
        if (c.alphaPlane) {
            EXPECT_EQ((u32)GL_UNSIGNED_SHORT_4_4_4_4, s.GetTextureType());
        }
        CVortanRect to = {x, 300, x + 36, 310}; // 9 pixels a texel: pixel 9i + 4 is a texel centre
        ext.Clear(0xFF808080, &to);
        ASSERT_EQ(VORTAN_OK,
                  ext.BlitStretch(&to, &s, nullptr, c.alphaPlane ? VORTAN_BLIT_ALPHA : 0));
        // (A pixel with alpha 0 is premultiplied white: its colour adds fully to grey.)
        for (int i = 0; i < 4; ++i)
            EXPECT_PIXEL(c.alphaPlane && i == 3 ? 0xFFFFFFFFu : colours[i], x + 9 * i + 4, 305);
        s.Release();
        x += 50;
    }
}

// Whether a texture is opaque is read from what went up: the format's alpha (none, 4 bits, 8
// bits), every pixel, and again on each upload.
TEST_F(Gles2, ATexturesOpacityIsThatOfEveryPixelAsLastUploaded)
{
    const FormatCase cases[] = {{VORTAN_PIXEL_RGB565, false},
                                {VORTAN_PIXEL_RGB565, true},
                                {VORTAN_PIXEL_RGB888, false},
                                {VORTAN_PIXEL_ARGB8888, false},
                                {VORTAN_PIXEL_ABGR8888, false}};
    for (const FormatCase& c : cases) {
        CVortanSurface s;
        ASSERT_TRUE(Plain(s, 5, 3, c));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                s.WritePixel(x, y, 0xFF336699u);
        if (c.alphaPlane)
            memset(s.GetAlphaPlane(), 255, 15);
        EXPECT_EQ(0, s.IsTextureOpaque()) << c.format << " before any texture";
        ASSERT_EQ(VORTAN_OK, s.CreateTextureForFormat(0)) << c.format;
        EXPECT_EQ(1, s.IsTextureOpaque()) << c.format;
        // The last pixel made see-through: only a format that carries alpha shows it.
        const bool carries =
            c.alphaPlane || c.format == VORTAN_PIXEL_ARGB8888 || c.format == VORTAN_PIXEL_ABGR8888;
        s.Lock(nullptr, 0);
        if (c.alphaPlane)
            s.GetAlphaPlane()[14] = 0x80;
        else
            s.WritePixel(4, 2, 0x80336699u);
        ASSERT_EQ(VORTAN_OK, s.Unlock());
        EXPECT_EQ(carries ? 0 : 1, s.IsTextureOpaque()) << c.format;
        // Opaque again on the next upload.
        s.Lock(nullptr, 0);
        if (c.alphaPlane)
            s.GetAlphaPlane()[14] = 0xFF;
        else
            s.WritePixel(4, 2, 0xFF336699u);
        ASSERT_EQ(VORTAN_OK, s.Unlock());
        EXPECT_EQ(1, s.IsTextureOpaque()) << c.format;
        s.DeleteTexture();
        EXPECT_EQ(0, s.IsTextureOpaque()) << c.format;
        s.Release();
    }
    // 4-4-4-4 keeps alpha 0xF0 as opaque, not 0xE0; 5-5-5-1 any alpha but 0.
    CVortanSurface one;
    CVortanSurfaceDesc d = {1, 1, 0, VORTAN_PIXEL_ABGR8888, 0};
    ASSERT_EQ(VORTAN_OK, one.Create(nullptr, &d));
    one.WritePixel(0, 0, 0xF0102030u);
    ASSERT_EQ(VORTAN_OK, one.CreateTexture(GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4, 0));
    EXPECT_EQ(1, one.IsTextureOpaque());
    ASSERT_EQ(VORTAN_OK, one.CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 0));
    EXPECT_EQ(0, one.IsTextureOpaque());
    one.WritePixel(0, 0, 0xE0102030u);
    ASSERT_EQ(VORTAN_OK, one.CreateTexture(GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4, 0));
    EXPECT_EQ(0, one.IsTextureOpaque());
    ASSERT_EQ(VORTAN_OK, one.CreateTexture(GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1, 0));
    EXPECT_EQ(1, one.IsTextureOpaque());
    one.WritePixel(0, 0, 0x00102030u);
    ASSERT_EQ(VORTAN_OK, one.CreateTexture(GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1, 0));
    EXPECT_EQ(0, one.IsTextureOpaque());
    one.Release();
}

// What of a texture is clear is read from what went up: the box of the pixels that are not
// clear (all four channels zero), a pixel wider on each side, as fractions of the texture; again
// on each upload; none of a format without alpha.
TEST_F(Gles2, ATexturesCoverHoldsEveryPixelNotClearAsLastUploaded)
{
    auto cover = [](const CVortanSurface& s) {
        float c[4];
        s.GetTextureCover(&c[0], &c[1], &c[2], &c[3]);
        return std::vector<float>(c, c + 4);
    };
    const std::vector<float> whole = {0.0f, 0.0f, 1.0f, 1.0f};
    CVortanSurface s;
    CVortanSurfaceDesc d = {20, 10, 0, VORTAN_PIXEL_ABGR8888, 0};
    ASSERT_EQ(VORTAN_OK, s.Create(nullptr, &d));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            s.WritePixel(x, y, 0);
    EXPECT_EQ(whole, cover(s)) << "before any texture";
    // Alpha 0 with a colour is not clear (a premultiplied blend adds it).
    s.WritePixel(5, 3, 0x00000001u);
    s.WritePixel(12, 6, 0xFF000000u);
    ASSERT_EQ(VORTAN_OK, s.CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 0));
    EXPECT_EQ(std::vector<float>({4 / 20.0f, 2 / 10.0f, 14 / 20.0f, 8 / 10.0f}), cover(s));
    // Pixels at the edges: the box reaches them and goes no further.
    s.Lock(nullptr, 0);
    s.WritePixel(0, 9, 0x01000000u);
    s.WritePixel(19, 0, 0x01000000u);
    ASSERT_EQ(VORTAN_OK, s.Unlock());
    EXPECT_EQ(whole, cover(s));
    s.Lock(nullptr, 0);
    s.WritePixel(0, 9, 0);
    s.WritePixel(19, 0, 0);
    s.WritePixel(18, 8, 0x01000000u);
    ASSERT_EQ(VORTAN_OK, s.Unlock());
    EXPECT_EQ(std::vector<float>({4 / 20.0f, 2 / 10.0f, 1.0f, 1.0f}), cover(s));
    // Nothing but clear pixels: an empty cover.
    s.Lock(nullptr, 0);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            s.WritePixel(x, y, 0);
    ASSERT_EQ(VORTAN_OK, s.Unlock());
    EXPECT_EQ(std::vector<float>({0.0f, 0.0f, 0.0f, 0.0f}), cover(s));
    // 4-4-4-4 as it went up: alpha 0x08 with no colour becomes clear, 0x10 does not.
    s.WritePixel(7, 7, 0x08000000u);
    ASSERT_EQ(VORTAN_OK, s.CreateTexture(GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4, 0));
    EXPECT_EQ(std::vector<float>({0.0f, 0.0f, 0.0f, 0.0f}), cover(s));
    s.WritePixel(7, 7, 0x10000000u);
    ASSERT_EQ(VORTAN_OK, s.CreateTexture(GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4, 0));
    EXPECT_EQ(std::vector<float>({6 / 20.0f, 6 / 10.0f, 9 / 20.0f, 9 / 10.0f}), cover(s));
    // No alpha in the format: nothing is clear.
    ASSERT_EQ(VORTAN_OK, s.CreateTexture(GL_RGB, GL_UNSIGNED_BYTE, 0));
    EXPECT_EQ(whole, cover(s));
    ASSERT_EQ(VORTAN_OK, s.CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 0));
    EXPECT_NE(whole, cover(s));
    s.DeleteTexture();
    EXPECT_EQ(whole, cover(s));
    s.Release();
}

TEST_F(Gles2, TexturePairsOutsideTheTableAreRefused)
{
    CVortanSurface* s = Solid(8, 8, 0xFFFFFFFF);
    ASSERT_NE(0u, s->GetTexture());
    EXPECT_EQ(VORTAN_E_VERSION, s->CreateTexture(GL_RGB, GL_UNSIGNED_SHORT_4_4_4_4, 0));
    EXPECT_EQ(VORTAN_E_VERSION, s->CreateTexture(GL_RGBA, GL_UNSIGNED_SHORT_5_6_5, 0));
    EXPECT_EQ(0u, s->GetTexture());
    EXPECT_EQ(VORTAN_OK, s->CreateTexture(GL_RGB, GL_UNSIGNED_BYTE, 0));
    EXPECT_EQ(VORTAN_OK, s->CreateTexture(GL_RGBA, GL_UNSIGNED_SHORT_5_5_5_1, 0));
    CVortanSurface empty;
    EXPECT_EQ(VORTAN_E_MALFORMED, empty.CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 0));
    EXPECT_EQ(VORTAN_E_MALFORMED, empty.UploadTexture());
}

TEST_F(Gles2, MipChainOnlyForPowerOfTwoSizesAndItsLevelsHoldTheImage)
{
    CVortanSurface* pot = Solid(64, 32, 0xFF00FF00);
    ASSERT_EQ(VORTAN_OK, pot->CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 1));
    EXPECT_EQ(1, pot->HasMipLevels());
    CVortanSurface* npot = Solid(60, 32, 0xFF00FF00);
    ASSERT_EQ(VORTAN_OK, npot->CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 1));
    EXPECT_EQ(0, npot->HasMipLevels());

    // Top half red, bottom half blue; drawn at an eighth of its size GL reads level 3.
    CVortanSurface* s = Solid(64, 64, 0xFFFF0000);
    CVortanRect bottom = {0, 32, 64, 64};
    s->Clear(0xFF0000FF, &bottom);
    ASSERT_EQ(VORTAN_OK, s->CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 1));
    CVortanRect to = {0, 0, 8, 8};
    ASSERT_EQ(VORTAN_OK, ext.BlitStretch(&to, s, nullptr, 0));
    EXPECTS({{0xFFFF0000u, 3, 1}, {0xFF0000FFu, 3, 6}});
    // The same in 5-6-5 and in 4-4-4-4 with an alpha plane.
    CVortanSurface* t = Solid(32, 32, 0xFF00FF00, VORTAN_PIXEL_RGB565);
    ASSERT_EQ(VORTAN_OK, t->CreateTexture(GL_RGB, GL_UNSIGNED_SHORT_5_6_5, 1));
    to.Set(20, 0, 24, 4);
    ASSERT_EQ(VORTAN_OK, ext.BlitStretch(&to, t, nullptr, 0));
    EXPECT_PIXEL(0xFF00FF00u, 21, 1);
    ASSERT_EQ(VORTAN_OK, t->CreateAlphaPlane());
    t->Clear(0xFFFF0000, nullptr);
    ASSERT_EQ(VORTAN_OK, t->CreateTextureForFormat(1));
    EXPECT_EQ(1, t->HasMipLevels());
    to.Set(30, 0, 34, 4);
    ASSERT_EQ(VORTAN_OK, ext.BlitStretch(&to, t, nullptr, 0));
    EXPECT_PIXEL(0xFFFF0000u, 31, 1);
}

TEST_F(Gles2, DrawingIntoATexturedSurfaceRefreshesItsMirror)
{
    CVortanSurface* target = Solid(8, 8, 0xFF000000);
    CVortanSurface* source = Solid(8, 8, 0xFF00FFFF);
    ASSERT_EQ(VORTAN_OK, target->BlitStretch(nullptr, source, nullptr, 0));
    ASSERT_EQ(VORTAN_OK, ext.Blit(0, 0, target, nullptr, 0));
    EXPECT_PIXEL(0xFF00FFFFu, 4, 4);
    target->Lock(nullptr, 1);
    target->Clear(0xFFFF0000, nullptr); // Clear starts by clearing the lock flags: uploads
    ASSERT_EQ(VORTAN_OK, ext.Blit(0, 0, target, nullptr, 0));
    EXPECT_PIXEL(0xFFFF0000u, 4, 4);
    // Locked with bit 0, Unlock does not upload.
    target->Lock(nullptr, 1);
    target->WritePixel(4, 4, 0xFFFFFFFF);
    target->Unlock();
    ASSERT_EQ(VORTAN_OK, ext.Blit(0, 0, target, nullptr, 0));
    EXPECT_PIXEL(0xFFFF0000u, 4, 4);
}

// --- the GL-free extension ----------------------------------------------------------------

TEST(NullExtension, DrawsNothingAndKeepsTexturesWithoutGL)
{
    CVortanGraphicsExt_Null ext;
    ASSERT_EQ(VORTAN_OK, ext.Create(42));
    ASSERT_EQ(VORTAN_OK, ext.Resize(320, 200));
    EXPECT_EQ(1, CVortanSurface::GetNullTextures());
    CVortanSurface s;
    CVortanSurfaceDesc d = {16, 16, 0, VORTAN_PIXEL_DISPLAY, VORTAN_SURFACE_TEXTURE};
    ASSERT_EQ(VORTAN_OK, s.Create(nullptr, &d));
    EXPECT_NE(0u, s.GetTexture());
    EXPECT_EQ(VORTAN_OK, s.CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 1));
    EXPECT_EQ(VORTAN_OK, ext.Blit(0, 0, &s, nullptr, 0));
    EXPECT_EQ(VORTAN_E_ARGUMENT, ext.Blit(0, 0, &ext, nullptr, 0));
    EXPECT_EQ(VORTAN_OK, ext.FillGradient(0, 0, 0, 0, nullptr));
    EXPECT_EQ(2, ext.GetDrawCalls());
    s.Release();
    ext.Close();
    EXPECT_EQ(0, CVortanSurface::GetNullTextures());
}
