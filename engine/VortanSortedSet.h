// CVortanSortedSet: a sorted array that refuses a second element with the same key.
#pragma once
#include "engine/VortanSortedArray.h"

template <class T, class KeyOf = CVortanKeyOf<T>>
class CVortanSortedSet {
public:
    typedef typename KeyOf::KeyType KeyType;

    // VORTAN_OK when inserted, 0 when an element with that key is present (nothing changes),
    // VORTAN_E_NOMEMORY when the set cannot grow.
    int Insert(const T& element)
    {
        if (m_sorted.Find(element) != -1)
            return 0;
        return m_sorted.InsertSorted(element) >= 0 ? VORTAN_OK : VORTAN_E_NOMEMORY;
    }

    int GetSize() const { return m_sorted.GetSize(); }
    T& ElementAt(int i) { return m_sorted.ElementAt(i); }
    const T& ElementAt(int i) const { return m_sorted.ElementAt(i); }
    T& operator[](int i) { return m_sorted.ElementAt(i); }
    const T& operator[](int i) const { return m_sorted.ElementAt(i); }
    int Find(const T& element) const { return m_sorted.Find(element); }
    int FindByKey(const KeyType& key) const { return m_sorted.FindByKey(key); }
    int Remove(const T& element) { return m_sorted.Remove(element); }
    void RemoveAt(int i, int count = 1) { m_sorted.RemoveAt(i, count); }
    void RemoveAll() { m_sorted.RemoveAll(); }

    CVortanSortedArray<T, KeyOf>& GetSorted() { return m_sorted; }
    const CVortanSortedArray<T, KeyOf>& GetSorted() const { return m_sorted; }

private:
    CVortanSortedArray<T, KeyOf> m_sorted;
};
