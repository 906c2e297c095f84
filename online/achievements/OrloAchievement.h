// COrloAchievement: one achievement of a game (its definition, whether and when the user
// unlocked it, and its icon); COrloAchievementList: the achievements of one game.
#pragma once
#include "engine/VortanDateTime.h"
#include "engine/VortanPtrArray.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "platform/OrloAchievementInterfaces.h"

class COrloAchievementStation;
class CVortanSurface;

// Icon states.
enum {
    ORLO_ICON_MISSING = 4,   // the pack or the image entry is missing
    ORLO_ICON_FAILED = 5,    // the image failed to load
    ORLO_ICON_NOT_LOADED = 6 // initial
};

class COrloAchievement : public IOrloAchievement {
public:
    COrloAchievement();
    // Releases the icon.
    virtual ~COrloAchievement();

    // Fills the record; a null time leaves the date-time as it is.
    void Set(COrloAchievementStation* station, int gameId, int id, const CVortanString& name,
             const CVortanString& description, int unlocked, const CVortanDateTime* time);
    int IsUnlocked() const override { return m_unlocked; }
    void SetUnlocked(int value) override { m_unlocked = value; }
    // Copies year, month, day, hour, minute and second.
    void SetUnlockTime(const CVortanDateTime& time) override;
    void SetName(const CVortanString& name) { m_name = name; }
    void SetDescription(const CVortanString& description) { m_description = description; }
    void SetIcon(int hasIcon, const CVortanString& surfaceName);
    // Loads the icon from the station's pack (nothing when loaded, without an icon or with an
    // empty surface name); failures set the icon status.
    void LoadIcon();
    // The icon surface is released and deleted.
    void ReleaseIcon();

    int GetId() const { return m_id; }
    int GetGameId() const { return m_gameId; }
    const CVortanString& GetName() const { return m_name; }
    const CVortanString& GetDescription() const { return m_description; }
    const CVortanDateTime& GetUnlockTime() const { return *m_time; }
    int GetIconStatus() const { return m_iconStatus; }
    int HasIcon() const { return m_hasIcon; }
    const CVortanString& GetSurfaceName() const { return m_surfaceName; }
    CVortanSurface* GetIconSurface() const { return m_icon; }

private:
    COrloAchievement(const COrloAchievement&) = delete;
    COrloAchievement& operator=(const COrloAchievement&) = delete;

    COrloAchievementStation* m_station; // not owned
    int m_gameId;
    int m_id;
    CVortanString m_name;
    CVortanString m_description;
    int m_unlocked;
    CVortanDateTime* m_time; // owned, never null
    int m_iconStatus;
    int m_hasIcon;
    CVortanString m_surfaceName;
    CVortanSurface* m_icon; // owned
};

class COrloAchievementList : public IOrloAchievementList {
public:
    COrloAchievementList(COrloAchievementStation* station, int gameId);
    virtual ~COrloAchievementList(); // Clear

    // A new locked record appended, or null when memory runs out.
    COrloAchievement* Add(int id, const CVortanString& name, const CVortanString& description,
                          int unlocked);
    // The first record with the id, or null.
    COrloAchievement* Find(int id) const override;
    int GetCount() const { return m_records.GetCount(); }
    COrloAchievement* GetAt(int index) const { return (COrloAchievement*)m_records.GetAt(index); }
    void RemoveAt(int index);
    // Releases every record's icon and deletes the records.
    void Clear();
    int GetGameId() const { return m_gameId; }
    int GetStatus() const { return m_status; }

private:
    COrloAchievementList(const COrloAchievementList&) = delete;
    COrloAchievementList& operator=(const COrloAchievementList&) = delete;

    COrloAchievementStation* m_station; // not owned
    int m_gameId;
    int m_status;
    CVortanPtrArray m_records; // COrloAchievement*, owned
};
