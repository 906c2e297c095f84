// CWidget: construction, lifecycle, child management and the deferred deletion of walks.
#include "ui/Widget.h"

#include <stdio.h>

#include <new>

#include "engine/VortanPtrArray.h"

namespace {
CWidget* s_capture = nullptr;
int s_walkDepth = 0;
// Shut-down widgets whose deletion waits for the walks, and memory of widgets deleted
// during a walk.
CVortanPtrArray s_pendingDelete;
CVortanPtrArray s_pendingFree;
} // namespace

CWidget::CWalkGuard::CWalkGuard()
{
    ++s_walkDepth;
}

CWidget::CWalkGuard::~CWalkGuard()
{
    if (--s_walkDepth == 0)
        FlushPending();
}

void* CWidget::operator new(size_t size)
{
    return ::operator new(size);
}

void* CWidget::operator new(size_t size, const std::nothrow_t&) noexcept
{
    return ::operator new(size, std::nothrow);
}

void CWidget::operator delete(void* p, const std::nothrow_t&) noexcept
{
    CWidget::operator delete(p);
}

void CWidget::operator delete(void* p) noexcept
{
    if (p && s_walkDepth > 0 && s_pendingFree.Add(p) == VORTAN_OK)
        return;
    ::operator delete(p);
}

void CWidget::FlushPending()
{
    // Deleting a widget runs no walk, so nothing joins the lists while they empty.
    while (s_pendingDelete.GetCount() > 0) {
        int last = s_pendingDelete.GetCount() - 1;
        CWidget* w = (CWidget*)s_pendingDelete.GetAt(last);
        s_pendingDelete.RemoveAt(last);
        delete w;
    }
    while (s_pendingFree.GetCount() > 0) {
        int last = s_pendingFree.GetCount() - 1;
        void* p = s_pendingFree.GetAt(last);
        s_pendingFree.RemoveAt(last);
        ::operator delete(p);
    }
}

int CWidget::GetWalkDepth()
{
    return s_walkDepth;
}

int CWidget::GetPendingDeletions()
{
    return s_pendingDelete.GetCount() + s_pendingFree.GetCount();
}

void CWidget::DeleteOrDefer(CWidget* widget)
{
    if (!widget)
        return;
    if (s_walkDepth > 0 && s_pendingDelete.Add(widget) == VORTAN_OK)
        return;
    delete widget;
}

void CWidget::Destroy(CWidget* widget)
{
    if (!widget)
        return;
    if (widget->m_parent)
        widget->m_parent->RemoveChild(widget);
    widget->Shutdown();
    DeleteOrDefer(widget);
}

CWidget::CWidget()
    : m_rect{}, m_context(nullptr), m_resources(nullptr), m_parent(nullptr), m_focus(nullptr),
      m_uniqueName(nullptr), m_tag(0), m_flags(0), m_gone(0), m_color(0xFFFFFFFFu), m_life(nullptr)
{}

CWidget::~CWidget()
{
    m_gone = 2;
    KillLife();
    if (s_capture == this)
        s_capture = nullptr;
    ClearFocusInto(this);
    if (m_parent)
        m_parent->ForgetChild(this);
    for (int i = 0; i < m_children.GetSize(); ++i) {
        CWidget* child = m_children.ElementAt(i);
        if (child && child->m_parent == this)
            child->m_parent = nullptr;
    }
    delete m_uniqueName;
}

void CWidget::ReportError(int code)
{
    fprintf(stderr, "ERROR: %d\n", code);
}

CWidgetLife* CWidget::AcquireLife()
{
    if (IsGone())
        return nullptr;
    if (!m_life) {
        m_life = new (std::nothrow) CWidgetLife;
        if (!m_life)
            return nullptr;
        m_life->references = 1; // the widget's own
        m_life->alive = 1;
    }
    ++m_life->references;
    return m_life;
}

void CWidget::ReleaseLife(CWidgetLife* life)
{
    if (life && --life->references == 0)
        delete life;
}

void CWidget::KillLife()
{
    if (m_life) {
        m_life->alive = 0;
        ReleaseLife(m_life);
        m_life = nullptr;
    }
}

CWidget* CWidget::GetCapture()
{
    return s_capture;
}

void CWidget::SetCapture(CWidget* widget)
{
    s_capture = widget;
}

void CWidget::SetParent(CWidget* parent)
{
    if (s_capture == this)
        s_capture = nullptr;
    m_parent = parent;
}

int CWidget::Startup(COrloApplication* context, COrloResourceManager* resources,
                     const CVortanRect& rect)
{
    m_context = context;
    m_resources = resources;
    m_focus = nullptr;
    m_gone = 0;
    SetRect(rect);
    m_flags = (u8)((m_flags | FLAG_VISIBLE | FLAG_ENABLED) & ~(FLAG_PASS_THROUGH | FLAG_INTERCEPT));
    m_name.Empty();
    m_tag = 0;
    m_onStartup.Call(this);
    return VORTAN_OK;
}

void CWidget::Shutdown()
{
    m_onShutdown.Call(this);
    m_gone = 1;
    KillLife();
    if (s_capture == this)
        s_capture = nullptr;
    ClearFocusInto(this);
    m_focus = nullptr;
    // In order, each child taken out of the array before its Shutdown: whatever runs on the
    // way (a shutdown event, a lookup through the tree) sees only the children still here.
    while (m_children.GetSize() > 0) {
        CWidget* child = m_children.ElementAt(0);
        m_children.RemoveAt(0);
        if (!child)
            continue;
        child->Shutdown();
        if (child->m_parent == this)
            child->m_parent = nullptr;
        DeleteOrDefer(child);
    }
    m_children.SetSize(0);
    m_focus = nullptr;
    m_context = nullptr;
    delete m_uniqueName;
    m_uniqueName = nullptr;
}

void CWidget::SetUniqueName(const CVortanString& name)
{
    if (m_uniqueName || name.IsEmpty())
        return;
    m_uniqueName = new (std::nothrow) CHashString(name);
}

void CWidget::SetRect(const CVortanRect& rect)
{
    if (rect.left == m_rect.left && rect.top == m_rect.top && rect.right == m_rect.right &&
        rect.bottom == m_rect.bottom)
        return;
    CVortanRect old = m_rect;
    m_rect = rect;
    OnRectChanged(old, m_rect);
    if (m_parent)
        m_parent->ChildRectChanged(this, m_rect);
}

void CWidget::SetPosition(int x, int y)
{
    CVortanRect old = m_rect;
    m_rect.Set(x, y, x + old.GetWidth(), y + old.GetHeight());
    OnRectChanged(old, m_rect);
}

CWidget* CWidget::GetRoot()
{
    CWidget* w = this;
    while (w->m_parent)
        w = w->m_parent;
    return w;
}

bool CWidget::IsSelfOrAncestor(const CWidget* widget) const
{
    for (const CWidget* w = this; w; w = w->m_parent) {
        if (w == widget)
            return true;
    }
    return false;
}

CWidget* CWidget::FindAncestorOfKind(const TypeInfo& record) const
{
    for (CWidget* w = m_parent; w; w = w->m_parent) {
        if (w->IsKindOf(record))
            return w;
    }
    return nullptr;
}

const CWidget::TypeInfo* CWidget::GetTypeInfo() const
{
    return &CWidgetTypes::Widget();
}

bool CWidget::IsKindOf(const TypeInfo& record) const
{
    return GetTypeInfo()->IsKindOf(record);
}

CWidget* CWidget::CreateInstance() const
{
    return new (std::nothrow) CWidget();
}

bool CWidget::IsVisible() const
{
    return (m_flags & FLAG_VISIBLE) != 0;
}

void CWidget::SetVisible(bool visible)
{
    if (IsVisible() == visible)
        return;
    SetFlag(FLAG_VISIBLE, visible);
    OnVisibilityChanged(visible);
}

CVortanRect CWidget::GetClientRect() const
{
    CVortanRect r;
    r.Set(0, 0, GetWidth(), GetHeight());
    return r;
}

void CWidget::ParentToLocal(int& x, int& y) const
{
    x -= m_rect.left;
    y -= m_rect.top;
}

void CWidget::LocalToParent(int& x, int& y) const
{
    x += m_rect.left;
    y += m_rect.top;
}

void CWidget::ChildRectChanged(CWidget* child, const CVortanRect& rect)
{
    OnChildRectChanged(child, rect);
    if (m_parent)
        m_parent->ChildRectChanged(child, rect);
}

void CWidget::AddChild(CWidget* child)
{
    InsertChild(child, m_children.GetSize());
}

void CWidget::InsertChild(CWidget* child, int index)
{
    // A widget never becomes its own descendant.
    if (!child || IsSelfOrAncestor(child))
        return;
    if (child->m_parent)
        child->m_parent->RemoveChild(child);
    if (index < 0)
        index = 0;
    if (index > m_children.GetSize())
        index = m_children.GetSize();
    if (m_children.InsertAt(index, child) != VORTAN_OK)
        return;
    child->SetParent(this);
    OnChildAdded(child);
}

void CWidget::ClearFocusInto(const CWidget* leaving)
{
    for (CWidget* a = leaving->m_parent; a; a = a->m_parent) {
        if (a->m_focus && a->m_focus->IsSelfOrAncestor(leaving))
            a->m_focus = nullptr;
    }
}

void CWidget::ForgetChild(CWidget* child)
{
    for (int i = 0; i < m_children.GetSize(); ++i) {
        if (m_children.ElementAt(i) == child) {
            m_children.RemoveAt(i);
            break;
        }
    }
    if (m_focus == child)
        m_focus = nullptr;
}

bool CWidget::RemoveChild(CWidget* child)
{
    if (!child)
        return false;
    int index = -1;
    for (int i = 0; i < m_children.GetSize(); ++i) {
        if (m_children.ElementAt(i) == child) {
            index = i;
            break;
        }
    }
    if (index < 0)
        return false;
    ClearFocusInto(child);
    m_children.RemoveAt(index);
    child->SetParent(nullptr);
    OnChildRemoved(child);
    return true;
}

bool CWidget::DeleteChild(CWidget* child)
{
    if (!RemoveChild(child))
        return false;
    child->Shutdown();
    DeleteOrDefer(child);
    return true;
}

void CWidget::RefreshLocalizedText()
{
    for (int i = 0; i < m_children.GetSize(); ++i)
        m_children.ElementAt(i)->RefreshLocalizedText();
}

void CWidget::OnRectChanged(const CVortanRect&, const CVortanRect&) {}
void CWidget::OnChildRectChanged(CWidget*, const CVortanRect&) {}
void CWidget::OnChildAdded(CWidget*) {}
void CWidget::OnChildRemoved(CWidget*) {}
int CWidget::RenderSelf(IVortanGraphicsContext*, const CVortanRect&)
{
    return VORTAN_OK;
}
void CWidget::OnKeyDown(int) {}
void CWidget::OnChar(int) {}
void CWidget::OnPointerDown(int, int, int) {}
void CWidget::OnPointerMove(int, int, int) {}
void CWidget::OnPointerUp(int, int, int) {}
void CWidget::OnPointerCancel() {}
int CWidget::UpdateSelf(float)
{
    return VORTAN_OK;
}
void CWidget::OnFocusGained(CWidget*) {}
void CWidget::OnFocusLost(CWidget*) {}
