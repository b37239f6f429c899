#include "burn/LMediaProfileTable.h"

#include <iterator>

namespace {

// Profile numbers of the MMC-6 profile list (feature 0000h).
struct ProfileMedia
{
    int profile;
    uint32_t media;
};

constexpr ProfileMedia kProfiles[] = {
    {0x0008, kMediaCdRom},      // CD-ROM
    {0x0009, kMediaCdR},        // CD-R
    {0x000A, kMediaCdRw},       // CD-RW
    {0x0010, kMediaDvdRom},     // DVD-ROM
    {0x0011, kMediaDvdR},       // DVD-R sequential recording
    {0x0012, kMediaDvdRam},     // DVD-RAM
    {0x0013, kMediaDvdRw},      // DVD-RW restricted overwrite
    {0x0014, kMediaDvdRw},      // DVD-RW sequential recording
    {0x0015, kMediaDvdRDl},     // DVD-R dual layer sequential
    {0x0016, kMediaDvdRDl},     // DVD-R dual layer jump
    {0x0017, kMediaDvdRwDl},    // DVD-RW dual layer
    {0x001A, kMediaDvdPlusRw},  // DVD+RW
    {0x001B, kMediaDvdPlusR},   // DVD+R
    {0x002A, kMediaDvdRwDl},    // DVD+RW dual layer
    {0x002B, kMediaDvdPlusRDl}, // DVD+R dual layer
    {0x0040, kMediaBdRom},      // BD-ROM
    {0x0041, kMediaBdR},        // BD-R sequential recording
    {0x0042, kMediaBdR},        // BD-R random recording
    {0x0043, kMediaBdRe},       // BD-RE
    {0x0050, kMediaHdDvdRom},   // HD DVD-ROM
    {0x0051, kMediaHdDvdR},     // HD DVD-R
    {0x0052, kMediaHdDvdRam},   // HD DVD-RAM
};

} // namespace

uint32_t LMediaCodeForProfile(int profile)
{
    for (const ProfileMedia& entry : kProfiles)
        if (entry.profile == profile)
            return entry.media;
    return kMediaNoDisc;
}
