#pragma once
// The 32-bit header of an MPEG audio layer III frame.

#include <cstdint>

enum : uint8_t {
    kMp3VersionMpeg1 = 0,
    kMp3VersionMpeg2 = 1,
    kMp3VersionMpeg25 = 2,
};

enum : uint8_t {
    kMp3ModeStereo = 0,
    kMp3ModeJointStereo = 1,
    kMp3ModeDualChannel = 2,
    kMp3ModeSingleChannel = 3,
};

struct LMp3FrameHeader
{
    uint8_t version = 0;         // kMp3VersionMpeg1 / 2 / 25
    bool hasCrc = false;         // protection bit 0: a 16-bit CRC follows the header
    uint8_t bitrateIndex = 0;    // 0 = free format
    int32_t bitrate = 0;         // kbit/s (0 for free format)
    uint8_t rateIndex = 0;       // 0..2
    int32_t sampleRate = 0;      // Hz
    uint8_t rateTableIndex = 0;  // 0..8: row of the scale-factor band tables
    uint8_t padding = 0;         // 0 or 1 byte
    uint8_t mode = 0;            // kMp3Mode...
    uint8_t modeExtension = 0;   // bit 0 intensity stereo, bit 1 mid/side (joint stereo only)
    uint8_t channels = 0;        // 1 or 2
    int32_t samplesPerFrame = 0; // 1152 (MPEG-1) or 576
    int32_t sideInfoBytes = 0;   // 32, 17 or 9
    int32_t frameBytes = 0;      // whole frame with header; 0 for free format until its size is known

    bool IsLowSamplingFrequency() const { return version != kMp3VersionMpeg1; }
    // Bytes between the header (and CRC) and the end of the frame.
    int32_t PayloadBytes() const { return frameBytes - 4 - (hasCrc ? 2 : 0); }
    // Bytes of main data (after the side information).
    int32_t MainDataBytes() const { return PayloadBytes() - sideInfoBytes; }
};

// Parses a layer III header from its four bytes (big-endian word). Free-format
// headers (bitrate index 0) are accepted and get frameBytes 0. Returns false
// for anything that is not a usable layer III header.
bool LMp3ParseHeader(uint32_t word, LMp3FrameHeader* header);

// Whether two headers belong to the same stream: version, rate and channel
// count agree (the fields a decoder cannot follow a change of).
bool LMp3SameStream(const LMp3FrameHeader& a, const LMp3FrameHeader& b);

// Frame length in bytes of a free-format frame whose unpadded size is known.
inline int32_t LMp3FreeFormatFrameBytes(const LMp3FrameHeader& h, int32_t unpaddedBytes)
{
    return unpaddedBytes + h.padding;
}

inline uint32_t LMp3ReadBe32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}
