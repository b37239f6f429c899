// Duration texts: the four formatters and the parser.

#include "foundation/ini/LDurationText.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

struct FormatCase
{
    int64_t ms;
    const char* hms;
    const char* withMs;
    const char* cs;
    const char* rounded;
};

TEST(DurationText, FormatTable)
{
    const FormatCase cases[] = {
        {0, "0:00:00", "0:00:00.000", "0:00:00.00", "0:00:00"},
        {-1500, "-0:00:01", "-0:00:01.500", "-0:00:01.50", "-0:00:02"},
        {3599999, "0:59:59", "0:59:59.999", "1:00:00.00", "1:00:00"},
        {3723500, "1:02:03", "1:02:03.500", "1:02:03.50", "1:02:04"},
        {994, "0:00:00", "0:00:00.994", "0:00:00.99", "0:00:01"},
        {995, "0:00:00", "0:00:00.995", "0:00:01.00", "0:00:01"},
        {499, "0:00:00", "0:00:00.499", "0:00:00.50", "0:00:00"},
        {360000000000LL, "100000:00:00", "100000:00:00.000", "100000:00:00.00", "100000:00:00"},
        {INT64_MIN, "-2562047788015:12:55", "-2562047788015:12:55.808", "-2562047788015:12:55.81",
         "-2562047788015:12:56"},
    };
    for (const FormatCase& c : cases) {
        char text[260];
        LFormatDurationHMS(&c.ms, text);
        EXPECT_STREQ(text, c.hms) << c.ms;
        LFormatDurationMs(&c.ms, text);
        EXPECT_STREQ(text, c.withMs) << c.ms;
        LFormatDurationCs(&c.ms, text);
        EXPECT_STREQ(text, c.cs) << c.ms;
        LFormatDurationRounded(&c.ms, text);
        EXPECT_STREQ(text, c.rounded) << c.ms;
    }
}

TEST(DurationText, ParseTable)
{
    const struct
    {
        const char* text;
        int64_t ms;
    } cases[] = {
        {"1:02:03.5", 3723500},
        {"90", 90000},
        {"2.25", 2250},
        {"-0:01", -1000},
        {"0:00:00", 0},
        {"", 0},
        {"1:00:00.123456", 3600123},
        {"12:34", 754000},
        {"1:02:03:45", 3723450}, // a third colon starts the fraction
        {" 1 : 30 ", 90000},     // other characters are ignored
        {"5.5.5", 5550},         // a second '.' is ignored
        {"1.2:3", 1230},         // a ':' in the fraction is ignored
        {"0:00:01.500", 1500},
    };
    for (const auto& c : cases) {
        int64_t ms = -12345;
        LParseDuration(&ms, c.text);
        EXPECT_EQ(ms, c.ms) << '"' << c.text << '"';
    }
}

TEST(DurationText, FormattedTextsParseBack)
{
    const int64_t values[] = {0, 1, 999, 1000, 59999, 3599999, 3723500, 86400000, -1500, -7261001};
    for (int64_t value : values) {
        char text[260];
        LFormatDurationMs(&value, text);
        int64_t back = 0;
        LParseDuration(&back, text);
        EXPECT_EQ(back, value) << text;
    }
}

TEST(DurationText, HugeInputSaturatesInsteadOfOverflowing)
{
    const std::string texts[] = {std::string(400, '9'), std::string(100, ':') + "9",
                                 "9" + std::string(60, ':'),
                                 std::string(30, '9') + ":" + std::string(30, '9')};
    for (const std::string& text : texts) {
        int64_t ms = 0;
        LParseDuration(&ms, text.c_str());
        EXPECT_GE(ms, 0) << text;
        EXPECT_LE(ms, int64_t(1) << 62) << text;
    }
}

} // namespace
