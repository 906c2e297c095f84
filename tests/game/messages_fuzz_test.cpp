// Hostile match messages and batches, as a peer could send them: real messages of every type
// and real batches, truncated at every length, every bit flipped, every byte set to 255,
// every type byte replaced, and a fixed number of seeded random mutations. Every input goes
// through every type's reader and the batch unpacker; what they accept must be whole and of
// the type it claims. The sanitizer builds run the same inputs.
#include <gtest/gtest.h>
#include <stdio.h>

#include <random>
#include <vector>

#include "engine/VortanPtrArray.h"
#include "game/VexGameContext.h"
#include "game/VexMessageBatch.h"
#include "tests/game/MatchMessageSamples.h"

using mtest::Sample;
typedef std::vector<u8> Bytes;

namespace {

class HostileInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        samples = mtest::AllSamples();
        for (size_t i = 0; i < samples.size(); ++i) {
            Bytes m(samples[i].size);
            samples[i].write(77 + (u32)i, i % 3 ? -1 : 1000, m.data(), (u32)m.size());
            messages.push_back(m);
        }
        // A batch of every timed type, one of a single entry, and the empty one.
        batches.push_back(Flush([](const Sample& s) { return s.timed != 0; }));
        batches.push_back(Flush([](const Sample& s) { return s.type == VEX_MSG_BLOCK_STICK; }));
        batches.push_back(Flush([](const Sample&) { return false; }));
    }

    template <class Pick>
    Bytes Flush(Pick pick)
    {
        CVortanPtrArray pending;
        for (size_t i = 0; i < samples.size(); ++i)
            if (pick(samples[i]))
                pending.Add(CVexMessage::Create((i32)samples[i].type, messages[i].data(),
                                                (u32)messages[i].size(), 1));
        CVexGameContext game;
        CVexMessageQueue execution(&game), scheduled(&game);
        CVexMessageBatch batcher;
        CVexMessage* batch = nullptr;
        EXPECT_EQ(VORTAN_OK, batcher.FlushBatch(pending, execution, scheduled, &batch));
        return batch ? Bytes(batch->payload, batch->payload + batch->size) : Bytes();
    }

    // Every reader and the unpacker on one input, with what must hold of their answers.
    void Exercise(const Bytes& input)
    {
        if (HasFatalFailure())
            return; // one report is enough
        ++inputs;
        // Heap copies of exactly the input's length, so that a read past it is seen.
        u8* bytes = new u8[input.size() + 1];
        if (!input.empty())
            memcpy(bytes, input.data(), input.size());
        const u32 size = (u32)input.size();

        CVexMessageHeader header;
        ASSERT_EQ(size >= 12 ? VORTAN_OK : VORTAN_E_MALFORMED, VexReadHeader(bytes, size, header));
        for (const Sample& s : samples) {
            mtest::Fields fields;
            int result = s.read(bytes, size, &fields);
            bool fits = size >= s.size && bytes[0] == s.type;
            ASSERT_EQ(fits ? VORTAN_OK : VORTAN_E_MALFORMED, result) << s.name;
            if (fits)
                ++accepted;
            if (fits && s.type == VEX_MSG_EQUIPMENT) {
                ASSERT_LE(std::stoi(fields[1]), 4);
            }
        }

        CVexGameContext game;
        CVexMessageQueue scheduled(&game);
        int entries = -1;
        int result = CVexMessageBatch::UnpackBatch(bytes, size, scheduled, &entries);
        ASSERT_TRUE(result == VORTAN_OK || result == VORTAN_E_MALFORMED) << result;
        ASSERT_EQ(entries, scheduled.Count());
        u64 taken = 0;
        for (int i = 0; i < scheduled.Count(); ++i) {
            const CVexMessage* record = scheduled.At(i);
            ASSERT_NE(0u, VexBatchEntrySize((u32)record->type));
            ASSERT_EQ(VexMessageSize((u32)record->type), record->size);
            ASSERT_EQ(record->type, record->payload[0]);
            ASSERT_EQ(0, record->send);
            taken += 1 + record->size;
        }
        ASSERT_LE(taken + (size >= 16 ? 16 : 0), size);
        entriesPushed += (u64)entries;
        delete[] bytes;
    }

    // The systematic mutations of one real input.
    void Systematic(const Bytes& input, const std::vector<size_t>& typeBytes)
    {
        for (size_t cut = 0; cut <= input.size(); ++cut)
            Exercise(Bytes(input.begin(), input.begin() + cut));
        for (size_t bit = 0; bit < input.size() * 8; ++bit) {
            Bytes m = input;
            m[bit / 8] ^= (u8)(1 << (bit % 8));
            Exercise(m);
        }
        for (size_t at = 0; at < input.size(); ++at) {
            Bytes m = input;
            m[at] = 255;
            Exercise(m);
        }
        for (size_t at : typeBytes)
            for (int t = 0; t < 256; ++t) {
                Bytes m = input;
                m[at] = (u8)t;
                Exercise(m);
            }
    }

    std::vector<Sample> samples;
    std::vector<Bytes> messages;
    std::vector<Bytes> batches;
    u64 inputs = 0, accepted = 0, entriesPushed = 0;
};

TEST_F(HostileInput, ReadersAndTheUnpackerTakeOnlyWholeMessages)
{
    for (const Bytes& m : messages)
        Systematic(m, {0});
    for (const Bytes& b : batches) {
        // The batch's own type byte, and each entry's type byte and its message's first byte.
        std::vector<size_t> typeBytes = {0};
        for (size_t at = 16; at < b.size() && b[at] != 'c'; at += 1 + VexBatchEntrySize(b[at])) {
            typeBytes.push_back(at);
            typeBytes.push_back(at + 1);
        }
        Systematic(b, typeBytes);
    }
    const u64 systematic = inputs;

    // Seeded random mutations: a fixed count, the same inputs in every run.
    std::mt19937 random(0x5eed1e55u);
    std::vector<const Bytes*> corpus;
    for (const Bytes& m : messages)
        corpus.push_back(&m);
    for (const Bytes& b : batches)
        corpus.push_back(&b);
    const int kRandomInputs = 100000;
    for (int n = 0; n < kRandomInputs; ++n) {
        Bytes m = *corpus[random() % corpus.size()];
        int edits = 1 + (int)(random() % 4);
        for (int e = 0; e < edits && !m.empty(); ++e) {
            size_t at = random() % m.size();
            switch (random() % 6) {
            case 0:
                m[at] ^= (u8)(1u << (random() % 8));
                break;
            case 1:
                m[at] = (u8)random();
                break;
            case 2:
                m.resize(at);
                break;
            case 3:
                m.insert(m.begin() + (long)at, (u8)random());
                break;
            case 4:
                m.erase(m.begin() + (long)at);
                break;
            default: {
                // Another input's tail spliced in.
                const Bytes& other = *corpus[random() % corpus.size()];
                size_t from = random() % (other.size() + 1);
                m.resize(at);
                m.insert(m.end(), other.begin() + (long)from, other.end());
            }
            }
        }
        Exercise(m);
    }

    printf("[ hostile  ] %llu inputs (%llu systematic, %d random): %llu accepted by a reader, "
           "%llu batch entries pushed\n",
           (unsigned long long)inputs, (unsigned long long)systematic, kRandomInputs,
           (unsigned long long)accepted, (unsigned long long)entriesPushed);
    RecordProperty("inputs", (int)inputs);
    EXPECT_EQ(systematic + kRandomInputs, inputs);
    EXPECT_GT(accepted, 0u);
    EXPECT_GT(entriesPushed, 0u);
}

} // namespace
