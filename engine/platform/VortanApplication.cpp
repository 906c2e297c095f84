#include "engine/platform/VortanApplication.h"

#include <errno.h>
#include <locale.h>
#include <pwd.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <unistd.h>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
// GTK 2 headers use GLib types that newer GLib marks deprecated.
#define GLIB_DISABLE_DEPRECATION_WARNINGS
#include <gtk/gtk.h>

#include <new>
#include <string>

#include "engine/VortanRunnable.h"
#include "engine/VortanThread.h"
#include "engine/graphics/VortanGraphicsExt_GLES2.h"
#include "engine/graphics/VortanSurface.h"
#include "engine/platform/VortanKeys.h"

namespace {

// Event masks of the fullscreen and the windowed window.
const long kFullscreenEventMask = KeyPressMask | KeyReleaseMask | ButtonPressMask |
                                  ButtonReleaseMask | PointerMotionMask | ExposureMask |
                                  VisibilityChangeMask | StructureNotifyMask |
                                  SubstructureNotifyMask | FocusChangeMask | PropertyChangeMask;
const long kWindowedEventMask = kFullscreenEventMask & ~PropertyChangeMask;

const char kWindowClass[] = "VortanEngineApp";

// X errors raised while the back buffer is attached to the server are caught here instead of
// ending the process (a server that cannot reach the segment answers with an error).
int g_xErrorSeen = 0;
int RecordXError(Display*, XErrorEvent*)
{
    g_xErrorSeen = 1;
    return 0;
}

bool IsAsciiAlnum(unsigned int c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Creates every missing directory of an absolute path, one component at a time.
int MakeDirectories(const std::string& path)
{
    if (path.empty())
        return 0;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        std::string part = path.substr(0, pos);
        if (part.empty() || part == "/")
            continue;
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
            return 0;
    }
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

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
    settings->pixelFormat = 7;
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

// --- window -------------------------------------------------------------------------------------

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
    if (!settings)
        return VORTAN_E_ARGUMENT;
    if (!m_display)
        return VORTAN_E_FAIL;
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
        if (!window)
            return VORTAN_E_FAIL;
        XChangeProperty(m_display, window, XA_WM_CLASS, XA_STRING, 8, PropModeReplace,
                        (const unsigned char*)kWindowClass, 15);
        XSetWMProtocols(m_display, window, (Atom*)&m_wmDeleteWindow, 1);
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
        m_createEventMask = kWindowedEventMask;
        attributes.event_mask = kWindowedEventMask;
        attributes.border_pixel = BlackPixel(m_display, m_screen);
        attributes.colormap = DefaultColormap(m_display, m_screen);
        window = XCreateWindow(m_display, root, 0, 0, (unsigned)s.width, (unsigned)s.height, 0,
                               DefaultDepth(m_display, m_screen), InputOutput,
                               DefaultVisual(m_display, m_screen),
                               CWBorderPixel | CWEventMask | CWColormap, &attributes);
        if (!window)
            return VORTAN_E_FAIL;
        XChangeProperty(m_display, window, XA_WM_CLASS, XA_STRING, 8, PropModeReplace,
                        (const unsigned char*)kWindowClass, 15);
        XSetWMProtocols(m_display, window, (Atom*)&m_wmDeleteWindow, 1);
        XSetStandardProperties(m_display, window, name.c_str(), name.c_str(), None, nullptr, 0,
                               nullptr);
        XMapRaised(m_display, window);
    }

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
    if (!settings)
        return VORTAN_E_ARGUMENT;
    if (!m_display)
        return VORTAN_E_FAIL;
    m_settings = *settings;
    m_window = window;
    if (m_appName.IsEmpty() && (m_settings.flags & VORTAN_WINDOW_ENGINE_MADE))
        SetAppName(CVortanString("VortanEngine"));

    ReadGeometry(m_settings.windowed == 0);

    int result;
    if (m_graphicsExt) {
        result = m_graphicsExt->Create(m_window);
        if (result == VORTAN_OK)
            result = m_graphicsExt->Resize(m_settings.width, m_settings.height);
    } else {
        result = CreateBackBuffer(m_settings.pixelFormat ? m_settings.pixelFormat : 7);
    }
    if (result != VORTAN_OK)
        return result;

    if (m_settings.flags & VORTAN_WINDOW_ENGINE_MADE) {
        IVortanGraphicsContext* graphics = GetGraphics();
        if (graphics && graphics->GetPixelFormat() == 1)
            SetPalette(nullptr);
        result = OnCreate();
        if (result != VORTAN_OK) {
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

// --- back buffer ------------------------------------------------------------------------------

void IVortanApplication::FreeBackBufferImage()
{
    // A segment is marked for removal as soon as the server has attached it; one that never
    // got that far is marked here, while its id is certainly still ours.
    if (m_shmId >= 0 && !m_shmAttached)
        shmctl(m_shmId, IPC_RMID, nullptr);
    m_shmId = -1;
    if (m_shmImage) {
        XShmSegmentInfo* info = (XShmSegmentInfo*)m_shmImage->obdata;
        if (m_display && m_shmAttached && info) {
            XShmDetach(m_display, info);
            XSync(m_display, False);
        }
        delete info;
        m_shmImage->obdata = nullptr;
        m_shmImage->data = nullptr; // the pixels are the segment, not Xlib's memory
        XDestroyImage(m_shmImage);
        m_shmImage = nullptr;
    }
    m_shmAttached = 0;
    // The last detach destroys the segment.
    if (m_shmAddress) {
        shmdt(m_shmAddress);
        m_shmAddress = nullptr;
    }
}

int IVortanApplication::CreateBackBuffer(int pixelFormat)
{
    int width = m_clientRect.GetWidth();
    int height = m_clientRect.GetHeight();
    if (width & 1)
        width -= 1;
    if (m_settings.width == 0)
        m_settings.width = width;
    if (m_settings.height == 0)
        m_settings.height = height;
    if (m_settings.flags & VORTAN_WINDOW_HALF_SIZE) {
        width /= 2;
        height /= 2;
    }
    if (m_shmImage && m_backBuffer->GetWidth() == width && m_backBuffer->GetHeight() == height)
        return VORTAN_OK;

    int bytes;
    switch (pixelFormat) {
    case 1:
        bytes = 1;
        break;
    case 2:
    case 3:
    case 4:
        bytes = 2;
        break;
    case 5:
        bytes = 3;
        break;
    case 6:
    case 7:
        bytes = 4;
        break;
    default:
        bytes = 0;
        break;
    }

    // The old image and its segment go before the new ones are made.
    m_present = nullptr;
    m_backBuffer->Release();
    FreeBackBufferImage();

    if (!m_display || width <= 0 || height <= 0 || bytes == 0)
        return VORTAN_E_FAIL;
    if (!XShmQueryExtension(m_display))
        return VORTAN_E_FAIL;
    // The image describes the segment to the X server in the display's own pixel layout,
    // which can be wider than the surface's format: the segment holds whichever is larger,
    // so that neither the surface nor the server reaches past its end.
    XShmSegmentInfo* info = new XShmSegmentInfo;
    memset(info, 0, sizeof(*info));
    info->shmid = -1;
    XImage* image = XShmCreateImage(m_display, DefaultVisual(m_display, m_screen),
                                    (unsigned)DefaultDepth(m_display, m_screen), ZPixmap, nullptr,
                                    info, (unsigned)width, (unsigned)height);
    if (!image) {
        delete info;
        return VORTAN_E_FAIL;
    }
    m_shmImage = image;
    image->obdata = (char*)info;
    size_t size = (size_t)width * (size_t)height * (size_t)bytes;
    size_t imageSize = (size_t)image->bytes_per_line * (size_t)height;
    if (imageSize > size)
        size = imageSize;

    m_shmId = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (m_shmId < 0) {
        FreeBackBufferImage();
        return VORTAN_E_FAIL;
    }
    void* address = shmat(m_shmId, nullptr, 0);
    if (address == (void*)-1) {
        FreeBackBufferImage();
        return VORTAN_E_FAIL;
    }
    m_shmAddress = address;
    memset(address, 0xFF, size);
    info->shmid = m_shmId;
    info->shmaddr = (char*)address;
    info->readOnly = False;
    image->data = (char*)address;

    XSync(m_display, False);
    g_xErrorSeen = 0;
    int (*previous)(Display*, XErrorEvent*) = XSetErrorHandler(RecordXError);
    Status attached = XShmAttach(m_display, info);
    XSync(m_display, False);
    XSetErrorHandler(previous);
    if (!attached || g_xErrorSeen) {
        FreeBackBufferImage();
        return VORTAN_E_FAIL;
    }
    m_shmAttached = 1;
    // The segment disappears with the last detach (also when the process dies).
    shmctl(m_shmId, IPC_RMID, nullptr);

    CVortanSurfaceDesc desc;
    memset(&desc, 0, sizeof(desc));
    desc.width = width;
    desc.height = height;
    desc.pitch = 0; // the surface's own pitch for its format
    desc.pixelFormat = pixelFormat;
    int result = m_backBuffer->CreateOnBuffer(this, &desc, address);
    if (result != VORTAN_OK) {
        FreeBackBufferImage();
        return result;
    }
    m_backBuffer->Clear(0, nullptr);
    m_present = &IVortanApplication::BlitBackBuffer;
    return VORTAN_OK;
}

int IVortanApplication::BlitBackBuffer()
{
    if (!m_display || !m_window || !m_shmImage)
        return VORTAN_E_RANGE;
    XShmPutImage(m_display, m_window, m_gc ? m_gc : DefaultGC(m_display, m_screen), m_shmImage, 0,
                 0, 0, 0, (unsigned)m_backBuffer->GetWidth(), (unsigned)m_backBuffer->GetHeight(),
                 False);
    XSync(m_display, False);
    return VORTAN_OK;
}

int IVortanApplication::RestoreGraphics()
{
    if (m_graphicsExt)
        return m_graphicsExt->Restore();
    return VORTAN_OK;
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

int IVortanApplication::HandleXEvent(XEvent* event)
{
    if (!event)
        return VORTAN_OK;
    ResetIdle();

    switch (event->type) {
    case KeyPress:
        if (m_window) {
            KeySym sym = XLookupKeysym(&event->xkey, 0);
            int code = KeyFromXKeysym(sym);
            if (code >= 0 && code < 256)
                m_keys[code] = VORTAN_KEY_HELD;
            OnKeyDown(sym == XK_KP_Enter ? (int)XK_Return : (int)sym);
            char text[10];
            KeySym ignored;
            int n = XLookupString(&event->xkey, text, (int)sizeof(text), &ignored, nullptr);
            if (n >= 1)
                OnChar((unsigned short)(unsigned char)text[0]);
        }
        break;
    case KeyRelease:
        if (m_window) {
            int code = KeyFromXKeysym(XLookupKeysym(&event->xkey, 0));
            if (code >= 0 && code < 256)
                m_keys[code] = 0;
        } else {
            memset(m_keys, 0, sizeof(m_keys));
        }
        break;
    case ButtonPress:
    case ButtonRelease: {
        CVortanPointerEvent pointer;
        pointer.code = event->type == ButtonPress ? VORTAN_POINTER_DOWN : VORTAN_POINTER_UP;
        pointer.button = (int)event->xbutton.button - 1;
        pointer.x = event->xbutton.x;
        pointer.y = event->xbutton.y;
        HandlePointer(pointer);
        break;
    }
    case MotionNotify:
        if (m_buttonMask) {
            // The move belongs to the lowest held button.
            int button = 0;
            while (!(m_buttonMask & (1u << button)))
                ++button;
            CVortanPointerEvent pointer;
            pointer.code = VORTAN_POINTER_MOVE;
            pointer.button = button;
            pointer.x = event->xmotion.x;
            pointer.y = event->xmotion.y;
            HandlePointer(pointer);
        }
        break;
    case FocusIn:
        if (!m_active)
            SetActive(true);
        break;
    case FocusOut:
        if (m_active)
            SetActive(false);
        break;
    case ConfigureNotify:
        if (m_created) {
            IVortanGraphicsContext* graphics = GetGraphics();
            int width = event->xconfigure.width;
            int height = event->xconfigure.height;
            if (!graphics || graphics->GetWidth() != width || graphics->GetHeight() != height)
                OnResize(width, height);
        }
        break;
    case ClientMessage:
        if (m_wmDeleteWindow != None && event->xclient.format == 32 &&
            (Atom)event->xclient.data.l[0] == (Atom)m_wmDeleteWindow) {
            Deactivate();
            OnExit();
            Shutdown();
            m_running = 0;
        }
        break;
    default:
        break;
    }
    return VORTAN_OK;
}

void IVortanApplication::HandlePointer(const CVortanPointerEvent& event)
{
    m_pointerX = event.x;
    m_pointerY = event.y;
    CVortanVector2 unit(0.0f, 0.0f);
    IVortanGraphicsContext* graphics = GetGraphics();
    if (graphics && graphics->GetWidth() > 0 && graphics->GetHeight() > 0)
        unit.Set(graphics->ToUnitX((float)event.x), graphics->ToUnitY((float)event.y));
    u32 bit = (event.button >= 0 && event.button < 32) ? (1u << event.button) : 0u;

    switch (event.code) {
    case VORTAN_POINTER_DOWN:
        if (!(m_buttonMask & bit)) {
            m_buttonMask |= bit;
            OnPointerDown(event.button, event.x, event.y);
            OnPointerDownUnit(event.button, unit);
        }
        break;
    case VORTAN_POINTER_UP:
        if (m_buttonMask & bit) {
            m_buttonMask &= ~bit;
            OnPointerUp(event.button, event.x, event.y);
            OnPointerUpUnit(event.button, unit);
        }
        break;
    case VORTAN_POINTER_MOVE:
        if (m_buttonMask & bit) {
            OnPointerMove(event.button, event.x, event.y);
            OnPointerMoveUnit(event.button, unit);
        } else {
            m_buttonMask |= bit;
            OnPointerDown(event.button, event.x, event.y);
        }
        break;
    default:
        break;
    }
}

void IVortanApplication::Deactivate()
{
    m_active = 0;
    memset(m_keys, 0, sizeof(m_keys));
    m_buttonMask = 0;
    m_frameTimer.Start();
}

void IVortanApplication::SetActive(bool active)
{
    int value = active ? 1 : 0;
    if (value == m_active)
        return;
    m_active = value;
    memset(m_keys, 0, sizeof(m_keys));
    m_buttonMask = 0;
    m_frameTimer.Start();
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
    if (format == 0)
        format = m_settings.pixelFormat ? m_settings.pixelFormat : 7;
    return CreateBackBuffer(format);
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

// --- paths ------------------------------------------------------------------------------------

int IVortanApplication::GetUserDataPath(CVortanString& out, const CVortanString& fileName)
{
    std::string home;
    const char* env = getenv("HOME");
    if (env && env[0] == '/')
        home = env;
    else {
        struct passwd* pw = getpwuid(getuid());
        if (pw && pw->pw_dir && pw->pw_dir[0] == '/')
            home = pw->pw_dir;
    }
    if (home.empty()) {
        out.Empty();
        return VORTAN_E_FAIL;
    }
    while (home.size() > 1 && home[home.size() - 1] == '/')
        home.resize(home.size() - 1);

    std::string dir = home == "/" ? std::string("/") : home + "/";
    dir += '.';
    const unsigned short* name = m_appName.GetBuffer();
    for (int i = 0; i < m_appName.GetLength(); ++i)
        dir += IsAsciiAlnum(name[i]) ? (char)name[i] : '_';

    if (!MakeDirectories(dir)) {
        out.Empty();
        return VORTAN_E_FAIL;
    }
    // One unit per byte: the file layer hands the low byte of each unit to the C library.
    out = dir.c_str();
    out.AppendChar('/');
    out.Append(fileName);
    return VORTAN_OK;
}

int IVortanApplication::GetExecutableDir(CVortanString& out)
{
    char link[64];
    snprintf(link, sizeof(link), "/proc/%d/exe", (int)getpid());
    char target[4096];
    ssize_t n = readlink(link, target, sizeof(target) - 1);
    if (n <= 0 || (size_t)n >= sizeof(target) - 1)
        return VORTAN_E_FAIL;
    target[n] = '\0';
    char* slash = strrchr(target, '/');
    if (!slash)
        return VORTAN_E_FAIL;
    slash[1] = '\0';
    out = target; // one unit per byte, as the file layer reads paths
    return VORTAN_OK;
}

void IVortanApplication::GetResourcePath(CVortanString& out, const CVortanString& fileName)
{
    GetExecutableDir(out);
    if (fileName.GetLength() > 0 && fileName.GetAt(0) == '\\')
        out.Append(CVortanString(fileName, 1, fileName.GetLength() - 1));
    else
        out.Append(fileName);
}

// --- palette ----------------------------------------------------------------------------------

int IVortanApplication::FindNearestPaletteIndex(const u32* palette, u32 colour)
{
    if (!palette)
        return 255;
    u32 target = colour & 0xFFFFFF;
    for (int i = 0; i < 256; ++i) {
        if (palette[i] == target)
            return i;
    }
    int r = (int)((target >> 16) & 0xFF), g = (int)((target >> 8) & 0xFF), b = (int)(target & 0xFF);
    u32 best = 0xFFFFFF;
    int bestIndex = 255;
    for (int i = 0; i < 256; ++i) {
        u32 p = palette[i];
        int dr = (int)((p >> 16) & 0xFF) - r, dg = (int)((p >> 8) & 0xFF) - g,
            db = (int)(p & 0xFF) - b;
        u32 d = (u32)(abs(dr) + abs(dg) + abs(db));
        if (d < best) {
            best = d;
            bestIndex = i;
        }
    }
    return bestIndex;
}

int IVortanApplication::SetPalette(const u32* entries)
{
    if (!m_palette) {
        m_palette = new (std::nothrow) u32[256];
        if (!m_palette)
            return VORTAN_E_NOMEMORY;
    }
    if (!m_paletteLookup) {
        m_paletteLookup = new (std::nothrow) u8[4096];
        if (!m_paletteLookup)
            return VORTAN_E_NOMEMORY;
    }
    if (entries) {
        memcpy(m_palette, entries, 256 * sizeof(u32));
    } else {
        for (u32 i = 0; i < 256; ++i) {
            u32 red = ((i >> 5) & 7) * 255 / 7;
            u32 green = ((i >> 2) & 7) * 255 / 7;
            u32 blue = (i & 3) * 85;
            m_palette[i] = (red << 16) | (green << 8) | blue;
        }
    }
    for (u32 v = 0; v < 4096; ++v) {
        u32 red = ((v >> 8) & 15) * 16, green = ((v >> 4) & 15) * 16, blue = (v & 15) * 16;
        m_paletteLookup[v] =
            (u8)FindNearestPaletteIndex(m_palette, (red << 16) | (green << 8) | blue);
    }
    return VORTAN_OK;
}

// --- dialogs ----------------------------------------------------------------------------------

void IVortanApplication::MessageBox(const CVortanString& title, const CVortanString& text)
{
    if (title.IsEmpty() || !gdk_display_get_default())
        return;
    std::string titleText = VortanUTF8Of(title);
    std::string bodyText = VortanUTF8Of(text);
    GtkWidget* dialog = gtk_dialog_new_with_buttons(titleText.c_str(), nullptr, GTK_DIALOG_MODAL,
                                                    GTK_STOCK_OK, GTK_RESPONSE_OK, nullptr);
    GtkWidget* label = gtk_label_new(bodyText.c_str());
    gtk_container_add(GTK_CONTAINER(GTK_DIALOG(dialog)->vbox), label);
    gtk_widget_show_all(dialog);
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    while (gtk_events_pending())
        gtk_main_iteration();
}

void IVortanApplication::FormatErrorText(int code, CVortanString& out)
{
    char text[32];
    snprintf(text, sizeof(text), "Error: %d", code);
    out = text;
}
