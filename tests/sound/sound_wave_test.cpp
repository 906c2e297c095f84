// RIFF/WAVE loading: PCM and IMA ADPCM (checked against sox's own decoder), the chunk walk,
// sizes that do not fit, refused formats, and loading from files and data packs.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "VortanSound/VortanSoundCodec.h"
#include "VortanSound/VortanSoundEngine.h"
#include "VortanSound/VortanSoundWave.h"
#include "engine/VortanDataScrambler.h"
#include "engine/VortanMediaPack.h"
#include "tests/sound/SoundTestSupport.h"

namespace {

using stest::Chunk;
using stest::FormatBody;
using stest::Riff;

class WaveTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        stest::SetUpCapture();
        ASSERT_EQ(1, engine.Open(nullptr, 44100, 16, 2, 0, VORTAN_SOUNDENGINE_NO_THREAD, 0));
    }
    int Load(CVortanSoundWave& wave, std::string image, int duplicates = 0)
    {
        return wave.LoadFromMemory(&engine, &image[0], static_cast<int>(image.size()), 0, duplicates);
    }
    // Buffer 0's bytes.
    static std::string Data(CVortanSoundWave& wave)
    {
        CVortanSoundBuffer* b = wave.GetBuffer(0);
        return b ? std::string(reinterpret_cast<const char*>(b->GetData()), b->GetSize()) : std::string();
    }
    // ParseRiffWave's verdict on an image.
    static int Parse(const std::string& image)
    {
        std::string copy = image;
        CVortanFile file;
        file.OpenMemory(&copy[0], static_cast<int>(copy.size()), VORTAN_FILE_READ);
        CVortanSoundStream stream(&file, static_cast<i64>(copy.size()));
        CVortanWaveInfo info;
        return CVortanSoundWave::ParseRiffWave(stream, &info);
    }
    std::string DataChunkOf(const std::string& path)
    {
        std::string bytes = vtest::ReadWholeFile(path);
        size_t at = bytes.find("data");
        EXPECT_NE(std::string::npos, at);
        return bytes.substr(at + 8);
    }
    CVortanSoundEngine engine;
    vtest::TempDir dir;
};

TEST_F(WaveTest, PcmLoadsAsStored)
{
    std::string stereo = stest::Samples16({1, -2, 300, -400, 32767, -32768});
    CVortanSoundWave wave;
    ASSERT_EQ(1, Load(wave, stest::PcmWave(2, 22050, 16, stereo), 2));
    EXPECT_EQ(stereo, Data(wave));
    EXPECT_EQ(CVortanSoundFormat(2, 22050, 16, 4), wave.GetFormat());
    EXPECT_EQ(12, wave.GetDataSize());
    EXPECT_EQ(2, wave.GetDuplicateCount());
    EXPECT_EQ(3, engine.GetBufferCount());

    std::string eight("\x00\x7f\x80\xff\x10", 5);
    CVortanSoundWave mono;
    ASSERT_EQ(1, Load(mono, stest::PcmWave(1, 11025, 8, eight)));
    EXPECT_EQ(eight, Data(mono));
    EXPECT_EQ(CVortanSoundFormat(1, 11025, 8, 1), mono.GetFormat());
}

TEST_F(WaveTest, ChunkWalkSkipsEverythingElse)
{
    std::string data = stest::Samples16({10, 20, 30, 40});
    std::string labl = "\x01\x00\x00\x00" "first";
    labl.push_back('\0');
    std::string note = "\x02\x00\x00\x00" "odd note";
    note.push_back('\0');  // 13 bytes: padded
    std::string adtl = "adtl" + Chunk("labl", labl) + Chunk("note", note);
    std::string cue = "\x01\x00\x00\x00" + std::string(24, '\x05');
    std::string image = Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 16, 2)) + Chunk("fact", "\x04\x00\x00\x00") +
                             "PrMr" + std::string(4, '\x09') + Chunk("junk", "abc") /* odd: pad byte */ +
                             Chunk("data", data) + Chunk("LIST", adtl) + Chunk("cue ", cue) +
                             Chunk("LIST", "INFO" + Chunk("ICMT", std::string("hello\0", 6))));
    CVortanSoundWave wave;
    ASSERT_EQ(1, Load(wave, image));
    EXPECT_EQ(data, Data(wave));

    // An odd-sized data chunk followed by another chunk.
    std::string odd = "\x81\x82\x83";
    CVortanSoundWave eight;
    ASSERT_EQ(1, Load(eight, Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 8, 1)) + Chunk("data", odd) +
                                  Chunk("LIST", adtl))));
    EXPECT_EQ(odd, Data(eight));

    // A later data chunk is the one that counts.
    CVortanSoundWave twice;
    ASSERT_EQ(1, Load(twice, Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 8, 1)) + Chunk("data", "\x01\x02") +
                                  Chunk("data", "\x03\x04\x05"))));
    EXPECT_EQ("\x03\x04\x05", Data(twice));
}

TEST_F(WaveTest, SizesThatDoNotFit)
{
    // A data size far beyond the file is cut to what is there.
    std::string data = stest::Samples16({5, 6, 7, 8, 9});
    CVortanSoundWave big;
    ASSERT_EQ(1, Load(big, Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 16, 2)) + Chunk("data", data, 100000))));
    EXPECT_EQ(data, Data(big));

    // A partial last frame is not read (the buffer keeps silence there).
    std::string partial = stest::Samples16({1, 2, 3, 4}) + "\x05\x06";
    CVortanSoundWave stereo;
    ASSERT_EQ(1, Load(stereo, stest::PcmWave(2, 8000, 16, partial)));
    EXPECT_EQ(stest::Samples16({1, 2, 3, 4}) + std::string(2, '\0'), Data(stereo));

    // Not one whole frame of data.
    CVortanSoundWave none;
    EXPECT_EQ(9, Load(none, stest::PcmWave(2, 8000, 16, "\x01\x02")));
    EXPECT_EQ(0, none.GetBufferCount());
}

TEST_F(WaveTest, RefusedFormats)
{
    const std::string data = std::string(64, '\x11');
    struct Case {
        const char* what;
        std::string image;
        int parse;
    } cases[] = {
        {"no channels", Riff(Chunk("fmt ", FormatBody(1, 0, 8000, 16, 0)) + Chunk("data", data)), 9},
        {"three channels", Riff(Chunk("fmt ", FormatBody(1, 3, 8000, 16, 6)) + Chunk("data", data)), 9},
        {"24-bit", Riff(Chunk("fmt ", FormatBody(1, 2, 8000, 24, 6)) + Chunk("data", data)), 9},
        {"12-bit", Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 12, 2)) + Chunk("data", data)), 9},
        {"block align", Riff(Chunk("fmt ", FormatBody(1, 2, 8000, 16, 3)) + Chunk("data", data)), 9},
        {"no rate", Riff(Chunk("fmt ", FormatBody(1, 1, 0, 16, 2)) + Chunk("data", data)), 9},
        {"tiny adpcm block", Riff(Chunk("fmt ", FormatBody(17, 2, 8000, 4, 4, &data)) + Chunk("data", data)), 9},
        {"adpcm 3-bit", Riff(Chunk("fmt ", FormatBody(17, 1, 8000, 3, 32, &data)) + Chunk("data", data)), 9},
        {"other codec", Riff(Chunk("fmt ", FormatBody(85, 1, 8000, 0, 1, &data)) + Chunk("data", data)), 9},
        {"short fmt", Riff(Chunk("fmt ", "\x01\x00\x01\x00") + Chunk("data", data)), 9},
        {"no data", Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 16, 2)) + Chunk("LIST", "INFO")), 9},
        {"overlong label", Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 16, 2)) + Chunk("data", data) +
                                Chunk("LIST", "adtl" + Chunk("labl", "\x01\x00\x00\x00" + std::string(1100, 'a')))),
         9},
        {"fmt not first", Riff(Chunk("data", data) + Chunk("fmt ", FormatBody(1, 1, 8000, 16, 2))), 11},
        {"not WAVE", "RIFF\x10\x00\x00\x00" "AVI fmt \x10\x00\x00\x00" + data, 11},
        {"short header", "RIFF\x10\x00\x00\x00WAVEfmt", 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.parse, Parse(c.image)) << c.what;
        CVortanSoundWave wave;
        EXPECT_EQ(9, Load(wave, c.image, 2)) << c.what;
        EXPECT_EQ(0, wave.GetBufferCount()) << c.what;
    }
    EXPECT_EQ(0, engine.GetBufferCount());

    CVortanSoundWave wave;
    EXPECT_EQ(9, Load(wave, "ID3\x03 not a sound at all"));
    EXPECT_EQ(9, Load(wave, "OggS"));
    EXPECT_EQ(2, wave.LoadFromMemory(&engine, nullptr, 10, 0, 0));
    EXPECT_EQ(2, wave.LoadFromMemory(nullptr, &wave, 10, 0, 0));

    // A failed load also drops what the sound held.
    ASSERT_EQ(1, Load(wave, stest::PcmWave(1, 8000, 8, "abc"), 1));
    EXPECT_EQ(9, Load(wave, "RIFF"));
    EXPECT_EQ(0, wave.GetBufferCount());
    EXPECT_EQ(0, engine.GetBufferCount());
}

TEST_F(WaveTest, AdpcmStepIndexIsClamped)
{
    // One mono block of 8 bytes: predictor 0, step index 200 (read as 88), nibbles 7, 15, 0...
    std::string block = std::string("\x00\x00\xc8\x00", 4) + std::string("\xf7\x00\x00\x00", 4);
    std::string extra = "\x09\x00";  // samples per block
    CVortanSoundWave wave;
    ASSERT_EQ(1, Load(wave, Riff(Chunk("fmt ", FormatBody(17, 1, 8000, 4, 8, &extra)) + Chunk("data", block))));
    // Worked out by hand from the step table.
    EXPECT_EQ(stest::Samples16({0, 32767, -28669, -24574, -20850, -17465, -14388, -11590, -9047}),
              Data(wave));
    EXPECT_EQ(CVortanSoundFormat(1, 8000, 16, 2), wave.GetFormat());

    CVortanSoundCodecImaAdpcm codec;
    CVortanSoundFormat source(1, 22050, 4, 256);
    CVortanSoundFormat dest(1, 22050, 16, 2);
    EXPECT_EQ(0u, codec.DecodedSize(256));
    EXPECT_EQ(3, codec.Decode(reinterpret_cast<const u8*>(block.data()), 8, &block[0], 8));
    ASSERT_EQ(1, codec.SetFormats(&dest, &source));
    EXPECT_EQ(2, codec.SetFormats(nullptr, &source));
    EXPECT_EQ(1010u, codec.DecodedSize(256));
    EXPECT_EQ(3030u, codec.DecodedSize(3 * 256 + 100));
    EXPECT_EQ(505u, CVortanSoundCodecImaAdpcm::SamplesPerBlock(256, 1));
    EXPECT_EQ(6, codec.GetTypeId());
    EXPECT_EQ(64u, codec.EncodedSize(256));
    std::vector<u8> small(100);
    std::vector<u8> in(256);
    EXPECT_EQ(2, codec.Decode(in.data(), 256, small.data(), 100));  // too little room
}

TEST_F(WaveTest, AdpcmMatchesSox)
{
    struct Case {
        const char* channels;
        const char* rate;
        std::vector<std::string> synth;
    } cases[] = {
        {"1", "22050", {"sine", "440:3000"}},
        {"2", "44100", {"sine", "300", "square", "97"}},
        {"1", "8000", {"whitenoise"}},
    };
    for (const Case& c : cases) {
        std::string pcm = dir.File("pcm.wav");
        std::string adpcm = dir.File("adpcm.wav");
        std::string decoded = dir.File("decoded.wav");
        std::vector<std::string> make = {"sox", "-n", "-r", c.rate, "-c", c.channels, "-b", "16", pcm, "synth", "0.7"};
        make.insert(make.end(), c.synth.begin(), c.synth.end());
        make.insert(make.end(), {"gain", "-2"});
        ASSERT_EQ(0, vtest::RunProgram(make));
        ASSERT_EQ(0, vtest::RunProgram({"sox", pcm, "-e", "ima-adpcm", adpcm}));
        ASSERT_EQ(0, vtest::RunProgram({"sox", adpcm, "-e", "signed-integer", "-b", "16", decoded}));

        CVortanSoundWave wave;
        ASSERT_EQ(1, wave.LoadFromFile(&engine, CVortanString(adpcm.c_str()), 0, 0)) << c.channels;
        std::string ours = Data(wave);
        std::string reference = DataChunkOf(decoded);
        ASSERT_GT(reference.size(), 10000u);
        ASSERT_GE(ours.size(), reference.size());
        EXPECT_TRUE(ours.compare(0, reference.size(), reference) == 0) << c.channels << " channel(s) differ";
        EXPECT_EQ(std::string(ours.size() - reference.size(), '\0'), ours.substr(reference.size()));
        EXPECT_EQ(static_cast<u32>(atoi(c.channels)), wave.GetFormat().m_channels);
    }
}

TEST_F(WaveTest, SoxPcmFileFromDisk)
{
    std::string path = dir.File("tone.wav");
    ASSERT_EQ(0, vtest::RunProgram({"sox", "-n", "-r", "11025", "-c", "2", "-b", "8", path, "synth", "0.2", "sine",
                                    "1000"}));
    CVortanSoundWave wave;
    ASSERT_EQ(1, wave.LoadFromFile(&engine, CVortanString(path.c_str()), 0, 1));
    EXPECT_EQ(DataChunkOf(path), Data(wave));
    EXPECT_EQ(CVortanSoundFormat(2, 11025, 8, 2), wave.GetFormat());
    EXPECT_EQ(10, wave.LoadFromFile(&engine, CVortanString(dir.File("missing.wav").c_str()), 0, 0));
    EXPECT_EQ(0, wave.GetBufferCount());
}

std::string Pack(const std::vector<std::pair<std::string, std::string>>& entries)
{
    std::string table;
    size_t tableSize = 8;
    for (const auto& e : entries)
        tableSize += 2 + e.first.size() + 4;
    std::string blocks;
    for (const auto& e : entries) {
        stest::Put16(&table, static_cast<unsigned>(e.first.size()));
        table += e.first;
        stest::Put32(&table, static_cast<uint32_t>(tableSize + blocks.size()));
        blocks += std::string(4, '\0');
        stest::Put32(&blocks, static_cast<uint32_t>(e.second.size()));
        blocks += e.second;
    }
    std::string pack = "DMP2";
    stest::Put32(&pack, static_cast<uint32_t>(entries.size()));
    return pack + table + blocks;
}

TEST_F(WaveTest, LoadsFromDataPacks)
{
    std::string first = stest::PcmWave(1, 8000, 8, "\x10\x20\x30");
    // Its data chunk claims more than the entry holds: the neighbour is not read.
    std::string greedy = Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 8, 1)) + Chunk("data", "\x41\x42", 50));
    std::string path = dir.File("sounds.dmp");
    ASSERT_TRUE(vtest::WriteWholeFile(path, Pack({{"/one.wav", first}, {"/greedy.wav", greedy}, {"/after", "XYZW"}})));
    CVortanMediaPack pack;
    ASSERT_EQ(1, pack.Open(CVortanString(path.c_str())));
    CVortanSoundWave wave;
    ASSERT_EQ(1, wave.LoadFromPack(&engine, &pack, CVortanString("/one.wav"), 0, 0, 1));
    EXPECT_EQ("\x10\x20\x30", Data(wave));
    EXPECT_EQ(1, wave.GetDuplicateCount());
    ASSERT_EQ(1, wave.LoadFromPack(&engine, &pack, CVortanString(), 1, 0, 0));
    EXPECT_EQ("\x41\x42", Data(wave));
    EXPECT_EQ(1, engine.GetBufferCount());
    EXPECT_EQ(8, wave.LoadFromPack(&engine, &pack, CVortanString("/none.wav"), 0, 0, 0));
    EXPECT_EQ(0, wave.GetBufferCount());
    EXPECT_EQ(2, wave.LoadFromPack(&engine, nullptr, CVortanString("/one.wav"), 0, 0, 0));

    // A pack with a key holds its entries scrambled.
    CVortanString key("sound-key");
    std::string scrambled = first;
    CVortanDataScrambler().Process(key, &scrambled[0], static_cast<int>(scrambled.size()));
    std::string keyed = dir.File("keyed.dmp");
    ASSERT_TRUE(vtest::WriteWholeFile(keyed, Pack({{"/one.wav", scrambled}})));
    CVortanMediaPack keyedPack;
    ASSERT_EQ(1, keyedPack.Open(CVortanString(keyed.c_str()), key));
    ASSERT_EQ(1, wave.LoadFromPack(&engine, &keyedPack, CVortanString("one.wav"), 0, 0, 0));
    EXPECT_EQ("\x10\x20\x30", Data(wave));
}

} // namespace
