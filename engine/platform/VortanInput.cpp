// CVortanInput: the input devices of the application.
#include "engine/platform/VortanInput.h"

#include <new>

#include "engine/VortanPtrArray.h"
#include "engine/platform/VortanApplication.h"
#include "engine/platform/VortanKeys.h"

namespace {

void AddDevice(CVortanPtrArray* list, const char* name)
{
    if (!list)
        return;
    CVortanInputDeviceDesc* device = new (std::nothrow) CVortanInputDeviceDesc();
    if (!device)
        return;
    device->name = name;
    if (list->Add(device) != VORTAN_OK)
        delete device;
}

} // namespace

CVortanInput::CVortanInput() : m_window(0), m_flag(0), m_application(nullptr) {}

CVortanInput::~CVortanInput() {}

int CVortanInput::Init(IVortanApplication* application)
{
    m_application = application;
    m_window = application ? application->GetWindow() : 0;
    m_flag = 0;
    return VORTAN_OK;
}

void CVortanInput::EnumerateKeyboards(CVortanPtrArray* list)
{
    AddDevice(list, "VortanInput keyboard device.");
}

void CVortanInput::EnumeratePointers(CVortanPtrArray* list)
{
    AddDevice(list, "VortanInput mouse/stylus device.");
}

void CVortanInput::ClearDeviceList(CVortanPtrArray* list)
{
    if (!list)
        return;
    for (int i = 0; i < list->GetCount(); ++i)
        delete (CVortanInputDeviceDesc*)list->GetAt(i);
    list->RemoveAll();
}

void CVortanInput::GetKeyName(int code, CVortanString& name)
{
    name = VortanKeyName(code);
}
