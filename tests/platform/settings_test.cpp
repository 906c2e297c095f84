// The settings store and its file "stats.dat": exact bytes (written independently by
// Python's struct module), round trips, damaged and hostile files, and the safe save.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>
#include <string>
#include <vector>

#include "engine/VortanString.h"
#include "platform/OrloStatsStore.h"
#include "tests/support/TestSupport.h"

namespace {

// Builds a "stats.dat" from a JSON description read on stdin and prints the offset at
// which each entry ends. Texts are JSON strings (surrogates allowed); "skip_empty" drops
// entries with an empty name, as a save does.
const char* kWriter = R"PY(
import json, struct, sys
d = json.load(sys.stdin)
entries = d["entries"]
if d.get("skip_empty"):
    entries = [e for e in entries if e["name"] != ""]
def text(s):
    b = s.encode("utf-16-le", "surrogatepass")
    return struct.pack("<i", len(b) // 2) + b
out = struct.pack("<ii", d.get("version", 1), d.get("count", len(entries)))
ends = []
for e in entries:
    out += text(e["name"]) + struct.pack("<h", e["kind"])
    if e["kind"] in (0, 1, 3):
        out += struct.pack("<i", e["value"])
    elif e["kind"] == 2:
        out += text(e["value"])
    ends.append(len(out))
open(sys.argv[1], "wb").write(out)
print(" ".join(str(n) for n in ends))
)PY";

struct Entry {
    std::u16string name;
    int kind;
    int value;
    std::u16string text;
};

std::string Json(const std::u16string& s)
{
    std::string out = "\"";
    char buf[8];
    for (char16_t c : s)
        out += (snprintf(buf, sizeof buf, "\\u%04x", (unsigned)c), buf);
    return out + "\"";
}

// Writes the file with Python; returns the end offset of each entry.
std::vector<long> WriteWithPython(const std::string& path, const std::vector<Entry>& entries,
                                  const std::string& extra = "")
{
    std::string json = "{" + extra + "\"entries\": [";
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        json += (i ? ", " : "") + std::string("{\"name\": ") + Json(e.name) +
                ", \"kind\": " + std::to_string(e.kind) +
                ", \"value\": " + (e.kind == 2 ? Json(e.text) : std::to_string(e.value)) + "}";
    }
    json += "]}";
    std::string out;
    int rc = vtest::RunProgram({vtest::Python(), "-c", kWriter, path}, &out, json);
    EXPECT_EQ(rc, 0) << json;
    std::vector<long> ends;
    std::istringstream in(out);
    for (long n; in >> n;)
        ends.push_back(n);
    return ends;
}

CVortanString Text(const std::u16string& s)
{
    CVortanString out;
    if (!s.empty()) {
        unsigned short* units = out.AllocBuffer((int)s.size() + 1);
        for (size_t i = 0; i < s.size(); ++i)
            units[i] = (unsigned short)s[i];
    }
    return out;
}

std::u16string Units(const CVortanString& s)
{
    std::u16string out;
    for (int i = 0; i < s.GetLength(); ++i)
        out += (char16_t)s.GetBuffer()[i];
    return out;
}

void Fill(COrloStatsStore& store, const std::vector<Entry>& entries)
{
    for (const Entry& e : entries) {
        COrloStatsEntry* entry = store.AddEntry(Text(e.name));
        ASSERT_NE(entry, nullptr);
        switch (e.kind) {
        case 0:
            entry->SetInt(e.value);
            break;
        case 1:
            entry->SetBool(e.value);
            break;
        case 2:
            entry->SetString(Text(e.text));
            break;
        case 3:
            entry->SetExtraInt(e.value);
            break;
        default:
            entry->kind = e.kind;
            break;
        }
    }
}

// The entry as loaded matches the description (an unknown kind loads as kind 0, value 0).
void ExpectEntry(const COrloStatsEntry* entry, const Entry& e)
{
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(Units(entry->name), e.name);
    int kind = (e.kind >= 0 && e.kind <= 3) ? e.kind : 0;
    EXPECT_EQ(entry->kind, kind);
    EXPECT_EQ(entry->intValue, kind == 0 && e.kind == 0 ? e.value : 0);
    EXPECT_EQ(entry->boolValue, kind == 1 ? e.value : 0);
    EXPECT_EQ(Units(entry->stringValue), kind == 2 ? e.text : u"");
    EXPECT_EQ(entry->extraValue, kind == 3 ? e.value : 0);
}

// Files in a directory, "." and ".." left out.
size_t DirEntries(const std::string& path)
{
    size_t n = 0;
    DIR* d = opendir(path.c_str());
    for (dirent* e; d && (e = readdir(d));)
        n += strcmp(e->d_name, ".") && strcmp(e->d_name, "..");
    if (d)
        closedir(d);
    return n;
}

const std::vector<Entry>& Sample()
{
    static const std::vector<Entry> entries = {
        {u"__Orlo_Sounds_Mute", 1, 1, u""},
        {u"__Orlo_Sounds_Volume", 0, -2000, u""},
        {u"__Orlo_UID", 2, 0, u"f0123456789abcdef0123456789abcd0f"},
        {u"__Orlo_Language", 2, 0, u"\u00e9\u4e2d\U0001F600\xdc00|\0|"},
        {u"", 0, 77, u""}, // never written
        {u"Counter", 3, -123456789, u""},
        {u"Counter", 0, 2147483647, u""}, // duplicate name: both kept
        {u"Odd", 9, 0, u""},              // unknown kind: no value field
        {u"Empty", 2, 0, u""},
        {u"\u00ff\u0100", 0, -2147483647 - 1, u""},
    };
    return entries;
}

} // namespace

TEST(StatsFile, SaveWritesExactlyTheDocumentedBytes)
{
    vtest::TempDir dir;
    COrloStatsStore store;
    Fill(store, Sample());
    store.Open(CVortanString(dir.File("stats.dat").c_str())); // no file: entries kept
    ASSERT_EQ(store.GetCount(), (int)Sample().size());
    ASSERT_EQ(store.Save(), VORTAN_OK);

    WriteWithPython(dir.File("expected.dat"), Sample(), "\"skip_empty\": true, ");
    std::string expected = vtest::ReadWholeFile(dir.File("expected.dat"));
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(vtest::ReadWholeFile(dir.File("stats.dat")), expected);
    // Nothing but the settings file (and the reference) is left behind.
    EXPECT_EQ(DirEntries(dir.Path()), 2u);
}

TEST(StatsFile, LoadReadsAnIndependentlyWrittenFile)
{
    vtest::TempDir dir;
    WriteWithPython(dir.File("stats.dat"), Sample());
    COrloStatsStore store;
    ASSERT_EQ(store.Open(CVortanString(dir.File("stats.dat").c_str())), VORTAN_OK);
    ASSERT_EQ(store.GetCount(), (int)Sample().size());
    for (size_t i = 0; i < Sample().size(); ++i)
        ExpectEntry(store.GetAt((int)i), Sample()[i]);

    // Find is exact and returns the first of two equal names.
    EXPECT_EQ(store.Find(Text(u"Counter")), store.GetAt(5));
    EXPECT_EQ(store.Find(Text(u"counter")), nullptr);
    EXPECT_EQ(store.Find(Text(u"__Orlo_Sounds_Mut")), nullptr);

    // A load and a save reproduce the file except for the empty-named entry, whose
    // value was written as an int and the unknown kind read back as kind 0.
    ASSERT_EQ(store.Load(), VORTAN_OK);
    store.GetAt(2)->SetString(store.GetAt(2)->stringValue); // a text set to itself stays
    ASSERT_EQ(store.Save(), VORTAN_OK);
    std::vector<Entry> resaved = Sample();
    resaved[7].kind = 0;
    resaved[7].value = 0;
    WriteWithPython(dir.File("expected.dat"), resaved, "\"skip_empty\": true, ");
    EXPECT_EQ(vtest::ReadWholeFile(dir.File("stats.dat")),
              vtest::ReadWholeFile(dir.File("expected.dat")));
}

TEST(StatsFile, MissingOddOrWrongVersionFilesKeepTheEntries)
{
    vtest::TempDir dir;
    const std::string path = dir.File("stats.dat");
    COrloStatsStore store;
    Fill(store, {{u"Keep", 0, 5, u""}});
    EXPECT_EQ(store.Open(CVortanString(path.c_str())), VORTAN_OK);
    EXPECT_EQ(store.Load(), VORTAN_E_OPEN);
    ASSERT_EQ(store.GetCount(), 1);
    // Only regular files are read: a pipe would block the reader.
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(store.Load(), VORTAN_E_OPEN);
    unlink(path.c_str());
    ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
    EXPECT_EQ(store.Load(), VORTAN_E_OPEN);
    EXPECT_EQ(store.GetCount(), 1);
    rmdir(path.c_str());

    WriteWithPython(dir.File("stats.dat"), {{u"Other", 0, 1, u""}}, "\"version\": 2, ");
    EXPECT_EQ(store.Load(), VORTAN_E_VERSION);
    ASSERT_EQ(store.GetCount(), 1);
    EXPECT_EQ(store.GetAt(0)->intValue, 5);
}

TEST(StatsFile, EveryTruncationLoadsExactlyTheWholeEntries)
{
    vtest::TempDir dir;
    std::vector<long> ends = WriteWithPython(dir.File("full.dat"), Sample());
    std::string full = vtest::ReadWholeFile(dir.File("full.dat"));
    ASSERT_EQ(ends.size(), Sample().size());
    ASSERT_EQ(ends.back(), (long)full.size());

    COrloStatsStore store;
    store.Open(CVortanString(dir.File("stats.dat").c_str()));
    for (size_t length = 0; length <= full.size(); ++length) {
        SCOPED_TRACE(length);
        store.Clear();
        Fill(store, {{u"Sentinel", 0, 1, u""}});
        ASSERT_TRUE(vtest::WriteWholeFile(dir.File("stats.dat"), full.substr(0, length)));
        int result = store.Load();
        if (length < 4) {
            EXPECT_EQ(result, VORTAN_E_VERSION);
            EXPECT_EQ(store.GetCount(), 1);
            continue;
        }
        size_t whole = 0;
        while (whole < ends.size() && ends[whole] <= (long)length)
            ++whole;
        EXPECT_EQ(result, length == full.size() ? VORTAN_OK : VORTAN_E_MALFORMED);
        ASSERT_EQ(store.GetCount(), (int)whole);
        for (size_t i = 0; i < whole; ++i)
            ExpectEntry(store.GetAt((int)i), Sample()[i]);
    }
}

TEST(StatsFile, HostileLengthsAndCountsStopAtOnce)
{
    vtest::TempDir dir;
    const std::string path = dir.File("stats.dat");
    COrloStatsStore store;
    store.Open(CVortanString(path.c_str()));
    const std::vector<Entry> two = {{u"A", 0, 1, u""}, {u"B", 2, 0, u"text"}};

    // A count far beyond what follows.
    WriteWithPython(path, two, "\"count\": 2147483647, ");
    EXPECT_EQ(store.Load(), VORTAN_E_MALFORMED);
    EXPECT_EQ(store.GetCount(), 2);

    // A negative count.
    WriteWithPython(path, two, "\"count\": -5, ");
    EXPECT_EQ(store.Load(), VORTAN_E_MALFORMED);
    EXPECT_EQ(store.GetCount(), 0);

    std::string good = vtest::ReadWholeFile((WriteWithPython(path, two), path));
    auto withTail = [&](const std::string& tail) {
        std::string bytes = good;
        bytes[4] = 3; // one more entry than the two whole ones
        return bytes + tail;
    };
    const std::string lengths[] = {
        std::string("\xff\xff\xff\x7f", 4),        // name of 2^31 - 1 units
        std::string("\xff\xff\xff\xff", 4),        // negative name length
        std::string("\x00\x00\x00\x40", 4) + "ab", // 2^30 units, two bytes present
        std::string("\x01\x00\x00\x00"
                    "C\x00"
                    "\x02\x00"
                    "\xf0\xff\xff\x7f",
                    12), // huge string
        std::string("\x01\x00\x00\x00"
                    "C\x00"
                    "\x02\x00"
                    "\xfe\xff\xff\xff",
                    12), // negative string
    };
    for (const std::string& tail : lengths) {
        ASSERT_TRUE(vtest::WriteWholeFile(path, withTail(tail)));
        EXPECT_EQ(store.Load(), VORTAN_E_MALFORMED);
        ASSERT_EQ(store.GetCount(), 2);
        ExpectEntry(store.GetAt(0), two[0]);
        ExpectEntry(store.GetAt(1), two[1]);
    }
}

TEST(StatsFile, UnknownKindsCarryNoValueAndTheEntryCountIsCapped)
{
    vtest::TempDir dir;
    const std::string path = dir.File("stats.dat");
    const std::vector<Entry> entries = {
        {u"X", 4, 0, u""}, {u"Y", -1, 0, u""}, {u"Z", 32767, 0, u""}, {u"W", 1, 1, u""}};
    WriteWithPython(path, entries);
    COrloStatsStore store;
    store.Open(CVortanString(path.c_str()));
    EXPECT_EQ(store.Load(), VORTAN_OK);
    ASSERT_EQ(store.GetCount(), 4);
    for (size_t i = 0; i < entries.size(); ++i)
        ExpectEntry(store.GetAt((int)i), entries[i]);

    // 70,000 entries of six bytes: empty name, unknown kind.
    std::string bytes("\x01\x00\x00\x00\x70\x11\x01\x00", 8);
    for (int i = 0; i < 70000; ++i)
        bytes += std::string("\x00\x00\x00\x00\x09\x00", 6);
    ASSERT_TRUE(vtest::WriteWholeFile(path, bytes));
    EXPECT_EQ(store.Load(), VORTAN_E_MALFORMED);
    EXPECT_EQ(store.GetCount(), ORLO_STATS_MAX_ENTRIES);
}

TEST(StatsSave, ReplacesTheFileByRenameAndFailsWithoutDamage)
{
    vtest::TempDir dir;
    const std::string path = dir.File("stats.dat");
    COrloStatsStore store;
    store.Open(CVortanString(path.c_str()));
    Fill(store, {{u"Launches", 0, 1, u""}});
    ASSERT_EQ(store.Save(), VORTAN_OK);
    struct stat before;
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    EXPECT_EQ(before.st_mode & 0777, 0600u);
    std::string first = vtest::ReadWholeFile(path);

    // A second save makes a new file and renames it over the first: the old file is never
    // truncated in place, so a crash midway leaves complete settings behind.
    store.GetAt(0)->SetInt(2);
    int keep = open(path.c_str(), O_RDONLY);
    ASSERT_GE(keep, 0);
    ASSERT_EQ(store.Save(), VORTAN_OK);
    struct stat after;
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);
    char old[64];
    EXPECT_EQ(pread(keep, old, sizeof old, 0), (ssize_t)first.size());
    EXPECT_EQ(std::string(old, first.size()), first);
    close(keep);
    EXPECT_EQ(DirEntries(dir.Path()), 1u);
    store.Clear();
    ASSERT_EQ(store.Load(), VORTAN_OK);
    EXPECT_EQ(store.GetAt(0)->intValue, 2);

    // A failed rename (a directory in the way) reports failure and leaves no temporary file.
    const std::string blocked = dir.File("blocked");
    ASSERT_EQ(mkdir(blocked.c_str(), 0700), 0);
    ASSERT_TRUE(vtest::WriteWholeFile(blocked + "/inside", "x"));
    COrloStatsStore other;
    other.Open(CVortanString(blocked.c_str()));
    Fill(other, {{u"A", 0, 1, u""}});
    EXPECT_EQ(other.Save(), VORTAN_E_FAIL);
    EXPECT_EQ(DirEntries(dir.Path()), 2u);
    EXPECT_EQ(vtest::ReadWholeFile(blocked + "/inside"), "x");

    // No directory to write into.
    COrloStatsStore nowhere;
    nowhere.Open(CVortanString(dir.File("missing/stats.dat").c_str()));
    Fill(nowhere, {{u"A", 0, 1, u""}});
    EXPECT_EQ(nowhere.Save(), VORTAN_E_OPEN);
    EXPECT_EQ(nowhere.Load(), VORTAN_E_OPEN);
    EXPECT_EQ(nowhere.GetCount(), 1);
}

TEST(StatsSave, OpeningRemovesTheTemporaryFilesOfSavesCutShortAndNothingElse)
{
    vtest::TempDir dir;
    const std::string path = dir.File("stats.dat");
    {
        COrloStatsStore store;
        store.Open(CVortanString(path.c_str()));
        Fill(store, {{u"Launches", 0, 7, u""}});
        ASSERT_EQ(store.Save(), VORTAN_OK);
    }
    // What a process killed between writing its temporary file and the rename leaves: two such
    // files, named as mkstemp names them.
    for (int i = 0; i < 2; ++i) {
        std::string name = path + ".XXXXXX";
        int fd = mkstemp(&name[0]);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(write(fd, "partial", 7), 7);
        close(fd);
    }
    // Neighbours that only look alike stay.
    const std::vector<std::string> kept = {"stats.dat.bak",     "stats.dat.abc12",
                                           "stats.dat.abc1234", "stats.dat.ab-123",
                                           "xstats.dat.abc123", "other.dat.abc123"};
    for (size_t i = 0; i < kept.size(); ++i)
        ASSERT_TRUE(vtest::WriteWholeFile(dir.File(kept[i]), "mine"));
    ASSERT_EQ(mkdir(dir.File("stats.dat.Dir123").c_str(), 0700), 0);
    ASSERT_EQ(symlink("stats.dat", dir.File("stats.dat.Lnk123").c_str()), 0);
    ASSERT_EQ(DirEntries(dir.Path()), 1u + 2u + kept.size() + 2u);

    COrloStatsStore next;
    ASSERT_EQ(next.Open(CVortanString(path.c_str())), VORTAN_OK);
    EXPECT_EQ(DirEntries(dir.Path()), 1u + kept.size() + 2u);
    for (size_t i = 0; i < kept.size(); ++i)
        EXPECT_EQ(vtest::ReadWholeFile(dir.File(kept[i])), "mine") << kept[i];
    ASSERT_EQ(next.GetCount(), 1);
    EXPECT_EQ(next.GetAt(0)->intValue, 7);
}
