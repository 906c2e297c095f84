// Identified objects and the data scrambler.
#include <gtest/gtest.h>

#include <inttypes.h>
#include <sstream>
#include <stdio.h>
#include <string>
#include <vector>

#include "engine/VortanDataScrambler.h"
#include "engine/VortanID.h"
#include "engine/VortanString.h"
#include "tests/support/TestSupport.h"

namespace {

// "0x" and the address in lowercase hex, at least eight digits.
std::string AddressText(const void* p)
{
    char text[32];
    snprintf(text, sizeof(text), "0x%08" PRIxPTR, reinterpret_cast<uintptr_t>(p));
    return text;
}

class Derived : public CVortanID {
public:
    int extra = 0;
};

// Bytes of a hex text ("-" for none).
std::vector<u8> Bytes(const std::string& hex)
{
    std::vector<u8> bytes;
    if (hex == "-")
        return bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back((u8)std::stoul(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

CVortanString Units(const std::vector<unsigned short>& units)
{
    std::vector<unsigned short> z(units);
    z.push_back(0);
    return CVortanString(z.data());
}

} // namespace

TEST(VortanID, DefaultIdentifierIsTheWholeAddressAndComesBack)
{
    CVortanID local;
    EXPECT_EQ(VortanBytesOf(local.GetID()), AddressText(&local));
    // On this machine addresses need more than 32 bits: nothing may be cut off.
    Derived* d = new Derived;
    std::string text = VortanBytesOf(d->GetID());
    EXPECT_EQ(text, AddressText(static_cast<CVortanID*>(d)));
    EXPECT_GE(text.size(), 10u);
    CVortanID* base = d;
    delete base; // through the virtual destructor
    CVortanID id;
    std::string original = VortanBytesOf(id.GetID());
    id.SetID(CVortanString(L"font:title.fnt"));
    EXPECT_EQ(VortanBytesOf(id.GetID()), "font:title.fnt");
    id.ResetID();
    EXPECT_EQ(VortanBytesOf(id.GetID()), original);
}

TEST(Scrambler, RefusesShortKeysAndEmptyData)
{
    CVortanDataScrambler s;
    u8 data[4] = {1, 2, 3, 4};
    EXPECT_EQ(s.Process(CVortanString(L"ab"), data, 4), VORTAN_E_ARGUMENT);
    EXPECT_EQ(s.Process(CVortanString(), data, 4), VORTAN_E_ARGUMENT);
    EXPECT_EQ(s.Process(CVortanString(L"abc"), nullptr, 4), VORTAN_E_ARGUMENT);
    EXPECT_EQ(s.Process(CVortanString(L"abc"), data, -5), VORTAN_E_ARGUMENT);
    EXPECT_TRUE(data[0] == 1 && data[1] == 2 && data[2] == 3 && data[3] == 4);
}

TEST(Scrambler, EffectiveKeyIsMirroredUpTo62Units)
{
    CVortanDataScrambler s;
    CVortanString out;
    s.BuildKey(CVortanString(L"abc"), out);
    EXPECT_EQ(VortanBytesOf(out), "abccba");
    std::string k62(62, 'x'), k63(63, 'y');
    k62[0] = 'a';
    s.BuildKey(CVortanString(k62.c_str()), out);
    EXPECT_EQ(VortanBytesOf(out), k62 + std::string(k62.rbegin(), k62.rend()));
    s.BuildKey(CVortanString(k63.c_str()), out);
    EXPECT_EQ(VortanBytesOf(out), k63);
    CVortanString same(L"key");
    s.BuildKey(same, same);
    EXPECT_EQ(VortanBytesOf(same), "keyyek");
}

// Against the reference model in tests/engine/scrambler_model.py, which also holds the
// reference copy of the table: every case's result code and output bytes must match.
TEST(Scrambler, MatchesTheReferenceModel)
{
    std::string out;
    ASSERT_EQ(
        0, vtest::RunProgram(
               {vtest::Python(), vtest::SourceDir() + "/tests/engine/scrambler_model.py"}, &out));
    std::istringstream lines(out);
    std::string line;
    int cases = 0, refused = 0;
    std::vector<bool> tableSeen(256, false);
    while (std::getline(lines, line)) {
        SCOPED_TRACE(line.substr(0, 120));
        std::istringstream fields(line);
        int expectedResult = 0;
        std::string keyText, inputHex, outputHex;
        ASSERT_TRUE(fields >> expectedResult >> keyText >> inputHex >> outputHex);
        std::vector<unsigned short> key;
        std::istringstream units(keyText);
        for (std::string unit; std::getline(units, unit, ',');)
            key.push_back((unsigned short)std::stoul(unit, nullptr, 16));
        std::vector<u8> data = Bytes(inputHex);
        std::vector<u8> expected = Bytes(outputHex);
        ASSERT_EQ(data.size(), expected.size());

        std::vector<u8> work(data);
        work.push_back(0xEE); // a guard byte just past the given size
        int result = CVortanDataScrambler().Process(Units(key), work.data(), (int)data.size());
        EXPECT_EQ(expectedResult, result);
        EXPECT_EQ(0xEE, work.back()) << "wrote past the given size";
        work.pop_back();
        EXPECT_EQ(expected, work);
        ++cases;
        if (expectedResult != VORTAN_OK) {
            ++refused;
            continue;
        }
        for (size_t i = 0; i < data.size(); ++i)
            tableSeen[data[i] ^ expected[i]] = true;
    }
    EXPECT_GE(cases, 15);
    EXPECT_EQ(refused, 2);
    // The changed bytes are table bytes: the cases compared every one of the 128.
    int distinct = 0;
    for (bool seen : tableSeen)
        distinct += seen ? 1 : 0;
    EXPECT_EQ(distinct, 128);
}
