// CVortanTextBuilder: growable UTF-16 output for the string formatter and its conversions.
#include "engine/VortanTextBuilder.h"

#include <string.h>

#include <new>

namespace {

// Largest room in units (the count stays an int with space to spare).
const long long kMaxUnits = 0x7FFFFFF0LL;

} // namespace

CVortanTextBuilder::CVortanTextBuilder(int growBy)
    : m_data(m_local), m_length(0), m_capacity(LOCAL_UNITS), m_growBy(growBy > 0 ? growBy : 0),
      m_failed(false)
{}

CVortanTextBuilder::~CVortanTextBuilder()
{
    if (m_data != m_local)
        delete[] m_data;
}

void CVortanTextBuilder::Put(unsigned short unit)
{
    if (m_length == m_capacity && !Grow(1))
        return;
    m_data[m_length++] = unit;
}

void CVortanTextBuilder::Put(const unsigned short* units, int count)
{
    if (count <= 0)
        return;
    if (m_capacity - m_length < count && !Grow(count))
        return;
    memcpy(m_data + m_length, units, (size_t)count * sizeof(unsigned short));
    m_length += count;
}

void CVortanTextBuilder::PutRepeated(unsigned short unit, int count)
{
    for (int i = 0; i < count; i++)
        Put(unit);
}

bool CVortanTextBuilder::Grow(int more)
{
    if (m_failed)
        return false;
    long long need = (long long)m_length + more;
    long long cap = m_capacity;
    // Several growths in one: the room a unit-by-unit fill would reach, copied once.
    while (cap < need)
        cap = m_growBy > 0 ? cap + m_growBy : cap * 2;
    if (cap > kMaxUnits) {
        m_failed = true;
        return false;
    }
    unsigned short* b = new (std::nothrow) unsigned short[(size_t)cap];
    if (!b) {
        m_failed = true;
        return false;
    }
    memcpy(b, m_data, (size_t)m_length * sizeof(unsigned short));
    if (m_data != m_local)
        delete[] m_data;
    m_data = b;
    m_capacity = (int)cap;
    return true;
}
