#include "app/program/preferences/AudioPreferencesPage.h"

#include "app/program/preferences/FormatSettings.h"
#include "app/program/preferences/OutputActions.h"
#include "app/program/preferences/OutputFolders.h"
#include "burn/LDiscServices.h"
#include "burn/LProgramDrives.h"
#include "foundation/files/LPath.h"
#include "foundation/settings/LSettings.h"
#include "foundation/threads/LLocalProcessContext.h"
#include "gui/framework/LFilePanels.h"
#include "gui/framework/LMessageBox.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char* const kSourceTexts[] = {"Vinyl", "Cassette", nullptr};
const char* const kSpeedTexts[] = {"33/45/78 RPM", "33 RPM Played at 45 RPM", "78 RPM Played at 45 RPM", nullptr};
const char* const kConnectionTexts[] = {"Via Amp or Pre-Amp", "Direct Phono to Computer", nullptr};

struct RestorationFlag
{
    int id;
    const char* name;
    bool absentOn;
};
constexpr RestorationFlag kRestorationFlags[] = {
    {AudioPreferencesPage::kDcOffsetCheck, "DCOffset", false},
    {AudioPreferencesPage::kHighPassCheck, "HPF", false},
    {AudioPreferencesPage::kRiaaCheck, "Equalization", true},
    {AudioPreferencesPage::kClickPopCheck, "ClickPop", false},
    {AudioPreferencesPage::kNoiseReduceCheck, "NoiseReduce", false},
    {AudioPreferencesPage::kNormalizeCheck, "Normalization", false},
};

void Builder(LWindow* window, int, int, int)
{
    static_cast<AudioPreferencesPage*>(window)->Layout();
}

} // namespace

const LDialogTemplate* AudioPreferencesPage::Template()
{
    static const LDialogTemplate dialogTemplate{652, 460, "Audio Settings", false, Builder};
    return &dialogTemplate;
}

void AudioPreferencesPage::Layout()
{
    const double s = GetScaleFactor();
    auto place = [&](int id, double x, double y, double w, double h) {
        SetControlRect(id, static_cast<int>(x * s), static_cast<int>(y * s), static_cast<int>(w * s),
                       static_cast<int>(h * s));
    };
    auto row = [&](int labelId, const char* label, int listId, int command, double y) {
        AddStaticText(labelId, label);
        place(labelId, 20, y + 2, 196, 21);
        AddPullDownList(listId, command);
        place(listId, 222, y, 410, 24);
    };
    row(kSourceLabel, "Recording source:", kSourceList, kSourceChanged, 16);
    row(kSpeedLabel, "Recording speed:", kSpeedList, kSpeedChanged, 48);
    row(kConnectionLabel, "Connection mode:", kConnectionList, kConnectionChanged, 80);
    row(kBurnerLabel, "CD/DVD burning:", kBurnerList, kBurnerChanged, 112);
    AddStaticText(kNoiseLabel, "Noise floor(-60 to 12):");
    place(kNoiseLabel, 20, 146, 196, 21);
    AddUpDown(kNoiseInput, false);
    place(kNoiseInput, 222, 144, 80, 25);
    AddStaticText(kNoiseUnit, "dB");
    place(kNoiseUnit, 310, 146, 40, 21);

    row(kActionLabel, "Post-recording action:", kActionList, kActionChanged, 186);
    AddButtonNoRect(kFormatSettings, "Format Settings...");
    place(kFormatSettings, 482, 218, 150, 24);
    AddCheckBox(kMakeCopyCheck, "Make copy to:");
    place(kMakeCopyCheck, 20, 254, 196, 22);
    AddTextInput(kCopyFolderText, false);
    place(kCopyFolderText, 222, 252, 290, 24);
    AddButtonNoRect(kCopyFolderBrowse, "Browse...");
    place(kCopyFolderBrowse, 522, 252, 110, 24);

    AddGroupBox(kRestorationGroup, "Audio restoration");
    place(kRestorationGroup, 20, 294, 612, 140);
    const struct
    {
        int id;
        const char* text;
        double x, y;
    } checks[] = {
        {kDcOffsetCheck, "DC offset correction", 36, 324},
        {kHighPassCheck, "High pass filter", 36, 358},
        {kRiaaCheck, "RIAA EQ", 36, 392},
        {kClickPopCheck, "Auto click/pop reduction", 336, 324},
        {kNoiseReduceCheck, "Noise reduction", 336, 358},
        {kNormalizeCheck, "Normalization", 336, 392},
    };
    for (const auto& check : checks) {
        AddCheckBox(check.id, check.text);
        place(check.id, check.x, check.y, 280, 22);
    }
}

void AudioPreferencesPage::OnCreate()
{
    CreateTooltip();
    AddPullDownItems(kSourceList, kSourceTexts);
    AddPullDownItems(kSpeedList, kSpeedTexts);
    AddPullDownItems(kConnectionList, kConnectionTexts);
    for (const char* text : kOutputActionTexts)
        AddPullDownItem(kActionList, text);

    const bool vinyl = PreferenceFlagOn("RecordingSource", "Vinyl", true);
    const bool viaAmp = PreferenceFlagOn("RecordingSource", "Amp", true);
    SelectPullDownItem(kSourceList, vinyl ? 0 : 1);
    SelectPullDownItem(kSpeedList, std::clamp(LSettingsGetInt("RecordingSource", "RecordingSpeed", 0), 0, 2));
    SelectPullDownItem(kConnectionList, viaAmp ? 0 : 1);

    // The drives are only shown here: which one burns is the burn settings' choice.
    LBurnDriveList drives;
    LLocalProcessContext context;
    LScanBurnDrives(&context, LProgramBurnBackend(), drives);
    for (uint32_t i = 0; i < drives.count; ++i)
        AddPullDownItem(kBurnerList,
                        (std::string(drives.drives[i].vendor) + " " + drives.drives[i].product).c_str());
    const int drive = LSettingsGetInt("CDRecorder", "CDDrive", 0);
    if (drives.count == 0)
        AddPullDownItem(kBurnerList, "No CD/DVD burner found");
    SelectPullDownItem(kBurnerList, drive >= 0 && drive < drives.count ? drive : 0);
    EnableControl(kBurnerList, false);

    acceptedNoiseFloor_ = std::clamp(LSettingsGetInt("Settings", "dBNoiseFloor", -25), -127, 127);
    SetUpDownRange(kNoiseInput, -127, 127, 1);
    checkingNoise_ = true;
    SetUpDownValue(kNoiseInput, acceptedNoiseFloor_);
    checkingNoise_ = false;

    SelectPullDownItem(kActionList, StoredOutputAction());
    SetCheck(kMakeCopyCheck, PreferenceFlagOn("OutputFormat", "MakeCopy"));
    char folder[kLPathSize] = {};
    LSettingsGetString("OutputFormat", "OutputFolder", DefaultRecordingFolder().c_str(), folder);
    SetControlText(kCopyFolderText, folder);

    for (const RestorationFlag& flag : kRestorationFlags)
        SetCheck(flag.id, PreferenceFlagOn("AudioRestoration", flag.name, flag.absentOn));
    if (!vinyl)
        SetCheck(kClickPopCheck, false);
    if (!vinyl || viaAmp)
        SetCheck(kRiaaCheck, false);
}

void AudioPreferencesPage::UpdateControls()
{
    const bool vinyl = IsVinyl();
    EnableControl(kSpeedList, vinyl);
    EnableControl(kSpeedLabel, vinyl);
    EnableControl(kConnectionList, vinyl);
    EnableControl(kConnectionLabel, vinyl);
    const bool riaa = vinyl && IsDirectPhono();
    EnableControl(kRiaaCheck, riaa);
    if (!riaa)
        SetCheck(kRiaaCheck, false);
    EnableControl(kClickPopCheck, vinyl);
    if (!vinyl)
        SetCheck(kClickPopCheck, false);
    EnableControl(kFormatSettings, OutputActionHasFormatSettings(GetPullDownSelection(kActionList)));
    const bool copy = GetCheck(kMakeCopyCheck);
    EnableControl(kCopyFolderText, copy);
    EnableControl(kCopyFolderBrowse, copy);
}

bool AudioPreferencesPage::IsAcceptableNoiseText(const char* text)
{
    if (text == nullptr || *text == '\0')
        return true;
    const char* p = text;
    if (*p == '-')
        ++p;
    if (*p == '\0' || std::strlen(p) > 4)
        return false;
    for (const char* d = p; *d != '\0'; ++d)
        if (!std::isdigit(static_cast<unsigned char>(*d)))
            return false;
    const int value = std::atoi(text);
    return value >= kNoiseFloorLow && value <= kNoiseFloorHigh;
}

void AudioPreferencesPage::CheckTypedNoiseFloor()
{
    if (checkingNoise_)
        return;
    char text[64] = {};
    GetControlTextN(kNoiseField, text, sizeof text);
    if (text[0] == '\0')
        return;
    if (IsAcceptableNoiseText(text)) {
        acceptedNoiseFloor_ = std::atoi(text);
        return;
    }
    // A value shown from the settings may lie outside the range: only a
    // change to another unacceptable text is refused here.
    if (std::atoi(text) == acceptedNoiseFloor_)
        return;
    checkingNoise_ = true;
    SetUpDownValue(kNoiseInput, acceptedNoiseFloor_);
    checkingNoise_ = false;
    ShowBubbleTip(kNoiseField, "Please enter a number between -60 and 12");
}

void AudioPreferencesPage::OnCommand(int command, int extra)
{
    switch (command) {
    case kSourceChanged:
    case kSpeedChanged:
    case kConnectionChanged:
    case kActionChanged:
    case kBurnerChanged:
    case kMakeCopyCheck:
        break;
    case kNoiseInput:
        CheckTypedNoiseFloor();
        break;
    case kFormatSettings:
        RunFormatSettings(GetView(), GetPullDownSelection(kActionList));
        break;
    case kCopyFolderBrowse: {
        char folder[kLPathSize] = {};
        GetControlTextN(kCopyFolderText, folder, sizeof folder);
        if (LChooseFolder(GetView(), folder, "Locate output folder...", nullptr) == 1)
            SetControlText(kCopyFolderText, folder);
        break;
    }
    default:
        LPropertyPage::OnCommand(command, extra);
        return;
    }
    if (IsVisible())
        UpdateControls();
}

void AudioPreferencesPage::OnHelp()
{
    LOpenHelpTopic("audiooptions");
}

bool AudioPreferencesPage::Gather(PreferenceChanges& changes)
{
    UpdateControls();
    changes.SetFlag("RecordingSource", "Vinyl", IsVinyl());
    changes.SetInt("RecordingSource", "RecordingSpeed", std::max(0, GetPullDownSelection(kSpeedList)));
    const bool makeCopy = GetCheck(kMakeCopyCheck);
    if (makeCopy) {
        std::string field, folder;
        GetControlTextLong(kCopyFolderText, field);
        if (!CheckCopyFolder(GetView(), field, &folder))
            return false;
        SetControlText(kCopyFolderText, folder.c_str());
        changes.Set("OutputFormat", "OutputFolder", folder.c_str());
    }
    changes.SetFlag("OutputFormat", "MakeCopy", makeCopy);
    changes.SetFlag("RecordingSource", "Amp", !IsDirectPhono());

    char text[64] = {};
    GetControlTextN(kNoiseField, text, sizeof text);
    if (text[0] != '\0') {
        if (!IsAcceptableNoiseText(text) && std::atoi(text) != acceptedNoiseFloor_) {
            SetFocus(kNoiseField);
            ShowBubbleTip(kNoiseField, "Please enter a number between -60 and 12");
            return false;
        }
        const int floor = std::clamp(std::atoi(text), -127, 127);
        if (floor < kNoiseFloorLow || floor > kNoiseFloorHigh) {
            LMessageBox box(
                GetView(),
                "You have specified an unusual noise floor value, typical values range from -36dB to "
                "+12dB. Are you sure you want to use the specified value?\r\n\r\nClick 'Continue' to keep "
                "the specified value.\r\nClick 'Cancel' if you wish to specify a different value.\r\n\r\nAn "
                "incorrect noise floor may cause Quorin to experience issues with recordings.",
                "Quorin Dizer od OD Udivezeve");
            box.style = LMessageBoxWarningStyle;
            box.SetButton(1, "Continue");
            box.SetButton(2, "Cancel");
            if (box.Show() != 1)
                return false;
        }
        changes.SetInt("Settings", "dBNoiseFloor", floor);
    }

    const int action = std::max(0, GetPullDownSelection(kActionList));
    if (IsMp3OutputAction(action) && !EnsureMp3EncoderInstalled(GetView()))
        return false;
    changes.SetInt("OutputFormat", "OutputFormatNum", action);
    for (const RestorationFlag& flag : kRestorationFlags)
        changes.SetFlag("AudioRestoration", flag.name, GetCheck(flag.id));
    changes.Set("Settings", "NormalizeLevel", GetCheck(kNormalizeCheck) ? "100" : "0");
    return true;
}
