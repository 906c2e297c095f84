// Keys of the sorted containers (CVortanSortedArray, CVortanSortedSet, CVortanMap).
//
// An element's key is the element itself for plain values, the address as a uintptr_t
// for pointers, and the member `key` for records that have one (the map's records, for
// example). A record with another layout specialises CVortanKeyOf. Keys are compared
// with VortanKeyCompare (-1, 0, 1):
//   i32 signed, u32 and pointers unsigned, CVortanKey64 as a signed 64-bit number,
//   CHashString by hash first and then by text (engine/HashString.h).
#pragma once
#include <type_traits>
#include <utility>

#include "engine/HashString.h"
#include "engine/VortanTypes.h"

// A 64-bit key stored as two words, low word first; ordered as a signed 64-bit number
// (the high word signed, then the low word unsigned).
struct CVortanKey64 {
    u32 low;
    i32 high;

    CVortanKey64() = default;
    CVortanKey64(i64 value) : low((u32)(u64)value), high((i32)(u32)((u64)value >> 32)) {}
    i64 Get() const { return (i64)(((u64)(u32)high << 32) | low); }
    bool operator==(const CVortanKey64& o) const { return low == o.low && high == o.high; }
    bool operator!=(const CVortanKey64& o) const { return !(*this == o); }
};

inline int VortanKeyCompare(const CVortanKey64& a, const CVortanKey64& b)
{
    if (a.high != b.high)
        return a.high < b.high ? -1 : 1;
    if (a.low != b.low)
        return a.low < b.low ? -1 : 1;
    return 0;
}

// Integers (signed ones in signed order, unsigned ones in unsigned order) and enums.
template <class K>
inline typename std::enable_if<std::is_arithmetic<K>::value || std::is_enum<K>::value, int>::type
VortanKeyCompare(K a, K b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

// The element is its own key.
template <class T, class = void>
struct CVortanKeyOf {
    typedef T KeyType;
    static const T& Get(const T& element) { return element; }
};

// Pointers are keyed by their full address.
template <class T>
struct CVortanKeyOf<T*, void> {
    typedef uintptr_t KeyType;
    static uintptr_t Get(T* element) { return reinterpret_cast<uintptr_t>(element); }
};

// Records are keyed by their member `key`.
template <class T>
struct CVortanKeyOf<T, std::void_t<decltype(std::declval<const T&>().key)>> {
    typedef typename std::remove_cv<decltype(T::key)>::type KeyType;
    static const KeyType& Get(const T& element) { return element.key; }
};
