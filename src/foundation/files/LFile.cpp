#include "foundation/files/LFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

bool LFile::Open(const char* path, int flags)
{
    Close();
    fd = open(path, flags | O_CLOEXEC, 0666);
    return fd >= 0;
}

void LFile::Close()
{
    if (fd >= 0)
        close(fd);
    fd = -1;
    lookahead_ = -1;
}

int LFile::ReadByte(char* c)
{
    if (lookahead_ >= 0) {
        *c = static_cast<char>(lookahead_);
        lookahead_ = -1;
        return 1;
    }
    for (;;) {
        const ssize_t got = read(fd, c, 1);
        if (got < 0 && errno == EINTR)
            continue;
        return got > 0 ? 1 : (got == 0 ? 0 : -1);
    }
}

bool LFile::ReadLine(LFile* file, char* dest, size_t size)
{
    if (size > 0)
        dest[0] = 0;
    if (!file || file->fd < 0)
        return false;
    size_t kept = 0;
    bool any = false;
    char c;
    while (file->ReadByte(&c) == 1) {
        any = true;
        if (c == '\r' || c == '\n') {
            const char other = c == '\r' ? '\n' : '\r';
            char next;
            if (file->ReadByte(&next) == 1 && next != other && lseek(file->fd, -1, SEEK_CUR) < 0)
                file->lookahead_ = static_cast<unsigned char>(next);
            if (size > 0)
                dest[kept] = 0;
            return true;
        }
        if (kept + 1 < size)
            dest[kept++] = c;
    }
    if (size > 0)
        dest[kept] = 0;
    return any;
}

bool LFile::WriteString(LFile* file, const char* text)
{
    const size_t length = std::strlen(text);
    if (!file || file->fd < 0)
        return length == 0;
    return LWriteAll(file->fd, text, length);
}

bool LWriteAll(int fd, const void* bytes, size_t length)
{
    const char* at = static_cast<const char*>(bytes);
    while (length > 0) {
        const ssize_t written = write(fd, at, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        at += written;
        length -= size_t(written);
    }
    return true;
}
