// Pixel helpers shared by the surface's routines.
#pragma once
#include "engine/VortanTypes.h"

// The palette index of a colour through the application's 4096-entry 4-4-4 lookup (0
// without a lookup).
u32 VortanPaletteIndex(const u8* lookup, u32 r, u32 g, u32 b);
// Pixel x of a row in `format` as 0xAARRGGBB; alpha from alphaRow (255 without one) for
// formats VORTAN_PIXEL_PALETTE8 to VORTAN_PIXEL_RGB888, palette colours for format
// VORTAN_PIXEL_PALETTE8 (black without a palette).
u32 VortanDecodeNative(int format, const u8* row, int x, const u8* alphaRow, const u32* palette);
// Writes 0xAARRGGBB as pixel x of a row in `format`: a palette index through `lookup` for
// format VORTAN_PIXEL_PALETTE8, the alpha byte kept by formats VORTAN_PIXEL_ARGB8888 and
// VORTAN_PIXEL_ABGR8888 only.
void VortanEncodeNative(int format, u8* row, int x, u32 color, const u8* lookup);
