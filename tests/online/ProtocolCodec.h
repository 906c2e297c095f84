// The protocol tests' bridge between value tokens and the codec: builds every sent message from
// tokens (tests/online/protocol_vectors.py) and reads the vector files.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "online/protocol/ASN1Builders.h"
#include "online/protocol/ASN1Messages.h"
#include "online/protocol/ASN1Parsers.h"
#include "online/protocol/ASN1ShapeLists.h"
#include "online/protocol/ASN1Shapes.h"
#include "online/protocol/ASN1Wire.h"
#include "tests/online/ProtocolDecode.h"

namespace ptest {

// One vector line: direction, tag, value tokens and octets.
struct Vector {
    char direction = 0;
    int tag = -1;
    std::vector<std::string> tokens;
    std::vector<u8> octets;
};

inline bool ParseLine(const std::string& line, Vector* v)
{
    const size_t eq = line.find(" = ");
    if (line.size() < 4 || eq == std::string::npos)
        return false;
    v->direction = line[0];
    v->octets = FromHex(line.substr(eq + 3));
    std::string head = line.substr(2, eq - 2);
    size_t at = 0;
    v->tokens.clear();
    bool first = true;
    while (at <= head.size()) {
        size_t sp = head.find(' ', at);
        if (sp == std::string::npos)
            sp = head.size();
        const std::string token = head.substr(at, sp - at);
        if (first)
            v->tag = std::stoi(token);
        else if (!token.empty())
            v->tokens.push_back(token);
        first = false;
        at = sp + 1;
    }
    return true;
}

// Reads value tokens in order.
class TokenIn {
public:
    explicit TokenIn(const std::vector<std::string>& tokens) : m_tokens(tokens) {}
    std::string Next(char kind)
    {
        if (m_at >= m_tokens.size() || m_tokens[m_at][0] != kind) {
            ADD_FAILURE() << "token " << m_at << " is not of kind " << kind;
            return "";
        }
        return m_tokens[m_at++].substr(2);
    }
    i32 I() { return (i32)Number('i'); }
    i64 L() { return Number('l'); }
    int N() { return (int)Number('n'); }
    long long Number(char kind)
    {
        const std::string text = Next(kind);
        return text.empty() ? 0 : std::stoll(text);
    }
    CVortanString T()
    {
        const std::string units = Next('t');
        std::vector<unsigned short> text;
        for (size_t at = 0; at + 3 < units.size(); at += 5)
            text.push_back((unsigned short)std::stoi(units.substr(at, 4), nullptr, 16));
        CVortanString s;
        for (unsigned short u : text)
            s.AppendChar(u);
        return s;
    }
    std::vector<u8> B() { return FromHex(Next('b')); }
    void IL(CVortanArray<i32>* list)
    {
        const int n = N();
        list->SetSize(0);
        for (int i = 0; i < n; ++i)
            list->SetAtGrow(i, I());
    }

private:
    const std::vector<std::string>& m_tokens;
    size_t m_at = 0;
};

// Builds a sent message of `tag` from its tokens into octets (empty when the builder fails).
inline std::vector<u8> BuildSent(int tag, const std::vector<std::string>& tokens)
{
    TokenIn in(tokens);
    std::vector<u8> out(70000);
    u8* b = out.data();
    const int size = (int)out.size();
    int n = 0;
    switch (tag) {
    case 0: {
        SConnectRequest q;
        q.version = in.I();
        q.width = in.I();
        q.height = in.I();
        q.model = in.T();
        q.osVersion = in.T();
        q.value5 = in.I();
        q.value6 = in.I();
        q.address7 = in.T();
        q.address8 = in.T();
        q.value9 = in.I();
        q.description = in.T();
        q.storeName = in.T();
        q.imei = in.T();
        q.value13 = in.I();
        q.osName = in.T();
        q.value15 = in.I();
        q.value16 = in.I();
        // Sized by its size query, as the sender does.
        const int needed = ASN1_EncodeConnectRequest(nullptr, 0, q);
        EXPECT_GT(needed, 0);
        n = needed > 0 && needed <= size ? ASN1_EncodeConnectRequest(b, needed, q) : 0;
        break;
    }
    case 5: {
        CVortanString user = in.T(), password = in.T();
        i32 v2 = in.I();
        n = ASN1_EncodeLogin(b, size, user, password, v2, in.T());
        break;
    }
    case 7: {
        i32 a = in.I(), c = in.I();
        n = ASN1_EncodeJoin(b, size, a, c, in.I());
        break;
    }
    case 9:
        n = ASN1_EncodeLeave(b, size, in.I());
        break;
    case 10: {
        i32 v[4] = {in.I(), in.I(), in.I(), in.I()};
        CASN1GetAchievementList m(&v[0], &v[1], &v[2], &v[3]);
        n = m.Encode(b, size);
        break;
    }
    case 13: {
        std::vector<u8> bytes = in.B();
        n = ASN1_EncodeGameData(b, size, bytes.data(), (int)bytes.size());
        break;
    }
    case 15: {
        i64 id = in.L();
        i32 number = in.I(), v2 = in.I();
        CVortanArray<i32> first, second;
        in.IL(&first);
        in.IL(&second);
        n = ASN1_EncodeGameResult(b, size, id, number, v2, &first, &second, in.I());
        break;
    }
    case 18: {
        i32 t = 18;
        i64 id = in.L();
        n = ASN1_EncodeLongMessage(CASN1_LongShape{&t, &id}, b, size);
        break;
    }
    case 19: {
        i32 v0 = in.I(), v1 = in.I(), v2 = in.I();
        CVortanString filter = in.T();
        i32 v4 = in.I();
        n = ASN1_EncodePlayerListRequest(b, size, v0, v1, v2, filter, v4, in.I());
        break;
    }
    case 21: {
        i32 v0 = in.I(), v1 = in.I(), v2 = in.I(), v3 = in.I();
        n = ASN1_EncodeFollow(b, size, v0, v1, v2, v3, in.T());
        break;
    }
    case 28: {
        CASN1_Message m(28);
        n = m.Encode(b, size);
        break;
    }
    case 30: {
        CVortanString code = in.T(), kind = in.T();
        CASN1GetLanguagePack m(&code, &kind);
        n = m.Encode(b, size);
        break;
    }
    case 37: {
        CVortanString code = in.T();
        CASN1ChangeLanguageMessage m(&code);
        n = m.Encode(b, size);
        break;
    }
    case 38: {
        i32 number = in.I();
        CVortanArray<i32> players;
        in.IL(&players);
        n = ASN1_EncodeChallengeRequest(b, size, number, &players, in.T());
        break;
    }
    case 40: {
        i32 v0 = in.I(), v1 = in.I(), v2 = in.I(), v3 = in.I();
        CVortanString t4 = in.T();
        n = ASN1_EncodeChallengeReply(b, size, v0, v1, v2, v3, t4, in.T());
        break;
    }
    case 44:
        n = ASN1_EncodePing(b, size, in.I());
        break;
    case 46: {
        i32 v0 = in.I();
        i64 id = in.L();
        i32 v[4] = {in.I(), in.I(), in.I(), in.I()};
        CVortanString version = in.T();
        CASN1GameReady m(&v0, &id, &v[0], &v[1], &v[2], &v[3], &version);
        n = m.Encode(b, size);
        break;
    }
    case 51: {
        CVortanString a = in.T(), c = in.T();
        CASN1String2Message m(51, &a, &c);
        n = m.Encode(b, size);
        break;
    }
    case 57:
        n = ASN1_EncodeLoginChallengeRequest(b, size, in.T());
        break;
    case 59:
        n = ASN1_EncodeLogout(b);
        break;
    case 64: {
        i32 kind = in.I();
        CVortanString line = in.T();
        i32 id = in.I();
        CASN1ChatMessage m(&kind, &line, &id);
        n = m.Encode(b, size);
        break;
    }
    case 70: {
        i32 t = 70;
        i64 id = in.L();
        i32 answer = in.I(), flag = in.I();
        n = ASN1_EncodeRematchReply(CASN1_RematchShape{&t, &id, &answer, &flag}, b, size);
        break;
    }
    case 74: {
        i32 v0 = in.I(), v1 = in.I();
        n = ASN1_EncodeOwnPageRequest(b, size, v0, v1, in.I());
        break;
    }
    case 76: {
        i32 id = in.I(), block = in.I();
        CASN1BlockUser m(&id, &block);
        n = m.Encode(b, 16);
        break;
    }
    case 90:
    case 94:
    case 112: {
        i32 t = tag;
        n = ASN1_EncodeEmptyMessage(CASN1_EmptyShape{&t}, b, 16);
        break;
    }
    case 92:
    case 113: {
        i32 t = tag, v = in.I();
        n = ASN1_EncodeIntMessage(CASN1_IntShape{&t, &v}, b, 16);
        break;
    }
    case 98:
    case 101:
    case 102: {
        i32 t = tag, a = in.I(), c = in.I();
        n = ASN1_EncodeIntPairMessage(CASN1_IntPairShape{&t, &a, &c}, b, 32);
        break;
    }
    case 88:
    case 96: {
        i32 t = tag, a = in.I(), c = in.I(), d = in.I();
        n = ASN1_EncodeIntTripleMessage(CASN1_IntTripleShape{&t, &a, &c, &d}, b, 32);
        break;
    }
    case 99: {
        CVortanArray<i32> ids;
        in.IL(&ids);
        i32 v1 = in.I();
        CASN1GetShopItemImage m(&ids, &v1);
        n = m.Encode(b, size);
        break;
    }
    case 104: {
        i32 a = in.I(), c = in.I();
        if (tokens.size() == 2) {
            i32 t = 104;
            n = ASN1_EncodeIntPairMessage(CASN1_IntPairShape{&t, &a, &c}, b, 32);
        } else {
            CVortanArray<i32> selection;
            in.IL(&selection);
            CASN1ConfirmBuyItem m(&a, &c, &selection);
            n = m.Encode(b, m.Encode(nullptr, 0));
        }
        break;
    }
    case 107: {
        CVortanString user = in.T();
        CASN1ConfirmUserName m(&user);
        n = m.Encode(b, size);
        break;
    }
    case 109: {
        CVortanString user = in.T(), email = in.T(), password = in.T();
        i32 mode = in.I();
        CVortanString token = in.T(), id = in.T();
        CASN1ConfirmEmail m(&user, &email, &password, &mode, &token, &id);
        n = m.Encode(b, size);
        break;
    }
    case 111: {
        i32 mode = in.I();
        CVortanString id = in.T(), token = in.T(), t3 = in.T(), email = in.T();
        CASN1ExternalLogin m(&mode, &id, &token, &t3, &email);
        n = m.Encode(b, size);
        break;
    }
    case 115: {
        i32 a = in.I(), c = in.I();
        CVortanArray<i32> values;
        in.IL(&values);
        CASN1ConfirmBuyPlayerItems m(&a, &c, &values);
        n = m.Encode(b, size);
        break;
    }
    default:
        ADD_FAILURE() << "no builder for tag " << tag;
    }
    out.resize(n > 0 ? (size_t)n : 0);
    return out;
}

// Reads the vectors written by protocol_vectors.py into `path`.
inline std::vector<Vector> LoadVectors(const std::string& path)
{
    std::vector<Vector> vectors;
    FILE* f = fopen(path.c_str(), "r");
    if (!f)
        return vectors;
    std::string line;
    int c;
    while ((c = fgetc(f)) != EOF) {
        if (c != '\n') {
            line += (char)c;
            continue;
        }
        Vector v;
        if (ParseLine(line, &v))
            vectors.push_back(v);
        line.clear();
    }
    fclose(f);
    return vectors;
}

} // namespace ptest
