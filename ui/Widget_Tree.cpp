// CWidget: finding widgets by name and path, templates, copying and cloning subtrees.
#include "ui/Widget.h"

namespace {
enum { MODE_NONE, MODE_SLASH, MODE_DOUBLE, MODE_ANCESTOR };
}

CWidget* CWidget::FindChild(const CVortanString& name, int depth)
{
    int n = m_children.GetSize();
    for (int i = 0; i < n; ++i) {
        if (m_children.ElementAt(i)->m_name == name)
            return m_children.ElementAt(i);
    }
    if (depth == 0)
        return nullptr;
    for (int i = 0; i < n; ++i) {
        CWidget* found = m_children.ElementAt(i)->FindChild(name, depth - 1);
        if (found)
            return found;
    }
    return nullptr;
}

bool CWidget::RemoveChildByName(const CVortanString& name)
{
    for (int i = 0; i < m_children.GetSize(); ++i) {
        if (m_children.ElementAt(i)->m_name == name)
            return RemoveChild(m_children.ElementAt(i));
    }
    for (int i = 0; i < m_children.GetSize(); ++i) {
        if (m_children.ElementAt(i)->RemoveChildByName(name))
            return true;
    }
    return false;
}

CWidget* CWidget::DetachTemplate(const CVortanString& name)
{
    CWidget* found = FindChild(name, -1);
    if (!found)
        return nullptr;
    if (found->m_parent)
        found->m_parent->RemoveChild(found);
    if (found->m_children.GetSize() == 0)
        return found;
    CWidget* first = found->m_children.ElementAt(0);
    found->RemoveChild(first);
    found->Shutdown();
    DeleteOrDefer(found);
    return first;
}

CWidget* CWidget::ResolvePathStep(CWidget* w, int mode, const CVortanString& name)
{
    bool dot = name.GetLength() == 1 && name.GetAt(0) == '.';
    bool dotdot = name.GetLength() == 2 && name.GetAt(0) == '.' && name.GetAt(1) == '.';
    switch (mode) {
    case MODE_NONE:
        if (!w || name.IsEmpty() || dot)
            return w;
        if (dotdot)
            return w->m_parent;
        return w->FindChild(name, 1);
    case MODE_SLASH:
        if (!w)
            return nullptr;
        if (name.IsEmpty())
            return w->GetRoot();
        if (dot)
            return w;
        if (dotdot)
            return w->m_parent;
        return w->FindChild(name, 1);
    case MODE_DOUBLE:
        if (!w || name.IsEmpty())
            return nullptr;
        if (dot)
            return w;
        if (dotdot)
            return w->m_parent;
        return w->FindChild(name, -1);
    default:
        if (!w)
            return nullptr;
        for (CWidget* a = w->m_parent; a; a = a->m_parent) {
            if (a->m_name == name)
                return a;
        }
        return nullptr;
    }
}

CWidget* CWidget::FindByPath(const CVortanString& path)
{
    CWidget* w = this;
    int mode = MODE_NONE;
    CVortanString name;
    int n = path.GetLength();
    int i = 0;
    while (i < n) {
        unsigned short c = path.GetAt(i);
        int separator = -1;
        int length = 0;
        if (c == '/' && i + 1 < n && path.GetAt(i + 1) == '/' && i + 2 < n) {
            separator = MODE_DOUBLE;
            length = 2;
        } else if ((c == '/' || c == '<') && i + 1 < n) {
            separator = c == '/' ? MODE_SLASH : MODE_ANCESTOR;
            length = 1;
        }
        if (separator < 0) {
            name.AppendChar(c);
            ++i;
            continue;
        }
        w = ResolvePathStep(w, mode, name);
        mode = separator;
        name.Empty();
        i += length;
    }
    if (!name.IsEmpty())
        w = ResolvePathStep(w, mode, name);
    return w;
}

void CWidget::CopyFrom(const CWidget* other)
{
    if (!other || other == this)
        return;
    SetRect(other->m_rect);
    SetVisible(other->IsVisible());
    SetEnabled(other->IsEnabled());
    SetPassThrough(other->IsPassThrough());
    SetIntercept(other->IsIntercept());
    m_name = other->m_name;
    m_tag = other->m_tag;
    m_onShow = other->m_onShow;
    m_onHide = other->m_onHide;
    m_onClone = other->m_onClone;
    m_onCloned = other->m_onCloned;
    m_onStartup = other->m_onStartup;
    m_onShutdown = other->m_onShutdown;
    m_color = other->m_color;
}

CWidget* CWidget::Clone()
{
    m_onClone.Call(this);
    CWidget* copy = CreateInstance();
    if (!copy)
        return nullptr;
    int code = copy->Startup(m_context, m_resources, m_rect);
    if (code != VORTAN_OK) {
        ReportError(code);
        copy->Shutdown();
        delete copy;
        return nullptr;
    }
    copy->CopyFrom(this);
    for (int i = 0; i < m_children.GetSize(); ++i) {
        CWidget* child = m_children.ElementAt(i)->Clone();
        if (child)
            copy->AddChild(child);
    }
    copy->m_onCloned.Call(copy);
    return copy;
}

bool CWidget::TreesEqual(const CWidget* other)
{
    if (!other || !GetTypeInfo()->Matches(*other->GetTypeInfo()))
        return false;
    CopyFrom(other);
    int n = m_children.GetSize();
    if (n != other->m_children.GetSize())
        return false;
    for (int i = 0; i < n; ++i) {
        if (!m_children.ElementAt(i)->TreesEqual(other->m_children.ElementAt(i)))
            return false;
    }
    return true;
}
