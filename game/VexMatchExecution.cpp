// CVexPlayState: the executor of the match messages: one handler a type, then the forwarding
// of what must reach the opponent. Records that name no side, slot or block of this battle,
// or carry numbers that are not finite, change nothing.
#include <math.h>

#include "game/StateGame.h"
#include "game/VexAssetTables.h"
#include "game/VexChatBubbles.h"
#include "game/VexEffectList.h"
#include "game/VexPhysicsWorld.h"
#include "game/VexPlayState.h"
#include "game/VexProjectile.h"
#include "game/VexRenderer.h"
#include "game/VexScene.h"
#include "platform/OrloApplication.h"
#include "platform/OrlogateApplication.h"

namespace {
int Finite(const CVortanVector2& v)
{
    return isfinite(v.x) && isfinite(v.y);
}
int ValidSlot(int slot)
{
    return slot >= 0 && slot < VEX_PLAYER_SLOTS;
}
} // namespace

void CVexPlayState::HandleMessages()
{
    while (CVexMessage* record = m_execution ? m_execution->Pop() : nullptr) {
        Execute(record);
        CVexMessageHeader header;
        const int headerOk = VexReadHeader(record->payload, record->size, header) == VORTAN_OK;
        if (!record->send || !headerOk) {
            delete record;
        } else if (header.executeAt < 0) {
            const int wasEmpty = !m_out->HasRecords();
            CVexMessage* copy = m_out->Push(record->type, record->payload, record->size, 0);
            if (copy && wasEmpty)
                SendMessage(copy);
            delete record;
        } else if (m_pending.Add(record) != VORTAN_OK) {
            delete record;
        }
        if (!m_execution)
            break;
    }
    if (m_playbackEndPending && m_execution && !m_execution->HasRecords()) {
        m_playbackEndPending = 0;
        ++m_playbacks;
        if (m_playbackHook)
            m_playbackHook(this, m_playbackContext);
    }
}

void CVexPlayState::Execute(CVexMessage* record)
{
    const u8* m = record->payload;
    const u32 size = record->size;
    if (!m || size < VEX_MSG_HEADER_SIZE)
        return;
    CVexScene* scene = m_live;
    CVexCamera& camera = m_renderer->GetCamera();
    switch (m[0]) {
    case VEX_MSG_ROUND_BEGIN:
        ExecuteRoundBegin(m, size);
        break;
    case VEX_MSG_BATTLE_BEGIN:
        ExecuteBattleBegin(m, size);
        break;
    case VEX_MSG_ROUND_RESULT:
        ExecuteRoundResult(m, size);
        break;
    case VEX_MSG_AIMING_BEGIN:
        SetRoundState(VEX_ROUND_BETWEEN);
        break;
    case VEX_MSG_GAME_OVER:
        ExecuteGameOver(m, size);
        break;
    case VEX_MSG_NEXT_TURN: {
        CVexMsgNextTurn msg;
        if (VexReadMessage(m, size, msg) == VORTAN_OK)
            ExecuteNextTurn(msg);
        break;
    }
    case VEX_MSG_MATCH_END:
        ExecuteMatchEnd(m, size);
        break;
    case VEX_MSG_LEAVE_BATTLE: {
        CVexMsgLeaveBattle msg;
        if (VexReadMessage(m, size, msg) != VORTAN_OK)
            break;
        if (!m_training)
            if (COrlogateApplication* app = m_game->GetGateApplication())
                app->ShowChat();
        m_leave = 1;
        if (m_training)
            SetDone();
        break;
    }
    case VEX_MSG_PHYSICS_SWITCH: {
        CVexMsgPhysicsSwitch msg;
        if (VexReadMessage(m, size, msg) != VORTAN_OK)
            break;
        m_physics = msg.value ? 1 : 0;
        scene->SetBlockAnimation(msg.value);
        break;
    }
    case VEX_MSG_PLAYER_OUT: {
        CVexMsgPlayerOut msg;
        if (VexReadMessage(m, size, msg) != VORTAN_OK || !ValidSide(msg.side))
            break;
        CVexPlayer& p = Player(msg.side);
        const int old = p.health;
        p.inPlay = 0;
        p.health = 0;
        if (p.body)
            p.body->mask = 0;
        if (msg.mode == 2) {
            p.showDamage = 1;
            p.labelRise = 0.0f;
            for (int i = 0; i < VEX_PLAYER_SLOTS; ++i)
                if (p.damageNumbers[i] == 0) {
                    p.damageNumbers[i] = old;
                    break;
                }
            if (p.body)
                p.labelAnchor = p.body->position;
        }
        break;
    }
    case VEX_MSG_SETTLE_POSITIONS: {
        CVexMsgSettlePositions msg;
        if (VexReadMessage(m, size, msg) != VORTAN_OK || !Finite(msg.position0) ||
            !Finite(msg.position1))
            break;
        m_physics = 0;
        const CVortanVector2 at[2] = {msg.position0, msg.position1};
        for (int side = 0; side < 2; ++side)
            if (CVexPhysicsBody* body = Player(side).body) {
                body->position = at[side];
                body->velocity.Set(0.0f, 0.0f);
            }
        break;
    }
    case VEX_MSG_PLAYER_KNOCK: {
        CVexMsgPlayerKnock msg;
        if (VexReadMessage(m, size, msg) != VORTAN_OK || !ValidSide((int)msg.side) ||
            !Finite(msg.push))
            break;
        CVexPhysicsBody* body = Player(msg.side).body;
        if (!body || !(body->weight > 0.0f))
            break;
        body->velocity.Set(msg.push.x / body->weight, msg.push.y / body->weight);
        body->asleep = 0;
        body->restTime = 0.0f;
        if (msg.cameraFlag)
            camera.FollowWorld(m_world);
        else
            camera.FollowBody(body);
        m_game->PlaySound(6, 0, 0);
        Player(0).inWater = Player(1).inWater = 0;
        m_world->SetActiveBody(body);
        break;
    }
    case VEX_MSG_READY: {
        CVexMsgReady msg;
        if (VexReadMessage(m, size, msg) == VORTAN_OK && ValidSide((int)msg.value))
            Player(msg.value).extra[1] = 1;
        break;
    }
    case VEX_MSG_GIVE_UP: {
        CVexMsgGiveUp msg;
        if (VexReadMessage(m, size, msg) != VORTAN_OK || !ValidSide((int)msg.value))
            break;
        Player(msg.value).extra[0] = 0;
        m_winner = 1 - (int)msg.value;
        SetMatchResult(m_winner);
        PostGameOver(VEX_OVER_GAVE_UP);
        break;
    }
    case VEX_MSG_PLAYER_DAMAGE: {
        CVexMsgPlayerDamage msg;
        if (VexReadMessage(m, size, msg) != VORTAN_OK || !ValidSide(msg.side) || msg.damage > 1000)
            break;
        CVexPlayer& p = Player(msg.side);
        const int old = p.health;
        p.health -= (int)msg.damage;
        p.showDamage = 1;
        p.labelRise = 0.0f;
        for (int i = 0; i < VEX_PLAYER_SLOTS; ++i)
            if (p.damageNumbers[i] == 0) {
                p.damageNumbers[i] = (int)msg.damage < old ? (int)msg.damage : old;
                break;
            }
        if (p.body)
            p.labelAnchor = p.body->position;
        break;
    }
    case VEX_MSG_SQUASH_CHECK:
        OnSignal28();
        break;
    case VEX_MSG_WHIP: {
        CVexMsgWhip msg;
        if (VexReadMessage(m, size, msg) != VORTAN_OK || !ValidSide((int)msg.side) ||
            !Finite(msg.vector))
            break;
        for (int side = 0; side < 2; ++side)
            if (Player(side).body)
                Player(side).body->asleep = 0;
        CVexPlayer& p = Player(msg.side);
        p.stretching = 1;
        p.whip = 1;
        p.whipBase = msg.vector;
        p.stretch.Set(0.0f, 0.0f);
        p.whipPhase = 0.0f;
        p.whipStruck = 0;
        m_game->PlaySound(10, 0, 0);
        break;
    }
    case VEX_MSG_SPAWN_PROJECTILE: {
        CVexMsgSpawnProjectile msg;
        if (VexReadMessage(m, size, msg) != VORTAN_OK || !ValidSide(msg.side) ||
            !ValidSlot(msg.slot))
            break;
        CVexProjectile* projectile = nullptr;
        if (msg.projectileType <= VEX_PROJECTILE_SNOW)
            projectile = scene->CreateProjectile(msg.side, msg.projectileType, msg.slot);
        if (projectile && !m_shot && msg.projectileType == VEX_PROJECTILE_CLUSTER_PIECE)
            ++m_piecesPlayed;
        if (projectile)
            camera.FollowWorld(m_world);
        else
            camera.FollowNone();
        break;
    }
    case VEX_MSG_PLACE_PROJECTILE:
    case VEX_MSG_LAUNCH_PROJECTILE: {
        CVexMsgPlaceProjectile msg; // both share their layout
        if (size < (u32)CVexMsgPlaceProjectile::kSize)
            break;
        msg.ReadBody(m);
        if (!ValidSide((int)msg.side) || msg.slot >= VEX_PLAYER_SLOTS || !Finite(msg.vector))
            break;
        CVexProjectile* projectile = Player(msg.side).GetSlot((int)msg.slot);
        if (!projectile || !projectile->body)
            break;
        CVexPhysicsBody* body = projectile->body;
        if (m[0] == VEX_MSG_PLACE_PROJECTILE) {
            body->velocity.Set(0.0f, 0.0f);
            body->position = msg.vector;
        } else if (body->weight > 0.0f) {
            body->velocity.Set(msg.vector.x / body->weight, msg.vector.y / body->weight);
            body->asleep = 0;
            body->restTime = 0.0f;
            m_game->PlaySound(2, 0, 0);
            Player(0).inWater = Player(1).inWater = 0;
        }
        break;
    }
    case VEX_MSG_PROJECTILE_GONE: {
        CVexMsgProjectileGone msg;
        if (VexReadMessage(m, size, msg) != VORTAN_OK || !ValidSide(msg.side) ||
            !ValidSlot(msg.slot))
            break;
        if (msg.value == 1 && !m_shot && m_live->GetPlayer(msg.side).slots[msg.slot])
            ++m_projectilesDrowned;
        m_live->RemoveProjectile(msg.side, msg.slot);
        m_snapshot->RemoveProjectile(msg.side, msg.slot);
        break;
    }
    case VEX_MSG_BLOCK_STATE: {
        CVexMsgBlockState msg;
        if (VexReadMessage(m, size, msg) != VORTAN_OK || !Finite(msg.push))
            break;
        CVexBlock* block = scene->GetBlocks()->FindById(msg.id);
        if (!block || !block->body)
            break;
        block->hitPoints = (i32)msg.hitPoints;
        CVortanVector2 at;
        camera.DequantizePosition(msg.x, msg.y, at);
        block->body->push = VexSub(at, block->body->position);
        block->body->position = at;
        block->body->impulseSum += msg.push;
        Player(0).inWater = Player(1).inWater = 0;
        break;
    }
    case VEX_MSG_BLOCK_DESTROYED: {
        CVexMsgBlockDestroyed msg;
        if (VexReadMessage(m, size, msg) != VORTAN_OK)
            break;
        CVexBlock* block = scene->GetBlocks()->FindById(msg.id);
        if (!block || !block->body)
            break;
        const CVortanVector2 half = CVexAssetTables::Get().BlockSize((int)block->shape);
        PostExplosion(block->body->position, (half.x + half.y) * 0.5f, 0, 0xFF808080u, 0);
        scene->GetBlocks()->RemoveById(msg.id);
        break;
    }
    case VEX_MSG_BATCH:
        if (m_roundState == VEX_ROUND_OTHER_TURN) {
            m_batchExecuted = 1;
            ApplyPendingBlocks();
            m_game->ResetGameClock();
            m_physics = 1;
            CVexMessageBatch::UnpackBatch(m, size, *m_scheduled);
        }
        break;
    case VEX_MSG_BLOCK_STICK: {
        CVexMsgBlockStick msg;
        if (VexReadMessage(m, size, msg) != VORTAN_OK || !Finite(msg.push) ||
            !isfinite(msg.friction) || !isfinite(msg.restitution) || !isfinite(msg.delay))
            break;
        CVexBlock* block = scene->GetBlocks()->FindById(msg.id);
        if (!block || !block->body)
            break;
        block->pending = 1;
        block->pendingHitPoints = (i32)msg.hitPoints;
        block->pendingMaterial = msg.material;
        block->pendingVariant = (u8)msg.variant;
        block->pendingFriction = msg.friction;
        block->pendingRestitution = msg.restitution;
        block->delayCounter = msg.delay;
        block->body->impulseSum += msg.push;
        Player(0).inWater = Player(1).inWater = 0;
        break;
    }
    case VEX_MSG_EXPLOSION: {
        CVexMsgExplosion msg;
        if (VexReadMessage(m, size, msg) != VORTAN_OK || !Finite(msg.position) ||
            !isfinite(msg.size))
            break;
        m_effects->Add(msg.position, msg.size, msg.kind, msg.colour);
        m_game->PlaySound(5, 0, 0);
        break;
    }
    case VEX_MSG_CLOCK_RESET:
        m_game->ResetGameClock();
        m_physics = 1;
        break;
    case VEX_MSG_PLAYBACK_DONE: {
        CVexMsgPlaybackDone msg;
        if (VexReadMessage(m, size, msg) == VORTAN_OK && (int)msg.value != m_localSide)
            m_opponentPlaybackDone = 1;
        break;
    }
    case VEX_MSG_EQUIPMENT: {
        CVexMsgEquipment msg;
        if (VexReadMessage(m, size, msg) != VORTAN_OK || !ValidSide(msg.ownSide))
            break;
        for (int i = 0; i < msg.count && i < VEX_EQUIPMENT_SLOTS; ++i)
            LoadShopItem(msg.ownSide, (int)msg.first[i], (int)msg.fifth[i], (int)msg.third[i]);
        break;
    }
    default:
        break;
    }
}

void CVexPlayState::ExecuteRoundBegin(const u8* m, u32 size)
{
    CVexMsgRoundBegin msg;
    if (VexReadMessage(m, size, msg) != VORTAN_OK)
        return;
    NewGame();
    const int limit = m_training ? 15 : 20;
    if (msg.level >= (u32)limit) {
        ForfeitMatch();
        return;
    }
    const CVexAssetTables& tables = CVexAssetTables::Get();
    const CVortanString& name =
        m_training ? tables.TrainingName((int)msg.level) : tables.LevelName((int)msg.level);
    m_level = (int)msg.level;
    if (m_live->LoadScene(name) != 1) {
        ForfeitMatch();
        return;
    }
    const int spawn0 = msg.spawn0 >= 0 && msg.spawn0 <= 2 ? msg.spawn0 : 0;
    const int spawn1 = msg.spawn1 >= 0 && msg.spawn1 <= 2 ? msg.spawn1 : 0;
    if (Player(0).body)
        Player(0).body->position = m_live->GetSpawn(0, spawn0);
    if (Player(1).body)
        Player(1).body->position = m_live->GetSpawn(1, spawn1);
    m_firstSide = msg.firstSide & 1;
    if (m_training) {
        Player(0).roundWins = 0;
        Player(1).roundWins = 0;
        LoadTrainingTexts();
    }
    LayoutButtons(1);
    if (!m_training)
        PostEquipment();
    if (CVexChatBubbles* bubbles = m_game->GetChatBubbles())
        bubbles->Clear();
    PostReady(m_localSide);
    SetRoundState(VEX_ROUND_LOADED);
}

void CVexPlayState::ExecuteBattleBegin(const u8* m, u32 size)
{
    CVexMsgBattleBegin msg;
    if (VexReadMessage(m, size, msg) != VORTAN_OK || !ValidSide((int)msg.value))
        return;
    if (m_training) {
        m_localSide = 0;
        m_opponent = 1;
    }
    CVexCamera& camera = m_renderer->GetCamera();
    camera.FollowNone();
    camera.SetOffset(CVortanVector2(0.0f, 1.5f));
    camera.SetZoom(0.3f);
    camera.SetTargetZoom(0.3f);
    m_physics = 1;
    if (m_restart) {
        m_restart = 0;
        // The turn is the first side's at once; the camera turns to it.
        FollowSide((int)msg.value, 0.6f);
        m_bannerFade = 512.0f;
        m_turnActive = 1;
        m_startDelay = 0.0f;
        m_turnStart = m_game->GetSeconds();
    } else {
        m_turnActive = 0;
        m_startDelay = 4.0f;
        m_game->PlaySound(11, 0, 0);
    }
    LayoutButtons(1);
    SetRoundState(VEX_ROUND_STARTED);
    CVexMsgNextTurn next;
    next.value = msg.value;
    m_game->GetGameContext()->TakeSequence();
    ExecuteNextTurn(next);
    if (m_firstRound && !m_training && !m_game->IsChatHelpShown())
        ShowOwnChat(Text(15));
    if (COrloApplication* app = m_game->GetHostApplication())
        if (app->GetVibrations())
            m_game->Vibrate();
}

void CVexPlayState::ExecuteRoundResult(const u8* m, u32 size)
{
    CVexMsgRoundResult msg;
    if (VexReadMessage(m, size, msg) != VORTAN_OK)
        return;
    const int winner = (int)(msg.winner & 0xFF);
    if (winner == 0 || winner == 1)
        Player(winner).roundWins += 1;
    m_game->PlaySound(winner == m_localSide ? 12 : (winner == m_opponent ? 13 : 14), 0, 0);
    m_cameraReturn = 0;
    m_bannerFade = 0.0f;
    if (winner == 0 || winner == 1) {
        if (winner == m_localSide && Player(m_localSide).body) {
            m_renderer->GetCamera().FollowBody(Player(m_localSide).body);
            m_renderer->GetCamera().SetTargetZoom(1.0f);
        }
        SetMatchResult(winner);
    }
    m_winner = winner == 0 || winner == 1 ? winner : VEX_WINNER_DRAW;
    m_roundDecided = 1;
    ++m_roundNumber;
    m_firstRound = Player(0).roundWins == 0 && Player(1).roundWins == 0;
    m_turnSide = -1;
    SetRoundState(VEX_ROUND_RESULT);
    m_roundReadyPosted = 0;
    if (!m_host)
        return;
    Player(0).extra[1] = 0;
    Player(1).extra[1] = 0;
    if (!IsMatchOver()) {
        SetRoundState(VEX_ROUND_BETWEEN);
        if (!m_training)
            PostAimingBegin();
    } else {
        PostGameOver(VEX_OVER_ROUNDS);
    }
}

void CVexPlayState::ExecuteGameOver(const u8* m, u32 size)
{
    CVexMsgGameOver msg;
    if (VexReadMessage(m, size, msg) != VORTAN_OK || !ValidSide(msg.poster) ||
        !ValidSide(msg.winner))
        return;
    const int winner = msg.winner;
    m_gameOver = 1;
    m_gameOverRun = 1;
    m_winner = winner;
    m_shot = 0;
    m_game->SetFastForward(0);
    m_physics = 0;
    if (winner == m_localSide && Player(m_localSide).body) {
        m_renderer->GetCamera().FollowBody(Player(m_localSide).body);
        m_renderer->GetCamera().SetTargetZoom(1.0f);
    }
    if (!m_matchCounted) {
        // An opponent's GameOver and its echo count the match once.
        m_matchCounted = 1;
        m_game->CountMatch(winner == m_localSide);
        if (winner == m_localSide)
            SetResult(1);
    }
    m_endReason = msg.reason;
    if (msg.reason == VEX_OVER_LEFT || msg.reason == VEX_OVER_GAVE_UP) {
        m_left = 1;
        if (winner == m_localSide)
            m_game->PlaySound(12, 0, 0);
    } else if (msg.reason == VEX_OVER_TIME_OUTS) {
        m_timedOut = 1;
        m_game->PlaySound(winner == m_localSide ? 12 : 13, 0, 0);
    }
    SetMatchResult(winner);
    m_confirm = 0;
    if (msg.poster == m_opponent) {
        m_opponentGameOver = 1;
        if (!m_matchDecided) {
            m_matchDecided = 1;
            u8 echo[CVexMsgGameOver::kSize];
            CVexMsgGameOver mine = msg;
            mine.poster = (u8)m_localSide;
            VexWriteMessage(mine, m_execution->GetSequence() + 1, -1, echo, sizeof echo);
            m_execution->Push(VEX_MSG_GAME_OVER, echo, sizeof echo, 1);
        }
    } else {
        m_matchDecided = 1;
    }
    SetRoundState(VEX_ROUND_GAME_OVER);
    if (!m_matchEndPosted)
        PostMatchEnd(0);
}

void CVexPlayState::ExecuteNextTurn(const CVexMsgNextTurn& msg)
{
    if (m_skipNextTurn) {
        m_skipNextTurn = 0;
        return;
    }
    int side = (int)msg.value;
    if (m_training)
        side = 0;
    if (side != m_localSide && side != m_opponent)
        return;
    m_turnSide = side;
    if (side == m_localSide)
        if (COrloApplication* app = m_game->GetHostApplication())
            if (app->GetVibrations())
                m_game->Vibrate();
    CVexCamera& camera = m_renderer->GetCamera();
    if (m_turnActive) {
        if (!(m_cameraReturn && side == m_opponent)) {
            if (Player(side).body)
                camera.FollowBody(Player(side).body);
            camera.SetTargetZoom(Player(m_localSide).zoom);
            m_bannerFade = 512.0f;
        }
    } else {
        m_bannerFade = 0.0f;
        camera.FollowNone();
        camera.SetOffset(CVortanVector2(0.0f, 1.5f));
        camera.SetZoom(0.3f);
        camera.SetTargetZoom(0.3f);
    }
    if (side == m_localSide) {
        SetRoundState(VEX_ROUND_OWN_TURN);
        BeginOwnTurn();
    } else {
        SetRoundState(VEX_ROUND_OTHER_TURN);
    }
    m_scheduled->Clear();
    m_playbackDone = m_batchExecuted = m_shotFinished = m_opponentPlaybackDone = 0;
    m_playbackEndPending = 0;
    m_displayed = m_live;
}

void CVexPlayState::ExecuteMatchEnd(const u8* m, u32 size)
{
    CVexMsgMatchEnd msg;
    if (VexReadMessage(m, size, msg) != VORTAN_OK)
        return;
    m_matchEndRun = 1;
    ++m_matchEndCount;
    m_matchEndTime = m_game->GetSeconds();
    m_matchEndNoted = 1;
    if (!m_training)
        m_game->ReportMatchEnd(&m_resultIds, &m_resultPlaces, (int)msg.left);
    m_gameOver = 1;
    if (msg.left) {
        SetRoundState(VEX_ROUND_LEFT);
        SetDone();
        Update(0.0f);
    }
}
