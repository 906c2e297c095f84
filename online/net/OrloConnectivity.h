// IOrloConnectivity: the platform's connectivity library as the network connection uses it,
// and CDesktopConnectivity, the stand-in for desktops without one (the connection is up at once).
#pragma once

class IOrloConnectivity {
public:
    // Connection events the library reports.
    enum { EVENT_CONNECTED = 0, EVENT_DISCONNECTED = 1 };

    class Listener {
    public:
        virtual ~Listener() {}
        virtual void OnConnectionEvent(int status) = 0;
    };

    virtual ~IOrloConnectivity() {}
    // Subscribes the listener to connection events (null: none).
    virtual void SetListener(Listener* listener) = 0;
    // Asks for a connection; 1 when the request was accepted.
    virtual int RequestConnection() = 0;
    // Delivers pending events, waiting up to `timeoutMs` for one; 1 when an event was delivered.
    virtual int DispatchEvents(int timeoutMs) = 0;
};

class CDesktopConnectivity : public IOrloConnectivity {
public:
    CDesktopConnectivity() : m_listener(nullptr), m_pending(0) {}
    void SetListener(Listener* listener) override { m_listener = listener; }
    int RequestConnection() override
    {
        m_pending = 1;
        return 1;
    }
    int DispatchEvents(int timeoutMs) override
    {
        (void)timeoutMs;
        if (!m_pending || !m_listener)
            return 0;
        m_pending = 0;
        m_listener->OnConnectionEvent(EVENT_CONNECTED);
        return 1;
    }

private:
    Listener* m_listener;
    int m_pending;
};
