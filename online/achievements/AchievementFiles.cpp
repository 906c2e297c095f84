// The definitions text's tokenizer and grammar, and the unlocks file's reader and writer.
#include "online/achievements/AchievementFiles.h"

#include <limits.h>

#include "engine/VortanString.h"
#include "online/achievements/OrloAchievement.h"
#include "online/achievements/OrloAchievementStation.h"

namespace {

// Walks the units as tokens: runs of characters between spaces, line feeds and tabs (a
// carriage return belongs to its token).
class CTokenReader {
public:
    CTokenReader(const u16* units, int count) : m_units(units), m_count(count), m_pos(0) {}

    // The next token's start and length; false at the end of the text.
    bool Next(int& start, int& length)
    {
        while (m_pos < m_count && IsSeparator(m_units[m_pos]))
            ++m_pos;
        if (m_pos >= m_count)
            return false;
        start = m_pos;
        while (m_pos < m_count && !IsSeparator(m_units[m_pos]))
            ++m_pos;
        length = m_pos - start;
        return true;
    }
    bool Is(int start, int length, const char* word) const
    {
        int i = 0;
        for (; word[i]; ++i) {
            if (i >= length || m_units[start + i] != (u16)(unsigned char)word[i])
                return false;
        }
        return i == length;
    }
    // The characters between the next double quote and the following one (or the end).
    CVortanString Quoted()
    {
        while (m_pos < m_count && m_units[m_pos] != '"')
            ++m_pos;
        if (m_pos >= m_count)
            return CVortanString();
        const int start = ++m_pos;
        while (m_pos < m_count && m_units[m_pos] != '"')
            ++m_pos;
        CVortanString value;
        const int length = m_pos - start;
        if (length > 0) {
            unsigned short* buffer = value.AllocBuffer(length + 1);
            if (buffer) {
                for (int i = 0; i < length; ++i)
                    buffer[i] = m_units[start + i];
            }
        }
        if (m_pos < m_count)
            ++m_pos; // the closing quote
        return value;
    }
    // Passes over a block whose "{" has been read, up to its matching "}" or the end.
    void SkipBlock()
    {
        int depth = 1;
        int start = 0, length = 0;
        while (depth > 0 && Next(start, length)) {
            if (Is(start, length, "{"))
                ++depth;
            else if (Is(start, length, "}"))
                --depth;
        }
    }
    // The token read as a decimal integer the way "%d" reads it: an optional sign and the
    // digits that follow; 0 without digits. Values beyond an int are held at its limits.
    int Integer(int start, int length) const
    {
        int i = 0;
        bool negative = false;
        if (i < length && (m_units[start] == '-' || m_units[start] == '+')) {
            negative = m_units[start] == '-';
            ++i;
        }
        long long value = 0;
        for (; i < length && m_units[start + i] >= '0' && m_units[start + i] <= '9'; ++i) {
            value = value * 10 + (m_units[start + i] - '0');
            if (value > (long long)INT_MAX + 1)
                value = (long long)INT_MAX + 1;
        }
        if (negative)
            value = -value;
        if (value > INT_MAX)
            value = INT_MAX;
        return (int)value;
    }

private:
    static bool IsSeparator(u16 c) { return c == ' ' || c == 10 || c == 9; }

    const u16* m_units;
    int m_count;
    int m_pos;
};

u32 ReadU32(const u8* p)
{
    return (u32)p[0] | ((u32)p[1] << 8) | ((u32)p[2] << 16) | ((u32)p[3] << 24);
}

int ReadU16(const u8* p)
{
    return p[0] | (p[1] << 8);
}

void PutU32(std::string& out, u32 v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back((char)((v >> (8 * i)) & 0xff));
}

void PutU16(std::string& out, int v)
{
    out.push_back((char)(v & 0xff));
    out.push_back((char)((v >> 8) & 0xff));
}

} // namespace

int ParseAchievementDefinitions(const u16* units, int count, COrloAchievementList* list)
{
    if (!units || count <= 0 || !list)
        return 0;
    if (units[0] == 0xFEFF || units[0] == 0xFFFE) {
        ++units;
        --count;
    }
    CTokenReader reader(units, count);
    int added = 0;
    int start = 0, length = 0;
    while (reader.Next(start, length)) {
        if (reader.Is(start, length, "{")) {
            reader.SkipBlock();
            continue;
        }
        if (!reader.Is(start, length, "achievement"))
            continue;
        if (!reader.Next(start, length))
            break;
        const int id = reader.Integer(start, length);
        if (!reader.Next(start, length))
            break;
        if (!reader.Is(start, length, "{"))
            continue; // dropped; reading goes on after that token
        CVortanString name, description, surfaceName;
        while (reader.Next(start, length)) {
            if (reader.Is(start, length, "}"))
                break;
            if (reader.Is(start, length, "{"))
                reader.SkipBlock();
            else if (reader.Is(start, length, "name"))
                name = reader.Quoted();
            else if (reader.Is(start, length, "description"))
                description = reader.Quoted();
            else if (reader.Is(start, length, "surfaceName"))
                surfaceName = reader.Quoted();
        }
        if (name.IsEmpty())
            continue;
        COrloAchievement* record = list->Add(id, name, description, 0);
        if (record) {
            record->SetIcon(1, surfaceName);
            ++added;
        }
    }
    return added;
}

int ApplyAchievementUnlocks(const u8* bytes, int size, COrloAchievementList* list)
{
    if (!bytes || size < 4)
        return VORTAN_E_OPEN;
    if ((i32)ReadU32(bytes) != ORLO_UNLOCKS_VERSION)
        return VORTAN_E_VERSION;
    if (size < 8 || !list)
        return VORTAN_OK;
    const i32 stated = (i32)ReadU32(bytes + 4);
    const u8* entry = bytes + 8;
    for (i32 i = 0; i < stated && size - (int)(entry - bytes) >= ORLO_UNLOCK_ENTRY_SIZE;
         ++i, entry += ORLO_UNLOCK_ENTRY_SIZE) {
        COrloAchievement* record = list->Find((i32)ReadU32(entry));
        if (!record)
            continue;
        CVortanDateTime time;
        time.SetYear(ReadU16(entry + 4));
        time.SetMonth(ReadU16(entry + 6));
        time.SetDay(ReadU16(entry + 8));
        time.SetHour(ReadU16(entry + 10));
        time.SetMinute(ReadU16(entry + 12));
        time.SetSecond(ReadU16(entry + 14));
        record->SetUnlocked(1);
        record->SetUnlockTime(time);
    }
    return VORTAN_OK;
}

std::string WriteAchievementUnlocks(const COrloAchievementList* list)
{
    std::string out;
    PutU32(out, ORLO_UNLOCKS_VERSION);
    u32 n = 0;
    for (int i = 0; i < list->GetCount(); ++i) {
        const COrloAchievement* record = list->GetAt(i);
        if (!record->GetName().IsEmpty() && record->IsUnlocked() == 1)
            ++n;
    }
    PutU32(out, n);
    for (int i = 0; i < list->GetCount(); ++i) {
        const COrloAchievement* record = list->GetAt(i);
        if (record->GetName().IsEmpty() || record->IsUnlocked() != 1)
            continue;
        const CVortanDateTime& time = record->GetUnlockTime();
        PutU32(out, (u32)record->GetId());
        PutU16(out, time.GetYear());
        PutU16(out, time.GetMonth());
        PutU16(out, time.GetDay());
        PutU16(out, time.GetHour());
        PutU16(out, time.GetMinute());
        PutU16(out, time.GetSecond());
    }
    return out;
}
