// The achievements kept on the device: COrloAchievementStation (the definitions and the
// user's unlocks), COrloAchievementList (one game's achievements) and COrloAchievement.
//
// Until the online client's achievements are built, the station is a stand-in whose Init
// reports the definitions missing (VORTAN_E_MISSING): the application then runs without
// achievements, and unlock requests and queries answer 0.
#pragma once
#include "engine/VortanDateTime.h"
#include "engine/VortanPtrArray.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"

class IVortanApplication;

class COrloAchievement {
public:
    COrloAchievement() : id(0), unlocked(0) {}
    virtual ~COrloAchievement() {}

    void SetUnlocked(int value) { unlocked = value ? 1 : 0; }
    void SetUnlockTime(const CVortanDateTime& time) { unlockTime = time; }

    i32 id;
    CVortanString name;
    CVortanString description;
    i32 unlocked;
    CVortanDateTime unlockTime;
};

class COrloAchievementList {
public:
    COrloAchievementList() {}
    virtual ~COrloAchievementList() { Clear(); }

    COrloAchievement* Find(int id) const
    {
        for (int i = 0; i < m_records.GetCount(); ++i) {
            COrloAchievement* record = (COrloAchievement*)m_records.GetAt(i);
            if (record->id == id)
                return record;
        }
        return nullptr;
    }
    int GetCount() const { return m_records.GetCount(); }
    void Clear()
    {
        for (int i = 0; i < m_records.GetCount(); ++i)
            delete (COrloAchievement*)m_records.GetAt(i);
        m_records.RemoveAll();
    }

private:
    COrloAchievementList(const COrloAchievementList&) = delete;
    COrloAchievementList& operator=(const COrloAchievementList&) = delete;

    CVortanPtrArray m_records; // COrloAchievement*, owned
};

class COrloAchievementStation {
public:
    COrloAchievementStation() {}
    virtual ~COrloAchievementStation() {}

    // VORTAN_OK on success; VORTAN_E_MISSING: the definitions are not available.
    virtual int Init(IVortanApplication* application, int gameId, const CVortanString& packPath)
    {
        (void)application;
        (void)gameId;
        (void)packPath;
        return VORTAN_E_MISSING;
    }
    virtual void Clear() {}
    COrloAchievementList* FindList(int gameId)
    {
        (void)gameId;
        return nullptr;
    }
    int SaveUnlocks() { return VORTAN_E_MISSING; }
};
