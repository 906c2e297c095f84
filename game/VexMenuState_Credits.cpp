// CVexMenuState: the credits roll, opened over the darkened menu, rising a tenth of the screen
// height per second; a finger drags it, never below its start.
#include "engine/VortanRect.h"
#include "engine/graphics/VortanBitmapFont.h"
#include "engine/graphics/VortanGraphicsContext.h"
#include "game/StateGame.h"
#include "game/VexAssetTables.h"
#include "game/VexButton.h"
#include "game/VexButtonManager.h"
#include "game/VexMenuState.h"
#include "game/VexRenderer.h"

namespace {
const u32 kCreditsTextFlags = VEX_TEXT_CENTER_VIEW_X | 0x200;
const u32 kLegalFlags = kCreditsTextFlags | VEX_TEXT_SCALE_3_4;

int LineHeight(CVexRenderer* renderer)
{
    CVortanBitmapFont* font = renderer ? renderer->GetFont() : nullptr;
    return font ? font->GetLineHeight() : 0;
}
} // namespace

float CVexMenuState::CreditsRowOpacity(float y, float w, float h)
{
    // Rows fade in as they rise past the lower fifth, and out again as they near the top
    // fifth, where the sound button and the online menu's button sit in the corners: the
    // roll never runs under them.
    const float fadeLine = h - w / 5.0f;
    if (fadeLine <= 0.0f)
        return 1.0f;
    const float in = 1.0f - 5.0f * (y - fadeLine) / fadeLine;
    const float out = 10.0f * (y - h / 5.0f) / fadeLine;
    const float a = in < out ? in : out;
    return a < 1.0f ? a : 1.0f;
}

float CVexMenuState::GetCreditsEnd() const
{
    return -((float)VEX_CREDITS_COUNT * (float)LineHeight(m_renderer) + Height());
}

void CVexMenuState::OpenCredits()
{
    m_creditsOpen = 1;
    m_creditsScroll = 0.0f;
    m_lastTime = m_now = m_game->GetGameClock();
    if (!m_buttons)
        return;
    for (int i = 0; i < m_buttons->GetButtonCount(); ++i) {
        CVexButton* button = m_buttons->GetButton(i);
        button->visible = button->id == VEX_MENU_BUTTON_CLOSE_CREDITS;
        button->state = VEX_BUTTON_IDLE;
        button->scale = 1.0f;
    }
}

void CVexMenuState::CloseCredits()
{
    m_creditsOpen = 0;
    if (!m_buttons)
        return;
    for (int i = 0; i < m_buttons->GetButtonCount(); ++i) {
        CVexButton* button = m_buttons->GetButton(i);
        button->visible = button->id != VEX_MENU_BUTTON_CLOSE_CREDITS;
        if (!button->visible) {
            button->state = VEX_BUTTON_IDLE;
            button->scale = 1.0f;
        }
    }
}

void CVexMenuState::RenderCredits()
{
    IVortanGraphicsContext* graphics = m_renderer->GetContext();
    const float w = Width(), h = Height();
    const CVortanFloatRect all = {0.0f, 0.0f, 1.0f, 1.0f};
    graphics->DarkenUnit(&all, 0.2f);

    m_now = m_game->GetGameClock();
    if (!m_dragging)
        m_creditsScroll -= (float)(m_now - m_lastTime) / 1000.0f * h * 0.1f;
    m_lastTime = m_now;
    if (m_creditsScroll > 0.0f)
        m_creditsScroll = 0.0f; // never below its start

    const float line = (float)LineHeight(m_renderer);
    const float end = GetCreditsEnd();
    if (m_creditsScroll > end) {
        const CVexAssetTables& tables = CVexAssetTables::Get();
        for (int i = 0; i < VEX_CREDITS_COUNT; ++i) {
            const float y = h - w / 15.0f + m_creditsScroll - line + (float)i * line;
            if (!(y > -1.5f * line && y < h))
                continue;
            const CVexCreditsRow& row = tables.Credits(i);
            if (row.text.IsEmpty())
                continue;
            const float a = CreditsRowOpacity(y, w, h);
            u32 colour = 0xFFFFFFFFu;
            if (a < 0.0f)
                colour = 0x00FFFFFFu;
            else if (a < 1.0f)
                colour = ((u32)(a * 255.0f) << 24) | 0x00FFFFFFu;
            m_renderer->DrawText(0, (int)y, row.text, colour,
                                 row.key == VEX_CREDITS_LEGAL_KEY ? kLegalFlags
                                                                  : kCreditsTextFlags);
        }
    }
    if (m_creditsScroll <= end) {
        m_creditsScroll = end;
        CloseCredits();
    }
}
