#pragma once
// The WAVE format block: one record that names a WAV output format. It has
// the same 1028-byte little-endian layout in memory and in a ".wff" file.

#include <cstdint>

#pragma pack(push, 1)
struct LWaveFormatBlock
{
    uint16_t formatTag = 1; // 1 PCM, 3 float, 6 A-law, 7 mu-law, 17 IMA ADPCM, 49 GSM 6.10
    uint16_t channels = 2;  // the sink factories use the low byte
    uint32_t sampleRate = 44100;
    uint32_t bytesPerSecond = 176400;
    uint16_t blockAlign = 4;
    uint16_t bitsPerSample = 16;
    uint8_t extra[1012] = {};
};
#pragma pack(pop)

static_assert(sizeof(LWaveFormatBlock) == 1028, "the format block is stored byte for byte");

// Fills the block for a tag, rate, channel count and sample size, with the
// derived byte rate and block align of that coding.
void LSetWaveFormatBlock(LWaveFormatBlock& block, uint16_t tag, uint32_t rate, uint16_t channels,
                         uint16_t bits);
