// The game's larger pictures: block styles and material textures, the water layers, the
// battle backgrounds, the title picture, the story panels and the intro's torch overlay.
#pragma once
#include <math.h>

#include <string>

#include "tools/GameSquibs.h"

namespace gamepaint {

// --- blocks --------------------------------------------------------------------------------

// Nine-patch block style: 128 pixels, the outer 32 on each side the border (the game maps
// 0..0.25 and 0.75..1 of the picture onto the block's border). Grey levels multiply the
// material texture: a light bevel at the top and left, a dark one at the bottom and right, an
// outline and rounded corners; the middle is flat.
inline Canvas BlockStyle(int style)
{
    const float radius[4] = {6, 10, 8, 22}, bevel[4] = {8, 14, 10, 16};
    float r = radius[style], b = bevel[style];
    Canvas c(128, 128);
    Set(c, [=](float x, float y) {
        float cx = std::min(std::max(x, r), 128 - r), cy = std::min(std::max(y, r), 128 - r);
        float edge = std::min(std::min(x, 128 - x), std::min(y, 128 - y));
        if ((x < r || x > 128 - r) && (y < r || y > 128 - r))
            edge = r - hypotf(x - cx, y - cy);
        if (edge <= 0)
            return Rgb(0, 0.0f);
        float alpha = Clamp01(edge * 1.5f);
        if (style == 2)
            alpha *= edge < 4 ? 1.0f : 0.88f; // ice lets some light through
        float grey = 0.92f;
        if (edge < 3) {
            grey = 0.3f;
        } else if (edge < b) {
            // Which side is nearest decides light or shade.
            float top = y, left = x, bottom = 128 - y, right = 128 - x;
            float nearest = std::min(std::min(top, left), std::min(bottom, right));
            bool lit = nearest == top || nearest == left;
            if (x + y < 128 && (nearest == bottom || nearest == right))
                lit = true;
            grey = lit ? 1.0f : 0.62f;
        }
        if (style == 1 && hypotf(fabsf(x - 64) - 46, fabsf(y - 64) - 46) < 4.5f)
            grey = 0.45f; // rivets
        if (style == 2 && y > 14 && y < 20 && x > 20 && x < 108)
            grey = 1.0f; // gloss
        return Color{grey, grey, grey, alpha};
    });
    return c;
}

// Material textures, 128 pixels, tileable: paper, metal, ice, bouncy; three variants each.
inline Canvas Material(int material, int variant)
{
    Canvas c(128, 128);
    int seed = material * 10 + variant;
    Set(c, [=](float x, float y) {
        float n = TiledNoise(x, y, 128, seed);
        float fine = Hash((int)x, (int)y, seed) - 0.5f;
        switch (material) {
        case 0: { // paper: cream, ruled, squared or plain with fibres
            Color paper = Mix(Rgb(0xF3E6C4), Rgb(0xE2CFA0), n);
            paper = Scale(paper, 1 + fine * 0.05f);
            if (variant == 1 && fmodf(y, 16) < 1.5f)
                paper = Mix(paper, Rgb(0x7AA0D0), 0.7f);
            if (variant == 2 && (fmodf(y, 16) < 1.2f || fmodf(x, 16) < 1.2f))
                paper = Mix(paper, Rgb(0x9AB0C8), 0.6f);
            return paper;
        }
        case 1: { // metal: brushed steel, plates, tread
            Color steel = Mix(Rgb(0xA8B0B8), Rgb(0x7C858E), n);
            steel = Scale(steel, 1 + (Hash(0, (int)y, seed) - 0.5f) * 0.12f);
            if (variant == 1 && (fmodf(x, 64) < 2 || fmodf(y, 64) < 2))
                steel = Scale(steel, 0.6f);
            if (variant == 2) {
                float u = fmodf(x + y, 32), v = fmodf(x - y + 128, 32);
                if ((u < 4 && fmodf(y, 32) < 16) || (v < 4 && fmodf(y, 32) >= 16))
                    steel = Scale(steel, 1.25f);
            }
            return steel;
        }
        case 2: { // ice: pale blue with frost or cracks
            Color ice = Mix(Rgb(0xD6F2FF), Rgb(0x9ED4F0), n);
            if (variant == 1 && fabsf(Noise(x / 16, y / 16, 8, seed) - 0.5f) < 0.03f)
                ice = Rgb(0xFFFFFF);
            if (variant == 2)
                ice = Mix(ice, Rgb(0xFFFFFF), Clamp01((TiledNoise(x, y, 128, 77) - 0.55f) * 3));
            return ice;
        }
        default: { // bouncy: rubber in pink, green or yellow with dots
            const unsigned colours[3] = {0xF06AA8, 0x6AD86A, 0xF2D04A};
            Color rubber = Scale(Rgb(colours[variant]), 0.9f + 0.2f * n);
            float dx = fmodf(x, 32) - 16, dy = fmodf(y, 32) - 16;
            if (dx * dx + dy * dy < 36)
                rubber = Scale(rubber, 1.2f);
            return rubber;
        }
        }
    });
    return c;
}

// --- water ---------------------------------------------------------------------------------

const Color kWaterTop = Rgb(0x2E8FC0), kWaterDeep = Rgb(0x0B3A66);

// 64 x 256: repeats across, runs from the surface (top) to the depth (bottom), opaque.
inline Canvas WaterBase()
{
    Canvas c(64, 256);
    Set(c, [](float x, float y) {
        float t = y / 256;
        Color w = Mix(kWaterTop, kWaterDeep, sqrtf(t));
        return Scale(w, 1 + 0.04f * sinf(x / 64 * 6.2832f) * (1 - t));
    });
    return c;
}

// 256 x 256, repeating both ways: two bands of waves. The lower half (the back waves, drawn
// first) and the upper half (the front waves, whose bottom rows meet the base's surface
// colour). Above a band's crest line it is transparent.
inline Canvas Waves()
{
    Canvas c(256, 256);
    Set(c, [](float x, float y) {
        bool back = y >= 128;
        float top = back ? 128 : 0;
        float u = x / 256 * 6.2832f;
        float crest = top + (back ? 46 : 40) + 12 * sinf(2 * u + (back ? 1.3f : 0)) +
                      5 * sinf(5 * u + (back ? 0.4f : 2.0f));
        float d = y - crest;
        if (d < -1.5f)
            return Rgb(0, 0.0f);
        Color w = back ? Mix(Rgb(0x3FA0CC), Rgb(0x2A86B8), Clamp01(d / 60))
                       : Mix(Rgb(0x5AB6DC), kWaterTop, Clamp01(d / 70));
        if (d < 5)
            w = Mix(Rgb(0xE8F8FF), w, Clamp01(d / 5));
        return WithAlpha(w, Clamp01((d + 1.5f) / 3) * (back ? 0.85f : 1.0f));
    });
    return c;
}

// --- backgrounds and panels ----------------------------------------------------------------

// 1024 x 512, repeating across: a far shore with hills, towers and a windmill, transparent
// above it. Three copies side by side make the battle's horizon.
inline Canvas BattleBackground()
{
    Canvas c(1024, 512);
    auto hill = [](float x, int seed, float level, float amp) {
        float u = x / 1024 * 6.2832f;
        return level - amp * (0.55f * sinf(2 * u + seed) + 0.3f * sinf(5 * u + seed * 2.1f) +
                              0.15f * sinf(11 * u + seed * 0.7f));
    };
    FillAll(
        c, [&](float x, float y) { return y > hill(x, 1, 330, 70); }, Rgb(0x9CB8C8, 0.75f));
    // Towers on the far hills.
    for (int i = 0; i < 5; ++i) {
        float x = 90 + i * 205, base = hill(x, 1, 330, 70);
        float h = 60 + 25 * (i % 3);
        c.Fill(Rect(x - 14, base - h, x + 14, base + 10), Rgb(0x8AA4B4, 0.85f), 0, 0, 1024, 512);
        for (int m = 0; m < 3; ++m)
            c.Fill(Rect(x - 14 + m * 11, base - h - 10, x - 8 + m * 11, base - h),
                   Rgb(0x8AA4B4, 0.85f), 0, 0, 1024, 512);
    }
    FillAll(
        c, [&](float x, float y) { return y > hill(x, 4, 420, 40); }, Rgb(0x5E8A78, 0.9f));
    // A windmill on the near hills.
    float mx = 700, my = hill(700, 4, 420, 40);
    c.Fill(Polygon({mx - 16, my + 4, mx + 16, my + 4, mx + 9, my - 70, mx - 9, my - 70}),
           Rgb(0x4E7466), 0, 0, 1024, 512);
    for (int k = 0; k < 4; ++k) {
        float a = 0.4f + k * (float)M_PI / 2;
        c.Fill(Segment(mx, my - 70, mx + 52 * cosf(a), my - 70 + 52 * sinf(a), 4), Rgb(0x4E7466), 0,
               0, 1024, 512);
    }
    return c;
}

// 512 x 512: a large pale moon with a halo, for the sky behind the battle.
inline Canvas UniqueBackground()
{
    Canvas c(512, 512);
    Paint(c, [](float x, float y) {
        float d = hypotf(x - 256, y - 230) / 250;
        return Rgb(0xFFF2D0, 0.35f * Clamp01(1 - d) * Clamp01(1 - d));
    });
    c.Fill(
        Circle(256, 230, 120),
        [](float x, float y) {
            float n = TiledNoise(x, y, 512, 9);
            return Color{0.98f - 0.12f * n, 0.94f - 0.12f * n, 0.82f - 0.1f * n, 0.92f};
        },
        0, 0, 512, 512);
    for (int i = 0; i < 5; ++i) {
        float x = 200 + 28 * i * (i % 2 ? 1 : -0.4f) + 40, y = 190 + 22 * i;
        c.Fill(Circle(x, y, 10 + 4 * (i % 3)), Rgb(0xC8BC9C, 0.5f), 0, 0, 512, 512);
    }
    return c;
}

// A sky, a sun or storm, the sea and islands; the common ground of the title and the panels.
struct SceneSky {
    Color top, horizon, sea;
    bool storm;
};

inline void DrawSea(Canvas& c, const SceneSky& sky, float horizon)
{
    float H = (float)c.h, W = (float)c.w;
    Set(c, [&](float x, float y) {
        if (y < horizon)
            return Mix(sky.top, sky.horizon, y / horizon);
        float t = (y - horizon) / (H - horizon);
        Color w = Mix(sky.sea, kWaterDeep, t);
        return Scale(w, 1 + 0.06f * sinf(x / W * 40 + y * 0.3f) * (1 - t));
    });
    if (sky.storm) {
        for (int i = 0; i < 6; ++i) {
            float cx = W * (0.1f + 0.17f * i), cy = horizon * (0.25f + 0.1f * (i % 2));
            c.Fill(Ellipse(cx, cy, W * 0.14f, horizon * 0.16f), Rgb(0x4A4E58, 0.85f), 0, 0, W, H);
        }
    }
}

inline void Island(Canvas& c, float cx, float horizon, float half)
{
    c.Fill(Ellipse(cx, horizon + 6, half, half * 0.3f), Rgb(0xD8C080), 0, 0, (float)c.w,
           (float)c.h);
    c.Fill(Ellipse(cx, horizon + 2, half * 0.8f, half * 0.22f), Rgb(0x5C9A48), 0, 0, (float)c.w,
           (float)c.h);
}

// A tower of `rows` blocks, 40 pixels each, standing on y = base.
inline void Tower(Canvas& c, float cx, float base, int rows, Color colour)
{
    for (int i = 0; i < rows; ++i) {
        float y1 = base - i * 40, y0 = y1 - 40;
        float off = (i % 2) * 8 - 4;
        c.Fill(RoundRect(cx - 26 + off, y0, cx + 26 + off, y1, 5), Scale(colour, 0.6f), 0, 0,
               (float)c.w, (float)c.h);
        c.Fill(RoundRect(cx - 23 + off, y0 + 3, cx + 23 + off, y1 - 3, 4), colour, 0, 0, (float)c.w,
               (float)c.h);
    }
}

// The title picture, 1024 x 512 (the menu draws it at twice as wide as high): the game's
// name over the sea with a squib on either tower.
inline Canvas TitlePicture()
{
    Canvas c(1024, 512);
    SceneSky sky{Rgb(0x2A8CD0), Rgb(0xBDE6F6), Rgb(0x3A9CCC), false};
    float horizon = 360;
    DrawSea(c, sky, horizon);
    c.Fill(Circle(940, 250, 44), Rgb(0xFFE27A), 0, 0, 1024, 512);
    Island(c, 200, horizon, 150);
    Island(c, 830, horizon, 150);
    Tower(c, 200, horizon, 3, Rgb(0xE8D8A8));
    Tower(c, 830, horizon, 2, Rgb(0xA8B4C0));
    DrawSquib(c, 204, horizon - 120 - 34, 40, 34, Rgb(0xE0473C), -0.3f, kSquibLooking);
    DrawSquib(c, 834, horizon - 80 - 34, 40, 34, Rgb(0x3E88E2), (float)M_PI + 0.3f, kSquibLooking);
    const char* name = "ZORBIX";
    float cell = 17, x = (1024 - (6 * 6 - 1) * cell) / 2;
    BlockText(c, name, x + 5, 27, cell, [](int) { return Rgb(0x000000, 0.4f); });
    BlockText(c, name, x, 22, cell,
              [](int row) { return Mix(Rgb(0xFFE45C), Rgb(0xFF6A1A), row / 6.0f); });
    return c;
}

// Story panel k (1..11), 1024 x 512: two squibs on their islands, building, quarrelling,
// firing, through a storm to the evening of the duel.
inline Canvas StoryPanel(int k)
{
    Canvas c(1024, 512);
    float t = (k - 1) / 10.0f;
    bool storm = k >= 7 && k <= 9;
    SceneSky sky{storm ? Rgb(0x3C4450) : Mix(Rgb(0x2A8CD0), Rgb(0x3A2A6A), t),
                 storm ? Rgb(0x8A96A0) : Mix(Rgb(0xBDE6F6), Rgb(0xFFA860), t),
                 Mix(Rgb(0x3A9CCC), Rgb(0x2A5A8A), t), storm};
    float horizon = 340;
    DrawSea(c, sky, horizon);
    if (!storm)
        c.Fill(Circle(512, 90 + 220 * t, 50), Mix(Rgb(0xFFE27A), Rgb(0xFF7A3A), t), 0, 0, 1024,
               512);
    Island(c, 230, horizon, 170);
    Island(c, 800, horizon, 170);
    int rowsRed = std::min(4, std::max(0, k - 2)), rowsBlue = std::min(4, std::max(0, k - 3));
    if (k >= 3)
        Tower(c, 230, horizon, rowsRed, Rgb(0xE8D8A8));
    if (k >= 4)
        Tower(c, 800, horizon, rowsBlue, Rgb(0xA8B4C0));
    if (k >= 2) {
        SquibMood m = k == 11 ? kSquibStrained : kSquibLooking;
        DrawSquib(c, 230, horizon - rowsRed * 40 - 34, 40, 34, Rgb(0xE0473C), -0.2f, m);
    }
    if (k >= 3) {
        SquibMood m = k == 11 ? kSquibStrained : kSquibLooking;
        DrawSquib(c, 800, horizon - rowsBlue * 40 - 34, 40, 34, Rgb(0x3E88E2), (float)M_PI + 0.2f,
                  m);
    }
    if (k == 6 || k == 8) {
        // A shot in flight: dots along the arc and the bomb.
        bool fromRed = k == 6;
        for (int i = 0; i <= 10; ++i) {
            float s = i / 10.0f * 0.7f;
            float x = fromRed ? 270 + 500 * s : 760 - 500 * s;
            float y = 160 - 300 * s + 330 * s * s;
            c.Fill(Circle(x, y, i == 10 ? 16 : 5), i == 10 ? Rgb(0x202428) : Rgb(0xFFFFFF, 0.8f), 0,
                   0, 1024, 512);
        }
    }
    if (k == 7 || k == 9) {
        // An explosion at the other tower.
        float x = k == 7 ? 800 : 230, y = 200;
        for (int i = 0; i < 8; ++i)
            c.Fill(Circle(x + 40 * cosf(i * 0.8f), y + 30 * sinf(i * 0.8f), 36),
                   Rgb(0xFF8A1E, 0.85f), 0, 0, 1024, 512);
        c.Fill(Circle(x, y, 40), Rgb(0xFFF2A0), 0, 0, 1024, 512);
    }
    if (storm) {
        // Lightning.
        c.Fill(Polygon({520, 30, 560, 30, 530, 110, 570, 110, 480, 250, 505, 140, 470, 140}),
               Rgb(0xFFF8C0), 0, 0, 1024, 512);
    }
    // A dark frame line so that the panels read as comic panels in the strip.
    FillAll(c, Minus(Rect(0, 0, 1024, 512), Rect(6, 6, 1018, 506)), Rgb(0x101010));
    return c;
}

// The intro's overlay, 1024 x 512 as 4 x 4 frames of 256 x 128 (stretched over the whole
// screen): torch light, clear in the middle and darkening towards the edges, flickering
// from frame to frame.
inline Canvas TorchSheet()
{
    Canvas c(1024, 512);
    Set(c, [](float x, float y) {
        int col = (int)(x / 256), row = (int)(y / 128);
        int f = row * 4 + col;
        float u = (x - col * 256) / 256 - 0.5f, v = (y - row * 128) / 128 - 0.5f;
        float flicker = 0.85f + 0.15f * sinf(f * 2.39f) * cosf(f * 1.13f);
        float cx = 0.04f * sinf(f * 0.8f), cy = 0.03f * cosf(f * 1.3f);
        float d = hypotf((u - cx) * 1.1f, (v - cy) * 1.0f) / (0.62f * flicker);
        float dark = Clamp01((d - 0.45f) * 1.6f);
        Color warm = Mix(Rgb(0xFFB050), Rgb(0x140800), dark);
        return WithAlpha(warm, Clamp01(0.12f + dark * 0.85f));
    });
    return c;
}

// Draws and saves every picture of this file into `dir`; false on a failed save.
inline bool DrawScenery(const std::string& dir)
{
    static const char* const kMaterials[4] = {"Paper", "Metal", "Ice", "Bounce"};
    bool ok = true;
    auto save = [&](const Canvas& c, const std::string& name) {
        bool jpeg = name.size() > 4 && name.compare(name.size() - 4, 4, ".jpg") == 0;
        ok = ok && c.Save(dir + "/" + name, jpeg ? "jpeg" : "png");
    };
    for (int s = 0; s < 4; ++s)
        save(BlockStyle(s), "blockstyle0" + std::to_string(s + 1) + ".png");
    for (int m = 0; m < 4; ++m)
        for (int v = 0; v < 3; ++v)
            save(Material(m, v),
                 std::string("Texture_") + kMaterials[m] + "0" + std::to_string(v + 1) + ".png");
    save(WaterBase(), "water_base.png");
    save(Waves(), "waves.png");
    save(BattleBackground(), "background_battle.png");
    save(UniqueBackground(), "background_unique.png");
    save(TitlePicture(), "squibtitlesquib.jpg");
    for (int k = 1; k <= 11; ++k) {
        char name[32];
        snprintf(name, sizeof name, "Kuva%02d.jpg", k);
        save(StoryPanel(k), name);
    }
    save(TorchSheet(), "torch.png");
    return ok;
}

} // namespace gamepaint
