// CVexMenuState: loading, the buttons and what they open, and the web pages.
#include "game/VexMenuState.h"

#include <stdio.h>
#include <stdlib.h>

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
#include "platform/OrloDevice.h"
#include "platform/OrloWebServer.h"
#include "platform/OrlogateApplication.h"

namespace {
const int kMenuTitleImage = 1;
const int kMenuLoaderImage = 2;
const int kMenuTune = 0;
const int kMenuDots = 15;
const float kSpin = 3.0f;   // radians per second of the spinner
const float kDarken = 0.2f; // brightness behind the spinner and the credits

struct MenuButton {
    int id;
    int image;
    float dx, dy; // centre: screen centre + (dx, dy) x s
    float half;   // half size x s
};

// In the order they are added (the first added wins where two overlap).
const MenuButton kButtons[] = {
    {VEX_MENU_BUTTON_INTRO, 57, -1.05f, 0.85f, 0.65f},
    {VEX_MENU_BUTTON_CREDITS, 58, -2.1f, 0.2f, 0.43f},
    {VEX_MENU_BUTTON_SOCIAL, 17, 2.65f, 0.35f, 0.45f},
    {VEX_MENU_BUTTON_EXIT, 12, 1.05f, 0.85f, 0.65f},
    {VEX_MENU_BUTTON_HELP, 14, 1.8f, 0.0f, 0.7f},
    {VEX_MENU_BUTTON_TRAINING, 16, -1.25f, -0.2f, 0.75f},
    {VEX_MENU_BUTTON_BATTLE, 61, 0.0f, 0.0f, 1.0f},
};
const int kCloseImage = 12;
const int kEditImage = 13; // "edit.png"
} // namespace

CVexMenuState::CVexMenuState()
    : m_dots(nullptr), m_creditsOpen(0), m_time(0.0f), m_leaving(0), m_buttons(nullptr),
      m_loaderLeft(0.0f), m_loaderTop(0.0f), m_loaderRight(0.0f), m_loaderBottom(0.0f), m_drawn(0),
      m_buttonsBuilt(0), m_creditsScroll(0.0f), m_dragging(0), m_lastTime(0), m_now(0)
{}

CVexMenuState::~CVexMenuState()
{
    Release();
}

float CVexMenuState::Width() const
{
    return m_renderer ? m_renderer->GetViewWidth() : 0.0f;
}

float CVexMenuState::Height() const
{
    return m_renderer ? m_renderer->GetViewHeight() : 0.0f;
}

int CVexMenuState::Init(CStateGame* game)
{
    CVexState::Init(game);
    m_typeId = VEX_STATE_MENU;
    m_creditsOpen = m_leaving = m_drawn = m_buttonsBuilt = m_dragging = 0;
    m_time = 0.0f;
    m_creditsScroll = 0.0f;
    COrloApplication* host = game ? game->GetHostApplication() : nullptr;
    if (host) {
        CVexGameContext* context = game->GetGameContext();
        CVexAssetLoader::LoadFont(context, host);
        CVexAssetLoader::LoadImage(context, host, kMenuTitleImage);
        CVexAssetLoader::LoadImage(context, host, kMenuLoaderImage);
    }
    m_buttons = NewScreenButtons(m_renderer, this);
    m_dots = NewScreenDots(game, m_renderer, kMenuDots);
    const float w = Width(), h = Height(), r = w / 15.0f;
    m_loaderLeft = w * 0.5f - r;
    m_loaderRight = w * 0.5f + r;
    m_loaderTop = h * 0.5f - r;
    m_loaderBottom = h * 0.5f + r;
    return VORTAN_OK;
}

void CVexMenuState::Release()
{
    delete m_dots;
    m_dots = nullptr;
    delete m_buttons;
    m_buttons = nullptr;
}

void CVexMenuState::ReloadGraphics()
{
    if (m_buttons)
        m_buttons->ReloadImages();
}

void CVexMenuState::BuildButtons()
{
    if (!m_buttons)
        return;
    const float w = Width(), h = Height(), s = w * 0.125f;
    const CVortanVector2 m(w * 0.5f, h * 0.5f);
    for (const MenuButton& b : kButtons)
        m_buttons->AddButton(CVortanVector2(m.x + b.dx * s, m.y + b.dy * s),
                             CVortanVector2(b.half * s, b.half * s), b.image, b.id, 0);
    const float c = w / 20.0f;
    if (CVexButton* close = m_buttons->AddButton(CVortanVector2(m.x, h - c), CVortanVector2(c, c),
                                                 kCloseImage, VEX_MENU_BUTTON_CLOSE_CREDITS, 0))
        close->visible = 0;
    // A test seam: the screenshot run opens the level editor, which no button of this menu
    // offers, by a button of its own in the lower left corner.
    const char* editor = getenv("ORLO_EDITOR_BUTTON");
    if (editor && editor[0] == '1')
        m_buttons->AddButton(CVortanVector2(c, h - c), CVortanVector2(c, c), kEditImage,
                             VEX_MENU_BUTTON_EDITOR, 0);
}

void CVexMenuState::Update(float dt)
{
    const CVexTouchTable& touches = m_game->GetTouchTable();
    const int soundTook = m_game->SoundButtonTookTouch();
    if (m_creditsOpen && !soundTook) {
        const CVexTouchPoint& finger = touches.Get(0);
        if (finger.pressed && finger.moved) {
            m_creditsScroll += finger.delta.y;
            m_dragging = 1;
        } else {
            m_dragging = 0;
        }
    }
    if (m_drawn && m_game->IsLoadingDone()) {
        if (!soundTook) {
            if (m_buttons)
                m_buttons->Update(dt);
            if (m_dots)
                m_dots->Update(dt);
        }
        if (!m_buttonsBuilt) {
            m_buttonsBuilt = 1;
            BuildButtons();
            m_game->PlayMusicTrack(kMenuTune);
        }
    }
    if (m_leaving && !(m_buttons && m_buttons->IsBusy())) {
        if (COrloApplication* host = m_game->GetHostApplication())
            host->StopMusic();
        SetDone();
    }
    m_time += dt;
}

void CVexMenuState::Render()
{
    IVortanGraphicsContext* graphics = m_renderer ? m_renderer->GetContext() : nullptr;
    if (!graphics)
        return;
    const float w = Width(), h = Height();
    const CVortanVector2 m(w * 0.5f, h * 0.5f);
    m_renderer->DrawScreenQuad(m, CVortanVector2(h, h * 0.5f),
                               m_renderer->GetImage(kMenuTitleImage), 0xFFFFFFFFu);
    m_drawn = 1;
    const int loaded = m_game->IsLoadingDone();
    if (!loaded) {
        const CVortanFloatRect all = {0.0f, 0.0f, 1.0f, 1.0f};
        graphics->DarkenUnit(&all, kDarken);
        const CVortanVector2 centre((m_loaderLeft + m_loaderRight) * 0.5f,
                                    (m_loaderTop + m_loaderBottom) * 0.5f);
        const CVortanVector2 half((m_loaderRight - m_loaderLeft) * 0.5f,
                                  (m_loaderBottom - m_loaderTop) * 0.5f);
        m_renderer->DrawSprite(centre, half, 0xFFFFFFFFu, 0, 0, 1, 1, m_time * kSpin,
                               m_renderer->GetImage(kMenuLoaderImage));
    }
    if (m_creditsOpen)
        RenderCredits();
    if (loaded) {
        if (m_dots)
            m_dots->Render();
        if (m_buttons)
            m_buttons->Render();
    }
}

void CVexMenuState::OnButtonClicked(CVexButton* button)
{
    if (!button)
        return;
    switch (button->id) {
    case VEX_MENU_BUTTON_BATTLE:
    case VEX_MENU_BUTTON_EDITOR:
        m_leaving = 1;
        m_nextState = button->id == VEX_MENU_BUTTON_BATTLE ? VEX_STATE_PLAY : VEX_STATE_EDIT;
        break;
    case VEX_MENU_BUTTON_EXIT:
        if (COrloApplication* host = m_game->GetHostApplication())
            host->ReturnToMenu(true);
        break;
    case VEX_MENU_BUTTON_INTRO:
        m_leaving = 1;
        m_nextState = VEX_STATE_INTRO;
        break;
    case VEX_MENU_BUTTON_HELP:
        OpenPage("help");
        break;
    case VEX_MENU_BUTTON_CREDITS:
        OpenCredits();
        break;
    case VEX_MENU_BUTTON_SOCIAL:
        OpenPage("facebook");
        break;
    case VEX_MENU_BUTTON_CLOSE_CREDITS:
        CloseCredits();
        break;
    case VEX_MENU_BUTTON_TRAINING:
        m_leaving = 1;
        m_nextState = VEX_STATE_TRAINING;
        break;
    default:
        break;
    }
}

void CVexMenuState::OnBack(int value)
{
    (void)value;
    if (m_creditsOpen) {
        CloseCredits();
        return;
    }
    if (COrloApplication* host = m_game->GetHostApplication())
        host->ReturnToMenu(true);
}

void CVexMenuState::MakeForwardUrl(const char* link, CVortanString& out) const
{
    COrloApplication* host = m_game ? m_game->GetHostApplication() : nullptr;
    COrlogateApplication* gate = dynamic_cast<COrlogateApplication*>(host);
    const int release = gate ? gate->GetReleaseId() : 0;
    CVortanString store;
    m_game->GetStoreName(store);
    // The store name is the game's own short word; a longer one is cut.
    if (store.GetLength() > 32)
        store.SetLength(32);
    char rid[40];
    store.ToAscii(rid);
    char url[384];
    snprintf(url, sizeof(url), "%s?link=%s&game=%d&release=%d&rid=%s", ORLO_FORWARD_ADDRESS, link,
             m_game->GetGameNumber(), release, rid);
    out = CVortanString(url);
}

void CVexMenuState::OpenPage(const char* link)
{
    COrloApplication* host = m_game->GetHostApplication();
    COrloDevice* device = host ? host->GetDevice() : nullptr;
    if (!device)
        return;
    CVortanString url;
    MakeForwardUrl(link, url);
    device->OpenUrl(url);
}
