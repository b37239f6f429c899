#pragma once
// Polyphase windowed-sinc tables for the rate converters. The input advances
// M / L frames per output frame (input rate / output rate = M / L); phase p
// of the table holds the taps for an output instant p / L of the way between
// two input frames.

#include <cstddef>
#include <cstdint>
#include <vector>

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

// One output sample: the taps of one phase over taps consecutive input samples of one channel,
// rounded back to the input's scale.
inline int32_t LSincApply(const int32_t* input, const int32_t* coefficients, int32_t taps)
{
    int64_t sum = 0;
    for (int32_t t = 0; t < taps; ++t)
        sum += static_cast<int64_t>(input[t]) * coefficients[t];
    sum = (sum + 32768) >> 16;
    if (sum > INT32_MAX)
        return INT32_MAX;
    if (sum < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(sum);
}
