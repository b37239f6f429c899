#pragma once
// What disc a drive's current MMC profile stands for, as the program's media
// codes (0 "CD-R" .. 19 "No Disc"). Shared by the libburn services, which get
// the profile from burn_disc_get_profile, and the SCSI drive layer, which
// reads it with GET CONFIGURATION.

#include "burn/LMediaType.h"

#include <cstdint>

// The media code of an MMC profile number; 19 (no disc) for profile 0 and
// for every profile that is not a disc the program knows.
uint32_t LMediaCodeForProfile(int profile);

// True for the media an audio CD can be written on (CD-R, CD-RW).
inline bool LIsAudioCdMedia(uint32_t media)
{
    return media == kMediaCdR || media == kMediaCdRw;
}
