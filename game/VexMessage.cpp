// CVexMessage: the record and its owned payload.
#include "game/VexMessage.h"

#include <new>
#include <string.h>

CVexMessage::CVexMessage() : type(0), seq(0), executeAt(-1), send(0), size(0), payload(nullptr) {}

CVexMessage::~CVexMessage()
{
    delete[] payload;
    payload = nullptr;
}

CVexMessage* CVexMessage::Create(i32 type, const u8* payload, u32 size, i32 send)
{
    CVexMessage* record = new (std::nothrow) CVexMessage();
    if (!record)
        return nullptr;
    if (size > 0) {
        record->payload = new (std::nothrow) u8[size];
        if (!record->payload) {
            delete record;
            return nullptr;
        }
        if (payload)
            memcpy(record->payload, payload, size);
        else
            memset(record->payload, 0, size);
    }
    record->type = type;
    record->size = size;
    record->send = send;
    return record;
}
