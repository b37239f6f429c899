#include "burn/LDiscFileSystems.h"

#include "burn/LMediaType.h"

LDiscFileSystems LDiscFileSystemsForCode(uint32_t code)
{
    LDiscFileSystems systems;
    if (code < 1 || code > kDiscFileSystemCodeCount)
        return systems;
    static const bool kIso[kDiscFileSystemCodeCount] = {0, 1, 1, 0, 1, 1, 1, 0, 0, 1, 1, 0, 0,
                                                        1, 1, 0, 0, 1, 1, 0, 1, 1, 0, 1, 1};
    static const bool kUdf[kDiscFileSystemCodeCount] = {1, 0, 0, 1, 1, 0, 0, 1, 0, 1, 0, 1, 0,
                                                        1, 0, 1, 0, 1, 0, 1, 1, 1, 0, 1, 1};
    systems.iso = kIso[code - 1];
    systems.joliet = systems.iso && code != 3 && code != 7;
    systems.udf = kUdf[code - 1];
    if (systems.udf)
        systems.udfRevision = (code == 1 || code == 16) ? 0x250 : 0x102;
    return systems;
}

uint32_t LDiscBlockSectors(uint32_t mediaCode)
{
    return (mediaCode == kMediaBdR || mediaCode == kMediaBdRe) ? 32 : 16;
}
