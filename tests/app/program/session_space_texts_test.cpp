// The session's space texts: free space on the recording disk, and the time
// or megabytes left on the disc the tracks are for.

#include "app/program/recording/SessionSpaceTexts.h"

#include <gtest/gtest.h>

namespace {

TEST(SessionSpaceTexts, FreeSpaceInKilobytesMegabytesOrGigabytes)
{
    struct Case
    {
        int64_t bytes;
        const char* text;
    } cases[] = {
        {-1, "Unknown"},
        {0, "  0 KB"},
        {1023 * 1024, "1023 KB"},
        {1024 * 1024, "1.00 MB"},
        {int64_t(1536) * 1024 * 1024, "1.50 GB"},
        // Beyond 4 TB a 32-bit count of kilobytes would wrap.
        {int64_t(6) * 1024 * 1024 * 1024 * 1024, "6144.00 GB"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatFreeSpace(c.bytes), c.text) << c.bytes;
}

TEST(SessionSpaceTexts, AudioDiscTimeLeft)
{
    const SessionDiscState none;
    const SessionDiscState blank{true, 75 * 60 * 80}; // 80 minutes
    const SessionDiscState used{true, 0};
    struct Case
    {
        const char* what;
        SessionDiscState disc;
        int64_t usedMs;
        const char* text;
    } cases[] = {
        {"no disc", none, 0, "No Disc in Drive"},
        {"blank disc", blank, 0, "1:20:00.00"},
        {"ten minutes recorded", blank, 600000, "1:10:00.00"},
        {"full disc", used, 0, "0:00:00.00 (Disc Already Used)"},
        {"too much recorded", blank, 81 * 60000, "0:00:00.00 (Disc Capacity Exceeded)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AudioDiscSpaceText(c.disc, c.usedMs), c.text) << c.what;
}

TEST(SessionSpaceTexts, DataDiscMegabytesLeft)
{
    const SessionDiscState cd{true, 512 * 700}; // 700 MB of 2048-byte blocks
    struct Case
    {
        const char* what;
        SessionDiscState disc;
        int64_t usedBytes;
        const char* text;
    } cases[] = {
        {"no disc", SessionDiscState{}, 0, "No Disc in Drive"},
        {"empty", cd, 0, "700.000 MB"},
        {"half a megabyte used", cd, 524288, "699.500 MB"},
        {"full disc", SessionDiscState{true, 0}, 1048576, "0.000 MB (Disc Already Used)"},
        {"exceeded", cd, int64_t(701) * 1048576, "-1.000 MB (Disc Capacity Exceeded)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DataDiscSpaceText(c.disc, c.usedBytes), c.text) << c.what;
}

TEST(SessionSpaceTexts, TheDiscQueryCanBeReplaced)
{
    SetSessionDiscQuery([] { return SessionDiscState{true, 42}; });
    EXPECT_EQ(QuerySessionDisc().freeBlocks, 42);
    SetSessionDiscQuery({});
}

} // namespace
