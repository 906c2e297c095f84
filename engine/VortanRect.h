// CVortanRect (integer edges) and CVortanFloatRect (texture-atlas coordinates).
// Plain records: a default-constructed one leaves its edges unset, a value-initialised
// one (CVortanRect r{}; arrays) starts at zeros.
#pragma once
#include "engine/VortanTypes.h"

struct CVortanRect {
    i32 left;
    i32 top;
    i32 right;
    i32 bottom;

    void Set(int l, int t, int r, int b)
    {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    int GetWidth() const { return right - left; }
    int GetHeight() const { return bottom - top; }
    void SetSize(int w, int h)
    {
        right = left + w;
        bottom = top + h;
    }
    void Offset(int dx, int dy)
    {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    // Every edge is inside.
    bool Contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

struct CVortanFloatRect {
    float left;
    float top;
    float right;
    float bottom;
};
