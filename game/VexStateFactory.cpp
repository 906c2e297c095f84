// CreateVexState: the game's screens by type id.
#include "game/VexStateFactory.h"

#include "game/VexState.h"

CVexState* CreateVexState(int typeId)
{
    // No game screen is built yet: the host runs without one.
    (void)typeId;
    return nullptr;
}
