// Match message batches from the peer: the input is unpacked as a received batch. The entries
// pushed are checked against a walk of the input's own bytes with the catalogue's sizes (the
// timed types travel in batches), each pushed record is read as its type, and the entries are
// packed again into a batch that must hold the same entries.
#include <string.h>

#include <string>
#include <vector>

#include "engine/VortanPtrArray.h"
#include "fuzz/FuzzSupport.h"
#include "game/VexGameContext.h"
#include "game/VexMatchMessages.h"
#include "game/VexMessageBatch.h"

namespace {

// The size of a batch entry's message by its type byte, from the catalogue; 0: no entry.
u32 EntrySize(uint8_t type)
{
    switch (type) {
    case 15:
    case 21:
    case 30:
    case 33:
    case 41:
        return 16;
    case 22:
    case 23:
    case 31:
    case 32:
    case 40:
        return 28;
    case 27:
    case 29:
        return 24;
    case 45:
        return 44;
    case 50:
        return 32;
    default:
        return 0;
    }
}

template <class T>
bool Reads(const CVexMessage* record)
{
    T body;
    return VexReadMessage(record, body) == VORTAN_OK;
}

bool ReadsAsItsType(const CVexMessage* record)
{
    switch (record->type) {
    case VEX_MSG_PHYSICS_SWITCH:
        return Reads<CVexMsgPhysicsSwitch>(record);
    case VEX_MSG_PLAYER_OUT:
        return Reads<CVexMsgPlayerOut>(record);
    case VEX_MSG_SETTLE_POSITIONS:
        return Reads<CVexMsgSettlePositions>(record);
    case VEX_MSG_PLAYER_KNOCK:
        return Reads<CVexMsgPlayerKnock>(record);
    case VEX_MSG_PLAYER_DAMAGE:
        return Reads<CVexMsgPlayerDamage>(record);
    case VEX_MSG_WHIP:
        return Reads<CVexMsgWhip>(record);
    case VEX_MSG_SPAWN_PROJECTILE:
        return Reads<CVexMsgSpawnProjectile>(record);
    case VEX_MSG_PLACE_PROJECTILE:
        return Reads<CVexMsgPlaceProjectile>(record);
    case VEX_MSG_LAUNCH_PROJECTILE:
        return Reads<CVexMsgLaunchProjectile>(record);
    case VEX_MSG_PROJECTILE_GONE:
        return Reads<CVexMsgProjectileGone>(record);
    case VEX_MSG_BLOCK_STATE:
        return Reads<CVexMsgBlockState>(record);
    case VEX_MSG_BLOCK_DESTROYED:
        return Reads<CVexMsgBlockDestroyed>(record);
    case VEX_MSG_BLOCK_STICK:
        return Reads<CVexMsgBlockStick>(record);
    case VEX_MSG_EXPLOSION:
        return Reads<CVexMsgExplosion>(record);
    default:
        return false;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 20)
        return 0;
    // A block of exactly the input's size, so that a read past it is seen.
    std::vector<uint8_t> bytes(data, data + size);

    // The input's own entries: the messages a reader may take, up to the first one that is
    // cut short or whose first byte is not its type byte.
    std::vector<std::string> expected;
    bool whole = size >= 16 && data[0] == 43;
    if (whole) {
        size_t at = 16;
        while (at < size && data[at] != 'c') {
            const u32 n = EntrySize(data[at++]);
            if (n == 0)
                continue;
            if (size - at < n || data[at] != data[at - 1]) {
                whole = false;
                break;
            }
            expected.push_back(std::string((const char*)data + at, n));
            at += n;
        }
    }

    CVexGameContext game;
    CVexMessageQueue scheduled(&game);
    int entries = -1;
    const int result = CVexMessageBatch::UnpackBatch(size ? bytes.data() : nullptr, (u32)size,
                                                     scheduled, &entries);
    VFUZZ_CHECK(result == (whole ? VORTAN_OK : VORTAN_E_MALFORMED));
    VFUZZ_CHECK(entries == scheduled.Count());
    VFUZZ_CHECK((size_t)entries == expected.size());
    for (int i = 0; i < entries; ++i) {
        const CVexMessage* record = scheduled.At(i);
        VFUZZ_CHECK(record->send == 0 && record->seq == (u32)i);
        VFUZZ_CHECK(record->size == expected[i].size());
        VFUZZ_CHECK(memcmp(record->payload, expected[i].data(), record->size) == 0);
        VFUZZ_CHECK(record->type == record->payload[0]);
        VFUZZ_CHECK(ReadsAsItsType(record));
    }

    // Packed again: the same entries, each after its type byte, then "cc" (or refused when
    // they exceed one game-data message).
    CVortanPtrArray pending;
    size_t packed = 16 + 2;
    while (CVexMessage* record = scheduled.Pop()) {
        packed += 1 + record->size;
        pending.Add(record);
    }
    CVexMessageQueue execution(&game), replayed(&game);
    CVexMessageBatch batcher;
    CVexMessage* batch = nullptr;
    const int flushed = batcher.FlushBatch(pending, execution, replayed, &batch);
    if (packed > 32768) {
        VFUZZ_CHECK(flushed == VORTAN_E_RANGE && batch == nullptr);
        VFUZZ_CHECK(pending.GetCount() == entries && execution.Count() == 0);
        for (int i = 0; i < pending.GetCount(); ++i)
            delete (CVexMessage*)pending.GetAt(i);
        pending.RemoveAll();
        return 0;
    }
    VFUZZ_CHECK(flushed == VORTAN_OK && batch && batch->size == packed);
    VFUZZ_CHECK(pending.GetCount() == 0 && replayed.Count() == entries);
    size_t at = 16;
    for (const std::string& m : expected) {
        VFUZZ_CHECK(batch->payload[at] == (uint8_t)m[0]);
        VFUZZ_CHECK(memcmp(batch->payload + at + 1, m.data(), m.size()) == 0);
        at += 1 + m.size();
    }
    VFUZZ_CHECK(batch->payload[at] == 'c' && batch->payload[at + 1] == 'c');
    return 0;
}
