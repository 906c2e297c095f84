// Decoding and registering the service's images within fixed limits, and the web-link test.
#include "online/menu/OrloServerImage.h"

#include <GLES2/gl2.h>
#include <new>

#include "engine/graphics/VortanGraphicsContext.h"
#include "engine/graphics/VortanSurface.h"
#include "platform/OrloApplication.h"

namespace {

u32 BigEndian32(const u8* p)
{
    return ((u32)p[0] << 24) | ((u32)p[1] << 16) | ((u32)p[2] << 8) | (u32)p[3];
}

int ReadPngSize(const u8* bytes, int length, int* width, int* height)
{
    static const u8 kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    // Signature, the header chunk's length and type, then width and height.
    if (length < 24)
        return 0;
    for (int i = 0; i < 8; ++i)
        if (bytes[i] != kSignature[i])
            return 0;
    if (bytes[12] != 'I' || bytes[13] != 'H' || bytes[14] != 'D' || bytes[15] != 'R')
        return 0;
    const u32 w = BigEndian32(bytes + 16);
    const u32 h = BigEndian32(bytes + 20);
    if (w > 0x7FFFFFFFu || h > 0x7FFFFFFFu)
        return 0;
    *width = (int)w;
    *height = (int)h;
    return 1;
}

int ReadJpegSize(const u8* bytes, int length, int* width, int* height)
{
    if (length < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8)
        return 0;
    int at = 2;
    while (at + 4 <= length) {
        if (bytes[at] != 0xFF)
            return 0;
        const u8 marker = bytes[at + 1];
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        const int size = (bytes[at + 2] << 8) | bytes[at + 3];
        if (size < 2)
            return 0;
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (at + 9 > length)
                return 0;
            *height = (bytes[at + 5] << 8) | bytes[at + 6];
            *width = (bytes[at + 7] << 8) | bytes[at + 8];
            return 1;
        }
        if (marker == 0xD9 || marker == 0xDA)
            return 0;
        at += 2 + size;
    }
    return 0;
}

} // namespace

int ReadServerImageSize(const u8* bytes, int length, int* width, int* height)
{
    if (!bytes || length <= 0 || !width || !height)
        return 0;
    if (ReadPngSize(bytes, length, width, height))
        return 1;
    return ReadJpegSize(bytes, length, width, height);
}

int IsServerImageAcceptable(const u8* bytes, int length)
{
    if (!bytes || length <= 0 || length > ORLO_SERVER_IMAGE_MAX_BYTES)
        return 0;
    int width = 0, height = 0;
    if (!ReadServerImageSize(bytes, length, &width, &height))
        return 0;
    if (width <= 0 || height <= 0 || width > ORLO_SERVER_IMAGE_MAX_SIDE ||
        height > ORLO_SERVER_IMAGE_MAX_SIDE)
        return 0;
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
