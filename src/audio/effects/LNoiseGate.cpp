#include "audio/effects/LNoiseGate.h"

#include "audio/LSoundSamples.h"
#include "audio/effects/LDbGain.h"
#include "audio/effects/LFixedPoint.h"

#include <algorithm>
#include <cmath>

void LNoiseReductionEffect::CreateFilter(LSoundSourcePtr& out, const LSoundSourcePtr& source)
{
    if (source->GetStatus() != kSoundStatusOk) {
        out = source;
        return;
    }
    out = new LNoiseGateFilter(source, levels_);
}

LNoiseGateFilter::LNoiseGateFilter(const LSoundSourcePtr& upstream,
                                   const std::array<int8_t, kNoiseGateBands>& levels)
    : LSoundFilter(upstream)
{
    for (int32_t b = 0; b < kNoiseGateBands; ++b) {
        const int32_t gain = LDbToGain(levels[b]);
        if (gain == 0) {
            // A level of silence: every sound is above it, so the band never closes.
            alwaysOpen_[b] = true;
            thresholds_[b] = 0;
            continue;
        }
        const double t = std::trunc(8589934592.0 / (gain * 0x1p-24 * 131072.0));
        thresholds_[b] = t >= 2147483647.0 ? INT32_MAX : static_cast<int32_t>(t);
    }
    static constexpr double kSplits[kNoiseGateBands] = {50.0, 400.0, 1100.0, 2600.0};
    for (int32_t i = 0; i < kNoiseGateBands; ++i)
        coefficients_[i] =
            static_cast<int32_t>(std::trunc((1.0 - std::exp(-2.0 * M_PI * kSplits[i] / rate_)) * 256.0));
    block_ = rate_ < 600 ? 20 : std::min<int32_t>(rate_ / 30, 8192);
    splitters_.resize(channels_);
    for (int32_t b = 0; b < kNoiseGateBands; ++b) {
        current_[b].assign(static_cast<size_t>(block_) * channels_, 0);
        next_[b].assign(static_cast<size_t>(block_) * channels_, 0);
    }
    scratch_.assign(static_cast<size_t>(block_) * channels_, 0);
    if (status_ == kSoundStatusOk)
        StartUp();
}

LNoiseGateFilter::~LNoiseGateFilter() = default;

namespace {

// One sample through one channel's band splitter.
struct Split
{
    int64_t c50, c400, c1100, c2600;

    inline void operator()(int64_t x, int64_t& s1, int64_t& s2, int64_t& s3, int64_t& s4, int64_t* band) const
    {
        const int64_t x0 = x - s1 / 256;
        s2 += (x0 - s2 / 256) * c400;
        band[0] = s2 / 256;
        int64_t r = x0 - band[0];
        s3 += (r - s3 / 256) * c1100;
        band[1] = s3 / 256;
        r -= band[1];
        s4 += (r - s4 / 256) * c2600;
        band[2] = s4 / 256;
        band[3] = r - band[2];
        s1 += c50 * x0;
    }
};

} // namespace

void LNoiseGateFilter::ReadAndSplit(std::vector<int32_t>* bands)
{
    const int32_t ch = channels_;
    upstream_->Read(scratch_.data(), block_);
    const Split split{coefficients_[0], coefficients_[1], coefficients_[2], coefficients_[3]};
    int32_t* out[kNoiseGateBands] = {bands[0].data(), bands[1].data(), bands[2].data(), bands[3].data()};
    auto store = [&](size_t at, const int64_t* band) {
        for (int32_t b = 0; b < kNoiseGateBands; ++b)
            out[b][at] = LSaturateToInt32(band[b]);
    };
    if (ch == 2) {
        // The two channels' recursions run side by side, so neither waits on its own last step.
        Splitter& l = splitters_[0];
        Splitter& r = splitters_[1];
        int64_t band[2][kNoiseGateBands];
        for (int64_t f = 0; f < block_; ++f) {
            const size_t at = static_cast<size_t>(f * 2);
            split(scratch_[at], l.s1, l.s2, l.s3, l.s4, band[0]);
            split(scratch_[at + 1], r.s1, r.s2, r.s3, r.s4, band[1]);
            store(at, band[0]);
            store(at + 1, band[1]);
        }
    } else {
        for (int32_t c = 0; c < ch; ++c) {
            Splitter& sp = splitters_[c];
            int64_t band[kNoiseGateBands];
            for (int64_t f = 0; f < block_; ++f) {
                const size_t at = static_cast<size_t>(f * ch + c);
                split(scratch_[at], sp.s1, sp.s2, sp.s3, sp.s4, band);
                store(at, band);
            }
        }
    }
    for (int32_t b = 0; b < kNoiseGateBands; ++b)
        nextPeaks_[b] = LSamplePeak(out[b], block_, ch);
}

void LNoiseGateFilter::ComputeTargets(std::array<int32_t, kNoiseGateBands>& targets) const
{
    int64_t p[kNoiseGateBands];
    for (int32_t b = 0; b < kNoiseGateBands; ++b)
        p[b] = nextPeaks_[b];
    // Each band's peak less what its neighbours leak into it.
    const int64_t e[kNoiseGateBands] = {p[0] - p[1] / 4, p[1] - p[0] / 16 - p[2] / 4,
                                        p[2] - p[1] / 8 - p[3] / 16, p[3] - p[2] / 8};
    for (int32_t b = 0; b < kNoiseGateBands; ++b) {
        if (alwaysOpen_[b]) {
            targets[b] = kUnityGain824;
            continue;
        }
        const int64_t v = LMul824(LSaturateToInt32(e[b]), thresholds_[b]);
        if (v < 512)
            targets[b] = 0;
        else if (v > 2560)
            targets[b] = kUnityGain824;
        else
            targets[b] = static_cast<int32_t>(v * 8192 - 4194304);
    }
}

void LNoiseGateFilter::StartUp()
{
    for (Splitter& s : splitters_)
        s = Splitter{};
    // The first block starts at its own level (as every later block does)
    // and moves towards the level of the block after it.
    ReadAndSplit(next_);
    std::array<int32_t, kNoiseGateBands> first{};
    ComputeTargets(first);
    gains_ = first;
    steps_.fill(0);
    NextBlock();
}

void LNoiseGateFilter::NextBlock()
{
    for (int32_t b = 0; b < kNoiseGateBands; ++b)
        current_[b].swap(next_[b]);
    ReadAndSplit(next_);
    std::array<int32_t, kNoiseGateBands> targets{};
    ComputeTargets(targets);
    for (int32_t b = 0; b < kNoiseGateBands; ++b) {
        const int64_t difference = static_cast<int64_t>(targets[b]) - gains_[b];
        // Bands open within one block and close over two (the lowest over four).
        const int64_t frames = difference > 0 ? block_ : (b == 0 ? 4 * block_ : 2 * block_);
        steps_[b] = static_cast<int32_t>(difference / frames);
    }
    positionInBlock_ = 0;
}

int64_t LNoiseGateFilter::Read(int32_t* buffer, int64_t frames)
{
    const int32_t ch = channels_;
    int64_t done = 0;
    while (done < frames) {
        if (positionInBlock_ == block_)
            NextBlock();
        const int64_t n = std::min(frames - done, block_ - positionInBlock_);
        const int32_t* b1 = current_[0].data();
        const int32_t* b2 = current_[1].data();
        const int32_t* b3 = current_[2].data();
        const int32_t* b4 = current_[3].data();
        int64_t g1 = gains_[0], g2 = gains_[1], g3 = gains_[2], g4 = gains_[3];
        const int64_t d1 = steps_[0], d2 = steps_[1], d3 = steps_[2], d4 = steps_[3];
        for (int64_t f = 0; f < n; ++f) {
            const size_t at = static_cast<size_t>((positionInBlock_ + f) * ch);
            int32_t* out = buffer + (done + f) * ch;
            // Exact products of the 8.24 gains (at most 1.0) and the band
            // samples, summed before the one shift back.
            for (int32_t c = 0; c < ch; ++c) {
                const int64_t sum = g1 * b1[at + c] + g2 * b2[at + c] + g3 * b3[at + c] + g4 * b4[at + c];
                out[c] = LSaturateToInt32(sum >> 24);
            }
            g1 += d1;
            g2 += d2;
            g3 += d3;
            g4 += d4;
        }
        gains_ = {static_cast<int32_t>(g1), static_cast<int32_t>(g2), static_cast<int32_t>(g3),
                  static_cast<int32_t>(g4)};
        positionInBlock_ += n;
        done += n;
    }
    return frames;
}

int64_t LNoiseGateFilter::GetPosition()
{
    return upstream_->GetPosition() - 2 * static_cast<int64_t>(block_) + positionInBlock_;
}

void LNoiseGateFilter::Seek(int64_t frame)
{
    upstream_->Seek(frame);
    StartUp();
}
