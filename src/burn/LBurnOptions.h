#pragma once
// The burn options every burn reads before it starts, from the settings
// section "CDRecorder".

#include <cstdint>
#include <functional>
#include <vector>

inline constexpr uint8_t kBurnNoDrive = 255;

struct LBurnOptions
{
    bool eraseRewritable = false;
    bool overburn = false;
    uint8_t driveIndex = kBurnNoDrive; // in the burner list; 255 = no drive
    bool loadEject = false;
    bool verify = true;
    uint16_t copies = 1;
    double speedFactor = -1; // -1 = the drive's maximum
    double audioPauseSeconds = 2.0;
    bool sao = false;
    bool cdText = true;
    bool finalize = true;
    bool fullErase = false;
    bool bufferUnderRun = true;
    bool bootable = false;
    char bootImagePath[260] = {};
};

// What the options need of the burner list: for each drive in list order,
// whether it can write CDs.
using LBurnDriveScan = std::function<std::vector<bool>()>;

// The scan LLoadBurnOptions uses when given none; the drive layer installs
// its own. Without one there is no drive.
void LSetBurnDriveScan(LBurnDriveScan scan);

// Reads every option; the default drive is the first that writes CDs.
void LLoadBurnOptions(LBurnOptions* out, const LBurnDriveScan& scan);
void LLoadBurnOptions(LBurnOptions* out);
