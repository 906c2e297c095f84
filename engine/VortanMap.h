// CVortanMap: a sorted set of {key, value} records, the map type of the whole system.
// Keys: i32, u32, uintptr_t (pointers), CVortanKey64 or CHashString (engine/VortanKey.h).
#pragma once
#include "engine/VortanSortedSet.h"

template <class K, class V>
struct CVortanMapEntry {
    K key;
    V value;
};

template <class K, class V>
class CVortanMap {
public:
    typedef CVortanMapEntry<K, V> Entry;

    // Index of the key's record, or -1.
    int FindKey(const K& key) const { return m_set.FindByKey(key); }
    bool Contains(const K& key) const { return FindKey(key) != -1; }

    // VORTAN_OK when added, 0 when the key is present (its value is kept), VORTAN_E_NOMEMORY when
    // the map cannot grow.
    int Add(const K& key, const V& value)
    {
        Entry entry{key, value};
        return m_set.Insert(entry);
    }

    // The key's value; an absent key is added first with the default value (zero, or
    // empty strings). The reference holds until the map changes.
    V& operator[](const K& key)
    {
        int i = FindKey(key);
        if (i < 0) {
            Entry entry{key, V()};
            if (m_set.Insert(entry) == VORTAN_OK)
                i = FindKey(key);
            if (i < 0) {
                // Out of memory: the caller still gets a default value to work on.
                static thread_local V spare;
                spare = V();
                return spare;
            }
        }
        return m_set.ElementAt(i).value;
    }

    // 1 when the key's record was removed, 0 when the key is absent.
    int Remove(const K& key)
    {
        int i = FindKey(key);
        if (i < 0)
            return 0;
        m_set.RemoveAt(i);
        return 1;
    }

    int GetSize() const { return m_set.GetSize(); }
    Entry& ElementAt(int i) { return m_set.ElementAt(i); }
    const Entry& ElementAt(int i) const { return m_set.ElementAt(i); }
    void RemoveAt(int i, int count = 1) { m_set.RemoveAt(i, count); }
    void RemoveAll() { m_set.RemoveAll(); }

    CVortanSortedSet<Entry>& GetSet() { return m_set; }
    const CVortanSortedSet<Entry>& GetSet() const { return m_set; }

private:
    CVortanSortedSet<Entry> m_set;
};
