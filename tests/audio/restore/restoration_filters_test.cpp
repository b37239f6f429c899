// DC offset, high-pass, RIAA and noise-gate filters: exact removal of
// offsets, measured responses against the filters' own designs, alignment
// and seeking.

#include "audio/core/LSoundSamples.h"
#include "audio/effects/LBiquad.h"
#include "audio/effects/LDbGain.h"
#include "audio/effects/LDcOffsetFilter.h"
#include "audio/effects/LFft.h"
#include "audio/effects/LHighPassFilter.h"
#include "audio/effects/LNoiseGate.h"
#include "audio/effects/LRiaaEqualizer.h"
#include "audio/restore/RestoreTestSignals.h"

#include <gtest/gtest.h>

#include <complex>

using namespace quorin::test;

namespace {

// |H| of the quantised biquad at a frequency.
double BiquadResponse(const LBiquad& bq, double frequency, int32_t rate)
{
    const double s = 0x1p-24;
    const std::complex<double> z1 = std::polar(1.0, -2 * M_PI * frequency / rate);
    const std::complex<double> z2 = z1 * z1;
    const std::complex<double> num = bq.B0() * s + bq.B1() * s * z1 + bq.B0() * s * z2;
    const std::complex<double> den = 1.0 + bq.A1() * s * z1 + bq.A2() * s * z2;
    return std::abs(num / den);
}

} // namespace

TEST(DbGain, TableEnds)
{
    EXPECT_EQ(LDbToGain(0), 16777216);
    EXPECT_EQ(LDbToGain(6), static_cast<int32_t>(std::round(std::pow(10.0, 0.3) * 16777216.0)));
    EXPECT_EQ(LDbToGain(-20), 1677722);
    EXPECT_EQ(LDbToGain(-127), 0);
    EXPECT_EQ(LDbToGain(-128), 0);
    EXPECT_GT(LDbToGain(-126), 0);
    EXPECT_EQ(LDbToGain(127), INT32_MAX);
    EXPECT_EQ(LDbToGain(42), static_cast<int32_t>(std::round(std::pow(10.0, 2.1) * 16777216.0)));
    EXPECT_EQ(LDbToGain(43), INT32_MAX);
}

TEST(DcOffsetFilter, RemovesOffsetsOfAnySizeExactly)
{
    const int32_t a = 1 << 19;
    const int32_t offsets[] = {100, -100, 12345678, INT32_MAX - a, INT32_MIN + a, 0};
    for (int32_t offset : offsets) {
        std::vector<int32_t> samples;
        for (int f = 0; f < 1000; ++f) {
            const int32_t v = (f % 2 ? a : -a) / (1 + f % 5);
            samples.push_back(v + offset); // left: signal plus offset
            samples.push_back(v);          // right: no offset
        }
        LSoundSourcePtr filter(new LDcOffsetFilter(MakeSource(44100, 2, samples), {offset, 0}));
        const std::vector<int32_t> out = ReadAll(filter, 1000, 333);
        for (int f = 0; f < 1000; ++f) {
            const int32_t v = (f % 2 ? a : -a) / (1 + f % 5);
            ASSERT_EQ(out[f * 2], v) << "offset " << offset << " frame " << f;
            ASSERT_EQ(out[f * 2 + 1], v);
        }
    }
}

TEST(DcOffsetFilter, ClipsInsteadOfWrapping)
{
    LSoundSourcePtr filter(new LDcOffsetFilter(MakeSource(44100, 1, {INT32_MAX, INT32_MIN}), {-10}));
    const std::vector<int32_t> out = ReadAll(filter, 2);
    EXPECT_EQ(out[0], INT32_MAX);
    EXPECT_EQ(out[1], INT32_MIN + 10);
}

TEST(HighPassFilter, ResponseMatchesDesign)
{
    const int32_t rate = 44100;
    LBiquad design(150, rate, 1);
    // At the cutoff a Q of 0.707 section is 3 dB down.
    EXPECT_NEAR(Db(BiquadResponse(design, 150, rate)), -3.0, 0.05);
    struct Case
    {
        double frequency;
        double toleranceDb;
    } cases[] = {{20, 0.3}, {150, 0.02}, {1000, 0.02}};
    for (const Case& c : cases) {
        const int64_t frames = rate * 2;
        const double amplitude = 0.5 * 524288;
        LSoundSourcePtr filter(
            new LHighPassFilter(MakeSource(rate, 2, Sine(c.frequency, rate, 2, frames, amplitude)), 150));
        EXPECT_EQ(filter->GetPeakLimit(), 0x3FFFFFu);
        const std::vector<int32_t> out = ReadAll(filter, frames);
        for (int32_t ch = 0; ch < 2; ++ch) {
            const double measured =
                ToneAmplitude(out, 2, ch, c.frequency, rate, rate / 2, frames) / amplitude;
            EXPECT_NEAR(Db(measured), Db(BiquadResponse(design, c.frequency, rate)), c.toleranceDb)
                << c.frequency << " Hz";
        }
    }
    // 20 Hz is about 35 dB down, 1 kHz passes.
    EXPECT_LT(Db(BiquadResponse(design, 20, rate)), -30.0);
    EXPECT_GT(Db(BiquadResponse(design, 1000, rate)), -0.1);
}

TEST(HighPassFilter, CutoffZeroRunsAtTenHertzAndSeekClearsHistory)
{
    LHighPassFilter* raw = new LHighPassFilter(MakeSource(44100, 1, Sine(50, 44100, 1, 20000)), 0);
    LSoundSourcePtr filter(raw);
    EXPECT_EQ(raw->GetBiquad().GetCutoff(), 10);
    const std::vector<int32_t> first = ReadAll(filter, 20000);
    filter->Seek(0);
    const std::vector<int32_t> second = ReadAll(filter, 20000);
    EXPECT_EQ(first, second);
}

TEST(HighPassFilter, FailedUpstreamMarksFilter)
{
    LSoundSourcePtr failed;
    LSetFailedSource(failed, kSoundStatusCannotOpen);
    LSoundSourcePtr filter;
    LHighPassEffect(150).CreateFilter(filter, failed);
    EXPECT_EQ(filter->GetStatus(), kSoundStatusUpstreamFailed);
}

TEST(RiaaCurve, LevelsFollowThePlaybackCurve)
{
    std::array<uint8_t, kRiaaCurvePoints> levels{};
    LBuildRiaaLevels(levels);
    // 0 Hz is +6 dB: level 256 does not fit and is held at 255, a boost.
    EXPECT_EQ(levels[0], 255);
    EXPECT_NEAR(LRiaaCurveDb(0), 6.0, 1e-9);
    EXPECT_NEAR(LRiaaCurveDb(1000), -13.9, 0.1);
    EXPECT_NEAR(LRiaaCurveDb(20) - LRiaaCurveDb(1000), 19.3, 0.1);
    EXPECT_NEAR(LRiaaCurveDb(10000) - LRiaaCurveDb(1000), -13.7, 0.1);
    // The levels fall with frequency from the bass boost to the treble cut.
    for (int j = 1; j < kRiaaCurvePoints; ++j)
        EXPECT_LE(levels[j], levels[j - 1]) << j;
    EXPECT_GE(levels[255], 1);
}

TEST(RiaaCurve, GridInterpolatesBetweenPoints)
{
    std::vector<double> grid;
    LBuildRiaaGrid(grid, 44100);
    ASSERT_EQ(grid.size(), 2048u);
    std::array<uint8_t, kRiaaCurvePoints> levels{};
    LBuildRiaaLevels(levels);
    EXPECT_EQ(grid[0], levels[0]);
    EXPECT_EQ(grid[7], levels[1]); // k_1 = 321254 / 44100 = 7
    EXPECT_EQ(grid[1857], levels[255]);
    EXPECT_EQ(grid[2047], levels[255]);
    // Low rates put the last points past the grid's end.
    LBuildRiaaGrid(grid, 8000);
    EXPECT_EQ(grid.size(), 2048u);
    EXPECT_EQ(grid[0], levels[0]);
}

TEST(FirEqualizer, FlatGridIsIdentityWithoutDelay)
{
    std::vector<double> taps;
    LDesignEqualizerTaps(std::vector<double>(2048, 100.0), taps);
    ASSERT_EQ(taps.size(), 4095u);
    double sum = 0;
    for (double t : taps)
        sum += t;
    EXPECT_NEAR(sum, 1.0, 1e-9);
    EXPECT_NEAR(taps[2047], 1.0, 1e-9);
    for (size_t i = 0; i < taps.size(); ++i) {
        if (i != 2047) {
            ASSERT_NEAR(taps[i], 0.0, 1e-9) << i;
        }
    }

    const int64_t frames = 30000;
    const std::vector<int32_t> in = MusicLike(44100, 2, frames, -6);
    LSoundSourcePtr filter;
    LRiaaEqualizerEffect(std::vector<double>(2048, 100.0)).CreateFilter(filter, MakeSource(44100, 2, in));
    EXPECT_EQ(filter->GetPosition(), 0);
    const std::vector<int32_t> out = ReadAll(filter, frames, 1000);
    for (size_t i = 0; i < in.size(); ++i)
        ASSERT_NEAR(out[i], in[i], 1) << i;
    EXPECT_EQ(filter->GetPosition(), frames);
}

TEST(FirEqualizer, DeclaresItsBassBoostInThePeakLimit)
{
    std::vector<double> grid;
    LBuildRiaaGrid(grid, 44100);
    LSoundSourcePtr filter;
    LRiaaEqualizerEffect(grid).CreateFilter(filter, MakeSource(44100, 1, std::vector<int32_t>(10000, 0)));
    EXPECT_GT(filter->GetPeakLimit(), 2u * 0x7FFF0);
    // A full-scale square wave at 20 Hz stays within what the filter declares.
    std::vector<int32_t> square(44100);
    for (size_t i = 0; i < square.size(); ++i)
        square[i] = (i / 1102) % 2 ? 0x7FFF0 : -0x7FFF0;
    LRiaaEqualizerEffect(grid).CreateFilter(filter, MakeSource(44100, 1, square));
    const std::vector<int32_t> out = ReadAll(filter, 44100);
    EXPECT_GT(LSamplePeak(out.data(), 44100, 1), 0x7FFF0);
    EXPECT_LE(static_cast<uint32_t>(LSamplePeak(out.data(), 44100, 1)), filter->GetPeakLimit());
    // A flat grid changes nothing and declares nothing more.
    LRiaaEqualizerEffect(std::vector<double>(2048, 100.0)).CreateFilter(filter, MakeSource(44100, 1, square));
    EXPECT_LE(filter->GetPeakLimit(), 0x7FFF0u + 1);
}

TEST(FirEqualizer, SeekLinesUpOutputWithInput)
{
    const int64_t frames = 20000;
    const std::vector<int32_t> in = MusicLike(44100, 1, frames, -6);
    std::vector<double> grid;
    LBuildRiaaGrid(grid, 44100);
    LSoundSourcePtr reference;
    LRiaaEqualizerEffect(grid).CreateFilter(reference, MakeSource(44100, 1, in));
    const std::vector<int32_t> whole = ReadAll(reference, frames);
    // Seeks below 2047 need silence before the upstream's first frame, not a shifted upstream.
    for (int64_t to : {0, 1, 100, 2046, 2047, 2048, 5000, 12345}) {
        reference->Seek(to);
        EXPECT_EQ(reference->GetPosition(), to);
        std::vector<int32_t> part(4000);
        reference->Read(part.data(), 4000);
        for (int64_t f = 0; f < 4000 && to + f < frames; ++f)
            ASSERT_NEAR(part[f], whole[to + f], 1) << "seek " << to << " frame " << f;
    }
}

TEST(FirEqualizer, ResponseFollowsTheCurve)
{
    // Levels are on a scale where +6 dB is 256 and 100 is unity: the whole
    // curve stands 20 log10(2.56 / 10^(6/20)) dB above the formula.
    const double scaleDb = Db(2.56 / (LDbToGain(6) * 0x1p-24));
    for (int32_t rate : {44100, 48000}) {
        std::vector<double> grid;
        LBuildRiaaGrid(grid, rate);
        for (double frequency : {20.0, 31.5, 50.0, 100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0, 10000.0}) {
            const int64_t frames = rate;
            const double amplitude = 0.02 * 524288;
            LSoundSourcePtr filter;
            LRiaaEqualizerEffect(grid).CreateFilter(
                filter, MakeSource(rate, 1, Sine(frequency, rate, 1, frames, amplitude)));
            const std::vector<int32_t> out = ReadAll(filter, frames);
            const double measured =
                Db(ToneAmplitude(out, 1, 0, frequency, rate, 4096, frames - 4096) / amplitude);
            const double expected = LRiaaCurveDb(static_cast<int32_t>(frequency)) + scaleDb;
            EXPECT_NEAR(measured, expected, 1.0) << rate << " Hz rate, " << frequency << " Hz tone";
        }
    }
}

TEST(NoiseGate, ThresholdsAndCoefficients)
{
    LNoiseGateFilter* gate =
        new LNoiseGateFilter(MakeSource(44100, 1, std::vector<int32_t>(10000, 0)), {-33, -36, -39, -127});
    LSoundSourcePtr keep(gate);
    EXPECT_EQ(gate->GetBlock(), 1470);
    EXPECT_EQ(gate->GetCoefficient(0), 1);
    EXPECT_EQ(gate->GetCoefficient(1), 14);
    EXPECT_EQ(gate->GetCoefficient(2), 37);
    EXPECT_EQ(gate->GetCoefficient(3), 79);
    EXPECT_EQ(gate->GetThreshold(1),
              static_cast<int32_t>(std::trunc(8589934592.0 / (LDbToGain(-36) * 0x1p-24 * 131072.0))));
    EXPECT_FALSE(gate->IsAlwaysOpen(0));
    // A level of silence would divide by zero: that band simply never closes.
    EXPECT_TRUE(gate->IsAlwaysOpen(3));
}

TEST(NoiseGate, BandBelowThresholdIsSilentAndLoudBandPasses)
{
    const int32_t rate = 44100;
    const int64_t frames = rate * 2;
    const std::array<int8_t, 4> levels = {-33, -36, -39, -36};
    // 700 Hz lies in the second band, whose threshold is 131072 x 10^(-36/20) = 2078.
    struct Case
    {
        double amplitude;
        bool passes;
    } cases[] = {{800.0, false}, {200000.0, true}};
    for (const Case& c : cases) {
        LSoundSourcePtr gate;
        LNoiseReductionEffect(levels).CreateFilter(
            gate, MakeSource(rate, 2, Sine(700, rate, 2, frames, c.amplitude)));
        const std::vector<int32_t> out = ReadAll(gate, frames, 1000);
        if (!c.passes) {
            for (size_t i = 0; i < out.size(); ++i)
                ASSERT_EQ(out[i], 0) << i;
        } else {
            const double measured = ToneAmplitude(out, 2, 0, 700, rate, rate / 4, frames - rate / 4);
            EXPECT_NEAR(Db(measured / c.amplitude), 0.0, 0.5);
        }
    }
}

TEST(NoiseGate, SilenceLevelKeepsQuietBandOpen)
{
    const int32_t rate = 44100;
    const int64_t frames = rate;
    LSoundSourcePtr gate;
    LNoiseReductionEffect({-127, -127, -127, -127})
        .CreateFilter(gate, MakeSource(rate, 1, Sine(700, rate, 1, frames, 200.0)));
    const std::vector<int32_t> out = ReadAll(gate, frames);
    EXPECT_NEAR(Db(ToneAmplitude(out, 1, 0, 700, rate, rate / 4, frames) / 200.0), 0.0, 0.5);
}

TEST(NoiseGate, SoundInNextBlockOpensBandDuringCurrentBlock)
{
    const int32_t rate = 44100;
    const int64_t block = rate / 30;
    std::vector<int32_t> in(static_cast<size_t>(block * 6), 0);
    // Loud from the start of the fourth block on.
    const std::vector<int32_t> tone = Sine(3000, rate, 1, block * 3, 100000.0);
    std::copy(tone.begin(), tone.end(), in.begin() + block * 3);
    LSoundSourcePtr gate;
    LNoiseReductionEffect({-36, -36, -36, -36}).CreateFilter(gate, MakeSource(rate, 1, in));
    const std::vector<int32_t> out = ReadAll(gate, block * 6);
    // The first frames of the loud block already pass at (nearly) full gain.
    const double early = ToneAmplitude(out, 1, 0, 3000, rate, block * 3, block * 3 + block / 4);
    EXPECT_GT(early / 100000.0, 0.9);
    for (int64_t f = 0; f < block * 3; ++f)
        ASSERT_EQ(out[f], 0);
}

TEST(NoiseGate, FailedSourceIsReturnedItself)
{
    LSoundSourcePtr failed;
    LSetFailedSource(failed, kSoundStatusCannotOpen);
    LSoundSourcePtr out;
    LNoiseReductionEffect({-36, -36, -36, -36}).CreateFilter(out, failed);
    EXPECT_EQ(out.Get(), failed.Get());
}

TEST(NoiseGate, SeekRestartsTheGate)
{
    const int32_t rate = 44100;
    const int64_t frames = rate;
    LSoundSourcePtr gate;
    LNoiseReductionEffect({-36, -36, -36, -36})
        .CreateFilter(gate, MakeSource(rate, 1, MusicLike(rate, 1, frames, -10)));
    EXPECT_EQ(gate->GetPosition(), 0);
    const std::vector<int32_t> first = ReadAll(gate, frames);
    EXPECT_EQ(gate->GetPosition(), frames);
    gate->Seek(0);
    EXPECT_EQ(gate->GetPosition(), 0);
    EXPECT_EQ(ReadAll(gate, frames), first);
}

TEST(Fft, MatchesTheDirectTransform)
{
    for (int32_t n : {2, 4, 8, 16, 32, 256, 2048}) {
        LFft fft(n);
        std::mt19937 random(static_cast<uint32_t>(n));
        std::uniform_real_distribution<double> value(-1.0, 1.0);
        std::vector<double> re(n), im(n);
        for (int32_t i = 0; i < n; ++i) {
            re[i] = value(random);
            im[i] = value(random);
        }
        for (bool inverse : {false, true}) {
            std::vector<double> r = re, m = im;
            if (inverse)
                fft.Inverse(r.data(), m.data());
            else
                fft.Forward(r.data(), m.data());
            const double sign = inverse ? 1.0 : -1.0;
            for (int32_t k = 0; k < n; k += std::max(1, n / 64)) {
                std::complex<double> sum = 0;
                for (int32_t t = 0; t < n; ++t)
                    sum += std::complex<double>(re[t], im[t]) * std::polar(1.0, sign * 2 * M_PI * k * t / n);
                ASSERT_NEAR(r[k], sum.real(), 1e-9 * n) << n << " " << k;
                ASSERT_NEAR(m[k], sum.imag(), 1e-9 * n) << n << " " << k;
            }
        }
    }
}
