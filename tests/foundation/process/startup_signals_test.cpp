// The signal set-up of start-up, in its own program: the handlers it installs
// stay for the life of the process.

#include "foundation/process/LProcessStartup.h"

#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

namespace {

// Start-up makes the log folder: keep it out of the real home.
class StartupSignalsTest : public quorin::test::TempHomeTest
{
};

TEST_F(StartupSignalsTest, QuitSignalsReachTheMainLoopThroughItsPipe)
{
    LProcessStaticInit();
    const LSignalObject& quit = LGetQuitSignal();
    ASSERT_TRUE(quit.IsValid());
    quit.Reset();
    EXPECT_FALSE(quit.IsSignalled());

    // Delivered to this process: without the handler it would end the test.
    ASSERT_EQ(raise(SIGTERM), 0);
    EXPECT_TRUE(quit.Wait(1000));
    EXPECT_EQ(LGetQuitSignalNumber(), SIGTERM);
    quit.Reset();

    ASSERT_EQ(kill(getpid(), SIGINT), 0);
    EXPECT_TRUE(quit.Wait(1000));
    EXPECT_EQ(LGetQuitSignalNumber(), SIGINT);
    quit.Reset();
}

TEST_F(StartupSignalsTest, WritingToAClosedPipeGivesAnErrorNotDeath)
{
    LProcessStaticInit();
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    close(ends[0]);
    errno = 0;
    EXPECT_EQ(write(ends[1], "x", 1), -1);
    EXPECT_EQ(errno, EPIPE);
    close(ends[1]);
}

} // namespace
