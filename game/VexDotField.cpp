// CVexDotField: the wandering sparks, their trails and how they fade.
#include "game/VexDotField.h"

#include <math.h>
#include <new>

#include "engine/platform/VortanApplication.h"
#include "game/VexRenderer.h"

CVexDotField::CVexDotField()
    : m_game(nullptr), m_renderer(nullptr), m_centre(0.0f, 0.0f), m_halfExtents(0.0f, 0.0f),
      m_maximum(VEX_DOTS_MAX)
{}

CVexDotField::~CVexDotField()
{
    for (int i = 0; i < m_dots.GetCount(); ++i)
        delete GetAt(i);
    m_dots.RemoveAll();
}

void CVexDotField::Init(CStateGame* game, CVexRenderer* renderer)
{
    m_game = game;
    m_renderer = renderer;
    const float w = renderer ? renderer->GetViewWidth() : 0.0f;
    const float h = renderer ? renderer->GetViewHeight() : 0.0f;
    m_centre.Set(w / 2.0f, h / 2.0f * 0.33f);
    m_halfExtents.Set(w / 2.0f * 0.5f, h / 2.0f * 0.25f);
}

CVexDot* CVexDotField::NewDot()
{
    CVexDot* dot = new (std::nothrow) CVexDot;
    if (!dot)
        return nullptr;
    dot->position.Set(0.0f, 0.0f);
    dot->drawnSize.Set(0.0f, 0.0f);
    dot->fullSize.Set(0.0f, 0.0f);
    dot->step.Set(0.0f, 0.0f);
    dot->angle = 0.0f;
    dot->heading = 0.0f;
    dot->image = VEX_DOT_SPARK_IMAGE;
    dot->stepCounter = 0;
    dot->fade = 0.0f;
    dot->lifetime = VEX_DOT_LIFETIME;
    dot->link = nullptr;
    dot->trail = 0;
    dot->alive = 1;
    if (m_dots.Add(dot) != VORTAN_OK) {
        delete dot;
        return nullptr;
    }
    return dot;
}

CVexDot* CVexDotField::Spawn()
{
    if (m_dots.GetCount() >= m_maximum)
        return nullptr;
    CVexDot* dot = NewDot();
    if (!dot)
        return nullptr;
    const float size = 0.018f * (m_renderer ? m_renderer->GetViewWidth() : 0.0f);
    dot->fullSize.Set(size, size);
    dot->position.Set(m_centre.x + IVortanApplication::RandomFloat(-0.75f, 0.75f) * m_halfExtents.x,
                      m_centre.y +
                          IVortanApplication::RandomFloat(-0.75f, 0.75f) * m_halfExtents.y);
    dot->angle = IVortanApplication::RandomFloat(0.0f, 3.1415927f);
    dot->heading = IVortanApplication::RandomFloat(0.0f, 3.1415927f);
    return dot;
}

CVexDot* CVexDotField::SpawnTrail(CVexDot* spark)
{
    if (!spark)
        return nullptr;
    CVexDot* dot = NewDot();
    if (!dot)
        return nullptr;
    const float factor = IVortanApplication::RandomFloat(0.1f, 0.5f);
    dot->position = spark->position;
    dot->fullSize.Set(spark->drawnSize.x * factor, spark->drawnSize.y * factor);
    dot->image = VEX_DOT_TRAIL_IMAGE;
    dot->link = spark;
    dot->trail = 1;
    return dot;
}

int CVexDotField::Inside(const CVortanVector2& p) const
{
    return p.x >= m_centre.x - m_halfExtents.x && p.x <= m_centre.x + m_halfExtents.x &&
           p.y >= m_centre.y - m_halfExtents.y && p.y <= m_centre.y + m_halfExtents.y;
}

void CVexDotField::Update(float dt)
{
    // Dots made during the pass (trails, replacements) wait for the next one.
    const int count = m_dots.GetCount();
    for (int i = 0; i < count; ++i) {
        CVexDot* dot = GetAt(i);
        if (!dot->alive)
            continue;
        dot->drawnSize = dot->fullSize;
        if (dot->fade < 1.0f)
            dot->drawnSize *= dot->fade;
        if (dot->trail) {
            dot->fade += dt;
            if (dot->fade > dot->lifetime)
                dot->alive = 0;
            continue;
        }
        dot->heading += IVortanApplication::RandomFloat(-0.25f, 0.25f);
        dot->step.Set(cosf(dot->heading) * 0.75f, sinf(dot->heading) * 0.75f);
        dot->position += dot->step;
        dot->angle += 0.035f;
        if (++dot->stepCounter > 12) {
            dot->stepCounter = 0;
            SpawnTrail(dot);
        }
        if (Inside(dot->position)) {
            if (dot->fade < 1.0f) {
                dot->fade += dt;
            } else {
                dot->fade -= dt;
                if (dot->fade < 1.0f)
                    dot->fade = 1.0f;
            }
        } else {
            dot->fade += dt;
            if (dot->fade > dot->lifetime) {
                dot->alive = 0;
                Spawn();
            }
        }
    }
    RemoveDead();
}

void CVexDotField::RemoveDead()
{
    for (int i = 0; i < m_dots.GetCount();) {
        CVexDot* dot = GetAt(i);
        if (dot->alive) {
            ++i;
            continue;
        }
        for (int k = 0; k < m_dots.GetCount(); ++k)
            if (GetAt(k)->link == dot)
                GetAt(k)->link = nullptr;
        m_dots.RemoveAt(i);
        delete dot;
    }
}

u32 CVexDotField::ColourForFade(float fade, float lifetime)
{
    const float a = ((lifetime - 1.0f) - (fade - 1.0f)) / (lifetime - 1.0f);
    if (a < 0.0f)
        return 0x00FFFFFFu;
    if (a > 1.0f)
        return 0xFFFFFFFFu;
    return ((u32)(int)(a * 255.0f) << 24) | 0xFFFFFFu;
}

void CVexDotField::Render()
{
    if (!m_renderer)
        return;
    // Sparks, then trail dots, each kind in one batch: their glow adds to what is below, so
    // the order between the kinds does not show.
    CVexGlow glows[VEX_DOTS_MAX];
    const int images[2] = {VEX_DOT_SPARK_IMAGE, VEX_DOT_TRAIL_IMAGE};
    for (int image : images) {
        int count = 0;
        CVortanSurface* surface = m_renderer->GetImage(image);
        for (int i = 0; i < m_dots.GetCount(); ++i) {
            const CVexDot* dot = GetAt(i);
            if (dot->image != image)
                continue;
            glows[count++] = {dot->position, dot->drawnSize, dot->angle,
                              ColourForFade(dot->fade, dot->lifetime)};
            if (count == VEX_DOTS_MAX) { // trail dots are not counted against the cap
                m_renderer->DrawGlowSprites(glows, count, surface);
                count = 0;
            }
        }
        m_renderer->DrawGlowSprites(glows, count, surface);
    }
}
