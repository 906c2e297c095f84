// Creators of the drawing types: gradient, progress bar, rotating image, frame, pie and slider.
#include <string.h>

#include "engine/VortanXMLDataNode.h"
#include "ui/loader/UICreatorSupport.h"
#include "ui/widgets/FrameWidget.h"
#include "ui/widgets/GradientWidget.h"
#include "ui/widgets/PieWidget.h"
#include "ui/widgets/ProgressBar.h"
#include "ui/widgets/RotatingImageWidget.h"
#include "ui/widgets/Slider.h"

namespace {

// A colour attribute of the node parsed into `out`; false when absent or not hexadecimal.
bool ReadColor(CVortanXMLDataNode* node, const char* name, int forceAlpha, u32* out)
{
    const char* text = node ? CUIXMLLoader::GetAttribute(node, name) : nullptr;
    return text && CUIXMLLoader::ParseColor(text, forceAlpha, out);
}

} // namespace

CWidget* CGradientWidget::CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                        CWidget* parent, CWidget* reuse)
{
    bool isNew = false;
    CGradientWidget* gradient = UIReuseOrCreate<CGradientWidget>(loader, parent, reuse, &isNew);
    if (!gradient)
        return nullptr;
    if (isNew)
        gradient->SetPassThrough(true);
    loader->ParseImage(element, "image", gradient);
    CVortanXMLDataNode* dir = CUIXMLLoader::FindChildElement(element, "dir");
    const char* word = dir ? CUIXMLLoader::GetAttribute(dir, "$value") : nullptr;
    u32 direction = gradient->GetImageFlags() & GRADIENT_DIRECTION_MASK;
    if (word && strcmp(word, "vertical") == 0)
        direction = GRADIENT_VERTICAL;
    else if (word && strcmp(word, "horizontal") == 0)
        direction = GRADIENT_HORIZONTAL;
    else if (word && strcmp(word, "radial") == 0)
        direction = GRADIENT_RADIAL;
    gradient->SetImageFlags((gradient->GetImageFlags() & ~GRADIENT_DIRECTION_MASK) | direction);
    CVortanXMLDataNode* colors = CUIXMLLoader::FindChildElement(element, "colors");
    u32 color = 0;
    if (ReadColor(colors, "$color1", 1, &color))
        gradient->SetColor1(color);
    if (ReadColor(colors, "$color2", 1, &color))
        gradient->SetColor2(color);
    return gradient;
}

CWidget* CProgressBar::CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                     CWidget* parent, CWidget* reuse)
{
    bool isNew = false;
    CProgressBar* bar = UIReuseOrCreate<CProgressBar>(loader, parent, reuse, &isNew);
    if (!bar)
        return nullptr;
    if (isNew)
        bar->SetPassThrough(true);
    loader->ParseImage(element, "background", bar);
    CVortanSurface* image =
        loader->LoadImageElement(CUIXMLLoader::FindChildElement(element, "progress"));
    if (image) {
        bar->SetProgressImage(image);
        loader->ReleaseImage(image);
    }
    image = loader->LoadImageElement(CUIXMLLoader::FindChildElement(element, "progresslow"));
    if (image) {
        bar->SetProgressLowImage(image);
        loader->ReleaseImage(image);
    }
    float limit = 0.0f;
    CUIXMLLoader::ReadChildFloat(element, "progresslowlimit", &limit);
    bar->SetLowLimit(limit);
    int side = 0;
    CUIXMLLoader::ReadChildInt(element, "side", &side);
    bar->SetSide(side);
    return bar;
}

CWidget* CRotatingImageWidget::CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                             CWidget* parent, CWidget* reuse)
{
    bool isNew = false;
    CRotatingImageWidget* spinner =
        UIReuseOrCreate<CRotatingImageWidget>(loader, parent, reuse, &isNew);
    if (!spinner)
        return nullptr;
    loader->ParseImage(element, "image", spinner);
    CVortanXMLDataNode* rotation = CUIXMLLoader::FindChildElement(element, "rotation");
    if (rotation) {
        spinner->SetSpeed(CUIXMLLoader::ReadFloat(rotation, "$speed", 0.0f));
        spinner->SetAngle(CUIXMLLoader::ReadFloat(rotation, "$angle", 0.0f));
        spinner->SetSteps(CUIXMLLoader::ReadInt(rotation, "$steps", 0));
    }
    return spinner;
}

CWidget* CFrameWidget::CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                     CWidget* parent, CWidget* reuse)
{
    bool isNew = false;
    CFrameWidget* frame = UIReuseOrCreate<CFrameWidget>(loader, parent, reuse, &isNew);
    if (!frame)
        return nullptr;
    if (isNew)
        frame->SetPassThrough(true);
    loader->ParseImage(element, "background_image", frame);
    CVortanSurface* image =
        loader->LoadImageElement(CUIXMLLoader::FindChildElement(element, "mask_image"));
    if (image) {
        frame->SetMaskImage(image);
        loader->ReleaseImage(image);
    }
    image = loader->LoadImageElement(CUIXMLLoader::FindChildElement(element, "border_image"));
    if (image) {
        frame->SetBorderImage(image);
        loader->ReleaseImage(image);
    }
    return frame;
}

CWidget* CPieWidget::CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                   CWidget* parent, CWidget* reuse)
{
    bool isNew = false;
    CPieWidget* pie = UIReuseOrCreate<CPieWidget>(loader, parent, reuse, &isNew);
    if (!pie)
        return nullptr;
    if (isNew)
        pie->SetPassThrough(true);
    u32 color = 0;
    if (ReadColor(CUIXMLLoader::FindChildElement(element, "color"), "$value", 1, &color))
        pie->SetPieColor(color);
    int segments = pie->GetSegments();
    if (CUIXMLLoader::ReadChildInt(element, "segments", &segments))
        pie->SetSegments(segments);
    float angle = pie->GetAngle();
    if (CUIXMLLoader::ReadChildFloat(element, "angle", &angle))
        pie->SetAngle(angle);
    return pie;
}

CWidget* CSlider::CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element, CWidget* parent,
                                CWidget* reuse)
{
    bool isNew = false;
    CSlider* slider = UIReuseOrCreate<CSlider>(loader, parent, reuse, &isNew);
    if (!slider)
        return nullptr;
    if (isNew)
        slider->SetPassThrough(false);
    slider->SetMinimum(CUIXMLLoader::ReadFloat(element, "$min-value", slider->GetMinimum()));
    slider->SetMaximum(CUIXMLLoader::ReadFloat(element, "$max-value", slider->GetMaximum()));
    slider->SetValue(CUIXMLLoader::ReadFloat(element, "$value", slider->GetValue()));
    return slider;
}
