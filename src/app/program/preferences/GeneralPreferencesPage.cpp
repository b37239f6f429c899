#include "app/program/preferences/GeneralPreferencesPage.h"

#include "app/program/preferences/OutputFolders.h"
#include "app/program/preferences/WindowPullDowns.h"
#include "app/program/recording/RecordingInput.h"
#include "audio/core/LSoundSink.h"
#include "audio/devices/LSoundDeviceControls.h"
#include "audio/effects/LRestorationTasks.h"
#include "foundation/files/LPath.h"
#include "foundation/log/LLog.h"
#include "foundation/platform/LStandardFolders.h"
#include "foundation/settings/LSettings.h"
#include "gui/controls/LDBEdit.h"
#include "gui/controls/LPaintControl.h"
#include "gui/framework/LFilePanels.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

// Monitoring runs at most this long (sixty hours): for a page, for ever.
constexpr int64_t kMonitorSilenceMs = 216000000;
constexpr int kMinimumRecordingSeconds = 2;
constexpr int8_t kVolumeSliderLow = -36;
constexpr int8_t kVolumeSliderHigh = 12;

const FolderQuestion kRecordingFolderTexts = {
    "General Setting: The specified recording path \"%s\" is not a folder or it is not writable for you! "
    "Please choose another one or leave it blank to reset to default folder.",
    "General : The recording output folder you specified does not exist. Would you like to create it?",
    false,
};

void Builder(LWindow* window, int, int, int)
{
    static_cast<GeneralPreferencesPage*>(window)->Layout();
}

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return "";
    const size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

} // namespace

GeneralPreferencesPage::GeneralPreferencesPage() = default;

GeneralPreferencesPage::~GeneralPreferencesPage()
{
    StopMonitoring();
    recorder_.SetListener(nullptr, nullptr);
    meter_.Destroy();
}

const LDialogTemplate* GeneralPreferencesPage::Template()
{
    static const LDialogTemplate dialogTemplate{652, 360, "General", false, Builder};
    return &dialogTemplate;
}

void GeneralPreferencesPage::Layout()
{
    const double s = GetScaleFactor();
    auto place = [&](int id, double x, double y, double w, double h) {
        SetControlRect(id, static_cast<int>(x * s), static_cast<int>(y * s), static_cast<int>(w * s),
                       static_cast<int>(h * s));
    };
    auto label = [&](int id, const char* text, double y) {
        AddStaticText(id, text);
        place(id, 20, y, 196, 21);
    };
    label(kFolderLabel, "Recording output folder:", 18);
    AddTextInput(kFolderText, false);
    place(kFolderText, 20, 42, 492, 24);
    AddButtonNoRect(kFolderBrowse, "Browse...");
    place(kFolderBrowse, 522, 42, 110, 24);

    label(kDeviceLabel, "Sound record device:", 88);
    AddPullDownList(kDeviceList, kDeviceChanged);
    place(kDeviceList, 222, 86, 410, 24);
    label(kChannelLabel, "Sound input channel:", 120);
    AddPullDownList(kChannelList, kChannelChanged);
    place(kChannelList, 222, 118, 410, 24);

    label(kVolumeLabel, "Recording volume level:", 156);
    LAddDBEditControl(this, kVolumeSlider);
    place(kVolumeSlider, 222, 154, 410, 25);
    AddStaticText(kVolumeScale, "|-       low       -|-        good        -|-       high      -|");
    SetStaticTextStyle(kVolumeScale, 0, 1);
    place(kVolumeScale, 222, 180, 410, 18);
    label(kLevelLabel, "Input level:", 206);
    LAddPaintControl(this, kLevelMeter);
    place(kLevelMeter, 222, 208, 410, 16);

    AddCheckBox(kToneCheck, "Play a tone when recording starts and stops");
    place(kToneCheck, 20, 254, 612, 22);
    AddCheckBox(kMinTimeCheck, "Discard recorded files that are shorter than:");
    place(kMinTimeCheck, 20, 288, 340, 22);
    AddUpDown(kMinTimeInput, false);
    place(kMinTimeInput, 366, 286, 70, 25);
    AddStaticText(kMinTimeUnit, "seconds");
    place(kMinTimeUnit, 444, 288, 100, 21);
}

void GeneralPreferencesPage::OnCreate()
{
    CreateTooltip();
    char stored[kLPathSize] = {};
    LSettingsGetString("Settings", "AppOutputFolder", "", stored);
    storedFolder_ = stored;
    char folder[kLPathSize] = {};
    GetAppOutputFolder(folder);
    SetControlText(kFolderText, folder);

    char device[260] = {};
    LSettingsGetString("Settings", "SoundInDevice", "", device);
    LSoundInputSelection chosen;
    LSoundInputSelectByName(chosen, device,
                            static_cast<uint32_t>(std::max(LSettingsGetInt("Settings", "SoundInDeviceChannel", 0), 0)));
    LSoundInputSelection valid;
    LSoundInputValidateSelection(valid, chosen);
    if (valid.device < 0)
        valid = LSoundInputDefaultSelection();
    WindowPullDowns lists(*this);
    LFillSoundInputControls(lists, kDeviceList, kChannelList, valid);
    if (GetPullDownItemCount(kDeviceList) == 0) {
        // Said rather than shown as an empty list; nothing is stored for it.
        AddPullDownItem(kDeviceList, "No recording device found");
        SelectPullDownItem(kDeviceList, 0);
        EnableControl(kDeviceList, false);
        EnableControl(kChannelList, false);
        hasInputs_ = false;
    }

    // The slider covers the useful range, and a stored value outside it too,
    // so that opening and confirming never changes a volume nobody touched.
    const int volume = StoredRecordingVolume();
    LCreateDBEdit(this, kVolumeSlider);
    LSetDBEditRange(this, kVolumeSlider, static_cast<int8_t>(std::min<int>(kVolumeSliderLow, volume)),
                    static_cast<int8_t>(std::max<int>(kVolumeSliderHigh, volume)));
    LSetDBEditValue(this, kVolumeSlider, static_cast<int8_t>(volume));
    LSetDBEditCommand(this, kVolumeSlider, kVolumeChanged);

    meter_.Attach(this, kLevelMeter);
    meter_.Clear();
    EnableControl(kLevelMeter, false);
    recorder_.SetListener(static_cast<LSoundRecorderListener*>(this), nullptr);

    SetCheck(kToneCheck, PreferenceFlagOn("Settings", "RecordTone"));
    SetCheck(kMinTimeCheck, PreferenceFlagOn("Settings", "UseMinTime"));
    // Below two seconds can be typed so that the refusal can say why.
    SetUpDownRange(kMinTimeInput, 0, 99, 1);
    SetUpDownValue(kMinTimeInput,
                   std::clamp(LSettingsGetInt("Settings", "MinTime", kMinimumRecordingSeconds),
                              kMinimumRecordingSeconds, 99));
}

void GeneralPreferencesPage::OnDestroy()
{
    StopMonitoring();
    recorder_.SetListener(nullptr, nullptr);
}

void GeneralPreferencesPage::OnPageShown()
{
    StartMonitoring();
}

void GeneralPreferencesPage::OnLeave()
{
    StopMonitoring();
}

bool GeneralPreferencesPage::StartMonitoring()
{
    StopMonitoring();
    WindowPullDowns lists(*this);
    LSoundInputSelection selection;
    LReadSoundInputControls(lists, kDeviceList, kChannelList, selection);
    if (hasInputs_ && selection.device >= 0) {
        LSoundInputSetVolumeDb(selection, static_cast<int8_t>(LGetDBEditValue(this, kVolumeSlider)));
        recorder_.SetSelection(selection);
        LSoundSinkPtr sink(new LCountingSoundSink(44100, 2));
        monitoring_ = recorder_.Start(sink, 0, -127, kMonitorSilenceMs, kRecorderStartRecording);
    }
    if (!monitoring_)
        LLogWarning("Preferences: the sound input cannot be opened for its level meter");
    meter_.Clear();
    EnableControl(kLevelMeter, monitoring_);
    return monitoring_;
}

void GeneralPreferencesPage::StopMonitoring()
{
    if (monitoring_ || recorder_.GetState() != kRecorderStopped)
        recorder_.Stop();
    monitoring_ = false;
}

void GeneralPreferencesPage::OnLevels(const LSoundLevelRecord* levels, void*)
{
    OnRecorderLevels(levels);
}

void GeneralPreferencesPage::OnRecorderLevels(const LSoundLevelRecord* levels)
{
    if (levels != nullptr && monitoring_)
        meter_.SetLevels(levels);
}

void GeneralPreferencesPage::UpdateControls()
{
    const bool minTime = GetCheck(kMinTimeCheck);
    for (int id : {kMinTimeInput, kMinTimeField, kMinTimeUnit})
        EnableControl(id, minTime);
}

void GeneralPreferencesPage::OnCommand(int command, int extra)
{
    switch (command) {
    case kFolderBrowse: {
        char folder[kLPathSize] = {};
        GetControlTextN(kFolderText, folder, sizeof folder);
        if (LChooseFolder(GetView(), folder, "Select Output Folder...", nullptr) == 1)
            SetControlText(kFolderText, folder);
        break;
    }
    case kDeviceChanged: {
        WindowPullDowns lists(*this);
        LFillSoundInputChannelList(lists, kDeviceList, kChannelList);
        StartMonitoring();
        break;
    }
    case kChannelChanged:
    case kVolumeChanged:
        StartMonitoring();
        break;
    case kMinTimeCheck:
        break;
    default:
        LPropertyPage::OnCommand(command, extra);
        return;
    }
    if (IsVisible())
        UpdateControls();
}

void GeneralPreferencesPage::OnHelp()
{
    LOpenHelpTopic("options");
}

bool GeneralPreferencesPage::GatherFolder(PreferenceChanges& changes)
{
    std::string field;
    GetControlTextLong(kFolderText, field);
    field = Trimmed(field);
    if (field.empty()) {
        if (!storedFolder_.empty()) {
            // Blank keeps the folder in use; the field shows it again.
            char folder[kLPathSize] = {};
            GetAppOutputFolder(folder);
            SetControlText(kFolderText, folder);
            return true;
        }
        char appData[kLPathSize] = {};
        if (!LGetAppDataFolder(appData))
            return false;
        changes.Set("Settings", "AppOutputFolder", appData);
        folderChanged_ = true;
        return true;
    }
    while (field.size() > 1 && field.back() == '/')
        field.pop_back();
    if (CheckFolderForUse(GetView(), field, kRecordingFolderTexts) != FolderCheck::kAccepted)
        return false;
    char current[kLPathSize] = {};
    GetAppOutputFolder(current);
    changes.Set("Settings", "AppOutputFolder", field.c_str());
    folderChanged_ = field != current;
    return true;
}

bool GeneralPreferencesPage::Gather(PreferenceChanges& changes)
{
    folderChanged_ = false;
    if (!GatherFolder(changes))
        return false;
    const int minTime = GetUpDownValue(kMinTimeInput);
    if (GetCheck(kMinTimeCheck) && minTime < kMinimumRecordingSeconds) {
        SetUpDownValue(kMinTimeInput, kMinimumRecordingSeconds);
        ShowBubbleTip(kMinTimeField, "The minimum recording time is two seconds\nYou cannot set a recording to "
                                     "be less than two seconds long.");
        return false;
    }

    WindowPullDowns lists(*this);
    LSoundInputSelection selection;
    LReadSoundInputControls(lists, kDeviceList, kChannelList, selection);
    if (hasInputs_ && selection.device >= 0) {
        changes.Set("Settings", "SoundInDevice", LSoundInputGetDeviceName(selection.device).c_str());
        changes.SetInt("Settings", "SoundInDeviceChannel", selection.channel);
    }
    changes.SetInt("Recording", "Volume", std::clamp(LGetDBEditValue(this, kVolumeSlider), -127, 127));
    changes.SetFlag("Settings", "RecordTone", GetCheck(kToneCheck));
    changes.SetFlag("Settings", "UseMinTime", GetCheck(kMinTimeCheck));
    if (GetCheck(kMinTimeCheck))
        changes.SetInt("Settings", "MinTime", std::max(minTime, kMinimumRecordingSeconds));
    return true;
}
