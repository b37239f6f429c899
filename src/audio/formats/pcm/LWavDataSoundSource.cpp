#include "audio/formats/pcm/LWavDataSoundSource.h"

#include "audio/core/LSoundSamples.h"
#include "audio/formats/LAudioFileIo.h"
#include "audio/formats/wav/LWavHeaders.h"

#include <cmath>
#include <cstring>
#include <unistd.h>

namespace {

// Real files have one range per 4 GB of audio; a hostile file of tiny
// "data" chunks must not make the list grow without bound.
constexpr size_t kMaxRanges = 4096;

// Float samples are held at the peak limit the source reports, NaN as 0.
constexpr double kFloatLimit = static_cast<double>(kFloatWavPeakLimit);

inline int32_t FloatToInternal(double v)
{
    v *= 524288.0;
    if (!(v == v))
        return 0;
    v = v > kFloatLimit ? kFloatLimit : (v < -kFloatLimit ? -kFloatLimit : v);
    return static_cast<int32_t>(std::lrint(v));
}

void ConvertF64(const void* in, int32_t* out, int64_t count)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(in);
    for (int64_t i = 0; i < count; ++i) {
        double v;
        std::memcpy(&v, bytes + 8 * i, 8);
        out[i] = FloatToInternal(v);
    }
}

void ConvertF32(const void* in, int32_t* out, int64_t count)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(in);
    for (int64_t i = 0; i < count; ++i) {
        float v;
        std::memcpy(&v, bytes + 4 * i, 4);
        out[i] = FloatToInternal(static_cast<double>(v));
    }
}

void Convert(LPcmSampleFormat format, const uint8_t* in, int32_t* out, int64_t count)
{
    switch (format) {
    case LPcmSampleFormat::U8:
        LPcm8ToInternal(in, out, count);
        break;
    case LPcmSampleFormat::S16:
        LPcm16ToInternal(in, out, count);
        break;
    case LPcmSampleFormat::S24:
        LPcm24ToInternal(in, out, count);
        break;
    case LPcmSampleFormat::S32:
        LPcm32ToInternal(in, out, count);
        break;
    case LPcmSampleFormat::F32:
        ConvertF32(in, out, count);
        break;
    case LPcmSampleFormat::F64:
        ConvertF64(in, out, count);
        break;
    }
}

} // namespace

uint32_t LPcmSampleBytes(LPcmSampleFormat format)
{
    switch (format) {
    case LPcmSampleFormat::U8:
        return 1;
    case LPcmSampleFormat::S16:
        return 2;
    case LPcmSampleFormat::S24:
        return 3;
    case LPcmSampleFormat::S32:
    case LPcmSampleFormat::F32:
        return 4;
    case LPcmSampleFormat::F64:
        return 8;
    }
    return 2;
}

LWavDataSoundSource::LWavDataSoundSource(int& fd, int32_t rate, uint8_t channels, uint32_t peakLimit,
                                         LPcmSampleFormat format, uint32_t dataSize, int64_t exactBytes)
    : LSoundSource(rate, channels, peakLimit), fd_(fd), format_(format)
{
    fd = -1;
    if (fd_ < 0)
        ForceStatus(kSoundStatusCannotOpen);
    dataStart_ = LDescriptorOffset(fd_);
    frameBytes_ = channels_ * LPcmSampleBytes(format);
    bytes_.resize(static_cast<size_t>(kSoundBlockFrames) * frameBytes_);
    int64_t fileSize = LDescriptorSize(fd_);

    uint64_t firstSize = dataSize;
    uint8_t h[8];
    if (exactBytes >= 0) {
        int64_t end = dataStart_ + exactBytes;
        if (fileSize >= 0 && end > fileSize)
            end = fileSize > dataStart_ ? fileSize : dataStart_;
        ranges_.push_back({dataStart_, end});
        length_ = (end - dataStart_) / frameBytes_;
        offset_ = dataStart_;
        if (fd_ >= 0)
            lseek(fd_, dataStart_, SEEK_SET);
        return;
    }
    // A recording of ours that went past the first chunk's limit while still
    // open: its first chunk is full and continuation chunks follow.
    if (dataSize == kWavStreamingDataSize &&
        LPreadFully(fd_, h, 8, dataStart_ + kWavFirstChunkMaxBytes) == 8 && std::memcmp(h, "data", 4) == 0)
        firstSize = kWavFirstChunkMaxBytes;
    ranges_.push_back({dataStart_, dataStart_ + static_cast<int64_t>(firstSize)});
    // Continuation chunks follow the payload directly (no pad byte between).
    bool openEnded = false;
    int64_t at = ranges_[0].end;
    while (fileSize >= 0 && at + 8 <= fileSize && ranges_.size() < kMaxRanges &&
           LPreadFully(fd_, h, 8, at) == 8 && std::memcmp(h, "data", 4) == 0) {
        uint32_t size = LGetLe32(h + 4);
        if (size == 0) {
            ranges_.push_back({at + 8, INT64_MAX});
            openEnded = true;
            break;
        }
        ranges_.push_back({at + 8, at + 8 + static_cast<int64_t>(size)});
        at += 8 + static_cast<int64_t>(size);
    }
    if (ranges_.size() == 1 && dataSize >= kWavUnknownSizeThreshold) {
        ranges_[0].end = INT64_MAX;
        openEnded = true;
    }
    if (openEnded) {
        length_ = -1;
    } else {
        // A data chunk running past the end of the file (a recording still
        // being written, or a cut file) holds what is really there.
        int64_t bytes = 0;
        for (Range& r : ranges_) {
            if (fileSize >= 0 && r.end > fileSize)
                r.end = fileSize > r.start ? fileSize : r.start;
            bytes += r.end - r.start;
        }
        length_ = bytes / frameBytes_;
    }
    current_ = 0;
    offset_ = dataStart_;
    if (fd_ >= 0)
        lseek(fd_, dataStart_, SEEK_SET);
}

LWavDataSoundSource::~LWavDataSoundSource()
{
    if (fd_ >= 0)
        close(fd_);
}

int64_t LWavDataSoundSource::GetLength()
{
    if (length_ >= 0)
        return length_;
    // The writer may have finished meanwhile: its final size then replaces the placeholder.
    uint8_t sizeField[4];
    if (ranges_.size() == 1 && dataStart_ >= 4 && LPreadFully(fd_, sizeField, 4, dataStart_ - 4) == 4) {
        uint32_t size = LGetLe32(sizeField);
        if (size < kWavUnknownSizeThreshold) {
            ranges_[0].end = dataStart_ + size;
            length_ = size / frameBytes_;
            return length_;
        }
    }
    int64_t fileSize = LDescriptorSize(fd_);
    int64_t bytes = 0;
    for (size_t i = 0; i + 1 < ranges_.size(); ++i)
        bytes += ranges_[i].end - ranges_[i].start;
    const Range& last = ranges_.back();
    if (fileSize > last.start)
        bytes += fileSize - last.start;
    return bytes / frameBytes_;
}

void LWavDataSoundSource::PlaceDescriptor(int64_t frame)
{
    int64_t length = GetLength();
    // With the length unknown the target is kept even past the current end,
    // so data a writer adds later is read at the frame the position names.
    int64_t target = frame < 1 ? 0 : (length_ < 0 || frame < length ? frame : length);
    int64_t byte = target * frameBytes_;
    current_ = 0;
    for (size_t i = 0; i < ranges_.size(); ++i) {
        int64_t size = ranges_[i].end - ranges_[i].start;
        current_ = i;
        if (byte < size || i + 1 == ranges_.size())
            break;
        byte -= size;
    }
    offset_ = ranges_[current_].start + byte;
    if (fd_ >= 0)
        lseek(fd_, offset_, SEEK_SET);
}

void LWavDataSoundSource::Seek(int64_t frame)
{
    position_ = frame;
    PlaceDescriptor(frame);
}

int64_t LWavDataSoundSource::Read(int32_t* buffer, int64_t frames)
{
    if (frames <= 0)
        return 0;
    const uint32_t channels = channels_;
    int64_t done = 0;
    int64_t delivered = 0;
    // Before the start: silence.
    if (position_ < 0) {
        int64_t n = -position_ < frames ? -position_ : frames;
        std::memset(buffer, 0, static_cast<size_t>(n) * channels * sizeof(int32_t));
        done += n;
        position_ += n;
        if (position_ == 0)
            PlaceDescriptor(0);
    }
    while (done < frames && fd_ >= 0) {
        int64_t length = length_;
        if (length >= 0 && position_ >= length)
            break;
        int64_t want = frames - done;
        if (length >= 0 && length - position_ < want)
            want = length - position_;
        if (want > kSoundBlockFrames)
            want = kSoundBlockFrames;
        // Gather whole frames, crossing into the next range when the current one ends.
        size_t need = static_cast<size_t>(want) * frameBytes_;
        size_t got = 0;
        while (got < need) {
            const Range& range = ranges_[current_];
            int64_t left = range.end - offset_;
            size_t ask = need - got;
            if (left <= 0) {
                ask = 0;
            } else if (static_cast<int64_t>(ask) > left) {
                ask = static_cast<size_t>(left);
            }
            size_t n = ask ? LReadFully(fd_, bytes_.data() + got, ask) : 0;
            got += n;
            offset_ += static_cast<int64_t>(n);
            if (n == ask && ask != 0)
                continue;
            // The range ended (or the file did): go on in the next range, if any.
            if (offset_ >= range.end && current_ + 1 < ranges_.size()) {
                ++current_;
                offset_ = ranges_[current_].start;
                lseek(fd_, offset_, SEEK_SET);
                continue;
            }
            break;
        }
        int64_t whole = static_cast<int64_t>(got / frameBytes_);
        size_t partial = got - static_cast<size_t>(whole) * frameBytes_;
        if (partial != 0) {
            // Leave a partial frame for the next read (a file still being written).
            PlaceDescriptor(position_ + whole);
        }
        Convert(format_, bytes_.data(), buffer + done * channels, whole * channels);
        done += whole;
        delivered += whole;
        position_ += whole;
        if (whole < want)
            break;
    }
    if (done < frames) {
        std::memset(buffer + done * channels, 0,
                    static_cast<size_t>(frames - done) * channels * sizeof(int32_t));
        position_ += frames - done;
        // Keep the descriptor where the position says, so data a writer adds later is found there.
        if (length_ < 0)
            PlaceDescriptor(position_);
    }
    return delivered;
}
