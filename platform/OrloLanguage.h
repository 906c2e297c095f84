// COrloLanguage: the installed language packs and the texts of the chosen language.
//
// A language pack is a data pack named "<base>_<nnnn>.dmp" whose first entry is UTF-16LE
// text: a header of "NAME=", "CODE=", "FLAGS=" and "SPECIAL_CHARS=" lines, then the text
// table, one "<n>=<text>" line per text ended by CR LF, n counting up from 0. Packs are
// looked for in the user-data directory first (packs received from the server), then in the
// program's directory. Packs come from the network, so every part of them is read as
// untrusted: sizes and counts are capped, fields bounded, and the parse always ends.
#pragma once
#include "engine/VortanPtrArray.h"
#include "engine/VortanString.h"
#include "engine/VortanStringArray.h"
#include "engine/VortanTypes.h"

class IOrloLanguageHost;

// Flag bits taken from the FLAGS word.
#define ORLO_LANGUAGE_TEXT_RIGHT 0x40000     // "VE_TEXT_RIGHT": texts aligned right
#define ORLO_LANGUAGE_RIGHT_TO_LEFT 0x800000 // "VE_TEXT_RIGHT_TO_LEFT"

// The setting that keeps the chosen language's CODE.
#define ORLO_LANGUAGE_SETTING "__Orlo_Language"

// Limits on what a pack may make the program hold.
#define ORLO_LANGUAGE_MAX_PACKS 10000                  // pack numbers 0000..9999
#define ORLO_LANGUAGE_MAX_TEXT_BYTES (4 * 1024 * 1024) // the text entry
#define ORLO_LANGUAGE_MAX_TEXTS 8192                   // texts 0..8191
#define ORLO_LANGUAGE_MAX_NAME 64                      // units of NAME and of CODE
#define ORLO_LANGUAGE_MAX_FLAGS 256                    // units of FLAGS

class COrloLanguage {
public:
    // One installed pack.
    class CLanguageEntry {
    public:
        CLanguageEntry() : flags(0), specialChars(false) {}

        CVortanString path; // the pack file
        CVortanString name; // NAME
        CVortanString code; // CODE
        CVortanString md5;  // MD5 of the pack file, 32 lowercase hex digits
        i32 flags;          // ORLO_LANGUAGE_TEXT_RIGHT, ORLO_LANGUAGE_RIGHT_TO_LEFT
        bool specialChars;  // SPECIAL_CHARS was non-zero
    };

    COrloLanguage();
    virtual ~COrloLanguage();

    // Finds the packs "<base>_0000.dmp", "<base>_0001.dmp", ... up to the first number that
    // is missing or unusable, then sets the language kept in the settings ("en" when none is
    // kept, and "en" again when the kept one cannot be set). VORTAN_OK; VORTAN_E_MISSING when no
    // pack is usable; else the code of the failing SetLanguage.
    int Init(IOrloLanguageHost* application, const CVortanString& baseName);
    // Selects the language whose NAME or CODE equals the text (letter case ignored), loads
    // its texts and keeps the choice in the settings. VORTAN_OK (also when it is already current);
    // VORTAN_E_MISSING when no language has that NAME or CODE; else the pack's open or header code,
    // with the previous language and texts kept.
    int SetLanguage(const CVortanString& nameOrCode);
    // The text of that number in the current language; "X-X" outside the table.
    const CVortanString& GetText(int index) const;
    // Append every language's NAME, respectively CODE, in pack order.
    void GetLanguageNames(CVortanStringArray& out) const;
    void GetLanguageCodes(CVortanStringArray& out) const;
    // 1 when no installed language has the CODE (letter case ignored) or when its pack's MD5
    // differs from the text; 0 when that very pack is installed.
    int NeedsPack(const CVortanString& code, const CVortanString& md5) const;
    // 1 when a language's NAME or CODE equals the text (letter case ignored), else 0.
    int IsKnown(const CVortanString& nameOrCode) const;
    // Stores the current language's CODE in "__Orlo_Language" and saves the settings, when a
    // language is current and the settings hold that key.
    void SaveLanguage();
    // Deletes every language, forgets the application and the current language and empties
    // the texts.
    void ClearLanguages();
    // Lists the packs again (one may have been received since) and loads the current language
    // anew. Init's result; VORTAN_E_ARGUMENT before Init.
    int ReloadPacks();

    // The current language, or null.
    const CLanguageEntry* GetCurrentLanguage() const { return m_current; }
    int GetLanguageCount() const { return m_entries.GetCount(); }
    const CLanguageEntry* GetLanguageAt(int index) const
    {
        return static_cast<const CLanguageEntry*>(m_entries.GetAt(index));
    }
    int GetTextCount() const { return m_table.GetSize(); }
    const CVortanString& GetBaseName() const { return m_baseName; }

private:
    COrloLanguage(const COrloLanguage&) = delete;
    COrloLanguage& operator=(const COrloLanguage&) = delete;

    CLanguageEntry* FindEntry(const CVortanString& nameOrCode) const;
    // Reads the pack at the path into a new entry (null and the code when it is unusable).
    CLanguageEntry* LoadEntry(const CVortanString& path, int* result) const;

    IOrloLanguageHost* m_application;
    CVortanString m_baseName;
    CVortanString m_placeholder; // "X-X"
    CLanguageEntry* m_current;   // one of m_entries, or null
    CVortanPtrArray m_entries;   // CLanguageEntry*, owned, in pack-number order
    CVortanStringArray m_table;  // the current language's texts
};
