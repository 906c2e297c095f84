// CTransition: a timed slide from an outgoing widget to an incoming one, shaped by two
// easing curves; at its end the incoming widget is shown and the outgoing one hidden.
#pragma once
#include "engine/VortanTypes.h"

class CWidget;
class IEasingCurve;

// Directions.
enum {
    TRANSITION_UP = 0,
    TRANSITION_DOWN = 1,
    TRANSITION_RIGHT = 2,
    TRANSITION_LEFT = 3,
    TRANSITION_CENTER = 4,
    TRANSITION_NONE = 5
};

// Types.
enum { TRANSITION_IN = 0, TRANSITION_OUT = 1, TRANSITION_NO_TYPE = 2 };

class CTransition {
public:
    CTransition();
    virtual ~CTransition();

    // Stores type, move-other flag and duration, then the direction. VORTAN_OK.
    virtual int Setup(bool moveOther, int direction, int type, float duration);
    // Forgets both widgets and deletes both curves.
    virtual void Release();
    // One step and, once the duration is used up, Finish; Finish at once when a widget or a
    // curve is missing. Nothing while idle.
    virtual void Update(float dt);
    // Runs from where the elapsed time stands (Finish resets it).
    virtual void Start();
    // Idle again: the outgoing widget enabled and hidden, the incoming one enabled and shown,
    // both forgotten; positions stay where the last step put them.
    virtual void Finish();
    // While running: the next Update takes the final step.
    virtual void SkipToEnd();

    virtual void StepUp(float dt);
    virtual void StepDown(float dt);
    // The incoming widget slides in from the right ("in" transitions only).
    virtual void StepRight(float dt);
    // The outgoing widget slides out to the right ("out" transitions only).
    virtual void StepLeft(float dt);
    virtual void StepCenter(float dt);
    virtual void StepNone(float dt);

    // Ignored while running.
    void SetDirection(int direction);
    int GetDirection() const { return m_direction; }
    int GetType() const { return m_type; }
    float GetDuration() const { return m_duration; }
    float GetElapsed() const { return m_elapsed; }
    float GetOffset() const { return m_offset; }
    bool IsRunning() const { return m_running; }
    bool GetMoveOther() const { return m_moveOther; }
    void SetWidgets(CWidget* outgoing, CWidget* incoming);
    CWidget* GetOutgoing() const { return m_outgoing; }
    CWidget* GetIncoming() const { return m_incoming; }
    // The curves become the transition's (a previous one is deleted).
    void SetEasingIn(IEasingCurve* curve);
    void SetEasingOut(IEasingCurve* curve);
    IEasingCurve* GetEasingIn() const { return m_easingIn; }
    IEasingCurve* GetEasingOut() const { return m_easingOut; }

private:
    CTransition(const CTransition&) = delete;
    CTransition& operator=(const CTransition&) = delete;

    // The elapsed time capped at the duration, as the curve's argument (1 for a duration of 0
    // or less: such a transition is at its end at once).
    float Progress();

    void (CTransition::*m_step)(float dt);
    float m_duration;
    float m_elapsed;
    float m_offset;
    i32 m_start;
    i32 m_distance;
    bool m_running;
    bool m_moveOther;
    bool m_firstStep;
    CWidget* m_outgoing;
    CWidget* m_incoming;
    IEasingCurve* m_easingIn;
    IEasingCurve* m_easingOut;
    i32 m_direction;
    i32 m_type;
};
