// CreateGameApplication: the game module's factory of the program's application.
#include "game/GameFactory.h"

#include <new>

#include "game/StateGame.h"
#include "platform/OrlogateApplication.h"

COrlogateApplication* CreateGameApplication(void* platform)
{
    COrlogateApplication* application = new (std::nothrow) COrlogateApplication();
    if (!application)
        return nullptr;
    CStateGame* game = new (std::nothrow) CStateGame();
    if (!game) {
        delete application;
        return nullptr;
    }
    if (application->Create(platform, 960, 640, game) == VORTAN_OK)
        return application;
    delete game;
    delete application;
    return nullptr;
}
