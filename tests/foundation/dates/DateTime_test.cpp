#include "foundation/dates/LDateTime.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

// Runs a test in a fixed time zone (with summer time), restoring the
// process's zone afterwards.
class DateTimeTest : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override
    {
        const char* old = getenv("TZ");
        hadTz_ = old != nullptr;
        if (old)
            oldTz_ = old;
        setenv("TZ", GetParam(), 1);
        tzset();
    }
    void TearDown() override
    {
        if (hadTz_)
            setenv("TZ", oldTz_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

    static std::string Text(LDateTime t)
    {
        char date[260], time[260];
        LDateTimeToText(t, date, time);
        return std::string(date) + " " + time;
    }
    static LDateTime Make(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
    {
        LDateTime t;
        EXPECT_TRUE(LMakeTime(&t, year, month, day, hour, minute, second));
        return t;
    }

private:
    bool hadTz_ = false;
    std::string oldTz_;
};

TEST_P(DateTimeTest, NoDateGivesEmptyTexts)
{
    char date[260] = "x", time[260] = "y", file[260] = "z";
    LDateTimeToText(LDateTime(), date, time);
    LTimeToFileText(LDateTime(), file);
    EXPECT_STREQ(date, "");
    EXPECT_STREQ(time, "");
    EXPECT_STREQ(file, "");
}

TEST_P(DateTimeTest, TextsReadBackUnderTheYearRule)
{
    struct Case
    {
        const char* date;
        const char* time;
        const char* expected;
    };
    const Case cases[] = {
        {"2019-1-5", "", "2019-01-05 00:00:00"},
        {"2019-1-5", nullptr, "2019-01-05 00:00:00"},
        {"19-12-31", "", "2019-12-31 00:00:00"},
        {"85-6-1", "", "1985-06-01 00:00:00"},
        {"0-1-1", "", "2000-01-01 00:00:00"},
        {"69-1-1", "", "2069-01-01 00:00:00"},
        {"70-6-1", "", "1970-06-01 00:00:00"},
        {"99-2-3", "10:20:30", "1999-02-03 10:20:30"},
        {"150-1-1", "", "2050-01-01 00:00:00"},
        {"1900-3-1", "", "1900-03-01 00:00:00"},
        {"2019", "", "2019-01-01 00:00:00"},
        {"2019-7", "12", "2019-07-01 12:00:00"},
        // Summer time is the platform's call: noon stays noon in July.
        {"2021-07-01", "12:00:00", "2021-07-01 12:00:00"},
        {"2021-01-01", "23:59:59", "2021-01-01 23:59:59"},
    };
    for (const Case& c : cases) {
        LDateTime t(12345);
        EXPECT_TRUE(LDateTimeFromText(&t, c.date, c.time)) << c.date;
        EXPECT_EQ(Text(t), c.expected) << c.date << " " << (c.time ? c.time : "(null)");
    }
}

TEST_P(DateTimeTest, EmptyDateClearsAndGarbageKeepsTheOldValue)
{
    LDateTime t(12345);
    EXPECT_TRUE(LDateTimeFromText(&t, "", "10:00:00"));
    EXPECT_EQ(t, LDateTime());
    t = LDateTime(12345);
    EXPECT_TRUE(LDateTimeFromText(&t, nullptr, nullptr));
    EXPECT_EQ(t, LDateTime());
    t = LDateTime(12345);
    EXPECT_FALSE(LDateTimeFromText(&t, "not a date", ""));
    EXPECT_EQ(t, LDateTime(12345));
    EXPECT_FALSE(LDateTimeFromText(&t, "2147483647-2147483647-1", ""));
    EXPECT_EQ(t, LDateTime(12345));
}

TEST_P(DateTimeTest, TextsOfATime)
{
    LDateTime t = Make(2023, 8, 9, 7, 5, 3);
    char date[260], time[260], file[260];
    LDateTimeToText(t, date, time);
    LTimeToFileText(t, file);
    EXPECT_STREQ(date, "2023-08-09");
    EXPECT_STREQ(time, "07:05:03");
    EXPECT_STREQ(file, "07-05-03");
    LDateTimeToText(t, nullptr, time); // one text only
    EXPECT_STREQ(time, "07:05:03");
}

TEST_P(DateTimeTest, MakeTimeCarriesOverAndRefusesTheUnrepresentable)
{
    EXPECT_EQ(Text(Make(2023, 13, 1)), "2024-01-01 00:00:00");
    EXPECT_EQ(Text(Make(2023, 3, 0)), "2023-02-28 00:00:00");
    LDateTime t(777);
    EXPECT_FALSE(LMakeTime(&t, INT_MAX, INT_MAX, 1, 0, 0, 0));
    EXPECT_EQ(t, LDateTime(777));
}

TEST_P(DateTimeTest, DaysInMonth)
{
    struct Case
    {
        int year, month, days;
    };
    const Case cases[] = {
        {1900, 2, 28}, {2000, 2, 29}, {2024, 2, 29}, {2023, 2, 28},  {2100, 2, 28},  {2023, 1, 31},
        {2023, 4, 30}, {2023, 6, 30}, {2023, 9, 30}, {2023, 11, 30}, {2023, 12, 31}, {2023, 7, 31},
        {2023, 8, 31}, {2023, 0, 0},  {2023, 13, 0}, {2023, -1, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LDaysInMonth(c.year, c.month), c.days) << c.year << "-" << c.month;
}

TEST_P(DateTimeTest, AddMonthsKeepsTheTimeAndClampsTheDay)
{
    struct Case
    {
        LDateTime from;
        int months;
        const char* expected;
    };
    const Case cases[] = {
        {Make(2023, 1, 31, 10, 11, 12), 1, "2023-02-28 10:11:12"},
        {Make(2024, 1, 31, 10, 11, 12), 1, "2024-02-29 10:11:12"},
        {Make(2023, 3, 15, 8, 0, 0), -3, "2022-12-15 08:00:00"},
        {Make(2023, 1, 10), -13, "2021-12-10 00:00:00"},
        {Make(2023, 1, 10), -12, "2022-01-10 00:00:00"},
        {Make(2023, 12, 31), 2, "2024-02-29 00:00:00"},
        {Make(2023, 5, 31), 0, "2023-05-31 00:00:00"},
        {Make(2023, 3, 15, 12, 0, 0), 1, "2023-04-15 12:00:00"},     // across summer time
        {Make(2023, 10, 31, 23, 30, 0), 1, "2023-11-30 23:30:00"},   // and back
        {Make(1970, 6, 15, 12, 0, 0), -1200, "1870-06-15 12:00:00"}, // no two-digit-year rule
        {Make(2023, 1, 1), 24001, "4023-02-01 00:00:00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Text(LDateTime::AddMonths(c.from, c.months)), c.expected)
            << Text(c.from) << " + " << c.months;
}

TEST_P(DateTimeTest, AddMonthsOfNoDateOrAnUnrepresentableOne)
{
    EXPECT_EQ(LDateTime::AddMonths(LDateTime(), 5), LDateTime());
    EXPECT_EQ(LDateTime::AddMonths(LDateTime(INT64_MAX), 1), LDateTime());
}

TEST_P(DateTimeTest, BuildDateIsLocalMidnight)
{
    EXPECT_EQ(Text(LBuildDateFromText("Mar  5 2021")), "2021-03-05 00:00:00");
    EXPECT_EQ(Text(LBuildDateFromText("Dec 31 1999")), "1999-12-31 00:00:00");
    // An unknown month is month 0: December of the year before.
    EXPECT_EQ(Text(LBuildDateFromText("Foo 5 2021")), "2020-12-05 00:00:00");
    EXPECT_EQ(LBuildDateFromText("garbage"), LDateTime());
    LDateTime built = LGetBuildDate();
    ASSERT_TRUE(built.IsSet());
    EXPECT_EQ(built, LBuildDateFromText(__DATE__));
    // The compiler stamps the date of the machine's own zone: a zone further west
    // may still be on the day before, so its midnight of that date lies ahead.
    EXPECT_LE(built.seconds, int64_t(::time(nullptr)) + 24 * 3600);
    EXPECT_EQ(Text(built).substr(11), "00:00:00");
}

INSTANTIATE_TEST_SUITE_P(Zones, DateTimeTest, ::testing::Values("UTC0", "Europe/Berlin", "America/New_York"),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

} // namespace
