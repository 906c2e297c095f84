// The wire protocol's fuzz targets: one message through ASN1_GetMessageLength and the decoder of
// its tag within one family of received messages.
#pragma once
#include <string.h>

#include "fuzz/FuzzSupport.h"
#include "tests/online/ProtocolDecode.h"

namespace vfuzz {

// The input in a buffer of exactly its size. A tag outside the family goes to one of the
// family's decoders all the same (their wrong-tag paths).
inline int FuzzMessageFamily(const uint8_t* data, size_t size, const int* tags, int count)
{
    if (size > (1u << 20))
        return 0;
    u8* exact = new u8[size ? size : 1];
    if (size)
        memcpy(exact, data, size);
    const int n = (int)size;
    const int total = ASN1_GetMessageLength(exact, n);
    VFUZZ_CHECK(total == ASN1_NOT_YET || total == ASN1_MALFORMED || total >= 2);
    const int tag = ASN1_GetTag(exact, n);
    int chosen = tags[size % (size_t)count];
    for (int i = 0; i < count; ++i)
        if (tags[i] == tag)
            chosen = tag;
    ptest::TokenOut out;
    int result = -100;
    VFUZZ_CHECK(ptest::ParseReceived(chosen, exact, n, &out, &result));
    if (ptest::IsDirect(chosen))
        VFUZZ_CHECK(result == VORTAN_OK || result == VORTAN_E_MALFORMED ||
                    result == ASN1_FIELD_MISMATCH || result == VORTAN_E_NOMEMORY ||
                    result == VORTAN_E_RANGE);
    else
        VFUZZ_CHECK(result >= 0 && result <= n);
    delete[] exact;
    return 0;
}

} // namespace vfuzz
