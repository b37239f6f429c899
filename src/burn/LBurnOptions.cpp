#include "burn/LBurnOptions.h"

#include "burn/LBurnResult.h"
#include "foundation/settings/LSettings.h"

#include <mutex>

namespace {

constexpr const char* kSection = "CDRecorder";

std::mutex& ScanLock()
{
    static std::mutex lock;
    return lock;
}

LBurnDriveScan& InstalledScan()
{
    static LBurnDriveScan scan;
    return scan;
}

// Off unless something other than a leading '0' is stored.
bool FlagDefaultOff(const char* key)
{
    char text[260];
    if (!LSettingsGetString(kSection, key, "", text))
        return false;
    return text[0] != '\0' && text[0] != '0';
}

// On unless the stored text begins with '0'.
bool FlagDefaultOn(const char* key)
{
    char text[260];
    if (!LSettingsGetString(kSection, key, "", text))
        return true;
    return text[0] != '0';
}

} // namespace

void LSetBurnDriveScan(LBurnDriveScan scan)
{
    std::lock_guard<std::mutex> hold(ScanLock());
    InstalledScan() = std::move(scan);
}

void LLoadBurnOptions(LBurnOptions* out)
{
    LBurnDriveScan scan;
    {
        std::lock_guard<std::mutex> hold(ScanLock());
        scan = InstalledScan();
    }
    LLoadBurnOptions(out, scan);
}

void LLoadBurnOptions(LBurnOptions* out, const LBurnDriveScan& scan)
{
    *out = LBurnOptions{};
    int firstCdWriter = kBurnNoDrive;
    if (scan) {
        const std::vector<bool> drives = scan();
        for (std::size_t i = 0; i < drives.size() && i < kBurnNoDrive; ++i) {
            if (drives[i]) {
                firstCdWriter = static_cast<int>(i);
                break;
            }
        }
    }
    const bool haveCdWriter = firstCdWriter != kBurnNoDrive;

    out->eraseRewritable = FlagDefaultOff("EraseCDRW");
    out->overburn = FlagDefaultOff("Overburn");
    const int drive = LSettingsGetInt(kSection, "CDDrive", firstCdWriter);
    out->driveIndex = (drive < 0 || drive > kBurnNoDrive) ? kBurnNoDrive : static_cast<uint8_t>(drive);

    char text[260];
    if (LSettingsGetString(kSection, "CDLoadEject", "", text) && text[0] != '\0')
        out->loadEject = text[0] != '0';
    else
        out->loadEject = haveCdWriter;

    out->verify = FlagDefaultOn("VerifyBurn");
    const int copies = LSettingsGetInt(kSection, "Copies", 1);
    out->copies = copies < 1 ? 1 : (copies > 0xFFFF ? 0xFFFF : static_cast<uint16_t>(copies));
    const int speed = LSettingsGetInt(kSection, "Speed", -1);
    out->speedFactor = speed == -1 ? -1.0 : speed / 10.0;
    out->audioPauseSeconds = LSettingsGetInt(kSection, "AudioPause", 20) / 10.0;
    out->sao = FlagDefaultOff("SAO");
    out->cdText = FlagDefaultOn("CDTEXT");
    out->finalize = FlagDefaultOn("Finalize");
    out->fullErase = FlagDefaultOff("FullErase");
    out->bufferUnderRun = FlagDefaultOn("BufferUnderRun");
    out->bootable = FlagDefaultOff("Bootable");
    LSettingsGetString(kSection, "BootableSectors", "", text);
    LBurnCopyText(out->bootImagePath, sizeof out->bootImagePath, text);
}
