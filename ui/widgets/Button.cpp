// The button: press, capture, delayed click, cancel, hit area and the pressed look.
#include "ui/widgets/Button.h"

#include <math.h>
#include <new>

#include "ui/WidgetCast.h"
#include "ui/layouts/LayoutMath.h"

CButton::CButton()
    : m_state(0), m_hitScale(1.0f), m_hitExtra(0.25f), m_lockTime(0.0f), m_hitRect{},
      m_pressed(false), m_cancellable(true), m_layoutWidgets(false), m_clickCount(0),
      m_clickDelay(0.15f), m_pendingClick(0.0f)
{}

CButton::~CButton() {}

int CButton::Startup(COrloApplication* context, COrloResourceManager* resources,
                     const CVortanRect& rect)
{
    int rc = CImageWidget::Startup(context, resources, rect);
    if (rc != VORTAN_OK) {
        ReportError(rc);
        return rc;
    }
    m_onClick = CUIDelegate();
    m_onCancel = CUIDelegate();
    m_hitScale = 1.0f;
    m_hitExtra = 0.25f;
    m_lockTime = 0.0f;
    m_pressed = false;
    m_state = 0;
    m_cancellable = true;
    m_layoutWidgets = false;
    m_clickCount = 0;
    m_clickDelay = 0.15f;
    m_pendingClick = 0.0f;
    SetPassThrough(false);
    UpdateHitArea();
    return VORTAN_OK;
}

void CButton::Shutdown()
{
    m_onClick.function = nullptr;
    m_onCancel.function = nullptr;
    CImageWidget::Shutdown();
}

CWidget* CButton::CreateInstance() const
{
    return new (std::nothrow) CButton();
}

int CButton::Click()
{
    if (!m_onClick.IsSet())
        return 1;
    ++m_clickCount;
    return m_onClick.Call(this);
}

void CButton::Cancel()
{
    m_onCancel.Call(this);
}

float CButton::GetHitAreaScale() const
{
    if (!m_pressed)
        return m_hitScale;
    const float scale = m_hitScale + m_hitExtra;
    return scale > 0.0f ? scale : 0.0f;
}

void CButton::SetHitAreaScale(float scale)
{
    m_hitScale = scale > 0.0f ? scale : 0.0f;
    UpdateHitArea();
}

void CButton::SetHitAreaExtra(float extra)
{
    m_hitExtra = extra;
    UpdateHitArea();
}

void CButton::UpdateHitArea()
{
    m_hitRect = GetClientRect();
    const float scale = GetHitAreaScale();
    if (scale == 1.0f)
        return;
    const int dx = LayoutClampToInt(floorf(0.5f + (float)GetWidth() * (scale - 1.0f) / 2.0f));
    const int dy = LayoutClampToInt(floorf(0.5f + (float)GetHeight() * (scale - 1.0f) / 2.0f));
    m_hitRect.left -= dx;
    m_hitRect.right += dx;
    m_hitRect.top -= dy;
    m_hitRect.bottom += dy;
}

bool CButton::HitTest(int x, int y)
{
    return m_hitRect.Contains(x, y);
}

void CButton::ShowLookOfPressedState()
{
    if (CWidget* up = GetChild(0))
        up->SetVisible(!m_pressed);
    if (CWidget* down = GetChild(1))
        down->SetVisible(m_pressed);
}

void CButton::SetPressed(bool pressed)
{
    if (pressed == m_pressed)
        return;
    m_pressed = pressed;
    if (m_layoutWidgets)
        ShowLookOfPressedState();
    const CVortanRect rect = GetRect();
    OnRectChanged(rect, rect);
}

void CButton::SetLayoutWidgets(bool on)
{
    m_layoutWidgets = on;
}

void CButton::OnRectChanged(const CVortanRect& oldRect, const CVortanRect& newRect)
{
    CImageWidget::OnRectChanged(oldRect, newRect);
    if (m_layoutWidgets) {
        const CVortanRect client = GetClientRect();
        for (int i = 0; i < GetChildCount(); ++i)
            if (CWidget* child = GetChild(i))
                child->SetRect(client);
    }
    UpdateHitArea();
}

void CButton::OnPointerDown(int button, int x, int y)
{
    if (button != 0) {
        CImageWidget::OnPointerDown(button, x, y);
        return;
    }
    if (m_lockTime > 0.0f)
        return;
    SetPressed(true);
    SetCapture(this);
}

void CButton::OnPointerUp(int button, int x, int y)
{
    if (button != 0) {
        CImageWidget::OnPointerUp(button, x, y);
        return;
    }
    if (GetCapture() == this) {
        SetCapture(nullptr);
        if (m_cancellable && !HitTest(x, y)) {
            Cancel();
        } else if (m_lockTime <= 0.0f) {
            StartClickFade();
            if (m_clickDelay > 0.0f)
                m_pendingClick = m_clickDelay;
            else
                Click();
        }
    }
    SetPressed(false);
}

void CButton::OnPointerCancel()
{
    SetPressed(false);
    Cancel();
    CImageWidget::OnPointerCancel();
}

int CButton::UpdateSelf(float dt)
{
    int rc = CImageWidget::UpdateSelf(dt);
    if (rc != VORTAN_OK) {
        ReportError(rc);
        return rc;
    }
    if (m_lockTime > 0.0f)
        m_lockTime -= dt;
    if (m_pendingClick > 0.0f) {
        m_pendingClick -= dt;
        if (m_pendingClick <= 0.0f)
            Click();
    }
    return VORTAN_OK;
}

void CButton::FadeImagesBelow(CWidget* widget)
{
    for (int i = 0; i < widget->GetChildCount(); ++i) {
        CWidget* child = widget->GetChild(i);
        if (!child || !child->IsVisible())
            continue;
        if (CImageWidget* image = WidgetCast<CImageWidget>(child))
            image->StartFadeIn();
        else
            FadeImagesBelow(child);
    }
}

void CButton::StartClickFade()
{
    if (GetImage())
        StartFadeIn();
    else
        FadeImagesBelow(this);
}

void CButton::CopyFrom(const CWidget* other)
{
    CImageWidget::CopyFrom(other);
    const CButton* source = WidgetCast<CButton>(other);
    if (!source)
        return;
    m_state = source->m_state;
    m_onClick = source->m_onClick;
    m_cancellable = source->m_cancellable;
    m_layoutWidgets = source->m_layoutWidgets;
    if (m_layoutWidgets)
        ShowLookOfPressedState();
    SetHitAreaScale(source->m_hitScale);
    m_clickDelay = source->m_clickDelay;
}
