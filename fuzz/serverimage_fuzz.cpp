// Server pictures: the header's size is read from any bytes without reading past them, and a
// picture is only ever taken as fitting when its stated size is within the cap.
#include "fuzz/FuzzSupport.h"
#include "online/popups/ServerImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int length = size > 0x7fffffff ? 0x7fffffff : (int)size;
    int width = -1, height = -1;
    const int rc = ReadServerImageSize(data, length, &width, &height);
    VFUZZ_CHECK(rc == VORTAN_OK || rc == VORTAN_E_MALFORMED);
    if (rc != VORTAN_OK)
        VFUZZ_CHECK(width == 0 && height == 0);
    const int fits = ServerImageFits(data, length);
    if (fits)
        VFUZZ_CHECK(rc == VORTAN_OK && width >= 1 && height >= 1 &&
                    width <= ORLO_SERVER_IMAGE_MAX_SIDE && height <= ORLO_SERVER_IMAGE_MAX_SIDE);
    return 0;
}
