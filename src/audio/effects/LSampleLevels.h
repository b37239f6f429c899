#pragma once
// Level measurements and simple gains on blocks of interleaved internal
// samples, shared by the normalizer, the recorder and the level meter.

#include <cstdint>

// The largest of (maximum, minus minimum) of one channel, both starting at 0;
// the whole block when channels is 1.
int32_t LChannelPeak(int32_t channel, const int32_t* samples, int64_t frames, int32_t channels);

// Mean of (s >> 5)^2 over frames x channels samples, rounded down; 0 for an empty block.
int64_t LMeanSquare(const int32_t* samples, int64_t frames, int32_t channels);

// The same over one channel.
int64_t LChannelMeanSquare(int32_t channel, const int32_t* samples, int64_t frames, int32_t channels);

// s = (s x gain) >> 9 over count samples (512 = x1.0), saturated to the int32 range.
void LApplyGain512(int32_t gain, int32_t* samples, int64_t count);
// Adds each channel's samples of an interleaved block to sums[channel]
// (exactly: a block of up to 2^32 frames of 32-bit samples fits each sum).
void LAddChannelSums(const int32_t* samples, int64_t frames, int32_t channels, int64_t* sums);
