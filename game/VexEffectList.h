// CVexEffectList: the short explosion animations of a battle, each the 16 frames of the
// explosion image at 20 frames a second at a world position, dropped after the last frame.
#pragma once
#include "engine/VortanPtrArray.h"
#include "engine/VortanTypes.h"
#include "engine/VortanVector.h"

class CStateGame;
class CVexRenderer;

// Frames of an explosion and how fast they run.
#define VEX_EFFECT_FRAMES 16
#define VEX_EFFECT_FPS 20.0f
// The explosion image (a 4 x 4 sheet).
#define VEX_EFFECT_IMAGE 25

struct CVexEffect {
    CVortanVector2 position; // world centre
    CVortanVector2 halfSize;
    i32 frame; // 0..15
    float age; // seconds since added
    u32 colour;
};

class CVexEffectList {
public:
    // Empty, no game.
    CVexEffectList();
    ~CVexEffectList();

    void SetGame(CStateGame* game) { m_game = game; }
    // The renderer to draw with (the game's when none is set).
    void SetRenderer(CVexRenderer* renderer) { m_renderer = renderer; }
    // A new effect at the position with half size (size, size), frame 0, age 0. The kind is
    // accepted and not used. Null when out of memory.
    CVexEffect* Add(const CVortanVector2& position, float size, int kind, u32 colour);
    // Ages every effect; one whose frame reaches 16 is removed.
    void Update(float dt);
    // Every effect, in list order, with the renderer's world frame helper.
    void Render();
    // Deletes every effect.
    void Clear();

    int GetCount() const { return m_effects.GetCount(); }
    CVexEffect* GetAt(int i) const { return (CVexEffect*)m_effects.GetAt(i); }

private:
    CVexEffectList(const CVexEffectList&) = delete;
    CVexEffectList& operator=(const CVexEffectList&) = delete;

    CVortanPtrArray m_effects; // CVexEffect*, owned
    CStateGame* m_game;
    CVexRenderer* m_renderer;
};
