#include "burn/mmc/LMmcDisc.h"

#include "burn/LDiscType.h"
#include "burn/LMediaType.h"
#include "burn/LProgressWait.h"
#include "burn/mmc/LMmcFields.h"
#include "foundation/threads/LProcessContext.h"

#include <algorithm>
#include <vector>

namespace {

constexpr int kBurnEraseFailed = 25;

// TEST UNIT READY: 0, 1 cancelled, 2 failed.
int TestUnitReady(LProcessContext& context, LScsiDevice& device)
{
    const uint8_t cdb[6] = {};
    return device.ExecuteCommand(context, cdb, 6, nullptr, 0, device.normalTimeout * 1000u,
                                 LScsiDirection::kNone);
}

} // namespace

void LMmcOpenDisc(LBurnResult& result, LProcessContext& context, LScsiDevice& device, uint32_t& media,
                  uint32_t& discType)
{
    result.Clear();
    const int opened = device.Open(context, result);
    if (opened != 0)
        return;
    LBurnResult ignored;
    LMmcReadTimeouts(ignored, context, device);
    LFeatureHeader header;
    uint8_t core[8] = {};
    (void)device.GetConfiguration(context, 0x0001, header, core, sizeof core);
    (void)TestUnitReady(context, device);
    (void)TestUnitReady(context, device);
    LMmcWaitMechanismReady(ignored, context, device);
    if (ignored.code == kBurnUserCanceled) {
        result.Set(kBurnUserCanceled);
        return;
    }

    // Up to a minute for a drive that is still spinning up or reading the
    // disc; anything else is no disc, or no drive at all.
    LMmcClock& clock = device.Clock();
    // Each try may itself wait out "becoming ready" for its time-out, so the
    // minute is measured on the clock, not counted in sleeps.
    const uint64_t start = clock.NowMs();
    for (;;) {
        const int status = TestUnitReady(context, device);
        if (status == 0)
            break;
        if (status == 1) {
            result.Set(kBurnUserCanceled);
            return;
        }
        if (device.LastTimedOut()) {
            media = kMediaNoDisc;
            result.Set(kBurnDriveMissing, device.Transport().Name().c_str());
            return;
        }
        if (!device.SenseKeyAscIs(2, 0x04)) {
            media = kMediaNoDisc;
            result.Set(kBurnNoDisc, nullptr, device.LastSense());
            return;
        }
        if (clock.Sleep(context, 50)) {
            result.Set(kBurnUserCanceled);
            return;
        }
        if (clock.NowMs() - start > 60050 - 51) {
            // Going on would only misreport a drive that never became
            // ready as one without MMC support.
            media = kMediaNoDisc;
            result.Set(kBurnDriveNotReady);
            return;
        }
    }

    media = kMediaNoDisc;
    uint8_t page[56] = {};
    if (LMmcModeSense(context, device, page, sizeof page, 0x05) <= 0) {
        result.Set(kBurnNoMmc, nullptr, device.LastSense());
        return;
    }
    LMmcIdentifyMedia(result, context, device, media);
    if (result.code == kBurnUserCanceled)
        return;
    if (!result.Ok()) {
        result.Set(kBurnNoDisc, result.message,
                   {result.senseKey, result.additionalSenseCode, result.additionalSenseCodeQualifier});
        return;
    }
    discType = LRefineDiscType(discType, media);
}

bool LMmcNeedsFormatting(const LMmcDiscInfo& disc, uint32_t media)
{
    return (media == kMediaDvdPlusRw || media == kMediaBdRe) && disc.Status() == 0 &&
           disc.LastSessionState() == 0 && disc.BackgroundFormat() == 0;
}

bool LMmcIsMediaUsable(LProcessContext& context, LScsiDevice& device, const LMmcDiscInfo& disc,
                       uint32_t media)
{
    if (media == kMediaBdRe) {
        if (disc.Status() == 0 && disc.LastSessionState() == 0 && disc.BackgroundFormat() == 0)
            return true;
        std::vector<uint8_t> structure(2052);
        LBurnResult ignored;
        if (LMmcReadDvdStructure(ignored, context, device, structure.data(), uint32_t(structure.size()),
                                 media, 8) != 0)
            return true;
        // A disc whose first megabyte is blank holds nothing to lose.
        std::vector<uint8_t> blocks(16 * 2048);
        for (uint32_t group = 0; group < 32; ++group) {
            if (LMmcReadBlocks(context, device, blocks.data(), group * 16, 16, 2048) != 0)
                return true;
            if (std::any_of(blocks.begin(), blocks.end(), [](uint8_t b) { return b != 0; }))
                return false;
        }
        return true;
    }
    if (media == kMediaDvdPlusRw && disc.BackgroundFormat() != 0)
        return LMmcGetExistingSessionSize(context, device, media, false) == 0;
    return disc.Status() == 0;
}

void LMmcCheckAudioAppend(LBurnResult& result, LProgressWait& wait, LScsiDevice& device,
                          const LBurnOptions& options, const LMmcDiscInfo& disc, uint32_t media,
                          const LDriveCapabilities& capabilities)
{
    result.Clear();
    const uint8_t last = disc.LastTrackInLastSession();
    bool dataTrack = last == 0;
    if (!dataTrack && last > 1) {
        LMmcTrackInfo track;
        LBurnResult read;
        LMmcReadTrackInformation(read, wait, device, track, uint8_t(last - 1));
        dataTrack = read.Ok() && (track.raw[5] & 0x0F) != 0;
    }
    if (dataTrack) {
        const char* text = "You are trying to append audio tracks and the loaded disc is not an audio CD";
        wait.Message(text);
        result.Set(kBurnEraseFailed, text);
        return;
    }
    LMmcSetSpeed(result, wait, device, capabilities.maxReadSpeed, capabilities.maxWriteSpeed, media, 0,
                 int(options.speedFactor));
    if (result.code == kBurnUserCanceled)
        return;
    LMmcEraseDisc(result, wait, device, media, 5);
}

int64_t LMmcReadFormatCapacities(LProcessContext& context, LScsiDevice& device, uint32_t media,
                                 uint32_t& count, bool capacityOnly)
{
    count = 0;
    uint8_t reply[260] = {};
    const uint8_t cdb[10] = {0x23, 0, 0, 0, 0, 0, 0, 1, 4, 0};
    if (device.ExecuteCommand(context, cdb, 10, reply, sizeof reply, device.normalTimeout * 1000u,
                              LScsiDirection::kFromDevice) != 0)
        return -1;
    const uint32_t moved = device.BytesMoved();
    const uint32_t listLength = std::min<uint32_t>(reply[3], moved >= 4 ? moved - 4 : 0);
    count = listLength / 8;
    if (listLength < 8)
        return -1;
    if (media == kMediaDvdPlusR && count == 1)
        return -1;
    const uint32_t current = Be32(reply + 4);
    if (capacityOnly)
        return current;
    const uint8_t type = reply[8] & 0x03;
    int64_t best = type == 1 ? current : 0;
    for (uint32_t i = 1; i < count; ++i) {
        const uint8_t* d = reply + 4 + i * 8;
        if ((d[4] & 0x03) == 0)
            best = std::max<int64_t>(best, Be32(d));
    }
    if (type == 3 && best == 0) {
        if (media == kMediaDvdR || media == kMediaDvdRw || media == kMediaDvdRDl || media == kMediaHdDvdR) {
            std::vector<uint8_t> structure(2052);
            LBurnResult ignored;
            if (LMmcReadDvdStructure(ignored, context, device, structure.data(), uint32_t(structure.size()),
                                     media, 0x10) == 0) {
                const int64_t span = int64_t(Be32(&structure[16])) - int64_t(Be32(&structure[12]));
                best = span > 609 ? span - 607 : 0;
            }
        } else if (current > 608) {
            best = current - 608;
        }
    }
    return best == 0 ? -1 : best;
}

int LMmcReadDvdStructure(LBurnResult& result, LProcessContext& context, LScsiDevice& device, uint8_t* buffer,
                         uint32_t length, uint32_t media, uint8_t format)
{
    result.Clear();
    length = std::min<uint32_t>(length, 65535);
    const uint8_t cdb[12] = {0xAD,
                             uint8_t(media == kMediaBdR || media == kMediaBdRe ? 1 : 0),
                             0,
                             0,
                             0,
                             0,
                             0,
                             format,
                             uint8_t(length >> 8),
                             uint8_t(length),
                             0,
                             0};
    const int status = device.ExecuteCommand(context, cdb, 12, buffer, length, device.normalTimeout * 1000u,
                                             LScsiDirection::kFromDevice);
    if (status == 1) {
        result.Set(kBurnUserCanceled);
        return 1;
    }
    if (status != 0) {
        if (device.SenseIs(3, 0x31, 0))
            result.Set(kBurnUnreadableDisc, nullptr, device.LastSense());
        else
            result.Set(kBurnScsiError, "Read DVD structure failed", device.LastSense());
        return 2;
    }
    // Only what arrived counts; a reply too short to hold its header fails.
    if (device.BytesMoved() < 4) {
        result.Set(kBurnScsiError, "Read DVD structure failed", device.LastSense());
        return 2;
    }
    std::fill(buffer + device.BytesMoved(), buffer + length, uint8_t(0));
    return 0;
}

namespace {

// FORMAT UNIT of the overwritable media, then the first groups cleared so no
// earlier file system shows through: 0, 1 cancelled, 2 failed.
int FormatOverwritable(LBurnResult& result, LProcessContext& context, LScsiDevice& device, uint32_t media,
                       uint32_t blocks)
{
    LMmcDiscInfo disc;
    LMmcReadDiscInformation(result, context, device, disc);
    if (result.code == kBurnUserCanceled)
        return 1;
    const uint8_t background = result.Ok() ? disc.BackgroundFormat() : 0;
    result.Clear();
    if (background < 3) {
        uint32_t count = 0;
        int64_t capacity = -1;
        if (media == kMediaDvdPlusRw || blocks == 0xFFFFFFFFu)
            capacity = LMmcReadFormatCapacities(context, device, media, count, false);
        const uint32_t size = media == kMediaDvdPlusRw || blocks == 0xFFFFFFFFu
                                  ? (capacity > 0 ? uint32_t(capacity) : 0xFFFFFFFFu)
                                  : blocks;
        uint8_t list[12] = {0, 0x02, 0, 8};
        PutBe32(list + 4, size);
        if (media == kMediaDvdPlusRw) {
            list[8] = 0x98;
            list[11] = background != 0 ? 1 : 0;
        } else if (media == kMediaBdRe) {
            list[8] = 0xC0;
            list[10] = 0x10;
        }
        const uint8_t cdb[6] = {0x04, 0x11, 0, 0, 0, 0};
        const int status =
            device.ExecuteCommand(context, cdb, 6, list, sizeof list, std::max(NormalMs(device), 60000u),
                                  LScsiDirection::kToDevice);
        if (status != 0)
            return status;
    }
    // A DVD+RW starts formatting in the background; the drive takes writes
    // once it says so.
    LMmcClock& clock = device.Clock();
    const uint64_t start = clock.NowMs();
    while (!context.IsStopRequested()) {
        LMmcReadDiscInformation(result, context, device, disc);
        if (result.code == kBurnUserCanceled)
            return 1;
        if (result.Ok() && !(media == kMediaDvdPlusRw && disc.BackgroundFormat() == 0))
            break;
        if (clock.NowMs() - start >= kMmcLongestWaitMs)
            break;
        if (clock.Sleep(context, 100)) {
            result.Set(kBurnUserCanceled);
            return 1;
        }
    }
    result.Clear();
    const uint32_t group = media == kMediaBdRe ? 32 : 16;
    std::vector<uint8_t> zeros(size_t(group) * 2048, 0);
    for (uint32_t i = 0; i < 32; ++i) {
        if (context.IsStopRequested())
            context.MessageLevel("Waiting for drive to finish operation...", 0);
        LMmcWriteBlocks(result, context, device, zeros.data(), i * group, group, 2048);
        if (!result.Ok())
            return result.code == kBurnUserCanceled ? 1 : 2;
    }
    LMmcSynchronizeCache(result, context, device);
    return result.Ok() ? 0 : (result.code == kBurnUserCanceled ? 1 : 2);
}

} // namespace

void LMmcEraseDisc(LBurnResult& result, LProcessContext& context, LScsiDevice& device, uint32_t media,
                   uint8_t blankType, uint32_t blocks)
{
    result.Clear();
    context.MessageLevelF(0, "%s Disc", blankType == 5 ? "Opening" : "Erasing");
    context.MessageLevel("Please Wait...", 1);
    for (int attempt = 0;; ++attempt) {
        int status = 2;
        if (media == kMediaCdRw || media == kMediaDvdRw) {
            uint8_t cdb[12] = {0xA1, uint8_t(0x10 | (blankType & 0x07)), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
            PutBe32(cdb + 2, blocks == 0xFFFFFFFFu ? 0 : blocks);
            status =
                device.ExecuteCommand(context, cdb, 12, nullptr, 0, NormalMs(device), LScsiDirection::kNone);
        } else if (media == kMediaDvdPlusRw || media == kMediaBdRe || media == kMediaHdDvdRam) {
            status = FormatOverwritable(result, context, device, media, blocks);
            if (status == 2 && !result.Ok() && !device.SenseIs(3, 0x57, 0))
                return;
        } else {
            result.Set(kBurnScsiError, "This disc cannot be erased");
            return;
        }
        if (status == 1) {
            result.Set(kBurnUserCanceled);
            return;
        }
        if (status != 0 && device.SenseIs(3, 0x57, 0)) {
            if (attempt > 0) {
                result.Set(kBurnUnreadableDisc, nullptr, device.LastSense());
                return;
            }
            LMmcEjectAndReload(result, context, device);
            if (!result.Ok())
                return;
            continue;
        }
        if (status != 0) {
            result.Set(kBurnScsiError, "Erase failed", device.LastSense());
            return;
        }
        LMmcWaitOptions wait;
        wait.budgetMs = 600000;
        wait.finishingOperation = true;
        context.BeginIndeterminateProgress();
        LMmcWaitUnitReady(result, context, device, wait);
        context.EndIndeterminateProgress();
        return;
    }
}

namespace {

// Blocks before a lead-out start given as minute, second and frame; the
// address counts the two-second pre-gap of the first track.
uint32_t BlocksBeforeMsf(uint8_t minute, uint8_t second, uint8_t frame)
{
    const uint32_t frames = (uint32_t(minute) * 60 + second) * 75 + frame;
    return frames > 150 ? frames - 150 : 0;
}

} // namespace

void LMmcGetWritableBlocks(LBurnResult& result, LProcessContext& context, LScsiDevice& device,
                           const LMmcDiscInfo& disc, uint32_t media, uint32_t& blocks)
{
    result.Clear();
    blocks = 0;
    uint32_t count = 0;
    if (media >= kMediaDvdR && media != kMediaDvdPlusR) {
        if (media == kMediaBdRe) {
            blocks = LMmcGetExistingSessionSize(context, device, media, true);
            if (blocks != 0)
                return;
        }
        const int64_t formatted = LMmcReadFormatCapacities(context, device, media, count, false);
        if (formatted != -1) {
            blocks = uint32_t(formatted);
            return;
        }
    }
    const uint8_t* leadOut = disc.raw + 20;
    const bool allFf = leadOut[1] == 0xFF && leadOut[2] == 0xFF && leadOut[3] == 0xFF;
    const bool allZero = leadOut[1] == 0 && leadOut[2] == 0 && leadOut[3] == 0;
    if (!allFf && !allZero) {
        if (media == kMediaDvdPlusR) {
            const uint32_t end = Be32(disc.raw + 20);
            const uint32_t start = Be32(disc.raw + 16);
            blocks = end > start ? end - start : 0;
        } else {
            blocks = BlocksBeforeMsf(leadOut[1], leadOut[2], leadOut[3]);
        }
        return;
    }
    LMmcAtip atip;
    LMmcReadAtip(result, context, device, atip);
    if (result.Ok()) {
        blocks = BlocksBeforeMsf(atip.raw[12], atip.raw[13], atip.raw[14]);
        return;
    }
    result.Clear();
    const int64_t formatted = LMmcReadFormatCapacities(context, device, media, count, false);
    if (formatted != -1) {
        blocks = uint32_t(formatted);
        return;
    }
    LMmcTrackInfo track;
    LMmcReadTrackInformation(result, context, device, track, 255);
    // A failed read keeps its own code 46: the drive did not answer, which
    // says nothing about the disc being burned already.
    if (!result.Ok())
        return;
    if (track.freeBlocks == 0) {
        result.Set(kBurnDiscAlreadyBurned);
        return;
    }
    if (track.freeBlocks == 0xFFFFFFFFu) {
        result.Set(kBurnDiscUnreadable);
        return;
    }
    blocks = track.freeBlocks;
}
