#include "app/program/wizard/VolumeCalibrationPage.h"

#include "app/program/wizard/RecordingWizard.h"
#include "app/program/wizard/WizardLayout.h"
#include "app/program/wizard/WizardPullDowns.h"
#include "audio/core/LSoundSink.h"
#include "foundation/log/LLog.h"
#include "foundation/settings/LSettings.h"
#include "gui/controls/LDBEdit.h"
#include "gui/controls/LPaintControl.h"
#include "gui/framework/LRGBColor.h"
#include "online/LOnlineSite.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

// Monitoring runs at most this long (sixty hours): for a page, for ever.
constexpr int64_t kMonitorSilenceMs = 216000000;

void Builder(LWindow* window, int, int, int)
{
    static_cast<VolumeCalibrationPage*>(window)->Layout();
}

} // namespace

VolumeCalibrationPage::VolumeCalibrationPage(WizardRun& run) : run_(run) {}

VolumeCalibrationPage::~VolumeCalibrationPage()
{
    if (recorder_) {
        recorder_->SetListener(nullptr, nullptr);
        recorder_->Stop();
    }
    meter_.Destroy();
}

const LDialogTemplate* VolumeCalibrationPage::Template()
{
    static const LDialogTemplate dialogTemplate{640, 428, "Quorin Wizard", true, Builder};
    return &dialogTemplate;
}

void VolumeCalibrationPage::Layout()
{
    const double s = GetScaleFactor();
    WizardAddText(this, kVolumeConnectText,
                  "Connect your player to your computer and start playing some music.", 18, 14, 604, 21);
    WizardAddText(this, kVolumeHelpText,
                  "If the music is playing and you do not see green bars moving in the volume display, click "
                  "the link below for assistance.",
                  18, 40, 604, 38);
    AddHyperLinkAligned(kVolumeGuideLink, "Click to see audio hardware setup guide",
                        LSiteUrl("/quorin/audio-hardware-setup.html").c_str(), 0, static_cast<int>(18 * s),
                        static_cast<int>(90 * s), static_cast<int>(604 * s));
    AddSeparator(kVolumeSeparator, static_cast<int>(18 * s), static_cast<int>(122 * s),
                 static_cast<int>(604 * s));
    WizardAddText(this, kVolumeDeviceLabel, "Sound Record Device:", 18, 158, 301, 21);
    AddPullDownList(kVolumeDeviceList, kVolumeDeviceChanged);
    WizardPlace(this, kVolumeDeviceList, 320, 156, 302, 21);
    WizardAddText(this, kVolumeChannelLabel, "Sound Input Channel:", 18, 212, 301, 21);
    AddPullDownList(kVolumeChannelList, kVolumeChannelChanged);
    WizardPlace(this, kVolumeChannelList, 320, 210, 302, 21);
    WizardAddText(this, kVolumeLevelLabel, "Recording Volume Level:", 18, 266, 302, 21);
    LAddDBEditControl(this, kVolumeLevel);
    WizardPlace(this, kVolumeLevel, 320, 264, 302, 25);
    WizardAddText(this, kVolumeDetecting, "Detecting Sound Level...", 18, 322, 302, 21);
    LAddPaintControl(this, kVolumeMeter);
    WizardPlace(this, kVolumeMeter, 320, 320, 302, 25);
    const char* scale[5] = {"Low", "|", "Good", "|", "High"};
    for (int i = 0; i < 5; ++i) {
        AddStaticText(kVolumeScaleFirst + i, scale[i]);
        WizardPlace(this, kVolumeScaleFirst + i, 18 + 122 * i, 352, 116, 21);
    }
    WizardAddText(this, kVolumeVerdictLabel, "Volume Level Detection:", 18, 402, 299, 21);
    AddStaticText(kVolumeVerdictText, "LOW");
    SetStaticTextStyle(kVolumeVerdictText, 0, 1);
    WizardPlace(this, kVolumeVerdictText, 323, 402, 299, 21);
}

void VolumeCalibrationPage::PlaceScaleCaptions()
{
    int x = 0, y = 0, w = 0, h = 0;
    if (!GetControlRect(kVolumeMeter, &x, &y, &w, &h))
        return;
    const int a = 7 * w / 10;
    const int b = w / 5;
    const int c = static_cast<int>(std::lround(4 * CharWidthPx()));
    const int left = x - 2;
    const int row = y + h + 2;
    const int xs[5] = {left + (a - c) / 2, left + a, left + a + (b - c) / 2, left + a + b,
                       left + a + b + (b - c) / 2};
    for (int i = 0; i < 5; ++i) {
        const int id = kVolumeScaleFirst + i;
        int cw = GetStaticTextWidth(id) + 4;
        SetControlRect(id, xs[i], row, std::max(cw, c), static_cast<int>(21 * GetScaleFactor()));
    }
}

void VolumeCalibrationPage::OnCreate()
{
    // Made only now: a wizard that never shows this page never opens the
    // sound server for it.
    recorder_ = std::make_unique<LSoundRecorder>();
    recorder_->SetListener(static_cast<LSoundRecorderListener*>(this), nullptr);
    meter_.Attach(this, kVolumeMeter);
    PlaceScaleCaptions();
    // The stored device and channel, the system's default input when the
    // stored one is gone or none was stored.
    char device[260] = {};
    LSettingsGetString("Settings", "SoundInDevice", "", device);
    const uint32_t channel =
        static_cast<uint32_t>(std::max(LSettingsGetInt("Settings", "SoundInDeviceChannel", 0), 0));
    LSoundInputSelection selection;
    LSoundInputSelectByName(selection, device, channel);
    LSoundInputSelection valid;
    LSoundInputValidateSelection(valid, selection);
    if (valid.device < 0)
        valid = LSoundInputDefaultSelection();
    WizardPullDowns lists(*this);
    // The stored channel is the one selected: the user's choice of an
    // earlier run stands.
    LFillSoundInputControls(lists, kVolumeDeviceList, kVolumeChannelList, valid);
    SetPullDownCommand(kVolumeDeviceList, kVolumeDeviceChanged);
    SetPullDownCommand(kVolumeChannelList, kVolumeChannelChanged);
    LCreateDBEdit(this, kVolumeLevel);
    LSetDBEditRange(this, kVolumeLevel, -36, 12);
    LSetDBEditValue(this, kVolumeLevel,
                    static_cast<int8_t>(std::clamp(LSettingsGetInt("Recording", "Volume", 0), -127, 127)));
    LSetDBEditCommand(this, kVolumeLevel, kVolumeLevelChanged);
    StartMonitoring();
}

void VolumeCalibrationPage::OnDestroy()
{
    if (!recorder_)
        return;
    const int32_t state = recorder_->GetState();
    if (state == kRecorderWaiting || state == kRecorderRecording)
        recorder_->Stop();
    recorder_->SetListener(nullptr, nullptr);
}

LSoundInputSelection VolumeCalibrationPage::ReadSelection()
{
    WizardPullDowns lists(*this);
    LSoundInputSelection read;
    LReadSoundInputControls(lists, kVolumeDeviceList, kVolumeChannelList, read);
    LSoundInputSelection valid;
    LSoundInputValidateSelection(valid, read);
    if (valid.device < 0)
        valid = LSoundInputDefaultSelection();
    return valid;
}

bool VolumeCalibrationPage::StartMonitoring()
{
    const LSoundInputSelection selection = ReadSelection();
    recorder_->SetSelection(selection);
    LSoundInputSetVolumeDb(selection, static_cast<int8_t>(LGetDBEditValue(this, kVolumeLevel)));
    LSoundSinkPtr sink(new LCountingSoundSink(44100, 2));
    const bool started = recorder_->Start(sink, 0, -127, kMonitorSilenceMs, kRecorderStartRecording);
    if (!started)
        LLogWarning("Volume calibration: the sound input cannot be opened");
    EnableControl(kVolumeMeter, started);
    return started;
}

void VolumeCalibrationPage::OnPageShown()
{
    if (recorder_->GetState() != kRecorderRecording)
        StartMonitoring();
}

void VolumeCalibrationPage::OnLeave()
{
    recorder_->Stop();
}

bool VolumeCalibrationPage::IsPageActive()
{
    return WizardCalibrationPageActive();
}

void VolumeCalibrationPage::OnCommand(int command, int extra)
{
    switch (command) {
    case kVolumeLevelChanged:
        // The volume changes at once; the recorder keeps running.
        LSoundInputSetVolumeDb(recorder_->GetSelection(),
                               static_cast<int8_t>(LGetDBEditValue(this, kVolumeLevel)));
        return;
    case kVolumeChannelChanged:
        StartMonitoring();
        return;
    case kVolumeDeviceChanged: {
        WizardPullDowns lists(*this);
        LFillSoundInputChannelList(lists, kVolumeDeviceList, kVolumeChannelList);
        StartMonitoring();
        return;
    }
    default:
        LWizardPage::OnCommand(command, extra);
    }
}

bool VolumeCalibrationPage::CanOK()
{
    const LSoundInputSelection selection = ReadSelection();
    LSettingsSetString("Settings", "SoundInDevice", LSoundInputGetDeviceName(selection.device).c_str());
    char text[32];
    std::snprintf(text, sizeof text, "%u", selection.channel);
    LSettingsSetString("Settings", "SoundInDeviceChannel", text);
    std::snprintf(text, sizeof text, "%d", LGetDBEditValue(this, kVolumeLevel));
    LSettingsSetString("Recording", "Volume", text);
    return true;
}

void VolumeCalibrationPage::OnHelp()
{
    LOpenHelpTopic("volumecalibration");
}

void VolumeCalibrationPage::OnLevels(const LSoundLevelRecord* levels, void*)
{
    OnRecorderLevels(levels);
}

void VolumeCalibrationPage::OnRecorderLevels(const LSoundLevelRecord* levels)
{
    if (levels == nullptr)
        return;
    meter_.SetLevels(levels);
    VolumeVerdict verdict = VolumeVerdict::kLow;
    if (!readings_.Add(VolumeReading(*levels), &verdict))
        return;
    SetControlText(kVolumeVerdictText, VolumeVerdictText(verdict));
    SetStaticTextRGB(kVolumeVerdictText, verdict == VolumeVerdict::kGood ? LRGBColor::FromRGB8(0, 200, 0)
                                                                         : LRGBColor::FromRGB8(200, 0, 0));
}
