// CVortanMap with CHashString keys against std::map<std::u16string, int>, 10k keys.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <random>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>

#include "engine/HashString.h"
#include "engine/VortanArray.h"
#include "engine/VortanMap.h"
#include "engine/VortanString.h"

namespace {

const int kKeys = 10000;

// The same 10k names ("widget_name_%d") for both maps, in a shuffled order.
struct Keys {
    std::vector<CHashString> hashed;
    std::vector<std::u16string> plain;
    Keys()
    {
        std::vector<int> order(kKeys);
        for (int i = 0; i < kKeys; ++i)
            order[i] = i;
        std::shuffle(order.begin(), order.end(), std::mt19937(42));
        for (int i : order) {
            char name[32];
            snprintf(name, sizeof(name), "widget_name_%d", i);
            hashed.push_back(CHashString(CVortanString(name)));
            plain.push_back(std::u16string(name, name + strlen(name)));
        }
    }
};

const Keys& TheKeys()
{
    static Keys keys;
    return keys;
}

void BM_VortanMapInsert(benchmark::State& state)
{
    const Keys& keys = TheKeys();
    for (auto _ : state) {
        CVortanMap<CHashString, int> map;
        for (int i = 0; i < kKeys; ++i)
            map.Add(keys.hashed[i], i);
        benchmark::DoNotOptimize(map.GetSize());
    }
    state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(BM_VortanMapInsert)->Unit(benchmark::kMicrosecond);

void BM_StdMapInsert(benchmark::State& state)
{
    const Keys& keys = TheKeys();
    for (auto _ : state) {
        std::map<std::u16string, int> map;
        for (int i = 0; i < kKeys; ++i)
            map.emplace(keys.plain[i], i);
        benchmark::DoNotOptimize(map.size());
    }
    state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(BM_StdMapInsert)->Unit(benchmark::kMicrosecond);

void BM_VortanMapFind(benchmark::State& state)
{
    const Keys& keys = TheKeys();
    CVortanMap<CHashString, int> map;
    for (int i = 0; i < kKeys; ++i)
        map.Add(keys.hashed[i], i);
    for (auto _ : state) {
        long sum = 0;
        for (int i = kKeys - 1; i >= 0; --i)
            sum += map.FindKey(keys.hashed[i]);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(BM_VortanMapFind)->Unit(benchmark::kMicrosecond);

void BM_StdMapFind(benchmark::State& state)
{
    const Keys& keys = TheKeys();
    std::map<std::u16string, int> map;
    for (int i = 0; i < kKeys; ++i)
        map.emplace(keys.plain[i], i);
    for (auto _ : state) {
        long sum = 0;
        for (int i = kKeys - 1; i >= 0; --i)
            sum += map.find(keys.plain[i])->second;
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kKeys);
}
BENCHMARK(BM_StdMapFind)->Unit(benchmark::kMicrosecond);

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
