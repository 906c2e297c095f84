// COrloStatsStore: the user's settings and small counters, a list of named, typed entries
// kept in the file "stats.dat" in the user-data directory.
#pragma once
#include "engine/VortanPtrArray.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "platform/OrloStatsEntry.h"

// Name of the settings file in the user-data directory.
#define ORLO_STATS_FILE_NAME "stats.dat"
// What a load takes from a file at most: a longer or more numerous file is read as if it
// ended there, so a damaged or hostile file cannot make the program allocate without bound.
#define ORLO_STATS_MAX_ENTRIES 65536
#define ORLO_STATS_MAX_FILE_BYTES (16 * 1024 * 1024)

class COrloStatsStore {
public:
    COrloStatsStore();
    // Deletes the entries still in the store.
    virtual ~COrloStatsStore();

    // Keeps the full path of the settings file (the user-data path of "stats.dat") and
    // loads it. Returns VORTAN_OK whatever the load gave.
    int Open(const CVortanString& path);
    // VORTAN_OK; the open code when the file cannot be opened (entries kept as they are);
    // VORTAN_E_VERSION when its version is not 1 (entries kept); VORTAN_E_MALFORMED when the file
    // is damaged or cut short, and VORTAN_E_NOMEMORY when memory runs out, in which cases every entry read whole before is loaded.
    int Load();
    // Writes the entries with a non-empty name to a temporary file beside the settings file
    // and renames it into place. VORTAN_OK; VORTAN_E_OPEN when the temporary file cannot be
    // created; VORTAN_E_FAIL when writing or renaming fails, VORTAN_E_NOMEMORY when memory runs out (the previous file stays untouched).
    int Save();

    // First entry whose name equals the text exactly, or null.
    COrloStatsEntry* Find(const CVortanString& name) const;
    // A new entry (kind 0, value 0) appended under that name; null when out of memory.
    COrloStatsEntry* AddEntry(const CVortanString& name);
    // Deletes every entry.
    void Clear();
    // These unlink the entry without deleting it (the caller then owns it): 1, or 0 when
    // there is no such entry.
    int RemoveAt(int index);
    int Remove(COrloStatsEntry* entry);
    int RemoveByName(const CVortanString& name);

    int GetCount() const { return m_entries.GetCount(); }
    COrloStatsEntry* GetAt(int index) const { return (COrloStatsEntry*)m_entries.GetAt(index); }
    const CVortanString& GetPath() const { return m_path; }

private:
    COrloStatsStore(const COrloStatsStore&) = delete;
    COrloStatsStore& operator=(const COrloStatsStore&) = delete;

    CVortanString m_path;
    CVortanPtrArray m_entries;
};
