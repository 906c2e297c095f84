// CVexMessageBatch: the batch's layout, bounded on both sides.
#include "game/VexMessageBatch.h"

#include <new>
#include <string.h>

#include "engine/VortanPtrArray.h"
#include "game/VexMatchMessages.h"
#include "game/VexMessage.h"
#include "game/VexMessageQueue.h"
#include "game/VexMessageTypes.h"

CVexMessageBatch::CVexMessageBatch() : m_scratch(nullptr) {}

CVexMessageBatch::~CVexMessageBatch()
{
    delete[] m_scratch;
}

int CVexMessageBatch::FlushBatch(CVortanPtrArray& pending, CVexMessageQueue& execution,
                                 CVexMessageQueue& scheduled, CVexMessage** pushed)
{
    if (pushed)
        *pushed = nullptr;

    // Check every record and the total before a byte is written.
    u64 total = VEX_BATCH_HEADER_SIZE + 2;
    int count = pending.GetCount();
    for (int i = 0; i < count; ++i) {
        const CVexMessage* record = (const CVexMessage*)pending.GetAt(i);
        if (!record || !record->payload || record->type < 0 || record->type > 255)
            return VORTAN_E_ARGUMENT;
        u32 entrySize = VexBatchEntrySize((u32)record->type);
        if (entrySize == 0 || record->size != entrySize || record->payload[0] != record->type)
            return VORTAN_E_ARGUMENT;
        total += 1 + (u64)entrySize;
        if (total > VEX_GAME_DATA_LIMIT)
            return VORTAN_E_RANGE;
    }
    if (!m_scratch) {
        m_scratch = new (std::nothrow) u8[VEX_BATCH_SCRATCH_SIZE];
        if (!m_scratch)
            return VORTAN_E_NOMEMORY;
    }

    u8* out = m_scratch;
    VexWriteHeader(out, VEX_MSG_BATCH, execution.GetSequence() + 1, -1);
    VortanWriteLE32(out + 12, 0);
    u32 at = VEX_BATCH_HEADER_SIZE;
    for (int i = 0; i < count; ++i) {
        const CVexMessage* record = (const CVexMessage*)pending.GetAt(i);
        out[at++] = (u8)record->type;
        memcpy(out + at, record->payload, record->size);
        at += record->size;
    }
    out[at++] = VEX_BATCH_TERMINATOR;
    out[at++] = VEX_BATCH_TERMINATOR;

    CVexMessage* batch = execution.Push(VEX_MSG_BATCH, out, at, 1);
    if (!batch)
        return VORTAN_E_NOMEMORY;
    for (int i = 0; i < count; ++i)
        delete (CVexMessage*)pending.GetAt(i);
    pending.RemoveAll();
    if (pushed)
        *pushed = batch;
    int result = UnpackBatch(batch->payload, batch->size, scheduled);
    return result == VORTAN_E_NOMEMORY ? result : VORTAN_OK;
}

int CVexMessageBatch::UnpackBatch(const u8* bytes, u32 size, CVexMessageQueue& scheduled,
                                  int* entries)
{
    int pushedCount = 0;
    int result = VORTAN_OK;
    if (!bytes || size < VEX_BATCH_HEADER_SIZE || bytes[0] != VEX_MSG_BATCH) {
        result = VORTAN_E_MALFORMED;
    } else {
        u32 at = VEX_BATCH_HEADER_SIZE;
        while (at < size && bytes[at] != VEX_BATCH_TERMINATOR) {
            u32 typeByte = bytes[at++];
            u32 entrySize = VexBatchEntrySize(typeByte);
            if (entrySize == 0)
                continue;
            // The whole message must be there and be of the type its byte announces.
            if (size - at < entrySize || bytes[at] != typeByte) {
                result = VORTAN_E_MALFORMED;
                break;
            }
            if (!scheduled.Push(bytes[at], bytes + at, entrySize, 0)) {
                result = VORTAN_E_NOMEMORY;
                break;
            }
            ++pushedCount;
            at += entrySize;
        }
    }
    if (entries)
        *entries = pushedCount;
    return result;
}
