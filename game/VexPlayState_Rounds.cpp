// CVexPlayState: rounds and turns: the round states, the turn timer with its beeps and
// strikes, the end of a turn, round results, the match result and leaving.
#include <math.h>

#include "VortanSound/VortanSoundWave.h"
#include "game/StateGame.h"
#include "game/VexButton.h"
#include "game/VexButtonManager.h"
#include "game/VexChatBubbles.h"
#include "game/VexEffectList.h"
#include "game/VexPlayState.h"
#include "game/VexRenderer.h"
#include "game/VexScene.h"
#include "game/VexTestTimers.h"
#include "platform/OrloApplication.h"
#include "platform/OrloDevice.h"

void CVexPlayState::SetRoundState(int state)
{
    m_roundState = state;
    if (state == VEX_ROUND_BETWEEN) {
        m_localReadySent = 0;
        m_stateStart = m_game->GetSeconds();
    }
    if (!m_buttons)
        return;
    HideAllButtons();
    if (state == VEX_ROUND_RESET)
        return;
    if (state == VEX_ROUND_LOADED) {
        ShowButton(VEX_BTN_EXIT, 1);
        return;
    }
    ShowButton(VEX_BTN_YES, m_confirm);
    ShowButton(VEX_BTN_NO, m_confirm);
    ShowButton(VEX_BTN_EXIT, 1);
    if (m_training)
        ShowButton(VEX_BTN_RESTART, 1);
    const int shown[] = {VEX_BTN_CHAT_LEFT, VEX_BTN_CHAT_RIGHT, VEX_BTN_JUMP,     VEX_BTN_BOMB,
                         VEX_BTN_STICKY,    VEX_BTN_WHIP,       VEX_BTN_SHOP_BOMB};
    for (int id : shown)
        ShowButton(id, 1);
}

void CVexPlayState::NewGame()
{
    m_live->ClearScene();
    m_effects->Clear();
    for (int side = 0; side < 2; ++side) {
        CVexPlayer& p = Player(side);
        p.strikes = 3;
        p.extra[1] = 0;
        p.weapon = VEX_WEAPON_BOMB;
        p.showDamage = 0;
    }
    m_roundDecided = m_gameOver = m_resultPosted = m_roundReadyPosted = 0;
    m_leave = m_confirm = 0;
    m_shot = m_shotInProgress = m_shotFinished = m_batchExecuted = 0;
    m_playbackDone = m_opponentPlaybackDone = m_released = 0;
    m_settled = m_settlePass = m_settlePosted = m_waterPending = 0;
    m_queueEmpty = m_effectsDone = 0;
    m_turnEndPosted = 0;
    m_timedOut = 0;
    m_endReason = -1;
    m_playbackEndPending = 0;
    m_beepFrequency = 0;
    m_turnSide = -1;
    m_winner = VEX_WINNER_DRAW;
    m_ffTime = 0.0f;
    m_game->SetFastForward(0);
    m_turnLimit = VexTurnLimitSeconds();
    m_waterTimer = 0.0f;
    m_waterLimit = 1.0f;
    m_bannerFade = 255.0f;
    m_stateStart = m_game->GetSeconds();
    m_game->ResetGameClock();
}

void CVexPlayState::SetMatchResult(int winner)
{
    m_resultIds.RemoveAll();
    m_resultPlaces.RemoveAll();
    auto add = [this](int id, int place) {
        m_resultIds.SetAtGrow(m_resultIds.GetSize(), id);
        m_resultPlaces.SetAtGrow(m_resultPlaces.GetSize(), place);
    };
    const int id0 = Player(0).playerId, id1 = Player(1).playerId;
    if (winner == 0) {
        add(id0, 1);
        add(id1, 2);
    } else if (winner == 1) {
        add(id0, 2);
        add(id1, 1);
    } else if (winner == 666) {
        const int first = ValidSide(m_turnSide) ? m_turnSide : 0;
        add(Player(first).playerId, 1);
        add(Player(1 - first).playerId, 1);
    }
}

int CVexPlayState::IsMatchOver()
{
    if (m_gameOver)
        return 1;
    if (Player(0).roundWins > 0) {
        m_winner = 0;
        m_gameOver = 1;
        if (m_localSide == 0)
            SetResult(1);
        SetMatchResult(0);
    }
    if (Player(1).roundWins > 0) {
        m_winner = 1;
        m_gameOver = 1;
        if (m_localSide == 1)
            SetResult(1);
        SetMatchResult(1);
    }
    return m_gameOver;
}

void CVexPlayState::ForfeitMatch()
{
    SetMatchResult(m_localSide == 0 ? 1 : 0);
    m_game->CountMatch(false);
    SetRoundState(VEX_ROUND_LEFT);
    PostMatchEnd(1);
}

void CVexPlayState::StartNextRound()
{
    m_firstSide = (m_firstSide + 1) % 2;
    if (m_training) {
        m_nextState = VEX_STATE_TRAINING;
        SetDone();
        return;
    }
    CVexLevelPicker* picker = m_game->GetLevelPicker();
    const int level = picker->PickRandomLevel();
    PostRoundBegin(m_firstSide, level, picker->RandomSpawnPoint(), picker->RandomSpawnPoint());
}

void CVexPlayState::SetupTrainingWeapons()
{
    if (!m_training)
        return;
    CVexPlayer& p = Player(m_localSide);
    p.ResetItems();
    const int all[] = {VEX_BTN_JUMP, VEX_BTN_WHIP, VEX_BTN_BOMB, VEX_BTN_STICKY, VEX_BTN_SHOP_BOMB};
    for (int id : all)
        if (CVexButton* b = Button(id))
            b->locked = 1;
    auto enable = [this](std::initializer_list<int> ids) {
        for (int id : ids)
            if (CVexButton* b = Button(id))
                b->locked = 0;
    };
    const int scene = m_level;
    if (scene == 0) {
        enable({VEX_BTN_JUMP});
        p.weapon = VEX_WEAPON_JUMP;
    } else if (scene == 1) {
        enable({VEX_BTN_JUMP, VEX_BTN_WHIP});
        p.weapon = VEX_WEAPON_JUMP;
    } else if (scene >= 2 && scene <= 4) {
        enable({VEX_BTN_BOMB});
        p.weapon = VEX_WEAPON_BOMB;
    } else if (scene >= 5 && scene <= 7) {
        enable({VEX_BTN_STICKY});
        p.weapon = VEX_WEAPON_STICKY;
    } else if (scene == 8 || scene == 9) {
        enable({VEX_BTN_JUMP, VEX_BTN_WHIP, VEX_BTN_BOMB, VEX_BTN_STICKY, VEX_BTN_SHOP_BOMB});
        if (scene == 8) {
            p.weapon = VEX_WEAPON_SNOW;
            p.snowBombOwned = 1;
        } else {
            p.weapon = VEX_WEAPON_CLUSTER;
            p.clusterBombOwned = 1;
        }
        if (CVexButton* b = Button(VEX_BTN_SHOP_BOMB))
            b->imageId = ShopBombImage();
    } else {
        enable({VEX_BTN_JUMP, VEX_BTN_WHIP, VEX_BTN_BOMB, VEX_BTN_STICKY});
        p.weapon = VEX_WEAPON_BOMB;
    }
}

void CVexPlayState::LoadTrainingTexts()
{
    for (int i = 0; i < 6; ++i)
        m_hints[i] = Text(50 + i);
    // The scene names follow the texts of the screens.
    m_sceneName = Text(101 + m_level);
    m_live->SetName(m_sceneName);
}

void CVexPlayState::ClearAim()
{
    for (int side = 0; side < 2; ++side) {
        CVexPlayer& p = Player(side);
        p.aiming = 0;
        p.stretching = 0;
        p.aim.Set(0.0f, 0.0f);
        p.stretch.Set(0.0f, 0.0f);
    }
    m_aimDrag = 0;
    m_released = 0;
}

void CVexPlayState::EndTurnWithoutShot()
{
    m_turnEndPosted = 1;
    m_settled = 1;
    ClearAim();
    CVexCamera& camera = m_renderer->GetCamera();
    if (camera.GetZoom() < 0.3f)
        camera.SetZoom(0.3f);
    PostNextTurn(m_opponent);
}

void CVexPlayState::BeginOwnTurn()
{
    m_resultPosted = 0;
    m_timedOut = 0;
    m_shot = m_shotInProgress = m_released = 0;
    m_settled = m_settlePass = m_settlePosted = m_waterPending = 0;
    m_squibsStill = m_projectilesStill = m_queueEmpty = m_effectsDone = 0;
    m_waterTimer = 0.0f;
    m_shotFinished = m_opponentPlaybackDone = 0;
    m_turnEndPosted = 0;
    m_cameraReturn = 0;
    for (int i = 0; i < 5; ++i)
        m_beeps[i] = 0;
    m_pulseScale = 0.0f;
    m_pulseSpeed = 0.0f;
    m_elapsed = 0.0f;
    m_turnStart = m_game->GetSeconds();
}

int CVexPlayState::GetBeepCount() const
{
    int count = 0;
    for (int i = 0; i < 5; ++i)
        count += m_beeps[i] ? 1 : 0;
    return count;
}

int CVexPlayState::GetTimerFrame() const
{
    int frame = (int)(m_elapsed / m_turnLimit * 16.0f);
    return frame < 0 ? 0 : (frame > 15 ? 15 : frame);
}

void CVexPlayState::UpdateTurnTimer()
{
    if (m_pulseScale > 0.0f || m_pulseSpeed != 0.0f) {
        m_pulseScale += m_pulseSpeed;
        m_pulseSpeed -= 0.1f;
        if (m_pulseScale < 0.0f) {
            m_pulseScale = 0.0f;
            m_pulseSpeed = 0.0f;
        } else if (m_pulseScale >= 2.0f) {
            m_pulseScale = 2.0f;
        }
    }
    if (!m_turnActive || m_shotInProgress || m_roundDecided || m_gameOver || m_timedOut)
        return;
    const float now = m_game->GetSeconds();
    m_elapsed = now - m_turnStart;
    m_timerFraction = 1.0f - m_elapsed / m_turnLimit;
    const float left = m_turnLimit - m_elapsed;
    if (left < 6.0f) {
        for (int i = 1; i <= 5; ++i) {
            if (!(left < (float)i) || m_beeps[i - 1])
                continue;
            if (m_beepFrequency == 0)
                m_beepFrequency = m_game->GetSoundFrequency(15);
            if (m_beepFrequency > 0)
                m_game->PlaySound(15, 0, (int)(m_beepFrequency * (1.0f + (5 - i) / 10.0f)));
            // The first beep (5 s left) also shakes the device.
            if (i == 5)
                m_game->Vibrate();
            m_beeps[i - 1] = 1;
            m_pulseScale = 1.0f;
            m_pulseSpeed = 0.3f;
        }
    }
    if (m_elapsed >= m_turnLimit) {
        m_timedOut = 1;
        m_game->PlaySound(16, 0, 0);
        CVexPlayer& p = Player(m_localSide);
        p.strikes -= 1;
        if (p.strikes < 1) {
            SetMatchResult(m_opponent);
            // The poster's winner: the opponent after the time-outs.
            m_winner = m_opponent;
            PostGameOver(VEX_OVER_TIME_OUTS);
        } else {
            EndTurnWithoutShot();
        }
    }
}

void CVexPlayState::CheckTurnEnd()
{
    if (m_shot) {
        CheckWaterAndSettle();
        return;
    }
    const int opponentDone = m_training ? m_playbackDone : m_opponentPlaybackDone;
    if (!(m_playbackDone && opponentDone && m_shotFinished))
        return;
    m_settled = 1;
    if (!m_roundDecided) {
        const int in0 = Player(0).inPlay, in1 = Player(1).inPlay;
        if (in0 && !in1) {
            m_winner = 0, m_roundDecided = 1;
            SetMatchResult(0);
        } else if (!in0 && in1) {
            m_winner = 1, m_roundDecided = 1;
            SetMatchResult(1);
        } else if (!in0 && !in1) {
            m_winner = VEX_WINNER_DRAW, m_roundDecided = 1;
        } else if (!m_turnEndPosted && !m_execution->HasRecords()) {
            EndTurnWithoutShot();
        }
    }
    if (m_roundDecided && !m_resultPosted)
        PostRoundResult();
}

void CVexPlayState::ApplyGameOverSteps()
{
    m_physics = 0;
    if (!(m_gameOverRun && m_matchEndRun))
        return;
    ShowButton(VEX_BTN_EXIT, 0);
    if (m_training) {
        ShowButton(VEX_BTN_RESTART, 0);
        if (CVexChatBubbles* bubbles = m_game->GetChatBubbles())
            bubbles->Clear();
    }
    if (m_leave)
        return;
    if (!m_matchEndNoted) {
        m_matchEndNoted = 1;
        m_matchEndTime = m_game->GetSeconds();
    }
    m_confirm = 0;
    ShowButton(VEX_BTN_YES, 0);
    ShowButton(VEX_BTN_NO, 0);
    const float since = m_game->GetSeconds() - m_matchEndTime;
    if (since >= 1.0f)
        ShowButton(VEX_BTN_LEAVE, 1);
    // Online the battle leaves by itself 5 s after the match end, once what it sent has been
    // acknowledged (a lost GameOver is resent), but not later than 30 s after it.
    const int sent = !m_out->HasRecords() || since >= VexUnackedHoldSeconds();
    if (!m_training && since >= 5.0f && sent && !m_leaveBattleSent) {
        m_leaveBattleSent = 1;
        PostLeaveBattle(0);
    }
}

void CVexPlayState::UpdateRounds(float dt)
{
    (void)dt;
    const float now = m_game->GetSeconds();
    switch (m_roundState) {
    case VEX_ROUND_LOADED:
        if (m_host && !m_roundReadyPosted &&
            (m_training || (Player(0).extra[1] && Player(1).extra[1]))) {
            m_roundReadyPosted = 1;
            PostBattleBegin(m_training ? 0 : m_firstSide);
        }
        break;
    case VEX_ROUND_GAME_OVER:
        ApplyGameOverSteps();
        break;
    case VEX_ROUND_BETWEEN: {
        const int ready = Player(m_localSide).extra[1];
        ShowButton(VEX_BTN_READY, !ready && !m_confirm);
        if (m_training) {
            if (now - m_stateStart >= 3.0f && !m_localReadySent) {
                m_localReadySent = 1;
                RestartTraining();
            }
            break;
        }
        if (!m_localReadySent && now - m_stateStart >= 5.0f) {
            m_localReadySent = 1;
            PostReady(m_localSide);
        }
        if (m_host && !m_roundReadyPosted && Player(0).extra[1] && Player(1).extra[1]) {
            m_roundReadyPosted = 1;
            StartNextRound();
        }
        break;
    }
    case VEX_ROUND_OWN_TURN:
        if (m_shot) {
            FastForward();
        } else {
            UpdateTurnTimer();
            if (m_roundState == VEX_ROUND_OWN_TURN)
                CheckTurnEnd();
        }
        break;
    default:
        break;
    }
}
