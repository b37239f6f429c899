#include "foundation/ini/LFileLines.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

// One byte; 1 read, 0 end of file, -1 error.
int ReadByte(int fd, char* c)
{
    for (;;) {
        ssize_t got = read(fd, c, 1);
        if (got < 0 && errno == EINTR)
            continue;
        return got > 0 ? 1 : (got == 0 ? 0 : -1);
    }
}

} // namespace

bool LFileReadLine(LFile* file, char* dest, size_t size)
{
    if (size > 0)
        dest[0] = 0;
    if (!file || file->fd < 0)
        return false;
    size_t kept = 0;
    bool any = false;
    char c;
    while (ReadByte(file->fd, &c) == 1) {
        any = true;
        if (c == '\r' || c == '\n') {
            char other = c == '\r' ? '\n' : '\r';
            char next;
            int got = ReadByte(file->fd, &next);
            if (got == 1 && next != other)
                lseek(file->fd, -1, SEEK_CUR);
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

bool LFileWriteString(LFile* file, const char* text)
{
    size_t length = std::strlen(text);
    if (!file || file->fd < 0)
        return length == 0;
    const char* p = text;
    while (length > 0) {
        ssize_t written = write(file->fd, p, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        p += written;
        length -= size_t(written);
    }
    return true;
}
