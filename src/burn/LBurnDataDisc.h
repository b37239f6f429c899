#pragma once
// The data-disc burn: checks the drive and the disc, prepares (erases or
// formats) the disc when allowed, lays the compilation out on the image
// generator's thread meanwhile, checks the capacity, writes through the
// media's own write-and-close sequence and optionally reads everything back.
// The target may also be an image file. The drive stays locked while
// writing and is unlocked and let go on every way out.

#include "burn/LBurnOptions.h"
#include "burn/LBurnResult.h"
#include "burn/LDiscNode.h"
#include "burn/LDiscType.h"
#include "burn/mmc/LDriveCapabilities.h"
#include "burn/mmc/LMmcCommands.h"
#include "burn/mmc/LScsiDevice.h"

#include <string>

class LProgressWait;

struct LDataDiscJob
{
    LBurnResult result;
    LBurnOptions options;
    LDiscNode* root = nullptr;
    // The kind of disc (0..25); the general kinds become specific ones when
    // the disc is opened.
    uint32_t discType = kDiscTypeIsoDisc;
    // The file systems to build as a file-system code (1..25); 0 takes the
    // (refined) disc type's.
    uint32_t fileSystem = 0;
    // An existing image to write instead of the compilation.
    const char* sourceIsoPath = nullptr;
    // When not empty the image goes to this file instead of a disc.
    std::string isoOutputPath;
    // Filled by the run.
    uint32_t media = 19;
    uint32_t startBlock = 0;
    uint32_t lastBlock = 0;
};

// 0 done, 1 cancelled, 2 failed; the outcome is in job.result. Messages the
// job shows itself go through the wait's message box.
int LBurnDataDisc(LProgressWait& wait, LScsiDevice& device, LDataDiscJob& job);

// Opens the disc, checks that the drive writes the disc type's family and
// that the loaded media suits the disc type (refined on the way).
void LCheckDriveAndMedia(LBurnResult& result, LProgressWait& wait, LScsiDevice& device,
                         const LBurnOptions& options, LMmcDiscInfo& disc, uint32_t& media, uint32_t& discType,
                         LDriveCapabilities& capabilities);

// Erases or formats the disc when it cannot be written as it is and that is
// allowed; otherwise refuses a used disc (code 2).
void LPrepareMedia(LBurnResult& result, LProgressWait& wait, LScsiDevice& device, const LBurnOptions& options,
                   LMmcDiscInfo& disc, uint32_t media, uint32_t blocksNeeded, uint32_t discType,
                   const LDriveCapabilities& capabilities);

// The "cannot write" code of a media code's family: 16 CD, 17 DVD, 18 HD
// DVD, 19 Blu-ray.
int LCannotWriteCodeForMedia(uint32_t media);
