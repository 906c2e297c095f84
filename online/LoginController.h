// CLoginController: gets the user onto the lobby server (credentials, login, logout,
// reconnecting). The online menu state derives from it.
//
// Until the online client's controller is built, this stand-in knows no user and does
// nothing.
#pragma once
#include "engine/VortanString.h"

class CLoginController {
public:
    CLoginController() {}
    virtual ~CLoginController() {}

    void Reconnect(int argument = 0) { (void)argument; }
    void Logout() {}
    void GetUserName(CVortanString& out) const { out = m_userName; }
    // The server asked to connect elsewhere.
    void ScheduleReconnect(const CVortanString& text, int code)
    {
        (void)text;
        (void)code;
    }

protected:
    CVortanString m_userName;
};
