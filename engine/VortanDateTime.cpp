#include "engine/VortanDateTime.h"

#include <stdio.h>
#include <time.h>

#include <new>

#include "engine/VortanString.h"

namespace {

const int kMonthLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
// Days in 400 Gregorian years: the calendar repeats after them.
const i64 kDaysPer400Years = 146097;

bool IsLeapYear(i64 year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

// Floor division and the matching non-negative remainder.
i64 FloorDiv(i64 a, i64 b)
{
    i64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

i64 FloorMod(i64 a, i64 b)
{
    return a - FloorDiv(a, b) * b;
}

} // namespace

CVortanDateTime::CVortanDateTime()
    : m_year(0), m_month(0), m_day(0), m_hour(0), m_minute(0), m_second(0)
{}

CVortanDateTime::CVortanDateTime(const CVortanDateTime& other)
{
    Copy(other);
}

CVortanDateTime::~CVortanDateTime() {}

CVortanDateTime* CVortanDateTime::Create()
{
    return new (std::nothrow) CVortanDateTime();
}

void CVortanDateTime::Copy(const CVortanDateTime& other)
{
    m_year = other.m_year;
    m_month = other.m_month;
    m_day = other.m_day;
    m_hour = other.m_hour;
    m_minute = other.m_minute;
    m_second = other.m_second;
}

CVortanDateTime& CVortanDateTime::operator=(const CVortanDateTime& other)
{
    Copy(other);
    return *this;
}

void CVortanDateTime::SetNow()
{
    time_t now = time(nullptr);
    struct tm local;
    if (!localtime_r(&now, &local))
        return;
    // A leap second (60) is carried like any other overflow.
    Set(local.tm_year + 1900, local.tm_mon, local.tm_mday, local.tm_hour, local.tm_min,
        local.tm_sec);
}

i64 CVortanDateTime::GetSystemTime()
{
    return (i64)time(nullptr);
}

int CVortanDateTime::GetMonthLength(int month, int year)
{
    int m = (int)FloorMod(month, 12);
    if (m == 1 && IsLeapYear(year))
        return 29;
    return kMonthLengths[m];
}

void CVortanDateTime::AddYears(i64 years)
{
    // Saturates instead of overflowing for absurd inputs.
    i64 y = (i64)m_year + years;
    if (y > INT32_MAX)
        y = INT32_MAX;
    if (y < INT32_MIN)
        y = INT32_MIN;
    m_year = (i32)y;
}

void CVortanDateTime::NormaliseMonth(i64 month)
{
    AddYears(FloorDiv(month, 12));
    m_month = (i32)FloorMod(month, 12);
}

void CVortanDateTime::NormaliseDay(i64 day)
{
    // Whole 400-year cycles first: the same result as the month-by-month walk, without
    // walking millions of months for a large carry.
    if (day > kDaysPer400Years) {
        i64 cycles = (day - 1) / kDaysPer400Years;
        day -= cycles * kDaysPer400Years;
        AddYears(cycles * 400);
    } else if (day < -kDaysPer400Years) {
        i64 cycles = (-day - 1) / kDaysPer400Years;
        day += cycles * kDaysPer400Years;
        AddYears(-cycles * 400);
    }
    while (day > GetMonthLength(m_month, m_year)) {
        day -= GetMonthLength(m_month, m_year);
        NormaliseMonth((i64)m_month + 1);
    }
    while (day < 0) {
        NormaliseMonth((i64)m_month - 1);
        day += GetMonthLength(m_month, m_year);
    }
    m_day = (i32)day;
}

void CVortanDateTime::NormaliseHour(i64 hour)
{
    i64 days = FloorDiv(hour, 24);
    m_hour = (i32)FloorMod(hour, 24);
    if (days != 0)
        NormaliseDay((i64)m_day + days);
}

void CVortanDateTime::NormaliseMinute(i64 minute)
{
    i64 hours = FloorDiv(minute, 60);
    m_minute = (i32)FloorMod(minute, 60);
    if (hours != 0)
        NormaliseHour((i64)m_hour + hours);
}

void CVortanDateTime::NormaliseSecond(i64 second)
{
    i64 minutes = FloorDiv(second, 60);
    m_second = (i32)FloorMod(second, 60);
    if (minutes != 0)
        NormaliseMinute((i64)m_minute + minutes);
}

void CVortanDateTime::SetYear(int year)
{
    m_year = year;
}

void CVortanDateTime::SetMonth(int month)
{
    NormaliseMonth(month);
}

void CVortanDateTime::SetDay(int day)
{
    NormaliseDay(day);
}

void CVortanDateTime::SetHour(int hour)
{
    NormaliseHour(hour);
}

void CVortanDateTime::SetMinute(int minute)
{
    NormaliseMinute(minute);
}

void CVortanDateTime::SetSecond(int second)
{
    NormaliseSecond(second);
}

void CVortanDateTime::Set(int year, int month, int day, int hour, int minute, int second)
{
    // From the largest field down, so that each carry lands in a field that is already set
    // and each day is checked against the month it belongs to.
    SetYear(year);
    NormaliseMonth(month);
    NormaliseDay(day);
    NormaliseHour(hour);
    NormaliseMinute(minute);
    NormaliseSecond(second);
}

void CVortanDateTime::Subtract(const CVortanDateTime& other)
{
    NormaliseSecond((i64)m_second - other.m_second);
    NormaliseMinute((i64)m_minute - other.m_minute);
    NormaliseHour((i64)m_hour - other.m_hour);
    NormaliseDay((i64)m_day - other.m_day);
    NormaliseMonth((i64)m_month - other.m_month);
    AddYears(-(i64)other.m_year);
}

void CVortanDateTime::Difference(const CVortanDateTime& a, const CVortanDateTime& b)
{
    Copy(a);
    Subtract(b);
}

void CVortanDateTime::Format(CVortanString& out) const
{
    char text[96];
    snprintf(text, sizeof(text), "%04d-%02d-%02d, %02d:%02d:%02d", m_year, m_month + 1, m_day,
             m_hour, m_minute, m_second);
    out = text;
}
