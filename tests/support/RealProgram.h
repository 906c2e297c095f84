// What the tests that run the built program share: taking turns with the other test runs of
// it on the machine, and finding the program's window on their X server.
#pragma once
// Xlib's macros after the test framework's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <string.h>
#include <sys/file.h>
#include <unistd.h>

namespace vtest {

// Runs of the real program by the tests (in every build directory) take turns, each a whole
// program on an X server of its own, as their time-outs reckon. Each such copy has a lock file
// of its own (ORLO_LOCK_FILE): a copy that someone runs on the machine stops none of them.
struct MachineLockTurn {
    MachineLockTurn()
        : fd(open("/tmp/orlogate_startup_test.turn", O_RDWR | O_CREAT | O_CLOEXEC, 0666))
    {
        flock(fd, LOCK_EX);
    }
    ~MachineLockTurn() { close(fd); }
    int fd;
};

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

} // namespace vtest
