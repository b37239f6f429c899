#pragma once
// What the burn settings, the audio-CD burner and the burn commands need of
// the drives: the drive list with names, write capabilities and speeds; the
// state and capacity of the disc in a drive; a wait until a usable disc is
// in the drive (erasing a rewritable one when allowed); and erasing on
// request. Every operation grabs its drive once and gives it back on every
// path, and reports through the process context it runs in.

#include "burn/LBurnBackend.h"
#include "burn/LBurnOptions.h"
#include "burn/LBurnResult.h"
#include "burn/LBurnStatusHandler.h"
#include "burn/LMediaType.h"

#include <cstdint>
#include <memory>
#include <string>

class LProcessContext;

constexpr uint32_t kBurnDriveListSize = 8;
constexpr uint32_t kBurnSpeedCount = 21;

struct LBurnDriveEntry
{
    bool canWriteCd = false;
    bool canWriteCdSao = false;
    bool canWriteDvd = false;
    bool canWriteDvdPlusR = false;
    bool canWriteDvdRam = false;
    bool canWriteBd = false;
    bool canWriteHdDvd = false;
    uint32_t maxWriteSpeed = 0;                  // kB/s
    uint32_t speeds[kBurnSpeedCount] = {};       // kB/s as the drive reports them
    uint32_t scaledSpeeds[kBurnSpeedCount] = {}; // (speed + 20) / unit x 10: tenths of the unit
    uint32_t speedCount = 0;
    char vendor[9] = {};
    char product[41] = {};
    uint32_t media = kMediaNoDisc;
    bool blankAndAppendable = false;
};

struct LBurnDriveList
{
    uint32_t speedUnit = 177; // kB/s of 1x, set by the caller; never 0
    uint8_t count = 0;
    LBurnDriveEntry drives[kBurnDriveListSize];
};

// Fills the list with the first eight drives. 0 when there is at least one,
// 2 when there is none (the count is then 0).
int LScanBurnDrives(LProcessContext* context, LBurnBackend& backend, LBurnDriveList& list);

// Grabs the drive at index of the backend's list; null (message set) when
// there is no such drive or it cannot be had.
std::unique_ptr<LBurnDrive> LGetBurnDevice(LBurnBackend& backend, uint32_t index,
                                           std::string* message = nullptr);

// Media code of the drive's current profile.
uint32_t LMediaTypeCode(LBurnDrive& drive);

// Free and used blocks and the media code of the disc in the drive. The
// result's code: 0, 14 no disc, 29 the disc already holds data.
int32_t LGetMediaCapacity(LBurnResult& result, LBurnDrive& drive, int64_t& freeBlocks, int64_t& usedBlocks,
                          uint32_t& media);

// LGetMediaCapacity of the drive at index (255: code 46, no drive chosen;
// a missing drive: 15).
int32_t LReadDiscState(LBurnResult& result, LBurnBackend& backend, uint32_t index, int64_t& freeBlocks,
                       int64_t& usedBlocks, uint32_t& media);

struct LDiscWaitOptions
{
    bool eraseRewritable = false; // erase an erasable disc that is not blank
    bool fullErase = false;
    // Milliseconds to wait for a usable disc: -1 until one comes or the user
    // cancels, 0 look once.
    int32_t discWaitMs = -1;
    // Only look: an erasable disc that would be erased counts as usable.
    bool checkOnly = false;
    LBurnWaitBounds bounds;
};

// Waits until the drive holds a disc that can be written from the start,
// erasing it first when that is allowed. Returns a burn error code: 0 the
// disc can be written, 1 cancelled, 14 no usable disc, 15 the drive went
// away, 25 erasing failed (the drive's message in the result).
int32_t LWaitForUsableDisc(LBurnResult& result, LProcessContext* context, LBurnDrive& drive,
                           const LDiscWaitOptions& options);

// Erases the disc: 0 done, 1 the user asked to stop (the erase itself
// cannot be stopped and was waited for), 2 failed (message set).
int LEraseMedia(LProcessContext* context, LBurnDrive& drive, bool full, const LBurnWaitBounds& bounds,
                std::string* message);

// Erases the disc in the drive at index, as the user's "Erase disc"
// command: a blank disc is left alone. 0 done or nothing to do, 1
// cancelled, 2 failed (the result tells why: 14, 15 or 25).
int LEraseDisc(LBurnResult& result, LProcessContext* context, LBurnBackend& backend, uint32_t index,
               const LDiscWaitOptions& options);

// LEraseDisc and LReadDiscState of the drive and erase mode the burn
// options name.
int LEraseDisc(LBurnResult& result, LProcessContext* context, LBurnBackend& backend,
               const LBurnOptions& options);
int32_t LReadDiscState(LBurnResult& result, LBurnBackend& backend, const LBurnOptions& options,
                       int64_t& freeBlocks, int64_t& usedBlocks, uint32_t& media);

// Points the burn options' default-drive scan at the libburn drives.
void LInstallLibburnDriveScan();
