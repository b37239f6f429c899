#include "audio/effects/LBiquad.h"

#include "audio/effects/LFixedPoint.h"

#include <algorithm>
#include <cmath>
#include <cstring>

LBiquad::LBiquad(int32_t cutoff, int32_t rate, int32_t channels)
    : cutoff_(cutoff < 1 ? 10 : cutoff), rate_(rate < 1 ? 44100 : rate),
      channels_(channels < 1 ? 1 : channels), history_(static_cast<size_t>(channels_))
{
    const double w = 2.0 * M_PI * cutoff_ / rate_;
    const double s = std::sin(w), c = std::cos(w);
    const double a0 = 1.0 + s / 1.414;
    a1_ = static_cast<int32_t>(std::trunc(-2.0 * c * 16777216.0 / a0));
    a2_ = static_cast<int32_t>(std::trunc((1.0 - s / 1.414) * 16777216.0 / a0));
    b0_ = static_cast<int32_t>(std::trunc((1.0 + c) / 2.0 * 16777216.0 / a0));
    b1_ = static_cast<int32_t>(std::trunc(-(1.0 + c) * 16777216.0 / a0));
}

namespace {

// The fed-back outputs are held within 2^27 samples (2^35 in their 1/256
// units). Whatever the cutoff, a0 >= 1 - 1/1.414 keeps every 8.24
// coefficient below 2^27, so the feedback products stay below 2^63 and the
// whole sum below 2^59 for any int32 input, where unbounded outputs would
// wrap on the absurd values of a damaged file. Real audio never comes near.
constexpr int64_t kStateLimit = int64_t(1) << 35;

inline int64_t HoldState(int64_t y)
{
    return y > kStateLimit ? kStateLimit : (y < -kStateLimit ? -kStateLimit : y);
}

} // namespace

void LBiquad::ProcessChannel(int32_t channel, const int32_t* in, int32_t* out, int64_t frames, int32_t stride)
{
    // The products are exact in 64 bits and the fed-back outputs keep 8
    // bits below the sample: with poles this close to 1, a sample-sized
    // rounding error in the feedback is amplified about 2000 times at 20 Hz
    // (150 Hz cutoff), which would bend the low end of the response by
    // several dB and leave a DC offset behind the filter meant to remove it.
    History& h = history_[static_cast<size_t>(channel)];
    int64_t x1 = h.x1, x2 = h.x2, y1 = h.y1, y2 = h.y2; // y in 1/256 sample units
    const int64_t a1 = a1_, a2 = a2_, b0 = b0_, b1 = b1_;
    for (int64_t f = 0; f < frames; ++f) {
        const int64_t x = in[f * stride];
        // b2 equals b0, so x and x2 share one product.
        const int64_t acc = b0 * (x + x2) + b1 * x1 - ((a1 * y1 + a2 * y2) >> 8);
        const int64_t y = HoldState((acc + (1 << 15)) >> 16);
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        out[f * stride] = LSaturateToInt32((y + 128) >> 8);
    }
    h.x1 = x1;
    h.x2 = x2;
    h.y1 = y1;
    h.y2 = y2;
}

void LBiquad::ProcessChannel(int32_t channel, int32_t* samples, int64_t frames, int32_t stride)
{
    ProcessChannel(channel, samples, samples, frames, stride);
}

void LBiquad::Process(int32_t* samples, int64_t frames)
{
    if (channels_ == 2) {
        ProcessStereo(samples, samples, frames);
        return;
    }
    for (int32_t c = 0; c < channels_; ++c)
        ProcessChannel(c, samples + c, frames, channels_);
}

namespace {

struct StereoHistory
{
    int64_t lx1, lx2, ly1, ly2, rx1, rx2, ry1, ry2;
};

// Both channels' recursions side by side, so that neither waits on its own
// last output, with the limit on the fed-back outputs.
void StereoLimited(const int32_t* in, int32_t* out, int64_t frames, int64_t a1, int64_t a2, int64_t b0,
                   int64_t b1, StereoHistory& h)
{
    int64_t lx1 = h.lx1, lx2 = h.lx2, ly1 = h.ly1, ly2 = h.ly2;
    int64_t rx1 = h.rx1, rx2 = h.rx2, ry1 = h.ry1, ry2 = h.ry2;
    for (int64_t f = 0; f < frames; ++f) {
        const int64_t lx = in[2 * f], rx = in[2 * f + 1];
        const int64_t lacc = b0 * (lx + lx2) + b1 * lx1 - ((a1 * ly1 + a2 * ly2) >> 8);
        const int64_t racc = b0 * (rx + rx2) + b1 * rx1 - ((a1 * ry1 + a2 * ry2) >> 8);
        const int64_t ly = HoldState((lacc + (1 << 15)) >> 16);
        const int64_t ry = HoldState((racc + (1 << 15)) >> 16);
        lx2 = lx1;
        lx1 = lx;
        ly2 = ly1;
        ly1 = ly;
        rx2 = rx1;
        rx1 = rx;
        ry2 = ry1;
        ry1 = ry;
        out[2 * f] = LSaturateToInt32((ly + 128) >> 8);
        out[2 * f + 1] = LSaturateToInt32((ry + 128) >> 8);
    }
    h = StereoHistory{lx1, lx2, ly1, ly2, rx1, rx2, ry1, ry2};
}

// The same without the limit, which lengthens the chain from one output to
// the next by a third: false, at the first output the limit would have
// changed, and the history is then not to be used. Until then both give
// the same outputs.
bool StereoUnlimited(const int32_t* __restrict in, int32_t* __restrict out, int64_t frames, int64_t a1,
                     int64_t a2, int64_t b0, int64_t b1, StereoHistory& h)
{
    int64_t lx1 = h.lx1, lx2 = h.lx2, ly1 = h.ly1, ly2 = h.ly2;
    int64_t rx1 = h.rx1, rx2 = h.rx2, ry1 = h.ry1, ry2 = h.ry2;
    constexpr uint64_t kSpan = 2 * static_cast<uint64_t>(kStateLimit);
    for (int64_t f = 0; f < frames; ++f) {
        const int64_t lx = in[2 * f], rx = in[2 * f + 1];
        // The rounding term joins the part that does not wait on the last output.
        const int64_t lin = b0 * (lx + lx2) + b1 * lx1 + (1 << 15);
        const int64_t rin = b0 * (rx + rx2) + b1 * rx1 + (1 << 15);
        const int64_t ly = (lin - ((a1 * ly1 + a2 * ly2) >> 8)) >> 16;
        const int64_t ry = (rin - ((a1 * ry1 + a2 * ry2) >> 8)) >> 16;
        if (static_cast<uint64_t>(ly + kStateLimit) > kSpan || static_cast<uint64_t>(ry + kStateLimit) > kSpan)
            return false;
        lx2 = lx1;
        lx1 = lx;
        ly2 = ly1;
        ly1 = ly;
        rx2 = rx1;
        rx1 = rx;
        ry2 = ry1;
        ry1 = ry;
        out[2 * f] = LSaturateToInt32((ly + 128) >> 8);
        out[2 * f + 1] = LSaturateToInt32((ry + 128) >> 8);
    }
    h = StereoHistory{lx1, lx2, ly1, ly2, rx1, rx2, ry1, ry2};
    return true;
}

} // namespace

void LBiquad::ProcessStereo(const int32_t* in, int32_t* out, int64_t frames)
{
    // The same filter as ProcessChannel. Ordinary sound never comes near the
    // limit on the fed-back outputs: each piece is filtered without it into
    // a buffer of its own (the input may be the output), and only a piece
    // that would have reached the limit is filtered again with it.
    History& l = history_[0];
    History& r = history_[1];
    StereoHistory h{l.x1, l.x2, l.y1, l.y2, r.x1, r.x2, r.y1, r.y2};
    const int64_t a1 = a1_, a2 = a2_, b0 = b0_, b1 = b1_;
    constexpr int64_t kPiece = 1024;
    int32_t piece[2 * kPiece];
    for (int64_t done = 0; done < frames;) {
        const int64_t n = std::min(kPiece, frames - done);
        StereoHistory trial = h;
        if (StereoUnlimited(in + 2 * done, piece, n, a1, a2, b0, b1, trial)) {
            std::memcpy(out + 2 * done, piece, static_cast<size_t>(2 * n) * sizeof(int32_t));
            h = trial;
        } else {
            StereoLimited(in + 2 * done, out + 2 * done, n, a1, a2, b0, b1, h);
        }
        done += n;
    }
    l = History{h.lx1, h.lx2, h.ly1, h.ly2};
    r = History{h.rx1, h.rx2, h.ry1, h.ry2};
}

void LBiquad::Clear()
{
    for (History& h : history_)
        h = History{};
}
