// COrloNotification: root of the pop-ups the application draws above every screen (the toast
// and the advertisement of the online client, and the overlays). The application offers them
// input before the screens, updates them every frame and deletes a pop-up once it reports
// itself closed.
#pragma once
#include "engine/VortanTypes.h"

class COrloApplication;

class COrloNotification {
public:
    COrloNotification() : m_application(nullptr), m_closed(0) {}
    virtual ~COrloNotification() {}

    // Stores the application; VORTAN_OK.
    virtual int Init(COrloApplication* application)
    {
        m_application = application;
        return VORTAN_OK;
    }
    virtual void Release() {}
    virtual int OnResize(int width, int height)
    {
        (void)width;
        (void)height;
        return VORTAN_OK;
    }
    // Input in window pixels: non-zero = consumed.
    virtual int OnPointerDown(int button, int x, int y)
    {
        (void)button;
        (void)x;
        (void)y;
        return 1;
    }
    virtual int OnPointerUp(int button, int x, int y)
    {
        (void)button;
        (void)x;
        (void)y;
        return 1;
    }
    virtual int OnPointerMove(int button, int x, int y)
    {
        (void)button;
        (void)x;
        (void)y;
        return 1;
    }
    // The application deletes a closed pop-up in its next update.
    virtual void Close() { m_closed = 1; }
    virtual int IsClosed() { return m_closed; }
    virtual void Render() {}
    virtual void Update(float seconds) { (void)seconds; }

protected:
    COrloApplication* m_application; // not owned
    int m_closed;
};
