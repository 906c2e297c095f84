// The size table of the match messages.
#include "game/VexMessageTypes.h"

namespace {

struct SizeRow {
    u8 type;
    u8 size;
    u8 timed; // stamped with the game time; such messages travel in batches
};

constexpr SizeRow kSizes[] = {
    {VEX_MSG_ACK, 12, 0},
    {VEX_MSG_ROUND_BEGIN, 28, 0},
    {VEX_MSG_BATTLE_BEGIN, 16, 0},
    {VEX_MSG_ROUND_RESULT, 16, 0},
    {VEX_MSG_AIMING_BEGIN, 12, 0},
    {VEX_MSG_GAME_OVER, 20, 0},
    {VEX_MSG_NEXT_TURN, 16, 0},
    {VEX_MSG_MATCH_END, 20, 0},
    {VEX_MSG_LEAVE_BATTLE, 16, 0},
    {VEX_MSG_PHYSICS_SWITCH, 16, 1},
    {VEX_MSG_PLAYER_OUT, 16, 1},
    {VEX_MSG_SETTLE_POSITIONS, 28, 1},
    {VEX_MSG_PLAYER_KNOCK, 28, 1},
    {VEX_MSG_READY, 16, 0},
    {VEX_MSG_GIVE_UP, 16, 0},
    {VEX_MSG_PLAYER_DAMAGE, 24, 1},
    {VEX_MSG_SQUASH_CHECK, 12, 0},
    {VEX_MSG_WHIP, 24, 1},
    {VEX_MSG_SPAWN_PROJECTILE, 16, 1},
    {VEX_MSG_PLACE_PROJECTILE, 28, 1},
    {VEX_MSG_LAUNCH_PROJECTILE, 28, 1},
    {VEX_MSG_PROJECTILE_GONE, 16, 1},
    {VEX_MSG_BLOCK_STATE, 28, 1},
    {VEX_MSG_BLOCK_DESTROYED, 16, 1},
    {VEX_MSG_BLOCK_STICK, 44, 1},
    {VEX_MSG_EXPLOSION, 32, 1},
    {VEX_MSG_CLOCK_RESET, 12, 0},
    {VEX_MSG_PLAYBACK_DONE, 16, 0},
    {VEX_MSG_EQUIPMENT, 64, 0},
};

// The table by type byte: size, and the batch size (the size of the timed types).
struct ByType {
    u8 size[256];
    u8 batch[256];
};

constexpr ByType Index()
{
    ByType t{};
    for (const SizeRow& row : kSizes) {
        t.size[row.type] = row.size;
        t.batch[row.type] = row.timed ? row.size : 0;
    }
    return t;
}

constexpr ByType kByType = Index();

} // namespace

u32 VexMessageSize(u32 type)
{
    return type < 256 ? kByType.size[type] : 0;
}

u32 VexBatchEntrySize(u32 typeByte)
{
    return typeByte < 256 ? kByType.batch[typeByte] : 0;
}
