// The squibs as the game's pictures show them: the idle strip of ten frames (eight facing
// directions, the winner's face, a blink) and the stretch strip of ten rows.
#pragma once
#include <math.h>

#include "tools/GamePaint.h"

namespace gamepaint {

enum SquibMood { kSquibLooking, kSquibHappy, kSquibBlink, kSquibStrained };

// One squib: a blob of colour `body` centred at (cx, cy) with radii (rx, ry), its eyes looking
// along `look` (radians, counter-clockwise from the right, y up).
inline void DrawSquib(Canvas& c, float cx, float cy, float rx, float ry, Color body, float look,
                      SquibMood mood)
{
    float x0 = cx - rx - 2, y0 = cy - ry - 2, x1 = cx + rx + 2, y1 = cy + ry + 2;
    Color dark = Scale(body, 0.55f);
    // A blob flattened at the bottom.
    Shape blob = [=](float x, float y) {
        float dx = (x - cx) / rx, dy = (y - cy) / ry;
        if (dy > 0)
            dy *= 1.25f;
        return dx * dx + dy * dy <= 1.0f && y <= cy + ry;
    };
    c.Fill(blob, dark, x0, y0, x1, y1);
    float in = std::max(1.5f, rx * 0.07f);
    Shape inner = [=](float x, float y) {
        float dx = (x - cx) / (rx - in), dy = (y - cy) / (ry - in);
        if (dy > 0)
            dy *= 1.25f;
        return dx * dx + dy * dy <= 1.0f;
    };
    c.Fill(
        inner,
        [=](float, float y) {
            float t = Clamp01((y - (cy - ry)) / (2 * ry));
            return Mix(Scale(body, 1.25f), Scale(body, 0.85f), t);
        },
        x0, y0, x1, y1);
    // Shine.
    c.Fill(Ellipse(cx - rx * 0.42f, cy - ry * 0.52f, rx * 0.2f, ry * 0.12f), Rgb(0xFFFFFF, 0.55f),
           x0, y0, x1, y1);
    // Eyes.
    float ex = rx * 0.32f, ey = cy - ry * 0.12f, er = rx * 0.24f;
    for (int side = -1; side <= 1; side += 2) {
        float px = cx + side * ex;
        if (mood == kSquibHappy) {
            // Closed, smiling eyes: arcs.
            float ay = ey + er * 0.5f;
            c.Fill(Union(RingSegment(px, ay, er * 0.7f, er * 1.05f, 300, 360),
                         RingSegment(px, ay, er * 0.7f, er * 1.05f, 0, 60)),
                   Rgb(0x1A1A1A), x0, y0, x1, y1);
            continue;
        }
        if (mood == kSquibBlink) {
            c.Fill(RoundRect(px - er, ey - er * 0.15f, px + er, ey + er * 0.2f, er * 0.15f),
                   Rgb(0x1A1A1A), x0, y0, x1, y1);
            continue;
        }
        float eyeRy = mood == kSquibStrained ? er * 0.6f : er * 1.15f;
        c.Fill(Ellipse(px, ey, er, eyeRy), Rgb(0x1A1A1A), x0, y0, x1, y1);
        c.Fill(Ellipse(px, ey, er * 0.82f, eyeRy * 0.86f), Rgb(0xFFFFFF), x0, y0, x1, y1);
        float pr = er * 0.45f;
        float lx = cosf(look) * er * 0.5f, ly = -sinf(look) * eyeRy * 0.5f;
        c.Fill(Circle(px + lx, ey + ly, pr), Rgb(0x14141E), x0, y0, x1, y1);
        c.Fill(Circle(px + lx - pr * 0.35f, ey + ly - pr * 0.35f, pr * 0.3f), Rgb(0xFFFFFF), x0, y0,
               x1, y1);
    }
    // Mouth.
    float my = cy + ry * 0.38f;
    if (mood == kSquibHappy) {
        c.Fill(
            [=](float x, float y) {
                return Ellipse(cx, my - ry * 0.08f, rx * 0.36f, ry * 0.3f)(x, y) &&
                       y > my - ry * 0.08f;
            },
            Rgb(0x3A0D0D), x0, y0, x1, y1);
    } else if (mood == kSquibStrained) {
        c.Fill(RoundRect(cx - rx * 0.25f, my - 2, cx + rx * 0.25f, my + 2 + ry * 0.06f, 2),
               Rgb(0x2A0A0A), x0, y0, x1, y1);
    } else {
        c.Fill(RingSegment(cx, my - ry * 0.2f, ry * 0.16f, ry * 0.24f, 110, 250), Rgb(0x2A0A0A), x0,
               y0, x1, y1);
    }
}

// Ten 128 x 128 frames in one row: frame k (0..7) looks towards -90 - 45 k degrees (down,
// down-left, left, ... counter-clockwise on the screen), frame 8 is the winner's smile, 9 a
// blink. The blob's bottom sits 20 pixels above the frame's bottom edge, where the body's box
// ends once the frame is drawn around it.
inline Canvas SquibStrip(Color body)
{
    const int F = 128;
    Canvas c(F * 10, F);
    for (int k = 0; k < 10; ++k) {
        float cx = k * F + F / 2.0f;
        float look = (float)M_PI / 180.0f * (-90.0f - 45.0f * k);
        SquibMood mood = k == 8 ? kSquibHappy : k == 9 ? kSquibBlink : kSquibLooking;
        DrawSquib(c, cx, 70, 46, 38, body, look, mood);
    }
    return c;
}

// Ten rows of 64 pixels, 512 wide: row k shows the squib pulled out to the right end at
// (0.2 + 0.07 k) of the width, the body round at the left and the rubber narrowing towards
// the end. Each row is symmetric about its middle line.
inline Canvas SquibStretchStrip(Color body)
{
    const int W = 512, R = 64;
    Canvas c(W, R * 10);
    Color dark = Scale(body, 0.55f);
    for (int k = 0; k < 10; ++k) {
        float top = k * R, mid = top + R / 2.0f;
        float end = (0.2f + 0.07f * k) * W - 3;
        float rx = std::min(66.0f, end * 0.5f), ry = 27.0f;
        float bx = rx + 2;
        // The rubber: half thickness from 0.8 ry at the body to 0.42 ry at the end.
        Shape band = [=](float x, float y) {
            if (x < bx || x > end)
                return false;
            float t = (x - bx) / std::max(1.0f, end - bx);
            float half = ry * (0.8f - 0.38f * t);
            float capX = end - half;
            if (x > capX) {
                float dx = x - capX;
                return (y - mid) * (y - mid) + dx * dx <= half * half;
            }
            return fabsf(y - mid) <= half;
        };
        c.Fill(band, dark, 0, top, (float)W, top + R);
        Shape bandInner = [=](float x, float y) {
            if (x < bx || x > end - 2)
                return false;
            float t = (x - bx) / std::max(1.0f, end - bx);
            float half = ry * (0.8f - 0.38f * t) - 2.5f;
            float capX = end - 2 - half;
            if (x > capX) {
                float dx = x - capX;
                return (y - mid) * (y - mid) + dx * dx <= half * half;
            }
            return fabsf(y - mid) <= half;
        };
        c.Fill(
            bandInner,
            [=](float, float y) {
                float t = Clamp01((y - top) / R);
                return Mix(Scale(body, 1.2f), Scale(body, 0.85f), fabsf(t - 0.5f) * 2);
            },
            0, top, (float)W, top + R);
        DrawSquib(c, bx, mid, rx, ry, body, (float)M_PI, k == 0 ? kSquibLooking : kSquibStrained);
    }
    return c;
}

} // namespace gamepaint
