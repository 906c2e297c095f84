// The match messages, one record of fields a type, each with the writer of its exact bytes and
// the reader of its fields, and the header that every message begins with.
//
// A record's WriteBody fills the body of a zeroed message of kSize bytes; its ReadBody reads
// the body of a message already checked to be of its type and at least kSize long. Callers go
// through VexWriteMessage, VexReadMessage and VexPostMessage, which do those checks. kTimed
// marks the types stamped with the game time (they travel in batches); kSend is the send flag
// of the type (-1: the poster decides).
#pragma once
#include "engine/VortanTypes.h"
#include "engine/VortanVector.h"
#include "game/VexMessage.h"
#include "game/VexMessageQueue.h"
#include "game/VexMessageTypes.h"

#include <string.h>

class COrloApplication;
class CVortanPtrArray;

struct CVexMessageHeader {
    u32 type; // the first byte alone
    u32 seq;
    i32 executeAt;
};

// Reads the header; VORTAN_E_MALFORMED when fewer than 12 bytes are there.
int VexReadHeader(const u8* bytes, u32 size, CVexMessageHeader& out);
// Writes the 12 header bytes.
void VexWriteHeader(u8* out, u32 type, u32 seq, i32 executeAt);

// Types without a body.
template <int Type, int Timed, int Send>
struct CVexMsgHeaderOnly {
    enum { kType = Type, kSize = VEX_MSG_HEADER_SIZE, kTimed = Timed, kSend = Send };
    void WriteBody(u8*) const {}
    void ReadBody(const u8*) {}
};
// The header's seq is the acknowledged message's header seq.
typedef CVexMsgHeaderOnly<VEX_MSG_ACK, 0, 0> CVexMsgAck;
typedef CVexMsgHeaderOnly<VEX_MSG_AIMING_BEGIN, 0, 1> CVexMsgAimingBegin;
typedef CVexMsgHeaderOnly<VEX_MSG_SQUASH_CHECK, 0, 0> CVexMsgSquashCheck;
// Only ever received.
typedef CVexMsgHeaderOnly<VEX_MSG_CLOCK_RESET, 0, 0> CVexMsgClockReset;

// Types whose body is one u32 naming a side or a switch.
template <int Type, int Timed>
struct CVexMsgWord {
    enum { kType = Type, kSize = 16, kTimed = Timed, kSend = 1 };
    void WriteBody(u8* m) const;
    void ReadBody(const u8* m);
    u32 value;
};
typedef CVexMsgWord<VEX_MSG_BATTLE_BEGIN, 0> CVexMsgBattleBegin;     // the side with the first turn
typedef CVexMsgWord<VEX_MSG_NEXT_TURN, 0> CVexMsgNextTurn;           // the side whose turn begins
typedef CVexMsgWord<VEX_MSG_PHYSICS_SWITCH, 1> CVexMsgPhysicsSwitch; // 1 steps, 0 frozen
typedef CVexMsgWord<VEX_MSG_READY, 0> CVexMsgReady;
typedef CVexMsgWord<VEX_MSG_GIVE_UP, 0> CVexMsgGiveUp;             // the side that gives up
typedef CVexMsgWord<VEX_MSG_PLAYBACK_DONE, 0> CVexMsgPlaybackDone; // the poster's own side

struct CVexMsgRoundBegin {
    enum { kType = VEX_MSG_ROUND_BEGIN, kSize = 28, kTimed = 0, kSend = 1 };
    void WriteBody(u8* m) const;
    void ReadBody(const u8* m);
    u32 firstSide;
    u32 level; // online 0..19, against the computer 0..14
    i32 spawn0;
    i32 spawn1;
};

// The winner is written as a u32 and read as its low byte, as the handler takes it.
struct CVexMsgRoundResult {
    enum { kType = VEX_MSG_ROUND_RESULT, kSize = 16, kTimed = 0, kSend = 1 };
    void WriteBody(u8* m) const;
    void ReadBody(const u8* m);
    u32 winner; // 0 or 1; anything else is a draw
};

struct CVexMsgGameOver {
    enum { kType = VEX_MSG_GAME_OVER, kSize = 20, kTimed = 0, kSend = -1 };
    void WriteBody(u8* m) const;
    void ReadBody(const u8* m);
    // A GameOver for a player who left or gave up stays on this device.
    int SendFlag() const { return reason == 1 || reason == 2 ? 0 : 1; }
    u8 poster;
    u8 roundsWon0;
    u8 roundsWon1;
    u8 winner;
    u8 reason; // 0 rounds, 1 opponent left, 2 gave up, 3 turn time-outs
};

struct CVexMsgMatchEnd {
    enum { kType = VEX_MSG_MATCH_END, kSize = 20, kTimed = 0, kSend = 0 };
    void WriteBody(u8* m) const;
    void ReadBody(const u8* m);
    u8 ownSide;
    u32 left; // 1 the player left or forfeited
};

struct CVexMsgLeaveBattle {
    enum { kType = VEX_MSG_LEAVE_BATTLE, kSize = 16, kTimed = 0, kSend = 0 };
    void WriteBody(u8* m) const;
    void ReadBody(const u8* m);
    u8 ownSide;
    u8 value;
};

struct CVexMsgPlayerOut {
    enum { kType = VEX_MSG_PLAYER_OUT, kSize = 16, kTimed = 1, kSend = 1 };
    void WriteBody(u8* m) const;
    void ReadBody(const u8* m);
    u8 side;
    u8 mode; // 1 water, 0 explosion, 2 squeezed
};

struct CVexMsgSettlePositions {
    enum { kType = VEX_MSG_SETTLE_POSITIONS, kSize = 28, kTimed = 1, kSend = 1 };
    void WriteBody(u8* m) const;
    void ReadBody(const u8* m);
    CVortanVector2 position0;
    CVortanVector2 position1;
};

struct CVexMsgPlayerKnock {
    enum { kType = VEX_MSG_PLAYER_KNOCK, kSize = 28, kTimed = 1, kSend = 1 };
    void WriteBody(u8* m) const;
    void ReadBody(const u8* m);
    u32 side;
    CVortanVector2 push;
    u32 cameraFlag; // non-zero: the camera follows the world's moving bodies
};

struct CVexMsgPlayerDamage {
    enum { kType = VEX_MSG_PLAYER_DAMAGE, kSize = 24, kTimed = 1, kSend = 1 };
    void WriteBody(u8* m) const;
    void ReadBody(const u8* m);
    u8 side;
    u32 damage;
    i32 health; // the poster's health after the damage
};

struct CVexMsgWhip {
    enum { kType = VEX_MSG_WHIP, kSize = 24, kTimed = 1, kSend = 1 };
    void WriteBody(u8* m) const;
    void ReadBody(const u8* m);
    u32 side;
    CVortanVector2 vector;
};

struct CVexMsgSpawnProjectile {
    enum { kType = VEX_MSG_SPAWN_PROJECTILE, kSize = 16, kTimed = 1, kSend = 1 };
    void WriteBody(u8* m) const;
    void ReadBody(const u8* m);
    u8 side;
    u8 projectileType; // 0..4
    i8 slot;           // 0..31 when sent by a sound peer
};

// PlaceProjectile and LaunchProjectile share their layout.
template <int Type>
struct CVexMsgProjectileVector {
    enum { kType = Type, kSize = 28, kTimed = 1, kSend = 1 };
    void WriteBody(u8* m) const;
    void ReadBody(const u8* m);
    u32 side;
    CVortanVector2 vector; // the position, or the launch velocity times the weight
    u32 slot;
};
typedef CVexMsgProjectileVector<VEX_MSG_PLACE_PROJECTILE> CVexMsgPlaceProjectile;
typedef CVexMsgProjectileVector<VEX_MSG_LAUNCH_PROJECTILE> CVexMsgLaunchProjectile;

struct CVexMsgProjectileGone {
    enum { kType = VEX_MSG_PROJECTILE_GONE, kSize = 16, kTimed = 1, kSend = 1 };
    void WriteBody(u8* m) const;
    void ReadBody(const u8* m);
    u8 side;
    u8 value; // 1 fell into the water, 0 removed at settle
    i8 slot;
};

struct CVexMsgBlockState {
    enum { kType = VEX_MSG_BLOCK_STATE, kSize = 28, kTimed = 1, kSend = 1 };
    void WriteBody(u8* m) const;
    void ReadBody(const u8* m);
    u8 id;
    i8 x; // quantised position
    i8 y;
    u32 hitPoints;
    CVortanVector2 push;
};

struct CVexMsgBlockDestroyed {
    enum { kType = VEX_MSG_BLOCK_DESTROYED, kSize = 16, kTimed = 1, kSend = 1 };
    void WriteBody(u8* m) const;
    void ReadBody(const u8* m);
    u8 id;
};

struct CVexMsgBlockStick {
    enum { kType = VEX_MSG_BLOCK_STICK, kSize = 44, kTimed = 1, kSend = 1 };
    void WriteBody(u8* m) const;
    void ReadBody(const u8* m);
    u8 id;
    u32 hitPoints;
    u8 material;
    i8 variant;
    CVortanVector2 push;
    float friction;
    float restitution;
    float delay;
};

struct CVexMsgExplosion {
    enum { kType = VEX_MSG_EXPLOSION, kSize = 32, kTimed = 1, kSend = -1 };
    void WriteBody(u8* m) const;
    void ReadBody(const u8* m);
    u32 colour; // 0xAARRGGBB
    u8 kind;
    CVortanVector2 position;
    float size;
};

struct CVexMsgEquipment {
    enum { kType = VEX_MSG_EQUIPMENT, kSize = 64, kTimed = 0, kSend = 1 };
    void WriteBody(u8* m) const;
    // The count read is at most 4; the arrays past it read as 0.
    void ReadBody(const u8* m);
    // Fills the record from the player's shop items: entries of seven 32-bit words {enabled,
    // item id, count, data id, group's count, description number, group value}; an entry
    // counts when its item id is non-zero, its count above 0 and its description number at
    // least 1. The first four that count give their item id (first), description number
    // (fifth) and data id (third); null entries are stepped over. A null list gives count 0.
    void FillFromItems(u8 side, const CVortanPtrArray* items);
    // The same over the application's menu data.
    void FillFromMenuData(u8 side, COrloApplication* application);
    u8 ownSide;
    u8 count; // 0..4
    u32 first[VEX_EQUIPMENT_SLOTS];
    u32 fifth[VEX_EQUIPMENT_SLOTS];
    u32 third[VEX_EQUIPMENT_SLOTS];
};

// Writes the message of `body` with the given header into out: its size, or 0 (nothing
// written) when capacity is below it.
template <class T>
u32 VexWriteMessage(const T& body, u32 seq, i32 executeAt, u8* out, u32 capacity)
{
    if (!out || capacity < (u32)T::kSize)
        return 0;
    memset(out, 0, T::kSize);
    VexWriteHeader(out, T::kType, seq, executeAt);
    body.WriteBody(out);
    return T::kSize;
}

// Reads a message as type T: VORTAN_OK, or VORTAN_E_MALFORMED (out untouched) when it is
// shorter than T's size or its first byte names another type.
template <class T>
int VexReadMessage(const u8* bytes, u32 size, T& out)
{
    if (!bytes || size < (u32)T::kSize || bytes[0] != (u8)T::kType)
        return VORTAN_E_MALFORMED;
    out.ReadBody(bytes);
    return VORTAN_OK;
}

template <class T>
int VexReadMessage(const CVexMessage* record, T& out)
{
    if (!record)
        return VORTAN_E_ARGUMENT;
    return VexReadMessage(record->payload, record->size, out);
}

// The end of every builder: the message with the header seq = the counter's value + 1 and
// the given execute-at, pushed onto the queue with the send flag. Returns the record, or
// null when memory runs out.
template <class T>
CVexMessage* VexPostMessage(CVexMessageQueue& queue, const T& body, i32 executeAt, i32 send)
{
    u8 bytes[T::kSize];
    VexWriteMessage(body, queue.GetSequence() + 1, executeAt, bytes, (u32)sizeof bytes);
    return queue.Push(T::kType, bytes, T::kSize, send);
}
