#pragma once
// A-law and mu-law WAV files: the 58-byte G.711 header ("fmt ", "fact",
// "data"), written at open with the counts of the start frame and rewritten
// with the final counts when the sink finishes, then one byte per sample.
// A short write marks the sink failed.

#include "audio/formats/pcm/LFileSoundSink.h"

#include <cstddef>

class LG711SoundSink : public LFileSoundSink
{
public:
    using Encoder = void (*)(const int32_t* samples, uint8_t* codes, size_t count);

    LG711SoundSink(const char* path, uint32_t rate, uint8_t channels, int64_t startFrame, uint16_t tag,
                   Encoder encoder);
    ~LG711SoundSink() override;

    void Encode(const int32_t* buffer, int64_t frames) override;
    // Adds the pad byte after odd data (the RIFF size counts it), then
    // rewrites the header and closes.
    bool Finish() override;

private:
    Encoder encoder_;
};

class LAlawSoundSink : public LG711SoundSink
{
public:
    LAlawSoundSink(const char* path, uint32_t rate, uint8_t channels, int64_t startFrame);
};

class LMulawSoundSink : public LG711SoundSink
{
public:
    LMulawSoundSink(const char* path, uint32_t rate, uint8_t channels, int64_t startFrame);
};

// Writes the 58-byte header for tag at the descriptor's offset; returns 58.
uint32_t LWriteG711Header(LFileSoundSink& sink, bool final, uint16_t tag);
