// CLoginController: settings, connecting, the login flows and the relogin back-off.
#include "online/login/LoginController.h"

#include <stdlib.h>

#include <new>

#include "platform/OrloLanguage.h"
#include "platform/OrloStatsEntry.h"
#include "platform/OrloStatsStore.h"
#include "platform/OrlogateApplication.h"

float CLoginController::s_reloginDelay = 1.0f;

namespace {

const float kReloginMax = 10.0f;
// How long a login waits for the service's answer, as the session's own login time-out.
const float kLoginAnswerLimit = 40.0f;

const char kAutoLogin[] = "__Orlo_AutoLogin";
const char kUserName[] = "__Orlo_UserName";
const char kPassword[] = "__Orlo_Password";
const char kFirstRun[] = "__Orlo_FirstRun";
const char kGuestCounter[] = "__Orlo_GuestCounter";
const char kTimesLoggedIn[] = "__Orlo_TimesLoggedIn";

} // namespace

// --- relogin timer ---------------------------------------------------------------------------

CLoginController::ReloginTimer::~ReloginTimer()
{
    Stop();
}

void CLoginController::ReloginTimer::SetOwner(COrlogateApplication* application,
                                              CLoginController* controller)
{
    m_application = application;
    m_controller = controller;
}

void CLoginController::ReloginTimer::Stop()
{
    if (m_application)
        m_application->RemoveListener(this);
}

void CLoginController::ReloginTimer::SetDelay(float seconds)
{
    Stop();
    m_countdown = seconds;
    if (seconds > 0.0f && !IsAttached() && m_application)
        m_application->AddListener(this);
}

void CLoginController::ReloginTimer::Run(float dt)
{
    if (m_countdown <= 0.0f)
        return;
    m_countdown -= dt;
    if (m_countdown > 0.0f)
        return;
    Stop();
    if (m_controller)
        m_controller->OnReloginDue();
}

// --- construction ----------------------------------------------------------------------------

CLoginController::CLoginController()
    : m_gate(nullptr), m_challenge(0), m_autoLoginEntry(nullptr), m_userNameEntry(nullptr),
      m_passwordEntry(nullptr), m_firstRunEntry(nullptr), m_guestCounterEntry(nullptr),
      m_pendingAction(nullptr), m_serverPort(ORLO_LOBBY_PORT), m_loginState(0), m_mode(0),
      m_redirectPort(0), m_useRedirect(0), m_reloginTimer(nullptr), m_guest(0), m_justRegistered(0),
      m_loginWatch(-1.0f), m_failureShown(0), m_failureUnanswered(0)
{
    GetLobbyAddress(&m_serverHost, &m_serverPort);
}

CLoginController::~CLoginController()
{
    delete m_reloginTimer;
}

void CLoginController::GetLobbyAddress(CVortanString* host, int* port)
{
    *host = CVortanString(ORLO_LOBBY_HOST);
    *port = ORLO_LOBBY_PORT;
    const char* value = getenv("ORLO_LOBBY");
    if (!value)
        return;
    CVortanString text;
    text.AssignUTF8(value, -1);
    int colon = text.ReverseFind(':');
    if (colon <= 0 || colon + 1 >= text.GetLength() || text.GetLength() - colon > 6)
        return;
    int number = 0;
    for (int i = colon + 1; i < text.GetLength(); ++i) {
        unsigned short c = text.GetAt(i);
        if (c < '0' || c > '9')
            return;
        number = number * 10 + (c - '0');
    }
    if (number < 1 || number > 65535)
        return;
    *host = CVortanString(text, 0, colon);
    *port = number;
}

COrloNetworkSession* CLoginController::GetSession() const
{
    return m_gate ? dynamic_cast<COrloNetworkSession*>(m_gate->GetNetworkSession()) : nullptr;
}

const CVortanString& CLoginController::Text(int index) const
{
    static const CVortanString empty;
    COrloLanguage* language = m_gate ? m_gate->GetLanguage() : nullptr;
    return language ? language->GetText(index) : empty;
}

void CLoginController::SetEntryBool(COrloStatsEntry* entry, bool value)
{
    if (entry)
        entry->SetBool(value ? 1 : 0);
}

void CLoginController::SetEntryString(COrloStatsEntry* entry, const CVortanString& value)
{
    if (entry)
        entry->SetString(value);
}

void CLoginController::SaveSettings()
{
    COrloStatsStore* settings = m_gate ? m_gate->GetSettings() : nullptr;
    if (settings)
        settings->Save();
}

// --- settings ----------------------------------------------------------------------------------

int CLoginController::LoadSettings(COrlogateApplication* application)
{
    m_gate = application;
    COrloStatsStore* settings = application ? application->GetSettings() : nullptr;
    if (!settings)
        return 0;

    bool autoLogin = false;
    m_autoLoginEntry = settings->Find(CVortanString(kAutoLogin));
    if (!m_autoLoginEntry) {
        m_autoLoginEntry = settings->AddEntry(CVortanString(kAutoLogin));
        SetEntryBool(m_autoLoginEntry, false);
    } else {
        autoLogin = m_autoLoginEntry->boolValue != 0;
    }
    m_userNameEntry = settings->Find(CVortanString(kUserName));
    if (!m_userNameEntry) {
        m_userNameEntry = settings->AddEntry(CVortanString(kUserName));
        SetEntryString(m_userNameEntry, CVortanString());
        autoLogin = false;
    } else {
        m_userName = m_userNameEntry->stringValue;
    }
    m_passwordEntry = settings->Find(CVortanString(kPassword));
    if (!m_passwordEntry) {
        m_passwordEntry = settings->AddEntry(CVortanString(kPassword));
        SetEntryString(m_passwordEntry, CVortanString());
        autoLogin = false;
        m_challenge = 1;
    } else {
        m_password = m_passwordEntry->stringValue;
        m_challenge = 0;
    }
    m_firstRunEntry = settings->Find(CVortanString(kFirstRun));
    if (!m_firstRunEntry) {
        m_firstRunEntry = settings->AddEntry(CVortanString(kFirstRun));
        SetEntryBool(m_firstRunEntry, true);
    }
    m_guestCounterEntry = settings->Find(CVortanString(kGuestCounter));
    if (!m_guestCounterEntry) {
        m_guestCounterEntry = settings->AddEntry(CVortanString(kGuestCounter));
        if (m_guestCounterEntry)
            m_guestCounterEntry->SetInt(0);
    }

    bool both = !m_userName.IsEmpty() && !m_password.IsEmpty();
    if (!both) {
        SetEntryString(m_userNameEntry, CVortanString());
        SetEntryString(m_passwordEntry, CVortanString());
        SetEntryBool(m_autoLoginEntry, false);
    }
    settings->Save();
    m_guest = 0;
    if (!both || !autoLogin) {
        m_userName.Empty();
        m_password.Empty();
        m_challenge = 1;
    }

    if (!m_reloginTimer)
        m_reloginTimer = new (std::nothrow) ReloginTimer();
    if (m_reloginTimer)
        m_reloginTimer->SetOwner(application, this);
    m_mode = 0;
    m_loginState = 0;
    m_confirmedUserName.Empty();
    return 1;
}

void CLoginController::Release()
{
    if (!m_gate)
        return;
    if (m_reloginTimer) {
        m_reloginTimer->Stop();
        delete m_reloginTimer;
        m_reloginTimer = nullptr;
    }
    COrloNetworkSession* session = GetSession();
    if (session)
        session->RemoveStatusObserver(this);
    m_autoLoginEntry = nullptr;
    m_userNameEntry = nullptr;
    m_passwordEntry = nullptr;
    m_firstRunEntry = nullptr;
    m_guestCounterEntry = nullptr;
    m_gate = nullptr;
    m_pendingAction = nullptr;
}

void CLoginController::ClearAccountFields()
{
    m_newUserName.Empty();
    m_newPassword.Empty();
    m_email.Empty();
    m_confirmedUserName.Empty();
}

CVortanString CLoginController::GetStoredUserName()
{
    return m_userNameEntry ? m_userNameEntry->stringValue : CVortanString();
}

CVortanString CLoginController::GetStoredPassword()
{
    return m_passwordEntry ? m_passwordEntry->stringValue : CVortanString();
}

bool CLoginController::CanAutoLogin()
{
    return m_autoLoginEntry && m_autoLoginEntry->boolValue && !GetStoredUserName().IsEmpty() &&
           !GetStoredPassword().IsEmpty();
}

void CLoginController::SetAutoLogin(bool on)
{
    SetEntryBool(m_autoLoginEntry, on);
    if (!on) {
        SetEntryString(m_userNameEntry, CVortanString());
        SetEntryString(m_passwordEntry, CVortanString());
        SaveSettings();
    }
}

int CLoginController::GetGuestCounter()
{
    return m_guestCounterEntry ? m_guestCounterEntry->intValue : 0;
}

// --- connecting ----------------------------------------------------------------------------------

void CLoginController::ConnectToServer(Action action)
{
    if (!m_gate)
        return;
    // A login waits for its answer from here on, across the reconnects it may take; a player
    // already told that the service does not answer is not told again by a retry.
    if (m_loginState == 1 && m_loginWatch < 0.0f && !m_failureShown)
        m_loginWatch = 0.0f;
    COrloNetworkSession* session = GetSession();
    if (session && (session->GetStatus() & 0xFF) == LOBBY_STATE_REQUEST_SENT) {
        if (action)
            (this->*action)(session);
        return;
    }
    m_gate->RecreateSession();
    session = GetSession();
    if (!session)
        return;
    session->AddStatusObserver(this);
    m_pendingAction = action;
    int connected = m_useRedirect
                        ? session->ConnectLobby(m_redirectHost, m_redirectPort, this)
                        : session->ConnectLobby(m_serverHost, m_serverPort & 0xFFFF, this);
    if (connected != 1)
        ReportLoginFailure(true, Text(14), Text(3), 2);
}

void CLoginController::OnLobbyStateChanged(IOrloNetworkSession* session, int state)
{
    if (state == LOBBY_STATE_CLOSED) {
        if (m_loginState != 0)
            SetReloginTimer(s_reloginDelay);
        else if (m_reloginTimer)
            m_reloginTimer->Stop();
    } else if (state == LOBBY_STATE_ACKNOWLEDGED) {
        if (m_reloginTimer)
            m_reloginTimer->Stop();
        s_reloginDelay = 1.0f;
        Action action = m_pendingAction;
        m_pendingAction = nullptr;
        COrloNetworkSession* own = dynamic_cast<COrloNetworkSession*>(session);
        if (action && own)
            (this->*action)(own);
    }
}

void CLoginController::OnGameStateChanged(IOrloNetworkSession* session, int state)
{
    (void)session;
    (void)state;
}

void CLoginController::OnNotification(IOrloNetworkSession* session, int kind, int value,
                                      const CVortanString& text)
{
    (void)session;
    (void)kind;
    (void)value;
    (void)text;
}

void CLoginController::SetReloginTimer(float seconds)
{
    if (m_reloginTimer)
        m_reloginTimer->SetDelay(seconds);
}

void CLoginController::OnReloginDue()
{
    // Behind a failed-login page the retries go on without covering it.
    if (!m_failureShown)
        ShowReconnecting();
    ReconnectQuietly();
    s_reloginDelay = s_reloginDelay * 10.0f;
    if (s_reloginDelay > kReloginMax)
        s_reloginDelay = kReloginMax;
}

void CLoginController::UpdateLoginWatch(float seconds)
{
    if (m_loginWatch < 0.0f)
        return;
    if (m_loginState != 1) {
        m_loginWatch = -1.0f;
        return;
    }
    m_loginWatch += seconds;
    if (m_loginWatch >= kLoginAnswerLimit)
        ReportLoginFailure(true, Text(12), Text(12), 3);
}

void CLoginController::ReportLoginFailure(bool unanswered, const CVortanString& title,
                                          const CVortanString& message, int optionBits)
{
    m_loginWatch = -1.0f;
    if (unanswered && m_failureShown && m_failureUnanswered)
        return;
    m_failureShown = 1;
    m_failureUnanswered = unanswered ? 1 : 0;
    ShowLoginError(title, message, optionBits, nullptr);
}

void CLoginController::ForgetLoginFailure()
{
    m_loginWatch = -1.0f;
    m_failureShown = 0;
    m_failureUnanswered = 0;
}

void CLoginController::TryLoginAgain()
{
    ForgetLoginFailure();
    ReconnectQuietly();
}

void CLoginController::ScheduleReconnect(const CVortanString& host, int port)
{
    m_redirectHost = host;
    m_redirectPort = port;
    m_useRedirect = 1;
    SetReloginTimer(s_reloginDelay);
}

// --- login flows ------------------------------------------------------------------------------------

void CLoginController::Login(const CVortanString& name, const CVortanString& password,
                             bool autoLogin)
{
    Logout();
    ForgetLoginFailure();
    m_mode = 0;
    m_loginState = 1;
    SetEntryBool(m_autoLoginEntry, autoLogin);
    m_userName = name;
    m_password = password;
    m_challenge = 1;
    m_guest = name.StartsWith(CVortanString("guest")) ? 1 : 0;
    ConnectToServer(&CLoginController::RequestLoginChallenge);
}

void CLoginController::RequestLoginChallenge(COrloNetworkSession* session)
{
    session->SendLoginChallengeRequest(m_userName, this);
}

void CLoginController::OnLoginChallenge(COrloNetworkSession* session,
                                        const CVortanString& challenge)
{
    (void)session;
    COrloNetworkSession* current = GetSession();
    if (!current)
        return;
    m_password = COrloNetworkSession::MakeLoginResponse(m_password, challenge);
    m_challenge = 0;
    current->SendLogin(m_userName, m_password, this);
}

void CLoginController::StartLogin(COrloNetworkSession* session)
{
    if (m_guest) {
        m_loginState = 1;
        m_userName = CVortanString("guest");
        m_password.FromInteger(GetGuestCounter(), 10);
        m_challenge = 1;
        session->SendLogin(m_userName, m_password, this);
    } else if (!m_challenge) {
        session->SendLogin(m_userName, m_password, this);
    } else {
        session->SendLoginChallengeRequest(m_userName, this);
    }
}

void CLoginController::LoginAsGuest()
{
    if (m_loginState != 0)
        return;
    ForgetLoginFailure();
    m_loginState = 1;
    m_userName = CVortanString("guest");
    m_password.FromInteger(GetGuestCounter(), 10);
    m_guest = 1;
    m_challenge = 1;
    ConnectToServer(&CLoginController::StartLogin);
}

void CLoginController::Reconnect()
{
    Logout();
    ForgetLoginFailure();
    m_loginState = 1;
    if (m_mode == 1 || m_mode == 2)
        ConnectToServer(&CLoginController::SendExternalLogin);
    else
        ConnectToServer(&CLoginController::StartLogin);
}

void CLoginController::ReconnectQuietly()
{
    CloseLogin(false);
    m_loginState = 1;
    if (m_mode == 1 || m_mode == 2)
        ConnectToServer(&CLoginController::SendExternalLogin);
    else
        ConnectToServer(&CLoginController::StartLogin);
}

void CLoginController::OnLoginSuccess(COrloNetworkSession* session, int playerId,
                                      const CVortanString& playerName,
                                      const CVortanString& loginToken, const CVortanString& text2,
                                      const CVortanString& text5, int value4)
{
    (void)session;
    (void)playerId;
    (void)text2;
    (void)text5;
    (void)value4;
    m_loginState = 2;
    ForgetLoginFailure();
    COrloStatsStore* settings = m_gate ? m_gate->GetSettings() : nullptr;
    if (settings) {
        bool autoLogin = m_autoLoginEntry && m_autoLoginEntry->boolValue;
        if (!autoLogin || m_guest) {
            SetEntryString(m_userNameEntry, CVortanString());
            SetEntryString(m_passwordEntry, CVortanString());
        } else {
            SetEntryString(m_userNameEntry, m_userName);
            SetEntryString(m_passwordEntry, m_password);
        }
        COrloStatsEntry* times = settings->Find(CVortanString(kTimesLoggedIn));
        if (times) {
            times->SetInt(times->intValue + 1);
        } else {
            times = settings->AddEntry(CVortanString(kTimesLoggedIn));
            if (times)
                times->SetInt(1);
        }
        if (m_guest && m_guestCounterEntry)
            m_guestCounterEntry->SetInt(GetGuestCounter() + 1);
        settings->Save();
    }
    int registered = m_justRegistered;
    m_justRegistered = 0;
    OnLoginSucceeded(playerName, loginToken, registered);
}

void CLoginController::OnLoginError(COrloNetworkSession* session, const CVortanString& text)
{
    (void)session;
    FailLogin(false, text);
}

void CLoginController::OnLoginUnanswered(COrloNetworkSession* session, const CVortanString& text)
{
    (void)session;
    FailLogin(true, text);
}

void CLoginController::FailLogin(bool unanswered, const CVortanString& text)
{
    m_loginState = 0;
    m_useRedirect = 0;
    CVortanString message(text);
    ReportLoginFailure(unanswered, Text(12), message, 3);
}

void CLoginController::OnConnectRefused(COrloNetworkSession* session, const CVortanString& text)
{
    (void)session;
    m_loginWatch = -1.0f;
    m_failureShown = 1;
    m_failureUnanswered = 0;
    ShowConnectionError(text);
}

void CLoginController::Logout()
{
    CloseLogin(true);
    m_loginWatch = -1.0f;
}

void CLoginController::CloseLogin(bool showLoginScreen)
{
    COrloNetworkSession* session = GetSession();
    if (m_loginState != 0 && session) {
        if (showLoginScreen)
            ShowLoginScreen();
        session->SendLogout();
        session->CloseSockets();
        m_loginState = 0;
    }
    if (m_reloginTimer)
        m_reloginTimer->Stop();
}
