#pragma once
// The controls and behaviour of the noise floor measurement, hosted by a
// window: the "Background Noise Measure" dialog of the recording session and
// the wizard page of the same name. The panel listens to the chosen input
// while its host is shown, measures two seconds of a silence on request and
// stores the result as "Settings"/"dBNoiseFloor"; the user may type a floor
// instead, which Apply stores.

#include "app/program/recording/NoiseFloorMeasurement.h"
#include "audio/devices/LSoundRecorder.h"
#include "gui/controls/LLevelMeter.h"

#include <string>

class LWindow;

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

class NoiseFloorPanel : private LSoundRecorderListener
{
public:
    explicit NoiseFloorPanel(LWindow* host) : host_(host) {}
    // The recorder stops before the meter goes.
    ~NoiseFloorPanel() override;

    // Adds the controls; `top` is where the instructions begin, in dialog
    // units.
    void Layout(double top);
    // Fills the controls from the settings and takes the recorder's reports.
    void Init();
    // Starts listening to the chosen input; false when it cannot be opened.
    bool StartMonitoring();
    void StopMonitoring();
    void UpdateControls();
    // The panel's commands; false for any other.
    bool OnCommand(int command);
    // The level report of the recorder (on the main thread).
    void OnRecorderLevels(const LSoundLevelRecord* levels);
    // Stores the manual choice and value; false when the user wants to
    // change an unusual value first.
    bool Apply();

    LSoundRecorder& Recorder() { return recorder_; }
    const NoiseFloorMeasurement& Measurement() const { return measurement_; }

private:
    void OnLevels(const LSoundLevelRecord* levels, void* cookie) override;
    void ShowFloorText();

    LWindow* host_;
    LSoundRecorder recorder_;
    LLevelMeter meter_;
    NoiseFloorMeasurement measurement_;
    bool monitoring_ = false;
};
