// Names of the engine result codes, against the code table (numbers written out here on
// purpose: the names must keep the values every caller and file format relies on).
#include <gtest/gtest.h>
#include <stdint.h>

#include "engine/VortanResult.h"

TEST(ResultName, EveryCodeOfTheTableHasItsName)
{
    const struct {
        int code;
        const char* name;
    } table[] = {
        {1, "VORTAN_OK"},          {2, "VORTAN_E_ARGUMENT"},        {3, "VORTAN_E_RANGE"},
        {4, "VORTAN_E_MALFORMED"}, {7, "VORTAN_E_NOMEMORY"},        {8, "VORTAN_E_MISSING"},
        {9, "VORTAN_E_FAIL"},      {10, "VORTAN_E_OPEN"},           {11, "VORTAN_E_VERSION"},
        {1000, "VORTAN_E_LOCKED"}, {1001, "VORTAN_E_BRIDGE_FAILED"}};
    for (const auto& row : table)
        EXPECT_STREQ(row.name, VortanResultName(row.code)) << row.code;
    EXPECT_EQ(VORTAN_E_LOCKED, VORTAN_E_BRIDGE_BUSY);
}

TEST(ResultName, OtherValuesAreUnknown)
{
    for (int code : {0, -1, 5, 6, 12, 999, 1002, INT32_MIN})
        EXPECT_STREQ("unknown", VortanResultName(code)) << code;
}
