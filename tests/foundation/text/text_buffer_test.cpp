// Fixed text buffers: copies, ellipsis, trimming, lower-casing, lines.

#include "foundation/text/LStringLong.h"
#include "foundation/text/LTextBuffer.h"
#include "foundation/text/LUtf8.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

TEST(TextBuffer, CopyTextCutsBetweenCharacters)
{
    char buf[kTextBufferSize];
    std::string text = std::string(257, 'a') + "\xE2\x82\xAC"; // the euro sign ends at byte 260
    bool truncated = false;
    EXPECT_EQ(LStrCopyText(buf, text.c_str(), sizeof buf, &truncated), 257u);
    EXPECT_TRUE(truncated);
    EXPECT_EQ(std::string(buf), std::string(257, 'a'));
    EXPECT_EQ(LStrCopyText(buf, "short", sizeof buf, &truncated), 5u);
    EXPECT_FALSE(truncated);
}

struct EllipsisCase
{
    std::string src;
    std::size_t size;
    std::string expected;
};

TEST(TextBuffer, EllipsizeMiddle)
{
    std::string alphabet = "abcdefghijklmnopqrstuvwxyz";
    std::string fifty(60, 'x');
    for (int i = 0; i < 60; ++i)
        fifty[i] = static_cast<char>('A' + i % 26);
    const std::vector<EllipsisCase> cases = {
        {"short", 10, "short"},
        {"exactly9!", 10, "exactly9!"},
        {alphabet, 5, "a..."},
        {alphabet, 4, "..."},
        {alphabet, 3, ".."},
        {alphabet, 2, "."},
        {alphabet, 1, ""},
        {alphabet, 10, "abc...xyz"},
        {alphabet, 11, "abcd...xyz"},
        {fifty, 50, fifty.substr(0, 23) + "..." + fifty.substr(60 - 23)},
        // Multi-byte characters at both cut points are left out whole.
        {"ab\xC3\xA9"
         "cdefgh\xC3\xA9z",
         10, "ab...\xC3\xA9z"},
    };
    for (const auto& c : cases) {
        char buf[kTextBufferSize];
        std::memset(buf, '#', sizeof buf);
        LStrEllipsizeMiddle(buf, c.src.c_str(), c.size);
        EXPECT_EQ(std::string(buf), c.expected) << c.src << " size " << c.size;
        EXPECT_LT(std::strlen(buf), c.size);
        EXPECT_TRUE(LUtf8IsValid(buf));
    }
    std::string fit = fifty.substr(0, 50);
    char buf[kTextBufferSize];
    LStrEllipsizeMiddle(buf, fit.c_str(), 50);
    EXPECT_EQ(std::strlen(buf), 49u);

    // In place.
    char inPlace[32] = "0123456789abcdefghij";
    LStrEllipsizeMiddle(inPlace, inPlace, 10);
    EXPECT_STREQ(inPlace, "012...hij");
}

TEST(TextBuffer, TrimSpaces)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"  a b  ", "a b"}, {"     ", ""}, {"", ""}, {"\tx\n ", "\tx\n"}, {"x", "x"}, {" \r\n", "\r\n"},
    };
    for (const auto& [in, out] : cases) {
        char buf[kTextBufferSize];
        std::strcpy(buf, in.c_str());
        LStrTrimSpaces(buf);
        EXPECT_EQ(std::string(buf), out) << "[" << in << "]";
    }
}

TEST(TextBuffer, ToLowerLocaleHandlesNonAscii)
{
    char buf[kTextBufferSize] = "ÀÉÎ Straße ΣΑΣ İ ABC";
    LStrToLowerLocale(buf);
    EXPECT_STREQ(buf, "àéî straße σασ i abc");

    // Invalid bytes pass through unchanged.
    char bad[kTextBufferSize] = "A\xFF"
                                "B";
    LStrToLowerLocale(bad);
    EXPECT_STREQ(bad, "a\xFF"
                      "b");

    // A lower-case form longer than its upper-case one stops at a character
    // boundary inside the 259 bytes: U+023A (2 bytes) lowers to U+2C65 (3 bytes).
    std::string grow;
    while (grow.size() + 2 <= 258)
        grow += "\xC8\xBA";
    char full[kTextBufferSize];
    std::strcpy(full, grow.c_str());
    LStrToLowerLocale(full);
    EXPECT_LE(std::strlen(full), 259u);
    EXPECT_EQ(std::strlen(full) % 3, 0u);
    EXPECT_TRUE(LUtf8IsValid(full));
    EXPECT_EQ(std::string(full, 3), "\xE2\xB1\xA5");
}

TEST(TextBuffer, CopyLine)
{
    LStringLong out("previous");
    EXPECT_EQ(LStringCopyLine("first\r\nsecond", &out), 5u);
    EXPECT_STREQ(out.Text(), "first");
    EXPECT_EQ(LStringCopyLine("\nx", &out), 0u);
    EXPECT_STREQ(out.Text(), "");
    std::string longLine(1000, 'l');
    EXPECT_EQ(LStringCopyLine(longLine.c_str(), &out), 1000u);
    EXPECT_EQ(std::string(out.Text()), longLine);
}

TEST(TextBuffer, CompareInt64IsSigned)
{
    std::int64_t a = -1, b = 1, big = INT64_MAX, small = INT64_MIN;
    EXPECT_EQ(LCompareInt64(&a, &b), -1);
    EXPECT_EQ(LCompareInt64(&b, &a), 1);
    EXPECT_EQ(LCompareInt64(&a, &a), 0);
    EXPECT_EQ(LCompareInt64(&small, &big), -1);
    std::vector<std::int64_t> v = {5, INT64_MIN, -3, INT64_MAX, 0};
    std::qsort(v.data(), v.size(), sizeof v[0], &LCompareInt64);
    EXPECT_EQ(v, (std::vector<std::int64_t>{INT64_MIN, -3, 0, 5, INT64_MAX}));
    EXPECT_EQ(LStrLen("abc"), 3u);
    EXPECT_EQ(LStrLen(nullptr), 0u);
}

} // namespace
