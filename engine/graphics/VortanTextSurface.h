// Text in system fonts painted into surfaces (CVortanSurface::DrawText, Pango through cairo)
// and the colour multiplication of 32-bit pixel rectangles.
#pragma once
#include "engine/VortanRect.h"
#include "engine/VortanTypes.h"

// Multiplies each of A, R, G, B of the pixels of `rect` by the colour's matching component
// and divides by 255 (format VORTAN_PIXEL_ABGR8888: the colour's red and blue are exchanged first).
// Only formats VORTAN_PIXEL_ARGB8888 and VORTAN_PIXEL_ABGR8888; the rectangle is cut to the buffer
// of width x height pixels.
void TintPixels(int pixelFormat, u8* pixels, int pitch, int width, int height,
                const CVortanRect& rect, u32 color);
