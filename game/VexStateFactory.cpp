// CreateVexState: the game's screens by type id.
#include "game/VexStateFactory.h"

#include <new>

#include "game/VexConnectingState.h"
#include "game/VexEditState.h"
#include "game/VexIntroState.h"
#include "game/VexMenuState.h"
#include "game/VexPlayState.h"
#include "game/VexState.h"
#include "game/VexTrainingState.h"

CVexState* CreateVexState(int typeId)
{
    switch (typeId) {
    case VEX_STATE_MENU:
        return new (std::nothrow) CVexMenuState();
    case VEX_STATE_EDIT:
        return new (std::nothrow) CVexEditState();
    case VEX_STATE_PLAY:
        return new (std::nothrow) CVexPlayState();
    case VEX_STATE_CONNECTING:
        return new (std::nothrow) CVexConnectingState();
    case VEX_STATE_INTRO:
        return new (std::nothrow) CVexIntroState();
    case VEX_STATE_TRAINING:
        return new (std::nothrow) CVexTrainingState();
    default:
        return nullptr;
    }
}
