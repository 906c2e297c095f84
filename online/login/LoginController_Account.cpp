// CLoginController: the name check, account registration and the external (web) login.
#include "online/login/LoginController.h"
#include "platform/OrloStatsEntry.h"
#include "platform/OrlogateApplication.h"

namespace {

const char kNameAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ01234567890-_";

bool InNameAlphabet(unsigned short c)
{
    for (const char* p = kNameAlphabet; *p; ++p) {
        if ((unsigned short)*p == c)
            return true;
    }
    return false;
}

} // namespace

void CLoginController::ValidateUserName(const CVortanString& name)
{
    int n = name.GetLength();
    if (n < 4 || n > 15) {
        OnUserNameChecked(false, Text(16));
        return;
    }
    for (int i = 0; i < n; ++i) {
        if (!InNameAlphabet(name.GetAt(i))) {
            OnUserNameChecked(false, Text(17));
            return;
        }
    }
    m_confirmedUserName.Empty();
    m_newUserName = name;
    ConnectToServer(&CLoginController::SendConfirmUserName);
}

void CLoginController::SendConfirmUserName(COrloNetworkSession* session)
{
    CVortanString name(m_newUserName);
    session->SendConfirmUserName(name, this);
}

void CLoginController::OnConfirmUserNameAck(COrloNetworkSession* session, int result,
                                            const CVortanString& text)
{
    (void)session;
    if (result == 0) {
        m_confirmedUserName = m_newUserName;
        m_newPassword = text;
        OnUserNameChecked(true, CVortanString());
    } else {
        OnUserNameChecked(false, Text(57));
    }
}

void CLoginController::CreateAccount(const CVortanString& name, const CVortanString& password,
                                     const CVortanString& email)
{
    COrloNetworkSession* session = GetSession();
    if (!session)
        return;
    m_newUserName = name;
    m_email = email;
    m_newPassword = COrloNetworkSession::MakeLoginResponse(password, m_newPassword);
    m_challenge = 0;
    SendCreateAccount(session);
}

void CLoginController::SendCreateAccount(COrloNetworkSession* session)
{
    session->SendConfirmEmail(m_newUserName, m_email, m_newPassword, 0, CVortanString(),
                              CVortanString(), this);
}

void CLoginController::OnConfirmEmailAck(COrloNetworkSession* session, int result,
                                         const CVortanString& text)
{
    (void)session;
    if (result == 0) {
        m_userName = text;
        m_password = m_newPassword;
        m_challenge = 0;
        SetEntryBool(m_autoLoginEntry, m_mode == 0);
        m_guest = 0;
        m_justRegistered = 1;
        Reconnect();
        return;
    }
    SetEntryBool(m_autoLoginEntry, false);
    SetEntryString(m_userNameEntry, CVortanString());
    SetEntryString(m_passwordEntry, CVortanString());
    int index = result == -1 ? 22 : result == -2 ? 23 : result == -3 ? 24 : 25;
    ShowLoginError(Text(21), Text(index), 3, nullptr);
}

void CLoginController::LoginExternal(const CVortanString& id, const CVortanString& token, int mode)
{
    if (id.IsEmpty() || token.IsEmpty()) {
        ShowLoginError(Text(12), Text(29), 2, nullptr);
        return;
    }
    Logout();
    ForgetLoginFailure();
    m_loginState = 1;
    m_mode = mode;
    SetEntryBool(m_autoLoginEntry, false);
    m_externalId = id;
    m_externalToken = token;
    ConnectToServer(&CLoginController::SendExternalLogin);
}

void CLoginController::SendExternalLogin(COrloNetworkSession* session)
{
    m_guest = 0;
    session->SendExternalLogin(m_mode, m_externalId, m_externalToken, CVortanString(), m_email,
                               this);
}

void CLoginController::CreateAccountExternal(const CVortanString& name, const CVortanString& id,
                                             const CVortanString& token)
{
    if (m_mode != 1 && (name.IsEmpty() || id.IsEmpty() || token.IsEmpty())) {
        ShowLoginError(Text(12), Text(29), 2, nullptr);
        return;
    }
    COrloNetworkSession* session = GetSession();
    if (!session) {
        ShowLoginError(Text(12), Text(30), 2, nullptr);
        return;
    }
    m_newUserName = name;
    m_externalId = id;
    m_externalToken = token;
    m_mode = 2;
    SendCreateExternalAccount(session);
    m_externalToken.Empty();
    m_externalId.Empty();
}

void CLoginController::SendCreateExternalAccount(COrloNetworkSession* session)
{
    session->SendConfirmEmail(m_newUserName, CVortanString(), m_newPassword, m_mode,
                              m_externalToken, m_externalId, this);
}

void CLoginController::OnExternalLoginSuccess()
{
    if (m_reloginTimer)
        m_reloginTimer->Stop();
    ConnectToServer(&CLoginController::SendExternalLogin);
}

void CLoginController::OnExternalLoginFailed(const CVortanString& title, const CVortanString& text,
                                             int optionBits)
{
    ShowLoginError(title, text, optionBits, nullptr);
}
