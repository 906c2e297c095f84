// CVexIntroState: the strip of story panels, the torch overlay's fades, the closing fade to
// black and the ways out.
#include "game/VexIntroState.h"

#include "engine/VortanRect.h"
#include "engine/graphics/VortanGraphicsContext.h"
#include "game/StateGame.h"
#include "game/VexAssetLoader.h"
#include "game/VexAssetTables.h"
#include "game/VexButtonManager.h"
#include "game/VexMenuState_Parts.h"
#include "game/VexRenderer.h"
#include "platform/OrloApplication.h"

namespace {
const int kIntroTune = 1;
const int kSkipImage = 12;
const int kIntroImages[] = {12, 59, 60, 9, 8}; // the skip button and the sound controls
const char* const kOverlayName = "torch.png";
const float kSpeed = 0.23f;      // panel widths per second
const float kFadeStart = 1.5f;   // the last picture stays this long (fade above 1)...
const float kFadeSeconds = 3.0f; // ...then goes black over this long
const float kOverlayRate = 128.0f;
const int kPanelsAhead = 3; // fewer loaded panels are made up one per advance

// The overlay's frame clock (tenths of seconds); it runs on from one intro to the next.
float g_frameClock = 0.0f;
} // namespace

CVexIntroState::CVexIntroState()
    : m_leaving(0), m_overlay(nullptr), m_buttons(nullptr), m_loadedPanels(0), m_armed(0),
      m_stopped(0), m_finished(0), m_fade(kFadeStart), m_overlayAlpha(0.0f), m_overlayState(0),
      m_overlayFrame(0), m_lastTime(0)
{
    for (int i = 0; i < 4; ++i)
        m_overlayRect[i] = 0.0f;
    for (int k = 0; k < VEX_INTRO_PANELS; ++k) {
        for (int i = 0; i < 4; ++i)
            m_panels[k][i] = 0.0f;
        m_panelImages[k] = nullptr;
        m_panelLoaded[k] = 0;
    }
}

CVexIntroState::~CVexIntroState()
{
    Release();
}

int CVexIntroState::Init(CStateGame* game)
{
    CVexState::Init(game);
    m_typeId = VEX_STATE_INTRO;
    m_leaving = m_armed = m_stopped = m_finished = 0;
    m_fade = kFadeStart;
    m_overlayAlpha = 0.0f;
    m_overlayState = 0;
    const float w = m_renderer ? m_renderer->GetViewWidth() : 0.0f;
    const float h = m_renderer ? m_renderer->GetViewHeight() : 0.0f;
    m_overlayRect[0] = 0.0f;
    m_overlayRect[1] = 0.0f;
    m_overlayRect[2] = w;
    m_overlayRect[3] = h;
    for (int k = 0; k < VEX_INTRO_PANELS; ++k) {
        m_panelImages[k] = nullptr;
        m_panelLoaded[k] = 0;
    }
    m_loadedPanels = 0;
    LoadImages();
    m_buttons = NewScreenButtons(m_renderer, this);
    if (m_buttons) {
        const float b = w / 20.0f;
        m_buttons->AddButton(CVortanVector2(w * 0.5f, h - 1.2f * b), CVortanVector2(b, b),
                             kSkipImage, 1, 0);
    }
    LayOutPanels();
    for (int k = 0; k < VEX_INTRO_PANELS; ++k)
        LoadPanel(k);
    if (game) {
        game->PlayMusicTrack(kIntroTune);
        game->ResetGameClock();
        m_lastTime = game->GetGameClock();
    }
    return VORTAN_OK;
}

void CVexIntroState::LoadImages()
{
    COrloApplication* host = m_game ? m_game->GetHostApplication() : nullptr;
    if (!host)
        return;
    for (int id : kIntroImages)
        CVexAssetLoader::LoadImage(m_game->GetGameContext(), host, id);
    if (m_overlay)
        host->ReleaseSurface(m_overlay);
    m_overlay = host->GetSurface(CVortanString(kOverlayName));
}

void CVexIntroState::LayOutPanels()
{
    const float w = m_renderer ? m_renderer->GetViewWidth() : 0.0f;
    const float h = m_renderer ? m_renderer->GetViewHeight() : 0.0f;
    const float halfH = 0.4f * h, halfW = 0.8f * h;
    for (int k = 0; k < VEX_INTRO_PANELS; ++k) {
        const float cx = w + halfW + (float)k * 2.0f * halfW;
        m_panels[k][0] = cx - halfW;
        m_panels[k][1] = 0.5f * h - halfH;
        m_panels[k][2] = cx + halfW;
        m_panels[k][3] = 0.5f * h + halfH;
    }
}

void CVexIntroState::LoadPanel(int k)
{
    COrloApplication* host = m_game ? m_game->GetHostApplication() : nullptr;
    if (!host || m_panelLoaded[k])
        return;
    m_panelImages[k] = host->GetSurface(CVexAssetTables::Get().IntroSlideName(k));
    m_panelLoaded[k] = 1;
    ++m_loadedPanels;
}

void CVexIntroState::UnloadImages()
{
    COrloApplication* host = m_game ? m_game->GetHostApplication() : nullptr;
    if (!host)
        return;
    CVexGameContext* context = m_game->GetGameContext();
    for (int id : kIntroImages)
        context->ReleaseImage(host, id);
    for (int k = 0; k < VEX_INTRO_PANELS; ++k) {
        if (m_panelLoaded[k] && m_panelImages[k])
            host->ReleaseSurface(m_panelImages[k]);
        m_panelImages[k] = nullptr;
        m_panelLoaded[k] = 0;
    }
    m_loadedPanels = 0;
}

void CVexIntroState::Release()
{
    ReleaseGraphics();
    delete m_buttons;
    m_buttons = nullptr;
}

void CVexIntroState::ReleaseGraphics()
{
    UnloadImages();
    COrloApplication* host = m_game ? m_game->GetHostApplication() : nullptr;
    if (host && m_overlay)
        host->ReleaseSurface(m_overlay);
    m_overlay = nullptr;
}

void CVexIntroState::ReloadGraphics()
{
    // Pictures still held are given back first, not forgotten.
    ReleaseGraphics();
    LoadImages();
    for (int k = 0; k < VEX_INTRO_PANELS; ++k)
        LoadPanel(k);
    if (m_buttons)
        m_buttons->ReloadImages();
}

void CVexIntroState::Leave()
{
    if (COrloApplication* host = m_game ? m_game->GetHostApplication() : nullptr)
        host->StopMusic();
    m_nextState = VEX_STATE_MENU;
    m_leaving = 1;
}

void CVexIntroState::OnButtonClicked(CVexButton* button)
{
    (void)button;
    Leave();
}

void CVexIntroState::OnBack(int value)
{
    (void)value;
    Leave();
}

void CVexIntroState::Update(float dt)
{
    // A finger still down from the menu's button must not skip the intro: the buttons start
    // to listen after the first step without a new touch.
    if (!m_game->GetTouchTable().AnyJustDown())
        m_armed = 1;
    if (m_armed && m_buttons)
        m_buttons->Update(dt);
    if (m_leaving && !(m_buttons && m_buttons->IsBusy())) {
        UnloadImages();
        SetDone();
    }
    if (m_stopped) {
        m_fade -= dt / kFadeSeconds;
        if (m_fade < 0.0f) {
            m_fade = 0.0f;
            m_finished = 1;
        }
    }
}

void CVexIntroState::Advance(float t)
{
    const float panelW = m_panels[0][2] - m_panels[0][0];
    const float d = panelW * t * kSpeed;
    if (!m_stopped)
        for (int k = 0; k < VEX_INTRO_PANELS; ++k) {
            m_panels[k][0] -= d;
            m_panels[k][2] -= d;
        }
    if (m_loadedPanels < kPanelsAhead)
        for (int k = 0; k < VEX_INTRO_PANELS; ++k)
            if (!m_panelLoaded[k]) {
                LoadPanel(k);
                break;
            }

    switch (m_overlayState) {
    case 0:
        if (m_panels[0][0] < m_overlayRect[0])
            m_overlayState = 1;
        break;
    case 1:
        m_overlayAlpha += kOverlayRate * t;
        if (m_overlayAlpha >= 255.0f) {
            m_overlayAlpha = 255.0f;
            m_overlayState = 2;
        }
        break;
    case 2:
        if (m_overlayRect[2] > m_panels[9][2])
            m_overlayState = 3;
        break;
    case 3:
        m_overlayAlpha -= kOverlayRate * t;
        if (m_overlayAlpha < 0.0f) {
            m_overlayAlpha = 0.0f;
            m_overlayState = 4;
        }
        break;
    default:
        break;
    }

    const float screenCentre = (m_overlayRect[0] + m_overlayRect[2]) * 0.5f;
    const int last = VEX_INTRO_PANELS - 1;
    if (!m_stopped && GetPanelCentre(last) < screenCentre) {
        m_stopped = 1;
        for (int k = 0; k < VEX_INTRO_PANELS; ++k) {
            const float cx = screenCentre - (float)(last - k) * panelW;
            m_panels[k][0] = cx - panelW * 0.5f;
            m_panels[k][2] = cx + panelW * 0.5f;
        }
    }
    if (m_stopped && m_finished && !m_leaving)
        Leave();

    g_frameClock += t * 10.0f;
    m_overlayFrame = (int)g_frameClock;
}

void CVexIntroState::Render()
{
    const int now = m_game->GetGameClock();
    if (now > m_lastTime) {
        Advance((float)(now - m_lastTime) / 1000.0f);
        m_lastTime = now;
    }
    IVortanGraphicsContext* graphics = m_renderer ? m_renderer->GetContext() : nullptr;
    if (!graphics)
        return;
    graphics->Clear(0xFF000000u, nullptr);
    if (!m_leaving) {
        for (int k = 0; k < VEX_INTRO_PANELS; ++k) {
            if (!m_panelLoaded[k] || !m_panelImages[k])
                continue;
            const float* r = m_panels[k];
            m_renderer->DrawScreenQuad(CVortanVector2((r[0] + r[2]) * 0.5f, (r[1] + r[3]) * 0.5f),
                                       CVortanVector2((r[2] - r[0]) * 0.5f, (r[3] - r[1]) * 0.5f),
                                       m_panelImages[k], 0xFFFFFFFFu);
        }
        float alpha =
            m_overlayAlpha < 0.0f ? 0.0f : (m_overlayAlpha > 255.0f ? 255.0f : m_overlayAlpha);
        const u32 colour = ((u32)alpha << 24) | 0x00FFFFFFu;
        const int f = m_overlayFrame;
        const float* o = m_overlayRect;
        m_renderer->DrawScreenFrame(CVortanVector2((o[0] + o[2]) * 0.5f, (o[1] + o[3]) * 0.5f),
                                    CVortanVector2((o[2] - o[0]) * 0.5f, (o[3] - o[1]) * 0.5f),
                                    colour, f % 4, (f % 16) / 4, 4, 4, m_overlay);
    }
    if (m_stopped) {
        const float fade = m_fade < 0.0f ? 0.0f : (m_fade > 1.0f ? 1.0f : m_fade);
        const CVortanFloatRect all = {0.0f, 0.0f, 1.0f, 1.0f};
        graphics->DarkenUnit(&all, fade);
    }
    if (m_buttons)
        m_buttons->Render();
}
