// The online client's factory as the program registers it: it makes the client's objects
// behind the platform's interfaces (their names as the client's own classes still reach the
// observer interfaces), and an application started with it goes as far as the client allows
// today: the connection is made, the session refuses to start and the title stays.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <type_traits>

#include "online/OrloAchievements.h"
#include "online/OrloAdvertisement.h"
#include "online/OrloMenuState.h"
#include "online/OrloNetConnection.h"
#include "online/OrloNetworkSession.h"
#include "online/OrloOnlineFactory.h"
#include "online/OrloToastNotification.h"
#include "platform/OrlogateApplication.h"

namespace {

// The observer interfaces keep their names under the client's session class.
static_assert(
    std::is_same<COrloNetworkSession::StatusObserver, IOrloNetworkSession::StatusObserver>::value,
    "status observer");
static_assert(
    std::is_same<COrloNetworkSession::LobbyObserver, IOrloNetworkSession::LobbyObserver>::value,
    "lobby observer");
static_assert(
    std::is_same<COrloNetworkSession::GameObserver, IOrloNetworkSession::GameObserver>::value,
    "game observer");
static_assert(std::is_same<COrloNetworkSession::AdvertisementObserver,
                           IOrloNetworkSession::AdvertisementObserver>::value,
              "advertisement observer");
static_assert(std::is_base_of<CLoginController, COrloMenuState>::value, "login controller");

TEST(OnlineStandIns, TheFactoryMakesTheClientsObjects)
{
    COrloOnlineFactory factory;
    IOrloNetConnection* connection = factory.CreateNetConnection();
    IOrloNetworkSession* session = factory.CreateNetworkSession();
    IOrloMenuState* menu = factory.CreateMenuState();
    IOrloToastNotification* toast = factory.CreateToastNotification();
    IOrloAdvertisement* advert = factory.CreateAdvertisement();
    IOrloAchievementStation* station = factory.CreateAchievementStation();
    EXPECT_NE(nullptr, dynamic_cast<COrloNetConnection*>(connection));
    EXPECT_NE(nullptr, dynamic_cast<COrloNetworkSession*>(session));
    EXPECT_NE(nullptr, dynamic_cast<COrloMenuState*>(menu));
    EXPECT_NE(nullptr, dynamic_cast<COrloToastNotification*>(toast));
    EXPECT_NE(nullptr, dynamic_cast<COrloAdvertisement*>(advert));
    EXPECT_NE(nullptr, dynamic_cast<COrloAchievementStation*>(station));

    // The session's registry is the client's lobby, reached through the platform's interface.
    COrloLobby* lobby = static_cast<COrloNetworkSession*>(session)->GetLobby();
    EXPECT_EQ(static_cast<IOrloLobby*>(lobby), session->GetLobby());
    EXPECT_EQ(1, session->GetLobby()->SetLimits(2, 1));
    COrloPlayer* player = new COrloPlayer();
    player->playerId = 42;
    EXPECT_EQ(1, lobby->AddPlayer(player));
    EXPECT_EQ(0, lobby->AddPlayer(player)); // full
    EXPECT_EQ(1, session->GetLobby()->GetPlayerCount());
    EXPECT_EQ(42, session->GetLobby()->GetPlayer(0)->playerId);
    EXPECT_EQ(-1, session->GetOwnPlayerId());

    session->Shutdown(); // clears the lobby
    EXPECT_EQ(0, session->GetLobby()->GetPlayerCount());
    delete connection;
    delete session;
    delete menu;
    delete toast;
    delete advert;
    delete station;
}

TEST(OnlineStandIns, AnApplicationWithTheFactoryStaysOnTheTitle)
{
    unsetenv("DISPLAY");
    COrloOnlineFactory factory;
    COrlogateApplication::RegisterOnlineFactory(&factory);
    {
        COrlogateApplication app;
        // The session stand-in reports the service unavailable (9): no session, no menu; the
        // connection stays for the next attempt.
        EXPECT_EQ(9, app.CreateSessionAndMenu());
        EXPECT_NE(nullptr, dynamic_cast<COrloNetConnection*>(app.GetNetConnection()));
        EXPECT_EQ(nullptr, app.GetNetworkSession());
        EXPECT_EQ(nullptr, app.GetMenuState());
        EXPECT_EQ(0, app.GetStateCount());
        app.RecreateSession();
        EXPECT_EQ(1, app.IsQuitRequested());
        app.OnExit();
        EXPECT_EQ(nullptr, app.GetNetConnection());
    }
    COrlogateApplication::RegisterOnlineFactory(nullptr);
}

} // namespace
