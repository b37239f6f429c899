#include "app/program/recording/SessionSpaceTexts.h"

#include "burn/LBurnOptions.h"
#include "burn/LBurnResult.h"
#include "burn/LDiscServices.h"
#include "foundation/ini/LDurationText.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <sys/statvfs.h>

namespace {

std::mutex gQueryLock;
std::function<SessionDiscState()> gQuery;

std::string Printf(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

std::string FormatFreeSpace(int64_t freeBytes)
{
    if (freeBytes < 0)
        return "Unknown";
    const int64_t k = freeBytes / 1024;
    char text[64];
    if (k <= 1023)
        std::snprintf(text, sizeof text, "%3d KB", static_cast<int>(k));
    else if (k > 1048575)
        std::snprintf(text, sizeof text, "%3.2f GB", static_cast<double>(k) / 1048576.0);
    else
        std::snprintf(text, sizeof text, "%3.2f MB", static_cast<double>(k) / 1024.0);
    return text;
}

int64_t FreeBytesOfVolume(const char* path)
{
    struct statvfs info
    {
    };
    if (path == nullptr || statvfs(path, &info) != 0)
        return -1;
    return static_cast<int64_t>(info.f_bavail) * static_cast<int64_t>(info.f_frsize);
}

SessionDiscState QuerySessionDisc()
{
    {
        std::lock_guard lock(gQueryLock);
        if (gQuery)
            return gQuery();
    }
    SessionDiscState state;
    LBurnOptions options;
    LLoadBurnOptions(&options);
    if (options.driveIndex == kBurnNoDrive)
        return state;
    LBurnResult result;
    int64_t freeBlocks = 0;
    int64_t usedBlocks = 0;
    uint32_t media = 0;
    if (LReadDiscState(result, LGetLibburnBackend(), options, freeBlocks, usedBlocks, media) != 0)
        return state;
    state.hasDisc = true;
    state.freeBlocks = std::max<int64_t>(freeBlocks, 0);
    return state;
}

void SetSessionDiscQuery(std::function<SessionDiscState()> query)
{
    std::lock_guard lock(gQueryLock);
    gQuery = std::move(query);
}

std::string AudioDiscSpaceText(const SessionDiscState& disc, int64_t usedMs)
{
    if (!disc.hasDisc)
        return "No Disc in Drive";
    const int64_t capacityMs = disc.freeBlocks * 1000 / 75;
    const int64_t left = std::max<int64_t>(capacityMs - usedMs, 0);
    char text[64];
    LFormatDurationCs(&left, text);
    if (capacityMs == 0)
        return std::string(text) + " (Disc Already Used)";
    if (capacityMs >= usedMs)
        return text;
    return std::string(text) + " (Disc Capacity Exceeded)";
}

std::string DataDiscSpaceText(const SessionDiscState& disc, int64_t usedBytes)
{
    if (!disc.hasDisc)
        return "No Disc in Drive";
    const double capacityMb = static_cast<double>(disc.freeBlocks) * 2048.0 / 1048576.0;
    const double remaining = capacityMb - static_cast<double>(usedBytes) / 1048576.0;
    if (capacityMb == 0 && remaining < 0)
        return Printf("%5.3f MB (Disc Already Used)", 0.0);
    if (remaining < 0)
        return Printf("%5.3f MB (Disc Capacity Exceeded)", remaining);
    return Printf("%5.3f MB", remaining);
}
