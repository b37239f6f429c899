// The judges behind restricted text inputs: what may be typed, what a
// finished text stands for and how a value is shown, with the decimal
// separators of a C and a German locale.

#include "gui/controls/LValueFormatters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct PartialCase
{
    const char* text;
    bool accepted;
};

TEST(IntegerValueFormatter, PartialTextsWithTextLengthThree)
{
    LIntegerValueFormatter formatter;
    formatter.SetMaximumTextLength(3);
    const std::vector<PartialCase> cases = {
        {"123", true}, {"-12", true}, {"-", true},   {"", true},    {"1234", false},
        {"1a", false}, {"a", false},  {"--", false}, {" 12", true}, {"1 2", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatter.IsPartialStringValid(c.text), c.accepted) << '"' << c.text << '"';
}

TEST(IntegerValueFormatter, ValueLimitIsComparedWithTheValue)
{
    LIntegerValueFormatter formatter;
    formatter.SetMaximumLimit(100);
    // Four characters but a small value, three characters but a large one.
    const std::vector<PartialCase> cases = {
        {"0099", true}, {"100", true}, {"101", false}, {"999", false}, {"-5000", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatter.IsPartialStringValid(c.text), c.accepted) << c.text;
    LFormatterValue value;
    EXPECT_FALSE(formatter.GetObjectValue("101", &value));
    ASSERT_TRUE(formatter.GetObjectValue("0099", &value));
    EXPECT_EQ(value.kind, LFormatterValue::kInteger);
    EXPECT_EQ(value.integer, 99);
}

TEST(IntegerValueFormatter, NumbersBeyondThirtyTwoBitsAreRefused)
{
    LIntegerValueFormatter formatter;
    const std::vector<PartialCase> cases = {
        {"2147483647", true},   {"2147483648", false},   {"-2147483648", true},
        {"-2147483649", false}, {"123456789012", false}, {"99999999999999999999999", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatter.IsPartialStringValid(c.text), c.accepted) << c.text;
        LFormatterValue value;
        EXPECT_EQ(formatter.GetObjectValue(c.text, &value), c.accepted) << c.text;
    }
}

TEST(IntegerValueFormatter, FinishedTextIgnoresTheMinimum)
{
    LIntegerValueFormatter formatter;
    formatter.SetMinimumValue(10);
    LFormatterValue value;
    ASSERT_TRUE(formatter.GetObjectValue(" -3 ", &value));
    EXPECT_EQ(value.integer, -3);
    EXPECT_FALSE(formatter.GetObjectValue("-", &value));
    EXPECT_FALSE(formatter.GetObjectValue("", &value));
    EXPECT_EQ(formatter.StringForObjectValue(LFormatterValue::Integer(42)), "42");
    EXPECT_EQ(formatter.StringForObjectValue(LFormatterValue::Double(2.6)), "3");
    EXPECT_EQ(formatter.StringForObjectValue(LFormatterValue::None()), "");
}

TEST(IntegerValueFormatter, LengthCountsUtf16Units)
{
    // One character outside the basic plane takes two units.
    EXPECT_EQ(LUtf16Length("\xF0\x9F\x8E\xB5"), 2u);
    EXPECT_EQ(LUtf16Length("\xC3\xA9t\xC3\xA9"), 3u);
    EXPECT_EQ(LUtf16Length("\xFF\xFE"), 2u);
    LTextFieldFormatter length;
    length.SetMaximumTextLength(2);
    EXPECT_TRUE(length.IsPartialStringValid("\xF0\x9F\x8E\xB5"));
    EXPECT_FALSE(length.IsPartialStringValid("a\xF0\x9F\x8E\xB5"));
}

struct DoubleCase
{
    int fractionDigits;
    std::string text; // written with '#' where the separator goes
    bool accepted;
};

std::string WithSeparator(std::string text, const std::string& separator)
{
    for (std::size_t at = text.find('#'); at != std::string::npos; at = text.find('#', at + separator.size()))
        text.replace(at, 1, separator);
    return text;
}

class DoubleValueFormatterInLocale : public ::testing::TestWithParam<std::string>
{
};

TEST_P(DoubleValueFormatterInLocale, PartialTexts)
{
    const std::string separator = GetParam();
    const std::vector<DoubleCase> cases = {
        {0, "1#", false},  {0, "12", true},   {2, "1#234", false}, {2, "1#23", true}, {2, "1#", true},
        {2, "#5", true},   {2, "-", false},   {2, "", true},       {2, "-1#5", true}, {2, "1#2#", false},
        {2, "abc", false}, {2, "1e5", false}, {1, "7#", true},
    };
    for (const auto& c : cases) {
        LDoubleValueFormatter formatter(separator);
        formatter.SetMaximumFractionDigits(c.fractionDigits);
        std::string text = WithSeparator(c.text, separator);
        EXPECT_EQ(formatter.IsPartialStringValid(text), c.accepted)
            << text << " with " << c.fractionDigits << " fraction digits";
    }
}

TEST_P(DoubleValueFormatterInLocale, OtherSeparatorIsNotANumber)
{
    const std::string separator = GetParam();
    const std::string other = separator == "." ? "," : ".";
    LDoubleValueFormatter formatter(separator);
    formatter.SetMaximumFractionDigits(2);
    EXPECT_FALSE(formatter.IsPartialStringValid("1" + other + "5"));
}

TEST_P(DoubleValueFormatterInLocale, MinimumOnlyWhenFinished)
{
    const std::string separator = GetParam();
    LDoubleValueFormatter formatter(separator);
    formatter.SetMaximumFractionDigits(2);
    formatter.SetMinimumValue(1);
    const std::string half = "0" + separator + "5";
    EXPECT_TRUE(formatter.IsPartialStringValid(half));
    LFormatterValue value;
    EXPECT_FALSE(formatter.GetObjectValue(half, &value));
    ASSERT_TRUE(formatter.GetObjectValue("1" + separator + "5", &value));
    EXPECT_EQ(value.kind, LFormatterValue::kText);
    EXPECT_DOUBLE_EQ(value.number, 1.5);
}

TEST_P(DoubleValueFormatterInLocale, OverLimitValueIsRefused)
{
    const std::string separator = GetParam();
    LDoubleValueFormatter formatter(separator);
    formatter.SetMaximumFractionDigits(1);
    formatter.SetMaximumLimit(10);
    EXPECT_TRUE(formatter.IsPartialStringValid("0009" + separator + "5"));
    EXPECT_FALSE(formatter.IsPartialStringValid("10" + separator + "5"));
    LFormatterValue value;
    EXPECT_FALSE(formatter.GetObjectValue("11", &value));
    EXPECT_TRUE(formatter.GetObjectValue("10", &value));
}

TEST_P(DoubleValueFormatterInLocale, TrailingSeparatorIsShownAsTyped)
{
    const std::string separator = GetParam();
    LDoubleValueFormatter formatter(separator);
    formatter.SetMaximumFractionDigits(1);
    LFormatterValue value;
    ASSERT_TRUE(formatter.GetObjectValue("7" + separator, &value));
    EXPECT_TRUE(formatter.IsSeparatorLastSign());
    EXPECT_EQ(value.text, "7" + separator);
    EXPECT_EQ(formatter.StringForObjectValue(value), "7" + separator);
    EXPECT_EQ(formatter.StringForObjectValue(LFormatterValue::Double(7)), "7" + separator);
    ASSERT_TRUE(formatter.GetObjectValue("7", &value));
    EXPECT_FALSE(formatter.IsSeparatorLastSign());
    // Not a number before the separator: refused.
    EXPECT_FALSE(formatter.GetObjectValue("x" + separator, &value));
}

TEST_P(DoubleValueFormatterInLocale, ValuesShowTheFractionDigits)
{
    const std::string separator = GetParam();
    struct Case
    {
        int digits;
        double number;
        const char* shown;
    };
    const std::vector<Case> cases = {
        {2, 3, "3#00"}, {2, 3.5, "3#50"},   {2, 3.14159, "3#14"},    {0, 3.75, "3"},
        {0, 12, "12"},  {1, -0.25, "-0#2"}, {3, 1e6, "1000000#000"},
    };
    for (const auto& c : cases) {
        LDoubleValueFormatter formatter(separator);
        formatter.SetMaximumFractionDigits(c.digits);
        EXPECT_EQ(formatter.StringForObjectValue(LFormatterValue::Double(c.number)),
                  WithSeparator(c.shown, separator))
            << c.number;
    }
    LDoubleValueFormatter formatter(separator);
    EXPECT_EQ(formatter.StringForObjectValue(LFormatterValue::None()), "");
    EXPECT_EQ(formatter.StringForObjectValue(LFormatterValue::Text("as typed")), "as typed");
}

INSTANTIATE_TEST_SUITE_P(Separators, DoubleValueFormatterInLocale, ::testing::Values(".", ","),
                         [](const auto& info) { return info.param == "." ? "C" : "German"; });

TEST(TextFieldFormatter, LimitOfZeroMeansNone)
{
    LTextFieldFormatter formatter;
    EXPECT_TRUE(formatter.IsPartialStringValid(std::string(10000, 'x')));
    formatter.SetMaximumTextLength(3);
    EXPECT_TRUE(formatter.IsPartialStringValid("abc"));
    EXPECT_FALSE(formatter.IsPartialStringValid("abcd"));
}

bool AcceptDigitsOnly(LWindow*, const char* text)
{
    for (const char* p = text; *p; ++p)
        if (*p < '0' || *p > '9')
            return false;
    return true;
}

TEST(EditControlFormatter, WithoutFilterNothingCanBeTyped)
{
    LEditControlFormatter formatter;
    EXPECT_FALSE(formatter.IsPartialStringValid("a"));
    EXPECT_FALSE(formatter.IsPartialStringValid(""));
    formatter.SetFilterFunction(AcceptDigitsOnly);
    EXPECT_TRUE(formatter.IsPartialStringValid("123"));
    EXPECT_FALSE(formatter.IsPartialStringValid("12a"));
    LFormatterValue value;
    EXPECT_TRUE(formatter.GetObjectValue("anything", &value));
    EXPECT_EQ(formatter.StringForObjectValue(value), "anything");
    EXPECT_EQ(formatter.StringForObjectValue(LFormatterValue::Integer(3)), "");
}

} // namespace
