// The toggle button: its state and the two children that show it.
#include "ui/widgets/ToggleButton.h"

#include <new>

CToggleButton::CToggleButton() {}

CToggleButton::~CToggleButton() {}

CWidget* CToggleButton::CreateInstance() const
{
    return new (std::nothrow) CToggleButton();
}

void CToggleButton::SetState(int state)
{
    if (state == m_state)
        return;
    m_state = state;
    RefreshChildren(false);
}

int CToggleButton::Click()
{
    m_state = m_state == 0 ? 1 : 0;
    RefreshChildren(false);
    return CButton::Click();
}

void CToggleButton::OnChildAdded(CWidget* child)
{
    CButton::OnChildAdded(child);
    RefreshChildren(true);
}

void CToggleButton::OnChildRemoved(CWidget* child)
{
    CButton::OnChildRemoved(child);
    RefreshChildren(true);
}

void CToggleButton::RefreshChildren(bool forced)
{
    const int count = GetChildCount();
    if (forced)
        for (int i = 0; i < count; ++i)
            if (CWidget* child = GetChild(i))
                child->SetVisible(true);
    if (count < 2)
        return;
    if (CWidget* off = GetChild(count - 2))
        off->SetVisible(m_state == 0);
    if (CWidget* on = GetChild(count - 1))
        on->SetVisible(m_state == 1);
}
