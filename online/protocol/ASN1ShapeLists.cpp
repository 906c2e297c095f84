// The shape decoders of the received lists and byte strings.
#include "online/protocol/ASN1ShapeLists.h"
#include "online/protocol/ASN1Reader.h"
#include "online/protocol/ASN1RecordDecoders.h"
#include "online/protocol/ASN1SequenceOf.h"
#include "online/protocol/ASN1Wire.h"

namespace {

const int kField = ASN1_CLASS_FIELD;

// The message identifier (class 0xA0, its tag stored) and length; the reader is then held to
// the message's content.
bool OpenShape(CASN1Reader& r, i32* tag)
{
    i32 found = -1;
    int outer = 0;
    if (!r.Identifier(ASN1_CLASS_MESSAGE, &found) || !r.Enter(&outer))
        return false;
    *tag = found;
    return true;
}

template <class Decoder>
bool ListField(CASN1Reader& r, CVortanArray<typename Decoder::Record>* array)
{
    array->SetSize(0);
    i32 number = 0;
    if (!r.Identifier(kField, &number))
        return false;
    CASN1_SequenceOf<Decoder> list(array);
    return r.Value(&list);
}

bool IntField(CASN1Reader& r, i32* value)
{
    return r.IntField(kField, value);
}

int ShapeConsumed(const CASN1Reader& r)
{
    return r.Failed() ? 0 : r.Position();
}

} // namespace

int ASN1_DecodeItemDataList(const CASN1_ItemDataListShape& s, const u8* buffer, int size)
{
    CASN1Reader r(buffer, size);
    OpenShape(r, s.tag) && ListField<CItemDataDecoder>(r, s.items);
    return ShapeConsumed(r);
}

int ASN1_DecodeItemPackChunk(const CASN1_ItemPackChunkShape& s, const u8* buffer, int size)
{
    CASN1Reader r(buffer, size);
    OpenShape(r, s.tag) && IntField(r, s.id) && IntField(r, s.offset) &&
        r.BytesField(kField, s.chunk, s.length) && IntField(r, s.remaining);
    return ShapeConsumed(r);
}

int ASN1_DecodeShopGroups(const CASN1_ShopGroupsShape& s, const u8* buffer, int size)
{
    CASN1Reader r(buffer, size);
    OpenShape(r, s.tag) && IntField(r, s.parent) && ListField<CShopGroupDataDecoder>(r, s.groups);
    return ShapeConsumed(r);
}

int ASN1_DecodeShopItems(const CASN1_ShopItemsShape& s, const u8* buffer, int size)
{
    CASN1Reader r(buffer, size);
    OpenShape(r, s.tag) && IntField(r, s.group) && IntField(r, s.value1) &&
        ListField<CShopItemDataDecoder>(r, s.items);
    return ShapeConsumed(r);
}

int ASN1_DecodeShopItemImage(const CASN1_ShopItemImageShape& s, const u8* buffer, int size)
{
    CASN1Reader r(buffer, size);
    OpenShape(r, s.tag) && IntField(r, s.value0) && IntField(r, s.value1) &&
        r.BytesField(kField, s.image, s.length);
    return ShapeConsumed(r);
}

int ASN1_DecodeBuyItemPlayers(const CASN1_BuyItemPlayersShape& s, const u8* buffer, int size)
{
    CASN1Reader r(buffer, size);
    OpenShape(r, s.tag) && IntField(r, s.result) && IntField(r, s.value1) &&
        r.TextField(kField, s.text2) && ListField<CBuyItemPlayerInfoDecoder>(r, s.players);
    return ShapeConsumed(r);
}
