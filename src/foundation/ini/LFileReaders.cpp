#include "foundation/ini/LFileReaders.h"

#include "foundation/files/LFileSystem.h"
#include "foundation/text/LCharsetConvert.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr uint32_t kReadLockWaitMs = 5000;

} // namespace

bool LReadFileToString(const char* path, LStringLongTemplate<char>* out)
{
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    LFileLockWait(fd, LOCK_SH | LOCK_NB, kReadLockWaitMs);

    struct stat info;
    uint64_t expected = fstat(fd, &info) == 0 && info.st_size > 0 ? uint64_t(info.st_size) : 0;
    out->Clear();
    out->Reserve(expected + 1);

    // The size is only a hint: the file may grow while it is read, and
    // files such as those under /proc report 0. Read until the end.
    bool ok = true;
    for (;;) {
        if (out->capacity - out->length < 2)
            out->Reserve(out->capacity * 2 + 4096);
        uint64_t room = out->capacity - out->length - 1;
        ssize_t got = read(fd, out->data + out->length, room);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        if (got == 0)
            break;
        out->length += uint64_t(got);
    }
    out->data[out->length] = 0;
    close(fd);
    return ok;
}

void LIconvLatin1ToUtf8(LStringLongTemplate<char>* out, const char* text)
{
    size_t length = std::strlen(text);
    out->Clear();
    // Every Latin-1 byte becomes one or two UTF-8 bytes.
    uint64_t size = uint64_t(length) * 2 + 1;
    out->Reserve(size);
    long written = LIconvConvert(out->data, text, size, "UTF-8", "ISO-8859-1");
    out->length = written > 0 ? uint64_t(written) : 0;
    out->data[out->length] = 0;
}

bool LReadTextFile(const char* path, LStringLongTemplate<char>* out)
{
    LStringLongTemplate<char> raw;
    if (!LReadFileToString(path, &raw))
        return false;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(raw.Text());
    uint64_t length = raw.length;

    if (length >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) {
        bool bigEndian = bytes[0] == 0xFE;
        // Only whole units count: a last odd byte has no partner and is dropped.
        uint64_t unitCount = (length - 2) / 2;
        std::vector<uint16_t> units(unitCount + 1, 0);
        for (uint64_t i = 0; i < unitCount; ++i) {
            unsigned first = bytes[2 + 2 * i];
            unsigned second = bytes[3 + 2 * i];
            units[i] = static_cast<uint16_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
        }
        out->AssignWide(units.data());
        return true;
    }
    if (length >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        out->Assign(raw.Text() + 3, length - 3);
        return true;
    }
    *out = std::move(raw);
    return true;
}
