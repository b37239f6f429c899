// The main window's way into the windows that other parts of the program
// bring: the recording wizard and session, the play window, the tag editors,
// burning and the preferences. Each is one member, so that the window that
// implements it replaces its body and nothing else.

#include "app/program/MainDialog.h"
#include "app/program/RecordingFiles.h"
#include "app/program/burn/BurnAnotherDialog.h"
#include "app/program/burn/LBurnCommands.h"
#include "app/program/burn/LBurnSettingsPage.h"
#include "app/program/burn/LProgressTasks.h"
#include "app/program/play/PlayWindow.h"
#include "app/program/preferences/PreferencesSheet.h"
#include "app/program/recording/RecordingSession.h"
#include "app/program/tags/EditAudioTagsDialog.h"
#include "app/program/tags/TagEditing.h"
#include "app/program/tags/TagEditorDialog.h"
#include "app/program/wizard/RecordingWizard.h"
#include "app/program/wizard/WizardRun.h"
#include "burn/LBurnOptions.h"
#include "burn/LProgramDrives.h"
#include "foundation/files/LPath.h"
#include "foundation/log/LLog.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LApplication.h"
#include "gui/framework/LMessageBox.h"
#include "gui/framework/LMessageDialog.h"
#include "tags/LAudioFileTags.h"

#include <cstdio>
#include <cstring>
#include <ctime>

#include <strings.h>
#include <unistd.h>

namespace {

// The wizard asks and tells through the main window's own questions.
class MainWizardUi : public WizardUi
{
public:
    explicit MainWizardUi(MainDialog& window) : window_(window) {}
    int Ask(LWindow* parent, const char* text, const char* title, const char* first,
            const char* second) override
    {
        if (parent == nullptr || parent == &window_)
            return window_.Ask(text, title, first, second);
        return WizardUi::Ask(parent, text, title, first, second);
    }
    void Tell(LWindow* parent, const char* text, const char* title, int style) override
    {
        if (parent == nullptr || parent == &window_)
            window_.Tell(text, title, style);
        else
            WizardUi::Tell(parent, text, title, style);
    }

private:
    MainDialog& window_;
};

// The wizard's tracks join the list as copies in the output folder; a name
// already taken there gets the next free one rather than failing the track.
class MainWizardHost : public WizardHost
{
public:
    explicit MainWizardHost(MainDialog& window) : window_(window) {}
    bool TakeFile(const char* path) override
    {
        const std::string landed = window_.TakeFileIntoOutputFolder(path);
        // Only a copy counts: the wizard deletes its own file once this says yes.
        return !landed.empty() && landed != path;
    }

private:
    MainDialog& window_;
};

// Hands what an unfinished run left to the list: each side under a dated
// name ("Side One 2024-05-01 14-03-09.wav"), then the tracks of
// Recording/save. A file leaves the working folder only once the list
// holds its copy. True when nothing is left.
bool HandOverLeftovers(const WizardFolders& folders, WizardHost& host)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[40];
    std::snprintf(stamp, sizeof stamp, "%.4d-%.2d-%.2d %.2d-%.2d-%.2d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    bool all = true;
    for (int side = 1; side <= 2; ++side) {
        if (!folders.HasSide(side))
            continue;
        const std::string named =
            folders.Recording() + "/" + (side == 1 ? "Side One " : "Side Two ") + stamp + ".wav";
        if (rename(folders.SidePath(side).c_str(), named.c_str()) != 0 || !host.TakeFile(named.c_str())) {
            all = false;
            continue;
        }
        unlink(named.c_str());
    }
    for (const std::string& name : folders.SavedFiles()) {
        const std::string path = folders.Save() + "/" + name;
        if (host.TakeFile(path.c_str()))
            unlink(path.c_str());
        else
            all = false;
    }
    return all && folders.SavedFiles().empty() && !folders.HasSide(1) && !folders.HasSide(2);
}

std::string LeftoverText(const WizardFolders& folders)
{
    std::string what;
    if (folders.HasSide(1))
        what += "side one";
    if (folders.HasSide(2))
        what += what.empty() ? "side two" : " and side two";
    const size_t tracks = folders.SavedFiles().size();
    if (tracks > 0) {
        if (!what.empty())
            what += ", ";
        what += std::to_string(tracks) + (tracks == 1 ? " track" : " tracks");
    }
    return what;
}

} // namespace

int MainDialog::RunWizardPages(WizardRun& run)
{
    return RunRecordingWizard(this, "None", &run, [this] { OnNotify(kMainMsgEraseDisc, nullptr, 0); });
}

void MainDialog::OpenRecordingWizard()
{
    if (wizardRunning_)
        return;
    DeselectAllListViewRows(kListId);
    SaveRecordingPageTotals(false);
    LSettingsSetString("Wizard", "Activated", "1");

    MainWizardUi ui(*this);
    MainWizardHost host(*this);
    WizardRun run;
    run.ui = &ui;
    run.host = &host;

    // What a run that did not finish left behind (a crash, or the user's
    // choice to keep it) is the user's recording: offered, never deleted.
    if (!run.folders.IsEmpty() &&
        (run.folders.HasSide(1) || run.folders.HasSide(2) || !run.folders.SavedFiles().empty())) {
        const std::string text =
            "The Wizard found recordings that an earlier run did not add to your list (" +
            LeftoverText(run.folders) +
            "). You can continue with them in the Wizard, or add them to your list now.";
        if (Ask(text.c_str(), "Recordings Found", "Continue with Them", "Add Them to the List") != 1) {
            if (HandOverLeftovers(run.folders, host))
                run.folders.Clear();
            else
                Tell("Some of the recordings could not be added to the list. They stay with the Wizard.",
                     kProductTitle, LMessageBoxWarningStyle);
        }
    } else {
        run.folders.Clear();
    }
    if (!run.folders.Create()) {
        Tell("The Wizard cannot make its working folder. Please check the space and the permissions of your "
             "cache folder.",
             kProductTitle, LMessageBoxCriticalStyle);
        return;
    }

    wizardRunning_ = true;
    const int result = RunWizardPages(run);
    wizardRunning_ = false;
    LLogInfoF("The recording wizard ended (%s)", result == 1 ? "finished" : "cancelled");

    // The working folders are emptied only when every track is in the list
    // or the user agreed to drop them; otherwise the user decides now.
    if (run.handedOver || run.discardConfirmed || run.folders.IsEmpty()) {
        run.folders.Clear();
    } else if (LIsSessionEnding()) {
        // Nobody is left to answer (a log-out): the recordings stay and the
        // next start offers them.
        LLogInfo("The wizard's recordings are kept for the next start");
    } else {
        const std::string text =
            "The recordings of this Wizard run (" + LeftoverText(run.folders) +
            ") were not added to your list. Keep them for the next run of the Wizard, or "
            "discard them?";
        if (Ask(text.c_str(), kProductTitle, "Keep for Later", "Discard") != 1)
            run.folders.Clear();
    }
    SaveRecordingPageTotals(false);
    // The wizard's tracks changed the list: the status bar's total against
    // the disc is counted again.
    RequestCapacity(false, true);
    burnDialogOk_ = false;

    char burn[260] = {};
    LSettingsGetString("OutputFormat", "WIZARDBURN", "", burn);
    if (burn[0] != '\0' && std::strcmp(burn, "0") != 0) {
        LSettingsSetString("OutputFormat", "WIZARDBURN", "0");
        OnBurnCommand();
    }
}

void MainDialog::RunRecordingSession()
{
    // The tracks it queues come back through the worker's notices, as any
    // queued recording does.
    LRunRecordingSession(this);
}

bool MainDialog::RunPlayWindow(const char* path)
{
    return LRunPlayWindow(this, path);
}

namespace {

class MainTagReporter : public TagCommandReporter
{
public:
    explicit MainTagReporter(MainDialog* window) : window_(window) {}
    void Error(const char* text) override { window_->Tell(text, nullptr, LMessageBoxCriticalStyle); }
    void Info(const char* text) override { window_->Tell(text, nullptr, LMessageBoxInformationalStyle); }

private:
    MainDialog* window_;
};

} // namespace

// A written tag can change what the row shows of its file.
void MainDialog::RefreshRowOf(const std::string& path)
{
    const int rows = GetListViewRowCount(kListId);
    for (int row = 0; row < rows; ++row) {
        int64_t ms = 0;
        if (RowPath(row) == path && ReadRecordingDuration(path.c_str(), &ms))
            SetListViewItemText(kListId, row, 1, FormatRecordingDuration(ms).c_str());
    }
}

bool MainDialog::RunTagEditor(const char* path)
{
    LAudioTagMap tags;
    ReadAudioFileTags(&tags, path);
    if (!ShowTagEditorDialog(&tags, this, path))
        return false;
    MainTagReporter reporter(this);
    if (!WriteEditedTags(&tags, path, &reporter))
        return false;
    RefreshRowOf(path);
    return true;
}

bool MainDialog::RunMultiTagEditor(const std::vector<std::string>& paths)
{
    if (paths.empty())
        return false;
    LAudioTagMap first;
    ReadAudioFileTags(&first, paths.front().c_str());
    TagChanges changes;
    if (!ShowEditAudioTagsDialog(&first, this, &changes))
        return false;
    MainTagReporter reporter(this);
    const int written = WriteChangesToFiles(paths, changes, &reporter);
    for (const std::string& path : paths)
        RefreshRowOf(path);
    return written == static_cast<int>(paths.size());
}

void MainDialog::EditTag()
{
    if (GetListViewSelectedCount(kListId) != 1)
        return;
    const std::string path = RowPath(GetListViewFirstSelected(kListId));
    if (!IsRecordingFileName(path.c_str())) {
        Tell("Only wav and mp3 files can have tags edited.", kProductTitle, LMessageBoxCriticalStyle);
        return;
    }
    RunTagEditor(path.c_str());
}

void MainDialog::EditSelectedTags()
{
    std::vector<std::string> paths;
    for (int row : SelectedRows())
        paths.push_back(RowPath(row));
    if (!paths.empty())
        RunMultiTagEditor(paths);
}

namespace {

// The burn commands' view of the main window.
class MainBurnUi : public LBurnCommandUi
{
public:
    explicit MainBurnUi(MainDialog& window) : window_(window) {}
    LViewHandle BurnParentView() override { return window_.GetView(); }
    void TellBurn(const char* text, const char* title, int style) override
    {
        window_.Tell(text, title, style);
    }
    bool AskBurnAnother(const char* message) override { return window_.AskBurnAnother(message); }

private:
    MainDialog& window_;
};

bool SettingIs(const char* section, const char* name, const char* value)
{
    char text[260] = {};
    LSettingsGetString(section, name, "", text);
    return std::strcmp(text, value) == 0;
}

} // namespace

void MainDialog::OnBurnCommand()
{
    burnDialogOk_ = false;
    if (RowCount() == 0)
        return;
    const int selected = GetListViewSelectedCount(kListId);
    if (selected > 0 && selected < RowCount()) {
        const int choice = ChooseBurnFiles();
        if (choice != 5001 && choice != 5002)
            return;
        if (choice == 5001)
            SelectAllFiles();
    } else if (selected == 0) {
        if (Ask("No file selected. All files in list will be burned. \nDo you want to continue?",
                "Burn All Files", "Burn All", "Cancel") != 1)
            return;
        SelectAllFiles();
    }
    SaveRecordingPageTotals(true);
    const bool wasOff = SettingIs("Wizard", "SetOutputFormat", "0");
    LSettingsSetString("Wizard", "SetOutputFormat", "1");
    RequestCapacity(true, true);
    LSettingsSetString("OutputFormat", "BurnCDNow", "1");
    burnDialogOk_ = RunBurnAudioDialog();
    RequestCapacity(false, true);
    LSettingsSetString("Wizard", "SetOutputFormat", wasOff ? "0" : "1");
    LSettingsSetString("OutputFormat", "BurnCDNow", "0");
}

int MainDialog::ChooseBurnFiles()
{
    static const LMessageButton kChoices[] = {
        {5002, "Selected files", "Only selected files will be burned to disc!"},
        {5001, "All files", "All the files in the list will be burned to disc!"},
        {0, nullptr, nullptr},
    };
    LMessageDialog dialog(GetView(), "Select Burning Files",
                          "Please choose whether to burn all files or only the selected files.", nullptr,
                          kChoices, 5002, false);
    return dialog.Run();
}

bool MainDialog::RunBurnAudioDialog()
{
    return LRunBurnAudioDialog(this, [this] { OnNotify(kMainMsgEraseDisc, nullptr, 0); });
}

bool MainDialog::AskBurnAnother(const char* message)
{
    return LRunBurnAnotherDialog(this, message);
}

void MainDialog::StartBurn(bool audio)
{
    lastBurnResult_ = -1;
    if (RowCount() == 0) {
        Tell(kBurnNothingText, kProductTitle, LMessageBoxWarningStyle);
        return;
    }
    if (GetListViewSelectedCount(kListId) == 0) {
        if (Ask("No files are selected. All files will be burned to disc. \n Do you want to continue?",
                "Burn All Files?", "Burn All", "Cancel") != 1)
            return;
        SelectAllFiles();
    }
    if (Ask("Commence burning to disc? \r\n\r\nIf there are files in the list to be burned that are not "
            "selected, "
            "click \"Cancel\" and then select all desired files and click \"Burn Audio\" from the toolbar. "
            "\nTo "
            "select multiple files, keep pressing Ctrl key and clicking on the files in the list one by "
            "one.\n\n"
            "Continue?",
            kProductTitle, "Continue", "Cancel") != 1)
        return;
    // The files as they are now: another copy burns these same files.
    std::vector<std::string> paths;
    for (int row : SelectedRows())
        paths.push_back(RowPath(row));
    LBurnOptions options;
    LLoadBurnOptions(&options);
    if (!SettingIs("CDRecorder", "EraseCDRW", "0") && LDiscNeedsErase(options.driveIndex) &&
        !RunEraseDisc(audio ? "Burn Audio CD" : "Burn Data CD/DVD", nullptr)) {
        if (lastEraseResult_ == 14)
            Tell("No Disc in Drive", kProductTitle, LMessageBoxCriticalStyle);
        else if (lastEraseResult_ != 1)
            Tell(kBurnFailedText, kProductTitle, LMessageBoxCriticalStyle);
        if (options.loadEject)
            LBurnEjectDisc();
        return;
    }
    burning_ = true;
    MainBurnUi ui(*this);
    lastBurnResult_ = LRunBurnWithCopies(ui, audio, paths).code;
    burning_ = false;
    RequestCapacity(true, true);
}

bool MainDialog::RunEraseDisc(const char* title, LWindow* parent)
{
    LBurnOptions options;
    LLoadBurnOptions(&options);
    erasing_ = true;
    LEraseDiscTask task(title != nullptr && *title != '\0' ? title : "Erasing Disc", LProgramBurnBackend(),
                        options.driveIndex, options.fullErase);
    task.Run(parent != nullptr ? parent->GetView() : GetView());
    lastEraseResult_ = task.Result();
    erasing_ = false;
    if (lastEraseResult_ != 0 && lastEraseResult_ != 1) {
        char text[1200];
        task.BurnResult().Describe(text, sizeof text);
        LLogWarningF("Erasing of the disc has failed: %s", text);
    }
    return lastEraseResult_ == 0;
}

void MainDialog::EjectDisc()
{
    LBurnEjectDisc();
    RequestCapacity(true, true);
}

void MainDialog::Preferences()
{
    bool folderChanged = false;
    if (PreferencesSheet::Run(this, &folderChanged) && folderChanged)
        ReloadList();
}
