// The shape-decoded received messages (item data, shop groups and items, byte strings).
#include "fuzz/ProtocolFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const int tags[] = {71, 87, 89, 91, 93, 97, 100, 103};
    return vfuzz::FuzzMessageFamily(data, size, tags, (int)(sizeof(tags) / sizeof(tags[0])));
}
