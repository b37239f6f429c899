// UTF-8 decoding and encoding, checked against glibc's iconv.

#include "foundation/text/LUtf8.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <random>
#include <string>
#include <vector>

namespace {

// What iconv makes of the bytes: the code points before the first error, and
// whether it converted everything.
struct IconvResult
{
    std::vector<std::uint32_t> codePoints;
    bool complete;
};

IconvResult IconvDecode(const std::string& bytes)
{
    iconv_t cd = iconv_open("UTF-32LE", "UTF-8");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::vector<std::uint32_t> out(bytes.size() + 1);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* o = reinterpret_cast<char*>(out.data());
    std::size_t outLeft = out.size() * 4;
    std::size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    out.resize((out.size() * 4 - outLeft) / 4);
    return {out, r != static_cast<std::size_t>(-1) && inLeft == 0};
}

std::vector<std::uint32_t> OursDecode(const std::string& bytes, int* status)
{
    std::vector<std::uint32_t> out(bytes.size() + 2, 0xDEADBEEF);
    *status = LUtf8ToCodePoints(out.data(), bytes.c_str(), out.size());
    std::vector<std::uint32_t> result;
    for (std::uint32_t cp : out) {
        if (cp == 0)
            break;
        result.push_back(cp);
    }
    return result;
}

struct DecodeCase
{
    const char* name;
    std::string bytes;
    bool wellFormed;
};

TEST(Utf8Decode, AgreesWithIconv)
{
    const std::vector<DecodeCase> cases = {
        {"ascii", "hello", true},
        {"two-byte", "caf\xC3\xA9", true},
        {"three-byte", "\xE2\x82\xAC", true},
        {"four-byte", "\xF0\x9F\x98\x80", true},
        {"largest", "\xF4\x8F\xBF\xBF", true},
        {"last before surrogates", "\xED\x9F\xBF", true},
        {"first after surrogates", "\xEE\x80\x80", true},
        {"smallest three-byte", "\xE0\xA0\x80", true},
        {"smallest four-byte", "\xF0\x90\x80\x80", true},
        {"overlong NUL", "\xC0\x80", false},
        {"overlong slash", "\xC1\xAF", false},
        {"overlong three-byte", "\xE0\x9F\xBF", false},
        {"overlong four-byte", "\xF0\x8F\xBF\xBF", false},
        {"encoded high surrogate", "\xED\xA0\x80", false},
        {"encoded low surrogate", "\xED\xBF\xBF", false},
        {"above U+10FFFF", "\xF4\x90\x80\x80", false},
        {"F5 lead", "\xF5\x80\x80\x80", false},
        {"five-byte form", "\xF8\x88\x80\x80\x80", false},
        {"six-byte form", "\xFC\x84\x80\x80\x80\x80", false},
        {"FE", "a\xFE", false},
        {"stray continuation", "a\x80z", false},
        {"truncated two-byte", "ab\xC3", false},
        {"truncated three-byte", "ab\xE2\x82", false},
        {"truncated four-byte", "x\xF0\x9F\x98", false},
        {"bad continuation", "x\xE2\x28\xA1", false},
        {"good then bad", "\xC3\xA9\xC3\xA9\xFFzz", false},
    };
    for (const auto& c : cases) {
        int status = -1;
        std::vector<std::uint32_t> ours = OursDecode(c.bytes, &status);
        IconvResult theirs = IconvDecode(c.bytes);
        EXPECT_EQ(theirs.complete, c.wellFormed) << c.name << " (iconv)";
        EXPECT_EQ(status, c.wellFormed ? kUtf8Complete : kUtf8IllFormed) << c.name;
        EXPECT_EQ(ours, theirs.codePoints) << c.name;
    }
}

TEST(Utf8Decode, RandomBytesAgreeWithIconv)
{
    std::mt19937 rng(20261210);
    // Bytes drawn mostly from the interesting ranges: leads, continuations, ASCII.
    const std::vector<unsigned char> pool = {'a',  0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0,
                                             0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xEC, 0xED, 0xEE, 0xEF,
                                             0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xF8, 0xFC, 0xFF};
    for (int round = 0; round < 20000; ++round) {
        std::string bytes;
        int len = 1 + static_cast<int>(rng() % 8);
        for (int i = 0; i < len; ++i)
            bytes.push_back(static_cast<char>(pool[rng() % pool.size()]));
        int status = -1;
        std::vector<std::uint32_t> ours = OursDecode(bytes, &status);
        IconvResult theirs = IconvDecode(bytes);
        ASSERT_EQ(ours, theirs.codePoints) << "round " << round;
        ASSERT_EQ(status == kUtf8Complete, theirs.complete) << "round " << round;
    }
}

TEST(Utf8Decode, BoundStopsBeforeTheSequenceThatReachesIt)
{
    std::uint32_t out[4] = {9, 9, 9, 9};
    EXPECT_EQ(LUtf8ToCodePoints(out, "abc", 4), kUtf8Complete);
    EXPECT_EQ(out[2], 'c');
    EXPECT_EQ(out[3], 0u);
    EXPECT_EQ(LUtf8ToCodePoints(out, "abcd", 4), kUtf8OutputFull);
    EXPECT_EQ(out[3], 0u);
    // A two-byte character whose bytes would reach the bound is not taken.
    EXPECT_EQ(LUtf8ToCodePoints(out, "ab\xC3\xA9", 4), kUtf8OutputFull);
    EXPECT_EQ(out[1], 'b');
    EXPECT_EQ(out[2], 0u);
    EXPECT_EQ(LUtf8ToCodePoints(out, "", 1), kUtf8Complete);
    EXPECT_EQ(out[0], 0u);
    out[0] = 7;
    EXPECT_EQ(LUtf8ToCodePoints(out, "x", 0), kUtf8OutputFull);
    EXPECT_EQ(out[0], 7u);
}

TEST(Utf8Encode, EveryCodePointAgreesWithIconv)
{
    std::vector<std::uint32_t> all;
    for (std::uint32_t cp = 1; cp < 0x110000; ++cp)
        if (cp < 0xD800 || cp > 0xDFFF)
            all.push_back(cp);
    std::vector<char> ours(all.size() * 4 + 1);
    all.push_back(0);
    ASSERT_EQ(LCodePointsToUtf8(ours.data(), all.data(), ours.size()), kUtf8Complete);

    iconv_t cd = iconv_open("UTF-8", "UTF-32LE");
    std::vector<char> theirs(ours.size());
    char* in = reinterpret_cast<char*>(all.data());
    std::size_t inLeft = (all.size() - 1) * 4;
    char* o = theirs.data();
    std::size_t outLeft = theirs.size();
    ASSERT_NE(iconv(cd, &in, &inLeft, &o, &outLeft), static_cast<std::size_t>(-1));
    iconv_close(cd);
    std::size_t produced = theirs.size() - outLeft;
    ASSERT_EQ(std::strlen(ours.data()), produced);
    EXPECT_EQ(std::memcmp(ours.data(), theirs.data(), produced), 0);

    // And our decoder reads it all back.
    std::vector<std::uint32_t> back(produced + 1);
    EXPECT_EQ(LUtf8ToCodePoints(back.data(), ours.data(), back.size()), kUtf8Complete);
    back.resize(all.size());
    EXPECT_EQ(back, all);
}

TEST(Utf8Encode, InvalidValuesBecomeReplacementsAndOutputIsBounded)
{
    char buf[16];
    const std::uint32_t surrogate[] = {'a', 0xD800, 0};
    EXPECT_EQ(LCodePointsToUtf8(buf, surrogate, sizeof buf), kUtf8IllFormed);
    EXPECT_STREQ(buf, "a\xEF\xBF\xBD");
    const std::uint32_t tooBig[] = {0x110000, 0};
    EXPECT_EQ(LCodePointsToUtf8(buf, tooBig, sizeof buf), kUtf8IllFormed);
    EXPECT_STREQ(buf, "\xEF\xBF\xBD");

    // A 4-byte character that would pass the end is left out whole.
    const std::uint32_t text[] = {'a', 'b', 0x1F600, 'c', 0};
    char small[6];
    std::memset(small, 'Z', sizeof small);
    EXPECT_EQ(LCodePointsToUtf8(small, text, 6), kUtf8OutputFull);
    EXPECT_STREQ(small, "ab");
    char exact[7];
    EXPECT_EQ(LCodePointsToUtf8(exact, text, 7), kUtf8OutputFull);
    EXPECT_STREQ(exact, "ab\xF0\x9F\x98\x80");
}

TEST(Utf16, NonBmpBecomesSurrogatePairs)
{
    std::uint16_t units[8];
    EXPECT_EQ(LUtf8ToWide(units, "a\xF0\x9F\x98\x80z", 8), kUtf8Complete);
    EXPECT_EQ(units[0], 'a');
    EXPECT_EQ(units[1], 0xD83D);
    EXPECT_EQ(units[2], 0xDE00);
    EXPECT_EQ(units[3], 'z');
    EXPECT_EQ(units[4], 0);

    // Room for one unit only: the pair is not started.
    EXPECT_EQ(LUtf8ToWide(units, "a\xF0\x9F\x98\x80", 3), kUtf8OutputFull);
    EXPECT_EQ(units[0], 'a');
    EXPECT_EQ(units[1], 0);

    // Where one unit must hold a character, it is U+FFFD.
    EXPECT_EQ(LUtf8ToUcs2(units, "a\xF0\x9F\x98\x80z", 8), kUtf8IllFormed);
    EXPECT_EQ(units[1], 0xFFFD);
    EXPECT_EQ(units[2], 'z');

    EXPECT_EQ(LUtf8ToWide(units, "ok\xC0\x80", 8), kUtf8IllFormed);
    EXPECT_EQ(units[2], 0);
}

TEST(Utf16, RoundTripAgainstIconv)
{
    const std::string text = "Gr\xC3\xBC\xC3\x9F"
                             "e \xE2\x82\xAC \xF0\x9D\x84\x9E \xF4\x8F\xBF\xBF";
    std::vector<std::uint16_t> units(64);
    ASSERT_EQ(LUtf8ToWide(units.data(), text.c_str(), units.size()), kUtf8Complete);
    std::size_t count = 0;
    while (units[count])
        ++count;

    iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
    std::vector<std::uint16_t> theirs(64);
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* o = reinterpret_cast<char*>(theirs.data());
    std::size_t outLeft = theirs.size() * 2;
    iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    ASSERT_EQ(count, (theirs.size() * 2 - outLeft) / 2);
    EXPECT_TRUE(std::equal(units.begin(), units.begin() + count, theirs.begin()));

    char back[64];
    EXPECT_EQ(LWideToUtf8(back, units.data(), sizeof back), kUtf8Complete);
    EXPECT_EQ(std::string(back), text);
}

TEST(Utf16, WideToUtf8IsBoundedAndJoinsPairs)
{
    const std::uint16_t units[] = {'a', 0xD83D, 0xDE00, 0x20AC, 0};
    char buf[16];
    std::memset(buf, 'Z', sizeof buf);
    EXPECT_EQ(LWideToUtf8(buf, units, 4), kUtf8OutputFull);
    EXPECT_STREQ(buf, "a");
    EXPECT_EQ(buf[4], 'Z');
    EXPECT_EQ(LWideToUtf8(buf, units, 6), kUtf8OutputFull);
    EXPECT_STREQ(buf, "a\xF0\x9F\x98\x80");
    EXPECT_EQ(LWideToUtf8(buf, units, sizeof buf), kUtf8Complete);
    EXPECT_STREQ(buf, "a\xF0\x9F\x98\x80\xE2\x82\xAC");

    const std::uint16_t lone[] = {0xDC00, 'x', 0xD800, 0};
    EXPECT_EQ(LWideToUtf8(buf, lone, sizeof buf), kUtf8IllFormed);
    EXPECT_STREQ(buf, "\xEF\xBF\xBDx\xEF\xBF\xBD");

    // The source count bounds what is read, even inside a pair.
    EXPECT_EQ(LWideToUtf8(buf, units, sizeof buf, 2), kUtf8IllFormed);
    EXPECT_STREQ(buf, "a\xEF\xBF\xBD");
}

TEST(Utf8CopyWhole, CopiesWholeCharactersOnly)
{
    char buf[8];
    EXPECT_EQ(LUtf8CopyWhole(buf, "\xC3\xA9\xC3\xA9", 4), 2u);
    EXPECT_STREQ(buf, "\xC3\xA9");
    EXPECT_EQ(LUtf8CopyWhole(buf, "\xC3\xA9\xC3\xA9", 5), 4u);
    EXPECT_EQ(LUtf8CopyWhole(buf, "abc", 1), 0u);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(LUtf8CopyWhole(buf, nullptr, 8), 0u);
    EXPECT_STREQ(buf, "");
}

TEST(Utf8CopyWhole, NeverReadsPastTheTerminator)
{
    // A lead byte announcing four bytes right before the end of an exactly
    // sized heap block: AddressSanitizer catches any read past it.
    char* src = new char[3];
    src[0] = 'a';
    src[1] = static_cast<char>(0xF0);
    src[2] = '\0';
    char buf[16];
    EXPECT_EQ(LUtf8CopyWhole(buf, src, sizeof buf), 1u);
    EXPECT_STREQ(buf, "a");
    std::uint32_t cps[8];
    EXPECT_EQ(LUtf8ToCodePoints(cps, src, 8), kUtf8IllFormed);
    EXPECT_EQ(cps[1], 0u);
    delete[] src;
}

TEST(Utf8Boundary, BoundaryBefore)
{
    const std::string s = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    const std::vector<std::pair<std::size_t, std::size_t>> cases = {
        {0, 0}, {1, 1}, {2, 1}, {3, 3}, {4, 3}, {5, 3}, {6, 6}, {7, 6}, {8, 6}, {9, 6}, {10, 10},
    };
    for (auto [cut, expected] : cases)
        EXPECT_EQ(LUtf8BoundaryBefore(s.c_str(), cut), expected) << "cut " << cut;
    EXPECT_EQ(LUtf8BoundaryBefore("\x80\x80\x80\x80\x80", 5), 5u);
}

} // namespace
