#include "foundation/dates/LDateTime.h"

#include "foundation/text/LPrintf.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

int YearsSince1900(int year)
{
    if (year < 70)
        return year + 100; // 2000 + year
    if (year < 1900)
        return year;
    return year - 1900;
}

// mktime on local calendar parts; tm_year already counted from 1900.
bool MakeLocal(LDateTime* out, int64_t yearsSince1900, int month0, int day, int hour, int minute, int second)
{
    if (yearsSince1900 < INT_MIN || yearsSince1900 > INT_MAX)
        return false;
    tm parts{};
    parts.tm_year = int(yearsSince1900);
    parts.tm_mon = month0;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1; // the platform decides whether summer time applies
    // mktime's -1 is also a valid time (one second before 1970 UTC); tell the
    // two apart by whether mktime normalised the parts.
    parts.tm_wday = -1;
    time_t value = mktime(&parts);
    if (value == time_t(-1) && parts.tm_wday == -1)
        return false;
    *out = LDateTime(int64_t(value));
    return true;
}

bool LocalParts(LDateTime t, tm* parts)
{
    time_t value = time_t(t.seconds);
    return localtime_r(&value, parts) != nullptr;
}

} // namespace

int LDaysInMonth(int year, int month)
{
    switch (month) {
    case 1:
    case 3:
    case 5:
    case 7:
    case 8:
    case 10:
    case 12:
        return 31;
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    case 2:
        if (year % 400 == 0)
            return 29;
        if (year % 100 == 0 || year % 4 != 0)
            return 28;
        return 29;
    default:
        return 0;
    }
}

bool LMakeTime(LDateTime* out, int year, int month, int day, int hour, int minute, int second)
{
    return MakeLocal(out, YearsSince1900(year), month - 1, day, hour, minute, second);
}

void LDateTimeToText(LDateTime t, char* dateDest, char* timeDest)
{
    tm parts{};
    if (!t.IsSet() || !LocalParts(t, &parts)) {
        if (dateDest)
            dateDest[0] = '\0';
        if (timeDest)
            timeDest[0] = '\0';
        return;
    }
    if (dateDest)
        LSprintf(dateDest, "%.4d-%.2d-%.2d", parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday);
    if (timeDest)
        LSprintf(timeDest, "%.2d:%.2d:%.2d", parts.tm_hour, parts.tm_min, parts.tm_sec);
}

bool LDateTimeFromText(LDateTime* out, const char* dateText, const char* timeText)
{
    if (!dateText || dateText[0] == '\0') {
        *out = LDateTime();
        return true;
    }
    int year = 0, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;
    // A text without even a year is not a date: keeping the old value beats
    // inventing January 1st, 2000.
    if (sscanf(dateText, "%d-%d-%d", &year, &month, &day) < 1)
        return false;
    if (timeText)
        sscanf(timeText, "%d:%d:%d", &hour, &minute, &second);
    return LMakeTime(out, year, month, day, hour, minute, second);
}

void LTimeToFileText(LDateTime t, char* dest)
{
    tm parts{};
    if (!t.IsSet() || !LocalParts(t, &parts)) {
        dest[0] = '\0';
        return;
    }
    LSprintf(dest, "%.2d-%.2d-%.2d", parts.tm_hour, parts.tm_min, parts.tm_sec);
}

LDateTime LDateTime::AddMonths(LDateTime t, int months)
{
    tm parts{};
    if (!t.IsSet() || !LocalParts(t, &parts))
        return LDateTime();
    // Floor division, so that going back across a year boundary lands in
    // December of the year before, not in month 0.
    const int64_t index = int64_t(parts.tm_mon) + months;
    int64_t carry = index / 12;
    int64_t month0 = index % 12;
    if (month0 < 0) {
        month0 += 12;
        --carry;
    }
    const int64_t year = int64_t(parts.tm_year) + 1900 + carry;
    const int lastDay = LDaysInMonth(int(year % 400), int(month0) + 1);
    const int day = parts.tm_mday < lastDay ? parts.tm_mday : lastDay;
    // Built from the full year directly: the two-digit-year rule is for texts
    // and would turn a year before 1900 into one after 2000.
    LDateTime result;
    if (!MakeLocal(&result, year - 1900, int(month0), day, parts.tm_hour, parts.tm_min, parts.tm_sec))
        return LDateTime();
    return result;
}

LDateTime LBuildDateFromText(const char* compilerDate)
{
    static const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char name[4] = {};
    int day = 0, year = 0;
    if (!compilerDate || sscanf(compilerDate, "%3s %d %d", name, &day, &year) != 3)
        return LDateTime();
    int month = 0;
    for (int i = 0; i < 12; ++i)
        if (strcmp(name, kMonths[i]) == 0)
            month = i + 1;
    LDateTime result;
    LMakeTime(&result, year, month, day, 0, 0, 0);
    return result;
}

LDateTime LGetBuildDate()
{
    return LBuildDateFromText(__DATE__);
}
