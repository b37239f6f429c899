#include "app/program/burn/LDataDiscTypeDialog.h"

#include "app/program/encoders/LMp3EncoderSettingsPage.h"
#include "app/program/encoders/LWavEncoderOptionsDialog.h"
#include "app/program/preferences/FormatSettings.h"
#include "audio/formats/mp3/LMp3EncoderOptions.h"
#include "audio/formats/wav/LWavCodecSettings.h"
#include "foundation/files/LPath.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LCommands.h"

#include <cstdio>

namespace {

const char* const kTypeTexts[] = {
    "Burn recordings to Data CD/DVD in Wave format",
    "Burn recordings to Data CD/DVD in MP3 format",
    "Burn recordings to Data CD/DVD without modification",
    nullptr,
};

void Builder(LWindow* window, int, int, int)
{
    static_cast<LDataDiscTypeDialog*>(window)->Layout();
}

} // namespace

const LDialogTemplate* LDataDiscTypeDialog::Template()
{
    static const LDialogTemplate dialogTemplate{480, 245, "Data CD/DVD Burn Options", true, Builder};
    return &dialogTemplate;
}

bool LDataDiscTypeDialog::FormatSettingsAvailable()
{
    return true;
}

void LDataDiscTypeDialog::Layout()
{
    const double s = GetScaleFactor();
    auto place = [&](int id, double x, double y, double w, double h) {
        SetControlRect(id, static_cast<int>(x * s), static_cast<int>(y * s), static_cast<int>(w * s),
                       static_cast<int>(h * s));
    };
    AddGroupBox(kTypeGroup, "Data CD/DVD Type Selection");
    place(kTypeGroup, 18, 14, 444, 60);
    AddPullDownList(kTypeList, kTypeChanged);
    place(kTypeList, 30, 40, 418, 21);
    AddGroupBox(kOptionsGroup, "Pre-Burning Options");
    place(kOptionsGroup, 18, 84, 444, 114);
    AddRadioButton(kReencodeAll, "Re-encode all files", 1);
    place(kReencodeAll, 30, 110, 418, 21);
    AddRadioButton(kReencodeOthers, "Only re-encode files not of this format", 1);
    place(kReencodeOthers, 30, 136, 418, 21);
    AddButtonNoRect(kFormatSettings, "Format Settings...");
    place(kFormatSettings, 30, 162, 418, 23);
    AddOKCancelButtonsNoRect();
    place(kCommandOK, 362, 208, 100, 23);
    place(kCommandCancel, 248, 208, 100, 23);
}

void LDataDiscTypeDialog::OnCreate()
{
    AddPullDownItems(kTypeList, kTypeTexts);
    int type = LSettingsGetInt("OutputFormat", "DataCDType", 2);
    if (type < 0 || type > 2)
        type = 2;
    SelectPullDownItem(kTypeList, type);
    char text[260] = {};
    LSettingsGetString("OutputFormat", "ReencodeAllFiles", "", text);
    const bool all = text[0] != '\0' && text[0] != '0';
    SetCheck(kReencodeAll, all);
    SetCheck(kReencodeOthers, !all);
}

void LDataDiscTypeDialog::UpdateControls()
{
    const bool reencode = GetPullDownSelection(kTypeList) != 2;
    EnableControl(kReencodeAll, reencode);
    EnableControl(kReencodeOthers, reencode);
    EnableControl(kFormatSettings, reencode && FormatSettingsAvailable());
}

void LDataDiscTypeDialog::OnCommand(int command, int extra)
{
    switch (command) {
    case kTypeChanged:
    case kReencodeAll:
    case kReencodeOthers:
        break;
    case kFormatSettings:
        ShowFormatSettings();
        break;
    default:
        LWindow::OnCommand(command, extra);
        return;
    }
    if (IsVisible())
        UpdateControls();
}

void LDataDiscTypeDialog::ShowFormatSettings()
{
    if (GetPullDownSelection(kTypeList) == 1) {
        LMp3EncoderOptions options;
        options.Load();
        LMp3EncoderSettingsPage page(&options);
        ShowMp3EncoderSettings(&page, GetView());
    } else if (GetPullDownSelection(kTypeList) == 0) {
        char path[kLPathSize] = {};
        if (!LGetWavCodecSettingsPath(path))
            return;
        LWaveFormatBlock block;
        if (!LLoadWavCodecSettings(block, path))
            block = LWaveFormatBlock{};
        if (ShowWavEncoderOptions(GetView(), block, 0, 0, "Select Wave File Format") == 1)
            LSaveWavCodecSettings(block, path);
    }
}

bool LDataDiscTypeDialog::CanOK()
{
    // Files are re-encoded only when the burn starts: without the encoder
    // every one of them would be left out then, so MP3 is refused here,
    // while the user can still choose another format.
    if (GetPullDownSelection(kTypeList) == 1 && !EnsureMp3EncoderInstalled(GetView()))
        return false;
    LSettingsSetString("OutputFormat", "ReencodeAllFiles", GetCheck(kReencodeAll) ? "1" : "0");
    char number[8];
    std::snprintf(number, sizeof number, "%d", GetPullDownSelection(kTypeList));
    LSettingsSetString("OutputFormat", "DataCDType", number);
    return true;
}

bool LRunDataDiscTypeDialog(LWindow* parent)
{
    LDataDiscTypeDialog dialog;
    if (!dialog.CreateFromTemplate(LDataDiscTypeDialog::Template()))
        return false;
    return dialog.DoModal(parent, LPlacementCenterOnParent);
}
