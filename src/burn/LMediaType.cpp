#include "burn/LMediaType.h"

const char* LMediaTypeName(uint32_t code)
{
    static const char* const kNames[] = {
        "CD-R",       "CD-RW",    "CD-ROM or burnt CD-R",
        "DVD-R",      "DVD-RW",   "DVD_R DL",
        "DVD+R",      "DVD+R DL", "DVD+RW",
        "DVD_RW DL",  "DVD-RAM",  "DVD-ROM",
        "HD-DVD-ROM", "HD-DVD-R", "HD-DVD-RAM",
        "BD-ROM",     "BD-R",     "BD-RE",
        "Image File", "No Disc",
    };
    if (code >= sizeof kNames / sizeof kNames[0])
        return "";
    return kNames[code];
}
