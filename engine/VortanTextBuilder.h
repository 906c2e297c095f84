// CVortanTextBuilder: growable UTF-16 output for the string formatter and its conversions.
#pragma once
#include "engine/VortanTypes.h"

class CVortanTextBuilder {
public:
    // Units held in the builder itself before the first heap buffer.
    enum { LOCAL_UNITS = 512 };

    // growBy > 0: each time the output is full the room grows by that many units (copying);
    // growBy 0: the room doubles instead.
    explicit CVortanTextBuilder(int growBy);
    ~CVortanTextBuilder();
    CVortanTextBuilder(const CVortanTextBuilder&) = delete;
    CVortanTextBuilder& operator=(const CVortanTextBuilder&) = delete;

    void Put(unsigned short unit);
    void Put(const unsigned short* units, int count);
    void PutRepeated(unsigned short unit, int count);

    // The units so far (not terminated), their count and the room they have.
    const unsigned short* Data() const { return m_data; }
    int Length() const { return m_length; }
    int Capacity() const { return m_capacity; }
    // A growth failed: what was put after it is lost and the output is not to be used.
    bool Failed() const { return m_failed; }

private:
    bool Grow(int more);

    unsigned short m_local[LOCAL_UNITS];
    unsigned short* m_data;
    int m_length;
    int m_capacity;
    int m_growBy;
    bool m_failed;
};
