// The page button: its page view, navigation on click and the view it finds by path.
#include "ui/widgets/PageButton.h"

#include <new>

#include "ui/WidgetCast.h"
#include "ui/layouts/PageView.h"

CPageButton::CPageButton() : m_view(nullptr) {}

CPageButton::~CPageButton()
{
    if (m_view)
        m_view->UnregisterPageButton(this);
}

int CPageButton::Startup(COrloApplication* context, COrloResourceManager* resources,
                         const CVortanRect& rect)
{
    int rc = CToggleButton::Startup(context, resources, rect);
    if (rc != VORTAN_OK) {
        ReportError(rc);
        return rc;
    }
    m_view = nullptr;
    return VORTAN_OK;
}

void CPageButton::Shutdown()
{
    if (m_view)
        m_view->UnregisterPageButton(this);
    m_view = nullptr;
    CToggleButton::Shutdown();
}

CWidget* CPageButton::CreateInstance() const
{
    return new (std::nothrow) CPageButton();
}

void CPageButton::CopyFrom(const CWidget* other)
{
    CToggleButton::CopyFrom(other);
    const CPageButton* source = WidgetCast<CPageButton>(other);
    if (!source || source == this)
        return;
    m_target = source->m_target;
    m_page = source->m_page;
}

void CPageButton::SetPageView(CPageView* view)
{
    if (view == m_view)
        return;
    if (m_view)
        m_view->UnregisterPageButton(this);
    m_view = view;
    if (view)
        view->RegisterPageButton(this);
}

int CPageButton::Click()
{
    const int answer = CToggleButton::Click();
    if (answer != 0 && m_view && !IsGone())
        m_view->NavigateTo(m_page);
    return answer;
}

int CPageButton::UpdateSelf(float dt)
{
    int rc = CToggleButton::UpdateSelf(dt);
    if (rc != VORTAN_OK)
        return rc;
    if (!m_view && !IsGone()) {
        CPageView* view = WidgetCast<CPageView>(FindByPath(m_target));
        if (view)
            SetPageView(view);
    }
    return VORTAN_OK;
}
