// The file layer: open modes, seeking, memory blocks, shared files, removal and object forms.
#include <gtest/gtest.h>

#include <string.h>
#include <sys/stat.h>

#include <string>

#include "engine/VortanFile.h"
#include "engine/VortanID.h"
#include "engine/VortanMatrix.h"
#include "engine/VortanString.h"
#include "tests/support/TestSupport.h"

namespace {

CVortanString Path(const std::string& path)
{
    return CVortanString(path.c_str());
}

std::string Bytes(int n, char first = 'a')
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s.push_back(static_cast<char>(first + i % 26));
    return s;
}

TEST(FileOpen, MissingPathGivesOpenErrorAndLeavesTheObjectClosed)
{
    vtest::TempDir dir;
    CVortanFile file;
    ASSERT_TRUE(vtest::WriteWholeFile(dir.File("x"), "0123456789"));
    ASSERT_EQ(VORTAN_OK, file.Open(Path(dir.File("x")), VORTAN_FILE_READ));
    file.Seek(4, VORTAN_SEEK_SET);
    EXPECT_EQ(VORTAN_E_OPEN, file.Open(Path(dir.File("missing")), VORTAN_FILE_READ));
    EXPECT_EQ(0, file.GetSize());
    EXPECT_EQ(0, file.GetPosition());
    char buffer[4];
    EXPECT_EQ(0, file.Read(buffer, 4));
    // Nor do an empty path and directories.
    EXPECT_EQ(VORTAN_E_OPEN, file.Open(CVortanString(), VORTAN_FILE_READ));
    EXPECT_EQ(VORTAN_E_OPEN, file.Open(Path(dir.Path()), VORTAN_FILE_READ));
    EXPECT_EQ(VORTAN_E_OPEN, file.Open(Path(dir.Path()), VORTAN_FILE_WRITE));
    EXPECT_EQ(VORTAN_E_OPEN, file.Open(Path(dir.File("no/such/dir")), VORTAN_FILE_WRITE));
}

TEST(FileOpen, ReadMeasuresTheSizeAndReadsFromThePosition)
{
    vtest::TempDir dir;
    const std::string content = Bytes(300);
    ASSERT_TRUE(vtest::WriteWholeFile(dir.File("r.bin"), content));
    CVortanFile file;
    ASSERT_EQ(VORTAN_OK, file.Open(Path(dir.File("r.bin")), VORTAN_FILE_READ));
    EXPECT_EQ(300, file.GetSize());
    char buffer[400];
    EXPECT_EQ(100, file.Seek(100, VORTAN_SEEK_SET));
    EXPECT_EQ(200, file.Read(buffer, 400)); // short read at the end
    EXPECT_EQ(content.substr(100), std::string(buffer, 200));
    EXPECT_EQ(0, file.Read(buffer, 10));
    // A file opened for reading is not written.
    EXPECT_EQ(0, file.Write("zz", 2));
    EXPECT_EQ(content, vtest::ReadWholeFile(dir.File("r.bin")));
}

TEST(FileOpen, WriteTruncatesAndAppendWritesAtTheEnd)
{
    vtest::TempDir dir;
    const std::string path = dir.File("w.bin");
    ASSERT_TRUE(vtest::WriteWholeFile(path, Bytes(50)));
    CVortanFile file;
    ASSERT_EQ(VORTAN_OK, file.Open(Path(path), VORTAN_FILE_WRITE));
    EXPECT_EQ(0, file.GetSize());
    EXPECT_EQ(5, file.Write("hello", 5));
    file.Seek(1, VORTAN_SEEK_SET);
    EXPECT_EQ(2, file.Write("EL", 2));
    EXPECT_EQ(5, file.GetSize()); // overwriting inside does not grow
    EXPECT_EQ(0, file.Write(nullptr, 3));
    file.Close();
    EXPECT_EQ("hELlo", vtest::ReadWholeFile(path));
    // Append starts at the old size; it also creates a missing file.
    ASSERT_EQ(VORTAN_OK, file.Open(Path(path), VORTAN_FILE_APPEND | VORTAN_FILE_WRITE));
    EXPECT_EQ(5, file.GetPosition());
    EXPECT_EQ(3, file.Write("def", 3));
    file.Close();
    EXPECT_EQ("hELlodef", vtest::ReadWholeFile(path));
    ASSERT_EQ(VORTAN_OK, file.Open(Path(dir.File("new.txt")), VORTAN_FILE_APPEND));
    EXPECT_EQ(2, file.Write("hi", 2));
    file.Close();
    EXPECT_EQ("hi", vtest::ReadWholeFile(dir.File("new.txt")));
}

TEST(FileSeek, OriginsFollowTheirRules)
{
    vtest::TempDir dir;
    ASSERT_TRUE(vtest::WriteWholeFile(dir.File("100"), Bytes(100)));
    CVortanFile file;
    ASSERT_EQ(VORTAN_OK, file.Open(Path(dir.File("100")), VORTAN_FILE_READ));
    EXPECT_EQ(99, file.Seek(0, VORTAN_SEEK_FROM_LAST)); // the last byte, not the end
    char c = 0;
    EXPECT_EQ(1, file.Read(&c, 1));
    EXPECT_EQ(Bytes(100)[99], c);
    EXPECT_EQ(89, file.Seek(10, VORTAN_SEEK_FROM_LAST));
    EXPECT_EQ(94, file.Seek(5, VORTAN_SEEK_CURRENT));
    EXPECT_EQ(90, file.Seek(-4, VORTAN_SEEK_CURRENT));
    EXPECT_EQ(90, file.Seek(1234, 3)); // unknown origin leaves the position
    // Arithmetic that would overflow stays in range.
    EXPECT_EQ(0x7fffffff, file.Seek(0x7fffffff, VORTAN_SEEK_SET));
    EXPECT_EQ(0x7fffffff, file.Seek(0x7fffffff, VORTAN_SEEK_CURRENT));
    EXPECT_EQ(0x7fffffff, file.Seek(-0x7fffffff - 1, VORTAN_SEEK_FROM_LAST));
}

TEST(FileSeek, PositionsOutsideTheFileTransferNothing)
{
    char block[11] = "0123456789";
    CVortanFile memory;
    ASSERT_EQ(VORTAN_OK, memory.OpenMemory(block, 10, VORTAN_FILE_WRITE));
    char buffer[8];
    memory.Seek(-3, VORTAN_SEEK_SET);
    EXPECT_EQ(0, memory.Read(buffer, 8));
    EXPECT_EQ(0, memory.Write("xx", 2));
    EXPECT_EQ(-3, memory.GetPosition());
    EXPECT_EQ(-2, memory.Seek(11, VORTAN_SEEK_FROM_LAST));
    EXPECT_EQ(0, memory.Read(buffer, 8));
    EXPECT_EQ(0, memcmp(block, "0123456789", 10));
    vtest::TempDir dir;
    ASSERT_TRUE(vtest::WriteWholeFile(dir.File("f"), "0123456789"));
    CVortanFile file;
    ASSERT_EQ(VORTAN_OK, file.Open(Path(dir.File("f")), VORTAN_FILE_READ));
    file.Seek(-1, VORTAN_SEEK_SET);
    EXPECT_EQ(0, file.Read(buffer, 8));
    file.Seek(0, VORTAN_SEEK_SET);
    EXPECT_EQ(0, file.Read(buffer, -1));
}

TEST(FileMemory, ReadsAndWritesStopAtTheEndOfTheBlock)
{
    char block[11] = "0123456789";
    CVortanFile file;
    ASSERT_EQ(VORTAN_OK, file.OpenMemory(block, 10, VORTAN_FILE_READ | VORTAN_FILE_WRITE));
    file.Seek(8, VORTAN_SEEK_SET);
    char buffer[5] = {0};
    EXPECT_EQ(2, file.Read(buffer, 5));
    EXPECT_EQ("89", std::string(buffer, 2));
    file.Seek(8, VORTAN_SEEK_SET);
    EXPECT_EQ(2, file.Write("ABCDE", 5));
    EXPECT_EQ(10, file.GetSize()); // the block never grows
    EXPECT_EQ(0, file.Write("x", 1));
    EXPECT_EQ("01234567AB", std::string(block, 10));
}

TEST(FileMemory, WritableOnlyWithWriteOrAppendAndBadBlocksAreRefused)
{
    char block[4] = {'a', 'b', 'c', 'd'};
    CVortanFile file;
    ASSERT_EQ(VORTAN_OK, file.OpenMemory(block, 4, VORTAN_FILE_READ));
    EXPECT_EQ(0, file.Write("xy", 2));
    ASSERT_EQ(VORTAN_OK, file.OpenMemory(block, 4, VORTAN_FILE_APPEND));
    EXPECT_EQ(2, file.Write("xy", 2));
    EXPECT_EQ("xycd", std::string(block, 4));
    CVortanFile bad;
    EXPECT_EQ(VORTAN_E_ARGUMENT, bad.OpenMemory(nullptr, 4, VORTAN_FILE_READ));
    EXPECT_EQ(VORTAN_E_ARGUMENT, bad.OpenMemory(block, 0, VORTAN_FILE_READ));
    EXPECT_EQ(VORTAN_E_ARGUMENT, bad.OpenMemory(block, -5, VORTAN_FILE_READ));
    EXPECT_EQ(0, bad.GetSize());
}

TEST(FileMemory, OwnedCopyIsIndependentOfTheCallersBlock)
{
    char block[7] = "source";
    CVortanFile file;
    ASSERT_EQ(VORTAN_OK, file.OpenMemory(block, 6, VORTAN_FILE_COPY | VORTAN_FILE_WRITE));
    memcpy(block, "XXXXXX", 6);
    char buffer[6];
    EXPECT_EQ(6, file.Read(buffer, 6));
    EXPECT_EQ("source", std::string(buffer, 6));
    file.Seek(0, VORTAN_SEEK_SET);
    EXPECT_EQ(3, file.Write("abc", 3));
    EXPECT_EQ("XXXXXX", std::string(block, 6));
    // A second owned copy replaces the first without losing it (the leak checker watches).
    ASSERT_EQ(VORTAN_OK, file.OpenMemory(block, 6, VORTAN_FILE_COPY));
}

TEST(FileAttach, SharesWithoutTakingOwnership)
{
    vtest::TempDir dir;
    ASSERT_TRUE(vtest::WriteWholeFile(dir.File("s"), "shared stream"));
    CVortanFile owner;
    ASSERT_EQ(VORTAN_OK, owner.Open(Path(dir.File("s")), VORTAN_FILE_READ));
    owner.Seek(7, VORTAN_SEEK_SET);
    {
        CVortanFile user;
        EXPECT_EQ(VORTAN_OK, user.Attach(&owner));
        char buffer[6];
        EXPECT_EQ(6, user.Read(buffer, 6));
        EXPECT_EQ("stream", std::string(buffer, 6));
    } // the user's destructor must not close the owner's stream
    char buffer[6];
    EXPECT_EQ(6, owner.Read(buffer, 6));
    EXPECT_EQ("stream", std::string(buffer, 6));
    char block[4] = {'w', 'x', 'y', 'z'};
    CVortanFile copy;
    ASSERT_EQ(VORTAN_OK, copy.OpenMemory(block, 4, VORTAN_FILE_COPY));
    {
        CVortanFile user;
        EXPECT_EQ(VORTAN_OK, user.Attach(&copy));
        EXPECT_EQ(0, user.GetFlags() & VORTAN_FILE_COPY);
    } // ... nor free the owner's block
    char c = 0;
    EXPECT_EQ(1, copy.Read(&c, 1));
    EXPECT_EQ('w', c);
}

TEST(FileExistsDelete, RemovesExactlyTheNamedFileWhateverItsCharacters)
{
    vtest::TempDir dir;
    const std::string hostile = "a b;touch pwned $(touch pwned2) `touch pwned3` * 'q' \"d\" | >x &";
    const std::string siblings[] = {"a", "b", "keep", "x", "a b"};
    for (const std::string& s : siblings)
        ASSERT_TRUE(vtest::WriteWholeFile(dir.File(s), s));
    ASSERT_TRUE(vtest::WriteWholeFile(dir.File(hostile), "victim"));
    EXPECT_EQ(1, CVortanFile::Exists(Path(dir.File(hostile))));
    EXPECT_EQ(VORTAN_OK, CVortanFile::Delete(Path(dir.File(hostile))));
    EXPECT_EQ(0, CVortanFile::Exists(Path(dir.File(hostile))));
    for (const std::string& s : siblings)
        EXPECT_EQ(s, vtest::ReadWholeFile(dir.File(s))) << s;
    for (const char* p : {"pwned", "pwned2", "pwned3"})
        EXPECT_FALSE(vtest::Exists(p) || vtest::Exists(dir.File(p))) << p;
    // A leading dash is a file name, not an option.
    ASSERT_TRUE(vtest::WriteWholeFile(dir.File("-rf"), "dash"));
    EXPECT_EQ(VORTAN_OK, CVortanFile::Delete(Path(dir.File("-rf"))));
    EXPECT_FALSE(vtest::Exists(dir.File("-rf")));
}

TEST(FileExistsDelete, MissingFilesNulUnitsAndDirectoriesAreNotRemoved)
{
    vtest::TempDir dir;
    EXPECT_EQ(0, CVortanFile::Exists(Path(dir.File("nothing"))));
    EXPECT_EQ(VORTAN_E_MISSING, CVortanFile::Delete(Path(dir.File("nothing"))));
    EXPECT_EQ(VORTAN_E_MISSING, CVortanFile::Delete(CVortanString()));
    // A path with a NUL unit names no file (not the one before the NUL).
    ASSERT_TRUE(vtest::WriteWholeFile(dir.File("cut"), "c"));
    CVortanString path(dir.File("cut").c_str());
    path.AppendChar(0);
    path.Append(CVortanString("tail"));
    EXPECT_EQ(0, CVortanFile::Exists(path));
    EXPECT_EQ(VORTAN_E_MISSING, CVortanFile::Delete(path));
    CVortanFile file;
    EXPECT_EQ(VORTAN_E_OPEN, file.Open(path, VORTAN_FILE_WRITE));
    EXPECT_EQ("c", vtest::ReadWholeFile(dir.File("cut")));
    const std::string sub = dir.File("sub");
    ASSERT_EQ(0, mkdir(sub.c_str(), 0700));
    ASSERT_TRUE(vtest::WriteWholeFile(sub + "/inner", "i"));
    int result = CVortanFile::Delete(Path(sub));
    EXPECT_TRUE(result == VORTAN_E_MISSING || result == VORTAN_E_FAIL) << result;
    EXPECT_EQ("i", vtest::ReadWholeFile(sub + "/inner"));
}

TEST(FileReadString, StopsAtNulOr512Bytes)
{
    std::string data = std::string("abc") + '\0' + "d\xe9" + '\0' + std::string(600, 'z');
    CVortanFile file;
    ASSERT_EQ(VORTAN_OK,
              file.OpenMemory(&data[0], static_cast<int>(data.size()), VORTAN_FILE_READ));
    CVortanString text;
    file.ReadString(text);
    EXPECT_EQ(0, text.Compare(CVortanString(L"abc")));
    EXPECT_EQ(4, file.GetPosition()); // the NUL is consumed
    file.ReadString(text);
    ASSERT_EQ(2, text.GetLength());
    EXPECT_EQ(0xe9, text.GetAt(1)); // bytes widen as Latin-1
    file.ReadString(text);
    EXPECT_EQ(512, text.GetLength());
    file.ReadString(text);
    EXPECT_EQ(600 - 512, text.GetLength());
}

TEST(FileObjects, WriteIDWritesTheIdentifierWithItsNul)
{
    char block[32];
    memset(block, 'x', sizeof block);
    CVortanFile file;
    ASSERT_EQ(VORTAN_OK, file.OpenMemory(block, sizeof block, VORTAN_FILE_WRITE));
    CVortanID object;
    object.SetID(CVortanString(L"sprite"));
    EXPECT_EQ(7, file.WriteID(&object));
    EXPECT_EQ(1, file.WriteID(nullptr)); // a lone NUL
    object.SetID(CVortanString());
    EXPECT_EQ(1, file.WriteID(&object));
    EXPECT_EQ(std::string("sprite\0\0\0x", 10), std::string(block, 10));
    CVortanFile readOnly;
    ASSERT_EQ(VORTAN_OK, readOnly.OpenMemory(block, sizeof block, VORTAN_FILE_READ));
    EXPECT_EQ(0, readOnly.WriteID(&object));
}

TEST(FileObjects, MatricesTravelAsFourGroupsOfThreeFloats)
{
    CVortanMatrix matrix;
    for (int i = 0; i < 16; ++i)
        matrix.m[i] = 0.5f + i;
    char block[64];
    CVortanFile file;
    ASSERT_EQ(VORTAN_OK,
              file.OpenMemory(block, sizeof block, VORTAN_FILE_WRITE | VORTAN_FILE_READ));
    EXPECT_EQ(48, file.WriteMatrix(matrix));
    const int written[12] = {0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14};
    for (int k = 0; k < 12; ++k) {
        float expected = 0.5f + written[k]; // little-endian IEEE single of 0.5 + element index
        EXPECT_EQ(0, memcmp(&expected, block + 4 * k, 4)) << k;
    }
    CVortanMatrix back;
    for (int i = 0; i < 16; ++i)
        back.m[i] = -9.0f;
    file.Seek(0, VORTAN_SEEK_SET);
    EXPECT_EQ(48, file.ReadMatrix(back));
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ(0.5f + written[k], back.m[written[k]]);
    EXPECT_TRUE(back.m[3] == 0.0f && back.m[7] == 0.0f && back.m[11] == 0.0f && back.m[15] == 1.0f);
    // A short block gives a short count.
    file.Seek(40, VORTAN_SEEK_SET);
    EXPECT_EQ(24, file.ReadMatrix(back));
}

} // namespace
