#include "burn/mmc/LDriveCapabilities.h"

#include "burn/LMediaProfileTable.h"
#include "burn/mmc/LMmcCommands.h"
#include "burn/mmc/LMmcFields.h"

#include <algorithm>
#include <cstring>

namespace {

// The descriptor's byte 4 when the feature is present.
bool FeatureByte(LProcessContext& context, LScsiDevice& device, uint16_t feature, uint8_t& byte4)
{
    LFeatureHeader header;
    uint8_t descriptor[8] = {};
    byte4 = 0;
    if (device.GetConfiguration(context, feature, header, descriptor, sizeof descriptor) != 0)
        return false;
    if (header.dataLength < 8 || device.BytesMoved() < 12 ||
        uint16_t((descriptor[0] << 8) | descriptor[1]) != feature)
        return false;
    if (device.BytesMoved() >= 13)
        byte4 = descriptor[4];
    return true;
}

uint32_t RoundUp32(uint32_t blocks)
{
    return uint32_t((uint64_t(blocks) + 31) / 32 * 32);
}

} // namespace

std::string LDriveCapabilities::WriteList() const
{
    std::string out;
    auto add = [&](bool on, const char* name) {
        if (!on)
            return;
        if (!out.empty())
            out += ',';
        out += name;
    };
    // The same words the audio-CD drive scan prints.
    add(cdWrite, "cd");
    add(cdSao, "cd-sao");
    add(dvdRWrite || dvdRDlWrite || dvdRwWrite, "dvd-r");
    add(dvdPlusRWrite || dvdPlusRDlWrite || dvdPlusRwWrite || dvdPlusRwDlWrite, "dvd+r");
    add(dvdRamWrite, "dvd-ram");
    add(bdWrite, "bd-r");
    add(hdDvdWrite, "hd-dvd-r");
    return out.empty() ? "-" : out;
}

void LMmcGetDriveCapabilities(LBurnResult& result, LProcessContext& context, LScsiDevice& device,
                              LDriveCapabilities& caps)
{
    result.Clear();
    caps = LDriveCapabilities{};
    uint8_t page[22] = {};
    const bool havePage = LMmcModeSense(context, device, page, sizeof page, 0x2A) > 8 + 3;
    uint8_t byte4 = 0;
    if (FeatureByte(context, device, 0x002D, byte4) || FeatureByte(context, device, 0x0027, byte4))
        caps.cdWrite = true;
    if (FeatureByte(context, device, 0x002E, byte4)) {
        caps.cdWrite = true;
        caps.cdSao = true;
    }
    if (!caps.cdWrite && havePage && (page[3] & 0x03) != 0) {
        caps.cdWrite = true;
        caps.cdSao = true;
    }
    if (FeatureByte(context, device, 0x002F, byte4)) {
        caps.dvdRWrite = true;
        caps.dvdRDlWrite = (byte4 & 0x08) != 0;
        caps.dvdRwWrite = (byte4 & 0x02) != 0;
    }
    // The page's DVD-R bit speaks of DVD-R, not DVD+R.
    if (havePage && (page[3] & 0x10) != 0)
        caps.dvdRWrite = true;
    if (FeatureByte(context, device, 0x002B, byte4))
        caps.dvdPlusRWrite = (byte4 & 0x01) != 0;
    if (FeatureByte(context, device, 0x003B, byte4))
        caps.dvdPlusRDlWrite = (byte4 & 0x01) != 0;
    if (FeatureByte(context, device, 0x002A, byte4))
        caps.dvdPlusRwWrite = (byte4 & 0x01) != 0;
    if (FeatureByte(context, device, 0x003A, byte4))
        caps.dvdPlusRwDlWrite = (byte4 & 0x01) != 0;
    caps.dvdRamWrite = havePage && (page[3] & 0x20) != 0;

    LFeatureHeader header;
    uint8_t removable[8] = {};
    const int status = device.GetConfiguration(context, 0x0003, header, removable, sizeof removable);
    if (status == 1) {
        result.Set(kBurnUserCanceled);
        return;
    }
    if (status != 0) {
        result.Set(kBurnDeviceNotReady, nullptr, device.LastSense());
        return;
    }
    caps.bdWrite = FeatureByte(context, device, 0x0041, byte4);
    caps.hdDvdWrite = FeatureByte(context, device, 0x0051, byte4);
    caps.incrementalStreaming = FeatureByte(context, device, 0x0021, byte4);
    LMmcPerformance performance;
    if (LMmcGetPerformance(context, device, performance) == 0) {
        caps.maxReadSpeed = performance.maxRead;
        caps.maxWriteSpeed = performance.maxWrite;
        caps.writeSpeeds = performance.writeSpeeds;
    }
    caps.unitSpeed = FeatureByte(context, device, 0x0040, byte4)   ? 4495
                     : FeatureByte(context, device, 0x001F, byte4) ? 1385
                                                                   : 177;
}

void LMmcIdentifyMedia(LBurnResult& result, LProcessContext& context, LScsiDevice& device, uint32_t& media,
                       int* profileOut)
{
    result.Clear();
    LFeatureHeader header;
    uint8_t first[8] = {};
    const int status = device.GetConfiguration(context, 0x0000, header, first, 0);
    if (status == 1) {
        result.Set(kBurnUserCanceled);
        return;
    }
    if (status != 0 && header.dataLength == 0) {
        // Drives without GET CONFIGURATION are CD drives.
        LMmcDiscInfo disc;
        LMmcReadDiscInformation(result, context, device, disc);
        media = disc.Erasable() ? kMediaCdRw : kMediaCdR;
        return;
    }
    if (header.dataLength == 0)
        return;
    const uint32_t length = std::min<uint32_t>(header.dataLength + 4, 65535 - 8);
    std::vector<uint8_t> list(length, 0);
    if (device.GetConfiguration(context, 0x0000, header, list.data(), length) != 0 &&
        (header.dataLength == 0 || device.BytesMoved() < 8)) {
        result.Set(kBurnScsiError, nullptr, device.LastSense());
        return;
    }
    if (header.dataLength <= 11) {
        result.Set(kBurnScsiError, "Failed to get the drive capacities.", device.LastSense());
        return;
    }
    const uint32_t available = std::min<uint32_t>(device.BytesMoved() - 8, length);
    int profile = -1;
    if (available >= 4) {
        const uint32_t end = std::min<uint32_t>(available, 4u + list[3]);
        for (uint32_t at = 4; at + 4 <= end; at += 4) {
            const int number = (list[at] << 8) | list[at + 1];
            if ((list[at + 2] & 0x01) != 0 && number > profile)
                profile = number;
        }
    }
    if (profile < 0)
        profile = header.currentProfile;
    if (profileOut != nullptr)
        *profileOut = profile;
    media = LMediaCodeForProfile(profile);
}

uint32_t LMmcGetExistingSessionSize(LProcessContext& context, LScsiDevice& device, uint32_t media,
                                    bool capacityOnly)
{
    if (!capacityOnly) {
        std::vector<uint8_t> block(2048);
        uint32_t size = 0;
        if (LMmcReadBlocks(context, device, block.data(), 16, 1, 2048) == 0) {
            if (block[0] == 1 && std::memcmp(&block[1], "CD001", 5) == 0)
                size = Be32(&block[84]);
            if (LMmcReadBlocks(context, device, block.data(), 256, 1, 2048) == 0 && block[0] == 2 &&
                block[1] == 0) {
                const uint32_t main =
                    block[20] | (block[21] << 8) | (block[22] << 16) | (uint32_t(block[23]) << 24);
                if (LMmcReadBlocks(context, device, block.data(), main, 1, 2048) == 0 && block[0] == 1 &&
                    block[1] == 0) {
                    for (uint32_t i = 1; i <= 16; ++i) {
                        if (LMmcReadBlocks(context, device, block.data(), main + i, 1, 2048) != 0)
                            break;
                        if (block[0] == 5 && block[1] == 0) {
                            const uint32_t start = block[188] | (block[189] << 8) | (block[190] << 16) |
                                                   (uint32_t(block[191]) << 24);
                            const uint32_t length = block[192] | (block[193] << 8) | (block[194] << 16) |
                                                    (uint32_t(block[195]) << 24);
                            size = std::max(size, RoundUp32(start + length));
                        }
                    }
                }
            }
        }
        if (size != 0)
            return RoundUp32(size);
        if (media == kMediaDvdRw || media == kMediaDvdPlusRw || media == kMediaDvdRwDl ||
            media == kMediaDvdRam || media == kMediaDvdRom)
            return 0;
    }
    return LMmcReadCapacityBlocks(context, device);
}
