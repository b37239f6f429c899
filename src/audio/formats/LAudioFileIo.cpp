#include "audio/formats/LAudioFileIo.h"

#include "foundation/files/LFile.h"

#include <cerrno>
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
