// Opens arbitrary bytes as a prepared CD track (an AIFF file) and, when the
// reader takes it, produces the whole track through its burn_source with
// request sizes drawn from the input, as a drive would read it. Damaged
// files must be refused, never crash; a track taken must give exactly the
// bytes its size announces.

#include "burn/LAiffTrackReader.h"
#include "burn/LAudioTrackSource.h"

#include <libburn/libburn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const int fd = memfd_create("aiff", MFD_CLOEXEC);
    if (fd < 0)
        return 0;
    if (size > 0 && write(fd, data, size) != static_cast<ssize_t>(size)) {
        close(fd);
        return 0;
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    LAiffTrackFormat format;
    if (LReadAiffTrackFormat(path.c_str(), format)) {
        // A pause from the input's first byte, so pauses of every length get their turn.
        const uint32_t pause = size > 0 ? data[0] % 8 : 0;
        const int64_t blocks = LAudioTrackBlocks(format.Frames(), pause);
        burn::burn_source* source =
            LNewAudioTrackSource(std::make_unique<LAiffTrackProducer>(path, format, blocks));
        if (source != nullptr) {
            const int64_t expected = source->get_size(source);
            if (expected != blocks * 2352)
                std::abort();
            std::vector<unsigned char> buffer(9000);
            uint32_t state = 2166136261u;
            for (size_t i = 0; i < size && i < 64; ++i)
                state = (state ^ data[i]) * 16777619u;
            int64_t total = 0;
            for (;;) {
                state = state * 1664525u + 1013904223u;
                const int want = 1 + static_cast<int>((state >> 8) % buffer.size());
                const int got = source->read(source, buffer.data(), want);
                if (got < 0)
                    std::abort(); // the file cannot shrink under us here
                if (got == 0)
                    break;
                if (got != want && total + got != expected)
                    std::abort();
                total += got;
            }
            if (total != expected)
                std::abort();
            burn::burn_source_free(source);
        }
    }
    close(fd);
    return 0;
}
