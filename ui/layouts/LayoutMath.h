// The arithmetic the layouts share: fitting a rectangle to an aspect, and float sizes
// brought into the int range.
#pragma once
#include "engine/VortanRect.h"

// The whole part of a float, limited to the int range (NaN gives 0).
int LayoutClampToInt(float value);

// Shrinks the rect in place to the largest one of the aspect (width / height) inside it; the
// leftover space goes before the rect in the share `position` (0 after, 1 before, 0.5 both
// sides alike). False, rect untouched, for an empty rect or an aspect that is not a finite
// number above 0.
bool FitRectToAspect(CVortanRect& rect, float aspect, float position);
