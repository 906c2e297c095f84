// CVexEditState: drawing: the gradient, the guides, the grid's limits, the selection's
// crosshair, the battlefield and the block counter.
#include <stdio.h>

#include "engine/VortanRect.h"
#include "engine/graphics/VortanGraphicsContext.h"
#include "game/StateGame.h"
#include "game/VexBlockList.h"
#include "game/VexCamera.h"
#include "game/VexEditState.h"
#include "game/VexPhysicsBody.h"
#include "game/VexPhysicsWorld.h"
#include "game/VexRenderer.h"
#include "game/VexScene.h"

namespace {
const u32 kSky = 0xFF1FBCD3u;
const u32 kSand = 0xFFFFA800u;
const u32 kGridColour = 0xFF000000u;
const u32 kBodyLineColour = 0x804080A0u;
const u32 kOriginColour = 0xFFFF0000u;
const u32 kSideColour = 0xFF00FF00u;
const u32 kTopColour = 0xFF0000FFu;
const u32 kCrossColour = 0xFFFFFFFFu;
const u32 kCounterFlags = VEX_TEXT_CENTER_X | VEX_TEXT_BOTTOM;

u32 CounterColour(int count)
{
    if (count <= 50)
        return 0xFFFFFFFFu;
    if (count <= 100)
        return 0xFFFFFF56u;
    if (count < VEX_BLOCK_MAX)
        return 0xFFFF8C26u;
    return 0xFFFF0000u;
}
} // namespace

void CVexEditState::Line(const CVortanVector2& a, const CVortanVector2& b, u32 colour)
{
    IVortanGraphicsContext* graphics = m_renderer->GetContext();
    CVortanVector2 sa, sb;
    m_renderer->GetCamera().WorldToScreen(a, sa);
    m_renderer->GetCamera().WorldToScreen(b, sb);
    graphics->DrawLine((int)sa.x, (int)sa.y, (int)sb.x, (int)sb.y, colour, colour);
}

void CVexEditState::RenderGuides()
{
    const float scale = m_renderer->GetCamera().GetWorldScale();
    const float lo = -scale, hi = scale * 127.0f / 128.0f;
    for (int i = 0; i < 16; ++i) {
        const float v = lo + (float)i * scale / 8.0f;
        Line(CVortanVector2(v, lo), CVortanVector2(v, hi), kGridColour);
        Line(CVortanVector2(lo, v), CVortanVector2(hi, v), kGridColour);
    }
    if (!m_world)
        return;
    for (int i = 0; i < m_world->GetBodyCount(); ++i) {
        const CVortanVector2& p = m_world->GetBody(i)->position;
        Line(CVortanVector2(lo, p.y), CVortanVector2(hi, p.y), kBodyLineColour);
        Line(CVortanVector2(p.x, lo), CVortanVector2(p.x, hi), kBodyLineColour);
    }
}

void CVexEditState::RenderLimits()
{
    IVortanGraphicsContext* graphics = m_renderer->GetContext();
    const CVexCamera& camera = m_renderer->GetCamera();
    const float scale = camera.GetWorldScale();
    const int w = (int)m_renderer->GetViewWidth(), h = (int)m_renderer->GetViewHeight();
    CVortanVector2 origin, left, right, top;
    camera.WorldToScreen(CVortanVector2(0.0f, -scale / 128.0f), origin);
    camera.WorldToScreen(CVortanVector2(-scale * 127.0f / 128.0f, 0.0f), left);
    camera.WorldToScreen(CVortanVector2(scale * 127.0f / 128.0f, 0.0f), right);
    camera.WorldToScreen(CVortanVector2(0.0f, scale * 127.0f / 128.0f), top);
    graphics->DrawLine(0, (int)origin.y, w, (int)origin.y, kOriginColour, kOriginColour);
    graphics->DrawLine((int)origin.x, 0, (int)origin.x, h, kOriginColour, kOriginColour);
    graphics->DrawLine((int)left.x, 0, (int)left.x, h, kSideColour, kSideColour);
    graphics->DrawLine((int)right.x, 0, (int)right.x, h, kSideColour, kSideColour);
    graphics->DrawLine(0, (int)top.y, w, (int)top.y, kTopColour, kTopColour);
}

void CVexEditState::RenderCounters()
{
    const float w = m_renderer->GetViewWidth(), h = m_renderer->GetViewHeight();
    const int count = m_scene && m_scene->GetBlocks() ? m_scene->GetBlocks()->GetCount() : 0;
    char text[64];
    snprintf(text, sizeof(text), "Blocks: %d/%d", count, VEX_BLOCK_MAX);
    m_renderer->DrawText((int)(w * 0.25f), (int)h, CVortanString(text), CounterColour(count),
                         kCounterFlags);
    snprintf(text, sizeof(text), "BB: %d  SB: %d", m_scene ? m_scene->GetBatchesDrawn() : 0,
             m_scene ? m_scene->GetUpperLayersDrawn() : 0);
    m_renderer->DrawText((int)(w * 0.75f), (int)h, CVortanString(text), 0xFFFFFFFFu, kCounterFlags);
}

void CVexEditState::Render()
{
    IVortanGraphicsContext* graphics = m_renderer ? m_renderer->GetContext() : nullptr;
    if (!graphics || !m_scene)
        return;
    const CVortanFloatRect all = {0.0f, 0.0f, 1.0f, 1.0f};
    graphics->FillGradientUnit(kSky, kSky, kSand, kSand, &all);
    if (m_guides)
        RenderGuides();
    RenderLimits();
    if (m_hasSelection && m_selected) {
        const float scale = m_renderer->GetCamera().GetWorldScale();
        const float lo = -scale, hi = scale * 127.0f / 128.0f;
        const CVortanVector2& p = m_selected->position;
        Line(CVortanVector2(lo, p.y), CVortanVector2(hi, p.y), kCrossColour);
        Line(CVortanVector2(p.x, lo), CVortanVector2(p.x, hi), kCrossColour);
    }
    m_scene->DrawMarkers();
    m_scene->DrawWorld(1);
    m_renderer->DrawWater(0);
    if (!m_stopped && !m_countersHidden)
        RenderCounters();
}
