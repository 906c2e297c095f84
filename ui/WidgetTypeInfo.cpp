// The widget type records: their kind test and the record of every widget class.
#include "ui/WidgetTypeInfo.h"

CWidgetTypeInfo::CWidgetTypeInfo(const CWidgetTypeInfo* parent, const wchar_t* name)
    : m_parent(parent), m_name(name)
{}

bool CWidgetTypeInfo::Matches(const CWidgetTypeInfo& other) const
{
    return m_parent == other.m_parent && m_name.GetHash() == other.m_name.GetHash() &&
           m_name.GetString() == other.m_name.GetString();
}

bool CWidgetTypeInfo::IsKindOf(const CWidgetTypeInfo& target) const
{
    for (const CWidgetTypeInfo* r = this; r; r = r->m_parent) {
        if (r->Matches(target))
            return true;
    }
    return false;
}

#define WIDGET_TYPE_RECORD(Function, Parent, Name)                                                 \
    const CWidgetTypeInfo& CWidgetTypes::Function()                                                \
    {                                                                                              \
        static const CWidgetTypeInfo record(Parent, Name);                                         \
        return record;                                                                             \
    }

WIDGET_TYPE_RECORD(Widget, nullptr, L"widget")
WIDGET_TYPE_RECORD(Image, &Widget(), L"image")
WIDGET_TYPE_RECORD(Button, &Image(), L"button")
WIDGET_TYPE_RECORD(ToggleButton, &Button(), L"toggle_button")
WIDGET_TYPE_RECORD(PageButton, &ToggleButton(), L"page_button")
WIDGET_TYPE_RECORD(Expandable, &Button(), L"expandable")
WIDGET_TYPE_RECORD(WebButton, &Button(), L"web_button")
WIDGET_TYPE_RECORD(Bubble, &Button(), L"bubble")
WIDGET_TYPE_RECORD(Frame, &Image(), L"frame")
WIDGET_TYPE_RECORD(Gradient, &Image(), L"gradient")
WIDGET_TYPE_RECORD(ProgressBar, &Image(), L"progressbar")
WIDGET_TYPE_RECORD(RotatingImage, &Image(), L"rotating_image")
WIDGET_TYPE_RECORD(Layout, &Widget(), L"layout")
WIDGET_TYPE_RECORD(SlideArea, &Layout(), L"slide_area")
WIDGET_TYPE_RECORD(GridLayout, &SlideArea(), L"grid_layout")
WIDGET_TYPE_RECORD(InfiniteList, &GridLayout(), L"infinite_list")
WIDGET_TYPE_RECORD(RunningList, &GridLayout(), L"running_list")
WIDGET_TYPE_RECORD(PageView, &Layout(), L"page_layout")
WIDGET_TYPE_RECORD(Alignment, &Layout(), L"alignment")
WIDGET_TYPE_RECORD(AspectLayout, &Layout(), L"aspect_layout")
WIDGET_TYPE_RECORD(Divider, &Layout(), L"divider")
WIDGET_TYPE_RECORD(RatioDivider, &Layout(), L"ratio_divider_layout")
WIDGET_TYPE_RECORD(TextWidget, &Widget(), L"text_widget")
WIDGET_TYPE_RECORD(Slider, &Widget(), L"slider")
WIDGET_TYPE_RECORD(Pie, &Widget(), L"pie")
WIDGET_TYPE_RECORD(WebView, &Widget(), L"web_view")

// This file's macros end here (the build may compile it together with others).
#undef WIDGET_TYPE_RECORD
