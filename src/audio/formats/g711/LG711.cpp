#include "audio/formats/g711/LG711.h"

#include <array>

namespace {

// Expansion of an A-law code: the code is stored with its even bits
// inverted; a set top bit means a positive sample.
constexpr int32_t ExpandALaw(uint8_t code)
{
    constexpr int32_t kStep[8] = {256, 256, 512, 1024, 2048, 4096, 8192, 16384};
    constexpr int32_t kBase[8] = {128, 4224, 8448, 16896, 33792, 67584, 135168, 270336};
    const int v = code ^ 0x55;
    const int segment = (v >> 4) & 7;
    const int32_t magnitude = (v & 15) * kStep[segment] + kBase[segment];
    return (code & 0x80) ? magnitude : -magnitude;
}

// Expansion of a mu-law code: the code is stored inverted. The segment bases
// are 2112 x (2^segment - 1), i.e. the standard bias of 132 (16-bit) grown
// with each segment, so that segment 5 starts at 65472.
constexpr int32_t ExpandMuLaw(uint8_t code)
{
    const int m = static_cast<uint8_t>(~code);
    const int segment = (m >> 4) & 7;
    const int32_t base = 2112 * ((1 << segment) - 1);
    const int32_t magnitude = ((m & 15) << (segment + 7)) + base;
    return (code & 0x80) ? magnitude : -magnitude;
}

template <int32_t (*Expand)(uint8_t)> constexpr std::array<int32_t, 256> BuildTable()
{
    std::array<int32_t, 256> table{};
    for (int i = 0; i < 256; ++i)
        table[i] = Expand(static_cast<uint8_t>(i));
    return table;
}

constexpr std::array<int32_t, 256> kALawTable = BuildTable<ExpandALaw>();
constexpr std::array<int32_t, 256> kMuLawTable = BuildTable<ExpandMuLaw>();

// mu-law: 16-bit bias of 132 at the internal scale.
constexpr int32_t kMuLawBias = 132 * 16;
// Largest magnitude that still fits the top code (8159 at 14 bits).
constexpr int32_t kMuLawClip = 8159 * 64;

} // namespace

void LLinearToMuLaw(uint8_t& out, int32_t sample)
{
    // With the bias added, a magnitude's segment is the position of its top
    // bit, and truncating the biased value puts the decision levels halfway
    // between neighbouring expansions.
    const uint8_t sign = sample < 0 ? 0x80 : 0x00;
    int64_t magnitude = sample < 0 ? -static_cast<int64_t>(sample) : sample;
    if (magnitude > kMuLawClip)
        magnitude = kMuLawClip;
    const int32_t biased = static_cast<int32_t>(magnitude) + kMuLawBias;
    int segment = 0;
    while (segment < 8 && biased >= (1 << (segment + 12)))
        ++segment;
    uint8_t code;
    if (segment >= 8)
        code = 0x7F;
    else
        code = static_cast<uint8_t>((segment << 4) | ((biased >> (segment + 7)) & 15));
    out = static_cast<uint8_t>(~(sign | code));
}

void LLinearToALaw(uint8_t& out, int32_t sample)
{
    constexpr int32_t kStep[8] = {256, 256, 512, 1024, 2048, 4096, 8192, 16384};
    constexpr int32_t kBase[8] = {0, 4096, 8192, 16384, 32768, 65536, 131072, 262144};
    const uint8_t sign = sample < 0 ? 0x00 : 0x80;
    const int64_t magnitude = sample < 0 ? -static_cast<int64_t>(sample) : sample;
    int segment = 0;
    while (segment < 7 && magnitude >= kBase[segment + 1])
        ++segment;
    int64_t mantissa = (magnitude - kBase[segment]) / kStep[segment];
    if (mantissa > 15)
        mantissa = 15;
    out = static_cast<uint8_t>((sign | (segment << 4) | mantissa) ^ 0x55);
}

int32_t LMuLawToInternal(uint8_t code)
{
    return kMuLawTable[code];
}

int32_t LALawToInternal(uint8_t code)
{
    return kALawTable[code];
}

namespace {

template <const std::array<int32_t, 256>& Table>
void DecodeWith(const uint8_t* codes, int32_t* samples, size_t count)
{
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        samples[i + 0] = Table[codes[i + 0]];
        samples[i + 1] = Table[codes[i + 1]];
        samples[i + 2] = Table[codes[i + 2]];
        samples[i + 3] = Table[codes[i + 3]];
        samples[i + 4] = Table[codes[i + 4]];
        samples[i + 5] = Table[codes[i + 5]];
        samples[i + 6] = Table[codes[i + 6]];
        samples[i + 7] = Table[codes[i + 7]];
    }
    for (; i < count; ++i)
        samples[i] = Table[codes[i]];
}

} // namespace

void LDecodeMuLaw(const uint8_t* codes, int32_t* samples, size_t count)
{
    DecodeWith<kMuLawTable>(codes, samples, count);
}

void LDecodeALaw(const uint8_t* codes, int32_t* samples, size_t count)
{
    DecodeWith<kALawTable>(codes, samples, count);
}

void LEncodeMuLaw(const int32_t* samples, uint8_t* codes, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        LLinearToMuLaw(codes[i], samples[i]);
}

void LEncodeALaw(const int32_t* samples, uint8_t* codes, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        LLinearToALaw(codes[i], samples[i]);
}
