// The slide steps of a transition and its start and finish.
#include "ui/anim/Transition.h"

#include <math.h>

#include "ui/Widget.h"
#include "ui/anim/EasingCurve.h"
#include "ui/layouts/LayoutMath.h"

CTransition::CTransition()
    : m_step(&CTransition::StepNone), m_duration(0.0f), m_elapsed(0.0f), m_offset(0.0f), m_start(0),
      m_distance(0), m_running(false), m_moveOther(false), m_firstStep(false), m_outgoing(nullptr),
      m_incoming(nullptr), m_easingIn(nullptr), m_easingOut(nullptr), m_direction(TRANSITION_NONE),
      m_type(TRANSITION_NO_TYPE)
{}

CTransition::~CTransition()
{
    Release();
}

int CTransition::Setup(bool moveOther, int direction, int type, float duration)
{
    m_type = type;
    m_moveOther = moveOther;
    m_duration = duration;
    SetDirection(direction);
    return VORTAN_OK;
}

void CTransition::SetDirection(int direction)
{
    if (m_running)
        return;
    m_direction = direction;
    switch (direction) {
    case TRANSITION_UP:
        m_step = &CTransition::StepUp;
        break;
    case TRANSITION_DOWN:
        m_step = &CTransition::StepDown;
        break;
    case TRANSITION_RIGHT:
        m_step = &CTransition::StepRight;
        break;
    case TRANSITION_LEFT:
        m_step = &CTransition::StepLeft;
        break;
    case TRANSITION_CENTER:
        m_step = &CTransition::StepCenter;
        break;
    default:
        m_step = &CTransition::StepNone;
        break;
    }
}

void CTransition::SetWidgets(CWidget* outgoing, CWidget* incoming)
{
    m_outgoing = outgoing;
    m_incoming = incoming;
}

void CTransition::SetEasingIn(IEasingCurve* curve)
{
    if (m_easingIn != curve)
        delete m_easingIn;
    m_easingIn = curve;
}

void CTransition::SetEasingOut(IEasingCurve* curve)
{
    if (m_easingOut != curve)
        delete m_easingOut;
    m_easingOut = curve;
}

void CTransition::Release()
{
    m_outgoing = nullptr;
    m_incoming = nullptr;
    delete m_easingIn;
    m_easingIn = nullptr;
    delete m_easingOut;
    m_easingOut = nullptr;
}

void CTransition::Start()
{
    m_running = true;
    m_firstStep = true;
}

void CTransition::Update(float dt)
{
    if (!m_running)
        return;
    if (!m_outgoing || !m_incoming || !m_easingIn || !m_easingOut) {
        Finish();
        return;
    }
    (this->*m_step)(dt);
    if (m_elapsed >= m_duration)
        Finish();
}

void CTransition::Finish()
{
    m_running = false;
    m_elapsed = 0.0f;
    m_offset = 0.0f;
    m_start = 0;
    if (m_outgoing) {
        m_outgoing->SetEnabled(true);
        m_outgoing->SetVisible(false);
    }
    if (m_incoming) {
        m_incoming->SetEnabled(true);
        m_incoming->SetVisible(true);
    }
    m_outgoing = nullptr;
    m_incoming = nullptr;
}

void CTransition::SkipToEnd()
{
    if (m_running)
        m_elapsed = m_duration;
}

float CTransition::Progress()
{
    if (m_elapsed > m_duration)
        m_elapsed = m_duration;
    return m_duration > 0.0f ? m_elapsed / m_duration : 1.0f;
}

void CTransition::StepUp(float dt)
{
    m_elapsed += dt;
}

void CTransition::StepDown(float dt)
{
    m_elapsed += dt;
}

void CTransition::StepCenter(float dt)
{
    m_elapsed += dt;
}

void CTransition::StepNone(float dt)
{
    m_elapsed += dt;
}

void CTransition::StepRight(float dt)
{
    m_elapsed += dt;
    if (m_type != TRANSITION_IN)
        return;
    if (m_firstStep) {
        m_incoming->SetVisible(true);
        const CVortanRect& r = m_incoming->GetRect();
        m_start = r.left;
        m_distance = LayoutClampToInt((float)r.left + (float)r.right);
        m_incoming->SetPosition(m_distance, r.top);
        if (m_moveOther)
            m_outgoing->SetVisible(true);
        m_firstStep = false;
    }
    const float e = m_easingIn->Evaluate(Progress());
    m_offset = e * (float)m_distance;
    int x = LayoutClampToInt(floorf((float)m_distance - e * (float)m_distance + 0.5f));
    if (x < m_start)
        x = m_start;
    m_incoming->SetPosition(x, m_incoming->GetRect().top);
    if (m_moveOther)
        m_outgoing->SetPosition(x - m_outgoing->GetWidth(), m_outgoing->GetRect().top);
}

void CTransition::StepLeft(float dt)
{
    m_elapsed += dt;
    if (m_type != TRANSITION_OUT)
        return;
    if (m_firstStep) {
        m_outgoing->SetVisible(true);
        const CVortanRect& r = m_outgoing->GetRect();
        m_start = r.left;
        m_distance = r.right;
        if (m_moveOther) {
            m_incoming->SetVisible(true);
            const CVortanRect& in = m_incoming->GetRect();
            m_incoming->SetPosition(LayoutClampToInt((float)in.left - (float)in.right), in.top);
        }
        m_firstStep = false;
    }
    const float e = m_easingOut->Evaluate(Progress());
    m_offset = e * (float)m_distance;
    int x = LayoutClampToInt(floorf(e * (float)m_distance + (float)m_start + 0.5f));
    if (x > m_distance)
        x = m_distance;
    m_outgoing->SetPosition(x, m_outgoing->GetRect().top);
    if (m_moveOther)
        m_incoming->SetPosition(x - m_incoming->GetWidth(), m_incoming->GetRect().top);
}
