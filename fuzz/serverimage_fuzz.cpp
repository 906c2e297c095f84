// Server pictures: the header's size is read from any bytes without reading past them, and a
// picture is only ever taken as fitting, or acceptable to the menu, when its stated size (and,
// for the menu, its octets and pixel count) are within the caps.
#include <stdint.h>

#include <vector>

#include "fuzz/FuzzSupport.h"
#include "online/menu/OrloServerImage.h"
#include "online/popups/ServerImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 2 * ORLO_SERVER_IMAGE_MAX_BYTES)
        return 0;
    // An exact copy, so that a read past the end is caught.
    std::vector<u8> bytes(data, data + size);
    const u8* p = bytes.empty() ? nullptr : bytes.data();
    const int length = (int)size;
    int width = -1, height = -1;
    const int rc = ReadServerImageSize(p, length, &width, &height);
    VFUZZ_CHECK(rc == VORTAN_OK || rc == VORTAN_E_MALFORMED);
    if (rc != VORTAN_OK)
        VFUZZ_CHECK(width == 0 && height == 0);
    if (ServerImageFits(p, length))
        VFUZZ_CHECK(rc == VORTAN_OK && width >= 1 && height >= 1 &&
                    width <= ORLO_SERVER_IMAGE_MAX_SIDE && height <= ORLO_SERVER_IMAGE_MAX_SIDE);
    if (IsServerImageAcceptable(p, length)) {
        VFUZZ_CHECK(rc == VORTAN_OK && size <= ORLO_SERVER_IMAGE_MAX_BYTES);
        VFUZZ_CHECK((long long)width * height <= ORLO_SERVER_IMAGE_MAX_PIXELS);
    }
    return 0;
}
