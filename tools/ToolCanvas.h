// The data tools' drawing surface: colours, a premultiplied RGBA canvas with 4 x 4 supersampled
// shape filling, PNG and JPEG saving through gdk-pixbuf, and the basic shapes.
#pragma once
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace toolcanvas {

struct Color {
    float r, g, b, a;
};

inline Color Rgb(unsigned rgb, float alpha = 1.0f)
{
    return {((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f,
            alpha};
}

inline Color Mix(Color a, Color b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
            a.a + (b.a - a.a) * t};
}

// Hue in degrees, saturation and value 0..1.
inline Color Hsv(float h, float s, float v)
{
    h = fmodf(h, 360.0f);
    if (h < 0)
        h += 360.0f;
    float c = v * s;
    float x = c * (1.0f - fabsf(fmodf(h / 60.0f, 2.0f) - 1.0f));
    float m = v - c;
    float r = 0, g = 0, b = 0;
    if (h < 60) {
        r = c;
        g = x;
    } else if (h < 120) {
        r = x;
        g = c;
    } else if (h < 180) {
        g = c;
        b = x;
    } else if (h < 240) {
        g = x;
        b = c;
    } else if (h < 300) {
        r = x;
        b = c;
    } else {
        r = c;
        b = x;
    }
    return {r + m, g + m, b + m, 1.0f};
}

typedef std::function<bool(float, float)> Shape;

// An RGBA picture with premultiplied channels.
class Canvas {
public:
    Canvas(int width, int height) : w(width), h(height), px((size_t)width * height * 4, 0.0f) {}

    void Clear(Color c)
    {
        for (int i = 0; i < w * h; ++i) {
            px[4 * i + 0] = c.r * c.a;
            px[4 * i + 1] = c.g * c.a;
            px[4 * i + 2] = c.b * c.a;
            px[4 * i + 3] = c.a;
        }
    }

    // Source-over of colour c at the given coverage.
    void Blend(int x, int y, Color c, float coverage)
    {
        if (x < 0 || y < 0 || x >= w || y >= h || coverage <= 0.0f)
            return;
        float a = c.a * coverage;
        float* p = &px[4 * ((size_t)y * w + x)];
        p[0] = c.r * a + p[0] * (1.0f - a);
        p[1] = c.g * a + p[1] * (1.0f - a);
        p[2] = c.b * a + p[2] * (1.0f - a);
        p[3] = a + p[3] * (1.0f - a);
    }

    // Fills the shape (tested at 16 points per pixel) inside the box with a colour that may
    // vary with the position.
    void Fill(const Shape& inside, const std::function<Color(float, float)>& colour, float x0,
              float y0, float x1, float y1)
    {
        int ix0 = std::max(0, (int)floorf(x0)), iy0 = std::max(0, (int)floorf(y0));
        int ix1 = std::min(w, (int)ceilf(x1)), iy1 = std::min(h, (int)ceilf(y1));
        for (int y = iy0; y < iy1; ++y) {
            for (int x = ix0; x < ix1; ++x) {
                int hits = 0;
                for (int sy = 0; sy < 4; ++sy) {
                    for (int sx = 0; sx < 4; ++sx) {
                        if (inside(x + (sx + 0.5f) / 4.0f, y + (sy + 0.5f) / 4.0f))
                            ++hits;
                    }
                }
                if (hits)
                    Blend(x, y, colour(x + 0.5f, y + 0.5f), hits / 16.0f);
            }
        }
    }

    void Fill(const Shape& inside, Color c, float x0, float y0, float x1, float y1)
    {
        Fill(
            inside, [c](float, float) { return c; }, x0, y0, x1, y1);
    }

    void FillAll(const std::function<Color(float, float)>& colour)
    {
        Fill([](float, float) { return true; }, colour, 0, 0, (float)w, (float)h);
    }

    // Saves as "png" or "jpeg" through gdk-pixbuf, by way of a temporary file.
    // Source-over of another canvas with its top left corner at (x, y).
    void Paste(const Canvas& from, int x, int y)
    {
        for (int sy = 0; sy < from.h; ++sy)
            for (int sx = 0; sx < from.w; ++sx) {
                const int tx = x + sx, ty = y + sy;
                if (tx < 0 || ty < 0 || tx >= w || ty >= h)
                    continue;
                const float* s = &from.px[4 * ((size_t)sy * from.w + sx)];
                float* p = &px[4 * ((size_t)ty * w + tx)];
                for (int k = 0; k < 4; ++k)
                    p[k] = s[k] + p[k] * (1.0f - s[3]);
            }
    }

    bool Save(const std::string& path, const char* type) const
    {
        bool alpha = strcmp(type, "png") == 0;
        int channels = alpha ? 4 : 3;
        std::vector<guchar> bytes((size_t)w * h * channels);
        for (int i = 0; i < w * h; ++i) {
            float a = px[4 * i + 3];
            for (int k = 0; k < 3; ++k) {
                float v = px[4 * i + k];
                if (alpha)
                    v = a > 0.0f ? v / a : 0.0f; // PNG keeps straight colours
                v = std::min(1.0f, std::max(0.0f, v));
                bytes[(size_t)i * channels + k] = (guchar)lrintf(v * 255.0f);
            }
            if (alpha)
                bytes[(size_t)i * channels + 3] = (guchar)lrintf(std::min(1.0f, a) * 255.0f);
        }
        GdkPixbuf* pixbuf = gdk_pixbuf_new_from_data(bytes.data(), GDK_COLORSPACE_RGB, alpha, 8, w,
                                                     h, w * channels, nullptr, nullptr);
        if (!pixbuf)
            return false;
        std::string temp = path + ".tmp";
        GError* error = nullptr;
        gboolean ok =
            alpha ? gdk_pixbuf_save(pixbuf, temp.c_str(), "png", &error, nullptr)
                  : gdk_pixbuf_save(pixbuf, temp.c_str(), "jpeg", &error, "quality", "92", nullptr);
        g_object_unref(pixbuf);
        if (!ok) {
            fprintf(stderr, "makeimages: cannot save %s: %s\n", path.c_str(),
                    error ? error->message : "unknown error");
            if (error)
                g_error_free(error);
            remove(temp.c_str());
            return false;
        }
        if (rename(temp.c_str(), path.c_str()) != 0) {
            remove(temp.c_str());
            fprintf(stderr, "makeimages: cannot write %s\n", path.c_str());
            return false;
        }
        return true;
    }

    int w, h;
    std::vector<float> px;
};

// --- shapes ---------------------------------------------------------------------------------

inline Shape Circle(float cx, float cy, float r)
{
    return [=](float x, float y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}

inline Shape Ring(float cx, float cy, float r0, float r1)
{
    return [=](float x, float y) {
        float d = (x - cx) * (x - cx) + (y - cy) * (y - cy);
        return d >= r0 * r0 && d <= r1 * r1;
    };
}

// Angles in degrees, clockwise from the top.
inline float AngleOf(float cx, float cy, float x, float y)
{
    float a = atan2f(x - cx, -(y - cy)) * 180.0f / (float)M_PI;
    return a < 0 ? a + 360.0f : a;
}

inline Shape RingSegment(float cx, float cy, float r0, float r1, float from, float to)
{
    Shape ring = Ring(cx, cy, r0, r1);
    return [=](float x, float y) {
        if (!ring(x, y))
            return false;
        float a = AngleOf(cx, cy, x, y);
        return a >= from && a <= to;
    };
}

inline Shape Rect(float x0, float y0, float x1, float y1)
{
    return [=](float x, float y) { return x >= x0 && x < x1 && y >= y0 && y < y1; };
}

inline Shape RoundRect(float x0, float y0, float x1, float y1, float r)
{
    return [=](float x, float y) {
        if (x < x0 || x >= x1 || y < y0 || y >= y1)
            return false;
        float cx = std::min(std::max(x, x0 + r), x1 - r);
        float cy = std::min(std::max(y, y0 + r), y1 - r);
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r;
    };
}

// Convex or concave polygon by the even-odd rule.
inline Shape Polygon(std::vector<float> points)
{
    return [points](float x, float y) {
        bool in = false;
        size_t n = points.size() / 2;
        for (size_t i = 0, j = n - 1; i < n; j = i++) {
            float xi = points[2 * i], yi = points[2 * i + 1];
            float xj = points[2 * j], yj = points[2 * j + 1];
            if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi)
                in = !in;
        }
        return in;
    };
}

} // namespace toolcanvas
