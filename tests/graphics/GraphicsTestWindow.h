// Helpers of the graphics tests: a private Xvfb server for the test program, a plain X11
// window on it, and pixel read-back from the GL frame.
#pragma once
#include <GLES2/gl2.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "engine/VortanTypes.h"

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
    static void* driver = dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_NOW | RTLD_NODELETE);
    (void)driver;
}

// Xvfb on a display number the server picks itself (-displayfd), exported as DISPLAY; the
// server ends with the object (or with the test program).
class Xvfb {
public:
    explicit Xvfb(const char* screen = "800x480x24") : m_pid(-1)
    {
        PinGLDriver();
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid_t pid = fork();
        if (pid < 0) {
            close(fds[0]);
            close(fds[1]);
            return;
        }
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            close(fds[0]);
            char fd[16];
            snprintf(fd, sizeof(fd), "%d", fds[1]);
            int devnull = open("/dev/null", O_WRONLY);
            if (devnull >= 0) {
                dup2(devnull, 1);
                dup2(devnull, 2);
            }
            execlp("Xvfb", "Xvfb", "-displayfd", fd, "-screen", "0", screen, "-nolisten", "tcp", "-noreset",
                   (char*)nullptr);
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (number.empty()) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
            return;
        }
        m_pid = pid;
        m_name = ":" + number;
        setenv("DISPLAY", m_name.c_str(), 1);
    }
    ~Xvfb()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    bool Ok() const { return m_pid > 0; }

private:
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;
    pid_t m_pid;
    std::string m_name;
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
        m_window = XCreateWindow(m_display, RootWindow(m_display, screen), 0, 0, (unsigned)width, (unsigned)height, 0,
                                 CopyFromParent, InputOutput, CopyFromParent, CWEventMask, &attributes);
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

// The pixel at window position (x, y) of the current GL frame as 0xAARRGGBB (alpha forced
// to 0xFF: the window has no alpha to show).
inline u32 ReadPixel(int x, int y, int height = 480)
{
    unsigned char p[4] = {0, 0, 0, 0};
    glReadPixels(x, height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return 0xFF000000u | ((u32)p[0] << 16) | ((u32)p[1] << 8) | p[2];
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

}  // namespace gtest_graphics
