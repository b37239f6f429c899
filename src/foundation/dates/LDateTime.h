#pragma once
// Dates as the program stores and shows them: year-month-day and
// hour:minute:second texts in local time, times inside file names, calendar
// arithmetic, and the day the program was built. A date is a count of seconds
// (a time_t); 0 means no date.
//
// Years given as numbers follow one rule everywhere: below 70 means 2000 +
// year, 70 to 1899 counts from 1900 (99 is 1999), 1900 and above is the year.

#include <compare>
#include <cstdint>

struct LDateTime
{
    int64_t seconds = 0;

    constexpr LDateTime() = default;
    constexpr explicit LDateTime(int64_t value) : seconds(value) {}

    constexpr bool IsSet() const { return seconds != 0; }
    friend constexpr bool operator==(LDateTime a, LDateTime b) { return a.seconds == b.seconds; }
    friend constexpr auto operator<=>(LDateTime a, LDateTime b) { return a.seconds <=> b.seconds; }

    // The same local time of day that many calendar months later (earlier when
    // negative); the day is clamped to the length of the target month. No date
    // stays no date; a target the calendar cannot represent gives no date.
    static LDateTime AddMonths(LDateTime t, int months);
};

// Local date "YYYY-MM-DD" and time "HH:MM:SS" into 260-byte buffers (either
// may be null); both empty for no date.
void LDateTimeToText(LDateTime t, char* dateDest, char* timeDest);

// Reads "Y-M-D" and "H:M:S" (parts that are missing keep January 1st,
// 00:00:00). An empty or null date text stores no date. Returns false, and
// leaves *out as it was, when the date text holds no number at all or the
// calendar cannot represent the result.
bool LDateTimeFromText(LDateTime* out, const char* dateText, const char* timeText);

// The local time "HH-MM-SS" for use in file names into a 260-byte buffer;
// empty for no date.
void LTimeToFileText(LDateTime t, char* dest);

// Days of a month (1-12) of a year; 0 for other month numbers.
int LDaysInMonth(int year, int month);

// Local time from calendar parts (month 1-12) under the year rule; values out
// of range carry over as mktime does. False, and *out unchanged, when the
// result cannot be represented.
bool LMakeTime(LDateTime* out, int year, int month, int day, int hour, int minute, int second);

// Local midnight of the day the program was built.
LDateTime LGetBuildDate();
// The same for a compiler date text "Mmm dd yyyy"; an unknown month name
// counts as month 0, which is December of the year before.
LDateTime LBuildDateFromText(const char* compilerDate);
