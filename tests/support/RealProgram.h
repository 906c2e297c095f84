// What the tests that run the built program share: finding the program's window on their X
// server and closing it. Each copy they start has a lock file of its own (ORLO_LOCK_FILE) and an
// X server of its own, so runs in other build directories, and a copy someone plays, stop none
// of them.
#pragma once
// Xlib's macros after the test framework's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <string.h>

namespace vtest {

// The program's window (WM_CLASS "VortanEngineApp") among the root's children, or 0.
inline Window FindProgramWindow(Display* x)
{
    Window root = DefaultRootWindow(x), parent, *children = nullptr, found = 0;
    unsigned int count = 0;
    if (!XQueryTree(x, root, &root, &parent, &children, &count))
        return 0;
    for (unsigned int i = 0; i < count && !found; ++i) {
        XClassHint hint;
        if (XGetClassHint(x, children[i], &hint)) {
            found = strcmp(hint.res_name, "VortanEngineApp") == 0 ? children[i] : 0;
            XFree(hint.res_name);
            XFree(hint.res_class);
        }
    }
    if (children)
        XFree(children);
    return found;
}

// Closes the window the way a window manager does.
inline void CloseWindow(Display* x, Window window)
{
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(x, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(x, window, False, NoEventMask, &event);
    XFlush(x);
}

} // namespace vtest
