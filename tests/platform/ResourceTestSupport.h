// Shared pieces of the resource manager tests: an application without a window whose
// graphics is the drawing-free extension of a chosen size, a DMP2 writer, and WAV and PNG
// makers (PNGs come from ImageMagick, WAVs are written byte by byte).
#pragma once
#include <gtest/gtest.h>
#include <stdint.h>
#include <string.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/VortanString.h"
#include "engine/graphics/VortanGraphicsExt_Null.h"
#include "engine/graphics/VortanSurface.h"
#include "engine/platform/VortanApplication.h"
#include "tests/support/TestSupport.h"

namespace rtest {

// An application that never makes a window: GetGraphics is a null extension of the given
// size, and surfaces keep texture names without GL.
class ScreenApp : public IVortanApplication {
public:
    ScreenApp(int width, int height)
    {
        m_ext = new CVortanGraphicsExt_Null();
        ReplaceGraphicsExt(m_ext);
        m_ext->Create(0);
        m_ext->Resize(width, height);
    }
    void Update() override {}
    void SetScreen(int width, int height) { m_ext->Resize(width, height); }

private:
    CVortanGraphicsExt_Null* m_ext;
};

typedef std::vector<std::pair<std::string, std::string>> Entries;

inline void PutU16(std::string& out, uint16_t v) { out.append({(char)(v & 0xff), (char)(v >> 8)}); }
inline void PutU32(std::string& out, uint32_t v) { PutU16(out, (uint16_t)v), PutU16(out, (uint16_t)(v >> 16)); }

// A DMP2 pack: entries take their names as given (the pack tool writes "/" + bare name).
inline std::string MakePack(const Entries& entries)
{
    std::string pack = "DMP2";
    PutU32(pack, (uint32_t)entries.size());
    size_t tableSize = 0;
    for (const auto& e : entries)
        tableSize += 2 + e.first.size() + 4;
    uint32_t offset = (uint32_t)(8 + tableSize);
    std::string blocks;
    for (const auto& e : entries) {
        PutU16(pack, (uint16_t)e.first.size());
        pack += e.first;
        PutU32(pack, offset + (uint32_t)blocks.size());
        PutU32(blocks, 0);
        PutU32(blocks, (uint32_t)e.second.size());
        blocks += e.second;
    }
    return pack + blocks;
}

inline void WritePack(const std::string& path, const Entries& entries)
{
    ASSERT_TRUE(vtest::WriteWholeFile(path, MakePack(entries))) << path;
}

// RIFF/WAVE, 16-bit PCM mono at 8000 Hz with `samples` samples of a small saw tooth.
inline std::string MakeWav(int samples)
{
    std::string data;
    for (int i = 0; i < samples; ++i)
        PutU16(data, (uint16_t)(int16_t)((i % 64) * 256 - 8192));
    std::string wav = "RIFF";
    PutU32(wav, (uint32_t)(36 + data.size()));
    wav += "WAVEfmt ";
    PutU32(wav, 16);
    PutU16(wav, 1), PutU16(wav, 1), PutU32(wav, 8000), PutU32(wav, 16000);  // PCM, mono, rate, bytes/s
    PutU16(wav, 2), PutU16(wav, 16);                                          // block align, bits
    wav += "data";
    PutU32(wav, (uint32_t)data.size());
    return wav + data;
}

// A PNG of one flat colour ("#RRGGBB" or any ImageMagick colour), cached per request.
inline std::string MakePng(int width, int height, const std::string& colour)
{
    static std::map<std::string, std::string> cache;
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    std::string& bytes = cache[size + colour];
    if (bytes.empty()) {
        vtest::TempDir dir;
        EXPECT_EQ(vtest::RunProgram({"convert", "-size", size, "xc:" + colour, "-define", "png:color-type=6",
                                     "PNG32:" + dir.File("image.png")}),
                  0);
        bytes = vtest::ReadWholeFile(dir.File("image.png"));
        EXPECT_FALSE(bytes.empty());
    }
    return bytes;
}

inline CVortanString S(const std::string& text) { return CVortanString(text.c_str()); }

}  // namespace rtest
