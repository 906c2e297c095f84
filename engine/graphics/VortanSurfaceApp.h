// What a surface asks of the application that owns the display: its graphics context, its
// palette with the 4-4-4 lookup, and its X display. Each answers null for a null application
// (a surface made without one: the display format is then VORTAN_PIXEL_ABGR8888 and there is no
// palette).
#pragma once
#include "engine/VortanTypes.h"

class IVortanApplication;
class IVortanGraphicsContext;
struct _XDisplay;

IVortanGraphicsContext* VortanSurfaceAppGraphics(IVortanApplication* application);
// 256 entries 0x00RRGGBB, or null.
const u32* VortanSurfaceAppPalette(IVortanApplication* application);
// 4096 palette indices by 4-4-4 colour, or null.
const u8* VortanSurfaceAppPaletteLookup(IVortanApplication* application);
_XDisplay* VortanSurfaceAppDisplay(IVortanApplication* application);
