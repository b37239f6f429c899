// qd-disc state: what is in a drive, and how much room is left on it.

#include "QdBurnDrive.h"
#include "QdCommand.h"

#include "burn/LDiscServices.h"

#include <cstdio>

namespace {

int RunState(int argc, char** argv)
{
    QdBurnDrive drive;
    if (const int bad = QdParseBurnDrive(QdOption(argc, argv, "--drive"), false, drive))
        return bad;
    LBurnResult result;
    int64_t freeBlocks = 0, usedBlocks = 0;
    uint32_t media = kMediaNoDisc;
    LReadDiscState(result, *drive.backend, drive.index, freeBlocks, usedBlocks, media);
    std::printf("result=%d\nfree=%lld\nused=%lld\nmedia=%s\n", result.code,
                static_cast<long long>(freeBlocks), static_cast<long long>(usedBlocks),
                QdMediaText(media).c_str());
    // A disc that holds data (29) is a state, not a failure; no drive is.
    return result.code == kBurnDriveMissing ? QdReportBurnResult(result) : 0;
}

QdRegistrar reg("state", "state --drive D", &RunState);

} // namespace
