#pragma once
// The data-disc burn: lays the compilation out at the disc's next writable
// address, checks the drive and the disc, erases a rewritable disc when
// allowed, writes through the media's own write-and-close sequence, and
// optionally reads everything back. The drive stays locked while writing and
// is unlocked on every way out.

#include "burn/LBurnOptions.h"
#include "burn/LBurnResult.h"
#include "burn/LDiscNode.h"
#include "burn/mmc/LScsiDevice.h"

class LProcessContext;

struct LDataDiscJob
{
    LBurnResult result;
    LBurnOptions options;
    LDiscNode* root = nullptr;
    uint32_t fileSystem = 2;
    const char* sourceIsoPath = nullptr;
    // Filled by the run.
    uint32_t media = 19;
    uint32_t startBlock = 0;
    uint32_t lastBlock = 0;
};

// 0 done, 1 cancelled, 2 failed; the outcome is in job.result.
int LBurnDataDisc(LProcessContext& context, LScsiDevice& device, LDataDiscJob& job);

// The "cannot write" code of a media code's family: 16 CD, 17 DVD, 18 HD
// DVD, 19 Blu-ray.
int LCannotWriteCodeForMedia(uint32_t media);
