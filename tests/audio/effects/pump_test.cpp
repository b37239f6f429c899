// The processing pump: adaptation to the sink, limiting before 16-bit
// output, block sizes, progress, cancellation and failed sinks.

#include "EffectsTestSources.h"

#include "audio/effects/LGainEffect.h"
#include "audio/effects/LProcessingPump.h"
#include "foundation/threads/LLocalProcessContext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>

using namespace quorin::test;

namespace {

class RecordingContext : public LLocalProcessContext
{
public:
    // stopAfter: how many IsStopRequested checks answer false before a stop (-1: never).
    explicit RecordingContext(int stopAfter = -1) : stopAfter_(stopAfter) {}
    bool IsStopRequested() override
    {
        ++checks;
        return stopAfter_ >= 0 && checks > stopAfter_;
    }
    void MessageLevel(const char* text, int level) override { messages.emplace_back(text, level); }
    void Progress(double fraction) override { progress.push_back(fraction); }

    int checks = 0;
    std::vector<std::pair<std::string, int>> messages;
    std::vector<double> progress;

private:
    int stopAfter_;
};

struct Job
{
    Job(LSoundSourcePtr source, MemorySink* sink)
    {
        job.input = source;
        job.output = LSoundSinkPtr(sink);
    }
    LSoundProcessJob job;
};

TEST(Pump, EmptySourceReportsAndWritesNothing)
{
    auto* sink = new MemorySink(44100, 1);
    Job j(MakeSource(44100, 1, {}), sink);
    RecordingContext context;
    EXPECT_EQ(ProcessSoundToSink(&context, j.job), kPumpDone);
    ASSERT_EQ(context.messages.size(), 2u);
    EXPECT_EQ(context.messages[0], (std::pair<std::string, int>{"Process Audio", 0}));
    EXPECT_EQ(context.messages[1], (std::pair<std::string, int>{"Please wait...", 1}));
    EXPECT_EQ(context.progress, std::vector<double>{0.0});
    EXPECT_TRUE(sink->writes_.empty());
}

TEST(Pump, OneBlockAndOneFrame)
{
    auto* source = new VectorSource(44100, 2, Sine(440, 44100, 2, 8193));
    auto* sink = new MemorySink(44100, 2);
    Job j(LSoundSourcePtr(source), sink);
    j.job.title = "Track 1";
    RecordingContext context;
    EXPECT_EQ(ProcessSoundToSink(&context, j.job), kPumpDone);
    EXPECT_EQ(source->reads_, (std::vector<int64_t>{8192, 1}));
    EXPECT_EQ(sink->writes_, (std::vector<int64_t>{8192, 1}));
    EXPECT_EQ(context.progress, (std::vector<double>{0.0, 0.0})); // the start, then the one cycle
    EXPECT_EQ(context.messages[0].first, "Track 1");
    EXPECT_EQ(sink->samples_, Sine(440, 44100, 2, 8193));
}

TEST(Pump, ProgressOncePerCycleAndNeverPastOne)
{
    const int64_t frames = 10 * 8192 * 3 + 5000; // three full cycles and a part
    auto* sink = new MemorySink(8000, 1);
    Job j(MakeSource(8000, 1, std::vector<int32_t>(frames, 1)), sink);
    RecordingContext context;
    EXPECT_EQ(ProcessSoundToSink(&context, j.job), kPumpDone);
    EXPECT_EQ(sink->GetPosition(), frames);
    ASSERT_EQ(context.progress.size(), 5u);
    const double step = 81920.0 / frames;
    for (size_t i = 1; i < context.progress.size(); ++i)
        EXPECT_DOUBLE_EQ(context.progress[i], (i - 1) * step);
    EXPECT_LT(context.progress.back(), 1.0);
}

TEST(Pump, AdaptsRateAndChannelsToTheSink)
{
    auto* sink = new MemorySink(44100, 2);
    Job j(MakeSource(22050, 1, Sine(1000, 22050, 1, 22050)), sink);
    RecordingContext context;
    EXPECT_EQ(ProcessSoundToSink(&context, j.job), kPumpDone);
    EXPECT_EQ(sink->GetPosition(), 44100);
    for (int64_t f = 0; f < 44100; f += 1013)
        ASSERT_EQ(sink->samples_[2 * f], sink->samples_[2 * f + 1]);
}

TEST(Pump, LimitsToSixteenBitRange)
{
    // A 1 kHz tone at four times full scale, as a 400 % gain makes it.
    LSoundSourcePtr loud = MakeSource(44100, 1, Sine(1000, 44100, 1, 44100, 524272));
    LGainEffect(67108864).CreateFilter(loud, loud);
    ASSERT_GT(loud->GetPeakLimit(), 0x7FFF0u);
    auto* sink = new MemorySink(44100, 1);
    Job j(loud, sink);
    RecordingContext context;
    EXPECT_EQ(ProcessSoundToSink(&context, j.job), kPumpDone);
    ASSERT_EQ(sink->GetPosition(), 44100);
    int32_t peak = 0;
    for (int32_t s : sink->samples_)
        peak = std::max(peak, std::abs(s));
    EXPECT_LE(peak, 0x7FFF0);
    EXPECT_GT(peak, 0x7FFF0 * 0.95);
}

TEST(Pump, CancelKeepsWhatWasWritten)
{
    auto* sink = new MemorySink(44100, 1);
    Job j(MakeSource(44100, 1, std::vector<int32_t>(300000, 7)), sink);
    // Checks: the start, the cycle, ten reads, ten writes, then the second cycle.
    RecordingContext context(1 + 1 + 10 + 10);
    EXPECT_EQ(ProcessSoundToSink(&context, j.job), kPumpCancelled);
    EXPECT_EQ(sink->GetPosition(), 81920);

    auto* untouched = new MemorySink(44100, 1);
    Job early(MakeSource(44100, 1, std::vector<int32_t>(100, 7)), untouched);
    RecordingContext stopAtOnce(0);
    EXPECT_EQ(ProcessSoundToSink(&stopAtOnce, early.job), kPumpCancelled);
    EXPECT_TRUE(untouched->writes_.empty());
}

TEST(Pump, FailedSinkEndsTheJobAtOnce)
{
    auto* source = new VectorSource(44100, 1, std::vector<int32_t>(300000, 7));
    auto* sink = new MemorySink(44100, 1, 8192); // fails on its first block
    Job j(LSoundSourcePtr(source), sink);
    // Even with a stop requested right after that write, the failure is what is reported.
    RecordingContext context(1 + 1 + 10);
    EXPECT_EQ(ProcessSoundToSink(&context, j.job), kPumpFailed);
    EXPECT_EQ(sink->writes_.size(), 1u);
    EXPECT_EQ(source->reads_.size(), 10u); // nothing read after the failure
}

TEST(Pump, FailedChainOrSinkBeforeTheStart)
{
    auto* failedSink = new MemorySink(44100, 0); // 0 channels: failed from the start
    auto* source = new VectorSource(44100, 1, std::vector<int32_t>(100, 1));
    Job j(LSoundSourcePtr(source), failedSink);
    RecordingContext context;
    EXPECT_EQ(ProcessSoundToSink(&context, j.job), kPumpFailed);
    EXPECT_TRUE(source->reads_.empty());

    LSoundProcessJob defaults; // a null source into the failed null sink
    EXPECT_EQ(ProcessSoundToSink(&context, defaults), kPumpFailed);

    auto* sink = new MemorySink(44100, 1);
    Job badSource(MakeSource(0, 1, {1, 2, 3}), sink); // status 3
    EXPECT_EQ(ProcessSoundToSink(&context, badSource.job), kPumpFailed);
    EXPECT_TRUE(sink->writes_.empty());
}

TEST(Pump, CrossfadeFlagFadesTheEnds)
{
    auto* sink = new MemorySink(1000, 1);
    Job j(MakeSource(1000, 1, std::vector<int32_t>(5000, 10000)), sink);
    j.job.crossfade = 1;
    RecordingContext context;
    EXPECT_EQ(ProcessSoundToSink(&context, j.job), kPumpDone);
    ASSERT_EQ(sink->GetPosition(), 5000);
    // min(5000 / 10, 1000 / 10) = 100 frames at each end.
    EXPECT_EQ(sink->samples_[0], 0);
    EXPECT_EQ(sink->samples_[50], 5000);
    EXPECT_EQ(sink->samples_[100], 10000);
    EXPECT_EQ(sink->samples_[4899], 10000);
    EXPECT_EQ(sink->samples_[4950], 5000);
    EXPECT_LE(sink->samples_[4999], 100);
}

} // namespace
