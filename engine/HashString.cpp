// CHashString and HashBytes.
#include "engine/HashString.h"

u32 HashBytes(const void* bytes, int n)
{
    const u32 prime = 709607u;
    u32 h = 0x811C9DC5u;
    const u8* p = static_cast<const u8*>(bytes);
    if (!p || n < 0)
        n = 0;
    while (n >= 8) {
        u32 w0 = VortanReadLE32(p);
        u32 w1 = VortanReadLE32(p + 4);
        u32 rotated = (w0 >> 27) | (w0 << 5);
        h = (w1 ^ rotated ^ h) * prime;
        p += 8;
        n -= 8;
    }
    if (n >= 4) {
        h = (h ^ VortanReadLE32(p)) * prime;
        p += 4;
        n -= 4;
    }
    if (n >= 2) {
        h = (h ^ ((u32)p[0] | ((u32)p[1] << 8))) * prime;
        p += 2;
        n -= 2;
    }
    if (n >= 1)
        h = (h ^ p[0]) * prime;
    return h ^ (h >> 16);
}

static u32 HashOf(const CVortanString& text)
{
    // The units in the machine's byte order, terminator excluded.
    return HashBytes(text.GetBuffer(), text.GetLength() * 2);
}

CHashString::CHashString() : m_hash(HashBytes(nullptr, 0)) {}

CHashString::CHashString(const CVortanString& text) : m_string(text), m_hash(HashOf(m_string)) {}

CHashString::CHashString(const wchar_t* text) : m_string(text), m_hash(HashOf(m_string)) {}

u32 CHashString::Hash()
{
    m_hash = HashOf(m_string);
    return m_hash;
}

int CHashString::CompareKey(const CHashString& other) const
{
    if (m_hash != other.m_hash)
        return m_hash < other.m_hash ? -1 : 1;
    return m_string.Compare(other.m_string);
}
