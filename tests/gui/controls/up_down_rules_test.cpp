// Range rules of the up-down number input.

#include "gui/controls/LUpDownRules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

TEST(UpDownRules, IntegerValueIsClampedThenTruncated)
{
    struct Case
    {
        double value, min, max;
        int32_t read;
    };
    const std::vector<Case> cases = {
        {-3, 0, 10, 0},
        {12, 0, 10, 10},
        {7.9, 0, 10, 7},
        {0, 0, 10, 0},
        {10, 0, 10, 10},
        {-7.9, -10, 10, -7},
        {5, 5, 5, 5},
        {1e12, 0, 1e13, 2147483647},
        {std::numeric_limits<double>::quiet_NaN(), 2, 10, 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LUpDownIntegerValue(c.value, c.min, c.max), c.read) << c.value;
}

TEST(UpDownRules, ArrowsStopAtTheRangeEnds)
{
    struct Case
    {
        double value;
        bool up;
        double next;
    };
    // Range 1..10, step 1.
    const std::vector<Case> cases = {
        {10, true, 10},
        {9, true, 10},
        {1, false, 1},
        {2, false, 1},
        {5, true, 6},
        {5, false, 4},
        // A typed value outside the range is brought back by the first press.
        {14, false, 10},
        {-4, true, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LStepUpDownValue(c.value, 1, c.up, 1, 10), c.next) << c.value << (c.up ? " up" : " down");
    EXPECT_DOUBLE_EQ(LStepUpDownValue(0.25, 0.5, true, 0, 1), 0.75);
}

TEST(UpDownRules, EndOfEditingCorrectsAndReportsOnlyChanges)
{
    struct Case
    {
        double shown;
        double value;
        bool changed;
    };
    const std::vector<Case> cases = {
        {0, 1, true}, {11, 10, true}, {1, 1, false}, {7, 7, false}, {10, 10, false}};
    for (const auto& c : cases) {
        LUpDownEndEditing end = LEndUpDownEditing(c.shown, 1, 10);
        EXPECT_EQ(end.value, c.value) << c.shown;
        EXPECT_EQ(end.changed, c.changed) << c.shown;
    }
}

} // namespace
