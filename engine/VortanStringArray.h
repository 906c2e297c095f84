// CVortanStringArray: a growable array of CVortanString (the language table, the lists of
// language names and codes, the online menu's lists).
#pragma once
#include "engine/VortanArray.h"
#include "engine/VortanString.h"

class CVortanStringArray : public CVortanArray<CVortanString> {
public:
    CVortanStringArray() {}
    CVortanStringArray(CVortanStringArray&& other) noexcept = default;
    CVortanStringArray& operator=(CVortanStringArray&& other) noexcept = default;

    // Stores a copy of the text at the index, first growing the array to index + 1 when
    // needed; the texts that the growth adds before the index are empty. Returns VORTAN_OK,
    // VORTAN_E_ARGUMENT for a negative index, VORTAN_E_NOMEMORY when the array cannot grow or the
    // text cannot be copied (the array is then unchanged).
    int SetAt(int index, const CVortanString& text);
    // Appends a copy of the text. VORTAN_OK, or VORTAN_E_NOMEMORY.
    int Add(const CVortanString& text);
    // The text at the index; an empty text outside the array.
    const CVortanString& GetAt(int index) const;
    int GetCount() const { return GetSize(); }
    // Destroys every text and frees the storage.
    void Clear() { RemoveAll(); }
};
