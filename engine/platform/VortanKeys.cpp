// Translation of X keysyms to engine key codes, and the display names of the codes.
#include "engine/platform/VortanKeys.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

static_assert(VORTAN_XKEYSYM_BACK == XF86XK_Back, "the Back key's keysym");

int KeyFromDeviceKeysym(unsigned long keysym)
{
    if (keysym == XF86XK_Back)
        return VORTAN_KEY_BACK;
    return KeyFromXKeysym(keysym);
}

int KeyFromXKeysym(unsigned long keysym)
{
    // Lower-case letters and digits form contiguous runs.
    if (keysym >= XK_a && keysym <= XK_z)
        return VORTAN_KEY_A + (int)(keysym - XK_a);
    if (keysym >= XK_1 && keysym <= XK_9)
        return VORTAN_KEY_1 + (int)(keysym - XK_1);
    if (keysym >= XK_F1 && keysym <= XK_F24)
        return VORTAN_KEY_F1 + (int)(keysym - XK_F1);
    if (keysym >= XK_KP_1 && keysym <= XK_KP_9)
        return VORTAN_KEY_NUMPAD1 + (int)(keysym - XK_KP_1);

    switch (keysym) {
    case XK_Left:
        return VORTAN_KEY_LEFT;
    case XK_Up:
        return VORTAN_KEY_UP;
    case XK_Right:
        return VORTAN_KEY_RIGHT;
    case XK_Down:
        return VORTAN_KEY_DOWN;
    case XK_Return:
    case XK_KP_Enter:
        return VORTAN_KEY_ENTER;
    case XK_0:
        return VORTAN_KEY_0;
    case XK_Escape:
        return VORTAN_KEY_ESCAPE;
    case XK_space:
        return VORTAN_KEY_SPACE;
    case XK_Control_L:
        return VORTAN_KEY_LCONTROL;
    case XK_Control_R:
        return VORTAN_KEY_RCONTROL;
    case XK_Shift_L:
        return VORTAN_KEY_LSHIFT;
    case XK_Shift_R:
        return VORTAN_KEY_RSHIFT;
    case XK_Caps_Lock:
        return VORTAN_KEY_CAPSLOCK;
    case XK_comma:
        return VORTAN_KEY_COMMA;
    case XK_period:
        return VORTAN_KEY_PERIOD;
    case XK_Tab:
        return VORTAN_KEY_TAB;
    case XK_Home:
        return VORTAN_KEY_HOME;
    case XK_End:
        return VORTAN_KEY_END;
    case XK_Prior:
        return VORTAN_KEY_PAGEUP;
    case XK_Next:
        return VORTAN_KEY_PAGEDOWN;
    case XK_minus:
        return VORTAN_KEY_MINUS;
    case XK_Num_Lock:
        return VORTAN_KEY_NUMLOCK;
    case XK_Scroll_Lock:
        return VORTAN_KEY_SCROLLLOCK;
    // The keypad's navigation keysyms share the codes of the digit keys they sit on.
    case XK_KP_End:
        return VORTAN_KEY_NUMPAD1 + 0;
    case XK_KP_Down:
        return VORTAN_KEY_NUMPAD1 + 1;
    case XK_KP_Next:
        return VORTAN_KEY_NUMPAD1 + 2;
    case XK_KP_Left:
        return VORTAN_KEY_NUMPAD1 + 3;
    case XK_KP_Begin:
        return VORTAN_KEY_NUMPAD1 + 4;
    case XK_KP_Right:
        return VORTAN_KEY_NUMPAD1 + 5;
    case XK_KP_Home:
        return VORTAN_KEY_NUMPAD1 + 6;
    case XK_KP_Up:
        return VORTAN_KEY_NUMPAD1 + 7;
    case XK_KP_Prior:
        return VORTAN_KEY_NUMPAD1 + 8;
    case XK_KP_0:
    case XK_KP_Insert:
        return VORTAN_KEY_NUMPAD0;
    case XK_Alt_L:
        return VORTAN_KEY_LALT;
    case XK_Alt_R:
        return VORTAN_KEY_RALT;
    case XK_Insert:
        return VORTAN_KEY_INSERT;
    case XK_Delete:
        return VORTAN_KEY_DELETE;
    case XK_Hyper_R:
        return VORTAN_KEY_APPS;
    case XK_KP_Decimal:
    case XK_KP_Delete:
    case XK_KP_Separator:
        return VORTAN_KEY_NUMPAD_DECIMAL;
    case XK_KP_Divide:
        return VORTAN_KEY_NUMPAD_DIVIDE;
    case XK_KP_Multiply:
        return VORTAN_KEY_NUMPAD_MULTIPLY;
    case XK_KP_Add:
        return VORTAN_KEY_NUMPAD_ADD;
    case XK_KP_Subtract:
        return VORTAN_KEY_NUMPAD_SUBTRACT;
    case XK_KP_Equal:
        return VORTAN_KEY_NUMPAD_ENTER;
    case XK_Pause:
        return VORTAN_KEY_PAUSE;
    case XK_BackSpace:
        return VORTAN_KEY_BACKSPACE;
    default:
        return VORTAN_KEY_NONE;
    }
}

static const char* const s_keyNames[] = {
    "ARROW LEFT",  "ARROW UP",    "ARROW RIGHT", "ARROW DOWN",  "ENTER",       "DEVICE0",
    "DEVICE1",     "DEVICE2",     "DEVICE3",     "DEVICE4",     "DEVICE5",     "DEVICE6",
    "DEVICE7",     "DEVICE8",     "DEVICE9",     "A",           "B",           "C",
    "D",           "E",           "F",           "G",           "H",           "I",
    "J",           "K",           "L",           "M",           "N",           "O",
    "P",           "Q",           "R",           "S",           "T",           "U",
    "V",           "W",           "X",           "Y",           "Z",           "1",
    "2",           "3",           "4",           "5",           "6",           "7",
    "8",           "9",           "0",           "F1",          "F2",          "F3",
    "F4",          "F5",          "F6",          "F7",          "F8",          "F9",
    "F10",         "F11",         "F12",         "F13",         "F14",         "F15",
    "Unknown key", "Unknown key", "Unknown key", "Unknown key", "Unknown key", "Unknown key",
    "Unknown key", "Unknown key", "Unknown key", "Esc",         "SPACE",       "Back",
    "L CONTROL",   "R CONTROL",   "L SHIFT",     "R SHIFT",     "CAPS LOCK",   ",",
    ".",           "Tab",         "HOME",        "END",         "PAGEUP",      "PAGEDOWN",
    "-",           "=",           "[",           "]",           "\\",          "\\",
    "NUMLOCK",     "SCROLL LOCK", "NUMPAD 1",    "NUMPAD 2",    "NUMPAD 3",    "NUMPAD 4",
    "NUMPAD 5",    "NUMPAD 6",    "NUMPAD 7",    "NUMPAD 8",    "NUMPAD 9",    "NUMPAD 0",
    "L ALT",       "R ALT",       "INSERT",      "DELETE",      "APPS KEY",    "L FUNC",
    "R FUNC",      "'",           "YES",         "NO",          "*",           "#",
    "NUMPAD .",    "NUMPAD /",    "NUMPAD *",    "NUMPAD +",    "NUMPAD -",    "NUMPAD ENTER",
    "PAUSE/BREAK", "Menu",        "Search",      "Camera",      "Backspace",
};
static_assert(sizeof(s_keyNames) / sizeof(s_keyNames[0]) == VORTAN_KEY_COUNT,
              "one name per engine key code");

const char* VortanKeyName(int code)
{
    if (code < 0 || code >= VORTAN_KEY_COUNT)
        return "Unknown key";
    return s_keyNames[code];
}
