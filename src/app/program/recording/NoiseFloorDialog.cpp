#include "app/program/recording/NoiseFloorDialog.h"

#include "gui/framework/LTextLines.h"

#include <string>

namespace {

void Builder(LWindow* window, int, int, int)
{
    static_cast<NoiseFloorDialog*>(window)->Layout();
}

} // namespace

const LDialogTemplate* NoiseFloorDialog::Template()
{
    static const LDialogTemplate dialogTemplate{640, 451, "Quorin Wizard", true, Builder};
    return &dialogTemplate;
}

void NoiseFloorDialog::Layout()
{
    const double s = GetScaleFactor();
    auto place = [&](int id, double x, double y, double w, double h) {
        SetControlRect(id, static_cast<int>(x * s), static_cast<int>(y * s), static_cast<int>(w * s),
                       static_cast<int>(h * s));
    };
    AddStaticText(26590, "Background Noise Measure");
    place(26590, 20, 12, 600, 20);
    AddStaticText(26591,
                  LBreakTextIntoLines(this,
                                           "Measure noise during the transitions between tracks. This is "
                                           "used by the auto file splitter later on when splitting your "
                                           "recordings.",
                                           static_cast<int>(590 * s))
                      .c_str());
    place(26591, 20, 34, 600, 36);
    panel_.Layout(78);
    AddOKCancelButtonsNoRect();
}

void NoiseFloorDialog::OnCreate()
{
    panel_.Init();
    panel_.StartMonitoring();
}

void NoiseFloorDialog::OnDestroy()
{
    panel_.StopMonitoring();
}

void NoiseFloorDialog::UpdateControls()
{
    panel_.UpdateControls();
}

void NoiseFloorDialog::OnCommand(int command, int extra)
{
    if (!panel_.OnCommand(command)) {
        LWindow::OnCommand(command, extra);
        return;
    }
    if (IsVisible())
        UpdateControls();
}

void NoiseFloorDialog::OnHelp()
{
    LOpenHelpTopic("noisesampling");
}

bool NoiseFloorDialog::CanOK()
{
    return panel_.Apply();
}

bool RunNoiseFloorDialog(LWindow* parent)
{
    NoiseFloorDialog dialog;
    if (!dialog.CreateFromTemplate(NoiseFloorDialog::Template()))
        return false;
    return dialog.DoModal(parent, LPlacementCenterOnParent);
}
