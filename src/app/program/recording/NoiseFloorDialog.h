#pragma once
// "Background Noise Measure": the noise floor measurement as a dialog of its
// own over the recording session, with OK and Cancel; only OK stores a
// manual floor.

#include "app/program/recording/NoiseFloorPanel.h"
#include "gui/framework/LWindow.h"

class NoiseFloorDialog : public LWindow
{
public:
    NoiseFloorDialog() = default;
    ~NoiseFloorDialog() override = default;

    static const LDialogTemplate* Template();
    void Layout();

    void OnCreate() override;
    void OnDestroy() override;
    bool CanOK() override;
    void UpdateControls() override;
    void OnCommand(int command, int extra) override;
    void OnHelp() override;

    // The level report of the dialog's recorder (on the main thread).
    void OnRecorderLevels(const LSoundLevelRecord* levels) { panel_.OnRecorderLevels(levels); }
    // Starts listening to the chosen input; false when it cannot be opened.
    bool StartMonitoring() { return panel_.StartMonitoring(); }
    LSoundRecorder& Recorder() { return panel_.Recorder(); }
    const NoiseFloorMeasurement& Measurement() const { return panel_.Measurement(); }

private:
    NoiseFloorPanel panel_{this};
};

// Runs the dialog modally over parent; true when it was closed with OK.
bool RunNoiseFloorDialog(LWindow* parent);
