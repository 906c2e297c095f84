// Entry look-up in a DMP2 pack of 2,000 entries.
#include <benchmark/benchmark.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "engine/VortanMediaPack.h"
#include "engine/VortanString.h"

namespace {

const int kEntries = 2000;

void U16(std::string* s, unsigned v)
{
    s->push_back(static_cast<char>(v & 0xff));
    s->push_back(static_cast<char>((v >> 8) & 0xff));
}

void U32(std::string* s, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s->push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

std::string BareName(int i)
{
    // Names of the kind the packs hold: a word, a number and an extension.
    static const char* kinds[] = {"sprite", "sound", "layout", "font", "scene"};
    static const char* exts[] = {".png", ".wav", ".xml", ".fnt", ".scn"};
    char name[64];
    snprintf(name, sizeof name, "%s_%04d%s", kinds[i % 5], i, exts[i % 5]);
    return name;
}

// Writes the pack once per process and returns its path.
const std::string& PackPath()
{
    static std::string path;
    if (!path.empty())
        return path;
    char tmpl[] = "/tmp/mediapack_bench_XXXXXX";
    int fd = mkstemp(tmpl);
    if (fd < 0)
        abort();
    close(fd);
    path = tmpl;
    std::string table = "DMP2";
    U32(&table, kEntries);
    uint32_t offset = 8;
    for (int i = 0; i < kEntries; ++i)
        offset += 2 + 1 + static_cast<uint32_t>(BareName(i).size()) + 4;
    std::string blocks;
    for (int i = 0; i < kEntries; ++i) {
        std::string name = "/" + BareName(i);
        U16(&table, static_cast<unsigned>(name.size()));
        table += name;
        U32(&table, offset + static_cast<uint32_t>(blocks.size()));
        U32(&blocks, 0);
        U32(&blocks, 16);
        blocks += std::string(16, static_cast<char>(i));
    }
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        abort();
    fwrite(table.data(), 1, table.size(), f);
    fwrite(blocks.data(), 1, blocks.size(), f);
    fclose(f);
    atexit([] { unlink(PackPath().c_str()); });
    return path;
}

CVortanMediaPack& OpenPack()
{
    static CVortanMediaPack pack;
    static bool opened = false;
    if (!opened) {
        if (pack.Open(CVortanString(PackPath().c_str())) != 1)
            abort();
        opened = true;
    }
    return pack;
}

// Look-up of the entry at the given index (0, middle or last) by "/" + its bare name.
void BM_GetEntryByName(benchmark::State& state)
{
    CVortanMediaPack& pack = OpenPack();
    CVortanString name(("/" + BareName(static_cast<int>(state.range(0)))).c_str());
    for (auto _ : state)
        benchmark::DoNotOptimize(pack.GetEntry(name));
}
BENCHMARK(BM_GetEntryByName)->Arg(0)->Arg(kEntries / 2)->Arg(kEntries - 1);

void BM_GetEntryMissing(benchmark::State& state)
{
    CVortanMediaPack& pack = OpenPack();
    CVortanString name(L"/not_in_the_pack.png");
    for (auto _ : state)
        benchmark::DoNotOptimize(pack.GetEntry(name));
}
BENCHMARK(BM_GetEntryMissing);

void BM_FindEntry(benchmark::State& state)
{
    CVortanMediaPack& pack = OpenPack();
    CVortanString name(BareName(static_cast<int>(state.range(0))).c_str());
    for (auto _ : state)
        benchmark::DoNotOptimize(pack.FindEntry(name));
}
BENCHMARK(BM_FindEntry)->Arg(0)->Arg(kEntries / 2)->Arg(kEntries - 1);

void BM_GetEntryByIndex(benchmark::State& state)
{
    CVortanMediaPack& pack = OpenPack();
    CVortanString empty;
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(pack.GetEntry(empty, i));
        i = (i + 7) % kEntries;
    }
}
BENCHMARK(BM_GetEntryByIndex);

void BM_OpenPack(benchmark::State& state)
{
    CVortanString path(PackPath().c_str());
    for (auto _ : state) {
        CVortanMediaPack pack;
        benchmark::DoNotOptimize(pack.Open(path));
    }
}
BENCHMARK(BM_OpenPack);

} // namespace
