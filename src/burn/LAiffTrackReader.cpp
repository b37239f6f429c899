#include "burn/LAiffTrackReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

uint32_t Be32(const unsigned char* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

uint16_t Be16(const unsigned char* p)
{
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

// Reads exactly size bytes at offset; false on a short read or an error.
bool ReadAt(int fd, int64_t offset, void* buffer, size_t size)
{
    auto* p = static_cast<unsigned char*>(buffer);
    while (size > 0) {
        const ssize_t n = pread(fd, p, size, offset);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        offset += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

int32_t TwoThirds(int32_t x)
{
    return x * 2 / 3;
}

int16_t Clip16(int32_t x)
{
    return static_cast<int16_t>(std::clamp<int32_t>(x, -32768, 32767));
}

bool ParseAiff(int fd, int64_t fileSize, LAiffTrackFormat& format)
{
    unsigned char header[12];
    if (fileSize < 12 || !ReadAt(fd, 0, header, sizeof header))
        return false;
    if (std::memcmp(header, "FORM", 4) != 0 || std::memcmp(header + 8, "AIFF", 4) != 0)
        return false;

    bool haveComm = false, haveSsnd = false;
    uint32_t frames = 0;
    int64_t pos = 12;
    while (pos + 8 <= fileSize && !(haveComm && haveSsnd)) {
        unsigned char chunk[8];
        if (!ReadAt(fd, pos, chunk, sizeof chunk))
            return false;
        const int64_t size = Be32(chunk + 4);
        const int64_t body = pos + 8;
        if (std::memcmp(chunk, "COMM", 4) == 0 && !haveComm) {
            unsigned char comm[18];
            if (size < 18 || body + 18 > fileSize || !ReadAt(fd, body, comm, sizeof comm))
                return false;
            format.channels = Be16(comm);
            frames = Be32(comm + 2);
            format.bitsPerSample = Be16(comm + 6);
            format.rateWord = Be32(comm + 8);
            haveComm = true;
        } else if (std::memcmp(chunk, "SSND", 4) == 0 && !haveSsnd) {
            unsigned char ssnd[8];
            if (body + 8 > fileSize || !ReadAt(fd, body, ssnd, sizeof ssnd))
                return false;
            const int64_t offset = Be32(ssnd);
            // A size that runs past the end (a file still being written, or
            // cut short) ends at the file's end.
            format.dataEnd = (size < 8 || body + size > fileSize) ? fileSize : body + size;
            format.dataStart = body + 8 + offset;
            if (format.dataStart > format.dataEnd)
                return false;
            haveSsnd = true;
        }
        // Chunks are padded to an even length.
        pos = body + size + (size & 1);
    }
    if (!haveComm || !haveSsnd)
        return false;
    const uint32_t ch = format.channels;
    if (!(ch == 1 || ch == 2 || ch == 3 || ch == 4 || ch == 6))
        return false;
    if (format.rateWord != kAiffRateWord44100)
        return false;
    if (format.bitsPerSample < 1 || format.bitsPerSample > 32)
        return false;
    format.bytesPerSample = (format.bitsPerSample + 7) / 8;
    const int64_t frameBytes = format.FrameBytes();
    int64_t dataFrames = (format.dataEnd - format.dataStart) / frameBytes;
    dataFrames = std::min<int64_t>(dataFrames, frames);
    format.dataEnd = format.dataStart + dataFrames * frameBytes;
    return true;
}

} // namespace

bool LReadAiffTrackFormat(const char* path, LAiffTrackFormat& format)
{
    format = LAiffTrackFormat{};
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info;
    const bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ParseAiff(fd, info.st_size, format);
    close(fd);
    if (!ok)
        format = LAiffTrackFormat{};
    return ok;
}

int64_t LAudioTrackBlocks(int64_t frames, uint32_t pauseBlocks)
{
    const int64_t blocks = (std::max<int64_t>(frames, 0) + kCdFramesPerBlock - 1) / kCdFramesPerBlock;
    return std::max<int64_t>(blocks, kCdMinimumTrackBlocks) + pauseBlocks;
}

bool LFoldToStereo(const int32_t* c, uint32_t channels, int16_t& left, int16_t& right)
{
    int32_t l, r;
    switch (channels) {
    case 1:
        l = r = c[0];
        break;
    case 2:
        l = c[0];
        r = c[1];
        break;
    case 3:
        l = TwoThirds(c[0]) + TwoThirds(c[2]);
        r = TwoThirds(c[1]) + TwoThirds(c[2]);
        break;
    case 4: {
        const int32_t m = TwoThirds(TwoThirds(c[1]) + TwoThirds(c[3]));
        l = TwoThirds(c[0]) + m;
        r = TwoThirds(c[2]) + m;
        break;
    }
    case 6: {
        const int32_t m = TwoThirds(TwoThirds(c[2]) + TwoThirds(c[5]));
        l = TwoThirds(TwoThirds(c[0]) + TwoThirds(c[1])) + m;
        r = TwoThirds(TwoThirds(c[3]) + TwoThirds(c[4])) + m;
        break;
    }
    default:
        return false;
    }
    left = Clip16(l);
    right = Clip16(r);
    return true;
}

LAiffTrackProducer::LAiffTrackProducer(std::string path, const LAiffTrackFormat& format, int64_t blocks)
    : path_(std::move(path)), format_(format), blocks_(blocks)
{
}

LAiffTrackProducer::~LAiffTrackProducer()
{
    Close();
}

bool LAiffTrackProducer::Open()
{
    Close();
    fd_ = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        return false;
    // The burn reads each file once, front to back: keep it out of the page
    // cache instead of pushing everything else out.
    posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    readPos_ = format_.dataStart;
    outPos_ = 0;
    return true;
}

void LAiffTrackProducer::Close()
{
    if (fd_ >= 0) {
        posix_fadvise(fd_, 0, 0, POSIX_FADV_DONTNEED);
        close(fd_);
        fd_ = -1;
    }
}

void LAiffTrackProducer::ConvertFrames(const unsigned char* in, int64_t frames, unsigned char* out) const
{
    const uint32_t channels = format_.channels;
    const uint32_t bps = format_.bytesPerSample;
    // Bits below a sample's depth are padding: keep only the top ones.
    const uint32_t mask =
        format_.bitsPerSample >= 16 ? 0xFFFFu : (0xFFFFu << (16 - format_.bitsPerSample)) & 0xFFFFu;
    int32_t samples[6];
    for (int64_t f = 0; f < frames; ++f) {
        for (uint32_t ch = 0; ch < channels; ++ch) {
            const unsigned char* s = in + ch * bps;
            const uint32_t word = ((uint32_t(s[0]) << 8) | (bps > 1 ? s[1] : 0u)) & mask;
            samples[ch] = static_cast<int16_t>(word);
        }
        in += channels * bps;
        int16_t left = 0, right = 0;
        LFoldToStereo(samples, channels, left, right);
        out[0] = static_cast<unsigned char>(left & 0xFF);
        out[1] = static_cast<unsigned char>((left >> 8) & 0xFF);
        out[2] = static_cast<unsigned char>(right & 0xFF);
        out[3] = static_cast<unsigned char>((right >> 8) & 0xFF);
        out += 4;
    }
}

int64_t LAiffTrackProducer::Produce(unsigned char* buffer, int64_t size)
{
    if (fd_ < 0 || size < 0)
        return -1;
    const int64_t n = std::min<int64_t>(size, TotalBytes() - outPos_);
    if (n <= 0)
        return 0;
    const int64_t frameBytes = format_.FrameBytes();
    const int64_t sourceFrames = format_.Frames();
    int64_t given = 0;

    // The rest of a frame split by the previous request.
    const int64_t split = outPos_ % 4;
    if (split != 0) {
        const int64_t take = std::min<int64_t>(4 - split, n);
        std::memcpy(buffer, carry_ + split, static_cast<size_t>(take));
        given += take;
    }

    // Whole frames from the file while it has some.
    constexpr int64_t kChunkFrames = 4096;
    while (n - given >= 4) {
        const int64_t frameIndex = (outPos_ + given) / 4;
        const int64_t left = sourceFrames - frameIndex;
        if (left <= 0)
            break;
        const int64_t frames = std::min({(n - given) / 4, left, kChunkFrames});
        buffer_.resize(static_cast<size_t>(frames * frameBytes));
        if (!ReadAt(fd_, readPos_, buffer_.data(), buffer_.size()))
            return -1;
        ConvertFrames(buffer_.data(), frames, buffer + given);
        readPos_ += frames * frameBytes;
        given += frames * 4;
        if ((readPos_ - format_.dataStart) % (1 << 22) < frames * frameBytes)
            posix_fadvise(fd_, 0, readPos_, POSIX_FADV_DONTNEED);
    }

    // A request ending inside a frame: convert the whole frame, give its
    // first bytes now and keep the rest for the next request.
    const int64_t tail = (n - given) % 4;
    if (tail != 0 && n - given < 4) {
        const int64_t frameIndex = (outPos_ + given) / 4;
        if (frameIndex < sourceFrames) {
            buffer_.resize(static_cast<size_t>(frameBytes));
            if (!ReadAt(fd_, readPos_, buffer_.data(), buffer_.size()))
                return -1;
            ConvertFrames(buffer_.data(), 1, carry_);
            readPos_ += frameBytes;
        } else {
            std::memset(carry_, 0, sizeof carry_);
        }
        std::memcpy(buffer + given, carry_, static_cast<size_t>(tail));
        given += tail;
    }

    // Silence: the pause after the track and the end of its last block.
    if (given < n) {
        std::memset(buffer + given, 0, static_cast<size_t>(n - given));
        std::memset(carry_, 0, sizeof carry_);
        given = n;
    }
    outPos_ += given;
    return given;
}
