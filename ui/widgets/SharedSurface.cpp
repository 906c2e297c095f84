// The shared surface slot: references taken and given back through the resource manager.
#include "ui/widgets/SharedSurface.h"

#include <inttypes.h>
#include <stdio.h>

#include "engine/graphics/VortanSurface.h"
#include "platform/OrloResourceManager.h"

void CSharedSurface::Release(COrloResourceManager* manager)
{
    CVortanSurface* old = surface;
    surface = nullptr;
    if (!old)
        return;
    if (!owned && manager && manager->ReleaseSurface(old))
        return;
    old->Release();
    delete old;
}

void CSharedSurface::Set(COrloResourceManager* manager, CVortanSurface* image)
{
    if (image == surface)
        return;
    Release(manager);
    surface = image;
    owned = false;
    if (!image)
        return;
    if (!manager) {
        owned = true;
        return;
    }
    if (manager->AddRefSurface(image))
        return;
    // A surface made elsewhere: the manager keeps it from now on, so that every widget sharing
    // it holds a counted reference and the last one deletes it.
    char name[48];
    snprintf(name, sizeof(name), "image@0x%016" PRIxPTR, (uintptr_t)image);
    if (!manager->AddSurface(CVortanString(name), image))
        owned = true;
}

void CSharedSurface::Drop()
{
    if (owned)
        Release(nullptr);
    surface = nullptr;
    owned = false;
}
