// The layout events of the slider, the slide areas and the infinite list: their rows of the
// loader's event table.
#pragma once
#include "ui/loader/UIBuiltinTypes.h"

void UIBindValueChanged(CWidget* widget, const CUIDelegate& d);
void UIBindLoadItem(CWidget* widget, const CUIDelegate& d);
void UIBindForgetItem(CWidget* widget, const CUIDelegate& d);
void UIBindLoadItemBatch(CWidget* widget, const CUIDelegate& d);
void UIBindLoadGroup(CWidget* widget, const CUIDelegate& d);
void UIBindBeginScroll(CWidget* widget, const CUIDelegate& d);
void UIBindEndScroll(CWidget* widget, const CUIDelegate& d);

// The rows, for the event table.
// clang-format off
#define UI_SCROLL_EVENT_ROWS                                                \
    {"onvaluechanged", &CWidgetTypes::Slider, &UIBindValueChanged},         \
    {"onloaditem", &CWidgetTypes::InfiniteList, &UIBindLoadItem},           \
    {"onforgetitem", &CWidgetTypes::InfiniteList, &UIBindForgetItem},       \
    {"onloaditembatch", &CWidgetTypes::InfiniteList, &UIBindLoadItemBatch}, \
    {"onloadgroup", &CWidgetTypes::InfiniteList, &UIBindLoadGroup},         \
    {"onbeginscroll", &CWidgetTypes::SlideArea, &UIBindBeginScroll},        \
    {"onendscroll", &CWidgetTypes::SlideArea, &UIBindEndScroll}
// clang-format on
