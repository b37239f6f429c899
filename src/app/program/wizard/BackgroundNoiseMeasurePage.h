#pragma once
// The noise floor measurement as a page of a wizard. The recording wizard
// shows it unless "Wizard"/"MeasureNoiseFloor" is "0"; the split page opens
// it as a wizard of its own, always shown.

#include "app/program/recording/NoiseFloorPanel.h"
#include "gui/framework/LPropertySheet.h"

class BackgroundNoiseMeasurePage : public LWizardPage
{
public:
    BackgroundNoiseMeasurePage() = default;
    // The recorder stops and the meter goes (the panel), then the page.
    ~BackgroundNoiseMeasurePage() override = default;

    static const LDialogTemplate* Template();
    void Layout();

    void OnCreate() override;
    void OnDestroy() override;
    void OnPageShown() override;
    void OnLeave() override;
    bool CanOK() override;
    void UpdateControls() override;
    void OnCommand(int command, int extra) override;
    void OnHelp() override;
    bool IsPageActive() override;

    // Shown whatever the setting says.
    bool alwaysShown = false;

    NoiseFloorPanel& Panel() { return panel_; }

private:
    NoiseFloorPanel panel_{this};
};

// The one-page wizard "Background Noise Measure", modal over parent; true
// when it ended with Finish.
bool RunBackgroundNoiseMeasure(LViewHandle parent);
