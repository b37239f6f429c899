#include "audio/effects/LSpooledSoundSource.h"

#include "foundation/files/LFileSystem.h"
#include "foundation/files/LPath.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool WriteAll(int fd, const void* data, size_t bytes)
{
    const char* p = static_cast<const char*>(data);
    while (bytes > 0) {
        const ssize_t n = write(fd, p, bytes);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        bytes -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

LSoundSpool::LSoundSpool()
{
    char folder[kLPathSize] = {};
    char path[kLPathSize] = {};
    if (!LGetCachesFolder(folder) || !LPathCombine(path, folder, "spoolXXXXXX", ""))
        return;
    fd_ = mkostemp(path, O_CLOEXEC);
    if (fd_ >= 0)
        unlink(path);
}

LSoundSpool::~LSoundSpool()
{
    if (fd_ >= 0)
        close(fd_);
}

void LSoundSpool::Append(const int32_t* samples, int64_t count)
{
    // The blocks come in tens of kilobytes: written as they come, they cost
    // a copy less than gathered first.
    if (!IsOk() || count <= 0)
        return;
    if (!WriteAll(fd_, samples, static_cast<size_t>(count) * sizeof(int32_t))) {
        failed_ = true;
        return;
    }
    written_ += count;
}

LSpooledSoundSource::LSpooledSoundSource(LSoundSpool& spool, int32_t rate, uint8_t channels,
                                         uint32_t peakLimit)
    : LSoundSource(rate, channels, peakLimit)
{
    if (!spool.IsOk()) {
        ForceStatus(kSoundStatusCannotOpen);
        return;
    }
    fd_ = spool.fd_;
    spool.fd_ = -1;
    length_ = spool.written_ / channels_;
    spool.written_ = 0;
}

LSpooledSoundSource::~LSpooledSoundSource()
{
    if (fd_ >= 0)
        close(fd_);
}

int64_t LSpooledSoundSource::Read(int32_t* buffer, int64_t frames)
{
    if (frames <= 0)
        return 0;
    const int64_t ch = channels_;
    const int64_t available = std::clamp<int64_t>(length_ - position_, 0, frames);
    int64_t got = 0; // whole frames read
    if (available > 0 && fd_ >= 0) {
        char* dest = reinterpret_cast<char*>(buffer);
        const size_t wanted = static_cast<size_t>(available * ch) * sizeof(int32_t);
        size_t done = 0;
        off_t at = static_cast<off_t>(position_ * ch) * static_cast<off_t>(sizeof(int32_t));
        while (done < wanted) {
            const ssize_t n = pread(fd_, dest + done, wanted - done, at + static_cast<off_t>(done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += static_cast<size_t>(n);
        }
        got = static_cast<int64_t>(done / (sizeof(int32_t) * ch));
    }
    // Past the end (or a read that came up short) is silence.
    std::memset(buffer + got * ch, 0, static_cast<size_t>((frames - got) * ch) * sizeof(int32_t));
    position_ += frames;
    return got;
}

void LSpooledSoundSource::Seek(int64_t frame)
{
    position_ = std::max<int64_t>(frame, 0);
}
