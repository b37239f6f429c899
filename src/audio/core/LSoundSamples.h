#pragma once
// Sample arithmetic of the pipeline: conversions between the internal scale
// (16-bit PCM shifted left by 4, full scale +-524288) and file sample
// formats, and the peak of a block. The bulk conversions take byte pointers
// for the file side, so they work on unaligned buffers read from disk.

#include <cstdint>

// Going down to 8 or 16 bits rounds to nearest and saturates: a value just
// above full scale becomes the largest value of the narrower format instead
// of wrapping to its most negative one (an audible click).
inline int16_t LInternalToPcm16Sample(int32_t s)
{
    int32_t v = (s >= INT32_MAX - 8 ? INT32_MAX : s + 8) >> 4;
    return static_cast<int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
}

inline uint8_t LInternalToPcm8Sample(int32_t s)
{
    int32_t v = (s >= INT32_MAX - 2048 ? INT32_MAX : s + 2048) >> 12;
    v = v > 127 ? 127 : (v < -128 ? -128 : v);
    return static_cast<uint8_t>(v + 128);
}

inline int32_t LPcm16ToInternalSample(int16_t v)
{
    return static_cast<int32_t>(v) * 16;
}

inline int32_t LPcm8ToInternalSample(uint8_t b)
{
    return (static_cast<int32_t>(b) - 128) * 4096;
}

// 16-bit little-endian to internal: s x 16.
void LPcm16ToInternal(const void* in, int32_t* out, int64_t count);
// Internal to 16-bit little-endian: (s + 8) >> 4, saturated.
void LInternalToPcm16(const int32_t* in, void* out, int64_t count);
// Internal to 16-bit big-endian: the same values with their bytes swapped.
void LInternalToPcm16Be(const int32_t* in, void* out, int64_t count);
// Unsigned 8-bit to internal: (b - 128) x 4096.
void LPcm8ToInternal(const void* in, int32_t* out, int64_t count);
// Internal to unsigned 8-bit: ((s + 2048) >> 12) + 128, saturated.
void LInternalToPcm8(const int32_t* in, void* out, int64_t count);

// Wider PCM (24 and 32 bits little-endian) to internal: the bits below the internal scale are dropped.
void LPcm24ToInternal(const void* in, int32_t* out, int64_t count);
void LPcm32ToInternal(const void* in, int32_t* out, int64_t count);
// Internal to 24-bit and 32-bit little-endian PCM (exact: the internal scale has 20 bits).
void LInternalToPcm24(const int32_t* in, void* out, int64_t count);
void LInternalToPcm32(const int32_t* in, void* out, int64_t count);

// Internal to float: s x 2^-19, so +-524288 maps to +-1.0.
void LConvertSamplesToFloat(const int32_t* in, float* out, int64_t count);
// Float to internal: the inverse, rounded to nearest and kept within int32 range.
void LConvertFloatToSamples(const float* in, int32_t* out, int64_t count);

// The largest of the maximum sample and minus the minimum sample (both
// starting at 0) over frames x channels samples.
int32_t LSamplePeak(const int32_t* samples, int64_t frames, int32_t channels);
