// The end of an online match as the application carries it to the game server: one result per
// match whichever way it is left (the game's report, the chat's exit, the game's menu), the
// rematch answer sent once, nothing more for a match the opponent has left, and a rematch that
// starts the count again.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/VortanArray.h"
#include "platform/OrloChatRecord.h"
#include "platform/OrloNetConnectionInterface.h"
#include "platform/OrloOnlineFactoryInterface.h"
#include "platform/OrlogateApplication.h"
#include "tests/platform/OnlineStubs.h"

namespace {

typedef std::vector<std::string> Log;

class Connection : public IOrloNetConnection {
public:
    int Open() override { return 1; }
    void Close() override {}
    int EnsureConnected() override { return 1; }
};

// What goes to the game server, one line a message.
class Session : public ptest::SessionStub {
public:
    explicit Session(Log* wire) : wire(wire) { ownPlayerId = 7; }
    void SendGameResult(const void*, const void*, int flag) override
    {
        wire->push_back("result " + std::to_string(flag));
    }
    void SendRematchReply(int answer) override
    {
        wire->push_back("rematch " + std::to_string(answer));
        if (!answer)
            CloseGameSocket();
    }
    void SendChatMessage(const COrloChatRecord& record) override
    {
        wire->push_back("notice " + std::to_string(record.kind));
    }
    void CloseGameSocket() override { wire->push_back("close"); }
    i64 GetGameId() const override { return gameId; }
    Log* wire;
    i64 gameId = 1;
};

// The chat page's part: the menu's answers are counted, its exit leaves as the page does.
class Menu : public ptest::MenuStateStub {
public:
    void ResetToStartPage() override { ++resets; }
    void LeaveGameToLobby() override
    {
        // The match's two players, the own one last of two.
        CVortanArray<i32> ids, values;
        ids.SetAtGrow(0, 8);
        ids.SetAtGrow(1, 7);
        values.SetAtGrow(0, 1);
        values.SetAtGrow(1, 2);
        COrlogateApplication* gate = static_cast<COrlogateApplication*>(m_application);
        gate->EndMatch(&ids, &values, 1);
        gate->AnswerRematch(false, false);
    }
    int resets = 0;
};

class Factory : public IOrloOnlineFactory {
public:
    IOrloNetConnection* CreateNetConnection() override { return new Connection(); }
    IOrloNetworkSession* CreateNetworkSession() override
    {
        session = new Session(&wire);
        return session;
    }
    IOrloMenuState* CreateMenuState() override
    {
        menu = new Menu();
        return menu;
    }
    IOrloToastNotification* CreateToastNotification() override { return nullptr; }
    IOrloAdvertisement* CreateAdvertisement() override { return nullptr; }
    IOrloAchievementStation* CreateAchievementStation() override { return nullptr; }
    Log wire;
    Session* session = nullptr;
    Menu* menu = nullptr;
};

class MatchEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        unsetenv("DISPLAY");
        // The application takes the factory registered when it is made.
        COrlogateApplication::RegisterOnlineFactory(&factory);
        owner.reset(new COrlogateApplication());
        ASSERT_EQ(1, owner->CreateSessionAndMenu());
        owner->OnGameStart(factory.session, 7, 1);
    }
    void TearDown() override
    {
        owner.reset();
        COrlogateApplication::RegisterOnlineFactory(nullptr);
    }
    // The game's own report of a finished match (flag 0).
    void GameReports()
    {
        CVortanArray<i32> ids, places;
        ids.SetAtGrow(0, 7);
        ids.SetAtGrow(1, 8);
        places.SetAtGrow(0, 1);
        places.SetAtGrow(1, 2);
        owner->EndMatch(&ids, &places, 0);
    }
    Log Take()
    {
        Log out;
        out.swap(factory.wire);
        return out;
    }
    Factory factory;
    std::unique_ptr<COrlogateApplication> owner;
};

TEST_F(MatchEnd, TheChatsExitAfterTheReportedMatchSendsTheRefusalButNoSecondResult)
{
    GameReports();
    EXPECT_EQ((Log{"result 0"}), Take());
    EXPECT_EQ(1, owner->IsEndReportPending());
    factory.menu->LeaveGameToLobby();
    EXPECT_EQ((Log{"notice 5", "rematch 0", "close"}), Take());
    EXPECT_EQ(0, owner->IsEndReportPending());
}

TEST_F(MatchEnd, LeavingARunningMatchReportsItOnceAsLeft)
{
    // The game's menu (its battle button) leaves through the same steps while the battle runs;
    // the battle's own report of the left match that follows sends nothing (closing the
    // connection, already gone, again is no message).
    factory.menu->LeaveGameToLobby();
    EXPECT_EQ((Log{"result 1", "notice 5", "rematch 0", "close"}), Take());
    GameReports();
    EXPECT_EQ((Log{"close"}), Take());
}

TEST_F(MatchEnd, AfterTheOpponentLeftNothingMoreGoesToTheFinishedMatch)
{
    // The other player asked for a rematch... then left: the offer is closed, and this
    // side's exit only lets the game connection go.
    GameReports();
    owner->AnswerRematch(true, false);
    EXPECT_EQ((Log{"result 0", "notice 4", "rematch 1"}), Take());
    owner->OnPlayerLeft(factory.session, 7); // the own id: nothing
    EXPECT_EQ(0, owner->IsMatchClosed());
    owner->OnPlayerLeft(factory.session, 8);
    EXPECT_EQ(1, owner->IsMatchClosed());
    const int resets = factory.menu->resets;
    factory.menu->LeaveGameToLobby();
    EXPECT_EQ((Log{"close"}), Take());
    EXPECT_GT(factory.menu->resets, resets);

    // The game's report after the opponent left the running match: sent, once; no answer.
    owner->OnGameStart(factory.session, 7, 1);
    owner->OnPlayerLeft(factory.session, 8);
    GameReports();
    factory.menu->LeaveGameToLobby();
    EXPECT_EQ((Log{"result 0", "close"}), Take());
}

TEST_F(MatchEnd, ALateReportOfTheFinishedMatchLeavesANewGamesConnectionAlone)
{
    // The opponent left; the finished match's report stays unanswered.
    owner->OnPlayerLeft(factory.session, 8);
    GameReports();
    EXPECT_EQ((Log{"result 0"}), Take());
    // A new game begins and its connection opens; before its start reaches the application,
    // the finished match's battle reports the old connection's close as its leaving.
    factory.session->gameId = 2;
    CVortanArray<i32> ids, places;
    ids.SetAtGrow(0, 7);
    places.SetAtGrow(0, 1);
    owner->EndMatch(&ids, &places, 1);
    EXPECT_EQ(Log{}, Take());
    // The new match, once started, lets its own connection go when it is left.
    owner->OnGameStart(factory.session, 7, 1);
    factory.menu->LeaveGameToLobby();
    EXPECT_EQ((Log{"result 1", "notice 5", "rematch 0", "close"}), Take());
}

TEST_F(MatchEnd, EachMatchOfARematchReportsItsOwnResult)
{
    for (int match = 0; match < 3; ++match) {
        GameReports();
        owner->AnswerRematch(true, false);
        EXPECT_EQ((Log{"result 0", "notice 4", "rematch 1"}), Take()) << match;
        owner->OnGameStart(factory.session, 7, 0); // both said yes: the next match
    }
    // An answer given before the game's report is kept for it.
    owner->AnswerRematch(false, true);
    EXPECT_TRUE(Take().empty());
    GameReports();
    EXPECT_EQ((Log{"result 0", "notice 5", "rematch 0", "close"}), Take());
}

} // namespace
