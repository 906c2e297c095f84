// Shared pieces of the tests that draw the game through GLES2 on Mesa under Xvfb: the program's
// application on the test window with the real extension and resource manager (its resources
// the build's), a game with its renderer, test images made by ImageMagick and packed, and frame
// read-back against reference pictures.
#pragma once
#include "tests/support/GraphicsTestWindow.h"

#include <stdlib.h>

#include <string>
#include <vector>

#include "game/StateGame.h"
#include "game/VexAssetLoader.h"
#include "game/VexAssetTables.h"
#include "game/VexRenderer.h"
#include "platform/OrlogateApplication.h"
#include "tests/platform/ResourceTestSupport.h"
#include "tests/support/PackWriter.h"
#include "tests/support/TestSupport.h"

namespace gltest {

const int kW = 800, kH = 480;

typedef std::vector<unsigned char> Rgb;

class GLGameApp : public COrlogateApplication {
public:
    explicit GLGameApp(unsigned long window)
    {
        ext = new CVortanGraphicsExt_GLES2();
        ReplaceGraphicsExt(ext);
        created = ext->Create(window) == VORTAN_OK && ext->Resize(kW, kH) == VORTAN_OK;
        COrloResourceManager::Init(this, nullptr);
    }
    ~GLGameApp() override
    {
        COrloResourceManager::ReleaseAll();
        ReplaceGraphicsExt(nullptr);
    }
    int CreateSessionAndMenu() override { return 1; }
    void GetResourcePath(CVortanString& out, const CVortanString& fileName) override
    {
        out = CVortanString((vtest::BinaryDir() + "/").c_str());
        out.Append(fileName);
    }

    CVortanGraphicsExt_GLES2* ext;
    bool created = false;
};

// A PNG made by ImageMagick from the arguments (ending with the output is added here).
inline std::string Png(const std::vector<std::string>& args)
{
    vtest::TempDir dir;
    std::vector<std::string> argv{"convert"};
    argv.insert(argv.end(), args.begin(), args.end());
    argv.insert(argv.end(), {"-define", "png:color-type=6", "PNG32:" + dir.File("i.png")});
    EXPECT_EQ(0, vtest::RunProgram(argv));
    return vtest::ReadWholeFile(dir.File("i.png"));
}

// A reference picture by ImageMagick as raw 8-bit RGB of the view's size.
inline Rgb Magick(const std::vector<std::string>& args)
{
    std::vector<std::string> argv{"convert"};
    argv.insert(argv.end(), args.begin(), args.end());
    argv.insert(argv.end(), {"-alpha", "off", "-depth", "8", "rgb:-"});
    std::string out;
    EXPECT_EQ(0, vtest::RunProgram(argv, &out));
    EXPECT_EQ((size_t)kW * kH * 3, out.size());
    return Rgb(out.begin(), out.end());
}

// The GL frame as RGB rows from the top.
inline Rgb ReadFrame()
{
    return gtest_graphics::ReadRgb(kW, kH);
}

// Saves the frame as a PNG (for looking at it) when VEX_SHOTS names a directory.
inline void Keep(const Rgb& rgb, const std::string& name)
{
    vtest::KeepPicture("VEX_SHOTS", rgb, kW, kH, name);
}

// A rectangle of the view (left, top inclusive; right, bottom exclusive).
struct Box {
    int l, t, r, b;
};

// Counts the pixels of the box (shrunk by `inset` on each side) where a channel of the frame
// and the reference differ by more than `tolerance`; reports the first.
inline int Differences(const Rgb& frame, const Rgb& ref, Box box, int inset = 0, int tolerance = 2)
{
    int bad = 0;
    for (int y = box.t + inset; y < box.b - inset; ++y) {
        for (int x = box.l + inset; x < box.r - inset; ++x) {
            if (x < 0 || y < 0 || x >= kW || y >= kH)
                continue;
            const size_t i = ((size_t)y * kW + x) * 3;
            for (int c = 0; c < 3; ++c) {
                if (abs((int)frame[i + c] - (int)ref[i + c]) > tolerance) {
                    if (!bad)
                        ADD_FAILURE() << "first difference at " << x << "," << y << " channel " << c
                                      << ": " << (int)frame[i + c] << " vs " << (int)ref[i + c];
                    ++bad;
                    break;
                }
            }
        }
    }
    return bad;
}

// The frame's pixel as 0xRRGGBB.
inline u32 At(const Rgb& frame, int x, int y)
{
    const size_t i = ((size_t)y * kW + x) * 3;
    return ((u32)frame[i] << 16) | ((u32)frame[i + 1] << 8) | frame[i + 2];
}

inline bool Close(u32 a, u32 b, int tolerance = 2)
{
    for (int s = 0; s < 24; s += 8)
        if (abs((int)((a >> s) & 255) - (int)((b >> s) & 255)) > tolerance)
            return false;
    return true;
}

// The game on the test window: application, game and renderer; images go into a pack under
// their asset names and are loaded into the game's slots by id.
class GameOnWindow {
public:
    explicit GameOnWindow(unsigned long window) : app(window)
    {
        game.Init(&app);
        renderer.Init(&game);
    }
    ~GameOnWindow()
    {
        game.GetGameContext()->ReleaseHandles(&app);
        renderer.ReleaseShaders();
    }
    // Packs the entries {asset name, bytes} and opens the pack.
    bool OpenPack(const rtest::Entries& entries)
    {
        const std::string path = dir.File("test" + std::to_string(++packs) + ".dmp");
        if (!vtest::WriteWholeFile(path, vtest::MakePack(entries)))
            return false;
        return app.OpenPack(CVortanString(path.c_str()), 1) == 1;
    }
    // Loads image ids into their slots.
    bool Load(const std::vector<int>& ids)
    {
        bool ok = true;
        for (int id : ids)
            ok = CVexAssetLoader::LoadImage(game.GetGameContext(), &app, id) == VORTAN_OK && ok;
        return ok;
    }
    // Pack entry name of image id.
    static std::string Name(int id)
    {
        const CVortanString& n = CVexAssetTables::Get().ImageName(id);
        std::string s = "/";
        for (int i = 0; i < n.GetLength(); ++i)
            s += (char)n.GetAt(i);
        return s;
    }
    void Clear(u32 colour) { app.ext->Clear(colour, nullptr); }

    vtest::TempDir dir;
    int packs = 0;
    GLGameApp app;
    CStateGame game;
    CVexRenderer renderer;
};

} // namespace gltest
