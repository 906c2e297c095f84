// Engine key codes: the keysym translation (with the device's Back key), the display names and
// the input devices.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "engine/VortanPtrArray.h"
#include "engine/platform/VortanInput.h"
#include "engine/platform/VortanKeys.h"

// Xlib's macros (None, Bool, ...) clash with other headers: it comes last.
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

// The keysym names (as Xlib spells them) and the engine code each must give.
const std::map<std::string, int>& ExpectedCodes()
{
    static std::map<std::string, int> table;
    if (!table.empty())
        return table;
    const char* arrows[] = {"Left", "Up", "Right", "Down"};
    for (int i = 0; i < 4; ++i)
        table[arrows[i]] = i;
    table["Return"] = 4;
    table["KP_Enter"] = 4;
    for (char c = 'a'; c <= 'z'; ++c)
        table[std::string(1, c)] = 15 + (c - 'a');
    for (char c = '1'; c <= '9'; ++c)
        table[std::string(1, c)] = 41 + (c - '1');
    table["0"] = 50;
    for (int f = 1; f <= 24; ++f)
        table["F" + std::to_string(f)] = 50 + f;
    const char* run75[] = {"Escape",  "space",     nullptr, "Control_L", "Control_R", "Shift_L",
                           "Shift_R", "Caps_Lock", "comma", "period",    "Tab",       "Home",
                           "End",     "Prior",     "Next",  "minus"};
    for (int i = 0; i < 16; ++i)
        if (run75[i])
            table[run75[i]] = 75 + i;
    table["Num_Lock"] = 96;
    table["Scroll_Lock"] = 97;
    for (int d = 1; d <= 9; ++d)
        table["KP_" + std::to_string(d)] = 97 + d;
    const char* pad[] = {"KP_End",   "KP_Down", "KP_Next", "KP_Left", "KP_Begin",
                         "KP_Right", "KP_Home", "KP_Up",   "KP_Prior"};
    for (int i = 0; i < 9; ++i)
        table[pad[i]] = 98 + i;
    const char* run107[] = {"KP_0", "Alt_L", "Alt_R", "Insert", "Delete", "Hyper_R"};
    for (int i = 0; i < 6; ++i)
        table[run107[i]] = 107 + i;
    const char* run120[] = {"KP_Decimal",  "KP_Divide", "KP_Multiply", "KP_Add",
                            "KP_Subtract", "KP_Equal",  "Pause"};
    for (int i = 0; i < 7; ++i)
        table[run120[i]] = 120 + i;
    table["KP_Insert"] = 107;
    table["KP_Delete"] = table["KP_Separator"] = 120;
    table["BackSpace"] = 130;
    return table;
}

} // namespace

TEST(KeyFromXKeysym, EveryListedKeysymGivesItsCode)
{
    for (const auto& [name, code] : ExpectedCodes()) {
        KeySym sym = XStringToKeysym(name.c_str());
        ASSERT_NE(sym, (KeySym)NoSymbol) << name;
        EXPECT_EQ(KeyFromXKeysym(sym), code) << name;
    }
}

TEST(KeyFromXKeysym, EveryOtherKeysymIsNoKey)
{
    std::map<unsigned long, int> listed;
    for (const auto& [name, code] : ExpectedCodes())
        listed[XStringToKeysym(name.c_str())] = code;
    // All of Latin-1, the function and keypad page, and some keysyms far outside.
    int mapped = 0;
    for (unsigned long sym = 0; sym <= 0xffff; ++sym) {
        int code = KeyFromXKeysym(sym);
        if (listed.count(sym)) {
            ++mapped;
            continue;
        }
        EXPECT_EQ(code, 255) << std::hex << sym;
    }
    EXPECT_EQ(mapped, (int)listed.size());
    for (unsigned long sym : {0x1000000ul, 0x10000e9ul, 0x1008ff11ul, ~0ul})
        EXPECT_EQ(KeyFromXKeysym(sym), 255) << std::hex << sym;
}

TEST(KeyFromDeviceKeysym, TheBackKeyBesideTheKeysymTable)
{
    // The phone's Back key, by its X name: the Back code, which the keysym table never gives.
    const KeySym back = XStringToKeysym("XF86Back");
    ASSERT_NE(back, (KeySym)NoSymbol);
    EXPECT_EQ(back, VORTAN_XKEYSYM_BACK);
    EXPECT_EQ(KeyFromDeviceKeysym(back), 77);
    EXPECT_EQ(KeyFromXKeysym(back), 255);
    // Every other key as the table gives it: Escape stays Esc.
    for (const auto& [name, code] : ExpectedCodes())
        EXPECT_EQ(KeyFromDeviceKeysym(XStringToKeysym(name.c_str())), code) << name;
    for (unsigned long sym : {0ul, 77ul, 0x1008ff11ul, back + 1, ~0ul})
        EXPECT_EQ(KeyFromDeviceKeysym(sym), 255) << std::hex << sym;
}

TEST(KeyNames, EdgesOfEachRunAndUnknownCodes)
{
    // The first and last code of every run of names, the doubled name and the gap.
    const int codes[] = {0,  4,  5,  14, 15,  40,  41,  49,  50,  51,  65,  66,  74,   75, 77,
                         94, 95, 97, 98, 106, 107, 118, 119, 126, 130, 131, 255, 1000, -1};
    const char* names[] = {"ARROW LEFT",  "ENTER",       "DEVICE0",     "DEVICE9",     "A",
                           "Z",           "1",           "9",           "0",           "F1",
                           "F15",         "Unknown key", "Unknown key", "Esc",         "Back",
                           "\\",          "\\",          "SCROLL LOCK", "NUMPAD 1",    "NUMPAD 9",
                           "NUMPAD 0",    "*",           "#",           "PAUSE/BREAK", "Backspace",
                           "Unknown key", "Unknown key", "Unknown key", "Unknown key"};
    static_assert(sizeof(codes) / sizeof(codes[0]) == sizeof(names) / sizeof(names[0]), "pairs");
    for (size_t i = 0; i < sizeof(codes) / sizeof(codes[0]); ++i) {
        CVortanString text;
        CVortanInput::GetKeyName(codes[i], text);
        EXPECT_EQ(VortanBytesOf(text), names[i]) << codes[i];
    }
}

TEST(InputDevices, EnumerateAndClear)
{
    CVortanInput input;
    EXPECT_EQ(input.Init(nullptr), VORTAN_OK);
    CVortanPtrArray list;
    input.EnumerateKeyboards(&list);
    input.EnumeratePointers(&list);
    input.EnumerateKeyboards(nullptr);
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(VortanBytesOf(((CVortanInputDeviceDesc*)list.GetAt(1))->name),
              "VortanInput mouse/stylus device.");
    CVortanInput::ClearDeviceList(&list);
    EXPECT_EQ(list.GetCount(), 0);
    CVortanInput::ClearDeviceList(nullptr);
}
