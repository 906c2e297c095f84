// CVexRenderer: the game's one drawing object, shared by every game screen. It owns the seven
// shader programs and the battlefield camera, knows the view size, keeps the clock that drives
// the water, and draws single textured quads (world or screen space), the water and text in
// the game's bitmap font straight with OpenGL ES 2.0.
#pragma once
#include <vector>

#include "engine/VortanRect.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "engine/VortanVector.h"
#include "game/VexCamera.h"

class CStateGame;
class CVortanBitmapFont;
struct CVortanGlyph;
class CVortanSurface;
class IVortanGraphicsContext;
class CVexShader;
class CVexWaterShader;
class CVexBlockShader;
class CVexSquibShader;
class CVexScreenShader;
class CVexColouredScreenShader;
class CVexScreenOverlayShader;
class CVexWorldShader;
class CVexBackgroundShader;

// The shaders, in the order they are made.
enum {
    VEX_SHADER_WATER = 0,
    VEX_SHADER_BLOCK = 1,
    VEX_SHADER_SQUIB = 2,
    VEX_SHADER_SCREEN = 3,
    VEX_SHADER_SCREEN_OVERLAY = 4,
    VEX_SHADER_WORLD = 5,
    VEX_SHADER_BACKGROUND = 6,
    VEX_SHADER_COLOURED_SCREEN = 7,
    VEX_SHADER_COUNT = 8
};

// Text flags of DrawText.
enum {
    VEX_TEXT_CENTER_VIEW_X = 0x1, // centred on the view horizontally
    VEX_TEXT_CENTER_VIEW_Y = 0x2, // centred on the view vertically
    VEX_TEXT_CENTER_X = 0x10,     // x is the text's centre
    VEX_TEXT_RIGHT = 0x40,        // x is the text's right edge
    VEX_TEXT_MIDDLE = 0x100,      // y is the text's middle
    VEX_TEXT_BOTTOM = 0x400,      // y is the text's bottom
    VEX_TEXT_NO_SHADOW = 0x1000,  // no shadow copy below the text
    VEX_TEXT_SCALE_3_4 = 0x4000,  // the font at 0.75 of its scale for this text
    VEX_TEXT_SCALE_1_2 = 0x8000,  // the font at 0.5 of its scale for this text
    VEX_TEXT_WHOLE_X = 0x10000    // a text the view would cut at its left or right edge is moved
                                  // in to show whole (one wholly outside, or wider, stays)
};

// Quads per batch of the text buffers.
#define VEX_TEXT_QUADS 255

// One vertex of the helpers: position x, y, z and texture u, v.
struct CVexVertex {
    float x, y, z, u, v;
};

// A vertex of the batched screen quads: the quad's tint with each vertex.
struct CVexColouredVertex {
    float x, y, z, u, v, r, g, b, a;
};

// One glowing sprite of a batch: screen pixels, half size, turn (radians) and tint.
struct CVexGlow {
    CVortanVector2 centre;
    CVortanVector2 halfSize;
    float angle;
    u32 colour;
};

class CVexRenderer {
public:
    // Camera constructed, no shaders, clock 0, no game.
    CVexRenderer();
    // Releases the shaders and frees the text buffers.
    ~CVexRenderer();

    // Keeps the game, takes the view size (UpdateView), makes the shaders and the text
    // buffers. 1; VORTAN_E_NOMEMORY when the buffers cannot be had.
    int Init(CStateGame* game);
    // Camera offset (0, 0.5) and zoom 1; the view size from the graphics context (kept as
    // it is without one); then the camera is updated.
    void UpdateView();
    // Clock += dt, then the camera's Update.
    void UpdateCamera(float dt);
    // Deletes the shaders that exist (their GL objects go with them).
    void ReleaseShaders();
    // ReleaseShaders, then the seven programs again (also after a lost context came back); each
    // is built when first asked for, so a screen builds only those it draws with.
    void CreateShaders();

    // The application's graphics context, or null without a game or application.
    IVortanGraphicsContext* GetContext() const;
    CStateGame* GetGame() const { return m_game; }
    CVexCamera& GetCamera() { return m_camera; }
    const CVexCamera& GetCamera() const { return m_camera; }
    float GetClock() const { return m_clock; }
    void SetClock(float seconds) { m_clock = seconds; }
    // Whether a quad's pixels where its picture is clear are left out (on; tests draw with it
    // off to compare).
    void SetLeaveOutClear(int on) { m_leaveOutClear = on != 0; }
    // View size in pixels, as the camera holds it.
    float GetViewWidth() const { return m_camera.GetScreenSize().x; }
    float GetViewHeight() const { return m_camera.GetScreenSize().y; }

    CVexShader* GetShader(int index) const;
    CVexWaterShader* GetWaterShader() const;
    CVexBlockShader* GetBlockShader() const;
    CVexSquibShader* GetSquibShader() const;
    CVexScreenShader* GetScreenShader() const;
    CVexScreenOverlayShader* GetScreenOverlayShader() const;
    CVexWorldShader* GetWorldShader() const;
    CVexBackgroundShader* GetBackgroundShader() const;

    // The game's image in slot `id`, or null.
    CVortanSurface* GetImage(int id) const;

    // --- passes of many-quad geometry (the scene's blocks and shadows) ---------------------
    // Depth test and writes off, no array or element buffer bound.
    void BeginWorldPass();
    // Blending off, depth test and writes on, no texture on units 1 and 0 (0 left active).
    void EndWorldPass();
    // Turns every vertex attribute array off: arrays that other drawing left on (pointing at
    // its own small vertex store) must not be read by the longer indexed draws here.
    static void DisableAttribArrays();

    // --- screen space: centres and half sizes in pixels, y down -----------------------------
    void DrawScreenQuad(const CVortanVector2& centre, const CVortanVector2& halfSize,
                        CVortanSurface* image, u32 colour);
    void DrawSprite(const CVortanVector2& centre, const CVortanVector2& halfSize, u32 colour,
                    int col, int row, int columns, int rows, float angle, CVortanSurface* image);
    void DrawGlowSprite(const CVortanVector2& centre, const CVortanVector2& halfSize, float angle,
                        CVortanSurface* image, u32 colour);
    // The same sprites as DrawGlowSprite of each in turn, of one image, in as few draws as the
    // batch allows (their blending adds, so the order within does not show).
    void DrawGlowSprites(const CVexGlow* glows, int count, CVortanSurface* image);
    void DrawScreenFrame(const CVortanVector2& centre, const CVortanVector2& halfSize, u32 colour,
                         int col, int row, int columns, int rows, CVortanSurface* image);
    void DrawOverlayFrame(const CVortanVector2& centre, const CVortanVector2& halfSize, u32 colour,
                          int col, int row, int columns, CVortanSurface* image);
    void DrawScreenSquibFrame(const CVortanVector2& centre, const CVortanVector2& halfSize,
                              u32 colour, int row, int col, int columns, int rows, float scale,
                              CVortanSurface* image);

    // --- world space: through the camera, z = 1 ----------------------------------------------
    void DrawWorldImage(const CVortanVector2& centre, const CVortanVector2& halfSize,
                        CVortanSurface* image, u32 colour);
    void DrawWorldFrame(const CVortanVector2& centre, const CVortanVector2& halfSize, u32 colour,
                        int col, int row, int columns, int rows, CVortanSurface* image);
    void DrawSquibFrame(const CVortanVector2& centre, const CVortanVector2& halfSize, u32 colour,
                        int row, int col, int columns, int rows, float scale,
                        CVortanSurface* image);
    void DrawStretch(const CVortanVector2& position, const CVortanVector2& halfSize, u32 colour,
                     const CVortanVector2& stretch, CVortanSurface* image);
    void DrawBackgroundImage(const CVortanVector2& centre, const CVortanVector2& halfSize,
                             CVortanSurface* image, u32 colour);
    void DrawShadowImage(const CVortanVector2& centre, const CVortanVector2& halfSize,
                         CVortanSurface* image, u32 colour);
    void DrawSquashedFrame(const CVortanVector2& centre, const CVortanVector2& halfSize, u32 colour,
                           int row, int col, float squash, CVortanSurface* image);

    // The three water layers at the clock; additive blending when the flag is non-zero.
    void DrawWater(int additive);
    // The first pixel row from which DrawWater's opaque base hides everything drawn before it,
    // across the whole view and down to its bottom, at any point of the water's sway; the
    // view's height when the base does not reach so far (no water, or a view beyond it).
    int WaterCoverTop() const;

    // Text in the game font at (x, y) pixels, placed by the flags (VEX_TEXT_*), with a shadow
    // copy and a dark outline unless VEX_TEXT_NO_SHADOW. Texts of any length are drawn in
    // batches.
    void DrawText(int x, int y, const CVortanString& text, u32 colour, u32 flags,
                  int fontIndex = 0);
    // The glyphs of the text with the pen at (x, y), no placement and no shadow.
    void DrawFontText(int x, int y, const CVortanString& text, u32 colour, CVortanBitmapFont* font);
    // The outline's width in pixels for a font of that line height (at least one).
    static int TextOutlineWidth(int lineHeight);
    // The game font, loaded on first use (null when it cannot be had).
    CVortanBitmapFont* GetFont(int fontIndex = 0);

    // How many indexed text draws the last DrawFontText or DrawText issued (for tests).
    int GetLastTextDraws() const { return m_lastTextDraws; }

    // The texts drawn since the log was last cleared (a test seam for the state dump: off
    // unless turned on, at most VEX_TEXT_LOG_MAX kept): where each lies on the screen, its
    // colour and its text.
    struct TextRecord {
        int left, top, right, bottom;
        u32 colour;
        CVortanString text;
    };
    enum { VEX_TEXT_LOG_MAX = 48 };
    void SetTextLog(bool on) { m_textLogOn = on; }
    void ClearTextLog() { m_textLog.clear(); }
    // A text as drawn, into the log while it is on (DrawText's; a test's without a font).
    void LogText(const TextRecord& record)
    {
        if (m_textLogOn && m_textLog.size() < VEX_TEXT_LOG_MAX && !record.text.IsEmpty())
            m_textLog.push_back(record);
    }
    const std::vector<TextRecord>& GetTextLog() const { return m_textLog; }

private:
    CVexRenderer(const CVexRenderer&) = delete;
    CVexRenderer& operator=(const CVexRenderer&) = delete;

    // How a helper blends.
    enum Blend {
        BLEND_BY_ALPHA, // (src alpha, 1 - src alpha) below full alpha, else premultiplied
        BLEND_PREMULTIPLIED,
        BLEND_GLOW,
        BLEND_MULTIPLY,
        BLEND_BACKGROUND,
        BLEND_SHADOW,
        BLEND_ADD_COLOUR, // (one, 1 - src colour): the water's additive form
        BLEND_OPAQUE      // none: an opaque picture, what the premultiplied blend would give
    };
    // How a helper filters the image.
    enum Filter { FILTER_KEEP, FILTER_LINEAR_MIN, FILTER_LINEAR };

    // Pixels to clip space.
    float ClipX(float x) const;
    float ClipY(float y) const;
    // An axis-aligned screen quad (clip space, z) with the texture rectangle.
    void ScreenQuad(CVexVertex* q, const CVortanVector2& centre, float halfW, float top,
                    float bottom, float u0, float v0, float u1, float v1, float z) const;
    // One copy of a text: its offset from the text's place and its colour.
    struct TextPass {
        int dx, dy;
        u32 colour;
    };
    // The passes of a text (with the pen at (x, y) plus each pass's offset) in one batch.
    void DrawTextPasses(int x, int y, const CVortanString& text, CVortanBitmapFont* font,
                        const TextPass* passes, int count);
    // The quad of one glyph with the pen at (pen, y), font scale s, on a page of that size.
    void GlyphQuad(CVexVertex* q, float pen, int y, const CVortanGlyph* g, float s, float pageW,
                   float pageH) const;
    // A screen quad of the given half size turned by angle about its centre (z = 0.5).
    void TurnedQuad(CVexVertex* q, const CVortanVector2& centre, const CVortanVector2& halfSize,
                    float angle, float u0, float v0, float u1, float v1) const;
    // An axis-aligned world quad (z = 1).
    static void WorldQuad(CVexVertex* q, float left, float right, float top, float bottom, float u0,
                          float v0, float u1, float v1);
    // One quad through a tinted shader: state, uniforms, draw, state back.
    // The locations come from the shader's class (-1: not used by it).
    struct Target {
        CVexShader* shader;
        int position, uv0, projection, colour;
    };
    Target ScreenTarget(int overlay) const;
    Target WorldTarget(int shader) const;
    // The pixels a quad of the picture can change, for the blends that leave the target as it
    // is where the picture is clear: 0 when it can change none, 1 with the box (pixels) that
    // holds them when the picture's clear margin leaves out much of the quad, -1 when any
    // pixel of the quad may change.
    int ShowingBox(const Target& target, const CVexVertex* quad, CVortanSurface* image,
                   CVortanRect* box) const;
    // The box of pixels (a pixel to spare on each side) of a quad of the target; 0 when it
    // lies behind the camera or beyond any view.
    int PixelBox(const Target& target, const CVexVertex* quad, CVortanRect* box) const;
    void Submit(const Target& target, const CVexVertex* quad, CVortanSurface* image, u32 colour,
                Blend blend, Filter filter, int repeatU = 0, int repeatV = 0);
    // The shared state around a draw.
    void BeginDraw();
    // The coloured batch's vertices, made on first use; false without them. BindColouredBatch
    // binds them to the shader's position, uv and colour attributes (after BeginDraw, which
    // lets every attribute go); EndColouredBatch lets them go.
    bool ColouredBatchReady();
    void BindColouredBatch(CVexColouredScreenShader* shader);
    void EndColouredBatch(CVexColouredScreenShader* shader);
    // The texture bound to unit 0, clamped at its edges, with linear minification.
    static void BindClampedLinear(unsigned texture);
    void PrepareClip();
    void EndDraw();
    void SetBlend(Blend blend, u32 colour);
    void ResetBlend(Blend blend);

    mutable CVexShader* m_shaders[VEX_SHADER_COUNT]; // built on first use
    CVexCamera m_camera;
    float m_clock;
    CStateGame* m_game;
    CVexVertex* m_textVertices; // VEX_TEXT_QUADS x 4, owned
    u16* m_textIndices;         // VEX_TEXT_QUADS x 6, owned
    int m_lastTextDraws;
    CVexColouredVertex* m_batchVertices; // VEX_TEXT_QUADS x 4, owned, made on first use
    int m_shadersWanted;                 // CreateShaders came after ReleaseShaders
    bool m_textLogOn = false;
    bool m_leaveOutClear = true;
    std::vector<TextRecord> m_textLog;
};

// Frame selection of a grid of `columns` x `rows` cells: u from (col mod columns) / columns,
// v from 0.005 + row / rows, each one cell wide. With `wrapRow` the row is taken modulo the
// cell count first (negative remainders corrected).
void VexFrameUV(int col, int row, int columns, int rows, int wrapRow, float& u0, float& v0,
                float& u1, float& v1);
