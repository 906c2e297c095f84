// CVortanGraphicsExt_GLES2: the graphics context the program draws with. It owns the EGL
// display, window surface and OpenGL ES 2.0 context on the application's X11 window, builds
// the built-in GLSL programs and draws every operation of IVortanGraphicsContext as a
// textured or coloured quad (or a line). Main thread only.
#pragma once
#include "engine/VortanArray.h"
#include "engine/graphics/VortanGraphicsExt.h"

class CVortan3DProgram;
class CVortanSurface;

class CVortanGraphicsExt_GLES2 : public IVortanGraphicsExt {
public:
    CVortanGraphicsExt_GLES2();
    virtual ~CVortanGraphicsExt_GLES2();

    static CVortanGraphicsExt_GLES2* Create();

    // --- IVortanGraphicsContext -------------------------------------------------------
    int GetContextType() override { return VORTAN_CONTEXT_GLES2; }
    int Clear(u32 color, const CVortanRect* rect) override;
    int ClearUnit(u32 color, const CVortanFloatRect* rect) override;
    int FillGradient(u32 c0, u32 c1, u32 c2, u32 c3, const CVortanRect* rect) override;
    int FillGradientUnit(u32 c0, u32 c1, u32 c2, u32 c3, const CVortanFloatRect* rect) override;
    int FillAdditive(u32 color, const CVortanRect* rect) override;
    int FillAdditiveUnit(u32 color, const CVortanFloatRect* rect) override;
    int Darken(const CVortanRect* rect, float amount) override;
    int DarkenUnit(const CVortanFloatRect* rect, float amount) override;
    int Blit(int x, int y, IVortanGraphicsContext* source, const CVortanRect* srcRect,
             u32 flags) override;
    int BlitUnit(float x, float y, IVortanGraphicsContext* source, const CVortanFloatRect* texRect,
                 u32 flags) override;
    int BlitStretch(const CVortanRect* dstRect, IVortanGraphicsContext* source,
                    const CVortanRect* srcRect, u32 flags) override;
    int BlitStretchUnit(const CVortanFloatRect* dstRect, IVortanGraphicsContext* source,
                        const CVortanFloatRect* texRect, u32 flags) override;
    int BlitRotated(int x, int y, IVortanGraphicsContext* source, float angle, int size,
                    u32 flags) override;
    // `scale`: drawn size in target pixels per source pixel.
    int BlitRotatedUnit(float x, float y, IVortanGraphicsContext* source, float angle, float scale,
                        u32 flags) override;
    int BlitTinted(int x, int y, IVortanGraphicsContext* source, const CVortanRect* srcRect,
                   u32 color, u32 flags) override;
    int BlitTintedUnit(float x, float y, IVortanGraphicsContext* source,
                       const CVortanFloatRect* texRect, u32 color, u32 flags) override;
    int BlitStretchTinted(const CVortanRect* dstRect, IVortanGraphicsContext* source,
                          const CVortanRect* srcRect, u32 color, u32 flags) override;
    int BlitStretchTintedUnit(const CVortanFloatRect* dstRect, IVortanGraphicsContext* source,
                              const CVortanFloatRect* texRect, u32 color, u32 flags) override;
    int DrawLine(int x0, int y0, int x1, int y1, u32 color0, u32 color1) override;
    int DrawLineUnit(float x0, float y0, float x1, float y1, u32 color0, u32 color1) override;
    int BlitStretchTranslated(const CVortanFloatRect* unitRect, const CVortanMatrix* matrix,
                              IVortanGraphicsContext* source, const CVortanFloatRect* srcRect,
                              u32 flags) override;
    // The clip becomes the rectangle clamped to the target (null: the whole target, scissor
    // test off). The scissor box follows it when a drawing could reach outside it: a quad that
    // lies within both the clip and the box in force is drawn without changing the box (each
    // change costs the renderer a state change, and a tree sets and restores the clip around
    // every child).
    void SetClipRect(const CVortanRect* rect) override;
    void PrepareDraw() override;
    void PrepareDrawWithin(const CVortanRect& box) override;

    // --- IVortanGraphicsExt -----------------------------------------------------------
    // VORTAN_OK; VORTAN_E_FAIL on an EGL failure; a program's code when a built-in program fails. A
    // failed Create leaves nothing alive.
    int Create(unsigned long window) override;
    void Close() override;
    int Present() override;
    int Resize(int width, int height) override;
    void Destroy() override;
    // Releases the lost context's objects, then Create on the saved window.
    int Restore() override;

    // --- for the fonts, the toolkit and the game's own GL drawing ---------------------
    // Makes the program current and binds the extension's vertex layout for it at `vertices`
    // (the clip brought into force first). 1 when the program was switched or the layout
    // rebound, else 0.
    int UseProgram(CVortan3DProgram* program, const void* vertices);
    // glActiveTexture(unit), then binds the texture unless it is already bound. 1 when bound.
    int BindTexture(u32 textureUnit, u32 texture);

    // Built-in programs by role.
    enum {
        PROGRAM_SPRITESHEET,
        PROGRAM_TEXTURE,
        PROGRAM_COLOR_MIX,
        PROGRAM_COLOR,
        PROGRAM_TINTED,
        PROGRAM_TEXT_A,
        PROGRAM_TEXT_B,
        PROGRAM_COUNT
    };
    CVortan3DProgram* GetProgram(int role) const
    {
        return (role >= 0 && role < PROGRAM_COUNT) ? m_programs[role] : nullptr;
    }
    int GetProgramListSize() const { return m_programList.GetSize(); }

    int GetTextureBinds() const { return m_textureBinds; }
    int GetProgramSwitches() const { return m_programSwitches; }
    int HasTextureMaxLevel() const { return m_textureMaxLevel; }
    int GetRedBits() const { return m_redBits; }
    int GetGreenBits() const { return m_greenBits; }
    int GetBlueBits() const { return m_blueBits; }
    int GetAlphaBits() const { return m_alphaBits; }
    int GetEGLMajor() const { return m_eglMajor; }
    int GetEGLMinor() const { return m_eglMinor; }
    void* GetEGLDisplay() const { return m_display; }
    void* GetEGLSurface() const { return m_surface; }
    void* GetEGLContext() const { return m_context; }

private:
    int CreatePrograms();
    void ReleasePrograms();
    // The clip's scissor state in GL: the test on at the clip rectangle, or off; no GL call
    // where GL already holds it.
    void ApplyScissor();
    // Brings the clip into force unless the quad (clip-space corners) cannot reach a pixel
    // that the clip or the box in force would cut.
    void ApplyScissorFor(float x0, float y0, float x1, float y1);
    // The scissor test on with this box (pixels, y down), set only when GL holds another.
    void ScissorTo(const CVortanRect& r);
    int BindProgram(CVortan3DProgram* program, const void* vertices);
    // Textured drawing: blending, texture and program, then the fan of four in the scratch.
    int DrawTexturedQuad(CVortanSurface* source, CVortan3DProgram* program);
    int DrawColoredQuad();
    // Sets the blending (enabled with src/dst factors, or disabled when src is 0xFFFFFFFF).
    void SetBlend(u32 srcFactor, u32 dstFactor);
    // The source as a drawable surface, or null (not a surface, or without a texture).
    static CVortanSurface* DrawableSource(IVortanGraphicsContext* source);
    void WriteTexturedQuad(float x0, float y0, float w, float h, float uL, float vT, float uR,
                           float vB);
    void WriteTintedQuad(float x0, float y0, float w, float h, float uL, float vT, float uR,
                         float vB, u32 color);
    void WriteColoredQuad(float x0, float y0, float w, float h, u32 c0, u32 c1, u32 c2, u32 c3);

    // A blit's quad in clip space (top-left corner x0, y0; size w, h) and the part of the
    // texture it shows.
    struct BlitQuad {
        float x0, y0, w, h;
        float uL, vT, uR, vB;
    };
    // The plain and the tinted textured blit of a placed quad: centre flags, mirror flags
    // (`mirror`: the tinted stretch takes none), vertices, blending, draw.
    BlitQuad PointQuad(float x, float y, CVortanSurface* source, const CVortanFloatRect* texRect);
    static BlitQuad RectQuad(const CVortanFloatRect* dstRect, const CVortanFloatRect* texRect);
    static void PlaceQuad(BlitQuad& q, u32 flags, bool mirror);
    int DrawBlit(CVortanSurface* source, BlitQuad q, u32 flags);
    int DrawTintedBlit(CVortanSurface* source, BlitQuad q, u32 color, u32 flags, bool mirror);

    CVortanGraphicsExt_GLES2(const CVortanGraphicsExt_GLES2&) = delete;
    CVortanGraphicsExt_GLES2& operator=(const CVortanGraphicsExt_GLES2&) = delete;

    void* m_display;
    void* m_surface;
    void* m_context;
    i32 m_redBits;
    i32 m_greenBits;
    i32 m_blueBits;
    i32 m_alphaBits;
    i32 m_eglMajor;
    i32 m_eglMinor;
    i32 m_textureMaxLevel;
    CVortanArray<CVortan3DProgram*> m_programList;
    CVortan3DProgram* m_programs[PROGRAM_COUNT];
    i32 m_textureBinds;
    i32 m_programSwitches;
    u32 m_currentProgram;
    const void* m_currentVertices;
    float m_scratch[32];
    i32 m_scissorOn;
    // The scissor state GL holds: the test on or off, and its box in target pixels (left, top,
    // right, bottom; m_glScissorKnown 0 when the box GL holds is not known).
    i32 m_glScissorOn;
    i32 m_glScissorKnown;
    CVortanRect m_glScissor; // the clip was set with a rectangle (scissor test on)
};
