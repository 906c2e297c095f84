// CVexPlayState: drawing the battle: background, blocks, squibs, projectiles, water and
// effects, then the HUD (banners, the turn timer, player panels, weapons, zoom bar, bubbles,
// buttons). The snapshot is shown while a shot is being fast-forwarded. And the battle's
// pictures made again after a lost graphics context.
#include <math.h>
#include <stdio.h>

#include <new>

#include "engine/VortanRect.h"
#include "engine/graphics/VortanBitmapFont.h"
#include "engine/graphics/VortanGraphicsContext.h"
#include "engine/graphics/VortanSurface.h"
#include "game/StateGame.h"
#include "game/VexButton.h"
#include "game/VexButtonManager.h"
#include "game/VexChatBubbles.h"
#include "game/VexEffectList.h"
#include "game/VexPlayState.h"
#include "game/VexProjectile.h"
#include "game/VexRenderer.h"
#include "game/VexScene.h"
#include "platform/OrloApplication.h"

namespace {
const u32 kRenderWhite = 0xFFFFFFFFu;
const float kPi = 3.14159265f;
// Ten turns of the loader at three radians a second (20 pi / 3 s), so that its angle stays
// small whatever the timer reads.
const u32 kLoaderPeriodMs = 20944u;

const u32 kStyles[10][2] = {{0x20BCD2, 0xFEA800}, {0x002F5F, 0x20BCD2}, {0x20BCD2, 0xFF75AC},
                            {0x74DDFF, 0xC6F6FF}, {0x38005B, 0x8BCFFF}, {0xB764B0, 0x8BCFFF},
                            {0xB764B0, 0xFFDC71}, {0x003391, 0xFFDC71}, {0x002C51, 0x008AFF},
                            {0xC63D00, 0xFFEA00}};

u32 Alpha(u32 colour, float alpha)
{
    int a = (int)alpha;
    a = a < 0 ? 0 : (a > 255 ? 255 : a);
    return (colour & 0x00FFFFFFu) | ((u32)a << 24);
}
} // namespace

void CVexPlayState::DrawCentredText(int index, float y, u32 colour)
{
    m_renderer->DrawText((int)(0.5f * m_renderer->GetViewWidth()), (int)y, Text(index), colour,
                         VEX_TEXT_CENTER_X | VEX_TEXT_MIDDLE);
}

void CVexPlayState::ReleaseShade()
{
    if (!m_shade)
        return;
    m_shade->Release();
    delete m_shade;
    m_shade = nullptr;
}

void CVexPlayState::Darken(float keep, float top, float bottom)
{
    COrloApplication* app = m_game->GetHostApplication();
    if (!m_shade && app) {
        m_shade = new (std::nothrow) CVortanSurface();
        CVortanSurfaceDesc desc = {4, 4, 0, VORTAN_PIXEL_ARGB8888, 0};
        if (m_shade && m_shade->Create(app, &desc) == VORTAN_OK) {
            m_shade->Clear(0xFFFFFFFFu, nullptr);
        } else {
            delete m_shade;
            m_shade = nullptr;
        }
    }
    if (!m_shade)
        return;
    const float w = m_renderer->GetViewWidth();
    const u32 alpha = (u32)((1.0f - (keep < 0.0f ? 0.0f : keep > 1.0f ? 1.0f : keep)) * 255.0f);
    m_renderer->DrawScreenQuad(CVortanVector2(0.5f * w, 0.5f * (top + bottom)),
                               CVortanVector2(0.5f * w, 0.5f * (bottom - top)), m_shade,
                               alpha << 24);
}

void CVexPlayState::DrawBackground()
{
    IVortanGraphicsContext* context = m_renderer->GetContext();
    const int h = (int)m_renderer->GetViewHeight();
    // The rows the water's base will cover are left alone: nothing drawn here shows there.
    const int sky = m_renderer->WaterCoverTop();
    if (sky <= 0)
        return;
    u32 upper = 0x1FBCD3, lower = 0xFFA800;
    if (m_backgroundStyle >= 0 && m_backgroundStyle < 10) {
        upper = kStyles[m_backgroundStyle][0];
        lower = kStyles[m_backgroundStyle][1];
    }
    // The gradient and the pictures behind the scene, clipped to the sky's rows.
    CVortanRect saved, clip;
    int clipped = 0;
    if (context && sky < h) {
        saved = context->GetClipRect();
        clip = saved;
        if (clip.bottom > sky)
            clip.bottom = sky;
        if (clip.bottom <= clip.top)
            return;
        context->SetClipRect(&clip);
        clipped = 1;
    }
    // The gradient over the whole view: the upper colour at the two upper corners, the lower
    // colour at the two lower ones, opaque.
    if (context)
        context->FillGradientUnit(0xFF000000u | upper, 0xFF000000u | upper, 0xFF000000u | lower,
                                  0xFF000000u | lower, nullptr);
    const float s = m_renderer->GetCamera().GetWorldScale();
    const float ox = m_renderer->GetCamera().GetOffset().x;
    m_renderer->DrawBackgroundImage(CVortanVector2(-ox / 1.5f, 0.57f * s),
                                    CVortanVector2(0.57f * s, 0.57f * s), m_renderer->GetImage(4),
                                    kRenderWhite);
    const float xs[3] = {-1.4f * s, 1.4f * s, 0.0f};
    for (float x : xs)
        m_renderer->DrawBackgroundImage(CVortanVector2(-0.5f * ox + x, 0.35f * s),
                                        CVortanVector2(0.7f * s, 0.35f * s),
                                        m_renderer->GetImage(3), kRenderWhite);
    if (clipped) {
        // Back to the clip the screen had (none: the whole surface).
        const int whole = saved.left <= 0 && saved.top <= 0 && saved.right >= context->GetWidth() &&
                          saved.bottom >= context->GetHeight();
        context->SetClipRect(whole ? nullptr : &saved);
    }
}

void CVexPlayState::DrawSquibs()
{
    CVexScene* scene = m_displayed;
    const int last = ValidSide(m_turnSide) ? m_turnSide : 1;
    const int order[2] = {1 - last, last};
    for (int side : order) {
        CVexPlayer& p = scene->GetPlayer(side);
        if (side == (int)m_winner)
            p.facingFrame = 8;
        if (side == m_localSide && m_roundState == VEX_ROUND_OWN_TURN && m_turnActive &&
            !m_shotInProgress && !m_roundDecided && p.body) {
            CVortanVector2 at;
            m_renderer->GetCamera().WorldToScreen(p.body->position, at);
            m_renderer->DrawScreenQuad(at, p.labelSize, m_renderer->GetImage(7), kRenderWhite);
        }
        scene->DrawPlayer(side);
    }
}

void CVexPlayState::DrawProjectiles()
{
    CVexScene* scene = m_displayed;
    const int ms = GetGameTime();
    for (int side = 0; side < 2; ++side)
        for (int slot = 0; slot < VEX_PLAYER_SLOTS; ++slot) {
            CVexProjectile* projectile = scene->GetPlayer(side).slots[slot];
            if (!projectile || !projectile->body)
                continue;
            const float phase = slot * kPi * 0.5f + (ms % 400) / 400.0f * 2.0f * kPi;
            const float grow = 2.2f + 0.25f * (1.0f + sinf(phase));
            int image = side == 0 ? 18 : 19;
            if (projectile->type == VEX_PROJECTILE_STICKY ||
                projectile->type == VEX_PROJECTILE_CLUSTER)
                image = 20;
            else if (projectile->type == VEX_PROJECTILE_SNOW)
                image = 21;
            CVortanVector2 at = projectile->body->position;
            if (projectile->link >= 0)
                if (CVexBlock* block = scene->GetBlocks()->FindById(projectile->link))
                    at += block->wobble;
            m_renderer->DrawWorldImage(at, VexScale(projectile->body->halfSize, grow),
                                       m_renderer->GetImage(image), kRenderWhite);
        }
}

void CVexPlayState::DrawPanels()
{
    const float w = m_renderer->GetViewWidth();
    const float size = w / 25.0f;
    const float t = (float)(GetGameTime() % 500) / 500.0f * 2.0f * kPi;
    for (int side = 0; side < 2; ++side) {
        CVexPlayer& p = m_displayed->GetPlayer(side);
        // Either side of the weapon row, clear of the online menu's button at the top left and
        // of the sound button and the turn timer at the top right.
        const float x = side == 0 ? 4.5f * size : w - 4.5f * size;
        // Low enough that a hat on the portrait stays on the screen.
        const CVortanVector2 centre(x, 1.45f * size);
        const float pulse = 1.0f + 0.18f * sinf(side ? t + kPi : t);
        if (side == m_turnSide)
            m_renderer->DrawScreenQuad(centre, CVortanVector2(1.3f * size, 1.3f * size),
                                       m_renderer->GetImage(7), kRenderWhite);
        // One frame of the side's sheet of ten looks.
        m_renderer->DrawScreenSquibFrame(centre, CVortanVector2(0.8f * size, 0.8f * size),
                                         kRenderWhite, 0, p.facingFrame % 10, 10, 1, pulse,
                                         m_renderer->GetImage(5 + side));
        if (p.hasHat && p.hatImage) {
            // As on the battlefield: 1.846 times the squib's picture, its centre 0.88 of the
            // squib's half size above the squib's, so the hat sits on the head at its scale.
            const float squib = 0.8f * size;
            m_renderer->DrawScreenQuad(CVortanVector2(x, centre.y - 0.8795f * squib),
                                       CVortanVector2(1.8461538f * squib, 1.8461538f * squib),
                                       p.hatImage, kRenderWhite);
        }
        m_renderer->DrawText((int)x, (int)(2.45f * size), p.name, kRenderWhite,
                             VEX_TEXT_CENTER_X | VEX_TEXT_SCALE_3_4);
        if (p.inPlay) {
            CVortanString health;
            health.FromInteger(p.health, 10);
            m_renderer->DrawText((int)x, (int)(3.1f * size), health, kRenderWhite,
                                 VEX_TEXT_CENTER_X | VEX_TEXT_SCALE_3_4);
        }
        if (side == m_opponent && m_roundState == VEX_ROUND_OTHER_TURN) {
            // The loader turns beside the panel of the side that is playing, on the side
            // towards the weapon row, three radians a second.
            const float angle = (float)(m_game->GetTimerMs() % kLoaderPeriodMs) / 1000.0f * 3.0f;
            const float beside = side == 0 ? 1.6f * size : -1.6f * size;
            m_renderer->DrawSprite(CVortanVector2(x + beside, centre.y),
                                   CVortanVector2(0.5f * size, 0.5f * size), kRenderWhite, 0, 0, 1,
                                   1, angle, m_renderer->GetImage(2));
            ++m_loaderDraws;
        }
    }
}

void CVexPlayState::DrawZoomBar()
{
    const float h = m_renderer->GetViewHeight();
    m_renderer->DrawScreenQuad(CVortanVector2(0.0625f * h, 0.5f * h),
                               CVortanVector2(0.03125f * h, 0.25f * h), m_renderer->GetImage(68),
                               kRenderWhite);
    float c = (m_renderer->GetCamera().GetZoom() - 0.3f) / 0.7f;
    c = c < 0.058928575f ? 0.058928575f : (c > 0.94107145f ? 0.94107145f : c);
    m_renderer->DrawScreenQuad(CVortanVector2(0.0625f * h, 0.75f * h - 0.5f * h * c),
                               CVortanVector2(0.03125f * h, 0.03125f * h), m_renderer->GetImage(69),
                               kRenderWhite);
}

void CVexPlayState::DrawHud()
{
    const float w = m_renderer->GetViewWidth(), h = m_renderer->GetViewHeight();
    CVortanBitmapFont* font = m_renderer->GetFont();
    if (!m_turnActive && m_startDelay > 0.0f) {
        // A band across the middle, easing back during the last half second.
        const float line = font ? (float)font->GetLineHeight() : 16.0f;
        const float keep = m_startDelay < 0.5f ? 1.0f - m_startDelay : 0.5f;
        Darken(keep, 0.5f * h - 1.5f * line, 0.5f * h + 1.5f * line);
        const float alpha = m_startDelay < 1.0f ? 255.0f * m_startDelay : 255.0f;
        // "Get ready" half a line above the middle, the level's name half a line below it.
        DrawCentredText(0, 0.5f * h - 0.5f * line, Alpha(kRenderWhite, alpha));
        m_renderer->DrawText((int)(0.5f * w), (int)(0.5f * h + 0.5f * line), m_live->GetName(),
                             Alpha(kRenderWhite, alpha), VEX_TEXT_CENTER_X | VEX_TEXT_MIDDLE);
    }
    if (m_turnActive && Player(0).inPlay && Player(1).inPlay && !m_gameOver &&
        m_bannerFade > 0.0f) {
        const int own = m_turnSide == m_localSide && !m_cameraReturn;
        DrawCentredText(own ? 1 : 2, 0.4f * h, Alpha(kRenderWhite, m_bannerFade));
        if (m_timedOut)
            DrawCentredText(6, 0.3f * h, Alpha(kRenderWhite, m_bannerFade));
    }
    if (m_roundState == VEX_ROUND_OWN_TURN) {
        const float size = w / 25.0f;
        const int frame = GetTimerFrame();
        const float scale = 1.0f + m_pulseScale;
        const CVortanVector2 at(w - size, 3.0f * size);
        m_renderer->DrawScreenFrame(at, CVortanVector2(size * scale, size * scale), kRenderWhite,
                                    frame % 4, frame / 4, 4, 4, m_renderer->GetImage(28));
        if (Player(m_localSide).strikes > 0) {
            CVortanString strikes;
            strikes.FromInteger(Player(m_localSide).strikes, 10);
            m_renderer->DrawText((int)at.x, (int)at.y, strikes, kRenderWhite,
                                 VEX_TEXT_CENTER_X | VEX_TEXT_MIDDLE);
        }
    }
    if (m_roundState == VEX_ROUND_BETWEEN && Player(m_localSide).extra[1]) {
        Darken(0.2f, 0.0f, h);
        DrawCentredText(7, 0.6f * h, kRenderWhite);
    }
    int main = -1, how = -1;
    GetResultBanner(main, how);
    if (main >= 0)
        DrawCentredText(main, 0.4f * h, kRenderWhite);
    if (how >= 0)
        DrawCentredText(how, 0.25f * h, kRenderWhite);
}

void CVexPlayState::GetResultBanner(int& main, int& how) const
{
    main = how = -1;
    if (m_roundState != VEX_ROUND_GAME_OVER)
        return;
    if (m_winner != 0 && m_winner != 1) {
        main = 5;
        return;
    }
    const int local = m_winner == m_localSide;
    main = m_training ? (local ? 16 : 17) : (local ? 3 : 4);
    // Said by how the match ended, not by what happened in its turns: a turn that timed out
    // earlier does not make a drowning a time-out win.
    if (m_left || m_endReason == VEX_OVER_LEFT || m_endReason == VEX_OVER_GAVE_UP)
        how = 10;
    else if (m_endReason == VEX_OVER_TIME_OUTS)
        how = local ? 8 : 9;
}

void CVexPlayState::Render()
{
    if (!m_live)
        return;
    m_game->NoteFrameDrawn();
    IVortanGraphicsContext* context = m_renderer->GetContext();
    CVexChatBubbles* bubbles = m_game->GetChatBubbles();
    if (m_roundState == VEX_ROUND_LEFT || m_leave) {
        if (context)
            context->Clear(0xFF000000u, nullptr);
        return;
    }
    const float w = m_renderer->GetViewWidth(), h = m_renderer->GetViewHeight();
    if (!m_training && m_roundState <= VEX_ROUND_LOADED) {
        m_renderer->DrawScreenQuad(CVortanVector2(0.5f * w, 0.5f * h),
                                   CVortanVector2(0.5f * w, 0.5f * h), m_renderer->GetImage(1),
                                   kRenderWhite);
        Darken(0.2f, 0.0f, h);
        m_renderer->DrawSprite(CVortanVector2(0.5f * w, 0.5f * h),
                               CVortanVector2(0.05f * w, 0.05f * w), kRenderWhite, 0, 0, 1, 1,
                               (float)(GetGameTime() % 1000) / 1000.0f * 2.0f * kPi,
                               m_renderer->GetImage(2));
        DrawCentredText(11, 0.65f * h, kRenderWhite);
        if (m_confirm) {
            Darken(0.2f, 0.0f, h);
            DrawCentredText(12, 0.3f * h, kRenderWhite);
            DrawCentredText(13, 0.4f * h, kRenderWhite);
        }
        if (bubbles)
            bubbles->Render();
        m_buttons->Render();
        return;
    }
    m_displayed = m_shot ? m_snapshot : m_live;
    CVexCamera& camera = m_renderer->GetCamera();
    camera.SetScene(m_displayed);
    DrawBackground();
    m_displayed->DrawMarkers();
    m_displayed->DrawWorld(0);
    DrawSquibs();
    DrawProjectiles();
    m_renderer->DrawWater(0);
    m_displayed->DrawPlayerLabels();
    if (!m_shot)
        m_effects->Render();
    DrawHud();
    DrawPanels();
    static const int kWeaponButtons[6] = {VEX_BTN_JUMP, VEX_BTN_BOMB,      VEX_BTN_STICKY,
                                          VEX_BTN_WHIP, VEX_BTN_SHOP_BOMB, VEX_BTN_SHOP_BOMB};
    const u32 weapon = Player(m_localSide).weapon;
    if (CVexButton* selected = Button(kWeaponButtons[weapon % 6]))
        if (selected->visible)
            m_renderer->DrawScreenQuad(selected->centre, VexScale(selected->halfSize, 1.5f),
                                       m_renderer->GetImage(7), kRenderWhite);
    if (m_roundState >= VEX_ROUND_RESULT && !Button(VEX_BTN_SHOP_BOMB)) {
        const float s = w / 30.0f;
        m_renderer->DrawScreenQuad(CVortanVector2(0.5f * w + 6.0f * s, 1.5f * s),
                                   CVortanVector2(s, s), m_renderer->GetImage(24), kRenderWhite);
    }
    DrawZoomBar();
    if (bubbles)
        bubbles->Render();
    if (m_confirm) {
        // The question over everything dimmed, the weapon bar too; only its answers are lit.
        m_buttons->Render();
        Darken(0.2f, 0.0f, h);
        DrawCentredText(12, 0.3f * h, kRenderWhite);
        DrawCentredText(13, 0.4f * h, kRenderWhite);
        m_buttons->RenderButton(Button(VEX_BTN_YES));
        m_buttons->RenderButton(Button(VEX_BTN_NO));
    } else {
        m_buttons->Render();
    }
    m_displayed = m_live;
    camera.SetScene(m_live);
}

void CVexPlayState::ReloadGraphics()
{
    if (!m_buttons)
        return;
    m_buttons->ReloadImages();
    // The hat of side 0, the bomb and the battleground of the local side, the hat of side 1.
    for (int side = 0; side < 2; ++side) {
        CVexPlayer& player = Player(side);
        if (player.hatItem > 0 && player.hasHat)
            LoadShopItem(side, player.hatItem, player.hatPackValues[0], player.hatPackValues[1]);
        if (side != m_localSide)
            continue;
        if (player.bombItem > 0)
            LoadShopItem(side, player.bombItem, m_bombPack[side][0], m_bombPack[side][1]);
        if (player.hasBattleground)
            LoadShopItem(side, player.battlegroundItem, player.battlegroundPackA,
                         player.battlegroundPackB);
    }
    m_game->LoadDefaultBackgrounds();
}
