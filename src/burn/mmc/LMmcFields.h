#pragma once
// The byte order of MMC command blocks and replies (big-endian fields) and
// the drive's normal time-out in milliseconds: what every file that builds or
// reads a command block shares.

#include "burn/mmc/LScsiDevice.h"

#include <cstdint>

inline uint16_t Be16(const uint8_t* p)
{
    return uint16_t((p[0] << 8) | p[1]);
}

inline uint32_t Be32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

inline void PutBe32(uint8_t* p, uint32_t x)
{
    p[0] = uint8_t(x >> 24);
    p[1] = uint8_t(x >> 16);
    p[2] = uint8_t(x >> 8);
    p[3] = uint8_t(x);
}

inline uint32_t NormalMs(const LScsiDevice& device)
{
    return device.normalTimeout * 1000u;
}
