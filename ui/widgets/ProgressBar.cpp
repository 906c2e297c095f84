// The progress bar: its images, limits and the part of the progress image it draws.
#include "ui/widgets/ProgressBar.h"

#include <math.h>

#include <new>

#include "engine/graphics/VortanSurface.h"
#include "ui/WidgetCast.h"

CProgressBar::CProgressBar() : m_value(0.0f), m_lowLimit(0.0f), m_side(PROGRESS_LEFT) {}

CProgressBar::~CProgressBar()
{
    m_progress.Drop();
    m_low.Drop();
}

void CProgressBar::Shutdown()
{
    COrloResourceManager* manager = GetResourceManager();
    CImageWidget::Shutdown();
    m_progress.Release(manager);
    m_low.Release(manager);
}

CWidget* CProgressBar::CreateInstance() const
{
    return new (std::nothrow) CProgressBar();
}

void CProgressBar::CopyFrom(const CWidget* other)
{
    CImageWidget::CopyFrom(other);
    const CProgressBar* source = WidgetCast<CProgressBar>(other);
    if (!source || source == this)
        return;
    SetProgressImage(source->m_progress.surface);
    SetProgressLowImage(source->m_low.surface);
    m_value = source->m_value;
    m_lowLimit = source->m_lowLimit;
    m_side = source->m_side;
}

void CProgressBar::SetProgressImage(CVortanSurface* surface)
{
    m_progress.Set(GetResourceManager(), surface);
}

void CProgressBar::SetProgressLowImage(CVortanSurface* surface)
{
    m_low.Set(GetResourceManager(), surface);
}

void CProgressBar::SetValue(float value)
{
    m_value = value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
}

void CProgressBar::SetLowLimit(float limit)
{
    m_lowLimit = !(limit > 0.0f) ? 0.0f : (limit >= 1.0f ? 1.0f : limit);
}

void CProgressBar::SetSide(int side)
{
    m_side = side < 1 ? 0 : (side > 3 ? 3 : side);
}

int CProgressBar::RenderSelf(IVortanGraphicsContext* gc, const CVortanRect& rect)
{
    int rc = CImageWidget::RenderSelf(gc, rect);
    if (rc != VORTAN_OK)
        return rc;
    const float v = m_value;
    if (!(v > 0.0f))
        return VORTAN_OK;
    CVortanSurface* image = (m_low.surface && v < m_lowLimit) ? m_low.surface : m_progress.surface;
    if (!image || !gc)
        return VORTAN_OK;
    const int w = rect.GetWidth(), h = rect.GetHeight();
    const int iw = image->GetWidth(), ih = image->GetHeight();
    auto share = [v](int size) { return (int)floorf(0.5f + (float)size * v); };
    CVortanRect target = rect, source;
    source.Set(0, 0, iw, ih);
    switch (m_side) {
    case PROGRESS_LEFT:
        target.right = rect.left + share(w);
        source.right = share(iw);
        break;
    case PROGRESS_TOP:
        target.bottom = rect.top + share(h);
        source.bottom = share(ih);
        break;
    case PROGRESS_RIGHT:
        target.left = rect.right - share(w);
        source.left = iw - share(iw);
        break;
    default:
        target.top = rect.bottom - share(h);
        source.top = ih - share(ih);
        break;
    }
    return gc->BlitStretch(&target, image, &source, VORTAN_BLIT_ALPHA);
}
