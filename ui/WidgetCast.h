// WidgetCast and FindAncestor: checked casts of widgets by their type records.
#pragma once
#include "ui/Widget.h"

// Null for a null widget or one not of T's kind.
template <class T>
T* WidgetCast(CWidget* widget)
{
    if (!widget || !widget->IsKindOf(T::StaticTypeInfo()))
        return nullptr;
    return static_cast<T*>(widget);
}

template <class T>
const T* WidgetCast(const CWidget* widget)
{
    if (!widget || !widget->IsKindOf(T::StaticTypeInfo()))
        return nullptr;
    return static_cast<const T*>(widget);
}

// The nearest ancestor of the widget (from its parent up) of T's kind, or null.
template <class T>
T* FindAncestor(const CWidget* widget)
{
    if (!widget)
        return nullptr;
    return static_cast<T*>(widget->FindAncestorOfKind(T::StaticTypeInfo()));
}

// The "web_view" kind: no widget is one, so casts to it give null.
class CWebView : public CWidget {
public:
    static const TypeInfo& StaticTypeInfo() { return CWidgetTypes::WebView(); }

private:
    CWebView() = delete;
};
