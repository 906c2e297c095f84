// CVortanColor: a colour as four floats (red, green, blue, alpha, each 0..1), built from and
// packed back to 0xAARRGGBB.
#pragma once
#include "engine/VortanTypes.h"

class CVortanColor {
public:
    CVortanColor() : r(0.0f), g(0.0f), b(0.0f), a(0.0f) {}
    CVortanColor(float red, float green, float blue, float alpha)
        : r(red), g(green), b(blue), a(alpha)
    {}
    explicit CVortanColor(u32 argb) { SetARGB(argb); }

    void Set(float red, float green, float blue, float alpha)
    {
        r = red;
        g = green;
        b = blue;
        a = alpha;
    }
    void Set(const CVortanColor& other) { *this = other; }
    // Each byte divided by 255.
    void SetARGB(u32 argb)
    {
        r = (float)((argb >> 16) & 0xFF) / 255.0f;
        g = (float)((argb >> 8) & 0xFF) / 255.0f;
        b = (float)(argb & 0xFF) / 255.0f;
        a = (float)((argb >> 24) & 0xFF) / 255.0f;
    }
    // Each component times 255, truncated; alpha in the top byte.
    u32 ToARGB() const
    {
        return (ToByte(a) << 24) | (ToByte(r) << 16) | (ToByte(g) << 8) | ToByte(b);
    }

    CVortanColor operator+(const CVortanColor& o) const
    {
        return CVortanColor(r + o.r, g + o.g, b + o.b, a + o.a);
    }
    CVortanColor operator-(const CVortanColor& o) const
    {
        return CVortanColor(r - o.r, g - o.g, b - o.b, a - o.a);
    }
    CVortanColor operator*(const CVortanColor& o) const
    {
        return CVortanColor(r * o.r, g * o.g, b * o.b, a * o.a);
    }
    CVortanColor operator*(float s) const { return CVortanColor(r * s, g * s, b * s, a * s); }
    CVortanColor& operator+=(const CVortanColor& o)
    {
        r += o.r;
        g += o.g;
        b += o.b;
        a += o.a;
        return *this;
    }
    CVortanColor& operator-=(const CVortanColor& o)
    {
        r -= o.r;
        g -= o.g;
        b -= o.b;
        a -= o.a;
        return *this;
    }
    CVortanColor& operator*=(const CVortanColor& o)
    {
        r *= o.r;
        g *= o.g;
        b *= o.b;
        a *= o.a;
        return *this;
    }
    CVortanColor& operator*=(float s)
    {
        r *= s;
        g *= s;
        b *= s;
        a *= s;
        return *this;
    }

    float r, g, b, a;

private:
    // Truncates component x 255 into a byte; components outside 0..1 saturate so that a
    // colour computed out of range never spills into its neighbour's byte.
    static u32 ToByte(float c)
    {
        float v = c * 255.0f;
        if (!(v > 0.0f))
            return 0;
        if (v >= 255.0f)
            return 255;
        return (u32)v;
    }
};
