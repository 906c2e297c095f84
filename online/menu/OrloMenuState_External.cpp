// COrloMenuState: the external login's and the terms page's steps, which their web views take
// (this platform has none: no page of them loads, so they stay inert).
#include "online/menu/OrloMenuState.h"

#include "ui/layouts/PageView.h"

void COrloMenuState::ClearExternalLogin()
{
    m_extStatus.Empty();
    m_extId.Empty();
    m_extToken.Empty();
}

int COrloMenuState::OnGoogleShow(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    menu->ClearExternalLogin();
    return 1;
}

int COrloMenuState::OnGoogleCookie(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    (void)menu;
    return 1;
}

void COrloMenuState::OnExternalCookie(const CVortanString& name, const CVortanString& value)
{
    if (name == CVortanString("auth_status"))
        m_extStatus = value;
    else if (name == CVortanString("auth_id"))
        m_extId = value;
    else if (name == CVortanString("auth_token"))
        m_extToken = value;
}

int COrloMenuState::OnExternalPageLoaded()
{
    if (m_extStatus.IsEmpty())
        return 1;
    if (m_extStatus == CVortanString("ok")) {
        if (!m_extId.IsEmpty() && !m_extToken.IsEmpty()) {
            ShowLoading(MenuText(33), MenuText(33));
            LoginExternal(m_extId, m_extToken, 2);
            ClearExternalLogin();
            return 1;
        }
        if (m_pageRoot)
            m_pageRoot->NavigateTo(CVortanString(":back:loginscreen_root"));
        ShowLoginError(MenuText(12), MenuText(28), 2, nullptr);
        return 0;
    }
    if (m_extStatus == CVortanString("new")) {
        if (GetConfirmedUserName().IsEmpty()) {
            if (m_pageRoot)
                m_pageRoot->NavigateTo(CVortanString("loginscreen_playername"));
        } else {
            CreateAccountExternal(GetConfirmedUserName(), m_extId, m_extToken);
            ClearExternalLogin();
        }
        return 1;
    }
    const CVortanString status = m_extStatus;
    if (m_pageRoot)
        m_pageRoot->NavigateTo(CVortanString(":back:loginscreen_root"));
    ShowLoginError(MenuText(12), status, 2, nullptr);
    ClearExternalLogin();
    return 1;
}

int COrloMenuState::OnGoogleLoaded(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    return menu->OnExternalPageLoaded();
}

int COrloMenuState::OnTosShow(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    (void)menu;
    return 1;
}
