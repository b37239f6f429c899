#pragma once
// Whether a WAV file holds plain PCM (the burn interface re-encodes anything else).

#include <cstdint>

// The 18-byte format record of a WAV file.
struct LWaveFormatRecord
{
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSecond = 0;
    uint32_t averageBytesPerSecond = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t extraSize = 0;
};

// Reads the RIFF header and chunks up to "fmt " and copies its record into
// `format`; true exactly when the format tag is 1 (PCM).
bool LRiffIsPcmWave(LWaveFormatRecord* format, const char* path);
