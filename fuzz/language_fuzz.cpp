// Language packs: the input is the text entry of a pack (UTF-16LE, header lines, then
// "<n>=<text>" lines), packed as the only pack "fuzz_0000.dmp" of the program's directory.
// The pack is listed, chosen and its texts read; each one must come from a line of its
// number, and the header fields stay within their limits.
#include <string>

#include "fuzz/FuzzSupport.h"
#include "platform/OrloLanguage.h"
#include "platform/OrloLanguageHost.h"
#include "tests/support/PackWriter.h"

namespace {

// Packs come only from the program's directory; there are no settings.
class Host : public IOrloLanguageHost {
public:
    int GetUserDataPath(CVortanString&, const CVortanString&) override { return VORTAN_E_FAIL; }
    void GetResourcePath(CVortanString& out, const CVortanString& fileName) override
    {
        out = CVortanString((vfuzz::ScratchDir() + "/").c_str());
        out.Append(fileName);
    }
    COrloStatsStore* GetSettings() override { return nullptr; }
};

// The entry's units as the loader takes them: a byte-order mark dropped, cut at a NUL.
std::u16string Units(const uint8_t* data, size_t size)
{
    std::u16string units;
    for (size_t i = 0; i + 1 < size; i += 2) {
        char16_t c = (char16_t)(data[i] | (data[i + 1] << 8));
        if (i == 0 && c == 0xFEFF)
            continue;
        if (c == 0)
            break;
        units.push_back(c);
    }
    return units;
}

bool HasLine(const std::u16string& text, int n)
{
    std::u16string start;
    for (char c : std::to_string(n) + "=")
        start.push_back((char16_t)c);
    for (size_t at = text.find(start); at != std::u16string::npos; at = text.find(start, at + 1)) {
        if (at == 0 || text[at - 1] == u'\n' || text[at - 1] == u'\r')
            return true;
    }
    return false;
}

bool IsWord(const CVortanString& s, int limit)
{
    if (s.GetLength() > limit)
        return false;
    for (int i = 0; i < s.GetLength(); ++i) {
        if (s.GetAt(i) <= 32)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > ORLO_LANGUAGE_MAX_TEXT_BYTES)
        return 0;
    static const std::string path = vfuzz::ScratchFile("fuzz_0000.dmp");
    vfuzz::WriteFile(path, vtest::MakePack({{"/texts.txt", std::string((const char*)data, size)}}));

    Host host;
    COrloLanguage language;
    language.Init(&host, CVortanString("fuzz"));
    VFUZZ_CHECK(language.GetLanguageCount() <= 1);
    if (language.GetLanguageCount() == 0)
        return 0;
    const COrloLanguage::CLanguageEntry* entry = language.GetLanguageAt(0);
    VFUZZ_CHECK(!entry->name.IsEmpty() && IsWord(entry->name, ORLO_LANGUAGE_MAX_NAME));
    VFUZZ_CHECK(IsWord(entry->code, ORLO_LANGUAGE_MAX_NAME));
    VFUZZ_CHECK(entry->md5.GetLength() == 32);
    VFUZZ_CHECK(language.NeedsPack(entry->code, entry->md5) == 0);
    VFUZZ_CHECK(language.IsKnown(entry->name) == 1);

    VFUZZ_CHECK(language.SetLanguage(entry->name) == VORTAN_OK);
    VFUZZ_CHECK(language.GetCurrentLanguage() == entry);
    const int count = language.GetTextCount();
    VFUZZ_CHECK(count >= 0 && count <= ORLO_LANGUAGE_MAX_TEXTS);
    const std::u16string text = Units(data, size);
    for (int n = 0; n < count; ++n) {
        if (!language.GetText(n).IsEmpty())
            VFUZZ_CHECK(HasLine(text, n));
    }
    VFUZZ_CHECK(language.GetText(count) == CVortanString("X-X"));
    VFUZZ_CHECK(language.GetText(-1) == CVortanString("X-X"));
    return 0;
}
