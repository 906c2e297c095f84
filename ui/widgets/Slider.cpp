// The slider: value and range, the pointer's mapping onto the track, and the knob.
#include "ui/widgets/Slider.h"

#include <math.h>

#include <new>

#include "engine/graphics/VortanGraphicsContext.h"
#include "ui/WidgetCast.h"
#include "ui/widgets/ClipOverlap.h"
#include "ui/widgets/ImageWidget.h"

CSlider::CSlider()
    : m_minimum(0.0f), m_maximum(1.0f), m_position(0.5f), m_committed(0.5f), m_orientation(0),
      m_knob(nullptr), m_knobPending(true)
{}

CSlider::~CSlider()
{
    delete m_knob;
}

int CSlider::Startup(COrloApplication* context, COrloResourceManager* resources,
                     const CVortanRect& rect)
{
    int rc = CWidget::Startup(context, resources, rect);
    if (rc != VORTAN_OK) {
        ReportError(rc);
        return rc;
    }
    m_minimum = 0.0f;
    m_maximum = 1.0f;
    m_position = m_committed = 0.5f;
    m_orientation = 0;
    CWidget::Destroy(m_knob);
    m_knob = nullptr;
    m_knobPending = true;
    return VORTAN_OK;
}

void CSlider::Shutdown()
{
    CWidget::Shutdown();
    CWidget::Destroy(m_knob);
    m_knob = nullptr;
}

CWidget* CSlider::CreateInstance() const
{
    return new (std::nothrow) CSlider();
}

void CSlider::CopyFrom(const CWidget* other)
{
    CWidget::CopyFrom(other);
    const CSlider* source = WidgetCast<CSlider>(other);
    if (!source || source == this)
        return;
    m_onValueChanged = source->m_onValueChanged;
    m_minimum = source->m_minimum;
    m_maximum = source->m_maximum;
    m_orientation = source->m_orientation;
    m_position = source->m_position;
    m_committed = source->m_committed;
    CWidget::Destroy(m_knob);
    m_knob = source->m_knob ? source->m_knob->Clone() : nullptr;
    m_knobPending = source->m_knobPending;
}

float CSlider::GetValue() const
{
    return m_minimum + (m_maximum - m_minimum) * m_position;
}

void CSlider::SetValue(float value)
{
    float v = value;
    if (v < m_minimum)
        v = m_minimum;
    if (v > m_maximum)
        v = m_maximum;
    const float position =
        m_maximum == m_minimum ? 0.0f : (v - m_minimum) / (m_maximum - m_minimum);
    if (position == m_position)
        return;
    m_position = position;
    m_onValueChanged.Call(this);
    m_committed = m_position;
}

void CSlider::SetMinimum(float m)
{
    const float old = m_minimum;
    m_minimum = m;
    if (old > m)
        SetValue(m);
}

void CSlider::SetMaximum(float m)
{
    const float old = m_maximum;
    m_maximum = m;
    if (old < m)
        SetValue(m);
}

void CSlider::MoveToPoint(int x, int y)
{
    int knob, span, coordinate;
    if (m_orientation == 0) {
        knob = m_knob ? m_knob->GetWidth() : 0;
        span = GetWidth() - knob;
        coordinate = x;
    } else if (m_orientation == 1) {
        knob = m_knob ? m_knob->GetHeight() : 0;
        span = GetHeight() - knob;
        coordinate = y;
    } else {
        m_position = 0.0f;
        return;
    }
    if (span == 0) {
        m_position = 0.0f;
        return;
    }
    float p = (float)(coordinate - knob / 2) / (float)span;
    m_position = p < 0.0f ? 0.0f : (p > 1.0f ? 1.0f : p);
}

void CSlider::OnPointerDown(int, int x, int y)
{
    m_committed = m_position;
    MoveToPoint(x, y);
}

void CSlider::OnPointerMove(int, int x, int y)
{
    if (GetCapture() == this)
        MoveToPoint(x, y);
}

void CSlider::OnPointerUp(int, int x, int y)
{
    if (GetCapture() != this) {
        // Without the capture nothing is committed: the knob goes back.
        m_position = m_committed;
        return;
    }
    MoveToPoint(x, y);
    const float value = GetValue();
    m_position = m_committed;
    SetValue(value);
    if (CImageWidget* image = WidgetCast<CImageWidget>(m_knob))
        image->StartFadeIn();
}

void CSlider::OnPointerCancel()
{
    m_position = m_committed;
}

int CSlider::UpdateSelf(float dt)
{
    if (m_knobPending) {
        m_knob = DetachTemplate(CVortanString("knob_template"));
        m_knobPending = false;
    }
    if (m_knob)
        m_knob->Update(dt);
    return VORTAN_OK;
}

int CSlider::RenderSelf(IVortanGraphicsContext* gc, const CVortanRect& rect)
{
    int rc = CWidget::RenderSelf(gc, rect);
    if (rc != VORTAN_OK || !m_knob)
        return rc;
    CVortanRect knob = m_knob->GetRect();
    if (m_orientation == 0)
        knob.Offset((int)floorf(0.5f + (float)(GetWidth() - m_knob->GetWidth()) * m_position), 0);
    else
        knob.Offset(0, (int)floorf(0.5f + (float)(GetHeight() - m_knob->GetHeight()) * m_position));
    knob.Offset(rect.left, rect.top);
    CVortanRect saved{};
    if (gc) {
        saved = gc->GetClipRect();
        const CVortanRect clip = ClipOverlap(saved, rect);
        gc->SetClipRect(&clip);
    }
    rc = m_knob->Render(gc, knob);
    if (gc)
        gc->SetClipRect(&saved);
    return rc;
}
