// Helpers of the sound tests: a private ALSA configuration whose default device captures
// the played PCM into a file, builders of RIFF/WAVE images, and engine shortcuts.
#pragma once
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "VortanSound/VortanSoundEngine.h"
#include "VortanSound/VortanSoundWave.h"
#include "tests/support/PackWriter.h"
#include "tests/support/TestSupport.h"

namespace stest {

// A private home whose .asoundrc makes the default PCM the file plugin over the null device.
// ALSA reads its configuration once per process, so the capture file is the same for the
// whole program; each open of the device starts it afresh.
inline vtest::TempDir& Home()
{
    static vtest::TempDir home;
    return home;
}

inline std::string CaptureFile()
{
    return Home().File("capture.raw");
}

inline void SetUpCapture()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    vtest::WriteWholeFile(Home().File(".asoundrc"),
                          "pcm.!default { type file; slave.pcm \"null\"; file \"" + CaptureFile() +
                              "\"; format \"raw\" }\n");
    setenv("HOME", Home().Path().c_str(), 1);
    unsetenv("ALSA_CONFIG_PATH");
}

inline std::string ReadCapture()
{
    return vtest::ReadWholeFile(CaptureFile());
}

inline std::vector<int16_t> ToSamples16(const std::string& bytes, size_t offset = 0)
{
    std::vector<int16_t> out;
    for (size_t i = offset; i + 1 < bytes.size(); i += 2)
        out.push_back(static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) |
                                           (static_cast<uint8_t>(bytes[i + 1]) << 8)));
    return out;
}

// One chunk: id, size (the given one, or the body's), body, and a pad byte for odd bodies.
inline std::string Chunk(const std::string& id, const std::string& body, int64_t claimedSize = -1)
{
    std::string c = id;
    vtest::PutU32(&c, claimedSize < 0 ? static_cast<uint32_t>(body.size())
                                      : static_cast<uint32_t>(claimedSize));
    return c + body + ((body.size() & 1) ? std::string(1, '\0') : std::string());
}

// A format chunk body (16 bytes for PCM; with the extra-size field and extra bytes otherwise).
inline std::string FormatBody(unsigned tag, unsigned channels, unsigned rate, unsigned bits,
                              unsigned blockAlign, const std::string* extra = nullptr)
{
    std::string f;
    vtest::PutU16(&f, tag), vtest::PutU16(&f, channels);
    vtest::PutU32(&f, rate), vtest::PutU32(&f, rate * blockAlign);
    vtest::PutU16(&f, blockAlign), vtest::PutU16(&f, bits);
    if (extra) {
        vtest::PutU16(&f, static_cast<unsigned>(extra->size()));
        f += *extra;
    }
    return f;
}

// "RIFF", size, "WAVE", then the chunks as given.
inline std::string Riff(const std::string& chunks)
{
    std::string r = "RIFF";
    vtest::PutU32(&r, static_cast<uint32_t>(4 + chunks.size()));
    return r + "WAVE" + chunks;
}

inline std::string PcmWave(unsigned channels, unsigned rate, unsigned bits, const std::string& data)
{
    return Riff(Chunk("fmt ", FormatBody(1, channels, rate, bits, channels * bits / 8)) +
                Chunk("data", data));
}

inline std::string Samples16(const std::vector<int>& samples)
{
    std::string s;
    for (int v : samples)
        vtest::PutU16(&s, static_cast<unsigned>(v) & 0xffff);
    return s;
}

// A sound loaded from a RIFF/WAVE image.
inline std::unique_ptr<CVortanSoundWave> Load(CVortanSoundEngine* engine, std::string image,
                                              u32 flags = 0, int duplicates = 0)
{
    std::unique_ptr<CVortanSoundWave> wave(CVortanSoundWave::CreateInstance());
    EXPECT_EQ(VORTAN_OK, wave->LoadFromMemory(engine, &image[0], static_cast<int>(image.size()),
                                              flags, duplicates));
    return wave;
}

// A mono 44.1 kHz 16-bit sound of `frames` equal samples.
inline std::unique_ptr<CVortanSoundWave> Constant(CVortanSoundEngine* engine, int frames, int value,
                                                  int duplicates = 0, u32 flags = 0)
{
    return Load(engine, PcmWave(1, 44100, 16, Samples16(std::vector<int>(frames, value))), flags,
                duplicates);
}

inline std::string Bytes(CVortanSoundBuffer* b)
{
    return b ? std::string(reinterpret_cast<const char*>(b->GetData()), b->GetSize())
             : std::string();
}

// One period mixed through Update; the primary buffer's samples.
inline std::vector<int16_t> Period16(CVortanSoundEngine& engine)
{
    EXPECT_EQ(VORTAN_OK, engine.Update());
    return ToSamples16(Bytes(engine.GetPrimaryBuffer()));
}

// Opens the engine at 44.1 kHz 16-bit stereo without a mixer thread.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetUpCapture();
        ASSERT_EQ(VORTAN_OK,
                  engine.Open(nullptr, 44100, 16, 2, 0, VORTAN_SOUNDENGINE_NO_THREAD, 0));
    }
    CVortanSoundEngine engine;
};

} // namespace stest
