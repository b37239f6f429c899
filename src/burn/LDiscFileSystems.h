#pragma once
// Which file systems a file-system code (1..25) selects.

#include <cstdint>

struct LDiscFileSystems
{
    bool iso = false;
    bool joliet = false;
    bool udf = false;
    uint16_t udfRevision = 0; // 0x102 or 0x250 when udf
};

inline constexpr uint32_t kDiscFileSystemCodeCount = 25;

// Codes outside 1..25 select nothing.
LDiscFileSystems LDiscFileSystemsForCode(uint32_t code);

// Block of sectors the image is aligned to: 32 for BD-R and BD-RE, else 16.
uint32_t LDiscBlockSectors(uint32_t mediaCode);
