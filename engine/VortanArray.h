// CVortanArray: the engine's growable array of values or records.
//
// Every element of the buffer is constructed when the buffer is allocated (all
// capacity of them, value-initialised: plain elements start as zeros) and destroyed
// only when the buffer is freed. Shrinking the size keeps the elements beyond it as
// they are; growing the size again within the capacity shows them unchanged.
// When full, the array grows by its growth step, or by size / 8 clamped to 4..1024
// when no step is set; the first allocation is exact.
#pragma once
#include <limits.h>

#include <functional>
#include <new>
#include <type_traits>
#include <utility>

#include "engine/VortanTypes.h"

template <class T>
class CVortanArray {
public:
    CVortanArray() : m_data(nullptr), m_size(0), m_capacity(0), m_growBy(0) {}
    ~CVortanArray() { Free(); }

    // Arrays own their buffer: they move, but are never copied behind the caller's back.
    CVortanArray(const CVortanArray&) = delete;
    CVortanArray& operator=(const CVortanArray&) = delete;
    CVortanArray(CVortanArray&& other) noexcept
        : m_data(other.m_data), m_size(other.m_size), m_capacity(other.m_capacity),
          m_growBy(other.m_growBy)
    {
        other.m_data = nullptr;
        other.m_size = other.m_capacity = other.m_growBy = 0;
    }
    CVortanArray& operator=(CVortanArray&& other) noexcept
    {
        if (this != &other) {
            Free();
            m_data = other.m_data;
            m_size = other.m_size;
            m_capacity = other.m_capacity;
            m_growBy = other.m_growBy;
            other.m_data = nullptr;
            other.m_size = other.m_capacity = other.m_growBy = 0;
        }
        return *this;
    }

    // Sets the number of elements in use; growBy other than -1 becomes the growth step
    // (0 = automatic). Returns VORTAN_OK, VORTAN_E_ARGUMENT for a negative size, VORTAN_E_NOMEMORY
    // when the buffer cannot be allocated (the array is then unchanged).
    int SetSize(int n, int growBy = -1)
    {
        if (growBy != -1)
            m_growBy = growBy < 0 ? 0 : growBy;
        if (n < 0)
            return VORTAN_E_ARGUMENT;
        if (n == 0) {
            Free();
            return VORTAN_OK;
        }
        if (!m_data) {
            T* data = new (std::nothrow) T[n]();
            if (!data)
                return VORTAN_E_NOMEMORY;
            m_data = data;
            m_size = m_capacity = n;
            return VORTAN_OK;
        }
        if (n <= m_capacity) {
            m_size = n;
            return VORTAN_OK;
        }
        i64 step = m_growBy;
        if (step == 0) {
            step = m_size / 8;
            if (step < 4)
                step = 4;
            if (step > 1024)
                step = 1024;
        }
        i64 wanted = (i64)m_capacity + step;
        if (wanted < n)
            wanted = n;
        if (wanted > 0x7fffffff)
            wanted = 0x7fffffff;
        int capacity = (int)wanted;
        T* data = new (std::nothrow) T[capacity]();
        if (!data)
            return VORTAN_E_NOMEMORY;
        for (int i = 0; i < m_size; ++i)
            data[i] = std::move(m_data[i]);
        delete[] m_data;
        m_data = data;
        m_capacity = capacity;
        m_size = n;
        return VORTAN_OK;
    }

    int GetSize() const { return m_size; }
    int GetCapacity() const { return m_capacity; }
    int GetGrowBy() const { return m_growBy; }
    T* GetData() { return m_data; }
    const T* GetData() const { return m_data; }

    // Element i; the caller keeps 0 <= i < size.
    T& ElementAt(int i) { return m_data[i]; }
    const T& ElementAt(int i) const { return m_data[i]; }
    T& operator[](int i) { return m_data[i]; }
    const T& operator[](int i) const { return m_data[i]; }

    // Stores the element at i, growing the size to i + 1 first when needed.
    // Returns VORTAN_OK, VORTAN_E_ARGUMENT for a negative index or one no size can reach (the
    // largest int), VORTAN_E_NOMEMORY when growing fails.
    int SetAtGrow(int i, const T& element)
    {
        if (i < 0 || (i >= m_size && i == INT_MAX))
            return VORTAN_E_ARGUMENT;
        if (i >= m_size) {
            if (Holds(element)) {
                T copy(element);
                return SetAtGrow(i, copy);
            }
            int rc = SetSize(i + 1);
            if (rc != VORTAN_OK)
                return rc;
        }
        m_data[i] = element;
        return VORTAN_OK;
    }

    // Inserts the element at i, moving the elements from i up by one; an index at or
    // past the size grows the array to i + 1 (the elements between keep their values).
    // Returns VORTAN_OK, VORTAN_E_ARGUMENT for a negative index or when the size would pass the
    // largest int, VORTAN_E_NOMEMORY when growing fails.
    int InsertAt(int i, const T& element)
    {
        if (i < 0 || i == INT_MAX || m_size == INT_MAX)
            return VORTAN_E_ARGUMENT;
        if (Holds(element)) {
            T copy(element);
            return InsertAt(i, copy);
        }
        if (i < m_size) {
            int rc = SetSize(m_size + 1);
            if (rc != VORTAN_OK)
                return rc;
            for (int j = m_size - 1; j > i; --j)
                m_data[j] = std::move(m_data[j - 1]);
            m_data[i] = element;
            return VORTAN_OK;
        }
        int rc = SetSize(i + 1);
        if (rc != VORTAN_OK)
            return rc;
        m_data[i] = element;
        return VORTAN_OK;
    }

    // Removes count elements from i, moving the rest down. The count is clamped to the
    // elements there are; an index outside the array removes nothing. The slot freed at
    // the top keeps the value it held.
    void RemoveAt(int i, int count = 1)
    {
        if (count < 1 || i < 0 || i >= m_size)
            return;
        if (count > m_size - i)
            count = m_size - i;
        while (count-- > 0) {
            --m_size;
            if (m_size > i) {
                int j = i;
                for (; j < m_size - 1; ++j)
                    m_data[j] = std::move(m_data[j + 1]);
                if constexpr (std::is_copy_assignable<T>::value)
                    m_data[j] = m_data[j + 1];
                else
                    m_data[j] = std::move(m_data[j + 1]);
            }
        }
    }

    void RemoveAll() { SetSize(0); }

private:
    bool Holds(const T& element) const
    {
        std::less<const T*> before;
        return m_data && !before(&element, m_data) && before(&element, m_data + m_capacity);
    }
    void Free()
    {
        delete[] m_data;
        m_data = nullptr;
        m_size = 0;
        m_capacity = 0;
    }

    T* m_data;
    i32 m_size;
    i32 m_capacity;
    i32 m_growBy;
};
