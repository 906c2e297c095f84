// COrloStatsEntry: one named, typed value of the settings store.
#include "platform/OrloStatsEntry.h"

COrloStatsEntry::COrloStatsEntry() : kind(ORLO_STATS_INT), intValue(0), boolValue(0), extraValue(0)
{}

COrloStatsEntry::COrloStatsEntry(const CVortanString& entryName)
    : kind(ORLO_STATS_INT), name(entryName), intValue(0), boolValue(0), extraValue(0)
{}

COrloStatsEntry::~COrloStatsEntry() {}

void COrloStatsEntry::ResetValues()
{
    intValue = 0;
    boolValue = 0;
    stringValue.Empty();
    extraValue = 0;
}

void COrloStatsEntry::SetInt(int value)
{
    ResetValues();
    kind = ORLO_STATS_INT;
    intValue = value;
}

void COrloStatsEntry::SetBool(int value)
{
    ResetValues();
    kind = ORLO_STATS_BOOL;
    boolValue = value ? 1 : 0;
}

void COrloStatsEntry::SetString(const CVortanString& value)
{
    CVortanString copy(value); // the value may be this entry's own string
    ResetValues();
    kind = ORLO_STATS_STRING;
    stringValue = copy;
}

void COrloStatsEntry::SetExtraInt(int value)
{
    ResetValues();
    kind = ORLO_STATS_EXTRA_INT;
    extraValue = value;
}
