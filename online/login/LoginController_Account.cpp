// CLoginController: the name check and account registration.
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
