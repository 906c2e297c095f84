// Helpers of the tests that draw: a private Xvfb server for the test program (with the
// software GL driver pinned), a plain X11 window on it, and pixel read-back from the GL frame
// (kept as a picture on request).
#pragma once
// First: X11's macros (None, Bool, ...) would break GoogleTest's headers.
#include "tests/support/VirtualDisplay.h"

#include <GLES2/gl2.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dlfcn.h>

#include <vector>

#include "engine/VortanTypes.h"
#include "engine/graphics/VortanGraphicsExt_GLES2.h"
#include "engine/platform/VortanApplication.h"

// Mesa's software rasteriser keeps a few allocations until the process ends; once EGL
// unloads it, the leak checker cannot even name them. The driver is pinned (below) so that
// these suppressions can name it.
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions()
{
    return "leak:swrast_dri.so\nleak:libEGL_mesa.so\nleak:libLLVM\nleak:libgallium\n";
}

namespace gtest_graphics {

// Keeps the software GL driver loaded for the whole test program.
inline void PinGLDriver()
{
    static void* driver =
        dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_NOW | RTLD_NODELETE);
    (void)driver;
}

// The private server of a test that draws through GL.
class Xvfb : public vtest::VirtualDisplay {
public:
    explicit Xvfb(const char* screen = "800x480x24") : VirtualDisplay(screen) { PinGLDriver(); }
};

// A mapped top-level window of the default visual.
class TestWindow {
public:
    TestWindow(int width = 800, int height = 480) : m_display(XOpenDisplay(nullptr)), m_window(0)
    {
        if (!m_display)
            return;
        int screen = DefaultScreen(m_display);
        XSetWindowAttributes attributes;
        attributes.event_mask = StructureNotifyMask | ExposureMask;
        m_window = XCreateWindow(m_display, RootWindow(m_display, screen), 0, 0, (unsigned)width,
                                 (unsigned)height, 0, CopyFromParent, InputOutput, CopyFromParent,
                                 CWEventMask, &attributes);
        XMapWindow(m_display, m_window);
        XEvent event;
        do {
            XNextEvent(m_display, &event);
        } while (event.type != MapNotify);
    }
    ~TestWindow()
    {
        if (m_display) {
            if (m_window)
                XDestroyWindow(m_display, m_window);
            XCloseDisplay(m_display);
        }
    }
    Display* GetDisplay() const { return m_display; }
    unsigned long Id() const { return m_window; }

private:
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    Display* m_display;
    Window m_window;
};

// The server of the test program, and (when given a size) one window on it for GL to draw
// into. Register it with vtest::AddDisplayEnvironment<gtest_graphics::GLEnvironment>(w, h).
class GLEnvironment : public vtest::DisplayEnvironment {
public:
    explicit GLEnvironment(int windowWidth = 0, int windowHeight = 0)
        : m_windowWidth(windowWidth), m_windowHeight(windowHeight)
    {}
    void SetUp() override
    {
        PinGLDriver();
        vtest::DisplayEnvironment::SetUp();
        if (m_windowWidth > 0)
            window = new TestWindow(m_windowWidth, m_windowHeight);
        Current() = window;
    }
    void TearDown() override
    {
        Current() = nullptr;
        delete window;
        window = nullptr;
        vtest::DisplayEnvironment::TearDown();
    }
    // The window of the environment that is set up (null when none is).
    static TestWindow*& Current()
    {
        static TestWindow* current = nullptr;
        return current;
    }

    TestWindow* window = nullptr;

private:
    int m_windowWidth;
    int m_windowHeight;
};

// An application for what surfaces ask of one (the 3-3-2 palette, the display); no window,
// software back buffer (display format 7).
class PaletteApp : public IVortanApplication {
public:
    PaletteApp()
    {
        ReplaceGraphicsExt(nullptr);
        SetPalette(nullptr);
    }
    void Update() override {}
};

// Tests that draw through the GLES2 extension on the environment's 800 x 480 window: the
// extension is created there, sized and cleared to opaque black before each test, and
// closed after it.
class GLES2Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        TestWindow* window = GLEnvironment::Current();
        ASSERT_TRUE(window && window->GetDisplay()) << "no X window";
        ASSERT_EQ(VORTAN_OK, ext.Create(window->Id()));
        ASSERT_EQ(VORTAN_OK, ext.Resize(800, 480));
        ext.Clear(0xFF000000, nullptr);
    }
    void TearDown() override { ext.Close(); }

    CVortanGraphicsExt_GLES2 ext;
};

// The pixel at window position (x, y) of the current GL frame as 0xAARRGGBB (alpha forced
// to 0xFF: the window has no alpha to show).
inline u32 ReadPixel(int x, int y, int height = 480)
{
    unsigned char p[4] = {0, 0, 0, 0};
    glReadPixels(x, height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return 0xFF000000u | ((u32)p[0] << 16) | ((u32)p[1] << 8) | p[2];
}

// The GL frame of w x h as RGB rows, the top row first.
inline std::vector<unsigned char> ReadRgb(int w = 800, int h = 480)
{
    std::vector<unsigned char> rgba((size_t)w * h * 4), rgb((size_t)w * h * 3);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    for (size_t y = 0; y < (size_t)h; ++y)
        for (size_t i = 0; i < (size_t)w * 3; ++i)
            rgb[y * w * 3 + i] = rgba[((h - 1 - y) * w + i / 3) * 4 + i % 3];
    return rgb;
}

// Channel-wise comparison within +-tolerance.
inline bool Near(u32 a, u32 b, int tolerance = 2)
{
    for (int shift = 0; shift < 32; shift += 8) {
        int ca = (int)((a >> shift) & 0xFF), cb = (int)((b >> shift) & 0xFF);
        if (ca - cb > tolerance || cb - ca > tolerance)
            return false;
    }
    return true;
}

} // namespace gtest_graphics
