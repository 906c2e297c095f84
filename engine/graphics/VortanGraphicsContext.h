// IVortanGraphicsContext: the one drawing interface of the engine.
//
// Two kinds of object implement it: CVortanSurface (pixels in main memory, drawn by the
// engine's software routines) and the GLES2 drawing extension. Every drawing operation has
// a pixel form (integer target pixels; rectangles are left, top, right, bottom with right
// and bottom exclusive) and a unit form (floats 0..1 across the target, y downwards).
// Colours are packed 0xAARRGGBB.
#pragma once
#include "engine/VortanID.h"
#include "engine/VortanRect.h"
#include "engine/VortanTypes.h"

class CVortanMatrix;

// Pixel format codes.
enum {
    VORTAN_PIXEL_DISPLAY = 0,  // in a description: the display's format
    VORTAN_PIXEL_PALETTE8 = 1, // 8-bit index into the application's palette
    VORTAN_PIXEL_RGB444 = 2,   // 16-bit, bits 8-11 red, 4-7 green, 0-3 blue
    VORTAN_PIXEL_RGB555 = 3,   // 16-bit, bits 10-14 red, 5-9 green, 0-4 blue
    VORTAN_PIXEL_RGB565 = 4,   // 16-bit, bits 11-15 red, 5-10 green, 0-4 blue
    VORTAN_PIXEL_RGB888 = 5,   // 24-bit, three bytes
    VORTAN_PIXEL_ARGB8888 = 6, // 32-bit word 0xAARRGGBB (memory bytes B, G, R, A)
    VORTAN_PIXEL_ABGR8888 = 7  // 32-bit word 0xAABBGGRR (memory bytes R, G, B, A)
};

// Blit flags.
enum {
    VORTAN_BLIT_COLORKEY = 0x1,   // skip source pixels equal to the source's colour key
    VORTAN_BLIT_HALFBLEND = 0x2,  // 50 % mix (GLES2: multiply blending)
    VORTAN_BLIT_MIRROR_X = 0x4,   // source read right to left
    VORTAN_BLIT_MIRROR_Y = 0x8,   // source read bottom to top
    VORTAN_BLIT_NOCLIP = 0x10,    // not clipped against the clip rectangle
    VORTAN_BLIT_FILTERED = 0x20,  // filtered stretch
    VORTAN_BLIT_ALPHA = 0x80,     // blend with the source's premultiplied alpha
    VORTAN_BLIT_CENTER_X = 0x100, // centred horizontally on the target
    VORTAN_BLIT_CENTER_Y = 0x200, // centred vertically on the target
    VORTAN_BLIT_ALPHAONLY =
        0x400 // the source's alpha replaces the target's (GLES2 tinted: colour mix)
};

// Context types (GetContextType).
enum { VORTAN_CONTEXT_SURFACE = 0, VORTAN_CONTEXT_GLES2 = 1 };

class IVortanGraphicsContext : public CVortanID {
public:
    IVortanGraphicsContext();
    virtual ~IVortanGraphicsContext();

    // 0 for a software surface, 1 for the GLES2 extension.
    virtual int GetContextType() = 0;
    virtual int GetWidth() = 0;
    virtual int GetHeight() = 0;
    virtual int GetPixelFormat() { return VORTAN_PIXEL_DISPLAY; }

    virtual int Clear(u32 color, const CVortanRect* rect) = 0;
    virtual int ClearUnit(u32 color, const CVortanFloatRect* rect) = 0;
    // Corners: c0 top-left, c1 top-right, c2 bottom-right, c3 bottom-left.
    virtual int FillGradient(u32 c0, u32 c1, u32 c2, u32 c3, const CVortanRect* rect) = 0;
    virtual int FillGradientUnit(u32 c0, u32 c1, u32 c2, u32 c3, const CVortanFloatRect* rect) = 0;
    virtual int FillAdditive(u32 color, const CVortanRect* rect) = 0;
    virtual int FillAdditiveUnit(u32 color, const CVortanFloatRect* rect) = 0;
    // amount 0..1: the target is multiplied by it.
    virtual int Darken(const CVortanRect* rect, float amount) = 0;
    virtual int DarkenUnit(const CVortanFloatRect* rect, float amount) = 0;
    virtual int Blit(int x, int y, IVortanGraphicsContext* source, const CVortanRect* srcRect,
                     u32 flags) = 0;
    virtual int BlitUnit(float x, float y, IVortanGraphicsContext* source,
                         const CVortanFloatRect* srcRect, u32 flags) = 0;
    virtual int BlitStretch(const CVortanRect* dstRect, IVortanGraphicsContext* source,
                            const CVortanRect* srcRect, u32 flags) = 0;
    virtual int BlitStretchUnit(const CVortanFloatRect* dstRect, IVortanGraphicsContext* source,
                                const CVortanFloatRect* srcRect, u32 flags) = 0;
    virtual int BlitRotated(int x, int y, IVortanGraphicsContext* source, float angle, int size,
                            u32 flags) = 0;
    // On a surface `size` is a unit size (converted with ToPixelX); the GLES2 extension takes
    // it as the scale of the source.
    virtual int BlitRotatedUnit(float x, float y, IVortanGraphicsContext* source, float angle,
                                float size, u32 flags) = 0;
    virtual int BlitTinted(int x, int y, IVortanGraphicsContext* source, const CVortanRect* srcRect,
                           u32 color, u32 flags) = 0;
    virtual int BlitTintedUnit(float x, float y, IVortanGraphicsContext* source,
                               const CVortanFloatRect* srcRect, u32 color, u32 flags) = 0;
    virtual int BlitStretchTinted(const CVortanRect* dstRect, IVortanGraphicsContext* source,
                                  const CVortanRect* srcRect, u32 color, u32 flags) = 0;
    virtual int BlitStretchTintedUnit(const CVortanFloatRect* dstRect,
                                      IVortanGraphicsContext* source,
                                      const CVortanFloatRect* srcRect, u32 color, u32 flags) = 0;
    virtual int DrawLine(int x0, int y0, int x1, int y1, u32 color0, u32 color1) = 0;
    virtual int DrawLineUnit(float x0, float y0, float x1, float y1, u32 color0, u32 color1) = 0;
    // The unit target rectangle (default 0, 0, 1, 1) moved by the matrix's translation
    // (elements 3 and 7), then BlitStretchUnit.
    virtual int BlitStretchTranslated(const CVortanFloatRect* unitRect, const CVortanMatrix* matrix,
                                      IVortanGraphicsContext* source,
                                      const CVortanFloatRect* srcRect, u32 flags) = 0;
    // Unit to pixels: width (height) times x (y), truncated toward zero.
    virtual int ToPixelX(float x) = 0;
    virtual int ToPixelY(float y) = 0;
    // Pixels to unit: x / width (y / height).
    virtual float ToUnitX(float x) = 0;
    virtual float ToUnitY(float y) = 0;
    virtual void SetClipRect(const CVortanRect* rect) { (void)rect; }
    // Brings the clip into force for drawing the context does not see (GL calls of the
    // caller's own): a context may hold a clip back until a drawing needs it.
    virtual void PrepareDraw() {}
    // PrepareDraw for a drawing that changes no pixel outside the box (pixels, left and top
    // inclusive, right and bottom exclusive): the context may leave those out. The next
    // PrepareDraw brings the clip back.
    virtual void PrepareDrawWithin(const CVortanRect& box)
    {
        (void)box;
        PrepareDraw();
    }

    // The current clip rectangle (widgets read it to save and narrow it).
    const CVortanRect& GetClipRect() const { return m_clipRect; }

protected:
    CVortanRect m_clipRect;
};
