// CVexPlayState: the builders of the match messages. Each fills a message, stamps it (the
// game time for the timed types) and pushes it onto the execution queue with its send flag.
#include "game/StateGame.h"
#include "game/VexLevelPicker.h"
#include "game/VexPhysicsWorld.h"
#include "game/VexPlayState.h"
#include "game/VexScene.h"

template <class T>
CVexMessage* CVexPlayState::Post(const T& body, int timed, int send)
{
    if (!m_execution)
        return nullptr;
    const i32 at = timed ? GetGameTime() : -1;
    return VexPostMessage(*m_execution, body, at, send);
}

CVexMessage* CVexPlayState::SendRoundStart()
{
    if (m_host) {
        Player(0).extra[1] = 0;
        Player(1).extra[1] = 0;
    }
    CVexLevelPicker* picker = m_game->GetLevelPicker();
    const int first = picker->RandomSide();
    const int level = picker->PickRandomLevel();
    const int spawn0 = picker->RandomSpawnPoint();
    return PostRoundBegin(first, level, spawn0, picker->RandomSpawnPoint());
}

CVexMessage* CVexPlayState::PostRoundBegin(int first, int level, int spawn0, int spawn1)
{
    CVexMsgRoundBegin m;
    m.firstSide = (u32)first;
    m.level = (u32)level;
    m.spawn0 = spawn0;
    m.spawn1 = spawn1;
    return Post(m, 0, 1);
}

CVexMessage* CVexPlayState::PostBattleBegin(int side)
{
    CVexMsgBattleBegin m;
    m.value = (u32)side;
    return Post(m, 0, 1);
}

CVexMessage* CVexPlayState::PostRoundResult()
{
    CVexMsgRoundResult m;
    m.winner = (u32)m_winner;
    SetRoundState(VEX_ROUND_RESULT);
    m_resultPosted = 1;
    return Post(m, 0, 1);
}

CVexMessage* CVexPlayState::PostAimingBegin()
{
    return Post(CVexMsgAimingBegin(), 0, 1);
}

CVexMessage* CVexPlayState::PostGameOver(int reason)
{
    CVexMsgGameOver m;
    m.poster = (u8)m_localSide;
    m.roundsWon0 = Player(0).roundWins;
    m.roundsWon1 = Player(1).roundWins;
    m.winner = (u8)m_winner;
    m.reason = (u8)reason;
    return Post(m, 0, m.SendFlag());
}

CVexMessage* CVexPlayState::PostNextTurn(int side)
{
    CVexMsgNextTurn m;
    m.value = (u32)side;
    return Post(m, 0, 1);
}

CVexMessage* CVexPlayState::PostMatchEnd(int left)
{
    CVexMsgMatchEnd m;
    m.ownSide = (u8)m_localSide;
    m.left = (u32)left;
    m_matchEndPosted = 1;
    return Post(m, 0, 0);
}

CVexMessage* CVexPlayState::PostLeaveBattle(int value)
{
    CVexMsgLeaveBattle m;
    m.ownSide = (u8)m_localSide;
    m.value = (u8)value;
    m_leavePosted = 1;
    return Post(m, 0, 0);
}

CVexMessage* CVexPlayState::PostPhysicsSwitch(int on)
{
    CVexMsgPhysicsSwitch m;
    m.value = (u32)on;
    return Post(m, 1, 1);
}

CVexMessage* CVexPlayState::PostPlayerOut(int side, int mode)
{
    CVexMsgPlayerOut m;
    m.side = (u8)side;
    m.mode = (u8)mode;
    return Post(m, 1, 1);
}

CVexMessage* CVexPlayState::PostSettlePositions()
{
    CVexMsgSettlePositions m;
    const CVexPhysicsBody* b0 = Player(0).body;
    const CVexPhysicsBody* b1 = Player(1).body;
    m.position0 = b0 ? b0->position : CVortanVector2(0.0f, 0.0f);
    m.position1 = b1 ? b1->position : CVortanVector2(0.0f, 0.0f);
    m_physics = 0;
    return Post(m, 1, 1);
}

CVexMessage* CVexPlayState::PostPlayerKnock(int side, const CVortanVector2& vector, int cameraFlag)
{
    CVexMsgPlayerKnock m;
    m.side = (u32)side;
    m.push = vector;
    m.cameraFlag = (u32)cameraFlag;
    return Post(m, 1, 1);
}

CVexMessage* CVexPlayState::PostReady(int side)
{
    CVexMsgReady m;
    m.value = (u32)side;
    return Post(m, 0, 1);
}

CVexMessage* CVexPlayState::PostGiveUp(int side)
{
    CVexMsgGiveUp m;
    m.value = (u32)side;
    return Post(m, 0, 1);
}

CVexMessage* CVexPlayState::PostPlayerDamage(int side, int damage, int value)
{
    CVexMsgPlayerDamage m;
    m.side = (u8)side;
    m.damage = (u32)damage;
    m.health = value;
    return Post(m, 1, 1);
}

CVexMessage* CVexPlayState::PostSquashCheck()
{
    return Post(CVexMsgSquashCheck(), 0, 0);
}

CVexMessage* CVexPlayState::PostWhip(int side, const CVortanVector2& vector)
{
    CVexMsgWhip m;
    m.side = (u32)side;
    m.vector = vector;
    return Post(m, 1, 1);
}

int CVexPlayState::PostSpawnProjectile(int side, int type)
{
    CVexMsgSpawnProjectile m;
    m.side = (u8)side;
    m.projectileType = (u8)type;
    const int slot = Player(side).NextSlot();
    m.slot = (i8)slot;
    Post(m, 1, 1);
    return slot;
}

CVexMessage* CVexPlayState::PostPlaceProjectile(int side, const CVortanVector2& position, int slot)
{
    CVexMsgPlaceProjectile m;
    m.side = (u32)side;
    m.vector = position;
    m.slot = (u32)slot;
    return Post(m, 1, 1);
}

CVexMessage* CVexPlayState::PostLaunchProjectile(int side, const CVortanVector2& aim, int slot)
{
    CVexMsgLaunchProjectile m;
    m.side = (u32)side;
    m.vector = aim;
    m.slot = (u32)slot;
    return Post(m, 1, 1);
}

CVexMessage* CVexPlayState::PostProjectileGone(int side, int value, int slot)
{
    CVexMsgProjectileGone m;
    m.side = (u8)side;
    m.value = (u8)value;
    m.slot = (i8)slot;
    return Post(m, 1, 1);
}

CVexMessage* CVexPlayState::PostBlockState(int id, i8 x, i8 y, int hitPoints,
                                           const CVortanVector2& push)
{
    CVexMsgBlockState m;
    m.id = (u8)id;
    m.x = x;
    m.y = y;
    m.hitPoints = (u32)hitPoints;
    m.push = push;
    return Post(m, 1, 1);
}

CVexMessage* CVexPlayState::PostBlockDestroyed(int id)
{
    CVexMsgBlockDestroyed m;
    m.id = (u8)id;
    return Post(m, 1, 1);
}

CVexMessage* CVexPlayState::PostBlockStick(int id, int hitPoints, int material, int variant,
                                           const CVortanVector2& push, float friction,
                                           float restitution, float delay)
{
    CVexMsgBlockStick m;
    m.id = (u8)id;
    m.hitPoints = (u32)hitPoints;
    m.material = (u8)material;
    m.variant = (i8)variant;
    m.push = push;
    m.friction = friction;
    m.restitution = restitution;
    m.delay = delay;
    return Post(m, 1, 1);
}

CVexMessage* CVexPlayState::PostExplosion(const CVortanVector2& position, float size, int kind,
                                          u32 colour, int send)
{
    CVexMsgExplosion m;
    m.colour = colour;
    m.kind = (u8)kind;
    m.position = position;
    m.size = size;
    return Post(m, 1, send);
}

CVexMessage* CVexPlayState::PostPlaybackDone()
{
    CVexMsgPlaybackDone m;
    m.value = (u32)m_localSide;
    m_playbackDone = 1;
    return Post(m, 0, 1);
}

CVexMessage* CVexPlayState::PostEquipment()
{
    CVexMsgEquipment m;
    m.FillFromMenuData((u8)m_localSide, m_game->GetHostApplication());
    return Post(m, 0, 1);
}

int CVexPlayState::FlushBatch()
{
    int result = m_batch.FlushBatch(m_pending, *m_execution, *m_scheduled);
    if (result == VORTAN_E_RANGE || result == VORTAN_E_ARGUMENT) {
        for (int i = 0; i < m_pending.GetCount(); ++i)
            delete (CVexMessage*)m_pending.GetAt(i);
        m_pending.RemoveAll();
        return VORTAN_E_RANGE;
    }
    return result == VORTAN_E_NOMEMORY ? VORTAN_OK : result;
}
