#pragma once
// The --drive choice of the SCSI commands (drives, info, burn): "N" or
// "/dev/srN" for a real drive through SG_IO, "emulated:FILE.img[,...]" for
// the emulated drive. The audio-CD commands' "fake:..." drives are refused.

#include "burn/LBurnResult.h"
#include "burn/mmc/LScsiDevice.h"

#include <cstdio>
#include <memory>

struct QdScsiDrive
{
    std::unique_ptr<LScsiDevice> device;
    FILE* trace = nullptr;
    ~QdScsiDrive();
};

// 0 opened; 2 after printing why (bad choice, or the drive cannot be opened:
// "qd-disc: code N: TEXT: MESSAGE").
// 0 done, 1 cancelled, 2 failed with "qd-disc: code N: TEXT[: MESSAGE]
// (sense K/ASC/ASCQ)" and one line per detail on standard error.
int QdReportScsiResult(const LBurnResult& result);

int QdOpenScsiDrive(const char* text, const char* tracePath, QdScsiDrive& drive);
