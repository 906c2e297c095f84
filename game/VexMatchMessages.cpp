// The match messages' byte layouts: little-endian words and floats at fixed offsets.
#include "game/VexMatchMessages.h"

#include "engine/VortanPtrArray.h"
#include "platform/OrloApplication.h"

namespace {

void PutU32(u8* m, int offset, u32 v)
{
    VortanWriteLE32(m + offset, v);
}

u32 GetU32(const u8* m, int offset)
{
    return VortanReadLE32(m + offset);
}

void PutF32(u8* m, int offset, float v)
{
    u32 bits;
    memcpy(&bits, &v, sizeof bits);
    PutU32(m, offset, bits);
}

float GetF32(const u8* m, int offset)
{
    u32 bits = GetU32(m, offset);
    float v;
    memcpy(&v, &bits, sizeof v);
    return v;
}

void PutVector(u8* m, int offset, const CVortanVector2& v)
{
    PutF32(m, offset, v.x);
    PutF32(m, offset + 4, v.y);
}

CVortanVector2 GetVector(const u8* m, int offset)
{
    return CVortanVector2(GetF32(m, offset), GetF32(m, offset + 4));
}

} // namespace

int VexReadHeader(const u8* bytes, u32 size, CVexMessageHeader& out)
{
    if (!bytes || size < VEX_MSG_HEADER_SIZE)
        return VORTAN_E_MALFORMED;
    out.type = bytes[0];
    out.seq = GetU32(bytes, 4);
    out.executeAt = (i32)GetU32(bytes, 8);
    return VORTAN_OK;
}

void VexWriteHeader(u8* out, u32 type, u32 seq, i32 executeAt)
{
    PutU32(out, 0, type);
    PutU32(out, 4, seq);
    PutU32(out, 8, (u32)executeAt);
}

// --- one word ------------------------------------------------------------------------------

template <int Type, int Timed>
void CVexMsgWord<Type, Timed>::WriteBody(u8* m) const
{
    PutU32(m, 12, value);
}

template <int Type, int Timed>
void CVexMsgWord<Type, Timed>::ReadBody(const u8* m)
{
    value = GetU32(m, 12);
}

template struct CVexMsgWord<VEX_MSG_BATTLE_BEGIN, 0>;
template struct CVexMsgWord<VEX_MSG_NEXT_TURN, 0>;
template struct CVexMsgWord<VEX_MSG_PHYSICS_SWITCH, 1>;
template struct CVexMsgWord<VEX_MSG_READY, 0>;
template struct CVexMsgWord<VEX_MSG_GIVE_UP, 0>;
template struct CVexMsgWord<VEX_MSG_PLAYBACK_DONE, 0>;

// --- rounds and the match --------------------------------------------------------------------

void CVexMsgRoundBegin::WriteBody(u8* m) const
{
    PutU32(m, 12, firstSide);
    PutU32(m, 16, level);
    PutU32(m, 20, (u32)spawn0);
    PutU32(m, 24, (u32)spawn1);
}

void CVexMsgRoundBegin::ReadBody(const u8* m)
{
    firstSide = GetU32(m, 12);
    level = GetU32(m, 16);
    spawn0 = (i32)GetU32(m, 20);
    spawn1 = (i32)GetU32(m, 24);
}

void CVexMsgRoundResult::WriteBody(u8* m) const
{
    PutU32(m, 12, winner);
}

void CVexMsgRoundResult::ReadBody(const u8* m)
{
    winner = m[12];
}

void CVexMsgGameOver::WriteBody(u8* m) const
{
    m[12] = poster;
    m[13] = roundsWon0;
    m[14] = roundsWon1;
    m[15] = winner;
    m[16] = reason;
}

void CVexMsgGameOver::ReadBody(const u8* m)
{
    poster = m[12];
    roundsWon0 = m[13];
    roundsWon1 = m[14];
    winner = m[15];
    reason = m[16];
}

void CVexMsgMatchEnd::WriteBody(u8* m) const
{
    m[12] = ownSide;
    PutU32(m, 16, left);
}

void CVexMsgMatchEnd::ReadBody(const u8* m)
{
    ownSide = m[12];
    left = GetU32(m, 16);
}

void CVexMsgLeaveBattle::WriteBody(u8* m) const
{
    m[12] = ownSide;
    m[13] = value;
}

void CVexMsgLeaveBattle::ReadBody(const u8* m)
{
    ownSide = m[12];
    value = m[13];
}

// --- squibs ----------------------------------------------------------------------------------

void CVexMsgPlayerOut::WriteBody(u8* m) const
{
    m[12] = side;
    m[13] = mode;
}

void CVexMsgPlayerOut::ReadBody(const u8* m)
{
    side = m[12];
    mode = m[13];
}

void CVexMsgSettlePositions::WriteBody(u8* m) const
{
    PutVector(m, 12, position0);
    PutVector(m, 20, position1);
}

void CVexMsgSettlePositions::ReadBody(const u8* m)
{
    position0 = GetVector(m, 12);
    position1 = GetVector(m, 20);
}

void CVexMsgPlayerKnock::WriteBody(u8* m) const
{
    PutU32(m, 12, side);
    PutVector(m, 16, push);
    PutU32(m, 24, cameraFlag);
}

void CVexMsgPlayerKnock::ReadBody(const u8* m)
{
    side = GetU32(m, 12);
    push = GetVector(m, 16);
    cameraFlag = GetU32(m, 24);
}

void CVexMsgPlayerDamage::WriteBody(u8* m) const
{
    m[12] = side;
    PutU32(m, 16, damage);
    PutU32(m, 20, (u32)health);
}

void CVexMsgPlayerDamage::ReadBody(const u8* m)
{
    side = m[12];
    damage = GetU32(m, 16);
    health = (i32)GetU32(m, 20);
}

void CVexMsgWhip::WriteBody(u8* m) const
{
    PutU32(m, 12, side);
    PutVector(m, 16, vector);
}

void CVexMsgWhip::ReadBody(const u8* m)
{
    side = GetU32(m, 12);
    vector = GetVector(m, 16);
}

// --- projectiles -----------------------------------------------------------------------------

void CVexMsgSpawnProjectile::WriteBody(u8* m) const
{
    m[12] = side;
    m[13] = projectileType;
    m[14] = (u8)slot;
}

void CVexMsgSpawnProjectile::ReadBody(const u8* m)
{
    side = m[12];
    projectileType = m[13];
    slot = (i8)m[14];
}

template <int Type>
void CVexMsgProjectileVector<Type>::WriteBody(u8* m) const
{
    PutU32(m, 12, side);
    PutVector(m, 16, vector);
    PutU32(m, 24, slot);
}

template <int Type>
void CVexMsgProjectileVector<Type>::ReadBody(const u8* m)
{
    side = GetU32(m, 12);
    vector = GetVector(m, 16);
    slot = GetU32(m, 24);
}

template struct CVexMsgProjectileVector<VEX_MSG_PLACE_PROJECTILE>;
template struct CVexMsgProjectileVector<VEX_MSG_LAUNCH_PROJECTILE>;

void CVexMsgProjectileGone::WriteBody(u8* m) const
{
    m[12] = side;
    m[13] = value;
    m[14] = (u8)slot;
}

void CVexMsgProjectileGone::ReadBody(const u8* m)
{
    side = m[12];
    value = m[13];
    slot = (i8)m[14];
}

// --- blocks and effects ----------------------------------------------------------------------

void CVexMsgBlockState::WriteBody(u8* m) const
{
    m[12] = id;
    m[13] = (u8)x;
    m[14] = (u8)y;
    PutU32(m, 16, hitPoints);
    PutVector(m, 20, push);
}

void CVexMsgBlockState::ReadBody(const u8* m)
{
    id = m[12];
    x = (i8)m[13];
    y = (i8)m[14];
    hitPoints = GetU32(m, 16);
    push = GetVector(m, 20);
}

void CVexMsgBlockDestroyed::WriteBody(u8* m) const
{
    m[12] = id;
}

void CVexMsgBlockDestroyed::ReadBody(const u8* m)
{
    id = m[12];
}

void CVexMsgBlockStick::WriteBody(u8* m) const
{
    m[12] = id;
    PutU32(m, 16, hitPoints);
    m[20] = material;
    m[21] = (u8)variant;
    PutVector(m, 24, push);
    PutF32(m, 32, friction);
    PutF32(m, 36, restitution);
    PutF32(m, 40, delay);
}

void CVexMsgBlockStick::ReadBody(const u8* m)
{
    id = m[12];
    hitPoints = GetU32(m, 16);
    material = m[20];
    variant = (i8)m[21];
    push = GetVector(m, 24);
    friction = GetF32(m, 32);
    restitution = GetF32(m, 36);
    delay = GetF32(m, 40);
}

void CVexMsgExplosion::WriteBody(u8* m) const
{
    PutU32(m, 12, colour);
    m[16] = kind;
    PutVector(m, 20, position);
    PutF32(m, 28, size);
}

void CVexMsgExplosion::ReadBody(const u8* m)
{
    colour = GetU32(m, 12);
    kind = m[16];
    position = GetVector(m, 20);
    size = GetF32(m, 28);
}

// --- equipment -------------------------------------------------------------------------------

void CVexMsgEquipment::WriteBody(u8* m) const
{
    u8 n = count < VEX_EQUIPMENT_SLOTS ? count : (u8)VEX_EQUIPMENT_SLOTS;
    m[12] = ownSide;
    m[13] = n;
    for (int i = 0; i < n; ++i) {
        PutU32(m, 16 + 4 * i, first[i]);
        PutU32(m, 32 + 4 * i, fifth[i]);
        PutU32(m, 48 + 4 * i, third[i]);
    }
}

void CVexMsgEquipment::ReadBody(const u8* m)
{
    ownSide = m[12];
    count = m[13] < VEX_EQUIPMENT_SLOTS ? m[13] : (u8)VEX_EQUIPMENT_SLOTS;
    for (int i = 0; i < VEX_EQUIPMENT_SLOTS; ++i) {
        bool used = i < count;
        first[i] = used ? GetU32(m, 16 + 4 * i) : 0;
        fifth[i] = used ? GetU32(m, 32 + 4 * i) : 0;
        third[i] = used ? GetU32(m, 48 + 4 * i) : 0;
    }
}

void CVexMsgEquipment::FillFromItems(u8 side, const CVortanPtrArray* items)
{
    ownSide = side;
    count = 0;
    memset(first, 0, sizeof first);
    memset(fifth, 0, sizeof fifth);
    memset(third, 0, sizeof third);
    int n = items ? items->GetCount() : 0;
    for (int i = 0; i < n && count < VEX_EQUIPMENT_SLOTS; ++i) {
        const i32* words = (const i32*)items->GetAt(i);
        if (!words || words[1] == 0 || words[2] <= 0 || words[5] < 1)
            continue;
        first[count] = (u32)words[1];
        fifth[count] = (u32)words[5];
        third[count] = (u32)words[3];
        ++count;
    }
}

void CVexMsgEquipment::FillFromMenuData(u8 side, COrloApplication* application)
{
    FillFromItems(side, application ? application->GetMenuData() : nullptr);
}
