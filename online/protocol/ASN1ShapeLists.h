// The shape decoders of the short received messages that carry a list or a byte string.
#pragma once
#include "engine/VortanArray.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "online/protocol/ASN1Records.h"

// Each record points at the caller's variables; tag gets the message's tag.
struct CASN1_ItemDataListShape {
    i32* tag;
    CVortanArray<SItemData>* items;
};
struct CASN1_ItemPackChunkShape {
    i32* tag;
    i32* id;
    i32* offset;
    u8** chunk;
    i32* length;
    i32* remaining;
};
struct CASN1_ShopGroupsShape {
    i32* tag;
    i32* parent;
    CVortanArray<SShopGroupData>* groups;
};
struct CASN1_ShopItemsShape {
    i32* tag;
    i32* group;
    i32* value1;
    CVortanArray<SShopItemData>* items;
};
struct CASN1_ShopItemImageShape {
    i32* tag;
    i32* value0;
    i32* value1;
    u8** image;
    i32* length;
};
struct CASN1_BuyItemPlayersShape {
    i32* tag;
    i32* result;
    i32* value1;
    CVortanString* text2;
    CVortanArray<SBuyItemPlayerInfo>* players;
};

// Each reads the identifier with class 0xA0 (the tag stored, not compared), the length, then
// the fields in order, every identifier with class 0x80, from at most `size` octets held to the
// message's length. Returns the octets consumed, 0 on failure (the values read before keep
// theirs). A byte string goes into the bound buffer (capacity *length), or into a new[] one of
// exactly its length when *chunk / *image is null, which the caller frees.
int ASN1_DecodeItemDataList(const CASN1_ItemDataListShape& shape, const u8* buffer, int size);
int ASN1_DecodeItemPackChunk(const CASN1_ItemPackChunkShape& shape, const u8* buffer, int size);
int ASN1_DecodeShopGroups(const CASN1_ShopGroupsShape& shape, const u8* buffer, int size);
int ASN1_DecodeShopItems(const CASN1_ShopItemsShape& shape, const u8* buffer, int size);
int ASN1_DecodeShopItemImage(const CASN1_ShopItemImageShape& shape, const u8* buffer, int size);
int ASN1_DecodeBuyItemPlayers(const CASN1_BuyItemPlayersShape& shape, const u8* buffer, int size);
