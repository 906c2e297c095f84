// RIFF/WAVE sound files: the header, the chunk walk, PCM data and IMA ADPCM blocks.
#include "fuzz/SoundFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Other images go to the Ogg decoder or are refused at once: the Ogg target covers them.
    if (size >= 4 && memcmp(data, "RIFF", 4) == 0)
        vfuzz::LoadSound(data, size);
    return 0;
}
