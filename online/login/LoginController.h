// CLoginController: gets the user onto the lobby server: credentials, the server's choice, login
// by challenge, guest login, registration, external login, logout and automatic relogin.
#pragma once
#include "engine/VortanRunnable.h"
#include "engine/VortanString.h"
#include "online/net/OrloNetworkSession.h"

class COrlogateApplication;
class COrloStatsEntry;

// The external (web) login's listener.
class IExternalLogin {
public:
    class IListener {
    public:
        virtual ~IListener() {}
        virtual void OnExternalLoginSuccess() = 0;
        virtual void OnExternalLoginFailed(const CVortanString& title, const CVortanString& text,
                                           int optionBits) = 0;
    };
};

// The lobby server's default address; ORLO_LOBBY ("host:port") overrides both.
#define ORLO_LOBBY_HOST "localhost"
#define ORLO_LOBBY_PORT 5000

class CLoginController : public COrloNetworkSession::StatusObserver,
                         public COrloNetworkSession::LoginObserver,
                         public IExternalLogin::IListener {
public:
    // The relogin countdown, a frame runnable of the application.
    class ReloginTimer : public IVortanRunnable {
    public:
        ReloginTimer() : m_application(nullptr), m_controller(nullptr), m_countdown(0.0f) {}
        ~ReloginTimer() override;
        void Run(float dt) override;
        void SetOwner(COrlogateApplication* application, CLoginController* controller);
        // Leaves the frame runnables.
        void Stop();
        // Leaves the runnables, sets the countdown and, above 0, registers again.
        void SetDelay(float seconds);
        float GetCountdown() const { return m_countdown; }

    private:
        COrlogateApplication* m_application;
        CLoginController* m_controller;
        float m_countdown;
    };

    // The member operation a connection runs once the server acknowledged it.
    typedef void (CLoginController::*Action)(COrloNetworkSession* session);

    CLoginController();
    ~CLoginController() override;

    // --- status observer ------------------------------------------------------------------
    void OnLobbyStateChanged(IOrloNetworkSession* session, int state) override;
    void OnGameStateChanged(IOrloNetworkSession* session, int state) override;
    void OnNotification(IOrloNetworkSession* session, int kind, int value,
                        const CVortanString& text) override;

    // --- operations the screens call ------------------------------------------------------
    // 1, or 0 without an application or its settings store.
    virtual int LoadSettings(COrlogateApplication* application);
    virtual void Release();
    virtual void ClearAccountFields();
    // 0 stops the timer.
    virtual void SetReloginTimer(float seconds);
    virtual void LoginAsGuest();
    virtual void Login(const CVortanString& name, const CVortanString& password, bool autoLogin);
    virtual void CreateAccount(const CVortanString& name, const CVortanString& password,
                               const CVortanString& email);
    virtual void LoginExternal(const CVortanString& id, const CVortanString& token, int mode);
    virtual void CreateAccountExternal(const CVortanString& name, const CVortanString& id,
                                       const CVortanString& token);
    virtual void ValidateUserName(const CVortanString& name);
    virtual void Reconnect();
    virtual void Logout();
    virtual bool HasExternalLogin() { return m_mode != 0; }
    virtual const CVortanString& GetUserName() { return m_userName; }

    // --- the screens' callbacks (the menu supplies them) -------------------------------------
    virtual void OnLoginSucceeded(const CVortanString& playerName, const CVortanString& token,
                                  int justRegistered) = 0;
    virtual void ShowLoginError(const CVortanString& title, const CVortanString& message,
                                int optionBits, const CVortanString* updateLink) = 0;
    virtual void ShowConnectionError(const CVortanString& text) = 0;
    virtual void ShowLoginScreen() = 0;
    virtual void OnUserNameChecked(bool accepted, const CVortanString& text) = 0;
    virtual void ShowReconnecting() = 0;

    // --- stored values -----------------------------------------------------------------------
    virtual CVortanString GetStoredUserName();
    virtual CVortanString GetStoredPassword();
    virtual bool CanAutoLogin();
    virtual void SetAutoLogin(bool on);
    virtual int GetGuestCounter();
    virtual int IsGuest() { return m_guest; }
    virtual const CVortanString& GetNewUserName() { return m_newUserName; }
    virtual const CVortanString& GetNewPassword() { return m_newPassword; }
    virtual const CVortanString& GetEmail() { return m_email; }
    virtual const CVortanString& GetConfirmedUserName() { return m_confirmedUserName; }

    // --- login observer ----------------------------------------------------------------------
    void OnConnectRefused(COrloNetworkSession* session, const CVortanString& text) override;
    void OnLoginError(COrloNetworkSession* session, const CVortanString& text) override;
    void OnLoginUnanswered(COrloNetworkSession* session, const CVortanString& text) override;
    void OnLoginChallenge(COrloNetworkSession* session, const CVortanString& challenge) override;
    void OnLoginSuccess(COrloNetworkSession* session, int playerId, const CVortanString& playerName,
                        const CVortanString& loginToken, const CVortanString& text2,
                        const CVortanString& text5, int value4) override;
    void OnConfirmUserNameAck(COrloNetworkSession* session, int result,
                              const CVortanString& text) override;
    void OnConfirmEmailAck(COrloNetworkSession* session, int result,
                           const CVortanString& text) override;

    // --- external login listener ---------------------------------------------------------------
    void OnExternalLoginSuccess() override;
    void OnExternalLoginFailed(const CVortanString& title, const CVortanString& text,
                               int optionBits) override;

    // The server redirected the client: connect there from now on (until a login error).
    void ScheduleReconnect(const CVortanString& host, int port);

    // Advances the wait of a login for the service's answer; once it has waited as long as a
    // login may, the player is told (the failed-login page), while the automatic reconnects
    // go on behind it. Run once per frame.
    void UpdateLoginWatch(float seconds);
    // "Try again" after a login that the service did not answer: logs in again at once with
    // the name and password the controller holds (a guest as a guest); the automatic
    // reconnects go on until one succeeds.
    void TryLoginAgain();
    // The failure the player was last told of is a service that did not answer (not a
    // refusal), and no login has succeeded or been started by the player since.
    bool IsLoginUnanswered() const { return m_failureShown && m_failureUnanswered; }
    // Seconds the current login has waited for its answer; -1 when none waits.
    float GetLoginWatch() const { return m_loginWatch; }

    // Queries for the application and tests.
    int GetLoginState() const { return m_loginState; }
    int GetMode() const { return m_mode; }
    const CVortanString& GetPassword() const { return m_password; }
    int GetChallengeFlag() const { return m_challenge; }
    const CVortanString& GetServerHost() const { return m_serverHost; }
    int GetServerPort() const { return m_serverPort; }
    int IsUsingRedirect() const { return m_useRedirect; }
    ReloginTimer* GetReloginTimer() const { return m_reloginTimer; }
    static float GetReloginDelay() { return s_reloginDelay; }
    static void SetReloginDelay(float seconds) { s_reloginDelay = seconds; }
    // The lobby's host and port: ORLO_LOBBY ("host:port") when set and valid, else the
    // defaults. The one place the variable is read.
    static void GetLobbyAddress(CVortanString* host, int* port);

protected:
    // Called by the relogin timer when it runs out.
    void OnReloginDue();
    // The logout's steps; the login screen only when asked for.
    void CloseLogin(bool showLoginScreen);
    // Logs in again with what the controller holds, without the login screen.
    void ReconnectQuietly();
    // Tells the player of a failed login once: a service that still does not answer while
    // the player has been told so (an automatic retry failing the same way) is not told again.
    void ReportLoginFailure(bool unanswered, const CVortanString& title,
                            const CVortanString& message, int optionBits);
    // The login ended without success (a refusal, or no answer): no login is wanted until the
    // player's own or a reconnect, and the player is told.
    void FailLogin(bool unanswered, const CVortanString& text);
    // Clears what the player was told: a login of the player's own starts afresh.
    void ForgetLoginFailure();
    void ConnectToServer(Action action);
    void RequestLoginChallenge(COrloNetworkSession* session);
    void StartLogin(COrloNetworkSession* session);
    void SendExternalLogin(COrloNetworkSession* session);
    void SendConfirmUserName(COrloNetworkSession* session);
    void SendCreateAccount(COrloNetworkSession* session);
    void SendCreateExternalAccount(COrloNetworkSession* session);
    COrloNetworkSession* GetSession() const;
    const CVortanString& Text(int index) const;
    // Sets an entry's value (when the entry exists) and saves nothing.
    void SetEntryBool(COrloStatsEntry* entry, bool value);
    void SetEntryString(COrloStatsEntry* entry, const CVortanString& value);
    void SaveSettings();

    COrlogateApplication* m_gate;
    CVortanString m_userName;
    CVortanString m_password;
    int m_challenge;
    CVortanString m_newUserName;
    CVortanString m_newPassword;
    CVortanString m_email;
    CVortanString m_externalId;
    CVortanString m_externalToken;
    CVortanString m_confirmedUserName;
    COrloStatsEntry* m_autoLoginEntry;
    COrloStatsEntry* m_userNameEntry;
    COrloStatsEntry* m_passwordEntry;
    COrloStatsEntry* m_firstRunEntry;
    COrloStatsEntry* m_guestCounterEntry;
    Action m_pendingAction;
    CVortanString m_serverHost;
    int m_serverPort;
    int m_loginState;
    int m_mode;
    CVortanString m_redirectHost;
    int m_redirectPort;
    int m_useRedirect;
    ReloginTimer* m_reloginTimer;
    int m_guest;
    int m_justRegistered;
    // The wait of the current login for its answer (seconds, -1 = none), and the failure the
    // player was told of.
    float m_loginWatch;
    int m_failureShown;
    int m_failureUnanswered;

    static float s_reloginDelay;

private:
    friend class ReloginTimer;
    CLoginController(const CLoginController&) = delete;
    CLoginController& operator=(const CLoginController&) = delete;
};
