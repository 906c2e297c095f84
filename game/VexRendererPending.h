// TEMPORARY: the renderer's drawing and shader calls that the host and the buttons use,
// standing in until the renderer's drawing lands; each forwards to the renderer operation
// of the same name once it exists, and this file is then deleted.
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "engine/VortanVector.h"

class CVexRenderer;
class CVortanSurface;

inline void VexPendingDrawScreenQuad(CVexRenderer* renderer, const CVortanVector2& centre,
                                     const CVortanVector2& halfSize, CVortanSurface* image,
                                     u32 colour)
{
    (void)renderer, (void)centre, (void)halfSize, (void)image, (void)colour;
}

inline void VexPendingDrawText(CVexRenderer* renderer, float x, float y, const CVortanString& text,
                               u32 colour, int flags, int font)
{
    (void)renderer, (void)x, (void)y, (void)text, (void)colour, (void)flags, (void)font;
}

inline void VexPendingCreateShaders(CVexRenderer* renderer)
{
    (void)renderer;
}

inline void VexPendingReleaseShaders(CVexRenderer* renderer)
{
    (void)renderer;
}
