// IVortanApplication: the 256-colour palette of 8-bit surfaces and its colour lookup.
#include <stdlib.h>
#include <string.h>

#include <new>

#include "engine/platform/VortanApplication.h"

int IVortanApplication::FindNearestPaletteIndex(const u32* palette, u32 colour)
{
    if (!palette)
        return 255;
    u32 target = colour & 0xFFFFFF;
    for (int i = 0; i < 256; ++i) {
        if (palette[i] == target)
            return i;
    }
    int r = (int)((target >> 16) & 0xFF), g = (int)((target >> 8) & 0xFF), b = (int)(target & 0xFF);
    u32 best = 0xFFFFFF;
    int bestIndex = 255;
    for (int i = 0; i < 256; ++i) {
        u32 p = palette[i];
        int dr = (int)((p >> 16) & 0xFF) - r, dg = (int)((p >> 8) & 0xFF) - g,
            db = (int)(p & 0xFF) - b;
        u32 d = (u32)(abs(dr) + abs(dg) + abs(db));
        if (d < best) {
            best = d;
            bestIndex = i;
        }
    }
    return bestIndex;
}

int IVortanApplication::SetPalette(const u32* entries)
{
    if (!m_palette) {
        m_palette = new (std::nothrow) u32[256];
        if (!m_palette)
            return VORTAN_E_NOMEMORY;
    }
    if (!m_paletteLookup) {
        m_paletteLookup = new (std::nothrow) u8[4096];
        if (!m_paletteLookup)
            return VORTAN_E_NOMEMORY;
    }
    if (entries) {
        memcpy(m_palette, entries, 256 * sizeof(u32));
    } else {
        for (u32 i = 0; i < 256; ++i) {
            u32 red = ((i >> 5) & 7) * 255 / 7;
            u32 green = ((i >> 2) & 7) * 255 / 7;
            u32 blue = (i & 3) * 85;
            m_palette[i] = (red << 16) | (green << 8) | blue;
        }
    }
    for (u32 v = 0; v < 4096; ++v) {
        u32 red = ((v >> 8) & 15) * 16, green = ((v >> 4) & 15) * 16, blue = (v & 15) * 16;
        m_paletteLookup[v] =
            (u8)FindNearestPaletteIndex(m_palette, (red << 16) | (green << 8) | blue);
    }
    return VORTAN_OK;
}
