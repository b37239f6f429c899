#pragma once
// The write-and-close sequences of the data-disc burn, one per kind of
// medium: write parameters, track reservation, the image, and the closing
// of track, session or disc. Each leaves its outcome in the generator's
// result. `outputFd` is the image file's descriptor, -1 when the target is
// the drive.

#include "burn/LDiscImageWriter.h"
#include "burn/mmc/LScsiDevice.h"

class LProgressWait;

void LFinalizeCdTao(LProgressWait& wait, LScsiDevice& device, int outputFd, LDiscImageWriter& image);
void LFinalizeSequential(LProgressWait& wait, LScsiDevice& device, int outputFd, LDiscImageWriter& image);
void LFinalizeOverwrite(LProgressWait& wait, LScsiDevice& device, int outputFd, LDiscImageWriter& image);
void LFinalizeRestrictedOverwrite(LProgressWait& wait, LScsiDevice& device, int outputFd,
                                  LDiscImageWriter& image);
void LFinalizeDvdRw(LProgressWait& wait, LScsiDevice& device, int outputFd, LDiscImageWriter& image);
void LFinalizeDvdR(LProgressWait& wait, LScsiDevice& device, int outputFd, LDiscImageWriter& image);

// The image onto the drive from the generator's start sector (or into the
// image file), or compared with what the drive reads back. On DVD+RW and
// BD-RE a UDF image also gets the anchors readers look for near the end of
// the disc.
void LWriteImageToTarget(LProgressWait& wait, LScsiDevice& device, int outputFd, LDiscImageWriter& image,
                         bool verify);
