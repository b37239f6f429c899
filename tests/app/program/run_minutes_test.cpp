// The minutes a run adds to "Settings"/"MinutesRunSinceLastInstall": the
// run's length rounded to whole minutes, nothing for a run without a start.

#include "app/program/LMainWindow.h"
#include "foundation/settings/LSettings.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

using quorin::test::TempHomeTest;

class RunMinutesTest : public TempHomeTest
{
};

TEST_F(RunMinutesTest, EachRunAddsItsLengthRoundedToMinutes)
{
    const struct
    {
        int64_t seconds;
        int added;
    } runs[] = {{29, 0}, {31, 1}, {89, 1}, {150, 3}, {3600, 60}};
    int total = 0;
    for (const auto& run : runs) {
        LAddRunMinutes(1'000'000, 1'000'000 + run.seconds);
        total += run.added;
        EXPECT_EQ(LSettingsGetInt("Settings", "MinutesRunSinceLastInstall", -1), total) << run.seconds << " s";
    }
    LAddRunMinutes(0, 1'000'000); // no start time: nothing
    EXPECT_EQ(LSettingsGetInt("Settings", "MinutesRunSinceLastInstall", -1), total);
}
