// CVortanSurface: the software fills (gradient, translucent colour, darkening), lines,
// plotted pixels and inversion, and the clipping helpers of VortanSoftDraw.h.
// The pixel loops are plain integer code: let the compiler vectorise them even where the
// build's optimisation level would not.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("tree-vectorize")
#endif
#include "engine/graphics/VortanSoftDraw.h"

#include <string.h>

#include "engine/graphics/VortanSurfaceApp.h"
#include "engine/graphics/VortanSurfaceFormats.h"

using namespace VortanSoft;

bool VortanSoft::ClipToRect(const CVortanRect* rect, int width, int height, const CVortanRect& clip,
                            CVortanRect* out)
{
    CVortanRect r;
    if (rect)
        r = *rect;
    else
        r.Set(0, 0, width, height);
    CVortanRect c = ClipWithin(clip, width, height);
    if (r.left < c.left)
        r.left = c.left;
    if (r.top < c.top)
        r.top = c.top;
    if (r.right > c.right)
        r.right = c.right;
    if (r.bottom > c.bottom)
        r.bottom = c.bottom;
    *out = r;
    return r.right > r.left && r.bottom > r.top;
}

static void CutEdges(i64* pos, i64* s0, i64* s1, i64 lo, i64 hi, bool mirrored)
{
    // Source range [s0, s1) drawn from target `pos`: cut what falls outside [lo, hi) of the target.
    if (*pos < lo) {
        i64 n = lo - *pos;
        *pos = lo;
        if (mirrored)
            *s1 -= n;
        else
            *s0 += n;
    }
    i64 end = *pos + (*s1 - *s0);
    if (end > hi) {
        i64 n = end - hi;
        if (mirrored)
            *s0 += n;
        else
            *s1 -= n;
    }
}

static void CutSource(i64* pos, i64* s0, i64* s1, i64 size, bool mirrored)
{
    // The source range never reaches outside the source; the target moves with a cut that
    // removes its first pixels.
    if (*s0 < 0) {
        i64 n = -*s0;
        *s0 = 0;
        if (!mirrored)
            *pos += n;
    }
    if (*s1 > size) {
        i64 n = *s1 - size;
        *s1 = size;
        if (mirrored)
            *pos += n;
    }
}

bool VortanSoft::ClipBlit(int* x, int* y, CVortanRect* src, int srcWidth, int srcHeight,
                          const CVortanRect& clip, u32 flags)
{
    bool mx = (flags & VORTAN_BLIT_MIRROR_X) != 0;
    bool my = (flags & VORTAN_BLIT_MIRROR_Y) != 0;
    i64 px = *x, py = *y;
    i64 l = src->left, r = src->right, t = src->top, b = src->bottom;
    if (r <= l || b <= t)
        return false;
    CutSource(&px, &l, &r, srcWidth, mx);
    CutSource(&py, &t, &b, srcHeight, my);
    if (r <= l || b <= t)
        return false;
    CutEdges(&px, &l, &r, clip.left, clip.right, mx);
    CutEdges(&py, &t, &b, clip.top, clip.bottom, my);
    if (r <= l || b <= t)
        return false;
    *x = (int)px;
    *y = (int)py;
    src->Set((int)l, (int)t, (int)r, (int)b);
    return true;
}

namespace {

bool HasFillRoutine(int format)
{
    return format == VORTAN_PIXEL_PALETTE8 || format == VORTAN_PIXEL_RGB565 ||
           format == VORTAN_PIXEL_ARGB8888 || format == VORTAN_PIXEL_ABGR8888;
}

// Replaces every pixel of the rectangle by what the format's operation makes of it: `op32`
// on the words of formats VORTAN_PIXEL_ARGB8888 and VORTAN_PIXEL_ABGR8888, `op565` on those of
// format VORTAN_PIXEL_RGB565, `op8` on palette indices (one of the formats HasFillRoutine accepts).
// Each format keeps a loop of its own.
template <class Op32, class Op565, class Op8>
void ForEachFillPixel(u8* pixels, int pitch, const CVortanRect& r, int format, Op32 op32,
                      Op565 op565, Op8 op8)
{
    int count = r.right - r.left;
    for (int y = r.top; y < r.bottom; ++y) {
        u8* row = pixels + (size_t)y * pitch;
        switch (format) {
        case VORTAN_PIXEL_ARGB8888:
        case VORTAN_PIXEL_ABGR8888: {
            u32* p = (u32*)row + r.left;
            for (int i = 0; i < count; ++i)
                p[i] = op32(p[i]);
            break;
        }
        case VORTAN_PIXEL_RGB565: {
            u16* p = (u16*)row + r.left;
            for (int i = 0; i < count; ++i)
                p[i] = op565(p[i]);
            break;
        }
        default: {
            u8* p = row + r.left;
            for (int i = 0; i < count; ++i)
                p[i] = op8(p[i]);
            break;
        }
        }
    }
}

} // namespace

// --- gradient -----------------------------------------------------------------------------

int CVortanSurface::FillGradient(u32 c0, u32 c1, u32 c2, u32 c3, const CVortanRect* rect)
{
    m_lockFlags = 0;
    if (!m_pixels)
        return VORTAN_E_RANGE;
    int format = m_desc.pixelFormat;
    if (!HasFillRoutine(format))
        return VORTAN_E_VERSION;
    if (format == VORTAN_PIXEL_ABGR8888) {
        c0 = SwapRB(c0);
        c1 = SwapRB(c1);
        c2 = SwapRB(c2);
        c3 = SwapRB(c3);
    }
    CVortanRect r;
    RectOrWhole(rect, &r);
    CVortanRect clip = ClipWithin(m_clipRect, m_desc.width, m_desc.height);
    // A part left of the clip is dropped and the gradient starts with the left colours at the
    // first visible column; a part right of it is simply not written.
    i64 left = r.left, right = r.right;
    if (left < clip.left)
        left = clip.left;
    i64 width = right - left;
    i64 visible = (right < clip.right ? right : clip.right) - left;
    i64 height = (i64)r.bottom - r.top;
    if (width <= 0 || visible <= 0 || height <= 0 || left >= clip.right)
        return VORTAN_OK;

    // 16.16 edge colours per channel (index 0 blue, 1 green, 2 red as bit positions 0, 8, 16).
    i64 le[3], re[3], ls[3], rs[3];
    for (int ch = 0; ch < 3; ++ch) {
        int shift = ch * 8;
        i64 a0 = (c0 >> shift) & 0xFF, a1 = (c1 >> shift) & 0xFF, a2 = (c2 >> shift) & 0xFF,
            a3 = (c3 >> shift) & 0xFF;
        le[ch] = a0 * 0xFFFF;
        re[ch] = a1 * 0xFFFF;
        ls[ch] = (a3 - a0) * 0xFFFF / height;
        rs[ch] = (a2 - a1) * 0xFFFF / height;
    }
    const u8* lookup = VortanSurfaceAppPaletteLookup(m_application);
    int bytes = BytesPerPixel(format);
    for (i64 i = 0; i < height; ++i) {
        i64 y = r.top + i;
        if (y >= clip.bottom)
            break;
        if (y >= clip.top) {
            i64 v[3], step[3];
            for (int ch = 0; ch < 3; ++ch) {
                v[ch] = le[ch] + ls[ch] * i;
                step[ch] = ((re[ch] + rs[ch] * i) - v[ch]) / width;
            }
            u8* p = m_pixels + (size_t)y * m_desc.pitch + (size_t)left * bytes;
            for (i64 x = 0; x < visible; ++x) {
                u32 b = (u32)(v[0] >> 16), g = (u32)(v[1] >> 16), rr = (u32)(v[2] >> 16);
                switch (format) {
                case VORTAN_PIXEL_PALETTE8:
                    p[x] = (u8)VortanPaletteIndex(lookup, rr, g, b);
                    break;
                case VORTAN_PIXEL_RGB565:
                    ((u16*)p)[x] = (u16)(((v[2] >> 19) << 11) | ((v[1] >> 18) << 5) | (v[0] >> 19));
                    break;
                default:
                    p[x * 4] = (u8)b;
                    p[x * 4 + 1] = (u8)g;
                    p[x * 4 + 2] = (u8)rr;
                    break;
                }
                for (int ch = 0; ch < 3; ++ch)
                    v[ch] += step[ch];
            }
        }
    }
    RefreshTexture();
    return VORTAN_OK;
}

// --- translucent fill and darkening -------------------------------------------------------------

int CVortanSurface::FillAdditive(u32 color, const CVortanRect* rect)
{
    m_lockFlags = 0;
    if (!m_pixels)
        return VORTAN_E_RANGE;
    int format = m_desc.pixelFormat;
    if (!HasFillRoutine(format))
        return VORTAN_E_VERSION;
    CVortanRect r;
    int a = (int)(color >> 24);
    if (!ClipToRect(rect, m_desc.width, m_desc.height, m_clipRect, &r) || a == 0)
        return VORTAN_OK;
    // Format VORTAN_PIXEL_ABGR8888 keeps its own channel order: the colour's red goes into its red
    // byte.
    if (format == VORTAN_PIXEL_ABGR8888)
        color = SwapRB(color);
    int c2 = (int)((color >> 16) & 0xFF), c1 = (int)((color >> 8) & 0xFF), c0 = (int)(color & 0xFF);
    const u32* palette = VortanSurfaceAppPalette(m_application);
    const u8* lookup = VortanSurfaceAppPaletteLookup(m_application);
    // Each channel moves a/256 of the way to the colour's; the 32-bit word keeps its top byte.
    auto mix = [a, c2, c1, c0](u32 d) -> u32 {
        int d2 = (int)((d >> 16) & 0xFF), d1 = (int)((d >> 8) & 0xFF), d0 = (int)(d & 0xFF);
        d2 += (a * (c2 - d2)) >> 8;
        d1 += (a * (c1 - d1)) >> 8;
        d0 += (a * (c0 - d0)) >> 8;
        return ((u32)d2 << 16) | ((u32)d1 << 8) | (u32)d0;
    };
    ForEachFillPixel(
        m_pixels, m_desc.pitch, r, format,
        [mix](u32 d) -> u32 { return (d & 0xFF000000) | mix(d); },
        [a, c2, c1, c0](u16 d) -> u16 {
            int dr = (int)((d >> 11) & 31) * 8, dg = (int)((d >> 5) & 63) * 4,
                db = (int)(d & 31) * 8;
            dr += (a * (c2 - dr)) >> 8;
            dg += (a * (c1 - dg)) >> 8;
            db += (a * (c0 - db)) >> 8;
            return (u16)(((dr >> 3) << 11) | ((dg >> 2) << 5) | (db >> 3));
        },
        [mix, palette, lookup](u8 index) -> u8 {
            u32 m = mix(palette ? palette[index] : 0);
            return (u8)VortanPaletteIndex(lookup, (m >> 16) & 0xFF, (m >> 8) & 0xFF, m & 0xFF);
        });
    RefreshTexture();
    return VORTAN_OK;
}

int CVortanSurface::Darken(const CVortanRect* rect, float amount)
{
    m_lockFlags = 0;
    if (!m_pixels)
        return VORTAN_E_RANGE;
    int format = m_desc.pixelFormat;
    if (!HasFillRoutine(format))
        return VORTAN_E_VERSION;
    CVortanRect r;
    if (!ClipToRect(rect, m_desc.width, m_desc.height, m_clipRect, &r))
        return VORTAN_OK;
    // The amount is a fraction: anything outside 0..1 (or not a number) is clamped.
    if (!(amount > 0.0f))
        amount = 0.0f;
    else if (amount > 1.0f)
        amount = 1.0f;
    u32 f = (u32)(amount * 255.0f);
    if (f != 255)
        f = (f * 255) >> 8;
    const u32* palette = VortanSurfaceAppPalette(m_application);
    const u8* lookup = VortanSurfaceAppPaletteLookup(m_application);
    ForEachFillPixel(
        m_pixels, m_desc.pitch, r, format,
        [f](u32 d) -> u32 {
            u32 rb = ((((d & 0x00FF00FF) * f) >> 8) & 0x00FF00FF);
            u32 g = ((((d & 0x0000FF00) * f) >> 8) & 0x0000FF00);
            return (d & 0xFF000000) | rb | g;
        },
        [f](u16 d) -> u16 {
            u32 dr = (((d >> 11) & 31u) * f) >> 8, dg = (((d >> 5) & 63u) * f) >> 8,
                db = ((d & 31u) * f) >> 8;
            return (u16)((dr << 11) | (dg << 5) | db);
        },
        [f, palette, lookup](u8 index) -> u8 {
            u32 d = palette ? palette[index] : 0;
            u32 d2 = (((d >> 16) & 0xFF) * f) >> 8, d1 = (((d >> 8) & 0xFF) * f) >> 8,
                d0 = ((d & 0xFF) * f) >> 8;
            return (u8)VortanPaletteIndex(lookup, d2, d1, d0);
        });
    RefreshTexture();
    return VORTAN_OK;
}

// --- lines ----------------------------------------------------------------------------------

int CVortanSurface::DrawLine(int x0, int y0, int x1, int y1, u32 color0, u32 color1)
{
    m_lockFlags = 0;
    if (!m_pixels)
        return VORTAN_E_RANGE;
    int format = m_desc.pixelFormat;
    if (!HasFillRoutine(format))
        return VORTAN_E_VERSION;
    CVortanRect clip = ClipWithin(m_clipRect, m_desc.width, m_desc.height);
    if ((x0 < clip.left && x1 < clip.left) || (y0 < clip.top && y1 < clip.top) ||
        (x0 >= clip.right && x1 >= clip.right) || (y0 >= clip.bottom && y1 >= clip.bottom))
        return VORTAN_OK;
    if (clip.right <= clip.left || clip.bottom <= clip.top)
        return VORTAN_OK;

    i64 dy = (i64)y1 - y0;
    i64 n = (dy < 0 ? -dy : dy) + 1;
    if (n > 2 * (i64)m_desc.height)
        n = 2 * (i64)m_desc.height;
    if (n < 1)
        return VORTAN_OK;
    int ydir = dy < 0 ? -1 : 1;
    i64 xstep = (((i64)x1 - x0) * 65536) / n;
    i64 xf = (i64)x0 * 65536;

    bool same = color0 == color1;
    u32 native = ToNativePixel(color0);
    // 16.16 channels (a, r, g, b) and their steps per row.
    i64 ch[4], chStep[4];
    for (int k = 0; k < 4; ++k) {
        int shift = 24 - k * 8;
        i64 a = (color0 >> shift) & 0xFF, b = (color1 >> shift) & 0xFF;
        ch[k] = a * 65536;
        chStep[k] = ((b - a) * 65536) / n;
    }
    const u8* lookup = VortanSurfaceAppPaletteLookup(m_application);
    int bytes = BytesPerPixel(format);

    i64 y = y0;
    for (i64 row = 0; row < n; ++row, y += ydir) {
        i64 xs = xf >> 16;
        xf += xstep;
        i64 xe = xf >> 16;
        i64 runStart = xs < xe ? xs : xe;
        i64 runLen = xs < xe ? xe - xs : (xs > xe ? xs - xe : 1);
        if (y >= clip.top && y < clip.bottom) {
            i64 from = runStart < clip.left ? clip.left : runStart;
            i64 to = runStart + runLen;
            if (to > clip.right)
                to = clip.right;
            u8* p = m_pixels + (size_t)y * m_desc.pitch;
            for (i64 x = from; x < to; ++x) {
                u32 value = native;
                if (!same) {
                    u32 c[4];
                    for (int k = 0; k < 4; ++k) {
                        i64 v = (ch[k] + (chStep[k] / runLen) * (x - runStart)) >> 16;
                        c[k] = v < 0 ? 0 : (v > 255 ? 255 : (u32)v);
                    }
                    switch (format) {
                    case VORTAN_PIXEL_PALETTE8:
                        value = VortanPaletteIndex(lookup, c[1], c[2], c[3]);
                        break;
                    case VORTAN_PIXEL_RGB565:
                        value = ((c[1] >> 3) << 11) | ((c[2] >> 2) << 5) | (c[3] >> 3);
                        break;
                    case VORTAN_PIXEL_ARGB8888:
                        value = (c[0] << 24) | (c[1] << 16) | (c[2] << 8) | c[3];
                        break;
                    default:
                        value = (c[0] << 24) | (c[3] << 16) | (c[2] << 8) | c[1];
                        break;
                    }
                }
                switch (bytes) {
                case 1:
                    p[x] = (u8)value;
                    break;
                case 2:
                    ((u16*)p)[x] = (u16)value;
                    break;
                default:
                    ((u32*)p)[x] = value;
                    break;
                }
            }
        }
        if (!same) {
            for (int k = 0; k < 4; ++k)
                ch[k] += chStep[k];
        }
    }
    RefreshTexture();
    return VORTAN_OK;
}

// --- single pixels and inversion ----------------------------------------------------------------

int CVortanSurface::PlotPixel(int x, int y, u32 color, u32 neighbours)
{
    m_lockFlags = 0;
    if (!m_pixels)
        return VORTAN_E_RANGE;
    if (!BytesPerPixel(m_desc.pixelFormat))
        return VORTAN_E_VERSION;
    if (x < 1 || x >= m_desc.width - 1 || y < 1 || y >= m_desc.height - 1)
        return VORTAN_OK;
    static const int offsets[8][2] = {{1, 0},  {1, 1},   {0, 1},  {-1, 1},
                                      {-1, 0}, {-1, -1}, {0, -1}, {1, -1}};
    WritePixel(x, y, color);
    for (int k = 0; k < 8; ++k) {
        if (neighbours & (1u << k))
            WritePixel(x + offsets[k][0], y + offsets[k][1], color);
    }
    RefreshTexture();
    return VORTAN_OK;
}

int CVortanSurface::Invert()
{
    m_lockFlags = 0;
    if (!m_pixels)
        return VORTAN_E_RANGE;
    int bytes = BytesPerPixel(m_desc.pixelFormat);
    if (!bytes)
        return VORTAN_E_VERSION;
    if (m_desc.pixelFormat == VORTAN_PIXEL_PALETTE8)
        return VORTAN_OK;
    // Every byte of every pixel row, including the bytes after the last whole 32-bit word.
    size_t rowBytes = (size_t)m_desc.width * bytes;
    for (int y = 0; y < m_desc.height; ++y) {
        u8* row = m_pixels + (size_t)y * m_desc.pitch;
        size_t i = 0;
        for (; i + 4 <= rowBytes; i += 4) {
            u32 w;
            memcpy(&w, row + i, 4);
            w = ~w;
            memcpy(row + i, &w, 4);
        }
        for (; i < rowBytes; ++i)
            row[i] = (u8)~row[i];
    }
    RefreshTexture();
    return VORTAN_OK;
}
