// CVexButtonManager: touch, animation, sounds and drawing of a screen's buttons.
#include "game/VexButtonManager.h"

#include <math.h>

#include <new>

#include "VortanSound/VortanSoundWave.h"
#include "game/StateGame.h"
#include "game/VexAssetTables.h"
#include "game/VexButton.h"
#include "game/VexRenderer.h"
#include "platform/OrloApplication.h"

namespace {
const float kTwoPi = 6.2831855f;
const float kPressedScale = 0.8f;
const int kSoundDown = 0;
const int kSoundUp = 1;
const int kLabelFlags = 0x4110;
} // namespace

CVexButtonManager::CVexButtonManager()
    : m_idleLimit(2.0f), m_idleTime(0.0f), m_busy(0), m_renderer(nullptr), m_listener(nullptr),
      m_bobPhase(0.0f)
{}

CVexButtonManager::~CVexButtonManager()
{
    RemoveAllButtons();
}

int CVexButtonManager::Init(CVexRenderer* renderer)
{
    m_renderer = renderer;
    CStateGame* game = renderer ? renderer->GetGame() : nullptr;
    COrloApplication* application = game ? game->GetHostApplication() : nullptr;
    if (application) {
        CVexGameContext* context = game->GetGameContext();
        for (int id : {kSoundDown, kSoundUp}) {
            CVortanSoundWave** slot = context->SoundSlot(id);
            if (!*slot)
                *slot = application->GetSound(CVexAssetTables::Get().SoundName(id), 0);
        }
    }
    return VORTAN_OK;
}

CVexButton* CVexButtonManager::AddButton(const CVortanVector2& centre,
                                         const CVortanVector2& halfSize, int imageId, int id,
                                         int userValue)
{
    CVexButton* button = new (std::nothrow) CVexButton();
    if (!button)
        return nullptr;
    button->owner = this;
    button->centre = centre;
    button->halfSize = halfSize;
    button->imageId = imageId;
    button->id = id;
    button->userValue = userValue;
    button->left = centre.x - halfSize.x;
    button->right = centre.x + halfSize.x;
    button->top = centre.y - halfSize.y;
    button->bottom = centre.y + halfSize.y;
    if (m_buttons.Add(button) != VORTAN_OK) {
        delete button;
        return nullptr;
    }
    return button;
}

CVexButton* CVexButtonManager::FindButton(int id) const
{
    for (int i = 0; i < m_buttons.GetCount(); ++i)
        if (GetButton(i)->id == id)
            return GetButton(i);
    return nullptr;
}

void CVexButtonManager::RemoveButton(int id)
{
    for (int i = m_buttons.GetCount() - 1; i >= 0; --i) {
        CVexButton* button = GetButton(i);
        if (button->id == id) {
            m_buttons.RemoveAt(i);
            delete button;
        }
    }
}

void CVexButtonManager::RemoveAllButtons()
{
    for (int i = 0; i < m_buttons.GetCount(); ++i)
        delete GetButton(i);
    m_buttons.RemoveAll();
}

void CVexButtonManager::ResetButtons()
{
    for (int i = 0; i < m_buttons.GetCount(); ++i) {
        CVexButton* button = GetButton(i);
        button->state = VEX_BUTTON_IDLE;
        button->visible = 0;
        button->scale = 1.0f;
    }
}

void CVexButtonManager::ReloadImages()
{
    CStateGame* game = m_renderer ? m_renderer->GetGame() : nullptr;
    COrloApplication* application = game ? game->GetHostApplication() : nullptr;
    if (!application)
        return;
    CVexGameContext* context = game->GetGameContext();
    for (int i = 0; i < m_buttons.GetCount(); ++i) {
        int imageId = GetButton(i)->imageId;
        if (imageId < 0 || imageId >= VEX_IMAGE_COUNT)
            continue;
        CVortanSurface** slot = context->ImageSlot(imageId);
        if (!*slot)
            *slot = application->GetSurface(CVexAssetTables::Get().ImageName(imageId), nullptr);
    }
}

void CVexButtonManager::PlaySound(int id)
{
    CStateGame* game = m_renderer ? m_renderer->GetGame() : nullptr;
    if (game)
        game->PlaySound(id, 0, 0);
}

void CVexButtonManager::Release(CVexButton* button)
{
    button->state = button->scale == 1.0f ? VEX_BUTTON_IDLE : VEX_BUTTON_RELEASING;
}

int CVexButtonManager::HandleInput()
{
    CStateGame* game = m_renderer ? m_renderer->GetGame() : nullptr;
    if (!game)
        return 0;
    const CVexTouchTable& touches = game->GetTouchTable();
    if (touches.IsPinching())
        return 0;
    const CVexTouchPoint& finger = touches.Get(0);
    const float x = finger.position.x, y = finger.position.y;
    const int count = m_buttons.GetCount();
    auto takesPart = [](const CVexButton* b) { return b->visible && !b->locked && b->touchable; };

    if (finger.pressed && finger.justDown) {
        for (int i = 0; i < count; ++i) {
            CVexButton* button = GetButton(i);
            if (!takesPart(button))
                continue;
            if (button->Contains(x, y)) {
                button->pressed = 1;
                button->state =
                    button->scale == kPressedScale ? VEX_BUTTON_HELD : VEX_BUTTON_PRESSING;
                PlaySound(kSoundDown);
                m_idleTime = 0.0f;
                return 1;
            }
            button->pressed = 0;
        }
    }
    if (finger.pressed) {
        for (int i = 0; i < count; ++i) {
            CVexButton* button = GetButton(i);
            if (!takesPart(button))
                continue;
            if (button->pressed && button->Contains(x, y)) {
                m_idleTime = 0.0f;
                return 1;
            }
            button->pressed = 0;
            Release(button);
        }
    }
    if (finger.justUp) {
        for (int i = 0; i < count; ++i) {
            CVexButton* button = GetButton(i);
            if (!takesPart(button) || !button->pressed || !button->Contains(x, y))
                continue;
            if (button->state != VEX_BUTTON_PRESSING && button->state != VEX_BUTTON_HELD)
                continue;
            Release(button);
            PlaySound(kSoundUp);
            if (m_listener)
                m_listener->OnButtonClicked(button);
            m_idleTime = 0.0f;
            return 1;
        }
    }
    if (!finger.pressed && !finger.justUp) {
        for (int i = 0; i < count; ++i) {
            CVexButton* button = GetButton(i);
            button->pressed = 0;
            if (!button->visible)
                button->state = VEX_BUTTON_IDLE;
            else
                Release(button);
        }
    }
    for (int i = 0; i < count; ++i)
        GetButton(i)->pressed = 0;
    return 0;
}

void CVexButtonManager::Update(float dt)
{
    m_bobPhase += dt;
    if (m_bobPhase > kTwoPi)
        m_bobPhase -= kTwoPi;

    HandleInput();

    const float bobHeight = m_renderer ? m_renderer->GetViewHeight() / 120.0f : 0.0f;
    m_busy = 0;
    for (int i = 0; i < m_buttons.GetCount(); ++i) {
        CVexButton* button = GetButton(i);
        if (!button->visible) {
            button->state = VEX_BUTTON_IDLE;
            button->scale = 1.0f;
        } else {
            switch (button->state) {
            case VEX_BUTTON_PRESSING:
                button->scale -= 2.0f * dt;
                if (button->scale < kPressedScale) {
                    button->scale = kPressedScale;
                    button->state = VEX_BUTTON_HELD;
                    if (button->owner)
                        button->owner->OnButtonPressed(button);
                }
                break;
            case VEX_BUTTON_HELD:
                if (button->owner)
                    button->owner->OnButtonHeld(button);
                break;
            case VEX_BUTTON_RELEASING:
                button->scale += 2.0f * dt;
                if (button->scale >= 1.0f) {
                    button->scale = 1.0f;
                    button->state = VEX_BUTTON_IDLE;
                    if (button->owner)
                        button->owner->OnButtonClicked(button);
                }
                break;
            default:
                break;
            }
            if (button->state != VEX_BUTTON_IDLE)
                m_busy = 1;
        }
        if (button->bobbing) {
            const float p = m_bobPhase, index = (float)i;
            button->bobOffset = CVortanVector2(0.0f, sinf(index + p) * bobHeight);
            button->bobScale = 1.0f + 0.05f * sinf(index + 2.0f * p);
            const float cx = button->centre.x + button->bobOffset.x;
            const float cy = button->centre.y + button->bobOffset.y;
            const float hx = button->halfSize.x * button->bobScale;
            const float hy = button->halfSize.y * button->bobScale;
            button->left = cx - hx;
            button->right = cx + hx;
            button->top = cy - hy;
            button->bottom = cy + hy;
        }
    }

    CStateGame* game = m_renderer ? m_renderer->GetGame() : nullptr;
    CVortanSoundWave* up = game ? game->GetGameContext()->GetSound(kSoundUp) : nullptr;
    if (up && up->IsPlaying())
        m_busy = 1;
    m_idleTime += dt;
    if (m_idleTime < 0.0f)
        m_idleTime = 0.0f;
    if (m_idleTime > m_idleLimit)
        m_busy = 0;
}

void CVexButtonManager::Render()
{
    CStateGame* game = m_renderer ? m_renderer->GetGame() : nullptr;
    if (!game)
        return;
    for (int i = 0; i < m_buttons.GetCount(); ++i)
        RenderButton(GetButton(i));
}

void CVexButtonManager::RenderButton(const CVexButton* button)
{
    CStateGame* game = m_renderer ? m_renderer->GetGame() : nullptr;
    if (!game || !button || !button->visible)
        return;
    CVortanVector2 size(button->halfSize.x * button->scale, button->halfSize.y * button->scale);
    CVortanVector2 position = button->centre;
    if (button->bobbing) {
        position += button->bobOffset;
        size = CVortanVector2(size.x * button->bobScale, size.y * button->bobScale);
    }
    const u32 colour = button->locked ? 0x80FFFFFFu : 0xFFFFFFFFu;
    m_renderer->DrawScreenQuad(position, size, game->GetGameContext()->GetImage(button->imageId),
                               colour);
    if (button->showLabel)
        m_renderer->DrawText((int)position.x, (int)position.y, button->label, colour, kLabelFlags,
                             0);
}

void CVexButtonManager::OnButtonPressed(CVexButton* button)
{
    if (m_listener)
        m_listener->OnButtonPressed(button);
}

void CVexButtonManager::OnButtonHeld(CVexButton* button)
{
    if (m_listener)
        m_listener->OnButtonHeld(button);
}
