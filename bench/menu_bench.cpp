// The online menu's widget tree from the program's own layout pack: building it against parsing
// the same layout bytes with the XML parser alone (the ratio is the cost of the widgets), and a
// rebuild over the old tree against a first build. Fonts and pictures come from the built packs
// and stay in the resource manager after the first build, as in the program (the menu holds
// them). Then a frame over a battle (update and draw submission on the drawing-free graphics,
// main-thread CPU): the game hosted by a bare state, by the menu hidden (target: within 1.1x of
// the bare frame) and by the menu shown (target: a quarter of a 16.7 ms frame).
#include <benchmark/benchmark.h>

#include <time.h>

#include <string>
#include <vector>

#include "engine/VortanTimer.h"
#include "engine/VortanXMLDataNode.h"
#include "engine/graphics/VortanGraphicsExt_Null.h"
#include "game/VexAssetLoader.h"
#include "game/VexAssetTables.h"
#include "game/VexPlayState.h"
#include "online/menu/OrloMenuState.h"
#include "platform/OrloLanguage.h"
#include "platform/OrloStatsStore.h"
#include "platform/OrlogateApplication.h"
#include "tests/platform/GameStateStub.h"
#include "tests/support/HeadlessGame.h"
#include "ui/layouts/PageView.h"

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
    // The hosted game (the menu deletes it), an idle one when none is given.
    explicit BenchApp(IOrloGameState* game = nullptr)
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
        m_gameState = game ? game : new IdleGame();
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
    CWidget* GetOrloButtonRootWidget() const { return m_orloButtonRoot; }
};

struct Fixture {
    Fixture()
    {
        ok = menu.Init(&app) == VORTAN_OK && menu.BuildMenu(800, 480, nullptr) == 1;
        const char* packs[] = {"dataEffects", "dataPlayers", "dataScenes", "dataTextures",
                               "dataUI"};
        for (const char* pack : packs)
            ok = ok && app.OpenPack(Built((std::string(pack) + ".dmp").c_str()), 1) == 1;
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

// --- a frame over a battle -----------------------------------------------------------------------

double ThreadSeconds()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

// The menu hosting the game of player 1 in a battle on the first level, every picture and the
// font of the game loaded; the stand-in clock runs 16.7 ms a frame (a game step every other).
struct BattleFixture {
    BattleFixture() : game(new headless::Game(1)), app(game)
    {
        VortanTestClock::Set(clockNs);
        ok = menu.Init(&app) == VORTAN_OK && menu.BuildMenu(800, 480, nullptr) == 1;
        const char* packs[] = {"dataEffects", "dataPlayers", "dataScenes", "dataTextures",
                               "dataUI"};
        for (const char* pack : packs)
            ok = ok && app.OpenPack(Built((std::string(pack) + ".dmp").c_str()), 1) == 1;
        for (int id = 0; id < VEX_IMAGE_COUNT; ++id)
            CVexAssetLoader::LoadImage(game->GetGameContext(), &app, id);
        CVexAssetLoader::LoadFont(game->GetGameContext(), &app);
        menu.GetOrloButtonRootWidget()->SetVisible(true); // in play the button is up
        ok = ok && Prepare();
    }
    // A fresh battle at the first player's turn.
    bool Prepare()
    {
        game->StartMatch(0);
        CVexPlayState* battle = game->GetBattle();
        if (!battle)
            return false;
        battle->SetHost(1);
        battle->PostRoundBegin(0, 0, 0, 1);
        Advance(33);
        battle->PostBattleBegin(0);
        for (int i = 0; i < 300 && !Turning(); ++i)
            Advance(33);
        return Turning();
    }
    bool Turning()
    {
        CVexPlayState* battle = game->GetBattle();
        return battle && battle->GetRoundState() == VEX_ROUND_OWN_TURN && battle->IsTurnActive();
    }
    void Advance(int ms)
    {
        clockNs += (u64)ms * 1000000ull;
        VortanTestClock::Set(clockNs);
        game->Update(0.0f);
    }
    // Keeps the battle in its first turn (a turn runs out after 30 s of frames).
    void KeepTurn(benchmark::State& state)
    {
        if (Turning())
            return;
        state.PauseTiming();
        Prepare();
        ++prepared;
        state.ResumeTiming();
    }
    u64 clockNs = 5000000000ull;
    headless::Game* game;
    BenchApp app;
    BenchMenu menu;
    bool ok = false;
    int prepared = 0; // battles started again after their turn ran out
};

BattleFixture& Battle()
{
    static BattleFixture* fixture = new BattleFixture();
    return *fixture;
}

// 0: the game alone, as a bare hosting state runs it; 1: the menu hidden; 2: the menu shown.
void BM_BattleFrame(benchmark::State& state)
{
    BattleFixture& f = Battle();
    if (!f.ok) {
        state.SkipWithError("no battle: the game's packs are not built");
        return;
    }
    const int mode = (int)state.range(0);
    if (mode == 2)
        f.menu.ShowPage(CVortanString("startscreen_root"), 1);
    else
        f.menu.SetMenuShown(false);
    double cpu = 0.0;
    u64 frame = 0;
    for (auto _ : state) {
        f.KeepTurn(state);
        // 16.7 ms a frame: 17, 17, 16 ms.
        f.clockNs += (frame++ % 3 == 2 ? 16 : 17) * 1000000ull;
        VortanTestClock::Set(f.clockNs);
        const double t = ThreadSeconds();
        if (mode == 0) {
            f.game->Update(0.0167f);
            f.game->Render();
        } else {
            f.menu.Update(0.0167f);
            f.menu.Render();
        }
        cpu += ThreadSeconds() - t;
    }
    f.menu.SetMenuShown(false);
    const double perFrame = cpu / (double)state.iterations();
    state.counters["main_cpu_ms"] = perFrame * 1e3;
    state.counters["share_of_16.7ms"] = perFrame / 0.0167;
    state.counters["battles"] = f.prepared;
}
BENCHMARK(BM_BattleFrame)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

} // namespace
