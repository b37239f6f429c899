#pragma once
// Byte layouts of the WAV headers this program writes.
//
// PCM files have a 46-byte header ("fmt " of 18 bytes, then "data"). Data
// beyond what one 32-bit chunk size can carry continues in further "data"
// chunks placed right after the first chunk's payload. While a file is being
// written its sizes hold streaming values, so a reader following a recording
// in progress knows to measure the file instead.
//
// G.711 files (A-law, mu-law) have a 58-byte header with a "fact" chunk.

#include <cstdint>

// The highest sample rate the WAV reader takes; writers refuse anything above
// it, so that every file written can be read back.
constexpr uint32_t kWavMaxSampleRate = 196000;

constexpr uint32_t kPcmWavHeaderBytes = 46;
constexpr uint32_t kG711WavHeaderBytes = 58;

// Data bytes the first "data" chunk holds before continuation chunks start.
constexpr uint32_t kWavFirstChunkMaxBytes = 0xFFFFFFD8;
// Data bytes each continuation chunk holds at most (after its own 8-byte header).
constexpr uint32_t kWavContinuationMaxBytes = 0xFFFFFFF0;
// Size fields written while the file is still open.
constexpr uint32_t kWavStreamingDataSize = 0xFFFFFFD9;
constexpr uint32_t kWavStreamingRiffSize = 0xFFFFFFFF;
// A first data size at or above this means "unknown": measure the file.
constexpr uint32_t kWavUnknownSizeThreshold = 0xFFFFFF01;

// WAVE format tags handled by this program.
enum : int16_t {
    kWavTagPcm = 1,
    kWavTagAdpcmMs = 2,
    kWavTagFloat = 3,
    kWavTagAlaw = 6,
    kWavTagMulaw = 7,
    kWavTagImaAdpcm = 17,
    kWavTagGsm610 = 49,
    kWavTagMpegLayer3 = 85,
    kWavTagExtensible = static_cast<int16_t>(0xFFFE),
};

// Fills the 46-byte PCM header. dataBytes is the total of data bytes; with
// final false the streaming sizes are written instead. The RIFF size counts
// the pad byte that follows odd data, and is capped at 0xFFFFFFFE once the
// data needs continuation chunks (only the first chunk is counted then).
void LBuildPcmWavHeader(uint8_t header[kPcmWavHeaderBytes], uint32_t rate, uint32_t channels,
                        uint32_t bytesPerSample, uint64_t dataBytes, bool final);

// Fills the 58-byte G.711 header for tag 6 or 7 with frames written so far.
// dataBytes = frames x channels; the RIFF size counts a pad byte when dataBytes is odd.
void LBuildG711WavHeader(uint8_t header[kG711WavHeaderBytes], uint16_t tag, uint32_t rate, uint32_t channels,
                         uint32_t frames);

// Where byte dataByte of the audio lies in a PCM file of this layout (file
// offset), counting the continuation headers passed. A count that exactly
// fills a chunk stays in it.
int64_t LWavPcmDataOffset(uint64_t dataByte);
// The inverse for an offset at or after the header: the audio bytes that lie
// before fileOffset.
uint64_t LWavPcmDataBytesBefore(int64_t fileOffset);
