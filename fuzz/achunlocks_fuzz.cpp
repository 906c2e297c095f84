// The unlocks file ("ach.dat"): the input applied to a list of ids 0 to 15; what it unlocked
// is written and read back into a fresh list, which must unlock exactly the same records.
#include <string>

#include "engine/VortanString.h"
#include "fuzz/FuzzSupport.h"
#include "online/achievements/AchievementFiles.h"
#include "online/achievements/OrloAchievement.h"

namespace {

void Fill(COrloAchievementList& list)
{
    for (int id = 0; id < 16; ++id)
        list.Add(id, CVortanString("name"), CVortanString(), 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    COrloAchievementList list(nullptr, 1);
    Fill(list);
    const int rc = ApplyAchievementUnlocks(data, (int)size, &list);
    VFUZZ_CHECK(rc == VORTAN_OK || rc == VORTAN_E_OPEN || rc == VORTAN_E_VERSION);
    int unlocked = 0;
    for (int i = 0; i < list.GetCount(); ++i)
        unlocked += list.GetAt(i)->IsUnlocked();
    if (rc != VORTAN_OK) {
        VFUZZ_CHECK(unlocked == 0);
        return 0;
    }
    const std::string bytes = WriteAchievementUnlocks(&list);
    VFUZZ_CHECK(bytes.size() == 8 + 16 * (size_t)unlocked);
    COrloAchievementList again(nullptr, 1);
    Fill(again);
    VFUZZ_CHECK(ApplyAchievementUnlocks((const u8*)bytes.data(), (int)bytes.size(), &again) ==
                VORTAN_OK);
    for (int i = 0; i < list.GetCount(); ++i) {
        const COrloAchievement* a = list.GetAt(i);
        const COrloAchievement* b = again.GetAt(i);
        VFUZZ_CHECK(a->IsUnlocked() == b->IsUnlocked());
        if (a->IsUnlocked()) {
            const CVortanDateTime& x = a->GetUnlockTime();
            const CVortanDateTime& y = b->GetUnlockTime();
            VFUZZ_CHECK((x.GetYear() & 0xffff) == (y.GetYear() & 0xffff));
            VFUZZ_CHECK(x.GetMonth() == y.GetMonth() && x.GetDay() == y.GetDay());
        }
    }
    return 0;
}
