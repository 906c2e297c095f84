// Engine key codes: the window-system independent names of the keys, their translation
// from X keysyms and their display names.
#pragma once
#include "engine/VortanTypes.h"

// Engine key codes 0..130. VORTAN_KEY_NONE (255) means "no key".
enum {
    VORTAN_KEY_LEFT = 0,
    VORTAN_KEY_UP = 1,
    VORTAN_KEY_RIGHT = 2,
    VORTAN_KEY_DOWN = 3,
    VORTAN_KEY_ENTER = 4,
    VORTAN_KEY_DEVICE0 = 5, // .. VORTAN_KEY_DEVICE0 + 9
    VORTAN_KEY_A = 15,      // .. VORTAN_KEY_A + 25 = Z
    VORTAN_KEY_1 = 41,      // .. VORTAN_KEY_1 + 8 = 9
    VORTAN_KEY_0 = 50,
    VORTAN_KEY_F1 = 51, // .. VORTAN_KEY_F1 + 23 = F24
    VORTAN_KEY_ESCAPE = 75,
    VORTAN_KEY_SPACE = 76,
    VORTAN_KEY_BACK = 77,
    VORTAN_KEY_LCONTROL = 78,
    VORTAN_KEY_RCONTROL = 79,
    VORTAN_KEY_LSHIFT = 80,
    VORTAN_KEY_RSHIFT = 81,
    VORTAN_KEY_CAPSLOCK = 82,
    VORTAN_KEY_COMMA = 83,
    VORTAN_KEY_PERIOD = 84,
    VORTAN_KEY_TAB = 85,
    VORTAN_KEY_HOME = 86,
    VORTAN_KEY_END = 87,
    VORTAN_KEY_PAGEUP = 88,
    VORTAN_KEY_PAGEDOWN = 89,
    VORTAN_KEY_MINUS = 90,
    VORTAN_KEY_EQUALS = 91,
    VORTAN_KEY_LBRACKET = 92,
    VORTAN_KEY_RBRACKET = 93,
    VORTAN_KEY_BACKSLASH = 94,
    VORTAN_KEY_BACKSLASH2 = 95,
    VORTAN_KEY_NUMLOCK = 96,
    VORTAN_KEY_SCROLLLOCK = 97,
    VORTAN_KEY_NUMPAD1 = 98, // .. VORTAN_KEY_NUMPAD1 + 8 = NUMPAD 9
    VORTAN_KEY_NUMPAD0 = 107,
    VORTAN_KEY_LALT = 108,
    VORTAN_KEY_RALT = 109,
    VORTAN_KEY_INSERT = 110,
    VORTAN_KEY_DELETE = 111,
    VORTAN_KEY_APPS = 112,
    VORTAN_KEY_LFUNC = 113,
    VORTAN_KEY_RFUNC = 114,
    VORTAN_KEY_APOSTROPHE = 115,
    VORTAN_KEY_YES = 116,
    VORTAN_KEY_NO = 117,
    VORTAN_KEY_STAR = 118,
    VORTAN_KEY_HASH = 119,
    VORTAN_KEY_NUMPAD_DECIMAL = 120,
    VORTAN_KEY_NUMPAD_DIVIDE = 121,
    VORTAN_KEY_NUMPAD_MULTIPLY = 122,
    VORTAN_KEY_NUMPAD_ADD = 123,
    VORTAN_KEY_NUMPAD_SUBTRACT = 124,
    VORTAN_KEY_NUMPAD_ENTER = 125,
    VORTAN_KEY_PAUSE = 126,
    VORTAN_KEY_MENU = 127,
    VORTAN_KEY_SEARCH = 128,
    VORTAN_KEY_CAMERA = 129,
    VORTAN_KEY_BACKSPACE = 130,

    VORTAN_KEY_COUNT = 131,
    VORTAN_KEY_NONE = 255
};

// Engine key code of an X keysym, or VORTAN_KEY_NONE (255) for every keysym without one.
int KeyFromXKeysym(unsigned long keysym);

// The X keysym of the phone's Back key (XF86XK_Back). A desktop keyboard has none: the
// application delivers Escape to OnKeyDown as this keysym (VortanApplication_Events.cpp).
constexpr unsigned long VORTAN_XKEYSYM_BACK = 0x1008FF26ul;

// Engine key code of a key as OnKeyDown delivers it: the device's own keys first (the Back key
// gives VORTAN_KEY_BACK), then the keysym table of KeyFromXKeysym.
int KeyFromDeviceKeysym(unsigned long keysym);

// Display name of an engine key code as 8-bit text; "Unknown key" for codes without a name
// (including every code from 131 up and negative codes).
const char* VortanKeyName(int code);
