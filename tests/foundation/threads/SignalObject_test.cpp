#include "foundation/threads/LPollSet.h"
#include "foundation/threads/LSignalObject.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point since)
{
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

TEST(SignalObject, EndsAreNonBlockingAndCloseOnExec)
{
    LSignalObject signal;
    ASSERT_TRUE(signal.IsValid());
    for (int fd : {signal.ReadFd(), signal.WriteFd()}) {
        EXPECT_TRUE(fcntl(fd, F_GETFL) & O_NONBLOCK);
        EXPECT_TRUE(fcntl(fd, F_GETFD) & FD_CLOEXEC);
    }
}

TEST(SignalObject, IsLevelTriggeredUntilReset)
{
    LSignalObject signal;
    EXPECT_FALSE(signal.IsSignalled());
    signal.Signal();
    signal.Signal();
    // Waiting does not consume the signal: every waiter sees it.
    EXPECT_TRUE(signal.IsSignalled());
    EXPECT_TRUE(signal.Wait(0));
    EXPECT_TRUE(signal.Wait(1000));
    signal.Reset();
    EXPECT_FALSE(signal.IsSignalled());
}

TEST(SignalObject, FullPipeNeitherBlocksNorKeepsBytesAfterReset)
{
    LSignalObject signal;
    // More than a pipe holds (64 KiB): Signal must not block once the pipe is full.
    for (int i = 0; i < 70000; ++i)
        signal.Signal();
    EXPECT_TRUE(signal.IsSignalled());
    signal.Reset();
    EXPECT_FALSE(signal.IsSignalled());
}

TEST(SignalObject, SignalFromASignalHandlerWakesAWaiter)
{
    static LSignalObject* target = nullptr;
    LSignalObject signal;
    target = &signal;
    struct sigaction action
    {
    }, old{};
    action.sa_handler = [](int) { target->Signal(); };
    sigemptyset(&action.sa_mask);
    ASSERT_EQ(sigaction(SIGUSR1, &action, &old), 0);
    // A full pipe makes the handler's write fail with EAGAIN.
    for (int i = 0; i < 70000; ++i)
        signal.Signal();
    errno = 1234;
    raise(SIGUSR1);
    EXPECT_EQ(errno, 1234); // the handler leaves errno alone
    EXPECT_TRUE(signal.Wait(1000));
    sigaction(SIGUSR1, &old, nullptr);
    target = nullptr;
}

TEST(SignalObject, WaitTimesOutWhenNothingCame)
{
    LSignalObject signal;
    auto start = Clock::now();
    EXPECT_FALSE(signal.Wait(30));
    EXPECT_GE(ElapsedMs(start), 29);
}

TEST(SignalObject, WaitWithoutLimitWakesWhenAnotherThreadSignals)
{
    LSignalObject signal;
    std::thread other([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        signal.Signal();
    });
    EXPECT_TRUE(signal.Wait(0xFFFFFFFFu));
    other.join();
}

TEST(SignalObject, WaitEitherSeesEitherEnd)
{
    LSignalObject a, b;
    EXPECT_FALSE(LWaitEither(a.ReadFd(), b.ReadFd(), 10));
    b.Signal();
    EXPECT_TRUE(LWaitEither(a.ReadFd(), b.ReadFd(), 10));
    b.Reset();
    a.Signal();
    EXPECT_TRUE(LWaitEither(a.ReadFd(), b.ReadFd(), 10));
}

TEST(PollSet, HoldsAtMost256ValidDescriptors)
{
    LSignalObject signal;
    LPollSet set;
    EXPECT_FALSE(set.Add(-1));
    for (int i = 0; i < 256; ++i)
        ASSERT_TRUE(set.Add(signal)) << i;
    EXPECT_FALSE(set.Add(signal));
    EXPECT_EQ(set.count, 256u);
}

TEST(PollSet, HasInputOnlyWhenAnEntryIsReady)
{
    LPollSet set;
    EXPECT_FALSE(set.HasInput()); // an empty set is never ready
    LSignalObject a, b;
    set.Add(a);
    set.Add(b);
    EXPECT_FALSE(set.HasInput());
    b.Signal();
    EXPECT_TRUE(set.HasInput());
    EXPECT_FALSE(set.IsReady(0));
    EXPECT_TRUE(set.IsReady(1));
    EXPECT_FALSE(set.IsReady(2));
}

TEST(PollSet, WaitWithStopDescriptorLeavesTheSetAsItWas)
{
    LSignalObject stop, a;
    LPollSet set;
    for (int i = 0; i < 256; ++i)
        set.Add(a);
    for (int round = 0; round < 3; ++round)
        EXPECT_EQ(LWaitForSetOrStop(&set, stop.ReadFd(), 0), LWaitTimedOut);
    EXPECT_EQ(set.count, 256u);
    a.Signal();
    EXPECT_EQ(LWaitForSetOrStop(&set, stop.ReadFd(), 0), LWaitSignalled);
    EXPECT_TRUE(set.IsReady(255));
    stop.Signal();
    EXPECT_EQ(LWaitForSetOrStop(&set, stop.ReadFd(), 0), LWaitStopRequested);
    EXPECT_EQ(LWaitForSetOrStop(nullptr, stop.ReadFd(), 0), LWaitStopRequested);
    EXPECT_EQ(set.count, 256u);
}

} // namespace
