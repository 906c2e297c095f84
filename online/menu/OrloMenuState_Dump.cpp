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
//   idle <0|1>                 the frame loop has gone idle (its full-speed time after the
//                              last input is over)
//   widget <name> <left> <top> <right> <bottom>[ <text>]
//                              a visible named widget: its rectangle in screen pixels, cut to
//                              its ancestors' rectangles (those with an area) and the screen;
//                              a text widget adds its text (line breaks as spaces, at most
//                              ORLO_DUMP_TEXT_MAX characters). Of a page view only the current
//                              page is walked, and nothing of a collapsed expandable; a showing
//                              toast's widgets follow the menu's.
//                              At most ORLO_DUMP_WIDGETS_MAX lines.
#include <string>

#include "online/menu/OrloMenuState.h"
#include "online/popups/OrloToastNotification.h"
#include "platform/OrloNetworkSessionInterface.h"
#include "platform/OrlogateApplication.h"
#include "ui/Widget.h"
#include "ui/WidgetCast.h"
#include "ui/layouts/PageView.h"
#include "ui/widgets/Expandable.h"
#include "ui/widgets/TextWidget.h"

namespace {

struct DumpWalk {
    std::string* out;
    int lines;
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

void AppendText(std::string& out, const CVortanString& text)
{
    std::string utf8 = VortanUTF8Of(text);
    if (utf8.empty())
        return;
    size_t characters = 0, end = 0;
    while (end < utf8.size() && characters < ORLO_DUMP_TEXT_MAX) {
        // A character is its lead octet and the continuation octets after it.
        ++end;
        while (end < utf8.size() && (utf8[end] & 0xC0) == 0x80)
            ++end;
        ++characters;
    }
    utf8.resize(end);
    for (char& c : utf8)
        if (c == '\n' || c == '\r' || c == '\t')
            c = ' ';
    out += ' ';
    out += utf8;
}

void Walk(DumpWalk& walk, CWidget* widget, const CVortanRect& clip)
{
    if (!widget || !widget->IsVisible() || walk.lines >= ORLO_DUMP_WIDGETS_MAX)
        return;
    const CVortanRect own = ScreenRect(widget);
    CVortanRect inner = clip;
    // A collapsed expandable shows nothing of what it holds.
    if (WidgetCast<CExpandable>(widget) && !HasArea(own))
        return;
    if (HasArea(own)) {
        inner = Intersect(clip, own);
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
            if (const CTextWidget* text = WidgetCast<CTextWidget>(widget))
                AppendText(out,
                           text->GetText().IsEmpty() ? text->GetDisplayText() : text->GetText());
            out += '\n';
            ++walk.lines;
        }
    }
    if (CPageView* pages = WidgetCast<CPageView>(widget)) {
        Walk(walk, pages->GetCurrentPage(), inner);
        return;
    }
    for (int i = 0; i < widget->GetChildCount(); ++i)
        Walk(walk, widget->GetChild(i), inner);
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
    snprintf(line, sizeof line, "toast %d\n", toast && toast->IsShowing() ? 1 : 0);
    out += line;
    snprintf(line, sizeof line, "idle %d\n", Gate() && Gate()->IsIdle() ? 1 : 0);
    out += line;
    DumpWalk walk = {&out, 0};
    if (m_uiRoot)
        Walk(walk, m_uiRoot, ScreenRect(m_uiRoot));
    COrloToastNotification* popup = dynamic_cast<COrloToastNotification*>(toast);
    if (popup && popup->IsShowing() && popup->GetRoot())
        Walk(walk, popup->GetRoot(), ScreenRect(popup->GetRoot()));
}

void COrloMenuState::DumpSection(void* application, std::string& out)
{
    COrlogateApplication* gate = static_cast<COrlogateApplication*>(application);
    COrloMenuState* menu = gate ? dynamic_cast<COrloMenuState*>(gate->GetMenuState()) : nullptr;
    if (menu)
        menu->DumpState(out);
}
