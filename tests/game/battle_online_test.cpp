// The online battle between two games over the loopback channel: the start of a match, a shot
// played back alike on both devices, and the end of a match; and the applications' online
// hooks around it (match start, chat, result and rematch answers) in the order they are sent.
#include <gtest/gtest.h>

#include "game/VexChatBubbles.h"
#include "platform/OrloChatRecord.h"
#include "platform/OrloDevice.h"
#include "platform/OrloStatsStore.h"
#include "tests/game/BattleMatchSupport.h"
#include "tests/platform/DeviceServiceFake.h"
#include "tests/platform/OnlineStubs.h"
#include "tests/platform/PrivateBus.h"

namespace {

using btest::Match;

std::vector<std::string> g_digests[2];

void Record(CVexPlayState* battle, void* context)
{
    (void)context;
    g_digests[battle->GetLocalSide()].push_back(btest::Digest(battle));
}

TEST(BattleOnline, OneShotIsPlayedBackAlikeOnBothDevices)
{
    Match match;
    match.Start();
    ASSERT_TRUE(match.A() && match.B());
    g_digests[0].clear();
    g_digests[1].clear();
    match.A()->SetPlaybackHook(Record, nullptr);
    match.B()->SetPlaybackHook(Record, nullptr);
    ASSERT_TRUE(match.RunUntil([&] { return match.ReadyShooter() != nullptr; }, 400));
    CVexPlayState* shooter = match.ReadyShooter();
    Match::Fire(shooter, VEX_WEAPON_BOMB, CVortanVector2(0.2f, -0.2f));
    ASSERT_TRUE(
        match.RunUntil([&] { return g_digests[0].size() >= 1 && g_digests[1].size() >= 1; }, 3000));
    EXPECT_EQ(g_digests[0][0], g_digests[1][0]);
}

} // namespace

namespace {

TEST(BattleOnline, ChatLinesBecomeBubblesAndTheFirstOwnLineIsRemembered)
{
    Match match;
    match.Start();
    ASSERT_TRUE(match.RunUntil([&] { return match.ReadyShooter() != nullptr; }, 600));
    CVexChatBubbles* bubbles = match.gameA.GetChatBubbles();
    bubbles->Clear();
    EXPECT_EQ(0, match.gameA.OnGameMessage(nullptr));
    COrloChatRecord notice(1, CVortanString("left"), 202);
    EXPECT_EQ(0, match.gameA.OnGameMessage(&notice));
    EXPECT_EQ(0, bubbles->GetCount());
    COrloChatRecord theirs(2, CVortanString("hello"), 202);
    EXPECT_EQ(1, match.gameA.OnGameMessage(&theirs));
    ASSERT_EQ(1, bubbles->GetCount());
    EXPECT_EQ(CVortanString("Opponent"), *bubbles->GetAt(0)->name);
    EXPECT_EQ(0, match.gameA.IsChatHelpShown());
    COrloChatRecord mine(2, CVortanString("hi"), 101);
    EXPECT_EQ(1, match.gameA.OnGameMessage(&mine));
    ASSERT_EQ(2, bubbles->GetCount());
    EXPECT_EQ(CVortanString("Me"), *bubbles->GetAt(1)->name);
    EXPECT_EQ(1, match.gameA.IsChatHelpShown());
    EXPECT_NE(nullptr, match.appA.GetSettings()->Find(CVortanString("zorbix_chathelpplayed")));
}

TEST(BattleOnline, TheTurnClockIsTheOwnTurnsTimeLeft)
{
    Match match;
    EXPECT_EQ(0.0f, match.gameA.GetTurnClock());
    match.Start();
    ASSERT_TRUE(match.RunUntil([&] { return match.ReadyShooter() != nullptr; }, 600));
    CVexPlayState* shooter = match.ReadyShooter();
    vtest::CTestMatchGame& own = shooter == match.A() ? match.gameA : match.gameB;
    vtest::CTestMatchGame& other = shooter == match.A() ? match.gameB : match.gameA;
    for (int i = 0; i < 300; ++i)
        match.Tick();
    const float left = own.GetTurnClock();
    EXPECT_GT(left, 0.6f);
    EXPECT_LT(left, 0.7f); // about 10 s of 30 gone
    EXPECT_EQ(0.0f, other.GetTurnClock());
}

TEST(BattleOnline, ALostConnectionEndsTheBattle)
{
    Match match;
    match.Start();
    ASSERT_TRUE(match.RunUntil([&] { return match.ReadyShooter() != nullptr; }, 600));
    match.gameA.OnConnectionLost(3);
    EXPECT_EQ(1, match.gameA.IsConnectionLost());
    EXPECT_TRUE(match.A()->IsLeaveRequested());
    ASSERT_TRUE(match.RunUntil([&] { return match.A() == nullptr; }, 100));
    EXPECT_NE(nullptr, match.B());
}

TEST(BattleOnline, TheChatPageIsHarmlessWithoutAMenu)
{
    htest::HostApp app;
    app.ShowChat();
    EXPECT_EQ(nullptr, app.GetMenuState());
}

} // namespace

namespace {

// Everything the two applications send and tell their menus, on one log.
using Log = std::vector<std::string>;

class HookSession : public ptest::SessionStub {
public:
    HookSession(Log* log, int own) : m_log(log) { ownPlayerId = own; }
    void SendChatMessage(const COrloChatRecord& r) override
    {
        m_log->push_back(Who() + " 64 " + std::to_string(r.kind) + " '" + VortanUTF8Of(r.text) +
                         "' " + std::to_string(r.playerId));
    }
    void SendGameResult(const void* ids, const void* places, int flag) override
    {
        const CVortanArray<i32>* first = (const CVortanArray<i32>*)ids;
        const CVortanArray<i32>* second = (const CVortanArray<i32>*)places;
        m_log->push_back(Who() + " 15 " + std::to_string(first ? first->GetSize() : -1) + " " +
                         std::to_string(second ? second->GetSize() : -1) + " " +
                         std::to_string(flag));
    }
    void SendRematchReply(int answer) override
    {
        m_log->push_back(Who() + " 70 " + std::to_string(answer));
    }
    std::string Who() const { return std::to_string(ownPlayerId); }

private:
    Log* m_log;
};

class HookMenu : public ptest::MenuStateStub {
public:
    HookMenu(Log* log, int own) : m_log(log), m_who(std::to_string(own)) {}
    void OnGameStart(int, int opener) override
    {
        m_log->push_back(m_who + " menu start " + std::to_string(opener));
    }
    void AddChatLine(const COrloChatRecord& r, bool incoming) override
    {
        m_log->push_back(m_who + " menu line " + std::to_string(r.kind) + " " +
                         std::to_string(incoming));
    }
    void OnChatMessage(const COrloChatRecord& r, bool incoming) override
    {
        m_log->push_back(m_who + " menu chat " + std::to_string(r.kind) + " " +
                         std::to_string(r.playerId) + " " + std::to_string(incoming));
    }
    void UpdateChatButtons(bool enable) override
    {
        m_log->push_back(m_who + " menu buttons " + std::to_string(enable));
    }
    void ResetToStartPage() override { m_log->push_back(m_who + " menu start page"); }

private:
    Log* m_log;
    std::string m_who;
};

// A device whose application holds the session, the menu and the game.
class HookApp : public vtest::CTestMatchApp {
public:
    void Wire(IOrloNetworkSession* session, IOrloMenuState* menu, IOrloGameState* game,
              COrloDevice* device)
    {
        m_session = session;
        m_menu = menu;
        m_gameState = game;
        m_device = device;
        game->SetApplication(this);
    }
    ~HookApp() override
    {
        m_session = nullptr;
        m_menu = nullptr;
        m_gameState = nullptr;
        m_device = nullptr;
    }
};

struct HookedMatch : btest::Stepper {
    explicit HookedMatch(COrloDevice* device = nullptr)
        : sessionA(&log, 101), sessionB(&log, 202), menuA(&log, 101), menuB(&log, 202),
          gameA(101, 0), gameB(202, 1), channel(&gameA, &gameB)
    {
        EXPECT_EQ(VORTAN_OK, gameA.Init(&appA));
        EXPECT_EQ(VORTAN_OK, gameB.Init(&appB));
        appA.Wire(&sessionA, &menuA, &gameA, device);
        appB.Wire(&sessionB, &menuB, &gameB, nullptr);
    }
    ~HookedMatch()
    {
        gameA.Release();
        gameB.Release();
    }
    void Tick() override
    {
        clock.AdvanceMs(33);
        gameA.Update(0.0f);
        gameB.Update(0.0f);
        channel.Tick();
    }
    Log log;
    htest::DrivenClock clock;
    HookSession sessionA, sessionB;
    HookMenu menuA, menuB;
    HookApp appA, appB;
    vtest::CTestMatchGame gameA, gameB;
    vtest::CTestMatchChannel channel;
};

TEST(OnlineHooks, TheGameStartReachesMenuAndGameWithTheOpenerAndTheBattleRuns)
{
    HookedMatch match;
    match.appA.OnGameStart(&match.sessionA, 64, 1);
    match.appB.OnGameStart(&match.sessionB, 64, 0);
    EXPECT_EQ((Log{"101 menu start 1", "202 menu start 0"}), match.log);
    ASSERT_NE(nullptr, match.gameA.GetBattle());
    ASSERT_NE(nullptr, match.gameB.GetBattle());
    EXPECT_EQ(1, match.gameA.GetBattle()->IsHost());
    EXPECT_EQ(0, match.gameB.GetBattle()->IsHost());
    // The opener's round start reaches the other side: a turn begins.
    EXPECT_TRUE(match.RunUntil(
        [&] {
            for (CVexPlayState* b : {match.gameA.GetBattle(), match.gameB.GetBattle()})
                if (b && b->GetRoundState() == VEX_ROUND_OWN_TURN && b->IsTurnActive())
                    return true;
            return false;
        },
        600));

    // A player who leaves is told to the menu as notice 5, and to the game; the own id is not.
    match.log.clear();
    match.appA.OnPlayerLeft(&match.sessionA, 101);
    EXPECT_TRUE(match.log.empty());
    match.appA.OnPlayerLeft(&match.sessionA, 202);
    EXPECT_EQ((Log{"101 menu chat 5 202 1"}), match.log);
}

TEST(OnlineHooks, ChatGoesOutWithTheOwnIdAndIsEchoedAsAnOwnLine)
{
    HookedMatch match;
    match.appA.SendChatMessage(CVortanString("hello"), 2);
    match.appB.SendChatNotice(4);
    EXPECT_EQ(
        (Log{"101 64 2 'hello' 101", "101 menu line 2 0", "202 64 4 '' 202", "202 menu line 4 0"}),
        match.log);
    // Without a session nothing is sent and nothing echoed.
    match.log.clear();
    match.appA.Wire(nullptr, &match.menuA, &match.gameA, nullptr);
    match.appA.SendChatMessage(CVortanString("lost"), 2);
    EXPECT_TRUE(match.log.empty());
}

TEST(OnlineHooks, TheResultAndTheRematchAnswersGoInOrder)
{
    HookedMatch match;
    CVortanArray<i32> ids, places;
    ids.SetAtGrow(0, 101);
    ids.SetAtGrow(1, 202);
    places.SetAtGrow(0, 1);
    places.SetAtGrow(1, 2);

    // Answered after the result: accept sends notice 4, then the reply; the chat buttons go
    // on with the result and off with the answer.
    match.appA.EndMatch(&ids, &places, 0);
    match.appA.AnswerRematch(true, false);
    EXPECT_EQ((Log{"101 15 2 2 0", "101 menu buttons 1", "101 menu buttons 0", "101 64 4 '' 101",
                   "101 menu line 4 0", "101 70 1"}),
              match.log);
    // A second answer has no pending result: it is remembered for the next one.
    match.log.clear();
    match.appA.AnswerRematch(false, true);
    EXPECT_TRUE(match.log.empty());

    // Answered before the result: the first choice only (leave) is applied at the result.
    match.appB.AnswerRematch(false, true);
    match.appB.AnswerRematch(true, false);
    EXPECT_TRUE(match.log.empty());
    match.appB.EndMatch(&ids, &places, 0);
    EXPECT_EQ((Log{"202 15 2 2 0", "202 menu buttons 1", "202 menu buttons 0", "202 64 5 '' 202",
                   "202 menu line 5 0", "202 70 0", "202 menu start page", "202 menu start page"}),
              match.log);

    // The same match left afterwards (the chat's exit reports it with the flag): its result
    // and its answer went already, nothing more goes out.
    match.log.clear();
    match.appB.EndMatch(&ids, &places, 1);
    EXPECT_EQ((Log{"202 menu buttons 1", "202 menu buttons 0", "202 menu start page",
                   "202 menu start page"}),
              match.log);

    // In a new match a result with the flag refuses and leaves at once.
    match.appB.OnGameStart(&match.sessionB, 64, 0);
    match.log.clear();
    match.appB.EndMatch(&ids, &places, 1);
    EXPECT_EQ((Log{"202 15 2 2 1", "202 menu buttons 1", "202 menu buttons 0", "202 64 5 '' 202",
                   "202 menu line 5 0", "202 70 0", "202 menu start page", "202 menu start page"}),
              match.log);
    // A decline without leaving sends notice 1.
    match.appB.OnGameStart(&match.sessionB, 64, 0);
    match.log.clear();
    match.appB.EndMatch(&ids, &places, 0);
    match.appB.AnswerRematch(false, false);
    EXPECT_EQ((Log{"202 15 2 2 0", "202 menu buttons 1", "202 menu buttons 0", "202 64 1 '' 202",
                   "202 menu line 1 0", "202 70 0", "202 menu start page"}),
              match.log);
}

// The device vibrates once for a match start: the call the fake device service records.
TEST(OnlineHooks, AMatchStartVibratesTheDeviceOnce)
{
    vtest::TempDir dir;
    bustest::PrivateBus bus;
    ASSERT_TRUE(bus.Start(dir, "system_bus")) << "dbus-daemon did not start";
    ASSERT_TRUE(vtest::WriteWholeFile(dir.File("fake.py"), bustest::kFakeService));
    vtest::WriteWholeFile(dir.File("mode"), "normal");
    const pid_t fake = bustest::Spawn({vtest::Python(), dir.File("fake.py"), bus.address,
                                       dir.File("records"), dir.File("ready"), dir.File("mode")},
                                      dir.File("fake.log"));
    ASSERT_TRUE(bustest::WaitFor(dir.File("ready")));
    const std::string out = bustest::InChild(bus.address, [] {
        COrloDevice device;
        HookedMatch match(&device);
        device.Init(&match.appA);
        match.appA.OnGameStart(&match.sessionA, 64, 1);
        return std::string(match.gameA.GetBattle() ? "battle" : "none");
    });
    bustest::Stop(fake);
    EXPECT_EQ("battle", out);
    const std::string records = vtest::ReadWholeFile(dir.File("records"));
    int vibrations = 0;
    for (size_t at = records.find(bustest::kVibrateRecord); at != std::string::npos;
         at = records.find(bustest::kVibrateRecord, at + 1))
        ++vibrations;
    EXPECT_EQ(1, vibrations) << records;
}

} // namespace
