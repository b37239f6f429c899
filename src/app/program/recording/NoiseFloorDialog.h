#pragma once
// "Background Noise Measure": the noise floor measurement page as a dialog
// of its own over the recording session. It listens to the chosen input
// while it is open, measures two seconds of a silence on request and stores
// the result as "Settings"/"dBNoiseFloor"; the user may type a floor instead.

#include "app/program/recording/NoiseFloorMeasurement.h"
#include "audio/devices/LSoundRecorder.h"
#include "gui/controls/LLevelMeter.h"
#include "gui/framework/LWindow.h"

enum : int {
    kNoiseMeasureButton = 26604,
    kNoiseMeter = 26605,
    kNoiseCurrentText = 26614,
    kNoiseFloorText = 26615,
    kNoiseLastSetText = 26616,
    kNoiseManualCheck = 26620,
    kNoiseManualInput = 26621,
    kNoiseManualUnit = 26623,
};

class NoiseFloorDialog : public LWindow, private LSoundRecorderListener
{
public:
    NoiseFloorDialog();
    ~NoiseFloorDialog() override;

    static const LDialogTemplate* Template();
    void Layout();

    void OnCreate() override;
    void OnDestroy() override;
    bool CanOK() override;
    void UpdateControls() override;
    void OnCommand(int command, int extra) override;
    void OnHelp() override;

    // The level report of the page's recorder (on the main thread).
    void OnRecorderLevels(const LSoundLevelRecord* levels);
    // Starts listening to the chosen input; false when it cannot be opened.
    bool StartMonitoring();
    LSoundRecorder& Recorder() { return recorder_; }
    const NoiseFloorMeasurement& Measurement() const { return measurement_; }

private:
    void OnLevels(const LSoundLevelRecord* levels, void* cookie) override;
    void ShowFloorText();

    LSoundRecorder recorder_;
    LLevelMeter meter_;
    NoiseFloorMeasurement measurement_;
    bool monitoring_ = false;
};

// Runs the dialog modally over parent; true when it was closed with OK.
bool RunNoiseFloorDialog(LWindow* parent);
