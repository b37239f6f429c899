// The notice and name-id registries and the one-line helpers.

#include "foundation/ini/LRegistries.h"
#include "foundation/ini/LSystemInfo.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <climits>
#include <cstdlib>
#include <string>

namespace {

TEST(Notices, NewestFirstWithSeparatorsAndEmptyTextsSkipped)
{
    LRegisterNotice("first notice", "");
    LRegisterNotice("", "only second");
    LRegisterNotice("third notice", "third second");
    LStringLongTemplate<char> first;
    LStringLongTemplate<char> second;
    LGetRegisteredNotices(&first, &second);
    EXPECT_STREQ(first.Text(), "third notice\r\n\r\n===================\r\n\r\nfirst notice");
    EXPECT_STREQ(second.Text(), "third second\r\n\r\n===================\r\n\r\nonly second");
}

TEST(NameIds, StableIdsInOrderOfFirstUse)
{
    uint32_t a = LNameToId("public.file-url");
    uint32_t b = LNameToId("public.utf8-plain-text");
    EXPECT_NE(a, 0u);
    EXPECT_EQ(b, a + 1);
    EXPECT_EQ(LNameToId("public.file-url"), a);
    EXPECT_STREQ(LIdToName(a), "public.file-url");
    EXPECT_STREQ(LIdToName(b), "public.utf8-plain-text");
    EXPECT_STREQ(LIdToName(0), "");
    EXPECT_STREQ(LIdToName(999999), "");

    std::string longName(400, 'n');
    uint32_t c = LNameToId(longName.c_str());
    EXPECT_EQ(std::string(LIdToName(c)), std::string(259, 'n'));
}

TEST(OneLiners, IntToStringRadixes)
{
    char text[32];
    EXPECT_STREQ(LIntToString(255, text, 16), "ff");
    EXPECT_STREQ(LIntToString(8, text, 8), "10");
    EXPECT_STREQ(LIntToString(-42, text, 10), "-42");
    EXPECT_STREQ(LIntToString(-42, text, 7), "-42");
    EXPECT_STREQ(LIntToString(LLONG_MIN, text, 10), "-9223372036854775808");
    EXPECT_STREQ(LIntToString(-1, text, 8), "1777777777777777777777");
}

TEST(OneLiners, ToLowerInPlaceLeavesNonAsciiBytes)
{
    char text[] = "MiXeD \xC3\x89 123";
    EXPECT_EQ(LToLowerInPlace(text), text);
    EXPECT_STREQ(text, "mixed \xC3\x89 123");
}

TEST(OneLiners, MemoryFigures)
{
    int64_t free = LGetFreeMemory();
    EXPECT_GT(free, 0);
    int64_t limit = LGetMemoryLimit();
    EXPECT_GT(limit, 0);
    // The limit takes its own reading of free memory, which other processes
    // move between the two calls: a slack of 256 MiB keeps the check about
    // the rule (never more than is free) rather than about the machine's load.
    EXPECT_LE(limit, std::max(free, LGetFreeMemory()) + (int64_t{256} << 20));
}

TEST(OneLiners, SeedRandomChangesTheSequence)
{
    std::srand(1);
    int fixed = std::rand();
    LSeedRandom();
    int first = std::rand();
    int second = std::rand();
    // Two draws that both equal the seed-1 draw would mean no seeding happened.
    EXPECT_FALSE(first == fixed && second == fixed);
}

} // namespace
