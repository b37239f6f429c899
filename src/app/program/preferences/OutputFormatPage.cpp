#include "app/program/preferences/OutputFormatPage.h"

#include "app/program/preferences/FormatSettings.h"
#include "app/program/preferences/OutputActions.h"
#include "app/program/preferences/OutputFolders.h"
#include "app/queue/OutputNames.h"
#include "foundation/files/LPath.h"
#include "foundation/log/LLog.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LFilePanels.h"
#include "gui/framework/LMessageBox.h"

#include <algorithm>
#include <cstdio>

namespace {

void Builder(LWindow* window, int, int, int)
{
    static_cast<OutputFormatPage*>(window)->Layout();
}

} // namespace

std::string OutputNamePreview(const char* nameTemplate, int action)
{
    const char* extension = IsMp3OutputAction(action) ? ".mp3" : ".wav";
    std::string preview;
    for (int number = 1; number <= 3; ++number) {
        char name[260] = {};
        ExpandOutputName(name, nameTemplate, number);
        if (number > 1)
            preview += "\n";
        preview += name;
        preview += extension;
    }
    return preview + "\netc...";
}

std::string StoredNameTemplate(const char* typed)
{
    std::string text = typed != nullptr ? typed : "";
    if (text.find_first_not_of(" \t") == std::string::npos)
        return kDefaultOutputNameTemplate;
    if (!HasAutonumberToken(text.c_str()))
        text += " %autonumber%";
    char safe[kLPathSize] = {};
    if (!LMakeSafeFileName(text.c_str(), safe))
        return kDefaultOutputNameTemplate;
    return safe;
}

const LDialogTemplate* OutputFormatPage::Template()
{
    static const LDialogTemplate dialogTemplate{640, 298, "Recording Output Format", false, Builder};
    return &dialogTemplate;
}

void OutputFormatPage::Layout()
{
    const double s = GetScaleFactor();
    auto place = [&](int id, double x, double y, double w, double h) {
        SetControlRect(id, static_cast<int>(x * s), static_cast<int>(y * s), static_cast<int>(w * s),
                       static_cast<int>(h * s));
    };
    AddStaticText(kSubtitle, "Specify how audio recordings should be saved.");
    place(kSubtitle, 20, 12, 600, 21);
    AddStaticText(kIntro, "Specify what to do after a recording has completed");
    place(kIntro, 20, 44, 600, 21);
    AddPullDownList(kActionList, kActionChanged);
    place(kActionList, 20, 70, 440, 24);
    AddButtonNoRect(kFormatSettings, "Format Settings...");
    place(kFormatSettings, 470, 70, 150, 24);
    AddCheckBox(kMakeCopyCheck, "Make Copy To:");
    place(kMakeCopyCheck, 20, 110, 150, 22);
    AddTextInput(kCopyFolderText, false);
    place(kCopyFolderText, 176, 108, 284, 24);
    AddButtonNoRect(kCopyFolderBrowse, "Browse Folders...");
    place(kCopyFolderBrowse, 470, 108, 150, 24);
    AddStaticText(kTemplateLabel, "Output File Name Format:");
    place(kTemplateLabel, 20, 150, 200, 21);
    AddTextInput(kTemplateText, false);
    place(kTemplateText, 226, 148, 394, 24);
    AddStaticText(kExampleLabel, "Example:");
    place(kExampleLabel, 20, 184, 200, 21);
    AddStaticText(kExampleText, "");
    place(kExampleText, 226, 184, 394, 84);
}

void OutputFormatPage::OnCreate()
{
    CreateTooltip();
    for (const char* text : kOutputActionTexts)
        AddPullDownItem(kActionList, text);
    SelectPullDownItem(kActionList, StoredOutputAction());
    SetCheck(kMakeCopyCheck, PreferenceFlagOn("OutputFormat", "MakeCopy"));
    char folder[kLPathSize] = {};
    LSettingsGetString("OutputFormat", "OutputFolder", DefaultRecordingFolder().c_str(), folder);
    SetControlText(kCopyFolderText, folder);
    char nameTemplate[260] = {};
    LSettingsGetString("OutputFormat", "FileNameFormat", kDefaultOutputNameTemplate, nameTemplate);
    SetControlText(kTemplateText, nameTemplate);
    SetTextChangeCommand(kTemplateText, kTemplateChanged);
    ShowPreview();
}

void OutputFormatPage::ShowPreview()
{
    // The example shows the names the template will give as it is stored
    // (with its number added), not as it is half typed.
    std::string typed;
    GetControlTextLong(kTemplateText, typed);
    const std::string stored = StoredNameTemplate(typed.c_str());
    SetControlText(kExampleText,
                   OutputNamePreview(stored.c_str(), std::max(0, GetPullDownSelection(kActionList))).c_str());
}

void OutputFormatPage::UpdateControls()
{
    EnableControl(kFormatSettings, OutputActionHasFormatSettings(GetPullDownSelection(kActionList)));
    const bool copy = GetCheck(kMakeCopyCheck);
    EnableControl(kCopyFolderText, copy);
    EnableControl(kCopyFolderBrowse, copy);
}

void OutputFormatPage::OnCommand(int command, int extra)
{
    switch (command) {
    case kActionChanged:
    case kTemplateChanged:
        ShowPreview();
        break;
    case kMakeCopyCheck:
        break;
    case kFormatSettings:
        RunFormatSettings(GetView(), GetPullDownSelection(kActionList));
        break;
    case kCopyFolderBrowse: {
        // Shown here and stored with the rest on OK, so Cancel keeps the old folder.
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

void OutputFormatPage::OnHelp()
{
    LOpenHelpTopic("outputformat");
}

bool OutputFormatPage::Gather(PreferenceChanges& changes)
{
    const int action = std::max(0, GetPullDownSelection(kActionList));
    if (IsMp3OutputAction(action) && !EnsureMp3EncoderInstalled(GetView()))
        return false;
    changes.SetInt("OutputFormat", "OutputFormatNum", action);
    if (action >= 2 && action <= 4)
        changes.SetFlag("OutputFormat", "BurnAudioCD", action == 4);
    if (action == 2 || action == 3)
        changes.Set("OutputFormat", "DataCDType", action == 3 ? "1" : "0");
    const bool makeCopy = GetCheck(kMakeCopyCheck);
    std::string folder;
    GetControlTextLong(kCopyFolderText, folder);
    if (makeCopy) {
        if (!CheckCopyFolder(GetView(), folder, &folder))
            return false;
        SetControlText(kCopyFolderText, folder.c_str());
    }
    changes.Set("OutputFormat", "OutputFolder", folder.c_str());
    changes.SetFlag("OutputFormat", "MakeCopy", makeCopy);
    std::string typed;
    GetControlTextLong(kTemplateText, typed);
    const std::string stored = StoredNameTemplate(typed.c_str());
    changes.Set("OutputFormat", "FileNameFormat", stored.c_str());
    SetControlText(kTemplateText, stored.c_str());
    return true;
}

OutputFormatSheet::OutputFormatSheet()
{
    AddPage(&page_, OutputFormatPage::Template(), nullptr);
}

bool OutputFormatSheet::CanOK()
{
    PreferenceChanges changes;
    if (!page_.Gather(changes))
        return false;
    if (!changes.Commit()) {
        LLogWarning("Output format: the settings file could not be written");
        LMessageBox box(GetView(),
                        "Quorin could not save the output format: the settings file cannot be written. "
                        "Nothing was changed.",
                        "Quorin Dizer od OD Udivezeve");
        box.style = LMessageBoxCriticalStyle;
        box.Show();
        return false;
    }
    return true;
}

void OutputFormatSheet::OnHelp()
{
    page_.OnHelp();
}

bool RunOutputFormatDialog(LWindow* parent)
{
    OutputFormatSheet sheet;
    return sheet.DoModal(parent != nullptr ? parent->GetView() : nullptr, "Output Format", 0);
}
