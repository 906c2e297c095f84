// The table of the layout events: the class that holds each and how its delegate is set.
#include "ui/loader/UIBuiltinTypes.h"

#include "ui/loader/UIBuiltinEvents_Scroll.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/Expandable.h"
#include "ui/widgets/TextWidget.h"

namespace {

void BindClick(CWidget* w, const CUIDelegate& d)
{
    static_cast<CButton*>(w)->SetOnClick(d);
}
void BindBeginExpand(CWidget* w, const CUIDelegate& d)
{
    static_cast<CExpandable*>(w)->SetOnBeginExpand(d);
}
void BindEndExpand(CWidget* w, const CUIDelegate& d)
{
    static_cast<CExpandable*>(w)->SetOnEndExpand(d);
}
void BindShow(CWidget* w, const CUIDelegate& d)
{
    w->SetOnShow(d);
}
void BindHide(CWidget* w, const CUIDelegate& d)
{
    w->SetOnHide(d);
}
void BindClone(CWidget* w, const CUIDelegate& d)
{
    w->SetOnClone(d);
}
void BindCloned(CWidget* w, const CUIDelegate& d)
{
    w->SetOnCloned(d);
}
void BindStartup(CWidget* w, const CUIDelegate& d)
{
    w->SetOnStartup(d);
}
void BindShutdown(CWidget* w, const CUIDelegate& d)
{
    w->SetOnShutdown(d);
}
void BindChanged(CWidget* w, const CUIDelegate& d)
{
    static_cast<CTextWidget*>(w)->SetOnChanged(d);
}
void BindFinished(CWidget* w, const CUIDelegate& d)
{
    static_cast<CTextWidget*>(w)->SetOnFinished(d);
}

const CUIBuiltinEvent kEvents[] = {
    {"onclick", &CWidgetTypes::Button, &BindClick},
    {"onbeginexpand", &CWidgetTypes::Expandable, &BindBeginExpand},
    {"onendexpand", &CWidgetTypes::Expandable, &BindEndExpand},
    {"onshow", &CWidgetTypes::Widget, &BindShow},
    {"onhide", &CWidgetTypes::Widget, &BindHide},
    {"onclone", &CWidgetTypes::Widget, &BindClone},
    {"oncloned", &CWidgetTypes::Widget, &BindCloned},
    {"onstartup", &CWidgetTypes::Widget, &BindStartup},
    {"onshutdown", &CWidgetTypes::Widget, &BindShutdown},
    {"onchanged", &CWidgetTypes::TextWidget, &BindChanged},
    {"onfinished", &CWidgetTypes::TextWidget, &BindFinished},
    UI_SCROLL_EVENT_ROWS,
};

} // namespace

int UIBuiltinEventCount()
{
    return (int)(sizeof(kEvents) / sizeof(kEvents[0]));
}

const CUIBuiltinEvent& UIBuiltinEventAt(int i)
{
    return kEvents[i];
}
