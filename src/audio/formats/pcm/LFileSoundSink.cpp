#include "audio/formats/pcm/LFileSoundSink.h"

#include "audio/formats/LAudioFileIo.h"
#include "audio/formats/wav/LWavHeaders.h"

#include <cerrno>

#include <unistd.h>

LFileSoundSink::LFileSoundSink(const char* path, uint32_t rate, uint8_t channels, uint32_t bytesPerSample,
                               int64_t startFrame, LFileSinkHeaderCallback header)
    : LSoundSink(rate, channels, -1), header_(std::move(header))
{
    frameBytes_ = channels_ * bytesPerSample;
    buffer_.resize(static_cast<size_t>(kSoundBlockFrames) * frameBytes_);
    if (startFrame < 0)
        startFrame = 0;
    if (rate < 1 || rate > kWavMaxSampleRate) {
        SetFailed(EINVAL);
        return;
    }
    // Resuming keeps the existing samples; a fresh file starts empty.
    if (!file_.Open(path, startFrame > 0, false)) {
        SetFailed(file_.Error());
        return;
    }
    fd_ = file_.Descriptor();
    int64_t size = LDescriptorSize(fd_);
    if (startFrame > 0 && header_) {
        // The header callback reports the counts of the resumed position.
        int64_t held = size > 0 ? size : 0;
        position_ = startFrame;
        uint32_t provisional = header_(*this, false);
        int64_t available = held > provisional ? (held - provisional) / frameBytes_ : 0;
        if (available < startFrame) {
            position_ = available;
            lseek(fd_, 0, SEEK_SET);
            header_(*this, false);
        }
        headerLength_ = provisional;
        // Whatever followed the resumed frame is dropped, so the file agrees with its header.
        int64_t end = headerLength_ + position_ * frameBytes_;
        if (ftruncate(fd_, end) != 0)
            SetFailed();
        lseek(fd_, end, SEEK_SET);
    } else {
        headerLength_ = header_ ? header_(*this, false) : 0;
    }
}

LFileSoundSink::~LFileSoundSink()
{
    Finish();
}

bool LFileSoundSink::Finish()
{
    if (fd_ < 0)
        return !IsFailed();
    if (header_) {
        if (lseek(fd_, 0, SEEK_SET) == 0)
            header_(*this, true);
        else
            SetFailed(errno);
    }
    if (!file_.Close(!IsFailed()))
        SetFailed(file_.Error());
    fd_ = -1;
    return !IsFailed();
}

bool LFileSoundSink::WriteBytes(const void* bytes, size_t count)
{
    if (!LWriteFully(fd_, bytes, count)) {
        SetFailed(errno ? errno : EIO);
        return false;
    }
    return true;
}

void LFileSoundSink::Write(const int32_t* buffer, int64_t frames)
{
    while (frames > 0) {
        int64_t n = frames < kSoundBlockFrames ? frames : kSoundBlockFrames;
        position_ += n;
        if (fd_ >= 0) {
            Encode(buffer, n);
            WriteBytes(buffer_.data(), static_cast<size_t>(n) * frameBytes_);
        }
        buffer += n * channels_;
        frames -= n;
    }
}

void LFileSoundSink::Truncate(int64_t frame)
{
    if (frame > position_)
        return;
    position_ = frame < 0 ? 0 : frame;
    if (fd_ < 0)
        return;
    int64_t end = headerLength_ + position_ * frameBytes_;
    if (ftruncate(fd_, end) != 0)
        SetFailed();
    lseek(fd_, end, SEEK_SET);
}
