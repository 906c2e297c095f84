// Shared pieces of the resource manager tests: an application without a window whose
// graphics is the drawing-free extension of a chosen size, a pack file writer, and WAV and PNG
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
#include "tests/support/PackWriter.h"
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

typedef vtest::PackEntries Entries;

inline void WritePack(const std::string& path, const Entries& entries)
{
    ASSERT_TRUE(vtest::WriteWholeFile(path, vtest::MakePack(entries))) << path;
}

// RIFF/WAVE, 16-bit PCM mono at 8000 Hz with `samples` samples of a small saw tooth.
inline std::string MakeWav(int samples)
{
    using vtest::PutU16;
    using vtest::PutU32;
    std::string data;
    for (int i = 0; i < samples; ++i)
        PutU16(&data, (uint16_t)(int16_t)((i % 64) * 256 - 8192));
    std::string wav = "RIFF";
    PutU32(&wav, (uint32_t)(36 + data.size()));
    wav += "WAVEfmt ";
    PutU32(&wav, 16);
    PutU16(&wav, 1), PutU16(&wav, 1), PutU32(&wav, 8000),
        PutU32(&wav, 16000);           // PCM, mono, rate, bytes/s
    PutU16(&wav, 2), PutU16(&wav, 16); // block align, bits
    wav += "data";
    PutU32(&wav, (uint32_t)data.size());
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
        EXPECT_EQ(vtest::RunProgram({"convert", "-size", size, "xc:" + colour, "-define",
                                     "png:color-type=6", "PNG32:" + dir.File("image.png")}),
                  0);
        bytes = vtest::ReadWholeFile(dir.File("image.png"));
        EXPECT_FALSE(bytes.empty());
    }
    return bytes;
}

inline CVortanString S(const std::string& text)
{
    return CVortanString(text.c_str());
}

} // namespace rtest
