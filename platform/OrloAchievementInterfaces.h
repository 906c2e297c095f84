// The achievements kept on the device, as the application and the game use them:
// IOrloAchievementStation (the definitions and the user's unlocks), IOrloAchievementList (one
// game's achievements) and IOrloAchievement. The online client implements them
// (COrloAchievementStation, COrloAchievementList, COrloAchievement).
#pragma once

class CVortanDateTime;
class CVortanString;
class IVortanApplication;

class IOrloAchievement {
public:
    virtual ~IOrloAchievement() {}

    virtual int IsUnlocked() const = 0;
    virtual void SetUnlocked(int value) = 0;
    virtual void SetUnlockTime(const CVortanDateTime& time) = 0;
};

class IOrloAchievementList {
public:
    virtual ~IOrloAchievementList() {}

    // The achievement with the id, or null.
    virtual IOrloAchievement* Find(int id) const = 0;
};

class IOrloAchievementStation {
public:
    virtual ~IOrloAchievementStation() {}

    // Reads the definitions (the pack at the path) and the user's unlocks. 1 on success.
    virtual int Init(IVortanApplication* application, int gameId,
                     const CVortanString& packPath) = 0;
    virtual void Clear() = 0;
    // The game's list, or null.
    virtual IOrloAchievementList* FindList(int gameId) = 0;
    // Writes the user's unlocks file.
    virtual int SaveUnlocks() = 0;
};
