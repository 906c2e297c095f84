// CVortanMediaPack: reader of DMP2 data packs.
//
// Layout (little-endian): "DMP2", u32 entry count (> 0), then per entry a u16 name length
// (> 0), the 8-bit name and the u32 offset of its data block. A data block is 4 reserved
// bytes, a u32 data size and the data.
#pragma once
#include "engine/VortanFile.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"

// Most entries a pack may hold; a larger table is taken as malformed.
#define VORTAN_MEDIAPACK_MAX_ENTRIES (1 << 20)

class CVortanMediaPackEntry {
public:
    CVortanMediaPackEntry() : m_offset(0) {}

    u32 m_offset;         // offset of the data block from the start of the pack
    CVortanString m_name; // the 8-bit name, widened
};

class CVortanMediaPack {
public:
    CVortanMediaPack();
    virtual ~CVortanMediaPack();

    static CVortanMediaPack* Create();

    // VORTAN_OK; VORTAN_E_MALFORMED for a malformed pack, VORTAN_E_NOMEMORY out of memory,
    // VORTAN_E_OPEN when the file cannot be opened. A pack whose magic is wrong leaves the previous
    // state open; any later failure leaves the pack empty.
    int Open(const CVortanString& path, const CVortanString& key = CVortanString());
    void Close();

    int GetEntryCount() const { return m_count; }
    // The entry record at the index, or null outside the table.
    CVortanMediaPackEntry* GetEntryAt(int index) const;
    // With a name: the first entry, in table order, whose name contains it; with an empty
    // name: the entry at the index. Returns the entry's data size with the pack file at the
    // data, or 0 when nothing is found (or the entry does not fit in the file).
    int GetEntry(const CVortanString& name, int index = 0);
    // The first entry whose name after its last "/" equals the name exactly; result as GetEntry.
    int FindEntry(const CVortanString& name);

    // The pack's file, shared with the loaders: after GetEntry/FindEntry read exactly the
    // returned number of bytes from it.
    CVortanFile* GetFile() const { return m_file; }
    // The key the pack was opened with, or null.
    const CVortanString* GetKey() const { return m_key; }

private:
    CVortanMediaPack(const CVortanMediaPack&) = delete;
    CVortanMediaPack& operator=(const CVortanMediaPack&) = delete;

    int SelectEntry(const CVortanMediaPackEntry* entry);
    void ClearEntries();

    CVortanFile* m_file;
    CVortanMediaPackEntry** m_entries; // entry table, owned
    int m_count;
    CVortanString* m_key;
};
