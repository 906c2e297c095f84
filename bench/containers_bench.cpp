// Name-keyed look-up tables, 10k names: the engine's registry map (CVortanMap with CHashString
// keys) against what a C++ program would use for the same job, std::unordered_map and
// std::map with std::string keys. The names come as 8-bit text (as from a layout or a pack);
// every side builds its key from the text inside the timed loop, the engine's side a UTF-16
// string with its hash, the others a std::string.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <random>
#include <stdio.h>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/HashString.h"
#include "engine/VortanArray.h"
#include "engine/VortanMap.h"
#include "engine/VortanString.h"

namespace {

const int kKeys = 10000;

// The 10k names ("widget_name_%d") in a shuffled order.
const std::vector<std::string>& Names()
{
    static std::vector<std::string> names;
    if (names.empty()) {
        std::vector<int> order(kKeys);
        for (int i = 0; i < kKeys; ++i)
            order[i] = i;
        std::shuffle(order.begin(), order.end(), std::mt19937(42));
        for (int i : order) {
            char name[32];
            snprintf(name, sizeof(name), "widget_name_%d", i);
            names.push_back(name);
        }
    }
    return names;
}

CHashString VortanKey(const std::string& name)
{
    return CHashString(CVortanString(name.c_str()));
}

// ---- insert all names ----

void BM_MapInsert_Vortan(benchmark::State& state)
{
    const std::vector<std::string>& names = Names();
    for (auto _ : state) {
        CVortanMap<CHashString, int> map;
        for (int i = 0; i < kKeys; ++i)
            map.Add(VortanKey(names[i]), i);
        benchmark::DoNotOptimize(map.GetSize());
    }
    state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(BM_MapInsert_Vortan)->Unit(benchmark::kMicrosecond);

template <class Map>
void StdInsert(benchmark::State& state)
{
    const std::vector<std::string>& names = Names();
    for (auto _ : state) {
        Map map;
        for (int i = 0; i < kKeys; ++i)
            map.emplace(std::string(names[i].c_str()), i);
        benchmark::DoNotOptimize(map.size());
    }
    state.SetItemsProcessed(state.iterations() * kKeys);
}

void BM_MapInsert_StdUnorderedMap(benchmark::State& state)
{
    StdInsert<std::unordered_map<std::string, int>>(state);
}
BENCHMARK(BM_MapInsert_StdUnorderedMap)->Unit(benchmark::kMicrosecond);

void BM_MapInsert_StdMap(benchmark::State& state)
{
    StdInsert<std::map<std::string, int>>(state);
}
BENCHMARK(BM_MapInsert_StdMap)->Unit(benchmark::kMicrosecond);

// ---- find every name (in reverse order of insertion) ----

void BM_MapFind_Vortan(benchmark::State& state)
{
    const std::vector<std::string>& names = Names();
    CVortanMap<CHashString, int> map;
    for (int i = 0; i < kKeys; ++i)
        map.Add(VortanKey(names[i]), i);
    for (auto _ : state) {
        long sum = 0;
        for (int i = kKeys - 1; i >= 0; --i)
            sum += map.FindKey(VortanKey(names[i]));
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(BM_MapFind_Vortan)->Unit(benchmark::kMicrosecond);

template <class Map>
void StdFind(benchmark::State& state)
{
    const std::vector<std::string>& names = Names();
    Map map;
    for (int i = 0; i < kKeys; ++i)
        map.emplace(names[i], i);
    for (auto _ : state) {
        long sum = 0;
        for (int i = kKeys - 1; i >= 0; --i)
            sum += map.find(std::string(names[i].c_str()))->second;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kKeys);
}

void BM_MapFind_StdUnorderedMap(benchmark::State& state)
{
    StdFind<std::unordered_map<std::string, int>>(state);
}
BENCHMARK(BM_MapFind_StdUnorderedMap)->Unit(benchmark::kMicrosecond);

void BM_MapFind_StdMap(benchmark::State& state)
{
    StdFind<std::map<std::string, int>>(state);
}
BENCHMARK(BM_MapFind_StdMap)->Unit(benchmark::kMicrosecond);

// Growing an int array one element at a time (the step rule's amortised cost).
void BM_ArrayAppend(benchmark::State& state)
{
    for (auto _ : state) {
        CVortanArray<int> a;
        for (int i = 0; i < 100000; ++i)
            a.SetAtGrow(i, i);
        benchmark::DoNotOptimize(a.GetData());
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_ArrayAppend)->Unit(benchmark::kMicrosecond);

} // namespace
