// CVortanPtrArray.
#include "engine/VortanPtrArray.h"

#include <new>
#include <string.h>

CVortanPtrArray::CVortanPtrArray() : m_count(0), m_free(0), m_data(nullptr) {}

CVortanPtrArray::~CVortanPtrArray()
{
    RemoveAll();
}

CVortanPtrArray::CVortanPtrArray(CVortanPtrArray&& other) noexcept
    : m_count(other.m_count), m_free(other.m_free), m_data(other.m_data)
{
    other.m_count = 0;
    other.m_free = 0;
    other.m_data = nullptr;
}

CVortanPtrArray& CVortanPtrArray::operator=(CVortanPtrArray&& other) noexcept
{
    if (this != &other) {
        RemoveAll();
        m_count = other.m_count;
        m_free = other.m_free;
        m_data = other.m_data;
        other.m_count = 0;
        other.m_free = 0;
        other.m_data = nullptr;
    }
    return *this;
}

CVortanPtrArray* CVortanPtrArray::Create()
{
    return new (std::nothrow) CVortanPtrArray();
}

void CVortanPtrArray::Init()
{
    RemoveAll();
}

int CVortanPtrArray::Grow()
{
    if (m_count > 0x7fffffff - 5)
        return VORTAN_E_NOMEMORY;
    void** data = new (std::nothrow) void*[m_count + 5];
    if (!data)
        return VORTAN_E_NOMEMORY;
    if (m_data) {
        if (m_count > 0)
            memcpy(data, m_data, sizeof(void*) * (size_t)m_count);
        delete[] m_data;
    }
    m_data = data;
    m_free = 5;
    return VORTAN_OK;
}

int CVortanPtrArray::Add(void* pointer)
{
    if (m_free <= 0) {
        int rc = Grow();
        if (rc != VORTAN_OK)
            return rc;
    }
    m_data[m_count++] = pointer;
    --m_free;
    return VORTAN_OK;
}

int CVortanPtrArray::InsertAt(int i, void* pointer)
{
    if (i == m_count)
        return Add(pointer);
    if (i < 0 || i > m_count)
        return VORTAN_E_ARGUMENT;
    if (m_free <= 0) {
        int rc = Grow();
        if (rc != VORTAN_OK)
            return rc;
    }
    memmove(m_data + i + 1, m_data + i, sizeof(void*) * (size_t)(m_count - i));
    m_data[i] = pointer;
    ++m_count;
    --m_free;
    return VORTAN_OK;
}

void CVortanPtrArray::RemoveAt(int i)
{
    if (i < 0 || i >= m_count)
        return;
    memmove(m_data + i, m_data + i + 1, sizeof(void*) * (size_t)(m_count - i - 1));
    --m_count;
    ++m_free;
}

int CVortanPtrArray::IndexOf(const void* pointer) const
{
    for (int i = 0; i < m_count; ++i) {
        if (m_data[i] == pointer)
            return i;
    }
    return -1;
}

void CVortanPtrArray::RemoveAll()
{
    delete[] m_data;
    m_data = nullptr;
    m_count = 0;
    m_free = 0;
}
