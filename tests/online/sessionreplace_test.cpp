// A session replaced from inside its own delivery (a registration's answer reconnects, which
// makes a new session) is quiet from then on and deleted only after the delivery returned; the
// address sanitizer run checks that nothing touches it afterwards.
#include "online/OrloOnlineFactory.h"
#include "tests/online/SessionTestSupport.h"

using ntest::Ber;

namespace {

// Replaces the application's session when the registration is answered.
class ReplacingObserver : public ntest::SessionLog {
public:
    void OnConfirmEmailAck(COrloNetworkSession* session, int result,
                           const CVortanString& text) override
    {
        ntest::SessionLog::OnConfirmEmailAck(session, result, text);
        app->RecreateSession();
        replacedWhileDelivering = session->IsDelivering();
    }
    ntest::SessionApp* app = nullptr;
    int replacedWhileDelivering = 0;
};

class SessionReplaceTest : public ntest::SessionFixture {
protected:
    static void SetUpTestSuite() { COrlogateApplication::RegisterOnlineFactory(&s_factory); }
    static void TearDownTestSuite() { COrlogateApplication::RegisterOnlineFactory(nullptr); }
    static COrloOnlineFactory s_factory;
};

COrloOnlineFactory SessionReplaceTest::s_factory;

TEST_F(SessionReplaceTest, ReplacedInsideItsOwnCallbackItIsDeletedAfterTheDelivery)
{
    // The fixture's application was made before the factory was registered: make one with it.
    ntest::SessionApp withFactory;
    ReplacingObserver observer;
    observer.app = &withFactory;
    COrloNetworkSession* old = new COrloNetworkSession();
    ASSERT_EQ(VORTAN_OK, old->Init(&withFactory, &observer));
    withFactory.SetSession(old);
    ASSERT_EQ(1, old->ConnectLobby(CVortanString("127.0.0.1"), lobby.port, &observer));
    int server = lobby.Accept();
    ASSERT_GE(server, 0);
    ASSERT_TRUE(old->SendConfirmEmail(CVortanString("n"), CVortanString("e"), CVortanString("p"), 0,
                                      CVortanString(), CVortanString(), &observer));

    // The answer and more messages behind it in the same chunk.
    std::vector<u8> chunk = Ber(110).Int(0, 0).Text(1, "n").Build();
    for (int i = 0; i < 3; ++i) {
        std::vector<u8> note = Ber(45).Int(0, 1).Text(1, "late").Int(2, 0).Build();
        chunk.insert(chunk.end(), note.begin(), note.end());
    }
    ntest::WriteAll(server, chunk);
    ASSERT_TRUE(vtest::WaitUntil([&]() {
        old->GetLobbyEngine()->Run(0.016f);
        return observer.Has("account 0 n");
    }));
    EXPECT_EQ(1, observer.replacedWhileDelivering);
    EXPECT_EQ(1, withFactory.RetiredCount());
    EXPECT_NE(static_cast<IOrloNetworkSession*>(old), withFactory.GetNetworkSession());
    // The old session told no one about the messages after its replacement.
    EXPECT_TRUE(observer.notes.empty());
    // A frame later it is gone (the sanitizer checks the delete and what follows).
    withFactory.DropRetired();
    EXPECT_EQ(0, withFactory.RetiredCount());
    std::vector<u8> seen;
    EXPECT_TRUE(vtest::WaitUntil([&]() { return !ntest::ReadSome(server, &seen, 5); }));
    close(server);

    IOrloNetworkSession* fresh = withFactory.GetNetworkSession();
    withFactory.SetSession(nullptr);
    fresh->Shutdown();
    delete fresh;
}

} // namespace
