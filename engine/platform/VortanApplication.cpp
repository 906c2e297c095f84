// IVortanApplication: construction and destruction, the display connection, the event loop,
// shutdown and the default handlers (the other concerns are in VortanApplication_*.cpp).
#include "engine/platform/VortanApplication.h"

#include <locale.h>
#include <string.h>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
// GTK 2 headers use GLib types that newer GLib marks deprecated.
#define GLIB_DISABLE_DEPRECATION_WARNINGS
#include <gtk/gtk.h>

#include "engine/VortanRunnable.h"
#include "engine/VortanThread.h"
#include "engine/graphics/VortanGraphicsExt_GLES2.h"
#include "engine/graphics/VortanSurface.h"

// --- construction -----------------------------------------------------------------------------

IVortanApplication::IVortanApplication()
    : m_frameDelta(1e-5f), m_display(nullptr), m_screen(0), m_window(0), m_wmDeleteWindow(0),
      m_gc(nullptr), m_createEventMask(0), m_graphicsExt(nullptr), m_backBuffer(nullptr),
      m_shmImage(nullptr), m_shmId(-1), m_shmAddress(nullptr), m_shmAttached(0), m_present(nullptr),
      m_engineMadeWindow(0), m_running(0), m_active(0), m_created(0), m_buttonMask(0),
      m_pointerX(0), m_pointerY(0), m_pacingMode(0), m_pacingMs(10), m_lastInputMs(0), m_idle(0),
      m_palette(nullptr), m_paletteLookup(nullptr)
{
    m_backBuffer = new CVortanSurface();
    InitPlatform();
    m_graphicsExt = new CVortanGraphicsExt_GLES2();
}

IVortanApplication::~IVortanApplication()
{
    Shutdown();
    FreeBackBufferImage();
    if (m_display) {
        XCloseDisplay(m_display);
        m_display = nullptr;
    }
    delete m_graphicsExt;
    m_graphicsExt = nullptr;
    if (m_backBuffer) {
        m_backBuffer->Release();
        delete m_backBuffer;
        m_backBuffer = nullptr;
    }
    m_frameTimer.Stop();
}

void IVortanApplication::InitPlatform()
{
    memset(&m_settings, 0, sizeof(m_settings));
    m_clientRect.Set(0, 0, 0, 0);
    m_windowRect.Set(0, 0, 0, 0);
    m_running = 0;
    m_active = 0;
    m_created = 0;
    m_engineMadeWindow = 0;
    memset(m_keys, 0, sizeof(m_keys));
    m_buttonMask = 0;
    m_pointerX = 0;
    m_pointerY = 0;
    m_frameDelta = 1e-5f;
    m_pacingMode = 0;
    m_pacingMs = 10;
    m_present = nullptr;
    m_palette = nullptr;
    m_paletteLookup = nullptr;

    // GTK is only needed for dialogs and text; without a display it stays uninitialised
    // rather than ending the process. Numbers keep the C format whatever the user's locale.
    gtk_init_check(nullptr, nullptr);
    setlocale(LC_NUMERIC, "C");

    m_display = XOpenDisplay(nullptr);
    if (m_display) {
        m_screen = DefaultScreen(m_display);
        // Typed characters are 8-bit Latin-1 whatever the locale's encoding (a UTF-8 locale
        // would otherwise hand over the first byte of a multibyte sequence).
        XkbSetXlibControls(m_display, XkbLC_ForceLatin1Lookup, XkbLC_ForceLatin1Lookup);
    }
}

void IVortanApplication::Notify() {}

void IVortanApplication::GetDefaultSettings(CVortanWindowSettings* settings)
{
    if (!settings)
        return;
    settings->width = 800;
    settings->height = 480;
    settings->pixelFormat = VORTAN_PIXEL_ABGR8888;
    settings->reserved = 0;
    settings->windowed = 0;
    settings->flags = 0;
}

void IVortanApplication::GetDisplayModes(CVortanPtrArray* list)
{
    if (!list)
        return;
    CVortanWindowSettings* mode = new CVortanWindowSettings;
    GetDefaultSettings(mode);
    list->Add(mode);
    if (m_display) {
        mode = new CVortanWindowSettings;
        GetDefaultSettings(mode);
        mode->width = XDisplayWidth(m_display, m_screen);
        mode->height = XDisplayHeight(m_display, m_screen);
        list->Add(mode);
    }
}

void IVortanApplication::ReplaceGraphicsExt(IVortanGraphicsExt* ext)
{
    if (ext == m_graphicsExt)
        return;
    if (m_graphicsExt) {
        m_graphicsExt->Close();
        delete m_graphicsExt;
    }
    m_graphicsExt = ext;
}

IVortanGraphicsContext* IVortanApplication::GetGraphics() const
{
    if (m_graphicsExt)
        return m_graphicsExt;
    return m_backBuffer;
}

// --- event loop -------------------------------------------------------------------------------

int IVortanApplication::Run()
{
    if (!m_display)
        return 0;
    m_running = 1;
    while (m_running) {
        while (XPending(m_display) == 0) {
            if (!m_running)
                return 0;
            if (m_active) {
                Frame();
            } else {
                // In the background (focus lost, screen off) nothing changes on the window: the
                // last picture is shown again and the loop wakes only every 2 s to look for
                // events, so an inactive program costs next to no battery, and focus coming back
                // is noticed within 2 s.
                if (m_graphicsExt)
                    m_graphicsExt->Present();
                else if (m_present)
                    (this->*m_present)();
                SleepMs(2000);
            }
            if (!m_running)
                return 0;
        }
        XEvent event;
        XNextEvent(m_display, &event);
        HandleXEvent(&event);
    }
    return 0;
}

void IVortanApplication::SleepMs(int ms)
{
    VortanSleep(ms);
}

// --- shutdown ---------------------------------------------------------------------------------

void IVortanApplication::Shutdown()
{
    m_created = 0;
    if (m_active)
        Deactivate();
    if (m_graphicsExt) {
        m_graphicsExt->Close();
        delete m_graphicsExt;
        m_graphicsExt = nullptr;
    }
    m_present = nullptr;
    if (m_backBuffer)
        m_backBuffer->Release();
    if (m_window) {
        m_running = 0;
        FreeBackBufferImage();
    }
    m_window = 0;
    memset(&m_settings, 0, sizeof(m_settings));
    delete[] m_palette;
    m_palette = nullptr;
    delete[] m_paletteLookup;
    m_paletteLookup = nullptr;
    for (int i = 0; i < m_timers.GetCount(); ++i)
        delete (CVortanTimerRecord*)m_timers.GetAt(i);
    m_timers.RemoveAll();
    for (int i = 0; i < m_runnables.GetCount(); ++i) {
        IVortanRunnable* runnable = (IVortanRunnable*)m_runnables.GetAt(i);
        if (runnable)
            runnable->SetAttached(0);
    }
    m_runnables.RemoveAll();
}

void IVortanApplication::Quit()
{
    if (m_engineMadeWindow) {
        if (m_active)
            Deactivate();
        OnExit();
        Shutdown();
        m_running = 0;
    } else {
        OnExit();
        Shutdown();
    }
}

// --- default handlers ---------------------------------------------------------------------------

void IVortanApplication::OnPointerDown(int, int, int) {}
void IVortanApplication::OnPointerDownUnit(int, const CVortanVector2&) {}
void IVortanApplication::OnPointerMove(int, int, int) {}
void IVortanApplication::OnPointerMoveUnit(int, const CVortanVector2&) {}
void IVortanApplication::OnPointerUp(int, int, int) {}
void IVortanApplication::OnPointerUpUnit(int, const CVortanVector2&) {}
int IVortanApplication::OnCreate()
{
    return VORTAN_OK;
}
void IVortanApplication::OnExit() {}
void IVortanApplication::OnKeyDown(int) {}
void IVortanApplication::OnChar(unsigned short) {}
void IVortanApplication::OnTimer(int) {}
