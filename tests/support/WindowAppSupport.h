// The real application for the tests that draw in an 800 x 480 window under Xvfb: its packs
// taken from the build directory, the online part left out, and every frame read back as RGB.
#pragma once
#include <GLES2/gl2.h>
#include <stdlib.h>

#include <vector>

#include "engine/VortanTypes.h"
#include "platform/OrlogateApplication.h"
#include "tests/support/TestSupport.h"

namespace winapp {

const int W = 800;
const int H = 480;

typedef std::vector<unsigned char> Rgb; // W x H x 3, top row first

// The GL back buffer as raw RGB, top row first.
inline Rgb ReadScreen()
{
    Rgb rgba((size_t)W * H * 4), rgb((size_t)W * H * 3);
    glReadPixels(0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    for (size_t y = 0; y < (size_t)H; ++y)
        for (size_t i = 0; i < (size_t)W * 3; ++i)
            rgb[y * W * 3 + i] = rgba[((H - 1 - y) * W + i / 3) * 4 + i % 3];
    return rgb;
}

// The colour at (x, y) of a frame as 0xRRGGBB.
inline u32 Pixel(const Rgb& frame, int x, int y)
{
    size_t i = ((size_t)y * W + x) * 3;
    return ((u32)frame[i] << 16) | ((u32)frame[i + 1] << 8) | frame[i + 2];
}

// Whether no channel of the two colours differs by more than the tolerance.
inline bool Near(u32 got, u32 want, int tolerance = 3)
{
    for (int shift = 0; shift <= 16; shift += 8)
        if (abs((int)((got >> shift) & 0xFF) - (int)((want >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

// The application with its packs taken from the build directory (where the program finds
// them beside itself), no session or menu, and every frame read back before it is shown.
class BesideBuildApp : public COrlogateApplication {
public:
    static CVortanString Beside(const CVortanString& name)
    {
        CVortanString path((vtest::BinaryDir() + "/").c_str());
        path.Append(name);
        return path;
    }
    int OpenPack(const CVortanString& name, int flags) override
    {
        return COrlogateApplication::OpenPack(flags == 0 ? Beside(name) : name,
                                              flags == 0 ? 1 : flags);
    }
    int ClosePack(const CVortanString& name, int flags) override
    {
        return COrlogateApplication::ClosePack(flags == 0 ? Beside(name) : name,
                                               flags == 0 ? 1 : flags);
    }
    void GetResourcePath(CVortanString& out, const CVortanString& name) override
    {
        out = Beside(name);
    }
    int CreateSessionAndMenu() override { return VORTAN_OK; }
    void SleepMs(int) override {}
    void Update() override
    {
        COrlogateApplication::Update();
        if (IsCreated() && readBack)
            frame = ReadScreen();
    }

    Rgb frame;
    bool readBack = true;
};

} // namespace winapp
