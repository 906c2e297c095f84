// The eight record decoders of the received lists.
#include "online/protocol/ASN1RecordDecoders.h"
#include "online/protocol/ASN1Reader.h"

namespace {

const int F = ASN1_CLASS_FIELD;

int Consumed(const CASN1Reader& reader)
{
    return reader.Failed() ? 0 : reader.Position();
}

} // namespace

int CPlayerListItemDecoder::Decode(const u8* buffer, int size)
{
    CASN1Reader r(buffer, size);
    SPlayerListItem* p = m_record;
    r.IntField(F, &p->id) && r.TextField(F, &p->name) && r.TextField(F, &p->second) &&
        r.TextField(F, &p->third) && r.TextField(F, &p->location) && r.IntField(F, &p->flags) &&
        r.TextField(F, &p->comment);
    i32 number = 0;
    int outer = 0;
    if (!r.Identifier(ASN1_CLASS_MESSAGE, &number) || !r.Enter(&outer))
        return 0;
    // The group's eight ints, held to the group's length; what follows them in it is skipped.
    const int groupEnd = r.End();
    for (int i = 0; i < 8 && !r.AtEnd(); ++i)
        r.IntField(F, &p->group[i]);
    r.Leave(outer, groupEnd, true);
    return Consumed(r);
}

int CGroupListItemDecoder::Decode(const u8* buffer, int size)
{
    CASN1Reader r(buffer, size);
    r.TextField(F, &m_record->name) && r.IntField(F, &m_record->value);
    return Consumed(r);
}

int CItemDataDecoder::Decode(const u8* buffer, int size)
{
    CASN1Reader r(buffer, size);
    SItemData* d = m_record;
    u8* digest = d->digest;
    d->digestLength = (i32)sizeof(d->digest);
    r.IntField(F, &d->id) && r.IntField(F, &d->version) &&
        r.BytesField(F, &digest, &d->digestLength) && r.IntField(F, &d->size);
    return Consumed(r);
}

int CShopGroupDataDecoder::Decode(const u8* buffer, int size)
{
    CASN1Reader r(buffer, size);
    SShopGroupData* g = m_record;
    r.IntField(F, &g->id) && r.TextField(F, &g->name) && r.IntField(F, &g->kind) &&
        r.IntField(F, &g->value3) && r.IntField(F, &g->value4) && r.IntField(F, &g->itemCount);
    return Consumed(r);
}

int CShopItemDataDecoder::Decode(const u8* buffer, int size)
{
    CASN1Reader r(buffer, size);
    SShopItemData* s = m_record;
    r.IntField(F, &s->id) && r.TextField(F, &s->name) && r.TextField(F, &s->shortText) &&
        r.TextField(F, &s->fullText) && r.IntField(F, &s->price) && r.IntField(F, &s->giftPrice) &&
        r.IntField(F, &s->refillPrice) && r.IntField(F, &s->groupId) && r.IntField(F, &s->value8) &&
        r.IntField(F, &s->count) && r.IntField(F, &s->value10) && r.IntField(F, &s->enabled) &&
        r.IntField(F, &s->value12) && r.TextField(F, &s->shownName) && r.IntField(F, &s->value14);
    return Consumed(r);
}

int CBuyItemPlayerInfoDecoder::Decode(const u8* buffer, int size)
{
    CASN1Reader r(buffer, size);
    r.IntField(F, &m_record->id) && r.TextField(F, &m_record->text1) &&
        r.TextField(F, &m_record->text2);
    return Consumed(r);
}

int CLanguageInfoDecoder::Decode(const u8* buffer, int size)
{
    CASN1Reader r(buffer, size);
    SLanguageInfo* l = m_record;
    r.TextField(F, &l->code) && r.TextField(F, &l->kind) && r.TextField(F, &l->flags) &&
        r.IntField(F, &l->value);
    return Consumed(r);
}

int CAchievementInfoDecoder::Decode(const u8* buffer, int size)
{
    CASN1Reader r(buffer, size);
    SAchievementInfo* a = m_record;
    r.IntField(F, &a->value0) && r.IntField(F, &a->value1) && r.TextField(F, &a->name) &&
        r.TextField(F, &a->text3) && r.TextField(F, &a->text4) && r.TextField(F, &a->text5);
    return Consumed(r);
}
