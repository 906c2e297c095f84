// CVexPlayState: life cycle, the per-step update, buttons, contacts and the computer side.
#include "game/VexPlayState.h"

#include <math.h>
#include <new>

#include "engine/platform/VortanApplication.h"
#include "game/StateGame.h"
#include "game/VexAmbientSounds.h"
#include "game/VexButton.h"
#include "game/VexButtonManager.h"
#include "game/VexChatBubbles.h"
#include "game/VexEffectList.h"
#include "game/VexPhysicsWorld.h"
#include "game/VexProjectile.h"
#include "game/VexRenderer.h"
#include "game/VexScene.h"
#include "platform/OrloApplication.h"
#include "platform/OrloLanguage.h"
#include "platform/OrlogateApplication.h"

namespace {
const float kStep = 1.0f / 30.0f;
const float kContactSound = 0.0005f;
} // namespace

CVexPlayState::CVexPlayState()
    : m_live(nullptr), m_snapshot(nullptr), m_displayed(nullptr), m_snapshotWorld(nullptr),
      m_shadow(), m_execution(nullptr), m_out(nullptr), m_acks(nullptr), m_scheduled(nullptr),
      m_buttons(nullptr), m_effects(nullptr), m_ambient(nullptr), m_shade(nullptr), m_localSide(0),
      m_opponent(1), m_turnSide(0), m_winner(VEX_WINNER_DRAW), m_host(0), m_training(0), m_level(0),
      m_firstSide(0), m_backgroundStyle(0), m_roundState(0), m_roundNumber(0), m_firstRound(1),
      m_turnStart(0.0f), m_turnLimit(30.0f), m_elapsed(0.0f), m_timerFraction(0.0f), m_beeps(),
      m_beepFrequency(0), m_pulseScale(0.0f), m_pulseSpeed(0.0f), m_startDelay(0.0f),
      m_turnActive(0), m_timedOut(0), m_endReason(-1), m_bannerFade(0.0f), m_clocks(),
      m_stateStart(0.0f), m_matchEndTime(0.0f), m_matchEndNoted(0), m_roundDecided(0),
      m_gameOver(0), m_resultPosted(0), m_roundReadyPosted(0), m_localReadySent(0),
      m_turnEndPosted(0), m_matchEndPosted(0), m_leavePosted(0), m_leaveBattleSent(0), m_left(0),
      m_leave(0), m_confirm(0), m_restart(0), m_skipNextTurn(0), m_opponentGameOver(0),
      m_matchDecided(0), m_matchCounted(0), m_gameOverRun(0), m_matchEndRun(0), m_matchEndCount(0),
      m_aimDrag(0), m_pan(0), m_pinch(0), m_zoomHeld(0), m_stretchSound(0), m_released(0),
      m_shot(0), m_shotInProgress(0), m_ffTime(0.0f), m_shotFinished(0), m_batchExecuted(0),
      m_playbackDone(0), m_opponentPlaybackDone(0), m_cameraReturn(0), m_physics(0),
      m_lastFrameSteps(0), m_droppedShots(0), m_firedWeapon(0), m_settled(0), m_squibsStill(0),
      m_projectilesStill(0), m_effectsDone(0), m_queueEmpty(0), m_settlePass(0), m_settlePosted(0),
      m_waterPending(0), m_waterTimer(0.0f), m_waterLimit(1.0f), m_lastSendTime(0), m_bytesSent(0),
      m_bytesReceived(0), m_gameOverSent(0), m_highestExecuteAt(0), m_bombItemFired(0),
      m_playbackEndPending(0), m_playbacks(0), m_piecesPlayed(0), m_projectilesDrowned(0),
      m_accepted(0), m_playbackHook(nullptr), m_playbackContext(nullptr)
{
    m_snowItem[0] = m_snowItem[1] = 0;
    m_clusterItem[0] = m_clusterItem[1] = 0;
    m_starts[0] = m_starts[1] = 0;
    m_bombPack[0][0] = m_bombPack[0][1] = m_bombPack[1][0] = m_bombPack[1][1] = 0;
    m_loaderDraws = 0;
}

CVexPlayState::~CVexPlayState()
{
    Release();
}

CVexPlayer& CVexPlayState::Player(int side)
{
    return m_live->GetPlayer(side);
}

const CVortanString& CVexPlayState::Text(int index) const
{
    static const CVortanString empty;
    COrloLanguage* language = m_game ? m_game->GetLanguageObject() : nullptr;
    return language ? language->GetText(index) : empty;
}

int CVexPlayState::Init(CStateGame* game)
{
    CVexState::Init(game);
    m_typeId = VEX_STATE_PLAY;
    game->ClearMatchFlags();
    while (!game->IsLoadingDone() && game->GetHostApplication())
        game->LoadNextAsset(true);
    game->LoadGameFont();

    // The live world starts empty; the scenes put their squibs into it.
    m_world->Init(kStep, 4);
    m_live = new (std::nothrow) CVexScene();
    m_snapshot = new (std::nothrow) CVexScene();
    m_snapshotWorld = new (std::nothrow) CVexPhysicsWorld(game->GetGameContext());
    CVexGameContext* context = game->GetGameContext();
    m_execution = new (std::nothrow) CVexMessageQueue(context);
    m_out = new (std::nothrow) CVexMessageQueue(context);
    m_acks = new (std::nothrow) CVexMessageQueue(context);
    m_scheduled = new (std::nothrow) CVexMessageQueue(context);
    m_effects = new (std::nothrow) CVexEffectList();
    m_buttons = new (std::nothrow) CVexButtonManager();
    m_ambient = new (std::nothrow) CVexAmbientSounds();
    if (!m_live || !m_snapshot || !m_snapshotWorld || !m_execution || !m_out || !m_acks ||
        !m_scheduled || !m_effects || !m_buttons || !m_ambient) {
        Release();
        return VORTAN_E_NOMEMORY;
    }
    m_snapshotWorld->Init(kStep, 4);
    m_snapshot->Init(game, m_renderer, m_snapshotWorld, 0);
    m_live->Init(game, m_renderer, m_world, 0);
    m_displayed = m_live;
    m_effects->SetGame(game);
    m_effects->SetRenderer(m_renderer);
    m_seen.RemoveAll();
    m_world->AddListener(this);

    m_localSide = 0;
    m_opponent = 1;
    m_turnSide = 0;
    m_level = 0;
    m_backgroundStyle = abs(IVortanApplication::RandomInt(0, 9)) % 10;

    m_buttons->Init(m_renderer);
    m_buttons->SetListener(this);
    if (COrloApplication* app = game->GetHostApplication())
        app->StopMusic();
    m_ambient->Init(game);
    for (int id = 17; id <= 19; ++id)
        m_ambient->AddCommonSound(id);
    for (int id = 20; id <= 22; ++id)
        m_ambient->AddRareSound(id);
    m_ambient->SetLoopSound(23);
    Reset();
    LayoutButtons(0);
    SetResult(0);
    return VORTAN_OK;
}

void CVexPlayState::Reset()
{
    CVexState::Reset();
    m_nextState = VEX_STATE_MENU;
    if (!m_live)
        return;
    SetRoundState(VEX_ROUND_RESET);
    m_live->ClearScene();
    m_execution->Clear();
    m_out->Clear();
    m_acks->Clear();
    m_scheduled->Clear();
    m_effects->Clear();
    m_seen.RemoveAll();
    for (int i = 0; i < m_pending.GetCount(); ++i)
        delete (CVexMessage*)m_pending.GetAt(i);
    m_pending.RemoveAll();
    m_training = 0;
    m_host = 0;
    m_starts[0] = m_starts[1] = 0;
    m_left = 0;
    m_endReason = -1;
    m_leavePosted = 0;
    m_leaveBattleSent = 0;
    m_matchEndPosted = 0;
    m_matchEndNoted = 0;
    m_matchDecided = 0;
    m_matchCounted = 0;
    m_opponentGameOver = 0;
    m_gameOverRun = 0;
    m_matchEndRun = 0;
    m_roundNumber = 0;
    m_firstRound = 1;
    m_gameOverSent = 0;
    m_playbackEndPending = 0;
    for (int side = 0; side < 2; ++side) {
        m_snowItem[side] = m_clusterItem[side] = 0;
        Player(side).roundWins = 0;
        Player(side).ResetItems();
        Player(side).playerId = 0;
    }
    NewGame();
}

void CVexPlayState::Release()
{
    if (m_live)
        AbandonShot();
    if (m_world)
        m_world->RemoveListener(this);
    if (m_ambient)
        m_ambient->StopAll();
    delete m_ambient;
    m_ambient = nullptr;
    delete m_buttons;
    m_buttons = nullptr;
    delete m_execution;
    delete m_out;
    delete m_acks;
    delete m_scheduled;
    m_execution = m_out = m_acks = m_scheduled = nullptr;
    for (int i = 0; i < m_pending.GetCount(); ++i)
        delete (CVexMessage*)m_pending.GetAt(i);
    m_pending.RemoveAll();
    if (m_live)
        ReleaseItemImages();
    ReleaseShade();
    delete m_live;
    delete m_snapshot;
    m_live = m_snapshot = m_displayed = nullptr;
    delete m_snapshotWorld;
    m_snapshotWorld = nullptr;
    delete m_effects;
    m_effects = nullptr;
    if (m_renderer)
        m_renderer->GetCamera().SetScene(nullptr);
}

void CVexPlayState::SetupVsComputer(int flag)
{
    m_training = flag ? 1 : 0;
    m_nextState = VEX_STATE_TRAINING;
    if (flag) {
        Player(m_localSide).name = CVortanString("You");
        Player(m_opponent).name = CVortanString("Master Squib");
    }
}

void CVexPlayState::SetSides(int localSide)
{
    m_localSide = localSide ? 1 : 0;
    m_opponent = 1 - m_localSide;
}

void CVexPlayState::SetPlayerInfo(int side, int playerId, const CVortanString& name)
{
    Player(side).playerId = playerId;
    Player(side).name = name;
}

void CVexPlayState::SetAim(const CVortanVector2& aim)
{
    CVexPlayer& p = Player(m_localSide);
    p.aim = aim;
    p.stretch = aim;
    p.aiming = 1;
    p.stretching = 1;
}

float CVexPlayState::GetTurnTimeLeft()
{
    if (m_roundState != VEX_ROUND_OWN_TURN)
        return 0.0f;
    float f = m_timerFraction;
    f = f < 0.0f ? 0.0f : (f > 1.0f ? 1.0f : f);
    m_timerFraction = f;
    return f;
}

int CVexPlayState::GetGameTime()
{
    return m_game->GetGameClock();
}

void CVexPlayState::OnConnectionLost()
{
    if (!m_training)
        m_leave = 1;
    Update(0.0f);
}

int CVexPlayState::OnPlayerLeft(int playerId)
{
    if (HasEnded())
        return 0;
    int winner;
    if (playerId == Player(0).playerId)
        winner = 1;
    else if (playerId == Player(1).playerId)
        winner = 0;
    else
        return 0;
    m_left = 1;
    SetMatchResult(winner);
    // The GameOver carries the side that stays as the winner.
    m_winner = winner;
    PostGameOver(VEX_OVER_LEFT);
    return 1;
}

void CVexPlayState::ShowOpponentChat(const CVortanString& text)
{
    if (m_gameOver)
        return;
    CVexChatBubbles* bubbles = m_game->GetChatBubbles();
    if (!bubbles)
        return;
    const float w = m_renderer->GetViewWidth(), h = m_renderer->GetViewHeight();
    bubbles->Clear();
    bubbles->AddBubble(text, CVortanString("Opponent"), Player(m_opponent).colour.ToARGB(),
                       CVortanVector2(0.9f * w, 0.825f * h), CVortanVector2(w, h), 1);
}

void CVexPlayState::ShowOwnChat(const CVortanString& text)
{
    CVexChatBubbles* bubbles = m_game->GetChatBubbles();
    if (!bubbles)
        return;
    const float w = m_renderer->GetViewWidth(), h = m_renderer->GetViewHeight();
    bubbles->AddBubble(text, CVortanString("Me"), Player(m_localSide).colour.ToARGB(),
                       CVortanVector2(0.1f * w, 0.825f * h), CVortanVector2(0.0f, h), 0);
}

// --- the step --------------------------------------------------------------------------------

void CVexPlayState::Update(float dt)
{
    if (!m_live)
        return;
    m_bannerFade -= 200.0f * dt;
    if (m_bannerFade < -1000.0f)
        m_bannerFade = -1000.0f;
    m_clocks[0] += dt;
    m_clocks[1] += dt;

    StartOfTurn(dt);

    if (!m_shot) {
        HandleMessages();
        SendPump();
    }
    if (m_roundState == VEX_ROUND_OWN_TURN && m_shotFinished && !m_shot)
        ReleaseScheduledMessages();
    else if (m_roundState == VEX_ROUND_OTHER_TURN && m_batchExecuted && !m_playbackDone)
        ReleaseScheduledMessages();

    UpdateCameraInput();
    m_buttons->Update(dt);

    if (m_game->IsGameClosed()) {
        // The connection is gone: a shot still being fast-forwarded can never be sent.
        AbandonShot();
        if (m_roundState != VEX_ROUND_GAME_OVER) {
            SetRoundState(VEX_ROUND_GAME_OVER);
            m_gameOver = 1;
            m_matchDecided = 1;
            m_gameOverRun = 1;
            m_matchEndRun = 1;
        }
    } else {
        UpdateRounds(dt);
    }

    if (!m_shot) {
        if (m_roundState == VEX_ROUND_OTHER_TURN || m_roundState == VEX_ROUND_OWN_TURN)
            CheckWater();
        m_live->Step(dt);
        m_effects->Update(dt);
        m_renderer->GetCamera().Update();
        if (m_physics)
            m_world->Step();
        m_ambient->Update(dt);
    }

    if (m_leave) {
        if (CVexChatBubbles* bubbles = m_game->GetChatBubbles())
            bubbles->Clear();
        if (!m_buttons->IsBusy()) {
            AbandonShot();
            m_ambient->StopAll();
            SetDone();
        }
    }
}

void CVexPlayState::StartOfTurn(float dt)
{
    if (m_turnActive || m_startDelay <= 0.0f)
        return;
    m_startDelay -= dt;
    if (m_startDelay >= 0.0f)
        return;
    m_startDelay = 0.0f;
    m_turnActive = 1;
    FollowSide(m_turnSide, 0.6f);
    m_bannerFade = 512.0f;
    m_turnStart = m_game->GetSeconds();
    if (m_training)
        ShowOpponentChat(m_sceneName);
}

void CVexPlayState::FollowSide(int side, float zoom)
{
    CVexCamera& camera = m_renderer->GetCamera();
    if (ValidSide(side) && Player(side).body)
        camera.FollowBody(Player(side).body);
    Player(m_localSide).zoom = zoom;
    camera.SetTargetZoom(zoom);
}

// --- buttons ---------------------------------------------------------------------------------

CVexButton* CVexPlayState::Button(int id) const
{
    return m_buttons ? m_buttons->FindButton(id) : nullptr;
}

void CVexPlayState::ShowButton(int id, int shown)
{
    if (CVexButton* button = Button(id)) {
        button->visible = shown ? 1 : 0;
        if (!shown) {
            button->state = VEX_BUTTON_IDLE;
            button->scale = 1.0f;
        }
    }
}

void CVexPlayState::HideAllButtons()
{
    for (int i = 0; m_buttons && i < m_buttons->GetButtonCount(); ++i) {
        CVexButton* button = m_buttons->GetButton(i);
        button->visible = 0;
        button->state = VEX_BUTTON_IDLE;
        button->scale = 1.0f;
    }
}

void CVexPlayState::AddButton(int id, int image, float x, float y, float half)
{
    m_buttons->AddButton(CVortanVector2(x, y), CVortanVector2(half, half), image, id, 0);
}

int CVexPlayState::ShopBombImage()
{
    const CVexPlayer& p = Player(m_localSide);
    if (p.bombUsed || (!p.clusterBombOwned && !p.snowBombOwned))
        return 24;
    // Each owned bomb shows itself; the snow bomb when both are owned, as it is the one the
    // button selects.
    return p.snowBombOwned ? 22 : 23;
}

void CVexPlayState::LayoutButtons(int inBattle)
{
    if (!m_buttons)
        return;
    m_buttons->RemoveAllButtons();
    const float w = m_renderer->GetViewWidth(), h = m_renderer->GetViewHeight();
    const float s = w / 30.0f, large = w / 20.0f, half = w / 15.0f;
    AddButton(VEX_BTN_YES, 26, 0.4f * w, 0.6f * h, large);
    AddButton(VEX_BTN_NO, 27, 0.6f * w, 0.6f * h, large);
    AddButton(VEX_BTN_EXIT, 12, (m_training ? 0.4f : 0.5f) * w, h - 1.2f * s, s);
    if (m_training)
        AddButton(VEX_BTN_RESTART, 67, 0.6f * w, h - 1.2f * s, s);
    AddButton(VEX_BTN_HIDDEN, 61, 0.5f * w, 0.75f * h, s);
    ShowButton(VEX_BTN_HIDDEN, 0);
    ShowButton(VEX_BTN_YES, m_confirm);
    ShowButton(VEX_BTN_NO, m_confirm);
    if (inBattle) {
        const int side = m_localSide;
        AddButton(VEX_BTN_CHAT_LEFT, 65, s, h - s, s);
        AddButton(VEX_BTN_CHAT_RIGHT, 65, w - s, h - s, s);
        AddButton(VEX_BTN_JUMP, side ? 53 : 50, 0.5f * w - 6.0f * s, 1.5f * s, s);
        AddButton(VEX_BTN_WHIP, side ? 55 : 52, 0.5f * w - 3.0f * s, 1.5f * s, s);
        AddButton(VEX_BTN_BOMB, side ? 54 : 51, 0.5f * w, 1.5f * s, s);
        AddButton(VEX_BTN_STICKY, 56, 0.5f * w + 3.0f * s, 1.5f * s, s);
        const int bombImage = ShopBombImage();
        AddButton(VEX_BTN_SHOP_BOMB, bombImage, 0.5f * w + 6.0f * s, 1.5f * s, s);
        if (CVexButton* b = Button(VEX_BTN_SHOP_BOMB))
            b->locked = bombImage == 24 || Player(side).bombUsed ? 1 : 0;
        AddButton(VEX_BTN_READY, 61, 0.5f * w, 0.75f * h, half);
        AddButton(VEX_BTN_LEAVE, 61, 0.5f * w, 0.75f * h, half);
        ShowButton(VEX_BTN_READY, 0);
        ShowButton(VEX_BTN_LEAVE, 0);
        if (m_training)
            SetupTrainingWeapons();
    }
    if (m_roundState == VEX_ROUND_RESET)
        HideAllButtons();
    else if (m_roundState == VEX_ROUND_LOADED) {
        HideAllButtons();
        ShowButton(VEX_BTN_EXIT, 1);
    }
}

void CVexPlayState::SelectWeapon(int weapon, int hint)
{
    Player(m_localSide).weapon = (u32)weapon;
    if (m_training && hint >= 50)
        ShowOpponentChat(m_hints[hint - 50]);
}

void CVexPlayState::RestartTraining()
{
    m_restart = 1;
    PostRoundBegin(0, m_level, 0, 0);
}

void CVexPlayState::ClickButton(int id)
{
    if (CVexButton* button = Button(id))
        OnButtonClicked(button);
}

void CVexPlayState::OnButtonClicked(CVexButton* button)
{
    if (!button)
        return;
    CVexPlayer& p = Player(m_localSide);
    switch (button->id) {
    case VEX_BTN_EXIT:
        m_confirm = !m_confirm;
        ShowButton(VEX_BTN_YES, m_confirm);
        ShowButton(VEX_BTN_NO, m_confirm);
        break;
    case VEX_BTN_RESTART:
        if (m_turnActive)
            RestartTraining();
        break;
    case VEX_BTN_YES:
        m_confirm = 0;
        ShowButton(VEX_BTN_YES, 0);
        ShowButton(VEX_BTN_NO, 0);
        ForfeitMatch();
        break;
    case VEX_BTN_NO:
        m_confirm = 0;
        ShowButton(VEX_BTN_YES, 0);
        ShowButton(VEX_BTN_NO, 0);
        break;
    case VEX_BTN_CHAT_LEFT:
    case VEX_BTN_CHAT_RIGHT:
        if (!m_training)
            if (COrlogateApplication* app = m_game->GetGateApplication())
                app->ShowChat();
        break;
    case VEX_BTN_JUMP:
        SelectWeapon(VEX_WEAPON_JUMP, 50);
        break;
    case VEX_BTN_WHIP:
        SelectWeapon(VEX_WEAPON_WHIP, 51);
        break;
    case VEX_BTN_BOMB:
        SelectWeapon(VEX_WEAPON_BOMB, 52);
        break;
    case VEX_BTN_STICKY:
        SelectWeapon(VEX_WEAPON_STICKY, 53);
        break;
    case VEX_BTN_SHOP_BOMB:
        if (button->locked || p.bombUsed)
            break;
        if (p.snowBombOwned)
            SelectWeapon(VEX_WEAPON_SNOW, 54);
        else if (p.clusterBombOwned)
            SelectWeapon(VEX_WEAPON_CLUSTER, 55);
        else
            SelectWeapon(VEX_WEAPON_BOMB, 0);
        break;
    case VEX_BTN_READY:
        if (m_confirm)
            break;
        if (m_training) {
            RestartTraining();
        } else if (!m_localReadySent) {
            m_localReadySent = 1;
            PostReady(m_localSide);
        }
        ShowButton(VEX_BTN_READY, 0);
        break;
    case VEX_BTN_LEAVE:
        if (!m_training) {
            if (!m_leaveBattleSent) {
                m_leaveBattleSent = 1;
                PostLeaveBattle(0);
            }
        } else if (m_winner == m_localSide) {
            ForfeitMatch();
        } else {
            RestartTraining();
        }
        break;
    default:
        break;
    }
}

void CVexPlayState::OnBack(int value)
{
    (void)value;
    CVexButton* leave = Button(VEX_BTN_LEAVE);
    if (leave && leave->visible) {
        OnButtonClicked(leave);
        return;
    }
    CVexButton* ready = Button(VEX_BTN_READY);
    if (m_roundState == VEX_ROUND_BETWEEN && !Player(m_localSide).extra[1] && !m_confirm && ready &&
        ready->visible) {
        OnButtonClicked(ready);
        if (!m_training)
            return;
    }
    m_confirm = !m_confirm;
    ShowButton(VEX_BTN_YES, m_confirm);
    ShowButton(VEX_BTN_NO, m_confirm);
}

// --- contacts --------------------------------------------------------------------------------

void CVexPlayState::OnContact(const CVexPhysicsContact& contact)
{
    if (!m_live)
        return;
    for (int side = 0; side < 2; ++side) {
        CVexPlayer& p = Player(side);
        if (p.inPlay && p.body == contact.a && contact.impulse > kContactSound)
            m_game->PlaySound(7, 0, 0);
        for (int slot = 0; slot < VEX_PLAYER_SLOTS; ++slot) {
            CVexProjectile* projectile = p.slots[slot];
            if (!projectile || projectile->body != contact.a)
                continue;
            const u32 type = projectile->type;
            if (type == VEX_PROJECTILE_BOMB || type == VEX_PROJECTILE_CLUSTER_PIECE) {
                if (contact.impulse > kContactSound)
                    m_game->PlaySound(3, 0, 0);
            } else if (contact.b && contact.b->kind == VEX_BODY_STATIC) {
                CVexPhysicsBody* body = projectile->body;
                body->kind = VEX_BODY_KINEMATIC;
                body->velocity.Set(0.0f, 0.0f);
                projectile->link = (i32)contact.b->id;
                m_game->PlaySound(3, 0, 0);
            }
        }
    }
}
