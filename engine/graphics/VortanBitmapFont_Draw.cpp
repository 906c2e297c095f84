// CVortanBitmapFont: laying text out into runs and drawing it through GLES2 or into a
// software surface.
#include <GLES2/gl2.h>
#include <math.h>
#include <string.h>

#include <new>

#include "engine/graphics/Vortan3DProgram.h"
#include "engine/graphics/VortanBitmapFont.h"
#include "engine/graphics/VortanBitmapFontText.h"
#include "engine/graphics/VortanGraphicsExt_GLES2.h"
#include "engine/graphics/VortanSurface.h"
#include "engine/graphics/VortanSurfaceApp.h"
#include "engine/graphics/VortanSurfaceFormats.h"

namespace {

// Copies one glyph's coverage into a software surface: where the coverage is non-zero the
// pixel takes the colour, or (blend) moves towards it by coverage x colour alpha.
void DrawGlyphSoftware(CVortanSurface* target, const CVortanRect& area, int x0, int y0,
                       const CVortanGlyph& g, const CVortanFontPage& page, float scale, u32 color,
                       bool blend, const u32* palette)
{
    float fw = (float)g.width * scale, fh = (float)g.height * scale;
    if (!(fw >= 1.0f && fh >= 1.0f) || fw > 1.0e9f || fh > 1.0e9f || !page.alpha)
        return;
    i64 dw = (i64)fw, dh = (i64)fh;
    int format = target->GetPixelFormat();
    u8* pixels = target->GetPixels();
    int pitch = target->GetPitch();
    u32 colorAlpha = color >> 24;
    // Only the glyph's rows and columns inside the drawing area are walked.
    i64 jFrom = (i64)area.top - y0 > 0 ? (i64)area.top - y0 : 0;
    i64 jTo = (i64)area.bottom - y0 < dh ? (i64)area.bottom - y0 : dh;
    i64 iFrom = (i64)area.left - x0 > 0 ? (i64)area.left - x0 : 0;
    i64 iTo = (i64)area.right - x0 < dw ? (i64)area.right - x0 : dw;
    for (i64 j = jFrom; j < jTo; ++j) {
        i64 ty = (i64)y0 + j;
        int sy = g.y + (int)(j * g.height / dh);
        const u8* coverage = page.alpha + (size_t)sy * page.width;
        const u8* row = pixels + (size_t)ty * pitch;
        for (i64 i = iFrom; i < iTo; ++i) {
            i64 tx = (i64)x0 + i;
            u32 cov = coverage[g.x + (int)(i * g.width / dw)];
            if (!cov)
                continue;
            if (!blend) {
                target->WritePixel((int)tx, (int)ty, color);
                continue;
            }
            // 16.16 fraction of the way from the target to the colour.
            i64 f = ((i64)cov * colorAlpha * 65536) / (255 * 255);
            u32 d = VortanDecodeNative(format, row, (int)tx, nullptr, palette);
            u32 out = 0;
            for (int shift = 0; shift < 32; shift += 8) {
                i64 dc = (d >> shift) & 0xFF, cc = (color >> shift) & 0xFF;
                i64 v = dc + (((cc - dc) * f) >> 16);
                out |= (u32)(v < 0 ? 0 : (v > 255 ? 255 : v)) << shift;
            }
            target->WritePixel((int)tx, (int)ty, out);
        }
    }
}

// Whether a glyph position (pixels) can be drawn at all: one far outside any surface (from
// the metrics of a hostile description) is not an int.
bool PixelPlace(float v)
{
    return v > -1.0e9f && v < 1.0e9f;
}

// The run colour as the text program takes it: premultiplied by its alpha, since the text
// is blended with (one, one minus source alpha).
void SetRunColor(int location, u32 color)
{
    float a = (float)(color >> 24) / 255.0f;
    float r = (float)((color >> 16) & 0xFF) / 255.0f, g = (float)((color >> 8) & 0xFF) / 255.0f,
          b = (float)(color & 0xFF) / 255.0f;
    glUniform4f(location, r * a, g * a, b * a, a);
}

} // namespace

int CVortanBitmapFont::DrawText(const CVortanRect& rect, IVortanGraphicsContext* context,
                                const CVortanString& text, u32 color, u32 flags,
                                CVortanTextLayout* layout)
{
    if (!context)
        return VORTAN_E_ARGUMENT;
    if (layout) {
        layout->FreeRuns();
        layout->m_context = context;
        layout->m_color = color;
        layout->m_flags = flags;
        layout->m_rect = rect;
    }
    int length = text.GetLength();
    if (length == 0 || m_pages.GetCount() == 0 || !m_glyphs || !m_quads)
        return VORTAN_OK;
    const CVortanRect& clip = context->GetClipRect();
    if (rect.right <= clip.left || rect.left >= clip.right || rect.bottom <= clip.top ||
        rect.top >= clip.bottom)
        return VORTAN_OK;
    int type = context->GetContextType();
    if (type != VORTAN_CONTEXT_SURFACE && type != VORTAN_CONTEXT_GLES2)
        return VORTAN_OK;

    CVortanRect area;
    area.left = rect.left > clip.left ? rect.left : clip.left;
    area.top = rect.top > clip.top ? rect.top : clip.top;
    area.right = rect.right < clip.right ? rect.right : clip.right;
    area.bottom = rect.bottom < clip.bottom ? rect.bottom : clip.bottom;

    bool multi = (flags & VORTAN_TEXT_MULTILINE) != 0;
    bool tags = !(flags & VORTAN_TEXT_NO_TAGS);
    CVortanString wrapped;
    const CVortanString* source = &text;
    if (multi) {
        WrapText(text, wrapped, area, flags);
        source = &wrapped;
    }
    const unsigned short* t = source->GetBuffer();
    int step = GetLineHeight();
    i64 y = area.top;
    if (flags & VORTAN_TEXT_CENTER_Y) {
        i64 height = step;
        if (multi) {
            CVortanRect measured = area;
            MeasureWrappedText(measured, text);
            height = (i64)measured.bottom - measured.top;
        }
        y = (i64)area.top + ((i64)area.bottom - area.top) / 2 - height / 2;
    }

    CVortanTextLayout temporary;
    CVortanTextLayout* out = layout ? layout : &temporary;
    out->m_context = context;
    out->m_color = color;
    out->m_rect = area;
    out->m_flags = flags;

    CVortanSurface* surface =
        type == VORTAN_CONTEXT_SURFACE ? static_cast<CVortanSurface*>(context) : nullptr;
    const u32* palette = nullptr;
    if (surface) {
        if (!surface->GetPixels())
            return VORTAN_OK;
        surface->Lock(nullptr, 0);
        palette = VortanSurfaceAppPalette(surface->GetApplication());
    }
    bool blend = (flags & VORTAN_TEXT_BLEND) != 0;

    u32 current = color;
    CVortanTextRun* run = nullptr;
    int pos = 0;
    while (pos < length) {
        int end = pos;
        if (multi) {
            while (end < length && t[end] != '\r' && t[end] != '\n')
                ++end;
        } else {
            end = length;
        }
        CVortanString line(*source, pos, end - pos);
        int width = GetTextWidth(line, flags & ~(u32)VORTAN_TEXT_MULTILINE);
        i64 x = area.left;
        if (flags & VORTAN_TEXT_CENTER_X)
            x = (i64)area.left + ((i64)area.right - area.left) / 2 - width / 2;
        else if (flags & VORTAN_TEXT_RIGHT)
            x = (i64)area.right - width;

        i64 pen = 0; // unscaled advance since the line's start
        for (int i = pos; i < end; ++i) {
            if (tags) {
                u32 tagColor;
                int skip = VortanTextTagAt(t, length, i, &tagColor);
                if (skip && i + skip <= end) {
                    current = tagColor;
                    run = nullptr;
                    i += skip - 1;
                    continue;
                }
            }
            const CVortanGlyph* g = FindGlyph(t[i]);
            if (!g)
                continue;
            const CVortanFontPage* page = GetPage(g->page);
            if (!run || run->page != g->page || run->count >= CVortanTextRun::MAX_GLYPHS) {
                run = new (std::nothrow) CVortanTextRun();
                if (!run || out->m_runs.Add(run) != VORTAN_OK) {
                    delete run;
                    run = nullptr;
                    break;
                }
                run->color = current;
                run->count = 0;
                run->page = g->page;
                run->texture = page ? page->texture : 0;
            }
            // Where the glyph goes: the line's x plus the scaled pen and offset.
            float gx = (float)x + (float)(pen + g->xoffset) * m_scale;
            float gy = (float)y + (float)g->yoffset * m_scale;
            int q = run->count++;
            float ox = 2.0f * context->ToUnitX(gx) - 1.0f;
            float oy = 1.0f - 2.0f * (context->ToUnitY((float)y) +
                                      context->ToUnitY((float)g->yoffset) * m_scale);
            const CVortanGlyphQuad& quad = m_quads[g->index];
            for (int k = 0; k < 4; ++k) {
                float* v = run->vertices + (q * 4 + k) * CVortanTextRun::FLOATS_PER_VERTEX;
                v[0] = quad.corner[k][0];
                v[1] = quad.corner[k][1];
                v[2] = quad.corner[k][2];
                v[3] = quad.corner[k][3];
                v[4] = ox;
                v[5] = oy;
            }
            u16 base = (u16)(q * 4);
            u16* idx = run->indices + q * 6;
            idx[0] = base;
            idx[1] = (u16)(base + 1);
            idx[2] = (u16)(base + 2);
            idx[3] = base;
            idx[4] = (u16)(base + 2);
            idx[5] = (u16)(base + 3);
            if (surface && page && PixelPlace(gx) && PixelPlace(gy))
                DrawGlyphSoftware(surface, area, (int)floorf(gx), (int)floorf(gy), *g, *page,
                                  m_scale, current, blend, palette);
            pen += g->xadvance;
        }
        if (!multi || end >= length)
            break;
        y += step;
        pos = end + 1;
    }

    if (surface) {
        surface->Unlock();
        return VORTAN_OK;
    }

    CVortanGraphicsExt_GLES2* ext = dynamic_cast<CVortanGraphicsExt_GLES2*>(context);
    if (!ext || out->GetRunCount() == 0)
        return VORTAN_OK;
    CVortan3DProgram* program = ext->GetProgram((m_loadFlags & VORTAN_FONT_KEEP_COLOR)
                                                    ? CVortanGraphicsExt_GLES2::PROGRAM_TEXT_B
                                                    : CVortanGraphicsExt_GLES2::PROGRAM_TEXT_A);
    if (!program || !program->GetProgramId())
        return VORTAN_OK;
    m_program = program;
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    ext->UseProgram(program, nullptr);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    int scaleLocation = program->GetUniformLocation("scale");
    if (scaleLocation >= 0)
        glUniform2f(scaleLocation, context->ToUnitX(1.0f) * m_scale,
                    context->ToUnitY(1.0f) * m_scale);
    int colorLocation = program->GetUniformLocation("color");
    int attributes[3] = {program->GetAttribLocation("position"), program->GetAttribLocation("uv"),
                         program->GetAttribLocation("offset")};
    for (int a : attributes) {
        if (a >= 0)
            glEnableVertexAttribArray((GLuint)a);
    }
    glActiveTexture(GL_TEXTURE0);
    const GLsizei stride = CVortanTextRun::FLOATS_PER_VERTEX * sizeof(float);
    for (int r = 0; r < out->GetRunCount(); ++r) {
        CVortanTextRun* each = out->GetRun(r);
        ext->BindTexture(GL_TEXTURE0, each->texture);
        for (int a = 0; a < 3; ++a) {
            if (attributes[a] >= 0)
                glVertexAttribPointer((GLuint)attributes[a], 2, GL_FLOAT, GL_FALSE, stride,
                                      each->vertices + a * 2);
        }
        if (colorLocation >= 0 && (r == 0 || each->color != out->GetRun(r - 1)->color))
            SetRunColor(colorLocation, each->color);
        glDrawElements(GL_TRIANGLES, each->count * 6, GL_UNSIGNED_SHORT, each->indices);
    }
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    for (int a : attributes) {
        if (a >= 0)
            glDisableVertexAttribArray((GLuint)a);
    }
    return VORTAN_OK;
}

int CVortanBitmapFont::DrawTextInContext(const CVortanFloatRect& rect,
                                         IVortanGraphicsContext* context, const CVortanString& text,
                                         u32 color, u32 flags, CVortanTextLayout* layout)
{
    if (!context)
        return VORTAN_E_ARGUMENT;
    CVortanRect r;
    r.left = context->ToPixelX(rect.left);
    r.top = context->ToPixelY(rect.top);
    r.right = context->ToPixelX(rect.right);
    r.bottom = context->ToPixelY(rect.bottom);
    return DrawText(r, context, text, color, flags, layout);
}

int CVortanBitmapFont::DrawTextAt(int x, int y, IVortanGraphicsContext* context,
                                  const CVortanString& text, u32 color, u32 flags,
                                  CVortanTextLayout* layout)
{
    if (!context)
        return VORTAN_E_ARGUMENT;
    CVortanRect r;
    r.Set(x, y, context->GetWidth(), context->GetHeight());
    return DrawText(r, context, text, color, flags, layout);
}

int CVortanBitmapFont::DrawTextAtUnit(float x, float y, IVortanGraphicsContext* context,
                                      const CVortanString& text, u32 color, u32 flags,
                                      CVortanTextLayout* layout)
{
    if (!context)
        return VORTAN_E_ARGUMENT;
    return DrawTextAt(context->ToPixelX(x), context->ToPixelY(y), context, text, color, flags,
                      layout);
}
