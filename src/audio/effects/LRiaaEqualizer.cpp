#include "audio/effects/LRiaaEqualizer.h"
#include "audio/core/LHotLoop.h"

#include "audio/effects/LDbGain.h"
#include "audio/effects/LFixedPoint.h"

#include <algorithm>
#include <cmath>
#include <cstring>

double LRiaaCurveDb(int32_t frequency)
{
    // The products stay within 32 bits for every frequency up to 46340 Hz.
    const double w2 = static_cast<double>(static_cast<int32_t>(frequency * frequency)) * 39.47841760435743;
    return 10.0 * std::log10(1.0 + 1.01124e-7 * w2) - 10.0 * std::log10(1.0 + 1.01124e-5 * w2) -
           10.0 * std::log10(1.0 + 5.625e-9 * w2) + 19.911 - 13.911;
}

void LBuildRiaaLevels(std::array<uint8_t, kRiaaCurvePoints>& levels)
{
    const double reference = LDbToGain(6);
    for (int32_t j = 0; j < kRiaaCurvePoints; ++j) {
        const int32_t frequency = static_cast<int32_t>(j / 255.0 * 20000.0);
        const double db = LRiaaCurveDb(frequency);
        int32_t rounded = static_cast<int32_t>(db + (db < 0 ? -0.5 : 0.5));
        rounded = std::clamp(rounded, -127, 127);
        const double level = std::trunc(LDbToGain(static_cast<int8_t>(rounded)) / reference * 256.0);
        // +6 dB is level 256; wrapping it to 0 would cut the deep bass the curve boosts.
        levels[j] = static_cast<uint8_t>(std::clamp(level, 0.0, 255.0));
    }
}

void LBuildRiaaGrid(std::vector<double>& grid, int32_t rate)
{
    std::array<uint8_t, kRiaaCurvePoints> levels{};
    LBuildRiaaLevels(levels);
    const int64_t r = rate < 1 ? 44100 : std::min(rate, 192000);
    grid.assign(kEqualizerGridSize, levels[kRiaaCurvePoints - 1]);
    int64_t previous = 0;
    for (int32_t j = 1; j < kRiaaCurvePoints; ++j) {
        const int64_t k = static_cast<int64_t>(j) * 321254 / r;
        const int64_t span = k - previous;
        const int64_t end = std::min<int64_t>(k, kEqualizerGridSize);
        for (int64_t m = 0; previous + m < end; ++m) {
            const int64_t value = levels[j - 1] + m * (levels[j] - levels[j - 1]) / span;
            grid[previous + m] = static_cast<double>(static_cast<uint8_t>(value));
        }
        if (k >= kEqualizerGridSize)
            return;
        previous = k;
    }
}

namespace {

// x times h, bin by bin, in place: with the transforms, the equalizer's whole cost.
L_HOT_LOOP void MultiplySpectra(double* __restrict xr, double* __restrict xi, const double* __restrict hr,
                                const double* __restrict hi, int32_t n)
{
    for (int32_t k = 0; k < n; ++k) {
        const double r = xr[k] * hr[k] - xi[k] * hi[k];
        const double i = xr[k] * hi[k] + xi[k] * hr[k];
        xr[k] = r;
        xi[k] = i;
    }
}

// A transform's input: the pair's history, then one channel pair of the
// interleaved block; the history moves on to the block's last frames.
L_HOT_LOOP void LoadPair(const int32_t* __restrict block, int32_t ch, int32_t a, bool hasB, int32_t frames,
                         int32_t history, double* __restrict historyRe, double* __restrict historyIm,
                         double* __restrict re, double* __restrict im)
{
    for (int32_t i = 0; i < history; ++i) {
        re[i] = historyRe[i];
        im[i] = historyIm[i];
    }
    for (int32_t i = 0; i < frames; ++i) {
        re[history + i] = block[static_cast<size_t>(i) * ch + a];
        im[history + i] = hasB ? block[static_cast<size_t>(i) * ch + a + 1] : 0.0;
    }
    const int32_t total = history + frames;
    for (int32_t i = 0; i < history; ++i) {
        historyRe[i] = re[total - history + i];
        historyIm[i] = im[total - history + i];
    }
}

// Convolution results truncated to whole samples, within the 32-bit range.
L_HOT_LOOP void StoreChannel(const double* __restrict values, int32_t frames, int32_t* __restrict out,
                             int32_t ch)
{
    for (int32_t i = 0; i < frames; ++i)
        out[static_cast<size_t>(i) * ch] =
            static_cast<int32_t>(std::clamp(values[i], -2147483648.0, 2147483647.0));
}

} // namespace

LRiaaEqualizerEffect::LRiaaEqualizerEffect(const std::vector<double>& grid) : grid_(grid)
{
    const double last = grid_.empty() ? 100.0 : grid_.back();
    grid_.resize(kEqualizerGridSize, last);
}

void LRiaaEqualizerEffect::CreateFilter(LSoundSourcePtr& out, const LSoundSourcePtr& source)
{
    out = new LFirEqualizerFilter(source, grid_);
}

void LDesignEqualizerTaps(const std::vector<double>& grid, std::vector<double>& taps)
{
    constexpr int32_t n = 4096;
    std::vector<double> re(n, 0.0), im(n, 0.0);
    auto level = [&](int32_t k) { return k < static_cast<int32_t>(grid.size()) ? grid[k] : grid.back(); };
    re[0] = level(0);
    for (int32_t k = 1; k < 2048; ++k)
        re[k] = re[n - k] = level(k);
    re[2048] = level(2047);
    // A real, even spectrum transforms into a real, even impulse.
    LFft(n).Forward(re.data(), im.data());
    taps.resize(LFirEqualizerFilter::kTaps);
    for (int32_t i = 0; i < LFirEqualizerFilter::kTaps; ++i)
        taps[i] = re[(i + 2049) % n] / 100.0 / n;
}

LFirEqualizerFilter::LFirEqualizerFilter(const LSoundSourcePtr& upstream, const std::vector<double>& grid)
    : LSoundFilter(upstream), fft_(kTransform)
{
    LDesignEqualizerTaps(grid.empty() ? std::vector<double>(kEqualizerGridSize, 100.0) : grid, taps_);
    // The curve boosts the bass: declare the largest output the taps can
    // make, so that the pump limits it before a 16-bit sink instead of letting it clip.
    double gain = 0.0;
    for (double tap : taps_)
        gain += std::fabs(tap);
    if (gain > 1.0)
        SetPeakLimit(static_cast<uint32_t>(std::min(4294967295.0, std::ceil(peakLimit_ * gain))));
    // The taps, zero-padded to the transform and transformed; the scale of
    // the inverse transform is folded in here.
    filterRe_.assign(kTransform, 0.0);
    filterIm_.assign(kTransform, 0.0);
    for (int32_t i = 0; i < kTaps; ++i)
        filterRe_[i] = taps_[i] / kTransform;
    // In the transform's own bin order, like the input spectra.
    fft_.ForwardUnordered(filterRe_.data(), filterIm_.data());
    pairs_.resize(static_cast<size_t>((channels_ + 1) / 2));
    for (Pair& pair : pairs_) {
        pair.historyRe.assign(kHistory, 0.0);
        pair.historyIm.assign(kHistory, 0.0);
    }
    input_.assign(static_cast<size_t>(kReadFrames) * channels_, 0);
    block_.assign(static_cast<size_t>(kBlock) * channels_, 0);
    output_.assign(static_cast<size_t>(kBlock) * channels_, 0);
    workRe_.assign(kTransform, 0.0);
    workIm_.assign(kTransform, 0.0);
    if (status_ != kSoundStatusOk)
        return;
    // The chain is built where its upstream stands; what lies before that
    // counts as silence (a live upstream cannot go back).
    position_ = upstream_->GetPosition();
    leadingZeros_ = kCentre;
    Start(position_);
}

LFirEqualizerFilter::~LFirEqualizerFilter() = default;

void LFirEqualizerFilter::Start(int64_t frame)
{
    for (Pair& pair : pairs_) {
        std::fill(pair.historyRe.begin(), pair.historyRe.end(), 0.0);
        std::fill(pair.historyIm.begin(), pair.historyIm.end(), 0.0);
    }
    inputUsed_ = inputCount_ = 0;
    position_ = frame;
    // Output frame f needs the input from f - 2047 on: the convolution takes
    // 4094 frames before the first output it hands out.
    constexpr int64_t kLead = 2 * kCentre;
    static_assert(kLead < kBlock, "the first block holds the first output");
    ProcessBlock();
    outputUsed_ = kLead;
}

void LFirEqualizerFilter::FetchInput(int32_t* dest, int64_t frames)
{
    const int32_t ch = channels_;
    while (frames > 0) {
        if (leadingZeros_ > 0) {
            const int64_t n = std::min(frames, leadingZeros_);
            std::memset(dest, 0, static_cast<size_t>(n * ch) * sizeof(int32_t));
            dest += n * ch;
            frames -= n;
            leadingZeros_ -= n;
            continue;
        }
        if (inputUsed_ == inputCount_) {
            upstream_->Read(input_.data(), kReadFrames);
            inputUsed_ = 0;
            inputCount_ = kReadFrames;
        }
        const int64_t n = std::min(frames, inputCount_ - inputUsed_);
        std::memcpy(dest, input_.data() + inputUsed_ * ch, static_cast<size_t>(n * ch) * sizeof(int32_t));
        dest += n * ch;
        frames -= n;
        inputUsed_ += n;
    }
}

void LFirEqualizerFilter::ProcessBlock()
{
    FetchInput(block_.data(), kBlock);
    const int32_t ch = channels_;
    double* __restrict re = workRe_.data();
    double* __restrict im = workIm_.data();
    for (size_t pi = 0; pi < pairs_.size(); ++pi) {
        Pair& pair = pairs_[pi];
        const int32_t a = static_cast<int32_t>(pi * 2);
        const bool hasB = a + 1 < ch;
        LoadPair(block_.data(), ch, a, hasB, kBlock, kHistory, pair.historyRe.data(), pair.historyIm.data(), re,
                 im);
        fft_.ForwardUnordered(re, im);
        MultiplySpectra(re, im, filterRe_.data(), filterIm_.data(), kTransform);
        fft_.InverseUnordered(re, im);
        // The first kHistory results wrapped around the transform; the rest are the block's.
        StoreChannel(re + kHistory, kBlock, output_.data() + a, ch);
        if (hasB)
            StoreChannel(im + kHistory, kBlock, output_.data() + a + 1, ch);
    }
}

int64_t LFirEqualizerFilter::Read(int32_t* buffer, int64_t frames)
{
    const int32_t ch = channels_;
    int64_t done = 0;
    while (done < frames) {
        if (outputUsed_ == kBlock) {
            ProcessBlock();
            outputUsed_ = 0;
        }
        const int64_t n = std::min(frames - done, kBlock - outputUsed_);
        std::memcpy(buffer + done * ch, output_.data() + outputUsed_ * ch,
                    static_cast<size_t>(n * ch) * sizeof(int32_t));
        outputUsed_ += n;
        done += n;
    }
    position_ += frames;
    return frames;
}

int64_t LFirEqualizerFilter::GetPosition()
{
    return position_;
}

void LFirEqualizerFilter::Seek(int64_t frame)
{
    if (status_ != kSoundStatusOk)
        return;
    if (frame < 0)
        frame = 0;
    // Frames before the upstream's start are silence: asking it for a
    // negative frame (or clamping to 0) would shift the output against the input.
    const int64_t first = frame - kCentre;
    upstream_->Seek(first < 0 ? 0 : first);
    leadingZeros_ = first < 0 ? -first : 0;
    Start(frame);
}
