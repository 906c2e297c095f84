// Entry look-up and read in a DMP2 pack of 2,000 entries of 16 bytes, against what a program
// would do without the pack reader: keep an index of the entries (name to data offset, read
// from the pack's table once) and read an entry with fseek and fread. Each look-up reads the
// entry's data size and its data on both sides.
#include <benchmark/benchmark.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <unordered_map>
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

// The program's own reader: the open file and an index by bare name and by position.
struct StdioPack {
    FILE* file = nullptr;
    std::unordered_map<std::string, uint32_t> byName; // bare name -> block offset
    std::vector<uint32_t> byIndex;

    bool Open(const std::string& path)
    {
        file = fopen(path.c_str(), "rb");
        if (!file)
            return false;
        unsigned char word[4];
        if (fread(word, 1, 4, file) != 4 || fread(word, 1, 4, file) != 4)
            return false;
        uint32_t count = word[0] | (word[1] << 8) | (word[2] << 16) | ((uint32_t)word[3] << 24);
        std::string name;
        for (uint32_t i = 0; i < count; ++i) {
            unsigned char length[2];
            if (fread(length, 1, 2, file) != 2)
                return false;
            name.resize((size_t)(length[0] | (length[1] << 8)));
            if (fread(&name[0], 1, name.size(), file) != name.size() ||
                fread(word, 1, 4, file) != 4)
                return false;
            uint32_t offset =
                word[0] | (word[1] << 8) | (word[2] << 16) | ((uint32_t)word[3] << 24);
            byName[name.substr(name.rfind('/') + 1)] = offset;
            byIndex.push_back(offset);
        }
        return true;
    }
    ~StdioPack()
    {
        if (file)
            fclose(file);
    }
    // Reads the block at the offset: its data size, then the data; the size, or 0.
    int Read(uint32_t offset, char* data, int capacity)
    {
        unsigned char word[4];
        if (fseek(file, (long)offset + 4, SEEK_SET) != 0 || fread(word, 1, 4, file) != 4)
            return 0;
        int size = word[0] | (word[1] << 8) | (word[2] << 16) | (word[3] << 24);
        if (size > capacity || fread(data, 1, (size_t)size, file) != (size_t)size)
            return 0;
        return size;
    }
};

StdioPack& OpenStdioPack()
{
    static StdioPack pack;
    static bool opened = false;
    if (!opened) {
        if (!pack.Open(PackPath()))
            abort();
        opened = true;
    }
    return pack;
}

// Reads the entry that the pack selected (0 when none).
int ReadSelected(CVortanMediaPack& pack, int size, char* data)
{
    return size > 0 && pack.GetFile()->Read(data, size) == size ? size : 0;
}

// ---- by bare name, for the entry at the given index (first, middle, last) ----

// FindEntry: the bare name matched at the end of the entry names (the resource manager's way).
void BM_PackRead_Vortan_FindEntry(benchmark::State& state)
{
    CVortanMediaPack& pack = OpenPack();
    CVortanString name(BareName(static_cast<int>(state.range(0))).c_str());
    char data[64];
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadSelected(pack, pack.FindEntry(name), data));
}
BENCHMARK(BM_PackRead_Vortan_FindEntry)->Arg(0)->Arg(kEntries / 2)->Arg(kEntries - 1);

// GetEntry: the first entry whose name contains the text (the image and sound loaders' way).
void BM_PackRead_Vortan_GetEntry(benchmark::State& state)
{
    CVortanMediaPack& pack = OpenPack();
    CVortanString name(("/" + BareName(static_cast<int>(state.range(0)))).c_str());
    char data[64];
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadSelected(pack, pack.GetEntry(name), data));
}
BENCHMARK(BM_PackRead_Vortan_GetEntry)->Arg(0)->Arg(kEntries / 2)->Arg(kEntries - 1);

void BM_PackRead_Stdio(benchmark::State& state)
{
    StdioPack& pack = OpenStdioPack();
    std::string name = BareName(static_cast<int>(state.range(0)));
    char data[64];
    for (auto _ : state) {
        auto it = pack.byName.find(name);
        benchmark::DoNotOptimize(it == pack.byName.end() ? 0 : pack.Read(it->second, data, 64));
    }
}
BENCHMARK(BM_PackRead_Stdio)->Arg(0)->Arg(kEntries / 2)->Arg(kEntries - 1);

// ---- a name that is not in the pack ----

void BM_PackMissing_Vortan_GetEntry(benchmark::State& state)
{
    CVortanMediaPack& pack = OpenPack();
    CVortanString name(L"/not_in_the_pack.png");
    for (auto _ : state)
        benchmark::DoNotOptimize(pack.GetEntry(name));
}
BENCHMARK(BM_PackMissing_Vortan_GetEntry);

void BM_PackMissing_Stdio(benchmark::State& state)
{
    StdioPack& pack = OpenStdioPack();
    std::string name = "not_in_the_pack.png";
    for (auto _ : state)
        benchmark::DoNotOptimize(pack.byName.find(name) == pack.byName.end());
}
BENCHMARK(BM_PackMissing_Stdio);

// ---- by position, stepping through the table ----

void BM_PackReadByIndex_Vortan(benchmark::State& state)
{
    CVortanMediaPack& pack = OpenPack();
    CVortanString empty;
    char data[64];
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadSelected(pack, pack.GetEntry(empty, i), data));
        i = (i + 7) % kEntries;
    }
}
BENCHMARK(BM_PackReadByIndex_Vortan);

void BM_PackReadByIndex_Stdio(benchmark::State& state)
{
    StdioPack& pack = OpenStdioPack();
    char data[64];
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(pack.Read(pack.byIndex[(size_t)i], data, 64));
        i = (i + 7) % kEntries;
    }
}
BENCHMARK(BM_PackReadByIndex_Stdio);

// ---- opening: the table read into the reader's records, or into the program's index ----

void BM_PackOpen_Vortan(benchmark::State& state)
{
    CVortanString path(PackPath().c_str());
    for (auto _ : state) {
        CVortanMediaPack pack;
        benchmark::DoNotOptimize(pack.Open(path));
    }
}
BENCHMARK(BM_PackOpen_Vortan);

void BM_PackOpen_Stdio(benchmark::State& state)
{
    const std::string& path = PackPath();
    for (auto _ : state) {
        StdioPack pack;
        benchmark::DoNotOptimize(pack.Open(path));
    }
}
BENCHMARK(BM_PackOpen_Stdio);

} // namespace
