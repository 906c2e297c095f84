// Creators of the button types, the speech bubble and the expandable.
#include <string.h>

#include "engine/VortanXMLDataNode.h"
#include "ui/loader/UICreatorSupport.h"
#include "ui/widgets/Bubble.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/Expandable.h"
#include "ui/widgets/ToggleButton.h"
#include "ui/widgets/WebButton.h"

CWidget* CButton::CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element, CWidget* parent,
                                CWidget* reuse)
{
    bool isNew = false;
    CButton* button = UIReuseOrCreate<CButton>(loader, parent, reuse, &isNew);
    if (!button)
        return nullptr;
    loader->ParseButtonCommon(element, button);
    button->SetPassThrough(false);
    return button;
}

CWidget* CToggleButton::CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                      CWidget* parent, CWidget* reuse)
{
    bool isNew = false;
    CToggleButton* button = UIReuseOrCreate<CToggleButton>(loader, parent, reuse, &isNew);
    if (!button)
        return nullptr;
    loader->ParseButtonCommon(element, button);
    button->SetPassThrough(false);
    return button;
}

CWidget* CWebButton::CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                   CWidget* parent, CWidget* reuse)
{
    bool isNew = false;
    CWebButton* button = UIReuseOrCreate<CWebButton>(loader, parent, reuse, &isNew);
    if (!button)
        return nullptr;
    loader->ParseButtonCommon(element, button);
    CVortanXMLDataNode* target = CUIXMLLoader::FindChildElement(element, "target");
    const char* url = target ? CUIXMLLoader::GetAttribute(target, "$url") : nullptr;
    CVortanString text;
    if (url)
        text.AssignUTF8(url, -1);
    button->SetUrl(text);
    button->SetPassThrough(false);
    return button;
}

CWidget* CBubble::CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element, CWidget* parent,
                                CWidget* reuse)
{
    bool isNew = false;
    CBubble* bubble = UIReuseOrCreate<CBubble>(loader, parent, reuse, &isNew);
    if (!bubble)
        return nullptr;
    CVortanXMLDataNode* arrow = CUIXMLLoader::FindChildElement(element, "arrow");
    bubble->SetArrow(ArrowFromWord(arrow ? CUIXMLLoader::GetAttribute(arrow, "$value") : nullptr));
    return bubble;
}

CWidget* CExpandable::CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                    CWidget* parent, CWidget* reuse)
{
    bool isNew = false;
    CExpandable* expandable = UIReuseOrCreate<CExpandable>(loader, parent, reuse, &isNew);
    if (!expandable)
        return nullptr;
    if (isNew)
        expandable->SetPassThrough(false);
    CVortanArray<i32> widths;
    CVortanArray<i32> heights;
    for (CVortanXMLDataNode* n = CUIXMLLoader::GetFirstChild(element); n;
         n = CUIXMLLoader::GetNextSibling(n)) {
        const char* name = n->GetName();
        if (!name || n->IsValueNode())
            continue;
        const float value = CUIXMLLoader::ReadFloat(n, "$value", 0.0f);
        if (strcmp(name, "width") == 0)
            widths.SetAtGrow(
                widths.GetSize(),
                CUIXMLLoader::FloorHalfUp((double)(value * (float)loader->GetReferenceWidth())));
        else if (strcmp(name, "height") == 0)
            heights.SetAtGrow(
                heights.GetSize(),
                CUIXMLLoader::FloorHalfUp((double)(value * (float)loader->GetReferenceHeight())));
    }
    expandable->SetTargets(widths, heights);
    float seconds = expandable->GetTransitionTime();
    CVortanXMLDataNode* time = CUIXMLLoader::FindChildElement(element, "transition-time");
    if (time) {
        seconds = CUIXMLLoader::ReadFloat(time, "$value", 0.0f);
        expandable->SetTransitionTime(seconds);
    }
    return expandable;
}
