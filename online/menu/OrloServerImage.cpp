// Decoding and registering the service's images within fixed limits, and the web-link test.
#include "online/menu/OrloServerImage.h"

#include <GLES2/gl2.h>
#include <new>

#include "engine/graphics/VortanGraphicsContext.h"
#include "engine/graphics/VortanSurface.h"
#include "platform/OrloApplication.h"

int IsServerImageAcceptable(const u8* bytes, int length)
{
    if (!bytes || length <= 0 || length > ORLO_SERVER_IMAGE_MAX_BYTES)
        return 0;
    if (!ServerImageFits(bytes, length))
        return 0;
    int width = 0, height = 0;
    ReadServerImageSize(bytes, length, &width, &height);
    return (i64)width * height <= ORLO_SERVER_IMAGE_MAX_PIXELS ? 1 : 0;
}

CVortanSurface* DecodeServerImage(COrloApplication* application, const u8* bytes, int length)
{
    if (!application || !IsServerImageAcceptable(bytes, length))
        return nullptr;
    CVortanSurface* surface = new (std::nothrow) CVortanSurface();
    if (!surface)
        return nullptr;
    int result = surface->LoadFromMemory(application, bytes, length);
    IVortanGraphicsContext* graphics = application->GetGraphics();
    if (result == VORTAN_OK && graphics && graphics->GetContextType() == VORTAN_CONTEXT_GLES2)
        result = surface->CreateTexture(GL_RGBA, GL_UNSIGNED_BYTE, 1);
    if (result != VORTAN_OK) {
        surface->Release();
        delete surface;
        return nullptr;
    }
    return surface;
}

CVortanSurface* FindOrRegisterServerImage(COrloApplication* application, const CVortanString& name,
                                          const u8* bytes, int length)
{
    if (!application)
        return nullptr;
    CVortanSurface* surface = application->FindSurface(name);
    if (surface)
        return surface;
    surface = DecodeServerImage(application, bytes, length);
    if (!surface)
        return nullptr;
    if (application->AddSurface(name, surface) != 1) {
        surface->Release();
        delete surface;
        return nullptr;
    }
    return surface;
}

int IsServerLink(const CVortanString& link)
{
    const int length = link.GetLength();
    if (length > ORLO_SERVER_LINK_MAX)
        return 0;
    int host = -1;
    if (link.FindString(CVortanString("http://"), 0) == 0)
        host = 7;
    else if (link.FindString(CVortanString("https://"), 0) == 0)
        host = 8;
    if (host < 0 || host >= length)
        return 0;
    const unsigned short* units = link.GetBuffer();
    for (int i = 0; i < length; ++i) {
        // No spaces or control characters inside an address.
        if (units[i] <= 0x20 || units[i] == 0x7F)
            return 0;
    }
    return units[host] != '/' ? 1 : 0;
}
