#pragma once
// Writes audio files through libsndfile, which does the encoding: IMA ADPCM
// WAV (format tag 17), float and 24/32-bit PCM, and G.711. The pipeline's
// internal samples are scaled to full 32-bit range and handed over
// interleaved; libsndfile converts them to the file's coding.

#include "audio/core/LSoundSink.h"
#include "audio/formats/LAudioFileIo.h"

#include <cstdint>
#include <vector>

constexpr uint32_t LFourCc(const char (&code)[5])
{
    return (static_cast<uint32_t>(static_cast<uint8_t>(code[0])) << 24) |
           (static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 8) |
           static_cast<uint32_t>(static_cast<uint8_t>(code[3]));
}

// What file to make. Zero it before LSetAudioFileFormat fills it.
struct LAudioFileFormat
{
    uint32_t sampleRate;
    uint8_t channels;
    uint8_t bitsPerSample;
    uint8_t isFloat;     // WAVE format tag 3
    uint8_t isBigEndian; // always 0 for WAVE
    uint32_t fileType;   // 'WAVE'
    uint32_t formatId;   // 'lpcm', 'alaw', 'ulaw', 'ima4'; 0 when the tag has no coding here
    // Encoder settings of compressed codings with a bit rate (none of the WAVE codings use them).
    int32_t encoderBitRate;
    int32_t encoderVbrQuality;
    int32_t bitRateMode;
};

void LSetAudioFileFormat(LAudioFileFormat& format, uint32_t rate, uint8_t channels, uint8_t bits,
                         uint16_t tag);

// The libsndfile format word for a record, or 0 when libsndfile cannot write it.
int LSndfileFormatFor(const LAudioFileFormat& format);

class LExtAudioFileSoundSink : public LSoundSink
{
public:
    LExtAudioFileSoundSink(const char* path, const LAudioFileFormat& format);
    // Completes the file (libsndfile writes the final block and sizes) and closes it.
    ~LExtAudioFileSoundSink() override;

    void Write(const int32_t* buffer, int64_t frames) override;
    // The coded output cannot be cut back.
    void Truncate(int64_t) override {}
    bool Finish() override;

    // libsndfile's writes go through these, so a short write anywhere
    // (header, blocks, final sizes) is seen even where the library only logs it.
    struct Io
    {
        int fd = -1;
        bool writeFailed = false;
        int writeError = 0;
    };

private:
    void* file_ = nullptr; // SNDFILE*
    Io io_;
    LSinkFile sinkFile_;
    bool floatFile_ = false; // float files take normalised floats (int writes would not be scaled)
    std::vector<int32_t> scaled_;
    std::vector<float> floats_;
};

void CreateExtAudioFileSink(LSoundSinkPtr& out, const char* path, const LAudioFileFormat& format);
