#pragma once

#include <cstdint>

// Dates are day counts since 30 December 1899 (1 January 2014 is 41640); the forecast record
// holds whole days only, and 0.0 means "no date".
using TDateTime = double;

// The whole-day date of a calendar day. Throws EConvertError for a combination that is not a
// calendar day (month outside 1-12, day outside the month).
TDateTime EncodeDate(int year, int month, int day);

// Calendar date of a day count (the time of day is ignored).
struct CalendarDate {
    int Year;
    int Month; // 1-12
    int Day;   // 1-31
};
CalendarDate DecodeDate(TDateTime date);

// 0 = Sunday ... 6 = Saturday.
int DayOfWeek(TDateTime date);

// The date truncated to whole days.
TDateTime DateOf(TDateTime date);

// Today's whole-day date on the local clock (platform::LocalNow).
TDateTime Today();
