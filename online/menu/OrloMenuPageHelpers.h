// Small helpers of the menu's pages: finding widgets under a row, filling texts, toggles,
// selection rows and icons, the record a row keeps, and avatar surfaces made from the
// server's bytes.
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "online/menu/OrloMenuPlayerRecord.h"

class COrloApplication;
class CExpandable;
class CVortanSurface;
class CWidget;

// Longest names, places, comments and chat texts from the network that the pages draw.
#define MENU_NAME_CAP 40
#define MENU_PLACE_CAP 60
#define MENU_COMMENT_CAP 240
#define MENU_CHAT_CAP 300

namespace MenuPages {

// The descendant of `parent` with that name (any depth), or null.
CWidget* Find(CWidget* parent, const char* name);
// Text of a text widget under `parent`; nothing when it is missing or no text widget.
void SetText(CWidget* parent, const char* name, const CVortanString& text);
void SetNumber(CWidget* parent, const char* name, int value);
void SetVisible(CWidget* parent, const char* name, bool visible);
// The toggle button under `parent` set on or off.
void SetToggle(CWidget* parent, const char* name, bool on);
CVortanString Decimal(int value);
// The text cut to at most `cap` characters.
CVortanString Cap(const CVortanString& text, int cap);
// The language text with the one text argument filled in by the safe formatter.
CVortanString FormatOne(const CVortanString& format, const CVortanString& argument);
// The record a row keeps as its tag, or null.
SMenuPlayer* RecordOf(const CWidget* widget);
// Frees the row's record and clears its tag.
void FreeRecord(CWidget* widget);
// The row's record, attached when it has none; null when memory runs out.
SMenuPlayer* EnsureRecord(CWidget* widget);
// The nearest expandable at or above the widget, or null.
CExpandable* NearestExpandable(CWidget* widget);
// The registered surface of that name, else one decoded from the bytes (an RGBA texture under
// a GL context) and registered under it; null when the bytes do not decode. The caller owns
// one reference.
CVortanSurface* AvatarSurface(COrloApplication* application, const CVortanString& name,
                              const u8* bytes, int length);
// Shows the surface in the image widget under `parent` (it takes its own reference).
void ShowImage(CWidget* parent, const char* name, CVortanSurface* surface);
// Shows the surface registered under `key` in the image widget `icon`, whose children (the
// placeholder) show only while there is none.
void ShowRegisteredIcon(COrloApplication* application, CWidget* icon, const char* key);
// A selection row's button: its "selected" child shown when on, its "unselected" when off.
void ShowChoice(CWidget* select, int selected);

} // namespace MenuPages
