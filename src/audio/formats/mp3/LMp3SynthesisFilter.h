#pragma once
// The polyphase synthesis filter bank of MPEG audio: 32 subband samples in,
// 32 output samples out per time slot, one object per channel.

#include <cstdint>

class LMp3SynthesisFilter
{
public:
    LMp3SynthesisFilter();
    void Reset();

    // Filters `slots` time slots; slot t reads subbands[t * 32 .. t * 32 + 31]
    // and writes out[(t * 32 + j) * stride], scaled so that full scale is
    // +-524288 (the internal sample scale).
    void Process(const float* subbands, int slots, float* out, int stride);

private:
    // History of the 64-value V vectors of the last 16 slots, kept twice in a
    // row (slots 0..15 and 16..31) so that the 16 newest are always contiguous.
    alignas(32) float v_[32][64];
    int newest_ = 0; // index (0..15) of the newest slot
};

// 32-point DCT-II: out[k] = sum over n of in[n] * cos(pi * (2n + 1) * k / 64).
void LMp3Dct32(const float* in, float* out);
