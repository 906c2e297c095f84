// COrloOnlineFactory: the online client's factory of the objects the platform application
// owns (network connection and session, online menu, toast, advertisement, achievements).
// The program registers one with the application at start-up.
#pragma once
#include "platform/OrloOnlineFactoryInterface.h"

class COrloOnlineFactory : public IOrloOnlineFactory {
public:
    COrloOnlineFactory() {}
    virtual ~COrloOnlineFactory() {}

    IOrloNetConnection* CreateNetConnection() override;
    IOrloNetworkSession* CreateNetworkSession() override;
    IOrloMenuState* CreateMenuState() override;
    IOrloToastNotification* CreateToastNotification() override;
    IOrloAdvertisement* CreateAdvertisement() override;
    IOrloAchievementStation* CreateAchievementStation() override;
};
