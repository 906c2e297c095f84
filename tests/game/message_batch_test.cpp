// The batch: its layout against the catalogue script, FlushBatch packing the pending records
// and unpacking its own batch, UnpackBatch reading entries by the size table and stopping at
// the first entry that does not fit, and the 32,768-byte limit of one game-data message.
#include <gtest/gtest.h>

#include "engine/VortanPtrArray.h"
#include "game/VexGameContext.h"
#include "game/VexMessageBatch.h"
#include "tests/game/MatchMessageSamples.h"

using mtest::Sample;

namespace {

// The pending list of a battle: records it owns until a flush takes them.
class Pending {
public:
    ~Pending()
    {
        for (int i = 0; i < list.GetCount(); ++i)
            delete (CVexMessage*)list.GetAt(i);
        list.RemoveAll();
    }
    CVexMessage* Add(const Sample& s, u32 seq, i32 executeAt)
    {
        u8 bytes[128];
        u32 size = s.write(seq, executeAt, bytes, sizeof bytes);
        CVexMessage* record = CVexMessage::Create((i32)s.type, bytes, size, 1);
        list.Add(record);
        return record;
    }
    CVortanPtrArray list;
};

std::vector<Sample> TimedSamples()
{
    std::vector<Sample> timed;
    for (const Sample& s : mtest::AllSamples())
        if (s.timed)
            timed.push_back(s);
    return timed;
}

const Sample& SampleOf(u32 type)
{
    static const std::vector<Sample> all = mtest::AllSamples();
    for (const Sample& s : all)
        if (s.type == type)
            return s;
    return all[0];
}

TEST(MessageBatch, FlushPacksThePendingRecordsAndPlaysThemBackLocally)
{
    std::vector<Sample> timed = TimedSamples();
    ASSERT_EQ(14u, timed.size());
    Pending pending;
    std::string line = "batch 501";
    for (size_t i = 0; i < timed.size(); ++i) {
        pending.Add(timed[i], 300 + (u32)i, 33 * (i32)i);
        line += " | " + mtest::CatalogueLine(timed[i], 300 + (u32)i, 33 * (i32)i);
    }
    std::vector<std::string> expected = mtest::RunCatalogue(line + "\n");
    ASSERT_EQ(1u, expected.size()) << "the catalogue script did not run";
    std::vector<u8> theirs = mtest::FromHex(expected[0]);

    CVexGameContext game;
    game.SetSequence(500);
    CVexMessageQueue execution(&game), scheduled(&game);
    CVexMessageBatch batcher;
    CVexMessage* batch = nullptr;
    ASSERT_EQ(VORTAN_OK, batcher.FlushBatch(pending.list, execution, scheduled, &batch));

    // One Batch pushed to run here and go out, header seq = the counter + 1.
    ASSERT_EQ(1, execution.Count());
    ASSERT_EQ(batch, execution.Peek());
    EXPECT_EQ(VEX_MSG_BATCH, batch->type);
    EXPECT_EQ(1, batch->send);
    EXPECT_EQ(500u, batch->seq);
    EXPECT_EQ(expected[0], mtest::Hex(batch->payload, batch->size));
    EXPECT_EQ(theirs.size(), batch->size);
    EXPECT_EQ(0, pending.list.GetCount());

    // Its entries, unpacked at once: the same messages in the same order, kept local.
    ASSERT_EQ((int)timed.size(), scheduled.Count());
    for (size_t i = 0; i < timed.size(); ++i) {
        const CVexMessage* record = scheduled.At((int)i);
        SCOPED_TRACE(timed[i].name);
        EXPECT_EQ((i32)timed[i].type, record->type);
        EXPECT_EQ(0, record->send);
        EXPECT_EQ(501u + i, record->seq);
        u8 bytes[128];
        u32 size = timed[i].write(300 + (u32)i, 33 * (i32)i, bytes, sizeof bytes);
        EXPECT_EQ(mtest::Hex(bytes, size), mtest::Hex(record->payload, record->size));
    }

    // The batch built by the script unpacks the same way.
    CVexMessageQueue again(&game);
    int entries = -1;
    EXPECT_EQ(VORTAN_OK,
              CVexMessageBatch::UnpackBatch(theirs.data(), (u32)theirs.size(), again, &entries));
    EXPECT_EQ((int)timed.size(), entries);
}

TEST(MessageBatch, AnEmptyBatchIsItsHeaderAndTheTerminator)
{
    std::vector<std::string> expected = mtest::RunCatalogue("batch 1\n");
    ASSERT_EQ(1u, expected.size());
    Pending pending;
    CVexGameContext game;
    CVexMessageQueue execution(&game), scheduled(&game);
    CVexMessageBatch batcher;
    ASSERT_EQ(VORTAN_OK, batcher.FlushBatch(pending.list, execution, scheduled));
    ASSERT_EQ(1, execution.Count());
    EXPECT_EQ(18u, execution.Peek()->size);
    EXPECT_EQ(expected[0], mtest::Hex(execution.Peek()->payload, 18));
    EXPECT_EQ(0, scheduled.Count());
}

// A hand-made batch: header, then the given bytes.
std::vector<u8> BatchOf(std::initializer_list<std::vector<u8>> parts)
{
    std::vector<u8> out = {43, 0, 0, 0, 9, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
    for (const std::vector<u8>& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// A 16-byte PhysicsSwitch (15) or BlockDestroyed (41) message with its body byte.
std::vector<u8> Short(u8 type, u8 body)
{
    std::vector<u8> m(16, 0);
    m[0] = type;
    m[12] = body;
    return m;
}

TEST(MessageBatch, UnpackReadsEntriesByTheSizeTable)
{
    CVexGameContext game;
    CVexMessageQueue scheduled(&game);
    std::vector<u8> whip(24, 0);
    whip[0] = 29;
    whip[12] = 1;
    // Type bytes without a batch size (0, 5, 43, 77, 200) are stepped over one by one;
    // reading ends at the first 'c', whatever follows.
    std::vector<u8> batch = BatchOf({{0, 5, 43},
                                     {15},
                                     Short(15, 1),
                                     {77, 200},
                                     {29},
                                     whip,
                                     {41},
                                     Short(41, 7),
                                     {'c', 'c', 15},
                                     Short(15, 0)});
    int entries = 0;
    EXPECT_EQ(VORTAN_OK,
              CVexMessageBatch::UnpackBatch(batch.data(), (u32)batch.size(), scheduled, &entries));
    ASSERT_EQ(3, entries);
    ASSERT_EQ(3, scheduled.Count());
    const int types[] = {15, 29, 41};
    const u32 sizes[] = {16, 24, 16};
    const u8 bodies[] = {1, 1, 7};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(types[i], scheduled.At(i)->type);
        EXPECT_EQ(sizes[i], scheduled.At(i)->size);
        EXPECT_EQ(bodies[i], scheduled.At(i)->payload[12]);
        EXPECT_EQ(0, scheduled.At(i)->send);
    }

    // Without a terminator the bytes' end ends it.
    scheduled.Clear();
    batch = BatchOf({{15}, Short(15, 1)});
    EXPECT_EQ(VORTAN_OK,
              CVexMessageBatch::UnpackBatch(batch.data(), (u32)batch.size(), scheduled, &entries));
    EXPECT_EQ(1, entries);
}

TEST(MessageBatch, UnpackStopsAtTheFirstEntryThatDoesNotFit)
{
    CVexGameContext game;
    CVexMessageQueue scheduled(&game);
    int entries = -1;

    // Too short for a batch header, or not a batch.
    std::vector<u8> batch = BatchOf({});
    EXPECT_EQ(VORTAN_E_MALFORMED,
              CVexMessageBatch::UnpackBatch(batch.data(), 15, scheduled, &entries));
    EXPECT_EQ(0, entries);
    batch[0] = 42;
    EXPECT_EQ(VORTAN_E_MALFORMED,
              CVexMessageBatch::UnpackBatch(batch.data(), (u32)batch.size(), scheduled));
    EXPECT_EQ(VORTAN_E_MALFORMED, CVexMessageBatch::UnpackBatch(nullptr, 100, scheduled));

    // An entry cut short at every length: the whole ones before it are pushed, nothing of it.
    std::vector<u8> stick(44, 0);
    stick[0] = 45;
    std::vector<u8> full = BatchOf({{15}, Short(15, 1), {45}, stick});
    for (u32 cut = 16 + 17 + 1; cut < full.size(); ++cut) {
        scheduled.Clear();
        EXPECT_EQ(VORTAN_E_MALFORMED,
                  CVexMessageBatch::UnpackBatch(full.data(), cut, scheduled, &entries))
            << cut;
        EXPECT_EQ(1, entries) << cut;
        EXPECT_EQ(1, scheduled.Count()) << cut;
    }

    // A message whose first byte is not its entry's type byte is not read as either type:
    // a 16-byte slot must not become a 44-byte BlockStick record.
    scheduled.Clear();
    std::vector<u8> disguised = Short(45, 3);
    batch = BatchOf({{41}, Short(41, 2), {15}, disguised, {41}, Short(41, 4), {'c', 'c'}});
    EXPECT_EQ(VORTAN_E_MALFORMED,
              CVexMessageBatch::UnpackBatch(batch.data(), (u32)batch.size(), scheduled, &entries));
    EXPECT_EQ(1, entries);
    ASSERT_EQ(1, scheduled.Count());
    EXPECT_EQ(41, scheduled.At(0)->type);
}

TEST(MessageBatch, FlushRefusesABatchAboveOneGameDataMessage)
{
    // 726 BlockStick entries (45 bytes each), three of 17 and one of 29: 16 + 32,750 + 2 =
    // 32,768 bytes, the most one game-data message carries.
    Pending pending;
    for (int i = 0; i < 726; ++i)
        pending.Add(SampleOf(VEX_MSG_BLOCK_STICK), (u32)i, i);
    for (int i = 0; i < 3; ++i)
        pending.Add(SampleOf(VEX_MSG_BLOCK_DESTROYED), 0, 0);
    pending.Add(SampleOf(VEX_MSG_BLOCK_STATE), 0, 0);

    CVexGameContext game;
    CVexMessageQueue execution(&game), scheduled(&game);
    CVexMessageBatch batcher;
    // One more 16-byte entry: 32,785 bytes. Refused, with nothing changed.
    CVexMessage* extra = pending.Add(SampleOf(VEX_MSG_PHYSICS_SWITCH), 0, 0);
    CVexMessage* pushed = extra;
    EXPECT_EQ(VORTAN_E_RANGE, batcher.FlushBatch(pending.list, execution, scheduled, &pushed));
    EXPECT_EQ(nullptr, pushed);
    EXPECT_EQ(731, pending.list.GetCount());
    EXPECT_EQ(0, execution.Count());
    EXPECT_EQ(0, scheduled.Count());
    EXPECT_EQ(0u, game.GetSequence());

    pending.list.RemoveAt(730);
    delete extra;
    ASSERT_EQ(VORTAN_OK, batcher.FlushBatch(pending.list, execution, scheduled, &pushed));
    ASSERT_NE(nullptr, pushed);
    EXPECT_EQ(32768u, pushed->size);
    EXPECT_EQ('c', pushed->payload[32766]);
    EXPECT_EQ('c', pushed->payload[32767]);
    EXPECT_EQ(730, scheduled.Count());
    EXPECT_EQ(0, pending.list.GetCount());
}

TEST(MessageBatch, FlushRefusesRecordsThatCannotTravelInABatch)
{
    CVexGameContext game;
    CVexMessageQueue execution(&game), scheduled(&game);
    CVexMessageBatch batcher;
    {
        // A message executed on arrival has no size in the batch's table.
        Pending pending;
        pending.Add(SampleOf(VEX_MSG_PHYSICS_SWITCH), 1, 0);
        pending.Add(SampleOf(VEX_MSG_ROUND_BEGIN), 2, -1);
        EXPECT_EQ(VORTAN_E_ARGUMENT, batcher.FlushBatch(pending.list, execution, scheduled));
        EXPECT_EQ(2, pending.list.GetCount());
    }
    {
        // A record whose size is not its type's, or whose bytes name another type.
        Pending pending;
        CVexMessage* record = pending.Add(SampleOf(VEX_MSG_WHIP), 1, 0);
        record->size = 20;
        EXPECT_EQ(VORTAN_E_ARGUMENT, batcher.FlushBatch(pending.list, execution, scheduled));
        record->size = 24;
        record->payload[0] = VEX_MSG_PLAYER_DAMAGE;
        EXPECT_EQ(VORTAN_E_ARGUMENT, batcher.FlushBatch(pending.list, execution, scheduled));
        record->payload[0] = VEX_MSG_WHIP;
        pending.list.Add(nullptr);
        EXPECT_EQ(VORTAN_E_ARGUMENT, batcher.FlushBatch(pending.list, execution, scheduled));
        pending.list.RemoveAt(1);
        EXPECT_EQ(VORTAN_OK, batcher.FlushBatch(pending.list, execution, scheduled));
    }
    EXPECT_EQ(1, execution.Count());
    EXPECT_EQ(1, scheduled.Count());
}

} // namespace
