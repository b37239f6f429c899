#pragma once
// A second-order high-pass section (Q = 1/1.414) in 8.24 fixed point, direct
// form I, with its own history per channel.
// The coefficients are 8.24 values; products are exact. The high-pass (rumble) filter
// and the click detector both use it.

#include <cstdint>
#include <vector>

class LBiquad
{
public:
    // A cutoff below 1 becomes 10 Hz, a rate below 1 becomes 44100.
    LBiquad(int32_t cutoff, int32_t rate, int32_t channels);

    // Filters frames frames of one channel of an interleaved block in place.
    void ProcessChannel(int32_t channel, int32_t* samples, int64_t frames, int32_t stride);
    // Filters every channel of an interleaved block in place.
    void Process(int32_t* samples, int64_t frames);
    // Filters one channel of in into out (both interleaved with the same stride).
    void ProcessChannel(int32_t channel, const int32_t* in, int32_t* out, int64_t frames, int32_t stride);
    // Filters both channels of a stereo filter's interleaved block (in may be out).
    void ProcessStereo(const int32_t* in, int32_t* out, int64_t frames);
    // Forgets the history (a seek).
    void Clear();

    int32_t GetCutoff() const { return cutoff_; }
    int32_t GetRate() const { return rate_; }
    int32_t A1() const { return a1_; }
    int32_t A2() const { return a2_; }
    int32_t B0() const { return b0_; }
    int32_t B1() const { return b1_; }

private:
    struct History
    {
        int64_t x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    };

    int32_t cutoff_;
    int32_t rate_;
    int32_t channels_;
    int32_t a1_ = 0, a2_ = 0, b0_ = 0, b1_ = 0;
    std::vector<History> history_;
};
