#include "burn/LDataDiscFinalizers.h"

#include "burn/LDiscFileSystems.h"
#include "burn/LMediaType.h"
#include "burn/LProgressWait.h"
#include "burn/mmc/LDriveCapabilities.h"
#include "burn/mmc/LMmcCommands.h"
#include "burn/mmc/LMmcDisc.h"
#include "burn/mmc/LMmcDriveSectorWriter.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Blocks the track must hold: the image from its start sector.
uint32_t Needed(const LDiscImageWriter& image)
{
    return image.lastSector + 1 - image.startSector;
}

void SetWriteMode(LBurnResult& result, LProgressWait& wait, LScsiDevice& device, uint8_t type,
                  uint8_t trackMode, uint8_t blockType, uint8_t linkSize = 0)
{
    uint8_t page[56] = {};
    page[1] = 0x36;
    page[2] = type;
    page[3] = trackMode;
    page[4] = blockType;
    page[5] = linkSize;
    page[14] = 0;
    page[15] = 150;
    LMmcSetWriteMode(result, wait, device, page);
}

void WaitReady(LProgressWait& wait, LScsiDevice& device, LBurnResult& result)
{
    LMmcWaitOptions ready;
    ready.stopOnCancel = false;
    LMmcWaitUnitReady(result, wait, device, ready);
}

// The generator's result takes a close's outcome only when all went well.
void Keep(LDiscImageWriter& image, const LBurnResult& close)
{
    if (image.result.Ok())
        image.result = close;
}

// The closing anchors of a UDF volume on an overwritable disc: readers
// find the volume from the disc's end as well as from sector 256.
void WriteOverwriteAnchors(LProgressWait& wait, LScsiDevice& device, LDiscImageWriter& image,
                           LMmcDriveSectorWriter& writer, bool verify)
{
    LBurnResult& result = image.result;
    const uint32_t block = LDiscBlockSectors(image.mediaCode);
    if (!verify)
        wait.SetStatusText("Writing Anchor Volume Descriptors", 1);
    const uint64_t next = writer.NextSector();
    if (next % block != 0 && !writer.WriteZeros(block - next % block, result))
        return;
    if (!writer.Flush(result))
        return;
    LBurnResult ignored;
    LMmcSynchronizeCache(ignored, wait, device);
    LMmcTrackInfo track;
    LMmcReadTrackInformation(ignored, wait, device, track, 1);
    uint32_t capacity = ignored.Ok() ? track.trackSize : 0;
    if (capacity == 0)
        capacity = LMmcReadCapacityBlocks(wait, device);

    wait.BeginWait("Waiting for drive to finish operation...");
    LMmcClock& clock = device.Clock();
    const uint64_t start = clock.NowMs();
    while (image.mediaCode == kMediaDvdPlusRw) {
        LMmcDiscInfo disc;
        LMmcReadDiscInformation(ignored, wait, device, disc);
        if (ignored.Ok() && disc.BackgroundFormat() == 3)
            break;
        if (clock.NowMs() - start >= kMmcLongestWaitMs)
            break;
        if (clock.Sleep(wait, 100)) {
            wait.EndWait();
            result.Set(kBurnUserCanceled);
            return;
        }
    }
    wait.EndWait();
    if (verify)
        return;
    // Without UDF there is no volume for an anchor to point at.
    if (!image.hasUdf || capacity <= 257)
        return;
    wait.SetStatusText("Writing Anchor Volume Descriptors", 1);
    std::vector<uint8_t> anchor(2048);
    for (const uint32_t at : {capacity - 257, capacity - 1}) {
        if (at <= image.lastSector)
            continue;
        // At most one block of zeros before each anchor.
        const uint32_t from =
            std::max<uint32_t>(image.lastSector + 1, at >= block - 1 ? at - (block - 1) : 0);
        LMmcDriveSectorWriter tail(wait, device, from, block, false);
        if (!image.ClosingAnchor(at, anchor.data()))
            return;
        if (!tail.WriteZeros(at - from, result) || !tail.Write(anchor.data(), 1, result) ||
            !tail.Flush(result))
            return;
    }
    LMmcSynchronizeCache(ignored, wait, device);
}

} // namespace

void LWriteImageToTarget(LProgressWait& wait, LScsiDevice& device, int outputFd, LDiscImageWriter& image,
                         bool verify)
{
    if (outputFd >= 0) {
        image.WriteImageFile(&wait, outputFd, verify);
        return;
    }
    const bool overwrite = image.mediaCode == kMediaDvdPlusRw || image.mediaCode == kMediaBdRe;
    LMmcDriveSectorWriter writer(wait, device, image.startSector, LDiscBlockSectors(image.mediaCode), verify);
    image.WriteImage(&wait, writer);
    if (!image.result.Ok() || !overwrite)
        return;
    WriteOverwriteAnchors(wait, device, image, writer, verify);
}

void LFinalizeCdTao(LProgressWait& wait, LScsiDevice& device, int outputFd, LDiscImageWriter& image)
{
    SetWriteMode(image.result, wait, device, 0x41, 0x06, 0x08);
    if (!image.result.Ok())
        return;
    LBurnResult ignored;
    LMmcReserveTrack(ignored, wait, device, Needed(image), 1);
    WaitReady(wait, device, ignored);
    LWriteImageToTarget(wait, device, outputFd, image, false);
    if (!image.result.Ok())
        return;
    wait.SetStatusText("Finalizing this disc", 1);
    LMmcSynchronizeCache(ignored, wait, device);
    LBurnResult close;
    LMmcCloseTrackSession(close, wait, device, 1, false, 1);
    if (close.code < 2)
        LMmcCloseTrackSession(close, wait, device, 2, true, 1);
    Keep(image, close);
}

// DVD-R and incremental DVD-RW: one track reserved at the image's size in
// incremental mode, then the image written into it; false with the result
// set when a step fails.
static bool WriteReservedTrack(LProgressWait& wait, LScsiDevice& device, int outputFd, LDiscImageWriter& image)
{
    SetWriteMode(image.result, wait, device, 0x42, 0x05, 0x08);
    if (!image.result.Ok())
        return false;
    LMmcReserveTrack(image.result, wait, device, Needed(image), 16);
    if (!image.result.Ok())
        return false;
    WaitReady(wait, device, image.result);
    if (!image.result.Ok())
        return false;
    LWriteImageToTarget(wait, device, outputFd, image, false);
    return image.result.Ok();
}

void LFinalizeDvdR(LProgressWait& wait, LScsiDevice& device, int outputFd, LDiscImageWriter& image)
{
    if (!WriteReservedTrack(wait, device, outputFd, image))
        return;
    wait.SetStatusText("Finalizing the disc. This could take several minutes...", 1);
    LBurnResult close;
    LMmcSynchronizeCache(close, wait, device);
    LMmcCloseTrackSession(close, wait, device, 1, true, 1);
    if (close.code < 2)
        LMmcCloseTrackSession(close, wait, device, 2, true, 1);
    Keep(image, close);
}

void LFinalizeDvdRw(LProgressWait& wait, LScsiDevice& device, int outputFd, LDiscImageWriter& image)
{
    LDriveCapabilities capabilities;
    LBurnResult ignored;
    LMmcGetDriveCapabilities(ignored, wait, device, capabilities);
    if (!capabilities.incrementalStreaming) {
        LFinalizeRestrictedOverwrite(wait, device, outputFd, image);
        return;
    }
    if (!WriteReservedTrack(wait, device, outputFd, image))
        return;
    wait.SetStatusText("Finalizing the disc. This could take several minutes...", 1);
    LBurnResult close;
    LMmcSynchronizeCache(close, wait, device);
    LMmcCloseTrackSession(close, wait, device, 1, true, 1);
    if (close.code >= 2) {
        LMmcCloseTrackSession(close, wait, device, 2, true, 255);
        if (close.code >= 2)
            LMmcCloseTrackSession(close, wait, device, 3, true, 255);
    }
    Keep(image, close);
}

void LFinalizeSequential(LProgressWait& wait, LScsiDevice& device, int outputFd, LDiscImageWriter& image)
{
    LMmcReserveTrack(image.result, wait, device, Needed(image), 16);
    if (!image.result.Ok())
        return;
    WaitReady(wait, device, image.result);
    if (!image.result.Ok())
        return;
    LWriteImageToTarget(wait, device, outputFd, image, false);
    if (!image.result.Ok())
        return;
    wait.SetStatusText("Closing this disc", 1);
    LBurnResult close;
    LMmcSynchronizeCache(close, wait, device);
    if (image.mediaCode == kMediaBdR) {
        LMmcCloseTrackSession(close, wait, device, 6, true, 1);
    } else {
        LMmcCloseTrackSession(close, wait, device, 1, true, 1);
        if (close.code < 2) {
            wait.SetStatusText("Finalizing this disc", 1);
            LMmcCloseTrackSession(close, wait, device, 5, true, 1);
        }
    }
    Keep(image, close);
}

void LFinalizeOverwrite(LProgressWait& wait, LScsiDevice& device, int outputFd, LDiscImageWriter& image)
{
    WaitReady(wait, device, image.result);
    if (!image.result.Ok())
        return;
    LWriteImageToTarget(wait, device, outputFd, image, false);
    if (!image.result.Ok())
        return;
    LBurnResult ignored;
    LMmcSynchronizeCache(ignored, wait, device);
    if (image.mediaCode == kMediaBdRe)
        return;
    LMmcDiscInfo disc;
    LMmcReadDiscInformation(ignored, wait, device, disc);
    if (disc.BackgroundFormat() != 3) {
        wait.SetStatusText("Waiting for drive to finish operation...", 1);
        LMmcCloseTrackSession(ignored, wait, device, 3, true, 1);
        if (!ignored.Ok())
            LMmcCloseTrackSession(ignored, wait, device, 1, true, 1);
    }
}

void LFinalizeRestrictedOverwrite(LProgressWait& wait, LScsiDevice& device, int outputFd,
                                  LDiscImageWriter& image)
{
    LBurnResult& result = image.result;
    uint8_t page[56] = {};
    page[1] = 0x36;
    page[2] = 0x20;
    page[3] = 0x05;
    page[4] = 0x08;
    page[5] = 0x10;
    page[15] = 150;
    LBurnResult ignored;
    LMmcSetWriteMode(ignored, wait, device, page);
    wait.SetStatusText("Creating new session", 1);

    LMmcDiscInfo disc;
    LMmcReadDiscInformation(ignored, wait, device, disc);
    uint32_t count = 0;
    const int64_t capacity = LMmcReadFormatCapacities(wait, device, image.mediaCode, count, true);
    auto format = [&](uint8_t type, uint32_t blocks) {
        uint8_t list[12] = {0, 0x02, 0, 8};
        list[4] = uint8_t(blocks >> 24);
        list[5] = uint8_t(blocks >> 16);
        list[6] = uint8_t(blocks >> 8);
        list[7] = uint8_t(blocks);
        list[8] = type;
        list[11] = 16;
        const uint8_t cdb[6] = {0x04, 0x11, 0, 0, 0, 0};
        return device.ExecuteCommand(wait, cdb, 6, list, sizeof list,
                                     std::max(device.normalTimeout * 1000u, 60000u),
                                     LScsiDirection::kToDevice);
    };
    int status = 0;
    if (disc.Status() == 0 || capacity <= 0) {
        status = format(0x54, Needed(image));
    } else {
        const uint64_t end = uint64_t(image.lastSector) + 25553;
        const uint32_t grow =
            end > uint64_t(capacity) ? uint32_t(end - uint64_t(capacity) - image.startSector) : 16;
        status = format(0x4C, grow);
        if (status == 2)
            status = format(0x54, Needed(image));
    }
    if (status == 1) {
        result.Set(kBurnUserCanceled);
        return;
    }
    if (status != 0) {
        result.Set(kBurnScsiError, "Format Unit", device.LastSense());
        return;
    }
    wait.BusyOn();
    LMmcWaitOptions ready;
    ready.stopOnCancel = false;
    ready.finishingOperation = true;
    LMmcWaitUnitReady(result, wait, device, ready);
    wait.BusyOff();
    if (!result.Ok())
        return;
    page[2] = 0x60;
    LMmcSetWriteMode(result, wait, device, page);
    if (!result.Ok())
        return;
    wait.SetStatusText("Please Wait...", 1);
    WaitReady(wait, device, result);
    if (!result.Ok())
        return;
    LWriteImageToTarget(wait, device, outputFd, image, false);
    if (!result.Ok())
        return;
    WaitReady(wait, device, ignored);
    WaitReady(wait, device, ignored);
    LMmcSynchronizeCache(ignored, wait, device);
    wait.SetStatusText("Closing this disc", 1);
    LBurnResult close;
    LMmcCloseTrackSession(close, wait, device, 1, true, 1);
    LMmcCloseTrackSession(close, wait, device, 2, true, 1);
    Keep(image, close);
}
