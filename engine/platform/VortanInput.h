// CVortanInput: the input devices of the application (keyboard and pointer) and the
// display names of the engine key codes.
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTimer.h"
#include "engine/VortanTypes.h"

class CVortanPtrArray;
class IVortanApplication;

// One input device as listed by the enumeration operations.
struct CVortanInputDeviceDesc {
    CVortanInputDeviceDesc() : reserved{0, 0, 0, 0, 0, 0} {}
    CVortanString name;
    u32 reserved[6];
};

class CVortanInput {
public:
    CVortanInput();
    virtual ~CVortanInput();

    // Keeps the application and its window. Returns VORTAN_OK.
    int Init(IVortanApplication* application);

    // Appends one new device description ("VortanInput keyboard device.", respectively
    // "VortanInput mouse/stylus device.") to the list; a null list does nothing.
    void EnumerateKeyboards(CVortanPtrArray* list);
    void EnumeratePointers(CVortanPtrArray* list);
    // Deletes every description in the list and empties it.
    static void ClearDeviceList(CVortanPtrArray* list);

    // Display name of an engine key code; "Unknown key" for codes without one.
    static void GetKeyName(int code, CVortanString& name);

    IVortanApplication* GetApplication() const { return m_application; }
    unsigned long GetWindow() const { return m_window; }

private:
    CVortanInput(const CVortanInput&) = delete;
    CVortanInput& operator=(const CVortanInput&) = delete;

    CVortanTimer m_timer;
    unsigned long m_window;
    i32 m_flag;
    IVortanApplication* m_application;
};
