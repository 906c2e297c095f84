// COrloAchievementStation: reading the definitions and the unlocks, and saving the unlocks
// atomically (a temporary file beside "ach.dat", renamed over it).
#include "online/achievements/OrloAchievementStation.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <new>
#include <string>
#include <vector>

#include "engine/VortanFile.h"
#include "engine/VortanMediaPack.h"
#include "engine/platform/VortanApplication.h"
#include "online/achievements/AchievementFiles.h"

// The largest unlocks file read: the header and one entry per possible 16-bit id would be far
// below it; anything beyond is not looked at.
#define ORLO_UNLOCKS_READ_LIMIT (1 << 20)

COrloAchievementStation::COrloAchievementStation()
    : m_application(nullptr), m_gameId(0), m_status(ORLO_ICON_NOT_LOADED)
{}

COrloAchievementStation::~COrloAchievementStation()
{
    Clear();
}

int COrloAchievementStation::Init(IVortanApplication* application, int gameId,
                                  const CVortanString& packPath)
{
    m_application = application;
    m_gameId = gameId;
    m_packPath = packPath;
    COrloAchievementList* list = new (std::nothrow) COrloAchievementList(this, gameId);
    if (!list)
        return VORTAN_E_NOMEMORY;
    if (m_lists.Add(list) != VORTAN_OK) {
        delete list;
        return VORTAN_E_NOMEMORY;
    }
    int rc = LoadDefinitions();
    if (rc != VORTAN_OK)
        return rc;
    rc = LoadUnlocks();
    if (rc == VORTAN_OK || rc == VORTAN_E_OPEN)
        return VORTAN_OK;
    return rc;
}

void COrloAchievementStation::Clear()
{
    for (int i = 0; i < m_lists.GetCount(); ++i) {
        COrloAchievementList* list = (COrloAchievementList*)m_lists.GetAt(i);
        list->Clear();
        delete list;
    }
    m_lists.RemoveAll();
}

COrloAchievementList* COrloAchievementStation::FindList(int gameId)
{
    for (int i = 0; i < m_lists.GetCount(); ++i) {
        COrloAchievementList* list = (COrloAchievementList*)m_lists.GetAt(i);
        if (list->GetGameId() == gameId)
            return list;
    }
    return nullptr;
}

int COrloAchievementStation::OpenDataPack(CVortanMediaPack* pack)
{
    return pack->Open(m_packPath, CVortanString());
}

int COrloAchievementStation::LoadDefinitions()
{
    CVortanMediaPack pack;
    int rc = OpenDataPack(&pack);
    if (rc != VORTAN_OK)
        return rc;
    const int size = pack.FindEntry(CVortanString("ach_EN.txt"));
    if (size <= 0) {
        pack.Close();
        return VORTAN_E_MISSING;
    }
    const int count = size / 2;
    std::vector<u16> units((size_t)count + 1, 0);
    std::vector<u8> bytes((size_t)size);
    const int got = pack.GetFile()->Read(bytes.data(), size);
    pack.Close();
    for (int i = 0; i < count && 2 * i + 1 < got; ++i)
        units[(size_t)i] = (u16)(bytes[(size_t)(2 * i)] | (bytes[(size_t)(2 * i + 1)] << 8));
    ParseAchievementDefinitions(units.data(), count, FindList(m_gameId));
    return VORTAN_OK;
}

int COrloAchievementStation::UnlocksPath(CVortanString& out) const
{
    if (!m_application)
        return VORTAN_E_ARGUMENT;
    return m_application->GetUserDataPath(out, CVortanString(ORLO_UNLOCKS_FILE));
}

int COrloAchievementStation::LoadUnlocks()
{
    CVortanString path;
    if (UnlocksPath(path) != VORTAN_OK)
        return VORTAN_E_OPEN;
    const std::string name = VortanBytesOf(path);
    // What a save cut short left beside the file.
    CVortanFile::RemoveStaleTemps(name.c_str());
    int fd = open(name.c_str(), O_RDONLY);
    if (fd < 0)
        return VORTAN_E_OPEN;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return VORTAN_E_OPEN;
    }
    // Only what the file holds is read, and never more than the limit.
    size_t want = info.st_size < ORLO_UNLOCKS_READ_LIMIT ? (size_t)info.st_size
                                                         : (size_t)ORLO_UNLOCKS_READ_LIMIT;
    std::vector<u8> bytes(want);
    size_t got = 0;
    while (got < want) {
        ssize_t n = read(fd, bytes.data() + got, want - got);
        if (n <= 0)
            break;
        got += (size_t)n;
    }
    close(fd);
    return ApplyAchievementUnlocks(bytes.data(), (int)got, FindList(m_gameId));
}

int COrloAchievementStation::SaveUnlocks()
{
    COrloAchievementList* list = FindList(m_gameId);
    if (!list)
        return VORTAN_E_MISSING;
    CVortanString path;
    if (UnlocksPath(path) != VORTAN_OK)
        return VORTAN_E_OPEN;
    const std::string bytes = WriteAchievementUnlocks(list);
    const std::string target = VortanBytesOf(path);
    // Not durable: an unlock happens during play, where a wait for the disk would cost frames;
    // the rename still leaves either the old file or the new one whole.
    return CVortanFile::WriteReplacing(target.c_str(), bytes.data(), bytes.size(), false);
}

// This file's macros end here (the build may compile it together with others).
#undef ORLO_UNLOCKS_READ_LIMIT
