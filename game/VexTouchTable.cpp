// CVexTouchTable: the fingers seen once per step.
#include "game/VexTouchTable.h"

#include <string.h>

CVexTouchTable::CVexTouchTable() : m_downCount(0)
{
    Clear();
}

void CVexTouchTable::Clear()
{
    const CVortanVector2 zero(0.0f, 0.0f);
    for (CVexTouchPoint& p : m_points) {
        p.position = p.previous = p.delta = p.downPosition = p.drag = zero;
        p.pressed = p.wasPressed = p.moved = p.justDown = p.justUp = 0;
    }
    m_anyJustDown = 0;
    m_pinch = 0;
    m_pinchPrevious = m_pinchDistance = m_pinchChange = 0.0f;
    m_pinchDiffPrevious = m_pinchDiff = zero;
}

void CVexTouchTable::Press(int id, float x, float y)
{
    if (id < 0 || id >= VEX_TOUCH_COUNT)
        return;
    m_points[id].pressed = 1;
    m_points[id].position = CVortanVector2(x, y);
}

void CVexTouchTable::Move(int id, float x, float y)
{
    Press(id, x, y);
}

void CVexTouchTable::Lift(int id)
{
    if (id < 0 || id >= VEX_TOUCH_COUNT)
        return;
    m_points[id].pressed = 0;
}

void CVexTouchTable::Refresh()
{
    m_anyJustDown = 0;
    for (CVexTouchPoint& p : m_points) {
        p.justDown = p.pressed && !p.wasPressed;
        if (p.justDown) {
            p.previous = p.position;
            p.downPosition = p.position;
            m_anyJustDown = 1;
            ++m_downCount;
        }
        p.justUp = p.wasPressed && !p.pressed;
        p.wasPressed = p.pressed;
        p.delta = CVortanVector2(p.position.x - p.previous.x, p.position.y - p.previous.y);
        p.drag = CVortanVector2(p.position.x - p.downPosition.x, p.position.y - p.downPosition.y);
        p.moved = p.delta.Length() > 0.1f;
        p.previous = p.position;
    }

    if (m_points[0].pressed && m_points[1].pressed) {
        m_pinchDiff = CVortanVector2(m_points[1].position.x - m_points[0].position.x,
                                     m_points[1].position.y - m_points[0].position.y);
        float distance = m_pinchDiff.Length();
        if (!m_pinch) {
            m_pinch = 1;
            m_pinchPrevious = distance;
            m_pinchDiffPrevious = m_pinchDiff;
        }
        m_pinchDistance = distance;
        m_pinchChange = distance - m_pinchPrevious;
        m_pinchPrevious = distance;
        m_pinchDiffPrevious = m_pinchDiff;
    } else {
        m_pinch = 0;
        m_pinchChange = 0.0f;
    }
}
