// CLoginController: the external (web) login and the registration of an external account,
// which the login page's web view starts (it has none on this platform).
#include "online/login/LoginController.h"
#include "platform/OrloStatsEntry.h"
#include "platform/OrlogateApplication.h"

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
