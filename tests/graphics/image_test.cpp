// Images: PNG and JPEG decoded into surfaces (premultiplied, scaled, "_alpha" companions
// from packs and files), alpha planes, and surfaces saved as JPEG, PNG and BMP. Test
// images are written by Python's zlib or ImageMagick; saved files are read back with
// ImageMagick.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "engine/VortanMediaPack.h"
#include "engine/graphics/VortanSurface.h"
#include "engine/platform/VortanApplication.h"
#include "tests/graphics/SurfacePixels.h"
#include "tests/platform/ResourceTestSupport.h"
#include "tests/support/GraphicsTestWindow.h"
#include "tests/support/PackWriter.h"
#include "tests/support/TestSupport.h"

namespace {

using gtest_graphics::Desc;

gtest_graphics::GLEnvironment* const g_env =
    vtest::AddDisplayEnvironment<gtest_graphics::GLEnvironment>();

class App : public IVortanApplication {
public:
    App() { ReplaceGraphicsExt(nullptr); }
    void Update() override {}
};

// Writes a PNG with Python's zlib: colour type 6 (RGBA) or 2 (RGB), 8 bits, bytes row by row.
const char* kPngWriter = R"PY(
import struct, sys, zlib
path, w, h, ctype, data = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), bytes.fromhex(sys.argv[5])
bpp = 4 if ctype == 6 else 3
rows = b''.join(b'\x00' + data[y * w * bpp:(y + 1) * w * bpp] for y in range(h))
def chunk(kind, body):
    return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body) & 0xffffffff)
png = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, ctype, 0, 0, 0))
png += chunk(b'IDAT', zlib.compress(rows)) + chunk(b'IEND', b'')
open(path, 'wb').write(png)
)PY";

std::string Hex(const std::vector<int>& bytes)
{
    std::string out;
    char b[4];
    for (int v : bytes) {
        snprintf(b, sizeof(b), "%02x", v & 0xFF);
        out += b;
    }
    return out;
}

bool WritePng(const std::string& path, int w, int h, int colourType, const std::vector<int>& bytes)
{
    return vtest::RunProgram({vtest::Python(), "-c", kPngWriter, path, std::to_string(w),
                              std::to_string(h), std::to_string(colourType), Hex(bytes)}) == 0;
}

// A flat JPEG made by ImageMagick.
bool WriteJpeg(const std::string& path, int w, int h, const char* colour)
{
    return vtest::RunProgram({"convert", "-size", std::to_string(w) + "x" + std::to_string(h),
                              std::string("xc:") + colour, "-quality", "95", path}) == 0;
}

// The pixels of any image file as R, G, B bytes, read by ImageMagick.
std::string ReadRgb(const std::string& path)
{
    std::string out;
    vtest::RunProgram({"convert", path, "-depth", "8", "rgb:-"}, &out);
    return out;
}

bool WritePack(const std::string& path, const rtest::Entries& entries)
{
    return vtest::WriteWholeFile(path, vtest::MakePack(entries));
}

const u8* Px(CVortanSurface& s, int x, int y)
{
    return s.GetPixels() + (size_t)y * s.GetPitch() + (size_t)x * (size_t)(s.GetBitsPerPixel() / 8);
}

bool NearByte(int a, int b, int tolerance)
{
    return a - b <= tolerance && b - a <= tolerance;
}

class Images : public ::testing::Test {
protected:
    void SetUp() override
    {
        // 4 x 2 RGBA: red at 128, green opaque, blue at 0, a dark colour; row 2 at 64 and 255.
        rgba = {255, 0,   0,  128, 0,   255, 0,   255, 0, 0, 255, 0, 10, 20, 30, 255,
                100, 200, 50, 64,  255, 255, 255, 255, 1, 2, 3,   4, 0,  0,  0,  255};
        ASSERT_TRUE(WritePng(dir.File("alpha.png"), 4, 2, 6, rgba));
        png = vtest::ReadWholeFile(dir.File("alpha.png"));
        ASSERT_FALSE(png.empty());
    }
    void TearDown() override { s.Release(); }

    vtest::TempDir dir;
    std::vector<int> rgba;
    std::string png;
    CVortanSurface s;
};

} // namespace

TEST_F(Images, PngWithAlphaIsPremultipliedInAbgr)
{
    CVortanSurfaceDesc d = Desc(0, 0, VORTAN_PIXEL_ABGR8888);
    ASSERT_EQ(VORTAN_OK, s.LoadFromMemory(nullptr, png.data(), (int)png.size(), &d));
    ASSERT_EQ(4, s.GetWidth());
    ASSERT_EQ(2, s.GetHeight());
    for (int i = 0; i < 8; ++i) {
        int a = rgba[(size_t)i * 4 + 3];
        const u8* p = Px(s, i % 4, i / 4);
        for (int c = 0; c < 3; ++c) {
            int v = rgba[(size_t)i * 4 + (size_t)c];
            int expected = a < 255 ? v * a / 255 : v;
            EXPECT_EQ(expected, p[c]) << "pixel " << i << " channel " << c;
        }
        EXPECT_EQ(a, p[3]) << "pixel " << i;
    }
    const u8 first[4] = {128, 0, 0, 128};
    EXPECT_EQ(0, memcmp(first, Px(s, 0, 0), 4));
    // A null description is the display's format (VORTAN_PIXEL_ABGR8888 here); format
    // VORTAN_PIXEL_ARGB8888 stores B, G, R, A.
    ASSERT_EQ(VORTAN_OK, s.LoadFromMemory(nullptr, png.data(), (int)png.size(), nullptr));
    EXPECT_EQ(VORTAN_PIXEL_ABGR8888, s.GetPixelFormat());
    d = Desc(0, 0, VORTAN_PIXEL_ARGB8888);
    ASSERT_EQ(VORTAN_OK, s.LoadFromMemory(nullptr, png.data(), (int)png.size(), &d));
    const u8 bgra[4] = {0, 0, 128, 128};
    EXPECT_EQ(0, memcmp(bgra, Px(s, 0, 0), 4));
}

TEST_F(Images, PngWithAlphaInRgb565GetsAnAlphaPlane)
{
    CVortanSurfaceDesc d = Desc(0, 0, VORTAN_PIXEL_RGB565);
    ASSERT_EQ(VORTAN_OK, s.LoadFromMemory(nullptr, png.data(), (int)png.size(), &d));
    ASSERT_NE(nullptr, s.GetAlphaPlane());
    for (int i = 0; i < 8; ++i) {
        int a = rgba[(size_t)i * 4 + 3];
        EXPECT_EQ(a, s.GetAlphaPlane()[i]) << i;
        int r = rgba[(size_t)i * 4], g = rgba[(size_t)i * 4 + 1], b = rgba[(size_t)i * 4 + 2];
        if (a < 255) {
            r = r * a / 255;
            g = g * a / 255;
            b = b * a / 255;
        }
        u16 expected = (u16)(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
        EXPECT_EQ(expected, *(const u16*)Px(s, i % 4, i / 4)) << i;
    }
}

TEST_F(Images, NarrowImagesUseTheDecodersChannelCount)
{
    // RGB rows of 1, 2 and 3 pixels are padded by the decoder: stride / width is not 3.
    for (int w = 1; w <= 3; ++w) {
        std::vector<int> rgb;
        for (int i = 0; i < w * 2; ++i) {
            rgb.push_back(10 + i);
            rgb.push_back(100 + i);
            rgb.push_back(200 + i);
        }
        std::string path = dir.File("narrow" + std::to_string(w) + ".png");
        ASSERT_TRUE(WritePng(path, w, 2, 2, rgb));
        CVortanSurfaceDesc d = Desc(0, 0, VORTAN_PIXEL_ABGR8888);
        ASSERT_EQ(VORTAN_OK, s.LoadFromFile(nullptr, CVortanString(path.c_str()), &d));
        for (int i = 0; i < w * 2; ++i) {
            const u8* p = Px(s, i % w, i / w);
            EXPECT_EQ(10 + i, p[0]) << w << " " << i;
            EXPECT_EQ(100 + i, p[1]) << w << " " << i;
            EXPECT_EQ(200 + i, p[2]) << w << " " << i;
            EXPECT_EQ(255, p[3]) << w << " " << i;
        }
    }
}

TEST_F(Images, ScaledDecodeAndBadInput)
{
    std::vector<int> big;
    for (int i = 0; i < 40 * 40; ++i) {
        big.push_back(50);
        big.push_back(60);
        big.push_back(70);
    }
    ASSERT_TRUE(WritePng(dir.File("big.png"), 40, 40, 2, big));
    std::string bytes = vtest::ReadWholeFile(dir.File("big.png"));
    CVortanSurfaceDesc d = Desc(20, 10, VORTAN_PIXEL_ABGR8888);
    ASSERT_EQ(VORTAN_OK, s.LoadFromMemory(nullptr, bytes.data(), (int)bytes.size(), &d));
    EXPECT_EQ(20, s.GetWidth());
    EXPECT_EQ(10, s.GetHeight());
    EXPECT_EQ(60, Px(s, 10, 5)[1]);
    d = Desc(0, 10, VORTAN_PIXEL_ABGR8888); // one side given: the other keeps the image's size
    ASSERT_EQ(VORTAN_OK, s.LoadFromMemory(nullptr, bytes.data(), (int)bytes.size(), &d));
    EXPECT_EQ(40, s.GetWidth());
    EXPECT_EQ(10, s.GetHeight());

    EXPECT_EQ(VORTAN_E_ARGUMENT, s.LoadFromMemory(nullptr, bytes.data(), 0, &d));
    EXPECT_EQ(VORTAN_E_ARGUMENT, s.LoadFromMemory(nullptr, nullptr, 10, &d));
    const char garbage[] = "certainly not an image";
    EXPECT_EQ(VORTAN_E_NOMEMORY, s.LoadFromMemory(nullptr, garbage, (int)sizeof(garbage), &d));
    EXPECT_EQ(VORTAN_E_OPEN,
              s.LoadFromFile(nullptr, CVortanString(dir.File("absent.png").c_str()), &d));
    ASSERT_TRUE(vtest::WriteWholeFile(dir.File("empty.png"), ""));
    EXPECT_EQ(VORTAN_E_VERSION,
              s.LoadFromFile(nullptr, CVortanString(dir.File("empty.png").c_str()), &d));
}

TEST_F(Images, JpegDecodes)
{
    ASSERT_TRUE(WriteJpeg(dir.File("flat.jpg"), 16, 16, "rgb(200,100,50)"));
    CVortanSurfaceDesc d = Desc(0, 0, VORTAN_PIXEL_ARGB8888);
    ASSERT_EQ(VORTAN_OK, s.LoadFromFile(nullptr, CVortanString(dir.File("flat.jpg").c_str()), &d));
    u32 c = s.GetPixel(8, 8);
    EXPECT_TRUE(NearByte(200, (int)(c >> 16) & 0xFF, 3)) << std::hex << c;
    EXPECT_TRUE(NearByte(100, (int)(c >> 8) & 0xFF, 3)) << std::hex << c;
    EXPECT_TRUE(NearByte(50, (int)c & 0xFF, 3)) << std::hex << c;
    EXPECT_EQ(0xFFu, c >> 24);
}

TEST_F(Images, AlphaCompanionFromAPack)
{
    ASSERT_TRUE(WriteJpeg(dir.File("logo.jpg"), 16, 16, "rgb(200,100,50)"));
    ASSERT_TRUE(WriteJpeg(dir.File("logo_alpha.jpg"), 8, 8, "rgb(128,128,128)")); // half size
    std::string plainPng = png;
    ASSERT_TRUE(WritePack(dir.File("test.dmp"),
                          {{"/logo.jpg", vtest::ReadWholeFile(dir.File("logo.jpg"))},
                           {"/logo_alpha.jpg", vtest::ReadWholeFile(dir.File("logo_alpha.jpg"))},
                           {"/plain", plainPng}}));
    CVortanMediaPack pack;
    ASSERT_EQ(VORTAN_OK, pack.Open(CVortanString(dir.File("test.dmp").c_str())));
    CVortanSurfaceDesc d = Desc(0, 0, VORTAN_PIXEL_ABGR8888, VORTAN_SURFACE_ALPHA_COMPANION);
    ASSERT_EQ(VORTAN_OK, s.LoadFromPack(nullptr, &pack, CVortanString("logo.jpg"), 0, &d));
    EXPECT_TRUE(s.GetID() == CVortanString("logo.jpg"));
    const u8* p = Px(s, 5, 5);
    // Alpha 128 from the companion's blue channel, colours premultiplied: c * 128 >> 8.
    EXPECT_TRUE(NearByte(128, p[3], 2)) << (int)p[3];
    EXPECT_TRUE(NearByte(100, p[0], 3)) << (int)p[0];
    EXPECT_TRUE(NearByte(50, p[1], 3)) << (int)p[1];
    EXPECT_TRUE(NearByte(25, p[2], 3)) << (int)p[2];

    // The same in format VORTAN_PIXEL_RGB565: the companion goes into the alpha plane.
    d = Desc(0, 0, VORTAN_PIXEL_RGB565, VORTAN_SURFACE_ALPHA_COMPANION);
    ASSERT_EQ(VORTAN_OK, s.LoadFromPack(nullptr, &pack, CVortanString("logo.jpg"), 0, &d));
    ASSERT_NE(nullptr, s.GetAlphaPlane());
    EXPECT_TRUE(NearByte(128, s.GetAlphaPlane()[17], 2));

    // A name without "." loads and looks for no companion; a missing entry is VORTAN_E_MISSING.
    d = Desc(0, 0, VORTAN_PIXEL_ABGR8888, VORTAN_SURFACE_ALPHA_COMPANION);
    ASSERT_EQ(VORTAN_OK, s.LoadFromPack(nullptr, &pack, CVortanString("plain"), 0, &d));
    EXPECT_EQ(128, Px(s, 0, 0)[3]);
    EXPECT_EQ(VORTAN_E_MISSING, s.LoadAlphaCompanion(CVortanString("plain"), &pack));
    EXPECT_EQ(VORTAN_E_MISSING,
              s.LoadFromPack(nullptr, &pack, CVortanString("nothing.png"), 0, &d));
    // Without the flag the companion is not applied.
    d = Desc(0, 0, VORTAN_PIXEL_ABGR8888);
    ASSERT_EQ(VORTAN_OK, s.LoadFromPack(nullptr, &pack, CVortanString("logo.jpg"), 0, &d));
    EXPECT_EQ(255, Px(s, 5, 5)[3]);
    EXPECT_EQ(VORTAN_E_ARGUMENT,
              s.LoadFromPack(nullptr, nullptr, CVortanString("logo.jpg"), 0, &d));
}

TEST_F(Images, AlphaCompanionFromFilesAndAMissingOne)
{
    std::vector<int> white(3 * 4, 255), grey;
    for (int i = 0; i < 4; ++i) {
        grey.push_back(i * 60);
        grey.push_back(i * 60);
        grey.push_back(i * 60);
    }
    ASSERT_TRUE(WritePng(dir.File("ship.png"), 4, 1, 2, white));
    ASSERT_TRUE(WritePng(dir.File("ship_alpha.png"), 4, 1, 2, grey));
    CVortanSurfaceDesc d = Desc(0, 0, VORTAN_PIXEL_ARGB8888, VORTAN_SURFACE_ALPHA_COMPANION);
    ASSERT_EQ(VORTAN_OK, s.LoadFromFile(nullptr, CVortanString(dir.File("ship.png").c_str()), &d));
    for (int x = 0; x < 4; ++x) {
        u32 a = (u32)(x * 60);
        u32 c = (255 * a) >> 8;
        u32 expected = a >= 255 ? 0xFFFFFFFFu : (a << 24 | c << 16 | c << 8 | c);
        EXPECT_EQ(expected, *(const u32*)Px(s, x, 0)) << x;
    }
    // No companion on disk: the image loads without it.
    ASSERT_TRUE(WritePng(dir.File("boat.png"), 4, 1, 2, white));
    ASSERT_EQ(VORTAN_OK, s.LoadFromFile(nullptr, CVortanString(dir.File("boat.png").c_str()), &d));
    EXPECT_EQ(0xFFFFFFFFu, *(const u32*)Px(s, 0, 0));
}

TEST_F(Images, ApplyAlphaPlaneChecksItsDescription)
{
    CVortanSurfaceDesc d = Desc(2, 1, VORTAN_PIXEL_ABGR8888);
    ASSERT_EQ(VORTAN_OK, s.Create(nullptr, &d));
    s.Clear(0xFFC8C8C8, nullptr);
    u8 alpha[2] = {128, 255};
    CVortanSurfaceDesc a = Desc(2, 1, VORTAN_PIXEL_PALETTE8);
    a.pitch = 2;
    CVortanSurfaceDesc wrongFormat = Desc(2, 1, VORTAN_PIXEL_ABGR8888);
    CVortanSurfaceDesc wrongSize = Desc(3, 1, VORTAN_PIXEL_PALETTE8);
    EXPECT_EQ(VORTAN_E_VERSION, s.ApplyAlphaPlane(&wrongFormat, alpha));
    EXPECT_EQ(VORTAN_E_MALFORMED, s.ApplyAlphaPlane(&wrongSize, alpha));
    ASSERT_EQ(VORTAN_OK, s.ApplyAlphaPlane(&a, alpha));
    EXPECT_EQ(0x80646464u, *(const u32*)Px(s, 0, 0)); // 200 * 128 >> 8 = 100
    EXPECT_EQ(0xFFC8C8C8u, *(const u32*)Px(s, 1, 0));

    d = Desc(2, 1, VORTAN_PIXEL_RGB565);
    ASSERT_EQ(VORTAN_OK, s.Create(nullptr, &d));
    s.Clear(0xFFFFFFFF, nullptr);
    ASSERT_EQ(VORTAN_OK, s.ApplyAlphaPlane(&a, alpha));
    ASSERT_NE(nullptr, s.GetAlphaPlane());
    EXPECT_EQ(128, s.GetAlphaPlane()[0]);
    // 31 * 128 >> 8 = 15, 63 * 128 >> 8 = 31.
    EXPECT_EQ((15 << 11) | (31 << 5) | 15, *(const u16*)Px(s, 0, 0));
    EXPECT_EQ(0xFFFF, *(const u16*)Px(s, 1, 0));

    CVortanSurface mask;
    CVortanSurfaceDesc md = Desc(3, 1, VORTAN_PIXEL_ARGB8888);
    ASSERT_EQ(VORTAN_OK, mask.Create(nullptr, &md));
    EXPECT_EQ(VORTAN_E_ARGUMENT, s.ApplyAlphaFromSurface(&mask));
    mask.Release();
}

TEST_F(Images, CompanionGivesAMirrorWithAlpha)
{
    CVortanSurface::SetNullTextures(1);
    std::vector<int> white(3 * 4, 255), grey(3 * 4, 128);
    ASSERT_TRUE(WritePng(dir.File("gem.png"), 2, 2, 2, white));
    ASSERT_TRUE(WritePng(dir.File("gem_alpha.png"), 2, 2, 2, grey));
    CVortanSurfaceDesc d =
        Desc(0, 0, VORTAN_PIXEL_RGB565, VORTAN_SURFACE_TEXTURE | VORTAN_SURFACE_ALPHA_COMPANION);
    ASSERT_EQ(VORTAN_OK, s.LoadFromFile(nullptr, CVortanString(dir.File("gem.png").c_str()), &d));
    EXPECT_NE(0u, s.GetTexture());
    EXPECT_EQ(0x1908u, s.GetTextureFormat()); // GL_RGBA
    EXPECT_EQ(0x8033u, s.GetTextureType());   // GL_UNSIGNED_SHORT_4_4_4_4
    s.Release();
    CVortanSurface::SetNullTextures(0);
}

TEST_F(Images, SavedFilesOpenElsewhereWithTheSamePixels)
{
    App app;
    CVortanSurfaceDesc d = Desc(0, 0, VORTAN_PIXEL_ABGR8888);
    std::vector<int> opaque;
    for (int i = 0; i < 8 * 8; ++i) { // smooth, so that JPEG keeps it closely
        opaque.push_back(20 + (i % 8) * 30);
        opaque.push_back(30 + (i / 8) * 25);
        opaque.push_back(128);
    }
    ASSERT_TRUE(WritePng(dir.File("src.png"), 8, 8, 2, opaque));
    std::string expected;
    for (int v : opaque)
        expected += (char)v;

    // No application.
    EXPECT_EQ(VORTAN_E_RANGE, SaveImage(&s, CVortanString(dir.File("x.png").c_str())));
    for (int format : {VORTAN_PIXEL_ARGB8888, VORTAN_PIXEL_ABGR8888, VORTAN_PIXEL_RGB565}) {
        d = Desc(0, 0, format);
        ASSERT_EQ(VORTAN_OK, s.LoadFromFile(&app, CVortanString(dir.File("src.png").c_str()), &d));
        std::string name = "shot" + std::to_string(format);
        ASSERT_EQ(VORTAN_OK, s.SaveToFile(CVortanString(dir.File(name + ".png").c_str())));
        ASSERT_EQ(VORTAN_OK, SaveImage(&s, CVortanString(dir.File(name + ".dat").c_str())));
        ASSERT_EQ(VORTAN_OK, s.SaveToFile(CVortanString(dir.File(name + ".JPG").c_str())));
        std::string pngBytes = vtest::ReadWholeFile(dir.File(name + ".png"));
        EXPECT_EQ(0, pngBytes.compare(1, 3, "PNG"));
        EXPECT_EQ("BM", vtest::ReadWholeFile(dir.File(name + ".dat")).substr(0, 2));
        std::string jpg = vtest::ReadWholeFile(dir.File(name + ".JPG"));
        EXPECT_EQ("\xFF\xD8", jpg.substr(0, 2));
        std::string quality;
        vtest::RunProgram({"identify", "-format", "%Q", dir.File(name + ".JPG")}, &quality);
        EXPECT_EQ("85", quality);

        std::string want = expected;
        if (format == VORTAN_PIXEL_RGB565) {
            // 5-6-5 read back as the bits hold them.
            for (size_t i = 0; i < want.size(); i += 3) {
                want[i] = (char)((u8)want[i] & 0xF8);
                want[i + 1] = (char)((u8)want[i + 1] & 0xFC);
                want[i + 2] = (char)((u8)want[i + 2] & 0xF8);
            }
        }
        EXPECT_EQ(want, ReadRgb(dir.File(name + ".png"))) << format;
        EXPECT_EQ(want, ReadRgb(dir.File(name + ".dat"))) << format;
        std::string fromJpeg = ReadRgb(dir.File(name + ".JPG"));
        ASSERT_EQ(want.size(), fromJpeg.size());
        int worst = 0, total = 0;
        for (size_t i = 0; i < want.size(); ++i) {
            int diff = abs((int)(u8)want[i] - (int)(u8)fromJpeg[i]);
            worst = diff > worst ? diff : worst;
            total += diff;
        }
        // Lossy, with colour subsampling: close on average, never far.
        EXPECT_LT(total / (int)want.size(), 6) << "JPEG drifted too far";
        EXPECT_LT(worst, 40) << "JPEG drifted too far";
    }
    // Nothing is left beside the saved files, and a surface without pixels is not saved.
    std::string listing;
    vtest::RunProgram({"ls", dir.Path()}, &listing);
    EXPECT_EQ(std::string::npos, listing.find(".tmp"));
    s.Release();
    CVortanSurface none;
    EXPECT_EQ(VORTAN_E_RANGE, none.SaveToFile(CVortanString(dir.File("none.png").c_str())));
    CVortanSurfaceDesc one = Desc(1, 1, VORTAN_PIXEL_ABGR8888);
    ASSERT_EQ(VORTAN_OK, none.Create(&app, &one));
    EXPECT_EQ(0, none.SaveToFile(CVortanString("/nonexistent-dir/x.png")));
    none.Release();
}

TEST_F(Images, SavingAndLoadingUseTheSameBytesOfANonAsciiPath)
{
    // Paths carry the file system's bytes one per unit (as the user-data path gives them):
    // a save must land where a load of the same path reads.
    App app;
    std::string folder = dir.File("h\xc3\xa9");
    ASSERT_EQ(0, vtest::RunProgram({"mkdir", folder}));
    CVortanSurfaceDesc d = Desc(0, 0, VORTAN_PIXEL_ABGR8888);
    ASSERT_EQ(VORTAN_OK, s.LoadFromMemory(&app, png.data(), (int)png.size(), &d));
    CVortanString path((folder + "/copy.png").c_str());
    ASSERT_EQ(VORTAN_OK, s.SaveToFile(path));
    EXPECT_EQ(0, vtest::ReadWholeFile(folder + "/copy.png").compare(1, 3, "PNG"));
    CVortanSurface back;
    EXPECT_EQ(VORTAN_OK, back.LoadFromFile(&app, path, &d));
    EXPECT_EQ(4, back.GetWidth());
    back.Release();
}
