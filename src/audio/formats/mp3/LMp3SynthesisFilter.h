#pragma once
// The polyphase synthesis filter bank of MPEG audio: 32 subband samples in,
// 32 output samples out per time slot, one object per channel.

#include <cstdint>

class LMp3SynthesisFilter
{
public:
    LMp3SynthesisFilter();
    void Reset();

    // Filters `slots` time slots. The input comes in groups of eight slots:
    // subband k of slot t is subbands[InputIndex(t, k)] (a partial last
    // group padded with zeros). Writes out[t * 32 + j], scaled so that full
    // scale is +-524288 (the internal sample scale). The input must be
    // 32-byte aligned.
    void Process(const float* subbands, int slots, float* out);

    static constexpr int kGroupSlots = 8;
    // Index of subband k of slot t in that input layout.
    static int InputIndex(int slot, int subband)
    {
        return (slot / kGroupSlots) * (32 * kGroupSlots) + subband * kGroupSlots + slot % kGroupSlots;
    }
    // Floats of input for a number of slots.
    static int InputSize(int slots) { return (slots + kGroupSlots - 1) / kGroupSlots * 32 * kGroupSlots; }

private:
    // History of the 64-value V vectors of the last 16 slots, kept twice in a
    // row (slots 0..15 and 16..31) so that the 16 newest are always contiguous.
    alignas(32) float v_[32][64];
    int newest_ = 0; // index (0..15) of the newest slot
};

// 32-point DCT-II: out[k] = sum over n of in[n] * cos(pi * (2n + 1) * k / 64).
void LMp3Dct32(const float* in, float* out);
