// Creators of the simple layout types.
#include <stdio.h>
#include <string.h>

#include "engine/VortanXMLDataNode.h"
#include "ui/layouts/Alignment.h"
#include "ui/layouts/AspectLayout.h"
#include "ui/layouts/Divider.h"
#include "ui/layouts/RatioDivider.h"
#include "ui/loader/UICreatorSupport.h"

namespace {

struct CWordCode {
    const char* word;
    int code;
};

// The code of the attribute's word in the table; `fallback` for another word, `absent`
// without the attribute.
int WordCode(CVortanXMLDataNode* element, const char* name, const CWordCode* table, int count,
             int fallback, int absent)
{
    const char* text = CUIXMLLoader::GetAttribute(element, name);
    if (!text)
        return absent;
    for (int i = 0; i < count; ++i) {
        if (strcmp(text, table[i].word) == 0)
            return table[i].code;
    }
    return fallback;
}

} // namespace

CWidget* CDivider::CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element, CWidget* parent,
                                 CWidget* reuse)
{
    bool isNew = false;
    CDivider* divider = UIReuseOrCreate<CDivider>(loader, parent, reuse, &isNew);
    if (!divider)
        return nullptr;
    static const CWordCode kModes[] = {{"horizontal", 0}, {"vertical", 1}, {"left", 0},
                                       {"top", 1},        {"right", 2},    {"bottom", 3}};
    divider->SetMode(WordCode(element, "$orientation", kModes, 6, 0, divider->GetMode()));
    divider->SetAspect(CUIXMLLoader::ReadFloat(element, "$aspect", 1.0f));
    const int maxWidth = loader->RoundX(CUIXMLLoader::ReadFloat(element, "$max_item_width", 0.0f));
    const int maxHeight =
        loader->RoundY(CUIXMLLoader::ReadFloat(element, "$max_item_height", 0.0f));
    if (maxWidth != 0)
        divider->SetMaxItemWidth(maxWidth);
    if (maxHeight != 0)
        divider->SetMaxItemHeight(maxHeight);
    divider->SetPassThrough(true);
    return divider;
}

CWidget* CRatioDivider::CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                      CWidget* parent, CWidget* reuse)
{
    bool isNew = false;
    CRatioDivider* divider = UIReuseOrCreate<CRatioDivider>(loader, parent, reuse, &isNew);
    if (!divider)
        return nullptr;
    if (isNew)
        divider->SetPassThrough(true);
    const char* orientation = CUIXMLLoader::GetAttribute(element, "$orientation");
    if (orientation)
        divider->SetOrientation(strcmp(orientation, "vertical") == 0 ? RATIO_SPLIT_HEIGHT
                                                                     : RATIO_SPLIT_WIDTH);
    const int extent = divider->GetOrientation() == RATIO_SPLIT_HEIGHT
                           ? loader->GetReferenceHeight()
                           : loader->GetReferenceWidth();
    divider->SetRatio(CUIXMLLoader::ReadFloat(element, "$ratio", 1.0f));
    const float e = (float)extent;
    const float maxDefault = extent != 0 ? 1000000000.0f / e : 1000000000.0f;
    const float minFraction = CUIXMLLoader::ReadFloat(element, "$min_first_item_size", 0.0f);
    const float maxFraction = CUIXMLLoader::ReadFloat(element, "$max_first_item_size", maxDefault);
    divider->SetMinFirstItemSize(CUIXMLLoader::FloorHalfUp((double)(minFraction * e)));
    divider->SetMaxFirstItemSize(CUIXMLLoader::FloorHalfUp((double)(maxFraction * e)));
    return divider;
}

CWidget* CAspectLayout::CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                      CWidget* parent, CWidget* reuse)
{
    bool isNew = false;
    CAspectLayout* layout = UIReuseOrCreate<CAspectLayout>(loader, parent, reuse, &isNew);
    if (!layout)
        return nullptr;
    if (isNew)
        layout->SetPassThrough(true);
    const float aspect = CUIXMLLoader::ReadFloat(element, "$aspect", 1.0f);
    const float position = CUIXMLLoader::ReadFloat(element, "$positioning", 0.0f);
    layout->SetAspect(aspect);
    layout->SetPosition(position);
    char name[96];
    snprintf(name, sizeof(name), "aspect(%f,%f)", (double)aspect, (double)position);
    layout->SetName(CVortanString(name));
    return layout;
}

CWidget* CAlignment::CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                   CWidget* parent, CWidget* reuse)
{
    bool isNew = false;
    CAlignment* alignment = UIReuseOrCreate<CAlignment>(loader, parent, reuse, &isNew);
    if (!alignment)
        return nullptr;
    char name[32];
    snprintf(name, sizeof(name), "alignment(%d)", alignment->GetAlignFlags());
    alignment->SetName(CVortanString(name));
    static const CWordCode kVertical[] = {{"top", ALIGN_TOP},
                                          {"center", ALIGN_CENTER_Y},
                                          {"scaled", ALIGN_STRETCH_Y},
                                          {"bottom", ALIGN_BOTTOM}};
    static const CWordCode kHorizontal[] = {{"left", ALIGN_LEFT},
                                            {"center", ALIGN_CENTER_X},
                                            {"scaled", ALIGN_STRETCH_X},
                                            {"right", ALIGN_RIGHT}};
    const int code = WordCode(element, "$vertical", kVertical, 4, 0, 0) +
                     WordCode(element, "$horizontal", kHorizontal, 4, 0, 0);
    alignment->SetAlignFlags(code);
    int margins[4];
    loader->ParseBorderSize(element, margins);
    for (int i = 0; i < 4; ++i)
        alignment->SetMargin(i, margins[i]);
    alignment->SetPassThrough(true);
    return alignment;
}
