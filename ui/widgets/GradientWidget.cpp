// The gradient widget: its two colours, the fade toward the widget colour and the fill.
#include "ui/widgets/GradientWidget.h"

#include <new>

#include "engine/graphics/VortanGraphicsContext.h"
#include "ui/WidgetCast.h"
#include "ui/widgets/ClipOverlap.h"

namespace {
// Each of red, green and blue of c moved toward w's: w * (1 - a) + c * a, a = w's alpha.
u32 FadeToward(u32 c, u32 w)
{
    const float a = (float)(w >> 24) / 255.0f;
    u32 out = c & 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
        const float wc = (float)((w >> shift) & 0xFF), cc = (float)((c >> shift) & 0xFF);
        float v = wc * (1.0f - a) + cc * a;
        int byte = (int)(v + 0.5f);
        byte = byte < 0 ? 0 : (byte > 255 ? 255 : byte);
        out |= (u32)byte << shift;
    }
    return out;
}
} // namespace

CGradientWidget::CGradientWidget() : m_color1(0xFFFFFFFFu), m_color2(0xFF000000u) {}

CGradientWidget::~CGradientWidget() {}

int CGradientWidget::Startup(COrloApplication* context, COrloResourceManager* resources,
                             const CVortanRect& rect)
{
    int rc = CImageWidget::Startup(context, resources, rect);
    if (rc != VORTAN_OK) {
        ReportError(rc);
        return rc;
    }
    SetPassThrough(true);
    return VORTAN_OK;
}

CWidget* CGradientWidget::CreateInstance() const
{
    return new (std::nothrow) CGradientWidget();
}

void CGradientWidget::CopyFrom(const CWidget* other)
{
    CWidget::CopyFrom(other);
    const CGradientWidget* source = WidgetCast<CGradientWidget>(other);
    if (!source || source == this)
        return;
    SetImageFlags(source->GetImageFlags());
    SetImage(source->GetImage());
    m_color1 = source->m_color1;
    m_color2 = source->m_color2;
}

int CGradientWidget::RenderSelf(IVortanGraphicsContext* gc, const CVortanRect& rect)
{
    if (!gc)
        return VORTAN_OK;
    const CVortanRect saved = gc->GetClipRect();
    const CVortanRect clip = ClipOverlap(saved, rect);
    gc->SetClipRect(&clip);
    u32 c1 = m_color1, c2 = m_color2;
    const u32 mode = GetImageFlags();
    if (mode & IMAGE_FADING) {
        c1 = FadeToward(c1, GetColor());
        c2 = FadeToward(c2, GetColor());
    }
    switch (mode & GRADIENT_DIRECTION_MASK) {
    case GRADIENT_HORIZONTAL:
        gc->FillGradient(c1, c2, c2, c1, &rect);
        break;
    case GRADIENT_VERTICAL:
        gc->FillGradient(c1, c1, c2, c2, &rect);
        break;
    case GRADIENT_RADIAL:
        if (GetImage())
            CImageWidget::RenderSelf(gc, rect);
        break;
    default:
        break;
    }
    gc->SetClipRect(&saved);
    return VORTAN_OK;
}
