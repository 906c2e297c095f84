// The online menu's language switch in the real application under Xvfb with its session to
// the stand-in lobby: from the chooser's confirm to the first frame drawn with every label
// replaced, against the language table's own switch of the same packs. The two run in one
// program so that their ratio can be read from one run.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "engine/VortanTimer.h"
#include "online/OrloOnlineFactory.h"
#include "online/menu/OrloMenuState.h"
#include "platform/OrloLanguage.h"
#include "platform/OrlogateApplication.h"
#include "tests/online/StandInProcess.h"
#include "tests/platform/GameStateStub.h"
#include "tests/support/GraphicsTestWindow.h"
#include "ui/Widget.h"
#include "ui/layouts/InfiniteList.h"
#include "ui/layouts/PageView.h"

namespace {

class BenchApp : public COrlogateApplication {
public:
    static CVortanString Beside(const CVortanString& name)
    {
        CVortanString path((vtest::BinaryDir() + "/").c_str());
        path.Append(name);
        return path;
    }
    int OpenPack(const CVortanString& name, int flags) override
    {
        return COrlogateApplication::OpenPack(flags == 0 ? Beside(name) : name,
                                              flags == 0 ? 1 : flags);
    }
    int ClosePack(const CVortanString& name, int flags) override
    {
        return COrlogateApplication::ClosePack(flags == 0 ? Beside(name) : name,
                                               flags == 0 ? 1 : flags);
    }
    void GetResourcePath(CVortanString& out, const CVortanString& name) override
    {
        out = Beside(name);
    }
    void SleepMs(int) override {}
};

// The application logged in as a guest, its menu on the language chooser.
struct World {
    World()
    {
        setenv("HOME", home.Path().c_str(), 1);
        setenv("ORLO_LOBBY", ("127.0.0.1:" + std::to_string(standin.lobby)).c_str(), 1);
        VortanTestClock::Set(5000000000ull);
        COrlogateApplication::RegisterOnlineFactory(&factory);
        app = new BenchApp();
        ok = app->Create(nullptr, 800, 480, new ptest::GameStateStub()) == VORTAN_OK;
        for (int i = 0; ok && i < 6000 && !Ready(); ++i)
            Step();
        ok = ok && Ready();
        if (ok) {
            menu->SetMenuShown(true);
            menu->GetPageRoot()->NavigateTo(CVortanString("language_root"));
            menu->GetPageRoot()->FinishTransitions();
            for (int i = 0; i < 4; ++i)
                Step();
        }
    }
    ~World()
    {
        delete app;
        VortanTestClock::Clear();
    }
    bool Ready()
    {
        menu = dynamic_cast<COrloMenuState*>(app->GetMenuState());
        return menu && menu->GetLoginState() == 2 && !menu->IsLoading() &&
               app->GetLanguage()->GetLanguageCount() >= 2;
    }
    void Step()
    {
        VortanTestClock::Advance(16000000ull);
        app->Frame();
        usleep(1000);
    }

    gtest_graphics::Xvfb xvfb;
    vtest::TempDir home;
    vtest::TempDir state;
    ntest::StandIn standin{state.Path(), 0, 0};
    COrloOnlineFactory factory;
    BenchApp* app = nullptr;
    COrloMenuState* menu = nullptr;
    bool ok = false;
};

World& TheWorld()
{
    static World world;
    return world;
}

// The chooser's row of the language, selected, then confirmed; one frame drawn after it.
void BM_ChooseLanguageToFirstFrame(benchmark::State& state)
{
    World& w = TheWorld();
    if (!w.ok) {
        state.SkipWithError("the application did not log in");
        return;
    }
    CInfiniteList* list = static_cast<CInfiniteList*>(
        w.menu->GetPageRoot()->FindByPath(CVortanString("//language_root//language_list")));
    int target = 1;
    for (auto _ : state) {
        CWidget* row = list->GetChild(target);
        w.menu->RunEvent("select_language_item",
                         row->FindChild(CVortanString("select-button"), -1));
        w.menu->RunEvent("choose_language", nullptr);
        w.app->Frame();
        target = 1 - target;
    }
    state.SetLabel("switch, labels replaced, one frame");
}
BENCHMARK(BM_ChooseLanguageToFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(40);

// The language table's own switch between the same two packs.
void BM_LanguageTableSwitch(benchmark::State& state)
{
    World& w = TheWorld();
    if (!w.ok) {
        state.SkipWithError("the application did not log in");
        return;
    }
    COrloLanguage* language = w.app->GetLanguage();
    const char* codes[2] = {"xa", "en"};
    int target = 0;
    for (auto _ : state) {
        language->SetLanguage(CVortanString(codes[target]));
        target = 1 - target;
    }
    state.SetLabel("COrloLanguage::SetLanguage");
}
BENCHMARK(BM_LanguageTableSwitch)->Unit(benchmark::kMillisecond)->Iterations(40);

} // namespace
