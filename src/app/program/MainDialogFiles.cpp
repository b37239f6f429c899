// The main window's commands on the files of its list: loading, adding,
// dropping, removing, copying, renaming, joining, splitting, reordering and
// handing files to the sibling programs.

#include "app/program/MainDialog.h"
#include "app/program/RecordingFiles.h"
#include "app/program/RelatedPrograms.h"
#include "app/program/burn/LProgressTasks.h"
#include "app/program/encoders/Mp3EncoderOnDemand.h"
#include "app/queue/JobOutputFile.h"
#include "app/queue/SplitJoinJobs.h"
#include "foundation/containers/LStringList.h"
#include "foundation/files/LFileCopy.h"
#include "foundation/files/LFileExists.h"
#include "foundation/files/LFileSystem.h"
#include "foundation/files/LFolderScan.h"
#include "foundation/files/LPath.h"
#include "foundation/ini/LDurationText.h"
#include "foundation/log/LLog.h"
#include "foundation/platform/LDesktopOpen.h"
#include "foundation/platform/LStandardFolders.h"
#include "foundation/platform/LTrash.h"
#include "foundation/settings/LSettings.h"
#include "gui/framework/LFilePanels.h"
#include "gui/framework/LMessageBox.h"
#include "gui/framework/LProgressDialog.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The task that fills the list from the output folder.
class LoadRecordingsTask : public LProgressDialog
{
public:
    explicit LoadRecordingsTask(MainDialog* window)
        : LProgressDialog("Attempting to load saved files..."), window_(window)
    {
    }
    int64_t Process() override
    {
        const std::string& folder = window_->OutputFolder();
        if (folder.empty() || !LFolderExists(folder.c_str()))
            return 0;
        std::vector<std::string> wav, mp3;
        LFolderScan scan;
        for (bool more = scan.Start(folder.c_str()); more; more = scan.Next()) {
            if (scan.Type() == DT_DIR || !IsRecordingFileName(scan.Name()))
                continue;
            (IsMp3FileName(scan.Name()) ? mp3 : wav).push_back(scan.Name());
        }
        for (std::vector<std::string>* group : {&wav, &mp3}) {
            std::vector<std::string>& names = *group;
            std::sort(names.begin(), names.end());
            for (const std::string& name : names) {
                if (IsStopRequested())
                    return 1;
                const std::string path = folder + "/" + name;
                MessageLevel(path.c_str(), 0);
                window_->AddFileToList(path.c_str(), false, false);
            }
        }
        window_->SaveRecordingPageTotals(false);
        return 0;
    }

private:
    MainDialog* window_;
};

bool InListCallback(const char* name, void* data)
{
    return !static_cast<const MainDialog*>(data)->IsNameNotInList(name);
}

int64_t FileSize(const char* path)
{
    struct stat info;
    return stat(path, &info) == 0 ? static_cast<int64_t>(info.st_size) : 0;
}

} // namespace

// ---- Rows ----

int MainDialog::RowCount() const
{
    return GetListViewRowCount(kListId);
}

std::string MainDialog::RowText(int row) const
{
    char text[kLPathSize] = {};
    GetListViewRowText(kListId, row, text);
    return text;
}

std::string MainDialog::RowDuration(int row) const
{
    char text[kLPathSize] = {};
    GetListViewItemText(kListId, row, 1, text);
    return text;
}

std::string MainDialog::RowPath(int row) const
{
    return outputFolder_ + "/" + RowText(row);
}

std::vector<int> MainDialog::SelectedRows() const
{
    std::vector<int> rows;
    const int count = RowCount();
    for (int row = 0; row < count; ++row) {
        if (IsListViewRowSelected(kListId, row))
            rows.push_back(row);
    }
    return rows;
}

bool MainDialog::IsNameNotInList(const char* name) const
{
    const int count = RowCount();
    for (int row = 0; row < count; ++row) {
        if (strcasecmp(RowText(row).c_str(), name) == 0)
            return false;
    }
    return true;
}

// ---- Loading ----

int MainDialog::LoadSavedFiles()
{
    if (loading_)
        return 1;
    loading_ = true;
    LLogInfo("Attempting to load saved files...");
    LoadRecordingsTask task(this);
    const int result = static_cast<int>(task.Run(GetView()));
    loading_ = false;
    UpdateControls();
    return result;
}

namespace {
const char kRemoveToTrashQuestion[] = "Are you sure you want to move the selected file(s) to the Trash?";
const char kRemoveForGoodQuestion[] =
    "Are you sure you want to remove the selected file(s)? There is no Trash for the output folder: "
    "they will be deleted for good.";
const char kFilesNotAddedText[] =
    "One or more files were not added because either those files already exist in the list or Quorin "
    "does not support the file formats of those files.";
} // namespace

void MainDialog::ReloadList()
{
    DeleteAllListViewRows(kListId);
    LoadSavedFiles();
}

// A file from elsewhere never takes the place of one in the output folder:
// the user's recording of the same name may not be listed yet (the list loads
// after start-up's files are added) or another program may have put it there.
std::string MainDialog::PlaceInOutputFolder(const char* path, bool* made)
{
    *made = false;
    char name[kLPathSize] = {};
    if (!LPathGetFileName(name, path) || name[0] == '\0')
        return "";
    const std::string own = outputFolder_ + "/" + name;
    // The file may already be the output folder's own, whatever way its
    // path is spelt.
    if (LIsSameFile(path, own.c_str()))
        return own;
    if (!IsFolderWritable(outputFolder_.c_str()))
        LLogWarningF("The folder %s does not look writable", outputFolder_.c_str());
    const auto listed = [](const char* candidate, void* window) {
        return !static_cast<MainDialog*>(window)->IsNameNotInList(candidate);
    };
    // A name taken between the look and the copy: the next free one.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string freeName = FreeNameInFolder(path, outputFolder_.c_str(), listed, this);
        if (freeName.empty()) {
            LLogWarningF("No free name for %s in %s", name, outputFolder_.c_str());
            return "";
        }
        const std::string target = outputFolder_ + "/" + freeName;
        if (LFileCopyWithoutReplacing(path, target.c_str())) {
            *made = true;
            return target;
        }
        if (errno != EEXIST) {
            LLogWarningF("Copying of file %s to %s has failed", path, target.c_str());
            return "";
        }
    }
    return "";
}

bool MainDialog::AddFileToList(const char* path, bool copy, bool select)
{
    int64_t ms = 0;
    if (!ReadRecordingDuration(path, &ms))
        return false;
    std::string listed = path;
    bool made = false;
    if (copy) {
        listed = PlaceInOutputFolder(path, &made);
        if (listed.empty())
            return false;
    }
    // Only a copy made here goes again when its row cannot be added.
    const auto refuse = [&] {
        if (made)
            unlink(listed.c_str());
        return false;
    };
    char name[kLPathSize] = {};
    if (!LPathGetFileName(name, listed.c_str()) || name[0] == '\0' || !IsNameNotInList(name))
        return refuse();
    if (made)
        LLogInfoF("File %s loaded and copied into data folder as %s", path, listed.c_str());

    const int row = AddListViewItem(kListId, name, IsMp3FileName(name) ? 1 : 0, nextRowId_++);
    if (row < 0)
        return refuse();
    SetListViewItemText(kListId, row, 1, FormatRecordingDuration(ms).c_str());
    if (manager != nullptr)
        Sort();
    if (select) {
        const int now = GetListViewRowCount(kListId);
        for (int r = 0; r < now; ++r) {
            if (RowText(r) == name)
                SelectListViewRow(kListId, r, true);
        }
    }
    if (!loading_)
        SaveRecordingPageTotals(true);
    return true;
}

// ---- Add, drop ----

void MainDialog::AddFiles()
{
    std::vector<std::string> paths;
    if (!ChooseFilesToAdd(&paths) || paths.empty())
        return;
    char folder[kLPathSize] = {};
    LPathGetFolder(folder, paths.front().c_str());
    LSettingsSetString("Settings", "LoadFromFolder", folder);
    bool failed = false;
    for (const std::string& path : paths) {
        char title[kLPathSize] = {};
        LPathGetTitle(title, path.c_str());
        if (std::strlen(title) + outputFolder_.size() >= 259) {
            Tell(path.c_str(), "File Path too long!", LMessageBoxCriticalStyle);
            continue;
        }
        if (!IsRecordingFileName(path.c_str()))
            continue;
        if (!AddFileToList(path.c_str(), true, false))
            failed = true;
    }
    if (failed)
        Tell(kFilesNotAddedText, kProductTitle, LMessageBoxWarningStyle);
    RequestCapacity(false, true);
}

bool MainDialog::ChooseFilesToAdd(std::vector<std::string>* paths)
{
    char folder[kLPathSize] = {};
    LSettingsGetString("Settings", "LoadFromFolder", "", folder);
    static const char kFilters[] = "Audio Files(*.wav;*.mp3)\0*.wav;*.mp3\0";
    LStringList chosen;
    if (LOpenFilesDialog(GetView(), &chosen, "Locate Audio File(s)", folder, kFilters, "WAV", nullptr,
                         nullptr) != 1)
        return false;
    for (std::uint64_t i = 0; i < chosen.Count(); ++i)
        paths->push_back(chosen.Get(i));
    return true;
}

void MainDialog::OpenDocuments(const std::vector<std::string>& paths)
{
    bool failed = false;
    for (const std::string& path : paths) {
        if (!IsRecordingFileName(path.c_str()) || !AddFileToList(path.c_str(), true, false))
            failed = true;
    }
    if (failed)
        Tell(kFilesNotAddedText, kProductTitle, LMessageBoxWarningStyle);
    RequestCapacity(false, true);
    if (IsVisible())
        UpdateControls();
}

void MainDialog::OnDrop(const LDragInfo& info)
{
    LDropFileList files;
    files.Start(info);
    OnDropFiles(files.names);
}

void MainDialog::OnDropFiles(const std::vector<std::string>& paths)
{
    bool warned = false;
    for (const std::string& path : paths) {
        if (!IsRecordingFileName(path.c_str())) {
            if (!warned)
                Tell("Only wav and mp3 files can be added to this list.", kProductTitle,
                     LMessageBoxWarningStyle);
            warned = true;
            continue;
        }
        char folder[kLPathSize] = {};
        LPathGetFolder(folder, path.c_str());
        AddFileToList(path.c_str(), outputFolder_ != folder, false);
    }
    RequestCapacity(false, true);
    UpdateControls();
}

// ---- Remove ----

bool MainDialog::RemoveSelectedFiles(bool ask)
{
    if (GetListViewSelectedCount(kListId) < 1)
        return false;
    // Removed files go to the desktop's trash, from where the user can get
    // them back; only where there is none are they deleted for good.
    const bool toTrash = !LTrashFolderFor(outputFolder_.c_str()).empty();
    if (ask && Ask(toTrash ? kRemoveToTrashQuestion : kRemoveForGoodQuestion, "Confirm Remove", "Remove",
                   "Cancel") != 1)
        return false;
    std::vector<int> rows = SelectedRows();
    std::vector<std::string> failed;
    // From the last row up, so the indices of the rows still to go hold.
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        const std::string path = RowPath(*it);
        bool gone = false;
        if (toTrash) {
            const LTrashResult result = LMoveToTrash(path.c_str());
            gone = result == LTrashResult::kTrashed;
            if (gone)
                LLogInfoF("File %s moved to the Trash", path.c_str());
        } else {
            gone = unlink(path.c_str()) == 0;
        }
        if (!gone && !(access(path.c_str(), F_OK) != 0 && errno == ENOENT)) {
            // The file is still there: so is its row.
            failed.push_back(RowText(*it));
            continue;
        }
        DeleteListViewRow(kListId, *it);
    }
    if (!failed.empty()) {
        std::string text = toTrash ? "These files could not be moved to the Trash and stay in the list:"
                                   : "These files could not be deleted and stay in the list:";
        for (const std::string& name : failed)
            text += "\n" + name;
        Tell(text.c_str(), kProductTitle, LMessageBoxCriticalStyle);
    }
    SaveRecordingPageTotals(false);
    RequestCapacity(false, true);
    return failed.empty();
}

void MainDialog::RemoveRowAndFile(const char* name)
{
    const int count = RowCount();
    for (int row = 0; row < count; ++row) {
        if (RowText(row) == name) {
            DeleteListViewRow(kListId, row);
            break;
        }
    }
    char folder[kLPathSize] = {};
    LPathGetFolder(folder, name);
    // Only a file of the output folder, named by its name alone.
    if (folder[0] == '\0')
        unlink((outputFolder_ + "/" + name).c_str());
}

// ---- Copy ----

bool MainDialog::ChooseCopyFolder(std::string* folder)
{
    char chosen[kLPathSize] = {};
    // The panel's button takes a verb; the request goes where it is read.
    if (LChooseFolder(GetView(), chosen, "Please select the folder you want to copy songs to.", "Copy") != 1)
        return false;
    *folder = chosen;
    return !folder->empty();
}

void MainDialog::CopySelectedFilesTo()
{
    if (GetListViewSelectedCount(kListId) < 1)
        return;
    std::string folder;
    if (!ChooseCopyFolder(&folder))
        return;
    CopySelectedFilesToFolder(folder.c_str());
}

void MainDialog::CopySelectedFilesToFolder(const char* folder)
{
    if (!IsFolderWritable(folder)) {
        Tell("Cannot copy file(s), the folder is not writable.", kProductTitle, LMessageBoxCriticalStyle);
        return;
    }
    for (int row : SelectedRows()) {
        const std::string name = RowText(row);
        const std::string target = std::string(folder) + "/" + name;
        if (LFileExists(target.c_str())) {
            char text[1200];
            std::snprintf(text, sizeof(text),
                          "File \"%s\" already exist in folder \"%s\"! Do you want to overwrite it?",
                          name.c_str(), folder);
            if (Ask(text, "Confirm Overwrite", "Overwrite", "Cancel") != 1)
                continue;
        }
        if (!LFileCopy(RowPath(row).c_str(), target.c_str()))
            LLogWarningF("Copying of file %s to %s has failed", RowPath(row).c_str(), target.c_str());
    }
}

// ---- Rename ----

void MainDialog::BeginRename()
{
    if (GetListViewSelectedCount(kListId) == 1)
        EditListViewSelectedRow(kListId);
}

void MainDialog::OnBeginEdit(int listId)
{
    (void)listId;
}

void MainDialog::OnEndEdit(int listId, const char* newText)
{
    if (listId == kListId)
        OnRenameEnd(newText);
}

void MainDialog::OnRenameEnd(const char* newText)
{
    const int row = GetListViewFirstSelected(kListId);
    if (row < 0)
        return;
    const std::string oldName = RowText(row);
    std::string newName;
    const RenameCheck check =
        PlanRecordingRename(outputFolder_.c_str(), oldName.c_str(), newText, &InListCallback, this, &newName);
    if (check == RenameCheck::kNothing)
        return;
    if (check != RenameCheck::kRename) {
        Tell(RenameRefusalText(check), kProductTitle, LMessageBoxWarningStyle);
        return;
    }
    const std::string from = outputFolder_ + "/" + oldName;
    const std::string to = outputFolder_ + "/" + newName;
    if (!RenameWithoutReplacing(from.c_str(), to.c_str())) {
        Tell("Unable to rename file. Please make sure file name is valid and not already in use.", "Warning",
             LMessageBoxWarningStyle);
        return;
    }
    SetListViewRowText(kListId, row, newName.c_str());
}

void MainDialog::RememberRenameSource()
{
    const int row = GetListViewFirstSelected(kListId);
    renameSource_ = row >= 0 ? RowText(row) : std::string();
}

void MainDialog::RenameRememberedFile()
{
    const int row = GetListViewFirstSelected(kListId);
    if (renameSource_.empty() || row < 0)
        return;
    char title[kLPathSize] = {};
    LPathGetTitle(title, RowText(row).c_str());
    char safe[kLPathSize] = {};
    if (title[0] == '\0' || !LMakeSafeFileName(title, safe))
        return;
    char extension[kLPathSize] = {};
    LPathGetExtension(extension, renameSource_.c_str());
    std::string name = safe;
    if (name.find(extension) == std::string::npos)
        name += extension;
    const std::string from = outputFolder_ + "/" + renameSource_;
    const std::string to = outputFolder_ + "/" + name;
    if (from != to)
        RenameWithoutReplacing(from.c_str(), to.c_str());
    renameSource_.clear();
    ReloadList();
}

// ---- Play, join, split ----

void MainDialog::PlaySelectedFile()
{
    const int row = GetListViewFirstSelected(kListId);
    if (row < 0 || GetListViewSelectedCount(kListId) > 1)
        return;
    const std::string path = RowPath(row);
    if (!LFileExists(path.c_str())) {
        char text[800];
        std::snprintf(text, sizeof(text),
                      "This music file path: %s doesn't exist! It must have been removed by another program.",
                      path.c_str());
        Tell(text, kProductTitle, LMessageBoxCriticalStyle);
        ReloadList();
        return;
    }
    if (!RunPlayWindow(path.c_str()))
        Tell("Cannot play the selected file.", kProductTitle, LMessageBoxCriticalStyle);
}

void MainDialog::JoinSelectedFiles()
{
    const int selected = GetListViewSelectedCount(kListId);
    if (RowCount() < 1 || selected < 2)
        return;
    if (selected > 3) {
        Tell("You cannot select more than 3 files to join at the one time.", kProductTitle,
             LMessageBoxWarningStyle);
        return;
    }
    JoinFilesArgs args;
    args.outputFolder = outputFolder_;
    bool missing = false;
    for (int row : SelectedRows()) {
        const std::string path = RowPath(row);
        if (LFileExists(path.c_str())) {
            args.inputs.push_back(path);
        } else {
            missing = true;
            LLogErrorF(
                "The specified file \"%s\" does not exist. It may have been moved, renamed or deleted.",
                path.c_str());
        }
    }
    if (args.inputs.empty()) {
        Tell("The files you have selected to join do not appear to exist. They may have been renamed, moved "
             "or "
             "deleted.",
             kProductTitle, LMessageBoxCriticalStyle);
        return;
    }
    LJoinFilesTask task("Joining Files", args);
    const int result = static_cast<int>(task.Run(GetView()));
    if (result == 0) {
        AddFileToList(args.outputPath.c_str(), false, false);
        if (missing)
            Tell("One or more of the files you have selected to join do not appear to exist. They may have "
                 "been "
                 "renamed, moved or deleted. See the Quorin Dizer od OD Udivezeve Logs for more information.",
                 kProductTitle, LMessageBoxWarningStyle);
    } else {
        Tell("Error: File Join FAILED", kProductTitle, LMessageBoxCriticalStyle);
        LLogWarning("Error: File Join FAILED");
    }
}

bool MainDialog::SplitFile(const char* path, const std::vector<int64_t>& points)
{
    if (!LFileExists(path)) {
        char text[800];
        std::snprintf(text, sizeof(text),
                      "The specified file \"%s\" does not exist. It may have been moved, renamed or deleted.",
                      path);
        LLogError(text);
        Tell(text, kProductTitle, LMessageBoxCriticalStyle);
        return false;
    }
    if (splitRunning_) {
        Tell("Please wait for the current splitting process to finish.", kProductTitle,
             LMessageBoxWarningStyle);
        return false;
    }
    // Tracks of an MP3 are MP3s: the encoder must be there first.
    if (HasExtensionNoCase(path, ".mp3") && !EnsureMp3EncoderInstalled(GetView()))
        return false;
    splitRunning_ = true;
    LSplitFileTask task("Splitting Files", path, points);
    const int result = static_cast<int>(task.Run(GetView()));
    splitRunning_ = false;
    lastSplitFiles_ = result == 0 ? task.Written() : std::vector<std::string>();
    if (result == 0) {
        ReloadList();
        return true;
    }
    if (result != 1) {
        // The tracks finished before the failure (a full disk, most often)
        // go again: the recording is still whole, and a second try would
        // otherwise add another set beside them. One that cannot be removed
        // is listed, and the user is told which.
        std::string removed, kept;
        for (const std::string& track : task.Written()) {
            char name[kLPathSize] = {};
            LPathGetFileName(name, track.c_str());
            if (unlink(track.c_str()) == 0 || errno == ENOENT) {
                removed += std::string("\n") + name;
            } else {
                kept += std::string("\n") + name;
                AddFileToList(track.c_str(), false, false);
            }
        }
        std::string text = "Error: File Split Failed";
        if (!removed.empty())
            text += "\n\nThe tracks already written were removed; the recording is unchanged:" + removed;
        if (!kept.empty())
            text += "\n\nThese tracks could not be removed and are listed:" + kept;
        LLogWarning(text.c_str());
        Tell(text.c_str(), kProductTitle, LMessageBoxCriticalStyle);
    }
    return false;
}

// ---- Order and selection ----

void MainDialog::MoveSelectedRow(int delta)
{
    if (GetListViewSelectedCount(kListId) != 1)
        return;
    const int source = GetListViewFirstSelected(kListId);
    const int target = source + delta;
    if (source < 0 || target < 0 || target >= RowCount())
        return;
    // From now on the list keeps the user's order.
    ClearListViewSorter(kListId);
    SwapRows(source, target);
    SelectListViewRow(kListId, target, true);
    SelectListViewRow(kListId, source, false);
}

void MainDialog::SwapRows(int a, int b)
{
    for (int column = 0; column < 2; ++column) {
        char textA[kLPathSize] = {};
        char textB[kLPathSize] = {};
        GetListViewItemText(kListId, a, column, textA);
        GetListViewItemText(kListId, b, column, textB);
        SetListViewItemText(kListId, a, column, textB);
        SetListViewItemText(kListId, b, column, textA);
    }
    const int imageA = GetListViewItemImage(kListId, a);
    const int imageB = GetListViewItemImage(kListId, b);
    SetListViewItemImage(kListId, a, imageB);
    SetListViewItemImage(kListId, b, imageA);
    const intptr_t dataA = GetListViewItemData(kListId, a);
    SetListViewItemData(kListId, a, GetListViewItemData(kListId, b));
    SetListViewItemData(kListId, b, dataA);
}

void MainDialog::SelectAllFiles()
{
    const int count = RowCount();
    for (int row = 0; row < count; ++row)
        SelectListViewRow(kListId, row, true);
    EnableMenuItem(2004, true);
    EnableMenuItem(2005, true);
}

// ---- Sibling programs and folders ----

void MainDialog::EditInTessary()
{
    const int row = GetListViewFirstSelected(kListId);
    if (row >= 0) {
        OpenFileInTessary(GetView(), RowPath(row), true);
    } else if (LSendFileToRelatedProgram(this, "Tessary", "-restore", false, "Run Tessary") ==
               LSendFileResult::NotTaken) {
        LRunRelatedProgramDialog(this, "Run Tessary", "Tessary", std::string(), false);
    }
    // The editor may have changed the files.
    ReloadList();
}

bool MainDialog::OpenFileInTessary(LViewHandle parent, const std::string& argument, bool wait)
{
    (void)parent;
    switch (LSendFileToRelatedProgram(this, "Tessary", argument.c_str(), false, "Run Tessary")) {
    case LSendFileResult::HandedOver:
        return true;
    case LSendFileResult::Refused: {
        const LRelatedMessage refusal = LHandOverRefusal("Tessary", argument.c_str());
        Tell(refusal.text.c_str(), refusal.line.c_str(), LMessageBoxWarningStyle);
        return false;
    }
    case LSendFileResult::NotTaken:
        break;
    }
    return LRunRelatedProgramDialog(this, "Run Tessary", "Tessary", argument, wait) == 0;
}

namespace {

void SendSelectedTo(MainDialog* window, const char* program)
{
    char title[64];
    std::snprintf(title, sizeof(title), "Run %s", program);
    if (window->RowCount() == 0) {
        LRunRelatedProgramDialog(window, title, program, std::string(), false);
        return;
    }
    const std::vector<int> rows = window->SelectedRows();
    for (int row : rows) {
        if (LRunRelatedProgramDialog(window, title, program, window->RowPath(row), false) != 0)
            return;
    }
    if (rows.empty())
        LRunRelatedProgramDialog(window, title, program, std::string(), false);
}

} // namespace

void MainDialog::SendFilesToPyrocastelle()
{
    SendSelectedTo(this, "Pyrocastelle");
}

void MainDialog::SendFilesToCorvane()
{
    SendSelectedTo(this, "Corvane");
}

void MainDialog::RevealOutputFolder()
{
    LRevealFolderInFinder(outputFolder_.c_str());
}

void MainDialog::RevealLogsFolder()
{
    char folder[kLPathSize] = {};
    if (LGetLogsFolder(folder))
        LRevealFolderInFinder(folder);
}

// ---- Totals ----

void MainDialog::SaveRecordingPageTotals(bool selectedOnly)
{
    int64_t totalMs = 0;
    int64_t totalBytes = 0;
    const int count = RowCount();
    for (int row = 0; row < count; ++row) {
        if (selectedOnly && !IsListViewRowSelected(kListId, row))
            continue;
        const std::string path = RowPath(row);
        int64_t ms = 0;
        if (ReadRecordingDuration(path.c_str(), &ms))
            totalMs += ms;
        totalBytes += FileSize(path.c_str());
    }
    char text[64] = {};
    LFormatDurationCs(&totalMs, text);
    LSettingsSetString("RecordingPage", "TotalTime", text);
    LSettingsSetInt("RecordingPage", "TotalSize", totalBytes);
}

std::string MainDialog::ComputeDiscTotal()
{
    const int count = RowCount();
    char text[64] = {};
    // What a burn would take: the selected rows, or all when none is.
    const bool selectedOnly = GetListViewSelectedCount(kListId) > 0;
    if (LSettingsGetInt("OutputFormat", "OutputFormatNum", 0) == 4) {
        int64_t totalMs = 0;
        for (int row = 0; row < count; ++row) {
            if (selectedOnly && !IsListViewRowSelected(kListId, row))
                continue;
            int64_t ms = 0;
            LParseDuration(&ms, RowDuration(row).c_str());
            totalMs += ms;
        }
        LFormatDurationCs(&totalMs, text);
        LSettingsSetString("RecordingPage", "TotalTime", text);
        return text;
    }
    int64_t bytes = 0;
    for (int row = 0; row < count; ++row) {
        if (!selectedOnly || IsListViewRowSelected(kListId, row))
            bytes += FileSize(RowPath(row).c_str());
    }
    std::snprintf(text, sizeof(text), "%5.3f MB", static_cast<double>(bytes) / 1048576.0);
    LSettingsSetInt("RecordingPage", "TotalSize", bytes);
    return text;
}
