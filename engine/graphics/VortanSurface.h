// CVortanSurface: a rectangle of pixels in main memory, drawn into by the engine's software
// routines and, when it is to be drawn by the GLES2 extension, mirrored into a GL texture.
//
// Owners call Release before deleting a surface (the destructor frees nothing but the
// identifier). Every drawing operation that changes the pixels ends by re-uploading the
// texture mirror unless the surface is locked with lock flag bit 0.
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "engine/graphics/VortanGraphicsContext.h"

class IVortanApplication;
class CVortanMediaPack;
class CVortanFile;
class IVortanTextureSource;
struct _XGC;

// Description flags.
enum {
    VORTAN_SURFACE_TEXTURE = 0x2,         // create the GL texture mirror at creation or load
    VORTAN_SURFACE_KEEP_ASPECT = 0x8,     // surface from an X drawable: derive the missing side
    VORTAN_SURFACE_IS_COMPANION = 0x10,   // this load is an "_alpha" companion: look for no other
    VORTAN_SURFACE_ALPHA_COMPANION = 0x20 // look for the "_alpha" companion image when loading
};

struct CVortanSurfaceDesc {
    i32 width;
    i32 height;
    i32 pitch;       // bytes per row: computed by creation (a given value is ignored)
    i32 pixelFormat; // VORTAN_PIXEL_*; 0 = the display's format
    u32 flags;       // VORTAN_SURFACE_*

    // A copy of *desc, all zero for null.
    static CVortanSurfaceDesc From(const CVortanSurfaceDesc* desc);
};

class CVortanSurface : public IVortanGraphicsContext {
public:
    CVortanSurface();
    virtual ~CVortanSurface();

    static CVortanSurface* Create();

    // --- IVortanGraphicsContext -------------------------------------------------------
    int GetContextType() override { return VORTAN_CONTEXT_SURFACE; }
    int GetWidth() override { return m_desc.width; }
    int GetHeight() override { return m_desc.height; }
    int GetPixelFormat() override { return m_desc.pixelFormat; }

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
    int BlitUnit(float x, float y, IVortanGraphicsContext* source, const CVortanFloatRect* srcRect,
                 u32 flags) override;
    int BlitStretch(const CVortanRect* dstRect, IVortanGraphicsContext* source,
                    const CVortanRect* srcRect, u32 flags) override;
    int BlitStretchUnit(const CVortanFloatRect* dstRect, IVortanGraphicsContext* source,
                        const CVortanFloatRect* srcRect, u32 flags) override;
    int BlitRotated(int x, int y, IVortanGraphicsContext* source, float angle, int size,
                    u32 flags) override;
    int BlitRotatedUnit(float x, float y, IVortanGraphicsContext* source, float angle, float size,
                        u32 flags) override;
    int BlitTinted(int x, int y, IVortanGraphicsContext* source, const CVortanRect* srcRect,
                   u32 color, u32 flags) override;
    int BlitTintedUnit(float x, float y, IVortanGraphicsContext* source,
                       const CVortanFloatRect* srcRect, u32 color, u32 flags) override;
    int BlitStretchTinted(const CVortanRect* dstRect, IVortanGraphicsContext* source,
                          const CVortanRect* srcRect, u32 color, u32 flags) override;
    int BlitStretchTintedUnit(const CVortanFloatRect* dstRect, IVortanGraphicsContext* source,
                              const CVortanFloatRect* srcRect, u32 color, u32 flags) override;
    int DrawLine(int x0, int y0, int x1, int y1, u32 color0, u32 color1) override;
    int DrawLineUnit(float x0, float y0, float x1, float y1, u32 color0, u32 color1) override;
    int BlitStretchTranslated(const CVortanFloatRect* unitRect, const CVortanMatrix* matrix,
                              IVortanGraphicsContext* source, const CVortanFloatRect* srcRect,
                              u32 flags) override;
    int ToPixelX(float x) override;
    int ToPixelY(float y) override;
    float ToUnitX(float x) override;
    float ToUnitY(float y) override;
    // Null: the whole surface. Otherwise each edge is clamped into the surface; right <= left
    // (or bottom <= top) draws nothing.
    void SetClipRect(const CVortanRect* rect) override;

    // --- creation and release ---------------------------------------------------------
    // Allocates zero-filled pixels for a new surface (format VORTAN_PIXEL_DISPLAY becomes the
    // display's format). VORTAN_OK; VORTAN_E_ARGUMENT for a missing size; VORTAN_E_VERSION for an
    // unknown format; VORTAN_E_NOMEMORY when the pixels cannot be allocated.
    int Create(IVortanApplication* application, const CVortanSurfaceDesc* desc);
    // Lays the surface over outside pixels (not owned). A pitch of 0 is computed from the
    // width and the bytes per pixel. VORTAN_OK; VORTAN_E_ARGUMENT for a missing description, size
    // or buffer.
    int CreateOnBuffer(IVortanApplication* application, const CVortanSurfaceDesc* desc,
                       void* pixels);
    // A surface of the drawable's size (or derived from it, flag VORTAN_SURFACE_KEEP_ASPECT),
    // cleared to 0.
    int CreateFromDrawable(IVortanApplication* application, const CVortanSurfaceDesc* desc,
                           unsigned long drawable);
    // Deletes the texture, frees owned pixels and the alpha plane, clears every field.
    void Release();

    // Stores the lock flags (bit 0: Unlock does not upload) and copies the description out.
    void* Lock(CVortanSurfaceDesc* descOut, u32 lockFlags);
    // Re-uploads the texture mirror unless lock flag bit 0 is set.
    int Unlock();

    int GetBitsPerPixel() const;
    int GetPitch() const { return m_desc.pitch; }
    u32 GetFlags() const { return m_desc.flags; }
    const CVortanSurfaceDesc& GetDesc() const { return m_desc; }
    u8* GetPixels() const { return m_pixels; }
    u32 GetDataSize() const { return m_dataSize; }
    IVortanApplication* GetApplication() const { return m_application; }
    u32 GetLockFlags() const { return m_lockFlags; }
    void SetLockFlags(u32 flags) { m_lockFlags = flags; }

    // --- alpha plane and colour key ---------------------------------------------------
    u8* GetAlphaPlane() const { return m_alpha; }
    // VORTAN_E_VERSION for 32-bit formats; VORTAN_E_RANGE for a zero size; VORTAN_E_NOMEMORY out of
    // memory. The plane starts at 0.
    int CreateAlphaPlane();
    void FreeAlphaPlane();
    u32 GetColorKey() const { return m_colorKey; }
    // The key becomes the native value of the pixel at (x, y), low 24 bits. VORTAN_E_RANGE without
    // pixels.
    int SetColorKeyFromPixel(int x, int y);

    // --- texture mirror ---------------------------------------------------------------
    // glFormat GL_RGB or GL_RGBA, glType GL_UNSIGNED_BYTE / _SHORT_5_6_5 / _4_4_4_4 /
    // _5_5_5_1; mips: build a mip chain (power-of-two sizes only). VORTAN_E_MALFORMED without
    // pixels; VORTAN_E_VERSION for a refused pair (no texture is left).
    int CreateTexture(u32 glFormat, u32 glType, int mips);
    // GL_RGBA/bytes for 32-bit formats, GL_RGBA/4444 for 16- and 8-bit formats with an alpha
    // plane, GL_RGB/565 otherwise.
    int CreateTextureForFormat(int mips);
    // Copies the whole pixel rectangle (and the mip chain) into the texture. VORTAN_E_MALFORMED
    // without pixels or texture; VORTAN_E_VERSION for an unknown pair; VORTAN_E_NOMEMORY out of
    // memory.
    int UploadTexture();
    // Deletes the GL texture; pixels, GL format, type and the mip flag are kept.
    void DeleteTexture();
    // After a context loss: the texture again, from the pixels. VORTAN_E_MALFORMED when it was
    // never created.
    int RecreateTexture();
    // Frees the owned pixels and the alpha plane of a surface whose texture mirror exists; the
    // description, the texture and its format stay (the GPU's copy is then the only one).
    // VORTAN_E_MALFORMED without a texture or without owned pixels.
    int DropPixels();
    // Owned pixels again, copied from a surface of the same size, pitch and format (the image
    // decoded anew), with its alpha plane. VORTAN_E_ARGUMENT when they differ; VORTAN_E_NOMEMORY.
    int RestorePixels(const CVortanSurface& from);
    u32 GetTexture() const { return m_texture; }
    // The texture to draw with: made first by the surface's texture source when the surface
    // has none; marks the surface drawn. 0 when there is none.
    u32 DrawTexture();
    // A surface whose texture is made when first drawn with (null: none); the source must
    // outlive the surface or be cleared.
    void SetTextureSource(IVortanTextureSource* source) { m_textureSource = source; }
    IVortanTextureSource* GetTextureSource() const { return m_textureSource; }
    // Whether DrawTexture was called since the last ClearDrawn.
    int WasDrawn() const { return m_drawn; }
    void ClearDrawn() { m_drawn = 0; }
    int HasMipLevels() const { return m_mips; }
    // Whether every pixel of the texture as last uploaded is fully opaque (alpha 1; a format
    // without alpha is): drawn over anything with "over" blending it gives its own pixels.
    int IsTextureOpaque() const { return m_textureOpaque; }
    // The part of the texture, in texture coordinates (0 to 1), outside which the texture as
    // last uploaded is wholly clear (all four channels zero) with a pixel's width to spare:
    // linear filtering of its first level gives zero there. The whole texture until an upload
    // measures it.
    void GetTextureCover(float* u0, float* v0, float* u1, float* v1) const
    {
        *u0 = m_cover[0];
        *v0 = m_cover[1];
        *u1 = m_cover[2];
        *v1 = m_cover[3];
    }
    u32 GetTextureFormat() const { return m_glFormat; }
    u32 GetTextureType() const { return m_glType; }

    // --- sprite-sheet frames ----------------------------------------------------------
    void SetFrameSize(int frameWidth, int frameHeight);
    void GetFrameRect(int index, CVortanRect* rect);
    void GetFrameRectUnit(int index, CVortanFloatRect* rect);
    int GetFrameWidth() const { return m_frameWidth; }
    int GetFrameHeight() const { return m_frameHeight; }
    int GetFrameColumns() const { return m_frameColumns; }
    int GetFrameRows() const { return m_frameRows; }

    // --- pixel values -----------------------------------------------------------------
    // 0xAARRGGBB into the surface's native pixel; 0xFFFFFFFF for formats without a conversion.
    u32 ToNativePixel(u32 color);
    u32 PackNativePixel(int r, int g, int b, int a);
    // The pixel as 0xAARRGGBB (0 outside). Sets the lock flags to 1.
    u32 GetPixel(int x, int y);
    // Writes the native pixel of the colour (outside: nothing); refreshes the texture.
    int PutPixel(int x, int y, u32 color);
    // PutPixel without the lock-flag reset and the texture refresh: for loops that upload once.
    void WritePixel(int x, int y, u32 color);

    // --- software drawing helpers -----------------------------------------------------
    int PlotPixel(int x, int y, u32 color, u32 neighbours);
    int Invert();
    // The nearest-pixel stretch core: clears both lock flags, draws the (already clipped)
    // source rectangle into the target rectangle, refreshes both texture mirrors.
    int StretchCore(const CVortanRect& dst, CVortanSurface* source, const CVortanRect& src,
                    u32 color, u32 flags);
    // The filtered (block-averaging) stretch, with the same frame as StretchCore.
    int StretchFiltered(const CVortanRect& dst, CVortanSurface* source, const CVortanRect& src);
    // The body of BlitStretch and BlitStretchTinted (the tinted one passes its colour and
    // flag VORTAN_BLIT_ALPHA; the plain one 0xFFFFFFFF): source checks, clipping, then the filtered
    // or the nearest stretch. A rectangle whose width or height does not fit in an int is refused
    // (VORTAN_E_ARGUMENT).
    int StretchFrom(const CVortanRect* dstRect, IVortanGraphicsContext* source,
                    const CVortanRect* srcRect, u32 color, u32 flags);

    // --- text in a system font -------------------------------------------------------------
    // Lays the text out with Pango in the font family at `size` points, wrapped to the
    // rectangle's width and aligned by flags VORTAN_TEXT_CENTER_X (centre) or VORTAN_TEXT_RIGHT
    // (right), and paints it in the colour (alpha ignored) at the rectangle's top-left; only pixels
    // inside the rectangle change. Flag VORTAN_TEXT_MEASURE measures only: nothing is drawn and the
    // rectangle's bottom becomes its top plus the text height. Returns the text height in pixels, 0
    // when nothing was done. The texture mirror is not refreshed.
    int DrawText(CVortanRect* rect, const CVortanString& fontName, int size,
                 const CVortanString& text, u32 color, u32 flags);

    // --- X drawable bridge ------------------------------------------------------------
    // Copies the pixels into a new X pixmap and hands out a GC on it. VORTAN_E_RANGE without
    // pixels, VORTAN_E_BRIDGE_BUSY when already open, VORTAN_E_BRIDGE_FAILED when the pixmap or GC
    // cannot be made (X errors trapped).
    int LockDrawable(_XGC** gcOut);
    // Frees the pixmap and GC; with copyBack the pixmap's contents become the pixels.
    void UnlockDrawable(_XGC* gc, int copyBack);
    unsigned long GetDrawablePixmap() const { return m_xPixmap; }

    // --- images -----------------------------------------------------------------------
    // Decodes PNG / JPEG bytes into this surface (desc: size to scale to, format, flags).
    int LoadFromMemory(IVortanApplication* application, const void* data, int size,
                       const CVortanSurfaceDesc* desc = nullptr);
    int LoadFromPack(IVortanApplication* application, CVortanMediaPack* pack,
                     const CVortanString& name, int index, const CVortanSurfaceDesc* desc);
    int LoadFromFile(IVortanApplication* application, const CVortanString& path,
                     const CVortanSurfaceDesc* desc);
    // Loads "<name>_alpha.<ext>" (from the pack, or from a file when pack is null) and
    // applies its lowest colour byte as alpha.
    int LoadAlphaCompanion(const CVortanString& name, CVortanMediaPack* pack);
    // alphaDesc must be format VORTAN_PIXEL_PALETTE8 and of the surface's size; alpha is one byte
    // per pixel.
    int ApplyAlphaPlane(const CVortanSurfaceDesc* alphaDesc, const u8* alpha);
    int ApplyAlphaFromSurface(CVortanSurface* mask);
    // ".jpg" → JPEG quality 85, ".png" → PNG, else BMP. VORTAN_OK saved, 0 not, VORTAN_E_RANGE
    // without application.
    int SaveToFile(const CVortanString& path);

    // Converts decoded pixels into this surface (created here at the source's size).
    // srcLayout: VORTAN_PIXEL_ABGR8888 bytes R,G,B(,A); VORTAN_PIXEL_ARGB8888 B,G,R(,A);
    // VORTAN_PIXEL_RGB565 565; VORTAN_PIXEL_RGB555 555; VORTAN_PIXEL_RGB444 444. srcBytesPerPixel
    // as the decoder reports it (4 = with alpha).
    int ConvertFrom(const u8* src, int srcWidth, int srcHeight, int srcPitch, int srcLayout,
                    int srcBytesPerPixel, int takeAlpha, int premultiply,
                    IVortanApplication* application, const CVortanSurfaceDesc* desc);

    // Copies rows of `bytes` bytes between buffers of different pitch.
    static void CopyRows(u8* dst, int dstPitch, const u8* src, int srcPitch, int rows, int bytes);
    // Bytes per pixel of a format code (0 outside VORTAN_PIXEL_PALETTE8..VORTAN_PIXEL_ABGR8888).
    static int BytesPerPixel(int format);
    // Turns off every GL call of the texture mirror: textures get names from a counter and
    // uploads only check their arguments. A seam for tests of code that draws without GL.
    static void SetNullTextures(int on);
    static int GetNullTextures();

protected:
    int DecodeFile(CVortanFile* file, int size, IVortanApplication* application,
                   const CVortanSurfaceDesc* desc);
    int ResolveFormat(int format) const;
    // The clipped rectangle of a pixel form argument (null = whole surface).
    void RectOrWhole(const CVortanRect* rect, CVortanRect* out);
    void RefreshTexture();
    // The row work of StretchCore and StretchFiltered: no lock flags, no texture refresh.
    int StretchRows(const CVortanRect& dst, CVortanSurface* source, const CVortanRect& src,
                    u32 color, u32 flags);
    void FilterRows(const CVortanRect& dst, CVortanSurface* source, const CVortanRect& src);
    // Clips a stretch: the source rectangle to the source, the target rectangle to the
    // target (and to the clip rectangle unless flag 0x10), cutting the other side in
    // proportion. False when nothing is left to draw.
    bool ClipStretch(CVortanRect& dst, CVortanSurface* source, CVortanRect& src, u32 flags);

    u8* m_pixels;
    _XGC* m_xGC;
    unsigned long m_xPixmap;
    _XGC** m_xGCOut;
    CVortanSurfaceDesc m_desc;
    u32 m_colorKey;
    u32 m_dataSize;
    i32 m_ownsPixels;
    u32 m_lockFlags;
    u8* m_alpha;
    i32 m_frameWidth;
    i32 m_frameHeight;
    i32 m_frameColumns;
    i32 m_frameRows;
    IVortanApplication* m_application;
    u32 m_texture;
    i32 m_mips;
    i32 m_textureOpaque;
    float m_cover[4]; // u0, v0, u1, v1 of GetTextureCover
    u32 m_glFormat;
    u32 m_glType;
    IVortanTextureSource* m_textureSource;
    i32 m_drawn;

private:
    CVortanSurface(const CVortanSurface&) = delete;
    CVortanSurface& operator=(const CVortanSurface&) = delete;
};

// Saves a surface: see CVortanSurface::SaveToFile.
int SaveImage(CVortanSurface* surface, const CVortanString& path);
