// CVexMessage: one match message as the battle holds it, the record that the match queues
// carry (the payload is the message's own bytes, header included).
#pragma once
#include "engine/VortanTypes.h"

class CVexMessage {
public:
    CVexMessage();
    // Deletes the payload, then the record.
    virtual ~CVexMessage();
    CVexMessage(const CVexMessage&) = delete;
    CVexMessage& operator=(const CVexMessage&) = delete;

    // A record holding a copy of `size` bytes of `payload` (seq 0, executeAt -1), or null
    // when memory runs out. A null payload gives zeroed bytes.
    static CVexMessage* Create(i32 type, const u8* payload, u32 size, i32 send);

    i32 type;      // message type; the first byte of the payload
    u32 seq;       // the local sequence number taken when the record was pushed
    i32 executeAt; // -1, or the game time in ms at which a received message runs
    i32 send;      // 1: goes to the opponent once executed here
    u32 size;      // payload bytes, header included
    u8* payload;   // owned
};
