#include "app/program/burn/BurnAnotherDialog.h"

#include "gui/framework/LCommands.h"
#include "gui/framework/LTextLines.h"

#include <algorithm>
#include <cstdio>

namespace {

void Builder(LWindow* window, int, int, int)
{
    static_cast<BurnAnotherDialog*>(window)->Layout();
}

} // namespace

BurnAnotherDialog::BurnAnotherDialog(const char* message)
{
    std::snprintf(message_, sizeof message_, "%s", message != nullptr ? message : "");
}

const LDialogTemplate* BurnAnotherDialog::Template()
{
    static const LDialogTemplate dialogTemplate{520, 128, "Burning Complete", true, Builder};
    return &dialogTemplate;
}

void BurnAnotherDialog::Layout()
{
    const double s = GetScaleFactor();
    auto place = [&](int id, double x, double y, double w, double h) {
        SetControlRect(id, static_cast<int>(x * s), static_cast<int>(y * s), static_cast<int>(w * s),
                       static_cast<int>(h * s));
    };
    AddStaticText(kMessage, "Burn another CD?");
    place(kMessage, 18, 14, 484, 55);
    AddSeparator(kSeparator, static_cast<int>(18 * s), static_cast<int>(81 * s), static_cast<int>(484 * s));
    AddOKCancelButtonsNoRect();
    place(kCommandOK, 402, 91, 100, 23);
    place(kCommandCancel, 288, 91, 100, 23);
}

void BurnAnotherDialog::OnCreate()
{
    const double s = GetScaleFactor();
    SetControlText(kMessage, LBreakTextIntoLines(this, message_, static_cast<int>(484 * s)).c_str());
    SetControlText(kCommandOK, "Burn Another");
    SetControlText(kCommandCancel, "Close");
    // Wide enough for its title, keeping its right edge.
    int x = 0, y = 0, w = 0, h = 0;
    if (GetControlRect(kCommandOK, &x, &y, &w, &h)) {
        const int wanted = std::max(w, static_cast<int>(GetTextWidth("Burn Another") * 1.23) + 16);
        SetControlRect(kCommandOK, x + w - wanted, y, wanted, h);
        // Close keeps its distance from the wider button.
        int cx = 0, cy = 0, cw = 0, ch = 0;
        if (wanted > w && GetControlRect(kCommandCancel, &cx, &cy, &cw, &ch))
            SetControlRect(kCommandCancel, cx - (wanted - w), cy, cw, ch);
    }
}

bool LRunBurnAnotherDialog(LWindow* parent, const char* message)
{
    BurnAnotherDialog dialog(message);
    if (!dialog.CreateFromTemplate(BurnAnotherDialog::Template()))
        return false;
    return dialog.DoModal(parent, LPlacementCenterOnParent);
}
