#include "app/program/wizard/RecordingWizard.h"

#include "app/program/burn/LBurnSettingsPage.h"
#include "app/program/wizard/RecordSidePage.h"
#include "app/program/wizard/RecordingSourcePage.h"
#include "app/program/wizard/VolumeCalibrationPage.h"
#include "app/program/wizard/WizardLaterPages.h"
#include "app/program/wizard/WizardLayout.h"
#include "foundation/log/LLog.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LMessageBox.h"

#include <string>

#include <strings.h>

namespace {

struct PageTitles
{
    const char* title;
    const char* subtitle; // null: none
};

// In page order.
constexpr PageTitles kPageTitles[RecordingWizard::kPageCount] = {
    {"Recording Source", nullptr},
    {"Recording Volume Calibration",
     "Calibrate your recording volume to ensure you record the audio at an appropriate level."},
    {"Record Side One", nullptr},
    {"Record Side Two", "If you don't have side two, just skip this page."},
    {"Split Recordings",
     "Click the Re-Split button to get Quorin to run the split process again with different parameters."},
    {"Audio Restoration Tools", "Select tools for enhancing or repairing the audio."},
    {"Select Output Method", nullptr},
};

constexpr int kPlaceholderText = 31900;

} // namespace

RecordingWizard::RecordingWizard(WizardRun& run) : run_(run)
{
    std::vector<const LDialogTemplate*> templates;
    auto add = [&](std::unique_ptr<LWizardPage> page, const LDialogTemplate* dialogTemplate) {
        pages_.push_back(std::move(page));
        templates.push_back(dialogTemplate);
    };
    add(std::make_unique<RecordingSourcePage>(run), RecordingSourcePage::Template());
    add(std::make_unique<VolumeCalibrationPage>(run), VolumeCalibrationPage::Template());
    add(std::make_unique<RecordSidePage>(run, 1), RecordSidePage::Template());
    add(std::make_unique<RecordSidePage>(run, 2), RecordSidePage::Template());
    for (auto make : {MakeSplitRecordingsPage, MakeAudioRestorationPage, MakeOutputMethodsPage}) {
        WizardPageMade made = make(run);
        add(std::move(made.page), made.dialogTemplate);
    }
    for (size_t i = 0; i < pages_.size(); ++i)
        wizard_.AddPageFromTemplate(pages_[i].get(), templates[i], kPageTitles[i].title,
                                    kPageTitles[i].subtitle, true);
}

RecordingWizard::~RecordingWizard()
{
    if (wizard_.IsWindow())
        wizard_.DestroyWindow();
}

LWizardPage* RecordingWizard::Page(int index) const
{
    return index >= 0 && index < static_cast<int>(pages_.size()) ? pages_[static_cast<size_t>(index)].get()
                                                                 : nullptr;
}

int RecordingWizard::Run(LWindow* parent)
{
    return wizard_.DoModal(parent != nullptr ? parent->GetView() : nullptr, "Quorin Wizard") ? 1 : 0;
}

int RunRecordingWizard(LWindow* parent, const char* source, WizardRun* run,
                       const std::function<void()>& eraseDisc)
{
    if (source == nullptr || strcasecmp(source, "None") != 0) {
        LSettingsSetString("OutputFormat", "BurnCDNow", "1");
        return LRunBurnAudioDialog(parent, eraseDisc) ? 1 : 0;
    }
    WizardUi defaultUi;
    WizardRun ownRun;
    WizardRun& used = run != nullptr ? *run : ownRun;
    if (used.ui == nullptr)
        used.ui = &defaultUi;
    // The main window offers what an earlier run left before it starts a
    // run (it is the host); run without it, the sides found are named here,
    // so that a side recorded before a crash is never taken for nothing.
    if (used.host == nullptr && (used.folders.HasSide(1) || used.folders.HasSide(2))) {
        const bool both = used.folders.HasSide(1) && used.folders.HasSide(2);
        const std::string text =
            std::string("The Wizard found recordings that an earlier run did not add to your list (") +
            (both                      ? "side one and side two"
             : used.folders.HasSide(1) ? "side one"
                                       : "side two") +
            "). They are kept: the Record Side pages show them, and recording a side again asks before "
            "it replaces one.";
        used.ui->Tell(parent, text.c_str(), "Recordings Found", LMessageBoxInformationalStyle);
    }
    if (!used.folders.Create())
        LLogWarningF("The wizard's working folder %s cannot be made", used.folders.Recording().c_str());
    int result = 0;
    {
        RecordingWizard wizard(used);
        result = wizard.Run(parent);
    }
    if (used.ui == &defaultUi)
        used.ui = nullptr;
    return result;
}

// ---- WizardPlaceholderPage ----

namespace {

bool SettingIsOff(const char* section, const char* name)
{
    char text[260] = {};
    LSettingsGetString(section, name, "", text);
    return text[0] == '0';
}

} // namespace

bool WizardCalibrationPageActive()
{
    return !SettingIsOff("Wizard", "CalibrateVolume");
}

bool WizardRestorationPageActive()
{
    return !SettingIsOff("Wizard", "SetAudioRestoreTools");
}

WizardPlaceholderPage::WizardPlaceholderPage(WizardRun& run, const char* text, const char* helpTopic,
                                             bool (*isActive)())
    : run_(run), text_(text), helpTopic_(helpTopic), isActive_(isActive)
{
}

void WizardPlaceholderPage::Layout(LWindow*, int, int, int) {}

void WizardPlaceholderPage::OnCreate()
{
    WizardAddText(this, kPlaceholderText, text_.c_str(), 18, 14, 604, 80);
}

bool WizardPlaceholderPage::CanCancel()
{
    return ConfirmEndWithoutSaving(run_, this);
}

void WizardPlaceholderPage::OnHelp()
{
    LOpenHelpTopic(helpTopic_.c_str());
}
