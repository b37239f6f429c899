// Rate and channel conversion: ratios and tables, sine fidelity through the
// source and sink resamplers, positions and seeking, channel layouts and the
// adaptors that chain them.

#include "EffectsTestSources.h"

#include "audio/effects/LChannelConvert.h"
#include "audio/effects/LConversionEffects.h"
#include "audio/effects/LCueReviewSoundFilter.h"
#include "audio/effects/LLevellerEffect.h"
#include "audio/effects/LResampleSoundFilter.h"
#include "audio/effects/LResampleSoundSink.h"
#include "audio/effects/LSincTable.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace quorin::test;

namespace {

struct RatioCase
{
    int32_t in, out;
    bool approximate;
    int32_t l, m;
};

TEST(SincTable, RatiosOfCommonRates)
{
    const RatioCase cases[] = {
        {44100, 48000, false, 160, 147}, {48000, 44100, false, 147, 160}, {22050, 44100, false, 2, 1},
        {44100, 16000, false, 160, 441}, {44100, 44100, false, 1, 1},     {44100, 59535, true, 27, 20},
        {44100, 25442, true, 15, 26},
    };
    for (const auto& c : cases) {
        int32_t l = 0, m = 0;
        LSincRatio(c.in, c.out, c.approximate, &l, &m);
        EXPECT_EQ(l, c.l) << c.in << " -> " << c.out;
        EXPECT_EQ(m, c.m) << c.in << " -> " << c.out;
    }
}

TEST(SincTable, EveryPhasePassesDirectCurrentAtUnity)
{
    for (auto [in, out] : {std::pair{44100, 48000}, {48000, 44100}, {22050, 44100}}) {
        LSincTable table;
        ASSERT_TRUE(LBuildSincTable(table, in, out, 63, false, false));
        ASSERT_EQ(table.coefficients.size(), static_cast<size_t>(table.phases) * 63);
        for (int32_t p = 0; p < table.phases; ++p) {
            int64_t sum = 0;
            for (int32_t t = 0; t < 63; ++t)
                sum += table.Phase(p)[t];
            EXPECT_NEAR(sum, 65536, 400) << in << "->" << out << " phase " << p;
        }
    }
    LSincTable up;
    LBuildSincTable(up, 22050, 44100, 63, false, false);
    EXPECT_EQ(up.Phase(0)[31], 63898); // fc = 0.975 at the centre tap
    EXPECT_EQ(up.Phase(0)[30], up.Phase(0)[32]);
}

// Expected output of a resampled sine: output frame j stands for input time j x in/out.
std::vector<double> ResampledSine(double frequency, int32_t outRate, int32_t channels, int64_t frames,
                                  double amplitude = 0.5 * 524288)
{
    std::vector<double> out(static_cast<size_t>(frames * channels));
    for (int64_t f = 0; f < frames; ++f)
        for (int32_t c = 0; c < channels; ++c)
            out[f * channels + c] = amplitude * std::sin(2 * M_PI * frequency * f / outRate + c);
    return out;
}

// Frequency of one channel from its rising zero crossings.
double MeasureFrequency(const std::vector<int32_t>& samples, int32_t channels, int32_t channel, int32_t rate,
                        int64_t from, int64_t to)
{
    double first = -1, last = -1;
    int crossings = 0;
    for (int64_t f = from + 1; f < to; ++f) {
        const double a = samples[(f - 1) * channels + channel], b = samples[f * channels + channel];
        if (a < 0 && b >= 0) {
            const double at = (f - 1) + (-a) / (b - a);
            if (first < 0)
                first = at;
            else
                ++crossings;
            last = at;
        }
    }
    return crossings * rate / (last - first);
}

struct SineCase
{
    int32_t inRate, outRate;
    uint8_t inChannels, outChannels;
    double frequency;
    double minSnrDb;
};

// Floors about 3 dB under the measured SNRs (44.1 -> 48 kHz 75.4 dB, 48 -> 44.1 kHz
// 67.6 dB, 22.05 -> 44.1 kHz 80.5 dB, a 15 kHz tone up to 48 kHz 68.8 dB, three
// channels of 5 kHz down to 44.1 kHz 65.9 dB); the last digits of the design
// (window, cutoff, 16.16 taps) decide them, so a drop means a real fault.
const SineCase kSineCases[] = {
    {44100, 48000, 2, 2, 1000, 72}, {48000, 44100, 2, 2, 1000, 64.5}, {22050, 44100, 2, 2, 1000, 77},
    {44100, 48000, 1, 2, 1000, 72}, {48000, 44100, 2, 1, 1000, 64.5}, {44100, 48000, 2, 2, 15000, 65.5},
    {44100, 44100, 1, 2, 440, 110}, {48000, 44100, 3, 3, 5000, 63},
};

TEST(ResampleSource, SinesKeepTheirFrequencyAndShape)
{
    for (const auto& c : kSineCases) {
        SCOPED_TRACE(testing::Message() << c.inRate << "/" << int(c.inChannels) << " -> " << c.outRate << "/"
                                        << int(c.outChannels) << " at " << c.frequency << " Hz");
        const int64_t inFrames = c.inRate; // one second
        LSoundSourcePtr source =
            MakeSource(c.inRate, c.inChannels, Sine(c.frequency, c.inRate, c.inChannels, inFrames));
        AdaptSoundSource(c.outRate, c.outChannels, source);
        ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
        ASSERT_EQ(source->GetRate(), c.outRate);
        ASSERT_EQ(source->GetChannels(), c.outChannels);
        const int64_t outFrames = source->GetLength();
        EXPECT_EQ(outFrames, static_cast<int64_t>(inFrames) * c.outRate / c.inRate);
        const auto got = ReadAll(source, outFrames, 1000);

        // The reference: the ideal sine at the new rate, mixed the way the channels are.
        std::vector<double> want(got.size());
        const auto perChannel = ResampledSine(c.frequency, c.outRate, c.inChannels, outFrames);
        for (int64_t f = 0; f < outFrames; ++f) {
            for (int32_t oc = 0; oc < c.outChannels; ++oc) {
                double v;
                if (c.outChannels == 1) {
                    v = 0;
                    for (int32_t ic = 0; ic < c.inChannels; ++ic)
                        v += perChannel[f * c.inChannels + ic];
                    v /= c.inChannels;
                } else {
                    v = c.inChannels == 1 ? perChannel[f] : perChannel[f * c.inChannels + oc];
                }
                want[f * c.outChannels + oc] = v;
            }
        }
        const size_t edge = 100 * c.outChannels;
        const double snr = SnrDb(got, want, edge, got.size() - edge);
        EXPECT_GT(snr, c.minSnrDb);
        const double measured = MeasureFrequency(got, c.outChannels, 0, c.outRate, 100, outFrames - 100);
        EXPECT_NEAR(measured, c.frequency, c.frequency * 1e-4);
    }
}

TEST(ResampleSource, SeekingGivesTheSameFramesAsPlayingThrough)
{
    const auto input = Sine(997, 44100, 2, 60000);
    LSoundSourcePtr through = MakeSource(44100, 2, input);
    LResampleEffect(48000, false).CreateFilter(through, through);
    const int64_t length = through->GetLength();
    const auto all = ReadAll(through, length, 777);
    EXPECT_EQ(through->GetPosition(), length);

    for (int64_t at : {int64_t{0}, int64_t{5}, int64_t{30}, int64_t{31}, int64_t{32}, int64_t{161},
                       int64_t{40000}, length - 10}) {
        LSoundSourcePtr seeker = MakeSource(44100, 2, input);
        LResampleEffect(48000, false).CreateFilter(seeker, seeker);
        seeker->Seek(at);
        EXPECT_EQ(seeker->GetPosition(), at);
        const int64_t n = std::min<int64_t>(500, length - at);
        const auto part = ReadAll(seeker, n);
        EXPECT_EQ(seeker->GetPosition(), at + n);
        for (int64_t i = 0; i < n * 2; ++i)
            ASSERT_EQ(part[i], all[at * 2 + i]) << "seek to " << at << ", sample " << i;
    }
}

TEST(ResampleSource, PositionFollowsReads)
{
    LSoundSourcePtr source = MakeSource(48000, 1, Sine(300, 48000, 1, 100000));
    LResampleEffect(44100, false).CreateFilter(source, source);
    EXPECT_EQ(source->GetPosition(), 0);
    std::vector<int32_t> buffer(50000);
    int64_t total = 0;
    for (int64_t n : {1, 146, 147, 8192, 20000}) {
        source->Read(buffer.data(), n);
        total += n;
        EXPECT_EQ(source->GetPosition(), total);
    }
}

TEST(ResampleSource, LargeReductionGoesThroughTwiceTheTarget)
{
    LSoundSourcePtr source = MakeSource(44100, 1, Sine(440, 44100, 1, 44100));
    LResampleEffect(8000, false).CreateFilter(source, source);
    auto* last = dynamic_cast<LResampleSoundFilter*>(source.Get());
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->GetRate(), 8000);
    auto* first = dynamic_cast<LResampleSoundFilter*>(last->GetUpstream().Get());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetRate(), 16000);
    EXPECT_EQ(dynamic_cast<LResampleSoundFilter*>(first->GetUpstream().Get()), nullptr);

    // Even a reduction by 44 keeps a usable tone.
    LSoundSourcePtr deep = MakeSource(44100, 1, Sine(200, 44100, 1, 44100));
    LResampleEffect(1000, false).CreateFilter(deep, deep);
    EXPECT_EQ(deep->GetRate(), 1000);
    const auto got = ReadAll(deep, deep->GetLength());
    EXPECT_NEAR(MeasureFrequency(got, 1, 0, 1000, 50, 950), 200, 0.1);
}

TEST(ResampleSource, FailuresTravelAsStatus)
{
    LSoundSourcePtr failed; // a null source, status 1
    LSoundSourcePtr out;
    LResampleEffect(48000, false).CreateFilter(out, failed);
    EXPECT_EQ(out.Get(), failed.Get()); // nothing is built over a failed source

    LResampleSoundFilter over(failed, 48000, false);
    EXPECT_EQ(over.GetStatus(), kSoundStatusUpstreamFailed);

    LSoundSourcePtr good = MakeSource(22050, 1, Sine(100, 22050, 1, 100));
    LResampleEffect(0, false).CreateFilter(out, good);
    EXPECT_EQ(out->GetStatus(), kSoundStatusBadParameters);
    EXPECT_EQ(out->GetRate(), 44100);

    LResampleEffect(22050, false).CreateFilter(out, good);
    EXPECT_EQ(out.Get(), good.Get());
}

TEST(ResampleSource, DoublesALowPeakLimitForOvershoot)
{
    LSoundSourcePtr source = MakeSource(44100, 1, {0, 1, 2}, 0x7FFF0);
    LResampleEffect(48000, false).CreateFilter(source, source);
    EXPECT_EQ(source->GetPeakLimit(), 0xFFFE0u);
}

TEST(ResampleSink, SineWrittenAtOneRateArrivesAtTheOther)
{
    // The sink's 15 taps measure 59.0, 50.5 and 58.8 dB on these.
    struct SinkCase
    {
        int32_t inRate, outRate;
        double minSnrDb;
    };
    for (auto [inRate, outRate, minSnrDb] :
         {SinkCase{44100, 48000, 56}, {48000, 44100, 47.5}, {22050, 44100, 56}}) {
        SCOPED_TRACE(testing::Message() << inRate << " -> " << outRate);
        auto* memory = new MemorySink(outRate, 2);
        LSoundSinkPtr target(memory);
        {
            LSoundSinkPtr sink = target;
            CreateResampleSoundSink(sink, inRate, sink, false);
            ASSERT_NE(sink.Get(), target.Get());
            EXPECT_EQ(sink->GetRate(), static_cast<uint32_t>(inRate));
            const auto input = Sine(1000, inRate, 2, inRate);
            for (int64_t done = 0; done < inRate; done += 5000)
                sink->Write(input.data() + done * 2, std::min<int64_t>(5000, inRate - done));
            EXPECT_EQ(sink->GetPosition(), inRate);
        } // the last handle of the resampler flushes its tail
        const int64_t frames = memory->GetPosition();
        EXPECT_NEAR(frames, outRate, 2);
        for (int64_t w : memory->writes_)
            EXPECT_LE(w, 8192);
        const auto want = ResampledSine(1000, outRate, 2, frames);
        const double snr = SnrDb(memory->samples_, want, 200, memory->samples_.size() - 200);
        EXPECT_GT(snr, minSnrDb);
        EXPECT_NEAR(MeasureFrequency(memory->samples_, 2, 1, outRate, 100, frames - 100), 1000, 0.1);
    }
}

TEST(ResampleSink, TruncateCutsTheDownstreamAtTheMatchingFrame)
{
    auto* memory = new MemorySink(44100, 1);
    LSoundSinkPtr target(memory);
    LSoundSinkPtr sink;
    CreateResampleSoundSink(sink, 22050, target, false);
    const auto input = Sine(100, 22050, 1, 10000);
    sink->Write(input.data(), 10000);
    sink->Truncate(20000); // beyond the position: nothing happens
    EXPECT_TRUE(memory->truncations_.empty());
    sink->Truncate(4000);
    EXPECT_EQ(sink->GetPosition(), 4000);
    ASSERT_EQ(memory->truncations_.size(), 1u);
    EXPECT_EQ(memory->truncations_[0], 8000);
    EXPECT_EQ(memory->GetPosition(), 8000);
}

TEST(ResampleSink, FinishFlushesTheTailOnceAndDropsLaterWrites)
{
    auto* memory = new MemorySink(44100, 1);
    LSoundSinkPtr target(memory);
    LSoundSinkPtr sink;
    CreateResampleSoundSink(sink, 22050, target, false);
    const auto input = Sine(100, 22050, 1, 1000);
    sink->Write(input.data(), 1000);
    EXPECT_LT(memory->GetPosition(), 2000); // still held in the filter
    EXPECT_TRUE(sink->Finish());
    const int64_t finished = memory->GetPosition();
    EXPECT_NEAR(finished, 2000, 2);
    sink->Write(input.data(), 1000);
    EXPECT_TRUE(sink->Finish());
    sink.Reset();
    EXPECT_EQ(memory->GetPosition(), finished);

    // A downstream that fails makes the resampler fail.
    auto* failing = new MemorySink(44100, 1, 100);
    LSoundSinkPtr failingTarget(failing);
    LSoundSinkPtr front;
    CreateResampleSoundSink(front, 22050, failingTarget, false);
    std::vector<int32_t> block(8192, 0);
    front->Write(block.data(), 8192);
    EXPECT_TRUE(front->IsFailed());
    EXPECT_FALSE(front->Finish());
}

TEST(ResampleSink, StartsAtTheDownstreamsPositionInTime)
{
    auto* memory = new MemorySink(48000, 1);
    LSoundSinkPtr target(memory);
    std::vector<int32_t> second(48000, 0);
    target->Write(second.data(), 48000); // one second already written
    LSoundSinkPtr sink;
    CreateResampleSoundSink(sink, 44100, target, false);
    EXPECT_EQ(sink->GetPosition(), 44100);
}

TEST(ResampleSink, EqualRatesGiveTheSinkItself)
{
    LSoundSinkPtr target(new MemorySink(44100, 2));
    LSoundSinkPtr sink;
    CreateResampleSoundSink(sink, 44100, target, false);
    EXPECT_EQ(sink.Get(), target.Get());
    AdaptSoundSink(44100, 2, sink);
    EXPECT_EQ(sink.Get(), target.Get());
}

struct LayoutCase
{
    uint8_t in, out;
    std::vector<int32_t> frame;  // one input frame
    std::vector<int32_t> expect; // the output frame
};

const LayoutCase kLayouts[] = {
    {2, 1, {100, -301}, {-100}},
    {2, 1, {INT32_MAX, INT32_MAX}, {INT32_MAX}}, // no overflow in the sum
    {1, 2, {7}, {7, 7}},
    {2, 6, {5, -9}, {5, -9, 0, 0, 0, 0}},
    {2, 4, {5, -9}, {5, -9, 0, 0}},
    {1, 6, {3}, {3, 3, 0, 0, 0, 0}},
    {6, 2, {1, 2, 3, 4, 5, 6}, {3, 4}},
    {6, 1, {1, 2, 3, 4, 5, 6}, {3}},
    {4, 6, {1, 2, 3, 4}, {1, 2, 3, 4, 0, 0}},
    {3, 3, {1, 2, 3}, {1, 2, 3}},
};

TEST(ChannelConvert, MappingOfEveryLayout)
{
    for (const auto& c : kLayouts) {
        SCOPED_TRACE(testing::Message() << int(c.in) << " -> " << int(c.out));
        std::vector<int32_t> out(c.out);
        LConvertChannels(c.frame.data(), c.in, out.data(), c.out, 1);
        EXPECT_EQ(out, c.expect);

        // Source side.
        std::vector<int32_t> input;
        for (int i = 0; i < 9000; ++i)
            input.insert(input.end(), c.frame.begin(), c.frame.end());
        LSoundSourcePtr source = MakeSource(44100, c.in, input);
        LChannelConvertEffect(c.out).CreateFilter(source, source);
        ASSERT_EQ(source->GetChannels(), c.out);
        const auto frames = ReadAll(source, 9000, 9000); // more than one internal block
        for (int i = 0; i < 9000; i += 997)
            ASSERT_EQ(std::vector<int32_t>(frames.begin() + i * c.out, frames.begin() + (i + 1) * c.out),
                      c.expect);

        // Sink side.
        auto* memory = new MemorySink(44100, c.out);
        LSoundSinkPtr sink(memory);
        CreateChannelConvertSink(sink, sink, c.in);
        ASSERT_EQ(sink->GetChannels(), c.in);
        EXPECT_FALSE(sink->IsFailed());
        sink->Write(input.data(), 9000);
        EXPECT_EQ(sink->GetPosition(), 9000);
        ASSERT_EQ(memory->samples_.size(), 9000u * c.out);
        EXPECT_EQ(std::vector<int32_t>(memory->samples_.end() - c.out, memory->samples_.end()), c.expect);
    }
}

TEST(ChannelConvert, SinkWithNoChannelsIsTheFailedNullSink)
{
    LSoundSinkPtr target(new MemorySink(44100, 2));
    LSoundSinkPtr sink;
    CreateChannelConvertSink(sink, target, 0);
    EXPECT_TRUE(sink->IsFailed());
    EXPECT_EQ(sink->GetRate(), 44100u);
    EXPECT_EQ(sink->GetChannels(), 1);
}

TEST(ChannelConvert, SinkTruncatesItsDownstream)
{
    auto* memory = new MemorySink(44100, 1);
    LSoundSinkPtr sink(memory);
    CreateChannelConvertSink(sink, sink, 2);
    std::vector<int32_t> frames(200, 4);
    sink->Write(frames.data(), 100);
    sink->Truncate(30);
    EXPECT_EQ(sink->GetPosition(), 30);
    EXPECT_EQ(memory->GetPosition(), 30);
}

TEST(AdaptSource, EqualFormatsReturnTheSameSource)
{
    LSoundSourcePtr source = MakeSource(44100, 2, {1, 2});
    LSoundSource* before = source.Get();
    AdaptSoundSource(44100, 2, source);
    EXPECT_EQ(source.Get(), before);
}

TEST(AdaptSource, ReducesBeforeAndExpandsAfterResampling)
{
    LSoundSourcePtr down = MakeSource(48000, 6, std::vector<int32_t>(6000, 1));
    AdaptSoundSource(44100, 2, down);
    EXPECT_EQ(down->GetChannels(), 2);
    auto* resampler = dynamic_cast<LResampleSoundFilter*>(down.Get());
    ASSERT_NE(resampler, nullptr); // the reduction sits before it
    EXPECT_EQ(resampler->GetUpstream()->GetChannels(), 2);

    LSoundSourcePtr up = MakeSource(22050, 1, std::vector<int32_t>(1000, 1));
    AdaptSoundSource(44100, 2, up);
    EXPECT_EQ(up->GetChannels(), 2);
    auto* expansion = dynamic_cast<LChannelConvertFilter*>(up.Get());
    ASSERT_NE(expansion, nullptr);
    EXPECT_EQ(expansion->GetUpstream()->GetChannels(), 1); // the resampler ran on one channel
}

TEST(MultiSink, EachSinkGetsItsOwnRateAndChannels)
{
    auto* mono = new MemorySink(44100, 1);
    auto* stereo = new MemorySink(48000, 2);
    LSoundSinkPtr sinks[2] = {LSoundSinkPtr(mono), LSoundSinkPtr(stereo)};
    {
        LSoundSinkPtr multi;
        CreateMultiSoundSink(multi, sinks, 2);
        ASSERT_FALSE(multi->IsFailed());
        EXPECT_EQ(multi->GetRate(), 48000u);
        EXPECT_EQ(multi->GetChannels(), 2);
        const auto input = Sine(1000, 48000, 2, 48000);
        for (int64_t done = 0; done < 48000; done += 8192)
            multi->Write(input.data() + done * 2, std::min<int64_t>(8192, 48000 - done));
    }
    EXPECT_EQ(stereo->GetPosition(), 48000);
    EXPECT_EQ(stereo->samples_.size(), 96000u);
    EXPECT_NEAR(mono->GetPosition(), 44100, 2);
    EXPECT_EQ(mono->samples_.size(), static_cast<size_t>(mono->GetPosition()));
    EXPECT_NEAR(MeasureFrequency(mono->samples_, 1, 0, 44100, 100, 44000), 1000, 0.1);

    LSoundSinkPtr none;
    CreateMultiSoundSink(none, sinks, 0);
    EXPECT_TRUE(none->IsFailed());
}

} // namespace

namespace {

std::vector<int32_t> Ramp(int64_t frames, int64_t offset = 0)
{
    std::vector<int32_t> out(static_cast<size_t>(frames));
    for (int64_t f = 0; f < frames; ++f)
        out[f] = static_cast<int32_t>((f + offset) * 16);
    return out;
}

TEST(CueReview, NormalSpeedPlaysTheSourceUnchanged)
{
    const auto input = Sine(440, 44100, 2, 44100);
    LSoundSourcePtr source(new LCueReviewSoundFilter(MakeSource(44100, 2, input), 1.0, 1.0, 8000, true));
    const auto out = ReadAll(source, 40000, 1234);
    for (size_t i = 0; i < out.size(); ++i)
        ASSERT_NEAR(out[i], input[i], 4) << i; // the crossfade's 8.24 products round down
    EXPECT_EQ(source->GetPosition(), 40000);
}

TEST(CueReview, GrainsContinueThenCrossfadeToTheNewPlace)
{
    // 9000 Hz: grains of 100 frames; at double speed each grain starts 200 frames on.
    auto* filter = new LCueReviewSoundFilter(MakeSource(9000, 1, Ramp(9000)), 2.0, 2.0, 0, true);
    LSoundSourcePtr source(filter);
    ASSERT_EQ(filter->GetGrainFrames(), 100);
    const auto out = ReadAll(source, 400, 37);
    EXPECT_EQ(out[300], 500 * 16);                    // grain 3 starts where grain 2's stream had got to
    EXPECT_EQ(out[349], 549 * 16);                    // and continues it for half a grain
    EXPECT_NEAR(out[399], 699 * 16, 16 * 0.01 * 200); // then ends at the new place (600 + 99)
    EXPECT_EQ(source->GetPosition(), 800);
}

TEST(CueReview, PositionMovesAtTheCurrentSpeed)
{
    struct Case
    {
        double start, end;
        uint32_t ms;
        int64_t from, expectAfterOneSecond;
        double endSpeed;
    };
    const Case cases[] = {
        {2.0, 2.0, 8000, 1000, 1000 + 2 * 9000, 2.0},
        {-1.0, -1.0, 8000, 20000, 20000 - 9000, -1.0},
        {1.5, 7.0, 1000, 0, 0, 7.0}, // ramps within the second: checked by the end speed
    };
    for (const auto& c : cases) {
        auto* filter =
            new LCueReviewSoundFilter(MakeSource(9000, 1, Ramp(200000)), c.start, c.end, c.ms, false);
        LSoundSourcePtr source(filter);
        source->Seek(c.from);
        EXPECT_EQ(source->GetPosition(), c.from);
        ReadAll(source, 9000, 500);
        if (c.expectAfterOneSecond == 0)
            ReadAll(source, filter->GetGrainFrames() + 1); // into the first grain after the ramp
        if (c.expectAfterOneSecond != 0)
            EXPECT_NEAR(source->GetPosition(), c.expectAfterOneSecond, 100) << c.start;
        else
            EXPECT_GT(source->GetPosition(), 9000 * 1.5);
        EXPECT_DOUBLE_EQ(filter->GetSpeed(), c.endSpeed);
    }
}

TEST(CueReview, FramesStillQueuedMapToWhereTheyWereRead)
{
    // A player asks where the frame it plays now came from, seconds of
    // output after it was made: the answer follows the speeds of the ramp,
    // not the speed the filter has reached since.
    for (auto [start, end] : {std::pair{1.5, 7.0}, {-0.5, -7.0}}) {
        auto* filter = new LCueReviewSoundFilter(MakeSource(44100, 1, Ramp(2000000)), start, end, 8000, false);
        LSoundSourcePtr source(filter);
        source->Seek(600000);
        std::vector<int64_t> positions{source->GetPosition()};
        std::vector<int32_t> buffer(1000);
        for (int i = 0; i < 300; ++i) {
            source->Read(buffer.data(), 1000);
            positions.push_back(source->GetPosition());
        }
        const int64_t now = source->GetPosition();
        for (size_t back : {size_t{1}, size_t{37}, size_t{150}, size_t{300}}) {
            int64_t correction = -static_cast<int64_t>(back) * 1000;
            ASSERT_TRUE(source->Query(kQueryMapCorrection, &correction));
            EXPECT_EQ(now + correction, positions[positions.size() - 1 - back]) << start << ", " << back;
        }
    }
}

TEST(CueReview, RewindingPastTheStartGivesSilence)
{
    LSoundSourcePtr source(
        new LCueReviewSoundFilter(MakeSource(44100, 2, Sine(440, 44100, 2, 44100)), -7.0, -7.0, 8000, false));
    source->Seek(1000);
    const auto out = ReadAll(source, 44100, 4096);
    EXPECT_LT(source->GetPosition(), 0);
    for (size_t i = out.size() - 2000; i < out.size(); ++i)
        ASSERT_EQ(out[i], 0);
}

} // namespace
