// Bytes written by hand for the tests: little-endian words and DMP2 data packs. The pack
// writer lays a pack out from the format alone, independently of the product's pack tool.
#pragma once
#include <stdint.h>

#include <string>
#include <utility>
#include <vector>

namespace vtest {

// Appends the low 16 bits of `v`, low byte first.
inline void PutU16(std::string* out, unsigned v)
{
    out->push_back(static_cast<char>(v & 0xff));
    out->push_back(static_cast<char>((v >> 8) & 0xff));
}

// Appends `v`, low byte first.
inline void PutU32(std::string* out, uint32_t v)
{
    PutU16(out, v & 0xffff);
    PutU16(out, v >> 16);
}

// Pack entries: name (taken as given; the pack tool writes "/" + bare name) and data.
typedef std::vector<std::pair<std::string, std::string>> PackEntries;

// A DMP2 pack laid out the plain way: "DMP2", the entry count, the table (name length, name,
// block offset), then one block per entry in table order (reserved word, data size, data).
inline std::string MakePack(const PackEntries& entries, uint32_t reserved = 0)
{
    std::string pack = "DMP2";
    PutU32(&pack, static_cast<uint32_t>(entries.size()));
    uint32_t offset = 8;
    for (const auto& e : entries)
        offset += 2 + static_cast<uint32_t>(e.first.size()) + 4;
    std::string blocks;
    for (const auto& e : entries) {
        PutU16(&pack, static_cast<unsigned>(e.first.size()));
        pack += e.first;
        PutU32(&pack, offset + static_cast<uint32_t>(blocks.size()));
        PutU32(&blocks, reserved);
        PutU32(&blocks, static_cast<uint32_t>(e.second.size()));
        blocks += e.second;
    }
    return pack + blocks;
}

} // namespace vtest
