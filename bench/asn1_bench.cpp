// The wire codec: encode plus decode of a player-list page (tag 20: players with texts and
// their nested groups, plus group items) and of a 32 KB game-data message (tag 13), against
// libtasn1 coding the same structure from an ASN.1 module of the same shape (its lists are
// constructed, the one difference on the wire).
#include <benchmark/benchmark.h>
#include <libtasn1.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "online/protocol/ASN1Sequence.h"
#include "online/protocol/ASN1SequenceOf.h"

namespace {

const int kPlayers = 25;
const int kGroups = 8;
const int kPayload = 32768;

// A player of the page, as the list decoders keep one.
struct Player {
    i32 id = 0;
    CVortanString name, second, third, location;
    i32 flags = 0;
    CVortanString comment;
    i32 group[8] = {};
};

struct Group {
    CVortanString name;
    i32 count = 0;
};

// Reads and writes a record's fields in fixed order: each identifier with class 0x80 (the
// group 0xA7 and its length), then the value.
class CRecordCoder {
public:
    CRecordCoder(const u8* in, int size)
        : m_in(in), m_out(nullptr), m_writing(false), m_size(size), m_at(0)
    {}
    // A null `out` (or size 0) only counts.
    CRecordCoder(u8* out, int size)
        : m_in(nullptr), m_out(out), m_writing(true), m_size(size), m_at(0)
    {}
    bool Field(int number, CASN1_Field& field)
    {
        if (m_writing) {
            if (m_out && m_size > 0)
                m_out[m_at] = (u8)(0x80 | number);
            ++m_at;
            const int n = field.Encode(m_out && m_size > 0 ? m_out + m_at : nullptr, m_size - m_at);
            m_at += n;
            return n > 0;
        }
        i32 tag = 0;
        CASN1_TagField identifier(&tag);
        const int t = identifier.Decode(m_in + m_at, m_size - m_at);
        if (t <= 0)
            return false;
        m_at += t;
        const int n = field.Decode(m_in + m_at, m_size - m_at);
        m_at += n;
        return n > 0;
    }
    int At() const { return m_at; }

private:
    const u8* m_in;
    u8* m_out;
    bool m_writing;
    int m_size;
    int m_at;
};

class CPlayerCoder : public CASN1_Field {
public:
    typedef Player Record;
    enum { ELEMENT_OCTET = 0x30 };
    explicit CPlayerCoder(Player* p) : m_p(p) {}
    int Encode(u8* buffer, int size) override
    {
        if (!buffer)
            size = 0;
        int groupBody = 0;
        for (int i = 0; i < 8; ++i) {
            CASN1_IntField v(&m_p->group[i]);
            groupBody += 1 + v.Encode(nullptr, 0);
        }
        CRecordCoder out(buffer, size);
        if (!Fields(out))
            return 0;
        int at = out.At();
        const int total = at + 2 + groupBody;
        if (size <= 0)
            return total;
        if (size < total)
            return 0;
        buffer[at++] = 0xA7;
        buffer[at++] = (u8)groupBody;
        CRecordCoder group(buffer + at, size - at);
        for (int i = 0; i < 8; ++i) {
            CASN1_IntField v(&m_p->group[i]);
            group.Field(i, v);
        }
        return at + group.At();
    }
    int Decode(const u8* buffer, int size) override
    {
        CRecordCoder in(buffer, size);
        if (!Fields(in))
            return 0;
        int at = in.At();
        i32 tag = 0;
        CASN1_TagField identifier(&tag, 0xA0);
        const int t = identifier.Decode(buffer + at, size - at);
        u64 length = 0;
        const int l = t > 0 ? ASN1_DecodeLength(buffer + at + t, size - at - t, &length) : 0;
        if (l <= 0 || length > (u64)(size - at - t - l))
            return 0;
        at += t + l;
        CRecordCoder group(buffer + at, (int)length);
        for (int i = 0; i < 8; ++i) {
            CASN1_IntField v(&m_p->group[i]);
            if (!group.Field(i, v))
                return 0;
        }
        return at + group.At();
    }

private:
    bool Fields(CRecordCoder& c)
    {
        CASN1_IntField id(&m_p->id), flags(&m_p->flags);
        CASN1_StringField name(&m_p->name), second(&m_p->second), third(&m_p->third),
            location(&m_p->location), comment(&m_p->comment);
        return c.Field(0, id) && c.Field(1, name) && c.Field(2, second) && c.Field(3, third) &&
               c.Field(4, location) && c.Field(5, flags) && c.Field(6, comment);
    }
    Player* m_p;
};

class CGroupCoder : public CASN1_Field {
public:
    typedef Group Record;
    enum { ELEMENT_OCTET = 0x30 };
    explicit CGroupCoder(Group* g) : m_g(g) {}
    int Encode(u8* buffer, int size) override
    {
        CRecordCoder out(buffer, buffer ? size : 0);
        return Fields(out) ? out.At() : 0;
    }
    int Decode(const u8* buffer, int size) override
    {
        CRecordCoder in(buffer, size);
        return Fields(in) ? in.At() : 0;
    }

private:
    bool Fields(CRecordCoder& c)
    {
        CASN1_StringField name(&m_g->name);
        CASN1_IntField count(&m_g->count);
        return c.Field(0, name) && c.Field(1, count);
    }
    Group* m_g;
};

struct PlayerPage {
    i32 a = -1, first = 0, selector = 0;
    CVortanArray<Player> players;
    CVortanArray<Group> groups;
    CASN1_Message message{20};
    PlayerPage()
    {
        message.AddField(new CASN1_IntField(&a));
        message.AddField(new CASN1_IntField(&first));
        message.AddField(new CASN1_IntField(&selector));
        message.AddField(new CASN1_SequenceOf<CPlayerCoder>(&players));
        message.AddField(new CASN1_SequenceOf<CGroupCoder>(&groups));
    }
};

// The page's values, also as UTF-8 for libtasn1.
struct PageValues {
    std::vector<std::string> names, locations, comments, groupNames;
};

PageValues Values()
{
    PageValues v;
    const char* names[] = {"Mikko",  "Ana\xc3\xafs", "Zo\xc3\xab",      "J\xc3\xbcrgen",
                           "Sakura", "Oskar_92",     "\xe2\x98\x85Star"};
    for (int i = 0; i < kPlayers; ++i) {
        v.names.push_back(std::string(names[i % 7]) + std::to_string(i));
        v.locations.push_back(i % 2 ? "Helsinki, Finland" : "S\xc3\xa3o Paulo");
        v.comments.push_back("Ready for a rematch any time " + std::to_string(i * 37));
    }
    for (int i = 0; i < kGroups; ++i)
        v.groupNames.push_back("Group " + std::to_string(i));
    return v;
}

void Fill(PlayerPage& page, const PageValues& v)
{
    page.players.SetSize(kPlayers);
    for (int i = 0; i < kPlayers; ++i) {
        Player& p = page.players[i];
        p.id = 100000 + i * 7919;
        p.name.AssignUTF8(v.names[i].c_str(), -1);
        p.location.AssignUTF8(v.locations[i].c_str(), -1);
        p.comment.AssignUTF8(v.comments[i].c_str(), -1);
        p.flags = i % 3 == 0 ? 0x11 : 1;
        for (int g = 0; g < 8; ++g)
            p.group[g] = g * 1000 + i * 13;
    }
    page.groups.SetSize(kGroups);
    for (int i = 0; i < kGroups; ++i) {
        page.groups[i].name.AssignUTF8(v.groupNames[i].c_str(), -1);
        page.groups[i].count = i * 3;
    }
}

void BM_Codec_PlayerList(benchmark::State& state)
{
    PlayerPage out;
    Fill(out, Values());
    const int size = out.message.Encode(nullptr, 0);
    std::vector<u8> buffer((size_t)size);
    for (auto _ : state) {
        const int written = out.message.Encode(buffer.data(), size);
        PlayerPage in;
        const int read = in.message.Decode(buffer.data(), written);
        if (read != size || in.players.GetSize() != kPlayers)
            state.SkipWithError("codec round trip");
        benchmark::DoNotOptimize(in.players[kPlayers - 1].group[7]);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * size);
    state.counters["octets"] = size;
}

void BM_Codec_GameData(benchmark::State& state)
{
    std::vector<u8> payload(kPayload);
    for (int i = 0; i < kPayload; ++i)
        payload[(size_t)i] = (u8)(i * 31 + 7);
    u8* source = payload.data();
    i32 sourceLength = kPayload;
    CASN1_Message out(13);
    out.AddField(new CASN1_ByteArrayField(&source, &sourceLength));
    const int size = out.Encode(nullptr, 0);
    std::vector<u8> buffer((size_t)size);
    std::vector<u8> received(kPayload); // the receiver's payload buffer
    for (auto _ : state) {
        const int written = out.Encode(buffer.data(), size);
        u8* target = received.data();
        i32 capacity = kPayload;
        CASN1_Message in(13);
        in.AddField(new CASN1_ByteArrayField(&target, &capacity));
        if (in.Decode(buffer.data(), written) != size || capacity != kPayload)
            state.SkipWithError("codec round trip");
        benchmark::DoNotOptimize(received[kPayload - 1]);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * size);
    state.counters["octets"] = size;
}

// --- libtasn1 -----------------------------------------------------------------------------------

const char kModule[] = R"(Orlo DEFINITIONS IMPLICIT TAGS ::= BEGIN
PlayerList ::= [20] SEQUENCE { f0 [0] INTEGER, f1 [1] INTEGER, f2 [2] INTEGER,
    players [3] SEQUENCE OF Player, groups [4] SEQUENCE OF GroupItem }
Player ::= SEQUENCE { id [0] INTEGER, name [1] UTF8String, second [2] UTF8String,
    third [3] UTF8String, location [4] UTF8String, flags [5] INTEGER, comment [6] UTF8String,
    group [7] Stats }
Stats ::= SEQUENCE { s0 [0] INTEGER, s1 [1] INTEGER, s2 [2] INTEGER, s3 [3] INTEGER,
    s4 [4] INTEGER, s5 [5] INTEGER, s6 [6] INTEGER, s7 [7] INTEGER }
GroupItem ::= SEQUENCE { name [0] UTF8String, count [1] INTEGER }
GameData ::= [13] SEQUENCE { payload [0] OCTET STRING }
END
)";

asn1_node Definitions()
{
    static asn1_node definitions = nullptr;
    if (!definitions) {
        char path[] = "/tmp/asn1benchXXXXXX";
        const int fd = mkstemp(path);
        if (fd < 0 || write(fd, kModule, sizeof kModule - 1) != (ssize_t)(sizeof kModule - 1))
            return nullptr;
        close(fd);
        char error[ASN1_MAX_ERROR_DESCRIPTION_SIZE];
        if (asn1_parser2tree(path, &definitions, error) != ASN1_SUCCESS)
            fprintf(stderr, "asn1_bench: %s\n", error);
        unlink(path);
    }
    return definitions;
}

int WriteInt(asn1_node node, const std::string& name, int value)
{
    const std::string digits = std::to_string(value);
    return asn1_write_value(node, name.c_str(), digits.c_str(), 0);
}

int ReadInt(asn1_node node, const std::string& name)
{
    u8 octets[8];
    int length = sizeof octets;
    if (asn1_read_value(node, name.c_str(), octets, &length) != ASN1_SUCCESS || length < 1)
        return 0;
    i32 value = (octets[0] & 0x80) ? -1 : 0;
    for (int i = 0; i < length; ++i)
        value = (i32)(((u32)value << 8) | octets[i]);
    return value;
}

std::string ReadText(asn1_node node, const std::string& name)
{
    char text[256];
    int length = sizeof text;
    if (asn1_read_value(node, name.c_str(), text, &length) != ASN1_SUCCESS)
        return std::string();
    return std::string(text, (size_t)length);
}

void BM_Libtasn1_PlayerList(benchmark::State& state)
{
    asn1_node definitions = Definitions();
    const PageValues v = Values();
    std::vector<u8> buffer(16384);
    char error[ASN1_MAX_ERROR_DESCRIPTION_SIZE];
    int size = 0;
    for (auto _ : state) {
        asn1_node out = nullptr;
        asn1_create_element(definitions, "Orlo.PlayerList", &out);
        WriteInt(out, "f0", -1);
        WriteInt(out, "f1", 0);
        WriteInt(out, "f2", 0);
        for (int i = 0; i < kPlayers; ++i) {
            asn1_write_value(out, "players", "NEW", 1);
            const std::string p = "players.?LAST.";
            WriteInt(out, p + "id", 100000 + i * 7919);
            asn1_write_value(out, (p + "name").c_str(), v.names[i].data(), (int)v.names[i].size());
            asn1_write_value(out, (p + "second").c_str(), "", 0);
            asn1_write_value(out, (p + "third").c_str(), "", 0);
            asn1_write_value(out, (p + "location").c_str(), v.locations[i].data(),
                             (int)v.locations[i].size());
            WriteInt(out, p + "flags", i % 3 == 0 ? 0x11 : 1);
            asn1_write_value(out, (p + "comment").c_str(), v.comments[i].data(),
                             (int)v.comments[i].size());
            for (int g = 0; g < 8; ++g)
                WriteInt(out, p + "group.s" + std::to_string(g), g * 1000 + i * 13);
        }
        for (int i = 0; i < kGroups; ++i) {
            asn1_write_value(out, "groups", "NEW", 1);
            asn1_write_value(out, "groups.?LAST.name", v.groupNames[i].data(),
                             (int)v.groupNames[i].size());
            WriteInt(out, "groups.?LAST.count", i * 3);
        }
        size = (int)buffer.size();
        if (asn1_der_coding(out, "", buffer.data(), &size, error) != ASN1_SUCCESS)
            state.SkipWithError(error);
        asn1_delete_structure(&out);

        asn1_node in = nullptr;
        asn1_create_element(definitions, "Orlo.PlayerList", &in);
        if (asn1_der_decoding(&in, buffer.data(), size, error) != ASN1_SUCCESS)
            state.SkipWithError(error);
        int sum = ReadInt(in, "f0") + ReadInt(in, "f1") + ReadInt(in, "f2");
        for (int i = 1; i <= kPlayers; ++i) {
            const std::string p = "players.?" + std::to_string(i) + ".";
            sum += ReadInt(in, p + "id") + ReadInt(in, p + "flags");
            sum += (int)(ReadText(in, p + "name").size() + ReadText(in, p + "second").size() +
                         ReadText(in, p + "third").size() + ReadText(in, p + "location").size() +
                         ReadText(in, p + "comment").size());
            for (int g = 0; g < 8; ++g)
                sum += ReadInt(in, p + "group.s" + std::to_string(g));
        }
        for (int i = 1; i <= kGroups; ++i) {
            const std::string g = "groups.?" + std::to_string(i) + ".";
            sum += (int)ReadText(in, g + "name").size() + ReadInt(in, g + "count");
        }
        benchmark::DoNotOptimize(sum);
        asn1_delete_structure(&in);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * size);
    state.counters["octets"] = size;
}

void BM_Libtasn1_GameData(benchmark::State& state)
{
    asn1_node definitions = Definitions();
    std::vector<u8> payload(kPayload);
    for (int i = 0; i < kPayload; ++i)
        payload[(size_t)i] = (u8)(i * 31 + 7);
    std::vector<u8> buffer(kPayload + 64);
    std::vector<u8> received(kPayload);
    char error[ASN1_MAX_ERROR_DESCRIPTION_SIZE];
    int size = 0;
    for (auto _ : state) {
        asn1_node out = nullptr;
        asn1_create_element(definitions, "Orlo.GameData", &out);
        asn1_write_value(out, "payload", payload.data(), kPayload);
        size = (int)buffer.size();
        if (asn1_der_coding(out, "", buffer.data(), &size, error) != ASN1_SUCCESS)
            state.SkipWithError(error);
        asn1_delete_structure(&out);
        asn1_node in = nullptr;
        asn1_create_element(definitions, "Orlo.GameData", &in);
        if (asn1_der_decoding(&in, buffer.data(), size, error) != ASN1_SUCCESS)
            state.SkipWithError(error);
        int length = kPayload;
        if (asn1_read_value(in, "payload", received.data(), &length) != ASN1_SUCCESS ||
            length != kPayload)
            state.SkipWithError("libtasn1 round trip");
        benchmark::DoNotOptimize(received[kPayload - 1]);
        asn1_delete_structure(&in);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * size);
    state.counters["octets"] = size;
}

BENCHMARK(BM_Codec_PlayerList);
BENCHMARK(BM_Libtasn1_PlayerList);
BENCHMARK(BM_Codec_GameData);
BENCHMARK(BM_Libtasn1_GameData);

} // namespace
