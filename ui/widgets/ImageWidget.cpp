// The image widget: the shared image, the frame clock, the fade-in and the drawing modes.
#include "ui/widgets/ImageWidget.h"

#include <inttypes.h>
#include <math.h>
#include <new>
#include <stdio.h>

#include "engine/graphics/VortanSurface.h"
#include "platform/OrloResourceManager.h"
#include "ui/WidgetCast.h"
#include "ui/anim/EasingCurve.h"
#include "ui/layouts/LayoutMath.h"
#include "ui/widgets/ClipOverlap.h"

static const float kFadeSeconds = 1.0f;

CImageWidget::CImageWidget()
    : m_image(nullptr), m_hasSourceRect(false), m_ownsImage(false), m_sourceRect{},
      m_mode(IMAGE_STRETCH), m_frameDuration(0.0f), m_clock(0.0f), m_fadeLeft(0.0f),
      m_fadeCurve(nullptr)
{}

CImageWidget::~CImageWidget()
{
    delete m_fadeCurve;
}

int CImageWidget::Startup(COrloApplication* context, COrloResourceManager* resources,
                          const CVortanRect& rect)
{
    int rc = CWidget::Startup(context, resources, rect);
    if (rc != VORTAN_OK) {
        ReportError(rc);
        return rc;
    }
    SetPassThrough(true);
    m_image = nullptr;
    m_ownsImage = false;
    m_hasSourceRect = false;
    delete m_fadeCurve;
    m_fadeCurve = nullptr;
    m_fadeLeft = 0.0f;
    m_frameDuration = 0.0f;
    m_clock = 0.0f;
    return VORTAN_OK;
}

void CImageWidget::Shutdown()
{
    SetImage(nullptr);
    delete m_fadeCurve;
    m_fadeCurve = nullptr;
    CWidget::Shutdown();
}

CWidget* CImageWidget::CreateInstance() const
{
    return new (std::nothrow) CImageWidget();
}

void CImageWidget::SetImage(CVortanSurface* image)
{
    if (image == m_image)
        return;
    CVortanSurface* old = m_image;
    COrloResourceManager* manager = GetResourceManager();
    if (old) {
        if (!m_ownsImage && manager)
            manager->ReleaseSurface(old);
        else {
            old->Release();
            delete old;
        }
    }
    m_image = image;
    m_ownsImage = false;
    if (!image)
        return;
    if (!manager || manager->AddRefSurface(image))
        m_ownsImage = !manager;
    else {
        // An image made elsewhere: the manager keeps it from now on, so that every widget
        // sharing it holds a counted reference and the last one deletes it.
        char name[48];
        snprintf(name, sizeof(name), "image@0x%016" PRIxPTR, (uintptr_t)image);
        if (!manager->AddSurface(CVortanString(name), image))
            m_ownsImage = true;
    }
}

void CImageWidget::SetSourceRect(const CVortanRect& rect)
{
    m_sourceRect = rect;
    m_hasSourceRect = true;
}

bool CImageWidget::GetSourceRect(CVortanRect& out) const
{
    if (m_hasSourceRect) {
        out = m_sourceRect;
        return true;
    }
    if (!m_image)
        return false;
    m_image->GetFrameRect(GetFrame(), &out);
    return true;
}

int CImageWidget::GetFrameCount() const
{
    if (!m_image)
        return 1;
    i64 count = (i64)m_image->GetFrameColumns() * (i64)m_image->GetFrameRows();
    return count < 1 ? 1 : (count > 0x7FFFFFFF ? 0x7FFFFFFF : (int)count);
}

int CImageWidget::GetFrame() const
{
    if (!(m_frameDuration > 0.0f))
        return 0;
    return LayoutClampToInt(m_clock / m_frameDuration) % GetFrameCount();
}

int CImageWidget::SetFrame(int index)
{
    const int count = GetFrameCount();
    m_clock = m_frameDuration * (float)(index % count);
    return index / count;
}

void CImageWidget::BeginFade()
{
    m_fadeLeft = kFadeSeconds;
    m_mode |= IMAGE_FADING;
}

void CImageWidget::EndFade()
{
    m_fadeLeft = 0.0f;
    m_mode &= ~(u32)IMAGE_FADING;
    SetColor(0xFFFFFFFF);
}

void CImageWidget::FadeVisibleDescendants(CWidget* widget)
{
    for (int i = 0; i < widget->GetChildCount(); ++i) {
        CWidget* child = widget->GetChild(i);
        if (!child || !child->IsVisible())
            continue;
        if (CImageWidget* image = WidgetCast<CImageWidget>(child))
            image->BeginFade();
        FadeVisibleDescendants(child);
    }
}

void CImageWidget::StopDescendants(CWidget* widget)
{
    for (int i = 0; i < widget->GetChildCount(); ++i) {
        CWidget* child = widget->GetChild(i);
        if (!child)
            continue;
        if (CImageWidget* image = WidgetCast<CImageWidget>(child))
            image->EndFade();
        StopDescendants(child);
    }
}

void CImageWidget::StartFadeIn()
{
    if (!IsVisible())
        return;
    BeginFade();
    FadeVisibleDescendants(this);
}

void CImageWidget::StopFadeIn()
{
    EndFade();
    StopDescendants(this);
}

void CImageWidget::OnVisibilityChanged(bool visible)
{
    if (!visible)
        StopFadeIn();
    CWidget::OnVisibilityChanged(visible);
}

int CImageWidget::UpdateSelf(float dt)
{
    if (m_frameDuration > 0.0f && !(m_mode & IMAGE_ANIMATION_STOPPED)) {
        m_clock += dt;
        const float cycle = m_frameDuration * (float)GetFrameCount();
        if (m_clock > cycle) {
            m_clock -= cycle;
            if (m_clock > cycle)
                m_clock = 0.0f;
        }
    }
    if (m_fadeLeft > 0.0f && (m_mode & IMAGE_FADING)) {
        if (!m_fadeCurve)
            m_fadeCurve = CEasingCurveLinear::Create(0, nullptr);
        m_fadeLeft -= dt;
        if (m_fadeLeft > 0.0f) {
            const float weight = m_fadeCurve ? m_fadeCurve->Evaluate(m_fadeLeft) : m_fadeLeft;
            float alpha = floorf(0.5f + (1.0f - weight) * 255.0f);
            alpha = alpha < 0.0f ? 0.0f : (alpha > 255.0f ? 255.0f : alpha);
            SetColor((GetColor() & 0x00FFFFFFu) | ((u32)alpha << 24));
        } else {
            EndFade();
        }
    }
    return VORTAN_OK;
}

int CImageWidget::RenderSelf(IVortanGraphicsContext* gc, const CVortanRect& rect)
{
    if (!m_image || m_image->GetWidth() <= 0 || m_image->GetHeight() <= 0)
        return VORTAN_OK;
    CVortanRect source;
    if (!GetSourceRect(source))
        return VORTAN_OK;
    if ((m_mode & IMAGE_WHOLE_ONLY) &&
        (rect.left < 0 || rect.top < 0 || rect.right > gc->GetWidth() ||
         rect.bottom > gc->GetHeight()))
        return VORTAN_OK;

    // Clipping to the rect changes nothing when what is drawn lies within both the rect and
    // the clip in force; the clip then stays as it is (each change costs the renderer a state
    // change).
    const CVortanRect saved = gc->GetClipRect();
    const bool unscaledOverflow = m_mode == 0 && (source.GetWidth() > rect.GetWidth() ||
                                                  source.GetHeight() > rect.GetHeight());
    const bool inside = rect.left >= saved.left && rect.top >= saved.top &&
                        rect.right <= saved.right && rect.bottom <= saved.bottom;
    const bool changeClip = (m_mode & IMAGE_UNCLIPPED) || !inside || unscaledOverflow;
    if (!changeClip) {
        // Drawn within the clip as it stands.
    } else if (m_mode & IMAGE_UNCLIPPED) {
        gc->SetClipRect(nullptr);
    } else {
        const CVortanRect clip = ClipOverlap(saved, rect);
        gc->SetClipRect(&clip);
    }

    int rc = VORTAN_OK;
    const u32 color = GetColor();
    if (m_mode == 0) {
        rc = gc->Blit(rect.left, rect.top, m_image, &source, VORTAN_BLIT_ALPHA);
    } else if (!(m_mode & IMAGE_STRETCH)) {
        // Unscaled drawing takes no other mode.
    } else if (m_mode & IMAGE_KEEP_ASPECT) {
        CVortanRect fitted = rect;
        const float aspect = (float)source.GetWidth() / (float)source.GetHeight();
        if (FitRectToAspect(fitted, aspect, 0.5f))
            rc = gc->BlitStretch(&fitted, m_image, &source, VORTAN_BLIT_ALPHA);
    } else if (m_mode & IMAGE_FADING) {
        rc = gc->BlitStretchTinted(&rect, m_image, &source, color,
                                   VORTAN_BLIT_ALPHA | VORTAN_BLIT_ALPHAONLY);
    } else if (color == 0xFFFFFFFFu) {
        rc = gc->BlitStretch(&rect, m_image, &source, VORTAN_BLIT_ALPHA);
    } else if (color >> 24) {
        rc = gc->BlitStretchTinted(&rect, m_image, &source, color, VORTAN_BLIT_ALPHA);
    }
    if (changeClip)
        gc->SetClipRect(&saved);
    return rc;
}

void CImageWidget::CopyFrom(const CWidget* other)
{
    CWidget::CopyFrom(other);
    const CImageWidget* source = WidgetCast<CImageWidget>(other);
    if (!source)
        return;
    m_sourceRect = source->m_sourceRect;
    m_hasSourceRect = source->m_hasSourceRect;
    SetImage(source->m_image);
    m_frameDuration = source->m_frameDuration;
    SetFrame(source->GetFrame());
    m_mode = source->m_mode;
}
