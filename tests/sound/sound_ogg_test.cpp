// Ogg Vorbis decoding checked against libvorbisfile (loaded at run time) on files made by
// sox and oggenc: the same float samples, rounded as floor(x * 32767 + 0.5).
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <math.h>

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <vector>

#include "VortanSound/VortanSoundEngine.h"
#include "VortanSound/VortanSoundWave.h"
#include "tests/sound/SoundTestSupport.h"

namespace {

// libvorbisfile's decode of a whole file: the float samples (interleaved) and ov_read's
// own 16-bit output.
struct Reference {
    int channels = 0;
    long rate = 0;
    std::vector<float> floats;
    std::vector<int16_t> shorts;
};

bool DecodeWithVorbisfile(const std::string& path, Reference* ref)
{
    static void* lib = dlopen("libvorbisfile.so.3", RTLD_NOW);
    if (!lib)
        return false;
    auto ovFopen = reinterpret_cast<int (*)(const char*, OggVorbis_File*)>(dlsym(lib, "ov_fopen"));
    auto ovInfo = reinterpret_cast<vorbis_info* (*)(OggVorbis_File*, int)>(dlsym(lib, "ov_info"));
    auto ovReadFloat = reinterpret_cast<long (*)(OggVorbis_File*, float***, int, int*)>(
        dlsym(lib, "ov_read_float"));
    auto ovRead = reinterpret_cast<long (*)(OggVorbis_File*, char*, int, int, int, int, int*)>(
        dlsym(lib, "ov_read"));
    auto ovClear = reinterpret_cast<int (*)(OggVorbis_File*)>(dlsym(lib, "ov_clear"));
    OggVorbis_File vf;
    if (!ovFopen || !ovInfo || !ovReadFloat || !ovRead || !ovClear ||
        ovFopen(path.c_str(), &vf) != 0)
        return false;
    ref->channels = ovInfo(&vf, -1)->channels;
    ref->rate = ovInfo(&vf, -1)->rate;
    int section = 0;
    float** pcm = nullptr;
    for (long n; (n = ovReadFloat(&vf, &pcm, 1024, &section)) > 0;)
        for (long j = 0; j < n; ++j)
            for (int c = 0; c < ref->channels; ++c)
                ref->floats.push_back(pcm[c][j]);
    ovClear(&vf);
    if (ovFopen(path.c_str(), &vf) != 0)
        return false;
    char buffer[8192];
    for (long n; (n = ovRead(&vf, buffer, sizeof buffer, 0, 2, 1, &section)) > 0;) {
        std::vector<int16_t> s = stest::ToSamples16(std::string(buffer, static_cast<size_t>(n)));
        ref->shorts.insert(ref->shorts.end(), s.begin(), s.end());
    }
    ovClear(&vf);
    return true;
}

int16_t Rounded(float x)
{
    float v = floorf(x * 32767.0f + 0.5f);
    return static_cast<int16_t>(v > 32767.0f ? 32767.0f : (v < -32768.0f ? -32768.0f : v));
}

class OggTest : public stest::EngineTest {
protected:
    // A sox-made tone encoded by oggenc.
    std::string MakeOgg(const std::string& name, const char* channels, const char* rate,
                        const char* seconds, std::vector<std::string> synth)
    {
        std::string wav = dir.File(name + ".wav"), ogg = dir.File(name + ".ogg");
        std::vector<std::string> make = {"sox", "-n", "-r", rate,    "-c",   channels,
                                         "-b",  "16", wav,  "synth", seconds};
        make.insert(make.end(), synth.begin(), synth.end());
        EXPECT_EQ(0, vtest::RunProgram(make));
        EXPECT_EQ(0, vtest::RunProgram({"oggenc", "-Q", "-q", "3", "-o", ogg, wav}));
        return ogg;
    }
    int Load(CVortanSoundWave& wave, std::string bytes)
    {
        return wave.LoadFromMemory(&engine, &bytes[0], static_cast<int>(bytes.size()), 0, 0);
    }
    static std::vector<int16_t> Samples(CVortanSoundWave& w)
    {
        return stest::ToSamples16(stest::Bytes(w.GetBuffer(0)));
    }
    vtest::TempDir dir;
};

TEST_F(OggTest, DecodesAsLibvorbisfileDoes)
{
    const struct {
        const char* channels;
        const char* rate;
        std::vector<std::string> synth;
    } cases[] = {
        {"1", "22050", {"sine", "440", "gain", "-1"}},
        {"2", "44100", {"sine", "300", "sine", "700", "gain", "-3"}},
        {"2", "32000", {"pinknoise"}}, // loud enough to clip now and then
    };
    for (const auto& c : cases) {
        std::string ogg = MakeOgg("tone", c.channels, c.rate, "1.3", c.synth);
        Reference ref;
        ASSERT_TRUE(DecodeWithVorbisfile(ogg, &ref));
        ASSERT_GT(ref.floats.size(), 20000u);
        CVortanSoundWave wave;
        ASSERT_EQ(VORTAN_OK, wave.LoadFromFile(&engine, CVortanString(ogg.c_str()), 0, 1));
        EXPECT_EQ(CVortanSoundFormat(static_cast<u32>(ref.channels), static_cast<u32>(ref.rate), 16,
                                     static_cast<u32>(2 * ref.channels)),
                  wave.GetFormat());
        std::vector<int16_t> ours = Samples(wave);
        ASSERT_EQ(ref.floats.size(), ours.size()) << c.channels << " " << c.rate;
        ASSERT_EQ(ref.shorts.size(), ours.size());
        size_t mismatches = 0, beyondOne = 0;
        for (size_t i = 0; i < ours.size(); ++i) {
            mismatches += ours[i] != Rounded(ref.floats[i]);
            beyondOne += abs(ours[i] - ref.shorts[i]) > 1;
        }
        EXPECT_EQ(0u, mismatches) << c.channels << " " << c.rate;
        // ov_read scales by 32768 and rounds to nearest: never more than one step away.
        EXPECT_EQ(0u, beyondOne);
    }
}

TEST_F(OggTest, ChainedStreamsFollowEachOther)
{
    std::string a = vtest::ReadWholeFile(MakeOgg("a", "1", "22050", "0.4", {"sine", "500"}));
    std::string b =
        vtest::ReadWholeFile(MakeOgg("b", "1", "22050", "0.6", {"square", "200", "gain", "-6"}));
    CVortanSoundWave first, second, both;
    ASSERT_EQ(VORTAN_OK, Load(first, a));
    ASSERT_EQ(VORTAN_OK, Load(second, b));
    ASSERT_EQ(VORTAN_OK, Load(both, a + b));
    std::vector<int16_t> expected = Samples(first), tail = Samples(second);
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_TRUE(expected == Samples(both));

    // A chained stream of another channel count cannot share one buffer.
    std::string stereo = vtest::ReadWholeFile(MakeOgg("c", "2", "22050", "0.3", {"sine", "500"}));
    CVortanSoundWave mixed;
    EXPECT_EQ(VORTAN_E_FAIL, Load(mixed, a + stereo));
    EXPECT_EQ(0, mixed.GetBufferCount());
}

TEST_F(OggTest, DamagedStreams)
{
    std::string good =
        vtest::ReadWholeFile(MakeOgg("d", "2", "44100", "1.0", {"pinknoise", "gain", "-6"}));
    ASSERT_GT(good.size(), 10000u);
    CVortanSoundWave wave;
    ASSERT_EQ(VORTAN_OK, Load(wave, good));
    size_t whole = Samples(wave).size();
    // Cut inside the headers (the codebooks take a few kilobytes).
    EXPECT_EQ(VORTAN_E_FAIL, Load(wave, good.substr(0, 200)));
    EXPECT_EQ(VORTAN_E_FAIL, Load(wave, good.substr(0, 3000)));
    EXPECT_EQ(0, wave.GetBufferCount());
    // Cut inside the audio: what is there decodes.
    ASSERT_EQ(VORTAN_OK, Load(wave, good.substr(0, good.size() * 3 / 4)));
    EXPECT_GT(Samples(wave).size(), 0u);
    EXPECT_LT(Samples(wave).size(), whole);
    // Something that only starts like Ogg.
    std::string junk = "OggS";
    for (int i = 0; i < 20000; ++i)
        junk.push_back(static_cast<char>((i * 7919) >> 3));
    EXPECT_EQ(VORTAN_E_FAIL, Load(wave, junk));
    // Three channels: the mixer plays mono and stereo only.
    EXPECT_EQ(VORTAN_E_FAIL,
              Load(wave, vtest::ReadWholeFile(MakeOgg("e", "3", "22050", "0.2", {"sine", "440"}))));
    EXPECT_EQ(0, engine.GetBufferCount());
}

} // namespace
