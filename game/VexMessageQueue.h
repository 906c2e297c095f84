// CVexMessageQueue: a first-in-first-out queue of match message records, numbering each
// record it takes from the sequence counter of its game's context.
#pragma once
#include "engine/VortanPtrArray.h"
#include "engine/VortanTypes.h"

class CVexGameContext;
class CVexMessage;

class CVexMessageQueue {
public:
    // An empty queue numbering its records from the context's sequence counter, which all
    // queues of one game share (the context outlives the queue).
    explicit CVexMessageQueue(CVexGameContext* context);
    // Deletes every record with its payload.
    virtual ~CVexMessageQueue();
    CVexMessageQueue(const CVexMessageQueue&) = delete;
    CVexMessageQueue& operator=(const CVexMessageQueue&) = delete;

    // Appends a record holding a copy of `size` bytes of `payload`; its seq is the counter's
    // value, which then advances by one; executeAt -1. Returns the record (the queue owns
    // it), or null when memory runs out (the counter is then left alone).
    virtual CVexMessage* Push(i32 type, const u8* payload, u32 size, i32 send);
    // Removes the front record and hands it to the caller; null when empty.
    virtual CVexMessage* Pop();
    // The front record, left in place; null when empty.
    CVexMessage* Peek() const { return At(0); }
    // Record i; null outside 0..count-1.
    CVexMessage* At(int i) const { return (CVexMessage*)m_records.GetAt(i); }
    int Count() const { return m_records.GetCount(); }
    bool HasRecords() const { return m_records.GetCount() > 0; }
    // Removes record i without deleting it; an index outside the queue is ignored.
    void RemoveAt(int i) { m_records.RemoveAt(i); }
    // Deletes every record with its payload.
    virtual void Clear();

    // The counter's value now: the seq the next pushed record takes. A message built for a
    // push carries this value + 1 in its header.
    u32 GetSequence() const;

private:
    CVortanPtrArray m_records;
    CVexGameContext* m_context;
};
