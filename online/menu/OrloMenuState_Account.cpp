// COrloMenuState: the login and registration pages' handlers, the name and e-mail checks.
#include "online/menu/OrloMenuState.h"

#include "platform/OrloStatsEntry.h"
#include "platform/OrloStatsStore.h"
#include "platform/OrlogateApplication.h"
#include "ui/Widget.h"
#include "ui/WidgetCast.h"
#include "ui/layouts/PageView.h"
#include "ui/widgets/PageButton.h"
#include "ui/widgets/TextWidget.h"
#include "ui/widgets/ToggleButton.h"

namespace {

const char kAccountNameAlphabet[] =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ01234567890-_";
const char kEmailAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ01234567890-_@.";
const char kTimesNewPlayer[] = "__Orlo_TimesNewPlayer";

// Whether every unit of the text is one of the alphabet's characters.
bool AllIn(const CVortanString& text, const char* alphabet)
{
    const unsigned short* units = text.GetBuffer();
    for (int i = 0; i < text.GetLength(); ++i) {
        bool found = false;
        for (const char* a = alphabet; *a && !found; ++a)
            found = units[i] == (unsigned short)(unsigned char)*a;
        if (!found)
            return false;
    }
    return true;
}

// The named widget below the sender's page: its nearest ancestor called "page_root", or else
// the page itself (the ancestor that a page view holds).
CWidget* FindFromPageRoot(CWidget* sender, const char* name)
{
    for (CWidget* w = sender; w; w = w->GetParent()) {
        CWidget* parent = w->GetParent();
        if (w->GetName() == CVortanString("page_root") || (parent && WidgetCast<CPageView>(parent)))
            return w->FindChild(CVortanString(name), -1);
    }
    return nullptr;
}

void Hide(CWidget* widget)
{
    if (widget)
        widget->SetVisible(false);
}

void Show(CWidget* widget)
{
    if (widget)
        widget->SetVisible(true);
}

} // namespace

bool COrloMenuState::ValidatePlayerName(const CVortanString& name)
{
    int message = 0;
    if (name.GetLength() < 4 || name.GetLength() > 15)
        message = 16;
    else if (!AllIn(name, kAccountNameAlphabet))
        message = 17;
    else if (name == CVortanString("guest"))
        message = 18;
    if (message == 0)
        return true;
    ShowLoginError(MenuText(12), MenuText(message), 2, nullptr);
    return false;
}

bool COrloMenuState::ValidateEmail(const CVortanString& email)
{
    int message = 0;
    if (email.GetLength() < 6 || email.GetLength() > 256)
        message = 19;
    else if (!AllIn(email, kEmailAlphabet))
        message = 20;
    if (message == 0)
        return true;
    ShowLoginError(MenuText(12), MenuText(message), 2, nullptr);
    return false;
}

int COrloMenuState::OnLoginOrlogate(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    CTextWidget* name =
        WidgetCast<CTextWidget>(menu->FindFromPages("//loginscreen_input//user_login"));
    CTextWidget* password =
        WidgetCast<CTextWidget>(menu->FindFromPages("//loginscreen_input//user_password"));
    CToggleButton* autoLogin =
        WidgetCast<CToggleButton>(menu->FindFromPages("//loginscreen_input//user_autologin"));
    if (!name || !password || !autoLogin)
        return 0;
    const bool keep = autoLogin->GetState() != 0;
    // Fields untouched since they were restored: the stored credentials log in again.
    if (menu->CanAutoLogin() && !menu->GetStoredUserName().IsEmpty() &&
        !menu->GetStoredPassword().IsEmpty() && name->GetText().IsEmpty() &&
        password->GetText().IsEmpty() && !name->GetDisplayText().IsEmpty() &&
        !password->GetDisplayText().IsEmpty()) {
        menu->SetAutoLogin(keep);
        menu->CLoginController::Reconnect();
    } else {
        const CVortanString typed =
            name->GetText().IsEmpty() ? name->GetDisplayText() : name->GetText();
        const bool ok =
            typed.Find('@', 0) >= 0 ? menu->ValidateEmail(typed) : menu->ValidatePlayerName(typed);
        if (!ok)
            return 0;
        // Copies: the login empties the form before it keeps the texts.
        const CVortanString secret = password->GetText();
        menu->Login(typed, secret, keep);
    }
    menu->ShowLoading(menu->MenuText(35), menu->MenuText(34));
    return 1;
}

int COrloMenuState::OnAutoLoginToggled(CWidget* sender, COrloMenuState* menu)
{
    CToggleButton* toggle = WidgetCast<CToggleButton>(sender);
    if (!toggle)
        return 1;
    menu->SetAutoLogin(toggle->GetState() != 0);
    if (toggle->GetState() == 0) {
        CTextWidget* password =
            WidgetCast<CTextWidget>(menu->FindFromPages("//loginscreen_input//user_password"));
        if (password) {
            password->SetText(CVortanString());
            password->SetDisplayText(CVortanString());
        }
    }
    return 1;
}

int COrloMenuState::OnLoginShow(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    menu->ClearAccountFields();
    CTextWidget* input =
        WidgetCast<CTextWidget>(menu->FindFromPages("//loginscreen_playername//input_playername"));
    if (input)
        input->SetText(CVortanString());
    COrlogateApplication* gate = menu->Gate();
    COrloStatsStore* settings = gate ? gate->GetSettings() : nullptr;
    if (menu->IsGuest() && settings) {
        COrloStatsEntry* times = settings->Find(CVortanString(kTimesNewPlayer));
        if (times) {
            times->SetInt(times->intValue + 1);
        } else {
            times = settings->AddEntry(CVortanString(kTimesNewPlayer));
            if (times)
                times->SetInt(1);
        }
        settings->Save();
    }
    return 1;
}

int COrloMenuState::OnPlayerNameShow(CWidget* sender, COrloMenuState* menu)
{
    CWidget* terms = sender ? sender->FindChild(CVortanString("tos_elements"), 1) : nullptr;
    if (!terms)
        return 1;
    terms->SetVisible(menu->m_extStatus == CVortanString("new"));
    Hide(FindFromPageRoot(terms, "username_loading"));
    Hide(FindFromPageRoot(terms, "text_usernametaken"));
    return 1;
}

int COrloMenuState::OnValidateUser(CWidget* sender, COrloMenuState* menu)
{
    CWidget* terms = FindFromPageRoot(sender, "tos_elements");
    if (terms && terms->IsVisible()) {
        CToggleButton* agree =
            WidgetCast<CToggleButton>(terms->FindChild(CVortanString("button_agree"), -1));
        if (agree && agree->GetState() == 0) {
            menu->ShowLoginError(menu->MenuText(12), menu->MenuText(26), 2, nullptr);
            return 0;
        }
    }
    CTextWidget* input =
        WidgetCast<CTextWidget>(menu->FindFromPages("//loginscreen_playername//input_playername"));
    if (!input || !menu->ValidatePlayerName(input->GetText()))
        return 0;
    Hide(FindFromPageRoot(sender, "text_usernametaken"));
    Show(FindFromPageRoot(sender, "username_loading"));
    const CVortanString name = input->GetText();
    menu->ValidateUserName(name);
    return 1;
}

int COrloMenuState::OnConfirmShow(CWidget* sender, COrloMenuState* menu)
{
    (void)menu;
    CToggleButton* agree = WidgetCast<CToggleButton>(
        sender ? sender->FindChild(CVortanString("button_agree"), -1) : nullptr);
    if (agree)
        agree->SetState(0);
    return 1;
}

int COrloMenuState::OnUserNameChanged(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    CTextWidget* password =
        WidgetCast<CTextWidget>(menu->FindFromPages("//loginscreen_email//input_password"));
    if (password)
        password->SetText(CVortanString());
    return 1;
}

int COrloMenuState::OnValidateEmail(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    CTextWidget* name =
        WidgetCast<CTextWidget>(menu->FindFromPages("//loginscreen_playername//input_playername"));
    CTextWidget* email =
        WidgetCast<CTextWidget>(menu->FindFromPages("//loginscreen_email//input_email"));
    CTextWidget* password =
        WidgetCast<CTextWidget>(menu->FindFromPages("//loginscreen_email//input_password"));
    if (!name || !email || !password)
        return 0;
    const CVortanString playerName = name->GetText();
    const CVortanString address = email->GetText();
    const CVortanString secret = password->GetText();
    if (!menu->ValidateEmail(address))
        return 0;
    if (secret.GetLength() < 4) {
        menu->ShowLoginError(menu->MenuText(12), menu->MenuText(27), 2, nullptr);
        return 0;
    }
    menu->CreateAccount(playerName, secret, address);
    return 1;
}

int COrloMenuState::OnInitLoginName(CWidget* sender, COrloMenuState* menu)
{
    CTextWidget* text = WidgetCast<CTextWidget>(sender);
    if (text)
        text->SetText(menu->CLoginController::GetUserName());
    return 1;
}

int COrloMenuState::OnInitRegisterName(CWidget* sender, COrloMenuState* menu)
{
    CTextWidget* text = WidgetCast<CTextWidget>(sender);
    if (text)
        text->SetText(menu->GetNewUserName());
    return 1;
}

int COrloMenuState::OnCheckTos(CWidget* sender, COrloMenuState* menu)
{
    CPageButton* button = WidgetCast<CPageButton>(sender);
    CToggleButton* agree = WidgetCast<CToggleButton>(FindFromPageRoot(sender, "button_agree"));
    if (button && agree && agree->GetState() == 0) {
        // This click must not take the user on.
        button->SetInputLockTime(0.1f);
        button->SetPageView(nullptr);
        menu->ShowLoginError(menu->MenuText(12), menu->MenuText(26), 2, nullptr);
        return 0;
    }
    // No web view exists here: the external login page stays empty.
    return 1;
}
