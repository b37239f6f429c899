#pragma once
// A sample stream written after a header. A header callback writes the header
// at the descriptor's offset when the file is opened (final = false) and again
// when the sink finishes (final = true, after a seek to 0); it returns the
// header's length. Subclasses convert samples into the block buffer in Encode.

#include "audio/core/LSoundSink.h"
#include "audio/formats/LAudioFileIo.h"

#include <cstdint>
#include <functional>
#include <vector>

class LFileSoundSink;
using LFileSinkHeaderCallback = std::function<uint32_t(LFileSoundSink& sink, bool final)>;

class LFileSoundSink : public LSoundSink
{
public:
    // A fresh file is written beside path and takes its place when the sink
    // finishes. A start frame above 0 resumes the existing file in place at
    // that frame (never beyond what it holds); a negative one means 0.
    LFileSoundSink(const char* path, uint32_t rate, uint8_t channels, uint32_t bytesPerSample,
                   int64_t startFrame, LFileSinkHeaderCallback header);
    ~LFileSoundSink() override;

    void Write(const int32_t* buffer, int64_t frames) override;
    void Truncate(int64_t frame) override;
    bool Finish() override;

    int GetDescriptor() const { return fd_; }
    uint32_t GetFrameBytes() const { return frameBytes_; }
    uint32_t GetHeaderLength() const { return headerLength_; }
    // For header callbacks: records that a header write came up short.
    void MarkWriteFailed() { SetFailed(); }
    // Writes bytes at the descriptor's offset, marking the sink failed when the file takes fewer.
    bool WriteBytes(const void* bytes, size_t count);

protected:
    // The subclass's Encode fills this buffer: kSoundBlockFrames x frame bytes.
    std::vector<uint8_t> buffer_;

private:
    LSinkFile file_;
    int fd_ = -1;
    uint32_t frameBytes_;
    uint32_t headerLength_ = 0;
    LFileSinkHeaderCallback header_;
};
