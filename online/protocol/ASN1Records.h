// The plain records that the received messages carry, as the session hands them to observers.
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"

// One entry of a player list page (tag 20). The group holds eight ints: [0] not shown, rank,
// score, wins, losses, ties and the two followers numbers.
struct SPlayerListItem {
    i32 id = 0;
    CVortanString name;
    CVortanString second;
    CVortanString third;
    CVortanString location;
    i32 flags = 0;
    CVortanString comment;
    i32 group[8] = {};
};

// A group of a player list page (tag 20).
struct SGroupListItem {
    CVortanString name;
    i32 value = 0;
};

// An item data pack the server offers (tag 87); digestLength is -1 when the digest sent does
// not fit its sixteen octets.
struct SItemData {
    i32 id = 0;
    i32 version = 0;
    u8 digest[16] = {};
    i32 digestLength = 0;
    i32 size = 0;
};

// A shop group (tag 93).
struct SShopGroupData {
    i32 id = 0;
    CVortanString name;
    i32 kind = 0;
    i32 value3 = 0;
    i32 value4 = 0;
    i32 itemCount = 0;
};

// A shop item (tags 97 and 114).
struct SShopItemData {
    i32 id = 0;
    CVortanString name;
    CVortanString shortText;
    CVortanString fullText;
    i32 price = 0;
    i32 giftPrice = 0;
    i32 refillPrice = 0;
    i32 groupId = 0;
    i32 value8 = 0;
    i32 count = 0;
    i32 value10 = 0;
    i32 enabled = 0;
    i32 value12 = 0;
    CVortanString shownName;
    i32 value14 = 0;
};

// A player a bought item can go to (tag 103).
struct SBuyItemPlayerInfo {
    i32 id = 0;
    CVortanString text1;
    CVortanString text2;
};

// A language pack the server offers (tag 29).
struct SLanguageInfo {
    CVortanString code;
    CVortanString kind;
    CVortanString flags;
    i32 value = 0;
};

// An achievement of the own player (tag 11).
struct SAchievementInfo {
    i32 value0 = 0;
    i32 value1 = 0;
    CVortanString name;
    CVortanString text3;
    CVortanString text4;
    CVortanString text5;
};

// A date and time read from its "day.month.year hour:minute:second" text.
struct SDateTime {
    i32 year = 0;
    i32 month = 0;
    i32 day = 0;
    i32 hour = 0;
    i32 minute = 0;
    i32 second = 0;
};

// A player of the lobby registry's lists (tags 8 and 12).
struct SPlayerRecord {
    i32 id = 0;
    CVortanString name;
    CVortanString second;
    SDateTime date;
    i32 value4 = 0;
    CVortanString text5;
    i32 group[6] = {};
    i32 flag = 0;
};

// One match of the own player's history (tag 75).
struct SMatchResult {
    i32 value0 = 0;
    i32 result = 0;
    i32 points = 0;
    i32 value3 = 0;
    CVortanString opponent;
    SDateTime date;
};
