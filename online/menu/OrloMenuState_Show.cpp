// COrloMenuState: showing and hiding the menu, the Orlo button's toggle, its turn clock and its
// attention shake.
#include "online/menu/OrloMenuState.h"

#include "engine/VortanMD5.h"
#include "engine/platform/VortanApplication.h"
#include "platform/OrloDevice.h"
#include "platform/OrloStatsEntry.h"
#include "platform/OrloStatsStore.h"
#include "platform/OrlogateApplication.h"
#include "ui/Widget.h"
#include "ui/WidgetCast.h"
#include "ui/layouts/PageView.h"
#include "ui/widgets/Bubble.h"
#include "ui/widgets/Button.h"
#include "ui/widgets/ImageWidget.h"
#include "ui/widgets/PieWidget.h"

namespace {

const char kTimesReturnGame[] = "__Orlo_TimesReturnGame";
// Seconds the button rests before it shakes, and the phase speed of a shake.
const float kShakeRest = 5.0f;
const float kShakeSpeed = 1.8f;

} // namespace

bool COrloMenuState::IsMenuShown()
{
    if (!m_uiRoot)
        return false;
    if (m_pageRoot && m_pageRoot->IsVisible())
        return true;
    CWidget* dialog = FindInTree("dialog_box");
    if (dialog && dialog->IsVisible())
        return true;
    CWidget* confirm = FindInTree("confirm_box");
    return confirm && confirm->IsVisible();
}

void COrloMenuState::SetMenuShown(bool shown)
{
    if (!m_pageRoot || m_pageRoot->IsVisible() == shown)
        return;
    m_pageRoot->SetVisible(shown);
    m_pageRoot->FinishTransitions();
    // A rebuild restores the state the game already knows: no switch to tell.
    if (!m_game || m_rebuilding)
        return;
    if (shown)
        m_game->OnMenuShown();
    else
        m_game->OnMenuHidden();
}

void COrloMenuState::ShowPage(const CVortanString& page, int shown)
{
    if (m_pageRoot)
        m_pageRoot->NavigateTo(page);
    SetMenuShown(shown != 0);
}

void COrloMenuState::GoToHomePage()
{
    if (!m_pageRoot)
        return;
    ShowStartScreen();
    m_pageRoot->ClearHistory();
    if (!IsGuest() && GetLoginState() == 2)
        m_pageRoot->NavigateTo(CVortanString("startscreen_root"));
    else
        m_pageRoot->NavigateTo(CVortanString("loginscreen_root"));
}

void COrloMenuState::ShowNotice(const CVortanString& text)
{
    COrlogateApplication* gate = Gate();
    if (gate)
        gate->OnNotification(gate->GetNetworkSession(), 0, 0, text);
}

void COrloMenuState::BuildGamePageLink(CVortanString& out)
{
    out.Empty();
    COrlogateApplication* gate = Gate();
    IOrloNetworkSession* session = gate ? gate->GetNetworkSession() : nullptr;
    if (!session)
        return;
    COrloNetworkSession* concrete = GetSession();
    CVortanString forward(m_serverHost);
    forward.Append(CVortanString("/forward"));
    const CVortanString check = session->BuildLinkToken();
    CVortanString query = concrete ? concrete->GetGameQuery() : CVortanString();
    out = CVortanString("https://");
    out.Append(forward);
    out.Append(CVortanString("?link=orlo_game&token="));
    out.Append(session->GetLoginToken());
    out.Append(CVortanString("&check="));
    out.Append(check);
    out.Append(query);
}

void COrloMenuState::ToggleMenu()
{
    if (!m_pageRoot) {
        COrlogateApplication* gate = Gate();
        COrloDevice* device = gate ? gate->GetDevice() : nullptr;
        CVortanString link;
        BuildGamePageLink(link);
        if (device && !link.IsEmpty())
            device->OpenUrl(link);
        return;
    }
    // Not logged in, the menu stays up, except over a failed login: the player may go on
    // with the game's own menu while the service is away.
    if (GetLoginState() == 0 && !(IsMenuShown() && IsOnLoginErrorPage())) {
        SetMenuShown(true);
        return;
    }
    if (!IsGuest() || !m_inMatch) {
        SetMenuShown(!IsMenuShown());
        return;
    }
    if (!IsMenuShown())
        ShowPage(CVortanString("chat_root"), 1);
    else
        SetMenuShown(false);
}

int COrloMenuState::OnToggleOrloMenu(CWidget* sender, COrloMenuState* menu)
{
    (void)sender;
    menu->ToggleMenu();
    bool hint = false;
    if (menu->m_pageRoot && menu->m_pageRoot->IsVisible() &&
        menu->GetCurrentPageName() == CVortanString("startscreen_root")) {
        COrlogateApplication* gate = menu->Gate();
        COrloStatsStore* settings = gate ? gate->GetSettings() : nullptr;
        if (settings) {
            COrloStatsEntry* times = settings->Find(CVortanString(kTimesReturnGame));
            if (times) {
                times->SetInt(times->intValue + 1);
            } else {
                times = settings->AddEntry(CVortanString(kTimesReturnGame));
                if (times)
                    times->SetInt(1);
            }
            settings->Save();
            hint = times && times->intValue < 4;
        }
    }
    if (menu->m_joinBubble)
        menu->m_joinBubble->SetVisible(false);
    menu->m_joinHintDismissed = 1;
    if (menu->m_returnGameBubble)
        menu->m_returnGameBubble->SetVisible(hint && menu->m_inMatch);
    return 1;
}

void COrloMenuState::UpdateTurnClock()
{
    const float value = m_game ? m_game->GetTurnClock() : 0.0f;
    if (!m_orloButton)
        return;
    CWidget* image = m_orloButton->FindChild(CVortanString("orlo-image"), -1);
    CWidget* timer = m_orloButton->FindChild(CVortanString("orlo-timer"), -1);
    if (!image || !timer)
        return;
    if (value > 0.0f && m_pageRoot && m_pageRoot->IsVisible()) {
        image->SetVisible(false);
        timer->SetVisible(true);
        CPieWidget* pie =
            WidgetCast<CPieWidget>(timer->FindChild(CVortanString("orlo-turn-clock"), -1));
        if (!pie && timer->GetName() == CVortanString("orlo-turn-clock"))
            pie = WidgetCast<CPieWidget>(timer);
        if (pie)
            pie->SetAngle(value * 6.2831855f);
    } else {
        image->SetVisible(true);
        timer->SetVisible(false);
    }
}

void COrloMenuState::UpdateOrloButtonAnimation(float dt)
{
    if (!m_orloButton)
        return;
    CWidget* parent = m_orloButton->GetParent();
    CImageWidget* image =
        parent ? WidgetCast<CImageWidget>(parent->FindChild(CVortanString("orlo-image"), -1))
               : nullptr;
    if (m_shakeState == 0) {
        if (m_orloButton->GetClickCount() != 0 || !IsGuest())
            return;
        m_shakeClock += dt;
        if (m_shakeClock <= kShakeRest)
            return;
        m_shakeClock = 0.0f;
        if (image)
            image->StartFadeIn();
        m_shakeState = 1;
        m_shakePhase = 0.0f;
        m_shakeHomeRect = m_orloButton->GetRect();
        if (m_application)
            m_application->ResetIdle();
        return;
    }
    m_shakePhase += dt * kShakeSpeed;
    if (m_shakePhase > 2.0f) {
        m_shakePhase = 0.0f;
        m_orloButton->SetRect(m_shakeHomeRect);
        const int draw = IVortanApplication::RandomInt(0, 4);
        if (draw < 2 && m_orloButton->GetClickCount() == 0 && IsGuest()) {
            if (image)
                image->StartFadeIn();
        } else {
            m_shakeState = 0;
        }
        return;
    }
    const float factor = m_shakePhase < 1.0f ? m_shakePhase : 2.0f - m_shakePhase;
    const int width = m_shakeHomeRect.right - m_shakeHomeRect.left;
    const int amplitude = (int)((float)(width / 32) * factor);
    const int dx = IVortanApplication::RandomInt(-amplitude, amplitude);
    const int dy = IVortanApplication::RandomInt(-amplitude, amplitude);
    CVortanRect moved = m_shakeHomeRect;
    moved.left += dx;
    moved.right += dx;
    moved.top += dy;
    moved.bottom += dy;
    m_orloButton->SetRect(moved);
}
