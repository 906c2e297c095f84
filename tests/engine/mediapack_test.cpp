// Data packs: the entry table, look-ups by containment and by bare name, keys, hostile tables.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/VortanFile.h"
#include "engine/VortanMediaPack.h"
#include "engine/VortanString.h"
#include "tests/support/PackWriter.h"
#include "tests/support/TestSupport.h"

namespace {

// Packs laid out the plain way, with "RSVD" as every block's reserved word (never read).
std::string MakePack(const vtest::PackEntries& entries)
{
    return vtest::MakePack(entries, 0x44565352u); // "RSVD", low byte first
}

CVortanString Str(const std::string& s)
{
    return CVortanString(s.c_str());
}

std::string ReadData(CVortanMediaPack& pack, int size)
{
    std::string data(static_cast<size_t>(size), '\0');
    if (size > 0) {
        EXPECT_EQ(size, pack.GetFile()->Read(&data[0], size));
    }
    return data;
}

std::string EntryName(const CVortanMediaPackEntry* entry)
{
    std::string name;
    for (int i = 0; i < entry->m_name.GetLength(); ++i)
        name.push_back(static_cast<char>(entry->m_name.GetAt(i)));
    return name;
}

class MediaPack : public ::testing::Test {
protected:
    // Writes the bytes as a pack file and returns its path.
    std::string Write(const std::string& bytes, const std::string& name = "p.dmp")
    {
        std::string path = dir.File(name);
        EXPECT_TRUE(vtest::WriteWholeFile(path, bytes));
        return path;
    }
    // Opens the bytes as a pack.
    int OpenBytes(CVortanMediaPack& pack, const std::string& bytes)
    {
        return pack.Open(Str(Write(bytes)));
    }

    vtest::TempDir dir;
};

TEST_F(MediaPack, ReadsAHandWrittenPack)
{
    // Two entries, written out byte by byte; the second block comes first in the file.
    const char bytes[] = "DMP2"
                         "\x02\x00\x00\x00"
                         "\x05\x00"
                         "/a.tx"
                         "\x28\x00\x00\x00" // offset 40
                         "\x03\x00"
                         "/bc"
                         "\x1c\x00\x00\x00" // offset 28
                         "\xff\xff\xff\xff"
                         "\x04\x00\x00\x00"
                         "BBBB" // 28: reserved, size 4, data
                         "\x00\x00\x00\x00"
                         "\x03\x00\x00\x00"
                         "AAA"; // 40: reserved, size 3, data
    CVortanMediaPack pack;
    ASSERT_EQ(VORTAN_OK, OpenBytes(pack, std::string(bytes, sizeof bytes - 1)));
    ASSERT_EQ(2, pack.GetEntryCount());
    EXPECT_EQ("/a.tx", EntryName(pack.GetEntryAt(0)));
    EXPECT_EQ(40u, pack.GetEntryAt(0)->m_offset);
    EXPECT_EQ("/bc", EntryName(pack.GetEntryAt(1)));
    EXPECT_EQ(28u, pack.GetEntryAt(1)->m_offset);
    EXPECT_EQ(nullptr, pack.GetEntryAt(2));
    EXPECT_EQ(nullptr, pack.GetEntryAt(-1));
    EXPECT_EQ(3, pack.GetEntry(Str("/a.tx")));
    EXPECT_EQ(48, pack.GetFile()->GetPosition());
    EXPECT_EQ("AAA", ReadData(pack, 3));
    EXPECT_EQ(4, pack.FindEntry(Str("bc")));
    EXPECT_EQ("BBBB", ReadData(pack, 4));
    // By index with an empty name.
    EXPECT_EQ(4, pack.GetEntry(CVortanString(), 1));
    EXPECT_EQ(28 + 8, pack.GetFile()->GetPosition());
    EXPECT_EQ(0, pack.GetEntry(CVortanString(), 2));
    EXPECT_EQ(0, pack.GetEntry(CVortanString(), -2147483647 - 1));
}

TEST_F(MediaPack, GetEntryMatchesByContainmentInTableOrder)
{
    CVortanMediaPack pack;
    ASSERT_EQ(VORTAN_OK, OpenBytes(pack, MakePack({{"/menu_ui.xml", "menu"},
                                                   {"/ui.xml", "plain ui"},
                                                   {"/x/ui.xml.bak", "backup"}})));
    EXPECT_EQ(4, pack.GetEntry(Str("ui.xml")));
    EXPECT_EQ("menu", ReadData(pack, 4));
    EXPECT_EQ(8, pack.GetEntry(Str("/ui.xml")));
    EXPECT_EQ("plain ui", ReadData(pack, 8));
    EXPECT_EQ(0, pack.GetEntry(Str("UI.XML"))); // case matters
    EXPECT_EQ(0, pack.GetEntry(Str("/menu_ui.xml2")));
    // The index is still checked against the table with a name.
    EXPECT_EQ(0, pack.GetEntry(Str("ui.xml"), 3));
    EXPECT_EQ(0, pack.GetEntry(Str("ui.xml"), -1));
    EXPECT_EQ(4, pack.GetEntry(Str("ui.xml"), 2));
}

TEST_F(MediaPack, FindEntryComparesTheBareNameExactly)
{
    CVortanMediaPack pack;
    ASSERT_EQ(VORTAN_OK, OpenBytes(pack, MakePack({{"fonts/bigfont.png", "big"},
                                                   {"fonts/font.png", "font"},
                                                   {"plain.txt", "plain"},
                                                   {"deep/a/b/c.bin", "c"},
                                                   {"dir/", "slash"}})));
    EXPECT_EQ(4, pack.FindEntry(Str("font.png")));
    EXPECT_EQ("font", ReadData(pack, 4));
    EXPECT_EQ(5, pack.FindEntry(Str("plain.txt")));
    EXPECT_EQ(1, pack.FindEntry(Str("c.bin")));
    for (const char* miss : {"ont.png", "fonts/font.png", "fonts", "dir", ""})
        EXPECT_EQ(0, pack.FindEntry(Str(miss))) << miss;
    CVortanMediaPack empty;
    EXPECT_EQ(0, empty.FindEntry(Str("font.png")));
    EXPECT_EQ(0, empty.GetEntry(CVortanString(), 0));
}

TEST_F(MediaPack, NamesWidenByteByByteAndEmptyEntries)
{
    CVortanMediaPack pack;
    ASSERT_EQ(VORTAN_OK, OpenBytes(pack, MakePack({{"/caf\xe9\xff.txt", "x"}})));
    const CVortanString& name = pack.GetEntryAt(0)->m_name;
    ASSERT_EQ(10, name.GetLength());
    CVortanString wanted;
    wanted.AppendChar(0xe9);
    wanted.AppendChar(0xff);
    EXPECT_EQ(1, pack.GetEntry(wanted));
    // An empty entry at the very end of the file.
    ASSERT_EQ(VORTAN_OK, OpenBytes(pack, MakePack({{"/data", "abc"}, {"/empty", ""}})));
    EXPECT_EQ(0, pack.GetEntry(Str("/empty")));
    EXPECT_EQ(3, pack.GetEntry(Str("/data")));
}

TEST_F(MediaPack, KeyAndReopening)
{
    CVortanMediaPack pack;
    const std::string path = Write(MakePack({{"/a", "a"}}), "key.dmp");
    ASSERT_EQ(VORTAN_OK, pack.Open(Str(path), Str("secret")));
    ASSERT_NE(nullptr, pack.GetKey());
    EXPECT_EQ(0, pack.GetKey()->Compare(Str("secret")));
    ASSERT_EQ(VORTAN_OK, pack.Open(Str(path), CVortanString()));
    EXPECT_EQ(nullptr, pack.GetKey());
    ASSERT_EQ(VORTAN_OK,
              pack.Open(Str(Write(MakePack({{"/keep.txt", "still here"}}), "good.dmp"))));
    std::string dmp1 = MakePack({{"/other", "x"}});
    dmp1[3] = '1';
    EXPECT_EQ(VORTAN_E_MALFORMED, pack.Open(Str(Write(dmp1, "dmp1.dmp"))));
    EXPECT_EQ(VORTAN_E_OPEN, pack.Open(Str(dir.File("missing.dmp"))));
    EXPECT_EQ(VORTAN_E_MALFORMED, pack.Open(Str(Write("DM", "short.dmp"))));
    EXPECT_EQ(VORTAN_E_MALFORMED, pack.Open(Str(Write("", "empty.dmp"))));
    ASSERT_EQ(1, pack.GetEntryCount());
    EXPECT_EQ(10, pack.GetEntry(Str("keep")));
    EXPECT_EQ("still here", ReadData(pack, 10));
    // A good pack replaces the table.
    ASSERT_EQ(VORTAN_OK, pack.Open(Str(Write(MakePack({{"/c", "cc"}}), "2.dmp"))));
    EXPECT_EQ(1, pack.GetEntryCount());
    EXPECT_EQ(0, pack.GetEntry(Str("keep")));
}

TEST_F(MediaPack, BadTablesAreRefusedAndLeaveThePackEmpty)
{
    // A pack of one entry: count at byte 4, name at 8, offset at 12.
    const std::string good = MakePack({{"/a", "A"}});
    auto with = [&](size_t at, const std::string& bytes) {
        return good.substr(0, at) + bytes + good.substr(at + 4);
    };
    const std::pair<const char*, std::string> cases[] = {
        {"count 0", std::string("DMP2\0\0\0\0", 8)},
        {"count only", good.substr(0, 8)},
        {"name length 0", std::string("DMP2\1\0\0\0\0\0\0\0\0\0", 14) + std::string(16, '\0')},
        {"huge count", with(4, "\xff\xff\xff\xff")},
        {"count beyond the table", with(4, std::string("\2\0\0\0", 4)) + std::string(64, '\0')},
        {"block header past the end", with(12, std::string{(char)(good.size() - 7), 0, 0, 0})},
        {"offset 0xffffffff", with(12, "\xff\xff\xff\xff")},
    };
    for (const auto& c : cases) {
        CVortanMediaPack pack;
        ASSERT_EQ(VORTAN_OK, pack.Open(Str(Write(MakePack({{"/old", "o"}}), "old.dmp"))));
        EXPECT_EQ(VORTAN_E_MALFORMED, OpenBytes(pack, c.second)) << c.first;
        EXPECT_EQ(0, pack.GetEntryCount()) << c.first;
        EXPECT_EQ(nullptr, pack.GetFile()) << c.first;
        EXPECT_EQ(0, pack.GetEntry(CVortanString(), 0)) << c.first;
    }
}

TEST_F(MediaPack, EveryCutInsideTheTableIsRefused)
{
    const std::string pack =
        MakePack({{"/first.png", "1111"}, {"/second.wav", "22"}, {"/third", "3"}});
    const size_t tableEnd = 8 + (2 + 10 + 4) + (2 + 11 + 4) + (2 + 6 + 4);
    for (size_t cut = 4; cut < tableEnd; ++cut) {
        CVortanMediaPack reader;
        EXPECT_EQ(VORTAN_E_MALFORMED, OpenBytes(reader, pack.substr(0, cut))) << "cut at " << cut;
        EXPECT_EQ(0, reader.GetEntryCount());
    }
}

TEST_F(MediaPack, DataRunningPastTheEndIsNotSelected)
{
    const std::string full = MakePack({{"/first", "0123456789"}, {"/second", "abcdefghij"}});
    // Cut inside the second block's data: its header is there, its data is not.
    const std::string cut = full.substr(0, full.size() - 3);
    CVortanMediaPack pack;
    ASSERT_EQ(VORTAN_OK, OpenBytes(pack, cut));
    EXPECT_EQ(10, pack.GetEntry(Str("first")));
    EXPECT_EQ(0, pack.GetEntry(Str("second")));
    EXPECT_EQ(0, pack.FindEntry(Str("second")));
    EXPECT_EQ(0, pack.GetEntry(CVortanString(), 1));
    // A size field of 0xffffffff.
    std::string huge = full;
    const size_t sizeField = 8 + (2 + 6 + 4) + (2 + 7 + 4) + 4;
    for (int i = 0; i < 4; ++i)
        huge[sizeField + i] = '\xff';
    ASSERT_EQ(VORTAN_OK, OpenBytes(pack, huge));
    EXPECT_EQ(0, pack.GetEntry(Str("first")));
    EXPECT_EQ(10, pack.GetEntry(Str("second")));
}

// A pack written by Python from the layout alone: blocks in shuffled order with gaps and
// random reserved words.
TEST_F(MediaPack, AgreesWithAnIndependentlyWrittenPack)
{
    const std::string script = R"PY(
import os, random, struct, sys
out = sys.argv[1]
rng = random.Random(1234)
names = []
while len(names) < 300:
    n = '/' + ''.join(rng.choice('abcdefghijklmnopqrstuvwxyz0123456789_.') for _ in range(rng.randint(1, 40)))
    if n not in names:
        names.append(n)
datas = [bytes(rng.getrandbits(8) for _ in range(rng.choice([0, 1, 7, 100, 3000]))) for _ in names]
table_size = 8 + sum(2 + len(n) + 4 for n in names)
order = list(range(len(names)))
rng.shuffle(order)
offsets = [0] * len(names)
blob = b''
pos = table_size
for i in order:
    gap = bytes(rng.getrandbits(8) for _ in range(rng.randint(0, 5)))
    blob += gap
    pos += len(gap)
    offsets[i] = pos
    block = struct.pack('<II', rng.getrandbits(32), len(datas[i])) + datas[i]
    blob += block
    pos += len(block)
head = b'DMP2' + struct.pack('<I', len(names))
for n, off in zip(names, offsets):
    head += struct.pack('<H', len(n)) + n.encode('latin-1') + struct.pack('<I', off)
assert len(head) == table_size
open(out + '/py.dmp', 'wb').write(head + blob)
with open(out + '/manifest', 'w') as m:
    for n, d, off in zip(names, datas, offsets):
        m.write('%s %d %s\n' % (n, off, d.hex() or '-'))
)PY";
    ASSERT_EQ(0, vtest::RunProgram({vtest::Python(), "-c", script, dir.Path()}));
    std::istringstream manifest(vtest::ReadWholeFile(dir.File("manifest")));
    std::vector<std::string> names, datas;
    std::vector<unsigned> offsets;
    std::string name, hex;
    unsigned offset;
    while (manifest >> name >> offset >> hex) {
        std::string data;
        for (size_t i = 0; hex != "-" && i + 1 < hex.size(); i += 2)
            data.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
        names.push_back(name);
        offsets.push_back(offset);
        datas.push_back(data);
    }
    ASSERT_EQ(300u, names.size());
    CVortanMediaPack pack;
    ASSERT_EQ(VORTAN_OK, pack.Open(Str(dir.File("py.dmp"))));
    ASSERT_EQ(300, pack.GetEntryCount());
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(names[i], EntryName(pack.GetEntryAt(static_cast<int>(i))));
        EXPECT_EQ(offsets[i], pack.GetEntryAt(static_cast<int>(i))->m_offset);
        int size = pack.GetEntry(CVortanString(), static_cast<int>(i));
        ASSERT_EQ(datas[i].size(), static_cast<size_t>(size)) << names[i];
        EXPECT_EQ(datas[i], ReadData(pack, size)) << names[i];
        // By name: the first entry in table order whose name contains it.
        size_t first = 0;
        while (names[first].find(names[i]) == std::string::npos)
            ++first;
        EXPECT_EQ(static_cast<int>(datas[first].size()), pack.GetEntry(Str(names[i])));
        EXPECT_EQ(offsets[first] + 8, static_cast<unsigned>(pack.GetFile()->GetPosition()));
        // By bare name: exact.
        std::string bare = names[i].substr(1);
        size_t exact = 0;
        while (names[exact].substr(1) != bare)
            ++exact;
        EXPECT_EQ(static_cast<int>(datas[exact].size()), pack.FindEntry(Str(bare)));
        EXPECT_EQ(offsets[exact] + 8, static_cast<unsigned>(pack.GetFile()->GetPosition()));
    }
}

// Mutated and random packs: whatever opens, every selected entry lies inside the file.
TEST_F(MediaPack, GarbageNeverSelectsBytesOutsideTheFile)
{
    std::mt19937 rng(77);
    const std::string base = MakePack({{"/alpha.png", std::string(40, 'a')},
                                       {"/beta.xml", "<b/>"},
                                       {"/gamma", std::string(300, 'g')},
                                       {"/d", ""}});
    for (int round = 0; round < 400; ++round) {
        std::string bytes = base;
        int edits = 1 + static_cast<int>(rng() % 6);
        for (int e = 0; e < edits; ++e) {
            switch (rng() % 3) {
            case 0:
                bytes[rng() % bytes.size()] = static_cast<char>(rng());
                break;
            case 1:
                bytes.resize(rng() % bytes.size());
                break;
            default:
                bytes.insert(rng() % (bytes.size() + 1), 1, static_cast<char>(rng()));
                break;
            }
            if (bytes.size() < 8)
                bytes = base;
        }
        if (round % 5 == 0) {
            bytes = "DMP2";
            for (int i = 0; i < 60; ++i)
                bytes.push_back(static_cast<char>(rng() % 4 == 0 ? rng() : rng() % 8));
        }
        CVortanMediaPack pack;
        int result = OpenBytes(pack, bytes);
        if (result != VORTAN_OK) {
            EXPECT_EQ(VORTAN_E_MALFORMED, result);
            EXPECT_EQ(0, pack.GetEntryCount());
            continue;
        }
        const int fileSize = static_cast<int>(bytes.size());
        for (int i = 0; i < pack.GetEntryCount(); ++i) {
            int size = pack.GetEntry(CVortanString(), i);
            int start = pack.GetFile()->GetPosition();
            if (size > 0) {
                EXPECT_LE(static_cast<long long>(start) + size, fileSize);
                EXPECT_EQ(bytes.substr(start, size), ReadData(pack, size));
            }
            size = pack.FindEntry(CVortanString(pack.GetEntryAt(i)->m_name));
            if (size > 0) {
                EXPECT_LE(static_cast<long long>(pack.GetFile()->GetPosition()) + size, fileSize);
            }
        }
    }
}

} // namespace
