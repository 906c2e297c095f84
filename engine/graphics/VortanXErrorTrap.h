// X errors raised while a trap is alive are recorded instead of ending the process.
#pragma once
#include <X11/Xlib.h>

namespace VortanX {

// The first error code trapped since the current trap was set (0: none).
inline int g_trappedError = 0;

inline int TrapHandler(Display*, XErrorEvent* event)
{
    if (!g_trappedError)
        g_trappedError = event->error_code ? event->error_code : 1;
    return 0;
}

class XErrorTrap {
public:
    explicit XErrorTrap(Display* display) : m_display(display)
    {
        XSync(m_display, False);
        g_trappedError = 0;
        m_previous = XSetErrorHandler(TrapHandler);
    }
    ~XErrorTrap()
    {
        XSync(m_display, False);
        XSetErrorHandler(m_previous);
    }
    // Waits for the server's answers and tells whether any request failed so far.
    bool Failed()
    {
        XSync(m_display, False);
        return g_trappedError != 0;
    }

    XErrorTrap(const XErrorTrap&) = delete;
    XErrorTrap& operator=(const XErrorTrap&) = delete;

private:
    Display* m_display;
    int (*m_previous)(Display*, XErrorEvent*);
};

} // namespace VortanX
