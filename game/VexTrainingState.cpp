// CVexTrainingState: the scene buttons and their locks, the hint and completion messages and
// the choice of a scene.
#include "game/VexTrainingState.h"

#include <stdio.h>

#include "engine/VortanRect.h"
#include "engine/graphics/VortanBitmapFont.h"
#include "engine/graphics/VortanGraphicsContext.h"
#include "game/StateGame.h"
#include "game/VexAssetTables.h"
#include "game/VexButton.h"
#include "game/VexButtonManager.h"
#include "game/VexDotField.h"
#include "game/VexMenuState_Parts.h"
#include "game/VexRenderer.h"
#include "platform/OrloApplication.h"
#include "platform/OrloLanguage.h"
#include "platform/OrloStatsEntry.h"
#include "platform/OrloStatsStore.h"

namespace {
const int kTrainingTitleImage = 1;
const int kSceneImage = 66;
const int kTrainingExitImage = 12;
const int kTrainingDots = 15;
const float kMessageSeconds = 5.0f;
// Texts of the messages: the completion message, and the hint.
const int kCompleteText[2] = {18, 19};
const int kHintText[2] = {20, 21};
const u32 kMessageFlags = VEX_TEXT_CENTER_VIEW_X | 0x80 | VEX_TEXT_MIDDLE;
} // namespace

CVexTrainingState::CVexTrainingState()
    : m_dots(nullptr), m_completionShown(0), m_time(0.0f), m_leaving(0), m_buttons(nullptr),
      m_firstCleared(0), m_messageTime(0.0f)
{}

CVexTrainingState::~CVexTrainingState()
{
    Release();
}

int CVexTrainingState::Init(CStateGame* game)
{
    CVexState::Init(game);
    m_typeId = VEX_STATE_TRAINING;
    m_leaving = 0;
    m_time = 0.0f;
    m_buttons = NewScreenButtons(m_renderer, this);
    m_firstCleared = m_completionShown = 0;
    m_messageTime = 0.0f;
    m_dots = NewScreenDots(game, m_renderer, kTrainingDots);
    BuildButtons();
    return VORTAN_OK;
}

void CVexTrainingState::Release()
{
    delete m_dots;
    m_dots = nullptr;
    delete m_buttons;
    m_buttons = nullptr;
}

void CVexTrainingState::ReloadGraphics()
{
    if (m_buttons)
        m_buttons->ReloadImages();
}

void CVexTrainingState::BuildButtons()
{
    if (!m_buttons || !m_game)
        return;
    const float w = m_renderer ? m_renderer->GetViewWidth() : 0.0f;
    const float h = m_renderer ? m_renderer->GetViewHeight() : 0.0f;
    const float b = w / 20.0f, d = 2.0f * b;
    for (int i = 0; i < VEX_TRAINING_COUNT; ++i) {
        const int c = i % 5, r = i / 5;
        const CVortanVector2 centre(w * 0.5f - 2.5f * d + b + (float)c * d,
                                    h * 0.5f - d + (float)r * d * 1.05f + b * 0.5f);
        CVexButton* button = m_buttons->AddButton(centre, CVortanVector2(b, b), kSceneImage,
                                                  VEX_TRAINING_BUTTON_SCENE, i);
        const int cleared = m_game->IsSceneCleared(i);
        if (button) {
            char label[16];
            snprintf(label, sizeof(label), "%d", button->userValue + 1);
            button->label = CVortanString(label);
            button->showLabel = 1;
            // Each lock looks at the scene before it only.
            if (i >= 1 && !m_game->IsSceneCleared(i - 1))
                button->locked = 1;
        }
        if (i == 0 && cleared)
            m_firstCleared = 1;
        if (i == VEX_TRAINING_COUNT - 1 && cleared) {
            COrloApplication* host = m_game->GetHostApplication();
            COrloStatsStore* settings = host ? host->GetSettings() : nullptr;
            const CVortanString key(VEX_TRAINING_COMPLETE_KEY);
            if (settings && settings->Find(key)) {
                m_completionShown = 1;
            } else {
                m_completionShown = 0;
                m_messageTime = kMessageSeconds;
                if (settings) {
                    if (COrloStatsEntry* entry = settings->AddEntry(key)) {
                        entry->SetBool(1);
                        settings->Save();
                    }
                }
            }
        }
    }
    if (!m_firstCleared)
        m_messageTime = kMessageSeconds;
    m_buttons->AddButton(CVortanVector2(w * 0.5f, h - b), CVortanVector2(b, b), kTrainingExitImage,
                         VEX_TRAINING_BUTTON_EXIT, 0);
    m_buttons->ReloadImages();
}

CVexButton* CVexTrainingState::GetSceneButton(int scene) const
{
    if (!m_buttons)
        return nullptr;
    for (int i = 0; i < m_buttons->GetButtonCount(); ++i) {
        CVexButton* button = m_buttons->GetButton(i);
        if (button->id == VEX_TRAINING_BUTTON_SCENE && button->userValue == scene)
            return button;
    }
    return nullptr;
}

void CVexTrainingState::Leave(int next)
{
    m_leaving = 1;
    m_nextState = next;
}

void CVexTrainingState::OnButtonClicked(CVexButton* button)
{
    if (!button)
        return;
    if (button->id == VEX_TRAINING_BUTTON_EXIT) {
        Leave(VEX_STATE_MENU);
    } else if (button->id == VEX_TRAINING_BUTTON_SCENE) {
        SetResult(button->userValue);
        Leave(VEX_STATE_PLAY);
    }
}

void CVexTrainingState::OnBack(int value)
{
    (void)value;
    Leave(VEX_STATE_MENU);
}

void CVexTrainingState::Update(float dt)
{
    if (!m_game->SoundButtonTookTouch()) {
        if (m_buttons)
            m_buttons->Update(dt);
        if (m_dots)
            m_dots->Update(dt);
    }
    if (m_leaving && !(m_buttons && m_buttons->IsBusy())) {
        if (COrloApplication* host = m_game->GetHostApplication())
            host->StopMusic();
        SetDone();
    }
    if (m_messageTime > 0.0f)
        m_messageTime -= dt;
    if (m_messageTime <= 0.0f)
        m_messageTime = -1.0f;
    // A tap hurries the message out.
    if (m_game->GetTouchTable().AnyJustDown() && m_messageTime > 1.0f)
        m_messageTime = 1.0f;
    // While a message shows, only the exit button reacts.
    const int showing = m_messageTime > 0.0f;
    if (m_buttons)
        for (int i = 0; i < m_buttons->GetButtonCount(); ++i) {
            CVexButton* button = m_buttons->GetButton(i);
            if (button->id != VEX_TRAINING_BUTTON_EXIT)
                button->touchable = showing ? 0 : 1;
        }
    m_time += dt;
}

void CVexTrainingState::Render()
{
    IVortanGraphicsContext* graphics = m_renderer ? m_renderer->GetContext() : nullptr;
    if (!graphics)
        return;
    const float w = m_renderer->GetViewWidth(), h = m_renderer->GetViewHeight();
    m_renderer->DrawScreenQuad(CVortanVector2(w * 0.5f, h * 0.5f), CVortanVector2(h, h * 0.5f),
                               m_renderer->GetImage(kTrainingTitleImage), 0xFFFFFFFFu);
    if (m_dots)
        m_dots->Render();
    if (m_buttons)
        m_buttons->Render();

    const float t = m_messageTime;
    if (t <= 0.0f)
        return;
    CVortanBitmapFont* font = m_renderer->GetFont();
    const float line = font ? (float)font->GetLineHeight() : 0.0f;
    const float alpha = t < 1.0f ? t * 255.0f : 255.0f;
    float k = t > 1.0f ? 0.35f : (1.0f - t) + 0.35f;
    k = k < 0.0f ? 0.0f : (k > 1.0f ? 1.0f : k);
    const CVortanFloatRect all = {0.0f, 0.0f, 1.0f, 1.0f};
    graphics->DarkenUnit(&all, k + 0.4f);
    const float band = h > 0.0f ? 1.5f * line / h : 0.0f;
    const CVortanFloatRect strip = {0.0f, 0.5f - band, 1.0f, 0.5f + band};
    graphics->DarkenUnit(&strip, k);
    const int* texts = m_firstCleared ? kCompleteText : kHintText;
    COrloLanguage* language = m_game->GetLanguageObject();
    if (!language)
        return;
    const u32 colour = ((u32)alpha << 24) | 0x00FFFFFFu;
    m_renderer->DrawText((int)(w * 0.5f), (int)(h * 0.5f - line * 0.5f),
                         language->GetText(texts[0]), colour, kMessageFlags);
    m_renderer->DrawText((int)(w * 0.5f), (int)(h * 0.5f + line * 0.5f),
                         language->GetText(texts[1]), colour, kMessageFlags);
}
