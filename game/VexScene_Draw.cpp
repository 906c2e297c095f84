// CVexScene: drawing the battlefield: blocks in layers batched into as few draws as overlaps
// allow, drop shadows of upper layers, the squibs idle or stretched with their aim dots, the
// editor's markers and the numbers over and under the squibs.
#include <GLES2/gl2.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "engine/graphics/VortanBitmapFont.h"
#include "engine/graphics/VortanSurface.h"
#include "game/StateGame.h"
#include "game/VexPhysicsWorld.h"
#include "game/VexRenderer.h"
#include "game/VexScene.h"
#include "game/VexShader.h"
#include "platform/OrloApplication.h"

namespace {

// Buffers hold this many blocks or shadow quads; a pass draws one fewer at most.
const int kBufferBlocks = 255;
const int kPassLimit = 254;
const int kBlockVertices = 16;
const int kBlockFloats = 8; // x, y, z, u0, v0, u1, v1, shade
const int kBlockIndexCount = 54;
const int kLayers = 4;

// Images of the scene.
const int kImageSquib0 = 5;
const int kImageStretch0 = 10;
const int kImageBlockStyle = 29;
const int kImageMaterial = 33;
const int kImageShadow = 49;
const int kImageMarker = 62;

// The nine-patch grid's triangles (vertex = 4 x row + column).
const u16 kGridIndices[kBlockIndexCount] = {0, 4,  5,  0,  1,  5,  1,  6,  5,  1,  2,  6,  2, 7,
                                            6, 2,  3,  7,  4,  9,  8,  4,  5,  9,  5,  10, 9, 5,
                                            6, 10, 6,  11, 10, 6,  7,  11, 8,  13, 12, 8,  9, 13,
                                            9, 14, 13, 9,  10, 14, 10, 15, 14, 10, 11, 15};

// The block vertices, shared by every scene (only one draws at a time, on the main thread).
float s_blockVertices[kBufferBlocks * kBlockVertices * kBlockFloats];

// Whether two boxes intersect by more than 0.001 on both axes (touching boxes do not).
bool Overlap(const CVexPhysicsBody* a, const CVexPhysicsBody* b)
{
    const float eps = 0.001f;
    const float ox = fminf(a->position.x + a->halfSize.x, b->position.x + b->halfSize.x) -
                     fmaxf(a->position.x - a->halfSize.x, b->position.x - b->halfSize.x);
    const float oy = fminf(a->position.y + a->halfSize.y, b->position.y + b->halfSize.y) -
                     fmaxf(a->position.y - a->halfSize.y, b->position.y - b->halfSize.y);
    return ox > eps && oy > eps;
}

} // namespace

void CVexScene::AllocateDrawBuffers()
{
    for (int i = 0; i < 3; ++i)
        m_drawStats[i] = 0;
    m_aimDots[0] = m_aimDots[1] = 0;
    m_batchFlags = (u8*)calloc(kBufferBlocks, 1);
    m_shadowVertices = (float*)calloc(kBufferBlocks * 4 * 5, sizeof(float));
    m_shadowIndices = (u16*)malloc(kBufferBlocks * 6 * sizeof(u16));
    m_blockIndices = (u16*)malloc(kBufferBlocks * kBlockIndexCount * sizeof(u16));
    if (m_shadowIndices) {
        for (int q = 0; q < kBufferBlocks; ++q) {
            u16* i = m_shadowIndices + 6 * q;
            const u16 b = (u16)(4 * q);
            const u16 quad[6] = {b, (u16)(b + 1), (u16)(b + 2), b, (u16)(b + 2), (u16)(b + 3)};
            memcpy(i, quad, sizeof(quad));
        }
    }
    if (m_blockIndices) {
        for (int k = 0; k < kBufferBlocks; ++k)
            for (int j = 0; j < kBlockIndexCount; ++j)
                m_blockIndices[k * kBlockIndexCount + j] = (u16)(kGridIndices[j] + 16 * k);
    }
}

void CVexScene::FreeDrawBuffers()
{
    free(m_batchFlags);
    m_batchFlags = nullptr;
    free(m_shadowVertices);
    m_shadowVertices = nullptr;
    free(m_shadowIndices);
    m_shadowIndices = nullptr;
    free(m_blockIndices);
    m_blockIndices = nullptr;
}

void CVexScene::BuildBlockMesh(float* out, const CVortanVector2& centre,
                               const CVortanVector2& halfSize, float shade)
{
    const float top = centre.y + halfSize.y, bottom = centre.y - halfSize.y;
    const float left = centre.x - halfSize.x, right = centre.x + halfSize.x;
    const float edge = 0.03333f;
    const float ys[4] = {top, top - edge, bottom + edge, bottom};
    const float xs[4] = {left, left + edge, right - edge, right};
    const float patch[4] = {0.0f, 0.25f, 0.75f, 1.0f};
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            float* v = out + (4 * row + col) * kBlockFloats;
            v[0] = xs[col];
            v[1] = ys[row];
            v[2] = 1.0f;
            v[3] = patch[col];
            v[4] = patch[row];
            v[5] = 2.0f * (xs[col] - left);
            v[6] = 2.0f * (top - ys[row]);
            v[7] = shade;
        }
    }
}

int CVexScene::CollectBatch(const CVortanPtrArray& layer, int material, int variant, int& skipped)
{
    m_batch.RemoveAll();
    skipped = 0;
    for (int k = 0; k < layer.GetCount() && k < kBufferBlocks; ++k) {
        CVexBlock* block = (CVexBlock*)layer.GetAt(k);
        if (m_batchFlags[k] || block->material != material || block->variant != variant)
            continue;
        bool overlaps = false;
        for (int j = 0; j < m_batch.GetCount() && !overlaps; ++j)
            overlaps = Overlap(block->body, ((CVexBlock*)m_batch.GetAt(j))->body);
        if (overlaps) {
            skipped = 1;
            continue;
        }
        if (m_batch.Add(block) != VORTAN_OK)
            break;
        m_batchFlags[k] = 1;
    }
    return m_batch.GetCount();
}

void CVexScene::DrawWorld(int withShadows)
{
    for (int i = 0; i < 3; ++i)
        m_drawStats[i] = 0;
    if (!m_blocks || !m_renderer || !m_batchFlags)
        return;
    CVortanPtrArray layers[kLayers];
    for (int i = 0; i < m_blocks->GetCount(); ++i) {
        CVexBlock* block = m_blocks->GetAt(i);
        if (block->layer < kLayers && block->body)
            layers[block->layer].Add(block);
    }
    m_renderer->BeginWorldPass();
    for (int L = 0; L < kLayers; ++L) {
        const CVortanPtrArray& layer = layers[L];
        if (L > 0 && layer.GetCount() > 0) {
            if (withShadows) {
                m_batch.RemoveAll();
                for (int k = 0; k < layer.GetCount(); ++k)
                    m_batch.Add(layer.GetAt(k));
                DrawBlockShadows();
            }
            ++m_drawStats[0];
        }
        memset(m_batchFlags, 0, kBufferBlocks);
        for (int m = 0; m < 4; ++m) {
            for (int v = 0; v < 4; ++v) {
                for (;;) {
                    int skipped = 0;
                    const int collected = CollectBatch(layer, m, v, skipped);
                    if (!collected && !skipped)
                        break;
                    m_batchSizes.SetAtGrow(m_drawStats[1], collected);
                    DrawBlockBatch();
                    ++m_drawStats[1];
                    if (!collected)
                        break; // nothing left that could ever join a batch
                }
            }
        }
    }
    m_batch.RemoveAll();
    m_renderer->EndWorldPass();
}

void CVexScene::DrawBlockShadows()
{
    CVortanSurface* image = m_renderer ? m_renderer->GetImage(kImageShadow) : nullptr;
    CVexWorldShader* shader = m_renderer ? m_renderer->GetWorldShader() : nullptr;
    if (!image || !shader || !shader->IsReady() || !m_shadowVertices || !m_shadowIndices)
        return;
    int quads = 0;
    for (int k = 0; k < m_batch.GetCount() && quads < kPassLimit; ++k) {
        const CVexBlock* block = (const CVexBlock*)m_batch.GetAt(k);
        if (block->material == VEX_MATERIAL_ICE || !block->body)
            continue;
        const float cx = block->body->position.x + block->wobble.x;
        const float cy = block->body->position.y + block->wobble.y - 0.05f;
        const float hw = block->body->halfSize.x + 0.02f, hh = block->body->halfSize.y;
        const float quad[20] = {cx - hw, cy + hh, 1.0f,    0.0f,    0.0f,    cx - hw, cy - hh,
                                1.0f,    0.0f,    1.0f,    cx + hw, cy - hh, 1.0f,    1.0f,
                                1.0f,    cx + hw, cy + hh, 1.0f,    1.0f,    0.0f};
        memcpy(m_shadowVertices + 20 * quads, quad, sizeof(quad));
        ++quads;
    }
    if (!quads)
        return;
    shader->Use();
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendEquation(GL_FUNC_REVERSE_SUBTRACT);
    glBlendFuncSeparate(GL_DST_ALPHA, GL_ONE, GL_ZERO, GL_ONE);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, image->DrawTexture());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glUniformMatrix4fv(shader->projectionMatrix, 1, GL_FALSE,
                       m_renderer->GetCamera().GetMatrix().GetData());
    glUniform4f(shader->color0, 1.0f, 1.0f, 1.0f, 1.0f);
    glEnableVertexAttribArray((GLuint)shader->position);
    glVertexAttribPointer((GLuint)shader->position, 3, GL_FLOAT, GL_FALSE, 20, m_shadowVertices);
    glEnableVertexAttribArray((GLuint)shader->uv0);
    glVertexAttribPointer((GLuint)shader->uv0, 2, GL_FLOAT, GL_FALSE, 20, m_shadowVertices + 3);
    glDrawElements(GL_TRIANGLES, quads * 6, GL_UNSIGNED_SHORT, m_shadowIndices);
    ++m_drawStats[2];
    glDisableVertexAttribArray((GLuint)shader->position);
    glDisableVertexAttribArray((GLuint)shader->uv0);
    glBlendEquation(GL_FUNC_ADD);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
}

void CVexScene::DrawBlockBatch()
{
    const int count = m_batch.GetCount() < kPassLimit ? m_batch.GetCount() : kPassLimit;
    if (!count || !m_renderer || !m_blockIndices)
        return;
    const CVexBlock* first = (const CVexBlock*)m_batch.GetAt(0);
    const int material = first->material, variant = first->variant;
    if (variant >= 3 || material > 3)
        return;
    CVortanSurface* style = m_renderer->GetImage(kImageBlockStyle + material);
    CVortanSurface* texture = m_renderer->GetImage(kImageMaterial + 3 * material + variant);
    CVexBlockShader* shader = m_renderer->GetBlockShader();
    if (!style || !texture || !shader || !shader->IsReady())
        return;
    for (int k = 0; k < count; ++k) {
        const CVexBlock* block = (const CVexBlock*)m_batch.GetAt(k);
        float shade = (float)block->displayedHitPoints / 255.0f;
        shade = shade < 0.0f ? 0.0f : (shade > 1.0f ? 1.0f : shade);
        CVortanVector2 centre(block->body->position.x + block->wobble.x,
                              block->body->position.y + block->wobble.y);
        BuildBlockMesh(s_blockVertices + k * kBlockVertices * kBlockFloats, centre,
                       block->body->halfSize, shade);
    }
    shader->Use();
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, texture->DrawTexture());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, style->DrawTexture());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glUniformMatrix4fv(shader->projectionMatrix, 1, GL_FALSE,
                       m_renderer->GetCamera().GetMatrix().GetData());
    const GLsizei stride = kBlockFloats * sizeof(float);
    const int attributes[4] = {shader->position, shader->uv0, shader->uv1, shader->shadevs};
    const int sizes[4] = {3, 2, 2, 1};
    const int offsets[4] = {0, 3, 5, 7};
    for (int a = 0; a < 4; ++a) {
        if (attributes[a] < 0)
            continue;
        glEnableVertexAttribArray((GLuint)attributes[a]);
        glVertexAttribPointer((GLuint)attributes[a], sizes[a], GL_FLOAT, GL_FALSE, stride,
                              s_blockVertices + offsets[a]);
    }
    glDrawElements(GL_TRIANGLES, count * kBlockIndexCount, GL_UNSIGNED_SHORT, m_blockIndices);
    ++m_drawStats[2];
    for (int a = 0; a < 4; ++a)
        if (attributes[a] >= 0)
            glDisableVertexAttribArray((GLuint)attributes[a]);
}

// --- squibs ---------------------------------------------------------------------------------

u32 CVexScene::DrawTimeMs() const
{
    if (m_drawTimeMs >= 0)
        return (u32)m_drawTimeMs;
    if (m_game && m_game->GetHostApplication())
        return m_game->GetHostApplication()->GetFrameTimer().GetTimeMs();
    return 0;
}

void CVexScene::DrawPlayers()
{
    DrawPlayer(0);
    DrawPlayer(1);
}

void CVexScene::DrawPlayer(int i)
{
    m_aimDots[i & 1] = 0;
    const CVexPlayer& player = m_players[i & 1];
    if (!m_renderer || !player.inPlay || !player.body)
        return;
    if (player.stretching)
        DrawStretched(i & 1);
    else
        DrawIdle(i & 1);
}

void CVexScene::DrawIdle(int i)
{
    const CVexPlayer& player = m_players[i];
    const CVexPhysicsBody* body = player.body;
    const float hh = body->halfSize.y;
    const CVortanVector2 centre(body->previous.x, body->previous.y + hh / 5.0f);
    CVortanVector2 half = body->halfSize;
    half *= 1.75f;
    const float phase = (float)(DrawTimeMs() % 500) / 500.0f * 6.2831855f;
    const float scale = 1.0f + 0.18f * sinf((float)i * 2.3561945f + phase);
    m_renderer->DrawSquibFrame(centre, half, 0xFFFFFFFFu, 0, player.facingFrame, 10, 1, scale,
                               m_renderer->GetImage(kImageSquib0 + i));
    if (player.hasHat && player.hatImage) {
        const CVortanVector2 hat(body->previous.x, body->previous.y + hh / 0.575f);
        CVortanVector2 hatHalf = half;
        hatHalf *= 1.8461538f;
        m_renderer->DrawSquibFrame(hat, hatHalf, 0xFFFFFFFFu, 0, 0, 1, 1, scale, player.hatImage);
    }
}

void CVexScene::DrawStretched(int i)
{
    const CVexPlayer& player = m_players[i];
    const CVexPhysicsBody* body = player.body;
    CVortanVector2 half = body->halfSize;
    half *= 1.75f;
    CVortanVector2 stretch = player.stretch;
    const float length = stretch.Length();
    const float width = m_renderer->GetViewWidth();
    if (length > 0.0f && width > 0.0f)
        stretch *= (length + 2.0f * player.labelSize.x / width) / length;
    m_renderer->DrawStretch(body->position, half, 0xFFFFFFFFu, stretch,
                            m_renderer->GetImage(kImageStretch0 + i));
    if (player.aiming)
        DrawAimDots(i);
}

void CVexScene::DrawAimDots(int i)
{
    const CVexPlayer& player = m_players[i];
    int n = (int)(1.0f + player.stretch.Length() / 0.4f * 10.0f);
    n = n < 1 ? 1 : (n > 10 ? 10 : n);
    // The dots lead away from the pull; without an aim they all sit at the squib.
    CVortanVector2 direction(-player.aim.x, -player.aim.y);
    const float length = direction.Length();
    if (length > 0.0f && isfinite(length))
        direction *= 1.0f / length;
    else
        direction.Set(0.0f, 0.0f);
    CVortanSurface* image = m_renderer->GetImage(kImageMarker);
    const CVortanVector2 half(0.02f, 0.02f);
    for (int k = 0; k < n; ++k) {
        const float distance = 0.1f + 0.06f * (float)k;
        const CVortanVector2 at(player.body->position.x + direction.x * distance,
                                player.body->position.y + direction.y * distance);
        m_renderer->DrawWorldFrame(at, half, 0xFFFFFFFFu, k, 0, 16, 1, image);
    }
    m_aimDots[i] = n;
}

void CVexScene::DrawMarkers()
{
    if (!m_renderer)
        return;
    CVortanSurface* image = m_renderer->GetImage(kImageMarker);
    for (int i = 0; i < m_markers.GetCount(); ++i) {
        const CVexMarker* marker = GetMarker(i);
        m_renderer->DrawWorldImage(marker->centre, marker->halfSize, image, 0xFFFFFFFFu);
    }
}

void CVexScene::DrawPlayerLabels()
{
    if (!m_renderer)
        return;
    CVortanBitmapFont* font = m_renderer->GetFont(0);
    const int line = font ? font->GetLineHeight() : 0;
    for (int i = 0; i < 2; ++i) {
        CVexPlayer& player = m_players[i];
        if (!player.showDamage || !player.body)
            continue;
        const CVexPhysicsBody* body = player.body;
        if (body->position.y > 0.0f)
            player.labelAnchor = body->position;
        const float hh = body->halfSize.y;
        const float anchorY = player.labelAnchor.y > 0.0f ? player.labelAnchor.y : 0.0f;
        CVortanVector2 point;
        m_renderer->GetCamera().WorldToScreen(
            CVortanVector2(player.labelAnchor.x, anchorY + hh + player.labelRise), point);
        int y = (int)point.y;
        CVortanString text;
        for (int k = 0; k < VEX_PLAYER_SLOTS; ++k) {
            if (player.damageNumbers[k] <= 0)
                continue;
            y -= line;
            text.Format(L"-%d", player.damageNumbers[k]);
            // Labels of a squib at the view's edge are moved in to show whole.
            m_renderer->DrawText((int)point.x, y, text, 0xFFFFFFFFu,
                                 VEX_TEXT_CENTER_X | VEX_TEXT_BOTTOM | VEX_TEXT_WHOLE_X);
        }
        CVortanVector2 below;
        m_renderer->GetCamera().WorldToScreen(
            CVortanVector2(player.labelAnchor.x, anchorY - 2.0f * hh), below);
        text.Format(L"%d", player.health);
        // Centred on x only: the health hangs from the point.
        m_renderer->DrawText((int)below.x, (int)below.y, text, 0xFFFFFFFFu,
                             VEX_TEXT_CENTER_X | VEX_TEXT_WHOLE_X);
    }
}
