// IVortanApplication: the software back buffer in an X shared-memory segment and its
// presentation on the window.
#include <string.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include "engine/graphics/VortanGraphicsExt.h"
#include "engine/graphics/VortanSurface.h"
#include "engine/platform/VortanApplication.h"

namespace {

// X errors raised while the back buffer is attached to the server are caught here instead of
// ending the process (a server that cannot reach the segment answers with an error).
int g_xErrorSeen = 0;
int RecordXError(Display*, XErrorEvent*)
{
    g_xErrorSeen = 1;
    return 0;
}

} // namespace

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

    int bytes = CVortanSurface::BytesPerPixel(pixelFormat);

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

    // Readable and writable by this user only: the segment holds what the window shows, and
    // a segment open to every user would let any of them read or change it while it lives.
    // The X server attaches it as root or as this same user.
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
