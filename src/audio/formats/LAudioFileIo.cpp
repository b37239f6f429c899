#include "audio/formats/LAudioFileIo.h"

#include "audio/core/LSoundSource.h"

#include "foundation/files/LFile.h"
#include "foundation/files/LFileSystem.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

size_t LReadFully(int fd, void* buffer, size_t count)
{
    if (fd < 0)
        return 0;
    size_t done = 0;
    while (done < count) {
        ssize_t n = read(fd, static_cast<char*>(buffer) + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    return done;
}

size_t LRecordReader::Next(int fd, size_t bytes, const uint8_t** data)
{
    if (end_ - at_ < bytes) {
        // Whole records at a time, the unread rest of the last one first.
        const size_t records = capacity_ > bytes ? capacity_ / bytes : 1;
        const size_t size = records * bytes;
        if (buffer_.size() < size)
            buffer_.resize(size);
        const size_t rest = end_ - at_;
        if (rest > 0 && at_ > 0)
            std::memmove(buffer_.data(), buffer_.data() + at_, rest);
        at_ = 0;
        end_ = rest + LReadFully(fd, buffer_.data() + rest, size - rest);
    }
    const size_t n = end_ - at_ < bytes ? end_ - at_ : bytes;
    *data = buffer_.data() + at_;
    at_ += n;
    return n;
}

bool LWriteFully(int fd, const void* buffer, size_t count)
{
    return fd >= 0 && LWriteAll(fd, buffer, count);
}

size_t LPreadFully(int fd, void* buffer, size_t count, int64_t offset)
{
    if (fd < 0 || offset < 0)
        return 0;
    size_t done = 0;
    while (done < count) {
        ssize_t n =
            pread(fd, static_cast<char*>(buffer) + done, count - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    return done;
}

bool LPwriteFully(int fd, const void* buffer, size_t count, int64_t offset)
{
    if (fd < 0 || offset < 0)
        return false;
    size_t done = 0;
    while (done < count) {
        ssize_t n = pwrite(fd, static_cast<const char*>(buffer) + done, count - done,
                           static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

int64_t LDescriptorSize(int fd)
{
    struct stat st
    {
    };
    if (fd < 0 || fstat(fd, &st) != 0)
        return -1;
    return static_cast<int64_t>(st.st_size);
}

int64_t LDescriptorOffset(int fd)
{
    if (fd < 0)
        return 0;
    off_t at = lseek(fd, 0, SEEK_CUR);
    return at < 0 ? 0 : static_cast<int64_t>(at);
}

int LOpenAudioFileForReading(const char* path, uint8_t& status, int& error)
{
    status = kSoundStatusCannotOpen;
    error = ENOENT;
    if (path == nullptr || *path == '\0')
        return -1;
    const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        error = errno;
        return -1;
    }
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const bool folder = S_ISDIR(info.st_mode);
        status = folder ? kSoundStatusIsFolder : kSoundStatusNotRegular;
        error = folder ? EISDIR : EINVAL;
        close(fd);
        return -1;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0)
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    status = kSoundStatusOk;
    error = 0;
    return fd;
}

int LOpenSinkFile(const char* path, bool empty)
{
    if (path == nullptr || *path == '\0')
        return -1;
    int fd = open(path, O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return -1;
    if (flock(fd, LOCK_SH | LOCK_NB) != 0 || (empty && ftruncate(fd, 0) != 0)) {
        close(fd);
        return -1;
    }
    return fd;
}

LSinkFile::~LSinkFile()
{
    if (fd_ >= 0)
        Close(false);
}

bool LSinkFile::Open(const char* path, bool inPlace, bool empty)
{
    inPlace_ = inPlace;
    error_ = 0;
    if (path == nullptr || *path == '\0') {
        error_ = ENOENT;
        return false;
    }
    if (!LResolveReplaceTarget(path, target_, sizeof target_)) {
        error_ = errno ? errno : ENAMETOOLONG;
        return false;
    }
    struct stat existing;
    const bool exists = stat(target_, &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        error_ = S_ISDIR(existing.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    if (inPlace) {
        fd_ = LOpenSinkFile(target_, empty);
        if (fd_ < 0)
            error_ = errno ? errno : EIO;
        return fd_ >= 0;
    }
    LRemoveStaleFilesBeside(target_);
    fd_ = LCreateFileBeside(target_, temp_, sizeof temp_, 0666);
    if (fd_ < 0) {
        error_ = errno ? errno : EIO;
        temp_[0] = '\0';
        return false;
    }
    // A replaced file keeps its permissions.
    if (exists)
        fchmod(fd_, existing.st_mode & 07777);
    return true;
}

bool LSinkFile::Close(bool ok)
{
    if (fd_ < 0)
        return false;
    if (ok && !inPlace_ && fdatasync(fd_) != 0) {
        error_ = errno;
        ok = false;
    }
    if (close(fd_) != 0 && ok) {
        error_ = errno;
        ok = false;
    }
    fd_ = -1;
    if (inPlace_)
        return ok;
    if (ok) {
        // Someone rewriting the old file in place (tags) holds its lock:
        // wait for them as every other writer of it does.
        const int existing = open(target_, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (existing >= 0)
            LFileLockWait(existing, LOCK_EX | LOCK_NB, 1000);
        if (rename(temp_, target_) != 0) {
            error_ = errno;
            ok = false;
        }
        if (existing >= 0)
            close(existing);
    }
    if (!ok)
        unlink(temp_);
    temp_[0] = '\0';
    return ok;
}
