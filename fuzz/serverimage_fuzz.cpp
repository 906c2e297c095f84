// The service's images: the size read from a PNG or JPEG header never reads past the bytes,
// and an image accepted by the limits declares a size within them.
#include <stdint.h>

#include <vector>

#include "fuzz/FuzzSupport.h"
#include "online/menu/OrloServerImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 2 * ORLO_SERVER_IMAGE_MAX_BYTES)
        return 0;
    // An exact copy, so that a read past the end is caught.
    std::vector<u8> bytes(data, data + size);
    const u8* p = bytes.empty() ? nullptr : bytes.data();
    int width = -1, height = -1;
    const int known = ReadServerImageSize(p, (int)size, &width, &height);
    VFUZZ_CHECK(known == 0 || known == 1);
    if (known)
        VFUZZ_CHECK(width >= 0 && height >= 0);
    if (IsServerImageAcceptable(p, (int)size)) {
        VFUZZ_CHECK(known == 1 && size <= ORLO_SERVER_IMAGE_MAX_BYTES);
        VFUZZ_CHECK(width > 0 && height > 0 && width <= ORLO_SERVER_IMAGE_MAX_SIDE &&
                    height <= ORLO_SERVER_IMAGE_MAX_SIDE);
        VFUZZ_CHECK((long long)width * height <= ORLO_SERVER_IMAGE_MAX_PIXELS);
    }
    return 0;
}
