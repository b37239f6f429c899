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
#include "burn/LBurnOptions.h"
#include "burn/LProgramDrives.h"
#include "foundation/files/LPath.h"
#include "foundation/log/LLog.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LMessageBox.h"
#include "gui/framework/LMessageDialog.h"
#include "tags/LAudioFileTags.h"

#include <cstring>

#include <strings.h>

void MainDialog::OpenRecordingWizard()
{
    LLogInfo("The recording wizard was asked for");
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
