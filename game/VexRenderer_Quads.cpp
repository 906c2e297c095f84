// CVexRenderer: the single-quad helpers in screen and world space, and the water.
#include <GLES2/gl2.h>
#include <math.h>
#include <stdlib.h>

#include "engine/VortanColor.h"
#include "engine/graphics/VortanGraphicsContext.h"
#include "engine/graphics/VortanSurface.h"
#include "game/VexQuadTrim.h"
#include "game/VexRenderer.h"
#include "game/VexShader.h"

namespace {

const float kHalfPi = 1.5707963f;
// The most of a quad's own box that a box of the pixels its picture can change may take to be
// worth drawing within.
const float kWorthABox = 0.6f;

// (x, y) rotated by the angle (radians, counter-clockwise for y up).
void Rotate(float x, float y, float angle, float& ox, float& oy)
{
    const float c = cosf(angle), s = sinf(angle);
    ox = x * c - y * s;
    oy = x * s + y * c;
}

} // namespace

float CVexRenderer::ClipX(float x) const
{
    const float half = m_camera.GetHalfScreen().x;
    return half > 0.0f ? x / half - 1.0f : 0.0f;
}

float CVexRenderer::ClipY(float y) const
{
    const float half = m_camera.GetHalfScreen().y;
    return half > 0.0f ? 1.0f - y / half : 0.0f;
}

void CVexRenderer::TurnedQuad(CVexVertex* q, const CVortanVector2& centre,
                              const CVortanVector2& halfSize, float angle, float u0, float v0,
                              float u1, float v1) const
{
    // Corners in pixels (y down) turned about the centre, then to clip space: the turn is in
    // pixels, so the sprite keeps its shape whatever the view's aspect.
    const float corners[4][4] = {{-halfSize.x, -halfSize.y, u0, v0},
                                 {-halfSize.x, halfSize.y, u0, v1},
                                 {halfSize.x, halfSize.y, u1, v1},
                                 {halfSize.x, -halfSize.y, u1, v0}};
    const float turn = -kHalfPi - angle;
    for (int i = 0; i < 4; ++i) {
        float x, y;
        Rotate(corners[i][0], corners[i][1], turn, x, y);
        q[i] = {ClipX(centre.x + x), ClipY(centre.y + y), 0.5f, corners[i][2], corners[i][3]};
    }
}

void CVexRenderer::ScreenQuad(CVexVertex* q, const CVortanVector2& centre, float halfW, float top,
                              float bottom, float u0, float v0, float u1, float v1, float z) const
{
    const float l = ClipX(centre.x - halfW), r = ClipX(centre.x + halfW);
    const float t = ClipY(top), b = ClipY(bottom);
    q[0] = {l, t, z, u0, v0};
    q[1] = {l, b, z, u0, v1};
    q[2] = {r, b, z, u1, v1};
    q[3] = {r, t, z, u1, v0};
}

void CVexRenderer::WorldQuad(CVexVertex* q, float left, float right, float top, float bottom,
                             float u0, float v0, float u1, float v1)
{
    q[0] = {left, top, 1.0f, u0, v0};
    q[1] = {left, bottom, 1.0f, u0, v1};
    q[2] = {right, bottom, 1.0f, u1, v1};
    q[3] = {right, top, 1.0f, u1, v0};
}

CVexRenderer::Target CVexRenderer::ScreenTarget(int overlay) const
{
    CVexTintedScreenShader* s =
        overlay ? (CVexTintedScreenShader*)GetScreenOverlayShader() : GetScreenShader();
    if (!s)
        return Target{nullptr, -1, -1, -1, -1};
    return Target{s, s->position, s->uv0, -1, s->color0};
}

CVexRenderer::Target CVexRenderer::WorldTarget(int shader) const
{
    if (shader == VEX_SHADER_WATER) {
        CVexWaterShader* w = GetWaterShader();
        if (!w)
            return Target{nullptr, -1, -1, -1, -1};
        return Target{w, w->position, w->uv0, w->projectionMatrix, -1};
    }
    CVexTintedWorldShader* s = (CVexTintedWorldShader*)GetShader(shader);
    if (!s)
        return Target{nullptr, -1, -1, -1, -1};
    return Target{s, s->position, s->uv0, s->projectionMatrix, s->color0};
}

int CVexRenderer::PixelBox(const Target& target, const CVexVertex* quad, CVortanRect* box) const
{
    // Clip space to the pixels of the view GL draws into: the context's whole size.
    IVortanGraphicsContext* context = GetContext();
    if (!context)
        return 0;
    const float w = (float)context->GetWidth(), h = (float)context->GetHeight();
    const float* m = m_camera.GetMatrix().GetData();
    float left = 0.0f, top = 0.0f, right = 0.0f, bottom = 0.0f;
    for (int k = 0; k < 4; ++k) {
        float x = quad[k].x, y = quad[k].y;
        if (target.projection >= 0) {
            // The world shaders' vec4(position, 1.0) * projectionMatrix (column-major data).
            const float p[4] = {quad[k].x, quad[k].y, quad[k].z, 1.0f};
            float c[4];
            for (int j = 0; j < 4; ++j)
                c[j] = p[0] * m[j * 4] + p[1] * m[j * 4 + 1] + p[2] * m[j * 4 + 2] +
                       p[3] * m[j * 4 + 3];
            if (!(c[3] > 0.0f))
                return 0;
            x = c[0] / c[3];
            y = c[1] / c[3];
        }
        const float px = (x + 1.0f) * 0.5f * w, py = (1.0f - y) * 0.5f * h;
        if (!(fabsf(px) < 1e6f && fabsf(py) < 1e6f))
            return 0;
        left = k ? fminf(left, px) : px;
        right = k ? fmaxf(right, px) : px;
        top = k ? fminf(top, py) : py;
        bottom = k ? fmaxf(bottom, py) : py;
    }
    // A pixel is drawn when its centre is inside: a pixel more on each side is to spare.
    box->Set((int)floorf(left) - 1, (int)floorf(top) - 1, (int)ceilf(right) + 1,
             (int)ceilf(bottom) + 1);
    return 1;
}

int CVexRenderer::ShowingBox(const Target& target, const CVexVertex* quad, CVortanSurface* image,
                             CVortanRect* box) const
{
    float u0, v0, u1, v1;
    image->GetTextureCover(&u0, &v0, &u1, &v1);
    if (!(u0 > 0.0f || v0 > 0.0f || u1 < 1.0f || v1 < 1.0f))
        return -1;
    CVexVertex cut[4];
    for (int k = 0; k < 4; ++k)
        cut[k] = quad[k];
    if (!VexTrimQuad(cut, u0, v0, u1, v1))
        return 0;
    CVortanRect whole;
    if (!PixelBox(target, quad, &whole) || !PixelBox(target, cut, box))
        return -1;
    // A box that leaves out little costs the rasterizer more than it saves: the edges of the
    // box are tested on every block of the quad.
    const float wholeArea = (float)(whole.right - whole.left) * (float)(whole.bottom - whole.top);
    const float boxArea = (float)(box->right - box->left) * (float)(box->bottom - box->top);
    if (boxArea > kWorthABox * wholeArea)
        return -1;
    return 1;
}

void CVexRenderer::Submit(const Target& target, const CVexVertex* quad, CVortanSurface* image,
                          u32 colour, Blend blend, Filter filter, int repeatU, int repeatV)
{
    if (!image || !target.shader || !target.shader->IsReady())
        return;
    const u32 texture = image->DrawTexture();
    // A picture with no see-through pixel, drawn at full strength, covers what is below it:
    // nothing below needs to be read.
    if ((blend == BLEND_BY_ALPHA || blend == BLEND_PREMULTIPLIED) && target.colour >= 0 &&
        (colour >> 24) == 0xFF && image->IsTextureOpaque())
        blend = BLEND_OPAQUE;
    // Where the picture is wholly clear these blends leave the target as it is: the pixels
    // outside the part of the picture that can show are left out (a button's transparent
    // margin is most of its square). Only the first level is measured: not where a smaller
    // one may be read.
    CVortanRect box;
    int within = -1;
    if ((blend == BLEND_BY_ALPHA || blend == BLEND_PREMULTIPLIED || blend == BLEND_GLOW) &&
        m_leaveOutClear && target.colour >= 0 && !repeatU && !repeatV &&
        (filter != FILTER_KEEP || !image->HasMipLevels())) {
        within = ShowingBox(target, quad, image, &box);
        if (!within)
            return;
    }
    target.shader->Use();
    BeginDraw();
    SetBlend(blend, colour);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, repeatU ? GL_REPEAT : GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, repeatV ? GL_REPEAT : GL_CLAMP_TO_EDGE);
    if (filter != FILTER_KEEP)
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    if (filter == FILTER_LINEAR)
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    if (target.projection >= 0)
        glUniformMatrix4fv(target.projection, 1, GL_FALSE, m_camera.GetMatrix().GetData());
    if (target.colour >= 0) {
        const CVortanColor c(colour);
        glUniform4f(target.colour, c.r, c.g, c.b, c.a);
    }
    if (target.position >= 0) {
        glEnableVertexAttribArray((GLuint)target.position);
        glVertexAttribPointer((GLuint)target.position, 3, GL_FLOAT, GL_FALSE, sizeof(CVexVertex),
                              &quad[0].x);
    }
    if (target.uv0 >= 0) {
        glEnableVertexAttribArray((GLuint)target.uv0);
        glVertexAttribPointer((GLuint)target.uv0, 2, GL_FLOAT, GL_FALSE, sizeof(CVexVertex),
                              &quad[0].u);
    }
    IVortanGraphicsContext* context = within > 0 ? GetContext() : nullptr;
    if (context)
        context->PrepareDrawWithin(box);
    glDrawArrays(GL_TRIANGLE_FAN, 0, 4);
    ResetBlend(blend);
    EndDraw();
    if (target.position >= 0)
        glDisableVertexAttribArray((GLuint)target.position);
    if (target.uv0 >= 0)
        glDisableVertexAttribArray((GLuint)target.uv0);
}

// --- screen space ---------------------------------------------------------------------------

void CVexRenderer::DrawScreenQuad(const CVortanVector2& centre, const CVortanVector2& halfSize,
                                  CVortanSurface* image, u32 colour)
{
    CVexVertex q[4];
    ScreenQuad(q, centre, halfSize.x, centre.y - halfSize.y, centre.y + halfSize.y, 0.0f, 0.0f,
               1.0f, 1.0f, 0.5f);
    Submit(ScreenTarget(0), q, image, colour, BLEND_BY_ALPHA, FILTER_LINEAR_MIN);
}

void CVexRenderer::DrawSprite(const CVortanVector2& centre, const CVortanVector2& halfSize,
                              u32 colour, int col, int row, int columns, int rows, float angle,
                              CVortanSurface* image)
{
    float u0, v0, u1, v1;
    VexFrameUV(col, row, columns, rows, 1, u0, v0, u1, v1);
    CVexVertex q[4];
    TurnedQuad(q, centre, halfSize, angle, u0, v0, u1, v1);
    Submit(ScreenTarget(0), q, image, colour, BLEND_BY_ALPHA, FILTER_KEEP);
}

void CVexRenderer::DrawGlowSprite(const CVortanVector2& centre, const CVortanVector2& halfSize,
                                  float angle, CVortanSurface* image, u32 colour)
{
    CVexVertex q[4];
    TurnedQuad(q, centre, halfSize, angle, 0.0f, 0.0f, 1.0f, 1.0f);
    Submit(ScreenTarget(0), q, image, colour, BLEND_GLOW, FILTER_LINEAR_MIN);
}

void CVexRenderer::DrawGlowSprites(const CVexGlow* glows, int count, CVortanSurface* image)
{
    CVexColouredScreenShader* shader =
        (CVexColouredScreenShader*)GetShader(VEX_SHADER_COLOURED_SCREEN);
    if (!glows || count <= 0 || !image || !shader || !shader->IsReady() || !m_textIndices)
        return;
    if (!ColouredBatchReady())
        return;
    shader->Use();
    BeginDraw();
    SetBlend(BLEND_GLOW, 0xFFFFFFFFu);
    BindClampedLinear(image->DrawTexture());
    BindColouredBatch(shader);
    int quads = 0;
    for (int i = 0; i < count; ++i) {
        CVexVertex q[4];
        TurnedQuad(q, glows[i].centre, glows[i].halfSize, glows[i].angle, 0.0f, 0.0f, 1.0f, 1.0f);
        const CVortanColor c(glows[i].colour);
        CVexColouredVertex* out = m_batchVertices + 4 * quads;
        for (int k = 0; k < 4; ++k)
            out[k] = {q[k].x, q[k].y, q[k].z, q[k].u, q[k].v, c.r, c.g, c.b, c.a};
        if (++quads == VEX_TEXT_QUADS || i == count - 1) {
            glDrawElements(GL_TRIANGLES, quads * 6, GL_UNSIGNED_SHORT, m_textIndices);
            quads = 0;
        }
    }
    EndDraw();
    EndColouredBatch(shader);
}

void CVexRenderer::DrawScreenFrame(const CVortanVector2& centre, const CVortanVector2& halfSize,
                                   u32 colour, int col, int row, int columns, int rows,
                                   CVortanSurface* image)
{
    float u0, v0, u1, v1;
    VexFrameUV(col, row, columns, rows, 1, u0, v0, u1, v1);
    CVexVertex q[4];
    ScreenQuad(q, centre, halfSize.x, centre.y - halfSize.y, centre.y + halfSize.y, u0, v0, u1, v1,
               0.5f);
    Submit(ScreenTarget(0), q, image, colour, BLEND_BY_ALPHA, FILTER_KEEP);
}

void CVexRenderer::DrawOverlayFrame(const CVortanVector2& centre, const CVortanVector2& halfSize,
                                    u32 colour, int col, int row, int columns,
                                    CVortanSurface* image)
{
    float u0, v0, u1, v1;
    VexFrameUV(col, row, columns, columns, 0, u0, v0, u1, v1);
    CVexVertex q[4];
    ScreenQuad(q, centre, halfSize.x, centre.y - halfSize.y, centre.y + halfSize.y, u0, v0, u1, v1,
               0.5f);
    Submit(ScreenTarget(1), q, image, colour, BLEND_MULTIPLY, FILTER_KEEP);
}

void CVexRenderer::DrawScreenSquibFrame(const CVortanVector2& centre,
                                        const CVortanVector2& halfSize, u32 colour, int row,
                                        int col, int columns, int rows, float scale,
                                        CVortanSurface* image)
{
    (void)colour; // the squib images carry their own colours
    float u0, v0, u1, v1;
    VexFrameUV(col, row, columns, rows, 0, u0, v0, u1, v1);
    CVexVertex q[4];
    ScreenQuad(q, centre, halfSize.x, centre.y - halfSize.y * scale, centre.y + halfSize.y, u0, v0,
               u1, v1, 0.5f);
    Submit(ScreenTarget(0), q, image, 0xFFFFFFFFu, BLEND_PREMULTIPLIED, FILTER_LINEAR);
}

// --- world space ----------------------------------------------------------------------------

void CVexRenderer::DrawWorldImage(const CVortanVector2& centre, const CVortanVector2& halfSize,
                                  CVortanSurface* image, u32 colour)
{
    CVexVertex q[4];
    WorldQuad(q, centre.x - halfSize.x, centre.x + halfSize.x, centre.y + halfSize.y,
              centre.y - halfSize.y, 0.0f, 0.0f, 1.0f, 1.0f);
    Submit(WorldTarget(VEX_SHADER_WORLD), q, image, colour, BLEND_PREMULTIPLIED, FILTER_KEEP);
}

void CVexRenderer::DrawWorldFrame(const CVortanVector2& centre, const CVortanVector2& halfSize,
                                  u32 colour, int col, int row, int columns, int rows,
                                  CVortanSurface* image)
{
    float u0, v0, u1, v1;
    VexFrameUV(col, row, columns, rows, 1, u0, v0, u1, v1);
    CVexVertex q[4];
    WorldQuad(q, centre.x - halfSize.x, centre.x + halfSize.x, centre.y + halfSize.y,
              centre.y - halfSize.y, u0, v0, u1, v1);
    Submit(WorldTarget(VEX_SHADER_SQUIB), q, image, colour, BLEND_PREMULTIPLIED, FILTER_KEEP);
}

void CVexRenderer::DrawSquibFrame(const CVortanVector2& centre, const CVortanVector2& halfSize,
                                  u32 colour, int row, int col, int columns, int rows, float scale,
                                  CVortanSurface* image)
{
    (void)colour;
    float u0, v0, u1, v1;
    VexFrameUV(col, row, columns, rows, 0, u0, v0, u1, v1);
    CVexVertex q[4];
    WorldQuad(q, centre.x - halfSize.x, centre.x + halfSize.x, centre.y + halfSize.y * scale,
              centre.y - halfSize.y, u0, v0, u1, v1);
    Submit(WorldTarget(VEX_SHADER_SQUIB), q, image, 0xFFFFFFFFu, BLEND_PREMULTIPLIED,
           FILTER_LINEAR);
}

void CVexRenderer::DrawStretch(const CVortanVector2& position, const CVortanVector2& halfSize,
                               u32 colour, const CVortanVector2& stretch, CVortanSurface* image)
{
    (void)colour;
    const float length = sqrtf(stretch.x * stretch.x + stretch.y * stretch.y);
    int k = (int)(length * 20.0f);
    if (k < 1)
        k = 1;
    if (k > 9)
        k = 9;
    const float v0 = 0.1f * (float)k, v1 = v0 + 0.1f;
    const float u1 = 0.2f + 0.07f * (float)k;
    // The strip's x axis lies along the stretch: the squib reaches out |stretch| that way.
    // A zero stretch keeps the strip unturned.
    const float c = length > 0.0f ? stretch.x / length : 1.0f;
    const float s = length > 0.0f ? stretch.y / length : 0.0f;
    const float corners[4][4] = {{-halfSize.x, halfSize.y, 0.0f, v0},
                                 {length, halfSize.y, u1, v0},
                                 {length, -halfSize.y, u1, v1},
                                 {-halfSize.x, -halfSize.y, 0.0f, v1}};
    CVexVertex q[4];
    for (int i = 0; i < 4; ++i) {
        const float x = corners[i][0], y = corners[i][1];
        q[i] = {position.x + x * c - y * s, position.y + x * s + y * c, 1.0f, corners[i][2],
                corners[i][3]};
    }
    Submit(WorldTarget(VEX_SHADER_SQUIB), q, image, 0xFFFFFFFFu, BLEND_PREMULTIPLIED,
           FILTER_LINEAR_MIN);
}

void CVexRenderer::DrawBackgroundImage(const CVortanVector2& centre, const CVortanVector2& halfSize,
                                       CVortanSurface* image, u32 colour)
{
    CVexVertex q[4];
    WorldQuad(q, centre.x - halfSize.x, centre.x + halfSize.x, centre.y + halfSize.y,
              centre.y - halfSize.y, 0.0f, 0.0f, 1.0f, 1.0f);
    Submit(WorldTarget(VEX_SHADER_BACKGROUND), q, image, colour, BLEND_BACKGROUND, FILTER_LINEAR);
}

void CVexRenderer::DrawShadowImage(const CVortanVector2& centre, const CVortanVector2& halfSize,
                                   CVortanSurface* image, u32 colour)
{
    CVexVertex q[4];
    WorldQuad(q, centre.x - halfSize.x, centre.x + halfSize.x, centre.y + halfSize.y,
              centre.y - halfSize.y, 0.0f, 0.0f, 1.0f, 1.0f);
    Submit(WorldTarget(VEX_SHADER_WORLD), q, image, colour, BLEND_SHADOW, FILTER_KEEP);
}

void CVexRenderer::DrawSquashedFrame(const CVortanVector2& centre, const CVortanVector2& halfSize,
                                     u32 colour, int row, int col, float squash,
                                     CVortanSurface* image)
{
    (void)colour;
    int c = col % 10;
    if (c < 0)
        c += 10;
    const float u0 = (float)c / 10.0f, u1 = u0 + 0.1f;
    const float v0 = (float)row + 0.005f, v1 = (float)row + 1.0f;
    CVexVertex q[4];
    WorldQuad(q, centre.x - halfSize.x, centre.x + halfSize.x, centre.y + halfSize.y - squash,
              centre.y - halfSize.y, u0, v0, u1, v1);
    Submit(WorldTarget(VEX_SHADER_SQUIB), q, image, 0xFFFFFFFFu, BLEND_PREMULTIPLIED,
           FILTER_LINEAR);
}

// --- water ----------------------------------------------------------------------------------

void CVexRenderer::DrawWater(int additive)
{
    CVortanSurface* waves = GetImage(46);
    if (!waves)
        return;
    CVortanSurface* base = GetImage(45);
    const float t = m_clock;
    const float ax = 0.03f * cosf(2.0f * t + 1.4f);
    const float ay = -0.005f + 0.01f * sinf(2.0f * t + 1.4f);
    const float bx = 0.04f * cosf(2.0f * t);
    const float by = -0.025f + 0.01f * sinf(2.0f * t);
    const Blend blend = additive ? BLEND_ADD_COLOUR : BLEND_PREMULTIPLIED;
    const Target target = WorldTarget(VEX_SHADER_WATER);
    CVexVertex q[4];
    WorldQuad(q, ax - 6.75f, ax + 6.75f, ay + 0.05f, ay - 0.05f, 0.0f, 0.53f, 40.0f, 0.98f);
    Submit(target, q, waves, 0xFFFFFFFFu, blend, FILTER_KEEP, 1, 1);
    WorldQuad(q, bx - 6.75f, bx + 6.75f, by + 0.05f, by - 0.05f, 0.0f, 0.02f, 40.0f, 0.48f);
    Submit(target, q, waves, 0xFFFFFFFFu, blend, FILTER_KEEP, 1, 1);
    if (base) {
        const float w = GetViewWidth(), h = GetViewHeight();
        const float bottom = w > 0.0f ? -(h / w) * 3.3333333f : -2.0f;
        WorldQuad(q, ax - 6.75f, ax + 6.75f, by - 0.05f, bottom, 0.0f, 0.0f, 1.0f, 1.0f);
        // The base's picture is opaque (WaterCoverTop counts on it too): over the scene it
        // needs no blending. It is never shown smaller than two thirds of its size (its 256
        // rows span the view's height below the surface at the farthest zoom), so its largest
        // picture is always the one sampled: plain linear filtering gives the same pixels
        // without working out a level for each.
        Submit(target, q, base, 0xFFFFFFFFu, additive ? blend : BLEND_OPAQUE, FILTER_LINEAR_MIN, 1,
               0);
    }
}

int CVexRenderer::WaterCoverTop() const
{
    const float w = GetViewWidth(), h = GetViewHeight();
    if (!(w > 0.0f) || !(h > 0.0f) || !GetImage(46) || !GetImage(45))
        return (int)h;
    // DrawWater's base over the whole sway: its top edge is never lower than the lowest sway
    // puts it, its sides never further in than the widest sway puts them.
    const float top = -0.025f - 0.01f - 0.05f, bottom = -(h / w) * 3.3333333f;
    const float side = 6.75f - 0.04f;
    CVortanVector2 upperLeft, lowerRight;
    m_camera.WorldToScreen(CVortanVector2(-side, top), upperLeft);
    m_camera.WorldToScreen(CVortanVector2(side, bottom), lowerRight);
    if (upperLeft.x > -1.0f || lowerRight.x < w + 1.0f || lowerRight.y < h + 1.0f)
        return (int)h;
    // A row is hidden when the edge lies a whole pixel above its top.
    const float first = ceilf(upperLeft.y) + 1.0f;
    return first <= 0.0f ? 0 : first >= h ? (int)h : (int)first;
}

bool CVexRenderer::ColouredBatchReady()
{
    if (!m_batchVertices)
        m_batchVertices =
            (CVexColouredVertex*)malloc(VEX_TEXT_QUADS * 4 * sizeof(CVexColouredVertex));
    return m_batchVertices != nullptr;
}

void CVexRenderer::BindColouredBatch(CVexColouredScreenShader* shader)
{
    const GLsizei stride = sizeof(CVexColouredVertex);
    if (shader->position >= 0) {
        glEnableVertexAttribArray((GLuint)shader->position);
        glVertexAttribPointer((GLuint)shader->position, 3, GL_FLOAT, GL_FALSE, stride,
                              &m_batchVertices[0].x);
    }
    if (shader->uv0 >= 0) {
        glEnableVertexAttribArray((GLuint)shader->uv0);
        glVertexAttribPointer((GLuint)shader->uv0, 2, GL_FLOAT, GL_FALSE, stride,
                              &m_batchVertices[0].u);
    }
    if (shader->colour0 >= 0) {
        glEnableVertexAttribArray((GLuint)shader->colour0);
        glVertexAttribPointer((GLuint)shader->colour0, 4, GL_FLOAT, GL_FALSE, stride,
                              &m_batchVertices[0].r);
    }
}

void CVexRenderer::EndColouredBatch(CVexColouredScreenShader* shader)
{
    if (shader->position >= 0)
        glDisableVertexAttribArray((GLuint)shader->position);
    if (shader->uv0 >= 0)
        glDisableVertexAttribArray((GLuint)shader->uv0);
    if (shader->colour0 >= 0)
        glDisableVertexAttribArray((GLuint)shader->colour0);
}

void CVexRenderer::BindClampedLinear(unsigned texture)
{
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}
