#include "foundation/threads/LProgressRangeContext.h"
#include "foundation/threads/LLocalProcessContext.h"
#include "foundation/threads/LPollSet.h"
#include "foundation/threads/LSignalObject.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

long ElapsedMs(Clock::time_point since)
{
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// Records everything it is told and answers the waits with set values.
class RecordingContext : public LProcessContext
{
public:
    bool stop = false;
    int waitAnswer = LWaitTimedOut;
    std::vector<std::string> calls;

    bool IsStopRequested() override
    {
        calls.push_back("stop?");
        return stop;
    }
    bool WaitForStop(uint32_t ms) override
    {
        calls.push_back("wait " + std::to_string(ms));
        return stop;
    }
    int WaitForStopOrSignal(const LSignalObject*, uint32_t ms) override
    {
        calls.push_back("signal " + std::to_string(ms));
        return waitAnswer;
    }
    int WaitForStopOrPollSet(LPollSet* set, uint32_t ms) override
    {
        calls.push_back("set " + std::to_string(set ? set->count : 0) + " " + std::to_string(ms));
        return waitAnswer;
    }
    void Message(const char* text) override { calls.push_back(std::string("message ") + text); }
    void MessageLevel(const char* text, int level) override
    {
        calls.push_back("level " + std::to_string(level) + " " + text);
    }
    void Progress(double fraction) override { calls.push_back("progress " + std::to_string(fraction)); }
    void BeginIndeterminateProgress() override { calls.push_back("begin"); }
    void EndIndeterminateProgress() override { calls.push_back("end"); }
};

TEST(ProcessContext, NoLimitWaitsUseTheLimitedOnesWithAllBitsSet)
{
    RecordingContext context;
    LPollSet set;
    context.WaitForStopNoLimit();
    context.WaitForStopOrSignalNoLimit(nullptr);
    context.WaitForStopOrPollSetNoLimit(&set);
    EXPECT_EQ(context.calls,
              (std::vector<std::string>{"wait 4294967295", "signal 4294967295", "set 0 4294967295"}));
}

TEST(ProcessContext, FormattedMessagesFollowPrintf)
{
    RecordingContext context;
    context.MessageF("%s %d%%", "copied", 42);
    context.MessageLevelF(1, "%05.1f", 3.14159);
    EXPECT_EQ(context.calls, (std::vector<std::string>{"message copied 42%", "level 1 003.1"}));
}

TEST(ProcessContext, FormattedMessagesAreCutTo8191BytesAtACharacter)
{
    RecordingContext context;
    context.MessageF("%s", std::string(9000, 'x').c_str());
    // 8190 ASCII bytes, then a three-byte character across the limit.
    context.MessageF("%s\xE2\x82\xACmore", std::string(8190, 'y').c_str());
    ASSERT_EQ(context.calls.size(), 2u);
    EXPECT_EQ(context.calls[0], "message " + std::string(8191, 'x'));
    EXPECT_EQ(context.calls[1], "message " + std::string(8190, 'y'));
}

TEST(LocalProcessContext, IsNeverStoppedAndSleepsTheWholeWait)
{
    LLocalProcessContext context;
    EXPECT_FALSE(context.IsStopRequested());
    auto start = Clock::now();
    EXPECT_FALSE(context.WaitForStop(25));
    EXPECT_GE(ElapsedMs(start), 24);
}

TEST(LocalProcessContext, SignalWaitAnswersSignalledOrTimedOutOnly)
{
    LLocalProcessContext context;
    LSignalObject signal;
    EXPECT_EQ(context.WaitForStopOrSignal(&signal, 10), LWaitTimedOut);
    signal.Signal();
    EXPECT_EQ(context.WaitForStopOrSignal(&signal, 10), LWaitSignalled);
    EXPECT_EQ(context.WaitForStopOrSignalNoLimit(&signal), LWaitSignalled);
}

TEST(LocalProcessContext, EmptySetTimesOutAtOnce)
{
    LLocalProcessContext context;
    LPollSet set;
    auto start = Clock::now();
    EXPECT_EQ(context.WaitForStopOrPollSetNoLimit(&set), LWaitTimedOut);
    EXPECT_EQ(context.WaitForStopOrPollSet(nullptr, 10000), LWaitTimedOut);
    EXPECT_LT(ElapsedMs(start), 1000);
    LSignalObject a, b;
    set.Add(a);
    set.Add(b);
    EXPECT_EQ(context.WaitForStopOrPollSet(&set, 10), LWaitTimedOut);
    b.Signal();
    EXPECT_EQ(context.WaitForStopOrPollSet(&set, 10), LWaitSignalled);
    EXPECT_TRUE(set.IsReady(1));
    EXPECT_EQ(set.count, 2u);
}

TEST(ForwardingProcessContext, MovesLevelsDownAndMapsProgressIntoItsRange)
{
    RecordingContext inner;
    LProgressRangeContext context(&inner, 0.5, 0.5);
    context.MessageLevel("title", 0);
    context.MessageLevel("detail", 2);
    context.Message("box");
    context.Progress(0.0);
    context.Progress(1.0);
    context.BeginIndeterminateProgress();
    context.EndIndeterminateProgress();
    EXPECT_EQ(inner.calls, (std::vector<std::string>{"level 1 title", "level 3 detail", "message box",
                                                     "progress 0.500000", "progress 1.000000"}));
}

TEST(ForwardingProcessContext, DefaultRangeIsTheWholeBar)
{
    RecordingContext inner;
    LProgressRangeContext context(&inner);
    context.Progress(0.25);
    EXPECT_EQ(inner.calls, (std::vector<std::string>{"progress 0.250000"}));
}

TEST(ForwardingProcessContext, StopAndWaitsPassThroughUnchanged)
{
    RecordingContext inner;
    inner.stop = true;
    inner.waitAnswer = LWaitStopRequested;
    LProgressRangeContext context(&inner);
    LPollSet set;
    LSignalObject signal;
    set.Add(signal);
    EXPECT_TRUE(context.IsStopRequested());
    EXPECT_TRUE(context.WaitForStop(7));
    EXPECT_EQ(context.WaitForStopOrSignal(&signal, 8), LWaitStopRequested);
    EXPECT_EQ(context.WaitForStopOrPollSet(&set, 9), LWaitStopRequested);
    EXPECT_EQ(context.WaitForStopOrSignalNoLimit(&signal), LWaitStopRequested);
    EXPECT_EQ(inner.calls,
              (std::vector<std::string>{"stop?", "wait 7", "signal 8", "set 1 9", "signal 4294967295"}));
}

TEST(ForwardingProcessContext, WithoutInnerContextActsLocally)
{
    LProgressRangeContext context(nullptr);
    LSignalObject signal;
    signal.Signal();
    EXPECT_FALSE(context.IsStopRequested());
    EXPECT_EQ(context.WaitForStopOrSignal(&signal, 10), LWaitSignalled);
    context.MessageLevel("dropped", 0);
    context.Progress(0.5);
}

} // namespace
