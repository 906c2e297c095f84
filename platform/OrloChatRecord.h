// COrloChatRecord: a chat line as the network session, the application and the online menu
// exchange it.
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"

struct COrloChatRecord {
    COrloChatRecord() : kind(0), playerId(-1) {}
    COrloChatRecord(int k, const CVortanString& t, int id) : kind(k), text(t), playerId(id) {}

    i32 kind; // 2 a chat line, 4 rematch accepted, 5 left, 1 declined
    CVortanString text;
    i32 playerId;
};
