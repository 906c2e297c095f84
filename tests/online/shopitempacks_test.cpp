// Item data packs: the pack list, the check of local files by digest, chunked downloads into a
// temporary file, the server's faults, a lost lobby, and hostile lists.
#include <sys/stat.h>

#include <fstream>
#include <functional>
#include <iterator>

#include "engine/VortanMD5.h"
#include "tests/online/ShopTestSupport.h"

namespace {

using stest::Ber;
using stest::TagOf;

std::vector<u8> Pattern(size_t size, unsigned seed)
{
    std::vector<u8> out(size);
    for (size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        out[i] = (u8)(seed >> 16);
    }
    return out;
}

std::vector<u8> Md5(const std::vector<u8>& bytes)
{
    MD5Context context;
    MD5Buffer(&context, bytes.data(), (unsigned int)bytes.size());
    return std::vector<u8>(context.digest, context.digest + 16);
}

bool Exists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

std::vector<u8> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<u8>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::vector<u8>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write((const char*)bytes.data(), (std::streamsize)bytes.size());
}

class ItemPackTest : public stest::ShopFixture {
protected:
    struct Record {
        int id, version;
        std::vector<u8> digest;
        long long size;
    };
    // The pack list (tag 87).
    void ServeList(const std::vector<Record>& records)
    {
        std::vector<Ber> list;
        for (const Record& r : records)
            list.push_back(Ber(0).Int(0, r.id).Int(1, r.version).Bytes(2, r.digest).Int(3, r.size));
        Ber message(87);
        Serve(ListOf(message, 0, list).Build());
    }
    void ServeList(int id, int version, const std::vector<u8>& data)
    {
        ServeList({{id, version, Md5(data), (long long)data.size()}});
    }
    // A chunk (tag 89) of `data` from the offset, with the count that remains after it.
    void ServeChunk(int id, int offset, const std::vector<u8>& data, int length, int remaining = -1)
    {
        std::vector<u8> bytes(data.begin() + offset, data.begin() + offset + length);
        if (remaining < 0)
            remaining = (int)data.size() - offset - length;
        Serve(Ber(89).Int(0, id).Int(1, offset).Bytes(2, bytes).Int(3, remaining).Build());
    }
    static std::vector<u8> Ask(int id, int offset, int length)
    {
        return Ber(88).Int(0, id).Int(1, offset).Int(2, length).Build();
    }
    std::string PackPath(int id)
    {
        CVortanString path;
        EXPECT_EQ(VORTAN_OK, menu->GetItemDataPath(id, path));
        return VortanUTF8Of(path);
    }
    std::string PartPath(int id)
    {
        CVortanString path;
        EXPECT_EQ(VORTAN_OK, menu->GetItemTempPath(id, path));
        return VortanUTF8Of(path);
    }
    const COrloMenuState::ItemPack* Pack(int id)
    {
        const CVortanArray<COrloMenuState::ItemPack>& packs = menu->GetItemPacks();
        for (int i = 0; i < packs.GetSize(); ++i) {
            if (packs[i].id == id)
                return &packs[i];
        }
        return nullptr;
    }
};

TEST_F(ItemPackTest, APackIsFetchedInChunksAndTakesItsNameOnlyWhenWhole)
{
    const std::vector<u8> data = Pattern(40000, 7);
    ServeList(5, 1, data);
    ASSERT_EQ(Ask(5, 0, 16384), Receive(1)[0]);
    EXPECT_EQ(1, menu->IsLoading());
    EXPECT_EQ(1, menu->IsItemCheckPending());
    ServeChunk(5, 0, data, 16384);
    ASSERT_EQ(Ask(5, 16384, 16384), Receive(1)[0]);
    // Half-way, nothing is under the pack's own name.
    EXPECT_FALSE(Exists(PackPath(5)));
    EXPECT_TRUE(Exists(PartPath(5)));
    ServeChunk(5, 16384, data, 16384);
    ASSERT_EQ(Ask(5, 32768, 7232), Receive(1)[0]);
    ServeChunk(5, 32768, data, 7232);
    EXPECT_TRUE(Quiet().empty());
    EXPECT_EQ(data, ReadFile(PackPath(5)));
    EXPECT_FALSE(Exists(PartPath(5)));
    ASSERT_NE(nullptr, Pack(5));
    EXPECT_EQ(1, Pack(5)->valid);
    EXPECT_EQ(COrloMenuState::PACK_READY, Pack(5)->state);
    EXPECT_EQ(0, menu->IsItemCheckPending());
    EXPECT_EQ(0, menu->IsLoading());

    // The same list again: the file is hashed again, nothing is fetched.
    ServeList(5, 1, data);
    EXPECT_TRUE(Quiet().empty());
    EXPECT_EQ(0, menu->IsItemCheckPending());
    EXPECT_EQ(1, Pack(5)->valid);
    // A file spoilt on disk is fetched again whole.
    std::vector<u8> spoilt = data;
    spoilt[39999] ^= 1;
    WriteFile(PackPath(5), spoilt);
    ServeList(5, 1, data);
    ASSERT_EQ(Ask(5, 0, 16384), Receive(1)[0]);
    EXPECT_FALSE(Exists(PackPath(5)));
}

TEST_F(ItemPackTest, AVersionZeroPackIsFetchedOnlyWhileAnItemUsesIt)
{
    const std::vector<u8> data = Pattern(100, 3);
    ServeList(9, 0, data);
    EXPECT_TRUE(Quiet().empty());
    EXPECT_EQ(COrloMenuState::PACK_READY, Pack(9)->state);
    EXPECT_EQ(0, Pack(9)->valid);
    EXPECT_EQ(0, menu->IsItemCheckPending());

    // An owned item of pack 9 arrives with the content list.
    Serve(Groups(512, {Group(600, 1)}));
    ASSERT_EQ(Request(512, 100, 0), Receive(1)[0]);
    Serve(Items(512, 0, {Item(21, 600, 1, 1, 9, 1)}));
    ASSERT_EQ(94, TagOf(Receive(1)[0]));
    ServeList(9, 0, data);
    ASSERT_EQ(Ask(9, 0, 16384), Receive(1)[0]);
    ServeChunk(9, 0, data, 100);
    EXPECT_TRUE(Quiet().empty());
    EXPECT_EQ(data, ReadFile(PackPath(9)));
}

TEST_F(ItemPackTest, ChunksThatWereNotAskedForDoNotCountAndAStalledDownloadStartsAgain)
{
    const std::vector<u8> data = Pattern(20000, 11);
    ServeList(5, 2, data);
    ASSERT_EQ(Ask(5, 0, 16384), Receive(1)[0]);
    std::vector<u8> longer(data.begin(), data.begin() + 16484);
    Serve(Ber(89).Int(0, 5).Int(1, 0).Bytes(2, longer).Int(3, 0).Build());
    Serve(Ber(89).Int(0, 5).Int(1, 1).Bytes(2, {1, 2, 3}).Int(3, 0).Build());
    Serve(Ber(89).Int(0, 77).Int(1, 0).Bytes(2, {1, 2, 3}).Int(3, 0).Build());
    Serve(Ber(89).Int(0, 5).Int(1, 0).Bytes(2, {}).Int(3, 0).Build());
    EXPECT_TRUE(Quiet().empty());
    EXPECT_EQ(0u, ReadFile(PartPath(5)).size());
    EXPECT_FALSE(Exists(PackPath(77)));

    // A shorter chunk counts, and the next ask starts where it ended; a false remaining count
    // changes nothing.
    ServeChunk(5, 0, data, 16000, 999999);
    ASSERT_EQ(Ask(5, 16000, 4000), Receive(1)[0]);
    // The server falls silent: the download starts again from the start.
    menu->Update(COrloMenuState::PACK_STALL_SECONDS);
    ASSERT_EQ(Ask(5, 0, 16384), Receive(1)[0]);
    EXPECT_EQ(2, Pack(5)->downloads);
    ServeChunk(5, 0, data, 16384);
    ASSERT_EQ(Ask(5, 16384, 3616), Receive(1)[0]);
    ServeChunk(5, 16384, data, 3616);
    EXPECT_TRUE(Quiet().empty());
    EXPECT_EQ(data, ReadFile(PackPath(5)));
}

TEST_F(ItemPackTest, AWrongDigestFetchesAgainAtMostThreeTimesThenLeavesNoFile)
{
    const std::vector<u8> data = Pattern(1000, 5);
    std::vector<u8> flipped = data;
    flipped[10] ^= 0xFF;
    ServeList(4, 1, data);
    // A flipped octet: the whole pack again, this time right.
    ASSERT_EQ(Ask(4, 0, 16384), Receive(1)[0]);
    ServeChunk(4, 0, flipped, 1000);
    ASSERT_EQ(Ask(4, 0, 16384), Receive(1)[0]);
    ServeChunk(4, 0, data, 1000);
    EXPECT_TRUE(Quiet().empty());
    EXPECT_EQ(data, ReadFile(PackPath(4)));

    // A server that always sends the wrong bytes: three downloads, then no file and the
    // loading page closes.
    std::vector<u8> changed = data;
    changed[0] ^= 1;
    ServeList(4, 2, changed);
    for (int i = 0; i < COrloMenuState::PACK_DOWNLOADS_MAX; ++i) {
        ASSERT_EQ(Ask(4, 0, 16384), Receive(1)[0]) << i;
        ServeChunk(4, 0, flipped, 1000);
    }
    EXPECT_TRUE(Quiet().empty());
    EXPECT_FALSE(Exists(PackPath(4)));
    EXPECT_FALSE(Exists(PartPath(4)));
    EXPECT_EQ(0, Pack(4)->valid);
    EXPECT_EQ(0, menu->IsItemCheckPending());
    EXPECT_EQ(0, menu->IsLoading());
}

TEST_F(ItemPackTest, ALostLobbyEndsTheDownloadAndTheNextListFinishesIt)
{
    const std::vector<u8> data = Pattern(30000, 13);
    ServeList(6, 1, data);
    ASSERT_EQ(Ask(6, 0, 16384), Receive(1)[0]);
    ServeChunk(6, 0, data, 16384);
    ASSERT_EQ(Ask(6, 16384, 13616), Receive(1)[0]);
    close(peer);
    peer = -1;
    ASSERT_TRUE(vtest::WaitUntil([&]() {
        Frame();
        return (session->GetStatus() & 0xFF) == 0;
    }));
    Frame();
    EXPECT_EQ(COrloMenuState::PACK_UNCHECKED, Pack(6)->state);
    EXPECT_FALSE(Exists(PartPath(6)));
    EXPECT_EQ(0, menu->IsItemCheckPending());
    EXPECT_EQ(0, menu->IsLoading());
    // Logged in again, the list comes again: the download starts over at 0.
    streams[0].clear();
    ASSERT_EQ(1, session->ConnectLobby(CVortanString("127.0.0.1"), lobby.port, &log));
    peer = lobby.Accept();
    ASSERT_GE(peer, 0);
    ASSERT_EQ(0, TagOf(Receive(1)[0]));
    ServeList(6, 1, data);
    ASSERT_EQ(Ask(6, 0, 16384), Receive(1)[0]);
    ServeChunk(6, 0, data, 16384);
    ASSERT_EQ(Ask(6, 16384, 13616), Receive(1)[0]);
    ServeChunk(6, 16384, data, 13616);
    EXPECT_TRUE(Quiet().empty());
    EXPECT_EQ(data, ReadFile(PackPath(6)));
}

TEST_F(ItemPackTest, AListDuringAMatchIsCheckedAfterItHoweverItEnds)
{
    const std::vector<u8> data = Pattern(10, 1);
    // The match starts with the game; it ends when the game connection closes, on the start
    // page's reset and on the login screen.
    const std::vector<std::function<void()>> ends = {[&] { menu->OnGameStateChanged(0); },
                                                     [&] { menu->ResetToStartPage(); },
                                                     [&] { menu->ShowLoginScreen(); }};
    int id = 3;
    for (const auto& end : ends) {
        menu->OnGameStart(1, 0);
        ServeList(id, 1, data);
        // (The match asks for its players, tag 18.)
        for (const auto& m : Quiet())
            EXPECT_NE(88, TagOf(m)) << id;
        end();
        EXPECT_EQ(0, menu->IsInMatch());
        ASSERT_EQ(Ask(id, 0, 16384), Receive(1)[0]) << id;
        ++id;
    }
}

TEST_F(ItemPackTest, HostileListsAreBounded)
{
    const std::vector<u8> digest = Md5({1});
    ServeList({{1, 1, digest, -5},
               {2, 1, digest, (long long)COrloMenuState::PACK_SIZE_MAX + 1},
               {3, 1, std::vector<u8>(15, 0), 10},
               {4, 1, std::vector<u8>(17, 0), 10},
               {5, 1, digest, 0}});
    // Only the empty pack is taken; its digest is not that of nothing, so it ends with no file.
    EXPECT_TRUE(Quiet().empty());
    ASSERT_EQ(1, menu->GetItemPacks().GetSize());
    EXPECT_EQ(5, menu->GetItemPacks()[0].id);
    EXPECT_EQ(COrloMenuState::PACK_READY, Pack(5)->state);
    EXPECT_EQ(0, Pack(5)->valid);
    ServeList(5, 1, std::vector<u8>());
    EXPECT_TRUE(Quiet().empty());
    EXPECT_EQ(1, Pack(5)->valid);
    EXPECT_TRUE(Exists(PackPath(5)));

    // Far more records than the cache keeps; version 0 and unused, so none is fetched.
    std::vector<Record> many;
    for (int i = 0; i < 3000; ++i)
        many.push_back({100 + i, 0, digest, 1});
    ServeList(many);
    EXPECT_TRUE(Quiet().empty());
    EXPECT_EQ((int)COrloMenuState::PACKS_MAX, menu->GetItemPacks().GetSize());
}

} // namespace
