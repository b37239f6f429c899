#include "audio/core/LSoundSamples.h"

#include "audio/core/LHotLoop.h"

#include <cmath>
#include <cstring>

// The loops below are written so the compiler can turn them into vector code
// (eight samples a step); the byte-wise loads keep them safe on unaligned input.

L_HOT_LOOP void LPcm16ToInternal(const void* in, int32_t* out, int64_t count)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(in);
    for (int64_t i = 0; i < count; ++i) {
        int16_t v = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        out[i] = static_cast<int32_t>(v) * 16;
    }
}

L_HOT_LOOP void LInternalToPcm16(const int32_t* in, void* out, int64_t count)
{
    uint8_t* bytes = static_cast<uint8_t*>(out);
    for (int64_t i = 0; i < count; ++i) {
        uint16_t v = static_cast<uint16_t>(LInternalToPcm16Sample(in[i]));
        bytes[2 * i] = static_cast<uint8_t>(v);
        bytes[2 * i + 1] = static_cast<uint8_t>(v >> 8);
    }
}

void LInternalToPcm16Be(const int32_t* in, void* out, int64_t count)
{
    uint8_t* bytes = static_cast<uint8_t*>(out);
    for (int64_t i = 0; i < count; ++i) {
        uint16_t v = static_cast<uint16_t>(LInternalToPcm16Sample(in[i]));
        bytes[2 * i] = static_cast<uint8_t>(v >> 8);
        bytes[2 * i + 1] = static_cast<uint8_t>(v);
    }
}

void LPcm8ToInternal(const void* in, int32_t* out, int64_t count)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(in);
    for (int64_t i = 0; i < count; ++i)
        out[i] = (static_cast<int32_t>(bytes[i]) - 128) * 4096;
}

void LInternalToPcm8(const int32_t* in, void* out, int64_t count)
{
    uint8_t* bytes = static_cast<uint8_t*>(out);
    for (int64_t i = 0; i < count; ++i)
        bytes[i] = LInternalToPcm8Sample(in[i]);
}

void LPcm24ToInternal(const void* in, int32_t* out, int64_t count)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(in);
    for (int64_t i = 0; i < count; ++i) {
        const uint8_t* p = bytes + 3 * i;
        // Assemble in the top 24 bits so the arithmetic shift extends the sign.
        int32_t v =
            static_cast<int32_t>((static_cast<uint32_t>(p[0]) << 8) | (static_cast<uint32_t>(p[1]) << 16) |
                                 (static_cast<uint32_t>(p[2]) << 24));
        out[i] = v >> 12; // 24-bit value >> 4
    }
}

void LPcm32ToInternal(const void* in, int32_t* out, int64_t count)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(in);
    for (int64_t i = 0; i < count; ++i) {
        const uint8_t* p = bytes + 4 * i;
        int32_t v =
            static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                                 (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24));
        out[i] = v >> 12;
    }
}

namespace {

int32_t ClampToBits(int64_t v, int bits)
{
    const int64_t high = (int64_t{1} << (bits - 1)) - 1;
    const int64_t low = -(int64_t{1} << (bits - 1));
    return static_cast<int32_t>(v > high ? high : (v < low ? low : v));
}

} // namespace

void LInternalToPcm24(const int32_t* in, void* out, int64_t count)
{
    uint8_t* bytes = static_cast<uint8_t*>(out);
    for (int64_t i = 0; i < count; ++i) {
        uint32_t v = static_cast<uint32_t>(ClampToBits(static_cast<int64_t>(in[i]) * 16, 24));
        bytes[3 * i] = static_cast<uint8_t>(v);
        bytes[3 * i + 1] = static_cast<uint8_t>(v >> 8);
        bytes[3 * i + 2] = static_cast<uint8_t>(v >> 16);
    }
}

void LInternalToPcm32(const int32_t* in, void* out, int64_t count)
{
    uint8_t* bytes = static_cast<uint8_t*>(out);
    for (int64_t i = 0; i < count; ++i) {
        uint32_t v = static_cast<uint32_t>(ClampToBits(static_cast<int64_t>(in[i]) * 4096, 32));
        bytes[4 * i] = static_cast<uint8_t>(v);
        bytes[4 * i + 1] = static_cast<uint8_t>(v >> 8);
        bytes[4 * i + 2] = static_cast<uint8_t>(v >> 16);
        bytes[4 * i + 3] = static_cast<uint8_t>(v >> 24);
    }
}

void LConvertSamplesToFloat(const int32_t* in, float* out, int64_t count)
{
    constexpr float kScale = 1.0f / 524288.0f;
    for (int64_t i = 0; i < count; ++i)
        out[i] = static_cast<float>(in[i]) * kScale;
}

void LConvertFloatToSamples(const float* in, int32_t* out, int64_t count)
{
    for (int64_t i = 0; i < count; ++i) {
        double v = static_cast<double>(in[i]) * 524288.0;
        if (!(v == v)) // NaN
            v = 0;
        v = v > 2147483647.0 ? 2147483647.0 : (v < -2147483648.0 ? -2147483648.0 : v);
        out[i] = static_cast<int32_t>(std::lrint(v));
    }
}

L_HOT_LOOP int32_t LSamplePeak(const int32_t* samples, int64_t frames, int32_t channels)
{
    int64_t count = frames * channels;
    int32_t high = 0;
    int32_t low = 0;
    for (int64_t i = 0; i < count; ++i) {
        high = samples[i] > high ? samples[i] : high;
        low = samples[i] < low ? samples[i] : low;
    }
    // -INT32_MIN does not fit: report INT32_MAX for it.
    int32_t negLow = low == INT32_MIN ? INT32_MAX : -low;
    return high > negLow ? high : negLow;
}
