#pragma once
// The G.711 WAV sinks by format tag.

#include "audio/core/LSoundSink.h"

#include <cstdint>

// Tag 7 builds a mu-law sink, tag 6 an A-law sink, each with the 58-byte
// G.711 header; any other tag gives a failed null sink (PCM goes through
// CreatePcmSinkByBits).
void CreateWavSampleWriter(LSoundSinkPtr& out, const char* path, uint32_t rate, uint8_t channels,
                           uint16_t tag, int64_t startFrame);
