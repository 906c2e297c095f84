// COrloMenuState: the loading page, the message dialog's buttons and the two error pages.
#include "online/menu/OrloMenuState.h"

#include "platform/OrloStatsEntry.h"
#include "platform/OrloStatsStore.h"
#include "platform/OrlogateApplication.h"
#include "ui/Widget.h"
#include "ui/WidgetCast.h"
#include "ui/layouts/PageView.h"
#include "ui/widgets/TextWidget.h"

void COrloMenuState::SetTextOf(CWidget* widget, const CVortanString& text)
{
    CTextWidget* field = WidgetCast<CTextWidget>(widget);
    if (field)
        field->SetText(text);
}

void COrloMenuState::ShowLoading(const CVortanString& title, const CVortanString& description)
{
    m_loading = 1;
    m_loadingTimeout = ORLO_MENU_LOADING_TIMEOUT;
    if (m_pageRoot && m_pageRoot->GetCurrentPage() &&
        GetCurrentPageName() != CVortanString("loading_dialog")) {
        m_savedShown = IsMenuShown() ? 1 : 0;
        SetTextOf(FindFromPages("//loading_dialog//text_title"), title);
        SetTextOf(FindFromPages("//loading_dialog//text_description"), description);
    }
    SetMenuShown(true);
    if (m_orloButtonRoot)
        m_orloButtonRoot->SetVisible(false);
    if (m_pageRoot)
        m_pageRoot->NavigateTo(CVortanString("loading_dialog"));
}

void COrloMenuState::HideLoading()
{
    m_loading = 0;
    m_loadingTimeout = 0.0f;
    if (m_pageRoot && GetCurrentPageName() == CVortanString("loading_dialog")) {
        m_pageRoot->NavigateTo(CVortanString(":back"));
        if (GetLoginState() == 2 && m_orloButtonRoot)
            m_orloButtonRoot->SetVisible(true);
        SetMenuShown(m_savedShown != 0);
    }
    if (m_joinHintDismissed || m_showJoinHint)
        return;
    COrlogateApplication* gate = Gate();
    COrloStatsStore* settings = gate ? gate->GetSettings() : nullptr;
    COrloStatsEntry* times =
        settings ? settings->Find(CVortanString("__Orlo_TimesLoggedIn")) : nullptr;
    if (times && times->kind == ORLO_STATS_INT && times->intValue < 4)
        m_showJoinHint = 1;
}

void COrloMenuState::ShowShopError(int code, const CVortanString& text)
{
    if (!m_pageRoot)
        return;
    if (code < 0) {
        CWidget* page = m_pageRoot->NavigateTo(CVortanString("generic_error_dialog_more_coins"));
        if (page && page->GetName() == CVortanString("generic_error_dialog_more_coins")) {
            SetTextOf(page->FindChild(CVortanString("error-text"), -1), text);
            COrloNetworkSession* session = GetSession();
            if (session)
                session->SendGetCoinBalance();
        }
        return;
    }
    CWidget* page = m_pageRoot->NavigateTo(CVortanString("generic_error_dialog"));
    if (page && page->GetName() == CVortanString("generic_error_dialog"))
        SetTextOf(page->FindChild(CVortanString("error-text"), -1), text);
}

int COrloMenuState::OnDialogButton(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    COrloNetworkSession* session = menu->GetSession();
    if (session) {
        if (session->IsJoined())
            session->SendLeave();
        // Only a challenge of the user's own is withdrawn.
        if (menu->m_pendingChallenger >= 0 &&
            menu->m_pendingChallenger == session->GetOwnPlayerId())
            session->SendChallengeReply(menu->m_pendingChallenger, 0, CVortanString());
    }
    CWidget* dialog = menu->FindInTree("dialog_box");
    if (dialog)
        dialog->SetVisible(false);
    return 1;
}
