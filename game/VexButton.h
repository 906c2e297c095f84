// CVexButton: one on-screen button of a game screen, made and owned by its CVexButtonManager.
// Screens change its public fields directly (label, visibility, lock, animation).
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "engine/VortanVector.h"

class CVexButtonListener;

// Press animation states.
enum {
    VEX_BUTTON_IDLE = 0,
    VEX_BUTTON_PRESSING = 1,
    VEX_BUTTON_HELD = 2,
    VEX_BUTTON_RELEASING = 3
};

class CVexButton {
public:
    CVexButton()
        : owner(nullptr), state(VEX_BUTTON_IDLE), imageId(0), userValue(0), pressed(0), visible(1),
          showLabel(0), locked(0), bobbing(1), touchable(1), halfSize(0.0f, 0.0f),
          centre(0.0f, 0.0f), bobScale(1.0f), bobOffset(0.0f, 0.0f), left(0.0f), top(0.0f),
          right(0.0f), bottom(0.0f), scale(1.0f), id(0)
    {}

    // Inside the hit rectangle, edges included.
    bool Contains(float x, float y) const
    {
        return left <= x && x <= right && top <= y && y <= bottom;
    }

    CVexButtonListener* owner; // its manager, which hears the animation's events
    CVortanString label;
    i32 state;
    i32 imageId; // image table id
    i32 userValue;
    i32 pressed; // the current touch went down inside it
    i32 visible;
    i32 showLabel;
    i32 locked; // drawn at half opacity, ignores touches
    i32 bobbing;
    i32 touchable;
    CVortanVector2 halfSize; // pixels
    CVortanVector2 centre;   // pixels
    float bobScale;
    CVortanVector2 bobOffset;
    float left, top, right, bottom; // hit rectangle, pixels
    float scale;                    // 1.0 at rest, 0.8 fully pressed
    i32 id;

private:
    CVexButton(const CVexButton&) = delete;
    CVexButton& operator=(const CVexButton&) = delete;
};
