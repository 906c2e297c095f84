// CVortanSurface: the GL texture mirror (creation, upload with conversion and mip chain,
// deletion and re-creation after a context loss).
#include <GLES2/gl2.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>

#include "engine/graphics/VortanGraphicsExt_GLES2.h"
#include "engine/graphics/VortanSurface.h"
#include "engine/graphics/VortanSurfaceApp.h"
#include "engine/graphics/VortanSurfaceFormats.h"
#include "engine/graphics/VortanTextureSource.h"

#ifndef GL_TEXTURE_MAX_LEVEL_APPLE
#define GL_TEXTURE_MAX_LEVEL_APPLE 0x813D
#endif

namespace {

std::atomic<int> g_nullTextures(0);
std::atomic<u32> g_nullTextureNames(0);

bool IsPowerOfTwo(int v)
{
    return v > 0 && (v & (v - 1)) == 0;
}

// Bytes per pixel of a GL format/type pair, 0 for a pair the mirror does not take.
int GLBytesPerPixel(u32 glFormat, u32 glType)
{
    if (glFormat == GL_RGB && glType == GL_UNSIGNED_BYTE)
        return 3;
    if (glFormat == GL_RGB && glType == GL_UNSIGNED_SHORT_5_6_5)
        return 2;
    if (glFormat == GL_RGBA && glType == GL_UNSIGNED_BYTE)
        return 4;
    if (glFormat == GL_RGBA &&
        (glType == GL_UNSIGNED_SHORT_4_4_4_4 || glType == GL_UNSIGNED_SHORT_5_5_5_1))
        return 2;
    return 0;
}

// Converts one row of surface pixels (read as GetPixel reads them) into the GL layout.
void ConvertRow(int format, const u8* row, const u8* alphaRow, const u32* palette, int width,
                u32 glFormat, u32 glType, u8* out)
{
    if (glType == GL_UNSIGNED_BYTE && glFormat == GL_RGBA && format == VORTAN_PIXEL_ARGB8888) {
        const u32* src = (const u32*)row;
        for (int x = 0; x < width; ++x) {
            u32 c = src[x];
            out[0] = (u8)(c >> 16);
            out[1] = (u8)(c >> 8);
            out[2] = (u8)c;
            out[3] = (u8)(c >> 24);
            out += 4;
        }
        return;
    }
    for (int x = 0; x < width; ++x) {
        u32 c = VortanDecodeNative(format, row, x, alphaRow, palette);
        u32 a = c >> 24, r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
        if (glType == GL_UNSIGNED_BYTE) {
            *out++ = (u8)r;
            *out++ = (u8)g;
            *out++ = (u8)b;
            if (glFormat == GL_RGBA)
                *out++ = (u8)a;
            continue;
        }
        u16 v;
        if (glType == GL_UNSIGNED_SHORT_4_4_4_4)
            v = (u16)(((r >> 4) << 12) | ((g >> 4) << 8) | (b & 0xF0) | (a >> 4));
        else if (glType == GL_UNSIGNED_SHORT_5_5_5_1)
            v = (u16)(((r >> 3) << 11) | ((g >> 3) << 6) | ((b >> 3) << 1) | (a ? 1 : 0));
        else
            v = (u16)(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
        memcpy(out, &v, 2);
        out += 2;
    }
}

// The pixels of one texture level from `surface`: its own rows when `direct` and tightly
// packed, otherwise a buffer (*buffer, for the caller to free) of rows copied or converted
// into the GL layout. Null when the buffer cannot be had.
const u8* LevelPixels(CVortanSurface* surface, const u32* palette, u32 glFormat, u32 glType,
                      int glBytes, bool direct, u8** buffer)
{
    *buffer = nullptr;
    int width = surface->GetWidth(), height = surface->GetHeight();
    size_t tightPitch = (size_t)width * glBytes;
    if (direct && (size_t)surface->GetPitch() == tightPitch)
        return surface->GetPixels();
    u8* out = (u8*)malloc(tightPitch * height);
    if (!out)
        return nullptr;
    const u8* alpha = surface->GetAlphaPlane();
    int format = surface->GetPixelFormat();
    for (int y = 0; y < height; ++y) {
        const u8* row = surface->GetPixels() + (size_t)y * surface->GetPitch();
        if (direct)
            memcpy(out + y * tightPitch, row, tightPitch);
        else
            ConvertRow(format, row, alpha ? alpha + (size_t)y * width : nullptr, palette, width,
                       glFormat, glType, out + y * tightPitch);
    }
    *buffer = out;
    return out;
}

// Whether every pixel of a tightly packed level in the GL layout has full alpha.
bool LevelOpaque(const u8* data, int width, int height, u32 glFormat, u32 glType)
{
    if (glFormat == GL_RGB)
        return true;
    const size_t count = (size_t)width * (size_t)height;
    if (glType == GL_UNSIGNED_BYTE) {
        for (size_t i = 0; i < count; ++i)
            if (data[i * 4 + 3] != 0xFF)
                return false;
        return true;
    }
    // 16-bit pixels: alpha in the low bits (4 of 4-4-4-4, 1 of 5-5-5-1).
    const u16 mask = glType == GL_UNSIGNED_SHORT_4_4_4_4 ? 0x000F : 0x0001;
    for (size_t i = 0; i < count; ++i) {
        u16 v;
        memcpy(&v, data + i * 2, 2);
        if ((v & mask) != mask)
            return false;
    }
    return true;
}

// Whether a pixel of a tightly packed level in the GL layout has all four channels zero.
bool PixelClear(const u8* data, size_t i, u32 glFormat, u32 glType)
{
    if (glFormat == GL_RGB)
        return false;
    if (glType == GL_UNSIGNED_BYTE)
        return !(data[i * 4] | data[i * 4 + 1] | data[i * 4 + 2] | data[i * 4 + 3]);
    return !(data[i * 2] | data[i * 2 + 1]);
}

// The box of a tightly packed level holding every pixel that is not wholly clear, widened by a
// pixel on each side and given as fractions of the level (u0, v0, u1, v1): a linear filter
// reads the two pixels nearest its point on each axis, so outside the unwidened box by half a
// pixel it reads only clear ones; the widening keeps half a pixel more to spare. An empty box
// (every pixel clear) when nothing is there.
void LevelCover(const u8* data, int width, int height, u32 glFormat, u32 glType, float* cover)
{
    int left = width, right = -1, top = height, bottom = -1;
    for (int y = 0; y < height; ++y) {
        const size_t row = (size_t)y * (size_t)width;
        int first = 0;
        while (first < width && PixelClear(data, row + (size_t)first, glFormat, glType))
            ++first;
        if (first == width)
            continue;
        int last = width - 1;
        while (last > first && PixelClear(data, row + (size_t)last, glFormat, glType))
            --last;
        left = first < left ? first : left;
        right = last > right ? last : right;
        top = top < y ? top : y;
        bottom = y;
    }
    if (right < 0) {
        cover[0] = cover[1] = cover[2] = cover[3] = 0.0f;
        return;
    }
    cover[0] = left > 0 ? (float)(left - 1) / (float)width : 0.0f;
    cover[1] = top > 0 ? (float)(top - 1) / (float)height : 0.0f;
    cover[2] = right + 2 < width ? (float)(right + 2) / (float)width : 1.0f;
    cover[3] = bottom + 2 < height ? (float)(bottom + 2) / (float)height : 1.0f;
}

void WholeCover(float* cover)
{
    cover[0] = cover[1] = 0.0f;
    cover[2] = cover[3] = 1.0f;
}

} // namespace

void CVortanSurface::SetNullTextures(int on)
{
    g_nullTextures.store(on ? 1 : 0);
}

int CVortanSurface::GetNullTextures()
{
    return g_nullTextures.load();
}

int CVortanSurface::CreateTexture(u32 glFormat, u32 glType, int mips)
{
    if (!m_pixels)
        return VORTAN_E_MALFORMED;
    DeleteTexture();
    bool accepted =
        (glFormat == GL_RGB && (glType == GL_UNSIGNED_BYTE || glType == GL_UNSIGNED_SHORT_5_6_5)) ||
        (glFormat == GL_RGBA && glType != GL_UNSIGNED_SHORT_5_6_5 &&
         GLBytesPerPixel(glFormat, glType));
    if (!accepted)
        return VORTAN_E_VERSION;

    int width = m_desc.width, height = m_desc.height;
    bool chain = mips && IsPowerOfTwo(width) && IsPowerOfTwo(height);
    u32 name = 0;
    if (g_nullTextures.load()) {
        name = ++g_nullTextureNames;
        if (!name)
            name = ++g_nullTextureNames;
    } else {
        GLuint id = 0;
        glGenTextures(1, &id);
        if (!id)
            return VORTAN_E_FAIL;
        name = id;
        glActiveTexture(GL_TEXTURE0);
        glBindTexture(GL_TEXTURE_2D, id);
        // The filter it will have, before its storage is made: a driver that sizes a new
        // texture by its filter then keeps no room for levels it will never have.
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                        chain ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, (GLint)glFormat, width, height, 0, glFormat, glType,
                     nullptr);
        if (chain) {
            int level = 0, w = width, h = height;
            while (w > 1 || h > 1) {
                w = w > 1 ? w >> 1 : 1;
                h = h > 1 ? h >> 1 : 1;
                ++level;
                glTexImage2D(GL_TEXTURE_2D, level, (GLint)glFormat, w, h, 0, glFormat, glType,
                             nullptr);
            }
        }
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    m_mips = chain ? 1 : 0;
    m_texture = name;
    m_glFormat = glFormat;
    m_glType = glType;
    int result = UploadTexture();
    if (result != VORTAN_OK)
        DeleteTexture();
    return result;
}

int CVortanSurface::CreateTextureForFormat(int mips)
{
    if (m_desc.pixelFormat == VORTAN_PIXEL_ARGB8888 || m_desc.pixelFormat == VORTAN_PIXEL_ABGR8888)
        return CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, mips);
    // 8- and 16-bit pixels with an alpha plane go up with 4 bits of alpha.
    if (m_alpha)
        return CreateTexture(GL_RGBA, GL_UNSIGNED_SHORT_4_4_4_4, mips);
    return CreateTexture(GL_RGB, GL_UNSIGNED_SHORT_5_6_5, mips);
}

void CVortanSurface::DeleteTexture()
{
    if (m_texture && !g_nullTextures.load()) {
        GLuint id = m_texture;
        glDeleteTextures(1, &id);
    }
    m_texture = 0;
    m_textureOpaque = 0;
    WholeCover(m_cover);
}

u32 CVortanSurface::DrawTexture()
{
    if (!m_texture && m_textureSource) {
        if (g_nullTextures.load()) {
            m_textureSource->MakeTexture(this);
        } else {
            // Made in the middle of a draw: the caller's texture unit and unit 0's texture
            // stay as they were.
            GLint unit = GL_TEXTURE0, bound = 0;
            glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
            glActiveTexture(GL_TEXTURE0);
            glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
            m_textureSource->MakeTexture(this);
            glActiveTexture(GL_TEXTURE0);
            glBindTexture(GL_TEXTURE_2D, (GLuint)bound);
            glActiveTexture((GLenum)unit);
        }
    }
    m_drawn = 1;
    return m_texture;
}

int CVortanSurface::RecreateTexture()
{
    if (!m_pixels || !m_glFormat || !m_glType)
        return VORTAN_E_MALFORMED;
    return CreateTexture(m_glFormat, m_glType, m_mips);
}

int CVortanSurface::DropPixels()
{
    if (!m_texture || !m_pixels || !m_ownsPixels)
        return VORTAN_E_MALFORMED;
    free(m_pixels);
    m_pixels = nullptr;
    m_ownsPixels = 0;
    if (m_alpha)
        free(m_alpha);
    m_alpha = nullptr;
    return VORTAN_OK;
}

int CVortanSurface::RestorePixels(const CVortanSurface& from)
{
    if (!from.m_pixels || from.m_desc.width != m_desc.width ||
        from.m_desc.height != m_desc.height || from.m_desc.pitch != m_desc.pitch ||
        from.m_desc.pixelFormat != m_desc.pixelFormat || from.m_dataSize != m_dataSize)
        return VORTAN_E_ARGUMENT;
    u8* pixels = (u8*)malloc(m_dataSize);
    u8* alpha = nullptr;
    const size_t plane = (size_t)m_desc.width * (size_t)m_desc.height;
    if (pixels && from.m_alpha)
        alpha = (u8*)malloc(plane);
    if (!pixels || (from.m_alpha && !alpha)) {
        free(pixels);
        return VORTAN_E_NOMEMORY;
    }
    memcpy(pixels, from.m_pixels, m_dataSize);
    if (alpha)
        memcpy(alpha, from.m_alpha, plane);
    if (m_ownsPixels && m_pixels)
        free(m_pixels);
    if (m_alpha)
        free(m_alpha);
    m_pixels = pixels;
    m_alpha = alpha;
    m_ownsPixels = 1;
    return VORTAN_OK;
}

int CVortanSurface::UploadTexture()
{
    if (!m_pixels || !m_texture)
        return VORTAN_E_MALFORMED;
    int glBytes = GLBytesPerPixel(m_glFormat, m_glType);
    if (!glBytes)
        return VORTAN_E_VERSION;
    int format = m_desc.pixelFormat;
    int width = m_desc.width, height = m_desc.height;
    // Only 5-6-5 pixels go up as they are for GL_RGB/565, and only R,G,B,A bytes for
    // GL_RGBA/bytes; every other pairing is converted.
    bool direct =
        (m_glFormat == GL_RGB && m_glType == GL_UNSIGNED_SHORT_5_6_5 &&
         format == VORTAN_PIXEL_RGB565) ||
        (m_glFormat == GL_RGBA && m_glType == GL_UNSIGNED_BYTE && format == VORTAN_PIXEL_ABGR8888);
    if (g_nullTextures.load())
        return VORTAN_OK;

    const u32* palette =
        format == VORTAN_PIXEL_PALETTE8 ? VortanSurfaceAppPalette(m_application) : nullptr;
    u8* buffer = nullptr;
    const u8* data = LevelPixels(this, palette, m_glFormat, m_glType, glBytes, direct, &buffer);
    if (!data)
        return VORTAN_E_NOMEMORY;
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, m_texture);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, m_glFormat, m_glType, data);
    // The smaller levels are filtered from this one: opaque where it is.
    m_textureOpaque = LevelOpaque(data, width, height, m_glFormat, m_glType) ? 1 : 0;
    LevelCover(data, width, height, m_glFormat, m_glType, m_cover);
    free(buffer);

    int lastLevel = 0;
    if (m_mips) {
        // Each level is the previous one drawn into a temporary surface of half the size
        // (filtered), then converted like level 0.
        CVortanSurface* previous = this;
        CVortanSurface* level = nullptr;
        int w = width, h = height;
        int result = VORTAN_OK;
        while ((w >> 1) > 0 || (h >> 1) > 0) {
            w = (w >> 1) > 0 ? w >> 1 : 1;
            h = (h >> 1) > 0 ? h >> 1 : 1;
            level = new CVortanSurface();
            CVortanSurfaceDesc d = m_desc;
            d.width = w;
            d.height = h;
            d.pitch = 0;
            d.flags &= ~(u32)VORTAN_SURFACE_TEXTURE; // a temporary never needs a mirror of its own
            result = level->Create(m_application, &d);
            if (result == VORTAN_OK && previous->m_alpha)
                result = level->CreateAlphaPlane();
            if (result != VORTAN_OK) {
                level->Release();
                delete level;
                level = nullptr;
                break;
            }
            CVortanRect dst, src;
            dst.Set(0, 0, w, h);
            src.Set(0, 0, previous->m_desc.width, previous->m_desc.height);
            if (format == VORTAN_PIXEL_PALETTE8)
                level->StretchRows(dst, previous, src, 0xFFFFFFFF, 0);
            else
                level->FilterRows(dst, previous, src);
            const u8* levelData =
                LevelPixels(level, palette, m_glFormat, m_glType, glBytes, direct, &buffer);
            if (!levelData) {
                result = VORTAN_E_NOMEMORY;
                break;
            }
            ++lastLevel;
            glTexSubImage2D(GL_TEXTURE_2D, lastLevel, 0, 0, w, h, m_glFormat, m_glType, levelData);
            free(buffer);
            if (previous != this) {
                previous->Release();
                delete previous;
            }
            previous = level;
            level = nullptr;
        }
        if (previous != this) {
            previous->Release();
            delete previous;
        }
        if (level) {
            level->Release();
            delete level;
        }
        if (result != VORTAN_OK) {
            glBindTexture(GL_TEXTURE_2D, 0);
            return result;
        }
    }

    IVortanGraphicsContext* graphics = VortanSurfaceAppGraphics(m_application);
    if (graphics && graphics->GetContextType() == VORTAN_CONTEXT_GLES2) {
        CVortanGraphicsExt_GLES2* ext = dynamic_cast<CVortanGraphicsExt_GLES2*>(graphics);
        if (ext && ext->HasTextureMaxLevel())
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL_APPLE, lastLevel);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                    m_mips ? GL_LINEAR_MIPMAP_NEAREST : GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, 0);
    return VORTAN_OK;
}
