// The built-in layout types and events: one table row per type name and per event name.
#pragma once
#include "ui/UIDelegate.h"
#include "ui/loader/UIXMLLoader.h"

class CWidgetTypeInfo;

struct CUIBuiltinType {
    const char* name;
    UIWidgetCreator creator;
};

// Binds a delegate to the widget's event (the widget is of the row's class).
typedef void (*UIEventBinder)(CWidget* widget, const CUIDelegate& delegate);

struct CUIBuiltinEvent {
    const char* name;
    const CWidgetTypeInfo& (*owner)(); // the class that must hold the event
    UIEventBinder bind;
};

int UIBuiltinTypeCount();
const CUIBuiltinType& UIBuiltinTypeAt(int i);
int UIBuiltinEventCount();
const CUIBuiltinEvent& UIBuiltinEventAt(int i);

// The creator of "web_view": this platform has no web view, so the element is skipped.
CWidget* UICreateNoWidget(CUIXMLLoader* loader, CVortanXMLDataNode* element, CWidget* parent,
                          CWidget* reuse);
