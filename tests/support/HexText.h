// Bytes as hexadecimal text and back, for the tests and the fuzz targets.
#pragma once
#include <stddef.h>

#include <string>
#include <vector>

namespace vtest {

// Lower-case hexadecimal of the bytes, and back (pairs of digits).
inline std::string Hex(const void* bytes, size_t count)
{
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        const unsigned char b = static_cast<const unsigned char*>(bytes)[i];
        out += "0123456789abcdef"[b >> 4];
        out += "0123456789abcdef"[b & 15];
    }
    return out;
}
inline std::vector<unsigned char> FromHex(const std::string& hex)
{
    std::vector<unsigned char> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back((unsigned char)std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

} // namespace vtest
