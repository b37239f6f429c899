#include "app/program/recording/NoiseFloorDialog.h"

#include "audio/core/LSoundSink.h"
#include "audio/devices/LSoundInputDevices.h"
#include "foundation/log/LLog.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LMessageBox.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kProductTitle = "Quorin Dizer od OD Udivezeve";
// Monitoring runs at most this long (sixty hours): for a page, for ever.
constexpr int64_t kMonitorSilenceMs = 216000000;

bool SettingOn(const char* section, const char* name)
{
    char text[260] = {};
    LSettingsGetString(section, name, "", text);
    return text[0] != '\0' && text[0] != '0';
}

void Builder(LWindow* window, int, int, int)
{
    static_cast<NoiseFloorDialog*>(window)->Layout();
}

} // namespace

NoiseFloorDialog::NoiseFloorDialog() = default;

NoiseFloorDialog::~NoiseFloorDialog()
{
    recorder_.SetListener(nullptr, nullptr);
    recorder_.Stop();
    meter_.Destroy();
}

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
    AddStaticText(26591, "Measure noise during the transitions between tracks. This is used by the auto file "
                         "splitter later on when splitting your recordings.");
    place(26591, 20, 34, 600, 36);
    AddStaticText(26600,
                  "For vinyl records: set the player's stylus to sit near the end of any track and wait "
                  "until the track has completed.");
    place(26600, 20, 78, 600, 36);
    AddStaticText(26601,
                  "For cassette tapes: fast forward the tape to near the end of any track and wait until "
                  "the track has completed.");
    place(26601, 20, 116, 600, 36);
    AddStaticText(26603,
                  "Once the audio reaches the end of the track, click the Measure Noise Floor button.");
    place(26603, 20, 156, 600, 21);
    AddButtonNoRect(kNoiseMeasureButton, "Measure Noise Floor");
    place(kNoiseMeasureButton, 20, 184, 200, 26);
    LAddPaintControl(this, kNoiseMeter);
    place(kNoiseMeter, 236, 188, 384, 18);
    const char* scale[7] = {"|-", "Low Noise", "-|-", "Moderate Noise", "-|-", "High Noise", "-|"};
    const double widths[7] = {20, 98, 28, 110, 28, 80, 20};
    double x = 236;
    for (int i = 0; i < 7; ++i) {
        AddStaticText(26607 + i, scale[i]);
        SetStaticTextStyle(26607 + i, 0, 1);
        place(26607 + i, x, 208, widths[i], 18);
        x += widths[i];
    }
    AddStaticText(kNoiseCurrentText, "No current level measured");
    place(kNoiseCurrentText, 20, 236, 600, 21);
    AddStaticText(kNoiseFloorText, "[Noise not sampled yet]");
    place(kNoiseFloorText, 20, 260, 600, 21);
    AddStaticText(kNoiseLastSetText, "Last Set Noise Floor:");
    place(kNoiseLastSetText, 20, 284, 600, 21);
    AddStaticText(26618,
                  "If the Noise Floor measurement is not producing optimal results, you have the option to "
                  "specify your own noise floor below. You can also disable auto-split and manually split "
                  "the tracks after recording has taken place.");
    place(26618, 20, 316, 600, 54);
    AddCheckBox(kNoiseManualCheck, "Manually Specify Noise Floor:");
    place(kNoiseManualCheck, 20, 378, 260, 22);
    AddUpDown(kNoiseManualInput, false);
    place(kNoiseManualInput, 290, 376, 70, 25);
    AddStaticText(kNoiseManualUnit, "dB");
    place(kNoiseManualUnit, 368, 378, 40, 21);
    AddOKCancelButtonsNoRect();
}

void NoiseFloorDialog::OnCreate()
{
    meter_.Attach(this, kNoiseMeter);
    meter_.Clear();
    SetUpDownRange(kNoiseManualInput, -127, 127, 1);
    SetCheck(kNoiseManualCheck, SettingOn("Settings", "CustomNoiseFloor"));
    const int floor = LSettingsGetInt("Settings", "dBNoiseFloor", -25);
    ShowFloorText();
    SetUpDownValue(kNoiseManualInput, floor);
    char text[260];
    const int last = LSettingsGetInt("Settings", "dBNoiseFloor", 999);
    if (last == 999)
        std::snprintf(text, sizeof text, "Last Set Noise Floor: %s", "Not set yet");
    else
        std::snprintf(text, sizeof text, "Last Set Noise Floor: %d dB", last);
    SetControlText(kNoiseLastSetText, text);
    recorder_.SetListener(static_cast<LSoundRecorderListener*>(this), nullptr);
    StartMonitoring();
}

void NoiseFloorDialog::OnDestroy()
{
    recorder_.SetListener(nullptr, nullptr);
    recorder_.Stop();
}

bool NoiseFloorDialog::StartMonitoring()
{
    char device[260] = {};
    LSettingsGetString("Settings", "SoundInDevice", "", device);
    LSoundInputSelection selection;
    LSoundInputSelectByName(
        selection, device,
        static_cast<uint32_t>(std::max(LSettingsGetInt("Settings", "SoundInDeviceChannel", 0), 0)));
    LSoundInputSelection valid;
    LSoundInputValidateSelection(valid, selection);
    if (valid.device < 0)
        valid = LSoundInputDefaultSelection();
    recorder_.SetSelection(valid);
    const int volume = std::clamp(LSettingsGetInt("Recording", "Volume", -20), -127, 127);
    LSoundInputSetVolumeDb(valid, static_cast<int8_t>(volume));
    LSoundSinkPtr sink(new LCountingSoundSink(44100, 2));
    monitoring_ = recorder_.Start(sink, 0, -127, kMonitorSilenceMs, kRecorderStartRecording);
    if (!monitoring_)
        LLogWarning("Noise measure: the sound input cannot be opened");
    return monitoring_;
}

void NoiseFloorDialog::ShowFloorText()
{
    if (GetCheck(kNoiseManualCheck)) {
        SetControlText(kNoiseFloorText, "[Custom Noise Floor Being Used]");
        return;
    }
    char text[260];
    std::snprintf(text, sizeof text, "Noise floor is: %d dB",
                  LSettingsGetInt("Settings", "dBNoiseFloor", -25));
    SetControlText(kNoiseFloorText, text);
}

void NoiseFloorDialog::UpdateControls()
{
    const bool manual = GetCheck(kNoiseManualCheck);
    EnableControl(kNoiseManualInput, manual);
    EnableControl(kNoiseManualInput + 1, manual);
    EnableControl(kNoiseManualUnit, manual);
    EnableControl(kNoiseMeasureButton, !manual && !measurement_.IsMeasuring());
    if (!measurement_.IsMeasuring())
        ShowFloorText();
}

void NoiseFloorDialog::OnCommand(int command, int extra)
{
    if (command == kNoiseMeasureButton) {
        measurement_.Begin(recorder_.GetStream().GetFramesTaken());
    } else if (command == kNoiseManualCheck) {
        // nothing more: UpdateControls follows
    } else {
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

void NoiseFloorDialog::OnLevels(const LSoundLevelRecord* levels, void*)
{
    OnRecorderLevels(levels);
}

void NoiseFloorDialog::OnRecorderLevels(const LSoundLevelRecord* levels)
{
    if (levels == nullptr)
        return;
    meter_.SetLevels(levels);
    const NoiseFloorStep step = measurement_.OnLevels(*levels, recorder_.GetStream().GetFramesTaken(), 44100);
    char text[260];
    std::snprintf(text, sizeof text, "Current Volume Level: %d dB", step.current);
    SetControlText(kNoiseCurrentText, text);
    if (step.sampling) {
        EnableControl(kNoiseMeasureButton, false);
        SetControlText(kNoiseFloorText, "Sampling - Please wait...");
        return;
    }
    if (!step.finished)
        return;
    EnableControl(kNoiseMeasureButton, !GetCheck(kNoiseManualCheck));
    if (step.noSignal) {
        // Nothing to average: the floor in force stays, and the user is told why.
        std::snprintf(text, sizeof text,
                      "No signal was found during the measurement - the noise floor stays %d dB",
                      LSettingsGetInt("Settings", "dBNoiseFloor", -25));
        SetControlText(kNoiseFloorText, text);
        return;
    }
    LSettingsSetInt("Settings", "dBNoiseFloor", step.floor);
    SetUpDownValue(kNoiseManualInput, step.floor);
    ShowFloorText();
    if (step.spread > 1000.0 && !SettingOn("Settings", "dBNoiseFloorWarning")) {
        LMessageBox box(
            GetView(),
            " An audio signal was detected during the 2 second long noise measurement! \n  Please "
            "ensure no music is playing during the noise measurement. \n  The best time to make the 2 "
            "second long measurement is during the silence between songs. \n Please perform one of "
            "the following: \n  1. Click Measure Noise Floor again to repeat the measurement during "
            "silence.  \n  2.  Select the check box to Manually Specify Noise Floor, and enter a noise "
            "floor estimate in dB. \n  3.  Click Next to ignore this warning if no audio was playing "
            "during the measurement.",
            "Warning");
        box.style = LMessageBoxWarningStyle;
        box.SetButton(1, "OK");
        box.SetSuppression("Don't Show This Warning Again", false);
        box.Show();
        LSettingsSetString("Settings", "dBNoiseFloorWarning", box.suppressionChecked ? "1" : "0");
    }
}

bool NoiseFloorDialog::CanOK()
{
    const bool manual = GetCheck(kNoiseManualCheck);
    LSettingsSetString("Settings", "CustomNoiseFloor", manual ? "1" : "0");
    if (!manual)
        return true;
    const int value = GetUpDownValue(kNoiseManualInput);
    if (value < -60 || value > 12) {
        LMessageBox box(
            GetView(),
            "You have specified an unusual noise floor value, typical values range from -36dB to "
            "+12dB. Are you sure you want to use the specified value?\r\n\r\nClick 'Continue' to keep "
            "the specified value.\r\nClick 'Cancel' if you wish to specify a different value.\r\n\r\nAn "
            "incorrect noise floor may cause Quorin to experience issues with recordings.",
            kProductTitle);
        box.style = LMessageBoxWarningStyle;
        box.SetButton(1, "Continue");
        box.SetButton(2, "Cancel");
        if (box.Show() != 1)
            return false;
    }
    LSettingsSetInt("Settings", "dBNoiseFloor", value);
    return true;
}

bool RunNoiseFloorDialog(LWindow* parent)
{
    NoiseFloorDialog dialog;
    if (!dialog.CreateFromTemplate(NoiseFloorDialog::Template()))
        return false;
    return dialog.DoModal(parent, LPlacementCenterOnParent);
}
