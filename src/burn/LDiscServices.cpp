#include "burn/LDiscServices.h"

#include "burn/LBurnOptions.h"
#include "burn/LBurnRunningFlag.h"
#include "burn/LLibburnBackend.h"
#include "burn/LMediaProfileTable.h"
#include "foundation/threads/LLocalProcessContext.h"
#include "foundation/threads/LProcessContext.h"

#include <algorithm>
#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

int64_t MsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

} // namespace

uint32_t LMediaTypeCode(LBurnDrive& drive)
{
    return LMediaCodeForProfile(drive.Profile(nullptr));
}

std::unique_ptr<LBurnDrive> LGetBurnDevice(LBurnBackend& backend, uint32_t index, std::string* message)
{
    const std::vector<std::string> addresses = backend.DriveAddresses();
    if (index >= addresses.size()) {
        if (message)
            *message = "";
        return nullptr;
    }
    return backend.Grab(addresses[index], message);
}

int LScanBurnDrives(LProcessContext* context, LBurnBackend& backend, LBurnDriveList& list)
{
    LBurnRunningScope running;
    context->MessageLevel("Scanning Available Drives", 0);
    context->MessageLevel("Please Wait...", 1);
    const std::vector<std::string> addresses = backend.DriveAddresses();
    list.count = 0;
    const uint32_t unit = list.speedUnit == 0 ? 177 : list.speedUnit;
    const size_t count = std::min<size_t>(addresses.size(), kBurnDriveListSize);
    for (size_t i = 0; i < count; ++i) {
        LBurnDriveEntry& entry = list.drives[i];
        entry = LBurnDriveEntry{};
        entry.media = kMediaNoDisc;
        // A drive that cannot be had right now keeps its place in the
        // numbering, with an empty entry.
        std::unique_ptr<LBurnDrive> drive = backend.Grab(addresses[i], nullptr);
        if (drive) {
            const LBurnDriveIdentity id = drive->Identity();
            entry.canWriteCd = id.writeCd;
            entry.canWriteCdSao = id.writeCdSao;
            entry.canWriteDvd = id.writeDvd;
            entry.canWriteDvdPlusR = id.writeDvdPlusR;
            entry.canWriteDvdRam = id.writeDvdRam;
            entry.canWriteBd = id.writeBd;
            entry.canWriteHdDvd = id.writeHdDvd;
            entry.maxWriteSpeed = id.maxWriteSpeed;
            LBurnCopyText(entry.vendor, sizeof entry.vendor, id.vendor.c_str());
            LBurnCopyText(entry.product, sizeof entry.product, id.product.c_str());
            const LBurnDiscStatus status = drive->DiscStatus();
            if (status != LBurnDiscStatus::Unready) {
                entry.blankAndAppendable = status == LBurnDiscStatus::Blank;
                entry.media = LMediaTypeCode(*drive);
                const std::vector<uint32_t> speeds = drive->WriteSpeeds();
                for (uint32_t speed : speeds) {
                    if (entry.speedCount == kBurnSpeedCount)
                        break;
                    entry.speeds[entry.speedCount] = speed;
                    entry.scaledSpeeds[entry.speedCount] = (speed + 20) / unit * 10;
                    ++entry.speedCount;
                }
            }
        }
        list.count = static_cast<uint8_t>(i + 1);
    }
    return list.count > 0 ? 0 : 2;
}

int32_t LGetMediaCapacity(LBurnResult& result, LBurnDrive& drive, int64_t& freeBlocks, int64_t& usedBlocks,
                          uint32_t& media)
{
    result.Clear();
    freeBlocks = usedBlocks = 0;
    media = kMediaNoDisc;
    if (drive.DiscStatus() == LBurnDiscStatus::Unready) {
        result.Set(14);
        return result.code;
    }
    usedBlocks = drive.UsedBlocks();
    freeBlocks = drive.FreeBlocks();
    media = LMediaTypeCode(drive);
    if (usedBlocks != 0)
        result.Set(29);
    return result.code;
}

int32_t LReadDiscState(LBurnResult& result, LBurnBackend& backend, uint32_t index, int64_t& freeBlocks,
                       int64_t& usedBlocks, uint32_t& media)
{
    result.Clear();
    freeBlocks = usedBlocks = 0;
    media = kMediaNoDisc;
    if (index == kBurnNoDrive) {
        result.Set(kBurnScsiError);
        return result.code;
    }
    std::string message;
    std::unique_ptr<LBurnDrive> drive = LGetBurnDevice(backend, index, &message);
    if (!drive) {
        result.Set(kBurnDriveMissing, message.c_str());
        return result.code;
    }
    return LGetMediaCapacity(result, *drive, freeBlocks, usedBlocks, media);
}

int LEraseMedia(LProcessContext* context, LBurnDrive& drive, bool full, const LBurnWaitBounds& bounds,
                std::string* message)
{
    context->MessageLevel("Erasing rewritable disc...", 1);
    if (!drive.StartErase(!full)) {
        if (message)
            *message = drive.LastMessage();
        return 2;
    }
    // Blanking cannot be stopped half-way without leaving an unusable disc:
    // a stop request only makes the wait say what it waits for.
    const LBurnJobOutcome outcome = LRunBurnJob(context, drive, bounds, false);
    if (outcome.status == 2 && message)
        *message = outcome.message;
    return outcome.status;
}

int32_t LWaitForUsableDisc(LBurnResult& result, LProcessContext* context, LBurnDrive& drive,
                           const LDiscWaitOptions& options)
{
    const Clock::time_point start = Clock::now();
    bool asked = false;
    for (bool first = true;; first = false) {
        if (!first && !drive.Reassess())
            return kBurnDriveMissing;
        const LBurnDiscStatus status = drive.DiscStatus();
        if (status == LBurnDiscStatus::Blank)
            return kBurnNoError;
        if (status == LBurnDiscStatus::Unready && first && !drive.Reassess())
            return kBurnDriveMissing;
        if ((status == LBurnDiscStatus::Appendable || status == LBurnDiscStatus::Full) &&
            drive.IsErasable()) {
            if (!options.eraseRewritable)
                return 14;
            if (options.checkOnly)
                return kBurnNoError;
            std::string message;
            const int erased = LEraseMedia(context, drive, options.fullErase, options.bounds, &message);
            if (erased == 1)
                return kBurnUserCanceled;
            if (erased != 0) {
                result.Set(25, message.c_str());
                return 25;
            }
            continue;
        }
        // No disc, or one that cannot be written or erased: ask for another.
        if (!asked) {
            context->MessageLevel("Please insert a media ...", 1);
            asked = true;
        }
        int64_t slice = 1000;
        if (options.discWaitMs >= 0) {
            const int64_t left = options.discWaitMs - MsSince(start);
            if (left <= 0)
                return 14;
            slice = std::min<int64_t>(slice, left);
        }
        if (context->WaitForStop(static_cast<uint32_t>(slice)))
            return kBurnUserCanceled;
    }
}

int LEraseDisc(LBurnResult& result, LProcessContext* context, LBurnBackend& backend, uint32_t index,
               const LDiscWaitOptions& options)
{
    LBurnRunningScope running;
    result.Clear();
    std::string message;
    std::unique_ptr<LBurnDrive> drive =
        index == kBurnNoDrive ? nullptr : LGetBurnDevice(backend, index, &message);
    if (!drive) {
        result.Set(kBurnDriveMissing, message.c_str());
        return 2;
    }
    context->MessageLevel("Erase disc", 0);
    context->BeginIndeterminateProgress();
    LDiscWaitOptions erase = options;
    erase.eraseRewritable = true; // the user asked for exactly this
    const int32_t code = LWaitForUsableDisc(result, context, *drive, erase);
    context->EndIndeterminateProgress();
    if (code == kBurnNoError)
        return 0;
    if (code != 25)
        result.Set(code);
    return code == kBurnUserCanceled ? 1 : 2;
}

int LEraseDisc(LBurnResult& result, LProcessContext* context, LBurnBackend& backend,
               const LBurnOptions& options)
{
    LDiscWaitOptions wait;
    wait.fullErase = options.fullErase;
    return LEraseDisc(result, context, backend, options.driveIndex, wait);
}

int32_t LReadDiscState(LBurnResult& result, LBurnBackend& backend, const LBurnOptions& options,
                       int64_t& freeBlocks, int64_t& usedBlocks, uint32_t& media)
{
    return LReadDiscState(result, backend, options.driveIndex, freeBlocks, usedBlocks, media);
}

void LInstallLibburnDriveScan()
{
    LSetBurnDriveScan([] {
        LLocalProcessContext context;
        LBurnDriveList list;
        std::vector<bool> cd;
        if (LScanBurnDrives(&context, LGetLibburnBackend(), list) == 0)
            for (uint32_t i = 0; i < list.count; ++i)
                cd.push_back(list.drives[i].canWriteCd);
        return cd;
    });
}
