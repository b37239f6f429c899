#pragma once
// What the opened drive can write and how fast, and what disc it holds.

#include "burn/LBurnResult.h"
#include "burn/mmc/LScsiDevice.h"

#include <cstdint>
#include <string>
#include <vector>

class LProcessContext;

inline constexpr int kBurnDriveCannotWriteCd = 16;

struct LDriveCapabilities
{
    bool cdWrite = false;
    bool cdSao = false;
    bool dvdRWrite = false;
    bool dvdRDlWrite = false;
    bool dvdRwWrite = false;
    bool dvdPlusRWrite = false;
    bool dvdPlusRDlWrite = false;
    bool dvdPlusRwWrite = false;
    bool dvdPlusRwDlWrite = false;
    bool dvdRamWrite = false;
    bool bdWrite = false;
    bool hdDvdWrite = false;
    bool incrementalStreaming = false;
    uint32_t maxWriteSpeed = 0;
    uint32_t maxReadSpeed = 0;
    uint32_t unitSpeed = 177;
    std::vector<uint32_t> writeSpeeds;

    // "cd,cd-sao,dvd-r,..." in the vocabulary the tools share; "-" for none.
    std::string WriteList() const;
};

// Code 12 when the drive does not answer for its removable-medium feature.
void LMmcGetDriveCapabilities(LBurnResult& result, LProcessContext& context, LScsiDevice& device,
                              LDriveCapabilities& capabilities);
// The media code of the drive's current profile (19 without a disc).
void LMmcIdentifyMedia(LBurnResult& result, LProcessContext& context, LScsiDevice& device, uint32_t& media,
                       int* profile = nullptr);
// Blocks of the ISO 9660 or UDF volume already on the disc, rounded up to
// 32; for other media the block count from READ CAPACITY; 0 when unknown.
uint32_t LMmcGetExistingSessionSize(LProcessContext& context, LScsiDevice& device, uint32_t media,
                                    bool capacityOnly);
