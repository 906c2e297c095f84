// The shop and its item data packs in the real application under Xvfb, logged in as a guest at
// the stand-in lobby: the pack check's hashing of a 32 MB pack against md5sum on the same file;
// a 1 MB pack downloaded through the stand-in (milliseconds and frames per chunk) against the
// same bytes in one plain TCP stream from a Python server on the same machine; and the live
// widgets and heap while the my-items list scrolls through 1,000 owned items.
// First: X11's macros would break the headers after it.
#include "tests/support/WindowAppSupport.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <malloc.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "engine/VortanMD5.h"
#include "engine/VortanTimer.h"
#include "online/OrloOnlineFactory.h"
#include "online/menu/OrloMenuState.h"
#include "online/net/OrloNetworkSession.h"
#include "platform/OrlogateApplication.h"
#include "tests/online/StandInProcess.h"
#include "tests/platform/GameStateStub.h"
#include "tests/support/GraphicsTestWindow.h"
#include "ui/Widget.h"
#include "ui/WidgetCast.h"
#include "ui/layouts/InfiniteList.h"
#include "ui/layouts/PageView.h"

extern char** environ;

namespace {

// The stand-in's pack that the bench makes 1 MB (data id 1, its list's first).
const int kBigPackId = 1;
const int kBigPackSize = 1 << 20;
const int kHashedSize = 32 << 20;
const int kHashedId = 900;

std::vector<u8> Pattern(size_t size, unsigned seed)
{
    std::vector<u8> out(size);
    for (size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        out[i] = (u8)(seed >> 16);
    }
    return out;
}

typedef winapp::PacksBesideBuildApp BenchApp;

// The stand-in's packs of the build, with the first item pack replaced by 1 MB of noise.
std::string MakePackDir(const std::string& dir)
{
    const std::string built = vtest::BinaryDir() + "/standin";
    mkdir((dir + "/items").c_str(), 0755);
    for (const char* name :
         {"orlolanguage_0000.dmp", "orlolanguage_0001.dmp", "zorbixlanguage_0001.dmp", "icons"})
        symlink((built + "/" + name).c_str(), (dir + "/" + name).c_str());
    for (const char* name : {"bomb_snow.dmp", "bomb_cluster.dmp", "hat_top.dmp", "ground_lake.dmp"})
        symlink((built + "/items/" + name).c_str(), (dir + "/items/" + name).c_str());
    const std::vector<u8> big = Pattern(kBigPackSize, 7);
    vtest::WriteWholeFile(dir + "/items/hat_red.dmp", std::string(big.begin(), big.end()));
    return dir;
}

// The application logged in as a guest with every item pack of the list downloaded.
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
               !menu->IsItemCheckPending() && Pack(kBigPackId) &&
               Pack(kBigPackId)->state == COrloMenuState::PACK_READY;
    }
    const COrloMenuState::ItemPack* Pack(int id)
    {
        const CVortanArray<COrloMenuState::ItemPack>& packs = menu->GetItemPacks();
        for (int i = 0; i < packs.GetSize(); ++i)
            if (packs[i].id == id)
                return &packs[i];
        return nullptr;
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
    vtest::TempDir packs;
    ntest::StandIn standin{state.Path(), 0, 0, {"--pack-dir", MakePackDir(packs.Path())}};
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

// The menu's check of a 32 MB pack whose file is whole: one frame's hashing.
void BM_PackCheckHash(benchmark::State& state)
{
    World& w = TheWorld();
    if (!w.ok) {
        state.SkipWithError("the application did not log in");
        return;
    }
    const std::vector<u8> data = Pattern(kHashedSize, 3);
    CVortanString path;
    w.menu->GetItemDataPath(kHashedId, path);
    vtest::WriteWholeFile(VortanUTF8Of(path), std::string(data.begin(), data.end()));
    MD5Context md5;
    MD5Buffer(&md5, data.data(), (unsigned)data.size());
    CVortanArray<SItemData> list;
    SItemData record;
    record.id = kHashedId;
    record.version = 1;
    record.size = kHashedSize;
    record.digestLength = 16;
    memcpy(record.digest, md5.digest, 16);
    list.SetAtGrow(0, record);
    for (auto _ : state) {
        // The list sends the entry back to unchecked; the next frame hashes the file.
        state.PauseTiming();
        w.menu->OnItemData(list);
        state.ResumeTiming();
        w.menu->Update(0.016f);
    }
    if (!w.Pack(kHashedId) || w.Pack(kHashedId)->state != COrloMenuState::PACK_READY)
        state.SkipWithError("the pack was not found whole");
    state.SetBytesProcessed(state.iterations() * (int64_t)kHashedSize);
}
BENCHMARK(BM_PackCheckHash)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void BM_Md5sumSameSize(benchmark::State& state)
{
    World& w = TheWorld();
    if (!w.ok) {
        state.SkipWithError("the application did not log in");
        return;
    }
    CVortanString path;
    w.menu->GetItemDataPath(kHashedId, path);
    std::string file = VortanUTF8Of(path);
    for (auto _ : state) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        char* argv[] = {(char*)"md5sum", (char*)file.c_str(), nullptr};
        pid_t pid;
        if (posix_spawnp(&pid, "md5sum", &actions, nullptr, argv, environ) != 0) {
            state.SkipWithError("md5sum cannot be started");
            break;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        posix_spawn_file_actions_destroy(&actions);
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)kHashedSize);
}
BENCHMARK(BM_Md5sumSameSize)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

// The 1 MB pack fetched again through the stand-in: its file deleted, a new list asked for.
void BM_PackThroughStandIn(benchmark::State& state)
{
    World& w = TheWorld();
    if (!w.ok) {
        state.SkipWithError("the application did not log in");
        return;
    }
    CVortanString path;
    w.menu->GetItemDataPath(kBigPackId, path);
    const std::string file = VortanUTF8Of(path);
    const int chunks = (kBigPackSize + COrloMenuState::PACK_CHUNK - 1) / COrloMenuState::PACK_CHUNK;
    long frames = 0;
    for (auto _ : state) {
        unlink(file.c_str());
        w.menu->GetNetSession()->SendShopDone();
        // The list comes, the check starts the download, the last chunk makes it ready.
        int i = 0;
        while (i < 50 &&
               (!w.Pack(kBigPackId) || w.Pack(kBigPackId)->state == COrloMenuState::PACK_READY)) {
            w.Step();
            ++i;
        }
        for (i = 0; i < 20000 && w.Pack(kBigPackId)->state != COrloMenuState::PACK_READY; ++i) {
            w.Step();
            ++frames;
        }
        if (access(file.c_str(), R_OK) != 0) {
            state.SkipWithError("the pack was not fetched");
            break;
        }
    }
    const double n = (double)state.iterations() * chunks;
    state.counters["ms_per_chunk"] =
        benchmark::Counter(n, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["frames_per_chunk"] = (double)frames / n;
    state.SetBytesProcessed(state.iterations() * (int64_t)kBigPackSize);
}
BENCHMARK(BM_PackThroughStandIn)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The same 1 MB in one plain TCP stream from a Python server on the same machine.
void BM_PlainStream(benchmark::State& state)
{
    vtest::TempDir dir;
    const std::vector<u8> data = Pattern(kBigPackSize, 7);
    vtest::WriteWholeFile(dir.File("data"), std::string(data.begin(), data.end()));
    const std::string script = "import socket,sys\n"
                               "data=open(sys.argv[1],'rb').read()\n"
                               "s=socket.socket();s.bind(('127.0.0.1',0));s.listen(4)\n"
                               "open(sys.argv[2],'w').write(str(s.getsockname()[1]))\n"
                               "while True:\n"
                               "    c,_=s.accept();c.sendall(data);c.close()\n";
    pid_t pid = fork();
    if (pid == 0) {
        execlp("python3", "python3", "-c", script.c_str(), dir.File("data").c_str(),
               dir.File("port").c_str(), (char*)nullptr);
        _exit(127);
    }
    int port = 0;
    vtest::WaitUntil(
        [&] { return (port = atoi(vtest::ReadWholeFile(dir.File("port")).c_str())) > 0; });
    std::vector<char> buffer(65536);
    for (auto _ : state) {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = htons((uint16_t)port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(fd, (sockaddr*)&address, sizeof(address)) != 0) {
            state.SkipWithError("no server");
            close(fd);
            break;
        }
        long got = 0;
        for (ssize_t n; (n = read(fd, buffer.data(), buffer.size())) > 0;)
            got += n;
        close(fd);
        if (got != kBigPackSize)
            state.SkipWithError("short stream");
    }
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    const int chunks = (kBigPackSize + COrloMenuState::PACK_CHUNK - 1) / COrloMenuState::PACK_CHUNK;
    state.counters["ms_per_16k"] =
        benchmark::Counter((double)state.iterations() * chunks,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.SetBytesProcessed(state.iterations() * (int64_t)kBigPackSize);
}
BENCHMARK(BM_PlainStream)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

int CountWidgets(const CWidget* w)
{
    int n = 1;
    for (int i = 0; w && i < w->GetChildCount(); ++i)
        n += CountWidgets(w->GetChild(i));
    return n;
}

// My items with 1,000 counted items scrolled from end to end; the widgets and heap after 100
// and after 1,000 items have passed through the list.
void BM_MyItemsScroll(benchmark::State& state)
{
    World& w = TheWorld();
    if (!w.ok) {
        state.SkipWithError("the application did not log in");
        return;
    }
    const int items = 1000;
    w.menu->SetMenuShown(true);
    w.menu->GetPageRoot()->NavigateTo(CVortanString("my_items_root"));
    w.menu->GetPageRoot()->FinishTransitions();
    for (int i = 0; i < 30; ++i)
        w.Step(); // the stand-in's own (empty) answer for the guest comes and goes
    CVortanArray<SShopGroupData> groups;
    SShopGroupData group;
    group.id = 4;
    group.name = CVortanString("Bombs");
    group.kind = 4;
    group.itemCount = items;
    groups.SetAtGrow(0, group);
    w.menu->OnShopGroups(1, groups);
    CInfiniteList* list = WidgetCast<CInfiniteList>(
        w.menu->GetRoot()->FindByPath(CVortanString("//my_items_root//my_items_page_list")));
    // Every loaded row is filled from the records, as the server's batches would do it.
    CVortanArray<SShopItemData> batch;
    for (int i = 0; i < items; ++i) {
        SShopItemData r;
        r.id = 10000 + i;
        r.name = CVortanString(("Bomb " + std::to_string(i)).c_str());
        r.groupId = 4;
        r.count = i;
        r.enabled = i % 2;
        batch.SetAtGrow(i, r);
    }
    // Only the rows loaded without data get their record, as the server's batches bring them.
    CVortanArray<SShopItemData> one;
    auto feed = [&] {
        for (int i = 0; i < list->GetChildCount(); ++i) {
            CWidget* row = list->GetChild(i);
            const int index = list->GetFirstLoadedPosition() + i;
            if (row->GetTag() || CInfiniteList::IsGroupHeader(row) || index < 1 || index > items)
                continue;
            one.SetAtGrow(0, batch[index - 1]);
            w.menu->OnShopItems(1, index, one);
        }
    };
    // Passes down the list and back; the counts after 100 items, after the first pass (1,000)
    // and after the third (3,000).
    size_t heap[3] = {};
    int widgets[3] = {};
    const int rowHeight = list->GetChildCount() > 1 ? list->GetChild(1)->GetHeight() : 54;
    for (auto _ : state) {
        list->ScrollTo(0, 0, 0.0f);
        w.Step();
        feed();
        for (int pass = 0; pass < 3; ++pass) {
            for (int k = 0; k <= items; ++k) {
                const int y = (pass % 2 == 0 ? k : items - k) * rowHeight;
                list->ScrollTo(0, y, 0.0f);
                w.Step();
                feed();
                if (pass == 0 && k == 100) {
                    widgets[0] = CountWidgets(w.menu->GetRoot());
                    heap[0] = mallinfo2().uordblks;
                }
            }
            if (pass == 0 || pass == 2) {
                widgets[pass == 0 ? 1 : 2] = CountWidgets(w.menu->GetRoot());
                heap[pass == 0 ? 1 : 2] = mallinfo2().uordblks;
            }
        }
    }
    // Then a few seconds without scrolling: what the list and the session still hold.
    for (int i = 0; i < 3000; ++i)
        w.Step();
    state.counters["heap_kb_settled"] = (double)mallinfo2().uordblks / 1024.0;
    const char* at[3] = {"100", "1000", "3000"};
    for (int i = 0; i < 3; ++i) {
        state.counters[std::string("widgets_") + at[i]] = widgets[i];
        state.counters[std::string("heap_kb_") + at[i]] = (double)heap[i] / 1024.0;
    }
    // Flat: the heap after 3,000 items have passed through the list over that after 100.
    state.counters["heap_ratio"] = heap[0] ? (double)heap[2] / (double)heap[0] : 0.0;
}
BENCHMARK(BM_MyItemsScroll)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
