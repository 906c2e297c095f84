// The settings file "stats.dat": the input is loaded as the settings file; whatever was read
// is saved and loaded again, and must come back whole and equal (entries without a name are
// not saved).
#include <string.h>

#include <string>

#include "fuzz/FuzzSupport.h"
#include "platform/OrloStatsStore.h"

namespace {

bool SameText(const CVortanString& a, const CVortanString& b)
{
    const int n = a.GetLength();
    return n == b.GetLength() &&
           (n == 0 || memcmp(a.GetBuffer(), b.GetBuffer(), (size_t)n * 2) == 0);
}

bool SameEntry(const COrloStatsEntry* a, const COrloStatsEntry* b)
{
    return SameText(a->name, b->name) && a->kind == b->kind && a->intValue == b->intValue &&
           a->boolValue == b->boolValue && a->extraValue == b->extraValue &&
           SameText(a->stringValue, b->stringValue);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = vfuzz::ScratchFile("stats.dat");
    const CVortanString name(path.c_str());
    vfuzz::WriteFile(path, data, size);

    COrloStatsStore store;
    store.Open(name);
    const int loaded = store.Load(); // the same file again: the same entries
    VFUZZ_CHECK(loaded == 1 || loaded == 4 || loaded == 11);
    for (int i = 0; i < store.GetCount(); ++i) {
        const COrloStatsEntry* e = store.GetAt(i);
        VFUZZ_CHECK(e->kind >= ORLO_STATS_INT && e->kind <= ORLO_STATS_EXTRA_INT);
        VFUZZ_CHECK(e->boolValue == 0 || e->boolValue == 1);
    }
    if (loaded == 11) {
        VFUZZ_CHECK(store.GetCount() == 0);
        return 0;
    }

    VFUZZ_CHECK(store.Save() == 1);
    COrloStatsStore again;
    again.Open(name);
    VFUZZ_CHECK(again.Load() == 1);
    int k = 0;
    for (int i = 0; i < store.GetCount(); ++i) {
        const COrloStatsEntry* e = store.GetAt(i);
        if (e->name.IsEmpty())
            continue;
        VFUZZ_CHECK(k < again.GetCount() && SameEntry(e, again.GetAt(k)));
        ++k;
    }
    VFUZZ_CHECK(k == again.GetCount());
    return 0;
}
