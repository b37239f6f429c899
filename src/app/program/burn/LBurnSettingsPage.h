#pragma once
// The burn settings: the burner, the disc label, the write speed, erase and
// overburn, audio CD or data disc, the size of the recordings against the
// free capacity of the disc, and buttons that erase a rewritable disc and
// look at the drives again. The opener fills the record from "CDRecorder";
// only OK stores anything, so Cancel leaves every setting as it was.
//
// LBurnAudioDialog is the page as a dialog of its own ("Burn Audio"), as the
// main window's Burn command opens it.

#include "burn/LDiscServices.h"
#include "gui/framework/LWindow.h"

#include <cstdint>
#include <functional>
#include <string>

struct LBurnPageSettings
{
    bool internal = false;
    bool eraseRewritable = false;
    bool overburn = false;
    char label[260] = {};
    uint16_t speed = 65535; // tenths of the speed unit; 65535 the drive's fastest
    uint8_t driveIndex = 0;
    bool loadEject = true;
    bool audioCd = true;
    // Asked to erase the disc now (the main window's erase), null for none.
    std::function<void()> eraseDisc;

    // From section "CDRecorder" as the Burn command reads it.
    void Load();
};

// The speed unit (kB/s of 1x) for a media code: CD 176.4 kB/s, DVD
// 1385 kB/s, HD DVD and Blu-ray 4495 kB/s.
uint32_t LBurnSpeedUnit(uint32_t media);

class LBurnSettingsPage : public LWindow
{
public:
    enum : int {
        kDriveList = 101,
        kDriveCaption = 102,
        kLabel = 103,
        kLabelCaption = 104,
        kSpeedList = 105,
        kSpeedCaption = 106,
        kEraseCheck = 107,
        kOverburnCheck = 108,
        kDataDiscCheck = 110,
        kDataSettings = 111,
        kTotalCaption = 113,
        kTotalText = 114,
        kCapacityCaption = 116,
        kCapacityText = 117,
        kEraseNow = 120,
        kRefresh = 121,
        kSeparator = 122,
        kDriveChanged = 1001,
        kDiscInserted = 2047,
        kDiscEjected = 2048,
    };

    explicit LBurnSettingsPage(LBurnPageSettings& settings);
    ~LBurnSettingsPage() override;

    static const LDialogTemplate* Template();
    // Lays the controls out in points from the page's origin; with buttons,
    // OK and Cancel under the separator.
    void Layout(bool withButtons);

    void OnCreate() override;
    void UpdateControls() override;
    void OnCommand(int command, int extra) override;
    bool CanOK() override;
    void OnHelp() override;

    // Looks at the drives again under a progress window ("Locating Burners").
    void ScanDrives(bool withWindow);
    // The disc information of the selected drive, read in place.
    void RefreshInformation();
    // The files' total and the disc's free space, in the unit of the kind
    // of disc chosen, from the disc information last read.
    void ShowTotals();
    // Stores the page into the record and the settings.
    void Store();

    const LBurnDriveList& Drives() const { return drives_; }

protected:
    // The data-disc options (tests replace it).
    virtual void RunDataDiscOptions();

private:
    LBurnPageSettings& settings_;
    LBurnDriveList drives_;
    bool scanned_ = false;
    bool discRead_ = false;
    int32_t discCode_ = 0;
    int64_t freeBlocks_ = 0;
};

class LBurnAudioDialog : public LBurnSettingsPage
{
public:
    explicit LBurnAudioDialog(LBurnPageSettings& settings) : LBurnSettingsPage(settings) {}
    static const LDialogTemplate* Template();
};

// Opens "Burn Audio" over the parent with the settings from "CDRecorder":
// true when the user pressed OK (the settings are stored then).
bool LRunBurnAudioDialog(LWindow* parent, const std::function<void()>& eraseDisc);
