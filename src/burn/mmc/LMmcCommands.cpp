#include "burn/mmc/LMmcCommands.h"

#include "burn/LMediaType.h"
#include "burn/mmc/LMmcFields.h"
#include "foundation/threads/LProcessContext.h"

#include <algorithm>
#include <cstring>

namespace {

// Code 46 with the command's text and the sense of its failure.
void FailScsi(LBurnResult& result, const LScsiDevice& device, const char* text)
{
    result.Set(kBurnScsiError, text, device.LastSense());
}

// 0 done; 1 and 2 leave code 1 or the command's code-46 text in `result`.
int Run(LBurnResult& result, LProcessContext& context, LScsiDevice& device, const uint8_t* cdb,
        uint8_t cdbLength, void* buffer, uint32_t length, uint32_t timeoutMs, LScsiDirection direction,
        const char* failText)
{
    const int status = device.ExecuteCommand(context, cdb, cdbLength, buffer, length, timeoutMs, direction);
    if (status == 1)
        result.Set(kBurnUserCanceled);
    else if (status != 0)
        FailScsi(result, device, failText);
    return status;
}

bool IsNotYet(const LScsiSense& s)
{
    return (s.senseKey == 6 && s.additionalSenseCode == 0x28) ||
           (s.senseKey == 2 && s.additionalSenseCode == 0x04) ||
           (s.senseKey == 2 && s.additionalSenseCode == 0x3A) ||
           (s.senseKey == 2 && s.additionalSenseCode == 0x00);
}

bool IsCdMedia(uint32_t media)
{
    return media == kMediaCdR || media == kMediaCdRw || media == kMediaCdRom;
}

uint32_t SpeedUnit(uint32_t media)
{
    if (IsCdMedia(media))
        return 177; // 1x CD, 176.4 kB/s rounded as drives do
    if (media >= kMediaDvdR && media <= kMediaDvdRam)
        return 1385;
    if (media == kMediaHdDvdR || media == kMediaHdDvdRam || media == kMediaBdR || media == kMediaBdRe)
        return 4495;
    return 0; // read-only media: the drive's own speed
}

} // namespace

void LMmcReadDiscInformation(LBurnResult& result, LProcessContext& context, LScsiDevice& device,
                             LMmcDiscInfo& info)
{
    static const char* kText = "read disc information failed";
    result.Clear();
    info = {};
    uint8_t head[4] = {};
    uint8_t cdb[10] = {0x51, 0, 0, 0, 0, 0, 0, 0, 4, 0};
    if (Run(result, context, device, cdb, 10, head, 4, NormalMs(device), LScsiDirection::kFromDevice,
            kText) != 0)
        return;
    if (device.BytesMoved() < 2) {
        FailScsi(result, device, kText);
        return;
    }
    const uint32_t reported = Be16(head);
    if (reported == 0) {
        // Some drives answer a blank rewritable disc with nothing at all.
        info.raw[2] = 0x10;
        return;
    }
    const uint32_t length = std::min<uint32_t>(reported + 2, 65535);
    std::vector<uint8_t> reply(length, 0);
    cdb[7] = uint8_t(length >> 8);
    cdb[8] = uint8_t(length);
    if (Run(result, context, device, cdb, 10, reply.data(), length, NormalMs(device),
            LScsiDirection::kFromDevice, kText) != 0)
        return;
    const uint32_t moved = device.BytesMoved();
    if (moved < 8) {
        FailScsi(result, device, kText);
        return;
    }
    std::memcpy(info.raw, reply.data(), std::min<uint32_t>(moved, sizeof info.raw));
}

void LMmcReadTrackInformation(LBurnResult& result, LProcessContext& context, LScsiDevice& device,
                              LMmcTrackInfo& info, uint8_t track)
{
    static const char* kText = "Read Track Information - Invalid Track";
    result.Clear();
    info = {};
    uint8_t head[4] = {};
    uint8_t cdb[10] = {0x52, 0x01, 0, 0, 0, track, 0, 0, 4, 0};
    if (Run(result, context, device, cdb, 10, head, 4, NormalMs(device), LScsiDirection::kFromDevice,
            kText) != 0)
        return;
    if (device.BytesMoved() < 2) {
        FailScsi(result, device, kText);
        return;
    }
    const uint32_t reported = Be16(head);
    if (reported == 0) {
        result.Set(kBurnScsiError, "Read Track Information - No Data Returned", device.LastSense());
        return;
    }
    const uint32_t length = std::min<uint32_t>(reported + 2, 65535);
    std::vector<uint8_t> reply(length, 0);
    cdb[7] = uint8_t(length >> 8);
    cdb[8] = uint8_t(length);
    if (Run(result, context, device, cdb, 10, reply.data(), length, NormalMs(device),
            LScsiDirection::kFromDevice, kText) != 0)
        return;
    const uint32_t moved = device.BytesMoved();
    // Everything the burner relies on lies within the first 32 bytes.
    if (moved < 32) {
        FailScsi(result, device, kText);
        return;
    }
    std::memcpy(info.raw, reply.data(), std::min<uint32_t>(moved, sizeof info.raw));
    info.trackStart = Be32(info.raw + 8);
    info.nextWritableValid = (info.raw[7] & 0x01) != 0;
    info.nextWritable = info.nextWritableValid ? Be32(info.raw + 12) : 0;
    info.freeBlocks = Be32(info.raw + 16);
    info.fixedPacketSize = Be32(info.raw + 20);
    info.trackSize = Be32(info.raw + 24);
    info.lastRecorded = Be32(info.raw + 28);
}

void LMmcWaitUnitReady(LBurnResult& result, LProcessContext& context, LScsiDevice& device,
                       const LMmcWaitOptions& options)
{
    result.Clear();
    LMmcClock& clock = device.Clock();
    const uint64_t start = clock.NowMs();
    const uint32_t limit = options.budgetMs != 0 ? options.budgetMs : kMmcLongestWaitMs;
    bool shownFinishing = false;
    auto cancelled = [&]() {
        if (options.finishingOperation) {
            if (!shownFinishing)
                context.MessageLevel("Waiting for drive to finish operation...", 0);
            shownFinishing = true;
            return false;
        }
        context.MessageLevel("Waiting for operation to complete...", 0);
        result.Set(kBurnUserCanceled);
        return true;
    };
    for (;;) {
        LBurnResult poll;
        bool timedOut = false;
        if (options.poll == LMmcPoll::kDiscInformation) {
            LMmcDiscInfo disc;
            LMmcReadDiscInformation(poll, context, device, disc);
            if (poll.Ok()) {
                LMmcTrackInfo track;
                LMmcReadTrackInformation(poll, context, device, track, 255);
            }
            timedOut = device.LastTimedOut();
        } else {
            const uint8_t cdb[6] = {};
            const int status = device.ExecuteCommand(context, cdb, 6, nullptr, 0, 0, LScsiDirection::kNone);
            timedOut = device.LastTimedOut();
            if (status == 1)
                poll.Set(kBurnUserCanceled);
            else if (status != 0)
                poll.Set(kBurnScsiError);
        }
        if ((poll.code == kBurnUserCanceled || context.IsStopRequested()) && cancelled())
            return;
        if (poll.code != kBurnUserCanceled && !poll.Ok()) {
            if (timedOut) {
                // A drive that does not even answer is as good as absent.
                result.Set(kBurnDriveMissing, device.Transport().Name().c_str());
                return;
            }
            const LScsiSense sense = device.LastSense();
            if (options.noDiscIsError && sense.senseKey == 2 && sense.additionalSenseCode == 0x3A) {
                result.Set(kBurnNoDisc, nullptr, sense);
                return;
            }
            if (!IsNotYet(sense))
                return; // surfaces at the next command
        } else if (poll.Ok()) {
            return;
        }
        if (clock.NowMs() - start >= limit)
            break;
        if (clock.Sleep(context, 200) && cancelled())
            return;
        if (clock.NowMs() - start >= limit)
            break;
    }
    if (device.SenseIs(2, 0x04, 0x01) || device.SenseIs(6, 0x28, 0x00))
        result.Set(kBurnDriveNotReady);
    else if (device.SenseKeyAscIs(2, 0x3A))
        result.Set(kBurnNoDisc, nullptr, device.LastSense());
    else
        result.Set(kBurnScsiError, "Wait unit ready failed", device.LastSense());
}

void LMmcWaitMechanismReady(LBurnResult& result, LProcessContext& context, LScsiDevice& device)
{
    static const char* kText = "Wait mechanism ready failed";
    result.Clear();
    if (!device.HasFeature(context, 0x0003, false) && !device.HasFeature(context, 0x0102, false))
        return;
    LMmcClock& clock = device.Clock();
    const uint64_t start = clock.NowMs();
    for (;;) {
        uint8_t status[8] = {};
        const uint8_t cdb[12] = {0xBD, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0, 0};
        if (Run(result, context, device, cdb, 12, status, 8, NormalMs(device), LScsiDirection::kFromDevice,
                kText) != 0)
            return;
        if (device.BytesMoved() < 1) {
            FailScsi(result, device, kText);
            return;
        }
        const uint8_t changer = (status[0] >> 5) & 0x03;
        if (changer == 0 || changer == 3)
            return;
        if (clock.NowMs() - start >= 60000) {
            result.Set(kBurnDriveNotReady);
            return;
        }
        if (clock.Sleep(context, 100)) {
            result.Set(kBurnUserCanceled);
            return;
        }
    }
}

int LMmcModeSense(LProcessContext& context, LScsiDevice& device, uint8_t* out, uint32_t length, uint8_t page)
{
    uint8_t head[8] = {};
    uint8_t cdb[10] = {0x5A, 0x08, page, 0, 0, 0, 0, 0, 8, 0};
    if (device.ExecuteCommand(context, cdb, 10, head, 8, NormalMs(device), LScsiDirection::kFromDevice) !=
            0 ||
        device.BytesMoved() < 2)
        return -1;
    const uint32_t want = std::min<uint32_t>(std::min<uint32_t>(length + 8, Be16(head) + 2u), 65535);
    std::vector<uint8_t> reply(want, 0);
    cdb[7] = uint8_t(want >> 8);
    cdb[8] = uint8_t(want);
    if (device.ExecuteCommand(context, cdb, 10, reply.data(), want, NormalMs(device),
                              LScsiDirection::kFromDevice) != 0)
        return 0;
    const uint32_t moved = device.BytesMoved();
    if (moved < 10 || (reply[8] & 0x3F) != page)
        return 0;
    std::memset(out, 0, length);
    std::memcpy(out, reply.data() + 8, std::min(moved - 8, length));
    return int(moved);
}

int LMmcModeSelect(LProcessContext& context, LScsiDevice& device, const uint8_t* page, uint32_t length)
{
    if (length < 2)
        return 2;
    uint8_t head[8] = {};
    const uint8_t senseCdb[10] = {0x5A, 0x08, uint8_t(page[0] & 0x3F), 0, 0, 0, 0, 0, 8, 0};
    if (device.ExecuteCommand(context, senseCdb, 10, head, 8, NormalMs(device),
                              LScsiDirection::kFromDevice) != 0 ||
        device.BytesMoved() < 8)
        return 2;
    const uint32_t drivePage = Be16(head) + 2u > 8 ? Be16(head) + 2u - 8 : 0;
    const uint32_t pageBytes = std::min(drivePage, length);
    if (pageBytes < 2)
        return 2;
    std::vector<uint8_t> list(8 + pageBytes, 0);
    // The mode data length is reserved in a select; drives reject it set.
    list[2] = head[2];
    std::memcpy(list.data() + 8, page, pageBytes);
    list[8] &= 0x3F; // PS is reserved in a select
    list[9] = uint8_t(pageBytes - 2);
    const uint32_t n = uint32_t(list.size());
    const uint8_t cdb[10] = {0x55, 0x10, 0, 0, 0, 0, 0, uint8_t(n >> 8), uint8_t(n), 0};
    return device.ExecuteCommand(context, cdb, 10, list.data(), n, 3000, LScsiDirection::kToDevice) == 0 ? 0
                                                                                                         : 2;
}

void LMmcReadTimeouts(LBurnResult& result, LProcessContext& context, LScsiDevice& device)
{
    result.Clear();
    uint8_t page[12] = {};
    if (LMmcModeSense(context, device, page, sizeof page, 0x1D) < 20) {
        result.Set(kBurnScsiError, "Read mode page 5 failed", device.LastSense());
        return;
    }
    device.normalTimeout = std::max<uint16_t>(Be16(page + 6), 10);
    const uint16_t group2 = Be16(page + 8);
    device.longTimeout = group2 < 5 ? 10 : group2;
    const uint16_t group3 = Be16(page + 10);
    device.thirdTimeout = (page[4] & 0x08) != 0 && group3 >= 100 ? group3 : 100;
}

void LMmcEnableWriteCache(LBurnResult& result, LProcessContext& context, LScsiDevice& device)
{
    result.Clear();
    uint8_t page[12] = {};
    if (LMmcModeSense(context, device, page, sizeof page, 0x08) <= 0) {
        result.Set(kBurnScsiError, "Caching page not implemented", device.LastSense());
        return;
    }
    page[2] = 0x04;
    if (LMmcModeSelect(context, device, page, sizeof page) != 0)
        result.Set(kBurnScsiError, "Setting caching failed", device.LastSense());
}

void LMmcSetWriteMode(LBurnResult& result, LProcessContext& context, LScsiDevice& device, uint8_t page[56])
{
    result.Clear();
    page[0] = 0x05;
    int status = LMmcModeSelect(context, device, page, 56);
    if (status != 0 && (page[2] & 0x40) != 0) {
        page[2] &= uint8_t(~0x40);
        status = LMmcModeSelect(context, device, page, 56);
    }
    if (status != 0) {
        result.Set(kBurnSetWriteModeFailed, "Set Write Mode", device.LastSense());
        return;
    }
    LMmcWaitOptions wait;
    wait.noDiscIsError = true;
    LMmcWaitUnitReady(result, context, device, wait);
}

uint32_t LMmcReserveTrackSize(uint32_t blocks, uint32_t multiple)
{
    uint64_t size = std::max<uint32_t>(blocks, 300);
    if (multiple >= 2)
        size = (size + multiple - 1) / multiple * multiple;
    return uint32_t(std::min<uint64_t>(size, 0xFFFFFFFFu));
}

void LMmcReserveTrack(LBurnResult& result, LProcessContext& context, LScsiDevice& device, uint32_t blocks,
                      uint32_t multiple)
{
    result.Clear();
    const uint32_t size = LMmcReserveTrackSize(blocks, multiple);
    uint8_t cdb[10] = {0x53, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    PutBe32(cdb + 5, size);
    for (int attempt = 0;; ++attempt) {
        const int status = device.ExecuteCommand(context, cdb, 10, nullptr, 0, device.longTimeout * 1000u,
                                                 LScsiDirection::kNone);
        if (status == 0)
            return;
        if (status == 1) {
            result.Set(kBurnUserCanceled);
            return;
        }
        if (device.SenseIs(3, 0x57, 0) || device.SenseIs(3, 0x0C, 0)) {
            if (attempt > 0) {
                result.Set(kBurnUnreadableDisc, nullptr, device.LastSense());
                return;
            }
            LMmcEjectAndReload(result, context, device);
            if (!result.Ok())
                return;
            continue;
        }
        FailScsi(result, device, "Reserve Track");
        return;
    }
}

void LMmcSynchronizeCache(LBurnResult& result, LProcessContext& context, LScsiDevice& device)
{
    result.Clear();
    LMmcWaitOptions before;
    before.budgetMs = 10000;
    before.finishingOperation = true;
    LBurnResult ignored;
    LMmcWaitUnitReady(ignored, context, device, before);
    const uint8_t cdb[10] = {0x35, 0x02, 0, 0, 0, 0, 0, 0, 0, 0};
    const int status = device.ExecuteCommand(context, cdb, 10, nullptr, 0,
                                             std::max(NormalMs(device), 120000u), LScsiDirection::kNone);
    if (status != 0) {
        FailScsi(result, device, "Synchronize Cache");
        return;
    }
    LMmcWaitOptions after;
    after.finishingOperation = true;
    context.BeginIndeterminateProgress();
    LMmcWaitUnitReady(result, context, device, after);
    context.EndIndeterminateProgress();
}

void LMmcCloseTrackSession(LBurnResult& result, LProcessContext& context, LScsiDevice& device,
                           uint8_t function, bool waitWithBusyBar, uint8_t number)
{
    LMmcSynchronizeCache(result, context, device);
    LMmcDiscInfo disc;
    LMmcReadDiscInformation(result, context, device, disc);
    result.Clear();
    if ((disc.raw[2] & 0x0F) == 0x0E)
        return; // complete disc, complete last session: nothing to close
    const uint8_t cdb[10] = {0x5B, 0x01, uint8_t(function & 0x07), 0, 0, number, 0, 0, 0, 0};
    const int status =
        device.ExecuteCommand(context, cdb, 10, nullptr, 0, NormalMs(device), LScsiDirection::kNone);
    // A drive still busy with the previous step accepts the close later; any
    // other refusal is a disc left open, which must not pass as success.
    if (status != 0 && !device.SenseKeyAscIs(2, 0x04)) {
        FailScsi(result, device, "Close Track/Session");
        return;
    }
    LMmcWaitOptions wait;
    wait.poll = LMmcPoll::kDiscInformation;
    wait.finishingOperation = true;
    if (waitWithBusyBar)
        context.BeginIndeterminateProgress();
    LMmcWaitUnitReady(result, context, device, wait);
    if (waitWithBusyBar)
        context.EndIndeterminateProgress();
}

int LMmcLoadOrEject(LProcessContext& context, LScsiDevice& device, bool load)
{
    const uint8_t cdb[6] = {0x1B, 0x01, 0, 0, uint8_t(load ? 0x03 : 0x02), 0};
    return device.ExecuteCommand(context, cdb, 6, nullptr, 0, std::max(NormalMs(device), 30000u),
                                 LScsiDirection::kNone);
}

int LMmcPreventRemoval(LProcessContext& context, LScsiDevice& device, bool prevent)
{
    const uint8_t cdb[6] = {0x1E, 0, 0, 0, uint8_t(prevent ? 1 : 0), 0};
    return device.ExecuteCommand(context, cdb, 6, nullptr, 0, NormalMs(device), LScsiDirection::kNone);
}

void LMmcEjectAndReload(LBurnResult& result, LProcessContext& context, LScsiDevice& device)
{
    result.Clear();
    LMmcPreventRemoval(context, device, false);
    if (LMmcLoadOrEject(context, device, false) != 0) {
        FailScsi(result, device, "Eject failed");
        return;
    }
    LMmcWaitMechanismReady(result, context, device);
    if (!result.Ok())
        return;
    if (LMmcLoadOrEject(context, device, true) != 0) {
        FailScsi(result, device, "Load failed");
        return;
    }
    LMmcWaitOptions wait;
    wait.budgetMs = 60000;
    LMmcWaitUnitReady(result, context, device, wait);
    if (result.Ok())
        LMmcPreventRemoval(context, device, true);
}

void LMmcWriteBlocks(LBurnResult& result, LProcessContext& context, LScsiDevice& device,
                     const uint8_t* buffer, uint32_t lba, uint32_t count, uint32_t blockSize)
{
    result.Clear();
    if (blockSize != 2048)
        device.streaming = false;
    bool reloaded = false;
    const uint64_t start = device.Clock().NowMs();
    for (;;) {
        if (!device.streaming) {
            LMmcWaitOptions wait;
            LMmcWaitUnitReady(result, context, device, wait);
            if (!result.Ok())
                return;
        }
        const uint32_t t3 = device.thirdTimeout;
        uint8_t cdb[12] = {};
        uint8_t cdbLength = 10;
        uint32_t timeout = std::max({NormalMs(device), t3 * 100u, 120000u});
        if (device.streaming) {
            cdb[0] = 0xAA;
            PutBe32(cdb + 2, lba);
            PutBe32(cdb + 6, count);
            cdb[10] = 0x80;
            cdbLength = 12;
            timeout = std::max<uint32_t>(timeout, uint32_t((uint64_t(t3) * count * 100 + 255) / 256));
        } else {
            cdb[0] = 0x2A;
            PutBe32(cdb + 2, lba);
            cdb[7] = uint8_t(count >> 8);
            cdb[8] = uint8_t(count);
        }
        const int status = device.ExecuteCommand(context, cdb, cdbLength, const_cast<uint8_t*>(buffer),
                                                 count * blockSize, timeout, LScsiDirection::kToDevice);
        if (status == 0)
            return;
        if (status == 1) {
            result.Set(kBurnUserCanceled);
            return;
        }
        const LScsiSense sense = device.LastSense();
        if (device.SenseKeyAscIs(2, 0x04)) {
            if (device.Clock().NowMs() - start >= kMmcLongestWaitMs) {
                result.Set(kBurnDriveNotReady, nullptr, sense);
                return;
            }
            LMmcWaitOptions wait;
            LMmcWaitUnitReady(result, context, device, wait);
            if (!result.Ok())
                return;
            continue;
        }
        if (device.SenseIs(5, 0x21, 0x02) || device.SenseIs(5, 0x30, 0x06)) {
            result.Set(kBurnWriteAddressError, nullptr, sense);
            return;
        }
        if (device.SenseIs(5, 0x24, 0) && device.streaming) {
            device.streaming = false;
            continue;
        }
        if (device.SenseIs(3, 0x57, 0) || device.SenseIs(3, 0x0C, 0)) {
            if (reloaded) {
                result.Set(kBurnUnreadableDisc, nullptr, sense);
                return;
            }
            reloaded = true;
            LMmcEjectAndReload(result, context, device);
            if (!result.Ok())
                return;
            continue;
        }
        result.Set(kBurnWriteError, nullptr, sense);
        return;
    }
}

int LMmcReadBlocks(LProcessContext& context, LScsiDevice& device, uint8_t* buffer, uint32_t lba,
                   uint32_t count, uint32_t blockSize)
{
    LBurnResult wait;
    LMmcWaitUnitReady(wait, context, device, LMmcWaitOptions{});
    if (wait.code == kBurnUserCanceled)
        return 1;
    if (count == 0 || count > 255)
        return 2;
    uint8_t cdb[10] = {0x28, 0, 0, 0, 0, 0, 0, 0, uint8_t(count), 0};
    PutBe32(cdb + 2, lba);
    const uint32_t length = count * blockSize;
    const int status = device.ExecuteCommand(context, cdb, 10, buffer, length, NormalMs(device),
                                             LScsiDirection::kFromDevice);
    if (status != 0)
        return status;
    return device.BytesMoved() == length ? 0 : 2;
}

int LMmcGetPerformance(LProcessContext& context, LScsiDevice& device, LMmcPerformance& performance)
{
    performance = {};
    uint8_t reply[328] = {};
    uint8_t cdb[12] = {0xAC, 0, 0, 0, 0, 0, 0, 0, 0, 20, 3, 0};
    int status = device.ExecuteCommand(context, cdb, 12, reply, sizeof reply, NormalMs(device),
                                       LScsiDirection::kFromDevice);
    if (status == 0) {
        const uint32_t moved = device.BytesMoved();
        for (uint32_t at = 8; at + 16 <= moved && performance.writeSpeeds.size() < 20; at += 16) {
            const uint32_t write = Be32(reply + at + 12);
            performance.maxRead = std::max(performance.maxRead, Be32(reply + at + 8));
            performance.maxWrite = std::max(performance.maxWrite, write);
            if (write != 0)
                performance.writeSpeeds.push_back(write);
        }
        return 0;
    }
    if (status == 1)
        return 1;
    std::memset(reply, 0, sizeof reply);
    cdb[1] = 0x14;
    cdb[10] = 0;
    status = device.ExecuteCommand(context, cdb, 12, reply, sizeof reply, NormalMs(device),
                                   LScsiDirection::kFromDevice);
    if (status != 0)
        return status;
    const uint32_t moved = device.BytesMoved();
    for (uint32_t at = 8; at + 16 <= moved; at += 16)
        performance.maxWrite = std::max(performance.maxWrite, Be32(reply + at + 12));
    return 0;
}

uint32_t LMmcWriteSpeedFor(int factor, uint32_t media, uint32_t maxWriteSpeed)
{
    if (factor <= 0)
        return 0xFFFF;
    const uint64_t speed = uint64_t(factor) * SpeedUnit(media);
    if (maxWriteSpeed != 0 && speed > maxWriteSpeed)
        return maxWriteSpeed;
    return uint32_t(std::min<uint64_t>(speed, 0xFFFF));
}

void LMmcSetSpeed(LBurnResult& result, LProcessContext& context, LScsiDevice& device, uint32_t maxReadSpeed,
                  uint32_t maxWriteSpeed, uint32_t media, uint32_t endLba, int factor)
{
    result.Clear();
    LMmcWaitOptions ready;
    ready.stopOnCancel = false;
    if (IsCdMedia(media)) {
        device.streaming = false;
        const uint32_t write = LMmcWriteSpeedFor(factor, media, maxWriteSpeed);
        const uint32_t read = maxReadSpeed != 0 ? std::min<uint32_t>(maxReadSpeed, 0xFFFF) : 0xFFFF;
        // Rewritable CDs written at constant angular velocity say so.
        const uint8_t cav = device.HasFeature(context, 0x0027, false) ? 1 : 0;
        const uint8_t cdb[12] = {
            0xBB, cav, uint8_t(read >> 8), uint8_t(read), uint8_t(write >> 8), uint8_t(write), 0, 0, 0, 0,
            0,    0};
        if (Run(result, context, device, cdb, 12, nullptr, 0, NormalMs(device), LScsiDirection::kNone,
                "Set CD Speed failed") != 0)
            return;
        LMmcWaitUnitReady(result, context, device, ready);
        return;
    }
    LBurnResult ignored;
    LMmcWaitUnitReady(ignored, context, device, ready);
    if (ignored.code == kBurnUserCanceled) {
        result.Set(kBurnUserCanceled);
        return;
    }
    LMmcPerformance performance;
    const int status = LMmcGetPerformance(context, device, performance);
    if (status == 1) {
        result.Set(kBurnUserCanceled);
        return;
    }
    if (status != 0) {
        FailScsi(result, device, "Set CD Speed failed");
        return;
    }
    uint32_t write = factor > 0
                         ? uint32_t(std::min<uint64_t>(uint64_t(factor) * SpeedUnit(media), 0xFFFFFFFFu))
                         : performance.maxWrite;
    if (maxWriteSpeed != 0 && (write == 0 || write > maxWriteSpeed))
        write = maxWriteSpeed;
    uint32_t read = performance.maxRead != 0 ? performance.maxRead : 0xFFFFFFFFu;
    if (maxReadSpeed != 0)
        read = std::min(read, maxReadSpeed);
    uint8_t descriptor[28] = {};
    PutBe32(descriptor + 8, endLba);
    PutBe32(descriptor + 12, read);
    PutBe32(descriptor + 16, 1000);
    PutBe32(descriptor + 20, write != 0 ? write : 0xFFFFFFFFu);
    PutBe32(descriptor + 24, 1000);
    const uint8_t cdb[12] = {0xB6, 0, 0, 0, 0, 0, 0, 0, 0, 0, sizeof descriptor, 0};
    // Drives without streaming control still write at their own pace.
    device.streaming = device.ExecuteCommand(context, cdb, 12, descriptor, sizeof descriptor,
                                             NormalMs(device), LScsiDirection::kToDevice) == 0;
}

void LMmcReadAtip(LBurnResult& result, LProcessContext& context, LScsiDevice& device, LMmcAtip& atip)
{
    result.Clear();
    atip = {};
    uint8_t cdb[10] = {0x43, 0x02, 0x04, 0, 0, 0, 0, 0, 4, 0};
    uint8_t head[4] = {};
    if (device.ExecuteCommand(context, cdb, 10, head, 4, NormalMs(device), LScsiDirection::kFromDevice) !=
            0 ||
        device.BytesMoved() < 2) {
        result.Set(kBurnScsiError);
        return;
    }
    const uint32_t length = std::min<uint32_t>(Be16(head) + 2u, sizeof atip.raw);
    cdb[8] = uint8_t(length);
    if (device.ExecuteCommand(context, cdb, 10, atip.raw, length, NormalMs(device),
                              LScsiDirection::kFromDevice) != 0 ||
        device.BytesMoved() < 15) {
        atip = {};
        result.Set(kBurnScsiError);
        return;
    }
    atip.dataLength = Be16(atip.raw);
}

uint32_t LMmcReadCapacityBlocks(LProcessContext& context, LScsiDevice& device)
{
    uint8_t reply[8] = {};
    const uint8_t cdb[10] = {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    if (device.ExecuteCommand(context, cdb, 10, reply, 8, NormalMs(device), LScsiDirection::kFromDevice) !=
            0 ||
        device.BytesMoved() < 8)
        return 0;
    const uint32_t last = Be32(reply);
    return last == 0 ? 0 : last + 1;
}
