// CVexConnectingState: the countdown, the time-out and the ways back to the menu.
#include "game/VexConnectingState.h"

#include <stdio.h>

#include "engine/VortanRect.h"
#include "engine/graphics/VortanGraphicsContext.h"
#include "game/StateGame.h"
#include "game/VexAssetLoader.h"
#include "game/VexButton.h"
#include "game/VexButtonManager.h"
#include "game/VexDotField.h"
#include "game/VexMenuState_Parts.h"
#include "game/VexRenderer.h"
#include "platform/OrloApplication.h"
#include "platform/OrloLanguage.h"

namespace {
const int kTitleImage = 1;
const int kLoaderImage = 2;
const int kExitImage = 12;
const int kDots = 15;
const int kWaitingText = 14;
const u32 kTextFlags = 0x80 | VEX_TEXT_MIDDLE | VEX_TEXT_CENTER_X;
} // namespace

CVexConnectingState::CVexConnectingState()
    : m_dots(nullptr), m_startTime(0.0f), m_countdown(10), m_leaving(0), m_buttons(nullptr)
{}

CVexConnectingState::~CVexConnectingState()
{
    Release();
}

float CVexConnectingState::Elapsed() const
{
    return (float)m_game->GetGameClock() / 1000.0f - m_startTime;
}

int CVexConnectingState::Init(CStateGame* game)
{
    CVexState::Init(game);
    m_typeId = VEX_STATE_CONNECTING;
    m_leaving = 0;
    m_startTime = game ? (float)game->GetGameClock() / 1000.0f : 0.0f;
    m_countdown = 10;
    COrloApplication* host = game ? game->GetHostApplication() : nullptr;
    if (host) {
        CVexGameContext* context = game->GetGameContext();
        CVexAssetLoader::LoadFont(context, host);
        for (int id : {kTitleImage, kLoaderImage, kExitImage})
            CVexAssetLoader::LoadImage(context, host, id);
    }
    m_buttons = NewScreenButtons(m_renderer, this);
    m_dots = NewScreenDots(game, m_renderer, kDots);
    m_nextState = VEX_STATE_MENU;
    const float w = m_renderer ? m_renderer->GetViewWidth() : 0.0f;
    const float h = m_renderer ? m_renderer->GetViewHeight() : 0.0f;
    if (m_buttons)
        m_buttons->AddButton(CVortanVector2(w * 0.5f, h - w / 30.0f),
                             CVortanVector2(w / 30.0f, w / 30.0f), kExitImage, 0, 0);
    return VORTAN_OK;
}

void CVexConnectingState::Release()
{
    delete m_buttons;
    m_buttons = nullptr;
    delete m_dots;
    m_dots = nullptr;
}

void CVexConnectingState::Reset()
{
    CVexState::Reset();
    m_nextState = VEX_STATE_MENU;
}

void CVexConnectingState::ReloadGraphics()
{
    if (m_buttons)
        m_buttons->ReloadImages();
}

void CVexConnectingState::Leave()
{
    // Every way out tells the service, each time it is taken; past the wait this runs on every
    // step until the screen has gone (once its exit button has settled).
    m_game->SendLeave();
    m_leaving = 1;
    m_nextState = VEX_STATE_MENU;
}

void CVexConnectingState::OnButtonClicked(CVexButton* button)
{
    if (button && button->id == 0)
        Leave();
}

void CVexConnectingState::OnBack(int value)
{
    (void)value;
    Leave();
}

void CVexConnectingState::Update(float dt)
{
    if (m_buttons)
        m_buttons->Update(dt);
    if (m_dots)
        m_dots->Update(dt);
    const float t = Elapsed();
    if (t > VEX_CONNECTING_WAIT)
        Leave();
    int countdown = (int)((VEX_CONNECTING_WAIT - t) / VEX_CONNECTING_WAIT * 10.0f) + 1;
    m_countdown = countdown < 1 ? 1 : (countdown > 10 ? 10 : countdown);
    if (m_leaving && !(m_buttons && m_buttons->IsBusy()))
        SetDone();
    m_nextState = VEX_STATE_MENU;
}

void CVexConnectingState::Render()
{
    IVortanGraphicsContext* graphics = m_renderer ? m_renderer->GetContext() : nullptr;
    if (!graphics)
        return;
    const float w = m_renderer->GetViewWidth(), h = m_renderer->GetViewHeight();
    const float s = Elapsed();
    m_renderer->DrawScreenQuad(CVortanVector2(w * 0.5f, h * 0.5f), CVortanVector2(h, h * 0.5f),
                               m_renderer->GetImage(kTitleImage), 0xFFFFFFFFu);
    const CVortanFloatRect all = {0.0f, 0.0f, 1.0f, 1.0f};
    graphics->DarkenUnit(&all, 0.2f);
    if (m_dots)
        m_dots->Render();
    m_renderer->DrawSprite(CVortanVector2(w * 0.5f, 0.6f * h), CVortanVector2(w / 15.0f, w / 15.0f),
                           0xFFFFFFFFu, 0, 0, 1, 1, s * 3.0f, m_renderer->GetImage(kLoaderImage));
    if (COrloLanguage* language = m_game->GetLanguageObject())
        m_renderer->DrawText((int)(w * 0.5f), (int)(0.4f * h), language->GetText(kWaitingText),
                             0xFFFFFFFFu, kTextFlags);
    char count[16];
    snprintf(count, sizeof(count), "%d", m_countdown);
    m_renderer->DrawText((int)(w * 0.5f), (int)(0.6f * h), CVortanString(count), 0xFFFFFFFFu,
                         kTextFlags);
    if (m_buttons)
        m_buttons->Render();
}
