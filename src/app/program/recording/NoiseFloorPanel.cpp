#include "app/program/recording/NoiseFloorPanel.h"

#include "app/program/recording/RecordingInput.h"
#include "audio/core/LSoundSink.h"
#include "foundation/log/LLog.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LMessageBox.h"
#include "gui/framework/LTextLines.h"
#include "gui/framework/LWindow.h"

#include <cstdio>
#include <string>

namespace {

constexpr const char* kProductTitle = "Quorin Dizer od OD Udivezeve";
// Monitoring runs at most this long (sixty hours): for a page, for ever.
constexpr int64_t kMonitorSilenceMs = 216000000;
// Where the dialog's instructions began when the panel was laid out for it.
constexpr double kLayoutOrigin = 78;

bool SettingOn(const char* section, const char* name)
{
    char text[260] = {};
    LSettingsGetString(section, name, "", text);
    return text[0] != '\0' && text[0] != '0';
}

} // namespace

NoiseFloorPanel::~NoiseFloorPanel()
{
    recorder_.SetListener(nullptr, nullptr);
    recorder_.Stop();
    meter_.Destroy();
}

void NoiseFloorPanel::Layout(double top)
{
    LWindow* w = host_;
    const double s = w->GetScaleFactor();
    const double dy = top - kLayoutOrigin;
    auto place = [&](int id, double x, double y, double width, double h) {
        w->SetControlRect(id, static_cast<int>(x * s), static_cast<int>((y + dy) * s),
                          static_cast<int>(width * s), static_cast<int>(h * s));
    };
    auto addText = [&](int id, const char* text) {
        w->AddStaticText(id, LBreakTextIntoLines(w, text, static_cast<int>(590 * s)).c_str());
    };
    addText(26600, "For vinyl records: set the player's stylus to sit near the end of any track and wait "
                   "until the track has completed.");
    place(26600, 20, 78, 600, 36);
    addText(26601, "For cassette tapes: fast forward the tape to near the end of any track and wait until "
                   "the track has completed.");
    place(26601, 20, 116, 600, 36);
    w->AddStaticText(26603,
                     "Once the audio reaches the end of the track, click the Measure Noise Floor button.");
    place(26603, 20, 156, 600, 21);
    w->AddButtonNoRect(kNoiseMeasureButton, "Measure Noise Floor");
    place(kNoiseMeasureButton, 20, 184, 200, 26);
    LAddPaintControl(w, kNoiseMeter);
    place(kNoiseMeter, 236, 188, 384, 18);
    const char* scale[7] = {"|-", "Low Noise", "-|-", "Moderate Noise", "-|-", "High Noise", "-|"};
    const double widths[7] = {20, 98, 28, 110, 28, 80, 20};
    double x = 236;
    for (int i = 0; i < 7; ++i) {
        w->AddStaticText(26607 + i, scale[i]);
        w->SetStaticTextStyle(26607 + i, 0, 1);
        place(26607 + i, x, 208, widths[i], 18);
        x += widths[i];
    }
    w->AddStaticText(kNoiseCurrentText, "No current level measured");
    place(kNoiseCurrentText, 20, 236, 600, 21);
    w->AddStaticText(kNoiseFloorText, "[Noise not sampled yet]");
    place(kNoiseFloorText, 20, 260, 600, 21);
    w->AddStaticText(kNoiseLastSetText, "Last Set Noise Floor:");
    place(kNoiseLastSetText, 20, 284, 600, 21);
    addText(26618, "If the Noise Floor measurement is not producing optimal results, you have the option to "
                   "specify your own noise floor below. You can also disable auto-split and manually split "
                   "the tracks after recording has taken place.");
    place(26618, 20, 316, 600, 54);
    w->AddCheckBox(kNoiseManualCheck, "Manually Specify Noise Floor:");
    place(kNoiseManualCheck, 20, 378, 260, 22);
    w->AddUpDown(kNoiseManualInput, false);
    place(kNoiseManualInput, 290, 376, 70, 25);
    w->AddStaticText(kNoiseManualUnit, "dB");
    place(kNoiseManualUnit, 368, 378, 40, 21);
}

void NoiseFloorPanel::Init()
{
    meter_.Attach(host_, kNoiseMeter);
    meter_.Clear();
    host_->SetUpDownRange(kNoiseManualInput, -127, 127, 1);
    host_->SetCheck(kNoiseManualCheck, SettingOn("Settings", "CustomNoiseFloor"));
    const int floor = LSettingsGetInt("Settings", "dBNoiseFloor", -25);
    ShowFloorText();
    host_->SetUpDownValue(kNoiseManualInput, floor);
    char text[260];
    const int last = LSettingsGetInt("Settings", "dBNoiseFloor", 999);
    if (last == 999)
        std::snprintf(text, sizeof text, "Last Set Noise Floor: %s", "Not set yet");
    else
        std::snprintf(text, sizeof text, "Last Set Noise Floor: %d dB", last);
    host_->SetControlText(kNoiseLastSetText, text);
    recorder_.SetListener(static_cast<LSoundRecorderListener*>(this), nullptr);
}

bool NoiseFloorPanel::StartMonitoring()
{
    if (monitoring_ && recorder_.GetState() != kRecorderStopped)
        return true;
    recorder_.SetSelection(LSelectRecordingInput());
    LSoundSinkPtr sink(new LCountingSoundSink(44100, 2));
    monitoring_ = recorder_.Start(sink, 0, -127, kMonitorSilenceMs, kRecorderStartRecording);
    if (!monitoring_)
        LLogWarning("Noise measure: the sound input cannot be opened");
    return monitoring_;
}

void NoiseFloorPanel::StopMonitoring()
{
    recorder_.SetListener(nullptr, nullptr);
    recorder_.Stop();
    monitoring_ = false;
}

void NoiseFloorPanel::ShowFloorText()
{
    if (host_->GetCheck(kNoiseManualCheck)) {
        host_->SetControlText(kNoiseFloorText, "[Custom Noise Floor Being Used]");
        return;
    }
    char text[260];
    std::snprintf(text, sizeof text, "Noise floor is: %d dB",
                  LSettingsGetInt("Settings", "dBNoiseFloor", -25));
    host_->SetControlText(kNoiseFloorText, text);
}

void NoiseFloorPanel::UpdateControls()
{
    const bool manual = host_->GetCheck(kNoiseManualCheck);
    host_->EnableControl(kNoiseManualInput, manual);
    host_->EnableControl(kNoiseManualInput + 1, manual);
    host_->EnableControl(kNoiseManualUnit, manual);
    host_->EnableControl(kNoiseMeasureButton, !manual && !measurement_.IsMeasuring());
    if (!measurement_.IsMeasuring())
        ShowFloorText();
}

bool NoiseFloorPanel::OnCommand(int command)
{
    if (command == kNoiseMeasureButton) {
        measurement_.Begin(recorder_.GetStream().GetFramesTaken());
        return true;
    }
    return command == kNoiseManualCheck;
}

void NoiseFloorPanel::OnLevels(const LSoundLevelRecord* levels, void*)
{
    OnRecorderLevels(levels);
}

void NoiseFloorPanel::OnRecorderLevels(const LSoundLevelRecord* levels)
{
    if (levels == nullptr)
        return;
    meter_.SetLevels(levels);
    const NoiseFloorStep step = measurement_.OnLevels(*levels, recorder_.GetStream().GetFramesTaken(), 44100);
    char text[260];
    std::snprintf(text, sizeof text, "Current Volume Level: %d dB", step.current);
    host_->SetControlText(kNoiseCurrentText, text);
    if (step.sampling) {
        host_->EnableControl(kNoiseMeasureButton, false);
        host_->SetControlText(kNoiseFloorText, "Sampling - Please wait...");
        return;
    }
    if (!step.finished)
        return;
    host_->EnableControl(kNoiseMeasureButton, !host_->GetCheck(kNoiseManualCheck));
    if (step.noSignal) {
        // Nothing to average: the floor in force stays, and the user is told why.
        std::snprintf(text, sizeof text,
                      "No signal was found during the measurement - the noise floor stays %d dB",
                      LSettingsGetInt("Settings", "dBNoiseFloor", -25));
        host_->SetControlText(kNoiseFloorText, text);
        return;
    }
    LSettingsSetInt("Settings", "dBNoiseFloor", step.floor);
    host_->SetUpDownValue(kNoiseManualInput, step.floor);
    ShowFloorText();
    if (step.spread > 1000.0 && !SettingOn("Settings", "dBNoiseFloorWarning")) {
        LMessageBox box(
            host_->GetView(),
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

bool NoiseFloorPanel::Apply()
{
    const bool manual = host_->GetCheck(kNoiseManualCheck);
    LSettingsSetString("Settings", "CustomNoiseFloor", manual ? "1" : "0");
    if (!manual)
        return true;
    const int value = host_->GetUpDownValue(kNoiseManualInput);
    if (value < -60 || value > 12) {
        LMessageBox box(
            host_->GetView(),
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
