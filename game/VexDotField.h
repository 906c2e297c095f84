// CVexDotField: glowing sparks that wander slowly over the upper part of the screen behind the
// menu, connecting and training screens, each leaving a trail of fading dots. Screen pixels.
#pragma once
#include "engine/VortanPtrArray.h"
#include "engine/VortanTypes.h"
#include "engine/VortanVector.h"

class CStateGame;
class CVexRenderer;

#define VEX_DOTS_MAX 256
#define VEX_DOT_LIFETIME 4.0f
// Images of sparks and of trail dots.
#define VEX_DOT_SPARK_IMAGE 47
#define VEX_DOT_TRAIL_IMAGE 48

struct CVexDot {
    CVortanVector2 position;
    CVortanVector2 drawnSize; // half size as drawn
    CVortanVector2 fullSize;  // half size when grown
    CVortanVector2 step;      // last movement
    float angle;              // sprite rotation, radians
    float heading;            // direction of travel, radians
    i32 image;
    i32 stepCounter; // steps since the last trail dot
    float fade;      // seconds of fade-in or fade-out
    float lifetime;
    CVexDot* link; // the spark a trail dot came from (null once it is gone); null for sparks
    i32 trail;     // 1 for trail dots
    i32 alive;
};

class CVexDotField {
public:
    // No game, no dots, an empty area at (0, 0) until Init.
    CVexDotField();
    ~CVexDotField();

    // The area from the renderer's view size: centre (W/2, H/2 x 0.33), half extents
    // (W/2 x 0.5, H/2 x 0.25). Users then Spawn 16 sparks.
    void Init(CStateGame* game, CVexRenderer* renderer);
    // A new spark at a random place in the middle of the area; nothing at 256 dots.
    CVexDot* Spawn();
    // A trail dot where the spark is.
    CVexDot* SpawnTrail(CVexDot* spark);
    void Update(float dt);
    void Render();
    // Deletes the dots that died.
    void RemoveDead();

    // The alpha of a dot drawn with this fade: opaque for its first second, then linearly
    // gone over the next three.
    static u32 ColourForFade(float fade, float lifetime);

    int GetCount() const { return m_dots.GetCount(); }
    CVexDot* GetAt(int i) const { return (CVexDot*)m_dots.GetAt(i); }
    const CVortanVector2& GetCentre() const { return m_centre; }
    const CVortanVector2& GetHalfExtents() const { return m_halfExtents; }

private:
    CVexDotField(const CVexDotField&) = delete;
    CVexDotField& operator=(const CVexDotField&) = delete;

    int Inside(const CVortanVector2& p) const;
    CVexDot* NewDot();

    CStateGame* m_game;
    CVexRenderer* m_renderer;
    CVortanVector2 m_centre;
    CVortanVector2 m_halfExtents;
    CVortanPtrArray m_dots; // CVexDot*, owned
    int m_maximum;
};
