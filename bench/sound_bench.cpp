// Sound: the mixer's cost per output frame with 1, 8 and 32 playing sources (against the
// real-time budget of 44,100 frames a second), and Ogg Vorbis decoding against
// libvorbisfile's own decode of the same file.
#include <benchmark/benchmark.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vorbis/vorbisfile.h>

#include <memory>
#include <string>
#include <vector>

#include "VortanSound/VortanSoundEngine.h"
#include "VortanSound/VortanSoundWave.h"

namespace {

std::string g_dir;

// A private ALSA configuration whose default device discards what it is given.
void SetUpDevice()
{
    if (!g_dir.empty())
        return;
    char tmpl[] = "/tmp/vortan_sound_bench_XXXXXX";
    g_dir = mkdtemp(tmpl);
    std::string rc = g_dir + "/.asoundrc";
    FILE* f = fopen(rc.c_str(), "w");
    fputs("pcm.!default { type null }\n", f);
    fclose(f);
    setenv("HOME", g_dir.c_str(), 1);
    unsetenv("ALSA_CONFIG_PATH");
}

bool Run(std::vector<std::string> args)
{
    pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(&a[0]);
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string ReadFile(const std::string& path)
{
    std::string out;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return out;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
        out.append(buffer, n);
    fclose(f);
    return out;
}

void Put(std::string* s, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        s->push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

// A PCM RIFF/WAVE image of a tone.
std::string Tone(unsigned channels, unsigned rate, int frames, int period)
{
    std::string data;
    for (int i = 0; i < frames; ++i)
        for (unsigned c = 0; c < channels; ++c)
            Put(&data,
                static_cast<uint32_t>(
                    ((i % period) * 40000 / period - 20000 + static_cast<int>(c) * 100)) &
                    0xffff,
                2);
    std::string fmt;
    Put(&fmt, 1, 2);
    Put(&fmt, channels, 2);
    Put(&fmt, rate, 4);
    Put(&fmt, rate * channels * 2, 4);
    Put(&fmt, channels * 2, 2);
    Put(&fmt, 16, 2);
    std::string body = "WAVEfmt ";
    Put(&body, 16, 4);
    body += fmt + "data";
    Put(&body, static_cast<uint32_t>(data.size()), 4);
    body += data;
    std::string riff = "RIFF";
    Put(&riff, static_cast<uint32_t>(body.size()), 4);
    return riff + body;
}

void BM_Mix(benchmark::State& state)
{
    SetUpDevice();
    const int sources = static_cast<int>(state.range(0));
    CVortanSoundEngine engine;
    if (engine.Open(nullptr, 44100, 16, 2, 0, VORTAN_SOUNDENGINE_NO_THREAD, 0) != 1) {
        state.SkipWithError("no device");
        return;
    }
    std::vector<std::unique_ptr<CVortanSoundWave>> sounds;
    for (int i = 0; i < sources; ++i) {
        // Sound effects as the game has them: mono at 22,050 Hz and stereo at 44,100 Hz,
        // some played at other frequencies, all at different volumes and pans.
        bool mono = i % 2 == 0;
        std::string image = Tone(mono ? 1 : 2, mono ? 22050 : 44100, 30000 + 777 * i, 50 + i);
        std::unique_ptr<CVortanSoundWave> wave(CVortanSoundWave::CreateInstance());
        wave->LoadFromMemory(&engine, &image[0], static_cast<int>(image.size()), 0, 0);
        wave->SetVolume(-300 * (i % 7));
        wave->SetPan(1500 * (i % 5) - 3000);
        if (i % 3 == 1)
            wave->SetFrequency(mono ? 24000 + 300 * i : 40000 + 500 * i);
        wave->Play(1);
        sounds.push_back(std::move(wave));
    }
    const int frames = engine.GetPeriodFrames();
    for (auto _ : state)
        benchmark::DoNotOptimize(engine.Update());
    state.SetItemsProcessed(state.iterations() * frames);
    // Seconds of sound mixed per second of work: the multiple of real time.
    state.counters["x_realtime"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * frames / 44100.0, benchmark::Counter::kIsRate);
    state.counters["ns_per_frame"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * frames,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    sounds.clear();
    engine.Close();
}
BENCHMARK(BM_Mix)->Arg(1)->Arg(8)->Arg(32)->Unit(benchmark::kMicrosecond);

const std::string& OggFile()
{
    static std::string bytes;
    if (!bytes.empty())
        return bytes;
    SetUpDevice();
    std::string wav = g_dir + "/music.wav";
    std::string ogg = g_dir + "/music.ogg";
    if (!Run({"sox", "-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", "20", "pinknoise",
              "sine", "440", "gain", "-8"}) ||
        !Run({"oggenc", "-Q", "-q", "4", "-o", ogg, wav}))
        return bytes;
    bytes = ReadFile(ogg);
    return bytes;
}

void BM_OggDecode_Vortan(benchmark::State& state)
{
    std::string bytes = OggFile();
    if (bytes.empty()) {
        state.SkipWithError("sox or oggenc missing");
        return;
    }
    CVortanSoundEngine engine;
    if (engine.Open(nullptr, 44100, 16, 2, 0, VORTAN_SOUNDENGINE_NO_THREAD, 0) != 1) {
        state.SkipWithError("no device");
        return;
    }
    int64_t decoded = 0;
    for (auto _ : state) {
        CVortanSoundWave wave;
        if (wave.LoadFromMemory(&engine, &bytes[0], static_cast<int>(bytes.size()), 0, 0) != 1) {
            state.SkipWithError("decode failed");
            break;
        }
        decoded += wave.GetDataSize();
    }
    state.SetBytesProcessed(decoded);
    engine.Close();
}
BENCHMARK(BM_OggDecode_Vortan)->Unit(benchmark::kMillisecond);

struct MemoryStream {
    const std::string* bytes;
    size_t position;
};

size_t ReadMemory(void* out, size_t size, size_t count, void* source)
{
    MemoryStream* m = static_cast<MemoryStream*>(source);
    size_t n = size * count;
    if (n > m->bytes->size() - m->position)
        n = m->bytes->size() - m->position;
    memcpy(out, m->bytes->data() + m->position, n);
    m->position += n;
    return size ? n / size : 0;
}

// libvorbisfile decoding the same bytes from memory (not seekable, as our loader reads
// them) into 16-bit samples, the whole output kept like ours.
void BM_OggDecode_Vorbisfile(benchmark::State& state)
{
    std::string bytes = OggFile();
    if (bytes.empty()) {
        state.SkipWithError("sox or oggenc missing");
        return;
    }
    int64_t decoded = 0;
    std::vector<char> out;
    for (auto _ : state) {
        MemoryStream stream = {&bytes, 0};
        ov_callbacks callbacks = {ReadMemory, nullptr, nullptr, nullptr};
        OggVorbis_File vf;
        if (ov_open_callbacks(&stream, &vf, nullptr, 0, callbacks) != 0) {
            state.SkipWithError("vorbisfile refused the file");
            break;
        }
        out.clear();
        char buffer[8192];
        int section = 0;
        long n;
        while ((n = ov_read(&vf, buffer, sizeof buffer, 0, 2, 1, &section)) > 0)
            out.insert(out.end(), buffer, buffer + n);
        ov_clear(&vf);
        decoded += static_cast<int64_t>(out.size());
    }
    state.SetBytesProcessed(decoded);
}
BENCHMARK(BM_OggDecode_Vorbisfile)->Unit(benchmark::kMillisecond);

} // namespace
