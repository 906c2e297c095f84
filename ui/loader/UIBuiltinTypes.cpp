// The table of the built-in layout types and their creators, one row per type.
#include "ui/loader/UIBuiltinTypes.h"

#include "ui/layouts/Alignment.h"
#include "ui/layouts/AspectLayout.h"
#include "ui/layouts/Divider.h"
#include "ui/layouts/GridLayout.h"
#include "ui/layouts/InfiniteList.h"
#include "ui/layouts/PageView.h"
#include "ui/layouts/RatioDivider.h"
#include "ui/layouts/RunningList.h"
#include "ui/layouts/SlideArea.h"
#include "ui/widgets/Bubble.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/Expandable.h"
#include "ui/widgets/FrameWidget.h"
#include "ui/widgets/GradientWidget.h"
#include "ui/widgets/ImageWidget.h"
#include "ui/widgets/PageButton.h"
#include "ui/widgets/PieWidget.h"
#include "ui/widgets/ProgressBar.h"
#include "ui/widgets/RotatingImageWidget.h"
#include "ui/widgets/Slider.h"
#include "ui/widgets/TextWidget.h"
#include "ui/widgets/ToggleButton.h"
#include "ui/widgets/WebButton.h"

namespace {

const CUIBuiltinType kTypes[] = {
    {"button", &CButton::CreateFromXML},
    {"toggle_button", &CToggleButton::CreateFromXML},
    {"page_button", &CPageButton::CreateFromXML},
    {"web_button", &CWebButton::CreateFromXML},
    {"bubble", &CBubble::CreateFromXML},
    {"image", &CImageWidget::CreateFromXML},
    {"gradient", &CGradientWidget::CreateFromXML},
    {"progressbar", &CProgressBar::CreateFromXML},
    {"rotating_image", &CRotatingImageWidget::CreateFromXML},
    {"frame", &CFrameWidget::CreateFromXML},
    {"text", &CTextWidget::CreateFromXML},
    {"pie", &CPieWidget::CreateFromXML},
    {"slider", &CSlider::CreateFromXML},
    {"slidearea", &CSlideArea::CreateFromXML},
    {"grid_layout", &CGridLayout::CreateFromXML},
    {"infinite_list", &CInfiniteList::CreateFromXML},
    {"running_list", &CRunningList::CreateFromXML},
    {"page_layout", &CPageView::CreateFromXML},
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
