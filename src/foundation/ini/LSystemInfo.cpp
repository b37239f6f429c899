#include "foundation/ini/LSystemInfo.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/resource.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

// A "Name:   1234 kB" line of /proc/meminfo in bytes, or -1.
int64_t MemInfoField(const char* text, const char* name)
{
    size_t nameLength = std::strlen(name);
    for (const char* line = text; line && *line;) {
        if (std::strncmp(line, name, nameLength) == 0 && line[nameLength] == ':')
            return std::strtoll(line + nameLength + 1, nullptr, 10) * 1024;
        line = std::strchr(line, '\n');
        if (line)
            line++;
    }
    return -1;
}

} // namespace

void LSeedRandom()
{
    struct timeval now;
    gettimeofday(&now, nullptr);
    uint32_t ms = uint32_t(uint64_t(now.tv_sec) * 1000 + uint64_t(now.tv_usec) / 1000);
    std::srand(ms);
    std::srand(unsigned(std::rand()) ^ unsigned(std::time(nullptr)));
}

char* LToLowerInPlace(char* text)
{
    for (char* p = text; *p; ++p)
        *p = char(std::tolower(static_cast<unsigned char>(*p)));
    return text;
}

char* LIntToString(int64_t value, char* dest, int radix)
{
    if (radix == 8)
        std::snprintf(dest, 24, "%llo", static_cast<unsigned long long>(value));
    else if (radix == 16)
        std::snprintf(dest, 24, "%llx", static_cast<unsigned long long>(value));
    else
        std::snprintf(dest, 24, "%lld", static_cast<long long>(value));
    return dest;
}

int64_t LGetFreeMemory()
{
    FILE* file = std::fopen("/proc/meminfo", "re");
    if (!file)
        return 0;
    char text[8192];
    size_t got = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    text[got] = 0;
    int64_t available = MemInfoField(text, "MemAvailable");
    if (available >= 0)
        return available;
    int64_t free = MemInfoField(text, "MemFree");
    int64_t inactive = MemInfoField(text, "Inactive");
    if (free < 0)
        return 0;
    return free + (inactive > 0 ? inactive : 0);
}

int64_t LGetMemoryLimit()
{
    struct rlimit limit;
    if (getrlimit(RLIMIT_DATA, &limit) != 0)
        return -1;
    int64_t free = LGetFreeMemory();
    if (limit.rlim_cur == RLIM_INFINITY)
        return free;

    int64_t virtualSize = 0;
    if (FILE* file = std::fopen("/proc/self/statm", "re")) {
        long long pages = 0;
        if (std::fscanf(file, "%lld", &pages) == 1)
            virtualSize = pages * sysconf(_SC_PAGESIZE);
        std::fclose(file);
    }
    int64_t left = int64_t(limit.rlim_cur) - virtualSize;
    if (left < 0)
        left = 0;
    return left < free ? left : free;
}
