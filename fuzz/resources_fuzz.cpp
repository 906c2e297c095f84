// The resource manager's readers of a pack's "/dmp.meta" (design sizes, image and font flags)
// and of its texture atlases (".six"): the input is the description, a NUL, then the atlas.
// Both go into a pack with a few ordinary entries, which is opened, closed and opened again
// (records left by the closed pack are taken over); every ordinary entry must then read back
// whole through the resource reader.
#include <string.h>

#include <string>

#include "engine/VortanString.h"
#include "fuzz/FuzzSupport.h"
#include "platform/OrloResourceManager.h"
#include "tests/support/PackWriter.h"

namespace {

// Names that the descriptions of the seeds list, one of each kind the manager registers.
const vtest::PackEntries kOrdinary = {
    {"/title.jpg", "not decoded here"}, {"/icons.png", "not decoded either"},
    {"/menu_font_24.fnt", "<font/>"},   {"/sl-welcome.wav", "RIFF"},
    {"/chat_page.xml", "<page/>"},      {"/notes.txt", std::string("a\0b", 3)},
};

void CheckReads(COrloResourceManager& manager)
{
    for (const auto& entry : kOrdinary) {
        char* buffer = nullptr;
        const int size = manager.ReadResourceFile(CVortanString(entry.first.c_str()), &buffer);
        VFUZZ_CHECK(size == (int)entry.second.size() && buffer);
        VFUZZ_CHECK(memcmp(buffer, entry.second.data(), entry.second.size()) == 0);
        VFUZZ_CHECK(buffer[size] == 0);
        delete[] buffer;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = vfuzz::ScratchFile("resources.dmp");
    const std::pair<std::string, std::string> parts = vfuzz::SplitAtNul(data, size);
    vtest::PackEntries entries = {{"/dmp.meta", parts.first}, {"/atlas/icons.six", parts.second}};
    entries.insert(entries.end(), kOrdinary.begin(), kOrdinary.end());
    vfuzz::WriteFile(path, vtest::MakePack(entries));

    const CVortanString name(path.c_str());
    COrloResourceManager manager;
    manager.Init(nullptr, nullptr);
    VFUZZ_CHECK(manager.OpenPack(name, 1) == 1);
    CheckReads(manager);
    VFUZZ_CHECK(manager.ClosePack(name, 1) == 1);
    VFUZZ_CHECK(manager.OpenPack(name, 1) == 1);
    CheckReads(manager);
    VFUZZ_CHECK(manager.GetPackCount() == 1);
    manager.ReleaseAll();
    return 0;
}
