// makegameimages: draws every picture of the game and saves it under its asset name.
//
//   makegameimages OUTDIR
//
// Writes the seventy pictures of the asset tables except the font page (made by makefont),
// the intro's torch overlay "torch.png" and the story panels "Kuva01.jpg".."Kuva11.jpg".
// Layouts follow how the game draws them: the squib strips of ten frames (GameSquibs.h),
// 4 x 4 sheets (explosion, turn timer, torch), a 16-frame strip (aim dots), nine-patch block
// styles with 32-pixel borders on 128, tileable materials, power-of-two water layers that
// repeat, the shadow as the amount taken away (white with that alpha), 2:1 panels.
// Exit status: 0 success, 1 failure, 2 bad arguments.
#include <math.h>
#include <stdio.h>

#include <string>

#include "tools/GameIcons.h"
#include "tools/GameScenery.h"
#include "tools/GameSquibs.h"

namespace {

using namespace gamepaint;

std::string g_out;
bool g_ok = true;

void Save(const Canvas& c, const char* name)
{
    std::string n = name;
    bool jpeg = n.size() > 4 && n.compare(n.size() - 4, 4, ".jpg") == 0;
    if (g_ok && !c.Save(g_out + "/" + n, jpeg ? "jpeg" : "png"))
        g_ok = false;
}

const Color kRed = Rgb(0xE2483E), kBlue = Rgb(0x3A86E0), kGreen = Rgb(0x3FAE4A),
            kOrange = Rgb(0xF0902A), kPurple = Rgb(0x8A55C8), kTeal = Rgb(0x1E9C9A),
            kGrey = Rgb(0x7A8088), kYellow = Rgb(0xE8C030);

// --- touch buttons ---------------------------------------------------------------------------

// A round button on a transparent square picture of `size` pixels; the button takes `fill` of
// the square's width, centred, so that buttons whose squares overlap on the game's menu stand
// apart with a margin.
void Icon(const char* name, Color base, const std::function<void(Sign&)>& sign, int size = 128,
          float fill = 1.0f)
{
    const int inner = (int)lroundf((float)size * fill);
    Canvas face(inner, inner);
    ButtonBase(face, base);
    Sign s(face);
    sign(s);
    if (inner == size) {
        Save(face, name);
        return;
    }
    Canvas c(size, size);
    c.Paste(face, (size - inner) / 2, (size - inner) / 2);
    Save(c, name);
}

// The game's menu lays its buttons out on squares that overlap; the button inside each is this
// part of its square (the exit's a little more: its neighbours stand further off).
const float kMenuFill = 0.62f, kExitFill = 0.72f;

void JumpSign(Sign& s)
{
    s.Fill(s.Arc(64, 92, 30, 40, 270, 360));
    s.Fill(s.Seg(64, 88, 64, 36, 7));
    s.Fill(s.Poly({40, 50, 88, 50, 64, 22}));
    s.Fill(s.Box(34, 94, 94, 102, 4));
}

void WhipSign(Sign& s)
{
    std::vector<float> pts;
    for (int i = 0; i <= 24; ++i) {
        float t = i / 24.0f;
        pts.push_back(30 + 70 * t);
        pts.push_back(92 - 60 * t + 22 * sinf(t * 6.2832f));
    }
    for (size_t i = 0; i + 3 < pts.size(); i += 2)
        s.Fill(s.Seg(pts[i], pts[i + 1], pts[i + 2], pts[i + 3], 6.5f - 4.0f * i / pts.size()));
    s.Fill(s.Box(22, 86, 40, 104, 4), Rgb(0x8A6A3A));
}

void Buttons()
{
    Icon(
        "exits.png", kRed,
        [](Sign& s) {
            // A door frame with an arrow leaving it.
            s.Fill(Minus(s.Box(58, 30, 96, 98, 4), s.Box(66, 38, 88, 90, 2)));
            s.Fill(s.Seg(34, 64, 72, 64, 7));
            s.Fill(s.Poly({24, 64, 44, 44, 44, 84}));
        },
        256, kExitFill);
    Icon("edit.png", kOrange, [](Sign& s) {
        s.Fill(s.Seg(44, 86, 88, 42, 11));
        s.Fill(s.Poly({36, 94, 40, 78, 52, 90}));
        s.Fill(s.Seg(82, 48, 90, 40, 11), Rgb(0xF4B6B6));
    });
    Icon(
        "help.png", kBlue,
        [](Sign& s) {
            s.Fill(s.Arc(64, 50, 13, 25, 270, 360));
            s.Fill(s.Arc(64, 50, 13, 25, 0, 150));
            s.Fill(s.Seg(70, 66, 64, 74, 6));
            s.Fill(s.Seg(64, 72, 64, 80, 6));
            s.Fill(s.Disc(64, 96, 7.5f));
        },
        256, kMenuFill);
    Icon("helper.png", kYellow, [](Sign& s) {
        // A light bulb.
        s.Fill(s.Disc(64, 54, 24));
        s.Fill(s.Box(52, 62, 76, 86, 4));
        s.Fill(s.Box(52, 88, 76, 94, 3), Rgb(0x5A5A5A));
        s.Fill(s.Box(56, 96, 72, 102, 3), Rgb(0x5A5A5A));
    });
    Icon(
        "training.png", Rgb(0xD0643C),
        [](Sign& s) {
            // Practice: a target with a bomb flying at it.
            s.Fill(s.Arc(72, 64, 26, 33, 0, 360));
            s.Fill(s.Arc(72, 64, 12, 19, 0, 360));
            s.Fill(s.Disc(72, 64, 6), Rgb(0xE2483E));
            BombSign(s, 34, 86, 13);
        },
        256, kMenuFill);
    Icon(
        "fb_button.png", Rgb(0x4060B0),
        [](Sign& s) {
            // Three linked people: the sign for sharing with friends.
            s.Fill(s.Seg(44, 64, 84, 40, 4));
            s.Fill(s.Seg(44, 64, 84, 88, 4));
            s.Fill(s.Disc(44, 64, 13));
            s.Fill(s.Disc(84, 40, 13));
            s.Fill(s.Disc(84, 88, 13));
        },
        128, kMenuFill);
    Icon("bomb_snow.png", Rgb(0x58A8D8), [](Sign& s) {
        BombSign(s, 60, 70, 28, Rgb(0xD8ECF8));
        Snowflake(s, 60, 70, 17);
    });
    Icon("bomb_cluster.png", kOrange, [](Sign& s) {
        BombSign(s, 44, 78, 16);
        BombSign(s, 84, 78, 16);
        BombSign(s, 64, 50, 18);
    });
    Icon("bomb_none.png", kGrey, [](Sign& s) {
        BombSign(s, 62, 70, 28, Rgb(0x34383C));
        s.Fill(s.Seg(30, 100, 98, 32, 6), Rgb(0xE2483E));
    });
    Icon("confirmation_yes.png", kGreen, [](Sign& s) {
        s.Fill(s.Seg(36, 66, 56, 88, 9));
        s.Fill(s.Seg(56, 88, 94, 42, 9));
    });
    Icon("confirmation_no.png", kRed, [](Sign& s) {
        s.Fill(s.Seg(40, 40, 88, 88, 9));
        s.Fill(s.Seg(88, 40, 40, 88, 9));
    });
    Icon("jump_00.png", kRed, JumpSign);
    Icon("jump_01.png", kBlue, JumpSign);
    Icon("bomb_00.png", kRed, [](Sign& s) { BombSign(s, 60, 72, 28); });
    Icon("bomb_01.png", kBlue, [](Sign& s) { BombSign(s, 60, 72, 28); });
    Icon("whip_00.png", kRed, WhipSign);
    Icon("whip_01.png", kBlue, WhipSign);
    // Green as its goo, not yellow: a yellow face would read as the chosen weapon's light.
    Icon("bomb_sticky.png", Rgb(0x5E9E3A), [](Sign& s) {
        BombSign(s, 60, 68, 28, Rgb(0x1E5A16));
        s.Fill(s.Seg(44, 90, 44, 104, 5), Rgb(0x9BE060));
        s.Fill(s.Seg(70, 94, 70, 108, 5), Rgb(0x9BE060));
    });
    Icon(
        "intro.png", kPurple,
        [](Sign& s) {
            // The story: an open book with a picture on its left page.
            s.Fill(s.Poly({24, 40, 62, 46, 62, 96, 24, 90}));
            s.Fill(s.Poly({66, 46, 104, 40, 104, 90, 66, 96}));
            s.Fill(s.Poly({30, 80, 42, 62, 50, 72, 56, 66, 56, 84}), kPurple);
            s.Fill(s.Disc(48, 56, 4), kPurple);
            for (int i = 0; i < 4; ++i)
                s.Fill(s.Seg(72, 56 + 9 * i, 98, 52 + 9 * i, 2.2f), kPurple);
        },
        256, kMenuFill);
    Icon(
        "credits.png", kPurple,
        [](Sign& s) {
            // The credits: a roll of names with a star.
            s.Fill(s.Box(38, 30, 90, 100, 5));
            s.Fill(s.Disc(38, 33, 6));
            s.Fill(s.Disc(90, 97, 6));
            s.Fill(Star(64 * s.k, 48 * s.k, 11 * s.k, 5 * s.k), kYellow);
            for (int i = 0; i < 3; ++i)
                s.Fill(s.Seg(48, 66 + 10 * i, 80, 66 + 10 * i, 2.5f), kPurple);
        },
        128, kMenuFill);
    Icon(
        "nextround.png", kGreen,
        [](Sign& s) {
            s.Fill(s.Poly({50, 34, 98, 64, 50, 94}));
        },
        256, kMenuFill);
    Icon("chatbutton.png", kTeal, [](Sign& s) {
        s.Fill(s.Box(28, 34, 100, 84, 14));
        s.Fill(s.Poly({42, 80, 60, 80, 38, 102}));
        for (int i = 0; i < 3; ++i)
            s.Fill(s.Disc(46 + 18 * i, 59, 5.5f), kTeal);
    });
    Icon("training_restart.png", kOrange, [](Sign& s) { CircleArrow(s, 30, 60, 330, 11); });
    {
        // The training scene plate; the scene number is written on it by the game.
        Canvas c(128, 128);
        c.Fill(RoundRect(6, 8, 122, 124, 22), Rgb(0x000000, 0.35f), 0, 0, 128, 128);
        c.Fill(RoundRect(4, 4, 124, 120, 22), Rgb(0x0C4A4E), 0, 0, 128, 128);
        c.Fill(
            RoundRect(10, 10, 118, 114, 18),
            [](float, float y) { return Mix(Rgb(0x39B7B0), Rgb(0x137A7A), y / 128); }, 0, 0, 128,
            128);
        c.Fill(Ellipse(64, 34, 44, 16), Rgb(0xFFFFFF, 0.18f), 0, 0, 128, 128);
        Save(c, "training_scene.png");
    }
    // The sound toggles: a speaker with waves, or crossed out, on a dark disc.
    for (int muted = 0; muted < 2; ++muted) {
        Canvas c(64, 64);
        c.Fill(Circle(32, 32, 30), Rgb(0x000000, 0.45f), 0, 0, 64, 64);
        Sign s(c);
        s.Fill(s.Poly({30, 52, 56, 52, 78, 32, 78, 96, 56, 76, 30, 76}));
        if (muted) {
            s.Fill(s.Seg(86, 48, 106, 80, 5), Rgb(0xFF5A4A));
            s.Fill(s.Seg(106, 48, 86, 80, 5), Rgb(0xFF5A4A));
        } else {
            s.Fill(s.Arc(76, 64, 14, 22, 40, 140));
            s.Fill(s.Arc(76, 64, 28, 36, 40, 140));
        }
        Save(c, muted ? "muteon.png" : "muteoff.png");
    }
}

// --- small game pictures -----------------------------------------------------------------------

void Ball(const char* name, Color colour, bool shine)
{
    Canvas c(64, 64);
    c.Fill(Circle(32, 32, 26), Scale(colour, 0.45f), 0, 0, 64, 64);
    c.Fill(
        Circle(32, 32, 23),
        [=](float x, float y) {
            float d = hypotf(x - 26, y - 24) / 34.0f;
            return Mix(Scale(colour, 1.4f), Scale(colour, 0.8f), Clamp01(d));
        },
        0, 0, 64, 64);
    if (shine)
        c.Fill(Ellipse(24, 21, 7, 4.5f), Rgb(0xFFFFFF, 0.8f), 0, 0, 64, 64);
    Save(c, name);
}

void SmallPictures()
{
    Ball("projectile_red.png", Rgb(0xE23A30), true);
    Ball("projectile_blue.png", Rgb(0x2F7FE0), true);
    {
        // The sticky bomb: green goo with drips.
        Canvas c(64, 64);
        Color goo = Rgb(0x58C028);
        c.Fill(Union(Circle(32, 30, 24), Union(Ellipse(22, 50, 5, 10), Ellipse(42, 52, 4, 9))),
               Scale(goo, 0.5f), 0, 0, 64, 64);
        c.Fill(Union(Circle(32, 30, 21), Union(Ellipse(22, 50, 3, 8), Ellipse(42, 52, 2.5f, 7))),
               goo, 0, 0, 64, 64);
        c.Fill(Ellipse(25, 21, 7, 4), Rgb(0xFFFFFF, 0.7f), 0, 0, 64, 64);
        Save(c, "projectile_sticky.png");
    }
    Ball("projectile_snowball.png", Rgb(0xE4F2FF), true);
    {
        // The loader: twelve spokes whose brightness falls off round the circle.
        Canvas c(128, 128);
        for (int i = 0; i < 12; ++i) {
            float a = i * (float)M_PI / 6;
            float x0 = 64 + 30 * sinf(a), y0 = 64 - 30 * cosf(a);
            float x1 = 64 + 54 * sinf(a), y1 = 64 - 54 * cosf(a);
            c.Fill(Segment(x0, y0, x1, y1, 7), Rgb(0xFFFFFF, 0.15f + 0.85f * i / 11.0f), 0, 0, 128,
                   128);
        }
        Save(c, "squibloader.png");
    }
    {
        // The glow behind the active squib and the chosen weapon: a soft light with a crisp
        // bright ring at four fifths of its radius, which stands round a button drawn at two
        // thirds of the glow's size, so the chosen one is plain to see.
        Canvas c(128, 128);
        Paint(c, [](float x, float y) {
            float d = hypotf(x - 64, y - 64) / 62.0f;
            float ring = Clamp01(1 - fabsf(d - 0.8f) / 0.07f);
            Color glow = Rgb(0xFFE680, Clamp01(1 - d) * Clamp01(1 - d) * 0.9f);
            return ring > 0 ? Mix(glow, Rgb(0xFFFFFF), Clamp01(ring * 1.6f)) : glow;
        });
        Save(c, "player_background.png");
    }
    {
        Canvas c(64, 64);
        Paint(c, [](float x, float y) {
            float dx = fabsf(x - 32) / 30, dy = fabsf(y - 32) / 30;
            float core = Clamp01(1 - hypotf(dx, dy) * 2.2f);
            float rays =
                Clamp01(1 - dx * 8) * Clamp01(1 - dy) + Clamp01(1 - dy * 8) * Clamp01(1 - dx);
            return Rgb(0xFFF4C0, Clamp01(core + rays * 0.9f));
        });
        Save(c, "particle_star.png");
    }
    {
        Canvas c(32, 32);
        Paint(c, [](float x, float y) {
            float d = hypotf(x - 16, y - 16) / 15.0f;
            return Rgb(0xFFFFFF, Clamp01(1 - d * d));
        });
        Save(c, "particle_dot.png");
    }
    {
        // Under the reverse-subtract blend the colour is what is taken away: white with alpha
        // as the amount, most in the middle and fading to nothing at the border.
        Canvas c(64, 64);
        Paint(c, [](float x, float y) {
            float dx = Clamp01((fabsf(x - 32) - 18) / 13), dy = Clamp01((fabsf(y - 32) - 18) / 13);
            return Rgb(0xFFFFFF, 0.45f * (1 - Clamp01(hypotf(dx, dy))));
        });
        Save(c, "shadow.png");
    }
    {
        // The aim dots: sixteen frames of 32 pixels, from a large bright dot to a small faint one.
        Canvas c(512, 32);
        for (int k = 0; k < 16; ++k) {
            float cx = k * 32 + 16, r = 13 - 0.5f * k, a = 1 - k * 0.035f;
            c.Fill(Circle(cx, 16, r), Rgb(0x20303A, a), cx - 16, 0, cx + 16, 32);
            c.Fill(Circle(cx, 16, r - 2.5f), Rgb(0xFFFFFF, a), cx - 16, 0, cx + 16, 32);
        }
        Save(c, "marker.png");
    }
    {
        Canvas bar(32, 256);
        bar.Fill(RoundRect(6, 2, 26, 254, 10), Rgb(0x000000, 0.45f), 0, 0, 32, 256);
        bar.Fill(RoundRect(13, 14, 19, 242, 3), Rgb(0xFFFFFF, 0.8f), 0, 0, 32, 256);
        for (int i = 0; i <= 4; ++i) {
            float y = 16 + i * 56;
            bar.Fill(RoundRect(9, y - 2, 23, y + 2, 2), Rgb(0xFFFFFF, 0.8f), 0, 0, 32, 256);
        }
        Save(bar, "zoom_bar.png");
        Canvas knob(64, 64);
        knob.Fill(Circle(32, 32, 28), Rgb(0x1E2A33), 0, 0, 64, 64);
        knob.Fill(Circle(32, 32, 23), Rgb(0xF2B63A), 0, 0, 64, 64);
        knob.Fill(RoundRect(18, 29, 46, 35, 3), Rgb(0x1E2A33), 0, 0, 64, 64);
        Save(knob, "zoom_indicator.png");
    }
    {
        Canvas track(256, 64);
        track.Fill(RoundRect(4, 18, 252, 46, 14), Rgb(0x000000, 0.5f), 0, 0, 256, 64);
        track.Fill(RoundRect(14, 28, 242, 36, 4), Rgb(0xFFFFFF, 0.8f), 0, 0, 256, 64);
        Save(track, "volumebackgroundz.png");
        Canvas knob(64, 64);
        knob.Fill(Circle(32, 32, 26), Rgb(0x1E2A33), 0, 0, 64, 64);
        knob.Fill(Circle(32, 32, 21), Rgb(0xF2F2F2), 0, 0, 64, 64);
        Save(knob, "volumezlider.png");
    }
}

// A 4 x 4 sheet of 128-pixel cells; frame f (row f / 4, column f % 4) drawn by `frame`.
void Sheet(const char* name, const std::function<void(Canvas&, int, float, float)>& frame)
{
    Canvas c(512, 512);
    for (int f = 0; f < 16; ++f)
        frame(c, f, (f % 4) * 128 + 64.0f, (f / 4) * 128 + 64.0f);
    Save(c, name);
}

void Sheets()
{
    // The explosion: a flash that swells into a fireball and thins out into smoke.
    Sheet("explosion.png", [](Canvas& c, int f, float cx, float cy) {
        float t = f / 15.0f;
        float r = 22 + 34 * sqrtf(t);
        float fade = 1 - t * t;
        Color smoke = Mix(Rgb(0xE05A10), Rgb(0x4A4440), Clamp01(t * 1.5f));
        Color fire = Mix(Rgb(0xFFB020), Rgb(0x7A6A5A), Clamp01(t * 1.3f));
        Color core = Mix(Rgb(0xFFFBE0), Rgb(0xFFB040), Clamp01(t * 2.0f));
        for (int i = 0; i < 8; ++i) {
            float a = i * 0.785f + f * 0.12f, d = r * 0.5f;
            float px = cx + d * cosf(a), py = cy + d * sinf(a), pr = r * (0.45f + 0.08f * (i % 3));
            c.Fill(Circle(px, py, pr), WithAlpha(smoke, 0.9f * fade), cx - 64, cy - 64, cx + 64,
                   cy + 64);
        }
        c.Fill(Circle(cx, cy, r * 0.75f), WithAlpha(fire, fade), cx - 64, cy - 64, cx + 64,
               cy + 64);
        if (t < 0.7f)
            c.Fill(Circle(cx, cy, r * 0.45f * (1 - t)), WithAlpha(core, 1 - t), cx - 64, cy - 64,
                   cx + 64, cy + 64);
    });
    // The turn timer: a squib face on a dial whose coloured part shrinks as the turn runs out.
    Sheet("timer_squib.png", [](Canvas& c, int f, float cx, float cy) {
        float left = 1 - f / 16.0f;
        Color hand = Mix(Rgb(0xE8402E), Rgb(0x48C048), left);
        float b[4] = {cx - 64, cy - 64, cx + 64, cy + 64};
        c.Fill(Circle(cx, cy, 60), Rgb(0x1C2228), b[0], b[1], b[2], b[3]);
        c.Fill(RingSegment(cx, cy, 38, 56, 0, 360 * left), hand, b[0], b[1], b[2], b[3]);
        c.Fill(Circle(cx, cy, 34), Rgb(0x2E3A44), b[0], b[1], b[2], b[3]);
        for (int e = -1; e <= 1; e += 2)
            c.Fill(Circle(cx + e * 12, cy - 12, 5), Rgb(0xFFFFFF, 0.5f), b[0], b[1], b[2], b[3]);
    });
}

void SquibPictures()
{
    const Color red = Rgb(0xE0473C), blue = Rgb(0x3E88E2);
    Save(SquibStrip(red), "player0_animations.png");
    Save(SquibStrip(blue), "player1_animations.png");
    Save(SquibStretchStrip(red), "player0_stretch.png");
    Save(SquibStretchStrip(blue), "player1_stretch.png");
}

// --- chat bubble ---------------------------------------------------------------------------------

// 3 x 3 cells of 32 pixels: a white rounded box with a dark border. With `pointer` each
// corner cell also holds a tail pointing out of that corner; the other cells stay the same.
void Bubble(const char* name, bool pointer)
{
    Canvas c(96, 96);
    Color border = Rgb(0x30343A), fill = Rgb(0xFFFFFF, 0.95f);
    Shape outer = RoundRect(2, 2, 94, 94, 26), inner = RoundRect(6, 6, 90, 90, 22);
    if (pointer) {
        // A wedge from the picture's corner (its tip) widening into the box.
        outer = Union(outer, [](float x, float y) {
            float ux = x < 48 ? x : 96 - x, uy = y < 48 ? y : 96 - y;
            return ux < 32 && uy < 32 && ux + uy > 1 && fabsf(ux - uy) < 0.45f * (ux + uy);
        });
        inner = Union(inner, [](float x, float y) {
            float ux = x < 48 ? x : 96 - x, uy = y < 48 ? y : 96 - y;
            return ux < 32 && uy < 32 && ux + uy > 9 && fabsf(ux - uy) < 0.45f * (ux + uy) - 4;
        });
    }
    FillAll(c, outer, border);
    FillAll(c, inner, fill);
    Save(c, name);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: makegameimages OUTDIR\n");
        return 2;
    }
    g_out = argv[1];
    Buttons();
    SmallPictures();
    Sheets();
    SquibPictures();
    Bubble("chatbubble.png", false);
    Bubble("chatbubble_pointer.png", true);
    if (g_ok)
        g_ok = DrawScenery(g_out);
    if (!g_ok) {
        fprintf(stderr, "makegameimages: cannot write the pictures to %s\n", g_out.c_str());
        return 1;
    }
    return 0;
}
