// The online menu's player list and chat page, built from the program's packs on the GLES2
// extension (llvmpipe under Xvfb): frames of a list of 10,000 players flung from end to end with
// the records fed from memory, and the same with the records, groups and avatars coming from
// the stand-in lobby through the session (the two frame times' ratio read from one run); the
// live widgets, records and heap after 100, 1,000 and 10,000 items have passed; frames of the chat page with an empty backlog, while a 1,000-line
// burst drains into it and with the backlog full, and the heap after 1,000 and 10,000 lines.
#include <GLES2/gl2.h>
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <memory>
#include <string>

#include "engine/graphics/VortanGraphicsExt_GLES2.h"
#include "engine/platform/VortanHeap.h"
#include "online/OrloOnlineFactory.h"
#include "online/menu/OrloMenuState.h"
#include "online/net/OrloLobby.h"
#include "online/net/OrloNetworkSession.h"
#include "platform/OrloLanguage.h"
#include "platform/OrloStatsStore.h"
#include "platform/OrlogateApplication.h"
#include "tests/online/StandInProcess.h"
#include "tests/platform/GameStateStub.h"
#include "tests/support/GraphicsTestWindow.h"
#include "ui/WidgetCast.h"
#include "ui/layouts/InfiniteList.h"
#include "ui/layouts/RunningList.h"

namespace {

CVortanString Built(const char* name)
{
    return CVortanString((std::string(VORTAN_BINARY_DIR) + "/" + name).c_str());
}

class BenchApp : public COrlogateApplication {
public:
    explicit BenchApp(unsigned long window)
    {
        ext = new CVortanGraphicsExt_GLES2();
        ReplaceGraphicsExt(ext);
        ok = ext->Create(window) == VORTAN_OK && ext->Resize(800, 480) == VORTAN_OK;
        COrloResourceManager::Init(this, nullptr);
        m_settings = new COrloStatsStore();
        m_settings->Open(CVortanString("/tmp/menu_pages_bench_stats.dat"));
        m_language = new COrloLanguage();
        ok = ok && m_language->Init(this, CVortanString("orlolanguage")) == VORTAN_OK;
        ok = ok && OpenPack(Built("orlolayouts.dmp"), 1) &&
             OpenPack(Built("orlofonts_480.dmp"), 1) && OpenPack(Built("orlolobby_480.dmp"), 1);
    }
    void GetResourcePath(CVortanString& out, const CVortanString& fileName) override
    {
        out = CVortanString((std::string(VORTAN_BINARY_DIR) + "/").c_str());
        out.Append(fileName);
    }
    int CreateSessionAndMenu() override { return 1; }
    void Hold(IOrloGameState* game, IOrloNetworkSession* session)
    {
        m_gameState = game;
        m_session = session;
    }
    void Attach(IOrloMenuState* menu) { m_menu = menu; }
    CVortanGraphicsExt_GLES2* ext;
    bool ok = false;
};

class BenchMenu : public COrloMenuState {
public:
    using COrloMenuState::BuildMenu;
    void LoggedIn(int state = 2) { m_loginState = state; }
};

int CountWidgets(const CWidget* w)
{
    int n = 1;
    for (int i = 0; w && i < w->GetChildCount(); ++i)
        n += CountWidgets(w->GetChild(i));
    return n;
}

size_t HeapInUse()
{
    struct mallinfo2 info = mallinfo2();
    return info.uordblks;
}

struct Screen {
    Screen()
    {
        VortanKeepFrameHeap(); // as the program's start does
        // The menu reads the lobby's address when it is made.
        standin.reset(new ntest::StandIn(state.Path(), 0, 0));
        setenv("HOME", home.Path().c_str(), 1);
        setenv("ORLO_LOBBY", ("127.0.0.1:" + std::to_string(standin->lobby)).c_str(), 1);
        COrlogateApplication::RegisterOnlineFactory(&factory);
        if (!window.Id())
            return;
        app = new BenchApp(window.Id());
        if (!app->ok)
            return;
        session = new COrloNetworkSession();
        session->Init(app, app);
        app->Hold(&game, session);
        menu = new BenchMenu();
        if (menu->Init(app) != VORTAN_OK || menu->BuildMenu(800, 480, nullptr) != 1)
            return;
        menu->LoggedIn();
        COrloLobby* lobby = session->GetLobby();
        lobby->SetLimits(0, 4);
        for (int id : {-1, 500}) {
            COrloPlayer* player = new COrloPlayer();
            player->playerId = id;
            player->name = CVortanString(id < 0 ? "Me" : "Other");
            lobby->AddPlayer(player);
        }
        ok = true;
    }
    // The session goes to the stand-in lobby, logged in as a guest (on first use).
    bool UseStandIn()
    {
        if (standin->lobby <= 0)
            return false;
        if (live)
            return menu->GetLoginState() == 2;
        live = true;
        app->RecreateSession(); // the old session is deleted
        session = (COrloNetworkSession*)app->GetNetworkSession();
        if (!session)
            return false;
        app->Attach(menu); // the lobby's answers reach the menu through the application
        menu->LoggedIn(0);
        menu->LoginAsGuest();
        vtest::WaitUntil([&]() {
            Frame();
            return menu->GetLoginState() == 2;
        });
        return menu->GetLoginState() == 2;
    }
    void Frame()
    {
        if (session->GetLobbyEngine())
            session->GetLobbyEngine()->Run(1.0f / 60.0f);
        session->Update(1.0f / 60.0f);
        menu->Update(1.0f / 60.0f);
        menu->Render();
        glFinish();
    }
    CInfiniteList* Global()
    {
        return WidgetCast<CInfiniteList>(
            menu->GetRoot()->FindByPath(CVortanString("//players_root//playerlist_global")));
    }
    // Every loaded row without a record gets one, as the server's batches would bring it.
    void FeedRows()
    {
        CInfiniteList* list = Global();
        for (int i = 0; i < list->GetChildCount(); ++i) {
            CWidget* row = list->GetChild(i);
            if (row->GetTag() || CInfiniteList::IsGroupHeader(row))
                continue;
            const int index = atoi(VortanUTF8Of(row->GetName()).c_str());
            SPlayerListItem p;
            p.id = 1000 + index;
            p.name = CVortanString(("Player " + std::to_string(index)).c_str());
            p.location = CVortanString("Tampere");
            p.comment = CVortanString("A comment of some length to wrap.");
            p.flags = index % 7 == 0 ? 1 : 0;
            p.group[1] = index;
            p.group[2] = 10000 - index;
            COrloMenuState::OnPlayerListResult(menu, 0, index, 0, nullptr, &p, nullptr, 0);
        }
    }
    void OpenList(int count)
    {
        menu->ShowPage(CVortanString("players_root"), 1);
        menu->RunEvent("show_players_root", nullptr);
        COrloMenuState::OnPlayerListResult(menu, 0, -1, count, nullptr, nullptr, nullptr, 0);
        Frame();
        FeedRows();
    }
    void OpenChat()
    {
        menu->OnGameStart(1, 0);
        menu->SetMenuShown(true);
    }
    gtest_graphics::Xvfb xvfb;
    gtest_graphics::TestWindow window;
    vtest::TempDir home;
    vtest::TempDir state;
    std::unique_ptr<ntest::StandIn> standin; // stopped when the program ends
    bool live = false;                       // the session is the stand-in's
    COrloOnlineFactory factory;
    ptest::GameStateStub game;
    BenchApp* app = nullptr;
    COrloNetworkSession* session = nullptr;
    BenchMenu* menu = nullptr;
    bool ok = false;
};

Screen& TheScreen()
{
    static Screen screen;
    return screen;
}

void BM_PlayersFlung(benchmark::State& state)
{
    Screen& s = TheScreen();
    if (!s.ok) {
        state.SkipWithError("no GLES2 context or packs");
        return;
    }
    s.OpenList(10000);
    CInfiniteList* list = s.Global();
    bool down = false;
    for (auto _ : state) {
        if (!list->IsGliding()) {
            down = !down;
            list->ScrollTo(0, down ? 10000 * 60 : 0, 6.0f);
        }
        s.Frame();
        s.FeedRows();
    }
    state.counters["frames"] =
        benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PlayersFlung)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The same fling with the list fed by the stand-in: its count, groups, batches and avatars.
// A fling passes rows far faster than their records can come back, so at each end the list
// waits (drawing frames, measured like the others) until the stand-in's records have filled
// every row it holds, as the peer's rows are filled at once: both fill the rows at the ends.
void BM_PlayersFlungStandIn(benchmark::State& state)
{
    Screen& s = TheScreen();
    if (!s.ok || !s.UseStandIn()) {
        state.SkipWithError("no GLES2 context, packs or stand-in login");
        return;
    }
    s.menu->ShowPage(CVortanString("players_root"), 1);
    s.menu->RunEvent("show_players_root", nullptr);
    CInfiniteList* list = s.Global();
    vtest::WaitUntil([&]() {
        s.Frame();
        return list->GetItemCount() > 10000;
    });
    auto unfilled = [&]() {
        int empty = 0;
        for (int i = 0; i < list->GetChildCount(); ++i) {
            CWidget* row = list->GetChild(i);
            empty += !row->GetTag() && !CInfiniteList::IsGroupHeader(row) ? 1 : 0;
        }
        return empty;
    };
    bool down = false;
    long long filled = 0, flings = 0;
    for (auto _ : state) {
        if (!list->IsGliding() && unfilled() == 0) {
            filled += list->GetChildCount();
            ++flings;
            down = !down;
            list->ScrollTo(0, down ? 10000 * 60 : 0, 6.0f);
        }
        s.Frame();
    }
    state.counters["frames"] =
        benchmark::Counter((double)state.iterations(), benchmark::Counter::kIsRate);
    // Flings made, and the rows the stand-in's records had filled at their ends.
    state.counters["flings"] = (double)flings;
    state.counters["filled"] = (double)filled;
}
BENCHMARK(BM_PlayersFlungStandIn)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Memory after `range(0)` items have passed through the list: live widgets, records, heap.
void BM_PlayersMemory(benchmark::State& state)
{
    Screen& s = TheScreen();
    if (!s.ok) {
        state.SkipWithError("no GLES2 context or packs");
        return;
    }
    const int items = (int)state.range(0);
    for (auto _ : state) {
        s.OpenList(10000);
        CInfiniteList* list = s.Global();
        // Scroll a page at a time until the wanted number of items has been loaded.
        for (int y = 0; y < items * 60; y += 240) {
            list->SetScrollY(y);
            s.Frame();
            s.FeedRows();
        }
    }
    state.counters["widgets"] = CountWidgets(s.menu->GetRoot());
    state.counters["records"] = s.menu->GetLoadedItemCount(0);
    state.counters["heap_kb"] = (double)HeapInUse() / 1024.0;
}
BENCHMARK(BM_PlayersMemory)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Chat frames: 0 an empty backlog, 1 a 1,000-line burst draining (refilled when drained),
// 2 the backlog full and nothing waiting.
void BM_ChatFrame(benchmark::State& state)
{
    Screen& s = TheScreen();
    if (!s.ok) {
        state.SkipWithError("no GLES2 context or packs");
        return;
    }
    s.OpenChat();
    s.menu->OnGameStateChanged(IOrloNetworkSession::GAME_UP); // empty conversation
    const int mode = (int)state.range(0);
    CRunningList* backlog = WidgetCast<CRunningList>(
        s.menu->GetRoot()->FindByPath(CVortanString("//chat_root//chat_backlog")));
    if (mode == 2) {
        for (int i = 0; i < backlog->GetMaxItemCount() + 5; ++i) {
            s.menu->OnChatMessage(COrloChatRecord(2, CVortanString("a line of the chat"), 500),
                                  true);
            s.Frame();
        }
    }
    for (auto _ : state) {
        if (mode == 1 && s.menu->GetPendingChatLineCount() == 0) {
            state.PauseTiming();
            for (int i = 0; i < 1000; ++i)
                s.menu->OnChatMessage(COrloChatRecord(2, CVortanString("a line of the burst"), 500),
                                      true);
            state.ResumeTiming();
        }
        s.Frame();
    }
    state.counters["backlog"] = backlog->GetChildCount();
}
// Real time: each frame ends with glFinish, and the driver draws on threads of its own.
BENCHMARK(BM_ChatFrame)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The heap after `range(0)` lines arrived and drained.
void BM_ChatMemory(benchmark::State& state)
{
    Screen& s = TheScreen();
    if (!s.ok) {
        state.SkipWithError("no GLES2 context or packs");
        return;
    }
    const int lines = (int)state.range(0);
    for (auto _ : state) {
        s.OpenChat();
        s.menu->OnGameStateChanged(IOrloNetworkSession::GAME_UP);
        for (int i = 0; i < lines; ++i) {
            s.menu->OnChatMessage(COrloChatRecord(2, CVortanString("a line"), 500), true);
            s.Frame();
        }
    }
    state.counters["heap_kb"] = (double)HeapInUse() / 1024.0;
    state.counters["widgets"] = CountWidgets(s.menu->GetRoot());
}
BENCHMARK(BM_ChatMemory)->Arg(1000)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
