// CVortanGraphicsExt_Null: a graphics extension that needs neither EGL nor GL and draws
// nothing. A seam for tests of code that draws through the graphics context: every drawing
// operation checks its arguments the way the GLES2 extension does and counts the call;
// while one exists and is created, surfaces keep their texture mirrors without GL
// (CVortanSurface::SetNullTextures).
#pragma once
#include "engine/graphics/VortanGraphicsExt.h"

class CVortanGraphicsExt_Null : public IVortanGraphicsExt {
public:
    CVortanGraphicsExt_Null();
    virtual ~CVortanGraphicsExt_Null();

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
    void SetClipRect(const CVortanRect* rect) override;

    // Keeps the window and turns the surfaces' null textures on. Always VORTAN_OK.
    int Create(unsigned long window) override;
    void Close() override;
    // Counts the frame. Always 1.
    int Present() override;
    int Resize(int width, int height) override;
    void Destroy() override;

    // Statistics for tests: drawing calls since creation (each unit form counts once),
    // and frames presented.
    int GetDrawCalls() const { return m_drawCalls; }
    int GetPresents() const { return m_presents; }
    int IsCreated() const { return m_created; }

private:
    int Textured(IVortanGraphicsContext* source);

    int m_drawCalls;
    int m_presents;
    int m_created;
};
