// IVortanApplication: the top-level X window (creation, properties, geometry) and its set-up
// with the graphics, and resizing.
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <string>

#include "engine/graphics/VortanGraphicsExt.h"
#include "engine/graphics/VortanSurface.h"
#include "engine/platform/VortanApplication.h"
#include "engine/platform/VortanExitStatus.h"

namespace {

// Event masks of the fullscreen and the windowed window.
const long kFullscreenEventMask = KeyPressMask | KeyReleaseMask | ButtonPressMask |
                                  ButtonReleaseMask | PointerMotionMask | ExposureMask |
                                  VisibilityChangeMask | StructureNotifyMask |
                                  SubstructureNotifyMask | FocusChangeMask | PropertyChangeMask;
const long kWindowedEventMask = kFullscreenEventMask & ~PropertyChangeMask;

const char kWindowClass[] = "VortanEngineApp";

// Says why there is no display connection.
void ReportNoDisplay()
{
    const char* name = getenv("DISPLAY");
    if (!name)
        VortanReportFailure(VORTAN_EXIT_NO_DISPLAY, "no X display: DISPLAY is not set");
    else if (!name[0])
        VortanReportFailure(VORTAN_EXIT_NO_DISPLAY, "no X display: DISPLAY is empty");
    else
        VortanReportFailure(VORTAN_EXIT_NO_DISPLAY, "cannot open the X display \"%s\"", name);
}

// VORTAN_E_ARGUMENT without settings; VORTAN_E_FAIL, saying why, without a display connection.
int WindowCallReady(const CVortanWindowSettings* settings, Display* display)
{
    if (!settings)
        return VORTAN_E_ARGUMENT;
    if (!display) {
        ReportNoDisplay();
        return VORTAN_E_FAIL;
    }
    return VORTAN_OK;
}

// The process id on the window (_NET_WM_PID) with the machine it runs on (WM_CLIENT_MACHINE,
// which the window-manager conventions require beside it): window managers use them to
// end an unresponsive program and task lists to name its process.
void SetProcessProperties(Display* display, Window window)
{
    Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    long pid = (long)getpid();
    XChangeProperty(display, window, pidAtom, XA_CARDINAL, 32, PropModeReplace,
                    (const unsigned char*)&pid, 1);
    char host[256];
    if (gethostname(host, sizeof(host) - 1) == 0) {
        host[sizeof(host) - 1] = 0;
        XChangeProperty(display, window, XA_WM_CLIENT_MACHINE, XA_STRING, 8, PropModeReplace,
                        (const unsigned char*)host, (int)strlen(host));
    }
}

} // namespace

void IVortanApplication::SetAppName(const CVortanString& name)
{
    m_appName = name;
    if (m_display && m_window) {
        std::string text = VortanBytesOf(m_appName);
        XSetStandardProperties(m_display, m_window, text.c_str(), text.c_str(), None, nullptr, 0,
                               nullptr);
        XStoreName(m_display, m_window, text.c_str());
    }
}

int IVortanApplication::CreateWindow(void* platform, const CVortanWindowSettings* settings)
{
    (void)platform;
    int result = WindowCallReady(settings, m_display);
    if (result != VORTAN_OK)
        return result;
    if (m_appName.IsEmpty())
        SetAppName(CVortanString("VortanApplication"));

    CVortanWindowSettings s = *settings;
    Window root = RootWindow(m_display, m_screen);
    std::string name = VortanBytesOf(m_appName);
    // Interned unconditionally: a protocol atom that is None would make every ClientMessage
    // whose first word is 0 look like a close request.
    m_wmDeleteWindow = XInternAtom(m_display, "WM_DELETE_WINDOW", False);
    Window window;
    XSetWindowAttributes attributes;
    memset(&attributes, 0, sizeof(attributes));

    if (s.windowed == 0) {
        m_createEventMask = kFullscreenEventMask;
        attributes.event_mask = kFullscreenEventMask;
        window =
            XCreateWindow(m_display, root, 0, 0, (unsigned)s.width, (unsigned)s.height, 0,
                          CopyFromParent, InputOutput, CopyFromParent, CWEventMask, &attributes);
    } else {
        m_createEventMask = kWindowedEventMask;
        attributes.event_mask = kWindowedEventMask;
        attributes.border_pixel = BlackPixel(m_display, m_screen);
        attributes.colormap = DefaultColormap(m_display, m_screen);
        window = XCreateWindow(m_display, root, 0, 0, (unsigned)s.width, (unsigned)s.height, 0,
                               DefaultDepth(m_display, m_screen), InputOutput,
                               DefaultVisual(m_display, m_screen),
                               CWBorderPixel | CWEventMask | CWColormap, &attributes);
    }
    if (!window) {
        VortanReportFailure(VORTAN_EXIT_GRAPHICS, "cannot create the window");
        return VORTAN_E_FAIL;
    }
    XChangeProperty(m_display, window, XA_WM_CLASS, XA_STRING, 8, PropModeReplace,
                    (const unsigned char*)kWindowClass, 15);
    XSetWMProtocols(m_display, window, (Atom*)&m_wmDeleteWindow, 1);
    if (s.windowed == 0) {
        Atom fullscreen = XInternAtom(m_display, "_NET_WM_STATE_FULLSCREEN", True);
        if (fullscreen != None) {
            Atom wmState = XInternAtom(m_display, "_NET_WM_STATE", False);
            XChangeProperty(m_display, window, wmState, XA_ATOM, 32, PropModeReplace,
                            (const unsigned char*)&fullscreen, 1);
            XStoreName(m_display, window, name.c_str());
            XEvent message;
            memset(&message, 0, sizeof(message));
            message.xclient.type = ClientMessage;
            message.xclient.window = window;
            message.xclient.message_type = wmState;
            message.xclient.format = 32;
            message.xclient.data.l[0] = 1; // add
            message.xclient.data.l[1] = (long)fullscreen;
            XSendEvent(m_display, root, False, SubstructureNotifyMask, &message);
        }
    } else {
        XSetStandardProperties(m_display, window, name.c_str(), name.c_str(), None, nullptr, 0,
                               nullptr);
        XMapRaised(m_display, window);
    }

    SetProcessProperties(m_display, window);
    XMapWindow(m_display, window);
    XWMHints hints;
    memset(&hints, 0, sizeof(hints));
    hints.flags = InputHint;
    hints.input = True;
    XSetWMHints(m_display, window, &hints);
    m_gc = DefaultGC(m_display, m_screen);

    if (s.windowed == 0) {
        Atom nonComposited = XInternAtom(m_display, "_HILDON_NON_COMPOSITED_WINDOW", True);
        if (nonComposited != None) {
            long one = 1;
            XChangeProperty(m_display, window, nonComposited, XA_INTEGER, 32, PropModeReplace,
                            (const unsigned char*)&one, 1);
        }
    }

    s.flags |= VORTAN_WINDOW_ENGINE_MADE;
    m_engineMadeWindow = 1;
    return InitWindow(platform, &s, window);
}

void IVortanApplication::ReadGeometry(int fullscreen)
{
    Window root;
    int x = 0, y = 0;
    unsigned int width = 0, height = 0, border = 0, depth = 0;
    if (!m_display || !m_window ||
        !XGetGeometry(m_display, m_window, &root, &x, &y, &width, &height, &border, &depth)) {
        width = (unsigned)m_settings.width;
        height = (unsigned)m_settings.height;
        x = y = 0;
    }
    if (fullscreen) {
        m_clientRect.Set(0, 0, m_settings.width, m_settings.height);
        m_windowRect.Set(0, 0, m_settings.width, m_settings.height);
    } else {
        m_clientRect.Set(0, 0, (int)width, (int)height);
        m_windowRect.Set(x, y, x + (int)width, y + (int)height);
    }
}

int IVortanApplication::InitWindow(void* platform, const CVortanWindowSettings* settings,
                                   unsigned long window)
{
    (void)platform;
    int result = WindowCallReady(settings, m_display);
    if (result != VORTAN_OK)
        return result;
    m_settings = *settings;
    m_window = window;
    if (m_appName.IsEmpty() && (m_settings.flags & VORTAN_WINDOW_ENGINE_MADE))
        SetAppName(CVortanString("VortanEngine"));

    ReadGeometry(m_settings.windowed == 0);

    if (m_graphicsExt) {
        result = m_graphicsExt->Create(m_window);
        if (result == VORTAN_OK)
            result = m_graphicsExt->Resize(m_settings.width, m_settings.height);
    } else {
        result = CreateBackBuffer(m_settings.pixelFormat ? m_settings.pixelFormat : 7);
    }
    if (result != VORTAN_OK) {
        if (m_graphicsExt)
            VortanReportFailure(VORTAN_EXIT_GRAPHICS,
                                "cannot set up OpenGL ES 2.0 on the window (code %d)", result);
        else
            VortanReportFailure(VORTAN_EXIT_GRAPHICS,
                                "cannot set up the window's shared-memory picture (code %d)",
                                result);
        return result;
    }

    if (m_settings.flags & VORTAN_WINDOW_ENGINE_MADE) {
        IVortanGraphicsContext* graphics = GetGraphics();
        if (graphics && graphics->GetPixelFormat() == VORTAN_PIXEL_PALETTE8)
            SetPalette(nullptr);
        result = OnCreate();
        if (result != VORTAN_OK) {
            // The application says what failed; a failure it left unsaid is still told.
            if (VortanGetExitStatus() == VORTAN_EXIT_OK)
                VortanReportFailure(VORTAN_EXIT_FAILURE,
                                    "the application could not be set up (code %d)", result);
            OnExit();
            Shutdown();
            return result;
        }
    }

    m_frameTimer.Start();
    SeedRandom();
    m_created = 1;
    IVortanApplication::SetActive(true);
    return VORTAN_OK;
}

int IVortanApplication::OnResize(int width, int height)
{
    Window root;
    int x = 0, y = 0;
    unsigned int w = 0, h = 0, border = 0, depth = 0;
    if (m_display && m_window &&
        XGetGeometry(m_display, m_window, &root, &x, &y, &w, &h, &border, &depth)) {
        m_clientRect.Set(0, 0, (int)w, (int)h);
        m_windowRect.Set(x, y, x + (int)w, y + (int)h);
    }
    if (m_graphicsExt)
        return m_graphicsExt->Resize(width, height);
    m_settings.width = width;
    m_settings.height = height;
    int format = m_backBuffer->GetPixelFormat();
    if (format == VORTAN_PIXEL_DISPLAY)
        format = m_settings.pixelFormat ? m_settings.pixelFormat : VORTAN_PIXEL_ABGR8888;
    return CreateBackBuffer(format);
}
