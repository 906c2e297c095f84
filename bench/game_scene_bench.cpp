// Scene files of the size of the largest level (220 blocks, a few markers): loading one from
// disk into a battle scene against fread of the same bytes, and saving one (temporary file,
// sync, rename) against fwrite of the same bytes, plain and with the same sync and rename.
// Also the parts: the bounded parse alone and the load from memory (parse, clear, build the
// bodies).
#include <benchmark/benchmark.h>

#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "game/VexPhysicsWorld.h"
#include "game/VexScene.h"
#include "game/VexSceneFile.h"

namespace {

struct Fixture {
    Fixture()
    {
        world.Init(1.0f / 30.0f, 4);
        scene.Init(nullptr, nullptr, &world, 0);
        for (int i = 0; i < 220; ++i) {
            const float x = -3.0f + 0.3f * (float)(i % 20);
            const float y = 0.1f + 0.25f * (float)(i / 20);
            scene.GetBlocks()->AddBlock((u32)(i % 40), CVortanVector2(x, y), (u8)(i % 4),
                                        (u8)(i % 3), (u8)(i % 4));
        }
        for (int i = 0; i < 6; ++i)
            scene.AddMarker(CVortanVector2(0.5f * (float)i - 1.5f, 2.8f),
                            CVortanVector2(0.03f, 0.03f));
        char dir[] = "/tmp/game_scene_bench_XXXXXX";
        if (!mkdtemp(dir))
            abort();
        folder = dir;
        path = folder + "/Polis.scn";
        if (scene.SaveSceneTo(CVortanString(path.c_str())) != VORTAN_OK)
            abort();
        FILE* f = fopen(path.c_str(), "rb");
        bytes.resize(4096);
        bytes.resize(fread(&bytes[0], 1, bytes.size(), f));
        fclose(f);
    }
    ~Fixture()
    {
        unlink(path.c_str());
        unlink((folder + "/copy.scn").c_str());
        rmdir(folder.c_str());
    }

    CVexPhysicsWorld world;
    CVexScene scene;
    std::string folder, path;
    std::string bytes;
};

Fixture& Get()
{
    static Fixture fixture;
    return fixture;
}

void BM_SceneLoadFile(benchmark::State& state)
{
    Fixture& f = Get();
    const CVortanString path(f.path.c_str());
    for (auto _ : state)
        benchmark::DoNotOptimize(f.scene.LoadSceneFile(path));
    state.SetBytesProcessed(state.iterations() * (int64_t)f.bytes.size());
}
BENCHMARK(BM_SceneLoadFile);

void BM_FreadSameBytes(benchmark::State& state)
{
    Fixture& f = Get();
    std::vector<char> buffer(4096);
    for (auto _ : state) {
        FILE* file = fopen(f.path.c_str(), "rb");
        benchmark::DoNotOptimize(fread(buffer.data(), 1, buffer.size(), file));
        fclose(file);
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)f.bytes.size());
}
BENCHMARK(BM_FreadSameBytes);

void BM_SceneLoadFromMemory(benchmark::State& state)
{
    Fixture& f = Get();
    for (auto _ : state)
        benchmark::DoNotOptimize(
            f.scene.LoadSceneBytes((const u8*)f.bytes.data(), (int)f.bytes.size()));
}
BENCHMARK(BM_SceneLoadFromMemory);

void BM_SceneParse(benchmark::State& state)
{
    Fixture& f = Get();
    CVexSceneFile file;
    for (auto _ : state)
        benchmark::DoNotOptimize(file.Parse((const u8*)f.bytes.data(), (int)f.bytes.size()));
}
BENCHMARK(BM_SceneParse);

void BM_SceneSave(benchmark::State& state)
{
    Fixture& f = Get();
    f.scene.LoadSceneBytes((const u8*)f.bytes.data(), (int)f.bytes.size());
    const CVortanString path((f.folder + "/copy.scn").c_str());
    for (auto _ : state)
        benchmark::DoNotOptimize(f.scene.SaveSceneTo(path));
    state.SetBytesProcessed(state.iterations() * (int64_t)f.bytes.size());
}
BENCHMARK(BM_SceneSave);

void BM_FwriteSameBytes(benchmark::State& state)
{
    Fixture& f = Get();
    const std::string path = f.folder + "/copy.scn";
    for (auto _ : state) {
        FILE* file = fopen(path.c_str(), "wb");
        benchmark::DoNotOptimize(fwrite(f.bytes.data(), 1, f.bytes.size(), file));
        fclose(file);
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)f.bytes.size());
}
BENCHMARK(BM_FwriteSameBytes);

// fwrite with what the scene writer adds for safety: a temporary file, fsync, rename.
void BM_FwriteSyncRenameSameBytes(benchmark::State& state)
{
    Fixture& f = Get();
    const std::string path = f.folder + "/copy.scn";
    const std::string temp = path + ".tmp";
    for (auto _ : state) {
        FILE* file = fopen(temp.c_str(), "wb");
        benchmark::DoNotOptimize(fwrite(f.bytes.data(), 1, f.bytes.size(), file));
        fflush(file);
        fsync(fileno(file));
        fclose(file);
        rename(temp.c_str(), path.c_str());
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)f.bytes.size());
}
BENCHMARK(BM_FwriteSyncRenameSameBytes);

} // namespace
