// The network session against a loopback lobby and game peer: reassembly, the connect
// acknowledgement, login answers and their time-out, pings, idle close, the game start and game
// data both ways, guards, pending player lists, language packs and the web-link texts.
#include <string>

#include "online/login/LoginController.h"
#include "online/protocol/ASN1Wire.h"
#include "tests/online/SentFields.h"
#include "tests/online/SessionTestSupport.h"
#include "tests/platform/OnlineStubs.h"

using ntest::Ber;
using ntest::TagOf;

namespace {

class SessionTest : public ntest::SessionFixture {};

std::vector<u8> Note(int kind, const std::string& text, int value)
{
    return Ber(45).Int(0, kind).Text(1, text).Int(2, value).Build();
}

std::string Python(const std::string& code)
{
    std::string out;
    EXPECT_EQ(0, vtest::RunProgram({vtest::Python(), "-c", code}, &out));
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

TEST_F(SessionTest, MessagesSplitAtEveryByteOrSharingAChunkAreDispatchedOnceInOrder)
{
    std::vector<u8> stream;
    for (int i = 0; i < 5; ++i) {
        std::vector<u8> m = Note(i, "n" + std::to_string(i), 100 + i);
        stream.insert(stream.end(), m.begin(), m.end());
    }
    for (size_t i = 0; i < stream.size(); ++i)
        session->ReassembleSocketData(0, &stream[i], 1);
    session->ReassembleSocketData(0, stream.data(), (int)stream.size());
    // A chunk ending one byte into the next message keeps that byte.
    session->ReassembleSocketData(0, stream.data(), 8);
    session->ReassembleSocketData(0, stream.data() + 8, (int)stream.size() - 8);
    ASSERT_EQ(15u, log.notes.size());
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ("n" + std::to_string(i % 5), log.notes[(size_t)i]);
    EXPECT_EQ("note 4 104", log.events.back());
}

TEST_F(SessionTest, AShortMessageWhoseHeaderWasSplitLeavesTheNextMessageWhole)
{
    // An empty three-octet message, cut after its first octet, with a notification behind it.
    std::vector<u8> stream = {0xBF, 0x3B, 0x00};
    std::vector<u8> note = Note(3, "next", 0);
    stream.insert(stream.end(), note.begin(), note.end());
    session->ReassembleSocketData(0, stream.data(), 1);
    session->ReassembleSocketData(0, stream.data() + 1, (int)stream.size() - 1);
    ASSERT_EQ(1u, log.notes.size());
    EXPECT_EQ("next", log.notes[0]);
}

TEST_F(SessionTest, AMessageAboveTheBufferGrowsItAndTheNextSmallerOneShrinksIt)
{
    std::string big(70000, 'q');
    std::vector<u8> large = Note(1, big, 0);
    for (size_t at = 0; at < large.size(); at += 4000)
        session->ReassembleSocketData(0, large.data() + at,
                                      (int)std::min<size_t>(4000, large.size() - at));
    ASSERT_EQ(1u, log.notes.size());
    EXPECT_EQ(big, log.notes[0]);
    EXPECT_GT(session->GetChannelCapacity(0), 65536);
    std::vector<u8> small = Note(2, "s", 0);
    session->ReassembleSocketData(0, small.data(), 1);
    session->ReassembleSocketData(0, small.data() + 1, (int)small.size() - 1);
    EXPECT_EQ(65536, session->GetChannelCapacity(0));
    EXPECT_EQ("s", log.notes.back());
}

TEST_F(SessionTest, AnOversizedOrMalformedHeaderClosesTheChannelAndAllocatesNothing)
{
    ConnectLobby();
    // Announces 2 GB: above the codec's cap.
    std::vector<u8> huge = {0xA0 | 13, 0x84, 0x7F, 0xFF, 0xFF, 0xFF, 0x80, 0x01};
    ntest::WriteAll(peer, huge);
    ASSERT_TRUE(FrameUntil([&]() { return (session->GetStatus() & 0xFF) == 0; }));
    EXPECT_EQ(65536, session->GetChannelCapacity(0));
    EXPECT_FALSE(session->GetLobbyEngine()->IsConnected(false));
    // A byte that can never start a message, handed in directly, dispatches nothing after it.
    std::vector<u8> junk = {0x05, 0x01, 0x00};
    std::vector<u8> note = Note(1, "after", 0);
    junk.insert(junk.end(), note.begin(), note.end());
    session->ReassembleSocketData(0, junk.data(), (int)junk.size());
    EXPECT_TRUE(log.notes.empty());
}

TEST_F(SessionTest, ConnectAcknowledgementStatesRedirectsAndRefusals)
{
    ConnectLobby();
    // All seventeen fields: no drawing target and empty device texts here; the description
    // names game 64, the stub game's version "1.57" and no language yet; the store "Ovi".
    EXPECT_EQ("0: [0]=1 [1]=0 [2]=0 [3]='' [4]='' [5]=1 [6]=1 [7]='0.0.0.0' [8]='0.0.0.0' [9]=25 "
              "[10]='standalone-id:64;full-version:0;standalone-version:1.57;opengl:1;user-agent:;"
              "frame-version:2.05;lang_code:' [11]='Ovi' [12]='' [13]=1 [14]='' [15]=0 [16]=3",
              sentfields::Fields(connectRequest, sentfields::KindsOf(0)));
    Serve(Ber(2).Text(0, "").Int(1, 0).Text(2, "").Int(3, 7).Build());
    ASSERT_TRUE(FrameUntil([&]() { return (session->GetStatus() & 0xFF) == 3; }));
    EXPECT_EQ(7, session->GetReleaseId());
    EXPECT_EQ("&game=64&release=7&rid=Ovi", VortanUTF8Of(session->GetGameQuery()));
    EXPECT_EQ(lobby.port, session->GetLobbyPort());

    // A redirect with host and port keeps the sockets and asks the application.
    Serve(Ber(2).Text(0, "moved").Int(1, -3).Text(2, "other.example:6001").Build());
    ASSERT_TRUE(FrameUntil([&]() { return !app.redirects.empty(); }));
    EXPECT_EQ("other.example:6001", app.redirects[0]);
    EXPECT_TRUE(session->GetLobbyEngine()->IsConnected(false));

    // Without a port (or port 0) it is a login error and both sockets close.
    Serve(Ber(2).Text(0, "bad redirect").Int(1, -3).Text(2, "other.example:0").Build());
    ASSERT_TRUE(FrameUntil([&]() { return log.Has("error bad redirect"); }));
    EXPECT_EQ(1u, app.redirects.size());
    EXPECT_EQ(0, session->GetStatus() & 0xFF);
    EXPECT_EQ(0, session->GetLobbyPort());
}

TEST_F(SessionTest, RefusalGoesToConnectRefusedWithTheServersText)
{
    ConnectLobby();
    Serve(Ber(2).Text(0, "e").Int(1, -1).Text(2, "full house").Build());
    ASSERT_TRUE(FrameUntil([&]() { return log.Has("refused full house"); }));
    EXPECT_EQ(0, session->GetStatus() & 0xFF);
}

TEST_F(SessionTest, LoginByChallengeThenSuccessAcknowledgesAndLogsIn)
{
    ConnectLobby();
    EXPECT_TRUE(session->SendLoginChallengeRequest(CVortanString("alice"), &log));
    ntest::SessionLog other;
    // Another observer is refused while this one waits.
    EXPECT_FALSE(session->SendConfirmUserName(CVortanString("x"), &other));
    std::vector<std::vector<u8>> got = Receive(1);
    ASSERT_EQ(57, TagOf(got[0]));
    EXPECT_EQ("57: [0]='alice'", sentfields::Fields(got[0], "t"));
    Serve(Ber(58).Text(0, "salt123").Build());
    ASSERT_TRUE(FrameUntil([&]() { return log.Has("challenge-text salt123"); }));
    EXPECT_EQ(nullptr, session->GetLoginObserver());

    EXPECT_TRUE(session->SendLogin(CVortanString("alice"), CVortanString("resp"), &log));
    EXPECT_EQ(4, session->GetStatus() & 0xFF);
    got = Receive(1);
    ASSERT_EQ(5, TagOf(got[0]));
    EXPECT_EQ("5: [0]='alice' [1]='resp' [2]=1 [3]=''", sentfields::Fields(got[0], "ttit"));
    Serve(Ber(6).Int(0, 77).Text(1, "token-1").Text(2, "t2").Text(3, "Alice").Build());
    ASSERT_TRUE(FrameUntil([&]() { return log.Has("success 77 Alice token-1"); }));
    EXPECT_EQ(5, session->GetStatus() & 0xFF);
    EXPECT_EQ(77, session->GetOwnPlayerId());
    EXPECT_EQ("token-1", VortanUTF8Of(session->GetLoginToken()));
    got = Receive(1);
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ(28, TagOf(got[0])); // the acknowledgement, empty
    EXPECT_EQ(2u, got[0].size());
    // Logout now goes out as its three bytes.
    session->SendLogout();
    got = Receive(1);
    EXPECT_EQ((std::vector<u8>{0xBF, 0x3B, 0x00}), got[0]);
}

TEST_F(SessionTest, LoginErrorsTimeOutAndALateReplyStillReachesTheObserver)
{
    ConnectLobby();
    EXPECT_TRUE(session->SendLogin(CVortanString("bob"), CVortanString("pw"), &log));
    // 40 s without an answer: the time-out error (language text 12, empty without packs).
    for (int i = 0; i < 41; ++i)
        session->Update(1.0f);
    EXPECT_TRUE(log.Has("error "));
    EXPECT_LT(session->GetLoginTimer(), 0.0f);
    Serve(Ber(6).Int(0, -8).Text(1, "banned").Build());
    ASSERT_TRUE(FrameUntil([&]() { return log.Has("error banned"); }));
    // Without a waiting observer a reply is ignored.
    size_t before = log.events.size();
    Serve(Ber(6).Int(0, -8).Text(1, "again").Build());
    Serve(Note(1, "marker", 0));
    ASSERT_TRUE(FrameUntil([&]() { return !log.notes.empty(); }));
    EXPECT_EQ(before + 1, log.events.size());
}

TEST_F(SessionTest, PingsEchoesAndIdleClose)
{
    ConnectLobby();
    Serve(Ber(44).Int(0, 5).Build());
    std::vector<std::vector<u8>> got;
    ASSERT_TRUE(vtest::WaitUntil([&]() {
        Frame();
        std::vector<std::vector<u8>> more = Receive(0);
        got.insert(got.end(), more.begin(), more.end());
        return !got.empty();
    }));
    EXPECT_EQ(Ber(44).Int(0, 5).Build(), got[0]);
    // 30 s of silence: a ping of -1 goes out.
    session->GetLobbyEngine()->Run(30.0f);
    session->Update(0.0f);
    got = Receive(1);
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ(Ber(44).Int(0, -1).Build(), got[0]);
    // 60 s without a lobby message closes both sockets.
    session->Update(61.0f);
    EXPECT_EQ(0, session->GetStatus() & 0xFF);
}

TEST_F(SessionTest, GameStartConnectsTheGameServerAndGameDataFlowsBothWays)
{
    ConnectLobby();
    ntest::Listener gameServer;
    session->SendJoin(1, 2);
    EXPECT_EQ(1, session->IsJoined());
    const std::vector<u8> join = Receive(1)[0];
    ASSERT_EQ(7, TagOf(join));
    // The hosted game's number 64, 1 for a join after a match, two players.
    EXPECT_EQ("7: [0]=64 [1]=1 [2]=2", sentfields::Fields(join, "iii"));
    const long long gameId = (1LL << 40) + 5;
    Ber players(0);
    std::vector<Ber> records = {Ber(0).Int(0, 77).Text(1, "Alice"),
                                Ber(0).Int(0, 78).Text(1, "Bob").Int(7, 1)};
    Serve(ntest::GameBegin(gameId, records, 1, gameServer.port));
    int game = -1;
    ASSERT_TRUE(FrameUntil([&]() { return (session->GetStatus() & 0x100) != 0; }));
    game = gameServer.Accept();
    ASSERT_GE(game, 0);
    EXPECT_EQ(gameId, session->GetGameId());
    EXPECT_EQ(1, session->GetMatchFlag());
    EXPECT_EQ(0, session->IsJoined());
    ASSERT_EQ(2, session->GetLobby()->GetPlayerCount());
    EXPECT_EQ(78, session->GetLobby()->GetPlayer(1)->playerId);
    EXPECT_EQ(1, session->GetLobby()->GetPlayer(1)->flag);
    EXPECT_EQ(nullptr, session->GetLobby()->GetPlayer(2));
    std::vector<std::vector<u8>> lobbyGot = Receive(1);
    EXPECT_EQ(Ber(92).Int(0, 1025).Build(), lobbyGot[0]);

    // Out: the bytes as one game-data message.
    const u8 payload[] = {1, 2, 3, 250};
    session->SendGameData(payload, 4);
    std::vector<std::vector<u8>> gameGot = Receive(1, game);
    ASSERT_EQ(1u, gameGot.size());
    EXPECT_EQ(Ber(13).Bytes(0, {1, 2, 3, 250}).Build(), gameGot[0]);
    // In: reaches the game observers; one above 32768 bytes is dropped.
    ntest::WriteAll(game, Ber(13).Bytes(0, std::vector<u8>(40000, 1)).Build());
    ntest::WriteAll(game, Ber(13).Bytes(0, {9, 9}).Build());
    ASSERT_TRUE(FrameUntil([&]() { return !log.gameData.empty(); }));
    EXPECT_EQ((std::vector<u8>{9, 9}), log.gameData[0]);
    EXPECT_EQ(1u, log.gameData.size());
    // A challenge while in a game is declined by the session itself.
    Serve(Ber(39).Int(0, 0).Int(1, 91).Text(2, "Carol").Text(3, "").Int(4, -1).Int(5, -1).Build());
    lobbyGot = Receive(1);
    ASSERT_EQ(1u, lobbyGot.size());
    EXPECT_EQ(40, TagOf(lobbyGot[0]));
    // Refused (0) in game 64 by the own id (none: not logged in) to the challenger, Carol.
    EXPECT_EQ("40: [0]=0 [1]=64 [2]=-1 [3]=91 [4]='' [5]=''",
              sentfields::Fields(lobbyGot[0], "iiiitt"));
    EXPECT_FALSE(log.Has("challenge 91 Carol"));
    // Player left of another game is ignored; of this game it is told.
    ntest::WriteAll(game, Ber(72).Int(0, gameId + 1).Int(1, 78).Build());
    ntest::WriteAll(game, Ber(72).Int(0, gameId).Int(1, 78).Build());
    ASSERT_TRUE(FrameUntil([&]() { return log.Has("left 78"); }));
    int lefts = 0;
    for (size_t i = 0; i < log.events.size(); ++i)
        lefts += log.events[i].compare(0, 5, "left ") == 0;
    EXPECT_EQ(1, lefts);
    // The game the other player left holds nobody: a challenge reaches the menu, and the next
    // game start takes the old connection's place.
    Serve(Ber(39).Int(0, 0).Int(1, 92).Text(2, "Dave").Text(3, "").Int(4, -1).Int(5, -1).Build());
    ASSERT_TRUE(FrameUntil([&]() { return log.Has("challenge 92 Dave"); }));
    ntest::Listener nextServer;
    Serve(ntest::GameBegin(gameId + 1, records, 0, nextServer.port));
    ASSERT_TRUE(FrameUntil([&]() {
        return session->GetGameId() == gameId + 1 && (session->GetStatus() & 0x100) != 0;
    }));
    const int next = nextServer.Accept();
    ASSERT_GE(next, 0);
    EXPECT_EQ(0, session->IsGameLeft());
    EXPECT_TRUE(log.Has("game 0")) << "the left game's connection was not closed";
    close(next);
    // A rematch refusal closes the game socket and clears the registry.
    session->SendRematchReply(0);
    EXPECT_EQ(0, session->GetStatus() & 0x100);
    EXPECT_EQ(0, session->GetLobby()->GetPlayerCount());
    close(game);
}

TEST_F(SessionTest, AGameConnectionTheServerClosesLeavesTheSessionFreeForChallenges)
{
    ConnectLobby();
    ntest::Listener gameServer;
    std::vector<Ber> records = {Ber(0).Int(0, 77).Text(1, "Alice"),
                                Ber(0).Int(0, 78).Text(1, "Bob").Int(7, 1)};
    Serve(ntest::GameBegin(7, records, 1, gameServer.port));
    ASSERT_TRUE(FrameUntil([&]() { return (session->GetStatus() & 0x100) != 0; }));
    int game = gameServer.Accept();
    ASSERT_GE(game, 0);
    Receive(1); // 92 with 1025
    close(game);
    ASSERT_TRUE(FrameUntil([&]() { return (session->GetStatus() & 0x100) == 0; }));
    EXPECT_FALSE(session->GetGameEngine()->IsConnected(false));
    Serve(Ber(39).Int(0, 0).Int(1, 91).Text(2, "Carol").Text(3, "").Int(4, -1).Int(5, -1).Build());
    ASSERT_TRUE(FrameUntil([&]() { return log.Has("challenge 91 Carol"); }));
}

TEST_F(SessionTest, GameServerTextWithoutAValidPortConnectsNothing)
{
    ConnectLobby();
    Serve(Ber(12).Int(0, 3).List(1, {}).Int(2, 0).Int(3, 0).Text(4, "127.0.0.1").Build());
    Serve(Ber(12).Int(0, 3).List(1, {}).Int(2, 0).Int(3, 0).Text(4, "127.0.0.1:99999").Build());
    Serve(Note(0, "marker", 0));
    ASSERT_TRUE(FrameUntil([&]() { return !log.notes.empty(); }));
    EXPECT_FALSE(session->GetGameEngine()->IsConnected(false));
}

struct ListCalls {
    std::vector<std::string> calls;
    static void Record(void* context, int selector, int index, int value0,
                       const CVortanArray<SGroupListItem>* groups, const SPlayerListItem* player,
                       const u8* image, int length)
    {
        (void)value0;
        ListCalls* self = (ListCalls*)context;
        self->calls.push_back(std::to_string(selector) + "/" + std::to_string(index) +
                              (groups ? " groups" : "") + (player ? " player" : "") +
                              (image ? " image " + std::to_string(length) : ""));
    }
};

TEST_F(SessionTest, PlayerListRequestsAreKeyedBySelectorAndFirstIndex)
{
    ConnectLobby();
    ListCalls a, b;
    i64 keyA =
        session->SendPlayerListRequest(1, CVortanString(""), 0, 0, -1, 10, &ListCalls::Record, &a);
    i64 keyB =
        session->SendPlayerListRequest(2, CVortanString(""), 0, 0, -1, 10, &ListCalls::Record, &b);
    EXPECT_NE(keyA, keyB); // -1 no longer covers the selector
    EXPECT_NE(-1, keyA);
    EXPECT_EQ(-1, session->SendPlayerListRequest(1, CVortanString(""), 0, 0, -1, 10,
                                                 &ListCalls::Record, &a));
    Receive(2);
    Ber group(0);
    for (int i = 0; i < 8; ++i)
        group.Int(i, i);
    std::vector<Ber> players = {Ber(0)
                                    .Int(0, 501)
                                    .Text(1, "p1")
                                    .Text(2, "")
                                    .Text(3, "")
                                    .Text(4, "")
                                    .Int(5, 0)
                                    .Text(6, "")
                                    .Nested(7, group)};
    std::vector<Ber> groups = {Ber(0).Text(0, "g").Int(1, 3)};
    Serve(Ber(20).Int(0, 0).Int(1, -1).Int(2, 2).List(3, players).List(4, groups).Build());
    Serve(Ber(85).Int(0, 501).Int(1, 0).Bytes(2, {7, 7, 7}).Build());
    Serve(Note(0, "marker", 0));
    ASSERT_TRUE(FrameUntil([&]() { return !log.notes.empty(); }));
    EXPECT_TRUE(a.calls.empty());
    EXPECT_EQ((std::vector<std::string>{"2/-1 groups", "2/-1 player", "0/501 image 3"}), b.calls);
    EXPECT_EQ(1, session->GetPendingPlayerListCount());
}

TEST_F(SessionTest, LanguagePacksAreSavedUnderSafeNamesOnly)
{
    ConnectLobby();
    std::vector<u8> pack = {'P', 'K', 0, 1};
    Serve(Ber(31).Text(0, "xx").Text(1, "lang").Text(2, "f").Int(3, 12).Bytes(4, pack).Build());
    Serve(Ber(31).Text(0, "xx").Text(1, "../evil").Text(2, "f").Int(3, 1).Bytes(4, pack).Build());
    Serve(Ber(31).Text(0, "xx").Text(1, "lang").Text(2, "f").Int(3, 10000).Bytes(4, pack).Build());
    Serve(Note(0, "marker", 0));
    ASSERT_TRUE(FrameUntil([&]() { return !log.notes.empty(); }));
    CVortanString path;
    ASSERT_EQ(VORTAN_OK, app.GetUserDataPath(path, CVortanString("lang_0012.dmp")));
    EXPECT_EQ(std::string("PK\0\1", 4), vtest::ReadWholeFile(VortanBytesOf(path)));
    EXPECT_FALSE(vtest::Exists(VortanBytesOf(path) + ".part"));
    CVortanString dir;
    app.GetUserDataPath(dir, CVortanString(""));
    EXPECT_FALSE(vtest::Exists(VortanBytesOf(dir) + "../evil_0001.dmp"));
    EXPECT_FALSE(vtest::Exists(VortanBytesOf(dir) + "lang_10000.dmp"));
}

TEST_F(SessionTest, GuardsOfUnconnectedSocketsCloseAndReportTheLoginFailure)
{
    // Engine-only request on an unconnected lobby: (2, 10) closes and tells the login observer.
    session->SendLoginChallengeRequest(CVortanString("x"), &log);
    EXPECT_EQ(0, session->GetStatus() & 0xFF);
    EXPECT_TRUE(log.Has("error "));
    // Logout needs a connected lobby past state 3: nothing at all happens.
    size_t before = log.events.size();
    session->SendLogout();
    EXPECT_EQ(before, log.events.size());
}

TEST_F(SessionTest, LoginResponseAndLinkTokenMatchPythonsMd5)
{
    EXPECT_EQ(Python("import hashlib;print(hashlib.md5(b'secretsalt').hexdigest())"),
              VortanUTF8Of(COrloNetworkSession::MakeLoginResponse(CVortanString("secret"),
                                                                  CVortanString("salt"))));
    ConnectLobby();
    Serve(Ber(2).Text(0, "").Int(1, 0).Text(2, "").Int(3, 3).Build());
    EXPECT_TRUE(session->SendLogin(CVortanString("a"), CVortanString("b"), &log));
    Serve(Ber(6).Int(0, 42).Text(1, "tok").Text(3, "A").Build());
    ASSERT_TRUE(FrameUntil([&]() { return log.Has("success 42 A tok"); }));
    std::string expected =
        Python("import hashlib;print(hashlib.md5(b'42" +
               std::string("0123456789abcdef0123456789ABCDE") + "tok3').hexdigest())");
    EXPECT_EQ(expected, VortanUTF8Of(session->BuildLinkToken()));
}

TEST(SessionRandom, GeneratedStringsHaveTheLengthAndAlphabet)
{
    const std::string alphabet = "AaBbCcDdEeFfGgHhIiJjKkLlMmNnOoPpQqRrSsTtUuVvWwXxYyZz0123456789-_";
    std::string all;
    for (int i = 0; i < 50; ++i) {
        std::string s = VortanUTF8Of(COrloNetworkSession::GenerateRandomString(12, 12, i));
        EXPECT_EQ(12u, s.size());
        all += s;
        std::string r = VortanUTF8Of(COrloNetworkSession::GenerateRandomString(3, 5, 0));
        EXPECT_GE(r.size(), 3u);
        EXPECT_LE(r.size(), 5u);
    }
    EXPECT_EQ(std::string::npos, all.find_first_not_of(alphabet));
    // Two strings of 12 random characters differ (1 in 2^72 that they do not).
    EXPECT_NE(VortanUTF8Of(COrloNetworkSession::GenerateRandomString(12, 12, 0)),
              VortanUTF8Of(COrloNetworkSession::GenerateRandomString(12, 12, 0)));
}

} // namespace

namespace {

TEST_F(SessionTest, PlayerListUpdatesRefillTheRegistryUpToItsCapacity)
{
    std::vector<Ber> three = {Ber(0).Int(0, 1).Text(1, "a"), Ber(0).Int(0, 2).Text(1, "b"),
                              Ber(0).Int(0, 3).Text(1, "c")};
    std::vector<u8> m = Ber(8).List(0, three).Int(1, 4).Int(2, 5).Int(3, 0).Build();
    session->ReassembleSocketData(0, m.data(), (int)m.size());
    ASSERT_EQ(2, session->GetLobby()->GetPlayerCount());
    EXPECT_EQ(2, session->GetLobby()->GetPlayer(1)->playerId);
    EXPECT_TRUE(log.Has("list 4 5 0"));
    // The same id twice: one player, from the later record, with its index.
    std::vector<Ber> twice = {Ber(0).Int(0, 1).Text(1, "old"), Ber(0).Int(0, 1).Text(1, "new")};
    m = Ber(8).List(0, twice).Int(1, -1).Int(2, -1).Int(3, 1).Build();
    session->ReassembleSocketData(0, m.data(), (int)m.size());
    ASSERT_EQ(1, session->GetLobby()->GetPlayerCount());
    EXPECT_EQ(CVortanString("new"), session->GetLobby()->GetPlayer(0)->name);
    EXPECT_EQ(1, session->GetLobby()->GetPlayer(0)->listIndex);
    // A negative [3] leaves the registry alone.
    m = Ber(8).List(0, three).Int(1, -1).Int(2, -1).Int(3, -1).Build();
    session->ReassembleSocketData(0, m.data(), (int)m.size());
    EXPECT_EQ(1, session->GetLobby()->GetPlayerCount());
}

} // namespace

namespace {

// Records the toasts the application queues.
class RecordingToast : public ptest::ToastStub {
public:
    int AddMessage(const CVortanString& text, float, int kind) override
    {
        toasts.push_back(std::to_string(kind) + " " + VortanUTF8Of(text));
        return 1;
    }
    std::vector<std::string> toasts;
};

class ToastApp : public ntest::SessionApp {
public:
    void SetToast(IOrloToastNotification* toast) { m_toast = toast; }
};

TEST(SessionNotifications, TheToastShowsTheNotificationsKind)
{
    vtest::TempDir home;
    setenv("HOME", home.Path().c_str(), 1);
    ToastApp app;
    RecordingToast toast;
    app.SetToast(&toast);
    COrloNetworkSession session;
    ASSERT_EQ(VORTAN_OK, session.Init(&app, &app));
    // Each kind the service sends (message, challenge, achievement) with its text.
    for (int kind : {0, 1, 3, -1, 4}) {
        std::vector<u8> m =
            Ber(45).Int(0, kind).Text(1, "Hi " + std::to_string(kind)).Int(2, 9).Build();
        session.ReassembleSocketData(0, m.data(), (int)m.size());
    }
    EXPECT_EQ((std::vector<std::string>{"0 Hi 0", "1 Hi 1", "3 Hi 3", "-1 Hi -1", "4 Hi 4"}),
              toast.toasts);
    app.SetToast(nullptr);
}

TEST(LobbyAddress, LocalhostAndPort5000UnlessTheVariableNamesAValidOne)
{
    CVortanString host;
    int port = 0;
    unsetenv("ORLO_LOBBY");
    CLoginController::GetLobbyAddress(&host, &port);
    EXPECT_EQ("localhost", VortanUTF8Of(host));
    EXPECT_EQ(5000, port);
    setenv("ORLO_LOBBY", "lobby.example:6123", 1);
    CLoginController::GetLobbyAddress(&host, &port);
    EXPECT_EQ("lobby.example", VortanUTF8Of(host));
    EXPECT_EQ(6123, port);
    for (const char* bad : {"lobby.example", ":80", "host:0", "host:70000", "host:8x"}) {
        setenv("ORLO_LOBBY", bad, 1);
        CLoginController::GetLobbyAddress(&host, &port);
        EXPECT_EQ("localhost", VortanUTF8Of(host)) << bad;
        EXPECT_EQ(5000, port) << bad;
    }
    unsetenv("ORLO_LOBBY");
}

} // namespace
