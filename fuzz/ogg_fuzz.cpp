// Ogg Vorbis sound files: pages, the three header packets, chained streams and the audio
// packets decoded into one 16-bit buffer. Every whole page of the input gets its checksum
// set right first, so that mutated pages reach the decoder instead of being dropped by the
// page layer.
#include <vector>

#include "fuzz/SoundFuzz.h"

namespace {

// The page checksum: CRC-32 with the polynomial 0x04C11DB7, not reflected, starting at 0.
u32 PageCrc(const uint8_t* page, size_t size)
{
    static u32 table[256];
    if (!table[1]) {
        for (u32 i = 0; i < 256; ++i) {
            u32 r = i << 24;
            for (int k = 0; k < 8; ++k)
                r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
            table[i] = r;
        }
    }
    u32 crc = 0;
    for (size_t i = 0; i < size; ++i)
        crc = (crc << 8) ^ table[((crc >> 24) ^ page[i]) & 0xff];
    return crc;
}

void FixPageChecksums(std::vector<uint8_t>& bytes)
{
    size_t at = 0;
    while (at + 27 <= bytes.size()) {
        uint8_t* page = &bytes[at];
        if (memcmp(page, "OggS", 4) != 0) {
            ++at;
            continue;
        }
        const size_t segments = page[26];
        size_t length = 27 + segments;
        if (at + length > bytes.size())
            break;
        for (size_t s = 0; s < segments; ++s)
            length += page[27 + s];
        if (at + length > bytes.size())
            break;
        memset(page + 22, 0, 4);
        const u32 crc = PageCrc(page, length);
        for (int k = 0; k < 4; ++k)
            page[22 + k] = (uint8_t)(crc >> (8 * k));
        at += length;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // RIFF/WAVE images are the wave target's.
    if (size >= 4 && memcmp(data, "RIFF", 4) == 0)
        return 0;
    std::vector<uint8_t> bytes(data, data + size);
    FixPageChecksums(bytes);
    vfuzz::LoadSound(bytes.data(), bytes.size());
    return 0;
}
