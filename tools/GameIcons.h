// The game's touch-button pictures: a round coloured button with a white sign on it, drawn on
// a 128-unit grid and scaled to the picture's size.
#pragma once
#include <math.h>

#include "tools/GamePaint.h"

namespace gamepaint {

// A button face: a dark rim, a face shaded from light at the top to the colour at the bottom,
// and a gloss over its upper half.
inline void ButtonBase(Canvas& c, Color colour)
{
    float n = (float)c.w, k = n / 128.0f;
    float cx = n / 2, cy = n / 2;
    c.Fill(Circle(cx, cy + 2 * k, 60 * k), Rgb(0x000000, 0.35f), 0, 0, n, n);
    c.Fill(Circle(cx, cy, 60 * k), Scale(colour, 0.5f), 0, 0, n, n);
    c.Fill(
        Circle(cx, cy, 55 * k),
        [=](float, float y) { return Mix(Scale(colour, 1.35f), Scale(colour, 0.9f), y / n); }, 0, 0,
        n, n);
    c.Fill(Ellipse(cx, cy - 26 * k, 40 * k, 22 * k), Rgb(0xFFFFFF, 0.22f), 0, 0, n, n);
}

// The white signs, in 128-unit coordinates.
struct Sign {
    Canvas& c;
    float k;
    Color ink;
    explicit Sign(Canvas& canvas, Color colour = Rgb(0xFFFFFF))
        : c(canvas), k(canvas.w / 128.0f), ink(colour)
    {}
    void Fill(const Shape& s) { FillAll(c, s, ink); }
    void Fill(const Shape& s, Color colour) { FillAll(c, s, colour); }
    Shape Seg(float x0, float y0, float x1, float y1, float r) const
    {
        return Segment(x0 * k, y0 * k, x1 * k, y1 * k, r * k);
    }
    Shape Poly(std::vector<float> p) const
    {
        for (float& v : p)
            v *= k;
        return Polygon(p);
    }
    Shape Disc(float x, float y, float r) const { return Circle(x * k, y * k, r * k); }
    Shape Arc(float x, float y, float r0, float r1, float from, float to) const
    {
        return RingSegment(x * k, y * k, r0 * k, r1 * k, from, to);
    }
    Shape Box(float x0, float y0, float x1, float y1, float r) const
    {
        return RoundRect(x0 * k, y0 * k, x1 * k, y1 * k, r * k);
    }
};

// A bomb: a black ball with a fuse and a spark.
inline void BombSign(Sign& s, float x, float y, float r, Color ball = Rgb(0x202428))
{
    s.Fill(s.Seg(x + r * 0.5f, y - r * 0.75f, x + r * 0.95f, y - r * 1.3f, r * 0.14f),
           Rgb(0x8A6A3A));
    s.Fill(s.Disc(x, y, r), Rgb(0xFFFFFF));
    s.Fill(s.Disc(x, y, r * 0.86f), ball);
    s.Fill(s.Box(x + r * 0.25f, y - r * 1.0f, x + r * 0.8f, y - r * 0.6f, r * 0.08f), ball);
    s.Fill(s.Disc(x - r * 0.35f, y - r * 0.35f, r * 0.18f), Rgb(0xFFFFFF, 0.5f));
    s.Fill(Star(s.k * (x + r * 1.0f), s.k * (y - r * 1.38f), s.k * r * 0.36f, s.k * r * 0.15f),
           Rgb(0xFFD23A));
}

inline void Snowflake(Sign& s, float x, float y, float r)
{
    for (int i = 0; i < 3; ++i) {
        float a = (float)M_PI / 3 * i;
        float dx = cosf(a) * r, dy = sinf(a) * r;
        s.Fill(s.Seg(x - dx, y - dy, x + dx, y + dy, r * 0.12f));
        for (int e = -1; e <= 1; e += 2) {
            float bx = x + e * dx * 0.6f, by = y + e * dy * 0.6f;
            float b = r * 0.3f;
            for (int t = -1; t <= 1; t += 2) {
                float ba = a + (e > 0 ? 0 : (float)M_PI) + t * 0.8f;
                s.Fill(s.Seg(bx, by, bx + cosf(ba) * b, by + sinf(ba) * b, r * 0.09f));
            }
        }
    }
}

// A curved arrow around the centre, its head at the end (angles clockwise from the top).
inline void CircleArrow(Sign& s, float r, float from, float to, float thick)
{
    s.Fill(s.Arc(64, 64, r - thick / 2, r + thick / 2, from, to));
    float a = to * (float)M_PI / 180.0f;
    float ex = 64 + r * sinf(a), ey = 64 - r * cosf(a);
    float tx = cosf(a), ty = sinf(a), nx = sinf(a), ny = -cosf(a);
    float h = thick * 1.25f;
    s.Fill(s.Poly({ex + nx * h, ey + ny * h, ex - nx * h, ey - ny * h, ex + tx * h * 1.3f,
                   ey + ty * h * 1.3f}));
}

} // namespace gamepaint
