// The surface's software drawing operations, pixel for pixel.
//
// Most cases are checked against tests/graphics/softdraw_model.py, a pixel-by-pixel model run
// with Debian's Python: every case sends the target (and source) as they were before the
// operation and compares the model's target bytes with ours. A few results are also worked
// out by hand below.
#include <gtest/gtest.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/graphics/VortanSurface.h"
#include "engine/platform/VortanApplication.h"
#include "tests/graphics/SurfacePixels.h"
#include "tests/shell/ApplicationTestSupport.h"
#include "tests/support/GraphicsTestWindow.h"
#include "tests/support/HexText.h"
#include "tests/support/TestSupport.h"

namespace {

using gtest_graphics::SetWord;
using gtest_graphics::Word;

using vtest::Hex;

gtest_graphics::GLEnvironment* const g_env =
    vtest::AddDisplayEnvironment<gtest_graphics::GLEnvironment>();

using gtest_graphics::PaletteApp;

u32 g_seed = 12345;
u32 Rand()
{
    return (g_seed = g_seed * 1103515245u + 12345u) >> 8;
}

// Fills a surface with noise. 32-bit pixels get alphas of 0, 255 and in between, half of
// them premultiplied (colour bytes not above alpha) and half not.
void Noise(CVortanSurface& s)
{
    int bytes = CVortanSurface::BytesPerPixel(s.GetPixelFormat());
    for (int y = 0; y < s.GetHeight(); ++y) {
        u8* row = s.GetPixels() + (size_t)y * s.GetPitch();
        for (int x = 0; x < s.GetWidth(); ++x) {
            u8* p = row + x * bytes;
            for (int c = 0; c < bytes; ++c)
                p[c] = (u8)Rand();
            if (bytes == 4) {
                u32 kind = Rand() % 4, a = kind == 0 ? 0 : (kind == 1 ? 255 : Rand() & 255);
                p[3] = (u8)a;
                if (Rand() & 1)
                    for (int c = 0; c < 3; ++c)
                        p[c] = (u8)(a ? p[c] % (a + 1) : 0);
            }
        }
    }
    for (int i = 0; s.GetAlphaPlane() && i < s.GetWidth() * s.GetHeight(); ++i) {
        u32 kind = Rand() % 4;
        s.GetAlphaPlane()[i] = (u8)(kind == 0 ? 0 : (kind == 1 ? 255 : Rand()));
    }
}

// A surface owned by the test, released at the end.
struct Surf {
    CVortanSurface s;
    Surf(IVortanApplication* app, int format, int w, int h, bool alphaPlane = false,
         bool noise = true)
    {
        CVortanSurfaceDesc d = {w, h, 0, format, 0};
        EXPECT_EQ(VORTAN_OK, s.Create(app, &d));
        if (alphaPlane) {
            EXPECT_EQ(VORTAN_OK, s.CreateAlphaPlane());
        }
        if (noise)
            Noise(s);
    }
    ~Surf() { s.Release(); }
    CVortanSurface* operator->() { return &s; }
    // Makes a few pixels equal to the pixel at (0, 0) and takes it as the colour key.
    void Key()
    {
        int bytes = CVortanSurface::BytesPerPixel(s.GetPixelFormat());
        for (int i = 1; i < s.GetWidth() * s.GetHeight(); i += 3) {
            int x = i % s.GetWidth(), y = i / s.GetWidth();
            memcpy(s.GetPixels() + (size_t)y * s.GetPitch() + x * bytes, s.GetPixels(),
                   (size_t)bytes);
        }
        s.SetColorKeyFromPixel(0, 0);
    }
};

std::string SurfaceJson(CVortanSurface& s)
{
    char head[128];
    snprintf(head, sizeof(head),
             "{\"fmt\":%d,\"w\":%d,\"h\":%d,\"pitch\":%d,\"key\":%u,\"data\":\"",
             s.GetPixelFormat(), s.GetWidth(), s.GetHeight(), s.GetPitch(), s.GetColorKey());
    std::string j =
        head + Hex(s.GetPixels(), (size_t)s.GetPitch() * s.GetHeight()) + "\",\"alpha\":";
    return j +
           (s.GetAlphaPlane()
                ? "\"" + Hex(s.GetAlphaPlane(), (size_t)s.GetWidth() * s.GetHeight()) + "\""
                : "null") +
           "}";
}

std::string State(CVortanSurface& s)
{
    return Hex(s.GetPixels(), (size_t)s.GetPitch() * s.GetHeight()) + " " +
           (s.GetAlphaPlane() ? Hex(s.GetAlphaPlane(), (size_t)s.GetWidth() * s.GetHeight())
                              : std::string("-"));
}

std::string RectJson(const CVortanRect& r)
{
    char b[96];
    snprintf(b, sizeof(b), "[%d,%d,%d,%d]", r.left, r.top, r.right, r.bottom);
    return b;
}

// Cases for the model: each records the state before the operation and ours after it.
class Batch {
public:
    explicit Batch(IVortanApplication* paletteApp = nullptr) : m_app(paletteApp) {}

    // Starts a case: `args` are the operation's JSON members (without braces).
    void Begin(const std::string& name, const std::string& op, CVortanSurface& dst,
               CVortanSurface* src, const std::string& args)
    {
        std::string j = "{\"op\":\"" + op + "\",\"clip\":" + RectJson(dst.GetClipRect()) +
                        ",\"dst\":" + SurfaceJson(dst) +
                        (src ? ",\"src\":" + SurfaceJson(*src) : "") + (args.empty() ? "" : ",");
        m_cases.push_back(j + args + "}");
        m_names.push_back(name);
    }
    void End(CVortanSurface& dst) { m_actual.push_back(State(dst)); }

    void Check()
    {
        ASSERT_EQ(m_cases.size(), m_actual.size());
        std::string input = "{";
        if (m_app && m_app->GetPalette()) {
            input += "\"palette\":[";
            for (int i = 0; i < 256; ++i)
                input += (i ? "," : "") + std::to_string(m_app->GetPalette()[i]);
            input += "],\"lookup\":[";
            for (int i = 0; i < 4096; ++i)
                input += (i ? "," : "") + std::to_string(m_app->GetPaletteLookup()[i]);
            input += "],";
        }
        input += "\"cases\":[";
        for (size_t i = 0; i < m_cases.size(); ++i)
            input += (i ? "," : "") + m_cases[i];
        input += "]}";
        std::string out;
        int status = vtest::RunProgram(
            {vtest::Python(), vtest::SourceDir() + "/tests/graphics/softdraw_model.py"}, &out,
            input);
        ASSERT_EQ(0, status) << out;
        size_t pos = 0;
        for (size_t i = 0; i < m_cases.size(); ++i) {
            size_t nl = out.find('\n', pos);
            ASSERT_NE(std::string::npos, nl) << "model gave no line for " << m_names[i];
            std::string expected = out.substr(pos, nl - pos);
            pos = nl + 1;
            EXPECT_TRUE(expected == m_actual[i])
                << m_names[i] << "\n expected " << expected.substr(0, 400) << "\n actual   "
                << m_actual[i].substr(0, 400);
        }
    }

private:
    IVortanApplication* m_app;
    std::vector<std::string> m_cases;
    std::vector<std::string> m_names;
    std::vector<std::string> m_actual;
};

// printf into a string: the JSON members of a case.
using vtest::Fmt;

std::string Name(const char* what, int format, u32 flags, int extra = 0)
{
    char b[128];
    snprintf(b, sizeof(b), "%s format %d flags 0x%x (%d)", what, format, flags, extra);
    return b;
}

} // namespace

// --- blits ---------------------------------------------------------------------------------------

TEST(SoftBlit, PlainKeyedHalfMirroredAndClippedBlitsMatchTheModel)
{
    const u32 flagSets[] = {0,
                            VORTAN_BLIT_COLORKEY,
                            VORTAN_BLIT_HALFBLEND,
                            VORTAN_BLIT_COLORKEY | VORTAN_BLIT_HALFBLEND,
                            VORTAN_BLIT_MIRROR_X,
                            VORTAN_BLIT_MIRROR_Y,
                            VORTAN_BLIT_MIRROR_X | VORTAN_BLIT_MIRROR_Y,
                            VORTAN_BLIT_COLORKEY | VORTAN_BLIT_MIRROR_X,
                            VORTAN_BLIT_NOCLIP,
                            VORTAN_BLIT_ALPHAONLY,
                            VORTAN_BLIT_COLORKEY | VORTAN_BLIT_ALPHAONLY,
                            VORTAN_BLIT_CENTER_X | VORTAN_BLIT_CENTER_Y,
                            VORTAN_BLIT_HALFBLEND | VORTAN_BLIT_MIRROR_X | VORTAN_BLIT_CENTER_X |
                                VORTAN_BLIT_CENTER_Y};
    struct Place {
        int x, y;
        bool rect;
        CVortanRect r;
        bool clip;
    } places[] = {
        {3, 2, false, {}, false},
        {-4, -3, false, {}, false},
        {9, 7, false, {}, true},
        {1, 1, true, {2, 1, 9, 6}, true},
        {2, 3, true, {-3, -2, 5, 20}, false}, // source rectangle reaching outside the source
        {-30, 40, false, {}, false},          // wholly outside
    };
    Batch batch;
    for (int format : {VORTAN_PIXEL_RGB565, VORTAN_PIXEL_ARGB8888, VORTAN_PIXEL_ABGR8888}) {
        for (u32 flags : flagSets) {
            for (size_t p = 0; p < sizeof(places) / sizeof(places[0]); ++p) {
                Surf dst(nullptr, format, 14, 11);
                Surf src(nullptr, format, 10, 8);
                src.Key();
                if (places[p].clip) {
                    CVortanRect clip = {2, 1, 12, 9};
                    dst->SetClipRect(&clip);
                }
                std::string args =
                    Fmt("\"x\":%d,\"y\":%d,\"flags\":%u,\"rect\":%s", places[p].x, places[p].y,
                        flags, places[p].rect ? RectJson(places[p].r).c_str() : "null");
                batch.Begin(Name("blit", format, flags, (int)p), "blit", dst.s, &src.s, args);
                EXPECT_EQ(VORTAN_OK, dst->Blit(places[p].x, places[p].y, &src.s,
                                               places[p].rect ? &places[p].r : nullptr, flags));
                batch.End(dst.s);
            }
        }
    }
    batch.Check();
}

TEST(SoftBlit, AlphaBlitsInRgb565AndThe32BitFormatsMatchTheModel)
{
    Batch batch;
    for (int format : {VORTAN_PIXEL_RGB565, VORTAN_PIXEL_ARGB8888, VORTAN_PIXEL_ABGR8888}) {
        for (u32 flags : std::initializer_list<u32>{
                 VORTAN_BLIT_ALPHA, VORTAN_BLIT_COLORKEY | VORTAN_BLIT_ALPHA,
                 VORTAN_BLIT_MIRROR_X | VORTAN_BLIT_ALPHA, VORTAN_BLIT_MIRROR_Y | VORTAN_BLIT_ALPHA,
                 VORTAN_BLIT_HALFBLEND | VORTAN_BLIT_ALPHA,
                 VORTAN_BLIT_ALPHA | VORTAN_BLIT_ALPHAONLY,
                 VORTAN_BLIT_NOCLIP | VORTAN_BLIT_ALPHA | VORTAN_BLIT_CENTER_X |
                     VORTAN_BLIT_CENTER_Y}) {
            for (int withTargetPlane = 0; withTargetPlane < 2; ++withTargetPlane) {
                bool planes = format == VORTAN_PIXEL_RGB565;
                Surf dst(nullptr, format, 13, 9, planes && withTargetPlane);
                Surf src(nullptr, format, 9, 7, planes);
                src.Key();
                CVortanRect clip = {1, 1, 12, 8};
                dst->SetClipRect(&clip);
                std::string args =
                    Fmt("\"x\":%d,\"y\":%d,\"flags\":%u,\"rect\":null", -2, 3, flags);
                batch.Begin(Name("alpha blit", format, flags, withTargetPlane), "blit", dst.s,
                            &src.s, args);
                EXPECT_EQ(VORTAN_OK, dst->Blit(-2, 3, &src.s, nullptr, flags));
                batch.End(dst.s);
            }
        }
    }
    batch.Check();
}

TEST(SoftBlit, AlphaBlendIsPremultipliedAndSaturates)
{
    Surf dst(nullptr, VORTAN_PIXEL_ARGB8888, 4, 1, false, false);
    Surf src(nullptr, VORTAN_PIXEL_ARGB8888, 4, 1, false, false);
    SetWord(dst.s, 0, 0, 0xFF204060);
    SetWord(src.s, 0, 0, 0x80402010); // a = 128: source + target x 127 >> 8
    SetWord(dst.s, 1, 0, 0xFFFFFFFF);
    SetWord(src.s, 1, 0, 0x80FFFFFF); // not premultiplied: every sum passes 255
    SetWord(dst.s, 2, 0, 0x11223344);
    SetWord(src.s, 2, 0, 0x00FFFFFF); // alpha 0: skipped
    SetWord(dst.s, 3, 0, 0x11223344);
    SetWord(src.s, 3, 0, 0xFF010203); // opaque: the colour, the target's alpha byte kept
    EXPECT_EQ(VORTAN_OK, dst->Blit(0, 0, &src.s, nullptr, VORTAN_BLIT_ALPHA));
    EXPECT_EQ(0xFF4F3F3Fu, Word(dst.s, 0, 0));
    EXPECT_EQ(0xFFFFFFFFu, Word(dst.s, 1, 0));
    EXPECT_EQ(0x11223344u, Word(dst.s, 2, 0));
    EXPECT_EQ(0x11010203u, Word(dst.s, 3, 0));
}

TEST(SoftBlit, SourcesWithoutAlphaBlitPlainAndOtherFormatsAreRefused)
{
    Batch batch;
    // VORTAN_BLIT_ALPHA from a 5-6-5 source without an alpha plane is a plain blit.
    Surf dst(nullptr, VORTAN_PIXEL_RGB565, 8, 8);
    Surf src(nullptr, VORTAN_PIXEL_RGB565, 5, 5);
    batch.Begin("0x80 without alpha plane", "blit", dst.s, &src.s,
                "\"x\":1,\"y\":2,\"flags\":128,\"rect\":null");
    EXPECT_EQ(VORTAN_OK, dst->Blit(1, 2, &src.s, nullptr, VORTAN_BLIT_ALPHA));
    batch.End(dst.s);
    batch.Check();

    Surf other(nullptr, VORTAN_PIXEL_ARGB8888, 5, 5);
    std::string before = State(dst.s);
    EXPECT_EQ(VORTAN_E_VERSION, dst->Blit(0, 0, &other.s, nullptr, 0));
    EXPECT_EQ(VORTAN_E_VERSION, dst->BlitTinted(0, 0, &other.s, nullptr, 0xFFFFFFFF, 0));
    EXPECT_EQ(VORTAN_E_VERSION, dst->BlitRotated(4, 4, &other.s, 0.3f, 3, 0));
    EXPECT_EQ(before, State(dst.s));
    EXPECT_EQ(VORTAN_E_ARGUMENT, dst->Blit(0, 0, nullptr, nullptr, 0));
    CVortanSurface empty;
    EXPECT_EQ(VORTAN_E_RANGE, empty.Blit(0, 0, &src.s, nullptr, 0));
}

TEST(SoftBlit, TintedBlitsMatchTheModel)
{
    Batch batch;
    const u32 colours[] = {0xFFFFFFFF, 0xFF102030, 0x80FF8040, 0x01FFFFFF, 0x00FFFFFF};
    for (int format : {VORTAN_PIXEL_RGB565, VORTAN_PIXEL_ARGB8888, VORTAN_PIXEL_ABGR8888}) {
        for (u32 colour : colours) {
            for (u32 flags :
                 std::initializer_list<u32>{0u, VORTAN_BLIT_COLORKEY, VORTAN_BLIT_MIRROR_X,
                                            VORTAN_BLIT_MIRROR_Y, VORTAN_BLIT_CENTER_X}) {
                Surf dst(nullptr, format, 12, 9);
                Surf src(nullptr, format, 7, 6,
                         format == VORTAN_PIXEL_RGB565 && (flags & VORTAN_BLIT_COLORKEY));
                src.Key();
                CVortanRect clip = {1, 0, 11, 8};
                dst->SetClipRect(&clip);
                std::string args = Fmt("\"x\":%d,\"y\":%d,\"flags\":%u,\"rect\":null,\"color\":%u",
                                       -1, 4, flags, colour);
                batch.Begin(Name("tinted", format, flags, (int)(colour >> 24)), "tinted", dst.s,
                            &src.s, args);
                EXPECT_EQ(VORTAN_OK, dst->BlitTinted(-1, 4, &src.s, nullptr, colour, flags));
                batch.End(dst.s);
            }
        }
    }
    batch.Check();
}

TEST(SoftBlit, RotatedBlitsMatchTheModel)
{
    Batch batch;
    struct R {
        int x, y, size;
        float angle;
        u32 flags;
    } cases[] = {
        {8, 7, 5, 0.0f, 0},
        {8, 7, 6, 0.5f, 0},
        {3, 2, 7, 1.7f, 0},
        {12, 9, 4, -2.2f, 0},
        {8, 7, 6, 3.14159f, VORTAN_BLIT_COLORKEY},
        {8, 7, 6, 0.8f, VORTAN_BLIT_HALFBLEND},
        {0, 0, 5, 0.3f, VORTAN_BLIT_CENTER_X | VORTAN_BLIT_CENTER_Y},
        {-5, 7, 4, 1.0f, 0},
        {30, 7, 4, 1.0f, 0},
        {8, 7, 0, 1.0f, 0},
        {8, 7, -3, 1.0f, 0},
        {8, 7, 40, 2.5f, 0},
    };
    for (int format : {VORTAN_PIXEL_RGB565, VORTAN_PIXEL_ARGB8888, VORTAN_PIXEL_ABGR8888}) {
        for (const R& c : cases) {
            Surf dst(nullptr, format, 16, 14);
            Surf src(nullptr, format, 9, 7);
            src.Key();
            CVortanRect clip = {1, 1, 15, 13};
            dst->SetClipRect(&clip);
            std::string args = Fmt("\"x\":%d,\"y\":%d,\"size\":%d,\"angle\":%.9g,\"flags\":%u", c.x,
                                   c.y, c.size, (double)c.angle, c.flags);
            batch.Begin(Name("rotated", format, c.flags, c.size), "rotated", dst.s, &src.s, args);
            EXPECT_EQ(VORTAN_OK, dst->BlitRotated(c.x, c.y, &src.s, c.angle, c.size, c.flags));
            batch.End(dst.s);
        }
    }
    batch.Check();
}

TEST(SoftBlit, RotatedBlitFarOutsideOrWithNoSizeDrawsNothing)
{
    Surf dst(nullptr, VORTAN_PIXEL_ARGB8888, 8, 8);
    Surf src(nullptr, VORTAN_PIXEL_ARGB8888, 4, 4);
    std::string before = State(dst.s);
    EXPECT_EQ(VORTAN_OK, dst->BlitRotated(-20, 4, &src.s, 0.5f, 5, 0));
    EXPECT_EQ(VORTAN_OK, dst->BlitRotated(4, 4, &src.s, 0.5f, 0, 0));
    EXPECT_EQ(VORTAN_OK, dst->BlitRotated(4, 4, &src.s, 0.5f, -7, 0));
    EXPECT_EQ(before, State(dst.s));
}

// --- stretches
// ------------------------------------------------------------------------------------

TEST(SoftStretch, NearestFilteredAndTintedStretchesMatchTheModel)
{
    Batch batch;
    struct S {
        CVortanRect d, s;
        bool dn, sn;
        u32 flags;
    } cases[] = {
        {{0, 0, 5, 5}, {0, 0, 10, 10}, false, false, 0},
        {{1, 1, 14, 12}, {0, 0, 7, 5}, false, false, 0},
        {{0, 0, 10, 10}, {0, 0, 10, 10}, true, true, VORTAN_BLIT_MIRROR_X},
        {{2, 2, 12, 7}, {0, 0, 10, 5}, false, false, VORTAN_BLIT_MIRROR_Y},
        {{-3, 0, 9, 6}, {0, 0, 6, 3}, false, false, 0},
        {{2, 1, 9, 9}, {-2, 1, 6, 12}, false, false, 0},
        {{0, 0, 14, 12}, {0, 0, 500, 500}, false, false, 0},
        {{0, 0, 5, 5}, {0, 0, 10, 10}, false, false, VORTAN_BLIT_MIRROR_X | VORTAN_BLIT_MIRROR_Y},
        {{0, 0, 6, 4}, {0, 0, 10, 10}, false, false, VORTAN_BLIT_COLORKEY},
        {{0, 0, 3, 3}, {0, 0, 8, 8}, false, false, VORTAN_BLIT_FILTERED},
        {{1, 2, 13, 11}, {0, 0, 3, 3}, false, false, VORTAN_BLIT_FILTERED},
        {{0, 0, 7, 7}, {1, 1, 8, 6}, false, false, VORTAN_BLIT_FILTERED},
        {{3, 3, 9, 9}, {0, 0, 10, 10}, false, false, VORTAN_BLIT_ALPHAONLY},
    };
    for (int format : {VORTAN_PIXEL_RGB565, VORTAN_PIXEL_ARGB8888, VORTAN_PIXEL_ABGR8888}) {
        for (size_t ci = 0; ci < sizeof(cases) / sizeof(cases[0]); ++ci) {
            const S& c = cases[ci];
            Surf dst(nullptr, format, 14, 12);
            Surf src(nullptr, format, 10, 10);
            src.Key();
            std::string args =
                Fmt("\"drect\":%s,\"srect\":%s,\"flags\":%u", c.dn ? "null" : RectJson(c.d).c_str(),
                    c.sn ? "null" : RectJson(c.s).c_str(), c.flags);
            batch.Begin(Name("stretch", format, c.flags, (int)ci), "stretch", dst.s, &src.s, args);
            EXPECT_EQ(VORTAN_OK, dst->BlitStretch(c.dn ? nullptr : &c.d, &src.s,
                                                  c.sn ? nullptr : &c.s, c.flags));
            batch.End(dst.s);
        }
        for (u32 colour : {0xFFFFFFFFu, 0xC0FF4020u, 0x00FFFFFFu}) {
            for (u32 flags :
                 std::initializer_list<u32>{0u, VORTAN_BLIT_COLORKEY, VORTAN_BLIT_FILTERED}) {
                Surf dst(nullptr, format, 14, 12);
                Surf src(nullptr, format, 10, 10);
                src.Key();
                CVortanRect d = {1, 1, 13, 8}, s = {0, 0, 10, 10};
                std::string args = Fmt("\"drect\":%s,\"srect\":%s,\"flags\":%u,\"color\":%u",
                                       RectJson(d).c_str(), RectJson(s).c_str(), flags, colour);
                batch.Begin(Name("stretch tinted", format, flags, (int)(colour >> 24)),
                            "stretch_tinted", dst.s, &src.s, args);
                EXPECT_EQ(VORTAN_OK, dst->BlitStretchTinted(&d, &src.s, &s, colour, flags));
                batch.End(dst.s);
            }
        }
        // Alpha stretches (5-6-5 through the source's alpha plane) and the clip rectangle,
        // which VORTAN_BLIT_NOCLIP leaves aside for the target's bounds.
        for (u32 flags : std::initializer_list<u32>{0u, VORTAN_BLIT_NOCLIP, VORTAN_BLIT_ALPHA,
                                                    VORTAN_BLIT_ALPHA | VORTAN_BLIT_MIRROR_X,
                                                    VORTAN_BLIT_ALPHA | VORTAN_BLIT_NOCLIP |
                                                        VORTAN_BLIT_MIRROR_Y}) {
            Surf dst(nullptr, format, 14, 12, format == VORTAN_PIXEL_RGB565);
            Surf src(nullptr, format, 10, 10, format == VORTAN_PIXEL_RGB565);
            CVortanRect clip = {4, 1, 12, 11}, d = {-6, -2, 17, 13}, s = {0, 0, 10, 10};
            dst->SetClipRect(&clip);
            std::string args = Fmt("\"drect\":%s,\"srect\":%s,\"flags\":%u", RectJson(d).c_str(),
                                   RectJson(s).c_str(), flags);
            batch.Begin(Name("stretch clipped", format, flags), "stretch", dst.s, &src.s, args);
            EXPECT_EQ(VORTAN_OK, dst->BlitStretch(&d, &src.s, &s, flags));
            batch.End(dst.s);
        }
    }
    // Filtered stretches convert between formats.
    const int pairs[][2] = {{VORTAN_PIXEL_ARGB8888, VORTAN_PIXEL_RGB565},
                            {VORTAN_PIXEL_RGB565, VORTAN_PIXEL_ABGR8888},
                            {VORTAN_PIXEL_ABGR8888, VORTAN_PIXEL_ARGB8888}};
    for (const auto& pair : pairs) {
        Surf dst(nullptr, pair[1], 7, 5);
        Surf src(nullptr, pair[0], 12, 9, pair[0] == VORTAN_PIXEL_RGB565);
        std::string args =
            Fmt("\"drect\":null,\"srect\":null,\"flags\":%u", (u32)VORTAN_BLIT_FILTERED);
        batch.Begin(Name("stretch converted", pair[0], 0, pair[1]), "stretch", dst.s, &src.s, args);
        EXPECT_EQ(VORTAN_OK, dst->BlitStretch(nullptr, &src.s, nullptr, VORTAN_BLIT_FILTERED));
        batch.End(dst.s);
    }
    batch.Check();
}

// --- fills, lines and pixels ---------------------------------------------------------------------

TEST(SoftFill, GradientAdditiveAndDarkenMatchTheModel)
{
    Batch batch;
    struct G {
        CVortanRect r;
        bool null;
        bool clip;
    } rects[] = {{{}, true, false},
                 {{2, 1, 11, 8}, false, false},
                 {{-4, -2, 9, 7}, false, false},
                 {{3, 2, 20, 15}, false, true},
                 {{5, 5, 5, 9}, false, false}};
    const u32 gradient[4] = {0xFF0000FF, 0x80FF0000, 0xFF00FF00, 0x10FFFFFF};
    for (int format : {VORTAN_PIXEL_RGB565, VORTAN_PIXEL_ARGB8888, VORTAN_PIXEL_ABGR8888}) {
        for (size_t i = 0; i < sizeof(rects) / sizeof(rects[0]); ++i) {
            const G& g = rects[i];
            const CVortanRect* r = g.null ? nullptr : &g.r;
            std::string rj = g.null ? "null" : RectJson(g.r);
            CVortanRect clip = {2, 1, 10, 9};
            {
                Surf dst(nullptr, format, 12, 10);
                if (g.clip)
                    dst->SetClipRect(&clip);
                std::string args = Fmt("\"rect\":%s,\"colors\":[%u,%u,%u,%u]", rj.c_str(),
                                       gradient[0], gradient[1], gradient[2], gradient[3]);
                batch.Begin(Name("gradient", format, 0, (int)i), "gradient", dst.s, nullptr, args);
                EXPECT_EQ(VORTAN_OK,
                          dst->FillGradient(gradient[0], gradient[1], gradient[2], gradient[3], r));
                batch.End(dst.s);
            }
            for (u32 colour : {0x80FF4010u, 0xFF00FF80u, 0x00FFFFFFu, 0x20000000u}) {
                Surf dst(nullptr, format, 12, 10);
                if (g.clip)
                    dst->SetClipRect(&clip);
                std::string args = Fmt("\"rect\":%s,\"color\":%u", rj.c_str(), colour);
                batch.Begin(Name("additive", format, colour, (int)i), "additive", dst.s, nullptr,
                            args);
                EXPECT_EQ(VORTAN_OK, dst->FillAdditive(colour, r));
                batch.End(dst.s);
            }
            for (float amount : {0.0f, 0.5f, 0.73f, 1.0f, 1.5f, -1.0f, NAN}) {
                Surf dst(nullptr, format, 12, 10);
                if (g.clip)
                    dst->SetClipRect(&clip);
                std::string args = Fmt("\"rect\":%s,\"amount\":%.9g", rj.c_str(),
                                       isnan(amount) ? 0.0 : (double)amount);
                batch.Begin(Name("darken", format, 0, (int)(amount * 100)), "darken", dst.s,
                            nullptr, args);
                EXPECT_EQ(VORTAN_OK, dst->Darken(r, amount));
                batch.End(dst.s);
            }
        }
    }
    batch.Check();
}

TEST(SoftFill, UnsupportedFormatsAreRefused)
{
    for (int format : {VORTAN_PIXEL_RGB444, VORTAN_PIXEL_RGB555, VORTAN_PIXEL_RGB888}) {
        Surf dst(nullptr, format, 4, 4);
        EXPECT_EQ(VORTAN_E_VERSION, dst->FillGradient(1, 2, 3, 4, nullptr));
        EXPECT_EQ(VORTAN_E_VERSION, dst->FillAdditive(0xFF000000, nullptr));
        EXPECT_EQ(VORTAN_E_VERSION, dst->Darken(nullptr, 0.5f));
        EXPECT_EQ(VORTAN_E_VERSION, dst->DrawLine(0, 0, 3, 3, 1, 1));
        EXPECT_EQ(VORTAN_E_VERSION, dst->BlitTinted(0, 0, &dst.s, nullptr, 0xFFFFFFFF, 0));
    }
    CVortanSurface empty;
    EXPECT_EQ(VORTAN_E_RANGE, empty.FillGradient(1, 2, 3, 4, nullptr));
    EXPECT_EQ(VORTAN_E_RANGE, empty.Darken(nullptr, 0.5f));
    EXPECT_EQ(VORTAN_E_RANGE, empty.Invert());
}

TEST(SoftLine, LinesAndPixelsMatchTheModel)
{
    Batch batch;
    struct L {
        int x0, y0, x1, y1;
        u32 c0, c1;
    } lines[] = {
        {0, 0, 9, 0, 0xFFFF0000, 0xFFFF0000},     {1, 1, 10, 8, 0xFF00FF00, 0xFF00FF00},
        {11, 2, 2, 9, 0xFFFFFFFF, 0xFF000000},    {3, 9, 4, 0, 0x80102030, 0xFFF0E0D0},
        {-5, -5, 20, 15, 0xFF0000FF, 0xFFFF0000}, {5, 5, 5, 5, 0xFF123456, 0xFF654321},
        {-3, 4, -1, 9, 0xFFFFFFFF, 0xFFFFFFFF},   {0, 3, 40, 4, 0xFF00FF00, 0x0000FFFF},
    };
    for (int format : {VORTAN_PIXEL_RGB565, VORTAN_PIXEL_ARGB8888, VORTAN_PIXEL_ABGR8888}) {
        for (size_t i = 0; i < sizeof(lines) / sizeof(lines[0]); ++i) {
            const L& l = lines[i];
            for (int clipped = 0; clipped < 2; ++clipped) {
                Surf dst(nullptr, format, 12, 10);
                if (clipped) {
                    CVortanRect clip = {2, 2, 9, 8};
                    dst->SetClipRect(&clip);
                }
                std::string args = Fmt("\"p\":[%d,%d,%d,%d],\"c0\":%u,\"c1\":%u", l.x0, l.y0, l.x1,
                                       l.y1, l.c0, l.c1);
                batch.Begin(Name("line", format, 0, (int)i * 2 + clipped), "line", dst.s, nullptr,
                            args);
                EXPECT_EQ(VORTAN_OK, dst->DrawLine(l.x0, l.y0, l.x1, l.y1, l.c0, l.c1));
                batch.End(dst.s);
            }
        }
        {
            Surf dst(nullptr, format, 6, 5);
            batch.Begin(Name("putpixel", format, 0), "putpixel", dst.s, nullptr,
                        "\"pixels\":[[0,0,4294901760],[5,4,2155905152],[6,0,4294967295],[-1,2,"
                        "4294967295],[3,2,305419896]]");
            dst->PutPixel(0, 0, 0xFFFF0000);
            dst->PutPixel(5, 4, 0x80808080);
            dst->PutPixel(6, 0, 0xFFFFFFFF);
            dst->PutPixel(-1, 2, 0xFFFFFFFF);
            dst->PutPixel(3, 2, 0x12345678);
            batch.End(dst.s);
        }
        for (int nb : {0x00, 0xFF, 0x55, 0xA2}) {
            for (int at : {0, 1, 2}) {
                Surf dst(nullptr, format, 6, 5);
                int x = at == 0 ? 2 : (at == 1 ? 0 : 4), y = at == 0 ? 2 : (at == 1 ? 2 : 3);
                std::string args =
                    Fmt("\"x\":%d,\"y\":%d,\"color\":%u,\"neighbours\":%d", x, y, 0xFF336699u, nb);
                batch.Begin(Name("plotpixel", format, (u32)nb, at), "plotpixel", dst.s, nullptr,
                            args);
                EXPECT_EQ(VORTAN_OK, dst->PlotPixel(x, y, 0xFF336699, (u32)nb));
                batch.End(dst.s);
            }
        }
    }
    for (int format : {VORTAN_PIXEL_RGB444, VORTAN_PIXEL_RGB555, VORTAN_PIXEL_RGB565,
                       VORTAN_PIXEL_RGB888, VORTAN_PIXEL_ARGB8888, VORTAN_PIXEL_ABGR8888}) {
        Surf dst(nullptr, format, 3, 3); // odd row lengths: bytes after the last whole word
        batch.Begin(Name("invert", format, 0), "invert", dst.s, nullptr, "");
        EXPECT_EQ(VORTAN_OK, dst->Invert());
        batch.End(dst.s);
    }
    batch.Check();
}

TEST(SoftLine, HorizontalLineLeavesOutItsEndColumn)
{
    Surf dst(nullptr, VORTAN_PIXEL_ARGB8888, 12, 2, false, false);
    EXPECT_EQ(VORTAN_OK, dst->DrawLine(0, 0, 9, 0, 0xFFFF0000, 0xFFFF0000));
    for (int x = 0; x < 12; ++x)
        EXPECT_EQ(x <= 8 ? 0xFFFF0000u : 0u, Word(dst.s, x, 0)) << x;
    EXPECT_EQ(0u, Word(dst.s, 0, 1));
    // Wholly left of the clip rectangle: nothing.
    CVortanRect clip = {4, 0, 12, 2};
    dst->SetClipRect(&clip);
    EXPECT_EQ(VORTAN_OK, dst->DrawLine(0, 1, 3, 1, 0xFFFFFFFF, 0xFFFFFFFF));
    EXPECT_EQ(0u, Word(dst.s, 0, 1));
}

// --- VORTAN_PIXEL_PALETTE8 (the application's palette) -------------------------------------------

TEST(SoftPalette, EightBitOperationsGoThroughThePalette)
{
    ASSERT_TRUE(g_env->display && g_env->display->Ok());
    PaletteApp app;
    ASSERT_TRUE(app.GetPalette() != nullptr);
    Batch batch(&app);
    for (u32 flags : std::initializer_list<u32>{0u, VORTAN_BLIT_COLORKEY, VORTAN_BLIT_HALFBLEND,
                                                VORTAN_BLIT_MIRROR_X}) {
        Surf dst(&app, VORTAN_PIXEL_PALETTE8, 10, 8);
        Surf src(&app, VORTAN_PIXEL_PALETTE8, 6, 5);
        src.Key();
        std::string args = Fmt("\"x\":%d,\"y\":%d,\"flags\":%u,\"rect\":null", 3, 2, flags);
        batch.Begin(Name("blit", VORTAN_PIXEL_PALETTE8, flags), "blit", dst.s, &src.s, args);
        EXPECT_EQ(VORTAN_OK, dst->Blit(3, 2, &src.s, nullptr, flags));
        batch.End(dst.s);
    }
    // One case per other operation: name, op, source (0 none, 1 plain, 2 with alpha plane),
    // arguments, call.
    struct P {
        const char *name, *op;
        int src;
        const char* args;
        std::function<int(CVortanSurface&, CVortanSurface*)> call;
    } ops[] = {
        {"alpha blit", "blit", 2, "\"x\":-1,\"y\":4,\"flags\":128,\"rect\":null",
         [](CVortanSurface& d, CVortanSurface* s) {
             return d.Blit(-1, 4, s, nullptr, VORTAN_BLIT_ALPHA);
         }},
        {"tinted", "tinted", 2, "\"x\":2,\"y\":1,\"flags\":0,\"rect\":null,\"color\":2164228096",
         [](CVortanSurface& d, CVortanSurface* s) {
             return d.BlitTinted(2, 1, s, nullptr, 0x80FF8000, 0);
         }},
        {"rotated", "rotated", 1, "\"x\":5,\"y\":4,\"size\":4,\"angle\":0.699999988,\"flags\":2",
         [](CVortanSurface& d, CVortanSurface* s) {
             return d.BlitRotated(5, 4, s, 0.7f, 4, VORTAN_BLIT_HALFBLEND);
         }},
        {"gradient", "gradient", 0,
         "\"rect\":null,\"colors\":[4294901760,4278255360,4278190335,4294967295]",
         [](CVortanSurface& d, CVortanSurface*) {
             return d.FillGradient(0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, nullptr);
         }},
        {"additive", "additive", 0, "\"rect\":null,\"color\":2164195328",
         [](CVortanSurface& d, CVortanSurface*) { return d.FillAdditive(0x80FF0000, nullptr); }},
        {"darken", "darken", 0, "\"rect\":null,\"amount\":0.5",
         [](CVortanSurface& d, CVortanSurface*) { return d.Darken(nullptr, 0.5f); }},
        {"line", "line", 0, "\"p\":[0,0,9,7],\"c0\":4294901760,\"c1\":4278190335",
         [](CVortanSurface& d, CVortanSurface*) {
             return d.DrawLine(0, 0, 9, 7, 0xFFFF0000, 0xFF0000FF);
         }},
    };
    for (const P& o : ops) {
        Surf dst(&app, VORTAN_PIXEL_PALETTE8, 10, 8);
        Surf src(&app, VORTAN_PIXEL_PALETTE8, 6, 5, o.src == 2);
        batch.Begin(std::string(o.name) + " format 1", o.op, dst.s, o.src ? &src.s : nullptr,
                    o.args);
        EXPECT_EQ(VORTAN_OK, o.call(dst.s, o.src ? &src.s : nullptr));
        batch.End(dst.s);
    }
    batch.Check();
}
