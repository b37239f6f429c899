#pragma once
// 8.24 fixed-point gains (16777216 = x1.0) and the multiplication every gain
// stage of the engine uses.

#include <cstdint>

constexpr int32_t kUnityGain824 = 16777216;

// Keeps a 64-bit intermediate within the int32 range: a gain that would
// overflow clips at full scale instead of wrapping to the opposite sign (an
// audible crack).
inline int32_t LSaturateToInt32(int64_t v)
{
    if (v > INT32_MAX)
        return INT32_MAX;
    if (v < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(v);
}

// a x b for two 8.24 values, built from their 12-bit halves: the high parts
// multiplied, plus each low part times the other's high part; the product of
// the two low parts is left out. The sum is formed in 64 bits and saturated,
// so large gains on loud sources clip rather than wrap.
inline int32_t LMul824(int32_t a, int32_t b)
{
    const int64_t ah = a >> 12, bh = b >> 12;
    const int64_t al = a & 0xFFF, bl = b & 0xFFF;
    return LSaturateToInt32(ah * bh + ((al * bh) >> 12) + ((bl * ah) >> 12));
}
