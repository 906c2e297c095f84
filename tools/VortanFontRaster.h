// Rasterises characters of a system font (Pango and cairo, through fontconfig) into glyph
// images packed onto font pages: white glyphs whose alpha is the coverage, on transparent.
// Shared by tools/makefont (fonts described in XML) and tools/makedefaultfont (the
// program's built-in font).
#pragma once
#include <cairo.h>
#include <pango/pangocairo.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "tools/ToolFiles.h"

// The tools run Pango and fontconfig once and exit; their caches are never freed.
extern "C" const char* __asan_default_options()
{
    return "detect_leaks=0";
}

namespace fontraster {

struct Glyph {
    int id = 0;        // character code in the font
    unsigned code = 0; // Unicode character drawn for it
    int width = 0, height = 0;
    int xoffset = 0, yoffset = 0, xadvance = 0;
    int page = 0, x = 0, y = 0;
    std::vector<unsigned char> coverage; // width x height
};

struct Page {
    int width = 0, height = 0;
    std::vector<unsigned char> coverage; // width x height
};

inline std::string Utf8(unsigned code)
{
    std::string s;
    if (code < 0x80) {
        s += (char)code;
    } else if (code < 0x800) {
        s += (char)(0xC0 | (code >> 6));
        s += (char)(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        s += (char)(0xE0 | (code >> 12));
        s += (char)(0x80 | ((code >> 6) & 0x3F));
        s += (char)(0x80 | (code & 0x3F));
    } else {
        s += (char)(0xF0 | (code >> 18));
        s += (char)(0x80 | ((code >> 12) & 0x3F));
        s += (char)(0x80 | ((code >> 6) & 0x3F));
        s += (char)(0x80 | (code & 0x3F));
    }
    return s;
}

class Rasterizer {
public:
    // family: a fontconfig family ("DejaVu Sans"); pixels: the em size in pixels.
    Rasterizer(const std::string& family, int pixels, bool bold)
        : m_surface(cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1)),
          m_cr(cairo_create(m_surface))
    {
        m_layout = pango_cairo_create_layout(m_cr);
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
        pango_cairo_context_set_font_options(pango_layout_get_context(m_layout), options);
        cairo_font_options_destroy(options);
        m_font = pango_font_description_new();
        pango_font_description_set_family(m_font, family.c_str());
        pango_font_description_set_absolute_size(m_font, (double)pixels * PANGO_SCALE);
        pango_font_description_set_weight(m_font, bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
        pango_layout_set_font_description(m_layout, m_font);
        pango_layout_context_changed(m_layout);
    }
    ~Rasterizer()
    {
        pango_font_description_free(m_font);
        g_object_unref(m_layout);
        cairo_destroy(m_cr);
        cairo_surface_destroy(m_surface);
    }

    // The family fontconfig actually chose for the description (empty when none).
    std::string ResolvedFamily()
    {
        PangoFontMap* map = pango_cairo_font_map_get_default();
        PangoFont* font = pango_font_map_load_font(map, pango_layout_get_context(m_layout), m_font);
        if (!font)
            return std::string();
        PangoFontDescription* d = pango_font_describe(font);
        std::string family =
            pango_font_description_get_family(d) ? pango_font_description_get_family(d) : "";
        pango_font_description_free(d);
        g_object_unref(font);
        return family;
    }

    // Ascent and descent of the font in pixels (rounded up).
    void Metrics(int* ascent, int* descent)
    {
        PangoFontMetrics* m =
            pango_context_get_metrics(pango_layout_get_context(m_layout), m_font, nullptr);
        *ascent = (pango_font_metrics_get_ascent(m) + PANGO_SCALE - 1) / PANGO_SCALE;
        *descent = (pango_font_metrics_get_descent(m) + PANGO_SCALE - 1) / PANGO_SCALE;
        pango_font_metrics_unref(m);
    }

    // Draws one character: its ink box becomes the glyph image; offsets are from the top of
    // a line whose baseline lies `baseline` pixels down.
    bool Render(Glyph& g, int baseline)
    {
        std::string text = Utf8(g.code);
        pango_layout_set_text(m_layout, text.c_str(), -1);
        PangoRectangle ink, logical;
        pango_layout_get_pixel_extents(m_layout, &ink, &logical);
        int layoutBaseline = pango_layout_get_baseline(m_layout) / PANGO_SCALE;
        g.xadvance = logical.width;
        g.xoffset = ink.x;
        g.yoffset = ink.y + (baseline - layoutBaseline);
        g.width = ink.width > 0 ? ink.width : 0;
        g.height = ink.height > 0 ? ink.height : 0;
        g.coverage.assign((size_t)g.width * g.height, 0);
        if (g.width == 0 || g.height == 0) {
            g.width = g.height = 0;
            g.xoffset = g.yoffset = 0;
            return true;
        }
        cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_A8, g.width, g.height);
        if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS)
            return false;
        cairo_t* cr = cairo_create(image);
        PangoLayout* layout = pango_cairo_create_layout(cr);
        pango_cairo_context_set_font_options(
            pango_layout_get_context(layout),
            pango_cairo_context_get_font_options(pango_layout_get_context(m_layout)));
        pango_layout_set_font_description(layout, m_font);
        pango_layout_set_text(layout, text.c_str(), -1);
        cairo_set_source_rgba(cr, 1, 1, 1, 1);
        cairo_move_to(cr, -ink.x, -ink.y);
        pango_cairo_show_layout(cr, layout);
        cairo_surface_flush(image);
        const unsigned char* data = cairo_image_surface_get_data(image);
        int stride = cairo_image_surface_get_stride(image);
        for (int y = 0; y < g.height; ++y)
            memcpy(&g.coverage[(size_t)y * g.width], data + (size_t)y * stride, (size_t)g.width);
        g_object_unref(layout);
        cairo_destroy(cr);
        cairo_surface_destroy(image);
        return true;
    }

private:
    Rasterizer(const Rasterizer&) = delete;
    Rasterizer& operator=(const Rasterizer&) = delete;
    cairo_surface_t* m_surface;
    cairo_t* m_cr;
    PangoLayout* m_layout;
    PangoFontDescription* m_font;
};

// Shelf packing of the glyph images onto pages of pageWidth x at most maxHeight pixels, one
// pixel apart; each page's height is the next power of two its shelves need. False when a
// glyph is larger than a page.
inline bool Pack(std::vector<Glyph>& glyphs, int pageWidth, int maxHeight, std::vector<Page>& pages)
{
    pages.clear();
    int page = 0, x = 1, y = 1, shelf = 0, used = 0;
    std::vector<int> heights;
    for (Glyph& g : glyphs) {
        if (g.width == 0 || g.height == 0) {
            g.page = page;
            g.x = g.y = 0;
            continue;
        }
        if (g.width + 2 > pageWidth || g.height + 2 > maxHeight)
            return false;
        if (x + g.width + 1 > pageWidth) {
            x = 1;
            y += shelf + 1;
            shelf = 0;
        }
        if (y + g.height + 1 > maxHeight) {
            heights.push_back(used);
            ++page;
            x = 1;
            y = 1;
            shelf = 0;
            used = 0;
        }
        g.page = page;
        g.x = x;
        g.y = y;
        x += g.width + 1;
        if (g.height > shelf)
            shelf = g.height;
        if (y + g.height + 1 > used)
            used = y + g.height + 1;
    }
    heights.push_back(used);
    for (size_t p = 0; p < heights.size(); ++p) {
        Page pg;
        pg.width = pageWidth;
        pg.height = 1;
        while (pg.height < heights[p])
            pg.height *= 2;
        if (pg.height > maxHeight)
            pg.height = maxHeight;
        pg.coverage.assign((size_t)pg.width * pg.height, 0);
        pages.push_back(pg);
    }
    for (Glyph& g : glyphs) {
        if (g.width == 0 || g.height == 0)
            continue;
        Page& pg = pages[(size_t)g.page];
        for (int yy = 0; yy < g.height; ++yy)
            memcpy(&pg.coverage[(size_t)(g.y + yy) * pg.width + g.x],
                   &g.coverage[(size_t)yy * g.width], (size_t)g.width);
    }
    return true;
}

inline cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length)
{
    std::vector<unsigned char>* out = (std::vector<unsigned char>*)closure;
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

// The page as a PNG: white pixels whose alpha is the coverage.
inline bool PagePng(const Page& page, std::vector<unsigned char>& png)
{
    cairo_surface_t* image =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, page.width, page.height);
    if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS)
        return false;
    cairo_surface_flush(image);
    unsigned char* data = cairo_image_surface_get_data(image);
    int stride = cairo_image_surface_get_stride(image);
    for (int y = 0; y < page.height; ++y) {
        unsigned int* row = (unsigned int*)(data + (size_t)y * stride);
        for (int x = 0; x < page.width; ++x) {
            unsigned a = page.coverage[(size_t)y * page.width + x];
            row[x] = (a << 24) | (a << 16) | (a << 8) | a; // premultiplied white
        }
    }
    cairo_surface_mark_dirty(image);
    png.clear();
    cairo_status_t status = cairo_surface_write_to_png_stream(image, AppendBytes, &png);
    cairo_surface_destroy(image);
    return status == CAIRO_STATUS_SUCCESS;
}

using toolfiles::WriteFileAtomically;

} // namespace fontraster
