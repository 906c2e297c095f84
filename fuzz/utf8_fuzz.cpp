// UTF-8 assignment: the input decoded from a block of exactly its size, and again up to its
// NUL from a terminated copy. The results agree, every byte gives at most one unit (a
// four-byte form two), and the string's own UTF-8 decodes back to the same units.
#include <string.h>

#include <string>
#include <vector>

#include "engine/VortanString.h"
#include "fuzz/FuzzSupport.h"

namespace {

std::u16string Units(const CVortanString& s)
{
    const unsigned short* b = s.GetBuffer();
    return b ? std::u16string((const char16_t*)b, (size_t)s.GetLength()) : std::u16string();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 20)
        return 0;
    const char* bytes = (const char*)data;
    CVortanString exact(L"previous content");
    exact.AssignUTF8(size ? bytes : nullptr, (int)size);
    const std::u16string units = Units(exact);
    VFUZZ_CHECK(units.size() <= size);
    VFUZZ_CHECK(units.find(u'\0') == std::u16string::npos);

    // Up to the NUL: the same as the bytes before it with their length.
    std::string terminated(bytes, size);
    CVortanString upToNul;
    upToNul.AssignUTF8(terminated.c_str(), -1);
    CVortanString counted;
    const size_t before = strlen(terminated.c_str());
    counted.AssignUTF8(terminated.c_str(), (int)before);
    VFUZZ_CHECK(Units(upToNul) == Units(counted));
    if (before == size)
        VFUZZ_CHECK(Units(upToNul) == units);

    // Encoded and decoded again: the same units.
    const int needed = exact.ToUTF8(nullptr);
    VFUZZ_CHECK(needed >= 1 && (size_t)needed <= 3 * units.size() + 1);
    std::vector<char> encoded((size_t)needed);
    VFUZZ_CHECK(exact.ToUTF8(encoded.data()) == needed && encoded[(size_t)needed - 1] == 0);
    CVortanString back;
    back.AssignUTF8(encoded.data(), needed - 1);
    VFUZZ_CHECK(Units(back) == units);
    return 0;
}
