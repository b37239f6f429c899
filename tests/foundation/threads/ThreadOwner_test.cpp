#include "foundation/threads/LPollSet.h"
#include "foundation/threads/LThreadOwner.h"
#include "foundation/threads/LThreadPriority.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point since)
{
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// A worker whose body is given by the test. It joins its thread in its own
// destructor, as every subclass whose Run uses its members must.
class TestThread : public LThreadOwner
{
public:
    explicit TestThread(std::function<void(TestThread&)> body) : body_(std::move(body)) {}
    ~TestThread() override { StopAndWait(); }

    std::atomic<int> runs{0};
    std::atomic<pid_t> runTid{0};

protected:
    void Run() override
    {
        runTid = gettid();
        ++runs;
        body_(*this);
    }

private:
    std::function<void(TestThread&)> body_;
};

constexpr uint32_t kLong = 5000; // generous bound for waits that must succeed

TEST(ThreadOwner, RunsOnItsOwnThreadAndFinishes)
{
    TestThread thread([](TestThread&) {});
    EXPECT_FALSE(thread.IsRunning());
    ASSERT_TRUE(thread.Start(LNormalPriority));
    EXPECT_TRUE(thread.WaitUntilFinished(kLong));
    EXPECT_EQ(thread.runs, 1);
    EXPECT_NE(thread.runTid, gettid());
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_TRUE(thread.FinishedSignal().IsSignalled());
}

TEST(ThreadOwner, StopRequestEndsAWaitWithoutLimit)
{
    std::atomic<bool> sawStop{false};
    TestThread thread([&](TestThread& self) { sawStop = self.WaitForStopNoLimit(); });
    ASSERT_TRUE(thread.Start(LNormalPriority));
    EXPECT_FALSE(thread.WaitUntilFinished(30)); // still waiting for the stop
    EXPECT_TRUE(thread.IsRunning());
    thread.RequestStop();
    EXPECT_TRUE(thread.WaitUntilFinished(kLong));
    EXPECT_TRUE(sawStop);
}

TEST(ThreadOwner, WaitsTimeOutWhenNothingHappens)
{
    std::atomic<bool> stopWait{true};
    std::atomic<int> signalWait{-1}, setWait{-1};
    std::atomic<long> elapsed{0};
    TestThread thread([&](TestThread& self) {
        LSignalObject never;
        LPollSet set;
        set.Add(never);
        auto start = Clock::now();
        stopWait = self.WaitForStop(20);
        signalWait = self.WaitForStopOrSignal(&never, 20);
        setWait = self.WaitForStopOrPollSet(&set, 20);
        elapsed = ElapsedMs(start);
    });
    ASSERT_TRUE(thread.Start(LNormalPriority));
    ASSERT_TRUE(thread.WaitUntilFinished(kLong));
    EXPECT_FALSE(stopWait);
    EXPECT_EQ(signalWait, LWaitTimedOut);
    EXPECT_EQ(setWait, LWaitTimedOut);
    EXPECT_GE(elapsed, 57);
}

TEST(ThreadOwner, SignalWakesTheWorkerAndStopWinsOverIt)
{
    LSignalObject work;
    std::atomic<int> first{-1}, second{-1};
    LSignalObject firstDone;
    TestThread thread([&](TestThread& self) {
        first = self.WaitForStopOrSignalNoLimit(&work);
        firstDone.Signal();
        // Both the stop and the signal are set now: the stop must win.
        while (!self.IsStopRequested())
            self.WaitForStop(1);
        second = self.WaitForStopOrSignal(&work, kLong);
    });
    ASSERT_TRUE(thread.Start(LNormalPriority));
    work.Signal();
    ASSERT_TRUE(firstDone.Wait(kLong));
    thread.RequestStop();
    ASSERT_TRUE(thread.WaitUntilFinished(kLong));
    EXPECT_EQ(first, LWaitSignalled);
    EXPECT_EQ(second, LWaitStopRequested);
    EXPECT_TRUE(work.IsSignalled()); // waiting never consumes a signal
}

TEST(ThreadOwner, PollSetWaitLeavesTheCallersSetAlone)
{
    LSignalObject data;
    LPollSet set;
    // A full set: the stop descriptor must be watched without a slot of it.
    for (int i = 0; i < 256; ++i)
        set.Add(data);
    std::atomic<int> timedOut{-1}, ready{-1}, stopped{-1};
    std::atomic<uint64_t> countAfter{0};
    LSignalObject timeOutsDone, readyDone;
    TestThread thread([&](TestThread& self) {
        for (int i = 0; i < 5; ++i)
            timedOut = self.WaitForStopOrPollSet(&set, 0);
        timeOutsDone.Signal();
        ready = self.WaitForStopOrPollSetNoLimit(&set);
        readyDone.Signal();
        stopped = self.WaitForStopOrPollSet(&set, kLong);
        while (stopped == LWaitSignalled) // data stays set; wait for the stop
            stopped = self.WaitForStopOrPollSet(&set, kLong);
        countAfter = set.count;
    });
    ASSERT_TRUE(thread.Start(LNormalPriority));
    ASSERT_TRUE(timeOutsDone.Wait(kLong));
    data.Signal();
    ASSERT_TRUE(readyDone.Wait(kLong));
    thread.RequestStop();
    ASSERT_TRUE(thread.WaitUntilFinished(kLong));
    EXPECT_EQ(timedOut, LWaitTimedOut);
    EXPECT_EQ(ready, LWaitSignalled);
    EXPECT_EQ(stopped, LWaitStopRequested);
    EXPECT_EQ(countAfter, 256u);
    EXPECT_TRUE(set.IsReady(0));
}

TEST(ThreadOwner, StopRequestedBeforeStartIsCleared)
{
    std::atomic<bool> stopAtEntry{true};
    TestThread thread([&](TestThread& self) {
        stopAtEntry = self.IsStopRequested();
        self.WaitForStopNoLimit();
    });
    thread.RequestStop();
    thread.RequestStop();
    ASSERT_TRUE(thread.Start(LNormalPriority));
    EXPECT_FALSE(thread.WaitUntilFinished(20));
    thread.RequestStop();
    ASSERT_TRUE(thread.WaitUntilFinished(kLong));
    EXPECT_FALSE(stopAtEntry);
}

TEST(ThreadOwner, StartOnARunningOwnerDoesNothingAndAfterTheEndStartsAFreshThread)
{
    LSignalObject entered;
    TestThread thread([&](TestThread& self) {
        entered.Signal();
        self.WaitForStopNoLimit();
    });
    ASSERT_TRUE(thread.Start(LNormalPriority));
    ASSERT_TRUE(entered.Wait(kLong));
    EXPECT_TRUE(thread.Start(LNormalPriority)); // still running: not started twice
    EXPECT_TRUE(thread.Start(LNormalPriority));
    EXPECT_FALSE(thread.WaitUntilFinished(20));
    EXPECT_EQ(thread.runs, 1);
    thread.RequestStop();
    ASSERT_TRUE(thread.WaitUntilFinished(kLong));
    // The finished thread is joined by the next Start, which clears the stop.
    entered.Reset();
    ASSERT_TRUE(thread.Start(LNormalPriority));
    EXPECT_FALSE(thread.IsStopRequested());
    EXPECT_TRUE(thread.IsRunning());
    ASSERT_TRUE(entered.Wait(kLong));
    EXPECT_EQ(thread.runs, 2);
    thread.StopAndWait();
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(thread.ThreadId(), -1);
}

TEST(ThreadOwner, RestartsManyTimesWithoutLosingThreads)
{
    // Each Start joins the previous thread, so nothing leaks and no start is
    // lost to a thread that clears fields on its way out.
    TestThread thread([](TestThread&) {});
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(thread.Start(LNormalPriority));
        ASSERT_TRUE(thread.WaitUntilFinished(kLong));
    }
    EXPECT_EQ(thread.runs, 200);
}

TEST(ThreadOwner, DestroyingANeverStartedOwnerDoesNotWait)
{
    auto start = Clock::now();
    {
        TestThread thread([](TestThread&) {});
    }
    EXPECT_LT(ElapsedMs(start), 1000);
}

TEST(ThreadOwner, DestructorStopsAndJoinsARunningThread)
{
    std::atomic<bool> ended{false};
    {
        TestThread thread([&](TestThread& self) {
            self.WaitForStopNoLimit();
            ended = true;
        });
        ASSERT_TRUE(thread.Start(LNormalPriority));
    }
    EXPECT_TRUE(ended);
}

TEST(ThreadOwner, StopAndWaitFromTheWorkerItselfOnlyRequestsTheStop)
{
    std::atomic<bool> stopSeen{false};
    TestThread thread([&](TestThread& self) {
        self.StopAndWait();
        stopSeen = self.IsStopRequested();
    });
    ASSERT_TRUE(thread.Start(LNormalPriority));
    ASSERT_TRUE(thread.WaitUntilFinished(kLong));
    EXPECT_TRUE(stopSeen);
}

void* BlockOnPipe(void* fd)
{
    char byte;
    while (read(*static_cast<int*>(fd), &byte, 1) < 0) {
    }
    return nullptr;
}

TEST(ThreadOwner, FailedThreadCreationLeavesTheOwnerNotRunning)
{
    // In a child process whose address space cannot hold another thread stack
    // (the cached stacks of earlier threads taken up by blocked threads first),
    // Start must report the failure and leave the owner startable.
    fflush(nullptr);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TestThread thread([](TestThread&) {});
        int block[2];
        if (pipe(block) != 0)
            _exit(10);
        FILE* status = fopen("/proc/self/statm", "r");
        unsigned long pages = 0;
        if (!status || fscanf(status, "%lu", &pages) != 1)
            _exit(10);
        fclose(status);
        rlimit limit{};
        getrlimit(RLIMIT_AS, &limit);
        limit.rlim_cur = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (1 << 20);
        if (setrlimit(RLIMIT_AS, &limit) != 0)
            _exit(11);
        int blocked = 0;
        pthread_t filler;
        while (blocked < 1000 && pthread_create(&filler, nullptr, &BlockOnPipe, &block[0]) == 0)
            ++blocked;
        if (blocked == 1000)
            _exit(11);
        bool started = thread.Start(LNormalPriority);
        bool running = thread.IsRunning();
        _exit(started ? 12 : running ? 13 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10/11: set-up failed, 12: Start reported success, 13: left running";
}

// Whether this process may use SCHED_FIFO at all, found on a scratch thread.
bool FifoAllowed()
{
    bool allowed = false;
    std::thread probe([&] {
        sched_param param{};
        param.sched_priority = 1;
        allowed = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
    });
    probe.join();
    return allowed;
}

TEST(ThreadOwner, PriorityIsAppliedToTheNewThread)
{
    std::atomic<int> seen{-1};
    LSignalObject go;
    TestThread thread([&](TestThread& self) {
        self.WaitForStopOrSignalNoLimit(&go);
        seen = LGetThreadPriority(pthread_self());
    });
    // Lowering a thread is always allowed, so 4 is exact unless the whole test
    // already runs below it (under nice) without the right to climb back.
    const int ours = LGetThreadPriority(pthread_self());
    ASSERT_TRUE(thread.Start(4));
    const int applied = thread.GetPriority();
    go.Signal();
    ASSERT_TRUE(thread.WaitUntilFinished(kLong));
    EXPECT_EQ(seen, applied);
    if (ours >= 4)
        EXPECT_EQ(applied, 4);
    else
        EXPECT_TRUE(applied == 4 || applied == ours) << applied;
}

TEST(ThreadOwner, RealtimePriorityFallsBackWithoutError)
{
    const bool fifo = FifoAllowed();
    std::atomic<int> seen{-1}, paused{-1}, resumed{-1};
    LSignalObject go;
    TestThread thread([&](TestThread& self) {
        self.WaitForStopOrSignalNoLimit(&go);
        seen = LGetThreadPriority(pthread_self());
        // Stepping down and up again, as playback does around a pause: the
        // way back must stay open.
        self.SetPriority(20);
        paused = LGetThreadPriority(pthread_self());
        self.SetPriority(LRealtimePriority);
        resumed = LGetThreadPriority(pthread_self());
    });
    ASSERT_TRUE(thread.Start(LRealtimePriority));
    go.Signal();
    ASSERT_TRUE(thread.WaitUntilFinished(kLong));
    if (fifo)
        EXPECT_EQ(seen, LRealtimePriority);
    else
        EXPECT_GE(seen, LGetThreadPriority(pthread_self())) << "the fallback must not lower the thread";
    EXPECT_LT(seen, fifo ? 92 : LRealtimePriority);
    EXPECT_LT(paused, LRealtimePriority);
    EXPECT_LE(paused, LNormalPriority);
    EXPECT_EQ(resumed, seen);
}

TEST(ThreadPriority, ScaleAndNiceValuesMapBothWays)
{
    struct Case
    {
        int priority;
        int nice;
        int back;
    };
    const Case cases[] = {
        {0, 19, 0},  {4, 14, 4},    {15, 1, 15},   {16, 0, 31},   {20, 0, 31},
        {31, 0, 31}, {40, -11, 40}, {47, -20, 47}, {60, -20, 47},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LPriorityToNice(c.priority), c.nice) << c.priority;
        EXPECT_EQ(LNiceToPriority(c.nice), c.back) << c.priority;
    }
}

TEST(ThreadPriority, CallingThreadsPriorityIsReadThroughItsHandle)
{
    std::atomic<int> seen{-1};
    std::thread worker([&] {
        setpriority(PRIO_PROCESS, id_t(gettid()), 19); // the lowest level, always allowed
        seen = LGetThreadPriority(pthread_self());
    });
    worker.join();
    EXPECT_EQ(seen, 0);
}

} // namespace
