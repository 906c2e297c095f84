// Helpers shared by the surface's software drawing routines (fills, lines and blits).
#pragma once
#include "engine/VortanRect.h"
#include "engine/VortanTypes.h"
#include "engine/graphics/VortanSurface.h"

namespace VortanSoft {

// The context as a software surface, or null (null context, or the GLES2 extension).
inline CVortanSurface* AsSurface(IVortanGraphicsContext* context)
{
    if (!context || context->GetContextType() != VORTAN_CONTEXT_SURFACE)
        return nullptr;
    return static_cast<CVortanSurface*>(context);
}

// The source of a blit onto `target`: the context as a surface, its lock flags cleared.
// VORTAN_E_ARGUMENT for a context that is not a surface or a source without pixels,
// VORTAN_E_RANGE for a target without pixels.
inline int BlitSource(CVortanSurface* target, IVortanGraphicsContext* context,
                      CVortanSurface** source)
{
    CVortanSurface* surface = AsSurface(context);
    *source = surface;
    if (!surface)
        return VORTAN_E_ARGUMENT;
    surface->SetLockFlags(0);
    if (!target->GetPixels())
        return VORTAN_E_RANGE;
    if (!surface->GetPixels())
        return VORTAN_E_ARGUMENT;
    return VORTAN_OK;
}

// The clip rectangle limited to a width x height surface (it always is, but a surface laid
// over a buffer may be re-described later).
inline CVortanRect ClipWithin(const CVortanRect& clip, int width, int height)
{
    CVortanRect c = clip;
    if (c.left < 0)
        c.left = 0;
    if (c.top < 0)
        c.top = 0;
    if (c.right > width)
        c.right = width;
    if (c.bottom > height)
        c.bottom = height;
    return c;
}

// Mask of the half blend by target format: (target & mask) >> 1 + (source & mask) >> 1.
inline u32 HalfBlendMask(int format)
{
    switch (format) {
    case VORTAN_PIXEL_RGB444:
        return 0x0EEE;
    case VORTAN_PIXEL_RGB555:
        return 0x7BDE;
    case VORTAN_PIXEL_RGB565:
        return 0xF7DE;
    case VORTAN_PIXEL_RGB888:
        return 0xFEFEFE;
    default:
        return 0xFEFEFEFE;
    }
}

inline u32 Sat255(u32 v)
{
    return v > 255 ? 255 : v;
}

// A pixel's three colour channels at 0..255: bits 16-23, 8-15 and 0-7 of a 32-bit word, or the
// red, green and blue fields of a VORTAN_PIXEL_RGB565 one (times 8, 4 and 8).
inline void Split888(u32 p, u32 c[3])
{
    c[0] = (p >> 16) & 0xFF;
    c[1] = (p >> 8) & 0xFF;
    c[2] = p & 0xFF;
}

inline u32 Join888(const u32 c[3])
{
    return (c[0] << 16) | (c[1] << 8) | c[2];
}

inline void Split565(u32 p, u32 c[3])
{
    c[0] = ((p >> 11) & 31) * 8;
    c[1] = ((p >> 5) & 63) * 4;
    c[2] = (p & 31) * 8;
}

inline u32 Join565(const u32 c[3])
{
    return ((c[0] >> 3) << 11) | ((c[1] >> 2) << 5) | (c[2] >> 3);
}

// Red and blue exchanged: a colour 0xAARRGGBB in the byte order of format VORTAN_PIXEL_ABGR8888
// (0xAABBGGRR).
inline u32 SwapRB(u32 c)
{
    return (c & 0xFF00FF00) | ((c >> 16) & 0xFF) | ((c & 0xFF) << 16);
}

// Clamps `rect` (null: the whole width x height surface) to the clip rectangle, itself
// limited to the surface. False when nothing is left.
bool ClipToRect(const CVortanRect* rect, int width, int height, const CVortanRect& clip,
                CVortanRect* out);

// Clips a blit of the source rectangle `src` drawn at (x, y): first the source rectangle to
// the source (width x height), then the target rectangle to `clip` (which the caller has
// already limited to the target). Cuts come from the opposite source edge when mirrored.
// On return (x, y) is the first target pixel and `src` the source part drawn there. False
// when nothing is left.
bool ClipBlit(int* x, int* y, CVortanRect* src, int srcWidth, int srcHeight,
              const CVortanRect& clip, u32 flags);

} // namespace VortanSoft
