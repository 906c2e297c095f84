// makeimages: draws the platform's pictures and saves them as JPEG or PNG.
//
//   makeimages intro OUTDIR          the twelve logo frames "orlogate_logo1.jpg".."12.jpg"
//   makeimages title OUTDIR          "title.png", "background-horizontal.jpg",
//                                    "background-vertical.jpg"
//   makeimages lobby OUTDIR SIZE     "avatar.png", "cl-icon-trophy.png", the pictures of the
//                                    pop-ups (the toast's strip and three icons, the advert's
//                                    panel and its two-frame buttons), the online menu's
//                                    "orlo-button.png" and "menu-button.png", and the pages'
//                                    switches, slider parts and marks, for screens whose
//                                    smaller side is SIZE pixels (drawn for 480, scaled)
//   makeimages reload OUT.png OUT.cpp
//                                    the 56 x 56 reload picture, and a C++ source that builds
//                                    its PNG bytes into the program
//
// Everything is drawn here, shape by shape, with 4 x 4 supersampling for smooth edges.
// Exit status: 0 success, 1 failure, 2 bad arguments.
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "tools/ToolCanvas.h"
#include "tools/ToolFiles.h"

namespace {

using namespace toolcanvas;

// --- block letters ------------------------------------------------------------------------

const char* Glyph(char c)
{
    switch (c) {
    case 'A':
        return " ### #   ##   #######   ##   ##   #";
    case 'E':
        return "######    #    #### #    #    #####";
    case 'G':
        return " ### #   ##    # ####   ##   # ### ";
    case 'K':
        return "#   ##  # # #  ##   # #  #  # #   #";
    case 'L':
        return "#    #    #    #    #    #    #####";
    case 'O':
        return " ### #   ##   ##   ##   ##   # ### ";
    case 'R':
        return "#### #   ##   ##### # #  #  # #   #";
    case 'T':
        return "#####  #    #    #    #    #    #  ";
    default:
        return nullptr;
    }
}

// Width of a text in cells: 5 per letter, 1 between letters.
int TextCells(const char* text)
{
    int n = (int)strlen(text);
    return n > 0 ? n * 6 - 1 : 0;
}

// Draws a text of 5 x 7 block letters, each cell a solid square of `cell` pixels; the colour
// may change from row to row. `letters` limits how many letters are drawn.
void DrawText(Canvas& canvas, const char* text, float x, float y, float cell,
              const std::function<Color(int)>& rowColour, int letters = 1000)
{
    for (int i = 0; text[i] && i < letters; ++i) {
        const char* g = Glyph(text[i]);
        if (!g)
            continue;
        for (int row = 0; row < 7; ++row) {
            for (int col = 0; col < 5; ++col) {
                if (g[row * 5 + col] != '#')
                    continue;
                float cx = x + (i * 6 + col) * cell, cy = y + row * cell;
                canvas.Fill(Rect(cx, cy, cx + cell, cy + cell), rowColour(row), cx, cy, cx + cell,
                            cy + cell);
            }
        }
    }
}

void DrawText(Canvas& canvas, const char* text, float x, float y, float cell, Color colour,
              int letters = 1000)
{
    DrawText(
        canvas, text, x, y, cell, [colour](int) { return colour; }, letters);
}

// --- the pictures ----------------------------------------------------------------------------

// Frame k of 12 of the maker's logo: a ring of twelve segments that light up one by one in a
// colour that moves from blue to orange, a gate that rises inside it, and the name spelled
// out letter by letter below.
bool DrawIntroFrame(int k, const std::string& path)
{
    const int W = 420, H = 280;
    Canvas c(W, H);
    c.Clear(Rgb(0x000000));
    float t = (k - 1) / 11.0f;
    Color accent = Hsv(205.0f - 175.0f * t, 0.75f, 0.95f);
    const float cx = 210, cy = 110, r0 = 56, r1 = 84;
    for (int j = 0; j < 12; ++j) {
        float from = j * 30.0f + 2.0f, to = (j + 1) * 30.0f - 2.0f;
        Color colour = j < k ? accent : Rgb(0x2A2A2A);
        c.Fill(RingSegment(cx, cy, r0, r1, from, to), colour, cx - r1, cy - r1, cx + r1, cy + r1);
    }
    // The gate: two pillars and a lintel, rising with the frames.
    float rise = std::min(1.0f, k / 8.0f);
    float base = cy + 34, top = base - 64 * rise;
    Color gate = Mix(Rgb(0x505050), Rgb(0xFFFFFF), rise);
    c.Fill(Rect(cx - 30, top, cx - 18, base), gate, cx - 30, top, cx - 18, base);
    c.Fill(Rect(cx + 18, top, cx + 30, base), gate, cx + 18, top, cx + 30, base);
    if (k >= 5)
        c.Fill(RoundRect(cx - 38, top - 10, cx + 38, top + 2, 3), gate, cx - 38, top - 10, cx + 38,
               top + 2);
    // The name, one more letter every frame and a half.
    const char* name = "ORLOGATE";
    float cell = 6.0f;
    float tx = (W - TextCells(name) * cell) / 2.0f;
    int letters = (k * 8 + 11) / 12;
    DrawText(c, name, tx, 214, cell, Rgb(0xF2F2F2), letters);
    if (k == 12)
        c.Fill(Rect(tx, 262, tx + TextCells(name) * cell, 266), accent, 0, 258, W, 270);
    return c.Save(path, "jpeg");
}

// Sky, sun, hills and water; the same scene for either orientation.
bool DrawBackground(int W, int H, const std::string& path)
{
    Canvas c(W, H);
    float horizon = H * 0.62f;
    Color skyTop = Rgb(0x14305C), skyLow = Rgb(0x7FB2E0);
    Color deep = Rgb(0x0B3D5C), shallow = Rgb(0x2C7FA8);
    c.FillAll([&](float, float y) {
        if (y < horizon)
            return Mix(skyTop, skyLow, y / horizon);
        return Mix(shallow, deep, (y - horizon) / (H - horizon));
    });
    float unit = std::min(W, H) / 480.0f;
    float sx = W * 0.74f, sy = horizon - H * 0.25f, sr = 46 * unit;
    c.Fill(Circle(sx, sy, sr * 1.5f), Rgb(0xFFE9A8, 0.25f), sx - sr * 2, sy - sr * 2, sx + sr * 2,
           sy + sr * 2);
    c.Fill(Circle(sx, sy, sr), Rgb(0xFFD65C), sx - sr, sy - sr, sx + sr, sy + sr);
    // Two rows of hills.
    auto hills = [&](float level, float amplitude, float phase, Color colour) {
        c.Fill(
            [=](float x, float y) {
                float u = x / W * 6.2832f;
                float top = level - amplitude * (0.6f * sinf(u * 1.3f + phase) +
                                                 0.4f * sinf(u * 2.9f + phase * 2.0f));
                return y >= top && y < horizon;
            },
            colour, 0, level - amplitude * 1.2f, (float)W, horizon);
    };
    hills(horizon - 40 * unit, 46 * unit, 0.7f, Rgb(0x3E6B4A));
    hills(horizon - 12 * unit, 30 * unit, 2.1f, Rgb(0x2D5239));
    // Wave lines on the water.
    for (int i = 0; i < 9; ++i) {
        float y = horizon + (i + 1) * (H - horizon) / 10.0f;
        float amp = 3 * unit, thick = (1.0f + i * 0.25f) * unit;
        c.Fill(
            [=](float x, float py) {
                float wave = y + amp * sinf(x / (26 * unit) + i * 1.7f);
                return fabsf(py - wave) < thick;
            },
            Rgb(0xBFE3F5, 0.35f), 0, y - amp - thick - 1, (float)W, y + amp + thick + 1);
    }
    return c.Save(path, "jpeg");
}

// The product's name in large block letters with a shadow, on a transparent picture.
bool DrawTitle(const std::string& path)
{
    const char* name = "ORLOGATE";
    const float cell = 9.0f;
    const int W = 460, H = 150;
    Canvas c(W, H);
    float x = (W - TextCells(name) * cell) / 2.0f, y = 30;
    DrawText(c, name, x + 5, y + 5, cell, Rgb(0x000000, 0.55f));
    // Letters shaded from yellow at the top to orange at the bottom.
    DrawText(c, name, x, y, cell,
             [](int row) { return Mix(Rgb(0xFFE45C), Rgb(0xFF7A1A), row / 6.0f); });
    // A wave under the name.
    float left = x, right = x + TextCells(name) * cell;
    c.Fill(
        [=](float px, float py) {
            float wave = 116 + 5 * sinf((px - left) / 18.0f);
            return px >= left && px <= right && fabsf(py - wave) < 3.0f;
        },
        Rgb(0x7FD4FF), left, 104, right, 128);
    return c.Save(path, "png");
}

// The default avatar: a head and shoulders on a rounded square.
bool DrawAvatar(float scale, const std::string& path)
{
    int n = std::max(1, (int)lrintf(64 * scale));
    Canvas c(n, n);
    float s = n / 64.0f;
    c.Fill(RoundRect(0, 0, (float)n, (float)n, 10 * s), Rgb(0x3C5A78), 0, 0, (float)n, (float)n);
    Color figure = Rgb(0xD0D8E0);
    c.Fill(Circle(32 * s, 25 * s, 12 * s), figure, 0, 0, (float)n, (float)n);
    Shape shoulders = [=](float x, float y) {
        float dx = (x - 32 * s) / (22 * s), dy = (y - 64 * s) / (22 * s);
        return dx * dx + dy * dy <= 1.0f && y < 64 * s;
    };
    c.Fill(
        [=](float x, float y) {
            return shoulders(x, y) && RoundRect(0, 0, 64 * s, 64 * s, 10 * s)(x, y);
        },
        figure, 0, 0, (float)n, (float)n);
    return c.Save(path, "png");
}

// A golden cup with two handles on a stem and base.
bool DrawTrophy(float scale, const std::string& path)
{
    int n = std::max(1, (int)lrintf(32 * scale));
    Canvas c(n, n);
    float s = n / 32.0f;
    Color gold = Rgb(0xF2B81F), dark = Rgb(0xB07A10);
    c.Fill(Ring(8 * s, 11 * s, 3 * s, 5.5f * s), dark, 0, 0, (float)n, (float)n);
    c.Fill(Ring(24 * s, 11 * s, 3 * s, 5.5f * s), dark, 0, 0, (float)n, (float)n);
    c.Fill(
        [=](float x, float y) {
            float dx = (x - 16 * s) / (10 * s), dy = (y - 5 * s) / (13 * s);
            return y >= 5 * s && dx * dx + dy * dy <= 1.0f;
        },
        gold, 0, 0, (float)n, (float)n);
    c.Fill(Rect(14.5f * s, 17 * s, 17.5f * s, 24 * s), gold, 0, 0, (float)n, (float)n);
    c.Fill(RoundRect(9 * s, 24 * s, 23 * s, 29 * s, 1.5f * s), dark, 0, 0, (float)n, (float)n);
    c.Fill(Rect(11 * s, 7 * s, 13 * s, 13 * s), Rgb(0xFFF1B8, 0.8f), 0, 0, (float)n, (float)n);
    return c.Save(path, "png");
}

// The toast's strip: a dark bar with a light top edge, wider than any screen.
bool DrawToastStrip(float scale, const std::string& path)
{
    int w = std::max(1, (int)lrintf(512 * scale)), h = std::max(1, (int)lrintf(72 * scale));
    Canvas c(w, h);
    c.FillAll([=](float, float y) { return Mix(Rgb(0x203040), Rgb(0x101820), y / h); });
    c.Fill(Rect(0, 0, (float)w, std::max(1.0f, 3 * scale)), Rgb(0x6FA8DC), 0, 0, (float)w,
           (float)h);
    return c.Save(path, "png");
}

// The toast's icons, 48 x 48 at 480: a blue speech balloon (message), two red crossed blades
// (challenge) and a golden star (achievement).
bool DrawToastIcon(int kind, float scale, const std::string& path)
{
    int n = std::max(1, (int)lrintf(48 * scale));
    float s = n / 48.0f;
    Canvas c(n, n);
    float N = (float)n;
    if (kind == 0) {
        c.Fill(RoundRect(4 * s, 6 * s, 44 * s, 34 * s, 8 * s), Rgb(0x3D8BEB), 0, 0, N, N);
        c.Fill(Polygon({12 * s, 32 * s, 24 * s, 32 * s, 10 * s, 44 * s}), Rgb(0x3D8BEB), 0, 0, N,
               N);
        for (int i = 0; i < 3; ++i)
            c.Fill(Circle((14 + 10 * i) * s, 20 * s, 3 * s), Rgb(0xFFFFFF), 0, 0, N, N);
    } else if (kind == 1) {
        c.Fill(Circle(24 * s, 24 * s, 22 * s), Rgb(0x8A1C1C), 0, 0, N, N);
        c.Fill(Polygon({10 * s, 36 * s, 34 * s, 8 * s, 38 * s, 12 * s, 14 * s, 40 * s}),
               Rgb(0xF04A3A), 0, 0, N, N);
        c.Fill(Polygon({38 * s, 36 * s, 14 * s, 8 * s, 10 * s, 12 * s, 34 * s, 40 * s}),
               Rgb(0xFFB0A0), 0, 0, N, N);
    } else {
        std::vector<float> star;
        for (int i = 0; i < 10; ++i) {
            float a = (float)M_PI * (-0.5f + i / 5.0f), r = (i % 2 ? 9.0f : 22.0f) * s;
            star.push_back(24 * s + r * cosf(a));
            star.push_back(25 * s + r * sinf(a));
        }
        c.Fill(Polygon(star), Rgb(0xF2C21F), 0, 0, N, N);
    }
    return c.Save(path, "png");
}

// The Orlo button: an orange disc with a dark ring and the gate's two pillars and lintel.
bool DrawOrloButton(float scale, const std::string& path)
{
    int n = std::max(1, (int)lrintf(64 * scale));
    Canvas c(n, n);
    float s = n / 64.0f, m = 32 * s;
    c.Fill(Circle(m, m, 31 * s), Rgb(0xF28C1F), 0, 0, (float)n, (float)n);
    c.Fill(Ring(m, m, 24 * s, 28 * s), Rgb(0x5A2A05), 0, 0, (float)n, (float)n);
    Color gate = Rgb(0xFFF4E0);
    c.Fill(Rect(21 * s, 24 * s, 26 * s, 44 * s), gate, 0, 0, (float)n, (float)n);
    c.Fill(Rect(38 * s, 24 * s, 43 * s, 44 * s), gate, 0, 0, (float)n, (float)n);
    c.Fill(RoundRect(17 * s, 18 * s, 47 * s, 24 * s, 2 * s), gate, 0, 0, (float)n, (float)n);
    return c.Save(path, "png");
}

// The menu's button face in two frames side by side: resting and pressed.
bool DrawMenuButton(float scale, const std::string& path)
{
    int w = std::max(2, (int)lrintf(160 * scale)), h = std::max(1, (int)lrintf(48 * scale));
    Canvas c(2 * w, h);
    float s = h / 48.0f;
    for (int frame = 0; frame < 2; ++frame) {
        float x0 = (float)(frame * w);
        Color edge = Rgb(frame ? 0x1B3A57 : 0x2E6A9E), face = Rgb(frame ? 0x24507A : 0x3D86C6);
        c.Fill(RoundRect(x0 + 1 * s, 1 * s, x0 + w - 1 * s, h - 1 * s, 10 * s), edge, x0, 0, x0 + w,
               (float)h);
        c.Fill(RoundRect(x0 + 4 * s, 4 * s, x0 + w - 4 * s, h - 4 * s, 7 * s), face, x0, 0, x0 + w,
               (float)h);
    }
    return c.Save(path, "png");
}

// The advert's panel: a light card with a dark border.
bool DrawAdPanel(float scale, const std::string& path)
{
    int w = std::max(1, (int)lrintf(400 * scale)), h = std::max(1, (int)lrintf(300 * scale));
    Canvas c(w, h);
    float r = 14 * scale;
    c.Fill(RoundRect(0, 0, (float)w, (float)h, r), Rgb(0x24303C), 0, 0, (float)w, (float)h);
    c.Fill(
        RoundRect(3 * scale, 3 * scale, w - 3 * scale, h - 3 * scale, r - 3 * scale),
        [=](float, float y) { return Mix(Rgb(0xF4F1E8), Rgb(0xD8D2C0), y / h); }, 0, 0, (float)w,
        (float)h);
    return c.Save(path, "png");
}

// A two-frame button (normal above, pressed below): a green rounded bar, or with `cross` a
// red round close button with a white X.
bool DrawAdButton(bool cross, float scale, const std::string& path)
{
    int w = std::max(1, (int)lrintf((cross ? 40 : 120) * scale));
    int fh = std::max(1, (int)lrintf(40 * scale));
    Canvas c(w, 2 * fh);
    for (int f = 0; f < 2; ++f) {
        float top = (float)(f * fh), W = (float)w, H = (float)fh;
        Color face =
            cross ? (f ? Rgb(0x901010) : Rgb(0xD83030)) : (f ? Rgb(0x2A7A2A) : Rgb(0x3CB043));
        if (cross) {
            c.Fill(Circle(W / 2, top + H / 2, H / 2 - 1), face, 0, top, W, top + H);
            float a = H * 0.28f, t = std::max(1.0f, H * 0.07f), cx = W / 2, cy = top + H / 2;
            c.Fill(Polygon({cx - a - t, cy - a + t, cx - a + t, cy - a - t, cx + a + t, cy + a - t,
                            cx + a - t, cy + a + t}),
                   Rgb(0xFFFFFF), 0, top, W, top + H);
            c.Fill(Polygon({cx + a - t, cy - a - t, cx + a + t, cy - a + t, cx - a + t, cy + a + t,
                            cx - a - t, cy + a - t}),
                   Rgb(0xFFFFFF), 0, top, W, top + H);
        } else {
            c.Fill(RoundRect(0, top, W, top + H, H / 3), face, 0, top, W, top + H);
            float cell = 3 * scale;
            DrawText(c, "OK", (W - TextCells("OK") * cell) / 2, top + (H - 7 * cell) / 2, cell,
                     Rgb(0xFFFFFF));
        }
    }
    return c.Save(path, "png");
}

// --- the settings, language and own pages ---------------------------------------------------------

// A switch: a rounded track with the knob at the left (off, grey) or right (on, green).
bool DrawToggle(float scale, bool on, const std::string& path)
{
    int w = std::max(2, (int)lrintf(72 * scale)), h = std::max(1, (int)lrintf(40 * scale));
    Canvas c(w, h);
    float s = h / 40.0f, W = (float)w, H = (float)h;
    c.Fill(RoundRect(2 * s, 6 * s, W - 2 * s, H - 6 * s, 14 * s), Rgb(on ? 0x2E9E4A : 0x6A7480), 0,
           0, W, H);
    float x = on ? W - 20 * s : 20 * s;
    c.Fill(Circle(x, H / 2, 16 * s), Rgb(0x2A2F36), 0, 0, W, H);
    c.Fill(Circle(x, H / 2, 14 * s), Rgb(0xF4F7FA), 0, 0, W, H);
    return c.Save(path, "png");
}

// The volume slider's track: a long rounded groove.
bool DrawSliderTrack(float scale, const std::string& path)
{
    int w = std::max(2, (int)lrintf(320 * scale)), h = std::max(1, (int)lrintf(40 * scale));
    Canvas c(w, h);
    float s = h / 40.0f, W = (float)w, H = (float)h;
    c.Fill(RoundRect(4 * s, 14 * s, W - 4 * s, H - 14 * s, 6 * s), Rgb(0x0A1522), 0, 0, W, H);
    c.Fill(RoundRect(6 * s, 16 * s, W - 6 * s, H - 16 * s, 4 * s), Rgb(0x5C7C9C), 0, 0, W, H);
    return c.Save(path, "png");
}

// The slider's knob: a light disc with a blue ring.
bool DrawSliderKnob(float scale, const std::string& path)
{
    int n = std::max(1, (int)lrintf(40 * scale));
    Canvas c(n, n);
    float s = n / 40.0f, m = 20 * s;
    c.Fill(Circle(m, m, 18 * s), Rgb(0x2E6A9E), 0, 0, (float)n, (float)n);
    c.Fill(Circle(m, m, 13 * s), Rgb(0xF4F7FA), 0, 0, (float)n, (float)n);
    return c.Save(path, "png");
}

// The language chooser's marks: a filled disc with a tick, and an empty ring.
bool DrawMark(float scale, bool selected, const std::string& path)
{
    int n = std::max(1, (int)lrintf(40 * scale));
    Canvas c(n, n);
    float s = n / 40.0f, m = 20 * s, N = (float)n;
    if (!selected) {
        c.Fill(Ring(m, m, 13 * s, 16 * s), Rgb(0xC8D4E0), 0, 0, N, N);
        return c.Save(path, "png");
    }
    c.Fill(Circle(m, m, 16 * s), Rgb(0x2E9E4A), 0, 0, N, N);
    std::vector<float> tick = {11 * s, 20 * s, 15 * s, 16 * s, 19 * s, 21 * s,
                               27 * s, 12 * s, 31 * s, 16 * s, 19 * s, 29 * s};
    c.Fill(Polygon(tick), Rgb(0xFFFFFF), 0, 0, N, N);
    return c.Save(path, "png");
}

bool DrawPagesImages(float scale, const std::string& out)
{
    return DrawToggle(scale, false, out + "/toggle-off.png") &&
           DrawToggle(scale, true, out + "/toggle-on.png") &&
           DrawSliderTrack(scale, out + "/slider-track.png") &&
           DrawSliderKnob(scale, out + "/slider-knob.png") &&
           DrawMark(scale, true, out + "/mark-on.png") &&
           DrawMark(scale, false, out + "/mark-off.png");
}

// A circular arrow: the sign for "loading again".
bool DrawReload(const std::string& path)
{
    const int N = 56;
    Canvas c(N, N);
    const float cx = 28, cy = 28;
    c.Fill(Circle(cx, cy, 26), Rgb(0x000000, 0.5f), 0, 0, N, N);
    c.Fill(RingSegment(cx, cy, 13, 19, 40, 320), Rgb(0xFFFFFF), 0, 0, N, N);
    // Arrowhead at the end of the arc (40 degrees clockwise from the top), pointing along it.
    float a = 40.0f * (float)M_PI / 180.0f;
    float ex = cx + 16 * sinf(a), ey = cy - 16 * cosf(a);
    float tx = cosf(a), ty = sinf(a);  // tangent, clockwise
    float nx = sinf(a), ny = -cosf(a); // outward normal
    std::vector<float> head = {
        ex + nx * 9 - tx * 2, ey + ny * 9 - ty * 2, ex - nx * 9 - tx * 2,
        ey - ny * 9 - ty * 2, ex - tx * 11,         ey - ty * 11,
    };
    c.Fill(Polygon(head), Rgb(0xFFFFFF), 0, 0, N, N);
    return c.Save(path, "png");
}

bool WriteEmbedding(const std::string& png, const std::string& out)
{
    std::string bytes;
    if (!toolfiles::ReadFile(png, &bytes))
        return false;
    std::string text =
        "// Made by tools/makeimages at build time: the reload picture as PNG bytes.\n"
        "#include \"platform/OrloReloadImage.h\"\n\n"
        "const unsigned char g_OrloReloadImage[] = {";
    for (size_t i = 0; i < bytes.size(); ++i) {
        char item[16];
        snprintf(item, sizeof item, "%s0x%02x,", i % 16 == 0 ? "\n    " : " ",
                 (unsigned char)bytes[i]);
        text += item;
    }
    text += "\n};\n\nconst int g_OrloReloadImageSize = (int)sizeof(g_OrloReloadImage);\n";
    return toolfiles::WriteFileAtomically(out, text.data(), text.size());
}

// --- the player pages' pictures ---------------------------------------------------------------

// The online mark: a green dot with a light rim.
bool DrawOnlineMark(float scale, const std::string& path)
{
    int n = std::max(1, (int)lrintf(16 * scale));
    Canvas c(n, n);
    float s = n / 16.0f, m = 8 * s;
    c.Fill(Circle(m, m, 7.5f * s), Rgb(0xE8FFE8), 0, 0, (float)n, (float)n);
    c.Fill(Circle(m, m, 6 * s), Rgb(0x2FB84A), 0, 0, (float)n, (float)n);
    c.Fill(Circle(m - 2 * s, m - 2 * s, 2 * s), Rgb(0xA8F0B4, 0.8f), 0, 0, (float)n, (float)n);
    return c.Save(path, "png");
}

// The row's arrow, two frames side by side: pointing up (on) and down (off).
bool DrawListArrow(float scale, const std::string& path)
{
    int n = std::max(1, (int)lrintf(32 * scale));
    Canvas c(2 * n, n);
    float s = n / 32.0f;
    for (int frame = 0; frame < 2; ++frame) {
        float x0 = (float)(frame * n);
        c.Fill(RoundRect(x0 + 1 * s, 1 * s, x0 + 31 * s, 31 * s, 6 * s), Rgb(0x2A5A8A), x0, 0,
               x0 + (float)n, (float)n);
        std::vector<float> head =
            frame == 1
                ? std::vector<float>{x0 + 8 * s, 12 * s, x0 + 24 * s, 12 * s, x0 + 16 * s, 22 * s}
                : std::vector<float>{x0 + 8 * s, 20 * s, x0 + 24 * s, 20 * s, x0 + 16 * s, 10 * s};
        c.Fill(Polygon(head), Rgb(0xF2F6FA), x0, 0, x0 + (float)n, (float)n);
    }
    return c.Save(path, "png");
}

int Usage()
{
    fprintf(stderr, "usage:\n"
                    "  makeimages intro OUTDIR\n"
                    "  makeimages title OUTDIR\n"
                    "  makeimages lobby OUTDIR SIZE\n"
                    "  makeimages reload OUT.png OUT.cpp\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    std::string command = argv[1], out = argv[2];
    bool ok = true;
    if (command == "intro" && argc == 3) {
        for (int k = 1; k <= 12 && ok; ++k)
            ok = DrawIntroFrame(k, out + "/orlogate_logo" + std::to_string(k) + ".jpg");
    } else if (command == "title" && argc == 3) {
        ok = DrawTitle(out + "/title.png") &&
             DrawBackground(1024, 640, out + "/background-horizontal.jpg") &&
             DrawBackground(640, 1024, out + "/background-vertical.jpg");
    } else if (command == "lobby" && argc == 4) {
        int size = atoi(argv[3]);
        if (size < 60 || size > 4000)
            return Usage();
        float scale = size / 480.0f;
        ok = DrawAvatar(scale, out + "/avatar.png") &&
             DrawTrophy(scale, out + "/cl-icon-trophy.png") &&
             DrawToastStrip(scale, out + "/toast-strip.png") &&
             DrawToastIcon(0, scale, out + "/toast-icon-message.png") &&
             DrawToastIcon(1, scale, out + "/toast-icon-challenge.png") &&
             DrawToastIcon(2, scale, out + "/toast-icon-achievement.png") &&
             DrawAdPanel(scale, out + "/ad-panel.png") &&
             DrawAdButton(false, scale, out + "/ad-button.png") &&
             DrawAdButton(true, scale, out + "/ad-close.png") &&
             DrawOrloButton(scale, out + "/orlo-button.png") &&
             DrawMenuButton(scale, out + "/menu-button.png") && DrawPagesImages(scale, out) &&
             DrawOnlineMark(scale, out + "/online-mark.png") &&
             DrawListArrow(scale, out + "/list-arrow.png");
    } else if (command == "reload" && argc == 4) {
        ok = DrawReload(out) && WriteEmbedding(out, argv[3]);
    } else {
        return Usage();
    }
    if (!ok) {
        fprintf(stderr, "makeimages: %s failed\n", command.c_str());
        return 1;
    }
    return 0;
}
