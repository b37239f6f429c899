#pragma once
// The MMC commands the data-disc burner speaks to an opened drive: each
// builds its CDB, runs it, parses the reply (only as far as bytes arrived)
// into host order and maps failures onto burn result codes. On top sit the
// waits and recoveries real drives need; every wait is bounded on the
// device's clock so a sick drive cannot hang a burn.

#include "burn/LBurnResult.h"
#include "burn/mmc/LScsiDevice.h"

#include <cstdint>
#include <vector>

class LProcessContext;

inline constexpr int kBurnNoDisc = 14;
inline constexpr int kBurnDeviceNotReady = 12;
inline constexpr int kBurnSetWriteModeFailed = 33;
inline constexpr int kBurnWriteAddressError = 34;
inline constexpr int kBurnUnreadableDisc = 36;
inline constexpr int kBurnDiscAlreadyBurned = 29;
inline constexpr int kBurnDriveBusy = 39;
inline constexpr int kBurnDiscUnreadable = 42;
inline constexpr int kBurnDriveNotReady = 44;

// How long a wait the layer would once have run "without limit" may last.
inline constexpr uint32_t kMmcLongestWaitMs = 30u * 60u * 1000u;

struct LMmcDiscInfo
{
    uint8_t raw[34] = {};
    uint8_t Status() const { return raw[2] & 0x03; }
    uint8_t LastSessionState() const { return (raw[2] >> 2) & 0x03; }
    bool Erasable() const { return (raw[2] & 0x10) != 0; }
    uint8_t LastTrackInLastSession() const { return raw[6]; }
    uint8_t BackgroundFormat() const { return raw[7] & 0x03; }
};

struct LMmcTrackInfo
{
    uint8_t raw[48] = {};
    uint32_t trackStart = 0;
    uint32_t nextWritable = 0;
    bool nextWritableValid = false;
    uint32_t freeBlocks = 0;
    uint32_t fixedPacketSize = 0;
    uint32_t trackSize = 0;
    uint32_t lastRecorded = 0;
};

enum class LMmcPoll { kTestUnitReady, kDiscInformation };

struct LMmcWaitOptions
{
    bool noDiscIsError = true;
    uint32_t budgetMs = 0; // 0: until kMmcLongestWaitMs
    LMmcPoll poll = LMmcPoll::kTestUnitReady;
    bool stopOnCancel = true;
    // A drive finishing a cache flush or a close must not be abandoned: the
    // wait goes on through a cancel with this status line.
    bool finishingOperation = false;
};

void LMmcReadDiscInformation(LBurnResult& result, LProcessContext& context, LScsiDevice& device,
                             LMmcDiscInfo& info);
void LMmcReadTrackInformation(LBurnResult& result, LProcessContext& context, LScsiDevice& device,
                              LMmcTrackInfo& info, uint8_t track);
void LMmcWaitUnitReady(LBurnResult& result, LProcessContext& context, LScsiDevice& device,
                       const LMmcWaitOptions& options);
void LMmcWaitMechanismReady(LBurnResult& result, LProcessContext& context, LScsiDevice& device);

// MODE SENSE(10) of `page`: -1 when the first call fails, 0 when the second
// does or another page came back, else the bytes read; the page (without the
// 8-byte header) goes to `out`.
int LMmcModeSense(LProcessContext& context, LScsiDevice& device, uint8_t* out, uint32_t length, uint8_t page);
// 0 or 2.
int LMmcModeSelect(LProcessContext& context, LScsiDevice& device, const uint8_t* page, uint32_t length);
void LMmcReadTimeouts(LBurnResult& result, LProcessContext& context, LScsiDevice& device);
void LMmcEnableWriteCache(LBurnResult& result, LProcessContext& context, LScsiDevice& device);
void LMmcSetWriteMode(LBurnResult& result, LProcessContext& context, LScsiDevice& device, uint8_t page[56]);

// The block count RESERVE TRACK asks for.
uint32_t LMmcReserveTrackSize(uint32_t blocks, uint32_t multiple);
void LMmcReserveTrack(LBurnResult& result, LProcessContext& context, LScsiDevice& device, uint32_t blocks,
                      uint32_t multiple);
void LMmcSynchronizeCache(LBurnResult& result, LProcessContext& context, LScsiDevice& device);
void LMmcCloseTrackSession(LBurnResult& result, LProcessContext& context, LScsiDevice& device,
                           uint8_t function, bool waitWithBusyBar, uint8_t number);
void LMmcEjectAndReload(LBurnResult& result, LProcessContext& context, LScsiDevice& device);
// START STOP UNIT: eject (load = false) or close the tray.
int LMmcLoadOrEject(LProcessContext& context, LScsiDevice& device, bool load);
// PREVENT ALLOW MEDIUM REMOVAL.
int LMmcPreventRemoval(LProcessContext& context, LScsiDevice& device, bool prevent);

void LMmcWriteBlocks(LBurnResult& result, LProcessContext& context, LScsiDevice& device,
                     const uint8_t* buffer, uint32_t lba, uint32_t count, uint32_t blockSize);
// 0, 1 cancelled, 2 failed; a short read fails.
int LMmcReadBlocks(LProcessContext& context, LScsiDevice& device, uint8_t* buffer, uint32_t lba,
                   uint32_t count, uint32_t blockSize);

struct LMmcPerformance
{
    std::vector<uint32_t> writeSpeeds; // kB/s, at most 20
    uint32_t maxRead = 0;
    uint32_t maxWrite = 0;
};
int LMmcGetPerformance(LProcessContext& context, LScsiDevice& device, LMmcPerformance& performance);

// The write speed in kB/s for a speed factor (-1 the fastest: 0xFFFF),
// never above the drive's maximum when it reported one.
uint32_t LMmcWriteSpeedFor(int factor, uint32_t media, uint32_t maxWriteSpeed);
void LMmcSetSpeed(LBurnResult& result, LProcessContext& context, LScsiDevice& device, uint32_t maxReadSpeed,
                  uint32_t maxWriteSpeed, uint32_t media, uint32_t endLba, int factor);

struct LMmcAtip
{
    uint8_t raw[32] = {};
    uint16_t dataLength = 0;
};
// READ TOC/PMA/ATIP format 4: code 46 (zero sense) when it fails.
void LMmcReadAtip(LBurnResult& result, LProcessContext& context, LScsiDevice& device, LMmcAtip& atip);
// READ CAPACITY: the block count (last LBA + 1); 0 when unknown or blank.
uint32_t LMmcReadCapacityBlocks(LProcessContext& context, LScsiDevice& device);
