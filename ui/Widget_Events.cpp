// CWidget: coordinate conversion, hit testing and the routing of key and pointer events.
#include "ui/Widget.h"

namespace {
// ParentToLocal from the topmost ancestor down to w; the recursion keeps the chain on the
// stack, so no depth limit and no allocation.
void ParentToLocalFromTop(const CWidget* w, int& x, int& y)
{
    if (!w)
        return;
    ParentToLocalFromTop(w->GetParent(), x, y);
    w->ParentToLocal(x, y);
}

typedef void (CWidget::*PointerEvent)(int button, int x, int y);

// Routes a pointer move or release: to the capturing widget when it lies outside `self`, else
// to the child under the point (unless `self` intercepts), else to `self`'s own handler.
void RoutePointer(CWidget* self, PointerEvent dispatch, PointerEvent handle, int button, int x,
                  int y)
{
    CWidget* capture = CWidget::GetCapture();
    if (capture && !self->IsSelfOrAncestor(capture)) {
        capture->ConvertPoint(self, x, y);
        (capture->*dispatch)(button, x, y);
        return;
    }
    CWidget* child = self->IsIntercept() ? nullptr : self->ChildAt(x, y);
    if (child) {
        child->ConvertPoint(self, x, y);
        (child->*dispatch)(button, x, y);
        return;
    }
    (self->*handle)(button, x, y);
}
} // namespace

void CWidget::ConvertPoint(const CWidget* from, int& x, int& y) const
{
    for (const CWidget* w = from; w; w = w->GetParent())
        w->LocalToParent(x, y);
    ParentToLocalFromTop(this, x, y);
}

void CWidget::ConvertPointTo(const CWidget* target, int& x, int& y) const
{
    if (target)
        target->ConvertPoint(this, x, y);
}

bool CWidget::HitTest(int x, int y)
{
    return GetClientRect().Contains(x, y);
}

CWidget* CWidget::ChildAt(int x, int y)
{
    if (!IsVisible() || !IsEnabled())
        return nullptr;
    for (int i = m_children.GetSize() - 1; i >= 0; --i) {
        CWidget* child = m_children.ElementAt(i);
        if (!child->IsVisible() || !child->m_rect.Contains(x, y))
            continue;
        int cx = x, cy = y;
        child->ParentToLocal(cx, cy);
        if (!child->HitTest(cx, cy))
            continue;
        if (!child->IsIntercept()) {
            CWidget* inner = child->ChildAt(cx, cy);
            if (inner)
                return inner;
        }
        if (!child->IsPassThrough())
            return child;
    }
    return nullptr;
}

void CWidget::DispatchPointerDown(int button, int x, int y)
{
    if (!IsVisible() || !IsEnabled())
        return;
    CWalkGuard walk;
    CWidget* capture = GetCapture();
    if (capture && !IsSelfOrAncestor(capture)) {
        capture->ConvertPoint(this, x, y);
        capture->DispatchPointerDown(button, x, y);
        return;
    }
    CWidget* child = IsIntercept() ? nullptr : ChildAt(x, y);
    if (child) {
        CWidget* previous = m_focus;
        if (previous)
            previous->OnFocusLost(child);
        if (IsGone() || child->IsGone() || !child->IsSelfOrAncestor(this))
            return;
        child->OnFocusGained(previous);
        if (IsGone() || child->IsGone() || !child->IsSelfOrAncestor(this))
            return;
        m_focus = child;
        child->ConvertPoint(this, x, y);
        child->DispatchPointerDown(button, x, y);
        return;
    }
    if (m_focus) {
        CWidget* previous = m_focus;
        m_focus = nullptr;
        previous->OnFocusLost(nullptr);
        if (IsGone())
            return;
    }
    OnPointerDown(button, x, y);
}

void CWidget::DispatchPointerMove(int button, int x, int y)
{
    if (!IsVisible() || !IsEnabled())
        return;
    CWalkGuard walk;
    RoutePointer(this, &CWidget::DispatchPointerMove, &CWidget::OnPointerMove, button, x, y);
}

void CWidget::DispatchPointerUp(int button, int x, int y)
{
    if (!IsVisible() || !IsEnabled())
        return;
    CWalkGuard walk;
    RoutePointer(this, &CWidget::DispatchPointerUp, &CWidget::OnPointerUp, button, x, y);
}

void CWidget::DispatchKeyDown(int key)
{
    if (!IsVisible() || !IsEnabled())
        return;
    CWalkGuard walk;
    CWidget* capture = GetCapture();
    if (capture && !IsSelfOrAncestor(capture))
        capture->DispatchKeyDown(key);
    else if (m_focus)
        m_focus->DispatchKeyDown(key);
    else
        OnKeyDown(key);
}

void CWidget::DispatchChar(int character)
{
    if (!IsVisible() || !IsEnabled())
        return;
    CWalkGuard walk;
    CWidget* capture = GetCapture();
    if (capture && !IsSelfOrAncestor(capture))
        capture->DispatchChar(character);
    else if (m_focus)
        m_focus->DispatchChar(character);
    else
        OnChar(character);
}

void CWidget::CancelPointer()
{
    CWalkGuard walk;
    CWidget* capture = GetCapture();
    if (capture && !IsSelfOrAncestor(capture)) {
        capture->CancelPointer();
        return;
    }
    OnPointerCancel();
    for (int i = 0; !IsGone() && i < m_children.GetSize();) {
        CWidget* child = m_children.ElementAt(i);
        child->CancelPointer();
        i = NextChildIndex(i, child);
    }
}
