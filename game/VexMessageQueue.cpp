// CVexMessageQueue: pushing copies, popping, and deleting what is left.
#include "game/VexMessageQueue.h"

#include "game/VexGameContext.h"
#include "game/VexMessage.h"

CVexMessageQueue::CVexMessageQueue(CVexGameContext* context) : m_context(context) {}

CVexMessageQueue::~CVexMessageQueue()
{
    Clear();
    m_records.RemoveAll();
}

CVexMessage* CVexMessageQueue::Push(i32 type, const u8* payload, u32 size, i32 send)
{
    CVexMessage* record = CVexMessage::Create(type, payload, size, send);
    if (!record)
        return nullptr;
    if (m_records.Add(record) != VORTAN_OK) {
        delete record;
        return nullptr;
    }
    record->seq = m_context->TakeSequence();
    return record;
}

u32 CVexMessageQueue::GetSequence() const
{
    return m_context->GetSequence();
}

CVexMessage* CVexMessageQueue::Pop()
{
    CVexMessage* record = At(0);
    if (record)
        m_records.RemoveAt(0);
    return record;
}

void CVexMessageQueue::Clear()
{
    for (int i = 0; i < m_records.GetCount(); ++i)
        delete (CVexMessage*)m_records.GetAt(i);
    m_records.RemoveAll();
}
