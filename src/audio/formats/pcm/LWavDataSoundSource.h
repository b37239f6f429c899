#pragma once
// Reads the PCM samples of a WAV file's "data" chunk, following any
// continuation "data" chunks that carry data beyond the 32-bit size limit.
// A data size of 0xFFFFFF01 or more (a file still being written, or a
// streaming writer's placeholder) makes the length follow the file size.

#include "audio/core/LSoundSink.h"
#include "audio/core/LSoundSource.h"

#include <cstddef>
#include <vector>

enum class LPcmSampleFormat : uint8_t {
    U8,  // unsigned 8-bit
    S16, // signed 16-bit little-endian
    S24, // signed 24-bit little-endian, packed
    S32, // signed 32-bit little-endian
    F32, // IEEE float, little-endian
    F64, // IEEE double, little-endian
};

uint32_t LPcmSampleBytes(LPcmSampleFormat format);

// The peak limit of float WAV sources (+30 dB over full scale): float files
// may go past full scale, but samples of 32.0 and more (or infinities) are
// damage, held at this limit so that the filters never overflow.
constexpr uint32_t kFloatWavPeakLimit = 0x1000000;

class LWavDataSoundSource : public LSoundSource
{
public:
    // Takes over fd (the caller's copy becomes -1), which is positioned at
    // the first data byte; dataSize is the first "data" chunk's size field.
    // exactBytes, when not negative, is the data's 64-bit size given elsewhere
    // (the "ds64" chunk of an RF64 file) and replaces the size field.
    LWavDataSoundSource(int& fd, int32_t rate, uint8_t channels, uint32_t peakLimit, LPcmSampleFormat format,
                        uint32_t dataSize, int64_t exactBytes = -1);
    ~LWavDataSoundSource() override;

    int64_t Read(int32_t* buffer, int64_t frames) override;
    int64_t GetPosition() override { return position_; }
    int64_t GetLength() override;
    void Seek(int64_t frame) override;
    // True while the length is unknown: a writer may still be adding data.
    bool IsMoreDataPending() override { return length_ < 0; }

    size_t GetRangeCount() const { return ranges_.size(); }

private:
    struct Range
    {
        int64_t start;
        int64_t end;
    };
    void PlaceDescriptor(int64_t frame);

    int fd_;
    int64_t dataStart_ = 0;
    uint32_t frameBytes_;
    LPcmSampleFormat format_;
    int64_t position_ = 0;
    int64_t length_ = -1;
    std::vector<Range> ranges_;
    size_t current_ = 0;
    int64_t offset_ = 0; // the descriptor's offset as this source left it
    std::vector<uint8_t> bytes_;
};
