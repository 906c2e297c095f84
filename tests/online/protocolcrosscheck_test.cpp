// Every sent and received message against pyasn1 (tests/online/protocol_vectors.py): the client
// writes exactly the octets pyasn1 writes for the same values, and parses pyasn1's octets (the
// class-decoded ones also with their fields shuffled) back to the values.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "tests/online/ProtocolCodec.h"
#include "tests/support/TestSupport.h"

namespace {

std::vector<ptest::Vector> Vectors()
{
    vtest::TempDir dir;
    const std::string path = dir.File("vectors.txt");
    EXPECT_EQ(0,
              vtest::RunProgram({vtest::Python(),
                                 vtest::SourceDir() + "/tests/online/protocol_vectors.py", path}));
    return ptest::LoadVectors(path);
}

TEST(ProtocolCrossCheck, EveryMessageBothWays)
{
    const std::vector<ptest::Vector> vectors = Vectors();
    ASSERT_GT(vectors.size(), 500u);
    std::set<int> sent, received;
    for (const ptest::Vector& v : vectors) {
        const std::string what =
            std::string(1, v.direction) + " " + std::to_string(v.tag) + " " + ptest::Join(v.tokens);
        if (v.direction == 'S') {
            EXPECT_EQ(ptest::Hex(v.octets), ptest::Hex(ptest::BuildSent(v.tag, v.tokens))) << what;
            sent.insert(v.tag);
            continue;
        }
        ptest::TokenOut out;
        int result = -100;
        ASSERT_TRUE(
            ptest::ParseReceived(v.tag, v.octets.data(), (int)v.octets.size(), &out, &result))
            << what;
        if (ptest::IsDirect(v.tag))
            EXPECT_EQ(VORTAN_OK, result) << what;
        else
            EXPECT_EQ((int)v.octets.size(), result) << what;
        EXPECT_EQ(ptest::Join(v.tokens), out.Text()) << ptest::Hex(v.octets);
        received.insert(v.tag);
    }
    // Every tag of both catalogues: 40 sent, 36 received.
    EXPECT_EQ(40u, sent.size());
    EXPECT_EQ(36u, received.size());
}

} // namespace
