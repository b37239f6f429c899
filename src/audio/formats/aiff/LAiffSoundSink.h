#pragma once
// 16-bit big-endian PCM in an AIFF file: the track format handed to the audio
// CD burner.

#include "audio/core/LSoundSink.h"
#include "audio/formats/pcm/LFileSoundSink.h"

constexpr uint32_t kAiffHeaderBytes = 54;

class LPcm16BeFileSoundSink : public LFileSoundSink
{
public:
    LPcm16BeFileSoundSink(const char* path, uint32_t rate, uint8_t channels, int64_t startFrame,
                          LFileSinkHeaderCallback header);
    ~LPcm16BeFileSoundSink() override;
    void Encode(const int32_t* buffer, int64_t frames) override;
};

// Writes the 54-byte AIFF header (FORM/COMM/SSND) at the descriptor's offset;
// at open the sound data size is the streaming value 0xFFFFFFFF. Returns 54.
uint32_t LWriteAiffHeader(LFileSoundSink& sink, bool final, uint32_t bits);

// Fills the 10-byte 80-bit extended number AIFF uses for the sample rate.
void LAiffExtendedRate(uint8_t out[10], uint32_t rate);

void CreateAiffSoundSink(LSoundSinkPtr& out, const char* path, uint32_t rate, uint8_t channels);
