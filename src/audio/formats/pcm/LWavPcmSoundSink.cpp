#include "audio/formats/pcm/LWavPcmSoundSink.h"

#include "audio/core/LSoundSamples.h"
#include "audio/formats/LAudioFileIo.h"
#include "audio/formats/wav/LWavHeaders.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

LWavPcmSoundSink::LWavPcmSoundSink(const char* path, uint32_t rate, uint8_t channels, uint32_t bytesPerSample,
                                   int64_t startFrame, bool inPlace)
    : LSoundSink(rate, channels, -1), bytesPerSample_(bytesPerSample)
{
    if (bytesPerSample_ < 1 || bytesPerSample_ > 4) {
        bytesPerSample_ = 2;
        SetFailed(EINVAL);
    }
    if (rate < 1 || rate > kWavMaxSampleRate)
        SetFailed(EINVAL);
    frameBytes_ = channels_ * bytesPerSample_;
    buffer_.resize(static_cast<size_t>(kSoundBlockFrames) * frameBytes_ + 8);
    position_ = startFrame < 0 ? 0 : startFrame;
    if (!IsFailed() && !file_.Open(path, inPlace || position_ > 0, false))
        SetFailed(file_.Error());
    fd_ = file_.Descriptor();
    if (fd_ < 0) {
        SetFailed();
        position_ = 0;
        return;
    }
    uint8_t header[kPcmWavHeaderBytes];
    LBuildPcmWavHeader(header, rate_, channels_, bytesPerSample_, 0, false);
    if (!LWriteFully(fd_, header, sizeof header))
        SetFailed(errno);
    // Resume at the start frame, but never beyond the audio the file holds.
    int64_t size = LDescriptorSize(fd_);
    int64_t at = LWavPcmDataOffset(static_cast<uint64_t>(position_) * frameBytes_);
    if (size >= 0 && at > size) {
        position_ = static_cast<int64_t>(LWavPcmDataBytesBefore(size) / frameBytes_);
        at = LWavPcmDataOffset(static_cast<uint64_t>(position_) * frameBytes_);
    }
    if (ftruncate(fd_, at) != 0 || lseek(fd_, at, SEEK_SET) != at)
        SetFailed(errno);
}

LWavPcmSoundSink::~LWavPcmSoundSink()
{
    Finish();
}

void LWavPcmSoundSink::Convert(const int32_t* buffer, int64_t samples)
{
    switch (bytesPerSample_) {
    case 1:
        LInternalToPcm8(buffer, buffer_.data(), samples);
        break;
    case 2:
        LInternalToPcm16(buffer, buffer_.data(), samples);
        break;
    case 3:
        LInternalToPcm24(buffer, buffer_.data(), samples);
        break;
    default:
        LInternalToPcm32(buffer, buffer_.data(), samples);
        break;
    }
}

void LWavPcmSoundSink::Write(const int32_t* buffer, int64_t frames)
{
    // After a failed write (a full disk) nothing more goes in: the position
    // stays the audio the file really holds, which Finish writes into the header.
    if (IsFailed() && fd_ >= 0)
        return;
    while (frames > 0) {
        int64_t n = frames < kSoundBlockFrames ? frames : kSoundBlockFrames;
        uint64_t already = static_cast<uint64_t>(position_) * frameBytes_;
        uint64_t bytes = static_cast<uint64_t>(n) * frameBytes_;
        position_ += n;
        if (fd_ >= 0) {
            Convert(buffer, n * channels_);
            // Room left in the current data chunk; an exactly full chunk has none.
            uint64_t room;
            if (already <= kWavFirstChunkMaxBytes) {
                room = kWavFirstChunkMaxBytes - already;
            } else {
                uint64_t used = (already - kWavFirstChunkMaxBytes) % kWavContinuationMaxBytes;
                room = used == 0 ? 0 : kWavContinuationMaxBytes - used;
            }
            uint64_t first = room < bytes ? room : bytes;
            bool ok = LWriteFully(fd_, buffer_.data(), static_cast<size_t>(first));
            if (ok && first < bytes) {
                static const uint8_t continuation[8] = {'d', 'a', 't', 'a', 0, 0, 0, 0};
                ok = LWriteFully(fd_, continuation, 8) &&
                     LWriteFully(fd_, buffer_.data() + first, static_cast<size_t>(bytes - first));
            }
            if (!ok) {
                SetFailed(errno);
                KeepWrittenFrames();
                return;
            }
        }
        buffer += n * channels_;
        frames -= n;
    }
}

void LWavPcmSoundSink::KeepWrittenFrames()
{
    // A write that failed may have put part of its block down: the file is
    // cut back to the whole frames before its end.
    const off_t end = lseek(fd_, 0, SEEK_CUR);
    const int64_t size = LDescriptorSize(fd_);
    const int64_t written = end >= 0 ? (size >= 0 && size < end ? size : end) : size;
    if (written < static_cast<int64_t>(kPcmWavHeaderBytes)) {
        position_ = 0;
    } else {
        position_ = static_cast<int64_t>(LWavPcmDataBytesBefore(written) / frameBytes_);
    }
    const int64_t at = LWavPcmDataOffset(static_cast<uint64_t>(position_) * frameBytes_);
    if (ftruncate(fd_, at) == 0)
        lseek(fd_, at, SEEK_SET);
}

void LWavPcmSoundSink::Truncate(int64_t frame)
{
    if (frame > position_)
        return;
    position_ = frame < 0 ? 0 : frame;
    if (fd_ < 0)
        return;
    int64_t at = LWavPcmDataOffset(static_cast<uint64_t>(position_) * frameBytes_);
    if (ftruncate(fd_, at) != 0 || lseek(fd_, at, SEEK_SET) != at)
        SetFailed(errno);
}

bool LWavPcmSoundSink::Finish()
{
    if (fd_ < 0)
        return !IsFailed();
    uint64_t total = static_cast<uint64_t>(position_) * frameBytes_;
    uint8_t header[kPcmWavHeaderBytes];
    LBuildPcmWavHeader(header, rate_, channels_, bytesPerSample_, total, true);
    bool ok = LPwriteFully(fd_, header, sizeof header, 0);
    // Each continuation header gets the size of the data it carries.
    if (total > kWavFirstChunkMaxBytes) {
        uint64_t rest = total - kWavFirstChunkMaxBytes;
        int64_t at = kPcmWavHeaderBytes + static_cast<int64_t>(kWavFirstChunkMaxBytes);
        while (rest > 0 && ok) {
            uint32_t size =
                rest > kWavContinuationMaxBytes ? kWavContinuationMaxBytes : static_cast<uint32_t>(rest);
            uint8_t h[8] = {'d', 'a', 't', 'a', 0, 0, 0, 0};
            LPutLe32(h + 4, size);
            ok = LPwriteFully(fd_, h, 8, at);
            at += 8 + static_cast<int64_t>(size);
            rest -= size;
        }
    }
    if (total & 1) {
        const uint8_t pad = 0;
        ok = ok && LPwriteFully(fd_, &pad, 1, LWavPcmDataOffset(total));
    }
    if (!file_.Close(ok && !IsFailed()))
        SetFailed(file_.Error());
    fd_ = -1;
    return !IsFailed();
}

void CreatePcmSinkByBits(LSoundSinkPtr& out, const char* path, uint32_t rate, uint8_t channels, uint32_t bits,
                         int64_t startFrame, bool inPlace)
{
    if (bits > 32 || rate < 1 || rate > kWavMaxSampleRate) {
        out = new LNullSoundSink(EINVAL);
        return;
    }
    uint32_t bytesPerSample = bits <= 8 ? 1 : (bits <= 16 ? 2 : (bits <= 24 ? 3 : 4));
    out = new LWavPcmSoundSink(path, rate, channels, bytesPerSample, startFrame, inPlace);
}
