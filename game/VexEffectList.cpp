// CVexEffectList: explosion animations aged by the step and drawn as frames of a 4 x 4 sheet.
#include "game/VexEffectList.h"

#include <new>

#include "game/VexRenderer.h"

CVexEffectList::CVexEffectList() : m_game(nullptr), m_renderer(nullptr) {}

CVexEffectList::~CVexEffectList()
{
    Clear();
}

CVexEffect* CVexEffectList::Add(const CVortanVector2& position, float size, int kind, u32 colour)
{
    (void)kind;
    CVexEffect* effect = new (std::nothrow) CVexEffect;
    if (!effect)
        return nullptr;
    effect->position = position;
    effect->halfSize.Set(size, size);
    effect->frame = 0;
    effect->age = 0.0f;
    effect->colour = colour;
    if (m_effects.Add(effect) != VORTAN_OK) {
        delete effect;
        return nullptr;
    }
    return effect;
}

void CVexEffectList::Update(float dt)
{
    for (int i = 0; i < m_effects.GetCount();) {
        CVexEffect* effect = GetAt(i);
        effect->age += dt;
        effect->frame = (int)(effect->age * VEX_EFFECT_FPS);
        if (effect->frame >= VEX_EFFECT_FRAMES) {
            m_effects.RemoveAt(i);
            delete effect;
            continue; // the next record now has this index
        }
        ++i;
    }
}

void CVexEffectList::Render()
{
    if (!m_renderer)
        return;
    CVortanSurface* image = m_renderer->GetImage(VEX_EFFECT_IMAGE);
    if (!image)
        return;
    for (int i = 0; i < m_effects.GetCount(); ++i) {
        const CVexEffect* e = GetAt(i);
        m_renderer->DrawWorldFrame(e->position, e->halfSize, e->colour, e->frame % 4, e->frame / 4,
                                   4, 4, image);
    }
}

void CVexEffectList::Clear()
{
    for (int i = 0; i < m_effects.GetCount(); ++i)
        delete GetAt(i);
    m_effects.RemoveAll();
}
