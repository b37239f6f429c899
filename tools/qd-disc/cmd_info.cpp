// qd-disc info --drive D [--trace FILE]: the drive's disc as key=value lines.

#include "QdCommand.h"
#include "QdScsiDrive.h"

#include "burn/LMediaType.h"
#include "burn/mmc/LDriveCapabilities.h"
#include "burn/mmc/LMmcCommands.h"
#include "foundation/threads/LLocalProcessContext.h"

#include <cstdio>
#include <string>

namespace {

int RunInfo(int argc, char** argv)
{
    QdScsiDrive drive;
    if (const int bad =
            QdOpenScsiDrive(QdOption(argc, argv, "--drive"), QdOption(argc, argv, "--trace"), drive))
        return bad;
    LLocalProcessContext context;
    LScsiDevice& device = *drive.device;
    LBurnResult result;
    LMmcWaitOptions wait;
    wait.budgetMs = 10000;
    LMmcWaitUnitReady(result, context, device, wait);
    if (result.code == kBurnNoDisc) {
        std::printf("media=%s\n", LMediaTypeName(kMediaNoDisc));
        return 1;
    }
    if (!result.Ok())
        return QdReportScsiResult(result);
    uint32_t media = kMediaNoDisc;
    int profile = 0;
    LMmcIdentifyMedia(result, context, device, media, &profile);
    if (!result.Ok())
        return QdReportScsiResult(result);
    std::printf("profile=0x%04X\nmedia=%s\n", profile, LMediaTypeName(media));
    if (media == kMediaNoDisc)
        return 1;
    LMmcDiscInfo disc;
    LMmcReadDiscInformation(result, context, device, disc);
    if (!result.Ok())
        return QdReportScsiResult(result);
    static const char* kStatus[] = {"empty", "incomplete", "complete", "other"};
    std::printf("status=%s\nerasable=%d\nlast_track=%u\n", kStatus[disc.Status()], disc.Erasable() ? 1 : 0,
                disc.LastTrackInLastSession());
    LMmcTrackInfo track;
    LMmcReadTrackInformation(result, context, device, track, 255);
    if (result.Ok() && track.nextWritableValid)
        std::printf("next_writable=%u\nwritable_blocks=%u\n", track.nextWritable, track.freeBlocks);
    else
        std::printf("next_writable=-\nwritable_blocks=0\n");
    std::printf("existing_blocks=%u\n", LMmcGetExistingSessionSize(context, device, media, false));
    LDriveCapabilities caps;
    LMmcGetDriveCapabilities(result, context, device, caps);
    std::string speeds;
    for (uint32_t speed : caps.writeSpeeds)
        speeds += (speeds.empty() ? "" : ",") + std::to_string(speed);
    std::printf("write=%s\nwrite_speeds=%s\nmax_read=%u\nmax_write=%u\n", caps.WriteList().c_str(),
                speeds.empty() ? "-" : speeds.c_str(), caps.maxReadSpeed, caps.maxWriteSpeed);
    return 0;
}

QdRegistrar reg("info", "info --drive D [--trace FILE]", &RunInfo);

} // namespace
