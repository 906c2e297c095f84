// COrloStatsStore: the settings file "stats.dat".
//
// Layout (little-endian): int32 version 1, int32 count, then per entry int32 name length n,
// n UTF-16 units, int16 kind and the value of the kind (int32 for kinds 0, 1 and 3; int32
// length m and m UTF-16 units for kind 2; nothing for any other kind).
#include "platform/OrloStatsStore.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <new>
#include <string>
#include <vector>

#include "engine/VortanFile.h"

namespace {

// Sequential little-endian reads that never go past the end of the file or the byte budget.
class CStatsReader {
public:
    CStatsReader(CVortanFile& file, int budget) : m_file(file), m_left(budget) {}

    // Whether a read failed for want of memory rather than of bytes.
    bool OutOfMemory() const { return m_outOfMemory; }

    bool Bytes(u8* out, int n)
    {
        if (n < 0 || n > m_left)
            return false;
        int got = m_file.Read(out, n);
        if (got != n) {
            m_left = 0;
            return false;
        }
        m_left -= n;
        return true;
    }

    bool Int32(i32& value)
    {
        u8 b[4];
        if (!Bytes(b, 4))
            return false;
        value = (i32)VortanReadLE32(b);
        return true;
    }

    bool Int16(i16& value)
    {
        u8 b[2];
        if (!Bytes(b, 2))
            return false;
        value = (i16)(u16)((u32)b[0] | ((u32)b[1] << 8));
        return true;
    }

    // An int32 length and that many UTF-16 units; the length is checked against what is
    // left before anything is allocated.
    bool Text(CVortanString& text)
    {
        i32 units;
        if (!Int32(units))
            return false;
        if (units < 0 || units > m_left / 2)
            return false;
        text.Empty();
        if (units == 0)
            return true;
        unsigned short* buffer = text.AllocBuffer(units + 1);
        if (!buffer) {
            m_outOfMemory = true;
            return false;
        }
        u8 chunk[4096];
        int done = 0;
        while (done < units) {
            int n = units - done;
            if (n > (int)sizeof(chunk) / 2)
                n = (int)sizeof(chunk) / 2;
            if (!Bytes(chunk, n * 2)) {
                text.Empty();
                return false;
            }
            for (int i = 0; i < n; ++i)
                buffer[done + i] = (unsigned short)(chunk[2 * i] | (chunk[2 * i + 1] << 8));
            done += n;
        }
        return true;
    }

private:
    CVortanFile& m_file;
    int m_left;
    bool m_outOfMemory = false;
};

// The 8-bit bytes of the settings file's path (as the file functions take it) in a buffer of
// PATH_MAX bytes; false for an empty path or one that cannot be a path.
bool PathBytes(const CVortanString& path, char* out)
{
    int n = path.ToAscii(nullptr);
    if (n <= 1 || n > PATH_MAX)
        return false;
    path.ToAscii(out);
    return out[0] != 0;
}

void PutInt32(std::vector<u8>& out, i32 value)
{
    u8 b[4];
    VortanWriteLE32(b, (u32)value);
    out.insert(out.end(), b, b + 4);
}

void PutInt16(std::vector<u8>& out, i16 value)
{
    u16 v = (u16)value;
    out.push_back((u8)v);
    out.push_back((u8)(v >> 8));
}

void PutText(std::vector<u8>& out, const CVortanString& text)
{
    int length = text.GetLength();
    const unsigned short* units = text.GetBuffer();
    PutInt32(out, length);
    for (int i = 0; i < length; ++i) {
        out.push_back((u8)units[i]);
        out.push_back((u8)(units[i] >> 8));
    }
}

bool SameText(const CVortanString& a, const CVortanString& b)
{
    int length = a.GetLength();
    if (length != b.GetLength())
        return false;
    return length == 0 || memcmp(a.GetBuffer(), b.GetBuffer(), (size_t)length * 2) == 0;
}

// Writes the store's entries with a non-empty name to a temporary file beside the settings
// file and renames it into place (may throw std::bad_alloc).
int WriteStore(const COrloStatsStore& store)
{
    char path[PATH_MAX];
    if (!PathBytes(store.GetPath(), path))
        return VORTAN_E_OPEN;

    std::vector<u8> bytes;
    int count = 0;
    for (int i = 0; i < store.GetCount(); ++i) {
        if (!store.GetAt(i)->name.IsEmpty())
            ++count;
    }
    PutInt32(bytes, 1);
    PutInt32(bytes, count);
    for (int i = 0; i < store.GetCount(); ++i) {
        const COrloStatsEntry* entry = store.GetAt(i);
        if (entry->name.IsEmpty())
            continue;
        PutText(bytes, entry->name);
        i32 kind = entry->kind;
        // A kind that does not fit the 16-bit field is written as -1, so that it can never
        // read back as a kind with a value.
        PutInt16(bytes, (kind >= -32768 && kind <= 32767) ? (i16)kind : (i16)-1);
        switch (kind) {
        case ORLO_STATS_INT:
            PutInt32(bytes, entry->intValue);
            break;
        case ORLO_STATS_BOOL:
            PutInt32(bytes, entry->boolValue);
            break;
        case ORLO_STATS_STRING:
            PutText(bytes, entry->stringValue);
            break;
        case ORLO_STATS_EXTRA_INT:
            PutInt32(bytes, entry->extraValue);
            break;
        default:
            break;
        }
    }

    // Written beside the file and renamed over it: a crash at any moment leaves either the
    // old or the new settings complete.
    return CVortanFile::WriteReplacing(path, bytes.data(), bytes.size(), true);
}

} // namespace

COrloStatsStore::COrloStatsStore() {}

COrloStatsStore::~COrloStatsStore()
{
    Clear();
}

int COrloStatsStore::Open(const CVortanString& path)
{
    m_path = path;
    // A save cut short (the process killed between the temporary file and the rename) leaves
    // its temporary file behind: nothing else will ever remove it.
    char bytes[PATH_MAX];
    if (PathBytes(m_path, bytes))
        CVortanFile::RemoveStaleTemps(bytes);
    Load();
    return VORTAN_OK;
}

int COrloStatsStore::Load()
{
    char path[PATH_MAX];
    if (!PathBytes(m_path, path))
        return VORTAN_E_OPEN;
    // Only a regular file is read: a pipe or a device would block or never end.
    struct stat info;
    if (stat(path, &info) == 0 && !S_ISREG(info.st_mode))
        return VORTAN_E_OPEN;

    CVortanFile file;
    int code = file.Open(m_path, VORTAN_FILE_READ);
    if (code != VORTAN_OK)
        return code;
    int size = file.GetSize();
    if (size < 0)
        size = 0;
    if (size > ORLO_STATS_MAX_FILE_BYTES)
        size = ORLO_STATS_MAX_FILE_BYTES;
    CStatsReader in(file, size);

    i32 version = 0;
    if (!in.Int32(version) || version != 1) {
        file.Close();
        return VORTAN_E_VERSION;
    }

    Clear();
    int result = VORTAN_OK;
    i32 count = 0;
    if (!in.Int32(count) || count < 0)
        result = VORTAN_E_MALFORMED;
    for (i32 i = 0; i < count && result == VORTAN_OK; ++i) {
        if (i >= ORLO_STATS_MAX_ENTRIES) {
            result = VORTAN_E_MALFORMED;
            break;
        }
        CVortanString name;
        i16 kind = 0;
        if (!in.Text(name) || !in.Int16(kind)) {
            result = in.OutOfMemory() ? VORTAN_E_NOMEMORY : VORTAN_E_MALFORMED;
            break;
        }
        COrloStatsEntry* entry = new (std::nothrow) COrloStatsEntry(name);
        if (!entry || entry->name.GetLength() != name.GetLength()) {
            delete entry;
            result = VORTAN_E_NOMEMORY;
            break;
        }
        bool whole = true;
        bool copied = true;
        switch (kind) {
        case ORLO_STATS_INT:
        case ORLO_STATS_BOOL:
        case ORLO_STATS_EXTRA_INT: {
            i32 value = 0;
            whole = in.Int32(value);
            if (kind == ORLO_STATS_INT)
                entry->SetInt(value);
            else if (kind == ORLO_STATS_BOOL)
                entry->SetBool(value);
            else
                entry->SetExtraInt(value);
            break;
        }
        case ORLO_STATS_STRING: {
            CVortanString value;
            whole = in.Text(value);
            entry->SetString(value);
            copied = !in.OutOfMemory() && entry->stringValue.GetLength() == value.GetLength();
            break;
        }
        default:
            // An unknown kind carries no value: the entry stays at kind 0, value 0.
            break;
        }
        int added = copied && whole ? m_entries.Add(entry) : 0;
        if (added != VORTAN_OK) {
            delete entry;
            result = !copied || added == VORTAN_E_NOMEMORY ? VORTAN_E_NOMEMORY : VORTAN_E_MALFORMED;
        }
    }
    file.Close();
    return result;
}

int COrloStatsStore::Save()
{
    try {
        return WriteStore(*this);
    } catch (const std::bad_alloc&) {
        return VORTAN_E_NOMEMORY;
    }
}

COrloStatsEntry* COrloStatsStore::Find(const CVortanString& name) const
{
    for (int i = 0; i < m_entries.GetCount(); ++i) {
        COrloStatsEntry* entry = GetAt(i);
        if (SameText(entry->name, name))
            return entry;
    }
    return nullptr;
}

COrloStatsEntry* COrloStatsStore::AddEntry(const CVortanString& name)
{
    COrloStatsEntry* entry = new (std::nothrow) COrloStatsEntry(name);
    if (!entry || entry->name.GetLength() != name.GetLength() ||
        m_entries.Add(entry) != VORTAN_OK) {
        delete entry;
        return nullptr;
    }
    return entry;
}

void COrloStatsStore::Clear()
{
    for (int i = 0; i < m_entries.GetCount(); ++i)
        delete GetAt(i);
    m_entries.RemoveAll();
}

int COrloStatsStore::RemoveAt(int index)
{
    if (index < 0 || index >= m_entries.GetCount())
        return 0;
    m_entries.RemoveAt(index);
    return VORTAN_OK;
}

int COrloStatsStore::Remove(COrloStatsEntry* entry)
{
    for (int i = 0; i < m_entries.GetCount(); ++i) {
        if (GetAt(i) == entry)
            return RemoveAt(i);
    }
    return 0;
}

int COrloStatsStore::RemoveByName(const CVortanString& name)
{
    for (int i = 0; i < m_entries.GetCount(); ++i) {
        if (SameText(GetAt(i)->name, name))
            return RemoveAt(i);
    }
    return 0;
}
