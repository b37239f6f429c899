#include "audio/effects/LNoiseGate.h"

#include "audio/effects/LDbGain.h"
#include "audio/effects/LFixedPoint.h"
#include "audio/core/LHotLoop.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

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
    splitters_.assign(static_cast<size_t>(kNoiseGateBands) * channels_, 0);
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

// One channel's band splitter over a block. Each accumulator's quotient
// s / 256 (rounded towards zero) is used twice, once as the band and once
// in the next sample's update, so it is kept instead of being divided again.
struct Split
{
    int64_t c50, c400, c1100, c2600;

    struct State
    {
        int64_t s1, s2, s3, s4; // the accumulators
        int64_t q1, q2, q3, q4; // and their quotients by 256

        explicit State(const int64_t* s)
            : s1(s[0]), s2(s[1]), s3(s[2]), s4(s[3]), q1(s1 / 256), q2(s2 / 256), q3(s3 / 256), q4(s4 / 256)
        {
        }
        void Save(int64_t* s) const
        {
            s[0] = s1;
            s[1] = s2;
            s[2] = s3;
            s[3] = s4;
        }
    };

    inline void operator()(int64_t x, State& st, int64_t* band) const
    {
        const int64_t x0 = x - st.q1;
        st.s2 += (x0 - st.q2) * c400;
        st.q2 = st.s2 / 256;
        int64_t r = x0 - st.q2;
        st.s3 += (r - st.q3) * c1100;
        st.q3 = st.s3 / 256;
        r -= st.q3;
        st.s4 += (r - st.q4) * c2600;
        st.q4 = st.s4 / 256;
        band[0] = st.q2;
        band[1] = st.q3;
        band[2] = st.q4;
        band[3] = r - st.q4;
        st.s1 += c50 * x0;
        st.q1 = st.s1 / 256;
    }
};

// The largest magnitude of a band buffer (INT32_MAX for INT32_MIN), as
// LSamplePeak gives it, in a loop the compiler can vectorize.
L_HOT_LOOP int32_t BandPeak(const int32_t* __restrict samples, int64_t count)
{
    int32_t high = 0, low = 0;
    for (int64_t i = 0; i < count; ++i) {
        high = std::max(high, samples[i]);
        low = std::min(low, samples[i]);
    }
    const int32_t negLow = low == INT32_MIN ? INT32_MAX : -low;
    return std::max(high, negLow);
}

template <bool Saturate> __attribute__((always_inline)) inline int32_t ToSample(int64_t v)
{
    return Saturate ? LSaturateToInt32(v) : static_cast<int32_t>(v);
}

template <bool Saturate>
__attribute__((always_inline)) inline void
SplitLoop(const Split& split, const int32_t* __restrict in, int64_t frames, int32_t ch, int64_t* state,
          int32_t* __restrict b0, int32_t* __restrict b1, int32_t* __restrict b2, int32_t* __restrict b3)
{
    int64_t band[2][kNoiseGateBands];
    if (ch == 2) {
        // The two channels' recursions run side by side, so neither waits on its own last step.
        Split::State l(state), r(state + 4);
        for (int64_t f = 0; f < frames; ++f) {
            const size_t at = static_cast<size_t>(f * 2);
            split(in[at], l, band[0]);
            split(in[at + 1], r, band[1]);
            for (int32_t c = 0; c < 2; ++c) {
                b0[at + c] = ToSample<Saturate>(band[c][0]);
                b1[at + c] = ToSample<Saturate>(band[c][1]);
                b2[at + c] = ToSample<Saturate>(band[c][2]);
                b3[at + c] = ToSample<Saturate>(band[c][3]);
            }
        }
        l.Save(state);
        r.Save(state + 4);
        return;
    }
    for (int32_t c = 0; c < ch; ++c) {
        Split::State st(state + 4 * c);
        for (int64_t f = 0; f < frames; ++f) {
            const size_t at = static_cast<size_t>(f * ch + c);
            split(in[at], st, band[0]);
            b0[at] = ToSample<Saturate>(band[0][0]);
            b1[at] = ToSample<Saturate>(band[0][1]);
            b2[at] = ToSample<Saturate>(band[0][2]);
            b3[at] = ToSample<Saturate>(band[0][3]);
        }
        st.Save(state + 4 * c);
    }
}

// Whether a block can leave a band beyond 32 bits. With every input sample
// and the first accumulator's quotient within B, that quotient stays within
// B (each step mixes the two with weights that sum to 256, plus less than
// 256), x0 within 2B, and down the cascade band 1 within 2B, band 2 within
// 4B, band 3 within 8B and band 4 within 16B, given that each later
// quotient starts within its own bound. Below 2^27 nothing needs limiting.
bool MaySaturate(const int32_t* in, int64_t frames, int32_t ch, const int64_t* state)
{
    int64_t bound = BandPeak(in, frames * ch);
    for (int32_t c = 0; c < ch; ++c) {
        const int64_t* s = state + 4 * c;
        bound = std::max<int64_t>({bound, std::llabs(s[0] / 256), (std::llabs(s[1] / 256) + 1) / 2,
                                   (std::llabs(s[2] / 256) + 3) / 4, (std::llabs(s[3] / 256) + 7) / 8});
    }
    return bound >= (int64_t{1} << 27);
}

// The splitter's recursions cannot be vectorized, but they gain from the
// wider scheduling of the hot-loop build all the same; and ordinary sound
// needs no limiting of the bands, which saves a quarter of the work.
L_HOT_LOOP void SplitChannels(const Split& split, const int32_t* __restrict in, int64_t frames, int32_t ch,
                              int64_t* state, int32_t* __restrict b0, int32_t* __restrict b1,
                              int32_t* __restrict b2, int32_t* __restrict b3)
{
    if (MaySaturate(in, frames, ch, state))
        SplitLoop<true>(split, in, frames, ch, state, b0, b1, b2, b3);
    else
        SplitLoop<false>(split, in, frames, ch, state, b0, b1, b2, b3);
}

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && !defined(__SANITIZE_THREAD__)
#define L_WIDE_SPLIT 1

typedef int64_t Lanes64 __attribute__((vector_size(16)));
typedef uint64_t ULanes64 __attribute__((vector_size(16)));
typedef int32_t Lanes32 __attribute__((vector_size(8)));

// A stereo block without limiting, the two channels' recursions in the two
// lanes of one vector register: the same operations in the same order as
// Split, so the same bands, for half the instructions. It needs 64-bit
// vector products and arithmetic shifts, which AVX-512 brings.
__attribute__((target("arch=x86-64-v4"), optimize("O3"))) void
SplitStereoWide(const Split& split, const int32_t* __restrict in, int64_t frames, int64_t* state,
                int32_t* __restrict b0, int32_t* __restrict b1, int32_t* __restrict b2, int32_t* __restrict b3)
{
    // s / 256 rounded towards zero, as the integer division does it.
    auto quotient = [](Lanes64 s) { return (s + (Lanes64)((ULanes64)(s >> 63) >> 56)) >> 8; };
    Lanes64 s1 = {state[0], state[4]}, s2 = {state[1], state[5]}, s3 = {state[2], state[6]},
            s4 = {state[3], state[7]};
    Lanes64 q1 = quotient(s1), q2 = quotient(s2), q3 = quotient(s3), q4 = quotient(s4);
    const Lanes64 c50 = {split.c50, split.c50}, c400 = {split.c400, split.c400},
                  c1100 = {split.c1100, split.c1100}, c2600 = {split.c2600, split.c2600};
    auto store = [](int32_t* out, Lanes64 v) {
        const Lanes32 narrow = __builtin_convertvector(v, Lanes32);
        __builtin_memcpy(out, &narrow, sizeof narrow);
    };
    for (int64_t f = 0; f < frames; ++f) {
        const Lanes64 x = {in[2 * f], in[2 * f + 1]};
        const Lanes64 x0 = x - q1;
        s2 += (x0 - q2) * c400;
        q2 = quotient(s2);
        Lanes64 r = x0 - q2;
        s3 += (r - q3) * c1100;
        q3 = quotient(s3);
        r -= q3;
        s4 += (r - q4) * c2600;
        q4 = quotient(s4);
        store(b0 + 2 * f, q2);
        store(b1 + 2 * f, q3);
        store(b2 + 2 * f, q4);
        store(b3 + 2 * f, r - q4);
        s1 += c50 * x0;
        q1 = quotient(s1);
    }
    state[0] = s1[0];
    state[1] = s2[0];
    state[2] = s3[0];
    state[3] = s4[0];
    state[4] = s1[1];
    state[5] = s2[1];
    state[6] = s3[1];
    state[7] = s4[1];
}

bool HasWideSplit()
{
    static const bool wide = __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512dq");
    return wide;
}
#endif

void SplitBlock(const Split& split, const int32_t* in, int64_t frames, int32_t ch, int64_t* state, int32_t* b0,
                int32_t* b1, int32_t* b2, int32_t* b3)
{
#ifdef L_WIDE_SPLIT
    if (ch == 2 && HasWideSplit() && !MaySaturate(in, frames, ch, state)) {
        SplitStereoWide(split, in, frames, state, b0, b1, b2, b3);
        return;
    }
#endif
    SplitChannels(split, in, frames, ch, state, b0, b1, b2, b3);
}

// out = the sum over the bands of gain times sample, the gains moving by
// their steps frame by frame: exact products of the 8.24 gains (at most
// 1.0) and the band samples, summed before the one shift back. A gain lies
// between its value at the start of the run and at its end, both of which
// are kept as 32-bit values, so every product is one of two 32-bit values,
// which the vector units form four or eight at a time.
L_HOT_LOOP void MixBands(int32_t* __restrict out, const int32_t* __restrict b1, const int32_t* __restrict b2,
                         const int32_t* __restrict b3, const int32_t* __restrict b4, int64_t frames,
                         int32_t ch, int64_t* gains, const int64_t* steps)
{
    const int64_t g1 = gains[0], g2 = gains[1], g3 = gains[2], g4 = gains[3];
    const int64_t d1 = steps[0], d2 = steps[1], d3 = steps[2], d4 = steps[3];
    int32_t e1 = static_cast<int32_t>(g1), e2 = static_cast<int32_t>(g2), e3 = static_cast<int32_t>(g3),
            e4 = static_cast<int32_t>(g4);
    const int32_t s1 = static_cast<int32_t>(d1), s2 = static_cast<int32_t>(d2), s3 = static_cast<int32_t>(d3),
                  s4 = static_cast<int32_t>(d4);
    auto mix = [&](size_t i) {
        const int64_t sum = int64_t{e1} * b1[i] + int64_t{e2} * b2[i] + int64_t{e3} * b3[i] + int64_t{e4} * b4[i];
        out[i] = LSaturateToInt32(sum >> 24);
    };
    if (ch == 2) {
        for (int64_t f = 0; f < frames; ++f) {
            mix(static_cast<size_t>(2 * f));
            mix(static_cast<size_t>(2 * f + 1));
            e1 += s1;
            e2 += s2;
            e3 += s3;
            e4 += s4;
        }
    } else {
        for (int64_t f = 0; f < frames; ++f) {
            for (int32_t c = 0; c < ch; ++c)
                mix(static_cast<size_t>(f * ch + c));
            e1 += s1;
            e2 += s2;
            e3 += s3;
            e4 += s4;
        }
    }
    gains[0] = g1 + frames * d1;
    gains[1] = g2 + frames * d2;
    gains[2] = g3 + frames * d3;
    gains[3] = g4 + frames * d4;
}

} // namespace

void LNoiseGateFilter::ReadAndSplit(std::vector<int32_t>* bands)
{
    const int32_t ch = channels_;
    upstream_->Read(scratch_.data(), block_);
    const Split split{coefficients_[0], coefficients_[1], coefficients_[2], coefficients_[3]};
    int32_t* out[kNoiseGateBands] = {bands[0].data(), bands[1].data(), bands[2].data(), bands[3].data()};
    SplitBlock(split, scratch_.data(), block_, ch, splitters_.data(), out[0], out[1], out[2], out[3]);
    for (int32_t b = 0; b < kNoiseGateBands; ++b)
        nextPeaks_[b] = BandPeak(out[b], static_cast<int64_t>(block_) * ch);
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
    std::fill(splitters_.begin(), splitters_.end(), 0);
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
        const size_t at = static_cast<size_t>(positionInBlock_ * ch);
        int64_t gains[kNoiseGateBands] = {gains_[0], gains_[1], gains_[2], gains_[3]};
        const int64_t steps[kNoiseGateBands] = {steps_[0], steps_[1], steps_[2], steps_[3]};
        MixBands(buffer + done * ch, current_[0].data() + at, current_[1].data() + at,
                 current_[2].data() + at, current_[3].data() + at, n, ch, gains, steps);
        gains_ = {static_cast<int32_t>(gains[0]), static_cast<int32_t>(gains[1]),
                  static_cast<int32_t>(gains[2]), static_cast<int32_t>(gains[3])};
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
