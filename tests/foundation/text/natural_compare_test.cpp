// Natural-order comparison of names.

#include "foundation/text/LNaturalCompare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

int Sign(int v)
{
    return (v > 0) - (v < 0);
}

TEST(NaturalCompare, Table)
{
    struct Case
    {
        const char* a;
        const char* b;
        int expected;
    };
    const std::vector<Case> cases = {
        {"Track 2", "Track 10", -1},
        {"track 10", "TRACK 10", 0},
        {"a01", "a1", 1},
        {"a01x", "a1x", 0},
        {"a01", "a1b", -1},
        {"", "0", -1},
        {"", "", 0},
        {"abc", "ab", 1},
        {"\xC3\x84pfel", "Apple", -1},
        {"x9", "x10", -1},
        {"x10", "x9", 1},
        {"007", "7", 1},
        {"7", "7", 0},
        {"file 2b", "file 2a", 1},
        {"a", "B", -1},
        {"_", "a", 1}, // letters fold to upper case, and 'A' (0x41) comes before '_' (0x5F)
        {"99999999999999999999999", "100000000000000000000000", -1},
        {"18446744073709551617", "18446744073709551616", 1},
        {"Disc 1 Track 3", "Disc 1 Track 12", -1},
        {"Disc 2 Track 1", "Disc 10 Track 1", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Sign(LStrCmpNatural(c.a, c.b)), c.expected) << c.a << " vs " << c.b;
        EXPECT_EQ(Sign(LStrCmpNatural(c.b, c.a)), -c.expected) << c.b << " vs " << c.a;
    }
}

TEST(NaturalCompare, SortsAListOfTracks)
{
    std::vector<std::string> names = {"Track 10.wav", "track 1.wav", "Track 2.wav",
                                      "Track 01.wav", "Intro.wav",   "Track 100.wav"};
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return LStrCmpNatural(a.c_str(), b.c_str()) < 0;
    });
    EXPECT_EQ(names, (std::vector<std::string>{"Intro.wav", "track 1.wav", "Track 01.wav", "Track 2.wav",
                                               "Track 10.wav", "Track 100.wav"}));
}

} // namespace
