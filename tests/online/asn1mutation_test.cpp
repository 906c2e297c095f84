// Hostile octets: valid messages from the pyasn1 model cut at every octet, with flipped bits,
// rewritten lengths and repeated or reordered fields, each mutant alone in a heap block of its
// exact size, go to the message length and to class decoding; every answer is a result code and
// nothing is read outside the block (the sanitizer configuration reports any such read).
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "online/protocol/ASN1Sequence.h"
#include "online/protocol/ASN1SequenceOf.h"
#include "online/protocol/ASN1Wire.h"
#include "tests/support/TestSupport.h"

namespace {

typedef std::vector<u8> Octets;

struct Case {
    int tag;
    std::vector<std::string> kinds;
    Octets wire;
};

Octets FromHex(const std::string& hex)
{
    Octets out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back((u8)std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator))
        parts.push_back(part);
    return parts;
}

// Where a TLV's length octets start and how many there are, and where its content starts.
struct Header {
    size_t lengthAt, lengthOctets, contentAt, contentLength;
};

Header ReadHeader(const Octets& o, size_t at)
{
    Header h;
    size_t i = at + 1;
    if ((o[at] & 0x1F) == 0x1F) {
        while (o[i] & 0x80)
            ++i;
        ++i;
    }
    h.lengthAt = i;
    if (o[i] < 0x80) {
        h.lengthOctets = 1;
        h.contentLength = o[i];
    } else {
        h.lengthOctets = 1 + (o[i] & 0x7F);
        h.contentLength = 0;
        for (size_t k = 1; k < h.lengthOctets; ++k)
            h.contentLength = (h.contentLength << 8) | o[i + k];
    }
    h.contentAt = i + h.lengthOctets;
    return h;
}

Octets LengthOctets(u64 length)
{
    u8 buffer[8];
    return Octets(buffer, buffer + ASN1_EncodeLength(buffer, sizeof buffer, length));
}

// The message's fields as whole TLVs.
std::vector<Octets> Fields(const Octets& message, Header* outer)
{
    *outer = ReadHeader(message, 0);
    std::vector<Octets> fields;
    size_t at = outer->contentAt;
    while (at < message.size()) {
        const Header h = ReadHeader(message, at);
        fields.push_back(Octets(message.begin() + (long)at,
                                message.begin() + (long)(h.contentAt + h.contentLength)));
        at = h.contentAt + h.contentLength;
    }
    return fields;
}

Octets Rebuild(const Octets& message, const Header& outer, const std::vector<Octets>& fields)
{
    Octets body;
    for (const Octets& f : fields)
        body.insert(body.end(), f.begin(), f.end());
    Octets out(message.begin(), message.begin() + (long)outer.lengthAt);
    const Octets length = LengthOctets(body.size());
    out.insert(out.end(), length.begin(), length.end());
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// The variables a message of these kinds decodes into.
struct Receiver {
    i32 ints[8] = {};
    i64 longs[8] = {};
    CVortanString texts[8];
    u8* buffers[8] = {};
    i32 lengths[8] = {};
    CVortanArray<i32> lists[8];
    ~Receiver()
    {
        for (u8* b : buffers)
            delete[] b;
    }
};

int g_decoded = 0;

void Feed(const Case& c, const Octets& mutant)
{
    std::unique_ptr<u8[]> block(new u8[mutant.size() ? mutant.size() : 1]);
    std::copy(mutant.begin(), mutant.end(), block.get());
    const int size = (int)mutant.size();
    const int total = ASN1_GetMessageLength(block.get(), size);
    ASSERT_TRUE(total == ASN1_NOT_YET || total == ASN1_MALFORMED || total >= 2);

    Receiver r;
    CASN1_Message message(c.tag);
    for (size_t i = 0; i < c.kinds.size() && i < 8; ++i) {
        const std::string& k = c.kinds[i];
        if (k == "int")
            message.AddField(new CASN1_IntField(&r.ints[i]));
        else if (k == "int64")
            message.AddField(new CASN1_LongIntField(&r.longs[i]));
        else if (k == "text")
            message.AddField(new CASN1_StringField(&r.texts[i]));
        else if (k == "bytes")
            message.AddField(new CASN1_ByteArrayField(&r.buffers[i], &r.lengths[i]));
        else
            message.AddField(new CASN1_SequenceOf<CASN1_IntField>(&r.lists[i]));
    }
    const int consumed = message.Decode(block.get(), size);
    ASSERT_TRUE(consumed >= 0 && consumed <= size);
    if (consumed > 0) {
        ++g_decoded;
        ASSERT_EQ(consumed, total); // what decodes is one whole message
    }
}

TEST(ASN1Mutations, HostileOctetsGetAResultCode)
{
    std::string cases;
    ASSERT_EQ(0,
              vtest::RunProgram({vtest::Python(),
                                 vtest::SourceDir() + "/tests/online/asn1_model.py", "cases", "7"},
                                &cases));
    std::vector<Case> corpus;
    for (const std::string& line : Split(cases, '\n')) {
        const std::vector<std::string> parts = Split(line, '|');
        if (parts.size() < 4 || parts[3].size() > 2 * 600)
            continue;
        Case c;
        c.tag = std::stoi(parts[0]);
        if (c.tag >= 128)
            continue; // a receiver's messages carry tags below 128
        if (!parts[1].empty())
            c.kinds = Split(parts[1], ',');
        c.wire = FromHex(parts[3]);
        corpus.push_back(c);
    }
    ASSERT_GE(corpus.size(), 100u);

    const u64 lengths[] = {0, 1, 127, 128, 255, 256, 0xFFFF, 0x10000, 0x7FFFFFFF, 0xFFFFFFFFull};
    int mutants = 0;
    for (const Case& c : corpus) {
        const Octets& wire = c.wire;
        // Cut at every octet.
        for (size_t cut = 0; cut < wire.size(); ++cut, ++mutants)
            Feed(c, Octets(wire.begin(), wire.begin() + (long)cut));
        // Every bit of the first 48 octets flipped.
        for (size_t at = 0; at < wire.size() && at < 48; ++at)
            for (int bit = 0; bit < 8; ++bit, ++mutants) {
                Octets m = wire;
                m[at] ^= (u8)(1 << bit);
                Feed(c, m);
            }
        // Each length (the message's and every field's) rewritten: other values in their
        // minimal forms, padded long forms, the five-octet and longer forms, and a length
        // past the end.
        Header outer;
        std::vector<Octets> fields = Fields(wire, &outer);
        std::vector<size_t> lengthPositions = {outer.lengthAt};
        {
            size_t at = outer.contentAt;
            for (const Octets& f : fields) {
                lengthPositions.push_back(at + ReadHeader(f, 0).lengthAt);
                at += f.size();
            }
        }
        for (size_t position : lengthPositions) {
            const size_t octets = wire[position] < 0x80 ? 1 : 1 + (wire[position] & 0x7F);
            std::vector<Octets> forms;
            for (u64 l : lengths)
                forms.push_back(LengthOctets(l));
            forms.push_back({0x84, 0x00, 0x00, 0x00, (u8)(wire.size() - position)});
            forms.push_back({0x80});
            forms.push_back({0x85, 0, 0, 0, 0, 1});
            forms.push_back({0x88, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
            forms.push_back({0xFF});
            for (const Octets& form : forms) {
                Octets m(wire.begin(), wire.begin() + (long)position);
                m.insert(m.end(), form.begin(), form.end());
                m.insert(m.end(), wire.begin() + (long)(position + octets), wire.end());
                Feed(c, m);
                ++mutants;
            }
        }
        // Fields repeated, reordered and dropped.
        if (!fields.empty()) {
            std::vector<Octets> twice = fields;
            twice.insert(twice.end(), fields.begin(), fields.end());
            Feed(c, Rebuild(wire, outer, twice));
            std::vector<Octets> reversed(fields.rbegin(), fields.rend());
            Feed(c, Rebuild(wire, outer, reversed));
            std::vector<Octets> first(fields.begin(), fields.begin() + 1);
            Feed(c, Rebuild(wire, outer, first));
            mutants += 3;
        }
    }
    EXPECT_GT(g_decoded, 0);
    RecordProperty("mutants", mutants);
}

} // namespace
