// tools/vortanpack: the layout byte for byte, listing, extraction, keys, refusals, hostile packs.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "tests/support/PackWriter.h"
#include "tests/support/TestSupport.h"

namespace {

const std::string kTool = std::string(VORTAN_BINARY_DIR) + "/tools/vortanpack";

int Pack(const std::vector<std::string>& args, std::string* out = nullptr)
{
    std::vector<std::string> argv = {kTool};
    argv.insert(argv.end(), args.begin(), args.end());
    return vtest::RunProgram(argv, out);
}

std::vector<std::string> DirectoryNames(const std::string& path)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(path.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string n = e->d_name;
            if (n != "." && n != "..")
                names.push_back(n);
        }
        closedir(d);
    }
    return names;
}

using vtest::Exists;

// Independent reader: prints "name size hexdata" per entry.
const char* kPythonLister = R"PY(
import struct, sys
b = open(sys.argv[1], 'rb').read()
assert b[:4] == b'DMP2'
n, = struct.unpack_from('<I', b, 4)
p = 8
for _ in range(n):
    l, = struct.unpack_from('<H', b, p); p += 2
    name = b[p:p + l].decode('latin-1'); p += l
    off, = struct.unpack_from('<I', b, p); p += 4
    size, = struct.unpack_from('<I', b, off + 4)
    print(name, size, b[off + 8:off + 8 + size].hex())
)PY";

class Tool : public ::testing::Test {
protected:
    std::string Put(const std::string& name, const std::string& bytes)
    {
        std::string path = dir.File(name);
        EXPECT_TRUE(vtest::WriteWholeFile(path, bytes));
        return path;
    }
    void MakeDir(const std::string& name) { ASSERT_EQ(0, mkdir(dir.File(name).c_str(), 0700)); }

    vtest::TempDir dir;
};

TEST_F(Tool, CreateWritesTheLayoutByteForByte)
{
    MakeDir("sub");
    const std::string a = Put("a.txt", "hello");
    const std::string b = Put("sub/b.bin", std::string("\x00\x01", 2));
    ASSERT_EQ(0, Pack({"create", dir.File("out.dmp"), a, b}));
    const char expected[] = "DMP2"
                            "\x02\x00\x00\x00"
                            "\x06\x00"
                            "/a.txt"
                            "\x20\x00\x00\x00" // data block at 32
                            "\x06\x00"
                            "/b.bin"
                            "\x2d\x00\x00\x00" // data block at 45
                            "\x00\x00\x00\x00"
                            "\x05\x00\x00\x00"
                            "hello"
                            "\x00\x00\x00\x00"
                            "\x02\x00\x00\x00"
                            "\x00\x01";
    EXPECT_EQ(std::string(expected, sizeof expected - 1),
              vtest::ReadWholeFile(dir.File("out.dmp")));
    std::string listing;
    ASSERT_EQ(0, Pack({"list", dir.File("out.dmp")}, &listing));
    EXPECT_EQ("5 /a.txt\n2 /b.bin\n", listing);
    // No temporary file is left beside the output.
    EXPECT_EQ(3u, DirectoryNames(dir.Path()).size());
}

TEST_F(Tool, DirectoryEntriesAreSortedAndTheListerAgrees)
{
    MakeDir("in");
    MakeDir("in/nested");
    Put("in/zeta.png", "Z");
    Put("in/alpha.xml", "<a/>");
    Put("in/alpha.xml.old", "old");
    Put("in/.hidden", "h");
    Put("in/empty", "");
    Put("in/nested/inner.txt", "inner");
    ASSERT_EQ(0, Pack({"create", dir.File("d.dmp"), "--dir", dir.File("in")}));
    std::string parsed;
    ASSERT_EQ(
        0, vtest::RunProgram({vtest::Python(), "-c", kPythonLister, dir.File("d.dmp")}, &parsed));
    EXPECT_EQ("/alpha.xml 4 3c612f3e\n"
              "/alpha.xml.old 3 6f6c64\n"
              "/empty 0 \n"
              "/zeta.png 1 5a\n",
              parsed);
    ASSERT_EQ(0, Pack({"extract", dir.File("d.dmp"), dir.File("out")}));
    EXPECT_TRUE(Exists(dir.File("out/empty")));
    EXPECT_EQ(4u, DirectoryNames(dir.File("out")).size());
}

TEST_F(Tool, RoundTripOfManyBinaryFiles)
{
    MakeDir("in");
    for (int i = 0; i < 120; ++i) {
        std::string data;
        for (int k = 0; k < i * 37; ++k)
            data.push_back(static_cast<char>((k * 131 + i) & 0xff));
        Put("in/f" + std::to_string(i) + ".bin", data);
    }
    ASSERT_EQ(0, Pack({"create", dir.File("many.dmp"), "--dir", dir.File("in")}));
    ASSERT_EQ(0, Pack({"extract", dir.File("many.dmp"), dir.File("out")}));
    for (int i = 0; i < 120; ++i) {
        const std::string name = "f" + std::to_string(i) + ".bin";
        EXPECT_EQ(vtest::ReadWholeFile(dir.File("in/" + name)),
                  vtest::ReadWholeFile(dir.File("out/" + name)));
    }
}

TEST_F(Tool, RefusesNamesThatLookUpByContainmentCannotReach)
{
    MakeDir("one");
    MakeDir("two");
    const std::string a1 = Put("one/a.png", "1");
    const std::string a2 = Put("two/a.png", "2");
    EXPECT_EQ(1, Pack({"create", dir.File("dup.dmp"), a1, a2}));
    EXPECT_FALSE(Exists(dir.File("dup.dmp")));
    const std::string longer = Put("x.png.bak", "bak");
    const std::string shorter = Put("x.png", "png");
    EXPECT_EQ(1, Pack({"create", dir.File("bad.dmp"), longer, shorter}));
    EXPECT_FALSE(Exists(dir.File("bad.dmp")));
    EXPECT_EQ(0, Pack({"create", dir.File("good.dmp"), shorter, longer}));
    // A name that merely ends like another is fine in either order: "/" + bare name is what
    // the look-up asks for.
    const std::string menu = Put("menu_ui.xml", "m");
    const std::string ui = Put("ui.xml", "u");
    EXPECT_EQ(0, Pack({"create", dir.File("ok.dmp"), menu, ui}));
}

TEST_F(Tool, FailuresLeaveAnExistingOutputAlone)
{
    const std::string out = Put("keep.dmp", "previous pack");
    EXPECT_EQ(1, Pack({"create", out, dir.File("missing.txt")}));
    MakeDir("adir");
    EXPECT_EQ(1, Pack({"create", out, dir.File("adir")}));
    EXPECT_EQ(1, Pack({"create", out, "--dir", dir.File("nothing-here")}));
    EXPECT_EQ(1, Pack({"create", out, "--dir", dir.File("adir")})); // no files at all
    EXPECT_EQ("previous pack", vtest::ReadWholeFile(out));
    EXPECT_EQ(2u, DirectoryNames(dir.Path()).size());
    // A successful run replaces it.
    const std::string f = Put("f", "new");
    EXPECT_EQ(0, Pack({"create", out, f}));
    std::string listing;
    EXPECT_EQ(0, Pack({"list", out}, &listing));
    EXPECT_EQ("3 /f\n", listing);
}

TEST_F(Tool, BadArgumentsGiveUsageAndStatus2)
{
    const std::string f = Put("f", "x");
    const std::string o = dir.File("o.dmp");
    const std::vector<std::vector<std::string>> cases = {{},
                                                         {"frobnicate"},
                                                         {"create"},
                                                         {"create", o},
                                                         {"create", o, "--key"},
                                                         {"create", o, f, "--dir"},
                                                         {"create", o, "--bogus", f},
                                                         {"create", o, "--key", "ab", f},
                                                         {"list"},
                                                         {"list", "a", "b"},
                                                         {"extract", f},
                                                         {"extract", f, "out", "--nokey", "k"}};
    for (const auto& args : cases)
        EXPECT_EQ(2, Pack(args)) << (args.empty() ? "" : args.back());
    EXPECT_FALSE(Exists(dir.File("o.dmp")));
}

TEST_F(Tool, KeyScramblesTheDataAndExtractUnscramblesIt)
{
    const std::string original = "The quick brown fox jumps over the lazy dog, twice over.";
    const std::string f = Put("text.txt", original);
    ASSERT_EQ(0, Pack({"create", dir.File("k.dmp"), "--key", "s3cret", f}));
    const std::string pack = vtest::ReadWholeFile(dir.File("k.dmp"));
    EXPECT_EQ(std::string::npos, pack.find(original));
    EXPECT_EQ(original.size() + 8 + 8 + 2 + 9 + 4, pack.size());
    ASSERT_EQ(0, Pack({"extract", dir.File("k.dmp"), dir.File("plain"), "--key", "s3cret"}));
    EXPECT_EQ(original, vtest::ReadWholeFile(dir.File("plain/text.txt")));
    ASSERT_EQ(0, Pack({"extract", dir.File("k.dmp"), dir.File("raw")}));
    EXPECT_NE(original, vtest::ReadWholeFile(dir.File("raw/text.txt")));
}

TEST_F(Tool, BrokenPacksAreReportedNotRead)
{
    Put("dmp1.dmp", "DMP1\x01\x00\x00\x00");
    EXPECT_EQ(1, Pack({"list", dir.File("dmp1.dmp")}));
    EXPECT_EQ(1, Pack({"list", dir.File("missing.dmp")}));
    EXPECT_EQ(1, Pack({"extract", dir.File("dmp1.dmp"), dir.File("o")}));
    // Second entry's data runs past the end of the file.
    const char cut[] = "DMP2"
                       "\x02\0\0\0"
                       "\x03\0/ok"
                       "\x1b\0\0\0"
                       "\x04\0/bad"
                       "\x25\0\0\0"
                       "\0\0\0\0"
                       "\x02\0\0\0"
                       "OK"
                       "\0\0\0\0"
                       "\xe8\x03\0\0"
                       "short";
    Put("cut.dmp", std::string(cut, sizeof cut - 1));
    std::string listing;
    EXPECT_EQ(1, Pack({"list", dir.File("cut.dmp")}, &listing));
    EXPECT_EQ("2 /ok\n", listing);
    EXPECT_EQ(1, Pack({"extract", dir.File("cut.dmp"), dir.File("x")}));
    EXPECT_EQ("OK", vtest::ReadWholeFile(dir.File("x/ok")));
    EXPECT_FALSE(Exists(dir.File("x/bad")));
}

TEST_F(Tool, ExtractWritesOnlyInsideTheOutputDirectory)
{
    const std::vector<std::string> names = {"/../../escape.txt", "..", "/ok.txt", "/sub/dir/",
                                            "/ok.txt"};
    vtest::PackEntries entries;
    for (size_t i = 0; i < names.size(); ++i)
        entries.emplace_back(names[i], std::string(1, static_cast<char>('0' + i)));
    MakeDir("deep");
    MakeDir("deep/er");
    Put("hostile.dmp", vtest::MakePack(entries));
    EXPECT_EQ(1, Pack({"extract", dir.File("hostile.dmp"), dir.File("deep/er/out")}));
    EXPECT_EQ("0", vtest::ReadWholeFile(dir.File("deep/er/out/escape.txt")));
    EXPECT_EQ("2", vtest::ReadWholeFile(dir.File("deep/er/out/ok.txt"))); // the first one wins
    EXPECT_FALSE(Exists(dir.File("escape.txt")));
    EXPECT_FALSE(Exists(dir.File("deep/escape.txt")));
    EXPECT_EQ(2u, DirectoryNames(dir.File("deep/er/out")).size());
}

} // namespace
