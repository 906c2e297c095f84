// The login tests' controller, which records the screens' callbacks, an application with a
// settings store that passes redirects to it, and the fixtures of the tests whose applications
// make their online parts with the program's factory.
#pragma once
#include <functional>

#include "engine/VortanTimer.h"
#include "online/OrloOnlineFactory.h"
#include "online/login/LoginController.h"
#include "platform/OrloStatsStore.h"
#include "tests/online/SessionTestSupport.h"

namespace ntest {

// Records the screens' callbacks.
class Controller : public CLoginController {
public:
    void OnLoginSucceeded(const CVortanString& name, const CVortanString& token,
                          int justRegistered) override
    {
        calls.push_back("succeeded " + VortanUTF8Of(name) + " " + VortanUTF8Of(token) + " " +
                        std::to_string(justRegistered));
    }
    void ShowLoginError(const CVortanString&, const CVortanString& message, int bits,
                        const CVortanString*) override
    {
        calls.push_back("error " + VortanUTF8Of(message) + " " + std::to_string(bits));
    }
    void ShowConnectionError(const CVortanString& text) override
    {
        calls.push_back("connection " + VortanUTF8Of(text));
    }
    void ShowLoginScreen() override { calls.push_back("login screen"); }
    void OnUserNameChecked(bool accepted, const CVortanString&) override
    {
        calls.push_back(accepted ? "name ok" : "name refused");
    }
    void ShowReconnecting() override { calls.push_back("reconnecting"); }
    bool Has(const std::string& call) const
    {
        for (size_t i = 0; i < calls.size(); ++i) {
            if (calls[i] == call)
                return true;
        }
        return false;
    }
    std::vector<std::string> calls;
};

// An application with a settings store in a private home.
class LoginApp : public ntest::SessionApp {
public:
    LoginApp()
    {
        m_settings = new COrloStatsStore();
        CVortanString path;
        GetUserDataPath(path, CVortanString("stats.dat"));
        m_settings->Open(path);
    }
    ~LoginApp() override
    {
        if (m_session) {
            m_session->Shutdown();
            delete m_session;
            m_session = nullptr;
        }
        DeleteRetiredSessions();
        delete m_settings;
        m_settings = nullptr;
    }
    // Redirects reach the controller as the real application passes them.
    void Reconnect(const CVortanString& host, int port) override
    {
        if (controller)
            controller->ScheduleReconnect(host, port);
    }
    Controller* controller = nullptr;
};

// One frame of what the application runs for the online client: the retired sessions go, then
// the engines, the session's update and the relogin timer.
inline void RunFrame(LoginApp& app, CLoginController& controller, float dt)
{
    app.DropRetired();
    COrloNetworkSession* session = dynamic_cast<COrloNetworkSession*>(app.GetNetworkSession());
    if (session) {
        session->GetLobbyEngine()->Run(dt);
        session = dynamic_cast<COrloNetworkSession*>(app.GetNetworkSession());
        if (session)
            session->GetGameEngine()->Run(dt);
        session = dynamic_cast<COrloNetworkSession*>(app.GetNetworkSession());
        if (session)
            session->Update(dt);
    }
    CLoginController::ReloginTimer* timer = controller.GetReloginTimer();
    if (timer && timer->IsAttached())
        timer->Run(dt);
}

// The program's online factory registered for the suite, and a home of the test's own.
class FactoryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static COrloOnlineFactory factory;
        COrlogateApplication::RegisterOnlineFactory(&factory);
    }
    static void TearDownTestSuite() { COrlogateApplication::RegisterOnlineFactory(nullptr); }
    FactoryTest() { setenv("HOME", home.Path().c_str(), 1); }
    vtest::TempDir home;
};

// The application `looped` in its own frame loop on the stand-in clock, a second's wait before
// a relogin.
class FrameClockTest : public FactoryTest {
protected:
    static constexpr u64 kMs = 1000000ull;
    FrameClockTest()
    {
        CLoginController::SetReloginDelay(1.0f);
        VortanTestClock::Set(5000 * kMs);
    }
    ~FrameClockTest() override
    {
        VortanTestClock::Clear();
        unsetenv("ORLO_LOBBY");
    }
    // Frames of `ms` each until the condition holds (real time bounds the wait).
    bool FramesUntil(const std::function<bool()>& condition, u64 ms = 16)
    {
        return vtest::WaitUntil([&]() {
            VortanTestClock::Advance(ms * kMs);
            looped->Frame();
            return condition();
        });
    }
    COrlogateApplication* looped = nullptr;
};

} // namespace ntest
