// The widget tree of a pop-up, made from its layout file with the pop-up's own named events.
#pragma once
#include "ui/UIDelegate.h"

class COrloApplication;
class CUIActionSequenceList;
class CWidget;

// An event the layout may name, and what it calls.
struct PopupEvent {
    const char* name;
    CUIDelegate call;
};

// Makes the tree of the layout file at the size into *root, its action sequences kept in the
// list (which may be null: nothing is made then): VORTAN_OK, VORTAN_E_NOMEMORY, VORTAN_E_MISSING
// when the layout holds no tree, or the loader's failure.
int BuildPopupTree(COrloApplication* application, const char* layout,
                   CUIActionSequenceList* sequences, const PopupEvent* events, int eventCount,
                   int width, int height, CWidget** root);
