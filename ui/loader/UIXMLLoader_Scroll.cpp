// The loader's reader of the "scroll" child: a slide area's scrolling and drag threshold.
#include <math.h>

#include "engine/VortanXMLDataNode.h"
#include "ui/layouts/SlideArea.h"
#include "ui/loader/UIXMLLoader.h"

namespace {
// A threshold in pixels rounded up to the next ten (at least ten), or 0.
float Threshold(float pixels)
{
    if (!(pixels > 0.0f))
        return 0.0f;
    if (pixels > 1.0e9f)
        pixels = 1.0e9f;
    return roundf(pixels / 10.0f + 0.99f) * 10.0f;
}
} // namespace

void CUIXMLLoader::ParseScroll(CVortanXMLDataNode* element, CSlideArea* area)
{
    CVortanXMLDataNode* node = FindChildElement(element, "scroll");
    if (!node || !area)
        return;
    area->SetScrollEnabled(ReadInt(node, "$enabled", 0) != 0);
    const float x = fabsf(ReadFloat(node, "$threshold_x", 0.0f)) * (float)GetReferenceWidth();
    const float y = fabsf(ReadFloat(node, "$threshold_y", 0.0f)) * (float)GetReferenceHeight();
    area->SetScrollThreshold(CVortanVector2(Threshold(x), Threshold(y)));
}
