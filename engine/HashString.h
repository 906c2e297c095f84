// CHashString: a string with a cached 32-bit hash of its UTF-16 units, the key of the
// name-keyed registries. Keys order by hash (unsigned) first and then by Compare of the
// texts; two keys are equal when hash and text are equal.
#pragma once
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"

// 32-bit hash of n bytes (the hash of CHashString and of the registries' names).
u32 HashBytes(const void* bytes, int n);

class CHashString {
public:
    CHashString();
    CHashString(const CVortanString& text);
    CHashString(const wchar_t* text);
    // Copies and moves take the text and its cached hash.
    CHashString(const CHashString& other) = default;
    CHashString(CHashString&& other) = default;
    CHashString& operator=(const CHashString& other) = default;
    CHashString& operator=(CHashString&& other) = default;

    // Recomputes, caches and returns the hash of the text's units.
    u32 Hash();
    u32 GetHash() const { return m_hash; }

    // The text; it is read-only, so that the cached hash always belongs to it.
    const CVortanString& GetString() const { return m_string; }
    operator const CVortanString&() const { return m_string; }
    unsigned short* GetBuffer() const { return m_string.GetBuffer(); }
    int GetLength() const { return m_string.GetLength(); }
    bool IsEmpty() const { return m_string.IsEmpty(); }

    // -1, 0 or 1 in key order: hash first, then text.
    int CompareKey(const CHashString& other) const;
    bool operator==(const CHashString& o) const { return CompareKey(o) == 0; }
    bool operator!=(const CHashString& o) const { return CompareKey(o) != 0; }
    bool operator<(const CHashString& o) const { return CompareKey(o) < 0; }

private:
    CVortanString m_string;
    u32 m_hash;
};

inline int VortanKeyCompare(const CHashString& a, const CHashString& b)
{
    return a.CompareKey(b);
}
