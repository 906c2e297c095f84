// CVexPlayState: camera input, aiming, firing, the fast-forward of a shot ahead of its
// playback, and the snapshot that the screen shows meanwhile.
#include <math.h>

#include "game/StateGame.h"
#include "game/VexButtonManager.h"
#include "game/VexEffectList.h"
#include "game/VexPhysicsWorld.h"
#include "game/VexPlayState.h"
#include "game/VexProjectile.h"
#include "game/VexRenderer.h"
#include "game/VexScene.h"
#include "platform/OrloApplication.h"

namespace {
const float kShotsStep = 1.0f / 30.0f;
const float kLaunch = -6.9f;
const float kAimMax = 0.4f;
const float kShotLimit = 30.0f;
const float kFrameBudget = 1.0f;
// The frame's share of simulated time per step, as the device counts it: 31 steps a frame.
const float kFrameStep = 0.033333331f;

// The block's shot-time fields that the scene's copy leaves out: a freeze still waiting.
void CopyPending(CVexBlock& to, const CVexBlock& from)
{
    to.pending = from.pending;
    to.delayCounter = from.delayCounter;
    to.pendingVariant = from.pendingVariant;
    to.pendingMaterial = from.pendingMaterial;
    to.pendingHitPoints = from.pendingHitPoints;
    to.pendingFriction = from.pendingFriction;
    to.pendingRestitution = from.pendingRestitution;
}

// The whip state, which the scene's copy leaves out too.
void CopyWhip(CVexPlayer& to, const CVexPlayer& from)
{
    to.whip = from.whip;
    to.whipStruck = from.whipStruck;
    to.whipPhase = from.whipPhase;
    to.whipBase = from.whipBase;
}

void CopyScene(CVexScene& to, const CVexScene& from)
{
    to.ClearScene();
    to.SetName(from.GetName());
    to.SetBlockAnimation(from.GetBlockAnimation());
    for (int p = 0; p < 2; ++p)
        for (int k = 0; k < 3; ++k)
            to.SetSpawn(p, k, from.GetSpawn(p, k));
    CVexBlockList* source = from.GetBlocks();
    for (int i = 0; i < source->GetCount(); ++i) {
        const CVexBlock* block = source->GetAt(i);
        const CVortanVector2 position =
            block->body ? block->body->position : CVortanVector2(0.0f, 0.0f);
        CVexBlock* copy = to.GetBlocks()->AddBlock(block->shape, position, block->material,
                                                   block->variant, block->layer);
        if (!copy)
            continue;
        CVexScene::CopyBlock(*copy, *block);
        CopyPending(*copy, *block);
    }
    for (int p = 0; p < 2; ++p) {
        CVexScene::CopyPlayer(to.GetPlayer(p), from.GetPlayer(p));
        CopyWhip(to.GetPlayer(p), from.GetPlayer(p));
        to.GetPlayer(p).slotCounter = from.GetPlayer(p).slotCounter;
    }
    for (int i = 0; i < from.GetMarkerCount(); ++i)
        to.AddMarker(from.GetMarker(i)->centre, from.GetMarker(i)->halfSize);
}
} // namespace

int CVexPlayState::UpdateCameraInput()
{
    CVexCamera& camera = m_renderer->GetCamera();
    if (m_gameOver && m_winner == m_localSide && Player(m_localSide).body) {
        camera.FollowBody(Player(m_localSide).body);
        camera.SetTargetZoom(1.0f);
    }
    if (UpdateZoomBar() && !m_pan) {
        m_zoomHeld = 1;
        return 1;
    }
    const CVexTouchTable& touches = m_game->GetTouchTable();
    m_pinch = touches.IsPinching();
    if (!m_aimDrag) {
        if (m_buttons->HandleInput() || !m_turnActive)
            return 1;
        if (m_pan) {
            PanCamera();
            camera.FollowNone();
            return 1;
        }
        if (m_pinch) {
            float zoom = camera.GetZoom() * (1.0f + touches.GetPinchChange() * 0.01f);
            if (zoom < 0.3f)
                zoom = 0.3f;
            camera.SetZoom(zoom);
            camera.SetTargetZoom(zoom);
            Player(m_localSide).zoom = zoom;
            camera.FollowNone();
            return 1;
        }
    } else {
        m_pinch = 0;
    }
    if (m_roundState == VEX_ROUND_OWN_TURN && !m_confirm && UpdateAiming())
        return 1;
    const CVexTouchPoint& finger = touches.Get(0);
    if (finger.pressed && finger.moved)
        m_pan = 1;
    return 0;
}

void CVexPlayState::PanCamera()
{
    const CVexTouchPoint& finger = m_game->GetTouchTable().Get(0);
    if (!finger.pressed) {
        m_pan = 0;
        return;
    }
    CVexCamera& camera = m_renderer->GetCamera();
    // Where the finger was a step ago: the table's previous point is already this step's.
    CVortanVector2 a, b;
    camera.ScreenToWorld(VexSub(finger.position, finger.delta), a);
    camera.ScreenToWorld(finger.position, b);
    camera.Offset().x += b.x - a.x;
    camera.Offset().y -= b.y - a.y;
}

int CVexPlayState::UpdateZoomBar()
{
    if (m_aimDrag)
        return 0;
    const float h = m_renderer->GetViewHeight();
    const float cx = 0.0625f * h, cy = 0.5f * h, hw = 0.03125f * h, hh = 0.25f * h;
    const CVexTouchPoint& finger = m_game->GetTouchTable().Get(0);
    if (!finger.pressed) {
        m_zoomHeld = 0;
        return 0;
    }
    const float x = finger.position.x, y = finger.position.y;
    // A finger that slides onto the bar takes it as well as one that goes down on it.
    if (x >= cx - hw && x <= cx + hw && y >= cy - hh && y <= cy + hh)
        m_zoomHeld = 1;
    if (!m_zoomHeld)
        return 0;
    const float t = ((cy + hh) - y) / (2.0f * hh);
    const float zoom = t < 0.0f ? 0.3f : (t > 1.0f ? 1.0f : 0.3f + 0.7f * t);
    CVexCamera& camera = m_renderer->GetCamera();
    camera.SetTargetZoom(zoom);
    Player(m_localSide).zoom = zoom < 0.3f ? 0.3f : zoom;
    camera.SetZoom(camera.GetZoom() + (zoom - camera.GetZoom()) * 0.5f);
    camera.FollowNone();
    return 1;
}

int CVexPlayState::UpdateAiming()
{
    CVexPlayer& p = Player(m_localSide);
    if (p.stretching && m_released) {
        if (!m_shotInProgress) {
            // The aim stays released after the shot: the squib springs back below.
            p.aiming = 0;
            FireShot();
            if (!m_shotInProgress)
                m_released = 0; // no shot taken (the turn is over)
            return 1;
        }
        p.aiming = 0;
        CVexPlayer& shown = m_snapshot->GetPlayer(m_localSide);
        const float length = shown.stretch.Length();
        if (length - 0.06f <= 0.01f) {
            shown.stretch.Set(0.0f, 0.0f);
            shown.stretching = 0;
            // Sprung back: a later stretch (a whip's) is no longer this aim's.
            m_released = 0;
        } else {
            shown.stretch = VexScale(shown.stretch, (length - 0.06f) / length);
        }
        p.stretching = shown.stretching;
        p.stretch = shown.stretch;
        return 1;
    }
    if (m_shotInProgress || !m_turnActive || !p.body)
        return 0;
    const CVexTouchPoint& finger = m_game->GetTouchTable().Get(0);
    CVexCamera& camera = m_renderer->GetCamera();
    CVortanVector2 bodyScreen;
    camera.WorldToScreen(p.body->position, bodyScreen);
    if (finger.pressed && !m_aimDrag) {
        CVortanVector2 world;
        camera.ScreenToWorld(finger.position, world);
        const CVortanVector2 d = VexSub(finger.position, bodyScreen);
        if (m_world->QueryPoint(world, VEX_BODY_DYNAMIC, 3) == p.body ||
            d.Length() <= p.labelSize.x) {
            m_aimDrag = 1;
            camera.FollowNone();
            return 1;
        }
        return 0;
    }
    if (!m_aimDrag)
        return 0;
    if (!finger.pressed) {
        m_aimDrag = 0;
        const CVortanVector2 d = VexSub(finger.position, bodyScreen);
        if (d.Length() > p.labelSize.x && p.stretching) {
            p.aiming = 1;
            p.stretching = 1;
            m_released = 1;
        } else {
            p.aiming = 0;
            p.stretching = 0;
        }
        m_stretchSound = 0;
        return 1;
    }
    CVortanVector2 d = VexSub(bodyScreen, finger.position);
    const float length = d.Length();
    const float stretch = (length - p.labelSize.x) * 0.75f;
    if (stretch > 0.0f && length > 0.0f) {
        d = VexScale(d, stretch / length);
        d.x = -d.x;
        const float quarter = 0.5f * camera.GetHalfScreen().x;
        d = CVortanVector2(d.x / quarter, d.y / quarter);
        const float l = d.Length();
        if (l > kAimMax)
            d = VexScale(d, kAimMax / l);
    }
    if (stretch < 0.0f) {
        p.aiming = 0;
        p.stretching = 0;
    } else {
        if (!m_stretchSound) {
            m_stretchSound = 1;
            m_game->PlaySound(9, 0, 0);
        }
        p.stretch = d;
        p.aim = d;
        p.aiming = 1;
        p.stretching = 1;
    }
    return 1;
}

void CVexPlayState::FireShot()
{
    // A turn that has run out or already passed on takes no shot.
    if (m_timedOut || m_turnEndPosted)
        return;
    for (int i = 0; i < m_pending.GetCount(); ++i)
        delete (CVexMessage*)m_pending.GetAt(i);
    m_pending.RemoveAll();
    m_shot = 1;
    m_shotInProgress = 1;
    m_ffTime = 0.0f;
    m_settled = m_settlePass = m_settlePosted = 0;
    m_squibsStill = m_projectilesStill = m_queueEmpty = m_effectsDone = 0;

    CVexPlayer& p = Player(m_localSide);
    const int weapon = (int)p.weapon;
    m_firedWeapon = weapon;
    m_bombItemFired = 0;
    if (weapon == VEX_WEAPON_SNOW || weapon == VEX_WEAPON_CLUSTER) {
        // Spent once the shot is kept (FinishShot).
        m_bombItemFired = 1;
    }
    ApplyPendingBlocks();
    SaveSnapshot();
    m_game->ResetGameClock();
    m_game->SetFastForward(1);

    PostSettlePositions();
    const CVortanVector2 launch = VexScale(p.aim, kLaunch);
    switch (weapon) {
    case VEX_WEAPON_JUMP:
        PostPlayerKnock(m_localSide, launch, 0);
        break;
    case VEX_WEAPON_WHIP:
        PostWhip(m_localSide, p.stretch);
        break;
    default: {
        static const int kTypes[6] = {0, VEX_PROJECTILE_BOMB, VEX_PROJECTILE_STICKY,
                                      0, VEX_PROJECTILE_SNOW, VEX_PROJECTILE_CLUSTER};
        const int slot = PostSpawnProjectile(m_localSide, kTypes[weapon % 6]);
        PostLaunchProjectile(m_localSide, launch, slot);
        break;
    }
    }
    PostPhysicsSwitch(1);
}

void CVexPlayState::FastForward()
{
    float frame = 0.0f;
    int steps = 0;
    while (m_shot) {
        HandleMessages();
        CheckTurnEnd();
        if (!m_shot)
            break;
        m_live->Step(kShotsStep);
        m_effects->Update(kShotsStep);
        if (m_waterPending)
            m_waterTimer += kShotsStep;
        m_game->AdvanceSimulatedClock(VEX_STEP_MS);
        if (m_physics)
            m_world->Step();
        m_ffTime += kShotsStep;
        ++steps;
        frame += kFrameStep;
        if (frame > kFrameBudget)
            break;
        if (m_ffTime > kShotLimit)
            break;
    }
    m_lastFrameSteps = steps;
    if (m_shot && m_ffTime > kShotLimit) {
        // Never settled: the shot is dropped and the turn goes on.
        m_execution->Clear();
        RestoreSnapshot();
        m_shot = 0;
        m_shotInProgress = 0;
        m_game->SetFastForward(0);
        ++m_droppedShots;
    }
    m_game->RestampStepClock();
}

void CVexPlayState::AbandonShot()
{
    if (m_shot && m_live) {
        m_execution->Clear();
        RestoreSnapshot();
        m_shot = 0;
        m_shotInProgress = 0;
    }
    if (m_game)
        m_game->SetFastForward(0);
}

void CVexPlayState::SaveSnapshot()
{
    CopyScene(*m_snapshot, *m_live);
    m_cameraCopy.CopyFrom(m_renderer->GetCamera());
    m_cameraCopy.FollowNone();
    m_shadow.localSide = m_localSide;
    m_shadow.opponent = m_opponent;
    m_shadow.turnSide = m_turnSide;
    m_shadow.winner = m_winner;
    m_shadow.roundState = m_roundState;
    m_shadow.timedOut = m_timedOut;
    m_shadow.settlePosted = m_settlePosted;
    m_shadow.aimDrag = m_aimDrag;
    m_renderer->GetCamera().SetScene(m_live);
}

void CVexPlayState::RestoreSnapshot()
{
    CopyScene(*m_live, *m_snapshot);
    m_renderer->GetCamera().CopyFrom(m_cameraCopy);
    m_renderer->GetCamera().FollowNone();
    m_renderer->GetCamera().SetScene(m_live);
    m_localSide = m_shadow.localSide;
    m_opponent = m_shadow.opponent;
    m_turnSide = m_shadow.turnSide;
    m_winner = m_shadow.winner;
    m_roundState = m_shadow.roundState;
    m_timedOut = m_shadow.timedOut;
    m_settlePosted = m_shadow.settlePosted;
    m_aimDrag = m_shadow.aimDrag;
    m_batchExecuted = m_shotFinished = m_opponentPlaybackDone = m_playbackDone = 0;
    m_cameraReturn = 0;
    m_waterPending = 0;
    m_waterTimer = 0.0f;
    m_effects->Clear();
}

void CVexPlayState::FinishShot()
{
    const int flushed = FlushBatch();
    m_shot = 0;
    m_game->SetFastForward(0);
    RestoreSnapshot();
    if (flushed != VORTAN_OK) {
        // Too big for one message: dropped as a shot that never settles.
        m_shotInProgress = 0;
        ++m_droppedShots;
        return;
    }
    m_game->ResetGameClock();
    m_playbackDone = m_opponentPlaybackDone = 0;
    m_physics = 1;
    m_shotFinished = 1;
    CVexPlayer& p = Player(m_localSide);
    if (m_bombItemFired) {
        m_bombItemFired = 0;
        if (!m_training) {
            p.bombUsed = 1;
            p.weapon = VEX_WEAPON_BOMB;
            // The item of the kind fired is the one spent.
            const int item = m_firedWeapon == VEX_WEAPON_SNOW ? m_snowItem[m_localSide]
                                                              : m_clusterItem[m_localSide];
            if (COrloApplication* app = m_game->GetHostApplication())
                app->SendValuePair(item, 1);
        }
        LayoutButtons(1);
        SetRoundState(m_roundState);
    }
    // The playback starts in this step, as on the other side when the batch arrives.
    ReleaseScheduledMessages();
}
