// What the layout creators share: re-using a kept widget of the creator's class or making and
// starting a new one.
#pragma once
#include <new>

#include "ui/WidgetCast.h"
#include "ui/loader/UIXMLLoader.h"

// The kept widget when it is of T's kind (isNew false); else a new T started with the
// loader's application, its resource manager and the parent's client rect (isNew true). Null
// when none could be made.
template <class T>
T* UIReuseOrCreate(CUIXMLLoader* loader, CWidget* parent, CWidget* reuse, bool* isNew)
{
    T* widget = WidgetCast<T>(reuse);
    if (widget) {
        *isNew = false;
        return widget;
    }
    *isNew = true;
    widget = new (std::nothrow) T();
    if (!widget)
        return nullptr;
    CVortanRect client = parent ? parent->GetClientRect() : CVortanRect{};
    if (widget->Startup(loader->GetApplication(), loader->GetResourceManager(), client) !=
        VORTAN_OK) {
        widget->Shutdown();
        delete widget;
        return nullptr;
    }
    return widget;
}
