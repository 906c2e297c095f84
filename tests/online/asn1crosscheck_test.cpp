// The codec against pyasn1 (tests/online/asn1_model.py): messages of random fields of every
// kind, with integer edges, 64-bit ids beyond 32 bits, empty, long and non-ASCII texts, lone
// surrogates and lengths at each form's boundary, both ways.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "online/protocol/ASN1Sequence.h"
#include "online/protocol/ASN1SequenceOf.h"
#include "tests/support/HexText.h"
#include "tests/support/TestSupport.h"

namespace {

using vtest::FromHex;
using vtest::Hex;

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator))
        parts.push_back(part);
    if (text.empty() || text.back() == separator)
        parts.push_back("");
    return parts;
}

// The variables of one message, bound to a message object's fields.
struct Bound {
    std::vector<std::string> kinds;
    std::vector<i32> ints;
    std::vector<i64> longs;
    std::vector<CVortanString> texts;
    std::vector<u8*> buffers;
    std::vector<i32> lengths;
    std::vector<CVortanArray<i32>> lists;

    explicit Bound(const std::vector<std::string>& k)
        : kinds(k), ints(k.size(), 0), longs(k.size(), 0), texts(k.size()),
          buffers(k.size(), nullptr), lengths(k.size(), 0), lists(k.size())
    {}
    ~Bound()
    {
        for (u8* buffer : buffers)
            delete[] buffer;
    }

    std::unique_ptr<CASN1_Message> Message(int tag)
    {
        std::unique_ptr<CASN1_Message> message(new CASN1_Message(tag));
        for (size_t i = 0; i < kinds.size(); ++i) {
            const std::string& k = kinds[i];
            if (k == "int")
                message->AddField(new CASN1_IntField(&ints[i]));
            else if (k == "int64")
                message->AddField(new CASN1_LongIntField(&longs[i]));
            else if (k == "text")
                message->AddField(new CASN1_StringField(&texts[i]));
            else if (k == "bytes")
                message->AddField(new CASN1_ByteArrayField(&buffers[i], &lengths[i]));
            else
                message->AddField(new CASN1_SequenceOf<CASN1_IntField>(&lists[i]));
        }
        return message;
    }

    void Set(size_t i, const std::string& value)
    {
        const std::string& k = kinds[i];
        if (k == "int") {
            ints[i] = (i32)std::stoll(value);
        } else if (k == "int64") {
            longs[i] = std::stoll(value);
        } else if (k == "text") {
            const int units = (int)value.size() / 4;
            texts[i].Empty();
            if (units > 0) {
                unsigned short* target = texts[i].AllocBuffer(units + 1);
                for (int u = 0; u < units; ++u)
                    target[u] = (unsigned short)std::stoi(value.substr(4 * u, 4), nullptr, 16);
            }
        } else if (k == "bytes") {
            std::vector<u8> bytes = FromHex(value);
            buffers[i] = new u8[bytes.size() + 1];
            std::copy(bytes.begin(), bytes.end(), buffers[i]);
            lengths[i] = (i32)bytes.size();
        } else {
            lists[i].SetSize(0);
            for (const std::string& element : Split(value, '/'))
                if (!element.empty())
                    lists[i].SetAtGrow(lists[i].GetSize(), (i32)std::stoll(element));
        }
    }

    std::string Get(size_t i) const
    {
        const std::string& k = kinds[i];
        if (k == "int")
            return std::to_string(ints[i]);
        if (k == "int64")
            return std::to_string(longs[i]);
        if (k == "text") {
            char unit[8];
            std::string out;
            for (int u = 0; u < texts[i].GetLength(); ++u) {
                snprintf(unit, sizeof unit, "%04x", texts[i].GetAt(u));
                out += unit;
            }
            return out;
        }
        if (k == "bytes")
            return lengths[i] < 0 ? "cut" : Hex(buffers[i], (size_t)lengths[i]);
        std::string out;
        for (int e = 0; e < lists[i].GetSize(); ++e)
            out += (e ? "/" : "") + std::to_string(lists[i][e]);
        return out;
    }
};

TEST(ASN1CrossCheck, PyasnAndTheCodecAgreeBothWays)
{
    std::string cases;
    ASSERT_EQ(
        0, vtest::RunProgram({vtest::Python(), vtest::SourceDir() + "/tests/online/asn1_model.py",
                              "cases", "20261206"},
                             &cases));
    std::string written; // the codec's encodings, for pyasn1 to read back
    int count = 0;
    for (const std::string& line : Split(cases, '\n')) {
        if (line.empty())
            continue;
        const std::vector<std::string> parts = Split(line, '|');
        ASSERT_EQ(5u, parts.size()) << line.substr(0, 200);
        const int tag = std::stoi(parts[0]);
        const std::vector<std::string> kinds =
            parts[1].empty() ? std::vector<std::string>() : Split(parts[1], ',');
        const std::vector<std::string> values =
            kinds.empty() ? std::vector<std::string>() : Split(parts[2], ';');
        ASSERT_EQ(kinds.size(), values.size());
        SCOPED_TRACE("case " + std::to_string(count) + ": tag " + parts[0] + " " + parts[1]);

        // Sent: the codec writes pyasn1's octets, and the size query counts them.
        Bound sent(kinds);
        for (size_t i = 0; i < kinds.size(); ++i)
            sent.Set(i, values[i]);
        std::unique_ptr<CASN1_Message> message = sent.Message(tag);
        const int needed = message->Encode(nullptr, 0);
        const std::vector<u8> expected = FromHex(parts[3]);
        ASSERT_EQ((int)expected.size(), needed);
        std::unique_ptr<u8[]> buffer(new u8[needed]);
        EXPECT_EQ(0, message->Encode(buffer.get(), needed - 1));
        ASSERT_EQ(needed, message->Encode(buffer.get(), needed));
        EXPECT_EQ(parts[3], Hex(buffer.get(), (size_t)needed));
        written += parts[0] + "|" + parts[1] + "|" + parts[2] + "|" +
                   Hex(buffer.get(), (size_t)needed) + "\n";

        // Received: pyasn1's octets, in order and shuffled, each in a buffer of its exact size.
        for (int order = 3; order <= 4; ++order) {
            const std::vector<u8> wire = FromHex(parts[order]);
            std::unique_ptr<u8[]> exact(new u8[wire.size()]);
            std::copy(wire.begin(), wire.end(), exact.get());
            Bound received(kinds);
            std::unique_ptr<CASN1_Message> decoder = received.Message(tag);
            ASSERT_EQ((int)wire.size(), decoder->Decode(exact.get(), (int)wire.size()));
            for (size_t i = 0; i < kinds.size(); ++i)
                EXPECT_EQ(values[i], received.Get(i)) << "field " << i;
        }
        ++count;
    }
    EXPECT_GE(count, 300);

    std::string verdict;
    EXPECT_EQ(0, vtest::RunProgram({vtest::Python(),
                                    vtest::SourceDir() + "/tests/online/asn1_model.py", "verify"},
                                   &verdict, written))
        << verdict;
}

} // namespace
