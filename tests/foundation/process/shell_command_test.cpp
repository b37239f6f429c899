#include "foundation/process/LChildProcess.h"
#include "foundation/process/LShellCommand.h"
#include "foundation/process/ProcessTestSupport.h"
#include "foundation/threads/LLocalProcessContext.h"
#include "foundation/threads/LPoll.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using quorin::test::CountZombieChildren;
using quorin::test::RecordingContext;
using quorin::test::WaitUntil;

namespace {

struct ShellCase
{
    const char* command;
    uint32_t ms;
    int result;
    int status;
};

class ShellCommandCases : public ::testing::TestWithParam<ShellCase>
{
};

TEST_P(ShellCommandCases, GivesResultAndExitStatus)
{
    const ShellCase& c = GetParam();
    LLocalProcessContext context;
    int status = 12345;
    EXPECT_EQ(LRunShellCommand(&context, c.command, c.ms, &status), c.result) << c.command;
    EXPECT_EQ(status, c.status) << c.command;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ShellCommandCases,
    ::testing::Values(ShellCase{"true", LNoTimeLimit, 0, 0}, ShellCase{"exit 3", LNoTimeLimit, 0, 3},
                      ShellCase{"exit 255", 5000, 0, 255},
                      // Killed by a signal: it ran, but has no exit code.
                      ShellCase{"kill -9 $$", LNoTimeLimit, 0, -1},
                      // Time-out 0 starts it and reports nothing about its end.
                      ShellCase{"exit 5", 0, 0, -1},
                      // A command the shell cannot find exits 127 from the shell.
                      ShellCase{"no-such-command-anywhere 2>/dev/null", LNoTimeLimit, 0, 127},
                      // An absent command runs the empty command.
                      ShellCase{nullptr, LNoTimeLimit, 0, 0}));

TEST(ShellCommand, TimeOutReturnsWhileTheCommandGoesOnAndIsReapedLater)
{
    quorin::test::TempDir dir;
    const std::string marker = dir.Path("done");
    LLocalProcessContext context;
    int status = 0;
    const std::string command = "sleep 0.5; echo x > '" + marker + "'";
    EXPECT_EQ(LRunShellCommand(&context, command.c_str(), 50, &status), 2);
    EXPECT_EQ(status, -1);
    EXPECT_FALSE(quorin::test::PathExists(marker));
    // The command keeps running to its end, and nobody is left a zombie.
    EXPECT_TRUE(WaitUntil([&] { return quorin::test::PathExists(marker); }));
    EXPECT_TRUE(WaitUntil([] { return CountZombieChildren() == 0; }));
}

TEST(ShellCommand, StopRequestEndsTheWaitAtOnce)
{
    RecordingContext context;
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        context.stop.Signal();
    });
    int status = 0;
    EXPECT_EQ(LRunShellCommand(&context, "sleep 3", LNoTimeLimit, &status), 1);
    stopper.join();
    EXPECT_EQ(status, -1);
}

TEST(ShellCommand, StandardInputIsAtEndOfFile)
{
    // A command that reads its input must not hang waiting for it.
    LLocalProcessContext context;
    int status = 0;
    EXPECT_EQ(LRunShellCommand(&context, "if read line; then exit 3; else exit 4; fi", 5000, &status), 0);
    EXPECT_EQ(status, 4); // read fails at end of file
}

TEST(ShellCommandCapture, ReadsEverythingBeyondWhatAPipeHolds)
{
    // 300000 bytes: more than four times a pipe's 64 KiB.
    LStringLong output;
    int status = -5;
    LRunShellCommandCapture(&output, "head -c 299999 /dev/zero | tr '\\0' a; printf END; exit 6", &status);
    ASSERT_EQ(output.Length(), 300002u);
    EXPECT_EQ(std::string(output.Text(), 5), "aaaaa");
    EXPECT_EQ(std::string(output.Text() + 299999), "END");
    EXPECT_EQ(status, 6);
    EXPECT_EQ(CountZombieChildren(), 0);
}

TEST(ShellCommandCapture, OutputWrittenJustBeforeTheEndIsKept)
{
    // The tail comes after a pause, when a reader that stops at "nothing
    // readable and the child has gone" would already have given up.
    LStringLong output;
    LRunShellCommandCapture(&output, "printf first; sleep 0.2; printf ' last'");
    EXPECT_STREQ(output.Text(), "first last");
    EXPECT_EQ(CountZombieChildren(), 0);
}

TEST(ShellCommandCapture, EmptiesTheOutputFirst)
{
    LStringLong output("old text");
    int status = 0;
    LRunShellCommandCapture(&output, "exit 2", &status);
    EXPECT_STREQ(output.Text(), "");
    EXPECT_EQ(status, 2);
}

TEST(SpawnShell, GivesBothPipesAndTheCallerReaps)
{
    pid_t pid = -1;
    int readEnd = -1, writeEnd = -1;
    ASSERT_TRUE(LSpawnShell(&pid, &readEnd, &writeEnd, "tr a-z A-Z"));
    ASSERT_GT(pid, 0);
    EXPECT_EQ(fcntl(readEnd, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
    EXPECT_EQ(fcntl(writeEnd, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
    ASSERT_EQ(write(writeEnd, "hello", 5), 5);
    close(writeEnd);
    char buffer[16] = {};
    size_t got = 0;
    ssize_t n;
    while ((n = read(readEnd, buffer + got, sizeof buffer - 1 - got)) > 0)
        got += size_t(n);
    close(readEnd);
    EXPECT_STREQ(buffer, "HELLO");
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(SpawnShell, OutputNotAskedForLeavesTheEndsAlone)
{
    pid_t pid = -1;
    int readEnd = 7, writeEnd = -1;
    ASSERT_TRUE(LSpawnShell(&pid, &readEnd, &writeEnd, "cat >/dev/null"));
    EXPECT_EQ(readEnd, 7);
    close(writeEnd);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(SystemCommand, TrueOnlyForExitCodeZero)
{
    EXPECT_TRUE(LRunSystemCommand("exit 0"));
    EXPECT_FALSE(LRunSystemCommand("exit 1"));
    EXPECT_FALSE(LRunSystemCommand("kill -9 $$"));
}

TEST(ChildProcess, FileNamesPassWhole)
{
    // A file name full of shell syntax reaches the program as one argument.
    quorin::test::TempDir dir;
    const std::string name = dir.Path("a b; rm -rf x $(echo y) 'q\".txt");
    const char* argv[] = {"touch", name.c_str(), nullptr};
    LChildProcess child;
    ASSERT_TRUE(child.Start(argv));
    EXPECT_EQ(child.WaitToEnd(), 0);
    EXPECT_TRUE(quorin::test::PathExists(name));
}

TEST(ChildProcess, MissingProgramDoesNotStart)
{
    const char* argv[] = {"/no/such/program", nullptr};
    LChildProcess child;
    EXPECT_FALSE(child.Start(argv));
    const char* byName[] = {"no-such-program-on-the-path", nullptr};
    EXPECT_FALSE(child.Start(byName));
    EXPECT_FALSE(child.IsStarted());
}

TEST(ChildProcess, ProgramThatCannotBeExecutedIsReportedAndReaped)
{
    // Executable bits on a file the kernel cannot run: exec fails in the child.
    quorin::test::TempDir dir;
    const std::string path = dir.Path("broken");
    {
        std::ofstream(path) << "\x7f"
                            << "ELF garbage";
    }
    chmod(path.c_str(), 0755);
    const char* argv[] = {path.c_str(), nullptr};
    LChildProcess child;
    EXPECT_FALSE(child.Start(argv));
    EXPECT_EQ(CountZombieChildren(), 0);
}

TEST(ChildProcess, ChildSeesOnlyTheStandardDescriptors)
{
    // A descriptor opened without close-on-exec does not leak into the child.
    const int opened = open("/dev/null", O_RDONLY);
    ASSERT_GE(opened, 0);
    const int leaky = fcntl(opened, F_DUPFD, 50); // plain F_DUPFD: no close-on-exec
    close(opened);
    ASSERT_GE(leaky, 50);
    const char* argv[] = {"/bin/sh", "-c", "ls /proc/self/fd", nullptr};
    LChildProcess child;
    ASSERT_TRUE(child.Start(argv, LChildStream::Null, LChildStream::Pipe));
    LStringLong output;
    ASSERT_TRUE(child.ReadOutputToEnd(&output));
    EXPECT_EQ(child.WaitToEnd(), 0);
    close(leaky);
    EXPECT_EQ(std::string(output.Text()).find(std::to_string(leaky) + "\n"), std::string::npos)
        << output.Text();
}

TEST(ChildProcess, PipeAndSignalsAreAtTheirDefaults)
{
    // The parent ignores SIGPIPE; a child must not inherit that.
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction old;
    sigaction(SIGPIPE, &ignore, &old);
    const char* argv[] = {"/bin/sh", "-c", "grep SigIgn /proc/self/status", nullptr};
    LChildProcess child;
    ASSERT_TRUE(child.Start(argv, LChildStream::Null, LChildStream::Pipe));
    LStringLong output;
    child.ReadOutputToEnd(&output);
    child.WaitToEnd();
    sigaction(SIGPIPE, &old, nullptr);
    // SIGPIPE is signal 13: bit 12 of the mask.
    const unsigned long long mask = std::stoull(std::string(output.Text()).substr(8), nullptr, 16);
    EXPECT_EQ(mask & (1ull << 12), 0u) << output.Text();
}

TEST(ChildProcess, WaitThroughContextSeesTheEnd)
{
    const char* argv[] = {"/bin/sh", "-c", "sleep 0.1; exit 9", nullptr};
    LChildProcess child;
    ASSERT_TRUE(child.Start(argv));
    EXPECT_GE(child.ProcessFd(), 0);
    RecordingContext context;
    EXPECT_EQ(child.Wait(&context, 5000), LChildEnded);
    EXPECT_EQ(child.ExitStatus(), 9);
    EXPECT_TRUE(child.HasEnded());
}

TEST(ChildProcess, DetachedChildIsReapedInTheBackground)
{
    const char* argv[] = {"/bin/sh", "-c", "sleep 0.2", nullptr};
    {
        LChildProcess child;
        ASSERT_TRUE(child.Start(argv));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(WaitUntil([] { return CountZombieChildren() == 0; }));
}

TEST(FindProgram, SearchesThePathLikeExec)
{
    char path[260];
    ASSERT_TRUE(LFindProgramInPath("sh", path));
    EXPECT_EQ(path[0], '/');
    EXPECT_TRUE(LFindProgramInPath("/bin/sh", path));
    EXPECT_STREQ(path, "/bin/sh");
    EXPECT_FALSE(LFindProgramInPath("", path));
    EXPECT_FALSE(LFindProgramInPath("/etc/passwd", path)); // not executable
    EXPECT_FALSE(LFindProgramInPath("/tmp", path));        // a folder
}

} // namespace
