// CVortanSortedArray: a CVortanArray kept in key order and searched by binary search.
// Elements with equal keys may repeat; see engine/VortanKey.h for keys and their order.
#pragma once
#include "engine/VortanArray.h"
#include "engine/VortanKey.h"

template <class T, class KeyOf = CVortanKeyOf<T>>
class CVortanSortedArray {
public:
    typedef typename KeyOf::KeyType KeyType;

    int GetSize() const { return m_array.GetSize(); }
    T& ElementAt(int i) { return m_array.ElementAt(i); }
    const T& ElementAt(int i) const { return m_array.ElementAt(i); }
    T& operator[](int i) { return m_array.ElementAt(i); }
    const T& operator[](int i) const { return m_array.ElementAt(i); }
    void RemoveAt(int i, int count = 1) { m_array.RemoveAt(i, count); }
    void RemoveAll() { m_array.RemoveAll(); }

    // Index of an element whose key equals the element's key, or -1.
    int Find(const T& element) const { return FindByKey(KeyOf::Get(element)); }

    int FindByKey(const KeyType& key) const
    {
        int end = 0;
        return Search(key, &end);
    }

    // Inserts at the key's place: before an element with an equal key met by the search,
    // else where the search ends. Returns the index, or -1 when the array cannot grow.
    int InsertSorted(const T& element)
    {
        int end = 0;
        int index = Search(KeyOf::Get(element), &end);
        if (index < 0)
            index = end;
        return m_array.InsertAt(index, element) == VORTAN_OK ? index : -1;
    }

    // Removes one element with the element's key: 1, or 0 when there is none.
    int Remove(const T& element)
    {
        int i = Find(element);
        if (i < 0)
            return 0;
        m_array.RemoveAt(i);
        return 1;
    }

    CVortanArray<T>& GetArray() { return m_array; }
    const CVortanArray<T>& GetArray() const { return m_array; }

private:
    // Binary search: the index of an element with an equal key, or -1 with *end set to where
    // the search ended (the key's place in the order).
    int Search(const KeyType& key, int* end) const
    {
        int lo = 0;
        int hi = m_array.GetSize() - 1;
        while (lo <= hi) {
            int mid = lo + (hi - lo) / 2;
            int c = VortanKeyCompare(key, KeyOf::Get(m_array.ElementAt(mid)));
            if (c < 0)
                hi = mid - 1;
            else if (c > 0)
                lo = mid + 1;
            else
                return mid;
        }
        *end = lo;
        return -1;
    }

    CVortanArray<T> m_array;
};
