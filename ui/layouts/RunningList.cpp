// The running list: adding, trimming and clearing items, growth upward and autoscroll.
#include "ui/layouts/RunningList.h"

#include <stdio.h>

#include <algorithm>
#include <new>

#include "ui/WidgetCast.h"

CRunningList::CRunningList()
    : m_itemTemplate(nullptr), m_growUpward(true), m_templatePending(true), m_autoscroll(true),
      m_maxCount(0), m_counter(0), m_autoscrollTime(0.0f)
{}

CRunningList::~CRunningList()
{
    delete m_itemTemplate;
}

int CRunningList::Startup(COrloApplication* context, COrloResourceManager* resources,
                          const CVortanRect& rect)
{
    int rc = CGridLayout::Startup(context, resources, rect);
    if (rc != VORTAN_OK) {
        ReportError(rc);
        return rc;
    }
    SetLayoutMode(GRID_MODE_LIST);
    SetColumnCount(1);
    SetRowCount(0);
    return VORTAN_OK;
}

void CRunningList::Shutdown()
{
    ClearItems();
    CWidget::Destroy(m_itemTemplate);
    m_itemTemplate = nullptr;
    CGridLayout::Shutdown();
}

CWidget* CRunningList::CreateInstance() const
{
    return new (std::nothrow) CRunningList();
}

void CRunningList::CopyFrom(const CWidget* other)
{
    CGridLayout::CopyFrom(other);
    const CRunningList* source = WidgetCast<CRunningList>(other);
    if (!source || source == this)
        return;
    m_growUpward = source->m_growUpward;
    m_autoscroll = source->m_autoscroll;
    m_autoscrollTime = source->m_autoscrollTime;
    m_maxCount = source->m_maxCount;
    m_templatePending = source->m_templatePending;
    CWidget::Destroy(m_itemTemplate);
    m_itemTemplate = source->m_itemTemplate ? source->m_itemTemplate->Clone() : nullptr;
    ScrollTo(0, 0, 0.0f);
}

CWidget* CRunningList::Clone()
{
    if (m_templatePending)
        return CGridLayout::Clone(); // the template is still a child
    return CloneWithoutChildren();
}

void CRunningList::AddItem(CWidget* item)
{
    if (!item)
        return;
    const int before = GetChildCount();
    ++m_counter;
    char name[16];
    snprintf(name, sizeof(name), "%d", m_counter);
    item->SetName(CVortanString(name));
    if (m_growUpward) {
        AddChild(item);
        CWidget* parent = GetParent();
        if (parent && GetHeight() < parent->GetHeight()) {
            // Grown no taller than its parent: a list reaching past the parent's top would
            // keep its first items above the view, where no scroll can bring them.
            CVortanRect r = GetRect();
            r.top = std::max(r.top - (item->GetHeight() + GetItemSpacingY()),
                             r.bottom - parent->GetHeight());
            SetRect(r);
        }
    } else {
        InsertChild(item, 0);
    }
    if (m_maxCount > 0 && m_maxCount < before)
        RemoveOldestItem();
    if (m_autoscroll) {
        if (m_growUpward)
            ScrollTo(0, GetRect().bottom, 0.0f);
        else
            ScrollTo(0, 0, m_autoscrollTime);
    }
}

void CRunningList::RemoveOldestItem()
{
    if (GetChildCount() == 0)
        return;
    CWidget* oldest;
    if (m_growUpward) {
        oldest = GetChild(0);
        SetScrollY(GetScrollY() - (oldest->GetHeight() + GetItemSpacingY()));
    } else {
        oldest = GetChild(GetChildCount() - 1);
    }
    DeleteChild(oldest);
}

void CRunningList::ClearItems()
{
    while (GetChildCount() > 0)
        DeleteChild(GetChild(GetChildCount() - 1));
    if (m_growUpward) {
        CVortanRect r = GetRect();
        r.top = r.bottom - 2 * GetItemSpacingY();
        SetRect(r);
    }
    ScrollTo(0, 0, 0.0f);
}

int CRunningList::UpdateSelf(float dt)
{
    if (m_templatePending) {
        m_itemTemplate = DetachTemplate(CVortanString("item_template"));
        if (m_itemTemplate) {
            m_templatePending = false;
            ClearItems();
        }
    }
    int rc = CLayout::UpdateSelf(dt);
    if (rc != VORTAN_OK) {
        ReportError(rc);
        return rc;
    }
    return VORTAN_OK;
}
