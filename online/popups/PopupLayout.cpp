// Making a pop-up's widget tree from its layout file.
#include "online/popups/PopupLayout.h"

#include <new>

#include "ui/Widget.h"
#include "ui/anim/UIActionRegistry.h"
#include "ui/anim/UIActionSequence.h"
#include "ui/loader/GameXMLLoader.h"

int BuildPopupTree(COrloApplication* application, const char* layout,
                   CUIActionSequenceList* sequences, const PopupEvent* events, int eventCount,
                   int width, int height, CWidget** root)
{
    int rc = VORTAN_E_NOMEMORY;
    CUIActionRegistry* registry = new (std::nothrow) CUIActionRegistry();
    CGameXMLLoader* loader = new (std::nothrow) CGameXMLLoader();
    if (sequences && registry && loader) {
        sequences->Init();
        registry->Init(sequences);
        for (int i = 0; i < eventCount; ++i)
            registry->Register(CVortanString(events[i].name), events[i].call, 1);
        loader->Init(application, registry, nullptr);
        rc = loader->LoadAreas(CVortanString(layout));
        if (rc == VORTAN_OK) {
            *root = loader->CreateWidgetTree(width, height, nullptr);
            if (!*root)
                rc = VORTAN_E_MISSING;
        }
        loader->Unload();
    }
    delete loader;
    delete registry;
    return rc;
}
