// VexTrimQuad: a textured quad cut down to the part of its picture that can show.
#ifndef VEX_QUAD_TRIM_H
#define VEX_QUAD_TRIM_H

#include "game/VexRenderer.h"

// quad: four vertices whose texture coordinates are the four corners of a rectangle and whose
// positions form a parallelogram (drawn as a fan). (u0, v0)-(u1, v1): the part of the texture
// outside which nothing shows. Returns 0 when no part of the quad can show; else 1, with the
// quad cut to that part: the same points of the picture land where they did, and a side that
// is not cut keeps its vertices as they were. A quad of another shape is left as it is.
int VexTrimQuad(CVexVertex* quad, float u0, float v0, float u1, float v1);

#endif
