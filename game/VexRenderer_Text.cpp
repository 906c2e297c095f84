// CVexRenderer: text in the game's bitmap font, placed by flags, with its shadow and outline; the glyph
// quads go out in batches of the text buffers, so a text of any length is drawn whole.
#include <GLES2/gl2.h>
#include <stdlib.h>

#include "engine/VortanColor.h"
#include "engine/graphics/VortanBitmapFont.h"
#include "engine/graphics/VortanSurface.h"
#include "game/StateGame.h"
#include "game/VexAssetLoader.h"
#include "game/VexRenderer.h"
#include "game/VexShader.h"
#include "platform/OrloApplication.h"

int CVexRenderer::TextOutlineWidth(int lineHeight)
{
    const int d = (lineHeight + 12) / 24;
    return d < 1 ? 1 : d;
}

CVortanBitmapFont* CVexRenderer::GetFont(int fontIndex)
{
    if (!m_game || fontIndex != 0)
        return nullptr;
    CVexGameContext* context = m_game->GetGameContext();
    if (!context->GetFont() && m_game->GetHostApplication())
        CVexAssetLoader::LoadFont(context, m_game->GetHostApplication());
    return context->GetFont();
}

void CVexRenderer::DrawText(int x, int y, const CVortanString& text, u32 colour, u32 flags,
                            int fontIndex)
{
    CVortanBitmapFont* font = GetFont(fontIndex);
    if (!font)
        return;
    if (!GetImage(0) && m_game && m_game->GetHostApplication())
        CVexAssetLoader::LoadImage(m_game->GetGameContext(), m_game->GetHostApplication(), 0);
    if (!GetImage(0))
        return;
    const float scale = font->GetScale();
    if (flags & VEX_TEXT_SCALE_3_4)
        font->SetScale(scale * 0.75f);
    if (flags & VEX_TEXT_SCALE_1_2)
        font->SetScale(scale * 0.5f);
    const int w = font->GetTextWidth(text, 0);
    const int h = font->GetLineHeight();
    if (flags & VEX_TEXT_CENTER_VIEW_X)
        x = (int)GetViewWidth() / 2 - w / 2;
    if (flags & VEX_TEXT_CENTER_VIEW_Y)
        y = (int)GetViewHeight() / 2 - h / 2;
    if (flags & VEX_TEXT_CENTER_X)
        x -= w / 2;
    if (flags & VEX_TEXT_RIGHT)
        x -= w;
    if (flags & VEX_TEXT_WHOLE_X) {
        const int view = (int)GetViewWidth();
        if (x + w > 0 && x < view && w <= view)
            x = x < 0 ? 0 : x + w > view ? view - w : x;
    }
    if (flags & VEX_TEXT_MIDDLE)
        y -= h / 2;
    if (flags & VEX_TEXT_BOTTOM)
        y -= h;
    LogText({x, y, x + w, y + h, colour, text});
    // The passes in the order they cover one another: the shadow, the dark outline all round
    // (so a pale text reads on the pale sky as well as on the dark water: the text eight times
    // around its place, in a dark colour that fades with the text), then the text.
    TextPass passes[10];
    int count = 0;
    if (!(flags & VEX_TEXT_NO_SHADOW)) {
        const int drop = (int)((float)font->GetLineHeight() * 0.1f);
        passes[count++] = {0, drop, (colour >> 1) & 0x7F000000u};
        const int d = TextOutlineWidth(h);
        const u32 dark = (((colour >> 24) * 7 / 8) << 24) | 0x00101010u;
        static const int kAround[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0},
                                          {1, 0},   {-1, 1}, {0, 1},  {1, 1}};
        for (const auto& a : kAround)
            passes[count++] = {a[0] * d, a[1] * d, dark};
    }
    passes[count++] = {0, 0, colour};
    DrawTextPasses(x, y, text, font, passes, count);
    font->SetScale(scale);
}

void CVexRenderer::GlyphQuad(CVexVertex* q, float pen, int y, const CVortanGlyph* g, float s,
                             float pageW, float pageH) const
{
    const float l = ClipX(pen), r = ClipX(pen + s * (float)g->width);
    const float t = ClipY((float)y + s * (float)g->yoffset);
    const float b = ClipY((float)y + s * (float)(g->yoffset + g->height));
    const float u0 = (float)g->x / pageW, u1 = (float)(g->x + g->width) / pageW;
    const float v0 = (float)g->y / pageH, v1 = (float)(g->y + g->height) / pageH;
    q[0] = {l, t, 0.5f, u0, v0};
    q[1] = {l, b, 0.5f, u0, v1};
    q[2] = {r, b, 0.5f, u1, v1};
    q[3] = {r, t, 0.5f, u1, v0};
}

// Every pass of a text in one batch of glyph quads, each quad carrying its pass's colour: the
// quads go out in the passes' order, so each covers what the passes before it drew, as one draw
// per pass would; a batch holds VEX_TEXT_QUADS quads.
void CVexRenderer::DrawTextPasses(int x, int y, const CVortanString& text, CVortanBitmapFont* font,
                                  const TextPass* passes, int count)
{
    m_lastTextDraws = 0;
    CVortanSurface* page = GetImage(0);
    CVexColouredScreenShader* shader =
        (CVexColouredScreenShader*)GetShader(VEX_SHADER_COLOURED_SCREEN);
    if (!font || !page || !m_textIndices || !shader || !shader->IsReady())
        return;
    const float pageW = page->GetWidth() > 0 ? (float)page->GetWidth() : 1.0f;
    const float pageH = page->GetHeight() > 0 ? (float)page->GetHeight() : 1.0f;
    const float s = font->GetScale();
    const CVortanGlyph* gap = font->FindGlyph('_');
    const int length = text.GetLength();
    const unsigned short* units = text.GetBuffer();

    if (!ColouredBatchReady())
        return;
    shader->Use();
    BeginDraw();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    BindClampedLinear(page->DrawTexture());
    BindColouredBatch(shader);
    int quads = 0;
    for (int p = 0; p < count; ++p) {
        const CVortanColor c(passes[p].colour);
        const int py = y + passes[p].dy;
        float pen = (float)(x + passes[p].dx);
        for (int i = 0; i < length; ++i) {
            const CVortanGlyph* g = font->FindGlyph(units[i]);
            if (!g) {
                if (gap)
                    pen += s * (float)gap->xadvance;
                continue;
            }
            CVexVertex q[4];
            GlyphQuad(q, pen, py, g, s, pageW, pageH);
            CVexColouredVertex* out = m_batchVertices + 4 * quads;
            for (int k = 0; k < 4; ++k)
                out[k] = {q[k].x, q[k].y, q[k].z, q[k].u, q[k].v, c.r, c.g, c.b, c.a};
            pen += s * (float)g->xadvance;
            if (++quads == VEX_TEXT_QUADS) {
                glDrawElements(GL_TRIANGLES, quads * 6, GL_UNSIGNED_SHORT, m_textIndices);
                ++m_lastTextDraws;
                quads = 0;
            }
        }
    }
    if (quads > 0) {
        glDrawElements(GL_TRIANGLES, quads * 6, GL_UNSIGNED_SHORT, m_textIndices);
        ++m_lastTextDraws;
    }
    EndDraw();
    EndColouredBatch(shader);
}

void CVexRenderer::DrawFontText(int x, int y, const CVortanString& text, u32 colour,
                                CVortanBitmapFont* font)
{
    m_lastTextDraws = 0;
    CVortanSurface* page = GetImage(0);
    CVexScreenShader* shader = GetScreenShader();
    if (!font || !page || !m_textVertices || !m_textIndices || !shader || !shader->IsReady())
        return;
    const float pageW = page->GetWidth() > 0 ? (float)page->GetWidth() : 1.0f;
    const float pageH = page->GetHeight() > 0 ? (float)page->GetHeight() : 1.0f;
    const float s = font->GetScale();
    const CVortanGlyph* gap = font->FindGlyph('_');
    const int length = text.GetLength();
    const unsigned short* units = text.GetBuffer();

    shader->Use();
    BeginDraw();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    BindClampedLinear(page->DrawTexture());
    const CVortanColor c(colour);
    glUniform4f(shader->color0, c.r, c.g, c.b, c.a);
    if (shader->position >= 0) {
        glEnableVertexAttribArray((GLuint)shader->position);
        glVertexAttribPointer((GLuint)shader->position, 3, GL_FLOAT, GL_FALSE, sizeof(CVexVertex),
                              &m_textVertices[0].x);
    }
    if (shader->uv0 >= 0) {
        glEnableVertexAttribArray((GLuint)shader->uv0);
        glVertexAttribPointer((GLuint)shader->uv0, 2, GL_FLOAT, GL_FALSE, sizeof(CVexVertex),
                              &m_textVertices[0].u);
    }

    float pen = (float)x;
    int quads = 0;
    for (int i = 0; i < length; ++i) {
        const CVortanGlyph* g = font->FindGlyph(units[i]);
        if (!g) {
            if (gap)
                pen += s * (float)gap->xadvance;
            continue;
        }
        GlyphQuad(m_textVertices + 4 * quads, pen, y, g, s, pageW, pageH);
        pen += s * (float)g->xadvance;
        if (++quads == VEX_TEXT_QUADS) {
            glDrawElements(GL_TRIANGLES, quads * 6, GL_UNSIGNED_SHORT, m_textIndices);
            ++m_lastTextDraws;
            quads = 0;
        }
    }
    if (quads > 0) {
        glDrawElements(GL_TRIANGLES, quads * 6, GL_UNSIGNED_SHORT, m_textIndices);
        ++m_lastTextDraws;
    }
    EndDraw();
    if (shader->position >= 0)
        glDisableVertexAttribArray((GLuint)shader->position);
    if (shader->uv0 >= 0)
        glDisableVertexAttribArray((GLuint)shader->uv0);
}
