// COrloAchievementStation: the game's achievements kept on the device: their definitions from
// "ach_EN.txt" in the pack "achievements.dmp" and the user's unlocks in "ach.dat" in the
// user-data directory.
#pragma once
#include "engine/VortanPtrArray.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "online/achievements/OrloAchievement.h"

class CVortanMediaPack;
class IVortanApplication;

// The unlocks file's name and version.
#define ORLO_UNLOCKS_FILE "ach.dat"
#define ORLO_UNLOCKS_VERSION 1
// Bytes of one unlock entry: the id and six 16-bit date and time fields.
#define ORLO_UNLOCK_ENTRY_SIZE 16

class COrloAchievementStation : public IOrloAchievementStation {
public:
    COrloAchievementStation();
    virtual ~COrloAchievementStation(); // Clear

    // Keeps the three values, creates the game's list and reads the definitions and unlocks.
    // VORTAN_OK (also without an unlocks file), the definitions' failure, or VORTAN_E_VERSION.
    int Init(IVortanApplication* application, int gameId, const CVortanString& packPath) override;
    void Clear() override;
    COrloAchievementList* FindList(int gameId) override;
    // Opens the definitions pack (empty key): the pack's open result.
    int OpenDataPack(CVortanMediaPack* pack);
    // VORTAN_OK, the pack's failure, or VORTAN_E_MISSING without "ach_EN.txt".
    int LoadDefinitions();
    // VORTAN_OK; VORTAN_E_OPEN when there is no readable unlocks file (also one too short to
    // hold its version); VORTAN_E_VERSION for another version (nothing applied).
    int LoadUnlocks();
    // Writes the unlocks to a temporary file renamed over "ach.dat". VORTAN_OK; VORTAN_E_MISSING
    // without the game's list; VORTAN_E_OPEN or VORTAN_E_FAIL when it cannot be written (the
    // old file stays, no temporary file is left).
    int SaveUnlocks() override;

    IVortanApplication* GetApplication() const { return m_application; }
    int GetGameId() const { return m_gameId; }
    const CVortanString& GetPackPath() const { return m_packPath; }
    int GetStatus() const { return m_status; }

private:
    COrloAchievementStation(const COrloAchievementStation&) = delete;
    COrloAchievementStation& operator=(const COrloAchievementStation&) = delete;

    // The path of "ach.dat"; VORTAN_OK or the application's failure.
    int UnlocksPath(CVortanString& out) const;

    IVortanApplication* m_application; // not owned
    int m_gameId;
    CVortanString m_packPath;
    int m_status;
    CVortanPtrArray m_lists; // COrloAchievementList*, owned
};
