// The class-decoded received messages (message classes and their record lists).
#include "fuzz/ProtocolFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const int tags[] = {2, 11, 20, 29, 31, 39, 45, 52, 64, 80, 105, 106, 108, 110, 114, 116};
    return vfuzz::FuzzMessageFamily(data, size, tags, (int)(sizeof(tags) / sizeof(tags[0])));
}
