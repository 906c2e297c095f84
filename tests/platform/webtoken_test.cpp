// The application's session key and web token: the session's texts, empty without a session.
#include <gtest/gtest.h>

#include "platform/OrlogateApplication.h"
#include "tests/platform/OnlineStubs.h"

namespace {

// Counts the link tokens it builds.
class SessionStub : public ptest::SessionStub {
public:
    SessionStub()
    {
        login = CVortanString("k3y-0f-s3ss10n");
        link = CVortanString("a1b2c3d4e5");
        ownPlayerId = -1;
        releaseId = 0;
    }
    const CVortanString& BuildLinkToken() override
    {
        ++builds;
        return link;
    }
    int builds = 0;
};

class TestApp : public COrlogateApplication {
public:
    void SetSession(IOrloNetworkSession* session) { m_session = session; }
};

} // namespace

TEST(WebToken, TheSessionsTextsAndEmptyWithoutASession)
{
    TestApp app;
    CVortanString key("stale"), token("stale");
    app.GetSessionKey(key);
    app.GetWebToken(token);
    EXPECT_TRUE(key.IsEmpty());
    EXPECT_TRUE(token.IsEmpty());

    SessionStub session;
    app.SetSession(&session);
    app.GetSessionKey(key);
    app.GetWebToken(token);
    EXPECT_EQ(key, CVortanString("k3y-0f-s3ss10n"));
    EXPECT_EQ(token, CVortanString("a1b2c3d4e5"));
    EXPECT_EQ(session.builds, 1); // built afresh for each link
    app.SetSession(nullptr);
}
