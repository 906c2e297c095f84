// How the program ends when something goes wrong: its exit statuses, and the one line on
// standard error that says what failed.
//
// Exit statuses of the program (what `main` returns):
//   0  a normal end: the window was closed (by the user, a window manager or by being
//      destroyed), the program was asked to end (SIGTERM, SIGINT, SIGHUP), or another copy of
//      the program was already running (nothing is started then)
//   1  any other failure at start-up (out of memory, a service that could not be set up, a
//      test's lock file, ORLO_LOCK_FILE, that names a file other than a lock)
//   2  no X display: DISPLAY is not set, is empty, or names a display that cannot be opened
//   3  the window or its graphics (EGL with OpenGL ES 2.0, or the shared-memory back buffer)
//      could not be set up
//   4  a data pack the program cannot do without is missing
//   5  a data pack the program cannot do without is damaged
//   6  a data pack the program cannot do without cannot be read (permissions, not a file)
//   7  the connection to the X display was lost while the program ran
//
// Main thread only.
#pragma once
#include "engine/VortanString.h"

enum {
    VORTAN_EXIT_OK = 0,
    VORTAN_EXIT_FAILURE = 1,
    VORTAN_EXIT_NO_DISPLAY = 2,
    VORTAN_EXIT_GRAPHICS = 3,
    VORTAN_EXIT_PACK_MISSING = 4,
    VORTAN_EXIT_PACK_DAMAGED = 5,
    VORTAN_EXIT_PACK_UNREADABLE = 6,
    VORTAN_EXIT_DISPLAY_LOST = 7
};

// Prints one line on standard error: the program's name, ": ", the formatted text and a line
// end, written at once. Safe to call from an Xlib error handler.
void VortanPrintError(const char* format, ...) __attribute__((format(printf, 1, 2)));

// VortanPrintError, and the status becomes the process's exit status unless one was recorded
// before: the first failure is the cause, what fails after it follows from it.
void VortanReportFailure(int status, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Records the status without a message (unless one was recorded before).
void VortanSetExitStatus(int status);
// The recorded exit status; VORTAN_EXIT_OK while nothing failed.
int VortanGetExitStatus();
// Forgets the recorded status (for tests that run several start-ups in one process).
void VortanClearExitStatus();

// The recorded status of a start-up that failed. A failure that nobody reported (which should
// not happen) is reported here as a generic one, so that a failed start never ends in silence
// or with 0.
int VortanFailedStartStatus();

// Why a data pack that did not open cannot be used: VORTAN_EXIT_PACK_MISSING when there is
// no such file, VORTAN_EXIT_PACK_UNREADABLE when it is not a regular file or cannot be opened
// for reading, else VORTAN_EXIT_PACK_DAMAGED.
int VortanPackProblem(const CVortanString& path);
// "is missing", "is damaged" or "cannot be read" for the statuses above ("cannot be used"
// otherwise).
const char* VortanPackProblemText(int status);
// Reports the pack's problem (VortanPackProblem) as "<what> <path> <problem>" and returns
// the status; with `record` the status also becomes the exit status (VortanReportFailure),
// else only the line is printed.
int VortanReportPackProblem(const char* what, const CVortanString& path, bool record);
