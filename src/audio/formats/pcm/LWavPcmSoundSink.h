#pragma once
// Writes PCM WAV files (8, 16, 24 or 32 bits) with the 46-byte header. The
// header carries streaming sizes until the sink finishes, so a reader can
// follow a recording in progress; data beyond 4 GB continues in further
// "data" chunks.

#include "audio/core/LSoundSink.h"
#include "audio/formats/LAudioFileIo.h"

#include <vector>

class LWavPcmSoundSink : public LSoundSink
{
public:
    // A fresh file (start frame 0, not in place) is written beside path and
    // takes its place when the sink finishes. In place (a recording) writes
    // path itself, created when missing but not emptied, so that a start frame
    // above 0 resumes an existing recording at that frame; resuming is always
    // in place.
    LWavPcmSoundSink(const char* path, uint32_t rate, uint8_t channels, uint32_t bytesPerSample,
                     int64_t startFrame, bool inPlace = false);
    ~LWavPcmSoundSink() override;

    void Write(const int32_t* buffer, int64_t frames) override;
    void Truncate(int64_t frame) override;
    bool Finish() override;

    uint32_t GetBytesPerSample() const { return bytesPerSample_; }

private:
    void Convert(const int32_t* buffer, int64_t samples);
    // After a failed write: the position becomes the whole frames on the disk.
    void KeepWrittenFrames();

    LSinkFile file_;
    int fd_ = -1;
    uint32_t bytesPerSample_;
    uint32_t frameBytes_;
    std::vector<uint8_t> buffer_;
};

// Bits up to 8: 8-bit; 9 to 16: 16-bit; 17 to 24: 24-bit; 25 to 32: 32-bit
// PCM WAV sink. Anything wider, or a rate the reader would refuse, gives a
// failed null sink.
void CreatePcmSinkByBits(LSoundSinkPtr& out, const char* path, uint32_t rate, uint8_t channels, uint32_t bits,
                         int64_t startFrame, bool inPlace = false);
