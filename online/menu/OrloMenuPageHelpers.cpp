// Helpers of the player, challenge and chat pages (widgets under a row, records, avatars).
#include "online/menu/OrloMenuPageHelpers.h"

#include <GLES2/gl2.h>
#include <new>

#include "engine/graphics/VortanGraphicsContext.h"
#include "engine/graphics/VortanSurface.h"
#include "platform/OrloApplication.h"
#include "ui/Widget.h"
#include "ui/WidgetCast.h"
#include "ui/widgets/Expandable.h"
#include "ui/widgets/ImageWidget.h"
#include "ui/widgets/TextWidget.h"
#include "ui/widgets/ToggleButton.h"

namespace MenuPages {

CWidget* Find(CWidget* parent, const char* name)
{
    return parent ? parent->FindChild(CVortanString(name), -1) : nullptr;
}

void SetText(CWidget* parent, const char* name, const CVortanString& text)
{
    CTextWidget* widget = WidgetCast<CTextWidget>(Find(parent, name));
    if (widget)
        widget->SetText(text);
}

void SetNumber(CWidget* parent, const char* name, int value)
{
    SetText(parent, name, Decimal(value));
}

void SetVisible(CWidget* parent, const char* name, bool visible)
{
    CWidget* widget = Find(parent, name);
    if (widget)
        widget->SetVisible(visible);
}

void SetToggle(CWidget* parent, const char* name, bool on)
{
    CToggleButton* toggle = WidgetCast<CToggleButton>(Find(parent, name));
    if (toggle)
        toggle->SetState(on ? 1 : 0);
}

CVortanString Decimal(int value)
{
    CVortanString text;
    text.FromInteger(value, 10);
    return text;
}

CVortanString Cap(const CVortanString& text, int cap)
{
    if (text.GetLength() <= cap)
        return text;
    return CVortanString(text, 0, cap);
}

CVortanString FormatOne(const CVortanString& format, const CVortanString& argument)
{
    static const unsigned short kNone[1] = {0};
    CVortanFormatArg arg(argument.GetBuffer() ? (const unsigned short*)argument.GetBuffer()
                                              : kNone);
    CVortanString out;
    if (format.GetBuffer())
        out.FormatArgs(format.GetBuffer(), &arg, 1);
    return out;
}

SMenuPlayer* RecordOf(const CWidget* widget)
{
    return widget ? (SMenuPlayer*)widget->GetTag() : nullptr;
}

void FreeRecord(CWidget* widget)
{
    if (!widget)
        return;
    delete RecordOf(widget);
    widget->SetTag(0);
}

SMenuPlayer* EnsureRecord(CWidget* widget)
{
    if (!widget)
        return nullptr;
    SMenuPlayer* record = RecordOf(widget);
    if (!record) {
        record = new (std::nothrow) SMenuPlayer();
        widget->SetTag((intptr_t)record);
    }
    return record;
}

CExpandable* NearestExpandable(CWidget* widget)
{
    for (CWidget* at = widget; at; at = at->GetParent()) {
        CExpandable* expandable = WidgetCast<CExpandable>(at);
        if (expandable)
            return expandable;
    }
    return nullptr;
}

CVortanSurface* AvatarSurface(COrloApplication* application, const CVortanString& name,
                              const u8* bytes, int length)
{
    if (!application)
        return nullptr;
    CVortanSurface* surface = application->FindSurface(name);
    if (surface || !bytes || length <= 0)
        return surface;
    surface = new (std::nothrow) CVortanSurface();
    if (!surface)
        return nullptr;
    int result = surface->LoadFromMemory(application, bytes, length);
    IVortanGraphicsContext* graphics = application->GetGraphics();
    if (result == VORTAN_OK && graphics && graphics->GetContextType() == VORTAN_CONTEXT_GLES2)
        result = surface->CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 0);
    if (result != VORTAN_OK || !application->AddSurface(name, surface)) {
        surface->Release();
        delete surface;
        return nullptr;
    }
    return surface;
}

void ShowImage(CWidget* parent, const char* name, CVortanSurface* surface)
{
    CImageWidget* image = WidgetCast<CImageWidget>(Find(parent, name));
    if (!image && parent && parent->GetName() == CVortanString(name))
        image = WidgetCast<CImageWidget>(parent);
    if (image)
        image->SetImage(surface);
}

void ShowRegisteredIcon(COrloApplication* application, CWidget* icon, const char* key)
{
    CImageWidget* image = WidgetCast<CImageWidget>(icon);
    if (!image || !application)
        return;
    CVortanSurface* surface = application->FindSurface(CVortanString(key));
    image->SetImage(surface);
    for (int c = 0; c < icon->GetChildCount(); ++c)
        icon->GetChild(c)->SetVisible(surface == nullptr);
    if (surface)
        application->ReleaseSurface(surface);
}

void ShowChoice(CWidget* select, int selected)
{
    CWidget* on = select->FindChild(CVortanString("selected"), -1);
    CWidget* off = select->FindChild(CVortanString("unselected"), -1);
    if (on)
        on->SetVisible(selected != 0);
    if (off)
        off->SetVisible(selected == 0);
}

} // namespace MenuPages
