#include "audio/core/LSoundSamples.h"
#include "audio/core/LSoundSink.h"
#include "audio/core/LSoundSource.h"
#include "audio/formats/aiff/LAudioCdTrack.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A source that counts its live instances, to see when handles destroy it.
class ProbeSource : public LSoundSource
{
public:
    ProbeSource(int32_t rate, uint8_t channels, int* alive)
        : LSoundSource(rate, channels, 0x7FFF0), alive_(alive)
    {
        ++*alive_;
    }
    ~ProbeSource() override { --*alive_; }
    int64_t Read(int32_t* buffer, int64_t frames) override
    {
        for (int64_t i = 0; i < frames * channels_; ++i)
            buffer[i] = static_cast<int32_t>(position_ + i / channels_);
        position_ += frames;
        return frames;
    }
    int64_t GetPosition() override { return position_; }
    int64_t GetLength() override { return 1000; }
    void Seek(int64_t frame) override { position_ = frame; }
    bool Query(int32_t code, int64_t* value) override
    {
        if (code != 42)
            return false;
        *value = 7;
        return true;
    }

private:
    int* alive_;
    int64_t position_ = 0;
};

class DoublingFilter : public LSoundFilter
{
public:
    using LSoundFilter::LSoundFilter;
    int64_t Read(int32_t* buffer, int64_t frames) override
    {
        int64_t n = upstream_->Read(buffer, frames);
        for (int64_t i = 0; i < frames * channels_; ++i)
            buffer[i] *= 2;
        return n;
    }
};

class ProbeSink : public LSoundSink
{
public:
    ProbeSink(int* alive, std::vector<int32_t>* seen) : LSoundSink(44100, 2), alive_(alive), seen_(seen)
    {
        ++*alive_;
    }
    ~ProbeSink() override { --*alive_; }
    void Write(const int32_t* buffer, int64_t frames) override
    {
        seen_->insert(seen_->end(), buffer, buffer + frames * channels_);
        position_ += frames;
    }
    void Truncate(int64_t) override {}

private:
    int* alive_;
    std::vector<int32_t>* seen_;
};

TEST(SoundSource, BadParametersAreReplacedAndMarked)
{
    int alive = 0;
    struct Case
    {
        int32_t rate;
        uint8_t channels;
        int32_t wantRate;
        uint8_t wantChannels;
        uint8_t wantStatus;
    } cases[] = {
        {0, 2, 44100, 2, kSoundStatusBadParameters},
        {-5, 1, 44100, 1, kSoundStatusBadParameters},
        {48000, 0, 48000, 1, kSoundStatusBadParameters},
        {22050, 6, 22050, 6, kSoundStatusOk},
    };
    for (const Case& c : cases) {
        LSoundSourcePtr source(new ProbeSource(c.rate, c.channels, &alive));
        EXPECT_EQ(source->GetRate(), c.wantRate);
        EXPECT_EQ(source->GetChannels(), c.wantChannels);
        EXPECT_EQ(source->GetStatus(), c.wantStatus);
    }
    EXPECT_EQ(alive, 0);
}

TEST(SoundSource, HandlesCountAndDestroy)
{
    int alive = 0;
    {
        LSoundSourcePtr a(new ProbeSource(44100, 2, &alive));
        EXPECT_EQ(a->GetRefCount(), 1);
        a = a; // self-assignment keeps the object alive
        EXPECT_EQ(alive, 1);
        EXPECT_EQ(a->GetRefCount(), 1);
        {
            LSoundSourcePtr b(a);
            EXPECT_EQ(a->GetRefCount(), 2);
            LSoundSourcePtr c;
            c = b;
            EXPECT_EQ(a->GetRefCount(), 3);
        }
        EXPECT_EQ(a->GetRefCount(), 1);
        LSoundSource* fresh = a.Reset();
        EXPECT_EQ(alive, 0);
        EXPECT_EQ(fresh, a.Get());
        EXPECT_EQ(a->GetRefCount(), 1);
        EXPECT_EQ(a->GetStatus(), kSoundStatusPlaceholder);
    }
    EXPECT_EQ(alive, 0);
}

TEST(SoundSource, NullSourceIsSilentPlaceholder)
{
    LSoundSourcePtr empty;
    EXPECT_EQ(empty->GetRate(), 11025);
    EXPECT_EQ(empty->GetChannels(), 1);
    EXPECT_EQ(empty->GetPeakLimit(), 0x200000u);
    EXPECT_EQ(empty->GetStatus(), kSoundStatusPlaceholder);
    std::vector<int32_t> buffer(16, 99);
    empty->Read(buffer.data(), 16);
    for (int32_t v : buffer)
        EXPECT_EQ(v, 0);
    EXPECT_EQ(empty->GetLength(), 0);
    EXPECT_EQ(empty->GetPosition(), 0);
    int64_t value = 0;
    EXPECT_FALSE(empty->Query(1, &value));
    EXPECT_FALSE(empty->IsMoreDataPending());

    LSoundSourcePtr failed;
    LSetFailedSource(failed, kSoundStatusUnsupported);
    EXPECT_EQ(failed->GetStatus(), kSoundStatusUnsupported);
}

TEST(SoundSource, WaitForDataSleeps)
{
    LSoundSourcePtr empty;
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(empty->WaitForData(20), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(20));
}

TEST(SoundFilter, ForwardsAndInheritsStatus)
{
    int alive = 0;
    {
        LSoundSourcePtr upstream(new ProbeSource(32000, 2, &alive));
        LSoundSourcePtr filter(new DoublingFilter(upstream));
        EXPECT_EQ(upstream->GetRefCount(), 2);
        upstream.Reset();
        EXPECT_EQ(alive, 1); // the filter owns its upstream
        EXPECT_EQ(filter->GetRate(), 32000);
        EXPECT_EQ(filter->GetChannels(), 2);
        EXPECT_EQ(filter->GetPeakLimit(), 0x7FFF0u);
        EXPECT_EQ(filter->GetStatus(), kSoundStatusOk);
        filter->Seek(10);
        EXPECT_EQ(filter->GetPosition(), 10);
        EXPECT_EQ(filter->GetLength(), 1000);
        int32_t buffer[4];
        filter->Read(buffer, 2);
        EXPECT_EQ(buffer[0], 20);
        EXPECT_EQ(buffer[3], 22);
        int64_t value = 0;
        EXPECT_TRUE(filter->Query(42, &value));
        EXPECT_EQ(value, 7);
    }
    EXPECT_EQ(alive, 0);

    LSoundSourcePtr failed;
    LSetFailedSource(failed, kSoundStatusCannotOpen);
    LSoundSourcePtr filter(new DoublingFilter(failed));
    EXPECT_EQ(filter->GetStatus(), kSoundStatusUpstreamFailed);
}

TEST(SoundSink, NullCountingAndZeroChannels)
{
    LSoundSinkPtr empty;
    EXPECT_TRUE(empty->IsFailed());
    EXPECT_EQ(empty->GetRate(), 44100u);
    EXPECT_EQ(empty->GetChannels(), 1);
    EXPECT_EQ(empty->GetHandle(), -1);
    EXPECT_EQ(empty->GetRefCount(), 1);

    LSoundSinkPtr counting(new LCountingSoundSink(48000, 0));
    EXPECT_TRUE(counting->IsFailed());
    EXPECT_EQ(counting->GetChannels(), 1);

    LSoundSinkPtr good(new LCountingSoundSink(48000, 2));
    EXPECT_FALSE(good->IsFailed());
    good->Write(nullptr, 100);
    good->Write(nullptr, 28);
    good->Truncate(0);
    EXPECT_EQ(good->GetPosition(), 128);
}

TEST(SoundSink, MultiSinkFansOutInOrderAndReleasesAll)
{
    int alive = 0;
    std::vector<int32_t> first, second;
    {
        LSoundSinkPtr multi(new LMultiSoundSink(44100, 2, 3));
        auto* fan = static_cast<LMultiSoundSink*>(multi.Get());
        EXPECT_TRUE(fan->GetSinks()[2]->IsFailed()); // untouched slots hold null sinks
        fan->GetSinks()[0] = new ProbeSink(&alive, &first);
        fan->GetSinks()[1] = new ProbeSink(&alive, &second);
        const int32_t block[] = {1, 2, 3, 4};
        multi->Write(block, 2);
        EXPECT_EQ(multi->GetPosition(), 2);
        EXPECT_EQ(fan->GetSinks()[0]->GetPosition(), 2);
        EXPECT_EQ(alive, 2);
    }
    EXPECT_EQ(alive, 0);
    EXPECT_EQ(first, (std::vector<int32_t>{1, 2, 3, 4}));

    // Finishing reaches the placed sinks; a failed one makes the whole fail.
    LSoundSinkPtr multi(new LMultiSoundSink(44100, 2, 2));
    auto* fan = static_cast<LMultiSoundSink*>(multi.Get());
    fan->GetSinks()[0] = new LCountingSoundSink(44100, 2);
    EXPECT_TRUE(multi->Finish());
    fan->GetSinks()[1] = new LCountingSoundSink(44100, 0); // failed: no channels
    EXPECT_FALSE(multi->Finish());
    EXPECT_EQ(second, first);
}

TEST(SoundSamples, SixteenBitRoundTripAndSaturation)
{
    struct Case
    {
        int32_t internal;
        int16_t pcm;
    } cases[] = {
        {524272, 0x7FFF},
        {524280, 0x7FFF} /* saturates instead of wrapping */,
        {0, 0},
        {7, 0},
        {8, 1},
        {-524288, -32768},
        {-600000, -32768},
        {INT32_MAX, 0x7FFF},
        {INT32_MIN, -32768},
    };
    for (const Case& c : cases) {
        uint8_t bytes[2];
        LInternalToPcm16(&c.internal, bytes, 1);
        EXPECT_EQ(static_cast<int16_t>(bytes[0] | bytes[1] << 8), c.pcm) << c.internal;
        LInternalToPcm16Be(&c.internal, bytes, 1);
        EXPECT_EQ(static_cast<int16_t>(bytes[1] | bytes[0] << 8), c.pcm) << c.internal;
    }
    const uint8_t pcm[] = {0xFF, 0x7F, 0x00, 0x80, 0xFF, 0xFF};
    int32_t internal[3];
    LPcm16ToInternal(pcm, internal, 3);
    EXPECT_EQ(internal[0], 524272);
    EXPECT_EQ(internal[1], -524288);
    EXPECT_EQ(internal[2], -16);
}

TEST(SoundSamples, EightBitConversions)
{
    struct Case
    {
        int32_t internal;
        uint8_t pcm;
    } cases[] = {
        {0, 128},     {-524288, 0}, {520192, 255}, {524272, 255} /* full scale stays positive */,
        {-600000, 0}, {2047, 128},  {2048, 129},
    };
    for (const Case& c : cases) {
        uint8_t b;
        LInternalToPcm8(&c.internal, &b, 1);
        EXPECT_EQ(b, c.pcm) << c.internal;
    }
    const uint8_t pcm[] = {0, 128, 255};
    int32_t internal[3];
    LPcm8ToInternal(pcm, internal, 3);
    EXPECT_EQ(internal[0], -524288);
    EXPECT_EQ(internal[1], 0);
    EXPECT_EQ(internal[2], 520192);
}

TEST(SoundSamples, BulkConversionsMatchScalarRuleOnOddLengths)
{
    std::vector<int32_t> samples;
    for (int32_t v = -530000; v <= 530000; v += 997)
        samples.push_back(v);
    std::vector<uint8_t> bytes(samples.size() * 2 + 1);
    LInternalToPcm16(samples.data(), bytes.data() + 1, static_cast<int64_t>(samples.size()));
    for (size_t i = 0; i < samples.size(); ++i) {
        int16_t got = static_cast<int16_t>(bytes[1 + 2 * i] | bytes[2 + 2 * i] << 8);
        EXPECT_EQ(got, LInternalToPcm16Sample(samples[i]));
    }
}

TEST(SoundSamples, WidePcmAndFloat)
{
    const uint8_t pcm24[] = {0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x80, 0x10, 0x00, 0x00};
    int32_t internal[3];
    LPcm24ToInternal(pcm24, internal, 3);
    EXPECT_EQ(internal[0], 0x7FFFFF >> 4);
    EXPECT_EQ(internal[1], -524288);
    EXPECT_EQ(internal[2], 1);
    uint8_t back[9];
    const int32_t values[] = {524272, -524288, 1};
    LInternalToPcm24(values, back, 3);
    EXPECT_EQ(back[0], 0x00);
    EXPECT_EQ(back[1], 0xFF);
    EXPECT_EQ(back[2], 0x7F);
    EXPECT_EQ(back[5], 0x80);
    EXPECT_EQ(back[6], 0x10);

    uint8_t pcm32[12];
    LInternalToPcm32(values, pcm32, 3);
    int32_t again[3];
    LPcm32ToInternal(pcm32, again, 3);
    EXPECT_EQ(std::vector<int32_t>(again, again + 3), std::vector<int32_t>(values, values + 3));

    float f[3];
    LConvertSamplesToFloat(values, f, 3);
    EXPECT_FLOAT_EQ(f[1], -1.0f);
    int32_t fromFloat[3];
    LConvertFloatToSamples(f, fromFloat, 3);
    EXPECT_EQ(std::vector<int32_t>(fromFloat, fromFloat + 3), std::vector<int32_t>(values, values + 3));
}

TEST(SoundSamples, Peak)
{
    const int32_t a[] = {-5, 3};
    EXPECT_EQ(LSamplePeak(a, 1, 2), 5);
    const int32_t b[] = {0, 0};
    EXPECT_EQ(LSamplePeak(b, 2, 1), 0);
    const int32_t c[] = {7, -2, 9, -8};
    EXPECT_EQ(LSamplePeak(c, 2, 2), 9);
    EXPECT_EQ(LSamplePeak(nullptr, 0, 2), 0);
    const int32_t d[] = {INT32_MIN};
    EXPECT_EQ(LSamplePeak(d, 1, 1), INT32_MAX);
}

} // namespace

namespace {

TEST(AudioCdTrack, HoldsItsSourceAndCutsTextsBetweenCharacters)
{
    int alive = 0;
    {
        LSoundSourcePtr source(new ProbeSource(44100, 2, &alive));
        std::string longText(257, 'a');
        longText +=
            "\xC3\xA9\xC3\xA9"; // two 2-byte characters: the first fits up to 259 bytes, the second does not
        LAudioCdTrack track(source, "Title", nullptr, longText.c_str());
        source.Reset();
        EXPECT_EQ(alive, 1); // the track keeps its source
        EXPECT_STREQ(track.texts[0], "Title");
        EXPECT_STREQ(track.texts[1], "");
        EXPECT_EQ(std::strlen(track.texts[2]), 259u);
        EXPECT_EQ(track.reserved, 0u);
    }
    EXPECT_EQ(alive, 0);
}

} // namespace
