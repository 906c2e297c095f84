// The parsers of the achievement files: the definitions text ("ach_EN.txt", 16-bit units) and
// the unlocks file ("ach.dat"), each over bytes already read, and the unlocks file's writer.
#pragma once
#include <string>

#include "engine/VortanTypes.h"

class COrloAchievementList;

// Adds the definitions of the text (units, count of them; a leading byte-order mark is
// skipped) to the list in file order. The number of records added.
int ParseAchievementDefinitions(const u16* units, int count, COrloAchievementList* list);
// Applies the entries of an unlocks file (its bytes) to the list: VORTAN_OK; VORTAN_E_OPEN when
// the bytes do not hold the version; VORTAN_E_VERSION for another version. Reading stops at
// the last whole entry the bytes hold, whatever count the file states.
int ApplyAchievementUnlocks(const u8* bytes, int size, COrloAchievementList* list);
// The bytes of the unlocks file for the list's unlocked, named records.
std::string WriteAchievementUnlocks(const COrloAchievementList* list);
