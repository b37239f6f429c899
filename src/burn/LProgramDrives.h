#pragma once
// The burners the program works with. Normally libburn's drives for the drive
// list, the disc state, erasing and audio CDs, and the matching /dev/srN node
// for data discs. When the environment variable QUORIN_DRIVES is set, its
// drive specifications (separated by ';') replace the scan: "fake:..." is a
// scripted audio-CD drive (the form the developer tool takes, with
// "dump=OUT.raw" keeping what was burnt), "emulated:FILE.img,..." an emulated
// MMC drive that keeps its disc in a file. Both kinds answer the drive list,
// the disc state, erase and eject; data discs are written to emulated drives
// only, audio CDs to fake drives only, as the real engines allow.

#include "burn/LBurnBackend.h"
#include "burn/LBurnResult.h"
#include "burn/LFakeBurnBackend.h"
#include "burn/mmc/LScsiDevice.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class LDriveSpecBackend : public LBurnBackend
{
public:
    // Null (error set) when a specification is not understood.
    static std::unique_ptr<LDriveSpecBackend> Create(const std::string& specs, std::string* error);
    ~LDriveSpecBackend() override;

    std::vector<std::string> DriveAddresses() override;
    std::unique_ptr<LBurnDrive> Grab(const std::string& address, std::string* message) override;

    // The SCSI device of drive `index` for a data disc, not yet opened.
    // Null with code 15 for no such drive and 43 for a fake drive.
    std::unique_ptr<LScsiDevice> OpenScsi(uint32_t index, LBurnResult& result);

    // The scripted drives, for tests that look at what was written.
    LFakeBurnBackend& Fakes() { return *fakes_; }
    size_t Count() const { return entries_.size(); }

private:
    struct Entry
    {
        bool fake = false;
        size_t fakeIndex = 0;
        std::string emulated;  // the description after "emulated:"
        bool inserted = false; // the description's disc was put in once
    };
    LDriveSpecBackend() = default;
    // The emulated description for this opening: the first one inserts the
    // disc the description names; later ones find the disc as it was left.
    std::string EmulatedDescription(Entry& entry);

    std::vector<Entry> entries_;
    std::unique_ptr<LFakeBurnBackend> fakes_;
};

// The backend every drive operation of the program uses.
LBurnBackend& LProgramBurnBackend();
// The QUORIN_DRIVES drives, or null when the variable is not set (or not
// understood: the log says why, and the program then sees no drive).
LDriveSpecBackend* LProgramDriveSpecs();
// Reads QUORIN_DRIVES again at the next use (a test that changes it). No
// drive operation may be running.
void LReloadProgramDrives();
// The data-disc device of drive `index` of the program's list, not yet
// opened; null with the burn code that says why.
std::unique_ptr<LScsiDevice> LOpenProgramDataDrive(uint32_t index, LBurnResult& result);
// Points the burn options' default-drive scan at the program's drives.
void LInstallProgramDriveScan();
// "vendor product" of drive `index`, empty when there is none.
std::string LGetDriveNameByIndex(uint32_t index);
// "vendor product" of a grabbed drive, cut to fit 260 bytes.
std::string LGetDiscDeviceName(LBurnDrive& drive);
// Lets go of the drive with its tray opened. False when there is no such
// drive or it cannot eject.
bool LEjectProgramDrive(uint32_t index);
