// The program's entry point: one instance at a time, the online client's factory registered
// with the platform application, the game's application and its event loop, and the online
// menu's part of the state dump. The command line is not read. The exit statuses are listed
// in VortanExitStatus.h: 0 for a normal end and for a start refused because another copy runs,
// a documented non-zero status for every failure (which has then said on standard error what
// failed).
#include <stdlib.h>

#include "engine/VortanString.h"
#include "engine/platform/VortanExitStatus.h"
#include "engine/platform/VortanHeap.h"
#include "engine/platform/VortanSingleInstance.h"
#include "game/GameFactory.h"
#include "game/VexStateDump.h"
#include "online/OrloOnlineFactory.h"
#include "online/menu/OrloMenuState.h"
#include "platform/OrlogateApplication.h"

int main(int argc, char** argv)
{
    (void)argc;
    (void)argv;
    int owner = 0;
    const int held = CheckSingleInstance(&owner);
    if (held == VORTAN_LOCK_NOT_A_LOCK) {
        VortanPrintError("ORLO_LOCK_FILE names %s, which is not a lock file: it is left as it is",
                         getenv("ORLO_LOCK_FILE"));
        return VORTAN_EXIT_FAILURE;
    }
    if (held) {
        if (owner > 0)
            VortanPrintError("another copy is running (process %d)", owner);
        else
            VortanPrintError("another copy is running");
        return VORTAN_EXIT_OK;
    }
    VortanKeepFrameHeap();
    // Registered before the application exists: its start-up makes the toast and the
    // achievements, and the title screen later the online part.
    COrloOnlineFactory online;
    COrlogateApplication::RegisterOnlineFactory(&online);
    int status = VORTAN_EXIT_OK;
    COrlogateApplication* application = CreateGameApplication(nullptr);
    if (application) {
        // The state dump (when the environment turns it on) carries the online menu's lines.
        CVexStateDump::AddSection(&COrloMenuState::DumpSection, application);
        status = application->Run();
        CVexStateDump::RemoveSection(&COrloMenuState::DumpSection, application);
        delete application;
        ShutdownHook();
    } else {
        status = VortanFailedStartStatus();
    }
    COrlogateApplication::RegisterOnlineFactory(nullptr);
    return status;
}
