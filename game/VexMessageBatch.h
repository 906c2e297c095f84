// CVexMessageBatch: packs the timed messages of a shot into one Batch message and unpacks a
// batch into the records that play the shot back.
//
// A batch is the 16-byte header {u32 43, u32 seq, i32 -1, u32 0}, then per entry the type
// byte followed by the entry's whole message, then "cc".
#pragma once
#include "engine/VortanTypes.h"

class CVexMessage;
class CVexMessageQueue;
class CVortanPtrArray;

class CVexMessageBatch {
public:
    CVexMessageBatch();
    virtual ~CVexMessageBatch();
    CVexMessageBatch(const CVexMessageBatch&) = delete;
    CVexMessageBatch& operator=(const CVexMessageBatch&) = delete;

    // Packs the records of `pending` (CVexMessage pointers, in order) into one batch, pushes
    // it onto `execution` with send 1 (header seq = the counter's value + 1), deletes the
    // pending records and empties the list, then unpacks the batch into `scheduled`. Returns
    // VORTAN_OK with the pushed record in *pushed (when given). Refused with nothing changed:
    // VORTAN_E_ARGUMENT when a pending record is not a whole timed message (null, a type
    // that does not travel in batches, or a size other than its type's), VORTAN_E_RANGE
    // when the batch would exceed the 32,768 bytes of one game-data message (the caller
    // decides what becomes of the shot), VORTAN_E_NOMEMORY when the scratch buffer or the
    // batch record cannot be allocated. VORTAN_E_NOMEMORY after the push (*pushed set, the
    // pending list emptied) when the local playback ran out of memory part way.
    virtual int FlushBatch(CVortanPtrArray& pending, CVexMessageQueue& execution,
                           CVexMessageQueue& scheduled, CVexMessage** pushed = nullptr);

    // Reads a batch message of `size` bytes and pushes each entry's message onto `scheduled`
    // (send 0, the type from the message's first byte). A type byte without a batch size is
    // stepped over by itself; reading ends at 'c' or at the end of the bytes. Returns
    // VORTAN_OK; VORTAN_E_MALFORMED when the bytes are not a batch (shorter than its header,
    // another type) or when it stopped at an entry whose message is cut short or names
    // another type than its type byte (the entries before it are pushed);
    // VORTAN_E_NOMEMORY when a push fails. *entries (when given) gets the number pushed.
    static int UnpackBatch(const u8* bytes, u32 size, CVexMessageQueue& scheduled,
                           int* entries = nullptr);

private:
    u8* m_scratch; // VEX_BATCH_SCRATCH_SIZE bytes, allocated on first use
};
