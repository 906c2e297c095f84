// CVortanSurface: creation and release, locking, alpha plane, colour key, clip rectangle,
// sprite-sheet frames and the unit forms of the drawing slots.
#include "engine/graphics/VortanSurface.h"

#include <stdlib.h>
#include <string.h>

#include "engine/VortanMatrix.h"
#include "engine/graphics/VortanSurfaceApp.h"

CVortanSurfaceDesc CVortanSurfaceDesc::From(const CVortanSurfaceDesc* desc)
{
    CVortanSurfaceDesc d;
    if (desc)
        d = *desc;
    else
        memset(&d, 0, sizeof(d));
    return d;
}

CVortanSurface::CVortanSurface()
    : m_pixels(nullptr), m_xGC(nullptr), m_xPixmap(0), m_xGCOut(nullptr), m_colorKey(0),
      m_dataSize(0), m_ownsPixels(0), m_lockFlags(0), m_alpha(nullptr), m_frameWidth(0),
      m_frameHeight(0), m_frameColumns(0), m_frameRows(0), m_application(nullptr), m_texture(0),
      m_mips(0), m_textureOpaque(0), m_glFormat(0), m_glType(0), m_textureSource(nullptr),
      m_drawn(0)
{
    m_cover[0] = m_cover[1] = 0.0f;
    m_cover[2] = m_cover[3] = 1.0f;
    memset(&m_desc, 0, sizeof(m_desc));
    Release();
}

CVortanSurface::~CVortanSurface() {}

CVortanSurface* CVortanSurface::Create()
{
    return new CVortanSurface();
}

int CVortanSurface::BytesPerPixel(int format)
{
    switch (format) {
    case VORTAN_PIXEL_PALETTE8:
        return 1;
    case VORTAN_PIXEL_RGB444:
    case VORTAN_PIXEL_RGB555:
    case VORTAN_PIXEL_RGB565:
        return 2;
    case VORTAN_PIXEL_RGB888:
        return 3;
    case VORTAN_PIXEL_ARGB8888:
    case VORTAN_PIXEL_ABGR8888:
        return 4;
    default:
        return 0;
    }
}

int CVortanSurface::GetBitsPerPixel() const
{
    return BytesPerPixel(m_desc.pixelFormat) * 8;
}

int CVortanSurface::ResolveFormat(int format) const
{
    if (format != VORTAN_PIXEL_DISPLAY)
        return format;
    IVortanGraphicsContext* graphics = VortanSurfaceAppGraphics(m_application);
    int display =
        (graphics && graphics != this) ? graphics->GetPixelFormat() : VORTAN_PIXEL_DISPLAY;
    return display != VORTAN_PIXEL_DISPLAY ? display : VORTAN_PIXEL_ABGR8888;
}

int CVortanSurface::Create(IVortanApplication* application, const CVortanSurfaceDesc* desc)
{
    Release();
    m_application = application;
    if (!desc || desc->width <= 0 || desc->height <= 0)
        return VORTAN_E_ARGUMENT;
    m_desc = *desc;
    m_desc.pixelFormat = ResolveFormat(desc->pixelFormat);
    int bytes = BytesPerPixel(m_desc.pixelFormat);
    if (!bytes) {
        m_desc.pitch = 0;
        return VORTAN_E_VERSION;
    }
    i64 pitch = (i64)m_desc.width * bytes;
    i64 size = pitch * m_desc.height;
    if (pitch > 0x7FFFFFFF || size > 0x7FFFFFFF) {
        memset(&m_desc, 0, sizeof(m_desc));
        return VORTAN_E_NOMEMORY;
    }
    // New surfaces start zero-filled: nothing of an earlier allocation can show through.
    u8* pixels = (u8*)calloc((size_t)size, 1);
    if (!pixels) {
        memset(&m_desc, 0, sizeof(m_desc));
        return VORTAN_E_NOMEMORY;
    }
    m_pixels = pixels;
    m_desc.pitch = (i32)pitch;
    m_dataSize = (u32)size;
    m_ownsPixels = 1;
    SetClipRect(nullptr);
    m_frameWidth = m_desc.width;
    m_frameHeight = m_desc.height;
    m_frameColumns = 1;
    m_frameRows = 1;
    if (m_desc.flags & VORTAN_SURFACE_TEXTURE) {
        if (m_desc.pixelFormat == VORTAN_PIXEL_ARGB8888 ||
            m_desc.pixelFormat == VORTAN_PIXEL_ABGR8888)
            CreateTexture(0x1908 /* GL_RGBA */, 0x1401 /* GL_UNSIGNED_BYTE */, 0);
        else
            CreateTexture(0x1907 /* GL_RGB */, 0x8363 /* GL_UNSIGNED_SHORT_5_6_5 */, 0);
    }
    return VORTAN_OK;
}

int CVortanSurface::CreateOnBuffer(IVortanApplication* application, const CVortanSurfaceDesc* desc,
                                   void* pixels)
{
    Release();
    m_application = application;
    if (!desc || !pixels || desc->width <= 0 || desc->height <= 0)
        return VORTAN_E_ARGUMENT;
    m_desc = *desc;
    m_desc.pixelFormat = ResolveFormat(desc->pixelFormat);
    int bytes = BytesPerPixel(m_desc.pixelFormat);
    if (m_desc.pitch == 0)
        m_desc.pitch = m_desc.width * bytes;
    m_pixels = (u8*)pixels;
    m_dataSize = (u32)((i64)m_desc.width * m_desc.height * bytes);
    m_ownsPixels = 0;
    SetClipRect(nullptr);
    m_frameWidth = m_desc.width;
    m_frameHeight = m_desc.height;
    m_frameColumns = 1;
    m_frameRows = 1;
    m_lockFlags = 0;
    return VORTAN_OK;
}

void CVortanSurface::Release()
{
    if (m_xGCOut || m_xPixmap || m_xGC)
        UnlockDrawable(m_xGC, 0);
    DeleteTexture();
    if (m_ownsPixels && m_pixels)
        free(m_pixels);
    if (m_alpha)
        free(m_alpha);
    m_pixels = nullptr;
    m_alpha = nullptr;
    m_clipRect.Set(0, 0, 0, 0);
    memset(&m_desc, 0, sizeof(m_desc));
    m_dataSize = 0;
    m_ownsPixels = 0;
    m_frameWidth = m_frameHeight = m_frameColumns = m_frameRows = 0;
    m_application = nullptr;
    m_colorKey = 0;
    m_mips = 0;
    m_textureSource = nullptr;
    m_drawn = 0;
}

void* CVortanSurface::Lock(CVortanSurfaceDesc* descOut, u32 lockFlags)
{
    m_lockFlags = lockFlags;
    if (descOut)
        *descOut = m_desc;
    return m_pixels;
}

int CVortanSurface::Unlock()
{
    if (m_lockFlags & 1)
        return VORTAN_OK;
    if (!m_texture)
        return VORTAN_OK;
    return UploadTexture();
}

void CVortanSurface::RefreshTexture()
{
    if (m_texture && !(m_lockFlags & 1))
        UploadTexture();
}

int CVortanSurface::CreateAlphaPlane()
{
    if (m_desc.pixelFormat == VORTAN_PIXEL_ARGB8888 || m_desc.pixelFormat == VORTAN_PIXEL_ABGR8888)
        return VORTAN_E_VERSION;
    if (m_desc.width <= 0 || m_desc.height <= 0)
        return VORTAN_E_RANGE;
    FreeAlphaPlane();
    u8* plane = (u8*)calloc((size_t)m_desc.width * (size_t)m_desc.height, 1);
    if (!plane)
        return VORTAN_E_NOMEMORY;
    m_alpha = plane;
    return VORTAN_OK;
}

void CVortanSurface::FreeAlphaPlane()
{
    if (m_alpha)
        free(m_alpha);
    m_alpha = nullptr;
}

int CVortanSurface::SetColorKeyFromPixel(int x, int y)
{
    if (!m_pixels)
        return VORTAN_E_RANGE;
    m_lockFlags = 1;
    u32 key = 0;
    if (x >= 0 && y >= 0 && x < m_desc.width && y < m_desc.height) {
        const u8* p = m_pixels + (size_t)y * m_desc.pitch;
        switch (m_desc.pixelFormat) {
        case VORTAN_PIXEL_PALETTE8:
            key = p[x];
            break;
        case VORTAN_PIXEL_RGB444:
        case VORTAN_PIXEL_RGB555:
        case VORTAN_PIXEL_RGB565:
            key = ((const u16*)p)[x];
            break;
        case VORTAN_PIXEL_RGB888:
            key = p[x * 3] | (p[x * 3 + 1] << 8) | (p[x * 3 + 2] << 16);
            break;
        case VORTAN_PIXEL_ARGB8888:
        case VORTAN_PIXEL_ABGR8888:
            key = ((const u32*)p)[x];
            break;
        default:
            key = 0xFFFFFF;
            break;
        }
    }
    m_colorKey = key & 0xFFFFFF;
    return VORTAN_OK;
}

void CVortanSurface::SetFrameSize(int frameWidth, int frameHeight)
{
    if (frameWidth < 1 || frameHeight < 1)
        return;
    m_frameWidth = frameWidth;
    m_frameHeight = frameHeight;
    m_frameColumns = m_desc.width / frameWidth;
    m_frameRows = m_desc.height / frameHeight;
}

void CVortanSurface::GetFrameRect(int index, CVortanRect* rect)
{
    if (!rect)
        return;
    bool whole = m_frameColumns <= 0 || m_frameRows <= 0 ||
                 (m_frameColumns == 1 && m_frameRows == 1) || index < 0 ||
                 (i64)index >= (i64)m_frameColumns * m_frameRows;
    if (whole) {
        rect->Set(0, 0, m_desc.width, m_desc.height);
        return;
    }
    rect->left = m_frameWidth * (index % m_frameColumns);
    rect->top = m_frameHeight * (index / m_frameColumns);
    rect->right = rect->left + m_frameWidth;
    rect->bottom = rect->top + m_frameHeight;
}

void CVortanSurface::GetFrameRectUnit(int index, CVortanFloatRect* rect)
{
    if (!rect)
        return;
    CVortanRect r;
    GetFrameRect(index, &r);
    rect->left = ToUnitX((float)r.left);
    rect->top = ToUnitY((float)r.top);
    rect->right = ToUnitX((float)r.right);
    rect->bottom = ToUnitY((float)r.bottom);
}

// --- clip and unit conversions ------------------------------------------------------------

static int ClampInt(int v, int lo, int hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

void CVortanSurface::SetClipRect(const CVortanRect* rect)
{
    if (!rect) {
        m_clipRect.Set(0, 0, m_desc.width, m_desc.height);
        return;
    }
    m_clipRect.left = ClampInt(rect->left, 0, m_desc.width);
    m_clipRect.right = ClampInt(rect->right, 0, m_desc.width);
    m_clipRect.top = ClampInt(rect->top, 0, m_desc.height);
    m_clipRect.bottom = ClampInt(rect->bottom, 0, m_desc.height);
}

int CVortanSurface::ToPixelX(float x)
{
    return (int)((float)m_desc.width * x);
}

int CVortanSurface::ToPixelY(float y)
{
    return (int)((float)m_desc.height * y);
}

float CVortanSurface::ToUnitX(float x)
{
    return m_desc.width ? x / (float)m_desc.width : 0.0f;
}

float CVortanSurface::ToUnitY(float y)
{
    return m_desc.height ? y / (float)m_desc.height : 0.0f;
}

void CVortanSurface::RectOrWhole(const CVortanRect* rect, CVortanRect* out)
{
    if (rect)
        *out = *rect;
    else
        out->Set(0, 0, m_desc.width, m_desc.height);
}

// A unit rectangle of `context` in its pixels (null: the whole context).
static void UnitToPixels(IVortanGraphicsContext* context, const CVortanFloatRect* unit,
                         CVortanRect* out)
{
    if (!unit) {
        out->Set(0, 0, context->GetWidth(), context->GetHeight());
        return;
    }
    out->left = context->ToPixelX(unit->left);
    out->top = context->ToPixelY(unit->top);
    out->right = context->ToPixelX(unit->right);
    out->bottom = context->ToPixelY(unit->bottom);
}

int CVortanSurface::ClearUnit(u32 color, const CVortanFloatRect* rect)
{
    CVortanRect r;
    UnitToPixels(this, rect, &r);
    return Clear(color, &r);
}

int CVortanSurface::FillGradientUnit(u32 c0, u32 c1, u32 c2, u32 c3, const CVortanFloatRect* rect)
{
    CVortanRect r;
    UnitToPixels(this, rect, &r);
    return FillGradient(c0, c1, c2, c3, &r);
}

int CVortanSurface::FillAdditiveUnit(u32 color, const CVortanFloatRect* rect)
{
    CVortanRect r;
    UnitToPixels(this, rect, &r);
    return FillAdditive(color, &r);
}

int CVortanSurface::DarkenUnit(const CVortanFloatRect* rect, float amount)
{
    CVortanRect r;
    UnitToPixels(this, rect, &r);
    return Darken(&r, amount);
}

int CVortanSurface::BlitUnit(float x, float y, IVortanGraphicsContext* source,
                             const CVortanFloatRect* srcRect, u32 flags)
{
    if (!source)
        return VORTAN_E_ARGUMENT;
    CVortanRect s;
    UnitToPixels(source, srcRect, &s);
    return Blit(ToPixelX(x), ToPixelY(y), source, &s, flags);
}

int CVortanSurface::BlitStretchUnit(const CVortanFloatRect* dstRect, IVortanGraphicsContext* source,
                                    const CVortanFloatRect* srcRect, u32 flags)
{
    if (!source)
        return VORTAN_E_ARGUMENT;
    CVortanRect d, s;
    UnitToPixels(this, dstRect, &d);
    UnitToPixels(source, srcRect, &s);
    return BlitStretch(&d, source, &s, flags);
}

int CVortanSurface::BlitRotatedUnit(float x, float y, IVortanGraphicsContext* source, float angle,
                                    float size, u32 flags)
{
    return BlitRotated(ToPixelX(x), ToPixelY(y), source, angle, ToPixelX(size), flags);
}

int CVortanSurface::BlitTintedUnit(float x, float y, IVortanGraphicsContext* source,
                                   const CVortanFloatRect* srcRect, u32 color, u32 flags)
{
    if (!source)
        return VORTAN_E_ARGUMENT;
    // The source rectangle is given in fractions of this target.
    CVortanRect s;
    if (srcRect) {
        s.left = ToPixelX(srcRect->left);
        s.top = ToPixelY(srcRect->top);
        s.right = ToPixelX(srcRect->right);
        s.bottom = ToPixelY(srcRect->bottom);
    } else {
        s.Set(0, 0, source->GetWidth(), source->GetHeight());
    }
    return BlitTinted(ToPixelX(x), ToPixelY(y), source, &s, color, flags);
}

int CVortanSurface::BlitStretchTintedUnit(const CVortanFloatRect* dstRect,
                                          IVortanGraphicsContext* source,
                                          const CVortanFloatRect* srcRect, u32 color, u32 flags)
{
    if (!source)
        return VORTAN_E_ARGUMENT;
    CVortanRect d, s;
    UnitToPixels(this, dstRect, &d);
    UnitToPixels(source, srcRect, &s);
    return BlitStretchTinted(&d, source, &s, color, flags);
}

int CVortanSurface::DrawLineUnit(float x0, float y0, float x1, float y1, u32 color0, u32 color1)
{
    return DrawLine(ToPixelX(x0), ToPixelY(y0), ToPixelX(x1), ToPixelY(y1), color0, color1);
}

int CVortanSurface::BlitStretchTranslated(const CVortanFloatRect* unitRect,
                                          const CVortanMatrix* matrix,
                                          IVortanGraphicsContext* source,
                                          const CVortanFloatRect* srcRect, u32 flags)
{
    CVortanFloatRect r = {0.0f, 0.0f, 1.0f, 1.0f};
    if (unitRect)
        r = *unitRect;
    if (matrix) {
        r.left += (*matrix)[3];
        r.right += (*matrix)[3];
        r.top += (*matrix)[7];
        r.bottom += (*matrix)[7];
    }
    return BlitStretchUnit(&r, source, srcRect, flags);
}

void CVortanSurface::CopyRows(u8* dst, int dstPitch, const u8* src, int srcPitch, int rows,
                              int bytes)
{
    if (!dst || !src || rows <= 0 || bytes <= 0)
        return;
    for (int y = 0; y < rows; ++y)
        memcpy(dst + (size_t)y * dstPitch, src + (size_t)y * srcPitch, (size_t)bytes);
}
