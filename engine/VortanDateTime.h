// CVortanDateTime: a calendar date and time of day in six integer fields, kept normalised.
//
// year (full, e.g. 2010), month 0-11 (January = 0), day 1..month length, hour 0-23,
// minute 0-59, second 0-59. Every setter carries overflow and underflow into the next larger
// field with the Gregorian month lengths. A day of 0 is kept as it is; it stands for the last
// day of the month before (so one day before day 1 is day 0, and one before that is the
// previous month's last day but one).
#pragma once
#include "engine/VortanTypes.h"

class CVortanString;

class CVortanDateTime {
public:
    CVortanDateTime();
    CVortanDateTime(const CVortanDateTime& other);
    virtual ~CVortanDateTime();

    static CVortanDateTime* Create();

    void Copy(const CVortanDateTime& other);
    CVortanDateTime& operator=(const CVortanDateTime& other);

    // The current local time.
    void SetNow();
    // Seconds since the epoch.
    static i64 GetSystemTime();
    // Days of a month (0-11) in a year of the Gregorian calendar.
    static int GetMonthLength(int month, int year);

    void SetYear(int year);
    void SetMonth(int month);
    void SetDay(int day);
    void SetHour(int hour);
    void SetMinute(int minute);
    void SetSecond(int second);
    // Sets every field, from the year down to the second, each with its carries into the
    // fields already set.
    void Set(int year, int month, int day, int hour, int minute, int second);
    // Field by field from the second up, each difference carried into the larger fields.
    void Subtract(const CVortanDateTime& other);
    // this = a, then Subtract (b).
    void Difference(const CVortanDateTime& a, const CVortanDateTime& b);
    // "YYYY-MM-DD, hh:mm:ss" with the calendar month (January is 01).
    void Format(CVortanString& out) const;

    int GetYear() const { return m_year; }
    int GetMonth() const { return m_month; }
    int GetDay() const { return m_day; }
    int GetHour() const { return m_hour; }
    int GetMinute() const { return m_minute; }
    int GetSecond() const { return m_second; }

private:
    void AddYears(i64 years);
    void NormaliseMonth(i64 month);
    void NormaliseDay(i64 day);
    void NormaliseHour(i64 hour);
    void NormaliseMinute(i64 minute);
    void NormaliseSecond(i64 second);

    i32 m_year;
    i32 m_month;
    i32 m_day;
    i32 m_hour;
    i32 m_minute;
    i32 m_second;
};
