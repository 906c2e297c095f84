// CVortanSurface: Clear. The other software drawing slots are in VortanSurface_Draw.cpp (fills,
// darkening, lines, plotted pixels, inversion), VortanSurface_Blit.cpp (plain, tinted and rotated
// blits) and VortanSurface_Stretch.cpp (the stretch blits).
#include <string.h>

#include "engine/graphics/VortanSoftDraw.h"
#include "engine/graphics/VortanSurface.h"

int CVortanSurface::Clear(u32 color, const CVortanRect* rect)
{
    m_lockFlags = 0;
    CVortanRect r;
    if (rect) {
        if (rect->left > m_desc.width || rect->top > m_desc.height || rect->right < 0 ||
            rect->bottom < 0)
            return VORTAN_OK;
        r = VortanSoft::ClipWithin(*rect, m_desc.width, m_desc.height);
    }
    if (!m_pixels)
        return VORTAN_E_RANGE;
    int bytes = BytesPerPixel(m_desc.pixelFormat);
    if (color == 0 && !rect) {
        if ((u32)((i64)m_desc.pitch * m_desc.height) == m_dataSize) {
            memset(m_pixels, 0, m_dataSize);
        } else {
            for (int y = 0; y < m_desc.height; ++y)
                memset(m_pixels + (size_t)y * m_desc.pitch, 0, (size_t)m_desc.width * bytes);
        }
        if (m_alpha)
            memset(m_alpha, 0, (size_t)m_desc.width * m_desc.height);
        RefreshTexture();
        return VORTAN_OK;
    }
    if (!rect)
        r.Set(0, 0, m_desc.width, m_desc.height);
    if (r.right <= r.left || r.bottom <= r.top) {
        RefreshTexture();
        return VORTAN_OK;
    }
    u32 native = ToNativePixel(color);
    int count = r.right - r.left;
    for (int y = r.top; y < r.bottom; ++y) {
        u8* row = m_pixels + (size_t)y * m_desc.pitch;
        switch (bytes) {
        case 1:
            memset(row + r.left, (int)(native & 0xFF), (size_t)count);
            break;
        case 2: {
            u16* p = (u16*)row + r.left;
            for (int i = 0; i < count; ++i)
                p[i] = (u16)native;
            break;
        }
        case 3: {
            u8* p = row + (size_t)r.left * 3;
            for (int i = 0; i < count; ++i) {
                p[i * 3] = (u8)native;
                p[i * 3 + 1] = (u8)(native >> 8);
                p[i * 3 + 2] = (u8)(native >> 16);
            }
            break;
        }
        case 4: {
            u32* p = (u32*)row + r.left;
            for (int i = 0; i < count; ++i)
                p[i] = native;
            break;
        }
        default:
            break;
        }
        if (m_alpha)
            memset(m_alpha + (size_t)y * m_desc.width + r.left, (int)(color >> 24), (size_t)count);
    }
    RefreshTexture();
    return VORTAN_OK;
}
