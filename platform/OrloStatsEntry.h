// COrloStatsEntry: one named, typed value of the settings store.
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"

// Kinds of a settings entry (also their codes in "stats.dat").
enum { ORLO_STATS_INT = 0, ORLO_STATS_BOOL = 1, ORLO_STATS_STRING = 2, ORLO_STATS_EXTRA_INT = 3 };

class COrloStatsEntry {
public:
    COrloStatsEntry();
    explicit COrloStatsEntry(const CVortanString& name);
    virtual ~COrloStatsEntry();

    // Each setter sets the kind and its own value and resets every other value field.
    void SetInt(int value);
    void SetBool(int value); // stored as 0 or 1
    void SetString(const CVortanString& value);
    void SetExtraInt(int value);

    // Callers read the value fields directly.
    i32 kind;
    CVortanString name;
    i32 intValue;
    i32 boolValue;
    CVortanString stringValue;
    i32 extraValue;

private:
    void ResetValues();

    COrloStatsEntry(const COrloStatsEntry&) = delete;
    COrloStatsEntry& operator=(const COrloStatsEntry&) = delete;
};
