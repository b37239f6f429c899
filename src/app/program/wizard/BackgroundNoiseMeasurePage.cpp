#include "app/program/wizard/BackgroundNoiseMeasurePage.h"

#include "foundation/settings/LSettings.h"

namespace {

void Builder(LWindow* window, int, int, int)
{
    static_cast<BackgroundNoiseMeasurePage*>(window)->Layout();
}

} // namespace

const LDialogTemplate* BackgroundNoiseMeasurePage::Template()
{
    static const LDialogTemplate dialogTemplate{640, 451, "Quorin Wizard", true, Builder};
    return &dialogTemplate;
}

void BackgroundNoiseMeasurePage::Layout()
{
    // The wizard's heading stands above the page: the instructions start at the top.
    panel_.Layout(14);
}

void BackgroundNoiseMeasurePage::OnCreate()
{
    panel_.Init();
}

void BackgroundNoiseMeasurePage::OnDestroy()
{
    panel_.StopMonitoring();
}

void BackgroundNoiseMeasurePage::OnPageShown()
{
    panel_.StartMonitoring();
}

void BackgroundNoiseMeasurePage::OnLeave()
{
    panel_.StopMonitoring();
}

bool BackgroundNoiseMeasurePage::CanOK()
{
    return panel_.Apply();
}

void BackgroundNoiseMeasurePage::UpdateControls()
{
    panel_.UpdateControls();
}

void BackgroundNoiseMeasurePage::OnCommand(int command, int extra)
{
    if (!panel_.OnCommand(command)) {
        LWizardPage::OnCommand(command, extra);
        return;
    }
    if (IsWindow())
        UpdateControls();
}

void BackgroundNoiseMeasurePage::OnHelp()
{
    LOpenHelpTopic("noisesampling");
}

bool BackgroundNoiseMeasurePage::IsPageActive()
{
    if (alwaysShown)
        return true;
    char value[260] = {};
    LSettingsGetString("Wizard", "MeasureNoiseFloor", "", value);
    return value[0] != '0';
}

bool RunBackgroundNoiseMeasure(LViewHandle parent)
{
    BackgroundNoiseMeasurePage page;
    page.alwaysShown = true;
    LWizard wizard;
    wizard.AddPageFromTemplate(
        &page, BackgroundNoiseMeasurePage::Template(), "Background Noise Measure",
        "Measure noise during the transitions between tracks. This is used by the auto "
        "file splitter later on when splitting your recordings.",
        true);
    return wizard.DoModal(parent, "Background Noise Measure");
}
