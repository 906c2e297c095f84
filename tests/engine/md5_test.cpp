// MD5 digests (against RFC 1321 and md5sum) and the hashed string keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string.h>
#include <string>
#include <vector>

#include "engine/HashString.h"
#include "engine/VortanFile.h"
#include "engine/VortanMD5.h"
#include "engine/VortanString.h"
#include "tests/support/TestSupport.h"

namespace {

std::string HexOf(const void* bytes, size_t n)
{
    MD5Context ctx;
    MD5Buffer(&ctx, bytes, (unsigned)n);
    CVortanString hex;
    DigestToHex(ctx.digest, hex);
    return VortanBytesOf(hex);
}

std::string RandomBytes(std::mt19937& rng, size_t n)
{
    std::string s(n, '\0');
    for (auto& c : s)
        c = (char)(rng() & 0xff);
    return s;
}

// md5sum's digests of the given files, in order.
std::vector<std::string> Md5sum(const std::vector<std::string>& paths)
{
    std::vector<std::string> argv = {"md5sum"};
    argv.insert(argv.end(), paths.begin(), paths.end());
    std::string out;
    EXPECT_EQ(vtest::RunProgram(argv, &out), 0);
    std::vector<std::string> digests;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line))
        digests.push_back(line.substr(0, 32));
    return digests;
}

} // namespace

TEST(MD5, Rfc1321Suite)
{
    const char* cases[][2] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (auto& c : cases) {
        EXPECT_EQ(HexOf(c[0], strlen(c[0])), c[1]) << c[0];
        CVortanString s(c[0]);
        MD5String(s);
        EXPECT_EQ(VortanBytesOf(s), c[1]) << c[0];
    }
}

TEST(MD5, StringHashesTheLowByteOfEachUnit)
{
    // Expected digests from hashlib.md5(b'\xe9') and hashlib.md5(b'\xac').
    CVortanString e(L"\u00e9"), euro(L"\u20ac");
    MD5String(e);
    MD5String(euro);
    EXPECT_EQ(VortanBytesOf(e), "3406877694691ddd1dfb0aca54681407");
    EXPECT_EQ(VortanBytesOf(euro), "20a7f30fb9f8e145422b66b3d4f4da70");
    u8 digest[16];
    for (int i = 0; i < 16; ++i)
        digest[i] = (u8)(i * 17 + 10);
    CVortanString hex(L"replaced");
    DigestToHex(digest, hex);
    EXPECT_EQ(VortanBytesOf(hex), "0a1b2c3d4e5f708192a3b4c5d6e7f809");
}

TEST(MD5, FilesMatchMd5sumWhateverTheirPosition)
{
    std::mt19937 rng(1321);
    vtest::TempDir dir;
    std::vector<size_t> sizes = {0,   1,    55,    56,    57,    63,        64,
                                 65,  119,  120,   127,   128,   255,       256,
                                 257, 1000, 16383, 16384, 16385, 65536 + 7, 4u << 20};
    for (int i = 0; i < 8; ++i)
        sizes.push_back(rng() % (4u << 20));
    std::vector<std::string> paths, contents;
    for (size_t i = 0; i < sizes.size(); ++i) {
        paths.push_back(dir.File("f" + std::to_string(i)));
        contents.push_back(RandomBytes(rng, sizes[i]));
        ASSERT_TRUE(vtest::WriteWholeFile(paths.back(), contents.back()));
    }
    std::vector<std::string> expected = Md5sum(paths);
    ASSERT_EQ(expected.size(), paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        CVortanFile file;
        ASSERT_EQ(file.Open(CVortanString(paths[i].c_str()), VORTAN_FILE_READ), VORTAN_OK);
        // Leave the file somewhere other than its start: half read, or past its end.
        std::vector<char> skip(sizes[i] / 2 + 1);
        if (i % 3 == 0)
            file.Read(skip.data(), (int)skip.size());
        else if (i % 3 == 1)
            file.Seek((int)sizes[i] + 10, VORTAN_SEEK_SET);
        MD5Context ctx;
        EXPECT_EQ(MD5File(&ctx, &file), VORTAN_OK);
        CVortanString hex;
        DigestToHex(ctx.digest, hex);
        EXPECT_EQ(VortanBytesOf(hex), expected[i]) << "size " << sizes[i];
        // The same bytes in memory and through the one-shot buffer form.
        EXPECT_EQ(HexOf(contents[i].data(), contents[i].size()), expected[i]);
    }
    MD5Context ctx;
    EXPECT_EQ(MD5File(&ctx, nullptr), VORTAN_E_ARGUMENT);
}

TEST(MD5, UpdatesInAnyPiecesGiveTheSameDigest)
{
    std::mt19937 rng(5);
    std::string data = RandomBytes(rng, 20000);
    std::string whole = HexOf(data.data(), data.size());
    for (int round = 0; round < 20; ++round) {
        MD5Context ctx;
        MD5Init(&ctx);
        size_t at = 0;
        while (at < data.size()) {
            size_t n = std::min<size_t>(data.size() - at, rng() % (round < 10 ? 70 : 3000));
            MD5Update(&ctx, data.data() + at, (unsigned)n);
            at += n;
        }
        MD5Final(&ctx);
        CVortanString hex;
        DigestToHex(ctx.digest, hex);
        EXPECT_EQ(VortanBytesOf(hex), whole);
    }
}

TEST(HashBytes, MatchesTheReferenceValuesAndHashStringCachesIt)
{
    // Expected values from an independent implementation of the algorithm in Python.
    EXPECT_EQ(HashBytes(nullptr, 0), 0x811C1CD9u);
    const u32 expected[] = {0x811c1cd9, 0x4082a75e, 0x562ae3f6, 0x0f26e61f, 0x6ddfd803, 0xa23853f7,
                            0x8c91af5e, 0xdd45fc3d, 0x3bbd3c9d, 0xfc12bced, 0x3d0997f6, 0xb928e704,
                            0xd5b87f47, 0xbbfb0da5, 0x7b04375a, 0x86f126e6, 0x197fffab, 0x714feb8c};
    u8 data[17];
    for (int i = 0; i < 17; ++i)
        data[i] = (u8)(i + 1);
    for (int n = 0; n <= 17; ++n)
        EXPECT_EQ(HashBytes(data, n), expected[n]) << n << " bytes";
    EXPECT_EQ(CHashString().GetHash(), 0x811C1CD9u);
    // Hashes of the UTF-16LE bytes, from the Python implementation.
    CHashString abc(CVortanString(L"abc"));
    EXPECT_EQ(abc.GetHash(), 0x96d1d4a8u);
    EXPECT_EQ(CHashString(L"app:chat_send").GetHash(), 0xed4fb960u);
    EXPECT_EQ(CHashString(L"\u00e9t\u00e9").GetHash(), 0x83a35748u);
    EXPECT_EQ(CHashString(L"\u20ac").GetHash(), 0x9726e399u);
    CHashString assigned;
    assigned = abc;
    assigned = assigned;
    EXPECT_EQ(assigned.GetString(), CVortanString(L"abc"));
    EXPECT_EQ(assigned.Hash(), 0x96d1d4a8u);
    EXPECT_EQ(CHashString(CVortanString("abc")).CompareKey(abc), 0);
    EXPECT_NE(CHashString(L"abd").CompareKey(abc), 0);
}
