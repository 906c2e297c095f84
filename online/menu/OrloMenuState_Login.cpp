// COrloMenuState: the login controller's callbacks, the login form's stored fields, the
// handlers that close the thank-you page, stop the relogin and leave the program, and the
// item pack check after a login.
#include "online/menu/OrloMenuState.h"

#include "online/menu/OrloServerImage.h"
#include "platform/OrloLanguage.h"
#include "platform/OrlogateApplication.h"
#include "ui/Widget.h"
#include "ui/WidgetCast.h"
#include "ui/layouts/PageView.h"
#include "ui/widgets/Bubble.h"
#include "ui/widgets/TextWidget.h"
#include "ui/widgets/ToggleButton.h"
#include "ui/widgets/WebButton.h"

void COrloMenuState::RestoreLoginFields()
{
    CTextWidget* name = WidgetCast<CTextWidget>(FindFromPages("//loginscreen_input//user_login"));
    CTextWidget* password =
        WidgetCast<CTextWidget>(FindFromPages("//loginscreen_input//user_password"));
    CToggleButton* autoLogin =
        WidgetCast<CToggleButton>(FindFromPages("//loginscreen_input//user_autologin"));
    if (name && password && autoLogin) {
        name->SetText(CVortanString());
        password->SetText(CVortanString());
        if (!CanAutoLogin()) {
            name->SetDisplayText(CVortanString());
            password->SetDisplayText(CVortanString());
            autoLogin->SetState(0);
        } else {
            // The stored password itself never enters the form.
            name->SetDisplayText(GetStoredUserName());
            password->SetDisplayText(GetStoredPassword().IsEmpty() ? CVortanString()
                                                                   : CVortanString("*****"));
            autoLogin->SetState(1);
        }
    }
    m_extStatus.Empty();
    m_extId.Empty();
    m_extToken.Empty();
    // Whoever logs in next starts from empty lists.
    ClearPlayerLists();
}

void COrloMenuState::OnLoginSucceeded(const CVortanString& playerName, const CVortanString& token,
                                      int justRegistered)
{
    (void)token;
    if (!m_pageRoot)
        return;
    HideLoading();
    UpdateChatButtons(false);
    GoToHomePage();
    bool shown = false;
    const CVortanString& confirmed = GetConfirmedUserName();
    if (GetMode() != 0 && !confirmed.IsEmpty() && confirmed != playerName) {
        ShowPage(CVortanString("loginscreen_nameconflict"), 1);
        shown = true;
    } else if (justRegistered) {
        ShowPage(CVortanString("loginscreen_thank"), 1);
        shown = true;
    }
    // The welcome text comes from a language pack: formatted safely.
    CVortanString welcome;
    CVortanFormatArg arg(playerName.GetBuffer());
    welcome.FormatArgs(MenuText(36).GetBuffer(), &arg, 1);
    COrlogateApplication* gate = Gate();
    if (gate)
        gate->ShowToast(welcome, 6.0f, 0);
    ShowLoading(MenuText(33), MenuText(34));
    m_itemCheckPending = 1;
    m_savedShown = shown ? 1 : 0;
    COrloNetworkSession* session = GetSession();
    if (session) {
        session->SendShortIntMessage(513);
        session->SendString2Message(CVortanString("moregames"), CVortanString());
        session->SendString2Message(CVortanString("tournaments"), CVortanString());
    }
}

void COrloMenuState::ShowLoginError(const CVortanString& title, const CVortanString& message,
                                    int optionBits, const CVortanString* updateLink)
{
    if (m_joinBubble)
        m_joinBubble->SetVisible(false);
    CWidget* page =
        m_pageRoot ? m_pageRoot->FindChild(CVortanString("loginscreen_error"), 1) : nullptr;
    if (page) {
        SetTextOf(page->FindChild(CVortanString("loginerror_title"), -1), title);
        SetTextOf(page->FindChild(CVortanString("loginerror_message"), -1), message);
        CWidget* recover = page->FindChild(CVortanString("button_recover"), -1);
        if (recover)
            recover->SetVisible((optionBits & 1) != 0);
        CWidget* update = page->FindChild(CVortanString("button_update"), -1);
        CWidget* again = page->FindChild(CVortanString("button_tryagain"), -1);
        // Only a web address of bounded length is offered as a link.
        const bool link = updateLink && IsServerLink(*updateLink);
        if (update) {
            update->SetVisible(link);
            CWebButton* web = WidgetCast<CWebButton>(update);
            if (web && link)
                web->SetUrl(*updateLink);
        }
        if (again) {
            again->SetVisible(!link);
            if (!link)
                SetTextOf(again->FindChild(CVortanString("label_tryagain"), -1),
                          MenuText((optionBits & 2) ? 10 : 11));
        }
    }
    HideLoading();
    if (m_pageRoot)
        m_pageRoot->NavigateTo(CVortanString("loginscreen_error"));
    SetMenuShown(true);
    // The round button stays at hand: it closes the menu over a failed login.
    if (m_orloButtonRoot)
        m_orloButtonRoot->SetVisible(true);
}

bool COrloMenuState::IsOnLoginErrorPage()
{
    return m_pageRoot && GetCurrentPageName() == CVortanString("loginscreen_error");
}

void COrloMenuState::ShowConnectionError(const CVortanString& text)
{
    ShowLoginError(MenuText(12), MenuText(13), 0, &text);
}

void COrloMenuState::ShowLoginScreen()
{
    RestoreLoginFields();
    if (m_pageRoot)
        m_pageRoot->NavigateTo(CVortanString("loginscreen_root"));
    if (m_orloButtonRoot)
        m_orloButtonRoot->SetVisible(false);
    SetMenuShown(true);
    m_inMatch = 0;
    if (m_joinBubble)
        m_joinBubble->SetVisible(false);
    m_joinHintDismissed = 1;
}

void COrloMenuState::OnUserNameChecked(bool accepted, const CVortanString& text)
{
    CWidget* page =
        m_pageRoot ? m_pageRoot->FindChild(CVortanString("loginscreen_playername"), 1) : nullptr;
    if (!accepted) {
        CWidget* loading = page ? page->FindChild(CVortanString("username_loading"), -1) : nullptr;
        if (loading)
            loading->SetVisible(false);
        CWidget* taken = page ? page->FindChild(CVortanString("text_usernametaken"), -1) : nullptr;
        SetTextOf(taken, text);
        if (taken)
            taken->SetVisible(true);
        return;
    }
    if (m_extStatus == CVortanString("new")) {
        CTextWidget* input =
            WidgetCast<CTextWidget>(FindFromPages("//loginscreen_playername//input_playername"));
        if (!input) {
            ShowLoginError(MenuText(14), MenuText(15), 2, nullptr);
            return;
        }
        const CVortanString name = input->GetText();
        CreateAccountExternal(name, m_extId, m_extToken);
        m_extStatus.Empty();
        m_extId.Empty();
        m_extToken.Empty();
        return;
    }
    if (m_pageRoot)
        m_pageRoot->NavigateTo(CVortanString("loginscreen_confirm"));
}

void COrloMenuState::ShowReconnecting()
{
    m_inMatch = 0;
    m_itemCheckPending = 0;
    HideLoading();
    ShowLoading(MenuText(35), MenuText(34));
}

void COrloMenuState::ShowPlayerNameScreen()
{
    m_extStatus = CVortanString("new");
    if (m_pageRoot)
        m_pageRoot->NavigateTo(CVortanString("loginscreen_playername"));
}

int COrloMenuState::OnThankYouClose(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    menu->SetMenuShown(false);
    return 1;
}

int COrloMenuState::OnCancelAutoRelogin(CWidget* sender, COrloMenuState* menu)
{
    bool onErrorPage = false;
    bool onLoadingPage = false;
    for (CWidget* at = sender; at; at = at->GetParent()) {
        if (at->GetName() == CVortanString("loginscreen_error"))
            onErrorPage = true;
        if (at->GetName() == CVortanString("loading_dialog"))
            onLoadingPage = true;
    }
    // Over the item check that follows a login the player is in already: Cancel leaves the
    // loading page as its time-out would (the check goes on behind it), not for the login form.
    if (onLoadingPage && menu->GetLoginState() == 2) {
        menu->SetReloginTimer(0.0f);
        menu->HideLoading();
        return 0;
    }
    // "Try again" on the failed-login page tries again: after a service that did not answer
    // it logs in again at once with what the controller holds (a guest as a guest) behind the
    // loading page, and the automatic retries go on; the button does not go on to the account
    // form (0).
    if (onErrorPage &&
        (menu->IsLoginUnanswered() || (menu->IsGuest() && menu->GetLoginState() == 0))) {
        menu->ShowLoading(menu->MenuText(35), menu->MenuText(34));
        menu->TryLoginAgain();
        return 0;
    }
    // After a refusal (or on the form's own pages) the automatic retries stop and the player
    // is back at the account form, which keeps the round button hidden.
    menu->SetReloginTimer(0.0f);
    if (onErrorPage && menu->GetLoginState() == 0 && menu->m_orloButtonRoot)
        menu->m_orloButtonRoot->SetVisible(false);
    return 1;
}

int COrloMenuState::OnExitApp(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    // An edition without adverts quits at once; otherwise the application may show its
    // advert on the way out.
    COrlogateApplication* gate = menu->Gate();
    if (menu->m_game && menu->m_game->GetEditionFlag() != 0) {
        if (menu->m_application)
            menu->m_application->RequestQuit();
    } else if (gate) {
        gate->ExitApplication(true);
    } else if (menu->m_application) {
        menu->m_application->RequestQuit();
    }
    return 1;
}
