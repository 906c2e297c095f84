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
#include "platform/OrloAchievementInterfaces.h"

class IVortanApplication;

class COrloAchievement : public IOrloAchievement {
public:
    COrloAchievement() : id(0), unlocked(0) {}
    virtual ~COrloAchievement() {}

    int IsUnlocked() const override { return unlocked; }
    void SetUnlocked(int value) override { unlocked = value ? 1 : 0; }
    void SetUnlockTime(const CVortanDateTime& time) override { unlockTime = time; }

    i32 id;
    CVortanString name;
    CVortanString description;
    i32 unlocked;
    CVortanDateTime unlockTime;
};

class COrloAchievementList : public IOrloAchievementList {
public:
    COrloAchievementList() {}
    virtual ~COrloAchievementList() { Clear(); }

    COrloAchievement* Find(int id) const override
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

class COrloAchievementStation : public IOrloAchievementStation {
public:
    COrloAchievementStation() {}
    virtual ~COrloAchievementStation() {}

    // VORTAN_OK on success; VORTAN_E_MISSING: the definitions are not available.
    int Init(IVortanApplication* application, int gameId, const CVortanString& packPath) override
    {
        (void)application;
        (void)gameId;
        (void)packPath;
        return VORTAN_E_MISSING;
    }
    void Clear() override {}
    COrloAchievementList* FindList(int gameId) override
    {
        (void)gameId;
        return nullptr;
    }
    int SaveUnlocks() override { return VORTAN_E_MISSING; }
};
