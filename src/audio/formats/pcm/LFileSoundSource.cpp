#include "audio/formats/pcm/LFileSoundSource.h"

#include "audio/formats/LAudioFileIo.h"

#include <unistd.h>

LFileSoundSource::LFileSoundSource(int& fd, int32_t rate, uint8_t channels, uint32_t peakLimit,
                                   uint32_t bytesPerSample, uint64_t byteLength)
    : LSoundSource(rate, channels, peakLimit), fd_(fd)
{
    fd = -1;
    if (fd_ < 0)
        ForceStatus(kSoundStatusCannotOpen);
    dataStart_ = LDescriptorOffset(fd_);
    frameBytes_ = channels_ * bytesPerSample;
    if (frameBytes_ == 0) {
        SetStatus(kSoundStatusBadParameters);
        frameBytes_ = 2;
    }
    if (byteLength <= 0xFFFFFF00) {
        length_ = static_cast<int64_t>(byteLength / frameBytes_);
        // A header claiming more than the file holds (a damaged file, or one
        // still being written with a provisional size) gets the real length.
        int64_t size = LDescriptorSize(fd_);
        if (size >= 0) {
            int64_t available = size > dataStart_ ? (size - dataStart_) / frameBytes_ : 0;
            if (available < length_)
                length_ = available;
        }
    }
}

LFileSoundSource::~LFileSoundSource()
{
    if (fd_ >= 0)
        close(fd_);
}

int64_t LFileSoundSource::GetLength()
{
    if (length_ >= 0)
        return length_;
    int64_t size = LDescriptorSize(fd_);
    return size > dataStart_ ? (size - dataStart_) / frameBytes_ : 0;
}

void LFileSoundSource::Seek(int64_t frame)
{
    position_ = frame;
    int64_t target = frame <= 0 ? 0 : frame;
    int64_t length = GetLength();
    if (target > length)
        target = length;
    if (fd_ >= 0)
        lseek(fd_, dataStart_ + target * frameBytes_, SEEK_SET);
}
