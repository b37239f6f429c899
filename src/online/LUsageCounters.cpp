#include "online/LUsageCounters.h"

#include "foundation/files/LFileSystem.h"
#include "foundation/files/LPath.h"
#include "foundation/ini/LSystemInfo.h"
#include "foundation/settings/LSettings.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

void PutLittleEndian(unsigned char* out, uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        out[i] = static_cast<unsigned char>(value >> (8 * i));
}

uint64_t GetLittleEndian(const unsigned char* in)
{
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | in[i];
    return value;
}

} // namespace

std::vector<uint64_t>& LUsageCounters()
{
    static std::vector<uint64_t> counters(64, 0);
    return counters;
}

bool LGetUsageCountersPath(char* dest)
{
    dest[0] = '\0';
    char caches[260];
    return LGetCachesFolder(caches) && LPathCombine(dest, caches, "QuorinCounts", ".txt");
}

void LLoadUsageCounters()
{
    char path[260];
    if (!LGetUsageCountersPath(path))
        return;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    if (!LFileLockWait(fd, LOCK_SH | LOCK_NB, 1000)) {
        close(fd);
        return;
    }
    unsigned char head[4];
    if (read(fd, head, 4) == 4) {
        const uint32_t count = head[0] | head[1] << 8 | head[2] << 16 | static_cast<uint32_t>(head[3]) << 24;
        const uint32_t n = count < 256 ? count : 256;
        std::vector<uint64_t>& counters = LUsageCounters();
        if (counters.size() < n)
            counters.resize(n, 0);
        for (uint32_t i = 0; i < n; ++i) {
            unsigned char entry[8];
            if (read(fd, entry, 8) != 8)
                break;
            counters[i] = GetLittleEndian(entry);
        }
    }
    close(fd);
}

void LSaveUsageCounters()
{
    char path[260];
    if (!LGetUsageCountersPath(path))
        return;
    const std::vector<uint64_t>& counters = LUsageCounters();
    std::vector<unsigned char> data(4 + 8 * counters.size());
    const uint32_t count = static_cast<uint32_t>(counters.size());
    for (int i = 0; i < 4; ++i)
        data[i] = static_cast<unsigned char>(count >> (8 * i));
    for (size_t i = 0; i < counters.size(); ++i)
        PutLittleEndian(&data[4 + 8 * i], counters[i]);
    // Written whole beside the file and renamed over it; what writers that
    // were killed meanwhile left there goes first. The new file stays open,
    // and so locked, until it has its name: another run cleaning the folder
    // meanwhile leaves it alone.
    LRemoveStaleFilesBeside(path);
    char temp[260];
    const int fd = LCreateFileBeside(path, temp, sizeof temp, 0644);
    if (fd < 0)
        return;
    const bool written = write(fd, data.data(), data.size()) == static_cast<ssize_t>(data.size());
    if (!written || rename(temp, path) != 0)
        unlink(temp);
    close(fd);
}

void LDeleteUsageCounters()
{
    LSettingsDelete("Software", "SVar");
    char path[260];
    if (LGetUsageCountersPath(path))
        unlink(path);
}

std::string LAppendUsageParam(std::string& text)
{
    const std::vector<uint64_t>& counters = LUsageCounters();
    size_t used = 0;
    while (used < counters.size() && (counters[used] & 0xFFFFFFFFu) != 0)
        ++used;
    if (used == 0)
        return text;
    LSeedRandom();
    const uint64_t entry = counters[static_cast<size_t>(std::rand()) % used];
    const unsigned id = static_cast<unsigned>(entry & 0xFFFF);
    const uint64_t count = entry >> 32;
    char param[32];
    std::snprintf(param, sizeof param, "&usage=%04X%02X", id,
                  static_cast<unsigned>(count > 255 ? 255 : count));
    text += param;
    return text;
}
