// The lobby registry's capacity, look-ups and refill rules, and the network connection's wait
// with its events driven by a scripted connectivity library.
#include <gtest/gtest.h>

#include "online/net/OrloLobby.h"
#include "online/net/OrloNetConnection.h"
#include "online/protocol/ASN1Records.h"

namespace {

COrloPlayer* Player(int id, const char* name)
{
    COrloPlayer* player = new COrloPlayer();
    player->playerId = id;
    player->name = CVortanString(name);
    return player;
}

TEST(LobbyRegistry, CapacityLookUpsAndOutOfRange)
{
    COrloLobby lobby;
    EXPECT_EQ(1, lobby.SetLimits(2, 2));
    lobby.Clear(); // empty stays empty
    EXPECT_EQ(0, lobby.GetPlayerCount());
    EXPECT_EQ(1, lobby.AddPlayer(Player(5, "Ann")));
    EXPECT_EQ(1, lobby.AddPlayer(Player(6, "Bo")));
    COrloPlayer* third = Player(7, "Cy");
    EXPECT_EQ(0, lobby.AddPlayer(third)); // full: not taken
    delete third;
    EXPECT_EQ(2, lobby.GetPlayerCount());
    EXPECT_EQ(6, lobby.FindPlayerById(6)->playerId);
    EXPECT_EQ(nullptr, lobby.FindPlayerById(7));
    EXPECT_NE(nullptr, lobby.FindPlayerByName(CVortanString("Ann")));
    EXPECT_EQ(nullptr, lobby.FindPlayerByName(CVortanString("ann")));
    EXPECT_EQ(nullptr, lobby.GetPlayer(2));
    EXPECT_EQ(nullptr, lobby.GetPlayer(-1));
    lobby.Clear();
    EXPECT_EQ(0, lobby.GetPlayerCount());
}

TEST(LobbyRegistry, PlayerCopiesItsRecord)
{
    SPlayerRecord record;
    record.id = 9;
    record.name = CVortanString("Dee");
    record.second = CVortanString("2nd");
    record.value4 = 44;
    record.text5 = CVortanString("five");
    record.flag = 1;
    COrloPlayer player;
    player.listIndex = 3;
    player.SetFromEntry(record);
    EXPECT_EQ(9, player.playerId);
    EXPECT_EQ(CVortanString("Dee"), player.name);
    EXPECT_EQ(CVortanString("2nd"), player.secondText);
    EXPECT_EQ(44, player.value);
    EXPECT_EQ(CVortanString("five"), player.text);
    EXPECT_EQ(1, player.flag);
    EXPECT_EQ(3, player.listIndex); // the session sets it
    EXPECT_EQ(0, player.flags);
}

// Reports what the test scripts, when asked to dispatch.
class ScriptedConnectivity : public IOrloConnectivity {
public:
    void SetListener(Listener* l) override { listener = l; }
    int RequestConnection() override
    {
        ++requests;
        return 1;
    }
    int DispatchEvents(int) override
    {
        ++dispatches;
        if (script.empty() || !listener)
            return 0;
        int status = script.front();
        script.erase(script.begin());
        listener->OnConnectionEvent(status);
        return 1;
    }
    Listener* listener = nullptr;
    std::vector<int> script;
    int requests = 0;
    int dispatches = 0;
};

TEST(NetConnection, TheDesktopStandInIsUpAtOnce)
{
    COrloNetConnection connection;
    EXPECT_EQ(1, connection.Open());
    EXPECT_EQ(1, connection.EnsureConnected());
    connection.Close();
    EXPECT_EQ(0, connection.IsConnected());
    EXPECT_EQ(1, connection.EnsureConnected());
}

TEST(NetConnection, EventsSetAndClearTheFlagAndTheWaitIsBounded)
{
    ScriptedConnectivity* library = new ScriptedConnectivity();
    COrloNetConnection connection(library);
    connection.SetWaitBound(200);
    // Unknown statuses change nothing; connected (0) ends the wait.
    library->script = {7, 3, 0};
    EXPECT_EQ(1, connection.Open());
    EXPECT_EQ(1, library->requests);
    // Open when connected asks nothing more.
    EXPECT_EQ(1, connection.Open());
    EXPECT_EQ(1, library->requests);
    // A disconnection clears the flag; EnsureConnected closes and asks again.
    library->listener->OnConnectionEvent(IOrloConnectivity::EVENT_DISCONNECTED);
    EXPECT_EQ(0, connection.IsConnected());
    library->script = {1, 0};
    EXPECT_EQ(1, connection.EnsureConnected());
    EXPECT_EQ(2, library->requests);
    // No connection within the bound: 0, holding nothing.
    connection.Close();
    library->script.clear();
    EXPECT_EQ(0, connection.Open());
    EXPECT_EQ(0, connection.IsSubscribed());
    EXPECT_EQ(nullptr, library->listener);
}

} // namespace
