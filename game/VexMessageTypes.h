// The match message types, their fixed sizes and the sizes of the header, the batch and the
// largest message the game-data channel carries.
#pragma once
#include "engine/VortanTypes.h"

enum {
    VEX_MSG_ACK = 1,
    VEX_MSG_ROUND_BEGIN = 5,
    VEX_MSG_BATTLE_BEGIN = 6,
    VEX_MSG_ROUND_RESULT = 7,
    VEX_MSG_AIMING_BEGIN = 8,
    VEX_MSG_GAME_OVER = 9,
    VEX_MSG_NEXT_TURN = 10,
    VEX_MSG_MATCH_END = 11,
    VEX_MSG_LEAVE_BATTLE = 12,
    VEX_MSG_PHYSICS_SWITCH = 15,
    VEX_MSG_PLAYER_OUT = 21,
    VEX_MSG_SETTLE_POSITIONS = 22,
    VEX_MSG_PLAYER_KNOCK = 23,
    VEX_MSG_READY = 25,
    VEX_MSG_GIVE_UP = 26,
    VEX_MSG_PLAYER_DAMAGE = 27,
    VEX_MSG_SQUASH_CHECK = 28,
    VEX_MSG_WHIP = 29,
    VEX_MSG_SPAWN_PROJECTILE = 30,
    VEX_MSG_PLACE_PROJECTILE = 31,
    VEX_MSG_LAUNCH_PROJECTILE = 32,
    VEX_MSG_PROJECTILE_GONE = 33,
    VEX_MSG_BLOCK_STATE = 40,
    VEX_MSG_BLOCK_DESTROYED = 41,
    VEX_MSG_BATCH = 43,
    VEX_MSG_BLOCK_STICK = 45,
    VEX_MSG_EXPLOSION = 50,
    VEX_MSG_CLOCK_RESET = 70,
    VEX_MSG_PLAYBACK_DONE = 71,
    VEX_MSG_EQUIPMENT = 77
};

enum {
    VEX_MSG_HEADER_SIZE = 12,       // u32 type, u32 seq, i32 execute-at
    VEX_BATCH_HEADER_SIZE = 16,     // the message header and a reserved word
    VEX_BATCH_TERMINATOR = 0x63,    // 'c', written twice after the last entry
    VEX_BATCH_SCRATCH_SIZE = 65536, // the buffer a batch is assembled in
    VEX_GAME_DATA_LIMIT = 32768,    // the largest message the game-data channel carries
    VEX_EQUIPMENT_SLOTS = 4         // items an Equipment message carries at most
};

// The size of a message of the type, header included; 0 for a type without a fixed size (the
// batch) and for a number that is no message type.
u32 VexMessageSize(u32 type);

// The size of a batch entry's message by the entry's type byte: the timed types, which are
// the ones that travel in batches; 0 for any other byte.
u32 VexBatchEntrySize(u32 typeByte);
