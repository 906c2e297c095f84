// IVortanApplication: X events turned into the application's key, character, pointer, focus,
// resize and close calls (a close request or the window's destruction), and activation.
// Escape stands in for the phone's Back key.
#include <string.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "engine/graphics/VortanGraphicsContext.h"
#include "engine/platform/VortanApplication.h"
#include "engine/platform/VortanKeys.h"

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
            if (sym == XK_Escape) {
                // The phone's Back key, which a desktop keyboard lacks: Escape stands in for
                // it and goes on as the Back key's keysym, typing nothing, as that key would.
                // The key table holds Escape's own code.
                OnKeyDown((int)VORTAN_XKEYSYM_BACK);
                break;
            }
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
            (Atom)event->xclient.data.l[0] == (Atom)m_wmDeleteWindow)
            CloseAsRequested();
        break;
    case DestroyNotify:
        if (m_window && event->xdestroywindow.window == m_window) {
            // Someone else destroyed the window (a window manager's kill, a tool): nothing
            // can be shown any more, so the program ends as on a close. What the shutdown
            // still asks of the window fails harmlessly (the X error handler passes over it).
            m_destroyedWindow = m_window;
            CloseAsRequested();
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
