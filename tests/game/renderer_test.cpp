// The game's renderer and shaders on Mesa GLES2 under Xvfb: every quad helper with its
// blending against reference pictures made by ImageMagick from the same images and the
// helpers' geometry (+-2 per channel), frame selection, the stretch rows, the water at a set
// clock, text placement, shadow and long texts, world quads through the camera, the
// shaders' build, failure texts and re-creation, the images kept only as textures through a lost
// context, and the batched glow sprites and text passes against one draw each.
#include <gtest/gtest.h>
#include <math.h>
#include <string.h>

#include <string>

#include "engine/graphics/VortanBitmapFont.h"
#include "engine/graphics/VortanSurface.h"
#include "game/VexDotField.h"
#include "game/VexQuadTrim.h"
#include "game/VexShader.h"
#include "tests/game/GLGameSupport.h"

using gltest::At;
using gltest::Box;
using gltest::Close;
using gltest::Differences;
using gltest::Magick;
using gltest::Rgb;

namespace {

gtest_graphics::GLEnvironment* const g_env =
    vtest::AddDisplayEnvironment<gtest_graphics::GLEnvironment>(800, 480);

const char* kGrey = "#404040";
const u32 kGreyPixel = 0x404040;

// Test images, written once into a directory shared by the tests.
struct Images {
    Images()
    {
        // 32 x 32: red, green / blue, half-transparent white quadrants.
        quad = gltest::Png({"-size",      "32x32",  "xc:#ff0000", "(",     "-size",        "16x16",
                            "xc:#00ff00", ")",      "-geometry",  "+16+0", "-composite",   "(",
                            "-size",      "16x16",  "xc:#0000ff", ")",     "-geometry",    "+0+16",
                            "-composite", "(",      "-size",      "16x16", "xc:#ffffff80", ")",
                            "-geometry",  "+16+16", "-compose",   "copy",  "-composite"});
        // 16 cells of 8 x 8 in a row, cell i grey level 16 i + 8 in red, 255 - 16 i in blue.
        std::vector<std::string> args{"-size", "128x8", "xc:black"};
        for (int i = 0; i < 16; ++i) {
            char colour[16];
            snprintf(colour, sizeof(colour), "#%02x40%02x", 16 * i + 8, 255 - 16 * i);
            args.insert(args.end(), {"-fill", colour, "-draw",
                                     "rectangle " + std::to_string(8 * i) + ",0 " +
                                         std::to_string(8 * i + 7) + ",7"});
        }
        strip = gltest::Png(args);
        // A 10-row stretch strip, 64 x 160: row r (16 px) in its own colour.
        args = {"-size", "64x160", "xc:black"};
        for (int r = 0; r < 10; ++r)
            args.insert(args.end(), {"-fill", RowColour(r), "-draw",
                                     "rectangle 0," + std::to_string(16 * r) + " 63," +
                                         std::to_string(16 * r + 15)});
        stretch = gltest::Png(args);
        // Waves: rows 0..31 cyan, 32..63 yellow; the water base magenta.
        waves = gltest::Png(
            {"-size", "16x64", "xc:#00c0c0", "-fill", "#c0c000", "-draw", "rectangle 0,32 15,63"});
        base = gltest::Png({"-size", "16x16", "xc:#800080"});
        // 64 x 64, clear but for a half-transparent orange disc and an opaque blue bar off
        // the centre (a button on its clear square); and a wholly clear picture.
        margin = gltest::Png({"-size", "64x64", "xc:none", "-fill", "#ff8000c0", "-draw",
                              "circle 30,26 42,26", "-fill", "#2040ff", "-draw",
                              "rectangle 20,38 46,44"});
        clear = gltest::Png({"-size", "16x16", "xc:none"});
        // Font page: glyphs are white blocks ('A' 8 x 12 at 0,0; 'B' 8 x 12 at 8,0).
        page = gltest::Png({"-size", "32x16", "xc:#ffffff"});
    }
    static std::string RowColour(int r)
    {
        char colour[16];
        snprintf(colour, sizeof(colour), "#%02x%02x%02x", 20 * r + 30, 200 - 15 * r, 90);
        return colour;
    }
    static u32 RowPixel(int r) { return (u32)((20 * r + 30) << 16 | (200 - 15 * r) << 8 | 90); }

    std::string quad, strip, stretch, waves, base, page, margin, clear;
};

const Images& I()
{
    static Images images;
    return images;
}

// Line height 16; 'A', 'B' advance 10; '_' advance 7 and no 'C'.
const char* kFont = "<font><common lineHeight=\"16\"/><pages><page id=\"0\" file=\"foo_0.png\"/>"
                    "</pages><chars count=\"3\">"
                    "<char id=\"65\" x=\"0\" y=\"0\" width=\"8\" height=\"12\" xoffset=\"3\" "
                    "yoffset=\"2\" xadvance=\"10\" page=\"0\"/>"
                    "<char id=\"66\" x=\"8\" y=\"0\" width=\"8\" height=\"12\" xoffset=\"0\" "
                    "yoffset=\"2\" xadvance=\"10\" page=\"0\"/>"
                    "<char id=\"95\" x=\"16\" y=\"0\" width=\"7\" height=\"2\" xoffset=\"0\" "
                    "yoffset=\"12\" xadvance=\"7\" page=\"0\"/>"
                    "</chars></font>";

std::string Path(const std::string& name, const std::string& bytes)
{
    static vtest::TempDir* dir = new vtest::TempDir();
    const std::string path = dir->File(name);
    if (!vtest::Exists(path))
        vtest::WriteWholeFile(path, bytes);
    return path;
}

class Renderer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(g_env->window);
        g = new gltest::GameOnWindow(g_env->window->Id());
        ASSERT_TRUE(g->app.created);
        using G = gltest::GameOnWindow;
        ASSERT_TRUE(g->OpenPack({{G::Name(18), I().quad},
                                 {G::Name(25), I().strip},
                                 {G::Name(10), I().stretch},
                                 {G::Name(46), I().waves},
                                 {G::Name(45), I().base},
                                 {G::Name(0), I().page},
                                 {G::Name(17), I().margin},
                                 {G::Name(57), I().clear},
                                 {"/foo.fnt", kFont}}));
        ASSERT_TRUE(g->Load({18, 25, 10, 46, 45, 17, 57}));
        g->Clear(0xFF404040u);
    }
    void TearDown() override { delete g; }

    CVortanSurface* Img(int id) { return g->game.GetGameContext()->GetImage(id); }
    CVexRenderer& R() { return g->renderer; }
    // The grey view with these ImageMagick steps on it.
    Rgb Ref(std::vector<std::string> steps)
    {
        std::vector<std::string> args{"-size", "800x480", std::string("xc:") + kGrey};
        args.insert(args.end(), steps.begin(), steps.end());
        return Magick(args);
    }

    gltest::GameOnWindow* g = nullptr;
};

} // namespace

TEST_F(Renderer, ShadersAreBuiltWithTheirLocations)
{
    for (int i = 0; i < VEX_SHADER_COUNT; ++i) {
        CVexShader* s = R().GetShader(i);
        ASSERT_NE(nullptr, s);
        EXPECT_NE(0u, s->GetProgram()) << i;
        EXPECT_TRUE(s->GetMessages().IsEmpty()) << i;
    }
    EXPECT_GE(R().GetBlockShader()->texture1, 0);
    EXPECT_GE(R().GetBlockShader()->shadevs, 0);
    EXPECT_GE(R().GetWaterShader()->projectionMatrix, 0);
    EXPECT_LT(R().GetScreenShader()->texture0 == -1, 1);
}

TEST_F(Renderer, AFragmentSourceWithoutTexture0GivesTheClassText)
{
    const char* fs = "void main() { gl_FragColor = vec4(1.0); }\n";
    CVexScreenOverlayShader overlay(kVexTintedScreenVS, fs, &g->game);
    EXPECT_NE(0u, overlay.GetProgram());
    EXPECT_EQ(-1, overlay.texture0);
    EXPECT_TRUE(
        overlay.GetMessages() ==
        CVortanString("SCREEN OVERLAY SHADER : Failed to get uniform location texture0 \n"));
    CVexBlockShader block(kVexBlockVS, fs, &g->game);
    EXPECT_TRUE(block.GetMessages() ==
                CVortanString("BLOCK SHADER 0: Failed to get uniform location texture0 \n"
                              "BLOCK SHADER 1: Failed to get uniform location texture1 \n"));
    CVexWaterShader broken(kVexWorldTexturedVS, "void main() { syntax error }", &g->game);
    EXPECT_EQ(0u, broken.GetProgram());
    EXPECT_TRUE(broken.GetMessages() ==
                CVortanString("Failed to create shader program \n"
                              "WATER SHADER : Failed to get uniform location texture0 \n"));
}

TEST_F(Renderer, RecreatingTheShadersLeavesNoEarlierProgramAlive)
{
    std::vector<u32> before;
    for (int i = 0; i < VEX_SHADER_COUNT; ++i)
        before.push_back(R().GetShader(i)->GetProgram());
    R().CreateShaders();
    std::vector<u32> after;
    for (int i = 0; i < VEX_SHADER_COUNT; ++i)
        after.push_back(R().GetShader(i)->GetProgram());
    for (u32 old : before) {
        bool reused = false;
        for (u32 now : after)
            reused = reused || now == old;
        if (!reused) {
            EXPECT_EQ(GL_FALSE, glIsProgram(old)) << old;
        }
    }
    // A lost context: the game releases the shaders, the context comes back, they are made
    // again and draw.
    R().ReleaseShaders();
    g->game.GetGameContext()->ReleaseAllImages(&g->app);
    ASSERT_EQ(VORTAN_OK, g->app.ext->Restore());
    ASSERT_EQ(VORTAN_OK, g->app.ext->Resize(800, 480));
    R().CreateShaders();
    ASSERT_TRUE(g->Load({18}));
    g->Clear(0xFF404040u);
    R().DrawScreenQuad(CVortanVector2(100, 100), CVortanVector2(16, 16), Img(18), 0xFFFFFFFFu);
    EXPECT_TRUE(Close(0xFF0000, At(gltest::ReadFrame(), 90, 90)));
}

// Screen quads, opaque colour (premultiplied "over") and half alpha (source-alpha blending
// of the premultiplied image), against ImageMagick's composites of the same image.
TEST_F(Renderer, ScreenQuadBlendsAsItsColourSays)
{
    R().DrawScreenQuad(CVortanVector2(100, 100), CVortanVector2(16, 16), Img(18), 0xFFFFFFFFu);
    R().DrawScreenQuad(CVortanVector2(300, 100), CVortanVector2(16, 16), Img(18), 0x80FFFFFFu);
    // Stretched twice its size, opaque colour tint (0x80 green): rgb times the colour.
    R().DrawScreenQuad(CVortanVector2(500, 300), CVortanVector2(32, 32), Img(18), 0xFF808080u);
    R().DrawScreenQuad(CVortanVector2(700, 300), CVortanVector2(16, 16), nullptr, 0xFFFFFFFFu);
    const Rgb frame = gltest::ReadFrame();
    gltest::Keep(frame, "screen_quads");
    const std::string quad = Path("quad.png", I().quad);
    const Rgb ref =
        Ref({quad, "-geometry", "+84+84", "-compose", "over", "-composite",
             // half alpha: opaque texels at alpha 0.5 "over"
             "(", quad, "-channel", "A", "-evaluate", "multiply", "0.5", "+channel", ")",
             "-geometry", "+284+84", "-composite",
             // twice the size, rgb halved
             "(", quad, "-filter", "point", "-resize", "64x64", "-channel", "RGB", "-evaluate",
             "multiply", "0.50196", "+channel", ")", "-geometry", "+468+268", "-composite"});
    EXPECT_EQ(0, Differences(frame, ref, {84, 84, 116, 116}));
    // Only the opaque quadrants follow the plain "over" at half alpha; the premultiplied
    // quadrant's colour is taken by the alpha twice: 0.5 x 0.25 + grey x 0.75.
    EXPECT_EQ(0, Differences(frame, ref, {284, 84, 316, 100}));
    EXPECT_EQ(0, Differences(frame, ref, {284, 100, 300, 116}));
    const int premul = (int)(255 * 0.5 * 0.5 * 0.5 + 0x40 * (1.0 - 0.25) + 0.5);
    EXPECT_TRUE(Close((u32)(premul * 0x10101), At(frame, 308, 108), 3))
        << std::hex << At(frame, 308, 108);
    // The doubled quad: the quadrant boundaries fall between texels; compare inside them.
    EXPECT_EQ(0, Differences(frame, ref, {468, 268, 500, 300}, 2));
    EXPECT_EQ(0, Differences(frame, ref, {500, 268, 532, 300}, 2));
    EXPECT_EQ(0, Differences(frame, ref, {468, 300, 500, 332}, 2));
    EXPECT_EQ(kGreyPixel, At(frame, 700, 300)); // no image, nothing drawn
}

// A picture without a see-through pixel drawn at full strength covers what lies below as the
// blend would; faded, or with a see-through pixel, it is still blended.
TEST_F(Renderer, AnOpaquePictureCoversWhatIsBelowAndAFadedOneStillBlends)
{
    R().DrawScreenQuad(CVortanVector2(100, 100), CVortanVector2(16, 16), Img(45), 0xFFFFFFFFu);
    R().DrawScreenQuad(CVortanVector2(300, 100), CVortanVector2(16, 16), Img(45), 0x80FFFFFFu);
    R().DrawScreenQuad(CVortanVector2(500, 100), CVortanVector2(16, 16), Img(18), 0xFFFFFFFFu);
    EXPECT_EQ(1, Img(45)->IsTextureOpaque());
    EXPECT_EQ(0, Img(18)->IsTextureOpaque());
    const Rgb frame = gltest::ReadFrame();
    int off = 0;
    for (int y = 84; y < 116; ++y)
        for (int x = 84; x < 116; ++x)
            off += At(frame, x, y) != 0x800080;
    EXPECT_EQ(0, off);
    // Magenta at alpha 0x80 over the grey: 0x80 x 0.502 + 0x40 x 0.498 and 0x40 x 0.498.
    EXPECT_TRUE(Close(0x602060u, At(frame, 300, 100), 2)) << std::hex << At(frame, 300, 100);
    // The half-transparent white quadrant over the grey, the blue one as it is.
    EXPECT_TRUE(Close(0xA0A0A0u, At(frame, 508, 108), 3)) << std::hex << At(frame, 508, 108);
    EXPECT_EQ(0x0000FFu, At(frame, 492, 108));
}

// The cut of a quad to the part of its picture that can show, worked out by hand.
TEST(QuadTrim, CutsAQuadToThePartOfItsPictureThatCanShow)
{
    auto expect = [](const CVexVertex& v, float x, float y, float u, float w) {
        EXPECT_FLOAT_EQ(x, v.x);
        EXPECT_FLOAT_EQ(y, v.y);
        EXPECT_FLOAT_EQ(u, v.u);
        EXPECT_FLOAT_EQ(w, v.v);
    };
    // Upright, 10 x 20: a side the cover does not cut keeps its vertices.
    CVexVertex q[4] = {{0, 0, 0, 0, 0}, {10, 0, 0, 1, 0}, {10, 20, 0, 1, 1}, {0, 20, 0, 0, 1}};
    ASSERT_EQ(1, VexTrimQuad(q, 0.25f, 0.5f, 0.75f, 1.0f));
    expect(q[0], 2.5f, 10, 0.25f, 0.5f);
    expect(q[1], 7.5f, 10, 0.75f, 0.5f);
    expect(q[2], 7.5f, 20, 0.75f, 1);
    expect(q[3], 2.5f, 20, 0.25f, 1);
    // Mirrored: u runs right to left.
    CVexVertex m[4] = {{0, 0, 0, 1, 0}, {10, 0, 0, 0, 0}, {10, 20, 0, 0, 1}, {0, 20, 0, 1, 1}};
    ASSERT_EQ(1, VexTrimQuad(m, 0.25f, 0.0f, 0.75f, 1.0f));
    expect(m[0], 2.5f, 0, 0.75f, 0);
    expect(m[1], 7.5f, 0, 0.25f, 0);
    expect(m[3], 2.5f, 20, 0.75f, 1);
    // Turned a quarter: u along y, v along -x.
    CVexVertex t[4] = {{0, 0, 0, 0, 0}, {0, 10, 0, 1, 0}, {-20, 10, 0, 1, 1}, {-20, 0, 0, 0, 1}};
    ASSERT_EQ(1, VexTrimQuad(t, 0.5f, 0.25f, 1.0f, 0.75f));
    expect(t[0], -5, 5, 0.5f, 0.25f);
    expect(t[1], -5, 10, 1, 0.25f);
    expect(t[2], -15, 10, 1, 0.75f);
    expect(t[3], -15, 5, 0.5f, 0.75f);
    // One cell of a sheet (u 0.5 to 1): the cover cuts a fifth of it.
    CVexVertex c[4] = {
        {0, 0, 0, 0.5f, 0}, {10, 0, 0, 1, 0}, {10, 4, 0, 1, 0.5f}, {0, 4, 0, 0.5f, 0.5f}};
    ASSERT_EQ(1, VexTrimQuad(c, 0.6f, 0.0f, 1.0f, 1.0f));
    expect(c[0], 2, 0, 0.6f, 0);
    expect(c[2], 10, 4, 1, 0.5f);
    // A cover that holds the quad leaves it as it is; one that misses it leaves nothing.
    CVexVertex same[4] = {
        {1, 2, 3, 0.1f, 0.2f}, {5, 2, 3, 0.9f, 0.2f}, {5, 7, 3, 0.9f, 0.8f}, {1, 7, 3, 0.1f, 0.8f}};
    CVexVertex before[4];
    memcpy(before, same, sizeof(same));
    EXPECT_EQ(1, VexTrimQuad(same, 0.0f, 0.0f, 1.0f, 1.0f));
    EXPECT_EQ(0, memcmp(before, same, sizeof(same)));
    EXPECT_EQ(0, VexTrimQuad(same, 0.95f, 0.0f, 1.0f, 1.0f));
    EXPECT_EQ(0, VexTrimQuad(same, 0.0f, 0.0f, 1.0f, 0.1f));
    EXPECT_EQ(0, VexTrimQuad(same, 0.5f, 0.5f, 0.5f, 0.5f)); // an empty cover: all clear
    // Not a parallelogram, or texture points that are not a rectangle's corners: as it is.
    CVexVertex bent[4] = {{0, 0, 0, 0, 0}, {10, 0, 0, 1, 0}, {12, 20, 0, 1, 1}, {0, 20, 0, 0, 1}};
    memcpy(before, bent, sizeof(bent));
    EXPECT_EQ(1, VexTrimQuad(bent, 0.25f, 0.25f, 0.75f, 0.75f));
    EXPECT_EQ(0, memcmp(before, bent, sizeof(bent)));
    CVexVertex odd[4] = {{0, 0, 0, 0, 0}, {10, 0, 0, 0.5f, 0}, {10, 20, 0, 1, 1}, {0, 20, 0, 0, 1}};
    memcpy(before, odd, sizeof(odd));
    EXPECT_EQ(1, VexTrimQuad(odd, 0.25f, 0.25f, 0.75f, 0.75f));
    EXPECT_EQ(0, memcmp(before, odd, sizeof(odd)));
}

// A picture with clear margins is drawn only where it can show, and gives the pixels it gave
// drawn whole: screen quads at fractions of a pixel, grown and shrunk, faded; turned glow
// sprites; frames; world quads through a zoomed camera; inside a clip, which holds again for
// what is drawn next. A wholly clear picture changes nothing.
TEST_F(Renderer, PicturesWithClearMarginsGiveThePixelsTheyGaveDrawnWhole)
{
    EXPECT_EQ(0, Img(57)->IsTextureOpaque());
    auto scene = [&](int leaveOut) {
        R().SetLeaveOutClear(leaveOut);
        g->Clear(0xFF404040u);
        CVexCamera& camera = R().GetCamera();
        camera.SetZoom(1.0f);
        camera.Update();
        CVortanSurface* m = Img(17);
        // Grown 7.5 times: a pixel is less than the linear filter's reach beyond the last
        // pixel that is not clear.
        R().DrawScreenQuad(CVortanVector2(400.5f, 240.0f), CVortanVector2(240.0f, 240.0f), m,
                           0xFFFFFFFFu);
        R().DrawScreenQuad(CVortanVector2(100.3f, 100.7f), CVortanVector2(40.2f, 40.2f), m,
                           0xFFFFFFFFu);
        R().DrawScreenQuad(CVortanVector2(200.5f, 90.25f), CVortanVector2(9.3f, 9.3f), m,
                           0xC0FFFFFFu);
        R().DrawScreenQuad(CVortanVector2(330.0f, 120.0f), CVortanVector2(90.0f, 70.0f), m,
                           0xFFFFFFFFu);
        R().DrawGlowSprite(CVortanVector2(520.6f, 100.1f), CVortanVector2(50.0f, 30.0f), 0.7f, m,
                           0xFFFFFFFFu);
        R().DrawScreenFrame(CVortanVector2(650.4f, 110.0f), CVortanVector2(33.0f, 33.0f),
                            0xFFFFFFFFu, 0, 0, 1, 1, m);
        R().DrawScreenQuad(CVortanVector2(750.0f, 100.0f), CVortanVector2(30.0f, 30.0f), Img(57),
                           0xFFFFFFFFu);
        camera.SetZoom(0.73f);
        camera.Update();
        R().DrawWorldImage(CVortanVector2(-0.4f, 0.2f), CVortanVector2(0.21f, 0.17f), m,
                           0xFFFFFFFFu);
        camera.SetZoom(1.0f);
        camera.Update();
        // Inside a clip that cuts through a picture; then a picture over all the view, which
        // the clip alone bounds.
        CVortanRect clip = {420, 300, 700, 420};
        R().GetContext()->SetClipRect(&clip);
        R().DrawScreenQuad(CVortanVector2(440.0f, 330.0f), CVortanVector2(64.0f, 64.0f), m,
                           0xFFFFFFFFu);
        R().DrawScreenQuad(CVortanVector2(600.0f, 380.0f), CVortanVector2(20.0f, 20.0f), m,
                           0xFFFFFFFFu);
        R().DrawScreenQuad(CVortanVector2(400.0f, 240.0f), CVortanVector2(400.0f, 240.0f), Img(18),
                           0x60FFFFFFu);
        R().GetContext()->SetClipRect(nullptr);
        return gltest::ReadFrame();
    };
    const Rgb whole = scene(0), cut = scene(1);
    R().SetLeaveOutClear(1);
    gltest::Keep(cut, "clear_margins");
    EXPECT_EQ(0, Differences(whole, cut, {0, 0, 800, 480}, 0, 0));
    // What was drawn: the disc at each place; nothing of the clear picture; the last picture
    // inside the clip only.
    EXPECT_NE(kGreyPixel, At(cut, 100, 94));
    EXPECT_NE(kGreyPixel, At(cut, 200, 89));
    EXPECT_NE(kGreyPixel, At(cut, 326, 105));
    EXPECT_EQ(kGreyPixel, At(cut, 750, 100));
    EXPECT_NE(kGreyPixel, At(cut, 430, 310));
    EXPECT_EQ(kGreyPixel, At(cut, 410, 400));
    EXPECT_EQ(kGreyPixel, At(cut, 600, 440));
}

TEST_F(Renderer, FramesSelectTheirCellAndBlendByKind)
{
    // NC = 16, NR = 1: column 17 is cell 1; column -1 is cell 15.
    R().DrawScreenFrame(CVortanVector2(100, 100), CVortanVector2(4, 4), 0xFFFFFFFFu, 17, 0, 16, 1,
                        Img(25));
    R().DrawScreenFrame(CVortanVector2(140, 100), CVortanVector2(4, 4), 0xFFFFFFFFu, -1, 0, 16, 1,
                        Img(25));
    // A sprite turned by -pi/2 - angle = 0 shows the cell upright.
    R().DrawSprite(CVortanVector2(180, 100), CVortanVector2(4, 4), 0xFFFFFFFFu, 3, 0, 16, 1,
                   -1.5707963f, Img(25));
    // The glow adds colour x alpha; the overlay multiplies what is there.
    R().DrawGlowSprite(CVortanVector2(300, 200), CVortanVector2(16, 16), -1.5707963f, Img(18),
                       0xFFFFFFFFu);
    R().DrawOverlayFrame(CVortanVector2(400, 200), CVortanVector2(16, 16), 0xFFFFFFFFu, 0, 0, 1,
                         Img(18));
    const Rgb frame = gltest::ReadFrame();
    gltest::Keep(frame, "frames");
    const std::string strip = Path("strip.png", I().strip);
    const std::string quad = Path("quad.png", I().quad);
    const Rgb ref = Ref(
        {"(", strip, "-crop", "8x8+8+0",   "+repage", ")", "-geometry", "+96+96",  "-composite",
         "(", strip, "-crop", "8x8+120+0", "+repage", ")", "-geometry", "+136+96", "-composite",
         "(", strip, "-crop", "8x8+24+0",  "+repage", ")", "-geometry", "+176+96", "-composite"});
    EXPECT_EQ(0, Differences(frame, ref, {96, 96, 104, 104}));
    EXPECT_EQ(0, Differences(frame, ref, {136, 96, 144, 104}));
    EXPECT_EQ(0, Differences(frame, ref, {176, 96, 184, 104}));
    const Rgb glow = Ref({"(", quad,        "-background", "black",    "-alpha",   "remove",
                          ")", "-geometry", "+284+184",    "-compose", "plus",     "-composite",
                          "(", quad,        "-background", "white",    "-alpha",   "remove",
                          ")", "-geometry", "+384+184",    "-compose", "multiply", "-composite"});
    // Glow: (src alpha, one) on the premultiplied texel: opaque quadrants add their colour.
    EXPECT_EQ(0, Differences(frame, glow, {284, 184, 316, 200}));
    EXPECT_EQ(0, Differences(frame, glow, {284, 200, 300, 216}));
    // Overlay: (dst colour, zero) is the product; the premultiplied quadrant gives 0.5 x grey.
    // (The frame's v starts 0.005 in: the rows at the quadrants' seam mix.)
    EXPECT_EQ(0, Differences(frame, glow, {384, 184, 416, 199}));
    EXPECT_EQ(0, Differences(frame, glow, {384, 201, 400, 216}));
    EXPECT_TRUE(Close(0x202020, At(frame, 408, 208), 2)) << std::hex << At(frame, 408, 208);
}

// World quads through the camera: x = hx + (wx + offset x) zoom hx, y = hy - (wy - offset y)
// zoom hx, the camera's rule worked out here for the view's default camera.
TEST_F(Renderer, WorldQuadsGoThroughTheCamera)
{
    const float hx = 400.0f, hy = 240.0f, ox = 0.0f, oy = 0.5f, zoom = 1.0f;
    const CVortanVector2 centre(0.5f, 0.6f), half(16.0f / 400.0f, 16.0f / 400.0f);
    R().DrawWorldImage(centre, half, Img(18), 0xFFFFFFFFu);
    // Zoomed out to 0.5 and moved: the same image at half its size elsewhere.
    R().GetCamera().SetTargetZoom(0.5f);
    for (int i = 0; i < 200; ++i)
        R().GetCamera().Update();
    ASSERT_NEAR(0.5f, R().GetCamera().GetZoom(), 1e-4f);
    const CVortanVector2 c2(-1.0f, 0.5f), h2(32.0f / 200.0f, 32.0f / 200.0f);
    R().DrawWorldFrame(c2, h2, 0xFFFFFFFFu, 0, 0, 1, 1, Img(18));
    const Rgb frame = gltest::ReadFrame();
    gltest::Keep(frame, "world");
    const int x1 = (int)lroundf(hx + (centre.x + ox) * zoom * hx - 16.0f);
    const int y1 = (int)lroundf(hy - (centre.y - oy) * zoom * hx - 16.0f);
    const int x2 = (int)lroundf(hx + (c2.x + ox) * 0.5f * hx - 32.0f);
    const int y2 = (int)lroundf(hy - (c2.y - oy) * 0.5f * hx - 32.0f);
    const std::string quad = Path("quad.png", I().quad);
    const Rgb ref =
        Ref({quad, "-geometry", "+" + std::to_string(x1) + "+" + std::to_string(y1), "-composite",
             "(", quad, "-filter", "point", "-resize", "64x64", ")", "-geometry",
             "+" + std::to_string(x2) + "+" + std::to_string(y2), "-composite"});
    // Inside each quadrant (the seams mix under linear filtering).
    for (int qy = 0; qy < 2; ++qy)
        for (int qx = 0; qx < 2; ++qx)
            EXPECT_EQ(
                0,
                Differences(frame, ref,
                            {x1 + 16 * qx, y1 + 16 * qy, x1 + 16 * qx + 16, y1 + 16 * qy + 16}, 1));
    EXPECT_EQ(0, Differences(frame, ref, {x2, y2, x2 + 32, y2 + 32}, 2));
    EXPECT_EQ(0, Differences(frame, ref, {x2 + 32, y2, x2 + 64, y2 + 32}, 2));
}

// The stretch strip: |s| = 0 shows row 1 and reaches no further than the squib's centre;
// |s| >= 0.45 row 9; the strip lies along the stretch.
TEST_F(Renderer, StretchPicksItsRowAndLiesAlongTheStretch)
{
    // World (0, 0.5) is the view's centre (400, 240); 0.1 world = 40 px.
    const CVortanVector2 half(0.05f, 0.05f);
    R().DrawStretch(CVortanVector2(-0.5f, 0.5f), half, 0xFF000000u, CVortanVector2(0, 0), Img(10));
    R().DrawStretch(CVortanVector2(0.0f, 0.5f), half, 0xFFFFFFFFu, CVortanVector2(0.6f, 0.0f),
                    Img(10));
    R().DrawStretch(CVortanVector2(0.0f, 0.0f), half, 0xFFFFFFFFu, CVortanVector2(0.0f, 0.3f),
                    Img(10));
    const Rgb frame = gltest::ReadFrame();
    gltest::Keep(frame, "stretch");
    // |s| = 0: x from -0.55 to -0.5 (180..200 px), row 1.
    EXPECT_TRUE(Close(Images::RowPixel(1), At(frame, 190, 240))) << std::hex << At(frame, 190, 240);
    EXPECT_EQ(kGreyPixel, At(frame, 203, 240));
    // 0.6 to the right: row 9 out to x = 0.6 (640 px).
    EXPECT_TRUE(Close(Images::RowPixel(9), At(frame, 600, 240))) << std::hex << At(frame, 600, 240);
    EXPECT_EQ(kGreyPixel, At(frame, 645, 240));
    // 0.3 upwards from (0, 0) (y 440 px): row 6, reaching y = 0.3 (320 px).
    EXPECT_TRUE(Close(Images::RowPixel(6), At(frame, 400, 340))) << std::hex << At(frame, 400, 340);
    EXPECT_EQ(kGreyPixel, At(frame, 400, 315));
}

// The water at clock 0: the first wave band around A.y, the second around B.y drawn over it,
// the base below B.y - 0.05 down past the view.
TEST_F(Renderer, WaterLayersSitWhereTheClockPutsThem)
{
    R().SetClock(0.0f);
    R().DrawWater(0);
    const Rgb frame = gltest::ReadFrame();
    gltest::Keep(frame, "water");
    const float ay = -0.005f + 0.01f * sinf(1.4f), by = -0.025f;
    auto screenY = [](float wy) { return (int)lroundf(240.0f - (wy - 0.5f) * 400.0f); };
    // Band 1: v 0.53 (top) .. 0.98: yellow rows only.
    const int top1 = screenY(ay + 0.05f), bottom2 = screenY(by - 0.05f);
    const int top2 = screenY(by + 0.05f);
    EXPECT_EQ(kGreyPixel, At(frame, 400, top1 - 3));
    EXPECT_TRUE(Close(0xC0C000, At(frame, 400, top1 + 3))) << std::hex << At(frame, 400, top1 + 3);
    // Band 2 over band 1: v 0.02 .. 0.48: cyan rows.
    EXPECT_TRUE(Close(0x00C0C0, At(frame, 400, top2 + 3))) << std::hex << At(frame, 400, top2 + 3);
    EXPECT_TRUE(Close(0x00C0C0, At(frame, 10, bottom2 - 3)));
    // The base below.
    EXPECT_TRUE(Close(0x800080, At(frame, 400, bottom2 + 3)));
    EXPECT_TRUE(Close(0x800080, At(frame, 799, 479)));
    EXPECT_EQ(kGreyPixel, At(frame, 400, 100));
    // Without the waves image nothing is drawn.
    g->Clear(0xFF404040u);
    g->game.GetGameContext()->ReleaseImage(&g->app, 46);
    R().DrawWater(0);
    EXPECT_EQ(kGreyPixel, At(gltest::ReadFrame(), 400, 470));
}

// The battle's background leaves alone the rows the water's opaque base will cover: those rows
// are wholly the base's, whatever the sway and the camera; and the cover is no thinner than the
// base below its lowest wave line when the base fills the view's bottom.
TEST_F(Renderer, TheWaterCoverHoldsOnlyRowsTheBaseHides)
{
    struct View {
        float zoom, x, y;
    };
    const View views[] = {{1.0f, 0.0f, 0.5f},  {0.6f, -2.6f, 0.15f}, {0.6f, 2.6f, -0.3f},
                          {1.5f, 1.0f, 0.9f},  {0.35f, 0.0f, 0.5f},  {0.05f, 0.0f, 0.0f},
                          {1.0f, 0.0f, -3.0f}, {3.0f, 6.0f, 0.5f},   {0.3f, -4.5f, 0.5f}};
    int covering = 0;
    for (const View& v : views) {
        for (float clock = 0.0f; clock < 3.2f; clock += 0.4f) {
            R().GetCamera().SetZoom(v.zoom);
            R().GetCamera().SetOffset(CVortanVector2(v.x, v.y));
            R().GetCamera().Update();
            R().SetClock(clock);
            g->Clear(0xFF404040u);
            R().DrawWater(0);
            const Rgb frame = gltest::ReadFrame();
            const int top = R().WaterCoverTop();
            ASSERT_GE(top, 0);
            ASSERT_LE(top, 480);
            // The waves lie above the base: the rows of the cover are the base's alone.
            int other = 0;
            for (int y = top; y < 480; ++y)
                for (int x = 0; x < 800; ++x)
                    other += At(frame, x, y) != 0x800080;
            EXPECT_EQ(0, other) << "zoom " << v.zoom << " at " << v.x << "," << v.y << " clock "
                                << clock << ": rows from " << top;
            if (top < 480) {
                ++covering;
                // No more of the base's rows are left out than its sway (0.02 of the world's
                // height, 400 pixels a unit at zoom 1) and a pixel or two.
                int firstBase = 480;
                for (int y = 479; y >= 0 && At(frame, 400, y) == 0x800080; --y)
                    firstBase = y;
                EXPECT_LE(top - firstBase, (int)(0.02f * 400.0f * v.zoom) + 3)
                    << "zoom " << v.zoom << " clock " << clock;
            }
        }
    }
    // (The camera keeps its zoom and offset within the battle's range.) The usual views are
    // covered; the one zoomed all the way out (the base ends at the view's bottom) and the one
    // high above the water are not.
    EXPECT_GE(covering, 4 * 8);
    EXPECT_LT(covering, 9 * 8);
    // Without the water images nothing is covered.
    g->game.GetGameContext()->ReleaseImage(&g->app, 45);
    EXPECT_EQ(480, R().WaterCoverTop());
}

// Text: placement flags, the shadow one tenth of a line lower in black at half the alpha, the
// dark outline one pixel all round at seven eighths of the alpha, a missing glyph advancing by
// '_', and a text longer than the buffers drawn whole.
TEST_F(Renderer, TextIsPlacedShadowedOutlinedAndDrawnInBatches)
{
    // "AB": width 20, line 16. Centred on the view: x = 390, y = 232.
    R().DrawText(0, 0, CVortanString("AB"), 0xFFFF0000u,
                 VEX_TEXT_CENTER_VIEW_X | VEX_TEXT_CENTER_VIEW_Y);
    // Centred on x = 100 with its bottom at y = 100: x = 90, y = 84; no shadow and no outline;
    // "A" "C" "B" with the missing "C" advancing 7.
    R().DrawText(100, 100, CVortanString("ACB"), 0xFF00FF00u,
                 VEX_TEXT_CENTER_X | VEX_TEXT_BOTTOM | VEX_TEXT_NO_SHADOW);
    // Half alpha white at (600, 50): shadow 0x40000000, outline 0x70101010.
    R().DrawText(600, 50, CVortanString("A"), 0x80FFFFFFu, 0);
    const Rgb frame = gltest::ReadFrame();
    gltest::Keep(frame, "text");
    // Glyph quads from (pen, y + y offset) with the glyph's size; the x offset is not applied.
    std::vector<std::string> steps;
    auto glyphs = [&](const char* fill, std::vector<int> lefts, int top, int dx, int dy) {
        steps.insert(steps.end(), {"-fill", fill});
        for (int l : lefts)
            steps.insert(steps.end(),
                         {"-draw", "rectangle " + std::to_string(l + dx) + "," +
                                       std::to_string(top + dy) + " " + std::to_string(l + dx + 7) +
                                       "," + std::to_string(top + dy + 11)});
    };
    auto outlined = [&](const char* shadow, const char* outline, const char* fill,
                        std::vector<int> lefts, int top) {
        glyphs(shadow, lefts, top, 0, 1);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (dx || dy)
                    glyphs(outline, lefts, top, dx, dy);
        glyphs(fill, lefts, top, 0, 0);
    };
    outlined("rgba(0,0,0,0.498)", "rgba(16,16,16,0.8745)", "#ff0000", {390, 400}, 234);
    glyphs("#00ff00", {90, 107}, 86, 0, 0); // "A_B": C has no glyph (10 + 7)
    outlined("rgba(0,0,0,0.251)", "rgba(16,16,16,0.4392)", "rgba(255,255,255,0.502)", {600}, 52);
    const Rgb ref = Ref(steps);
    EXPECT_EQ(0, Differences(frame, ref, {380, 225, 420, 255}, 0, 3));
    EXPECT_EQ(0, Differences(frame, ref, {80, 80, 120, 105}));
    EXPECT_EQ(0, Differences(frame, ref, {595, 45, 615, 70}, 0, 3));

    // 600 glyphs: three draws of 255, 255 and 90 quads, the 256th glyph where it belongs.
    g->Clear(0xFF404040u);
    std::string many(600, 'A');
    R().DrawText(-2550, 300, CVortanString(many.c_str()), 0xFFFF0000u, VEX_TEXT_NO_SHADOW);
    EXPECT_EQ(3, R().GetLastTextDraws());
    const Rgb second = gltest::ReadFrame();
    EXPECT_TRUE(Close(0xFF0000, At(second, 4, 308)));
    EXPECT_TRUE(Close(0xFF0000, At(second, 794, 308))); // glyph 334
    EXPECT_EQ(kGreyPixel, At(second, 9, 308));
}

// A text's shadow, outline and fill go out as one batch of quads with their colours: the same
// pixels as one draw per pass in the passes' order, over a background that blending shows, for
// translucent texts that overlap and for an outlined text whose passes cross batches.
TEST_F(Renderer, TextPassesInOneBatchDrawWhatOneDrawPerPassDrew)
{
    CVortanBitmapFont* font = R().GetFont();
    ASSERT_NE(nullptr, font);
    ASSERT_TRUE(g->Load({0})); // the font's page, which DrawText would load on first use
    const int d = CVexRenderer::TextOutlineWidth(font->GetLineHeight());
    const int drop = (int)((float)font->GetLineHeight() * 0.1f);
    const std::string many(120, 'A'); // 10 passes of 120 quads: batches of 255 split passes
    struct Text {
        int x, y;
        std::string text;
        u32 colour;
    } texts[] = {{100, 100, "ABAB", 0xFFFF0000u},
                 {104, 106, "BA_AB", 0x80FFFFFFu},
                 {300, 200, "AB", 0x2000FF00u},
                 {-400, 300, many, 0xC03060FFu}};
    auto background = [&] {
        g->Clear(0xFF404040u);
        R().DrawScreenQuad(CVortanVector2(400, 240), CVortanVector2(400, 240), Img(18),
                           0xFFFFFFFFu);
    };
    background();
    for (const Text& t : texts) {
        const u32 shadow = (t.colour >> 1) & 0x7F000000u;
        const u32 dark = (((t.colour >> 24) * 7 / 8) << 24) | 0x00101010u;
        const CVortanString text(t.text.c_str());
        R().DrawFontText(t.x, t.y + drop, text, shadow, font);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (dx || dy)
                    R().DrawFontText(t.x + dx * d, t.y + dy * d, text, dark, font);
        R().DrawFontText(t.x, t.y, text, t.colour, font);
    }
    const Rgb one = gltest::ReadFrame();
    background();
    for (const Text& t : texts)
        R().DrawText(t.x, t.y, CVortanString(t.text.c_str()), t.colour, 0);
    EXPECT_EQ(5, R().GetLastTextDraws()); // 1200 quads
    const Rgb batched = gltest::ReadFrame();
    EXPECT_NE(At(one, 99, 101), At(one, 90, 90)); // the texts are there
    EXPECT_EQ(0, Differences(batched, one, Box{0, 0, 800, 480}, 0, 0));
}

// The background's premultiplied "over" (its alpha factors keep the target's alpha), the
// shadow's reverse subtraction of the premultiplied colour, and the screen squib frame whose
// top edge the scale lifts.
TEST_F(Renderer, BackgroundShadowAndSquibFramesBlendTheirOwnWay)
{
    // World (0, 0.5) is the view's centre; 16 px = 0.04 world.
    const CVortanVector2 half(0.04f, 0.04f);
    R().DrawBackgroundImage(CVortanVector2(-0.5f, 0.5f), half, Img(18), 0xFFFFFFFFu);
    R().DrawShadowImage(CVortanVector2(0.0f, 0.5f), half, Img(18), 0xFFFFFFFFu);
    R().DrawScreenSquibFrame(CVortanVector2(600, 300), CVortanVector2(16, 16), 0x00000000u, 0, 0, 1,
                             1, 1.5f, Img(18));
    // The blend state left behind is a plain one: a later quad still composites.
    R().DrawScreenQuad(CVortanVector2(100, 400), CVortanVector2(16, 16), Img(18), 0xFFFFFFFFu);
    const Rgb frame = gltest::ReadFrame();
    gltest::Keep(frame, "background_shadow");
    const std::string quad = Path("quad.png", I().quad);
    const Rgb ref =
        Ref({quad, "-geometry", "+184+224", "-compose", "over", "-composite",
             // the shadow takes the premultiplied colour away
             "(", quad, "-background", "black", "-alpha", "remove", ")", "-geometry", "+384+224",
             "-compose", "minus_src", "-composite",
             // 32 x 40 from y = 300 - 16 x 1.5 to 316, white whatever the colour
             "(", quad, "-filter", "point", "-resize", "32x40!", ")", "-geometry", "+584+276",
             "-compose", "over", "-composite", quad, "-geometry", "+84+384", "-composite"});
    EXPECT_EQ(0, Differences(frame, ref, {184, 224, 216, 256}, 1));
    EXPECT_EQ(0, Differences(frame, ref, {384, 224, 416, 256}, 1));
    EXPECT_TRUE(Close(0x004040, At(frame, 390, 230))) << std::hex << At(frame, 390, 230);
    for (int qy = 0; qy < 2; ++qy)
        for (int qx = 0; qx < 2; ++qx)
            EXPECT_EQ(0,
                      Differences(frame, ref,
                                  {584 + 16 * qx, 276 + 20 * qy, 600 + 16 * qx, 296 + 20 * qy}, 2));
    EXPECT_EQ(0, Differences(frame, ref, {84, 384, 116, 416}));
}

TEST_F(Renderer, ImagesKeptOnlyAsTexturesRedrawTheSamePixelsAfterALostContext)
{
    // The game's images keep no main-memory copy, and no texture until first drawn.
    CVortanSurface* quad = Img(18);
    ASSERT_NE(nullptr, quad);
    EXPECT_EQ(nullptr, quad->GetPixels());
    EXPECT_EQ(0u, quad->GetTexture());
    EXPECT_EQ(32, quad->GetWidth());
    auto draw = [&]() {
        g->Clear(0xFF404040u);
        R().DrawScreenQuad(CVortanVector2(200, 200), CVortanVector2(64, 64), quad, 0xFFFFFFFFu);
        R().DrawGlowSprite(CVortanVector2(500, 200), CVortanVector2(40, 40), 0.3f, quad,
                           0xC0FFFFFFu);
        return gltest::ReadFrame();
    };
    const Rgb before = draw();
    EXPECT_NE(0u, quad->GetTexture());
    EXPECT_EQ(nullptr, quad->GetPixels());
    // The quadrants as the picture has them: red top left, green top right, blue bottom left.
    EXPECT_TRUE(Close(0xFF0000, At(before, 160, 160)));
    EXPECT_TRUE(Close(0x00FF00, At(before, 240, 160)));
    EXPECT_TRUE(Close(0x0000FF, At(before, 160, 240)));

    // The context goes while the game still holds the image: the manager alone must bring
    // its texture back, from the pack, when it is next drawn.
    EXPECT_EQ(VORTAN_OK, g->app.COrloResourceManager::UnloadAllSurfaceTextures());
    R().ReleaseShaders();
    EXPECT_EQ(0u, quad->GetTexture());
    ASSERT_EQ(VORTAN_OK, g->app.ext->Restore());
    ASSERT_EQ(VORTAN_OK, g->app.ext->Resize(800, 480));
    ASSERT_EQ(VORTAN_OK, g->app.COrloResourceManager::ReloadAllSurfaceTextures());
    R().CreateShaders();
    const Rgb after = draw();
    EXPECT_NE(0u, quad->GetTexture());
    EXPECT_EQ(nullptr, quad->GetPixels());
    EXPECT_EQ(32, quad->GetWidth());
    EXPECT_EQ(0, Differences(after, before, Box{0, 0, 800, 480}, 0, 0));
}

TEST_F(Renderer, AScreenChangeFreesTheTexturesOfImagesTheLastScreenDidNotDraw)
{
    CVortanSurface* quad = Img(18);
    ASSERT_NE(nullptr, quad);
    COrloResourceManager& resources = g->app;
    auto draw = [&]() {
        g->Clear(0xFF404040u);
        R().DrawScreenQuad(CVortanVector2(200, 200), CVortanVector2(64, 64), quad, 0xFFFFFFFFu);
        return gltest::ReadFrame();
    };
    const Rgb first = draw();
    // Drawn on the screen that ends: kept for the next.
    EXPECT_EQ(0, resources.DropUndrawnTextures());
    EXPECT_NE(0u, quad->GetTexture());
    // Not drawn on the next screen: freed when it ends, and the same pixels when drawn again.
    EXPECT_EQ(1, resources.DropUndrawnTextures());
    EXPECT_EQ(0u, quad->GetTexture());
    EXPECT_EQ(0, resources.DropUndrawnTextures());
    const Rgb again = draw();
    EXPECT_NE(0u, quad->GetTexture());
    EXPECT_EQ(nullptr, quad->GetPixels());
    EXPECT_EQ(0, Differences(again, first, Box{0, 0, 800, 480}, 0, 0));
    // Taken by a second holder while it has no texture: the same image, still texture-only.
    EXPECT_EQ(0, resources.DropUndrawnTextures());
    EXPECT_EQ(1, resources.DropUndrawnTextures());
    CVortanSurface* same = resources.GetSurface(CVexAssetTables::Get().ImageName(18));
    ASSERT_EQ(quad, same);
    EXPECT_EQ(VORTAN_OK, resources.KeepTextureOnly(same));
    resources.ReleaseSurface(same);
    EXPECT_EQ(0, Differences(draw(), first, Box{0, 0, 800, 480}, 0, 0));
}

TEST_F(Renderer, TheDotFieldInBatchesDrawsWhatOneDrawPerDotDrew)
{
    using G = gltest::GameOnWindow;
    ASSERT_TRUE(g->OpenPack(
        {{G::Name(VEX_DOT_SPARK_IMAGE), I().quad}, {G::Name(VEX_DOT_TRAIL_IMAGE), I().base}}));
    ASSERT_TRUE(g->Load({VEX_DOT_SPARK_IMAGE, VEX_DOT_TRAIL_IMAGE}));
    CVexDotField dots;
    dots.Init(&g->game, &R());
    for (int i = 0; i < 40; ++i)
        dots.Spawn();
    // Sparks grown, moved and turned, their trails left behind at several fades; overlaps
    // where the glow adds up past white.
    for (int step = 0; step < 60; ++step)
        dots.Update(0.05f);
    int sparks = 0, trails = 0;
    for (int i = 0; i < dots.GetCount(); ++i)
        (dots.GetAt(i)->trail ? trails : sparks)++;
    ASSERT_GT(sparks, 10);
    ASSERT_GT(trails, 10);

    g->Clear(0xFF404040u);
    for (int i = 0; i < dots.GetCount(); ++i) {
        const CVexDot* d = dots.GetAt(i);
        R().DrawGlowSprite(d->position, d->drawnSize, d->angle, Img(d->image),
                           CVexDotField::ColourForFade(d->fade, d->lifetime));
    }
    const Rgb one = gltest::ReadFrame();
    g->Clear(0xFF404040u);
    dots.Render();
    const Rgb batched = gltest::ReadFrame();
    int lit = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 800; ++x)
            lit += At(one, x, y) != kGreyPixel;
    EXPECT_GT(lit, 1000);
    EXPECT_EQ(0, Differences(batched, one, Box{0, 0, 800, 480}, 0, 0));
}
