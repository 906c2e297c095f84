// The infinite list: templates, the window of loaded rows, loading below and above with
// recycling, groups and forgetting.
#include "ui/layouts/InfiniteList.h"

#include <math.h>
#include <stdio.h>

#include <new>

#include "ui/WidgetCast.h"
#include "ui/widgets/Expandable.h"

namespace {
const int kDefaultBatch = 10;
const int kSmallestBatch = 3;
const int kBatchesInWindow = 5;

CVortanString NumberText(int n)
{
    char text[16];
    snprintf(text, sizeof(text), "%d", n);
    return CVortanString(text);
}

int ParseNumber(const CVortanString& text)
{
    char buffer[16];
    int n = text.GetLength() < 15 ? text.GetLength() : 15;
    for (int i = 0; i < n; ++i)
        buffer[i] = (char)text.GetAt(i);
    buffer[n] = 0;
    int value = 0;
    if (sscanf(buffer, "%d", &value) != 1)
        return -1;
    return value;
}
} // namespace

CInfiniteList::CInfiniteList()
    : m_itemCount(0), m_firstLoaded(0), m_batchSize(kDefaultBatch), m_itemTemplate(nullptr),
      m_groupTemplate(nullptr), m_templatesPending(true),
      m_stale(false), m_loading{-1, nullptr}, m_batch{0, -1}, m_drawingEnabled(true)
{}

CInfiniteList::~CInfiniteList()
{
    delete m_itemTemplate;
    delete m_groupTemplate;
}

int CInfiniteList::Startup(COrloApplication* context, COrloResourceManager* resources,
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
    m_batchSize = kDefaultBatch;
    m_itemCount = 0;
    m_firstLoaded = 0;
    CWidget::Destroy(m_itemTemplate);
    CWidget::Destroy(m_groupTemplate);
    m_itemTemplate = m_groupTemplate = nullptr;
    m_templatesPending = true;
    m_stale = false;
    m_headers.SetSize(0);
    m_loading = {-1, nullptr};
    m_batch = {0, -1};
    m_drawingEnabled = true;
    return VORTAN_OK;
}

void CInfiniteList::Shutdown()
{
    for (int i = 0; i < GetChildCount(); ++i) {
        CWidget* row = GetChild(i);
        if (!IsGroupHeader(row)) {
            m_loading = {ParseNumber(row->GetName()), row};
            m_onForgetItem.Call(row);
        }
    }
    m_loading = {-1, nullptr};
    CWidget::Destroy(m_itemTemplate);
    CWidget::Destroy(m_groupTemplate);
    m_itemTemplate = m_groupTemplate = nullptr;
    m_headers.SetSize(0);
    CGridLayout::Shutdown();
}

CWidget* CInfiniteList::CreateInstance() const
{
    return new (std::nothrow) CInfiniteList();
}

void CInfiniteList::CopyFrom(const CWidget* other)
{
    CGridLayout::CopyFrom(other);
    const CInfiniteList* source = WidgetCast<CInfiniteList>(other);
    if (!source || source == this)
        return;
    m_onLoadItem = source->m_onLoadItem;
    m_onForgetItem = source->m_onForgetItem;
    m_onLoadItemBatch = source->m_onLoadItemBatch;
    m_onLoadGroup = source->m_onLoadGroup;
    m_batchSize = source->m_batchSize;
    m_itemCount = source->m_itemCount;
    m_drawingEnabled = source->m_drawingEnabled;
    m_templatesPending = source->m_templatesPending;
    CWidget::Destroy(m_itemTemplate);
    CWidget::Destroy(m_groupTemplate);
    m_itemTemplate = source->m_itemTemplate ? source->m_itemTemplate->Clone() : nullptr;
    m_groupTemplate = source->m_groupTemplate ? source->m_groupTemplate->Clone() : nullptr;
    m_headers.SetSize(0);
    for (int i = 0; i < source->m_headers.GetSize(); ++i)
        m_headers.SetAtGrow(i, source->m_headers[i]);
    m_firstLoaded = 0;
    ScrollTo(0, 0, 0.0f);
}

CWidget* CInfiniteList::Clone()
{
    if (m_templatesPending)
        return CGridLayout::Clone(); // the templates are still children
    return CloneWithoutChildren();
}

bool CInfiniteList::IsGroupHeader(const CWidget* widget)
{
    static const CVortanString group("group");
    return widget && widget->GetName() == group;
}

void CInfiniteList::SetItemCount(int n)
{
    if (n < 0)
        n = 0;
    if (n == m_itemCount && !m_stale)
        return;
    ForgetAll();
    m_itemCount = n;
}

void CInfiniteList::SetGroups(const CVortanArray<int>& sizes)
{
    ForgetAll();
    LookupTemplates();
    m_headers.SetSize(0);
    long long count = 0;
    for (int i = 0; i < sizes.GetSize(); ++i) {
        if (m_groupTemplate && count < 0x7FFFFFFF) {
            m_headers.SetAtGrow(m_headers.GetSize(), (int)count);
            ++count;
        }
        if (sizes[i] > 0)
            count += sizes[i];
    }
    m_itemCount = count > 0x7FFFFFFF ? 0x7FFFFFFF : (int)count;
}

void CInfiniteList::SetBatchSize(int n)
{
    if (n >= 1)
        m_batchSize = n < kSmallestBatch ? kSmallestBatch : (n > MAX_BATCH ? MAX_BATCH : n);
    else if (m_templatesPending)
        m_batchSize = -1;
}

void CInfiniteList::InvalidateItems()
{
    if (!m_templatesPending)
        m_stale = true;
}

int CInfiniteList::GetItemIndex(const CWidget* widget) const
{
    return (widget && widget == m_loading.widget) ? m_loading.index : -1;
}

void CInfiniteList::GetBatchRange(int& count, int& first) const
{
    count = m_batch.count;
    first = m_batch.first;
}

void CInfiniteList::LookupTemplates()
{
    if (!m_templatesPending)
        return;
    int h = GetHeight();
    m_groupTemplate = DetachTemplate(CVortanString("group_template"));
    if (m_groupTemplate && m_groupTemplate->GetHeight() <= h)
        h = m_groupTemplate->GetHeight();
    m_itemTemplate = DetachTemplate(CVortanString("item_template"));
    if (CExpandable* expandable = WidgetCast<CExpandable>(m_itemTemplate))
        h = expandable->GetStateHeight(0); // collapsed
    else if (m_itemTemplate)
        h = m_itemTemplate->GetHeight();
    if (m_batchSize == -1) {
        if (h > 0) {
            const int derived = (int)lroundf((float)(GetHeight() / h) + 0.5f);
            m_batchSize = derived < kSmallestBatch ? kSmallestBatch : derived;
        } else {
            m_batchSize = kSmallestBatch; // nothing to derive it from
        }
    }
    m_templatesPending = false;
}

void CInfiniteList::Forget(CWidget* row)
{
    if (!IsGroupHeader(row)) {
        m_loading = {ParseNumber(row->GetName()), row};
        m_onForgetItem.Call(row);
        m_loading = {-1, nullptr};
    }
    RemoveChild(row);
}

void CInfiniteList::ForgetAll()
{
    if (m_templatesPending)
        return;
    while (GetChildCount() > 0) {
        CWidget* row = GetChild(GetChildCount() - 1);
        Forget(row);
        if (row->GetParent() == this)
            RemoveChild(row);
        CWidget::Destroy(row);
    }
    m_firstLoaded = 0;
    m_itemCount = 0;
    m_headers.SetSize(0);
    ScrollTo(0, 0, 0.0f);
    m_stale = false;
}

int CInfiniteList::HeadersBelow(int p) const
{
    int lo = 0, hi = m_headers.GetSize();
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (m_headers[mid] < p)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

int CInfiniteList::HeaderIndex(int p) const
{
    const int i = HeadersBelow(p);
    return (i < m_headers.GetSize() && m_headers[i] == p) ? i : -1;
}

void CInfiniteList::BeginBatch()
{
    m_batch = {0, -1};
}

CWidget* CInfiniteList::CreateRow(int p, CWidget* recycled, int index)
{
    const int group = m_groupTemplate ? HeaderIndex(p) : -1;
    CWidget* source = group >= 0 ? m_groupTemplate : m_itemTemplate;
    if (recycled && IsGroupHeader(recycled) != (group >= 0)) {
        CWidget::Destroy(recycled);
        recycled = nullptr;
    }
    CWidget* row = recycled ? recycled : (source ? source->Clone() : nullptr);
    if (!row)
        return nullptr;
    // The row is in the list while its event runs, so that the handler finds the list.
    InsertChild(row, index);
    if (group >= 0) {
        row->SetName(CVortanString("group"));
        m_loading = {group, row};
        m_onLoadGroup.Call(row);
    } else {
        const int k = p - HeadersBelow(p);
        row->SetName(NumberText(k));
        m_loading = {k, row};
        ++m_batch.count;
        if (m_batch.first < 0 || k < m_batch.first)
            m_batch.first = k;
        m_onLoadItem.Call(row);
    }
    m_loading = {-1, nullptr};
    if (row->GetParent() == this && !IsGone())
        row->Update(0.0f);
    return row;
}

void CInfiniteList::Fill()
{
    const int window = kBatchesInWindow * m_batchSize;
    int rows = window < m_itemCount - m_firstLoaded ? window : m_itemCount - m_firstLoaded;
    if (rows <= GetChildCount())
        return;
    BeginBatch();
    for (int i = GetChildCount(); i < rows && !IsGone(); ++i)
        if (!CreateRow(m_firstLoaded + i, nullptr, GetChildCount()))
            break;
    m_onLoadItemBatch.Call(this);
}

void CInfiniteList::LoadBelow()
{
    const int count = GetChildCount();
    int n = m_itemCount - m_firstLoaded - count;
    if (n > m_batchSize)
        n = m_batchSize;
    if (n <= 0)
        return;
    BeginBatch();
    for (int i = 0; i < n && !IsGone() && GetChildCount() > 0; ++i) {
        CWidget* top = GetChild(0);
        SetScrollY(GetScrollY() - (top->GetHeight() + GetItemSpacingY()));
        Forget(top);
        CreateRow(m_firstLoaded + count + i, top, GetChildCount());
    }
    m_firstLoaded += n;
    m_onLoadItemBatch.Call(this);
}

void CInfiniteList::LoadAbove()
{
    const int n = m_firstLoaded < m_batchSize ? m_firstLoaded : m_batchSize;
    if (n <= 0)
        return;
    BeginBatch();
    for (int i = 0; i < n && !IsGone() && GetChildCount() > 0; ++i) {
        CWidget* bottom = GetChild(GetChildCount() - 1);
        SetScrollY(GetScrollY() + bottom->GetHeight() + GetItemSpacingY());
        Forget(bottom);
        CreateRow(m_firstLoaded - i - 1, bottom, 0);
    }
    m_firstLoaded -= n;
    m_onLoadItemBatch.Call(this);
}

int CInfiniteList::UpdateSelf(float dt)
{
    LookupTemplates();
    if (!m_itemTemplate)
        return VORTAN_OK;
    if (m_stale) {
        m_stale = false;
        ForgetAll();
        return VORTAN_OK;
    }
    const int window = kBatchesInWindow * m_batchSize;
    const int count = GetChildCount();
    if (count < window) {
        if (count != m_itemCount)
            Fill();
    } else {
        const CVortanRect view = GetViewRect();
        const int above = GetChild(m_batchSize - 1)->GetRect().bottom;
        const int below = GetChild(count - m_batchSize)->GetRect().top;
        if (below < view.bottom)
            LoadBelow();
        else if (view.top < above && m_firstLoaded != 0)
            LoadAbove();
    }
    if (IsGone())
        return VORTAN_OK;
    int rc = CLayout::UpdateSelf(dt);
    if (rc != VORTAN_OK) {
        ReportError(rc);
        return rc;
    }
    return VORTAN_OK;
}

int CInfiniteList::Render(IVortanGraphicsContext* gc, const CVortanRect& rect)
{
    if (!IsVisible() || !m_drawingEnabled)
        return VORTAN_OK;
    return CGridLayout::Render(gc, rect);
}

void CInfiniteList::RefreshLocalizedText()
{
    if (m_itemTemplate)
        m_itemTemplate->RefreshLocalizedText();
    if (m_groupTemplate)
        m_groupTemplate->RefreshLocalizedText();
    CGridLayout::RefreshLocalizedText();
}
