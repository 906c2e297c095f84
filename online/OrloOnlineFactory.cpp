// COrloOnlineFactory: new online client objects, null when memory runs out.
#include "online/OrloOnlineFactory.h"

#include <new>

#include "online/achievements/OrloAchievementStation.h"
#include "online/menu/OrloMenuState.h"
#include "online/net/OrloNetConnection.h"
#include "online/net/OrloNetworkSession.h"
#include "online/popups/OrloAdvertisement.h"
#include "online/popups/OrloToastNotification.h"

IOrloNetConnection* COrloOnlineFactory::CreateNetConnection()
{
    return new (std::nothrow) COrloNetConnection();
}

IOrloNetworkSession* COrloOnlineFactory::CreateNetworkSession()
{
    return new (std::nothrow) COrloNetworkSession();
}

IOrloMenuState* COrloOnlineFactory::CreateMenuState()
{
    return new (std::nothrow) COrloMenuState();
}

IOrloToastNotification* COrloOnlineFactory::CreateToastNotification()
{
    return new (std::nothrow) COrloToastNotification();
}

IOrloAdvertisement* COrloOnlineFactory::CreateAdvertisement()
{
    return new (std::nothrow) COrloAdvertisement();
}

IOrloAchievementStation* COrloOnlineFactory::CreateAchievementStation()
{
    return new (std::nothrow) COrloAchievementStation();
}
