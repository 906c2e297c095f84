// The layout loader's readers: numbers made pixels, colours, images and the child elements
// that several types share.
#include "ui/loader/UIXMLLoader.h"

#include <math.h>
#include <new>
#include <stdio.h>
#include <string.h>

#include "engine/VortanXMLDataNode.h"
#include "engine/graphics/VortanSurface.h"
#include "platform/OrloApplication.h"
#include "ui/anim/EasingCurve.h"
#include "ui/anim/Transition.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/ImageWidget.h"

int CUIXMLLoader::ClampToInt(double value)
{
    if (!(value == value))
        return 0;
    if (value >= 2147483647.0)
        return 2147483647;
    if (value <= -2147483648.0)
        return (int)-2147483647 - 1;
    return (int)value;
}

int CUIXMLLoader::RoundHalfAway(double value)
{
    return ClampToInt(value < 0.0 ? ceil(value - 0.5) : floor(value + 0.5));
}

int CUIXMLLoader::FloorHalfUp(double value)
{
    return ClampToInt(floor(0.5 + value));
}

int CUIXMLLoader::TruncX(float fraction) const
{
    return ClampToInt((double)(fraction * (float)m_refWidth));
}

int CUIXMLLoader::TruncY(float fraction) const
{
    return ClampToInt((double)(fraction * (float)m_refHeight));
}

int CUIXMLLoader::RoundX(float fraction) const
{
    return RoundHalfAway((double)(fraction * (float)m_refWidth));
}

int CUIXMLLoader::RoundY(float fraction) const
{
    return RoundHalfAway((double)(fraction * (float)m_refHeight));
}

float CUIXMLLoader::ReadFloat(const CVortanXMLDataNode* node, const char* name, float defaultValue)
{
    float value = GetFloatAttribute(node, name, defaultValue);
    return isfinite(value) ? value : defaultValue;
}

int CUIXMLLoader::ReadInt(const CVortanXMLDataNode* node, const char* name, int defaultValue)
{
    return GetIntAttribute(node, name, defaultValue);
}

int CUIXMLLoader::ReadChildInt(const CVortanXMLDataNode* element, const char* child, int* out)
{
    CVortanXMLDataNode* node = FindChildElement(element, child);
    if (!node || !GetAttribute(node, "$value"))
        return 0;
    *out = GetIntAttribute(node, "$value", *out);
    return 1;
}

int CUIXMLLoader::ReadChildFloat(const CVortanXMLDataNode* element, const char* child, float* out)
{
    CVortanXMLDataNode* node = FindChildElement(element, child);
    if (!node || !GetAttribute(node, "$value"))
        return 0;
    float value = ReadFloat(node, "$value", NAN);
    if (!isfinite(value))
        return 0;
    *out = value;
    return 1;
}

bool CUIXMLLoader::AttributeIs(const CVortanXMLDataNode* node, const char* name, const char* word)
{
    const char* text = GetAttribute(node, name);
    return text && strcmp(text, word) == 0;
}

int CUIXMLLoader::ParseColor(const char* text, int forceAlpha, u32* out)
{
    if (!text)
        return 0;
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r')
        ++p;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X'))
        p += 2;
    u32 value = 0;
    int digits = 0;
    while (VortanHexDigit((unsigned char)p[digits]) >= 0) {
        value = (value << 4) | (u32)VortanHexDigit((unsigned char)p[digits]);
        ++digits;
    }
    if (digits == 0)
        return 0;
    // The alpha byte is forced for colours written with six digits or fewer, with or without
    // the "0x" prefix.
    if (forceAlpha && digits < 7)
        value |= 0xFF000000u;
    *out = value;
    return 1;
}

CVortanSurface* CUIXMLLoader::LoadImageElement(CVortanXMLDataNode* imageNode)
{
    if (!imageNode || !m_app)
        return nullptr;
    const char* path = GetAttribute(imageNode, "$path");
    if (!path)
        return nullptr;
    CVortanSurface* surface = m_app->GetSurface(CVortanString(path));
    if (!surface)
        return nullptr;
    int fx = ReadInt(imageNode, "$frames_x", 1);
    int fy = ReadInt(imageNode, "$frames_y", 1);
    if (fx < 2)
        fx = 1;
    if (fy < 2)
        fy = 1;
    if (fx > 1 || fy > 1) {
        const int fw = surface->GetWidth() / fx;
        const int fh = surface->GetHeight() / fy;
        // Frames under a pixel would make a sheet of nothing: the surface stays whole.
        if (fw >= 1 && fh >= 1)
            surface->SetFrameSize(fw, fh);
    }
    return surface;
}

void CUIXMLLoader::ReleaseImage(CVortanSurface*& surface)
{
    if (surface && m_app)
        m_app->ReleaseSurface(surface);
    surface = nullptr;
}

int CUIXMLLoader::ParseImage(CVortanXMLDataNode* element, const char* childName,
                             CImageWidget* widget)
{
    CVortanSurface* surface = LoadImageElement(FindChildElement(element, childName));
    if (!surface)
        return 0;
    widget->SetImage(surface);
    ReleaseImage(surface);
    return 1;
}

int CUIXMLLoader::ParseImageAnimation(CVortanXMLDataNode* element, CImageWidget* widget,
                                      int clearFrameTime)
{
    CVortanXMLDataNode* node = FindChildElement(element, "image");
    CVortanSurface* surface = LoadImageElement(node);
    if (!surface) {
        if (clearFrameTime)
            widget->SetFrameDuration(0.0f);
        return 0;
    }
    widget->SetImage(surface);
    const float duration = ReadFloat(node, "$animation_duration", 0.0f);
    const double frames = (double)surface->GetFrameColumns() * (double)surface->GetFrameRows();
    float frameTime = 1.0f;
    if (duration != 0.0f && frames >= 1.0)
        frameTime = (float)((double)duration / frames);
    widget->SetFrameDuration(frameTime);
    const int frame = ReadInt(node, "$frame", -1);
    if (frame >= 0) {
        widget->SetFrame(frame);
        widget->SetImageFlags(widget->GetImageFlags() | IMAGE_ANIMATION_STOPPED);
    }
    ReleaseImage(surface);
    return 1;
}

void CUIXMLLoader::ParseButtonCommon(CVortanXMLDataNode* element, CButton* button)
{
    if (ReadInt(element, "$keep_aspect", 0) != 0)
        button->SetImageFlags(button->GetImageFlags() | IMAGE_KEEP_ASPECT);
    ParseImageAnimation(element, button, 0);
    int value = button->IsCancellable() ? 1 : 0;
    if (ReadChildInt(element, "cancellable", &value))
        button->SetCancellable(value != 0);
    value = button->HasLayoutWidgets() ? 1 : 0;
    if (ReadChildInt(element, "layout_widgets", &value)) {
        button->SetLayoutWidgets(value != 0);
        if (value != 0) {
            // The pressed state there and back: the looks are laid out and shown at once.
            const bool pressed = button->IsPressed();
            button->SetPressed(!pressed);
            button->SetPressed(pressed);
        }
    }
    CVortanXMLDataNode* hit = FindChildElement(element, "hitarea");
    if (hit) {
        button->SetHitAreaScale(ReadFloat(hit, "$size", button->GetHitAreaScale()));
        button->SetHitAreaExtra(ReadFloat(hit, "$extra", button->GetHitAreaExtra()));
    }
    float delay = button->GetClickDelay();
    if (ReadChildFloat(element, "clickdelay", &delay))
        button->SetClickDelay(delay);
}

int CUIXMLLoader::ParseBorderSize(CVortanXMLDataNode* element, int margins[4])
{
    margins[0] = margins[1] = margins[2] = margins[3] = 0;
    CVortanXMLDataNode* node = FindChildElement(element, "border-size");
    if (!node)
        return 0;
    const float width = ReadFloat(node, "$width", 0.0f);
    const float height = ReadFloat(node, "$height", 0.0f);
    margins[0] = RoundX(ReadFloat(node, "$left", width));
    margins[1] = RoundY(ReadFloat(node, "$top", height));
    margins[2] = RoundX(ReadFloat(node, "$right", width));
    margins[3] = RoundY(ReadFloat(node, "$bottom", height));
    return 1;
}

int CUIXMLLoader::ParseItemSpacing(CVortanXMLDataNode* element, int* horizontal, int* vertical)
{
    *horizontal = 0;
    *vertical = 0;
    CVortanXMLDataNode* node = FindChildElement(element, "item-spacing");
    if (!node)
        return 0;
    *horizontal = TruncX(ReadFloat(node, "$horizontal", 0.0f));
    *vertical = TruncY(ReadFloat(node, "$vertical", 0.0f));
    return 1;
}

IEasingCurve* CUIXMLLoader::ParseEasingCurve(CVortanXMLDataNode* curveNode)
{
    const char* name = curveNode ? GetAttribute(curveNode, "$curve") : nullptr;
    if (!name)
        return nullptr;
    float params[UI_LOADER_MAX_EASING_PARAMS];
    int count = 0;
    while (count < UI_LOADER_MAX_EASING_PARAMS) {
        char attribute[24];
        snprintf(attribute, sizeof(attribute), "$param%d", count + 1);
        if (!GetAttribute(curveNode, attribute))
            break;
        params[count] = ReadFloat(curveNode, attribute, 0.0f);
        ++count;
    }
    return CreateEasingCurve(CVortanString(name), 0, count, params);
}

CTransition* CUIXMLLoader::ParseTransition(CVortanXMLDataNode* element, const char* typeWord)
{
    CVortanXMLDataNode* first = FindChildElement(element, "transition");
    if (!first || !GetAttribute(first, "$type"))
        return nullptr;
    CVortanXMLDataNode* found = nullptr;
    for (CVortanXMLDataNode* n = first; n && !found; n = GetNextSibling(n)) {
        const char* type = n->IsValueNode() ? nullptr : GetAttribute(n, "$type");
        if (strcmp(type ? type : "", typeWord) == 0)
            found = n;
    }
    if (!found)
        return nullptr;
    int type = TRANSITION_NO_TYPE;
    if (AttributeIs(found, "$type", "in"))
        type = TRANSITION_IN;
    else if (AttributeIs(found, "$type", "out"))
        type = TRANSITION_OUT;
    const bool moveOther = ReadInt(found, "$move_other", 0) != 0;
    static const char* const kDirections[] = {"up", "down", "right", "left", "center"};
    int direction = TRANSITION_NONE;
    const char* dir = GetAttribute(found, "$direction");
    for (int i = 0; dir && i < 5; ++i) {
        if (strcmp(dir, kDirections[i]) == 0)
            direction = i;
    }
    const float duration = ReadFloat(found, "$duration", 0.0f);
    CTransition* transition = new (std::nothrow) CTransition();
    if (!transition)
        return nullptr;
    transition->Setup(moveOther, direction, type, duration);
    IEasingCurve* in = ParseEasingCurve(FindChildElement(found, "easing_in"));
    IEasingCurve* out = ParseEasingCurve(FindChildElement(found, "easing_out"));
    transition->SetEasingIn(in ? in : CreateEasingCurve(CVortanString("linear"), 0, 0, nullptr));
    transition->SetEasingOut(out ? out : CreateEasingCurve(CVortanString("linear"), 0, 0, nullptr));
    return transition;
}
