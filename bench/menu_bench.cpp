// The online menu's widget tree from the program's own layout pack: building it against parsing
// the same layout bytes with the XML parser alone (the ratio is the cost of the widgets), and a
// rebuild over the old tree against a first build. Fonts and pictures come from the built packs
// and stay in the resource manager after the first build, as in the program.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "engine/VortanXMLDataNode.h"
#include "engine/graphics/VortanGraphicsExt_Null.h"
#include "online/menu/OrloMenuState.h"
#include "platform/OrloLanguage.h"
#include "platform/OrloStatsStore.h"
#include "platform/OrlogateApplication.h"
#include "tests/platform/GameStateStub.h"

namespace {

const char* const kLayouts[] = {"menu_root.xml",    "menu_boxes.xml",      "menu_login.xml",
                                "menu_dialogs.xml", "menu_start.xml",      "menu_settings.xml",
                                "menu_players.xml", "menu_challenges.xml", "menu_chat.xml",
                                "menu_shop.xml",    "menu_buy.xml"};

CVortanString Built(const char* name)
{
    return CVortanString((std::string(VORTAN_BINARY_DIR) + "/" + name).c_str());
}

// A game that does nothing.
using IdleGame = ptest::GameStateStub;

// The application without a window: a drawing-free graphics of 800 x 480 with the built packs.
class BenchApp : public COrlogateApplication {
public:
    BenchApp()
    {
        CVortanGraphicsExt_Null* ext = new CVortanGraphicsExt_Null();
        ReplaceGraphicsExt(ext);
        ext->Create(0);
        ext->Resize(800, 480);
        COrloResourceManager::Init(this, nullptr);
        m_settings = new COrloStatsStore();
        m_language = new COrloLanguage();
        m_language->Init(this, CVortanString("orlolanguage"));
        OpenPack(Built("orlolayouts.dmp"), 1);
        OpenPack(Built("orlofonts_480.dmp"), 1);
        OpenPack(Built("orlolobby_480.dmp"), 1);
        m_gameState = new IdleGame();
    }
    ~BenchApp() override { OnExit(); }
    void GetResourcePath(CVortanString& out, const CVortanString& fileName) override
    {
        out = Built("");
        out.Append(fileName);
    }
};

class BenchMenu : public COrloMenuState {
public:
    using COrloMenuState::BuildMenu;
    using COrloMenuState::DestroyMenuUI;
};

struct Fixture {
    Fixture()
    {
        ok = menu.Init(&app) == VORTAN_OK && menu.BuildMenu(800, 480, nullptr) == 1;
        for (const char* name : kLayouts) {
            char* data = nullptr;
            int size = app.ReadResourceFile(CVortanString(name), &data);
            if (size > 0)
                files.emplace_back(data, (size_t)size);
            else
                ok = false;
            delete[] data;
        }
    }
    BenchApp app;
    BenchMenu menu;
    std::vector<std::string> files;
    bool ok = false;
};

Fixture& Get()
{
    static Fixture* fixture = new Fixture();
    return *fixture;
}

void BM_BuildMenu(benchmark::State& state)
{
    Fixture& f = Get();
    if (!f.ok) {
        state.SkipWithError("the menu's packs are not built");
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        f.menu.DestroyMenuUI();
        state.ResumeTiming();
        benchmark::DoNotOptimize(f.menu.BuildMenu(800, 480, nullptr));
    }
}
BENCHMARK(BM_BuildMenu)->Unit(benchmark::kMicrosecond);

void BM_ParseMenuLayouts(benchmark::State& state)
{
    Fixture& f = Get();
    if (!f.ok) {
        state.SkipWithError("the menu's packs are not built");
        return;
    }
    for (auto _ : state) {
        // A fresh copy of each file, as the loader reads one (the copy is part of both).
        for (const std::string& file : f.files) {
            std::vector<char> bytes(file.begin(), file.end());
            CVortanXMLDataNode document;
            benchmark::DoNotOptimize(document.LoadMemory(bytes.data(), (int)bytes.size()));
        }
    }
}
BENCHMARK(BM_ParseMenuLayouts)->Unit(benchmark::kMicrosecond);

void BM_RebuildMenuOverTheOldTree(benchmark::State& state)
{
    Fixture& f = Get();
    if (!f.ok) {
        state.SkipWithError("the menu's packs are not built");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(f.menu.OnResize(800, 480));
}
BENCHMARK(BM_RebuildMenuOverTheOldTree)->Unit(benchmark::kMicrosecond);

} // namespace
