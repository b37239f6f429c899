#pragma once
// One track handed to the audio-CD burner: its source and four texts (CD-Text
// fields such as title and performer), each at most 259 bytes.

#include "audio/core/LSoundSource.h"

#include <cstddef>
#include <cstdint>

constexpr size_t kAudioCdTrackTextSize = 260;

struct LAudioCdTrack
{
    // Texts may be null (empty); longer ones are cut between UTF-8 characters.
    LAudioCdTrack(const LSoundSourcePtr& source, const char* text0 = nullptr, const char* text1 = nullptr,
                  const char* text2 = nullptr, const char* text3 = nullptr);

    LSoundSourcePtr source;
    uint32_t reserved = 0;
    char texts[4][kAudioCdTrackTextSize] = {};
};
