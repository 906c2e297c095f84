// Painting helpers of the game's pictures: per-pixel fields, tileable noise, extra shapes and
// the game's own block letters.
#pragma once
#include <math.h>
#include <stdint.h>

#include <functional>

#include "tools/ToolCanvas.h"

namespace gamepaint {

using namespace toolcanvas;

// One sample per pixel at its centre: for smooth fields that need no edge smoothing.
inline void Paint(Canvas& c, const std::function<Color(float, float)>& field)
{
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x)
            c.Blend(x, y, field(x + 0.5f, y + 0.5f), 1.0f);
}

// Replaces every pixel (colour and alpha) with the field's value.
inline void Set(Canvas& c, const std::function<Color(float, float)>& field)
{
    for (int y = 0; y < c.h; ++y) {
        for (int x = 0; x < c.w; ++x) {
            Color v = field(x + 0.5f, y + 0.5f);
            float* p = &c.px[4 * ((size_t)y * c.w + x)];
            p[0] = v.r * v.a;
            p[1] = v.g * v.a;
            p[2] = v.b * v.a;
            p[3] = v.a;
        }
    }
}

inline float Hash(int x, int y, int seed)
{
    uint32_t h = (uint32_t)x * 374761393u + (uint32_t)y * 668265263u + (uint32_t)seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return ((h ^ (h >> 16)) & 0xFFFF) / 65535.0f;
}

// Smooth value noise 0..1 on a lattice of `period` cells that repeats every `period` cells.
inline float Noise(float x, float y, int period, int seed)
{
    int x0 = (int)floorf(x), y0 = (int)floorf(y);
    float fx = x - x0, fy = y - y0;
    fx = fx * fx * (3 - 2 * fx);
    fy = fy * fy * (3 - 2 * fy);
    auto at = [&](int i, int j) {
        return Hash(((i % period) + period) % period, ((j % period) + period) % period, seed);
    };
    float a = at(x0, y0), b = at(x0 + 1, y0), c = at(x0, y0 + 1), d = at(x0 + 1, y0 + 1);
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

// Noise over a square picture of `size` pixels that tiles: octaves of 4, 8 and 16 cells.
inline float TiledNoise(float x, float y, float size, int seed)
{
    float v = 0, weight = 0, k = 0.5f;
    for (int cells = 4; cells <= 16; cells *= 2) {
        v += k * Noise(x / size * cells, y / size * cells, cells, seed + cells);
        weight += k;
        k *= 0.5f;
    }
    return v / weight;
}

inline float Clamp01(float v)
{
    return v < 0 ? 0 : v > 1 ? 1 : v;
}

inline Color Scale(Color c, float k)
{
    return {Clamp01(c.r * k), Clamp01(c.g * k), Clamp01(c.b * k), c.a};
}

inline Color WithAlpha(Color c, float a)
{
    return {c.r, c.g, c.b, a};
}

inline Shape Ellipse(float cx, float cy, float rx, float ry)
{
    return [=](float x, float y) {
        float dx = (x - cx) / rx, dy = (y - cy) / ry;
        return dx * dx + dy * dy <= 1.0f;
    };
}

// A thick line with round ends.
inline Shape Segment(float x0, float y0, float x1, float y1, float r)
{
    return [=](float x, float y) {
        float vx = x1 - x0, vy = y1 - y0;
        float len2 = vx * vx + vy * vy;
        float t = len2 > 0 ? ((x - x0) * vx + (y - y0) * vy) / len2 : 0;
        t = t < 0 ? 0 : t > 1 ? 1 : t;
        float dx = x - (x0 + t * vx), dy = y - (y0 + t * vy);
        return dx * dx + dy * dy <= r * r;
    };
}

inline Shape Union(Shape a, Shape b)
{
    return [=](float x, float y) { return a(x, y) || b(x, y); };
}

inline Shape Minus(Shape a, Shape b)
{
    return [=](float x, float y) { return a(x, y) && !b(x, y); };
}

// Fills a shape over the whole canvas.
inline void FillAll(Canvas& c, const Shape& s, Color colour)
{
    c.Fill(s, colour, 0, 0, (float)c.w, (float)c.h);
}

inline void FillAll(Canvas& c, const Shape& s, const std::function<Color(float, float)>& colour)
{
    c.Fill(s, colour, 0, 0, (float)c.w, (float)c.h);
}

// A five-pointed star.
inline Shape Star(float cx, float cy, float outer, float inner, float turn = 0)
{
    std::vector<float> points;
    for (int i = 0; i < 10; ++i) {
        float a = (float)M_PI * i / 5.0f + turn;
        float r = i % 2 ? inner : outer;
        points.push_back(cx + r * sinf(a));
        points.push_back(cy - r * cosf(a));
    }
    return Polygon(points);
}

// 5 x 7 block letters of the game's name and the digits.
inline const char* GameGlyph(char c)
{
    switch (c) {
    case 'Z':
        return "#####    #   #   #   #   #    #####";
    case 'O':
        return " ### #   ##   ##   ##   ##   # ### ";
    case 'R':
        return "#### #   ##   ##### # #  #  # #   #";
    case 'B':
        return "#### #   ##   ##### #   ##   ##### ";
    case 'I':
        return " ###   #    #    #    #    #   ### ";
    case 'X':
        return "#   ##   # # #   #   # # #   ##   #";
    default:
        return nullptr;
    }
}

// Draws block letters with rounded cells; `colour` may vary with the row.
inline void BlockText(Canvas& c, const char* text, float x, float y, float cell,
                      const std::function<Color(int)>& colour)
{
    for (int i = 0; text[i]; ++i) {
        const char* g = GameGlyph(text[i]);
        if (!g)
            continue;
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col)
                if (g[row * 5 + col] == '#') {
                    float cx = x + (i * 6 + col) * cell, cy = y + row * cell;
                    c.Fill(RoundRect(cx, cy, cx + cell * 1.02f, cy + cell * 1.02f, cell * 0.2f),
                           colour(row), cx - 1, cy - 1, cx + cell + 1, cy + cell + 1);
                }
    }
}

} // namespace gamepaint
