// The online menu's lines of the program's state dump: the shown page, the screen rectangles of
// the named widgets a person can see, and the states of the lobby and game connections.
//
//   menu_shown <0|1>           the menu's pages are in front (else the game is)
//   menu_page <name>           the page view's current page ("-" without one)
//   loading <0|1>              the loading page is up
//   lobby_state <n>            the lobby connection's state (0 closed ... 5 logged in)
//   game_state <n>             the game connection's state (0 closed, 1 up)
//   in_match <0|1>             the menu knows of a running online match
//   toast <0|1>                a toast is showing (it takes the taps where it lies)
//   toasts <n>                 the toasts shown so far
//   idle <0|1>                 the frame loop has gone idle (its full-speed time after the
//                              last input is over)
//   avatars <n>                avatar pictures the player list has shown so far
//   advert <shown> <pending> <frame>
//                              with an advert pop-up: it is on the screen (and takes every
//                              tap); it waits for the play to end; its picture's frame
//   widget <name> <left> <top> <right> <bottom>[ <text>]
//                              a visible named widget: its rectangle in screen pixels, cut to
//                              its ancestors' rectangles (those with an area) and the screen;
//                              a text widget that is no input field adds the text it draws,
//                              whole (colour tags left out, line breaks as spaces). Of a page
//                              view only the current page is walked, and nothing of a
//                              collapsed expandable; a showing advert's and a showing toast's
//                              widgets follow the menu's.
//   field <name>[ <text>]      after the line of an input field: what it shows (a password's
//                              characters as "*"), whole
//   editing <name>             after the line of a text field that takes typed characters now
//                              (tapped, its typing session open)
//   textsize <name> <width> <height> <box width> <box height>
//                              after the line of a text widget that shows a text (not an
//                              input field): the extent the text takes as drawn in the widget
//                              (wrapped at the widget's width when it wraps; its lines' height)
//                              and the widget's own size, uncut
//   fading <n>                 after the widgets: the images on the screen whose fade-in (a
//                              tapped button's, a picture's as it comes) is still running
//   offscreen <name> <left> <top> <right> <bottom>
//                              after the line of a widget that reaches past the screen's edge:
//                              its own rectangle, cut only to the scrolling areas it lies in
//                              (their content passes their edges as it scrolls)
#include <string>

#include "engine/graphics/VortanBitmapFont.h"
#include "engine/graphics/VortanBitmapFontText.h"
#include "engine/graphics/VortanTextWrap.h"
#include "online/menu/OrloMenuState.h"
#include "online/popups/OrloAdvertisement.h"
#include "online/popups/OrloToastNotification.h"
#include "platform/OrloDevice.h"
#include "platform/OrloNetworkSessionInterface.h"
#include "platform/OrlogateApplication.h"
#include "ui/Widget.h"
#include "ui/WidgetCast.h"
#include "ui/layouts/PageView.h"
#include "ui/layouts/SlideArea.h"
#include "ui/widgets/Expandable.h"
#include "ui/widgets/ImageWidget.h"
#include "ui/widgets/TextWidget.h"

namespace {

struct DumpWalk {
    std::string* out;
    CVortanRect screen;
    int fading;
};

bool HasArea(const CVortanRect& r)
{
    return r.right > r.left && r.bottom > r.top;
}

CVortanRect Intersect(const CVortanRect& a, const CVortanRect& b)
{
    CVortanRect r;
    r.Set(a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
          a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom);
    return r;
}

// The widget's own rectangle on the screen: its place in its parent (a slide area's own
// place, not its scrolled content's), then through each ancestor's content mapping.
CVortanRect ScreenRect(const CWidget* widget)
{
    int x = 0, y = 0;
    widget->CWidget::LocalToParent(x, y);
    for (const CWidget* w = widget->GetParent(); w; w = w->GetParent())
        w->LocalToParent(x, y);
    CVortanRect r;
    r.Set(x, y, x + widget->GetWidth(), y + widget->GetHeight());
    return r;
}

// " " and the text as the widget draws it: its colour tags (unless it draws them as text) left
// out, line breaks as spaces; nothing for an empty text.
void AppendText(std::string& out, const CTextWidget* widget)
{
    const CVortanString& text = widget->GetDisplayText();
    const unsigned short* units = text.GetBuffer();
    const int length = text.GetLength();
    const bool tags = !(widget->GetDrawFlags() & VORTAN_TEXT_NO_TAGS);
    CVortanString shown(text);
    int kept = 0;
    for (int i = 0; i < length;) {
        const int tag = tags ? VortanTextTagAt(units, length, i, nullptr) : 0;
        if (tag > 0) {
            i += tag;
            continue;
        }
        const unsigned short c = units[i++];
        shown.SetAt(kept++, c == '\n' || c == '\r' || c == '\t' ? (unsigned short)' ' : c);
    }
    if (kept == 0)
        return;
    shown.SetLength(kept);
    out += ' ';
    out += VortanUTF8Of(shown);
}

bool Inside(const CVortanRect& r, const CVortanRect& outer)
{
    return r.left >= outer.left && r.top >= outer.top && r.right <= outer.right &&
           r.bottom <= outer.bottom;
}

// The width and height the widget's shown text takes as the widget draws it.
void TextExtent(const CTextWidget* text, int width, int& w, int& h)
{
    w = h = 0;
    CVortanBitmapFont* font = text->GetFont();
    const CVortanString& shown = text->GetDisplayText();
    if (!font || shown.IsEmpty())
        return;
    const u32 flags = text->GetDrawFlags();
    if (flags & VORTAN_TEXT_MULTILINE) {
        CVortanRect box;
        box.Set(0, 0, width, 0);
        // Wrapped as the widget draws it, long words broken.
        CVortanFontMeasure measure(font, flags & VORTAN_TEXT_NO_TAGS);
        CVortanString wrapped;
        CVortanTextWrap::WrapToText(shown, width, measure, wrapped);
        w = font->GetTextWidth(wrapped, flags);
        font->MeasureWrappedText(box, wrapped);
        h = box.bottom - box.top;
    } else {
        w = font->GetTextWidth(shown, flags);
        h = font->GetLineHeight();
    }
}

// `clip` is what the ancestors and the screen leave of the screen, `span` what the scrolling
// areas among the ancestors leave (unbounded outside any).
void Walk(DumpWalk& walk, CWidget* widget, const CVortanRect& clip, const CVortanRect& span)
{
    if (!widget || !widget->IsVisible())
        return;
    const CVortanRect own = ScreenRect(widget);
    CVortanRect inner = clip, innerSpan = span;
    // A collapsed expandable shows nothing of what it holds.
    if (WidgetCast<CExpandable>(widget) && !HasArea(own))
        return;
    if (HasArea(own)) {
        const CImageWidget* image = WidgetCast<CImageWidget>(widget);
        if (image && image->GetFadeTimeLeft() > 0.0f && HasArea(Intersect(clip, own)))
            ++walk.fading;
        inner = Intersect(clip, own);
        const CVortanRect reach = Intersect(span, own);
        if (WidgetCast<CSlideArea>(widget))
            innerSpan = reach;
        if (!HasArea(inner))
            return;
        if (!widget->GetName().IsEmpty()) {
            char numbers[64];
            snprintf(numbers, sizeof numbers, " %d %d %d %d", inner.left, inner.top, inner.right,
                     inner.bottom);
            std::string& out = *walk.out;
            out += "widget ";
            out += VortanUTF8Of(widget->GetName());
            out += numbers;
            const CTextWidget* text = WidgetCast<CTextWidget>(widget);
            const bool field = text && text->IsInputEnabled();
            if (field) {
                out += "\nfield ";
                out += VortanUTF8Of(widget->GetName());
            }
            if (text)
                AppendText(out, text);
            out += '\n';
            if (field && text->GetTextInput()) {
                out += "editing ";
                out += VortanUTF8Of(widget->GetName());
                out += '\n';
            }
            if (text && !text->IsInputEnabled() && !text->GetDisplayText().IsEmpty()) {
                int w = 0, h = 0;
                TextExtent(text, own.right - own.left, w, h);
                char line[96];
                snprintf(line, sizeof line, " %d %d %d %d\n", w, h, own.right - own.left,
                         own.bottom - own.top);
                out += "textsize ";
                out += VortanUTF8Of(widget->GetName());
                out += line;
            }
            if (!Inside(reach, walk.screen)) {
                snprintf(numbers, sizeof numbers, " %d %d %d %d\n", reach.left, reach.top,
                         reach.right, reach.bottom);
                out += "offscreen ";
                out += VortanUTF8Of(widget->GetName());
                out += numbers;
            }
        }
    }
    if (CPageView* pages = WidgetCast<CPageView>(widget)) {
        Walk(walk, pages->GetCurrentPage(), inner, innerSpan);
        return;
    }
    for (int i = 0; i < widget->GetChildCount(); ++i)
        Walk(walk, widget->GetChild(i), inner, innerSpan);
}

} // namespace

void COrloMenuState::DumpState(std::string& out)
{
    char line[96];
    snprintf(line, sizeof line, "menu_shown %d\n", IsMenuShown() ? 1 : 0);
    out += line;
    const CVortanString page = GetCurrentPageName();
    out += "menu_page ";
    out += page.IsEmpty() ? std::string("-") : VortanUTF8Of(page);
    out += '\n';
    IOrloNetworkSession* session = Gate() ? Gate()->GetNetworkSession() : nullptr;
    const int status = session ? session->GetStatus() : 0;
    snprintf(line, sizeof line, "loading %d\nlobby_state %d\ngame_state %d\nin_match %d\n",
             m_loading ? 1 : 0, status & 0xFF, (status >> 8) & 0xFF, m_inMatch ? 1 : 0);
    out += line;
    IOrloToastNotification* toast = Gate() ? Gate()->GetToast() : nullptr;
    COrloToastNotification* popup = dynamic_cast<COrloToastNotification*>(toast);
    snprintf(line, sizeof line, "toast %d\ntoasts %d\n", toast && toast->IsShowing() ? 1 : 0,
             popup ? popup->GetShownCount() : 0);
    out += line;
    snprintf(line, sizeof line, "idle %d\navatars %d\n", Gate() && Gate()->IsIdle() ? 1 : 0,
             m_avatarsShown);
    out += line;
    COrloAdvertisement* advert =
        Gate() ? dynamic_cast<COrloAdvertisement*>(Gate()->GetAdvertisement()) : nullptr;
    if (advert) {
        snprintf(line, sizeof line, "advert %d %d %d\n", advert->IsShown() ? 1 : 0,
                 advert->IsPending() ? 1 : 0, advert->GetCurrentFrame());
        out += line;
    }
    if (!m_uiRoot)
        return;
    // The menu's root is laid out at the screen's size.
    DumpWalk walk = {&out, ScreenRect(m_uiRoot), 0};
    CVortanRect unbounded;
    unbounded.Set(-0x3FFFFFFF, -0x3FFFFFFF, 0x3FFFFFFF, 0x3FFFFFFF);
    Walk(walk, m_uiRoot, walk.screen, unbounded);
    if (advert && advert->IsShown() && advert->GetRoot())
        Walk(walk, advert->GetRoot(), walk.screen, unbounded);
    if (popup && popup->IsShowing() && popup->GetRoot()) {
        const CVortanRect toastRect = ScreenRect(popup->GetRoot());
        Walk(walk, popup->GetRoot(), Intersect(toastRect, walk.screen), unbounded);
    }
    snprintf(line, sizeof line, "fading %d\n", walk.fading);
    out += line;
}

void COrloMenuState::DumpSection(void* application, std::string& out)
{
    COrlogateApplication* gate = static_cast<COrlogateApplication*>(application);
    COrloMenuState* menu = gate ? dynamic_cast<COrloMenuState*>(gate->GetMenuState()) : nullptr;
    if (menu)
        menu->DumpState(out);
}
