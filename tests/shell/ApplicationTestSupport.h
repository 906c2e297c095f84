// Shared pieces of the application tests: an application that records every call it
// receives, a drawing-free graphics extension that records presents, and helpers that
// drive a private X server (xdotool, a second Xlib connection).
#pragma once
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/VortanTimer.h"
#include "engine/graphics/VortanGraphicsExt_Null.h"
#include "engine/platform/VortanApplication.h"
#include "tests/support/TestSupport.h"

namespace vtest {

inline std::string Fmt(const char* format, ...)
{
    char text[256];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    return text;
}

class RecordingApp : public IVortanApplication {
public:
    std::vector<std::string> log;
    std::vector<int> sleeps;
    int updates = 0;
    int exits = 0;
    int creates = 0;
    int setActiveCalls = 0;
    int onCreateResult = VORTAN_OK;
    int quitAfterUpdates = -1;
    // Called from SleepMs (after recording): lets a test act while the loop waits.
    std::function<void(int)> onSleep;
    // Called from OnCreate.
    std::function<void()> onCreate;

    void Update() override
    {
        log.push_back("update");
        ++updates;
        if (quitAfterUpdates >= 0 && updates >= quitAfterUpdates)
            Quit();
    }
    int OnCreate() override
    {
        ++creates;
        log.push_back("create");
        if (onCreate)
            onCreate();
        return onCreateResult;
    }
    void OnExit() override
    {
        ++exits;
        log.push_back("exit");
    }
    void OnKeyDown(int key) override { log.push_back(Fmt("key %#x", key)); }
    void OnChar(unsigned short c) override { log.push_back(Fmt("char %u", (unsigned)c)); }
    void OnPointerDown(int b, int x, int y) override
    {
        log.push_back(Fmt("down %d %d %d", b, x, y));
    }
    void OnPointerMove(int b, int x, int y) override
    {
        log.push_back(Fmt("move %d %d %d", b, x, y));
    }
    void OnPointerUp(int b, int x, int y) override { log.push_back(Fmt("up %d %d %d", b, x, y)); }
    void OnPointerDownUnit(int b, const CVortanVector2& p) override
    {
        log.push_back(Fmt("downunit %d %.4f %.4f", b, p.x, p.y));
    }
    void OnPointerMoveUnit(int b, const CVortanVector2& p) override
    {
        log.push_back(Fmt("moveunit %d %.4f %.4f", b, p.x, p.y));
    }
    void OnPointerUpUnit(int b, const CVortanVector2& p) override
    {
        log.push_back(Fmt("upunit %d %.4f %.4f", b, p.x, p.y));
    }
    void SetActive(bool active) override
    {
        ++setActiveCalls;
        log.push_back(Fmt("active %d", active ? 1 : 0));
        IVortanApplication::SetActive(active);
    }
    int OnResize(int w, int h) override
    {
        log.push_back(Fmt("resize %d %d", w, h));
        return IVortanApplication::OnResize(w, h);
    }
    void OnTimer(int id) override { log.push_back(Fmt("timer %d", id)); }
    // No real waiting: the sleep is recorded and, with the test clock, time moves on by it.
    void SleepMs(int ms) override
    {
        sleeps.push_back(ms);
        log.push_back(Fmt("sleep %d", ms));
        if (VortanTestClock::IsSet())
            VortanTestClock::Advance((u64)ms * 1000000ull);
        if (onSleep)
            onSleep(ms);
    }

    // Log entries that start with one of the prefixes.
    std::vector<std::string> Only(std::initializer_list<const char*> prefixes) const
    {
        std::vector<std::string> out;
        for (const std::string& entry : log)
            for (const char* p : prefixes)
                if (entry.compare(0, strlen(p), p) == 0) {
                    out.push_back(entry);
                    break;
                }
        return out;
    }
};

// The drawing-free extension, writing its presents into the application's log.
class RecordingExt : public CVortanGraphicsExt_Null {
public:
    explicit RecordingExt(std::vector<std::string>* log) : m_log(log) {}
    int Present() override
    {
        m_log->push_back("present");
        return CVortanGraphicsExt_Null::Present();
    }
    int Resize(int w, int h) override
    {
        m_log->push_back(Fmt("ext resize %d %d", w, h));
        return CVortanGraphicsExt_Null::Resize(w, h);
    }

private:
    std::vector<std::string>* m_log;
};

// Handles every event the server has queued for the application so far.
inline void Pump(IVortanApplication* app)
{
    Display* display = app->GetDisplay();
    XSync(display, False);
    while (XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MappingNotify)
            XRefreshKeyboardMapping(&event.xmapping);
        app->HandleXEvent(&event);
    }
}

inline int Xdo(const std::vector<std::string>& args, std::string* out = nullptr)
{
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, out);
}

inline std::string WindowId(IVortanApplication* app)
{
    return Fmt("%lu", app->GetWindow());
}

// Sends the window a WM_PROTOCOLS client message whose first word is `word`, from a
// connection of its own, as a window manager would.
inline void SendProtocolMessage(unsigned long window, long word)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return;
    XEvent event;
    memset(&event, 0, sizeof(event));
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = word;
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
}

inline long AtomOf(const char* name)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 0;
    long atom = (long)XInternAtom(display, name, False);
    XCloseDisplay(display);
    return atom;
}

} // namespace vtest
