// The protocol tests' and fuzz targets' dispatch of received octets to the decoder of their tag,
// the decoded values written as tokens (tests/online/protocol_vectors.py).
#pragma once
#include <string>
#include <vector>

#include "online/protocol/ASN1Builders.h"
#include "online/protocol/ASN1Messages.h"
#include "online/protocol/ASN1Parsers.h"
#include "online/protocol/ASN1ShapeLists.h"
#include "online/protocol/ASN1Shapes.h"
#include "online/protocol/ASN1Wire.h"
#include "tests/support/HexText.h"

namespace ptest {

using vtest::FromHex;
using vtest::Hex;
inline std::string Hex(const std::vector<u8>& octets)
{
    return Hex(octets.data(), octets.size());
}

inline std::string Join(const std::vector<std::string>& tokens)
{
    std::string out;
    for (const std::string& t : tokens)
        out += (out.empty() ? "" : " ") + t;
    return out;
}

// Writes value tokens in the vectors' form.
class TokenOut {
public:
    void I(i32 v) { m_tokens.push_back("i:" + std::to_string(v)); }
    void L(i64 v) { m_tokens.push_back("l:" + std::to_string(v)); }
    void N(int n) { m_tokens.push_back("n:" + std::to_string(n)); }
    void T(const CVortanString& s)
    {
        static const char digits[] = "0123456789abcdef";
        std::string out = "t:";
        for (int i = 0; i < s.GetLength(); ++i) {
            if (i)
                out += '.';
            const unsigned u = s.GetAt(i);
            for (int shift = 12; shift >= 0; shift -= 4)
                out += digits[(u >> shift) & 15];
        }
        m_tokens.push_back(out);
    }
    void B(const u8* bytes, int length)
    {
        m_tokens.push_back("b:" + (length > 0 ? Hex(bytes, (size_t)length) : std::string()));
    }
    void IL(const CVortanArray<i32>& list)
    {
        N(list.GetSize());
        for (int i = 0; i < list.GetSize(); ++i)
            I(list[i]);
    }
    void Date(const SDateTime& d)
    {
        I(d.year);
        I(d.month);
        I(d.day);
        I(d.hour);
        I(d.minute);
        I(d.second);
    }
    std::string Text() const { return Join(m_tokens); }

private:
    std::vector<std::string> m_tokens;
};

namespace detail {

inline void Emit(TokenOut* o, const SPlayerListItem& p)
{
    o->I(p.id);
    o->T(p.name);
    o->T(p.second);
    o->T(p.third);
    o->T(p.location);
    o->I(p.flags);
    o->T(p.comment);
    o->N(8);
    for (int i = 0; i < 8; ++i)
        o->I(p.group[i]);
}
inline void Emit(TokenOut* o, const SGroupListItem& g)
{
    o->T(g.name);
    o->I(g.value);
}
inline void Emit(TokenOut* o, const SItemData& d)
{
    o->I(d.id);
    o->I(d.version);
    o->B(d.digest, d.digestLength);
    o->I(d.size);
}
inline void Emit(TokenOut* o, const SShopGroupData& g)
{
    o->I(g.id);
    o->T(g.name);
    o->I(g.kind);
    o->I(g.value3);
    o->I(g.value4);
    o->I(g.itemCount);
}
inline void Emit(TokenOut* o, const SShopItemData& s)
{
    o->I(s.id);
    o->T(s.name);
    o->T(s.shortText);
    o->T(s.fullText);
    o->I(s.price);
    o->I(s.giftPrice);
    o->I(s.refillPrice);
    o->I(s.groupId);
    o->I(s.value8);
    o->I(s.count);
    o->I(s.value10);
    o->I(s.enabled);
    o->I(s.value12);
    o->T(s.shownName);
    o->I(s.value14);
}
inline void Emit(TokenOut* o, const SBuyItemPlayerInfo& p)
{
    o->I(p.id);
    o->T(p.text1);
    o->T(p.text2);
}
inline void Emit(TokenOut* o, const SLanguageInfo& l)
{
    o->T(l.code);
    o->T(l.kind);
    o->T(l.flags);
    o->I(l.value);
}
inline void Emit(TokenOut* o, const SAchievementInfo& a)
{
    o->I(a.value0);
    o->I(a.value1);
    o->T(a.name);
    o->T(a.text3);
    o->T(a.text4);
    o->T(a.text5);
}
inline void Emit(TokenOut* o, const SPlayerRecord& p)
{
    o->I(p.id);
    o->T(p.name);
    o->T(p.second);
    o->Date(p.date);
    o->I(p.value4);
    o->T(p.text5);
    for (int i = 0; i < 6; ++i)
        o->I(p.group[i]);
    o->I(p.flag);
}
inline void Emit(TokenOut* o, const SMatchResult& m)
{
    o->I(m.value0);
    o->I(m.result);
    o->I(m.points);
    o->I(m.value3);
    o->T(m.opponent);
    o->Date(m.date);
}
template <class T>
void EmitList(TokenOut* o, const CVortanArray<T>& list)
{
    o->N(list.GetSize());
    for (int i = 0; i < list.GetSize(); ++i)
        Emit(o, list[i]);
}

// A received byte string's buffer, freed at the end of the parse.
struct Owned {
    u8* p = nullptr;
    i32 n = 0;
    ~Owned() { delete[] p; }
};

} // namespace detail

// Parses received octets of `tag` into tokens, starting from the receivers' preset defaults;
// *result gets the decoder's result (octets consumed for classes and shapes, a result code for
// the direct parsers). False for a tag the client does not receive.
inline bool ParseReceived(int tag, const u8* b, int size, TokenOut* o, int* result)
{
    using detail::Emit;
    using detail::EmitList;
    using detail::Owned;
    int& r = *result;
    switch (tag) {
    case 2: {
        CVortanString error, text2;
        i32 res = 0, release = 0;
        CASN1ConnectACK m(&error, &res, &text2, &release);
        r = m.Decode(b, size);
        o->T(error), o->I(res), o->T(text2), o->I(release);
        return true;
    }
    case 6: {
        i32 res = 0, v4 = 0;
        CVortanString t1, t2, t3, t5;
        r = ASN1_DecodeLoginReply(b, size, &res, &t1, &t2, &t3, &v4, &t5);
        o->I(res), o->T(t1), o->T(t2), o->T(t3), o->I(v4), o->T(t5);
        return true;
    }
    case 8: {
        CVortanArray<SPlayerRecord> players;
        i32 v1 = -1, v2 = -1, v3 = -1;
        r = ASN1_DecodePlayerListUpdate(b, size, &players, &v1, &v2, &v3);
        EmitList(o, players);
        o->I(v1), o->I(v2), o->I(v3);
        return true;
    }
    case 11: {
        i32 v0 = 0, v1 = 0, v2 = 0, v4 = -1;
        CVortanArray<SAchievementInfo> list;
        CASN1AchievementList m(&v0, &v1, &v2, &list, &v4);
        r = m.Decode(b, size);
        o->I(v0), o->I(v1), o->I(v2);
        EmitList(o, list);
        o->I(v4);
        return true;
    }
    case 12: {
        i64 id = 0;
        CVortanArray<SPlayerRecord> players;
        i32 f2 = 0, f3 = 0, v5 = 0;
        CVortanString address;
        r = ASN1_DecodeGameBegin(b, size, &id, &players, &f2, &f3, &address, &v5);
        o->L(id);
        EmitList(o, players);
        o->I(f2), o->I(f3), o->T(address), o->I(v5);
        return true;
    }
    case 13: {
        std::vector<u8> payload(ASN1_GAME_DATA_LIMIT);
        i32 length = 0;
        r = ASN1_DecodeGameData(b, size, payload.data(), (int)payload.size(), &length);
        o->B(payload.data(), length);
        return true;
    }
    case 20: {
        i32 v0 = -1, first = -1, selector = 0;
        CVortanArray<SPlayerListItem> players;
        CVortanArray<SGroupListItem> groups;
        CASN1PlayerList m(&v0, &first, &selector, &players, &groups);
        r = m.Decode(b, size);
        o->I(v0), o->I(first), o->I(selector);
        EmitList(o, players);
        EmitList(o, groups);
        return true;
    }
    case 21:
    case 22:
    case 40: {
        i32 v[4] = {0, 0, 0, 0};
        CVortanString t4, t5;
        r = tag == 40 ? ASN1_DecodeChallengeReply(b, size, &v[0], &v[1], &v[2], &v[3], &t4, &t5)
                      : ASN1_DecodePlayerStatus(b, size, &v[0], &v[1], &v[2], &v[3], &t4, &t5);
        o->I(v[0]), o->I(v[1]), o->I(v[2]), o->I(v[3]), o->T(t4), o->T(t5);
        return true;
    }
    case 29: {
        CVortanArray<SLanguageInfo> list;
        CASN1AvailableLanguagesList m(&list);
        r = m.Decode(b, size);
        EmitList(o, list);
        return true;
    }
    case 31: {
        CVortanString code, kind, flags;
        i32 number = 0;
        Owned pack;
        CASN1LanguagePack m(&code, &kind, &flags, &number, &pack.p, &pack.n);
        r = m.Decode(b, size);
        o->T(code), o->T(kind), o->T(flags), o->I(number), o->B(pack.p, pack.n);
        return true;
    }
    case 39: {
        i64 v0 = 0;
        i32 id = 0, v4 = -1, v5 = -1;
        CVortanString name, t3;
        CASN1ChallengeReceived m(&v0, &id, &name, &t3, &v4, &v5);
        r = m.Decode(b, size);
        o->L(v0), o->I(id), o->T(name), o->T(t3), o->I(v4), o->I(v5);
        return true;
    }
    case 44: {
        i32 v = 0;
        r = ASN1_DecodePing(b, size, &v);
        o->I(v);
        return true;
    }
    case 45:
    case 64: {
        i32 kind = 0, v2 = 0;
        CVortanString text;
        if (tag == 45) {
            CASN1Notification m(&kind, &text, &v2);
            r = m.Decode(b, size);
        } else {
            CASN1ChatMessage m(&kind, &text, &v2);
            r = m.Decode(b, size);
        }
        o->I(kind), o->T(text), o->I(v2);
        return true;
    }
    case 52: {
        CVortanString name, link, label, t4;
        Owned image;
        CASN1ImageAndLink m(&name, &image.p, &image.n, &link, &label, &t4);
        r = m.Decode(b, size);
        o->T(name), o->B(image.p, image.n), o->T(link), o->T(label), o->T(t4);
        return true;
    }
    case 58: {
        CVortanString challenge, t1;
        r = ASN1_DecodeLoginChallenge(b, size, &challenge, &t1);
        o->T(challenge), o->T(t1);
        return true;
    }
    case 71:
    case 91: {
        i32 t = -1, v = tag == 91 ? -1 : 0;
        r = ASN1_DecodeIntMessage(CASN1_IntShape{&t, &v}, b, size);
        o->I(v);
        return true;
    }
    case 72: {
        i64 id = 0;
        i32 player = 0;
        r = ASN1_DecodePlayerLeft(b, size, &id, &player);
        o->L(id), o->I(player);
        return true;
    }
    case 75: {
        CVortanArray<SMatchResult> results;
        r = ASN1_DecodeMatchResults(b, size, &results);
        EmitList(o, results);
        return true;
    }
    case 80: {
        CVortanString t0, t1, t6, t8, t9;
        Owned image;
        i32 v3 = 0, v4 = 0, v7 = 0;
        CVortanArray<i32> list;
        CASN1AdvertisementInfo m(&t0, &t1, &image.p, &image.n, &v3, &v4, &list, &t6, &v7, &t8, &t9);
        r = m.Decode(b, size);
        o->T(t0), o->T(t1), o->B(image.p, image.n), o->I(v3), o->I(v4);
        o->IL(list);
        o->T(t6), o->I(v7), o->T(t8), o->T(t9);
        return true;
    }
    case 85: {
        i32 id = 0, v1 = 0;
        Owned image;
        r = ASN1_DecodePlayerImage(b, size, &id, &v1, &image.p, &image.n);
        o->I(id), o->I(v1), o->B(image.p, image.n);
        return true;
    }
    case 87: {
        i32 t = -1;
        CVortanArray<SItemData> items;
        r = ASN1_DecodeItemDataList(CASN1_ItemDataListShape{&t, &items}, b, size);
        EmitList(o, items);
        return true;
    }
    case 89: {
        i32 t = -1, id = -1, offset = -1, remaining = 0;
        Owned chunk;
        r = ASN1_DecodeItemPackChunk(
            CASN1_ItemPackChunkShape{&t, &id, &offset, &chunk.p, &chunk.n, &remaining}, b, size);
        o->I(id), o->I(offset), o->B(chunk.p, chunk.n), o->I(remaining);
        return true;
    }
    case 93: {
        i32 t = -1, parent = 0;
        CVortanArray<SShopGroupData> groups;
        r = ASN1_DecodeShopGroups(CASN1_ShopGroupsShape{&t, &parent, &groups}, b, size);
        o->I(parent);
        EmitList(o, groups);
        return true;
    }
    case 97: {
        i32 t = -1, group = -1, v1 = -1;
        CVortanArray<SShopItemData> items;
        r = ASN1_DecodeShopItems(CASN1_ShopItemsShape{&t, &group, &v1, &items}, b, size);
        o->I(group), o->I(v1);
        EmitList(o, items);
        return true;
    }
    case 100: {
        i32 t = -1, v0 = -1, v1 = -1;
        Owned image;
        r = ASN1_DecodeShopItemImage(CASN1_ShopItemImageShape{&t, &v0, &v1, &image.p, &image.n}, b,
                                     size);
        o->I(v0), o->I(v1), o->B(image.p, image.n);
        return true;
    }
    case 103: {
        i32 t = -1, res = -1, v1 = 0;
        CVortanString text;
        CVortanArray<SBuyItemPlayerInfo> players;
        r = ASN1_DecodeBuyItemPlayers(CASN1_BuyItemPlayersShape{&t, &res, &v1, &text, &players}, b,
                                      size);
        o->I(res), o->I(v1), o->T(text);
        EmitList(o, players);
        return true;
    }
    case 105:
    case 116: {
        i32 res = -1, item = tag == 116 ? -1 : 0;
        CVortanString text;
        if (tag == 105) {
            CASN1ConfirmBuyItemResponse m(&res, &item, &text);
            r = m.Decode(b, size);
        } else {
            CASN1ConfirmBuyPlayerItemsResponse m(&res, &item, &text);
            r = m.Decode(b, size);
        }
        o->I(res), o->I(item), o->T(text);
        return true;
    }
    case 106: {
        i32 v0 = -1, v1 = 0, v3 = -1;
        CVortanString text;
        CASN1UpdateItemStateResponse m(&v0, &v1, &text, &v3);
        r = m.Decode(b, size);
        o->I(v0), o->I(v1), o->T(text), o->I(v3);
        return true;
    }
    case 108:
    case 110: {
        i32 res = 0;
        CVortanString text;
        if (tag == 108) {
            CASN1ConfirmUserNameACK m(&res, &text);
            r = m.Decode(b, size);
        } else {
            CASN1ConfirmEmailACK m(&res, &text);
            r = m.Decode(b, size);
        }
        o->I(res), o->T(text);
        return true;
    }
    case 114: {
        i32 res = -1;
        CVortanString text;
        CVortanArray<SShopItemData> items;
        CASN1PlayerGiftItems m(&res, &text, &items);
        r = m.Decode(b, size);
        o->I(res), o->T(text);
        EmitList(o, items);
        return true;
    }
    default:
        return false;
    }
}

// The tags of the direct parsers, whose result is a result code (VORTAN_OK on success).
inline bool IsDirect(int tag)
{
    switch (tag) {
    case 6:
    case 8:
    case 12:
    case 13:
    case 21:
    case 22:
    case 40:
    case 44:
    case 58:
    case 72:
    case 75:
    case 85:
        return true;
    default:
        return false;
    }
}

} // namespace ptest
