#pragma once
// The wizard's volume calibration: the user picks the input device, its
// channel and the recording volume while music plays; the page listens
// (into a sink that keeps nothing), shows the level and judges it every 20
// level reports as LOW, GOOD or HIGH. Next stores device, channel and volume
// for the side pages and the recording session. Skipped when
// "Wizard"/"CalibrateVolume" is "0".

#include "app/program/wizard/VolumeVerdict.h"
#include "app/program/wizard/WizardRun.h"
#include "audio/devices/LSoundRecorder.h"
#include "gui/controls/LLevelMeter.h"
#include "gui/framework/LPropertySheet.h"

#include <memory>

enum : int {
    kVolumeConnectText = 25600,
    kVolumeHelpText = 25601,
    kVolumeGuideLink = 25602,
    kVolumeSeparator = 25603,
    kVolumeDeviceList = 25605,
    kVolumeDeviceLabel = 25606,
    kVolumeChannelList = 25608,
    kVolumeChannelLabel = 25609,
    kVolumeLevel = 25612,
    kVolumeLevelLabel = 25613,
    kVolumeMeter = 25615,
    kVolumeDetecting = 25616,
    kVolumeScaleFirst = 25618, // five captions: Low | Good | High
    kVolumeVerdictLabel = 25625,
    kVolumeVerdictText = 25626,
    // Commands of the lists and the dB control.
    kVolumeLevelChanged = 1001,
    kVolumeDeviceChanged = 1002,
    kVolumeChannelChanged = 1003,
};

class VolumeCalibrationPage : public LWizardPage, private LSoundRecorderListener
{
public:
    explicit VolumeCalibrationPage(WizardRun& run);
    ~VolumeCalibrationPage() override;

    // 640 x 428, "Quorin Wizard".
    static const LDialogTemplate* Template();
    void Layout();

    void OnCreate() override;
    void OnDestroy() override;
    bool CanOK() override;
    void OnCommand(int command, int extra) override;
    void OnHelp() override;
    void OnPageShown() override;
    void OnLeave() override;
    bool IsPageActive() override;

    // Listens to the input chosen in the lists at the chosen volume; false
    // (meter disabled) when it cannot be opened.
    bool StartMonitoring();
    // A level report of the recorder (main thread).
    void OnRecorderLevels(const LSoundLevelRecord* levels);

    LSoundRecorder& Recorder() { return *recorder_; }
    const LLevelMeter& Meter() const { return meter_; }

private:
    void OnLevels(const LSoundLevelRecord* levels, void* cookie) override;
    void PlaceScaleCaptions();
    LSoundInputSelection ReadSelection();

    WizardRun& run_;
    LLevelMeter meter_;
    std::unique_ptr<LSoundRecorder> recorder_; // made when the page is first shown
    VolumeReadings readings_;
};
