// IVortanApplication: construction and destruction, the display connection, the event loop,
// shutdown and the default handlers (the other concerns are in VortanApplication_*.cpp).
#include "engine/platform/VortanApplication.h"

#include <locale.h>
#include <signal.h>
#include <string.h>
#include <unistd.h>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
// GTK 2 headers use GLib types that newer GLib marks deprecated.
#define GLIB_DISABLE_DEPRECATION_WARNINGS
#include <gtk/gtk.h>

#include "engine/VortanRunnable.h"
#include "engine/VortanThread.h"
#include "engine/graphics/VortanGraphicsExt_GLES2.h"
#include "engine/graphics/VortanSurface.h"
#include "engine/platform/VortanExitStatus.h"

#include <atomic>

namespace {

// --- stop signals -----------------------------------------------------------------------------

// The last stop signal received and not yet acted on, 0 for none. Written by the signal
// handler, which may run on any of the process's threads; the event loop takes it.
std::atomic<int> g_stopSignal(0);
static_assert(std::atomic<int>::is_always_lock_free, "the stop flag is set in a signal handler");

extern "C" void OnStopSignal(int signal)
{
    g_stopSignal.store(signal);
}

const int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};
const int kStopSignalCount = (int)(sizeof(kStopSignals) / sizeof(kStopSignals[0]));

// The stop signals' handler, from the construction of the application to its destruction
// (a signal during the start-up ends the event loop as soon as it starts); the previous
// dispositions come back after it. A signal that the process was started to ignore (nohup, a
// shell's background job) stays ignored.
struct sigaction g_previousActions[kStopSignalCount];
bool g_installed[kStopSignalCount];
int g_stopSignalUsers = 0;

void InstallStopSignals()
{
    if (g_stopSignalUsers++ > 0)
        return;
    g_stopSignal.store(0);
    struct sigaction action;
    memset(&action, 0, sizeof(action));
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < kStopSignalCount; ++i) {
        g_installed[i] = false;
        if (sigaction(kStopSignals[i], nullptr, &g_previousActions[i]) != 0 ||
            g_previousActions[i].sa_handler == SIG_IGN)
            continue;
        g_installed[i] = sigaction(kStopSignals[i], &action, nullptr) == 0;
    }
}

void RestoreStopSignals()
{
    if (g_stopSignalUsers <= 0 || --g_stopSignalUsers > 0)
        return;
    for (int i = 0; i < kStopSignalCount; ++i) {
        if (g_installed[i])
            sigaction(kStopSignals[i], &g_previousActions[i], nullptr);
        g_installed[i] = false;
    }
}

// --- X errors ---------------------------------------------------------------------------------

// The application that owns the display connection (one per process); the Xlib handlers are
// process-wide.
IVortanApplication* g_xApplication = nullptr;
XErrorHandler g_previousErrorHandler = nullptr;

// Requests that name the window after someone else destroyed it (a present before the
// DestroyNotify is handled, the shutdown's own requests) fail harmlessly: the program is
// ending anyway. Every other error goes to the handler that was there before (Xlib's or
// GTK's).
int OnXError(Display* display, XErrorEvent* error)
{
    IVortanApplication* application = g_xApplication;
    if (application && error->resourceid != 0) {
        bool destroyed = error->resourceid == application->GetDestroyedWindow();
        bool gone = error->resourceid == application->GetWindow() &&
                    (error->error_code == BadWindow || error->error_code == BadDrawable);
        if (destroyed || gone)
            return 0;
    }
    if (g_previousErrorHandler)
        return g_previousErrorHandler(display, error);
    return 0;
}

// The connection to the X server is gone. Xlib does not let this handler return (it ends the
// process when it does), and unwinding out of it with a long jump would leave Xlib, the GL
// driver and the program's own objects half-way through whatever they were doing. So the
// program says what happened, lets the application keep what the user would lose (its
// settings: OnDisplayLost makes no X, GL or EGL call) and ends at once with _exit, without
// the normal shutdown's X and GL work (which would only fail on the dead connection) and
// without the libraries' exit handlers, which may touch the connection again. The kernel
// releases the single-instance lock and every other resource of the process.
int OnXIOError(Display* display)
{
    const char* name = display ? DisplayString(display) : nullptr;
    VortanPrintError("lost the connection to the X display \"%s\"", name ? name : "");
    IVortanApplication* application = g_xApplication;
    g_xApplication = nullptr;
    if (application)
        application->OnDisplayLost();
    _exit(VORTAN_EXIT_DISPLAY_LOST);
}

} // namespace

// --- construction -----------------------------------------------------------------------------

IVortanApplication::IVortanApplication()
    : m_frameDelta(1e-5f), m_display(nullptr), m_screen(0), m_window(0), m_destroyedWindow(0),
      m_wmDeleteWindow(0), m_gc(nullptr), m_createEventMask(0), m_graphicsExt(nullptr),
      m_backBuffer(nullptr), m_shmImage(nullptr), m_shmId(-1), m_shmAddress(nullptr),
      m_shmAttached(0), m_present(nullptr), m_engineMadeWindow(0), m_running(0), m_active(0),
      m_created(0), m_buttonMask(0), m_pointerX(0), m_pointerY(0), m_pacingMode(0), m_pacingMs(10),
      m_lastInputMs(0), m_idle(0), m_palette(nullptr), m_paletteLookup(nullptr)
{
    m_backBuffer = new CVortanSurface();
    InstallStopSignals();
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
    if (g_xApplication == this)
        g_xApplication = nullptr;
    RestoreStopSignals();
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
        // After GTK's set-up, which installs handlers of its own that end the process.
        XErrorHandler previous = XSetErrorHandler(OnXError);
        if (previous != OnXError)
            g_previousErrorHandler = previous;
        XSetIOErrorHandler(OnXIOError);
        g_xApplication = this;
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
        return VortanGetExitStatus();
    m_running = 1;
    while (m_running) {
        if (g_stopSignal.exchange(0) != 0) {
            // Asked to end (SIGTERM, SIGINT, SIGHUP): the same way out as a close.
            CloseAsRequested();
            break;
        }
        // All pending events are handled, one per pass, before the next frame runs.
        if (XPending(m_display) != 0) {
            XEvent event;
            XNextEvent(m_display, &event);
            HandleXEvent(&event);
            continue;
        }
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
    }
    return VortanGetExitStatus();
}

void IVortanApplication::SleepMs(int ms)
{
    // In short slices: a stop signal may be taken by another thread and then does not
    // interrupt this one's sleep.
    const int kSlice = 50;
    while (ms > 0 && !g_stopSignal.load()) {
        int slice = ms < kSlice ? ms : kSlice;
        VortanSleep(slice);
        ms -= slice;
    }
}

void IVortanApplication::OnDisplayLost() {}

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

void IVortanApplication::CloseAsRequested()
{
    Deactivate();
    OnExit();
    Shutdown();
    m_running = 0;
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
