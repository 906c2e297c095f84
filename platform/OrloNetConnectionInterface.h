// IOrloNetConnection: the device's Internet connection, asked for before any socket opens.
// The application creates it (through the online factory) when the online part starts.
#pragma once

class IOrloNetConnection {
public:
    virtual ~IOrloNetConnection() {}

    // 1 when a connection is up (it may wait for one), 0 when none came up.
    virtual int Open() = 0;
    virtual void Close() = 0;
    // 1 when already connected, else Close and Open.
    virtual int EnsureConnected() = 0;
};
