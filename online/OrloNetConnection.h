// COrloNetConnection: the device's Internet connection, asked for before any socket opens.
//
// Until the online client's connection is built, this stand-in never reports a connection.
#pragma once
#include "platform/OrloNetConnectionInterface.h"

class COrloNetConnection : public IOrloNetConnection {
public:
    COrloNetConnection() : m_connected(0) {}
    virtual ~COrloNetConnection() {}

    // 1 when a connection is up, 0 when none came up.
    int Open() override { return m_connected; }
    // 1 when already connected, else Close and Open.
    int EnsureConnected() override
    {
        if (m_connected)
            return 1;
        Close();
        return Open();
    }
    void Close() override { m_connected = 0; }

private:
    int m_connected;
};
