// CWidgetTypeInfo: the static type record of a widget class, and the records of every class.
#pragma once
#include "engine/HashString.h"

class CWidgetTypeInfo {
public:
    CWidgetTypeInfo(const CWidgetTypeInfo* parent, const wchar_t* name);

    const CWidgetTypeInfo* GetParent() const { return m_parent; }
    const CHashString& GetName() const { return m_name; }

    // True when this record or one of its bases matches the target (same parent record, same
    // hash, same text).
    bool IsKindOf(const CWidgetTypeInfo& target) const;
    // Parent records, hashes and names all equal.
    bool Matches(const CWidgetTypeInfo& other) const;

private:
    const CWidgetTypeInfo* m_parent;
    CHashString m_name;
};

// The record of each widget class, built on first use. A class's GetTypeInfo and its
// StaticTypeInfo return its entry here.
struct CWidgetTypes {
    static const CWidgetTypeInfo& Widget();
    static const CWidgetTypeInfo& Image();
    static const CWidgetTypeInfo& Button();
    static const CWidgetTypeInfo& ToggleButton();
    static const CWidgetTypeInfo& PageButton();
    static const CWidgetTypeInfo& Expandable();
    static const CWidgetTypeInfo& WebButton();
    static const CWidgetTypeInfo& Bubble();
    static const CWidgetTypeInfo& Frame();
    static const CWidgetTypeInfo& Gradient();
    static const CWidgetTypeInfo& ProgressBar();
    static const CWidgetTypeInfo& RotatingImage();
    static const CWidgetTypeInfo& Layout();
    static const CWidgetTypeInfo& SlideArea();
    static const CWidgetTypeInfo& GridLayout();
    static const CWidgetTypeInfo& InfiniteList();
    static const CWidgetTypeInfo& RunningList();
    static const CWidgetTypeInfo& PageView();
    static const CWidgetTypeInfo& Alignment();
    static const CWidgetTypeInfo& AspectLayout();
    static const CWidgetTypeInfo& Divider();
    static const CWidgetTypeInfo& RatioDivider();
    static const CWidgetTypeInfo& TextWidget();
    static const CWidgetTypeInfo& Slider();
    static const CWidgetTypeInfo& Pie();
    // A record no widget reports: casts to it always give null.
    static const CWidgetTypeInfo& WebView();
};
