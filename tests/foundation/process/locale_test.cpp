// The locale is set once per process: its own program, so no other test has
// set it first.

#include "foundation/process/LLocale.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

TEST(Locale, TakesTheUsersWholeLocaleAndKeepsNumbersInC)
{
    // "C.UTF-8" is longer than five characters: it must arrive whole.
    setenv("LC_ALL", "C.UTF-8", 1);
    const std::string all = LInitLocale(LC_ALL);
    const std::string ctype = LInitLocale(LC_CTYPE);
    EXPECT_EQ(ctype, std::setlocale(LC_CTYPE, nullptr));
    EXPECT_TRUE(ctype == "C.UTF-8" || ctype == "C.utf8") << ctype;
    EXPECT_STREQ(LInitLocale(LC_NUMERIC), "C");
    EXPECT_NE(all.find("UTF"), std::string::npos) << all;
    // Each category gives its own text, not the first one asked for.
    EXPECT_NE(std::string(LInitLocale(LC_NUMERIC)), ctype);

    char number[32];
    std::snprintf(number, sizeof number, "%.1f", 0.5);
    EXPECT_STREQ(number, "0.5");
    EXPECT_DOUBLE_EQ(std::strtod("0.5", nullptr), 0.5);
}

TEST(Locale, LaterCallsChangeNothing)
{
    setenv("LC_ALL", "C.UTF-8", 1);
    const std::string first = LInitLocale(LC_CTYPE);
    setenv("LC_ALL", "C", 1);
    EXPECT_EQ(std::string(LInitLocale(LC_CTYPE)), first);
}

} // namespace
