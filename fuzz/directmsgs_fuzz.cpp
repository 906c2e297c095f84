// The directly parsed received messages (player records, match results, game data).
#include "fuzz/ProtocolFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const int tags[] = {6, 8, 12, 13, 21, 22, 40, 44, 58, 72, 75, 85};
    return vfuzz::FuzzMessageFamily(data, size, tags, (int)(sizeof(tags) / sizeof(tags[0])));
}
