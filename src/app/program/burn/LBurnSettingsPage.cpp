#include "app/program/burn/LBurnSettingsPage.h"

#include "app/program/MainWindowMessages.h"
#include "app/program/burn/LBurnCommands.h"
#include "app/program/burn/LDataDiscTypeDialog.h"
#include "app/program/burn/LProgressTasks.h"
#include "burn/LMediaType.h"
#include "burn/LProgramDrives.h"
#include "foundation/settings/LSettings.h"
#include "foundation/threads/LLocalProcessContext.h"
#include "gui/framework/LCommands.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* kSection = "CDRecorder";

// Off unless something other than a leading '0' is stored.
bool FlagDefaultOff(const char* section, const char* key)
{
    char text[260] = {};
    LSettingsGetString(section, key, "", text);
    return text[0] != '\0' && text[0] != '0';
}

// On unless the stored text begins with '0'.
bool FlagDefaultOn(const char* section, const char* key)
{
    char text[260] = {};
    LSettingsGetString(section, key, "", text);
    return text[0] != '0';
}

void SetFlag(const char* key, bool on)
{
    LSettingsSetString(kSection, key, on ? "1" : "0");
}

void Builder(LWindow* window, int, int, int)
{
    static_cast<LBurnSettingsPage*>(window)->Layout(true);
}

} // namespace

void LBurnPageSettings::Load()
{
    eraseRewritable = FlagDefaultOn(kSection, "EraseCDRW");
    overburn = FlagDefaultOff(kSection, "Overburn");
    LSettingsGetString(kSection, "CDLabel", "CDLabel", label);
    const int storedSpeed = LSettingsGetInt(kSection, "Speed", 65535);
    speed = storedSpeed < 0 || storedSpeed > 65535 ? 65535 : static_cast<uint16_t>(storedSpeed);
    const int drive = LSettingsGetInt(kSection, "CDDrive", 0);
    driveIndex = drive < 0 || drive > 255 ? 0 : static_cast<uint8_t>(drive);
    loadEject = FlagDefaultOn(kSection, "CDLoadEject");
    audioCd = FlagDefaultOn("OutputFormat", "BurnAudioCD");
}

uint32_t LBurnSpeedUnit(uint32_t media)
{
    if (media <= kMediaCdRom)
        return 177;
    if (media <= kMediaDvdRom)
        return 1385;
    if (media <= kMediaBdRe)
        return 4495;
    return 1;
}

LBurnSettingsPage::LBurnSettingsPage(LBurnPageSettings& settings) : settings_(settings) {}

LBurnSettingsPage::~LBurnSettingsPage() = default;

const LDialogTemplate* LBurnSettingsPage::Template()
{
    static const LDialogTemplate dialogTemplate{640, 348, "Burn Settings", true, Builder};
    return &dialogTemplate;
}

const LDialogTemplate* LBurnAudioDialog::Template()
{
    static const LDialogTemplate dialogTemplate{640, 348, "Burn Audio", true, Builder};
    return &dialogTemplate;
}

void LBurnSettingsPage::Layout(bool withButtons)
{
    const double s = GetScaleFactor();
    auto place = [&](int id, double x, double y, double w, double h) {
        SetControlRect(id, static_cast<int>(x * s), static_cast<int>(y * s), static_cast<int>(w * s),
                       static_cast<int>(h * s));
    };
    AddPullDownList(kDriveList, kDriveChanged);
    place(kDriveList, 320, 14, 302, 21);
    AddStaticText(kDriveCaption, "CD/DVD Drive:");
    place(kDriveCaption, 18, 16, 301, 21);
    AddStaticText(kLabelCaption, "Disc Label (16 characters max):");
    place(kLabelCaption, 18, 46, 294, 21);
    AddTextInput(kLabel, false);
    place(kLabel, 320, 44, 302, 23);
    AddPullDownList(kSpeedList, kSpeedList);
    place(kSpeedList, 320, 76, 302, 21);
    AddStaticText(kSpeedCaption, "Disc Write Speed:");
    place(kSpeedCaption, 18, 78, 301, 21);
    AddCheckBox(kEraseCheck, "Erase rewriteable CDs/DVDs prior to burning");
    place(kEraseCheck, 18, 106, 604, 21);
    AddCheckBox(kOverburnCheck, "Use overburning (advanced feature)");
    place(kOverburnCheck, 18, 132, 604, 21);
    AddCheckBox(kDataDiscCheck, "Burn file to a Data disc in mp3/wav format");
    place(kDataDiscCheck, 18, 158, 299, 34);
    AddButtonNoRect(kDataSettings, "Settings...");
    place(kDataSettings, 323, 158, 299, 23);
    AddStaticText(kTotalCaption, "Total Duration / Size of Current Recordings:");
    place(kTotalCaption, 18, 201, 299, 21);
    AddStaticText(kTotalText, "");
    place(kTotalText, 323, 201, 299, 21);
    AddStaticText(kCapacityCaption, "Total Disc Capacity:");
    place(kCapacityCaption, 18, 227, 299, 21);
    AddStaticText(kCapacityText, "");
    place(kCapacityText, 323, 227, 299, 21);
    AddButtonNoRect(kEraseNow, "Erase CD-RW/DVD-RW Now");
    place(kEraseNow, 18, 260, 299, 23);
    AddButtonNoRect(kRefresh, "Refresh Disc Information");
    place(kRefresh, 323, 260, 299, 23);
    AddSeparator(kSeparator, static_cast<int>(18 * s), static_cast<int>(301 * s), static_cast<int>(604 * s));
    if (withButtons) {
        AddHelpButton();
        place(kCommandHelp, 18, 312, 25, 25);
        AddOKCancelButtonsNoRect();
        place(kCommandOK, 522, 313, 100, 23);
        place(kCommandCancel, 408, 313, 100, 23);
    }
}

void LBurnSettingsPage::OnHelp()
{
    LOpenHelpTopic("cdburnsettings");
}

void LBurnSettingsPage::OnCreate()
{
    SetControlText(kLabel, settings_.label);
    SetTextLimit(kLabel, 16);
    SetCheck(kEraseCheck, settings_.eraseRewritable);
    SetCheck(kOverburnCheck, settings_.overburn);
    SetCheck(kDataDiscCheck, !settings_.audioCd);
    // A disc put in or taken out only refreshes the texts, in place.
    SetDiscInsertedCommand(kDiscInserted);
    SetDiscEjectedCommand(kDiscEjected);
    ScanDrives(false);
    RefreshInformation();
}

void LBurnSettingsPage::ScanDrives(bool withWindow)
{
    drives_ = LBurnDriveList{};
    if (withWindow) {
        LScanBurnDrivesTask task("Locating Burners", LProgramBurnBackend(), drives_);
        task.Run(GetView());
    } else {
        LLocalProcessContext context;
        LScanBurnDrives(&context, LProgramBurnBackend(), drives_);
    }
    scanned_ = true;
    const int previous = GetPullDownItemCount(kDriveList) > 0 ? GetPullDownSelection(kDriveList) : -1;
    DeleteAllPullDownItems(kDriveList);
    for (uint32_t i = 0; i < drives_.count; ++i) {
        std::string name = std::string(drives_.drives[i].vendor) + " " + drives_.drives[i].product;
        AddPullDownItem(kDriveList, name.c_str());
    }
    const int wanted = previous >= 0 ? previous : settings_.driveIndex;
    if (drives_.count > 0)
        SelectPullDownItem(kDriveList, wanted < static_cast<int>(drives_.count) ? wanted : 0);
}

void LBurnSettingsPage::ShowTotals()
{
    // What the files take on the disc chosen here: playing time on an audio
    // CD (whatever format the files are in), bytes on a data disc; the free
    // space of the disc in the same unit.
    const bool audioCd = !GetCheck(kDataDiscCheck);
    char text[260] = {};
    if (audioCd) {
        LSettingsGetString("RecordingPage", "TotalTime", "0:00:00.00", text);
    } else {
        LSettingsGetString("RecordingPage", "TotalSize", "0", text);
        std::snprintf(text, sizeof text, "%5.2f MB",
                      static_cast<double>(std::strtoll(text, nullptr, 10)) / 1048576.0);
    }
    SetControlText(kTotalText, text);
    const std::string capacity =
        discRead_ ? LFormatDiscCapacity(discCode_, freeBlocks_, audioCd) : "No Drive";
    SetControlText(kCapacityText, capacity.c_str());
}

void LBurnSettingsPage::RefreshInformation()
{
    DeleteAllPullDownItems(kSpeedList);
    AddPullDownItem(kSpeedList, "[MAX]");
    SetPullDownItemData(kSpeedList, 0, 65535);
    SelectPullDownItem(kSpeedList, 0);
    const int selected = drives_.count > 0 ? GetPullDownSelection(kDriveList) : -1;
    discRead_ = false;
    if (selected >= 0) {
        // One look at the selected drive's disc: its state, its free space
        // and the speeds it offers, in the unit of its own kind of disc.
        std::unique_ptr<LBurnDrive> drive =
            LGetBurnDevice(LProgramBurnBackend(), static_cast<uint32_t>(selected));
        int32_t code = kBurnDriveMissing;
        int64_t freeBlocks = 0, usedBlocks = 0;
        uint32_t media = kMediaNoDisc;
        std::vector<uint32_t> speeds;
        if (drive) {
            LBurnResult result;
            code = LGetMediaCapacity(result, *drive, freeBlocks, usedBlocks, media);
            if (code != 14)
                speeds = drive->WriteSpeeds();
        }
        discRead_ = true;
        discCode_ = code;
        freeBlocks_ = freeBlocks;
        const uint32_t unit = LBurnSpeedUnit(media);
        int match = 0;
        uint32_t added = 0;
        for (uint32_t kbs : speeds) {
            if (added == kBurnSpeedCount)
                break;
            const uint32_t scaled = (kbs + 20) / unit * 10;
            if (scaled == 0)
                break;
            char item[32];
            std::snprintf(item, sizeof item, "%ux", scaled / 10);
            const int index = AddPullDownItem(kSpeedList, item);
            SetPullDownItemData(kSpeedList, index, scaled);
            ++added;
            if (selected == settings_.driveIndex && scaled == settings_.speed)
                match = index;
        }
        SelectPullDownItem(kSpeedList, match);
        // The status bar's text, in the unit of the output format.
        if (selected == settings_.driveIndex)
            LSettingsSetString("CD", "Capacity", LFormatDiscCapacity(code, freeBlocks).c_str());
    }
    ShowTotals();
}

void LBurnSettingsPage::UpdateControls()
{
    const bool data = GetCheck(kDataDiscCheck);
    EnableControl(kLabel, data);
    EnableControl(kLabelCaption, data);
    EnableControl(kDataSettings, data);
    EnableControl(kEraseNow, settings_.eraseDisc != nullptr);
}

void LBurnSettingsPage::OnCommand(int command, int extra)
{
    switch (command) {
    case kDriveChanged:
    case kDiscInserted:
    case kDiscEjected:
        RefreshInformation();
        break;
    case kRefresh:
        ScanDrives(true);
        RefreshInformation();
        break;
    case kDataSettings:
        RunDataDiscOptions();
        break;
    case kEraseNow:
        if (settings_.eraseDisc)
            settings_.eraseDisc();
        RefreshInformation();
        break;
    case kDataDiscCheck:
        ShowTotals();
        break;
    default:
        LWindow::OnCommand(command, extra);
        return;
    }
    if (IsVisible())
        UpdateControls();
}

void LBurnSettingsPage::RunDataDiscOptions()
{
    LRunDataDiscTypeDialog(this);
}

bool LBurnSettingsPage::CanOK()
{
    Store();
    return true;
}

void LBurnSettingsPage::Store()
{
    settings_.internal = true;
    if (drives_.count > 0)
        settings_.driveIndex = static_cast<uint8_t>(GetPullDownSelection(kDriveList));
    const int speedIndex = GetPullDownSelection(kSpeedList);
    if (speedIndex <= 0) {
        settings_.speed = 65535;
    } else {
        char item[32] = {};
        GetPullDownItemText(kSpeedList, speedIndex, item, sizeof item);
        settings_.speed = static_cast<uint16_t>(std::strtol(item, nullptr, 10) * 10);
    }
    settings_.eraseRewritable = GetCheck(kEraseCheck);
    settings_.overburn = GetCheck(kOverburnCheck);
    GetControlText(kLabel, settings_.label);
    settings_.audioCd = !GetCheck(kDataDiscCheck);

    SetFlag("Internal", true);
    SetFlag("EraseCDRW", settings_.eraseRewritable);
    SetFlag("Overburn", settings_.overburn);
    LSettingsSetString(kSection, "CDLabel", settings_.label);
    char number[16];
    std::snprintf(number, sizeof number, "%d", settings_.speed);
    LSettingsSetString(kSection, "Speed", number);
    std::snprintf(number, sizeof number, "%d", settings_.driveIndex);
    LSettingsSetString(kSection, "CDDrive", number);
    SetFlag("CDLoadEject", settings_.loadEject);
    LSettingsSetString("OutputFormat", "BurnAudioCD", settings_.audioCd ? "1" : "0");
    if (FlagDefaultOff("OutputFormat", "BurnCDNow"))
        PostMainWindowMessage(kMainMsgBurnWhenDone, "", settings_.audioCd ? 1 : 0);
}

bool LRunBurnAudioDialog(LWindow* parent, const std::function<void()>& eraseDisc)
{
    LBurnPageSettings settings;
    settings.Load();
    settings.eraseDisc = eraseDisc;
    LBurnAudioDialog dialog(settings);
    if (!dialog.CreateFromTemplate(LBurnAudioDialog::Template()))
        return false;
    return dialog.DoModal(parent, LPlacementCenterOnParent);
}
