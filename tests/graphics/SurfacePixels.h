// Surface descriptions and pixel words for the drawing tests.
#pragma once
#include "engine/graphics/VortanSurface.h"

namespace gtest_graphics {

// A w x h surface of the format; the pitch is the surface's own to choose.
inline CVortanSurfaceDesc Desc(int w, int h, int format, u32 flags = 0)
{
    return CVortanSurfaceDesc{w, h, 0, format, flags};
}
// The 32-bit word of pixel (x, y).
inline u32 Word(CVortanSurface& s, int x, int y)
{
    return ((u32*)(s.GetPixels() + (size_t)y * s.GetPitch()))[x];
}
inline void SetWord(CVortanSurface& s, int x, int y, u32 v)
{
    ((u32*)(s.GetPixels() + (size_t)y * s.GetPitch()))[x] = v;
}

} // namespace gtest_graphics
