// DMP2 data packs: the input is opened as a pack file and every entry is selected the three
// ways the loaders do (by index, by bare name, by contained name). The table and each
// selected entry are checked against a reading of the input's own bytes: an entry is only
// handed out when all of its data lies inside the file, and then reads back exactly.
#include <string.h>

#include <string>
#include <vector>

#include "engine/VortanMediaPack.h"
#include "fuzz/FuzzSupport.h"

namespace {

u32 Le32(const uint8_t* p)
{
    return (u32)p[0] | ((u32)p[1] << 8) | ((u32)p[2] << 16) | ((u32)p[3] << 24);
}

struct Entry {
    std::u16string name;
    u32 offset;
};

std::u16string Units(const CVortanString& s)
{
    const unsigned short* b = s.GetBuffer();
    return b ? std::u16string((const char16_t*)b, (size_t)s.GetLength()) : std::u16string();
}

CVortanString Text(const std::u16string& units)
{
    CVortanString s;
    if (unsigned short* b = s.AllocBuffer((int)units.size() + 1))
        memcpy(b, units.data(), units.size() * 2);
    return s;
}

// The table as the input lays it out, read independently of the pack reader: whether a
// reader must accept it, and the entries.
bool ReadTable(const uint8_t* data, size_t size, std::vector<Entry>& entries)
{
    if (size < 8 || memcmp(data, "DMP2", 4) != 0)
        return false;
    const u32 count = Le32(data + 4);
    if (count == 0 || count > VORTAN_MEDIAPACK_MAX_ENTRIES)
        return false;
    size_t at = 8;
    for (u32 i = 0; i < count; ++i) {
        if (size - at < 2)
            return false;
        const size_t length = data[at] | (data[at + 1] << 8);
        at += 2;
        if (length == 0 || size - at < length + 4)
            return false;
        Entry e;
        for (size_t k = 0; k < length; ++k)
            e.name.push_back((char16_t)data[at + k]);
        at += length;
        e.offset = Le32(data + at);
        at += 4;
        if ((u64)e.offset + 8 > size)
            return false;
        entries.push_back(e);
    }
    return true;
}

// The data size the reader must report for an entry: 0 unless the whole data is in the file.
int ExpectedSize(const uint8_t* data, size_t size, const Entry& e)
{
    const u32 length = Le32(data + e.offset + 4);
    if ((u64)e.offset + 8 + length > size || length > 0x7fffffffu)
        return 0;
    return (int)length;
}

std::u16string BareName(const std::u16string& name)
{
    size_t slash = name.rfind(u'/');
    return slash == std::u16string::npos ? name : name.substr(slash + 1);
}

// After a selection the pack file stands at the entry's data: it reads back exactly.
void CheckSelected(CVortanMediaPack& pack, int result, const uint8_t* data, size_t size,
                   const Entry* expected)
{
    const int want = expected ? ExpectedSize(data, size, *expected) : 0;
    VFUZZ_CHECK(result == want);
    if (result <= 0)
        return;
    CVortanFile* file = pack.GetFile();
    VFUZZ_CHECK(file->GetPosition() == (int)expected->offset + 8);
    std::vector<uint8_t> bytes((size_t)result);
    VFUZZ_CHECK(file->Read(bytes.data(), result) == result);
    VFUZZ_CHECK(memcmp(bytes.data(), data + expected->offset + 8, (size_t)result) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = vfuzz::ScratchFile("input.dmp");
    vfuzz::WriteFile(path, data, size);

    std::vector<Entry> table;
    const bool valid = ReadTable(data, size, table);
    CVortanMediaPack pack;
    const int opened = pack.Open(CVortanString(path.c_str()));
    VFUZZ_CHECK((opened == VORTAN_OK) == valid);
    if (!valid) {
        VFUZZ_CHECK(pack.GetEntryCount() == 0 && pack.GetEntryAt(0) == nullptr);
        VFUZZ_CHECK(pack.GetEntry(CVortanString(), 0) == 0);
        return 0;
    }

    const int count = pack.GetEntryCount();
    VFUZZ_CHECK(count == (int)table.size());
    for (int i = 0; i < count; ++i) {
        const CVortanMediaPackEntry* entry = pack.GetEntryAt(i);
        VFUZZ_CHECK(entry && Units(entry->m_name) == table[i].name &&
                    entry->m_offset == table[i].offset);
    }
    VFUZZ_CHECK(pack.GetEntryAt(count) == nullptr && pack.GetEntryAt(-1) == nullptr);
    VFUZZ_CHECK(pack.GetEntry(CVortanString(), count) == 0);

    // Every entry by index; by its name, which finds the first entry containing it; by its
    // bare name, which finds the first entry whose part after the last "/" is that name.
    // Large tables are sampled so that one input stays quick.
    const int step = count > 64 ? count / 64 : 1;
    for (int i = 0; i < count; i += step) {
        CheckSelected(pack, pack.GetEntry(CVortanString(), i), data, size, &table[i]);

        const Entry* containing = nullptr;
        for (const Entry& e : table) {
            if (e.name.find(table[i].name) != std::u16string::npos) {
                containing = &e;
                break;
            }
        }
        CheckSelected(pack, pack.GetEntry(Text(table[i].name)), data, size, containing);

        const std::u16string bare = BareName(table[i].name);
        const Entry* named = nullptr;
        for (const Entry& e : table) {
            if (!bare.empty() && BareName(e.name) == bare) {
                named = &e;
                break;
            }
        }
        CheckSelected(pack, pack.FindEntry(Text(bare)), data, size, named);
    }

    // Opening the same file again replaces the state with an equal one.
    VFUZZ_CHECK(pack.Open(CVortanString(path.c_str())) == VORTAN_OK);
    VFUZZ_CHECK(pack.GetEntryCount() == count);
    return 0;
}
