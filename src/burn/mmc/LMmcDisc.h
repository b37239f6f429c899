#pragma once
// Opening the disc for a burn and deciding whether it can be written as it
// is: the drive is taken, its time-outs read, the unit waited for, the media
// identified and the disc type made specific; then whether the disc is
// usable without erasing, and the reopening of an audio CD's last session
// when audio tracks are appended.

#include "burn/LBurnOptions.h"
#include "burn/LBurnResult.h"
#include "burn/mmc/LDriveCapabilities.h"
#include "burn/mmc/LMmcCommands.h"
#include "burn/mmc/LScsiDevice.h"

#include <cstdint>

class LProgressWait;

inline constexpr int kBurnNoMmc = 43;

// Opens the drive (code 15 missing, 39 busy), waits up to a minute for it to
// become ready (44 when it never does, 14 without a disc, 15 when it does not
// answer at all), needs the write parameters page (43), identifies the media
// (14 when that fails) and refines `discType` from the media's family.
void LMmcOpenDisc(LBurnResult& result, LProcessContext& context, LScsiDevice& device, uint32_t& media,
                  uint32_t& discType);

// Whether the disc can be written without erasing it first.
bool LMmcIsMediaUsable(LProcessContext& context, LScsiDevice& device, const LMmcDiscInfo& disc,
                       uint32_t media);

// Whether an overwritable disc (DVD+RW, BD-RE) has never been formatted.
bool LMmcNeedsFormatting(const LMmcDiscInfo& disc, uint32_t media);

// Audio tracks onto an appendable disc: only when its last track is audio,
// then the last session is reopened (code 25 with a message otherwise).
void LMmcCheckAudioAppend(LBurnResult& result, LProgressWait& wait, LScsiDevice& device,
                          const LBurnOptions& options, const LMmcDiscInfo& disc, uint32_t media,
                          const LDriveCapabilities& capabilities);

// READ FORMAT CAPACITIES: the blocks of the current capacity (capacityOnly)
// or the best formattable size; -1 when unknown. `count` receives the number
// of capacity descriptors.
int64_t LMmcReadFormatCapacities(LProcessContext& context, LScsiDevice& device, uint32_t media,
                                 uint32_t& count, bool capacityOnly);

// READ DVD STRUCTURE of `format` into `buffer`: 0, 1 cancelled, 2 failed
// (code 36 for an unreadable format, else 46, in `result`).
int LMmcReadDvdStructure(LBurnResult& result, LProcessContext& context, LScsiDevice& device, uint8_t* buffer,
                         uint32_t length, uint32_t media, uint8_t format);

// Blank (CD-RW, DVD-RW: blank type 0 full, 1 minimal, 5 reopen the last
// session) or format and clear the start of (DVD+RW, HD DVD-RAM, BD-RE) the
// disc. `blocks` is the size to format, 0xFFFFFFFF for the drive's own.
void LMmcEraseDisc(LBurnResult& result, LProcessContext& context, LScsiDevice& device, uint32_t media,
                   uint8_t blankType, uint32_t blocks = 0xFFFFFFFFu);
// The blocks the disc can take: the drive's capacity of an overwritable
// disc, else the last possible lead-out of the disc information or the ATIP,
// else the format capacities or the free blocks of the track to be written.
// Code 29 when nothing can be written, 42 when the size is unreadable.
void LMmcGetWritableBlocks(LBurnResult& result, LProcessContext& context, LScsiDevice& device,
                           const LMmcDiscInfo& disc, uint32_t media, uint32_t& blocks);
