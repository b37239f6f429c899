#pragma once
// The tag frame at the head of an MP3 stream: a frame without audio that
// carries the "Info" header (frame and byte counts, seek table) and the
// encoder's extension with its delay and padding, from which players learn
// the stream's exact length. The encoder writes one itself unless the
// stream's frames are too small to hold it (low constant bitrates); then the
// writer makes one at a bitrate large enough. That frame is marked "Xing",
// as the encoder marks its own tag frames whose bitrate differs from the
// stream's: readers then take its frame count instead of estimating the
// length from the first frame's bitrate.

#include "audio/formats/mp3/LMp3FrameHeader.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The CRC-16 of the encoder tag (polynomial 0x8005, bits reflected, as the
// tag's "music CRC" and "tag CRC" fields use it), continued from crc.
uint16_t LMp3TagCrc(const uint8_t* bytes, size_t count, uint16_t crc = 0);

struct LMp3InfoFrameFacts
{
    uint32_t firstHeader = 0; // the stream's first frame header, as a big-endian word
    int64_t audioFrames = 0;  // frames of the stream, the tag frame not counted
    int64_t audioBytes = 0;   // bytes of those frames
    int32_t encoderDelay = 0; // samples before the input
    int32_t padding = 0;      // samples after it
    uint16_t musicCrc = 0;    // LMp3TagCrc of the audio frames
    int32_t bitrateKbps = 0;  // the stream's bitrate
    char encoder[10] = {};    // e.g. "LAME3.100"
};

// Builds the tag frame for a constant-bitrate stream; false when the first
// header is not a layer III header or no bitrate of its version holds the tag.
bool LMp3BuildInfoFrame(const LMp3InfoFrameFacts& facts, std::vector<uint8_t>& frame);
