// Helpers of the sound tests: a private ALSA configuration whose default device captures
// the played PCM into a file, and builders of RIFF/WAVE images.
#pragma once
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/TestSupport.h"

namespace stest {

// A private home whose .asoundrc makes the default PCM the file plugin over the null
// device. ALSA reads its configuration once per process, so every test program sets this up
// before its first engine opens (SetUpCapture), and the capture file is the same for the
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
    std::string rc = "pcm.!default { type file; slave.pcm \"null\"; file \"" + CaptureFile() +
                     "\"; format \"raw\" }\n";
    vtest::WriteWholeFile(Home().File(".asoundrc"), rc);
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
        out.push_back(static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8)));
    return out;
}

inline void Put16(std::string* s, unsigned v)
{
    s->push_back(static_cast<char>(v & 0xff));
    s->push_back(static_cast<char>((v >> 8) & 0xff));
}

inline void Put32(std::string* s, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s->push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

// One chunk: id, size (the given one, or the body's), body, and a pad byte for odd bodies.
inline std::string Chunk(const std::string& id, const std::string& body, int64_t claimedSize = -1, bool pad = true)
{
    std::string c = id;
    Put32(&c, claimedSize < 0 ? static_cast<uint32_t>(body.size()) : static_cast<uint32_t>(claimedSize));
    c += body;
    if (pad && (body.size() & 1))
        c.push_back('\0');
    return c;
}

// A format chunk body (16 bytes for PCM; with the extra-size field and extra bytes otherwise).
inline std::string FormatBody(unsigned tag, unsigned channels, unsigned rate, unsigned bits, unsigned blockAlign,
                              const std::string* extra = nullptr)
{
    std::string f;
    Put16(&f, tag);
    Put16(&f, channels);
    Put32(&f, rate);
    Put32(&f, rate * blockAlign);
    Put16(&f, blockAlign);
    Put16(&f, bits);
    if (extra) {
        Put16(&f, static_cast<unsigned>(extra->size()));
        f += *extra;
    }
    return f;
}

// "RIFF", size, "WAVE", then the chunks as given (the first must be the format chunk).
inline std::string Riff(const std::string& chunks)
{
    std::string r = "RIFF";
    Put32(&r, static_cast<uint32_t>(4 + chunks.size()));
    return r + "WAVE" + chunks;
}

inline std::string PcmWave(unsigned channels, unsigned rate, unsigned bits, const std::string& data)
{
    unsigned blockAlign = channels * bits / 8;
    return Riff(Chunk("fmt ", FormatBody(1, channels, rate, bits, blockAlign)) + Chunk("data", data));
}

inline std::string Samples16(const std::vector<int>& samples)
{
    std::string s;
    for (int v : samples)
        Put16(&s, static_cast<unsigned>(v) & 0xffff);
    return s;
}

} // namespace stest
