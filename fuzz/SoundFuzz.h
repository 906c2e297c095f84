// One sound file image loaded by the sound engine's loaders, from memory and from a data
// pack, as the wave and Ogg targets do.
#pragma once
#include <stdint.h>
#include <string.h>

#include <vector>

#include "VortanSound/VortanSoundEngine.h"
#include "VortanSound/VortanSoundWave.h"
#include "engine/VortanMediaPack.h"
#include "fuzz/FuzzSupport.h"
#include "tests/support/PackWriter.h"

namespace vfuzz {

// The same image as the entry of a data pack, between two other entries, the one after it
// holding a second copy: a loader that read past its entry would see more sound.
inline int LoadFromPack(CVortanSoundEngine* engine, const uint8_t* data, size_t size,
                        CVortanSoundWave& sound)
{
    static const std::string path = ScratchFile("sound.dmp");
    const std::string image((const char*)data, size);
    WriteFile(path,
              vtest::MakePack({{"/before.bin", "RIFF"}, {"/sound", image}, {"/after.bin", image}}));
    CVortanMediaPack pack;
    VFUZZ_CHECK(pack.Open(CVortanString(path.c_str())) == VORTAN_OK);
    return sound.LoadFromPack(engine, &pack, CVortanString("/sound"), 0, 0, 0);
}

// Loads the image with one duplicate into an engine that never opens a device. A sound that
// loads has a non-empty buffer 0 in a format the mixer reads (a partial last frame is left
// silent) and a duplicate sharing its data; PCM frames are the file's own bytes. The same
// bytes loaded again from a data pack give the same result and the same samples.
inline void LoadSound(const uint8_t* data, size_t size)
{
    static CVortanSoundEngine* engine = CVortanSoundEngine::Create();
    if (size == 0 || size > (16u << 20))
        return;
    std::vector<uint8_t> bytes(data, data + size);
    CVortanSoundWave first;
    const int loaded = first.LoadFromMemory(engine, bytes.data(), (int)size, 0, 1);
    CVortanSoundWave second;
    VFUZZ_CHECK(LoadFromPack(engine, data, size, second) == loaded);
    if (loaded != VORTAN_OK) {
        VFUZZ_CHECK(first.GetBufferCount() == 0 && second.GetBufferCount() == 0);
        return;
    }
    VFUZZ_CHECK(first.GetBufferCount() == 2);
    CVortanSoundBuffer* buffer = first.GetBuffer(0);
    const CVortanSoundFormat format = buffer->GetFormat();
    VFUZZ_CHECK(format.IsMixable() && format.m_samplesPerSec > 0);
    VFUZZ_CHECK(buffer->GetSize() > 0);
    if (size >= 22 && memcmp(data, "RIFF", 4) == 0 && data[20] == 1 && data[21] == 0) {
        // PCM: the whole frames are the file's own bytes, the rest of the buffer silence.
        const u32 whole = buffer->GetSize() - buffer->GetSize() % format.m_blockAlign;
        VFUZZ_CHECK(whole <= size && memmem(data, size, buffer->GetData(), whole) != nullptr);
    }
    VFUZZ_CHECK(first.GetBuffer(1)->GetData() == buffer->GetData());
    VFUZZ_CHECK(first.GetBuffer(1)->GetSize() == buffer->GetSize());

    CVortanSoundBuffer* other = second.GetBuffer(0);
    VFUZZ_CHECK(other->GetSize() == buffer->GetSize() && other->GetFormat() == format);
    VFUZZ_CHECK(memcmp(other->GetData(), buffer->GetData(), buffer->GetSize()) == 0);
    second.ReleaseBuffers();
    first.ReleaseBuffers();
}

} // namespace vfuzz
