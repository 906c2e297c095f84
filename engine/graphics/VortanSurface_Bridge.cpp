// CVortanSurface: the X drawable bridge (the surface's pixels in an X pixmap, for drawing
// with X and GDK) and surfaces made from an X drawable.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <string.h>

#include "engine/graphics/VortanSurface.h"
#include "engine/graphics/VortanSurfaceApp.h"
#include "engine/graphics/VortanXErrorTrap.h"

using VortanX::XErrorTrap;

int CVortanSurface::LockDrawable(_XGC** gcOut)
{
    if (!m_pixels || m_desc.width <= 0 || m_desc.height <= 0)
        return VORTAN_E_RANGE;
    if (m_xGCOut || m_xPixmap)
        return VORTAN_E_BRIDGE_BUSY;
    Display* display = VortanSurfaceAppDisplay(m_application);
    int bpp = GetBitsPerPixel();
    if (!display || !bpp)
        return VORTAN_E_BRIDGE_FAILED;

    XErrorTrap trap(display);
    int screen = DefaultScreen(display);
    Window root = RootWindow(display, screen);
    Pixmap pixmap = XCreatePixmap(display, root, (unsigned)m_desc.width, (unsigned)m_desc.height,
                                  (unsigned)bpp);
    if (!pixmap || trap.Failed()) {
        if (pixmap)
            XFreePixmap(display, pixmap);
        return VORTAN_E_BRIDGE_FAILED;
    }
    GC gc = XCreateGC(display, pixmap, 0, nullptr);
    if (!gc || trap.Failed()) {
        if (gc)
            XFreeGC(display, gc);
        XFreePixmap(display, pixmap);
        return VORTAN_E_BRIDGE_FAILED;
    }
    XImage* image = XCreateImage(display, DefaultVisual(display, screen), (unsigned)bpp, ZPixmap, 0,
                                 (char*)m_pixels, (unsigned)m_desc.width, (unsigned)m_desc.height,
                                 bpp, m_desc.pitch);
    // The image must read exactly the surface's layout (a depth whose pixmaps use another
    // pixel size would read past the rows).
    if (!image || image->bits_per_pixel != bpp || image->bytes_per_line > m_desc.pitch) {
        if (image) {
            image->data = nullptr;
            XDestroyImage(image);
        }
        XFreeGC(display, gc);
        XFreePixmap(display, pixmap);
        return VORTAN_E_BRIDGE_FAILED;
    }
    XPutImage(display, pixmap, gc, image, 0, 0, 0, 0, (unsigned)m_desc.width,
              (unsigned)m_desc.height);
    image->data = nullptr; // the pixels stay the surface's
    XDestroyImage(image);
    if (trap.Failed()) {
        XFreeGC(display, gc);
        XFreePixmap(display, pixmap);
        return VORTAN_E_BRIDGE_FAILED;
    }
    m_xPixmap = pixmap;
    m_xGC = gc;
    m_xGCOut = gcOut;
    if (gcOut)
        *gcOut = gc;
    return VORTAN_OK;
}

void CVortanSurface::UnlockDrawable(_XGC* gc, int copyBack)
{
    if (!m_xPixmap && !m_xGC && !m_xGCOut)
        return;
    Display* display = VortanSurfaceAppDisplay(m_application);
    if (display && m_pixels) {
        XErrorTrap trap(display);
        if (copyBack && m_xPixmap) {
            XImage* image = XGetImage(display, m_xPixmap, 0, 0, (unsigned)m_desc.width,
                                      (unsigned)m_desc.height, AllPlanes, ZPixmap);
            if (image) {
                if (image->bits_per_pixel == GetBitsPerPixel() && image->data) {
                    int rowBytes =
                        m_desc.pitch < image->bytes_per_line ? m_desc.pitch : image->bytes_per_line;
                    CopyRows(m_pixels, m_desc.pitch, (const u8*)image->data, image->bytes_per_line,
                             m_desc.height < image->height ? m_desc.height : image->height,
                             rowBytes);
                }
                XDestroyImage(image);
            }
        }
        if (m_xPixmap)
            XFreePixmap(display, m_xPixmap);
        GC ownGC = m_xGC ? m_xGC : gc;
        if (ownGC)
            XFreeGC(display, ownGC);
    }
    if (m_xGCOut)
        *m_xGCOut = nullptr;
    m_xPixmap = 0;
    m_xGC = nullptr;
    m_xGCOut = nullptr;
}

int CVortanSurface::CreateFromDrawable(IVortanApplication* application,
                                       const CVortanSurfaceDesc* desc, unsigned long drawable)
{
    if (!drawable)
        return VORTAN_E_ARGUMENT;
    Display* display = VortanSurfaceAppDisplay(application);
    if (!display)
        return VORTAN_E_BRIDGE_FAILED;
    Window root;
    int x, y;
    unsigned int dw = 0, dh = 0, border, depth;
    {
        XErrorTrap trap(display);
        Status ok = XGetGeometry(display, drawable, &root, &x, &y, &dw, &dh, &border, &depth);
        if (!ok || trap.Failed() || !dw || !dh)
            return VORTAN_E_BRIDGE_FAILED;
    }
    CVortanSurfaceDesc d = CVortanSurfaceDesc::From(desc);
    if ((d.flags & VORTAN_SURFACE_KEEP_ASPECT) && (d.width || d.height)) {
        if (d.width && (!d.height || d.width <= d.height))
            d.height = (int)((float)dh * ((float)d.width / (float)dw));
        else if (d.height)
            d.width = (int)((float)dw * ((float)d.height / (float)dh));
        if (d.width & 1)
            d.width += 1;
    }
    if (!d.width)
        d.width = (int)dw;
    if (!d.height)
        d.height = (int)dh;
    int result = Create(application, &d);
    if (result != VORTAN_OK)
        return result;
    Clear(0, nullptr);
    _XGC* gc = nullptr;
    if (LockDrawable(&gc) == VORTAN_OK)
        UnlockDrawable(gc, 1);
    SetClipRect(nullptr);
    m_frameWidth = m_desc.width;
    m_frameHeight = m_desc.height;
    m_frameColumns = 1;
    m_frameRows = 1;
    return VORTAN_OK;
}
