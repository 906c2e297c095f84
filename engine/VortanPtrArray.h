// CVortanPtrArray: a growable array of untyped pointers. It owns its slot buffer only;
// the objects pointed to belong to the caller. When full it grows by exactly 5 slots.
#pragma once
#include "engine/VortanTypes.h"

class CVortanPtrArray {
public:
    CVortanPtrArray();
    ~CVortanPtrArray();
    CVortanPtrArray(const CVortanPtrArray&) = delete;
    CVortanPtrArray& operator=(const CVortanPtrArray&) = delete;
    CVortanPtrArray(CVortanPtrArray&& other) noexcept;
    CVortanPtrArray& operator=(CVortanPtrArray&& other) noexcept;

    // A new, empty pointer array on the heap.
    static CVortanPtrArray* Create();

    // Frees the slot buffer; the array is empty again.
    void Init();

    // Appends the pointer. Returns VORTAN_OK, or VORTAN_E_NOMEMORY when the buffer cannot grow.
    int Add(void* pointer);
    // Inserts the pointer at i (i = count appends). Returns VORTAN_OK, VORTAN_E_ARGUMENT when i is
    // outside 0..count, VORTAN_E_NOMEMORY when the buffer cannot grow.
    int InsertAt(int i, void* pointer);
    // Removes the pointer at i, moving the rest down; an index outside the array is ignored.
    void RemoveAt(int i);
    // Frees the slot buffer (not the objects).
    void RemoveAll();
    // Adds 5 free slots. Returns VORTAN_OK, or VORTAN_E_NOMEMORY when the buffer cannot be
    // allocated.
    int Grow();

    int GetCount() const { return m_count; }
    int GetSize() const { return m_count; }
    int GetFreeSlots() const { return m_free; }
    void** GetData() const { return m_data; }
    // Pointer i; null for an index outside the array.
    void* GetAt(int i) const { return (i >= 0 && i < m_count) ? m_data[i] : nullptr; }
    // The index of the first slot holding the pointer, or -1.
    int IndexOf(const void* pointer) const;
    // Slot i; the caller keeps 0 <= i < count.
    void*& ElementAt(int i) { return m_data[i]; }
    void* operator[](int i) const { return GetAt(i); }

private:
    i32 m_count;
    i32 m_free;
    void** m_data;
};
