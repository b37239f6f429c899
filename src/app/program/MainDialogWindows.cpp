// The main window's way into the windows that other parts of the program
// bring: the recording wizard and session, the play window, the tag editors,
// burning and the preferences. Each is one member, so that the window that
// implements it replaces its body and nothing else.

#include "app/program/MainDialog.h"
#include "app/program/RecordingFiles.h"
#include "app/program/recording/RecordingSession.h"
#include "app/program/tags/EditAudioTagsDialog.h"
#include "app/program/tags/TagEditing.h"
#include "app/program/tags/TagEditorDialog.h"
#include "foundation/files/LPath.h"
#include "foundation/log/LLog.h"
#include "gui/framework/LMessageBox.h"
#include "tags/LAudioFileTags.h"

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
    (void)path;
    return true;
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

void MainDialog::OnBurnCommand()
{
    if (RowCount() == 0)
        return;
    LLogInfo("Burning was asked for");
}

void MainDialog::StartBurn(bool audio)
{
    LLogInfoF("A deferred %s burn was asked for", audio ? "audio CD" : "data disc");
}

bool MainDialog::RunEraseDisc(const char* title, LWindow* parent)
{
    (void)title, (void)parent;
    return false;
}

void MainDialog::EjectDisc() {}

void MainDialog::Preferences()
{
    LLogInfo("The preferences were asked for");
}
