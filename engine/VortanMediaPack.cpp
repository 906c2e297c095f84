#include "engine/VortanMediaPack.h"

#include <new>
#include <string.h>

namespace {

// Smallest table entry: a u16 name length, one name byte and the u32 offset.
const i64 kMinEntryBytes = 2 + 1 + 4;
// Reserved word and data size in front of every entry's data.
const i64 kBlockHeaderBytes = 8;

// Reads the entry table through a buffer instead of one file call per field.
class TableReader {
public:
    explicit TableReader(CVortanFile* file) : m_file(file), m_fill(0), m_next(0) {}

    // Copies exactly n bytes, or returns false when the file ends first.
    bool Take(void* out, int n)
    {
        u8* dest = static_cast<u8*>(out);
        while (n > 0) {
            if (m_next == m_fill) {
                m_fill = m_file->Read(m_buffer, sizeof m_buffer);
                m_next = 0;
                if (m_fill <= 0) {
                    m_fill = 0;
                    return false;
                }
            }
            int chunk = m_fill - m_next;
            if (chunk > n)
                chunk = n;
            memcpy(dest, m_buffer + m_next, static_cast<size_t>(chunk));
            m_next += chunk;
            dest += chunk;
            n -= chunk;
        }
        return true;
    }

private:
    CVortanFile* m_file;
    u8 m_buffer[8192];
    int m_fill;
    int m_next;
};

} // namespace

CVortanMediaPack::CVortanMediaPack()
    : m_file(nullptr), m_entries(nullptr), m_count(0), m_key(nullptr)
{}

CVortanMediaPack::~CVortanMediaPack()
{
    Close();
}

CVortanMediaPack* CVortanMediaPack::Create()
{
    return new (std::nothrow) CVortanMediaPack();
}

void CVortanMediaPack::ClearEntries()
{
    for (int i = 0; i < m_count; ++i)
        delete m_entries[i];
    delete[] m_entries;
    m_entries = nullptr;
    m_count = 0;
}

void CVortanMediaPack::Close()
{
    delete m_file;
    m_file = nullptr;
    ClearEntries();
    delete m_key;
    m_key = nullptr;
}

int CVortanMediaPack::Open(const CVortanString& path, const CVortanString& key)
{
    CVortanFile* file = new (std::nothrow) CVortanFile();
    if (!file)
        return VORTAN_E_NOMEMORY;
    int result = file->Open(path, VORTAN_FILE_READ);
    if (result != VORTAN_OK) {
        delete file;
        return result;
    }
    u8 magic[4];
    if (file->Read(magic, 4) != 4 || memcmp(magic, "DMP2", 4) != 0) {
        delete file;
        return VORTAN_E_MALFORMED;
    }

    // From here on the new file replaces the previous state.
    Close();
    m_file = file;
    const i64 fileSize = file->GetSize();

    TableReader table(file);
    u8 word[4];
    if (!table.Take(word, 4)) {
        Close();
        return VORTAN_E_MALFORMED;
    }
    u32 count = VortanReadLE32(word);
    // The count is bounded by what the file can hold before anything is allocated from it.
    if (count == 0 || count > VORTAN_MEDIAPACK_MAX_ENTRIES ||
        static_cast<i64>(count) * kMinEntryBytes > fileSize - 8) {
        Close();
        return VORTAN_E_MALFORMED;
    }
    m_entries = new (std::nothrow) CVortanMediaPackEntry*[count];
    if (!m_entries) {
        Close();
        return VORTAN_E_NOMEMORY;
    }

    for (u32 i = 0; i < count; ++i) {
        u8 lengthBytes[2];
        int length = 0;
        if (table.Take(lengthBytes, 2))
            length = lengthBytes[0] | (lengthBytes[1] << 8);
        if (length == 0) {
            Close();
            return VORTAN_E_MALFORMED;
        }
        CVortanMediaPackEntry* entry = new (std::nothrow) CVortanMediaPackEntry();
        unsigned short* units = entry ? entry->m_name.AllocBuffer(length + 1) : nullptr;
        if (!units) {
            delete entry;
            Close();
            return VORTAN_E_NOMEMORY;
        }
        // The name's bytes land in the front of the unit buffer and are widened in place,
        // from the last one down.
        unsigned char* bytes = reinterpret_cast<unsigned char*>(units);
        if (!table.Take(bytes, length) || !table.Take(word, 4)) {
            delete entry;
            Close();
            return VORTAN_E_MALFORMED;
        }
        for (int k = length - 1; k >= 0; --k)
            units[k] = bytes[k];
        entry->m_offset = VortanReadLE32(word);
        // The block header must lie inside the file; its data size is checked on selection.
        if (static_cast<i64>(entry->m_offset) + kBlockHeaderBytes > fileSize) {
            delete entry;
            Close();
            return VORTAN_E_MALFORMED;
        }
        m_entries[m_count++] = entry;
    }

    if (!key.IsEmpty()) {
        m_key = new (std::nothrow) CVortanString(key);
        if (!m_key || m_key->GetLength() != key.GetLength()) {
            Close();
            return VORTAN_E_NOMEMORY;
        }
    }
    return VORTAN_OK;
}

CVortanMediaPackEntry* CVortanMediaPack::GetEntryAt(int index) const
{
    if (index < 0 || index >= m_count)
        return nullptr;
    return m_entries[index];
}

int CVortanMediaPack::SelectEntry(const CVortanMediaPackEntry* entry)
{
    if (!m_file)
        return 0;
    const i64 start = static_cast<i64>(entry->m_offset) + 4;
    u8 word[4];
    if (m_file->Seek(static_cast<int>(start), VORTAN_SEEK_SET) != start ||
        m_file->Read(word, 4) != 4)
        return 0;
    u32 size = VortanReadLE32(word);
    if (start + 4 + static_cast<i64>(size) > m_file->GetSize())
        return 0;
    return static_cast<int>(size);
}

int CVortanMediaPack::GetEntry(const CVortanString& name, int index)
{
    if (index < 0 || index >= m_count)
        return 0;
    if (name.IsEmpty())
        return SelectEntry(m_entries[index]);
    for (int i = 0; i < m_count; ++i)
        if (m_entries[i]->m_name.FindString(name, 0) >= 0)
            return SelectEntry(m_entries[i]);
    return 0;
}

int CVortanMediaPack::FindEntry(const CVortanString& name)
{
    const int length = name.GetLength();
    if (length == 0 || m_count == 0)
        return 0;
    const unsigned short* wanted = name.GetBuffer();
    // The part of an entry name after its last "/" holds no "/", so such a name never matches.
    for (int k = 0; k < length; ++k)
        if (wanted[k] == '/')
            return 0;
    // Otherwise the name matches when the entry name ends with it right after a "/" (or is it).
    const unsigned short last = wanted[length - 1];
    for (int i = 0; i < m_count; ++i) {
        const CVortanString& entryName = m_entries[i]->m_name;
        const int entryLength = entryName.GetLength();
        if (entryLength < length)
            continue;
        const unsigned short* units = entryName.GetBuffer();
        const int tail = entryLength - length;
        if (units[entryLength - 1] == last && (tail == 0 || units[tail - 1] == '/') &&
            memcmp(units + tail, wanted, sizeof(unsigned short) * length) == 0)
            return SelectEntry(m_entries[i]);
    }
    return 0;
}
