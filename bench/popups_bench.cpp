// The pop-ups and the achievements, each beside its yardstick, ratios read in one run:
// - rebuilding the toast and the advert from their shipped area files (as a resize does: the
//   pictures and fonts stay loaded) against parsing the same bytes with
//   CVortanXMLDataNode::LoadMemory;
// - one frame's update and draw submission of a sliding toast and a shown advert over a
//   screen, against the same frame without them (drawing-free graphics: the main thread's CPU);
//   the counter "of_frame" is the difference as a fraction of 16.7 ms;
// - UnlockAchievement with 100 records (the atomic save) against a plain truncating write of
//   the same bytes; the counter "of_step" is its time as a fraction of the 33 ms step.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "engine/VortanXMLDataNode.h"
#include "engine/graphics/VortanGraphicsExt_Null.h"
#include "engine/graphics/VortanSurface.h"
#include "online/achievements/AchievementFiles.h"
#include "online/achievements/OrloAchievementStation.h"
#include "online/popups/OrloAdvertisement.h"
#include "online/popups/OrloToastNotification.h"
#include "platform/OrloState.h"
#include "platform/OrlogateApplication.h"
#include "tests/platform/GameStateStub.h"
#include "ui/Widget.h"

namespace {

std::string ReadFile(const std::string& path)
{
    std::string out;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0)
        out.append(buffer, n);
    fclose(f);
    return out;
}

std::string Layout(const char* name)
{
    return ReadFile(std::string(VORTAN_SOURCE_DIR) + "/data/layouts/" + name);
}

// A drawing-free application of 800 x 480 with the shipped layouts in a pack and the
// pictures they name already in the manager.
class BenchApp : public COrlogateApplication {
public:
    BenchApp()
    {
        CVortanGraphicsExt_Null* ext = new CVortanGraphicsExt_Null();
        ReplaceGraphicsExt(ext);
        ext->Create(0);
        ext->Resize(800, 480);
        COrloResourceManager::Init(this, nullptr);
        OpenPack(CVortanString(VORTAN_BINARY_DIR "/orlolayouts.dmp"), 1);
        OpenPack(CVortanString(VORTAN_BINARY_DIR "/orlofonts_480.dmp"), 1);
        for (const char* name :
             {"toast-strip.png", "toast-icon-message.png", "toast-icon-challenge.png",
              "toast-icon-achievement.png", "ad-panel.png", "ad-button.png", "ad-close.png"}) {
            CVortanSurface* surface = new CVortanSurface();
            CVortanSurfaceDesc desc = {64, 64, 0, VORTAN_PIXEL_ARGB8888, 0};
            surface->Create(this, &desc);
            AddSurface(CVortanString(name), surface);
        }
    }
    ~BenchApp() override { ReleaseAll(); }
    void SetStation(IOrloAchievementStation* station) { m_achievements = station; }
};

void Parse(benchmark::State& state, const char* name)
{
    const std::string bytes = Layout(name);
    std::vector<char> copy;
    for (auto _ : state) {
        state.PauseTiming();
        copy.assign(bytes.begin(), bytes.end());
        CVortanXMLDataNode* doc = new CVortanXMLDataNode();
        state.ResumeTiming();
        if (doc->LoadMemory(copy.data(), (int)copy.size()) != VORTAN_OK)
            state.SkipWithError("parse failed");
        delete doc;
    }
}

void BM_ParseToastLayout(benchmark::State& state)
{
    Parse(state, "toast-root.xml");
}
BENCHMARK(BM_ParseToastLayout)->Unit(benchmark::kMicrosecond);

void BM_BuildToast(benchmark::State& state)
{
    BenchApp app;
    COrloToastNotification toast;
    toast.Init(&app);
    for (auto _ : state) {
        if (toast.Build(800, 480) != VORTAN_OK)
            state.SkipWithError("build failed");
    }
    toast.Release();
}
BENCHMARK(BM_BuildToast)->Unit(benchmark::kMicrosecond);

void BM_ParseAdvertLayout(benchmark::State& state)
{
    Parse(state, "ad-root.xml");
}
BENCHMARK(BM_ParseAdvertLayout)->Unit(benchmark::kMicrosecond);

void BM_BuildAdvert(benchmark::State& state)
{
    BenchApp app;
    COrloAdvertisement advert;
    advert.Init(&app);
    for (auto _ : state) {
        advert.OnResize(800, 480);
        if (!advert.GetRoot())
            state.SkipWithError("build failed");
    }
    advert.Release();
}
BENCHMARK(BM_BuildAdvert)->Unit(benchmark::kMicrosecond);

// A screen that clears and draws one rectangle.
class Screen : public IOrloState {
public:
    int Init(COrloApplication* application) override
    {
        m_application = application;
        return VORTAN_OK;
    }
    void Release() override {}
    int Load() override { return VORTAN_OK; }
    void Unload() override {}
    int Update(float) override { return 1; }
    void Render() override { m_application->GetGraphics()->Clear(0xFF406080, nullptr); }
};

void Frame(benchmark::State& state, bool popups)
{
    BenchApp app;
    Screen screen;
    screen.Init(&app);
    COrloToastNotification toast;
    COrloAdvertisement advert;
    toast.Init(&app);
    advert.Init(&app);
    CVortanArray<i32> frames;
    frames.SetAtGrow(0, 200);
    frames.SetAtGrow(1, 200);
    int n = 0;
    for (auto _ : state) {
        if (popups) {
            if (!toast.IsShowing())
                toast.AddMessage(CVortanString(n++ % 2 ? "one" : "two"), 0.0f, 1);
            if (!advert.IsShown())
                advert.Show(CVortanString("a"), CVortanString("b"), 0, nullptr, 1000, 5000, &frames,
                            CVortanString("c"), 0, CVortanString("Title"), CVortanString());
            advert.Update(1.0f / 60.0f);
            toast.Update(0.1f); // mostly sliding
        }
        screen.Update(1.0f / 60.0f);
        screen.Render();
        if (popups) {
            advert.Render();
            toast.Render();
        }
    }
    toast.Release();
    advert.Release();
}

void BM_FrameWithoutPopups(benchmark::State& state)
{
    Frame(state, false);
}
BENCHMARK(BM_FrameWithoutPopups)->Unit(benchmark::kMicrosecond);

void BM_FrameWithPopups(benchmark::State& state)
{
    Frame(state, true);
}
BENCHMARK(BM_FrameWithPopups)->Unit(benchmark::kMicrosecond);

// The station of game 64 with 100 definitions in a pack under a private home.
struct Unlocks {
    std::string home;
    BenchApp app;
    COrloAchievementStation station;
    Unlocks()
    {
        char dir[] = "/tmp/popups_bench.XXXXXX";
        home = mkdtemp(dir);
        setenv("HOME", home.c_str(), 1);
        std::string text;
        for (int i = 1; i <= 100; ++i)
            text +=
                "achievement " + std::to_string(i) + " { name \"A" + std::to_string(i) + "\" }\n";
        std::string wide;
        for (char c : text) {
            wide.push_back(c);
            wide.push_back('\0');
        }
        std::string pack = "DMP2";
        auto u32 = [&](uint32_t v) {
            for (int i = 0; i < 4; ++i)
                pack.push_back((char)((v >> (8 * i)) & 0xff));
        };
        const std::string entry = "/ach_EN.txt";
        u32(1);
        pack.push_back((char)entry.size());
        pack.push_back('\0');
        pack += entry;
        u32((uint32_t)(pack.size() + 4));
        u32(0);
        u32((uint32_t)wide.size());
        pack += wide;
        const std::string path = home + "/achievements.dmp";
        FILE* f = fopen(path.c_str(), "wb");
        fwrite(pack.data(), 1, pack.size(), f);
        fclose(f);
        station.Init(&app, 64, CVortanString(path.c_str()));
        app.SetStation(&station);
    }
    ~Unlocks()
    {
        app.SetStation(nullptr);
        station.Clear();
    }
};

void BM_UnlockAchievement(benchmark::State& state)
{
    Unlocks u;
    COrloAchievementList* list = u.station.FindList(64);
    if (!list || list->GetCount() != 100) {
        state.SkipWithError("no definitions");
        return;
    }
    ptest::GameStateStub game; // game 64
    game.SetApplication(&u.app);
    double seconds = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < list->GetCount(); ++i)
            list->GetAt(i)->SetUnlocked(i % 2); // half unlocked: the one asked for is not
        list->GetAt(0)->SetUnlocked(0);
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        if (game.UnlockAchievement(1) != 1)
            state.SkipWithError("not unlocked");
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    state.counters["of_step"] = seconds / (double)state.iterations() / 0.033;
    game.SetApplication(nullptr);
}
BENCHMARK(BM_UnlockAchievement)->Unit(benchmark::kMicrosecond);

void BM_PlainWriteOfTheSameBytes(benchmark::State& state)
{
    Unlocks u;
    COrloAchievementList* list = u.station.FindList(64);
    for (int i = 0; i < list->GetCount(); ++i)
        list->GetAt(i)->SetUnlocked((i % 2) || i == 0);
    const std::string bytes = WriteAchievementUnlocks(list);
    const std::string path = u.home + "/plain.dat";
    for (auto _ : state) {
        int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0 || write(fd, bytes.data(), bytes.size()) != (ssize_t)bytes.size())
            state.SkipWithError("write failed");
        close(fd);
    }
}
BENCHMARK(BM_PlainWriteOfTheSameBytes)->Unit(benchmark::kMicrosecond);

} // namespace
