#include "engine/graphics/VortanSurfaceApp.h"

#include "engine/platform/VortanApplication.h"

IVortanGraphicsContext* VortanSurfaceAppGraphics(IVortanApplication* application)
{
    return application ? application->GetGraphics() : nullptr;
}

const u32* VortanSurfaceAppPalette(IVortanApplication* application)
{
    return application ? application->GetPalette() : nullptr;
}

const u8* VortanSurfaceAppPaletteLookup(IVortanApplication* application)
{
    return application ? application->GetPaletteLookup() : nullptr;
}

_XDisplay* VortanSurfaceAppDisplay(IVortanApplication* application)
{
    return application ? application->GetDisplay() : nullptr;
}
