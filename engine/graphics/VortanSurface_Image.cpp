// CVortanSurface: images decoded with gdk-pixbuf into surfaces (premultiplied, with the
// "_alpha" companion), and surfaces saved as JPEG, PNG or BMP.
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gio/gio.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "engine/VortanDataScrambler.h"
#include "engine/VortanFile.h"
#include "engine/VortanMediaPack.h"
#include "engine/graphics/VortanSurface.h"
#include "engine/graphics/VortanSurfaceApp.h"
#include "engine/graphics/VortanSurfaceFormats.h"

namespace {

// v * a / 255 for every alpha a and channel v (premultiplication without a division).
struct PremultiplyTable {
    PremultiplyTable()
    {
        for (u32 a = 0; a < 256; ++a)
            for (u32 v = 0; v < 256; ++v)
                value[a][v] = (u8)(v * a / 255);
    }
    u8 value[256][256];
};

const PremultiplyTable& Premultiplied()
{
    static const PremultiplyTable table;
    return table;
}

// Largest encoded image read into memory, and the largest size a scaled decode may ask for.
const int kMaxEncodedBytes = 256 * 1024 * 1024;
const int kMaxScaledSide = 16384;

// Decodes encoded bytes into a pixbuf: at its own size, or scaled to width x height
// (aspect not kept; a side of 0 keeps the image's own size on that side).
GdkPixbuf* DecodePixbuf(const void* data, int size, int width, int height)
{
    GInputStream* stream = g_memory_input_stream_new_from_data(data, size, nullptr);
    if (!stream)
        return nullptr;
    GError* error = nullptr;
    GdkPixbuf* pixbuf;
    if (width || height)
        pixbuf = gdk_pixbuf_new_from_stream_at_scale(
            stream, width > 0 ? width : -1, height > 0 ? height : -1, FALSE, nullptr, &error);
    else
        pixbuf = gdk_pixbuf_new_from_stream(stream, nullptr, &error);
    if (error)
        g_error_free(error);
    g_input_stream_close(stream, nullptr, nullptr);
    g_object_unref(stream);
    return pixbuf;
}

// The companion's name: "ship.png" -> "ship_alpha.png"; false without a ".".
bool CompanionName(const CVortanString& name, CVortanString& out)
{
    int dot = name.ReverseFind('.');
    if (dot < 0)
        return false;
    CVortanString stem(name, 0, dot);
    CVortanString ext(name, dot, name.GetLength() - dot);
    out = stem;
    out += CVortanString("_alpha");
    out += ext;
    return true;
}

} // namespace

int CVortanSurface::ConvertFrom(const u8* src, int srcWidth, int srcHeight, int srcPitch,
                                int srcLayout, int srcBytesPerPixel, int takeAlpha, int premultiply,
                                IVortanApplication* application, const CVortanSurfaceDesc* desc)
{
    if (!src || srcWidth <= 0 || srcHeight <= 0)
        return VORTAN_E_ARGUMENT;
    CVortanSurfaceDesc d = CVortanSurfaceDesc::From(desc);
    u32 flags = d.flags;
    d.width = srcWidth;
    d.height = srcHeight;
    d.pitch = 0;
    // The mirror is made once the pixels are in (by the caller); none is needed before.
    d.flags &= ~(u32)VORTAN_SURFACE_TEXTURE;
    int result = Create(application, &d);
    if (result != VORTAN_OK)
        return result;
    m_desc.flags = flags;
    int format = m_desc.pixelFormat;
    bool hasAlpha = srcBytesPerPixel == 4;
    bool alpha = takeAlpha && hasAlpha;
    if (takeAlpha && (format >= VORTAN_PIXEL_PALETTE8 && format <= VORTAN_PIXEL_RGB565)) {
        result = CreateAlphaPlane();
        if (result != VORTAN_OK) {
            Release();
            return result;
        }
    }
    bool premul = premultiply && hasAlpha;
    // Bytes R, G, B(, A) into 32-bit pixels: the common case, without the per-pixel switch.
    if (srcLayout == VORTAN_PIXEL_ABGR8888 &&
        (format == VORTAN_PIXEL_ARGB8888 || format == VORTAN_PIXEL_ABGR8888)) {
        int ri = format == VORTAN_PIXEL_ABGR8888 ? 0 : 2, bi = 2 - ri;
        const PremultiplyTable& table = Premultiplied();
        Lock(nullptr, 0);
        for (int y = 0; y < srcHeight; ++y) {
            const u8* s = src + (size_t)y * srcPitch;
            u8* out = m_pixels + (size_t)y * m_desc.pitch;
            for (int x = 0; x < srcWidth; ++x, s += srcBytesPerPixel, out += 4) {
                u32 r = s[0], g = s[1], b = s[2], a = alpha ? s[3] : 255;
                if (premul && a < 255) {
                    const u8* t = table.value[a];
                    r = t[r];
                    g = t[g];
                    b = t[b];
                }
                out[ri] = (u8)r;
                out[1] = (u8)g;
                out[bi] = (u8)b;
                out[3] = (u8)a;
            }
        }
        return Unlock();
    }
    const u8* lookup =
        format == VORTAN_PIXEL_PALETTE8 ? VortanSurfaceAppPaletteLookup(m_application) : nullptr;
    Lock(nullptr, 0);
    for (int y = 0; y < srcHeight; ++y) {
        const u8* s = src + (size_t)y * srcPitch;
        u8* row = m_pixels + (size_t)y * m_desc.pitch;
        u8* alphaRow = m_alpha ? m_alpha + (size_t)y * m_desc.width : nullptr;
        for (int x = 0; x < srcWidth; ++x) {
            u32 r, g, b, a = 255;
            switch (srcLayout) {
            case VORTAN_PIXEL_ARGB8888: {
                const u8* p = s + (size_t)x * srcBytesPerPixel;
                b = p[0];
                g = p[1];
                r = p[2];
                if (alpha)
                    a = p[3];
                break;
            }
            case VORTAN_PIXEL_RGB565: {
                u32 p = ((const u16*)s)[x];
                r = (p >> 8) & 0xF8;
                g = (p >> 3) & 0xFC;
                b = (p & 31) * 8;
                break;
            }
            case VORTAN_PIXEL_RGB555: {
                u32 p = ((const u16*)s)[x];
                r = (p >> 7) & 0xF8;
                g = (p >> 2) & 0xF8;
                b = (p & 31) * 8;
                break;
            }
            case VORTAN_PIXEL_RGB444: {
                u32 p = ((const u16*)s)[x];
                r = (p >> 4) & 0xF0;
                g = p & 0xF0;
                b = (p & 15) * 16;
                break;
            }
            default: {
                const u8* p = s + (size_t)x * srcBytesPerPixel;
                r = p[0];
                g = p[1];
                b = p[2];
                if (alpha)
                    a = p[3];
                break;
            }
            }
            if (premul && a < 255) {
                r = r * a / 255;
                g = g * a / 255;
                b = b * a / 255;
            }
            VortanEncodeNative(format, row, x, (a << 24) | (r << 16) | (g << 8) | b, lookup);
            if (alphaRow)
                alphaRow[x] = (u8)a;
        }
    }
    return Unlock();
}

int CVortanSurface::DecodeFile(CVortanFile* file, int size, IVortanApplication* application,
                               const CVortanSurfaceDesc* desc)
{
    if (size <= 0)
        return VORTAN_E_VERSION;
    if (!file || size > kMaxEncodedBytes)
        return VORTAN_E_NOMEMORY;
    u8* buffer = (u8*)malloc((size_t)size);
    if (!buffer)
        return VORTAN_E_NOMEMORY;
    int got = file->Read(buffer, size);
    if (got != size) {
        free(buffer);
        return VORTAN_E_MALFORMED;
    }
    int result = LoadFromMemory(application, buffer, size, desc);
    free(buffer);
    return result;
}

int CVortanSurface::LoadFromMemory(IVortanApplication* application, const void* data, int size,
                                   const CVortanSurfaceDesc* desc)
{
    if (!data || size <= 0)
        return VORTAN_E_ARGUMENT;
    CVortanSurfaceDesc d = CVortanSurfaceDesc::From(desc);
    if (d.width < 0 || d.height < 0 || d.width > kMaxScaledSide || d.height > kMaxScaledSide)
        return VORTAN_E_ARGUMENT;
    GdkPixbuf* pixbuf = DecodePixbuf(data, size, d.width, d.height);
    if (!pixbuf)
        return VORTAN_E_NOMEMORY;
    int channels = gdk_pixbuf_get_n_channels(pixbuf);
    int result;
    if (gdk_pixbuf_get_bits_per_sample(pixbuf) != 8 ||
        gdk_pixbuf_get_colorspace(pixbuf) != GDK_COLORSPACE_RGB ||
        (channels != 3 && channels != 4)) {
        result = VORTAN_E_NOMEMORY;
    } else {
        // Bytes per source pixel are the decoder's channel count (a row's stride may be
        // padded, and for 1-3 pixel wide images stride / width says nothing).
        result = ConvertFrom(gdk_pixbuf_get_pixels(pixbuf), gdk_pixbuf_get_width(pixbuf),
                             gdk_pixbuf_get_height(pixbuf), gdk_pixbuf_get_rowstride(pixbuf),
                             VORTAN_PIXEL_ABGR8888, channels, channels == 4, 1, application, &d);
    }
    g_object_unref(pixbuf);
    if (result != VORTAN_OK)
        return result;
    if (d.flags & VORTAN_SURFACE_TEXTURE)
        return CreateTextureForFormat(0);
    return VORTAN_OK;
}

int CVortanSurface::LoadFromPack(IVortanApplication* application, CVortanMediaPack* pack,
                                 const CVortanString& name, int index,
                                 const CVortanSurfaceDesc* desc)
{
    if (!pack)
        return VORTAN_E_ARGUMENT;
    int size = pack->GetEntry(name, index);
    if (size <= 0)
        return VORTAN_E_MISSING;
    if (size > kMaxEncodedBytes)
        return VORTAN_E_NOMEMORY;
    int result;
    const CVortanString* key = pack->GetKey();
    if (key) {
        u8* buffer = (u8*)malloc((size_t)size);
        if (!buffer)
            return VORTAN_E_NOMEMORY;
        if (pack->GetFile()->Read(buffer, size) != size) {
            result = VORTAN_E_MALFORMED;
        } else {
            CVortanDataScrambler scrambler;
            scrambler.Process(*key, buffer, size);
            result = LoadFromMemory(application, buffer, size, desc);
        }
        free(buffer);
    } else {
        result = DecodeFile(pack->GetFile(), size, application, desc);
    }
    if (result == VORTAN_OK)
        SetID(name);
    CVortanSurfaceDesc d = CVortanSurfaceDesc::From(desc);
    if ((d.flags & VORTAN_SURFACE_ALPHA_COMPANION) && !(d.flags & VORTAN_SURFACE_IS_COMPANION) &&
        result == VORTAN_OK)
        LoadAlphaCompanion(name, pack);
    return result;
}

int CVortanSurface::LoadFromFile(IVortanApplication* application, const CVortanString& path,
                                 const CVortanSurfaceDesc* desc)
{
    CVortanFile file;
    if (file.Open(path, VORTAN_FILE_READ) != VORTAN_OK)
        return VORTAN_E_OPEN;
    int result = DecodeFile(&file, file.GetSize(), application, desc);
    file.Close();
    CVortanSurfaceDesc d = CVortanSurfaceDesc::From(desc);
    if ((d.flags & VORTAN_SURFACE_ALPHA_COMPANION) && !(d.flags & VORTAN_SURFACE_IS_COMPANION) &&
        result == VORTAN_OK)
        LoadAlphaCompanion(path, nullptr);
    return result;
}

int CVortanSurface::LoadAlphaCompanion(const CVortanString& name, CVortanMediaPack* pack)
{
    CVortanString companion;
    if (!CompanionName(name, companion))
        return VORTAN_E_MISSING;
    if (!m_pixels)
        return VORTAN_E_RANGE;
    // The companion is read as 32-bit pixels at this image's size, whatever this image's
    // own format is.
    CVortanSurfaceDesc d;
    d.width = m_desc.width;
    d.height = m_desc.height;
    d.pitch = 0;
    d.pixelFormat = VORTAN_PIXEL_ARGB8888;
    d.flags = VORTAN_SURFACE_IS_COMPANION;
    CVortanSurface mask;
    int result = pack ? mask.LoadFromPack(m_application, pack, companion, 0, &d)
                      : mask.LoadFromFile(m_application, companion, &d);
    if (result != VORTAN_OK) {
        mask.Release();
        return result;
    }
    result = ApplyAlphaFromSurface(&mask);
    mask.Release();
    return result;
}

int CVortanSurface::ApplyAlphaFromSurface(CVortanSurface* mask)
{
    if (!mask || !mask->m_pixels || mask->m_desc.width != m_desc.width ||
        mask->m_desc.height != m_desc.height)
        return VORTAN_E_ARGUMENT;
    int w = m_desc.width, h = m_desc.height;
    u8* alpha = (u8*)malloc((size_t)w * h);
    if (!alpha)
        return VORTAN_E_NOMEMORY;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            alpha[(size_t)y * w + x] = (u8)(mask->GetPixel(x, y) & 0xFF);
    CVortanSurfaceDesc d;
    d.width = w;
    d.height = h;
    d.pitch = w;
    d.pixelFormat = VORTAN_PIXEL_PALETTE8;
    d.flags = 0;
    int result = ApplyAlphaPlane(&d, alpha);
    free(alpha);
    return result;
}

int CVortanSurface::ApplyAlphaPlane(const CVortanSurfaceDesc* alphaDesc, const u8* alpha)
{
    if (!alphaDesc || !alpha)
        return VORTAN_E_ARGUMENT;
    if (alphaDesc->pixelFormat != VORTAN_PIXEL_PALETTE8)
        return VORTAN_E_VERSION;
    if (alphaDesc->width != m_desc.width || alphaDesc->height != m_desc.height)
        return VORTAN_E_MALFORMED;
    if (!m_pixels)
        return VORTAN_E_RANGE;
    int w = m_desc.width, h = m_desc.height;
    int alphaPitch = alphaDesc->pitch > 0 ? alphaDesc->pitch : w;
    if (alphaPitch < w)
        return VORTAN_E_MALFORMED;
    int format = m_desc.pixelFormat;
    Lock(nullptr, 0);
    if (format == VORTAN_PIXEL_ARGB8888 || format == VORTAN_PIXEL_ABGR8888) {
        for (int y = 0; y < h; ++y) {
            u32* row = (u32*)(m_pixels + (size_t)y * m_desc.pitch);
            const u8* a = alpha + (size_t)y * alphaPitch;
            for (int x = 0; x < w; ++x) {
                u32 v = a[x];
                if (v >= 255)
                    continue;
                u32 p = row[x];
                row[x] = (v << 24) | (((((p >> 16) & 0xFF) * v) >> 8) << 16) |
                         (((((p >> 8) & 0xFF) * v) >> 8) << 8) | (((p & 0xFF) * v) >> 8);
            }
        }
        return Unlock();
    }
    if (w <= 0 || h <= 0)
        return VORTAN_E_RANGE;
    u8* plane = (u8*)malloc((size_t)w * h);
    if (!plane)
        return VORTAN_E_NOMEMORY;
    CopyRows(plane, w, alpha, alphaPitch, h, w);
    FreeAlphaPlane();
    m_alpha = plane;
    // 16-bit colours are premultiplied like the 32-bit ones, field by field.
    if (format >= VORTAN_PIXEL_RGB444 && format <= VORTAN_PIXEL_RGB565) {
        for (int y = 0; y < h; ++y) {
            u16* row = (u16*)(m_pixels + (size_t)y * m_desc.pitch);
            const u8* a = plane + (size_t)y * w;
            for (int x = 0; x < w; ++x) {
                u32 v = a[x];
                if (v >= 255)
                    continue;
                u32 p = row[x];
                if (format == VORTAN_PIXEL_RGB565)
                    p = ((((p >> 11) & 31) * v >> 8) << 11) | ((((p >> 5) & 63) * v >> 8) << 5) |
                        ((p & 31) * v >> 8);
                else if (format == VORTAN_PIXEL_RGB555)
                    p = ((((p >> 10) & 31) * v >> 8) << 10) | ((((p >> 5) & 31) * v >> 8) << 5) |
                        ((p & 31) * v >> 8);
                else
                    p = ((((p >> 8) & 15) * v >> 8) << 8) | ((((p >> 4) & 15) * v >> 8) << 4) |
                        ((p & 15) * v >> 8);
                row[x] = (u16)p;
            }
        }
    }
    // A mirror made without alpha gets one now.
    if (m_texture && m_glFormat != 0x1908 /* GL_RGBA */)
        return CreateTextureForFormat(m_mips);
    return Unlock();
}

int SaveImage(CVortanSurface* surface, const CVortanString& path)
{
    if (!surface)
        return 0;
    return surface->SaveToFile(path);
}

int CVortanSurface::SaveToFile(const CVortanString& path)
{
    if (!m_application)
        return VORTAN_E_RANGE;
    if (!m_pixels || m_desc.width <= 0 || m_desc.height <= 0 || path.IsEmpty())
        return 0;
    CVortanString lower(path);
    lower.MakeLower();
    const char* type = "bmp";
    bool jpeg = false;
    if (lower.FindString(CVortanString(".jpg")) >= 0) {
        type = "jpeg";
        jpeg = true;
    } else if (lower.FindString(CVortanString(".png")) >= 0) {
        type = "png";
    }
    int w = m_desc.width, h = m_desc.height;
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, w, h);
    if (!pixbuf)
        return 0;
    u8* pixels = gdk_pixbuf_get_pixels(pixbuf);
    int stride = gdk_pixbuf_get_rowstride(pixbuf);
    u32 lockFlags = m_lockFlags;
    Lock(nullptr, 1);
    for (int y = 0; y < h; ++y) {
        u8* out = pixels + (size_t)y * stride;
        for (int x = 0; x < w; ++x) {
            u32 c = GetPixel(x, y);
            out[0] = (u8)(c >> 16);
            out[1] = (u8)(c >> 8);
            out[2] = (u8)c;
            out[3] = 255;
            out += 4;
        }
    }
    Unlock();
    m_lockFlags = lockFlags;

    // Written beside the target and renamed into place: a failed save leaves the old file.
    // The path goes to the file system as 8-bit text (the low byte of each unit), as every
    // file of the engine is opened, so that a load of the same path finds the file.
    std::string target = VortanBytesOf(path);
    std::string temp = target + ".tmp" + std::to_string((long)getpid());
    int result = 0;
    GError* error = nullptr;
    gboolean saved =
        jpeg ? gdk_pixbuf_save(pixbuf, temp.c_str(), type, &error, "quality", "85", (char*)nullptr)
             : gdk_pixbuf_save(pixbuf, temp.c_str(), type, &error, (char*)nullptr);
    if (error)
        g_error_free(error);
    if (saved && rename(temp.c_str(), target.c_str()) == 0)
        result = VORTAN_OK;
    else
        unlink(temp.c_str());
    g_object_unref(pixbuf);
    return result;
}
