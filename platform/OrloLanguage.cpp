#include "platform/OrloLanguage.h"

#include <string.h>

#include <new>

#include "engine/VortanFile.h"
#include "engine/VortanMD5.h"
#include "engine/VortanMediaPack.h"
#include "platform/OrloLanguageHost.h"
#include "platform/OrloStatsEntry.h"
#include "platform/OrloStatsStore.h"

namespace {

typedef unsigned short unit;

// The first entry of a pack as UTF-16 units (a leading byte-order mark dropped, cut at the
// first NUL), and the pack file's MD5.
class CPackText {
public:
    CPackText() : units(nullptr), length(0) {}
    ~CPackText() { delete[] units; }

    unit* units;
    int length;

private:
    CPackText(const CPackText&) = delete;
    CPackText& operator=(const CPackText&) = delete;
};

bool IsDigit(unit c)
{
    return c >= '0' && c <= '9';
}

bool IsLineStart(const unit* text, int i)
{
    return i == 0 || text[i - 1] == '\n' || text[i - 1] == '\r';
}

// Opens the pack, hashes the whole file (when `md5` is given) and reads its first entry as
// little-endian UTF-16. VORTAN_OK; the open code; VORTAN_E_MISSING for an empty first entry;
// VORTAN_E_MALFORMED for an entry that is too large or cut short; VORTAN_E_NOMEMORY out of memory.
int ReadPackText(const CVortanString& path, CPackText& text, CVortanString* md5)
{
    CVortanMediaPack pack;
    int rc = pack.Open(path);
    if (rc != VORTAN_OK)
        return rc;
    CVortanFile* file = pack.GetFile();
    if (md5) {
        MD5Context context;
        rc = MD5File(&context, file);
        if (rc != VORTAN_OK)
            return rc;
        DigestToHex(context.digest, *md5);
        if (md5->GetLength() != 32)
            return VORTAN_E_NOMEMORY;
    }

    int size = pack.GetEntry(CVortanString(), 0);
    if (size <= 0)
        return VORTAN_E_MISSING;
    if (size > ORLO_LANGUAGE_MAX_TEXT_BYTES)
        return VORTAN_E_MALFORMED;
    u8* bytes = new (std::nothrow) u8[size];
    if (!bytes)
        return VORTAN_E_NOMEMORY;
    if (file->Read(bytes, size) != size) {
        delete[] bytes;
        return VORTAN_E_MALFORMED;
    }
    int count = size / 2;
    unit* units = new (std::nothrow) unit[count > 0 ? count : 1];
    if (!units) {
        delete[] bytes;
        return VORTAN_E_NOMEMORY;
    }
    int start = 0;
    if (count > 0 && (bytes[0] | (bytes[1] << 8)) == 0xFEFF)
        start = 1;
    int length = 0;
    for (int i = start; i < count; ++i) {
        unit c = (unit)(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        if (c == 0)
            break;
        units[length++] = c;
    }
    delete[] bytes;
    text.units = units;
    text.length = length;
    return VORTAN_OK;
}

// Where the header ends: the first line that starts with a number followed by "=".
int HeaderEnd(const unit* text, int length)
{
    for (int i = 0; i < length; ++i) {
        if (!IsLineStart(text, i) || !IsDigit(text[i]))
            continue;
        int j = i;
        while (j < length && IsDigit(text[j]))
            ++j;
        if (j < length && text[j] == '=')
            return i;
    }
    return length;
}

// The position just after "KEY=" where it starts a line of the header, or -1.
int FindField(const unit* text, int end, const char* key)
{
    int keyLength = 0;
    while (key[keyLength])
        ++keyLength;
    for (int i = 0; i + keyLength <= end; ++i) {
        if (!IsLineStart(text, i))
            continue;
        int k = 0;
        while (k < keyLength && text[i + k] == (unit)(unsigned char)key[k])
            ++k;
        if (k == keyLength)
            return i + keyLength;
    }
    return -1;
}

// One word after a field: blanks skipped, then the units above 32, of which at most
// `capacity` are kept (the rest of the word is passed over). False when out of memory.
bool ReadWord(const unit* text, int end, int position, int capacity, CVortanString& out)
{
    out.Empty();
    if (position < 0)
        return true;
    while (position < end && (text[position] == ' ' || text[position] == '\t'))
        ++position;
    int stop = position;
    while (stop < end && text[stop] > 32)
        ++stop;
    int count = stop - position;
    if (count > capacity)
        count = capacity;
    if (count <= 0)
        return true;
    unit* buffer = out.AllocBuffer(count + 1);
    if (!buffer)
        return false;
    for (int i = 0; i < count; ++i)
        buffer[i] = text[position + i];
    return true;
}

// Whether the text contains the 8-bit word.
bool Contains(const CVortanString& text, const char* word)
{
    const unit* units = text.GetBuffer();
    const int length = text.GetLength();
    const int wordLength = (int)strlen(word);
    for (int i = 0; i + wordLength <= length; ++i) {
        int k = 0;
        while (k < wordLength && units[i + k] == (unit)(unsigned char)word[k])
            ++k;
        if (k == wordLength)
            return true;
    }
    return false;
}

// The header fields of a pack text. VORTAN_OK, VORTAN_E_MALFORMED without a NAME,
// VORTAN_E_NOMEMORY out of memory.
int ParseHeader(const CPackText& text, COrloLanguage::CLanguageEntry& entry)
{
    int end = HeaderEnd(text.units, text.length);
    int name = FindField(text.units, end, "NAME=");
    if (!ReadWord(text.units, end, name, ORLO_LANGUAGE_MAX_NAME, entry.name))
        return VORTAN_E_NOMEMORY;
    if (entry.name.IsEmpty())
        return VORTAN_E_MALFORMED;
    CVortanString flags;
    if (!ReadWord(text.units, end, FindField(text.units, end, "CODE="), ORLO_LANGUAGE_MAX_NAME,
                  entry.code) ||
        !ReadWord(text.units, end, FindField(text.units, end, "FLAGS="), ORLO_LANGUAGE_MAX_FLAGS,
                  flags))
        return VORTAN_E_NOMEMORY;
    entry.flags = 0;
    if (Contains(flags, "VE_TEXT_RIGHT"))
        entry.flags |= ORLO_LANGUAGE_TEXT_RIGHT;
    if (Contains(flags, "VE_TEXT_RIGHT_TO_LEFT"))
        entry.flags |= ORLO_LANGUAGE_RIGHT_TO_LEFT;

    entry.specialChars = false;
    int special = FindField(text.units, end, "SPECIAL_CHARS=");
    if (special >= 0) {
        int i = special;
        while (i < end && (text.units[i] == ' ' || text.units[i] == '\t' || text.units[i] == '-' ||
                           text.units[i] == '+'))
            ++i;
        for (; i < end && IsDigit(text.units[i]); ++i) {
            if (text.units[i] != '0')
                entry.specialChars = true;
        }
    }
    return VORTAN_OK;
}

int DigitCount(int n)
{
    int digits = 1;
    while (n >= 10) {
        n /= 10;
        ++digits;
    }
    return digits;
}

// Index of the numbered lines of a text ("<n>=" at a line start), in text order, with the
// lines of each number chained so that every number is looked up in time proportional to its
// own lines.
class CLineIndex {
public:
    CLineIndex()
        : position(nullptr), next(nullptr), laterMax(nullptr), head(nullptr), tail(nullptr),
          count(0)
    {}
    ~CLineIndex()
    {
        delete[] position;
        delete[] next;
        delete[] laterMax;
        delete[] head;
    }

    // VORTAN_OK or VORTAN_E_NOMEMORY.
    int Build(const unit* text, int length)
    {
        for (int pass = 0; pass < 2; ++pass) {
            int lines = 0;
            for (int i = 0; i < length; ++i) {
                if (!IsLineStart(text, i) || !IsDigit(text[i]))
                    continue;
                int j = i;
                int number = 0;
                while (j < length && IsDigit(text[j])) {
                    if (number < ORLO_LANGUAGE_MAX_TEXTS)
                        number = number * 10 + (text[j] - '0');
                    ++j;
                }
                if (j >= length || text[j] != '=')
                    continue;
                if (number > ORLO_LANGUAGE_MAX_TEXTS)
                    number = ORLO_LANGUAGE_MAX_TEXTS; // can never be looked for
                if (text[i] == '0' && j - i > 1)
                    number = -1; // "007=" is not the text of 7
                if (pass == 1) {
                    position[lines] = i;
                    laterMax[lines] = number;
                    next[lines] = -1;
                    if (number >= 0 && number < ORLO_LANGUAGE_MAX_TEXTS) {
                        if (head[number] < 0)
                            head[number] = lines;
                        else
                            next[tail[number]] = lines;
                        tail[number] = lines;
                    }
                }
                ++lines;
                i = j;
            }
            if (pass == 0) {
                count = lines;
                int slots = lines > 0 ? lines : 1;
                position = new (std::nothrow) int[slots];
                next = new (std::nothrow) int[slots];
                laterMax = new (std::nothrow) int[slots];
                head = new (std::nothrow) int[2 * ORLO_LANGUAGE_MAX_TEXTS];
                if (!position || !next || !laterMax || !head)
                    return VORTAN_E_NOMEMORY;
                tail = head + ORLO_LANGUAGE_MAX_TEXTS;
                for (int k = 0; k < 2 * ORLO_LANGUAGE_MAX_TEXTS; ++k)
                    head[k] = -1;
            }
        }
        for (int k = count - 2; k >= 0; --k) {
            if (laterMax[k + 1] > laterMax[k])
                laterMax[k] = laterMax[k + 1];
        }
        return VORTAN_OK;
    }

    // Position of the first line "<n>=" at or after p, or -1. Each n is asked once, in
    // ascending order, with p never decreasing.
    int Find(int n, int p)
    {
        int line = head[n];
        while (line >= 0 && position[line] < p)
            line = next[line];
        return line >= 0 ? position[line] : -1;
    }

    // Whether a line at or after p has a number above n.
    bool HasLaterAbove(int n, int p, int& cursor) const
    {
        while (cursor < count && position[cursor] < p)
            ++cursor;
        return cursor < count && laterMax[cursor] > n;
    }

private:
    int* position;
    int* next;
    int* laterMax; // the highest number among this line and the lines after it
    int* head;     // first line of each number; the tails follow in the same block
    int* tail;     // last line of each number while the chains are built
    int count;
};

// Builds the text table: table index n holds the text of the line "<n>=" as long as the
// lines stand in ascending order; numbers without a line get an empty text.
int ParseTable(const CPackText& text, CVortanStringArray& table)
{
    const unit* t = text.units;
    const int length = text.length;
    CLineIndex lines;
    int rc = lines.Build(t, length);
    if (rc != VORTAN_OK)
        return rc;

    int p = 0;
    int cursor = 0;
    for (int n = 0; n < ORLO_LANGUAGE_MAX_TEXTS && p < length; ++n) {
        int found = lines.Find(n, p);
        if (found >= 0) {
            int start = found + DigitCount(n) + 1;
            int end = -1;
            for (int k = start; k + 1 < length; ++k) {
                if (t[k] == '\r' && t[k + 1] == '\n') {
                    end = k;
                    break;
                }
            }
            // A last line without its CR LF is not a whole line: the table ends before it.
            if (end < 0)
                break;
            CVortanString line;
            int count = 0;
            for (int k = start; k < end; ++k, ++count) {
                if (t[k] == '\\' && k + 1 < end && t[k + 1] == 'n')
                    ++k;
            }
            if (count > 0) {
                unit* buffer = line.AllocBuffer(count + 1);
                if (!buffer)
                    return VORTAN_E_NOMEMORY;
                int o = 0;
                for (int k = start; k < end; ++k) {
                    if (t[k] == '\\' && k + 1 < end && t[k + 1] == 'n') {
                        buffer[o++] = '\n';
                        ++k;
                    } else {
                        buffer[o++] = t[k];
                    }
                }
            }
            rc = table.SetAt(n, line);
            if (rc != VORTAN_OK)
                return rc;
            p = end + 1;
            if (p + 1 >= length)
                break;
        } else {
            // Only a later line with a higher number can still be found; without one the
            // table is complete.
            if (!lines.HasLaterAbove(n, p, cursor))
                break;
            int digit = p;
            while (digit < length && !IsDigit(t[digit]))
                ++digit;
            if (digit >= length)
                break;
            rc = table.SetAt(n, CVortanString());
            if (rc != VORTAN_OK)
                return rc;
            p = digit;
        }
    }
    return VORTAN_OK;
}

void AppendNumber(CVortanString& out, int n)
{
    char digits[5];
    digits[0] = (char)('0' + n / 1000 % 10);
    digits[1] = (char)('0' + n / 100 % 10);
    digits[2] = (char)('0' + n / 10 % 10);
    digits[3] = (char)('0' + n % 10);
    digits[4] = 0;
    out.Append(CVortanString(digits));
}

} // namespace

COrloLanguage::COrloLanguage() : m_application(nullptr), m_placeholder("X-X"), m_current(nullptr) {}

COrloLanguage::~COrloLanguage()
{
    ClearLanguages();
}

COrloLanguage::CLanguageEntry* COrloLanguage::LoadEntry(const CVortanString& path,
                                                        int* result) const
{
    CPackText text;
    CVortanString md5;
    int rc = ReadPackText(path, text, &md5);
    if (rc != VORTAN_OK) {
        *result = rc;
        return nullptr;
    }
    CLanguageEntry* entry = new (std::nothrow) CLanguageEntry;
    if (!entry) {
        *result = VORTAN_E_NOMEMORY;
        return nullptr;
    }
    rc = ParseHeader(text, *entry);
    if (rc != VORTAN_OK) {
        delete entry;
        *result = rc;
        return nullptr;
    }
    entry->path = path;
    entry->md5 = md5;
    if (entry->path.GetLength() != path.GetLength() || entry->md5.GetLength() != md5.GetLength()) {
        delete entry;
        *result = VORTAN_E_NOMEMORY;
        return nullptr;
    }
    *result = VORTAN_OK;
    return entry;
}

int COrloLanguage::Init(IOrloLanguageHost* application, const CVortanString& baseName)
{
    ClearLanguages();
    if (!application)
        return VORTAN_E_ARGUMENT;
    m_application = application;
    m_baseName = baseName;

    for (int n = 0; n < ORLO_LANGUAGE_MAX_PACKS; ++n) {
        CVortanString fileName(baseName);
        fileName.AppendChar('_');
        AppendNumber(fileName, n);
        fileName.Append(CVortanString(".dmp"));

        // A pack received from the server replaces the program's pack of the same number;
        // when the received one cannot be read, the program's own pack still serves.
        CVortanString candidates[2];
        int found = 0;
        CVortanString path;
        if (application->GetUserDataPath(path, fileName) == VORTAN_OK && !path.IsEmpty() &&
            CVortanFile::Exists(path))
            candidates[found++] = path;
        path.Empty();
        application->GetResourcePath(path, fileName);
        if (!path.IsEmpty() && CVortanFile::Exists(path) && (found == 0 || path != candidates[0]))
            candidates[found++] = path;
        if (found == 0)
            break;

        CLanguageEntry* entry = nullptr;
        for (int i = 0; i < found && !entry; ++i) {
            int rc = VORTAN_OK;
            entry = LoadEntry(candidates[i], &rc);
        }
        if (!entry)
            break;
        // This system's text rendering has no special characters: such packs are skipped.
        if (entry->specialChars) {
            delete entry;
            continue;
        }
        if (m_entries.Add(entry) != VORTAN_OK) {
            delete entry;
            break;
        }
    }
    if (m_entries.GetCount() == 0)
        return VORTAN_E_MISSING;

    CVortanString wanted("en");
    COrloStatsStore* settings = application->GetSettings();
    if (settings) {
        CVortanString key(ORLO_LANGUAGE_SETTING);
        COrloStatsEntry* setting = settings->Find(key);
        if (!setting) {
            setting = settings->AddEntry(key);
            if (setting)
                setting->SetString(wanted);
        }
        if (setting)
            wanted = setting->stringValue;
    }
    int rc = SetLanguage(wanted);
    if (rc != VORTAN_OK)
        rc = SetLanguage(CVortanString("en"));
    return rc;
}

COrloLanguage::CLanguageEntry* COrloLanguage::FindEntry(const CVortanString& nameOrCode) const
{
    if (nameOrCode.IsEmpty())
        return nullptr;
    for (int i = 0; i < m_entries.GetCount(); ++i) {
        CLanguageEntry* entry = static_cast<CLanguageEntry*>(m_entries.GetAt(i));
        if (entry->name.CompareNoCase(nameOrCode) == 0 ||
            (!entry->code.IsEmpty() && entry->code.CompareNoCase(nameOrCode) == 0))
            return entry;
    }
    return nullptr;
}

int COrloLanguage::SetLanguage(const CVortanString& nameOrCode)
{
    CLanguageEntry* entry = FindEntry(nameOrCode);
    if (!entry)
        return VORTAN_E_MISSING;
    if (entry == m_current)
        return VORTAN_OK;

    // The checksum was taken when the pack was listed.
    CPackText text;
    int rc = ReadPackText(entry->path, text, nullptr);
    if (rc != VORTAN_OK)
        return rc;
    CLanguageEntry header;
    rc = ParseHeader(text, header);
    if (rc != VORTAN_OK)
        return rc;

    CVortanStringArray table;
    rc = ParseTable(text, table);
    if (rc != VORTAN_OK)
        return rc;
    m_table = static_cast<CVortanStringArray&&>(table);
    m_current = entry;
    SaveLanguage();
    return VORTAN_OK;
}

const CVortanString& COrloLanguage::GetText(int index) const
{
    if (index < 0 || index >= m_table.GetSize())
        return m_placeholder;
    return m_table[index];
}

void COrloLanguage::GetLanguageNames(CVortanStringArray& out) const
{
    for (int i = 0; i < m_entries.GetCount(); ++i)
        out.Add(static_cast<CLanguageEntry*>(m_entries.GetAt(i))->name);
}

void COrloLanguage::GetLanguageCodes(CVortanStringArray& out) const
{
    for (int i = 0; i < m_entries.GetCount(); ++i)
        out.Add(static_cast<CLanguageEntry*>(m_entries.GetAt(i))->code);
}

int COrloLanguage::NeedsPack(const CVortanString& code, const CVortanString& md5) const
{
    for (int i = 0; i < m_entries.GetCount(); ++i) {
        CLanguageEntry* entry = static_cast<CLanguageEntry*>(m_entries.GetAt(i));
        if (entry->code.CompareNoCase(code) == 0)
            return entry->md5.Compare(md5) == 0 ? 0 : 1;
    }
    return 1;
}

int COrloLanguage::IsKnown(const CVortanString& nameOrCode) const
{
    return FindEntry(nameOrCode) ? 1 : 0;
}

void COrloLanguage::SaveLanguage()
{
    if (!m_current || !m_application)
        return;
    COrloStatsStore* settings = m_application->GetSettings();
    if (!settings)
        return;
    COrloStatsEntry* setting = settings->Find(CVortanString(ORLO_LANGUAGE_SETTING));
    if (!setting)
        return;
    setting->SetString(m_current->code);
    settings->Save();
}

int COrloLanguage::ReloadPacks()
{
    if (!m_application)
        return VORTAN_E_ARGUMENT;
    IOrloLanguageHost* application = m_application;
    CVortanString baseName(m_baseName);
    CVortanString code(m_current ? m_current->code : CVortanString());
    int rc = Init(application, baseName);
    if (rc == VORTAN_OK && !code.IsEmpty())
        rc = SetLanguage(code);
    return rc;
}

void COrloLanguage::ClearLanguages()
{
    for (int i = 0; i < m_entries.GetCount(); ++i)
        delete static_cast<CLanguageEntry*>(m_entries.GetAt(i));
    m_entries.RemoveAll();
    m_application = nullptr;
    m_current = nullptr;
    m_table.Clear();
}
