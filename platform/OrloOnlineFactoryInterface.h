// IOrloOnlineFactory: makes the online client's objects that the platform application owns:
// the network connection and session, the online menu, the toast, the advertisement and the
// achievements. The program registers one with the application class at start-up
// (COrlogateApplication::RegisterOnlineFactory); an application without one runs as if none
// of these objects could be made.
#pragma once

class IOrloAchievementStation;
class IOrloAdvertisement;
class IOrloMenuState;
class IOrloNetConnection;
class IOrloNetworkSession;
class IOrloToastNotification;

class IOrloOnlineFactory {
public:
    virtual ~IOrloOnlineFactory() {}

    // Each returns a new object that the caller owns, or null.
    virtual IOrloNetConnection* CreateNetConnection() = 0;
    virtual IOrloNetworkSession* CreateNetworkSession() = 0;
    virtual IOrloMenuState* CreateMenuState() = 0;
    virtual IOrloToastNotification* CreateToastNotification() = 0;
    virtual IOrloAdvertisement* CreateAdvertisement() = 0;
    virtual IOrloAchievementStation* CreateAchievementStation() = 0;
};
