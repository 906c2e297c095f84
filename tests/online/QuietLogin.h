// A login observer that takes every answer and does nothing with it: a login reply reaches the
// session's state (its own player id) only through an observer.
#pragma once
#include "online/net/OrloNetworkSession.h"

namespace ntest {

class QuietLogin : public COrloNetworkSession::LoginObserver {
public:
    void OnConnectRefused(COrloNetworkSession*, const CVortanString&) override {}
    void OnLoginError(COrloNetworkSession*, const CVortanString&) override {}
    void OnLoginChallenge(COrloNetworkSession*, const CVortanString&) override {}
    void OnLoginSuccess(COrloNetworkSession*, int, const CVortanString&, const CVortanString&,
                        const CVortanString&, const CVortanString&, int) override
    {}
    void OnConfirmUserNameAck(COrloNetworkSession*, int, const CVortanString&) override {}
    void OnConfirmEmailAck(COrloNetworkSession*, int, const CVortanString&) override {}
};

} // namespace ntest
