// CVexTouchTable: the game's view of up to 16 fingers, refreshed once per fixed step: which
// are down, which went down or up since the last step, how far each moved, and the two-finger
// pinch.
#pragma once
#include "engine/VortanTypes.h"
#include "engine/VortanVector.h"

enum { VEX_TOUCH_COUNT = 16 };

struct CVexTouchPoint {
    CVortanVector2 position;     // pixels, as the pointer events give them
    CVortanVector2 previous;     // position at the last step
    CVortanVector2 delta;        // position - previous, this step
    CVortanVector2 downPosition; // position when the finger went down
    CVortanVector2 drag;         // position - downPosition
    i32 pressed;                 // set and cleared by the pointer events
    i32 wasPressed;              // pressed at the last step
    i32 moved;                   // |delta| > 0.1
    i32 justDown;
    i32 justUp;
};

class CVexTouchTable {
public:
    // Every entry cleared, no pinch.
    CVexTouchTable();
    void Clear();

    // Pointer events: ids outside 0..15 are ignored.
    void Press(int id, float x, float y);
    void Move(int id, float x, float y);
    void Lift(int id);

    // One step: the just-down, just-up, delta, drag and moved marks, then the pinch.
    void Refresh();

    const CVexTouchPoint& Get(int id) const { return m_points[id]; }
    int AnyJustDown() const { return m_anyJustDown; }
    // Fingers seen going down by the steps so far (the state dump's; wraps).
    u32 GetDownCount() const { return m_downCount; }
    int IsPinching() const { return m_pinch; }
    float GetPinchDistance() const { return m_pinchDistance; }
    // Change of the finger distance since the last step (0 on the first pinching step).
    float GetPinchChange() const { return m_pinchChange; }

private:
    CVexTouchPoint m_points[VEX_TOUCH_COUNT];
    i32 m_anyJustDown;
    u32 m_downCount;
    i32 m_pinch;
    float m_pinchPrevious;
    float m_pinchDistance;
    float m_pinchChange;
    CVortanVector2 m_pinchDiffPrevious;
    CVortanVector2 m_pinchDiff;
};
