// The holder of a widget's transitions.
#include "ui/anim/Transitionable.h"

#include "ui/anim/Transition.h"

CTransitionable::CTransitionable() {}

CTransitionable::~CTransitionable()
{
    Shutdown();
}

int CTransitionable::Startup()
{
    m_transitions.RemoveAll();
    return VORTAN_OK;
}

void CTransitionable::Shutdown()
{
    for (int i = 0; i < m_transitions.GetCount(); ++i) {
        CTransition* transition = GetTransitionAt(i);
        transition->Release();
        delete transition;
    }
    m_transitions.RemoveAll();
}

void CTransitionable::Update(float dt)
{
    for (int i = 0; i < m_transitions.GetCount(); ++i)
        GetTransitionAt(i)->Update(dt);
}

CTransition* CTransitionable::GetTransitionAt(int index) const
{
    return (CTransition*)m_transitions.GetAt(index);
}

void CTransitionable::AddTransition(CTransition* transition)
{
    if (!transition)
        return;
    for (int i = 0; i < m_transitions.GetCount(); ++i) {
        CTransition* held = GetTransitionAt(i);
        if (held == transition)
            return;
        if (held->GetType() == transition->GetType()) {
            m_transitions.RemoveAt(i);
            held->Release();
            delete held;
            break;
        }
    }
    m_transitions.Add(transition);
}

CTransition* CTransitionable::FindTransition(int type) const
{
    for (int i = 0; i < m_transitions.GetCount(); ++i)
        if (GetTransitionAt(i)->GetType() == type)
            return GetTransitionAt(i);
    return nullptr;
}

void CTransitionable::BeginTransitions(int type, CWidget* outgoing, CWidget* incoming)
{
    for (int i = 0; i < m_transitions.GetCount(); ++i) {
        CTransition* transition = GetTransitionAt(i);
        if (transition->GetType() != type)
            continue;
        transition->SetWidgets(outgoing, incoming);
        transition->Start();
    }
}

void CTransitionable::SkipTransitions(int type)
{
    for (int i = 0; i < m_transitions.GetCount(); ++i)
        if (GetTransitionAt(i)->GetType() == type)
            GetTransitionAt(i)->SkipToEnd();
}

void CTransitionable::FinishTransitions()
{
    for (int i = 0; i < m_transitions.GetCount(); ++i)
        GetTransitionAt(i)->SkipToEnd();
}

bool CTransitionable::IsTransitionRunning() const
{
    for (int i = 0; i < m_transitions.GetCount(); ++i)
        if (GetTransitionAt(i)->IsRunning())
            return true;
    return false;
}

float CTransitionable::GetTransitionOffset() const
{
    return m_transitions.GetCount() > 0 ? GetTransitionAt(0)->GetOffset() : 0.0f;
}
