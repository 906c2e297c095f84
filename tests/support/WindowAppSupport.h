// The real application for the tests that draw in an 800 x 480 window under Xvfb: its packs
// taken from the build directory, the online part left out, and every frame read back as RGB;
// and the test fixture that starts the display around it.
#pragma once
// First: X11's macros (None, Bool, ...) would break GoogleTest's headers.
#include "tests/support/GraphicsTestWindow.h"

#include <GLES2/gl2.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <vector>

#include "engine/VortanTimer.h"
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
    return gtest_graphics::ReadRgb(W, H);
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

// The application with its packs taken from the build directory, where the program finds
// them beside itself; it never sleeps.
class PacksBesideBuildApp : public COrlogateApplication {
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
    void SleepMs(int) override {}
};

// The same with no session or menu, and every frame read back before it is shown.
class BesideBuildApp : public PacksBesideBuildApp {
public:
    int CreateSessionAndMenu() override { return VORTAN_OK; }
    void Update() override
    {
        COrlogateApplication::Update();
        if (IsCreated() && readBack)
            frame = ReadScreen();
    }

    Rgb frame;
    bool readBack = true;
};

// A test on a fresh Xvfb, with HOME in a temporary folder and the stand-in clock at 5 s. The
// test makes the application; it is deleted before the clock, the folder and the display go.
template <class App>
class WindowFixture : public ::testing::Test {
protected:
    // Call with ASSERT_NO_FATAL_FAILURE: it fails when the display does not start.
    void StartDisplay()
    {
        xvfb = new gtest_graphics::Xvfb("800x480x24");
        ASSERT_TRUE(xvfb->Ok());
        home = new vtest::TempDir();
        setenv("HOME", home->Path().c_str(), 1);
        VortanTestClock::Set(5000000000ull);
    }
    void TearDown() override
    {
        delete app;
        app = nullptr;
        VortanTestClock::Clear();
        delete home;
        delete xvfb;
    }
    // One frame of dt seconds on the stand-in clock.
    void Step(float dt)
    {
        VortanTestClock::Advance((u64)(dt * 1e9));
        app->Frame();
    }

    gtest_graphics::Xvfb* xvfb = nullptr;
    vtest::TempDir* home = nullptr;
    App* app = nullptr;
};

} // namespace winapp
