#pragma once
// Polyphase windowed-sinc tables for the rate converters. The input advances
// M / L frames per output frame (input rate / output rate = M / L); phase p
// of the table holds the taps for an output instant p / L of the way between
// two input frames.

#include <cstddef>
#include <cstdint>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

struct LSincTable
{
    int32_t phases = 1; // L
    int32_t step = 1;   // M
    int32_t taps = 0;   // N
    // L x N coefficients in 16.16 fixed point (65536 = 1.0), phase-major.
    std::vector<int32_t> coefficients;

    const int32_t* Phase(int32_t phase) const
    {
        return coefficients.data() + static_cast<size_t>(phase) * taps;
    }
};

// Builds the table for converting inputRate to outputRate with taps taps.
// With approximate, L is searched among 1..255 for a ratio close to the
// true one (small tables for odd ratios such as speed corrections); without
// it the ratio is exact. narrow moves the cutoff of a downsampler lower.
// Returns false (and leaves a 1/1 pass-through table) for rates below 1.
bool LBuildSincTable(LSincTable& table, int32_t inputRate, int32_t outputRate, int32_t taps, bool narrow,
                     bool approximate);

// The L and M that LBuildSincTable chooses, without building the coefficients.
void LSincRatio(int32_t inputRate, int32_t outputRate, bool approximate, int32_t* phases, int32_t* step);

// The table in the form the filters run: each phase's taps as floats scaled
// to unity (coefficient / 65536), padded with zero taps to a multiple of 8 so
// that the inner loop runs on whole vectors.
class LSincKernel
{
public:
    void Build(const LSincTable& table);

    int32_t PaddedTaps() const { return padded_; }
    const float* Phase(int64_t phase) const
    {
        return coefficients_.data() + static_cast<size_t>(phase) * padded_;
    }

    // One output sample from PaddedTaps() consecutive input samples of one
    // channel (the input must hold that many), rounded and kept within int32.
    int32_t Apply(const float* input, const float* coefficients) const
    {
        float sum;
#if defined(__SSE2__)
        __m128 acc0 = _mm_setzero_ps(), acc1 = _mm_setzero_ps();
        for (int32_t t = 0; t < padded_; t += 8) {
            acc0 = _mm_add_ps(acc0, _mm_mul_ps(_mm_loadu_ps(input + t), _mm_loadu_ps(coefficients + t)));
            acc1 =
                _mm_add_ps(acc1, _mm_mul_ps(_mm_loadu_ps(input + t + 4), _mm_loadu_ps(coefficients + t + 4)));
        }
        acc0 = _mm_add_ps(acc0, acc1);
        acc0 = _mm_add_ps(acc0, _mm_movehl_ps(acc0, acc0));
        acc0 = _mm_add_ss(acc0, _mm_shuffle_ps(acc0, acc0, 1));
        sum = _mm_cvtss_f32(acc0);
        if (!(sum < 2147483520.0f))
            return INT32_MAX;
        if (sum < -2147483648.0f)
            return INT32_MIN;
        return _mm_cvtss_si32(_mm_set_ss(sum)); // rounds to nearest
#else
        float lanes[8] = {};
        for (int32_t t = 0; t < padded_; t += 8)
            for (int32_t i = 0; i < 8; ++i)
                lanes[i] += input[t + i] * coefficients[t + i];
        sum =
            ((lanes[0] + lanes[4]) + (lanes[2] + lanes[6])) + ((lanes[1] + lanes[5]) + (lanes[3] + lanes[7]));
        if (!(sum < 2147483520.0f))
            return INT32_MAX;
        if (sum < -2147483648.0f)
            return INT32_MIN;
        return static_cast<int32_t>(sum < 0 ? sum - 0.5f : sum + 0.5f);
#endif
    }

private:
    int32_t padded_ = 8;
    std::vector<float> coefficients_;
};
