#include "audio/formats/ima/LImaAdpcm.h"

const int16_t kImaStepTable[89] = {
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

const int8_t kImaIndexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

namespace {

// The decoding step, kept inline for the block loop.
inline int32_t DecodeNibble(int32_t& predictor, int32_t& stepIndex, int nibble)
{
    const int32_t step = kImaStepTable[stepIndex];
    int32_t difference = step >> 3;
    if (nibble & 4)
        difference += step;
    if (nibble & 2)
        difference += step >> 1;
    if (nibble & 1)
        difference += step >> 2;
    if (nibble & 8)
        difference = -difference;
    int32_t p = predictor + difference;
    p = p > 32767 ? 32767 : (p < -32768 ? -32768 : p);
    predictor = p;
    const int32_t index = stepIndex + kImaIndexTable[nibble & 15];
    stepIndex = index < 0 ? 0 : (index > 88 ? 88 : index);
    return p * 16;
}

} // namespace

int32_t LImaAdpcmDecodeNibble(LImaAdpcmState& state, int nibble)
{
    return DecodeNibble(state.predictor, state.stepIndex, nibble);
}

int32_t LImaAdpcmSamplesInBlock(uint32_t blockBytes, int channels)
{
    if (channels < 1)
        return 0;
    const uint32_t headers = 4u * static_cast<uint32_t>(channels);
    if (blockBytes < headers)
        return 0;
    if (channels == 1)
        return static_cast<int32_t>(2 * (blockBytes - 4) + 1);
    // Several channels interleave 4-byte groups; only whole rounds count.
    return static_cast<int32_t>((blockBytes - headers) / headers * 8 + 1);
}

int32_t LImaAdpcmDecodeBlock(const uint8_t* block, uint32_t bytes, int channels, int32_t* out)
{
    const int32_t samples = LImaAdpcmSamplesInBlock(bytes, channels);
    if (samples == 0)
        return 0;
    const uint32_t round = 4u * static_cast<uint32_t>(channels);
    const int32_t nibbles = samples - 1;
    for (int c = 0; c < channels; ++c) {
        const uint8_t* header = block + 4 * c;
        int32_t predictor = static_cast<int16_t>(header[0] | (header[1] << 8));
        int32_t stepIndex = header[2] > 88 ? 88 : header[2];
        int32_t* o = out + c;
        *o = predictor * 16;
        o += channels;
        // This channel's nibbles come in groups of 4 bytes (8 samples), one
        // group per round of all channels; a mono block may end inside a group.
        const uint8_t* data = block + round + 4 * c;
        int32_t done = 0;
        for (; done + 8 <= nibbles; done += 8, data += round) {
            for (int k = 0; k < 4; ++k) {
                *o = DecodeNibble(predictor, stepIndex, data[k] & 15);
                o += channels;
                *o = DecodeNibble(predictor, stepIndex, data[k] >> 4);
                o += channels;
            }
        }
        for (int32_t k = 0; done < nibbles; ++done, ++k) {
            const uint8_t byte = data[k >> 1];
            *o = DecodeNibble(predictor, stepIndex, (k & 1) ? (byte >> 4) : (byte & 15));
            o += channels;
        }
    }
    return samples;
}
