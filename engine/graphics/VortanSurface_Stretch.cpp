// CVortanSurface: the stretch blits (nearest-pixel core and filtered stretch).
#include <stdlib.h>
#include <string.h>

#include "engine/graphics/VortanSoftDraw.h"
#include "engine/graphics/VortanSurface.h"
#include "engine/graphics/VortanSurfaceApp.h"
#include "engine/graphics/VortanSurfaceFormats.h"

using VortanSoft::BlitSource;
using VortanSoft::ClipWithin;
using VortanSoft::Join565;
using VortanSoft::Join888;
using VortanSoft::Sat255;
using VortanSoft::Split565;
using VortanSoft::Split888;

namespace {

// Everything a row routine needs, built once per call; the rows differ in their pointers.
struct StretchRow {
    const u8* src;       // source row
    u8* dst;             // target row at the target rectangle's first pixel
    const int* xmap;     // source column of every target pixel
    int width;           // target pixels
    u32 key;             // the source's colour key
    const u8* srcAlpha;  // source alpha-plane row or null
    u8* dstAlpha;        // target alpha-plane row (at the first pixel) or null
    u32 ta, t16, tg, t0; // tint alpha and the tints of bits 16-23, 8-15 and 0-7
    u32 flags;
    const u32* palette;
    const u8* lookup;
};

typedef void (*RowRoutine)(const StretchRow& r);

// One tinted channel: target d, source s (premultiplied), alpha a, tint t, tint alpha T.
inline u32 TintChannel(u32 d, u32 s, u32 a, u32 t, bool blend)
{
    u32 scaled = blend ? (d * (255 - a)) >> 8 : 0;
    return Sat255(scaled + ((t * s) >> 8));
}

inline u32 TintMix(u32 d, u32 c, u32 T)
{
    return ((255 - T) * d + T * c) >> 8;
}

// The three tinted channels c of target channels d and source channels s (see Split888),
// mixed with the target by the tint alpha.
inline void TintChannels(const StretchRow& r, u32 a, bool blend, const u32 d[3], const u32 s[3],
                         u32 c[3])
{
    c[0] = TintChannel(d[0], s[0], a, r.t16, blend);
    c[1] = TintChannel(d[1], s[1], a, r.tg, blend);
    c[2] = TintChannel(d[2], s[2], a, r.t0, blend);
    if (r.ta != 255) {
        c[0] = TintMix(d[0], c[0], r.ta);
        c[1] = TintMix(d[1], c[1], r.ta);
        c[2] = TintMix(d[2], c[2], r.ta);
    }
}

void RowNothing(const StretchRow&) {}

// Copies and key-skipping copies of T-sized pixels; a 32-bit key compares the colour bits only.
template <typename T>
void RowCopy(const StretchRow& r)
{
    const T* s = (const T*)r.src;
    T* d = (T*)r.dst;
    for (int j = 0; j < r.width; ++j)
        d[j] = s[r.xmap[j]];
}

template <typename T, u32 KeyMask>
void RowCopyKey(const StretchRow& r)
{
    const T* s = (const T*)r.src;
    T* d = (T*)r.dst;
    for (int j = 0; j < r.width; ++j) {
        T v = s[r.xmap[j]];
        if ((v & KeyMask) != r.key)
            d[j] = v;
    }
}

void RowAlphaByte32(const StretchRow& r)
{
    const u32* s = (const u32*)r.src;
    u32* d = (u32*)r.dst;
    for (int j = 0; j < r.width; ++j)
        d[j] = (d[j] & 0x00FFFFFF) | (s[r.xmap[j]] & 0xFF000000);
}

void RowAlphaPlane(const StretchRow& r)
{
    for (int j = 0; j < r.width; ++j)
        r.dstAlpha[j] = r.srcAlpha[r.xmap[j]];
}

// A tinted row of T-sized pixels: every target pixel whose source pixel the key keeps and whose
// alpha is not 0 (without blending 255; else a 32-bit word's top byte or the alpha plane) takes
// the tint of the channels `split` reads from target and source, written back through `join`.
// A 32-bit key compares the colour bits only.
template <typename T, typename Split, typename Join>
void RowTinted(const StretchRow& r, Split split, Join join)
{
    const T* s = (const T*)r.src;
    T* d = (T*)r.dst;
    const bool word = sizeof(T) == 4;
    const u32 keyMask = word ? 0xFFFFFF : 0xFFFFFFFF;
    bool blend = (r.flags & VORTAN_BLIT_ALPHA) != 0;
    bool keyed = (r.flags & VORTAN_BLIT_COLORKEY) != 0;
    for (int j = 0; j < r.width; ++j) {
        int x = r.xmap[j];
        u32 sp = s[x];
        if (keyed && (sp & keyMask) == r.key)
            continue;
        u32 a = !blend ? 255 : word ? sp >> 24 : r.srcAlpha ? r.srcAlpha[x] : 255;
        if (!a || !r.ta)
            continue;
        u32 dc[3], sc[3], c[3];
        split(d[j], dc);
        split(sp, sc);
        TintChannels(r, a, blend, dc, sc, c);
        d[j] = (T)join(c, a);
    }
}

void RowTinted32(const StretchRow& r)
{
    RowTinted<u32>(r, Split888, [](const u32 c[3], u32 a) { return (a << 24) | Join888(c); });
}

void RowTinted565(const StretchRow& r)
{
    RowTinted<u16>(r, Split565, [](const u32 c[3], u32) { return Join565(c); });
}

void RowTinted8(const StretchRow& r)
{
    RowTinted<u8>(
        r, [&r](u32 index, u32 c[3]) { Split888(r.palette ? r.palette[index] : 0, c); },
        [&r](const u32 c[3], u32) { return VortanPaletteIndex(r.lookup, c[0], c[1], c[2]); });
}

RowRoutine PickRow(int format, u32 flags, u32 color, bool srcPlane, bool dstPlane)
{
    bool tinted = color != 0xFFFFFFFF;
    bool alphaOnlyPlanes = (flags & VORTAN_BLIT_ALPHAONLY) && srcPlane && dstPlane;
    switch (format) {
    case VORTAN_PIXEL_PALETTE8:
        if (((flags & VORTAN_BLIT_ALPHA) && srcPlane) || tinted)
            return RowTinted8;
        if (flags & VORTAN_BLIT_COLORKEY)
            return RowCopyKey<u8, 0xFFFFFFFF>;
        if (alphaOnlyPlanes)
            return RowAlphaPlane;
        return RowCopy<u8>;
    case VORTAN_PIXEL_RGB444:
    case VORTAN_PIXEL_RGB555:
    case VORTAN_PIXEL_RGB565:
        if (((flags & VORTAN_BLIT_ALPHA) && srcPlane) || tinted)
            return format == VORTAN_PIXEL_RGB565 ? RowTinted565 : RowNothing;
        if (flags & VORTAN_BLIT_COLORKEY)
            return RowCopyKey<u16, 0xFFFFFFFF>;
        if (alphaOnlyPlanes)
            return RowAlphaPlane;
        return RowCopy<u16>;
    case VORTAN_PIXEL_ARGB8888:
    case VORTAN_PIXEL_ABGR8888:
        if ((flags & VORTAN_BLIT_ALPHA) || tinted)
            return RowTinted32;
        if (flags & VORTAN_BLIT_COLORKEY)
            return RowCopyKey<u32, 0xFFFFFF>;
        if (flags & VORTAN_BLIT_ALPHAONLY)
            return RowAlphaByte32;
        return RowCopy<u32>;
    default:
        return RowNothing;
    }
}

// Whether the rectangle's width and height (computed in 64 bits) fit in an int: a rectangle
// with corners near the ends of the int range would otherwise overflow every size computed
// from it.
bool SizeFitsInt(const CVortanRect& r)
{
    const i64 kMax = 0x7FFFFFFF;
    return (i64)r.right - r.left <= kMax && (i64)r.bottom - r.top <= kMax;
}

// The pixels that a cut over `distance` (a difference of two coordinates, in 64 bits) removes
// at `scale` pixels each: no more than the `extent` there is to cut (a larger cut leaves
// nothing, as the clip then finds).
int CutOf(i64 distance, float scale, int extent)
{
    float cut = (float)distance * scale;
    if (cut >= 2147483648.0f)
        return extent;
    int pixels = (int)cut;
    return pixels > extent ? extent : pixels;
}

// Clips the span [lo, hi) of one rectangle to [min, max) and cuts the matching span
// [otherLo, otherHi) of the other rectangle in proportion (`scale` of its pixels for each
// pixel cut): at the same end, or at the opposite end when mirrored.
void ClipSpan(int& lo, int& hi, int min, int max, int& otherLo, int& otherHi, float scale,
              bool mirror)
{
    if (lo < min) {
        int cut = CutOf((i64)min - lo, scale, otherHi - otherLo);
        if (mirror)
            otherHi -= cut;
        else
            otherLo += cut;
        lo = min;
    }
    if (hi > max) {
        int cut = CutOf((i64)hi - max, scale, otherHi - otherLo);
        if (mirror)
            otherLo += cut;
        else
            otherHi -= cut;
        hi = max;
    }
}

} // namespace

bool CVortanSurface::ClipStretch(CVortanRect& dst, CVortanSurface* source, CVortanRect& src,
                                 u32 flags)
{
    bool mirrorX = (flags & VORTAN_BLIT_MIRROR_X) != 0;
    bool mirrorY = (flags & VORTAN_BLIT_MIRROR_Y) != 0;
    if (dst.GetWidth() < 1 || dst.GetHeight() < 1 || src.GetWidth() < 1 || src.GetHeight() < 1)
        return false;

    // The source rectangle never reaches outside the source: a cut there removes the
    // matching target pixels (from the opposite target edge when mirrored).
    float tx = (float)dst.GetWidth() / (float)src.GetWidth();
    float ty = (float)dst.GetHeight() / (float)src.GetHeight();
    ClipSpan(src.left, src.right, 0, source->m_desc.width, dst.left, dst.right, tx, mirrorX);
    ClipSpan(src.top, src.bottom, 0, source->m_desc.height, dst.top, dst.bottom, ty, mirrorY);
    if (dst.GetWidth() < 1 || dst.GetHeight() < 1 || src.GetWidth() < 1 || src.GetHeight() < 1)
        return false;

    // The clip rectangle (unless 0x10) and always the target's own bounds.
    CVortanRect clip;
    if (flags & VORTAN_BLIT_NOCLIP)
        clip.Set(0, 0, m_desc.width, m_desc.height);
    else
        clip = ClipWithin(m_clipRect, m_desc.width, m_desc.height);
    float sx = (float)src.GetWidth() / (float)dst.GetWidth();
    float sy = (float)src.GetHeight() / (float)dst.GetHeight();
    ClipSpan(dst.left, dst.right, clip.left, clip.right, src.left, src.right, sx, mirrorX);
    ClipSpan(dst.top, dst.bottom, clip.top, clip.bottom, src.top, src.bottom, sy, mirrorY);
    return dst.GetWidth() >= 1 && dst.GetHeight() >= 1 && src.GetWidth() >= 1 &&
           src.GetHeight() >= 1;
}

int CVortanSurface::StretchRows(const CVortanRect& dst, CVortanSurface* source,
                                const CVortanRect& src, u32 color, u32 flags)
{
    int dstW = dst.GetWidth(), dstH = dst.GetHeight();
    int srcW = src.GetWidth(), srcH = src.GetHeight();
    if (dstW < 1 || dstH < 1 || srcW < 1 || srcH < 1)
        return VORTAN_OK;
    int format = m_desc.pixelFormat;
    RowRoutine routine =
        PickRow(format, flags, color, source->m_alpha != nullptr, m_alpha != nullptr);
    if (routine == RowNothing)
        return VORTAN_OK;

    int* xmap = (int*)malloc(sizeof(int) * (size_t)dstW);
    if (!xmap)
        return VORTAN_E_NOMEMORY;
    i64 stepX = ((i64)srcW << 16) / dstW;
    i64 acc = 0;
    bool mirrorX = (flags & VORTAN_BLIT_MIRROR_X) != 0;
    for (int j = 0; j < dstW; ++j) {
        int sx = (int)(acc >> 16);
        if (sx >= srcW)
            sx = srcW - 1;
        xmap[j] = mirrorX ? src.right - 1 - sx : src.left + sx;
        acc += stepX;
    }

    StretchRow r;
    r.xmap = xmap;
    r.width = dstW;
    r.key = source->m_colorKey;
    r.flags = flags;
    r.palette = VortanSurfaceAppPalette(m_application);
    r.lookup = VortanSurfaceAppPaletteLookup(m_application);
    r.ta = color >> 24;
    u32 red = (color >> 16) & 0xFF, blue = color & 0xFF;
    r.tg = (color >> 8) & 0xFF;
    // Format VORTAN_PIXEL_ABGR8888 keeps its own channel order: the tint's red goes to its red
    // byte.
    if (format == VORTAN_PIXEL_ABGR8888) {
        r.t16 = blue;
        r.t0 = red;
    } else {
        r.t16 = red;
        r.t0 = blue;
    }

    int bytes = BytesPerPixel(format);
    i64 stepY = ((i64)srcH << 16) / dstH;
    acc = 0;
    for (int i = 0; i < dstH; ++i) {
        int sy = (int)(acc >> 16);
        if (sy >= srcH)
            sy = srcH - 1;
        sy += src.top;
        acc += stepY;
        int ty = (flags & VORTAN_BLIT_MIRROR_Y) ? dst.bottom - 1 - i : dst.top + i;
        r.src = source->m_pixels + (size_t)sy * source->m_desc.pitch;
        r.dst = m_pixels + (size_t)ty * m_desc.pitch + (size_t)dst.left * bytes;
        r.srcAlpha =
            source->m_alpha ? source->m_alpha + (size_t)sy * source->m_desc.width : nullptr;
        r.dstAlpha = m_alpha ? m_alpha + (size_t)ty * m_desc.width + dst.left : nullptr;
        routine(r);
    }
    free(xmap);
    return VORTAN_OK;
}

void CVortanSurface::FilterRows(const CVortanRect& dst, CVortanSurface* source,
                                const CVortanRect& src)
{
    int dstW = dst.GetWidth(), dstH = dst.GetHeight();
    if (dstW < 1 || dstH < 1 || src.GetWidth() < 1 || src.GetHeight() < 1)
        return;
    i64 stepX = ((i64)(src.right + 1 - src.left) << 16) / dstW;
    i64 stepY = ((i64)(src.bottom + 1 - src.top) << 16) / dstH;
    int blockW = (int)(stepX >> 16) + 1;
    int blockH = (int)(stepY >> 16) + 1;
    // The blocks of every target column, computed once. Each block starts inside the
    // source rectangle, so every target pixel averages at least one source pixel.
    int* columns = (int*)malloc(sizeof(int) * 2 * (size_t)dstW);
    if (!columns)
        return;
    for (int x = 0; x < dstW; ++x) {
        int bx = src.left + (int)(((i64)x * stepX) >> 16);
        if (bx > src.right - 1)
            bx = src.right - 1;
        int bxEnd = bx + blockW;
        if (bxEnd > src.right)
            bxEnd = src.right;
        columns[2 * x] = bx;
        columns[2 * x + 1] = bxEnd;
    }
    // Same-format 32-bit surfaces average their bytes directly (the channel order does not
    // matter to a per-channel mean), two channels at a time in 16-bit lanes.
    bool fast32 = source->m_desc.pixelFormat == m_desc.pixelFormat &&
                  (m_desc.pixelFormat == VORTAN_PIXEL_ARGB8888 ||
                   m_desc.pixelFormat == VORTAN_PIXEL_ABGR8888);
    int srcFormat = source->m_desc.pixelFormat;
    const u32* palette = srcFormat == VORTAN_PIXEL_PALETTE8
                             ? VortanSurfaceAppPalette(source->m_application)
                             : nullptr;
    // floor(sum / count) as (sum * reciprocal) >> 24, exact while count <= 64 (sums stay
    // below 2^14, so the reciprocal's error never reaches the next integer).
    u32 reciprocal[65];
    reciprocal[0] = 0;
    for (u32 c = 1; c <= 64; ++c)
        reciprocal[c] = ((1u << 24) + c - 1) / c;

    // With small blocks the 32-bit path first sums each source column over the block's rows
    // (two channels per 16-bit lane pair), then adds up the block's columns.
    bool lanes = fast32 && (i64)blockW * blockH <= 64;
    int srcW = src.right - src.left;
    u32* colLo = lanes ? (u32*)malloc(sizeof(u32) * 2 * (size_t)srcW) : nullptr;
    u32* colHi = colLo ? colLo + srcW : nullptr;
    if (lanes && !colLo)
        lanes = false;

    for (int y = 0; y < dstH; ++y) {
        int by = src.top + (int)(((i64)y * stepY) >> 16);
        if (by > src.bottom - 1)
            by = src.bottom - 1;
        int byEnd = by + blockH;
        if (byEnd > src.bottom)
            byEnd = src.bottom;
        int rows = byEnd - by;
        int ty = dst.top + y;
        u32* out32 = (u32*)(m_pixels + (size_t)ty * m_desc.pitch);
        if (lanes) {
            memset(colLo, 0, sizeof(u32) * 2 * (size_t)srcW);
            for (int py = by; py < byEnd; ++py) {
                const u32* p =
                    (const u32*)(source->m_pixels + (size_t)py * source->m_desc.pitch) + src.left;
                for (int i = 0; i < srcW; ++i) {
                    u32 v = p[i];
                    colLo[i] += v & 0x00FF00FF;
                    colHi[i] += (v >> 8) & 0x00FF00FF;
                }
            }
        }
        for (int x = 0; x < dstW; ++x) {
            int bx = columns[2 * x], bxEnd = columns[2 * x + 1];
            u32 count = (u32)(rows * (bxEnd - bx));
            u32 a, c2, c1, c0;
            if (lanes) {
                u32 lo = 0, hi = 0; // lanes: bits 0-7 and 16-23, bits 8-15 and 24-31
                for (int px = bx - src.left; px < bxEnd - src.left; ++px) {
                    lo += colLo[px];
                    hi += colHi[px];
                }
                u64 r = reciprocal[count];
                c0 = (u32)(((lo & 0xFFFF) * r) >> 24);
                c2 = (u32)(((lo >> 16) * r) >> 24);
                c1 = (u32)(((hi & 0xFFFF) * r) >> 24);
                a = (u32)(((hi >> 16) * r) >> 24);
            } else {
                u32 s3 = 0, s2 = 0, s1 = 0, s0 = 0;
                for (int py = by; py < byEnd; ++py) {
                    const u8* row = source->m_pixels + (size_t)py * source->m_desc.pitch;
                    const u8* alphaRow = source->m_alpha
                                             ? source->m_alpha + (size_t)py * source->m_desc.width
                                             : nullptr;
                    for (int px = bx; px < bxEnd; ++px) {
                        u32 c = fast32 ? ((const u32*)row)[px]
                                       : VortanDecodeNative(srcFormat, row, px, alphaRow, palette);
                        s3 += c >> 24;
                        s2 += (c >> 16) & 0xFF;
                        s1 += (c >> 8) & 0xFF;
                        s0 += c & 0xFF;
                    }
                }
                if (!count)
                    continue;
                a = Sat255(s3 / count);
                c2 = Sat255(s2 / count);
                c1 = Sat255(s1 / count);
                c0 = Sat255(s0 / count);
            }
            u32 value = (a << 24) | (c2 << 16) | (c1 << 8) | c0;
            int tx = dst.left + x;
            if (fast32)
                out32[tx] = value;
            else
                WritePixel(tx, ty, value);
            if (m_alpha)
                m_alpha[(size_t)ty * m_desc.width + tx] = (u8)a;
        }
    }
    free(colLo);
    free(columns);
}

int CVortanSurface::StretchCore(const CVortanRect& dst, CVortanSurface* source,
                                const CVortanRect& src, u32 color, u32 flags)
{
    m_lockFlags = 0;
    source->m_lockFlags = 0;
    int result = StretchRows(dst, source, src, color, flags);
    RefreshTexture();
    if (source != this)
        source->RefreshTexture();
    return result;
}

int CVortanSurface::StretchFiltered(const CVortanRect& dst, CVortanSurface* source,
                                    const CVortanRect& src)
{
    m_lockFlags = 0;
    source->m_lockFlags = 0;
    FilterRows(dst, source, src);
    RefreshTexture();
    if (source != this)
        source->RefreshTexture();
    return VORTAN_OK;
}

int CVortanSurface::BlitStretch(const CVortanRect* dstRect, IVortanGraphicsContext* context,
                                const CVortanRect* srcRect, u32 flags)
{
    m_lockFlags = 0;
    return StretchFrom(dstRect, context, srcRect, 0xFFFFFFFF, flags);
}

int CVortanSurface::BlitStretchTinted(const CVortanRect* dstRect, IVortanGraphicsContext* context,
                                      const CVortanRect* srcRect, u32 color, u32 flags)
{
    m_lockFlags = 0;
    if ((color >> 24) == 0)
        return VORTAN_OK;
    return StretchFrom(dstRect, context, srcRect, color, flags | VORTAN_BLIT_ALPHA);
}

int CVortanSurface::StretchFrom(const CVortanRect* dstRect, IVortanGraphicsContext* context,
                                const CVortanRect* srcRect, u32 color, u32 flags)
{
    CVortanSurface* source = nullptr;
    int result = BlitSource(this, context, &source);
    if (result != VORTAN_OK)
        return result;
    CVortanRect dst, src;
    RectOrWhole(dstRect, &dst);
    source->RectOrWhole(srcRect, &src);
    if (!SizeFitsInt(dst) || !SizeFitsInt(src))
        return VORTAN_E_ARGUMENT;
    if (!ClipStretch(dst, source, src, flags))
        return VORTAN_OK;
    if ((flags & VORTAN_BLIT_FILTERED) && m_desc.pixelFormat != VORTAN_PIXEL_PALETTE8)
        return StretchFiltered(dst, source, src);
    // The rows read the source in the target's format: another format is refused.
    if (source->m_desc.pixelFormat != m_desc.pixelFormat)
        return VORTAN_E_VERSION;
    return StretchCore(dst, source, src, color, flags);
}
