// CreateVexState: the game's screens by type id.
#include "game/VexStateFactory.h"

#include "game/VexPlayState.h"
#include "game/VexState.h"

#include <new>

CVexState* CreateVexState(int typeId)
{
    switch (typeId) {
    case VEX_STATE_PLAY:
        return new (std::nothrow) CVexPlayState();
    default:
        return nullptr;
    }
}
