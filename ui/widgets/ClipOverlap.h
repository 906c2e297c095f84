// The clip rectangle a widget draws within: the part of its rectangle inside the clip that
// stands.
#pragma once
#include "engine/VortanRect.h"

// The overlap of the clip and the rect; where they do not meet, right < left or bottom < top.
inline CVortanRect ClipOverlap(const CVortanRect& clip, const CVortanRect& rect)
{
    CVortanRect overlap;
    overlap.Set(clip.left > rect.left ? clip.left : rect.left,
                clip.top > rect.top ? clip.top : rect.top,
                clip.right < rect.right ? clip.right : rect.right,
                clip.bottom < rect.bottom ? clip.bottom : rect.bottom);
    return overlap;
}

// As ClipOverlap, but where they do not meet an empty rect at the overlap's top left corner.
inline CVortanRect ClipOverlapOrEmpty(const CVortanRect& clip, const CVortanRect& rect)
{
    CVortanRect overlap = ClipOverlap(clip, rect);
    if (overlap.right < overlap.left)
        overlap.right = overlap.left;
    if (overlap.bottom < overlap.top)
        overlap.bottom = overlap.top;
    return overlap;
}
