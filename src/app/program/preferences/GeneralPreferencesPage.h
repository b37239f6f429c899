#pragma once
// The "General" page of "Quorin Preferences": where recordings go, which
// input records at what volume (with a live level meter of that input while
// the page shows), the start and stop tone, and the shortest recording kept.

#include "app/program/preferences/PreferenceChanges.h"
#include "audio/devices/LSoundRecorder.h"
#include "gui/controls/LLevelMeter.h"
#include "gui/framework/LPropertySheet.h"

#include <string>

class GeneralPreferencesPage : public LPropertyPage, private LSoundRecorderListener
{
public:
    enum : int {
        kFolderLabel = 12602,
        kFolderText = 12603,
        kFolderBrowse = 12604,
        kDeviceLabel = 12605,
        kDeviceList = 12606,
        kChannelLabel = 12607,
        kChannelList = 12608,
        kVolumeLabel = 12610,
        kVolumeSlider = 12611,
        kVolumeScale = 12612,
        kLevelMeter = 12613,
        kLevelLabel = 12614,
        kToneCheck = 12615,
        kMinTimeCheck = 12617,
        kMinTimeInput = 12618, // its field is 12619
        kMinTimeField = 12619,
        kMinTimeUnit = 12620,
        kVolumeChanged = 1001,
        kDeviceChanged = 1002,
        kChannelChanged = 1003,
    };

    GeneralPreferencesPage();
    ~GeneralPreferencesPage() override;

    static const LDialogTemplate* Template();
    void Layout();

    void OnCreate() override;
    void OnDestroy() override;
    void OnPageShown() override;
    void OnLeave() override;
    void UpdateControls() override;
    void OnCommand(int command, int extra) override;
    void OnHelp() override;
    // The sheet checks every page first and stores them together.
    bool CanOK() override { return true; }

    // Checks the page, asking what it must (creating a missing output folder
    // the user agreed to), and adds its values to changes. False keeps the
    // sheet open; nothing of it is stored then.
    bool Gather(PreferenceChanges& changes);
    // After the changes were stored: whether the main window's list shows
    // another folder now.
    bool OutputFolderChanged() const { return folderChanged_; }

    // Listens to the chosen input; false when it cannot be opened.
    bool StartMonitoring();
    void StopMonitoring();
    bool IsMonitoring() const { return monitoring_; }
    LSoundRecorder& Recorder() { return recorder_; }
    const LLevelMeter& Meter() const { return meter_; }
    void OnRecorderLevels(const LSoundLevelRecord* levels);

private:
    void OnLevels(const LSoundLevelRecord* levels, void* cookie) override;
    bool GatherFolder(PreferenceChanges& changes);

    LSoundRecorder recorder_;
    LLevelMeter meter_;
    bool monitoring_ = false;
    bool folderChanged_ = false;
    bool hasInputs_ = true;
    std::string storedFolder_; // what the field was filled from
};
