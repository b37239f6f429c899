#pragma once
// The layer III hybrid filter bank stage before the polyphase synthesis:
// alias reduction, the inverse MDCT of each subband (long blocks of 36
// points, or three short blocks of 12), windowing, overlap-add with the
// previous granule and the frequency inversion of odd subbands.

#include <cstdint>

class LMp3HybridFilter
{
public:
    LMp3HybridFilter();
    void Reset();

    // Transforms one granule of 576 spectral lines (modified in place by the
    // alias reduction). `blockType` 0..3, `mixed` for mixed blocks (the two lowest subbands as
    // long blocks with the normal window), and
    // `nonZeroLines` bounds the lines that may be non-zero. Writes 18 time
    // slots of 32 subband samples in the input layout of the synthesis filter
    // (LMp3SynthesisFilter::InputIndex), the padding of the last group zero.
    void Process(float* xr, int blockType, bool mixed, int nonZeroLines, float* out);

private:
    // Second halves of the last granule's blocks (18 used, padded for vectors).
    alignas(32) float overlap_[32][24];
};

// The 36-point inverse MDCT of 18 inputs, unwindowed (exposed for tests):
// out[n] = sum over k of in[k] * cos(pi / 72 * (2n + 1 + 18) * (2k + 1)).
void LMp3Imdct36(const float* in, float* out);
