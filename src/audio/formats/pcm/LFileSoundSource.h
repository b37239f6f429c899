#pragma once
// A raw sample stream that starts at the descriptor's offset when the source
// is built. Subclasses (the G.711 sources) decode its bytes; this base keeps
// the descriptor, the framing and the position.

#include "audio/core/LSoundSource.h"

class LFileSoundSource : public LSoundSource
{
public:
    // Takes over fd (the caller's copy becomes -1). byteLength above
    // 0xFFFFFF00 means the length is unknown and follows the file size.
    LFileSoundSource(int& fd, int32_t rate, uint8_t channels, uint32_t peakLimit, uint32_t bytesPerSample,
                     uint64_t byteLength);
    ~LFileSoundSource() override;

    int64_t GetPosition() override { return position_; }
    int64_t GetLength() override;
    void Seek(int64_t frame) override;

    int GetDescriptor() const { return fd_; }
    uint32_t GetFrameBytes() const { return frameBytes_; }
    int64_t GetDataStart() const { return dataStart_; }

protected:
    int fd_;
    int64_t dataStart_ = 0;
    uint32_t frameBytes_;
    int64_t position_ = 0;
    int64_t length_ = -1;
};
