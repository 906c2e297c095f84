// CVortanSurface::DrawText: system-font text laid out with Pango and painted with cairo into
// an ARGB32 image of the target rectangle, which is then written back in the surface's own
// pixel format (only the pixels the text changed).
#include "engine/graphics/VortanTextSurface.h"

#include <cairo.h>
#include <pango/pangocairo.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "engine/graphics/VortanBitmapFont.h"
#include "engine/graphics/VortanSoftDraw.h"
#include "engine/graphics/VortanSurface.h"
#include "engine/graphics/VortanSurfaceApp.h"
#include "engine/graphics/VortanSurfaceFormats.h"

namespace {

// Longest text handed to Pango, in UTF-16 units.
const int kMaxTextUnits = 64 * 1024;

u32 PremultipliedArgb(u32 argb)
{
    u32 a = argb >> 24;
    if (a == 255)
        return argb;
    u32 r = (argb >> 16) & 0xFF, g = (argb >> 8) & 0xFF, b = argb & 0xFF;
    // Pixels are kept premultiplied; one that is not (a colour above its alpha) is capped so
    // that cairo gets a valid value.
    if (r > a)
        r = a;
    if (g > a)
        g = a;
    if (b > a)
        b = a;
    return (a << 24) | (r << 16) | (g << 8) | b;
}

} // namespace

int CVortanSurface::DrawText(CVortanRect* rect, const CVortanString& fontName, int size,
                             const CVortanString& text, u32 color, u32 flags)
{
    const bool measure = (flags & VORTAN_TEXT_MEASURE) != 0;
    if (!rect || text.IsEmpty() || size < 3)
        return 0;
    int rw = rect->right - rect->left, rh = rect->bottom - rect->top;
    if (rw <= 0 || rh <= 0 || text.GetLength() > kMaxTextUnits)
        return 0;
    int format = m_desc.pixelFormat;
    if (!m_pixels || !BytesPerPixel(format))
        return 0;

    std::string utf8 = VortanUTF8Of(text);
    std::string family = VortanUTF8Of(fontName) + " " + std::to_string(size);

    // The part of the rectangle inside the surface: the only pixels that may change.
    CVortanRect area = VortanSoft::ClipWithin(*rect, m_desc.width, m_desc.height);
    bool paint = !measure && area.right > area.left && area.bottom > area.top;
    int aw = paint ? area.right - area.left : 1, ah = paint ? area.bottom - area.top : 1;

    int height = 0;
    cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, aw, ah);
    u32* before = nullptr;
    const u32* palette =
        format == VORTAN_PIXEL_PALETTE8 ? VortanSurfaceAppPalette(m_application) : nullptr;
    if (cairo_surface_status(image) == CAIRO_STATUS_SUCCESS && paint) {
        before = (u32*)malloc((size_t)aw * ah * 4);
        if (before) {
            cairo_surface_flush(image);
            u8* data = cairo_image_surface_get_data(image);
            int stride = cairo_image_surface_get_stride(image);
            for (int y = 0; y < ah; ++y) {
                const u8* row = m_pixels + (size_t)(area.top + y) * m_desc.pitch;
                const u8* alphaRow =
                    m_alpha ? m_alpha + (size_t)(area.top + y) * m_desc.width : nullptr;
                u32* out = (u32*)(data + (size_t)y * stride);
                for (int x = 0; x < aw; ++x) {
                    u32 p = PremultipliedArgb(
                        VortanDecodeNative(format, row, area.left + x, alphaRow, palette));
                    out[x] = p;
                    before[(size_t)y * aw + x] = p;
                }
            }
            cairo_surface_mark_dirty(image);
        } else {
            paint = false;
        }
    }
    if (cairo_surface_status(image) == CAIRO_STATUS_SUCCESS && (paint || measure)) {
        cairo_t* cr = cairo_create(image);
        PangoLayout* layout = pango_cairo_create_layout(cr);
        PangoFontDescription* font = pango_font_description_from_string(family.c_str());
        pango_layout_set_font_description(layout, font);
        pango_layout_set_width(layout, rw * PANGO_SCALE);
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
        if (flags & VORTAN_TEXT_CENTER_X)
            pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER);
        else if (flags & VORTAN_TEXT_RIGHT)
            pango_layout_set_alignment(layout, PANGO_ALIGN_RIGHT);
        else
            pango_layout_set_alignment(layout, PANGO_ALIGN_LEFT);
        pango_layout_set_text(layout, utf8.c_str(), -1);
        int width = 0;
        pango_layout_get_pixel_size(layout, &width, &height);
        if (paint) {
            cairo_set_source_rgb(cr, (double)((color >> 16) & 0xFF) / 255.0,
                                 (double)((color >> 8) & 0xFF) / 255.0,
                                 (double)(color & 0xFF) / 255.0);
            cairo_move_to(cr, (double)(rect->left - area.left), (double)(rect->top - area.top));
            pango_cairo_show_layout(cr, layout);
            cairo_surface_flush(image);
            const u8* data = cairo_image_surface_get_data(image);
            int stride = cairo_image_surface_get_stride(image);
            for (int y = 0; y < ah; ++y) {
                const u32* in = (const u32*)(data + (size_t)y * stride);
                for (int x = 0; x < aw; ++x) {
                    u32 p = in[x];
                    if (p == before[(size_t)y * aw + x])
                        continue;
                    WritePixel(area.left + x, area.top + y, p);
                    if (m_alpha)
                        m_alpha[(size_t)(area.top + y) * m_desc.width + area.left + x] =
                            (u8)(p >> 24);
                }
            }
        }
        pango_font_description_free(font);
        g_object_unref(layout);
        cairo_destroy(cr);
    }
    cairo_surface_destroy(image);
    free(before);
    if (measure)
        rect->bottom = rect->top + height;
    return height;
}

void TintPixels(int pixelFormat, u8* pixels, int pitch, int width, int height,
                const CVortanRect& rect, u32 color)
{
    if (!pixels || (pixelFormat != VORTAN_PIXEL_ARGB8888 && pixelFormat != VORTAN_PIXEL_ABGR8888))
        return;
    CVortanRect c = VortanSoft::ClipWithin(rect, width, height);
    if (c.right <= c.left || c.bottom <= c.top)
        return;
    if (pixelFormat == VORTAN_PIXEL_ABGR8888)
        color = VortanSoft::SwapRB(color);
    u32 m[4] = {color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF, color >> 24};
    for (int y = c.top; y < c.bottom; ++y) {
        u32* row = (u32*)(pixels + (size_t)y * pitch);
        for (int x = c.left; x < c.right; ++x) {
            u32 p = row[x], out = 0;
            for (int k = 0; k < 4; ++k)
                out |= ((((p >> (k * 8)) & 0xFF) * m[k]) / 255) << (k * 8);
            row[x] = out;
        }
    }
}
