// Reading a PNG's IHDR or a JPEG's frame header for the image size.
#include "online/popups/ServerImage.h"

namespace {

int ReadPngSize(const u8* b, int length, int* width, int* height)
{
    static const u8 kMagic[8] = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
    for (int i = 0; i < 8; ++i) {
        if (b[i] != kMagic[i])
            return VORTAN_E_MALFORMED;
    }
    // The first chunk is IHDR: length, type, then width and height, big-endian.
    if (length < 24 || b[12] != 'I' || b[13] != 'H' || b[14] != 'D' || b[15] != 'R')
        return VORTAN_E_MALFORMED;
    const u32 w = ((u32)b[16] << 24) | ((u32)b[17] << 16) | ((u32)b[18] << 8) | b[19];
    const u32 h = ((u32)b[20] << 24) | ((u32)b[21] << 16) | ((u32)b[22] << 8) | b[23];
    *width = w > 0x7fffffffu ? 0x7fffffff : (int)w;
    *height = h > 0x7fffffffu ? 0x7fffffff : (int)h;
    return VORTAN_OK;
}

int ReadJpegSize(const u8* b, int length, int* width, int* height)
{
    if (b[0] != 0xFF || b[1] != 0xD8)
        return VORTAN_E_MALFORMED;
    int at = 2;
    while (at + 4 <= length) {
        if (b[at] != 0xFF)
            return VORTAN_E_MALFORMED;
        const int marker = b[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) // end of image, start of scan: no frame seen
            return VORTAN_E_MALFORMED;
        const int segment = (b[at + 2] << 8) | b[at + 3];
        if (segment < 2)
            return VORTAN_E_MALFORMED;
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (at + 9 > length || segment < 7)
                return VORTAN_E_MALFORMED;
            *height = (b[at + 5] << 8) | b[at + 6];
            *width = (b[at + 7] << 8) | b[at + 8];
            return VORTAN_OK;
        }
        at += 2 + segment;
    }
    return VORTAN_E_MALFORMED;
}

} // namespace

int ReadServerImageSize(const u8* bytes, int length, int* width, int* height)
{
    *width = 0;
    *height = 0;
    if (!bytes || length < 8)
        return VORTAN_E_MALFORMED;
    if (bytes[0] == 0x89)
        return ReadPngSize(bytes, length, width, height);
    return ReadJpegSize(bytes, length, width, height);
}

int ServerImageFits(const u8* bytes, int length)
{
    int width = 0, height = 0;
    if (ReadServerImageSize(bytes, length, &width, &height) != VORTAN_OK)
        return 0;
    return width >= 1 && height >= 1 && width <= ORLO_SERVER_IMAGE_MAX_SIDE &&
           height <= ORLO_SERVER_IMAGE_MAX_SIDE;
}
