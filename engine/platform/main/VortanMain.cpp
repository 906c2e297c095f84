// The program's entry point: one instance at a time, the game's application, its event loop.
// The command line is not read; every way out returns 0.
#include "engine/platform/VortanSingleInstance.h"
#include "platform/OrlogateApplication.h"

int main(int argc, char** argv)
{
    (void)argc;
    (void)argv;
    if (CheckSingleInstance())
        return 0;
    COrlogateApplication* application = CreateGameApplication(nullptr);
    if (!application)
        return 0;
    application->Run();
    delete application;
    return 0;
}
