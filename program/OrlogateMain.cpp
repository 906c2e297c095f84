// The program's entry point: one instance at a time, the online client's factory registered
// with the platform application, the game's application and its event loop. The command
// line is not read; every way out returns 0.
#include "engine/platform/VortanSingleInstance.h"
#include "game/GameFactory.h"
#include "online/OrloOnlineFactory.h"
#include "platform/OrlogateApplication.h"

int main(int argc, char** argv)
{
    (void)argc;
    (void)argv;
    if (CheckSingleInstance())
        return 0;
    // Registered before the application exists: its start-up makes the toast and the
    // achievements, and the title screen later the online part.
    COrloOnlineFactory online;
    COrlogateApplication::RegisterOnlineFactory(&online);
    COrlogateApplication* application = CreateGameApplication(nullptr);
    if (application) {
        application->Run();
        delete application;
    }
    COrlogateApplication::RegisterOnlineFactory(nullptr);
    return 0;
}
