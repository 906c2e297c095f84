// Hostile octets: every received message of the pyasn1 corpus cut, bit-flipped, with rewritten
// lengths and with its fields repeated, dropped and reordered, each mutant in a heap buffer of
// exactly its size, through ASN1_GetMessageLength and its tag's decoder (run under ASan/UBSan).
#include <gtest/gtest.h>

#include <random>

#include "tests/online/ProtocolCodec.h"
#include "tests/support/TestSupport.h"

namespace {

long g_mutants = 0;

// One mutant: a buffer of exactly its size; the decoders must give a result without touching
// anything outside it.
void Feed(int tag, const std::vector<u8>& octets)
{
    const size_t n = octets.size();
    u8* exact = new u8[n ? n : 1];
    if (n)
        memcpy(exact, octets.data(), n);
    const int total = ASN1_GetMessageLength(exact, (int)n);
    EXPECT_TRUE(total == ASN1_NOT_YET || total == ASN1_MALFORMED || total >= 2);
    ptest::TokenOut out;
    int result = -100;
    EXPECT_TRUE(ptest::ParseReceived(tag, exact, (int)n, &out, &result));
    EXPECT_NE(-100, result);
    delete[] exact;
    ++g_mutants;
}

// The top-level fields of a message: (start, end) of each TLV in its content.
std::vector<std::pair<size_t, size_t>> Fields(const std::vector<u8>& m, size_t* contentStart)
{
    std::vector<std::pair<size_t, size_t>> fields;
    const int tagSize = ASN1_GetTagSize(m.data(), (int)m.size());
    u64 length = 0;
    const int lengthOctets =
        tagSize > 0 ? ASN1_DecodeLength(m.data() + tagSize, (int)m.size() - tagSize, &length) : 0;
    if (lengthOctets <= 0)
        return fields;
    size_t at = (size_t)(tagSize + lengthOctets);
    *contentStart = at;
    while (at < m.size()) {
        i32 number = 0;
        const int id = ASN1_DecodeTag(m.data() + at, (int)(m.size() - at), ASN1_CLASS_ANY, &number);
        if (id <= 0)
            break;
        const int lo = ASN1_DecodeLength(m.data() + at + id, (int)(m.size() - at - id), &length);
        if (lo <= 0 || length > m.size() - at - id - lo)
            break;
        fields.push_back({at, at + id + lo + (size_t)length});
        at += id + lo + (size_t)length;
    }
    return fields;
}

// Rebuilds a message from its header and a run of fields, the header's length rewritten.
std::vector<u8> Assemble(const std::vector<u8>& m, size_t contentStart,
                         const std::vector<std::pair<size_t, size_t>>& fields)
{
    std::vector<u8> content;
    for (const auto& f : fields)
        content.insert(content.end(), m.begin() + (long)f.first, m.begin() + (long)f.second);
    const int tagSize = ASN1_GetTagSize(m.data(), (int)m.size());
    std::vector<u8> out(m.begin(), m.begin() + tagSize);
    u8 length[8];
    const int lo = ASN1_EncodeLength(length, sizeof(length), content.size());
    out.insert(out.end(), length, length + lo);
    out.insert(out.end(), content.begin(), content.end());
    (void)contentStart;
    return out;
}

void Mutate(int tag, const std::vector<u8>& m, std::mt19937& rng)
{
    const size_t n = m.size();
    const size_t span = std::min<size_t>(n, 160);
    // Every cut, up to the first 160 octets and the last few.
    for (size_t cut = 0; cut < n; ++cut)
        if (cut < span || cut + 8 > n)
            Feed(tag, std::vector<u8>(m.begin(), m.begin() + (long)cut));
    // Every bit of the first octets, and random flips further in.
    for (size_t i = 0; i < span; ++i)
        for (int bit = 0; bit < 8; ++bit) {
            std::vector<u8> v = m;
            v[i] ^= (u8)(1 << bit);
            Feed(tag, v);
        }
    for (int k = 0; k < 32 && n > 0; ++k) {
        std::vector<u8> v = m;
        v[rng() % n] ^= (u8)(1 << (rng() % 8));
        v[rng() % n] ^= (u8)(1 << (rng() % 8));
        Feed(tag, v);
    }
    // Each octet rewritten as a length: short, long forms, 0x85 and up, past the end, huge.
    static const u8 lengths[] = {0x00, 0x01, 0x7F, 0x80, 0x81, 0x82, 0x84, 0x85, 0x88, 0xFF};
    for (size_t i = 0; i < span; ++i) {
        for (u8 l : lengths) {
            std::vector<u8> v = m;
            v[i] = l;
            Feed(tag, v);
        }
        static const u8 huge[][5] = {{0x84, 0x7F, 0xFF, 0xFF, 0xFF},
                                     {0x84, 0xFF, 0xFF, 0xFF, 0xFF},
                                     {0x83, 0x00, 0x10, 0x00, 0x00},
                                     {0x81, 0xFF, 0, 0, 0}};
        for (const u8* h : huge) {
            std::vector<u8> v = m;
            const int count = h[0] & 0x0F;
            v.erase(v.begin() + (long)i);
            v.insert(v.begin() + (long)i, h, h + 1 + count);
            Feed(tag, v);
        }
        // The same value in the long form (one octet longer).
        if (m[i] < 0x80) {
            std::vector<u8> v = m;
            v.insert(v.begin() + (long)i, 0x81);
            Feed(tag, v);
        }
    }
    // Fields repeated, dropped and reordered.
    size_t contentStart = 0;
    const auto fields = Fields(m, &contentStart);
    for (size_t i = 0; i < fields.size(); ++i) {
        auto repeated = fields;
        repeated.insert(repeated.begin() + (long)i, fields[i]);
        Feed(tag, Assemble(m, contentStart, repeated));
        auto dropped = fields;
        dropped.erase(dropped.begin() + (long)i);
        Feed(tag, Assemble(m, contentStart, dropped));
        if (i + 1 < fields.size()) {
            auto swapped = fields;
            std::swap(swapped[i], swapped[i + 1]);
            Feed(tag, Assemble(m, contentStart, swapped));
        }
    }
    auto reversed = fields;
    std::reverse(reversed.begin(), reversed.end());
    Feed(tag, Assemble(m, contentStart, reversed));
}

TEST(ProtocolMutation, HostileOctetsGiveAResultWithoutAReadPastTheBuffer)
{
    vtest::TempDir dir;
    const std::string path = dir.File("vectors.txt");
    ASSERT_EQ(0,
              vtest::RunProgram({vtest::Python(),
                                 vtest::SourceDir() + "/tests/online/protocol_vectors.py", path}));
    std::mt19937 rng(20);
    int messages = 0;
    for (const ptest::Vector& v : ptest::LoadVectors(path)) {
        if (v.direction != 'R')
            continue;
        Mutate(v.tag, v.octets, rng);
        ++messages;
        if (HasFailure())
            break;
    }
    EXPECT_GT(messages, 300);
    RecordProperty("mutants", (int)g_mutants);
    printf("%d messages, %ld mutants\n", messages, g_mutants);
}

} // namespace
