// CVortanSurface: colours to native pixels and back, single-pixel reads and writes.
#include <string.h>

#include "engine/graphics/VortanSurface.h"
#include "engine/graphics/VortanSurfaceApp.h"
#include "engine/graphics/VortanSurfaceFormats.h"

u32 VortanPaletteIndex(const u8* lookup, u32 r, u32 g, u32 b)
{
    if (!lookup)
        return 0;
    return lookup[((r >> 4) << 8) | (g & 0xF0) | (b >> 4)];
}

u32 CVortanSurface::ToNativePixel(u32 color)
{
    u32 a = color >> 24, r = (color >> 16) & 0xFF, g = (color >> 8) & 0xFF, b = color & 0xFF;
    switch (m_desc.pixelFormat) {
    case VORTAN_PIXEL_PALETTE8:
        return VortanPaletteIndex(VortanSurfaceAppPaletteLookup(m_application), r, g, b);
    case VORTAN_PIXEL_RGB565:
        return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    case VORTAN_PIXEL_ARGB8888:
        return color;
    case VORTAN_PIXEL_ABGR8888:
        return (a << 24) | (b << 16) | (g << 8) | r;
    default:
        return 0xFFFFFFFF;
    }
}

u32 CVortanSurface::PackNativePixel(int r, int g, int b, int a)
{
    u32 color = ((u32)(a & 0xFF) << 24) | ((u32)(r & 0xFF) << 16) | ((u32)(g & 0xFF) << 8) |
                (u32)(b & 0xFF);
    return ToNativePixel(color);
}

u32 VortanDecodeNative(int format, const u8* row, int x, const u8* alphaRow, const u32* palette)
{
    u32 a = alphaRow ? alphaRow[x] : 255u;
    switch (format) {
    case VORTAN_PIXEL_PALETTE8: {
        u32 c = palette ? palette[row[x]] & 0xFFFFFF : 0;
        return (a << 24) | c;
    }
    case VORTAN_PIXEL_RGB444: {
        u32 p = ((const u16*)row)[x];
        // Each nibble is widened to a full byte (0xF reads as 0xFF).
        u32 r = ((p >> 8) & 15) * 17, g = ((p >> 4) & 15) * 17, b = (p & 15) * 17;
        return (a << 24) | (r << 16) | (g << 8) | b;
    }
    case VORTAN_PIXEL_RGB555: {
        u32 p = ((const u16*)row)[x];
        u32 r = (p >> 10) & 31, g = (p >> 5) & 31, b = p & 31;
        r = (r << 3) | (r >> 2);
        g = (g << 3) | (g >> 2);
        b = (b << 3) | (b >> 2);
        return (a << 24) | (r << 16) | (g << 8) | b;
    }
    case VORTAN_PIXEL_RGB565: {
        u32 p = ((const u16*)row)[x];
        u32 r = (p >> 11) << 3, g = ((p >> 5) & 63) << 2, b = (p & 31) << 3;
        return (a << 24) | (r << 16) | (g << 8) | b;
    }
    case VORTAN_PIXEL_RGB888: {
        const u8* p = row + x * 3;
        return (a << 24) | ((u32)p[0] << 16) | ((u32)p[1] << 8) | p[2];
    }
    case VORTAN_PIXEL_ARGB8888:
        return ((const u32*)row)[x];
    case VORTAN_PIXEL_ABGR8888: {
        u32 p = ((const u32*)row)[x];
        return (p & 0xFF00FF00) | ((p >> 16) & 0xFF) | ((p & 0xFF) << 16);
    }
    default:
        return 0xFFFFFFFF;
    }
}

u32 CVortanSurface::GetPixel(int x, int y)
{
    m_lockFlags = 1;
    if (!m_pixels || x < 0 || y < 0 || x >= m_desc.width || y >= m_desc.height)
        return 0;
    const u8* row = m_pixels + (size_t)y * m_desc.pitch;
    const u8* alphaRow = m_alpha ? m_alpha + (size_t)y * m_desc.width : nullptr;
    return VortanDecodeNative(m_desc.pixelFormat, row, x, alphaRow,
                              m_desc.pixelFormat == VORTAN_PIXEL_PALETTE8
                                  ? VortanSurfaceAppPalette(m_application)
                                  : nullptr);
}

void VortanEncodeNative(int format, u8* row, int x, u32 color, const u8* lookup)
{
    u32 a = color >> 24, r = (color >> 16) & 0xFF, g = (color >> 8) & 0xFF, b = color & 0xFF;
    switch (format) {
    case VORTAN_PIXEL_PALETTE8:
        row[x] = (u8)VortanPaletteIndex(lookup, r, g, b);
        break;
    case VORTAN_PIXEL_RGB444:
        ((u16*)row)[x] = (u16)((g & 0xF0) | (b >> 4) | ((r >> 4) << 8));
        break;
    case VORTAN_PIXEL_RGB555:
        ((u16*)row)[x] = (u16)(((g >> 3) << 5) | ((r >> 3) << 10) | (b >> 3));
        break;
    case VORTAN_PIXEL_RGB565:
        ((u16*)row)[x] = (u16)(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
        break;
    case VORTAN_PIXEL_RGB888:
        row[x * 3] = (u8)r;
        row[x * 3 + 1] = (u8)g;
        row[x * 3 + 2] = (u8)b;
        break;
    case VORTAN_PIXEL_ARGB8888:
        ((u32*)row)[x] = color;
        break;
    case VORTAN_PIXEL_ABGR8888:
        ((u32*)row)[x] = (a << 24) | (b << 16) | (g << 8) | r;
        break;
    default:
        break;
    }
}

void CVortanSurface::WritePixel(int x, int y, u32 color)
{
    if (!m_pixels || x < 0 || y < 0 || x >= m_desc.width || y >= m_desc.height)
        return;
    const u8* lookup = m_desc.pixelFormat == VORTAN_PIXEL_PALETTE8
                           ? VortanSurfaceAppPaletteLookup(m_application)
                           : nullptr;
    VortanEncodeNative(m_desc.pixelFormat, m_pixels + (size_t)y * m_desc.pitch, x, color, lookup);
}

int CVortanSurface::PutPixel(int x, int y, u32 color)
{
    m_lockFlags = 0;
    if (!m_pixels || x < 0 || y < 0 || x >= m_desc.width || y >= m_desc.height)
        return VORTAN_OK;
    WritePixel(x, y, color);
    RefreshTexture();
    return VORTAN_OK;
}
