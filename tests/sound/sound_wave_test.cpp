// RIFF/WAVE loading: PCM and IMA ADPCM (checked against sox's own decoder), the chunk walk,
// sizes that do not fit, refused formats, and loading from files and data packs.
#include <gtest/gtest.h>

#include <vector>

#include "VortanSound/VortanSoundCodec.h"
#include "VortanSound/VortanSoundEngine.h"
#include "VortanSound/VortanSoundWave.h"
#include "engine/VortanDataScrambler.h"
#include "engine/VortanMediaPack.h"
#include "tests/sound/SoundTestSupport.h"
#include "tests/support/PackWriter.h"

namespace {

using stest::Chunk;
using stest::FormatBody;
using stest::Riff;

class WaveTest : public stest::EngineTest {
protected:
    int Load(CVortanSoundWave& wave, std::string image, int duplicates = 0)
    {
        return wave.LoadFromMemory(&engine, &image[0], static_cast<int>(image.size()), 0,
                                   duplicates);
    }
    static std::string Data(CVortanSoundWave& wave) { return stest::Bytes(wave.GetBuffer(0)); }
    // ParseRiffWave's verdict on an image.
    static int Parse(std::string image)
    {
        CVortanFile file;
        file.OpenMemory(&image[0], static_cast<int>(image.size()), VORTAN_FILE_READ);
        CVortanSoundStream stream(&file, static_cast<i64>(image.size()));
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
    vtest::TempDir dir;
};

TEST_F(WaveTest, ChunkWalkAndSizesThatDoNotFit)
{
    std::string data = stest::Samples16({10, 20, 30, 40});
    std::string stereo = stest::Samples16({1, -2, 300, -400, 32767, -32768});
    std::string eight("\x00\x7f\x80\xff\x10", 5);
    std::string labl = std::string("\x01\x00\x00\x00"
                                   "first",
                                   10);
    std::string note = std::string("\x02\x00\x00\x00"
                                   "odd note",
                                   13); // 13 bytes: padded
    std::string adtl = "adtl" + Chunk("labl", labl) + Chunk("note", note);
    std::string cue = "\x01\x00\x00\x00" + std::string(24, '\x05');
    std::string fmt8 = Chunk("fmt ", FormatBody(1, 1, 8000, 8, 1));
    std::string fmt16 = Chunk("fmt ", FormatBody(1, 1, 8000, 16, 2));
    const struct {
        const char* what;
        std::string image, data;
    } cases[] = {
        {"stereo", stest::PcmWave(2, 22050, 16, stereo), stereo},
        {"8-bit", stest::PcmWave(1, 11025, 8, eight), eight},
        {"every chunk kind",
         Riff(fmt16 + Chunk("fact", "\x04\x00\x00\x00") + "PrMr" + std::string(4, '\x09') +
              Chunk("junk", "abc") /* odd: pad byte */ + Chunk("data", data) + Chunk("LIST", adtl) +
              Chunk("cue ", cue) +
              Chunk("LIST", "INFO" + Chunk("ICMT", std::string("hello\0", 6)))),
         data},
        {"odd data chunk", Riff(fmt8 + Chunk("data", "\x81\x82\x83") + Chunk("LIST", adtl)),
         "\x81\x82\x83"},
        {"later data chunk", Riff(fmt8 + Chunk("data", "\x01\x02") + Chunk("data", "\x03\x04\x05")),
         "\x03\x04\x05"},
        {"size beyond the file", Riff(fmt16 + Chunk("data", data, 100000)), data},
        // A partial last frame is not read (the buffer keeps silence there).
        {"partial frame", stest::PcmWave(2, 8000, 16, data + "\x05\x06"),
         data + std::string(2, '\0')},
    };
    for (const auto& c : cases) {
        CVortanSoundWave wave;
        ASSERT_EQ(VORTAN_OK, Load(wave, c.image, 2)) << c.what;
        EXPECT_EQ(c.data, Data(wave)) << c.what;
        EXPECT_EQ(3, wave.GetBufferCount()) << c.what;
    }
    CVortanSoundWave wave;
    ASSERT_EQ(VORTAN_OK, Load(wave, cases[0].image));
    EXPECT_EQ(CVortanSoundFormat(2, 22050, 16, 4), wave.GetFormat());
    ASSERT_EQ(VORTAN_OK, Load(wave, cases[1].image));
    EXPECT_EQ(CVortanSoundFormat(1, 11025, 8, 1), wave.GetFormat());
    // Not one whole frame of data.
    EXPECT_EQ(VORTAN_E_FAIL, Load(wave, stest::PcmWave(2, 8000, 16, "\x01\x02")));
    EXPECT_EQ(0, wave.GetBufferCount());
}

TEST_F(WaveTest, RefusedFormats)
{
    const std::string data = std::string(64, '\x11');
    auto pcm = [&](unsigned tag, unsigned ch, unsigned rate, unsigned bits, unsigned align,
                   const std::string* extra) {
        return Riff(Chunk("fmt ", FormatBody(tag, ch, rate, bits, align, extra)) +
                    Chunk("data", data));
    };
    const struct {
        const char* what;
        std::string image;
        int parse;
    } cases[] = {
        {"no channels", pcm(1, 0, 8000, 16, 0, nullptr), VORTAN_E_FAIL},
        {"three channels", pcm(1, 3, 8000, 16, 6, nullptr), VORTAN_E_FAIL},
        {"24-bit", pcm(1, 2, 8000, 24, 6, nullptr), VORTAN_E_FAIL},
        {"12-bit", pcm(1, 1, 8000, 12, 2, nullptr), VORTAN_E_FAIL},
        {"block align", pcm(1, 2, 8000, 16, 3, nullptr), VORTAN_E_FAIL},
        {"no rate", pcm(1, 1, 0, 16, 2, nullptr), VORTAN_E_FAIL},
        {"tiny adpcm block", pcm(17, 2, 8000, 4, 4, &data), VORTAN_E_FAIL},
        {"adpcm 3-bit", pcm(17, 1, 8000, 3, 32, &data), VORTAN_E_FAIL},
        {"other codec", pcm(85, 1, 8000, 0, 1, &data), VORTAN_E_FAIL},
        {"short fmt", Riff(Chunk("fmt ", "\x01\x00\x01\x00") + Chunk("data", data)), VORTAN_E_FAIL},
        {"no data", Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 16, 2)) + Chunk("LIST", "INFO")),
         VORTAN_E_FAIL},
        {"overlong label",
         Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 16, 2)) + Chunk("data", data) +
              Chunk("LIST", "adtl" + Chunk("labl", "\x01\x00\x00\x00" + std::string(1100, 'a')))),
         VORTAN_E_FAIL},
        {"fmt not first", Riff(Chunk("data", data) + Chunk("fmt ", FormatBody(1, 1, 8000, 16, 2))),
         VORTAN_E_VERSION},
        {"not WAVE",
         "RIFF\x10\x00\x00\x00"
         "AVI fmt \x10\x00\x00\x00" +
             data,
         VORTAN_E_VERSION},
        {"short header", "RIFF\x10\x00\x00\x00WAVEfmt", VORTAN_E_ARGUMENT},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.parse, Parse(c.image)) << c.what;
        CVortanSoundWave wave;
        EXPECT_EQ(VORTAN_E_FAIL, Load(wave, c.image, 2)) << c.what;
        EXPECT_EQ(0, wave.GetBufferCount()) << c.what;
    }
    EXPECT_EQ(0, engine.GetBufferCount());

    CVortanSoundWave wave;
    EXPECT_EQ(VORTAN_E_FAIL, Load(wave, "ID3\x03 not a sound at all"));
    EXPECT_EQ(VORTAN_E_FAIL, Load(wave, "OggS"));
    EXPECT_EQ(VORTAN_E_ARGUMENT, wave.LoadFromMemory(&engine, nullptr, 10, 0, 0));
    EXPECT_EQ(VORTAN_E_ARGUMENT, wave.LoadFromMemory(nullptr, &wave, 10, 0, 0));

    // A failed load also drops what the sound held.
    ASSERT_EQ(VORTAN_OK, Load(wave, stest::PcmWave(1, 8000, 8, "abc"), 1));
    EXPECT_EQ(VORTAN_E_FAIL, Load(wave, "RIFF"));
    EXPECT_EQ(0, wave.GetBufferCount());
    EXPECT_EQ(0, engine.GetBufferCount());
}

TEST_F(WaveTest, FewerThanFourHeaderBytesIsABadArgument)
{
    // Too short to say what kind of sound it is: a bad argument, not data of another kind.
    CVortanSoundWave wave;
    for (std::string image : {std::string("R"), std::string("Og"), std::string("RIF")}) {
        ASSERT_EQ(VORTAN_OK, Load(wave, stest::PcmWave(1, 8000, 8, "abc"), 1));
        EXPECT_EQ(VORTAN_E_ARGUMENT, Load(wave, image, 1)) << image;
        EXPECT_EQ(0, wave.GetBufferCount()) << image;
    }
    // Four bytes of another kind are still refused as such.
    EXPECT_EQ(VORTAN_E_FAIL, Load(wave, "RIFX"));

    std::string empty = dir.File("empty.wav"), three = dir.File("three.wav");
    ASSERT_TRUE(vtest::WriteWholeFile(empty, ""));
    ASSERT_TRUE(vtest::WriteWholeFile(three, "Ogg"));
    EXPECT_EQ(VORTAN_E_ARGUMENT, wave.LoadFromFile(&engine, CVortanString(empty.c_str()), 0, 0));
    EXPECT_EQ(VORTAN_E_ARGUMENT, wave.LoadFromFile(&engine, CVortanString(three.c_str()), 0, 0));

    // A pack entry of two bytes, plain and scrambled, followed by a whole sound: the short
    // entry does not borrow its neighbour's bytes.
    std::string after = stest::PcmWave(1, 8000, 8, "\x10");
    std::string plain = dir.File("plain.dmp");
    ASSERT_TRUE(
        vtest::WriteWholeFile(plain, vtest::MakePack({{"/short", "RI"}, {"/after", after}})));
    CVortanMediaPack pack;
    ASSERT_EQ(VORTAN_OK, pack.Open(CVortanString(plain.c_str())));
    EXPECT_EQ(VORTAN_E_ARGUMENT,
              wave.LoadFromPack(&engine, &pack, CVortanString("/short"), 0, 0, 0));

    CVortanString key("short-key");
    std::string scrambled = "RI";
    CVortanDataScrambler().Process(key, &scrambled[0], 2);
    std::string keyed = dir.File("keyed.dmp");
    ASSERT_TRUE(
        vtest::WriteWholeFile(keyed, vtest::MakePack({{"/short", scrambled}, {"/after", after}})));
    CVortanMediaPack keyedPack;
    ASSERT_EQ(VORTAN_OK, keyedPack.Open(CVortanString(keyed.c_str()), key));
    EXPECT_EQ(VORTAN_E_ARGUMENT,
              wave.LoadFromPack(&engine, &keyedPack, CVortanString("/short"), 0, 0, 0));
    EXPECT_EQ(0, wave.GetBufferCount());
    EXPECT_EQ(0, engine.GetBufferCount());
}

TEST_F(WaveTest, FailedStreamLoadLeavesNoBuffers)
{
    CVortanSoundWave wave;
    ASSERT_EQ(VORTAN_OK, Load(wave, stest::PcmWave(1, 8000, 8, "abc"), 1));
    std::string images[] = {"ID3\x03 tags", "RI", stest::PcmWave(1, 8000, 24, "abcdef")};
    const int codes[] = {VORTAN_E_FAIL, VORTAN_E_ARGUMENT, VORTAN_E_FAIL};
    for (int i = 0; i < 3; ++i) {
        CVortanFile file;
        ASSERT_EQ(VORTAN_OK, file.OpenMemory(&images[i][0], static_cast<int>(images[i].size()),
                                             VORTAN_FILE_READ));
        EXPECT_EQ(codes[i],
                  wave.LoadFromStream(&engine, &file, static_cast<int>(images[i].size()), 0))
            << i;
        EXPECT_EQ(0, wave.GetBufferCount()) << i;
    }
    EXPECT_EQ(0, engine.GetBufferCount());
}

TEST_F(WaveTest, AdpcmStepIndexIsClamped)
{
    // One mono block of 8 bytes: predictor 0, step index 200 (read as 88), nibbles 7, 15, 0...
    std::string block = std::string("\x00\x00\xc8\x00", 4) + std::string("\xf7\x00\x00\x00", 4);
    std::string extra = "\x09\x00"; // samples per block
    CVortanSoundWave wave;
    ASSERT_EQ(VORTAN_OK, Load(wave, Riff(Chunk("fmt ", FormatBody(17, 1, 8000, 4, 8, &extra)) +
                                         Chunk("data", block))));
    // Worked out by hand from the step table.
    EXPECT_EQ(stest::Samples16({0, 32767, -28669, -24574, -20850, -17465, -14388, -11590, -9047}),
              Data(wave));
    EXPECT_EQ(CVortanSoundFormat(1, 8000, 16, 2), wave.GetFormat());

    // The codec without formats refuses; with them it wants room for whole blocks only.
    CVortanSoundCodecImaAdpcm codec;
    CVortanSoundFormat source(1, 22050, 4, 256), dest(1, 22050, 16, 2);
    EXPECT_EQ(VORTAN_E_RANGE,
              codec.Decode(reinterpret_cast<const u8*>(block.data()), 8, &block[0], 8));
    ASSERT_EQ(VORTAN_OK, codec.SetFormats(&dest, &source));
    EXPECT_EQ(3030u, codec.DecodedSize(3 * 256 + 100)); // 505 samples per 256-byte block
    std::vector<u8> small(100), in(256);
    // Too little room.
    EXPECT_EQ(VORTAN_E_ARGUMENT, codec.Decode(in.data(), 256, small.data(), 100));
}

TEST_F(WaveTest, SoxFilesFromDiskAndAdpcmMatchesSox)
{
    const struct {
        const char* channels;
        const char* rate;
        std::vector<std::string> synth;
    } cases[] = {
        {"1", "22050", {"sine", "440:3000"}},
        {"2", "44100", {"sine", "300", "square", "97"}},
        {"1", "8000", {"whitenoise"}},
    };
    for (const auto& c : cases) {
        std::string pcm = dir.File("pcm.wav"), adpcm = dir.File("adpcm.wav"),
                    decoded = dir.File("decoded.wav");
        std::vector<std::string> make = {"sox", "-n", "-r", c.rate,  "-c", c.channels,
                                         "-b",  "16", pcm,  "synth", "0.7"};
        make.insert(make.end(), c.synth.begin(), c.synth.end());
        make.insert(make.end(), {"gain", "-2"});
        ASSERT_EQ(0, vtest::RunProgram(make));
        ASSERT_EQ(0, vtest::RunProgram({"sox", pcm, "-e", "ima-adpcm", adpcm}));
        ASSERT_EQ(0,
                  vtest::RunProgram({"sox", adpcm, "-e", "signed-integer", "-b", "16", decoded}));

        // The PCM file itself loads as stored.
        CVortanSoundWave wave;
        ASSERT_EQ(VORTAN_OK, wave.LoadFromFile(&engine, CVortanString(pcm.c_str()), 0, 1));
        EXPECT_EQ(DataChunkOf(pcm), Data(wave));
        ASSERT_EQ(VORTAN_OK, wave.LoadFromFile(&engine, CVortanString(adpcm.c_str()), 0, 0))
            << c.channels;
        std::string ours = Data(wave);
        std::string reference = DataChunkOf(decoded);
        ASSERT_GT(reference.size(), 10000u);
        ASSERT_GE(ours.size(), reference.size());
        EXPECT_TRUE(ours.compare(0, reference.size(), reference) == 0)
            << c.channels << " channel(s) differ";
        EXPECT_EQ(std::string(ours.size() - reference.size(), '\0'), ours.substr(reference.size()));
        EXPECT_EQ(static_cast<u32>(atoi(c.channels)), wave.GetFormat().m_channels);
    }
    CVortanSoundWave wave;
    EXPECT_EQ(VORTAN_E_OPEN,
              wave.LoadFromFile(&engine, CVortanString(dir.File("missing.wav").c_str()), 0, 0));
    EXPECT_EQ(0, wave.GetBufferCount());
}

TEST_F(WaveTest, LoadsFromDataPacks)
{
    std::string first = stest::PcmWave(1, 8000, 8, "\x10\x20\x30");
    // Its data chunk claims more than the entry holds: the neighbour is not read.
    std::string greedy =
        Riff(Chunk("fmt ", FormatBody(1, 1, 8000, 8, 1)) + Chunk("data", "\x41\x42", 50));
    std::string path = dir.File("sounds.dmp");
    ASSERT_TRUE(vtest::WriteWholeFile(
        path, vtest::MakePack({{"/one.wav", first}, {"/greedy.wav", greedy}, {"/after", "XYZW"}})));
    CVortanMediaPack pack;
    ASSERT_EQ(VORTAN_OK, pack.Open(CVortanString(path.c_str())));
    CVortanSoundWave wave;
    ASSERT_EQ(VORTAN_OK, wave.LoadFromPack(&engine, &pack, CVortanString("/one.wav"), 0, 0, 1));
    EXPECT_EQ("\x10\x20\x30", Data(wave));
    EXPECT_EQ(1, wave.GetDuplicateCount());
    ASSERT_EQ(VORTAN_OK, wave.LoadFromPack(&engine, &pack, CVortanString(), 1, 0, 0));
    EXPECT_EQ("\x41\x42", Data(wave));
    EXPECT_EQ(1, engine.GetBufferCount());
    EXPECT_EQ(VORTAN_E_MISSING,
              wave.LoadFromPack(&engine, &pack, CVortanString("/none.wav"), 0, 0, 0));
    EXPECT_EQ(0, wave.GetBufferCount());
    EXPECT_EQ(VORTAN_E_ARGUMENT,
              wave.LoadFromPack(&engine, nullptr, CVortanString("/one.wav"), 0, 0, 0));

    // A pack with a key holds its entries scrambled.
    CVortanString key("sound-key");
    std::string scrambled = first;
    CVortanDataScrambler().Process(key, &scrambled[0], static_cast<int>(scrambled.size()));
    std::string keyed = dir.File("keyed.dmp");
    ASSERT_TRUE(vtest::WriteWholeFile(keyed, vtest::MakePack({{"/one.wav", scrambled}})));
    CVortanMediaPack keyedPack;
    ASSERT_EQ(VORTAN_OK, keyedPack.Open(CVortanString(keyed.c_str()), key));
    ASSERT_EQ(VORTAN_OK, wave.LoadFromPack(&engine, &keyedPack, CVortanString("one.wav"), 0, 0, 0));
    EXPECT_EQ("\x10\x20\x30", Data(wave));
}

} // namespace
