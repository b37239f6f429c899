#pragma once
// A-law and mu-law sample data of a WAV file: one byte per sample, expanded
// to the internal scale by the standard G.711 rule.

#include "audio/formats/pcm/LFileSoundSource.h"

#include <cstddef>
#include <vector>

// Largest magnitude a G.711 code expands to (A-law 32256 x 16).
constexpr uint32_t kG711PeakLimit = 0x7E000;

class LG711SoundSource : public LFileSoundSource
{
public:
    using Decoder = void (*)(const uint8_t* codes, int32_t* samples, size_t count);

    // Takes over fd (the caller's copy becomes -1), positioned at the first data byte.
    LG711SoundSource(int& fd, int32_t rate, uint8_t channels, uint32_t dataBytes, Decoder decoder);
    ~LG711SoundSource() override;

    int64_t Read(int32_t* buffer, int64_t frames) override;

private:
    Decoder decoder_;
    std::vector<uint8_t> bytes_; // 8192 frames
};

class LAlawSoundSource : public LG711SoundSource
{
public:
    LAlawSoundSource(int& fd, int32_t rate, uint8_t channels, uint32_t dataBytes);
};

class LMulawSoundSource : public LG711SoundSource
{
public:
    LMulawSoundSource(int& fd, int32_t rate, uint8_t channels, uint32_t dataBytes);
};
