// Making the button manager and the dot field of the menu and the screens around it.
#include "game/VexMenuState_Parts.h"

#include <new>

#include "game/VexButtonManager.h"
#include "game/VexDotField.h"

CVexButtonManager* NewScreenButtons(CVexRenderer* renderer, CVexButtonListener* listener)
{
    CVexButtonManager* buttons = new (std::nothrow) CVexButtonManager();
    if (buttons) {
        buttons->Init(renderer);
        buttons->SetListener(listener);
    }
    return buttons;
}

CVexDotField* NewScreenDots(CStateGame* game, CVexRenderer* renderer, int dots)
{
    CVexDotField* field = new (std::nothrow) CVexDotField();
    if (field) {
        field->Init(game, renderer);
        for (int i = 0; i < dots; ++i)
            field->Spawn();
    }
    return field;
}
