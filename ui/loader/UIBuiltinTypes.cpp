// The table of the built-in layout types and their creators, one row per type.
#include "ui/loader/UIBuiltinTypes.h"

#include "ui/layouts/Alignment.h"
#include "ui/layouts/AspectLayout.h"
#include "ui/layouts/Divider.h"
#include "ui/layouts/RatioDivider.h"
#include "ui/widgets/Bubble.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/Expandable.h"
#include "ui/widgets/ImageWidget.h"
#include "ui/widgets/TextWidget.h"
#include "ui/widgets/ToggleButton.h"
#include "ui/widgets/WebButton.h"

namespace {

const CUIBuiltinType kTypes[] = {
    {"button", &CButton::CreateFromXML},
    {"toggle_button", &CToggleButton::CreateFromXML},
    {"web_button", &CWebButton::CreateFromXML},
    {"bubble", &CBubble::CreateFromXML},
    {"image", &CImageWidget::CreateFromXML},
    {"text", &CTextWidget::CreateFromXML},
    {"divider_layout", &CDivider::CreateFromXML},
    {"ratio_layout", &CRatioDivider::CreateFromXML},
    {"aspect_layout", &CAspectLayout::CreateFromXML},
    {"anchor_layout", &CAlignment::CreateFromXML},
    {"expand_layout", &CExpandable::CreateFromXML},
    {"web_view", &UICreateNoWidget},
};

} // namespace

int UIBuiltinTypeCount()
{
    return (int)(sizeof(kTypes) / sizeof(kTypes[0]));
}

const CUIBuiltinType& UIBuiltinTypeAt(int i)
{
    return kTypes[i];
}

CWidget* UICreateNoWidget(CUIXMLLoader*, CVortanXMLDataNode*, CWidget*, CWidget*)
{
    return nullptr;
}
