#include "foundation/files/LBufferedFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

ssize_t ReadRetrying(int fd, void* dest, std::size_t count)
{
    ssize_t got;
    do {
        got = read(fd, dest, count);
    } while (got < 0 && errno == EINTR);
    return got;
}

} // namespace

std::size_t LBufferedFile::Read(void* dest, std::size_t count)
{
    uint8_t* out = static_cast<uint8_t*>(dest);
    std::size_t done = 0;
    while (done < count) {
        const std::size_t wanted = count - done;
        if (position == filled) {
            if (fd < 0)
                break;
            if (wanted > kSmallRead) {
                // Large reads go straight through; a short answer before the
                // end of the file is taken up again until the file ends.
                const ssize_t got = ReadRetrying(fd, out + done, wanted);
                if (got <= 0)
                    break;
                done += static_cast<std::size_t>(got);
                continue;
            }
            const ssize_t got = ReadRetrying(fd, buffer, kBufferSize);
            position = 0;
            if (got < 1) {
                filled = 0;
                break;
            }
            filled = static_cast<uint64_t>(got);
        }
        const std::size_t take = std::min<std::size_t>(wanted, filled - position);
        std::memcpy(out + done, buffer + position, take);
        position += take;
        done += take;
    }
    return done;
}
