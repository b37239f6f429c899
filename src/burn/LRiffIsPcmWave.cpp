#include "burn/LRiffIsPcmWave.h"

#include "burn/LDiscBytes.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool ReadExactly(int fd, uint8_t* data, std::size_t length)
{
    std::size_t got = 0;
    while (got < length) {
        const ssize_t n = ::read(fd, data + got, length - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

bool Skip(int fd, uint64_t bytes)
{
    return lseek(fd, static_cast<off_t>(bytes), SEEK_CUR) != static_cast<off_t>(-1);
}

bool Check(int fd, LWaveFormatRecord* format)
{
    uint8_t header[12];
    if (!ReadExactly(fd, header, 12))
        return false;
    if (std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0) {
        // Something ahead of the RIFF form: skip it as a chunk and look again.
        const uint64_t size = (static_cast<uint64_t>(disc::Get32(header + 4)) + 1) & ~1ull;
        if (size <= 4 || !Skip(fd, size - 4) || !ReadExactly(fd, header, 12))
            return false;
        if (std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0)
            return false;
    }
    for (;;) {
        uint8_t chunk[8];
        if (!ReadExactly(fd, chunk, 8))
            return false;
        const uint32_t size = disc::Get32(chunk + 4);
        if (size > 0x7FFFFFFF)
            return false;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            uint8_t record[18] = {};
            if (size < 16 || !ReadExactly(fd, record, size >= 18 ? 18 : 16))
                return false;
            format->formatTag = static_cast<uint16_t>(disc::Get16(record));
            format->channels = static_cast<uint16_t>(disc::Get16(record + 2));
            format->samplesPerSecond = disc::Get32(record + 4);
            format->averageBytesPerSecond = disc::Get32(record + 8);
            format->blockAlign = static_cast<uint16_t>(disc::Get16(record + 12));
            format->bitsPerSample = static_cast<uint16_t>(disc::Get16(record + 14));
            format->extraSize = static_cast<uint16_t>(disc::Get16(record + 16));
            return format->formatTag == 1;
        }
        if (!Skip(fd, (static_cast<uint64_t>(size) + 1) & ~1ull))
            return false;
    }
}

} // namespace

bool LRiffIsPcmWave(LWaveFormatRecord* format, const char* path)
{
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool pcm = Check(fd, format);
    ::close(fd);
    return pcm;
}
