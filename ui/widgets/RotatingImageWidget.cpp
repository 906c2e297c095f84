// The rotating image: its angle over time and the rotated drawing.
#include "ui/widgets/RotatingImageWidget.h"

#include <new>

#include "engine/graphics/VortanSurface.h"
#include "ui/WidgetCast.h"
#include "ui/widgets/ClipOverlap.h"

const float CRotatingImageWidget::FULL_TURN = 6.2831855f;

CRotatingImageWidget::CRotatingImageWidget() : m_speed(3.1415927f), m_angle(0.0f), m_step(0.0f)
{
    SetImageFlags(GetImageFlags() | IMAGE_UNCLIPPED);
}

CRotatingImageWidget::~CRotatingImageWidget() {}

CWidget* CRotatingImageWidget::CreateInstance() const
{
    return new (std::nothrow) CRotatingImageWidget();
}

void CRotatingImageWidget::CopyFrom(const CWidget* other)
{
    CImageWidget::CopyFrom(other);
    const CRotatingImageWidget* source = WidgetCast<CRotatingImageWidget>(other);
    if (!source || source == this)
        return;
    m_speed = source->m_speed;
    m_angle = source->m_angle;
}

void CRotatingImageWidget::SetSteps(int steps)
{
    m_step = steps > 0 ? FULL_TURN / (float)steps : 0.0f;
}

float CRotatingImageWidget::GetDrawnAngle() const
{
    if (!(m_step > 0.0f))
        return m_angle;
    return m_step * (float)(int)(m_angle / m_step);
}

int CRotatingImageWidget::UpdateSelf(float dt)
{
    m_angle -= dt * m_speed;
    if (m_angle > FULL_TURN)
        m_angle -= FULL_TURN;
    else if (m_angle < -FULL_TURN)
        m_angle += FULL_TURN;
    return VORTAN_OK;
}

int CRotatingImageWidget::RenderSelf(IVortanGraphicsContext* gc, const CVortanRect& rect)
{
    CVortanSurface* image = GetImage();
    if (!gc || !image || image->GetWidth() < 1 || image->GetHeight() < 1)
        return VORTAN_OK;
    const CVortanRect saved = gc->GetClipRect();
    const CVortanRect clip = ClipOverlap(saved, rect);
    const u32 mode = GetImageFlags();
    if ((mode & IMAGE_WHOLE_ONLY) && (rect.left < 0 || rect.top < 0 ||
                                      rect.right > gc->GetWidth() || rect.bottom > gc->GetHeight()))
        return VORTAN_OK;
    if (mode & IMAGE_UNCLIPPED)
        gc->SetClipRect(nullptr);
    else
        gc->SetClipRect(&clip);
    const int size = rect.GetWidth() < rect.GetHeight() ? rect.GetWidth() : rect.GetHeight();
    const int rc =
        gc->BlitRotated(rect.left, rect.top, image, GetDrawnAngle(), size, VORTAN_BLIT_ALPHA);
    gc->SetClipRect(&saved);
    return rc;
}
