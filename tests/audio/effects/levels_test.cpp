// Gains, the leveller, the crossfade and normalization, with the sample
// routines under them.

#include "EffectsTestSources.h"

#include "audio/effects/LCrossfadeEffect.h"
#include "audio/effects/LFixedPoint.h"
#include "audio/effects/LGainEffect.h"
#include "audio/effects/LLevellerEffect.h"
#include "audio/effects/LNormalize.h"
#include "audio/effects/LSampleLevels.h"
#include "foundation/settings/LSettings.h"
#include "foundation/threads/LLocalProcessContext.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace quorin::test;

namespace {

int32_t PeakOf(const std::vector<int32_t>& v)
{
    int64_t peak = 0;
    for (int32_t s : v)
        peak = std::max<int64_t>(peak, std::llabs(static_cast<int64_t>(s)));
    return static_cast<int32_t>(std::min<int64_t>(peak, INT32_MAX));
}

TEST(SampleLevels, GainIn512thsSaturates)
{
    struct Case
    {
        int32_t gain, in, out;
    };
    const Case cases[] = {
        {512, 12345, 12345},
        {1024, -7000, -14000},
        {256, -3, -2}, // arithmetic shift
        {2048, 1 << 21, 1 << 23},
        {2048, 1 << 29, INT32_MAX},
        {2048, -(1 << 29), INT32_MIN},
        {0, 99999, 0},
        {-512, 5, -5},
    };
    for (const auto& c : cases) {
        int32_t s = c.in;
        LApplyGain512(c.gain, &s, 1);
        EXPECT_EQ(s, c.out) << c.gain << " x " << c.in;
    }
}

TEST(SampleLevels, Mul824)
{
    struct Case
    {
        int32_t a, b, product;
    };
    const Case cases[] = {
        {16777216, 524272, 524272},
        {8388608, 1000, 500},
        {16777216 * 4, 1 << 20, 1 << 22},
        {16777216 * 16, 1 << 28, INT32_MAX}, // x16 of a huge sample clips
        {16777216 * 16, -(1 << 28), INT32_MIN},
        {-16777216, 4096, -4096},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LMul824(c.a, c.b), c.product) << c.a << " x " << c.b;
}

TEST(SampleLevels, PeaksAndMeanSquares)
{
    const int32_t pair[] = {-5, 3};
    EXPECT_EQ(LChannelPeak(0, pair, 2, 1), 5);
    const int32_t stereo[] = {1, -8, 4, 2, -3, 6};
    EXPECT_EQ(LChannelPeak(0, stereo, 3, 2), 4);
    EXPECT_EQ(LChannelPeak(1, stereo, 3, 2), 8);
    const int32_t extreme[] = {INT32_MIN};
    EXPECT_EQ(LChannelPeak(0, extreme, 1, 1), INT32_MAX);
    EXPECT_EQ(LChannelPeak(0, stereo, 0, 2), 0);

    std::vector<int32_t> constant(1000, 32 * 300);
    EXPECT_EQ(LMeanSquare(constant.data(), 500, 2), 90000);
    EXPECT_EQ(LMeanSquare(constant.data(), 0, 2), 0);
    // Loud blocks do not overflow: (2^26 - 1)^2 for every sample.
    std::vector<int32_t> loud(16384 * 2, INT32_MAX);
    const int64_t v = INT32_MAX >> 5;
    EXPECT_NEAR(static_cast<double>(LMeanSquare(loud.data(), 16384, 2)), static_cast<double>(v * v),
                v * v * 1e-9);
    const int32_t mixed[] = {32 * 3, 32 * 10, 32 * 4, 32 * 20};
    EXPECT_EQ(LChannelMeanSquare(0, mixed, 2, 2), 12); // (9 + 16) / 2, rounded down
    EXPECT_EQ(LChannelMeanSquare(1, mixed, 2, 2), 250);
}

TEST(GainFilter, UnityDoublingAndSaturation)
{
    const std::vector<int32_t> input = {0, 1000, -1000, 524272, -524288};
    {
        LSoundSourcePtr source = MakeSource(44100, 1, input);
        LGainEffect(16777216).CreateFilter(source, source);
        EXPECT_EQ(source->GetPeakLimit(), 0x7FFF0u);
        EXPECT_EQ(ReadAll(source, 5), input);
    }
    {
        LSoundSourcePtr source = MakeSource(44100, 1, input);
        LGainEffect(33554432).CreateFilter(source, source);
        EXPECT_EQ(source->GetPeakLimit(), 0x200000u);
        EXPECT_EQ(ReadAll(source, 5), (std::vector<int32_t>{0, 2000, -2000, 1048544, -1048576}));
    }
    {
        // 400 % over a decoder that overshoots far beyond 16-bit range.
        LSoundSourcePtr source = MakeSource(44100, 1, {1 << 30, -(1 << 30), 1 << 20}, 0x40000000);
        const int16_t percent = 400;
        LGainEffect effect;
        effect.SetParameter(0, &percent);
        effect.CreateFilter(source, source);
        EXPECT_EQ(source->GetPeakLimit(), static_cast<uint32_t>(INT32_MAX));
        EXPECT_EQ(ReadAll(source, 3), (std::vector<int32_t>{INT32_MAX, INT32_MIN, 1 << 22}));
    }
}

TEST(Leveller, NotBuiltWhenTheSourceStaysUnderTheCeiling)
{
    LSoundSourcePtr source = MakeSource(44100, 2, {1, 2}, 0x7FFF0);
    LSoundSourcePtr out;
    LLevellerEffect(0x7FFF0).CreateFilter(out, source);
    EXPECT_EQ(out.Get(), source.Get());
    LLevellerEffect(0x7FFEF).CreateFilter(out, source);
    EXPECT_NE(out.Get(), source.Get());
    EXPECT_EQ(out->GetPeakLimit(), 0x7FFEFu);
}

TEST(Leveller, ConstantSignalAtTwiceTheCeilingSettlesAtAboutHalf)
{
    const int32_t ceiling = 0x7FFF0;
    LSoundSourcePtr source = MakeSource(44100, 2, std::vector<int32_t>(44100 * 2, 2 * ceiling), 2 * ceiling);
    LLevellerEffect(ceiling).CreateFilter(source, source);
    auto* leveller = dynamic_cast<LLevellerFilter*>(source.Get());
    ASSERT_NE(leveller, nullptr);
    EXPECT_EQ(leveller->GetBlockFrames(), 44100 / 35);
    const auto out = ReadAll(source, 30000, 1000);
    EXPECT_NEAR(leveller->GetRunningGain(), 8388608, 8388608 / 500);
    for (size_t i = 0; i < out.size(); ++i)
        ASSERT_LE(out[i], ceiling) << i;
    EXPECT_GT(out.back(), ceiling * 0.995);
}

TEST(Leveller, LoudBurstsNeverPassTheCeilingAndQuietPartsRecover)
{
    // A quiet tone with a burst four times over the ceiling in the middle.
    const int32_t ceiling = 0x7FFF0;
    auto samples = Sine(440, 44100, 1, 88200, 0.25 * ceiling);
    for (int i = 40000; i < 44000; ++i)
        samples[i] =
            static_cast<int32_t>(std::lround(4.0 * ceiling * std::sin(2 * M_PI * 1000 * i / 44100.0)));
    LSoundSourcePtr source = MakeSource(44100, 1, samples, 4 * ceiling);
    LLevellerEffect(ceiling).CreateFilter(source, source);
    const auto out = ReadAll(source, 88200, 333);
    EXPECT_LE(PeakOf(out), ceiling);
    // Well before and well after the burst the tone passes untouched.
    for (int i = 0; i < 30000; ++i)
        ASSERT_EQ(out[i], samples[i]) << i;
    for (int i = 60000; i < 88200; ++i)
        ASSERT_EQ(out[i], samples[i]) << i;
    // During the burst the level is brought down to the ceiling, not far below it.
    EXPECT_GT(PeakOf(std::vector<int32_t>(out.begin() + 41000, out.begin() + 43000)), ceiling * 0.9);
}

TEST(Leveller, PositionLengthAndSeek)
{
    auto samples = Sine(440, 22050, 2, 20000, 3.0 * 0x7FFF0);
    LSoundSourcePtr source = MakeSource(22050, 2, samples, 3 * 0x7FFF0);
    LLevellerEffect(0x7FFF0).CreateFilter(source, source);
    EXPECT_EQ(source->GetLength(), 20000);
    EXPECT_EQ(source->GetPosition(), 0);
    std::vector<int32_t> buffer(2 * 5000);
    source->Read(buffer.data(), 1234);
    EXPECT_EQ(source->GetPosition(), 1234);
    int64_t held = 0;
    EXPECT_TRUE(source->Query(kQueryHeldBackFrames, &held));
    EXPECT_EQ(held, 3 * (22050 / 35) - 1234 % (22050 / 35));
    source->Seek(10000);
    EXPECT_EQ(source->GetPosition(), 10000);
    source->Read(buffer.data(), 5000);
    EXPECT_EQ(source->GetPosition(), 15000);
    EXPECT_LE(PeakOf(buffer), 0x7FFF0);
}

TEST(Crossfade, NullSecondSourceFadesInAndOut)
{
    LSoundSourcePtr source = MakeSource(44100, 1, std::vector<int32_t>(1000, 100000));
    LCrossfadeEffect(100, LSoundSourcePtr()).CreateFilter(source, source);
    const auto out = ReadAll(source, 1000, 64);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(out[i], static_cast<int32_t>(100000.0f * (static_cast<float>(i) / 100.0f))) << i;
        EXPECT_EQ(out[900 + i], static_cast<int32_t>(100000.0f * (1.0f - static_cast<float>(i) / 100.0f)))
            << i;
    }
    EXPECT_EQ(out[0], 0);
    EXPECT_LT(out[999], 1001);
    for (int i = 100; i < 900; ++i)
        ASSERT_EQ(out[i], 100000) << i;
}

TEST(Crossfade, SecondSourceIsMixedAtBothEnds)
{
    std::vector<int32_t> a(2 * 400), b(2 * 300);
    for (size_t i = 0; i < a.size(); ++i)
        a[i] = 1000;
    for (size_t i = 0; i < b.size(); ++i)
        b[i] = 5000 + static_cast<int32_t>(i / 2); // frame number in the level
    LSoundSourcePtr source = MakeSource(44100, 2, a);
    LCrossfadeEffect(50, MakeSource(44100, 2, b)).CreateFilter(source, source);
    const auto out = ReadAll(source, 400, 400);
    // Start: A fades in over B's first frames.
    EXPECT_EQ(out[0], 5000);
    EXPECT_EQ(out[2 * 25], static_cast<int32_t>(1000 * 0.5f + 5025 * 0.5f));
    // End: A fades out into B's last 50 frames (frames 250..299).
    EXPECT_EQ(out[2 * 350], 1000);
    EXPECT_EQ(out[2 * 375 + 1], static_cast<int32_t>(5275 * 0.5f + 1000 * 0.5f));
    EXPECT_EQ(out[2 * 399], static_cast<int32_t>(5299 * (49.0f / 50.0f) + 1000 * (1.0f - 49.0f / 50.0f)));
}

TEST(Crossfade, SecondSourceInAnotherFormatIsAdapted)
{
    LSoundSourcePtr source = MakeSource(44100, 2, std::vector<int32_t>(2 * 1000, 0));
    LCrossfadeEffect(100, MakeSource(22050, 1, std::vector<int32_t>(500, 8000))).CreateFilter(source, source);
    const auto out = ReadAll(source, 1000);
    EXPECT_GT(out[2 * 50], 3000); // the mono 22050 Hz second source arrives as stereo 44100 Hz
    EXPECT_EQ(out[2 * 50], out[2 * 50 + 1]);
}

class StopAfter : public LLocalProcessContext
{
public:
    explicit StopAfter(int checks) : checks_(checks) {}
    bool IsStopRequested() override { return checks_-- <= 0; }

private:
    int checks_;
};

TEST(Normalize, PeakModeGains)
{
    struct Case
    {
        int32_t peak;
        int32_t percent;
        int32_t gain; // 8.24; 0 means the handle stays as it was
    };
    const Case cases[] = {
        {262136, 100, 33554432}, // half of full scale to 100 %: x2
        {524272, 100, 16777216}, // already there
        {524272, 50, 8388608},
        {1000, 100, 167772160},    // a very quiet source is raised at most ten times
        {524272, 5000, 167772160}, // beyond 4096 % the sum no longer fits 32 bits
        {0, 100, 0},               // silence stays untouched
        {1 << 24, 80, 419417},     // an overshooting source is brought down
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "peak " << c.peak << " to " << c.percent << " %");
        std::vector<int32_t> samples(30000, 0);
        samples[12345] = -c.peak;
        samples[20000] = c.peak / 2;
        LNormalizeParams params;
        params.mode = kNormalizePeak;
        params.peakLevel = c.percent;
        params.source = MakeSource(44100, 1, samples, 0x7FFFFFFF);
        LSoundSource* original = params.source.Get();
        original->Seek(777);
        LLocalProcessContext context;
        ASSERT_EQ(NormalizeSound(&context, params), 0);
        EXPECT_EQ(original->GetPosition(), 0);
        if (c.gain == 0) {
            EXPECT_EQ(params.source.Get(), original);
            continue;
        }
        auto* gain = dynamic_cast<LGainFilter*>(params.source.Get());
        ASSERT_NE(gain, nullptr);
        EXPECT_EQ(gain->GetStepGain(), c.gain >> 15);
        EXPECT_EQ(LNormalizeGain(c.peak, c.percent), c.gain);
        const auto out = ReadAll(params.source, 30000);
        EXPECT_LE(PeakOf(out), std::max<int64_t>(c.peak, static_cast<int64_t>(524272) * c.percent / 100));
    }
}

TEST(Normalize, RmsMode)
{
    const double amplitude = 100000;
    LNormalizeParams params;
    params.mode = kNormalizeRms;
    params.rmsLevel = 30;
    params.source = MakeSource(44100, 2, Sine(1000, 44100, 2, 44100, amplitude));
    LLocalProcessContext context;
    ASSERT_EQ(NormalizeSound(&context, params), 0);
    const auto out = ReadAll(params.source, 44100);
    double sum = 0;
    for (int32_t s : out)
        sum += static_cast<double>(s) * s;
    const double rms = std::sqrt(sum / out.size());
    EXPECT_NEAR(rms / 524272, 0.30, 0.003);
}

TEST(Normalize, FailedSourceAndCancel)
{
    LNormalizeParams failed;
    LSoundSource* null = failed.source.Get();
    LLocalProcessContext context;
    EXPECT_EQ(NormalizeSound(&context, failed), 2);
    EXPECT_EQ(failed.source.Get(), null);

    LNormalizeParams params;
    params.source = MakeSource(44100, 1, std::vector<int32_t>(100000, 1000));
    LSoundSource* original = params.source.Get();
    StopAfter stop(3);
    EXPECT_EQ(NormalizeSound(&stop, params), 1);
    EXPECT_EQ(params.source.Get(), original);
}

TEST(Normalize, LevelFromTheSettings)
{
    TempHome home;
    struct Case
    {
        const char* setting; // null: not stored
        bool normalized;
        int32_t gain;
    };
    const Case cases[] = {
        {nullptr, true, 33554432}, // 100 % by default
        {"", true, 33554432},      {"80", true, 26843545},
        {"0", false, 0},           {"5000", true, 167772160}, // far past 4096 %: capped at x10, not wrapped
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setting ? c.setting : "(unset)");
        if (c.setting)
            LSettingsSetString("Settings", "NormalizeLevel", c.setting);
        else
            LSettingsDelete("Settings", "NormalizeLevel");
        std::vector<int32_t> samples(1000, 0);
        samples[10] = 262136; // half of full scale
        LSoundSourcePtr source = MakeSource(44100, 1, samples);
        LSoundSource* original = source.Get();
        LLocalProcessContext context;
        EXPECT_EQ(NormalizeSoundWithSettings(&context, source), c.normalized);
        if (!c.normalized) {
            EXPECT_EQ(source.Get(), original);
            continue;
        }
        auto* gain = dynamic_cast<LGainFilter*>(source.Get());
        ASSERT_NE(gain, nullptr);
        EXPECT_EQ(gain->GetStepGain(), c.gain >> 15);
    }

    LSettingsSetString("Settings", "NormalizeLevel", "100");
    LSoundSourcePtr failed;
    LSoundSource* null = failed.Get();
    LLocalProcessContext context;
    EXPECT_FALSE(NormalizeSoundWithSettings(&context, failed));
    EXPECT_EQ(failed.Get(), null);
}

} // namespace
