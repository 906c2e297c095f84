// CVortanSurface: the software blits (plain, alpha-blended, tinted and rotated).
//
// Every blit reads its source in the target's pixel format, so a source of another format
// is refused with VORTAN_E_VERSION. The source rectangle is clipped to the source, the target
// rectangle to the clip rectangle (unless flag VORTAN_BLIT_NOCLIP) and always to the target itself.
// The pixel loops are plain integer code: let the compiler vectorise them even where the build's
// optimisation level would not.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC optimize("tree-vectorize")
#endif
#include <math.h>
#include <string.h>

#include "engine/graphics/VortanSoftDraw.h"
#include "engine/graphics/VortanSurfaceApp.h"
#include "engine/graphics/VortanSurfaceFormats.h"

using namespace VortanSoft;

namespace {

// One clipped blit: rows of the target from (x, y), each reading a source row from its first
// drawn pixel with a step of +1 or -1 pixels (mirrored).
struct BlitJob {
    u8* dst; // first target pixel
    int dstPitch;
    const u8* src; // source pixel drawn at the first target pixel
    int srcPitch;  // bytes to the source row drawn below (negative when mirrored vertically)
    int srcStep;   // +1, or -1 when mirrored horizontally
    u8* dstAlpha;  // target alpha plane at the first pixel, or null
    int dstAlphaPitch;
    const u8* srcAlpha; // source alpha plane at the first drawn pixel, or null
    int srcAlphaPitch;
    int width;
    int height;
    u32 key;
    u32 flags;
    int format;
    const u32* palette;
    const u8* lookup;
    u32 t2, t1, t0, tint; // tint channels at bits 16-23, 8-15, 0-7 and the tint alpha
};

// --- pixel access by size --------------------------------------------------------------------

struct Pix8 {
    typedef u8 T;
    static u32 Load(const u8* p, int i) { return p[i]; }
    static void Store(u8* p, int i, u32 v) { p[i] = (u8)v; }
};
struct Pix16 {
    static u32 Load(const u8* p, int i) { return ((const u16*)p)[i]; }
    static void Store(u8* p, int i, u32 v) { ((u16*)p)[i] = (u16)v; }
};
struct Pix24 {
    static u32 Load(const u8* p, int i)
    {
        const u8* q = p + i * 3;
        return (u32)q[0] | ((u32)q[1] << 8) | ((u32)q[2] << 16);
    }
    static void Store(u8* p, int i, u32 v)
    {
        u8* q = p + i * 3;
        q[0] = (u8)v;
        q[1] = (u8)(v >> 8);
        q[2] = (u8)(v >> 16);
    }
};
struct Pix32 {
    static u32 Load(const u8* p, int i) { return ((const u32*)p)[i]; }
    static void Store(u8* p, int i, u32 v) { ((u32*)p)[i] = v; }
};

// Pixel i of a row of `bytes`-byte pixels (1 to 4), for loops that do not specialise by size.
inline u32 LoadPixel(const u8* row, int i, int bytes)
{
    switch (bytes) {
    case 1:
        return Pix8::Load(row, i);
    case 2:
        return Pix16::Load(row, i);
    case 3:
        return Pix24::Load(row, i);
    default:
        return Pix32::Load(row, i);
    }
}

inline void StorePixel(u8* row, int i, int bytes, u32 v)
{
    switch (bytes) {
    case 1:
        Pix8::Store(row, i, v);
        break;
    case 2:
        Pix16::Store(row, i, v);
        break;
    case 3:
        Pix24::Store(row, i, v);
        break;
    default:
        Pix32::Store(row, i, v);
        break;
    }
}

// Calls draw(row, i, sp, a) for pixel i of each target row whose source pixel sp (read with P)
// the colour key does not drop and whose alpha a is not 0. With AlphaInPixel (32-bit words)
// the alpha is the pixel's top byte and the key compares the colour bits only; otherwise the
// alpha comes from the source's alpha plane, 255 without one.
template <typename P, bool AlphaInPixel, typename Draw>
void ForEachDrawnPixel(const BlitJob& j, Draw draw)
{
    bool keyed = (j.flags & VORTAN_BLIT_COLORKEY) != 0;
    const u32 keyMask = AlphaInPixel ? 0xFFFFFF : 0xFFFFFFFF;
    for (int y = 0; y < j.height; ++y) {
        const u8* s = j.src + (ptrdiff_t)y * j.srcPitch;
        const u8* sa = j.srcAlpha ? j.srcAlpha + (ptrdiff_t)y * j.srcAlphaPitch : nullptr;
        u8* d = j.dst + (ptrdiff_t)y * j.dstPitch;
        for (int i = 0; i < j.width; ++i) {
            u32 sp = P::Load(s, i * j.srcStep);
            if (keyed && (sp & keyMask) == j.key)
                continue;
            u32 a = AlphaInPixel ? sp >> 24 : sa ? sa[i * j.srcStep] : 255;
            if (a == 0)
                continue;
            draw(d, i, sp, a);
        }
    }
}

void CopyAlphaPlaneRows(const BlitJob& j)
{
    for (int y = 0; y < j.height; ++y) {
        const u8* s = j.srcAlpha + (ptrdiff_t)y * j.srcAlphaPitch;
        u8* d = j.dstAlpha + (ptrdiff_t)y * j.dstAlphaPitch;
        if (j.srcStep == 1) {
            memmove(d, s, (size_t)j.width);
        } else {
            for (int i = 0; i < j.width; ++i)
                d[i] = s[-i];
        }
    }
}

// Plain rows: key skipping, half blend or a copy. Format VORTAN_PIXEL_PALETTE8 half-blends as a
// checkerboard.
template <typename P>
void PlainRows(const BlitJob& j)
{
    bool keyed = (j.flags & VORTAN_BLIT_COLORKEY) != 0;
    bool half = (j.flags & VORTAN_BLIT_HALFBLEND) != 0;
    bool checker = half && j.format == VORTAN_PIXEL_PALETTE8;
    u32 mask = HalfBlendMask(j.format);
    int bytes = CVortanSurface::BytesPerPixel(j.format);
    u32 keyMask = bytes == 4 ? 0xFFFFFF : 0xFFFFFFFF;
    for (int y = 0; y < j.height; ++y) {
        const u8* s = j.src + (ptrdiff_t)y * j.srcPitch;
        u8* d = j.dst + (ptrdiff_t)y * j.dstPitch;
        if (!keyed && !half) {
            if (j.srcStep == 1) {
                memmove(d, s, (size_t)j.width * bytes);
            } else {
                for (int i = 0; i < j.width; ++i)
                    P::Store(d, i, P::Load(s, -i));
            }
            continue;
        }
        for (int i = 0; i < j.width; ++i) {
            u32 v = P::Load(s, i * j.srcStep);
            if (keyed && (v & keyMask) == j.key)
                continue;
            if (checker) {
                if (((i ^ y) & 1) == 0)
                    P::Store(d, i, v);
            } else if (half) {
                P::Store(d, i, ((P::Load(d, i) & mask) >> 1) + ((v & mask) >> 1));
            } else {
                P::Store(d, i, v);
            }
        }
    }
}

// 32-bit alpha byte only: the source's alpha replaces the target's, the colours stay.
void AlphaByteRows(const BlitJob& j)
{
    for (int y = 0; y < j.height; ++y) {
        const u32* s = (const u32*)(j.src + (ptrdiff_t)y * j.srcPitch);
        u32* d = (u32*)(j.dst + (ptrdiff_t)y * j.dstPitch);
        for (int i = 0; i < j.width; ++i)
            d[i] = (d[i] & 0x00FFFFFF) | (s[i * j.srcStep] & 0xFF000000);
    }
}

// source + target x (255 - a) >> 8 on the three colour bytes of a 32-bit word, each sum
// saturated at 255; the target's alpha byte is kept.
inline u32 BlendPremultiplied32(u32 d, u32 s, u32 a)
{
    u32 inv = 255 - a;
    u32 rb = ((((d & 0x00FF00FF) * inv) >> 8) & 0x00FF00FF) + (s & 0x00FF00FF);
    u32 g = ((((d & 0x0000FF00) * inv) >> 8) & 0x0000FF00) + (s & 0x0000FF00);
    u32 over = rb & 0x01000100;
    rb = (rb | (over - (over >> 8))) & 0x00FF00FF;
    over = g & 0x00010000;
    g = (g | (over - (over >> 8))) & 0x0000FF00;
    return (d & 0xFF000000) | rb | g;
}

void AlphaRows32(const BlitJob& j)
{
    bool keyed = (j.flags & VORTAN_BLIT_COLORKEY) != 0;
    if (!keyed && j.srcStep == 1) {
        // Without a key the row needs no branch: an opaque source pixel blends to itself
        // (the target is scaled by 0) and a transparent one keeps the target.
        for (int y = 0; y < j.height; ++y) {
            const u32* s = (const u32*)(j.src + (ptrdiff_t)y * j.srcPitch);
            u32* d = (u32*)(j.dst + (ptrdiff_t)y * j.dstPitch);
            for (int i = 0; i < j.width; ++i) {
                u32 sp = s[i], dp = d[i];
                u32 a = sp >> 24;
                u32 blended = BlendPremultiplied32(dp, sp, a);
                d[i] = a ? blended : dp;
            }
        }
        return;
    }
    ForEachDrawnPixel<Pix32, true>(j, [](u8* row, int i, u32 sp, u32 a) {
        u32* d = (u32*)row;
        if (a == 255)
            d[i] = (d[i] & 0xFF000000) | (sp & 0x00FFFFFF);
        else
            d[i] = BlendPremultiplied32(d[i], sp, a);
    });
}

// Channel layout of the 16- and 24-bit formats: shift and largest value of each field.
struct Fields {
    int shift[3];
    u32 max[3];
};

Fields FieldsOf(int format)
{
    switch (format) {
    case VORTAN_PIXEL_RGB444:
        return {{8, 4, 0}, {15, 15, 15}};
    case VORTAN_PIXEL_RGB555:
        return {{10, 5, 0}, {31, 31, 31}};
    case VORTAN_PIXEL_RGB565:
        return {{11, 5, 0}, {31, 63, 31}};
    default: // 24-bit bytes
        return {{16, 8, 0}, {255, 255, 255}};
    }
}

// Alpha rows of formats VORTAN_PIXEL_RGB444 to VORTAN_PIXEL_RGB888: alpha from the source's alpha
// plane, each field blended as it is (source + target x (255 - a) >> 8, saturated at the field's
// largest value).
template <typename P>
void AlphaRowsFields(const BlitJob& j)
{
    Fields f = FieldsOf(j.format);
    ForEachDrawnPixel<P, false>(j, [&f](u8* d, int i, u32 sp, u32 a) {
        if (a == 255) {
            P::Store(d, i, sp);
            return;
        }
        u32 dp = P::Load(d, i), out = 0;
        for (int c = 0; c < 3; ++c) {
            u32 sv = (sp >> f.shift[c]) & f.max[c], dv = (dp >> f.shift[c]) & f.max[c];
            u32 v = sv + ((dv * (255 - a)) >> 8);
            out |= (v > f.max[c] ? f.max[c] : v) << f.shift[c];
        }
        P::Store(d, i, out);
    });
}

void AlphaRows8(const BlitJob& j)
{
    ForEachDrawnPixel<Pix8, false>(j, [&j](u8* d, int i, u32 si, u32 a) {
        if (a == 255) {
            d[i] = (u8)si;
            return;
        }
        u32 sc = j.palette ? j.palette[si] : 0, dc = j.palette ? j.palette[d[i]] : 0;
        u32 c[3];
        for (int k = 0; k < 3; ++k) {
            int sh = 16 - k * 8;
            c[k] = Sat255(((sc >> sh) & 0xFF) + ((((dc >> sh) & 0xFF) * (255 - a)) >> 8));
        }
        d[i] = (u8)VortanPaletteIndex(j.lookup, c[0], c[1], c[2]);
    });
}

// --- tinted rows ---------------------------------------------------------------------------------

// One tinted channel: the target scaled by (255 - a) plus tint x source, saturated; then the
// tint alpha T mixes it with the target.
inline u32 TintChannel(u32 d, u32 s, u32 a, u32 t, u32 T)
{
    u32 c = Sat255(((d * (255 - a)) >> 8) + ((t * s) >> 8));
    if (T != 255)
        c = ((255 - T) * d + T * c) >> 8;
    return c;
}

// The three tinted channels c of target channels d and source channels s (see Split888).
inline void TintChannels(const BlitJob& j, u32 a, const u32 d[3], const u32 s[3], u32 c[3])
{
    c[0] = TintChannel(d[0], s[0], a, j.t2, j.tint);
    c[1] = TintChannel(d[1], s[1], a, j.t1, j.tint);
    c[2] = TintChannel(d[2], s[2], a, j.t0, j.tint);
}

void TintedRows32(const BlitJob& j)
{
    ForEachDrawnPixel<Pix32, true>(j, [&j](u8* row, int i, u32 sp, u32 a) {
        u32* d = (u32*)row;
        u32 dc[3], sc[3], c[3];
        Split888(d[i], dc);
        Split888(sp, sc);
        TintChannels(j, a, dc, sc, c);
        d[i] = (a << 24) | Join888(c);
    });
}

void TintedRows565(const BlitJob& j)
{
    ForEachDrawnPixel<Pix16, false>(j, [&j](u8* row, int i, u32 sp, u32 a) {
        u32 dc[3], sc[3], c[3];
        Split565(Pix16::Load(row, i), dc);
        Split565(sp, sc);
        TintChannels(j, a, dc, sc, c);
        Pix16::Store(row, i, Join565(c));
    });
}

void TintedRows8(const BlitJob& j)
{
    ForEachDrawnPixel<Pix8, false>(j, [&j](u8* d, int i, u32 si, u32 a) {
        u32 dc[3], sc[3], c[3];
        Split888(j.palette ? j.palette[d[i]] : 0, dc);
        Split888(j.palette ? j.palette[si] : 0, sc);
        TintChannels(j, a, dc, sc, c);
        d[i] = (u8)VortanPaletteIndex(j.lookup, c[0], c[1], c[2]);
    });
}

} // namespace

// Prepares a blit job: resolves the source, the centring and the clipping. Returns VORTAN_OK with
// *ready true when there is something to draw, or the result code to return.
static int PrepareBlit(CVortanSurface* target, int x, int y, IVortanGraphicsContext* context,
                       const CVortanRect* srcRect, u32 flags, const CVortanRect& clipRect,
                       BlitJob* job, CVortanSurface** sourceOut, bool* ready)
{
    *ready = false;
    int result = BlitSource(target, context, sourceOut);
    if (result != VORTAN_OK)
        return result;
    CVortanSurface* source = *sourceOut;
    int format = target->GetPixelFormat();
    if (source->GetPixelFormat() != format)
        return VORTAN_E_VERSION;
    int sw = source->GetWidth(), sh = source->GetHeight();
    int tw = target->GetWidth(), th = target->GetHeight();
    CVortanRect src;
    if (srcRect)
        src = *srcRect;
    else
        src.Set(0, 0, sw, sh);
    if (flags & VORTAN_BLIT_CENTER_X)
        x = (tw >> 1) - (src.GetWidth() >> 1);
    if (flags & VORTAN_BLIT_CENTER_Y)
        y = (th >> 1) - (src.GetHeight() >> 1);
    CVortanRect clip;
    if (flags & VORTAN_BLIT_NOCLIP) {
        clip.Set(0, 0, tw, th);
    } else {
        clip = ClipWithin(clipRect, tw, th);
    }
    if (!ClipBlit(&x, &y, &src, sw, sh, clip, flags))
        return VORTAN_OK;

    int bytes = CVortanSurface::BytesPerPixel(format);
    bool mx = (flags & VORTAN_BLIT_MIRROR_X) != 0;
    bool my = (flags & VORTAN_BLIT_MIRROR_Y) != 0;
    int sx = mx ? src.right - 1 : src.left;
    int sy = my ? src.bottom - 1 : src.top;
    memset(job, 0, sizeof(*job));
    job->width = src.GetWidth();
    job->height = src.GetHeight();
    job->dst = target->GetPixels() + (size_t)y * target->GetPitch() + (size_t)x * bytes;
    job->dstPitch = target->GetPitch();
    job->src = source->GetPixels() + (size_t)sy * source->GetPitch() + (size_t)sx * bytes;
    job->srcPitch = my ? -source->GetPitch() : source->GetPitch();
    job->srcStep = mx ? -1 : 1;
    if (target->GetAlphaPlane()) {
        job->dstAlpha = target->GetAlphaPlane() + (size_t)y * tw + x;
        job->dstAlphaPitch = tw;
    }
    if (source->GetAlphaPlane()) {
        job->srcAlpha = source->GetAlphaPlane() + (size_t)sy * sw + sx;
        job->srcAlphaPitch = my ? -sw : sw;
    }
    job->key = source->GetColorKey();
    job->flags = flags;
    job->format = format;
    job->palette = VortanSurfaceAppPalette(target->GetApplication());
    job->lookup = VortanSurfaceAppPaletteLookup(target->GetApplication());
    *ready = true;
    return VORTAN_OK;
}

int CVortanSurface::Blit(int x, int y, IVortanGraphicsContext* context, const CVortanRect* srcRect,
                         u32 flags)
{
    m_lockFlags = 0;
    CVortanSurface* source = AsSurface(context);
    if (source &&
        !(source->m_desc.pixelFormat == VORTAN_PIXEL_ARGB8888 ||
          source->m_desc.pixelFormat == VORTAN_PIXEL_ABGR8888) &&
        !source->m_alpha)
        flags &= ~(u32)VORTAN_BLIT_ALPHA;

    // The whole of a surface of the same size and format at the origin: one block copy.
    if (source && source != this && !srcRect && x == 0 && y == 0 && flags == 0 && m_pixels &&
        source->m_pixels && source->m_desc.width == m_desc.width &&
        source->m_desc.height == m_desc.height &&
        source->m_desc.pixelFormat == m_desc.pixelFormat && BytesPerPixel(m_desc.pixelFormat)) {
        source->m_lockFlags = 0;
        int rowBytes = m_desc.width * BytesPerPixel(m_desc.pixelFormat);
        if (source->m_desc.pitch == m_desc.pitch &&
            (u32)((i64)m_desc.pitch * m_desc.height) <= m_dataSize &&
            (u32)((i64)m_desc.pitch * m_desc.height) <= source->m_dataSize)
            memcpy(m_pixels, source->m_pixels, (size_t)m_desc.pitch * m_desc.height);
        else
            CopyRows(m_pixels, m_desc.pitch, source->m_pixels, source->m_desc.pitch, m_desc.height,
                     rowBytes);
        if (m_alpha && source->m_alpha)
            memcpy(m_alpha, source->m_alpha, (size_t)m_desc.width * m_desc.height);
        return VORTAN_OK;
    }

    BlitJob job;
    bool ready = false;
    int result =
        PrepareBlit(this, x, y, context, srcRect, flags, m_clipRect, &job, &source, &ready);
    if (!ready)
        return result;
    int format = m_desc.pixelFormat;
    if (flags & VORTAN_BLIT_ALPHA) {
        switch (format) {
        case VORTAN_PIXEL_PALETTE8:
            AlphaRows8(job);
            break;
        case VORTAN_PIXEL_RGB444:
        case VORTAN_PIXEL_RGB555:
        case VORTAN_PIXEL_RGB565:
            AlphaRowsFields<Pix16>(job);
            break;
        case VORTAN_PIXEL_RGB888:
            AlphaRowsFields<Pix24>(job);
            break;
        default:
            AlphaRows32(job);
            break;
        }
    } else if (format == VORTAN_PIXEL_ARGB8888 || format == VORTAN_PIXEL_ABGR8888) {
        if (!(flags & VORTAN_BLIT_COLORKEY) && (flags & VORTAN_BLIT_ALPHAONLY))
            AlphaByteRows(job);
        else
            PlainRows<Pix32>(job);
    } else {
        if (job.srcAlpha && job.dstAlpha)
            CopyAlphaPlaneRows(job);
        if (!(flags & VORTAN_BLIT_ALPHAONLY)) {
            switch (format) {
            case VORTAN_PIXEL_PALETTE8:
                PlainRows<Pix8>(job);
                break;
            case VORTAN_PIXEL_RGB888:
                PlainRows<Pix24>(job);
                break;
            default:
                PlainRows<Pix16>(job);
                break;
            }
        }
    }
    RefreshTexture();
    if (source != this)
        source->RefreshTexture();
    return VORTAN_OK;
}

int CVortanSurface::BlitTinted(int x, int y, IVortanGraphicsContext* context,
                               const CVortanRect* srcRect, u32 color, u32 flags)
{
    m_lockFlags = 0;
    if ((color >> 24) == 0)
        return VORTAN_OK;
    int format = m_desc.pixelFormat;
    if (m_pixels && format != VORTAN_PIXEL_PALETTE8 && format != VORTAN_PIXEL_RGB565 &&
        format != VORTAN_PIXEL_ARGB8888 && format != VORTAN_PIXEL_ABGR8888)
        return VORTAN_E_VERSION;
    BlitJob job;
    CVortanSurface* source = nullptr;
    bool ready = false;
    int result =
        PrepareBlit(this, x, y, context, srcRect, flags, m_clipRect, &job, &source, &ready);
    if (!ready)
        return result;
    // Format VORTAN_PIXEL_ABGR8888 keeps its own channel order: the tint's red goes to its red
    // byte.
    u32 tint = format == VORTAN_PIXEL_ABGR8888 ? SwapRB(color) : color;
    job.t2 = (tint >> 16) & 0xFF;
    job.t1 = (tint >> 8) & 0xFF;
    job.t0 = tint & 0xFF;
    job.tint = color >> 24;
    switch (format) {
    case VORTAN_PIXEL_PALETTE8:
        TintedRows8(job);
        break;
    case VORTAN_PIXEL_RGB565:
        TintedRows565(job);
        break;
    default:
        TintedRows32(job);
        break;
    }
    RefreshTexture();
    if (source != this)
        source->RefreshTexture();
    return VORTAN_OK;
}

int CVortanSurface::BlitRotated(int x, int y, IVortanGraphicsContext* context, float angle,
                                int size, u32 flags)
{
    m_lockFlags = 0;
    CVortanSurface* source = nullptr;
    int result = BlitSource(this, context, &source);
    if (result != VORTAN_OK)
        return result;
    int format = m_desc.pixelFormat;
    int bytes = BytesPerPixel(format);
    if (!bytes)
        return VORTAN_E_VERSION;
    if (source->m_desc.pixelFormat != format)
        return VORTAN_E_VERSION;
    if (size <= 0)
        return VORTAN_OK;
    int tw = m_desc.width, th = m_desc.height;
    if (flags & VORTAN_BLIT_CENTER_X)
        x = tw / 2;
    if (flags & VORTAN_BLIT_CENTER_Y)
        y = th / 2;
    if ((i64)x < -(i64)size || (i64)y < -(i64)size || (i64)x > (i64)tw + size ||
        (i64)y > (i64)th + size)
        return VORTAN_OK;

    int sw = source->m_desc.width, sh = source->m_desc.height;
    i64 d = (i64)size * 10 / 7;
    if (d < 1)
        d = 1;
    i64 du = (i64)sw * (i64)(int)(sin((double)angle) * 65535.0) / d;
    i64 dv = (i64)sw * (i64)(int)(cos((double)angle) * 65535.0) / d;
    i64 centre = sw / 2;

    CVortanRect clip = ClipWithin(m_clipRect, tw, th);

    bool keyed = (flags & VORTAN_BLIT_COLORKEY) != 0;
    bool half = (flags & VORTAN_BLIT_HALFBLEND) != 0;
    u32 mask = HalfBlendMask(format);
    u32 keyMask = bytes == 4 ? 0xFFFFFF : 0xFFFFFFFF;
    u32 key = source->m_colorKey;

    // Only the rows and columns inside the clip are walked; the accumulators start at the
    // values they would have reached from the square's top-left pixel.
    i64 top = (i64)y - size, leftEdge = (i64)x - size;
    i64 rowFrom = top < clip.top ? clip.top : top;
    i64 rowTo = (i64)y + size < clip.bottom ? (i64)y + size : clip.bottom;
    i64 colFrom = leftEdge < clip.left ? clip.left : leftEdge;
    i64 colTo = (i64)x + size < clip.right ? (i64)x + size : clip.right;
    for (i64 ty = rowFrom; ty < rowTo; ++ty) {
        i64 k = ty - top, m = colFrom - leftEdge;
        i64 U = -(i64)size * (dv + du) + k * du + m * dv;
        i64 V = -(i64)size * (dv - du) + k * dv - m * du;
        u8* drow = m_pixels + (size_t)ty * m_desc.pitch;
        for (i64 tx = colFrom; tx < colTo; ++tx, U += dv, V -= du) {
            i64 u = centre + (U >> 16), v = centre + (V >> 16);
            if (u < 0 || u >= sw || v < 0 || v >= sh)
                continue;
            const u8* srow = source->m_pixels + (size_t)v * source->m_desc.pitch;
            u32 s = LoadPixel(srow, (int)u, bytes);
            if (keyed && (s & keyMask) == key)
                continue;
            if (half) {
                if (format == VORTAN_PIXEL_PALETTE8) {
                    if (((tx ^ ty) & 1) != 0)
                        continue;
                } else {
                    u32 t = LoadPixel(drow, (int)tx, bytes);
                    s = ((t & mask) >> 1) + ((s & mask) >> 1);
                }
            }
            StorePixel(drow, (int)tx, bytes, s);
        }
    }
    RefreshTexture();
    if (source != this)
        source->RefreshTexture();
    return VORTAN_OK;
}
