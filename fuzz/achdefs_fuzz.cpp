// The achievement definitions text ("ach_EN.txt"): the input's bytes as 16-bit units parsed
// into a list; every record added has a name, and no more records than the text has tokens.
#include <string.h>

#include <vector>

#include "fuzz/FuzzSupport.h"
#include "online/achievements/AchievementFiles.h"
#include "online/achievements/OrloAchievement.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int count = (int)(size / 2);
    std::vector<u16> units((size_t)count + 1, 0);
    if (count > 0)
        memcpy(units.data(), data, (size_t)count * 2);
    COrloAchievementList list(nullptr, 1);
    const int added = ParseAchievementDefinitions(units.data(), count, &list);
    VFUZZ_CHECK(added == list.GetCount());
    VFUZZ_CHECK(added <= count / 4); // "achievement", an id, "{" and a name at least
    for (int i = 0; i < list.GetCount(); ++i) {
        VFUZZ_CHECK(!list.GetAt(i)->GetName().IsEmpty());
        VFUZZ_CHECK(list.GetAt(i)->HasIcon() == 1);
    }
    return 0;
}
