// COrloNetConnection: the device's Internet connection, asked for before any socket opens.
#pragma once
#include "online/net/OrloConnectivity.h"
#include "platform/OrloNetConnectionInterface.h"

class COrloNetConnection : public IOrloNetConnection, public IOrloConnectivity::Listener {
public:
    // Uses the desktop stand-in of the connectivity library.
    COrloNetConnection();
    // Takes the connectivity object (owned; null: the desktop stand-in).
    explicit COrloNetConnection(IOrloConnectivity* connectivity);
    ~COrloNetConnection() override;

    // 1 when the connection is (or comes) up within the wait bound; 0 holding nothing.
    int Open() override;
    // Unsubscribes from the library's events and clears the connected flag.
    void Close() override;
    // 1 at once when connected; otherwise Close, then Open.
    int EnsureConnected() override;
    // Status 0 sets the connected flag, 1 clears it; others change nothing.
    void OnConnectionEvent(int status) override;

    int IsConnected() const { return m_connected; }
    int IsSubscribed() const { return m_subscribed; }
    // Test seam: the bound of Open's wait.
    void SetWaitBound(int ms) { m_waitBoundMs = ms; }

private:
    COrloNetConnection(const COrloNetConnection&) = delete;
    COrloNetConnection& operator=(const COrloNetConnection&) = delete;

    IOrloConnectivity* m_connectivity;
    int m_subscribed;
    int m_connected;
    int m_waitBoundMs;
};
