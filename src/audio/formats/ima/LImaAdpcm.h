#pragma once
// IMA/DVI 4-bit ADPCM as stored in WAVE format 17 blocks: for each channel a
// 4-byte header (first sample as signed 16-bit, step index, one unused byte),
// then groups of 4 bytes (8 samples) per channel in turn, low nibble first.

#include <cstdint>

struct LImaAdpcmState
{
    int32_t predictor = 0; // -32768..32767
    int32_t stepIndex = 0; // 0..88
};

extern const int16_t kImaStepTable[89];
extern const int8_t kImaIndexTable[16];

// Decodes one nibble and returns the new sample at the internal scale.
int32_t LImaAdpcmDecodeNibble(LImaAdpcmState& state, int nibble);

// Samples per channel that a block of blockBytes holds (a partial last block
// counts with the samples its bytes carry); 0 when not even the headers fit.
int32_t LImaAdpcmSamplesInBlock(uint32_t blockBytes, int channels);

// Decodes a block of bytes bytes into interleaved internal samples (room for
// LImaAdpcmSamplesInBlock(bytes, channels) x channels); returns the frames.
int32_t LImaAdpcmDecodeBlock(const uint8_t* block, uint32_t bytes, int channels, int32_t* out);
