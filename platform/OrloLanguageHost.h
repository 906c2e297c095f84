// IOrloLanguageHost: what the language packs need from the application: the two places where
// packs are looked for, and the settings store that keeps the chosen language.
#pragma once

class COrloStatsStore;
class CVortanString;

class IOrloLanguageHost {
public:
    virtual ~IOrloLanguageHost() {}

    // The user-data directory's path of the file (created on demand). VORTAN_OK, or a failure code
    // (the path is then not used).
    virtual int GetUserDataPath(CVortanString& out, const CVortanString& fileName) = 0;
    // The path of the file in the program's directory.
    virtual void GetResourcePath(CVortanString& out, const CVortanString& fileName) = 0;
    // The settings store, or null when there is none.
    virtual COrloStatsStore* GetSettings() = 0;
};
