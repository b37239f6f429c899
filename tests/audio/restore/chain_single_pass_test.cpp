// What keeps the restoration chain fast without changing its results: the
// unordered FFT the equalizer convolves with (and the error of that
// convolution against a plain one), the gate's band split without limiting
// where nothing can overflow, normalization that computes the chain once and
// plays it back from a spool file; and the RIAA tool's level.

#include "audio/core/LSoundSamples.h"
#include "audio/effects/LFft.h"
#include "audio/effects/LGainEffect.h"
#include "audio/effects/LNoiseGate.h"
#include "audio/effects/LNormalize.h"
#include "audio/effects/LRestorationChain.h"
#include "audio/effects/LRiaaEqualizer.h"
#include "audio/effects/LBiquad.h"
#include "audio/effects/LSpooledSoundSource.h"
#include "audio/restore/RestoreTestSignals.h"
#include "foundation/threads/LLocalProcessContext.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <complex>
#include <csignal>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <random>
#include <string>
#include <sys/resource.h>

using namespace quorin::test;

namespace {

int32_t BitReversed(int32_t i, int32_t n)
{
    int32_t r = 0;
    for (int32_t bit = 1; bit < n; bit <<= 1) {
        r <<= 1;
        if (i & bit)
            r |= 1;
    }
    return r;
}

TEST(Fft, UnorderedTransformsAreTheOrderedOnesWithoutTheReordering)
{
    for (int32_t n : {2, 4, 8, 16, 32, 64, 128, 1024, 2048, 4096}) {
        SCOPED_TRACE(n);
        LFft fft(n);
        std::mt19937 random(static_cast<uint32_t>(n) + 1);
        std::uniform_real_distribution<double> value(-1.0, 1.0);
        std::vector<double> re(n), im(n);
        for (int32_t i = 0; i < n; ++i) {
            re[i] = value(random);
            im[i] = value(random);
        }
        std::vector<double> orderedRe = re, orderedIm = im, re2 = re, im2 = im;
        fft.Forward(orderedRe.data(), orderedIm.data());
        fft.ForwardUnordered(re2.data(), im2.data());
        for (int32_t k = 0; k < n; ++k) {
            ASSERT_NEAR(re2[BitReversed(k, n)], orderedRe[k], 1e-12 * n) << k;
            ASSERT_NEAR(im2[BitReversed(k, n)], orderedIm[k], 1e-12 * n) << k;
        }
        // Back to the start, scaled by n.
        fft.InverseUnordered(re2.data(), im2.data());
        for (int32_t i = 0; i < n; ++i) {
            ASSERT_NEAR(re2[i] / n, re[i], 1e-13 * n) << i;
            ASSERT_NEAR(im2[i] / n, im[i], 1e-13 * n) << i;
        }
        // The ordered inverse of an ordered spectrum agrees with it.
        fft.Inverse(orderedRe.data(), orderedIm.data());
        for (int32_t i = 0; i < n; ++i)
            ASSERT_NEAR(orderedRe[i] / n, re[i], 1e-13 * n) << i;
    }
}

TEST(Fft, ConvolutionErrorStaysFarBelowOneSample)
{
    // One block of the equalizer's convolution, done the way the filter
    // does it (overlap-save over 16384 points, two channels as one complex
    // signal, unordered spectra, taps scaled by the transform size), against
    // the plain sum of products in long double, for every 13th output of
    // the block. The error must stay so far below a sample at the internal
    // scale that the truncation to whole samples sees the exact sum; single
    // precision would be off by tenths of a sample.
    constexpr int32_t kSize = 16384;
    constexpr int32_t kTaps = LFirEqualizerFilter::kTaps;
    std::vector<double> grid;
    LBuildRiaaGrid(grid, 44100);
    std::vector<double> taps;
    LDesignEqualizerTaps(grid, taps);
    const std::vector<int32_t> in = MusicLike(44100, 2, kSize, 0);
    const LFft fft(kSize);
    std::vector<double> hr(kSize, 0.0), hi(kSize, 0.0), xr(kSize, 0.0), xi(kSize, 0.0);
    for (int32_t t = 0; t < kTaps; ++t)
        hr[t] = taps[t] / kSize;
    for (int32_t f = 0; f < kSize; ++f) {
        xr[f] = in[f * 2];
        xi[f] = in[f * 2 + 1];
    }
    fft.ForwardUnordered(hr.data(), hi.data());
    fft.ForwardUnordered(xr.data(), xi.data());
    for (int32_t k = 0; k < kSize; ++k) {
        const std::complex<double> y = std::complex<double>(xr[k], xi[k]) * std::complex<double>(hr[k], hi[k]);
        xr[k] = y.real();
        xi[k] = y.imag();
    }
    fft.InverseUnordered(xr.data(), xi.data());
    double worst = 0.0;
    // The first kTaps - 1 results wrap around the transform; the rest are whole.
    for (int32_t n = kTaps - 1; n < kSize; n += 13) {
        long double left = 0, right = 0;
        for (int32_t t = 0; t < kTaps; ++t) {
            left += static_cast<long double>(taps[t]) * in[(n - t) * 2];
            right += static_cast<long double>(taps[t]) * in[(n - t) * 2 + 1];
        }
        worst = std::max({worst, std::fabs(xr[n] - static_cast<double>(left)),
                          std::fabs(xi[n] - static_cast<double>(right))});
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", worst);
    RecordProperty("worst_error", text);
    EXPECT_LT(worst, 1e-6);
}

// The gate's band split done the plain way: every band limited to 32 bits.
std::vector<int32_t> OpenGateReference(const std::vector<int32_t>& in, int32_t channels, int32_t rate)
{
    int64_t c[4];
    const double splits[4] = {50.0, 400.0, 1100.0, 2600.0};
    for (int i = 0; i < 4; ++i)
        c[i] = static_cast<int64_t>(std::trunc((1.0 - std::exp(-2.0 * M_PI * splits[i] / rate)) * 256.0));
    auto limit = [](int64_t v) { return std::clamp<int64_t>(v, INT32_MIN, INT32_MAX); };
    std::vector<int32_t> out(in.size());
    for (int32_t ch = 0; ch < channels; ++ch) {
        int64_t s1 = 0, s2 = 0, s3 = 0, s4 = 0;
        for (size_t i = ch; i < in.size(); i += channels) {
            const int64_t x0 = in[i] - s1 / 256;
            s2 += (x0 - s2 / 256) * c[1];
            const int64_t band1 = s2 / 256;
            int64_t r = x0 - band1;
            s3 += (r - s3 / 256) * c[2];
            const int64_t band2 = s3 / 256;
            r -= band2;
            s4 += (r - s4 / 256) * c[3];
            const int64_t band3 = s4 / 256;
            const int64_t band4 = r - band3;
            s1 += c[0] * x0;
            // Open bands have the gain 1.0: the sum of the limited bands, limited.
            out[i] = static_cast<int32_t>(limit(limit(band1) + limit(band2) + limit(band3) + limit(band4)));
        }
    }
    return out;
}

TEST(NoiseGate, BandsAreLimitedExactlyWhereTheyCanLeave32Bits)
{
    // Ordinary sound takes the split without limiting; sound near the
    // 32-bit limits, and the quiet sound after it while the accumulators
    // still hold it, take the limiting one. Both agree with the plain split.
    for (int32_t channels : {1, 2, 3}) {
        SCOPED_TRACE(channels);
        const int32_t rate = 44100;
        const int64_t frames = 2 * rate;
        std::vector<int32_t> in = MusicLike(rate, channels, frames, -6);
        std::mt19937 random(static_cast<uint32_t>(channels));
        std::uniform_int_distribution<int32_t> extreme(INT32_MIN, INT32_MAX);
        for (int64_t f = rate / 2; f < rate / 2 + 3000; ++f)
            for (int32_t c = 0; c < channels; ++c)
                in[f * channels + c] = (f / 200) % 2 ? extreme(random) : (c % 2 ? INT32_MIN : INT32_MAX);
        LSoundSourcePtr gate;
        LNoiseReductionEffect({-127, -127, -127, -127}).CreateFilter(gate, MakeSource(rate, channels, in));
        const std::vector<int32_t> out = ReadAll(gate, frames, 999);
        const std::vector<int32_t> expected = OpenGateReference(in, channels, rate);
        for (size_t i = 0; i < out.size(); ++i)
            ASSERT_EQ(out[i], expected[i]) << "sample " << i;
    }
}

TEST(Biquad, StereoPiecesAgreeWithTheLimitedRecursionEvenNearTheLimits)
{
    // Stereo blocks are filtered without the limit on the fed-back outputs
    // unless a piece would reach it; one channel at a time always limits.
    // Both must give the same samples, around damaged loud stretches too.
    const int32_t rate = 44100;
    const int64_t frames = 3 * rate;
    std::vector<int32_t> in = MusicLike(rate, 2, frames, -6);
    std::mt19937 random(5);
    std::uniform_int_distribution<int32_t> extreme(INT32_MIN, INT32_MAX);
    for (int64_t f = rate; f < rate + 5000; ++f)
        for (int32_t c = 0; c < 2; ++c)
            in[f * 2 + c] = (f / 300) % 2 ? extreme(random) : (c ? INT32_MIN : INT32_MAX);
    for (int32_t cutoff : {20, 150, 1500}) {
        SCOPED_TRACE(cutoff);
        LBiquad stereo(cutoff, rate, 2);
        LBiquad single(cutoff, rate, 2);
        std::vector<int32_t> fast = in, plain = in;
        // Uneven block sizes, so that pieces start anywhere.
        for (int64_t at = 0, n = 1; at < frames; at += n, n = n * 7 % 5003 + 1) {
            n = std::min(n, frames - at);
            stereo.Process(fast.data() + at * 2, n);
            for (int32_t c = 0; c < 2; ++c)
                single.ProcessChannel(c, plain.data() + at * 2 + c, n, 2);
        }
        for (size_t i = 0; i < fast.size(); ++i)
            ASSERT_EQ(fast[i], plain[i]) << "sample " << i;
    }
}

// Counts every frame its readers take.
class CountingSource : public VectorSource
{
public:
    using VectorSource::VectorSource;
    int64_t Frames() const
    {
        int64_t total = 0;
        for (int64_t r : reads_)
            total += r;
        return total;
    }
};

std::vector<std::string> CacheEntries(const TempHome& home)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(home.Path(".cache/Quorin").c_str())) {
        while (dirent* e = readdir(dir))
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                names.push_back(e->d_name);
        closedir(dir);
    }
    return names;
}

TEST(SpooledNormalize, SameResultFromOnePassOverTheSource)
{
    TempHome home;
    const int64_t frames = 50000;
    const std::vector<int32_t> music = MusicLike(44100, 2, frames, -12);
    for (int32_t mode : {kNormalizePeak, kNormalizeRms}) {
        SCOPED_TRACE(mode);
        std::vector<int32_t> results[2];
        int64_t framesRead[2] = {};
        for (bool spool : {false, true}) {
            auto* counting = new CountingSource(44100, 2, music);
            const LSoundSourcePtr keep(counting); // a spooled result lets go of it
            LNormalizeParams params;
            params.mode = mode;
            params.peakLevel = 90;
            params.source = LSoundSourcePtr(counting);
            params.spool = spool;
            LLocalProcessContext context;
            ASSERT_EQ(NormalizeSound(&context, params), 0);
            ASSERT_NE(dynamic_cast<LGainFilter*>(params.source.Get()), nullptr);
            EXPECT_EQ(params.source->GetLength(), frames);
            EXPECT_EQ(params.source->GetPosition(), 0);
            results[spool] = ReadAll(params.source, frames, 3000);
            // A seek into the middle plays the same frames again.
            params.source->Seek(12345);
            EXPECT_EQ(params.source->GetPosition(), 12345);
            const std::vector<int32_t> part = ReadAll(params.source, 1000);
            EXPECT_TRUE(std::equal(part.begin(), part.end(), results[spool].begin() + 12345 * 2));
            framesRead[spool] = counting->Frames();
        }
        EXPECT_EQ(results[1], results[0]);
        EXPECT_EQ(framesRead[0], 2 * frames + 1000);
        EXPECT_EQ(framesRead[1], frames);
    }
    // The spool file never shows in the caches folder.
    EXPECT_TRUE(CacheEntries(home).empty());
}

TEST(SpooledNormalize, WithoutACachesFolderTheSourceIsReadTwice)
{
    TempHome home;
    // A file where the caches folder should be: no spool can be made.
    std::ofstream(home.Path("blocked")) << "x";
    setenv("XDG_CACHE_HOME", home.Path("blocked").c_str(), 1);
    const std::vector<int32_t> music = MusicLike(44100, 1, 20000, -12);
    auto* counting = new CountingSource(44100, 1, music);
    LNormalizeParams params;
    params.peakLevel = 100;
    params.source = LSoundSourcePtr(counting);
    params.spool = true;
    LLocalProcessContext context;
    ASSERT_EQ(NormalizeSound(&context, params), 0);
    const std::vector<int32_t> out = ReadAll(params.source, 20000);
    EXPECT_EQ(counting->Frames(), 40000);
    EXPECT_NEAR(LSamplePeak(out.data(), 20000, 1), 524272, 524272 / 500);
}

TEST(SpooledNormalize, AFullDiskMidwayFallsBackToReadingTwice)
{
    TempHome home;
    // Files of this process may not grow past 64 KB: the spool fails after
    // its first blocks, as on a full disk.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 65536;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int64_t frames = 40000;
    const std::vector<int32_t> music = MusicLike(44100, 2, frames, -12);
    auto* counting = new CountingSource(44100, 2, music);
    const LSoundSourcePtr keep(counting);
    LNormalizeParams params;
    params.peakLevel = 100;
    params.source = keep;
    params.spool = true;
    LLocalProcessContext context;
    const int32_t result = NormalizeSound(&context, params);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previousHandler);
    ASSERT_EQ(result, 0);
    ASSERT_EQ(params.source->GetLength(), frames);
    const std::vector<int32_t> out = ReadAll(params.source, frames);
    EXPECT_EQ(counting->Frames(), 2 * frames);
    EXPECT_NEAR(LSamplePeak(out.data(), frames, 2), 524272, 524272 / 500);
    EXPECT_TRUE(CacheEntries(home).empty());
}

TEST(SpooledSource, PlaysBackWhatWasAppendedAndSilenceBeyond)
{
    TempHome home;
    LSoundSpool spool;
    ASSERT_TRUE(spool.IsOk());
    std::vector<int32_t> samples(3 * 100001);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int32_t>(i * 2654435761u);
    // In uneven pieces.
    for (size_t at = 0; at < samples.size();) {
        const size_t n = std::min<size_t>(samples.size() - at, 77777);
        spool.Append(samples.data() + at, static_cast<int64_t>(n));
        at += n;
    }
    LSoundSourcePtr source(new LSpooledSoundSource(spool, 48000, 3, 0x3FFFFF));
    ASSERT_EQ(source->GetStatus(), kSoundStatusOk);
    EXPECT_EQ(source->GetRate(), 48000);
    EXPECT_EQ(source->GetPeakLimit(), 0x3FFFFFu);
    EXPECT_EQ(source->GetLength(), 100001);
    EXPECT_EQ(ReadAll(source, 100001, 4096), samples);
    source->Seek(99999);
    std::vector<int32_t> tail(3 * 5, -1);
    EXPECT_EQ(source->Read(tail.data(), 5), 2);
    EXPECT_EQ(std::vector<int32_t>(tail.begin(), tail.begin() + 6),
              std::vector<int32_t>(samples.end() - 6, samples.end()));
    EXPECT_EQ(std::vector<int32_t>(tail.begin() + 6, tail.end()), std::vector<int32_t>(9, 0));
    EXPECT_EQ(source->GetPosition(), 100004);
    EXPECT_TRUE(CacheEntries(home).empty());
}

TEST(RestorationChain, NormalizeComputesTheChainOnce)
{
    TempHome home;
    const int64_t frames = 3 * 44100;
    const std::vector<int32_t> music = MusicLike(44100, 2, frames, -6);
    LRestorationTools tools;
    tools.dcOffset = tools.highPass = tools.clickPop = tools.noiseReduction = tools.riaa = tools.normalize =
        true;
    auto* counting = new CountingSource(44100, 2, music);
    const LSoundSourcePtr keep(counting); // the spooled chain lets go of it
    LSoundSourcePtr source(counting);
    LLocalProcessContext context;
    ASSERT_EQ(ApplyRestorationTools(&context, source, tools), 0);
    const std::vector<int32_t> out = ReadAll(source, frames, 8192);
    // The DC offset pass, then one run of the chain (with the look-ahead
    // of its filters, under a second), and nothing while the result is
    // read: a second run of the chain would make it three times the length.
    EXPECT_LT(counting->Frames(), 2 * frames + 44100 * 3 / 2);
    EXPECT_NEAR(LSamplePeak(out.data(), frames, 2), 524272 * 80 / 100, 524272 / 200);
    EXPECT_TRUE(CacheEntries(home).empty());
}

TEST(RiaaTool, OneKilohertzPassesAtItsOwnLevel)
{
    // The playback curve is 0 dB at 1 kHz (the formula's -13.9 dB plus the
    // tool's +14 dB); every other tone follows the curve from there, within
    // the 1 dB steps of the levels.
    for (int32_t rate : {44100, 48000}) {
        for (double frequency : {20.0, 100.0, 500.0, 1000.0, 2000.0, 10000.0}) {
            SCOPED_TRACE(testing::Message() << rate << " Hz rate, " << frequency << " Hz tone");
            const double amplitude = 0.02 * 524288;
            LSoundSourcePtr source = MakeSource(rate, 1, Sine(frequency, rate, 1, rate, amplitude));
            LLocalProcessContext context;
            ASSERT_EQ(RunRiaaTool(&context, source), 0);
            const std::vector<int32_t> out = ReadAll(source, rate);
            const double measured =
                Db(ToneAmplitude(out, 1, 0, frequency, rate, 4096, rate - 4096) / amplitude);
            const double expected = LRiaaCurveDb(static_cast<int32_t>(frequency)) + 14.0;
            EXPECT_NEAR(measured, expected, 1.0);
            if (frequency == 1000.0) {
                EXPECT_NEAR(measured, 0.0, 0.5);
            }
        }
    }
}

} // namespace
