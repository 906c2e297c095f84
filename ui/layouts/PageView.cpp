// The page view: showing pages, the history, the back grammar of paths and page buttons.
#include "ui/layouts/PageView.h"

#include <stdio.h>

#include <new>

#include "ui/WidgetCast.h"
#include "ui/anim/Transition.h"
#include "ui/widgets/PageButton.h"

namespace {
// The text as bytes for scanning (non-ASCII units become '?').
void ToBytes(const CVortanString& text, char* out, int size)
{
    int n = text.GetLength() < size - 1 ? text.GetLength() : size - 1;
    for (int i = 0; i < n; ++i) {
        unsigned short c = text.GetAt(i);
        out[i] = c < 128 ? (char)c : '?';
    }
    out[n] = 0;
}

bool IsSpace(unsigned short c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
} // namespace

CPageView::CPageView() : m_historyMax(0), m_current(-1), m_previous(-1) {}

CPageView::~CPageView() {}

int CPageView::Startup(COrloApplication* context, COrloResourceManager* resources,
                       const CVortanRect& rect)
{
    int rc = CLayout::Startup(context, resources, rect);
    if (rc != VORTAN_OK) {
        ReportError(rc);
        return rc;
    }
    rc = CTransitionable::Startup();
    if (rc != VORTAN_OK) {
        ReportError(rc);
        return rc;
    }
    m_current = -1;
    m_buttons.RemoveAll();
    m_backKeyword = CVortanString(":back");
    return VORTAN_OK;
}

void CPageView::Shutdown()
{
    while (m_buttons.GetSize() > 0) {
        CPageButton* button = m_buttons[m_buttons.GetSize() - 1];
        button->SetPageView(nullptr);
        m_buttons.Remove(button); // in case the button did not unregister
    }
    CLayout::Shutdown();
    CTransitionable::Shutdown();
}

CWidget* CPageView::CreateInstance() const
{
    return new (std::nothrow) CPageView();
}

int CPageView::IndexOfChild(const CWidget* widget) const
{
    for (int i = 0; i < GetChildCount(); ++i)
        if (GetChild(i) == widget)
            return i;
    return -1;
}

void CPageView::RegisterPageButton(CPageButton* button)
{
    if (!button)
        return;
    m_buttons.Insert(button);
    UpdatePageButtons();
}

void CPageView::UnregisterPageButton(CPageButton* button)
{
    m_buttons.Remove(button);
}

void CPageView::GetHistory(CVortanStringArray& names)
{
    for (int i = 0; i < m_history.GetSize(); ++i) {
        CWidget* page = GetChild(m_history[i]);
        names.Add(page ? page->GetName() : CVortanString());
    }
}

void CPageView::SetHistory(const CVortanStringArray& paths)
{
    ClearHistory();
    for (int i = 0; i < paths.GetCount(); ++i) {
        const int index = IndexOfChild(FindByPath(paths.GetAt(i)));
        if (index != -1)
            ShowPage(index);
    }
}

void CPageView::ClearHistory()
{
    m_history.SetSize(0);
}

void CPageView::SetHistoryMaxSize(int n)
{
    m_historyMax = n;
}

void CPageView::RemoveHistoryTop()
{
    if (m_history.GetSize() > 0)
        m_history.SetSize(m_history.GetSize() - 1);
}

void CPageView::ShowPage(int index)
{
    if (index == m_current) {
        // The page shown after the history was cleared starts the history anew, so that a
        // later ":back" returns to it rather than to the first page.
        if (m_historyMax > 0 && index >= 0 && m_history.GetSize() == 0)
            m_history.SetAtGrow(0, index);
        return;
    }
    m_previous = m_current;
    m_current = index;
    if (m_historyMax <= 0)
        return;
    if (m_history.GetSize() >= m_historyMax)
        m_history.RemoveAt(0);
    m_history.SetAtGrow(m_history.GetSize(), index);
    CWidget* previous = GetPreviousPage();
    CWidget* page = GetCurrentPage();
    if (index >= 1 && previous && page) {
        FinishTransitions();
        BeginTransitions(TRANSITION_IN, previous, page);
    }
}

CWidget* CPageView::NavigateTo(const CVortanString& path)
{
    if (m_historyMax > 0 && path.StartsWith(m_backKeyword)) {
        if (path == m_backKeyword) {
            GoBack(1);
            return GetCurrentPage();
        }
        CVortanString rest(path);
        rest.ReplaceFirst(m_backKeyword, CVortanString());
        // ":%s": a leading colon and the word after it.
        if (rest.GetAt(0) == ':' && rest.GetLength() > 1 && !IsSpace(rest.GetAt(1))) {
            int end = 1;
            while (end < rest.GetLength() && !IsSpace(rest.GetAt(end)))
                ++end;
            rest = CVortanString(rest, 1, end - 1);
        }
        if (rest.Find('#') >= 0) {
            char bytes[64];
            ToBytes(rest, bytes, sizeof(bytes));
            int n = 0;
            if (sscanf(bytes, "#%d", &n) != 1)
                n = 0;
            if (n > 0)
                GoBack(n);
        } else if (!rest.IsEmpty()) {
            GoBackTo(rest);
        }
        return GetCurrentPage();
    }
    CWidget* found = FindByPath(path);
    const int index = found ? IndexOfChild(found) : -1;
    if (index == -1)
        return nullptr;
    ShowPage(index);
    return GetCurrentPage();
}

void CPageView::GoBack(int n)
{
    if (m_historyMax <= 0 || n <= 0)
        return;
    int removed = 0;
    while (removed < n && m_history.GetSize() > 1) {
        RemoveHistoryTop();
        ++removed;
    }
    if (removed == n) {
        const int top = m_history[m_history.GetSize() - 1];
        CWidget* page = GetChild(top);
        CWidget* current = GetCurrentPage();
        if (current && page) {
            FinishTransitions();
            BeginTransitions(TRANSITION_OUT, current, page);
        }
        m_current = top;
        return;
    }
    ShowPage(0);
}

void CPageView::GoBackTo(const CVortanString& name)
{
    if (m_historyMax <= 0)
        return;
    bool matched = false;
    for (int i = 0; i < m_history.GetSize(); ++i) {
        CWidget* page = GetChild(m_history[i]);
        if (!page || page->GetName() != name)
            continue;
        matched = true;
        while (m_history.GetSize() - 1 > i + 1) {
            CWidget* above = GetChild(m_history[m_history.GetSize() - 1]);
            if (above)
                above->SetVisible(false);
            RemoveHistoryTop();
        }
        break;
    }
    GoBack(1);
    if (!matched)
        NavigateTo(name);
}

void CPageView::LayoutPages()
{
    const CVortanRect client = GetClientRect();
    for (int i = 0; i < GetChildCount(); ++i) {
        CWidget* page = GetChild(i);
        page->SetRect(client);
        page->SetVisible(i == m_current);
    }
    UpdatePageButtons();
}

void CPageView::UpdatePageButtons()
{
    for (int i = 0; i < m_buttons.GetSize(); ++i) {
        CPageButton* button = m_buttons[i];
        CWidget* page = FindByPath(button->GetPage());
        button->SetState(page && page->IsVisible() ? 1 : 0);
    }
}

void CPageView::DoLayout()
{
    LayoutPages();
}

int CPageView::UpdateSelf(float dt)
{
    const bool running = IsTransitionRunning();
    CTransitionable::Update(dt);
    if (running) {
        UpdatePageButtons();
        return VORTAN_OK;
    }
    int rc = CLayout::UpdateSelf(dt);
    if (rc != VORTAN_OK) {
        ReportError(rc);
        return rc;
    }
    LayoutPages();
    return VORTAN_OK;
}

void CPageView::OnChildAdded(CWidget* child)
{
    if (GetChildCount() == 1)
        ShowPage(0);
    else if (child)
        child->SetVisible(false);
    CLayout::OnChildAdded(child);
}

void CPageView::OnChildRemoved(CWidget* child)
{
    CLayout::OnChildRemoved(child);
}
